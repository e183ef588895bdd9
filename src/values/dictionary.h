// Dictionary: a hash map from Variant keys to Variant values, kept both in
// hash chains and in a dense array so entries can be read by position.
// Collection: the older ordered list of values with optional text keys.
#pragma once

#include <cstdint>

#include "runtime/object_layout.h"

namespace tess {

struct DictionaryEntry {
  TessObject* key;    // owned
  TessObject* value;  // owned
  uint32_t hash;
  int32_t position;  // in the dense array
  DictionaryEntry* next;
};

// Instance layout after the object header.
struct DictionaryFields {
  uint8_t fixedBins;  // BinCount was set: no automatic growth
  int32_t growthStep;
  DictionaryEntry** entries;
  int32_t count;
  int32_t capacity;
  int32_t binCount;
  DictionaryEntry** bins;
  uint8_t busy;
};
inline constexpr uint32_t kDictionaryFieldsOffset = 16;

inline constexpr int32_t kInitialBinCount = 61;

void InitDictionaryClass();
void InitCollectionClass();
ClassObject* DictionaryClass();
ClassObject* CollectionClass();

inline DictionaryFields* DictionaryData(TessObject* dictionary) {
  return reinterpret_cast<DictionaryFields*>(reinterpret_cast<uint8_t*>(dictionary) +
                                             kDictionaryFieldsOffset);
}

}  // namespace tess
