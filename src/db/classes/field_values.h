// Column values between their native engine form, their text and the
// language's types: the text of each type, numbers, booleans and Dates.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/object_layout.h"

namespace tess::dbc {

// The text of a native value of `type` (StringValue): dates through the
// system date formatter ("0-00-00" when it refuses), times through the time
// formatter ("00:00:00"), numbers in decimal or with 7 significant digits,
// booleans "true"/"false", text and bytes as they are.
std::string NativeString(int type, std::string_view native);

// Text as the values of a column of `type` read it back.
int32_t IntegerOf(int type, std::string_view native);
double DoubleOf(int type, std::string_view native);
bool BooleanOf(int type, std::string_view native);
// A new Date (count 1) or nil when the value holds none.
TessObject* DateOf(int type, std::string_view native);

// Native values of text (what a setter recorded, read back before the row
// is written): the type a column of `type` would store.
std::string NativeFromText(int type, std::string_view text, int* nativeType);

// A Date as "yyyy-MM-dd HH:mm:ss", or its date or time part for a column of
// type 8 or 9.
std::string DateText(TessObject* date, int columnType);
// A double as text that reads back to the same double.
std::string ExactDoubleText(double value);

}  // namespace tess::dbc
