#include "runtime/plugins.h"

#include <deque>
#include <utility>
#include <vector>

#include "platform/kernel/process.h"
#include "runtime/alerts.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/heap.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/plugin_declarations.h"
#include "runtime/string_value.h"
#include "tessera/plugin.h"
#include "tessera/runtime.h"

namespace tess {

namespace {

// The runtime version plug-ins read with TessGetTSVersion.
constexpr int32_t kRuntimeVersion = 0x05050000;

struct PluginMethod {
  PluginRecord* plugin;
  void* code;
  void* alternate;
  std::string declaration;
  std::string name;
};

struct PluginClassEntry {
  PluginRecord* plugin;
  ClassObject* cls;
  std::string superName;
  std::vector<std::string> interfaces;
  const TessPluginControl* control;  // null for classes and interfaces
};

struct Registry {
  PluginRecord* plugins = nullptr;
  PluginRecord* current = nullptr;
  std::vector<PluginMethod> methods;  // newest last
  std::vector<PluginClassEntry> classes;
  std::vector<std::pair<const TessPluginEvent*, const EventDescriptor*>> events;
  std::vector<const TessPluginDataSource*> dataSources;
  std::vector<std::string> designDataSources;
  // Texts that event descriptors point at.
  std::deque<std::string> texts;
};

Registry& State() {
  static Registry* registry = new Registry();
  return *registry;
}

template <typename T>
T* NewRecord() {
  return static_cast<T*>(AllocateInternalBlock(sizeof(T)));
}

const char* KeepText(std::string text) {
  return State().texts.emplace_back(std::move(text)).c_str();
}

// Generic accessors for a stored property of a declared type.
void GenericAccessors(const DeclaredType& type, void** getter, void** setter) {
  const TypeDescriptor* t = type.builtIn;
  if (!t) {
    *getter = (void*)&objGetter;
    *setter = (void*)&objSetter;
  } else if (t == &kStringType) {
    *getter = (void*)&stringGetter;
    *setter = (void*)&stringSetter;
  } else if (t == &kSingleType) {
    *getter = (void*)&singleGetter;
    *setter = (void*)&singleSetter;
  } else if (t == &kDoubleType) {
    *getter = (void*)&doubleGetter;
    *setter = (void*)&doubleSetter;
  } else if (t == &kBooleanType) {
    *getter = (void*)&boolGetter;
    *setter = (void*)&boolSetter;
  } else {
    *getter = (void*)&intGetter;
    *setter = (void*)&intSetter;
  }
}

// Reads the declaration of a plug-in member, reporting one that does not
// read (or a property without its type).
bool ReadMember(const char* text, Declaration* d, bool needsType) {
  std::string error;
  if (text && ParseDeclaration(text, d, &error) && (d->hasReturn || !needsType)) return true;
  ReportPluginProblem(
      error.empty() ? "Invalid plugin method format: " + std::string(text ? text : "") : error);
  return false;
}

template <typename T>
void Append(T** head, T* item) {
  while (*head) head = &(*head)->next;
  *head = item;
}

// Adds the properties and methods of `def` to `cls`; declarations that do
// not read are reported and left out.
void AddMembers(ClassObject* cls, const TessPluginClass& def) {
  for (uint32_t i = 0; def.properties && i < def.propertyCount; ++i) {
    const TessPluginProperty& p = def.properties[i];
    Declaration d;
    if (!ReadMember(p.declaration, &d, true)) continue;
    auto* property = NewRecord<PropertyDescriptor>();
    property->name = MakeString(d.name);
    property->type = d.returnType.builtIn;
    property->getter = p.getter;
    property->setter = p.setter;
    property->parameter = p.offset;
    if (!p.getter && !p.setter)
      GenericAccessors(d.returnType, &property->getter, &property->setter);
    Append(&cls->properties, property);
  }
  for (uint32_t i = 0; def.methods && i < def.methodCount; ++i) {
    const TessPluginMethod& m = def.methods[i];
    Declaration d;
    if (!ReadMember(m.declaration, &d, false)) continue;
    auto* method = NewRecord<MethodDescriptor>();
    method->name = MakeString(d.name);
    method->record[1] = uint32_t(reinterpret_cast<uintptr_t>(d.returnType.builtIn));
    method->record[3] = uint32_t(d.parameterTypes.size());
    method->entry[0] = m.code;
    method->secondEntry[0] = m.alternate;
    Append(&cls->methods, method);
  }
}

void AddEvents(ClassObject* cls, const TessPluginClass& def) {
  for (uint32_t i = 0; def.events && i < def.eventCount; ++i) {
    const TessPluginEvent& e = def.events[i];
    Declaration d;
    if (!ReadMember(e.declaration, &d, false)) continue;
    auto* event = NewRecord<EventDescriptor>();
    event->name = MakeString(d.name);
    event->parameters = d.parameters.empty() ? nullptr : KeepText(d.parameters);
    event->returnType = d.hasReturn ? KeepText(d.returnType.name) : nullptr;
    Append(&cls->events, event);
    State().events.emplace_back(&e, event);
  }
}

ClassObject* NewPluginClass(const TessPluginClass& def, bool isInterface,
                            const TessPluginControl* control) {
  Registry& r = State();
  auto* cls = NewRecord<ClassObject>();
  cls->name = MakeString(def.name);
  cls->instanceSize =
      int32_t(def.instanceSize < sizeof(ObjectHeader) ? sizeof(ObjectHeader) : def.instanceSize);
  cls->isInterface = isInterface ? 1 : 0;
  // Plug-in code is called like compiled code: a raise inside it comes back
  // to the runtime as an exception rather than jumping over its frames.
  cls->isFramework = 0;
  // Called as compiled code with (object, class); the plug-in's routine
  // takes the object alone, which the calling convention allows.
  cls->construct = reinterpret_cast<ClassRoutine>(reinterpret_cast<void*>(def.construct));
  cls->destruct = reinterpret_cast<ClassRoutine>(reinterpret_cast<void*>(def.destruct));
  AddMembers(cls, def);
  AddEvents(cls, def);
  PluginClassEntry entry{r.current, cls, def.superName ? def.superName : "", {}, control};
  if (control && entry.superName.empty()) entry.superName = "RectControl";
  for (uint32_t i = 0; def.interfaces && i < def.interfaceCount; ++i) {
    if (def.interfaces[i]) entry.interfaces.emplace_back(def.interfaces[i]);
  }
  r.classes.push_back(std::move(entry));
  RememberClass(cls);
  return cls;
}

bool Usable(const void* definition, const char* what) {
  if (definition) return true;
  ReportPluginProblem(std::string("A plug-in registered no ") + what + ".");
  return false;
}

}  // namespace

void ReportPluginProblem(const std::string& text) {
  ShowRuntimeMessage(text);
}

PluginRecord* BeginPlugin(std::string path, void* module) {
  Registry& r = State();
  auto* record = new PluginRecord();
  record->path = std::move(path);
  record->module = module;
  record->next = r.plugins;
  r.plugins = record;
  r.current = record;
  return record;
}

void EndPlugin() {
  State().current = nullptr;
}

PluginRecord* CurrentPlugin() {
  return State().current;
}

PluginRecord* FirstPlugin() {
  return State().plugins;
}

void LinkPluginClasses() {
  for (PluginClassEntry& e : State().classes) {
    std::string name(View(e.cls->name));
    if (!e.superName.empty()) {
      e.cls->superclass = FindClassByName(e.superName);
      if (!e.cls->superclass) {
        ReportPluginProblem("Couldn't find " + name + " superclass: " + e.superName);
      }
    }
    for (const std::string& interfaceName : e.interfaces) {
      ClassObject* interface = FindClassByName(interfaceName);
      if (!interface || !interface->isInterface) {
        ReportPluginProblem("Couldn't find " + name + " interface : " + interfaceName);
        continue;
      }
      auto* link = NewRecord<InterfaceEntry>();
      link->interface = interface;
      link->next = e.cls->interfaces;
      e.cls->interfaces = link;
    }
  }
  // A size below its superclass's would let the superclass's fields run
  // past the instance: every class is at least as large as its ancestors.
  // Bounded: two plug-in classes may name each other as superclass.
  std::vector<PluginClassEntry>& classes = State().classes;
  for (PluginClassEntry& e : classes) {
    size_t steps = 0;
    for (const ClassObject* c = e.cls->superclass; c && steps <= classes.size() + 64;
         c = c->superclass, ++steps)
      if (c->instanceSize > e.cls->instanceSize) e.cls->instanceSize = c->instanceSize;
  }
  if (!LinkClasses()) InternalAssertion(kClassLinkFailed);
}

ClassObject* FindPluginClass(std::string_view name) {
  for (const PluginClassEntry& e : State().classes) {
    if (SameName(View(e.cls->name), name)) return e.cls;
  }
  return nullptr;
}

const TessPluginControl* PluginControlOf(const ClassObject* cls) {
  for (; cls; cls = cls->superclass)
    for (const PluginClassEntry& e : State().classes)
      if (e.cls == cls && e.control) return e.control;
  return nullptr;
}

std::vector<ClassObject*> PluginControlClasses() {
  std::vector<ClassObject*> out;
  for (const PluginClassEntry& e : State().classes)
    if (e.control) out.push_back(e.cls);
  return out;
}

void* FindPluginMethod(std::string_view name, char kind) {
  const auto& methods = State().methods;
  for (auto it = methods.rbegin(); it != methods.rend(); ++it) {
    if (SameName(it->name, name)) return kind == 'M' ? it->code : it->alternate;
  }
  return nullptr;
}

TessObject* (*FindDataSource(std::string_view name))() {
  for (const TessPluginDataSource* source : State().dataSources) {
    if (source->name && SameName(source->name, name)) return source->make;
  }
  return nullptr;
}

void ResetPluginsForTest() {
  Registry& r = State();
  r.current = nullptr;
  r.plugins = nullptr;
  r.methods.clear();
  r.classes.clear();
  r.events.clear();
  r.dataSources.clear();
  r.designDataSources.clear();
}

}  // namespace tess

