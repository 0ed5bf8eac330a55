// The Basics page: the number of copies (GCopiesWrapper over
// GCopiesAccessor, bounded by the model's copies range), the orientation
// with its rotated forms (GOrientationWrapper over GOrientationAccessor,
// which keeps the binding edge the user sees when the page turns) and the
// link that opens the about box (GAboutLinkWrapper).
#pragma once

#include <cstdint>

#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"

class GAboutFeature;

class GCopiesAccessor : public GRangeFeatureAccessor {
 public:
  explicit GCopiesAccessor(GUISession* session);
};

class GCopiesWrapper : public GWrapper {
 public:
  // Rows: the edit, the up-down, "&Copy" and "&Copies".
  GCopiesWrapper(GCopiesAccessor* accessor, const GControlRow* table);
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;

  // Reads the edit, then writes the value moved by delta within the range.
  void Step(int delta);

 private:
  GCopiesAccessor* Copies() const;
  int16_t Clamp(int64_t value) const;
  int16_t maximum_;
  int16_t minimum_;
  int16_t step_;
};

class GOrientationAccessor : public GKeyedFeatureAccessor {
 public:
  explicit GOrientationAccessor(GUISession* session);
  int16_t GetAvailability() override;
  // 1 when the model has a medium for the paper at that angle and the
  // session's uniform resolution.
  int IsOrientationAvailable(int16_t angle);
  // Short-edge binding becomes long-edge and the other way round.
  void SwapDuplexEdge();
};

class GOrientationWrapper : public GWrapper {
 public:
  // Rows: "&Portrait", "&Landscape", "&Rotate by 180 degrees".
  GOrientationWrapper(GOrientationAccessor* accessor, const GControlRow* table);
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
  // A click on an orientation makes it the one checked (they act as radio
  // buttons), then reads the controls.
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  GOrientationAccessor* Orientation() const;
};

class GAboutLinkWrapper : public GWrapper {
 public:
  // Takes the about feature over (it is the wrapper's accessor).
  GAboutLinkWrapper(GAboutFeature* about, const GControlRow* table);
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  static constexpr short kAboutBox = 11520;
};
