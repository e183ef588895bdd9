// The "MDICLIENT" window class and the default frame and document
// procedures; see mdi.h.
//
// The client owns one record per client window (made at WM_NCCREATE, freed
// at WM_NCDESTROY): the active document, the maximized one, the frame's own
// title and the next document identifier. Documents are children of the
// client, so they are clipped to it and move with it.
//
// Message order. Creating a visible document (WM_MDICREATE or
// CreateMDIWindow): the document's creation messages, then activation as
// below. Activating document N while O was active (WM_MDIACTIVATE to the
// client, a click in N, or WM_MDINEXT): O WM_NCACTIVATE 0, O WM_MDIACTIVATE
// (wParam O, lParam N), N brought to the top of the client, N WM_NCACTIVATE
// 1, N WM_MDIACTIVATE (wParam O, lParam N), then the focus moves to N when
// the frame is active. A maximized O hands its maximized state to N (O is
// restored first). Showing a hidden document, or placing one without
// SWP_NOACTIVATE (WM_CHILDACTIVATE), activates it the same way; hiding the
// active one activates the next. Destroying the active document
// (WM_MDIDESTROY, or WM_CLOSE through DefMDIChildProc) activates the next
// one behind it first.
//
// While a document is maximized the frame's caption reads "Frame -
// [Document]", and it fills the client with its own caption still shown.
//
// Not done: the maximized document's system icon and buttons are not moved
// onto the frame's menu bar (its own caption row keeps them); the window
// menu given in CLIENTCREATESTRUCT is kept but does not list the documents;
// the client has no scroll bars for documents lying outside it; minimized
// documents are not arranged (WM_MDIICONARRANGE is not handled).
#include "platform/user/mdi.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "platform/user/window_internal.h"

