#include "win32/CodePage.h"
#include "w32detail/CodePage.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"

namespace {

constexpr UINT kDefaultAnsiCodePage = 1252;
constexpr UINT kDefaultOemCodePage = 437;

std::atomic<UINT> g_acp{kDefaultAnsiCodePage};
std::atomic<UINT> g_oemcp{kDefaultOemCodePage};
std::once_flag g_resetRegistered;

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The iconv name of a concrete code page.
std::string IconvName(UINT cp) {
  switch (cp) {
    case 65001: return "UTF-8";
    case 20127: return "ANSI_X3.4-1968";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    default: break;
  }
  if (cp >= 28591 && cp <= 28599) return "ISO-8859-" + std::to_string(cp - 28590);
  return "CP" + std::to_string(cp);
}

// iconv descriptors are stateful and not shareable between threads: each
// thread keeps its own, opened on first use per code page and direction.
struct ConverterCache {
  std::map<std::pair<UINT, bool>, iconv_t> open;
  ~ConverterCache() {
    for (auto& entry : open)
      if (entry.second != kNoConverter) iconv_close(entry.second);
  }
};

// The thread's converter, reset to its initial state; kNoConverter when
// iconv does not know the code page.
iconv_t Converter(UINT cp, bool toUnicode) {
  thread_local ConverterCache cache;
  auto key = std::make_pair(cp, toUnicode);
  auto it = cache.open.find(key);
  if (it != cache.open.end()) {
    if (it->second != kNoConverter) iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    return it->second;
  }
  std::string name = IconvName(cp);
  iconv_t cd = toUnicode ? iconv_open("UTF-16LE", name.c_str()) : iconv_open(name.c_str(), "UTF-16LE");
  cache.open.emplace(key, cd);
  return cd;
}

bool IsKnown(UINT cp) { return cp > CP_OEMCP && Converter(cp, true) != kNoConverter; }

// Bytes of one UTF-16LE output chunk become 16-bit units.
void AppendUnits(const char* bytes, size_t count, std::u16string* out) {
  for (size_t i = 0; i + 1 < count; i += 2)
    out->push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
}

// Length of the invalid UTF-8 stretch at p that one U+FFFD replaces: the
// longest start of a well-formed sequence, at least one byte.
size_t Utf8InvalidRun(const unsigned char* p, size_t n) {
  unsigned char b = p[0];
  size_t need;
  unsigned lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 1;
  }
  size_t i = 1;
  for (; i <= need && i < n; ++i) {
    if (p[i] < lo || p[i] > hi) break;
    lo = 0x80;
    hi = 0xBF;
  }
  return i;
}

}  // namespace

UINT GetACP() { return g_acp.load(); }

UINT GetOEMCP() { return g_oemcp.load(); }

namespace w32test {
namespace {
void RegisterCodePageReset() {
  std::call_once(g_resetRegistered, [] {
    w32detail::RegisterReset([] {
      g_acp.store(kDefaultAnsiCodePage);
      g_oemcp.store(kDefaultOemCodePage);
    });
  });
}
}  // namespace

void SetAnsiCodePage(UINT codePage) {
  RegisterCodePageReset();
  g_acp.store(codePage);
}

void SetOemCodePage(UINT codePage) {
  RegisterCodePageReset();
  g_oemcp.store(codePage);
}
}  // namespace w32test

namespace w32detail {

UINT ResolveCodePage(UINT codePage) {
  if (codePage == CP_ACP) return GetACP();
  if (codePage == CP_OEMCP) return GetOEMCP();
  return codePage;
}

}  // namespace w32detail

namespace w32test {

bool GetCodePageLayout(UINT codePage, CodePageLayout* layout) {
  UINT cp = w32detail::ResolveCodePage(codePage);
  if (!IsKnown(cp)) return false;
  *layout = CodePageLayout();
  if (cp == CP_UTF8) {
    // UTF-8 has no lead bytes in the code-page sense; only ASCII stands alone.
    layout->maxCharSize = 4;
    for (int b = 0; b < 0x80; ++b) {
      layout->single[b] = true;
      layout->unicode[b] = static_cast<WCHAR>(b);
    }
    return true;
  }
  iconv_t cd = Converter(cp, true);
  for (int b = 0; b < 256; ++b) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[1] = {static_cast<char>(b)};
    char outBytes[8];
    char* ip = in;
    size_t inLeft = 1;
    char* op = outBytes;
    size_t outLeft = sizeof outBytes;
    size_t r = iconv(cd, &ip, &inLeft, &op, &outLeft);
    int err = errno;
    // Code pages with combining marks may hold a character back until the flush.
    if (r != static_cast<size_t>(-1)) iconv(cd, nullptr, nullptr, &op, &outLeft);
    if (r != static_cast<size_t>(-1) && op - outBytes == 2) {
      layout->single[b] = true;
      layout->unicode[b] = static_cast<WCHAR>(static_cast<unsigned char>(outBytes[0]) |
                                              (static_cast<unsigned char>(outBytes[1]) << 8));
    } else if (r == static_cast<size_t>(-1) && err == EINVAL) {
      layout->lead[b] = true;  // a character that needs more bytes starts here
      layout->maxCharSize = 2;
    }
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  return true;
}

}  // namespace w32test

