// Automation: see automation.h for the script format.
#include "platform/user/automation.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
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

bool WaitIdle() {
  MSG m;
  for (int budget = 100000; budget > 0; --budget) {
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        // The quit belongs to the caller's loop: put it back and stop.
        PostQuitMessage(int(m.wParam));
        return true;
      }
      TranslateMessage(&m);
      DispatchMessage(&m);
      continue;
    }
    if (!input::Pending()) return true;
  }
  return false;
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

bool RunScript(const std::string& text, std::string* error) {
  std::stringstream lines(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& what) {
    if (error) *error = "line " + std::to_string(number) + ": " + what;
    return false;
  };
  auto unknownButton = [&](const std::string& word) {
    return fail("unknown button '" + word + "'");
  };
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::stringstream in(line);
    std::string command;
    if (!(in >> command) || command[0] == '#') continue;
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
    } else {
      return fail("unknown command '" + command + "'");
    }
    if (!WaitIdle()) return fail("the application does not settle");
  }
  return true;
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

bool RunScriptFromSetting(std::string* error) {
  const char* path = std::getenv("TESSERA_SCRIPT");
  if (!path || !*path) return true;
  return RunScriptFile(path, error);
}

}  // namespace tess::platform::automation
