#include "win32/Version.h"
#include "w32test/Version.h"

#include <cstring>
#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"

namespace {

struct VersionState {
  std::mutex mutex;
  w32test::OsVersion version;
};

VersionState& versionState() {
  static VersionState* s = [] {
    auto* st = new VersionState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->version = w32test::OsVersion{};
    });
    return st;
  }();
  return *s;
}

}  // namespace

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
  if (w32detail::ShouldFail("GetVersionExW")) return FALSE;
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD size = info->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  w32test::OsVersion v = w32test::CurrentOsVersion();
  info->dwMajorVersion = v.major;
  info->dwMinorVersion = v.minor;
  info->dwBuildNumber = v.build;
  info->dwPlatformId = v.platformId;
  size_t n = v.csdVersion.size() < 127 ? v.csdVersion.size() : 127;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::memcpy(info->szCSDVersion, v.csdVersion.data(), n * sizeof(WCHAR));
  if (size == sizeof(OSVERSIONINFOEXW)) {
    // The caller announced the extended record, so that is what it passed.
    auto* ex = reinterpret_cast<LPOSVERSIONINFOEXW>(info);
    ex->wServicePackMajor = v.servicePackMajor;
    ex->wServicePackMinor = v.servicePackMinor;
    ex->wSuiteMask = v.suiteMask;
    ex->wProductType = v.productType;
    ex->wReserved = 0;
  }
  return TRUE;
}

DWORD GetVersion() {
  w32test::OsVersion v = w32test::CurrentOsVersion();
  DWORD low = (v.major & 0xFF) | ((v.minor & 0xFF) << 8);
  if (v.platformId == VER_PLATFORM_WIN32_NT) return low | ((v.build & 0x7FFF) << 16);
  return low | 0x80000000u;
}

namespace w32test {

void SetOsVersion(const OsVersion& version) {
  VersionState& s = versionState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.version = version;
}

OsVersion CurrentOsVersion() {
  VersionState& s = versionState();
  std::lock_guard<std::mutex> g(s.mutex);
  return s.version;
}

}  // namespace w32test
