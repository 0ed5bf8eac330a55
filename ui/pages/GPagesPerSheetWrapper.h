// The Finishing page's pages-per-sheet group: the number of pages on a
// sheet (snapped to the layouts the printer path makes), the page borders
// and the page order; and the Staple and Sparetone check boxes.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/framework/GComboBox.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"

class GPagesPerSheetAccessor : public GKeyedFeatureAccessor {
 public:
  explicit GPagesPerSheetAccessor(GUISession* session);
  int16_t GetAvailability() override;
  int HasChanged() override;
  // NUpChoice; 1 when it is missing.
  int16_t GetValue() override;
  int16_t GetBorders() const;
  void SetBorders(int16_t borders);
  int16_t GetOrder() const;
  void SetOrder(int16_t order);
  // The page orders offered: 0 and 1, and 2 and 3 when string 11051 reads
  // more than 2.
  static std::vector<int16_t> ListOrders();
};

class GPagesPerSheetWrapper : public GWrapper {
 public:
  // Rows: the edit, the up-down, the label, "Print Page Borders", the order
  // label and the order list.
  GPagesPerSheetWrapper(GPagesPerSheetAccessor* accessor, const GControlRow* table);
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // 1, 2, 4, 6, 9 or 16 for any number typed.
  static int16_t SnapToValid(int64_t n);
  // The next layout up or down, wrapping between 16 and 1.
  static int16_t NextValue(int16_t value, bool up);
  // Reads the edit first, then writes the next layout and shows it.
  void Step(bool up);

 private:
  GPagesPerSheetAccessor* Pages() const;
  void EnableDetails(bool enable);
  GComboBox orders_;
};

// A check box over a 0/1 feature, its availability from a UI key (or always
// shown when the key is 0).
class GFeatureCheckWrapper : public GWrapper {
 public:
  GFeatureCheckWrapper(GUISession* session, int32_t featureId, int32_t availabilityKey, const GControlRow* table);
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

 private:
  int32_t availabilityKey_;
};

// "Staple": StaplerChoice, greyed or hidden by the staple rule.
class GStapleWrapper : public GFeatureCheckWrapper {
 public:
  GStapleWrapper(GUISession* session, const GControlRow* table);
};

// "Sparetone (Save Toner)": Sparetone, greyed by the Sparetone rule.
class GSparetoneWrapper : public GFeatureCheckWrapper {
 public:
  GSparetoneWrapper(GUISession* session, const GControlRow* table);
};

// "Stapling...": shown only with the 50-sheet stapler/stacker ("K5206"),
// whose staple patterns it offers, and enabled while stapling is on.
class GStaplingButtonWrapper : public GWrapper {
 public:
  GStaplingButtonWrapper(GUISession* session, const GControlRow* table);
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
};
