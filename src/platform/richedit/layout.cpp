#include "platform/richedit/layout.h"

#include <algorithm>

namespace tess::richedit {

namespace {

bool Hangs(char32_t c) {
  return c == U' ' || c == U'\t';
}

}  // namespace

template <typename Stop>
void Layout::LayOut(const TextModel& model, Measurer& m, size_t start, std::vector<Line>* out,
                    Stop stop) const {
  size_t length = model.Length();
  size_t pos = start;
  int y = out->empty() ? 0 : out->back().y + out->back().height;
  for (;;) {
    int x = 0;
    size_t i = pos;
    size_t breakAt = SIZE_MAX;
    int breakWidth = 0;
    bool ended = false;
    while (i < length) {
      const Cell& c = model.At(i);
      if (c.ch == kParagraphMark) {
        ++i;
        ended = true;
        break;
      }
      int w = m.Width(c.format, c.ch, x);
      if (wrapWidth_ > 0 && x + w > wrapWidth_ && i > pos && !Hangs(c.ch)) {
        if (breakAt != SIZE_MAX) {
          i = breakAt;
          x = breakWidth;
        }
        break;
      }
      x += w;
      ++i;
      if (Hangs(c.ch)) {
        breakAt = i;
        breakWidth = x;
      }
    }
    // Height and baseline from the formats on the line (an empty line: the
    // format its mark or the text before it has).
    int ascent = 0, descent = 0;
    uint16_t last = 0xFFFF;
    for (size_t k = pos; k < i; ++k) {
      uint16_t f = model.At(k).format;
      if (f == last) continue;
      last = f;
      ascent = std::max(ascent, m.Ascent(f));
      descent = std::max(descent, m.Descent(f));
    }
    if (last == 0xFFFF) {
      uint16_t f = pos > 0 ? model.At(pos - 1).format : model.DefaultFormat();
      ascent = m.Ascent(f);
      descent = m.Descent(f);
    }
    out->push_back(Line{pos, i - pos, y, ascent + descent, ascent, x});
    y += ascent + descent;
    pos = i;
    if (pos >= length && !ended) return;
    if (stop(pos)) return;
    if (pos >= length) {
      // The empty line after a final paragraph mark.
      uint16_t f = model.At(pos - 1).format;
      out->push_back(Line{pos, 0, y, m.Ascent(f) + m.Descent(f), m.Ascent(f), 0});
      return;
    }
  }
}

void Layout::Rebuild(const TextModel& model, Measurer& m) {
  lines_.clear();
  LayOut(model, m, 0, &lines_, [](size_t) { return false; });
  maxStale_ = true;
}

void Layout::Update(const TextModel& model, Measurer& m, const Change& change) {
  if (lines_.empty()) return Rebuild(model, m);
  size_t first = LineOf(change.pos);
  if (first > 0) --first;  // a word may move back up to the line before
  long delta = long(change.inserted) - long(change.removed);
  size_t oldEditEnd = change.pos + change.removed;
  size_t newEditEnd = change.pos + change.inserted;
  std::vector<Line> fresh;
  if (first > 0) fresh.push_back(lines_[first - 1]);  // for y only
  size_t resume = lines_.size();
  LayOut(model, m, lines_[first].start, &fresh, [&](size_t newStart) {
    if (newStart < newEditEnd || long(newStart) - delta < long(oldEditEnd)) return false;
    size_t oldStart = size_t(long(newStart) - delta);
    auto it = std::lower_bound(lines_.begin() + long(first) + 1, lines_.end(), oldStart,
                               [](const Line& l, size_t s) { return l.start < s; });
    if (it == lines_.end() || it->start != oldStart) return false;
    resume = size_t(it - lines_.begin());
    return true;
  });
  if (first > 0) fresh.erase(fresh.begin());
  for (size_t k = first; k < resume && !maxStale_; ++k)
    if (lines_[k].width >= maxWidth_) maxStale_ = true;
  for (const Line& l : fresh) maxWidth_ = std::max(maxWidth_, l.width);
  lines_.erase(lines_.begin() + long(first), lines_.begin() + long(resume));
  lines_.insert(lines_.begin() + long(first), fresh.begin(), fresh.end());
  for (size_t k = first + fresh.size(); k < lines_.size(); ++k) {
    lines_[k].start = size_t(long(lines_[k].start) + delta);
    lines_[k].y = lines_[k - 1].y + lines_[k - 1].height;
  }
}

size_t Layout::LineOf(size_t pos) const {
  auto it = std::upper_bound(lines_.begin(), lines_.end(), pos,
                             [](size_t p, const Line& l) { return p < l.start; });
  return it == lines_.begin() ? 0 : size_t(it - lines_.begin()) - 1;
}

size_t Layout::LineAtY(int y) const {
  auto it = std::upper_bound(lines_.begin(), lines_.end(), y,
                             [](int v, const Line& l) { return v < l.y; });
  return it == lines_.begin() ? 0 : size_t(it - lines_.begin()) - 1;
}

int Layout::Height() const {
  return lines_.empty() ? 0 : lines_.back().y + lines_.back().height;
}

int Layout::MaxWidth() const {
  if (maxStale_) {
    maxWidth_ = 0;
    for (const Line& l : lines_) maxWidth_ = std::max(maxWidth_, l.width);
    maxStale_ = false;
  }
  return maxWidth_;
}

int Layout::XInLine(const TextModel& model, Measurer& m, size_t line, size_t pos) const {
  if (line >= lines_.size()) return 0;
  const Line& l = lines_[line];
  int x = 0;
  for (size_t i = l.start; i < pos && i < l.start + l.length; ++i) {
    const Cell& c = model.At(i);
    if (c.ch == kParagraphMark) break;
    x += m.Width(c.format, c.ch, x);
  }
  return x;
}

size_t Layout::PosInLine(const TextModel& model, Measurer& m, size_t line, int x) const {
  if (line >= lines_.size()) return model.Length();
  const Line& l = lines_[line];
  size_t end = l.start + l.length;
  bool last = line + 1 == lines_.size();
  // The caret may sit after the last character only where nothing follows
  // on the next line: before a mark, or at the end of the document.
  size_t limit = last ? end : end - 1;
  int at = 0;
  for (size_t i = l.start; i < limit; ++i) {
    const Cell& c = model.At(i);
    if (c.ch == kParagraphMark) return i;
    int w = m.Width(c.format, c.ch, at);
    if (x < at + w / 2) return i;
    at += w;
  }
  return limit;
}

}  // namespace tess::richedit
