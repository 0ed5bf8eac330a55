#include "win32/Gdi.h"
#include "w32detail/Gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "win32/Dialog.h"
#include "w32test/Dialog.h"
#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "win32/Module.h"
#include "w32detail/Module.h"
#include "w32detail/Platform.h"
#include "win32/Window.h"
#include "w32test/Window.h"
#include "w32test/Gdi.h"

namespace {

struct Font {
  LOGFONTW log{};
};

// The state that SaveDC keeps and RestoreDC brings back.
struct DcState {
  int graphicsMode = GM_COMPATIBLE;
  POINT viewportOrg{0, 0};
  POINT windowOrg{0, 0};
  UINT textAlign = TA_LEFT | TA_TOP;
  int mapMode = MM_TEXT;
  COLORREF textColour = 0;
  COLORREF bkColour = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int charExtra = 0;
  RECT clip{};
  Font* font = nullptr;
  SIZE windowExt{1, 1};
  SIZE viewportExt{1, 1};
  POINT current{0, 0};
};

// The pixels of a bitmap or of a window's client area. Monochrome pixels
// are 0 (black) or 0xFFFFFF (white).
struct Surface {
  int width = 0;
  int height = 0;
  bool mono = false;
  std::vector<COLORREF> pixels;
  Surface(int w, int h, bool m) : width(w), height(h), mono(m), pixels(static_cast<size_t>(w) * h, 0) {}
};

struct Bitmap {
  std::shared_ptr<Surface> surface;
};

struct Brush {
  COLORREF colour = 0;
};

struct Pen {
  int style = PS_SOLID;
  int width = 0;
  COLORREF colour = 0;
};

struct Dc {
  enum Kind { kRecording, kWindow, kMemory } kind = kRecording;
  HWND window = nullptr;
  std::shared_ptr<Surface> surface;  // window and memory contexts
  HGDIOBJ bitmap = nullptr;          // selected into a memory context; null: the stock one
  HGDIOBJ brush = nullptr;           // null: the stock white brush
  HGDIOBJ pen = nullptr;             // null: the stock black pen
  w32test::DcSetup setup;
  DcState state;
  std::vector<DcState> saved;
  std::vector<w32test::DcEvent> events;
  std::map<int, std::pair<int, std::string>> script;
};

struct GdiState {
  std::mutex mutex;
  std::map<HDC, std::unique_ptr<Dc>> dcs;
  std::map<HGDIOBJ, std::unique_ptr<Font>> fonts;
  std::map<HGDIOBJ, Bitmap> bitmaps;
  std::map<HGDIOBJ, Brush> brushes;
  std::map<HGDIOBJ, Pen> pens;
  std::map<HWND, std::shared_ptr<Surface>> windowSurfaces;
  uintptr_t next = 0x1000;
};

GdiState& gdiState() {
  static GdiState* s = [] {
    auto* st = new GdiState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->dcs.clear();
      st->fonts.clear();
      st->bitmaps.clear();
      st->brushes.clear();
      st->pens.clear();
      st->windowSurfaces.clear();
    });
    return st;
  }();
  return *s;
}

// Looks the context up under the lock; null with ERROR_INVALID_HANDLE.
Dc* find(GdiState& s, HDC dc) {
  auto it = s.dcs.find(dc);
  if (it == s.dcs.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second.get();
}

Dc* findOrDie(GdiState& s, HDC dc) {
  Dc* d = find(s, dc);
  if (!d) std::abort();  // a test asked about a context it never made
  return d;
}

// The device's own font has no object; SelectObject hands out this stand-in
// for it, which selects it again.
HGDIOBJ const kDeviceFont = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0xF0));
// The stock 1 x 1 monochrome bitmap of a memory context and the stock white
// brush, handed out by SelectObject for what they replace.
HGDIOBJ const kStockBitmap = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0xF8));
HGDIOBJ const kStockBrush = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0xFC));
// The other stock objects of GetStockObject.
HGDIOBJ const kNullBrush = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0xE0));
HGDIOBJ const kWhitePen = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0xE4));
HGDIOBJ const kBlackPen = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0xE8));
HGDIOBJ const kNullPen = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0xEC));

HGDIOBJ newHandle(GdiState& s) {
  HGDIOBJ h = reinterpret_cast<HGDIOBJ>(s.next);
  s.next += 0x10;
  return h;
}

HDC addDc(GdiState& s, std::unique_ptr<Dc> d) {
  HDC h = reinterpret_cast<HDC>(s.next);
  s.next += 0x10;
  s.dcs[h] = std::move(d);
  return h;
}

COLORREF rgbOnly(COLORREF c) { return c & 0xFFFFFF; }

