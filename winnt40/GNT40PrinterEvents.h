// GNT40PrinterEvents: the parts of the printer-level entry points of the NT
// 4.0 driver object that work on the printer's stored state: the
// connection events, the stamps a printer set-up leaves in printer data,
// the migration of the settings an older driver stored, and the message a
// rejected job gets from DevQueryPrintEx.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"
#include "win32/Types.h"

class GDriverInstance;

// Spooler printer events.
constexpr int kPrinterEventAddConnection = 1;
constexpr int kPrinterEventDeleteConnection = 2;
constexpr int kPrinterEventInitialize = 3;
constexpr int kPrinterEventDelete = 4;
constexpr int kPrinterEventCacheRefresh = 5;
constexpr int kPrinterEventCacheDelete = 6;

class GNT40PrinterEvents {
 public:
  // DevQueryPrintEx messages of the resource module.
  static constexpr UINT kInvalidDevMode = 12001;
  static constexpr UINT kInvalidResolution = 12002;
  static constexpr UINT kPaperSizeNotSupported = 12003;
  static constexpr UINT kTrayNotInstalled = 12004;
  static constexpr UINT kDuplexNotInstalled = 12005;
  static constexpr UINT kCollationNotEnabled = 12006;
  // The buffer a message is loaded into holds at least this many characters.
  static constexpr DWORD kMessageBuffer = 256;
  // The longest text a string resource holds.
  static constexpr DWORD kLongestString = 65535;

  explicit GNT40PrinterEvents(GDriverInstance* instance);

  // Every event but the printer set-up: the connection events fetch or
  // delete the connection's font descriptor files; TRUE. PRINTER_EVENT_DELETE
  // is TRUE; any other event (the set-up included) FALSE.
  BOOL HandleEvent(const RWWString& printerName, int event);

  // "LastUpdated" = date, "LastUpdateType" = type.
  void WriteUpdateStamp(const RWWString& date, const RWWString& type);
  // "PrinterUUID" = a new UUID text; 1 when written.
  int WritePrinterUuid();
  // The platform's local date as month, "/ ", day, "/ ", year
  // ("%2.2d%s%2.2d%s%4.4d"); empty when the platform has no date.
  static RWWString UpdateDateText();

  // Rewrites the stored settings of an older driver in the current form:
  // the installable options (365); when they could be rewritten, the DIMM
  // font devices that are not disabled become enabled, then the preferences
  // (366), the extension registry (368) and the quick-set pool. 1 when 365,
  // 366 and 368 were rewritten (the settings are migrated), else 0.
  int MigrateStoredSettings();

  // The message for the DEVMODE fields (dmFields bits) that validation
  // rejected.
  static UINT MessageForRejectedFields(DWORD rejectedFields);
  // Loads the message from the resource module and copies at most
  // capacity - 1 characters and a terminator into text; needed becomes the
  // message's length + 1. Nothing is copied into a buffer of 0 characters.
  // A message that cannot be loaded gives an empty text and needed 2 when
  // the buffer holds more than one character.
  static void ReportMessage(HMODULE resources, UINT id, LPWSTR text, DWORD capacity, DWORD* needed);

 private:
  GDriverInstance* instance_;
};
