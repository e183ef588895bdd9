// MemoryBlock: every value type in both byte orders with its exact bytes,
// the bounds rule on reads and writes of owned blocks (including offsets at
// the integer limits and strings that would run past the end), resizing,
// wrapped blocks, the class's member records, and that nothing leaks.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/framework_classes.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "values/memory_block.h"
#include "values/value_classes.h"

namespace tess {
namespace {

using test::RaisedBy;
using test::S;
using test::Take;
using test::Text;

// A block owned by the test.
class Block {
 public:
  explicit Block(int32_t size) : object_(newMemoryBlock(size)) {}
  explicit Block(TessObject* adopted) : object_(adopted) {}
  ~Block() { UnlockObject(object_); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  TessObject* get() const { return object_; }
  MemoryBlockObject* fields() const { return AsMemoryBlock(object_); }
  std::vector<uint8_t> Bytes() const {
    return std::vector<uint8_t>(fields()->data, fields()->data + fields()->size);
  }
  void SetLittleEndian(bool little) { fields()->littleEndian = little; }

 private:
  TessObject* object_;
};

class MemoryBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    objects_ = RuntimeDebugObjectCount(nullptr);
    heap_ = HeapBytesInUse();
  }
  void TearDown() override {
    EXPECT_EQ(RuntimeDebugObjectCount(nullptr), objects_) << "live objects";
    EXPECT_EQ(HeapBytesInUse(), heap_) << "heap bytes";
  }
  bool RaisesOutOfBounds(std::function<void()> body) {
    return RaisedBy(std::move(body)) == Exceptions().outOfBounds;
  }

 private:
  int32_t objects_ = 0;
  size_t heap_ = 0;
};

TEST_F(MemoryBlockTest, NewBlocksAreZeroedLittleEndianAndOwned) {
  EXPECT_EQ(newMemoryBlock(0), nullptr);
  EXPECT_EQ(newMemoryBlock(-1), nullptr);
  EXPECT_EQ(newMemoryBlock(INT32_MIN), nullptr);
  Block b(4);
  ASSERT_NE(b.get(), nullptr);
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_TRUE(b.fields()->littleEndian);
  EXPECT_TRUE(b.fields()->owned);
  EXPECT_EQ(memoryBlockGetSize(b.get(), 0), 4);
  EXPECT_EQ(memoryBlockGetPtr(b.get()), b.fields()->data);
  EXPECT_TRUE(IsA(b.get(), MemoryBlockClass()));
}

struct ScalarCase {
  const char* what;
  std::function<void(TessObject*)> set;
  std::function<double(TessObject*)> get;
  double expected;                   // what the getter reads back
  std::vector<uint8_t> littleBytes;  // the bytes at offset 1 in little-endian order
};

TEST_F(MemoryBlockTest, EveryTypeRoundTripsInBothByteOrders) {
  const ScalarCase cases[] = {
      {"Byte stores the low 8 bits",
       [](TessObject* m) { memorySetByte(m, 1, 0x1FE); },
       [](TessObject* m) { return memoryGetByte(m, 1); },
       254,
       {0xFE}},
      {"Boolean writes 1",
       [](TessObject* m) { memorySetBoolean(m, 1, 7); },
       [](TessObject* m) { return memoryGetBoolean(m, 1); },
       1,
       {1}},
      {"Boolean writes 0",
       [](TessObject* m) { memorySetBoolean(m, 1, 0x100); },
       [](TessObject* m) { return memoryGetBoolean(m, 1); },
       0,
       {0}},
      {"Short is signed",
       [](TessObject* m) { memorySetShort(m, 1, -2); },
       [](TessObject* m) { return memoryGetShort(m, 1); },
       -2,
       {0xFE, 0xFF}},
      {"UShort reads unsigned",
       [](TessObject* m) { memorySetShort(m, 1, -2); },
       [](TessObject* m) { return memoryGetUShort(m, 1); },
       65534,
       {0xFE, 0xFF}},
      {"Long",
       [](TessObject* m) { memorySetLong(m, 1, 0x12345678); },
       [](TessObject* m) { return memoryGetLong(m, 1); },
       0x12345678,
       {0x78, 0x56, 0x34, 0x12}},
      {"Long negative",
       [](TessObject* m) { memorySetLong(m, 1, INT32_MIN); },
       [](TessObject* m) { return memoryGetLong(m, 1); },
       INT32_MIN,
       {0, 0, 0, 0x80}},
      {"Single",
       [](TessObject* m) { memorySetSingle(m, 1, 1.5); },
       [](TessObject* m) { return memoryGetSingle(m, 1); },
       1.5,
       {0, 0, 0xC0, 0x3F}},
      {"Double",
       [](TessObject* m) { memorySetDouble(m, 1, -2.25); },
       [](TessObject* m) { return memoryGetDouble(m, 1); },
       -2.25,
       {0, 0, 0, 0, 0, 0, 0x02, 0xC0}},
      {"Color 32",
       [](TessObject* m) { memorySetColor(m, 1, 32, 0x7F112233); },
       [](TessObject* m) { return memoryGetColor(m, 1, 32); },
       0x112233,
       {0x33, 0x22, 0x11, 0}},
      {"Color 24",
       [](TessObject* m) { memorySetColor(m, 1, 24, 0x112233); },
       [](TessObject* m) { return memoryGetColor(m, 1, 24); },
       0x112233,
       {0x33, 0x22, 0x11}},
      {"Color 16 keeps five bits a component",
       [](TessObject* m) { memorySetColor(m, 1, 16, 0xFF8000); },
       [](TessObject* m) { return memoryGetColor(m, 1, 16); },
       0xFF8400,
       {0x00, 0x7E}},
      {"Color 16 white stays white",
       [](TessObject* m) { memorySetColor(m, 1, 16, 0xFFFFFF); },
       [](TessObject* m) { return memoryGetColor(m, 1, 16); },
       0xFFFFFF,
       {0xFF, 0x7F}},
  };
  for (bool little : {true, false}) {
    for (const ScalarCase& c : cases) {
      Block b(10);
      b.SetLittleEndian(little);
      c.set(b.get());
      std::vector<uint8_t> expected(10, 0);
      std::vector<uint8_t> bytes = c.littleBytes;
      if (!little) std::reverse(bytes.begin(), bytes.end());
      std::copy(bytes.begin(), bytes.end(), expected.begin() + 1);
      EXPECT_EQ(b.Bytes(), expected) << c.what << (little ? " little" : " big");
      EXPECT_EQ(c.get(b.get()), c.expected) << c.what << (little ? " little" : " big");
    }
  }
}

TEST_F(MemoryBlockTest, BigEndianLongOneIsStoredMostSignificantFirst) {
  Block b(4);
  b.SetLittleEndian(false);
  memorySetLong(b.get(), 0, 1);
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{0, 0, 0, 1}));
  boolSetter(b.get(), offsetof(MemoryBlockObject, littleEndian), 1);
  EXPECT_EQ(memoryGetLong(b.get(), 0), 0x01000000) << "same bytes read in the other order";
}

