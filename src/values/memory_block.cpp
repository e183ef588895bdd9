// MemoryBlock: the class, its records and the entry points behind its
// members. Multi-byte values are moved in memory order when the block's
// LittleEndian matches the machine and byte-reversed otherwise, floating
// point included. Entry points raise NilObjectException for a nil block.
#include "values/memory_block.h"

#include <algorithm>
#include <cstring>

#include "runtime/alerts.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/assertions.h"
#include "values/class_members.h"

namespace tess {
namespace {

constexpr uint32_t kLittleEndianOffset = offsetof(MemoryBlockObject, littleEndian);

ClassObject* g_memoryBlock = nullptr;
bool g_machineLittleEndian = true;

// Stores 0x12345678 and looks at the first byte; a machine that is neither
// order cannot run this runtime's byte-order rule.
void ProbeByteOrder() {
  volatile uint32_t probe = 0x12345678;
  uint8_t first;
  std::memcpy(&first, const_cast<uint32_t*>(&probe), 1);
  if (first == 0x78) {
    g_machineLittleEndian = true;
  } else if (first == 0x12) {
    g_machineLittleEndian = false;
  } else {
    InternalAssertion(kFailedCheck, kSourceMemoryBlock, __LINE__);
  }
}

MemoryBlockObject* Checked(TessObject* block) {
  if (!block) Raise(RuntimeError::kNilObject);
  return AsMemoryBlock(block);
}

// The `width` bytes at `offset`. A block with a recorded size refuses any
// range that is not wholly inside it; 64-bit sums keep offsets near the
// integer limits from wrapping into range.
uint8_t* At(MemoryBlockObject* b, int32_t offset, int64_t width) {
  if (b->size != 0 && (offset < 0 || int64_t(offset) + width > int64_t(b->size))) {
    Raise(RuntimeError::kOutOfBounds);
  }
  if (!b->data) Raise(RuntimeError::kNilObject);
  return b->data + std::ptrdiff_t(offset);
}

bool Swapped(const MemoryBlockObject* b) {
  return (b->littleEndian != 0) != g_machineLittleEndian;
}

template <typename T>
T Load(TessObject* block, int32_t offset) {
  MemoryBlockObject* b = Checked(block);
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, At(b, offset, sizeof(T)), sizeof(T));
  if (Swapped(b)) std::reverse(bytes, bytes + sizeof(T));
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

template <typename T>
void Store(TessObject* block, int32_t offset, T value) {
  MemoryBlockObject* b = Checked(block);
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof value);
  if (Swapped(b)) std::reverse(bytes, bytes + sizeof(T));
  std::memcpy(At(b, offset, sizeof(T)), bytes, sizeof(T));
}

// An unsigned value of `width` bytes in the block's byte order.
uint32_t LoadUnsigned(MemoryBlockObject* b, int32_t offset, int width) {
  const uint8_t* p = At(b, offset, width);
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) {
    int k = b->littleEndian ? width - 1 - i : i;
    value = (value << 8) | p[k];
  }
  return value;
}

void StoreUnsigned(MemoryBlockObject* b, int32_t offset, int width, uint32_t value) {
  uint8_t* p = At(b, offset, width);
  for (int i = 0; i < width; ++i) {
    int k = b->littleEndian ? i : width - 1 - i;
    p[k] = uint8_t(value >> (8 * i));
  }
}

// Colors: 32 bits hold 0x00RRGGBB as a 4-byte integer, 24 bits its low three
// bytes, 16 bits five bits per component (0RRRRRGGGGGBBBBB) as a 2-byte
// integer, all in the block's byte order. So a little-endian block holds
// the B, G, R order of device-independent bitmaps.
int BytesForBits(int32_t bits) {
  if (bits != 16 && bits != 24 && bits != 32) Raise(RuntimeError::kOutOfBounds);
  return bits / 8;
}

