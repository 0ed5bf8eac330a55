// Code-page conversion of the stand-in (MultiByteToWideChar,
// WideCharToMultiByte), on top of iconv. The ANSI code page is settable
// through the testing interface and is 1252 by default.
//
// Code pages: CP_ACP is the ANSI code page, CP_OEMCP the OEM code page (437
// unless a test sets another), 65001 is UTF-8,
// 20127 US-ASCII, 28591-28599 ISO-8859-1..9, 20866 KOI8-R, 21866 KOI8-U;
// any other number n is iconv's "CPn" (1250-1258, 874, 932, 936, 949, 437,
// 850 and so on). A code page iconv does not know is refused with
// ERROR_INVALID_PARAMETER. Bytes that iconv's table of a code page leaves
// undefined (for instance 0x81 in 1252) are invalid input. There is no
// best-fit mapping: a character the code page cannot hold becomes the
// default character, as with WC_NO_BEST_FIT_CHARS.
#pragma once

#include <string>

#include "win32/Types.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

UINT GetACP();
UINT GetOEMCP();
// Converts srcBytes bytes of src (-1: up to and including its NUL) to UTF-16.
// dstChars 0 returns the number of characters needed. Invalid bytes become
// U+FFFD, or fail with ERROR_NO_UNICODE_TRANSLATION under
// MB_ERR_INVALID_CHARS. A buffer too small fails with
// ERROR_INSUFFICIENT_BUFFER; bad arguments or an unknown code page with
// ERROR_INVALID_PARAMETER. Failures return 0.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst, int dstChars);
// Converts srcChars 16-bit units of src (-1: up to and including its NUL) to
// the code page. dstBytes 0 returns the number of bytes needed. A character
// the code page cannot hold (or an unpaired surrogate) becomes the first byte
// of defaultChar, '?' when it is null, and sets *usedDefaultChar; for UTF-8 an
// unpaired surrogate becomes U+FFFD, and defaultChar and usedDefaultChar must
// be null. Errors as for MultiByteToWideChar.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst, int dstBytes,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);
