#include "platform/richedit/text_model.h"

#include <algorithm>

namespace tess::richedit {

namespace {

bool IsWordChar(char32_t c) {
  if (c >= U'0' && c <= U'9') return true;
  if ((c | 0x20) >= U'a' && (c | 0x20) <= U'z') return true;
  return c == U'_' || c == U'\'' || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

bool IsSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == 0xA0;
}

}  // namespace

TextModel::TextModel() {
  formats_.push_back(CharFormat{});
  formatIndex_.emplace(formats_[0], 0);
}

std::u32string TextModel::Text(size_t pos, size_t count) const {
  size_t end = Length();
  pos = std::min(pos, end);
  count = std::min(count, end - pos);
  std::u32string out;
  out.reserve(count);
  for (size_t i = pos; i < pos + count; ++i) out.push_back(CharAt(i));
  return out;
}

uint16_t TextModel::Intern(const CharFormat& format) {
  auto it = formatIndex_.find(format);
  if (it != formatIndex_.end()) return it->second;
  // A document with more distinct formats than an index holds gets the
  // first format for the rest rather than failing.
  if (formats_.size() > 0xFFFF) return 0;
  uint16_t index = uint16_t(formats_.size());
  formats_.push_back(format);
  formatIndex_.emplace(format, index);
  return index;
}

void TextModel::MoveGap(size_t pos) {
  if (pos < gapStart_) {
    size_t n = gapStart_ - pos;
    std::move_backward(buffer_.begin() + pos, buffer_.begin() + gapStart_,
                       buffer_.begin() + gapEnd_);
    gapStart_ -= n;
    gapEnd_ -= n;
  } else if (pos > gapStart_) {
    size_t n = pos - gapStart_;
    std::move(buffer_.begin() + gapEnd_, buffer_.begin() + gapEnd_ + n,
              buffer_.begin() + gapStart_);
    gapStart_ += n;
    gapEnd_ += n;
  }
}

void TextModel::Reserve(size_t extra) {
  if (gapEnd_ - gapStart_ >= extra) return;
  size_t length = Length();
  size_t capacity = std::max(buffer_.size() * 2, length + extra + 64);
  std::vector<Cell> grown(capacity);
  std::copy(buffer_.begin(), buffer_.begin() + gapStart_, grown.begin());
  size_t tail = buffer_.size() - gapEnd_;
  std::copy(buffer_.begin() + gapEnd_, buffer_.end(), grown.end() - tail);
  gapEnd_ = capacity - tail;
  buffer_ = std::move(grown);
}

void TextModel::Erase(size_t pos, size_t count, std::vector<Cell>* out) {
  MoveGap(pos);
  if (out) out->assign(buffer_.begin() + gapEnd_, buffer_.begin() + gapEnd_ + count);
  gapEnd_ += count;
}

void TextModel::Insert(size_t pos, std::span<const Cell> cells) {
  Reserve(cells.size());
  MoveGap(pos);
  std::copy(cells.begin(), cells.end(), buffer_.begin() + gapStart_);
  gapStart_ += cells.size();
}

// After marks were inserted or removed at `from`, the paragraph holding it
// takes the alignment of its first character again.
void TextModel::Realign(size_t from) {
  size_t length = Length();
  if (from >= length) return;
  size_t start = ParagraphStart(from);
  Align align = At(start).align;
  for (size_t i = from; i < length; ++i) {
    Cell& c = MutableAt(i);
    if (c.align == align) {
      if (c.ch == kParagraphMark) break;
      continue;
    }
    c.align = align;
    if (c.ch == kParagraphMark) break;
  }
}

void TextModel::Record(size_t pos, std::vector<Cell> removed, size_t inserted, bool typing) {
  if (typing && typingOpen_ && !undo_.empty()) {
    UndoStep& last = undo_.back();
    // A key typed right after the previous one, or a Backspace eating into
    // what was typed, continues the step.
    if (removed.empty() && pos == last.pos + last.inserted) {
      last.inserted += inserted;
      return;
    }
    if (inserted == 0 && removed.size() <= last.inserted &&
        pos + removed.size() == last.pos + last.inserted && pos >= last.pos) {
      last.inserted -= removed.size();
      return;
    }
  }
  typingOpen_ = typing;
  undo_.push_back(UndoStep{pos, std::move(removed), inserted});
  if (undo_.size() > kUndoSteps) undo_.pop_front();
}

Change TextModel::ReplaceCells(size_t pos, size_t count, std::span<const Cell> cells) {
  size_t length = Length();
  pos = std::min(pos, length);
  count = std::min(count, length - pos);
  std::vector<Cell> removed;
  Erase(pos, count, &removed);
  Insert(pos, cells);
  bool marks =
      std::any_of(removed.begin(), removed.end(),
                  [](const Cell& c) { return c.ch == kParagraphMark; }) ||
      std::any_of(cells.begin(), cells.end(), [](const Cell& c) { return c.ch == kParagraphMark; });
  if (marks) Realign(pos);
  Record(pos, std::move(removed), cells.size(), false);
  return Change{pos, count, cells.size()};
}

Change TextModel::Replace(size_t pos, size_t count, std::u32string_view text, uint16_t format,
                          bool typing) {
  size_t length = Length();
  pos = std::min(pos, length);
  count = std::min(count, length - pos);
  if (format >= formats_.size()) format = defaultFormat_;
  Align align = pos > 0 ? At(pos - 1).align : (pos < length ? At(pos).align : emptyAlign_);
  if (pos > 0 && At(pos - 1).ch == kParagraphMark && pos < length) align = At(pos).align;
  std::vector<Cell> removed;
  Erase(pos, count, &removed);
  std::vector<Cell> cells(text.size());
  for (size_t i = 0; i < text.size(); ++i) cells[i] = Cell{text[i], format, align};
  Insert(pos, cells);
  bool marks = std::any_of(removed.begin(), removed.end(),
                           [](const Cell& c) { return c.ch == kParagraphMark; }) ||
               text.find(kParagraphMark) != std::u32string_view::npos;
  if (marks) Realign(pos);
  Record(pos, std::move(removed), text.size(), typing);
  return Change{pos, count, text.size()};
}

CharFormat TextModel::Merge(const CharFormat& base, uint32_t mask, const CharFormat& given) {
  CharFormat f = base;
  if (mask & kSetBold) f.bold = given.bold;
  if (mask & kSetItalic) f.italic = given.italic;
  if (mask & kSetUnderline) f.underline = given.underline;
  if (mask & kSetColor) f.color = given.color;
  if (mask & kSetFace) f.face = given.face;
  if (mask & kSetSize) f.twips = given.twips;
  return f;
}

void TextModel::SetFormat(size_t pos, size_t count, uint32_t mask, const CharFormat& format) {
  size_t length = Length();
  pos = std::min(pos, length);
  count = std::min(count, length - pos);
  if (!count) return;
  std::vector<Cell> before;
  before.reserve(count);
  uint16_t lastFrom = 0xFFFF, lastTo = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    Cell& c = MutableAt(i);
    before.push_back(c);
    if (c.format != lastFrom) {
      lastFrom = c.format;
      lastTo = Intern(Merge(formats_[c.format], mask, format));
    }
    c.format = lastTo;
  }
  Record(pos, std::move(before), count, false);
}

