// The testing interface of the stand-in, part VersionInfo: see "w32test/Testing.h".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "win32/VersionInfo.h"

namespace w32test {

struct VersionStrings {
  // Language and code page, e.g. {0x0409, 0x04B0}.
  std::vector<std::pair<WORD, WORD>> translations;
  // Full keys ("\StringFileInfo\040904b0\FileDescription") and values.
  std::vector<std::pair<std::u16string, std::u16string>> strings;
};

// Gives the file at that Windows path (compared without case) its version
// information; Reset() removes every one.
void SetFileVersionInfo(LPCWSTR path, const VersionStrings& info);
void RemoveFileVersionInfo(LPCWSTR path);
// Gives the file only a translation table; an empty list removes its block.
void SetVersionTranslations(const std::u16string& fileName, std::vector<std::pair<WORD, WORD>> translations);

}  // namespace w32test
