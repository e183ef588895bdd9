// The multiple-document frame and the MDIWindow class; see mdi_frame.h.
//
// The frame procedure (TS_MDIFRAME): menu commands and the enabling pass as
// in a document window holding the menu bar; WM_MOVE fires Moved and
// WM_SIZE fires Resized once Open has fired; WM_GETMINMAXINFO applies
// MinWidth..MaxHeight to the frame's outer size; WM_CLOSE quits the
// application; the rest goes to the host's frame procedure.
// The document procedure (TS_MDICHILD) is the TSWindow procedure's handling
// with the host's document procedure as its default; it also sees WM_SIZE
// and a click's WM_MOUSEACTIVATE, by which the client tracks maximizing and
// activates documents.
//
// Not done: the frame's own Activate/Deactivate and WM_ACTIVATEAPP handling
// (floating windows keep their topmost state when another application takes
// over while only the frame is open); Minimize of the frame keeps the
// documents' Resized from firing until it is restored.
#include "ui/mdi_frame.h"

#include <algorithm>
#include <string>

#include "platform/user/mdi.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/menu_bar.h"
#include "ui/window_proc.h"
#include "ui/windowing.h"

namespace tess::ui {
namespace {

using namespace platform;

constexpr int kFrameWidth = 640, kFrameHeight = 480;
// The identifier of the first document; menu commands count up from 1.
constexpr UINT kFirstDocumentId = 0xFF00;
const char* const kArrowCursor = reinterpret_cast<const char*>(32512);
const char* const kApplicationIcon = reinterpret_cast<const char*>(102);

struct MdiState {
  ClassObject* cls = nullptr;
  TessObject* instance = nullptr;  // one reference while the frame exists
  HWND frame = nullptr;
  HWND client = nullptr;
  bool opened = false;  // Open has fired: moves and resizes are events now
};

MdiState& State() {
  static MdiState s;
  return s;
}

EventRecord g_events[] = {
    {0, "Open", nullptr, nullptr, 0, nullptr},
    {0, "Resized", nullptr, nullptr, 0, nullptr},
    {0, "Moved", nullptr, nullptr, 0, nullptr},
};
enum class MdiEvent { kOpen, kResized, kMoved };

const EventDescriptor* EventOf(MdiEvent event) {
  return static_cast<const EventDescriptor*>(g_events[int(event)].descriptor);
}

#define OFFSET(field) uint32_t(offsetof(MDIWindowFields, field))
const PropertyRecord kProperties[] = {
    {0, "Left", &kIntegerType, (void*)&MDIWindowPosGetter, (void*)&MDIWindowPosSetter, 0},
    {0, "Top", &kIntegerType, (void*)&MDIWindowPosGetter, (void*)&MDIWindowPosSetter, 1},
    {0, "Width", &kIntegerType, (void*)&MDIWindowPosGetter, (void*)&MDIWindowPosSetter, 2},
    {0, "Height", &kIntegerType, (void*)&MDIWindowPosGetter, (void*)&MDIWindowPosSetter, 3},
    {0, "MinWidth", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, OFFSET(minWidth)},
    {0, "MinHeight", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, OFFSET(minHeight)},
    {0, "MaxWidth", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, OFFSET(maxWidth)},
    {0, "MaxHeight", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter, OFFSET(maxHeight)},
    {0, "Title", &kStringType, (void*)&MDIWindowTitleGetter, (void*)&MDIWindowTitleSetter, 0},
    {0, "Visible", &kBooleanType, (void*)&MDIWindowVisibleGetter, (void*)&MDIWindowVisibleSetter,
     0},
    {0, "Handle", &kIntegerType, (void*)&MDIWindowHandleGetter, nullptr, 0},
};
#undef OFFSET

const MethodRecord kMethods[] = {
    {"Maximize", nullptr, nullptr, 0, {(void*)&MDIWindowMaximize}, {}},
    {"Minimize", nullptr, nullptr, 0, {(void*)&MDIWindowMinimize}, {}},
    {"Restore", nullptr, nullptr, 0, {(void*)&MDIWindowRestore}, {}},
};

MDIWindowFields* FieldsOfFrame(TessObject* object) {
  MdiState& s = State();
  return object && s.cls && IsA(object, s.cls) ? FieldsOf<MDIWindowFields>(object) : nullptr;
}

void DestructFrame(TessObject* object, ClassObject*) {
  MDIWindowFields* f = FieldsOf<MDIWindowFields>(object);
  UnlockString(f->title);
  f->title = nullptr;
}

// Reads the frame's rectangle back into the instance.
void NoteRect(HWND hwnd) {
  MDIWindowFields* f = FieldsOfFrame(State().instance);
  RECT r{};
  if (!f || !GetWindowRect(hwnd, &r)) return;
  f->current = Rect16{int16_t(r.top), int16_t(r.left), int16_t(r.bottom), int16_t(r.right)};
}

void FireFrameEvent(MdiEvent event) {
  MdiState& s = State();
  if (!s.opened || !s.instance) return;
  ObjectRef keep = ShareObject(s.instance);
  FireEvent(keep.get(), EventOf(event), {});
}

void ApplyLimits(MINMAXINFO* mmi) {
  MDIWindowFields* f = FieldsOfFrame(State().instance);
  if (!f || !mmi) return;
  if (f->minWidth > 0) mmi->ptMinTrackSize.x = f->minWidth;
  if (f->minHeight > 0) mmi->ptMinTrackSize.y = f->minHeight;
  if (f->maxWidth > 0) mmi->ptMaxTrackSize.x = f->maxWidth;
  if (f->maxHeight > 0) mmi->ptMaxTrackSize.y = f->maxHeight;
}

LRESULT FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MdiState& s = State();
  switch (msg) {
    case WM_CREATE: {
      CLIENTCREATESTRUCT ccs{nullptr, kFirstDocumentId};
      RECT r{};
      GetClientRect(hwnd, &r);
      s.client = CreateWindowEx(WS_EX_CLIENTEDGE, kMdiClientClass, nullptr,
                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                                r.right, r.bottom, hwnd, nullptr, nullptr, &ccs);
      return s.client ? 0 : -1;
    }
    case WM_COMMAND:
      if (lParam == 0 && DispatchMenuCommand(LOWORD(wParam))) return 0;
      break;
    case WM_INITMENU:
      RunEnablingPass();
      return 0;
    case WM_MOVE:
      NoteRect(hwnd);
      FireFrameEvent(MdiEvent::kMoved);
      break;
    case WM_SIZE: {
      NoteRect(hwnd);
      LRESULT r = DefFrameProc(hwnd, s.client, msg, wParam, lParam);
      if (wParam != SIZE_MINIMIZED) FireFrameEvent(MdiEvent::kResized);
      return r;
    }
    case WM_GETMINMAXINFO:
      ApplyLimits(reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_CLOSE:
      ApplicationQuit();
      return 0;
    case WM_QUERYENDSESSION:
      return MayAllWindowsClose() ? 1 : 0;
    case WM_DESTROY:
      ReleaseMenuBar(hwnd);
      break;
    default:
      break;
  }
  return DefFrameProc(hwnd, s.client, msg, wParam, lParam);
}

LRESULT DocumentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowObject* window = WindowFromHandle(hwnd);
  LRESULT result = 0;
  if (!window || !HandleWindowMessage(window, hwnd, msg, wParam, lParam, &result))
    return DefMDIChildProc(hwnd, msg, wParam, lParam);
  // The client learns of maximizing and of clicks from these as well.
  if (msg == WM_SIZE || (msg == WM_MOUSEACTIVATE && result == MA_ACTIVATE))
    DefMDIChildProc(hwnd, msg, wParam, lParam);
  return result;
}

// The instance's class: the application's last class derived from MDIWindow.
ClassObject* FrameClass(std::span<ClassObject* const> classes) {
  ClassObject* chosen = State().cls;
  for (ClassObject* cls : classes)
    if (cls && !cls->isFramework)
      for (const ClassObject* c = cls->superclass; c; c = c->superclass)
        if (c == State().cls) {
          chosen = cls;
          break;
        }
  return chosen;
}

void Show(int how) {
  if (HWND frame = MdiFrameHandle()) ShowWindow(frame, how);
}

}  // namespace

