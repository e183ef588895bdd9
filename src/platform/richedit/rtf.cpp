#include "platform/richedit/rtf.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <unordered_set>
#include <vector>

namespace tess::richedit {

namespace {

// Code page 1252 at 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char32_t FromCp1252(uint8_t b) {
  if (b >= 0x80 && b < 0xA0) return kCp1252High[b - 0x80];
  return b;
}

// The 1252 byte of a character, or -1.
int ToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
  for (size_t i = 0; i < kCp1252High.size(); ++i)
    if (kCp1252High[i] == c && c != 0xFFFD) return int(0x80 + i);
  return -1;
}

// Destinations whose text is not body text (those written with \* are
// skipped by that mark already).
bool IsSkippedDestination(std::string_view word) {
  static constexpr std::string_view kWords[] = {"stylesheet",
                                                "info",
                                                "pict",
                                                "header",
                                                "headerl",
                                                "headerr",
                                                "headerf",
                                                "footer",
                                                "footerl",
                                                "footerr",
                                                "footerf",
                                                "footnote",
                                                "object",
                                                "filetbl",
                                                "listtable",
                                                "listoverridetable",
                                                "revtbl",
                                                "xe",
                                                "tc",
                                                "txe",
                                                "annotation",
                                                "atnauthor",
                                                "atnid",
                                                "atndate",
                                                "atntime",
                                                "atnref",
                                                "private",
                                                "rxe",
                                                "bkmkstart",
                                                "bkmkend",
                                                "fldinst",
                                                "datafield",
                                                "template",
                                                "themedata",
                                                "colorschememapping",
                                                "latentstyles",
                                                "datastore",
                                                "xmlnstbl",
                                                "rsidtbl",
                                                "generator",
                                                "pgdsctbl",
                                                "mmathPr",
                                                "nonshppict",
                                                "shppict",
                                                "objdata",
                                                "operator",
                                                "author",
                                                "title",
                                                "subject",
                                                "keywords",
                                                "comment",
                                                "doccomm",
                                                "company",
                                                "category",
                                                "userprops",
                                                "falt",
                                                "panose",
                                                "fontemb",
                                                "fontfile",
                                                "background"};
  static const std::unordered_set<std::string_view> kSet(std::begin(kWords), std::end(kWords));
  return kSet.count(word) > 0;
}

enum class Dest { kBody, kSkip, kFontTable, kFontEntry, kColorTable };

struct State {
  Dest dest = Dest::kBody;
  CharFormat format;
  int ucSkip = 1;
  Align align = Align::kLeft;
  int fontNumber = 0;  // inside a font-table entry
};

class Reader {
 public:
  Reader(std::string_view data, TextModel& model, const CharFormat& base)
      : data_(data), model_(model), base_(base) {}

  bool Run(std::string* error);
  std::vector<Cell>& cells() { return cells_; }

 private:
  void Emit(char32_t c);
  void EmitByte(uint8_t b) { Emit(FromCp1252(b)); }
  void ControlWord(std::string_view word, bool hasParam, int32_t param, size_t* skip);
  void EndParagraph();
  uint16_t FormatIndex();
  CharFormat PlainFormat() const;

  std::string_view data_;
  TextModel& model_;
  CharFormat base_;
  std::vector<State> stack_;
  State st_;
  std::vector<Cell> cells_;
  size_t paragraphStart_ = 0;
  std::map<int, std::string> fonts_;
  int defaultFont_ = 0;
  std::vector<uint32_t> colors_;
  bool colorSet_ = false;
  uint32_t color_ = 0;
  std::string fontName_;
  CharFormat lastFormat_;
  uint16_t lastIndex_ = 0;
  bool haveLast_ = false;
  bool formatTouched_ = true;  // a control word or group boundary since the last lookup
};

CharFormat Reader::PlainFormat() const {
  CharFormat f = base_;
  f.bold = f.italic = f.underline = false;
  f.color = 0;
  f.twips = 240;  // \plain gives 12 points
  auto it = fonts_.find(defaultFont_);
  if (it != fonts_.end()) f.face = it->second;
  return f;
}

uint16_t Reader::FormatIndex() {
  // Text runs between control words: the format is compared only after one.
  if (haveLast_ && !formatTouched_) return lastIndex_;
  formatTouched_ = false;
  if (!haveLast_ || !(lastFormat_ == st_.format)) {
    lastFormat_ = st_.format;
    lastIndex_ = model_.Intern(st_.format);
    haveLast_ = true;
  }
  return lastIndex_;
}

