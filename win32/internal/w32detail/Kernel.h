// Internal to the stand-in (Kernel): on no include path but the stand-in's own.
#pragma once

#include "win32/Kernel.h"
#include "w32test/Kernel.h"

namespace w32detail {
// Ends the calling thread with the exit code, unwinding its stack. Only
// threads started by CreateThread or _beginthreadex can end this way.
[[noreturn]] void ExitCurrentThread(DWORD exitCode);
}  // namespace w32detail
