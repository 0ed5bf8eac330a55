#include "driver/drvrsrvr.h"

#include <gtest/gtest.h>

#include <set>

#include "driver/GDriverInstance.h"
#include "model/GResourceMappingList.h"
#include "support/DriverServerTestSupport.h"
#include "win32/File.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"

namespace {

using qvtest::CountingInstance;
using qvtest::DriverServerTest;
using qvtest::FatalErrorRecorder;

std::u16string ServerText(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

CountingInstance* AsCounting(void* object) { return static_cast<CountingInstance*>(object); }

// ---- GPrinterKey ----

class PrinterKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::PrinterSetup setup;
    setup.name = u"Front Desk";
    setup.driverName = u"Quarrin 4700";
    setup.portName = u"IP_10.0.0.7";
    w32test::AddPrinter(setup);
  }
};

TEST_F(PrinterKeyTest, ByNameFillsDriverAndPortAndKeepsNoHandle) {
  GPrinterKey key(nullptr, RWWString(u"Front Desk"), 0);
  EXPECT_EQ(key.GetPrinterHandle(), nullptr);
  EXPECT_EQ(ServerText(key.GetPrinterName()), u"Front Desk");
  EXPECT_EQ(ServerText(key.GetDriverName()), u"Quarrin 4700");
  EXPECT_EQ(ServerText(key.GetPortName()), u"IP_10.0.0.7");
  EXPECT_EQ(w32test::OpenPrinterCount(), 0u) << "the printer opened for the query stays open";
}

TEST_F(PrinterKeyTest, ByHandleTakesTheSpoolersNameAndKeepsTheHandle) {
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Front Desk", &printer, nullptr));
  for (const char16_t* given : {u"", u"front desk"}) {
    GPrinterKey key(printer, RWWString(given), 0);
    EXPECT_EQ(key.GetPrinterHandle(), printer);
    EXPECT_EQ(ServerText(key.GetPrinterName()), u"Front Desk");
    EXPECT_EQ(ServerText(key.GetDriverName()), u"Quarrin 4700");
  }
  ClosePrinter(printer);
}

TEST_F(PrinterKeyTest, UnknownPrinterKeepsTheNameWithoutDriver) {
  GPrinterKey key(nullptr, RWWString(u"Nowhere"), 3);
  EXPECT_EQ(ServerText(key.GetPrinterName()), u"Nowhere");
  EXPECT_TRUE(key.GetDriverName().IsEmpty());
  EXPECT_TRUE(key.GetPortName().IsEmpty());
  EXPECT_EQ(key.GetFlag(), 3);
}

TEST(PrinterKeyCompare, EqualsNeedsEveryFieldSameDriverOnlyTheDriverName) {
  const RWWString a(u"A"), d(u"Drv"), p(u"P");
  GPrinterKey base(nullptr, a, d, p, 0);
  struct Case {
    GPrinterKey other;
    int equals;
    int sameDriver;
  } cases[] = {
      {GPrinterKey(nullptr, a, d, p, 0), 1, 1},
      {GPrinterKey(reinterpret_cast<HANDLE>(8), a, d, p, 0), 0, 1},
      {GPrinterKey(nullptr, RWWString(u"B"), d, p, 0), 0, 1},
      {GPrinterKey(nullptr, a, d, RWWString(u"Q"), 0), 0, 1},
      {GPrinterKey(nullptr, a, d, p, 1), 0, 1},
      // Exact comparison: no case folding.
      {GPrinterKey(nullptr, a, RWWString(u"DRV"), p, 0), 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(base.Equals(&c.other), c.equals) << c.other.GetPrinterName().NarrowAscii().Data();
    EXPECT_EQ(base.SameDriver(&c.other), c.sameDriver) << c.other.GetDriverName().NarrowAscii().Data();
  }
  EXPECT_EQ(base.Equals(nullptr), 0);
  EXPECT_EQ(base.SameDriver(nullptr), 0);
}

// ---- Opening, caching, reuse ----

TEST_F(DriverServerTest, SameDriverReusesTheClosedInstanceWithoutReadingTheFileAgain) {
  int a = 0;
  void* first = server->OpenDriver(Key(u"A", u"Quarrin"), &a);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(a, 0);
  EXPECT_EQ(server->FindDriver(a), first);
  server->CloseDriver(a);
  EXPECT_EQ(AsCounting(first)->releases, 1);
  EXPECT_EQ(server->FindDriver(a), nullptr);

  int b = 0;
  void* second = server->OpenDriver(Key(u"B", u"Quarrin"), &b);
  EXPECT_EQ(second, first);
  EXPECT_EQ(AsCounting(second)->rebinds, 1);
  EXPECT_EQ(ServerText(AsCounting(second)->GetPrinterName()), u"B");
  EXPECT_EQ(factory->dataFileReads, 1);
  EXPECT_EQ(CountingInstance::created, 1);
  server->CloseDriver(b);
}

TEST_F(DriverServerTest, OtherDriverCreatesANewInstanceAndTheCachedOneStays) {
  int a = 0;
  void* first = server->OpenDriver(Key(u"A", u"Quarrin"), &a);
  server->CloseDriver(a);

  int c = 0;
  void* other = server->OpenDriver(Key(u"C", u"Other"), &c);
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, first);
  EXPECT_EQ(CountingInstance::live, 2) << "the cached instance is kept";
  EXPECT_EQ(factory->dataFileReads, 2);
  server->CloseDriver(c);  // now the cache, deleting A's instance
  EXPECT_EQ(CountingInstance::live, 1);
}

