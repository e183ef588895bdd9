// Descriptor, class record and project item listing for the dump. Words that
// a fix-up relocates are shown as addresses (string constants as their
// quoted text, code as "code 0x..."), every other word as a number.
#include "records_dump.h"

#include <cstdio>
#include <map>
#include <optional>

#include "base/byte_order.h"
#include "error.h"
#include "fixups.h"
#include "stored_record.h"
#include "ui/layout_record.h"
#include "ui/menu_record.h"

namespace tess::imagetool {
namespace {

std::string Format(const char* format, auto... args) {
  char line[128];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

std::string Quote(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      out += Format("\\x%02x", c);
    }
  }
  return out + "\"";
}

// One line per entry, children indented below their parent.
std::string MenuEntryLines(const ui::MenuEntry& e, int depth) {
  std::string out(size_t(2 * depth), ' ');
  out += depth == 2 ? "menu " : "";
  out += Quote(e.text);
  if (!e.name.empty()) out += " name " + Quote(e.name);
  if (!e.commandKey.empty()) out += " key " + Quote(e.commandKey);
  if (e.index != ui::kNoArrayIndex) out += Format(" index %d", e.index);
  out += Format(" class %d", e.classIndex);
  if (e.kind != ui::kMenuEntryOrdinary) out += Format(" kind %d", e.kind);
  if (!e.text2.empty()) out += " text2 " + Quote(e.text2);
  if (!e.text3.empty()) out += " text3 " + Quote(e.text3);
  if (e.flag) out += " flag";
  out += "\n";
  for (const ui::MenuEntry& child : e.children) out += MenuEntryLines(child, depth + 1);
  return out;
}

class RecordWalker {
 public:
  explicit RecordWalker(const Image& image) : data_(image.data) {
    for (const FixupSite& s : SitesOf(DecodeFixups(image.fixups, uint32_t(data_.size())))) {
      fixups_[s.offset] = s.base;
    }
  }

  std::string Run() {
    auto desc = fixups_.find(4);
    if (desc == fixups_.end() || desc->second != FixupBase::kData) return "descriptor: none\n";
    std::string out;
    try {
      const uint32_t d = Word(4);
      const uint32_t classes = Word(d);
      const uint32_t items = Word(uint64_t(d) + 4 + 4 * uint64_t(classes));
      out += Format("descriptor at data 0x%x: %u classes, %u items\n", d, classes, items);
      for (uint32_t i = 0; i < classes; ++i) {
        out += Format("  class %u: ", i);
        out += Class(Word(uint64_t(d) + 4 + 4 * uint64_t(i)));
      }
      const uint64_t itemTable = uint64_t(d) + 8 + 4 * uint64_t(classes);
      for (uint32_t i = 0; i < items; ++i) {
        out += Format("  item %u: ", i + 1);
        out += Item(itemTable + 4 * uint64_t(i));
      }
    } catch (const Error& e) {
      out += std::string("  malformed: ") + e.what() + "\n";
    }
    return out;
  }

 private:
  uint32_t Word(uint64_t offset) const {
    if (offset > data_.size() || data_.size() - offset < 4) {
      throw Error(Format("word at data 0x%llx lies outside the data segment",
                         static_cast<unsigned long long>(offset)));
    }
    return le32(&data_[offset]);
  }

  std::optional<FixupBase> Base(uint64_t offset) const {
    auto it = fixups_.find(offset);
    if (it == fixups_.end()) return std::nullopt;
    return it->second;
  }

  // A word as it reads: a string, a code or data address, or a number.
  std::string Show(uint64_t offset) const {
    const uint32_t v = Word(offset);
    const std::optional<FixupBase> base = Base(offset);
    if (!base) return std::to_string(int32_t(v));
    if (*base == FixupBase::kCode) return Format("code 0x%x", v);
    if (uint64_t(v) + 20 <= data_.size() && Word(v) == 1 && Base(uint64_t(v) + 4)) {
      const uint32_t text = Word(uint64_t(v) + 4), length = Word(uint64_t(v) + 8);
      if (text < data_.size() && data_.size() - text - 1 >= length) {
        return Quote(std::string_view(reinterpret_cast<const char*>(&data_[text + 1]), length));
      }
    }
    return Format("data 0x%x", v);
  }

  // Shows `count` words from `at` joined by spaces; advances `at`.
  std::string Fields(uint64_t& at, uint32_t count) const {
    std::string out;
    for (uint32_t i = 0; i < count; ++i, at += 4) out += (i ? " " : "") + Show(at);
    return out;
  }

