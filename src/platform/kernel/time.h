// System time: the clock in UTC and local time, broken-down calendar times
// and 64-bit file-time stamps (100-nanosecond intervals since 1 January 1601,
// proleptic Gregorian calendar), and the conversion from UTC to local time
// with the host's time-zone rules (TZ from the environment, re-read on every
// call, so a changed TZ takes effect at once).
//
// Stamps are valid below 2^63 (September 30828); calendar fields for years
// 1601 to 30827. Conversions refuse anything outside.
#pragma once

#include <cstdint>

namespace tess::platform {

struct SYSTEMTIME {
  uint16_t wYear;
  uint16_t wMonth;      // 1-12
  uint16_t wDayOfWeek;  // 0 = Sunday; ignored on input
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16);

struct FILETIME {
  uint32_t dwLowDateTime;
  uint32_t dwHighDateTime;
};
static_assert(sizeof(FILETIME) == 8);

inline uint64_t FileTimeToQuad(const FILETIME& t) {
  return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}
inline FILETIME QuadToFileTime(uint64_t quad) {
  return FILETIME{uint32_t(quad), uint32_t(quad >> 32)};
}

// Stamps per second, and the stamp of 1 January 1970 00:00 UTC.
inline constexpr uint64_t kFileTimeTicksPerSecond = 10'000'000;
inline constexpr uint64_t kFileTimeUnixEpoch = 116'444'736'000'000'000;

void GetSystemTime(SYSTEMTIME* utc);
void GetSystemTimeAsFileTime(FILETIME* utc);
void GetLocalTime(SYSTEMTIME* local);

// False, and *stamp unchanged, for fields outside their ranges (month 13,
// 31 February, hour 24, year 1600 ...). The day of week is not consulted.
bool SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* stamp);
// False for stamps of 2^63 and above; the day of week is filled in.
bool FileTimeToSystemTime(const FILETIME* stamp, SYSTEMTIME* time);

// UTC to the local time of the host's zone, with the rules in force at that
// moment (daylight saving time included). The zone argument must be null:
// only the host's own zone is known.
bool SystemTimeToTzSpecificLocalTime(const void* zone, const SYSTEMTIME* utc, SYSTEMTIME* local);

// The high-resolution counter: counts since an arbitrary start that never
// goes back, and counts per second. Both always succeed on this host.
bool QueryPerformanceCounter(int64_t* count);
bool QueryPerformanceFrequency(int64_t* frequency);

}  // namespace tess::platform
