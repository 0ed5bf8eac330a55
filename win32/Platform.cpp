#include "w32detail/Platform.h"

#include <deque>
#include <map>
#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::function<void()>> resets;
  std::map<std::string, std::deque<DWORD>> failures;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: used during static destruction
  return *r;
}

}  // namespace

namespace w32detail {

void RegisterReset(std::function<void()> action) {
  std::lock_guard<std::mutex> g(registry().mutex);
  registry().resets.push_back(std::move(action));
}

bool ShouldFail(const char* function) {
  Registry& r = registry();
  DWORD error;
  {
    std::lock_guard<std::mutex> g(r.mutex);
    auto it = r.failures.find(function);
    if (it == r.failures.end() || it->second.empty()) return false;
    error = it->second.front();
    it->second.pop_front();
  }
  SetLastError(error);
  return true;
}

}  // namespace w32detail

namespace w32test {

std::string Utf16ToUtf8(const WCHAR* text, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace w32test

namespace w32test {

void Reset() {
  std::vector<std::function<void()>> actions;
  {
    std::lock_guard<std::mutex> g(registry().mutex);
    actions = registry().resets;
    registry().failures.clear();
  }
  for (auto& a : actions) a();
}

void FailCall(const std::string& function, DWORD error, int times) {
  std::lock_guard<std::mutex> g(registry().mutex);
  for (int i = 0; i < times; ++i) registry().failures[function].push_back(error);
}

void ClearFailures() {
  std::lock_guard<std::mutex> g(registry().mutex);
  registry().failures.clear();
}

}  // namespace w32test
