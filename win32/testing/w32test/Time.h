// The testing interface of the stand-in, part Time: see "w32test/Testing.h".
#pragma once

#include <ctime>

#include "win32/Time.h"

namespace w32test {

// Sets the clock to a UTC instant and the bias; false for a date that does
// not exist (the day of week given is ignored and computed).
bool SetClock(const SYSTEMTIME& utc, LONG biasMinutes);
// The same, from the local time the clock is to show.
bool SetLocalClock(const SYSTEMTIME& local, LONG biasMinutes);
// Moves a set clock forward (or back).
void AdvanceClock(LONGLONG milliseconds);

}  // namespace w32test
