#include "host/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "win32/CodePage.h"

// An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const std::u16string& text) {
  if (text.empty()) return std::string();
  const int units = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), units, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::string ToUtf8(const char16_t* text) {
  std::u16string s;
  for (; text != nullptr && *text != 0; ++text) s += *text;
  return ToUtf8(s);
}

std::u16string FromUtf8(const std::string& text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    uint32_t c = 0xFFFD;
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 1) {
      c = b;
    } else if (n != 0 && i + n <= text.size()) {
      c = b & (0xFF >> (n + 1));
      for (size_t k = 1; k < n; ++k) {
        const auto cc = static_cast<unsigned char>(text[i + k]);
        if ((cc >> 6) != 2) {
          c = 0xFFFD;
          n = k;
          break;
        }
        c = (c << 6) | (cc & 0x3F);
      }
    } else {
      n = 1;
    }
    i += n;
    if (c >= 0x10000 && c <= 0x10FFFF) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c > 0xFFFF ? 0xFFFD : c);
    }
  }
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool ParseNumber(const std::string& text, long* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const bool hex = text.size() > 2 && text[text[0] == '-' ? 1 : 0] == '0' &&
                   (text[text[0] == '-' ? 2 : 1] | 0x20) == 'x';
  const long v = std::strtol(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || end == text.c_str() || *end != 0) return false;
  *value = v;
  return true;
}

std::string Hex(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
  return buffer;
}
