// The ListBox's side of data binding: its bound parts, its selection and
// focus notifications, and rows filled from a listDataProvider.
//
// Parts (getBoundPart):
//   "gotFocusAction" / "lostFocusAction": Sys$ListboxAction, whose action
//     receivers hear PerformAction after GotFocus / LostFocus;
//   "getSelectionProvider": listSelectionProvider, a Boolean that is true
//     while a row is selected (setBoolean False clears the selection);
//   "columnValueProvider_N": listColumnValueProvider, the text of column N
//     of the selected row (ListIndex), written back by setString, available
//     while a row is selected.
// Both providers are registered as selection receivers of the list and tell
// their own data receivers on every selection change.
//
// Order of a selection change: selectionChanging to the selection
// receivers before the rows change, selectionChanged after, then Change.
//
// A bound list (BindList) shows one row per row of its provider, the
// provider's fields in the row's cells; it follows a provider that is a
// listDataNotifier: inserted and removed rows are inserted and removed,
// a reload fills it again. Its rows are the provider's: while it is bound,
// the row-editing entry points (AddRow, InsertRow, RemoveRow, DeleteAllRows
// and the folder kinds) leave it as it is; its cells stay editable.
//
// The lists are kept beside the list, by list, not in its instance: a list
// that closes (or goes) empties them, and with them the receivers of the
// parts it handed out, so binders and parts let go of each other.
#include <unordered_map>
#include <utility>

#include "runtime/name_fold.h"
#include "runtime/numeric_conversions.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/binding.h"
#include "ui/list_box.h"
#include "values/class_members.h"

namespace tess::ui {
namespace {

struct ListBindings {
  NotificationList selection = nullptr;  // listSelectionNotificationReceivers
  NotificationList gotFocus = nullptr;
  NotificationList lostFocus = nullptr;
  ObjectRef data;   // the bound listDataProvider
  int filling = 0;  // >0 while the list changes its rows from the provider
};

std::unordered_map<TessObject*, ListBindings>& All() {
  static auto* all = new std::unordered_map<TessObject*, ListBindings>();
  return *all;
}

ListBindings& Of(TessObject* list) {
  return All()[list];
}
ListBindings* Find(TessObject* list) {
  auto it = All().find(list);
  return it == All().end() ? nullptr : &it->second;
}

ClassObject* g_action = nullptr;     // Sys$ListboxAction
ClassObject* g_selection = nullptr;  // listSelectionProvider
ClassObject* g_column = nullptr;     // listColumnValueProvider

constexpr std::string_view kColumnPrefix = "columnValueProvider_";

int32_t SelectedRow(TessObject* list) {
  return listSelectionGetter(list, 0);
}

TessObject* DataOf(TessObject* list) {
  ListBindings* b = Find(list);
  return b ? b->data.get() : nullptr;
}

// --- rows from the provider

// Puts the provider's row `index` into the list at `at` (the end: -1).
void PutRow(TessObject* list, TessObject* data, int32_t index, int32_t at) {
  std::vector<StringRef> fields = ProviderRow(data, index);
  TessString* first = fields.empty() ? nullptr : fields[0].get();
  if (at < 0) {
    RuntimeListAddRow(list, first);
    at = listCountGetter(list, 0) - 1;
  } else {
    RuntimeListInsertRow(list, at, first);
  }
  for (size_t column = 1; column < fields.size(); ++column)
    listSetCell(list, at, int32_t(column), fields[column].get());
}

// Marks the list as changing its own rows for as long as it lives.
class Filling {
 public:
  explicit Filling(TessObject* list) : list_(ShareObject(list)) { ++Of(list).filling; }
  ~Filling() { --Of(list_.get()).filling; }
  Filling(const Filling&) = delete;
  Filling& operator=(const Filling&) = delete;

