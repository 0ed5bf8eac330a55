#include "winnt40/GNT40OSFactory.h"

#include <gtest/gtest.h>

#include <memory>

#include "driver/GCodePageConverter.h"
#include "driver/GLock.h"
#include "model/GLocaleInfo.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "support/NT40TestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Environment.h"
#include "win32/File.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Time.h"
#include "w32test/Testing.h"
#include "winnt40/GSemaphoreLock.h"

namespace {

using qvtest::DwordBytes;
using qvtest::Text;
using qvtest::WideBytes;

class GNT40OSFactoryTest : public qvtest::NT40Test {};

// ---- Printer data ----

TEST_F(GNT40OSFactoryTest, StringsAreStoredWithoutTerminatorAndReadWhole) {
  ASSERT_EQ(factory_->SetPrinterDataString(Instance(), u"JobStorageUniqueID", u"QV-4711"), 1);
  auto stored = Data(u"JobStorageUniqueID");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored->data, WideBytes(u"QV-4711", false));
  EXPECT_EQ(Text(factory_->GetPrinterDataString(Instance(), u"JobStorageUniqueID", u"1")), u"QV-4711");

  // Written by others with a terminator, or with an odd byte count.
  PutData(u"WithZero", REG_SZ, WideBytes(u"abc", true));
  EXPECT_EQ(Text(factory_->GetPrinterDataString(Instance(), u"WithZero", u"")), u"abc");
  std::vector<BYTE> odd = WideBytes(u"xy", false);
  odd.push_back(0x41);
  PutData(u"Odd", REG_SZ, odd);
  EXPECT_EQ(Text(factory_->GetPrinterDataString(Instance(), u"Odd", u"")), u"xy");
}

TEST_F(GNT40OSFactoryTest, StringReadsFallBackToTheDefault) {
  PutData(u"Number", REG_DWORD, DwordBytes(5));
  PutData(u"Empty", REG_SZ, {});
  EXPECT_EQ(Text(factory_->GetPrinterDataString(Instance(), u"Number", u"d")), u"d");
  EXPECT_EQ(Text(factory_->GetPrinterDataString(Instance(), u"Empty", u"d")), u"d");
  EXPECT_EQ(Text(factory_->GetPrinterDataString(Instance(), u"Missing", u"d")), u"d");
  // Strings use only the driver object's own handle.
  PutData(u"Text", REG_SZ, WideBytes(u"t", false));
  EXPECT_EQ(Text(factory_->GetPrinterDataString(Unopened(), u"Text", u"d")), u"d");
  EXPECT_EQ(factory_->SetPrinterDataString(Unopened(), u"Text", u"new"), 0);
}

TEST_F(GNT40OSFactoryTest, DwordsReadOnlyAsFourByteDwords) {
  ASSERT_EQ(factory_->SetPrinterDataDword(Instance(), u"PassThrough", 0x01020304), 1);
  EXPECT_EQ(Data(u"PassThrough")->data, DwordBytes(0x01020304));
  EXPECT_EQ(factory_->GetPrinterDataDword(Instance(), u"PassThrough", 255), 0x01020304u);
  // Without a handle of its own the printer is opened for the call.
  EXPECT_EQ(factory_->GetPrinterDataDword(Unopened(), u"PassThrough", 255), 0x01020304u);
  EXPECT_EQ(factory_->SetPrinterDataDword(Unopened(), u"Stale", 1), 1);
  PutData(u"Short", REG_DWORD, {1, 2});
  PutData(u"Binary", REG_BINARY, DwordBytes(7));
  EXPECT_EQ(factory_->GetPrinterDataDword(Instance(), u"Short", 255), 255u);
  EXPECT_EQ(factory_->GetPrinterDataDword(Instance(), u"Binary", 255), 255u);
  EXPECT_EQ(factory_->GetPrinterDataDword(Instance(), u"Missing", 255), 255u);
}

TEST_F(GNT40OSFactoryTest, DeleteRemovesThePrinterDataValue) {
  PutData(u"Gone", REG_DWORD, DwordBytes(1));
  EXPECT_EQ(factory_->DeletePrinterDataValue(Instance(), u"Gone"), 1);
  EXPECT_FALSE(Data(u"Gone").has_value());
  EXPECT_EQ(factory_->DeletePrinterDataValue(Instance(), u"Gone"), 0);
}

