// DataControl: the class records, the events, and the bar the runtime
// paints in a child window of its own ("TS_DataControl") with the mouse and
// keys that move it. The controls bound to it, its moves and actions and
// its entry points are in data_control_rows.cpp.
//
// The bar: first and previous buttons at the left, the caption in the
// middle, next and last buttons at the right, each button as wide as the
// bar is high (less when the bar is too short for four buttons and some
// caption). A button acts where the mouse is let go over the button it was
// pressed on; while held it looks pressed only with the mouse over it. With
// the focus (a dotted ring inside the caption), Left and Up move back,
// Right and Down forward, Home and End to the first and last rows. Without
// rows the buttons look disabled and do nothing.
//
// The query runs by itself once the window is open, through a message
// posted to the bar, unless code ran it first.
//
// The bar's messages: WM_PAINT; WM_LBUTTONDOWN (and its double click),
// WM_MOUSEMOVE and WM_LBUTTONUP for the buttons, WM_CAPTURECHANGED ending a
// press; WM_KEYDOWN for the keys above, WM_GETDLGCODE asking for the
// arrows; WM_SETFOCUS, WM_KILLFOCUS and WM_ENABLE redraw. It sends nothing
// to its parent: moves and actions reach the application as the control's
// events. A press has two states, the mouse over its button (drawn
// pressed) or away from it (drawn raised), and ends with the button up or
// the capture lost.
#include "ui/data_control.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "db/classes/database_classes.h"
#include "platform/comctl/commctrl.h"
#include "platform/user/classic_look.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/interfaces.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/data_control_state.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"
#include "ui/window_object.h"

