#include "ui/framework/GModalDialog.h"

#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/User.h"
#include "win32/Window.h"

GModalDialog::GModalDialog(int16_t dialogId, GUISession* session, int flag, int16_t helpContext)
    : GDialog(dialogId, session, flag, helpContext) {}

int GModalDialog::DoModal(HWND owner, int withUndo) {
  return RunModal(session_, owner, withUndo, dialogId_, &GModalDialog::ModalDlgProc, reinterpret_cast<LPARAM>(this));
}

int GModalDialog::IsEndingCommand(UINT message, WPARAM wParam) {
  if (message != WM_COMMAND) return 0;
  const WORD id = LOWORD(wParam);
  return id == kOk || id == kCancel || id == kThirdButton ? 1 : 0;
}

INT_PTR GModalDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsEndingCommand(message, wParam) == 0) return GDialog::DialogProc(message, wParam, lParam);
  const int16_t id = static_cast<int16_t>(LOWORD(wParam));
  if (window_ != nullptr && GetDlgItem(window_, id) != nullptr) RouteToControl(id, message, wParam, lParam);
  EndDialog(window_, id);
  return 0;
}

INT_PTR GModalDialog::ModalDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GModalDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<GModalDialog*>(lParam);
    if (dialog == nullptr) return 0;
    dialog->SetHwnd(window);
    SetWindowLongPtrW(window, DWL_USER, lParam);
  } else {
    dialog = reinterpret_cast<GModalDialog*>(GetWindowLongPtrW(window, DWL_USER));
    if (dialog == nullptr) return 0;
  }
  const INT_PTR result = dialog->DialogProc(message, wParam, lParam);
  if (message == WM_DESTROY) SetWindowLongPtrW(window, DWL_USER, 0);
  return result;
}

int GModalDialog::RunModal(GUISession* session, HWND owner, int withUndo, int16_t dialogId, DLGPROC procedure,
                           LPARAM parameter) {
  HWND context = nullptr;
  int closed = 0;
  if (session != nullptr) {
    context = session->GetUpdateContext();
    session->Revalidate(0);
    // Every open cycle is closed; the dialog's wrappers open their own.
    // Only the cycles that were open are counted, so that as many are
    // reopened afterwards and none is left open that nobody closes.
    while (session->GetUpdateNesting() > 0) {
      session->EndUpdate();
      ++closed;
    }
    if (withUndo == 1) session->PushUndoLevel();
  }
  // An owner the caller had already disabled stays disabled afterwards.
  const bool disabledHere = owner != nullptr && IsWindowEnabled(owner) != FALSE;
  if (disabledHere) EnableWindow(owner, FALSE);
  const INT_PTR result = DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(static_cast<uint16_t>(dialogId)),
                                         owner, procedure, parameter);
  if (disabledHere) EnableWindow(owner, TRUE);
  if (session != nullptr) {
    if (withUndo == 1) session->PopUndoLevel(result == IDCANCEL ? 1 : 0);
    for (int i = 0; i < closed; ++i) session->BeginUpdate(context);
    session->SetRefreshNeeded(1);
  }
  return static_cast<int>(result);
}