// A colour as a pixel of the surface.
COLORREF toSurface(const Surface& surface, COLORREF colour) {
  if (!surface.mono) return rgbOnly(colour);
  return rgbOnly(colour) == 0xFFFFFF ? 0xFFFFFF : 0;
}

// Logical to device coordinates under the context's mapping.
POINT toDevice(const Dc& d, int x, int y) {
  if (d.state.mapMode != MM_ANISOTROPIC) {
    return POINT{x - d.state.windowOrg.x + d.state.viewportOrg.x, y - d.state.windowOrg.y + d.state.viewportOrg.y};
  }
  const long long wx = d.state.windowExt.cx != 0 ? d.state.windowExt.cx : 1;
  const long long wy = d.state.windowExt.cy != 0 ? d.state.windowExt.cy : 1;
  return POINT{static_cast<LONG>((x - d.state.windowOrg.x) * static_cast<long long>(d.state.viewportExt.cx) / wx +
                                 d.state.viewportOrg.x),
               static_cast<LONG>((y - d.state.windowOrg.y) * static_cast<long long>(d.state.viewportExt.cy) / wy +
                                 d.state.viewportOrg.y)};
}

COLORREF* pixelAt(Surface& surface, long x, long y) {
  if (x < 0 || y < 0 || x >= surface.width || y >= surface.height) return nullptr;
  return &surface.pixels[static_cast<size_t>(y) * surface.width + static_cast<size_t>(x)];
}

COLORREF brushColour(GdiState& s, const Dc& d) {
  if (!d.brush) return 0xFFFFFF;
  auto it = s.brushes.find(d.brush);
  return it != s.brushes.end() ? rgbOnly(it->second.colour) : 0xFFFFFF;
}

LONG heightOf(const Dc& d) {
  if (!d.state.font || d.state.font->log.lfHeight == 0) return 100;
  return std::labs(d.state.font->log.lfHeight);
}

}  // namespace

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long product = static_cast<long long>(a) * b;
  long long half = std::llabs(static_cast<long long>(c)) / 2;
  bool negative = (product < 0) != (c < 0);
  long long q = (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
  if (q > 0x7FFFFFFFLL) return -1;
  return static_cast<int>(negative ? -q : q);
}

int ExtEscape(HDC dc, int escape, int inSize, LPCSTR in, int outSize, LPSTR out) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return -1;
  w32test::DcEvent e;
  e.kind = w32test::DcEvent::kEscape;
  e.escape.code = escape;
  if (in && inSize > 0) e.escape.input.assign(in, static_cast<size_t>(inSize));
  e.escape.outSize = outSize;
  d->events.push_back(e);
  auto it = d->script.find(escape);
  if (it == d->script.end()) return 0;
  if (out && outSize > 0) {
    size_t n = std::min(static_cast<size_t>(outSize), it->second.second.size());
    std::memcpy(out, it->second.second.data(), n);
  }
  return it->second.first;
}

int GetDeviceCaps(HDC dc, int index) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return 0;
  const w32test::DcSetup& u = d->setup;
  switch (index) {
    case HORZRES: return u.horzRes;
    case VERTRES: return u.vertRes;
    case LOGPIXELSX: return u.logPixelsX;
    case LOGPIXELSY: return u.logPixelsY;
    case PHYSICALWIDTH: return u.horzRes;
    case PHYSICALHEIGHT: return u.vertRes;
    case HORZSIZE: return u.logPixelsX ? u.horzRes * 254 / (u.logPixelsX * 10) : 0;
    case VERTSIZE: return u.logPixelsY ? u.vertRes * 254 / (u.logPixelsY * 10) : 0;
    default: return 0;
  }
}

int SaveDC(HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (w32detail::ShouldFail("SaveDC")) return 0;
  Dc* d = find(s, dc);
  if (!d) return 0;
  d->saved.push_back(d->state);
  return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return FALSE;
  int depth = static_cast<int>(d->saved.size());
  int target = level < 0 ? depth + level + 1 : level;  // the saved state to bring back, 1-based
  if (level == 0 || target < 1 || target > depth) return FALSE;
  d->state = d->saved[static_cast<size_t>(target - 1)];
  d->saved.resize(static_cast<size_t>(target - 1));
  return TRUE;
}

int SetGraphicsMode(HDC dc, int mode) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || (mode != GM_COMPATIBLE && mode != GM_ADVANCED)) return 0;
  int old = d->state.graphicsMode;
  d->state.graphicsMode = mode;
  return old;
}

static BOOL setOrg(HDC dc, int x, int y, POINT* previous, bool viewport) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return FALSE;
  POINT& p = viewport ? d->state.viewportOrg : d->state.windowOrg;
  if (previous) *previous = p;
  p = POINT{x, y};
  return TRUE;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) { return setOrg(dc, x, y, previous, true); }
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous) { return setOrg(dc, x, y, previous, false); }

