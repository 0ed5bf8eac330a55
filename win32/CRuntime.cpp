#include "win32/CRuntime.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "win32/CodePage.h"
#include "w32detail/CodePage.h"
#include "w32detail/Platform.h"

namespace crt {

namespace {

// One locale: its code page and the byte tables derived from it. Locales are
// built once per code page and never freed, so a pointer to the current one
// stays valid while another thread switches.
struct Locale {
  UINT codePage = 0;  // 0: the "C" locale
  std::string name;
  w32detail::CodePageLayout layout;
  unsigned char lower[256];
  unsigned char upper[256];
  bool space[256];
};

bool AsciiSpace(int b) { return b == ' ' || (b >= 9 && b <= 13); }

Locale* MakeCLocale() {
  Locale* l = new Locale;
  l->name = "C";
  for (int b = 0; b < 256; ++b) {
    l->layout.single[b] = true;
    l->layout.unicode[b] = static_cast<WCHAR>(b);
    l->lower[b] = static_cast<unsigned char>((b >= 'A' && b <= 'Z') ? b + 32 : b);
    l->upper[b] = static_cast<unsigned char>((b >= 'a' && b <= 'z') ? b - 32 : b);
    l->space[b] = AsciiSpace(b);
  }
  return l;
}

Locale* CLocale() {
  static Locale* c = MakeCLocale();
  return c;
}

std::atomic<Locale*> g_current{nullptr};
std::once_flag g_resetRegistered;

Locale* Current() {
  Locale* l = g_current.load(std::memory_order_acquire);
  return l ? l : CLocale();
}

// The byte of the code page that is the character u on its own, or -1.
int ByteOf(const Locale& l, WCHAR u) {
  for (int b = 0; b < 256; ++b)
    if (l.layout.single[b] && l.layout.unicode[b] == u) return b;
  return -1;
}

Locale* LocaleFor(UINT cp) {
  static std::mutex mutex;
  static auto* built = new std::map<UINT, Locale*>;
  std::lock_guard<std::mutex> g(mutex);
  auto it = built->find(cp);
  if (it != built->end()) return it->second;
  Locale* l = new Locale;
  if (!w32detail::GetCodePageLayout(cp, &l->layout)) {
    delete l;
    return nullptr;
  }
  l->codePage = cp;
  l->name = "." + std::to_string(cp);
  for (int b = 0; b < 256; ++b) {
    l->lower[b] = l->upper[b] = static_cast<unsigned char>(b);
    l->space[b] = false;
    if (!l->layout.single[b]) continue;
    WCHAR u = l->layout.unicode[b];
    l->space[b] = iswspace(u) != 0;
    int lo = ByteOf(*l, towlower(u));
    int up = ByteOf(*l, towupper(u));
    if (lo >= 0) l->lower[b] = static_cast<unsigned char>(lo);
    if (up >= 0) l->upper[b] = static_cast<unsigned char>(up);
  }
  built->emplace(cp, l);
  return l;
}

// Runs f on the byte that c stands for and gives the result back in c's form.
template <typename F>
int ByteCall(int c, F f) {
  if (c >= 0 && c <= 255) return f(c);
  if (c >= -128 && c <= -2) return static_cast<signed char>(f(c & 0xFF));
  return c;  // EOF and values that are no byte
}

// Code-point order of 16-bit units: surrogates (pairs stand for U+10000 and
// above) sort after U+E000-U+FFFF. The key is never 0 for a unit that is not.
WCHAR CollationUnit(WCHAR u) {
  if (u < 0xD800) return u;
  return static_cast<WCHAR>(u < 0xE000 ? u + 0x2000 : u - 0x800);
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// The text under the current code page as Unicode, invalid bytes as U+FFFD.
std::u16string Widen(const Locale& l, const char* s) {
  std::u16string out;
  w32detail::CodePageToUtf16(l.codePage, s, std::strlen(s), false, &out);
  return out;
}

// The capitals of the Cyrillic letters U+0460-U+04FF that come in pairs,
// capital first.
bool CyrillicPairUpper(unsigned u) {
  if ((u >= 0x460 && u <= 0x480) || (u >= 0x48A && u <= 0x4BE) || (u >= 0x4D0 && u <= 0x4FE)) return u % 2 == 0;
  if (u >= 0x4C1 && u <= 0x4CD) return u % 2 == 1;
  return false;
}

bool IsHigh(WCHAR u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(WCHAR u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

// ---- Locale ------------------------------------------------------------

const char* setlocale(const char* locale) {
  if (!locale) return Current()->name.c_str();
  std::call_once(g_resetRegistered, [] {
    w32detail::RegisterReset([] { g_current.store(nullptr, std::memory_order_release); });
  });
  Locale* chosen = nullptr;
  if (std::strcmp(locale, "C") == 0) {
    chosen = CLocale();
  } else if (std::strcmp(locale, ".ACP") == 0) {
    chosen = LocaleFor(GetACP());
  } else if (locale[0] == '.' && locale[1]) {
    UINT cp = 0;
    size_t i = 1;
    for (; locale[i] >= '0' && locale[i] <= '9' && i <= 5; ++i) cp = cp * 10 + static_cast<UINT>(locale[i] - '0');
    if (locale[i] == 0 && cp > CP_OEMCP) chosen = LocaleFor(cp);
  }
  if (!chosen) return nullptr;
  g_current.store(chosen, std::memory_order_release);
  return chosen->name.c_str();
}

UINT CurrentCodePage() { return Current()->codePage; }

int mb_cur_max() { return Current()->layout.maxCharSize; }

// ---- Narrow characters ---------------------------------------------------

int tolower(int c) {
  const Locale* l = Current();
  return ByteCall(c, [l](int b) { return static_cast<int>(l->lower[b]); });
}

int toupper(int c) {
  const Locale* l = Current();
  return ByteCall(c, [l](int b) { return static_cast<int>(l->upper[b]); });
}

int isspace(int c) {
  if (c == -1 || c < -128 || c > 255) return 0;
  return Current()->space[c & 0xFF] ? 1 : 0;
}

int mblen(const char* s, size_t n) {
  if (!s) return 0;
  if (n == 0) return -1;
  if (*s == 0) return 0;
  const Locale* l = Current();
  unsigned char b = static_cast<unsigned char>(*s);
  if (l->layout.single[b]) return 1;
  size_t k = 0;
  if (l->codePage == CP_UTF8) {
    k = (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3 : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
  } else if (l->layout.lead[b]) {
    k = 2;
  }
  if (k == 0 || n < k || std::memchr(s, 0, k)) return -1;
  std::u16string out;
  if (!w32detail::CodePageToUtf16(l->codePage, s, k, true, &out) || out.empty()) return -1;
  return static_cast<int>(k);
}

int strcoll(const char* a, const char* b) {
  const Locale* l = Current();
  if (l->codePage == 0) return Sign(std::strcmp(a, b));
  std::u16string wa = Widen(*l, a), wb = Widen(*l, b);
  return wcscoll(wa.c_str(), wb.c_str());
}

size_t strxfrm(char* dst, const char* src, size_t n) {
  const Locale* l = Current();
  if (l->codePage == 0) {
    size_t len = std::strlen(src);
    if (dst && len < n) std::memcpy(dst, src, len + 1);
    return len;
  }
  // Three bytes per unit, none of them 0, in the order of the units' keys.
  std::u16string w = Widen(*l, src);
  size_t len = 3 * w.size();
  if (dst && len < n) {
    for (size_t i = 0; i < w.size(); ++i) {
      unsigned k = CollationUnit(w[i]);
      dst[3 * i] = static_cast<char>((k >> 12) + 1);
      dst[3 * i + 1] = static_cast<char>(((k >> 6) & 0x3F) + 1);
      dst[3 * i + 2] = static_cast<char>((k & 0x3F) + 1);
    }
    dst[len] = 0;
  }
  return len;
}

// ---- Conversions -------------------------------------------------------

size_t mbstowcs_n(WCHAR* dst, size_t capacity, const char* src, size_t bytes) {
  const void* nul = std::memchr(src, 0, bytes);
  size_t len = nul ? static_cast<size_t>(static_cast<const char*>(nul) - src) : bytes;
  const Locale* l = Current();
  if (l->codePage == 0) {
    if (!dst) return len;
    size_t m = len < capacity ? len : capacity;
    for (size_t i = 0; i < m; ++i) dst[i] = static_cast<unsigned char>(src[i]);
    return m;
  }
  std::u16string out;
  if (!w32detail::CodePageToUtf16(l->codePage, src, len, true, &out)) return static_cast<size_t>(-1);
  if (!dst) return out.size();
  size_t m = out.size() < capacity ? out.size() : capacity;
  if (m > 0 && m < out.size() && IsHigh(out[m - 1])) --m;  // never split a surrogate pair
  std::memcpy(dst, out.data(), m * sizeof(WCHAR));
  return m;
}

size_t wcstombs(char* dst, const WCHAR* src, size_t n) {
  const Locale* l = Current();
  size_t written = 0;
  std::string piece;
  size_t i = 0;
  while (src[i]) {
    size_t units = 1;
    if (l->codePage == 0) {
      if (src[i] > 0xFF) return static_cast<size_t>(-1);
      piece.assign(1, static_cast<char>(src[i]));
    } else {
      if (IsHigh(src[i]) && IsLow(src[i + 1])) {
        units = 2;
      } else if (IsHigh(src[i]) || IsLow(src[i])) {
        return static_cast<size_t>(-1);  // an unpaired surrogate
      }
      bool used = false;
      if (!w32detail::Utf16ToCodePage(l->codePage, src + i, units, '?', &piece, &used) || used)
        return static_cast<size_t>(-1);
    }
    if (dst) {
      if (written + piece.size() > n) break;
      std::memcpy(dst + written, piece.data(), piece.size());
    }
    written += piece.size();
    i += units;
  }
  // The NUL ends the output only when the whole text went in.
  if (dst && !src[i] && written < n) dst[written] = 0;
  return written;
}

// ---- 16-bit wide text ----------------------------------------------------

size_t wcslen(const WCHAR* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c) {
  for (;; ++s) {
    if (*s == c) return s;
    if (!*s) return nullptr;
  }
}

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c) {
  const WCHAR* r = nullptr;
  for (;; ++s) {
    if (*s == c) r = s;
    if (!*s) return r;
  }
}

const WCHAR* wcspbrk(const WCHAR* s, const WCHAR* set) {
  for (; *s; ++s)
    for (const WCHAR* t = set; *t; ++t)
      if (*t == *s) return s;
  return nullptr;
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a < *b ? -1 : (*a > *b ? 1 : 0);
}

WCHAR towlower(WCHAR c) {
  unsigned u = c;
  if (u < 0x80) return static_cast<WCHAR>((u >= 'A' && u <= 'Z') ? u + 0x20 : u);
  if (u < 0x100) return static_cast<WCHAR>((u >= 0xC0 && u <= 0xDE && u != 0xD7) ? u + 0x20 : u);
  if (u <= 0x17F) {
    if (u == 0x130) return c;  // its lower case is two characters
    if (u == 0x178) return 0xFF;
    bool upperIsEven = (u <= 0x137) || (u >= 0x14A && u <= 0x177);
    bool upperIsOdd = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
    if ((upperIsEven && u % 2 == 0) || (upperIsOdd && u % 2 == 1)) return static_cast<WCHAR>(u + 1);
    return c;
  }
  if (u == 0x386) return 0x3AC;
  if (u >= 0x388 && u <= 0x38A) return static_cast<WCHAR>(u + 0x25);
  if (u == 0x38C) return 0x3CC;
  if (u == 0x38E || u == 0x38F) return static_cast<WCHAR>(u + 0x3F);
  if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) return static_cast<WCHAR>(u + 0x20);
  if (u >= 0x400 && u <= 0x40F) return static_cast<WCHAR>(u + 0x50);
  if (u >= 0x410 && u <= 0x42F) return static_cast<WCHAR>(u + 0x20);
  if (u == 0x4C0) return 0x4CF;
  if (CyrillicPairUpper(u)) return static_cast<WCHAR>(u + 1);
  return c;
}

WCHAR towupper(WCHAR c) {
  unsigned u = c;
  if (u < 0x80) return static_cast<WCHAR>((u >= 'a' && u <= 'z') ? u - 0x20 : u);
  if (u < 0x100) {
    if (u == 0xB5) return 0x39C;  // micro sign: Greek capital mu
    if (u == 0xFF) return 0x178;
    return static_cast<WCHAR>((u >= 0xE0 && u <= 0xFE && u != 0xF7) ? u - 0x20 : u);
  }
  if (u <= 0x17F) {
    if (u == 0x131) return 0x49;  // dotless i
    if (u == 0x17F) return 0x53;  // long s
    bool lowerIsOdd = (u <= 0x137) || (u >= 0x14A && u <= 0x177);
    bool lowerIsEven = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
    if ((lowerIsOdd && u % 2 == 1) || (lowerIsEven && u % 2 == 0))
      return static_cast<WCHAR>(u - 1);
    return c;
  }
  if (u == 0x3AC) return 0x386;
  if (u >= 0x3AD && u <= 0x3AF) return static_cast<WCHAR>(u - 0x25);
  if (u == 0x3CC) return 0x38C;
  if (u == 0x3CD || u == 0x3CE) return static_cast<WCHAR>(u - 0x3F);
  if (u == 0x3C2) return 0x3A3;  // final sigma
  if (u >= 0x3B1 && u <= 0x3CB) return static_cast<WCHAR>(u - 0x20);
  if (u >= 0x430 && u <= 0x44F) return static_cast<WCHAR>(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return static_cast<WCHAR>(u - 0x50);
  if (u == 0x4CF) return 0x4C0;
  if (u > 0x460 && CyrillicPairUpper(u - 1)) return static_cast<WCHAR>(u - 1);
  return c;
}

int iswspace(WCHAR c) {
  unsigned u = c;
  return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x85 || u == 0xA0 || u == 0x1680 ||
                 (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x205F ||
                 u == 0x3000
             ? 1
             : 0;
}

int wcscoll(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) ++a, ++b;
  WCHAR ka = *a ? CollationUnit(*a) : 0, kb = *b ? CollationUnit(*b) : 0;
  return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

size_t wcsxfrm(WCHAR* dst, const WCHAR* src, size_t n) {
  size_t len = wcslen(src);
  if (dst && len < n) {
    for (size_t i = 0; i < len; ++i) dst[i] = CollationUnit(src[i]);
    dst[len] = 0;
  }
  return len;
}

}  // namespace crt
