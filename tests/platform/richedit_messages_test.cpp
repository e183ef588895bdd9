// The "RichEdit" control at the message level: the notifications of typed
// keys in order, key filtering, selection arithmetic at the boundaries,
// editing keys, the limit, read-only, password masking, the clipboard,
// undo, character and paragraph formats, streams, the mouse, wrapping and
// scrolling.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_log.h"
#include "platform/richedit/richedit.h"
#include "platform/user/clipboard.h"
#include "platform/user/input.h"

namespace tess::test {
namespace {

using namespace tess::platform::richedit;

std::vector<std::string> g_log;
// Answers EN_MSGFILTER: true drops the message.
std::function<bool(const MSGFILTER&)> g_filter;
// Run on EN_CHANGE (a parent that destroys the control there, say).
std::function<void(HWND)> g_onChange;

std::string Hex(uintptr_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "%#lx", static_cast<unsigned long>(v));
  return b;
}

LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && lParam) {
    switch (HIWORD(wParam)) {
      case EN_CHANGE:
        g_log.push_back("EN_CHANGE");
        if (g_onChange) g_onChange(reinterpret_cast<HWND>(lParam));
        break;
      case EN_SETFOCUS:
        g_log.push_back("EN_SETFOCUS");
        break;
      case EN_KILLFOCUS:
        g_log.push_back("EN_KILLFOCUS");
        break;
      case EN_MAXTEXT:
        g_log.push_back("EN_MAXTEXT");
        break;
      case EN_VSCROLL:
        g_log.push_back("EN_VSCROLL");
        break;
      case EN_HSCROLL:
        g_log.push_back("EN_HSCROLL");
        break;
      default:
        g_log.push_back("EN_? " + Hex(HIWORD(wParam)));
        break;
    }
    return 0;
  }
  if (msg == WM_NOTIFY) {
    auto* h = reinterpret_cast<NMHDR*>(lParam);
    if (h->code == EN_SELCHANGE) {
      auto* s = reinterpret_cast<SELCHANGE*>(lParam);
      g_log.push_back("EN_SELCHANGE " + std::to_string(s->chrg.cpMin) + "-" +
                      std::to_string(s->chrg.cpMax));
      return 0;
    }
    if (h->code == EN_MSGFILTER) {
      auto* f = reinterpret_cast<MSGFILTER*>(lParam);
      if (f->msg != WM_MOUSEMOVE)
        g_log.push_back(std::string("EN_MSGFILTER ") + MessageName(f->msg) + " " + Hex(f->wParam));
      return g_filter && g_filter(*f);
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

class RichEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadRichEditLibrary();
    static bool registered = [] {
      WNDCLASS wc;
      wc.lpfnWndProc = ParentProc;
      wc.lpszClassName = "RichEditTestParent";
      return RegisterClass(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    parent_ = CreateWindowEx(0, "RichEditTestParent", "P", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                             nullptr, nullptr, nullptr, nullptr);
    Pump();
    g_log.clear();
    g_filter = nullptr;
  }
  void TearDown() override {
    DestroyWindow(parent_);
    if (GetCapture()) ReleaseCapture();
    Pump();
    g_filter = nullptr;
    g_onChange = nullptr;
  }
  HWND Edit(DWORD style, const char* text = "",
            DWORD mask = ENM_CHANGE | ENM_SELCHANGE | ENM_KEYEVENTS) {
    HWND e = CreateWindowEx(0, kRichEditClass, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 200,
                            100, parent_, reinterpret_cast<HMENU>(7), nullptr, nullptr);
    SendMessage(e, EM_SETEVENTMASK, 0, LPARAM(mask));
    SetFocus(e);
    Pump();
    g_log.clear();
    return e;
  }
  static std::string Text(HWND e) {
    char buffer[4096];
    SendMessage(e, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  static std::pair<long, long> Sel(HWND e) {
    CHARRANGE r{};
    SendMessage(e, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return {r.cpMin, r.cpMax};
  }
  static void Keys(std::initializer_list<int> held, int vk) {
    for (int h : held) input::Key(h, true);
    input::Key(vk, true);
    input::Key(vk, false);
    for (int h : held) input::Key(h, false);
    Pump();
  }
  static POINT ScreenPointOf(HWND e, long pos, int dx = 0, int dy = 3) {
    POINT p{};
    SendMessage(e, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&p), pos);
    p.x += dx;
    p.y += dy;
    ClientToScreen(e, &p);
    return p;
  }
  HWND parent_ = nullptr;
};

TEST_F(RichEdit, TypingNotifiesFilterThenChangeThenSelection) {
  HWND e = Edit(ES_MULTILINE);
  input::Type("a");
  Pump();
  EXPECT_EQ(g_log, (Seq{"EN_MSGFILTER WM_KEYDOWN 0x41", "EN_MSGFILTER WM_CHAR 0x61", "EN_CHANGE",
                        "EN_SELCHANGE 1-1", "EN_MSGFILTER WM_KEYUP 0x41"}));
  EXPECT_EQ(Text(e), "a");
  // Without the masks nothing is reported but focus changes.
  SendMessage(e, EM_SETEVENTMASK, 0, 0);
  g_log.clear();
  input::Type("b");
  Pump();
  SetFocus(parent_);
  EXPECT_EQ(g_log, (Seq{"EN_KILLFOCUS"}));
  EXPECT_EQ(Text(e), "ab");
}

TEST_F(RichEdit, AFilterAnsweringTrueDropsTheKey) {
  HWND e = Edit(0);
  g_filter = [](const MSGFILTER& f) {
    return (f.msg == WM_CHAR && f.wParam == 'x') || (f.msg == WM_KEYDOWN && f.wParam == VK_LEFT);
  };
  input::Type("axb");
  Keys({}, VK_LEFT);
  EXPECT_EQ(Text(e), "ab");
  EXPECT_EQ(Sel(e), (std::pair<long, long>{2, 2}));
}

TEST_F(RichEdit, SelectionArithmeticAtTheBoundaries) {
  HWND e = Edit(ES_MULTILINE, "hello\r\nworld");
  EXPECT_EQ(Text(e), "hello\rworld");
  struct Case {
    long from, to;
    std::pair<long, long> sel;
  } cases[] = {
      {0, 0, {0, 0}},     {0, -1, {0, 11}}, {3, 99, {3, 11}}, {99, 99, {11, 11}},
      {8, 2, {2, 8}},     {-1, 4, {2, 8}},  // -1: no selection change (caret kept)
      {11, 11, {11, 11}},
  };
  for (const Case& c : cases) {
    SendMessage(e, EM_SETSEL, WPARAM(c.from), c.to);
    auto got = Sel(e);
    if (c.from == -1) {
      EXPECT_EQ(got.first, got.second) << "collapsed at the caret";
    } else {
      EXPECT_EQ(got, c.sel) << c.from << "," << c.to;
    }
  }
  // Keys: Shift extends from the anchor, arrows collapse, Home/End by line,
  // Ctrl by word and document.
  SendMessage(e, EM_SETSEL, 0, 0);
  Keys({VK_LEFT}, VK_LEFT);  // at the start: stays
  EXPECT_EQ(Sel(e), (std::pair<long, long>{0, 0}));
  Keys({VK_SHIFT}, VK_END);
  EXPECT_EQ(Sel(e), (std::pair<long, long>{0, 5}));
  Keys({}, VK_RIGHT);  // collapses to the end
  EXPECT_EQ(Sel(e), (std::pair<long, long>{5, 5}));
  Keys({}, VK_RIGHT);  // over the paragraph mark
  EXPECT_EQ(Sel(e), (std::pair<long, long>{6, 6}));
  Keys({VK_CONTROL}, VK_END);
  EXPECT_EQ(Sel(e), (std::pair<long, long>{11, 11}));
  Keys({}, VK_RIGHT);  // at the end: stays
  EXPECT_EQ(Sel(e), (std::pair<long, long>{11, 11}));
  Keys({VK_SHIFT, VK_CONTROL}, VK_LEFT);
  EXPECT_EQ(Sel(e), (std::pair<long, long>{6, 11}));
  Keys({}, VK_UP);
  EXPECT_EQ(Sel(e).first, Sel(e).second);
  EXPECT_LT(Sel(e).first, 6);
  Keys({VK_CONTROL}, 'A');
  EXPECT_EQ(Sel(e), (std::pair<long, long>{0, 11}));
}

TEST_F(RichEdit, EditingKeysAtTheEdges) {
  HWND e = Edit(0, "ab");
  SendMessage(e, EM_SETSEL, 0, 0);
  Keys({}, VK_BACK);  // nothing before
  SendMessage(e, EM_SETSEL, 2, 2);
  Keys({}, VK_DELETE);  // nothing after
  EXPECT_EQ(Text(e), "ab");
  EXPECT_TRUE(g_log.end() == std::find(g_log.begin(), g_log.end(), "EN_CHANGE"));
  Keys({}, VK_RETURN);  // a single-line field takes no Return
  EXPECT_EQ(Text(e), "ab");
  Keys({}, VK_BACK);
  EXPECT_EQ(Text(e), "a");
  HWND m = Edit(ES_MULTILINE, "one two");
  SendMessage(m, EM_SETSEL, 3, 3);
  Keys({}, VK_RETURN);
  EXPECT_EQ(Text(m), "one\r two");
  SendMessage(m, EM_SETSEL, 8, 8);
  Keys({VK_CONTROL}, VK_BACK);
  EXPECT_EQ(Text(m), "one\r ");
  SendMessage(m, EM_SETSEL, 0, 0);
  Keys({VK_CONTROL}, VK_DELETE);
  EXPECT_EQ(Text(m), "\r ");
}

TEST_F(RichEdit, LimitAndReadOnly) {
  HWND e = Edit(0);
  SendMessage(e, EM_EXLIMITTEXT, 0, 3);
  EXPECT_EQ(SendMessage(e, EM_GETLIMITTEXT, 0, 0), 3);
  input::Type("abcd");
  Pump();
  EXPECT_EQ(Text(e), "abc");
  EXPECT_NE(std::find(g_log.begin(), g_log.end(), "EN_MAXTEXT"), g_log.end());
  // Replacing a selection within the limit works.
  SendMessage(e, EM_SETSEL, 0, 1);
  input::Type("z");
  Pump();
  EXPECT_EQ(Text(e), "zbc");
  input::TakeBeeps();
  SendMessage(e, EM_SETREADONLY, 1, 0);
  input::Type("q");
  Keys({}, VK_BACK);
  EXPECT_EQ(Text(e), "zbc");
  EXPECT_FALSE(input::TakeBeeps().empty());
  // Programs may still set the text.
  SetWindowText(e, "set");
  EXPECT_EQ(Text(e), "set");
}

TEST_F(RichEdit, PasswordMasksWhatIsShownOnly) {
  HWND e = Edit(ES_PASSWORD);
  EXPECT_EQ(SendMessage(e, EM_GETPASSWORDCHAR, 0, 0), '*');
  input::Type("secret");
  Pump();
  EXPECT_EQ(Text(e), "secret");
  // Nothing of it reaches the clipboard.
  OpenClipboard(parent_);
  EmptyClipboard();
  CloseClipboard();
  SendMessage(e, EM_SETSEL, 0, -1);
  SendMessage(e, WM_COPY, 0, 0);
  SendMessage(e, WM_CUT, 0, 0);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_EQ(Text(e), "secret");
  SendMessage(e, EM_SETPASSWORDCHAR, 0, 0);
  SendMessage(e, WM_COPY, 0, 0);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST_F(RichEdit, ClipboardKeysAndTheSynthesisedFormat) {
  HWND e = Edit(ES_MULTILINE, "caf\xC3\xA9\r\nbar");
  SendMessage(e, EM_SETSEL, 0, 6);
  Keys({VK_CONTROL}, 'C');
  ASSERT_TRUE(OpenClipboard(parent_));
  HGLOBAL narrow = GetClipboardData(CF_TEXT);
  ASSERT_NE(narrow, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(narrow)), "caf\xE9\r\nb");  // code page 1252
  GlobalUnlock(narrow);
  CloseClipboard();
  Keys({VK_CONTROL}, 'X');
  EXPECT_EQ(Text(e), "ar");
  SendMessage(e, EM_SETSEL, 2, 2);
  Keys({VK_CONTROL}, 'V');
  EXPECT_EQ(Text(e), "arcaf\xC3\xA9\rb");
  EXPECT_EQ(Sel(e), (std::pair<long, long>{8, 8}));
  EXPECT_EQ(SendMessage(e, EM_CANPASTE, 0, 0), 1);
  // Text put as CF_TEXT by someone else pastes too.
  OpenClipboard(parent_);
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(block), "\xE9t\xE9", 4);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  SendMessage(e, EM_SETSEL, 0, -1);
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(e), "\xC3\xA9t\xC3\xA9");
}

TEST_F(RichEdit, UndoTakesBackTypingRunsAndEdits) {
  HWND e = Edit(ES_MULTILINE);
  input::Type("one two");
  Pump();
  SendMessage(e, EM_SETSEL, 0, 3);
  input::Type("1");
  Pump();
  EXPECT_EQ(Text(e), "1 two");
  Keys({VK_CONTROL}, 'Z');
  EXPECT_EQ(Text(e), "one two");
  EXPECT_EQ(Sel(e), (std::pair<long, long>{0, 3}));
  Keys({VK_CONTROL}, 'Z');
  EXPECT_EQ(Text(e), "");
  EXPECT_EQ(SendMessage(e, EM_CANUNDO, 0, 0), 0);
}

TEST_F(RichEdit, CharacterFormatsOfTheSelection) {
  HWND e = Edit(ES_MULTILINE, "abcdef");
  SendMessage(e, EM_SETSEL, 1, 3);
  CHARFORMAT cf{};
  cf.cbSize = sizeof cf;
  cf.dwMask = CFM_BOLD | CFM_COLOR;
  cf.dwEffects = CFE_BOLD;
  cf.crTextColor = 0xFF0000;
  SendMessage(e, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  CHARFORMAT got{};
  got.cbSize = sizeof got;
  SendMessage(e, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&got));
  EXPECT_TRUE(got.dwMask & CFM_BOLD);
  EXPECT_TRUE(got.dwEffects & CFE_BOLD);
  EXPECT_EQ(got.crTextColor, 0xFF0000u);
  // Across the edge of the run the members disagree.
  SendMessage(e, EM_SETSEL, 2, 5);
  SendMessage(e, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&got));
  EXPECT_FALSE(got.dwMask & CFM_BOLD);
  EXPECT_FALSE(got.dwMask & CFM_COLOR);
  EXPECT_TRUE(got.dwMask & CFM_ITALIC);
  // An empty selection: what is typed next takes the format.
  SendMessage(e, EM_SETSEL, 6, 6);
  cf.dwMask = CFM_ITALIC;
  cf.dwEffects = CFE_ITALIC;
  SendMessage(e, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  input::Type("g");
  Pump();
  SendMessage(e, EM_SETSEL, 6, 7);
  SendMessage(e, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&got));
  EXPECT_TRUE(got.dwEffects & CFE_ITALIC);
  // Paragraph alignment.
  PARAFORMAT pf{};
  pf.cbSize = sizeof pf;
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_CENTER;
  SendMessage(e, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
  PARAFORMAT back{};
  SendMessage(e, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&back));
  EXPECT_EQ(back.wAlignment, PFA_CENTER);
}

struct Buffer {
  std::string data;
  size_t read = 0;
};

DWORD ReadBuffer(uintptr_t cookie, BYTE* out, LONG cb, LONG* pcb) {
  auto* b = reinterpret_cast<Buffer*>(cookie);
  size_t n = std::min(size_t(cb), b->data.size() - b->read);
  std::memcpy(out, b->data.data() + b->read, n);
  b->read += n;
  *pcb = LONG(n);
  return 0;
}

DWORD WriteBuffer(uintptr_t cookie, BYTE* in, LONG cb, LONG* pcb) {
  reinterpret_cast<Buffer*>(cookie)->data.append(reinterpret_cast<char*>(in), size_t(cb));
  *pcb = cb;
  return 0;
}

TEST_F(RichEdit, StreamsOfRichAndPlainText) {
  HWND e = Edit(ES_MULTILINE);
  Buffer in{"{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 plain \\b bold\\b0\\par\\qc mid\\par}"};
  EDITSTREAM es{reinterpret_cast<uintptr_t>(&in), 0, &ReadBuffer};
  EXPECT_EQ(SendMessage(e, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es)), 15);
  EXPECT_EQ(Text(e), "plain bold\rmid\r");
  EXPECT_EQ(g_log, (Seq{"EN_CHANGE", "EN_SELCHANGE 0-0"}));
  Buffer out;
  EDITSTREAM os{reinterpret_cast<uintptr_t>(&out), 0, &WriteBuffer};
  SendMessage(e, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&os));
  EXPECT_NE(out.data.find("\\b\\cf1 bold"), std::string::npos) << out.data;
  EXPECT_NE(out.data.find("\\qc"), std::string::npos) << out.data;
  Buffer text;
  EDITSTREAM ts{reinterpret_cast<uintptr_t>(&text), 0, &WriteBuffer};
  SendMessage(e, EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&ts));
  EXPECT_EQ(text.data, "plain bold\r\nmid\r\n");
  // Damaged rich text is refused and leaves the text; plain data given as
  // rich text reads as plain text.
  Buffer deep{"{\\rtf1" + std::string(5000, '{') + "x"};
  EDITSTREAM ds{reinterpret_cast<uintptr_t>(&deep), 0, &ReadBuffer};
  EXPECT_EQ(SendMessage(e, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&ds)), 0);
  EXPECT_NE(ds.dwError, 0u);
  EXPECT_EQ(Text(e), "plain bold\rmid\r");
  Buffer plain{"just\ntext"};
  EDITSTREAM ps{reinterpret_cast<uintptr_t>(&plain), 0, &ReadBuffer};
  SendMessage(e, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&ps));
  EXPECT_EQ(Text(e), "just\rtext");
  // Into the selection only.
  SendMessage(e, EM_SETSEL, 0, 4);
  Buffer part{"{\\rtf1 \\i new}"};
  EDITSTREAM qs{reinterpret_cast<uintptr_t>(&part), 0, &ReadBuffer};
  SendMessage(e, EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&qs));
  EXPECT_EQ(Text(e), "new\rtext");
}

