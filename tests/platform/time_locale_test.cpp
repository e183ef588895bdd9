// System time, file-time stamps, UTC to local time, and the locale's date
// and time pictures, names and formatting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/kernel/codepage.h"
#include "platform/kernel/date_format.h"
#include "platform/kernel/locale.h"
#include "platform/kernel/time.h"

namespace tess::platform {
namespace {

SYSTEMTIME At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return SYSTEMTIME{uint16_t(y), uint16_t(mo), 0,           uint16_t(d),
                    uint16_t(h), uint16_t(mi), uint16_t(s), uint16_t(ms)};
}

uint64_t Stamp(const SYSTEMTIME& t) {
  FILETIME f{};
  EXPECT_TRUE(SystemTimeToFileTime(&t, &f));
  return FileTimeToQuad(f);
}

class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
  }
  ~ZoneScope() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
  }

 private:
  bool had_;
  std::string old_;
};

TEST(FileTime, KnownStamps) {
  EXPECT_EQ(Stamp(At(1601, 1, 1)), 0u);
  EXPECT_EQ(Stamp(At(1970, 1, 1)), kFileTimeUnixEpoch);
  EXPECT_EQ(Stamp(At(1601, 1, 2, 0, 0, 1, 5)), 864'000'000'000u + 10'050'000u);
  EXPECT_EQ(Stamp(At(2000, 3, 1)) - Stamp(At(2000, 2, 28)), 2 * 864'000'000'000u);
}

TEST(FileTime, RefusesInvalidFields) {
  const SYSTEMTIME bad[] = {
      At(2001, 2, 31),
      At(2001, 2, 29),
      At(1900, 2, 29),
      At(2001, 13, 1),
      At(2001, 0, 1),
      At(2001, 1, 0),
      At(2001, 4, 31),
      At(1600, 12, 31),
      At(30828, 1, 1),
      At(2001, 1, 1, 24),
      At(2001, 1, 1, 0, 60),
      At(2001, 1, 1, 0, 0, 60),
      At(2001, 1, 1, 0, 0, 0, 1000),
  };
  for (const SYSTEMTIME& t : bad) {
    FILETIME f{7, 7};
    EXPECT_FALSE(SystemTimeToFileTime(&t, &f)) << t.wYear << "-" << t.wMonth << "-" << t.wDay;
    EXPECT_EQ(FileTimeToQuad(f), (uint64_t(7) << 32) + 7);
  }
  EXPECT_TRUE(SystemTimeToFileTime(&bad[0], nullptr) == false);
  FILETIME f;
  SYSTEMTIME ok = At(2000, 2, 29, 23, 59, 59, 999);
  EXPECT_TRUE(SystemTimeToFileTime(&ok, &f));
  ok = At(30827, 12, 31, 23, 59, 59, 999);
  EXPECT_TRUE(SystemTimeToFileTime(&ok, &f));
}

TEST(FileTime, RoundTripsWithDayOfWeek) {
  struct Row {
    SYSTEMTIME time;
    int dayOfWeek;
  };
  const Row rows[] = {
      {At(1601, 1, 1), 1},
      {At(1904, 1, 1), 5},
      {At(1970, 1, 1), 4},
      {At(2000, 12, 31, 23, 59, 59, 999), 0},
      {At(2001, 2, 5, 15, 4, 5, 6), 1},
      {At(2400, 2, 29, 12), 2},
      {At(30827, 12, 31, 23, 59, 59, 999), 5},
  };
  for (const Row& row : rows) {
    FILETIME f;
    SYSTEMTIME back{};
    ASSERT_TRUE(SystemTimeToFileTime(&row.time, &f));
    ASSERT_TRUE(FileTimeToSystemTime(&f, &back));
    EXPECT_EQ(back.wYear, row.time.wYear);
    EXPECT_EQ(back.wMonth, row.time.wMonth);
    EXPECT_EQ(back.wDay, row.time.wDay);
    EXPECT_EQ(back.wHour, row.time.wHour);
    EXPECT_EQ(back.wMinute, row.time.wMinute);
    EXPECT_EQ(back.wSecond, row.time.wSecond);
    EXPECT_EQ(back.wMilliseconds, row.time.wMilliseconds);
    EXPECT_EQ(back.wDayOfWeek, row.dayOfWeek) << row.time.wYear;
  }
}

TEST(FileTime, StampLimit) {
  SYSTEMTIME t{};
  FILETIME last = QuadToFileTime(~uint64_t(0) >> 1);
  ASSERT_TRUE(FileTimeToSystemTime(&last, &t));
  EXPECT_EQ(t.wYear, 30828);
  EXPECT_EQ(t.wMonth, 9);
  EXPECT_EQ(t.wDay, 14);
  FILETIME past = QuadToFileTime(uint64_t(1) << 63);
  EXPECT_FALSE(FileTimeToSystemTime(&past, &t));
}

TEST(LocalTime, FollowsTheZoneRules) {
  struct Row {
    const char* zone;
    SYSTEMTIME utc;
    SYSTEMTIME local;
    int dayOfWeek;
  };
  const Row rows[] = {
      {"UTC0", At(2001, 7, 4, 12, 30, 15, 250), At(2001, 7, 4, 12, 30, 15, 250), 3},
      {"EST5EDT,M3.2.0,M11.1.0", At(2001, 7, 4, 12), At(2001, 7, 4, 8), 3},
      {"EST5EDT,M3.2.0,M11.1.0", At(2001, 1, 15, 2, 5), At(2001, 1, 14, 21, 5), 0},
      {"EST5EDT,M3.2.0,M11.1.0", At(2040, 7, 4, 12), At(2040, 7, 4, 8), 3},
      {"<+0530>-5:30", At(2001, 12, 31, 20), At(2002, 1, 1, 1, 30), 2},
      {"CET-1CEST,M3.5.0,M10.5.0/3", At(1904, 1, 1), At(1904, 1, 1, 1), 5},
  };
  for (const Row& row : rows) {
    ZoneScope zone(row.zone);
    SYSTEMTIME local{};
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &row.utc, &local)) << row.zone;
    EXPECT_EQ(Stamp(local), Stamp(row.local)) << row.zone << " " << row.utc.wYear;
    EXPECT_EQ(local.wDayOfWeek, row.dayOfWeek) << row.zone;
  }
  SYSTEMTIME local;
  SYSTEMTIME bad = At(2001, 2, 30);
  EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(nullptr, &bad, &local));
  SYSTEMTIME first = At(1601, 1, 1);
  ZoneScope west("<-05>5");
  EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(nullptr, &first, &local));  // before 1601
}

