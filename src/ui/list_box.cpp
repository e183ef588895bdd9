// ListBox: the class records, the pane (a container window the runtime
// paints, with a vertical scroll bar child and a rich-edit child while a
// cell is edited) and the translation of mouse and keys into the list's
// events.
//
// A click on a row: MouseDown (True keeps the press for MouseDrag and
// MouseUp only), then CellClick (True stops here), then the folder
// triangle or the selection (Change when it changed), then CellAction for
// a check box, or the edit field for an editable cell. A click on a
// heading: HeaderPressed (True stops), the sorted column set (the same
// column again reverses its direction), SortColumn (True keeps the rows
// as they are), then the sort. An edited cell takes its new text on Enter,
// Tab or a click elsewhere and keeps the old one on Esc; CellLostFocus
// follows either way.
//
// With ColumnsResizable the heading's column borders are handles: the
// pointer over one shows the size cursor, and a press there (after
// MouseDown) drags that column's width live, with no list event, until the
// button comes up; the column then counts as absolute at that width. The
// horizontal scroll bar, when ScrollBarHorizontal is set, shows only while
// the columns are wider than the pane; ScrollPositionX is its position in
// pixels, and the heading scrolls with the cells.
#include "ui/list_box.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "platform/comctl/commctrl.h"
#include "platform/kernel/thread.h"
#include "platform/richedit/richedit.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/edit_field.h"
#include "ui/edit_field_native.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/window_proc.h"

