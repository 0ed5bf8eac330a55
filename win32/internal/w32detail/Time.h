// Internal to the stand-in (Time): on no include path but the stand-in's own.
#pragma once

#include "win32/Time.h"

namespace w32detail {

// Moves the clock forward when a test set it; a clock that follows the
// host's is left alone.
void AdvanceSetClock(LONGLONG milliseconds);

}  // namespace w32detail
