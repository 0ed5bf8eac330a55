#include "w32detail/AnsiText.h"

#include <cstring>
#include <limits>

#include "win32/CodePage.h"
#include "w32detail/CodePage.h"

namespace w32detail {

std::optional<std::u16string> AnsiToWide(const char* text) {
  if (!text) return std::nullopt;
  size_t n = std::strlen(text);
  std::u16string out;
  bool ascii = true;
  for (size_t i = 0; i < n && ascii; ++i) ascii = static_cast<unsigned char>(text[i]) < 0x80;
  if (ascii) {
    out.assign(text, text + n);
    return out;
  }
  if (n > static_cast<size_t>(std::numeric_limits<int>::max())) return std::nullopt;
  int count = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(n), nullptr, 0);
  if (count <= 0) return std::nullopt;
  out.resize(static_cast<size_t>(count));
  if (MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(n), out.data(), count) != count) return std::nullopt;
  return out;
}

std::optional<std::string> WideToAnsi(const std::u16string& text) {
  std::string out;
  bool ascii = true;
  for (size_t i = 0; i < text.size() && ascii; ++i) ascii = text[i] < 0x80;
  if (ascii) {
    out.assign(text.begin(), text.end());
    return out;
  }
  if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return std::nullopt;
  int n = static_cast<int>(text.size());
  int count = WideCharToMultiByte(CP_ACP, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
  if (count <= 0) return std::nullopt;
  out.resize(static_cast<size_t>(count));
  if (WideCharToMultiByte(CP_ACP, 0, text.data(), n, out.data(), count, nullptr, nullptr) != count)
    return std::nullopt;
  return out;
}

size_t WideLength(LPCWSTR text) {
  size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}

}  // namespace w32detail
