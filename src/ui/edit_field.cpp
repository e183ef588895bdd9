// EditField: the class records, the pane (a container window holding the
// host's "RichEdit" control) and the translation of the control's
// notifications into the field's events.
//
// Order of events for a typed key: KeyDown (True drops the key: nothing is
// typed and nothing else fires), then TextChange, then SelChange. Keys that
// type nothing (arrows, Delete, Home, End, Page Up/Down) reach KeyDown with
// their classic codes before the control moves or deletes. GotFocus and
// LostFocus follow the control's focus. MouseDown returning True keeps the
// press from the control and owes exactly one MouseUp. Setting Text or
// SelText from code fires TextChange and SelChange as typing does; setting
// up the pane fires nothing.
//
// Tab is typed only when AcceptTabs is True (otherwise dropped); Return is
// typed only into a multi-line field.
#include "ui/edit_field.h"

#include <cstring>

#include "platform/richedit/richedit.h"
#include "platform/richedit/text_model.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/binding.h"
#include "ui/edit_field_native.h"
#include "ui/menu_bar.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/window_proc.h"

namespace tess::ui {
namespace {

using namespace platform;
using namespace platform::richedit;

constexpr char kContainerClass[] = "TS_EditPane";
constexpr UINT kControlId = 1;

ClassObject* g_editField = nullptr;

EventRecord g_events[] = {
    {0, "KeyDown", "Key As String", "Boolean", 401, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
    {0, "MouseDown", "X As Integer, Y As Integer", "Boolean", 501, nullptr},
    {0, "MouseUp", "X As Integer, Y As Integer", nullptr, 502, nullptr},
    {0, "SelChange", nullptr, nullptr, 0, nullptr},
    {0, "TextChange", nullptr, nullptr, 0, nullptr},
    {0, "EnableMenuItems", nullptr, nullptr, 0, nullptr},
};
enum class Event {
  kKeyDown,
  kGotFocus,
  kLostFocus,
  kMouseDown,
  kMouseUp,
  kSelChange,
  kTextChange,
  kEnableMenuItems
};

const EventDescriptor* EventOf(Event e) {
  return static_cast<const EventDescriptor*>(g_events[int(e)].descriptor);
}

#define OFFSET(field) uint32_t(offsetof(EditFieldFields, field))
const PropertyRecord kProperties[] = {
    {0, "Text", &kStringType, (void*)&editTextGetter, (void*)&editTextSetter, 0},
    {0, "TextStyleData", &kStringType, (void*)&editTextStyleDataGetter, nullptr, 0},
    {0, "Border", &kBooleanType, (void*)&editBorderGetter, (void*)&editBorderSetter, 0},
    {0, "MultiLine", &kBooleanType, (void*)&editMultiLineGetter, (void*)&editMultiLineSetter, 0},
    {0, "ReadOnly", &kBooleanType, (void*)&editReadOnlyGetter, (void*)&editReadOnlySetter, 0},
    {0, "Password", &kBooleanType, (void*)&editPasswordGetter, (void*)&editPasswordSetter, 0},
    {0, "Styled", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, OFFSET(styled)},
    {0, "AcceptTabs", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, OFFSET(acceptTabs)},
    {0, "TextColor", &kColorType, (void*)&intGetter, (void*)&editTextColorSetter,
     OFFSET(textColor)},
    {0, "BackColor", &kColorType, (void*)&intGetter, (void*)&editBackColorSetter,
     OFFSET(backColor)},
    {0, "ScrollBarHorizontal", &kBooleanType, (void*)&editScrollBarGetter,
     (void*)&editScrollBarSetter, 1},
    {0, "ScrollBarVertical", &kBooleanType, (void*)&editScrollBarGetter,
     (void*)&editScrollBarSetter, 0},
    {0, "ScrollBar", &kBooleanType, (void*)&editScrollBarGetter, (void*)&editScrollBarSetter, 0},
    {0, "TextFont", &kStringType, (void*)&editTextFontGetter, (void*)&editTextFontSetter, 0},
    {0, "TextSize", &kIntegerType, (void*)&editTextSizeGetter, (void*)&editTextSizeSetter, 0},
    {0, "Bold", &kBooleanType, (void*)&editBoldGetter, (void*)&editBoldSetter, 0},
    {0, "Italic", &kBooleanType, (void*)&editItalicGetter, (void*)&editItalicSetter, 0},
    {0, "Underline", &kBooleanType, (void*)&editUnderlineGetter, (void*)&editUnderlineSetter, 0},
    {0, "SelStart", &kIntegerType, (void*)&editSelStartGetter, (void*)&editSelStartSetter, 0},
    {0, "SelLength", &kIntegerType, (void*)&editSelLengthGetter, (void*)&editSelLengthSetter, 0},
    {0, "SelText", &kStringType, (void*)&editSelTextGetter, (void*)&editSelTextSetter, 0},
    {0, "LimitText", &kIntegerType, (void*)&editLimitTextGetter, (void*)&editLimitTextSetter, 0},
    {0, "SelBold", &kBooleanType, (void*)&editSelBoldGetter, (void*)&editSelBoldSetter, 0},
    {0, "SelUnderline", &kBooleanType, (void*)&editSelUnderlineGetter,
     (void*)&editSelUnderlineSetter, 0},
    {0, "SelItalic", &kBooleanType, (void*)&editSelItalicGetter, (void*)&editSelItalicSetter, 0},
    {0, "SelOutline", &kBooleanType, (void*)&editSelOutlineGetter, (void*)&editSelOutlineSetter, 0},
    {0, "SelShadow", &kBooleanType, (void*)&editSelShadowGetter, (void*)&editSelShadowSetter, 0},
    {0, "SelCondense", &kBooleanType, (void*)&editSelCondenseGetter, (void*)&editSelCondenseSetter,
     0},
    {0, "SelExtend", &kBooleanType, (void*)&editSelExtendGetter, (void*)&editSelExtendSetter, 0},
    {0, "SelPlain", &kBooleanType, (void*)&editSelPlainGetter, (void*)&editSelPlainSetter, 0},
    {0, "SelTextFont", &kStringType, (void*)&editSelTextFontGetter, (void*)&editSelTextFontSetter,
     0},
    {0, "SelTextSize", &kIntegerType, (void*)&editSelTextSizeGetter, (void*)&editSelTextSizeSetter,
     0},
    {0, "SelTextColor", &kColorType, (void*)&editSelTextColorGetter, (void*)&editSelTextColorSetter,
     0},
    {0, "LiveUpdate", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, OFFSET(liveUpdate)},
    {0, "UseFocusRing", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter,
     OFFSET(useFocusRing)},
    {0, "DataSource", &kStringType, (void*)&EditDataSourceGetter, (void*)&EditDataSourceSetter, 0},
    {0, "DataField", &kStringType, (void*)&stringGetter, (void*)&EditDataFieldSetter,
     OFFSET(dataField)},
    {0, "Alignment", &kIntegerType, (void*)&intGetter, (void*)&EditAlignmentSetter,
     OFFSET(alignment)},
    {0, "SelAlignment", &kIntegerType, (void*)&EditSelAlignmentGetter,
     (void*)&EditSelAlignmentSetter, 0},
    {0, "ScrollPosition", &kIntegerType, (void*)&editScrollPositionGetter,
     (void*)&editScrollPositionSetter, 0},
    {0, "ScrollPositionX", &kIntegerType, (void*)&EditScrollPositionXGetter,
     (void*)&EditScrollPositionXSetter, 0},
};
#undef OFFSET

const ParameterRecord kTextAndStyle[] = {{"text", &kStringType, {}}, {"style", &kStringType, {}}};
const ParameterRecord kStr[] = {{"Str", &kStringType, {}}};
const ParameterRecord kV[] = {{"v", &kIntegerType, {}}};
const ParameterRecord kXY[] = {{"x", &kIntegerType, {}}, {"y", &kIntegerType, {}}};

const TypeDescriptor kGraphicsT{0, "Graphics", {}};
const TypeDescriptor kStyledTextPrinterT{0, "StyledTextPrinter", {}};
const ParameterRecord kPrinter[] = {{"g", &kGraphicsT, {}}, {"width", &kIntegerType, {}}};

const MethodRecord kMethods[] = {
    {"ToggleSelectionBold", nullptr, nullptr, 0, {(void*)&editToggleSelectionBold}, {}},
    {"ToggleSelectionUnderline", nullptr, nullptr, 0, {(void*)&editToggleSelectionUnderline}, {}},
    {"ToggleSelectionItalic", nullptr, nullptr, 0, {(void*)&editToggleSelectionItalic}, {}},
    {"ToggleSelectionShadow", nullptr, nullptr, 0, {(void*)&editToggleSelectionShadow}, {}},
    {"ToggleSelectionOutline", nullptr, nullptr, 0, {(void*)&editToggleSelectionOutline}, {}},
    {"ToggleSelectionCondense", nullptr, nullptr, 0, {(void*)&editToggleSelectionCondense}, {}},
    {"ToggleSelectionExtend", nullptr, nullptr, 0, {(void*)&editToggleSelectionExtend}, {}},
    {"SetTextAndStyle", nullptr, kTextAndStyle, 2, {(void*)&editSetTextAndStyle}, {}},
    {"setString", nullptr, kStr, 1, {(void*)&editSetString}, {}},
    {"dataChanged", nullptr, nullptr, 0, {(void*)&EditFieldDataChanged}, {}},
    {"LineNumAtCharPos", &kIntegerType, kV, 1, {(void*)&editLineNumAtCharPos}, {}},
    {"CharPosAtLineNum", &kIntegerType, kV, 1, {(void*)&editCharPosAtLineNum}, {}},
    {"CharPosAtXY", &kIntegerType, kXY, 2, {(void*)&editCharPosAtXY}, {}},
    {"InsertionPosAtXY", &kIntegerType, kXY, 2, {(void*)&editInsertionPosAtXY}, {}},
    {"Copy", nullptr, nullptr, 0, {(void*)&editCopyToClipboard}, {}},
    {"Paste", nullptr, nullptr, 0, {(void*)&editPasteFromClipboard}, {}},
    {"StyledTextPrinter", &kStyledTextPrinterT, kPrinter, 2, {(void*)&editStyleTextPrinter}, {}},
};

void Release(TessString*& s) {
  UnlockString(s);
  s = nullptr;
}

void ConstructField(TessObject* object, ClassObject*) {
  EditFieldFields* f = FieldsOf<EditFieldFields>(object);
  f->border = 1;
  f->backColor = 0xFFFFFF;
  f->scrollBarVertical = 1;
  f->useFocusRing = 1;
  f->styled = 1;
}

void DestructField(TessObject* object, ClassObject*) {
  EditFieldFields* f = FieldsOf<EditFieldFields>(object);
  if (f->edit && IsWindow(f->edit->container)) DestroyWindow(f->edit->container);
  Release(f->text);
  Release(f->textFont);
  Release(f->dataSource);
  Release(f->dataField);
}

EditPane* PaneOfContainer(HWND container) {
  return WindowState<EditPane>(container);
}

// A point of the control's client area in the field's coordinates.
POINT FieldPoint(EditPane* e, LPARAM lParam) {
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  MapWindowPoints(e->control, e->container, &p, 1);
  return p;
}

bool FireKey(TessObject* field, std::u32string_view key) {
  std::string bytes;
  for (char32_t c : key) {
    if (c < 0x100) {
      bytes.push_back(char(c));
    } else {
      // Characters past Latin-1 travel as UTF-8.
      bytes = tess::richedit::EncodeUtf8(key);
      break;
    }
  }
  StringRef text = StringRef::Adopt(MakeString(bytes));
  uint32_t result = 0;
  FireEvent(field, EventOf(Event::kKeyDown), {uint32_t(reinterpret_cast<uintptr_t>(text.get()))},
            &result);
  return result & 0xFF;
}

// EN_MSGFILTER: nonzero drops the message.
LRESULT Filter(EditPane* e, const MSGFILTER& m) {
  TessObject* field = e->field;
  EditFieldFields* f = FieldsOf<EditFieldFields>(field);
  ObjectRef keep = ShareObject(field);
  switch (m.msg) {
    case WM_KEYDOWN: {
      int code = KeyDownCode(m.wParam);
      return code && FireKey(field, std::u32string(1, char32_t(code)));
    }
    case WM_CHAR: {
      char32_t c = char32_t(m.wParam);
      if (FireKey(field, std::u32string(1, c))) return 1;
      return (c == U'\t' && !f->acceptTabs) || (c == U'\r' && !f->multiLine);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p = FieldPoint(e, m.lParam);
      uint32_t result = 0;
      if (FireEvent(field, EventOf(Event::kMouseDown), {uint32_t(p.x), uint32_t(p.y)}, &result) &&
          (result & 0xFF) && f->edit == e) {
        e->tracking = true;
        SetCapture(e->control);
        return 1;
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      return e->tracking;
    case WM_LBUTTONUP: {
      if (!e->tracking) return 0;
      e->tracking = false;
      if (GetCapture() == e->control) ReleaseCapture();
      POINT p = FieldPoint(e, m.lParam);
      FireEvent(field, EventOf(Event::kMouseUp), {uint32_t(p.x), uint32_t(p.y)});
      return 1;
    }
    default:
      return 0;
  }
}

// Keeps what the field shows in its instance before the control goes.
void SaveState(EditPane* e) {
  EditFieldFields* f = FieldsOf<EditFieldFields>(e->field);
  StringRef text = StringRef::Adopt(NativeText(e->control));
  RuntimeLockUnlockStrings(text.get(), f->text);
  f->text = text.get();
  CHARRANGE r{};
  SendMessage(e->control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
  f->selStart = r.cpMin;
  f->selLength = r.cpMax - r.cpMin;
}

LRESULT ContainerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  EditPane* e = WindowState<EditPane>(hwnd, msg, lParam);
  if (!e) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_SIZE:
      if (e->control) MoveWindow(e->control, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:
      if (e->control) SetFocus(e->control);
      return 0;
    case WM_ENABLE:
      if (e->control) EnableWindow(e->control, BOOL(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_COMMAND: {
      if (reinterpret_cast<HWND>(lParam) != e->control || e->quiet) return 0;
      ObjectRef keep = ShareObject(e->field);
      switch (HIWORD(wParam)) {
        case EN_CHANGE:
          FireEvent(e->field, EventOf(Event::kTextChange), {});
          break;
        case EN_SETFOCUS:
          FireEvent(e->field, EventOf(Event::kGotFocus), {});
          break;
        case EN_KILLFOCUS:
          FireEvent(e->field, EventOf(Event::kLostFocus), {});
          break;
        default:
          break;
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* h = reinterpret_cast<const NMHDR*>(lParam);
      if (!h || h->hwndFrom != e->control) return 0;
      if (h->code == EN_MSGFILTER) return Filter(e, *reinterpret_cast<const MSGFILTER*>(lParam));
      if (h->code == EN_SELCHANGE && !e->quiet) {
        ObjectRef keep = ShareObject(e->field);
        FireEvent(e->field, EventOf(Event::kSelChange), {});
      }
      return 0;
    }
    case WM_DESTROY: {
      EditFieldFields* f = FieldsOf<EditFieldFields>(e->field);
      if (e->control && IsWindow(e->control)) SaveState(e);
      if (f->edit == e) f->edit = nullptr;
      return 0;
    }
    case WM_NCDESTROY:
      SetWindowLong(hwnd, 0, 0);
      delete e;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// The CreatePane step: the container at the field's rectangle, the control
// filling it, then everything the instance holds applied without events.
uint32_t CreatePane(TessObject* control) {
  EditFieldFields* f = EditFieldOf(control);
  if (!f || f->rect.control.pane) return 0;
  WindowObject* window = WindowOfInstance(f->rect.control.window);
  if (!window) return 0;
  LoadRichEditLibrary();
  RectControlFields& r = f->rect;
  Pane* pane = EnsurePane(window, control);
  auto* e = new EditPane;
  e->field = control;
  e->quiet = 1;
  f->edit = e;
  e->container = CreateWindowEx(WS_EX_CONTROLPARENT, kContainerClass, "",
                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r.left, r.top, r.width,
                                r.height, window->hwnd, nullptr, nullptr, e);
  if (!e->container) {
    delete e;
    f->edit = nullptr;
    return 0;
  }
  pane->native = e->container;
  e->control = CreateWindowEx(f->border ? DWORD(WS_EX_CLIENTEDGE) : 0u, kRichEditClass, "",
                              NativeStyle(f), 0, 0, r.width, r.height, e->container,
                              reinterpret_cast<HMENU>(uintptr_t(kControlId)), nullptr, nullptr);
  ApplyStoredState(f);
  SendMessage(e->control, EM_SETEVENTMASK, 0,
              ENM_CHANGE | ENM_SELCHANGE | ENM_KEYEVENTS | ENM_MOUSEEVENTS);
  e->quiet = 0;
  return 0;
}

void EnableFocusItems() {
  TessObject* field = FocusedEditField();
  if (!field) return;
  ObjectRef keep = ShareObject(field);
  EditFieldFields* f = FieldsOf<EditFieldFields>(field);
  HWND c = f->edit->control;
  CHARRANGE r{};
  SendMessage(c, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
  if (r.cpMax > r.cpMin) {
    if (!f->readOnly && !f->password) EnableMenuItemNamed("EditCut");
    if (!f->readOnly) EnableMenuItemNamed("EditClear");
    if (!f->password) EnableMenuItemNamed("EditCopy");
  }
  if (!f->readOnly && SendMessage(c, EM_CANPASTE, 0, 0)) EnableMenuItemNamed("EditPaste");
  FireEvent(field, EventOf(Event::kEnableMenuItems), {});
}

bool DispatchFocusItem(std::string_view name) {
  TessObject* field = FocusedEditField();
  if (!field) return false;
  HWND c = FieldsOf<EditFieldFields>(field)->edit->control;
  static constexpr std::pair<const char*, UINT> kItems[] = {
      {"EditCut", WM_CUT}, {"EditCopy", WM_COPY}, {"EditPaste", WM_PASTE}, {"EditClear", WM_CLEAR}};
  for (const auto& [item, message] : kItems) {
    if (!SameName(name, item)) continue;
    ObjectRef keep = ShareObject(field);
    SendMessage(c, message, 0, 0);
    return true;
  }
  return false;
}

}  // namespace

void InitEditField() {
  if (g_editField) return;
  FrameworkClassDef def{};
  def.name = "EditField";
  def.superclass = RectControlClass();
  def.instanceSize = kEditFieldInstanceSize;
  def.construct = &ConstructField;
  def.destruct = &DestructField;
  def.properties = kProperties;
  def.methods = kMethods;
  def.events = g_events;
  g_editField = BuildFrameworkClass(def);
  // A string binding's dest: the field then follows the source itself.
  DeclareInterfaces(g_editField, {Iface::kStringInterface, Iface::kDataNotificationReceiver});
  SetBindingCloser(g_editField, &LeaveSource);
  // The class makes its own pane: a hook of the class itself for the
  // CreatePane step, found before any subclass's.
  auto* hook = new HookDescriptor{g_editField->hooks, MakeString("CreatePane"), 0,
                                  reinterpret_cast<void*>(&CreatePane)};
  g_editField->hooks = hook;

  WNDCLASS wc{};
  wc.lpfnWndProc = &ContainerProc;
  wc.cbWndExtra = 4;
  wc.lpszClassName = kContainerClass;
  RegisterClass(&wc);
  SetFocusMenuHooks({&EnableFocusItems, &DispatchFocusItem});
}

bool IsEditField(TessObject* object) {
  return object && g_editField && IsA(object, g_editField);
}

EditFieldFields* EditFieldOf(TessObject* object) {
  return IsEditField(object) ? FieldsOf<EditFieldFields>(object) : nullptr;
}

TessObject* FocusedEditField() {
  HWND focus = GetFocus();
  HWND container = focus ? GetParent(focus) : nullptr;
  if (!container) return nullptr;
  char name[32] = {};
  GetClassName(container, name, sizeof name);
  if (!SameName(name, kContainerClass)) return nullptr;
  EditPane* e = PaneOfContainer(container);
  return e && e->control == focus ? e->field : nullptr;
}

}  // namespace tess::ui
