#include "values/dictionary.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/kernel/process.h"
#include "runtime/alerts.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "tessera/runtime.h"
#include "values/assertions.h"
#include "values/variant.h"

namespace tess {

namespace {

static_assert(offsetof(DictionaryFields, growthStep) == 4);
static_assert(offsetof(DictionaryFields, busy) == 28);
#if defined(__i386__)
static_assert(sizeof(DictionaryFields) == 32);
#endif

constexpr int32_t kPrimes[] = {61, 127, 251, 509, 1021, 2039, 4093, 8191, 16381, 32749, 65521};
constexpr int32_t kMaxGrowthStep = 1024;

ClassObject* g_dictionary = nullptr;

// A step of 0 (a fixed count below 4 bins) would never let the dense array
// grow; one entry at a time is the least that works.
int32_t GrowthStepFor(int32_t bins) {
  return std::clamp(bins / 4, 1, kMaxGrowthStep);
}

int32_t AutomaticBinCount(int32_t count) {
  int32_t wanted = int32_t(int64_t(count) * 4 / 3);
  for (size_t i = 0; i + 1 < std::size(kPrimes); ++i) {
    if (kPrimes[i] >= wanted) return kPrimes[i];
  }
  return kPrimes[std::size(kPrimes) - 1];
}

// References dropped once the dictionary is consistent and no longer busy:
// releasing a value may run a destructor that uses the dictionary again.
class PendingReleases {
 public:
  PendingReleases() = default;
  PendingReleases(const PendingReleases&) = delete;
  PendingReleases& operator=(const PendingReleases&) = delete;
  ~PendingReleases() {
    for (TessObject* o : objects_) UnlockObject(o);
  }
  void Add(TessObject* o) { objects_.push_back(o); }

