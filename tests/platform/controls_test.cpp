// The standard controls at the message level: check states set and read
// back, the notifications the parent receives for mouse and keyboard, and
// the keyboard navigation of a window holding controls.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/comctl/commctrl.h"
#include "platform/message_log.h"
#include "platform/user/input.h"

namespace tess::test {
namespace {

// The parent's WM_COMMAND notifications as "id code" lines.
std::vector<std::string> g_commands;

LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && lParam)
    g_commands.push_back(std::to_string(LOWORD(wParam)) + " " + std::to_string(HIWORD(wParam)));
  if ((msg == WM_HSCROLL || msg == WM_VSCROLL) && lParam) {
    std::string line =
        std::string(msg == WM_HSCROLL ? "h " : "v ") + std::to_string(LOWORD(wParam));
    if (LOWORD(wParam) == SB_THUMBTRACK || LOWORD(wParam) == SB_THUMBPOSITION)
      line += " " + std::to_string(HIWORD(wParam));
    g_commands.push_back(line);
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitCommonControls());
    static bool registered = [] {
      WNDCLASS wc;
      wc.lpfnWndProc = ParentProc;
      wc.lpszClassName = "ControlParent";
      return RegisterClass(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    parent_ = CreateWindowEx(0, "ControlParent", "Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                             400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent_);
    Pump();
    g_commands.clear();
  }
  void TearDown() override {
    DestroyWindow(parent_);
    input::MouseMove(1000, 700);
    Pump();
  }
  HWND Add(const char* cls, DWORD style, int id, int x, int y, const char* text = "x") {
    return CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, 80, 20, parent_,
                          reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
  }
  void ClickAt(HWND control, int dx = 5, int dy = 5) {
    POINT p{dx, dy};
    ClientToScreen(control, &p);
    input::MouseMove(p.x, p.y);
    input::MouseButton(input::kLeft, true);
    input::MouseButton(input::kLeft, false);
    Pump();
  }
  void Press(int vk, bool shift = false) {
    if (shift) input::Key(VK_SHIFT, true);
    input::Key(vk, true);
    input::Key(vk, false);
    if (shift) input::Key(VK_SHIFT, false);
    // The window's loop offers each key to the navigation before dispatch.
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (IsDialogMessage(parent_, &m)) continue;
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }
  std::vector<std::string> Commands() { return std::exchange(g_commands, {}); }
  HWND parent_ = nullptr;
};

TEST_F(Controls, CheckStatesReadBackAsEachKindAllows) {
  struct Case {
    DWORD style;
    WPARAM set;
    WPARAM read;
  } cases[] = {
      {BS_CHECKBOX, BST_CHECKED, BST_CHECKED},
      {BS_CHECKBOX, BST_INDETERMINATE, BST_CHECKED},  // two states only
      {BS_CHECKBOX, 7, BST_CHECKED},
      {BS_AUTOCHECKBOX, BST_UNCHECKED, BST_UNCHECKED},
      {BS_3STATE, BST_INDETERMINATE, BST_INDETERMINATE},
      {BS_RADIOBUTTON, BST_CHECKED, BST_CHECKED},
      {BS_PUSHBUTTON, BST_CHECKED, BST_UNCHECKED},  // push buttons have no check
      {BS_GROUPBOX, BST_CHECKED, BST_UNCHECKED},
  };
  for (const Case& c : cases) {
    HWND b = Add("BUTTON", c.style, 1, 10, 10);
    SendMessage(b, BM_SETCHECK, c.set, 0);
    EXPECT_EQ(WPARAM(SendMessage(b, BM_GETCHECK, 0, 0)), c.read)
        << "style " << c.style << " set " << c.set;
    DestroyWindow(b);
  }
  EXPECT_TRUE(Commands().empty());  // setting the state in code notifies nobody
}

TEST_F(Controls, AClickIsAPressAndAReleaseOverTheButton) {
  HWND b = Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 7, 10, 10);
  ClickAt(b);
  EXPECT_EQ(Commands(), (Seq{"7 0"}));
  EXPECT_EQ(GetFocus(), b);
  // Pressed, then released elsewhere: no click, and the button shows up again.
  POINT p{5, 5};
  ClientToScreen(b, &p);
  input::MouseMove(p.x, p.y);
  input::MouseButton(input::kLeft, true);
  Pump();
  EXPECT_TRUE(WPARAM(SendMessage(b, BM_GETSTATE, 0, 0)) & BST_PUSHED);
  input::MouseMove(p.x + 200, p.y);
  Pump();
  EXPECT_FALSE(WPARAM(SendMessage(b, BM_GETSTATE, 0, 0)) & BST_PUSHED);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_TRUE(Commands().empty());
}

TEST_F(Controls, ADisabledButtonTakesNoClick) {
  HWND b = Add("BUTTON", BS_PUSHBUTTON | WS_DISABLED, 7, 10, 10);
  ClickAt(b);
  SendMessage(b, BM_CLICK, 0, 0);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(Controls, OnlyAutomaticBoxesChangeThemselves) {
  HWND plain = Add("BUTTON", BS_CHECKBOX, 1, 10, 10);
  HWND automatic = Add("BUTTON", BS_AUTOCHECKBOX, 2, 10, 40);
  ClickAt(plain);
  ClickAt(automatic);
  EXPECT_EQ(Commands(), (Seq{"1 0", "2 0"}));
  EXPECT_EQ(SendMessage(plain, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(automatic, BM_GETCHECK, 0, 0), BST_CHECKED);
  ClickAt(automatic);
  EXPECT_EQ(SendMessage(automatic, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Controls, AnAutomaticRadioButtonUnchecksItsGroupOnly) {
  HWND a = Add("BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, 1, 10, 10);
  HWND b = Add("BUTTON", BS_AUTORADIOBUTTON, 2, 10, 40);
  HWND other = Add("BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, 3, 10, 70);
  SendMessage(a, BM_SETCHECK, BST_CHECKED, 0);
  SendMessage(other, BM_SETCHECK, BST_CHECKED, 0);
  ClickAt(b);
  EXPECT_EQ(Commands(), (Seq{"2 0"}));
  EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(other, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(Controls, SpaceClicksOnItsReleaseAndShowsPressedMeanwhile) {
  HWND b = Add("BUTTON", BS_AUTOCHECKBOX, 4, 10, 10);
  SetFocus(b);
  input::Key(VK_SPACE, true);
  Pump();
  EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0), LRESULT(BST_PUSHED | BST_FOCUS));
  EXPECT_TRUE(Commands().empty());
  input::Key(VK_SPACE, false);
  Pump();
  EXPECT_EQ(Commands(), (Seq{"4 0"}));
  EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0), LRESULT(BST_CHECKED | BST_FOCUS));
}

TEST_F(Controls, FocusNotificationsNeedTheNotifyStyle) {
  HWND quiet = Add("BUTTON", BS_PUSHBUTTON, 1, 10, 10);
  HWND told = Add("BUTTON", BS_PUSHBUTTON | BS_NOTIFY, 2, 10, 40);
  SetFocus(quiet);
  SetFocus(told);
  SetFocus(quiet);
  EXPECT_EQ(Commands(), (Seq{"2 6", "2 7"}));
}

TEST_F(Controls, DialogCodesFollowTheStyle) {
  HWND b = Add("BUTTON", BS_PUSHBUTTON, 1, 10, 10);
  EXPECT_EQ(SendMessage(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  SendMessage(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
  EXPECT_EQ(SendMessage(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  HWND r = Add("BUTTON", BS_RADIOBUTTON, 2, 10, 40);
  EXPECT_EQ(SendMessage(r, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_RADIOBUTTON);
  HWND s = Add("STATIC", SS_LEFT, 3, 10, 70);
  EXPECT_EQ(SendMessage(s, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST_F(Controls, AStaticTellsClicksOnlyWithTheNotifyStyle) {
  HWND quiet = Add("STATIC", SS_LEFT, 1, 10, 10);
  HWND told = Add("STATIC", SS_LEFT | SS_NOTIFY, 2, 10, 40);
  ClickAt(quiet);
  ClickAt(told);
  EXPECT_EQ(Commands(), (Seq{"2 0"}));
}

TEST_F(Controls, TabVisitsUsableStopsInOrderAndWraps) {
  HWND a = Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 1, 10, 10);
  Add("STATIC", SS_LEFT, 2, 10, 40);                                   // no tab stop
  Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 3, 10, 70);  // disabled
  HWND d = Add("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 4, 10, 100);
  HWND hidden = Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 5, 10, 130);
  ShowWindow(hidden, SW_HIDE);
  SetFocus(a);
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), d);
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), a);
  Press(VK_TAB, true);
  EXPECT_EQ(GetFocus(), d);
  EXPECT_TRUE(Commands().empty());
}

// A field's container window (a control parent) is no stop itself; Tab
// goes into it, to its control, in the container's place in the order.
TEST_F(Controls, TabEntersControlParentsInTheirPlace) {
  HWND a = Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 1, 10, 10);
  HWND holder = CreateWindowEx(WS_EX_CONTROLPARENT, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 40, 80,
                               20, parent_, nullptr, nullptr, nullptr);
  HWND inner = CreateWindowEx(0, "BUTTON", "in", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 80, 20,
                              holder, reinterpret_cast<HMENU>(uintptr_t(2)), nullptr, nullptr);
  HWND c = Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 3, 10, 70);
  SetFocus(a);
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), inner);
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), c);
  Press(VK_TAB, true);
  EXPECT_EQ(GetFocus(), inner);
  ShowWindow(holder, SW_HIDE);  // a hidden container's controls are skipped
  SetFocus(a);
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), c);
}

