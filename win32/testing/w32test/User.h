// The testing interface of the stand-in, part User: see "w32test/Testing.h".
#pragma once

#include "win32/User.h"

namespace w32test {

// The resource id a cursor handle stands for (32512 for the arrow), 0 for
// null or an unknown handle.
UINT CursorResourceId(HCURSOR cursor);
// How many times SetCursor was called since the last reset.
int SetCursorCount();

}  // namespace w32test
