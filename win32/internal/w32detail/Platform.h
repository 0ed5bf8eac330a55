// Internal to the stand-in (Platform): on no include path but the stand-in's own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32/Types.h"
#include "w32test/Platform.h"

namespace w32detail {

using w32test::Utf16ToUtf8;

// Registers an action that Reset() runs; parts of the stand-in call it once.
void RegisterReset(std::function<void()> action);
// True when a failure is queued for the function: consumes it and sets the
// last error to the queued code.
bool ShouldFail(const char* function);

}  // namespace w32detail
