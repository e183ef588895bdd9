// The rich-edit control's document: characters with a character format each
// and a paragraph alignment each, kept in a gap buffer so that typing at one
// place costs the same whatever the document's length; the table of
// distinct character formats; and the undo list.
//
// Invariants: a paragraph ends with kParagraphMark (or at the end of the
// document); every character of a paragraph carries the paragraph's
// alignment; format indexes always name an entry of the format table.
// Positions are in characters (code points), 0-based.
//
// The model does not draw and does not know the platform: it builds
// natively too, for its tests and the fuzz target of the RTF reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tess::richedit {

inline constexpr char32_t kParagraphMark = U'\r';

// Paragraph alignments, with the platform's PFA_ values.
enum class Align : uint8_t { kLeft = 1, kRight = 2, kCenter = 3 };

struct CharFormat {
  std::string face = "MS Sans Serif";
  int32_t twips = 200;  // character height, 1/20 point
  bool bold = false, italic = false, underline = false;
  uint32_t color = 0;  // 0x00RRGGBB
  friend bool operator==(const CharFormat&, const CharFormat&) = default;
  friend auto operator<=>(const CharFormat&, const CharFormat&) = default;
};

// Which members of a CharFormat an operation sets (the platform's CFM_ bits).
enum : uint32_t {
  kSetBold = 0x1,
  kSetItalic = 0x2,
  kSetUnderline = 0x4,
  kSetColor = 0x40000000,
  kSetFace = 0x20000000,
  kSetSize = 0x80000000,
  kSetAll = kSetBold | kSetItalic | kSetUnderline | kSetColor | kSetFace | kSetSize,
};

struct Cell {
  char32_t ch;
  uint16_t format;
  Align align;
};

// A run of characters sharing one format.
struct Run {
  size_t start, length;
  uint16_t format;
};

// A changed range, for the control to lay out again and to notify.
struct Change {
  size_t pos;       // where it starts
  size_t removed;   // characters that were there
  size_t inserted;  // characters there now
};

class TextModel {
 public:
  TextModel();

  size_t Length() const { return buffer_.size() - (gapEnd_ - gapStart_); }
  const Cell& At(size_t i) const {
    return i < gapStart_ ? buffer_[i] : buffer_[i + gapEnd_ - gapStart_];
  }
  char32_t CharAt(size_t i) const { return At(i).ch; }
  std::u32string Text(size_t pos, size_t count) const;
  std::u32string Text() const { return Text(0, Length()); }

  // Formats.
  uint16_t Intern(const CharFormat& format);
  const CharFormat& Format(uint16_t index) const { return formats_[index]; }
  size_t FormatCount() const { return formats_.size(); }
  // The format new text takes where none is given (and the model's first).
  uint16_t DefaultFormat() const { return defaultFormat_; }
  void SetDefaultFormat(const CharFormat& format) { defaultFormat_ = Intern(format); }
  // The members of `mask` taken from `given`, the rest from `base`.
  static CharFormat Merge(const CharFormat& base, uint32_t mask, const CharFormat& given);

  // Edits. Replace takes `count` characters at `pos` out and puts `text` in
  // their place in `format`, the paragraph's alignment following the text
  // before; both are clamped to the document. `typing` merges the edit into
  // the previous undo step when it continues it.
  Change Replace(size_t pos, size_t count, std::u32string_view text, uint16_t format,
                 bool typing = false);
  Change ReplaceCells(size_t pos, size_t count, std::span<const Cell> cells);
  // Sets the members of `mask` of every character in the range.
  void SetFormat(size_t pos, size_t count, uint32_t mask, const CharFormat& format);
  // The alignment of every paragraph the range touches.
  void SetAlignment(size_t pos, size_t count, Align align);
  // The members on which every character of the range agrees (a mask), and
  // the first character's format. An empty range reports the format at pos.
  uint32_t CommonFormat(size_t pos, size_t count, CharFormat* first) const;
  void Clear();

  // Structure.
  size_t ParagraphStart(size_t pos) const;
  // The position of the paragraph's mark, or Length() for the last one.
  size_t ParagraphEnd(size_t pos) const;
  Align AlignmentAt(size_t pos) const;
  std::vector<Run> Runs(size_t pos, size_t count) const;
  // Word boundaries around pos, as a double-click selects.
  size_t WordStart(size_t pos) const;
  size_t WordEnd(size_t pos) const;
  // The next word start after pos and the previous one before it (Ctrl+arrows).
  size_t NextWord(size_t pos) const;
  size_t PreviousWord(size_t pos) const;

  // Undo: the last edits, newest first; each step restores what it changed.
  bool CanUndo() const { return !undo_.empty(); }
  // Undoes one step; false when there is none. `change` is what it did.
  bool Undo(Change* change);
  void EmptyUndo() { undo_.clear(); }
  // Ends the current typing run: the next typed key starts a new step.
  void BreakTyping() { typingOpen_ = false; }

  static constexpr size_t kUndoSteps = 100;

 private:
  struct UndoStep {
    size_t pos;
    std::vector<Cell> removed;
    size_t inserted;
  };

  void MoveGap(size_t pos);
  void Reserve(size_t extra);
  void Erase(size_t pos, size_t count, std::vector<Cell>* out);
  void Insert(size_t pos, std::span<const Cell> cells);
  Cell& MutableAt(size_t i) {
    return i < gapStart_ ? buffer_[i] : buffer_[i + gapEnd_ - gapStart_];
  }
  void Realign(size_t from);
  void Record(size_t pos, std::vector<Cell> removed, size_t inserted, bool typing);

  std::vector<Cell> buffer_;
  size_t gapStart_ = 0, gapEnd_ = 0;
  std::vector<CharFormat> formats_;
  std::map<CharFormat, uint16_t> formatIndex_;
  uint16_t defaultFormat_ = 0;
  Align emptyAlign_ = Align::kLeft;  // of an empty document's paragraph
  std::deque<UndoStep> undo_;
  bool typingOpen_ = false;
};

// Text conversions: the control's text travels as UTF-8; bytes that are not
// UTF-8 are read as Latin-1, as the drawing layer reads them.
std::u32string DecodeText(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view text);
// Line ends "\r\n", "\n" and "\r" become one paragraph mark each.
std::u32string NormalizeLineEnds(std::u32string_view text);

}  // namespace tess::richedit