void TextModel::SetAlignment(size_t pos, size_t count, Align align) {
  size_t length = Length();
  pos = std::min(pos, length);
  count = std::min(count, length - pos);
  size_t start = ParagraphStart(pos);
  size_t end = ParagraphEnd(pos + count);
  if (end < length) ++end;  // the mark belongs to its paragraph
  if (start == end) {
    // The empty last paragraph (or document): text typed there takes it.
    if (start == 0) emptyAlign_ = align;
    return;
  }
  std::vector<Cell> before;
  for (size_t i = start; i < end; ++i) {
    Cell& c = MutableAt(i);
    before.push_back(c);
    c.align = align;
  }
  Record(start, std::move(before), end - start, false);
}

uint32_t TextModel::CommonFormat(size_t pos, size_t count, CharFormat* first) const {
  size_t length = Length();
  pos = std::min(pos, length);
  count = std::min(count, length - pos);
  uint16_t index = defaultFormat_;
  if (count)
    index = At(pos).format;
  else if (pos > 0 && At(pos - 1).ch != kParagraphMark)
    index = At(pos - 1).format;
  else if (pos < length)
    index = At(pos).format;
  const CharFormat& f = formats_[index];
  if (first) *first = f;
  uint32_t mask = kSetAll;
  uint16_t seen = index;
  for (size_t i = pos; i < pos + count && mask; ++i) {
    uint16_t g = At(i).format;
    if (g == seen) continue;
    seen = g;
    const CharFormat& o = formats_[g];
    if (o.bold != f.bold) mask &= ~kSetBold;
    if (o.italic != f.italic) mask &= ~kSetItalic;
    if (o.underline != f.underline) mask &= ~kSetUnderline;
    if (o.color != f.color) mask &= ~kSetColor;
    if (o.face != f.face) mask &= ~kSetFace;
    if (o.twips != f.twips) mask &= ~kSetSize;
  }
  return mask;
}

