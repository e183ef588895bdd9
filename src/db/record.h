// Rows as stored in entries, values in their native form, and keys.
//
// Row body: field count n (u16) | null bitmap, ceil(n/8) bytes, bit i of
// byte i/8 (least significant first) set for a null field | value area: one
// fixed slot per field in column order | heap. Slot sizes by type: smallint
// 2, integer 4, float 4, double 8, date 6 and time 6 (three u16), boolean 1,
// large values 4 (the "sys$blob" record identifier), text 4 (u16 offset of
// the bytes from the start of the value area, u16 length). A row with fewer
// fields than its table has columns (written before a column was added)
// reads the missing fields as null.
//
// Native values (what cursors deliver) follow the in-memory layouts of
// compiled code: smallint, integer, float and double little-endian; date and
// time three big-endian u16; boolean one byte; text and large values their
// bytes.
//
// Keys are memcmp-comparable byte strings. A primary key concatenates, per
// key column in key order, 0x00 for null or 0x01 and the column's key form:
// integers big-endian with the sign bit flipped, floating values as their
// IEEE bits made order-preserving, date and time fields as biased u16, text
// mapped through the collation weights with 0x00 written 0x00 0xFF and ended
// by 0x00 0x00. Rows of a table without a primary key, and "sys$blob"
// entries, are keyed by their record identifier (u32), i.e. insertion order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/errors.h"
#include "db/format.h"

namespace tess::db {

struct Column {
  std::string name;
  uint8_t type = kText;
  uint16_t length = 0;
  bool not_null = false;
};

size_t SlotSize(uint8_t type);

// A field of a stored row: its type and stored (big-endian) bytes.
struct FieldView {
  uint8_t type = kNull;  // kNull for a null or missing field
  const uint8_t* data = nullptr;
  size_t size = 0;
  std::string_view bytes() const { return {reinterpret_cast<const char*>(data), size}; }
};

// Parses a row body against its columns; every field is bounds-checked.
class RowView {
 public:
  bool Parse(std::string_view body, const std::vector<uint8_t>& types);
  FieldView Field(size_t index) const;

 private:
  const uint8_t* values_ = nullptr;
  size_t values_size_ = 0;
  const uint8_t* bitmap_ = nullptr;
  size_t count_ = 0;
  const std::vector<uint8_t>* types_ = nullptr;
  std::vector<uint32_t> offsets_;
};

// A value in stored form for encoding: nullopt is null. Text and large-value
// slots take their bytes / 4-byte reference here.
using StoredValue = std::optional<std::string>;
// False when the row would not fit an entry's 16-bit offsets.
bool EncodeRow(const std::vector<uint8_t>& types, const std::vector<StoredValue>& values,
               std::string* body);

// Value text to stored form by column type. False with `error` for the date
// and time format errors; large values are not handled here.
bool ConvertText(uint8_t type, std::string_view text, std::string* stored,
                 const ErrorText** error = nullptr);

// Conversions used by the dialect and WHERE evaluation.
int32_t DecimalValue(std::string_view text);
double NumericValue(std::string_view text);
bool ParseDate(std::string_view text, int16_t out[3]);
bool ParseTime(std::string_view text, int16_t out[3]);

// Stored field bytes to native bytes (not for large values).
std::string NativeFromStored(uint8_t type, std::string_view stored);
// Native value to its text form (cursor string value).
std::string NativeText(uint8_t type, std::string_view native);
// Native numbers as doubles; false for other types.
bool NativeNumber(uint8_t type, std::string_view native, double* out);
// Stored number fields as doubles / integers.
double StoredNumber(uint8_t type, const uint8_t* p);

// Key forms.
void AppendTextKey(std::string_view text, std::string* key);
void AppendStoredKey(const FieldView& field, std::string* key);
void AppendU32Key(uint32_t value, std::string* key);

}  // namespace tess::db
