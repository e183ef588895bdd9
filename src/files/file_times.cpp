#include "files/file_times.h"

#include "values/calendar.h"

namespace tess::files {

namespace pf = platform;

std::optional<int64_t> LocalStamp(const pf::FILETIME& utcStamp) {
  pf::SYSTEMTIME utc, local;
  if (!pf::FileTimeToSystemTime(&utcStamp, &utc) ||
      !pf::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return std::nullopt;
  }
  return calendar::StampFromFields(calendar::Fields{local.wYear, local.wMonth, local.wDay,
                                                    local.wHour, local.wMinute, local.wSecond,
                                                    local.wMilliseconds, 0});
}

// The local stamp less the zone's offset at that moment, found by converting
// a guess twice (the offset may differ on either side of a change of
// daylight saving time).
bool FileTimeFromLocalStamp(int64_t local, pf::FILETIME* out) {
  int64_t guess = local;
  for (int i = 0; i < 2; ++i) {
    pf::FILETIME at = pf::QuadToFileTime(uint64_t(guess));
    int64_t seen = LocalStamp(at).value_or(guess);
    guess += local - seen;
  }
  if (guess < 0) return false;
  *out = pf::QuadToFileTime(uint64_t(guess));
  return true;
}

std::optional<double> LocalSeconds(const pf::FILETIME& utc) {
  std::optional<int64_t> local = LocalStamp(utc);
  if (!local) return std::nullopt;
  return calendar::SecondsFromStamp(*local);
}

bool FileTimeFromLocalSeconds(double seconds, pf::FILETIME* utc) {
  std::optional<int64_t> local = calendar::StampFromSeconds(seconds);
  return local && FileTimeFromLocalStamp(*local, utc);
}

double LocalSecondsNow() {
  pf::FILETIME now;
  pf::GetSystemTimeAsFileTime(&now);
  return LocalSeconds(now).value_or(0);
}

}  // namespace tess::files
