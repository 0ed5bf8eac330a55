#include "model/GOSVersionInfo.h"

#include <cstring>

#include "rw/RWWString.h"
#include "win32/Registry.h"
#include "win32/Version.h"

namespace {

constexpr int32_t kUnclassified = 0;

// Size announced by the second attempt when the standard record is refused.
// The buffer passed really has that size, so a system that accepts the size
// can fill all of it.
constexpr DWORD kFallbackRecordSize = 552;
struct FallbackVersionRecord {
  OSVERSIONINFOW info;
  BYTE rest[kFallbackRecordSize - sizeof(OSVERSIONINFOW)];
};
static_assert(sizeof(FallbackVersionRecord) == kFallbackRecordSize, "the fallback record is 552 bytes");

// The product options are read into a buffer of this many bytes.
constexpr DWORD kProductValueBytes = 128;

// NT line: NT 4.0, Windows 2000 (build 2195) or a later NT 5.x.
int32_t ClassifyNT(DWORD major, DWORD build) {
  if (major == 4) return GOSVersionInfo::kWindowsNT4;
  if (major == 5) return build == 2195 ? GOSVersionInfo::kWindows2000 : GOSVersionInfo::kWindowsNT5Later;
  return kUnclassified;
}

int32_t ClassifyStandard(const OSVERSIONINFOW& info) {
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      return GOSVersionInfo::kWin32s;
    case VER_PLATFORM_WIN32_WINDOWS:
      if (info.dwMajorVersion < 4) return kUnclassified;
      if (info.dwMinorVersion >= 1 && info.dwMinorVersion <= 19) return GOSVersionInfo::kWindows98;
      if (info.dwMinorVersion > 20) return GOSVersionInfo::kWindowsMe;
      return GOSVersionInfo::kWindows95;  // minor 0 or 20
    case VER_PLATFORM_WIN32_NT:
      return ClassifyNT(info.dwMajorVersion, info.dwBuildNumber);
    default:
      return kUnclassified;
  }
}

int32_t ClassifyFallback(const OSVERSIONINFOW& info) {
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      return GOSVersionInfo::kWin32s;
    case VER_PLATFORM_WIN32_WINDOWS:
      return GOSVersionInfo::kWindows9xFallback;
    case VER_PLATFORM_WIN32_NT:
      return ClassifyNT(info.dwMajorVersion, info.dwBuildNumber);
    default:
      return kUnclassified;
  }
}

uint32_t PackVersion(DWORD major, DWORD minor) { return (major << 16) | minor; }

// The registry text in buffer (size bytes as the registry answered them),
// up to its first 0; the value need not be terminated.
RWWString RegistryText(const BYTE* buffer, DWORD size) {
  WCHAR units[kProductValueBytes / 2];
  size_t count = (size < sizeof units ? size : sizeof units) / 2;
  std::memcpy(units, buffer, count * 2);
  size_t length = 0;
  while (length < count && units[length] != 0) ++length;
  return RWWString(units, length);
}

// The code the product options give an NT workstation or server: 10 for a
// server, else 13 with a product suite and 9 without. False when the options
// cannot be read.
bool RefineFromProductOptions(int32_t* code) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  BYTE buffer[kProductValueBytes] = {};
  DWORD type = 0;
  DWORD size = sizeof buffer;
  bool read = RegQueryValueExW(key, u"ProductType", nullptr, &type, buffer, &size) == ERROR_SUCCESS;
  if (read) {
    if (RegistryText(buffer, size).CompareText(u"Winnt", 1) != 0) {
      *code = GOSVersionInfo::kWindowsNTServer;
    } else {
      size = sizeof buffer;
      LONG suite = RegQueryValueExW(key, u"ProductSuite", nullptr, &type, buffer, &size);
      // A suite list longer than the buffer is still a suite list.
      bool present = suite == ERROR_SUCCESS || suite == ERROR_MORE_DATA;
      *code = present ? GOSVersionInfo::kWindows2000 : GOSVersionInfo::kWindowsNT4;
    }
  }
  RegCloseKey(key);
  return read;
}

}  // namespace

int GOSVersionInfo::Query() {
  int32_t code = kUnclassified;
  uint32_t version = 0;
  uint32_t build = 0;

  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (GetVersionExW(&info)) {
    version = PackVersion(info.dwMajorVersion, info.dwMinorVersion);
    build = info.dwBuildNumber & 0xFFFF;
    code = ClassifyStandard(info);
  } else {
    FallbackVersionRecord record{};
    record.info.dwOSVersionInfoSize = kFallbackRecordSize;
    if (GetVersionExW(&record.info)) {
      version = PackVersion(record.info.dwMajorVersion, record.info.dwMinorVersion);
      build = record.info.dwBuildNumber & 0xFFFF;
      code = ClassifyFallback(record.info);
    }
  }

  if (code == kUnclassified) {
    // The system call, not the member of the same name.
    const DWORD packed = ::GetVersion();
    const DWORD major = packed & 0xFF;
    const DWORD minor = (packed >> 8) & 0xFF;
    version = PackVersion(major, minor);
    build = 0;
    if (packed & 0x80000000u) {
      code = major == 3 ? kWin32s : kWindows9xFallback;
    } else {
      code = major == 4 ? kWindowsNT4 : kWindows2000;
    }
  }

  if (code == kWindowsNT4 || code == kWindows2000) {
    if (!RefineFromProductOptions(&code)) return 0;
  }

  platformCode_ = code;
  version_ = version;
  build_ = build;
  return 1;
}

int GOSVersionInfo::GetFamilyCode() const {
  switch (platformCode_) {
    case 1:
      return 1;
    case 2:
    case 3:
    case kWin32s:
      return 2;
    case kWindows9xFallback:
      return 3;
    case kWindows95:
    case kWindows98:
    case kWindowsMe:
      return 0;
    case kWindowsNT4:
    case kWindowsNTServer:
    case 11:
    case kWindows2000:
    case kWindowsNT5Later:
      return 4;
    case 12:
      return 6;
    default:
      return 0;
  }
}
