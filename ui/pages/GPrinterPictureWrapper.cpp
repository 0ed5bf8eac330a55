#include "ui/pages/GPrinterPictureWrapper.h"

#include "ui/framework/GUISession.h"
#include "ui/framework/UIBitmapDrawing.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

namespace {

using A = GPrinterPictureAccessor;

struct PictureLayer {
  int bitmapId;
  int32_t flags;  // drawn when any of them is set
};

// Drawn over the printer in this order.
const PictureLayer kPictureLayers[] = {
    {2101, A::kEnvelopeFeeder},   {2109, A::kRaised},          {2102, A::kTwoTrayUnit},
    {2103, A::kLargeTrayUnit},    {2110, A::kFourBinTower},    {2106, A::kFiveBinMailbox},
    {2107, A::kSevenBinMailbox},  {2108, A::kSevenBinMailboxRaised}, {2104, A::kEightBinMailbox},
    {2119, A::kStapler | A::kStaplerB}, {2113, A::kBookletMaker}, {2114, A::kLargeOutputTray},
    {2115, A::kLargeOutputTrayRaised}, {2116, A::kStacker}, {2117, A::kLargeStacker},
};
constexpr int kSixBinLayer = 2111;
constexpr int kSixBinOutputLayer = 2112;
constexpr int kLoweredLayer = 2120;

// Moves the picture in the context by dy pixels, the uncovered rows in the
// face colour.
void MovePicture(HDC dc, SIZE size, int dy) {
  HDC copy = CreateCompatibleDC(dc);
  HBITMAP bits = copy != nullptr ? CreateCompatibleBitmap(dc, size.cx, size.cy) : nullptr;
  HGDIOBJ old = bits != nullptr ? SelectObject(copy, bits) : nullptr;
  if (old != nullptr) {
    BitBlt(copy, 0, 0, size.cx, size.cy, dc, 0, 0, SRCCOPY);
    const RECT all{0, 0, size.cx, size.cy};
    FillRectWithButtonFace(dc, &all);
    if (dy < 0) {
      BitBlt(dc, 0, 0, size.cx, size.cy + dy, copy, 0, -dy, SRCCOPY);
    } else {
      BitBlt(dc, 0, dy, size.cx, size.cy - dy, copy, 0, 0, SRCCOPY);
    }
    SelectObject(copy, old);
  }
  if (bits != nullptr) DeleteObject(bits);
  if (copy != nullptr) DeleteDC(copy);
}

}  // namespace

GPrinterPictureWrapper::GPrinterPictureWrapper(GPrinterPictureAccessor* accessor, const GControlRow* table,
                                               int16_t interactive)
    : GWrapper(accessor, table), interactive_(interactive) {
  if (GPictureSurface* surface = accessor != nullptr ? accessor->GetSurface() : nullptr) {
    if (surface->wrappers++ == 0) surface->dc = nullptr;
  }
}

GPrinterPictureWrapper::~GPrinterPictureWrapper() {
  GPictureSurface* surface = Picture() != nullptr ? Picture()->GetSurface() : nullptr;
  if (surface != nullptr && --surface->wrappers <= 0) {
    if (surface->dc != nullptr && surface->previous != nullptr) SelectObject(surface->dc, surface->previous);
    if (surface->composed != nullptr) DeleteObject(surface->composed);
    if (surface->dc != nullptr) DeleteDC(surface->dc);
    *surface = GPictureSurface{};
  }
}

GPrinterPictureAccessor* GPrinterPictureWrapper::Picture() const {
  return static_cast<GPrinterPictureAccessor*>(accessor_);
}

void GPrinterPictureWrapper::OnAttach() {
  HINSTANCE library = GetUIResourceInstance();
  if (library != nullptr) hand_ = LoadCursorW(library, MAKEINTRESOURCEW(kHandCursor));
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  SetControlFromFeature(1);
  HWND control = GetControl(0);
  GPrinterPictureAccessor* picture = Picture();
  if (control == nullptr || picture == nullptr) return;

  RECT bitmap{};
  GetBitmapSize(kPrinterBitmap, &bitmap);
  size_ = SIZE{bitmap.right, bitmap.bottom};
  RECT window{};
  GetWindowRect(control, &window);
  picture->SetOrigin((window.right - window.left - size_.cx) / 2, (window.bottom - window.top - size_.cy) / 2);

  GPictureSurface* surface = picture->GetSurface();
  if (surface == nullptr || size_.cx <= 0 || size_.cy <= 0) return;
  if (surface->dc != nullptr && surface->composed != nullptr && surface->previous != nullptr) return;
  HDC screen = GetDC(control);
  if (screen == nullptr) return;
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP canvas = memory != nullptr ? CreateCompatibleBitmap(screen, size_.cx, size_.cy) : nullptr;
  HGDIOBJ previous = canvas != nullptr ? SelectObject(memory, canvas) : nullptr;
  ReleaseDC(control, screen);
  if (previous == nullptr) {
    if (canvas != nullptr) DeleteObject(canvas);
    if (memory != nullptr) DeleteDC(memory);
    return;
  }
  surface->dc = memory;
  surface->composed = canvas;
  surface->previous = static_cast<HBITMAP>(previous);
  surface->composedFlags = -1;
}

