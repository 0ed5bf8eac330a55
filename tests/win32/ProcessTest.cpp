#include "win32/Process.h"

#include <gtest/gtest.h>

#include "win32/Kernel.h"
#include "w32test/Testing.h"

namespace {

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

TEST_F(ProcessTest, WinExecRecordsTheCommandAndReportsAStartedProgram) {
  EXPECT_GT(WinExec("regsvr32 /s C:\\x.dll", SW_SHOWNORMAL), 31u);
  w32test::FailCall("WinExec", ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(WinExec("missing.exe", 0), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  const auto started = w32test::StartedCommands();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[0].commandLine, "regsvr32 /s C:\\x.dll");
  EXPECT_EQ(started[0].showCommand, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(started[1].commandLine, "missing.exe");
  w32test::Reset();
  EXPECT_TRUE(w32test::StartedCommands().empty());
}

}  // namespace
