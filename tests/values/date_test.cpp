// The Date class: the epoch, field normalisation, derived fields, text forms
// in two locales, parseDate and its by-reference argument, and lazy "now".
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/kernel/locale.h"
#include "platform/kernel/time.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/calendar.h"
#include "values/date.h"
#include "values/value_classes.h"

namespace tess {
namespace {

enum : uint32_t { kYear, kMonth, kDay, kHour, kMinute, kSecond, kDayOfWeek, kDayOfYear, kWeek };
enum : uint32_t { kShortDate, kLongDate, kAbbreviatedDate, kShortTime, kLongTime };
constexpr size_t kValidOffset = 40;
constexpr size_t kParsedOffset = 41;

class DateTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitFrameworkAndValueClasses();
    setenv("TZ", "UTC0", 1);
  }
  void SetUp() override { platform::SetUserLocale("en_US"); }
};

// A Date at the given local calendar time; the caller releases it.
TessObject* DateAt(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  auto stamp = calendar::StampFromFields({y, mo, d, h, mi, s, 0, 0});
  EXPECT_TRUE(stamp);
  return NewDate(calendar::SecondsFromStamp(stamp.value_or(0)));
}

std::string Text(TessObject* date, uint32_t form) {
  StringRef s = StringRef::Adopt(dateStringGetter(date, form));
  return std::string(View(s.get()));
}

void ExpectDate(TessObject* date, int y, int mo, int d, const char* what) {
  EXPECT_EQ(dateFieldGetter(date, kYear), y) << what;
  EXPECT_EQ(dateFieldGetter(date, kMonth), mo) << what;
  EXPECT_EQ(dateFieldGetter(date, kDay), d) << what;
}

uint8_t Byte(TessObject* date, size_t offset) {
  return reinterpret_cast<uint8_t*>(date)[offset];
}

TEST_F(DateTest, IsAFrameworkClass) {
  ASSERT_NE(DateClass(), nullptr);
  EXPECT_EQ(FindClassByName("date"), DateClass());
  EXPECT_EQ(DateClass()->instanceSize, 42);
  int count = 0;
  for (PropertyDescriptor* p = DateClass()->properties; p; p = p->next) ++count;
  EXPECT_EQ(count, 15);
}

TEST_F(DateTest, TotalSecondsCountFrom1904) {
  ObjectRef epoch = ObjectRef::Adopt(NewDate(0));
  ExpectDate(epoch.get(), 1904, 1, 1, "epoch");
  EXPECT_EQ(dateFieldGetter(epoch.get(), kHour), 0);
  EXPECT_EQ(dateTotalSecondsGetter(epoch.get(), 0), 0.0);
  ObjectRef next = ObjectRef::Adopt(DateAt(1904, 1, 2));
  EXPECT_EQ(dateTotalSecondsGetter(next.get(), 0), 86400.0);
  EXPECT_EQ(DateTotalSeconds(next.get()), 86400.0);

  dateTotalSecondsSetter(next.get(), 0, -0.5);
  ExpectDate(next.get(), 1903, 12, 31, "half a second before");
  EXPECT_EQ(dateFieldGetter(next.get(), kSecond), 59);
  EXPECT_EQ(dateTotalSecondsGetter(next.get(), 0), -0.5);
  dateTotalSecondsSetter(next.get(), 0, 1e-8);  // below one tick: truncated
  EXPECT_EQ(dateTotalSecondsGetter(next.get(), 0), 0.0);

  // Out of range or not a number: the Date keeps its moment.
  for (double bad : {std::nan(""), 1e300, -1e11}) {
    dateTotalSecondsSetter(next.get(), 0, 3600);
    dateTotalSecondsSetter(next.get(), 0, bad);
    EXPECT_EQ(dateTotalSecondsGetter(next.get(), 0), 3600.0) << bad;
  }
  ObjectRef clamped = ObjectRef::Adopt(NewDate(-1e300));
  ExpectDate(clamped.get(), 1601, 1, 1, "clamped");
}

