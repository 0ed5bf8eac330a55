// The Finishing page's two-sided printing and booklet controls. The duplex
// accessor speaks in the page's terms: "Flip Pages Up" is the short edge in
// portrait and the long edge in landscape. The booklet list offers the
// booklet items the paper and the model's large papers allow.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/framework/GComboBox.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"

class GBookletAccessor : public GKeyedFeatureAccessor {
 public:
  explicit GBookletAccessor(GUISession* session);
  int16_t GetAvailability() override;
  // BookletPrintingChoice or BookletTargetSize changed.
  int HasChanged() override;
  // The booklet item of (BookletPrintingChoice, BookletTargetSize); 0 off.
  int16_t GetValue() override;
  // Writes the binding and the paper of the item; item 0 or an unknown one
  // turns booklet printing off.
  int SetValue(int16_t item) override;
  // The items offered for the current paper, starting with 0.
  std::vector<int16_t> ListItems();
  // The string id of an item's label.
  static int LabelId(int16_t item);
};

class GDuplexAccessor : public GKeyedFeatureAccessor {
 public:
  explicit GDuplexAccessor(GUISession* session);
  int16_t GetAvailability() override;
  int HasChanged() override;
  // 0 off, 1 long edge as the page shows it, 2 "Flip Pages Up".
  int16_t GetValue() override;
  int SetValue(int16_t value) override;
  int IsPortrait() const;
  GBookletAccessor& Booklet() { return *booklet_; }

 private:
  std::unique_ptr<GBookletAccessor> booklet_;
};

class GDuplexWrapper : public GWrapper {
 public:
  // Rows: "Print on Both Sides", "Flip Pages Up".
  GDuplexWrapper(GDuplexAccessor* accessor, const GControlRow* table);
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

 private:
  GDuplexAccessor* Duplex() const;
};

class GBookletWrapper : public GWrapper {
 public:
  // Rows: the label, the list.
  GBookletWrapper(GBookletAccessor* accessor, const GControlRow* table);
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Fill();
  GBookletAccessor* Booklet() const;
  GComboBox list_;
};
