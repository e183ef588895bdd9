// The Date class. An instance keeps its moment twice: as a 64-bit local time
// stamp (100 ns since 1601) and as the broken-down calendar fields; every
// change goes through the stamp and recomputes all fields, so the two always
// agree. A Date not yet valid becomes the current local time on first use.
//
// Values that would leave the stamp range (years 1601-30827) are refused and
// the Date keeps its moment: the fields are 16-bit and the host's
// conversions stop there.
//
// parseDate reads at most three tokens: runs of digits, and one month name
// (the first run of three or more letters that is not a day name, matched
// whole against the locale's full and abbreviated month names, else by its
// first three letters when only one month begins so). Fields are placed in
// the order of the locale's short-date picture (see calendar::ResolveDate
// for years written with two digits, a leading four-digit year, and the
// refusal of out-of-range numbers). The time of day is the current one.
#include "values/date.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel/codepage.h"
#include "platform/kernel/date_format.h"
#include "platform/kernel/locale.h"
#include "platform/kernel/time.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/calendar.h"

namespace tess {

namespace {

namespace pf = platform;

struct DateInstance {
  ObjectHeader header;
  int64_t stamp;  // local time
  uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
  uint8_t valid;
  uint8_t parsed;
};

#if defined(__i386__)
static_assert(offsetof(DateInstance, stamp) == 16);
static_assert(offsetof(DateInstance, year) == 24);
static_assert(offsetof(DateInstance, dayOfWeek) == 28);
static_assert(offsetof(DateInstance, milliseconds) == 38);
static_assert(offsetof(DateInstance, valid) == 40);
static_assert(offsetof(DateInstance, parsed) == 41);
#endif
constexpr int32_t kDateInstanceSize = offsetof(DateInstance, parsed) + 1;

enum Field : uint32_t {
  kYear,
  kMonth,
  kDay,
  kHour,
  kMinute,
  kSecond,
  kDayOfWeek,
  kDayOfYear,
  kWeekOfYear,
};

enum TextForm : uint32_t { kShortDate, kLongDate, kAbbreviatedDate, kShortTime, kLongTime };

ClassObject* g_dateClass = nullptr;

const PropertyRecord kDateProperties[] = {
    {0, "Year", &kIntegerType, (void*)&dateFieldGetter, (void*)&dateFieldSetter, kYear},
    {0, "Month", &kIntegerType, (void*)&dateFieldGetter, (void*)&dateFieldSetter, kMonth},
    {0, "Day", &kIntegerType, (void*)&dateFieldGetter, (void*)&dateFieldSetter, kDay},
    {0, "Hour", &kIntegerType, (void*)&dateFieldGetter, (void*)&dateFieldSetter, kHour},
    {0, "Minute", &kIntegerType, (void*)&dateFieldGetter, (void*)&dateFieldSetter, kMinute},
    {0, "Second", &kIntegerType, (void*)&dateFieldGetter, (void*)&dateFieldSetter, kSecond},
    {0, "DayOfWeek", &kIntegerType, (void*)&dateFieldGetter, nullptr, kDayOfWeek},
    {0, "DayOfYear", &kIntegerType, (void*)&dateFieldGetter, nullptr, kDayOfYear},
    {0, "WeekOfYear", &kIntegerType, (void*)&dateFieldGetter, nullptr, kWeekOfYear},
    {0, "ShortDate", &kStringType, (void*)&dateStringGetter, nullptr, kShortDate},
    {0, "LongDate", &kStringType, (void*)&dateStringGetter, nullptr, kLongDate},
    {0, "AbbreviatedDate", &kStringType, (void*)&dateStringGetter, nullptr, kAbbreviatedDate},
    {0, "ShortTime", &kStringType, (void*)&dateStringGetter, nullptr, kShortTime},
    {0, "LongTime", &kStringType, (void*)&dateStringGetter, nullptr, kLongTime},
    {0, "TotalSeconds", &kDoubleType, (void*)&dateTotalSecondsGetter,
     (void*)&dateTotalSecondsSetter, 0},
};

DateInstance* Instance(TessObject* date) {
  return reinterpret_cast<DateInstance*>(date);
}

void SetStamp(DateInstance* d, int64_t stamp) {
  calendar::Fields f = calendar::FieldsFromStamp(stamp);
  d->stamp = stamp;
  d->year = uint16_t(f.year);
  d->month = uint16_t(f.month);
  d->dayOfWeek = uint16_t(f.dayOfWeek);
  d->day = uint16_t(f.day);
  d->hour = uint16_t(f.hour);
  d->minute = uint16_t(f.minute);
  d->second = uint16_t(f.second);
  d->milliseconds = uint16_t(f.milliseconds);
  d->valid = 1;
}

calendar::Fields FieldsOf(const pf::SYSTEMTIME& t) {
  return calendar::Fields{t.wYear,   t.wMonth,  t.wDay,          t.wHour,
                          t.wMinute, t.wSecond, t.wMilliseconds, 0};
}

// The stamp of the current local time.
int64_t Now() {
  pf::SYSTEMTIME now;
  pf::GetLocalTime(&now);
  return calendar::StampFromFields(FieldsOf(now)).value_or(calendar::kEpochStamp);
}

DateInstance* Valid(TessObject* date) {
  DateInstance* d = Instance(date);
  if (!d->valid) SetStamp(d, Now());
  return d;
}

// For entry points: nil raises, a Date not yet valid becomes now.
DateInstance* Checked(TessObject* date) {
  if (!date) Raise(RuntimeError::kNilObject);
  return Valid(date);
}

pf::SYSTEMTIME SystemTimeOf(const DateInstance* d) {
  return pf::SYSTEMTIME{d->year, d->month,  d->dayOfWeek, d->day,
                        d->hour, d->minute, d->second,    d->milliseconds};
}

// The long-date picture with day and month names shortened: "dddd" becomes
// "ddd" and "MMMM" becomes "MMM" outside quoted text, until nothing changes.
// Worked on UTF-16, where no trail byte of a double-byte character can pass
// for a letter of the picture.
std::u16string AbbreviatedPicture(std::u16string picture) {
  for (bool changed = true; changed;) {
    changed = false;
    bool quoted = false;
    for (size_t i = 0; i < picture.size(); ++i) {
      if (picture[i] == u'\'') {
        quoted = !quoted;
      } else if (!quoted &&
                 (picture.compare(i, 4, u"dddd") == 0 || picture.compare(i, 4, u"MMMM") == 0)) {
        picture.erase(i, 1);
        changed = true;
      }
    }
  }
  return picture;
}

std::string Text(DateInstance* d, uint32_t form) {
  pf::SYSTEMTIME t = SystemTimeOf(d);
  std::string out;
  switch (form) {
    case kShortDate:
      pf::GetDateFormat(pf::DATE_SHORTDATE, t, nullptr, &out);
      break;
    case kLongDate:
      pf::GetDateFormat(pf::DATE_LONGDATE, t, nullptr, &out);
      break;
    case kAbbreviatedDate: {
      std::u16string picture = AbbreviatedPicture(pf::GetLocaleInfoW(pf::LOCALE_SLONGDATE));
      std::u16string wide;
      if (pf::GetDateFormatW(0, t, picture.c_str(), &wide))
        out = pf::WideToMultiByte(pf::CP_ACP, wide);
      break;
    }
    case kShortTime:
      pf::GetTimeFormat(pf::TIME_NOSECONDS, t, nullptr, &out);
      break;
    case kLongTime:
      pf::GetTimeFormat(0, t, nullptr, &out);
      break;
    default:
      break;
  }
  return out;
}

int32_t FieldValue(DateInstance* d, uint32_t field) {
  switch (field) {
    case kYear:
      return d->year;
    case kMonth:
      return d->month;
    case kDay:
      return d->day;
    case kHour:
      return d->hour;
    case kMinute:
      return d->minute;
    case kSecond:
      return d->second;
    case kDayOfWeek:
      return d->dayOfWeek + 1;
    case kDayOfYear:
      return calendar::DayOfYear(d->year, d->month, d->day);
    case kWeekOfYear:
      return calendar::WeekOfYear(d->year, d->month, d->day);
    default:
      return 0;
  }
}

void SetField(DateInstance* d, uint32_t field, int32_t value) {
  calendar::Fields f{d->year, d->month, d->day, d->hour, d->minute, d->second, d->milliseconds, 0};
  int64_t* slots[] = {&f.year, &f.month, &f.day, &f.hour, &f.minute, &f.second};
  if (field >= std::size(slots)) return;  // the derived fields are read-only
  *slots[field] = value;
  if (auto stamp = calendar::StampFromFields(f)) SetStamp(d, *stamp);
}

// Characters of the system code page, classified for the date scanner.
enum class CharKind { kDigit, kLetter, kOther };

CharKind Kind(std::string_view character) {
  if (character.size() == 1 && character[0] >= '0' && character[0] <= '9') return CharKind::kDigit;
  return pf::GetCharType(character) & pf::C1_ALPHA ? CharKind::kLetter : CharKind::kOther;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  return !a.empty() && pf::CompareStringW(pf::NORM_IGNORECASE, a, b) == pf::CSTR_EQUAL;
}

std::u16string_view WithoutPeriod(std::u16string_view name) {
  if (!name.empty() && name.back() == u'.') name.remove_suffix(1);
  return name;
}

bool IsDayName(std::u16string_view word) {
  for (uint32_t i = 0; i < 7; ++i) {
    if (SameText(word, pf::GetLocaleInfoW(pf::LOCALE_SDAYNAME1 + i)) ||
        SameText(word, WithoutPeriod(pf::GetLocaleInfoW(pf::LOCALE_SABBREVDAYNAME1 + i))))
      return true;
  }
  return false;
}

// The month (1-12) a word names, or 0.
int MonthNamed(std::u16string_view word) {
  std::u16string names[12], abbreviations[12];
  for (uint32_t i = 0; i < 12; ++i) {
    names[i] = pf::GetLocaleInfoW(pf::LOCALE_SMONTHNAME1 + i);
    abbreviations[i] = pf::GetLocaleInfoW(pf::LOCALE_SABBREVMONTHNAME1 + i);
    if (SameText(word, names[i]) || SameText(word, WithoutPeriod(abbreviations[i])))
      return int(i) + 1;
  }
  // By the first three letters, when they single out one month.
  int found = 0;
  std::u16string_view prefix = word.substr(0, 3);
  for (int i = 0; i < 12; ++i) {
    if (SameText(prefix, std::u16string_view(names[i]).substr(0, 3))) {
      if (found) return 0;
      found = i + 1;
    }
  }
  return found;
}

// The order of month, day and year in the short-date picture, e.g. "Mdy".
std::string FieldOrder() {
  std::string picture = pf::GetLocaleInfo(pf::LOCALE_SSHORTDATE);
  std::string order;
  bool quoted = false;
  for (char c : picture) {
    if (c == '\'')
      quoted = !quoted;
    else if (!quoted && (c == 'M' || c == 'd' || c == 'y') && order.find(c) == std::string::npos)
      order += c;
  }
  return order;
}

// Tokens of a date text; false when a month-name token names no month.
bool Tokenize(std::string_view text, std::vector<calendar::DateToken>& tokens) {
  bool haveName = false;
  size_t i = 0;
  auto charLength = [&](size_t at) {
    return at + 1 < text.size() && pf::IsDBCSLeadByte(uint8_t(text[at])) ? 2 : 1;
  };
  while (i < text.size() && tokens.size() < 3) {
    size_t n = charLength(i);
    CharKind kind = Kind(text.substr(i, n));
    if (kind == CharKind::kDigit) {
      calendar::DateToken token{false, 0, 0};
      for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Past nine digits the number is out of every range anyway.
        if (token.digits < 10) token.value = token.value * 10 + (text[i] - '0');
        ++token.digits;
      }
      tokens.push_back(token);
      continue;
    }
    if (kind == CharKind::kLetter) {
      size_t start = i;
      int letters = 0;
      while (i < text.size()) {
        size_t m = charLength(i);
        if (Kind(text.substr(i, m)) != CharKind::kLetter) break;
        i += m;
        ++letters;
      }
      if (letters < 3 || haveName) continue;
      std::u16string word = pf::MultiByteToWide(pf::CP_ACP, text.substr(start, i - start));
      if (IsDayName(word)) continue;
      int month = MonthNamed(word);
      if (!month) return false;
      tokens.push_back(calendar::DateToken{true, month, 0});
      haveName = true;
      continue;
    }
    i += n;
  }
  return true;
}

}  // namespace

