// "msctls_trackbar32": a channel across the middle and a thumb on it. The
// thumb drags (TB_THUMBTRACK at each new position, TB_THUMBPOSITION where
// it is let go); a press on the channel beside it moves a page toward the
// press. Keys: arrows a line, Page Up and Down a page, Home and End the
// ends. The slider moves itself first, then tells its parent; every move
// ends with TB_ENDTRACK.
#include <algorithm>

#include "platform/comctl/commctrl.h"
#include "platform/comctl/controls_internal.h"
#include "platform/user/classic_look.h"

namespace tess::platform::comctl {

namespace {

constexpr int kThumbLength = 11, kMargin = 8;

struct Slider {
  int min = 0, max = 100, pos = 0, line = 1, page = 20;
  bool dragging = false;
  int grab = 0;
  bool focused = false;
};

bool Vertical(HWND hwnd) {
  return GetWindowLong(hwnd, GWL_STYLE) & TBS_VERT;
}

int Length(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return Vertical(hwnd) ? r.bottom : r.right;
}

int Room(HWND hwnd) {
  return std::max(0, Length(hwnd) - 2 * kMargin - kThumbLength);
}

int ThumbStart(HWND hwnd, const Slider& s) {
  if (s.max <= s.min) return kMargin;
  return kMargin + int(int64_t(Room(hwnd)) * (s.pos - s.min) / (int64_t(s.max) - s.min));
}

int Along(HWND hwnd, POINT p) {
  return Vertical(hwnd) ? p.y : p.x;
}

void Tell(HWND hwnd, UINT code, int pos = 0) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  SendMessage(parent, Vertical(hwnd) ? WM_VSCROLL : WM_HSCROLL,
              WPARAM(code) | (WPARAM(uint16_t(pos)) << 16), reinterpret_cast<LPARAM>(hwnd));
}

// Moves to `pos` (clamped) and tells `code` when it moved.
void MoveTo(HWND hwnd, Slider& s, int pos, UINT code) {
  pos = std::clamp(pos, s.min, s.max);
  if (pos == s.pos) return;
  s.pos = pos;
  InvalidateRect(hwnd, nullptr, FALSE);
  Tell(hwnd, code, pos);
}

void Paint(HWND hwnd, Slider& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC));
  bool vertical = Vertical(hwnd), enabled = IsWindowEnabled(hwnd);
  int thick = vertical ? r.right : r.bottom, mid = thick / 2;
  RECT channel = vertical ? RECT{mid - 2, kMargin, mid + 2, r.bottom - kMargin}
                          : RECT{kMargin, mid - 2, r.right - kMargin, mid + 2};
  DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
  int start = ThumbStart(hwnd, s);
  int half = std::min(10, thick / 2 - 1);
  RECT thumb = vertical ? RECT{mid - half, start, mid + half, start + kThumbLength}
                        : RECT{start, mid - half, start + kThumbLength, mid + half};
  DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  if (!enabled) {
    RECT in = thumb;
    InflateRect(&in, -3, -3);
    FillRect(dc, &in, GetSysColorBrush(COLOR_3DLIGHT));
  }
  if (s.focused) DrawFocusRect(dc, &r);
  EndPaint(hwnd, &ps);
}