uint32_t Expand5(uint32_t c) {
  return (c << 3) | (c >> 2);
}

void Destruct(TessObject* object, ClassObject*) {
  MemoryBlockObject* b = AsMemoryBlock(object);
  if (b->owned) HeapFree(b->data, size_t(b->size));
  b->data = nullptr;
  b->owned = 0;
}

const ParameterRecord kOffset[] = {{"offset", &kIntegerType, {}}};
const ParameterRecord kOffsetBits[] = {{"offset", &kIntegerType, {}}, {"bits", &kIntegerType, {}}};
const ParameterRecord kOffsetLength[] = {{"offset", &kIntegerType, {}},
                                         {"length", &kIntegerType, {}}};

const TypeDescriptor kMemoryBlockType{0, "MemoryBlock", {}};

const PropertyRecord kProperties[] = {
    {0, "LittleEndian", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, kLittleEndianOffset},
    {0, "Size", &kIntegerType, (void*)&memoryBlockGetSize, (void*)&memoryBlockSetSize, 0},
};

// Each member with an offset is assignable: reading calls the first entry,
// assignment the second.
const MethodRecord kMethods[] = {
    Method("Byte", &kIntegerType, kOffset, 1, (void*)&memoryGetByte, (void*)&memorySetByte),
    Method("BooleanValue", &kBooleanType, kOffset, 1, (void*)&memoryGetBoolean,
           (void*)&memorySetBoolean),
    Method("Short", &kIntegerType, kOffset, 1, (void*)&memoryGetShort, (void*)&memorySetShort),
    Method("UShort", &kIntegerType, kOffset, 1, (void*)&memoryGetUShort, (void*)&memorySetShort),
    Method("Long", &kIntegerType, kOffset, 1, (void*)&memoryGetLong, (void*)&memorySetLong),
    Method("SingleValue", &kDoubleType, kOffset, 1, (void*)&memoryGetSingle,
           (void*)&memorySetSingle),
    Method("DoubleValue", &kDoubleType, kOffset, 1, (void*)&memoryGetDouble,
           (void*)&memorySetDouble),
    Method("Ptr", &kMemoryBlockType, kOffset, 1, (void*)&memoryGetPtr, (void*)&memorySetPtr),
    Method("ColorValue", &kColorType, kOffsetBits, 2, (void*)&memoryGetColor,
           (void*)&memorySetColor),
    Method("PString", &kStringType, kOffset, 1, (void*)&memoryGetPString, (void*)&memorySetPString),
    Method("CString", &kStringType, kOffset, 1, (void*)&memoryGetCString, (void*)&memorySetCString),
    Method("StringValue", &kStringType, kOffsetLength, 2, (void*)&memoryGetString,
           (void*)&memorySetString),
};

}  // namespace

void InitMemoryBlockClass() {
  if (g_memoryBlock) return;
  ProbeByteOrder();
  FrameworkClassDef def{};
  def.name = "MemoryBlock";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(MemoryBlockObject));
  def.destruct = Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_memoryBlock = BuildFrameworkClass(def);
}

ClassObject* MemoryBlockClass() {
  return g_memoryBlock;
}

bool MachineIsLittleEndian() {
  return g_machineLittleEndian;
}

TessObject* NewMemoryBlock(int32_t size) {
  if (size < 1) return nullptr;
  auto* bytes = static_cast<uint8_t*>(HeapTryAllocate(size_t(size)));
  if (!bytes) return nullptr;
  TessObject* object = CreateObject(g_memoryBlock);
  MemoryBlockObject* b = AsMemoryBlock(object);
  b->size = size;
  b->data = bytes;
  b->owned = 1;
  b->littleEndian = g_machineLittleEndian;
  return object;
}

TessObject* WrapMemory(void* pointer) {
  TessObject* object = CreateObject(g_memoryBlock);
  MemoryBlockObject* b = AsMemoryBlock(object);
  b->data = static_cast<uint8_t*>(pointer);
  b->littleEndian = g_machineLittleEndian;
  return object;
}

}  // namespace tess