TEST_F(RichEdit, MouseClicksDragsWordsAndShiftClicks) {
  HWND e = Edit(ES_MULTILINE, "alpha beta gamma", ENM_SELCHANGE | ENM_MOUSEEVENTS);
  POINT p = ScreenPointOf(e, 7);
  input::MouseMove(p.x, p.y);
  input::MouseButton(input::kLeft, true);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_EQ(Sel(e), (std::pair<long, long>{7, 7}));
  EXPECT_EQ(g_log.front(), "EN_MSGFILTER WM_LBUTTONDOWN 0x1");
  // Shift-click extends from the anchor.
  POINT q = ScreenPointOf(e, 13);
  input::Key(VK_SHIFT, true);
  input::MouseMove(q.x, q.y);
  input::MouseButton(input::kLeft, true);
  input::MouseButton(input::kLeft, false);
  input::Key(VK_SHIFT, false);
  Pump();
  EXPECT_EQ(Sel(e), (std::pair<long, long>{7, 13}));
  // A drag selects what it passes.
  POINT a = ScreenPointOf(e, 1), b = ScreenPointOf(e, 4);
  input::MouseMove(a.x, a.y + 40);  // away, so the next press is no double click
  Pump();
  input::MouseMove(a.x, a.y);
  input::MouseButton(input::kLeft, true);
  Pump();
  input::MouseMove(b.x, b.y);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_EQ(Sel(e), (std::pair<long, long>{1, 4}));
  // A double click selects the word.
  POINT w = ScreenPointOf(e, 12);
  input::MouseMove(w.x, w.y + 40);
  Pump();
  input::MouseMove(w.x, w.y);
  for (int i = 0; i < 2; ++i) {
    input::MouseButton(input::kLeft, true);
    input::MouseButton(input::kLeft, false);
  }
  Pump();
  EXPECT_EQ(Sel(e), (std::pair<long, long>{11, 16}));
}

