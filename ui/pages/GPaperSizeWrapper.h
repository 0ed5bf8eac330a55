// GPaperSizeWrapper: the "Size is:" list of the Paper page with the size
// text beneath it. The list offers the papers the host enumerates (each
// with its paper id as item data) and selects PaperSize; the text words the
// size of the paper the pages print on, and a click on it switches between
// inches and millimetres.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"
#include "ui/framework/GComboBox.h"
#include "ui/framework/GWrapper.h"
#include "win32/Types.h"

class GCustomPaperAccessor;
class GPaperSizeAccessor;

class GPaperSizeWrapper : public GWrapper {
 public:
  // The cursor shown over the size text.
  static constexpr int kSizeTextCursor = 11270;

  // Takes both accessors over. Rows: 0 the combo box, 1 the size text.
  GPaperSizeWrapper(GPaperSizeAccessor* accessor, GCustomPaperAccessor* customPapers, const GControlRow* table);
  ~GPaperSizeWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  // ---- Own operations ----
  virtual void FillList();
  // Adds an offered paper to the list; 1 (the enumeration goes on).
  virtual int AddPaper(int16_t paperId, const RWWString& name);

  GComboBox& GetComboBox() { return combo_; }

 private:
  GPaperSizeAccessor* Papers() const;

  GCustomPaperAccessor* customPapers_;
  GComboBox combo_;
  HCURSOR cursor_ = nullptr;
};
