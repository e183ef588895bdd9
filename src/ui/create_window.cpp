// RuntimeCreateWindow: a live window and its controls from a layout record
// of the image, and the entry points through which compiled code reaches a
// window's controls by key.
//
// Order of construction: the window's pairs applied, its native window made
// (hidden); each control created, its pairs applied, its container found
// and its key entered; then for each RectControl in list order its pane
// made (CreatePane) and set up; then each control's Open in list order, the
// window's Open, and the window shown when Visible. The layout's bindings
// are wired after the panes and before the Open events, so Open handlers
// see bound controls in their bound state.
#include <cstring>
#include <span>

#include "runtime/alerts.h"
#include "runtime/assertions.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/image_data.h"
#include "runtime/interfaces.h"
#include "runtime/name_fold.h"
#include "runtime/numeric_conversions.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/control_list.h"
#include "ui/layout_record.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"

namespace tess::ui {
namespace {

using namespace platform;

const PropertyDescriptor* FindProperty(TessObject* object, std::string_view name) {
  for (const ClassObject* c = Header(object)->cls; c; c = c->superclass)
    for (const PropertyDescriptor* p = c->properties; p; p = p->next)
      if (SameName(View(p->name), name)) return p;
  return nullptr;
}

bool IsValueType(const TypeDescriptor* t) {
  return t == &kStringType || t == &kIntegerType || t == &kBooleanType || t == &kSingleType ||
         t == &kDoubleType || t == &kColorType;
}

int32_t IntegerOf(const std::string& text) {
  StringRef s = StringRef::Adopt(MakeString(text));
  return TruncateToInteger(StringVal(s.get()));
}

// Applies one stored pair through the property records of the instance's
// class chain; unknown or read-only properties and types without a
// conversion from text are skipped.
void ApplyPair(TessObject* object, const PropertyPair& pair) {
  const PropertyDescriptor* p = FindProperty(object, pair.name);
  if (!p || !p->setter) return;
  const TypeDescriptor* t = p->type;
  void* setter = p->setter;
  uint32_t parameter = p->parameter;
  if (t == &kStringType) {
    StringRef value = StringRef::Adopt(MakeString(pair.value));
    reinterpret_cast<void (*)(TessObject*, uint32_t, TessString*)>(setter)(object, parameter,
                                                                           value.get());
  } else if (t == &kIntegerType || t == &kColorType) {
    reinterpret_cast<void (*)(TessObject*, uint32_t, int32_t)>(setter)(object, parameter,
                                                                       IntegerOf(pair.value));
  } else if (t == &kBooleanType) {
    reinterpret_cast<void (*)(TessObject*, uint32_t, int32_t)>(setter)(
        object, parameter, SameName(pair.value, "True") ? 1 : 0);
  } else if (t == &kSingleType) {
    StringRef s = StringRef::Adopt(MakeString(pair.value));
    reinterpret_cast<void (*)(TessObject*, uint32_t, float)>(setter)(object, parameter,
                                                                     float(StringVal(s.get())));
  } else if (t && !IsValueType(t)) {
    // A reference: the text names a resource of the image by its identifier.
    int32_t id = IntegerOf(pair.value);
    ObjectRef value = ObjectRef::Adopt(id ? RuntimeProjectObject(id) : nullptr);
    reinterpret_cast<void (*)(TessObject*, uint32_t, TessObject*)>(setter)(object, parameter,
                                                                           value.get());
  }
  // Doubles have no conversion from text: such pairs are not applied.
}

bool IsContainer(TessObject* control) {
  for (const ClassObject* c = Header(control)->cls; c; c = c->superclass) {
    std::string_view name = View(c->name);
    if (SameName(name, "GroupBox") || SameName(name, "TabPanel") || SameName(name, "PagePanel"))
      return true;
  }
  return false;
}

bool Encloses(const RectControlFields* outer, const RectControlFields* inner) {
  return inner->left >= outer->left && inner->top >= outer->top &&
         inner->left + inner->width <= outer->left + outer->width &&
         inner->top + inner->height <= outer->top + outer->height;
}

// An item of the layout that is not a control (a Timer) belongs to the
// window all the same: entered under the key its stored Name and Index
// give, it lives as long as the window's list holds it.
void AddWindowItem(ControlList& controls, TessObject* item,
                   const std::vector<PropertyPair>& pairs) {
  std::string name;
  int32_t index = kNotInArray;
  for (const PropertyPair& pair : pairs) {
    if (SameName(pair.name, "Name")) name = pair.value;
    if (SameName(pair.name, "Index")) index = IntegerOf(pair.value);
  }
  controls.Add(item, name, index, pairs);
}

TessObject* NewControl(int32_t classIndex, TessObject* window) {
  ClassObject* cls = ClassAt(classIndex);
  if (!cls) {
    InternalAssertion(kFailedCheck, kSourceRuntimeMain, __LINE__);
    return nullptr;
  }
  TessObject* control = CreateObject(cls);
  if (IsControl(control)) FieldsOf<ControlFields>(control)->window = window;
  return control;
}

void SetUpPane(WindowObject* window, ControlList& controls, TessObject* control) {
  FireEvent(control, EventOf(ControlEvent::kCreatePane), {});
  EnsurePane(window, control);
  MakeNativeControl(window, control);
  RectControlFields* r = FieldsOf<RectControlFields>(control);
  Pane* pane = r->control.pane;
  pane->tabPanelIndex = r->control.tabPanelIndex;
  pane->enabled = r->enabled;
  pane->visible = r->visible;
  PanesChanged();
  if (pane->native && !r->enabled) EnableWindow(pane->native, false);
  if (pane->native && !r->visible) ShowWindow(pane->native, SW_HIDE);
  // A hidden or disabled container hides or disables what it holds.
  for (size_t i = 0; i < controls.size(); ++i) {
    TessObject* other = controls.at(i);
    if (other == control || !IsRectControl(other)) continue;
    RectControlFields* o = FieldsOf<RectControlFields>(other);
    if (o->parent != control) continue;
    if (!r->visible && o->visible) ControlVisibleSetter(other, 0, 0);
    if (!r->enabled && o->enabled) controlEnabledSetter(other, 0, 0);
  }
  // Controls listed before their container were hidden by nothing yet.
  if (r->parent) {
    RectControlFields* c = FieldsOf<RectControlFields>(r->parent);
    if (!c->visible && r->visible) ControlVisibleSetter(control, 0, 0);
    if (!c->enabled && r->enabled) controlEnabledSetter(control, 0, 0);
  }
}

// The object a binding attaches to: the control itself, or the part of it
// that a non-empty part name asks its getBoundPart for (nil when it has
// none of that name). One reference.
ObjectRef BoundObject(TessObject* control, const std::string& part) {
  if (part.empty()) return ShareObject(control);
  StringRef name = StringRef::Adopt(MakeString(part));
  uint32_t result = 0;
  CallInterface(control, Iface::kBindingPartInterface, "getBoundPart", {Arg(name.get())}, &result);
  return ObjectRef::Adopt(reinterpret_cast<TessObject*>(uintptr_t(result)));
}

// Each binding: its first control the source, its second the destination,
// a new binder of its class told to bind them. The binder lives on through
// the lists it registers with; one whose source is missing is skipped.
void WireBindings(std::span<const BindingLayout> bindings,
                  std::span<TessObject* const> byPosition) {
  auto at = [byPosition](int32_t position) -> TessObject* {
    return position >= 0 && size_t(position) < byPosition.size() ? byPosition[size_t(position)]
                                                                 : nullptr;
  };
  for (const BindingLayout& b : bindings) {
    TessObject* first = at(b.sourcePosition);
    if (!first) continue;
    ClassObject* cls = ClassAt(b.binderClass);
    if (!cls) {
      InternalAssertion(kFailedCheck, kSourceRuntimeMain, __LINE__);
      continue;
    }
    if (cls->isInterface) continue;
    ObjectRef source = BoundObject(first, b.sourcePart);
    TessObject* second = at(b.destinationPosition);
    ObjectRef dest = second ? BoundObject(second, b.destinationPart) : ObjectRef();
    ObjectRef binder = ObjectRef::Adopt(CreateObject(cls));
    CallInterface(binder.get(), Iface::kBindingInterface, "bind",
                  {Arg(source.get()), Arg(dest.get())});
  }
}

TessObject* Build(const WindowLayout& layout) {
  ClassObject* cls = ClassAt(layout.windowClass);
  if (!cls) {
    InternalAssertion(kFailedCheck, kSourceRuntimeMain, __LINE__);
    return nullptr;
  }
  ObjectRef instance = ObjectRef::Adopt(CreateObject(cls));
  if (!IsWindow(instance.get())) return nullptr;
  WindowFields* f = FieldsOf<WindowFields>(instance.get());
  for (const PropertyPair& pair : layout.pairs) ApplyPair(instance.get(), pair);
  bool visible = f->visible;
  WindowObject* window = OpenWindow(instance.get());
  if (!window) return nullptr;

  ControlList& controls = *f->controls;
  std::vector<TessObject*> made;
  std::vector<TessObject*> byPosition;  // layout order, null where none was made
  for (const ControlLayout& c : layout.controls) {
    ObjectRef control = ObjectRef::Adopt(NewControl(c.classIndex, instance.get()));
    byPosition.push_back(control.get());
    if (!control.get()) continue;
    for (const PropertyPair& pair : c.pairs) ApplyPair(control.get(), pair);
    if (!IsControl(control.get())) {
      AddWindowItem(controls, control.get(), c.pairs);
      continue;
    }
    ControlFields* cf = FieldsOf<ControlFields>(control.get());
    if (IsRectControl(control.get())) {
      RectControlFields* r = FieldsOf<RectControlFields>(control.get());
      for (auto it = made.rbegin(); it != made.rend(); ++it) {
        if (IsRectControl(*it) && IsContainer(*it) &&
            Encloses(FieldsOf<RectControlFields>(*it), r)) {
          r->parent = *it;
          break;
        }
      }
    }
    controls.Add(control.get(), View(cf->name), cf->index, c.pairs);
    made.push_back(control.get());
  }
  for (size_t i = 0; i < controls.size() && !window->closing; ++i)
    if (IsRectControl(controls.at(i))) SetUpPane(window, controls, controls.at(i));
  ApplyPages(window);

  if (!window->closing) WireBindings(layout.bindings, byPosition);
  for (size_t i = 0; i < controls.size() && !window->closing; ++i)
    FireEvent(controls.at(i), EventOf(ControlEvent::kOpen), {});
  window->opened = true;
  if (!window->closing) FireEvent(instance.get(), EventOf(WindowEvent::kOpen), {});
  if (f->window == window && visible) RuntimeShowWindow(instance.get());
  return instance.Release();
}

}  // namespace
}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

