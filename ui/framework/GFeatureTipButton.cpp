#include "ui/framework/GFeatureTipButton.h"

#include "rw/RWWString.h"
#include "ui/framework/UIBitmapDrawing.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

// DrawControlBitmap: centred both ways, on the button face.
constexpr int kCentred = 0;
constexpr int kOnButtonFace = 1;

}  // namespace

GFeatureTipButton::GFeatureTipButton(GFeatureTipAccessor* accessor, int16_t iconKind)
    : accessor_(accessor), iconKind_(iconKind) {}

GFeatureTipButton::~GFeatureTipButton() = default;

void GFeatureTipButton::OnAttach() {
  HINSTANCE library = GetUIResourceInstance();
  cursor_ = library != nullptr ? LoadCursorW(library, MAKEINTRESOURCEW(kTipCursor)) : nullptr;
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  // Setting a missing cursor would hide the pointer over the button.
  if (cursor_ == nullptr) cursor_ = arrow;
  SetCursor(arrow);
}

int16_t GFeatureTipButton::GetAvailability() { return accessor_ != nullptr ? accessor_->GetAvailability() : 2; }

int GFeatureTipButton::TakeCursor(HWND dialog) {
  SetCursor(cursor_);
  SetWindowLongPtrW(dialog, DWL_MSGRESULT, 1);
  return 1;
}

void GFeatureTipButton::ShowReason(HWND dialog) {
  if (accessor_ == nullptr) return;
  RWWString text;
  // No empty box for a reason without text.
  if (LoadUIString(accessor_->GetReason(), &text) == 0) return;
  RWWString caption;
  LoadUIString(kTipCaption, &caption);
  UIMessageBox(dialog, text, caption, MB_ICONINFORMATION);
}

int GFeatureTipButton::OnMessage(HWND dialog, int buttonId, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item == nullptr || static_cast<int>(item->CtlID) != buttonId) return 0;
      const int picture = (iconKind_ == 1 ? kSecondKindBitmap : kTipBitmap) + ((item->itemState & ODS_SELECTED) != 0 ? 1 : 0);
      DrawControlBitmap(item->hwndItem, picture, 0, kCentred, kOnButtonFace);
      if ((item->itemState & ODS_FOCUS) != 0) DrawFocusRect(item->hDC, &item->rcItem);
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == static_cast<WORD>(buttonId)) ShowReason(dialog);
      return TakeCursor(dialog);
    case WM_SETCURSOR: {
      HWND button = GetDlgItem(dialog, buttonId);
      if (button == nullptr || reinterpret_cast<HWND>(wParam) != button) return 0;
      return TakeCursor(dialog);
    }
    default:
      return 0;
  }
}
