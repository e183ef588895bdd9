// Code pages: the system code page (single-byte by default, double-byte when
// set so), lead bytes, single-character casing and character types, and
// conversions to and from UTF-16, all backed by ICU's converters and
// character properties.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tess::platform {

inline constexpr uint32_t CP_ACP = 0;
inline constexpr uint32_t CP_UTF8 = 65001;

// The system code page: TESSERA_CODEPAGE from the environment, else 1252.
uint32_t GetACP();
// Replaces the system code page (start-up settings and tests). False, and no
// change, when the host has no converter for `codePage`.
bool SetACP(uint32_t codePage);
bool IsValidCodePage(uint32_t codePage);
// Bytes per character at most (1 for single-byte pages).
int MaxCharSize(uint32_t codePage);

bool IsDBCSLeadByte(uint8_t byte);  // in the system code page
// Whether the system code page writes printable ASCII, tab, CR and LF as
// their own bytes.
bool IsAsciiCompatible();

// Character type bits (the C1 class).
enum : uint16_t {
  C1_UPPER = 0x001,
  C1_LOWER = 0x002,
  C1_DIGIT = 0x004,
  C1_SPACE = 0x008,
  C1_PUNCT = 0x010,
  C1_CNTRL = 0x020,
  C1_BLANK = 0x040,
  C1_XDIGIT = 0x080,
  C1_ALPHA = 0x100,
};
// Type of the character in `bytes` (one character of the system code page).
uint16_t GetCharType(std::string_view character);

// Upper- and lower-casing of whole texts in the system code page, character
// by character; a character whose cased form does not fit in the same number
// of bytes stays as it is.
void CharUpperBuff(char* text, size_t length);
void CharLowerBuff(char* text, size_t length);

// Conversions; invalid input becomes the code page's substitute. The result
// is empty when the code page has no converter.
std::u16string MultiByteToWide(uint32_t codePage, std::string_view text);
std::string WideToMultiByte(uint32_t codePage, std::u16string_view text);
// WideToMultiByte(to, MultiByteToWide(from, text)), pivoting through UTF-16
// a piece at a time instead of holding the whole UTF-16 text.
std::string ConvertMultiByte(uint32_t from, uint32_t to, std::string_view text);

}  // namespace tess::platform