TEST_F(GNT40OSFactoryTest, PrinterSubkeyStrings) {
  const std::u16string key = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Office Laser 5\\QV";
  EXPECT_EQ(factory_->WritePrinterKeyString(Instance(), u"QV", u"Empty", u""), 1);
  EXPECT_FALSE(w32test::ReadRegistryValue(HKEY_LOCAL_MACHINE, key, u"Empty").has_value());
  EXPECT_TRUE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_EQ(factory_->WritePrinterKeyString(Instance(), u"QV", u"Model", u"Office 5"), 1);
  EXPECT_EQ(w32test::ReadRegistryValue(HKEY_LOCAL_MACHINE, key, u"Model")->data, WideBytes(u"Office 5", true));
  EXPECT_EQ(Text(factory_->ReadPrinterKeyString(Instance(), u"QV", u"Model", u"d")), u"Office 5");
  EXPECT_EQ(Text(factory_->ReadPrinterKeyString(Instance(), u"QV", u"Missing", u"d")), u"d");
  EXPECT_EQ(Text(factory_->ReadPrinterKeyString(Instance(), u"Absent", u"Model", u"d")), u"d");
}

// ---- Machine and user registry values ----

TEST_F(GNT40OSFactoryTest, MachineAndUserValues) {
  w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\QV", u"Path", u"C:\\QV");
  w32test::SetRegistryDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\QV", u"Level", 3);
  w32test::SetRegistryValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\QV", u"Blank", REG_SZ, {});
  w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\QV", u"Terminator", u"");
  EXPECT_EQ(Text(factory_->ReadMachineString(u"SOFTWARE\\QV", u"Path", u"d")), u"C:\\QV");
  EXPECT_EQ(Text(factory_->ReadMachineString(u"SOFTWARE\\QV", u"Blank", u"d")), u"d");
  EXPECT_EQ(Text(factory_->ReadMachineString(u"SOFTWARE\\QV", u"Terminator", u"d")), u"");
  EXPECT_EQ(Text(factory_->ReadMachineString(u"SOFTWARE\\QV", u"Level", u"d")), u"d");
  EXPECT_EQ(factory_->ReadMachineDword(u"SOFTWARE\\QV", u"Level", 9), 3u);
  EXPECT_EQ(factory_->ReadMachineDword(u"SOFTWARE\\QV", u"Path", 9), 9u);
  EXPECT_EQ(factory_->ReadMachineDword(u"SOFTWARE\\None", u"Level", 9), 9u);
  EXPECT_EQ(factory_->MachineKeyExists(u"SOFTWARE\\QV"), 1);
  EXPECT_EQ(factory_->MachineKeyExists(u"SOFTWARE\\None"), 0);

  EXPECT_NE(factory_->CreateMachineDwordIfMissing(u"SOFTWARE\\None", u"Level", 1), ERROR_SUCCESS);
  EXPECT_EQ(factory_->CreateMachineDwordIfMissing(u"SOFTWARE\\QV", u"Level", 1), ERROR_SUCCESS);
  EXPECT_EQ(factory_->ReadMachineDword(u"SOFTWARE\\QV", u"Level", 9), 3u);
  EXPECT_EQ(factory_->CreateMachineDwordIfMissing(u"SOFTWARE\\QV", u"New", 6), ERROR_SUCCESS);
  EXPECT_EQ(factory_->ReadMachineDword(u"SOFTWARE\\QV", u"New", 9), 6u);

  EXPECT_EQ(factory_->UserKeyExists(u"Software\\QV"), 0);
  EXPECT_EQ(factory_->WriteUserString(u"Software\\QV", u"Last", u"Basics"), 1);
  EXPECT_EQ(w32test::ReadRegistryValue(HKEY_CURRENT_USER, u"Software\\QV", u"Last")->data,
            WideBytes(u"Basics", true));
  EXPECT_EQ(Text(factory_->ReadUserString(u"Software\\QV", u"Last", u"d")), u"Basics");
  EXPECT_EQ(factory_->WriteUserDword(u"Software\\QV", u"Count", 12), 1);
  EXPECT_EQ(factory_->ReadUserDword(u"Software\\QV", u"Count", 0), 12u);
  EXPECT_EQ(factory_->UserKeyExists(u"Software\\QV"), 1);
  EXPECT_EQ(w32test::OpenRegistryKeyCount(), 0u);
}

// ---- Time ----

