// Dictionary and Collection: growth through the prime table and the fixed
// mode, the dense array's order after removals, key identity across types,
// the exceptions, references held and released, and a randomised run
// against a model.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "runtime_test_support.h"
#include "tessera/runtime.h"
#include "values/dictionary.h"
#include "values/value_classes.h"
#include "values/variant.h"

namespace tess {
namespace {

using test::RaisedBy;
using test::S;
using test::Take;
using test::Text;

ObjectRef Own(TessObject* o) {
  return ObjectRef::Adopt(o);
}
ObjectRef Int(int32_t n) {
  return Own(intToVariant(n));
}
ObjectRef Str(std::string_view text) {
  return Own(stringToVariant(S(text).get()));
}

class DictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    liveBefore_ = RuntimeDebugObjectCount(nullptr);
    d_ = Own(CreateObject(DictionaryClass()));
  }
  void TearDown() override {
    d_ = ObjectRef();
    EXPECT_EQ(RuntimeDebugObjectCount(nullptr), liveBefore_);
  }
  TessObject* d() { return d_.get(); }
  void Set(const ObjectRef& key, const ObjectRef& value) {
    dictionaryValueSetter(d(), key.get(), value.get());
  }
  void SetInts(int32_t from, int32_t to) {
    for (int32_t i = from; i < to; ++i) Set(Int(i), Int(i * 10));
  }
  int32_t Bins() { return dictionaryGetBins(d(), 0); }
  int32_t Count() { return dictionaryCount(d(), 0); }
  std::string KeyText(int32_t index) {
    return Text(Take(variantToString(Own(dictionaryKey(d(), index)).get())).get());
  }
  // A raise leaves `body` the way it leaves compiled code: whatever the body
  // owns must live outside it.
  std::string Raised(std::function<void()> body) {
    const ClassObject* cls = RaisedBy(std::move(body));
    return cls ? Text(cls->name) : "nothing";
  }

 private:
  int32_t liveBefore_ = 0;
  ObjectRef d_;
};

TEST_F(DictionaryTest, BinsGrowThroughThePrimeTableAtThreeQuartersFull) {
  EXPECT_EQ(Bins(), 61);
  SetInts(0, 46);
  EXPECT_EQ(Bins(), 61) << "46 entries still fit 61 bins";
  SetInts(46, 47);
  EXPECT_EQ(Bins(), 127);
  SetInts(47, 1000);
  EXPECT_EQ(Bins(), 2039);
  EXPECT_EQ(Count(), 1000);
  for (int32_t i = 0; i < 1000; i += 37) {
    EXPECT_EQ(variantToInt(Own(dictionaryValueGetter(d(), Int(i).get())).get()), i * 10);
  }
}

TEST_F(DictionaryTest, FixedBinCountHoldsUntilResetToAutomatic) {
  dictionarySetBins(d(), 0, 10);
  SetInts(0, 200);
  EXPECT_EQ(Bins(), 10);
  EXPECT_TRUE(dictionaryHasKey(d(), Int(199).get()));
  dictionarySetBins(d(), 0, 0);
  EXPECT_EQ(Bins(), 509) << "resized at once for 200 entries";
  dictionarySetBins(d(), 0, 3);
  SetInts(200, 260);
  EXPECT_EQ(Bins(), 3);
  EXPECT_EQ(Count(), 260);
  dictionaryRemoveAll(d());
  EXPECT_EQ(Bins(), 61);
  EXPECT_EQ(Count(), 0);
  SetInts(0, 47);
  EXPECT_EQ(Bins(), 127) << "automatic again after Clear";
}

TEST_F(DictionaryTest, RemovalMovesTheLastEntryIntoTheGap) {
  Set(Str("a"), Int(1));
  Set(Str("b"), Int(2));
  Set(Str("c"), Int(3));
  dictionaryRemove(d(), Str("A").get());
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(KeyText(0), "c");
  EXPECT_EQ(KeyText(1), "b");
  EXPECT_EQ(Raised([&] { dictionaryKey(d(), 2); }), "OutOfBoundsException");
  EXPECT_EQ(Raised([&] { dictionaryKey(d(), -1); }), "OutOfBoundsException");
}

