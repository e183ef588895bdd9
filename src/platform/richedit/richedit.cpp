// The "RichEdit" window class: a rich-text editing control over a TextModel.
//
// Messages handled: WM_NCCREATE/WM_CREATE/WM_NCDESTROY, WM_SIZE, WM_PAINT,
// WM_ERASEBKGND, WM_SETFOCUS/WM_KILLFOCUS, WM_GETDLGCODE, WM_KEYDOWN,
// WM_CHAR, WM_KEYUP, the mouse buttons, moves and wheel, WM_CAPTURECHANGED,
// WM_VSCROLL/WM_HSCROLL, WM_SETTEXT/WM_GETTEXT/WM_GETTEXTLENGTH,
// WM_SETFONT/WM_GETFONT, WM_ENABLE, WM_CUT/WM_COPY/WM_PASTE/WM_CLEAR/WM_UNDO
// and the EM_ messages of richedit.h.
//
// Notifications to the parent, in this order for a typed key: EN_MSGFILTER
// for WM_KEYDOWN, then for WM_CHAR (when ENM_KEYEVENTS; a nonzero answer
// drops the message), then EN_CHANGE (ENM_CHANGE) for the text, then
// EN_SELCHANGE (ENM_SELCHANGE) for the caret. Every change of the text,
// from the user or a message, sends EN_CHANGE; every change of the
// selection EN_SELCHANGE. EN_MAXTEXT when typing or pasting meets the
// limit, EN_SETFOCUS/EN_KILLFOCUS always; EN_VSCROLL/EN_HSCROLL (ENM_SCROLL)
// when the user scrolls. Mouse messages go through EN_MSGFILTER when
// ENM_MOUSEEVENTS is asked for.
//
// Mouse states: idle; selecting (button held in the text: moves extend the
// selection, by words after a double-click); thumb (button held on a
// scroll box: moves scroll). Release or losing the capture returns to idle.
//
// Scroll bars (WS_VSCROLL, WS_HSCROLL) are drawn inside the client area,
// at its right and bottom edges, with the classic look's arrows and box.
//
// Not done yet: ES_CENTER/ES_RIGHT as styles (alignment comes through
// EM_SETPARAFORMAT), EM_GETLINE, EM_FINDWORDBREAK, OLE objects, IME, redo,
// drag and drop of the selection, strikeout and vertical offsets.
#include "platform/richedit/richedit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/kernel/codepage.h"
#include "platform/richedit/layout.h"
#include "platform/richedit/rtf.h"
#include "platform/richedit/text_model.h"
#include "platform/user/classic_look.h"
#include "platform/user/clipboard.h"

namespace tess::platform::richedit {

namespace {

using tess::richedit::Align;
using tess::richedit::Cell;
using tess::richedit::Change;
using tess::richedit::CharFormat;
using tess::richedit::kParagraphMark;
using tess::richedit::TextModel;

constexpr int kMargin = 2;    // left and right of the text
constexpr int kTabStop = 48;  // half an inch at 96 dpi
constexpr size_t kDefaultLimit = 32767;

// Fonts, metrics and widths of the document's formats, made on first use.
class FontCache final : public tess::richedit::Measurer {
 public:
  explicit FontCache(const TextModel& model) : model_(model) { dc_ = CreateCompatibleDC(nullptr); }
  ~FontCache() override {
    Reset();
    DeleteDC(dc_);
  }
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  void SetMask(char32_t mask) { mask_ = mask; }
  char32_t Shown(char32_t c) const { return mask_ && c >= 32 ? mask_ : c; }

  int Width(uint16_t format, char32_t c, int x) override {
    if (c == U'\t') return kTabStop - x % kTabStop;
    if (c == kParagraphMark) return 0;
    c = Shown(c);
    Entry& e = Get(format);
    if (c < 256 && e.low[c] >= 0) return e.low[c];
    if (c >= 256) {
      auto it = e.high.find(c);
      if (it != e.high.end()) return it->second;
    }
    std::string utf8 = tess::richedit::EncodeUtf8(std::u32string(1, c));
    SIZE size{};
    SelectObject(dc_, e.font);
    GetTextExtentPoint32(dc_, utf8.data(), int(utf8.size()), &size);
    if (c < 256)
      e.low[c] = int16_t(size.cx);
    else
      e.high[c] = size.cx;
    return size.cx;
  }
  int Ascent(uint16_t format) override { return Get(format).ascent; }
  int Descent(uint16_t format) override { return Get(format).descent; }
  HFONT Font(uint16_t format) { return Get(format).font; }
  void Reset() {
    for (auto& [index, e] : entries_) DeleteObject(e.font);
    entries_.clear();
    last_ = nullptr;
  }

 private:
  struct Entry {
    HFONT font = nullptr;
    int ascent = 0, descent = 0;
    std::array<int16_t, 256> low;
    std::unordered_map<char32_t, int> high;
  };

  Entry& Get(uint16_t format) {
    // Runs of one format ask for the same entry many times in a row.
    if (last_ && lastFormat_ == format) return *last_;
    auto it = entries_.find(format);
    if (it != entries_.end()) {
      lastFormat_ = format;
      return *(last_ = &it->second);
    }
    const CharFormat& f = model_.Format(format);
    Entry& e = entries_[format];
    e.low.fill(-1);
    LOGFONT lf{};
    lf.lfHeight = -std::max(1, (f.twips * 96 + 720) / 1440);
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    std::strncpy(lf.lfFaceName, f.face.c_str(), sizeof lf.lfFaceName - 1);
    e.font = CreateFontIndirect(&lf);
    SelectObject(dc_, e.font);
    TEXTMETRIC tm{};
    GetTextMetrics(dc_, &tm);
    e.ascent = tm.tmAscent;
    e.descent = tm.tmDescent;
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    lastFormat_ = format;
    return *(last_ = &e);
  }

  const TextModel& model_;
  HDC dc_;
  char32_t mask_ = 0;
  std::unordered_map<uint16_t, Entry> entries_;
  Entry* last_ = nullptr;
  uint16_t lastFormat_ = 0;
};

enum class Mouse { kIdle, kSelecting, kWords, kVThumb, kHThumb };

struct Control {
  HWND hwnd = nullptr;
  DWORD style = 0;
  TextModel model;
  FontCache fonts{model};
  tess::richedit::Layout layout;
  size_t anchor = 0, caret = 0;
  int scrollX = 0, scrollY = 0;
  int preferredX = -1;  // kept by Up and Down
  size_t limit = kDefaultLimit;
  char32_t password = 0;
  bool readOnly = false;
  bool modified = false;
  bool focused = false;
  bool hideSelection = true;
  DWORD eventMask = 0;
  COLORREF back = 0;
  bool autoBack = true;
  HFONT font = nullptr;    // WM_SETFONT's, answered by WM_GETFONT
  int pendingFormat = -1;  // the format typed text takes until the caret moves
  Mouse mouse = Mouse::kIdle;
  size_t wordAnchorStart = 0, wordAnchorEnd = 0;
  int thumbGrab = 0;

