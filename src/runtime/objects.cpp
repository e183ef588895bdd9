#include "runtime/objects.h"

#include <mutex>
#include <optional>
#include <vector>

#include "runtime/alerts.h"
#include "runtime/concurrency.h"
#include "runtime/exceptions.h"
#include "runtime/heap.h"
#include "runtime/name_fold.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

namespace detail {
std::atomic<bool> g_threaded{false};
thread_local bool t_worker = false;
}  // namespace detail

void BeginThreaded() {
  detail::g_threaded.store(true, std::memory_order_seq_cst);
}

namespace {

ObjectHeader* g_newest = nullptr;
// Each thread destroys what it releases: the pending stack and the flag of
// the destruction loop are its own.
thread_local std::vector<ObjectHeader*> t_pendingDestruction;
thread_local bool t_destroying = false;
std::vector<ClassObject*> g_classTable;

StaticString g_rootName("Object");
ClassObject g_rootClass = [] {
  ClassObject c{};
  c.name = g_rootName.get();
  c.instanceSize = sizeof(ObjectHeader);
  c.isFramework = 1;
  return c;
}();

// Framework routines are runtime code; an application's are compiled code
// and are called behind a barrier, so a raise inside comes back as a throw.
void RunRoutine(ClassRoutine routine, TessObject* object, ClassObject* cls) {
  if (cls->isFramework) {
    routine(object, cls);
  } else {
    CallCompiled(reinterpret_cast<const void*>(routine),
                 {uint32_t(reinterpret_cast<uintptr_t>(object)),
                  uint32_t(reinterpret_cast<uintptr_t>(cls))});
  }
}

void Construct(TessObject* object, ClassObject* cls) {
  if (!cls) return;
  Construct(object, cls->superclass);
  if (cls->construct) RunRoutine(cls->construct, object, cls);
}

void Unlink(ObjectHeader* o) {
  LiveListGuard guard;
  (o->previous ? o->previous->next : g_newest) = o->next;
  if (o->next) o->next->previous = o->previous;
  o->previous = o->next = nullptr;
}

void Destroy(ObjectHeader* o) {
  Unlink(o);
  t_pendingDestruction.push_back(o);
  o->refCount = 1;
  if (t_destroying) return;  // the loop further up the stack takes it
  t_destroying = true;
  // A destruction routine that raises does not stop the others or leave
  // objects pending; the first exception goes on once all are destroyed.
  std::optional<LanguageException> raised;
  while (!t_pendingDestruction.empty()) {
    ObjectHeader* victim = t_pendingDestruction.back();
    t_pendingDestruction.pop_back();
    for (ClassObject* c = victim->cls; c; c = c->superclass) {
      if (!c->destruct) continue;
      try {
        RunRoutine(c->destruct, AsObject(victim), c);
      } catch (LanguageException& e) {
        if (!raised) raised.emplace(std::move(e));
      }
    }
    HeapFree(victim, AllocationSize(victim->cls));
  }
  t_destroying = false;
  if (raised) throw std::move(*raised);
}

bool Implements(const ClassObject* cls, const ClassObject* interface) {
  for (; cls; cls = cls->superclass) {
    for (const InterfaceEntry* e = cls->interfaces; e; e = e->next) {
      if (e->interface == interface) return true;
    }
  }
  return false;
}

}  // namespace

uint32_t AllocationSize(const ClassObject* cls) {
  uint32_t size = cls->instanceSize < int32_t(sizeof(ObjectHeader)) ? sizeof(ObjectHeader)
                                                                    : uint32_t(cls->instanceSize);
  return (size + 3) / 4 * 4;
}

TessObject* CreateObject(ClassObject* cls) {
  auto* o = static_cast<ObjectHeader*>(HeapAllocate(AllocationSize(cls)));
  o->refCount = 1;
  o->cls = cls;
  TessObject* object = AsObject(o);
  try {
    Construct(object, cls);
  } catch (LanguageException&) {
    // Never linked, never fully built: freed without destruction routines.
    HeapFree(o, AllocationSize(cls));
    throw;
  }
  LiveListGuard guard;
  o->previous = nullptr;
  o->next = g_newest;
  if (g_newest) g_newest->previous = o;
  g_newest = o;
  return object;
}

void LockObject(TessObject* object) {
  if (!object) return;
  if (Threaded()) {
    std::atomic_ref<int32_t>(Header(object)->refCount).fetch_add(1, std::memory_order_relaxed);
  } else {
    ++Header(object)->refCount;
  }
}