SYSTEMTIME LocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME t{};
  t.wYear = year;
  t.wMonth = month;
  t.wDay = day;
  t.wHour = hour;
  t.wMinute = minute;
  t.wSecond = 30;
  return t;
}

TEST_F(GNT40OSFactoryTest, ShiftedTimeMovesAcrossDaysMonthsAndYears) {
  struct Case {
    const char* what;
    SYSTEMTIME local;
    int16_t offset;
    int16_t year, month, day, hour, minute;
  };
  const Case cases[] = {
      {"back across midnight", LocalTime(2023, 6, 15, 0, 10), -30, 2023, 6, 14, 23, 40},
      {"back into a leap February", LocalTime(2024, 3, 1, 0, 10), -30, 2024, 2, 29, 23, 40},
      {"back into a common February", LocalTime(2023, 3, 1, 0, 10), -30, 2023, 2, 28, 23, 40},
      {"back into a century February", LocalTime(2100, 3, 1, 0, 10), -30, 2100, 2, 28, 23, 40},
      {"back into February of 2000", LocalTime(2000, 3, 1, 0, 10), -30, 2000, 2, 29, 23, 40},
      {"back across the year end", LocalTime(2025, 1, 1, 0, 10), -30, 2024, 12, 31, 23, 40},
      {"back into a 30-day month", LocalTime(2023, 5, 1, 1, 0), -90, 2023, 4, 30, 23, 30},
      {"forward across the year end", LocalTime(2024, 12, 31, 23, 50), 30, 2025, 1, 1, 0, 20},
      {"forward across a month end", LocalTime(2023, 4, 30, 23, 30), 45, 2023, 5, 1, 0, 15},
      {"forward within the hour", LocalTime(2023, 4, 30, 10, 5), 30, 2023, 4, 30, 10, 35},
      {"more than a day forward", LocalTime(2023, 12, 31, 20, 0), 1560, 2024, 1, 1, 22, 0},
      {"more than a day back", LocalTime(2023, 1, 2, 1, 0), -1560, 2022, 12, 31, 23, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A zone far from UTC, so that local time is what the record shows.
    ASSERT_TRUE(w32test::SetLocalClock(c.local, 300));
    factory_->SetTimeOffset(c.offset);
    GDateTime local;
    GDateTime shifted;
    int16_t offset = 0;
    ASSERT_EQ(factory_->GetDateTime(&local, &shifted, &offset), 1);
    EXPECT_EQ(offset, c.offset);
    EXPECT_EQ(local.year, static_cast<int16_t>(c.local.wYear));
    EXPECT_EQ(local.month, static_cast<int16_t>(c.local.wMonth));
    EXPECT_EQ(local.day, static_cast<int16_t>(c.local.wDay));
    EXPECT_EQ(local.hour, static_cast<int16_t>(c.local.wHour));
    EXPECT_EQ(local.minute, static_cast<int16_t>(c.local.wMinute));
    EXPECT_EQ(local.second, 30);
    EXPECT_EQ(local.reserved, 0);
    EXPECT_EQ(shifted.year, c.year);
    EXPECT_EQ(shifted.month, c.month);
    EXPECT_EQ(shifted.day, c.day);
    EXPECT_EQ(shifted.hour, c.hour);
    EXPECT_EQ(shifted.minute, c.minute);
    EXPECT_EQ(shifted.second, 30);
    // The day of week is the local one, not moved.
    EXPECT_EQ(shifted.dayOfWeek, local.dayOfWeek);
  }
}

TEST_F(GNT40OSFactoryTest, DayOfWeekIsTheLocalOne) {
  // 2024-03-01 is a Friday.
  ASSERT_TRUE(w32test::SetLocalClock(LocalTime(2024, 3, 1, 0, 10), -600));
  GDateTime local;
  GDateTime shifted;
  int16_t offset = 1;
  ASSERT_EQ(factory_->GetDateTime(&local, &shifted, &offset), 1);
  EXPECT_EQ(local.dayOfWeek, 5);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(shifted.hour, 0);
  EXPECT_EQ(shifted.minute, 10);
}

// ---- Regional settings ----

TEST_F(GNT40OSFactoryTest, LocaleWithoutTheInternationalKeyKeepsItsDefaults) {
  std::unique_ptr<GLocaleInfo> info(factory_->CreateLocaleInfo());
  ASSERT_NE(info, nullptr);
  GLocaleInfo defaults;
  defaults.SetSerial(info->GetSerial());
  EXPECT_EQ(info->Matches(&defaults), 1);
}

TEST_F(GNT40OSFactoryTest, LocaleReadsTheUsersValues) {
  const std::u16string key = u"Control Panel\\International";
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"iCountry", u"49");
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"iMeasure", u"0");
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"iNegCurr", u"8");
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"Locale", u"00000407");
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"sCountry", u"Deutschland");
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"sDate", u".");
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"s1159", u"");
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"sLongDate", u"dddd, d. MMMM yyyy");
  // Longer than the 128-byte buffer, and not text: the defaults stay.
  w32test::SetRegistryString(HKEY_CURRENT_USER, key, u"sShortDate", std::u16string(64, u'd'));
  w32test::SetRegistryDword(HKEY_CURRENT_USER, key, u"iDigits", 5);
  std::unique_ptr<GLocaleInfo> info(factory_->CreateLocaleInfo());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->country, 49);
  EXPECT_EQ(info->measure, 0);
  EXPECT_EQ(info->negativeCurrency, 8);
  EXPECT_EQ(info->locale, 407);
  EXPECT_EQ(info->digits, 2);
  EXPECT_TRUE(info->countryName == "Deutschland");
  EXPECT_TRUE(info->dateSeparator == ".");
  EXPECT_TRUE(info->amSymbol == "");
  EXPECT_TRUE(info->longDateFormat == "dddd, d. MMMM yyyy");
  EXPECT_TRUE(info->shortDateFormat == "M/d/yy");
  EXPECT_TRUE(info->timeSeparator == ":");
  EXPECT_EQ(w32test::OpenRegistryKeyCount(), 0u);
}

