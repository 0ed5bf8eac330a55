#include "driver/GModuleKeeper.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "win32/Kernel.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

constexpr const char16_t* kModule = u"C:\\Drivers\\QVUI.DLL";
constexpr DWORD kPeriod = 20;

// Waits (a generous while, never as a measure of speed) until the keeper's
// thread is gone and has given back its reference to the module: the thread
// marks itself stopped before it frees the module and exits, so the module's
// load count settles a moment after IsRunning turns false.
bool WaitUntilStopped(GModuleKeeper& keeper, DWORD settledLoadCount = 1) {
  for (int i = 0; i < 1000; ++i) {
    if (!keeper.IsRunning() && w32test::ModuleLoadCount(kModule) == settledLoadCount) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class ModuleKeeperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kModule;
    spec.loadCount = 1;
    module_ = w32test::InstallModule(spec);
  }
  DWORD LoadCount() { return w32test::ModuleLoadCount(kModule); }

  HMODULE module_ = nullptr;
};

TEST_F(ModuleKeeperTest, HoldsTheModuleForOnePeriodAfterStart) {
  GModuleKeeper keeper(kPeriod);
  EXPECT_EQ(keeper.Start(reinterpret_cast<HINSTANCE>(module_)), 1);
  EXPECT_EQ(keeper.Start(reinterpret_cast<HINSTANCE>(module_)), 0) << "one thread at a time";
  ASSERT_TRUE(WaitUntilStopped(keeper));
  EXPECT_EQ(LoadCount(), 1u) << "the thread gave its reference back";
}

TEST_F(ModuleKeeperTest, StartWithoutAModulePathDoesNothing) {
  GModuleKeeper keeper(kPeriod);
  EXPECT_EQ(keeper.Start(reinterpret_cast<HINSTANCE>(0x1234)), 0);
  EXPECT_FALSE(keeper.IsRunning());
  EXPECT_EQ(LoadCount(), 1u);
}

TEST_F(ModuleKeeperTest, AnOpenDocumentKeepsTheModuleUntilItCloses) {
  GModuleKeeper keeper(kPeriod);
  ASSERT_EQ(keeper.Start(reinterpret_cast<HINSTANCE>(module_)), 1);
  EXPECT_EQ(keeper.SetDocumentActive(1), 1);
  // Many periods pass with the document open.
  std::this_thread::sleep_for(std::chrono::milliseconds(kPeriod * 10));
  EXPECT_TRUE(keeper.IsRunning());
  EXPECT_EQ(LoadCount(), 2u);
  // The use mark has not run below 0 meanwhile, so the thread ends soon
  // after the document closes.
  EXPECT_EQ(keeper.UseMark(), 0);
  keeper.SetDocumentActive(0);
  ASSERT_TRUE(WaitUntilStopped(keeper));
  EXPECT_EQ(LoadCount(), 1u);
}

TEST_F(ModuleKeeperTest, OpeningADocumentRelaunchesAStoppedKeeper) {
  GModuleKeeper keeper(kPeriod);
  ASSERT_EQ(keeper.Start(reinterpret_cast<HINSTANCE>(module_)), 1);
  ASSERT_TRUE(WaitUntilStopped(keeper));
  EXPECT_EQ(keeper.Touch(), 1);
  EXPECT_FALSE(keeper.IsRunning()) << "a touch does not restart the keeper";
  EXPECT_EQ(keeper.SetDocumentActive(1), 1);
  EXPECT_TRUE(keeper.IsRunning());
  EXPECT_EQ(LoadCount(), 2u);
  keeper.SetDocumentActive(0);
  ASSERT_TRUE(WaitUntilStopped(keeper));
  EXPECT_EQ(LoadCount(), 1u);
}

DWORD LaunchAndEnd(LPVOID parameter) {
  auto* keeper = static_cast<GModuleKeeper*>(parameter);
  keeper->SetDocumentActive(1);
  return 0;
}

TEST_F(ModuleKeeperTest, StopsWhenTheThreadThatStartedItEnds) {
  GModuleKeeper keeper(kPeriod);
  ASSERT_EQ(keeper.Start(reinterpret_cast<HINSTANCE>(module_)), 1);
  ASSERT_TRUE(WaitUntilStopped(keeper));
  // A thread that opens a document and ends: the keeper it launched
  // watches it and stops although the document flag stays set.
  HANDLE thread = CreateThread(nullptr, 0, &LaunchAndEnd, &keeper, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  CloseHandle(thread);
  ASSERT_TRUE(WaitUntilStopped(keeper));
  EXPECT_EQ(LoadCount(), 1u);
}

TEST_F(ModuleKeeperTest, FailingThreadCreationGivesTheReferenceBack) {
  GModuleKeeper keeper(kPeriod);
  w32test::FailCall("CreateThread", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(keeper.Start(reinterpret_cast<HINSTANCE>(module_)), 0);
  EXPECT_FALSE(keeper.IsRunning());
  EXPECT_EQ(LoadCount(), 1u);
}

}  // namespace
