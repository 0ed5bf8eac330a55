// Small text helpers of the host: UTF-8 and UTF-16 conversion, case folding
// of ASCII names, number parsing and hexadecimal display.
#pragma once

#include <cstdint>
#include <string>

// UTF-16 to UTF-8 (an unpaired surrogate becomes U+FFFD) and back (a byte
// that starts no valid sequence becomes U+FFFD).
std::string ToUtf8(const std::u16string& text);
std::string ToUtf8(const char16_t* text);
std::u16string FromUtf8(const std::string& text);
std::string Lower(std::string text);
// A whole decimal or 0x-hexadecimal number, optionally negative.
bool ParseNumber(const std::string& text, long* value);
// "0x" and `digits` upper-case hexadecimal digits.
std::string Hex(uint32_t value, int digits);
