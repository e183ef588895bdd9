#include "ui/styled_text.h"

#include <algorithm>
#include <map>
#include <vector>

namespace tess::ui {

namespace {

using richedit::CharFormat;
using richedit::TextModel;

constexpr int kFirstNamed = 1024;

void Put16(std::string& out, uint32_t v) {
  out.push_back(char(v >> 8 & 0xFF));
  out.push_back(char(v & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}

class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}
  bool Has(size_t n) const { return at_ + n <= data_.size(); }
  uint32_t U8() { return Has(1) ? uint8_t(data_[at_++]) : 0; }
  uint32_t U16() {
    uint32_t hi = U8();
    return hi << 8 | U8();
  }
  uint32_t U32() {
    uint32_t hi = U16();
    return hi << 16 | U16();
  }
  std::string_view Bytes(size_t n) {
    n = std::min(n, data_.size() - at_);
    std::string_view s = data_.substr(at_, n);
    at_ += n;
    return s;
  }

 private:
  std::string_view data_;
  size_t at_ = 0;
};

std::string ClassicFont(int number) {
  switch (number) {
    case 4:
    case 22:
      return "Courier New";
    case 20:
      return "Times New Roman";
    case 21:
      return "Arial";
    default:
      return "MS Sans Serif";
  }
}

}  // namespace

std::string EncodeStyledText(const TextModel& model) {
  std::vector<richedit::Run> runs = model.Runs(0, model.Length());
  if (runs.empty()) runs.push_back(richedit::Run{0, 0, model.DefaultFormat()});
  std::vector<std::string> names;
  std::string out;
  Put16(out, uint32_t(std::min<size_t>(runs.size(), 0xFFFF)));
  for (size_t i = 0; i < runs.size() && i < 0xFFFF; ++i) {
    const CharFormat& f = model.Format(runs[i].format);
    auto it = std::find(names.begin(), names.end(), f.face);
    if (it == names.end()) it = names.insert(names.end(), f.face);
    int points = std::max(1, f.twips / 20);
    Put32(out, uint32_t(runs[i].start));
    Put16(out, uint32_t(points * 4 / 3 + 2));
    Put16(out, uint32_t(points));
    Put16(out, uint32_t(kFirstNamed + (it - names.begin())));
    out.push_back(char((f.bold ? 1 : 0) | (f.italic ? 2 : 0) | (f.underline ? 4 : 0)));
    out.push_back(0);
    Put16(out, uint32_t(points));
    Put16(out, (f.color >> 16 & 0xFF) * 257);
    Put16(out, (f.color >> 8 & 0xFF) * 257);
    Put16(out, (f.color & 0xFF) * 257);
  }
  Put16(out, uint32_t(names.size()));
  for (size_t i = 0; i < names.size(); ++i) {
    Put16(out, uint32_t(kFirstNamed + i));
    std::string name = names[i].substr(0, 255);
    out.push_back(char(name.size()));
    out += name;
  }
  return out;
}

bool DecodeStyledText(std::string_view block, TextModel* model) {
  Reader r(block);
  if (!r.Has(2)) return false;
  uint32_t count = r.U16();
  struct Entry {
    uint32_t start;
    int font, face, size;
    uint32_t color;
  };
  std::vector<Entry> entries;
  for (uint32_t i = 0; i < count && r.Has(20); ++i) {
    Entry e{};
    e.start = r.U32();
    r.U16();
    r.U16();
    e.font = int(int16_t(r.U16()));
    e.face = int(r.U8());
    r.U8();
    e.size = int(int16_t(r.U16()));
    uint32_t red = r.U16() >> 8, green = r.U16() >> 8, blue = r.U16() >> 8;
    e.color = red << 16 | green << 8 | blue;
    entries.push_back(e);
  }
  std::map<int, std::string> names;
  if (r.Has(2)) {
    for (uint32_t n = r.U16(), i = 0; i < n && r.Has(3); ++i) {
      int number = int(int16_t(r.U16()));
      names[number] = std::string(r.Bytes(r.U8()));
    }
  }
  size_t length = model->Length();
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    if (e.start >= length) break;
    size_t end = i + 1 < entries.size() ? std::min<size_t>(entries[i + 1].start, length) : length;
    if (end <= e.start) continue;
    CharFormat f;
    auto name = names.find(e.font);
    f.face = name != names.end() ? name->second : ClassicFont(e.font);
    f.twips = std::clamp(e.size > 0 ? e.size : 12, 1, 1638) * 20;
    f.bold = e.face & 1;
    f.italic = e.face & 2;
    f.underline = e.face & 4;
    f.color = e.color;
    model->SetFormat(e.start, end - e.start, richedit::kSetAll, f);
  }
  return true;
}

}  // namespace tess::ui