TEST_F(MemoryBlockTest, ReadsAndWritesOutsideAnOwnedBlockRaise) {
  Block b(4);
  TessObject* m = b.get();
  StringRef ab = S("ab");
  const struct {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"set Long(1)", [&] { memorySetLong(m, 1, 0); }},
      {"get Long(1)", [&] { memoryGetLong(m, 1); }},
      {"set Byte(-1)", [&] { memorySetByte(m, -1, 0); }},
      {"get Byte(4)", [&] { memoryGetByte(m, 4); }},
      {"get Short(3)", [&] { memoryGetShort(m, 3); }},
      {"get UShort(-1)", [&] { memoryGetUShort(m, -1); }},
      {"set Double(0) on 4 bytes", [&] { memorySetDouble(m, 0, 1); }},
      {"get Double(0) on 4 bytes", [&] { memoryGetDouble(m, 0); }},
      {"get Single(INT32_MAX)", [&] { memoryGetSingle(m, INT32_MAX); }},
      {"set Long(INT32_MAX - 2)", [&] { memorySetLong(m, INT32_MAX - 2, 0); }},
      {"get Byte(INT32_MIN)", [&] { memoryGetByte(m, INT32_MIN); }},
      {"get Ptr(2)", [&] { UnlockObject(memoryGetPtr(m, 2)); }},
      {"set Color 32 at 1", [&] { memorySetColor(m, 1, 32, 0); }},
      {"get Color 24 at 2", [&] { memoryGetColor(m, 2, 24); }},
      {"Color of 8 bits", [&] { memoryGetColor(m, 0, 8); }},
      {"set CString(3) 'ab'", [&] { memorySetCString(m, 3, ab.get()); }},
      {"set PString(2) 'ab'", [&] { memorySetPString(m, 2, ab.get()); }},
      {"set StringValue(2, 3)", [&] { memorySetString(m, 2, 3, ab.get()); }},
      {"get StringValue(0, 5)", [&] { Take(memoryGetString(m, 0, 5)); }},
      {"get StringValue(0, -1)", [&] { Take(memoryGetString(m, 0, -1)); }},
      {"get StringValue(INT32_MAX, 2)", [&] { Take(memoryGetString(m, INT32_MAX, 2)); }},
      {"get PString(4)", [&] { Take(memoryGetPString(m, 4)); }},
      {"get CString(-1)", [&] { Take(memoryGetCString(m, -1)); }},
  };
  std::vector<uint8_t> before = b.Bytes();
  for (const auto& c : cases) {
    EXPECT_TRUE(RaisesOutOfBounds(c.call)) << c.what;
    EXPECT_EQ(b.Bytes(), before) << c.what << " changed the block";
  }
  // The last position of each width is still inside.
  EXPECT_EQ(RaisedBy([&] {
              memorySetByte(m, 3, 1);
              memorySetShort(m, 2, 1);
              memorySetLong(m, 0, 1);
              memoryGetColor(m, 1, 24);
              Take(memoryGetString(m, 4, 0));
            }),
            nullptr);
}