// ---- Directories ----

TEST_F(GNT40OSFactoryTest, TemporaryDirectoryComesFromThePrinterThenTheEnvironment) {
  EXPECT_EQ(Text(factory_->GetTempDirectory(Instance())), u"\\SystemRoot\\System32\\Spool\\Printers");
  w32test::SetEnvironment(u"TEMP", u"C:\\Temp");
  EXPECT_EQ(Text(factory_->GetTempDirectory(Instance())), u"C:\\Temp");
  w32test::SetEnvironment(u"TMP", u"D:\\Tmp");
  EXPECT_EQ(Text(factory_->GetTempDirectory(Instance())), u"D:\\Tmp");
  PutData(u"TempDirectoryLocation", REG_SZ, WideBytes(u"E:\\Spool", false));
  EXPECT_EQ(Text(factory_->GetTempDirectory(Instance())), u"E:\\Spool");
}

TEST_F(GNT40OSFactoryTest, DriverDirectoryIsTheModulesDirectoryKept) {
  w32test::ModuleSpec spec;
  spec.name = u"QVUI.DLL";
  spec.path = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
  spec.loadCount = 1;
  factory_->SetModuleHandle(w32test::InstallModule(spec));
  EXPECT_EQ(Text(factory_->GetDriverDirectory()), kDriverDirectory);
  // Kept once read.
  factory_->SetModuleHandle(nullptr);
  EXPECT_EQ(Text(factory_->GetDriverDirectory()), kDriverDirectory);

  auto* other = new GNT40OSFactory;
  services_.Change([&](GUpwardServices& s) { s.factory = other; });
  delete factory_;
  factory_ = other;
  EXPECT_EQ(Text(factory_->GetDriverDirectory()), u"C:\\WINDOWS\\SYSTEM32");
}

// ---- Files ----

TEST_F(GNT40OSFactoryTest, UniqueFileNameNamesANewFile) {
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Spool"));
  const size_t handles = w32test::OpenHandleCount();
  const RWWString name = factory_->MakeUniqueFileName(u"C:\\Spool", RWWString(), 1);
  ASSERT_EQ(name.Length(), std::u16string(u"C:\\Spool\\").size() + 12);
  EXPECT_EQ(factory_->FileExists(name), 1);
  EXPECT_EQ(w32test::FileContents(name.Data()).value_or("x"), "");
  const RWWString second = factory_->MakeUniqueFileName(u"C:\\Spool", RWWString(), 1);
  EXPECT_FALSE(second == name);
  // Nothing can be created in a directory that does not exist.
  EXPECT_TRUE(factory_->MakeUniqueFileName(u"C:\\Missing", RWWString(), 1).IsEmpty());
  // Without create a free name is enough.
  EXPECT_EQ(Text(factory_->MakeUniqueFileName(u"C:\\Missing", u"fixed.txt", 0)), u"C:\\Missing\\fixed.txt");
  EXPECT_EQ(w32test::OpenHandleCount(), handles);
}

