#include "win32/Gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "win32/Kernel.h"
#include "win32/Testing.h"

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
  int bkMode = OPAQUE;
  int charExtra = 0;
  RECT clip{};
  Font* font = nullptr;
};

struct Dc {
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
  uintptr_t next = 0x1000;
};

GdiState& state() {
  static GdiState* s = [] {
    auto* st = new GdiState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->dcs.clear();
      st->fonts.clear();
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
  GdiState& s = state();
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
  GdiState& s = state();
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
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  if (w32detail::ShouldFail("SaveDC")) return 0;
  Dc* d = find(s, dc);
  if (!d) return 0;
  d->saved.push_back(d->state);
  return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
  GdiState& s = state();
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
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || (mode != GM_COMPATIBLE && mode != GM_ADVANCED)) return 0;
  int old = d->state.graphicsMode;
  d->state.graphicsMode = mode;
  return old;
}

static BOOL setOrg(HDC dc, int x, int y, POINT* previous, bool viewport) {
  GdiState& s = state();
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
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return GDI_ERROR;
  UINT old = d->state.textAlign;
  d->state.textAlign = align;
  return old;
}

int SetMapMode(HDC dc, int mode) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || mode < 1 || mode > 8) return 0;
  int old = d->state.mapMode;
  d->state.mapMode = mode;
  return old;
}

int GetMapMode(HDC dc) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  return d ? d->state.mapMode : 0;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->state.textColour;
  d->state.textColour = colour;
  return old;
}

COLORREF GetTextColor(HDC dc) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  return d ? d->state.textColour : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = d->state.bkMode;
  d->state.bkMode = mode;
  return old;
}

int GetBkMode(HDC dc) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  return d ? d->state.bkMode : 0;
}

int SetTextCharacterExtra(HDC dc, int extra) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return static_cast<int>(0x80000000u);
  int old = d->state.charExtra;
  d->state.charExtra = extra;
  return old;
}

int GetTextCharacterExtra(HDC dc) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  return d ? d->state.charExtra : static_cast<int>(0x80000000u);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  GdiState& s = state();
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
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
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
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  Dc* d = find(s, dc);
  if (!d) return nullptr;
  Font* next = nullptr;
  if (!object) return nullptr;
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
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.fonts.find(object);
  if (it == s.fonts.end()) return FALSE;
  // A font still selected into a context cannot be deleted.
  for (auto& [h, d] : s.dcs)
    if (d->state.font == it->second.get()) return FALSE;
  s.fonts.erase(it);
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
  GdiState& s = state();
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
  GdiState& s = state();
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

namespace w32test {

HDC CreateRecordingDC(const DcSetup& setup) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  auto d = std::make_unique<Dc>();
  d->setup = setup;
  d->state.clip = RECT{0, 0, setup.horzRes, setup.vertRes};
  HDC h = reinterpret_cast<HDC>(s.next);
  s.next += 0x10;
  s.dcs[h] = std::move(d);
  return h;
}

const std::vector<DcEvent>& DcEvents(HDC dc) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  return findOrDie(s, dc)->events;
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

void ClearDcEvents(HDC dc) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  findOrDie(s, dc)->events.clear();
}

void ScriptEscape(HDC dc, int code, int result, const std::string& output) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  findOrDie(s, dc)->script[code] = {result, output};
}

int DcSaveDepth(HDC dc) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  return static_cast<int>(findOrDie(s, dc)->saved.size());
}

int LiveFontCount() {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  return static_cast<int>(s.fonts.size());
}

int DcMapMode(HDC dc) { return GetMapMode(dc); }
COLORREF DcTextColour(HDC dc) { return GetTextColor(dc); }
int DcBkMode(HDC dc) { return GetBkMode(dc); }
int DcCharExtra(HDC dc) { return GetTextCharacterExtra(dc); }

}  // namespace w32test

namespace w32detail {

HFONT CreateFontObject(const LOGFONTW& font) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  auto f = std::make_unique<Font>();
  f->log = font;
  HGDIOBJ h = reinterpret_cast<HGDIOBJ>(s.next);
  s.next += 0x10;
  s.fonts[h] = std::move(f);
  return static_cast<HFONT>(h);
}

bool FontDescription(HGDIOBJ font, LOGFONTW* out) {
  GdiState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.fonts.find(font);
  if (it == s.fonts.end()) return false;
  if (out) *out = it->second->log;
  return true;
}

}  // namespace w32detail
