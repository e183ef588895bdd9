// Showing the desktop in a real X11 window, when the TESSERA_DISPLAY setting
// is "x11" and a display can be opened. libX11 is loaded at run time, so a
// headless run needs neither the library nor a server. The window shows
// the composed desktop; its pointer, buttons, wheel, keys and focus are fed
// back as input. Everything runs on the window thread, from its idle hook.
// Text on the clipboard is the display's CLIPBOARD selection as well.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <time.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/kernel/library.h"
#include "platform/user/clipboard.h"
#include "platform/user/desktop.h"
#include "platform/user/input.h"
#include "platform/user/winuser.h"

namespace tess::platform::desktop {

namespace {

std::vector<HostScreen> g_screens;  // filled once, on the window thread

#define XLIB_ROUTINES(R)    \
  R(XOpenDisplay)           \
  R(XCloseDisplay)          \
  R(XDefaultScreen)         \
  R(XRootWindow)            \
  R(XDefaultVisual)         \
  R(XDefaultDepth)          \
  R(XCreateSimpleWindow)    \
  R(XSelectInput)           \
  R(XMapWindow)             \
  R(XStoreName)             \
  R(XCreateGC)              \
  R(XCreateImage)           \
  R(XPutImage)              \
  R(XPending)               \
  R(XNextEvent)             \
  R(XLookupKeysym)          \
  R(XFlush)                 \
  R(XInternAtom)            \
  R(XSetWMProtocols)        \
  R(XSetSelectionOwner)     \
  R(XGetSelectionOwner)     \
  R(XConvertSelection)      \
  R(XChangeProperty)        \
  R(XGetWindowProperty)     \
  R(XDeleteProperty)        \
  R(XSendEvent)             \
  R(XCheckTypedWindowEvent) \
  R(XFree)
struct Xlib {
  static constexpr const char* kLibrary = "libX11.so.6";
  TESS_HOST_ROUTINES(XLIB_ROUTINES)
};

struct X11Presenter {
  const Xlib* x = nullptr;
  Display* display = nullptr;
  ::Window window = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
  Atom deleteWindow = 0;
  std::string frame;  // the desktop pixels as last shown
  // The CLIPBOARD selection: the text we own there, offered as UTF8_STRING
  // (and STRING) to whoever asks.
  Atom clipboard = 0, utf8String = 0, targets = 0, incoming = 0;
  std::string clipboardText;

  void Publish(const std::string& utf8) {
    clipboardText = utf8;
    x->XSetSelectionOwner(display, clipboard, window, CurrentTime);
    x->XFlush(display);
  }

  // Another client's CLIPBOARD text, asked for and waited on (a second at
  // most: a client that never answers loses only its own paste).
  bool Fetch(std::string* utf8) {
    ::Window owner = x->XGetSelectionOwner(display, clipboard);
    if (owner == None || owner == window) return false;
    x->XDeleteProperty(display, window, incoming);
    x->XConvertSelection(display, clipboard, utf8String, incoming, window, CurrentTime);
    x->XFlush(display);
    XEvent e;
    for (int waited = 0; waited < 1000; waited += 5) {
      if (x->XCheckTypedWindowEvent(display, window, SelectionNotify, &e)) {
        if (e.xselection.property == None) return false;
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (x->XGetWindowProperty(display, window, incoming, 0, 1 << 24, True, AnyPropertyType,
                                  &type, &format, &count, &after, &data) != Success) {
          return false;
        }
        bool ok = data && format == 8;
        if (ok) utf8->assign(reinterpret_cast<const char*>(data), count);
        if (data) x->XFree(data);
        return ok;
      }
      // Requests for our own selection may come meanwhile; they wait.
      struct timespec pause {
        0, 5 * 1000 * 1000
      };
      nanosleep(&pause, nullptr);
    }
    return false;
  }