TEST(LocalTime, ClockIsTheSystemTimeShifted) {
  ZoneScope zone("<+05>-5");
  SYSTEMTIME utc, local;
  GetSystemTime(&utc);
  GetLocalTime(&local);
  int64_t difference = int64_t(Stamp(local) - Stamp(utc));
  EXPECT_GE(difference, 5 * 3600 * 10'000'000LL);
  EXPECT_LT(difference, 5 * 3600 * 10'000'000LL + 2 * 10'000'000LL);
  EXPECT_GE(utc.wYear, 2024);
}

class LocaleScope {
 public:
  explicit LocaleScope(const char* locale) : old_(GetUserLocale()) { SetUserLocale(locale); }
  ~LocaleScope() { SetUserLocale(old_); }

 private:
  std::string old_;
};

std::string Info(uint32_t item) {
  return GetLocaleInfo(item);
}

TEST(LocaleDates, PicturesAndNames) {
  struct Row {
    const char* locale;
    uint32_t item;
    const char* text;  // in code page 1252
  };
  const Row rows[] = {
      {"en_US", LOCALE_SSHORTDATE, "M/d/yyyy"},
      {"en_US", LOCALE_SLONGDATE, "dddd, MMMM d, yyyy"},
      {"en_US", LOCALE_STIMEFORMAT, "h:mm:ss tt"},
      {"en_US", LOCALE_SDAYNAME1, "Monday"},
      {"en_US", LOCALE_SDAYNAME1 + 6, "Sunday"},
      {"en_US", LOCALE_SABBREVDAYNAME1 + 2, "Wed"},
      {"en_US", LOCALE_SMONTHNAME1, "January"},
      {"en_US", LOCALE_SABBREVMONTHNAME1 + 11, "Dec"},
      {"en_US", LOCALE_S2359, "PM"},
      {"de_DE", LOCALE_SSHORTDATE, "dd.MM.yyyy"},
      {"de_DE", LOCALE_SLONGDATE, "dddd, d. MMMM yyyy"},
      {"de_DE", LOCALE_STIMEFORMAT, "HH:mm:ss"},
      {"de_DE", LOCALE_SDAYNAME1 + 6, "Sonntag"},
      {"de_DE", LOCALE_SMONTHNAME1 + 2, "M\xE4rz"},
      {"de_DE", LOCALE_SDECIMAL, ","},
      {"de_DE", 0x7777, ""},
  };
  for (const Row& row : rows) {
    LocaleScope locale(row.locale);
    EXPECT_EQ(Info(row.item), row.text) << row.locale << " item " << row.item;
  }
}

