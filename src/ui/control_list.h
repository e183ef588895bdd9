// A window's controls: instances in layout order, each entered under its key
// (Name, or Name + "$" + Index for a member of a control array), and one group
// entry per distinct name, made by the first control of that name. Keys are
// compared without regard to letter case. The list holds one reference to
// each control.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tessera/types.h"
#include "ui/layout_record.h"

namespace tess::ui {

class ControlList {
 public:
  ControlList() = default;
  ControlList(const ControlList&) = delete;
  ControlList& operator=(const ControlList&) = delete;
  ~ControlList();

  // Enters `control` (one reference taken) under the key its name and index
  // give; the group entry is made when the name is new.
  void Add(TessObject* control, std::string_view name, int32_t index,
           std::vector<PropertyPair> pairs = {});
  // Removes `control`, dropping the list's reference; false when absent.
  bool Remove(TessObject* control);
  // Drops every reference, newest first.
  void Clear();

  size_t size() const { return entries_.size(); }
  TessObject* at(size_t i) const { return entries_[i].control; }
  TessObject* Find(std::string_view key) const;
  bool HasGroup(std::string_view name) const;
  // The highest index of the control array `name`, or kNotInArray.
  int32_t LastIndex(std::string_view name) const;

  // The pairs a control was built from (empty for one added at run time).
  const std::vector<PropertyPair>* PairsOf(TessObject* control) const;
  // The position of `control` in the list, or size() when absent.
  size_t PositionOf(TessObject* control) const;

  static std::string KeyOf(std::string_view name, int32_t index);

 private:
  struct Entry {
    std::string key;
    std::string name;
    int32_t index;
    TessObject* control;
    std::vector<PropertyPair> pairs;
  };
  std::vector<Entry> entries_;
  std::vector<std::string> groups_;
};

}  // namespace tess::ui
