// Data binding in the window layer: the four binder classes, the part
// objects controls hand out through getBoundPart, and what a control's
// closing does to its bindings.
//
// Ownership: a notification list locks its receivers, a part locks its
// owner, a binder locks its stored source and dest. Binders register with
// their sources, so source, binder and part hold each other in cycles; a
// control's closing breaks them by emptying every list it keeps (and those
// of the parts registered with it), which lets the binders and parts go.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "runtime/class_records.h"
#include "runtime/interfaces.h"
#include "runtime/notification_list.h"
#include "runtime/object_layout.h"
#include "runtime/string_value.h"

namespace tess::ui {

// Parameters of the binding methods, and a method taking one object (an
// add/remove...NotificationReceiver, BindList, bind's kin).
inline constexpr TypeDescriptor kBindingObjectType{0, "Object", {}};
inline constexpr ParameterRecord kReceiverParameter[] = {{"receiver", &kBindingObjectType, {}}};
inline constexpr ParameterRecord kPartNameParameter[] = {{"Str", &kStringType, {}}};
inline MethodRecord ObjectMethod(const char* name, void* code) {
  return MethodRecord{name, nullptr, kReceiverParameter, 1, {code}, {}};
}

// A part object: a locked owner, one integer (a state, a column, an action)
// and the part's own receivers (a provider's data receivers).
struct PartFields {
  ObjectHeader header;
  TessObject* owner;
  int32_t value;
  NotificationList receivers;
};

// Builds a part class (no superclass beyond the root) with `methods`,
// implementing `interfaces`. Its instances unlock their owner and empty
// their receivers when they go.
ClassObject* BuildPartClass(const char* name, std::span<const MethodRecord> methods,
                            std::initializer_list<Iface> interfaces);
// A new part of `cls` locking `owner`; one reference for the caller.
TessObject* NewPart(ClassObject* cls, TessObject* owner, int32_t value);
// The part's fields when `object` is an instance of `cls`, else null.
PartFields* PartOf(TessObject* object, const ClassObject* cls);

// Receiver lists kept beside a control whose instance has no room for them
// (its size is shared with compiled subclasses), by control. OwnerList makes
// the control's lists on first use; FindOwnerList gives null when it has
// none. Closing empties them (the entry stays, so a broadcast in flight
// never reads a freed head); the control's destruction forgets them.
inline constexpr int kOwnerLists = 3;
NotificationList* OwnerList(TessObject* owner, int which);
NotificationList* FindOwnerList(TessObject* owner, int which);
void EmptyOwnerLists(TessObject* owner);
void ForgetOwnerLists(TessObject* owner);

// What closing a control of `cls` (or a subclass) does to its bindings:
// empty its lists. Run from the window's and the control's closing.
using BindingCloser = void (*)(TessObject* control);
void SetBindingCloser(ClassObject* cls, BindingCloser closer);
void CloseBindings(TessObject* control);

// The EditField's side of a string binding: the field follows `source`'s
// data changes directly (it leaves the source it followed before). A field
// that closes leaves its source.
void FollowSource(TessObject* field, TessObject* source);

// The field's dataChanged: shows the followed source's string again.
void EditFieldDataChanged(TessObject* field);
// The field stops following its source (its closer).
void LeaveSource(TessObject* field);

// getString of `source` through StringProvider; the empty string (null)
// when it has none. One reference for the caller.
TessString* ProvidedString(TessObject* source);

// Rows of a listDataProvider: how many, and the fields of one (through its
// tupleInterface), each a string reference.
int32_t ProviderRowCount(TessObject* data);
std::vector<StringRef> ProviderRow(TessObject* data, int32_t index);

// The binder classes; built with the control classes.
void InitBinders();

}  // namespace tess::ui
