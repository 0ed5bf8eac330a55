// Window-manager calls of the stand-in that reach other programs' windows:
// registered window messages, finding a top-level window by class and
// title, and sending a message to it. There is no screen and no other
// process: the windows are entries that tests create, every message sent to
// one is recorded, and its answer comes from the test's script.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32/Types.h"

#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif

// The number of the message registered under the name, 0xC000 to 0xFFFF; the
// same name (case ignored) gives the same number for the life of the
// process. 0 for a null, empty or over-long (above 255 characters) name
// (ERROR_INVALID_PARAMETER) and when every number is taken
// (ERROR_NOT_ENOUGH_MEMORY).
UINT RegisterWindowMessageW(LPCWSTR name);

// The top-level window whose class name and title equal the given ones (case
// ignored); a null argument matches any. Of several, the one created last.
// Null when there is none.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);

// Delivers the message to the window and returns the window's answer. For a
// handle that is no window: 0 and ERROR_INVALID_WINDOW_HANDLE.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace w32test {

// Answers one message; stands for the window procedure of another program.
using WindowProcedure = std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

// Creates a top-level window of the class with the title. Messages sent to
// it are answered by the queued answers first, then by the procedure, and
// with 0 when it has neither.
HWND CreateTestWindow(const std::u16string& className, const std::u16string& title = std::u16string(),
                      WindowProcedure procedure = nullptr);
// Destroys the window; its handle is never given out again. False when the
// handle is no window.
bool DestroyTestWindow(HWND window);
// The next answers of the window, first in first out.
void QueueWindowAnswer(HWND window, LRESULT answer);

struct SentMessage {
  HWND window = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT answer = 0;
};
// Every message delivered since the last reset or clear, in order.
std::vector<SentMessage> SentMessages();
void ClearSentMessages();

}  // namespace w32test
