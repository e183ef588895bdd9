// PopupMenu over the host's drop-down list "COMBOBOX". The instance keeps
// the rows (text, separator mark, tag); the native child mirrors them.
// ListIndex is the selected row or -1; Change fires whenever it changes,
// by the user's choice or by code. Rows come from InitialValue at layout
// time, one a line (CR, LF or CR LF between them).
//
// Bindings: the popup menu provides the selected row's text (getString),
// available while a row is selected; its data receivers hear dataChanged
// whenever ListIndex changes, before Change fires. BindList fills the rows
// from a listDataProvider (each row's first field). getBoundPart("getRowTag")
// gives a sys$popupRowTag, registered as a data receiver of the menu, that
// provides the selected row's tag (when the tag is a StringProvider) and
// tells its own receivers of every change.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/comctl/commctrl.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/binding.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"

namespace tess::ui {

void InitPopupClass();

namespace {

using namespace platform;

struct Row {
  std::string text;
  bool separator = false;
  TessObject* tag = nullptr;  // one reference
};

struct PopupFields {
  RectControlFields rect;
  TessString* textFont;
  int32_t textSize;
  uint8_t bold, italic, underline, reserved;
  int32_t listIndex;
  TessString* initialValue;
  TessString* dataSource;
  TessString* dataField;
  std::vector<Row>* rows;
};
#if defined(__i386__)
static_assert(offsetof(PopupFields, textFont) == 80);
static_assert(sizeof(PopupFields) == 112);
#endif

ClassObject* g_popup = nullptr;
ClassObject* g_rowTag = nullptr;   // sys$popupRowTag
constexpr int kDataReceivers = 0;  // the menu's OwnerList

const char* const kMouseArgs = "X As Integer, Y As Integer";
EventRecord g_events[] = {
    {0, "Change", nullptr, nullptr, 1001, nullptr},
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseUp", kMouseArgs, "Boolean", 502, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
};
enum Event { kChange, kMouseDown, kMouseUp, kGotFocus, kLostFocus };

bool IsPopup(TessObject* o) {
  return o && g_popup && IsA(o, g_popup);
}
PopupFields* P(TessObject* o) {
  return FieldsOf<PopupFields>(o);
}
std::vector<Row>& Rows(TessObject* o) {
  return *P(o)->rows;
}

// Entry points given something else than a popup menu do nothing.
PopupFields* Checked(TessObject* o) {
  if (!o) Raise(RuntimeError::kNilObject);
  return IsPopup(o) ? P(o) : nullptr;
}

void CheckRow(TessObject* o, int32_t row, bool endAllowed = false) {
  int32_t count = int32_t(Rows(o).size());
  if (row < 0 || row > count || (row == count && !endAllowed)) Raise(RuntimeError::kOutOfBounds);
}

void Fire(TessObject* o, Event e) {
  if (InOpenWindow(o)) FireEvent(o, g_events[e].descriptor, {});
}

// A new ListIndex: data receivers first, then Change.
void Changed(TessObject* o) {
  if (NotificationList* list = FindOwnerList(o, kDataReceivers)) BroadcastDataChanged(list);
  Fire(o, kChange);
}

// Sets ListIndex (-1 or a row) and fires Change when it changed.
void Select(TessObject* o, int32_t row) {
  PopupFields* f = P(o);
  if (HWND native = NativeOf(o)) SendMessage(native, CB_SETCURSEL, WPARAM(row), 0);
  if (f->listIndex == row) return;
  f->listIndex = row;
  ObjectRef keep = ShareObject(o);
  if (NativeOf(o)) Changed(o);
}

void Insert(TessObject* o, int32_t at, std::string text, bool separator) {
  std::vector<Row>& rows = Rows(o);
  // A row count beyond what the native list holds is refused whole.
  if (rows.size() >= size_t(kComboMaxRows)) Raise(RuntimeError::kOutOfMemory);
  auto row = rows.insert(rows.begin() + at, Row{std::move(text), separator, nullptr});
  if (separator) row->text.assign(1, '-');  // how the native list marks one
  if (P(o)->listIndex >= at) ++P(o)->listIndex;
  if (HWND native = NativeOf(o))
    SendMessage(native, CB_INSERTSTRING, WPARAM(at), reinterpret_cast<LPARAM>(row->text.c_str()));
}

void ClearRows(TessObject* o) {
  for (Row& r : Rows(o)) UnlockObject(r.tag);
  Rows(o).clear();
}

void ApplyInitialValue(TessObject* o, std::string_view text) {
  // Rows past what the native list holds are refused.
  size_t room = size_t(kComboMaxRows) - Rows(o).size();
  for (std::string& line : SplitLines(text, room))
    Insert(o, int32_t(Rows(o).size()), std::move(line), false);
}

void Construct(TessObject* o, ClassObject*) {
  P(o)->rows = new std::vector<Row>;
  P(o)->listIndex = -1;
}
// Closing: the row-tag parts' own receivers, then the menu's list.
void ClosePopupBindings(TessObject* o) {
  NotificationList* list = FindOwnerList(o, kDataReceivers);
  if (!list) return;
  for (NotificationNode* n = *list; n; n = n->next)
    if (PartFields* p = PartOf(n->receiver, g_rowTag)) RemoveAllReceivers(&p->receivers);
  RemoveAllReceivers(list);
}

void Destruct(TessObject* o, ClassObject*) {
  PopupFields* f = P(o);
  ClosePopupBindings(o);
  ForgetOwnerLists(o);
  if (f->rows) ClearRows(o);
  delete f->rows;
  f->rows = nullptr;
  for (TessString** s : {&f->textFont, &f->initialValue, &f->dataSource, &f->dataField}) {
    UnlockString(*s);
    *s = nullptr;
  }
}

void ApplyFont(TessObject* o) {
  PopupFields* f = P(o);
  ApplyControlFont(o, f->textFont, f->textSize, f->bold, f->italic, f->underline);
}

DWORD Style(TessObject*) {
  return CBS_DROPDOWNLIST | WS_TABSTOP | WS_GROUP;
}
void Created(TessObject* o, HWND native) {
  for (const Row& r : Rows(o))
    SendMessage(native, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.text.c_str()));
  SendMessage(native, CB_SETCURSEL, WPARAM(P(o)->listIndex), 0);
  ApplyFont(o);
}
void Command(TessObject* o, UINT code) {
  if (code != CBN_SELCHANGE) return;
  HWND native = NativeOf(o);
  int32_t row = int32_t(SendMessage(native, CB_GETCURSEL, 0, 0));
  if (row != P(o)->listIndex) {
    ObjectRef keep = ShareObject(o);
    P(o)->listIndex = row;
    Changed(o);
  }
}
void Focus(TessObject* o, bool gained) {
  Fire(o, gained ? kGotFocus : kLostFocus);
}

const NativeKind kKind{"COMBOBOX", &Style, false, &Created, &Command, &Focus, nullptr, nullptr};

void SetInitialValue(TessObject* o, uint32_t, TessString* value) {
  if (!IsPopup(o)) return;
  LockString(value);
  UnlockString(P(o)->initialValue);
  P(o)->initialValue = value;
  ApplyInitialValue(o, View(value));
}

#define OFFSET(field) uint32_t(offsetof(PopupFields, field))
const PropertyRecord kProperties[] = {
    {0, "TextFont", &kStringType, (void*)&popupTextFontGetter, (void*)&popupTextFontSetter, 0},
    {0, "TextSize", &kIntegerType, (void*)&popupTextSizeGetter, (void*)&popupTextSizeSetter, 0},
    {0, "Bold", &kBooleanType, (void*)&popupBoldGetter, (void*)&popupBoldSetter, 0},
    {0, "Italic", &kBooleanType, (void*)&popupItalicGetter, (void*)&popupItalicSetter, 0},
    {0, "Underline", &kBooleanType, (void*)&popupUnderlineGetter, (void*)&popupUnderlineSetter, 0},
    {0, "ListCount", &kIntegerType, (void*)&RuntimePopupCountGetter, nullptr, 0},
    {0, "ListIndex", &kIntegerType, (void*)&RuntimePopupSelectionGetter,
     (void*)&RuntimePopupSelectionSetter, 0},
    {0, "Text", &kStringType, (void*)&popupTextGetter, nullptr, 0},
    {0, "InitialValue", &kStringType, (void*)&stringGetter, (void*)&SetInitialValue,
     OFFSET(initialValue)},
    {0, "DataSource", &kStringType, (void*)&stringGetter, (void*)&stringSetter, OFFSET(dataSource)},
    {0, "DataField", &kStringType, (void*)&stringGetter, (void*)&stringSetter, OFFSET(dataField)},
};
#undef OFFSET

const ParameterRecord kTextParameter[] = {{"Text", &kStringType, {}}};
const ParameterRecord kIndexParameter[] = {{"Index", &kIntegerType, {}}};
const ParameterRecord kInsertParameters[] = {{"row", &kIntegerType, {}}, {"str", &kStringType, {}}};
void AddDataReceiver(TessObject* o, TessObject* receiver) {
  if (IsPopup(o)) AddReceiver(OwnerList(o, kDataReceivers), receiver);
}
void RemoveDataReceiver(TessObject* o, TessObject* receiver) {
  if (IsPopup(o)) RemoveReceiver(OwnerList(o, kDataReceivers), receiver);
}

// The row tag part: the selected row's tag, through its StringProvider.
TessObject* SelectedTag(TessObject* part) {
  PartFields* p = PartOf(part, g_rowTag);
  if (!p || !IsPopup(p->owner)) return nullptr;
  int32_t row = P(p->owner)->listIndex;
  if (row < 0 || size_t(row) >= Rows(p->owner).size()) return nullptr;
  return Rows(p->owner)[size_t(row)].tag;
}
TessString* TagGetString(TessObject* part) {
  ObjectRef tag = ShareObject(SelectedTag(part));
  return ProvidedString(tag.get());
}
int32_t TagDataAvailable(TessObject* part) {
  return SelectedTag(part) != nullptr;
}
void TagAddReceiver(TessObject* part, TessObject* receiver) {
  if (PartFields* p = PartOf(part, g_rowTag)) AddReceiver(&p->receivers, receiver);
}
void TagRemoveReceiver(TessObject* part, TessObject* receiver) {
  if (PartFields* p = PartOf(part, g_rowTag)) RemoveReceiver(&p->receivers, receiver);
}
void TagDataChanged(TessObject* part) {
  ObjectRef keep = ShareObject(part);
  if (PartFields* p = PartOf(part, g_rowTag)) BroadcastDataChanged(&p->receivers);
}

const MethodRecord kTagMethods[] = {
    {"getString", &kStringType, nullptr, 0, {(void*)&TagGetString}, {}},
    {"dataAvailable", &kBooleanType, nullptr, 0, {(void*)&TagDataAvailable}, {}},
    ObjectMethod("addDataNotificationReceiver", (void*)&TagAddReceiver),
    ObjectMethod("removeDataNotificationReceiver", (void*)&TagRemoveReceiver),
    {"dataChanged", nullptr, nullptr, 0, {(void*)&TagDataChanged}, {}},
};

const MethodRecord kMethods[] = {
    {"DeleteAllRows", nullptr, nullptr, 0, {(void*)&RuntimePopupEmpty}, {}},
    {"AddRow", nullptr, kTextParameter, 1, {(void*)&RuntimePopupAddRow}, {}},
    {"AddSeparator", nullptr, nullptr, 0, {(void*)&RuntimePopupAddSeparator}, {}},
    {"RemoveRow", nullptr, kIndexParameter, 1, {(void*)&RuntimePopupRemoveRow}, {}},
    {"List", &kStringType, kIndexParameter, 1, {(void*)&RuntimePopupGetRow}, {}},
    {"InsertRow", nullptr, kInsertParameters, 2, {(void*)&RuntimePopupInsertRow}, {}},
    {"getString", &kStringType, nullptr, 0, {(void*)&RuntimePopupGetString}, {}},
    {"RowTag", nullptr, kIndexParameter, 1, {(void*)&RuntimePopupGetRowTag}, {}},
    {"dataAvailable", &kBooleanType, nullptr, 0, {(void*)&popupDataAvailable}, {}},
    ObjectMethod("addDataNotificationReceiver", (void*)&AddDataReceiver),
    ObjectMethod("removeDataNotificationReceiver", (void*)&RemoveDataReceiver),
    ObjectMethod("BindList", (void*)&popupBindList),
    {"getBoundPart", nullptr, kPartNameParameter, 1, {(void*)&popupGetBoundPart}, {}},
};

// Font settings.
TessString* FontName(TessObject* o) {
  TessString* s = IsPopup(o) ? P(o)->textFont : nullptr;
  LockString(s);
  return s;
}
uint8_t* StyleField(TessObject* o, int which) {
  PopupFields* f = P(o);
  return which == 0 ? &f->bold : which == 1 ? &f->italic : &f->underline;
}
int32_t StyleOf(TessObject* o, int which) {
  return IsPopup(o) ? *StyleField(o, which) : 0;
}
void SetStyle(TessObject* o, int which, int32_t v) {
  if (!IsPopup(o)) return;
  *StyleField(o, which) = v ? 1 : 0;
  ApplyFont(o);
}

}  // namespace