namespace tess::ui {

using namespace platform;
using dbc::DataMove;

namespace {

constexpr char kBarClass[] = "TS_DataControl";
constexpr UINT kRunQueryMessage = WM_USER + 1;

ClassObject* g_dataControl = nullptr;
ClassObject* g_action = nullptr;

EventRecord g_events[] = {
    {0, "MoveNext", nullptr, "Boolean", 0, nullptr},
    {0, "MovePrevious", nullptr, "Boolean", 0, nullptr},
    {0, "MoveFirst", nullptr, "Boolean", 0, nullptr},
    {0, "MoveLast", nullptr, "Boolean", 0, nullptr},
    {0, "Reposition", "index As Integer", nullptr, 0, nullptr},
    {0, "Validate", "action As Integer", "Boolean", 0, nullptr},
    {0, "Insert", nullptr, "Boolean", 0, nullptr},
    {0, "Update", nullptr, nullptr, 0, nullptr},
    {0, "Delete", nullptr, nullptr, 0, nullptr},
};
static_assert(kDataControlEventCount == std::size(g_events));

struct BarLayout {
  RECT parts[5];
};

BarLayout LayOut(int32_t width, int32_t height) {
  int32_t button = std::max(0, std::min(height, width / 5));
  BarLayout l{};
  l.parts[kFirstButton] = RECT{0, 0, button, height};
  l.parts[kPreviousButton] = RECT{button, 0, 2 * button, height};
  l.parts[kCaption] = RECT{2 * button, 0, std::max(2 * button, width - 2 * button), height};
  l.parts[kNextButton] = RECT{width - 2 * button, 0, width - button, height};
  l.parts[kLastButton] = RECT{width - button, 0, width, height};
  return l;
}

// What each part of the bar is: the style painter's button and the move
// it makes (the caption has neither).
struct PartKind {
  UINT glyph;
  DataMove move;
};
constexpr PartKind kBarParts[] = {{user::kRecordFirst, DataMove::kFirst},
                                  {user::kRecordPrevious, DataMove::kPrevious},
                                  {0, DataMove::kNext},
                                  {user::kRecordNext, DataMove::kNext},
                                  {user::kRecordLast, DataMove::kLast}};

COLORREF Native(int32_t color) {
  uint32_t c = uint32_t(color);
  return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

void PaintBar(TessObject* o, HDC dc, int32_t width, int32_t height) {
  DataControlFields* f = DataControlFieldsOf(o);
  DataControlState* s = f->state;
  bool enabled = f->rect.enabled;
  bool moving = enabled && DataControlHasRows(o);
  BarLayout l = LayOut(width, height);
  for (int part : {kFirstButton, kPreviousButton, kNextButton, kLastButton}) {
    UINT face = (s->pressed == part && s->over ? UINT(user::kFacePressed) : 0u) |
                (moving ? 0u : UINT(user::kFaceDisabled));
    user::PaintRecordButton(dc, l.parts[part], kBarParts[part].glyph, face);
  }
  RECT caption = l.parts[kCaption];
  FillRect(dc, &caption, GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = caption;
  DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  HGDIOBJ oldFont =
      SelectObject(dc, ControlFont(f->textFont, f->textSize, f->bold, f->italic, f->underline));
  COLORREF oldColor = SetTextColor(dc, Native(f->textColor));
  RECT text = caption;
  InflateRect(&text, -3, -1);
  UINT align = f->textAlign == 1 ? DT_CENTER : f->textAlign == 2 ? DT_RIGHT : DT_LEFT;
  user::PaintLabel(dc, text, std::string(View(f->caption)),
                   align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS,
                   enabled ? 0u : UINT(user::kFaceDisabled));
  SetTextColor(dc, oldColor);
  SelectObject(dc, oldFont);
  if (s->bar && GetFocus() == s->bar) {
    RECT ring = caption;
    InflateRect(&ring, -2, -2);
    DrawFocusRect(dc, &ring);
  }
}

bool IsButton(int part) {
  return part >= 0 && part != kCaption;
}

void SetPressed(DataControlState* s, int pressed, bool over) {
  if (s->pressed == pressed && s->over == over) return;
  s->pressed = pressed;
  s->over = over;
  if (s->bar) InvalidateRect(s->bar, nullptr, FALSE);
}

void KeyDown(TessObject* o, WPARAM key) {
  if (!DataControlFieldsOf(o)->rect.enabled || !DataControlHasRows(o)) return;
  switch (key) {
    case VK_LEFT:
    case VK_UP:
      MoveDataControl(o, DataMove::kPrevious);
      return;
    case VK_RIGHT:
    case VK_DOWN:
      MoveDataControl(o, DataMove::kNext);
      return;
    case VK_HOME:
      MoveDataControl(o, DataMove::kFirst);
      return;
    case VK_END:
      MoveDataControl(o, DataMove::kLast);
      return;
    default:
      return;
  }
}

LRESULT BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DataControlState* s = WindowState<DataControlState>(hwnd, msg, lParam);
  if (!s || !s->control) return DefWindowProc(hwnd, msg, wParam, lParam);
  TessObject* o = s->control;
  int32_t x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      ObjectRef keep = ShareObject(o);
      PaintBar(o, dc, r.right, r.bottom);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;  // the arrow keys move through the rows
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(hwnd);
      int part = DataControlPartAt(o, x, y);
      if (!IsButton(part) || !DataControlHasRows(o) || !InOpenWindow(o)) return 0;
      SetCapture(hwnd);
      SetPressed(s, part, true);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->pressed >= 0) SetPressed(s, s->pressed, DataControlPartAt(o, x, y) == s->pressed);
      return 0;
    case WM_LBUTTONUP: {
      if (s->pressed < 0) return 0;
      int part = s->pressed;
      bool over = DataControlPartAt(o, x, y) == part;
      ReleaseCapture();
      SetPressed(s, -1, false);
      if (over && InOpenWindow(o)) MoveDataControl(o, kBarParts[part].move);
      return 0;
    }
    case WM_CAPTURECHANGED:
      SetPressed(s, -1, false);
      return 0;
    case WM_KEYDOWN:
      if (InOpenWindow(o)) KeyDown(o, wParam);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case kRunQueryMessage:
      if (!s->queried && InOpenWindow(o)) RunDataControlQuery(o);
      return 0;
    case WM_DESTROY:
      s->bar = nullptr;
      s->pressed = -1;
      return 0;
    case WM_NCDESTROY:
      SetWindowLong(hwnd, 0, 0);
      return DefWindowProc(hwnd, msg, wParam, lParam);
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// The CreatePane step: the bar at the control's rectangle, and the query
// asked for once everything the window opens with has run.
uint32_t CreatePane(TessObject* control) {
  if (!IsDataControl(control)) return 0;
  DataControlFields* f = DataControlFieldsOf(control);
  RectControlFields& r = f->rect;
  if (r.control.pane) return 0;
  WindowObject* window = WindowOfInstance(r.control.window);
  if (!window) return 0;
  Pane* pane = EnsurePane(window, control);
  DataControlState* s = f->state;
  s->bar = CreateWindowEx(0, kBarClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, r.left, r.top,
                          r.width, r.height, window->hwnd, nullptr, nullptr, s);
  if (!s->bar) return 0;
  pane->native = s->bar;
  PostMessage(s->bar, kRunQueryMessage, 0, 0);
  return 0;
}

void Construct(TessObject* o, ClassObject*) {
  DataControlFields* f = DataControlFieldsOf(o);
  f->state = new DataControlState(o);
  f->textSize = 0;
  f->controlBind = 1;
  f->commit = 1;
}

void Destruct(TessObject* o, ClassObject*) {
  DataControlFields* f = DataControlFieldsOf(o);
  if (f->state) {
    if (f->state->bar && IsWindow(f->state->bar)) DestroyWindow(f->state->bar);
    delete f->state;
    f->state = nullptr;
  }
  for (TessString** s : {&f->caption, &f->tableName, &f->sqlQuery, &f->textFont}) {
    UnlockString(*s);
    *s = nullptr;
  }
}

void DestructAction(TessObject* o, ClassObject*) {
  DataControlActionDestructor(o);
}

// tupleInterface (with FieldCount): the current row's columns, from 0;
// empty outside them.
TessString* TupleString(TessObject* o, int32_t column) {
  DataControlState* s = DataControlStateOf(o);
  if (!s || s->model.Row() == 0) return MakeString("");
  ObjectRef field = ObjectRef::Adopt(s->model.Field(column + 1));
  return field.get() ? cursorFieldStringValueGetter(field.get(), 0) : MakeString("");
}

#define OFFSET(field) uint32_t(offsetof(DataControlFields, field))
const PropertyRecord kProperties[] = {
    {0, "Caption", &kStringType, (void*)&stringGetter, (void*)&DataControlCaptionSetter,
     OFFSET(caption)},
    {0, "TableName", &kStringType, (void*)&stringGetter, (void*)&DataControlTableNameSetter,
     OFFSET(tableName)},
    {0, "SQLQuery", &kStringType, (void*)&stringGetter, (void*)&DataControlQuerySetter,
     OFFSET(sqlQuery)},
    {0, "Database", &kDatabaseType, (void*)&DataControlDBGetter, (void*)&DataControlDBSetter, 0},
    {0, "TextAlign", &kIntegerType, (void*)&intGetter, (void*)&DataControlAlignSetter,
     OFFSET(textAlign)},
    {0, "TextColor", &kColorType, (void*)&intGetter, (void*)&DataControlColorSetter,
     OFFSET(textColor)},
    {0, "TextFont", &kStringType, (void*)&stringGetter, (void*)&DataControlFontSetter,
     OFFSET(textFont)},
    {0, "TextSize", &kIntegerType, (void*)&intGetter, (void*)&DataControlSizeSetter,
     OFFSET(textSize)},
    {0, "Bold", &kBooleanType, (void*)&boolGetter, (void*)&DataControlAttributeSetter,
     OFFSET(bold)},
    {0, "Italic", &kBooleanType, (void*)&boolGetter, (void*)&DataControlAttributeSetter,
     OFFSET(italic)},
    {0, "Underline", &kBooleanType, (void*)&boolGetter, (void*)&DataControlAttributeSetter,
     OFFSET(underline)},
    {0, "ControlBind", &kBooleanType, (void*)&boolGetter, (void*)&DataControlControlBindSetter,
     OFFSET(controlBind)},
    {0, "ReadOnly", &kBooleanType, (void*)&boolGetter, (void*)&DataControlReadOnlySetter,
     OFFSET(readOnly)},
    {0, "RecordLocked", &kBooleanType, (void*)&DataControlRecordLockedGetter, nullptr, 0},
    {0, "Commit", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, OFFSET(commit)},
    {0, "kInsert", &kIntegerType, (void*)&DataControlGetConstant, nullptr, dbc::kDataInsert},
    {0, "kUpdate", &kIntegerType, (void*)&DataControlGetConstant, nullptr, dbc::kDataUpdate},
    {0, "kDelete", &kIntegerType, (void*)&DataControlGetConstant, nullptr, dbc::kDataDelete},
};
#undef OFFSET

const ParameterRecord kName[] = {{"name", &kStringType, {}}};
const ParameterRecord kRow[] = {{"row", &kIntegerType, {}}};
const ParameterRecord kV[] = {{"v", &kIntegerType, {}}};
const ParameterRecord kStr[] = {{"Str", &kStringType, {}}};

#define M(name, type, params, fn)                          \
  {                                                        \
    name, type, params, std::size(params), {(void*)fn}, {} \
  }
#define M0(name, type, fn)                  \
  {                                         \
    name, type, nullptr, 0, {(void*)fn}, {} \
  }
const MethodRecord kMethods[] = {
    M("GetField", nullptr, kName, &DataControlGetField),
    M0("FieldCount", &kIntegerType, &DataControlFieldCount),
    M0("Cursor", nullptr, &DataControlGetCursor),
    M0("RecordSet", nullptr, &DataControlGetCursor),
    M0("MoveNext", nullptr, &DataControlMoveNext),
    M0("MovePrevious", nullptr, &DataControlMovePrev),
    M0("MoveFirst", nullptr, &DataControlMoveFirst),
    M0("MoveLast", nullptr, &DataControlMoveLast),
    M("MoveTo", nullptr, kRow, &DataControlMoveTo),
    M0("RecordCount", &kIntegerType, &DataControlRowCount),
    M0("RowCount", &kIntegerType, &DataControlRowCount),
    M0("RunQuery", nullptr, &DataControlRunQuery),
    M0("Insert", nullptr, &DataControlAddNewRecord),
    M0("Delete", nullptr, &DataControlDeleteRecord),
    M0("Update", nullptr, &DataControlUpdateRecord),
    M0("NewRecord", nullptr, &DataControlNewRecord),
    M0("ClearBoundControls", nullptr, &DataControlClearBoundControls),
    M("getBoundPart", nullptr, kStr, &DataControlGetBoundPart),
    // As an action receiver the control runs its query again.
    M0("PerformAction", nullptr, &DataControlRunQuery),
    M("getIndString", &kStringType, kV, &TupleString),
};
const MethodRecord kActionMethods[] = {
    M0("PerformAction", nullptr, &DataControlActionPerformAction),
};
#undef M
#undef M0

}  // namespace

bool DataControlState::Fire(DataControlEvent e, std::initializer_list<uint32_t> args) {
  ObjectRef keep = ShareObject(control);
  uint32_t result = 0;
  return FireEvent(control, g_events[e].descriptor, args, &result) && (result & 0xFF);
}

bool DataControlState::Moving(DataMove move) {
  switch (move) {
    case DataMove::kNext:
      return Fire(kMoveNext);
    case DataMove::kPrevious:
      return Fire(kMovePrevious);
    case DataMove::kFirst:
      return Fire(kMoveFirst);
    case DataMove::kLast:
      return Fire(kMoveLast);
  }
  return false;
}

void DataControlState::Reposition(int32_t row) {
  if (DataControlFieldsOf(control)->controlBind) ShowCurrentRow(control);
  Fire(kReposition, {uint32_t(row)});
  RedrawDataControl(control);
}

bool IsDataControl(TessObject* object) {
  return object && g_dataControl && IsA(object, g_dataControl) &&
         DataControlFieldsOf(object)->state;
}

int DataControlPartAt(TessObject* control, int32_t x, int32_t y) {
  if (!IsDataControl(control)) return -1;
  const RectControlFields& r = DataControlFieldsOf(control)->rect;
  if (x < 0 || y < 0 || x >= r.width || y >= r.height) return -1;
  BarLayout l = LayOut(r.width, r.height);
  for (int part = 0; part < 5; ++part) {
    const RECT& p = l.parts[part];
    if (x >= p.left && x < p.right) return part;
  }
  return -1;
}

void InitDataControl() {
  if (g_dataControl) return;
  FrameworkClassDef def{};
  def.name = "DataControl";
  def.superclass = RectControlClass();
  def.instanceSize = int32_t(sizeof(DataControlFields));
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  def.events = g_events;
  g_dataControl = BuildFrameworkClass(def);
  g_dataControl->hooks = new HookDescriptor{g_dataControl->hooks, MakeString("CreatePane"), 0,
                                            reinterpret_cast<void*>(&CreatePane)};
  DeclareInterfaces(g_dataControl, {Iface::kTupleInterface, Iface::kBindingPartInterface});

  FrameworkClassDef action{};
  action.name = "DataControlAction";
  action.instanceSize = int32_t(sizeof(ActionFields));
  action.destruct = &DestructAction;
  action.methods = kActionMethods;
  g_action = BuildFrameworkClass(action);
  DeclareInterfaces(g_action, {Iface::kActionNotificationReceiver});

  WNDCLASS wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &BarProc;
  wc.cbWndExtra = 4;
  wc.lpszClassName = kBarClass;
  RegisterClass(&wc);
}

ClassObject* DataControlActionClass() {
  return g_action;
}

void RedrawDataControl(TessObject* o) {
  if (DataControlState* s = DataControlStateOf(o); s && s->bar)
    InvalidateRect(s->bar, nullptr, FALSE);
}

}  // namespace tess::ui