UINT SetTextAlign(HDC dc, UINT align) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return GDI_ERROR;
  UINT old = d->state.textAlign;
  d->state.textAlign = align;
  return old;
}

int SetMapMode(HDC dc, int mode) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || mode < 1 || mode > 8) return 0;
  int old = d->state.mapMode;
  d->state.mapMode = mode;
  return old;
}

int GetMapMode(HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  return d ? d->state.mapMode : 0;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->state.textColour;
  d->state.textColour = colour;
  return old;
}

COLORREF GetTextColor(HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  return d ? d->state.textColour : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = d->state.bkMode;
  d->state.bkMode = mode;
  return old;
}

int GetBkMode(HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  return d ? d->state.bkMode : 0;
}

int SetTextCharacterExtra(HDC dc, int extra) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return static_cast<int>(0x80000000u);
  int old = d->state.charExtra;
  d->state.charExtra = extra;
  return old;
}

int GetTextCharacterExtra(HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  return d ? d->state.charExtra : static_cast<int>(0x80000000u);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return ERROR_REGION;
  RECT& c = d->state.clip;
  c.left = std::max(c.left, static_cast<LONG>(left));
  c.top = std::max(c.top, static_cast<LONG>(top));
  c.right = std::min(c.right, static_cast<LONG>(right));
  c.bottom = std::min(c.bottom, static_cast<LONG>(bottom));
  return SIMPLEREGION;
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (!font || w32detail::ShouldFail("CreateFontIndirectW")) return nullptr;
  return w32detail::CreateFontObject(*font);
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto bitmap = s.bitmaps.find(object);
  if (bitmap != s.bitmaps.end()) {
    if (!buffer) return static_cast<int>(sizeof(BITMAP));
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    const Surface& surface = *bitmap->second.surface;
    BITMAP info{};
    info.bmWidth = surface.width;
    info.bmHeight = surface.height;
    info.bmPlanes = 1;
    info.bmBitsPixel = surface.mono ? 1 : 32;
    info.bmWidthBytes = surface.mono ? ((surface.width + 15) / 16) * 2 : surface.width * 4;
    std::memcpy(buffer, &info, sizeof info);
    return static_cast<int>(sizeof(BITMAP));
  }
  auto it = s.fonts.find(object);
  if (it == s.fonts.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!buffer) return static_cast<int>(sizeof(LOGFONTW));
  if (size < static_cast<int>(sizeof(LOGFONTW))) return 0;
  std::memcpy(buffer, &it->second->log, sizeof(LOGFONTW));
  return static_cast<int>(sizeof(LOGFONTW));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return nullptr;
  Font* next = nullptr;
  if (!object) return nullptr;
  if (object == kStockBitmap || s.bitmaps.count(object)) {
    // Bitmaps go into memory contexts only, and into one at a time.
    if (d->kind != Dc::kMemory) return nullptr;
    if (object != kStockBitmap) {
      for (auto& [h, other] : s.dcs)
        if (other.get() != d && other->bitmap == object) return nullptr;
    }
    HGDIOBJ old = d->bitmap ? d->bitmap : kStockBitmap;
    d->bitmap = object == kStockBitmap ? nullptr : object;
    d->surface = object == kStockBitmap ? std::make_shared<Surface>(1, 1, true) : s.bitmaps[object].surface;
    return old;
  }
  if (object == kStockBrush || object == kNullBrush || s.brushes.count(object)) {
    HGDIOBJ old = d->brush ? d->brush : kStockBrush;
    d->brush = object == kStockBrush ? nullptr : object;
    return old;
  }
  if (object == kBlackPen || object == kWhitePen || object == kNullPen || s.pens.count(object)) {
    HGDIOBJ old = d->pen ? d->pen : kBlackPen;
    d->pen = object == kBlackPen ? nullptr : object;
    return old;
  }
  if (object != kDeviceFont) {
    auto it = s.fonts.find(object);
    if (it == s.fonts.end()) return nullptr;
    next = it->second.get();
  }
  HGDIOBJ old = nullptr;
  for (auto& [h, f] : s.fonts)
    if (f.get() == d->state.font) old = h;
  d->state.font = next;
  return old ? old : kDeviceFont;
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (s.bitmaps.count(object)) {
    // A bitmap still selected into a context cannot be deleted.
    for (auto& [h, d] : s.dcs)
      if (d->bitmap == object) return FALSE;
    s.bitmaps.erase(object);
    return TRUE;
  }
  if (s.brushes.count(object)) {
    for (auto& [h, d] : s.dcs)
      if (d->brush == object) return FALSE;
    s.brushes.erase(object);
    return TRUE;
  }
  if (s.pens.count(object)) {
    for (auto& [h, d] : s.dcs)
      if (d->pen == object) return FALSE;
    s.pens.erase(object);
    return TRUE;
  }
  if (object == kNullBrush || object == kNullPen || object == kWhitePen || object == kBlackPen) return TRUE;
  auto it = s.fonts.find(object);
  if (it == s.fonts.end()) return FALSE;
  // A font still selected into a context cannot be deleted.
  for (auto& [h, d] : s.dcs)
    if (d->state.font == it->second.get()) return FALSE;
  s.fonts.erase(it);
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || count < 0 || !size || (count > 0 && !text)) return FALSE;
  LONG h = heightOf(*d);
  LONG w = (d->state.font && d->state.font->log.lfWidth) ? std::labs(d->state.font->log.lfWidth) : h * 6 / 10;
  size->cx = w * count + d->state.charExtra * count;
  size->cy = h;
  return TRUE;
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT, const RECT*, LPCWSTR text, UINT count, const INT*) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || (count > 0 && !text)) return FALSE;
  w32test::DcEvent e;
  e.kind = w32test::DcEvent::kText;
  w32test::TextOutRecord& t = e.text;
  t.x = x;
  t.y = y;
  if (count) t.text.assign(text, count);
  if (d->state.font) t.font = d->state.font->log;
  t.colour = d->state.textColour;
  t.bkMode = d->state.bkMode;
  t.mapMode = d->state.mapMode;
  t.graphicsMode = d->state.graphicsMode;
  t.charExtra = d->state.charExtra;
  t.clip = d->state.clip;
  t.saveDepth = static_cast<int>(d->saved.size());
  d->events.push_back(e);
  return TRUE;
}