TEST_F(DictionaryTest, KeysOfDifferentTypesNeverMatchAndStringsIgnoreCase) {
  Set(Int(1), Str("integer"));
  ObjectRef oneDouble = Own(doubleToVariant(1.0));
  EXPECT_EQ(Raised([&] { dictionaryValueGetter(d(), oneDouble.get()); }), "KeyNotFoundException");
  Set(Own(doubleToVariant(1.0)), Str("double"));
  Set(Str("1"), Str("string"));
  Set(Own(booleanToVariant(1)), Str("boolean"));
  EXPECT_EQ(Count(), 4);
  Set(Str("Abc"), Int(1));
  Set(Str("ABC"), Int(2));
  EXPECT_EQ(Count(), 5);
  EXPECT_EQ(variantToInt(Own(dictionaryValueGetter(d(), Str("abc").get())).get()), 2);
  ObjectRef missing = Str("missing");
  EXPECT_EQ(Raised([&] { dictionaryRemove(d(), missing.get()); }), "KeyNotFoundException");
  EXPECT_EQ(Count(), 5);
}

TEST_F(DictionaryTest, NilKeysAndValuesAreOrdinaryEntries) {
  dictionaryValueSetter(d(), nullptr, nullptr);
  EXPECT_TRUE(dictionaryHasKey(d(), nullptr));
  EXPECT_EQ(dictionaryValueGetter(d(), nullptr), nullptr);
  Set(Own(getNilVariant()), Int(5));
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(Raised([] { dictionaryCount(nullptr, 0); }), "NilObjectException");
}

TEST_F(DictionaryTest, KeysAndValuesAreReleasedOnReplaceRemoveClearAndDestruction) {
  StringRef text = S("value text");
  ObjectRef value = Own(stringToVariant(text.get()));
  ObjectRef key = Str("k");
  Set(key, value);
  EXPECT_EQ(Header(value.get())->refCount, 2);
  EXPECT_EQ(Header(key.get())->refCount, 2);
  Set(Str("K"), Int(0));
  EXPECT_EQ(Header(value.get())->refCount, 1) << "replaced";
  EXPECT_EQ(Header(key.get())->refCount, 2) << "the first key stays";
  dictionaryRemove(d(), key.get());
  EXPECT_EQ(Header(key.get())->refCount, 1);
  Set(key, value);
  dictionaryRemoveAll(d());
  EXPECT_EQ(Header(value.get())->refCount, 1);
  Set(key, value);
  {
    ObjectRef other = Own(CreateObject(DictionaryClass()));
    dictionaryValueSetter(other.get(), key.get(), value.get());
    EXPECT_EQ(Header(value.get())->refCount, 3);
  }
  EXPECT_EQ(Header(value.get())->refCount, 2);
}

TEST_F(DictionaryTest, AnImpossibleBinCountRaisesAndKeepsTheOldBins) {
  SetInts(0, 10);
  EXPECT_EQ(Raised([&] { dictionarySetBins(d(), 0, 0x7FFFFFFF); }), "OutOfMemoryException");
  EXPECT_EQ(Bins(), 61);
  SetInts(10, 100);
  EXPECT_EQ(Bins(), 251) << "still automatic";
  EXPECT_TRUE(dictionaryHasKey(d(), Int(5).get()));
}

// A value whose destruction uses the dictionary again must not find it busy.
TessObject* g_reentered = nullptr;
TEST_F(DictionaryTest, ReleasesRunAfterTheOperationEnds) {
  FrameworkClassDef def{};
  def.name = "ReenteringValue";
  def.superclass = RootClass();
  def.instanceSize = 16;
  def.destruct = [](TessObject*, ClassObject*) {
    ObjectRef key = Str("from destructor");
    ObjectRef value = Int(1);
    dictionaryValueSetter(g_reentered, key.get(), value.get());
  };
  static ClassObject* reentering = BuildFrameworkClass(def);
  g_reentered = d();
  {
    ObjectRef value = Own(objectToVariant(Own(CreateObject(reentering)).get()));
    Set(Str("x"), value);
  }
  dictionaryRemove(d(), Str("x").get());
  EXPECT_TRUE(dictionaryHasKey(d(), Str("from destructor").get()));
  dictionaryRemoveAll(d());
}