LRESULT SliderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Slider* s) {
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  auto value = [](uintptr_t v) { return int(int32_t(uint32_t(v))); };
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_PAINT:
      Paint(hwnd, *s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetWindowLong(hwnd, GWL_STYLE) & WS_TABSTOP) SetFocus(hwnd);
      if (!(s = StateOf<Slider>(hwnd))) return 0;
      int at = Along(hwnd, p), start = ThumbStart(hwnd, *s);
      if (at >= start && at < start + kThumbLength) {
        s->dragging = true;
        s->grab = at - start;
        SetCapture(hwnd);
      } else {
        MoveTo(hwnd, *s, s->pos + (at < start ? -s->page : s->page),
               at < start ? SB_PAGEUP : SB_PAGEDOWN);
        if ((s = StateOf<Slider>(hwnd))) Tell(hwnd, TB_ENDTRACK);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->dragging && s->max > s->min) {
        int room = Room(hwnd);
        int at = std::clamp(Along(hwnd, p) - s->grab - kMargin, 0, room);
        int pos = room ? s->min + int((int64_t(s->max) - s->min) * at / room) : s->min;
        MoveTo(hwnd, *s, pos, TB_THUMBTRACK);
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (s->dragging && (msg == WM_LBUTTONUP || reinterpret_cast<HWND>(lParam) != hwnd)) {
        s->dragging = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        if (!(s = StateOf<Slider>(hwnd))) return 0;
        Tell(hwnd, TB_THUMBPOSITION, s->pos);
        Tell(hwnd, TB_ENDTRACK);
      }
      return 0;
    case WM_KEYDOWN: {
      int to;
      UINT code;
      switch (int(wParam)) {
        case VK_LEFT:
        case VK_UP:
          to = s->pos - s->line, code = SB_LINEUP;
          break;
        case VK_RIGHT:
        case VK_DOWN:
          to = s->pos + s->line, code = SB_LINEDOWN;
          break;
        case VK_PRIOR:
          to = s->pos - s->page, code = SB_PAGEUP;
          break;
        case VK_NEXT:
          to = s->pos + s->page, code = SB_PAGEDOWN;
          break;
        case VK_HOME:
          to = s->min, code = SB_TOP;
          break;
        case VK_END:
          to = s->max, code = SB_BOTTOM;
          break;
        default:
          return DefWindowProc(hwnd, msg, wParam, lParam);
      }
      MoveTo(hwnd, *s, to, code);
      if ((s = StateOf<Slider>(hwnd))) Tell(hwnd, TB_ENDTRACK);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = msg == WM_SETFOCUS;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case TBM_GETPOS:
      return s->pos;
    case TBM_GETRANGEMIN:
      return s->min;
    case TBM_GETRANGEMAX:
      return s->max;
    case TBM_SETPOS:
      s->pos = std::clamp(value(uintptr_t(lParam)), s->min, s->max);
      if (wParam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
      (msg == TBM_SETRANGEMIN ? s->min : s->max) = value(uintptr_t(lParam));
      if (s->max < s->min) (msg == TBM_SETRANGEMIN ? s->max : s->min) = value(uintptr_t(lParam));
      s->pos = std::clamp(s->pos, s->min, s->max);
      if (wParam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case TBM_SETPAGESIZE:
    case TBM_SETLINESIZE: {
      int& field = msg == TBM_SETPAGESIZE ? s->page : s->line;
      int old = field;
      field = value(uintptr_t(lParam));
      return old;
    }
    case TBM_GETPAGESIZE:
      return s->page;
    case TBM_GETLINESIZE:
      return s->line;
    default:
      break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// "msctls_progress32".
struct Progress {
  int min = 0, max = 100, pos = 0;
};

LRESULT ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Progress* s) {
  switch (msg) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MIDDLE);
      InflateRect(&r, -1, -1);
      int width = r.right - r.left;
      int filled =
          s->max > s->min ? int(int64_t(width) * (s->pos - s->min) / (s->max - s->min)) : 0;
      // Blocks, two pixels apart, the last one cut where the value ends.
      int block = std::max(2, (r.bottom - r.top) * 2 / 3);
      HBRUSH brush = GetSysColorBrush(COLOR_HIGHLIGHT);
      for (int x = 0; x < filled; x += block + 2) {
        RECT b{r.left + x, r.top, r.left + std::min(filled, x + block), r.bottom};
        FillRect(dc, &b, brush);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case PBM_SETPOS: {
      int old = s->pos;
      s->pos = std::clamp(int(int32_t(uint32_t(wParam))), s->min, s->max);
      if (s->pos != old) InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case PBM_GETPOS:
      return s->pos;
    case PBM_SETRANGE32: {
      int lo = int(int32_t(uint32_t(wParam))), hi = int(int32_t(lParam));
      s->min = std::min(lo, hi);
      s->max = std::max(lo, hi);
      s->pos = std::clamp(s->pos, s->min, s->max);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 1;
    }
    case PBM_GETRANGE:
      return wParam ? s->min : s->max;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

bool RegisterTrackBarClass() {
  return RegisterControlClass("msctls_trackbar32", &WithState<Slider, &SliderProc>);
}

bool RegisterProgressClass() {
  return RegisterControlClass("msctls_progress32", &WithState<Progress, &ProgressProc>, 0);
}

}  // namespace tess::platform::comctl
