// Arrays: the growable list's growth, lazy storage that reads as zero,
// bounds that raise OutOfBoundsException and leave the array unchanged,
// element ownership for strings and objects, the multi-dimensional walk,
// redimension and the sort's exact order, and the fast boolean arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/kernel/locale.h"
#include "runtime/array.h"
#include "runtime/exceptions.h"
#include "runtime/framework_classes.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime_test_support.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

using test::S;
using test::Take;
using test::Text;

using test::RaisedBy;

bool RaisesOutOfBounds(std::function<void()> body) {
  return RaisedBy(std::move(body)) == Exceptions().outOfBounds;
}

TessArray* OneDimensional(int32_t upperBound) {
  TessArray* a = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(a, 0, upperBound);
  return a;
}

std::vector<int32_t> Ints(TessArray* a) {
  std::vector<int32_t> values;
  for (int32_t i = 0; i <= RuntimeUBound(a); ++i) values.push_back(RuntimeDirectReadIntArray(a, i));
  return values;
}

std::vector<std::string> Texts(TessArray* a) {
  std::vector<std::string> values;
  for (int32_t i = 0; i <= RuntimeUBound(a); ++i) {
    values.push_back(Text(Take(RuntimeDirectReadStringArray(a, i)).get()));
  }
  return values;
}

class ArraysTest : public ::testing::Test {
 protected:
  void SetUp() override { InitFrameworkClasses(); }
};

TEST(GrowableList, GrowthStepDoublesToItsLimitAndRemovalResetsIt) {
  GrowableList list;
  InitList(&list, 4);
  std::vector<int32_t> capacities;
  for (int32_t i = 0; i < 9000; ++i) {
    ListInsert(&list, list.count, &i);
    if (capacities.empty() || capacities.back() != list.capacity)
      capacities.push_back(list.capacity);
  }
  EXPECT_EQ(capacities,
            (std::vector<int32_t>{16, 48, 112, 240, 496, 1008, 2032, 4080, 8176, 12272}));
  ListRemove(&list, 0);
  EXPECT_EQ(list.growthStep, 16);
  ListSetCount(&list, 12272);
  ListInsert(&list, 5, &list.count);
  EXPECT_EQ(list.capacity, 12288) << "a removal brought the step back to 16";
  int32_t at5;
  std::memcpy(&at5, ListAt(&list, 5), 4);
  int32_t at6;
  std::memcpy(&at6, ListAt(&list, 6), 4);
  EXPECT_EQ(at5, 12272);
  EXPECT_EQ(at6, 6) << "later elements moved up";
  ListSetCount(&list, 3);
  EXPECT_EQ(list.capacity, 3) << "setting the count resizes exactly";
  FreeListStorage(&list);
}

TEST(GrowableList, ExtendingGrowsTheStorageByHalfUpToTheLimit) {
  GrowableList list;
  InitList(&list, 4);
  std::vector<int32_t> capacities;
  for (int32_t n = 16; n <= 1000; n += 16) {
    ListExtend(&list, n, 1000);
    EXPECT_EQ(list.count, n);
    if (capacities.empty() || capacities.back() != list.capacity)
      capacities.push_back(list.capacity);
  }
  ListExtend(&list, 1000, 1000);
  EXPECT_EQ(capacities, (std::vector<int32_t>{16, 32, 48, 72, 108, 162, 243, 364, 546, 819, 1000}));
  EXPECT_EQ(list.capacity, 1000) << "never past the limit";
  int32_t last;
  std::memcpy(&last, ListAt(&list, 999), 4);
  EXPECT_EQ(last, 0) << "new elements are zero";
  FreeListStorage(&list);
}

TEST_F(ArraysTest, FreshArrayHasNoStorageUntilWrittenThenGrowsBySixteen) {
  TessArray* a = OneDimensional(9);
  EXPECT_EQ(RuntimeDirectReadIntArray(a, 5), 0);
  EXPECT_EQ(a->list.storage, nullptr) << "reads never allocate";
  RuntimeDirectWriteIntArray(a, 5, 55);
  EXPECT_EQ(a->list.count, 10) << "min(5 + 16, 10)";
  EXPECT_EQ(Ints(a), (std::vector<int32_t>{0, 0, 0, 0, 0, 55, 0, 0, 0, 0}));
  RuntimeDisposeIntArray(a);

  TessArray* big = OneDimensional(1000);
  RuntimeDirectWriteIntArray(big, 3, 1);
  EXPECT_EQ(big->list.count, 19);
  RuntimeDisposeIntArray(big);
}

