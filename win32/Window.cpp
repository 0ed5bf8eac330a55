#include "win32/Window.h"
#include "w32test/Window.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"
#include "w32detail/WindowTable.h"

namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;
constexpr size_t kMaxMessageNameLength = 255;
// Window handles are made-up values, never addresses; each is given out
// once, so a handle kept past its window's end stays invalid.
constexpr uintptr_t kFirstWindowHandle = 0x00010010;
const char16_t kWindowDialogClass[] = u"#32770";

struct WindowState {
  std::mutex mutex;
  std::map<std::u16string, UINT> messages;  // keyed by the folded name
  UINT nextMessage = kFirstRegisteredMessage;
  std::map<uintptr_t, w32detail::WindowData> windows;  // in creation order
  uintptr_t nextHandle = kFirstWindowHandle;
  std::vector<w32test::SentMessage> sent;
  std::vector<w32test::EnableCall> enableCalls;
  std::vector<w32test::TextCall> textCalls;
  POINT cursor{0, 0};
};

WindowState& Windows() {
  static WindowState* state = [] {
    auto* s = new WindowState;
    w32detail::RegisterReset([s] {
      std::lock_guard<std::mutex> lock(s->mutex);
      s->messages.clear();
      s->nextMessage = kFirstRegisteredMessage;
      s->windows.clear();
      s->sent.clear();
      s->enableCalls.clear();
      s->textCalls.clear();
      s->cursor = POINT{0, 0};
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

// The window's data under the held lock; null with the last error set when
// the handle is no window.
w32detail::WindowData* Find(WindowState& s, HWND window) {
  auto found = s.windows.find(Key(window));
  if (found == s.windows.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return &found->second;
}

bool ValidSlot(const w32detail::WindowData& data, int index) {
  return data.className == kWindowDialogClass && (index == DWLP_MSGRESULT || index == DWLP_USER);
}

}  // namespace

namespace w32detail {

HWND AddWindow(WindowData data) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  const uintptr_t key = s.nextHandle;
  s.nextHandle += 2;
  s.windows.emplace(key, std::move(data));
  return Handle(key);
}

bool RemoveWindow(HWND window) {
  WindowData doomed;  // its handler is released outside the lock
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.windows.find(Key(window));
  if (found == s.windows.end()) return false;
  doomed = std::move(found->second);
  s.windows.erase(found);
  return true;
}

bool WithWindow(HWND window, const std::function<void(WindowData&)>& function) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.windows.find(Key(window));
  if (found == s.windows.end()) return false;
  function(found->second);
  return true;
}

bool IsWindowHandle(HWND window) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.windows.count(Key(window)) != 0;
}

std::vector<HWND> ChildWindows(HWND parent) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<HWND> children;
  for (const auto& [key, data] : s.windows)
    if (data.child && data.parent == parent) children.push_back(Handle(key));
  return children;
}

std::vector<HWND> TopLevelWindows() {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<HWND> windows;
  for (const auto& [key, data] : s.windows)
    if (!data.child) windows.push_back(Handle(key));
  return windows;
}

}  // namespace w32detail

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (w32detail::ShouldFail("RegisterWindowMessageW")) return 0;
  size_t length = 0;
  if (name != nullptr)
    while (length <= kMaxMessageNameLength && name[length] != 0) ++length;
  if (name == nullptr || length == 0 || length > kMaxMessageNameLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WindowState& s = Windows();
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
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  // The window created last stands on top.
  for (auto it = s.windows.rbegin(); it != s.windows.rend(); ++it) {
    if (it->second.child) continue;  // controls are no top-level windows
    if (className != nullptr && !SameText(it->second.className, className)) continue;
    if (windowName != nullptr && !SameText(it->second.text, windowName)) continue;
    return Handle(it->first);
  }
  return nullptr;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowState& s = Windows();
  w32detail::WindowHandler handler;
  LRESULT answer = 0;
  bool answered = false;
  bool recorded = false;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    w32detail::WindowData* data = Find(s, window);
    if (data == nullptr) return 0;
    recorded = data->recorded;
    if (!data->answers.empty()) {
      answer = data->answers.front();
      data->answers.pop_front();
      answered = true;
    } else {
      handler = data->handler;
    }
  }
  // The handler runs without the lock: it may call the window manager.
  if (!answered && handler) answer = handler(window, message, wParam, lParam);
  if (recorded) {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.sent.push_back(w32test::SentMessage{window, message, wParam, lParam, answer});
  }
  return answer;
}

