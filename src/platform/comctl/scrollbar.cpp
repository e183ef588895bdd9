// "SCROLLBAR" controls: arrows at both ends, the track between them and a
// square thumb whose place along the track shows the position within the
// range. A press on an arrow or on the track tells the parent at once and
// again every 50 ms after a first wait of 400 ms while held (a page press
// stops once the thumb reaches the pointer); the thumb drags, telling
// SB_THUMBTRACK as it goes and SB_THUMBPOSITION where it is let go. Every
// move ends with SB_ENDSCROLL. Keys: arrows a line, Page Up and Down a
// page, Home and End the ends.
#include <algorithm>

#include "platform/comctl/commctrl.h"
#include "platform/comctl/controls_internal.h"
#include "platform/user/classic_look.h"

namespace tess::platform::comctl {

namespace {

constexpr uintptr_t kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400, kRepeatMs = 50;

enum class Part { kNone, kLessArrow, kLessPage, kThumb, kMorePage, kMoreArrow };

struct Bar {
  int min = 0, max = 100, pos = 0;
  Part pressed = Part::kNone;
  bool over = false;      // the pointer is over the pressed part
  int grab = 0;           // pointer offset within the thumb while dragging
  int trackPos = 0;       // the thumb's position while dragging
  bool released = false;  // the thumb was let go: SB_THUMBPOSITION is being told
  POINT pointer{};        // where the pointer is, while held
  bool focused = false;
};

bool Vertical(HWND hwnd) {
  return GetWindowLong(hwnd, GWL_STYLE) & SBS_VERT;
}

struct Geometry {
  int length, thick, arrow, trackStart, trackEnd, thumbStart, thumbLength;
};

Geometry Measure(HWND hwnd, const Bar& b, int shownPos) {
  RECT r;
  GetClientRect(hwnd, &r);
  bool vertical = Vertical(hwnd);
  Geometry g{};
  g.length = vertical ? r.bottom : r.right;
  g.thick = vertical ? r.right : r.bottom;
  g.arrow = std::min(g.thick, g.length / 2);
  g.trackStart = g.arrow;
  g.trackEnd = g.length - g.arrow;
  int track = g.trackEnd - g.trackStart;
  g.thumbLength = b.max > b.min && track >= g.thick ? std::max(8, std::min(g.thick, track)) : 0;
  int room = track - g.thumbLength;
  g.thumbStart =
      g.trackStart +
      (b.max > b.min ? int(int64_t(room) * (shownPos - b.min) / (int64_t(b.max) - b.min)) : 0);
  return g;
}

int Along(HWND hwnd, POINT p) {
  return Vertical(hwnd) ? p.y : p.x;
}

Part PartAt(HWND hwnd, const Bar& b, POINT p) {
  Geometry g = Measure(hwnd, b, b.pos);
  int a = Along(hwnd, p);
  if (a < 0 || a >= g.length) return Part::kNone;
  if (a < g.trackStart) return Part::kLessArrow;
  if (a >= g.trackEnd) return Part::kMoreArrow;
  if (!g.thumbLength) return Part::kNone;
  if (a < g.thumbStart) return Part::kLessPage;
  if (a >= g.thumbStart + g.thumbLength) return Part::kMorePage;
  return Part::kThumb;
}

void Tell(HWND hwnd, UINT code, int pos = 0) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  SendMessage(parent, Vertical(hwnd) ? WM_VSCROLL : WM_HSCROLL,
              WPARAM(code) | (WPARAM(uint16_t(pos)) << 16), reinterpret_cast<LPARAM>(hwnd));
}

// One step of a held arrow or page: false when the press no longer acts
// (a page press whose thumb reached the pointer).
bool Step(HWND hwnd, Bar& b) {
  if (!b.over) return true;
  switch (b.pressed) {
    case Part::kLessArrow:
      Tell(hwnd, SB_LINEUP);
      return true;
    case Part::kMoreArrow:
      Tell(hwnd, SB_LINEDOWN);
      return true;
    case Part::kLessPage:
    case Part::kMorePage: {
      Bar* now = StateOf<Bar>(hwnd);
      if (!now || PartAt(hwnd, *now, now->pointer) != now->pressed) return false;
      Tell(hwnd, now->pressed == Part::kLessPage ? SB_PAGEUP : SB_PAGEDOWN);
      return true;
    }
    default:
      return false;
  }
}

void Paint(HWND hwnd, Bar& b) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  bool vertical = Vertical(hwnd), enabled = IsWindowEnabled(hwnd);
  int shown = b.pressed == Part::kThumb ? b.trackPos : b.pos;
  Geometry g = Measure(hwnd, b, shown);
  auto span = [&](int from, int to) {
    return vertical ? RECT{0, from, r.right, to} : RECT{from, 0, to, r.bottom};
  };
  // The track: a dithered light grey, darker where a page press holds.
  RECT track = span(g.trackStart, g.trackEnd);
  FillRect(dc, &track, GetSysColorBrush(COLOR_3DLIGHT));
  if (b.over && (b.pressed == Part::kLessPage || b.pressed == Part::kMorePage)) {
    RECT held = b.pressed == Part::kLessPage ? span(g.trackStart, g.thumbStart)
                                             : span(g.thumbStart + g.thumbLength, g.trackEnd);
    FillRect(dc, &held, GetSysColorBrush(COLOR_3DDKSHADOW));
  }
  UINT inactive = enabled && b.max > b.min ? 0u : UINT(DFCS_INACTIVE);
  RECT less = span(0, g.arrow), more = span(g.trackEnd, g.length);
  DrawFrameControl(dc, &less, DFC_SCROLL,
                   (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive |
                       (b.over && b.pressed == Part::kLessArrow ? UINT(DFCS_PUSHED) : 0u));
  DrawFrameControl(dc, &more, DFC_SCROLL,
                   (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive |
                       (b.over && b.pressed == Part::kMoreArrow ? UINT(DFCS_PUSHED) : 0u));
  if (g.thumbLength && enabled) {
    RECT thumb = span(g.thumbStart, g.thumbStart + g.thumbLength);
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    if (b.focused) {
      InflateRect(&thumb, -3, -3);
      DrawFocusRect(dc, &thumb);
    }
  }
  EndPaint(hwnd, &ps);
}

int DragPosition(HWND hwnd, const Bar& b, POINT p) {
  Geometry g = Measure(hwnd, b, b.pos);
  int room = g.trackEnd - g.trackStart - g.thumbLength;
  if (room <= 0) return b.min;
  int at = std::clamp(Along(hwnd, p) - b.grab - g.trackStart, 0, room);
  return b.min + int((int64_t(b.max) - b.min) * at / room);
}

void EndPress(HWND hwnd, Bar& b) {
  Part was = b.pressed;
  b.pressed = Part::kNone;
  b.released = was == Part::kThumb;  // the track position is still asked for
  KillTimer(hwnd, kRepeatTimer);
  if (GetCapture() == hwnd) ReleaseCapture();
  InvalidateRect(hwnd, nullptr, FALSE);
  if (was == Part::kThumb) Tell(hwnd, SB_THUMBPOSITION, b.trackPos);
  if (Bar* now = StateOf<Bar>(hwnd)) now->released = false;
  if (was != Part::kNone) Tell(hwnd, SB_ENDSCROLL);
}

LRESULT BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Bar* b) {
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_PAINT:
      Paint(hwnd, *b);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetWindowLong(hwnd, GWL_STYLE) & WS_TABSTOP) SetFocus(hwnd);
      if (!(b = StateOf<Bar>(hwnd))) return 0;
      Part part = PartAt(hwnd, *b, p);
      if (part == Part::kNone) return 0;
      b->pressed = part;
      b->over = true;
      b->pointer = p;
      SetCapture(hwnd);
      if (part == Part::kThumb) {
        b->grab = Along(hwnd, p) - Measure(hwnd, *b, b->pos).thumbStart;
        b->trackPos = b->pos;
      } else {
        Step(hwnd, *b);
        if ((b = StateOf<Bar>(hwnd))) SetTimer(hwnd, kRepeatTimer, kFirstRepeatMs, nullptr);
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (b->pressed == Part::kNone) return 0;
      b->pointer = p;
      if (b->pressed == Part::kThumb) {
        int pos = DragPosition(hwnd, *b, p);
        if (pos != b->trackPos) {
          b->trackPos = pos;
          InvalidateRect(hwnd, nullptr, FALSE);
          Tell(hwnd, SB_THUMBTRACK, pos);
        }
      } else {
        bool over = PartAt(hwnd, *b, p) == b->pressed;
        if (over != b->over) InvalidateRect(hwnd, nullptr, FALSE);
        b->over = over;
      }
      return 0;
    case WM_LBUTTONUP:
      if (b->pressed != Part::kNone) EndPress(hwnd, *b);
      return 0;
    case WM_CAPTURECHANGED:
      if (b->pressed != Part::kNone && reinterpret_cast<HWND>(lParam) != hwnd) EndPress(hwnd, *b);
      return 0;
    case WM_TIMER:
      if (wParam == kRepeatTimer) {
        SetTimer(hwnd, kRepeatTimer, kRepeatMs, nullptr);
        if (!Step(hwnd, *b) && (b = StateOf<Bar>(hwnd))) KillTimer(hwnd, kRepeatTimer);
        if ((b = StateOf<Bar>(hwnd))) InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_KEYDOWN: {
      UINT code;
      switch (int(wParam)) {
        case VK_LEFT:
        case VK_UP:
          code = SB_LINEUP;
          break;
        case VK_RIGHT:
        case VK_DOWN:
          code = SB_LINEDOWN;
          break;
        case VK_PRIOR:
          code = SB_PAGEUP;
          break;
        case VK_NEXT:
          code = SB_PAGEDOWN;
          break;
        case VK_HOME:
          code = SB_TOP;
          break;
        case VK_END:
          code = SB_BOTTOM;
          break;
        default:
          return DefWindowProc(hwnd, msg, wParam, lParam);
      }
      Tell(hwnd, code);
      Tell(hwnd, SB_ENDSCROLL);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      b->focused = msg == WM_SETFOCUS;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      if (!wParam && b->pressed != Part::kNone) EndPress(hwnd, *b);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case SBM_GETPOS:
      return b->pos;
    case SBM_SETPOS: {
      int old = b->pos;
      b->pos = std::clamp(int(int32_t(uint32_t(wParam))), b->min, b->max);
      if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case SBM_SETRANGE: {
      int lo = int(int32_t(uint32_t(wParam))), hi = int(int32_t(lParam));
      b->min = std::min(lo, hi);
      b->max = std::max(lo, hi);
      b->pos = std::clamp(b->pos, b->min, b->max);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 1;
    }
    case SBM_GETSCROLLINFO: {
      auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
      if (!info) return 0;
      if (info->fMask & SIF_RANGE) info->nMin = b->min, info->nMax = b->max;
      if (info->fMask & SIF_POS) info->nPos = b->pos;
      if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = b->pressed == Part::kThumb || b->released ? b->trackPos : b->pos;
      return 1;
    }
    case SBM_GETRANGE:
      if (wParam) *reinterpret_cast<int*>(wParam) = b->min;
      if (lParam) *reinterpret_cast<int*>(lParam) = b->max;
      return 1;
    default:
      break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

bool RegisterScrollBarClass() {
  return RegisterControlClass("SCROLLBAR", &WithState<Bar, &BarProc>);
}

}  // namespace tess::platform::comctl
