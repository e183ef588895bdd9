// Locale date and time services of the user's locale (see locale.h): the
// short date, long date and time pictures, month and day names, and
// formatting of calendar times by picture. All locale data comes from ICU
// (Gregorian calendar); ICU's patterns are translated to the picture syntax:
//
//   d dd        day of month, without / with a leading zero
//   ddd dddd    abbreviated / full day name
//   M MM        month number, without / with a leading zero
//   MMM MMMM    abbreviated / full month name
//   y yy yyyy   year modulo 100 / the same with a leading zero / full year
//   g gg        era
//   h hh H HH   hour on the 12- / 24-hour clock, without / with a leading zero
//   m mm s ss   minute, second
//   t tt        first letter of / whole AM or PM designator
//   'text'      literal text; '' is one quote
//
// Any other character is copied. Pictures always carry four-digit years,
// and the no-break spaces ICU puts in some patterns become plain spaces.
#pragma once

#include <cstdint>
#include <string>

#include "platform/kernel/time.h"

namespace tess::platform {

// Locale items. Day names count from Monday (1) to Sunday (7).
inline constexpr uint32_t LOCALE_SDECIMAL = 0x0E;
inline constexpr uint32_t LOCALE_STHOUSAND = 0x0F;
inline constexpr uint32_t LOCALE_SSHORTDATE = 0x1F;
inline constexpr uint32_t LOCALE_SLONGDATE = 0x20;
inline constexpr uint32_t LOCALE_S1159 = 0x28;  // AM designator
inline constexpr uint32_t LOCALE_S2359 = 0x29;  // PM designator
inline constexpr uint32_t LOCALE_SDAYNAME1 = 0x2A;
inline constexpr uint32_t LOCALE_SABBREVDAYNAME1 = 0x31;
inline constexpr uint32_t LOCALE_SMONTHNAME1 = 0x38;
inline constexpr uint32_t LOCALE_SABBREVMONTHNAME1 = 0x44;
inline constexpr uint32_t LOCALE_STIMEFORMAT = 0x1003;

// The item's text; empty for unknown items. The narrow form is in the
// system code page.
std::u16string GetLocaleInfoW(uint32_t item);
std::string GetLocaleInfo(uint32_t item);

// Date flags: the locale's short or long picture when no picture is given.
inline constexpr uint32_t DATE_SHORTDATE = 0x1;
inline constexpr uint32_t DATE_LONGDATE = 0x2;
// Time flags: leave out seconds, or minutes and seconds, together with the
// separators before them.
inline constexpr uint32_t TIME_NOMINUTESORSECONDS = 0x1;
inline constexpr uint32_t TIME_NOSECONDS = 0x2;

// Formats the date part of `date` by `picture` (null: the picture the flags
// select, the short date without flags). The day of week is worked out from
// the date. False, and *out unchanged, for an invalid date (31 February,
// month 0, years outside 1601-30827) or flags that contradict each other or
// the picture.
bool GetDateFormatW(uint32_t flags, const SYSTEMTIME& date, const char16_t* picture,
                    std::u16string* out);
bool GetDateFormat(uint32_t flags, const SYSTEMTIME& date, const char* picture, std::string* out);

// Formats the time part of `time` by `picture` (null: the locale's time
// picture). False for an invalid time (hour 24, minute 60 ...).
bool GetTimeFormatW(uint32_t flags, const SYSTEMTIME& time, const char16_t* picture,
                    std::u16string* out);
bool GetTimeFormat(uint32_t flags, const SYSTEMTIME& time, const char* picture, std::string* out);

// An ICU date pattern in picture syntax (exposed for tests).
std::u16string PictureFromPattern(std::u16string_view pattern);

}  // namespace tess::platform