TEST_F(ArraysTest, FillingFrontToBackKeepsTheSixteenRuleAndReallocatesRarely) {
  TessArray* a = OneDimensional(999);
  std::vector<int32_t> capacities;
  for (int32_t i = 0; i < 1000; ++i) {
    RuntimeDirectWriteIntArray(a, i, i);
    ASSERT_EQ(a->list.count, std::min(i / 16 * 16 + 16, 1000)) << i;
    if (capacities.empty() || capacities.back() != a->list.capacity)
      capacities.push_back(a->list.capacity);
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{16, 32, 48, 72, 108, 162, 243, 364, 546, 819, 1000}));
  for (int32_t i = 0; i < 1000; ++i) ASSERT_EQ(RuntimeDirectReadIntArray(a, i), i);
  RuntimeDisposeIntArray(a);
}

// Each element access has a path for elements already stored and one for
// everything else; the bounds hold on both sides of the stored count.
TEST_F(ArraysTest, BoundsHoldAtTheEdgesOfTheStoredElements) {
  TessArray* a = OneDimensional(20);
  RuntimeDirectWriteIntArray(a, 0, 1);  // stores 16 elements
  ASSERT_EQ(a->list.count, 16);
  struct Case {
    int32_t index;
    bool raises;
    int32_t reads;
  };
  const Case cases[] = {{-1, true, 0},  {INT32_MIN, true, 0}, {0, false, 1}, {15, false, 0},
                        {16, false, 0}, {20, false, 0},       {21, true, 0}, {INT32_MAX, true, 0}};
  for (const Case& c : cases) {
    int32_t got = -99;
    EXPECT_EQ(RaisesOutOfBounds([&] { got = RuntimeDirectReadIntArray(a, c.index); }), c.raises)
        << "read " << c.index;
    if (!c.raises) {
      EXPECT_EQ(got, c.reads) << "read " << c.index;
    }
    EXPECT_EQ(RaisesOutOfBounds([&] { RuntimeDirectWriteIntArray(a, c.index, 7); }), c.raises)
        << "write " << c.index;
    if (!c.raises) {
      EXPECT_EQ(RuntimeDirectReadIntArray(a, c.index), 7) << "write " << c.index;
    }
  }
  EXPECT_EQ(a->list.count, 21) << "the write at 16 completed the list";
  RuntimeRedimIntArrayLevel(a, 0, 9);
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeDirectReadIntArray(a, 10); })) << "after a cut";
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeDirectWriteIntArray(a, 10, 1); })) << "after a cut";
  RuntimeDisposeIntArray(a);

  TessArray* m = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(m, 0, 1);
  RuntimeArrayCreateAddIndex(m, 0, 3);
  RuntimeArrayCreateAddIndex(m, 0, 4);
  auto write = [&](int32_t i, int32_t j, int32_t k, int32_t v) {
    RuntimeArrayStartWriteAccess(m, i);
    RuntimeArrayAddWriteIndex(m, j);
    RuntimeWriteIntArray(m, k, v);
  };
  auto read = [&](int32_t i, int32_t j, int32_t k) {
    RuntimeArrayStartReadAccess(m, i);
    RuntimeArrayAddReadIndex(m, j);
    return RuntimeReadIntArray(m, k);
  };
  write(1, 2, 2, 5);  // row (1, 2) stores 3 elements
  EXPECT_EQ(read(1, 2, 2), 5);
  EXPECT_EQ(read(1, 2, 3), 0) << "past the stored elements";
  EXPECT_TRUE(RaisesOutOfBounds([&] { read(1, 2, 5); })) << "third index past its bound";
  EXPECT_TRUE(RaisesOutOfBounds([&] { read(1, 4, 0); })) << "second index past its bound";
  EXPECT_TRUE(RaisesOutOfBounds([&] { read(2, 0, 0); })) << "first index past its bound";
  EXPECT_TRUE(RaisesOutOfBounds([&] { read(1, 2, -1); }));
  EXPECT_TRUE(RaisesOutOfBounds([&] { write(1, 2, 5, 1); }));
  EXPECT_TRUE(RaisesOutOfBounds([&] {
    RuntimeArrayStartReadAccess(m, 1);
    RuntimeReadIntArray(m, 2);
  })) << "an element read before the last dimension";
  RuntimeArrayStartReadAccess(m, 1);
  RuntimeArrayAddReadIndex(m, 2);
  EXPECT_EQ(RuntimeReadIntArray(m, 2), 5);
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeReadIntArray(m, 2); })) << "the read ended the walk";
  RuntimeDisposeIntArray(m);
}

