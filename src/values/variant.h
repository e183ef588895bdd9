// The Variant framework class: one value of any basic type with its type code.
// Dictionaries hash and compare their keys through VariantHash/VariantEqual.
#pragma once

#include <cstdint>

#include "runtime/object_layout.h"

namespace tess {

// Type codes, as VarType reports them.
enum class VariantType : int32_t {
  kNilReference = 0,
  kNil = 1,
  kInteger = 2,
  kDouble = 5,
  kDate = 7,
  kString = 8,
  kObject = 9,
  kBoolean = 11,
  kColor = 16,
};

// Instance layout after the object header: the type code and three value
// words; a double fills the first two, unused words are zero.
struct VariantFields {
  int32_t type;
  uint32_t words[3];
};
inline constexpr uint32_t kVariantFieldsOffset = 16;

void InitVariantClass();
ClassObject* VariantClass();

inline VariantFields* VariantData(TessObject* variant) {
  return reinterpret_cast<VariantFields*>(reinterpret_cast<uint8_t*>(variant) +
                                          kVariantFieldsOffset);
}

int32_t VarType(TessObject* variant);
bool IsNumeric(TessObject* variant);
bool IsNull(TessObject* variant);

// Hashing and equality never raise; they run inside dictionary operations.
uint32_t HashVariant(TessObject* variant);
bool EqualVariants(TessObject* a, TessObject* b);

}  // namespace tess
