// The user's locale: string collation and number separators, backed by ICU.
// The default locale comes from the environment (LC_ALL, LC_MESSAGES, LANG);
// one that names only C or POSIX means kPlainEnvironmentLocale. Tests pin one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tess::platform {

// Comparison flags and results, as the classic comparison reports them.
inline constexpr uint32_t NORM_IGNORECASE = 0x1;
inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;

// Compares two UTF-16 texts in the user's locale; 0 when the host cannot.
int CompareStringW(uint32_t flags, std::u16string_view a, std::u16string_view b);

// The same for two texts in the system code page.
int CompareStringA(uint32_t flags, std::string_view a, std::string_view b);

// The user's locale when the environment names none but C or POSIX: the
// platform's own default user locale.
inline constexpr const char* kPlainEnvironmentLocale = "en_US";

// Replaces the user's locale (an ICU locale id such as "en_US" or "de_DE").
// An empty id goes back to the locale of the environment.
void SetUserLocale(const std::string& locale);
std::string GetUserLocale();

// The locale's decimal and thousands separators, as text in the system code page.
std::string DecimalSeparator();
std::string ThousandsSeparator();

}  // namespace tess::platform
