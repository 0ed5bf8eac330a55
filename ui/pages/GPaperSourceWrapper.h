// GPaperSourceWrapper: the "Source is:" list of the Paper page. It offers
// the trays the installed paper-handling devices have (and, when the
// settings ask for it, the paper types, which store the automatic source),
// selects the source of the pages the page edits and writes the user's
// choice through its GPaperSourceAccessor.
#pragma once

#include "ui/framework/GComboBox.h"
#include "ui/framework/GPaperSourceAccessor.h"
#include "ui/framework/GWrapper.h"

class GPaperSourceWrapper : public GWrapper {
 public:
  // Choosing this source shows the notice dialog (while SourceNoticeEnabled
  // is 1), which closes itself after its seconds.
  static constexpr int16_t kNoticeSource = 18;
  static constexpr int16_t kNoticeDialog = 11535;
  static constexpr int16_t kNoticeSeconds = 10;

  // Takes the accessor over; row 0 of the table is the combo box.
  GPaperSourceWrapper(GPaperSourceAccessor* accessor, const GControlRow* table);
  ~GPaperSourceWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  GComboBox& GetComboBox() { return combo_; }
  void ShowSourceNotice();

 private:
  GPaperSourceAccessor* Sources() const;
  void FillList();

  GComboBox combo_;
};
