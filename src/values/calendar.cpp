// Calendar arithmetic for dates.
#include "values/calendar.h"

#include <cmath>
#include <utility>

namespace tess::calendar {

static_assert(DaysFromCivil(1601, 1, 1) == 0);
static_assert(DaysFromCivil(1970, 1, 1) == 134774);
static_assert(DaysFromCivil(2001, 13, 1) == DaysFromCivil(2002, 1, 1));
static_assert(DaysFromCivil(2001, 1, 32) == DaysFromCivil(2001, 2, 1));
static_assert(DaysFromCivil(2001, 0, 1) == DaysFromCivil(2000, 12, 1));

namespace {

// Days on either side of the stamp range that normalisation may pass
// through without int64 overflow in the tick arithmetic.
constexpr int64_t kDayLimit = kMaxStamp / kTicksPerDay + 2;

}  // namespace

CivilDate CivilFromDays(int64_t days) {
  int64_t z = days + 584694;  // from 1 March of year 0
  int64_t era = FloorDiv(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  CivilDate date;
  date.day = int(doy - (153 * mp + 2) / 5 + 1);
  date.month = int(mp < 10 ? mp + 3 : mp - 9);
  date.year = yoe + era * 400 + (date.month <= 2);
  return date;
}

bool IsLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int DayOfWeek(int64_t days) {
  return int(FloorMod(days + 1, 7));  // 1 January 1601 was a Monday
}

int DayOfYear(int64_t year, int month, int day) {
  return int(DaysFromCivil(year, month, day) - DaysFromCivil(year, 1, 1)) + 1;
}

int WeekOfYear(int64_t year, int month, int day) {
  return (DayOfYear(year, month, day) - 1 + DayOfWeek(DaysFromCivil(year, 1, 1))) / 7 + 1;
}

std::optional<int64_t> StampFromFields(const Fields& f) {
  // Each offset is brought to whole days first so that no product overflows.
  constexpr int64_t kLimit = int64_t(1) << 40;
  if (f.year < -kLimit || f.year > kLimit || f.month < -kLimit || f.month > kLimit ||
      f.day < -kLimit || f.day > kLimit || f.hour < -kLimit || f.hour > kLimit ||
      f.minute < -kLimit || f.minute > kLimit || f.second < -kLimit || f.second > kLimit ||
      f.milliseconds < -kLimit || f.milliseconds > kLimit)
    return std::nullopt;
  int64_t ms = f.milliseconds + (f.second + (f.minute + f.hour * 60) * 60) * 1000;
  int64_t days = DaysFromCivil(f.year, f.month, f.day) + FloorDiv(ms, 86'400'000);
  if (days < -kDayLimit || days > kDayLimit) return std::nullopt;
  int64_t stamp = days * kTicksPerDay + FloorMod(ms, 86'400'000) * 10'000;
  if (stamp < 0 || stamp > kMaxStamp) return std::nullopt;
  return stamp;
}

Fields FieldsFromStamp(int64_t stamp) {
  int64_t days = FloorDiv(stamp, kTicksPerDay);
  int64_t rest = FloorMod(stamp, kTicksPerDay) / 10'000;  // milliseconds of the day
  CivilDate date = CivilFromDays(days);
  Fields f{};
  f.year = date.year;
  f.month = date.month;
  f.day = date.day;
  f.hour = rest / 3'600'000;
  f.minute = rest / 60'000 % 60;
  f.second = rest / 1000 % 60;
  f.milliseconds = rest % 1000;
  f.dayOfWeek = DayOfWeek(days);
  return f;
}

double SecondsFromStamp(int64_t stamp) {
  // Division keeps whole seconds exact (a product with 1e-7 would not).
  return double(stamp - kEpochStamp) / double(kTicksPerSecond);
}

std::optional<int64_t> StampFromSeconds(double seconds) {
  double ticks = std::trunc(seconds * double(kTicksPerSecond));
  // Compared as doubles first: a NaN or huge value must never reach the
  // integer conversion.
  if (!(ticks >= double(-kEpochStamp) && ticks <= double(kMaxStamp - kEpochStamp)))
    return std::nullopt;
  int64_t stamp = kEpochStamp + int64_t(ticks);
  if (stamp < 0 || stamp > kMaxStamp) return std::nullopt;
  return stamp;
}

std::optional<CivilDate> ResolveDate(std::span<const DateToken> tokens, std::string_view order) {
  if (tokens.size() != 3) return std::nullopt;
  const DateToken* year = nullptr;
  const DateToken* month = nullptr;
  const DateToken* day = nullptr;
  auto position = [&](char field) {
    size_t p = order.find(field);
    return p == std::string_view::npos ? order.size() : p;
  };

  const DateToken* numbers[3];
  size_t count = 0;
  for (const DateToken& token : tokens) {
    if (token.monthName) {
      if (month) return std::nullopt;
      month = &token;
    } else {
      numbers[count++] = &token;
    }
  }
  if (month) {
    // The day and the year, in the order the locale writes them unless one
    // is plainly a year.
    bool yearFirst = position('y') < position('d');
    if (numbers[0]->digits >= 3 && numbers[1]->digits < 3) yearFirst = true;
    if (numbers[1]->digits >= 3 && numbers[0]->digits < 3) yearFirst = false;
    year = numbers[yearFirst ? 0 : 1];
    day = numbers[yearFirst ? 1 : 0];
  } else if (numbers[0]->digits >= 3) {
    year = numbers[0];
    month = numbers[1];
    day = numbers[2];
  } else {
    // Fields the order does not name come after those it does, in the
    // order month, day, year.
    struct Slot {
      size_t position;
      const DateToken** field;
    } slots[] = {{position('M'), &month}, {position('d'), &day}, {position('y'), &year}};
    for (size_t i = 1; i < 3; ++i) {
      for (size_t j = i; j > 0 && slots[j].position < slots[j - 1].position; --j)
        std::swap(slots[j], slots[j - 1]);
    }
    for (size_t i = 0; i < 3; ++i) *slots[i].field = numbers[i];
  }

  int64_t y = year->value;
  if (year->digits <= 2) y += y < 30 ? 2000 : 1900;
  if (y < kFirstYear || y > kLastYear) return std::nullopt;
  if (month->value < 1 || month->value > 12) return std::nullopt;
  int m = int(month->value);
  if (day->value < 1 || day->value > DaysInMonth(y, m)) return std::nullopt;
  return CivilDate{y, m, int(day->value)};
}

}  // namespace tess::calendar
