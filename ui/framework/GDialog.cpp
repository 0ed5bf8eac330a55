#include "ui/framework/GDialog.h"

#include <algorithm>

#include "ui/framework/GUISession.h"
#include "win32/CompStui.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

GDialog::GDialog(int16_t dialogId, GUISession* session, int, int16_t helpContext)
    : session_(session), dialogId_(dialogId), helpContext_(helpContext) {
  if (session_ != nullptr) session_->GetHelpFilePath(&helpFile_);
}

GDialog::~GDialog() {
  for (GWrapper* wrapper : wrappers_) delete wrapper;
}

void GDialog::AddWrapper(GWrapper* wrapper) {
  // A wrapper added twice would be deleted twice.
  if (wrapper == nullptr || std::find(wrappers_.begin(), wrappers_.end(), wrapper) != wrappers_.end()) return;
  wrappers_.push_back(wrapper);
}

void GDialog::AttachAll() {
  for (GWrapper* wrapper : wrappers_) {
    wrapper->Attach(window_);
    wrapper->Refresh(0);
  }
}

void GDialog::RefreshAll(int force) {
  for (GWrapper* wrapper : wrappers_) wrapper->Refresh(force);
}

GWrapper* GDialog::FindWrapperByWindow(HWND window) {
  for (GWrapper* wrapper : wrappers_) {
    if (wrapper->OwnsWindow(window) != 0) return wrapper;
  }
  return nullptr;
}

GWrapper* GDialog::FindWrapperWithHelp(HWND window) {
  for (GWrapper* wrapper : wrappers_) {
    if (wrapper->OwnsWindow(window) == 0) continue;
    for (const GControlRow* row = wrapper->GetControlTable(); row != nullptr && row->controlId != 0; ++row) {
      if (row->helpId != 0 && row->helpId != -1) return wrapper;
    }
  }
  return nullptr;
}

int GDialog::RouteToControl(int16_t controlId, UINT message, WPARAM wParam, LPARAM lParam) {
  // A control the dialog lacks gives a null window, which no wrapper owns:
  // the message still makes an (empty) update cycle.
  // Control ids are 16-bit words: 0x8000 and above arrive here negative.
  HWND control = window_ != nullptr ? GetDlgItem(window_, static_cast<uint16_t>(controlId)) : nullptr;
  return RouteToWindow(control, message, wParam, lParam);
}

int GDialog::RouteToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (session_ != nullptr) session_->BeginUpdate(window_);
  GWrapper* wrapper = FindWrapperByWindow(window);
  const int result = wrapper != nullptr ? wrapper->OnMessage(message, wParam, lParam) : 0;
  AfterChange(result);
  return result;
}

int GDialog::Broadcast(UINT message, WPARAM wParam, LPARAM lParam) {
  if (session_ != nullptr) session_->BeginUpdate(window_);
  int bits = 0;
  for (GWrapper* wrapper : wrappers_) bits |= wrapper->OnMessage(message, wParam, lParam);
  AfterChange(bits);
  return bits;
}

void GDialog::AfterChange(int bits) {
  if (session_ == nullptr) {
    if (bits != 0) RefreshAll(0);
    return;
  }
  if (bits != 0) {
    session_->Revalidate(session_->GetRefreshNeeded());
    RefreshAll(session_->GetRefreshNeeded());
  } else if (session_->GetRefreshNeeded() == 1) {
    // An earlier operation (an undo, a reload) asked for a full refresh.
    session_->Revalidate(1);
    RefreshAll(1);
  }
  session_->EndUpdate();
  session_->SetRefreshNeeded(0);
}

void GDialog::BuildHelpTable() {
  helpTable_.clear();
  for (GWrapper* wrapper : wrappers_) {
    for (const GControlRow* row = wrapper->GetControlTable(); row != nullptr && row->controlId != 0; ++row)
      helpTable_.push_back(*row);
  }
  helpTable_.push_back(GControlRow{0, 0});
}

int GDialog::ShowHelp(HWND window, UINT command) {
  const GControlRow* table = GetHelpTable();
  if (table == nullptr) {
    GWrapper* wrapper = FindWrapperWithHelp(window);
    if (wrapper == nullptr) return 0;
    table = wrapper->GetControlTable();
  }
  WinHelpA(window, helpFile_.Data(), command, reinterpret_cast<ULONG_PTR>(table));
  return 1;
}

void GDialog::ShowContextHelp() {
  WinHelpA(window_, helpFile_.Data(), HELP_CONTEXT, static_cast<ULONG_PTR>(static_cast<uint16_t>(helpContext_)));
}

HWND GDialog::GetHwnd() { return window_; }

void GDialog::SetHwnd(HWND window) { window_ = window; }

INT_PTR GDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      AttachAll();
      if (session_ != nullptr) session_->Revalidate(1);
      RefreshAll(1);
      return 1;

    case WM_COMMAND:
    case WM_DRAWITEM: {
      const int16_t id = static_cast<int16_t>(LOWORD(wParam));
      if (id == kHelpButton) {
        ShowContextHelp();
      } else {
        RouteToControl(id, message, wParam, lParam);
      }
      return 0;
    }

    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header == nullptr) return 0;
      switch (header->code) {
        case UDN_DELTAPOS:
          RouteToControl(static_cast<int16_t>(wParam), message, wParam, lParam);
          return 0;
        case PSN_HELP:
          ShowContextHelp();
          return 1;
        case PSN_KILLACTIVE:
          Broadcast(message, wParam, lParam);
          return 0;
        case PSN_SETACTIVE:
          // A page that was not visible catches up with what changed meanwhile.
          if (session_ != nullptr) session_->Revalidate(1);
          RefreshAll(1);
          return 0;
        default:
          return 0;
      }
    }

    case WM_HELP: {
      const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
      if (info != nullptr) ShowHelp(reinterpret_cast<HWND>(info->hItemHandle), HELP_WM_HELP);
      return 0;
    }

    case WM_CONTEXTMENU: {
      HWND window = reinterpret_cast<HWND>(wParam);
      if (ShowHelp(window, HELP_CONTEXTMENU) == 0) RouteToWindow(window, message, wParam, lParam);
      return 0;
    }

    case WM_HSCROLL:
    case WM_VSCROLL:
      RouteToWindow(reinterpret_cast<HWND>(lParam), message, wParam, lParam);
      return 0;

    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      HWND child = window_ != nullptr ? ChildWindowFromPoint(window_, point) : nullptr;
      if (child != nullptr) RouteToWindow(child, message, wParam, lParam);
      return 0;
    }

    case WM_SETCURSOR: {
      GWrapper* wrapper = FindWrapperByWindow(reinterpret_cast<HWND>(wParam));
      return wrapper != nullptr ? wrapper->OnMessage(message, wParam, lParam) : 0;
    }

    case WM_VKEYTOITEM:
      Broadcast(message, wParam, lParam);
      return -2;

    default:
      return 0;
  }
}
