#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "win32/Kernel.h"
#include "w32test/Testing.h"
#include "win32/Time.h"

namespace {

SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s = 0, WORD ms = 0) {
  SYSTEMTIME t{};
  t.wYear = y, t.wMonth = mo, t.wDay = d, t.wHour = h, t.wMinute = mi, t.wSecond = s, t.wMilliseconds = ms;
  return t;
}

class TimeTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

struct LocalCase {
  const char* what;
  SYSTEMTIME utc;
  LONG bias;
  SYSTEMTIME local;
  WORD weekday;
};

TEST_F(TimeTest, LocalTimeIsUtcLessTheBiasAcrossDayMonthAndYearEnds) {
  const LocalCase cases[] = {
      {"back into a leap day", At(2024, 3, 1, 0, 10), 60, At(2024, 2, 29, 23, 10), 4},
      {"back into 28 February", At(2023, 3, 1, 0, 10), 60, At(2023, 2, 28, 23, 10), 2},
      {"forward into a new year", At(2023, 12, 31, 23, 30), -60, At(2024, 1, 1, 0, 30), 1},
      {"back into the old year", At(2024, 1, 1, 0, 0), 300, At(2023, 12, 31, 19, 0), 0},
      {"forward into a 400-year leap day", At(2000, 2, 28, 23, 0), -120, At(2000, 2, 29, 1, 0), 2},
      {"no leap day in a 100-year", At(2100, 3, 1, 0, 30), 60, At(2100, 2, 28, 23, 30), 0},
      {"back into a 30-day month", At(2024, 5, 1, 2, 0), 180, At(2024, 4, 30, 23, 0), 2},
      {"a bias in half hours", At(2024, 6, 30, 18, 45), -330, At(2024, 7, 1, 0, 15), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(w32test::SetClock(c.utc, c.bias));
    SYSTEMTIME local;
    GetLocalTime(&local);
    EXPECT_EQ(local.wYear, c.local.wYear);
    EXPECT_EQ(local.wMonth, c.local.wMonth);
    EXPECT_EQ(local.wDay, c.local.wDay);
    EXPECT_EQ(local.wHour, c.local.wHour);
    EXPECT_EQ(local.wMinute, c.local.wMinute);
    EXPECT_EQ(local.wDayOfWeek, c.weekday);

    // The C runtime's local time tells the same.
    std::time_t now = crt::time(nullptr);
    std::tm* tm = crt::localtime(&now);
    ASSERT_NE(tm, nullptr);
    EXPECT_EQ(tm->tm_year + 1900, c.local.wYear);
    EXPECT_EQ(tm->tm_mon + 1, c.local.wMonth);
    EXPECT_EQ(tm->tm_mday, c.local.wDay);
    EXPECT_EQ(tm->tm_hour, c.local.wHour);
    EXPECT_EQ(tm->tm_min, c.local.wMinute);
    EXPECT_EQ(tm->tm_wday, c.weekday);
  }
}

TEST_F(TimeTest, SystemTimeAndZoneComeFromTheSetClock) {
  ASSERT_TRUE(w32test::SetClock(At(2024, 2, 29, 12, 34, 56, 789), -60));
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  EXPECT_EQ(utc.wYear, 2024);
  EXPECT_EQ(utc.wMonth, 2);
  EXPECT_EQ(utc.wDay, 29);
  EXPECT_EQ(utc.wHour, 12);
  EXPECT_EQ(utc.wSecond, 56);
  EXPECT_EQ(utc.wMilliseconds, 789);
  EXPECT_EQ(utc.wDayOfWeek, 4);

  TIME_ZONE_INFORMATION tz;
  EXPECT_EQ(GetTimeZoneInformation(&tz), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN));
  EXPECT_EQ(tz.Bias, -60);

  crt::_timeb tb;
  crt::_ftime(&tb);
  EXPECT_EQ(tb.millitm, 789);
  EXPECT_EQ(tb.timezone, -60);
  EXPECT_EQ(tb.time, crt::time(nullptr));
  long seconds = 0;
  EXPECT_EQ(crt::_get_timezone(&seconds), 0);
  EXPECT_EQ(seconds, -3600);
}