TEST_F(DriverServerTest, ClosingTwoHandlesKeepsOnlyTheSecondInstance) {
  int a = 0, b = 0;
  server->OpenDriver(Key(u"A", u"Quarrin"), &a);
  void* second = server->OpenDriver(Key(u"B", u"Quarrin"), &b);
  EXPECT_NE(a, b);
  EXPECT_EQ(CountingInstance::live, 2);
  server->CloseDriver(a);
  server->CloseDriver(b);
  EXPECT_EQ(CountingInstance::live, 1);
  int again = 0;
  EXPECT_EQ(server->OpenDriver(Key(u"A", u"Quarrin"), &again), second);
  server->CloseDriver(again);
}

TEST_F(DriverServerTest, ManyOpenInstancesGetDistinctNonZeroHandles) {
  std::set<int> handles;
  for (int i = 0; i < 40; ++i) {
    int h = 0;
    ASSERT_NE(server->OpenDriver(Key(u"P", u"Quarrin"), &h), nullptr);
    EXPECT_NE(h, 0);
    handles.insert(h);
  }
  EXPECT_EQ(handles.size(), 40u);
  for (int h : handles) {
    int found = 0;
    EXPECT_EQ(server->GetDriverHandle(&found, static_cast<GDriverInstance*>(AsCounting(server->FindDriver(h)))), 1);
    EXPECT_EQ(found, h);
  }
  server->EmptyTables();
  EXPECT_EQ(CountingInstance::live, 0);
}

TEST_F(DriverServerTest, InstanceTakesTheModelAndMappingsOfTheDataFile) {
  int h = 0;
  auto* instance = AsCounting(server->OpenDriver(Key(u"A", u"Quarrin"), &h));
  ASSERT_NE(instance, nullptr);
  ASSERT_NE(instance->GetDeviceModel(), nullptr);
  EXPECT_EQ(instance->GetDeviceModel()->FeatureId(), 353);
  ASSERT_NE(instance->GetPaperMappings(), nullptr);
  EXPECT_EQ(instance->GetPaperMappings()->FeatureId(), 191);
  ASSERT_NE(instance->GetSourceMappings(), nullptr);
  EXPECT_EQ(instance->GetSourceMappings()->FeatureId(), 84);
  ASSERT_NE(instance->GetCapabilityMappings(), nullptr);
  EXPECT_EQ(instance->GetCapabilityMappings()->FeatureId(), 194);
  server->CloseDriver(h);
}

TEST_F(DriverServerTest, DataFileWithoutCapabilityMappingsGivesAnEmptyList) {
  qvtest::WriteDataFile(factory->dataFile, false);
  int h = 0;
  auto* instance = AsCounting(server->OpenDriver(Key(u"A", u"Quarrin"), &h));
  ASSERT_NE(instance, nullptr);
  ASSERT_NE(instance->GetCapabilityMappings(), nullptr);
  EXPECT_EQ(instance->GetCapabilityMappings()->FeatureId(), 194);
  EXPECT_EQ(instance->GetCapabilityMappings()->GetEntryCount(), 0);
  server->CloseDriver(h);
}

