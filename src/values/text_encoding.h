// TextEncoding and TextConverter: encodings named by (base, variant, format)
// as in the Mac OS Text Encoding Converter, carried out through code pages.
//
// Each supported base maps to one code page; conversions go through UTF-16
// with the host's code-page services, except EUC-JP and ISO-2022-JP, which
// have no code page of their own: the pseudo code pages 900000 and 900001
// stand for them and the runtime converts them through Shift-JIS itself.
//
// Converted strings carry their encoding tag: 2 for UTF-8, 3 for UTF-16,
// otherwise the destination's TextEncoding value (base | variant << 16 |
// format << 26, as string constants carry 0x0600 for US-ASCII). Mac Roman
// and Mac Japanese, whose values 0 and 1 would read as "none" and "ASCII",
// are tagged 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/object_layout.h"

namespace tess {

inline constexpr uint32_t kCodePageNone = 0;
inline constexpr uint32_t kCodePageEucJp = 900000;
inline constexpr uint32_t kCodePageIso2022Jp = 900001;

struct TextEncodingObject {
  ObjectHeader header;
  uint32_t base;
  uint32_t variant;
  uint32_t format;
};

struct TextConverterObject {
  ObjectHeader header;
  uint32_t source;       // code page
  uint32_t destination;  // code page
  uint32_t tag;          // encoding tag of converted strings
};

#if defined(__i386__)
static_assert(offsetof(TextEncodingObject, base) == 16);
static_assert(offsetof(TextEncodingObject, variant) == 20);
static_assert(offsetof(TextEncodingObject, format) == 24);
static_assert(offsetof(TextConverterObject, source) == 16);
static_assert(offsetof(TextConverterObject, destination) == 20);
#endif

void InitTextEncodingClasses();
ClassObject* TextEncodingClass();
ClassObject* TextConverterClass();

// The code page of an encoding, or kCodePageNone.
uint32_t CodePageFor(uint32_t base, uint32_t format);
// The tag strings converted into this encoding carry.
uint32_t EncodingTagFor(uint32_t base, uint32_t variant, uint32_t format);

}  // namespace tess
