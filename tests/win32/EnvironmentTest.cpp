#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "win32/Environment.h"
#include "w32test/Testing.h"

namespace {

class EnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
};

TEST_F(EnvironmentTest, VariablesIgnoreCaseAndReportTheSizeNeeded) {
  w32test::SetEnvironment(u"TMP", u"C:\\Temp");
  WCHAR buf[16];
  EXPECT_EQ(GetEnvironmentVariableW(u"tmp", buf, 16), 7u);
  EXPECT_EQ(std::u16string(buf), u"C:\\Temp");

  // Too small by the terminator: the size with it, buffer untouched.
  buf[0] = u'#';
  EXPECT_EQ(GetEnvironmentVariableW(u"TMP", buf, 7), 8u);
  EXPECT_EQ(buf[0], u'#');
  EXPECT_EQ(GetEnvironmentVariableW(u"TMP", nullptr, 0), 8u);

  EXPECT_EQ(GetEnvironmentVariableW(u"TEMP", buf, 16), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));

  // An empty value is told from a missing one by the last error.
  ASSERT_TRUE(SetEnvironmentVariableW(u"EMPTY", u""));
  SetLastError(99);
  EXPECT_EQ(GetEnvironmentVariableW(u"EMPTY", buf, 16), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(EnvironmentTest, SetRemoveAndRefuseBadNames) {
  ASSERT_TRUE(SetEnvironmentVariableW(u"Temp", u"D:\\T"));
  EXPECT_STREQ(crt::getenv("TEMP"), "D:\\T");
  ASSERT_TRUE(SetEnvironmentVariableW(u"TEMP", nullptr));
  EXPECT_EQ(crt::getenv("TEMP"), nullptr);
  EXPECT_FALSE(SetEnvironmentVariableW(u"A=B", u"x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(SetEnvironmentVariableW(u"", u"x"));
}

TEST_F(EnvironmentTest, TheHostEnvironmentIsNotSeenAndResetEmptiesOurs) {
  ASSERT_NE(std::getenv("PATH"), nullptr);
  EXPECT_EQ(crt::getenv("PATH"), nullptr);
  w32test::SetEnvironment(u"TMP", u"C:\\T");
  w32test::Reset();
  EXPECT_EQ(crt::getenv("TMP"), nullptr);
}

TEST_F(EnvironmentTest, UserNameCountsItsTerminator) {
  w32test::SetUserName(u"jdoe");
  WCHAR buf[8];
  DWORD size = 8;
  ASSERT_TRUE(GetUserNameW(buf, &size));
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(std::u16string(buf), u"jdoe");
  size = 4;
  EXPECT_FALSE(GetUserNameW(buf, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 5u);

  w32test::FailCall("GetUserNameW", ERROR_ACCESS_DENIED);
  size = 8;
  EXPECT_FALSE(GetUserNameW(buf, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(EnvironmentTest, ComputerNameCountsWithoutItsTerminator) {
  w32test::SetComputerName(u"PRINTHOST");
  WCHAR buf[16];
  DWORD size = 16;
  ASSERT_TRUE(GetComputerNameW(buf, &size));
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(std::u16string(buf), u"PRINTHOST");
  size = 9;
  EXPECT_FALSE(GetComputerNameW(buf, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(size, 10u);
}

}  // namespace