TEST_F(ArraysTest, IndicesOutsideTheBoundsRaiseAndChangeNothing) {
  const int32_t liveBefore = RuntimeDebugObjectCount(nullptr);
  TessArray* a = OneDimensional(9);
  RuntimeDirectWriteIntArray(a, 2, 7);
  struct Case {
    const char* what;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"read 10", [&] { RuntimeDirectReadIntArray(a, 10); }},
      {"read -1", [&] { RuntimeDirectReadIntArray(a, -1); }},
      {"write 10", [&] { RuntimeDirectWriteIntArray(a, 10, 1); }},
      {"write -1", [&] { RuntimeDirectWriteIntArray(a, -1, 1); }},
      {"double read 10", [&] { RuntimeDirectReadDoubleArray(a, 10); }},
      {"insert at 11", [&] { RuntimeIntArrayInsert(a, 11, 1); }},
      {"insert at -1", [&] { RuntimeIntArrayInsert(a, -1, 1); }},
      {"remove 10", [&] { RuntimeIntArrayRemove(a, 10); }},
      {"dimension 2 of 1", [&] { RuntimeUBound2Param(a, 2); }},
      {"dimension 0", [&] { RuntimeUBound2Param(a, 0); }},
      {"two indices on one dimension", [&] { RuntimeArrayStartReadAccess(a, 0); }},
      {"redim level 1 of 1", [&] { RuntimeRedimIntArrayLevel(a, 1, 3); }},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(RaisesOutOfBounds(c.call)) << c.what;
    EXPECT_EQ(RuntimeUBound(a), 9) << c.what;
    EXPECT_EQ(Ints(a), (std::vector<int32_t>{0, 0, 7, 0, 0, 0, 0, 0, 0, 0})) << c.what;
  }
  RuntimeDisposeIntArray(a);
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), liveBefore) << "every raised exception was released";
}

TEST_F(ArraysTest, UBoundOfEachDimensionAndTheDimensionCount) {
  TessArray* a = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(a, 0, 4);
  RuntimeArrayCreateAddIndex(a, 1, 3);
  RuntimeArrayCreateAddIndex(a, 0, 0);
  struct Case {
    int32_t dimension;
    int32_t expected;
    bool raises;
  };
  const Case cases[] = {{-1, 3, false}, {1, 4, false}, {2, 2, false}, {3, 0, false},
                        {4, -1, true},  {0, -1, true}, {-2, -1, true}};
  for (const Case& c : cases) {
    int32_t got = -99;
    bool raised = RaisesOutOfBounds([&] { got = RuntimeUBound2Param(a, c.dimension); });
    EXPECT_EQ(raised, c.raises) << c.dimension;
    if (!raised) {
      EXPECT_EQ(got, c.expected) << c.dimension;
    }
  }
  EXPECT_EQ(RuntimeUBound(a), 4);
  RuntimeDisposeIntArray(a);
}

