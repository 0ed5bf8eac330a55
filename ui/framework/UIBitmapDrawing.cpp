#include "ui/framework/UIBitmapDrawing.h"

#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

HBITMAP LoadUIBitmap(int id) {
  HINSTANCE library = GetUIResourceInstance();
  if (library == nullptr || id <= 0 || id > 0xFFFF) return nullptr;
  return LoadBitmapW(library, MAKEINTRESOURCEW(id));
}

namespace {

bool SizeOf(HBITMAP bitmap, SIZE* out) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) != static_cast<int>(sizeof info)) return false;
  out->cx = info.bmWidth;
  out->cy = info.bmHeight;
  return true;
}

// What one drawing made, released in reverse order whatever happened.
class Scratch {
 public:
  explicit Scratch(HWND control) : control_(control) {}
  // Drawing on a context the caller keeps.
  explicit Scratch(HDC dc) : screen_(dc), ownsScreen_(false) {}
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() {
    for (int i = memoryCount_ - 1; i >= 0; --i) {
      if (oldBitmaps_[i] != nullptr) SelectObject(memory_[i], oldBitmaps_[i]);
      if (oldBrushes_[i] != nullptr) SelectObject(memory_[i], oldBrushes_[i]);
      DeleteDC(memory_[i]);
    }
    for (int i = objectCount_ - 1; i >= 0; --i) DeleteObject(objects_[i]);
    if (screen_ != nullptr && ownsScreen_) ReleaseDC(control_, screen_);
  }

  HDC Screen() {
    if (screen_ == nullptr) screen_ = GetDC(control_);
    return screen_;
  }
  // A memory context compatible with the control's; null on failure.
  HDC Memory() {
    if (memoryCount_ == kMax || Screen() == nullptr) return nullptr;
    HDC dc = CreateCompatibleDC(screen_);
    if (dc == nullptr) return nullptr;
    memory_[memoryCount_] = dc;
    oldBitmaps_[memoryCount_] = nullptr;
    oldBrushes_[memoryCount_] = nullptr;
    ++memoryCount_;
    return dc;
  }
  // Keeps the object for deletion; the object itself.
  template <class T>
  T Keep(T object) {
    if (object != nullptr && objectCount_ < kMax) objects_[objectCount_++] = object;
    return object;
  }
  // Selects a bitmap or brush into a memory context made here; false when
  // it does not go in.
  bool Select(HDC dc, HGDIOBJ object, bool brush) {
    for (int i = 0; i < memoryCount_; ++i) {
      if (memory_[i] != dc) continue;
      HGDIOBJ old = SelectObject(dc, object);
      if (old == nullptr) return false;
      HGDIOBJ& slot = brush ? oldBrushes_[i] : oldBitmaps_[i];
      if (slot == nullptr) slot = old;
      return true;
    }
    return false;
  }

 private:
  static constexpr int kMax = 8;
  HWND control_ = nullptr;
  HDC screen_ = nullptr;
  bool ownsScreen_ = true;
  HDC memory_[kMax] = {};
  HGDIOBJ oldBitmaps_[kMax] = {};
  HGDIOBJ oldBrushes_[kMax] = {};
  int memoryCount_ = 0;
  HGDIOBJ objects_[kMax] = {};
  int objectCount_ = 0;
};

// The bitmap in a memory context of its own; null when any step fails.
HDC BitmapContext(Scratch& scratch, int bitmapId, SIZE* size) {
  HBITMAP bitmap = scratch.Keep(LoadUIBitmap(bitmapId));
  if (bitmap == nullptr || !SizeOf(bitmap, size)) return nullptr;
  HDC dc = scratch.Memory();
  if (dc == nullptr || !scratch.Select(dc, bitmap, false)) return nullptr;
  return dc;
}

// An off-screen copy of the control's client area; null on failure.
HDC OffScreen(Scratch& scratch, const RECT& client) {
  HBITMAP bitmap = scratch.Keep(CreateCompatibleBitmap(scratch.Screen(), client.right, client.bottom));
  if (bitmap == nullptr) return nullptr;
  HDC dc = scratch.Memory();
  if (dc == nullptr || !scratch.Select(dc, bitmap, false)) return nullptr;
  return dc;
}

// Floods the area of the context's top-left colour with the colour.
bool FloodBackground(Scratch& scratch, HDC dc, COLORREF colour) {
  HBRUSH brush = scratch.Keep(CreateSolidBrush(colour));
  if (brush == nullptr || !scratch.Select(dc, brush, true)) return false;
  const COLORREF background = GetPixel(dc, 0, 0);
  if (background == CLR_INVALID) return false;
  ExtFloodFill(dc, 0, 0, background, FLOODFILLSURFACE);
  return true;
}

}  // namespace

void GetBitmapSize(int bitmapId, RECT* out) {
  if (out == nullptr) return;
  *out = RECT{0, 0, 0, 0};
  HBITMAP bitmap = LoadUIBitmap(bitmapId);
  if (bitmap == nullptr) return;
  SIZE size{};
  if (SizeOf(bitmap, &size)) *out = RECT{0, 0, size.cx, size.cy};
  DeleteObject(bitmap);
}