TEST_F(GNT40OSFactoryTest, FileExistsAndCreateEmptyFile) {
  ASSERT_TRUE(w32test::PutFile(u"C:\\Data\\x.bin", "content"));
  EXPECT_EQ(factory_->FileExists(u"C:\\Data\\x.bin"), 1);
  EXPECT_EQ(factory_->FileExists(u"C:\\Data\\y.bin"), 0);
  EXPECT_EQ(factory_->CreateEmptyFile(u"C:\\Data\\x.bin"), 1);
  EXPECT_EQ(w32test::FileContents(u"C:\\Data\\x.bin").value_or("x"), "");
  EXPECT_EQ(factory_->CreateEmptyFile(u"C:\\Nowhere\\z.bin"), 0);
}

TEST_F(GNT40OSFactoryTest, RandomStaysWithinFifteenBits) {
  factory_->SeedRandom();
  for (int i = 0; i < 1000; ++i) {
    const int r = factory_->Random();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 32767);
  }
}

// ---- Locks ----

TEST_F(GNT40OSFactoryTest, SemaphoreLockTakesAndReleasesOneCount) {
  GSemaphoreLock lock;
  EXPECT_EQ(lock.Lock(), 0);
  EXPECT_EQ(lock.Unlock(), 0);
  // Releasing a lock nobody holds exceeds the semaphore's count.
  EXPECT_EQ(lock.Unlock(), -2);
  w32test::FailCall("WaitForSingleObject", ERROR_INVALID_HANDLE);
  EXPECT_EQ(lock.Lock(), -1);
}

TEST_F(GNT40OSFactoryTest, FactoryLockFailuresReport301And302ThroughTheHandler) {
  qvtest::FatalErrorRecorderForNT40 recorder;
  struct Case {
    const char* function;
    int expectedId;
  };
  for (const Case& c : {Case{"WaitForSingleObject", 301}, Case{"ReleaseSemaphore", 302}}) {
    SCOPED_TRACE(c.function);
    qvtest::FatalErrorRecorderForNT40::reports.clear();
    GLock* slot = nullptr;
    w32test::FailCall(c.function, ERROR_INVALID_HANDLE);
    factory_->EnsureLock(&slot);
    ASSERT_NE(slot, nullptr);
    ASSERT_EQ(qvtest::FatalErrorRecorderForNT40::reports.size(), 1u);
    EXPECT_EQ(qvtest::FatalErrorRecorderForNT40::reports[0].errorId, c.expectedId);
    EXPECT_EQ(qvtest::FatalErrorRecorderForNT40::reports[0].severity, 2);
    EXPECT_TRUE(qvtest::FatalErrorRecorderForNT40::reports[0].sourceFile == "osfactry");
    delete slot;
  }
}

// The factory offers no converter; the driver core's own one serves
// instead, the same object on every call.
TEST_F(GNT40OSFactoryTest, CodePageConverterIsNeverOfferedSoTheBuiltInOneServes) {
  EXPECT_EQ(factory_->CreateCodePageConverter(), nullptr);
  GCodePageConverter* converter = GetCodePageConverter();
  ASSERT_NE(converter, nullptr);
  EXPECT_NE(dynamic_cast<GBuiltInCodePageConverter*>(converter), nullptr);
  EXPECT_EQ(GetCodePageConverter(), converter);
}

// ---- Creation and the driver object ----

TEST_F(GNT40OSFactoryTest, OnlyTheUpwardServicesMakeAFactoryTheProcesss) {
  EXPECT_EQ(GOSFactory::GetInstance(), factory_);
  auto other = std::make_unique<GNT40OSFactory>();
  EXPECT_EQ(GOSFactory::GetInstance(), factory_) << "a new factory installs nothing";
  other.reset();
  EXPECT_EQ(GOSFactory::GetInstance(), factory_) << "nor does deleting one that is not installed remove anything";
  delete factory_;
  factory_ = nullptr;
  EXPECT_EQ(GOSFactory::GetInstance(), nullptr) << "a deleted factory is not handed out";
}

