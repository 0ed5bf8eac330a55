#include "driver/newhndlr.h"

#include <gtest/gtest.h>

#include <new>

#include "driver/gbnewhnd.h"
#include "support/DriverServerTestSupport.h"
#include "support/ScopedUpwardServices.h"

namespace {

using qvtest::CountingInstance;
using qvtest::DriverServerTest;

void OtherHandler() {}

// What the fatal-error handler saw of the reserve when the report came.
struct ReportSnapshot {
  int errorId = 0;
  std::string source;
  bool reserveHeld = true;
  int liveInstances = -1;
};
std::vector<ReportSnapshot>& Snapshots() {
  static std::vector<ReportSnapshot> snapshots;
  return snapshots;
}
void Snapshot(const GFatalErrorReport& report) {
  Snapshots().push_back(
      {report.errorId, report.sourceFile.Data(), MemoryReserve::HasBlock(), CountingInstance::live});
}

class MemoryReserveTest : public DriverServerTest {
 protected:
  void SetUp() override {
    DriverServerTest::SetUp();
    previous_ = std::set_new_handler(&OtherHandler);
    Snapshots().clear();
    previousFatal_ = SetFatalErrorHandler(&Snapshot);
  }
  void TearDown() override {
    MemoryReserve::Remove();
    SetFatalErrorHandler(previousFatal_);
    std::set_new_handler(previous_);
    DriverServerTest::TearDown();
  }
  // Runs the installed handler as the allocator does after a failed
  // allocation. (The sanitizers' allocator reports a failure itself instead
  // of calling the handler, so the failure is played here.)
  static void FailAllocation() { std::get_new_handler()(); }

  std::new_handler previous_ = nullptr;
  GFatalErrorHandler previousFatal_ = nullptr;
};

TEST_F(MemoryReserveTest, InstallAndRemoveSwapTheHandlersAndHoldABlock) {
  MemoryReserve::Install(0);
  EXPECT_EQ(std::get_new_handler(), &NewHandler);
  EXPECT_TRUE(MemoryReserve::HasBlock());
  EXPECT_EQ(MemoryReserve::Size(), 1024u) << "a size of 0 keeps the default";
  MemoryReserve::Install(4096);
  EXPECT_EQ(MemoryReserve::Size(), 4096u);
  MemoryReserve::Install(0);
  EXPECT_EQ(MemoryReserve::Size(), 4096u);
  MemoryReserve::Remove();
  EXPECT_EQ(std::get_new_handler(), &OtherHandler) << "the handler found at the first install comes back";
  EXPECT_FALSE(MemoryReserve::HasBlock());
}

TEST_F(MemoryReserveTest, ReinstallAfterRemoveRestoresANullHandler) {
  std::set_new_handler(nullptr);
  MemoryReserve::Install(1024);
  MemoryReserve::Install(1024);
  MemoryReserve::Remove();
  EXPECT_EQ(std::get_new_handler(), nullptr) << "the second install must not record our own handler";
}

TEST_F(MemoryReserveTest, FailedAllocationFreesTheCacheAndRebuildsTheReserve) {
  MemoryReserve::Install(1024);
  int h = 0;
  server->OpenDriver(Key(u"A", u"Quarrin"), &h);
  server->CloseDriver(h);
  ASSERT_EQ(CountingInstance::live, 1);

  FailAllocation();
  EXPECT_EQ(CountingInstance::live, 0) << "the cached instance was freed";
  EXPECT_TRUE(MemoryReserve::HasBlock()) << "a new reserve was set aside";
  EXPECT_TRUE(Snapshots().empty());
}

TEST_F(MemoryReserveTest, NothingToFreeShutsDownAndReportsError101AfterFreeingTheReserve) {
  MemoryReserve::Install(1024);
  int h = 0;
  auto* open = static_cast<CountingInstance*>(server->OpenDriver(Key(u"A", u"Quarrin"), &h));
  server->CloseDriver(h);  // cached
  server->OpenDriver(Key(u"C", u"Other"), &h);

  // The first failure frees the cache; the second finds nothing to free.
  FailAllocation();
  EXPECT_EQ(CountingInstance::live, 1);
  (void)open;
  EXPECT_THROW(FailAllocation(), std::bad_alloc);
  ASSERT_EQ(Snapshots().size(), 1u);
  EXPECT_EQ(Snapshots()[0].errorId, 101);
  EXPECT_EQ(Snapshots()[0].source, "gbnewhnd");
  EXPECT_FALSE(Snapshots()[0].reserveHeld) << "the reserve is given back before the report";
  EXPECT_EQ(Snapshots()[0].liveInstances, 1) << "the open instance stays until the process ends";

  // After the shut-down the open instance is deleted when it is closed.
  server->CloseDriver(h);
  EXPECT_EQ(CountingInstance::live, 0);

  // No reserve left at all: the handler reports at once.
  EXPECT_THROW(FailAllocation(), std::bad_alloc);
  ASSERT_EQ(Snapshots().size(), 2u);
  EXPECT_EQ(Snapshots()[1].errorId, 101);
  EXPECT_EQ(Snapshots()[1].source, "newhndlr");
}

TEST_F(MemoryReserveTest, OpenInstancesAreAskedWhenNothingIsCached) {
  MemoryReserve::Install(1024);
  int h = 0;
  auto* open = static_cast<CountingInstance*>(server->OpenDriver(Key(u"A", u"Quarrin"), &h));
  open->memoryAnswer = 1;
  FailAllocation();
  EXPECT_EQ(open->memoryAsked, 1);
  EXPECT_TRUE(Snapshots().empty());
  EXPECT_TRUE(MemoryReserve::HasBlock());
  server->CloseDriver(h);
}

TEST(MemoryReserveWithoutFactory, InstallsNothing) {
  qvtest::ScopedUpwardServices services;
  services.Change([](GUpwardServices& s) { s.factory = nullptr; });
  std::new_handler before = std::get_new_handler();
  MemoryReserve::Install(1024);
  EXPECT_EQ(std::get_new_handler(), before);
  EXPECT_FALSE(MemoryReserve::HasBlock());
}

}  // namespace