  bool multiLine() const { return style & ES_MULTILINE; }
  size_t selStart() const { return std::min(anchor, caret); }
  size_t selEnd() const { return std::max(anchor, caret); }
};

Control* Of(HWND hwnd) {
  return reinterpret_cast<Control*>(uintptr_t(uint32_t(GetWindowLong(hwnd, 0))));
}

// ---- Geometry -------------------------------------------------------------

int ScrollSize() {
  return GetSystemMetrics(SM_CXVSCROLL);
}

// The text area: the client less the scroll bars.
RECT TextRect(Control* c) {
  RECT r{};
  GetClientRect(c->hwnd, &r);
  if (c->style & WS_VSCROLL) r.right = std::max(r.left, r.right - ScrollSize());
  if (c->style & WS_HSCROLL) r.bottom = std::max(r.top, r.bottom - ScrollSize());
  return r;
}

bool Wraps(Control* c) {
  return c->multiLine() && !(c->style & WS_HSCROLL);
}

int AlignOffset(Control* c, size_t line) {
  const auto& l = c->layout.Lines()[line];
  RECT r = TextRect(c);
  int room = std::max(0, int(r.right - r.left) - 2 * kMargin);
  if (!Wraps(c) && c->multiLine()) room = std::max(room, c->layout.MaxWidth());
  Align a = c->model.AlignmentAt(l.start);
  int spare = std::max(0, room - l.width);
  return a == Align::kCenter ? spare / 2 : a == Align::kRight ? spare : 0;
}

// The top-left of the character at pos, in client coordinates.
POINT PointOf(Control* c, size_t pos) {
  size_t line = c->layout.LineOf(pos);
  const auto& l = c->layout.Lines()[line];
  int x = c->layout.XInLine(c->model, c->fonts, line, pos);
  return POINT{kMargin + AlignOffset(c, line) + x - c->scrollX, l.y - c->scrollY};
}

size_t PosAt(Control* c, POINT p) {
  int y = p.y + c->scrollY;
  size_t line = c->layout.LineAtY(std::max(0, y));
  if (y >= c->layout.Height()) line = c->layout.Lines().size() - 1;
  int x = p.x + c->scrollX - kMargin - AlignOffset(c, line);
  return c->layout.PosInLine(c->model, c->fonts, line, x);
}

int MaxScrollY(Control* c) {
  RECT r = TextRect(c);
  return std::max(0, c->layout.Height() - int(r.bottom - r.top));
}

int MaxScrollX(Control* c) {
  if (Wraps(c)) return 0;  // wrapped lines fit the width
  RECT r = TextRect(c);
  return std::max(0, c->layout.MaxWidth() + 2 * kMargin + 1 - int(r.right - r.left));
}

void Relayout(Control* c) {
  RECT r = TextRect(c);
  c->layout.SetWrapWidth(Wraps(c) ? std::max(1, int(r.right - r.left) - 2 * kMargin) : 0);
  c->layout.Rebuild(c->model, c->fonts);
}

// ---- Notifications ----------------------------------------------------------

HWND Parent(Control* c) {
  return GetParent(c->hwnd);
}

UINT Id(Control* c) {
  return UINT(GetWindowLong(c->hwnd, GWL_ID));
}

void Command(Control* c, UINT code) {
  if (HWND parent = Parent(c))
    SendMessage(parent, WM_COMMAND, WPARAM((code << 16) | (Id(c) & 0xFFFF)),
                reinterpret_cast<LPARAM>(c->hwnd));
}

// True when the parent drops the message; it may also change it.
bool Filtered(Control* c, UINT* msg, WPARAM* wParam, LPARAM* lParam) {
  bool key = *msg >= WM_KEYFIRST && *msg <= WM_KEYLAST;
  DWORD wanted = key ? ENM_KEYEVENTS : ENM_MOUSEEVENTS;
  HWND parent = Parent(c);
  if (!(c->eventMask & wanted) || !parent) return false;
  MSGFILTER f{{c->hwnd, Id(c), EN_MSGFILTER}, *msg, *wParam, *lParam};
  HWND self = c->hwnd;
  LRESULT r = SendMessage(parent, WM_NOTIFY, Id(c), reinterpret_cast<LPARAM>(&f));
  if (!IsWindow(self)) return true;
  *msg = f.msg;
  *wParam = f.wParam;
  *lParam = f.lParam;
  return r != 0;
}

void SelectionChanged(Control* c) {
  if (!(c->eventMask & ENM_SELCHANGE)) return;
  HWND parent = Parent(c);
  if (!parent) return;
  SELCHANGE s{{c->hwnd, Id(c), EN_SELCHANGE},
              {LONG(c->selStart()), LONG(c->selEnd())},
              WORD(c->anchor == c->caret             ? SEL_EMPTY
                   : c->selEnd() - c->selStart() > 1 ? SEL_TEXT | SEL_MULTICHAR
                                                     : SEL_TEXT)};
  SendMessage(parent, WM_NOTIFY, Id(c), reinterpret_cast<LPARAM>(&s));
}

void TextChanged(Control* c) {
  c->modified = true;
  if (c->eventMask & ENM_CHANGE) Command(c, EN_CHANGE);
}

// EN_CHANGE then EN_SELCHANGE. The parent may destroy the control while it
// handles the first: the second is then not sent (`c` is gone with it).
void Changed(Control* c) {
  HWND self = c->hwnd;
  TextChanged(c);
  if (IsWindow(self)) SelectionChanged(c);
}

// ---- Caret, scrolling, painting ---------------------------------------------

void Invalidate(Control* c) {
  InvalidateRect(c->hwnd, nullptr, FALSE);
}

void PlaceCaret(Control* c) {
  if (!c->focused) return;
  if (c->anchor != c->caret) {
    HideCaret(c->hwnd);
    return;
  }
  size_t line = c->layout.LineOf(c->caret);
  POINT p = PointOf(c, c->caret);
  CreateCaret(c->hwnd, nullptr, 1, c->layout.Lines()[line].height);
  SetCaretPos(p.x, p.y);
  ShowCaret(c->hwnd);
}

void ScrollTo(Control* c, int x, int y, bool notify) {
  x = std::clamp(x, 0, MaxScrollX(c));
  y = std::clamp(y, 0, MaxScrollY(c));
  bool vertical = y != c->scrollY, horizontal = x != c->scrollX;
  if (!vertical && !horizontal) return;
  c->scrollX = x;
  c->scrollY = y;
  Invalidate(c);
  PlaceCaret(c);
  if (notify && (c->eventMask & ENM_SCROLL)) {
    HWND self = c->hwnd;
    if (vertical) Command(c, EN_VSCROLL);
    if (horizontal && IsWindow(self)) Command(c, EN_HSCROLL);
  }
}

void ScrollCaretIntoView(Control* c) {
  RECT r = TextRect(c);
  size_t line = c->layout.LineOf(c->caret);
  const auto& l = c->layout.Lines()[line];
  int x = c->scrollX, y = c->scrollY;
  int height = r.bottom - r.top, width = r.right - r.left;
  if (l.y < y) y = l.y;
  if (l.y + l.height > y + height) y = l.y + l.height - height;
  int cx = kMargin + AlignOffset(c, line) + c->layout.XInLine(c->model, c->fonts, line, c->caret);
  if (cx < x + kMargin) x = std::max(0, cx - width / 3);
  if (cx + kMargin >= x + width) x = cx - width + width / 3;
  // Scrolling to the caret may widen the range: lay the bar out from it.
  c->scrollX = std::clamp(x, 0, std::max(MaxScrollX(c), x));
  c->scrollY = std::clamp(y, 0, MaxScrollY(c));
  Invalidate(c);
  PlaceCaret(c);
}

struct Bars {
  RECT vertical{}, horizontal{};
  RECT up{}, down{}, vThumb{}, left{}, right{}, hThumb{};
  bool vActive = false, hActive = false;
};

Bars BarsOf(Control* c) {
  Bars b;
  RECT client{};
  GetClientRect(c->hwnd, &client);
  int s = ScrollSize();
  RECT text = TextRect(c);
  if (c->style & WS_VSCROLL) {
    b.vertical = RECT{text.right, client.top, client.right, text.bottom};
    int length = b.vertical.bottom - b.vertical.top;
    int arrow = std::min(s, length / 2);
    b.up = RECT{b.vertical.left, b.vertical.top, b.vertical.right, b.vertical.top + arrow};
    b.down = RECT{b.vertical.left, b.vertical.bottom - arrow, b.vertical.right, b.vertical.bottom};
    int track = length - 2 * arrow;
    int total = c->layout.Height(), page = text.bottom - text.top;
    b.vActive = total > page && track > 8;
    if (b.vActive) {
      int thumb = std::max(8, track * page / total);
      int top = b.up.bottom + (track - thumb) * c->scrollY / std::max(1, MaxScrollY(c));
      b.vThumb = RECT{b.vertical.left, top, b.vertical.right, top + thumb};
    }
  }
  if (c->style & WS_HSCROLL) {
    b.horizontal = RECT{client.left, text.bottom, text.right, client.bottom};
    int length = b.horizontal.right - b.horizontal.left;
    int arrow = std::min(s, length / 2);
    b.left =
        RECT{b.horizontal.left, b.horizontal.top, b.horizontal.left + arrow, b.horizontal.bottom};
    b.right =
        RECT{b.horizontal.right - arrow, b.horizontal.top, b.horizontal.right, b.horizontal.bottom};
    int track = length - 2 * arrow;
    int page = text.right - text.left;
    int total = MaxScrollX(c) + page;
    b.hActive = MaxScrollX(c) > 0 && track > 8;
    if (b.hActive) {
      int thumb = std::max(8, track * page / total);
      int left = b.left.right + (track - thumb) * c->scrollX / std::max(1, MaxScrollX(c));
      b.hThumb = RECT{left, b.horizontal.top, left + thumb, b.horizontal.bottom};
    }
  }
  return b;
}

void PaintBars(Control* c, HDC dc) {
  Bars b = BarsOf(c);
  auto track = [dc](RECT r) {
    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_SCROLLBAR));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  };
  auto thumb = [dc](RECT r) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
  };
  if (c->style & WS_VSCROLL) {
    track(b.vertical);
    UINT inactive = b.vActive ? 0u : UINT(DFCS_INACTIVE);
    DrawFrameControl(dc, &b.up, DFC_SCROLL, DFCS_SCROLLUP | inactive);
    DrawFrameControl(dc, &b.down, DFC_SCROLL, DFCS_SCROLLDOWN | inactive);
    if (b.vActive) thumb(b.vThumb);
  }
  if (c->style & WS_HSCROLL) {
    track(b.horizontal);
    UINT inactive = b.hActive ? 0u : UINT(DFCS_INACTIVE);
    DrawFrameControl(dc, &b.left, DFC_SCROLL, DFCS_SCROLLLEFT | inactive);
    DrawFrameControl(dc, &b.right, DFC_SCROLL, DFCS_SCROLLRIGHT | inactive);
    if (b.hActive) thumb(b.hThumb);
  }
  if ((c->style & WS_VSCROLL) && (c->style & WS_HSCROLL)) {
    RECT corner{b.vertical.left, b.horizontal.top, b.vertical.right, b.horizontal.bottom};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  }
}

