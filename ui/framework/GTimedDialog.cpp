#include "ui/framework/GTimedDialog.h"

#include "driver/osfactry.h"
#include "ui/framework/UIResources.h"
#include "win32/Kernel.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

// GTimedDialog as the driver core's print-time message.
class GTimedDialogMessage : public GTimedMessage {
 public:
  GTimedDialogMessage(int dialogId, int period, const RWWString& title, const RWWString& text1,
                      const RWWString& text2, const RWWString& text3, const RWWString& text4)
      : dialog_(static_cast<int16_t>(dialogId), period, title, text1, text2, text3, text4) {}
  void SetHelpFile(const RWCString& helpFile) override { dialog_.SetHelpFile(helpFile); }
  int DoModal(HWND parent, const RWWString& resourceLibrary) override {
    return dialog_.DoModal(parent, resourceLibrary);
  }
  int GetShowAgain() override { return dialog_.GetShowAgain(); }

 private:
  GTimedDialog dialog_;
};

}  // namespace

GTimedDialog::GTimedDialog(int16_t dialogId, int period, const RWWString& title, const RWWString& text1,
                           const RWWString& text2, const RWWString& text3, const RWWString& text4)
    : dialogId_(dialogId),
      period_(period),
      title_(title),
      text1_(text1),
      text2_(text2),
      text3_(text3),
      text4_(text4) {}

GTimedDialog::~GTimedDialog() {
  if (boldFont_ != nullptr) DeleteObject(boldFont_);
}

int GTimedDialog::DoModal(HWND owner, const RWWString& resourceLibrary) {
  if (GetModuleInstance() == nullptr) {
    if (GOSFactory* factory = GOSFactory::GetInstance()) SetModuleInstance(factory->GetModuleHandle());
  }
  if (LoadUIResourceLibrary(resourceLibrary) == 0) return -1;
  // Without an owner (the notice runs on a thread of its own) there is no
  // window to disable; an owner that the caller had already disabled stays
  // disabled afterwards.
  const bool disabledHere = owner != nullptr && IsWindowEnabled(owner) != FALSE;
  if (disabledHere) EnableWindow(owner, FALSE);
  const INT_PTR result = DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(dialogId_), owner,
                                         &GTimedDialog::ModalDlgProc, reinterpret_cast<LPARAM>(this));
  if (disabledHere) EnableWindow(owner, TRUE);
  FreeUIResourceLibrary();
  return static_cast<int>(result);
}

INT_PTR GTimedDialog::ModalDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GTimedDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<GTimedDialog*>(lParam);
    if (dialog == nullptr) return 0;
    dialog->window_ = window;
    SetWindowLongPtrW(window, DWL_USER, lParam);
  } else {
    dialog = reinterpret_cast<GTimedDialog*>(GetWindowLongPtrW(window, DWL_USER));
    if (dialog == nullptr) return 0;
  }
  const INT_PTR result = dialog->DialogProc(window, message, wParam, lParam);
  if (message == WM_DESTROY) {
    SetWindowLongPtrW(window, DWL_USER, 0);
    dialog->window_ = nullptr;
  }
  return result;
}

void GTimedDialog::OnInitDialog(HWND window) {
  SetDlgItemTextW(window, kTitle, title_.Data());

  // The bold texts: the title's face and size, weight raised to at least 700.
  dialogFont_ = reinterpret_cast<HFONT>(SendDlgItemMessageW(window, kTitle, WM_GETFONT, 0, 0));
  if (boldFont_ != nullptr) {  // a second run makes it afresh
    DeleteObject(boldFont_);
    boldFont_ = nullptr;
  }
  LOGFONTW font{};
  if (dialogFont_ != nullptr && GetObjectW(dialogFont_, sizeof font, &font) == static_cast<int>(sizeof font)) {
    font.lfWeight |= FW_BOLD;
    font.lfQuality = PROOF_QUALITY;
    boldFont_ = CreateFontIndirectW(&font);
  }
  if (boldFont_ != nullptr) {
    for (int id : {kText3, kText2, kFrame})
      SendDlgItemMessageW(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), TRUE);
  }
  for (int id : {kFrame, kText3, kText2})
    SendDlgItemMessageW(window, id, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_BTNFACE)));

  SetDlgItemTextW(window, kText1, text1_.Data());
  SetDlgItemTextW(window, kText2, text2_.Data());
  SetDlgItemTextW(window, kText3, text3_.Data());
  SetDlgItemTextW(window, kText4, text4_.Data());

  startTime_ = GetTickCount();
  SetTimer(window, kTimerId, static_cast<UINT>(period_ > 0 ? period_ : 0), nullptr);
}

INT_PTR GTimedDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(window);
      return 1;
    case WM_DESTROY:
      KillTimer(window, kTimerId);
      if (IsDlgButtonChecked(window, kDontShowAgain) == BST_CHECKED) showAgain_ = 0;
      return 1;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
        case 8:
          EndDialog(window, LOWORD(wParam));
          return 1;
        case 9:
          WinHelpA(window, helpFile_.Data(), HELP_CONTEXT, kHelpContext);
          return 1;
        default:
          return 0;
      }
    default:
      // Timer ticks included: the notice stays until a button closes it.
      return 0;
  }
}

GTimedMessage* CreateTimedDialogMessage(int dialogId, int period, const RWWString& title, const RWWString& text1,
                                        const RWWString& text2, const RWWString& text3, const RWWString& text4) {
  return new GTimedDialogMessage(dialogId, period, title, text1, text2, text3, text4);
}
