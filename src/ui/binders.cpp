// The binder classes, the part-object helper and the closing of bindings.
//
// stringBinder and enablingBinder store {source, dest} (locked) and register
// with a source that is a dataNotifier; every data change of the source
// runs their dataChanged, which copies the source's state into dest:
//   stringBinder: dest.setString(source.getString() or ""), an EditField
//     dest following the source itself from then on, and a Control dest
//     enabled as source.dataAvailable() (true without one);
//   enablingBinder: dest.Enabled = source.getBoolean() (false without one).
// actionBinder registers dest as an action receiver of source, listBinder
// binds dest's list to source; both keep nothing.
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/binding.h"
#include "ui/edit_field.h"
#include "ui/window_class.h"

namespace tess::ui {
namespace {

struct BinderFields {
  ObjectHeader header;
  TessObject* source;
  TessObject* dest;
};

#if defined(__i386__)
static_assert(offsetof(BinderFields, source) == 16);
static_assert(sizeof(BinderFields) == 24);
static_assert(sizeof(PartFields) == 28);
#endif

BinderFields* F(TessObject* binder) {
  return reinterpret_cast<BinderFields*>(binder);
}

uint32_t ResultOf(TessObject* object, Iface which, const char* method, uint32_t otherwise) {
  uint32_t result = otherwise;
  CallInterface(object, which, method, {}, &result);
  return result;
}

// Source and dest are held for the call: a provider or dest run from here
// may bind this binder again.
void StringBinderChanged(TessObject* self) {
  ObjectRef source = ShareObject(F(self)->source), dest = ShareObject(F(self)->dest);
  StringRef value = StringRef::Adopt(ProvidedString(source.get()));
  bool available = ResultOf(source.get(), Iface::kDataAvailableProvider, "dataAvailable", 1) & 0xFF;
  if (CallInterface(dest.get(), Iface::kStringInterface, "setString", {Arg(value.get())}) &&
      IsEditField(dest.get()))
    FollowSource(dest.get(), source.get());
  if (IsControl(dest.get())) controlEnabledSetter(dest.get(), 0, available);
}

void EnablingBinderChanged(TessObject* self) {
  ObjectRef source = ShareObject(F(self)->source), dest = ShareObject(F(self)->dest);
  bool enabled = ResultOf(source.get(), Iface::kBooleanProvider, "getBoolean", 0) & 0xFF;
  controlEnabledSetter(dest.get(), 0, enabled);
}

// bind of stringBinder and enablingBinder.
void StoringBind(TessObject* self, TessObject* source, TessObject* dest) {
  ObjectRef keep = ShareObject(self);
  BinderFields* f = F(self);
  CallInterface(f->source, Iface::kDataNotifier, "removeDataNotificationReceiver", {Arg(self)});
  LockObject(source);
  LockObject(dest);
  UnlockObject(std::exchange(f->source, source));
  UnlockObject(std::exchange(f->dest, dest));
  CallInterface(source, Iface::kDataNotifier, "addDataNotificationReceiver", {Arg(self)});
  CallInterface(self, Iface::kDataNotificationReceiver, "dataChanged");
}

void ActionBind(TessObject*, TessObject* source, TessObject* dest) {
  CallInterface(source, Iface::kActionSource, "addActionNotificationReceiver", {Arg(dest)});
}

void ListBind(TessObject*, TessObject* source, TessObject* dest) {
  CallInterface(dest, Iface::kListInterface, "BindList", {Arg(source)});
}

void DestructBinder(TessObject* self, ClassObject*) {
  UnlockObject(std::exchange(F(self)->source, nullptr));
  UnlockObject(std::exchange(F(self)->dest, nullptr));
}

const ParameterRecord kBindParameters[] = {{"source", &kBindingObjectType, {}},
                                           {"dest", &kBindingObjectType, {}}};

const MethodRecord kStringBinderMethods[] = {
    {"bind", nullptr, kBindParameters, 2, {(void*)&StoringBind}, {}},
    {"DataChanged", nullptr, nullptr, 0, {(void*)&StringBinderChanged}, {}},
};
const MethodRecord kEnablingBinderMethods[] = {
    {"bind", nullptr, kBindParameters, 2, {(void*)&StoringBind}, {}},
    {"DataChanged", nullptr, nullptr, 0, {(void*)&EnablingBinderChanged}, {}},
};
const MethodRecord kActionBinderMethods[] = {
    {"bind", nullptr, kBindParameters, 2, {(void*)&ActionBind}, {}},
};
const MethodRecord kListBinderMethods[] = {
    {"bind", nullptr, kBindParameters, 2, {(void*)&ListBind}, {}},
};

// A class of binding objects: no superclass beyond the root, no properties.
ClassObject* BuildBindingClass(const char* name, int32_t size, ClassRoutine destruct,
                               std::span<const MethodRecord> methods,
                               std::initializer_list<Iface> interfaces) {
  FrameworkClassDef def{};
  def.name = name;
  def.superclass = RootClass();
  def.instanceSize = size;
  def.destruct = destruct;
  def.methods = methods;
  ClassObject* cls = BuildFrameworkClass(def);
  DeclareInterfaces(cls, interfaces);
  return cls;
}

// --- parts

void DestructPart(TessObject* self, ClassObject*) {
  PartFields* p = reinterpret_cast<PartFields*>(self);
  RemoveAllReceivers(&p->receivers);
  UnlockObject(std::exchange(p->owner, nullptr));
}

// --- closing

std::vector<std::pair<const ClassObject*, BindingCloser>>& Closers() {
  static auto* closers = new std::vector<std::pair<const ClassObject*, BindingCloser>>();
  return *closers;
}

struct OwnerLists {
  NotificationList lists[kOwnerLists] = {};
};
std::unordered_map<TessObject*, OwnerLists>& Owners() {
  static auto* owners = new std::unordered_map<TessObject*, OwnerLists>();
  return *owners;
}

// The source each bound EditField follows (locked), by field.
std::unordered_map<TessObject*, ObjectRef>& Followed() {
  static auto* followed = new std::unordered_map<TessObject*, ObjectRef>();
  return *followed;
}

}  // namespace

void LeaveSource(TessObject* field) {
  auto it = Followed().find(field);
  if (it == Followed().end()) return;
  ObjectRef source = std::move(it->second);
  Followed().erase(it);
  CallInterface(source.get(), Iface::kDataNotifier, "removeDataNotificationReceiver", {Arg(field)});
}

void EditFieldDataChanged(TessObject* field) {
  auto it = Followed().find(field);
  if (it == Followed().end()) return;
  ObjectRef keep = ShareObject(field);
  StringRef value = StringRef::Adopt(ProvidedString(it->second.get()));
  editSetString(field, value.get());
}

ClassObject* BuildPartClass(const char* name, std::span<const MethodRecord> methods,
                            std::initializer_list<Iface> interfaces) {
  return BuildBindingClass(name, sizeof(PartFields), &DestructPart, methods, interfaces);
}

TessObject* NewPart(ClassObject* cls, TessObject* owner, int32_t value) {
  TessObject* part = CreateObject(cls);
  PartFields* p = reinterpret_cast<PartFields*>(part);
  LockObject(owner);
  p->owner = owner;
  p->value = value;
  return part;
}

PartFields* PartOf(TessObject* object, const ClassObject* cls) {
  return object && IsA(object, cls) ? reinterpret_cast<PartFields*>(object) : nullptr;
}

NotificationList* OwnerList(TessObject* owner, int which) {
  return &Owners()[owner].lists[which];
}
NotificationList* FindOwnerList(TessObject* owner, int which) {
  auto it = Owners().find(owner);
  return it == Owners().end() ? nullptr : &it->second.lists[which];
}
void EmptyOwnerLists(TessObject* owner) {
  for (int i = 0; i < kOwnerLists; ++i)
    if (NotificationList* list = FindOwnerList(owner, i)) RemoveAllReceivers(list);
}
void ForgetOwnerLists(TessObject* owner) {
  EmptyOwnerLists(owner);
  Owners().erase(owner);
}

void SetBindingCloser(ClassObject* cls, BindingCloser closer) {
  Closers().emplace_back(cls, closer);
}

void CloseBindings(TessObject* control) {
  if (!control) return;
  ObjectRef keep = ShareObject(control);
  for (const ClassObject* c = Header(control)->cls; c; c = c->superclass) {
    for (const auto& [cls, closer] : Closers()) {
      if (cls != c) continue;
      closer(control);
      return;
    }
  }
}

void FollowSource(TessObject* field, TessObject* source) {
  ObjectRef keep = ShareObject(field);
  LeaveSource(field);
  if (!source) return;
  Followed().emplace(field, ShareObject(source));
  CallInterface(source, Iface::kDataNotifier, "addDataNotificationReceiver", {Arg(field)});
  EditFieldDataChanged(field);
}

TessString* ProvidedString(TessObject* source) {
  uint32_t result = 0;
  CallInterface(source, Iface::kStringProvider, "getString", {}, &result);
  return reinterpret_cast<TessString*>(uintptr_t(result));
}

int32_t ProviderRowCount(TessObject* data) {
  return int32_t(ResultOf(data, Iface::kListDataProvider, "GetCount", 0));
}

std::vector<StringRef> ProviderRow(TessObject* data, int32_t index) {
  uint32_t row = 0;
  CallInterface(data, Iface::kListDataProvider, "GetRow", {uint32_t(index)}, &row);
  ObjectRef tuple = ObjectRef::Adopt(reinterpret_cast<TessObject*>(uintptr_t(row)));
  int32_t count = int32_t(ResultOf(tuple.get(), Iface::kTupleInterface, "FieldCount", 0));
  std::vector<StringRef> fields;
  for (int32_t i = 0; i < count; ++i) {
    uint32_t text = 0;
    CallInterface(tuple.get(), Iface::kTupleInterface, "getIndString", {uint32_t(i)}, &text);
    fields.push_back(StringRef::Adopt(reinterpret_cast<TessString*>(uintptr_t(text))));
  }
  return fields;
}

void InitBinders() {
  static bool built = false;
  if (built) return;
  built = true;
  constexpr int32_t kSize = sizeof(BinderFields);
  // The storing binders hear their source's data changes.
  BuildBindingClass("stringBinder", kSize, &DestructBinder, kStringBinderMethods,
                    {Iface::kBindingInterface, Iface::kDataNotificationReceiver});
  BuildBindingClass("enablingBinder", kSize, &DestructBinder, kEnablingBinderMethods,
                    {Iface::kBindingInterface, Iface::kDataNotificationReceiver});
  BuildBindingClass("actionBinder", kSize, &DestructBinder, kActionBinderMethods,
                    {Iface::kBindingInterface});
  BuildBindingClass("listBinder", kSize, &DestructBinder, kListBinderMethods,
                    {Iface::kBindingInterface});
}

}  // namespace tess::ui
