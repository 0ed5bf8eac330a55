// The new-handler's last resort: the driver server releases what it can;
// when it can free nothing the server is shut down and the process ends
// with the out-of-memory error.
#pragma once

// Returns when something was freed. Otherwise reports error 101 after the
// driver server's critical shut-down; should the fatal-error report return
// (a test handler is installed), the allocation is failed with
// std::bad_alloc instead of being retried for ever.
void ReleaseMemoryOrFail();