TEST_F(Controls, ARadioGroupIsOneTabStopAndArrowsMoveWithinIt) {
  HWND before = Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 1, 10, 10);
  HWND r1 = Add("BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 2, 10, 40);
  HWND r2 = Add("BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 3, 10, 70);
  HWND r3 = Add("BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 4, 10, 100);
  HWND after = Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 5, 10, 130);
  SendMessage(r2, BM_SETCHECK, BST_CHECKED, 0);
  SetFocus(before);
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), r2);  // the checked member
  Press(VK_DOWN);
  EXPECT_EQ(GetFocus(), r3);
  EXPECT_EQ(SendMessage(r3, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(r2, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Press(VK_DOWN);  // wraps within the group
  EXPECT_EQ(GetFocus(), r1);
  Press(VK_UP);
  EXPECT_EQ(GetFocus(), r3);
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), after);
  EXPECT_EQ(Commands(), (Seq{"4 0", "2 0", "4 0"}));
}

TEST_F(Controls, EnterClicksTheDefaultButtonAndEscTheCancelButton) {
  HWND check = Add("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 1, 10, 10);
  Add("BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 8, 10, 40);
  Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 10, 70);
  SetFocus(check);
  Press(VK_RETURN);
  Press(VK_ESCAPE);
  EXPECT_EQ(Commands(), (Seq{"8 0", "2 0"}));
}

TEST_F(Controls, AltWithAMnemonicClicksItsButton) {
  HWND box = Add("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 1, 10, 10, "&Remember");
  Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 2, 10, 40, "Save && &quit");
  HWND label = Add("STATIC", SS_LEFT, 3, 10, 70, "&Name");
  SetFocus(box);
  auto alt = [&](int vk) {
    input::Key(VK_MENU, true);
    Press(vk);
    input::Key(VK_MENU, false);
    Pump();
  };
  alt('R');
  alt('Q');
  alt('S');  // "&&" is no mnemonic
  alt('N');  // a label's: left to the window
  EXPECT_EQ(Commands(), (Seq{"1 0", "2 0"}));
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_NE(GetFocus(), label);
}

TEST_F(Controls, EnterAndEscWithoutTheirButtonsAreLeftToTheWindow) {
  HWND b = Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 1, 10, 10);
  HWND off = Add("BUTTON", BS_DEFPUSHBUTTON | WS_DISABLED, 2, 10, 40);
  SetFocus(b);
  MSG esc{b, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  EXPECT_FALSE(IsDialogMessage(parent_, &esc));
  SendMessage(off, BM_SETSTYLE, BS_PUSHBUTTON, 0);
  MSG enter{b, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_FALSE(IsDialogMessage(parent_, &enter));
  MSG elsewhere{nullptr, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_FALSE(IsDialogMessage(parent_, &elsewhere));
  EXPECT_TRUE(Commands().empty());
}

HWND AddRows(HWND combo, std::initializer_list<const char*> rows) {
  for (const char* r : rows) SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r));
  return combo;
}

std::string RowText(HWND combo, int row) {
  LRESULT n = SendMessage(combo, CB_GETLBTEXTLEN, WPARAM(row), 0);
  if (n < 0) return "<error>";
  std::string s(size_t(n) + 1, '\0');
  SendMessage(combo, CB_GETLBTEXT, WPARAM(row), reinterpret_cast<LPARAM>(s.data()));
  s.resize(size_t(n));
  return s;
}

TEST_F(Controls, ComboRowsAndSelectionFollowEditsAndRefuseBadIndexes) {
  HWND c = AddRows(Add("COMBOBOX", CBS_DROPDOWNLIST, 9, 10, 10), {"one", "two", "three"});
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessage(c, CB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(SendMessage(c, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("zero")), 0);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 2);  // still "two"
  EXPECT_EQ(SendMessage(c, CB_DELETESTRING, 0, 0), 3);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(RowText(c, 1), "two");
  SendMessage(c, CB_DELETESTRING, 1, 0);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), CB_ERR);  // the selected row went
  const WPARAM bad[] = {3, 100, WPARAM(-2), 0x80000000u};
  for (WPARAM i : bad) {
    EXPECT_EQ(SendMessage(c, CB_GETLBTEXTLEN, i, 0), CB_ERR) << i;
    EXPECT_EQ(SendMessage(c, CB_DELETESTRING, i, 0), CB_ERR) << i;
    EXPECT_EQ(SendMessage(c, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>("x")), CB_ERR) << i;
    EXPECT_EQ(SendMessage(c, CB_SETCURSEL, i, 0), CB_ERR) << i;
    EXPECT_EQ(SendMessage(c, CB_SETITEMDATA, i, 5), CB_ERR) << i;
  }
  EXPECT_EQ(SendMessage(c, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessage(c, CB_SETITEMDATA, 1, 42), 42);
  EXPECT_EQ(SendMessage(c, CB_GETITEMDATA, 1, 0), 42);
  SendMessage(c, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(c, CB_GETCOUNT, 0, 0), 0);
  EXPECT_TRUE(Commands().empty());  // nothing done in code notifies
}