namespace w32detail {

bool CodePageToUtf16(UINT codePage, const char* src, size_t bytes, bool strict, std::u16string* out) {
  UINT cp = ResolveCodePage(codePage);
  out->clear();
  if (!IsKnown(cp)) return false;
  iconv_t cd = Converter(cp, true);
  char* in = const_cast<char*>(src);
  size_t inLeft = bytes;
  char chunk[1024];
  while (inLeft > 0) {
    char* op = chunk;
    size_t outLeft = sizeof chunk;
    size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
    int err = errno;
    AppendUnits(chunk, static_cast<size_t>(op - chunk), out);
    if (r != static_cast<size_t>(-1)) break;
    if (err == E2BIG) continue;
    if (err != EILSEQ && err != EINVAL) return false;
    if (strict) return false;
    // An invalid or incomplete character: one U+FFFD, then go on after it.
    size_t skip = cp == CP_UTF8 ? Utf8InvalidRun(reinterpret_cast<unsigned char*>(in), inLeft) : 1;
    out->push_back(0xFFFD);
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* op = chunk;
  size_t outLeft = sizeof chunk;
  iconv(cd, nullptr, nullptr, &op, &outLeft);
  AppendUnits(chunk, static_cast<size_t>(op - chunk), out);
  return true;
}

bool Utf16ToCodePage(UINT codePage, const WCHAR* src, size_t units, char defaultChar, std::string* out,
                     bool* usedDefault) {
  UINT cp = ResolveCodePage(codePage);
  out->clear();
  *usedDefault = false;
  if (!IsKnown(cp)) return false;
  iconv_t cd = Converter(cp, false);
  // The input as its little-endian byte image, whatever the host's order.
  std::string image(units * 2, '\0');
  for (size_t i = 0; i < units; ++i) {
    image[2 * i] = static_cast<char>(src[i] & 0xFF);
    image[2 * i + 1] = static_cast<char>(src[i] >> 8);
  }
  char* in = image.data();
  size_t inLeft = image.size();
  char chunk[1024];
  while (inLeft > 0) {
    char* op = chunk;
    size_t outLeft = sizeof chunk;
    size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
    int err = errno;
    out->append(chunk, static_cast<size_t>(op - chunk));
    if (r != static_cast<size_t>(-1)) break;
    if (err == E2BIG) continue;
    if (err != EILSEQ && err != EINVAL) return false;
    // The unit at `in` (with its partner when it starts a valid pair) has no
    // representation, or is an unpaired surrogate.
    size_t at = static_cast<size_t>(in - image.data()) / 2;
    size_t skip = 1;
    if (src[at] >= 0xD800 && src[at] <= 0xDBFF && at + 1 < units && src[at + 1] >= 0xDC00 &&
        src[at + 1] <= 0xDFFF)
      skip = 2;
    if (cp == CP_UTF8) {
      out->append("\xEF\xBF\xBD");
    } else {
      out->push_back(defaultChar);
      *usedDefault = true;
    }
    in += 2 * skip;
    inLeft -= 2 * skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* op = chunk;
  size_t outLeft = sizeof chunk;
  iconv(cd, nullptr, nullptr, &op, &outLeft);
  out->append(chunk, static_cast<size_t>(op - chunk));
  return true;
}

}  // namespace w32detail

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst, int dstChars) {
  if (w32detail::ShouldFail("MultiByteToWideChar")) return 0;
  UINT cp = w32detail::ResolveCodePage(codePage);
  if (!src || srcBytes == 0 || srcBytes < -1 || dstChars < 0 || (dstChars > 0 && !dst) || !IsKnown(cp)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t bytes = srcBytes == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcBytes);
  std::u16string out;
  if (!w32detail::CodePageToUtf16(cp, src, bytes, (flags & MB_ERR_INVALID_CHARS) != 0, &out)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (out.size() > static_cast<size_t>(INT_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int needed = static_cast<int>(out.size());
  if (dstChars == 0) return needed;
  if (needed > dstChars) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dst, out.data(), out.size() * sizeof(WCHAR));
  return needed;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst, int dstBytes,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  if (w32detail::ShouldFail("WideCharToMultiByte")) return 0;
  UINT cp = w32detail::ResolveCodePage(codePage);
  if (!src || srcChars == 0 || srcChars < -1 || dstBytes < 0 || (dstBytes > 0 && !dst) || !IsKnown(cp) ||
      (cp == CP_UTF8 && (defaultChar || usedDefaultChar))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t units = 0;
  if (srcChars == -1) {
    while (src[units]) ++units;
    ++units;  // the NUL is converted too
  } else {
    units = static_cast<size_t>(srcChars);
  }
  std::string out;
  bool used = false;
  w32detail::Utf16ToCodePage(cp, src, units, defaultChar ? defaultChar[0] : '?', &out, &used);
  if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
  if (out.size() > static_cast<size_t>(INT_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int needed = static_cast<int>(out.size());
  if (dstBytes == 0) return needed;
  if (needed > dstBytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dst, out.data(), out.size());
  return needed;
}