TEST_F(DriverServerTest, MissingOrDamagedDataFileOpensNothing) {
  const std::string sound = *w32test::FileContents(factory->dataFile.c_str());
  struct Case {
    const char* what;
    bool present;
    std::string bytes;
  } cases[] = {
      {"missing", false, ""},
      {"empty", true, ""},
      {"cut in half", true, sound.substr(0, sound.size() / 2)},
      {"cut after the header", true, sound.substr(0, 6)},
      {"not an object stream", true, std::string(64, '\xEE')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(factory->dataFile.c_str());
    if (c.present) {
      ASSERT_TRUE(w32test::PutFile(factory->dataFile.c_str(), c.bytes));
    }
    int h = 12345;
    EXPECT_EQ(server->OpenDriver(Key(u"A", u"Quarrin"), &h), nullptr);
    EXPECT_EQ(h, 12345) << "the handle is left alone";
    EXPECT_EQ(CountingInstance::live, 0);
  }
  // Nothing was cached for the failed key: the next open reads the file.
  ASSERT_TRUE(w32test::PutFile(factory->dataFile.c_str(), sound));
  int h = 0;
  EXPECT_NE(server->OpenDriver(Key(u"A", u"Quarrin"), &h), nullptr);
  server->CloseDriver(h);
}

TEST_F(DriverServerTest, FactoryWithoutDriverOpensNothing) {
  factory->refuseCreate = true;
  int h = 0;
  EXPECT_EQ(server->OpenDriver(Key(u"A", u"Quarrin"), &h), nullptr);
  EXPECT_EQ(factory->dataFileReads, 0);
}

// ---- Unknown handles and the critical shut-down ----

TEST_F(DriverServerTest, ClosingAnUnknownHandleIsFatalError501) {
  FatalErrorRecorder recorder;
  server->CloseDriver(77);
  ASSERT_EQ(FatalErrorRecorder::Reports().size(), 1u);
  EXPECT_EQ(FatalErrorRecorder::Reports()[0].severity, 1);
  EXPECT_EQ(FatalErrorRecorder::Reports()[0].errorId, 501);
  EXPECT_EQ(std::string(FatalErrorRecorder::Reports()[0].sourceFile.Data()), "drvrsrvr");
}

TEST_F(DriverServerTest, AfterCriticalShutdownClosedInstancesAreDeletedAndUnknownHandlesIgnored) {
  FatalErrorRecorder recorder;
  int a = 0, b = 0;
  server->OpenDriver(Key(u"A", u"Quarrin"), &a);
  server->CloseDriver(a);  // cached
  server->OpenDriver(Key(u"C", u"Other"), &b);
  server->CriticalShutdown();
  EXPECT_EQ(CountingInstance::live, 1) << "the cache is dropped";
  server->CloseDriver(b);
  EXPECT_EQ(CountingInstance::live, 0) << "a closed instance is deleted, not cached";
  server->CloseDriver(4242);
  EXPECT_TRUE(FatalErrorRecorder::Reports().empty());
}

TEST_F(DriverServerTest, ShutDownFlagClearsWhenThePrintSideTableEmpties) {
  FatalErrorRecorder recorder;
  // An unknown print-side handle after a shut-down is ignored, and the
  // print-side table is then empty, which ends the shut-down.
  server->CriticalShutdown();
  server->CloseRenderInstance(9);
  EXPECT_TRUE(FatalErrorRecorder::Reports().empty());
  server->CloseDriver(9);
  EXPECT_EQ(FatalErrorRecorder::Reports().size(), 1u) << "unknown handles are reported again";
}

// ---- Print-side table ----

TEST_F(DriverServerTest, PrintSideInstancesLiveInTheirOwnTableAndCache) {
  static int resets = 0;
  resets = 0;
  services_.Change([](GUpwardServices& s) { s.fontPoolReset = [] { ++resets; }; });
  int r = 0, d = 0;
  void* render = server->OpenRenderInstance(Key(u"A", u"Quarrin"), &r);
  ASSERT_NE(render, nullptr);
  EXPECT_EQ(server->FindRenderInstance(r), render);
  EXPECT_EQ(server->FindDriver(r), nullptr);
  server->OpenDriver(Key(u"A", u"Quarrin"), &d);
  server->CloseRenderInstance(r);
  EXPECT_EQ(resets, 1) << "the last print-side close resets the font pool";
  EXPECT_EQ(CountingInstance::live, 2);
  server->CloseDriver(d);
  EXPECT_EQ(server->DropCaches(), 1);
  EXPECT_EQ(CountingInstance::live, 0);
  EXPECT_EQ(server->DropCaches(), 0);
}

TEST_F(DriverServerTest, EmptyTablesReleasesOnlyPrintSideInstancesBeforeDeletingThem) {
  int r = 0, d = 0;
  ASSERT_NE(server->OpenRenderInstance(Key(u"A", u"Quarrin"), &r), nullptr);
  CountingInstance::releasesAtDeath.clear();
  server->EmptyTables();
  EXPECT_EQ(CountingInstance::releasesAtDeath, std::vector<int>{1});
  EXPECT_EQ(server->FindRenderInstance(r), nullptr);

  ASSERT_NE(server->OpenDriver(Key(u"A", u"Quarrin"), &d), nullptr);
  CountingInstance::releasesAtDeath.clear();
  server->EmptyTables();
  EXPECT_EQ(CountingInstance::releasesAtDeath, std::vector<int>{0});
  EXPECT_EQ(CountingInstance::live, 0);
}

// ---- Releasing memory ----

TEST_F(DriverServerTest, ReleaseMemoryDropsTheCachesFirstWithoutAskingOpenInstances) {
  int a = 0, b = 0;
  server->OpenDriver(Key(u"A", u"Quarrin"), &a);
  server->CloseDriver(a);
  auto* open = AsCounting(server->OpenDriver(Key(u"C", u"Other"), &b));
  EXPECT_EQ(server->ReleaseMemory(), 1);
  EXPECT_EQ(open->memoryAsked, 0);
  EXPECT_EQ(CountingInstance::live, 1);

  // Nothing cached: the open instances are asked.
  EXPECT_EQ(server->ReleaseMemory(), 0);
  EXPECT_EQ(open->memoryAsked, 1);
  open->memoryAnswer = 1;
  EXPECT_EQ(server->ReleaseMemory(), 1);
  server->CloseDriver(b);
}

// ---- Locks ----

TEST_F(DriverServerTest, TableLocksAreTakenAndGivenBack) {
  ASSERT_EQ(factory->locks.size(), 2u);
  int h = 0;
  server->OpenDriver(Key(u"A", u"Quarrin"), &h);
  server->CloseDriver(h);
  for (qvtest::FakeLock* lock : factory->locks) EXPECT_EQ(lock->locks, lock->unlocks);
  EXPECT_GT(factory->locks[0]->locks, 0);
}

TEST_F(DriverServerTest, LockFailuresAreCriticalErrors301And302) {
  FatalErrorRecorder recorder;
  factory->locks[0]->failLock = true;
  EXPECT_EQ(server->FindDriver(1), nullptr);
  factory->locks[0]->failLock = false;
  factory->locks[0]->failUnlock = true;
  EXPECT_EQ(server->FindDriver(1), nullptr);
  factory->locks[0]->failUnlock = false;
  ASSERT_EQ(FatalErrorRecorder::Reports().size(), 2u);
  EXPECT_EQ(FatalErrorRecorder::Reports()[0].errorId, 301);
  EXPECT_EQ(FatalErrorRecorder::Reports()[1].errorId, 302);
  for (const GFatalErrorReport& r : FatalErrorRecorder::Reports()) {
    EXPECT_EQ(r.severity, 2);
    EXPECT_EQ(std::string(r.sourceFile.Data()), "drvrsrvr");
  }
}

// ---- Life of the server ----

TEST_F(DriverServerTest, CreateInstanceKeepsTheOneServer) {
  EXPECT_EQ(GDriverServer::CreateInstance(), server);
  EXPECT_EQ(GDriverServer::GetInstance(), server);
}

TEST_F(DriverServerTest, DestroyingTheServerDeletesEveryInstance) {
  int a = 0, b = 0, r = 0;
  server->OpenDriver(Key(u"A", u"Quarrin"), &a);
  server->OpenDriver(Key(u"B", u"Quarrin"), &b);
  server->CloseDriver(a);
  server->OpenRenderInstance(Key(u"A", u"Quarrin"), &r);
  EXPECT_EQ(CountingInstance::live, 3);
  delete server;
  EXPECT_EQ(GDriverServer::GetInstance(), nullptr);
  EXPECT_EQ(CountingInstance::live, 0);
}

}  // namespace
