// File times are UTC stamps; Dates and the virtual volume hold local time.
// These convert between the two with the host zone's rules at that moment.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/kernel/time.h"

namespace tess::files {

// The local calendar stamp of a UTC file time.
std::optional<int64_t> LocalStamp(const platform::FILETIME& utc);
// The UTC file time of a local calendar stamp; false before 1601.
bool FileTimeFromLocalStamp(int64_t local, platform::FILETIME* utc);

// Local time as a Date's TotalSeconds (seconds since 1 January 1904), and
// back; nullopt / false outside the calendar's range.
std::optional<double> LocalSeconds(const platform::FILETIME& utc);
bool FileTimeFromLocalSeconds(double seconds, platform::FILETIME* utc);
double LocalSecondsNow();

}  // namespace tess::files
