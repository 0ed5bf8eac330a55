#include "ui/framework/GComboBox.h"

#include <algorithm>
#include <vector>

#include "model/GStringConversion.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/Window.h"

int ReadBoxItemText(HWND dialog, int controlId, UINT lengthMessage, UINT textMessage, int16_t index, RWWString* out) {
  if (index < 0 || dialog == nullptr || GetDlgItem(dialog, controlId) == nullptr) return 0;
  const LRESULT length = SendDlgItemMessageW(dialog, controlId, lengthMessage, static_cast<WPARAM>(index), 0);
  if (length < 0 || length > kMaxItemText) return 0;
  std::vector<WCHAR> buffer(static_cast<size_t>(length) + 1, 0);
  const LRESULT copied = SendDlgItemMessageW(dialog, controlId, textMessage, static_cast<WPARAM>(index),
                                             reinterpret_cast<LPARAM>(buffer.data()));
  if (copied < 0) return 0;
  if (out != nullptr) *out = RWWString(buffer.data(), static_cast<size_t>(std::min(copied, length)));
  return 1;
}

bool SameItemText(const RWWString& a, const RWWString& b) {
  if (a.Length() != b.Length()) return false;
  return a.Length() == 0 || std::equal(a.Data(), a.Data() + a.Length(), b.Data());
}

void GComboBox::Attach(HWND dialog, int16_t controlId) {
  dialog_ = dialog;
  controlId_ = controlId;
}

LRESULT GComboBox::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  // Without the control (no dialog, an id the dialog lacks) every answer is
  // the error value: the window manager's 0 would read as item 0.
  HWND control = dialog_ != nullptr ? GetDlgItem(dialog_, static_cast<uint16_t>(controlId_)) : nullptr;
  if (control == nullptr) return -1;
  return SendMessageW(control, message, wParam, lParam);
}

void GComboBox::ResetContent() { Send(CB_RESETCONTENT, 0, 0); }

int16_t GComboBox::GetCurSel() const { return static_cast<int16_t>(Send(CB_GETCURSEL, 0, 0)); }

int16_t GComboBox::SetCurSel(int16_t index) {
  // -1 travels as the all-ones WPARAM, as the window manager expects.
  return static_cast<int16_t>(Send(CB_SETCURSEL, static_cast<WPARAM>(static_cast<LONG_PTR>(index)), 0));
}

void GComboBox::LimitText(int n) { Send(CB_LIMITTEXT, static_cast<WPARAM>(n > 0 ? n : 0), 0); }

int GComboBox::GetItemData(int16_t index) const {
  if (index < 0) return CB_ERR;
  return static_cast<int>(Send(CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int GComboBox::SetItemData(int16_t index, int data) {
  if (index < 0) return CB_ERR;
  return Send(CB_SETITEMDATA, static_cast<WPARAM>(index), data) == CB_ERR ? CB_ERR : 0;
}

int16_t GComboBox::GetCount() const {
  const LRESULT count = Send(CB_GETCOUNT, 0, 0);
  return static_cast<int16_t>(std::clamp<LRESULT>(count, 0, 0x7FFF));
}

int16_t GComboBox::AddString(const RWWString& text) {
  return static_cast<int16_t>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.Data())));
}

int16_t GComboBox::AddStringWithData(const RWWString& text, int data) {
  const int16_t index = AddString(text);
  if (index >= 0) SetItemData(index, data);
  return index;
}

int GComboBox::SelectByItemData(int data) {
  const int16_t count = GetCount();
  for (int16_t i = 0; i < count; ++i) {
    if (Send(CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == data) {
      SetCurSel(i);
      return 1;
    }
  }
  return 0;
}

int GComboBox::GetItemText(int16_t index, RWWString* out) const {
  return ReadBoxItemText(dialog_, static_cast<uint16_t>(controlId_), CB_GETLBTEXTLEN, CB_GETLBTEXT, index, out);
}

int GComboBox::SelectByText(const RWCString& text) {
  RWWString wanted;
  ToWideString(text, wanted);
  const int16_t count = GetCount();
  for (int16_t i = 0; i < count; ++i) {
    RWWString item;
    if (GetItemText(i, &item) == 0) return 0;
    if (SameItemText(item, wanted)) {
      SetCurSel(i);
      return 1;
    }
  }
  return 0;
}

int GComboBox::GetSelectedItemData() const {
  const int16_t selected = GetCurSel();
  if (selected < 0) return -1;
  return GetItemData(selected);
}

int GComboBox::GetSelectedText(RWCString* out) const {
  const int16_t selected = GetCurSel();
  RWWString text;
  if (selected < 0 || GetItemText(selected, &text) == 0) return 0;
  if (out != nullptr) ToNarrowString(text, *out);
  return 1;
}

int GComboBox::GetEditText(RWCString* out) const {
  if (out != nullptr) *out = RWCString();
  HWND control = GetDlgItem(dialog_, static_cast<uint16_t>(controlId_));
  if (control == nullptr) return 0;
  const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0 || length > kMaxItemText) return 0;
  std::vector<WCHAR> buffer(static_cast<size_t>(length) + 1, 0);
  const int copied = GetWindowTextW(control, buffer.data(), static_cast<int>(buffer.size()));
  if (copied <= 0) return 0;
  if (out != nullptr) ToNarrowString(RWWString(buffer.data(), static_cast<size_t>(copied)), *out);
  return 1;
}

void GComboBox::SetEditText(const RWWString& text) { SetDlgItemTextIfChanged(dialog_, static_cast<uint16_t>(controlId_), text.Data()); }

void GComboBox::FitDropDownWidth() {
  HWND control = GetDlgItem(dialog_, static_cast<uint16_t>(controlId_));
  if (control == nullptr) return;
  HDC dc = GetDC(control);
  if (dc == nullptr) return;
  // Measured in the font the list shows its items in.
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  LONG widest = 0;
  const int16_t count = GetCount();
  for (int16_t i = 0; i < count; ++i) {
    RWWString text;
    if (GetItemText(i, &text) == 0) continue;
    SIZE extent{};
    if (GetTextExtentPoint32W(dc, text.Data(), static_cast<int>(text.Length()), &extent) != FALSE)
      widest = std::max(widest, extent.cx);
  }
  if (font != nullptr) SelectObject(dc, previous);
  ReleaseDC(control, dc);
  Send(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest), 0);
}
