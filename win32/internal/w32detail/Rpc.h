// Internal to the stand-in (Rpc): on no include path but the stand-in's own.
#pragma once

#include "win32/Rpc.h"
#include "w32test/Rpc.h"

namespace w32detail {
// The counted sequence's position, saved with the platform's state so that
// a later run goes on with new values.
DWORD UuidCounter();
void SetUuidCounter(DWORD counter);
}  // namespace w32detail
