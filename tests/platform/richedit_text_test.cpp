// The rich-edit document, its lines and its rich text: edits at the
// boundaries, runs of formats, undo, alignment, RTF round trips, documents
// written by another program, and damaged or hostile RTF.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/richedit/layout.h"
#include "platform/richedit/rtf.h"
#include "platform/richedit/text_model.h"

namespace tess::richedit {
namespace {

std::string Utf8(const TextModel& m) {
  return EncodeUtf8(m.Text());
}

uint16_t Bold(TextModel& m) {
  CharFormat f = m.Format(m.DefaultFormat());
  f.bold = true;
  return m.Intern(f);
}

TEST(RichEditModel, ReplaceClampsAndReportsWhatChanged) {
  TextModel m;
  struct Case {
    size_t pos, count;
    std::u32string text;
    const char* result;
    Change change;
  } cases[] = {
      {0, 0, U"hello", "hello", {0, 0, 5}},
      {5, 0, U"!", "hello!", {5, 0, 1}},
      {99, 0, U"?", "hello!?", {7 - 1, 0, 1}},  // past the end: at the end
      {0, 1, U"J", "Jello!?", {0, 1, 1}},
      {5, 99, U"", "Jello", {5, 2, 0}},  // a count past the end stops there
      {2, 2, U"", "Jeo", {2, 2, 0}},
  };
  for (const Case& c : cases) {
    Change got = m.Replace(c.pos, c.count, c.text, m.DefaultFormat());
    EXPECT_EQ(Utf8(m), c.result);
    EXPECT_EQ(got.pos, c.change.pos) << c.result;
    EXPECT_EQ(got.removed, c.change.removed) << c.result;
    EXPECT_EQ(got.inserted, c.change.inserted) << c.result;
  }
}

TEST(RichEditModel, GapMovesKeepTheTextWhole) {
  TextModel m;
  std::u32string expected;
  // Edits hopping back and forth move the gap both ways and grow it.
  for (int i = 0; i < 2000; ++i) {
    size_t pos = (size_t(i) * 7919) % (expected.size() + 1);
    char32_t c = U'a' + char32_t(i % 26);
    m.Replace(pos, 0, std::u32string(1, c), 0);
    expected.insert(expected.begin() + long(pos), c);
    if (i % 5 == 0 && !expected.empty()) {
      size_t at = (size_t(i) * 31) % expected.size();
      m.Replace(at, 1, U"", 0);
      expected.erase(at, 1);
    }
  }
  EXPECT_EQ(m.Text(), expected);
}

TEST(RichEditModel, FormatsSplitAndMergeRuns) {
  TextModel m;
  m.Replace(0, 0, U"abcdefgh", m.DefaultFormat());
  CharFormat bold;
  bold.bold = true;
  m.SetFormat(2, 3, kSetBold, bold);
  auto runs = m.Runs(0, m.Length());
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].length, 2u);
  EXPECT_EQ(runs[1].start, 2u);
  EXPECT_EQ(runs[1].length, 3u);
  EXPECT_TRUE(m.Format(runs[1].format).bold);
  EXPECT_EQ(runs[2].length, 3u);
  // The same format interns to one index: unbolding merges the runs again.
  bold.bold = false;
  m.SetFormat(0, 8, kSetBold, bold);
  EXPECT_EQ(m.Runs(0, m.Length()).size(), 1u);
  // Only the members of the mask change.
  CharFormat red;
  red.color = 0xFF0000;
  red.bold = true;
  m.SetFormat(0, 4, kSetColor, red);
  CharFormat first;
  uint32_t common = m.CommonFormat(0, 8, &first);
  EXPECT_FALSE(first.bold);
  EXPECT_EQ(first.color, 0xFF0000u);
  EXPECT_EQ(common & kSetColor, 0u);
  EXPECT_EQ(common & kSetBold, uint32_t(kSetBold));
}

