#include "runtime/class_registry.h"

#include <cstring>

#include "base/byte_order.h"
#include "platform/kernel/process.h"
#include "runtime/alerts.h"
#include "runtime/exceptions.h"
#include "runtime/heap.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/plugins.h"
#include "runtime/string_map.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

const TypeDescriptor kStringType{0, "String", {}};
const TypeDescriptor kIntegerType{0, "Integer", {}};
const TypeDescriptor kBooleanType{0, "Boolean", {}};
const TypeDescriptor kSingleType{0, "Single", {}};
const TypeDescriptor kDoubleType{0, "Double", {}};
const TypeDescriptor kColorType{0, "Color", {}};

namespace {

ClassObject* g_allClasses = nullptr;
uint32_t g_generation = 0;

StringMap& Registry() {
  static StringMap* registry = new StringMap();
  return *registry;
}

template <typename T>
T* NewRecord() {
  return static_cast<T*>(AllocateInternalBlock(sizeof(T)));
}

// Appends to a singly linked list through `next`.
template <typename T>
void Append(T** head, T* item) {
  while (*head) head = &(*head)->next;
  *head = item;
}

void Remember(ClassObject* cls) {
  cls->nextClass = g_allClasses;
  g_allClasses = cls;
}

void Register(ClassObject* cls) {
  if (cls->name) Registry().Set(cls->name, uint32_t(reinterpret_cast<uintptr_t>(cls)));
}

// Reads little-endian words of an image record, refusing to leave the data
// segment: a damaged descriptor stops with an assertion instead of reading
// stray memory.
class RecordReader {
 public:
  RecordReader(const uint8_t* at, std::span<const uint8_t> segment) : at_(at), segment_(segment) {}
  bool ok() const { return ok_; }
  uint32_t Word() {
    if (!ok_ || !Inside(at_, 4)) {
      ok_ = false;
      return 0;
    }
    uint32_t w = le32(at_);
    at_ += 4;
    return w;
  }
  // A string constant of the image, or null for 0 or a damaged address.
  TessString* String() {
    uint32_t address = Word();
    if (address == 0) return nullptr;
    auto* s = reinterpret_cast<TessString*>(uintptr_t(address));
    if (!Inside(reinterpret_cast<const uint8_t*>(s), sizeof(TessString))) {
      ok_ = false;
      return nullptr;
    }
    if (s->length > 0 && !Inside(s->buffer, uint32_t(s->length) + 1)) {
      ok_ = false;
      return nullptr;
    }
    return s;
  }
  const uint8_t* position() const { return at_; }

 private:
  bool Inside(const uint8_t* p, uint32_t size) const {
    if (segment_.empty()) return true;  // no segment to check against
    auto start = reinterpret_cast<uintptr_t>(segment_.data());
    auto at = reinterpret_cast<uintptr_t>(p);
    return at >= start && at - start <= segment_.size() && size <= segment_.size() - (at - start);
  }
  const uint8_t* at_;
  std::span<const uint8_t> segment_;
  bool ok_ = true;
};

struct PropertyType {
  const TypeDescriptor* type;
  void* getter;
  void* setter;
};

bool TypeOfCode(uint32_t code, PropertyType* out) {
  switch (code) {
    case 1:
      *out = {&kStringType, (void*)&stringGetter, (void*)&stringSetter};
      return true;
    case 2:
      *out = {&kIntegerType, (void*)&intGetter, (void*)&intSetter};
      return true;
    case 3:
      *out = {&kColorType, (void*)&intGetter, (void*)&intSetter};
      return true;
    case 4:
      *out = {&kSingleType, (void*)&singleGetter, (void*)&singleSetter};
      return true;
    case 5:
      *out = {&kDoubleType, (void*)&doubleGetter, (void*)&doubleSetter};
      return true;
    case 6:
      *out = {&kBooleanType, (void*)&boolGetter, (void*)&boolSetter};
      return true;
    default:
      return false;
  }
}

// First pass over one kind-0 record: everything but the superclass.
ClassObject* ReadApplicationClass(RecordReader& r, const std::vector<ClassObject*>& table,
                                  int32_t* superIndex) {
  auto* cls = NewRecord<ClassObject>();
  cls->instanceSize = int32_t(r.Word());
  cls->name = r.String();
  *superIndex = int32_t(r.Word());
  if (r.Word() != 0) {
    cls->construct = reinterpret_cast<ClassRoutine>(uintptr_t(r.Word()));
    cls->destruct = reinterpret_cast<ClassRoutine>(uintptr_t(r.Word()));
  }
  cls->isInterface = uint8_t(r.Word() & 0xFF);
  for (uint32_t n = r.Word(), i = 0; r.ok() && i < n; ++i) {
    uint32_t index = r.Word();
    auto* entry = NewRecord<InterfaceEntry>();
    entry->interface = index < table.size() ? table[index] : nullptr;
    entry->next = cls->interfaces;
    cls->interfaces = entry;
  }
  for (uint32_t n = r.Word(), i = 0; r.ok() && i < n; ++i) {
    auto* m = NewRecord<MethodDescriptor>();
    m->name = r.String();
    m->record[0] = uint32_t(reinterpret_cast<uintptr_t>(m->name));
    m->record[1] = r.Word();  // parameter declaration
    m->record[2] = r.Word();  // return type
    uint32_t code = r.Word();
    m->flags = r.Word();
    if (!cls->isInterface) m->entry[0] = reinterpret_cast<void*>(uintptr_t(code));
    Append(&cls->methods, m);
  }
  for (uint32_t n = r.Word(), i = 0; r.ok() && i < n; ++i) {
    auto* h = NewRecord<HookDescriptor>();
    h->name = r.String();
    h->code = reinterpret_cast<void*>(uintptr_t(r.Word()));
    h->eventNumber = int32_t(r.Word());
    h->next = cls->hooks;
    cls->hooks = h;
  }
  for (uint32_t n = r.Word(), i = 0; r.ok() && i < n; ++i) {
    auto* e = NewRecord<DeclaredEvent>();
    e->name = r.String();
    e->number = int32_t(r.Word());
    e->next = cls->declaredEvents;
    cls->declaredEvents = e;
  }
  for (uint32_t n = r.Word(), i = 0; r.ok() && i < n; ++i) {
    TessString* name = r.String();
    uint32_t code = r.Word(), offset = r.Word(), attributes = r.Word();
    PropertyType type;
    if (!TypeOfCode(code, &type)) continue;  // unknown types are dropped
    auto* p = NewRecord<PropertyDescriptor>();
    *p = PropertyDescriptor{nullptr, name, type.type, attributes, type.getter, type.setter, offset};
    Append(&cls->properties, p);
  }
  cls->methodTableLength = r.Word();
  cls->methodTable = reinterpret_cast<void**>(const_cast<uint8_t*>(r.position()));
  for (uint32_t i = 0; r.ok() && i < cls->methodTableLength; ++i) r.Word();
  return cls;
}

bool LinkClass(ClassObject* cls) {
  if (cls->isInterface || cls->linkGeneration == g_generation) return true;
  cls->linkGeneration = g_generation;
  if (!cls->isFramework && cls->superclass && !LinkClass(cls->superclass)) return false;
  for (InterfaceEntry* entry = cls->interfaces; entry; entry = entry->next) {
    if (!LinkInterfaceEntry(cls, entry)) return false;
  }
  return true;
}

}  // namespace

