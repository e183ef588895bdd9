#include "runtime/debug_objects.h"

#include <string>

#include "platform/kernel/process.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

namespace {

DumpWriter g_dumpWriter = nullptr;

// The index-th live object from the newest, skipping `exclude`.
ObjectHeader* LiveObject(TessObject* exclude, int32_t index) {
  if (index < 0) return nullptr;
  for (ObjectHeader* o = NewestLiveObject(); o; o = o->next) {
    if (AsObject(o) == exclude) continue;
    if (index-- == 0) return o;
  }
  return nullptr;
}

StaticString g_debuggerName("Sys$Debugger");
ClassObject g_debuggerClass = [] {
  ClassObject c{};
  c.superclass = RootClass();
  c.name = g_debuggerName.get();
  c.instanceSize = 16;
  c.isFramework = 1;
  return c;
}();
TessObject* g_debugger = nullptr;

}  // namespace

void DumpObjects(const std::function<void(std::string_view line)>& write) {
  write(std::to_string(HeapBytesInUse()) + " used in heap1");
  LiveListGuard guard;
  int32_t count = 0;
  for (ObjectHeader* o = NewestLiveObject(); o; o = o->next) ++count;
  write(std::to_string(count) + " objects");
  for (ObjectHeader* o = NewestLiveObject(); o; o = o->next) {
    const TessString* name = NearestClassName(o->cls);
    write(name ? View(name) : std::string_view("<Unnamed object class>"));
  }
}

void SetDumpWriter(DumpWriter writer) {
  g_dumpWriter = writer;
}

}  // namespace tess

extern "C" {

int32_t RuntimeDebugObjectCount(TessObject* exclude) {
  tess::LiveListGuard guard;
  int32_t count = 0;
  for (tess::ObjectHeader* o = tess::NewestLiveObject(); o; o = o->next) {
    if (tess::AsObject(o) != exclude) ++count;
  }
  return count;
}

int32_t RuntimeDebugObjectID(TessObject* exclude, int32_t index) {
  tess::LiveListGuard guard;
  tess::ObjectHeader* o = tess::LiveObject(exclude, index);
  return o ? int32_t(uint32_t(reinterpret_cast<uintptr_t>(o)) ^ 0x15C7A3u) : 0;
}

TessString* RuntimeDebugObjectClass(TessObject* exclude, int32_t index) {
  tess::LiveListGuard guard;
  tess::ObjectHeader* o = tess::LiveObject(exclude, index);
  if (!o) return nullptr;
  return tess::Share(const_cast<TessString*>(tess::NearestClassName(o->cls)));
}

int32_t RuntimeDebugObjectRefs(TessObject* exclude, int32_t index) {
  tess::LiveListGuard guard;
  tess::ObjectHeader* o = tess::LiveObject(exclude, index);
  return o ? o->refCount : 0;
}

int32_t RuntimeDebugMemoryUsed() {
  return int32_t(tess::HeapBytesInUse());
}

TessObject* RuntimeDebugInstance() {
  // The runtime keeps a reference of its own, so a caller that releases the
  // object never leaves the next caller a destroyed one.
  if (!tess::g_debugger) tess::g_debugger = tess::CreateObject(&tess::g_debuggerClass);
  tess::LockObject(tess::g_debugger);
  return tess::g_debugger;
}

void debugDumpObjects(TessObject* output) {
  tess::DumpObjects([output](std::string_view line) {
    if (output && tess::g_dumpWriter) {
      tess::g_dumpWriter(output, line);
    } else {
      tess::platform::OutputDebugString((std::string(line) + "\n").c_str());
    }
  });
}

}  // extern "C"