void DrawControlBitmap(HWND control, int bitmapId, int maskId, int alignment, int mode) {
  RECT client{};
  if (control == nullptr || !GetClientRect(control, &client)) return;
  RECT bitmap{};
  GetBitmapSize(bitmapId, &bitmap);
  const int xCentre = (client.right - bitmap.right) / 2;
  const int yCentre = (client.bottom - bitmap.bottom) / 2;
  int x = 0;
  int y = 0;
  switch (alignment) {
    case 0:
      x = xCentre;
      y = yCentre;
      break;
    case 1:
      y = yCentre;
      break;
    case 2:
      x = xCentre;
      break;
    default:
      break;
  }
  if (mode == 1) {
    DrawBitmapOnFace(control, x, y, bitmapId);
  } else if (mode == 2) {
    DrawBitmapMasked(control, x, y, bitmapId, maskId);
  } else {
    DrawBitmapPlain(control, x, y, bitmapId);
  }
}

void DrawBitmapPlain(HWND control, int x, int y, int bitmapId) {
  Scratch scratch(control);
  SIZE size{};
  HDC source = BitmapContext(scratch, bitmapId, &size);
  if (source == nullptr) return;
  // The bitmap's size in the control's logical units.
  POINT extent{size.cx, size.cy};
  POINT origin{0, 0};
  DPtoLP(scratch.Screen(), &extent, 1);
  DPtoLP(scratch.Screen(), &origin, 1);
  BitBlt(scratch.Screen(), x, y, extent.x - origin.x, extent.y - origin.y, source, 0, 0, SRCCOPY);
}

void DrawBitmapOnFace(HWND control, int x, int y, int bitmapId) {
  RECT client{};
  if (control == nullptr || !GetClientRect(control, &client)) return;
  Scratch scratch(control);
  SIZE size{};
  HDC source = BitmapContext(scratch, bitmapId, &size);
  if (source == nullptr) return;
  HDC off = OffScreen(scratch, client);
  if (off == nullptr) return;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  HBRUSH brush = scratch.Keep(CreateSolidBrush(face));
  if (brush == nullptr) return;
  FillRect(off, &client, brush);
  if (!FloodBackground(scratch, source, face)) return;
  BitBlt(off, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
  BitBlt(scratch.Screen(), 0, 0, client.right, client.bottom, off, 0, 0, SRCCOPY);
}

namespace {

// Draws the bitmap at (x, y) of the target leaving its background out (see
// DrawBitmapMasked); false when a step fails.
bool MaskedOnto(Scratch& scratch, HDC target, int x, int y, int bitmapId, int maskId) {
  SIZE size{};
  HDC source = BitmapContext(scratch, bitmapId, &size);
  if (source == nullptr) return false;
  HDC mask = nullptr;
  if (maskId != 0) {
    SIZE maskSize{};
    mask = BitmapContext(scratch, maskId, &maskSize);
  } else {
    // The mask from the bitmap: its background flooded with the key colour,
    // then copied to one bit per pixel with the key as background (white).
    if (!FloodBackground(scratch, source, kUIMaskKeyColour)) return false;
    HBITMAP bits = scratch.Keep(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    mask = scratch.Memory();
    if (bits == nullptr || mask == nullptr || !scratch.Select(mask, bits, false)) return false;
    SetBkColor(source, kUIMaskKeyColour);
    BitBlt(mask, 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
  }
  if (mask == nullptr) return false;
  // The bitmap over the target where the mask is black:
  // (target ^ bitmap) & mask ^ bitmap.
  SetBkColor(target, RGB(255, 255, 255));
  SetTextColor(target, RGB(0, 0, 0));
  BitBlt(target, x, y, size.cx, size.cy, source, 0, 0, SRCINVERT);
  BitBlt(target, x, y, size.cx, size.cy, mask, 0, 0, SRCAND);
  BitBlt(target, x, y, size.cx, size.cy, source, 0, 0, SRCINVERT);
  return true;
}

}  // namespace

void DrawBitmapMasked(HWND control, int x, int y, int bitmapId, int maskId) {
  RECT client{};
  if (control == nullptr || !GetClientRect(control, &client)) return;
  Scratch scratch(control);
  if (scratch.Screen() == nullptr) return;
  HDC off = OffScreen(scratch, client);
  if (off == nullptr) return;
  // What the control shows now, the bitmap over it, and back in one go.
  BitBlt(off, 0, 0, client.right, client.bottom, scratch.Screen(), 0, 0, SRCCOPY);
  if (!MaskedOnto(scratch, off, x, y, bitmapId, maskId)) return;
  BitBlt(scratch.Screen(), 0, 0, client.right, client.bottom, off, 0, 0, SRCCOPY);
}

void OverlayBitmap(HDC dc, int x, int y, int bitmapId) {
  if (dc == nullptr) return;
  Scratch scratch(dc);
  MaskedOnto(scratch, dc, x, y, bitmapId, 0);
}

void FillRectWithButtonFace(HDC dc, const RECT* rect) {
  if (dc == nullptr || rect == nullptr) return;
  POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
  if (!DPtoLP(dc, corners, 2)) return;
  HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  if (brush == nullptr) return;
  const RECT logical{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  FillRect(dc, &logical, brush);
  DeleteObject(brush);
}