TEST_F(ArraysTest, InsertAppendAndRemoveKeepTheUpperBound) {
  TessArray* a = OneDimensional(2);
  RuntimeDirectWriteIntArray(a, 0, 10);
  RuntimeIntArrayInsert(a, 3, 40);  // at upper bound + 1: an append
  RuntimeIntArrayInsert(a, 0, 5);
  RuntimeIntArrayAppend(a, 50);
  EXPECT_EQ(Ints(a), (std::vector<int32_t>{5, 10, 0, 0, 40, 50}));
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeIntArrayInsert(a, 7, 1); })) << "upper bound + 2";
  RuntimeIntArrayRemove(a, 1);
  EXPECT_EQ(Ints(a), (std::vector<int32_t>{5, 0, 0, 40, 50}));
  RuntimeDisposeIntArray(a);

  TessArray* run = OneDimensional(-1);
  std::vector<int32_t> capacities;
  for (int32_t i = 0; i < 120; ++i) {
    RuntimeIntArrayAppend(run, i);
    if (capacities.empty() || capacities.back() != run->list.capacity) {
      capacities.push_back(run->list.capacity);
    }
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{16, 48, 112, 240})) << "appends grow by the step";
  RuntimeDisposeIntArray(run);

  TessArray* one = OneDimensional(0);
  RuntimeIntArrayRemove(one, 0);
  EXPECT_EQ(RuntimeUBound(one), -1);
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeIntArrayRemove(one, 0); }));
  RuntimeIntArrayAppend(one, 8);
  EXPECT_EQ(Ints(one), (std::vector<int32_t>{8}));
  RuntimeDisposeIntArray(one);
}

TEST_F(ArraysTest, RemovingPastTheStoredElementsOnlyLowersTheBound) {
  TessArray* a = OneDimensional(99);
  RuntimeDirectWriteIntArray(a, 0, 1);  // stores 16 elements
  RuntimeIntArrayRemove(a, 50);
  EXPECT_EQ(RuntimeUBound(a), 98);
  EXPECT_EQ(a->list.count, 16);
  RuntimeDisposeIntArray(a);
}

TEST_F(ArraysTest, SinglesAndDoublesKeepTheirValues) {
  TessArray* s = OneDimensional(3);
  RuntimeDirectWriteSingleArray(s, 1, 1.5f);
  RuntimeSingleArrayAppend(s, -2.25f);
  RuntimeSingleArrayInsert(s, 0, 9.0f);
  EXPECT_EQ(
      (std::vector<float>{RuntimeDirectReadSingleArray(s, 0), RuntimeDirectReadSingleArray(s, 1),
                          RuntimeDirectReadSingleArray(s, 2), RuntimeDirectReadSingleArray(s, 5)}),
      (std::vector<float>{9.0f, 0.0f, 1.5f, -2.25f}));
  RuntimeDisposeIntArray(s);

  TessArray* d = OneDimensional(2);
  EXPECT_EQ(RuntimeDirectReadDoubleArray(d, 2), 0.0);
  RuntimeDirectWriteDoubleArray(d, 2, 1e300);
  RuntimeDoubleArrayAppend(d, -0.5);
  RuntimeDoubleArrayInsert(d, 1, 3.25);
  RuntimeIntArrayRemove(d, 0);
  EXPECT_EQ(d->list.elementSize, 8);
  EXPECT_EQ(
      (std::vector<double>{RuntimeDirectReadDoubleArray(d, 0), RuntimeDirectReadDoubleArray(d, 1),
                           RuntimeDirectReadDoubleArray(d, 2), RuntimeDirectReadDoubleArray(d, 3)}),
      (std::vector<double>{3.25, 0.0, 1e300, -0.5}));
  RuntimeDoubleArraySort(d);
  EXPECT_EQ(
      (std::vector<double>{RuntimeDirectReadDoubleArray(d, 0), RuntimeDirectReadDoubleArray(d, 1),
                           RuntimeDirectReadDoubleArray(d, 2), RuntimeDirectReadDoubleArray(d, 3)}),
      (std::vector<double>{-0.5, 0.0, 3.25, 1e300}));
  RuntimeDisposeIntArray(d);
}

