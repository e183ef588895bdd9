// Calendar arithmetic: days and stamps, normalisation, weekdays, the epoch,
// and the resolution of parsed date tokens.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "values/calendar.h"

namespace tess::calendar {
namespace {

int64_t StampOf(int64_t y, int64_t mo, int64_t d, int64_t h = 0, int64_t mi = 0, int64_t s = 0) {
  auto stamp = StampFromFields(Fields{y, mo, d, h, mi, s, 0, 0});
  EXPECT_TRUE(stamp.has_value());
  return stamp.value_or(-1);
}

TEST(Calendar, DaysRoundTripOverTheRange) {
  for (int64_t days = 0; days < DaysFromCivil(kLastYear + 1, 1, 1); days += 997) {
    CivilDate date = CivilFromDays(days);
    ASSERT_EQ(DaysFromCivil(date.year, date.month, date.day), days);
    ASSERT_GE(date.day, 1);
    ASSERT_LE(date.day, DaysInMonth(date.year, date.month));
  }
}

TEST(Calendar, Epoch) {
  EXPECT_EQ(SecondsFromStamp(StampOf(1904, 1, 1)), 0.0);
  EXPECT_EQ(SecondsFromStamp(StampOf(1904, 1, 2)), 86400.0);
  EXPECT_EQ(SecondsFromStamp(StampOf(1903, 12, 31, 23, 59, 59)), -1.0);
  EXPECT_EQ(SecondsFromStamp(StampOf(2001, 1, 1)), 3'061'152'000.0);
  EXPECT_EQ(kEpochStamp, 95'616'288'000'000'000);
}

TEST(Calendar, FieldsNormalise) {
  struct Row {
    Fields in;
    int64_t year, month, day, hour, minute;
  };
  const Row rows[] = {
      {{2001, 13, 15, 0, 0, 0, 0, 0}, 2002, 1, 15, 0, 0},
      {{2001, 0, 15, 0, 0, 0, 0, 0}, 2000, 12, 15, 0, 0},
      {{2001, -11, 1, 0, 0, 0, 0, 0}, 2000, 1, 1, 0, 0},
      {{2001, 1, 32, 0, 0, 0, 0, 0}, 2001, 2, 1, 0, 0},
      {{2001, 3, 0, 0, 0, 0, 0, 0}, 2001, 2, 28, 0, 0},
      {{2000, 2, 30, 0, 0, 0, 0, 0}, 2000, 3, 1, 0, 0},
      {{2001, 12, 31, 24, 0, 0, 0, 0}, 2002, 1, 1, 0, 0},
      {{2001, 1, 1, 0, -1, 0, 0, 0}, 2000, 12, 31, 23, 59},
      {{2001, 1, 1, 0, 0, 3600, 0, 0}, 2001, 1, 1, 1, 0},
  };
  for (const Row& row : rows) {
    auto stamp = StampFromFields(row.in);
    ASSERT_TRUE(stamp);
    Fields f = FieldsFromStamp(*stamp);
    EXPECT_EQ(f.year, row.year) << row.in.month << "/" << row.in.day;
    EXPECT_EQ(f.month, row.month) << row.in.month << "/" << row.in.day;
    EXPECT_EQ(f.day, row.day) << row.in.month << "/" << row.in.day;
    EXPECT_EQ(f.hour, row.hour);
    EXPECT_EQ(f.minute, row.minute);
  }
}

TEST(Calendar, StampRangeIsEnforced) {
  EXPECT_EQ(StampFromFields({1601, 1, 1, 0, 0, 0, 0, 0}), 0);
  EXPECT_FALSE(StampFromFields({1601, 1, 1, 0, 0, 0, -1, 0}));
  EXPECT_EQ(StampFromFields({kLastYear, 12, 31, 23, 59, 59, 999, 0}),
            kMaxStamp - (kTicksPerSecond / 1000 - 1));
  EXPECT_FALSE(StampFromFields({kLastYear + 1, 1, 1, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(StampFromFields({2001, int64_t(1) << 41, 1, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(StampFromFields({2001, 1, std::numeric_limits<int32_t>::max(), 0, 0, 0, 0, 0}));
  EXPECT_FALSE(StampFromFields({2001, 1, 1, std::numeric_limits<int32_t>::min(), 0, 0, 0, 0}));

  const double bad[] = {std::nan(""), INFINITY, -INFINITY, 1e300, -1e300, -9.6e9, 9.2e11};
  for (double seconds : bad) EXPECT_FALSE(StampFromSeconds(seconds)) << seconds;
  EXPECT_EQ(StampFromSeconds(0.0), kEpochStamp);
  EXPECT_EQ(StampFromSeconds(-0.00000019), kEpochStamp - 1);  // toward zero
  EXPECT_EQ(StampFromSeconds(1.5), kEpochStamp + 15'000'000);
  EXPECT_EQ(StampFromSeconds(-double(kEpochStamp) / 1e7), 0);
}

TEST(Calendar, WeekdaysAndDaysOfYear) {
  struct Row {
    int64_t year;
    int month, day;
    int dayOfWeek, dayOfYear, weekOfYear;
  };
  const Row rows[] = {
      {2001, 2, 4, 0, 35, 6},      // a Sunday
      {2000, 12, 31, 0, 366, 54},  // leap year: 1 January 2000 was a Saturday
      {2001, 12, 31, 1, 365, 53}, {2001, 1, 1, 1, 1, 1}, {2001, 1, 6, 6, 6, 1},
      {2001, 1, 7, 0, 7, 2},      {1904, 1, 1, 5, 1, 1}, {1601, 1, 1, 1, 1, 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DayOfWeek(DaysFromCivil(row.year, row.month, row.day)), row.dayOfWeek) << row.year;
    EXPECT_EQ(DayOfYear(row.year, row.month, row.day), row.dayOfYear) << row.year;
    EXPECT_EQ(WeekOfYear(row.year, row.month, row.day), row.weekOfYear) << row.year;
  }
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_EQ(DaysInMonth(2004, 2), 29);
}

DateToken N(int64_t value, int digits = 0) {
  if (!digits) digits = value < 10 ? 1 : value < 100 ? 2 : value < 1000 ? 3 : 4;
  return DateToken{false, value, digits};
}
DateToken Name(int month) {
  return DateToken{true, month, 0};
}

TEST(Calendar, ResolvesDateTokens) {
  struct Row {
    std::vector<DateToken> tokens;
    const char* order;
    bool ok;
    int64_t year;
    int month, day;
  };
  const Row rows[] = {
      {{N(2), N(5), N(2001)}, "Mdy", true, 2001, 2, 5},
      {{N(2), N(5), N(2001)}, "dMy", true, 2001, 5, 2},
      {{N(2001), N(2), N(5)}, "Mdy", true, 2001, 2, 5},  // year first
      {{N(1), N(2), N(3)}, "yMd", true, 2001, 2, 3},
      {{N(1), N(2), N(3)}, "", true, 2003, 1, 2},  // no order: month, day, year
      {{N(1), N(2), N(3)}, "d", true, 2003, 2, 1},
      {{N(2), N(5), N(29)}, "Mdy", true, 2029, 2, 5},
      {{N(2), N(5), N(30)}, "Mdy", true, 1930, 2, 5},
      {{N(2), N(5), N(1, 2)}, "Mdy", true, 2001, 2, 5},  // "01"
      {{N(2), N(5), N(99)}, "Mdy", true, 1999, 2, 5},
      {{N(2), N(5), N(1, 4)}, "Mdy", false, 0, 0, 0},  // "0001"
      {{N(5), Name(2), N(2001)}, "Mdy", true, 2001, 2, 5},
      {{Name(2), N(5), N(2001)}, "dMy", true, 2001, 2, 5},
      {{N(2001), Name(2), N(5)}, "Mdy", true, 2001, 2, 5},
      {{N(1), Name(2), N(5)}, "yMd", true, 2001, 2, 5},
      {{N(1), Name(2), N(5)}, "dMy", true, 2005, 2, 1},
      {{N(2), N(30), N(2000)}, "Mdy", false, 0, 0, 0},  // 30 February
      {{N(2), N(29), N(2001)}, "Mdy", false, 0, 0, 0},
      {{N(2), N(29), N(2000)}, "Mdy", true, 2000, 2, 29},
      {{N(13), N(1), N(2001)}, "Mdy", false, 0, 0, 0},
      {{N(0), N(1), N(2001)}, "Mdy", false, 0, 0, 0},
      {{N(1), N(32), N(2001)}, "Mdy", false, 0, 0, 0},
      {{N(1), N(0), N(2001)}, "Mdy", false, 0, 0, 0},
      {{N(1), N(1), N(1600)}, "Mdy", false, 0, 0, 0},
      {{N(1), N(1), N(40000)}, "Mdy", false, 0, 0, 0},
      {{N(5), Name(2)}, "Mdy", false, 0, 0, 0},
      {{N(5), Name(2), Name(3)}, "Mdy", false, 0, 0, 0},
  };
  for (const Row& row : rows) {
    auto date = ResolveDate(row.tokens, row.order);
    ASSERT_EQ(date.has_value(), row.ok) << row.order << " " << row.tokens[0].value;
    if (!date) continue;
    EXPECT_EQ(date->year, row.year) << row.order << " " << row.tokens[0].value;
    EXPECT_EQ(date->month, row.month) << row.order << " " << row.tokens[0].value;
    EXPECT_EQ(date->day, row.day) << row.order << " " << row.tokens[0].value;
  }
}

}  // namespace
}  // namespace tess::calendar
