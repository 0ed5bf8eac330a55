#include "module/GPrinterHandleTable.h"

#include <gtest/gtest.h>

#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"
#include "w32test/Testing.h"

namespace {

using qvtest::FatalErrorRecorder;

class PrinterHandleTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    services_.Change([&](GUpwardServices& s) { s.factory = &factory; });
  }
  void TearDown() override { services_.Restore(); }

  qvtest::ScopedUpwardServices services_;

  struct LockKeepingFactory : qvtest::ScriptedFactory {
    qvtest::FakeLock* last = nullptr;
    GLock* CreateLock() override { return last = new qvtest::FakeLock; }
  } factory;
};

HANDLE H(uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

TEST_F(PrinterHandleTableTest, PutFindRemoveCountEntries) {
  GPrinterHandleTable table;
  int replaced = -1;
  EXPECT_EQ(table.Put(H(0x10), 5, &replaced), 0);
  EXPECT_EQ(table.Put(H(0x20), 6, &replaced), 0);
  EXPECT_EQ(replaced, -1);
  EXPECT_EQ(table.Count(), 2u);
  int handle = 0;
  EXPECT_EQ(table.Find(H(0x20), &handle), 1);
  EXPECT_EQ(handle, 6);
  uint32_t remaining = 99;
  EXPECT_EQ(table.Remove(H(0x10), &handle, &remaining), 1);
  EXPECT_EQ(handle, 5);
  EXPECT_EQ(remaining, 1u);
  EXPECT_EQ(table.Remove(H(0x10), &handle, &remaining), 0) << "an entry goes once";
  EXPECT_EQ(table.Find(H(0x10), &handle), 0);
}

TEST_F(PrinterHandleTableTest, ASecondPutHandsBackTheHandleItReplaces) {
  GPrinterHandleTable table;
  int replaced = 0;
  ASSERT_EQ(table.Put(H(0x10), 5, &replaced), 0);
  EXPECT_EQ(table.Put(H(0x10), 9, &replaced), 1);
  EXPECT_EQ(replaced, 5) << "the caller must close the handle the entry held";
  EXPECT_EQ(table.Count(), 1u);
  int handle = 0;
  table.Find(H(0x10), &handle);
  EXPECT_EQ(handle, 9);
}

TEST_F(PrinterHandleTableTest, HandlesAreKeptWholeNotCutTo32Bits) {
  GPrinterHandleTable table;
  const HANDLE low = H(0x0000000000001230);
  const HANDLE high = H(0x0000700000001230);  // the same low 32 bits
  int replaced = 0;
  EXPECT_EQ(table.Put(low, 1, &replaced), 0);
  EXPECT_EQ(table.Put(high, 2, &replaced), 0);
  int handle = 0;
  EXPECT_EQ(table.Find(low, &handle), 1);
  EXPECT_EQ(handle, 1);
  EXPECT_EQ(table.Find(high, &handle), 1);
  EXPECT_EQ(handle, 2);
}

TEST_F(PrinterHandleTableTest, DiscardAllForgetsEveryEntry) {
  GPrinterHandleTable table;
  int replaced = 0;
  for (uintptr_t i = 1; i <= 40; ++i) table.Put(H(i * 8), static_cast<int>(i), &replaced);
  EXPECT_EQ(table.Count(), 40u);
  table.DiscardAll();
  EXPECT_EQ(table.Count(), 0u);
  int handle = 0;
  EXPECT_EQ(table.Find(H(8), &handle), 0);
}

TEST_F(PrinterHandleTableTest, LockFailuresAreCriticalErrorsOfTheDriverObjectsSource) {
  FatalErrorRecorder recorder;
  GPrinterHandleTable table;
  ASSERT_NE(factory.last, nullptr);
  factory.last->failLock = true;
  table.Count();
  factory.last->failLock = false;
  factory.last->failUnlock = true;
  table.Count();
  factory.last->failUnlock = false;
  ASSERT_EQ(FatalErrorRecorder::Reports().size(), 2u);
  EXPECT_EQ(FatalErrorRecorder::Reports()[0].errorId, 301);
  EXPECT_EQ(FatalErrorRecorder::Reports()[1].errorId, 302);
  for (const GFatalErrorReport& r : FatalErrorRecorder::Reports()) {
    EXPECT_EQ(r.severity, 2);
    EXPECT_EQ(std::string(r.sourceFile.Data()), "nt40qddi");
  }
}

}  // namespace
