// Automation: see automation.h for the script format.
#include "platform/user/automation.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "platform/user/desktop.h"
#include "platform/user/winuser.h"

namespace tess::platform::automation {

namespace {

int KeyByName(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  static const std::map<std::string, int> names = {
      {"enter", VK_RETURN},  {"return", VK_RETURN}, {"tab", VK_TAB},        {"esc", VK_ESCAPE},
      {"escape", VK_ESCAPE}, {"space", VK_SPACE},   {"backspace", VK_BACK}, {"delete", VK_DELETE},
      {"insert", VK_INSERT}, {"home", VK_HOME},     {"end", VK_END},        {"pageup", VK_PRIOR},
      {"pagedown", VK_NEXT}, {"left", VK_LEFT},     {"right", VK_RIGHT},    {"up", VK_UP},
      {"down", VK_DOWN},     {"shift", VK_SHIFT},   {"ctrl", VK_CONTROL},   {"control", VK_CONTROL},
      {"alt", VK_MENU},      {"win", VK_LWIN},
  };
  if (auto it = names.find(name); it != names.end()) return it->second;
  if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') return name[0] - 'a' + 'A';
  if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return name[0];
  if (name.size() >= 2 && name[0] == 'f') {
    int n = std::atoi(name.c_str() + 1);
    if (n >= 1 && n <= 12) return VK_F1 + n - 1;
  }
  return 0;
}

bool ParseButton(const std::string& word, input::Button* b) {
  if (word.empty() || word == "left")
    *b = input::kLeft;
  else if (word == "right")
    *b = input::kRight;
  else if (word == "middle")
    *b = input::kMiddle;
  else
    return false;
  return true;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
  }
  return out;
}

HWND FindByTitle(const std::string& title) {
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT))
    if (GetWindowTextString(h) == title) return h;
  return nullptr;
}

constexpr unsigned kWaitWindowMs = 10000;

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// An item's text as the user reads it: no "&" marks, no shortcut text,
// and an ellipsis character the same as three dots, whichever was typed.
std::string ShownText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size() && text[i] != '\t'; ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    if (text.compare(i, 3, "\xE2\x80\xA6") == 0) {
      out += "...";
      i += 2;
      continue;
    }
    out += text[i];
  }
  return Trim(out);
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

int ItemByText(HMENU menu, const std::string& text) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    if (!(GetMenuState(menu, UINT(i), MF_BYPOSITION) & MF_SEPARATOR) &&
        SameText(ShownText(GetMenuItemText(menu, UINT(i), MF_BYPOSITION)), text))
      return i;
  return -1;
}

// The active window if it has a bar, otherwise the frontmost that has one.
HWND MenuWindow() {
  if (HWND active = GetActiveWindow(); GetMenu(active)) return active;
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT))
    if (IsWindowVisible(h) && GetMenu(h)) return h;
  return nullptr;
}

}  // namespace

void MoveMouse(int x, int y) {
  input::MouseMove(x, y);
}

void Click(int x, int y, input::Button button) {
  input::MouseMove(x, y);
  input::MouseButton(button, true);
  input::MouseButton(button, false);
}

void DoubleClick(int x, int y) {
  Click(x, y);
  Click(x, y);
}

bool PressKeys(const std::string& chord) {
  std::vector<int> keys;
  std::stringstream in(chord);
  std::string part;
  while (std::getline(in, part, '+')) {
    int vk = KeyByName(part);
    if (!vk) return false;
    keys.push_back(vk);
  }
  if (keys.empty()) return false;
  for (int vk : keys) input::Key(vk, true);
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) input::Key(*it, false);
  return true;
}

void Type(const std::string& text) {
  input::Type(text.c_str());
}

namespace {

// Handles messages and input until none is left, or until `over` says the
// caller no longer needs to wait.
bool (*g_dispatchFilter)(const MSG&) = nullptr;

bool Settle(const std::function<bool()>& over) {
  MSG m;
  for (int budget = 100000; budget > 0; --budget) {
    if (over && over()) return true;
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        // The quit belongs to the caller's loop: put it back and stop.
        PostQuitMessage(int(m.wParam));
        return true;
      }
      if (g_dispatchFilter && g_dispatchFilter(m)) continue;
      TranslateMessage(&m);
      DispatchMessage(&m);
      continue;
    }
    if (!input::Pending()) return true;
  }
  return false;
}