TEST_F(RichEdit, WrapsLinesAndScrolls) {
  HWND e = Edit(DWORD(ES_MULTILINE) | WS_VSCROLL, "", ENM_SCROLL);
  std::string text;
  for (int i = 0; i < 40; ++i) text += "word" + std::to_string(i) + " ";
  SetWindowText(e, text.c_str());
  long lines = long(SendMessage(e, EM_GETLINECOUNT, 0, 0));
  EXPECT_GT(lines, 5);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 0, 0), 0);
  long second = long(SendMessage(e, EM_LINEINDEX, 1, 0));
  EXPECT_GT(second, 0);
  EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, WPARAM(second), 0), 1);
  EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, WPARAM(second - 1), 0), 0);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, WPARAM(lines + 5), 0), -1);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  SendMessage(e, EM_LINESCROLL, 0, 2);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 2);
  // The scroll bar's down arrow scrolls a line and reports it.
  RECT client{};
  GetClientRect(e, &client);
  POINT arrow{client.right - 4, client.bottom - 4};
  ClientToScreen(e, &arrow);
  g_log.clear();
  input::MouseMove(arrow.x, arrow.y);
  input::MouseButton(input::kLeft, true);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 3);
  EXPECT_NE(std::find(g_log.begin(), g_log.end(), "EN_VSCROLL"), g_log.end());
  // Going to the end scrolls the caret into view.
  Keys({VK_CONTROL}, VK_HOME);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  Keys({VK_CONTROL}, VK_END);
  EXPECT_GT(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(RichEdit, SingleLinesAndUnwrappedLinesScrollSideways) {
  HWND e = Edit(0);
  std::string typed(120, 'w');
  input::Type(typed.c_str());
  Pump();
  POINT at{};
  SendMessage(e, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&at));
  EXPECT_GT(at.x, 0) << "the caret at the end is in view";
  POINT caret{};
  SendMessage(e, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&caret), 120);
  RECT client{};
  GetClientRect(e, &client);
  EXPECT_LT(caret.x, client.right);
  EXPECT_GE(caret.x, 0);
  Keys({}, VK_HOME);
  SendMessage(e, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&at));
  EXPECT_EQ(at.x, 0);
  // A multi-line control with a horizontal scroll bar does not wrap.
  HWND m = Edit(DWORD(ES_MULTILINE) | WS_HSCROLL, typed.c_str());
  EXPECT_EQ(SendMessage(m, EM_GETLINECOUNT, 0, 0), 1);
  HWND w = Edit(ES_MULTILINE, (typed + " " + typed).c_str());
  EXPECT_GT(SendMessage(w, EM_GETLINECOUNT, 0, 0), 2);
}