TEST_F(DictionaryTest, RandomOperationsAgreeWithAModel) {
  std::mt19937 random(7);
  std::map<int32_t, int32_t> model;
  for (int step = 0; step < 20000; ++step) {
    int32_t key = int32_t(random() % 3000);
    switch (random() % 4) {
      case 0:
      case 1:
        Set(Int(key), Int(step));
        model[key] = step;
        break;
      case 2: {
        bool present = model.erase(key) > 0;
        ObjectRef boxed = Int(key);
        std::string raised = Raised([&] { dictionaryRemove(d(), boxed.get()); });
        ASSERT_EQ(raised, present ? "nothing" : "KeyNotFoundException") << step;
        break;
      }
      default:
        ASSERT_EQ(bool(dictionaryHasKey(d(), Int(key).get())), model.count(key) > 0) << step;
    }
    ASSERT_EQ(Count(), int32_t(model.size()));
  }
  std::map<int32_t, int32_t> seen;
  for (int32_t i = 0; i < Count(); ++i) {
    ObjectRef key = Own(dictionaryKey(d(), i));
    seen[variantToInt(key.get())] = variantToInt(Own(dictionaryValueGetter(d(), key.get())).get());
  }
  EXPECT_EQ(seen, model);
}

class CollectionTest : public DictionaryTest {
 protected:
  void SetUp() override {
    DictionaryTest::SetUp();
    c_ = Own(CreateObject(CollectionClass()));
  }
  void TearDown() override {
    c_ = ObjectRef();
    DictionaryTest::TearDown();
  }
  TessObject* c() { return c_.get(); }
  void Add(int32_t value, std::string_view key) {
    collectionAdd(c(), Int(value).get(), S(key).get());
  }
  int32_t ItemByKey(std::string_view key) {
    ObjectRef v = Own(collectionItem(c(), S(key).get()));
    return v.get() ? variantToInt(v.get()) : -1;
  }
  int32_t ItemAt(int32_t index) { return variantToInt(Own(collectionIdxItem(c(), index)).get()); }

 private:
  ObjectRef c_;
};

TEST_F(CollectionTest, KeysMatchFromTheFrontWithoutRegardToCase) {
  EXPECT_EQ(collectionCount(c(), 0), 0);
  Add(1, "x");
  Add(2, "X");
  Add(3, "");
  EXPECT_EQ(ItemByKey("X"), 1);
  EXPECT_EQ(ItemByKey("missing"), -1);
  EXPECT_EQ(ItemByKey(""), 3);
  collectionKeyRemove(c(), S("x").get());
  EXPECT_EQ(ItemByKey("x"), 2);
  collectionKeyRemove(c(), S("none").get());
  EXPECT_EQ(collectionCount(c(), 0), 2);
}

TEST_F(CollectionTest, PositionsCountFromOne) {
  Add(10, "a");
  Add(20, "b");
  Add(30, "c");
  EXPECT_EQ(ItemAt(1), 10);
  EXPECT_EQ(ItemAt(3), 30);
  for (int32_t bad : {0, 4, -1}) {
    EXPECT_EQ(Raised([&] { collectionIdxItem(c(), bad); }), "OutOfBoundsException") << bad;
    EXPECT_EQ(Raised([&] { collectionIdxRemove(c(), bad); }), "OutOfBoundsException") << bad;
  }
  collectionIdxRemove(c(), 2);
  EXPECT_EQ(ItemAt(2), 30);
  EXPECT_EQ(collectionCount(c(), 0), 2);
}

TEST_F(CollectionTest, ElementsHoldTheirValueUntilRemovedOrDestroyed) {
  ObjectRef value = Int(5);
  StringRef key = S("key");
  collectionAdd(c(), value.get(), key.get());
  collectionAdd(c(), value.get(), key.get());
  EXPECT_EQ(Header(value.get())->refCount, 3);
  EXPECT_EQ(key.get()->refCount, 3u);
  collectionIdxRemove(c(), 1);
  EXPECT_EQ(Header(value.get())->refCount, 2);
  EXPECT_EQ(key.get()->refCount, 2u);
  // The fixture's teardown destroys the collection and counts live objects.
}

}  // namespace
}  // namespace tess
