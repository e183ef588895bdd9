// Menus: the menu and item calls, the bar in a window's non-client area,
// and tracking with the mouse and the keyboard, compared as whole message
// sequences; TrackPopupMenu with and without TPM_RETURNCMD.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/message_log.h"
#include "platform/user/automation.h"
#include "platform/user/desktop.h"
#include "platform/user/input.h"

namespace tess::test {
namespace {

enum : UINT {
  kNew = 101,
  kOpen = 102,
  kExit = 103,
  kRecentOne = 111,
  kRecentTwo = 112,
  kUndo = 201,
  kCut = 202,
  kCopy = 203,
  kStatusBar = 301,
  kToolbar = 302,
};

// File: New, Open, -, Recent > (one.txt, two.txt), -, Exit
// Edit: Undo (grayed), -, Cut, Copy
// View: Status Bar (checked), Toolbar
struct Bar {
  HMENU bar, file, recent, edit, view;
};
Bar BuildBar() {
  Bar b;
  b.bar = CreateMenu();
  b.file = CreatePopupMenu();
  b.recent = CreatePopupMenu();
  b.edit = CreatePopupMenu();
  b.view = CreatePopupMenu();
  AppendMenuA(b.recent, MF_STRING, kRecentOne, "&one.txt");
  AppendMenuA(b.recent, MF_STRING, kRecentTwo, "&two.txt");
  AppendMenuA(b.file, MF_STRING, kNew, "&New\tCtrl+N");
  AppendMenuA(b.file, MF_STRING, kOpen, "&Open...\tCtrl+O");
  AppendMenuA(b.file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(b.file, MF_POPUP, UINT_PTR(b.recent), "&Recent");
  AppendMenuA(b.file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(b.file, MF_STRING, kExit, "E&xit");
  AppendMenuA(b.edit, MF_STRING | MF_GRAYED, kUndo, "&Undo\tCtrl+Z");
  AppendMenuA(b.edit, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(b.edit, MF_STRING, kCut, "Cu&t\tCtrl+X");
  AppendMenuA(b.edit, MF_STRING, kCopy, "&Copy\tCtrl+C");
  AppendMenuA(b.view, MF_STRING | MF_CHECKED, kStatusBar, "&Status Bar");
  AppendMenuA(b.view, MF_STRING, kToolbar, "&Toolbar");
  AppendMenuA(b.bar, MF_POPUP, UINT_PTR(b.file), "&File");
  AppendMenuA(b.bar, MF_POPUP, UINT_PTR(b.edit), "&Edit");
  AppendMenuA(b.bar, MF_POPUP, UINT_PTR(b.view), "&View");
  return b;
}

std::vector<UINT> g_commands;
LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  MessageLog::Get().Record(hwnd, msg, w, l);
  if (msg == WM_COMMAND) g_commands.push_back(LOWORD(w));
  return DefWindowProc(hwnd, msg, w, l);
}

Expected Sent(const char* w, UINT m, WPARAM wp, LPARAM lp) {
  return {w, m, kSent | kWParam | kLParam, wp, lp};
}
Expected Posted(const char* w, UINT m, WPARAM wp, LPARAM lp) {
  return {w, m, kPosted | kWParam | kLParam, wp, lp};
}
LPARAM L(HMENU m) {
  return reinterpret_cast<LPARAM>(m);
}
WPARAM W(HMENU m) {
  return reinterpret_cast<WPARAM>(m);
}
WPARAM Select(UINT idOrPosition, UINT flags) {
  return MAKELPARAM(idOrPosition, flags);
}
constexpr WPARAM kClosed = 0xFFFF0000;
constexpr int kItemHeight = 17;  // a pop-up item in the classic look

void ModifyTitle(HMENU menu, UINT position, const char* text) {
  MENUITEMINFOA info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = const_cast<char*>(text);
  ASSERT_TRUE(SetMenuItemInfoA(menu, position, TRUE, &info));
}

bool PopupShown() {
  return FindWindow("#32768", nullptr) != nullptr;
}

POINT Centre(const RECT& r) {
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    Pump();
    g_commands.clear();
    b_ = BuildBar();
    a_ = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 20, 20, 320, 220);
    SetWindowLong(a_, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(OwnerProc)));
    ASSERT_TRUE(SetMenu(a_, b_.bar));
    Pump();
    MessageLog::Get().Clear();
    input::TakeBeeps();
  }
  void TearDown() override {
    EndMenu();
    if (IsWindow(a_)) DestroyWindow(a_);
    input::MouseMove(1000, 700);
    Pump();
    MessageLog::Get().Clear();
  }
  RECT ItemRect(HMENU menu, UINT position) {
    RECT r{};
    EXPECT_TRUE(GetMenuItemRect(a_, menu, position, &r)) << position;
    return r;
  }
  void ClickItem(HMENU menu, UINT position) {
    POINT p = Centre(ItemRect(menu, position));
    automation::Click(p.x, p.y);
    Pump();
  }
  void MoveTo(HMENU menu, UINT position) {
    POINT p = Centre(ItemRect(menu, position));
    input::MouseMove(p.x, p.y);
    Pump();
  }
  void Keys(const std::vector<const char*>& chords) {
    for (const char* chord : chords) {
      ASSERT_TRUE(automation::PressKeys(chord)) << chord;
      Pump();
    }
  }
  Bar b_;
  HWND a_ = nullptr;
};

TEST_F(Menus, ItemCallsFindChangeAndReportItems) {
  EXPECT_EQ(GetMenuItemCount(b_.file), 6);
  EXPECT_EQ(GetMenuItemID(b_.file, 1), kOpen);
  EXPECT_EQ(GetMenuItemID(b_.file, 3), UINT(-1));  // a pop-up has no identifier
  EXPECT_EQ(GetSubMenu(b_.file, 3), b_.recent);
  EXPECT_EQ(GetSubMenu(b_.file, 0), nullptr);
  // By command, submenus are searched too.
  EXPECT_EQ(GetMenuState(b_.bar, kRecentTwo, MF_BYCOMMAND), UINT(MF_STRING));
  EXPECT_EQ(GetMenuState(b_.bar, kUndo, MF_BYCOMMAND), UINT(MF_GRAYED | MF_DISABLED));
  EXPECT_EQ(GetMenuState(b_.file, 2, MF_BYPOSITION), UINT(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(b_.file, 3, MF_BYPOSITION), UINT(MF_POPUP | (2 << 8)));
  EXPECT_EQ(GetMenuItemText(b_.bar, kOpen, MF_BYCOMMAND), "&Open...\tCtrl+O");

  EXPECT_EQ(CheckMenuItem(b_.bar, kStatusBar, MF_UNCHECKED), DWORD(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(b_.bar, kStatusBar, MF_CHECKED), DWORD(MF_UNCHECKED));
  EXPECT_EQ(EnableMenuItem(b_.bar, kUndo, MF_ENABLED), DWORD(MF_GRAYED | MF_DISABLED));
  EXPECT_EQ(EnableMenuItem(b_.edit, 0, MF_BYPOSITION | MF_GRAYED), DWORD(MF_ENABLED));
  EXPECT_EQ(GetMenuState(b_.edit, kUndo, MF_BYCOMMAND), UINT(MF_GRAYED | MF_DISABLED));

  // Inserting before an item named by command puts it in that item's menu.
  ASSERT_TRUE(InsertMenuA(b_.bar, kRecentTwo, MF_BYCOMMAND | MF_STRING, 110, "&zero.txt"));
  EXPECT_EQ(GetMenuItemID(b_.recent, 1), 110u);
  ASSERT_TRUE(InsertMenuA(b_.view, 0, MF_BYPOSITION | MF_CHECKED, 300, "&Ruler"));
  EXPECT_EQ(GetMenuItemID(b_.view, 0), 300u);
  ASSERT_TRUE(InsertMenuA(b_.view, UINT(-1), MF_BYPOSITION, 303, "&Last"));
  EXPECT_EQ(GetMenuItemID(b_.view, 3), 303u);

  MENUITEMINFOA info;
  info.fMask = MIIM_STRING | MIIM_STATE | MIIM_DATA;
  info.dwTypeData = const_cast<char*>("&Open File...\tCtrl+O");
  info.fState = MFS_CHECKED;
  info.dwItemData = 77;
  ASSERT_TRUE(SetMenuItemInfoA(b_.bar, kOpen, FALSE, &info));
  char small[6];
  MENUITEMINFOA out;
  out.fMask = MIIM_STRING | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_FTYPE;
  out.dwTypeData = small;
  out.cch = sizeof small;
  ASSERT_TRUE(GetMenuItemInfoA(b_.file, 1, TRUE, &out));
  EXPECT_STREQ(small, "&Open");  // cut to the buffer, ended with a zero
  EXPECT_EQ(out.cch, 20u);       // the whole length
  EXPECT_EQ(out.fState, UINT(MFS_CHECKED));
  EXPECT_EQ(out.wID, kOpen);
  EXPECT_EQ(out.dwItemData, 77u);
  EXPECT_EQ(out.fType, UINT(MFT_STRING));

  // DeleteMenu destroys a pop-up item's submenu, RemoveMenu leaves it.
  HMENU extra = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuA(b_.view, MF_POPUP, UINT_PTR(extra), "E&xtra"));
  ASSERT_TRUE(RemoveMenu(b_.view, UINT(GetMenuItemCount(b_.view) - 1), MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(extra));
  ASSERT_TRUE(AppendMenuA(b_.view, MF_POPUP, UINT_PTR(extra), "E&xtra"));
  ASSERT_TRUE(DeleteMenu(b_.view, UINT_PTR(extra), MF_BYCOMMAND));
  EXPECT_FALSE(IsMenu(extra));
  // Destroying a submenu takes it out of its parent.
  ASSERT_TRUE(DestroyMenu(b_.recent));
  EXPECT_EQ(GetMenuItemCount(b_.file), 5);
}

TEST_F(Menus, BadHandlesItemsAndTreesAreRefused) {
  HMENU gone = CreatePopupMenu();
  DestroyMenu(gone);
  HMENU loose = CreatePopupMenu();
  struct Row {
    const char* what;
    std::function<BOOL()> call;
    DWORD error;
  };
  const Row rows[] = {
      {"append to a destroyed menu", [&] { return AppendMenuA(gone, MF_STRING, 1, "x"); },
       ERROR_INVALID_MENU_HANDLE},
      {"a destroyed submenu", [&] { return AppendMenuA(loose, MF_POPUP, UINT_PTR(gone), "x"); },
       ERROR_INVALID_MENU_HANDLE},
      {"a menu under itself", [&] { return AppendMenuA(loose, MF_POPUP, UINT_PTR(loose), "x"); },
       ERROR_INVALID_PARAMETER},
      {"a menu under its own submenu",
       [&] { return AppendMenuA(b_.recent, MF_POPUP, UINT_PTR(b_.file), "x"); },
       ERROR_INVALID_PARAMETER},
      {"a submenu in a second place",
       [&] { return AppendMenuA(loose, MF_POPUP, UINT_PTR(b_.recent), "x"); },
       ERROR_INVALID_PARAMETER},
      {"a window's bar as a submenu",
       [&] { return AppendMenuA(loose, MF_POPUP, UINT_PTR(b_.bar), "x"); },
       ERROR_INVALID_PARAMETER},
      {"delete a missing command", [&] { return DeleteMenu(b_.bar, 999, MF_BYCOMMAND); },
       ERROR_MENU_ITEM_NOT_FOUND},
      {"remove past the end", [&] { return RemoveMenu(b_.file, 6, MF_BYPOSITION); },
       ERROR_MENU_ITEM_NOT_FOUND},
      {"insert before a missing command",
       [&] { return InsertMenuA(b_.bar, 999, MF_BYCOMMAND, 1, "x"); }, ERROR_MENU_ITEM_NOT_FOUND},
      {"info of a missing item",
       [&] {
         MENUITEMINFOA info;
         return GetMenuItemInfoA(b_.bar, 999, FALSE, &info);
       },
       ERROR_MENU_ITEM_NOT_FOUND},
      {"info of the wrong size",
       [&] {
         MENUITEMINFOA info;
         info.cbSize = 4;
         return SetMenuItemInfoA(b_.file, 0, TRUE, &info);
       },
       ERROR_INVALID_PARAMETER},
      {"a submenu as a bar", [&] { return SetMenu(a_, b_.file); }, ERROR_INVALID_PARAMETER},
      {"a destroyed bar", [&] { return SetMenu(a_, gone); }, ERROR_INVALID_MENU_HANDLE},
      {"a bar for a destroyed window", [&] { return SetMenu(HWND(0x7FFF0), loose); },
       ERROR_INVALID_WINDOW_HANDLE},
      {"track a destroyed menu", [&] { return TrackPopupMenu(gone, 0, 0, 0, 0, a_, nullptr); },
       ERROR_INVALID_MENU_HANDLE},
      {"track for no window", [&] { return TrackPopupMenu(loose, 0, 0, 0, 0, nullptr, nullptr); },
       ERROR_INVALID_WINDOW_HANDLE},
  };
  for (const Row& row : rows) {
    SetLastError(0);
    EXPECT_FALSE(row.call()) << row.what;
    EXPECT_EQ(GetLastError(), row.error) << row.what;
  }
  EXPECT_EQ(GetMenuItemCount(gone), -1);
  EXPECT_EQ(EnableMenuItem(b_.bar, 999, MF_GRAYED), DWORD(-1));
  EXPECT_EQ(CheckMenuItem(gone, 1, MF_CHECKED), DWORD(-1));
  EXPECT_EQ(GetMenuState(b_.bar, 999, MF_BYCOMMAND), UINT(-1));
  EXPECT_EQ(GetSubMenu(b_.file, 99), nullptr);
  EXPECT_EQ(GetMenuItemID(b_.file, -1), UINT(-1));
  // Nothing was changed by the refusals.
  EXPECT_EQ(GetMenuItemCount(loose), 0);
  EXPECT_EQ(GetMenuItemCount(b_.recent), 2);
  EXPECT_EQ(GetMenuItemCount(b_.file), 6);
  EXPECT_EQ(GetMenu(a_), b_.bar);
  DestroyMenu(loose);
}

TEST_F(Menus, TheBarTakesItsRowFromTheClientAreaAndIsHitAsHtmenu) {
  RECT window, client;
  GetWindowRect(a_, &window);
  GetClientRect(a_, &client);
  RECT adjusted = client;
  AdjustWindowRect(&adjusted, WS_OVERLAPPEDWINDOW, TRUE);
  EXPECT_EQ(adjusted.right - adjusted.left, window.right - window.left);
  EXPECT_EQ(adjusted.bottom - adjusted.top, window.bottom - window.top);

  RECT title = ItemRect(b_.bar, 0);
  POINT inTitle = Centre(title);
  EXPECT_EQ(SendMessage(a_, WM_NCHITTEST, 0, MAKELPARAM(inTitle.x, inTitle.y)), HTMENU);
  POINT pastTitles{window.right - 20, inTitle.y};
  EXPECT_EQ(SendMessage(a_, WM_NCHITTEST, 0, MAKELPARAM(pastTitles.x, pastTitles.y)), HTMENU);
  POINT origin{0, 0};
  ClientToScreen(a_, &origin);
  EXPECT_GE(origin.y, title.bottom);
  // Titles follow each other from the left of the bar.
  EXPECT_EQ(ItemRect(b_.bar, 1).left, title.right);

  // Without the bar the client area grows by its height.
  ASSERT_TRUE(SetMenu(a_, nullptr));
  RECT bigger;
  GetClientRect(a_, &bigger);
  EXPECT_EQ(bigger.bottom - client.bottom, GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(GetMenu(a_), nullptr);
  EXPECT_FALSE(GetMenuItemRect(a_, b_.bar, 0, &title));
  ASSERT_TRUE(SetMenu(a_, b_.bar));

  // A window made with a bar has it from the start, and takes it along when destroyed.
  Bar other = BuildBar();
  HWND c = CreateWindowEx(0, TestClass(), "C", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr,
                          other.bar, nullptr, nullptr);
  ASSERT_TRUE(c);
  EXPECT_EQ(GetMenu(c), other.bar);
  GetClientRect(c, &client);
  RECT expected{0, 0, 200, 150};
  RECT insets{};
  AdjustWindowRect(&insets, WS_OVERLAPPEDWINDOW, TRUE);
  EXPECT_EQ(client.bottom, 150 - (insets.bottom - insets.top));
  EXPECT_FALSE(CreateWindowEx(0, TestClass(), "D", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr,
                              other.bar, nullptr, nullptr));
  DestroyWindow(c);
  EXPECT_FALSE(IsMenu(other.bar));
  EXPECT_FALSE(IsMenu(other.recent));
  (void)expected;
}

TEST_F(Menus, TitlesThatDoNotFitGoOnAnotherRow) {
  int row = GetSystemMetrics(SM_CYMENU);
  RECT client;
  GetClientRect(a_, &client);
  int wide = client.bottom;
  ModifyTitle(b_.bar, 0, "&File and more");
  ModifyTitle(b_.bar, 1, "&Edit and more");
  ModifyTitle(b_.bar, 2, "&View and more");
  ASSERT_TRUE(DrawMenuBar(a_));
  GetClientRect(a_, &client);
  EXPECT_EQ(client.bottom, wide);  // still one row
  // Narrow enough for two titles a row: View goes on the second.
  RECT file = ItemRect(b_.bar, 0), edit = ItemRect(b_.bar, 1);
  int narrow = (edit.right - file.left) + 2 * GetSystemMetrics(SM_CXFRAME) + 4;
  SetWindowPos(a_, nullptr, 0, 0, narrow, 220, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(a_, &client);
  EXPECT_EQ(client.bottom, wide - row);
  RECT view = ItemRect(b_.bar, 2);
  EXPECT_EQ(view.left, file.left);
  EXPECT_EQ(view.top, file.top + row);
  POINT p = Centre(view);
  EXPECT_EQ(SendMessage(a_, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTMENU);
  // Its menu opens below its own row, and is chosen from as any other.
  automation::Click(p.x, p.y);
  Pump();
  RECT status = ItemRect(b_.view, 0);
  EXPECT_EQ(status.top, view.bottom + 1 + GetSystemMetrics(SM_CYDLGFRAME));
  ClickItem(b_.view, 1);
  EXPECT_EQ(g_commands, (std::vector<UINT>{kToolbar}));
  // A longer title takes more room only once the bar is redrawn.
  ModifyTitle(b_.bar, 0, "&File and a great deal more");
  GetClientRect(a_, &client);
  EXPECT_EQ(client.bottom, wide - row);
  MessageLog::Get().Clear();
  ASSERT_TRUE(DrawMenuBar(a_));
  EXPECT_TRUE(DrawMenuBar(a_));  // the second changes nothing
  GetClientRect(a_, &client);
  EXPECT_EQ(client.bottom, wide - 2 * row);
  EXPECT_EQ(ItemRect(b_.bar, 2).top, file.top + 2 * row);
  Pump();
  Seq log = MessageLog::Get().Take();
  EXPECT_EQ(std::count(log.begin(), log.end(), "A WM_NCCALCSIZE"), 1);
  // Wide again, one row.
  SetWindowPos(a_, nullptr, 0, 0, 1000, 220, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(a_, &client);
  EXPECT_EQ(client.bottom, wide);
}

TEST_F(Menus, ClickingATitleAndThenAnItemSendsTheWholeSequence) {
  POINT title = Centre(ItemRect(b_.bar, 0));
  ClickItem(b_.bar, 0);
  EXPECT_TRUE(PopupShown());
  ClickItem(b_.file, 1);
  EXPECT_TRUE(MessageLog::Get().Expect({
      {"A", WM_NCMOUSEMOVE, kPosted | kWParam, HTMENU},
      Posted("A", WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(title.x, title.y)),
      Sent("A", WM_SYSCOMMAND, SC_MOUSEMENU | WPARAM(HTMENU), MAKELPARAM(title.x, title.y)),
      Sent("A", WM_ENTERMENULOOP, 0, 0),
      Sent("A", WM_INITMENU, W(b_.bar), 0),
      Sent("A", WM_MENUSELECT, Select(0, MF_POPUP | MF_HILITE | MF_MOUSESELECT), L(b_.bar)),
      Sent("A", WM_INITMENUPOPUP, W(b_.file), MAKELPARAM(0, 0)),
      Sent("A", WM_MENUSELECT, Select(kOpen, MF_HILITE | MF_MOUSESELECT), L(b_.file)),
      Sent("A", WM_MENUSELECT, kClosed, 0),
      Sent("A", WM_EXITMENULOOP, 0, 0),
      Posted("A", WM_COMMAND, kOpen, 0),
  }));
  EXPECT_EQ(g_commands, (std::vector<UINT>{kOpen}));
  EXPECT_FALSE(PopupShown());
}

TEST_F(Menus, AltSelectsTheBarAndArrowsAndEnterChoose) {
  Keys({"alt", "right", "down", "down", "enter"});
  EXPECT_TRUE(MessageLog::Get().Expect({
      {"A", WM_SYSKEYDOWN, kPosted | kWParam, VK_MENU},
      {"A", WM_SYSKEYUP, kPosted | kWParam, VK_MENU},
      Sent("A", WM_SYSCOMMAND, SC_KEYMENU, 0),
      Sent("A", WM_ENTERMENULOOP, 0, 0),
      Sent("A", WM_INITMENU, W(b_.bar), 0),
      Sent("A", WM_MENUSELECT, Select(0, MF_POPUP | MF_HILITE), L(b_.bar)),
      Sent("A", WM_MENUSELECT, Select(1, MF_POPUP | MF_HILITE), L(b_.bar)),
      Sent("A", WM_INITMENUPOPUP, W(b_.edit), MAKELPARAM(1, 0)),
      // A disabled item may be selected, never chosen; separators are skipped.
      Sent("A", WM_MENUSELECT, Select(kUndo, MF_HILITE | MF_GRAYED | MF_DISABLED), L(b_.edit)),
      Sent("A", WM_MENUSELECT, Select(kCut, MF_HILITE), L(b_.edit)),
      Sent("A", WM_MENUSELECT, kClosed, 0),
      Sent("A", WM_EXITMENULOOP, 0, 0),
      Posted("A", WM_COMMAND, kCut, 0),
      // The menu is gone before Enter comes up.
      {"A", WM_KEYUP, kPosted | kWParam, VK_RETURN},
  }));
  EXPECT_EQ(g_commands, (std::vector<UINT>{kCut}));
}

TEST_F(Menus, AltWithAMnemonicOpensThatMenuWithItsFirstItemSelected) {
  Keys({"alt+v"});
  EXPECT_TRUE(MessageLog::Get().Expect({
      {"A", WM_SYSKEYDOWN, kPosted | kWParam, VK_MENU},
      {"A", WM_SYSKEYDOWN, kPosted | kWParam, 'V'},
      {"A", WM_SYSCHAR, kPosted | kWParam, 'v'},
      Sent("A", WM_SYSCOMMAND, SC_KEYMENU, 'v'),
      Sent("A", WM_ENTERMENULOOP, 0, 0),
      Sent("A", WM_INITMENU, W(b_.bar), 0),
      Sent("A", WM_MENUSELECT, Select(2, MF_POPUP | MF_HILITE), L(b_.bar)),
      Sent("A", WM_INITMENUPOPUP, W(b_.view), MAKELPARAM(2, 0)),
      Sent("A", WM_MENUSELECT, Select(kStatusBar, MF_HILITE | MF_CHECKED), L(b_.view)),
  }));
  EXPECT_TRUE(PopupShown());
}

// Keys pressed one chord after another from a window with the bar, and
// what came of them: the command chosen (0 for none), whether a menu is
// still being tracked, and how many beeps.
TEST_F(Menus, KeyboardNavigation) {
  struct Row {
    std::vector<const char*> keys;
    UINT command;
    bool tracking;
    size_t beeps;
  };
  const Row rows[] = {
      {{"alt", "down", "enter"}, kNew, false, 0},
      {{"f10", "down", "enter"}, kNew, false, 0},
      {{"alt+f", "o"}, kOpen, false, 0},
      {{"alt+f", "down", "enter"}, kOpen, false, 0},
      {{"alt+f", "up", "enter"}, kExit, false, 0},  // wraps to the last item
      {{"alt+f", "down", "down", "enter", "enter"}, kRecentOne, false, 0},
      {{"alt+f", "r", "down", "enter"}, kRecentTwo, false, 0},
      {{"alt+f", "down", "down", "right", "down", "enter"}, kRecentTwo, false, 0},
      {{"alt+f", "r", "left", "x"}, kExit, false, 0},  // Left closes the cascade
      {{"alt+f", "r", "esc", "esc", "esc"}, 0, false, 0},
      {{"alt+f", "esc", "right", "right", "down", "enter"}, kStatusBar, false, 0},
      {{"alt+f", "right", "enter"}, 0, true, 0},  // Undo is disabled
      {{"alt+f", "right", "down", "down", "enter"}, kCopy, false, 0},
      {{"alt+f", "left", "enter"}, kStatusBar, false, 0},  // titles wrap
      {{"alt+f", "right", "right", "right", "enter"}, kNew, false, 0},
      {{"alt", "left", "down", "down", "enter"}, kToolbar, false, 0},
      {{"alt+e", "t"}, kCut, false, 0},
      {{"alt+e", "u"}, 0, true, 0},
      {{"alt+v", "t"}, kToolbar, false, 0},
      {{"alt", "esc"}, 0, false, 0},
      {{"alt", "alt"}, 0, false, 0},
      {{"alt+f", "alt"}, 0, false, 0},
      {{"alt+f", "f10"}, 0, false, 0},
      {{"alt+q"}, 0, false, 1},      // no title has that letter
      {{"alt+f", "q"}, 0, true, 1},  // no item has it
      {{"alt+f", "space", "tab", "home"}, 0, true, 0},
  };
  for (const Row& row : rows) {
    std::string keys;
    for (const char* k : row.keys) keys += std::string(k) + " ";
    Keys(row.keys);
    EXPECT_EQ(g_commands, (row.command ? std::vector<UINT>{row.command} : std::vector<UINT>{}))
        << keys;
    EXPECT_EQ(PopupShown() || EndMenu(), row.tracking) << keys;
    EXPECT_EQ(input::TakeBeeps().size(), row.beeps) << keys;
    EndMenu();
    Pump();
    EXPECT_FALSE(PopupShown()) << keys;
    g_commands.clear();
    MessageLog::Get().Clear();
  }
}

TEST_F(Menus, MouseNavigation) {
  enum Act { kClick, kMove, kPress, kRelease };
  struct Step {
    Act act;
    HMENU Bar::*menu;
    int position;  // -1: the client area
  };
  struct Row {
    const char* what;
    std::vector<Step> steps;
    UINT command;
    bool tracking;
  };
  const Row rows[] = {
      {"an item", {{kClick, &Bar::bar, 0}, {kClick, &Bar::file, 5}}, kExit, false},
      {"a separator", {{kClick, &Bar::bar, 0}, {kClick, &Bar::file, 2}}, 0, true},
      {"a disabled item", {{kClick, &Bar::bar, 1}, {kClick, &Bar::edit, 0}}, 0, true},
      {"the open title again", {{kClick, &Bar::bar, 0}, {kClick, &Bar::bar, 0}}, 0, false},
      {"outside every menu", {{kClick, &Bar::bar, 0}, {kClick, &Bar::bar, -1}}, 0, false},
      {"a cascade under the pointer",
       {{kClick, &Bar::bar, 0}, {kMove, &Bar::file, 3}, {kClick, &Bar::recent, 1}},
       kRecentTwo,
       false},
      {"along the bar to another menu",
       {{kClick, &Bar::bar, 0}, {kMove, &Bar::bar, 2}, {kClick, &Bar::view, 1}},
       kToolbar,
       false},
      {"pressed on a title, released on an item",
       {{kPress, &Bar::bar, 0}, {kMove, &Bar::file, 0}, {kRelease, &Bar::file, 0}},
       kNew,
       false},
      {"the submenu's own item", {{kClick, &Bar::bar, 0}, {kClick, &Bar::file, 3}}, 0, true},
  };
  for (const Row& row : rows) {
    for (const Step& s : row.steps) {
      POINT p{150, 180};  // in the client area, clear of every menu
      if (s.position >= 0) p = Centre(ItemRect(b_.*(s.menu), UINT(s.position)));
      if (s.act == kMove || s.act == kPress) input::MouseMove(p.x, p.y);
      if (s.act == kPress) input::MouseButton(input::kLeft, true);
      if (s.act == kRelease) input::MouseButton(input::kLeft, false);
      if (s.act == kClick) automation::Click(p.x, p.y);
      Pump();
    }
    EXPECT_EQ(g_commands, (row.command ? std::vector<UINT>{row.command} : std::vector<UINT>{}))
        << row.what;
    EXPECT_EQ(PopupShown(), row.tracking) << row.what;
    EndMenu();
    Pump();
    g_commands.clear();
    Seq log = MessageLog::Get().Take();
    // A press that dismisses a menu goes no further.
    EXPECT_EQ(std::count(log.begin(), log.end(), "A WM_LBUTTONDOWN"), 0) << row.what;
  }
}

TEST_F(Menus, HandlersMayChangeOrDestroyWhatIsBeingTracked) {
  // The pop-up is destroyed while it is being opened: nothing opens.
  static HMENU doomed;
  doomed = b_.view;
  SetWindowLong(a_, GWL_WNDPROC,
                LONG(reinterpret_cast<intptr_t>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                  if (m == WM_INITMENUPOPUP && HMENU(w) == doomed) DestroyMenu(doomed);
                  return OwnerProc(h, m, w, l);
                })));
  Keys({"alt+v"});
  EXPECT_FALSE(IsMenu(b_.view));
  EXPECT_FALSE(PopupShown());
  EXPECT_EQ(GetMenuItemCount(b_.bar), 2);
  Keys({"esc", "esc"});
  // Items enabled and checked while the menu opens show as they are now.
  SetWindowLong(a_, GWL_WNDPROC,
                LONG(reinterpret_cast<intptr_t>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                  if (m == WM_INITMENUPOPUP) EnableMenuItem(HMENU(w), kUndo, MF_ENABLED);
                  return OwnerProc(h, m, w, l);
                })));
  Keys({"alt+e", "enter"});
  EXPECT_EQ(g_commands, (std::vector<UINT>{kUndo}));
  // The owner destroyed by a handler: the menu goes with it.
  SetWindowLong(a_, GWL_WNDPROC,
                LONG(reinterpret_cast<intptr_t>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                  if (m == WM_INITMENUPOPUP) DestroyWindow(h);
                  return OwnerProc(h, m, w, l);
                })));
  Keys({"alt+f"});
  EXPECT_FALSE(IsWindow(a_));
  EXPECT_FALSE(PopupShown());
  EXPECT_FALSE(EndMenu());
  EXPECT_FALSE(IsMenu(b_.bar));
}

TEST_F(Menus, AMenuClosesWhenTheApplicationOrTheBarGoes) {
  struct Row {
    const char* what;
    std::function<void()> act;
  };
  const Row rows[] = {
      {"another application is activated", [] { input::ApplicationActivation(false); }},
      {"the bar is taken away", [&] { SetMenu(a_, nullptr); }},
      {"EndMenu", [] { EndMenu(); }},
  };
  for (const Row& row : rows) {
    Keys({"alt+f", "down"});
    ASSERT_TRUE(PopupShown()) << row.what;
    MessageLog::Get().Clear();
    row.act();
    Pump();
    EXPECT_FALSE(PopupShown()) << row.what;
    Seq log = MessageLog::Get().Take();
    ASSERT_GE(log.size(), 2u) << row.what;
    EXPECT_EQ(log[0], "A WM_MENUSELECT") << row.what;
    EXPECT_EQ(log[1], "A WM_EXITMENULOOP") << row.what;
    EXPECT_TRUE(g_commands.empty()) << row.what;
    input::ApplicationActivation(true);
    SetMenu(a_, b_.bar);
    Pump();
  }
}

TEST_F(Menus, AltSpaceOpensTheSystemMenuWhoseChoiceIsASystemCommand) {
  Keys({"alt+space", "down", "down", "down", "enter"});
  HMENU system = GetSystemMenu(a_, FALSE);
  EXPECT_TRUE(MessageLog::Get().Expect({
      {"A", WM_SYSKEYDOWN, kPosted | kWParam, VK_MENU},
      {"A", WM_SYSKEYDOWN, kPosted | kWParam, VK_SPACE},
      {"A", WM_SYSCHAR, kPosted | kWParam, ' '},
      Sent("A", WM_SYSCOMMAND, SC_KEYMENU, ' '),
      Sent("A", WM_ENTERMENULOOP, 0, 0),
      Sent("A", WM_INITMENU, W(system), 0),
      Sent("A", WM_INITMENUPOPUP, W(system), MAKELPARAM(0, 1)),
      Sent("A", WM_MENUSELECT, Select(SC_RESTORE, MF_HILITE | MF_GRAYED | MF_DISABLED | MF_SYSMENU),
           L(system)),
      Sent("A", WM_MENUSELECT, Select(SC_MOVE, MF_HILITE | MF_GRAYED | MF_DISABLED | MF_SYSMENU),
           L(system)),
      Sent("A", WM_MENUSELECT, Select(SC_SIZE, MF_HILITE | MF_GRAYED | MF_DISABLED | MF_SYSMENU),
           L(system)),
      Sent("A", WM_MENUSELECT, Select(SC_MINIMIZE, MF_HILITE | MF_SYSMENU), L(system)),
      Sent("A", WM_MENUSELECT, kClosed, 0),
      Sent("A", WM_EXITMENULOOP, 0, 0),
      Posted("A", WM_SYSCOMMAND, SC_MINIMIZE, 0),
      // What minimising does, with the key that comes up after the menu is gone.
      {"A", WM_WINDOWPOSCHANGING},
      {"A", WM_NCCALCSIZE},
      {"A", WM_WINDOWPOSCHANGED},
      {"A", WM_MOVE},
      {"A", WM_SIZE, kSent | kWParam, SIZE_MINIMIZED},
      {"A", WM_NCACTIVATE},
      {"A", WM_ACTIVATE},
      {"A", WM_ACTIVATEAPP},
      {"A", WM_KILLFOCUS},
      {"A", WM_KEYUP, kPosted | kWParam, VK_RETURN},
  }));
  EXPECT_TRUE(IsIconic(a_));
  ShowWindow(a_, SW_RESTORE);
  SetActiveWindow(a_);
  Pump();
  EXPECT_TRUE(g_commands.empty());
}

TEST_F(Menus, TheSystemMenuFollowsTheWindowsState) {
  struct Row {
    const char* what;
    std::function<void()> act;
    bool closed, maximized;
  };
  RECT frame;
  GetWindowRect(a_, &frame);
  POINT icon{frame.left + 4 + 8, frame.top + 4 + 8};
  const Row rows[] = {
      {"Alt+Space, then Esc",
       [&] {
         Keys({"alt+space", "esc"});
       },
       false, false},
      {"Alt+Space, then the mnemonic of Maximize",
       [&] {
         Keys({"alt+space", "x"});
       },
       false, true},
      {"Alt+Space, then Close's",
       [&] {
         Keys({"alt+space", "c"});
       },
       true, false},
      {"a click on the icon, then on Close",
       [&] {
         automation::Click(icon.x, icon.y);
         Pump();
         ClickItem(GetSystemMenu(a_, FALSE), 6);
       },
       true, false},
      {"a double click on the icon", [&] { automation::DoubleClick(icon.x, icon.y); }, true, false},
  };
  for (const Row& row : rows) {
    row.act();
    Pump();
    EXPECT_FALSE(PopupShown()) << row.what;
    EXPECT_EQ(!IsWindow(a_), row.closed) << row.what;
    EXPECT_EQ(IsWindow(a_) && IsZoomed(a_), row.maximized) << row.what;
    if (row.maximized) {
      // Opened again, the menu offers Restore and no more Maximize.
      HMENU system = GetSystemMenu(a_, FALSE);
      Keys({"alt+space"});
      EXPECT_EQ(GetMenuState(system, SC_RESTORE, MF_BYCOMMAND), UINT(MF_ENABLED));
      EXPECT_EQ(GetMenuState(system, SC_MAXIMIZE, MF_BYCOMMAND), UINT(MF_GRAYED | MF_DISABLED));
      Keys({"r"});
      EXPECT_FALSE(IsZoomed(a_));
    }
    if (!IsWindow(a_)) {
      a_ = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 20, 20, 320, 220);
      SetWindowLong(a_, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(OwnerProc)));
      Pump();
    }
  }
  EXPECT_TRUE(g_commands.empty());
  EXPECT_EQ(GetSystemMenu(a_, TRUE), nullptr);
  HWND child =
      CreateWindowEx(0, TestClass(), "K", WS_CHILD, 0, 0, 10, 10, a_, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetSystemMenu(child, FALSE), nullptr);
}