TEST_F(RichEdit, AParentMayDestroyTheControlWhileItIsTold) {
  HWND e = Edit(ES_MULTILINE, "text");
  g_onChange = [](HWND control) { DestroyWindow(control); };
  SendMessage(e, EM_SETSEL, 0, -1);
  input::Type("x");
  Pump();
  EXPECT_FALSE(IsWindow(e));
  // After EN_CHANGE only the focus leaving: no EN_SELCHANGE from a control
  // that is gone, and its key-up goes nowhere.
  EXPECT_EQ(g_log, (Seq{"EN_SELCHANGE 0-4", "EN_MSGFILTER WM_KEYDOWN 0x58",
                        "EN_MSGFILTER WM_CHAR 0x78", "EN_CHANGE", "EN_KILLFOCUS"}));
  g_onChange = nullptr;
}

TEST(Clipboard, OpenOnceHoldsBlocksAndConvertsText) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);
  std::memcpy(GlobalLock(block), u"\u20AC1", 6);
  GlobalUnlock(block);
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), block);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  HGLOBAL narrow = GetClipboardData(CF_TEXT);
  ASSERT_NE(narrow, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(narrow)),
               "\x80"
               "1");
  GlobalUnlock(narrow);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());
  // Closed: no data and no changes.
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(RegisterClipboardFormat("Rich Text Format"),
            RegisterClipboardFormat("rich text format"));
  EXPECT_GE(RegisterClipboardFormat("Other"), 0xC000u);
}

}  // namespace
}  // namespace tess::test

