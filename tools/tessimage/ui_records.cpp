// Window layout and menu record writers over the stored-record primitives.
#include "ui_records.h"

#include <algorithm>
#include <iterator>

#include "base/byte_order.h"
#include "error.h"
#include "stored_record.h"

namespace tess::imagetool {
namespace {

void AppendPairs(std::vector<uint8_t>& out, const std::vector<ui::PropertyPair>& pairs) {
  for (const ui::PropertyPair& p : pairs) {
    AppendString(out, p.name);
    AppendString(out, p.value);
  }
}

void AppendEntry(std::vector<uint8_t>& out, const ui::MenuEntry& e) {
  AppendNumber(out, e.kind);
  AppendString(out, e.text);
  AppendString(out, e.name);
  AppendNumber(out, e.index);
  AppendString(out, e.commandKey);
  AppendString(out, e.text2);
  AppendString(out, e.text3);
  AppendFlag(out, e.flag);
  AppendFlag(out, e.hasSubmenu);
  AppendNumber(out, e.classIndex);
}

void AppendChildren(std::vector<uint8_t>& out, const std::vector<ui::MenuEntry>& children,
                    int level) {
  if (level >= ui::kMaxMenuDepth) {
    throw Error("menus nest deeper than " + std::to_string(ui::kMaxMenuDepth) + " levels");
  }
  AppendNumber(out, int32_t(children.size()));
  for (const ui::MenuEntry& child : children) {
    AppendEntry(out, child);
    if (child.hasSubmenu) {
      AppendChildren(out, child.children, level + 1);
    } else if (!child.children.empty()) {
      throw Error("menu entry \"" + child.text + "\" has children but no submenu flag");
    }
  }
}

}  // namespace

std::vector<uint8_t> WindowLayoutRecord(const ui::WindowLayout& layout) {
  std::vector<uint8_t> out;
  AppendNumber(out, int32_t(layout.pairs.size()));
  AppendNumber(out, layout.windowClass);
  AppendPairs(out, layout.pairs);
  AppendNumber(out, int32_t(layout.controls.size()));
  for (const ui::ControlLayout& c : layout.controls) {
    AppendNumber(out, c.classIndex);
    AppendNumber(out, int32_t(c.pairs.size()));
    AppendPairs(out, c.pairs);
  }
  AppendNumber(out, int32_t(layout.bindings.size()));
  for (const ui::BindingLayout& b : layout.bindings) {
    AppendNumber(out, b.sourcePosition);
    AppendString(out, b.sourcePart);
    AppendNumber(out, b.destinationPosition);
    AppendString(out, b.destinationPart);
    AppendNumber(out, b.binderClass);
    AppendString(out, b.text1);
    AppendString(out, b.text2);
  }
  return out;
}

std::vector<uint8_t> MenuBarRecord(const std::vector<ui::MenuEntry>& menus) {
  std::vector<uint8_t> out;
  AppendNumber(out, int32_t(menus.size()));
  for (const ui::MenuEntry& menu : menus) {
    AppendEntry(out, menu);
    AppendChildren(out, menu.children, 1);
  }
  return out;
}

std::vector<uint8_t> CountedBlock(const std::vector<uint8_t>& record) {
  uint8_t count[4];
  put_le32(count, uint32_t(record.size()));
  std::vector<uint8_t> out(record.size() + 4);
  std::copy(std::begin(count), std::end(count), out.begin());
  std::copy(record.begin(), record.end(), out.begin() + 4);
  return out;
}

}  // namespace tess::imagetool
