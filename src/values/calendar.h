// Calendar arithmetic for dates, independent of the object layout and the
// host: days of the proleptic Gregorian calendar counted from 1 January 1601,
// 100-nanosecond time stamps on the same scale, normalisation of calendar
// fields that run over (month 13, day 32, hour 25), the 1904 epoch of
// TotalSeconds, and the resolution of parsed date tokens.
//
// Stamps are valid from 0 (1 January 1601) to the last tick of 30827, the
// range the 16-bit year field and the host's conversions share.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tess::calendar {

inline constexpr int64_t kTicksPerSecond = 10'000'000;
inline constexpr int64_t kTicksPerDay = 86400 * kTicksPerSecond;
inline constexpr int64_t kFirstYear = 1601;
inline constexpr int64_t kLastYear = 30827;

// Floor division and modulo, for offsets that run below zero.
constexpr int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}
constexpr int64_t FloorMod(int64_t a, int64_t b) {
  return a - FloorDiv(a, b) * b;
}

// Days from 1 January 1601 to the given date. Months outside 1-12 carry
// into the year; the day is an offset from the first of the month, so day 0
// is the last day of the month before and day 32 of January is 1 February.
constexpr int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year += FloorDiv(month - 1, 12);
  month = FloorMod(month - 1, 12) + 1;
  int64_t y = year - (month <= 2);
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe + day - 1 - 584694;  // 584694: 1 March 0 to 1 January 1601
}

inline constexpr int64_t kEpochStamp = DaysFromCivil(1904, 1, 1) * kTicksPerDay;
inline constexpr int64_t kMaxStamp = DaysFromCivil(kLastYear + 1, 1, 1) * kTicksPerDay - 1;

struct CivilDate {
  int64_t year;
  int month;  // 1-12
  int day;    // 1-31
};
CivilDate CivilFromDays(int64_t days);

bool IsLeapYear(int64_t year);
int DaysInMonth(int64_t year, int month);  // month 1-12
// 0 = Sunday.
int DayOfWeek(int64_t days);
// 1 for 1 January.
int DayOfYear(int64_t year, int month, int day);
// (DayOfYear - 1 + weekday of 1 January, 0 = Sunday) / 7 + 1.
int WeekOfYear(int64_t year, int month, int day);

// A calendar time, broken down; out-of-range values are allowed on input.
struct Fields {
  int64_t year;
  int64_t month;
  int64_t day;
  int64_t hour;
  int64_t minute;
  int64_t second;
  int64_t milliseconds;
  int dayOfWeek;  // output only; 0 = Sunday
};

// The stamp of `fields`, normalised as DaysFromCivil does and with hours,
// minutes, seconds and milliseconds as offsets too; nothing outside the
// stamp range.
std::optional<int64_t> StampFromFields(const Fields& fields);
// The fields of a stamp in range, day of week included.
Fields FieldsFromStamp(int64_t stamp);

// Seconds since the epoch (1 January 1904, 00:00), and back; truncated
// toward zero to the tick, nothing outside the stamp range or for NaN.
double SecondsFromStamp(int64_t stamp);
std::optional<int64_t> StampFromSeconds(double seconds);

// Date text broken into tokens: numbers as written, and at most one month
// name already matched to its month.
struct DateToken {
  bool monthName;
  int64_t value;  // the number, or the month (1-12) of a name
  int digits;     // digits written, leading zeros included
};
// Year, month and day from exactly three tokens in the locale's `order` of
// the letters 'M', 'd' and 'y' (for example "Mdy"):
//  * a month name is the month; the two numbers are the day and the year, a
//    number of three or more digits being the year, otherwise in the order
//    of 'd' and 'y';
//  * three numbers of which the first has three or more digits are year,
//    month and day (1999-12-31 in every locale); otherwise they follow the
//    order;
//  * a year of one or two digits lies in 1930-2029;
//  * a month outside 1-12, a day outside its month or a year outside
//    1601-30827 is refused, never carried over.
std::optional<CivilDate> ResolveDate(std::span<const DateToken> tokens, std::string_view order);

}  // namespace tess::calendar
