// Objects: creation, reference counts, the re-entrant destruction loop, the
// live-object list, type tests, method and interface dispatch and hook lookup.
//
// Once threads run (runtime/concurrency.h) reference counts change atomically
// and the live list is locked, so objects the runtime shares behind the
// application's back (class singletons, the application object) stay sound;
// an object's own fields are shared only under the application's locks. Each
// thread destroys the objects it releases last. A destroyed
// object's count is reset to 1 while its destruction routines run, so
// references taken and dropped meanwhile never destroy it twice; an object
// released during another's destruction waits on the pending stack until the
// outer destruction finishes.
#pragma once

#include <cstdint>
#include <span>

#include "base/owned.h"
#include "runtime/object_layout.h"

namespace tess {

// A new object of `cls` with count 1: zeroed fields, construction routines run
// from the root class down, linked at the head of the live list.
TessObject* CreateObject(ClassObject* cls);

void LockObject(TessObject* object);
void UnlockObject(TessObject* object);

// One owned object reference, released when the holder goes.
using ObjectRef = Owned<TessObject, UnlockObject>;
// A new reference to `object` (nil allowed) held by the returned holder.
inline ObjectRef ShareObject(TessObject* object) {
  LockObject(object);
  return ObjectRef::Adopt(object);
}

// Size an object of `cls` occupies: the instance size rounded up to 4.
uint32_t AllocationSize(const ClassObject* cls);

// The application's class table, indexed by compiled code's class indices.
void SetClassTable(std::span<ClassObject* const> classes);
ClassObject* ClassAt(int32_t index);  // null outside the table
// The root class; the type test against it succeeds for any object.
ClassObject* RootClass();

bool IsA(TessObject* object, const ClassObject* target);

// The handler of `event` for `object`: searched from the object's class up,
// where a class that defines the event itself ends the search and a class
// that defines another event of the same name forgets what was found below.
void* FindHook(TessObject* object, const EventDescriptor* event);

// Live objects, newest first. Walk them holding a LiveListGuard.
ObjectHeader* NewestLiveObject();

// Holds the live-object list still while threads run; free otherwise.
// Re-entrant: a walk may create and release objects on its own thread.
class LiveListGuard {
 public:
  LiveListGuard();
  ~LiveListGuard();
  LiveListGuard(const LiveListGuard&) = delete;
  LiveListGuard& operator=(const LiveListGuard&) = delete;

 private:
  bool locked_;
};

// Nearest named class in the chain of `cls`; null when none has a name.
const TessString* NearestClassName(const ClassObject* cls);

}  // namespace tess