TEST_F(DateTest, SettingAFieldNormalises) {
  struct Row {
    int y, mo, d;
    uint32_t field;
    int value;
    int year, month, day, hour;
  };
  const Row rows[] = {
      {2001, 3, 15, kMonth, 13, 2002, 1, 15, 0},
      {2001, 3, 15, kMonth, 0, 2000, 12, 15, 0},
      {2001, 1, 10, kDay, 32, 2001, 2, 1, 0},
      {2001, 3, 10, kDay, 0, 2001, 2, 28, 0},
      {2001, 1, 31, kMonth, 2, 2001, 3, 3, 0},  // 31 February runs on
      {2000, 2, 29, kYear, 2001, 2001, 3, 1, 0},
      {2001, 12, 31, kHour, 24, 2002, 1, 1, 0},
      {2001, 1, 1, kMinute, -1, 2000, 12, 31, 23},
      {2001, 1, 1, kSecond, 7200, 2001, 1, 1, 2},
      // Refused: the Date stays as it was.
      {2001, 1, 1, kYear, 40000, 2001, 1, 1, 0},
      {2001, 1, 1, kYear, 0, 2001, 1, 1, 0},
      {2001, 1, 1, kDay, 2147483647, 2001, 1, 1, 0},
      // Derived fields are read-only.
      {2001, 1, 1, kDayOfWeek, 3, 2001, 1, 1, 0},
      {2001, 1, 1, kWeek, 3, 2001, 1, 1, 0},
      {2001, 1, 1, 99, 3, 2001, 1, 1, 0},
  };
  for (const Row& row : rows) {
    ObjectRef date = ObjectRef::Adopt(DateAt(row.y, row.mo, row.d));
    dateFieldSetter(date.get(), row.field, row.value);
    std::string what = std::to_string(row.field) + "=" + std::to_string(row.value);
    ExpectDate(date.get(), row.year, row.month, row.day, what.c_str());
    EXPECT_EQ(dateFieldGetter(date.get(), kHour), row.hour) << what;
    // The day of week follows the new date.
    int64_t days = calendar::DaysFromCivil(row.year, row.month, row.day);
    EXPECT_EQ(dateFieldGetter(date.get(), kDayOfWeek), calendar::DayOfWeek(days) + 1) << what;
  }
}

TEST_F(DateTest, DerivedFields) {
  struct Row {
    int y, mo, d;
    int dayOfWeek, dayOfYear, week;
  };
  const Row rows[] = {
      {2001, 2, 4, 1, 35, 6},  // a Sunday
      {2001, 2, 10, 7, 41, 6},
      {2000, 12, 31, 1, 366, 54},
      {2001, 1, 1, 2, 1, 1},
  };
  for (const Row& row : rows) {
    ObjectRef date = ObjectRef::Adopt(DateAt(row.y, row.mo, row.d));
    EXPECT_EQ(dateFieldGetter(date.get(), kDayOfWeek), row.dayOfWeek) << row.d;
    EXPECT_EQ(dateFieldGetter(date.get(), kDayOfYear), row.dayOfYear) << row.d;
    EXPECT_EQ(dateFieldGetter(date.get(), kWeek), row.week) << row.d;
  }
}

TEST_F(DateTest, TextFormsFollowTheLocale) {
  struct Row {
    const char* locale;
    uint32_t form;
    const char* text;
  };
  const Row rows[] = {
      {"en_US", kShortDate, "2/5/2001"},
      {"en_US", kLongDate, "Monday, February 5, 2001"},
      {"en_US", kAbbreviatedDate, "Mon, Feb 5, 2001"},
      {"en_US", kShortTime, "3:04 PM"},
      {"en_US", kLongTime, "3:04:05 PM"},
      {"de_DE", kShortDate, "05.02.2001"},
      {"de_DE", kLongDate, "Montag, 5. Februar 2001"},
      {"de_DE", kAbbreviatedDate, "Mo., 5. Feb. 2001"},
      {"de_DE", kShortTime, "15:04"},
      {"de_DE", kLongTime, "15:04:05"},
      {"de_DE", 5, ""},
      // Quoted text stays as it is.
      {"es_ES", kAbbreviatedDate, "lun, 5 de feb de 2001"},
  };
  ObjectRef date = ObjectRef::Adopt(DateAt(2001, 2, 5, 15, 4, 5));
  for (const Row& row : rows) {
    platform::SetUserLocale(row.locale);
    EXPECT_EQ(Text(date.get(), row.form), row.text) << row.locale << " " << row.form;
  }
  platform::SetUserLocale("en_US");
  EXPECT_EQ(DateText(date.get()), "2/5/2001 3:04:05 PM");
  platform::SetUserLocale("de_DE");
  EXPECT_EQ(DateText(date.get()), "05.02.2001 15:04:05");
}

struct ParseRow {
  const char* locale;
  const char* text;
  bool ok;
  int year, month, day;
};