TEST_F(Controls, AComboListDropsAndARowClickedChoosesIt) {
  HWND c = AddRows(Add("COMBOBOX", CBS_DROPDOWNLIST, 9, 10, 10), {"one", "two", "three"});
  ClickAt(c);
  EXPECT_EQ(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0), 1);
  EXPECT_EQ(Commands(), (Seq{"9 3", "9 7"}));  // focus, then the drop
  RECT field;
  GetWindowRect(c, &field);
  // The list lies right below the field; rows are a line of text high.
  input::MouseMove(field.left + 10, field.bottom + 1 + 15 + 5);
  input::MouseButton(input::kLeft, true);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_EQ(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0), 0);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Commands(), (Seq{"9 8", "9 1"}));
  // Dropped again, a click elsewhere only closes it.
  ClickAt(c);
  input::MouseMove(field.right + 100, field.top);
  input::MouseButton(input::kLeft, true);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_EQ(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0), 0);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Commands(), (Seq{"9 7", "9 8"}));
}

TEST_F(Controls, ComboKeysChooseSkippingSeparators) {
  HWND c = AddRows(Add("COMBOBOX", CBS_DROPDOWNLIST | WS_TABSTOP, 9, 10, 10),
                   {"one", "-", "two", "three"});
  SetFocus(c);
  Commands();
  Press(VK_DOWN);  // nothing chosen yet: the first row
  Press(VK_DOWN);  // over the separator
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 2);
  Press(VK_END);
  Press(VK_DOWN);  // no further
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(Commands(), (Seq{"9 1", "9 1", "9 1"}));
  // Open, the keys move the highlight; Esc leaves the choice, Enter makes it.
  Press(VK_F4);
  Press(VK_UP);
  Press(VK_ESCAPE);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 3);
  Press(VK_F4);
  Press(VK_HOME);
  Press(VK_RETURN);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Commands(), (Seq{"9 7", "9 8", "9 7", "9 8", "9 1"}));
}

