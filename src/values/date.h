// The Date framework class: a local calendar date and time of day.
#pragma once

#include <string>
#include <string_view>

#include "runtime/object_layout.h"

namespace tess {

void InitDateClass();
ClassObject* DateClass();

// A new Date (count 1) at `totalSeconds` since 1 January 1904, 00:00 local.
TessObject* NewDate(double totalSeconds);
// Seconds since the epoch; a Date not yet valid takes the current time first.
double DateTotalSeconds(TessObject* date);
// The text a Variant holding the date converts to: short date, one space,
// long time.
std::string DateText(TessObject* date);
// A new Date (count 1) from `text` in the locale's field order, or null.
TessObject* ParseDateText(std::string_view text);

}  // namespace tess