namespace tess::ui {

using namespace platform;
namespace re = platform::richedit;
using re::EM_SETEVENTMASK;
using re::EM_SETSEL;
using re::EN_CHANGE;
using re::EN_KILLFOCUS;
using re::EN_MSGFILTER;
using re::ENM_CHANGE;
using re::ENM_KEYEVENTS;
using re::kRichEditClass;
using re::LoadRichEditLibrary;
using re::MSGFILTER;

struct ListState {
  ListModel model;
  CRITICAL_SECTION lock;
  TessObject* list = nullptr;  // not counted: the list owns its state
  HWND container = nullptr;
  HWND scrollBar = nullptr;
  HWND hScrollBar = nullptr;
  bool hShown = false;  // the horizontal bar is up: the rows end above it
  HWND editor = nullptr;
  int32_t editRow = -1, editColumn = -1;
  ObjectRef activeCell;   // the EditField ActiveCell gives
  uint32_t handlers = 0;  // events with a handler, looked up with the pane
  bool tracking = false;  // MouseDown returned True
  int32_t dragRow = -1, dropAt = -1;
  int32_t dragStartX = 0, dragStartY = 0;
  bool dragMoved = false;
  int32_t layoutWidth = -1;
  int32_t resizing = -1;   // the column whose border is being dragged
  int32_t resizeGrab = 0;  // the pointer's distance from that border
  ListState() { InitializeCriticalSection(&lock); }
  ~ListState() { DeleteCriticalSection(&lock); }
};

namespace {

constexpr char kPaneClass[] = "TS_ListPane";
constexpr UINT kEditorId = 2;
constexpr int kIndent = 16;     // per depth, and the folder triangle's room
constexpr int kCheckSize = 12;  // the check box square
constexpr int kScrollWidth = 16;
constexpr int kScrollLineX = 16;  // pixels a horizontal arrow moves
// The host's west-east size cursor, shown over a column border.
const char* const kSizeCursor = reinterpret_cast<const char*>(32644);

class Locked {
 public:
  explicit Locked(ListState* s) : s_(s) { EnterCriticalSection(&s_->lock); }
  ~Locked() { LeaveCriticalSection(&s_->lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  ListState* s_;
};

ClassObject* g_listBox = nullptr;
ClassObject* g_listColumn = nullptr;

const char* const kRowColumn = "row As Integer, column As Integer";
EventRecord g_events[] = {
    {0, "Change", nullptr, nullptr, 701, nullptr},
    {0, "DoubleClick", nullptr, nullptr, 1001, nullptr},
    {0, "KeyDown", "Key As String", "Boolean", 401, nullptr},
    {0, "EnableMenuItems", nullptr, nullptr, 0, nullptr},
    {0, "ExpandRow", "row As Integer", nullptr, 0, nullptr},
    {0, "CollapseRow", "row As Integer", nullptr, 0, nullptr},
    {0, "DragRow", "drag As DragItem, row As Integer", "Boolean", 0, nullptr},
    {0, "SortColumn", "column As Integer", "Boolean", 0, nullptr},
    {0, "CellAction", kRowColumn, nullptr, 0, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
    {0, "CellBackgroundPaint", "g As Graphics, row As Integer, column As Integer", "Boolean", 0,
     nullptr},
    {0, "CellTextPaint",
     "g As Graphics, row As Integer, column As Integer, x As Integer, y As Integer", "Boolean", 0,
     nullptr},
    {0, "CellClick", "row As Integer, column As Integer, x As Integer, y As Integer", "Boolean", 0,
     nullptr},
    {0, "CellKeyDown", "row As Integer, column As Integer, key As String", "Boolean", 0, nullptr},
    {0, "CellTextChange", kRowColumn, nullptr, 0, nullptr},
    {0, "CellGotFocus", kRowColumn, nullptr, 0, nullptr},
    {0, "CellLostFocus", kRowColumn, nullptr, 0, nullptr},
    {0, "MouseDown", "x As Integer, y As Integer", "Boolean", 501, nullptr},
    {0, "MouseDrag", "x As Integer, y As Integer", nullptr, 506, nullptr},
    {0, "MouseUp", "x As Integer, y As Integer", nullptr, 502, nullptr},
    {0, "CompareRows",
     "row1 As Integer, row2 As Integer, column As Integer, ByRef result As Integer", "Boolean", 0,
     nullptr},
    {0, "DragReorderRows", "newPosition As Integer", "Boolean", 0, nullptr},
    {0, "HeaderPressed", "column As Integer", "Boolean", 0, nullptr},
};
enum Event {
  kChange,
  kDoubleClick,
  kKeyDown,
  kEnableMenuItems,
  kExpandRow,
  kCollapseRow,
  kDragRow,
  kSortColumn,
  kCellAction,
  kGotFocus,
  kLostFocus,
  kCellBackgroundPaint,
  kCellTextPaint,
  kCellClick,
  kCellKeyDown,
  kCellTextChange,
  kCellGotFocus,
  kCellLostFocus,
  kMouseDown,
  kMouseDrag,
  kMouseUp,
  kCompareRows,
  kDragReorderRows,
  kHeaderPressed,
  kEventCount
};
static_assert(kEventCount == std::size(g_events));

uint32_t Word(const void* p) {
  return uint32_t(reinterpret_cast<uintptr_t>(p));
}

ListBoxFields* F(TessObject* o) {
  return FieldsOf<ListBoxFields>(o);
}

bool Shown(TessObject* o) {
  ListState* s = F(o)->state;
  return s && s->container && InOpenWindow(o);
}

// Fires a list event when the list is shown; true when a handler returned
// True.
bool Fire(TessObject* o, Event e, std::initializer_list<uint32_t> args) {
  if (!Shown(o)) return false;
  ListState* s = F(o)->state;
  if (!(s->handlers & (1u << e))) return false;
  ObjectRef keep = ShareObject(o);
  uint32_t result = 0;
  return FireEvent(o, g_events[e].descriptor, args, &result) && (result & 0xFF);
}

void Redraw(TessObject* o) {
  ListState* s = F(o)->state;
  if (s && s->container) InvalidateRect(s->container, nullptr, FALSE);
}

HFONT FontOf(TessObject* o) {
  ListBoxFields* f = F(o);
  return ControlFont(f->textFont, f->textSize, f->bold, f->italic, f->underline);
}

int32_t RowHeight(TessObject* o) {
  ListBoxFields* f = F(o);
  if (f->defaultRowHeight > 0) return f->defaultRowHeight;
  int32_t size = f->textSize > 0 ? f->textSize : 12;
  return size + 6;
}
int32_t HeadingHeight(TessObject* o) {
  return F(o)->hasHeading ? RowHeight(o) + 2 : 0;
}

RECT ClientOf(TessObject* o) {
  ListState* s = F(o)->state;
  RECT r{0, 0, F(o)->rect.width, F(o)->rect.height};
  if (s->container) GetClientRect(s->container, &r);
  return r;
}

int32_t InnerWidth(TessObject* o) {
  RECT r = ClientOf(o);
  return std::max<int32_t>(0, r.right - (F(o)->scrollBarVertical ? kScrollWidth : 0));
}

void Layout(TessObject* o) {
  ListState* s = F(o)->state;
  s->layoutWidth = InnerWidth(o);
  s->model.LayoutColumns(s->layoutWidth, F(o)->columnsResizable);
}

// The bottom of the rows: above the horizontal bar while it shows.
int32_t RowsBottom(TessObject* o) {
  return ClientOf(o).bottom - (F(o)->state->hShown ? kScrollWidth : 0);
}

int32_t VisibleRows(TessObject* o) {
  return std::max<int32_t>(1, (RowsBottom(o) - HeadingHeight(o)) / RowHeight(o));
}

// The scroll bars' places: the vertical one down the right edge, the
// horizontal one along the bottom, each stopping short of the other.
void PlaceBars(TessObject* o) {
  ListState* s = F(o)->state;
  RECT r = ClientOf(o);
  bool vertical = F(o)->scrollBarVertical;
  if (s->scrollBar)
    MoveWindow(s->scrollBar, r.right - kScrollWidth, 0, kScrollWidth,
               std::max<int32_t>(r.bottom - (s->hShown ? kScrollWidth : 0), 0), TRUE);
  if (s->hScrollBar)
    MoveWindow(s->hScrollBar, 0, r.bottom - kScrollWidth,
               std::max<int32_t>(r.right - (vertical ? kScrollWidth : 0), 0), kScrollWidth, TRUE);
}

// Keeps the horizontal position within the columns, and the horizontal
// bar shown exactly while they are wider than the pane.
void UpdateScrollX(TessObject* o) {
  ListBoxFields* f = F(o);
  ListState* s = f->state;
  int32_t most = std::max(0, s->model.TotalWidth() - InnerWidth(o));
  f->scrollPositionX = std::clamp(f->scrollPositionX, 0, most);
  if (!s->hScrollBar) return;
  bool show = f->scrollBarHorizontal && most > 0;
  if (show != s->hShown) {
    s->hShown = show;
    ShowWindow(s->hScrollBar, show ? SW_SHOW : SW_HIDE);
    PlaceBars(o);
  }
  SendMessage(s->hScrollBar, SBM_SETRANGE, 0, most);
  SendMessage(s->hScrollBar, SBM_SETPOS, WPARAM(f->scrollPositionX), 1);
}

// Keeps the scroll positions within the rows and columns and the scroll
// bars in step.
void UpdateScroll(TessObject* o) {
  ListBoxFields* f = F(o);
  ListState* s = f->state;
  UpdateScrollX(o);
  int32_t most = std::max(0, s->model.Count() - VisibleRows(o));
  f->scrollPosition = std::clamp(f->scrollPosition, 0, most);
  if (!s->scrollBar) return;
  SendMessage(s->scrollBar, SBM_SETRANGE, 0, most);
  SendMessage(s->scrollBar, SBM_SETPOS, WPARAM(f->scrollPosition), 1);
}

void Changed(TessObject* o) {
  if (F(o)->state->container) {
    UpdateScroll(o);
    Redraw(o);
  }
}

int32_t ListIndexOf(ListModel& m) {
  for (int32_t i = 0; i < m.Count(); ++i)
    if (m.Row(i)->selected) return i;
  return -1;
}

// Cell type and alignment with the column's settings for "default".
int32_t CellType(ListModel& m, int32_t row, int32_t column) {
  ListCell* c = m.CellAt(row, column, false);
  if (c && c->type != kCellDefault) return c->type;
  ListColumnInfo* col = m.Column(column);
  return col ? col->type : kCellNormal;
}

// The left edge of each column, scrolled.
int32_t ColumnLeft(TessObject* o, int32_t column) {
  ListModel& m = F(o)->state->model;
  int32_t x = -F(o)->scrollPositionX;
  for (int32_t i = 0; i < column && i < int32_t(m.columns.size()); ++i)
    x += m.columns[size_t(i)].actual[0];
  return x;
}

int32_t ColumnAt(TessObject* o, int32_t x) {
  ListModel& m = F(o)->state->model;
  int32_t left = -F(o)->scrollPositionX;
  for (size_t i = 0; i < m.columns.size(); ++i) {
    left += m.columns[i].actual[0];
    if (x < left) return int32_t(i);
  }
  return -1;
}

int32_t RowAt(TessObject* o, int32_t y) {
  int32_t top = HeadingHeight(o);
  if (y < top) return -1;
  return F(o)->scrollPosition + (y - top) / RowHeight(o);
}

// Where the text of column 0 starts: after the depth and the triangle.
int32_t TextIndent(TessObject* o, const ListRow& r, int32_t column) {
  if (column != 0) return 0;
  return F(o)->hierarchical ? (r.depth + 1) * kIndent : 0;
}

// A row picture's size in its row: scaled down to fit the row height
// (less a pixel above and below) keeping its aspect, never enlarged.
SIZE RowPictureSize(TessObject* o, const ListRow& r) {
  graphics::PictureData* p = graphics::PictureOf(r.picture.get());
  if (!p || p->width <= 0 || p->height <= 0) return {0, 0};
  int32_t room = std::max(RowHeight(o) - 2, 1);
  if (p->height <= room) return {p->width, p->height};
  int64_t width = int64_t(p->width) * room / p->height;
  return {int32_t(std::clamp<int64_t>(width, 1, 1 << 20)), room};
}

// Where a cell's content (check box, then text) starts: column 0 moves
// past the indent and the row picture.
int32_t ContentIndent(TessObject* o, const ListRow& r, int32_t column) {
  int32_t indent = TextIndent(o, r, column);
  if (column == 0)
    if (SIZE picture = RowPictureSize(o, r); picture.cx > 0) indent += picture.cx + 4;
  return indent;
}

COLORREF GridColor(int32_t style) {
  return style == 1 ? RGB(0xD0, 0xD0, 0xD0) : RGB(0x80, 0x80, 0x80);
}

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

void Triangle(HDC dc, int x, int y, bool open, COLORREF color) {
  POINT p[3];
  if (open) {
    p[0] = {x, y + 2};
    p[1] = {x + 8, y + 2};
    p[2] = {x + 4, y + 7};
  } else {
    p[0] = {x + 2, y};
    p[1] = {x + 7, y + 4};
    p[2] = {x + 2, y + 8};
  }
  HBRUSH b = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ ob = SelectObject(dc, b);
  HGDIOBJ op = SelectObject(dc, pen);
  Polygon(dc, p, 3);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(b);
  DeleteObject(pen);
}

void CheckBox(HDC dc, int x, int y, bool checked) {
  RECT box{x, y, x + kCheckSize, y + kCheckSize};
  Fill(dc, box, RGB(0xFF, 0xFF, 0xFF));
  HBRUSH frame = CreateSolidBrush(RGB(0x40, 0x40, 0x40));
  FrameRect(dc, &box, frame);
  DeleteObject(frame);
  if (!checked) return;
  for (int i = 0; i < 2; ++i) {
    Line(dc, x + 2, y + 5 + i, x + 5, y + 8 + i, RGB(0, 0, 0));
    Line(dc, x + 5, y + 8 + i, x + 10, y + 3 + i, RGB(0, 0, 0));
  }
}

// A Graphics over one cell for the paint events.
ObjectRef CellGraphics(TessObject* o, HDC dc, const RECT& cell) {
  graphics::GraphicsTarget t;
  t.dc = dc;
  t.window = F(o)->state->container;
  t.origin = {cell.left, cell.top};
  t.width = cell.right - cell.left;
  t.height = cell.bottom - cell.top;
  return ObjectRef::Adopt(graphics::NewGraphics(t));
}

void PaintCell(TessObject* o, HDC dc, int32_t row, int32_t column, const RECT& cell,
               bool selected) {
  ListState* s = F(o)->state;
  ListModel& m = s->model;
  if ((s->handlers & (1u << kCellBackgroundPaint)) && Shown(o)) {
    ObjectRef g = CellGraphics(o, dc, cell);
    Fire(o, kCellBackgroundPaint, {Word(g.get()), uint32_t(row), uint32_t(column)});
    graphics::DetachGraphics(g.get());
    if (!m.Row(row)) return;  // the handler removed rows
  }
  // Read after the handler: rows it added may have moved the row's storage.
  const ListRow& r = *m.Row(row);
  int32_t x = cell.left + 4 + TextIndent(o, r, column);
  int32_t height = cell.bottom - cell.top;
  if (column == 0 && F(o)->hierarchical && r.folder)
    Triangle(dc, x - kIndent, cell.top + (height - 8) / 2, r.expanded,
             selected ? RGB(0xFF, 0xFF, 0xFF) : RGB(0x40, 0x40, 0x40));
  if (column == 0) {
    if (SIZE size = RowPictureSize(o, r); size.cx > 0) {
      SaveDC(dc);
      IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
      graphics::PictureData* p = graphics::PictureOf(r.picture.get());
      graphics::DrawPictureScaled(dc, r.picture.get(), x, cell.top + (height - size.cy) / 2,
                                  size.cx, size.cy, 0, 0, p->width, p->height);
      RestoreDC(dc, -1);
      x += size.cx + 4;
    }
  }
  ListCell* c = m.CellAt(row, column, false);
  if (CellType(m, row, column) == kCellCheckBox) {
    CheckBox(dc, x, cell.top + (height - kCheckSize) / 2, c && c->check);
    x += kCheckSize + 4;
  }
  if (!c || !c->text.get() || Length(c->text.get()) == 0) return;
  int32_t y = cell.top + 2;
  if ((s->handlers & (1u << kCellTextPaint)) && Shown(o)) {
    ObjectRef g = CellGraphics(o, dc, cell);
    bool done = Fire(o, kCellTextPaint,
                     {Word(g.get()), uint32_t(row), uint32_t(column), uint32_t(x - cell.left),
                      uint32_t(y - cell.top)});
    graphics::DetachGraphics(g.get());
    if (done || !m.Row(row)) return;
    c = m.CellAt(row, column, false);
    if (!c || !c->text.get()) return;
  }
  ListBoxFields* f = F(o);
  HFONT font = c->bold || c->italic || c->underline
                   ? ControlFont(f->textFont, f->textSize, f->bold || c->bold,
                                 f->italic || c->italic, f->underline || c->underline)
                   : nullptr;
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  std::string_view text = View(c->text.get());
  int32_t alignment = c->alignment;
  int32_t offset = c->alignmentOffset;
  if (ListColumnInfo* col = m.Column(column); col && alignment == kAlignDefault) {
    alignment = col->alignment;
    offset = col->alignmentOffset;
  }
  if (alignment == kAlignCenter || alignment == kAlignRight) {
    SIZE size{};
    GetTextExtentPoint32(dc, text.data(), int(text.size()), &size);
    x = alignment == kAlignRight ? cell.right - 4 - size.cx : x + (cell.right - x - size.cx) / 2;
  }
  x += offset;
  SaveDC(dc);
  IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
  TextOut(dc, x, y, text.data(), int(text.size()));
  RestoreDC(dc, -1);
  if (old) SelectObject(dc, old);
}

void PaintBorders(HDC dc, const ListCell* c, const RECT& cell) {
  if (!c) return;
  const int* b = c->border;
  if (b[0]) Line(dc, cell.left, cell.top, cell.right, cell.top, GridColor(b[0]));
  if (b[1]) Line(dc, cell.left, cell.top, cell.left, cell.bottom, GridColor(b[1]));
  if (b[2]) Line(dc, cell.left, cell.bottom - 1, cell.right, cell.bottom - 1, GridColor(b[2]));
  if (b[3]) Line(dc, cell.right - 1, cell.top, cell.right - 1, cell.bottom, GridColor(b[3]));
}

void PaintHeading(TessObject* o, HDC dc, int32_t width) {
  ListBoxFields* f = F(o);
  ListModel& m = f->state->model;
  int32_t h = HeadingHeight(o);
  Fill(dc, RECT{0, 0, width, h}, RGB(0xE4, 0xE4, 0xE4));
  Line(dc, 0, h - 1, width, h - 1, RGB(0x80, 0x80, 0x80));
  SetTextColor(dc, RGB(0, 0, 0));
  for (size_t i = 0; i < m.columns.size(); ++i) {
    int32_t left = ColumnLeft(o, int32_t(i));
    int32_t right = left + m.columns[i].actual[0];
    if (int32_t(i) == f->sortedColumn) {
      Fill(dc, RECT{left, 0, right, h - 1}, RGB(0xCC, 0xD8, 0xEC));
      // Up for ascending, down for descending.
      bool down = m.columns[i].sortDirection == kSortDescending;
      int32_t x = right - 12, y = (h - 6) / 2;
      POINT p[3] = {{x, down ? y : y + 5}, {x + 8, down ? y : y + 5}, {x + 4, down ? y + 5 : y}};
      HBRUSH b = CreateSolidBrush(RGB(0x40, 0x40, 0x40));
      HGDIOBJ ob = SelectObject(dc, b);
      Polygon(dc, p, 3);
      SelectObject(dc, ob);
      DeleteObject(b);
    }
    if (TessString* t = m.columns[i].heading.get()) {
      SaveDC(dc);
      IntersectClipRect(dc, left, 0, right - (int32_t(i) == f->sortedColumn ? 14 : 0), h);
      TextOut(dc, left + 4, 2, reinterpret_cast<const char*>(View(t).data()), Length(t));
      RestoreDC(dc, -1);
    }
    Line(dc, right - 1, 2, right - 1, h - 2, RGB(0x90, 0x90, 0x90));
  }
}

}  // namespace

void PaintList(TessObject* o, HDC dc) {
  ListBoxFields* f = F(o);
  ListState* s = f->state;
  if (!s) return;
  Locked hold(s);
  ListModel& m = s->model;
  RECT client = ClientOf(o);
  int32_t width = client.right - (f->scrollBarVertical && s->scrollBar ? kScrollWidth : 0);
  if (s->layoutWidth != InnerWidth(o)) Layout(o);
  client.bottom = RowsBottom(o);
  if (s->hShown && width < ClientOf(o).right)
    Fill(dc, RECT{width, client.bottom, ClientOf(o).right, ClientOf(o).bottom},
         GetSysColor(COLOR_BTNFACE));
  Fill(dc, RECT{0, 0, width, client.bottom}, RGB(0xFF, 0xFF, 0xFF));
  HGDIOBJ oldFont = SelectObject(dc, FontOf(o));
  SetBkMode(dc, TRANSPARENT);
  int32_t rowHeight = RowHeight(o);
  int32_t y = HeadingHeight(o);
  for (int32_t row = f->scrollPosition; row < m.Count() && y < client.bottom;
       ++row, y += rowHeight) {
    bool selected = m.Row(row)->selected;
    if (selected) Fill(dc, RECT{0, y, width, y + rowHeight}, GetSysColor(COLOR_HIGHLIGHT));
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
    for (size_t col = 0; col < m.columns.size(); ++col) {
      int32_t left = ColumnLeft(o, int32_t(col));
      RECT cell{left, y, left + m.columns[col].actual[0], y + rowHeight};
      if (cell.right <= 0 || cell.left >= width) continue;
      PaintCell(o, dc, row, int32_t(col), cell, selected);
      if (!m.Row(row)) break;
      PaintBorders(dc, m.CellAt(row, int32_t(col), false), cell);
    }
    if (f->gridLinesHorizontal)
      Line(dc, 0, y + rowHeight - 1, width, y + rowHeight - 1, GridColor(f->gridLinesHorizontal));
    if (s->dropAt == row && s->dragMoved) Line(dc, 0, y, width, y, RGB(0, 0, 0));
  }
  if (s->dropAt == m.Count() && s->dragMoved) Line(dc, 0, y, width, y, RGB(0, 0, 0));
  if (f->gridLinesVertical) {
    for (size_t col = 0; col + 1 < m.columns.size(); ++col) {
      int32_t x = ColumnLeft(o, int32_t(col)) + m.columns[col].actual[0] - 1;
      Line(dc, x, HeadingHeight(o), x, client.bottom, GridColor(f->gridLinesVertical));
      if (f->gridLinesVertical == 3)
        Line(dc, x - 1, HeadingHeight(o), x - 1, client.bottom, GridColor(3));
    }
  }
  if (f->hasHeading) PaintHeading(o, dc, width);
  HBRUSH frame = CreateSolidBrush(RGB(0x80, 0x80, 0x80));
  RECT edge{0, 0, width, client.bottom};
  FrameRect(dc, &edge, frame);
  DeleteObject(frame);
  SelectObject(dc, oldFont);
}

namespace {

// Expanding and collapsing a folder row.
void SetExpanded(TessObject* o, int32_t row, bool expand) {
  ListState* s = F(o)->state;
  ListRow* r = s->model.Row(row);
  if (!r || !r->folder || r->expanded == expand) return;
  if (expand) {
    {
      Locked hold(s);
      s->model.BeginExpand(row);
    }
    Fire(o, kExpandRow, {uint32_t(row)});
    Locked hold(s);
    s->model.EndExpand();
  } else {
    {
      Locked hold(s);
      s->model.Collapse(row);
    }
    Fire(o, kCollapseRow, {uint32_t(row)});
  }
  Changed(o);
}

void CloseEditor(TessObject* o, bool keep);

void SortRows(TessObject* o) {
  ListBoxFields* f = F(o);
  ListState* s = f->state;
  ListColumnInfo* col = s->model.Column(f->sortedColumn);
  if (!col) return;
  // Rows change places: an edit in progress keeps its text first.
  CloseEditor(o, true);
  ListModel::Comparer compare;
  if (Shown(o) && (s->handlers & (1u << kCompareRows))) {
    compare = [o, f](int32_t a, int32_t b) -> std::optional<int32_t> {
      int32_t result = 0;
      uint32_t answer = 0;
      ObjectRef keep = ShareObject(o);
      if (FireEvent(o, g_events[kCompareRows].descriptor,
                    {uint32_t(a), uint32_t(b), uint32_t(f->sortedColumn), Word(&result)},
                    &answer) &&
          (answer & 0xFF))
        return result;
      return std::nullopt;
    };
  }
  {
    Locked hold(s);
    s->model.Sort(f->sortedColumn, col->sortDirection == kSortDescending, compare);
  }
  Changed(o);
}

void PressHeader(TessObject* o, int32_t column) {
  ListBoxFields* f = F(o);
  ListColumnInfo* col = f->state->model.Column(column);
  if (!col) return;
  if (Fire(o, kHeaderPressed, {uint32_t(column)})) return;
  col = f->state->model.Column(column);
  if (!col) return;
  if (f->sortedColumn == column)
    col->sortDirection = col->sortDirection == kSortDescending ? kSortAscending : kSortDescending;
  f->sortedColumn = column;
  Redraw(o);
  if (Fire(o, kSortColumn, {uint32_t(column)})) return;
  SortRows(o);
}

void SetSelection(TessObject* o, int32_t row, bool extend, bool toggle) {
  ListBoxFields* f = F(o);
  ListModel& m = f->state->model;
  bool changed = false;
  // Whether row i is selected afterwards; a toggle flips its one row.
  bool flip = f->selectionType == 1 && toggle && m.Valid(row);
  bool range = !flip && f->selectionType == 1 && extend && m.Valid(row);
  if (!flip && !range && !m.Valid(row)) row = -1;
  int32_t lo = row, hi = row;
  if (range) {
    int32_t anchor = std::max(ListIndexOf(m), 0);
    lo = std::min(anchor, row);
    hi = std::max(anchor, row);
  }
  auto wanted = [&](int32_t i) {
    return flip ? (i == row) != m.Row(i)->selected : i >= lo && i <= hi;
  };
  {
    Locked hold(f->state);
    for (int32_t i = 0; i < m.Count() && !changed; ++i) changed = m.Row(i)->selected != wanted(i);
  }
  // Selection receivers hear of the change before the rows change.
  if (changed) ListSelectionChanging(o);
  {
    Locked hold(f->state);
    for (int32_t i = 0; i < m.Count(); ++i) m.Row(i)->selected = wanted(i);
  }
  if (m.Valid(row)) {
    // Keep the selected row in view.
    int32_t visible = VisibleRows(o);
    if (row < f->scrollPosition) f->scrollPosition = row;
    if (row >= f->scrollPosition + visible) f->scrollPosition = row - visible + 1;
    UpdateScroll(o);
  }
  Redraw(o);
  if (!changed) return;
  ListSelectionChanged(o);
  Fire(o, kChange, {});
}

// The edit field over a cell.
void CloseEditor(TessObject* o, bool keep) {
  ListState* s = F(o)->state;
  if (!s->editor) return;
  HWND editor = std::exchange(s->editor, nullptr);
  int32_t row = s->editRow, column = s->editColumn;
  s->editRow = s->editColumn = -1;
  if (keep) {
    StringRef text = StringRef::Adopt(NativeText(editor));
    Locked hold(s);
    s->model.SetText(row, column, text.get());
  }
  if (s->activeCell.get())
    if (EditFieldFields* ef = EditFieldOf(s->activeCell.get())) {
      StringRef text = StringRef::Adopt(NativeText(editor));
      RuntimeLockUnlockStrings(text.get(), ef->text);
      ef->text = text.get();
    }
  if (GetFocus() == editor) SetFocus(s->container);
  DestroyWindow(editor);
  Redraw(o);
  Fire(o, kCellLostFocus, {uint32_t(row), uint32_t(column)});
}

void OpenEditor(TessObject* o, int32_t row, int32_t column) {
  ListBoxFields* f = F(o);
  ListState* s = f->state;
  if (!s->container || !s->model.Valid(row) || !s->model.Column(column)) return;
  CloseEditor(o, true);
  int32_t visible = VisibleRows(o);
  if (row < f->scrollPosition || row >= f->scrollPosition + visible) {
    f->scrollPosition = row;
    UpdateScroll(o);
  }
  // The cell's left part in view sideways too.
  int32_t cellLeft = ColumnLeft(o, column), inner = InnerWidth(o);
  int32_t cellRight = cellLeft + s->model.Column(column)->actual[0];
  if (cellLeft < 0 || cellRight > inner) {
    f->scrollPositionX +=
        cellLeft < 0 || cellRight - cellLeft > inner ? cellLeft : cellRight - inner;
    UpdateScroll(o);
    Redraw(o);
  }
  int32_t left = ColumnLeft(o, column);
  int32_t top = HeadingHeight(o) + (row - f->scrollPosition) * RowHeight(o);
  ListRow* r = s->model.Row(row);
  int32_t indent = ContentIndent(o, *r, column);
  left += indent;
  int32_t width = s->model.Column(column)->actual[0] - indent;
  LoadRichEditLibrary();
  s->editor = CreateWindowEx(0, kRichEditClass, "", WS_CHILD | WS_VISIBLE | WS_BORDER, left, top,
                             std::max(width, 8), RowHeight(o), s->container,
                             reinterpret_cast<HMENU>(uintptr_t(kEditorId)), nullptr, nullptr);
  if (!s->editor) return;
  s->editRow = row;
  s->editColumn = column;
  SendMessage(s->editor, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(o)), 0);
  StringRef text = StringRef::Adopt(s->model.Text(row, column));
  std::string copy(View(text.get()));
  SendMessage(s->editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()));
  SendMessage(s->editor, EM_SETSEL, 0, -1);
  SendMessage(s->editor, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_KEYEVENTS);
  SetFocus(s->editor);
  Fire(o, kCellGotFocus, {uint32_t(row), uint32_t(column)});
}

// EN_MSGFILTER of the editor: nonzero drops the key.
LRESULT EditorFilter(TessObject* o, const MSGFILTER& m) {
  ListState* s = F(o)->state;
  int32_t row = s->editRow, column = s->editColumn;
  if (m.msg == WM_KEYDOWN &&
      (m.wParam == VK_RETURN || m.wParam == VK_ESCAPE || m.wParam == VK_TAB)) {
    CloseEditor(o, m.wParam != VK_ESCAPE);
    return 1;
  }
  if (m.msg == WM_CHAR) {
    if (m.wParam == '\r' || m.wParam == 27 || m.wParam == '\t') return 1;
    char c = char(m.wParam < 0x100 ? m.wParam : '?');
    StringRef key = StringRef::Adopt(MakeString(std::string_view(&c, 1)));
    return Fire(o, kCellKeyDown, {uint32_t(row), uint32_t(column), Word(key.get())});
  }
  return 0;
}

bool FireKey(TessObject* o, char32_t code) {
  char c = char(code < 0x100 ? code : '?');
  StringRef key = StringRef::Adopt(MakeString(std::string_view(&c, 1)));
  return Fire(o, kKeyDown, {Word(key.get())});
}

void KeyDown(TessObject* o, WPARAM vk) {
  ListBoxFields* f = F(o);
  ListModel& m = f->state->model;
  if (int code = KeyDownCode(vk)) {
    if (FireKey(o, char32_t(code))) return;
  } else {
    return;
  }
  int32_t index = ListIndexOf(m);
  switch (vk) {
    case VK_UP:
      SetSelection(o, std::max(index - 1, 0), false, false);
      break;
    case VK_DOWN:
      SetSelection(o, std::min(index + 1, m.Count() - 1), false, false);
      break;
    case VK_HOME:
      SetSelection(o, 0, false, false);
      break;
    case VK_END:
      SetSelection(o, m.Count() - 1, false, false);
      break;
    case VK_RIGHT:
      if (f->hierarchical) SetExpanded(o, index, true);
      break;
    case VK_LEFT:
      if (f->hierarchical) SetExpanded(o, index, false);
      break;
    default:
      break;
  }
}

void MouseDownOnRow(TessObject* o, int32_t x, int32_t y, bool shift, bool ctrl) {
  ListBoxFields* f = F(o);
  ListState* s = f->state;
  int32_t row = RowAt(o, y);
  int32_t column = ColumnAt(o, x);
  if (!s->model.Valid(row) || column < 0) {
    SetSelection(o, -1, false, false);
    return;
  }
  int32_t left = ColumnLeft(o, column);
  int32_t top = HeadingHeight(o) + (row - f->scrollPosition) * RowHeight(o);
  if (Fire(o, kCellClick, {uint32_t(row), uint32_t(column), uint32_t(x - left), uint32_t(y - top)}))
    return;
  ListRow* r = s->model.Row(row);
  if (!r) return;
  int32_t indent = TextIndent(o, *r, column);
  if (column == 0 && f->hierarchical && r->folder && x - left < indent + 4 &&
      x - left >= indent - kIndent) {
    SetExpanded(o, row, !r->expanded);
    return;
  }
  SetSelection(o, row, shift, ctrl);
  if (!s->model.Valid(row)) return;
  int32_t type = CellType(s->model, row, column);
  if (type == kCellCheckBox) {
    int32_t boxLeft = left + 4 + ContentIndent(o, *s->model.Row(row), column);
    if (x >= boxLeft && x < boxLeft + kCheckSize) {
      {
        Locked hold(s);
        if (ListCell* c = s->model.CellAt(row, column, true)) c->check = !c->check;
      }
      Redraw(o);
      Fire(o, kCellAction, {uint32_t(row), uint32_t(column)});
    }
    return;
  }
  if (type == kCellEditable) {
    OpenEditor(o, row, column);
    return;
  }
  if (f->enableDragReorder || f->enableDrag) {
    s->dragRow = row;
    s->dropAt = -1;
    s->dragMoved = false;
    s->dragStartX = x;
    s->dragStartY = y;
    SetCapture(s->container);
  }
}

// A row dragged out of the list: the DragRow handler fills the item, or
// returns True to keep the row where it is.
void DragRowOut(TessObject* o, int32_t row) {
  ListState* s = F(o)->state;
  if (GetCapture() == s->container) ReleaseCapture();
  s->dragRow = -1;
  s->dropAt = -1;
  s->dragMoved = false;
  Redraw(o);
  RECT client;
  GetClientRect(s->container, &client);
  int32_t top = HeadingHeight(o) + (row - F(o)->scrollPosition) * RowHeight(o);
  ObjectRef keep = ShareObject(o);
  ObjectRef item = ObjectRef::Adopt(controlNewDragItem(o, 0, top, client.right, RowHeight(o)));
  if (!item.get()) return;
  if (!Fire(o, kDragRow, {uint32_t(reinterpret_cast<uintptr_t>(item.get())), uint32_t(row)}))
    DragItemDrag(item.get());
}

// The column whose heading border is under (x, y), -1 for none.
int32_t BorderAt(TessObject* o, int32_t x, int32_t y) {
  ListBoxFields* f = F(o);
  if (!f->columnsResizable || !f->hasHeading || y < 0 || y >= HeadingHeight(o)) return -1;
  return f->state->model.BorderAt(x, -f->scrollPositionX);
}

// A border dragged to x: its column takes the width, the rest follow.
void DragBorder(TessObject* o, int32_t x) {
  ListState* s = F(o)->state;
  if (!s->model.Column(s->resizing)) {
    s->resizing = -1;
    return;
  }
  int32_t width = x - s->resizeGrab - ColumnLeft(o, s->resizing);
  {
    Locked hold(s);
    s->model.ResizeColumn(s->resizing, width, InnerWidth(o));
    s->layoutWidth = InnerWidth(o);
  }
  Changed(o);
}

void MouseDown(TessObject* o, int32_t x, int32_t y, WPARAM keys) {
  ListBoxFields* f = F(o);
  ListState* s = f->state;
  if (s->editor) CloseEditor(o, true);
  if (GetFocus() != s->container) SetFocus(s->container);
  ObjectRef keep = ShareObject(o);
  if (Fire(o, kMouseDown, {uint32_t(x), uint32_t(y)})) {
    s->tracking = true;
    SetCapture(s->container);
    return;
  }
  if (f->hasHeading && y < HeadingHeight(o)) {
    if (int32_t border = BorderAt(o, x, y); border >= 0) {
      s->resizing = border;
      s->resizeGrab = x - (ColumnLeft(o, border) + s->model.Column(border)->actual[0]);
      SetCapture(s->container);
      return;
    }
    int32_t column = ColumnAt(o, x);
    if (column >= 0) PressHeader(o, column);
    return;
  }
  MouseDownOnRow(o, x, y, keys & MK_SHIFT, keys & MK_CONTROL);
}

void MouseMove(TessObject* o, int32_t x, int32_t y) {
  ListState* s = F(o)->state;
  if (s->resizing >= 0) {
    DragBorder(o, x);
    return;
  }
  if (s->tracking) {
    Fire(o, kMouseDrag, {uint32_t(x), uint32_t(y)});
    return;
  }
  if (s->dragRow < 0) return;
  if (F(o)->enableDrag) {
    // Out of the list, or any real move when rows cannot be reordered,
    // the row leaves as a drag item.
    RECT client;
    GetClientRect(s->container, &client);
    bool outside = x < 0 || y < 0 || x >= client.right || y >= client.bottom;
    bool moved = std::abs(x - s->dragStartX) > 4 || std::abs(y - s->dragStartY) > 4;
    if (outside || (!F(o)->enableDragReorder && moved)) {
      DragRowOut(o, s->dragRow);
      return;
    }
  }
  if (!F(o)->enableDragReorder) return;
  int32_t top = HeadingHeight(o);
  int32_t at = F(o)->scrollPosition + (std::max(y - top, 0) + RowHeight(o) / 2) / RowHeight(o);
  at = std::clamp(at, 0, s->model.Count());
  if (at != s->dropAt || !s->dragMoved) {
    s->dropAt = at;
    s->dragMoved = at != s->dragRow && at != s->dragRow + 1;
    Redraw(o);
  }
}

void MouseUp(TessObject* o, int32_t x, int32_t y) {
  ListState* s = F(o)->state;
  if (s->resizing >= 0) {
    DragBorder(o, x);
    s->resizing = -1;
    if (GetCapture() == s->container) ReleaseCapture();
    return;
  }
  if (GetCapture() == s->container) ReleaseCapture();
  if (s->tracking) {
    s->tracking = false;
    Fire(o, kMouseUp, {uint32_t(x), uint32_t(y)});
    return;
  }
  int32_t from = std::exchange(s->dragRow, -1);
  int32_t to = std::exchange(s->dropAt, -1);
  bool moved = std::exchange(s->dragMoved, false);
  if (from < 0 || !moved || !s->model.Valid(from)) {
    Redraw(o);
    return;
  }
  // The position the row takes once it is out of its old place.
  int32_t newPosition = to > from ? to - (s->model.EndOfChildren(from) - from) : to;
  if (!Fire(o, kDragReorderRows, {uint32_t(newPosition)})) {
    Locked hold(s);
    s->model.MoveRow(from, to);
  }
  Changed(o);
}

// A scroll bar's code: rows down the vertical bar, pixels along the
// horizontal one.
void Scroll(TessObject* o, bool sideways, UINT code) {
  ListBoxFields* f = F(o);
  ListState* s = f->state;
  int32_t& pos = sideways ? f->scrollPositionX : f->scrollPosition;
  int32_t line = sideways ? kScrollLineX : 1;
  int32_t page = sideways ? std::max(InnerWidth(o) - kScrollLineX, kScrollLineX) : VisibleRows(o);
  int32_t to = pos;
  switch (code) {
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
    case SB_TOP:
      to = 0;
      break;
    case SB_BOTTOM:
      to = sideways ? s->model.TotalWidth() : s->model.Count();
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
      SendMessage(sideways ? s->hScrollBar : s->scrollBar, SBM_GETSCROLLINFO, 0,
                  reinterpret_cast<LPARAM>(&info));
      to = info.nTrackPos;
      break;
    }
    default:
      return;
  }
  if (s->editor) CloseEditor(o, true);
  pos = to;
  UpdateScroll(o);
  Redraw(o);
}

LRESULT PaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ListState* s = WindowState<ListState>(hwnd, msg, lParam);
  if (!s || !s->list) return DefWindowProc(hwnd, msg, wParam, lParam);
  TessObject* o = s->list;
  int32_t x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(hwnd, &ps);
      ObjectRef keep = ShareObject(o);
      PaintList(o, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SIZE:
      Layout(o);
      UpdateScroll(o);
      PlaceBars(o);
      return 0;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == hwnd && LOWORD(lParam) == HTCLIENT) {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(hwnd, &p);
        if (BorderAt(o, p.x, p.y) >= 0) {
          SetCursor(LoadCursor(nullptr, kSizeCursor));
          return 1;
        }
      }
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_CAPTURECHANGED:
      s->resizing = -1;
      return 0;
    case WM_LBUTTONDOWN:
      MouseDown(o, x, y, wParam);
      return 0;
    case WM_LBUTTONDBLCLK:
      MouseDown(o, x, y, wParam);
      Fire(o, kDoubleClick, {});
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(o, x, y);
      return 0;
    case WM_LBUTTONUP:
      MouseUp(o, x, y);
      return 0;
    case WM_KEYDOWN:
      KeyDown(o, wParam);
      return 0;
    case WM_CHAR:
      if (wParam >= 0x20) FireKey(o, char32_t(wParam));
      return 0;
    case WM_SETFOCUS:
      Fire(o, kGotFocus, {});
      ListFocusChanged(o, true);
      return 0;
    case WM_KILLFOCUS:
      if (reinterpret_cast<HWND>(wParam) != s->editor) {
        Fire(o, kLostFocus, {});
        ListFocusChanged(o, false);
      }
      return 0;
    case WM_VSCROLL:
      if (reinterpret_cast<HWND>(lParam) == s->scrollBar) Scroll(o, false, LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == s->hScrollBar) Scroll(o, true, LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL: {
      // Three lines a notch, as the platform's lists go; with Shift, sideways.
      int delta = short(HIWORD(wParam));
      int lines = 3 * std::max(1, std::abs(delta) / 120);
      bool sideways = (LOWORD(wParam) & MK_SHIFT) != 0;
      for (int i = 0; i < lines; ++i) Scroll(o, sideways, delta > 0 ? SB_LINEUP : SB_LINEDOWN);
      return 0;
    }
    case WM_COMMAND:
      if (s->editor && reinterpret_cast<HWND>(lParam) == s->editor) {
        if (HIWORD(wParam) == EN_CHANGE)
          Fire(o, kCellTextChange, {uint32_t(s->editRow), uint32_t(s->editColumn)});
        else if (HIWORD(wParam) == EN_KILLFOCUS && GetFocus() != s->container)
          CloseEditor(o, true);
      }
      return 0;
    case WM_NOTIFY: {
      auto* h = reinterpret_cast<const re::NMHDR*>(lParam);
      if (h && s->editor && h->hwndFrom == s->editor && h->code == EN_MSGFILTER)
        return EditorFilter(o, *reinterpret_cast<const MSGFILTER*>(lParam));
      return 0;
    }
    case WM_DESTROY:
      s->container = nullptr;
      s->scrollBar = nullptr;
      s->hScrollBar = nullptr;
      s->hShown = false;
      s->editor = nullptr;
      return 0;
    case WM_NCDESTROY:
      SetWindowLong(hwnd, 0, 0);
      return DefWindowProc(hwnd, msg, wParam, lParam);
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// The CreatePane step: the container at the list's rectangle, the scroll
// bar inside it, and the cache of which events have handlers.
uint32_t CreatePane(TessObject* control) {
  if (!IsListBox(control)) return 0;
  ListBoxFields* f = F(control);
  RectControlFields& r = f->rect;
  if (r.control.pane) return 0;
  WindowObject* window = WindowOfInstance(r.control.window);
  if (!window) return 0;
  Pane* pane = EnsurePane(window, control);
  ListState* s = f->state;
  s->handlers = 0;
  for (size_t e = 0; e < kEventCount; ++e)
    if (FindHook(control, static_cast<const EventDescriptor*>(g_events[e].descriptor)))
      s->handlers |= 1u << e;
  s->container =
      CreateWindowEx(0, kPaneClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP,
                     r.left, r.top, r.width, r.height, window->hwnd, nullptr, nullptr, s);
  if (!s->container) return 0;
  pane->native = s->container;
  // Both bars are made whatever the settings, so either can be turned on
  // later; the vertical one shows while ScrollBarVertical is on.
  s->scrollBar = CreateWindowEx(
      0, "SCROLLBAR", "", WS_CHILD | (f->scrollBarVertical ? DWORD(WS_VISIBLE) : 0u) | SBS_VERT,
      r.width - kScrollWidth, 0, kScrollWidth, r.height, s->container, nullptr, nullptr, nullptr);
  // The horizontal one shows while the columns are wider than the pane.
  s->hScrollBar =
      CreateWindowEx(0, "SCROLLBAR", "", WS_CHILD | SBS_HORZ, 0, r.height - kScrollWidth, r.width,
                     kScrollWidth, s->container, nullptr, nullptr, nullptr);
  Layout(control);
  UpdateScroll(control);
  PlaceBars(control);
  return 0;
}

void Release(TessString*& s) {
  UnlockString(s);
  s = nullptr;
}

void Construct(TessObject* o, ClassObject*) {
  ListBoxFields* f = F(o);
  f->state = new ListState;
  f->state->list = o;
  f->state->model.SetColumnCount(1);
  f->sortedColumn = -1;
  f->lastIndex = -1;
  f->scrollBarVertical = 1;
  f->useFocusRing = 1;
  f->columnsResizable = 0;
}

void Destruct(TessObject* o, ClassObject*) {
  ListBindingsGone(o);
  ListBoxFields* f = F(o);
  if (f->state) {
    if (f->state->container && IsWindow(f->state->container)) DestroyWindow(f->state->container);
    delete f->state;
    f->state = nullptr;
  }
  Release(f->textFont);
  Release(f->initialValue);
  Release(f->dataSource);
  Release(f->dataField);
}

}  // namespace

bool IsListBox(TessObject* object) {
  return object && g_listBox && IsA(object, g_listBox) && F(object)->state;
}

ListModel* ListModelOf(TessObject* list) {
  return IsListBox(list) ? &F(list)->state->model : nullptr;
}

}  // namespace tess::ui

// The entry points. Row operations hold the list's lock while they change
// the rows; events fire outside it.
using namespace tess;
using namespace tess::ui;

namespace {

ListState* StateOf(TessObject* o) {
  return IsListBox(o) ? F(o)->state : nullptr;
}

// The cell of (row, column) for a setter under the lock, then a redraw.
template <typename Change>
void ChangeCell(TessObject* o, int32_t row, int32_t column, Change change) {
  ListState* s = StateOf(o);
  if (!s) return;
  {
    Locked hold(s);
    ListCell* c = s->model.CellAt(row, column, true);
    if (!c) return;
    change(*c);
  }
  Redraw(o);
}

template <typename Read>
int32_t ReadCell(TessObject* o, int32_t row, int32_t column, Read read) {
  ListState* s = StateOf(o);
  if (!s) return 0;
  Locked hold(s);
  ListCell* c = s->model.CellAt(row, column, false);
  return c ? read(*c) : 0;
}

// A column's setting for a setter, then layout and redraw.
template <typename Change>
void ChangeColumn(TessObject* o, int32_t index, Change change) {
  ListState* s = StateOf(o);
  if (!s) return;
  ListColumnInfo* c = s->model.Column(index);
  if (!c) return;
  change(*c);
  if (s->container) Layout(o);
  Changed(o);
}

template <typename Read>
int32_t ReadColumn(TessObject* o, int32_t index, Read read) {
  ListState* s = StateOf(o);
  ListColumnInfo* c = s ? s->model.Column(index) : nullptr;
  return c ? read(*c) : 0;
}

int32_t AddRow(TessObject* o, int32_t row, TessString* text, bool folder, bool append) {
  ListState* s = StateOf(o);
  if (!s || ListRowsBound(o)) return -1;
  int32_t at;
  {
    Locked hold(s);
    at = append ? s->model.Append(text, folder) : s->model.Insert(row, text, folder);
  }
  F(o)->lastIndex = at;
  Changed(o);
  return at;
}

// ListColumn: the list it belongs to and its index.
struct ColumnFields {
  ObjectHeader header;
  TessObject* list;  // one reference
  int32_t index;
};

ListColumnInfo* ColumnOf(TessObject* column) {
  if (!column || !g_listColumn || !IsA(column, g_listColumn)) return nullptr;
  ColumnFields* c = FieldsOf<ColumnFields>(column);
  ListState* s = StateOf(c->list);
  return s ? s->model.Column(c->index) : nullptr;
}

void DestructColumn(TessObject* o, ClassObject*) {
  UnlockObject(std::exchange(FieldsOf<ColumnFields>(o)->list, nullptr));
}

constexpr const char* kMinMaxStar[] = {
    nullptr, "MinWidthExpression doesn't support the Asterisk ('*') format.",
    "MaxWidthExpression doesn't support the Asterisk ('*') format."};

void RaiseUnsupported(const std::string& message) {
  ThrowNew(FindClassByName("UnsupportedFormatException"), message.c_str());
}

// Sets one width expression; raises for a form the selector refuses after
// the list is laid out again.
void SetExpression(TessObject* list, int32_t index, uint32_t selector, std::string_view text) {
  ListState* s = StateOf(list);
  ListColumnInfo* c = s ? s->model.Column(index) : nullptr;
  if (!c || selector > 2) return;
  WidthExpression e = ParseWidthExpression(text, selector != 0);
  if (selector != 0 && !text.empty() && e.kind == WidthKind::kRelative)
    RaiseUnsupported(kMinMaxStar[selector]);
  c->expression[selector] = std::string(text);
  // A width set from code replaces what the user dragged.
  if (selector == 0) c->userWidth = -1;
  Layout(list);
  Changed(list);
  if (e.kind == WidthKind::kError)
    RaiseUnsupported("Unrecognized expression '" + std::string(text) + "'");
}

std::string ColumnWidths(ListModel& m) {
  std::string out;
  for (size_t i = 0; i < m.columns.size(); ++i) {
    if (i) out += ',';
    out += m.columns[i].expression[0];
  }
  return out;
}

// InitialValue: rows separated by CR, LF or CR LF; cells by Tab.
void ApplyInitialValue(TessObject* o, std::string_view text) {
  for (const std::string& line : SplitLines(text, size_t(-1))) {
    std::string_view rest = line;
    size_t tab = rest.find('\t');
    StringRef first = StringRef::Adopt(MakeString(rest.substr(0, tab)));
    int32_t row = AddRow(o, 0, first.get(), false, true);
    for (int32_t column = 1; tab != std::string_view::npos && row >= 0; ++column) {
      rest.remove_prefix(tab + 1);
      tab = rest.find('\t');
      StringRef cell = StringRef::Adopt(MakeString(rest.substr(0, tab)));
      Locked hold(StateOf(o));
      StateOf(o)->model.SetText(row, column, cell.get());
    }
  }
}

void InitialValueSetter(TessObject* o, uint32_t, TessString* text) {
  if (!IsListBox(o)) return;
  RuntimeLockUnlockStrings(text, F(o)->initialValue);
  F(o)->initialValue = text;
  ApplyInitialValue(o, View(text));
}

TessString* StringOf(TessString* s) {
  return s ? Share(s) : MakeString("");
}

void SetStringField(TessString*& field, TessString* value) {
  RuntimeLockUnlockStrings(value, field);
  field = value;
}

// Dragged widths count only while the columns are resizable.
void ColumnsResizableSetter(TessObject* o, uint32_t, int32_t v) {
  if (!IsListBox(o)) return;
  F(o)->columnsResizable = v & 0xFF;
  Layout(o);
  Changed(o);
}

void ApplyFont(TessObject* o) {
  ListState* s = StateOf(o);
  if (!s || !s->container) return;
  Changed(o);
}

#define OFFSET(field) uint32_t(offsetof(ListBoxFields, field))
const PropertyRecord kProperties[] = {
    {0, "TextFont", &kStringType, (void*)&listTextFontGetter, (void*)&listTextFontSetter, 0},
    {0, "TextSize", &kIntegerType, (void*)&listTextSizeGetter, (void*)&listTextSizeSetter, 0},
    {0, "Bold", &kBooleanType, (void*)&listBoldGetter, (void*)&listBoldSetter, 0},
    {0, "Italic", &kBooleanType, (void*)&listItalicGetter, (void*)&listItalicSetter, 0},
    {0, "Underline", &kBooleanType, (void*)&listUnderlineGetter, (void*)&listUnderlineSetter, 0},
    {0, "ListCount", &kIntegerType, (void*)&listCountGetter, nullptr, 0},
    {0, "ListIndex", &kIntegerType, (void*)&listSelectionGetter, (void*)&listSelectionSetter, 0},
    {0, "Text", &kStringType, (void*)&listTextGetter, (void*)&listTextSetter, 0},
    {0, "ColumnCount", &kIntegerType, (void*)&listColumnCountGetter, (void*)&listColumnCountSetter,
     0},
    {0, "ColumnWidths", &kStringType, (void*)&listColumnWidthsGetter,
     (void*)&listColumnWidthsSetter, 0},
    {0, "Hierarchical", &kBooleanType, (void*)&boolGetter, (void*)&listHierarchicalSetter,
     OFFSET(hierarchical)},
    {0, "LastIndex", &kIntegerType, (void*)&listLastIndexGetter, nullptr, 0},
    {0, "EnableDrag", &kBooleanType, (void*)&boolGetter, (void*)&listEnableDragSetter,
     OFFSET(enableDrag)},
    {0, "EnableDragReorder", &kBooleanType, (void*)&boolGetter, (void*)&ListEnableDragReorderSetter,
     OFFSET(enableDragReorder)},
    {0, "SelectionType", &kIntegerType, (void*)&intGetter, (void*)&intSetter,
     OFFSET(selectionType)},
    {0, "SelCount", &kIntegerType, (void*)&listSelCountGetter, nullptr, 0},
    {0, "InitialValue", &kStringType, (void*)&stringGetter, (void*)&InitialValueSetter,
     OFFSET(initialValue)},
    {0, "HasHeading", &kBooleanType, (void*)&boolGetter, (void*)&listHasHeadingSetter,
     OFFSET(hasHeading)},
    {0, "UseFocusRing", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter,
     OFFSET(useFocusRing)},
    {0, "HeadingIndex", &kIntegerType, (void*)&listSortedColumnGetter,
     (void*)&listHeadingIndexSetter, 0},
    {0, "ScrollPosition", &kIntegerType, (void*)&listScrollPositionGetter,
     (void*)&listScrollPositionSetter, 0},
    {0, "ScrollPositionX", &kIntegerType, (void*)&listScrollPositionXGetter,
     (void*)&listScrollPositionXSetter, 0},
    {0, "ScrollBarHorizontal", &kBooleanType, (void*)&boolGetter, (void*)&listHScrollBarSetter,
     OFFSET(scrollBarHorizontal)},
    {0, "ScrollBarVertical", &kBooleanType, (void*)&boolGetter, (void*)&listVScrollBarSetter,
     OFFSET(scrollBarVertical)},
    {0, "DataSource", &kStringType, (void*)&ListboxDataSourceGetter,
     (void*)&ListboxDataSourceSetter, 0},
    {0, "DataField", &kStringType, (void*)&stringGetter, (void*)&ListboxDataFieldSetter,
     OFFSET(dataField)},
    {0, "GridLinesHorizontal", &kIntegerType, (void*)&intGetter, (void*)&listHGridLinesSetter,
     OFFSET(gridLinesHorizontal)},
    {0, "GridLinesVertical", &kIntegerType, (void*)&intGetter, (void*)&listVGridLinesSetter,
     OFFSET(gridLinesVertical)},
    {0, "DefaultRowHeight", &kIntegerType, (void*)&intGetter, (void*)&listDefaultRowHeightSetter,
     OFFSET(defaultRowHeight)},
    {0, "ActiveCell", nullptr, (void*)&listActiveCellGetter, nullptr, 0},
    {0, "SortedColumn", &kIntegerType, (void*)&listSortedColumnGetter,
     (void*)&listSortedColumnSetter, 0},
    {0, "ColumnsResizable", &kBooleanType, (void*)&boolGetter, (void*)&ColumnsResizableSetter,
     OFFSET(columnsResizable)},
};
#undef OFFSET

const ParameterRecord kText[] = {{"Text", &kStringType, {}}};
const ParameterRecord kRowText[] = {{"row", &kIntegerType, {}}, {"str", &kStringType, {}}};
const ParameterRecord kIndex[] = {{"Index", &kIntegerType, {}}};
const ParameterRecord kV[] = {{"v", &kIntegerType, {}}};
const ParameterRecord kRowCol[] = {{"row", &kIntegerType, {}}, {"column", &kIntegerType, {}}};
const ParameterRecord kStr[] = {{"Str", &kStringType, {}}};
const ParameterRecord kReceiver[] = {{"receiver", nullptr, {}}};

#define M(name, type, params, get, set)                    \
  {                                                        \
    name, type, params, std::size(params), {(void*)get}, { \
      (void*)set                                           \
    }                                                      \
  }
#define M0(name, fn)                           \
  {                                            \
    name, nullptr, nullptr, 0, {(void*)fn}, {} \
  }
const MethodRecord kMethods[] = {
    M0("DeleteAllRows", &RuntimeListEmpty),
    M("AddRow", nullptr, kText, &RuntimeListAddRow, nullptr),
    M("InsertRow", nullptr, kRowText, &RuntimeListInsertRow, nullptr),
    M("AddFolder", nullptr, kText, &RuntimeListAddParent, nullptr),
    M("InsertFolder", nullptr, kRowText, &RuntimeListInsertParent, nullptr),
    M("RemoveRow", nullptr, kIndex, &RuntimeRemoveRow, nullptr),
    M("List", &kStringType, kIndex, &RuntimeGetRow, &RuntimeSetRow),
    M("Cell", &kStringType, kRowCol, &listGetCell, &listSetCell),
    M("CellBold", &kBooleanType, kRowCol, &listGetCellBold, &listSetCellBold),
    M("CellItalic", &kBooleanType, kRowCol, &listGetCellItalic, &listSetCellItalic),
    M("CellUnderline", &kBooleanType, kRowCol, &listGetCellUnderline, &listSetCellUnderline),
    M("RowPicture", nullptr, kIndex, &listGetRowPicture, &listSetRowPicture),
    M("Selected", &kBooleanType, kV, &listGetSelected, &listSetSelected),
    M("Expanded", &kBooleanType, kV, &listGetExpanded, &listSetExpanded),
    M("Heading", &kStringType, kIndex, &listGetHeading, &listSetHeading),
    M("CellCheck", &kBooleanType, kRowCol, &listCellCheckGetter, &listCellCheckSetter),
    M("CellType", &kIntegerType, kRowCol, &listCellTypeGetter, &listCellTypeSetter),
    M("ColumnType", &kIntegerType, kIndex, &listColumnTypeGetter, &listColumnTypeSetter),
    M("CellAlignment", &kIntegerType, kRowCol, &listCellAlignmentGetter, &listCellAlignmentSetter),
    M("ColumnAlignment", &kIntegerType, kIndex, &listColumnAlignmentGetter,
      &listColumnAlignmentSetter),
    M("CellAlignmentOffset", &kIntegerType, kRowCol, &listCellAlignmentOffsetGetter,
      &listCellAlignmentOffsetSetter),
    M("ColumnAlignmentOffset", &kIntegerType, kIndex, &listColumnAlignmentOffsetGetter,
      &listColumnAlignmentOffsetSetter),
    M("CellBorderTop", &kIntegerType, kRowCol, &listGetCellBorderTop, &listSetCellBorderTop),
    M("CellBorderLeft", &kIntegerType, kRowCol, &listGetCellBorderLeft, &listSetCellBorderLeft),
    M("CellBorderBottom", &kIntegerType, kRowCol, &listGetCellBorderBottom,
      &listSetCellBorderBottom),
    M("CellBorderRight", &kIntegerType, kRowCol, &listGetCellBorderRight, &listSetCellBorderRight),
    M("EditCell", nullptr, kRowCol, &listEditCell, nullptr),
    M("ColumnSortDirection", &kIntegerType, kIndex, &listColumnSortDirectionGetter,
      &listColumnSortDirectionSetter),
    M0("Sort", &RuntimeListResort),
    M("Column", nullptr, kIndex, &listColumnGetter, &listColumnSetter),
    M("PressHeader", nullptr, kV, &listColumnPressHeader, nullptr),
    M("getBoundPart", nullptr, kStr, &listGetBoundPart, nullptr),
    M("addListSelectionNotificationReceiver", nullptr, kReceiver, &listAddLSNR, nullptr),
    M("removeListSelectionNotificationReceiver", nullptr, kReceiver, &listRemoveLSNR, nullptr),
    M("BindList", nullptr, kReceiver, &ListBindList, nullptr),
    M("listDataInsertedRow", nullptr, kV, &ListDataInsertedRow, nullptr),
    M("listDataRemovedRow", nullptr, kV, &ListDataRemovedRow, nullptr),
    M0("listDataReload", &ListDataReload),
};
#undef M
#undef M0

const PropertyRecord kColumnProperties[] = {
    {0, "UserResizable", &kBooleanType, (void*)&listColUserResizableGetter,
     (void*)&listColUserResizableSetter, 0},
    {0, "WidthExpression", &kStringType, (void*)&listColWidthExpressionGetter,
     (void*)&listColWidthExpressionSetter, 0},
    {0, "MinWidthExpression", &kStringType, (void*)&listColWidthExpressionGetter,
     (void*)&listColWidthExpressionSetter, 1},
    {0, "MaxWidthExpression", &kStringType, (void*)&listColWidthExpressionGetter,
     (void*)&listColWidthExpressionSetter, 2},
    {0, "WidthActual", &kIntegerType, (void*)&listColWidthActualGetter,
     (void*)&listColWidthActualSetter, 0},
    {0, "MinWidthActual", &kIntegerType, (void*)&listColWidthActualGetter,
     (void*)&listColWidthActualSetter, 1},
    {0, "MaxWidthActual", &kIntegerType, (void*)&listColWidthActualGetter,
     (void*)&listColWidthActualSetter, 2},
};

}  // namespace

namespace tess::ui {

void InitListBox() {
  if (g_listBox) return;
  FrameworkClassDef def{};
  def.name = "Listbox";
  def.superclass = RectControlClass();
  def.instanceSize = kListBoxInstanceSize;
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  def.events = g_events;
  g_listBox = BuildFrameworkClass(def);
  // The class makes its own pane: a hook of the class itself for the
  // CreatePane step, found before any subclass's.
  g_listBox->hooks = new HookDescriptor{g_listBox->hooks, MakeString("CreatePane"), 0,
                                        reinterpret_cast<void*>(&CreatePane)};
  InitListBinding(g_listBox);

  FrameworkClassDef column{};
  column.name = "ListColumn";
  column.instanceSize = int32_t(sizeof(ColumnFields));
  column.destruct = &DestructColumn;
  column.properties = kColumnProperties;
  g_listColumn = BuildFrameworkClass(column);

  WNDCLASS wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &PaneProc;
  wc.cbWndExtra = 4;
  wc.lpszClassName = kPaneClass;
  RegisterClass(&wc);
}

}  // namespace tess::ui

extern "C" {

// Rows.
void RuntimeListEmpty(TessObject* list) {
  ListState* s = StateOf(list);
  if (!s || ListRowsBound(list)) return;
  CloseEditor(list, false);
  {
    Locked hold(s);
    s->model.Clear();
  }
  F(list)->scrollPosition = 0;
  Changed(list);
}
void RuntimeListAddRow(TessObject* list, TessString* text) {
  AddRow(list, 0, text, false, true);
}
void RuntimeListAddParent(TessObject* list, TessString* text) {
  AddRow(list, 0, text, true, true);
}
void RuntimeListInsertRow(TessObject* list, int32_t row, TessString* text) {
  AddRow(list, row, text, false, false);
}
void RuntimeListInsertParent(TessObject* list, int32_t row, TessString* text) {
  AddRow(list, row, text, true, false);
}
void RuntimeRemoveRow(TessObject* list, int32_t row) {
  ListState* s = StateOf(list);
  if (!s || ListRowsBound(list)) return;
  if (s->editRow >= row) CloseEditor(list, false);
  {
    Locked hold(s);
    if (!s->model.Remove(row)) return;
  }
  Changed(list);
}
TessString* RuntimeGetRow(TessObject* list, int32_t row) {
  ListState* s = StateOf(list);
  if (!s) return MakeString("");
  Locked hold(s);
  return s->model.Text(row, 0);
}
void RuntimeSetRow(TessObject* list, int32_t row, TessString* text) {
  listSetCell(list, row, 0, text);
}
void RuntimeListResort(TessObject* list) {
  if (StateOf(list)) SortRows(list);
}

// Cells.
TessString* listGetCell(TessObject* list, int32_t row, int32_t column) {
  ListState* s = StateOf(list);
  if (!s) return MakeString("");
  Locked hold(s);
  return s->model.Text(row, column);
}
void listSetCell(TessObject* list, int32_t row, int32_t column, TessString* text) {
  ListState* s = StateOf(list);
  if (!s) return;
  {
    Locked hold(s);
    if (!s->model.SetText(row, column, text)) return;
  }
  Redraw(list);
}
int32_t listGetCellBold(TessObject* l, int32_t row, int32_t column) {
  return ReadCell(l, row, column, [](ListCell& c) { return int32_t(c.bold); });
}
void listSetCellBold(TessObject* l, int32_t row, int32_t column, int32_t v) {
  ChangeCell(l, row, column, [v](ListCell& c) { c.bold = v & 0xFF; });
}
int32_t listGetCellItalic(TessObject* l, int32_t row, int32_t column) {
  return ReadCell(l, row, column, [](ListCell& c) { return int32_t(c.italic); });
}
void listSetCellItalic(TessObject* l, int32_t row, int32_t column, int32_t v) {
  ChangeCell(l, row, column, [v](ListCell& c) { c.italic = v & 0xFF; });
}
int32_t listGetCellUnderline(TessObject* l, int32_t row, int32_t column) {
  return ReadCell(l, row, column, [](ListCell& c) { return int32_t(c.underline); });
}
void listSetCellUnderline(TessObject* l, int32_t row, int32_t column, int32_t v) {
  ChangeCell(l, row, column, [v](ListCell& c) { c.underline = v & 0xFF; });
}
int32_t listCellCheckGetter(TessObject* l, int32_t row, int32_t column) {
  return ReadCell(l, row, column, [](ListCell& c) { return int32_t(c.check); });
}
void listCellCheckSetter(TessObject* l, int32_t row, int32_t column, int32_t v) {
  ChangeCell(l, row, column, [v](ListCell& c) { c.check = v & 0xFF; });
}
int32_t listCellTypeGetter(TessObject* l, int32_t row, int32_t column) {
  return ReadCell(l, row, column, [](ListCell& c) { return c.type; });
}
void listCellTypeSetter(TessObject* l, int32_t row, int32_t column, int32_t v) {
  if (v < kCellDefault || v > kCellEditable) return;
  ChangeCell(l, row, column, [v](ListCell& c) { c.type = v; });
}
int32_t listCellAlignmentGetter(TessObject* l, int32_t row, int32_t column) {
  return ReadCell(l, row, column, [](ListCell& c) { return c.alignment; });
}
void listCellAlignmentSetter(TessObject* l, int32_t row, int32_t column, int32_t v) {
  if (v < kAlignDefault || v > kAlignRight) return;
  ChangeCell(l, row, column, [v](ListCell& c) { c.alignment = v; });
}
int32_t listCellAlignmentOffsetGetter(TessObject* l, int32_t row, int32_t column) {
  return ReadCell(l, row, column, [](ListCell& c) { return c.alignmentOffset; });
}
void listCellAlignmentOffsetSetter(TessObject* l, int32_t row, int32_t column, int32_t v) {
  ChangeCell(l, row, column, [v](ListCell& c) { c.alignmentOffset = v; });
}
#define BORDER(Side, i)                                                                 \
  int32_t listGetCellBorder##Side(TessObject* l, int32_t row, int32_t column) {         \
    return ReadCell(l, row, column, [](ListCell& c) { return c.border[i]; });           \
  }                                                                                     \
  void listSetCellBorder##Side(TessObject* l, int32_t row, int32_t column, int32_t v) { \
    if (v < 0 || v > 3) return;                                                         \
    ChangeCell(l, row, column, [v](ListCell& c) { c.border[i] = v; });                  \
  }