HDC GetDC(HWND window) {
  if (w32detail::ShouldFail("GetDC")) return nullptr;
  RECT client{};
  if (!window || !GetClientRect(window, &client)) return nullptr;
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Surface>& surface = s.windowSurfaces[window];
  if (!surface || surface->width != client.right || surface->height != client.bottom)
    surface = std::make_shared<Surface>(client.right, client.bottom, false);
  auto d = std::make_unique<Dc>();
  d->kind = Dc::kWindow;
  d->window = window;
  d->surface = surface;
  d->state.clip = RECT{0, 0, client.right, client.bottom};
  return addDc(s, std::move(d));
}

int ReleaseDC(HWND window, HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.dcs.find(dc);
  if (it == s.dcs.end() || it->second->kind != Dc::kWindow || it->second->window != window) return 0;
  s.dcs.erase(it);
  return 1;
}

HDC CreateCompatibleDC(HDC dc) {
  if (w32detail::ShouldFail("CreateCompatibleDC")) return nullptr;
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (dc && !find(s, dc)) return nullptr;
  auto d = std::make_unique<Dc>();
  d->kind = Dc::kMemory;
  d->surface = std::make_shared<Surface>(1, 1, true);
  return addDc(s, std::move(d));
}

BOOL DeleteDC(HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.dcs.find(dc);
  if (it == s.dcs.end() || it->second->kind == Dc::kWindow) return FALSE;
  s.dcs.erase(it);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (w32detail::ShouldFail("CreateCompatibleBitmap")) return nullptr;
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || width < 0 || height < 0 || static_cast<long long>(width) * height > (1 << 26)) return nullptr;
  const bool mono = d->kind == Dc::kMemory && d->surface && d->surface->mono;
  HGDIOBJ h = newHandle(s);
  s.bitmaps[h].surface = std::make_shared<Surface>(width, height, mono);
  return static_cast<HBITMAP>(h);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (w32detail::ShouldFail("CreateBitmap")) return nullptr;
  if (width < 0 || height < 0 || planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32) ||
      static_cast<long long>(width) * height > (1 << 26)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto surface = std::make_shared<Surface>(width, height, bitsPerPixel == 1);
  if (bits) {
    const auto* b = static_cast<const BYTE*>(bits);
    const size_t stride = bitsPerPixel == 1 ? ((static_cast<size_t>(width) + 15) / 16) * 2 : static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        COLORREF& p = surface->pixels[static_cast<size_t>(y) * width + x];
        if (bitsPerPixel == 1) {
          p = (b[y * stride + x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0;
        } else {
          const BYTE* q = b + y * stride + static_cast<size_t>(x) * 4;  // blue, green, red, unused
          p = RGB(q[2], q[1], q[0]);
        }
      }
    }
  }
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  HGDIOBJ h = newHandle(s);
  s.bitmaps[h].surface = std::move(surface);
  return static_cast<HBITMAP>(h);
}

HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name) {
  if (w32detail::ShouldFail("LoadBitmapW")) return nullptr;
  if (!IS_INTRESOURCE(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  auto spec = w32detail::FindBitmapResource(module, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
  if (!spec || spec->width <= 0 || spec->height <= 0 ||
      spec->pixels.size() != static_cast<size_t>(spec->width) * static_cast<size_t>(spec->height)) {
    if (spec) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  auto surface = std::make_shared<Surface>(spec->width, spec->height, false);
  for (size_t i = 0; i < spec->pixels.size(); ++i) surface->pixels[i] = rgbOnly(spec->pixels[i]);
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  HGDIOBJ h = newHandle(s);
  s.bitmaps[h].surface = std::move(surface);
  return static_cast<HBITMAP>(h);
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  if (w32detail::ShouldFail("CreateSolidBrush")) return nullptr;
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  HGDIOBJ h = newHandle(s);
  s.brushes[h].colour = rgbOnly(colour);
  return static_cast<HBRUSH>(h);
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  auto b = s.brushes.find(static_cast<HGDIOBJ>(brush));
  if (!d || !rect || b == s.brushes.end() || !d->surface) return 0;
  const POINT from = toDevice(*d, rect->left, rect->top);
  const POINT to = toDevice(*d, rect->right, rect->bottom);
  const COLORREF colour = toSurface(*d->surface, b->second.colour);
  for (long y = std::max(0L, static_cast<long>(from.y)); y < std::min<long>(to.y, d->surface->height); ++y)
    for (long x = std::max(0L, static_cast<long>(from.x)); x < std::min<long>(to.x, d->surface->width); ++x)
      *pixelAt(*d->surface, x, y) = colour;
  return 1;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || !rect || !d->surface) return FALSE;
  const POINT from = toDevice(*d, rect->left, rect->top);
  const POINT to = toDevice(*d, rect->right, rect->bottom);
  for (long y = std::max(0L, static_cast<long>(from.y)); y < std::min<long>(to.y, d->surface->height); ++y) {
    for (long x = std::max(0L, static_cast<long>(from.x)); x < std::min<long>(to.x, d->surface->width); ++x) {
      // The border only, each pixel once; every other one along it.
      const bool border = y == from.y || y == to.y - 1 || x == from.x || x == to.x - 1;
      if (!border || ((x - from.x) + (y - from.y)) % 2 != 0) continue;
      if (COLORREF* pixel = pixelAt(*d->surface, x, y)) *pixel = toSurface(*d->surface, ~*pixel);
    }
  }
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* dd = find(s, dest);
  Dc* sd = find(s, source);
  if (!dd || !sd || !dd->surface || !sd->surface || width < 0 || height < 0) return FALSE;
  if (rop != SRCCOPY && rop != SRCAND && rop != SRCINVERT && rop != SRCPAINT) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Surface& to = *dd->surface;
  // A copy of the source first: source and destination may be one surface.
  const Surface from = *sd->surface;
  const POINT dp = toDevice(*dd, x, y);
  const POINT sp = toDevice(*sd, sourceX, sourceY);
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      COLORREF* target = pixelAt(to, dp.x + i, dp.y + j);
      if (!target) continue;
      const long fx = sp.x + i, fy = sp.y + j;
      if (fx < 0 || fy < 0 || fx >= from.width || fy >= from.height) continue;
      COLORREF pixel = from.pixels[static_cast<size_t>(fy) * from.width + static_cast<size_t>(fx)];
      if (from.mono && !to.mono) {
        pixel = pixel ? rgbOnly(dd->state.bkColour) : rgbOnly(dd->state.textColour);
      } else if (!from.mono && to.mono) {
        pixel = pixel == rgbOnly(sd->state.bkColour) ? 0xFFFFFF : 0;
      }
      switch (rop) {
        case SRCCOPY: *target = pixel; break;
        case SRCAND: *target &= pixel; break;
        case SRCINVERT: *target ^= pixel; break;
        case SRCPAINT: *target |= pixel; break;
      }
      *target = rgbOnly(*target);
    }
  }
  return TRUE;
}

BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF colour, UINT type) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || !d->surface || (type != FLOODFILLSURFACE && type != FLOODFILLBORDER)) return FALSE;
  Surface& surface = *d->surface;
  const POINT start = toDevice(*d, x, y);
  const COLORREF key = toSurface(surface, colour);
  const COLORREF fill = toSurface(surface, brushColour(s, *d));
  auto inside = [&](COLORREF p) { return type == FLOODFILLSURFACE ? p == key : p != key; };
  COLORREF* first = pixelAt(surface, start.x, start.y);
  if (!first || !inside(*first)) return FALSE;
  // Four-way fill with an explicit stack; visited marks keep it finite when
  // the fill colour is itself inside.
  std::vector<bool> seen(surface.pixels.size(), false);
  std::vector<POINT> stack{start};
  while (!stack.empty()) {
    const POINT p = stack.back();
    stack.pop_back();
    COLORREF* pixel = pixelAt(surface, p.x, p.y);
    if (!pixel) continue;
    const size_t index = static_cast<size_t>(p.y) * surface.width + static_cast<size_t>(p.x);
    if (seen[index] || !inside(*pixel)) continue;
    seen[index] = true;
    *pixel = fill;
    stack.push_back(POINT{p.x + 1, p.y});
    stack.push_back(POINT{p.x - 1, p.y});
    stack.push_back(POINT{p.x, p.y + 1});
    stack.push_back(POINT{p.x, p.y - 1});
  }
  return TRUE;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || !d->surface) return CLR_INVALID;
  const POINT p = toDevice(*d, x, y);
  COLORREF* pixel = pixelAt(*d->surface, p.x, p.y);
  return pixel ? *pixel : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->state.bkColour;
  d->state.bkColour = rgbOnly(colour);
  return old;
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || (!points && count > 0) || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) {
    points[i].x = points[i].x - d->state.viewportOrg.x + d->state.windowOrg.x;
    points[i].y = points[i].y - d->state.viewportOrg.y + d->state.windowOrg.y;
  }
  return TRUE;
}

