#include "win32/Window.h"

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

#include "win32/Kernel.h"
#include "win32/Testing.h"

namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;
constexpr size_t kMaxMessageNameLength = 255;
// Window handles are made-up values, never addresses; each is given out
// once, so a handle kept past its window's end stays invalid.
constexpr uintptr_t kFirstWindowHandle = 0x00010010;

struct TestWindow {
  std::u16string className;
  std::u16string title;
  w32test::WindowProcedure procedure;
  std::deque<LRESULT> answers;
};

struct WindowState {
  std::mutex mutex;
  std::map<std::u16string, UINT> messages;  // keyed by the folded name
  UINT nextMessage = kFirstRegisteredMessage;
  std::map<uintptr_t, TestWindow> windows;  // in creation order
  uintptr_t nextHandle = kFirstWindowHandle;
  std::vector<w32test::SentMessage> sent;
};

WindowState& State() {
  static WindowState* state = [] {
    auto* s = new WindowState;
    w32detail::RegisterReset([s] {
      std::lock_guard<std::mutex> lock(s->mutex);
      s->messages.clear();
      s->nextMessage = kFirstRegisteredMessage;
      s->windows.clear();
      s->sent.clear();
    });
    return s;
  }();
  return *state;
}

// Names of messages and classes and window titles compare without case
// (ASCII letters, as the system's atom table does for these names).
char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

std::u16string Folded(const std::u16string& text) {
  std::u16string folded(text);
  for (char16_t& c : folded) c = Fold(c);
  return folded;
}

bool SameText(const std::u16string& a, LPCWSTR b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == 0 || Fold(a[i]) != Fold(b[i])) return false;
  }
  return b[i] == 0;
}

uintptr_t Key(HWND window) { return reinterpret_cast<uintptr_t>(window); }
HWND Handle(uintptr_t key) { return reinterpret_cast<HWND>(key); }

}  // namespace

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (w32detail::ShouldFail("RegisterWindowMessageW")) return 0;
  size_t length = 0;
  if (name != nullptr)
    while (length <= kMaxMessageNameLength && name[length] != 0) ++length;
  if (name == nullptr || length == 0 || length > kMaxMessageNameLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WindowState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  const std::u16string key = Folded(std::u16string(name, length));
  auto found = s.messages.find(key);
  if (found != s.messages.end()) return found->second;
  if (s.nextMessage > kLastRegisteredMessage) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  const UINT number = s.nextMessage++;
  s.messages.emplace(key, number);
  return number;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  if (w32detail::ShouldFail("FindWindowW")) return nullptr;
  WindowState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  // The window created last stands on top.
  for (auto it = s.windows.rbegin(); it != s.windows.rend(); ++it) {
    if (className != nullptr && !SameText(it->second.className, className)) continue;
    if (windowName != nullptr && !SameText(it->second.title, windowName)) continue;
    return Handle(it->first);
  }
  return nullptr;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowState& s = State();
  w32test::WindowProcedure procedure;
  LRESULT answer = 0;
  bool answered = false;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.windows.find(Key(window));
    if (found == s.windows.end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (!found->second.answers.empty()) {
      answer = found->second.answers.front();
      found->second.answers.pop_front();
      answered = true;
    } else {
      procedure = found->second.procedure;
    }
  }
  // The procedure runs without the lock: it may call the window manager.
  if (!answered && procedure) answer = procedure(window, message, wParam, lParam);
  std::lock_guard<std::mutex> lock(s.mutex);
  s.sent.push_back(w32test::SentMessage{window, message, wParam, lParam, answer});
  return answer;
}

namespace w32test {

HWND CreateTestWindow(const std::u16string& className, const std::u16string& title, WindowProcedure procedure) {
  WindowState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  const uintptr_t key = s.nextHandle;
  s.nextHandle += 2;
  s.windows.emplace(key, TestWindow{className, title, std::move(procedure), {}});
  return Handle(key);
}

bool DestroyTestWindow(HWND window) {
  WindowState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.windows.erase(Key(window)) != 0;
}

void QueueWindowAnswer(HWND window, LRESULT answer) {
  WindowState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.windows.find(Key(window));
  if (found != s.windows.end()) found->second.answers.push_back(answer);
}

std::vector<SentMessage> SentMessages() {
  WindowState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.sent;
}

void ClearSentMessages() {
  WindowState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.sent.clear();
}

}  // namespace w32test