// TrackPopupMenu waits for the user; the test's presenter plays the user
// once the pop-up is shown, feeding input as a display would (it must not
// handle messages itself: the menu's own loop does that).
class PopupMenus : public Menus {
 protected:
  void Feed(const std::vector<const char*>& chords) {
    for (const char* chord : chords) ASSERT_TRUE(automation::PressKeys(chord)) << chord;
  }
  void FeedClick(HMENU menu, UINT position) {
    POINT p = Centre(ItemRect(menu, position));
    automation::Click(p.x, p.y);
  }
  template <typename Act>
  BOOL Track(UINT flags, Act act, POINT at = {60, 90}) {
    auto presenter = std::make_shared<desktop::Presenter>();
    int calls = 0;
    presenter->idle = [&] {
      if (calls++ == 0) act();
    };
    desktop::SetPresenter(presenter);
    BOOL r = TrackPopupMenu(b_.file, flags, at.x, at.y, 0, a_, nullptr);
    desktop::SetPresenter(nullptr);
    return r;
  }
};

TEST_F(PopupMenus, ReturnsTheChosenCommandWithoutPostingIt) {
  BOOL r = Track(TPM_RETURNCMD, [&] { FeedClick(b_.file, 1); });
  EXPECT_EQ(r, BOOL(kOpen));
  Pump();
  EXPECT_TRUE(MessageLog::Get().Expect({
      Sent("A", WM_ENTERMENULOOP, 1, 0),
      Sent("A", WM_INITMENU, W(b_.file), 0),
      Sent("A", WM_INITMENUPOPUP, W(b_.file), 0),
      Sent("A", WM_MENUSELECT, Select(kOpen, MF_HILITE | MF_MOUSESELECT), L(b_.file)),
      Sent("A", WM_MENUSELECT, kClosed, 0),
      Sent("A", WM_EXITMENULOOP, 1, 0),
  }));
  EXPECT_TRUE(g_commands.empty());
}

