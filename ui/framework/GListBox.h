// GListBox and GMultiSelectListBox: thin handles on one list box of a
// dialog, as GComboBox is on a combo box. Indexes are 16-bit and -1 stands
// for "none" (LB_ERR); item texts are read whole, whatever their length.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GListBox {
 public:
  GListBox() = default;
  GListBox(HWND dialog, int16_t controlId) : dialog_(dialog), controlId_(controlId) {}

  void Attach(HWND dialog, int16_t controlId);
  void ResetContent();
  // The items left, or -1 for an index the box lacks.
  int16_t DeleteString(int16_t index);
  // The selected index, -1 when nothing is selected (or the box allows
  // several).
  int16_t GetCurSel() const;
  int16_t SetCurSel(int16_t index);
  // 0 on success, -1 for an index the box lacks.
  int SetItemData(int16_t index, int data);
  int16_t GetCount() const;
  // The new item's index; -1 or -2 (no room) when it was not added.
  int16_t AddString(const RWWString& text);
  int16_t AddStringWithData(const RWWString& text, int data);
  // The selected item's text, narrowed; 0 (out untouched) when nothing is
  // selected or its text cannot be read.
  int GetSelectedText(RWCString* out) const;
  // Select or delete the first item whose text equals the text exactly;
  // both stop at the first item whose text cannot be read. 1 when an item
  // was found.
  int SelectByText(const RWWString& text);
  int DeleteByText(const RWWString& text);

  // The item's whole text; 0 when the box lacks the item.
  int GetItemText(int16_t index, RWWString* out) const;
  HWND GetDialog() const { return dialog_; }
  int16_t GetControlId() const { return controlId_; }

 protected:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
  // The index of the first item with that text; -1 when none.
  int16_t FindText(const RWWString& text) const;

  HWND dialog_ = nullptr;
  int16_t controlId_ = 0;
};

// A list box that allows several selected items.
class GMultiSelectListBox : public GListBox {
 public:
  using GListBox::GListBox;

  // Reads the selection into the object; the number of selected items.
  int16_t GetSelectedItems();
  // The index of the i-th selected item of the last GetSelectedItems; -1
  // for an i beyond them.
  int16_t GetSelectedIndex(int16_t i) const;
  int16_t GetSelectionCount() const { return selectionCount_; }

 private:
  int16_t selectionCount_ = 0;
  std::vector<INT> selected_;
};