void InitMdiClasses() {
  MdiState& s = State();
  if (s.cls) return;
  FrameworkClassDef def{};
  def.name = "MDIWindow";
  def.superclass = RootClass();
  def.instanceSize = kMDIWindowInstanceSize;
  def.destruct = &DestructFrame;
  def.properties = kProperties;
  def.methods = kMethods;
  def.events = g_events;
  s.cls = BuildFrameworkClass(def);

  WNDCLASS wc{};
  wc.lpfnWndProc = &FrameProc;
  wc.hIcon = LoadIcon(nullptr, kApplicationIcon);
  wc.hCursor = LoadCursor(nullptr, kArrowCursor);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = kMdiFrameClassName;
  RegisterClass(&wc);
  WNDCLASS child{};
  child.style = CS_DBLCLKS;
  child.lpfnWndProc = &DocumentProc;
  child.cbWndExtra = 4;
  child.hIcon = LoadIcon(nullptr, kApplicationIcon);
  child.hCursor = LoadCursor(nullptr, kArrowCursor);
  child.lpszClassName = kMdiChildClassName;
  RegisterClass(&child);
}

ClassObject* MDIWindowClass() {
  return State().cls;
}

TessObject* OpenMdiFrame(std::span<ClassObject* const> classes, std::string_view title) {
  InitMdiClasses();
  MdiState& s = State();
  if (s.frame) return nullptr;
  TessObject* instance = CreateObject(FrameClass(classes));
  MDIWindowFields* f = FieldsOf<MDIWindowFields>(instance);
  f->title = MakeString(title);
  std::string text(title);
  HWND frame = CreateWindowEx(0, kMdiFrameClassName, text.c_str(),
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                              kFrameWidth, kFrameHeight, nullptr, nullptr, nullptr, nullptr);
  if (!frame) {
    UnlockObject(instance);
    return nullptr;
  }
  s.instance = instance;
  s.frame = frame;
  f->frame = frame;
  if (WouldTakeMenuBar(true)) {
    SetMenu(frame, MenuBarHandle());
    TookMenuBar(frame);
  }
  NoteRect(frame);
  s.opened = true;
  FireEvent(instance, EventOf(MdiEvent::kOpen), {});
  return s.instance;
}

