// Operating-system version calls of the stand-in. They answer from a version
// record that the tests set; by default the system is Windows NT 4.0
// Workstation with Service Pack 6.
#pragma once

#include <string>

#include "win32/Types.h"

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

// OSVERSIONINFOEXW wProductType.
#define VER_NT_WORKSTATION 0x0000001
#define VER_NT_DOMAIN_CONTROLLER 0x0000002
#define VER_NT_SERVER 0x0000003

// OSVERSIONINFOEXW wSuiteMask.
#define VER_SUITE_SMALLBUSINESS 0x00000001
#define VER_SUITE_ENTERPRISE 0x00000002
#define VER_SUITE_BACKOFFICE 0x00000004
#define VER_SUITE_TERMINAL 0x00000010
#define VER_SUITE_SMALLBUSINESS_RESTRICTED 0x00000020
#define VER_SUITE_DATACENTER 0x00000080
#define VER_SUITE_SINGLEUSERTS 0x00000100
#define VER_SUITE_PERSONAL 0x00000200

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};
typedef OSVERSIONINFOW* LPOSVERSIONINFOW;
typedef OSVERSIONINFOW* POSVERSIONINFOW;

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};
typedef OSVERSIONINFOEXW* LPOSVERSIONINFOEXW;
typedef OSVERSIONINFOEXW* POSVERSIONINFOEXW;

static_assert(sizeof(OSVERSIONINFOW) == 276, "OSVERSIONINFOW is 276 bytes");
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "OSVERSIONINFOEXW is 284 bytes");

// Fills the record that dwOSVersionInfoSize announces: 276 bytes for
// OSVERSIONINFOW, 284 for OSVERSIONINFOEXW (pass it cast to the first). Any
// other size fails with ERROR_INSUFFICIENT_BUFFER and fills nothing.
BOOL GetVersionExW(LPOSVERSIONINFOW info);
// Major version in the low byte, minor in the next; on NT the build number in
// bits 16-30, on the other platforms the top bit set.
DWORD GetVersion();
