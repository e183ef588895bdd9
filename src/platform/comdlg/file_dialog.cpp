// The open, save and folder dialogs: one window class whose parts (path box,
// Up button, list, name field, type box, buttons) are drawn and hit-tested
// here, so the dialog needs no child controls and looks the same headless
// and on a display.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/comdlg/commdlg.h"
#include "platform/comdlg/modal.h"
#include "platform/gdi/wingdi.h"
#include "platform/kernel/file_system.h"
#include "platform/user/automation.h"
#include "platform/user/classic_look.h"
#include "platform/user/desktop.h"
#include "platform/user/message_box.h"
#include "platform/user/messages.h"
#include "platform/user/window_internal.h"

namespace tess::platform {

struct ITEMIDLIST {
  std::string path;
};

namespace {

thread_local DWORD t_error = 0;

constexpr char kClassName[] = "#32770 FileDialog";
constexpr int kWidth = 440, kMargin = 10, kRow = 18, kListRows = 9, kField = 21, kButtonW = 80,
              kButtonH = 23, kLabelW = 78;

enum class Mode { kOpen, kSave, kFolder };
enum Part { kNoPart = -1, kName, kList, kType, kOk, kCancel, kUp, kPartCount };

struct Filter {
  std::string text;
  std::vector<std::string> patterns;
};

struct Entry {
  std::string name;
  bool folder = false;
};

struct Dialog {
  Mode mode = Mode::kOpen;
  DWORD flags = 0;
  std::string title, prompt, okLabel, cancelLabel, defExt;
  std::vector<Filter> filters;
  size_t filter = 0;
  std::string typedPattern;  // a pattern typed into the name field wins over the filter
  std::string folder;        // empty: the list of drives
  std::vector<Entry> entries;
  int selected = -1, top = 0;
  std::string name;
  size_t caret = 0;
  int focus = kName;
  comdlg::ButtonPress pressed;
  RECT parts[kPartCount]{};
  RECT pathBox{}, promptBox{};
  int nameLabelY = 0, typeLabelY = 0;
  bool done = false, accepted = false;
  std::string result;
};

Dialog* DialogOf(HWND hwnd) {
  return reinterpret_cast<Dialog*>(GetWindowLong(hwnd, 0));
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Matches a name against one pattern as the platform does: * and ?, without
// regard to case; "*.*" also matches names without a dot.
bool Matches(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> SplitPatterns(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view one = text.substr(start, end - start);
    while (!one.empty() && one.front() == ' ') one.remove_prefix(1);
    while (!one.empty() && one.back() == ' ') one.remove_suffix(1);
    if (!one.empty()) out.emplace_back(one);
    start = end + 1;
  }
  return out;
}

// The filter pairs of lpstrFilter, which ends at an empty text.
std::vector<Filter> ReadFilters(const char* pairs) {
  std::vector<Filter> out;
  if (pairs) {
    for (const char* p = pairs; *p;) {
      Filter f;
      f.text = p;
      p += f.text.size() + 1;
      if (!*p) break;
      f.patterns = SplitPatterns(p);
      p += std::strlen(p) + 1;
      out.push_back(std::move(f));
    }
  }
  if (out.empty()) out.push_back({"All Files (*.*)", {"*.*"}});
  return out;
}

bool HasWildcard(std::string_view s) {
  return s.find_first_of("*?") != std::string_view::npos;
}

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty() || folder.back() == '\\') return folder + std::string(name);
  return folder + "\\" + std::string(name);
}

size_t NameStart(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? (path.size() > 1 && path[1] == ':' ? 2 : 0) : slash + 1;
}

// A typed name, full or relative to the folder shown; false when invalid.
bool Resolve(const Dialog& d, const std::string& typed, std::string* full) {
  bool absolute = typed[0] == '\\' || typed[0] == '/' || (typed.size() > 1 && typed[1] == ':');
  if (!absolute && d.folder.empty()) return false;
  return GetFullPathName(absolute ? typed : Join(d.folder, typed), full);
}

std::string LastName(const std::string& path) {
  return path.substr(NameStart(path));
}

void Relist(Dialog& d) {
  d.entries.clear();
  if (d.folder.empty()) {
    for (const std::string& root : GetLogicalDriveStrings()) d.entries.push_back({root, true});
  } else {
    std::vector<FileInfo> infos;
    ListDirectory(d.folder, &infos);
    std::vector<std::string> patterns =
        d.typedPattern.empty() ? d.filters[d.filter].patterns : SplitPatterns(d.typedPattern);
    for (const FileInfo& info : infos) {
      if (info.attributes & FILE_ATTRIBUTE_HIDDEN) continue;
      bool folder = info.attributes & FILE_ATTRIBUTE_DIRECTORY;
      if (!folder) {
        if (d.mode == Mode::kFolder) continue;
        bool shown = false;
        for (const std::string& p : patterns) shown = shown || Matches(p, info.name);
        if (!shown) continue;
      }
      d.entries.push_back({info.name, folder});
    }
    std::sort(d.entries.begin(), d.entries.end(), [](const Entry& a, const Entry& b) {
      if (a.folder != b.folder) return a.folder;
      return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(),
                                          b.name.end(),
                                          [](char x, char y) { return Lower(x) < Lower(y); });
    });
  }
  d.selected = -1;
  d.top = 0;
}