 private:
  ObjectRef list_;
};

void Reload(TessObject* list) {
  ListBindings* b = Find(list);
  if (!b || !b->data.get()) return;
  ObjectRef data = ShareObject(b->data.get());
  Filling filling(list);
  RuntimeListEmpty(list);
  int32_t count = ProviderRowCount(data.get());
  for (int32_t i = 0; i < count; ++i) PutRow(list, data.get(), i, -1);
}

// --- parts

TessObject* Owner(TessObject* part, const ClassObject* cls) {
  PartFields* p = PartOf(part, cls);
  return p ? p->owner : nullptr;
}

// The part's own receivers (providers): add, remove, tell.
void AddDataReceiver(TessObject* part, TessObject* receiver) {
  AddReceiver(&reinterpret_cast<PartFields*>(part)->receivers, receiver);
}
void RemoveDataReceiver(TessObject* part, TessObject* receiver) {
  RemoveReceiver(&reinterpret_cast<PartFields*>(part)->receivers, receiver);
}
void SelectionChanging(TessObject*) {}
void SelectionChanged(TessObject* part) {
  ObjectRef keep = ShareObject(part);
  BroadcastDataChanged(&reinterpret_cast<PartFields*>(part)->receivers);
}

int32_t SelectionGetBoolean(TessObject* part) {
  TessObject* list = Owner(part, g_selection);
  return list && SelectedRow(list) >= 0;
}
void SelectionSetBoolean(TessObject* part, int32_t value) {
  TessObject* list = Owner(part, g_selection);
  if (list && !(value & 0xFF)) listSelectionSetter(list, 0, -1);
}

TessString* ColumnGetString(TessObject* part) {
  PartFields* p = PartOf(part, g_column);
  if (!p || !p->owner) return nullptr;
  int32_t row = SelectedRow(p->owner);
  return row >= 0 ? listGetCell(p->owner, row, p->value) : nullptr;
}
void ColumnSetString(TessObject* part, TessString* text) {
  PartFields* p = PartOf(part, g_column);
  if (!p || !p->owner) return;
  int32_t row = SelectedRow(p->owner);
  if (row >= 0) listSetCell(p->owner, row, p->value, text);
}
int32_t ColumnDataAvailable(TessObject* part) {
  TessObject* list = Owner(part, g_column);
  return list && SelectedRow(list) >= 0;
}

NotificationList* FocusList(TessObject* part) {
  PartFields* p = PartOf(part, g_action);
  if (!p || !p->owner) return nullptr;
  ListBindings& b = Of(p->owner);
  return p->value ? &b.gotFocus : &b.lostFocus;
}

const ParameterRecord kValue[] = {{"value", &kBooleanType, {}}};

#define PROVIDER_RECEIVER_METHODS                                                  \
  ObjectMethod("addDataNotificationReceiver", (void*)&AddDataReceiver),            \
      ObjectMethod("removeDataNotificationReceiver", (void*)&RemoveDataReceiver),  \
      Method("selectionChanging", nullptr, nullptr, 0, (void*)&SelectionChanging), \
      Method("selectionChanged", nullptr, nullptr, 0, (void*)&SelectionChanged)

const MethodRecord kActionMethods[] = {
    ObjectMethod("addActionNotificationReceiver", (void*)&lbaAddActionNotificationReceiver),
    ObjectMethod("removeActionNotificationReceiver", (void*)&lbaRemoveActionNotificationReceiver),
};
const MethodRecord kSelectionMethods[] = {
    Method("getBoolean", &kBooleanType, nullptr, 0, (void*)&SelectionGetBoolean),
    Method("setBoolean", nullptr, kValue, 1, (void*)&SelectionSetBoolean),
    PROVIDER_RECEIVER_METHODS,
};
const MethodRecord kColumnMethods[] = {
    Method("getString", &kStringType, nullptr, 0, (void*)&ColumnGetString),
    Method("setString", nullptr, kPartNameParameter, 1, (void*)&ColumnSetString),
    Method("dataAvailable", &kBooleanType, nullptr, 0, (void*)&ColumnDataAvailable),
    PROVIDER_RECEIVER_METHODS,
};
#undef PROVIDER_RECEIVER_METHODS

// A provider part registered as a selection receiver of its list.
TessObject* RegisteredPart(ClassObject* cls, TessObject* list, int32_t value) {
  TessObject* part = NewPart(cls, list, value);
  AddReceiver(&Of(list).selection, part);
  return part;
}

// Closing: the parts' own receivers, the list's lists, the bound provider.
// The entry stays (emptied) until the list goes, so a broadcast in flight
// never reads a freed head.
void CloseListBindings(TessObject* list) {
  ListBindings* b = Find(list);
  if (!b) return;
  ObjectRef keep = ShareObject(list);
  for (NotificationNode* n = b->selection; n; n = n->next) {
    if (PartFields* p = PartOf(n->receiver, g_selection)) RemoveAllReceivers(&p->receivers);
    if (PartFields* p = PartOf(n->receiver, g_column)) RemoveAllReceivers(&p->receivers);
  }
  RemoveAllReceivers(&b->selection);
  RemoveAllReceivers(&b->gotFocus);
  RemoveAllReceivers(&b->lostFocus);
  ObjectRef data = std::move(b->data);
  CallInterface(data.get(), Iface::kListDataNotifier, "removeListDataNotificationReceiver",
                {Arg(list)});
}

}  // namespace

void InitListBinding(ClassObject* listBox) {
  if (g_action) return;
  DeclareInterfaces(listBox, {Iface::kListInterface, Iface::kListSelectionNotifier,
                              Iface::kListDataNotificationReceiver, Iface::kBindingPartInterface});
  SetBindingCloser(listBox, &CloseListBindings);
  g_action = BuildPartClass("Sys$ListboxAction", kActionMethods, {Iface::kActionSource});
  g_selection = BuildPartClass(
      "listSelectionProvider", kSelectionMethods,
      {Iface::kBooleanProvider, Iface::kDataNotifier, Iface::kListSelectionNotificationReceiver});
  g_column = BuildPartClass(
      "listColumnValueProvider", kColumnMethods,
      {Iface::kStringProvider, Iface::kStringInterface, Iface::kDataAvailableProvider,
       Iface::kDataNotifier, Iface::kListSelectionNotificationReceiver});
}

// --- the ListBox's own binding methods

void ListBindList(TessObject* list, TessObject* data) {
  ObjectRef keep = ShareObject(list);
  ListBindings& b = Of(list);
  CallInterface(b.data.get(), Iface::kListDataNotifier, "removeListDataNotificationReceiver",
                {Arg(list)});
  b.data = ShareObject(data);
  CallInterface(data, Iface::kListDataNotifier, "addListDataNotificationReceiver", {Arg(list)});
  Reload(list);
}

void ListDataInsertedRow(TessObject* list, int32_t row) {
  if (TessObject* data = DataOf(list)) {
    ObjectRef keep = ShareObject(data);
    Filling filling(list);
    PutRow(list, data, row, row);
  }
}
void ListDataRemovedRow(TessObject* list, int32_t row) {
  if (!DataOf(list)) return;
  Filling filling(list);
  RuntimeRemoveRow(list, row);
}
void ListDataReload(TessObject* list) {
  ObjectRef keep = ShareObject(list);
  Reload(list);
}

bool ListRowsBound(TessObject* list) {
  ListBindings* b = Find(list);
  return b && b->data.get() && !b->filling;
}

void ListSelectionChanging(TessObject* list) {
  if (ListBindings* b = Find(list))
    Broadcast(&b->selection, Iface::kListSelectionNotificationReceiver, "selectionChanging");
}
void ListSelectionChanged(TessObject* list) {
  if (ListBindings* b = Find(list))
    Broadcast(&b->selection, Iface::kListSelectionNotificationReceiver, "selectionChanged");
}
void ListFocusChanged(TessObject* list, bool gained) {
  if (ListBindings* b = Find(list)) BroadcastPerformAction(gained ? &b->gotFocus : &b->lostFocus);
}
void ListBindingsGone(TessObject* list) {
  CloseListBindings(list);
  All().erase(list);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

TessObject* listGetBoundPart(TessObject* list, TessString* part) {
  if (!IsListBox(list)) return nullptr;
  std::string_view name = View(part);
  if (SameName(name, "gotFocusAction")) return NewPart(g_action, list, 1);
  if (SameName(name, "lostFocusAction")) return NewPart(g_action, list, 0);
  if (SameName(name, "getSelectionProvider")) return RegisteredPart(g_selection, list, 0);
  if (name.size() >= kColumnPrefix.size() &&
      SameName(name.substr(0, kColumnPrefix.size()), kColumnPrefix)) {
    StringRef digits = StringRef::Adopt(MakeString(name.substr(kColumnPrefix.size())));
    return RegisteredPart(g_column, list, TruncateToInteger(StringVal(digits.get())));
  }
  return nullptr;
}
void listAddLSNR(TessObject* list, TessObject* receiver) {
  if (IsListBox(list)) AddReceiver(&Of(list).selection, receiver);
}
void listRemoveLSNR(TessObject* list, TessObject* receiver) {
  if (ListBindings* b = IsListBox(list) ? Find(list) : nullptr)
    RemoveReceiver(&b->selection, receiver);
}
void lbaAddActionNotificationReceiver(TessObject* part, TessObject* receiver) {
  if (NotificationList* list = FocusList(part)) AddReceiver(list, receiver);
}
void lbaRemoveActionNotificationReceiver(TessObject* part, TessObject* receiver) {
  if (NotificationList* list = FocusList(part)) RemoveReceiver(list, receiver);
}

}  // extern "C"