  void AnswerSelection(const XSelectionRequestEvent& r) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = r.requestor;
    reply.xselection.selection = r.selection;
    reply.xselection.target = r.target;
    reply.xselection.time = r.time;
    reply.xselection.property = None;
    Atom property = r.property == None ? r.target : r.property;  // obsolete clients
    if (r.selection == clipboard && r.target == targets) {
      Atom offered[] = {targets, utf8String, XA_STRING};
      x->XChangeProperty(display, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                         reinterpret_cast<unsigned char*>(offered), 3);
      reply.xselection.property = property;
    } else if (r.selection == clipboard && (r.target == utf8String || r.target == XA_STRING)) {
      x->XChangeProperty(display, r.requestor, property, r.target, 8, PropModeReplace,
                         reinterpret_cast<const unsigned char*>(clipboardText.data()),
                         int(clipboardText.size()));
      reply.xselection.property = property;
    }
    x->XSendEvent(display, r.requestor, False, 0, &reply);
    x->XFlush(display);
  }

  void Show() {
    const gdi::Surface& s = Compose();
    const std::vector<uint8_t>& bytes = s.bytes();
    if (frame.size() == bytes.size() && std::memcmp(frame.data(), bytes.data(), bytes.size()) == 0)
      return;
    frame.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    image->data = frame.data();
    x->XPutImage(display, window, gc, image, 0, 0, 0, 0, unsigned(s.width()), unsigned(s.height()));
    x->XFlush(display);
  }

  static int KeyFor(KeySym k) {
    if (k >= XK_a && k <= XK_z) return int(k - XK_a) + 'A';
    if (k >= XK_A && k <= XK_Z) return int(k - XK_A) + 'A';
    if (k >= XK_0 && k <= XK_9) return int(k - XK_0) + '0';
    if (k >= XK_F1 && k <= XK_F12) return int(k - XK_F1) + VK_F1;
    switch (k) {
      case XK_Return:
      case XK_KP_Enter:
        return VK_RETURN;
      case XK_Tab:
        return VK_TAB;
      case XK_Escape:
        return VK_ESCAPE;
      case XK_BackSpace:
        return VK_BACK;
      case XK_Delete:
        return VK_DELETE;
      case XK_Insert:
        return VK_INSERT;
      case XK_Home:
        return VK_HOME;
      case XK_End:
        return VK_END;
      case XK_Prior:
        return VK_PRIOR;
      case XK_Next:
        return VK_NEXT;
      case XK_Left:
        return VK_LEFT;
      case XK_Right:
        return VK_RIGHT;
      case XK_Up:
        return VK_UP;
      case XK_Down:
        return VK_DOWN;
      case XK_space:
        return VK_SPACE;
      case XK_Shift_L:
      case XK_Shift_R:
        return VK_SHIFT;
      case XK_Control_L:
      case XK_Control_R:
        return VK_CONTROL;
      case XK_Alt_L:
      case XK_Alt_R:
        return VK_MENU;
      case XK_Caps_Lock:
        return VK_CAPITAL;
      case XK_semicolon:
        return VK_OEM_1;
      case XK_equal:
        return VK_OEM_PLUS;
      case XK_comma:
        return VK_OEM_COMMA;
      case XK_minus:
        return VK_OEM_MINUS;
      case XK_period:
        return VK_OEM_PERIOD;
      case XK_slash:
        return VK_OEM_2;
      case XK_grave:
        return VK_OEM_3;
      case XK_bracketleft:
        return VK_OEM_4;
      case XK_backslash:
        return VK_OEM_5;
      case XK_bracketright:
        return VK_OEM_6;
      case XK_apostrophe:
        return VK_OEM_7;
      default:
        return 0;
    }
  }