BORDER(Top, 0)
BORDER(Left, 1)
BORDER(Bottom, 2)
BORDER(Right, 3)
#undef BORDER

// Rows' flags.
TessObject* listGetRowPicture(TessObject* l, int32_t row) {
  ListState* s = StateOf(l);
  if (!s) return nullptr;
  Locked hold(s);
  ListRow* r = s->model.Row(row);
  if (!r || !r->picture.get()) return nullptr;
  LockObject(r->picture.get());
  return r->picture.get();
}
void listSetRowPicture(TessObject* l, int32_t row, TessObject* picture) {
  ListState* s = StateOf(l);
  if (!s) return;
  {
    // The row keeps its own reference: the picture lives as long as the
    // row shows it, whatever the application drops.
    Locked hold(s);
    ListRow* r = s->model.Row(row);
    if (!r) return;
    r->picture = ShareObject(picture);
  }
  Redraw(l);
}
int32_t listGetSelected(TessObject* l, int32_t row) {
  ListState* s = StateOf(l);
  ListRow* r = s ? s->model.Row(row) : nullptr;
  return r && r->selected;
}
void listSetSelected(TessObject* l, int32_t row, int32_t v) {
  ListState* s = StateOf(l);
  ListRow* r = s ? s->model.Row(row) : nullptr;
  if (!r || r->selected == bool(v & 0xFF)) return;
  if (F(l)->selectionType != 1 && (v & 0xFF)) {
    SetSelection(l, row, false, false);
    return;
  }
  ListSelectionChanging(l);
  r = s->model.Row(row);
  if (!r) return;
  r->selected = v & 0xFF;
  Redraw(l);
  ListSelectionChanged(l);
  Fire(l, kChange, {});
}
int32_t listGetExpanded(TessObject* l, int32_t row) {
  ListState* s = StateOf(l);
  ListRow* r = s ? s->model.Row(row) : nullptr;
  return r && r->expanded;
}
void listSetExpanded(TessObject* l, int32_t row, int32_t v) {
  if (StateOf(l) && F(l)->hierarchical) SetExpanded(l, row, v & 0xFF);
}
TessString* listGetHeading(TessObject* l, int32_t index) {
  ListState* s = StateOf(l);
  ListColumnInfo* c = s ? s->model.Column(index) : nullptr;
  return StringOf(c ? c->heading.get() : nullptr);
}
void listSetHeading(TessObject* l, int32_t index, TessString* text) {
  ListState* s = StateOf(l);
  if (!s) return;
  if (index == -1) {
    // -1 sets every heading from one text, Tab between them.
    std::string_view rest = View(text);
    for (int32_t i = 0; i < int32_t(s->model.columns.size()); ++i) {
      size_t tab = rest.find('\t');
      if (ListColumnInfo* c = s->model.Column(i))
        c->heading = StringRef::Adopt(MakeString(rest.substr(0, tab)));
      if (tab == std::string_view::npos) break;
      rest.remove_prefix(tab + 1);
    }
  } else if (ListColumnInfo* c = s->model.Column(index)) {
    c->heading = StringRef::Adopt(Share(text));
  }
  Redraw(l);
}