using tess::AtEntry;
using tess::Checked;
using tess::Load;
using tess::MemoryBlockObject;
using tess::Raise;
using tess::RuntimeError;
using tess::Store;

extern "C" {

TessObject* newMemoryBlock(int32_t size) {
  return tess::NewMemoryBlock(size);
}

TessObject* PtrToMemoryBlock(void* pointer) {
  return tess::WrapMemory(pointer);
}

void* memoryBlockGetPtr(TessObject* block) {
  return AtEntry([&] { return static_cast<void*>(Checked(block)->data); });
}

int32_t memoryBlockGetSize(TessObject* block, uint32_t) {
  return AtEntry([&] { return Checked(block)->size; });
}

void memoryBlockSetSize(TessObject* block, uint32_t, int32_t size) {
  AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    if (size == b->size) return;
    if (size < 1) Raise(RuntimeError::kOutOfBounds);
    auto* bytes = static_cast<uint8_t*>(tess::HeapTryAllocate(size_t(size)));
    if (!bytes) Raise(RuntimeError::kOutOfMemory);
    if (b->data) std::memcpy(bytes, b->data, size_t(std::min(b->size, size)));
    if (b->owned) tess::HeapFree(b->data, size_t(b->size));
    b->data = bytes;
    b->owned = 1;
    b->size = size;
  });
}

int32_t memoryGetByte(TessObject* block, int32_t offset) {
  return AtEntry([&] { return int32_t(Load<uint8_t>(block, offset)); });
}
void memorySetByte(TessObject* block, int32_t offset, int32_t value) {
  AtEntry([&] { Store<uint8_t>(block, offset, uint8_t(value)); });
}

int32_t memoryGetBoolean(TessObject* block, int32_t offset) {
  return AtEntry([&] { return Load<uint8_t>(block, offset) ? 1 : 0; });
}
void memorySetBoolean(TessObject* block, int32_t offset, int32_t value) {
  AtEntry([&] { Store<uint8_t>(block, offset, (value & 0xFF) ? 1 : 0); });
}

int32_t memoryGetShort(TessObject* block, int32_t offset) {
  return AtEntry([&] { return int32_t(Load<int16_t>(block, offset)); });
}
int32_t memoryGetUShort(TessObject* block, int32_t offset) {
  return AtEntry([&] { return int32_t(Load<uint16_t>(block, offset)); });
}
void memorySetShort(TessObject* block, int32_t offset, int32_t value) {
  AtEntry([&] { Store<uint16_t>(block, offset, uint16_t(value)); });
}

int32_t memoryGetLong(TessObject* block, int32_t offset) {
  return AtEntry([&] { return Load<int32_t>(block, offset); });
}
void memorySetLong(TessObject* block, int32_t offset, int32_t value) {
  AtEntry([&] { Store<int32_t>(block, offset, value); });
}

double memoryGetSingle(TessObject* block, int32_t offset) {
  return AtEntry([&] { return double(Load<float>(block, offset)); });
}
void memorySetSingle(TessObject* block, int32_t offset, double value) {
  AtEntry([&] { Store<float>(block, offset, float(value)); });
}

double memoryGetDouble(TessObject* block, int32_t offset) {
  return AtEntry([&] { return Load<double>(block, offset); });
}
void memorySetDouble(TessObject* block, int32_t offset, double value) {
  AtEntry([&] { Store<double>(block, offset, value); });
}

TessObject* memoryGetPtr(TessObject* block, int32_t offset) {
  return AtEntry([&] {
    uint32_t address = Load<uint32_t>(block, offset);
    return tess::WrapMemory(reinterpret_cast<void*>(uintptr_t(address)));
  });
}
void memorySetPtr(TessObject* block, int32_t offset, TessObject* value) {
  AtEntry([&] {
    uint32_t address = 0;
    if (value) {
      if (!tess::IsA(value, tess::MemoryBlockClass())) Raise(RuntimeError::kIllegalCast);
      address = uint32_t(reinterpret_cast<uintptr_t>(tess::AsMemoryBlock(value)->data));
    }
    Store<uint32_t>(block, offset, address);
  });
}

