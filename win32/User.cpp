#include "win32/User.h"

#include <cstring>
#include <deque>
#include <mutex>

#include "win32/Testing.h"

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

}  // namespace

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

void ClearMessageBoxes() {
  std::lock_guard<std::mutex> g(boxes().mutex);
  boxes().shown.clear();
}

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> g(boxes().mutex);
  boxes().answers.push_back(answer);
}

}  // namespace w32test
