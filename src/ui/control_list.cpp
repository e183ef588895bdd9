#include "ui/control_list.h"

#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "ui/instance_layout.h"

namespace tess::ui {

ControlList::~ControlList() {
  Clear();
}

std::string ControlList::KeyOf(std::string_view name, int32_t index) {
  std::string key(name);
  if (index != kNotInArray) key += "$" + std::to_string(index);
  return key;
}

void ControlList::Add(TessObject* control, std::string_view name, int32_t index,
                      std::vector<PropertyPair> pairs) {
  if (!HasGroup(name)) groups_.emplace_back(name);
  LockObject(control);
  entries_.push_back({KeyOf(name, index), std::string(name), index, control, std::move(pairs)});
}

const std::vector<PropertyPair>* ControlList::PairsOf(TessObject* control) const {
  for (const Entry& e : entries_)
    if (e.control == control) return &e.pairs;
  return nullptr;
}

size_t ControlList::PositionOf(TessObject* control) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].control == control) return i;
  return entries_.size();
}

bool ControlList::Remove(TessObject* control) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->control != control) continue;
    entries_.erase(it);
    UnlockObject(control);
    return true;
  }
  return false;
}

void ControlList::Clear() {
  while (!entries_.empty()) {
    TessObject* control = entries_.back().control;
    entries_.pop_back();
    UnlockObject(control);
  }
  groups_.clear();
}

TessObject* ControlList::Find(std::string_view key) const {
  for (const Entry& e : entries_)
    if (SameName(e.key, key)) return e.control;
  return nullptr;
}

bool ControlList::HasGroup(std::string_view name) const {
  for (const std::string& g : groups_)
    if (SameName(g, name)) return true;
  return false;
}

int32_t ControlList::LastIndex(std::string_view name) const {
  int32_t last = kNotInArray;
  for (const Entry& e : entries_)
    if (SameName(e.name, name) && e.index != kNotInArray && (last == kNotInArray || e.index > last))
      last = e.index;
  return last;
}

}  // namespace tess::ui