bool LinkInterfaceEntry(const ClassObject* cls, InterfaceEntry* entry) {
  if (!entry->interface) return true;
  uint32_t count = 0;
  for (MethodDescriptor* m = entry->interface->methods; m; m = m->next) ++count;
  entry->methodTableLength = count + 1;
  entry->methodTable = static_cast<void**>(AllocateInternalBlock((count + 1) * sizeof(void*)));
  for (MethodDescriptor* m = entry->interface->methods; m; m = m->next) {
    void* code = nullptr;
    for (const ClassObject* c = cls; c && !code; c = c->superclass) {
      for (const MethodDescriptor* own = c->methods; own; own = own->next) {
        if (SameName(View(own->name), View(m->name))) {
          code = own->entry[0];
          break;
        }
      }
    }
    if (!code) {
      InternalAssertion(kInterfaceMethodMissing);
      return false;
    }
    entry->methodTable[m->interfaceSlot] = code;
  }
  return true;
}

ClassObject* BuildFrameworkClass(const FrameworkClassDef& def) {
  auto* cls = NewRecord<ClassObject>();
  cls->name = MakeString(def.name);
  cls->superclass = def.superclass;
  cls->instanceSize = def.instanceSize;
  cls->construct = def.construct;
  cls->destruct = def.destruct;
  cls->isFramework = 1;
  for (const PropertyRecord& record : def.properties) {
    auto* p = NewRecord<PropertyDescriptor>();
    *p = PropertyDescriptor{nullptr,       MakeString(record.name), record.type,     record.flags,
                            record.getter, record.setter,           record.parameter};
    Append(&cls->properties, p);
  }
  for (const MethodRecord& record : def.methods) {
    auto* m = NewRecord<MethodDescriptor>();
    m->name = MakeString(record.name);
    m->record[0] = uint32_t(reinterpret_cast<uintptr_t>(record.name));
    m->record[1] = uint32_t(reinterpret_cast<uintptr_t>(record.returnType));
    m->record[2] = uint32_t(reinterpret_cast<uintptr_t>(record.parameters));
    m->record[3] = record.parameterCount;
    std::memcpy(m->entry, record.entry, sizeof m->entry);
    std::memcpy(m->secondEntry, record.secondEntry, sizeof m->secondEntry);
    Append(&cls->methods, m);
  }
  for (EventRecord& record : def.events) {
    auto* e = NewRecord<EventDescriptor>();
    *e = EventDescriptor{nullptr, MakeString(record.name), record.parameters, record.returnType};
    record.descriptor = e;
    Append(&cls->events, e);
  }
  Register(cls);
  Remember(cls);
  return cls;
}

void RegisterExistingClass(ClassObject* cls) {
  Register(cls);
  Remember(cls);
}