TEST_F(MemoryBlockTest, NilBlockRaisesNilObject) {
  EXPECT_EQ(RaisedBy([] { memoryGetLong(nullptr, 0); }), Exceptions().nilObject);
  EXPECT_EQ(RaisedBy([] { memoryBlockSetSize(nullptr, 0, 4); }), Exceptions().nilObject);
}

TEST_F(MemoryBlockTest, StringsAtTheEndOfTheBlock) {
  Block b(4);
  TessObject* m = b.get();
  StringRef ab = S("ab");
  memorySetString(m, 0, 4, ab.get());
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{'a', 'b', 0, 0}));
  StringRef abcdef = S("abcdef");
  memorySetString(m, 1, 3, abcdef.get());
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{'a', 'a', 'b', 'c'})) << "cut to length";
  EXPECT_EQ(Text(Take(memoryGetString(m, 1, 3)).get()), "abc");

  EXPECT_TRUE(RaisesOutOfBounds([&] { Take(memoryGetCString(m, 1)); })) << "no NUL before the end";
  memorySetCString(m, 1, ab.get());
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{'a', 'a', 'b', 0}));
  EXPECT_EQ(Text(Take(memoryGetCString(m, 1)).get()), "ab");
  EXPECT_EQ(Take(memoryGetCString(m, 3)).get(), nullptr) << "NUL in the last byte";

  Block two(2);
  EXPECT_TRUE(RaisesOutOfBounds([&] { memorySetCString(two.get(), 0, ab.get()); }))
      << "'ab' needs three bytes";

  memorySetPString(m, 1, ab.get());
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{'a', 2, 'a', 'b'}));
  EXPECT_EQ(Text(Take(memoryGetPString(m, 1)).get()), "ab");
  memorySetByte(m, 1, 3);
  EXPECT_TRUE(RaisesOutOfBounds([&] { Take(memoryGetPString(m, 1)); }))
      << "length byte says more than is left";
  memorySetPString(m, 3, nullptr);
  EXPECT_EQ(b.fields()->data[3], 0);
  EXPECT_EQ(Take(memoryGetPString(m, 3)).get(), nullptr);

  Block big(300);
  StringRef longText = S(std::string(256, 'x'));
  EXPECT_TRUE(RaisesOutOfBounds([&] { memorySetPString(big.get(), 0, longText.get()); }));
  EXPECT_EQ(big.fields()->data[0], 0) << "nothing written";
  StringRef longest = S(std::string(255, 'y'));
  memorySetPString(big.get(), 0, longest.get());
  EXPECT_EQ(Text(Take(memoryGetPString(big.get(), 0)).get()), std::string(255, 'y'));
}

TEST_F(MemoryBlockTest, ResizingKeepsThePrefixAndZeroExtends) {
  Block b(4);
  memorySetLong(b.get(), 0, 0x04030201);
  uint8_t* data = b.fields()->data;
  memoryBlockSetSize(b.get(), 0, 4);
  EXPECT_EQ(b.fields()->data, data) << "same size does nothing";
  memoryBlockSetSize(b.get(), 0, 8);
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{1, 2, 3, 4, 0, 0, 0, 0}));
  EXPECT_TRUE(RaisesOutOfBounds([&] { memoryBlockSetSize(b.get(), 0, 0); }));
  EXPECT_TRUE(RaisesOutOfBounds([&] { memoryBlockSetSize(b.get(), 0, INT32_MIN); }));
  EXPECT_EQ(memoryBlockGetSize(b.get(), 0), 8) << "unchanged after a refused size";
  memoryBlockSetSize(b.get(), 0, 3);
  EXPECT_EQ(b.Bytes(), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(RaisesOutOfBounds([&] { memoryGetByte(b.get(), 3); })) << "new size applies";
}

