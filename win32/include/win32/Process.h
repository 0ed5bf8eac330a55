// Starting programs: WinExec records the command line instead of running
// anything, so tests can see what the module would have started.
#pragma once

#include <string>
#include <vector>

#include "win32/Types.h"

#ifndef SW_HIDE
#define SW_HIDE 0
#endif
#ifndef SW_SHOWNORMAL
#define SW_SHOWNORMAL 1
#endif

// Records the command line and answers 33 (a started program). A failure
// made through w32test::FailCall("WinExec", code) answers the code (Windows
// answers an error below 32: 0, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND).
UINT WinExec(LPCSTR commandLine, UINT showCommand);
