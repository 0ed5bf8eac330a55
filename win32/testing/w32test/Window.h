// The testing interface of the stand-in, part Window: see "w32test/Testing.h".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32/Window.h"
#include "w32test/Gdi.h"

namespace w32test {

// Answers one message; stands for the window procedure of another program.
using WindowProcedure = std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

// Creates a window of the class with the title: a top-level one, or one owned
// by the given window (as a property sheet owns its pages; a page stands as a
// window of the dialog class "#32770"). Messages sent to it are answered by
// the queued answers first, then by the procedure, and with 0 when it has
// neither.
HWND CreateTestWindow(const std::u16string& className, const std::u16string& title = std::u16string(),
                      WindowProcedure procedure = nullptr, HWND owner = nullptr);
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

// Every EnableWindow call on a window since the last reset, in order.
struct EnableCall {
  HWND window = nullptr;
  bool enable = false;
};
std::vector<EnableCall> EnableWindowCalls();

// Every SetWindowTextW call on a window since the last reset, in order (the
// dialog manager's SetDlgItemTextW is one too).
struct TextCall {
  HWND window = nullptr;
  std::u16string text;
};
std::vector<TextCall> SetWindowTextCalls();

// Gives a window (a control of a running dialog too) its client size, which
// GetClientRect answers and GetDC paints on.
bool SetClientSize(HWND window, int width, int height);

// Places a top-level window at a screen position (GetWindowRect; its
// controls move with it). False for no window or a control.
bool SetWindowPosition(HWND window, int x, int y);
// Where GetCursorPos finds the cursor, in screen coordinates.
void SetCursorPosition(POINT point);
// How many times InvalidateRect was called on the window since the last
// reset.
int InvalidationCount(HWND window);

}  // namespace w32test