HWND GetParent(HWND window) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr) return nullptr;
  SetLastError(0);
  return data->parent;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int size) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr || buffer == nullptr || size <= 0) return 0;
  const size_t count = std::min(data->text.size(), static_cast<size_t>(size - 1));
  std::copy(data->text.begin(), data->text.begin() + static_cast<std::ptrdiff_t>(count), buffer);
  buffer[count] = 0;
  return static_cast<int>(count);
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr) return FALSE;
  data->text = text != nullptr ? std::u16string(text) : std::u16string();
  s.textCalls.push_back(w32test::TextCall{window, data->text});
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr || rect == nullptr) return FALSE;
  *rect = RECT{0, 0, data->clientWidth, data->clientHeight};
  return TRUE;
}

namespace {
// The screen position of the window's client area, under the held lock.
bool ScreenOrigin(WindowState& s, HWND window, POINT* origin) {
  POINT at{0, 0};
  // A chain of parents is short; the bound keeps a damaged one finite.
  for (int depth = 0; depth < 16; ++depth) {
    w32detail::WindowData* data = Find(s, window);
    if (data == nullptr) {
      if (depth == 0) return false;
      break;  // a parent gone: the control stands where its place says
    }
    at.x += data->x;
    at.y += data->y;
    if (!data->child) break;
    window = data->parent;
  }
  *origin = at;
  return true;
}
}  // namespace

BOOL GetWindowRect(HWND window, RECT* rect) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  POINT origin{};
  if (data == nullptr || rect == nullptr || !ScreenOrigin(s, window, &origin)) return FALSE;
  *rect = RECT{origin.x, origin.y, origin.x + data->clientWidth, origin.y + data->clientHeight};
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr) return FALSE;
  if (width < 0 || height < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  data->x = x;
  data->y = y;
  data->clientWidth = width;
  data->clientHeight = height;
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  POINT origin{};
  if (Find(s, window) == nullptr || point == nullptr || !ScreenOrigin(s, window, &origin)) return FALSE;
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  *point = s.cursor;
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr) return FALSE;
  ++data->invalidations;
  return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr) return FALSE;
  s.enableCalls.push_back(w32test::EnableCall{window, enable != FALSE});
  const bool wasDisabled = !data->enabled;
  data->enabled = enable != FALSE;
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  return data != nullptr && data->enabled ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int command) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool wasVisible = data->visible;
  data->visible = command != SW_HIDE;
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  return data != nullptr && data->visible ? TRUE : FALSE;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, parent);
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (point.x < 0 || point.y < 0 || point.x >= data->clientWidth || point.y >= data->clientHeight) return nullptr;
  for (const auto& [key, child] : s.windows) {
    if (!child.child || child.parent != parent) continue;
    if (point.x >= child.x && point.y >= child.y && point.x < child.x + child.clientWidth &&
        point.y < child.y + child.clientHeight) {
      return Handle(key);
    }
  }
  return parent;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr) return 0;
  if (!ValidSlot(*data, index)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  auto found = data->longs.find(index);
  return found != data->longs.end() ? found->second : 0;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr) return 0;
  if (!ValidSlot(*data, index)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  LONG_PTR& slot = data->longs[index];
  const LONG_PTR previous = slot;
  slot = value;
  return previous;
}

namespace w32test {

HWND CreateTestWindow(const std::u16string& className, const std::u16string& title, WindowProcedure procedure,
                      HWND owner) {
  w32detail::WindowData data;
  data.className = className;
  data.text = title;
  data.parent = owner;
  data.handler = std::move(procedure);
  data.recorded = true;
  return w32detail::AddWindow(std::move(data));
}

bool DestroyTestWindow(HWND window) { return w32detail::RemoveWindow(window); }

void QueueWindowAnswer(HWND window, LRESULT answer) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.windows.find(Key(window));
  if (found != s.windows.end()) found->second.answers.push_back(answer);
}

std::vector<SentMessage> SentMessages() {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.sent;
}

void ClearSentMessages() {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.sent.clear();
}

std::vector<EnableCall> EnableWindowCalls() {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.enableCalls;
}

bool SetClientSize(HWND window, int width, int height) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr || width < 0 || height < 0) return false;
  data->clientWidth = width;
  data->clientHeight = height;
  return true;
}

bool SetWindowPosition(HWND window, int x, int y) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  if (data == nullptr || data->child) return false;
  data->x = x;
  data->y = y;
  return true;
}

void SetCursorPosition(POINT point) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.cursor = point;
}

int InvalidationCount(HWND window) {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  w32detail::WindowData* data = Find(s, window);
  return data != nullptr ? data->invalidations : 0;
}

std::vector<TextCall> SetWindowTextCalls() {
  WindowState& s = Windows();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.textCalls;
}

}  // namespace w32test