TEST(RichEditModel, InsertionTakesTheParagraphsAlignment) {
  TextModel m;
  m.Replace(0, 0, U"one\rtwo", 0);
  m.SetAlignment(5, 0, Align::kCenter);
  EXPECT_EQ(m.AlignmentAt(0), Align::kLeft);
  EXPECT_EQ(m.AlignmentAt(4), Align::kCenter);
  m.Replace(7, 0, U"!", 0);
  EXPECT_EQ(m.AlignmentAt(7), Align::kCenter);
  // Splitting the centred paragraph keeps both halves centred.
  m.Replace(5, 0, U"\r", 0);
  EXPECT_EQ(m.AlignmentAt(4), Align::kCenter);
  EXPECT_EQ(m.AlignmentAt(6), Align::kCenter);
  // Joining: the paragraph takes the first one's alignment.
  m.Replace(3, 1, U"", 0);
  for (size_t i = 0; i < m.ParagraphEnd(0); ++i) EXPECT_EQ(m.AlignmentAt(i), Align::kLeft) << i;
  // An empty document keeps the alignment for what is typed first.
  TextModel e;
  e.SetAlignment(0, 0, Align::kRight);
  e.Replace(0, 0, U"x", 0);
  EXPECT_EQ(e.AlignmentAt(0), Align::kRight);
}

TEST(RichEditModel, UndoRestoresTextAndFormatsStepByStep) {
  TextModel m;
  for (char32_t c : std::u32string(U"abc")) m.Replace(m.Length(), 0, std::u32string(1, c), 0, true);
  // A Backspace inside the typing run belongs to it.
  m.Replace(2, 1, U"", 0, true);
  m.BreakTyping();
  m.Replace(2, 0, U"Z", 0, true);
  uint16_t bold = Bold(m);
  (void)bold;
  CharFormat b;
  b.bold = true;
  m.SetFormat(0, 3, kSetBold, b);
  EXPECT_EQ(Utf8(m), "abZ");
  Change change{};
  ASSERT_TRUE(m.Undo(&change));  // the format
  EXPECT_EQ(m.Runs(0, 3).size(), 1u);
  EXPECT_FALSE(m.Format(m.At(0).format).bold);
  ASSERT_TRUE(m.Undo(&change));  // "Z"
  EXPECT_EQ(Utf8(m), "ab");
  EXPECT_EQ(change.pos, 2u);
  EXPECT_EQ(change.removed, 1u);
  ASSERT_TRUE(m.Undo(&change));  // "abc" then Backspace: one step
  EXPECT_EQ(Utf8(m), "");
  EXPECT_FALSE(m.Undo(&change));
}

TEST(RichEditModel, UndoKeepsAFixedNumberOfSteps) {
  TextModel m;
  for (size_t i = 0; i < TextModel::kUndoSteps + 10; ++i) m.Replace(m.Length(), 0, U"x", 0);
  size_t undone = 0;
  Change change{};
  while (m.Undo(&change)) ++undone;
  EXPECT_EQ(undone, TextModel::kUndoSteps);
  EXPECT_EQ(m.Length(), 10u);
}

TEST(RichEditModel, WordsForDoubleClicksAndControlArrows) {
  TextModel m;
  m.Replace(0, 0, U"one, two  three\rfour", 0);
  struct Case {
    size_t pos, start, end, next, previous;
  } cases[] = {
      {0, 0, 3, 3, 0},     {1, 0, 3, 3, 0},      {3, 3, 4, 5, 0},      {5, 5, 8, 10, 3},
      {10, 10, 15, 15, 5}, {15, 15, 15, 16, 10}, {16, 16, 20, 20, 15}, {20, 20, 20, 20, 16},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(m.WordStart(c.pos), c.start) << c.pos;
    EXPECT_EQ(m.WordEnd(c.pos), c.end) << c.pos;
    EXPECT_EQ(m.NextWord(c.pos), c.next) << c.pos;
    EXPECT_EQ(m.PreviousWord(c.pos), c.previous) << c.pos;
  }
}