int32_t memoryGetColor(TessObject* block, int32_t offset, int32_t bits) {
  return AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    int width = tess::BytesForBits(bits);
    uint32_t v = tess::LoadUnsigned(b, offset, width);
    if (width == 2) {
      v = (tess::Expand5((v >> 10) & 31) << 16) | (tess::Expand5((v >> 5) & 31) << 8) |
          tess::Expand5(v & 31);
    }
    return int32_t(v & 0xFFFFFF);
  });
}
void memorySetColor(TessObject* block, int32_t offset, int32_t bits, int32_t color) {
  AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    int width = tess::BytesForBits(bits);
    uint32_t c = uint32_t(color) & 0xFFFFFF;
    if (width == 2) c = ((c >> 19) << 10) | (((c >> 11) & 31) << 5) | ((c >> 3) & 31);
    tess::StoreUnsigned(b, offset, width, c);
  });
}

TessString* memoryGetPString(TessObject* block, int32_t offset) {
  return AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    int32_t n = *tess::At(b, offset, 1);
    const uint8_t* p = tess::At(b, offset, 1 + int64_t(n));
    return tess::MakeString(std::string_view(reinterpret_cast<const char*>(p) + 1, size_t(n)));
  });
}
// The length byte cannot describe more than 255 bytes: longer text raises
// rather than being cut short or stored with a wrong length.
void memorySetPString(TessObject* block, int32_t offset, TessString* value) {
  AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    std::string_view text = tess::View(value);
    if (text.size() > 255) Raise(RuntimeError::kOutOfBounds);
    uint8_t* p = tess::At(b, offset, 1 + int64_t(text.size()));
    p[0] = uint8_t(text.size());
    if (!text.empty()) std::memcpy(p + 1, text.data(), text.size());
  });
}

// In a block with a recorded size the terminating NUL must lie inside it;
// text that runs to the end unterminated raises, like a write would.
TessString* memoryGetCString(TessObject* block, int32_t offset) {
  return AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    const char* p = reinterpret_cast<const char*>(tess::At(b, offset, 1));
    size_t n;
    if (b->size != 0) {
      const void* nul = std::memchr(p, 0, size_t(b->size - offset));
      if (!nul) Raise(RuntimeError::kOutOfBounds);
      n = size_t(static_cast<const char*>(nul) - p);
    } else {
      n = std::strlen(p);
    }
    return tess::MakeString(std::string_view(p, n));
  });
}
void memorySetCString(TessObject* block, int32_t offset, TessString* value) {
  AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    std::string_view text = tess::View(value);
    uint8_t* p = tess::At(b, offset, int64_t(text.size()) + 1);
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    p[text.size()] = 0;
  });
}

TessString* memoryGetString(TessObject* block, int32_t offset, int32_t length) {
  return AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    if (length < 0) Raise(RuntimeError::kOutOfBounds);
    const uint8_t* p = tess::At(b, offset, length);
    return tess::MakeString(std::string_view(reinterpret_cast<const char*>(p), size_t(length)));
  });
}
void memorySetString(TessObject* block, int32_t offset, int32_t length, TessString* value) {
  AtEntry([&] {
    MemoryBlockObject* b = Checked(block);
    if (length < 0) Raise(RuntimeError::kOutOfBounds);
    uint8_t* p = tess::At(b, offset, length);
    std::string_view text = tess::View(value);
    size_t n = std::min(text.size(), size_t(length));
    if (n != 0) std::memcpy(p, text.data(), n);
    std::memset(p + n, 0, size_t(length) - n);
  });
}

}  // extern "C"
