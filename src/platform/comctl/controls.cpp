// Registration of the control classes, what they share, and the keyboard
// navigation of a window holding them.
#include <algorithm>
#include <string>

#include "platform/comctl/commctrl.h"
#include "platform/comctl/controls_internal.h"

namespace tess::platform {

namespace comctl {

void NotifyParent(HWND control, UINT code) {
  HWND parent = GetParent(control);
  if (!parent || parent == GetDesktopWindow()) return;
  WPARAM id = WPARAM(uint16_t(GetWindowLong(control, GWL_ID)));
  SendMessage(parent, WM_COMMAND, id | (WPARAM(code & 0xFFFF) << 16),
              reinterpret_cast<LPARAM>(control));
}

HBRUSH ControlBrush(HWND control, HDC dc, UINT message) {
  HWND parent = GetParent(control);
  LRESULT brush = parent ? SendMessage(parent, message, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(control))
                         : 0;
  if (!brush) {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
  }
  return reinterpret_cast<HBRUSH>(brush);
}

namespace {

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

bool Usable(HWND hwnd) {
  return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd);
}

LRESULT CodeOf(HWND hwnd, const MSG* msg = nullptr) {
  return SendMessage(hwnd, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg));
}

bool IsRadioButton(HWND hwnd) {
  return CodeOf(hwnd) & DLGC_RADIOBUTTON;
}

}  // namespace

std::vector<HWND> GroupOf(HWND control) {
  std::vector<HWND> all = Children(GetParent(control));
  auto at = std::find(all.begin(), all.end(), control);
  if (at == all.end()) return {control};
  auto first = at;
  while (first != all.begin() && !(GetWindowLong(*first, GWL_STYLE) & WS_GROUP)) --first;
  auto last = at + 1;
  while (last != all.end() && !(GetWindowLong(*last, GWL_STYLE) & WS_GROUP)) ++last;
  return std::vector<HWND>(first, last);
}

bool RegisterControlClass(const char* name, WNDPROC proc, UINT style) {
  WNDCLASS wc{};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = 4;
  wc.lpszClassName = name;
  return RegisterClass(&wc) != 0;
}

}  // namespace comctl

using namespace comctl;

BOOL InitCommonControls() {
  static const bool done = RegisterButtonClass() && RegisterStaticClass() &&
                           RegisterComboClasses() && RegisterScrollBarClass() &&
                           RegisterTrackBarClass() && RegisterProgressClass() && RegisterTabClass();
  return done;
}

char MnemonicOf(HWND control) {
  std::string text = GetWindowTextString(control);
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    char c = text[++i];
    if (c == '&') continue;
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
  }
  return 0;
}

HWND GetDlgItem(HWND dialog, int id) {
  for (HWND c : Children(dialog))
    if (GetWindowLong(c, GWL_ID) == id) return c;
  return nullptr;
}

namespace {

// The controls Tab visits, in order: children of a control parent (a
// container window marked WS_EX_CONTROLPARENT) take its place in the order.
void AppendTabOrder(HWND parent, std::vector<HWND>* out) {
  for (HWND c : Children(parent)) {
    if (GetWindowLong(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) {
      if (GetWindowLong(c, GWL_STYLE) & WS_TABSTOP) out->push_back(c);
      if (IsWindowVisible(c)) AppendTabOrder(c, out);
    } else {
      out->push_back(c);
    }
  }
}

}  // namespace

HWND GetNextDlgTabItem(HWND dialog, HWND from, BOOL previous) {
  std::vector<HWND> all;
  AppendTabOrder(dialog, &all);
  if (all.empty()) return nullptr;
  if (previous) std::reverse(all.begin(), all.end());
  auto at = std::find(all.begin(), all.end(), from);
  size_t start = at == all.end() ? all.size() - 1 : size_t(at - all.begin());
  // A radio group is one stop: Tab leaves it whole.
  std::vector<HWND> fromGroup;
  if (at != all.end() && IsRadioButton(from)) fromGroup = GroupOf(from);
  for (size_t step = 1; step <= all.size(); ++step) {
    HWND c = all[(start + step) % all.size()];
    if (!Usable(c) || !(GetWindowLong(c, GWL_STYLE) & WS_TABSTOP)) continue;
    if (c != from && std::find(fromGroup.begin(), fromGroup.end(), c) != fromGroup.end()) continue;
    // Into a radio group, the focus goes to its checked member.
    if (IsRadioButton(c))
      for (HWND m : GroupOf(c))
        if (Usable(m) && IsRadioButton(m) && SendMessage(m, BM_GETCHECK, 0, 0) == BST_CHECKED)
          return m;
    return c;
  }
  return nullptr;
}

namespace {

// Alt with the mnemonic of a button clicks it (pushes, toggles, selects);
// other controls' mnemonics are left to the window.
BOOL OfferMnemonic(HWND dialog, const MSG& msg) {
  if (GetKeyState(VK_CONTROL) < 0) return FALSE;
  char key = char(msg.wParam);
  if (!((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))) return FALSE;
  for (HWND c : Children(dialog)) {
    if (!Usable(c) || MnemonicOf(c) != key) continue;
    LRESULT code = CodeOf(c);
    if (!(code & DLGC_BUTTON)) continue;
    if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) SetFocus(c);
    SendMessage(c, BM_CLICK, 0, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
  if (!msg || !dialog) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_SYSKEYDOWN) return OfferMnemonic(dialog, *msg);
  if (msg->message != WM_KEYDOWN) return FALSE;
  HWND focus = msg->hwnd;
  LRESULT code = focus != dialog ? CodeOf(focus, msg) : 0;
  if (code & DLGC_WANTALLKEYS) return FALSE;
  switch (int(msg->wParam)) {
    case VK_TAB: {
      if ((code & DLGC_WANTTAB) || GetKeyState(VK_CONTROL) < 0) return FALSE;
      HWND next =
          GetNextDlgTabItem(dialog, focus == dialog ? nullptr : focus, GetKeyState(VK_SHIFT) < 0);
      if (!next) return FALSE;
      SetFocus(next);
      return TRUE;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
      if ((code & DLGC_WANTARROWS) || !(code & DLGC_RADIOBUTTON)) return FALSE;
      std::vector<HWND> group;
      for (HWND m : GroupOf(focus))
        if (m == focus || (Usable(m) && IsRadioButton(m))) group.push_back(m);
      if (group.size() < 2) return TRUE;
      bool back = msg->wParam == WPARAM(VK_LEFT) || msg->wParam == WPARAM(VK_UP);
      size_t at = size_t(std::find(group.begin(), group.end(), focus) - group.begin());
      HWND next = group[(at + (back ? group.size() - 1 : 1)) % group.size()];
      SetFocus(next);
      if (GetFocus() == next) SendMessage(next, BM_CLICK, 0, 0);
      return TRUE;
    }
    case VK_RETURN:
      for (HWND c : Children(dialog))
        if (Usable(c) && (CodeOf(c) & DLGC_DEFPUSHBUTTON)) {
          SendMessage(c, BM_CLICK, 0, 0);
          return TRUE;
        }
      return FALSE;
    case VK_ESCAPE:
      if (HWND c = GetDlgItem(dialog, IDCANCEL); c && Usable(c) && (CodeOf(c) & DLGC_BUTTON)) {
        SendMessage(c, BM_CLICK, 0, 0);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace tess::platform
