// ICU's collation and formatting library (internal to kernel/): collators
// for locale comparison, the number format's separators, the date format's
// patterns and names. It is loaded by the first of them asked for, not at
// start; without it each takes its own fallback (no comparison, "." and
// ",", the default pictures). The rest of ICU (conversion, character
// properties, locale names) is used at start and stays linked.
#pragma once

#include <unicode/ucol.h>
#include <unicode/udat.h>
#include <unicode/unum.h>
#include <unicode/uvernum.h>

#include "platform/kernel/library.h"

namespace tess::platform {

#define ICU_I18N_ROUTINES(R) \
  R(ucol_open)               \
  R(ucol_close)              \
  R(ucol_setStrength)        \
  R(ucol_strcoll)            \
  R(ucol_strcollUTF8)        \
  R(unum_open)               \
  R(unum_getSymbol)          \
  R(unum_close)              \
  R(udat_open)               \
  R(udat_close)              \
  R(udat_toPattern)          \
  R(udat_getSymbols)
struct IcuI18n {
  static constexpr const char* kLibrary = "libicui18n.so." U_ICU_VERSION_SHORT;
  TESS_HOST_ROUTINES(ICU_I18N_ROUTINES)
};

}  // namespace tess::platform