TEST_F(Controls, ATypedLetterChoosesTheNextRowStartingWithIt) {
  HWND c = AddRows(Add("COMBOBOX", CBS_DROPDOWNLIST | WS_TABSTOP, 9, 10, 10),
                   {"Apple", "banana", "-", "Blueberry", "Cherry"});
  SetFocus(c);
  Commands();
  auto type = [&](char ch) {
    SendMessage(c, WM_CHAR, WPARAM(uint8_t(ch)), 0);
    return SendMessage(c, CB_GETCURSEL, 0, 0);
  };
  EXPECT_EQ(type('b'), 1);
  EXPECT_EQ(type('B'), 3);  // the next one, letter case aside
  EXPECT_EQ(type('b'), 1);  // wrapping
  EXPECT_EQ(type('z'), 1);  // no such row: nothing moves
  EXPECT_EQ(type('-'), 1);  // separators are never chosen
  EXPECT_EQ(Commands(), (Seq{"9 1", "9 1", "9 1"}));
}

TEST_F(Controls, AScrollBarTellsItsParentAndLeavesThePositionToIt) {
  HWND bar = CreateWindowEx(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_HORZ, 10, 10, 200, 16,
                            parent_, nullptr, nullptr, nullptr);
  SendMessage(bar, SBM_SETRANGE, 100, 0);  // given backwards
  int lo = -1, hi = -1;
  SendMessage(bar, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 100);
  EXPECT_EQ(SendMessage(bar, SBM_SETPOS, 500, 1), 0);  // answers the old position
  EXPECT_EQ(SendMessage(bar, SBM_GETPOS, 0, 0), 100);  // clamped
  SendMessage(bar, SBM_SETPOS, 50, 1);
  ClickAt(bar, 5, 8);    // the left arrow
  ClickAt(bar, 190, 8);  // the right arrow
  ClickAt(bar, 30, 8);   // the track left of the thumb
  EXPECT_EQ(Commands(), (Seq{"h 0", "h 8", "h 1", "h 8", "h 2", "h 8"}));
  EXPECT_EQ(SendMessage(bar, SBM_GETPOS, 0, 0), 50);
  // The thumb (16 wide, at 16 + 152 * 50 / 100 = 92) dragged to the right end.
  POINT p{100, 8};
  ClientToScreen(bar, &p);
  input::MouseMove(p.x, p.y);
  input::MouseButton(input::kLeft, true);
  input::MouseMove(p.x + 400, p.y);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_EQ(Commands(), (Seq{"h 5 100", "h 4 100", "h 8"}));
  // Positions past 16 bits are read whole while the thumb is held.
  SendMessage(bar, SBM_SETRANGE, 0, 100000);
  SendMessage(bar, SBM_SETPOS, 0, 1);
  p = POINT{20, 8};
  ClientToScreen(bar, &p);
  input::MouseMove(p.x, p.y);
  input::MouseButton(input::kLeft, true);
  input::MouseMove(p.x + 400, p.y);
  Pump();
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_TRACKPOS | SIF_POS, 0, 0, 0, 0, 0};
  SendMessage(bar, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.nTrackPos, 100000);
  EXPECT_EQ(info.nPos, 0);
  input::MouseButton(input::kLeft, false);
  Pump();
  Commands();
  SetFocus(bar);
  Press(VK_END);
  Press(VK_PRIOR);
  EXPECT_EQ(Commands(), (Seq{"h 7", "h 8", "h 2", "h 8"}));
}