void UnlockObject(TessObject* object) {
  if (!object) return;
  ObjectHeader* o = Header(object);
  uint32_t count = uint32_t(o->refCount);
  if (count < 1 || count > 0xD0000000u) {
    InternalAssertion(kUnlockCountOutOfRange);
    return;
  }
  int32_t left =
      Threaded() ? std::atomic_ref<int32_t>(o->refCount).fetch_sub(1, std::memory_order_acq_rel) - 1
                 : --o->refCount;
  if (left == 0) Destroy(o);
}

namespace {
std::recursive_mutex& LiveListLock() {
  static std::recursive_mutex lock;
  return lock;
}
}  // namespace

LiveListGuard::LiveListGuard() : locked_(Threaded()) {
  if (locked_) LiveListLock().lock();
}
LiveListGuard::~LiveListGuard() {
  if (locked_) LiveListLock().unlock();
}

void SetClassTable(std::span<ClassObject* const> classes) {
  g_classTable.assign(classes.begin(), classes.end());
}

ClassObject* ClassAt(int32_t index) {
  if (index < 0 || size_t(index) >= g_classTable.size()) return nullptr;
  return g_classTable[size_t(index)];
}

ClassObject* RootClass() {
  return &g_rootClass;
}

bool IsA(TessObject* object, const ClassObject* target) {
  if (!object || !target) return false;
  if (target == &g_rootClass) return true;
  const ClassObject* cls = Header(object)->cls;
  if (target->isInterface) return Implements(cls, target);
  for (; cls; cls = cls->superclass) {
    if (cls == target) return true;
  }
  return false;
}

void* FindHook(TessObject* object, const EventDescriptor* event) {
  if (!event) {
    InternalAssertion(kHookWithoutEvent);
    return nullptr;
  }
  if (!object) return nullptr;
  std::string_view name = View(event->name);
  void* found = nullptr;
  for (const ClassObject* c = Header(object)->cls; c; c = c->superclass) {
    for (const EventDescriptor* e = c->events; e; e = e->next) {
      if (e == event) return found;
      if (SameName(View(e->name), name)) found = nullptr;
    }
    for (const HookDescriptor* h = c->hooks; h; h = h->next) {
      if (SameName(View(h->name), name)) found = h->code;
    }
  }
  return found;
}

ObjectHeader* NewestLiveObject() {
  return g_newest;
}

const TessString* NearestClassName(const ClassObject* cls) {
  for (; cls; cls = cls->superclass) {
    if (Length(cls->name) > 0) return cls->name;
  }
  return nullptr;
}

}  // namespace tess

extern "C" {

__attribute__((visibility("hidden"))) void tessLockObjectCore(TessObject* object) {
  tess::LockObject(object);
}
__attribute__((visibility("hidden"))) void tessUnlockObjectCore(TessObject* object) {
  tess::AtEntry([object] { tess::UnlockObject(object); });
}

int32_t RuntimeObjectIsa(TessObject* object, int32_t classIndex) {
  return tess::IsA(object, tess::ClassAt(classIndex)) ? 1 : 0;
}

void RuntimeCheckCast(TessObject* object, int32_t classIndex) {
  if (!object || tess::IsA(object, tess::ClassAt(classIndex))) return;
  tess::AtEntry([] { tess::Raise(tess::RuntimeError::kIllegalCast); });
}

void* FindVTableCode(TessObject* object, int32_t slot) {
  if (!object) return nullptr;
  const tess::ClassObject* cls = tess::Header(object)->cls;
  if (slot < 0 || uint32_t(slot) >= cls->methodTableLength) return nullptr;
  return cls->methodTable[slot];
}

void* FindInterfaceVTableCode(TessObject* object, int32_t slot, int32_t interfaceIndex) {
  const tess::ClassObject* interface = tess::ClassAt(interfaceIndex);
  if (!object || !interface) return nullptr;
  for (const tess::ClassObject* c = tess::Header(object)->cls; c; c = c->superclass) {
    for (const tess::InterfaceEntry* e = c->interfaces; e; e = e->next) {
      if (e->interface != interface) continue;
      if (slot < 0 || uint32_t(slot) >= e->methodTableLength) return nullptr;
      return e->methodTable[slot];
    }
  }
  return nullptr;
}

void* RuntimeFindHookCode(TessObject* object, int32_t eventId) {
  if (!object) return nullptr;
  for (const tess::ClassObject* c = tess::Header(object)->cls; c; c = c->superclass) {
    for (const tess::HookDescriptor* h = c->hooks; h; h = h->next) {
      if (h->eventNumber == eventId) return h->code;
    }
  }
  return nullptr;
}

}  // extern "C"