void Reader::Emit(char32_t c) {
  switch (st_.dest) {
    case Dest::kBody:
      // Control characters have no place in the text (the mark comes from \par).
      if (c < 0x20 && c != U'\t') return;
      cells_.push_back(Cell{c, FormatIndex(), st_.align});
      return;
    case Dest::kFontEntry:
    case Dest::kFontTable:
      if (c == U';') {
        fonts_[st_.fontNumber] = EncodeUtf8(DecodeText(fontName_));
        fontName_.clear();
      } else if (fontName_.size() < 64) {
        fontName_ += EncodeUtf8(std::u32string(1, c));
      }
      return;
    case Dest::kColorTable:
      if (c == U';') {
        colors_.push_back(colorSet_ ? color_ : 0);
        color_ = 0;
        colorSet_ = false;
      }
      return;
    case Dest::kSkip:
      return;
  }
}

void Reader::EndParagraph() {
  cells_.push_back(Cell{kParagraphMark, FormatIndex(), st_.align});
  for (size_t i = paragraphStart_; i < cells_.size(); ++i) cells_[i].align = st_.align;
  paragraphStart_ = cells_.size();
}

void Reader::ControlWord(std::string_view w, bool hasParam, int32_t p, size_t* skip) {
  formatTouched_ = true;
  bool on = !hasParam || p != 0;
  if (st_.dest == Dest::kColorTable) {
    int v = std::clamp(p, 0, 255);
    if (w == "red") color_ = (color_ & 0x00FFFF) | uint32_t(v) << 16, colorSet_ = true;
    if (w == "green") color_ = (color_ & 0xFF00FF) | uint32_t(v) << 8, colorSet_ = true;
    if (w == "blue") color_ = (color_ & 0xFFFF00) | uint32_t(v), colorSet_ = true;
    return;
  }
  if (st_.dest == Dest::kFontTable || st_.dest == Dest::kFontEntry) {
    if (w == "f") {
      st_.dest = Dest::kFontEntry;
      st_.fontNumber = p;
      fontName_.clear();
    } else if (IsSkippedDestination(w)) {
      st_.dest = Dest::kSkip;
    }
    return;
  }
  if (st_.dest == Dest::kSkip) return;
  if (w == "fonttbl") {
    st_.dest = Dest::kFontTable;
  } else if (w == "colortbl") {
    st_.dest = Dest::kColorTable;
  } else if (w == "deff") {
    defaultFont_ = p;
  } else if (w == "par" || w == "line" || w == "sect" || w == "page") {
    EndParagraph();
  } else if (w == "pard") {
    st_.align = Align::kLeft;
  } else if (w == "ql" || w == "qj" || w == "qd") {
    st_.align = Align::kLeft;
  } else if (w == "qc") {
    st_.align = Align::kCenter;
  } else if (w == "qr") {
    st_.align = Align::kRight;
  } else if (w == "plain") {
    st_.format = PlainFormat();
  } else if (w == "b") {
    st_.format.bold = on;
  } else if (w == "i") {
    st_.format.italic = on;
  } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash") {
    st_.format.underline = on;
  } else if (w == "ulnone") {
    st_.format.underline = false;
  } else if (w == "f") {
    auto it = fonts_.find(p);
    if (it != fonts_.end() && !it->second.empty()) st_.format.face = it->second;
  } else if (w == "fs") {
    if (hasParam && p > 0) st_.format.twips = std::clamp(p, 2, 3276) * 10;
  } else if (w == "cf") {
    st_.format.color = p > 0 && size_t(p) < colors_.size() ? colors_[size_t(p)] : 0;
  } else if (w == "uc") {
    st_.ucSkip = std::clamp(p, 0, 10);
  } else if (w == "u") {
    int32_t v = p < 0 ? p + 65536 : p;
    Emit(v > 0 && v < 0x110000 ? char32_t(v) : char32_t(0xFFFD));
    *skip = size_t(st_.ucSkip);
  } else if (w == "tab") {
    Emit(U'\t');
  } else if (w == "emdash") {
    Emit(0x2014);
  } else if (w == "endash") {
    Emit(0x2013);
  } else if (w == "bullet") {
    Emit(0x2022);
  } else if (w == "lquote") {
    Emit(0x2018);
  } else if (w == "rquote") {
    Emit(0x2019);
  } else if (w == "ldblquote") {
    Emit(0x201C);
  } else if (w == "rdblquote") {
    Emit(0x201D);
  } else if (IsSkippedDestination(w)) {
    // Last: the words above are far more common than destinations.
    st_.dest = Dest::kSkip;
  }
}