TEST_F(PopupMenus, WithoutReturnCmdTheCommandIsPostedAfterItReturns) {
  BOOL r = Track(0, [&] { FeedClick(b_.file, 0); });
  EXPECT_EQ(r, TRUE);
  EXPECT_TRUE(g_commands.empty());  // not before TrackPopupMenu returns
  Pump();
  EXPECT_EQ(g_commands, (std::vector<UINT>{kNew}));
}

TEST_F(PopupMenus, KeysCascadesDismissalAndNoNotifications) {
  EXPECT_EQ(Track(TPM_RETURNCMD,
                  [&] {
                    Feed({"down", "down", "down", "right", "down", "enter"});
                  }),
            BOOL(kRecentTwo));
  EXPECT_EQ(Track(TPM_RETURNCMD, [&] { Feed({"esc"}); }), 0);
  EXPECT_EQ(Track(TPM_RETURNCMD, [&] { automation::Click(5, 5); }), 0);
  EXPECT_EQ(Track(TPM_RETURNCMD, [&] { Feed({"x"}); }), BOOL(kExit));
  // Only one menu at a time.
  BOOL nested = -1;
  DWORD error = 0;
  Track(TPM_RETURNCMD, [&] {
    nested = TrackPopupMenu(b_.view, 0, 0, 0, 0, a_, nullptr);
    error = GetLastError();
    Feed({"esc"});
  });
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(error, DWORD(ERROR_POPUP_ALREADY_ACTIVE));
  Pump();
  MessageLog::Get().Clear();
  EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY, [&] { Feed({"o"}); }), BOOL(kOpen));
  Pump();
  // The letter's key comes up after the menu is gone.
  EXPECT_TRUE(MessageLog::Get().Expect({{"A", WM_KEYUP, kPosted | kWParam, 'O'}}));
}

