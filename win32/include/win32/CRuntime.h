// The C runtime's locale-dependent calls as the module sees them on its
// platform: the locale is a Windows code page (".ACP" is the ANSI code page of
// the stand-in, 1252 unless a test sets another), wide characters are 16-bit
// units, and nothing depends on the host's locale or on the size of wchar_t.
//
// Case mapping and white space of 16-bit units come from our own tables.
// Case mapping covers U+0000-U+017F (ASCII, Latin-1 Supplement, Latin
// Extended-A), Greek U+0386-U+03CE and Cyrillic U+0400-U+04FF, with the
// simple one-to-one mappings (a character whose other case is more than one
// character, such as U+00DF or U+0130, is left as it is); every other unit is
// its own lower and upper case. Wide white space is U+0009-U+000D, U+0020,
// U+0085, U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F and
// U+3000.
//
// In the "C" locale every byte is one character of the same value; case and
// white space follow ASCII. Under a code page, a byte that is a character on
// its own is mapped to Unicode, classified or case-mapped there, and mapped
// back when the result is one byte of the code page. Double-byte code pages
// (932, 936, 949, 950) have characters of at most two bytes, UTF-8 of four.
//
// Collation is a simple deterministic order: wide text in code-point order;
// narrow text in the order of its characters' Unicode values under the
// current code page, and in byte order in the "C" locale.
#pragma once

#include <cstddef>

#include "win32/Types.h"

namespace crt {

// ---- Locale ------------------------------------------------------------
// Selects the code page of the multibyte and character-class calls below:
// "C" (the initial locale, plain ASCII rules), ".ACP" (the ANSI code page at
// the time of the call) or ".<number>". Returns the new locale's name ("C" or
// ".<code page>"), or null when it is refused (the locale is unchanged). A
// null argument returns the current name. w32test::Reset() restores "C".
const char* setlocale(const char* locale);
// The code page of the current locale; 0 for the "C" locale.
UINT CurrentCodePage();
// The longest multibyte character of the current locale in bytes.
int mb_cur_max();

// ---- Narrow characters under the current locale -------------------------
// c is a byte value 0-255 or EOF (-1). A negative value -128..-2 (a char with
// bit 7 set passed straight) is taken as that byte and the result is given
// back the same way, so both conventions of callers agree.
int tolower(int c);
int toupper(int c);
int isspace(int c);
// Length of the multibyte character at s, 0 for NUL, -1 when invalid or
// incomplete within n bytes. mblen(nullptr, 0) resets the shift state and
// returns 0 (no code page of the platform is stateful).
int mblen(const char* s, size_t n);
int strcoll(const char* a, const char* b);
// Writes the transform of src (with its NUL) to dst only when it fits in n
// bytes; returns the transform's length without the NUL in any case.
size_t strxfrm(char* dst, const char* src, size_t n);

// ---- Conversions under the current locale -------------------------------
// Converts at most `bytes` bytes of src (stopping at a NUL) into at most
// `capacity` 16-bit characters of dst. Returns the number of characters
// written, or (size_t)-1 when the text is not a valid multibyte sequence.
// dst may be null to count the characters.
size_t mbstowcs_n(WCHAR* dst, size_t capacity, const char* src, size_t bytes);
// Converts the NUL-terminated wide text into at most n bytes of dst (dst may
// be null to count). Returns the bytes written (without the NUL) or
// (size_t)-1 when a character has no representation. A character that does
// not fit whole ends the conversion; the NUL follows only when the whole
// text was converted and there is room for it.
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
// As strxfrm, counted in 16-bit units.
size_t wcsxfrm(WCHAR* dst, const WCHAR* src, size_t n);

}  // namespace crt
