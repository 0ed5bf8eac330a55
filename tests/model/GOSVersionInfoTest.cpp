// Tests of the operating-system classification against the stand-in's
// settable version record and its in-memory registry.
#include "model/GOSVersionInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/Kernel.h"
#include "win32/Registry.h"
#include "w32test/Testing.h"
#include "win32/Version.h"

namespace {

const std::u16string kProductOptions = u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions";

// What the product options key of the registry holds.
enum class Options {
  Missing,           // no key
  Empty,             // the key without values
  Workstation,       // ProductType "WinNT", no ProductSuite
  WorkstationSuite,  // ProductType "WinNT" with a ProductSuite
  Server,            // ProductType "ServerNT"
  DomainController,  // ProductType "LanmanNT"
};

std::vector<BYTE> OSVersionInfoBytes(const std::u16string& text) {
  std::vector<BYTE> out;
  for (char16_t c : text) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  return out;
}

void SetProductOptions(Options options) {
  switch (options) {
    case Options::Missing:
      break;
    case Options::Empty:
    {
      HKEY key = nullptr;
      ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductOptions.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
                ERROR_SUCCESS);
      RegCloseKey(key);
      break;
    }
    case Options::Workstation:
      w32test::SetRegistryString(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductType", u"WinNT");
      break;
    case Options::WorkstationSuite:
      w32test::SetRegistryString(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductType", u"WinNT");
      // An empty list, as a workstation has it: just the list's terminator.
      w32test::SetRegistryValue(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductSuite", REG_MULTI_SZ, {0, 0});
      break;
    case Options::Server:
      w32test::SetRegistryString(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductType", u"ServerNT");
      break;
    case Options::DomainController:
      w32test::SetRegistryString(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductType", u"LanmanNT");
      break;
  }
}

void SetSystem(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
  w32test::OsVersion v;
  v.platformId = platformId;
  v.major = major;
  v.minor = minor;
  v.build = build;
  w32test::SetOsVersion(v);
}

class GOSVersionInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

// ---- Classification -----------------------------------------------------

struct ClassificationCase {
  const char* name;
  DWORD platformId;
  DWORD major;
  DWORD minor;
  DWORD build;
  Options options;
  bool standardQueryFails;  // the first GetVersionExW call fails
  int result;
  // The record after Query; on failure the values it held before.
  int32_t code;
  uint32_t version;
  uint32_t build32;
  int family;
};

constexpr DWORD kWin32s = VER_PLATFORM_WIN32s;
constexpr DWORD kWin9x = VER_PLATFORM_WIN32_WINDOWS;
constexpr DWORD kNT = VER_PLATFORM_WIN32_NT;

// The record Query starts from, so that a failure shows it was left alone.
const GOSVersionInfo kBefore(99, 0x12345678, 77);

const ClassificationCase kCases[] = {
    // Standard query.
    {"Win32s", kWin32s, 3, 11, 0, Options::Missing, false, 1, 4, 0x0003000B, 0, 2},
    // The 95/98/Me build number carries major.minor in its high word.
    {"Windows95", kWin9x, 4, 0, 0x040003B6, Options::Missing, false, 1, 6, 0x00040000, 950, 0},
    {"Windows98", kWin9x, 4, 10, 0x040A07CE, Options::Missing, false, 1, 7, 0x0004000A, 1998, 0},
    {"Minor1Is98", kWin9x, 4, 1, 100, Options::Missing, false, 1, 7, 0x00040001, 100, 0},
    {"Minor19Is98", kWin9x, 4, 19, 100, Options::Missing, false, 1, 7, 0x00040013, 100, 0},
    {"Minor20Is95", kWin9x, 4, 20, 100, Options::Missing, false, 1, 6, 0x00040014, 100, 0},
    {"Minor21IsMe", kWin9x, 4, 21, 100, Options::Missing, false, 1, 8, 0x00040015, 100, 0},
    {"WindowsMe", kWin9x, 4, 90, 0x045A0BB8, Options::Missing, false, 1, 8, 0x0004005A, 3000, 0},
    {"Windows9xMajor5", kWin9x, 5, 0, 7, Options::Missing, false, 1, 6, 0x00050000, 7, 0},
    {"NT4Workstation", kNT, 4, 0, 1381, Options::Workstation, false, 1, 9, 0x00040000, 1381, 4},
    {"NT4WorkstationWithSuite", kNT, 4, 0, 1381, Options::WorkstationSuite, false, 1, 13, 0x00040000, 1381, 4},
    {"NT4Server", kNT, 4, 0, 1381, Options::Server, false, 1, 10, 0x00040000, 1381, 4},
    {"NT4DomainController", kNT, 4, 0, 1381, Options::DomainController, false, 1, 10, 0x00040000, 1381, 4},
    {"Windows2000Professional", kNT, 5, 0, 2195, Options::WorkstationSuite, false, 1, 13, 0x00050000, 2195, 4},
    {"Windows2000WithoutSuite", kNT, 5, 0, 2195, Options::Workstation, false, 1, 9, 0x00050000, 2195, 4},
    {"Windows2000Server", kNT, 5, 0, 2195, Options::Server, false, 1, 10, 0x00050000, 2195, 4},
    // Later NT 5.x builds are classified without the registry.
    {"WindowsXP", kNT, 5, 1, 2600, Options::Missing, false, 1, 14, 0x00050001, 2600, 4},
    {"WindowsServer2003", kNT, 5, 2, 3790, Options::Server, false, 1, 14, 0x00050002, 3790, 4},
    {"NT5OtherBuild", kNT, 5, 0, 2031, Options::Missing, false, 1, 14, 0x00050000, 2031, 4},

    // Unclassified by the standard query: the packed GetVersion decides, build 0.
    {"Windows9xMajor3", kWin9x, 3, 95, 1, Options::Missing, false, 1, 4, 0x0003005F, 0, 2},
    {"UnknownPlatform", 3, 4, 0, 1, Options::Missing, false, 1, 5, 0x00040000, 0, 3},
    {"UnknownPlatformMajor3", 3, 3, 1, 1, Options::Missing, false, 1, 4, 0x00030001, 0, 2},
    {"NT6Workstation", kNT, 6, 0, 6000, Options::WorkstationSuite, false, 1, 13, 0x00060000, 0, 4},
    {"NT6WithoutSuite", kNT, 6, 1, 7600, Options::Workstation, false, 1, 9, 0x00060001, 0, 4},
    {"NT6Server", kNT, 6, 0, 6001, Options::Server, false, 1, 10, 0x00060000, 0, 4},
    {"NT351", kNT, 3, 51, 1057, Options::Workstation, false, 1, 9, 0x00030033, 0, 4},

    // The standard query fails and the 552-byte one is refused as Windows
    // refuses it: GetVersion decides.
    {"Fallback9x", kWin9x, 4, 10, 1998, Options::Missing, true, 1, 5, 0x0004000A, 0, 3},
    {"FallbackWin32s", kWin32s, 3, 11, 0, Options::Missing, true, 1, 4, 0x0003000B, 0, 2},
    {"FallbackNT4", kNT, 4, 0, 1381, Options::Workstation, true, 1, 9, 0x00040000, 0, 4},
    {"FallbackNT4Server", kNT, 4, 0, 1381, Options::Server, true, 1, 10, 0x00040000, 0, 4},
    {"FallbackXPWithSuite", kNT, 5, 1, 2600, Options::WorkstationSuite, true, 1, 13, 0x00050001, 0, 4},
    {"FallbackXPWithoutSuite", kNT, 5, 1, 2600, Options::Workstation, true, 1, 9, 0x00050001, 0, 4},

    // The product options cannot be read: not classified, nothing filled.
    {"NT4WithoutOptionsKey", kNT, 4, 0, 1381, Options::Missing, false, 0, 99, 0x12345678, 77, 0},
    {"NT4WithoutProductType", kNT, 4, 0, 1381, Options::Empty, false, 0, 99, 0x12345678, 77, 0},
    {"Windows2000WithoutOptionsKey", kNT, 5, 0, 2195, Options::Missing, false, 0, 99, 0x12345678, 77, 0},
    {"NT6WithoutOptionsKey", kNT, 6, 0, 6000, Options::Missing, false, 0, 99, 0x12345678, 77, 0},
    {"FallbackNTWithoutOptionsKey", kNT, 4, 0, 1381, Options::Missing, true, 0, 99, 0x12345678, 77, 0},
};

class GOSVersionClassificationTest : public GOSVersionInfoTest,
                                     public ::testing::WithParamInterface<ClassificationCase> {};

TEST_P(GOSVersionClassificationTest, Query) {
  const ClassificationCase& c = GetParam();
  SetSystem(c.platformId, c.major, c.minor, c.build);
  SetProductOptions(c.options);
  if (c.standardQueryFails) w32test::FailCall("GetVersionExW", ERROR_INVALID_PARAMETER);

  GOSVersionInfo info = kBefore;
  EXPECT_EQ(info.Query(), c.result);
  EXPECT_EQ(info.GetPlatformCode(), c.code);
  EXPECT_EQ(info.GetVersion(), c.version);
  EXPECT_EQ(info.GetBuild(), c.build32);
  if (c.result) {
    EXPECT_EQ(info.GetFamilyCode(), c.family);
  }
  EXPECT_EQ(w32test::OpenRegistryKeyCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Systems, GOSVersionClassificationTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ClassificationCase>& info) { return info.param.name; });

TEST_F(GOSVersionInfoTest, FallbackAsksWithTheLargerRecord) {
  // The second attempt announces 552 bytes, which the system refuses with
  // ERROR_INSUFFICIENT_BUFFER; that is the last error Query leaves.
  SetSystem(kWin9x, 4, 10, 1998);
  w32test::FailCall("GetVersionExW", ERROR_INVALID_PARAMETER);
  GOSVersionInfo info;
  ASSERT_EQ(info.Query(), 1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(info, GOSVersionInfo(5, 0x0004000A, 0));
}

TEST_F(GOSVersionInfoTest, DefaultSystemIsNT4Workstation) {
  SetProductOptions(Options::Workstation);
  GOSVersionInfo info;
  ASSERT_EQ(info.Query(), 1);
  EXPECT_EQ(info, GOSVersionInfo(GOSVersionInfo::kWindowsNT4, 0x00040000, 1381));
}

// ---- Product options --------------------------------------------------

struct ProductTypeCase {
  const char* name;
  std::vector<BYTE> data;
  int32_t code;  // with a ProductSuite present
};

TEST_F(GOSVersionInfoTest, ProductTypeIsComparedWholeWithoutRegardToCase) {
  const ProductTypeCase cases[] = {
      {"lower case", OSVersionInfoBytes(std::u16string(u"winnt\0", 6)), 13},
      {"upper case", OSVersionInfoBytes(std::u16string(u"WINNT\0", 6)), 13},
      {"without terminator", OSVersionInfoBytes(u"WinNT"), 13},
      {"odd byte count", [] {
         auto b = OSVersionInfoBytes(std::u16string(u"WinNT\0", 6));
         b.push_back('x');
         return b;
       }(),
       13},
      {"longer", OSVersionInfoBytes(std::u16string(u"WinNTX\0", 7)), 10},
      {"a prefix", OSVersionInfoBytes(std::u16string(u"Win\0", 4)), 10},
      {"text after the terminator", OSVersionInfoBytes(std::u16string(u"WinNT\0Server", 12)), 13},
      {"empty", {}, 10},
  };
  for (const ProductTypeCase& c : cases) {
    SCOPED_TRACE(c.name);
    w32test::Reset();
    SetSystem(kNT, 4, 0, 1381);
    w32test::SetRegistryValue(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductType", REG_SZ, c.data);
    w32test::SetRegistryValue(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductSuite", REG_MULTI_SZ,
                              OSVersionInfoBytes(std::u16string(u"Terminal Server\0\0", 17)));
    GOSVersionInfo info;
    ASSERT_EQ(info.Query(), 1);
    EXPECT_EQ(info.GetPlatformCode(), c.code);
  }
}

TEST_F(GOSVersionInfoTest, ProductTypeTooLongForItsBufferFails) {
  // 64 characters and the terminator do not fit in 128 bytes.
  SetSystem(kNT, 5, 0, 2195);
  w32test::SetRegistryString(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductType", std::u16string(64, u'W'));
  GOSVersionInfo info = kBefore;
  EXPECT_EQ(info.Query(), 0);
  EXPECT_EQ(info, kBefore);
  EXPECT_EQ(w32test::OpenRegistryKeyCount(), 0u);

  // 63 characters fit and read as a server.
  w32test::SetRegistryString(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductType", std::u16string(63, u'W'));
  EXPECT_EQ(info.Query(), 1);
  EXPECT_EQ(info, GOSVersionInfo(GOSVersionInfo::kWindowsNTServer, 0x00050000, 2195));
}

TEST_F(GOSVersionInfoTest, ProductSuiteLongerThanItsBufferIsStillPresent) {
  SetSystem(kNT, 5, 0, 2195);
  SetProductOptions(Options::Workstation);
  std::u16string suites(u"Small Business\0Enterprise\0BackOffice\0CommunicationServer\0Terminal Server\0\0", 75);
  ASSERT_GT(suites.size() * 2, 128u);
  w32test::SetRegistryValue(HKEY_LOCAL_MACHINE, kProductOptions, u"ProductSuite", REG_MULTI_SZ, OSVersionInfoBytes(suites));
  GOSVersionInfo info;
  ASSERT_EQ(info.Query(), 1);
  EXPECT_EQ(info.GetPlatformCode(), GOSVersionInfo::kWindows2000);
  EXPECT_EQ(w32test::OpenRegistryKeyCount(), 0u);
}

TEST_F(GOSVersionInfoTest, RegistryFailuresLeaveTheRecordAlone) {
  SetSystem(kNT, 4, 0, 1381);
  SetProductOptions(Options::WorkstationSuite);
  for (const char* call : {"RegOpenKeyExW", "RegQueryValueExW"}) {
    SCOPED_TRACE(call);
    w32test::FailCall(call, ERROR_ACCESS_DENIED);
    GOSVersionInfo info = kBefore;
    EXPECT_EQ(info.Query(), 0);
    EXPECT_EQ(info, kBefore);
    EXPECT_EQ(w32test::OpenRegistryKeyCount(), 0u);
  }
  // Once the calls work again the same record classifies.
  GOSVersionInfo info;
  ASSERT_EQ(info.Query(), 1);
  EXPECT_EQ(info.GetPlatformCode(), GOSVersionInfo::kWindows2000);
}

// ---- Equality and families ----------------------------------------------

TEST_F(GOSVersionInfoTest, EqualityComparesAllThreeFields) {
  const GOSVersionInfo a(13, 0x00050000, 2195);
  EXPECT_TRUE(a == GOSVersionInfo(13, 0x00050000, 2195));
  EXPECT_FALSE(a == GOSVersionInfo(14, 0x00050000, 2195));
  EXPECT_FALSE(a == GOSVersionInfo(13, 0x00050001, 2195));
  EXPECT_FALSE(a == GOSVersionInfo(13, 0x00050000, 2196));
  EXPECT_TRUE(a != GOSVersionInfo());
  EXPECT_EQ(GOSVersionInfo(), GOSVersionInfo(0, 0, 0));
}

TEST_F(GOSVersionInfoTest, FamilyOfEveryCode) {
  const struct {
    int32_t code;
    int family;
  } families[] = {{-1, 0}, {0, 0}, {1, 1}, {2, 2},  {3, 2},  {4, 2},  {5, 3},  {6, 0},  {7, 0},
                  {8, 0},  {9, 4}, {10, 4}, {11, 4}, {12, 6}, {13, 4}, {14, 4}, {15, 0}, {1000, 0}};
  for (const auto& f : families) {
    EXPECT_EQ(GOSVersionInfo(f.code, 0, 0).GetFamilyCode(), f.family) << f.code;
  }
}

}  // namespace
