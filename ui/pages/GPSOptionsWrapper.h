// The PS page: how TrueType fonts go to a PostScript printer and which fonts
// it may substitute, what the output is optimised for with mirror and
// negative image, and the "Advanced..." button whose modal dialog holds the
// job-control options (Ctrl-D before and after the job, PJL job commands,
// bitmap compression, error information). Two debugging check boxes are
// bound but always hidden.
#pragma once

#include <cstdint>

#include "ui/framework/GComboBox.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"

class GPSFontOptionsAccessor : public GFeatureAccessor {
 public:
  // TrueType format values.
  static constexpr int16_t kType42 = 0;
  static constexpr int16_t kBitmaps = 1;
  static constexpr int16_t kOutlines = 2;

  explicit GPSFontOptionsAccessor(GUISession* session);
  // Stores the format; TrueType goes as bitmaps for the bitmap format or
  // when the printer requires it.
  void SetTrueTypeFormat(int16_t value);
  // The bitmap format when the printer requires it, else the stored one.
  int16_t GetTrueTypeFormat();
  int16_t GetSubstitution();
  void SetSubstitution(int16_t value);
  int HasChanged();
  int BitmapsRequired() const { return bitmapsRequired_; }

 private:
  int bitmapsRequired_ = 0;
};

class GPSFontOptionsWrapper : public GWrapper {
 public:
  // Rows: 0 format label, 1 format list, 2 substitution label, 3
  // substitution list, 4 the Level 2 fonts check box (shown only).
  GPSFontOptionsWrapper(GPSFontOptionsAccessor* accessor, const GControlRow* table);
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override {}
  void RefreshAvailability() override;

 private:
  GPSFontOptionsAccessor* Fonts() const { return static_cast<GPSFontOptionsAccessor*>(accessor_); }
  GComboBox formats_;
  GComboBox substitutions_;
};

// PSOptimizeFor, PSMirrorImage and PSNegativeImage.
class GPSOptionsAccessor : public GFeatureAccessor {
 public:
  explicit GPSOptionsAccessor(GUISession* session) : GFeatureAccessor(session) {}
  int16_t Get(int32_t id) const { return ReadValue(&id); }
  void Set(int32_t id, int16_t value);
  int HasChanged();
};

class GPSOptionsWrapper : public GWrapper {
 public:
  // Rows: 0 label, 1 optimise list, 2 mirror, 3 negative.
  GPSOptionsWrapper(GPSOptionsAccessor* accessor, const GControlRow* table);
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override {}
  void RefreshAvailability() override;

 private:
  GPSOptionsAccessor* Options() const { return static_cast<GPSOptionsAccessor*>(accessor_); }
  GComboBox optimize_;
};

// The job-control options of the Advanced PS dialog, 577 to 581.
class GPSAdvancedAccessor : public GPSOptionsAccessor {
 public:
  using GPSOptionsAccessor::GPSOptionsAccessor;
  // The PJL job commands rule's availability.
  int16_t GetAvailability() override;
  int HasChanged();
};

class GPSAdvancedWrapper : public GWrapper {
 public:
  // Rows in feature order: Ctrl-D before, Ctrl-D after, PJL job commands,
  // compress bitmaps, error information.
  GPSAdvancedWrapper(GPSAdvancedAccessor* accessor, const GControlRow* table);
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

 private:
  GPSAdvancedAccessor* Advanced() const { return static_cast<GPSAdvancedAccessor*>(accessor_); }
};

// Opens the Advanced PS dialog with an undo level.
class GPSAdvancedButtonWrapper : public GWrapper {
 public:
  static constexpr int16_t kDialog = 6700;
  static constexpr int16_t kDialogHelp = 332;

  GPSAdvancedButtonWrapper(GFeatureAccessor* accessor, const GControlRow* table) : GWrapper(accessor, table) {}
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SetControlFromFeature(int) override {}
  void ReadControlIntoFeature() override {}
  void RefreshAvailability() override { ApplyAvailability(0); }
};

// A debugging check box: its accessor is always hidden.
class GPSDebugAccessor : public GKeyedFeatureAccessor {
 public:
  using GKeyedFeatureAccessor::GKeyedFeatureAccessor;
  int16_t GetAvailability() override { return 2; }
};

class GPSDebugCheckWrapper : public GWrapper {
 public:
  GPSDebugCheckWrapper(GPSDebugAccessor* accessor, const GControlRow* table) : GWrapper(accessor, table) {}
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
};
