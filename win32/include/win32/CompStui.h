// The common property-sheet UI of the stand-in: the property-page record,
// the host functions a driver calls through pfnComPropSheet, and
// CommonPropertySheetUIW, which runs a sheet by calling the driver's sheet
// function with each reason in the order the real UI does. There is no
// screen: the pages handed to the host are recorded, the "run" of the sheet
// is a scripted action of the test, and the user's OK or Cancel comes from
// the test's script.
#pragma once

#include <functional>
#include <vector>

#include "win32/DriverUI.h"
#include "win32/Types.h"

// Page flags.
#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USETITLE 0x00000008
#define PSP_HASHELP 0x00000020
#define PSP_USECALLBACK 0x00000080

// Page callback messages.
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

// Notifications a property page receives in WM_NOTIFY (NMHDR code).
#define PSN_SETACTIVE (0U - 200U)
#define PSN_KILLACTIVE (0U - 201U)
#define PSN_APPLY (0U - 202U)
#define PSN_HELP (0U - 205U)

// Host functions of pfnComPropSheet.
#define CPSFUNC_ADD_HPROPSHEETPAGE 0
#define CPSFUNC_ADD_PROPSHEETPAGEW 1
#define CPSFUNC_SET_HSTARTPAGE 7
#define CPSFUNC_GET_PAGECOUNT 8
#define CPSFUNC_SET_RESULT 9

// Sheet results.
#define CPSUI_CANCEL 0
#define CPSUI_OK 1
#define ERR_CPSUI_GETLASTERROR -1

typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
struct PROPSHEETPAGEW;
typedef UINT (*LPFNPSPCALLBACKW)(HWND, UINT, PROPSHEETPAGEW*);

// In-process record in its natural 64-bit layout; the host checks dwSize
// against this record's size.
struct PROPSHEETPAGEW {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  LPCWSTR pszTemplate;  // a dialog id as an integer resource
  LPCWSTR pszIcon;
  LPCWSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKW pfnCallback;
  UINT* pcRefParent;
  LPCWSTR pszHeaderTitle;
  LPCWSTR pszHeaderSubTitle;
};
static_assert(sizeof(PROPSHEETPAGEW) == 88, "natural 64-bit layout");

// What the sheet function receives with PROPSHEETUI_REASON_GET_INFO_HEADER.
struct PROPSHEETUI_INFO_HEADER {
  WORD cbSize;
  WORD Flags;
  LPWSTR pTitle;
  HWND hWndParent;
  HINSTANCE hInst;
  ULONG_PTR IconID;
};
static_assert(sizeof(PROPSHEETUI_INFO_HEADER) == 40, "natural 64-bit layout");

// What the sheet function receives with PROPSHEETUI_REASON_SET_RESULT.
struct SETRESULT_INFO {
  WORD cbSize;
  WORD wReserved;
  HANDLE hSetResult;
  LRESULT Result;
};
static_assert(sizeof(SETRESULT_INFO) == 24, "natural 64-bit layout");

typedef LONG (*PFNPROPSHEETUI)(PROPSHEETUI_INFO* info, LPARAM lParam);

// Runs a sheet: INIT (lParamInit = lParam), GET_INFO_HEADER, the run (page
// creation callbacks, then the test's scripted action), SET_RESULT with the
// scripted CPSUI_OK or CPSUI_CANCEL, page release callbacks, DESTROY. A
// failed INIT (a result of 0 or less) goes straight to DESTROY and the call
// answers ERR_CPSUI_GETLASTERROR. Otherwise *result receives the scripted
// result and the call answers 1.
LONG CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI sheetFunction, LPARAM lParam, LPDWORD result);
