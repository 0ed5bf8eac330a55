#include "win32/User.h"
#include "w32test/User.h"

#include <cstring>
#include <deque>
#include <map>
#include <utility>
#include <mutex>

#include "win32/Module.h"
#include "w32detail/Module.h"
#include "w32detail/Platform.h"

namespace {

struct BoxState {
  std::mutex mutex;
  std::vector<w32test::MessageBoxRecord> shown;
  std::deque<int> answers;
};

BoxState& boxes() {
  static BoxState* s = [] {
    auto* st = new BoxState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->shown.clear();
      st->answers.clear();
    });
    return st;
  }();
  return *s;
}

size_t WideLength(LPCWSTR s) {
  size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}

int Show(w32test::MessageBoxRecord record) {
  BoxState& b = boxes();
  std::lock_guard<std::mutex> g(b.mutex);
  int answer;
  if (!b.answers.empty()) {
    answer = b.answers.front();
    b.answers.pop_front();
  } else {
    UINT buttons = record.type & 0xF;
    answer = (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
  }
  record.answer = answer;
  b.shown.push_back(std::move(record));
  return answer;
}

// Cursor handles are small numbers of the stand-in's own, one per module and
// resource id, never pointers.
struct CursorState {
  std::mutex mutex;
  std::map<std::pair<HINSTANCE, UINT>, HCURSOR> handles;
  std::map<HCURSOR, UINT> ids;
  HCURSOR current = nullptr;
  int setCount = 0;
};

CursorState& cursors() {
  static CursorState* s = [] {
    auto* st = new CursorState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->handles.clear();
      st->ids.clear();
      st->current = nullptr;
      st->setCount = 0;
    });
    return st;
  }();
  return *s;
}

constexpr UINT kArrowCursor = 32512;
constexpr ULONG_PTR kFirstCursorHandle = 0x10000;

}  // namespace

HCURSOR LoadCursorW(HINSTANCE module, LPCWSTR name) {
  const auto raw = reinterpret_cast<ULONG_PTR>(name);
  if (name == nullptr || (raw >> 16) != 0) {
    // Cursors are named by integer ids only.
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const UINT id = static_cast<UINT>(raw);
  if (module == nullptr) {
    if (id != kArrowCursor) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
  } else if (!w32detail::HasCursorResource(module, id)) {
    return nullptr;
  }
  CursorState& c = cursors();
  std::lock_guard<std::mutex> g(c.mutex);
  auto it = c.handles.find({module, id});
  if (it != c.handles.end()) return it->second;
  auto* handle = reinterpret_cast<HCURSOR>(kFirstCursorHandle + 4 * c.handles.size());
  c.handles[{module, id}] = handle;
  c.ids[handle] = id;
  return handle;
}

HCURSOR SetCursor(HCURSOR cursor) {
  CursorState& c = cursors();
  std::lock_guard<std::mutex> g(c.mutex);
  HCURSOR previous = c.current;
  c.current = cursor;
  ++c.setCount;
  return previous;
}

HCURSOR GetCursor() {
  CursorState& c = cursors();
  std::lock_guard<std::mutex> g(c.mutex);
  return c.current;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  w32test::MessageBoxRecord r;
  r.text = text ? text : "";
  r.caption = caption ? caption : "Error";
  r.type = type;
  return Show(std::move(r));
}

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  w32test::MessageBoxRecord r;
  r.text = w32detail::Utf16ToUtf8(text, WideLength(text));
  r.caption = caption ? w32detail::Utf16ToUtf8(caption, WideLength(caption)) : "Error";
  r.type = type;
  r.wide = true;
  return Show(std::move(r));
}

namespace w32test {

const std::vector<MessageBoxRecord>& MessageBoxes() { return boxes().shown; }

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> g(boxes().mutex);
  boxes().answers.push_back(answer);
}

}  // namespace w32test

namespace w32test {

UINT CursorResourceId(HCURSOR cursor) {
  CursorState& c = cursors();
  std::lock_guard<std::mutex> g(c.mutex);
  auto it = c.ids.find(cursor);
  return it != c.ids.end() ? it->second : 0;
}

int SetCursorCount() {
  CursorState& c = cursors();
  std::lock_guard<std::mutex> g(c.mutex);
  return c.setCount;
}

}  // namespace w32test