  void Idle() {
    while (x->XPending(display) > 0) {
      XEvent e;
      x->XNextEvent(display, &e);
      switch (e.type) {
        case MotionNotify:
          input::MouseMove(e.xmotion.x, e.xmotion.y);
          break;
        case ButtonPress:
        case ButtonRelease: {
          bool down = e.type == ButtonPress;
          input::MouseMove(e.xbutton.x, e.xbutton.y);
          unsigned b = e.xbutton.button;
          if (b == Button1)
            input::MouseButton(input::kLeft, down);
          else if (b == Button2)
            input::MouseButton(input::kMiddle, down);
          else if (b == Button3)
            input::MouseButton(input::kRight, down);
          else if (down && (b == Button4 || b == Button5))
            input::Wheel(b == Button4 ? WHEEL_DELTA : -WHEEL_DELTA);
          break;
        }
        case KeyPress:
        case KeyRelease:
          if (int vk = KeyFor(x->XLookupKeysym(&e.xkey, 0))) input::Key(vk, e.type == KeyPress);
          break;
        case FocusIn:
          input::ApplicationActivation(true);
          break;
        case FocusOut:
          input::ApplicationActivation(false);
          break;
        case Expose:
          frame.clear();
          break;
        case SelectionRequest:
          AnswerSelection(e.xselectionrequest);
          break;
        case SelectionClear:
          clipboardText.clear();
          break;
        case ClientMessage:
          if (Atom(e.xclient.data.l[0]) == deleteWindow)
            // The host closed the desktop: every top-level window is asked to close.
            for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT))
              PostMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
          break;
        default:
          break;
      }
    }
    Show();
  }
};

}  // namespace

std::vector<HostScreen> PresentedScreens() {
  return g_screens;
}

bool PresentIfAsked() {
  const char* want = std::getenv("TESSERA_DISPLAY");
  if (!want || std::strcmp(want, "x11") != 0 || !std::getenv("DISPLAY")) return false;
  // Asked by the first window and by message boxes alike: one attempt only,
  // so a display that cannot be used is not opened again and again.
  static X11Presenter* p = nullptr;
  static bool tried = false;
  if (tried) return p != nullptr;
  tried = true;
  auto* xp = new X11Presenter;
  if (!(xp->x = HostRoutines<Xlib>()) || !(xp->display = xp->x->XOpenDisplay(nullptr))) {
    delete xp;
    return false;
  }
  Display* d = xp->display;
  int screen = xp->x->XDefaultScreen(d);
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (xp->x->XDefaultDepth(d, screen) < 24) {
    xp->x->XCloseDisplay(d);
    delete xp;
    return false;
  }
  xp->window = xp->x->XCreateSimpleWindow(d, xp->x->XRootWindow(d, screen), 0, 0, unsigned(w),
                                          unsigned(h), 0, 0, 0);
  xp->x->XStoreName(d, xp->window, "Tessera");
  xp->x->XSelectInput(d, xp->window,
                      ExposureMask | PointerMotionMask | ButtonPressMask | ButtonReleaseMask |
                          KeyPressMask | KeyReleaseMask | FocusChangeMask);
  xp->deleteWindow = xp->x->XInternAtom(d, "WM_DELETE_WINDOW", False);
  xp->x->XSetWMProtocols(d, xp->window, &xp->deleteWindow, 1);
  xp->clipboard = xp->x->XInternAtom(d, "CLIPBOARD", False);
  xp->utf8String = xp->x->XInternAtom(d, "UTF8_STRING", False);
  xp->targets = xp->x->XInternAtom(d, "TARGETS", False);
  xp->incoming = xp->x->XInternAtom(d, "TESSERA_CLIPBOARD", False);
  xp->gc = xp->x->XCreateGC(d, xp->window, 0, nullptr);
  // 32-bit 0x00RRGGBB words in little-endian order are what a 24-bit
  // TrueColor visual takes.
  xp->image = xp->x->XCreateImage(d, xp->x->XDefaultVisual(d, screen), 24, ZPixmap, 0, nullptr,
                                  unsigned(w), unsigned(h), 32, w * 4);
  xp->x->XMapWindow(d, xp->window);
  xp->x->XFlush(d);
  p = xp;
  for (int i = 0; i < ScreenCount(d); ++i) {
    Screen* s = ScreenOfDisplay(d, i);
    g_screens.push_back({WidthOfScreen(s), HeightOfScreen(s), DefaultDepthOfScreen(s)});
  }
  auto presenter = std::make_shared<Presenter>();
  presenter->idle = [xp] { xp->Idle(); };
  SetPresenter(presenter);
  auto system = std::make_shared<SystemClipboard>();
  system->publish = [xp](const std::string& utf8) { xp->Publish(utf8); };
  system->fetch = [xp](std::string* utf8) { return xp->Fetch(utf8); };
  SetSystemClipboard(system);
  return true;
}

}  // namespace tess::platform::desktop