void InitDateClass() {
  if (g_dateClass) return;
  FrameworkClassDef def{};
  def.name = "Date";
  def.superclass = RootClass();
  def.instanceSize = kDateInstanceSize;
  def.properties = kDateProperties;
  g_dateClass = BuildFrameworkClass(def);
}

ClassObject* DateClass() {
  return g_dateClass;
}

TessObject* NewDate(double totalSeconds) {
  TessObject* date = CreateObject(g_dateClass);
  auto stamp = calendar::StampFromSeconds(totalSeconds);
  if (!stamp) {
    // Clamped to the range; NaN is the epoch.
    stamp = totalSeconds > 0 ? calendar::kMaxStamp : totalSeconds < 0 ? 0 : calendar::kEpochStamp;
  }
  SetStamp(Instance(date), *stamp);
  return date;
}

double DateTotalSeconds(TessObject* date) {
  return date ? calendar::SecondsFromStamp(Valid(date)->stamp) : 0.0;
}

std::string DateText(TessObject* date) {
  if (!date) return {};
  DateInstance* d = Valid(date);
  return Text(d, kShortDate) + " " + Text(d, kLongTime);
}

TessObject* ParseDateText(std::string_view text) {
  std::vector<calendar::DateToken> tokens;
  if (!Tokenize(text, tokens) || tokens.size() < 3) return nullptr;
  auto date = calendar::ResolveDate(tokens, FieldOrder());
  if (!date) return nullptr;
  pf::SYSTEMTIME now;
  pf::GetLocalTime(&now);
  now.wYear = uint16_t(date->year);
  now.wMonth = uint16_t(date->month);
  now.wDay = uint16_t(date->day);
  pf::FILETIME stamp;
  if (!pf::SystemTimeToFileTime(&now, &stamp)) return nullptr;
  TessObject* result = CreateObject(g_dateClass);
  SetStamp(Instance(result), int64_t(pf::FileTimeToQuad(stamp)));
  Instance(result)->parsed = 1;
  return result;
}

}  // namespace tess