TEST_F(ArraysTest, StringElementsHoldOneReferenceEach) {
  StringRef text = S("shared text");
  TessArray* a = OneDimensional(-1);
  RuntimeStringArrayAppend(a, text.get());
  EXPECT_EQ(text.get()->refCount, 2u) << "appending adds one reference";
  RuntimeStringArrayInsert(a, 0, text.get());
  RuntimeDirectWriteStringArray(a, 1, text.get());  // replaces itself
  EXPECT_EQ(text.get()->refCount, 3u);
  StringRef read = Take(RuntimeDirectReadStringArray(a, 1));
  EXPECT_EQ(text.get()->refCount, 4u) << "a read hands the caller a reference";
  read = StringRef();
  RuntimeDirectWriteStringArray(a, 0, S("other").get());
  EXPECT_EQ(text.get()->refCount, 2u) << "overwriting unlocked the old value";
  RuntimeStringArrayRemove(a, 1);
  EXPECT_EQ(text.get()->refCount, 1u) << "removing dropped the reference";
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"other"}));
  for (int i = 0; i < 40; ++i) RuntimeStringArrayAppend(a, text.get());
  EXPECT_EQ(text.get()->refCount, 41u) << "every append into spare room added one";
  RuntimeDisposeStringArray(a);
  EXPECT_EQ(text.get()->refCount, 1u);
}

TEST_F(ArraysTest, RedimCutsAndUnlocksButGrowingAllocatesNothing) {
  StringRef keep = S("kept");
  StringRef drop = S("dropped");
  TessArray* a = OneDimensional(4);
  RuntimeDirectWriteStringArray(a, 0, keep.get());
  RuntimeDirectWriteStringArray(a, 3, drop.get());
  RuntimeDirectWriteStringArray(a, 4, drop.get());
  RuntimeRedimStringArrayLevel(a, 0, 1);
  EXPECT_EQ(drop.get()->refCount, 1u);
  EXPECT_EQ(keep.get()->refCount, 2u);
  size_t before = HeapBytesInUse();
  RuntimeRedimStringArrayLevel(a, 0, 50);
  EXPECT_EQ(HeapBytesInUse(), before);
  EXPECT_EQ(RuntimeUBound(a), 50);
  EXPECT_EQ(Text(Take(RuntimeDirectReadStringArray(a, 40)).get()), "");
  RuntimeDisposeStringArray(a);
  EXPECT_EQ(keep.get()->refCount, 1u) << "disposing unlocked the rest";
}

TEST_F(ArraysTest, ObjectElementsAreReferencedAndReleased) {
  const int32_t liveBefore = RuntimeDebugObjectCount(nullptr);
  TessObject* o = CreateObject(Exceptions().runtimeException);
  TessArray* a = OneDimensional(2);
  RuntimeDirectWriteObjectArray(a, 0, o);
  RuntimeObjectArrayAppend(a, o);
  RuntimeObjectArrayInsert(a, 1, o);
  EXPECT_EQ(Header(o)->refCount, 4);
  TessObject* read = RuntimeDirectReadObjectArray(a, 4);
  EXPECT_EQ(read, o);
  EXPECT_EQ(RuntimeDirectReadObjectArray(a, 3), nullptr);
  RuntimeUnlockObject(read);
  RuntimeObjectArrayRemove(a, 0);
  EXPECT_EQ(Header(o)->refCount, 3);
  RuntimeRedimObjectArrayLevel(a, 0, 0);
  EXPECT_EQ(Header(o)->refCount, 2);
  RuntimeDisposeObjectArray(a);
  EXPECT_EQ(Header(o)->refCount, 1);
  RuntimeUnlockObject(o);
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), liveBefore);
}

// A(i, j) read and written through the access walk.
int32_t Read2(TessArray* a, int32_t i, int32_t j) {
  RuntimeArrayStartReadAccess(a, i);
  return RuntimeReadIntArray(a, j);
}
void Write2(TessArray* a, int32_t i, int32_t j, int32_t value) {
  RuntimeArrayStartWriteAccess(a, i);
  RuntimeWriteIntArray(a, j, value);
}

