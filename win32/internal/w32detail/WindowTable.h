// The stand-in's table of windows, shared by its window-manager parts: the
// windows of other programs that tests create, and the dialogs and controls
// of the dialog manager. A handle is a made-up value, never an address, and
// is given out once, so a handle kept past its window's end stays invalid.
// Internal to the stand-in (namespace w32detail).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "win32/Types.h"

namespace w32detail {

// Answers a message sent to a window; runs without the table's lock, so it
// may call the window manager again.
using WindowHandler = std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

struct WindowData {
  std::u16string className;
  std::u16string text;  // the title, or a control's text
  // A control's dialog, or the owner of a top-level window; null for none.
  HWND parent = nullptr;
  bool child = false;  // a control inside its parent
  int controlId = 0;
  bool enabled = true;
  bool visible = true;
  int x = 0;  // a control's position in its dialog's client area
  int y = 0;
  std::map<int, LONG_PTR> longs;  // the window's extra slots by index
  WindowHandler handler;          // empty: every message answers 0
  std::deque<LRESULT> answers;    // scripted answers that come before the handler
  bool recorded = false;          // messages delivered to it are recorded
  int clientWidth = 0;            // the client area, set by the test
  int clientHeight = 0;
  int invalidations = 0;          // InvalidateRect calls
};

// Adds a window and returns its new handle.
HWND AddWindow(WindowData data);
// Removes the window; false when the handle is no window.
bool RemoveWindow(HWND window);
// Runs the function on the window's data under the table's lock (it must not
// call the window manager); false when the handle is no window.
bool WithWindow(HWND window, const std::function<void(WindowData&)>& function);
bool IsWindowHandle(HWND window);
// The controls of a dialog, in creation order.
std::vector<HWND> ChildWindows(HWND parent);
// Every window that is not a control, in creation order.
std::vector<HWND> TopLevelWindows();

}  // namespace w32detail