using tess::State;

extern "C" {

void RegisterPluginVersion(int32_t version) {
  if (tess::PluginRecord* p = tess::CurrentPlugin()) p->version = version;
}

void RegisterPluginExports(const void* table) {
  if (tess::PluginRecord* p = tess::CurrentPlugin()) p->exportTable = table;
}

void PluginRegisterMethod(const void* definition) {
  tess::PluginRecord* plugin = tess::CurrentPlugin();
  if (!plugin || !tess::Usable(definition, "method")) return;
  tess::PluginMethod method{plugin, nullptr, nullptr, {}, {}};
  if (plugin->version == 1) {
    auto* v1 = static_cast<const TessPluginMethodV1*>(definition);
    auto* exports = static_cast<const TessPluginExport*>(plugin->exportTable);
    uint32_t count = 0;
    while (exports && exports[count].code) ++count;
    if (v1->exportIndex >= count) {
      tess::ReportPluginProblem("Invalid plugin method format: " +
                                std::string(v1->declaration ? v1->declaration : ""));
      return;
    }
    method.code = method.alternate = exports[v1->exportIndex].code;
    method.declaration = v1->declaration ? v1->declaration : "";
  } else if (plugin->version >= 3) {
    auto* v3 = static_cast<const TessPluginMethod*>(definition);
    method.code = v3->code;
    method.alternate = v3->alternate;
    method.declaration = v3->declaration ? v3->declaration : "";
  } else {
    return;  // version 2 and versions below 1 register no methods
  }
  tess::Declaration d;
  if (!tess::ReadMember(method.declaration.c_str(), &d, false)) return;
  method.name = d.name;
  State().methods.push_back(std::move(method));
}

void PluginRegisterClass(const void* definition) {
  if (!tess::Usable(definition, "class")) return;
  tess::NewPluginClass(*static_cast<const TessPluginClass*>(definition), false, nullptr);
}

void PluginRegisterInterface(const void* definition) {
  if (!tess::Usable(definition, "interface")) return;
  tess::NewPluginClass(*static_cast<const TessPluginClass*>(definition), true, nullptr);
}

void PluginRegisterControl(const void* definition) {
  if (!tess::Usable(definition, "control")) return;
  auto* control = static_cast<const TessPluginControl*>(definition);
  tess::NewPluginClass(control->cls, false, control);
}

void PluginRegisterClassExtension(const void* definition) {
  if (!tess::Usable(definition, "class extension")) return;
  auto* def = static_cast<const TessPluginClass*>(definition);
  tess::ClassObject* cls = def->name ? tess::FindClassByName(def->name) : nullptr;
  if (!cls) {
    tess::ReportPluginProblem("Couldn't find " + std::string(def->name ? def->name : "") +
                              " to extend");
    return;
  }
  tess::AddMembers(cls, *def);
}

void RegisterDataSource(const void* definition) {
  if (!tess::Usable(definition, "data source")) return;
  State().dataSources.push_back(static_cast<const TessPluginDataSource*>(definition));
}

// The interface data sources implement, for bindings to test them against.
void RegisterDataSourceInterface(const void* definition) {
  PluginRegisterInterface(definition);
}

// The design environment's list of data sources; the runtime only keeps names.
void DesignAddDataSource(const void* definition) {
  if (!tess::Usable(definition, "data source")) return;
  auto* source = static_cast<const TessPluginDataSource*>(definition);
  if (source->name) State().designDataSources.emplace_back(source->name);
}

void* GetEventInstance(TessObject* object, const void* event) {
  for (const auto& [declared, descriptor] : State().events) {
    if (declared == event) return tess::FindHook(object, descriptor);
  }
  return nullptr;
}

void TessLockObject(TessObject* object) {
  tess::LockObject(object);
}

void TessUnlockObject(TessObject* object) {
  tess::AtEntry([object] { tess::UnlockObject(object); });
}

TessObject* PluginNewInstance(const char* className) {
  return tess::AtEntry([className]() -> TessObject* {
    tess::ClassObject* cls = className ? tess::FindClassByName(className) : nullptr;
    if (!cls || cls->isInterface) return nullptr;
    return tess::CreateObject(cls);
  });
}

int32_t TessGetTSVersion() {
  return tess::kRuntimeVersion;
}

int32_t TessinRuntime() {
  return 1;
}

void TessYieldToTS() {
  tess::platform::SwitchToThread();
}

}  // extern "C"