TEST_F(ArraysTest, MultiDimensionalAccessIsLazyAndChecksEveryIndex) {
  TessArray* a = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(a, 0, 3);
  RuntimeArrayCreateAddIndex(a, 0, 4);
  EXPECT_EQ(Read2(a, 2, 3), 0);
  EXPECT_EQ(a->list.storage, nullptr) << "reads never allocate";
  Write2(a, 2, 3, 23);
  Write2(a, 0, 4, 4);
  EXPECT_EQ(a->list.count, 3) << "the first list reaches just the row written";
  std::vector<int32_t> grid;
  for (int32_t i = 0; i <= 3; ++i) {
    for (int32_t j = 0; j <= 4; ++j) grid.push_back(Read2(a, i, j));
  }
  EXPECT_EQ(grid, (std::vector<int32_t>{0, 0, 0, 0,  4,  //
                                        0, 0, 0, 0,  0,  //
                                        0, 0, 0, 23, 0,  //
                                        0, 0, 0, 0,  0}));
  EXPECT_TRUE(RaisesOutOfBounds([&] { Read2(a, 4, 0); }));
  EXPECT_TRUE(RaisesOutOfBounds([&] { Read2(a, 3, 5); })) << "even in a row never written";
  EXPECT_TRUE(RaisesOutOfBounds([&] { Write2(a, 0, -1, 1); }));
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeDirectReadIntArray(a, 0); })) << "two dimensions";
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeReadIntArray(a, 0); })) << "no walk started";
  EXPECT_TRUE(RaisesOutOfBounds([&] {
    RuntimeArrayStartReadAccess(a, 0);
    RuntimeArrayAddReadIndex(a, 0);
  })) << "a third index on two dimensions";
  RuntimeDisposeIntArray(a);
}

TEST_F(ArraysTest, RowsFilledFrontToBackGrowOneEntryAtATime) {
  TessArray* m = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(m, 0, 99);
  RuntimeArrayCreateAddIndex(m, 0, 99);
  for (int32_t i = 0; i < 100; ++i) {
    for (int32_t j = 0; j < 100; ++j) {
      RuntimeArrayStartWriteAccess(m, i);
      GrowableList* row = m->accessList;
      RuntimeWriteIntArray(m, j, i * 100 + j);
      ASSERT_EQ(row->count, j + 1) << i << ", " << j;
    }
    ASSERT_EQ(m->list.count, i + 1) << "the first list reaches just the rows written";
  }
  for (int32_t i = 0; i < 100; ++i) {
    for (int32_t j = 0; j < 100; ++j) ASSERT_EQ(Read2(m, i, j), i * 100 + j);
  }
  RuntimeDisposeIntArray(m);
}

TEST_F(ArraysTest, ThreeDimensionalStringsRedimAtAnInnerLevel) {
  TessArray* a = RuntimeCreateArray();
  for (int32_t ub : {1, 2, 3}) RuntimeArrayCreateAddIndex(a, 0, ub);
  StringRef s = S("cell");
  auto write = [&](int32_t i, int32_t j, int32_t k, TessString* v) {
    RuntimeArrayStartWriteAccess(a, i);
    RuntimeArrayAddWriteIndex(a, j);
    RuntimeWriteStringArray(a, k, v);
  };
  auto read = [&](int32_t i, int32_t j, int32_t k) {
    RuntimeArrayStartReadAccess(a, i);
    RuntimeArrayAddReadIndex(a, j);
    return Text(Take(RuntimeReadStringArray(a, k)).get());
  };
  write(1, 2, 3, s.get());
  write(1, 0, 1, s.get());
  write(0, 1, 0, s.get());
  EXPECT_EQ(s.get()->refCount, 4u);
  EXPECT_EQ(read(1, 2, 3), "cell");
  EXPECT_EQ(read(1, 1, 3), "");
  RuntimeRedimStringArrayLevel(a, 1, 0);  // rows j > 0 go, with their strings
  EXPECT_EQ(s.get()->refCount, 2u);
  EXPECT_EQ(RuntimeUBound2Param(a, 2), 0);
  EXPECT_EQ(read(1, 0, 1), "cell");
  RuntimeRedimStringArrayLevel(a, 2, 0);  // cells k > 0 go
  EXPECT_EQ(s.get()->refCount, 1u);
  RuntimeDisposeStringArray(a);
}