TEST(LocaleDates, PatternsBecomePictures) {
  struct Row {
    std::u16string_view pattern;
    std::u16string_view picture;
  };
  const Row rows[] = {
      {u"h:mm:ss\u202Fa", u"h:mm:ss tt"},
      {u"M/d/yy", u"M/d/yyyy"},
      {u"EEEE, d. MMMM y", u"dddd, d. MMMM yyyy"},
      {u"d 'de' MMMM 'de' y", u"d 'de' MMMM 'de' yyyy"},
      {u"h 'o''clock' a", u"h 'o''clock' tt"},
      {u"y\u5E74M\u6708d\u65E5", u"yyyy\u5E74M\u6708d\u65E5"},
      {u"HH:mm:ss zzzz", u"HH:mm:ss"},
      {u"HH:mm:ss.SSS", u"HH:mm:ss"},
      {u"LLLLL ccc G kk:mm", u"MMM ddd gg HH:mm"},
      {u"''y", u"''yyyy"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(PictureFromPattern(row.pattern), row.picture);
  }
}

TEST(LocaleDates, FormatsByFlagsAndPicture) {
  struct Row {
    const char* locale;
    uint32_t flags;
    const char* picture;
    SYSTEMTIME date;
    const char* text;
  };
  const SYSTEMTIME monday = At(2001, 2, 5, 15, 4, 5);
  const Row rows[] = {
      {"en_US", DATE_SHORTDATE, nullptr, monday, "2/5/2001"},
      {"en_US", 0, nullptr, monday, "2/5/2001"},
      {"en_US", DATE_LONGDATE, nullptr, monday, "Monday, February 5, 2001"},
      {"de_DE", DATE_SHORTDATE, nullptr, monday, "05.02.2001"},
      {"de_DE", DATE_LONGDATE, nullptr, monday, "Montag, 5. Februar 2001"},
      {"de_DE", 0, "d. MMMM yyyy", At(2001, 3, 9), "9. M\xE4rz 2001"},
      {"en_US", 0, "ddd MMM d yy", monday, "Mon Feb 5 01"},
      {"en_US", 0, "y/yy/yyy/yyyyy", At(2005, 1, 1), "5/05/2005/2005"},
      {"en_US", 0, "dd.MM 'day' d''s h", At(2001, 1, 2), "02.01 day 2's h"},
      {"en_US", 0, "'unterminated d", monday, "unterminated d"},
      {"en_US", 0, "dddddd", At(2000, 12, 31), "Sunday"},
  };
  for (const Row& row : rows) {
    LocaleScope locale(row.locale);
    std::string text;
    EXPECT_TRUE(GetDateFormat(row.flags, row.date, row.picture, &text));
    EXPECT_EQ(text, row.text) << row.locale << " " << (row.picture ? row.picture : "");
  }
}

TEST(LocaleDates, FormatsTimes) {
  struct Row {
    const char* locale;
    uint32_t flags;
    const char* picture;
    SYSTEMTIME time;
    const char* text;
  };
  const Row rows[] = {
      {"en_US", 0, nullptr, At(2001, 2, 5, 15, 4, 5), "3:04:05 PM"},
      {"en_US", TIME_NOSECONDS, nullptr, At(2001, 2, 5, 15, 4, 5), "3:04 PM"},
      {"en_US", TIME_NOMINUTESORSECONDS, nullptr, At(2001, 2, 5, 15, 4, 5), "3 PM"},
      {"en_US", 0, nullptr, At(2001, 2, 5, 0, 0, 0), "12:00:00 AM"},
      {"de_DE", 0, nullptr, At(2001, 2, 5, 15, 4, 5), "15:04:05"},
      {"de_DE", TIME_NOSECONDS, nullptr, At(2001, 2, 5, 9, 4, 5), "09:04"},
      {"en_US", 0, "hh:m:s t", At(2001, 2, 5, 13, 4, 5), "01:4:5 P"},
      {"en_US", TIME_NOSECONDS, "ss", At(2001, 2, 5, 13, 4, 5), ""},
      // The time of an invalid date is still a time.
      {"en_US", 0, "HH", At(2001, 2, 31, 23), "23"},
  };
  for (const Row& row : rows) {
    LocaleScope locale(row.locale);
    std::string text;
    EXPECT_TRUE(GetTimeFormat(row.flags, row.time, row.picture, &text));
    EXPECT_EQ(text, row.text) << row.locale << " " << (row.picture ? row.picture : "");
  }
}

TEST(LocaleDates, RefusesInvalidInput) {
  LocaleScope locale("en_US");
  std::string text = "kept";
  EXPECT_FALSE(GetDateFormat(0, At(2001, 2, 29), nullptr, &text));
  EXPECT_FALSE(GetDateFormat(0, At(2001, 0, 1), nullptr, &text));
  EXPECT_FALSE(GetDateFormat(0, At(1600, 1, 1), nullptr, &text));
  EXPECT_FALSE(GetDateFormat(DATE_SHORTDATE | DATE_LONGDATE, At(2001, 1, 1), nullptr, &text));
  EXPECT_FALSE(GetDateFormat(DATE_LONGDATE, At(2001, 1, 1), "d", &text));
  EXPECT_FALSE(GetTimeFormat(0, At(2001, 1, 1, 24), nullptr, &text));
  EXPECT_FALSE(GetTimeFormat(0, At(2001, 1, 1, 0, 60), nullptr, &text));
  EXPECT_FALSE(GetTimeFormat(0x80, At(2001, 1, 1), nullptr, &text));
  EXPECT_EQ(text, "kept");
  EXPECT_FALSE(GetDateFormat(0, At(2001, 1, 1), nullptr, nullptr));
}

}  // namespace
}  // namespace tess::platform
