// System time, local time and the time zone as the stand-in answers them,
// from one settable clock: an instant in UTC and a time-zone bias in minutes
// (UTC = local time + bias, as on Windows). Until a test sets it the clock
// follows the host's UTC time with a bias of 0; once set it stands still
// unless a test moves it. The C runtime's time calls read the same clock.
#pragma once

#include <ctime>

#include "win32/Types.h"

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;      // 1-12
  WORD wDayOfWeek;  // 0 = Sunday
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
typedef SYSTEMTIME* LPSYSTEMTIME;

// 100-nanosecond intervals since 1601-01-01 UTC.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct TIME_ZONE_INFORMATION {
  LONG Bias;
  WCHAR StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  WCHAR DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
};
typedef TIME_ZONE_INFORMATION* LPTIME_ZONE_INFORMATION;

#define TIME_ZONE_ID_UNKNOWN 0
#define TIME_ZONE_ID_STANDARD 1
#define TIME_ZONE_ID_DAYLIGHT 2
#define TIME_ZONE_ID_INVALID ((DWORD)0xFFFFFFFF)

void GetSystemTime(LPSYSTEMTIME time);
// Local time = UTC - bias.
void GetLocalTime(LPSYSTEMTIME time);
// The clock's zone has no daylight-saving rule: TIME_ZONE_ID_UNKNOWN, the
// bias in Bias, both other biases 0.
DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info);

namespace crt {

// The C runtime's time calls (64-bit time values, seconds since 1970 UTC).
std::time_t time(std::time_t* out);
// Local time in a buffer of the calling thread; null for a negative time.
std::tm* localtime(const std::time_t* t);

struct _timeb {
  std::time_t time;
  unsigned short millitm;
  short timezone;  // minutes west of UTC
  short dstflag;
};
void _ftime(_timeb* out);
// Seconds west of UTC; 0 on success.
int _get_timezone(long* seconds);
// Non-zero when the zone has daylight-saving time; 0 on success.
int _get_daylight(int* hours);

}  // namespace crt