void InitPopupClass() {
  if (g_popup) return;
  FrameworkClassDef def{};
  def.name = "PopupMenu";
  def.superclass = RectControlClass();
  def.instanceSize = int32_t(sizeof(PopupFields));
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  def.events = g_events;
  g_popup = BuildFrameworkClass(def);
  SetNativeKind(g_popup, &kKind);
  DeclareInterfaces(g_popup,
                    {Iface::kStringProvider, Iface::kDataAvailableProvider, Iface::kDataNotifier,
                     Iface::kListInterface, Iface::kBindingPartInterface});
  SetBindingCloser(g_popup, &ClosePopupBindings);
  g_rowTag = BuildPartClass("sys$popupRowTag", kTagMethods,
                            {Iface::kStringProvider, Iface::kDataAvailableProvider,
                             Iface::kDataNotifier, Iface::kDataNotificationReceiver});
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

void RuntimePopupEmpty(TessObject* popup) {
  AtEntry([popup] {
    if (!Checked(popup)) return;
    ClearRows(popup);
    if (HWND native = NativeOf(popup)) SendMessage(native, CB_RESETCONTENT, 0, 0);
    Select(popup, -1);
  });
}

void RuntimePopupAddRow(TessObject* popup, TessString* text) {
  AtEntry([popup, text] {
    if (Checked(popup)) Insert(popup, int32_t(Rows(popup).size()), std::string(View(text)), false);
  });
}

void RuntimePopupAddSeparator(TessObject* popup) {
  AtEntry([popup] {
    if (Checked(popup)) Insert(popup, int32_t(Rows(popup).size()), {}, true);
  });
}

void RuntimePopupInsertRow(TessObject* popup, int32_t row, TessString* text) {
  AtEntry([popup, row, text] {
    if (!Checked(popup)) return;
    CheckRow(popup, row, true);
    Insert(popup, row, std::string(View(text)), false);
  });
}

void RuntimePopupRemoveRow(TessObject* popup, int32_t row) {
  AtEntry([popup, row] {
    if (!Checked(popup)) return;
    CheckRow(popup, row);
    std::vector<Row>& rows = Rows(popup);
    UnlockObject(rows[size_t(row)].tag);
    rows.erase(rows.begin() + row);
    if (HWND native = NativeOf(popup)) SendMessage(native, CB_DELETESTRING, WPARAM(row), 0);
    PopupFields* f = P(popup);
    if (f->listIndex == row)
      Select(popup, -1);
    else if (f->listIndex > row)
      --f->listIndex;
  });
}

TessString* RuntimePopupGetRow(TessObject* popup, int32_t row) {
  return AtEntry([popup, row]() -> TessString* {
    if (!Checked(popup)) return nullptr;
    CheckRow(popup, row);
    const Row& r = Rows(popup)[size_t(row)];
    return r.separator ? nullptr : MakeString(r.text);
  });
}

void RuntimePopupSetRow(TessObject* popup, int32_t row, TessString* text) {
  AtEntry([popup, row, text] {
    if (!Checked(popup)) return;
    CheckRow(popup, row);
    Row& r = Rows(popup)[size_t(row)];
    r.text = std::string(View(text));
    r.separator = false;
    if (HWND native = NativeOf(popup)) {
      int32_t selected = P(popup)->listIndex;
      SendMessage(native, CB_DELETESTRING, WPARAM(row), 0);
      SendMessage(native, CB_INSERTSTRING, WPARAM(row), reinterpret_cast<LPARAM>(r.text.c_str()));
      SendMessage(native, CB_SETCURSEL, WPARAM(selected), 0);
    }
  });
}

TessObject* RuntimePopupGetRowTag(TessObject* popup, int32_t row) {
  return AtEntry([popup, row]() -> TessObject* {
    if (!Checked(popup)) return nullptr;
    CheckRow(popup, row);
    TessObject* tag = Rows(popup)[size_t(row)].tag;
    LockObject(tag);
    return tag;
  });
}

void RuntimePopupSetRowTag(TessObject* popup, int32_t row, TessObject* tag) {
  AtEntry([popup, row, tag] {
    if (!Checked(popup)) return;
    CheckRow(popup, row);
    TessObject*& field = Rows(popup)[size_t(row)].tag;
    LockObject(tag);
    UnlockObject(field);
    field = tag;
  });
}

int32_t RuntimePopupCountGetter(TessObject* popup, uint32_t) {
  return IsPopup(popup) ? int32_t(Rows(popup).size()) : 0;
}

int32_t RuntimePopupSelectionGetter(TessObject* popup, uint32_t) {
  return IsPopup(popup) ? P(popup)->listIndex : -1;
}

// -1 clears the selection; any other row outside the list is refused.
void RuntimePopupSelectionSetter(TessObject* popup, uint32_t, int32_t row) {
  AtEntry([popup, row] {
    if (!Checked(popup)) return;
    if (row != -1) CheckRow(popup, row);
    if (row >= 0 && Rows(popup)[size_t(row)].separator) Raise(RuntimeError::kOutOfBounds);
    Select(popup, row);
  });
}

TessString* popupTextGetter(TessObject* popup, uint32_t) {
  if (!IsPopup(popup)) return nullptr;
  int32_t row = P(popup)->listIndex;
  if (row < 0 || size_t(row) >= Rows(popup).size()) return nullptr;
  return MakeString(Rows(popup)[size_t(row)].text);
}

TessString* RuntimePopupGetString(TessObject* popup) {
  return popupTextGetter(popup, 0);
}

TessString* popupTextFontGetter(TessObject* o, uint32_t) {
  return FontName(o);
}
void popupTextFontSetter(TessObject* o, uint32_t, TessString* v) {
  if (!IsPopup(o)) return;
  LockString(v);
  UnlockString(P(o)->textFont);
  P(o)->textFont = v;
  ApplyFont(o);
}
int32_t popupTextSizeGetter(TessObject* o, uint32_t) {
  return IsPopup(o) ? P(o)->textSize : 0;
}
void popupTextSizeSetter(TessObject* o, uint32_t, int32_t v) {
  if (!IsPopup(o)) return;
  P(o)->textSize = v;
  ApplyFont(o);
}
int32_t popupBoldGetter(TessObject* o, uint32_t) {
  return StyleOf(o, 0);
}
void popupBoldSetter(TessObject* o, uint32_t, int32_t v) {
  SetStyle(o, 0, v);
}
int32_t popupItalicGetter(TessObject* o, uint32_t) {
  return StyleOf(o, 1);
}
void popupItalicSetter(TessObject* o, uint32_t, int32_t v) {
  SetStyle(o, 1, v);
}
int32_t popupUnderlineGetter(TessObject* o, uint32_t) {
  return StyleOf(o, 2);
}
void popupUnderlineSetter(TessObject* o, uint32_t, int32_t v) {
  SetStyle(o, 2, v);
}

int32_t popupDataAvailable(TessObject* popup) {
  return IsPopup(popup) && P(popup)->listIndex >= 0;
}

// The rows become the provider's rows, each shown by its first field.
void popupBindList(TessObject* popup, TessObject* data) {
  AtEntry([popup, data] {
    if (!Checked(popup)) return;
    ObjectRef keep = ShareObject(popup), source = ShareObject(data);
    RuntimePopupEmpty(popup);
    int32_t count = ProviderRowCount(data);
    for (int32_t i = 0; i < count && Rows(popup).size() < size_t(kComboMaxRows); ++i) {
      std::vector<StringRef> fields = ProviderRow(data, i);
      Insert(popup, int32_t(Rows(popup).size()),
             fields.empty() ? std::string() : std::string(View(fields[0].get())), false);
    }
  });
}

TessObject* popupGetBoundPart(TessObject* popup, TessString* part) {
  if (!IsPopup(popup) || !SameName(View(part), "getRowTag")) return nullptr;
  TessObject* tag = NewPart(g_rowTag, popup, 0);
  AddReceiver(OwnerList(popup, kDataReceivers), tag);
  return tag;
}

}  // extern "C"
