// The testing interface of the stand-in, part Kernel: see "w32test/Testing.h".
#pragma once

#include "win32/Kernel.h"

namespace w32test {
// Number of open kernel handles (semaphores, threads, files, searches), for
// tests that check that every handle is closed.
size_t OpenHandleCount();
// Moves GetTickCount forward, as if that much time had passed.
void AdvanceTickCount(DWORD milliseconds);
}  // namespace w32test
