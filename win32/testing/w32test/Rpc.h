// The testing interface of the stand-in, part Rpc: see "w32test/Testing.h".
#pragma once

#include "win32/Rpc.h"

namespace w32test {
// The next UuidCreate calls answer the queued values, first in first out.
// Reset() empties the queue and restarts the counted sequence.
void QueueUuid(const UUID& uuid);
}  // namespace w32test
