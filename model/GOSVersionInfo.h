// GOSVersionInfo: a classification of the running Windows version into one
// platform code, with the version and build it was read from. The platform
// factory reports it; the user interface and the printer-language side use
// the code, or its family, to adapt to the system.
#pragma once

#include <cstdint>

class GOSVersionInfo {
 public:
  // Platform codes that Query produces.
  static constexpr int32_t kWin32s = 4;             // Win32s on 16-bit Windows
  static constexpr int32_t kWindows9xFallback = 5;  // 95/98/Me seen only by the fallback queries
  static constexpr int32_t kWindows95 = 6;          // 4.0
  static constexpr int32_t kWindows98 = 7;          // 4.1 to 4.19
  static constexpr int32_t kWindowsMe = 8;          // 4.21 and later
  static constexpr int32_t kWindowsNT4 = 9;         // NT 4.0, or an NT workstation without a product suite
  static constexpr int32_t kWindowsNTServer = 10;   // product type other than "Winnt"
  static constexpr int32_t kWindows2000 = 13;       // build 2195, or an NT workstation with a product suite
  static constexpr int32_t kWindowsNT5Later = 14;   // NT 5.x other than build 2195

  GOSVersionInfo() = default;
  GOSVersionInfo(int32_t platformCode, uint32_t version, uint32_t build)
      : platformCode_(platformCode), version_(version), build_(build) {}

  // Reads the running system's version and classifies it. Returns 1 and
  // fills the three fields; returns 0 and leaves them as they were when the
  // system could not be classified (the product options in the registry
  // cannot be read for a system that needs them).
  int Query();

  // The family of the platform code: 0 for the 95/98/Me line, 4 for the NT
  // line, 2 for Win32s, 3 for 95/98/Me seen by the fallback queries; the
  // codes 1, 11 and 12 map to 1, 4 and 6, every other code to 0.
  int GetFamilyCode() const;

  int32_t GetPlatformCode() const { return platformCode_; }
  uint32_t GetVersion() const { return version_; }  // major << 16 | minor
  uint32_t GetBuild() const { return build_; }      // 0 when only the fallback query worked

  friend bool operator==(const GOSVersionInfo& a, const GOSVersionInfo& b) {
    return a.platformCode_ == b.platformCode_ && a.version_ == b.version_ && a.build_ == b.build_;
  }

 private:
  int32_t platformCode_ = 0;
  uint32_t version_ = 0;
  uint32_t build_ = 0;
};
