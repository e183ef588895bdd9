// Locale date data is read from ICU once per locale and kept until the user
// locale changes; formatting works on the cached pictures and names.
#include "platform/kernel/date_format.h"

#include <unicode/uloc.h>

#include <memory>
#include <mutex>

#include "platform/kernel/codepage.h"
#include "platform/kernel/icu_i18n.h"
#include "platform/kernel/locale.h"

namespace tess::platform {

namespace {

struct DateData {
  std::string locale;
  std::u16string shortDate, longDate, time;
  // Formatting names (the forms used inside a date) and the stand-alone
  // names the locale items report. Days from Sunday.
  std::u16string months[12], abbrevMonths[12], days[7], abbrevDays[7];
  std::u16string soloMonths[12], soloAbbrevMonths[12], soloDays[7], soloAbbrevDays[7];
  std::u16string am, pm, era;
};

std::mutex g_lock;
std::shared_ptr<const DateData> g_data;

std::u16string Wide(const UChar* text, int32_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), size_t(length));
}

std::u16string Pattern(const IcuI18n& icu, const char* locale, UDateFormatStyle time,
                       UDateFormatStyle date) {
  UErrorCode error = U_ZERO_ERROR;
  UDateFormat* format = icu.udat_open(time, date, locale, nullptr, 0, nullptr, 0, &error);
  if (U_FAILURE(error)) return {};
  UChar text[256];
  int32_t n = icu.udat_toPattern(format, false, text, 256, &error);
  icu.udat_close(format);
  if (U_FAILURE(error) || n > 256) return {};
  return PictureFromPattern(Wide(text, n));
}

void Symbols(const IcuI18n& icu, UDateFormat* format, UDateFormatSymbolType type, int32_t first,
             int count, std::u16string* out) {
  for (int i = 0; i < count; ++i) {
    UErrorCode error = U_ZERO_ERROR;
    UChar text[128];
    int32_t n = icu.udat_getSymbols(format, type, first + i, text, 128, &error);
    if (U_SUCCESS(error) && n <= 128) out[i] = Wide(text, n);
  }
}

std::shared_ptr<const DateData> Load(const std::string& id) {
  // Names and patterns of the Gregorian calendar, whatever the locale's own.
  char locale[ULOC_FULLNAME_CAPACITY];
  UErrorCode error = U_ZERO_ERROR;
  int32_t n = uloc_canonicalize(id.c_str(), locale, ULOC_FULLNAME_CAPACITY, &error);
  if (U_FAILURE(error) || n >= ULOC_FULLNAME_CAPACITY) locale[0] = 0;
  error = U_ZERO_ERROR;
  uloc_setKeywordValue("calendar", "gregorian", locale, ULOC_FULLNAME_CAPACITY, &error);

  auto data = std::make_shared<DateData>();
  data->locale = id;
  const IcuI18n* icu = HostRoutines<IcuI18n>();
  if (icu) {
    data->shortDate = Pattern(*icu, locale, UDAT_NONE, UDAT_SHORT);
    data->longDate = Pattern(*icu, locale, UDAT_NONE, UDAT_FULL);
    data->time = Pattern(*icu, locale, UDAT_MEDIUM, UDAT_NONE);
  }
  if (data->shortDate.empty()) data->shortDate = u"M/d/yyyy";
  if (data->longDate.empty()) data->longDate = u"dddd, MMMM d, yyyy";
  if (data->time.empty()) data->time = u"h:mm:ss tt";
  if (!icu) return data;

  error = U_ZERO_ERROR;
  UDateFormat* format =
      icu->udat_open(UDAT_MEDIUM, UDAT_MEDIUM, locale, nullptr, 0, nullptr, 0, &error);
  if (U_SUCCESS(error)) {
    // Weekday symbols are indexed from 1 (Sunday).
    Symbols(*icu, format, UDAT_MONTHS, 0, 12, data->months);
    Symbols(*icu, format, UDAT_SHORT_MONTHS, 0, 12, data->abbrevMonths);
    Symbols(*icu, format, UDAT_WEEKDAYS, 1, 7, data->days);
    Symbols(*icu, format, UDAT_SHORT_WEEKDAYS, 1, 7, data->abbrevDays);
    Symbols(*icu, format, UDAT_STANDALONE_MONTHS, 0, 12, data->soloMonths);
    Symbols(*icu, format, UDAT_STANDALONE_SHORT_MONTHS, 0, 12, data->soloAbbrevMonths);
    Symbols(*icu, format, UDAT_STANDALONE_WEEKDAYS, 1, 7, data->soloDays);
    Symbols(*icu, format, UDAT_STANDALONE_SHORT_WEEKDAYS, 1, 7, data->soloAbbrevDays);
    Symbols(*icu, format, UDAT_AM_PMS, 0, 1, &data->am);
    Symbols(*icu, format, UDAT_AM_PMS, 1, 1, &data->pm);
    Symbols(*icu, format, UDAT_ERAS, 1, 1, &data->era);
    icu->udat_close(format);
  }
  return data;
}