void GoTo(Dialog& d, const std::string& folder) {
  std::string previous = d.folder;
  d.folder = folder;
  Relist(d);
  // Going up leaves the folder just left selected, as a user expects.
  if (!previous.empty() && previous.size() > folder.size()) {
    std::string left =
        folder.empty() ? previous + (previous.back() == '\\' ? "" : "\\") : LastName(previous);
    for (size_t i = 0; i < d.entries.size(); ++i)
      if (d.entries[i].name == left) d.selected = int(i);
  }
}

void GoUp(Dialog& d) {
  if (d.folder.empty()) return;
  size_t start = NameStart(d.folder);
  if (d.folder.size() <= 3) {
    GoTo(d, "");  // a drive's root: the drives
    return;
  }
  std::string parent = d.folder.substr(0, start);
  if (parent.size() > 3 && parent.back() == '\\') parent.pop_back();
  GoTo(d, parent);
}

void ScrollIntoView(Dialog& d) {
  if (d.selected < 0) return;
  if (d.selected < d.top) d.top = d.selected;
  if (d.selected >= d.top + kListRows) d.top = d.selected - kListRows + 1;
}

void Select(Dialog& d, int index) {
  if (d.entries.empty()) return;
  d.selected = std::clamp(index, 0, int(d.entries.size()) - 1);
  ScrollIntoView(d);
  const Entry& e = d.entries[size_t(d.selected)];
  // Choosing a file in the list names it; in the folder chooser a folder.
  if (!e.folder || d.mode == Mode::kFolder) {
    d.name = e.name;
    d.caret = d.name.size();
  }
}

int Ask(HWND hwnd, const Dialog& d, const std::string& text, UINT type) {
  return MessageBox(hwnd, text, d.title, type);
}

// The first answer stands: keys still queued after it change nothing.
void Finish(Dialog& d, const std::string& result) {
  if (d.done) return;
  d.result = result;
  d.accepted = true;
  d.done = true;
}

void OpenEntry(HWND hwnd, Dialog& d, int index);

