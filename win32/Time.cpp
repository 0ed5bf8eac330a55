#include "win32/Time.h"
#include "w32detail/Time.h"
#include "w32test/Time.h"

#include <chrono>
#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"

namespace {

constexpr LONGLONG kMsPerDay = 86400000LL;

struct ClockState {
  std::mutex mutex;
  bool set = false;            // false: follow the host's clock
  LONGLONG utcMs = 0;          // milliseconds since 1970-01-01 00:00 UTC, when set
  LONG bias = 0;               // minutes, UTC = local + bias
};

ClockState& timeState() {
  static ClockState* s = [] {
    auto* st = new ClockState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->set = false;
      st->utcMs = 0;
      st->bias = 0;
    });
    return st;
  }();
  return *s;
}

void Read(LONGLONG* utcMs, LONG* bias) {
  ClockState& s = timeState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (s.set) {
    *utcMs = s.utcMs;
  } else {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    *utcMs = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  }
  *bias = s.bias;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
LONGLONG DaysFromCivil(LONGLONG y, unsigned m, unsigned d) {
  y -= m <= 2;
  LONGLONG era = (y >= 0 ? y : y - 399) / 400;
  unsigned yoe = static_cast<unsigned>(y - era * 400);
  unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<LONGLONG>(doe) - 719468;
}

void CivilFromDays(LONGLONG z, LONGLONG* y, unsigned* m, unsigned* d) {
  z += 719468;
  LONGLONG era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<LONGLONG>(yoe) + era * 400 + (*m <= 2);
}

LONGLONG FloorDiv(LONGLONG a, LONGLONG b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

bool IsLeap(unsigned y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

unsigned DaysInMonth(unsigned y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Milliseconds since 1970 of a SYSTEMTIME; false for an impossible date.
bool ToMs(const SYSTEMTIME& t, LONGLONG* ms) {
  if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
      t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 ||
      t.wMilliseconds > 999)
    return false;
  *ms = DaysFromCivil(t.wYear, t.wMonth, t.wDay) * kMsPerDay +
        ((t.wHour * 60LL + t.wMinute) * 60LL + t.wSecond) * 1000LL + t.wMilliseconds;
  return true;
}

SYSTEMTIME FromMs(LONGLONG ms) {
  LONGLONG days = FloorDiv(ms, kMsPerDay);
  LONGLONG inDay = ms - days * kMsPerDay;
  LONGLONG y;
  unsigned m, d;
  CivilFromDays(days, &y, &m, &d);
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(y);
  t.wMonth = static_cast<WORD>(m);
  t.wDay = static_cast<WORD>(d);
  t.wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  t.wHour = static_cast<WORD>(inDay / 3600000);
  t.wMinute = static_cast<WORD>(inDay / 60000 % 60);
  t.wSecond = static_cast<WORD>(inDay / 1000 % 60);
  t.wMilliseconds = static_cast<WORD>(inDay % 1000);
  return t;
}

}  // namespace

void GetSystemTime(LPSYSTEMTIME time) {
  LONGLONG ms;
  LONG bias;
  Read(&ms, &bias);
  *time = FromMs(ms);
}

void GetLocalTime(LPSYSTEMTIME time) {
  LONGLONG ms;
  LONG bias;
  Read(&ms, &bias);
  *time = FromMs(ms - bias * 60000LL);
}

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info) {
  if (w32detail::ShouldFail("GetTimeZoneInformation")) return TIME_ZONE_ID_INVALID;
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return TIME_ZONE_ID_INVALID;
  }
  LONGLONG ms;
  LONG bias;
  Read(&ms, &bias);
  *info = TIME_ZONE_INFORMATION{};
  info->Bias = bias;
  return TIME_ZONE_ID_UNKNOWN;
}

namespace crt {

std::time_t time(std::time_t* out) {
  LONGLONG ms;
  LONG bias;
  Read(&ms, &bias);
  std::time_t t = static_cast<std::time_t>(FloorDiv(ms, 1000));
  if (out) *out = t;
  return t;
}

std::tm* localtime(const std::time_t* t) {
  thread_local std::tm result;
  if (!t || *t < 0) return nullptr;
  LONGLONG ms;
  LONG bias;
  Read(&ms, &bias);
  LONGLONG local = static_cast<LONGLONG>(*t) - bias * 60LL;
  SYSTEMTIME s = FromMs(local * 1000);
  result = std::tm{};
  result.tm_year = s.wYear - 1900;
  result.tm_mon = s.wMonth - 1;
  result.tm_mday = s.wDay;
  result.tm_hour = s.wHour;
  result.tm_min = s.wMinute;
  result.tm_sec = s.wSecond;
  result.tm_wday = s.wDayOfWeek;
  result.tm_yday = static_cast<int>(DaysFromCivil(s.wYear, s.wMonth, s.wDay) - DaysFromCivil(s.wYear, 1, 1));
  result.tm_isdst = 0;
  return &result;
}

void _ftime(_timeb* out) {
  LONGLONG ms;
  LONG bias;
  Read(&ms, &bias);
  out->time = static_cast<std::time_t>(FloorDiv(ms, 1000));
  out->millitm = static_cast<unsigned short>(ms - FloorDiv(ms, 1000) * 1000);
  out->timezone = static_cast<short>(bias);
  out->dstflag = 0;
}

int _get_timezone(long* seconds) {
  if (!seconds) return 22;  // EINVAL
  LONGLONG ms;
  LONG bias;
  Read(&ms, &bias);
  *seconds = static_cast<long>(bias) * 60;
  return 0;
}

int _get_daylight(int* hours) {
  if (!hours) return 22;  // EINVAL
  *hours = 0;
  return 0;
}

}  // namespace crt

namespace w32test {

bool SetClock(const SYSTEMTIME& utc, LONG biasMinutes) {
  LONGLONG ms;
  if (!ToMs(utc, &ms)) return false;
  ClockState& s = timeState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.set = true;
  s.utcMs = ms;
  s.bias = biasMinutes;
  return true;
}

bool SetLocalClock(const SYSTEMTIME& local, LONG biasMinutes) {
  LONGLONG ms;
  if (!ToMs(local, &ms)) return false;
  ClockState& s = timeState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.set = true;
  s.utcMs = ms + biasMinutes * 60000LL;
  s.bias = biasMinutes;
  return true;
}

void AdvanceClock(LONGLONG milliseconds) {
  LONGLONG now;
  LONG bias;
  Read(&now, &bias);
  ClockState& s = timeState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.set = true;
  s.utcMs = now + milliseconds;
}

}  // namespace w32test

namespace w32detail {

void AdvanceSetClock(LONGLONG milliseconds) {
  ClockState& s = timeState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (s.set) s.utcMs += milliseconds;
}

}  // namespace w32detail