bool Reader::Run(std::string* error) {
  if (!LooksLikeRtf(data_)) {
    *error = "not a rich-text document";
    return false;
  }
  st_.format = base_;
  cells_.reserve(data_.size() / 4);
  size_t i = 0;
  size_t skipChars = 0;  // fallback characters after \u still to skip
  while (i < data_.size()) {
    char c = data_[i];
    if (c == '{') {
      ++i;
      if (stack_.size() >= size_t(kMaxDepth)) {
        *error = "groups nested too deeply";
        return false;
      }
      stack_.push_back(st_);
      formatTouched_ = true;
      skipChars = 0;
      // "{\*\word": a destination this reader may not know.
      if (data_.substr(i, 2) == "\\*") {
        i += 2;
        st_.dest = Dest::kSkip;
      }
      continue;
    }
    if (c == '}') {
      ++i;
      // The document's own group closing ends it, its last paragraph open.
      if (stack_.size() <= 1) break;
      if (st_.dest == Dest::kFontEntry && !fontName_.empty()) Emit(U';');
      Dest inner = st_.dest;
      st_ = stack_.back();
      stack_.pop_back();
      formatTouched_ = true;
      if (inner == Dest::kFontEntry && st_.dest == Dest::kFontTable) fontName_.clear();
      skipChars = 0;
      continue;
    }
    if (c == '\\') {
      ++i;
      if (i >= data_.size()) break;
      char n = data_[i];
      if ((n >= 'a' && n <= 'z') || (n >= 'A' && n <= 'Z')) {
        size_t start = i;
        while (i < data_.size() &&
               ((data_[i] >= 'a' && data_[i] <= 'z') || (data_[i] >= 'A' && data_[i] <= 'Z')))
          ++i;
        // Words are short; an overlong one is no word this reader knows.
        std::string_view word = data_.substr(start, std::min<size_t>(i - start, 32));
        bool negative = false, hasParam = false;
        int64_t value = 0;
        if (i < data_.size() && data_[i] == '-' && i + 1 < data_.size() && data_[i + 1] >= '0' &&
            data_[i + 1] <= '9') {
          negative = true;
          ++i;
        }
        while (i < data_.size() && data_[i] >= '0' && data_[i] <= '9') {
          hasParam = true;
          value = std::min<int64_t>(value * 10 + (data_[i] - '0'), INT32_MAX);
          ++i;
        }
        if (i < data_.size() && data_[i] == ' ') ++i;
        int32_t param = int32_t(negative ? -value : value);
        if (skipChars) skipChars = 0;
        size_t skip = 0;
        ControlWord(word, hasParam, param, &skip);
        skipChars = skip;
        continue;
      }
      ++i;
      if (skipChars) {
        // A control symbol counts as one fallback character.
        --skipChars;
        if (n == '\'' && i + 2 <= data_.size()) i += 2;
        continue;
      }
      switch (n) {
        case '\'': {
          auto hex = [](char h) {
            if (h >= '0' && h <= '9') return h - '0';
            if (h >= 'a' && h <= 'f') return h - 'a' + 10;
            if (h >= 'A' && h <= 'F') return h - 'A' + 10;
            return -1;
          };
          int hi = i < data_.size() ? hex(data_[i]) : -1;
          int lo = i + 1 < data_.size() ? hex(data_[i + 1]) : -1;
          if (hi >= 0 && lo >= 0) {
            i += 2;
            EmitByte(uint8_t(hi << 4 | lo));
          } else if (hi >= 0) {
            ++i;  // half an escape: dropped
          }
          break;
        }
        case '~':
          Emit(0xA0);
          break;
        case '_':
          Emit(U'-');
          break;
        case '-':
          break;
        case '\\':
        case '{':
        case '}':
          Emit(char32_t(uint8_t(n)));
          break;
        case '\r':
        case '\n':
          if (st_.dest == Dest::kBody) EndParagraph();
          break;
        case '*':
          st_.dest = Dest::kSkip;
          break;
        default:
          break;
      }
      continue;
    }
    ++i;
    if (c == '\r' || c == '\n') continue;
    if (skipChars) {
      --skipChars;
      continue;
    }
    // Raw bytes in the body: ASCII as is, the upper half as code page 1252.
    EmitByte(uint8_t(c));
  }
  // The paragraph still open keeps its alignment.
  for (size_t k = paragraphStart_; k < cells_.size(); ++k) cells_[k].align = st_.align;
  return true;
}

void AppendEscaped(std::string& out, char32_t c, bool body) {
  if (c == U'\\' || c == U'{' || c == U'}') {
    out += '\\';
    out += char(c);
  } else if (c == U'\t' && body) {
    out += "\\tab ";
  } else if (c >= 0x20 && c < 0x80) {
    out += char(c);
  } else if (int b = ToCp1252(c); b >= 0x80) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\'";
    out += kHex[b >> 4];
    out += kHex[b & 15];
  } else if (c < 0x20) {
    // Control characters other than tab and the mark have no text form.
  } else {
    auto unit = [&out](uint32_t u) {
      out += "\\u";
      out += std::to_string(int16_t(uint16_t(u)));
      out += '?';
    };
    if (c >= 0x10000 && c <= 0x10FFFF) {
      uint32_t v = c - 0x10000;
      unit(0xD800 + (v >> 10));
      unit(0xDC00 + (v & 0x3FF));
    } else {
      unit(c);
    }
  }
}

}  // namespace

