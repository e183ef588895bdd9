// Edges, frame controls, focus rectangles, caption layout and window
// frames in the classic look; see classic_look.h.
#include "platform/user/classic_look.h"

#include <algorithm>
#include <cstring>

#include "platform/user/menu_internal.h"

namespace tess::platform {

using namespace user;

namespace {

void Solid(HDC dc, int l, int t, int r, int b, COLORREF c) {
  if (l >= r || t >= b) return;
  HBRUSH brush = CreateSolidBrush(c);
  RECT rc{l, t, r, b};
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
}

// One ring of a 3D edge: light on the top and left, dark on the bottom and
// right, the dark side owning the two corners where they meet.
void Ring(HDC dc, const RECT& r, COLORREF light, COLORREF dark, UINT sides) {
  if (sides & BF_TOP) Solid(dc, r.left, r.top, r.right - 1, r.top + 1, light);
  if (sides & BF_LEFT) Solid(dc, r.left, r.top, r.left + 1, r.bottom - 1, light);
  if (sides & BF_BOTTOM) Solid(dc, r.left, r.bottom - 1, r.right, r.bottom, dark);
  if (sides & BF_RIGHT) Solid(dc, r.right - 1, r.top, r.right, r.bottom, dark);
}

// Glyphs of the caption buttons and arrows, '#' set.
struct Glyph {
  int w, h;
  const char* rows;
};
constexpr Glyph kClose{8, 7,
                       "##....##"
                       ".##..##."
                       "..####.."
                       "...##..."
                       "..####.."
                       ".##..##."
                       "##....##"};
constexpr Glyph kMin{6, 2, "############"};
constexpr Glyph kMax{9, 9,
                     "#########"
                     "#########"
                     "#.......#"
                     "#.......#"
                     "#.......#"
                     "#.......#"
                     "#.......#"
                     "#.......#"
                     "#########"};
constexpr Glyph kRestore{9, 9,
                         "..######."
                         "..######."
                         "..#....#."
                         "######.#."
                         "######.#."
                         "#....###."
                         "#....#..."
                         "#....#..."
                         "######..."};
constexpr Glyph kArrowUp{7, 4,
                         "...#..."
                         "..###.."
                         ".#####."
                         "#######"};
// An arrow up below a bar: turned left it is "first", turned right "last".
constexpr Glyph kArrowUpBar{7, 6,
                            "#######"
                            "......."
                            "...#..."
                            "..###.."
                            ".#####."
                            "#######"};
constexpr Glyph kCheck{7, 7,
                       "......#"
                       ".....##"
                       "#...###"
                       "##.###."
                       "#####.."
                       ".###..."
                       "..#...."};

constexpr Glyph kBullet{5, 5,
                        ".###."
                        "#####"
                        "#####"
                        "#####"
                        ".###."};

void DrawGlyph(HDC dc, const Glyph& g, int x, int y, COLORREF c, int rotate = 0) {
  for (int gy = 0; gy < g.h; ++gy)
    for (int gx = 0; gx < g.w; ++gx) {
      if (g.rows[gy * g.w + gx] != '#') continue;
      int px = gx, py = gy;
      // Arrows are drawn pointing up and turned: 1 down, 2 left, 3 right.
      if (rotate == 1) py = g.h - 1 - gy;
      if (rotate == 2) px = gy, py = gx;
      if (rotate == 3) px = g.h - 1 - gy, py = gx;
      Solid(dc, x + px, y + py, x + px + 1, y + py + 1, c);
    }
}

void GlyphCentered(HDC dc, const RECT& r, const Glyph& g, bool inactive, int shift, int rotate = 0,
                   int dy = 0) {
  int gw = rotate >= 2 ? g.h : g.w, gh = rotate >= 2 ? g.w : g.h;
  int x = r.left + (r.right - r.left - gw) / 2 + shift;
  int y = r.top + (r.bottom - r.top - gh) / 2 + shift + dy;
  if (inactive) {
    DrawGlyph(dc, g, x + 1, y + 1, GetSysColor(COLOR_3DHILIGHT), rotate);
    DrawGlyph(dc, g, x, y, GetSysColor(COLOR_3DSHADOW), rotate);
  } else {
    DrawGlyph(dc, g, x, y, GetSysColor(COLOR_BTNTEXT), rotate);
  }
}

int FrameThickness(DWORD style, DWORD exStyle) {
  if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
  if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    return GetSystemMetrics(SM_CXDLGFRAME);
  if (style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
  return 0;
}

// The generic application icon shown at the left of a caption.
void DrawSmallIcon(HDC dc, const RECT& r) {
  int x = r.left, y = r.top;
  Solid(dc, x + 1, y + 2, x + 15, y + 14, 0x000000);
  Solid(dc, x + 2, y + 3, x + 14, y + 13, 0xFFFFFF);
  Solid(dc, x + 2, y + 3, x + 14, y + 6, 0x000080);
}

}  // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  if (!rect || !gdi::IsLiveDC(dc)) return 0;
  RECT r = *rect;
  COLORREF hi = GetSysColor(COLOR_3DHILIGHT), light = GetSysColor(COLOR_3DLIGHT);
  COLORREF shadow = GetSysColor(COLOR_3DSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
  UINT sides = flags & BF_RECT;
  auto ring = [&](COLORREF a, COLORREF b) {
    Ring(dc, r, a, b, sides);
    if (sides & BF_LEFT) ++r.left;
    if (sides & BF_TOP) ++r.top;
    if (sides & BF_RIGHT) --r.right;
    if (sides & BF_BOTTOM) --r.bottom;
  };
  if (flags & BF_MONO) {
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) ring(0, 0);
  } else if (flags & BF_FLAT) {
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) ring(shadow, shadow);
  } else {
    if (edge & BDR_RAISEDOUTER)
      ring(light, dark);
    else if (edge & BDR_SUNKENOUTER)
      ring(shadow, hi);
    if (edge & BDR_RAISEDINNER)
      ring(hi, shadow);
    else if (edge & BDR_SUNKENINNER)
      ring(dark, light);
  }
  if (flags & BF_MIDDLE) Solid(dc, r.left, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
  if (flags & BF_ADJUST) *rect = r;
  return 1;
}

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT kind, UINT state) {
  if (!rect || !gdi::IsLiveDC(dc)) return 0;
  RECT r = *rect;
  bool pushed = state & DFCS_PUSHED, inactive = state & DFCS_INACTIVE;
  int shift = pushed ? 1 : 0;
  switch (kind) {
    case DFC_CAPTION:
    case DFC_SCROLL: {
      DrawEdge(dc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED,
               BF_RECT | BF_MIDDLE | (pushed && kind == DFC_SCROLL ? UINT(BF_FLAT) : 0u));
      if (kind == DFC_SCROLL) {
        GlyphCentered(dc, r, kArrowUp, inactive, shift, int(state & 0x3));
        return 1;
      }
      switch (state & 0xF) {
        case DFCS_CAPTIONCLOSE:
          GlyphCentered(dc, r, kClose, inactive, shift);
          break;
        case DFCS_CAPTIONMIN:
          GlyphCentered(dc, r, kMin, inactive, shift, 0, 3);
          break;
        case DFCS_CAPTIONMAX:
          GlyphCentered(dc, r, kMax, inactive, shift);
          break;
        case DFCS_CAPTIONRESTORE:
          GlyphCentered(dc, r, kRestore, inactive, shift);
          break;
      }
      return 1;
    }
    case DFC_MENU: {
      UINT which = state & 0xF;
      const Glyph& g = which == DFCS_MENUCHECK    ? kCheck
                       : which == DFCS_MENUBULLET ? kBullet
                                                  : kArrowUp;
      int rotate = which == DFCS_MENUARROW ? 3 : 0;
      bool hot = state & DFCS_HOT;
      if (inactive && !hot) {
        GlyphCentered(dc, r, g, true, 0, rotate);
        return 1;
      }
      int gw = rotate ? g.h : g.w, gh = rotate ? g.w : g.h;
      COLORREF c = GetSysColor(inactive ? COLOR_GRAYTEXT
                               : hot    ? COLOR_HIGHLIGHTTEXT
                                        : COLOR_MENUTEXT);
      DrawGlyph(dc, g, r.left + (r.right - r.left - gw) / 2, r.top + (r.bottom - r.top - gh) / 2, c,
                rotate);
      return 1;
    }
    case DFC_BUTTON:
      if (state & DFCS_BUTTONPUSH) {
        DrawEdge(dc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
        return 1;
      }
      if (state & DFCS_BUTTONRADIO) {
        int d = std::min(r.right - r.left, r.bottom - r.top);
        HBRUSH face = CreateSolidBrush(inactive || pushed ? GetSysColor(COLOR_BTNFACE) : 0xFFFFFF);
        HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
        HGDIOBJ ob = SelectObject(dc, face), op = SelectObject(dc, pen);
        Ellipse(dc, r.left, r.top, r.left + d, r.top + d);
        if (state & DFCS_CHECKED) {
          HBRUSH dot = CreateSolidBrush(GetSysColor(inactive ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
          HPEN none = GetStockObject(NULL_PEN);
          SelectObject(dc, dot);
          SelectObject(dc, none);
          int c = d / 2;
          Ellipse(dc, r.left + c - 2, r.top + c - 2, r.left + c + 2, r.top + c + 2);
          SelectObject(dc, face);
          DeleteObject(dot);
        }
        SelectObject(dc, ob);
        SelectObject(dc, op);
        DeleteObject(face);
        DeleteObject(pen);
        return 1;
      }
      DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
      Solid(dc, r.left, r.top, r.right, r.bottom,
            inactive || pushed ? GetSysColor(COLOR_BTNFACE) : 0xFFFFFF);
      if (state & DFCS_CHECKED) GlyphCentered(dc, r, kCheck, false, 0);
      return 1;
    default:
      return 0;
  }
}

void DrawDialogButton(HDC dc, RECT r, std::string_view label, bool isDefault, bool pressed,
                      bool focused) {
  if (isDefault) {
    FrameRect(dc, &r, GetStockObject(BLACK_BRUSH));
    InflateRect(&r, -1, -1);
  }
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? UINT(DFCS_PUSHED) : 0u));
  RECT text = r;
  if (pressed) OffsetRect(&text, 1, 1);
  DrawText(dc, label.data(), int(label.size()), &text,
           DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (focused) {
    InflateRect(&r, -3, -3);
    DrawFocusRect(dc, &r);
  }
}

BOOL DrawFocusRect(HDC dc, const RECT* r) {
  if (!r || !gdi::IsLiveDC(dc)) return 0;
  // Every other pixel of the outline, inverted, so drawing twice removes it.
  for (int x = r->left; x < r->right; x += 2) {
    PatBlt(dc, x, r->top, 1, 1, DSTINVERT);
    PatBlt(dc, x + ((r->bottom - r->top + 1) & 1), r->bottom - 1, 1, 1, DSTINVERT);
  }
  for (int y = r->top + 2; y < r->bottom - 1; y += 2) {
    PatBlt(dc, r->left, y, 1, 1, DSTINVERT);
    PatBlt(dc, r->right - 1, y + ((r->right - r->left + 1) & 1), 1, 1, DSTINVERT);
  }
  return 1;
}

namespace user {

CaptionLayout LayoutCaption(DWORD style, DWORD exStyle, int width) {
  CaptionLayout c;
  if ((style & WS_CAPTION) != WS_CAPTION) return c;
  int f = FrameThickness(style, exStyle);
  bool tool = exStyle & WS_EX_TOOLWINDOW;
  int ch = GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION) - 1;
  c.caption = {f, f, width - f, f + ch};
  if (!(style & WS_SYSMENU)) return c;
  int bw = tool ? 12 : 16, bh = ch - 4;
  c.close = {c.caption.right - 2 - bw, c.caption.top + 2, c.caption.right - 2,
             c.caption.top + 2 + bh};
  if (!tool && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
    c.max = {c.close.left - 2 - bw, c.close.top, c.close.left - 2, c.close.bottom};
    c.min = {c.max.left - bw, c.close.top, c.max.left, c.close.bottom};
  }
  if (!tool && !(exStyle & WS_EX_DLGMODALFRAME))
    c.icon = {c.caption.left + 2, c.caption.top + 1, c.caption.left + 18, c.caption.top + 17};
  return c;
}

void DrawNonClient(Window* w, HDC dc, bool active, int pressed) {
  RECT r{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  DWORD style = w->style, ex = w->exStyle;
  if (style & WS_THICKFRAME) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    COLORREF border = GetSysColor(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
    for (int i = 0; i < 2; ++i) {
      Ring(dc, r, border, border, BF_RECT);
      InflateRect(&r, -1, -1);
    }
  } else if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME)) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    Ring(dc, r, face, face, BF_RECT);
    InflateRect(&r, -1, -1);
  } else if (style & WS_BORDER) {
    COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    Ring(dc, r, frame, frame, BF_RECT);
    InflateRect(&r, -1, -1);
  }
  if ((style & WS_CAPTION) == WS_CAPTION) {
    int width = w->rect.right - w->rect.left;
    CaptionLayout c = LayoutCaption(style, ex, width);
    COLORREF from = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    COLORREF to = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
    int cw = std::max<int>(1, c.caption.right - c.caption.left);
    for (int x = c.caption.left; x < c.caption.right; ++x) {
      int t = x - c.caption.left, n = std::max(1, cw - 1);
      COLORREF col = RGB(GetRValue(from) + (GetRValue(to) - GetRValue(from)) * t / n,
                         GetGValue(from) + (GetGValue(to) - GetGValue(from)) * t / n,
                         GetBValue(from) + (GetBValue(to) - GetBValue(from)) * t / n);
      Solid(dc, x, c.caption.top, x + 1, c.caption.bottom, col);
    }
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    Solid(dc, c.caption.left, c.caption.bottom, c.caption.right, c.caption.bottom + 1, face);
    if (!IsRectEmpty(&c.icon)) DrawSmallIcon(dc, c.icon);
    int textLeft = IsRectEmpty(&c.icon) ? c.caption.left + 2 : c.icon.right + 2;
    int textRight = !IsRectEmpty(&c.min)     ? c.min.left - 2
                    : !IsRectEmpty(&c.close) ? c.close.left - 2
                                             : c.caption.right;
    HFONT font = CreateFont((ex & WS_EX_TOOLWINDOW) ? -10 : -11, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0,
                            0, 0, "MS Sans Serif");
    int saved = SaveDC(dc);
    IntersectClipRect(dc, textLeft, c.caption.top, textRight, c.caption.bottom);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    int ty = c.caption.top + (c.caption.bottom - c.caption.top - tm.tmHeight) / 2;
    TextOut(dc, textLeft, ty, w->text.data(), int(w->text.size()));
    RestoreDC(dc, saved);
    DeleteObject(font);
    if (!IsRectEmpty(&c.close)) {
      RECT b = c.close;
      DrawFrameControl(dc, &b, DFC_CAPTION,
                       DFCS_CAPTIONCLOSE | (pressed == HTCLOSE ? UINT(DFCS_PUSHED) : 0u) |
                           ((w->cls->style & CS_NOCLOSE) ? UINT(DFCS_INACTIVE) : 0u));
    }
    if (!IsRectEmpty(&c.max)) {
      RECT b = c.max;
      DrawFrameControl(dc, &b, DFC_CAPTION,
                       ((style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) |
                           (pressed == HTMAXBUTTON ? UINT(DFCS_PUSHED) : 0u) |
                           ((style & WS_MAXIMIZEBOX) ? 0u : UINT(DFCS_INACTIVE)));
      b = c.min;
      DrawFrameControl(dc, &b, DFC_CAPTION,
                       ((style & WS_MINIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN) |
                           (pressed == HTMINBUTTON ? UINT(DFCS_PUSHED) : 0u) |
                           ((style & WS_MINIMIZEBOX) ? 0u : UINT(DFCS_INACTIVE)));
    }
    r.top = c.caption.bottom + 1;
  }
  if (HasMenuBar(w)) {
    RECT bar = MenuBarRect(w);
    bool open = false;
    int selected = MenuBarSelection(w->handle, &open);
    if (Menu* m = LookupMenu(w->menu)) PaintBarItems(dc, *m, bar, active, selected, open);
    r.top = bar.bottom;
  }
  if (ex & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (ex & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
}

void PaintLabel(HDC dc, RECT r, const std::string& text, UINT format, UINT face) {
  int mode = SetBkMode(dc, TRANSPARENT);
  COLORREF old;
  if (face & kFaceDisabled) {
    RECT shadow = r;
    OffsetRect(&shadow, 1, 1);
    old = SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawText(dc, text.data(), int(text.size()), &shadow, format);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
  } else {
    old = GetTextColor(dc);  // what the parent chose, or the context's own
  }
  DrawText(dc, text.data(), int(text.size()), &r, format);
  SetTextColor(dc, old);
  SetBkMode(dc, mode);
}

void PaintPushButton(HDC dc, const RECT& rect, const std::string& text, UINT face) {
  RECT r = rect;
  bool pressed = face & kFacePressed;
  if (face & kFaceDefault) {
    // The default button's dark frame; pressed, the face goes flat inside it.
    Ring(dc, r, 0, 0, BF_RECT);
    InflateRect(&r, -1, -1);
  }
  if (pressed && (face & kFaceDefault)) {
    COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
    Ring(dc, r, shadow, shadow, BF_RECT);
    RECT in = r;
    InflateRect(&in, -1, -1);
    Solid(dc, in.left, in.top, in.right, in.bottom, GetSysColor(COLOR_BTNFACE));
  } else {
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? UINT(DFCS_PUSHED) : 0u));
  }
  RECT label = r;
  if (pressed) OffsetRect(&label, 1, 1);
  PaintLabel(dc, label, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, face);
  if (face & kFaceFocused) {
    RECT f = r;
    InflateRect(&f, -3, -3);
    DrawFocusRect(dc, &f);
  }
}

void PaintCheckButton(HDC dc, const RECT& r, const std::string& text, bool radio, UINT face) {
  constexpr int kBox = 13;
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  int top = r.top + (r.bottom - r.top - kBox) / 2;
  bool left = face & kFaceLeftText;
  int boxLeft = left ? r.right - kBox : r.left;
  RECT box{boxLeft, top, boxLeft + kBox, top + kBox};
  UINT state = (radio ? UINT(DFCS_BUTTONRADIO) : UINT(DFCS_BUTTONCHECK)) |
               ((face & kFaceChecked) ? UINT(DFCS_CHECKED) : 0u) |
               ((face & kFacePressed) ? UINT(DFCS_PUSHED) : 0u) |
               ((face & kFaceDisabled) ? UINT(DFCS_INACTIVE) : 0u);
  DrawFrameControl(dc, &box, DFC_BUTTON, state);
  RECT label = left ? RECT{r.left, r.top, box.left - 4, r.bottom}
                    : RECT{box.right + 4, r.top, r.right, r.bottom};
  UINT format = DT_SINGLELINE | DT_VCENTER | (left ? UINT(DT_RIGHT) : UINT(DT_LEFT));
  PaintLabel(dc, label, text, format, face);
  if ((face & kFaceFocused) && !text.empty()) {
    RECT measure = label;
    DrawText(dc, text.data(), int(text.size()), &measure, DT_SINGLELINE | DT_CALCRECT);
    int w = measure.right - measure.left, h = tm.tmHeight;
    int x = left ? label.right - w : label.left;
    int y = r.top + (r.bottom - r.top - h) / 2;
    RECT f{x - 1, y, std::min<int>(x + w + 1, r.right), y + h};
    DrawFocusRect(dc, &f);
  }
}

void PaintGroupBox(HDC dc, const RECT& r, const std::string& text, UINT face, HBRUSH background) {
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  RECT frame{r.left, r.top + tm.tmHeight / 2, r.right, r.bottom};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (text.empty()) return;
  RECT measure{0, 0, 0, 0};
  DrawText(dc, text.data(), int(text.size()), &measure, DT_SINGLELINE | DT_CALCRECT);
  RECT label{r.left + 8, r.top, std::min<int>(r.left + 12 + measure.right, r.right - 2),
             r.top + tm.tmHeight};
  FillRect(dc, &label, background);
  label.left += 2;
  PaintLabel(dc, label, text, DT_SINGLELINE | DT_LEFT, face);
}

void PaintRecordButton(HDC dc, const RECT& rect, UINT which, UINT face) {
  RECT r = rect;
  bool pressed = face & kFacePressed, disabled = face & kFaceDisabled;
  DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
  bool bar = which == kRecordFirst || which == kRecordLast;
  int rotate = which == kRecordFirst || which == kRecordPrevious ? 2 : 3;
  GlyphCentered(dc, r, bar ? kArrowUpBar : kArrowUp, disabled, pressed ? 1 : 0, rotate);
}

}  // namespace user
}  // namespace tess::platform