extern "C" {

int32_t dateFieldGetter(TessObject* date, uint32_t field) {
  return tess::AtEntry([&] { return tess::FieldValue(tess::Checked(date), field); });
}

void dateFieldSetter(TessObject* date, uint32_t field, int32_t value) {
  tess::AtEntry([&] { tess::SetField(tess::Checked(date), field, value); });
}

TessString* dateStringGetter(TessObject* date, uint32_t form) {
  return tess::AtEntry([&] { return tess::MakeString(tess::Text(tess::Checked(date), form)); });
}

double dateTotalSecondsGetter(TessObject* date, uint32_t) {
  return tess::AtEntry(
      [&] { return tess::calendar::SecondsFromStamp(tess::Checked(date)->stamp); });
}

void dateTotalSecondsSetter(TessObject* date, uint32_t, double seconds) {
  tess::AtEntry([&] {
    tess::DateInstance* d = tess::Checked(date);
    if (auto stamp = tess::calendar::StampFromSeconds(seconds)) tess::SetStamp(d, *stamp);
  });
}

int32_t parseDate(TessString* text, TessObject** date) {
  if (!date) return 0;
  TessObject* parsed = tess::ParseDateText(tess::View(text));
  if (!parsed) return 0;
  TessObject* old = *date;
  *date = parsed;
  tess::UnlockObject(old);
  return 1;
}

}  // extern "C"
