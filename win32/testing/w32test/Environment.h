// The testing interface of the stand-in, part Environment: see "w32test/Testing.h".
#pragma once

#include "win32/Environment.h"
#include "w32test/Kernel.h"

namespace w32test {
// Sets (or with a null value removes) a variable; Reset() empties the
// environment.
void SetEnvironment(LPCWSTR name, LPCWSTR value);
// Defaults: "User" and "WORKSTATION".
void SetUserName(LPCWSTR name);
void SetComputerName(LPCWSTR name);
}  // namespace w32test
