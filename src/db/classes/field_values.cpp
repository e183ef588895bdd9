#include "db/classes/field_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "db/format.h"
#include "db/record.h"
#include "platform/kernel/date_format.h"
#include "platform/kernel/time.h"
#include "values/calendar.h"
#include "values/date.h"

namespace tess::dbc {

namespace {

namespace pf = platform;

// The date and time fields of a native date, time or timestamp.
bool Fields(int type, std::string_view native, int f[6]) {
  size_t count = type == db::kTimestamp ? 6 : 3;
  if (native.size() < 2 * count) return false;
  auto* p = reinterpret_cast<const uint8_t*>(native.data());
  for (int i = 0; i < 6; ++i) f[i] = 0;
  int at = type == db::kTime ? 3 : 0;
  for (size_t i = 0; i < count; ++i) f[at + int(i)] = int16_t(be16(p + 2 * i));
  return true;
}

pf::SYSTEMTIME SystemTime(const int f[6]) {
  pf::SYSTEMTIME t{};
  pf::GetLocalTime(&t);  // fields the column lacks are those of now
  t.wYear = uint16_t(f[0]);
  t.wMonth = uint16_t(f[1]);
  t.wDay = uint16_t(f[2]);
  t.wHour = uint16_t(f[3]);
  t.wMinute = uint16_t(f[4]);
  t.wSecond = uint16_t(f[5]);
  return t;
}

std::string DatePart(const int f[6]) {
  std::string out;
  if (f[0] < 0 || f[1] < 0 || f[2] < 0 ||
      !pf::GetDateFormat(0, SystemTime(f), "yyyy-MM-dd", &out)) {
    return "0-00-00";
  }
  return out;
}

std::string TimePart(const int f[6]) {
  std::string out;
  if (f[3] < 0 || f[4] < 0 || f[5] < 0 ||
      !pf::GetTimeFormat(0, SystemTime(f), "HH':'mm':'ss", &out)) {
    return "00:00:00";
  }
  return out;
}

bool IsTrueText(std::string_view text) {
  return text.size() == 4 && (text[0] | 0x20) == 't' && (text[1] | 0x20) == 'r' &&
         (text[2] | 0x20) == 'u' && (text[3] | 0x20) == 'e';
}

}  // namespace

std::string NativeString(int type, std::string_view native) {
  int f[6];
  switch (type) {
    case db::kDate:
      return Fields(type, native, f) ? DatePart(f) : "0-00-00";
    case db::kTime:
      return Fields(type, native, f) ? TimePart(f) : "00:00:00";
    case db::kTimestamp:
      if (!Fields(type, native, f)) return "0-00-00 00:00:00";
      return DatePart(f) + " " + TimePart(f);
    default:
      return db::NativeText(uint8_t(type), native);
  }
}

int32_t IntegerOf(int type, std::string_view native) {
  double d = 0;
  if (db::NativeNumber(uint8_t(type), native, &d)) {
    if (std::isnan(d)) return 0;
    return d >= 2147483647.0 ? INT32_MAX : d <= -2147483648.0 ? INT32_MIN : int32_t(d);
  }
  if (type == db::kBoolean) return !native.empty() && native[0] ? 1 : 0;
  if (type == db::kNull) return 0;
  return db::DecimalValue(NativeString(type, native));
}

double DoubleOf(int type, std::string_view native) {
  double d = 0;
  if (db::NativeNumber(uint8_t(type), native, &d)) return d;
  if (type == db::kBoolean) return !native.empty() && native[0] ? 1 : 0;
  if (type == db::kNull) return 0;
  return db::NumericValue(NativeString(type, native));
}

bool BooleanOf(int type, std::string_view native) {
  double d = 0;
  if (type == db::kBoolean) return !native.empty() && native[0];
  if (db::NativeNumber(uint8_t(type), native, &d)) return d != 0;
  if (type == db::kNull) return false;
  return IsTrueText(native) || db::NumericValue(native) != 0;
}

TessObject* DateOf(int type, std::string_view native) {
  int f[6] = {1904, 1, 1, 0, 0, 0};
  if (type == db::kDate || type == db::kTime || type == db::kTimestamp) {
    if (!Fields(type, native, f)) return nullptr;
    if (type == db::kTime) f[0] = 1904, f[1] = 1, f[2] = 1;
  } else if (type == db::kNull) {
    return nullptr;
  } else {
    // Text: "yyyy-MM-dd", "HH:mm:ss" or both.
    std::string text = NativeString(type, native);
    int16_t d[3], t[3] = {0, 0, 0};
    size_t space = text.find(' ');
    if (db::ParseDate(text, d)) {
      if (space != std::string::npos && !db::ParseTime(text.substr(space + 1), t)) return nullptr;
    } else if (db::ParseTime(text, t)) {
      d[0] = 1904, d[1] = 1, d[2] = 1;
    } else {
      return nullptr;
    }
    f[0] = d[0], f[1] = d[1], f[2] = d[2], f[3] = t[0], f[4] = t[1], f[5] = t[2];
  }
  calendar::Fields fields{f[0], f[1], f[2], f[3], f[4], f[5], 0, 0};
  std::optional<int64_t> stamp = calendar::StampFromFields(fields);
  if (!stamp) return nullptr;
  return NewDate(double(*stamp - calendar::kEpochStamp) / double(calendar::kTicksPerSecond));
}

std::string NativeFromText(int type, std::string_view text, int* nativeType) {
  switch (type) {
    case db::kSmallInt:
    case db::kInteger:
    case db::kFloat:
    case db::kDouble:
    case db::kDate:
    case db::kTime:
    case db::kBoolean: {
      std::string stored;
      *nativeType = db::kText;  // a text the column's type refuses stays text
      if (!db::ConvertText(uint8_t(type), text, &stored)) return std::string(text);
      *nativeType = type;
      return db::NativeFromStored(uint8_t(type), stored);
    }
    default:
      *nativeType = type == db::kNull ? db::kText : type;
      return std::string(text);
  }
}

std::string DateText(TessObject* date, int columnType) {
  double seconds = DateTotalSeconds(date);
  auto stamp =
      int64_t(std::llround(seconds * double(calendar::kTicksPerSecond))) + calendar::kEpochStamp;
  if (stamp < 0) stamp = 0;
  if (stamp > calendar::kMaxStamp) stamp = calendar::kMaxStamp;
  calendar::Fields f = calendar::FieldsFromStamp(stamp);
  char buf[64];
  if (columnType == db::kDate) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", int(f.year), int(f.month), int(f.day));
  } else if (columnType == db::kTime) {
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(f.hour), int(f.minute), int(f.second));
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", int(f.year), int(f.month),
                  int(f.day), int(f.hour), int(f.minute), int(f.second));
  }
  return buf;
}

std::string ExactDoubleText(double value) {
  // The shortest text from_chars, which the engine reads numbers with,
  // turns back into the same double.
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

}  // namespace tess::dbc