// Columns.
int32_t listColumnTypeGetter(TessObject* l, int32_t index) {
  return ReadColumn(l, index, [](ListColumnInfo& c) { return c.type; });
}
void listColumnTypeSetter(TessObject* l, int32_t index, int32_t v) {
  if (v < kCellNormal || v > kCellEditable) return;
  ChangeColumn(l, index, [v](ListColumnInfo& c) { c.type = v; });
}
int32_t listColumnAlignmentGetter(TessObject* l, int32_t index) {
  return ReadColumn(l, index, [](ListColumnInfo& c) { return c.alignment; });
}
void listColumnAlignmentSetter(TessObject* l, int32_t index, int32_t v) {
  if (v < kAlignDefault || v > kAlignRight) return;
  ChangeColumn(l, index, [v](ListColumnInfo& c) { c.alignment = v; });
}
int32_t listColumnAlignmentOffsetGetter(TessObject* l, int32_t index) {
  return ReadColumn(l, index, [](ListColumnInfo& c) { return c.alignmentOffset; });
}
void listColumnAlignmentOffsetSetter(TessObject* l, int32_t index, int32_t v) {
  ChangeColumn(l, index, [v](ListColumnInfo& c) { c.alignmentOffset = v; });
}
int32_t listColumnSortDirectionGetter(TessObject* l, int32_t index) {
  return ReadColumn(l, index, [](ListColumnInfo& c) { return c.sortDirection; });
}
void listColumnSortDirectionSetter(TessObject* l, int32_t index, int32_t v) {
  ChangeColumn(l, index, [v](ListColumnInfo& c) {
    c.sortDirection = v < 0 ? kSortDescending : kSortAscending;
  });
}
void listColumnPressHeader(TessObject* l, int32_t column) {
  if (StateOf(l)) PressHeader(l, column);
}
TessObject* listColumnGetter(TessObject* l, int32_t index) {
  ListState* s = StateOf(l);
  if (!s || !s->model.Column(index)) return nullptr;
  TessObject* column = CreateObject(g_listColumn);
  ColumnFields* c = FieldsOf<ColumnFields>(column);
  c->list = ShareObject(l).Release();
  c->index = index;
  return column;
}
void listColumnSetter(TessObject* l, int32_t index, TessObject* from) {
  ListColumnInfo* source = ColumnOf(from);
  if (!source) return;
  std::string expressions[3] = {source->expression[0], source->expression[1],
                                source->expression[2]};
  bool resizable = source->resizable;
  ChangeColumn(l, index, [&](ListColumnInfo& c) {
    for (int i = 0; i < 3; ++i) c.expression[i] = expressions[i];
    c.resizable = resizable;
  });
}
int32_t listColUserResizableGetter(TessObject* column, uint32_t) {
  ListColumnInfo* c = ColumnOf(column);
  return c && c->resizable;
}
void listColUserResizableSetter(TessObject* column, uint32_t, int32_t v) {
  if (ListColumnInfo* c = ColumnOf(column)) c->resizable = v & 0xFF;
}
TessString* listColWidthExpressionGetter(TessObject* column, uint32_t selector) {
  ListColumnInfo* c = ColumnOf(column);
  return MakeString(c && selector <= 2 ? c->expression[selector] : std::string());
}
void listColWidthExpressionSetter(TessObject* column, uint32_t selector, TessString* text) {
  AtEntry([&] {
    if (!ColumnOf(column)) return;
    ColumnFields* c = FieldsOf<ColumnFields>(column);
    SetExpression(c->list, c->index, selector, View(text));
  });
}
int32_t listColWidthActualGetter(TessObject* column, uint32_t selector) {
  ListColumnInfo* c = ColumnOf(column);
  return c && selector <= 2 ? c->actual[selector] : 0;
}
void listColWidthActualSetter(TessObject* column, uint32_t selector, int32_t v) {
  ListColumnInfo* c = ColumnOf(column);
  if (!c) return;
  // The actual widths set from code are absolute expressions.
  ColumnFields* f = FieldsOf<ColumnFields>(column);
  SetExpression(f->list, f->index, selector, std::to_string(std::max(v, 0)));
}