void RegisterClassAlias(std::string_view name, ClassObject* cls) {
  StringRef key = StringRef::Adopt(MakeString(name));
  Registry().Set(key.get(), uint32_t(reinterpret_cast<uintptr_t>(cls)));
}

void RememberClass(ClassObject* cls) {
  Remember(cls);
}

ClassObject* FindClassByName(std::string_view name) {
  StringRef key = StringRef::Adopt(MakeString(name));
  uint32_t value = 0;
  if (!Registry().Lookup(key.get(), &value)) return FindPluginClass(name);
  return reinterpret_cast<ClassObject*>(uintptr_t(value));
}

std::vector<ClassObject*> RegisterApplicationClasses(const uint8_t* descriptor,
                                                     std::span<const uint8_t> segment) {
  std::vector<ClassObject*> table;
  RecordReader header(descriptor, segment);
  uint32_t count = header.Word();
  if (!header.ok() || (!segment.empty() && count > segment.size() / 4)) {
    InternalAssertion(kClassRecordUnusable);
    return table;
  }
  table.assign(count, nullptr);
  std::vector<int32_t> superIndex(count, -1);
  std::vector<bool> defined(count, false);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t address = header.Word();
    RecordReader r(reinterpret_cast<const uint8_t*>(uintptr_t(address)), segment);
    uint32_t kind = r.Word();
    if (kind == 1) {
      TessString* name = r.String();
      table[i] = r.ok() ? FindClassByName(View(name)) : nullptr;
      if (!table[i]) InternalAssertion(kClassRecordUnusable);
      continue;
    }
    ClassObject* cls = ReadApplicationClass(r, table, &superIndex[i]);
    if (!r.ok()) {
      InternalAssertion(kClassRecordUnusable);
      continue;
    }
    table[i] = cls;
    defined[i] = true;
    Remember(cls);
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (!defined[i] || superIndex[i] == -1) continue;
    if (superIndex[i] < 0 || uint32_t(superIndex[i]) >= count) {
      InternalAssertion(kFailedCheck, kSourceRuntimeMain, __LINE__);
      continue;
    }
    table[i]->superclass = table[size_t(superIndex[i])];
  }
  SetClassTable(table);
  if (!LinkClasses()) InternalAssertion(kClassLinkFailed);
  return table;
}

bool LinkClasses() {
  for (ClassObject* cls = g_allClasses; cls; cls = cls->nextClass) {
    uint32_t slot = 0;
    for (MethodDescriptor* m = cls->methods; m; m = m->next) {
      if (cls->isInterface) {
        m->flags |= kInterfaceMethod;
        m->interfaceSlot = ++slot;
      } else {
        m->flags &= ~kInterfaceMethod;
        m->interfaceSlot = 0;
      }
    }
  }
  ++g_generation;
  for (ClassObject* cls = g_allClasses; cls; cls = cls->nextClass) {
    if (!LinkClass(cls)) return false;
  }
  return true;
}

void* DeferredMemberLookup(std::string_view reference) {
  if (reference.empty()) return nullptr;
  char kind = reference[0];
  std::string_view path = reference.substr(1);
  size_t dot = path.find('.');
  if (dot == std::string_view::npos) {
    if (kind != 'M' && kind != 'W' && kind != 'G' && kind != 'S') {
      InternalAssertion(kDeferredKindUnknown);
      return nullptr;
    }
    return FindPluginMethod(path, kind);
  }
  std::string_view className = path.substr(0, dot), member = path.substr(dot + 1);
  ClassObject* cls = FindClassByName(className);
  if (!cls) {
    platform::OutputDebugString(("Unable to load class: " + std::string(className) + "\n").c_str());
    InternalAssertion(kDeferredClassUnknown);
    return nullptr;
  }
  switch (kind) {
    case 'G':
    case 'S':
      for (const PropertyDescriptor* p = cls->properties; p; p = p->next) {
        if (SameName(View(p->name), member)) return kind == 'G' ? p->getter : p->setter;
      }
      return nullptr;
    case 'M':
    case 'W':
      for (const MethodDescriptor* m = cls->methods; m; m = m->next) {
        if (SameName(View(m->name), member)) return kind == 'M' ? m->entry[0] : m->secondEntry[0];
      }
      return nullptr;
    default:
      InternalAssertion(kDeferredKindUnknown);
      return nullptr;
  }
}

const EventDescriptor* FindEvent(const ClassObject* cls, std::string_view name) {
  for (const EventDescriptor* e = cls->events; e; e = e->next) {
    if (SameName(View(e->name), name)) return e;
  }
  return nullptr;
}

ClassObject* AllClasses() {
  return g_allClasses;
}

}  // namespace tess

// A new instance of the class named `name` (application or framework, letter
// case ignored), count 1; nil for an empty name, an unknown class or an
// interface, which has no instances.
TessObject* CreateInstance(TessString* name) {
  return tess::AtEntry([name]() -> TessObject* {
    tess::ClassObject* cls = name ? tess::FindClassByName(tess::View(name)) : nullptr;
    if (!cls || cls->isInterface) return nullptr;
    return tess::CreateObject(cls);
  });
}
