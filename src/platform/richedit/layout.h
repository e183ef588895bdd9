// Lines of a rich-edit document: where each starts, its height and
// baseline, laid out with widths a Measurer gives. Paragraphs wrap at word
// boundaries when a wrap width is set (a word longer than the line is cut
// between characters); spaces at a line end hang past it.
//
// Invariants: lines cover the document in order, the first starting at 0;
// the last line ends the document (an empty one after a final paragraph
// mark); y of each line is the sum of the heights before it.
//
// Update lays out again only from the line before an edit up to the first
// line that starts where an old line started after the edit: typing costs
// the length of a line, not of the document.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/richedit/text_model.h"

namespace tess::richedit {

class Measurer {
 public:
  virtual ~Measurer() = default;
  // Advance of a character drawn at x in the format (tabs depend on x).
  virtual int Width(uint16_t format, char32_t c, int x) = 0;
  virtual int Ascent(uint16_t format) = 0;
  virtual int Descent(uint16_t format) = 0;
};

struct Line {
  size_t start;
  size_t length;  // including the paragraph mark
  int y, height, ascent;
  int width;  // of the characters up to the mark, trailing spaces included
};

class Layout {
 public:
  // wrapWidth <= 0: paragraphs are single lines.
  void SetWrapWidth(int width) { wrapWidth_ = width; }
  int WrapWidth() const { return wrapWidth_; }

  void Rebuild(const TextModel& model, Measurer& m);
  void Update(const TextModel& model, Measurer& m, const Change& change);

  const std::vector<Line>& Lines() const { return lines_; }
  size_t LineOf(size_t pos) const;
  size_t LineAtY(int y) const;
  int Height() const;
  int MaxWidth() const;

  // X of pos within its line (no alignment offset).
  int XInLine(const TextModel& model, Measurer& m, size_t line, size_t pos) const;
  // The position nearest to x within the line (no alignment offset): the
  // mark of a line is never chosen.
  size_t PosInLine(const TextModel& model, Measurer& m, size_t line, int x) const;

 private:
  // Lays out from `start` (a line start) until `stop` returns true for a
  // new line start, or to the end; appends the lines.
  template <typename Stop>
  void LayOut(const TextModel& model, Measurer& m, size_t start, std::vector<Line>* out,
              Stop stop) const;

  int wrapWidth_ = 0;
  std::vector<Line> lines_;
  // The widest line's width, valid unless a line that wide was replaced.
  mutable int maxWidth_ = 0;
  mutable bool maxStale_ = false;
};

}  // namespace tess::richedit
