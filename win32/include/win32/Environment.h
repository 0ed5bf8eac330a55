// The process environment and the names of the user and the computer, as the
// stand-in answers them: an in-memory environment that tests fill (the host's
// own environment is never read) and settable names.
#pragma once

#include "win32/Kernel.h"

// Names compare without regard to case. The result is the length without
// the terminator when the value fits, else the size needed with it; 0 and
// ERROR_ENVVAR_NOT_FOUND when the variable is not set.
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
// A null value removes the variable.
BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value);

// On success *size is the length with the terminator; when the buffer is too
// small, ERROR_INSUFFICIENT_BUFFER and *size is the size needed.
BOOL GetUserNameW(LPWSTR buffer, LPDWORD size);
// On success *size is the length without the terminator; when the buffer is
// too small, ERROR_BUFFER_OVERFLOW and *size is the size needed.
BOOL GetComputerNameW(LPWSTR buffer, LPDWORD size);

namespace crt {
// The C runtime's getenv over the same environment, in the ANSI code page.
// The text stays valid until the variable is changed or removed.
const char* getenv(const char* name);
}  // namespace crt
