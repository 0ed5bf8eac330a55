#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win32/Kernel.h"
#include "win32/Registry.h"
#include "w32test/Testing.h"
#include "win32/Version.h"

namespace {

class Version : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

TEST_F(Version, DefaultsToNt4Workstation) {
  OSVERSIONINFOW info;
  std::memset(&info, 0xCC, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 4u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  EXPECT_EQ(info.dwBuildNumber, 1381u);
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(std::u16string(info.szCSDVersion), u"Service Pack 6");
  EXPECT_EQ(info.szCSDVersion[127], 0);
}

TEST_F(Version, ExtendedRecordCarriesServicePackSuiteAndProductType) {
  w32test::OsVersion v;
  v.major = 5;
  v.minor = 0;
  v.build = 2195;
  v.csdVersion = u"Service Pack 4";
  v.servicePackMajor = 4;
  v.suiteMask = VER_SUITE_TERMINAL | VER_SUITE_SINGLEUSERTS;
  v.productType = VER_NT_SERVER;
  w32test::SetOsVersion(v);

  OSVERSIONINFOEXW ex;
  std::memset(&ex, 0xCC, sizeof ex);
  ex.dwOSVersionInfoSize = sizeof ex;
  ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex)));
  EXPECT_EQ(ex.dwMajorVersion, 5u);
  EXPECT_EQ(ex.dwBuildNumber, 2195u);
  EXPECT_EQ(std::u16string(ex.szCSDVersion), u"Service Pack 4");
  EXPECT_EQ(ex.wServicePackMajor, 4);
  EXPECT_EQ(ex.wServicePackMinor, 0);
  EXPECT_EQ(ex.wSuiteMask, VER_SUITE_TERMINAL | VER_SUITE_SINGLEUSERTS);
  EXPECT_EQ(ex.wProductType, VER_NT_SERVER);
  EXPECT_EQ(ex.wReserved, 0);
}

TEST_F(Version, OtherRecordSizesAreRefusedUntouched) {
  for (DWORD size : {0u, 148u, 275u, 277u, 552u}) {
    SCOPED_TRACE(size);
    OSVERSIONINFOW info;
    std::memset(&info, 0xCC, sizeof info);
    info.dwOSVersionInfoSize = size;
    SetLastError(0);
    EXPECT_FALSE(GetVersionExW(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(info.dwMajorVersion, 0xCCCCCCCCu);
  }
}

TEST_F(Version, LongServicePackTextIsCutToTheRecord) {
  w32test::OsVersion v;
  v.csdVersion = std::u16string(200, u'x');
  w32test::SetOsVersion(v);
  OSVERSIONINFOW info;
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(std::u16string(info.szCSDVersion), std::u16string(127, u'x'));
}

TEST_F(Version, GetVersionPacksMajorMinorAndBuild) {
  EXPECT_EQ(GetVersion(), (1381u << 16) | 4u);
  w32test::OsVersion nineX;
  nineX.major = 4;
  nineX.minor = 10;
  nineX.build = 2222;
  nineX.platformId = VER_PLATFORM_WIN32_WINDOWS;
  w32test::SetOsVersion(nineX);
  EXPECT_EQ(GetVersion(), 0x80000000u | (10u << 8) | 4u);
}

TEST_F(Version, InjectedFailureAndReset) {
  w32test::FailCall("GetVersionExW", ERROR_INVALID_PARAMETER);
  OSVERSIONINFOW info;
  info.dwOSVersionInfoSize = sizeof info;
  EXPECT_FALSE(GetVersionExW(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  w32test::OsVersion v;
  v.major = 5;
  w32test::SetOsVersion(v);
  w32test::Reset();
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 4u);
}

TEST_F(Version, ProductOptionsArePlainRegistryValues) {
  const char16_t* path = u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

  w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"System\\CurrentControlSet\\Control\\ProductOptions", u"ProductType",
                             u"WinNT");
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_SUCCESS);
  alignas(4) BYTE buffer[128];
  DWORD size = sizeof buffer, type = 0;
  ASSERT_EQ(RegQueryValueExW(key, u"ProductType", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buffer)), u"WinNT");
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExW(key, u"ProductSuite", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

}  // namespace
