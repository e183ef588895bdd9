// Raw input to messages, key state, the cursor position, TranslateMessage,
// hit testing of window frames, and moving and sizing windows by their
// frame. Frame tracking is a small state machine fed by raw input rather
// than a nested loop, so a headless script that clicks a caption and then
// moves the pointer drives it exactly as a user's hand would.
#include "platform/user/input.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/gdi/font.h"
#include "platform/user/classic_look.h"
#include "platform/user/menu_internal.h"

namespace tess::platform {

using namespace user;

namespace user {
std::vector<UINT> TakeBeeps();
bool ApplicationActive();
void SetApplicationActive(bool active);
void ActivateByClick(Window* top);
}  // namespace user

namespace {

enum class Kind { Move, Button, Wheel, Key, Activation };

struct RawEvent {
  Kind kind;
  POINT pt;
  int button = 0;
  bool down = false;
  int vk = 0;
  int delta = 0;
  uint32_t codepoint = 0;
  DWORD time = 0;
  // Modifier and button state when the event happened: the messages made
  // later from it must carry that, not the state at conversion.
  WPARAM keys = 0;
  bool alt = false, ctrl = false;
};

std::mutex g_rawLock;
std::deque<RawEvent> g_raw;
POINT g_cursor{};
// The cursor again, packed in one word: every posted message reads it, and
// that must not wait for the input lock.
std::atomic<uint64_t> g_cursorWord{0};
uint8_t g_async[256];  // bit 0x80 down, bit 0x01 toggled
uint8_t g_sync[256];

struct Click {
  HWND hwnd = nullptr;
  int button = -1;
  DWORD time = 0;
  POINT pt{};
} g_lastClick;

// Frame tracking after a press on a caption, border or caption button.
struct Track {
  HWND hwnd = nullptr;
  int hit = 0;
  POINT start{};
  RECT startRect{};  // screen coordinates
  bool over = true;
} g_track;

// Alt or F10 went down and no other key or button since.
bool g_menuKeyAlone = false;

WPARAM KeyFlags();

void Push(RawEvent e) {
  e.time = Now();
  {
    std::lock_guard lock(g_rawLock);
    e.keys = KeyFlags();
    e.alt = g_async[VK_MENU] & 0x80;
    e.ctrl = g_async[VK_CONTROL] & 0x80;
    g_raw.push_back(e);
  }
  WakeAll();
}

// Callers hold g_rawLock.
WPARAM KeyFlags() {
  WPARAM f = 0;
  if (g_async[VK_LBUTTON] & 0x80) f |= MK_LBUTTON;
  if (g_async[VK_RBUTTON] & 0x80) f |= MK_RBUTTON;
  if (g_async[VK_MBUTTON] & 0x80) f |= MK_MBUTTON;
  if (g_async[VK_SHIFT] & 0x80) f |= MK_SHIFT;
  if (g_async[VK_CONTROL] & 0x80) f |= MK_CONTROL;
  return f;
}

void SetKey(uint8_t* state, int vk, bool down) {
  auto set = [&](int k) {
    if (down && !(state[k] & 0x80)) state[k] ^= 0x01;
    state[k] = uint8_t(down ? (state[k] | 0x80) : (state[k] & ~0x80));
  };
  set(vk & 0xFF);
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) set(VK_SHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) set(VK_CONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) set(VK_MENU);
}

void Deliver(Window* w, UINT msg, WPARAM wParam, LPARAM lParam, const RawEvent& e) {
  Queue* q = w->queue;
  if (!q) return;
  {
    std::lock_guard lock(q->lock);
    q->input.push_back(MSG{w->handle, msg, wParam, lParam, e.time, e.pt});
  }
  Wake(*q);
}

int SizingEdge(int hit) {
  switch (hit) {
    case HTLEFT:
      return WMSZ_LEFT;
    case HTRIGHT:
      return WMSZ_RIGHT;
    case HTTOP:
      return WMSZ_TOP;
    case HTTOPLEFT:
      return WMSZ_TOPLEFT;
    case HTTOPRIGHT:
      return WMSZ_TOPRIGHT;
    case HTBOTTOM:
      return WMSZ_BOTTOM;
    case HTBOTTOMLEFT:
      return WMSZ_BOTTOMLEFT;
    case HTBOTTOMRIGHT:
      return WMSZ_BOTTOMRIGHT;
    default:
      return 0;
  }
}

// Feeds one pointer event to the frame tracker; false when none is active.
bool TrackFrame(const RawEvent& e) {
  Window* w = Lookup(g_track.hwnd);
  if (!g_track.hwnd) return false;
  if (!w) {
    g_track = {};
    return false;
  }
  int dx = e.pt.x - g_track.start.x, dy = e.pt.y - g_track.start.y;
  bool button = g_track.hit == HTCLOSE || g_track.hit == HTMINBUTTON || g_track.hit == HTMAXBUTTON;
  if (e.kind == Kind::Move) {
    if (button) {
      g_track.over =
          SendMessage(w->handle, WM_NCHITTEST, 0, MAKELPARAM(e.pt.x, e.pt.y)) == g_track.hit;
    } else if (g_track.hit == HTCAPTION) {
      RECT r = g_track.startRect;
      OffsetRect(&r, dx, dy);
      SendMessage(w->handle, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
      POINT o = ClientOrigin(w->parent);
      SetWindowPos(w->handle, nullptr, r.left - o.x, r.top - o.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (int edge = SizingEdge(g_track.hit)) {
      RECT r = g_track.startRect;
      if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) r.left += dx;
      if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) r.right += dx;
      if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) r.top += dy;
      if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT)
        r.bottom += dy;
      SendMessage(w->handle, WM_SIZING, WPARAM(edge), reinterpret_cast<LPARAM>(&r));
      if (!Lookup(g_track.hwnd)) return true;
      POINT o = ClientOrigin(w->parent);
      SetWindowPos(w->handle, nullptr, r.left - o.x, r.top - o.y, r.right - r.left,
                   r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
  }
  if (e.kind == Kind::Button && !e.down && e.button == 0) {
    Track t = g_track;
    g_track = {};
    if (!button) {
      SendMessage(t.hwnd, WM_EXITSIZEMOVE, 0, 0);
    } else if (t.over) {
      WPARAM cmd = t.hit == HTCLOSE           ? SC_CLOSE
                   : t.hit == HTMINBUTTON     ? SC_MINIMIZE
                   : (w->style & WS_MAXIMIZE) ? SC_RESTORE
                                              : SC_MAXIMIZE;
      SendMessage(t.hwnd, WM_SYSCOMMAND, cmd, MAKELPARAM(e.pt.x, e.pt.y));
    }
    return true;
  }
  return e.kind != Kind::Key && e.kind != Kind::Activation;
}

// A press on a disabled window, one under a modal dialog say: the beep,
// and the window that disabled it comes forward.
void RefuseClick(Window* target) {
  MessageBeep(0);
  Window* top = TopLevelOf(target);
  for (Window* t : Desktop()->children)
    if (t->owner == top->handle && t->visible() && !(t->style & WS_DISABLED)) {
      SetActiveWindow(t->handle);
      return;
    }
}

// Feeds one event to the menu being tracked; true when it took it. The
// messages it would have made are never made, so the key state changes here.
bool TrackMenu(const RawEvent& e) {
  if (!MenuTracking()) return false;
  // A key or button the menu takes is one more than Alt alone.
  if (e.kind == Kind::Key || e.kind == Kind::Button) g_menuKeyAlone = false;
  static const int vks[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
  bool taken = false;
  switch (e.kind) {
    case Kind::Move:
      taken = MenuPointer(MenuPointerEvent::kMove, 0, e.pt);
      break;
    case Kind::Button:
      taken = MenuPointer(e.down ? MenuPointerEvent::kDown : MenuPointerEvent::kUp, e.button, e.pt);
      if (taken) SetKey(g_sync, vks[e.button], e.down);
      break;
    case Kind::Key:
      taken = MenuKey(e.vk, e.down);
      if (taken) SetKey(g_sync, e.vk, e.down);
      break;
    case Kind::Wheel:
      taken = true;
      break;
    case Kind::Activation:
      break;
  }
  return taken;
}

void ConvertMouse(const RawEvent& e) {
  if (TrackMenu(e) || TrackFrame(e)) return;
  Window* target = nullptr;
  int hit = HTCLIENT;
  HWND capture = GetCapture();
  if (e.kind == Kind::Wheel) {
    target = Lookup(GetFocus());
    if (!target) target = Lookup(GetActiveWindow());
    if (target)
      Deliver(target, WM_MOUSEWHEEL, e.keys | WPARAM(uint16_t(int16_t(e.delta))) << 16,
              MAKELPARAM(e.pt.x, e.pt.y), e);
    return;
  }
  if (capture) {
    target = Lookup(capture);
  } else {
    target = Lookup(WindowFromPoint(e.pt));
    while (target && !target->desktop) {
      HWND asked = target->handle;
      hit = int(SendMessage(asked, WM_NCHITTEST, 0, MAKELPARAM(e.pt.x, e.pt.y)));
      if (!(target = Lookup(asked))) break;  // gone while answering
      if (hit != HTTRANSPARENT || !target->child()) break;
      target = target->parent;
    }
  }
  if (!target || target->desktop || (!capture && (target->style & WS_DISABLED))) {
    static const int vks[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    if (e.kind == Kind::Button) SetKey(g_sync, vks[e.button], e.down);
    if (target && !target->desktop && e.kind == Kind::Button && e.down) RefuseClick(target);
    return;
  }
  HWND handle = target->handle;
  static const UINT downs[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  UINT msg = WM_MOUSEMOVE;
  if (e.kind == Kind::Button) msg = e.down ? downs[e.button] : downs[e.button] + 1;
  if (!capture) {
    SendMessage(handle, WM_SETCURSOR, WPARAM(handle), MAKELPARAM(hit, msg));
    if (!Lookup(handle)) return;
  }
  if (e.kind == Kind::Button && e.down) {
    Window* top = TopLevelOf(target);
    if (!capture && GetActiveWindow() != top->handle) {
      LRESULT r = SendMessage(handle, WM_MOUSEACTIVATE, WPARAM(top->handle), MAKELPARAM(hit, msg));
      if (!Lookup(handle)) return;
      if (r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT || r == 0) ActivateByClick(top);
      if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT || !Lookup(handle)) return;
    }
    bool near = std::abs(e.pt.x - g_lastClick.pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                std::abs(e.pt.y - g_lastClick.pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    bool dbl = g_lastClick.hwnd == handle && g_lastClick.button == e.button && near &&
               e.time - g_lastClick.time <= GetDoubleClickTime();
    if (dbl && hit == HTCLIENT && !(target->cls->style & CS_DBLCLKS)) dbl = false;
    if (dbl) {
      msg += 2;
      g_lastClick = {};
    } else {
      g_lastClick = {handle, e.button, e.time, e.pt};
    }
  }
  if (hit == HTCLIENT) {
    POINT o = ClientOrigin(target);
    Deliver(target, msg, e.keys, MAKELPARAM(e.pt.x - o.x, e.pt.y - o.y), e);
  } else {
    Deliver(target, msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE, WPARAM(hit), MAKELPARAM(e.pt.x, e.pt.y),
            e);
  }
}

void ConvertKey(const RawEvent& e) {
  if (TrackMenu(e)) return;
  HWND focus = GetFocus();
  Window* target = Lookup(focus);
  if (!target) target = Lookup(GetActiveWindow());
  if (!target) {
    // No window hears it, but the key state must not stay stuck.
    SetKey(g_sync, e.vk, e.down);
    return;
  }
  bool alt = e.alt, ctrl = e.ctrl;
  bool sys = !focus || (alt && !ctrl) || e.vk == VK_MENU || e.vk == VK_F10;
  UINT msg = e.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  LPARAM l = 1 | LPARAM(e.vk & 0xFF) << 16;
  if (alt) l |= 1 << 29;
  if (!e.down || (g_sync[e.vk & 0xFF] & 0x80)) l |= 1 << 30;
  if (!e.down) l |= LPARAM(1u << 31);
  WPARAM w = WPARAM(e.vk) | (e.vk == VK_PACKET ? WPARAM(e.codepoint & 0xFFFF) << 16 : 0);
  Deliver(target, msg, w, l, e);
}

// The character a key makes on a US layout, 0 if none.
uint32_t CharForKey(int vk, bool shift, bool caps, bool ctrl) {
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return uint32_t(vk - 'A' + 1);
    return uint32_t((shift != caps) ? vk : vk - 'A' + 'a');
  }
  if (ctrl) return 0;
  if (vk >= '0' && vk <= '9') return uint32_t(shift ? ")!@#$%^&*("[vk - '0'] : vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return uint32_t('0' + vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_BACK:
      return '\b';
    case VK_TAB:
      return '\t';
    case VK_ESCAPE:
      return 0x1B;
    case VK_OEM_1:
      return shift ? ':' : ';';
    case VK_OEM_PLUS:
      return shift ? '+' : '=';
    case VK_OEM_COMMA:
      return shift ? '<' : ',';
    case VK_OEM_MINUS:
      return shift ? '_' : '-';
    case VK_OEM_PERIOD:
      return shift ? '>' : '.';
    case VK_OEM_2:
      return shift ? '?' : '/';
    case VK_OEM_3:
      return shift ? '~' : '`';
    case VK_OEM_4:
      return shift ? '{' : '[';
    case VK_OEM_5:
      return shift ? '|' : '\\';
    case VK_OEM_6:
      return shift ? '}' : ']';
    case VK_OEM_7:
      return shift ? '"' : '\'';
    case VK_MULTIPLY:
      return '*';
    case VK_ADD:
      return '+';
    case VK_SUBTRACT:
      return '-';
    case VK_DECIMAL:
      return '.';
    case VK_DIVIDE:
      return '/';
    default:
      return 0;
  }
}

// The key (and whether Shift is needed) that types an ASCII character.
bool KeyForChar(uint32_t c, int* vk, bool* shift) {
  for (int k = 0; k < 256; ++k)
    for (int s = 0; s < 2; ++s)
      if (CharForKey(k, s != 0, false, false) == c && c >= ' ') {
        *vk = k, *shift = s != 0;
        return true;
      }
  if (c == '\r' || c == '\n') return *vk = VK_RETURN, *shift = false, true;
  if (c == '\t') return *vk = VK_TAB, *shift = false, true;
  return false;
}

}  // namespace

namespace user {

int HitTest(Window* w, POINT p) {
  RECT wr = ScreenRect(w);
  if (!PtInRect(&wr, p)) return HTNOWHERE;
  POINT co = ClientOrigin(w);
  RECT cr{co.x, co.y, co.x + w->client.right - w->client.left,
          co.y + w->client.bottom - w->client.top};
  if (PtInRect(&cr, p)) return HTCLIENT;
  if (w->style & WS_MINIMIZE) return HTCAPTION;
  int x = p.x - wr.left, y = p.y - wr.top;
  int width = wr.right - wr.left, height = wr.bottom - wr.top;
  if ((w->style & WS_THICKFRAME) && !(w->style & WS_MAXIMIZE)) {
    int f = GetSystemMetrics(SM_CXFRAME), corner = GetSystemMetrics(SM_CXSIZE) + f;
    bool left = x < f, right = x >= width - f, top = y < f, bottom = y >= height - f;
    if (top || bottom || left || right) {
      bool nearLeft = x < corner, nearRight = x >= width - corner;
      bool nearTop = y < corner, nearBottom = y >= height - corner;
      if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
      if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
      if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
      if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
      return top ? HTTOP : bottom ? HTBOTTOM : left ? HTLEFT : HTRIGHT;
    }
  }
  POINT local{x, y};
  RECT bar = MenuBarRect(w);
  if (PtInRect(&bar, local)) return HTMENU;
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    CaptionLayout c = LayoutCaption(w->style, w->exStyle, width);
    if (PtInRect(&c.close, local)) return HTCLOSE;
    if (PtInRect(&c.max, local)) return HTMAXBUTTON;
    if (PtInRect(&c.min, local)) return HTMINBUTTON;
    if (PtInRect(&c.icon, local)) return HTSYSMENU;
    if (PtInRect(&c.caption, local)) return HTCAPTION;
  }
  return HTBORDER;
}

void NonClientButtonDown(Window* w, int hit, POINT p) {
  bool sizing = SizingEdge(hit) != 0 && (w->style & WS_THICKFRAME);
  bool buttons = hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON;
  if (hit != HTCAPTION && !sizing && !buttons) return;
  if (hit == HTCAPTION && (w->style & WS_MAXIMIZE)) return;
  g_track = Track{w->handle, hit, p, ScreenRect(w), true};
  if (!buttons) SendMessage(w->handle, WM_ENTERSIZEMOVE, 0, 0);
}

int PressedFrameButton(HWND hwnd) {
  return g_track.hwnd == hwnd && g_track.over ? g_track.hit : 0;
}

bool HasRawInput() {
  std::lock_guard lock(g_rawLock);
  return !g_raw.empty();
}

void ProcessRawInput(Queue& q) {
  for (;;) {
    {
      std::lock_guard lock(q.lock);
      if (!q.input.empty()) return;
    }
    RawEvent e;
    {
      std::lock_guard lock(g_rawLock);
      if (g_raw.empty()) return;
      e = g_raw.front();
      g_raw.pop_front();
    }
    switch (e.kind) {
      case Kind::Move:
      case Kind::Button:
      case Kind::Wheel:
        ConvertMouse(e);
        break;
      case Kind::Key:
        ConvertKey(e);
        break;
      case Kind::Activation:
        // Another application taking over closes a menu, as on the platform.
        if (!e.down) EndMenu();
        SetApplicationActive(e.down);
        break;
    }
  }
}

bool MenuKeyAlone() {
  return g_menuKeyAlone;
}

void NoteRetrieved(const MSG& m) {
  if ((m.message >= WM_LBUTTONDOWN && m.message <= WM_MBUTTONDBLCLK) ||
      (m.message >= WM_NCLBUTTONDOWN && m.message <= WM_NCMBUTTONDBLCLK))
    g_menuKeyAlone = false;
  switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
      int vk = int(m.wParam & 0xFF);
      bool menuKey = vk == VK_MENU || vk == VK_F10;
      if (down && !(m.lParam & (1 << 30))) g_menuKeyAlone = menuKey;
      SetKey(g_sync, vk, down);
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      SetKey(g_sync, VK_LBUTTON, true);
      break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
      SetKey(g_sync, VK_LBUTTON, false);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
      SetKey(g_sync, VK_RBUTTON, true);
      break;
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP:
      SetKey(g_sync, VK_RBUTTON, false);
      break;
    default:
      break;
  }
}

}  // namespace user

namespace input {

void MouseMove(int x, int y) {
  SIZE limit{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  x = std::clamp(x, 0, int(limit.cx) - 1);
  y = std::clamp(y, 0, int(limit.cy) - 1);
  {
    std::lock_guard lock(g_rawLock);
    g_cursor = {x, y};
    g_cursorWord.store(uint64_t(uint32_t(x)) | uint64_t(uint32_t(y)) << 32,
                       std::memory_order_relaxed);
  }
  Push(RawEvent{Kind::Move, {x, y}});
}

void MouseButton(Button button, bool down) {
  static const int vks[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
  if (button < kLeft || button > kMiddle) return;
  POINT p;
  {
    std::lock_guard lock(g_rawLock);
    SetKey(g_async, vks[button], down);
    p = g_cursor;
  }
  RawEvent e{Kind::Button, p};
  e.button = button;
  e.down = down;
  Push(e);
}

void Wheel(int delta) {
  POINT p;
  {
    std::lock_guard lock(g_rawLock);
    p = g_cursor;
  }
  RawEvent e{Kind::Wheel, p};
  e.delta = std::clamp(delta, -32768, 32767);
  Push(e);
}

void Key(int vk, bool down) {
  if (vk <= 0 || vk > 0xFE) return;
  POINT p;
  {
    std::lock_guard lock(g_rawLock);
    SetKey(g_async, vk, down);
    p = g_cursor;
  }
  RawEvent e{Kind::Key, p};
  e.vk = vk;
  e.down = down;
  Push(e);
}

void Character(uint32_t cp) {
  RawEvent e{Kind::Key, g_cursor};
  e.vk = VK_PACKET;
  e.codepoint = cp;
  e.down = true;
  Push(e);
  e.down = false;
  Push(e);
}

void Type(const char* text) {
  if (!text) return;
  for (uint32_t c : gdi::DecodeText(text, int(std::strlen(text)))) {
    int vk;
    bool shift;
    if (c < 0x80 && KeyForChar(c, &vk, &shift)) {
      if (shift) Key(VK_SHIFT, true);
      Key(vk, true);
      Key(vk, false);
      if (shift) Key(VK_SHIFT, false);
    } else {
      Character(c);
    }
  }
}

bool Pending() {
  return HasRawInput();
}

void ApplicationActivation(bool active) {
  RawEvent e{Kind::Activation, {}};
  e.down = active;
  Push(e);
}

std::vector<UINT> TakeBeeps() {
  return user::TakeBeeps();
}

}  // namespace input

short GetKeyState(int vk) {
  uint8_t s = g_sync[vk & 0xFF];
  return short((s & 0x80 ? 0x8000 : 0) | (s & 0x01));
}

short GetAsyncKeyState(int vk) {
  std::lock_guard lock(g_rawLock);
  return short(g_async[vk & 0xFF] & 0x80 ? 0x8000 : 0);
}

BOOL GetCursorPos(POINT* p) {
  if (!p) return 0;
  uint64_t word = g_cursorWord.load(std::memory_order_relaxed);
  *p = POINT{LONG(int32_t(uint32_t(word))), LONG(int32_t(uint32_t(word >> 32)))};
  return 1;
}

BOOL SetCursorPos(int x, int y) {
  input::MouseMove(x, y);
  return 1;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return 0;
  int vk = int(msg->wParam & 0xFFFF);
  uint32_t ch = vk == VK_PACKET
                    ? uint32_t(msg->wParam >> 16)
                    : CharForKey(vk, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CAPITAL) & 1,
                                 GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0);
  if (!ch) return 0;
  PostMessage(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch, msg->lParam);
  return 1;
}

}  // namespace tess::platform