 private:
  std::vector<TessObject*> objects_;
};

// Operations wait while another thread's operation on the same dictionary
// runs. The flag is taken atomically, so two threads that share a dictionary
// without a lock of their own still never interleave inside it.
class Busy {
 public:
  explicit Busy(DictionaryFields* d) : d_(d) {
    std::atomic_ref<decltype(d->busy)> busy(d_->busy);
    for (;;) {
      decltype(d->busy) idle = 0;
      if (busy.compare_exchange_weak(idle, 1, std::memory_order_acquire)) break;
      platform::SwitchToThread();
    }
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
  ~Busy() { std::atomic_ref<decltype(d_->busy)>(d_->busy).store(0, std::memory_order_release); }

 private:
  DictionaryFields* d_;
};

DictionaryFields* Checked(TessObject* dictionary) {
  if (!dictionary) Raise(RuntimeError::kNilObject);
  return DictionaryData(dictionary);
}

DictionaryEntry* Find(DictionaryFields* d, TessObject* key, uint32_t hash) {
  for (DictionaryEntry* e = d->bins[hash % uint32_t(d->binCount)]; e; e = e->next) {
    if (e->hash == hash && EqualVariants(e->key, key)) return e;
  }
  return nullptr;
}

// False, and nothing changed, when the chain heads cannot be allocated.
bool Rebuild(DictionaryFields* d, int32_t bins) {
  if (bins == d->binCount) return true;
  if (size_t(bins) > SIZE_MAX / sizeof(void*)) return false;
  auto* heads = static_cast<DictionaryEntry**>(HeapTryAllocate(size_t(bins) * sizeof(void*)));
  if (!heads) return false;
  HeapFree(d->bins, size_t(d->binCount) * sizeof(void*));
  d->bins = heads;
  d->binCount = bins;
  for (int32_t i = 0; i < d->count; ++i) {
    DictionaryEntry* e = d->entries[i];
    DictionaryEntry*& head = heads[e->hash % uint32_t(bins)];
    e->next = head;
    head = e;
  }
  d->growthStep = GrowthStepFor(bins);
  return true;
}

void ResizeDense(DictionaryFields* d, int32_t capacity) {
  d->entries = static_cast<DictionaryEntry**>(HeapResize(
      d->entries, size_t(d->capacity) * sizeof(void*), size_t(capacity) * sizeof(void*)));
  d->capacity = capacity;
}

void Reset(DictionaryFields* d) {
  d->bins = static_cast<DictionaryEntry**>(HeapAllocate(kInitialBinCount * sizeof(void*)));
  d->binCount = kInitialBinCount;
  d->growthStep = GrowthStepFor(kInitialBinCount);
  d->fixedBins = 0;
}

// Empties the dictionary, handing every key and value to `releases`.
void RemoveAll(DictionaryFields* d, PendingReleases& releases) {
  for (int32_t i = 0; i < d->count; ++i) {
    releases.Add(d->entries[i]->key);
    releases.Add(d->entries[i]->value);
    FreeInternalBlock(d->entries[i]);
  }
  HeapFree(d->entries, size_t(d->capacity) * sizeof(void*));
  HeapFree(d->bins, size_t(d->binCount) * sizeof(void*));
  d->entries = nullptr;
  d->count = d->capacity = 0;
  d->bins = nullptr;
  d->binCount = 0;
}

void Construct(TessObject* object, ClassObject*) {
  Reset(DictionaryData(object));
}

void Destruct(TessObject* object, ClassObject*) {
  PendingReleases releases;
  RemoveAll(DictionaryData(object), releases);
}

void Assign(DictionaryFields* d, TessObject* key, TessObject* value, PendingReleases& releases) {
  uint32_t hash = HashVariant(key);
  LockObject(value);
  if (DictionaryEntry* present = Find(d, key, hash)) {
    releases.Add(std::exchange(present->value, value));
    return;
  }
  auto* e = static_cast<DictionaryEntry*>(AllocateInternalBlock(sizeof(DictionaryEntry)));
  LockObject(key);
  *e = {key, value, hash, d->count, nullptr};
  DictionaryEntry*& head = d->bins[hash % uint32_t(d->binCount)];
  e->next = head;
  head = e;
  if (d->count == d->capacity) ResizeDense(d, d->capacity + d->growthStep);
  d->entries[d->count++] = e;
  if (d->count > d->binCount * 3 / 4 && !d->fixedBins) {
    // Growth is an optimisation: without the memory the chains just get longer.
    Rebuild(d, AutomaticBinCount(d->count));
  }
}

void Remove(DictionaryFields* d, TessObject* key, PendingReleases& releases) {
  uint32_t hash = HashVariant(key);
  DictionaryEntry* e = Find(d, key, hash);
  if (!e) Raise(RuntimeError::kKeyNotFound);
  DictionaryEntry** link = &d->bins[hash % uint32_t(d->binCount)];
  while (*link && *link != e) link = &(*link)->next;
  if (!*link) {
    InternalAssertion(kFailedCheck, kSourceDictionary, __LINE__);
    return;
  }
  *link = e->next;
  DictionaryEntry* last = d->entries[d->count - 1];
  d->entries[e->position] = last;
  last->position = e->position;
  d->entries[--d->count] = nullptr;
  if (d->capacity - d->count > 2 * d->growthStep) {
    ResizeDense(d, (d->count / d->growthStep + 1) * d->growthStep);
  }
  releases.Add(e->key);
  releases.Add(e->value);
  FreeInternalBlock(e);
}

const ParameterRecord kKeyParameter[] = {{"key", nullptr, {}}};
const ParameterRecord kIndexParameter[] = {{"index", &kIntegerType, {}}};

const PropertyRecord kDictionaryProperties[] = {
    {0, "Count", &kIntegerType, (void*)&dictionaryCount, nullptr, 0},
    {0, "BinCount", &kIntegerType, (void*)&dictionaryGetBins, (void*)&dictionarySetBins, 0},
};

// Value's assignment form is the method's second entry.
const MethodRecord kDictionaryMethods[] = {
    {"Value",
     nullptr,
     kKeyParameter,
     1,
     {(void*)&dictionaryValueGetter},
     {(void*)&dictionaryValueSetter}},
    {"HasKey", &kBooleanType, kKeyParameter, 1, {(void*)&dictionaryHasKey}, {}},
    {"Key", nullptr, kIndexParameter, 1, {(void*)&dictionaryKey}, {}},
    {"Remove", nullptr, kKeyParameter, 1, {(void*)&dictionaryRemove}, {}},
    {"Clear", nullptr, nullptr, 0, {(void*)&dictionaryRemoveAll}, {}},
};

}  // namespace

void InitDictionaryClass() {
  if (g_dictionary) return;
  FrameworkClassDef def{};
  def.name = "Dictionary";
  def.superclass = RootClass();
  def.instanceSize = int32_t(kDictionaryFieldsOffset + sizeof(DictionaryFields));
  def.construct = Construct;
  def.destruct = Destruct;
  def.properties = kDictionaryProperties;
  def.methods = kDictionaryMethods;
  g_dictionary = BuildFrameworkClass(def);
}

ClassObject* DictionaryClass() {
  return g_dictionary;
}

}  // namespace tess

using namespace tess;

int32_t dictionaryCount(TessObject* dictionary, uint32_t) {
  return AtEntry([&] { return Checked(dictionary)->count; });
}

int32_t dictionaryGetBins(TessObject* dictionary, uint32_t) {
  return AtEntry([&] { return Checked(dictionary)->binCount; });
}

void dictionarySetBins(TessObject* dictionary, uint32_t, int32_t bins) {
  AtEntry([&] {
    DictionaryFields* d = Checked(dictionary);
    Busy busy(d);
    bool fixed = bins > 0;
    if (!Rebuild(d, fixed ? bins : AutomaticBinCount(d->count))) {
      Raise(RuntimeError::kOutOfMemory);
    }
    d->fixedBins = fixed;
  });
}

TessObject* dictionaryValueGetter(TessObject* dictionary, TessObject* key) {
  return AtEntry([&] {
    DictionaryFields* d = Checked(dictionary);
    Busy busy(d);
    DictionaryEntry* e = Find(d, key, HashVariant(key));
    if (!e) Raise(RuntimeError::kKeyNotFound);
    LockObject(e->value);
    return e->value;
  });
}

void dictionaryValueSetter(TessObject* dictionary, TessObject* key, TessObject* value) {
  AtEntry([&] {
    PendingReleases releases;
    DictionaryFields* d = Checked(dictionary);
    Busy busy(d);
    Assign(d, key, value, releases);
  });
}

int32_t dictionaryHasKey(TessObject* dictionary, TessObject* key) {
  return AtEntry([&]() -> int32_t {
    DictionaryFields* d = Checked(dictionary);
    Busy busy(d);
    return Find(d, key, HashVariant(key)) != nullptr;
  });
}

TessObject* dictionaryKey(TessObject* dictionary, int32_t index) {
  return AtEntry([&] {
    DictionaryFields* d = Checked(dictionary);
    Busy busy(d);
    if (index < 0 || index >= d->count) Raise(RuntimeError::kOutOfBounds);
    TessObject* key = d->entries[index]->key;
    LockObject(key);
    return key;
  });
}

void dictionaryRemove(TessObject* dictionary, TessObject* key) {
  AtEntry([&] {
    PendingReleases releases;
    DictionaryFields* d = Checked(dictionary);
    Busy busy(d);
    Remove(d, key, releases);
  });
}

void dictionaryRemoveAll(TessObject* dictionary) {
  AtEntry([&] {
    PendingReleases releases;
    DictionaryFields* d = Checked(dictionary);
    Busy busy(d);
    RemoveAll(d, releases);
    Reset(d);
  });
}