TEST_F(ArraysTest, RedimOfTheFirstDimensionReleasesWholeRowsOfObjects) {
  TessObject* o = CreateObject(Exceptions().runtimeException);
  TessArray* a = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(a, 0, 3);
  RuntimeArrayCreateAddIndex(a, 0, 1);
  for (int32_t i : {0, 2, 3}) {
    RuntimeArrayStartWriteAccess(a, i);
    RuntimeWriteObjectArray(a, 1, o);
  }
  EXPECT_EQ(Header(o)->refCount, 4);
  RuntimeArrayStartReadAccess(a, 2);
  TessObject* read = RuntimeReadObjectArray(a, 1);
  EXPECT_EQ(read, o);
  RuntimeUnlockObject(read);
  const size_t before = HeapBytesInUse();
  RuntimeRedimObjectArrayLevel(a, 0, 1);
  EXPECT_EQ(Header(o)->refCount, 2) << "rows 2 and 3 went with their objects";
  EXPECT_LT(HeapBytesInUse(), before) << "and their lists were freed";
  RuntimeArrayStartReadAccess(a, 0);
  EXPECT_EQ(RuntimeReadObjectArray(a, 0), nullptr);
  RuntimeDisposeObjectArray(a);
  EXPECT_EQ(Header(o)->refCount, 1);
  RuntimeUnlockObject(o);
}

TEST_F(ArraysTest, SortsNumbersAscending) {
  struct Case {
    std::vector<int32_t> in;
    std::vector<int32_t> out;
  };
  const Case cases[] = {
      {{3, 1, 2}, {1, 2, 3}},
      {{}, {}},
      {{5}, {5}},
      {{9, -1, 7, 7, 0, 3, 12, -40, 2, 2, 8, 1, 0}, {-40, -1, 0, 0, 1, 2, 2, 3, 7, 7, 8, 9, 12}},
      {{6, 5, 4, 3, 2, 1}, {1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    TessArray* a = OneDimensional(int32_t(c.in.size()) - 1);
    for (size_t i = 0; i < c.in.size(); ++i) RuntimeDirectWriteIntArray(a, int32_t(i), c.in[i]);
    RuntimeIntArraySort(a);
    EXPECT_EQ(Ints(a), c.out);
    RuntimeDisposeIntArray(a);
  }
  TessArray* big = OneDimensional(2999);
  for (int32_t i = 0; i < 3000; ++i) RuntimeDirectWriteIntArray(big, i, (i * 7919) % 1000);
  RuntimeIntArraySort(big);
  std::vector<int32_t> sorted = Ints(big);
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
  RuntimeDisposeIntArray(big);
}

TEST_F(ArraysTest, SortCompletesTheListWithZerosFirst) {
  TessArray* a = OneDimensional(4);
  RuntimeDirectWriteIntArray(a, 0, 9);
  RuntimeIntArrayRemove(a, 4);  // upper bound 3, stored count 4
  RuntimeRedimIntArrayLevel(a, 0, 5);
  RuntimeIntArraySort(a);
  EXPECT_EQ(a->list.count, 6);
  EXPECT_EQ(Ints(a), (std::vector<int32_t>{0, 0, 0, 0, 0, 9}));
  RuntimeDisposeIntArray(a);
}

TEST_F(ArraysTest, StringSortUsesTheCaseSensitiveLocaleOrder) {
  const std::string userLocale = platform::GetUserLocale();
  platform::SetUserLocale("en_US");
  TessArray* a = OneDimensional(-1);
  for (const char* t : {"banana", "Cherry", "apple", "Apple", "", "cherry"}) {
    RuntimeStringArrayAppend(a, S(t).get());
  }
  RuntimeStringArraySort(a);
  EXPECT_EQ(Texts(a),
            (std::vector<std::string>{"", "apple", "Apple", "banana", "cherry", "Cherry"}));
  RuntimeDisposeStringArray(a);
  platform::SetUserLocale(userLocale);
}

TEST_F(ArraysTest, EqualStringsEndInTheOrderThePartitionLeavesThem) {
  // Distinct string values with equal texts: their final order is the
  // algorithm's, worked out by hand.
  std::vector<StringRef> values;
  const char* texts[] = {"b", "a", "b", "a", "b", "a", "c"};
  TessArray* a = OneDimensional(-1);
  for (const char* t : texts) {
    values.push_back(S(t));
    RuntimeStringArrayAppend(a, values.back().get());
  }
  RuntimeStringArraySort(a);
  std::vector<int> order;
  for (int32_t i = 0; i <= RuntimeUBound(a); ++i) {
    TessString* s = RuntimeDirectReadStringArray(a, i);
    for (size_t k = 0; k < values.size(); ++k) {
      if (values[k].get() == s) order.push_back(int(k));
    }
    RuntimeUnlockString(s);
  }
  EXPECT_EQ(order, (std::vector<int>{3, 1, 5, 0, 2, 4, 6}));
  RuntimeDisposeStringArray(a);
}

TEST_F(ArraysTest, HostileSizesRaiseInsteadOfWrapping) {
  TessArray* a = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(a, INT32_MIN, INT32_MAX);
  EXPECT_EQ(RuntimeUBound(a), INT32_MAX) << "the bound saturates";
  EXPECT_EQ(RaisedBy([&] { RuntimeIntArrayAppend(a, 1); }), Exceptions().outOfMemory);
  EXPECT_EQ(RaisedBy([&] { RuntimeDirectWriteDoubleArray(a, INT32_MAX - 1, 1.0); }),
            Exceptions().outOfMemory);
  EXPECT_EQ(RaisedBy([&] { RuntimeIntArraySort(a); }), Exceptions().outOfMemory);
  RuntimeDisposeIntArray(a);

  TessArray* negative = OneDimensional(-5);
  EXPECT_EQ(RuntimeUBound(negative), -5);
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeDirectReadIntArray(negative, 0); }));
  RuntimeIntArrayAppend(negative, 3);
  EXPECT_EQ(Ints(negative), (std::vector<int32_t>{3}));
  RuntimeDisposeIntArray(negative);
}

