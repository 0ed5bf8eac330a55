// The "Type is:" list of the Paper page: GMediaTypeAccessor reads and writes
// the paper type of the pages the page edits (MediaType for all or the first
// pages, MediaTypeRest for the other pages) and knows which types the
// form-to-tray assignments allow; GMediaTypeWrapper fills the combo box with
// the table's types and up to five names the printer reported.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "ui/framework/GComboBox.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"

class GFormToTrayDatabase;
class MPersistentIterator;

class GMediaTypeAccessor : public GFeatureAccessor {
 public:
  explicit GMediaTypeAccessor(GUISession* session);
  ~GMediaTypeAccessor() override;
  int16_t GetAvailability() override;
  int GetAccess() override;

  // The settings hold a form-to-tray database with assignments.
  int HasFormToTrayAssignments() const;
  // A form-to-tray entry holds the current paper and that media id.
  int IsMediaAllowed(int16_t id) const;
  // Restarts the walk over the reported names (none when the settings lack
  // the list).
  void ResetReportedNames();
  // The next reported name, widened, and 1; 0 at the end.
  int NextReportedName(RWWString& out);
  // The stored name of the pages being edited; a table name becomes its
  // shown text, so that the list can select it by text.
  void GetCurrentText(RWCString& out) const;
  // Stores the chosen entry (its text and item data).
  void SetMedia(const RWCString& text, int16_t id);
  // Something the list depends on changed in the current update cycle.
  int NeedsRefresh() const;

 private:
  GFormToTrayDatabase* FindFormToTray() const;
  int16_t CurrentPaper() const;
  int Changed(int32_t id) const;

  MPersistentIterator* names_ = nullptr;
};

class GMediaTypeWrapper : public GWrapper {
 public:
  // Takes the accessor over; row 0 of the table is the combo box.
  GMediaTypeWrapper(GMediaTypeAccessor* accessor, const GControlRow* table);
  ~GMediaTypeWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  GComboBox& GetComboBox() { return combo_; }

 private:
  GMediaTypeAccessor* Media() const;
  void FillList();

  GComboBox combo_;
};