COLORREF BackColor(Control* c) {
  if (!c->autoBack) return c->back;
  return GetSysColor(IsWindowEnabled(c->hwnd) ? COLOR_WINDOW : COLOR_BTNFACE);
}

void Paint(Control* c) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(c->hwnd, &ps);
  RECT text = TextRect(c);
  HBRUSH back = CreateSolidBrush(BackColor(c));
  FillRect(dc, &text, back);
  DeleteObject(back);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, text.left, text.top, text.right, text.bottom);
  SetBkMode(dc, TRANSPARENT);
  bool showSelection = c->focused || !c->hideSelection;
  size_t s0 = c->selStart(), s1 = c->selEnd();
  COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  bool enabled = IsWindowEnabled(c->hwnd);
  const auto& lines = c->layout.Lines();
  for (size_t n = c->layout.LineAtY(c->scrollY); n < lines.size(); ++n) {
    const auto& l = lines[n];
    int top = l.y - c->scrollY;
    if (top >= text.bottom) break;
    int x = kMargin + AlignOffset(c, n) - c->scrollX;
    int at = 0;
    uint16_t current = 0xFFFF;
    for (size_t i = l.start; i < l.start + l.length; ++i) {
      const Cell& cell = c->model.At(i);
      int w = c->fonts.Width(cell.format, cell.ch, at);
      bool selected = showSelection && i >= s0 && i < s1;
      if (selected) {
        // A selected mark shows as a space's width of highlight.
        int shown = cell.ch == kParagraphMark ? c->fonts.Width(cell.format, U' ', at) : w;
        RECT h{x + at, top, x + at + shown, top + l.height};
        HBRUSH brush = CreateSolidBrush(highlight);
        FillRect(dc, &h, brush);
        DeleteObject(brush);
      }
      char32_t shown = c->fonts.Shown(cell.ch);
      if (shown >= 32 && x + at < text.right && x + at + w > text.left) {
        if (cell.format != current) {
          current = cell.format;
          SelectObject(dc, c->fonts.Font(current));
        }
        const CharFormat& f = c->model.Format(cell.format);
        SetTextColor(dc, selected  ? highlightText
                         : enabled ? f.color
                                   : GetSysColor(COLOR_GRAYTEXT));
        std::string utf8 = tess::richedit::EncodeUtf8(std::u32string(1, shown));
        TextOut(dc, x + at, top + l.ascent - c->fonts.Ascent(cell.format), utf8.data(),
                int(utf8.size()));
      }
      at += w;
    }
  }
  RestoreDC(dc, saved);
  PaintBars(c, dc);
  EndPaint(c->hwnd, &ps);
}

// ---- Formatting for other devices -------------------------------------------

constexpr int kTwipsPerPixel = 15;  // 1440 / 96

LRESULT FormatRange(Control* c, bool render, const FORMATRANGE* fr) {
  if (!fr) return 0;
  long length = long(c->model.Length());
  long from = std::clamp<long>(fr->chrg.cpMin, 0, length);
  long to = fr->chrg.cpMax < 0 ? length : std::clamp<long>(fr->chrg.cpMax, from, length);
  if (from >= to) return to;
  RECT r{fr->rc.left / kTwipsPerPixel, fr->rc.top / kTwipsPerPixel, fr->rc.right / kTwipsPerPixel,
         fr->rc.bottom / kTwipsPerPixel};
  int width = std::max(1, int(r.right - r.left));
  int height = int(r.bottom - r.top);
  tess::richedit::Layout layout;
  layout.SetWrapWidth(width);
  layout.Rebuild(c->model, c->fonts);
  const auto& lines = layout.Lines();
  size_t first = layout.LineOf(size_t(from));
  int top = lines[first].y;
  size_t end = size_t(from);
  HFONT saved = render ? HFONT(SelectObject(fr->hdc, GetStockObject(SYSTEM_FONT))) : nullptr;
  if (render) SetBkMode(fr->hdc, TRANSPARENT);
  for (size_t n = first; n < lines.size() && end < size_t(to); ++n) {
    const auto& l = lines[n];
    if (n > first && l.y + l.height - top > height) break;
    if (render) {
      Align a = c->model.AlignmentAt(l.start);
      int spare = std::max(0, width - l.width);
      int x = r.left + (a == Align::kCenter ? spare / 2 : a == Align::kRight ? spare : 0);
      int at = 0;
      for (size_t i = l.start; i < l.start + l.length && i < size_t(to); ++i) {
        const Cell& cell = c->model.At(i);
        int w = c->fonts.Width(cell.format, cell.ch, at);
        if (cell.ch >= 32 && i >= size_t(from)) {
          SelectObject(fr->hdc, c->fonts.Font(cell.format));
          SetTextColor(fr->hdc, c->model.Format(cell.format).color);
          std::string utf8 = tess::richedit::EncodeUtf8(std::u32string(1, cell.ch));
          TextOut(fr->hdc, x + at, r.top + l.y - top + l.ascent - c->fonts.Ascent(cell.format),
                  utf8.data(), int(utf8.size()));
        }
        at += w;
      }
    }
    end = std::min(l.start + l.length, size_t(to));
  }
  if (render) SelectObject(fr->hdc, saved);
  return LRESULT(end);
}

