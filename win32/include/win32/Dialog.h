// The dialog manager of the stand-in: modal dialogs built from the dialog
// templates of the module table, their controls, timers, the system colours
// the dialogs paint with and the help calls they make. There is no screen and
// no user: a modal dialog runs on the calling thread, its procedure receives
// WM_INITDIALOG, then the actions the test scripted for it (clicks, check
// boxes, timer ticks, messages), then WM_DESTROY; what the dialog showed is
// kept for the test to read.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "win32/Gdi.h"
#include "win32/Module.h"
#include "win32/Types.h"
#include "win32/Window.h"

#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif

typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)((WORD)(i)))

// Buttons and their notifications.
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BST_INDETERMINATE 2
#define BN_CLICKED 0
#define BN_DOUBLECLICKED 5
// Edits and their notifications. EM_LIMITTEXT limits what the user can type
// (0: no limit of its own); EM_SETSEL is accepted (there is no caret).
#define EM_SETSEL 0x00B1
// A dialog's default push button (wParam: its id); the stand-in's dialogs
// pass it to the dialog procedure.
#define DM_SETDEFID 0x0401
#define EM_LIMITTEXT 0x00C5
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
// Rich edit: the background colour (wParam non-zero: the system's window colour).
#define EM_SETBKGNDCOLOR 0x0443

// Combo boxes (a drop-down list with an edit field, items in the order
// added) and their notifications. Indexes run from 0; the text-reading
// messages copy the whole item text and a terminator, so the buffer must
// hold CB_GETLBTEXTLEN + 1 characters.
#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define CB_LIMITTEXT 0x0141
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_GETDROPPEDWIDTH 0x015F
#define CB_SETDROPPEDWIDTH 0x0160
#define CBN_SELCHANGE 1
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5

// List boxes (single or multiple selection) and their notifications, with
// the same rule for reading texts.
#define LB_OKAY 0
#define LB_ERR (-1)
#define LB_ERRSPACE (-2)
#define LB_ADDSTRING 0x0180
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_SETCURSEL 0x0186
#define LB_GETSEL 0x0187
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_GETSELCOUNT 0x0190
#define LB_GETSELITEMS 0x0191
#define LB_GETITEMDATA 0x0199
#define LB_SETITEMDATA 0x019A
#define LBN_SELCHANGE 1

// Up-down controls: the range (lParam: upper in the low word, lower in the
// high word) and the position; UDN_DELTAPOS asks the dialog before the
// position moves (a non-zero answer refuses the move).
#define UDM_SETRANGE 0x0465
#define UDM_SETPOS 0x0467
#define UDM_GETPOS 0x0468
#define UDN_DELTAPOS (0U - 722U)

#define COLOR_WINDOW 5
#define COLOR_BTNFACE 15

// WinHelp commands.
#define HELP_CONTEXT 0x0001
#define HELP_QUIT 0x0002
#define HELP_CONTEXTMENU 0x000A
#define HELP_WM_HELP 0x000C

// The header of a WM_NOTIFY message.
struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};

// WM_NOTIFY UDN_DELTAPOS of an up-down control.
struct NMUPDOWN {
  NMHDR hdr;
  int iPos;
  int iDelta;
};

// Runs dialog `templateName` (an integer resource) of the module modally and
// answers the value given to EndDialog. -1 when the template cannot be found
// (the last error says why) or the procedure is null; 0 with
// ERROR_INVALID_WINDOW_HANDLE for an owner that is no window. The owner, when
// enabled, is disabled for the run and enabled again when the dialog ends.
INT_PTR DialogBoxParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam);
// Ends a running modal dialog with the result once its procedure returns.
// FALSE with ERROR_INVALID_WINDOW_HANDLE for a window that is no running
// dialog.
BOOL EndDialog(HWND dialog, INT_PTR result);
// The control of the dialog with the id; null with ERROR_CONTROL_ID_NOT_FOUND.
HWND GetDlgItem(HWND dialog, int id);
// Turns a rectangle in dialog units into client pixels of the dialog. The
// stand-in's dialog font has base units of 6 x 13 pixels: x * 6 / 4 and
// y * 13 / 8, rounded half up. FALSE with ERROR_INVALID_WINDOW_HANDLE for
// no dialog window.
BOOL MapDialogRect(HWND dialog, RECT* rect);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
// As GetWindowTextW on the control; 0 for a missing control.
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size);
// BST_CHECKED or BST_UNCHECKED into a check box; FALSE for a missing control.
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
// The check state of a button; 0 for a missing control or another kind.
UINT IsDlgButtonChecked(HWND dialog, int id);
// SendMessageW to the control; 0 for a missing control.
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);

// A timer of a window (a thread timer without one is not offered: 0 with
// ERROR_INVALID_PARAMETER). Setting an id again replaces its period.
// Answers the id (1 for id 0). Ticks come only from the test's script.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure);
// FALSE when the window has no such timer.
BOOL KillTimer(HWND window, UINT_PTR id);

// The colour of a display element (COLOR_BTNFACE, COLOR_WINDOW); 0 for
// others.
DWORD GetSysColor(int index);

// Recorded; TRUE for a help file that is named, FALSE for a null or empty one.
BOOL WinHelpA(HWND window, LPCSTR helpFile, UINT command, ULONG_PTR data);