void TextModel::Clear() {
  buffer_.clear();
  gapStart_ = gapEnd_ = 0;
  undo_.clear();
  typingOpen_ = false;
}

size_t TextModel::ParagraphStart(size_t pos) const {
  pos = std::min(pos, Length());
  while (pos > 0 && CharAt(pos - 1) != kParagraphMark) --pos;
  return pos;
}

size_t TextModel::ParagraphEnd(size_t pos) const {
  size_t length = Length();
  while (pos < length && CharAt(pos) != kParagraphMark) ++pos;
  return std::min(pos, length);
}

Align TextModel::AlignmentAt(size_t pos) const {
  size_t length = Length();
  if (pos < length) return At(pos).align;
  if (pos > 0 && length > 0 && At(length - 1).ch != kParagraphMark) return At(length - 1).align;
  return Align::kLeft;
}

std::vector<Run> TextModel::Runs(size_t pos, size_t count) const {
  size_t length = Length();
  pos = std::min(pos, length);
  count = std::min(count, length - pos);
  std::vector<Run> runs;
  for (size_t i = pos; i < pos + count; ++i) {
    uint16_t f = At(i).format;
    if (!runs.empty() && runs.back().format == f)
      ++runs.back().length;
    else
      runs.push_back(Run{i, 1, f});
  }
  return runs;
}

size_t TextModel::WordStart(size_t pos) const {
  size_t length = Length();
  pos = std::min(pos, length);
  if (pos < length && IsWordChar(CharAt(pos))) {
    while (pos > 0 && IsWordChar(CharAt(pos - 1))) --pos;
  }
  return pos;
}

size_t TextModel::WordEnd(size_t pos) const {
  size_t length = Length();
  if (pos >= length) return length;
  if (!IsWordChar(CharAt(pos))) return CharAt(pos) == kParagraphMark ? pos : pos + 1;
  while (pos < length && IsWordChar(CharAt(pos))) ++pos;
  return pos;
}

size_t TextModel::NextWord(size_t pos) const {
  size_t length = Length();
  if (pos >= length) return length;
  if (IsWordChar(CharAt(pos)))
    while (pos < length && IsWordChar(CharAt(pos))) ++pos;
  else if (!IsSpace(CharAt(pos)))
    ++pos;
  while (pos < length && IsSpace(CharAt(pos))) ++pos;
  return pos;
}

size_t TextModel::PreviousWord(size_t pos) const {
  pos = std::min(pos, Length());
  while (pos > 0 && IsSpace(CharAt(pos - 1))) --pos;
  if (pos > 0 && IsWordChar(CharAt(pos - 1))) {
    while (pos > 0 && IsWordChar(CharAt(pos - 1))) --pos;
  } else if (pos > 0) {
    --pos;
  }
  return pos;
}

bool TextModel::Undo(Change* change) {
  if (undo_.empty()) return false;
  UndoStep step = std::move(undo_.back());
  undo_.pop_back();
  typingOpen_ = false;
  size_t length = Length();
  size_t pos = std::min(step.pos, length);
  size_t count = std::min(step.inserted, length - pos);
  Erase(pos, count, nullptr);
  Insert(pos, step.removed);
  Realign(pos);
  if (change) *change = Change{pos, count, step.removed.size()};
  return true;
}

std::u32string DecodeText(std::string_view bytes) {
  std::u32string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = bytes[i];
    size_t extra = b >= 0xF0 && b < 0xF5   ? 3
                   : b >= 0xE0 && b < 0xF0 ? 2
                   : b >= 0xC2 && b < 0xE0 ? 1
                                           : 0;
    if (extra && i + extra < bytes.size()) {
      char32_t c = b & (0x3F >> extra);
      bool ok = true;
      for (size_t k = 1; k <= extra; ++k) {
        unsigned char t = bytes[i + k];
        ok = ok && (t & 0xC0) == 0x80;
        c = c << 6 | (t & 0x3F);
      }
      bool shortest = (extra == 1) || (extra == 2 && c >= 0x800) ||
                      (extra == 3 && c >= 0x10000 && c <= 0x10FFFF);
      if (ok && shortest && !(c >= 0xD800 && c <= 0xDFFF)) {
        out.push_back(c);
        i += extra + 1;
        continue;
      }
    }
    out.push_back(char32_t(b));
    ++i;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | c >> 6));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | c >> 12));
      out.push_back(char(0x80 | (c >> 6 & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | c >> 18));
      out.push_back(char(0x80 | (c >> 12 & 0x3F)));
      out.push_back(char(0x80 | (c >> 6 & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u32string NormalizeLineEnds(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
    out.push_back(c == U'\n' ? kParagraphMark : c);
  }
  return out;
}

}  // namespace tess::richedit