std::vector<int32_t> Bools(TessBoolArray* b) {
  std::vector<int32_t> values;
  for (int32_t i = 0; i <= RuntimeFastArrayUBound(b); ++i)
    values.push_back(RuntimeFastReadBoolArray(b, i));
  return values;
}

TEST_F(ArraysTest, FastBooleanArrays) {
  TessBoolArray* b = RuntimeCreateFastBooleanArray(4);
  EXPECT_EQ(Bools(b), (std::vector<int32_t>{0, 0, 0, 0, 0}));
  RuntimeFastWriteBoolArray(b, 4, 1);
  RuntimeFastWriteBoolArray(b, 1, 2);
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeFastReadBoolArray(b, 5); }));
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeFastWriteBoolArray(b, -1, 1); }));
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeFastArrayUBound2Param(b, 2); }));
  EXPECT_EQ(RuntimeFastArrayUBound2Param(b, -1), 1);
  EXPECT_EQ(RuntimeFastArrayUBound2Param(b, 1), 4);
  b = RuntimeFastBooleanArrayAppend(b, 1);
  b = RuntimeFastBooleanArrayInsert(b, 0, 1);
  b = RuntimeFastBooleanArrayInsert(b, 7, 0);  // at count: at the end
  EXPECT_EQ(Bools(b), (std::vector<int32_t>{1, 0, 1, 0, 0, 1, 1, 0}));
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeFastBooleanArrayInsert(b, 9, 1); }));
  b = RuntimeFastBooleanArrayRemove(b, 1);
  EXPECT_TRUE(RaisesOutOfBounds([&] { RuntimeFastBooleanArrayRemove(b, 7); }));
  EXPECT_EQ(Bools(b), (std::vector<int32_t>{1, 1, 0, 0, 1, 1, 0}));
  b = RuntimeRedimFastBoolArray(b, 1);
  b = RuntimeRedimFastBoolArray(b, 3);
  EXPECT_EQ(Bools(b), (std::vector<int32_t>{1, 1, 0, 0})) << "grown bytes read false";
  RuntimeDisposeFastBooleanArray(b);

  TessBoolArray* empty = RuntimeCreateFastBooleanArray(-7);
  EXPECT_EQ(RuntimeFastArrayUBound(empty), -1);
  EXPECT_EQ(RaisedBy([&] { RuntimeRedimFastBoolArray(empty, INT32_MAX); }),
            Exceptions().outOfMemory);
  RuntimeDisposeFastBooleanArray(empty);
}

}  // namespace
}  // namespace tess