// The action button: what the name field says, else the list's selection.
void Accept(HWND hwnd, Dialog& d) {
  std::string typed = d.name;
  while (!typed.empty() && typed.back() == ' ') typed.pop_back();
  while (!typed.empty() && typed.front() == ' ') typed.erase(0, 1);
  if (typed.empty()) {
    if (d.selected >= 0 && d.entries[size_t(d.selected)].folder && d.mode != Mode::kFolder) {
      OpenEntry(hwnd, d, d.selected);
    } else if (d.mode == Mode::kFolder && !d.folder.empty()) {
      Finish(d, d.folder);
    }
    return;
  }
  if (d.mode != Mode::kFolder && HasWildcard(typed)) {
    d.typedPattern = typed;
    Relist(d);
    return;
  }
  std::string path;
  if (!Resolve(d, typed, &path)) {
    Ask(hwnd, d, typed + "\nThe file name is not valid.", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (IsFolder(path)) {
    if (d.mode == Mode::kFolder) {
      Finish(d, path);
      return;
    }
    GoTo(d, path);
    d.name.clear();
    d.caret = 0;
    return;
  }
  if (d.mode == Mode::kFolder) {
    Ask(hwnd, d, path + "\nThe folder does not exist.", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  std::string name = LastName(path);
  if (d.mode == Mode::kSave && !d.defExt.empty() && name.find('.') == std::string::npos) {
    path += "." + d.defExt;
    name = LastName(path);
  }
  std::string parent = path.substr(0, NameStart(path));
  if ((d.flags & OFN_PATHMUSTEXIST) && !IsFolder(parent)) {
    Ask(hwnd, d, path + "\nPath does not exist.\nCheck the path and try again.",
        MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  DWORD attributes = GetFileAttributes(path);
  bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (d.mode == Mode::kOpen && (d.flags & OFN_FILEMUSTEXIST) && !exists) {
    Ask(hwnd, d, name + "\nFile not found.\nCheck the file name and try again.",
        MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (d.mode == Mode::kSave && exists) {
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      Ask(hwnd, d, name + "\nThis file is set to read-only.\nTry again with a different file name.",
          MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if ((d.flags & OFN_OVERWRITEPROMPT) &&
        Ask(hwnd, d, name + " already exists.\nDo you want to replace it?",
            MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
      return;
  }
  Finish(d, path);
}

void OpenEntry(HWND hwnd, Dialog& d, int index) {
  if (index < 0 || size_t(index) >= d.entries.size()) return;
  const Entry& e = d.entries[size_t(index)];
  if (e.folder) {
    GoTo(d, d.folder.empty() ? e.name : Join(d.folder, e.name));
    d.name.clear();
    d.caret = 0;
  } else {
    d.name = e.name;
    d.caret = d.name.size();
    Accept(hwnd, d);
  }
}

void Cancel(Dialog& d) {
  if (d.done) return;
  d.accepted = false;
  d.done = true;
}

// ---- Layout and painting

void Layout(Dialog& d, int* height) {
  int y = kMargin;
  if (!d.prompt.empty()) {
    d.promptBox = {kMargin, y, kWidth - kMargin, y + 28};
    y += 32;
  }
  d.pathBox = {kMargin + 60, y, kWidth - kMargin - 30, y + kField};
  d.parts[kUp] = {kWidth - kMargin - 24, y - 1, kWidth - kMargin, y + kField + 1};
  y += kField + 8;
  d.parts[kList] = {kMargin, y, kWidth - kMargin, y + kListRows * kRow + 4};
  y = d.parts[kList].bottom + 10;
  int fieldRight = kWidth - kMargin - kButtonW - 10;
  d.nameLabelY = y + 4;
  d.parts[kName] = {kMargin + kLabelW, y, fieldRight, y + kField};
  d.parts[kOk] = {kWidth - kMargin - kButtonW, y - 1, kWidth - kMargin, y - 1 + kButtonH};
  y += kButtonH + 8;
  d.typeLabelY = y + 4;
  d.parts[kType] =
      d.mode == Mode::kFolder ? RECT{} : RECT{kMargin + kLabelW, y, fieldRight, y + kField};
  d.parts[kCancel] = {kWidth - kMargin - kButtonW, y - 1, kWidth - kMargin, y - 1 + kButtonH};
  *height = y + kButtonH + kMargin;
}

void SunkenBox(HDC dc, RECT r, bool enabled = true) {
  DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillRect(dc, &r, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
}

void Glyph(HDC dc, int x, int y, bool folder) {
  HPEN pen = CreatePen(PS_SOLID, 1, folder ? RGB(128, 128, 0) : RGB(96, 96, 96));
  HBRUSH brush = CreateSolidBrush(folder ? RGB(255, 224, 112) : RGB(255, 255, 255));
  HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, brush);
  if (folder) {
    Rectangle(dc, x, y + 3, x + 7, y + 6);
    Rectangle(dc, x, y + 5, x + 15, y + 14);
  } else {
    const POINT page[] = {
        {x + 2, y + 1}, {x + 9, y + 1}, {x + 13, y + 5}, {x + 13, y + 15}, {x + 2, y + 15}};
    Polygon(dc, page, 5);
    MoveToEx(dc, x + 9, y + 1, nullptr);
    LineTo(dc, x + 9, y + 5);
    LineTo(dc, x + 13, y + 5);
  }
  SelectObject(dc, op);
  SelectObject(dc, ob);
  DeleteObject(pen);
  DeleteObject(brush);
}

void PushButton(HDC dc, const Dialog& d, Part part, const std::string& label, bool isDefault) {
  DrawDialogButton(dc, d.parts[part], label, isDefault, d.pressed.Down(part), d.focus == part);
}

void Label(HDC dc, int x, int y, const char* text) {
  RECT r{x, y, x + kLabelW, y + 16};
  DrawText(dc, text, -1, &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
}

void TextIn(HDC dc, RECT r, const std::string& text) {
  r.left += 3;
  DrawText(dc, text.data(), int(text.size()), &r,
           DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void Paint(HWND hwnd, Dialog& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  if (!d.prompt.empty()) {
    RECT p = d.promptBox;
    DrawText(dc, d.prompt.data(), int(d.prompt.size()), &p, DT_WORDBREAK | DT_NOPREFIX);
  }
  Label(dc, kMargin, d.pathBox.top + 4, d.mode == Mode::kSave ? "Save in:" : "Look in:");
  SunkenBox(dc, d.pathBox);
  TextIn(dc, d.pathBox, d.folder.empty() ? std::string("My Computer") : d.folder);
  RECT up = d.parts[kUp];
  DrawFrameControl(dc, &up, DFC_SCROLL,
                   DFCS_SCROLLUP | (d.pressed.Down(kUp) ? UINT(DFCS_PUSHED) : 0u) |
                       (d.folder.empty() ? UINT(DFCS_INACTIVE) : 0u));

  RECT list = d.parts[kList];
  SunkenBox(dc, list);
  InflateRect(&list, -2, -2);
  HRGN clip = CreateRectRgn(list.left, list.top, list.right, list.bottom);
  SelectClipRgn(dc, clip);
  for (int row = 0; row < kListRows && d.top + row < int(d.entries.size()); ++row) {
    int index = d.top + row;
    const Entry& e = d.entries[size_t(index)];
    RECT r{list.left, list.top + row * kRow, list.right, list.top + (row + 1) * kRow};
    Glyph(dc, r.left + 2, r.top + 1, e.folder);
    RECT text{r.left + 20, r.top, r.right, r.bottom};
    SIZE extent{};
    GetTextExtentPoint32(dc, e.name.data(), int(e.name.size()), &extent);
    text.right = std::min<LONG>(r.right, text.left + extent.cx + 4);
    if (index == d.selected) {
      bool focused = d.focus == kList;
      FillRect(dc, &text, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      if (focused) DrawFocusRect(dc, &text);
    }
    RECT label = text;
    label.left += 2;
    DrawText(dc, e.name.data(), int(e.name.size()), &label,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  }
  if (d.entries.empty() && d.focus == kList) {
    RECT f{list.left, list.top, list.right, list.top + kRow};
    DrawFocusRect(dc, &f);
  }
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);

  Label(dc, kMargin, d.nameLabelY, d.mode == Mode::kFolder ? "Folder:" : "File name:");
  SunkenBox(dc, d.parts[kName]);
  TextIn(dc, d.parts[kName], d.name);
  if (d.focus == kName) {
    SIZE before{};
    GetTextExtentPoint32(dc, d.name.data(), int(d.caret), &before);
    int x = d.parts[kName].left + 5 + before.cx;
    if (x < d.parts[kName].right - 2) {
      RECT caret{x, d.parts[kName].top + 4, x + 1, d.parts[kName].bottom - 4};
      FillRect(dc, &caret, GetStockObject(BLACK_BRUSH));
    }
  }
  if (d.mode != Mode::kFolder) {
    Label(dc, kMargin, d.typeLabelY, "Files of type:");
    RECT type = d.parts[kType];
    SunkenBox(dc, type);
    RECT arrow{type.right - 18, type.top + 2, type.right - 2, type.bottom - 2};
    DrawFrameControl(dc, &arrow, DFC_SCROLL, DFCS_SCROLLDOWN);
    RECT text{type.left + 2, type.top + 2, arrow.left - 1, type.bottom - 2};
    std::string shown = d.typedPattern.empty() ? d.filters[d.filter].text : d.typedPattern;
    if (d.focus == kType) {
      FillRect(dc, &text, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    TextIn(dc, text, shown);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  }
  bool cancelFocused = d.focus == kCancel;
  PushButton(dc, d, kOk, d.okLabel, !cancelFocused);
  PushButton(dc, d, kCancel, d.cancelLabel, cancelFocused);
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

// ---- Input

int PartAt(const Dialog& d, POINT p) {
  for (int i = 0; i < kPartCount; ++i)
    if (PtInRect(&d.parts[i], p)) return i;
  return kNoPart;
}

int RowAt(const Dialog& d, POINT p) {
  int row = (p.y - d.parts[kList].top - 2) / kRow;
  int index = d.top + row;
  return row >= 0 && row < kListRows && index < int(d.entries.size()) ? index : -1;
}

std::vector<int> FocusOrder(const Dialog& d) {
  if (d.mode == Mode::kFolder) return {kName, kList, kOk, kCancel};
  return {kName, kList, kType, kOk, kCancel};
}

void MoveFocus(Dialog& d, bool back) {
  std::vector<int> order = FocusOrder(d);
  auto at = std::find(order.begin(), order.end(), d.focus);
  size_t i = at == order.end() ? 0 : size_t(at - order.begin());
  d.focus = order[(i + (back ? order.size() - 1 : 1)) % order.size()];
  if (d.focus == kList && d.selected < 0 && !d.entries.empty()) Select(d, 0);
}

void ChangeFilter(Dialog& d, int step) {
  d.typedPattern.clear();
  int n = int(d.filters.size());
  d.filter = size_t((int(d.filter) + step % n + n) % n);
  Relist(d);
}

void Press(HWND hwnd, Dialog& d, int part) {
  if (part == kOk) Accept(hwnd, d);
  if (part == kCancel) Cancel(d);
  if (part == kUp) GoUp(d);
}

void KeyDown(HWND hwnd, Dialog& d, WPARAM key) {
  bool shift = GetKeyState(VK_SHIFT) < 0;
  switch (key) {
    case VK_TAB:
      MoveFocus(d, shift);
      return;
    case VK_ESCAPE:
      Cancel(d);
      return;
    case VK_RETURN:
      // In the list Enter opens what is selected; the folder chooser takes
      // a selected folder as its answer instead.
      if (d.focus == kList && d.selected >= 0 &&
          !(d.mode == Mode::kFolder && d.entries[size_t(d.selected)].folder))
        OpenEntry(hwnd, d, d.selected);
      else
        Press(hwnd, d, d.focus == kCancel ? kCancel : kOk);
      return;
    case VK_SPACE:
      if (d.focus == kOk || d.focus == kCancel) Press(hwnd, d, d.focus);
      return;
    default:
      break;
  }
  if (d.focus == kList) {
    int page = kListRows - 1;
    switch (key) {
      case VK_UP:
        Select(d, d.selected - 1);
        break;
      case VK_DOWN:
        Select(d, d.selected + 1);
        break;
      case VK_HOME:
        Select(d, 0);
        break;
      case VK_END:
        Select(d, int(d.entries.size()) - 1);
        break;
      case VK_PRIOR:
        Select(d, d.selected - page);
        break;
      case VK_NEXT:
        Select(d, std::max(d.selected, 0) + page);
        break;
      case VK_BACK:
        GoUp(d);
        break;
      default:
        break;
    }
  } else if (d.focus == kType) {
    if (key == VK_UP) ChangeFilter(d, -1);
    if (key == VK_DOWN) ChangeFilter(d, 1);
  } else if (d.focus == kName) {
    switch (key) {
      case VK_LEFT:
        if (d.caret > 0) --d.caret;
        break;
      case VK_RIGHT:
        if (d.caret < d.name.size()) ++d.caret;
        break;
      case VK_HOME:
        d.caret = 0;
        break;
      case VK_END:
        d.caret = d.name.size();
        break;
      case VK_DELETE:
        if (d.caret < d.name.size()) d.name.erase(d.caret, 1);
        break;
      default:
        break;
    }
  }
}

void Char(Dialog& d, WPARAM ch) {
  if (d.focus == kName) {
    if (ch == '\b') {
      if (d.caret > 0) d.name.erase(--d.caret, 1);
    } else if (ch >= 32 && ch != 127 && d.name.size() < 1024) {
      d.name.insert(d.caret++, 1, char(ch));
    }
  } else if (d.focus == kList && ch > 32) {
    // Typing in the list goes to the next name starting with that letter.
    int n = int(d.entries.size());
    for (int i = 1; i <= n; ++i) {
      int index = (std::max(d.selected, 0) + i) % n;
      if (!d.entries[size_t(index)].name.empty() &&
          Lower(d.entries[size_t(index)].name[0]) == Lower(char(ch))) {
        Select(d, index);
        break;
      }
    }
  }
}

LRESULT DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Dialog* d = DialogOf(hwnd);
  if (!d) return DefWindowProc(hwnd, msg, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd, *d);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int part = PartAt(*d, p);
      if (part == kList) {
        d->focus = kList;
        int row = RowAt(*d, p);
        if (row >= 0) {
          Select(*d, row);
          if (msg == WM_LBUTTONDBLCLK) OpenEntry(hwnd, *d, row);
        }
      } else if (part == kName) {
        d->focus = kName;
        d->caret = d->name.size();
      } else if (part == kType) {
        d->focus = kType;
        ChangeFilter(*d, 1);
      } else if (part == kOk || part == kCancel || part == kUp) {
        if (part != kUp) d->focus = part;
        d->pressed.Press(hwnd, part);
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE:
      d->pressed.Move(hwnd, PartAt(*d, p));
      return 0;
    case WM_LBUTTONUP:
      if (int part = d->pressed.Release(hwnd, PartAt(*d, p)); part != kNoPart)
        Press(hwnd, *d, part);
      return 0;
    case WM_MOUSEWHEEL: {
      int rows = -int(short(HIWORD(wParam))) / 120 * 3;
      int most = std::max(0, int(d->entries.size()) - kListRows);
      d->top = std::clamp(d->top + rows, 0, most);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_KEYDOWN:
      KeyDown(hwnd, *d, wParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CHAR:
      Char(*d, wParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CLOSE:
      Cancel(*d);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

struct Request {
  HWND owner = nullptr;
  int x = -1, y = -1;
  LPOFNHOOKPROC hook = nullptr;
  LPARAM hookParam = 0;
};

// Shows the dialog and runs its modal loop until it is answered.
void Run(Dialog& d, const Request& request) {
  comdlg::ModalRequest modal;
  modal.className = kClassName;
  modal.proc = DialogProc;
  modal.title = d.title;
  modal.width = kWidth;
  Layout(d, &modal.height);
  modal.owner = request.owner;
  modal.x = request.x;
  modal.y = request.y;
  modal.hook = request.hook;
  modal.hookParam = request.hookParam;
  modal.data = &d;
  modal.done = [&d] { return d.done; };
  modal.cancel = [&d] { Cancel(d); };
  if (!comdlg::RunModal(modal)) t_error = CDERR_INITIALIZATION;
}

BOOL FileDialog(OPENFILENAMEA* ofn, Mode mode) {
  t_error = 0;
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEA)) {
    t_error = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
    t_error = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  Dialog d;
  d.mode = mode;
  d.flags = ofn->Flags;
  d.title = ofn->lpstrTitle && *ofn->lpstrTitle ? ofn->lpstrTitle
            : mode == Mode::kSave               ? "Save As"
                                                : "Open";
  d.okLabel = ofn->lpstrOkLabel && *ofn->lpstrOkLabel ? ofn->lpstrOkLabel
              : mode == Mode::kSave                   ? "Save"
                                                      : "Open";
  d.cancelLabel =
      ofn->lpstrCancelLabel && *ofn->lpstrCancelLabel ? ofn->lpstrCancelLabel : "Cancel";
  d.defExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
  if (!d.defExt.empty() && d.defExt[0] == '.') d.defExt.erase(0, 1);
  d.filters = ReadFilters(ofn->lpstrFilter);
  d.filter =
      ofn->nFilterIndex >= 1 && ofn->nFilterIndex <= d.filters.size() ? ofn->nFilterIndex - 1 : 0;

  // The first folder: the one asked for, else the one the given name lies
  // in, else the current one.
  std::string given(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
  std::string start, full;
  if (ofn->lpstrInitialDir && GetFullPathName(ofn->lpstrInitialDir, &full) && IsFolder(full))
    start = full;
  size_t nameAt = NameStart(given);
  if (nameAt > 0 && GetFullPathName(given.substr(0, nameAt), &full) && IsFolder(full)) {
    if (start.empty()) start = full;
    given.erase(0, nameAt);
  }
  if (start.empty()) start = GetCurrentDirectory();
  d.folder = start;
  d.name = given;
  d.caret = d.name.size();
  Relist(d);

  Request request;
  request.owner = ofn->hwndOwner;
  request.x = ofn->x;
  request.y = ofn->y;
  if (ofn->Flags & OFN_ENABLEHOOK) request.hook = ofn->lpfnHook;
  request.hookParam = reinterpret_cast<LPARAM>(ofn);
  Run(d, request);
  if (!d.accepted) return FALSE;

  if (d.result.size() + 1 > ofn->nMaxFile) {
    // As the platform does: the size needed in the first two bytes.
    t_error = FNERR_BUFFERTOOSMALL;
    if (ofn->nMaxFile >= 2) {
      size_t need = d.result.size() + 1;
      ofn->lpstrFile[0] = char(need & 0xFF);
      ofn->lpstrFile[1] = char(need >> 8 & 0xFF);
    }
    return FALSE;
  }
  std::memcpy(ofn->lpstrFile, d.result.c_str(), d.result.size() + 1);
  size_t at = NameStart(d.result);
  ofn->nFileOffset = WORD(at);
  size_t dot = d.result.rfind('.');
  ofn->nFileExtension = WORD(dot != std::string::npos && dot > at ? dot + 1 : 0);
  ofn->nFilterIndex = DWORD(d.filter + 1);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    std::string title = d.result.substr(at);
    size_t n = std::min<size_t>(title.size(), ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.data(), n);
    ofn->lpstrFileTitle[n] = '\0';
  }
  return TRUE;
}

}  // namespace

BOOL GetOpenFileName(OPENFILENAMEA* ofn) {
  return FileDialog(ofn, Mode::kOpen);
}

BOOL GetSaveFileName(OPENFILENAMEA* ofn) {
  return FileDialog(ofn, Mode::kSave);
}

DWORD CommDlgExtendedError() {
  return t_error;
}

void comdlg::SetExtendedError(DWORD error) {
  t_error = error;
}

ITEMIDLIST* SHBrowseForFolder(BROWSEINFOA* info) {
  t_error = 0;
  if (!info) return nullptr;
  Dialog d;
  d.mode = Mode::kFolder;
  d.title = info->lpszCaption && *info->lpszCaption ? info->lpszCaption : "Browse for Folder";
  d.prompt = info->lpszTitle ? info->lpszTitle : "";
  d.okLabel = info->lpszOkLabel && *info->lpszOkLabel ? info->lpszOkLabel : "OK";
  d.cancelLabel =
      info->lpszCancelLabel && *info->lpszCancelLabel ? info->lpszCancelLabel : "Cancel";
  d.filters = ReadFilters(nullptr);
  std::string full;
  d.folder = info->pszInitialDir && GetFullPathName(info->pszInitialDir, &full) && IsFolder(full)
                 ? full
                 : GetCurrentDirectory();
  Relist(d);
  Request request;
  request.owner = info->hwndOwner;
  request.x = info->x;
  request.y = info->y;
  request.hook = info->lpfnHook;
  request.hookParam = reinterpret_cast<LPARAM>(info);
  Run(d, request);
  if (!d.accepted) return nullptr;
  if (info->pszDisplayName) {
    std::string name = d.result.size() <= 3 ? d.result : LastName(d.result);
    size_t n = std::min<size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(info->pszDisplayName, name.data(), n);
    info->pszDisplayName[n] = '\0';
  }
  return new ITEMIDLIST{d.result};
}

BOOL SHGetPathFromIDList(const ITEMIDLIST* list, char* path) {
  if (!list || !path || list->path.size() >= MAX_PATH) return FALSE;
  std::memcpy(path, list->path.c_str(), list->path.size() + 1);
  return TRUE;
}

void CoTaskMemFree(void* memory) {
  // Only item lists are handed out to be freed this way.
  delete static_cast<ITEMIDLIST*>(memory);
}

}  // namespace tess::platform