// The script being run on this thread: its lines and the next one to run,
// shared by the script's own loop and the modal loops it drives.
struct ScriptRun {
  std::vector<std::string> lines;
  size_t next = 0;
  bool failed = false;
  std::string error;
};
thread_local ScriptRun* t_run = nullptr;

bool RunLine(const std::string& line, int number, std::string* error,
             const std::function<bool()>& over);

void Step(ScriptRun& run, const std::function<bool()>& over) {
  size_t index = run.next++;
  if (!RunLine(run.lines[index], int(index + 1), &run.error, over)) run.failed = true;
}

}  // namespace

bool WaitIdle() {
  return Settle(nullptr);
}

bool ChooseMenu(HWND hwnd, const std::vector<std::string>& path, std::string* error) {
  auto fail = [&](const std::string& what) {
    // Nothing is left open for the next command to stumble on.
    EndMenu();
    WaitIdle();
    if (error) *error = what;
    return false;
  };
  HMENU menu = GetMenu(hwnd);
  if (!menu) return fail("no menu bar");
  if (path.empty()) return fail("no menu item named");
  std::string shown;
  for (size_t depth = 0; depth < path.size(); ++depth) {
    std::string want = ShownText(path[depth]);
    shown += (depth ? ">" : "") + Trim(path[depth]);
    int index = ItemByText(menu, want);
    if (index < 0) return fail("no menu item '" + shown + "'");
    RECT r;
    if (!GetMenuItemRect(hwnd, menu, UINT(index), &r))
      return fail("menu item '" + shown + "' is not shown");
    if (GetMenuState(menu, UINT(index), MF_BYPOSITION) & MF_GRAYED)
      return fail("menu item '" + shown + "' is disabled");
    HMENU sub = GetSubMenu(menu, index);
    bool last = depth + 1 == path.size();
    if (last && sub) return fail("menu item '" + shown + "' opens a submenu");
    if (!last && !sub) return fail("menu item '" + shown + "' has no submenu");
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    // Titles open with a click, cascades under the pointer, items are clicked.
    if (depth > 0 && !last)
      MoveMouse(x, y);
    else
      Click(x, y);
    WaitIdle();
    menu = sub;
  }
  return true;
}

HWND WaitForWindow(const std::string& title, unsigned timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    WaitIdle();
    if (HWND h = FindByTitle(title)) return h;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    // Another thread or a timer may make it: look again shortly.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool Screenshot(const std::string& path) {
  WaitIdle();
  return desktop::SaveScreenshot(path);
}

bool ScreenshotWindow(const std::string& title, const std::string& path) {
  WaitIdle();
  HWND h = FindByTitle(title);
  return h && desktop::SaveWindowScreenshot(h, path);
}

