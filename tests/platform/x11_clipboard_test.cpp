// The clipboard as the CLIPBOARD selection of a real X server (Xvfb, skipped
// when it is not installed): text the application puts there is pasted by
// another X client as UTF8_STRING, and text another client owns is what the
// application reads.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "platform/message_log.h"
#include "platform/user/clipboard.h"
#include "platform/user/desktop.h"
#include "platform/virtual_server.h"
// Last: Xlib's macros (None, Bool, Status) would trip the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace tess::test {
namespace {

// Another X client, on its own connection and thread.
struct Client {
  void* lib = dlopen("libX11.so.6", RTLD_NOW);
  template <typename F>
  F Get(const char* name) {
    return reinterpret_cast<F>(dlsym(lib, name));
  }
  decltype(&::XOpenDisplay) open = Get<decltype(&::XOpenDisplay)>("XOpenDisplay");
  decltype(&::XCloseDisplay) close = Get<decltype(&::XCloseDisplay)>("XCloseDisplay");
  decltype(&::XDefaultRootWindow) root = Get<decltype(&::XDefaultRootWindow)>("XDefaultRootWindow");
  decltype(&::XCreateSimpleWindow) create =
      Get<decltype(&::XCreateSimpleWindow)>("XCreateSimpleWindow");
  decltype(&::XInternAtom) atom = Get<decltype(&::XInternAtom)>("XInternAtom");
  decltype(&::XConvertSelection) convert = Get<decltype(&::XConvertSelection)>("XConvertSelection");
  decltype(&::XSetSelectionOwner) own = Get<decltype(&::XSetSelectionOwner)>("XSetSelectionOwner");
  decltype(&::XCheckTypedWindowEvent) check =
      Get<decltype(&::XCheckTypedWindowEvent)>("XCheckTypedWindowEvent");
  decltype(&::XGetWindowProperty) property =
      Get<decltype(&::XGetWindowProperty)>("XGetWindowProperty");
  decltype(&::XChangeProperty) change = Get<decltype(&::XChangeProperty)>("XChangeProperty");
  decltype(&::XSendEvent) send = Get<decltype(&::XSendEvent)>("XSendEvent");
  decltype(&::XPending) pending = Get<decltype(&::XPending)>("XPending");
  decltype(&::XNextEvent) next = Get<decltype(&::XNextEvent)>("XNextEvent");
  decltype(&::XFlush) flush = Get<decltype(&::XFlush)>("XFlush");
  decltype(&::XFree) free = Get<decltype(&::XFree)>("XFree");
};

// Runs the window thread's messages until `done`, waiting between them as
// a run loop does: the presenter reads the display while the thread waits.
template <typename Done>
void PumpUntil(HWND w, Done done) {
  SetTimer(w, 1, 5, nullptr);
  for (int i = 0; i < 1000 && !done(); ++i) {
    MSG m;
    if (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  }
  KillTimer(w, 1);
}

TEST(X11Clipboard, TextGoesBothWaysThroughTheClipboardSelection) {
  std::string xvfb = FindOnPath("Xvfb");
  if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed";
  VirtualServer server;
  ASSERT_TRUE(server.StartForDesktop(xvfb));
  HWND w = Make("Paste", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 20, 20, 200, 100);
  ASSERT_TRUE(desktop::PresentIfAsked());
  Client x;
  ASSERT_TRUE(x.lib && x.open && x.free);

  // Ours, pasted elsewhere: the text as UTF-8 whichever text format held it.
  ASSERT_TRUE(OpenClipboard(w));
  EmptyClipboard();
  const std::u16string wide = u"caf\u00e9 au lait";
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * 2);
  std::memcpy(GlobalLock(block), wide.c_str(), (wide.size() + 1) * 2);
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  ASSERT_TRUE(CloseClipboard());

  std::atomic<bool> pasted = false;
  std::string paste;
  std::thread other([&] {
    Display* d = x.open(server.display().c_str());
    ::Window win = x.create(d, x.root(d), 0, 0, 10, 10, 0, 0, 0);
    Atom clipboard = x.atom(d, "CLIPBOARD", False), utf8 = x.atom(d, "UTF8_STRING", False),
         prop = x.atom(d, "PASTE", False);
    x.convert(d, clipboard, utf8, prop, win, CurrentTime);
    x.flush(d);
    XEvent e;
    for (int i = 0; i < 1000; ++i) {
      if (x.check(d, win, SelectionNotify, &e)) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (e.xselection.property != None &&
            x.property(d, win, prop, 0, 4096, True, AnyPropertyType, &type, &format, &count, &after,
                       &data) == Success &&
            data) {
          paste.assign(reinterpret_cast<char*>(data), count);
          x.free(data);
        }
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    x.close(d);
    pasted = true;
  });
  PumpUntil(w, [&] { return pasted.load(); });
  other.join();
  EXPECT_EQ(paste, "caf\xc3\xa9 au lait");

  // Another client's, read here: it answers our request from its thread.
  std::atomic<bool> owned = false, stop = false;
  std::thread owner([&] {
    Display* d = x.open(server.display().c_str());
    ::Window win = x.create(d, x.root(d), 0, 0, 10, 10, 0, 0, 0);
    Atom clipboard = x.atom(d, "CLIPBOARD", False), utf8 = x.atom(d, "UTF8_STRING", False);
    x.own(d, clipboard, win, CurrentTime);
    x.flush(d);
    owned = true;
    const std::string text = "from x11 \xe2\x82\xac";
    while (!stop) {
      while (x.pending(d) > 0) {
        XEvent e;
        x.next(d, &e);
        if (e.type != SelectionRequest) continue;
        const XSelectionRequestEvent& r = e.xselectionrequest;
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = r.requestor;
        reply.xselection.selection = r.selection;
        reply.xselection.target = r.target;
        reply.xselection.property = None;
        if (r.target == utf8) {
          x.change(d, r.requestor, r.property, utf8, 8, PropModeReplace,
                   reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
          reply.xselection.property = r.property;
        }
        x.send(d, r.requestor, False, 0, &reply);
        x.flush(d);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    x.close(d);
  });
  PumpUntil(w, [&] { return owned.load(); });
  ASSERT_TRUE(OpenClipboard(w));
  HGLOBAL got = GetClipboardData(CF_UNICODETEXT);
  ASSERT_TRUE(got);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(got))), u"from x11 \u20ac");
  GlobalUnlock(got);
  CloseClipboard();
  stop = true;
  owner.join();
  DestroyWindow(w);
}

}  // namespace
}  // namespace tess::test
