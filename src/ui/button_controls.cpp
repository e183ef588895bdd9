// PushButton, CheckBox, RadioButton, GroupBox and StaticText over the host's
// "BUTTON" and "STATIC" children. Setters store into the instance and, once
// the control has its child, forward: the caption to the window text, the
// value to the check state, the font settings to a new native font.
//
// A check box's check state changes by one road, a click or code alike:
// the value is read back from the child, then, unless that road is already
// running for the box, its data receivers hear dataChanged, Action fires,
// and the receivers of the new state (getCheckedAction or
// getUncheckedAction parts) hear PerformAction; each step runs only while
// the box is still open in a window that is not closing. A radio button
// being checked unchecks the others of its group first, fires Action once,
// then tells its checked receivers and the others' unchecked ones. A push
// button tells its action receivers after its Action.
#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

#include "platform/comctl/commctrl.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/binding.h"
#include "ui/control_list.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"

namespace tess::ui {
namespace {

using namespace platform;

// Fields after RectControl, shared by the button kinds and the group box.
struct ButtonFields {
  RectControlFields rect;
  TessString* caption;
  TessString* textFont;
  int32_t textSize;
  uint8_t bold, italic, underline;
  uint8_t value;  // check boxes and radio buttons: checked
  uint8_t isDefault, isCancel;
  uint8_t running;  // the check-state road is running for this box
  uint8_t reserved;
  TessString* dataSource;
  TessString* dataField;
};

// Binding receivers, kept beside the button (OwnerList): a push button's
// action receivers in the first list; a check box's data receivers there,
// its checked- and unchecked-action receivers in the other two (a radio
// button's likewise).
enum ReceiverList { kDataOrActionList, kCheckedList, kUncheckedList };

void Tell(TessObject* button, ReceiverList which, bool action) {
  NotificationList* list = FindOwnerList(button, which);
  if (!list) return;
  if (action)
    BroadcastPerformAction(list);
  else
    BroadcastDataChanged(list);
}

struct LabelFields {
  RectControlFields rect;
  TessString* caption;
  TessString* textFont;
  int32_t textSize;
  uint8_t bold, italic, underline, multiLine;
  int16_t textAlign;
  int16_t reserved;
  int32_t textColor;
  TessString* dataSource;
  TessString* dataField;
};

#if defined(__i386__)
static_assert(offsetof(ButtonFields, caption) == 80);
static_assert(sizeof(ButtonFields) == 108);
static_assert(offsetof(LabelFields, textAlign) == 96);
static_assert(sizeof(LabelFields) == 112);
#endif

#define OFFSET(type, field) uint32_t(offsetof(type, field))

enum ClassIndex { kPush, kCheck, kRadio, kGroup, kLabel, kClassCount };
ClassObject* g_classes[kClassCount] = {};
ClassObject* g_checkAction = nullptr;  // Sys$CheckBoxAction
ClassObject* g_radioAction = nullptr;  // Sys$RadioButtonAction

bool Is(TessObject* object, ClassIndex which) {
  return object && g_classes[which] && IsA(object, g_classes[which]);
}
bool IsButtonLike(TessObject* object) {
  return Is(object, kPush) || Is(object, kCheck) || Is(object, kRadio) || Is(object, kGroup);
}

ButtonFields* B(TessObject* object) {
  return FieldsOf<ButtonFields>(object);
}
LabelFields* L(TessObject* object) {
  return FieldsOf<LabelFields>(object);
}

const char* const kMouseArgs = "X As Integer, Y As Integer";

// Push button, check box and radio button share their events.
EventRecord g_pushEvents[] = {
    {0, "Action", nullptr, nullptr, 1001, nullptr},
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseUp", kMouseArgs, "Boolean", 502, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
};
EventRecord g_checkEvents[std::size(g_pushEvents)] = {
    {0, "Action", nullptr, nullptr, 1001, nullptr},
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseUp", kMouseArgs, "Boolean", 502, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
};
EventRecord g_radioEvents[std::size(g_pushEvents)] = {
    {0, "Action", nullptr, nullptr, 1001, nullptr},
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseUp", kMouseArgs, "Boolean", 502, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
};
enum ButtonEvent { kAction, kMouseDown, kMouseUp, kGotFocus, kLostFocus };
EventRecord g_groupEvents[] = {
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseDrag", kMouseArgs, nullptr, 506, nullptr},
    {0, "MouseUp", kMouseArgs, nullptr, 502, nullptr},
};
EventRecord g_labelEvents[] = {
    {0, "AcceleratorKey", nullptr, nullptr, 1001, nullptr},
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseDrag", kMouseArgs, nullptr, 506, nullptr},
    {0, "MouseUp", kMouseArgs, nullptr, 502, nullptr},
};

EventRecord* EventsOf(TessObject* control) {
  if (Is(control, kCheck)) return g_checkEvents;
  if (Is(control, kRadio)) return g_radioEvents;
  return g_pushEvents;
}

void Fire(TessObject* control, ButtonEvent event) {
  FireEvent(control, EventsOf(control)[event].descriptor, {});
}

bool WindowClosing(TessObject* control) {
  return !InOpenWindow(control);
}

void ReplaceString(TessString*& field, TessString* value) {
  LockString(value);
  UnlockString(field);
  field = value;
}

std::string Text(TessString* s) {
  return std::string(View(s));
}

void ApplyFont(TessObject* control) {
  if (Is(control, kLabel)) {
    LabelFields* f = L(control);
    ApplyControlFont(control, f->textFont, f->textSize, f->bold, f->italic, f->underline);
  } else {
    ButtonFields* f = B(control);
    ApplyControlFont(control, f->textFont, f->textSize, f->bold, f->italic, f->underline);
  }
}

// --- check boxes

// Open, with its window not closing: a handler that closes the window
// stops what is left of the change.
bool StillOpen(TessObject* box) {
  return NativeOf(box) && !WindowClosing(box);
}

// The check-state road: data receivers, Action, then the action receivers
// of the new state, each only while the box is still open.
void CheckStateChanged(TessObject* box) {
  ButtonFields* f = B(box);
  HWND native = NativeOf(box);
  if (native) f->value = SendMessage(native, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (f->running || !native || WindowClosing(box)) return;
  ObjectRef keep = ShareObject(box);
  // The mark goes however the road ends, a raise from a handler included.
  struct Running {
    ButtonFields* f;
    ~Running() { f->running = 0; }
  } running{f};
  f->running = 1;
  Tell(box, kDataOrActionList, false);
  if (StillOpen(box)) Fire(box, kAction);
  if (StillOpen(box)) Tell(box, f->value ? kCheckedList : kUncheckedList, true);
}

void SetCheck(TessObject* box, bool value) {
  ButtonFields* f = B(box);
  HWND native = NativeOf(box);
  if (!native) {
    f->value = value;
    return;
  }
  if ((SendMessage(native, BM_GETCHECK, 0, 0) == BST_CHECKED) == value) return;
  SendMessage(native, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
  CheckStateChanged(box);
}

// --- radio buttons

bool Encloses(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The other radio buttons of `radio`'s group: those of the same container
// inside the smallest other control enclosing it, or all of the container's
// when none encloses it.
std::vector<TessObject*> GroupOf(TessObject* radio) {
  std::vector<TessObject*> out;
  Pane* pane = FieldsOf<ControlFields>(radio)->pane;
  TessObject* window = FieldsOf<ControlFields>(radio)->window;
  if (!pane || !IsWindow(window)) return out;
  ControlList* controls = FieldsOf<WindowFields>(window)->controls;
  const Pane* fence = nullptr;
  auto area = [](const RECT& r) { return int64_t(r.right - r.left) * (r.bottom - r.top); };
  for (size_t i = 0; i < controls->size(); ++i) {
    TessObject* c = controls->at(i);
    Pane* p = IsRectControl(c) ? FieldsOf<ControlFields>(c)->pane : nullptr;
    if (!p || p == pane || p->parent != pane->parent || !Encloses(p->bounds, pane->bounds))
      continue;
    if (!fence || area(p->bounds) < area(fence->bounds)) fence = p;
  }
  for (size_t i = 0; i < controls->size(); ++i) {
    TessObject* c = controls->at(i);
    if (c == radio || !Is(c, kRadio)) continue;
    Pane* p = FieldsOf<ControlFields>(c)->pane;
    if (!p || p->parent != pane->parent) continue;
    if (fence && !Encloses(fence->bounds, p->bounds)) continue;
    out.push_back(c);
  }
  return out;
}

void SetRadioNative(TessObject* radio, bool value) {
  B(radio)->value = value;
  if (HWND native = NativeOf(radio))
    SendMessage(native, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckRadio(TessObject* radio) {
  if (B(radio)->value) return;
  ObjectRef keep = ShareObject(radio);
  std::vector<ObjectRef> unchecked;
  for (TessObject* other : GroupOf(radio)) {
    if (!B(other)->value) continue;
    SetRadioNative(other, false);
    unchecked.push_back(ShareObject(other));
  }
  SetRadioNative(radio, true);
  if (StillOpen(radio)) Fire(radio, kAction);
  if (StillOpen(radio)) Tell(radio, kCheckedList, true);
  for (const ObjectRef& other : unchecked)
    if (StillOpen(other.get())) Tell(other.get(), kUncheckedList, true);
}

// --- push buttons

DWORD PushStyle(TessObject* button) {
  return B(button)->isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

// The window's other push buttons give up Default (or Cancel).
void ClearOthers(TessObject* button, bool cancel) {
  TessObject* window = FieldsOf<ControlFields>(button)->window;
  if (!IsWindow(window)) return;
  ControlList* controls = FieldsOf<WindowFields>(window)->controls;
  for (size_t i = 0; i < controls->size(); ++i) {
    TessObject* c = controls->at(i);
    if (c == button || !Is(c, kPush)) continue;
    if (cancel && B(c)->isCancel) pushButtonCancelSetter(c, 0, 0);
    if (!cancel && B(c)->isDefault) pushButtonDefaultSetter(c, 0, 0);
  }
}

void SetCancelId(TessObject* button) {
  HWND native = NativeOf(button);
  if (!native) return;
  SetWindowLong(native, GWL_ID, B(button)->isCancel ? IDCANCEL : LONG(NativeIdOf(button)));
}

// --- native kinds

DWORD StyleOfPush(TessObject* c) {
  return PushStyle(c) | WS_TABSTOP | WS_GROUP;
}
DWORD StyleOfCheck(TessObject*) {
  return BS_CHECKBOX | WS_TABSTOP | WS_GROUP;
}
DWORD StyleOfRadio(TessObject* c) {
  // A radio button starts a host group unless the control before it in the
  // window is a radio button of the same group: arrows stay within it.
  DWORD style = BS_RADIOBUTTON | WS_TABSTOP;
  TessObject* window = FieldsOf<ControlFields>(c)->window;
  if (!IsWindow(window)) return style | WS_GROUP;
  ControlList* controls = FieldsOf<WindowFields>(window)->controls;
  size_t at = controls->PositionOf(c);
  for (size_t i = at; i-- > 0;) {
    TessObject* before = controls->at(i);
    if (!NativeOf(before)) continue;
    if (!Is(before, kRadio)) return style | WS_GROUP;
    std::vector<TessObject*> group = GroupOf(c);
    return std::find(group.begin(), group.end(), before) != group.end() ? style : style | WS_GROUP;
  }
  return style | WS_GROUP;
}
DWORD StyleOfGroup(TessObject*) {
  return BS_GROUPBOX | WS_GROUP;
}
DWORD StyleOfLabel(TessObject* c) {
  LabelFields* f = L(c);
  DWORD style = f->textAlign == 1 ? SS_CENTER : f->textAlign == 2 ? SS_RIGHT : SS_LEFT;
  if (!f->multiLine && style == SS_LEFT) style = SS_LEFTNOWORDWRAP;
  return style | WS_GROUP;
}

void CreatedButton(TessObject* c, HWND native) {
  SetWindowText(native, Text(B(c)->caption).c_str());
  if (Is(c, kCheck) || Is(c, kRadio))
    SendMessage(native, BM_SETCHECK, B(c)->value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (Is(c, kPush)) SetCancelId(c);
  ApplyFont(c);
}
void CreatedLabel(TessObject* c, HWND native) {
  SetWindowText(native, Text(L(c)->caption).c_str());
  ApplyFont(c);
}

// Action, then the button's action receivers while it is still open.
void PushAction(TessObject* c) {
  ObjectRef keep = ShareObject(c);
  Fire(c, kAction);
  if (StillOpen(c)) Tell(c, kDataOrActionList, true);
}

void CommandPush(TessObject* c, UINT code) {
  if (code == BN_CLICKED) PushAction(c);
}
void CommandCheck(TessObject* c, UINT code) {
  if (code != BN_CLICKED) return;
  HWND native = NativeOf(c);
  bool checked = SendMessage(native, BM_GETCHECK, 0, 0) == BST_CHECKED;
  SendMessage(native, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
  CheckStateChanged(c);
}
void CommandRadio(TessObject* c, UINT code) {
  if (code == BN_CLICKED) CheckRadio(c);
}
void FocusButton(TessObject* c, bool gained) {
  if (WindowClosing(c)) return;
  // The focus arriving on a radio button checks it (a click swallowed by
  // MouseDown never moves the focus).
  if (gained && Is(c, kRadio)) CheckRadio(c);
  Fire(c, gained ? kGotFocus : kLostFocus);
}

// A label's mnemonic typed with Alt.
void CommandLabel(TessObject* c, UINT code) {
  if (code == STN_CLICKED && !WindowClosing(c)) FireEvent(c, g_labelEvents[0].descriptor, {});
}

int32_t LabelColor(TessObject* c) {
  return L(c)->textColor;
}

const NativeKind kPushKind{"BUTTON",     &StyleOfPush, false,   &CreatedButton,
                           &CommandPush, &FocusButton, nullptr, nullptr};
const NativeKind kCheckKind{"BUTTON",      &StyleOfCheck, false,   &CreatedButton,
                            &CommandCheck, &FocusButton,  nullptr, nullptr};
const NativeKind kRadioKind{"BUTTON",      &StyleOfRadio, false,   &CreatedButton,
                            &CommandRadio, &FocusButton,  nullptr, nullptr};
const NativeKind kGroupKind{"BUTTON", &StyleOfGroup, true,    &CreatedButton,
                            nullptr,  nullptr,       nullptr, nullptr};
const NativeKind kLabelKind{"STATIC",      &StyleOfLabel, false,       &CreatedLabel,
                            &CommandLabel, nullptr,       &LabelColor, nullptr};

// --- records

#define FONT_PROPERTIES(prefix)                                                                      \
  {                                                                                                  \
      0, "TextFont", &kStringType, (void*)&prefix##TextFontGetter, (void*)&prefix##TextFontSetter,   \
      0},                                                                                            \
      {0, "TextSize", &kIntegerType, (void*)&prefix##TextSizeGetter, (void*)&prefix##TextSizeSetter, \
       0},                                                                                           \
      {0, "Bold", &kBooleanType, (void*)&prefix##BoldGetter, (void*)&prefix##BoldSetter, 0},         \
      {0, "Italic", &kBooleanType, (void*)&prefix##ItalicGetter, (void*)&prefix##ItalicSetter, 0},   \
  {                                                                                                  \
    0, "Underline", &kBooleanType, (void*)&prefix##UnderlineGetter,                                  \
        (void*)&prefix##UnderlineSetter, 0                                                           \
  }

const PropertyRecord kPushProperties[] = {
    {0, "Caption", &kStringType, (void*)&pushButtonTitleGetter, (void*)&pushButtonTitleSetter, 0},
    {0, "Default", &kBooleanType, (void*)&pushButtonDefaultGetter, (void*)&pushButtonDefaultSetter,
     0},
    {0, "Cancel", &kBooleanType, (void*)&pushButtonCancelGetter, (void*)&pushButtonCancelSetter, 0},
    FONT_PROPERTIES(pushButton),
};

const MethodRecord kPushMethods[] = {
    {"Push", nullptr, nullptr, 0, {(void*)&pushButtonPush}, {}},
    ObjectMethod("addActionNotificationReceiver", (void*)&pbAddActionNotificationReceiver),
    ObjectMethod("removeActionNotificationReceiver", (void*)&pbRemoveActionNotificationReceiver),
};

const PropertyRecord kCheckProperties[] = {
    {0, "Caption", &kStringType, (void*)&checkBoxTitleGetter, (void*)&checkBoxTitleSetter, 0},
    {0, "Value", &kBooleanType, (void*)&checkBoxValueGetter, (void*)&checkBoxValueSetter, 0},
    {0, "State", &kBooleanType, (void*)&checkBoxValueGetter, (void*)&checkBoxValueSetter, 0},
    FONT_PROPERTIES(checkBox),
    {0, "DataSource", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(ButtonFields, dataSource)},
    {0, "DataField", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(ButtonFields, dataField)},
};
const ParameterRecord kBooleanParameter[] = {{"value", &kBooleanType, {}}};
const MethodRecord kCheckMethods[] = {
    {"getBoolean", &kBooleanType, nullptr, 0, {(void*)&checkBoxGetBoolean}, {}},
    {"setBoolean", nullptr, kBooleanParameter, 1, {(void*)&checkBoxSetBoolean}, {}},
    ObjectMethod("addDataNotificationReceiver", (void*)&checkBoxAddDataNotificationReceiver),
    ObjectMethod("removeDataNotificationReceiver", (void*)&checkBoxRemoveDataNotificationReceiver),
    {"getBoundPart", nullptr, kPartNameParameter, 1, {(void*)&checkBoxGetBoundPart}, {}},
};
const MethodRecord kRadioMethods[] = {
    {"getBoundPart", nullptr, kPartNameParameter, 1, {(void*)&radioGetBoundPart}, {}},
};
const MethodRecord kCheckActionMethods[] = {
    ObjectMethod("addActionNotificationReceiver", (void*)&cbaAddActionNotificationReceiver),
    ObjectMethod("removeActionNotificationReceiver", (void*)&cbaRemoveActionNotificationReceiver),
};
const MethodRecord kRadioActionMethods[] = {
    ObjectMethod("addActionNotificationReceiver", (void*)&rbaAddActionNotificationReceiver),
    ObjectMethod("removeActionNotificationReceiver", (void*)&rbaRemoveActionNotificationReceiver),
};

const PropertyRecord kRadioProperties[] = {
    {0, "Caption", &kStringType, (void*)&radioTitleGetter, (void*)&radioTitleSetter, 0},
    {0, "Value", &kBooleanType, (void*)&radioValueGetter, (void*)&radioValueSetter, 0},
    FONT_PROPERTIES(radio),
};

const PropertyRecord kGroupProperties[] = {
    {0, "Caption", &kStringType, (void*)&groupCaptionGetter, (void*)&groupCaptionSetter, 0},
    FONT_PROPERTIES(group),
};

const PropertyRecord kLabelProperties[] = {
    {0, "Text", &kStringType, (void*)&stringGetter, (void*)&staticCaptionSetter,
     OFFSET(LabelFields, caption)},
    {0, "Caption", &kStringType, (void*)&stringGetter, (void*)&staticCaptionSetter,
     OFFSET(LabelFields, caption)},
    {0, "TextAlign", &kIntegerType, (void*)&shortGetter, (void*)&staticTextAlignSetter,
     OFFSET(LabelFields, textAlign)},
    {0, "TextColor", &kColorType, (void*)&intGetter, (void*)&staticTextColorSetter,
     OFFSET(LabelFields, textColor)},
    {0, "TextFont", &kStringType, (void*)&stringGetter, (void*)&staticTextFontSetter,
     OFFSET(LabelFields, textFont)},
    {0, "TextSize", &kIntegerType, (void*)&intGetter, (void*)&staticTextSizeSetter,
     OFFSET(LabelFields, textSize)},
    {0, "Bold", &kBooleanType, (void*)&boolGetter, (void*)&staticAttributeSetter,
     OFFSET(LabelFields, bold)},
    {0, "Italic", &kBooleanType, (void*)&boolGetter, (void*)&staticAttributeSetter,
     OFFSET(LabelFields, italic)},
    {0, "Underline", &kBooleanType, (void*)&boolGetter, (void*)&staticAttributeSetter,
     OFFSET(LabelFields, underline)},
    {0, "MultiLine", &kBooleanType, (void*)&boolGetter, (void*)&staticAttributeSetter,
     OFFSET(LabelFields, multiLine)},
    {0, "DataSource", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(LabelFields, dataSource)},
    {0, "DataField", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(LabelFields, dataField)},
};

#undef FONT_PROPERTIES
#undef OFFSET

void DestructButton(TessObject* object, ClassObject*) {
  ButtonFields* f = B(object);
  ForgetOwnerLists(object);
  for (TessString** s : {&f->caption, &f->textFont, &f->dataSource, &f->dataField}) {
    UnlockString(*s);
    *s = nullptr;
  }
}
void DestructLabel(TessObject* object, ClassObject*) {
  LabelFields* f = L(object);
  for (TessString** s : {&f->caption, &f->textFont, &f->dataSource, &f->dataField}) {
    UnlockString(*s);
    *s = nullptr;
  }
}

ClassObject* Build(const char* name, int32_t size, ClassRoutine destruct,
                   std::span<const PropertyRecord> properties,
                   std::span<const MethodRecord> methods, std::span<EventRecord> events,
                   const NativeKind* kind) {
  FrameworkClassDef def{};
  def.name = name;
  def.superclass = RectControlClass();
  def.instanceSize = size;
  def.destruct = destruct;
  def.properties = properties;
  def.methods = methods;
  def.events = events;
  ClassObject* cls = BuildFrameworkClass(def);
  SetNativeKind(cls, kind);
  return cls;
}

// Shared accessors of the button kinds.
TessString* CaptionOf(TessObject* c) {
  TessString* s = IsButtonLike(c) ? B(c)->caption : nullptr;
  LockString(s);
  return s;
}
void SetCaption(TessObject* c, TessString* value) {
  if (!IsButtonLike(c)) return;
  ReplaceString(B(c)->caption, value);
  if (HWND native = NativeOf(c)) SetWindowText(native, Text(value).c_str());
}
TessString* FontOf(TessObject* c) {
  TessString* s = IsButtonLike(c) ? B(c)->textFont : nullptr;
  LockString(s);
  return s;
}
void SetFont(TessObject* c, TessString* value) {
  if (!IsButtonLike(c)) return;
  ReplaceString(B(c)->textFont, value);
  ApplyFont(c);
}
int32_t SizeOf(TessObject* c) {
  return IsButtonLike(c) ? B(c)->textSize : 0;
}
void SetSize(TessObject* c, int32_t value) {
  if (!IsButtonLike(c)) return;
  B(c)->textSize = value;
  ApplyFont(c);
}
enum Style { kBold, kItalic, kUnderline };
uint8_t* StyleField(TessObject* c, Style s) {
  ButtonFields* f = B(c);
  return s == kBold ? &f->bold : s == kItalic ? &f->italic : &f->underline;
}
int32_t StyleOf(TessObject* c, Style s) {
  return IsButtonLike(c) ? *StyleField(c, s) : 0;
}
void SetStyle(TessObject* c, Style s, int32_t value) {
  if (!IsButtonLike(c)) return;
  *StyleField(c, s) = value ? 1 : 0;
  ApplyFont(c);
}

// The checked (1) or unchecked (0) action part of a check box or radio
// button by its name; nil for any other name.
TessObject* StatePart(ClassObject* partClass, TessObject* owner, TessString* name) {
  std::string_view n = View(name);
  if (SameName(n, "getCheckedAction")) return NewPart(partClass, owner, 1);
  if (SameName(n, "getUncheckedAction")) return NewPart(partClass, owner, 0);
  return nullptr;
}

// The owner's list for the state a two-state action part stands for.
NotificationList* StateList(const ClassObject* partClass, TessObject* part) {
  PartFields* p = PartOf(part, partClass);
  if (!p || !p->owner) return nullptr;
  return OwnerList(p->owner, p->value ? kCheckedList : kUncheckedList);
}

}  // namespace

void InitButtonClasses() {
  if (g_classes[kPush]) return;
  g_classes[kPush] = Build("PushButton", sizeof(ButtonFields), &DestructButton, kPushProperties,
                           kPushMethods, g_pushEvents, &kPushKind);
  g_classes[kCheck] = Build("CheckBox", sizeof(ButtonFields), &DestructButton, kCheckProperties,
                            kCheckMethods, g_checkEvents, &kCheckKind);
  g_classes[kRadio] = Build("RadioButton", sizeof(ButtonFields), &DestructButton, kRadioProperties,
                            kRadioMethods, g_radioEvents, &kRadioKind);
  g_classes[kGroup] = Build("GroupBox", sizeof(ButtonFields), &DestructButton, kGroupProperties, {},
                            g_groupEvents, &kGroupKind);
  g_classes[kLabel] = Build("StaticText", sizeof(LabelFields), &DestructLabel, kLabelProperties, {},
                            g_labelEvents, &kLabelKind);
  DeclareInterfaces(g_classes[kPush], {Iface::kActionSource});
  DeclareInterfaces(g_classes[kCheck],
                    {Iface::kBooleanProvider, Iface::kDataNotifier, Iface::kBindingPartInterface});
  DeclareInterfaces(g_classes[kRadio], {Iface::kBindingPartInterface});
  for (ClassIndex i : {kPush, kCheck, kRadio}) SetBindingCloser(g_classes[i], &EmptyOwnerLists);
  g_checkAction = BuildPartClass("Sys$CheckBoxAction", kCheckActionMethods, {Iface::kActionSource});
  g_radioAction =
      BuildPartClass("Sys$RadioButtonAction", kRadioActionMethods, {Iface::kActionSource});
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

#define FONT_ENTRIES(prefix)                                            \
  TessString* prefix##TextFontGetter(TessObject* c, uint32_t) {         \
    return FontOf(c);                                                   \
  }                                                                     \
  void prefix##TextFontSetter(TessObject* c, uint32_t, TessString* v) { \
    SetFont(c, v);                                                      \
  }                                                                     \
  int32_t prefix##TextSizeGetter(TessObject* c, uint32_t) {             \
    return SizeOf(c);                                                   \
  }                                                                     \
  void prefix##TextSizeSetter(TessObject* c, uint32_t, int32_t v) {     \
    SetSize(c, v);                                                      \
  }                                                                     \
  int32_t prefix##BoldGetter(TessObject* c, uint32_t) {                 \
    return StyleOf(c, kBold);                                           \
  }                                                                     \
  void prefix##BoldSetter(TessObject* c, uint32_t, int32_t v) {         \
    SetStyle(c, kBold, v);                                              \
  }                                                                     \
  int32_t prefix##ItalicGetter(TessObject* c, uint32_t) {               \
    return StyleOf(c, kItalic);                                         \
  }                                                                     \
  void prefix##ItalicSetter(TessObject* c, uint32_t, int32_t v) {       \
    SetStyle(c, kItalic, v);                                            \
  }                                                                     \
  int32_t prefix##UnderlineGetter(TessObject* c, uint32_t) {            \
    return StyleOf(c, kUnderline);                                      \
  }                                                                     \
  void prefix##UnderlineSetter(TessObject* c, uint32_t, int32_t v) {    \
    SetStyle(c, kUnderline, v);                                         \
  }

extern "C" {

FONT_ENTRIES(pushButton)
FONT_ENTRIES(checkBox)
FONT_ENTRIES(radio)
FONT_ENTRIES(group)

TessString* pushButtonTitleGetter(TessObject* c, uint32_t) {
  return CaptionOf(c);
}
void pushButtonTitleSetter(TessObject* c, uint32_t, TessString* v) {
  SetCaption(c, v);
}
TessString* checkBoxTitleGetter(TessObject* c, uint32_t) {
  return CaptionOf(c);
}
void checkBoxTitleSetter(TessObject* c, uint32_t, TessString* v) {
  SetCaption(c, v);
}
TessString* radioTitleGetter(TessObject* c, uint32_t) {
  return CaptionOf(c);
}
void radioTitleSetter(TessObject* c, uint32_t, TessString* v) {
  SetCaption(c, v);
}
TessString* groupCaptionGetter(TessObject* c, uint32_t) {
  return CaptionOf(c);
}
void groupCaptionSetter(TessObject* c, uint32_t, TessString* v) {
  SetCaption(c, v);
}

int32_t pushButtonDefaultGetter(TessObject* c, uint32_t) {
  return Is(c, kPush) ? B(c)->isDefault : 0;
}
void pushButtonDefaultSetter(TessObject* c, uint32_t, int32_t value) {
  if (!Is(c, kPush)) return;
  B(c)->isDefault = value ? 1 : 0;
  if (value) ClearOthers(c, false);
  if (HWND native = NativeOf(c)) SendMessage(native, BM_SETSTYLE, PushStyle(c), 1);
}
int32_t pushButtonCancelGetter(TessObject* c, uint32_t) {
  return Is(c, kPush) ? B(c)->isCancel : 0;
}
void pushButtonCancelSetter(TessObject* c, uint32_t, int32_t value) {
  if (!Is(c, kPush)) return;
  B(c)->isCancel = value ? 1 : 0;
  if (value) ClearOthers(c, true);
  SetCancelId(c);
}

// Shows the button pressed for a moment, then fires Action.
void pushButtonPush(TessObject* c) {
  if (!Is(c, kPush)) return;
  ObjectRef keep = ShareObject(c);
  if (HWND native = NativeOf(c)) {
    SendMessage(native, BM_SETSTATE, 1, 0);
    UpdateWindow(native);
    SendMessage(native, BM_SETSTATE, 0, 0);
  }
  PushAction(c);
}

int32_t checkBoxValueGetter(TessObject* c, uint32_t) {
  return Is(c, kCheck) ? B(c)->value : 0;
}
void checkBoxValueSetter(TessObject* c, uint32_t, int32_t value) {
  if (Is(c, kCheck)) SetCheck(c, value != 0);
}
int32_t checkBoxGetBoolean(TessObject* c) {
  return checkBoxValueGetter(c, 0);
}
void checkBoxSetBoolean(TessObject* c, int32_t value) {
  checkBoxValueSetter(c, 0, value);
}

void pbAddActionNotificationReceiver(TessObject* c, TessObject* receiver) {
  if (Is(c, kPush)) AddReceiver(OwnerList(c, kDataOrActionList), receiver);
}
void pbRemoveActionNotificationReceiver(TessObject* c, TessObject* receiver) {
  if (Is(c, kPush)) RemoveReceiver(OwnerList(c, kDataOrActionList), receiver);
}
void checkBoxAddDataNotificationReceiver(TessObject* c, TessObject* receiver) {
  if (Is(c, kCheck)) AddReceiver(OwnerList(c, kDataOrActionList), receiver);
}
void checkBoxRemoveDataNotificationReceiver(TessObject* c, TessObject* receiver) {
  if (Is(c, kCheck)) RemoveReceiver(OwnerList(c, kDataOrActionList), receiver);
}
TessObject* checkBoxGetBoundPart(TessObject* c, TessString* part) {
  return Is(c, kCheck) ? StatePart(g_checkAction, c, part) : nullptr;
}
TessObject* radioGetBoundPart(TessObject* c, TessString* part) {
  return Is(c, kRadio) ? StatePart(g_radioAction, c, part) : nullptr;
}
void cbaAddActionNotificationReceiver(TessObject* part, TessObject* receiver) {
  if (NotificationList* list = StateList(g_checkAction, part)) AddReceiver(list, receiver);
}
void cbaRemoveActionNotificationReceiver(TessObject* part, TessObject* receiver) {
  if (NotificationList* list = StateList(g_checkAction, part)) RemoveReceiver(list, receiver);
}
void rbaAddActionNotificationReceiver(TessObject* part, TessObject* receiver) {
  if (NotificationList* list = StateList(g_radioAction, part)) AddReceiver(list, receiver);
}
void rbaRemoveActionNotificationReceiver(TessObject* part, TessObject* receiver) {
  if (NotificationList* list = StateList(g_radioAction, part)) RemoveReceiver(list, receiver);
}

int32_t radioValueGetter(TessObject* c, uint32_t) {
  return Is(c, kRadio) ? B(c)->value : 0;
}
void radioValueSetter(TessObject* c, uint32_t, int32_t value) {
  if (!Is(c, kRadio)) return;
  if (value)
    CheckRadio(c);
  else
    SetRadioNative(c, false);
}

void staticCaptionSetter(TessObject* c, uint32_t, TessString* value) {
  if (!Is(c, kLabel)) return;
  ReplaceString(L(c)->caption, value);
  if (HWND native = NativeOf(c)) SetWindowText(native, Text(value).c_str());
}
void staticTextAlignSetter(TessObject* c, uint32_t, int32_t align) {
  if (!Is(c, kLabel)) return;
  L(c)->textAlign = int16_t(align);
  if (HWND native = NativeOf(c)) {
    DWORD style = DWORD(GetWindowLong(native, GWL_STYLE)) & ~DWORD(SS_TYPEMASK);
    SetWindowLong(native, GWL_STYLE, LONG(style | StyleOfLabel(c)));
    InvalidateRect(native, nullptr, 1);
  }
}
void staticTextFontSetter(TessObject* c, uint32_t, TessString* value) {
  if (!Is(c, kLabel)) return;
  ReplaceString(L(c)->textFont, value);
  ApplyFont(c);
}
void staticTextColorSetter(TessObject* c, uint32_t, int32_t color) {
  if (!Is(c, kLabel)) return;
  L(c)->textColor = color;
  if (HWND native = NativeOf(c)) InvalidateRect(native, nullptr, 1);
}
void staticTextSizeSetter(TessObject* c, uint32_t, int32_t size) {
  if (!Is(c, kLabel)) return;
  L(c)->textSize = size;
  ApplyFont(c);
}
// Bold, Italic, Underline and MultiLine: the parameter is the field's offset.
void staticAttributeSetter(TessObject* c, uint32_t offset, int32_t value) {
  if (!Is(c, kLabel)) return;
  LabelFields* f = L(c);
  uint8_t* field = offset == offsetof(LabelFields, italic)      ? &f->italic
                   : offset == offsetof(LabelFields, underline) ? &f->underline
                   : offset == offsetof(LabelFields, multiLine) ? &f->multiLine
                                                                : &f->bold;
  *field = value ? 1 : 0;
  if (field == &f->multiLine)
    staticTextAlignSetter(c, 0, f->textAlign);
  else
    ApplyFont(c);
}

}  // extern "C"
