// GComboBox: a thin handle on one combo box of a dialog, which the control
// wrappers use to fill it, select in it and read it back. Every operation
// sends the combo-box message to the control; indexes are 16-bit and -1
// stands for "none" (CB_ERR). Item texts are read whole, whatever their
// length.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

// Reads item `index` of a combo or list box whole: the length message first,
// then the text message into a buffer of that length and a terminator (the
// text messages copy the whole text, whatever the buffer). 0 when the box
// lacks the item or gives a length beyond kMaxItemText.
int ReadBoxItemText(HWND dialog, int controlId, UINT lengthMessage, UINT textMessage, int16_t index, RWWString* out);
constexpr LRESULT kMaxItemText = 0x100000;
// The same characters, compared exactly (case-sensitive, no collation).
bool SameItemText(const RWWString& a, const RWWString& b);

class GComboBox {
 public:
  GComboBox() = default;
  GComboBox(HWND dialog, int16_t controlId) : dialog_(dialog), controlId_(controlId) {}

  void Attach(HWND dialog, int16_t controlId);
  void ResetContent();
  // The selected index, -1 when nothing is selected.
  int16_t GetCurSel() const;
  // Selects the item (-1 or an index the box lacks clears the selection);
  // the index, or -1.
  int16_t SetCurSel(int16_t index);
  // At most n characters in the edit field (0: the system's limit).
  void LimitText(int n);
  // The item's data; -1 for an index the box lacks.
  int GetItemData(int16_t index) const;
  // 0 on success, -1 for an index the box lacks.
  int SetItemData(int16_t index, int data);
  int16_t GetCount() const;
  // The new item's index; -1 or -2 (no room) when it was not added.
  int16_t AddString(const RWWString& text);
  // AddString, then the data on the new item when it was added.
  int16_t AddStringWithData(const RWWString& text, int data);
  // Selects the first item with that data; 1 when there was one.
  int SelectByItemData(int data);
  // Selects the first item whose text equals the text (widened under the
  // current code page; exact, case-sensitive); stops at the first item
  // whose text cannot be read. 1 when an item was selected.
  int SelectByText(const RWCString& text);
  // The selected item's data; -1 when nothing is selected.
  int GetSelectedItemData() const;
  // The selected item's text, narrowed; 0 (out untouched) when nothing is
  // selected or its text cannot be read.
  int GetSelectedText(RWCString* out) const;
  // The edit field's text, narrowed; 0 and an empty result when there is
  // none.
  int GetEditText(RWCString* out) const;
  // Sets the edit field's text only when it differs (no flicker).
  void SetEditText(const RWWString& text);
  // Widens the drop-down list to the widest item text in the control's font.
  void FitDropDownWidth();

  // The item's whole text; 0 when the box lacks the item.
  int GetItemText(int16_t index, RWWString* out) const;
  HWND GetDialog() const { return dialog_; }
  int16_t GetControlId() const { return controlId_; }

 private:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;

  HWND dialog_ = nullptr;
  int16_t controlId_ = 0;
};
