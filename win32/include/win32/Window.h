// Window-manager calls of the stand-in on any window: registered window
// messages, finding a top-level window by class and title, sending a
// message, titles, parents, enabling and the extra slots of dialog windows.
// There is no screen and no other process: other programs' windows are
// entries that tests create, every message sent to one is recorded, and its
// answer comes from the test's script. Dialogs and their controls come from
// the dialog manager (win32/Dialog.h) and live in the same table.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32/Gdi.h"
#include "win32/Types.h"

#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif

#define WM_DESTROY 0x0002
#define WM_SETCURSOR 0x0020
#define WM_DRAWITEM 0x002B
#define WM_VKEYTOITEM 0x002E
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_SETCURSOR 0x0020
#define WM_DRAWITEM 0x002B
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_NOTIFY 0x004E
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
// Scroll requests (the low word of WM_HSCROLL / WM_VSCROLL's wParam; the
// thumb position in the high word).
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define WM_VSCROLL 0x0115
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xFFFF))
#define MAKEWPARAM(low, high) ((WPARAM)(DWORD)(((WORD)(low)) | (((DWORD)(WORD)(high)) << 16)))
#define MAKELPARAM(low, high) ((LPARAM)(DWORD)(((WORD)(low)) | (((DWORD)(WORD)(high)) << 16)))
// The signed coordinates of a mouse message's lParam.
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

// ShowWindow commands.
#ifndef SW_HIDE
#define SW_HIDE 0
#endif
#ifndef SW_SHOW
#define SW_SHOW 5
#endif

// What WM_HELP's lParam points to.
#define HELPINFO_WINDOW 0x0001
struct HELPINFO {
  UINT cbSize;
  int iContextType;
  int iCtrlId;
  HANDLE hItemHandle;
  DWORD_PTR dwContextId;
  POINT MousePos;
};

// Owner-drawn controls: what WM_DRAWITEM hands the owner (lParam points
// to it).
#define ODT_BUTTON 4
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_DISABLED 0x0004
#define ODS_FOCUS 0x0010
struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  ULONG_PTR itemData;
};

// The extra slots of a dialog window: the answer of the last message and the
// application's own value. Each slot holds a whole LONG_PTR, so a pointer
// kept there is never cut; DWL_USER is the slot's traditional index 8.
#define DWLP_MSGRESULT 0
#define DWL_MSGRESULT 0
#define DWL_USER 8
#define DWLP_USER 8

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

// A control's dialog, or the owner of a top-level window (null for none,
// with the last error 0). Null with ERROR_INVALID_WINDOW_HANDLE for a handle
// that is no window.
HWND GetParent(HWND window);
// Copies at most size - 1 characters of the title (or a control's text) and
// a terminator; the characters copied. 0 for no window or no buffer.
int GetWindowTextW(HWND window, LPWSTR buffer, int size);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
// Non-zero when the window was disabled before the call. FALSE with
// ERROR_INVALID_WINDOW_HANDLE for no window.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
// SW_HIDE hides the window, any other command shows it; non-zero when it was
// visible before. FALSE with ERROR_INVALID_WINDOW_HANDLE for no window.
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
// The control of the window whose rectangle (its position in the parent's
// client area and its client size) holds the point, hidden and disabled
// ones included; the window itself when the point is in its client area but
// in no control; null when the point is outside it or the handle is no
// window.
HWND ChildWindowFromPoint(HWND parent, POINT point);
// The slots DWLP_MSGRESULT and DWLP_USER of a dialog window (class
// "#32770"); each is 0 until set. Setting answers the value it replaces.
// Another index, or another window, answers 0 with ERROR_INVALID_INDEX.
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
// {0, 0, width, height} of the window's client area (0 x 0 until a test
// gives it a size). FALSE with ERROR_INVALID_WINDOW_HANDLE for no window.
BOOL GetClientRect(HWND window, RECT* rect);
// The window's rectangle in screen coordinates: its client area placed at
// its screen position (a top-level window's own position, (0, 0) until it
// is placed; a control's place in its dialog's client area moved by the
// dialog's position). The stand-in's windows have no frame. FALSE with
// ERROR_INVALID_WINDOW_HANDLE for no window.
BOOL GetWindowRect(HWND window, RECT* rect);
// Places the window: a top-level window at (x, y) of the screen, a control at
// (x, y) of its dialog's client area; width and height become its client
// size (the stand-in's windows have no frame). Nothing is painted here.
// FALSE with ERROR_INVALID_WINDOW_HANDLE for no window, with
// ERROR_INVALID_PARAMETER for a negative size.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
// Turns a point in screen coordinates into the window's client coordinates.
BOOL ScreenToClient(HWND window, POINT* point);
// The cursor's position in screen coordinates.
BOOL GetCursorPos(POINT* point);
// Marks the window (or a part of it) to be painted again.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
