#include "ui/framework/GTimedModalDialog.h"

#include "ui/framework/GModalDialog.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "win32/Dialog.h"
#include "win32/Kernel.h"
#include "win32/User.h"
#include "win32/Window.h"

GTimedModalDialog::GTimedModalDialog(int16_t dialogId, GUISession* session, int16_t seconds,
                                     const int32_t* showAgainId, int flag, int16_t helpContext)
    : GDialog(dialogId, session, flag, helpContext),
      hasShowAgainId_(showAgainId != nullptr),
      showAgainId_(showAgainId != nullptr ? *showAgainId : 0),
      seconds_(seconds) {}

int GTimedModalDialog::DoModal(HWND owner, int withUndo) {
  return GModalDialog::RunModal(session_, owner, withUndo, dialogId_, &GTimedModalDialog::ModalDlgProc,
                                reinterpret_cast<LPARAM>(this));
}

int GTimedModalDialog::ReadShowAgain() {
  if (!hasShowAgainId_ || session_ == nullptr) return 1;
  int value = 1;
  if (session_->GetSettingsView().GetInt(&showAgainId_, &value) == 0) return 1;
  return value;
}

INT_PTR GTimedModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      if (ReadShowAgain() == 0) {
        // Turned off: the dialog ends before it shows, as if confirmed.
        EndDialog(window, IDOK);
        return 1;
      }
      startTime_ = GetTickCount();
      lastTime_ = startTime_;
      SetTimer(window, kTimerId, kTimerPeriod, nullptr);
      return GDialog::DialogProc(message, wParam, lParam);

    case WM_TIMER:
      if (wParam != kTimerId) return 0;
      lastTime_ = GetTickCount();
      // Unsigned difference: correct across the tick count's wrap.
      if (seconds_ >= 0 && (lastTime_ - startTime_) / 1000 >= static_cast<DWORD>(seconds_)) EndDialog(window, IDOK);
      return 0;

    case WM_DESTROY:
      KillTimer(window, kTimerId);
      if (hasShowAgainId_ && session_ != nullptr && GetDlgItem(window, kDontShowAgain) != nullptr &&
          IsDlgButtonChecked(window, kDontShowAgain) == BST_CHECKED) {
        session_->BeginUpdate(window);
        session_->GetSettingsView().SetInt(&showAgainId_, 0);
        session_->EndUpdate();
      }
      return GDialog::DialogProc(message, wParam, lParam);

    default:
      break;
  }
  if (GModalDialog::IsEndingCommand(message, wParam) != 0) {
    const int16_t id = static_cast<int16_t>(LOWORD(wParam));
    if (GetDlgItem(window, id) != nullptr) RouteToControl(id, message, wParam, lParam);
    EndDialog(window, static_cast<INT_PTR>(LOWORD(wParam)));
    return 0;
  }
  return GDialog::DialogProc(message, wParam, lParam);
}

INT_PTR GTimedModalDialog::ModalDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GTimedModalDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<GTimedModalDialog*>(lParam);
    if (dialog == nullptr) return 0;
    dialog->SetHwnd(window);
    SetWindowLongPtrW(window, DWL_USER, lParam);
  } else {
    dialog = reinterpret_cast<GTimedModalDialog*>(GetWindowLongPtrW(window, DWL_USER));
    if (dialog == nullptr) return 0;
  }
  const INT_PTR result = dialog->DialogProc(window, message, wParam, lParam);
  if (message == WM_DESTROY) SetWindowLongPtrW(window, DWL_USER, 0);
  return result;
}