TEST_F(PopupMenus, AlignmentPlacesTheMenuAroundThePoint) {
  struct Row {
    UINT flags;
    POINT at;
  };
  const Row rows[] = {
      {TPM_LEFTALIGN | TPM_TOPALIGN, {300, 250}},
      {TPM_RIGHTALIGN | TPM_BOTTOMALIGN, {300, 250}},
      {TPM_CENTERALIGN | TPM_VCENTERALIGN, {300, 250}},
      {0, {GetSystemMetrics(SM_CXSCREEN) - 10, GetSystemMetrics(SM_CYSCREEN) - 10}},
  };
  std::vector<RECT> got;
  for (const Row& row : rows)
    Track(
        TPM_RETURNCMD | row.flags,
        [&] {
          RECT r{};
          GetWindowRect(FindWindow("#32768", nullptr), &r);
          got.push_back(r);
          EndMenu();
        },
        row.at);
  ASSERT_EQ(got.size(), 4u);
  int w = got[0].right - got[0].left, h = got[0].bottom - got[0].top;
  EXPECT_EQ(got[0], (RECT{300, 250, 300 + w, 250 + h}));
  EXPECT_EQ(got[1], (RECT{300 - w, 250 - h, 300, 250}));
  EXPECT_EQ(got[2], (RECT{300 - w / 2, 250 - h / 2, 300 - w / 2 + w, 250 - h / 2 + h}));
  // Kept on the screen.
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(got[3], (RECT{sw - w, sh - h, sw, sh}));
}

