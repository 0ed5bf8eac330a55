// The C runtime's locale-dependent calls as the module sees them on its
// platform: the locale is a Windows code page (".ACP" is the ANSI code page of
// the stand-in, 1252 unless a test sets another), wide characters are 16-bit
// units, and nothing depends on the host's locale or on the size of wchar_t.
#pragma once

#include <cstddef>

#include "win32/Types.h"

namespace crt {

// ---- Locale ------------------------------------------------------------
// Selects the code page of the multibyte and character-class calls below:
// "C" (the initial locale, plain ASCII rules), ".ACP" (the ANSI code page) or
// ".<number>". Returns the new locale's name, or null when it is refused.
const char* setlocale(const char* locale);
// The code page of the current locale; 0 for the "C" locale.
UINT CurrentCodePage();
// The longest multibyte character of the current locale in bytes.
int mb_cur_max();

// ---- Narrow characters under the current locale -------------------------
int tolower(int c);
int toupper(int c);
int isspace(int c);
// Length of the multibyte character at s, 0 for NUL, -1 when invalid or
// incomplete within n bytes. mblen(nullptr, 0) resets the shift state and
// returns 0 (no code page of the platform is stateful).
int mblen(const char* s, size_t n);
int strcoll(const char* a, const char* b);
size_t strxfrm(char* dst, const char* src, size_t n);

// ---- Conversions under the current locale -------------------------------
// Converts at most `bytes` bytes of src (stopping at a NUL) into at most
// `capacity` 16-bit characters of dst. Returns the number of characters
// written, or (size_t)-1 when the text is not a valid multibyte sequence.
size_t mbstowcs_n(WCHAR* dst, size_t capacity, const char* src, size_t bytes);
// Converts the NUL-terminated wide text into at most n bytes of dst (dst may
// be null to count). Returns the bytes written (without the NUL) or
// (size_t)-1 when a character has no representation.
size_t wcstombs(char* dst, const WCHAR* src, size_t n);

// ---- 16-bit wide text ---------------------------------------------------
size_t wcslen(const WCHAR* s);
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
const WCHAR* wcspbrk(const WCHAR* s, const WCHAR* set);
int wcscmp(const WCHAR* a, const WCHAR* b);
WCHAR towlower(WCHAR c);
WCHAR towupper(WCHAR c);
int iswspace(WCHAR c);
int wcscoll(const WCHAR* a, const WCHAR* b);
size_t wcsxfrm(WCHAR* dst, const WCHAR* src, size_t n);

}  // namespace crt
