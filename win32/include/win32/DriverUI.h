// Records that the spooler and the common property-sheet UI pass to a
// printer driver's user-interface module: the property-sheet call record
// and the two property headers, the print-query record and the upgrade
// record. They hold pointers, so they take their natural 64-bit layout.
#pragma once

#include "win32/Spooler.h"
#include "win32/Types.h"

typedef struct HDC__* HDC;

// Reasons of a property-sheet call.
#define PROPSHEETUI_REASON_INIT 0
#define PROPSHEETUI_REASON_GET_INFO_HEADER 1
#define PROPSHEETUI_REASON_DESTROY 2
#define PROPSHEETUI_REASON_SET_RESULT 3

typedef LONG_PTR (*PFNCOMPROPSHEET)(HANDLE hComPropSheet, UINT function, LPARAM lParam1, LPARAM lParam2);

struct PROPSHEETUI_INFO {
  WORD cbSize;
  WORD Version;
  WORD Flags;
  WORD Reason;
  HANDLE hComPropSheet;
  PFNCOMPROPSHEET pfnComPropSheet;
  LPARAM lParamInit;  // the property header
  ULONG_PTR UserData;
  ULONG_PTR Result;
};
typedef PROPSHEETUI_INFO* PPROPSHEETUI_INFO;

struct DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  DEVMODEW* pdmIn;
  DEVMODEW* pdmOut;
  DWORD cbOut;
  DWORD fMode;
};

struct DEVICEPROPERTYHEADER {
  WORD cbSize;
  WORD Flags;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
};

struct DEVQUERYPRINT_INFO {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
};

struct DRIVER_UPGRADE_INFO_1 {
  LPWSTR pPrinterName;
  LPWSTR pOldDriverDirectory;
};

static_assert(sizeof(PROPSHEETUI_INFO) == 48, "natural 64-bit layout");
static_assert(sizeof(DOCUMENTPROPERTYHEADER) == 48, "natural 64-bit layout");
static_assert(sizeof(DEVICEPROPERTYHEADER) == 24, "natural 64-bit layout");
static_assert(sizeof(DEVQUERYPRINT_INFO) == 40, "natural 64-bit layout");
static_assert(sizeof(DRIVER_UPGRADE_INFO_1) == 16, "natural 64-bit layout");
