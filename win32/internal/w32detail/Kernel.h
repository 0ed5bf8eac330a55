// Internal to the stand-in (Kernel): on no include path but the stand-in's own.
#pragma once

#include <mutex>

#include "win32/Kernel.h"
#include "w32test/Kernel.h"

namespace w32detail {
// Ends the calling thread with the exit code, unwinding its stack. Only
// threads started by CreateThread or _beginthreadex can end this way.
[[noreturn]] void ExitCurrentThread(DWORD exitCode);

// The loader's lock: held while a module's DllMain runs, and taken for good
// when the process begins to end, so a module is never detached while the
// exit tears down its statics, nor half-way when the exit begins.
std::recursive_mutex& LoaderLock();
}  // namespace w32detail