// ---- Editing ----------------------------------------------------------------

uint16_t InsertionFormat(Control* c) {
  if (c->pendingFormat >= 0) return uint16_t(c->pendingFormat);
  size_t pos = c->selStart();
  if (c->anchor != c->caret) return c->model.At(pos).format;
  if (pos > 0 && c->model.CharAt(pos - 1) != kParagraphMark) return c->model.At(pos - 1).format;
  if (pos < c->model.Length()) return c->model.At(pos).format;
  if (pos > 0) return c->model.At(pos - 1).format;
  return c->model.DefaultFormat();
}

void SetSelection(Control* c, size_t anchor, size_t caret, bool notify = true) {
  size_t length = c->model.Length();
  anchor = std::min(anchor, length);
  caret = std::min(caret, length);
  if (anchor == c->anchor && caret == c->caret) {
    ScrollCaretIntoView(c);  // a key that goes nowhere still shows the caret
    return;
  }
  c->anchor = anchor;
  c->caret = caret;
  c->pendingFormat = -1;
  c->model.BreakTyping();
  ScrollCaretIntoView(c);
  if (notify) SelectionChanged(c);
}

void AfterChange(Control* c, const Change& change) {
  c->layout.Update(c->model, c->fonts, change);
  c->scrollY = std::clamp(c->scrollY, 0, MaxScrollY(c));
  c->scrollX = std::clamp(c->scrollX, 0, MaxScrollX(c));
}

// Replaces the selection with text (already normalised), the caret after
// it; notifies EN_CHANGE then EN_SELCHANGE.
void ReplaceSelection(Control* c, std::u32string_view text, bool typing, int format = -1) {
  if (!c->multiLine()) {
    size_t end = text.find(kParagraphMark);
    if (end != std::u32string_view::npos) text = text.substr(0, end);
  }
  uint16_t f = format >= 0 ? uint16_t(format) : InsertionFormat(c);
  size_t pos = c->selStart();
  Change change = c->model.Replace(pos, c->selEnd() - pos, text, f, typing);
  AfterChange(c, change);
  c->anchor = c->caret = pos + text.size();
  c->pendingFormat = -1;
  ScrollCaretIntoView(c);
  Changed(c);
}

// What user input may still add, given the selection it replaces.
size_t Room(Control* c) {
  size_t kept = c->model.Length() - (c->selEnd() - c->selStart());
  return kept >= c->limit ? 0 : c->limit - kept;
}

void UserInsert(Control* c, std::u32string text, bool typing) {
  if (c->readOnly) {
    MessageBeep(0);
    return;
  }
  if (!c->multiLine()) {
    size_t end = text.find(kParagraphMark);
    if (end != std::u32string::npos) text.resize(end);
  }
  size_t room = Room(c);
  if (text.size() > room) {
    text.resize(room);
    HWND self = c->hwnd;
    Command(c, EN_MAXTEXT);
    if (!IsWindow(self)) return;
    if (text.empty()) {
      MessageBeep(0);
      return;
    }
  }
  ReplaceSelection(c, text, typing);
}

void DeleteRange(Control* c, size_t from, size_t to) {
  if (c->readOnly) {
    MessageBeep(0);
    return;
  }
  c->anchor = from;
  c->caret = to;
  ReplaceSelection(c, U"", true);
}

std::string SelectedUtf8(Control* c) {
  return tess::richedit::EncodeUtf8(c->model.Text(c->selStart(), c->selEnd() - c->selStart()));
}

// The text with "\r\n" line ends, for the clipboard and streams.
std::u32string WithCrLf(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (char32_t ch : text) {
    out.push_back(ch);
    if (ch == kParagraphMark) out.push_back(U'\n');
  }
  return out;
}