namespace {

bool RunLine(const std::string& text, int number, std::string* error,
             const std::function<bool()>& over) {
  std::string line = text;
  auto fail = [&](const std::string& what) {
    if (error) *error = "line " + std::to_string(number) + ": " + what;
    return false;
  };
  auto unknownButton = [&](const std::string& word) {
    return fail("unknown button '" + word + "'");
  };
  {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::stringstream in(line);
    std::string command;
    if (!(in >> command) || command[0] == '#') return true;
    std::string rest;
    std::getline(in >> std::ws, rest);
    std::stringstream args(rest);
    int x = 0, y = 0;
    std::string word;
    if (command == "move" || command == "click" || command == "doubleclick" || command == "down") {
      if (!(args >> x >> y)) return fail(command + " needs X and Y");
      args >> word;
      input::Button b;
      if (!ParseButton(word, &b)) return unknownButton(word);
      if (command == "move")
        MoveMouse(x, y);
      else if (command == "click")
        Click(x, y, b);
      else if (command == "doubleclick")
        DoubleClick(x, y);
      else {
        MoveMouse(x, y);
        input::MouseButton(b, true);
      }
    } else if (command == "up") {
      args >> word;
      input::Button b;
      if (!ParseButton(word, &b)) return unknownButton(word);
      input::MouseButton(b, false);
    } else if (command == "wheel") {
      if (!(args >> x)) return fail("wheel needs a delta");
      input::Wheel(x);
    } else if (command == "key") {
      if (!PressKeys(rest)) return fail("unknown key '" + rest + "'");
    } else if (command == "type") {
      Type(Unescape(rest));
    } else if (command == "idle") {
    } else if (command == "screenshot") {
      if (rest.empty()) return fail("screenshot needs a file");
      if (!Screenshot(rest)) return fail("cannot write " + rest);
    } else if (command == "screenshot-window") {
      std::string file, title;
      args >> file;
      std::getline(args >> std::ws, title);
      if (file.empty() || title.empty()) return fail("screenshot-window needs a file and a title");
      if (!ScreenshotWindow(title, file))
        return fail("no window '" + title + "' or cannot write " + file);
    } else if (command == "menu") {
      std::vector<std::string> path;
      std::stringstream parts(rest);
      std::string part;
      while (std::getline(parts, part, '>')) path.push_back(part);
      HWND target = MenuWindow();
      std::string why;
      if (path.empty()) return fail("menu needs a path such as File>Open");
      if (!target) return fail("no window with a menu bar");
      if (!ChooseMenu(target, path, &why)) return fail(why);
    } else if (command == "color") {
      HWND dialog = FindWindow(kColorDialogClass, nullptr);
      if (!dialog) return fail("no colour dialog is open");
      char* end = nullptr;
      unsigned long rgb = std::strtoul(rest.c_str(), &end, 16);
      if (rest == "cancel") {
        SendMessage(dialog, kAnswerDialogMessage, IDCANCEL, 0);
      } else if (rest.size() == 6 && end && *end == '\0') {
        SendMessage(dialog, kAnswerDialogMessage, IDOK, LPARAM(rgb));
      } else {
        return fail("color needs RRGGBB or cancel");
      }
    } else if (command == "pause") {
      // Lets time pass with messages handled, for timers the script waits on.
      if (!(args >> x) || x < 0) return fail("pause needs milliseconds");
      DWORD start = GetTickCount();
      while (GetTickCount() - start < DWORD(x) && !(over && over())) {
        if (!Settle(over)) return fail("the application does not settle");
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    } else if (command == "wait-window") {
      if (rest.empty()) return fail("wait-window needs a title");
      if (!WaitForWindow(rest, kWaitWindowMs)) return fail("no window '" + rest + "' appeared");
    } else {
      return fail("unknown command '" + command + "'");
    }
    if (!Settle(over)) return fail("the application does not settle");
  }
  return true;
}

}  // namespace

bool RunScript(const std::string& text, std::string* error) {
  ScriptRun run;
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);) run.lines.push_back(line);
  ScriptRun* outer = std::exchange(t_run, &run);
  while (!run.failed && run.next < run.lines.size()) Step(run, nullptr);
  t_run = outer;
  if (run.failed && error) *error = run.error;
  return !run.failed;
}

bool ContinueScript(const std::function<bool()>& over) {
  if (!t_run || t_run->failed || t_run->next >= t_run->lines.size()) return false;
  Step(*t_run, over);
  return true;
}

bool ScriptRunning() {
  return t_run != nullptr;
}

bool RunScriptFile(const std::string& path, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::stringstream all;
  all << in.rdbuf();
  return RunScript(all.str(), error);
}

void SetDispatchFilter(bool (*filter)(const MSG& msg)) {
  g_dispatchFilter = filter;
}

bool HasScriptSetting() {
  const char* path = std::getenv("TESSERA_SCRIPT");
  return path && *path;
}

bool RunScriptFromSetting(std::string* error) {
  const char* path = std::getenv("TESSERA_SCRIPT");
  if (!path || !*path) return true;
  return RunScriptFile(path, error);
}

}  // namespace tess::platform::automation
