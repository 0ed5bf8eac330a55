// Conversion between the narrow text of the "A" calls (the ANSI code page)
// and 16-bit wide text, shared by the parts of the stand-in that offer both
// forms of a call. Plain ASCII converts directly; anything else goes through
// the code-page conversion of the stand-in.
#pragma once

#include <optional>
#include <string>

#include "win32/Types.h"

namespace w32detail {

// Null on a text that does not convert.
std::optional<std::u16string> AnsiToWide(const char* text);
std::optional<std::string> WideToAnsi(const std::u16string& text);
// The length of a zero-terminated wide text.
size_t WideLength(LPCWSTR text);

}  // namespace w32detail