bool GPrinterPictureWrapper::Compose() {
  GPrinterPictureAccessor* picture = Picture();
  GPictureSurface* surface = picture != nullptr ? picture->GetSurface() : nullptr;
  if (surface == nullptr || surface->dc == nullptr) return false;
  if (surface->composedFlags == flags_) return true;
  HBITMAP printer = LoadUIBitmap(kPrinterBitmap);
  if (printer == nullptr) return false;
  if (SelectObject(surface->dc, printer) == nullptr) {
    DeleteObject(printer);
    return false;
  }
  if (surface->composed != nullptr) DeleteObject(surface->composed);
  surface->composed = printer;
  HDC dc = surface->dc;
  // The printer's background in the face colour.
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  if (face != nullptr) {
    HGDIOBJ old = SelectObject(dc, face);
    const COLORREF background = GetPixel(dc, 0, 0);
    if (background != CLR_INVALID) ExtFloodFill(dc, 0, 0, background, FLOODFILLSURFACE);
    if (old != nullptr) SelectObject(dc, old);
    DeleteObject(face);
  }
  for (const PictureLayer& layer : kPictureLayers) {
    if ((flags_ & layer.flags) != 0) OverlayBitmap(dc, 0, 0, layer.bitmapId);
  }
  if ((flags_ & A::kSixBinTower) != 0) {
    MovePicture(dc, size_, -A::kSixBinShift);
    OverlayBitmap(dc, 0, 0, kSixBinLayer);
    if ((flags_ & A::kOutputAccessories) != 0) OverlayBitmap(dc, 0, 0, kSixBinOutputLayer);
  } else if ((flags_ & A::kLowered) != 0) {
    MovePicture(dc, size_, A::kLoweredShift);
    OverlayBitmap(dc, 0, 0, kLoweredLayer);
  }
  surface->composedFlags = flags_;
  return true;
}

void GPrinterPictureWrapper::Draw(HDC dc) {
  GPrinterPictureAccessor* picture = Picture();
  if (dc == nullptr || picture == nullptr || !Compose()) return;
  const POINT origin = picture->GetOrigin();
  BitBlt(dc, origin.x, origin.y, size_.cx, size_.cy, picture->GetSurface()->dc, 0, 0, SRCCOPY);
  if (interactive_ != 0 && selection_ != kAutomaticSource) picture->DrawSelection(dc, selection_);
}

void GPrinterPictureWrapper::SetControlFromFeature(int) {
  if (Picture() == nullptr) return;
  selection_ = Picture()->GetSelection();
  flags_ = Picture()->GetAccessoryFlags();
}

void GPrinterPictureWrapper::ReadControlIntoFeature() {
  if (Picture() != nullptr) Picture()->SetSelection(selection_);
}

void GPrinterPictureWrapper::Refresh(int force) {
  RefreshAvailability();
  if (force == 0 && (Picture() == nullptr || Picture()->NeedsRefresh() == 0)) return;
  SetControlFromFeature(force);
  if (HWND control = GetControl(0)) InvalidateRect(control, nullptr, FALSE);
}

void GPrinterPictureWrapper::RefreshAvailability() {
  if (accessor_ != nullptr) ApplyAvailability(accessor_->GetAvailability());
}

int16_t GPrinterPictureWrapper::CodeUnderCursor() {
  HWND control = GetControl(0);
  POINT point{};
  if (control == nullptr || Picture() == nullptr || !GetCursorPos(&point) || !ScreenToClient(control, &point)) {
    return A::kNoHit;
  }
  return Picture()->HitTest(point.x, point.y);
}

void GPrinterPictureWrapper::SetCursorFor(int16_t code) {
  const bool mayChange = accessor_ != nullptr && (accessor_->GetAccess() & 1) == 0;
  SetCursor(code != A::kNoHit && mayChange && hand_ != nullptr ? hand_ : LoadCursorW(nullptr, IDC_ARROW));
  if (dialog_ != nullptr) SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, 1);
}

int GPrinterPictureWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int id = GetControlId(0);
  switch (message) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item != nullptr && static_cast<int16_t>(item->CtlID) == static_cast<int16_t>(id) &&
          item->itemAction == ODA_DRAWENTIRE) {
        Draw(item->hDC);
      }
      return 0;
    }
    case WM_SETCURSOR:
      if (interactive_ != 0) SetCursorFor(CodeUnderCursor());
      return 0;
    case WM_COMMAND: {
      if (interactive_ == 0 || static_cast<int16_t>(LOWORD(wParam)) != static_cast<int16_t>(id) ||
          HIWORD(wParam) != BN_CLICKED) {
        return 0;
      }
      if (accessor_ == nullptr || (accessor_->GetAccess() & 1) != 0) return 0;
      const int16_t code = CodeUnderCursor();
      SetCursorFor(code);
      if (code == A::kNoHit) return 0;
      selection_ = code;
      ReadControlIntoFeature();
      if (HWND control = GetControl(0)) InvalidateRect(control, nullptr, FALSE);
      return 1;
    }
    default:
      return 0;
  }
}
