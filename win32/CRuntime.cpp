// Placeholder: ASCII rules only, until the code-page implementation lands.
#include "win32/CRuntime.h"

#include <cstring>

namespace crt {

const char* setlocale(const char* locale) { return locale; }
UINT CurrentCodePage() { return 0; }
int mb_cur_max() { return 1; }
int tolower(int c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
int toupper(int c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
int isspace(int c) { return c == ' ' || (c >= 9 && c <= 13); }
int mblen(const char* s, size_t n) { return (!s || n == 0) ? 0 : (*s ? 1 : 0); }
int strcoll(const char* a, const char* b) { return std::strcmp(a, b); }
size_t strxfrm(char* dst, const char* src, size_t n) {
  size_t len = std::strlen(src);
  if (dst && len < n) std::memcpy(dst, src, len + 1);
  return len;
}
size_t mbstowcs_n(WCHAR* dst, size_t capacity, const char* src, size_t bytes) {
  size_t i = 0;
  for (; i < bytes && i < capacity && src[i]; ++i) dst[i] = static_cast<unsigned char>(src[i]);
  return i;
}
size_t wcstombs(char* dst, const WCHAR* src, size_t n) {
  size_t i = 0;
  for (; src[i]; ++i) {
    if (src[i] > 0x7F) return static_cast<size_t>(-1);
    if (dst) {
      if (i >= n) break;
      dst[i] = static_cast<char>(src[i]);
    }
  }
  if (dst && i < n) dst[i] = 0;
  return i;
}
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
    if (wcschr(set, *s)) return s;
  return nullptr;
}
int wcscmp(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a < *b ? -1 : (*a > *b ? 1 : 0);
}
WCHAR towlower(WCHAR c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
WCHAR towupper(WCHAR c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
int iswspace(WCHAR c) { return c == ' ' || (c >= 9 && c <= 13); }
int wcscoll(const WCHAR* a, const WCHAR* b) { return wcscmp(a, b); }
size_t wcsxfrm(WCHAR* dst, const WCHAR* src, size_t n) {
  size_t len = wcslen(src);
  if (dst && len < n)
    for (size_t i = 0; i <= len; ++i) dst[i] = src[i];
  return len;
}

}  // namespace crt
