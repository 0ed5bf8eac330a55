// Window-manager calls of the stand-in. There is no screen: a message box is
// recorded for the tests and answered from their script.
#pragma once

#include "win32/Types.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_ICONERROR 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define MB_TASKMODAL 0x00002000L
#define MB_RIGHT 0x00080000L
#define MB_RTLREADING 0x00100000L

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