TEST(RichEditModel, TextConversions) {
  EXPECT_EQ(DecodeText("a\xC3\xA9z"), U"a\u00E9z");
  EXPECT_EQ(DecodeText("\xE9t\xE9"), U"\u00E9t\u00E9");  // Latin-1 bytes
  EXPECT_EQ(DecodeText("\xF0\x9F\x98\x80"), U"\U0001F600");
  EXPECT_EQ(DecodeText("\xC3"), U"\u00C3");          // cut short
  EXPECT_EQ(DecodeText("\xE0\x80\x80").size(), 3u);  // overlong: bytes
  EXPECT_EQ(EncodeUtf8(U"a\u00E9\U0001F600"), "a\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(NormalizeLineEnds(U"a\r\nb\nc\rd"), U"a\rb\rc\rd");
}

// Fixed widths: every character 10 pixels, lines 12 high (9 + 3).
class FixedMeasurer : public Measurer {
 public:
  int Width(uint16_t, char32_t c, int x) override {
    if (c == U'\t') return 40 - x % 40;
    return c == kParagraphMark ? 0 : 10;
  }
  int Ascent(uint16_t) override { return 9; }
  int Descent(uint16_t) override { return 3; }
};

std::vector<std::pair<size_t, size_t>> Spans(const Layout& l) {
  std::vector<std::pair<size_t, size_t>> out;
  for (const Line& line : l.Lines()) out.emplace_back(line.start, line.length);
  return out;
}

TEST(RichEditLayout, WrapsAtWordsAndCutsLongWords) {
  TextModel m;
  FixedMeasurer fixed;
  Layout l;
  l.SetWrapWidth(60);  // six characters
  m.Replace(0, 0, U"aa bb cc\rdddddddddd\r", 0);
  l.Rebuild(m, fixed);
  using P = std::pair<size_t, size_t>;
  EXPECT_EQ(Spans(l), (std::vector<P>{{0, 6}, {6, 3}, {9, 6}, {15, 5}, {20, 0}}));
  EXPECT_EQ(l.Lines()[4].y, 48);
  EXPECT_EQ(l.Height(), 60);
  EXPECT_EQ(l.LineOf(5), 0u);
  EXPECT_EQ(l.LineOf(6), 1u);
  EXPECT_EQ(l.LineOf(20), 4u);
  EXPECT_EQ(l.LineAtY(13), 1u);
  EXPECT_EQ(l.XInLine(m, fixed, 1, 8), 20);
  EXPECT_EQ(l.PosInLine(m, fixed, 1, 14), 7u);
  EXPECT_EQ(l.PosInLine(m, fixed, 1, 500), 8u);  // never past the mark
  EXPECT_EQ(l.PosInLine(m, fixed, 0, 500), 5u);  // a wrapped line ends before its break
}

TEST(RichEditLayout, UpdatesMatchAFullLayout) {
  TextModel m;
  FixedMeasurer fixed;
  Layout incremental;
  incremental.SetWrapWidth(80);
  incremental.Rebuild(m, fixed);
  std::u32string words = U"lorem ipsum dolor sit amet\rconsectetur adipiscing elit ";
  // Type, delete and replace at many places; the incremental lines must be
  // those of a fresh layout every time.
  for (int i = 0; i < 600; ++i) {
    size_t length = m.Length();
    size_t pos = length ? (size_t(i) * 37) % (length + 1) : 0;
    Change c;
    if (i % 7 == 3 && length > 3)
      c = m.Replace(std::min(pos, length - 3), 3, U"", 0);
    else if (i % 11 == 5 && length > 2)
      c = m.Replace(std::min(pos, length - 2), 2, U"xy\rz", 0);
    else
      c = m.Replace(pos, 0, std::u32string(1, words[size_t(i) % words.size()]), 0);
    incremental.Update(m, fixed, c);
    Layout full;
    full.SetWrapWidth(80);
    full.Rebuild(m, fixed);
    ASSERT_EQ(Spans(incremental), Spans(full)) << "after edit " << i;
    ASSERT_EQ(incremental.Height(), full.Height());
    ASSERT_EQ(incremental.MaxWidth(), full.MaxWidth());
  }
}

// ---- Rich text ------------------------------------------------------------

std::string RoundTrip(const TextModel& source, TextModel* back) {
  std::string rtf = WriteRtf(source, 0, source.Length());
  std::string error;
  size_t inserted = 0;
  EXPECT_TRUE(ReadRtf(rtf, *back, 0, back->Length(), CharFormat{}, &inserted, &error)) << error;
  EXPECT_EQ(inserted, back->Length());
  return rtf;
}

TEST(RichEditRtf, EveryFormatRoundTrips) {
  TextModel m;
  m.Replace(
      0, 0,
      U"plain bold italic under red big face \u00E9\u20AC\u4E2D\U0001F600 {\\}\tend\rcentre\rright",
      0);
  auto set = [&m](size_t pos, size_t n, uint32_t mask, CharFormat f) {
    m.SetFormat(pos, n, mask, f);
  };
  CharFormat f;
  f.bold = true;
  set(6, 4, kSetBold, f);
  f.italic = true;
  set(11, 6, kSetItalic, f);
  f.underline = true;
  set(18, 5, kSetUnderline, f);
  f.color = 0xFF0000;
  set(24, 3, kSetColor, f);
  f.twips = 480;
  set(28, 3, kSetSize, f);
  f.face = "Courier New";
  set(32, 4, kSetFace, f);
  size_t centre = m.ParagraphEnd(0) + 1;
  m.SetAlignment(centre, 0, Align::kCenter);
  m.SetAlignment(m.Length(), 0, Align::kRight);
  TextModel back;
  std::string rtf = RoundTrip(m, &back);
  ASSERT_EQ(back.Text(), m.Text()) << rtf;
  for (size_t i = 0; i < m.Length(); ++i) {
    ASSERT_EQ(back.Format(back.At(i).format), m.Format(m.At(i).format)) << "at " << i << "\n"
                                                                        << rtf;
    ASSERT_EQ(back.At(i).align, m.At(i).align) << "at " << i;
  }
  // Writing what was read gives the same document again.
  EXPECT_EQ(WriteRtf(back, 0, back.Length()), rtf);
}

TEST(RichEditRtf, ReadsTheSubsetOfOtherWriters) {
  const char* doc =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      "{\\f1\\froman Times New Roman;}}\r\n"
      "{\\colortbl ;\\red0\\green0\\blue255;\\red0\\green128\\blue0;}\r\n"
      "{\\*\\generator Riched20 10.0.19041}{\\info{\\title Secret}{\\author Me}}\r\n"
      "{\\stylesheet{\\s0 Normal;}}\\viewkind4\\uc1 \r\n"
      "\\pard\\sa200\\sl276\\slmult1\\qc\\f0\\fs28\\lang9 Title\\par\r\n"
      "\\pard\\ql\\f1\\fs20 a \\b bold\\b0  \\i it\\i0  \\ul u\\ulnone  "
      "\\cf1 blue\\cf0  caf\\'e9 \\u8364? \\uc2\\u20013 XY done\\par\r\n"
      "{\\pict\\wmetafile8 0123456789abcdef}"
      "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}\\tab x\\line y\\~z\\qr\\par}";
  TextModel m;
  std::string error;
  size_t n = 0;
  ASSERT_TRUE(ReadRtf(doc, m, 0, 0, CharFormat{}, &n, &error)) << error;
  EXPECT_EQ(Utf8(m),
            "Title\ra bold it u blue caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD done\r"
            "link\tx\ry\xC2\xA0z\r");
  EXPECT_EQ(m.Format(m.At(0).format).face, "Arial");
  EXPECT_EQ(m.Format(m.At(0).format).twips, 280);
  EXPECT_EQ(m.AlignmentAt(0), Align::kCenter);
  EXPECT_EQ(m.AlignmentAt(6), Align::kLeft);
  size_t boldAt = Utf8(m).find("bold");
  EXPECT_TRUE(m.Format(m.At(boldAt).format).bold);
  EXPECT_EQ(m.Format(m.At(boldAt).format).face, "Times New Roman");
  size_t blueAt = m.Text().find(U"blue");
  EXPECT_EQ(m.Format(m.At(blueAt).format).color, 0x0000FFu);
  EXPECT_EQ(m.Format(m.At(blueAt + 4).format).color, 0u);
  // \qr before the last \par right-aligns that paragraph.
  EXPECT_EQ(m.AlignmentAt(m.Length() - 2), Align::kRight);
}

TEST(RichEditRtf, DamagedAndHostileDocuments) {
  struct Case {
    const char* name;
    std::string doc;
    bool accepted;
    const char* text;  // when accepted
  } cases[] = {
      {"not rich text", "hello", false, ""},
      {"empty", "", false, ""},
      {"cut in the header", "{\\rt", false, ""},
      {"truncated body", "{\\rtf1 abc \\b de", true, "abc de"},
      {"truncated escape", "{\\rtf1 ab\\'e", true, "ab"},
      {"truncated control word", "{\\rtf1 ab\\", true, "ab"},
      {"extra closing braces", "{\\rtf1 ab}} cd}", true, "ab"},
      {"unbalanced opening", "{\\rtf1 {{{ab", true, "ab"},
      {"huge numbers", "{\\rtf1\\fs99999999999999999999 a\\cf-99999999999 b\\u99999999999 c}", true,
       "ab\xEF\xBF\xBD"},
      {"negative unicode", "{\\rtf1\\u-10179?\\u-8704? x}", true, "\xF0\x9F\x98\x80 x"},
      {"lone surrogate", "{\\rtf1\\u-10179? x}", true, "\xEF\xBF\xBD x"},
      {"unknown words and destinations", "{\\rtf1\\zzzz1 a{\\*\\unknown b}{\\mystery c}\\foo-3 d}",
       true, "acd"},
      {"overlong control word", "{\\rtf1\\" + std::string(5000, 'x') + " after}", true, "after"},
      {"font table without end", "{\\rtf1{\\fonttbl{\\f0 Arial", true, ""},
      {"colour index out of range", "{\\rtf1{\\colortbl;\\red255;}\\cf9 x}", true, "x"},
      {"nesting at the limit",
       "{\\rtf1" + std::string(kMaxDepth - 1, '{') + "x" + std::string(kMaxDepth, '}'), true, "x"},
      {"nesting too deep", "{\\rtf1" + std::string(100000, '{') + "x", false, ""},
      {"nul bytes", std::string("{\\rtf1 a\0b}", 11), true, "ab"},
  };
  for (const Case& c : cases) {
    TextModel m;
    m.Replace(0, 0, U"keep", 0);
    std::string error;
    size_t n = 0;
    bool ok = ReadRtf(c.doc, m, 0, m.Length(), CharFormat{}, &n, &error);
    EXPECT_EQ(ok, c.accepted) << c.name;
    if (ok) {
      EXPECT_EQ(Utf8(m), c.text) << c.name;
    } else {
      EXPECT_EQ(Utf8(m), "keep") << c.name << ": a refusal leaves the text";
      EXPECT_FALSE(error.empty()) << c.name;
    }
  }
}

// Documents written by another program: a converter from the test setup
// turns a marked-up source into RTF, which must read as the same text.
TEST(RichEditRtf, ReadsDocumentsAConverterWrote) {
  const char* source = std::getenv("TESSERA_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  std::string dir = std::string(source) + "/tests/data/richedit/";
  std::string out = testing::TempDir() + "pandoc_made.rtf";
  std::string command =
      "pandoc --standalone -f markdown -t rtf -o '" + out + "' '" + dir + "converted.md' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "pandoc is installed by scripts/setup.sh";
  std::ifstream in(out, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  TextModel m;
  std::string error;
  size_t n = 0;
  ASSERT_TRUE(ReadRtf(bytes.str(), m, 0, 0, CharFormat{}, &n, &error)) << error;
  std::string text = Utf8(m);
  for (const char* expected :
       {"Styled heading", "plain words", "strong words", "emphasised words",
        "caf\xC3\xA9 \xE2\x82\xAC 5", "\xE4\xB8\xAD\xE6\x96\x87", "second paragraph"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
  size_t strong = m.Text().find(U"strong words");
  ASSERT_NE(strong, std::u32string::npos);
  EXPECT_TRUE(m.Format(m.At(strong).format).bold);
  size_t emphasised = m.Text().find(U"emphasised words");
  ASSERT_NE(emphasised, std::u32string::npos);
  EXPECT_TRUE(m.Format(m.At(emphasised).format).italic);
  EXPECT_FALSE(m.Format(m.At(m.Text().find(U"plain words")).format).bold);
  // Read, written and read again: the same text.
  TextModel again;
  std::string rtf = WriteRtf(m, 0, m.Length());
  ASSERT_TRUE(ReadRtf(rtf, again, 0, 0, CharFormat{}, &n, &error));
  EXPECT_EQ(again.Text(), m.Text());
}

}  // namespace
}  // namespace tess::richedit
