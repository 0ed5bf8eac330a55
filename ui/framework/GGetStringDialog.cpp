#include "ui/framework/GGetStringDialog.h"

#include <vector>

#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/User.h"
#include "win32/Window.h"

GGetStringDialog::GGetStringDialog(HWND owner, int promptId, int maximumLength)
    : parent_(owner), promptId_(promptId), maximumLength_(maximumLength) {}

GGetStringDialog::~GGetStringDialog() = default;

int GGetStringDialog::DoModal() {
  return static_cast<int>(DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(kTemplate), parent_,
                                          &GGetStringDialog::GetStrDlgProc, reinterpret_cast<LPARAM>(this)));
}

INT_PTR GGetStringDialog::GetStrDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GGetStringDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<GGetStringDialog*>(lParam);
    if (dialog == nullptr) return 0;
    dialog->window_ = window;
    SetWindowLongPtrW(window, DWL_USER, lParam);
  } else {
    dialog = reinterpret_cast<GGetStringDialog*>(GetWindowLongPtrW(window, DWL_USER));
    if (dialog == nullptr) return 0;
  }
  const INT_PTR result = dialog->DialogProc(window, message, wParam, lParam);
  if (message == WM_DESTROY) {
    SetWindowLongPtrW(window, DWL_USER, 0);
    dialog->window_ = nullptr;
  }
  return result;
}

RWWString GGetStringDialog::ReadEdit(HWND window) const {
  HWND edit = GetDlgItem(window, kEdit);
  if (edit == nullptr) return RWWString();
  const LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0 || length > 0x7FFFFFFE) return RWWString();
  std::vector<WCHAR> buffer(static_cast<size_t>(length) + 1, 0);
  GetWindowTextW(edit, buffer.data(), static_cast<int>(length) + 1);
  RWWString text;
  text = buffer.data();
  return text;
}

INT_PTR GGetStringDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      RWWString prompt;
      if (LoadUIString(promptId_, &prompt) != 0) SetDlgItemTextW(window, kPrompt, prompt.Data());
      if (maximumLength_ != 0) SendDlgItemMessageW(window, kEdit, EM_LIMITTEXT, static_cast<WPARAM>(maximumLength_), 0);
      EnableWindow(GetDlgItem(window, IDOK), FALSE);
      return 0;
    }
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      if (id == kEdit && HIWORD(wParam) == EN_CHANGE) {
        // A name of blanks alone is no name.
        const RWWString text = ReadEdit(window);
        bool hasCharacters = false;
        for (size_t i = 0; i < text.Length(); ++i) {
          if (text.Data()[i] != u' ') {
            hasCharacters = true;
            break;
          }
        }
        EnableWindow(GetDlgItem(window, IDOK), hasCharacters ? TRUE : FALSE);
      } else if (id == IDOK || id == IDCANCEL) {
        result_ = ReadEdit(window);
        EndDialog(window, id);
      }
      return 0;
    }
    default:
      return 0;
  }
}