namespace tess::platform {

using namespace user;

namespace {

constexpr int kVkF6 = 0x75;

struct Client {
  HWND frame = nullptr;
  HWND active = nullptr;
  HWND maximized = nullptr;
  HWND showing = nullptr;  // a hidden document being shown: activated once it is
  HMENU windowMenu = nullptr;
  UINT nextId = 0;
  std::string frameTitle;
};

std::map<HWND, Client>& Clients() {
  static std::map<HWND, Client> c;
  return c;
}

Client* ClientOf(HWND client) {
  auto it = Clients().find(client);
  return it == Clients().end() ? nullptr : &it->second;
}

bool IsDocument(HWND hwnd) {
  return IsWindow(hwnd) && (GetWindowLong(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD) &&
         ClientOf(GetParent(hwnd));
}

// The documents of a client, front to back.
std::vector<HWND> Documents(HWND client) {
  std::vector<HWND> out;
  for (HWND h = GetWindow(client, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    if (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_MDICHILD) out.push_back(h);
  return out;
}

// The frame's caption: its own title, with the maximized document's after it.
void ShowFrameTitle(HWND client) {
  Client* c = ClientOf(client);
  if (!c || !IsWindow(c->frame)) return;
  std::string text = c->frameTitle;
  if (IsWindow(c->maximized)) text += " - [" + GetWindowTextString(c->maximized) + "]";
  DefWindowProc(c->frame, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Activate(HWND client, HWND next) {
  Client* c = ClientOf(client);
  if (!c || c->active == next) return;
  HWND old = c->active;
  if (!IsWindow(old)) old = nullptr;
  bool handOverMaximized = old && old == c->maximized && next;
  c->active = next;
  LPARAM pair = reinterpret_cast<LPARAM>(next);
  if (old) {
    SendMessage(old, WM_NCACTIVATE, 0, 0);
    SendMessage(old, WM_MDIACTIVATE, WPARAM(old), pair);
    if (handOverMaximized) ShowWindow(old, SW_RESTORE);
  }
  if (!next || !IsWindow(next) || (c = ClientOf(client))->active != next) return;
  SetWindowPos(next, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (handOverMaximized) ShowWindow(next, SW_MAXIMIZE);
  if (!IsWindow(next)) return;
  SendMessage(next, WM_NCACTIVATE, 1, 0);
  SendMessage(next, WM_MDIACTIVATE, WPARAM(old), pair);
  c = ClientOf(client);
  if (c && IsWindow(next) && c->active == next && GetActiveWindow() == c->frame &&
      GetFocus() != next && !IsChild(next, GetFocus()))
    SetFocus(next);
}

// The visible document after (or before) `from` in the client's order.
HWND Neighbour(HWND client, HWND from, bool previous) {
  std::vector<HWND> docs;
  for (HWND h : Documents(client))
    if (h == from || (IsWindowVisible(h) && IsWindowEnabled(h))) docs.push_back(h);
  if (docs.size() < 2) return nullptr;
  if (previous) return docs.back();
  auto it = std::find(docs.begin(), docs.end(), from);
  return it == docs.end() || it + 1 == docs.end() ? docs.front() : *(it + 1);
}

// A document is going: the client forgets it and activates another.
void Forget(HWND client, HWND doc) {
  Client* c = ClientOf(client);
  if (!c) return;
  if (c->maximized == doc) {
    c->maximized = nullptr;
    ShowFrameTitle(client);
  }
  if (c->active == doc) {
    HWND next = nullptr;
    for (HWND h : Documents(client))
      if (h != doc && IsWindowVisible(h) && !next) next = h;
    c->active = nullptr;
    SendMessage(doc, WM_NCACTIVATE, 0, 0);
    SendMessage(doc, WM_MDIACTIVATE, WPARAM(doc), reinterpret_cast<LPARAM>(next));
    if (next) Activate(client, next);
  }
}

int CaptionStep() {
  return GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFRAME);
}

RECT ClientArea(HWND client) {
  RECT r{};
  GetClientRect(client, &r);
  return r;
}

HWND CreateDocument(HWND client, const MDICREATESTRUCT& mcs) {
  Client* c = ClientOf(client);
  if (!c) return nullptr;
  RECT area = ClientArea(client);
  int n = int(Documents(client).size());
  int x = mcs.x, y = mcs.y, cx = mcs.cx, cy = mcs.cy;
  if (x == CW_USEDEFAULT) x = y = (n % 8) * CaptionStep();
  if (cx == CW_USEDEFAULT) {
    cx = std::max(1, int(area.right * 3 / 4));
    cy = std::max(1, int(area.bottom * 3 / 4));
  }
  DWORD style = (mcs.style & ~(WS_POPUP | WS_VISIBLE | WS_MAXIMIZE)) | WS_CHILD | WS_CLIPSIBLINGS |
                WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  UINT id = c->nextId++;
  HWND doc =
      CreateWindowEx(DWORD(WS_EX_MDICHILD) | DWORD(WS_EX_WINDOWEDGE), mcs.szClass, mcs.szTitle,
                     style, x, y, cx, cy, client, reinterpret_cast<HMENU>(uintptr_t(id)),
                     mcs.hOwner, const_cast<MDICREATESTRUCT*>(&mcs));
  if (!doc) return nullptr;
  c = ClientOf(client);
  bool maximize = (mcs.style & WS_MAXIMIZE) || (c && IsWindow(c->maximized));
  if (mcs.style & WS_VISIBLE) ShowWindow(doc, maximize ? SW_MAXIMIZE : SW_SHOW);
  return IsWindow(doc) ? doc : nullptr;
}

void Cascade(HWND client) {
  RECT area = ClientArea(client);
  std::vector<HWND> docs;
  for (HWND h : Documents(client))
    if (IsWindowVisible(h) && !IsIconic(h)) docs.push_back(h);
  int step = CaptionStep();
  int cx = std::max(1, int(area.right * 3 / 4)), cy = std::max(1, int(area.bottom * 3 / 4));
  // The front document ends at the front, lowest and furthest right.
  int k = 0;
  for (auto it = docs.rbegin(); it != docs.rend(); ++it, ++k) {
    if (IsZoomed(*it)) ShowWindow(*it, SW_RESTORE);
    SetWindowPos(*it, HWND_TOP, (k % 8) * step, (k % 8) * step, cx, cy, SWP_NOACTIVATE);
  }
}

void Tile(HWND client, bool horizontal) {
  RECT area = ClientArea(client);
  std::vector<HWND> docs;
  for (HWND h : Documents(client))
    if (IsWindowVisible(h) && !IsIconic(h)) docs.push_back(h);
  int n = int(docs.size());
  if (!n) return;
  // Columns side by side (rows one above the other when horizontal), the
  // last ones taking the documents that do not divide evenly.
  int lines = std::max(1, int(std::sqrt(double(n))));
  int across = horizontal ? area.bottom : area.right, along = horizontal ? area.right : area.bottom;
  int k = 0;
  for (int line = 0; line < lines; ++line) {
    int inLine = n / lines + (line >= lines - n % lines ? 1 : 0);
    int a0 = across * line / lines, a1 = across * (line + 1) / lines;
    for (int i = 0; i < inLine; ++i, ++k) {
      int b0 = along * i / inLine, b1 = along * (i + 1) / inLine;
      HWND h = docs[size_t(k)];
      if (IsZoomed(h)) ShowWindow(h, SW_RESTORE);
      if (horizontal)
        MoveWindow(h, b0, a0, b1 - b0, a1 - a0, TRUE);
      else
        MoveWindow(h, a0, b0, a1 - a0, b1 - b0, TRUE);
    }
  }
}

LRESULT ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
      Client c;
      c.frame = cs ? cs->hwndParent : nullptr;
      if (auto* ccs = cs ? static_cast<const CLIENTCREATESTRUCT*>(cs->lpCreateParams) : nullptr) {
        c.windowMenu = ccs->hWindowMenu;
        c.nextId = ccs->idFirstChild;
      }
      if (IsWindow(c.frame)) c.frameTitle = GetWindowTextString(c.frame);
      Clients()[hwnd] = c;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    case WM_NCDESTROY:
      Clients().erase(hwnd);
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_MDICREATE:
      if (!lParam) return 0;
      return reinterpret_cast<LRESULT>(
          CreateDocument(hwnd, *reinterpret_cast<const MDICREATESTRUCT*>(lParam)));
    case WM_MDIDESTROY: {
      HWND doc = reinterpret_cast<HWND>(wParam);
      if (!IsDocument(doc) || GetParent(doc) != hwnd) return 0;
      Forget(hwnd, doc);
      DestroyWindow(doc);
      return 0;
    }
    case WM_MDIACTIVATE: {
      HWND doc = reinterpret_cast<HWND>(wParam);
      if (IsDocument(doc) && GetParent(doc) == hwnd) Activate(hwnd, doc);
      return 0;
    }
    case WM_MDIGETACTIVE: {
      Client* c = ClientOf(hwnd);
      HWND active = c && IsWindow(c->active) ? c->active : nullptr;
      if (lParam)
        *reinterpret_cast<BOOL*>(lParam) = active && c->maximized == active ? TRUE : FALSE;
      return reinterpret_cast<LRESULT>(active);
    }
    case WM_MDIMAXIMIZE:
    case WM_MDIRESTORE: {
      HWND doc = reinterpret_cast<HWND>(wParam);
      if (IsDocument(doc) && GetParent(doc) == hwnd)
        ShowWindow(doc, msg == WM_MDIMAXIMIZE ? SW_MAXIMIZE : SW_RESTORE);
      return 0;
    }
    case WM_MDINEXT: {
      Client* c = ClientOf(hwnd);
      HWND from = wParam ? reinterpret_cast<HWND>(wParam) : (c ? c->active : nullptr);
      if (!IsDocument(from)) return 0;
      if (HWND next = Neighbour(hwnd, from, lParam != 0)) {
        Activate(hwnd, next);
        if (!lParam && IsWindow(from))
          SetWindowPos(from, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      return 0;
    }
    case WM_MDICASCADE:
      Cascade(hwnd);
      return 1;
    case WM_MDITILE:
      Tile(hwnd, (wParam & MDITILE_HORIZONTAL) != 0);
      return 1;
    case WM_SIZE:
      if (Client* c = ClientOf(hwnd); c && IsWindow(c->maximized)) {
        RECT area = ClientArea(hwnd);
        MoveWindow(c->maximized, 0, 0, area.right, area.bottom, TRUE);
      }
      return 0;
    case WM_SETFOCUS:
      if (Client* c = ClientOf(hwnd); c && IsWindow(c->active) && !IsIconic(c->active))
        SetFocus(c->active);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

namespace user {

bool RegisterMdiClientClass() {
  WNDCLASS wc;
  wc.lpfnWndProc = ClientProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = kMdiClientClass;
  return RegisterClass(&wc) != 0;
}

bool IsActiveMdiChild(HWND hwnd) {
  if (!(GetWindowLong(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD)) return false;
  Client* c = ClientOf(GetParent(hwnd));
  return c && c->active == hwnd;
}

}  // namespace user

HWND CreateMDIWindow(const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND client, HINSTANCE instance, LPARAM param) {
  MDICREATESTRUCT mcs{className, title, instance, x, y, width, height, style, param};
  return reinterpret_cast<HWND>(
      SendMessage(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

LRESULT DefFrameProc(HWND frame, HWND client, UINT msg, WPARAM wParam, LPARAM lParam) {
  Client* c = IsWindow(client) ? ClientOf(client) : nullptr;
  if (!c) return DefWindowProc(frame, msg, wParam, lParam);
  switch (msg) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) MoveWindow(client, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETTEXT:
      c->frameTitle = lParam ? reinterpret_cast<const char*>(lParam) : "";
      ShowFrameTitle(client);
      return 1;
    case WM_SETFOCUS:
      SetFocus(client);
      return 0;
    case WM_COMMAND:
      // A command for a document identifier comes from the window menu.
      if (lParam == 0)
        for (HWND h : Documents(client))
          if (UINT(GetWindowLong(h, GWL_ID)) == LOWORD(wParam)) {
            if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
            Activate(client, h);
            return 0;
          }
      return DefWindowProc(frame, msg, wParam, lParam);
    default:
      return DefWindowProc(frame, msg, wParam, lParam);
  }
}

LRESULT DefMDIChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND client = GetParent(hwnd);
  Client* c = IsDocument(hwnd) ? ClientOf(client) : nullptr;
  if (!c) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      if (c->maximized == hwnd) ShowFrameTitle(client);
      return r;
    }
    case WM_MOUSEACTIVATE:
    case WM_CHILDACTIVATE:
      Activate(client, hwnd);
      return msg == WM_MOUSEACTIVATE ? DefWindowProc(hwnd, msg, wParam, lParam) : 0;
    case WM_SETFOCUS:
      if (c->active != hwnd) Activate(client, hwnd);
      return 0;
    case WM_SIZE: {
      HWND was = c->maximized;
      if (wParam == SIZE_MAXIMIZED) {
        // One maximized document at a time: the one before is restored.
        c->maximized = hwnd;
        if (IsWindow(was) && was != hwnd) ShowWindow(was, SW_RESTORE);
      } else if (was == hwnd) {
        c->maximized = nullptr;
      }
      if ((c = ClientOf(client)) && was != c->maximized) ShowFrameTitle(client);
      return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    case WM_SHOWWINDOW:
      c->showing = wParam ? hwnd : nullptr;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_WINDOWPOSCHANGED: {
      // A document shown comes to the front active; one hidden hands the
      // activation on.
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      UINT flags = wp ? wp->flags : 0;
      LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      if (!(c = ClientOf(client)) || !IsWindow(hwnd)) return r;
      if ((flags & SWP_SHOWWINDOW) && c->showing == hwnd) {
        c->showing = nullptr;
        Activate(client, hwnd);
      } else if (flags & SWP_HIDEWINDOW) {
        Forget(client, hwnd);
      }
      return r;
    }
    case WM_CLOSE:
      SendMessage(client, WM_MDIDESTROY, WPARAM(hwnd), 0);
      return 0;
    case WM_DESTROY:
      Forget(client, hwnd);
      return DefWindowProc(hwnd, msg, wParam, lParam);
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

BOOL TranslateMDISysAccel(HWND client, MSG* msg) {
  Client* c = IsWindow(client) ? ClientOf(client) : nullptr;
  if (!c || !msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  if (!(GetKeyState(VK_CONTROL) & 0x8000) || !IsWindow(c->active)) return FALSE;
  if (msg->wParam == VK_F4) {
    SendMessage(c->active, WM_SYSCOMMAND, SC_CLOSE, 0);
    return TRUE;
  }
  if (int(msg->wParam) == kVkF6) {
    bool previous = GetKeyState(VK_SHIFT) & 0x8000;
    SendMessage(client, WM_MDINEXT, 0, previous ? 1 : 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace tess::platform