void ShowMdiFrame() {
  HWND frame = MdiFrameHandle();
  if (!frame || IsWindowVisible(frame)) return;
  if (MDIWindowFields* f = FieldsOfFrame(State().instance)) f->visible = 1;
  ShowWindow(frame, SW_SHOW);
}

void CloseMdiFrame() {
  MdiState& s = State();
  TessObject* instance = s.instance;
  HWND frame = s.frame;
  s = MdiState{s.cls};
  if (MDIWindowFields* f = instance ? FieldsOf<MDIWindowFields>(instance) : nullptr)
    f->frame = nullptr;
  if (IsWindow(frame)) DestroyWindow(frame);
  UnlockObject(instance);
}

TessObject* MdiWindowInstance() {
  return State().instance;
}

HWND MdiFrameHandle() {
  HWND frame = State().frame;
  return frame && IsWindow(frame) ? frame : nullptr;
}

uint8_t KindInMdiFrame(uint8_t kind) {
  return kind == 6 && MdiFrameHandle() ? 0 : kind;
}

HWND CreateMdiDocument(const char* title, DWORD style, Rect16* content) {
  MdiState& s = State();
  if (!MdiFrameHandle() || !IsWindow(s.client)) return nullptr;
  // The client gives every document a caption, sizing border and buttons.
  DWORD docStyle = style | WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                   WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  RECT frame{content->left, content->top, content->right, content->bottom};
  AdjustWindowRectEx(&frame, docStyle, false, DWORD(WS_EX_MDICHILD) | DWORD(WS_EX_WINDOWEDGE));
  // The caption stays inside the client.
  OffsetRect(&frame, std::max(0, int(-frame.left)), std::max(0, int(-frame.top)));
  HWND doc =
      CreateMDIWindow(kMdiChildClassName, title, style & ~WS_VISIBLE, frame.left, frame.top,
                      frame.right - frame.left, frame.bottom - frame.top, s.client, nullptr, 0);
  if (!doc) return nullptr;
  RECT r{};
  GetClientRect(doc, &r);
  POINT origin{0, 0};
  ClientToScreen(doc, &origin);
  *content = Rect16{int16_t(origin.y), int16_t(origin.x), int16_t(origin.y + r.bottom),
                    int16_t(origin.x + r.right)};
  return doc;
}