// ---- Shapes ----

namespace {

struct PenInk {
  COLORREF colour = CLR_INVALID;  // CLR_INVALID: nothing drawn
  int style = PS_SOLID;
  int width = 1;
};

PenInk penOf(GdiState& s, const Dc& d) {
  PenInk ink;
  if (d.pen == nullptr) {
    ink.colour = 0;
  } else if (d.pen == kWhitePen) {
    ink.colour = 0xFFFFFF;
  } else if (d.pen != kNullPen) {
    auto it = s.pens.find(d.pen);
    if (it != s.pens.end() && it->second.style != PS_NULL) {
      ink.colour = it->second.colour;
      ink.style = it->second.style;
      // The width is logical, like the coordinates.
      long long width = it->second.width;
      if (d.state.mapMode == MM_ANISOTROPIC && d.state.windowExt.cx != 0)
        width = width * d.state.viewportExt.cx / d.state.windowExt.cx;
      ink.width = static_cast<int>(std::max(1LL, std::min(width, 64LL)));
    }
  }
  return ink;
}

COLORREF fillOf(GdiState& s, const Dc& d) { return d.brush == kNullBrush ? CLR_INVALID : brushColour(s, d); }

void plot(Dc& d, long x, long y, COLORREF colour) {
  if (!d.surface || colour == CLR_INVALID) return;
  if (COLORREF* pixel = pixelAt(*d.surface, x, y)) *pixel = toSurface(*d.surface, colour);
}

// A line between device points, the pen's width as a square around each
// point; a dotted pen paints every other pixel.
void strokeLine(Dc& d, POINT a, POINT b, const PenInk& ink, bool last) {
  if (!d.surface || ink.colour == CLR_INVALID) return;
  long x = a.x, y = a.y;
  const long dx = std::labs(b.x - a.x), dy = -std::labs(b.y - a.y);
  const long sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  long err = dx + dy;
  long step = 0;
  const int half = (ink.width - 1) / 2;
  while (true) {
    const bool atEnd = x == b.x && y == b.y;
    if ((!atEnd || last) && (ink.style != PS_DOT || step % 2 == 0)) {
      for (int oy = -half; oy < ink.width - half; ++oy)
        for (int ox = -half; ox < ink.width - half; ++ox) plot(d, x + ox, y + oy, ink.colour);
    }
    if (atEnd) break;
    ++step;
    const long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void record(Dc& d, w32test::ShapeRecord::Kind kind, std::vector<POINT> logical, const PenInk& ink, COLORREF fill) {
  w32test::DcEvent e;
  e.kind = w32test::DcEvent::kShape;
  e.shape.kind = kind;
  for (const POINT& p : logical) e.shape.devicePoints.push_back(toDevice(d, p.x, p.y));
  e.shape.points = std::move(logical);
  e.shape.pen = ink.colour;
  e.shape.penStyle = ink.style;
  e.shape.penWidth = ink.width;
  e.shape.brush = fill;
  d.events.push_back(std::move(e));
}

BOOL setExt(HDC dc, int x, int y, SIZE* previous, bool viewport) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || x == 0 || y == 0) return FALSE;
  SIZE& e = viewport ? d->state.viewportExt : d->state.windowExt;
  if (previous) *previous = e;
  // Extents only count under MM_ANISOTROPIC, as on the platform.
  if (d->state.mapMode == MM_ANISOTROPIC) e = SIZE{x, y};
  return TRUE;
}

}  // namespace

BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous) { return setExt(dc, x, y, previous, false); }
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous) { return setExt(dc, x, y, previous, true); }

HPEN CreatePen(int style, int width, COLORREF colour) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  HGDIOBJ h = newHandle(s);
  s.pens[h] = Pen{style, width, rgbOnly(colour)};
  return static_cast<HPEN>(h);
}

HGDIOBJ GetStockObject(int index) {
  switch (index) {
    case WHITE_BRUSH: return kStockBrush;
    case NULL_BRUSH: return kNullBrush;
    case WHITE_PEN: return kWhitePen;
    case BLACK_PEN: return kBlackPen;
    case NULL_PEN: return kNullPen;
    default: return nullptr;
  }
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return FALSE;
  const PenInk ink = penOf(s, *d);
  const COLORREF fill = fillOf(s, *d);
  record(*d, w32test::ShapeRecord::kRectangle, {POINT{left, top}, POINT{right, bottom}}, ink, fill);
  if (!d->surface) return TRUE;
  const POINT a = toDevice(*d, left, top);
  const POINT b = toDevice(*d, right, bottom);
  const LONG x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x), y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
  for (long y = y0; y < y1; ++y)
    for (long x = x0; x < x1; ++x) plot(*d, x, y, fill);
  if (ink.colour != CLR_INVALID && x1 > x0 && y1 > y0) {
    strokeLine(*d, POINT{x0, y0}, POINT{x1 - 1, y0}, ink, true);
    strokeLine(*d, POINT{x1 - 1, y0}, POINT{x1 - 1, y1 - 1}, ink, true);
    strokeLine(*d, POINT{x1 - 1, y1 - 1}, POINT{x0, y1 - 1}, ink, true);
    strokeLine(*d, POINT{x0, y1 - 1}, POINT{x0, y0}, ink, true);
  }
  return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return FALSE;
  if (previous) *previous = d->state.current;
  d->state.current = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return FALSE;
  const PenInk ink = penOf(s, *d);
  const POINT from = d->state.current;
  record(*d, w32test::ShapeRecord::kLine, {from, POINT{x, y}}, ink, CLR_INVALID);
  // The end point itself is not drawn, as on the platform.
  strokeLine(*d, toDevice(*d, from.x, from.y), toDevice(*d, x, y), ink, false);
  d->state.current = POINT{x, y};
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || !points || count < 2) return FALSE;
  const PenInk ink = penOf(s, *d);
  const COLORREF fill = fillOf(s, *d);
  std::vector<POINT> logical(points, points + count);
  record(*d, w32test::ShapeRecord::kPolygon, logical, ink, fill);
  if (!d->surface) return TRUE;
  std::vector<POINT> dev;
  for (const POINT& p : logical) dev.push_back(toDevice(*d, p.x, p.y));
  long top = dev[0].y, bottom = dev[0].y;
  for (const POINT& p : dev) {
    top = std::min<long>(top, p.y);
    bottom = std::max<long>(bottom, p.y);
  }
  // Even-odd scanlines through pixel centres.
  for (long y = top; y < bottom && fill != CLR_INVALID; ++y) {
    std::vector<double> xs;
    for (size_t i = 0; i < dev.size(); ++i) {
      const POINT a = dev[i], b = dev[(i + 1) % dev.size()];
      const double cy = y + 0.5;
      if ((a.y <= cy && b.y > cy) || (b.y <= cy && a.y > cy))
        xs.push_back(a.x + (cy - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2)
      for (long x = static_cast<long>(xs[i] + 0.5); x < static_cast<long>(xs[i + 1] + 0.5); ++x) plot(*d, x, y, fill);
  }
  for (size_t i = 0; i < dev.size(); ++i) strokeLine(*d, dev[i], dev[(i + 1) % dev.size()], ink, true);
  return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return CLR_INVALID;
  PenInk ink;
  ink.colour = rgbOnly(colour);
  record(*d, w32test::ShapeRecord::kPixel, {POINT{x, y}}, ink, CLR_INVALID);
  const POINT p = toDevice(*d, x, y);
  plot(*d, p.x, p.y, colour);
  return rgbOnly(colour);
}

namespace w32test {

HDC CreateRecordingDC(const DcSetup& setup) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto d = std::make_unique<Dc>();
  d->setup = setup;
  d->state.clip = RECT{0, 0, setup.horzRes, setup.vertRes};
  return addDc(s, std::move(d));
}

const std::vector<DcEvent>& DcEvents(HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  return findOrDie(s, dc)->events;
}

std::vector<ShapeRecord> DcShapes(HDC dc) {
  std::vector<ShapeRecord> out;
  for (const DcEvent& e : DcEvents(dc))
    if (e.kind == DcEvent::kShape) out.push_back(e.shape);
  return out;
}

std::vector<EscapeRecord> DcEscapes(HDC dc) {
  std::vector<EscapeRecord> out;
  for (const DcEvent& e : DcEvents(dc))
    if (e.kind == DcEvent::kEscape) out.push_back(e.escape);
  return out;
}

std::vector<TextOutRecord> DcTexts(HDC dc) {
  std::vector<TextOutRecord> out;
  for (const DcEvent& e : DcEvents(dc))
    if (e.kind == DcEvent::kText) out.push_back(e.text);
  return out;
}

void ScriptEscape(HDC dc, int code, int result, const std::string& output) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  findOrDie(s, dc)->script[code] = {result, output};
}