TEST_F(TimeTest, LocalClockAndAdvance) {
  ASSERT_TRUE(w32test::SetLocalClock(At(2023, 12, 31, 23, 59, 59, 500), 120));
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  EXPECT_EQ(utc.wYear, 2024);
  EXPECT_EQ(utc.wHour, 1);
  EXPECT_EQ(utc.wMinute, 59);
  w32test::AdvanceClock(600);  // the clock stands still otherwise
  SYSTEMTIME local;
  GetLocalTime(&local);
  EXPECT_EQ(local.wYear, 2024);
  EXPECT_EQ(local.wMonth, 1);
  EXPECT_EQ(local.wDay, 1);
  EXPECT_EQ(local.wHour, 0);
  EXPECT_EQ(local.wSecond, 0);
  EXPECT_EQ(local.wMilliseconds, 100);
}

TEST_F(TimeTest, SleepMovesTheTickCountAndASetClockAtOnce) {
  ASSERT_TRUE(w32test::SetClock(At(2024, 12, 31, 22, 30), 0));
  const DWORD before = GetTickCount();
  Sleep(3 * 60 * 60 * 1000);  // three hours pass across the year's end
  EXPECT_GE(GetTickCount() - before, 3u * 60 * 60 * 1000);
  SYSTEMTIME now{};
  GetSystemTime(&now);
  EXPECT_EQ(now.wYear, 2025);
  EXPECT_EQ(now.wMonth, 1);
  EXPECT_EQ(now.wDay, 1);
  EXPECT_EQ(now.wHour, 1);
  EXPECT_EQ(now.wMinute, 30);
  EXPECT_EQ(now.wSecond, 0);
  EXPECT_EQ(now.wMilliseconds, 0);
}

TEST_F(TimeTest, SleepLeavesAClockThatFollowsTheHost) {
  const DWORD before = GetTickCount();
  Sleep(48u * 60 * 60 * 1000);  // two days
  EXPECT_GE(GetTickCount() - before, 48u * 60 * 60 * 1000);
  // The wall clock still follows the host: it did not jump two days.
  crt::_timeb now{};
  crt::_ftime(&now);
  EXPECT_LT(std::llabs(static_cast<long long>(now.time) - static_cast<long long>(std::time(nullptr))), 60LL * 60);
}

TEST_F(TimeTest, ImpossibleDatesAreRefused) {
  EXPECT_FALSE(w32test::SetClock(At(2023, 2, 29, 0, 0), 0));
  EXPECT_FALSE(w32test::SetClock(At(2024, 13, 1, 0, 0), 0));
  EXPECT_FALSE(w32test::SetClock(At(2024, 4, 31, 0, 0), 0));
  EXPECT_FALSE(w32test::SetClock(At(2024, 1, 1, 24, 0), 0));
  EXPECT_TRUE(w32test::SetClock(At(2024, 2, 29, 0, 0), 0));
}

TEST_F(TimeTest, FailuresAndBadArguments) {
  w32test::FailCall("GetTimeZoneInformation", ERROR_ACCESS_DENIED);
  TIME_ZONE_INFORMATION tz;
  EXPECT_EQ(GetTimeZoneInformation(&tz), TIME_ZONE_ID_INVALID);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  std::time_t before1970 = -1;
  EXPECT_EQ(crt::localtime(&before1970), nullptr);
}

TEST_F(TimeTest, ResetFollowsTheHostClockAgain) {
  ASSERT_TRUE(w32test::SetClock(At(1999, 1, 1, 0, 0), 60));
  w32test::Reset();
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  EXPECT_GT(utc.wYear, 2020);
  TIME_ZONE_INFORMATION tz;
  GetTimeZoneInformation(&tz);
  EXPECT_EQ(tz.Bias, 0);
}

}  // namespace
