#include "platform/kernel/locale.h"

#include <unicode/uloc.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "platform/kernel/codepage.h"
#include "platform/kernel/icu_i18n.h"

namespace tess::platform {

namespace {

// Only a collator made has one to close it: the library is loaded then.
struct CollatorDeleter {
  void operator()(UCollator* c) const { HostRoutines<IcuI18n>()->ucol_close(c); }
};

std::mutex g_lock;
std::string g_locale;  // empty: the user's locale from the environment

// The locale the environment names. An environment that names only C or
// POSIX (a container, a service) gets ICU's POSIX locale, whose collation
// orders by code point and never ignores case; the platform's own default
// user locale stands in for it, so comparisons keep the language's rules.
const std::string& EnvironmentLocale() {
  static const std::string locale = [] {
    const char* id = uloc_getDefault();
    char variant[32] = {};
    UErrorCode error = U_ZERO_ERROR;
    uloc_getVariant(id, variant, sizeof variant, &error);
    char language[16] = {};
    uloc_getLanguage(id, language, sizeof language, &error);
    bool posix = U_FAILURE(error) || language[0] == 0 || std::strcmp(variant, "POSIX") == 0 ||
                 std::strcmp(language, "c") == 0 || std::strcmp(language, "posix") == 0;
    return posix ? std::string(kPlainEnvironmentLocale) : std::string(id);
  }();
  return locale;
}

const char* CurrentLocale() {
  return g_locale.empty() ? EnvironmentLocale().c_str() : g_locale.c_str();
}
// One collator per strength; ICU collators may not be shared while in use.
std::unique_ptr<UCollator, CollatorDeleter> g_collators[2];

UCollator* Collator(bool ignoreCase) {
  auto& slot = g_collators[ignoreCase ? 1 : 0];
  if (!slot) {
    const IcuI18n* icu = HostRoutines<IcuI18n>();
    if (!icu) return nullptr;
    UErrorCode error = U_ZERO_ERROR;
    UCollator* c = icu->ucol_open(CurrentLocale(), &error);
    if (U_FAILURE(error)) return nullptr;
    // Ignoring case keeps accents significant, as the classic comparison does.
    icu->ucol_setStrength(c, ignoreCase ? UCOL_SECONDARY : UCOL_TERTIARY);
    slot.reset(c);
  }
  return slot.get();
}

std::string Symbol(UNumberFormatSymbol symbol) {
  const IcuI18n* icu = HostRoutines<IcuI18n>();
  if (!icu) return symbol == UNUM_DECIMAL_SEPARATOR_SYMBOL ? "." : ",";
  UErrorCode error = U_ZERO_ERROR;
  UNumberFormat* format =
      icu->unum_open(UNUM_DECIMAL, nullptr, 0, CurrentLocale(), nullptr, &error);
  if (U_FAILURE(error)) return symbol == UNUM_DECIMAL_SEPARATOR_SYMBOL ? "." : ",";
  UChar text[8];
  int32_t n = icu->unum_getSymbol(format, symbol, text, 8, &error);
  icu->unum_close(format);
  if (U_FAILURE(error)) return symbol == UNUM_DECIMAL_SEPARATOR_SYMBOL ? "." : ",";
  return WideToMultiByte(CP_ACP, std::u16string_view(reinterpret_cast<char16_t*>(text), size_t(n)));
}

// Formatting asks for the separators on every call, and opening a formatter
// costs far more than the formatting: the answers are kept until the locale
// or the code page they were converted to changes.
struct Separators {
  bool valid = false;
  uint32_t codePage = 0;
  std::string decimal;
  std::string thousands;
};
Separators g_separators;

const Separators& CurrentSeparators() {
  uint32_t codePage = GetACP();
  if (!g_separators.valid || g_separators.codePage != codePage) {
    g_separators.decimal = Symbol(UNUM_DECIMAL_SEPARATOR_SYMBOL);
    g_separators.thousands = Symbol(UNUM_GROUPING_SEPARATOR_SYMBOL);
    g_separators.codePage = codePage;
    g_separators.valid = true;
  }
  return g_separators;
}

int Result(UCollationResult result) {
  switch (result) {
    case UCOL_LESS:
      return CSTR_LESS_THAN;
    case UCOL_GREATER:
      return CSTR_GREATER_THAN;
    default:
      return CSTR_EQUAL;
  }
}

// Printable ASCII, tab, CR and LF.
bool IsPlainAscii(std::string_view text) {
  for (char c : text) {
    if ((c < 0x20 || c > 0x7E) && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return true;
}

}  // namespace

int CompareStringW(uint32_t flags, std::u16string_view a, std::u16string_view b) {
  std::lock_guard<std::mutex> guard(g_lock);
  UCollator* c = Collator(flags & NORM_IGNORECASE);
  if (!c) return 0;
  return Result(HostRoutines<IcuI18n>()->ucol_strcoll(
      c, reinterpret_cast<const UChar*>(a.data()), int32_t(a.size()),
      reinterpret_cast<const UChar*>(b.data()), int32_t(b.size())));
}

// Plain ASCII text is the same characters in UTF-8, so the collator reads it
// as it stands; anything else is converted first.
int CompareStringA(uint32_t flags, std::string_view a, std::string_view b) {
  if (IsAsciiCompatible() && IsPlainAscii(a) && IsPlainAscii(b)) {
    std::lock_guard<std::mutex> guard(g_lock);
    UCollator* c = Collator(flags & NORM_IGNORECASE);
    if (!c) return 0;
    UErrorCode error = U_ZERO_ERROR;
    UCollationResult result = HostRoutines<IcuI18n>()->ucol_strcollUTF8(
        c, a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), &error);
    return U_FAILURE(error) ? 0 : Result(result);
  }
  return CompareStringW(flags, MultiByteToWide(CP_ACP, a), MultiByteToWide(CP_ACP, b));
}

void SetUserLocale(const std::string& locale) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_locale = locale;
  g_separators.valid = false;
  g_collators[0].reset();
  g_collators[1].reset();
}

std::string GetUserLocale() {
  std::lock_guard<std::mutex> guard(g_lock);
  return CurrentLocale();
}

std::string DecimalSeparator() {
  std::lock_guard<std::mutex> guard(g_lock);
  return CurrentSeparators().decimal;
}
std::string ThousandsSeparator() {
  std::lock_guard<std::mutex> guard(g_lock);
  return CurrentSeparators().thousands;
}

}  // namespace tess::platform
