// Code-page conversion of the stand-in (MultiByteToWideChar,
// WideCharToMultiByte), on top of iconv. The ANSI code page is settable
// through the testing interface and is 1252 by default.
#pragma once

#include "win32/Types.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

UINT GetACP();
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst, int dstChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst, int dstBytes,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);

namespace w32test {
// Sets the ANSI code page that CP_ACP and the ".ACP" locale stand for.
void SetAnsiCodePage(UINT codePage);
}  // namespace w32test