TEST_F(MemoryBlockTest, WrappedBlocksAreNeitherTestedNorFreed) {
  uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  {
    Block w(PtrToMemoryBlock(buffer));
    EXPECT_EQ(memoryBlockGetSize(w.get(), 0), 0);
    EXPECT_FALSE(w.fields()->owned);
    EXPECT_EQ(memoryBlockGetPtr(w.get()), buffer);
    memorySetLong(w.get(), 1, 0x01020304);
    EXPECT_EQ(memoryGetByte(w.get(), 1), 4);
    StringRef ab = S("ab");
    memorySetCString(w.get(), 5, ab.get());
    EXPECT_EQ(Text(Take(memoryGetCString(w.get(), 5)).get()), "ab");
  }
  EXPECT_EQ(buffer[0], 9);
  EXPECT_EQ(buffer[1], 4) << "the wrapped bytes outlive the block";

  Block w(PtrToMemoryBlock(buffer));
  memoryBlockSetSize(w.get(), 0, 2);
  EXPECT_TRUE(w.fields()->owned) << "resizing makes an owned copy";
  EXPECT_EQ(w.Bytes(), (std::vector<uint8_t>{0, 0})) << "a size-0 block copies nothing";
}

TEST_F(MemoryBlockTest, PtrStoresAndWrapsDataAddresses) {
  Block holder(8);
  Block target(4);
  memorySetLong(target.get(), 0, 77);
  memorySetPtr(holder.get(), 4, target.get());
  EXPECT_EQ(uintptr_t(uint32_t(memoryGetLong(holder.get(), 4))),
            reinterpret_cast<uintptr_t>(target.fields()->data));
  Block alias(memoryGetPtr(holder.get(), 4));
  EXPECT_EQ(memoryGetLong(alias.get(), 0), 77);
  EXPECT_FALSE(alias.fields()->owned);

  holder.SetLittleEndian(false);
  memorySetPtr(holder.get(), 0, target.get());
  EXPECT_NE(memoryGetLong(holder.get(), 4), memoryGetLong(holder.get(), 0)) << "reversed bytes";
  Block bigAlias(memoryGetPtr(holder.get(), 0));
  EXPECT_EQ(memoryGetLong(bigAlias.get(), 0), 77) << "read back in the same order";
  holder.SetLittleEndian(true);

  memorySetPtr(holder.get(), 4, nullptr);
  EXPECT_EQ(memoryGetLong(holder.get(), 4), 0);
  Block nilTarget(memoryGetPtr(holder.get(), 4));
  EXPECT_EQ(RaisedBy([&] { memoryGetByte(nilTarget.get(), 0); }), Exceptions().nilObject)
      << "a wrapped null address is refused, not dereferenced";

  TessObject* notABlock = CreateObject(ApplicationClass());
  EXPECT_EQ(RaisedBy([&] { memorySetPtr(holder.get(), 0, notABlock); }), Exceptions().illegalCast);
  UnlockObject(notABlock);
}

TEST_F(MemoryBlockTest, MembersBindToTheEntryPoints) {
  ASSERT_EQ(FindClassByName("memoryblock"), MemoryBlockClass());
  const struct {
    const char* reference;
    void* code;
  } cases[] = {
      {"MMemoryBlock.Byte", (void*)&memoryGetByte},
      {"WMemoryBlock.Byte", (void*)&memorySetByte},
      {"WMemoryBlock.UShort", (void*)&memorySetShort},
      {"MMemoryBlock.ColorValue", (void*)&memoryGetColor},
      {"WMemoryBlock.StringValue", (void*)&memorySetString},
      {"GMemoryBlock.Size", (void*)&memoryBlockGetSize},
      {"SMemoryBlock.Size", (void*)&memoryBlockSetSize},
      {"SMemoryBlock.LittleEndian", (void*)&boolSetter},
  };
  for (const auto& c : cases) EXPECT_EQ(DeferredMemberLookup(c.reference), c.code) << c.reference;
}

}  // namespace
}  // namespace tess