TEST_F(DateTest, ParseDateReadsTheLocaleOrder) {
  const ParseRow rows[] = {
      {"en_US", "2/5/2001", true, 2001, 2, 5},
      {"en_US", "2/5/2001 3:04:05 PM", true, 2001, 2, 5},
      {"en_US", "02-05-01", true, 2001, 2, 5},
      {"en_US", "2.5.75", true, 1975, 2, 5},
      {"en_US", "2001-02-05", true, 2001, 2, 5},
      {"en_US", "Feb 5, 2001", true, 2001, 2, 5},
      {"en_US", "5 february 2001", true, 2001, 2, 5},
      {"en_US", "Monday, February 5, 2001", true, 2001, 2, 5},
      {"en_US", "5th of Feb 2001", true, 2001, 2, 5},
      {"en_US", "2000 Feb 29", true, 2000, 2, 29},
      {"de_DE", "5.2.2001", true, 2001, 2, 5},
      {"de_DE", "Montag, 5. Februar 2001", true, 2001, 2, 5},
      {"de_DE", "9. M\xE4rz 2001", true, 2001, 3, 9},
      {"fr_FR", "5 juillet 2001", true, 2001, 7, 5},
      {"fr_FR", "5 juin 2001", true, 2001, 6, 5},
      // Refused.
      {"en_US", "2/5", false, 0, 0, 0},
      {"en_US", "Feb 5", false, 0, 0, 0},
      {"en_US", "", false, 0, 0, 0},
      {"en_US", "2/31/2001", false, 0, 0, 0},
      {"en_US", "2/29/2001", false, 0, 0, 0},
      {"en_US", "13/5/2001", false, 0, 0, 0},
      {"en_US", "2/0/2001", false, 0, 0, 0},
      {"en_US", "2/5/1492", false, 0, 0, 0},
      {"en_US", "2/5/99999999999999999999", false, 0, 0, 0},
      {"en_US", "Foo 5 2001", false, 0, 0, 0},
      {"de_DE", "2/31/2001", false, 0, 0, 0},
      {"fr_FR", "5 jui 2001", false, 0, 0, 0},  // juin or juillet
  };
  for (const ParseRow& row : rows) {
    platform::SetUserLocale(row.locale);
    ObjectRef date = ObjectRef::Adopt(ParseDateText(row.text));
    ASSERT_EQ(date.get() != nullptr, row.ok) << row.locale << " \"" << row.text << "\"";
    if (!date.get()) continue;
    ExpectDate(date.get(), row.year, row.month, row.day, row.text);
    EXPECT_EQ(Byte(date.get(), kParsedOffset), 1);
  }
}

// Seconds since local midnight: the epoch is a midnight.
double TimeOfDay(TessObject* date) {
  return std::fmod(std::fmod(DateTotalSeconds(date), 86400) + 86400, 86400);
}

bool CloseTimesOfDay(double a, double b) {
  double gap = std::fabs(a - b);
  return gap < 2 || gap > 86400 - 2;
}

TEST_F(DateTest, ParseDateKeepsTheTimeOfDay) {
  setenv("TZ", "<+05>-5", 1);
  ObjectRef now = ObjectRef::Adopt(CreateObject(DateClass()));
  ObjectRef parsed = ObjectRef::Adopt(ParseDateText("7/4/2001"));
  ASSERT_NE(parsed.get(), nullptr);
  EXPECT_TRUE(CloseTimesOfDay(TimeOfDay(parsed.get()), TimeOfDay(now.get())));
  setenv("TZ", "UTC0", 1);
}

TEST_F(DateTest, ParseDateReplacesTheReference) {
  ObjectRef old = ObjectRef::Adopt(NewDate(0));
  LockObject(old.get());  // the variable's own reference
  TessObject* variable = old.get();
  StringRef bad = StringRef::Adopt(MakeString("2/31/2001"));
  EXPECT_EQ(parseDate(bad.get(), &variable), 0);
  EXPECT_EQ(variable, old.get());
  EXPECT_EQ(Header(old.get())->refCount, 2);

  StringRef good = StringRef::Adopt(MakeString("3/4/2005"));
  EXPECT_EQ(parseDate(good.get(), &variable), 1);
  ASSERT_NE(variable, old.get());
  EXPECT_EQ(Header(old.get())->refCount, 1);
  EXPECT_EQ(Header(variable)->refCount, 1);
  ExpectDate(variable, 2005, 3, 4, "byref");

  TessObject* empty = nullptr;
  EXPECT_EQ(parseDate(good.get(), &empty), 1);
  EXPECT_NE(empty, nullptr);
  EXPECT_EQ(parseDate(nullptr, &empty), 0);
  EXPECT_EQ(parseDate(good.get(), nullptr), 0);
  UnlockObject(empty);
  UnlockObject(variable);
}

TEST_F(DateTest, ANewDateIsNowOnFirstUse) {
  setenv("TZ", "<+05>-5", 1);
  ObjectRef date = ObjectRef::Adopt(CreateObject(DateClass()));
  EXPECT_EQ(Byte(date.get(), kValidOffset), 0);
  platform::SYSTEMTIME utc;
  platform::GetSystemTime(&utc);
  auto expected = calendar::StampFromFields(
      {utc.wYear, utc.wMonth, utc.wDay, utc.wHour + 5, utc.wMinute, utc.wSecond, 0, 0});
  ASSERT_TRUE(expected);
  int year = dateFieldGetter(date.get(), kYear);  // any member makes it valid
  EXPECT_EQ(Byte(date.get(), kValidOffset), 1);
  EXPECT_NEAR(DateTotalSeconds(date.get()), calendar::SecondsFromStamp(*expected), 2.0);
  EXPECT_GE(year, 2024);
  // Once valid, it no longer moves.
  double first = DateTotalSeconds(date.get());
  EXPECT_EQ(DateTotalSeconds(date.get()), first);

  // Setting a field of a Date not yet valid starts from now too.
  ObjectRef other = ObjectRef::Adopt(CreateObject(DateClass()));
  dateFieldSetter(other.get(), kYear, 2001);
  EXPECT_EQ(dateFieldGetter(other.get(), kYear), 2001);
  EXPECT_TRUE(CloseTimesOfDay(TimeOfDay(other.get()), TimeOfDay(date.get())));
  setenv("TZ", "UTC0", 1);
}

}  // namespace
}  // namespace tess