  std::string Class(uint32_t at) const {
    if (Word(at) == 1) return "framework " + Show(uint64_t(at) + 4) + "\n";
    uint64_t p = uint64_t(at) + 4;
    const uint32_t size = Word(p);
    std::string out = Show(p + 4) + Format(", %u bytes, super %d", size, int32_t(Word(p + 8)));
    p += 12;
    if (Word(p)) {
      out += ", routines " + Show(p + 4) + " " + Show(p + 8);
      p += 8;
    }
    p += 4;
    if (Word(p) & 0xFF) out += ", interface";
    p += 4;
    out += "\n";
    // Entries of `width` words, one line each, or all on one line.
    auto list = [&](const char* what, uint32_t width, bool oneLine) {
      const uint32_t count = Word(p);
      p += 4;
      if (count > (data_.size() - std::min<uint64_t>(p, data_.size())) / (4 * width)) {
        throw Error(Format("%s count %u runs past the data segment", what, count));
      }
      if (oneLine && count) out += Format("    %s ", what) + Fields(p, count) + "\n";
      for (uint32_t i = 0; !oneLine && i < count; ++i) {
        out += Format("    %s ", what) + Fields(p, width) + "\n";
      }
    };
    list("implements", 1, true);
    list("method", 5, false);
    list("hook", 3, false);
    list("event", 2, false);
    list("property", 4, false);
    list("method table:", 1, true);
    return out;
  }

  std::string Item(uint64_t slot) const {
    const uint32_t at = Word(slot);
    if (!Base(slot)) return at == 0 ? "none\n" : Format("bad address %u\n", at);
    const uint32_t kind = Word(at);
    if (kind == 5)
      return "object of class " + Show(uint64_t(at) + 4) + " into " + Show(uint64_t(at) + 8) + "\n";
    if (kind == 2) return MenuBar(uint64_t(at) + 4);
    if (kind != 4) return Format("kind %u\n", kind);
    const uint32_t length = Word(uint64_t(at) + 4);
    const uint64_t stream = uint64_t(at) + 8;
    if (stream > data_.size() || data_.size() - stream < length) {
      throw Error(Format("settings of %u bytes run past the data segment", length));
    }
    RecordReader reader(std::span<const uint8_t>(&data_[stream], length));
    const int32_t count = reader.Number();
    std::string out = Format("settings, %d message%s", count, count == 1 ? "" : "s");
    std::string messages;
    for (int32_t i = 0; i < count && i < 64; ++i) {
      messages += Format("    message %d: ", i) + Quote(reader.String()) + "\n";
    }
    out += reader.Flag() ? ", multiple-document" : "";
    out += ", title " + Quote(reader.String()) + "\n";
    return out + messages;
  }

  // The bytes from `at` to the end of the data segment.
  std::span<const uint8_t> From(uint64_t at) const {
    if (at > data_.size())
      throw Error(Format("record at data 0x%llx lies outside the data segment",
                         static_cast<unsigned long long>(at)));
    return std::span<const uint8_t>(data_).subspan(size_t(at));
  }

  std::string MenuBar(uint64_t block) const {
    std::vector<ui::MenuEntry> menus;
    std::string message;
    if (!ui::ReadMenuBar(From(block), &menus, &message)) throw Error(message);
    std::string out = Format("menu bar, %zu menu%s\n", menus.size(), menus.size() == 1 ? "" : "s");
    for (const ui::MenuEntry& m : menus) out += MenuEntryLines(m, 2);
    return out;
  }

  const std::vector<uint8_t>& data_;
  std::map<uint64_t, FixupBase> fixups_;
};

std::string Pairs(const std::vector<ui::PropertyPair>& pairs, const char* indent) {
  std::string out;
  for (const ui::PropertyPair& p : pairs) {
    out += indent + Quote(p.name) + " " + Quote(p.value) + "\n";
  }
  return out;
}

}  // namespace

std::string DescribeRecords(const Image& image) {
  return RecordWalker(image).Run();
}

std::string DescribeWindowLayout(const Image& image, uint32_t offset) {
  std::string out = Format("window layout at data 0x%x: ", offset);
  ui::WindowLayout w;
  std::string message;
  const std::span<const uint8_t> block = offset <= image.data.size()
                                             ? std::span<const uint8_t>(image.data).subspan(offset)
                                             : std::span<const uint8_t>();
  if (!ui::ReadWindowLayout(block, &w, &message)) return out + message + "\n";
  out +=
      Format("class %d, %zu pair%s, %zu control%s, %zu binding%s\n", w.windowClass, w.pairs.size(),
             w.pairs.size() == 1 ? "" : "s", w.controls.size(), w.controls.size() == 1 ? "" : "s",
             w.bindings.size(), w.bindings.size() == 1 ? "" : "s");
  out += Pairs(w.pairs, "  ");
  for (size_t i = 0; i < w.controls.size(); ++i) {
    out += Format("  control %zu: class %d\n", i, w.controls[i].classIndex);
    out += Pairs(w.controls[i].pairs, "    ");
  }
  for (const ui::BindingLayout& b : w.bindings) {
    out += Format("  bind control %d part ", b.sourcePosition) + Quote(b.sourcePart) +
           Format(" to control %d part ", b.destinationPosition) + Quote(b.destinationPart) +
           Format(" by class %d, ", b.binderClass) + Quote(b.text1) + " " + Quote(b.text2) + "\n";
  }
  return out;
}

}  // namespace tess::imagetool
