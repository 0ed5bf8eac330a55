// Spooler calls of the stand-in: printers that the tests add, printer handles
// with their access rights, printer data, printer and driver information and
// the forms of each print server. A printer's printer data is the registry key
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Print\Printers\<name>\PrinterDriverData,
// so values written through either interface read through the other.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win32/Registry.h"
#include "win32/Types.h"

// The DEVMODE is defined with the GDI calls; the spooler only passes it on
// and reads its dmSize and dmDriverExtra words to copy it.
struct DEVMODEW;
typedef DEVMODEW* LPDEVMODEW;
typedef void* PSECURITY_DESCRIPTOR;
typedef HANDLE* LPHANDLE;

// Access rights of a printer handle.
#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define PRINTER_ALL_ACCESS 0x000F000C

// PRINTER_INFO_2W Attributes.
#define PRINTER_ATTRIBUTE_QUEUED 0x00000001
#define PRINTER_ATTRIBUTE_DIRECT 0x00000002
#define PRINTER_ATTRIBUTE_DEFAULT 0x00000004
#define PRINTER_ATTRIBUTE_SHARED 0x00000008
#define PRINTER_ATTRIBUTE_NETWORK 0x00000010
#define PRINTER_ATTRIBUTE_HIDDEN 0x00000020
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040
#define PRINTER_ATTRIBUTE_PUBLISHED 0x00002000

// PRINTER_INFO_7W dwAction.
#define DSPRINT_PUBLISH 0x00000001
#define DSPRINT_UPDATE 0x00000002
#define DSPRINT_UNPUBLISH 0x00000004
#define DSPRINT_REPUBLISH 0x00000008
#define DSPRINT_PENDING 0x80000000

// FORM_INFO_1W Flags.
#define FORM_USER 0x00000000
#define FORM_BUILTIN 0x00000001
#define FORM_PRINTER 0x00000002

#ifndef ERROR_FILE_EXISTS
#define ERROR_FILE_EXISTS 80L
#endif
#ifndef ERROR_INVALID_LEVEL
#define ERROR_INVALID_LEVEL 124L
#endif
#ifndef ERROR_UNKNOWN_PRINTER_DRIVER
#define ERROR_UNKNOWN_PRINTER_DRIVER 1797L
#endif
#ifndef ERROR_INVALID_PRINTER_NAME
#define ERROR_INVALID_PRINTER_NAME 1801L
#endif
#ifndef ERROR_INVALID_PRINTER_STATE
#define ERROR_INVALID_PRINTER_STATE 1906L
#endif
#ifndef ERROR_SPL_NO_STARTDOC
#define ERROR_SPL_NO_STARTDOC 3003L
#endif
#ifndef ERROR_INVALID_FORM_NAME
#define ERROR_INVALID_FORM_NAME 1902L
#endif
#ifndef ERROR_INVALID_FORM_SIZE
#define ERROR_INVALID_FORM_SIZE 1903L
#endif

// In-process records in their natural 64-bit layout.
struct PRINTER_DEFAULTSW {
  LPWSTR pDatatype;
  LPDEVMODEW pDevMode;
  ACCESS_MASK DesiredAccess;
};
typedef PRINTER_DEFAULTSW* LPPRINTER_DEFAULTSW;

struct PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  LPDEVMODEW pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
};

struct PRINTER_INFO_7W {
  LPWSTR pszObjectGUID;
  DWORD dwAction;
};

struct DRIVER_INFO_2W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
};

struct FORM_INFO_1W {
  DWORD Flags;
  LPWSTR pName;
  SIZEL Size;           // thousandths of a millimetre
  RECTL ImageableArea;  // thousandths of a millimetre
};

// A document as StartDocPrinterW level 1 takes it.
struct DOC_INFO_1W {
  LPWSTR pDocName;
  LPWSTR pOutputFile;
  LPWSTR pDatatype;
};

static_assert(sizeof(DOC_INFO_1W) == 24, "natural 64-bit layout");
static_assert(sizeof(PRINTER_INFO_2W) == 136, "natural 64-bit layout");
static_assert(sizeof(PRINTER_INFO_7W) == 16, "natural 64-bit layout");
static_assert(sizeof(DRIVER_INFO_2W) == 48, "natural 64-bit layout");
static_assert(sizeof(FORM_INFO_1W) == 40, "natural 64-bit layout");

// Opens a printer by name (compared without regard to case). Without
// defaults, or with a DesiredAccess of 0, the handle gets PRINTER_ACCESS_USE.
// A request for rights the user does not hold fails with ERROR_ACCESS_DENIED;
// an unknown printer with ERROR_INVALID_PRINTER_NAME.
BOOL OpenPrinterW(LPCWSTR printerName, LPHANDLE printer, const PRINTER_DEFAULTSW* defaults);
BOOL ClosePrinter(HANDLE printer);

// Print jobs on a printer handle. StartDocPrinterW (level 1 only) starts a
// job and answers its id (0 on failure: ERROR_INVALID_HANDLE, ERROR_INVALID_LEVEL,
// ERROR_INVALID_PARAMETER for a missing DOC_INFO_1W, ERROR_INVALID_PRINTER_STATE
// when the handle already has a job). WritePrinter appends the bytes to the
// handle's job and reports the count written; EndDocPrinter completes the
// job, AbortPrinter cancels it; without a job the three fail with
// ERROR_SPL_NO_STARTDOC. Closing a handle cancels a job still in progress.
DWORD StartDocPrinterW(HANDLE printer, DWORD level, LPBYTE docInfo);
BOOL WritePrinter(HANDLE printer, LPVOID buffer, DWORD count, LPDWORD written);
BOOL EndDocPrinter(HANDLE printer);
BOOL AbortPrinter(HANDLE printer);

// Printer data. These answer an error code and leave the last error alone.
// A buffer smaller than the value (a size query passes 0) answers
// ERROR_MORE_DATA with the type and the size needed; a missing value
// ERROR_FILE_NOT_FOUND. Writing and deleting need PRINTER_ACCESS_ADMINISTER.
DWORD GetPrinterDataW(HANDLE printer, LPCWSTR valueName, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed);
DWORD SetPrinterDataW(HANDLE printer, LPCWSTR valueName, DWORD type, const BYTE* data, DWORD size);
DWORD DeletePrinterDataW(HANDLE printer, LPCWSTR valueName);

// Levels 2 and 7. The record is followed in the buffer by its strings and
// DEVMODE; a smaller buffer fails with ERROR_INSUFFICIENT_BUFFER and the size
// needed. Empty strings answer null pointers.
BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
// Level 2 takes the DEVMODE (when given), the comment and the location (when
// not null); level 7 takes a directory action. Needs PRINTER_ACCESS_ADMINISTER;
// the command must be 0.
BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command);
// Level 2. A null environment is the printer's own; another environment than
// the driver's fails with ERROR_UNKNOWN_PRINTER_DRIVER.
BOOL GetPrinterDriverW(HANDLE printer, LPCWSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                       LPDWORD needed);

// Forms of the printer's server at level 1: the built-in forms in the order
// of their DMPAPER numbers (form n is paper number n), then the forms added
// on that server in the order they were added. Names compare without regard
// to case. Built-in forms cannot be changed or deleted.
BOOL EnumFormsW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned);
BOOL GetFormW(HANDLE printer, LPCWSTR formName, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
BOOL AddFormW(HANDLE printer, DWORD level, LPBYTE form);
BOOL SetFormW(HANDLE printer, LPCWSTR formName, DWORD level, LPBYTE form);
BOOL DeleteFormW(HANDLE printer, LPCWSTR formName);