std::shared_ptr<const DateData> Data() {
  std::string locale = GetUserLocale();
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_data || g_data->locale != locale) g_data = Load(locale);
  return g_data;
}

bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Literal text of a picture: runs of letters are quoted, since they would
// otherwise read as codes, and a lone quote is doubled.
void AppendLiteral(std::u16string& picture, std::u16string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (!IsAsciiLetter(text[i])) {
      picture += text[i] == u'\'' ? u"''" : std::u16string(1, text[i]);
      ++i;
      continue;
    }
    picture += u'\'';
    for (; i < text.size() && (IsAsciiLetter(text[i]) || text[i] == u'\''); ++i) {
      picture += text[i];
      if (text[i] == u'\'') picture += u'\'';
    }
    picture += u'\'';
  }
}

// The picture code for a run of `n` ICU pattern letters `c`; empty for
// fields pictures cannot show (time zones, fractions, week numbers).
std::u16string CodeFor(char16_t c, size_t n) {
  switch (c) {
    case u'G':
      return u"gg";
    case u'y':
    case u'Y':
    case u'u':
      return u"yyyy";
    case u'M':
    case u'L':
      return std::u16string(n > 4 ? 3 : n, u'M');  // narrow names: abbreviated
    case u'd':
      return n == 1 ? u"d" : u"dd";
    case u'E':
    case u'e':
    case u'c':
      return n == 4 ? u"dddd" : u"ddd";
    case u'h':
    case u'K':
      return n == 1 ? u"h" : u"hh";
    case u'H':
    case u'k':
      return n == 1 ? u"H" : u"HH";
    case u'm':
      return n == 1 ? u"m" : u"mm";
    case u's':
      return n == 1 ? u"s" : u"ss";
    case u'a':
    case u'b':
    case u'B':
      return u"tt";
    default:
      return {};
  }
}

struct Names {
  const std::u16string* months;
  const std::u16string* abbrevMonths;
  const std::u16string* days;
  const std::u16string* abbrevDays;
};

void AppendNumber(std::u16string& out, int value, int width) {
  std::string digits = std::to_string(value);
  for (int i = int(digits.size()); i < width; ++i) out += u'0';
  for (char c : digits) out += char16_t(c);
}

enum class Part { kDate, kTime };