// A script goes on from inside the pop-up's own loop.
TEST_F(PopupMenus, AScriptDrivesAContextMenu) {
  static UINT chosen;
  static HMENU menu;
  chosen = 0;
  menu = b_.view;
  SetWindowLong(a_, GWL_WNDPROC,
                LONG(reinterpret_cast<intptr_t>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                  if (m == WM_RBUTTONUP) {
                    POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
                    ClientToScreen(h, &p);
                    chosen = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0,
                                                 h, nullptr));
                  }
                  return OwnerProc(h, m, w, l);
                })));
  POINT p{100, 100};
  ClientToScreen(a_, &p);
  // The context menu opens at the click; its second item is 17 pixels
  // further down, below the 3-pixel frame.
  std::string script = "click " + std::to_string(p.x) + " " + std::to_string(p.y) + " right\n" +
                       "click " + std::to_string(p.x + 20) + " " +
                       std::to_string(p.y + 3 + kItemHeight + 8) + "\n";
  std::string error;
  EXPECT_TRUE(automation::RunScript(script, &error)) << error;
  EXPECT_EQ(chosen, kToolbar);
  // A script that ends with the menu open closes it.
  chosen = 1;
  EXPECT_TRUE(automation::RunScript(script.substr(0, script.find('\n') + 1), &error)) << error;
  EXPECT_EQ(chosen, 0u);
  EXPECT_FALSE(PopupShown());
}