bool LooksLikeRtf(std::string_view data) {
  size_t i = 0;
  while (i < data.size() &&
         (data[i] == ' ' || data[i] == '\r' || data[i] == '\n' || data[i] == '\t'))
    ++i;
  return data.substr(i, 5) == "{\\rtf";
}

bool ReadRtf(std::string_view data, TextModel& model, size_t pos, size_t count,
             const CharFormat& base, size_t* inserted, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  // Surrogate pairs written as two \u words are joined.
  Reader reader(data, model, base);
  if (!reader.Run(error)) return false;
  std::vector<Cell>& cells = reader.cells();
  std::vector<Cell> joined;
  joined.reserve(cells.size());
  for (size_t i = 0; i < cells.size(); ++i) {
    char32_t c = cells[i].ch;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < cells.size() && cells[i + 1].ch >= 0xDC00 &&
        cells[i + 1].ch < 0xE000) {
      Cell pair = cells[i];
      pair.ch = 0x10000 + ((c - 0xD800) << 10) + (cells[i + 1].ch - 0xDC00);
      joined.push_back(pair);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      Cell lone = cells[i];
      lone.ch = 0xFFFD;
      joined.push_back(lone);
    } else {
      joined.push_back(cells[i]);
    }
  }
  model.ReplaceCells(pos, count, joined);
  if (inserted) *inserted = joined.size();
  return true;
}

std::string WriteRtf(const TextModel& model, size_t pos, size_t count) {
  size_t length = model.Length();
  pos = std::min(pos, length);
  count = std::min(count, length - pos);
  std::vector<Run> runs = model.Runs(pos, count);
  // Tables of the faces and colours used, in order of first use.
  std::vector<std::string> faces;
  std::vector<uint32_t> colors;
  std::map<uint16_t, std::pair<size_t, size_t>> numbers;  // format -> (font, colour index)
  for (const Run& r : runs) {
    if (numbers.count(r.format)) continue;
    const CharFormat& f = model.Format(r.format);
    auto fi = std::find(faces.begin(), faces.end(), f.face);
    if (fi == faces.end()) fi = faces.insert(faces.end(), f.face);
    auto ci = std::find(colors.begin(), colors.end(), f.color);
    if (ci == colors.end()) ci = colors.insert(colors.end(), f.color);
    numbers[r.format] = {size_t(fi - faces.begin()), size_t(ci - colors.begin()) + 1};
  }
  if (faces.empty()) faces.push_back(model.Format(model.DefaultFormat()).face);
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
  for (size_t i = 0; i < faces.size(); ++i) {
    out += "{\\f" + std::to_string(i) + "\\fnil ";
    for (char32_t c : DecodeText(faces[i]))
      if (c != U';') AppendEscaped(out, c, false);
    out += ";}";
  }
  out += "}\r\n{\\colortbl ;";
  for (uint32_t c : colors) {
    out += "\\red" + std::to_string(c >> 16 & 0xFF) + "\\green" + std::to_string(c >> 8 & 0xFF) +
           "\\blue" + std::to_string(c & 0xFF) + ";";
  }
  out += "}\r\n\\uc1";
  bool paragraphOpen = false;
  for (size_t i = pos; i < pos + count;) {
    if (!paragraphOpen) {
      Align a = model.At(i).align;
      out += a == Align::kCenter ? "\\pard\\qc" : a == Align::kRight ? "\\pard\\qr" : "\\pard\\ql";
      paragraphOpen = true;
    }
    uint16_t fi = model.At(i).format;
    const CharFormat& f = model.Format(fi);
    auto [font, color] = numbers[fi];
    out += "\\plain\\f" + std::to_string(font) + "\\fs" + std::to_string(f.twips / 10);
    if (f.bold) out += "\\b";
    if (f.italic) out += "\\i";
    if (f.underline) out += "\\ul";
    out += "\\cf" + std::to_string(color) + " ";
    for (; i < pos + count && model.At(i).format == fi; ++i) {
      char32_t c = model.CharAt(i);
      if (c == kParagraphMark) {
        out += "\\par\r\n";
        paragraphOpen = false;
        ++i;
        break;
      }
      AppendEscaped(out, c, true);
    }
  }
  out += "}";
  return out;
}

}  // namespace tess::richedit