// Formats `t` by `picture`. Codes of the other part are copied as text.
// With `dropFrom` set, seconds (TIME_NOSECONDS) or minutes and seconds
// (TIME_NOMINUTESORSECONDS) are left out with the text since the code before.
std::u16string FormatPicture(std::u16string_view picture, const SYSTEMTIME& t, Part part,
                             const DateData& data, uint32_t timeFlags) {
  std::u16string out;
  size_t keep = 0;  // output length after the last code that stays
  size_t i = 0;
  while (i < picture.size()) {
    char16_t c = picture[i];
    if (c == u'\'') {
      ++i;
      if (i < picture.size() && picture[i] == u'\'') {
        out += u'\'';
        ++i;
        continue;
      }
      while (i < picture.size()) {
        if (picture[i] == u'\'') {
          if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
            out += u'\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        out += picture[i++];
      }
      continue;
    }
    size_t n = 1;
    while (i + n < picture.size() && picture[i + n] == c) ++n;
    bool code = true;
    if (part == Part::kDate) {
      switch (c) {
        case u'd':
          if (n <= 2)
            AppendNumber(out, t.wDay, int(n));
          else
            out += n == 3 ? data.abbrevDays[t.wDayOfWeek] : data.days[t.wDayOfWeek];
          break;
        case u'M':
          if (n <= 2)
            AppendNumber(out, t.wMonth, int(n));
          else
            out += n == 3 ? data.abbrevMonths[t.wMonth - 1] : data.months[t.wMonth - 1];
          break;
        case u'y':
          if (n <= 2)
            AppendNumber(out, t.wYear % 100, int(n));
          else
            AppendNumber(out, t.wYear, 1);
          break;
        case u'g':
          out += data.era;
          break;
        default:
          code = false;
      }
    } else {
      bool drop = (c == u's' && (timeFlags & (TIME_NOSECONDS | TIME_NOMINUTESORSECONDS))) ||
                  (c == u'm' && (timeFlags & TIME_NOMINUTESORSECONDS));
      if (drop) {
        out.resize(keep);
        i += n;
        continue;
      }
      int width = n >= 2 ? 2 : 1;
      switch (c) {
        case u'h':
          AppendNumber(out, t.wHour % 12 == 0 ? 12 : t.wHour % 12, width);
          break;
        case u'H':
          AppendNumber(out, t.wHour, width);
          break;
        case u'm':
          AppendNumber(out, t.wMinute, width);
          break;
        case u's':
          AppendNumber(out, t.wSecond, width);
          break;
        case u't': {
          const std::u16string& marker = t.wHour < 12 ? data.am : data.pm;
          out += n == 1 ? marker.substr(0, 1) : marker;
          break;
        }
        default:
          code = false;
      }
    }
    if (code)
      keep = out.size();
    else
      out.append(n, c);
    i += n;
  }
  return out;
}

bool ValidDate(const SYSTEMTIME& date, SYSTEMTIME* withWeekday) {
  SYSTEMTIME day{};
  day.wYear = date.wYear;
  day.wMonth = date.wMonth;
  day.wDay = date.wDay;
  FILETIME stamp;
  return SystemTimeToFileTime(&day, &stamp) && FileTimeToSystemTime(&stamp, withWeekday);
}

bool ValidTime(const SYSTEMTIME& t) {
  return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

std::u16string Widen(const char* picture) {
  return MultiByteToWide(CP_ACP, picture);
}

}  // namespace

std::u16string PictureFromPattern(std::u16string_view pattern) {
  std::u16string picture, literal;
  size_t i = 0;
  while (i < pattern.size()) {
    char16_t c = pattern[i];
    if (c == u'\'') {
      // '' is a quote; otherwise quoted text runs to the next lone quote.
      if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
        literal += u'\'';
        i += 2;
        continue;
      }
      for (++i; i < pattern.size(); ++i) {
        if (pattern[i] != u'\'') {
          literal += pattern[i];
        } else if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
          literal += u'\'';
          ++i;
        } else {
          break;
        }
      }
      ++i;
      continue;
    }
    if (IsAsciiLetter(c)) {
      size_t n = 1;
      while (i + n < pattern.size() && pattern[i + n] == c) ++n;
      std::u16string code = CodeFor(c, n);
      // A field pictures cannot show goes with the separator before it.
      if (!code.empty()) AppendLiteral(picture, literal);
      literal.clear();
      picture += code;
      i += n;
      continue;
    }
    literal += (c == u'\u00A0' || c == u'\u202F' || c == u'\u2009') ? u' ' : c;
    ++i;
  }
  AppendLiteral(picture, literal);
  return picture;
}