bool DestroyMdiDocument(HWND hwnd) {
  MdiState& s = State();
  if (!IsWindow(hwnd) || !IsWindow(s.client) || GetParent(hwnd) != s.client) return false;
  SendMessage(s.client, WM_MDIDESTROY, WPARAM(hwnd), 0);
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  return true;
}

HWND FrontDocumentOf(HWND hwnd) {
  MdiState& s = State();
  if (!hwnd || hwnd != MdiFrameHandle() || !IsWindow(s.client)) return hwnd;
  return reinterpret_cast<HWND>(SendMessage(s.client, WM_MDIGETACTIVE, 0, 0));
}

std::vector<HWND> MdiDocuments() {
  std::vector<HWND> out;
  if (!MdiFrameHandle() || !IsWindow(State().client)) return out;
  for (HWND h = GetWindow(State().client, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    out.push_back(h);
  return out;
}

bool OfferMdiAccelerator(const MSG& msg) {
  MdiState& s = State();
  if (!IsWindow(s.client)) return false;
  MSG copy = msg;
  return TranslateMDISysAccel(s.client, &copy);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

int32_t MDIWindowPosGetter(TessObject* window, uint32_t selector) {
  MDIWindowFields* f = FieldsOfFrame(window);
  if (!f) return 0;
  if (f->frame) NoteRect(f->frame);
  return f->current.part(selector);
}

void MDIWindowPosSetter(TessObject* window, uint32_t selector, int32_t value) {
  MDIWindowFields* f = FieldsOfFrame(window);
  if (!f || selector > 3) return;
  int32_t v = std::clamp(value, -32768, 32767);
  int32_t left = f->current.left, top = f->current.top;
  int32_t width = f->current.width(), height = f->current.height();
  int32_t* fields[] = {&left, &top, &width, &height};
  *fields[selector] = selector >= 2 ? std::max(v, 0) : v;
  f->current = Rect16{int16_t(top), int16_t(left), int16_t(std::min(top + height, 32767)),
                      int16_t(std::min(left + width, 32767))};
  if (f->frame)
    SetWindowPos(f->frame, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MDIWindowMaximize(TessObject* window) {
  if (FieldsOfFrame(window)) Show(SW_MAXIMIZE);
}

void MDIWindowMinimize(TessObject* window) {
  if (FieldsOfFrame(window)) Show(SW_MINIMIZE);
}

void MDIWindowRestore(TessObject* window) {
  if (FieldsOfFrame(window)) Show(SW_RESTORE);
}

TessString* MDIWindowTitleGetter(TessObject* window, uint32_t) {
  MDIWindowFields* f = FieldsOfFrame(window);
  if (!f) return nullptr;
  return Share(f->title);
}

void MDIWindowTitleSetter(TessObject* window, uint32_t, TessString* title) {
  MDIWindowFields* f = FieldsOfFrame(window);
  if (!f) return;
  RuntimeLockUnlockStrings(title, f->title);
  f->title = title;
  if (f->frame) SetWindowText(f->frame, std::string(View(title)).c_str());
}

int32_t MDIWindowVisibleGetter(TessObject* window, uint32_t) {
  MDIWindowFields* f = FieldsOfFrame(window);
  return f && f->frame && IsWindowVisible(f->frame) ? 1 : 0;
}

void MDIWindowVisibleSetter(TessObject* window, uint32_t, int32_t value) {
  MDIWindowFields* f = FieldsOfFrame(window);
  if (!f) return;
  f->visible = (value & 0xFF) ? 1 : 0;
  if (f->frame) ShowWindow(f->frame, f->visible ? SW_SHOW : SW_HIDE);
}

int32_t MDIWindowHandleGetter(TessObject* window, uint32_t) {
  MDIWindowFields* f = FieldsOfFrame(window);
  return f && f->frame ? int32_t(reinterpret_cast<uintptr_t>(f->frame)) : 0;
}

}  // extern "C"