bool Copy(Control* c) {
  if (c->anchor == c->caret || c->password) return false;
  if (!OpenClipboard(c->hwnd)) return false;
  EmptyClipboard();
  std::u32string text = WithCrLf(c->model.Text(c->selStart(), c->selEnd() - c->selStart()));
  std::u16string wide;
  for (char32_t ch : text) {
    if (ch >= 0x10000) {
      wide.push_back(char16_t(0xD800 + ((ch - 0x10000) >> 10)));
      wide.push_back(char16_t(0xDC00 + ((ch - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(char16_t(ch));
    }
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * 2);
  std::memcpy(GlobalLock(block), wide.c_str(), (wide.size() + 1) * 2);
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
  return true;
}

void Paste(Control* c) {
  if (c->readOnly) {
    MessageBeep(0);
    return;
  }
  if (!OpenClipboard(c->hwnd)) return;
  std::u32string text;
  if (HGLOBAL block = GetClipboardData(CF_UNICODETEXT)) {
    auto* units = static_cast<const char16_t*>(GlobalLock(block));
    size_t n = GlobalSize(block) / 2;
    for (size_t i = 0; i < n && units[i]; ++i) {
      char32_t u = units[i];
      if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && units[i + 1] >= 0xDC00 &&
          units[i + 1] < 0xE000) {
        u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
        ++i;
      }
      text.push_back(u);
    }
    GlobalUnlock(block);
  }
  CloseClipboard();
  if (!text.empty()) {
    c->model.BreakTyping();
    UserInsert(c, tess::richedit::NormalizeLineEnds(text), false);
  }
}

void Undo(Control* c) {
  Change change{};
  if (c->readOnly || !c->model.Undo(&change)) return;
  AfterChange(c, change);
  c->anchor = change.pos;
  c->caret = change.pos + change.inserted;
  ScrollCaretIntoView(c);
  Changed(c);
}

// ---- Keys ---------------------------------------------------------------------

size_t LineStartOf(Control* c, size_t pos) {
  return c->layout.Lines()[c->layout.LineOf(pos)].start;
}

size_t LineEndOf(Control* c, size_t pos) {
  size_t n = c->layout.LineOf(pos);
  const auto& l = c->layout.Lines()[n];
  size_t end = l.start + l.length;
  if (n + 1 == c->layout.Lines().size()) return end;
  return end > l.start ? end - 1 : end;
}

// The caret moved by a line (or a page of lines), keeping its x.
size_t Vertical(Control* c, int lines) {
  size_t n = c->layout.LineOf(c->caret);
  if (c->preferredX < 0) c->preferredX = PointOf(c, c->caret).x + c->scrollX;
  long target = std::clamp(long(n) + lines, 0L, long(c->layout.Lines().size()) - 1);
  size_t t = size_t(target);
  if (lines < 0 && long(n) + lines < 0) return 0;
  if (lines > 0 && long(n) + lines >= long(c->layout.Lines().size())) return c->model.Length();
  int x = c->preferredX - kMargin - AlignOffset(c, t);
  return c->layout.PosInLine(c->model, c->fonts, t, x);
}

int VisibleLines(Control* c) {
  RECT r = TextRect(c);
  const auto& lines = c->layout.Lines();
  int h = lines.empty() ? 16 : std::max(1, lines[0].height);
  return std::max(1, int(r.bottom - r.top) / h - 1);
}

void KeyDown(Control* c, WPARAM vk) {
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  size_t length = c->model.Length();
  auto move = [&](size_t to, bool keepX = false) {
    if (!keepX) c->preferredX = -1;
    SetSelection(c, shift ? c->anchor : to, to);
  };
  bool collapse = !shift && c->anchor != c->caret;
  switch (vk) {
    case VK_LEFT:
      if (collapse && !ctrl) return move(c->selStart());
      return move(ctrl ? c->model.PreviousWord(c->caret) : c->caret > 0 ? c->caret - 1 : 0);
    case VK_RIGHT:
      if (collapse && !ctrl) return move(c->selEnd());
      return move(ctrl ? c->model.NextWord(c->caret) : std::min(length, c->caret + 1));
    case VK_UP:
      if (!c->multiLine()) return move(c->caret > 0 ? c->caret - 1 : 0);
      return move(Vertical(c, -1), true);
    case VK_DOWN:
      if (!c->multiLine()) return move(std::min(length, c->caret + 1));
      return move(Vertical(c, 1), true);
    case VK_PRIOR:
      return move(c->multiLine() ? Vertical(c, -VisibleLines(c)) : 0, true);
    case VK_NEXT:
      return move(c->multiLine() ? Vertical(c, VisibleLines(c)) : length, true);
    case VK_HOME:
      return move(ctrl ? 0 : LineStartOf(c, c->caret));
    case VK_END:
      return move(ctrl ? length : LineEndOf(c, c->caret));
    case VK_DELETE:
      if (shift) {
        if (Copy(c)) DeleteRange(c, c->selStart(), c->selEnd());
        return;
      }
      if (c->anchor != c->caret) return DeleteRange(c, c->selStart(), c->selEnd());
      if (c->caret >= length) return;
      return DeleteRange(c, c->caret, ctrl ? c->model.NextWord(c->caret) : c->caret + 1);
    case VK_BACK:
      // Plain Backspace comes as WM_CHAR; Ctrl+Backspace types nothing.
      if (ctrl && c->anchor == c->caret && c->caret > 0)
        DeleteRange(c, c->model.PreviousWord(c->caret), c->caret);
      return;
    case VK_INSERT:
      if (ctrl) Copy(c);
      if (shift) Paste(c);
      return;
    default:
      break;
  }
  if (!ctrl || GetKeyState(VK_MENU) < 0) return;
  switch (vk) {
    case 'A':
      c->preferredX = -1;
      SetSelection(c, 0, length);
      break;
    case 'C':
      Copy(c);
      break;
    case 'X':
      if (!c->readOnly && Copy(c)) DeleteRange(c, c->selStart(), c->selEnd());
      break;
    case 'V':
      Paste(c);
      break;
    case 'Z':
      Undo(c);
      break;
    default:
      break;
  }
}

void Char(Control* c, WPARAM ch) {
  char32_t typed = char32_t(ch);
  c->preferredX = -1;
  if (typed == U'\b') {
    if (c->anchor != c->caret) return DeleteRange(c, c->selStart(), c->selEnd());
    if (c->caret > 0) DeleteRange(c, c->caret - 1, c->caret);
    return;
  }
  if (typed == U'\r' || typed == U'\n') {
    if (c->multiLine()) UserInsert(c, std::u32string(1, kParagraphMark), true);
    return;
  }
  if (typed < 32 && typed != U'\t') return;  // control keys were handled as keys
  if (typed == 0x7F) return;
  UserInsert(c, std::u32string(1, typed), true);
}

// ---- Mouse --------------------------------------------------------------------

void ExtendTo(Control* c, size_t pos) {
  if (c->mouse == Mouse::kWords) {
    size_t start = c->model.WordStart(pos), end = c->model.WordEnd(pos);
    if (pos < c->wordAnchorStart)
      SetSelection(c, c->wordAnchorEnd, start);
    else
      SetSelection(c, c->wordAnchorStart, std::max(end, c->wordAnchorEnd));
  } else {
    SetSelection(c, c->anchor, pos);
  }
}

bool InRect(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// A press on a scroll bar; false when the point is not on one.
bool BarPress(Control* c, POINT p) {
  Bars b = BarsOf(c);
  RECT text = TextRect(c);
  int line = c->layout.Lines().empty() ? 16 : c->layout.Lines()[0].height;
  if ((c->style & WS_VSCROLL) && InRect(b.vertical, p)) {
    int page = std::max(line, int(text.bottom - text.top) - line);
    if (InRect(b.up, p))
      ScrollTo(c, c->scrollX, c->scrollY - line, true);
    else if (InRect(b.down, p))
      ScrollTo(c, c->scrollX, c->scrollY + line, true);
    else if (b.vActive && InRect(b.vThumb, p)) {
      c->mouse = Mouse::kVThumb;
      c->thumbGrab = p.y - b.vThumb.top;
      SetCapture(c->hwnd);
    } else if (b.vActive)
      ScrollTo(c, c->scrollX, c->scrollY + (p.y < b.vThumb.top ? -page : page), true);
    return true;
  }
  if ((c->style & WS_HSCROLL) && InRect(b.horizontal, p)) {
    int page = std::max(8, int(text.right - text.left) - 8);
    if (InRect(b.left, p))
      ScrollTo(c, c->scrollX - 8, c->scrollY, true);
    else if (InRect(b.right, p))
      ScrollTo(c, c->scrollX + 8, c->scrollY, true);
    else if (b.hActive && InRect(b.hThumb, p)) {
      c->mouse = Mouse::kHThumb;
      c->thumbGrab = p.x - b.hThumb.left;
      SetCapture(c->hwnd);
    } else if (b.hActive)
      ScrollTo(c, c->scrollX + (p.x < b.hThumb.left ? -page : page), c->scrollY, true);
    return true;
  }
  return false;
}

void ThumbDrag(Control* c, POINT p) {
  Bars b = BarsOf(c);
  if (c->mouse == Mouse::kVThumb) {
    int track = b.down.top - b.up.bottom - (b.vThumb.bottom - b.vThumb.top);
    int at = p.y - c->thumbGrab - b.up.bottom;
    ScrollTo(c, c->scrollX, track > 0 ? at * MaxScrollY(c) / track : 0, true);
  } else {
    int track = b.right.left - b.left.right - (b.hThumb.right - b.hThumb.left);
    int at = p.x - c->thumbGrab - b.left.right;
    ScrollTo(c, track > 0 ? at * MaxScrollX(c) / track : 0, c->scrollY, true);
  }
}

void ButtonDown(Control* c, POINT p, bool doubleClick, WPARAM keys) {
  // Taking the focus notifies the parent, which may destroy the control.
  HWND self = c->hwnd;
  if (GetFocus() != self) SetFocus(self);
  if (!IsWindow(self) || BarPress(c, p)) return;
  c->preferredX = -1;
  size_t pos = PosAt(c, p);
  if (doubleClick) {
    c->mouse = Mouse::kWords;
    c->wordAnchorStart = c->model.WordStart(pos);
    c->wordAnchorEnd = c->model.WordEnd(pos);
    SetSelection(c, c->wordAnchorStart, c->wordAnchorEnd);
  } else {
    c->mouse = Mouse::kSelecting;
    SetSelection(c, (keys & MK_SHIFT) ? c->anchor : pos, pos);
  }
  if (IsWindow(self)) SetCapture(self);
}

// ---- Streams and text ------------------------------------------------------------

std::string ReadStream(EDITSTREAM* es) {
  std::string data;
  if (!es || !es->pfnCallback) return data;
  BYTE chunk[4096];
  for (;;) {
    LONG got = 0;
    DWORD error = es->pfnCallback(es->dwCookie, chunk, LONG(sizeof chunk), &got);
    if (error) {
      es->dwError = error;
      break;
    }
    if (got <= 0) break;
    data.append(reinterpret_cast<char*>(chunk), size_t(std::min<LONG>(got, sizeof chunk)));
  }
  return data;
}

LRESULT StreamIn(Control* c, WPARAM format, EDITSTREAM* es) {
  if (!es) return 0;
  es->dwError = 0;
  std::string data = ReadStream(es);
  bool selection = format & SFF_SELECTION;
  size_t pos = selection ? c->selStart() : 0;
  size_t count = selection ? c->selEnd() - c->selStart() : c->model.Length();
  size_t inserted = 0;
  CharFormat base = c->model.Format(c->model.DefaultFormat());
  bool rich = (format & SF_RTF) && tess::richedit::LooksLikeRtf(data);
  std::string error;
  if (!rich || !tess::richedit::ReadRtf(data, c->model, pos, count, base, &inserted, &error)) {
    if (rich) {
      // A document refused whole is left out, and the stream says so.
      es->dwError = DWORD(-1);
      return 0;
    }
    std::u32string text = tess::richedit::NormalizeLineEnds(tess::richedit::DecodeText(data));
    if (!c->multiLine()) {
      size_t end = text.find(kParagraphMark);
      if (end != std::u32string::npos) text.resize(end);
    }
    c->model.Replace(pos, count, text, selection ? InsertionFormat(c) : c->model.DefaultFormat());
    inserted = text.size();
  }
  if (!selection) c->model.EmptyUndo();
  Relayout(c);
  c->anchor = c->caret = selection ? pos + inserted : 0;
  c->scrollX = std::clamp(c->scrollX, 0, MaxScrollX(c));
  c->scrollY = std::clamp(c->scrollY, 0, MaxScrollY(c));
  Invalidate(c);
  PlaceCaret(c);
  Changed(c);
  return LRESULT(inserted);
}

LRESULT StreamOut(Control* c, WPARAM format, EDITSTREAM* es) {
  if (!es || !es->pfnCallback) return 0;
  es->dwError = 0;
  bool selection = format & SFF_SELECTION;
  size_t pos = selection ? c->selStart() : 0;
  size_t count = selection ? c->selEnd() - c->selStart() : c->model.Length();
  std::string data = (format & SF_RTF)
                         ? tess::richedit::WriteRtf(c->model, pos, count)
                         : tess::richedit::EncodeUtf8(WithCrLf(c->model.Text(pos, count)));
  size_t done = 0;
  while (done < data.size()) {
    LONG n = LONG(std::min<size_t>(4096, data.size() - done));
    LONG taken = 0;
    DWORD error =
        es->pfnCallback(es->dwCookie, reinterpret_cast<BYTE*>(data.data() + done), n, &taken);
    if (error) {
      es->dwError = error;
      break;
    }
    if (taken <= 0) break;
    done += size_t(std::min(taken, n));
  }
  return LRESULT(done);
}

void SetText(Control* c, const char* text) {
  std::u32string t =
      tess::richedit::NormalizeLineEnds(tess::richedit::DecodeText(text ? text : ""));
  if (!c->multiLine()) {
    size_t end = t.find(kParagraphMark);
    if (end != std::u32string::npos) t.resize(end);
  }
  uint16_t format = c->model.Length() ? c->model.At(0).format : c->model.DefaultFormat();
  c->model.Replace(0, c->model.Length(), t, format);
  c->model.EmptyUndo();
  Relayout(c);
  c->anchor = c->caret = 0;
  c->scrollX = c->scrollY = 0;
  Invalidate(c);
  PlaceCaret(c);
  Changed(c);
}

LRESULT CopyOut(const std::string& text, char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return LRESULT(n);
}

// ---- Formats ------------------------------------------------------------------------

CharFormat FromCharFormat(const CHARFORMAT* cf, const CharFormat& base) {
  CharFormat f = base;
  f.bold = cf->dwEffects & CFE_BOLD;
  f.italic = cf->dwEffects & CFE_ITALIC;
  f.underline = cf->dwEffects & CFE_UNDERLINE;
  f.color = (cf->dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT) : cf->crTextColor;
  f.twips = std::clamp<LONG>(cf->yHeight, 20, 32760);
  char face[33] = {};
  std::memcpy(face, cf->szFaceName, 32);
  f.face = face;
  return f;
}

void ToCharFormat(const CharFormat& f, uint32_t mask, CHARFORMAT* cf) {
  cf->dwMask = (mask & (CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR | CFM_FACE | CFM_SIZE));
  cf->dwEffects = (f.bold ? DWORD(CFE_BOLD) : 0u) | (f.italic ? DWORD(CFE_ITALIC) : 0u) |
                  (f.underline ? DWORD(CFE_UNDERLINE) : 0u);
  cf->yHeight = f.twips;
  cf->yOffset = 0;
  cf->crTextColor = f.color;
  cf->bCharSet = 0;
  cf->bPitchAndFamily = 0;
  std::memset(cf->szFaceName, 0, sizeof cf->szFaceName);
  std::strncpy(cf->szFaceName, f.face.c_str(), sizeof cf->szFaceName - 1);
}

LRESULT SetCharFormat(Control* c, WPARAM which, const CHARFORMAT* cf) {
  if (!cf) return 0;
  uint32_t mask = cf->dwMask & tess::richedit::kSetAll;
  CharFormat given = FromCharFormat(cf, CharFormat{});
  if (which & SCF_ALL) {
    c->model.SetDefaultFormat(
        TextModel::Merge(c->model.Format(c->model.DefaultFormat()), mask, given));
    c->model.SetFormat(0, c->model.Length(), mask, given);
  } else if (which & SCF_SELECTION) {
    if (c->anchor == c->caret) {
      // Text typed next takes the format.
      c->pendingFormat =
          c->model.Intern(TextModel::Merge(c->model.Format(InsertionFormat(c)), mask, given));
      return 1;
    }
    size_t pos = c->selStart();
    c->model.SetFormat(pos, c->selEnd() - pos, mask, given);
  } else {
    c->model.SetDefaultFormat(
        TextModel::Merge(c->model.Format(c->model.DefaultFormat()), mask, given));
    if (c->model.Length()) return 1;
  }
  Relayout(c);
  c->scrollY = std::clamp(c->scrollY, 0, MaxScrollY(c));
  c->scrollX = std::clamp(c->scrollX, 0, MaxScrollX(c));
  Invalidate(c);
  PlaceCaret(c);
  return 1;
}

LRESULT GetCharFormat(Control* c, WPARAM which, CHARFORMAT* cf) {
  if (!cf) return 0;
  CharFormat first;
  uint32_t mask = tess::richedit::kSetAll;
  if (which & SCF_SELECTION) {
    if (c->anchor == c->caret && c->pendingFormat >= 0)
      first = c->model.Format(uint16_t(c->pendingFormat));
    else if (c->anchor == c->caret)
      first = c->model.Format(InsertionFormat(c));
    else
      mask = c->model.CommonFormat(c->selStart(), c->selEnd() - c->selStart(), &first);
  } else {
    first = c->model.Format(c->model.DefaultFormat());
  }
  ToCharFormat(first, mask, cf);
  return LRESULT(cf->dwMask);
}

LRESULT SetParaFormat(Control* c, const PARAFORMAT* pf) {
  if (!pf || !(pf->dwMask & PFM_ALIGNMENT)) return 0;
  WORD a = pf->wAlignment;
  Align align = a == PFA_CENTER ? Align::kCenter : a == PFA_RIGHT ? Align::kRight : Align::kLeft;
  size_t pos = c->selStart();
  c->model.SetAlignment(pos, c->selEnd() - pos, align);
  Invalidate(c);
  PlaceCaret(c);
  return 1;
}

// ---- The window procedure ------------------------------------------------------------

POINT PointOfLParam(LPARAM l) {
  return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
}

LRESULT LineIndex(Control* c, WPARAM line) {
  const auto& lines = c->layout.Lines();
  size_t n = line == WPARAM(-1) ? c->layout.LineOf(c->caret) : size_t(line);
  if (n >= lines.size()) return -1;
  return LRESULT(lines[n].start);
}

LRESULT LineLength(Control* c, LPARAM pos) {
  if (pos < 0) {
    // The characters of the selected lines that are not selected.
    size_t first = c->layout.LineOf(c->selStart()), last = c->layout.LineOf(c->selEnd());
    return LRESULT(c->selStart() - c->layout.Lines()[first].start +
                   LineEndOf(c, c->layout.Lines()[last].start) - c->selEnd());
  }
  size_t n = c->layout.LineOf(size_t(pos));
  const auto& l = c->layout.Lines()[n];
  return LRESULT(LineEndOf(c, l.start) - l.start);
}

LRESULT Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Control* c = Of(hwnd);
  if (!c && msg != WM_NCCREATE) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
      c = new Control;
      c->hwnd = hwnd;
      c->style = DWORD(cs->style);
      c->readOnly = c->style & ES_READONLY;
      c->hideSelection = !(c->style & ES_NOHIDESEL);
      if (c->style & ES_PASSWORD) c->password = U'*';
      c->fonts.SetMask(c->password);
      CharFormat def;
      def.color = GetSysColor(COLOR_WINDOWTEXT);
      c->model.SetDefaultFormat(def);
      SetWindowLong(hwnd, 0, LONG(reinterpret_cast<uintptr_t>(c)));
      return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
      Relayout(c);
      if (cs->lpszName && *cs->lpszName) {
        DWORD mask = c->eventMask;
        c->eventMask = 0;
        SetText(c, cs->lpszName);
        c->eventMask = mask;
        c->modified = false;
      }
      return 0;
    }
    case WM_NCDESTROY:
      SetWindowLong(hwnd, 0, 0);
      delete c;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_STYLECHANGED:
      if (wParam == WPARAM(GWL_STYLE)) {
        c->style = reinterpret_cast<STYLESTRUCT*>(lParam)->styleNew;
        Relayout(c);
        ScrollCaretIntoView(c);
      }
      return 0;
    case WM_SIZE:
      Relayout(c);
      ScrollCaretIntoView(c);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(c);
      return 0;
    case WM_ENABLE:
      Invalidate(c);
      return 0;
    case WM_SETFOCUS:
      c->focused = true;
      PlaceCaret(c);
      Invalidate(c);
      Command(c, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      c->focused = false;
      DestroyCaret();
      Invalidate(c);
      Command(c, EN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL |
             (c->multiLine() ? DLGC_WANTALLKEYS : 0);
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_KEYUP: {
      if (Filtered(c, &msg, &wParam, &lParam)) return 0;
      if (msg == WM_KEYDOWN) KeyDown(c, wParam);
      if (msg == WM_CHAR) Char(c, wParam);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: {
      if (Filtered(c, &msg, &wParam, &lParam)) return 0;
      POINT p = PointOfLParam(lParam);
      if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        ButtonDown(c, p, msg == WM_LBUTTONDBLCLK, wParam);
      } else if (msg == WM_MOUSEMOVE) {
        if (c->mouse == Mouse::kSelecting || c->mouse == Mouse::kWords)
          ExtendTo(c, PosAt(c, p));
        else if (c->mouse == Mouse::kVThumb || c->mouse == Mouse::kHThumb)
          ThumbDrag(c, p);
      } else if (msg == WM_LBUTTONUP) {
        if (c->mouse != Mouse::kIdle) {
          c->mouse = Mouse::kIdle;
          if (GetCapture() == hwnd) ReleaseCapture();
        }
      } else if (msg == WM_RBUTTONDOWN && GetFocus() != hwnd) {
        SetFocus(hwnd);
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd) c->mouse = Mouse::kIdle;
      return 0;
    case WM_MOUSEWHEEL: {
      int notches = short(HIWORD(wParam)) / WHEEL_DELTA;
      int line = c->layout.Lines().empty() ? 16 : c->layout.Lines()[0].height;
      ScrollTo(c, c->scrollX, c->scrollY - notches * 3 * line, true);
      return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
    case EM_SCROLL: {
      bool vertical = msg != WM_HSCROLL;
      RECT r = TextRect(c);
      int line = vertical ? (c->layout.Lines().empty() ? 16 : c->layout.Lines()[0].height) : 8;
      int page = vertical ? std::max(line, int(r.bottom - r.top) - line)
                          : std::max(8, int(r.right - r.left) - 8);
      int now = vertical ? c->scrollY : c->scrollX;
      int to = now;
      switch (LOWORD(wParam)) {
        case SB_LINEUP:
          to -= line;
          break;
        case SB_LINEDOWN:
          to += line;
          break;
        case SB_PAGEUP:
          to -= page;
          break;
        case SB_PAGEDOWN:
          to += page;
          break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
          to = short(HIWORD(wParam));
          break;
        case SB_TOP:
          to = 0;
          break;
        case SB_BOTTOM:
          to = INT32_MAX / 2;
          break;
        default:
          break;
      }
      if (vertical)
        ScrollTo(c, c->scrollX, to, msg != EM_SCROLL);
      else
        ScrollTo(c, to, c->scrollY, true);
      return msg == EM_SCROLL ? LRESULT(1 << 31 | ((c->scrollY - now) / std::max(1, line) & 0xFFFF))
                              : 0;
    }
    case WM_SETTEXT:
      SetText(c, reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_GETTEXT:
      return CopyOut(tess::richedit::EncodeUtf8(c->model.Text()), reinterpret_cast<char*>(lParam),
                     size_t(wParam));
    case WM_GETTEXTLENGTH:
      return LRESULT(tess::richedit::EncodeUtf8(c->model.Text()).size());
    case WM_SETFONT: {
      c->font = reinterpret_cast<HFONT>(wParam);
      LOGFONT lf{};
      if (c->font && GetObject(c->font, sizeof lf, &lf)) {
        CHARFORMAT cf{};
        cf.cbSize = sizeof cf;
        cf.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
        cf.dwEffects = (lf.lfWeight >= FW_BOLD ? DWORD(CFE_BOLD) : 0u) |
                       (lf.lfItalic ? DWORD(CFE_ITALIC) : 0u) |
                       (lf.lfUnderline ? DWORD(CFE_UNDERLINE) : 0u);
        int pixels = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight ? lf.lfHeight : 13;
        cf.yHeight = pixels * 1440 / 96;
        std::memcpy(cf.szFaceName, lf.lfFaceName, sizeof cf.szFaceName - 1);
        SetCharFormat(c, SCF_ALL, &cf);
      }
      if (LOWORD(lParam)) Invalidate(c);
      return 0;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(c->font);
    case WM_CUT:
      if (!c->readOnly && Copy(c)) DeleteRange(c, c->selStart(), c->selEnd());
      return 0;
    case WM_COPY:
      Copy(c);
      return 0;
    case WM_PASTE:
      Paste(c);
      return 0;
    case WM_CLEAR:
      if (c->anchor != c->caret) DeleteRange(c, c->selStart(), c->selEnd());
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      Undo(c);
      return 1;
    case EM_CANUNDO:
      return c->model.CanUndo() && !c->readOnly;
    case EM_EMPTYUNDOBUFFER:
      c->model.EmptyUndo();
      return 0;
    case EM_CANPASTE:
      return !c->readOnly &&
             (IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT));
    case EM_GETSEL: {
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = DWORD(c->selStart());
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = DWORD(c->selEnd());
      return LRESULT(std::min<size_t>(c->selStart(), 0xFFFF) | std::min<size_t>(c->selEnd(), 0xFFFF)
                                                                   << 16);
    }
    case EM_SETSEL:
    case EM_EXSETSEL: {
      long from, to;
      if (msg == EM_SETSEL) {
        from = long(wParam), to = long(lParam);
      } else {
        auto* r = reinterpret_cast<const CHARRANGE*>(lParam);
        if (!r) return 0;
        from = r->cpMin, to = r->cpMax;
      }
      long length = long(c->model.Length());
      if (from < 0) {
        // No selection: the caret stays where it is.
        SetSelection(c, c->caret, c->caret);
      } else {
        if (to < 0 || to > length) to = length;
        from = std::min(from, length);
        SetSelection(c, size_t(from), size_t(to));
      }
      return LRESULT(c->selEnd());
    }
    case EM_EXGETSEL:
      if (auto* r = reinterpret_cast<CHARRANGE*>(lParam))
        *r = CHARRANGE{LONG(c->selStart()), LONG(c->selEnd())};
      return 0;
    case EM_REPLACESEL: {
      std::u32string text = tess::richedit::NormalizeLineEnds(
          tess::richedit::DecodeText(lParam ? reinterpret_cast<const char*>(lParam) : ""));
      c->model.BreakTyping();
      ReplaceSelection(c, text, false);
      if (!wParam) c->model.EmptyUndo();
      return 0;
    }
    case EM_GETSELTEXT:
      // The caller's buffer holds the selection and its terminator.
      return CopyOut(SelectedUtf8(c), reinterpret_cast<char*>(lParam), SelectedUtf8(c).size() + 1);
    case EM_GETTEXTRANGE: {
      auto* r = reinterpret_cast<TEXTRANGE*>(lParam);
      if (!r || !r->lpstrText) return 0;
      long length = long(c->model.Length());
      long from = std::clamp<long>(r->chrg.cpMin, 0, length);
      long to = r->chrg.cpMax < 0 ? length : std::clamp<long>(r->chrg.cpMax, from, length);
      std::string text = tess::richedit::EncodeUtf8(c->model.Text(size_t(from), size_t(to - from)));
      return CopyOut(text, r->lpstrText, text.size() + 1);
    }
    case EM_LIMITTEXT:
    case EM_EXLIMITTEXT: {
      size_t limit = msg == EM_LIMITTEXT ? size_t(wParam) : size_t(lParam);
      c->limit = limit ? limit : (msg == EM_LIMITTEXT ? size_t(0x7FFFFFFE) : kDefaultLimit);
      return 0;
    }
    case EM_GETLIMITTEXT:
      return LRESULT(c->limit);
    case EM_SETREADONLY:
      c->readOnly = wParam != 0;
      if (c->readOnly)
        c->style |= ES_READONLY;
      else
        c->style &= ~DWORD(ES_READONLY);
      return 1;
    case EM_SETPASSWORDCHAR: {
      char32_t mask = char32_t(wParam & 0xFFFF);
      if (mask == c->password) return 0;
      c->password = mask;
      c->fonts.SetMask(mask);
      Relayout(c);
      ScrollCaretIntoView(c);
      Invalidate(c);
      return 0;
    }
    case EM_GETPASSWORDCHAR:
      return LRESULT(c->password);
    case EM_GETMODIFY:
      return c->modified;
    case EM_SETMODIFY:
      c->modified = wParam != 0;
      return 0;
    case EM_GETLINECOUNT:
      return LRESULT(c->layout.Lines().size());
    case EM_LINEINDEX:
      return LineIndex(c, wParam);
    case EM_LINELENGTH:
      return LineLength(c, LPARAM(long(wParam)));
    case EM_LINEFROMCHAR:
    case EM_EXLINEFROMCHAR: {
      long pos = msg == EM_LINEFROMCHAR ? long(wParam) : long(lParam);
      if (pos < 0) pos = long(c->selStart());
      return LRESULT(c->layout.LineOf(size_t(pos)));
    }
    case EM_GETFIRSTVISIBLELINE:
      return LRESULT(c->layout.LineAtY(c->scrollY));
    case EM_LINESCROLL: {
      int line = c->layout.Lines().empty() ? 16 : c->layout.Lines()[0].height;
      size_t first = c->layout.LineAtY(c->scrollY);
      long target =
          std::clamp<long>(long(first) + long(lParam), 0, long(c->layout.Lines().size()) - 1);
      int y = c->layout.Lines()[size_t(target)].y;
      (void)line;
      ScrollTo(c, c->scrollX + int(wParam) * 8, y, false);
      return 1;
    }
    case EM_SCROLLCARET:
      ScrollCaretIntoView(c);
      return 0;
    case EM_GETSCROLLPOS:
      if (auto* p = reinterpret_cast<POINT*>(lParam)) *p = POINT{c->scrollX, c->scrollY};
      return 1;
    case EM_SETSCROLLPOS:
      if (auto* p = reinterpret_cast<const POINT*>(lParam)) ScrollTo(c, p->x, p->y, false);
      return 1;
    case EM_POSFROMCHAR: {
      // The first version's form: wParam the point to fill, lParam the position.
      auto* p = reinterpret_cast<POINT*>(wParam);
      if (!p) return 0;
      *p = PointOf(c, size_t(std::max<LPARAM>(0, lParam)));
      return 0;
    }
    case EM_CHARFROMPOS: {
      auto* p = reinterpret_cast<const POINT*>(lParam);
      return p ? LRESULT(PosAt(c, *p)) : 0;
    }
    case EM_GETRECT:
      if (auto* r = reinterpret_cast<RECT*>(lParam)) *r = TextRect(c);
      return 0;
    case EM_SETEVENTMASK: {
      DWORD old = c->eventMask;
      c->eventMask = DWORD(lParam);
      return LRESULT(old);
    }
    case EM_GETEVENTMASK:
      return LRESULT(c->eventMask);
    case EM_HIDESELECTION:
      c->hideSelection = wParam != 0;
      Invalidate(c);
      return 0;
    case EM_SETBKGNDCOLOR: {
      COLORREF old = BackColor(c);
      c->autoBack = wParam != 0;
      c->back = COLORREF(lParam);
      Invalidate(c);
      return LRESULT(old);
    }
    case EM_SETCHARFORMAT:
      return SetCharFormat(c, wParam, reinterpret_cast<const CHARFORMAT*>(lParam));
    case EM_GETCHARFORMAT:
      return GetCharFormat(c, wParam, reinterpret_cast<CHARFORMAT*>(lParam));
    case EM_SETPARAFORMAT:
      return SetParaFormat(c, reinterpret_cast<const PARAFORMAT*>(lParam));
    case EM_GETPARAFORMAT: {
      auto* pf = reinterpret_cast<PARAFORMAT*>(lParam);
      if (!pf) return 0;
      Align a = c->model.AlignmentAt(c->model.ParagraphStart(c->selStart()));
      pf->dwMask = PFM_ALIGNMENT;
      pf->wAlignment = WORD(a);
      size_t end = c->model.ParagraphEnd(c->selEnd());
      for (size_t i = c->selStart(); i < end; ++i)
        if (c->model.At(i).align != a) pf->dwMask = 0;
      return LRESULT(pf->dwMask);
    }
    case EM_STREAMIN:
      return StreamIn(c, wParam, reinterpret_cast<EDITSTREAM*>(lParam));
    case EM_STREAMOUT:
      return StreamOut(c, wParam, reinterpret_cast<EDITSTREAM*>(lParam));
    case EM_FORMATRANGE:
      return FormatRange(c, wParam != 0, reinterpret_cast<const FORMATRANGE*>(lParam));
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void LoadRichEditLibrary() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASS wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Procedure;
  wc.cbWndExtra = 4;
  wc.hCursor = LoadCursor(nullptr, reinterpret_cast<const char*>(32513));  // the I-beam
  wc.lpszClassName = kRichEditClass;
  RegisterClass(&wc);
}

}  // namespace tess::platform::richedit