std::u16string GetLocaleInfoW(uint32_t item) {
  auto data = Data();
  // Items count days from Monday; the names are kept from Sunday.
  auto day = [](uint32_t index) { return (index + 1) % 7; };
  if (item >= LOCALE_SDAYNAME1 && item < LOCALE_SDAYNAME1 + 7)
    return data->soloDays[day(item - LOCALE_SDAYNAME1)];
  if (item >= LOCALE_SABBREVDAYNAME1 && item < LOCALE_SABBREVDAYNAME1 + 7)
    return data->soloAbbrevDays[day(item - LOCALE_SABBREVDAYNAME1)];
  if (item >= LOCALE_SMONTHNAME1 && item < LOCALE_SMONTHNAME1 + 12)
    return data->soloMonths[item - LOCALE_SMONTHNAME1];
  if (item >= LOCALE_SABBREVMONTHNAME1 && item < LOCALE_SABBREVMONTHNAME1 + 12)
    return data->soloAbbrevMonths[item - LOCALE_SABBREVMONTHNAME1];
  switch (item) {
    case LOCALE_SSHORTDATE:
      return data->shortDate;
    case LOCALE_SLONGDATE:
      return data->longDate;
    case LOCALE_STIMEFORMAT:
      return data->time;
    case LOCALE_S1159:
      return data->am;
    case LOCALE_S2359:
      return data->pm;
    case LOCALE_SDECIMAL:
      return MultiByteToWide(CP_ACP, DecimalSeparator());
    case LOCALE_STHOUSAND:
      return MultiByteToWide(CP_ACP, ThousandsSeparator());
    default:
      return {};
  }
}

std::string GetLocaleInfo(uint32_t item) {
  return WideToMultiByte(CP_ACP, GetLocaleInfoW(item));
}

bool GetDateFormatW(uint32_t flags, const SYSTEMTIME& date, const char16_t* picture,
                    std::u16string* out) {
  if ((flags & ~(DATE_SHORTDATE | DATE_LONGDATE)) ||
      (flags & DATE_SHORTDATE && flags & DATE_LONGDATE) || (picture && flags) || !out)
    return false;
  SYSTEMTIME day;
  if (!ValidDate(date, &day)) return false;
  auto data = Data();
  const std::u16string& chosen = flags & DATE_LONGDATE ? data->longDate : data->shortDate;
  *out = FormatPicture(picture ? std::u16string_view(picture) : chosen, day, Part::kDate, *data, 0);
  return true;
}

bool GetDateFormat(uint32_t flags, const SYSTEMTIME& date, const char* picture, std::string* out) {
  std::u16string wide;
  std::u16string widePicture = picture ? Widen(picture) : std::u16string();
  if (!out || !GetDateFormatW(flags, date, picture ? widePicture.c_str() : nullptr, &wide))
    return false;
  *out = WideToMultiByte(CP_ACP, wide);
  return true;
}

bool GetTimeFormatW(uint32_t flags, const SYSTEMTIME& time, const char16_t* picture,
                    std::u16string* out) {
  if ((flags & ~(TIME_NOSECONDS | TIME_NOMINUTESORSECONDS)) || !out || !ValidTime(time))
    return false;
  auto data = Data();
  *out = FormatPicture(picture ? std::u16string_view(picture) : data->time, time, Part::kTime,
                       *data, flags);
  return true;
}

bool GetTimeFormat(uint32_t flags, const SYSTEMTIME& time, const char* picture, std::string* out) {
  std::u16string wide;
  std::u16string widePicture = picture ? Widen(picture) : std::u16string();
  if (!out || !GetTimeFormatW(flags, time, picture ? widePicture.c_str() : nullptr, &wide))
    return false;
  *out = WideToMultiByte(CP_ACP, wide);
  return true;
}

}  // namespace tess::platform
