#include "runtime/interfaces.h"

#include <array>
#include <span>

#include "runtime/alerts.h"
#include "runtime/assertions.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/heap.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"

namespace tess {
namespace {

MethodRecord Named(const char* name) {
  return MethodRecord{name, nullptr, nullptr, 0, {}, {}};
}

struct InterfaceDef {
  const char* name;
  std::initializer_list<const char*> methods;
};

// In Iface order.
const InterfaceDef kInterfaces[] = {
    {"StringProvider", {"getString"}},
    {"StringInterface", {"setString"}},
    {"ListInterface", {"BindList"}},
    {"BooleanProvider", {"getBoolean", "setBoolean"}},
    {"actionSource", {"addActionNotificationReceiver", "removeActionNotificationReceiver"}},
    {"actionNotificationReceiver", {"PerformAction"}},
    {"DataAvailableProvider", {"dataAvailable"}},
    {"dataNotifier", {"addDataNotificationReceiver", "removeDataNotificationReceiver"}},
    {"dataNotificationReceiver", {"dataChanged"}},
    {"listSelectionNotifier",
     {"addListSelectionNotificationReceiver", "removeListSelectionNotificationReceiver"}},
    {"listSelectionNotificationReceiver", {"selectionChanging", "selectionChanged"}},
    {"bindingInterface", {"bind"}},
    {"bindingPartInterface", {"getBoundPart"}},
    {"listDataProvider", {"GetCount", "GetRow"}},
    {"listDataNotifier", {"addListDataNotificationReceiver", "removeListDataNotificationReceiver"}},
    {"listDataNotificationReceiver",
     {"listDataInsertedRow", "listDataRemovedRow", "listDataReload"}},
    {"tupleInterface", {"FieldCount", "getIndString"}},
};
static_assert(std::size(kInterfaces) == size_t(Iface::kCount));

std::array<ClassObject*, size_t(Iface::kCount)> g_interfaces{};

ClassObject* BuildInterface(const InterfaceDef& def) {
  // The method records are read once, while the class is built.
  MethodRecord methods[4];
  size_t count = 0;
  for (const char* name : def.methods) methods[count++] = Named(name);
  FrameworkClassDef cls{};
  cls.name = def.name;
  cls.methods = std::span<const MethodRecord>(methods, count);
  ClassObject* built = BuildFrameworkClass(cls);
  built->isInterface = 1;
  // Slots from 1 in method order, as linking numbers them.
  uint32_t slot = 0;
  for (MethodDescriptor* m = built->methods; m; m = m->next) {
    m->flags |= kInterfaceMethod;
    m->interfaceSlot = ++slot;
  }
  return built;
}

}  // namespace

void InitInterfaceClasses() {
  if (g_interfaces[0]) return;
  for (size_t i = 0; i < g_interfaces.size(); ++i) g_interfaces[i] = BuildInterface(kInterfaces[i]);
}

ClassObject* InterfaceClass(Iface which) {
  InitInterfaceClasses();
  return g_interfaces[size_t(which)];
}

void DeclareInterfaces(ClassObject* cls, std::initializer_list<Iface> interfaces) {
  for (Iface which : interfaces) {
    auto* entry = static_cast<InterfaceEntry*>(AllocateInternalBlock(sizeof(InterfaceEntry)));
    entry->interface = InterfaceClass(which);
    entry->next = cls->interfaces;
    cls->interfaces = entry;
    LinkInterfaceEntry(cls, entry);
  }
}

bool Implements(TessObject* object, const ClassObject* interface) {
  return interface && interface->isInterface && IsA(object, interface);
}

void* FindInterfaceMethod(TessObject* object, const ClassObject* interface,
                          std::string_view method) {
  if (!object || !interface) return nullptr;
  uint32_t slot = 0;
  for (const MethodDescriptor* m = interface->methods; m && !slot; m = m->next)
    if (SameName(View(m->name), method)) slot = m->interfaceSlot;
  if (!slot) return nullptr;
  for (const ClassObject* c = Header(object)->cls; c; c = c->superclass) {
    for (const InterfaceEntry* e = c->interfaces; e; e = e->next) {
      if (e->interface != interface) continue;
      if (slot >= e->methodTableLength) {
        InternalAssertion(kInterfaceSlotOutOfRange);
        return nullptr;
      }
      return e->methodTable[slot];
    }
  }
  return nullptr;
}

bool CallInterface(TessObject* object, Iface which, std::string_view method,
                   std::initializer_list<uint32_t> args, uint32_t* result) {
  void* code = FindInterfaceMethod(object, InterfaceClass(which), method);
  if (!code) return false;
  uint32_t words[4];
  if (args.size() >= std::size(words)) {
    InternalAssertion(kFailedCheck, kSourceRuntimeMain, __LINE__);
    return false;
  }
  words[0] = Arg(object);
  std::copy(args.begin(), args.end(), words + 1);
  uint32_t value = CallCompiled(code, std::span<const uint32_t>(words, args.size() + 1));
  if (result) *result = value;
  return true;
}

}  // namespace tess
