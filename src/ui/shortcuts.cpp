#include "ui/shortcuts.h"

#include <cctype>

#include "platform/user/messages.h"
#include "runtime/name_fold.h"

namespace tess::ui {

using namespace platform;

std::string KeyName(int vk) {
  static const char* const kFrom0x20[16] = {
      "Space", "PgUp",   "PgDn",  "End",     "Home",     "Left", "Up",  "Right",
      "Down",  "Select", "Print", "Execute", "Snapshot", "Ins",  "Del", "Help"};
  if (vk >= VK_F1 && vk < VK_F1 + 24) return "F" + std::to_string(vk - VK_F1 + 1);
  switch (vk) {
    case VK_ESCAPE:
      return "Esc";
    case VK_BACK:
      return "Bsp";
    case VK_TAB:
      return "Tab";
    case VK_CLEAR:
      return "Clr";
    case VK_RETURN:
      return "Enter";
    default:
      break;
  }
  if (vk >= 0x20 && vk <= 0x2F) return kFrom0x20[vk - 0x20];
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, char(vk));
  // Punctuation keys of the US layout by their unshifted character, so that
  // a CommandKey such as "-" or "/" can be pressed.
  static const std::pair<int, char> kPunctuation[] = {
      {0xBA, ';'}, {0xBB, '='}, {0xBC, ','},  {0xBD, '-'}, {0xBE, '.'}, {0xBF, '/'},
      {0xC0, '`'}, {0xDB, '['}, {0xDC, '\\'}, {0xDD, ']'}, {0xDE, '\''}};
  for (auto [key, c] : kPunctuation)
    if (vk == key) return std::string(1, c);
  return {};
}

std::string KeyText(int vk, bool control, bool shift, bool alt) {
  std::string name = KeyName(vk);
  if (name.empty()) return {};
  std::string text;
  if (control) text += "Ctrl+";
  if (shift) text += "Shft+";
  if (alt) text += "Alt+";
  return text + name;
}

std::string AcceleratorText(std::string_view commandKey) {
  if (commandKey.empty()) return {};
  bool shift = false, control = false, alt = false;
  std::string_view rest = commandKey;
  for (size_t dash; (dash = rest.find('-')) != std::string_view::npos;) {
    std::string_view word = rest.substr(0, dash);
    rest = rest.substr(dash + 1);
    if (SameName(word, "Shift")) shift = true;
    if (SameName(word, "Control")) control = true;
    if (SameName(word, "Alt")) alt = true;
  }
  std::string key = rest.empty() ? "-" : std::string(rest);
  if (key.size() == 1) {
    control = true;
    key[0] = char(std::toupper(static_cast<unsigned char>(key[0])));
  }
  std::string text;
  if (control) text += "Ctrl+";
  if (shift) text += "Shft+";
  if (alt) text += "Alt+";
  return text + key;
}

void AcceleratorTable::Register(std::string_view text, const void* target) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->target != target) continue;
    entries_.erase(it);
    break;
  }
  if (!text.empty()) entries_.push_back({std::string(text), target});
}

const void* AcceleratorTable::Find(std::string_view text) const {
  for (const Entry& e : entries_)
    if (SameName(e.text, text)) return e.target;
  return nullptr;
}

}  // namespace tess::ui