TEST_F(Controls, ASliderMovesItselfThenTellsItsParent) {
  HWND s = CreateWindowEx(0, "msctls_trackbar32", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10,
                          200, 24, parent_, nullptr, nullptr, nullptr);
  SendMessage(s, TBM_SETRANGEMIN, 0, 0);
  SendMessage(s, TBM_SETRANGEMAX, 0, 10);
  SendMessage(s, TBM_SETPOS, 1, 99);
  EXPECT_EQ(SendMessage(s, TBM_GETPOS, 0, 0), 10);
  SendMessage(s, TBM_SETPOS, 1, 5);
  SendMessage(s, TBM_SETPAGESIZE, 0, 3);
  SetFocus(s);
  Press(VK_RIGHT);
  EXPECT_EQ(SendMessage(s, TBM_GETPOS, 0, 0), 6);
  Press(VK_PRIOR);
  EXPECT_EQ(SendMessage(s, TBM_GETPOS, 0, 0), 3);
  Press(VK_HOME);
  Press(VK_HOME);  // already there: nothing moves, the move still ends
  EXPECT_EQ(Commands(), (Seq{"h 1", "h 8", "h 2", "h 8", "h 6", "h 8", "h 8"}));
  // The thumb (at 8 + 173 * 0 / 10) dragged along: each new position told.
  POINT p{12, 12};
  ClientToScreen(s, &p);
  input::MouseMove(p.x, p.y);
  input::MouseButton(input::kLeft, true);
  input::MouseMove(p.x + 35, p.y);
  input::MouseMove(p.x + 70, p.y);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_EQ(Commands(), (Seq{"h 5 2", "h 5 4", "h 4 4", "h 8"}));
  EXPECT_EQ(SendMessage(s, TBM_GETPOS, 0, 0), 4);
}

TEST_F(Controls, AProgressBarKeepsItsPositionWithinItsRange) {
  HWND p = CreateWindowEx(0, "msctls_progress32", "", WS_CHILD | WS_VISIBLE, 10, 10, 200, 16,
                          parent_, nullptr, nullptr, nullptr);
  SendMessage(p, PBM_SETRANGE32, 0, 40);
  EXPECT_EQ(SendMessage(p, PBM_SETPOS, 30, 0), 0);
  EXPECT_EQ(SendMessage(p, PBM_SETPOS, 70, 0), 30);
  EXPECT_EQ(SendMessage(p, PBM_GETPOS, 0, 0), 40);
  SendMessage(p, PBM_SETRANGE32, 0, 20);
  EXPECT_EQ(SendMessage(p, PBM_GETPOS, 0, 0), 20);
  EXPECT_EQ(SendMessage(p, PBM_GETRANGE, 1, 0), 0);
  EXPECT_EQ(SendMessage(p, PBM_GETRANGE, 0, 0), 20);
}

}  // namespace
}  // namespace tess::test