// The list's settings.
TessString* listTextFontGetter(TessObject* l, uint32_t) {
  return StringOf(StateOf(l) ? F(l)->textFont : nullptr);
}
void listTextFontSetter(TessObject* l, uint32_t, TessString* v) {
  if (!StateOf(l)) return;
  SetStringField(F(l)->textFont, v);
  ApplyFont(l);
}
int32_t listTextSizeGetter(TessObject* l, uint32_t) {
  return StateOf(l) ? F(l)->textSize : 0;
}
void listTextSizeSetter(TessObject* l, uint32_t, int32_t v) {
  if (!StateOf(l)) return;
  F(l)->textSize = std::clamp(v, 0, 512);
  ApplyFont(l);
}
#define FLAG(Name, field)                                       \
  int32_t list##Name##Getter(TessObject* l, uint32_t) {         \
    return StateOf(l) ? F(l)->field : 0;                        \
  }                                                             \
  void list##Name##Setter(TessObject* l, uint32_t, int32_t v) { \
    if (!StateOf(l)) return;                                    \
    F(l)->field = v & 0xFF;                                     \
    ApplyFont(l);                                               \
  }
FLAG(Bold, bold)
FLAG(Italic, italic)
FLAG(Underline, underline)
#undef FLAG
int32_t listCountGetter(TessObject* l, uint32_t) {
  ListState* s = StateOf(l);
  return s ? s->model.Count() : 0;
}
int32_t listSelectionGetter(TessObject* l, uint32_t) {
  ListState* s = StateOf(l);
  return s ? ListIndexOf(s->model) : -1;
}
void listSelectionSetter(TessObject* l, uint32_t, int32_t v) {
  if (StateOf(l)) SetSelection(l, v, false, false);
}
TessString* listTextGetter(TessObject* l, uint32_t) {
  ListState* s = StateOf(l);
  if (!s) return MakeString("");
  Locked hold(s);
  return s->model.Text(ListIndexOf(s->model), 0);
}
void listTextSetter(TessObject* l, uint32_t, TessString* text) {
  // Selects the first row whose first cell reads `text`.
  ListState* s = StateOf(l);
  if (!s) return;
  for (int32_t i = 0; i < s->model.Count(); ++i) {
    ListCell* c = s->model.CellAt(i, 0, false);
    if (c && c->text.get() && RuntimeStringCompare(c->text.get(), text) == 0) {
      SetSelection(l, i, false, false);
      return;
    }
  }
}
int32_t listColumnCountGetter(TessObject* l, uint32_t) {
  ListState* s = StateOf(l);
  return s ? int32_t(s->model.columns.size()) : 0;
}
void listColumnCountSetter(TessObject* l, uint32_t, int32_t v) {
  ListState* s = StateOf(l);
  if (!s) return;
  s->model.SetColumnCount(v);
  Layout(l);
  Changed(l);
}
TessString* listColumnWidthsGetter(TessObject* l, uint32_t) {
  ListState* s = StateOf(l);
  return MakeString(s ? ColumnWidths(s->model) : std::string());
}
void listColumnWidthsSetter(TessObject* l, uint32_t, TessString* text) {
  AtEntry([&] {
    ListState* s = StateOf(l);
    if (!s) return;
    std::string_view rest = View(text);
    std::string bad;
    for (size_t i = 0; i < s->model.columns.size(); ++i) {
      size_t comma = i + 1 == s->model.columns.size() ? std::string_view::npos : rest.find(',');
      std::string_view part = rest.substr(0, comma);
      if (ParseWidthExpression(part).kind == WidthKind::kError && bad.empty()) bad = part;
      s->model.columns[i].expression[0] = std::string(part);
      s->model.columns[i].userWidth = -1;
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    Layout(l);
    Changed(l);
    if (!bad.empty()) RaiseUnsupported("Unrecognized expression '" + bad + "'");
  });
}
int32_t listLastIndexGetter(TessObject* l, uint32_t) {
  return StateOf(l) ? F(l)->lastIndex : -1;
}
int32_t listSelCountGetter(TessObject* l, uint32_t) {
  ListState* s = StateOf(l);
  return s ? s->model.SelectedCount() : 0;
}
#define REDRAWN(Name, field)                      \
  void Name(TessObject* l, uint32_t, int32_t v) { \
    if (!StateOf(l)) return;                      \
    F(l)->field = v;                              \
    Changed(l);                                   \
  }
REDRAWN(listHGridLinesSetter, gridLinesHorizontal)
REDRAWN(listVGridLinesSetter, gridLinesVertical)
REDRAWN(listDefaultRowHeightSetter, defaultRowHeight)
#undef REDRAWN
#define FLAGGED(Name, field)                      \
  void Name(TessObject* l, uint32_t, int32_t v) { \
    if (!StateOf(l)) return;                      \
    F(l)->field = v & 0xFF;                       \
    Changed(l);                                   \
  }
FLAGGED(listHScrollBarSetter, scrollBarHorizontal)
FLAGGED(listHierarchicalSetter, hierarchical)
FLAGGED(listHasHeadingSetter, hasHeading)
FLAGGED(listEnableDragSetter, enableDrag)
FLAGGED(ListEnableDragReorderSetter, enableDragReorder)
#undef FLAGGED
void listVScrollBarSetter(TessObject* l, uint32_t, int32_t v) {
  ListState* s = StateOf(l);
  if (!s) return;
  F(l)->scrollBarVertical = v & 0xFF;
  if (s->scrollBar) ShowWindow(s->scrollBar, F(l)->scrollBarVertical ? SW_SHOW : SW_HIDE);
  if (s->container) {
    Layout(l);
    PlaceBars(l);
  }
  Changed(l);
}
int32_t listScrollPositionGetter(TessObject* l, uint32_t) {
  return StateOf(l) ? F(l)->scrollPosition : 0;
}
void listScrollPositionSetter(TessObject* l, uint32_t, int32_t v) {
  if (!StateOf(l)) return;
  F(l)->scrollPosition = std::max(v, 0);
  Changed(l);
}
int32_t listScrollPositionXGetter(TessObject* l, uint32_t) {
  return StateOf(l) ? F(l)->scrollPositionX : 0;
}
void listScrollPositionXSetter(TessObject* l, uint32_t, int32_t v) {
  if (!StateOf(l)) return;
  F(l)->scrollPositionX = std::max(v, 0);
  Changed(l);
}
int32_t listSortedColumnGetter(TessObject* l, uint32_t) {
  return StateOf(l) ? F(l)->sortedColumn : -1;
}
void listSortedColumnSetter(TessObject* l, uint32_t, int32_t v) {
  if (!StateOf(l)) return;
  F(l)->sortedColumn = StateOf(l)->model.Column(v) ? v : -1;
  Redraw(l);
}
void listHeadingIndexSetter(TessObject* l, uint32_t p, int32_t v) {
  listSortedColumnSetter(l, p, v);
}
TessString* ListboxDataSourceGetter(TessObject* l, uint32_t) {
  return StringOf(StateOf(l) ? F(l)->dataSource : nullptr);
}
void ListboxDataSourceSetter(TessObject* l, uint32_t, TessString* v) {
  if (StateOf(l)) SetStringField(F(l)->dataSource, v);
}
void ListboxDataFieldSetter(TessObject* l, uint32_t, TessString* v) {
  if (StateOf(l)) SetStringField(F(l)->dataField, v);
}

// Editing.
void listEditCell(TessObject* l, int32_t row, int32_t column) {
  if (StateOf(l)) OpenEditor(l, row, column);
}
TessObject* listActiveCellGetter(TessObject* l, uint32_t) {
  ListState* s = StateOf(l);
  if (!s || !s->editor) return nullptr;
  if (!s->activeCell.get()) {
    ClassObject* cls = FindClassByName("EditField");
    if (!cls) return nullptr;
    s->activeCell = ObjectRef::Adopt(CreateObject(cls));
  }
  // A snapshot of the edited text: the field has no control of its own.
  if (EditFieldFields* ef = EditFieldOf(s->activeCell.get())) {
    StringRef text = StringRef::Adopt(NativeText(s->editor));
    RuntimeLockUnlockStrings(text.get(), ef->text);
    ef->text = text.get();
  }
  LockObject(s->activeCell.get());
  return s->activeCell.get();
}

}  // extern "C"