TEST_F(GNT40OSFactoryTest, FixedAnswersOfThePlatform) {
  EXPECT_EQ(factory_->CreateRenderInstance(nullptr), nullptr);
  EXPECT_EQ(factory_->CreateRenderCompanion(nullptr), nullptr);
  EXPECT_EQ(factory_->QueryPlatformValue(nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(factory_->GetPlatformContext(), nullptr);
  EXPECT_EQ(factory_->CreateFontSource(), nullptr);
  EXPECT_EQ(factory_->IsPlatformFlagSet(), 0);
  EXPECT_EQ(factory_->GetPlatformLimit(), -1);
  GLock* lock = factory_->CreateLock();
  EXPECT_NE(dynamic_cast<GSemaphoreLock*>(lock), nullptr);
  delete lock;
  // No driver object without the driver module's hooks.
  EXPECT_EQ(factory_->CreateDriver(reinterpret_cast<GPrinterKey*>(&instance_)), nullptr);
  EXPECT_EQ(factory_->CreateMiniInstallerLauncher(u"Office Laser 5", nullptr, nullptr), nullptr);
}

GPrinterKey* g_keySeen = nullptr;
GDriverInstance* CreateFromKey(GPrinterKey* key) {
  g_keySeen = key;
  return reinterpret_cast<GDriverInstance*>(key);
}
RWWString g_launchedFor;
HANDLE g_launchHandle = nullptr;
GExternalModule* Launch(const RWWString& printer, HANDLE handle) {
  g_launchedFor = printer;
  g_launchHandle = handle;
  return reinterpret_cast<GExternalModule*>(&g_launchedFor);
}

TEST_F(GNT40OSFactoryTest, DriverAndLauncherComeFromTheInstalledCreators) {
  GNT40DriverHooks hooks;
  hooks.createDriver = &CreateFromKey;
  hooks.printerHandle = [](GDriverInstance* i) { return qvtest::FromInstance(i)->handle; };
  services_.Change([&](GUpwardServices& s) { s.nt40Driver = hooks; });
  services_.Change([](GUpwardServices& s) { s.miniInstaller = &Launch; });
  auto* key = reinterpret_cast<GPrinterKey*>(&unopened_);
  EXPECT_EQ(factory_->CreateDriver(key), reinterpret_cast<GDriverInstance*>(key));
  EXPECT_EQ(g_keySeen, key);
  EXPECT_NE(factory_->CreateMiniInstallerLauncher(u"Office Laser 5", instance_.handle, &instance_), nullptr);
  EXPECT_EQ(Text(g_launchedFor), u"Office Laser 5");
  EXPECT_EQ(g_launchHandle, instance_.handle);
}

TEST_F(GNT40OSFactoryTest, DriverDataFileComesFromTheSpoolersDriverInformation) {
  const std::u16string expected = std::u16string(kDriverDirectory) + u"\\QVOFFICE.QVD";
  EXPECT_EQ(Text(factory_->GetDriverDataFile(Instance())), expected);
  const size_t before = w32test::OpenPrinterCount();
  EXPECT_EQ(Text(factory_->GetDriverDataFile(Unopened())), expected);
  EXPECT_EQ(w32test::OpenPrinterCount(), before);

  qvtest::FakeInstance unknown;
  unknown.printerName = RWWString(u"No Such Printer");
  EXPECT_TRUE(factory_->GetDriverDataFile(qvtest::AsInstance(&unknown)).IsEmpty());
  qvtest::FakeInstance bare;
  bare.hasDriverObject = false;
  EXPECT_TRUE(factory_->GetDriverDataFile(qvtest::AsInstance(&bare)).IsEmpty());
  w32test::FailCall("GetPrinterDriverW", ERROR_INSUFFICIENT_BUFFER, 2);
  EXPECT_TRUE(factory_->GetDriverDataFile(Instance()).IsEmpty());
}

TEST_F(GNT40OSFactoryTest, StreamsOpenOnMemory) {
  char buffer[64];
  std::unique_ptr<GPersistOutStream> out(factory_->OpenOutputStream(buffer, sizeof buffer, 1));
  ASSERT_NE(out, nullptr);
  ASSERT_NE(out->GetStream(), nullptr);
  out->GetStream()->PutULong(0x11223344);
  EXPECT_EQ(out->Tell(), 4);
  std::unique_ptr<GPersistInStream> in(factory_->OpenInputStream(buffer, 4, 1));
  ASSERT_NE(in, nullptr);
  uint32_t value = 0;
  in->GetStream()->GetULong(value);
  EXPECT_EQ(value, 0x11223344u);
}

}  // namespace
