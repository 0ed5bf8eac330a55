#include "ui/framework/GWrapper.h"

#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/UIResources.h"
#include "win32/CompStui.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

GWrapper::GWrapper(GFeatureAccessor* accessor, const GControlRow* table) : accessor_(accessor) {
  if (table != nullptr) {
    for (const GControlRow* row = table; row->controlId != 0; ++row) table_.push_back(*row);
  }
  table_.push_back(GControlRow{0, 0});
}

GWrapper::~GWrapper() { delete accessor_; }

void GWrapper::Attach(HWND dialog) {
  dialog_ = dialog;
  visible_ = 1;
  enabled_ = 1;
  showApplied_ = 0;
  enableApplied_ = 0;
  OnAttach();
}

void GWrapper::OnAttach() {}

void GWrapper::Refresh(int force) {
  RefreshAvailability();
  SetControlFromFeature(force);
}

int GWrapper::OnMessage(UINT message, WPARAM, LPARAM) {
  if (message != WM_COMMAND) return 0;
  ReadControlIntoFeature();
  return 1;
}

int GWrapper::OnComboSelectionChange(UINT message, WPARAM wParam) {
  if (message != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE ||
      static_cast<int16_t>(LOWORD(wParam)) != static_cast<int16_t>(GetControlId(0))) {
    return 0;
  }
  ReadControlIntoFeature();
  return 1;
}

int16_t GWrapper::GetRowCount() const {
  // Rows are numbered with 16 bits.
  const size_t rows = table_.size() - 1;
  return static_cast<int16_t>(rows < 0x7FFF ? rows : 0x7FFF);
}

int GWrapper::GetControlId(int16_t row) const {
  if (row < 0 || row >= GetRowCount()) return 0;
  return table_[static_cast<size_t>(row)].controlId;
}

HWND GWrapper::GetControl(int16_t row) const {
  const int id = GetControlId(row);
  if (id == 0 || dialog_ == nullptr) return nullptr;
  return GetDlgItem(dialog_, id);
}

int GWrapper::OwnsWindow(HWND window) {
  // GetDlgItem gives null for a control the dialog lacks: a null window
  // must not pass for one of those.
  if (window == nullptr) return 0;
  for (int16_t row = 0; row < GetRowCount(); ++row) {
    if (GetControl(row) == window) return 1;
  }
  return 0;
}

int GWrapper::OwnsControl(int16_t controlId) {
  for (int16_t row = 0; row < GetRowCount(); ++row) {
    if (static_cast<int16_t>(table_[static_cast<size_t>(row)].controlId) == controlId) return 1;
  }
  return 0;
}

int GWrapper::IsSame(GWrapper* other) { return other == this ? 1 : 0; }

const GControlRow* GWrapper::GetControlTable() { return table_.data(); }

void GWrapper::ApplyAvailability(int16_t value) {
  switch (value) {
    case kShownEnabled:
      ShowAll(1);
      EnableAll(1);
      break;
    case kShownDisabled:
      ShowAll(1);
      EnableAll(0);
      break;
    case kHidden:
      ShowAll(0);
      EnableAll(0);
      break;
    default:
      break;
  }
}

void GWrapper::EnableAll(int flag) {
  if (enableApplied_ != 0 && flag == enabled_) return;
  enableApplied_ = 1;
  enabled_ = flag;
  for (int16_t row = 0; row < GetRowCount(); ++row) EnableControl(row, flag);
}

void GWrapper::EnableControl(int16_t row, int flag) {
  // A user without permission to change the setting never gets the control.
  if (flag != 0 && accessor_ != nullptr && (accessor_->GetAccess() & 1) != 0) flag = 0;
  HWND control = GetControl(row);
  if (control == nullptr) return;
  if (flag == 0) {
    EnableWindow(control, FALSE);
  } else if (enabled_ == 1) {
    EnableWindow(control, TRUE);
  }
}

void GWrapper::ShowAll(int flag) {
  if (showApplied_ != 0 && flag == visible_) return;
  showApplied_ = 1;
  visible_ = flag;
  for (int16_t row = 0; row < GetRowCount(); ++row) ShowControl(row, flag);
}

void GWrapper::ShowControl(int16_t row, int flag) {
  HWND control = GetControl(row);
  if (control == nullptr) return;
  if (flag == 0) {
    ShowWindow(control, SW_HIDE);
  } else if (visible_ == 1) {
    ShowWindow(control, SW_SHOW);
  }
}

HWND GWrapper::GetDialogHwnd() { return dialog_; }

int GWrapper::ShowMessageBox(HWND owner, const RWWString& text, const RWWString& caption, int flags) {
  return UIMessageBox(owner, text, caption, flags);
}

const NMUPDOWN* GWrapper::UpDownChange(UINT message, LPARAM lParam, int16_t arrowsRow) const {
  if (message != WM_NOTIFY) return nullptr;
  const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
  if (change == nullptr || change->hdr.code != UDN_DELTAPOS || change->hdr.hwndFrom != GetControl(arrowsRow))
    return nullptr;
  return change;
}

int GWrapper::IsPageLeaving(UINT message, LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  return message == WM_NOTIFY && header != nullptr && header->code == PSN_KILLACTIVE ? 1 : 0;
}
