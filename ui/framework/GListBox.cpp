#include "ui/framework/GListBox.h"

#include <algorithm>

#include "model/GStringConversion.h"
#include "ui/framework/GComboBox.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

// ---- GListBox ----

void GListBox::Attach(HWND dialog, int16_t controlId) {
  dialog_ = dialog;
  controlId_ = controlId;
}

LRESULT GListBox::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  // Without the control (no dialog, an id the dialog lacks) every answer is
  // the error value: the window manager's 0 would read as item 0.
  HWND control = dialog_ != nullptr ? GetDlgItem(dialog_, static_cast<uint16_t>(controlId_)) : nullptr;
  if (control == nullptr) return -1;
  return SendMessageW(control, message, wParam, lParam);
}

void GListBox::ResetContent() { Send(LB_RESETCONTENT, 0, 0); }

int16_t GListBox::DeleteString(int16_t index) {
  if (index < 0) return LB_ERR;
  return static_cast<int16_t>(Send(LB_DELETESTRING, static_cast<WPARAM>(index), 0));
}

int16_t GListBox::GetCurSel() const { return static_cast<int16_t>(Send(LB_GETCURSEL, 0, 0)); }

int16_t GListBox::SetCurSel(int16_t index) {
  return static_cast<int16_t>(Send(LB_SETCURSEL, static_cast<WPARAM>(static_cast<LONG_PTR>(index)), 0));
}

int GListBox::SetItemData(int16_t index, int data) {
  if (index < 0) return LB_ERR;
  return Send(LB_SETITEMDATA, static_cast<WPARAM>(index), data) == LB_ERR ? LB_ERR : 0;
}

int16_t GListBox::GetCount() const {
  const LRESULT count = Send(LB_GETCOUNT, 0, 0);
  return static_cast<int16_t>(std::clamp<LRESULT>(count, 0, 0x7FFF));
}

int16_t GListBox::AddString(const RWWString& text) {
  return static_cast<int16_t>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.Data())));
}

int16_t GListBox::AddStringWithData(const RWWString& text, int data) {
  const int16_t index = AddString(text);
  if (index >= 0) SetItemData(index, data);
  return index;
}

int GListBox::GetItemText(int16_t index, RWWString* out) const {
  return ReadBoxItemText(dialog_, static_cast<uint16_t>(controlId_), LB_GETTEXTLEN, LB_GETTEXT, index, out);
}

int GListBox::GetSelectedText(RWCString* out) const {
  const int16_t selected = GetCurSel();
  RWWString text;
  if (selected < 0 || GetItemText(selected, &text) == 0) return 0;
  if (out != nullptr) ToNarrowString(text, *out);
  return 1;
}

int16_t GListBox::FindText(const RWWString& text) const {
  const int16_t count = GetCount();
  for (int16_t i = 0; i < count; ++i) {
    RWWString item;
    if (GetItemText(i, &item) == 0) return -1;
    if (SameItemText(item, text)) return i;
  }
  return -1;
}

int GListBox::SelectByText(const RWWString& text) {
  const int16_t index = FindText(text);
  if (index < 0) return 0;
  SetCurSel(index);
  return 1;
}

int GListBox::DeleteByText(const RWWString& text) {
  const int16_t index = FindText(text);
  if (index < 0) return 0;
  DeleteString(index);
  return 1;
}

// ---- GMultiSelectListBox ----

int16_t GMultiSelectListBox::GetSelectedItems() {
  const LRESULT count = Send(LB_GETSELCOUNT, 0, 0);
  // A box that allows one selection answers LB_ERR: nothing is read.
  const size_t wanted = count > 0 ? static_cast<size_t>(std::min<LRESULT>(count, 0x7FFF)) : 0;
  if (wanted != selected_.size()) selected_.assign(wanted, 0);
  LRESULT placed = 0;
  if (wanted > 0) placed = Send(LB_GETSELITEMS, wanted, reinterpret_cast<LPARAM>(selected_.data()));
  selectionCount_ = static_cast<int16_t>(std::clamp<LRESULT>(placed, 0, static_cast<LRESULT>(wanted)));
  return selectionCount_;
}

int16_t GMultiSelectListBox::GetSelectedIndex(int16_t i) const {
  if (i < 0 || i >= selectionCount_) return -1;
  return static_cast<int16_t>(selected_[static_cast<size_t>(i)]);
}
