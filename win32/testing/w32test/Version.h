// The testing interface of the stand-in, part Version: see "w32test/Testing.h".
#pragma once

#include <string>

#include "win32/Version.h"

namespace w32test {

struct OsVersion {
  DWORD major = 4;
  DWORD minor = 0;
  DWORD build = 1381;
  DWORD platformId = VER_PLATFORM_WIN32_NT;
  std::u16string csdVersion = u"Service Pack 6";  // at most 127 characters are answered
  WORD servicePackMajor = 6;
  WORD servicePackMinor = 0;
  WORD suiteMask = 0;
  BYTE productType = VER_NT_WORKSTATION;
};

void SetOsVersion(const OsVersion& version);
OsVersion CurrentOsVersion();

}  // namespace w32test
