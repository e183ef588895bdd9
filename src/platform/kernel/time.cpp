// The clock and calendar conversions. Time zones come from the C library,
// which reads TZ (an Olson name or a POSIX rule) and the zone database; the
// 64-bit time_t keeps dates past 2038 and before 1901 in reach.
#define _TIME_BITS 64
#include "platform/kernel/time.h"

#include <time.h>

namespace tess::platform {

static_assert(sizeof(time_t) == 8, "time zone conversions need a 64-bit time_t");

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kTicksPerSecond = int64_t(kFileTimeTicksPerSecond);
constexpr int64_t kTicksPerDay = kSecondsPerDay * kTicksPerSecond;
constexpr int64_t kDaysBefore1970 = 134774;  // from 1 January 1601
constexpr uint64_t kStampLimit = uint64_t(1) << 63;

bool IsLeap(int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int64_t y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1 January 1970 of a proleptic Gregorian date (eras of 400 years).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int* m, int* d) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  *d = int(doy - (153 * mp + 2) / 5 + 1);
  *m = int(mp < 10 ? mp + 3 : mp - 9);
  *y = yoe + era * 400 + (*m <= 2);
}

bool ValidFields(const SYSTEMTIME& t) {
  return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= DaysInMonth(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 &&
         t.wSecond < 60 && t.wMilliseconds < 1000;
}

// Seconds since 1970 of a UTC calendar time; the fields are valid.
int64_t UnixSeconds(const SYSTEMTIME& t) {
  return DaysFromCivil(t.wYear, t.wMonth, t.wDay) * kSecondsPerDay + t.wHour * 3600 +
         t.wMinute * 60 + t.wSecond;
}

}  // namespace

bool SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* stamp) {
  if (!time || !stamp || !ValidFields(*time)) return false;
  int64_t days = DaysFromCivil(time->wYear, time->wMonth, time->wDay) + kDaysBefore1970;
  int64_t ticks = days * kTicksPerDay +
                  (time->wHour * 3600 + time->wMinute * 60 + time->wSecond) * kTicksPerSecond +
                  time->wMilliseconds * int64_t(10000);
  *stamp = QuadToFileTime(uint64_t(ticks));
  return true;
}

bool FileTimeToSystemTime(const FILETIME* stamp, SYSTEMTIME* time) {
  if (!stamp || !time) return false;
  uint64_t ticks = FileTimeToQuad(*stamp);
  if (ticks >= kStampLimit) return false;
  int64_t days = int64_t(ticks / uint64_t(kTicksPerDay));
  int64_t rest = int64_t(ticks % uint64_t(kTicksPerDay));
  int64_t y;
  int m, d;
  CivilFromDays(days - kDaysBefore1970, &y, &m, &d);
  time->wYear = uint16_t(y);
  time->wMonth = uint16_t(m);
  time->wDay = uint16_t(d);
  time->wDayOfWeek = uint16_t((days + 1) % 7);  // 1 January 1601 was a Monday
  time->wHour = uint16_t(rest / (3600 * kTicksPerSecond));
  time->wMinute = uint16_t(rest / (60 * kTicksPerSecond) % 60);
  time->wSecond = uint16_t(rest / kTicksPerSecond % 60);
  time->wMilliseconds = uint16_t(rest / 10000 % 1000);
  return true;
}

void GetSystemTimeAsFileTime(FILETIME* utc) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  *utc = QuadToFileTime(kFileTimeUnixEpoch + uint64_t(now.tv_sec) * kFileTimeTicksPerSecond +
                        uint64_t(now.tv_nsec) / 100);
}

void GetSystemTime(SYSTEMTIME* utc) {
  FILETIME stamp;
  GetSystemTimeAsFileTime(&stamp);
  FileTimeToSystemTime(&stamp, utc);
}

void GetLocalTime(SYSTEMTIME* local) {
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, local)) *local = utc;
}

bool SystemTimeToTzSpecificLocalTime(const void* zone, const SYSTEMTIME* utc, SYSTEMTIME* local) {
  if (zone || !utc || !local || !ValidFields(*utc)) return false;
  tzset();  // TZ may have changed since the last call
  time_t seconds = time_t(UnixSeconds(*utc));
  tm parts{};
  if (!localtime_r(&seconds, &parts)) return false;
  SYSTEMTIME result{};
  result.wYear = uint16_t(parts.tm_year + 1900);
  result.wMonth = uint16_t(parts.tm_mon + 1);
  result.wDay = uint16_t(parts.tm_mday);
  result.wHour = uint16_t(parts.tm_hour);
  result.wMinute = uint16_t(parts.tm_min);
  result.wSecond = uint16_t(parts.tm_sec < 60 ? parts.tm_sec : 59);  // no leap second field
  result.wMilliseconds = utc->wMilliseconds;
  // Near the ends of the range the offset may leave it.
  if (!ValidFields(result)) return false;
  result.wDayOfWeek = uint16_t(parts.tm_wday);
  *local = result;
  return true;
}

bool QueryPerformanceCounter(int64_t* count) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  *count = int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  return true;
}

bool QueryPerformanceFrequency(int64_t* frequency) {
  *frequency = 1'000'000'000;
  return true;
}

}  // namespace tess::platform