TessObject* RuntimeCreateWindow(const void* block, TessObject** out) {
  return tess::AtEntry([block, out]() -> TessObject* {
    if (out) *out = nullptr;
    std::span<const uint8_t> bytes = ImageDataFrom(block);
    WindowLayout layout;
    std::string message;
    if (bytes.empty() || !ReadWindowLayout(bytes, &layout, &message)) return nullptr;
    TessObject* window = Build(layout);
    if (window && out) {
      LockObject(window);
      *out = window;
    }
    return window;
  });
}

TessObject* RuntimeControlFetch(TessObject* window, TessString* key) {
  if (!IsWindow(window)) return nullptr;
  TessObject* control = FieldsOf<WindowFields>(window)->controls->Find(View(key));
  LockObject(control);
  return control;
}

TessObject* RuntimeControlReference(TessObject* window, TessString* name) {
  return RuntimeControlFetch(window, name);
}

TessObject* RuntimeControlArrayItemReference(TessObject* window, TessString* name, int32_t index) {
  if (!IsWindow(window)) return nullptr;
  std::string key = ControlList::KeyOf(View(name), index);
  TessObject* control = FieldsOf<WindowFields>(window)->controls->Find(key);
  LockObject(control);
  return control;
}

// A new member of the original's control array, made from the original's
// stored pairs with the next free index, its pane made and opened; one
// reference for the caller. Only members of a control array can be cloned:
// nil for a control that is alone.
TessObject* RuntimeCloneControlReference(TessObject* original) {
  return tess::AtEntry([original]() -> TessObject* {
    if (!IsRectControl(original)) return nullptr;
    ControlFields* of = FieldsOf<ControlFields>(original);
    if (of->index == kNotInArray) return nullptr;
    WindowObject* window = WindowOfInstance(of->window);
    if (!window || window->closing) return nullptr;
    ControlList& controls = *FieldsOf<WindowFields>(of->window)->controls;
    const std::vector<PropertyPair>* pairs = controls.PairsOf(original);
    std::string name(View(of->name));
    int32_t last = controls.LastIndex(name);
    int32_t index = last + 1;
    ObjectRef clone = ObjectRef::Adopt(CreateObject(Header(original)->cls));
    ControlFields* cf = FieldsOf<ControlFields>(clone.get());
    cf->window = of->window;
    std::vector<PropertyPair> own = pairs ? *pairs : std::vector<PropertyPair>{};
    for (const PropertyPair& pair : own) ApplyPair(clone.get(), pair);
    cf->index = index;
    RectControlFields* r = FieldsOf<RectControlFields>(clone.get());
    r->parent = FieldsOf<RectControlFields>(original)->parent;
    controls.Add(clone.get(), name, index, std::move(own));
    SetUpPane(window, controls, clone.get());
    FireEvent(clone.get(), EventOf(ControlEvent::kOpen), {});
    return clone.Release();
  });
}

}  // extern "C"