namespace tess::platform::richedit {
namespace {

// EM_FORMATRANGE lays the text out in the rectangle's width and takes the
// lines that fit its height, at least one; drawing marks only inside it.
TEST(RichEditFormatRange, TakesTheLinesThatFitAndDrawsThem) {
  LoadRichEditLibrary();
  HWND e = CreateWindowEx(0, kRichEditClass, "", ES_MULTILINE, 0, 0, 0, 0, nullptr, nullptr,
                          nullptr, nullptr);
  ASSERT_TRUE(e);
  std::string text;
  for (int i = 0; i < 30; ++i) text += "word" + std::to_string(i) + " ";
  SetWindowText(e, text.c_str());
  const long length = long(text.size());
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 200, 200);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 200, 200};
  HBRUSH white = CreateSolidBrush(0xFFFFFF);
  FillRect(dc, &all, white);
  DeleteObject(white);
  auto range = [&](long from, int x, int y, int w, int h, bool render) {
    FORMATRANGE fr{};
    fr.hdc = fr.hdcTarget = dc;
    fr.rc = RECT{x * 15, y * 15, (x + w) * 15, (y + h) * 15};
    fr.rcPage = fr.rc;
    fr.chrg = CHARRANGE{from, -1};
    return long(SendMessage(e, EM_FORMATRANGE, render ? 1 : 0, LPARAM(&fr)));
  };
  // Measuring: a narrow, short block stops partway; a tall one takes all;
  // one too short for a line still takes one; past the end answers the end.
  long first = range(0, 10, 10, 120, 40, false);
  EXPECT_GT(first, 0);
  EXPECT_LT(first, length);
  EXPECT_EQ(range(0, 10, 10, 120, 2000, false), length);
  long one = range(0, 10, 10, 120, 1, false);
  EXPECT_GT(one, 0);
  EXPECT_LT(one, first);
  EXPECT_EQ(range(length + 5, 0, 0, 120, 40, false), length);
  EXPECT_EQ(SendMessage(e, EM_FORMATRANGE, 0, 0), 0);
  // Blocks continue where the last ended and reach the end.
  long at = 0;
  int blocks = 0;
  while (at < length && blocks < 50) {
    at = range(at, 10, 10 + 45 * (blocks % 4), 120, 40, true);
    ++blocks;
  }
  EXPECT_EQ(at, length);
  EXPECT_GT(blocks, 1);
  // Ink inside the blocks' column, none to the right of it.
  int inside = 0, outside = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x)
      if ((GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF) ++(x >= 10 && x < 130 ? inside : outside);
  EXPECT_GT(inside, 50);
  EXPECT_EQ(outside, 0);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  DestroyWindow(e);
}

}  // namespace
}  // namespace tess::platform::richedit
