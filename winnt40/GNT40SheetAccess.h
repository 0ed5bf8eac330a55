// GNT40SheetAccess: what a document property sheet may do. From the
// caller's DEVMODE mode bits, the kind of printer, the system version, the
// calling process and whether the driver may write the printer's data, it
// gives the access flags of the sheet request (1 and 2 the access rights
// the user interface reads, 4 | 8 per-user mode) and the per-user flag of
// the settings base. Both sheets also ask whether the shell called them.
#pragma once

#include <cstdint>

#include "win32/Types.h"

class GNT40SheetAccess {
 public:
  // DEVMODE mode bits that decide the access.
  static constexpr DWORD kAdvanced = 0x10;      // DM_ADVANCED
  static constexpr DWORD kNoPermission = 0x20;  // DM_NOPERMISSION
  static constexpr DWORD kUserDefault = 0x40;   // DM_USER_DEFAULT
  // Access flags of the request.
  static constexpr DWORD kReadOnly = 1;
  static constexpr DWORD kNoPrinterWrite = 2;
  static constexpr DWORD kPerUser = 4 | 8;

  // osVersion is major << 16 | minor; remote: the printer is a connection
  // to a print server; explorer: the calling process is the shell;
  // noPermission: the driver may not write the printer's data.
  static DWORD Flags(DWORD mode, int remote, uint32_t osVersion, int explorer, int noPermission);
  // The settings base's per-user flag: no permission on a system newer
  // than 4.x.
  static int IsPerUser(int noPermission, uint32_t osVersion);
  // Whether an executable path names the shell (EXPLORER.EXE, any case).
  static int IsShellPath(const WCHAR* path);
  // Whether the calling process's executable is the shell; 0 when its path
  // cannot be read whole.
  static int IsShellProcess();
};
