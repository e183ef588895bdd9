// Keyboard shortcuts: the text of a key press, the accelerator text a
// CommandKey describes, and the accelerator table that maps those texts to
// menu items and controls.
//
// Key text: "Ctrl+" if Control is down, then "Shft+", then "Alt+", then the
// key's name ("F5", "Esc", "Bsp", "Tab", "Clr", "Enter", the sixteen keys
// 0x20-0x2F as "Space" ... "Help", letters and digits in upper case).
// CommandKey: fields split at "-"; all but the last are modifier words
// ("Shift", "Option", "Control", "Alt"; others ignored), the last is the key
// (empty means "-" itself); a one-character key implies Control, and Option
// adds nothing on this platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tess::ui {

// The key name of a virtual key; empty for keys that have none.
std::string KeyName(int vk);
// The text of a press of `vk` with the given modifiers; empty when the key
// has no name.
std::string KeyText(int vk, bool control, bool shift, bool alt);
// The accelerator text of a CommandKey; empty for an empty key description.
std::string AcceleratorText(std::string_view commandKey);

// Accelerator texts and their targets. Registering the empty text for a
// target removes its entry; registering another text replaces it.
class AcceleratorTable {
 public:
  void Register(std::string_view text, const void* target);
  const void* Find(std::string_view text) const;
  void Remove(const void* target) { Register({}, target); }
  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::string text;
    const void* target;
  };
  std::vector<Entry> entries_;
};

}  // namespace tess::ui
