// Window-manager calls of the stand-in. There is no screen: a message box is
// recorded for the tests and answered from their script.
#pragma once

#include "win32/Types.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_ICONERROR 0x00000010L
#define MB_ICONSTOP MB_ICONERROR
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONEXCLAMATION MB_ICONWARNING
#define MB_ICONINFORMATION 0x00000040L
#define MB_TASKMODAL 0x00002000L
#define MB_RIGHT 0x00080000L
#define MB_RTLREADING 0x00100000L

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// The system's arrow cursor, as the resource name LoadCursorW takes with a
// null module.
#define IDC_ARROW ((LPCWSTR)(ULONG_PTR)32512)

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Cursors: there is no screen, so a cursor is a handle that stands for its
// resource and the current cursor is what SetCursor was last given. A
// module's cursor (an integer id) is found in its loaded entry; the same
// module and id give the same handle, as a shared resource does. A null
// module names the system's cursors, of which the arrow is offered. Null with
// ERROR_RESOURCE_DATA_NOT_FOUND for a module that is not loaded and
// ERROR_RESOURCE_NAME_NOT_FOUND for a cursor it lacks.
HCURSOR LoadCursorW(HINSTANCE module, LPCWSTR name);
// Makes the cursor current (null hides it); the one it replaces.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