TEST_F(Menus, TheMenuScriptCommandChoosesByItemTexts) {
  std::string error;
  AppendMenuA(b_.file, MF_STRING, 104, "Save &As\xE2\x80\xA6");
  EXPECT_TRUE(
      automation::RunScript("menu File>Open\xE2\x80\xA6\n"
                            "menu file > recent > TWO.TXT\n"
                            "menu File>Save As...\n",
                            &error))
      << error;
  EXPECT_EQ(g_commands, (std::vector<UINT>{kOpen, kRecentTwo, 104}));
  struct Row {
    const char* script;
    const char* error;
  };
  const Row rows[] = {
      {"menu Edit>Undo\n", "line 1: menu item 'Edit>Undo' is disabled"},
      {"menu Edit>Paste\n", "line 1: no menu item 'Edit>Paste'"},
      {"menu Help\n", "line 1: no menu item 'Help'"},
      {"menu File>Recent\n", "line 1: menu item 'File>Recent' opens a submenu"},
      {"menu File>Open...>More\n", "line 1: menu item 'File>Open...' has no submenu"},
      {"menu\n", "line 1: menu needs a path such as File>Open"},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(automation::RunScript(row.script, &error)) << row.script;
    EXPECT_EQ(error, row.error);
    EXPECT_FALSE(PopupShown()) << row.script;
  }
  EXPECT_EQ(g_commands.size(), 3u);
  SetMenu(a_, nullptr);
  EXPECT_FALSE(automation::RunScript("menu File>Open...\n", &error));
  EXPECT_EQ(error, "line 1: no window with a menu bar");
  SetMenu(a_, b_.bar);
}

}  // namespace
}  // namespace tess::test
