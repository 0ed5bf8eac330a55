#include "winnt40/GNT40SheetAccess.h"

#include "win32/Module.h"

namespace {

WCHAR Upper(WCHAR c) { return c >= u'a' && c <= u'z' ? static_cast<WCHAR>(c - (u'a' - u'A')) : c; }

}  // namespace

DWORD GNT40SheetAccess::Flags(DWORD mode, int remote, uint32_t osVersion, int explorer, int noPermission) {
  const uint32_t major = osVersion >> 16;
  DWORD flags = 0;
  if ((mode & kNoPermission) != 0) flags |= kReadOnly;

  if ((mode & kAdvanced) != 0 && (mode & kNoPermission) == 0) {
    flags |= kNoPrinterWrite;
  } else if ((mode & (kNoPermission | kAdvanced | kUserDefault)) == 0) {
    if (remote != 0 && (major <= 4 || explorer == 0)) {
      flags |= kNoPrinterWrite;
    } else if (noPermission != 0) {
      flags |= kNoPrinterWrite;
    }
  }

  if (major >= 5) {
    const bool neither = (mode & (kNoPermission | kAdvanced)) == 0;
    if ((mode & kNoPermission) != 0 || (neither && noPermission != 0)) flags |= kPerUser;
  }
  return flags;
}

int GNT40SheetAccess::IsPerUser(int noPermission, uint32_t osVersion) {
  return noPermission != 0 && osVersion > 0x4FFFF ? 1 : 0;
}

int GNT40SheetAccess::IsShellPath(const WCHAR* path) {
  if (path == nullptr) return 0;
  static constexpr char16_t kShell[] = u"EXPLORER.EXE";
  constexpr size_t kLength = sizeof kShell / sizeof kShell[0] - 1;
  for (size_t start = 0; path[start] != 0; ++start) {
    size_t i = 0;
    while (i < kLength && path[start + i] != 0 && Upper(path[start + i]) == kShell[i]) ++i;
    if (i == kLength) return 1;
  }
  return 0;
}

int GNT40SheetAccess::IsShellProcess() {
  constexpr DWORD kPathLength = 260;
  WCHAR path[kPathLength] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, kPathLength);
  if (length == 0 || length >= kPathLength) return 0;
  return IsShellPath(path);
}