int DcSaveDepth(HDC dc) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  return static_cast<int>(findOrDie(s, dc)->saved.size());
}

int LiveFontCount() {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  return static_cast<int>(s.fonts.size());
}

std::vector<COLORREF> WindowPixels(HWND window) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.windowSurfaces.find(window);
  return it != s.windowSurfaces.end() ? it->second->pixels : std::vector<COLORREF>();
}

int LiveBitmapCount() {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  return static_cast<int>(s.bitmaps.size());
}

int LiveBrushCount() {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  return static_cast<int>(s.brushes.size());
}

int OpenScreenDcCount() {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  int count = 0;
  for (auto& [h, d] : s.dcs)
    if (d->kind != Dc::kRecording) ++count;
  return count;
}

int DcBkMode(HDC dc) { return GetBkMode(dc); }

}  // namespace w32test

namespace {

struct FontFamilies {
  std::mutex mutex;
  std::vector<w32test::FontFamilySpec> list;
};

std::vector<w32test::FontFamilySpec> DefaultFontFamilies() {
  return {{u"Arial", 0, TRUETYPE_FONTTYPE},
          {u"Courier New", 0, TRUETYPE_FONTTYPE},
          {u"Times New Roman", 0, TRUETYPE_FONTTYPE},
          {u"System", 0, RASTER_FONTTYPE}};
}

FontFamilies& fontFamilies() {
  static FontFamilies* f = [] {
    auto* st = new FontFamilies;
    st->list = DefaultFontFamilies();
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->list = DefaultFontFamilies();
    });
    return st;
  }();
  return *f;
}

}  // namespace

int EnumFontFamiliesW(HDC dc, LPCWSTR family, FONTENUMPROCW procedure, LPARAM lParam) {
  if (dc == nullptr || procedure == nullptr) return 0;
  std::vector<w32test::FontFamilySpec> list;
  {
    FontFamilies& f = fontFamilies();
    std::lock_guard<std::mutex> g(f.mutex);
    list = f.list;
  }
  int result = 1;
  for (const w32test::FontFamilySpec& face : list) {
    if (family != nullptr && face.face != std::u16string(family)) continue;
    LOGFONTW font{};
    const size_t n = face.face.size() < LF_FACESIZE - 1 ? face.face.size() : LF_FACESIZE - 1;
    for (size_t i = 0; i < n; ++i) font.lfFaceName[i] = face.face[i];
    font.lfCharSet = face.charSet;
    font.lfHeight = 16;
    TEXTMETRICW metrics{};
    metrics.tmHeight = 16;
    metrics.tmCharSet = face.charSet;
    result = procedure(&font, &metrics, face.fontType, lParam);
    if (result == 0) break;
  }
  return result;
}

namespace w32test {

void SetFontFamilies(std::vector<FontFamilySpec> families) {
  FontFamilies& f = fontFamilies();
  std::lock_guard<std::mutex> g(f.mutex);
  f.list = std::move(families);
}

}  // namespace w32test

namespace w32detail {

HFONT CreateFontObject(const LOGFONTW& font) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto f = std::make_unique<Font>();
  f->log = font;
  HGDIOBJ h = reinterpret_cast<HGDIOBJ>(s.next);
  s.next += 0x10;
  s.fonts[h] = std::move(f);
  return static_cast<HFONT>(h);
}

bool FontDescription(HGDIOBJ font, LOGFONTW* out) {
  GdiState& s = gdiState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.fonts.find(font);
  if (it == s.fonts.end()) return false;
  if (out) *out = it->second->log;
  return true;
}

}  // namespace w32detail
