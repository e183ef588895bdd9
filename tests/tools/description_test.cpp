// Description files: string constants byte for byte, the descriptor, both
// class record kinds with every field, project items (settings stream
// included), references between description and objects in both directions,
// the stored-record primitives, and the FILE:LINE errors of bad files.
// Records are compared whole, as words shown symbolically: a number, "text"
// for the address of a well-formed string constant, @sym for a code address,
// &sym for a data address.
#include <cstdio>
#include <fstream>
#include <set>

#include "tessimage/description.h"
#include "tessimage/records_dump.h"
#include "tessimage/stored_record.h"
#include "tessimage_test_support.h"

namespace tess::test {
namespace {

using imagetool::FixupBase;
using imagetool::RecordReader;
using Words = std::vector<std::string>;

struct Linked {
  BuildResult r;
  std::map<uint32_t, FixupBase> fixups;

  uint32_t At(uint32_t offset) const { return Word(r.image.data, offset); }
  uint32_t Descriptor() const { return At(4); }
  uint32_t Symbol(const std::string& name) const { return test::Symbol(r, name)->offset; }

  // The string a data word points at, when it is a well-formed constant.
  std::optional<std::string> StringAt(uint32_t object) const {
    const std::vector<uint8_t>& d = r.image.data;
    if (object + 20 > d.size() || At(object) != 1 || !fixups.count(object + 4)) return {};
    const uint32_t text = At(object + 4), length = At(object + 8);
    if (At(object + 12) != length || text >= object || object - text < length + 2) return {};
    if (d[text] != std::min<uint32_t>(length, 255) || d[text + 1 + length] != 0) return {};
    return std::string(d.begin() + text + 1, d.begin() + text + 1 + length);
  }

  std::string Show(uint32_t offset) const {
    const uint32_t v = At(offset);
    auto fix = fixups.find(offset);
    if (fix == fixups.end()) return std::to_string(int32_t(v));
    if (fix->second == FixupBase::kData) {
      if (auto s = StringAt(v)) return "\"" + *s + "\"";
    }
    for (const imagetool::MapEntry& e : r.symbols) {
      const bool code = e.segment == imagetool::Segment::kCode;
      if (e.offset == v && code == (fix->second == FixupBase::kCode)) {
        return (code ? "@" : "&") + e.name;
      }
    }
    return "&?" + std::to_string(v);
  }

  Words Record(uint32_t offset, size_t count) const {
    Words out;
    for (size_t i = 0; i < count; ++i) out.push_back(Show(offset + 4 * uint32_t(i)));
    return out;
  }
};

Linked Link(const std::string& text, const std::string& descriptor = "TessApplication",
            const std::vector<std::string>& more = {}) {
  std::vector<ObjectFile> objects = {Fixture("describe.s")};
  for (const std::string& source : more) objects.push_back(Fixture(source));
  objects.push_back(imagetool::DescriptionObject(imagetool::ParseDescription(text, "app.desc"),
                                                 objects, descriptor));
  BuildOptions options;
  options.descriptor = descriptor;
  Linked l{imagetool::BuildImage(objects, options), {}};
  for (const imagetool::FixupSite& s : l.r.fixups) l.fixups[s.offset] = s.base;
  return l;
}

std::vector<std::string> Errors(const std::string& text,
                                const std::string& descriptor = "TessApplication") {
  try {
    Link(text, descriptor);
  } catch (const imagetool::BuildError& e) {
    return e.messages();
  }
  ADD_FAILURE() << "no error for:\n" << text;
  return {};
}

std::vector<uint8_t> Bytes(std::initializer_list<int> bytes) {
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> Le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

TEST(DescribedStrings, LayOutTextPaddingAndObjectExactly) {
  struct Row {
    std::string line;
    std::string text;
    size_t padded;  // length byte + text + zeros
    uint32_t encoding;
  };
  const std::string long300(300, 'x');
  const Row rows[] = {
      {R"(string S "")", "", 4, 0x0600},
      {R"(string S "ab")", "ab", 4, 0x0600},
      {R"(string S "abc")", "abc", 8, 0x0600},
      {R"(string S "abcdef")", "abcdef", 8, 0x0600},
      {R"(string S "a\"b\\c\n\r\t\0\x7f")", std::string("a\"b\\c\n\r\t\0\x7f", 10), 12, 0x0600},
      {R"(string S "caf\xE9")", "caf\xe9", 8, 0xFFFF},
      {R"(string S "caf\xe9" encoding 0x0A00)", "caf\xe9", 8, 0x0A00},
      {R"(string S "plain" encoding 0xFFFF)", "plain", 8, 0xFFFF},
      {"string S \"" + std::string(150, 'x') + "\" \"" + std::string(150, 'x') + "\"", long300, 304,
       0x0600},
  };
  for (const Row& row : rows) {
    const Linked l = Link(row.line);
    const uint32_t object = l.Symbol("S");
    ASSERT_EQ(object % 4, 0u) << row.line;
    const uint32_t text = object - uint32_t(row.padded);
    std::vector<uint8_t> expected(row.padded, 0);
    expected[0] = uint8_t(std::min<size_t>(row.text.size(), 255));
    std::copy(row.text.begin(), row.text.end(), expected.begin() + 1);
    for (uint32_t w :
         {1u, text, uint32_t(row.text.size()), uint32_t(row.text.size()), row.encoding}) {
      const std::vector<uint8_t> b = Le32(w);
      expected.insert(expected.end(), b.begin(), b.end());
    }
    const std::vector<uint8_t> actual(l.r.image.data.begin() + text,
                                      l.r.image.data.begin() + object + 20);
    EXPECT_EQ(actual, expected) << row.line;
    EXPECT_EQ(l.fixups.count(object + 4), 1u) << row.line;
    EXPECT_EQ(Symbol(l.r, "S")->size, 20u);
  }
}

TEST(DescribedStrings, CodeRefersToADescribedConstant) {
  const Linked l = Link("string Greeting \"hi\"", "TessApplication", {"greeting.s"});
  // movl $Greeting, %eax: a data address in code holding the object's offset.
  const uint32_t at = l.Symbol("Greet") + 1;
  EXPECT_EQ(Word(l.r.image.code, at), l.Symbol("Greeting"));
  EXPECT_EQ(l.r.links.back(), (imagetool::LinkRecord{2, at, ""}));
  EXPECT_EQ(l.Descriptor(), 0u) << "strings alone make no descriptor";
}

TEST(DescribedStrings, EqualLiteralsArePooledOnce) {
  const Linked l = Link(
      "class A\n method Open params \"x As Integer\" returns Open\n end\n"
      "class B\n event Open 1\nend\n");
  const uint32_t a = l.At(l.Descriptor() + 4), b = l.At(l.Descriptor() + 8);
  // A's name-of-method and return type and B's event name are one constant.
  EXPECT_EQ(l.Show(a + 32), "\"Open\"");
  EXPECT_EQ(l.At(a + 32), l.At(a + 40));
  EXPECT_EQ(l.At(a + 32), l.At(b + 40));
}

TEST(DescribedDescriptor, ListsClassesThenItems) {
  const Linked l = Link(
      "framework Application\nclass App\n super Application\nend\n"
      "item empty\nslot S\nitem object App S\nitem raw 42\n");
  const uint32_t d = l.Descriptor();
  EXPECT_EQ(l.fixups.at(4), FixupBase::kData);
  EXPECT_EQ(d, l.Symbol("TessApplication"));
  const Words head = l.Record(d, 7);
  EXPECT_EQ(head[0], "2");
  EXPECT_EQ(head[3], "3");
  EXPECT_EQ(head[4], "0") << "an empty item has address 0";
  EXPECT_EQ(l.Record(l.At(d + 4), 2), (Words{"1", "\"Application\""}));
  EXPECT_EQ(l.Record(l.At(d + 8), 4), (Words{"0", "16", "\"App\"", "0"}));
  EXPECT_EQ(l.Record(l.At(d + 20), 3), (Words{"5", "1", "&S"}));
  EXPECT_EQ(l.Record(l.At(d + 24), 1), (Words{"42"}));
  for (uint32_t at : {d + 4, d + 8, d + 20, d + 24}) EXPECT_EQ(l.fixups.at(at), FixupBase::kData);
}

TEST(DescribedDescriptor, EmptyOnRequestAndUnderAnotherName) {
  const Linked empty = Link("descriptor\n");
  EXPECT_EQ(empty.Record(empty.Descriptor(), 2), (Words{"0", "0"}));
  const Linked named = Link("item empty\n", "MyApp");
  EXPECT_EQ(named.Descriptor(), named.Symbol("MyApp"));
  EXPECT_EQ(named.Record(named.Descriptor(), 3), (Words{"0", "1", "0"}));
}

TEST(DescribedClasses, ApplicationClassCarriesEveryField) {
  const Linked l = Link(R"(
framework Application
class IThing
  interface
  method Run params - returns -
end
class App
  size 0x30
  super Application
  routines AppCtor AppDtor
  implements IThing 7
  method Open params "x As Integer, ByRef y As String" returns Boolean code AppOpen flags 2
  method Run code AppClose
  hook Open AppOpen 1
  hook "Close" AppClose 2
  event Changed 3
  property Title string 16 0x80000000
  property Count integer 20
  property Tint color 24 1
  property Ratio 4 28
  property Precise double 32
  property Done boolean 40
  property Odd 7 41 9
  vtable AppOpen 0 AppClose
end
class Hidden
  name -
  super -1
end
)");
  const uint32_t d = l.Descriptor();
  EXPECT_EQ(l.Record(l.At(d + 8), 17), (Words{"0", "16", "\"IThing\"", "-1", "0", "1", "0", "1",
                                              "\"Run\"", "0", "0", "0", "0", "0", "0", "0", "0"}));
  const Words app = {"0",           "48",          "\"App\"",
                     "0",                                       // head
                     "1",           "@AppCtor",    "@AppDtor",  // routines
                     "0",           "2",           "1",
                     "7",  // interfaces
                     "2",           "\"Open\"",    "\"x As Integer, ByRef y As String\"",
                     "\"Boolean\"",  // methods
                     "@AppOpen",    "2",           "\"Run\"",
                     "0",           "0",           "@AppClose",
                     "0",  //
                     "2",           "\"Open\"",    "@AppOpen",
                     "1",           "\"Close\"",   "@AppClose",
                     "2",                                // hooks
                     "1",           "\"Changed\"", "3",  // events
                     "7",           "\"Title\"",   "1",
                     "16",          "-2147483648",  // properties
                     "\"Count\"",   "2",           "20",
                     "0",           "\"Tint\"",    "3",
                     "24",          "1",  //
                     "\"Ratio\"",   "4",           "28",
                     "0",           "\"Precise\"", "5",
                     "32",          "0",  //
                     "\"Done\"",    "6",           "40",
                     "0",           "\"Odd\"",     "7",
                     "41",          "9",  //
                     "3",           "@AppOpen",    "0",
                     "@AppClose"};  // method table
  EXPECT_EQ(l.Record(l.At(d + 12), app.size() + 1), [&] {
    Words w = app;
    w.push_back("0");  // the next record starts with kind 0
    return w;
  }());
  EXPECT_EQ(l.Record(l.At(d + 16), 12),
            (Words{"0", "16", "0", "-1", "0", "0", "0", "0", "0", "0", "0", "0"}));
  for (uint32_t i = 0; i < app.size(); ++i) {
    if (app[i].starts_with("@")) {
      EXPECT_EQ(l.fixups.at(l.At(d + 12) + 4 * i), FixupBase::kCode) << app[i];
    }
  }
}

TEST(DescribedItems, SettingsStreamBytes) {
  const Linked l = Link(
      "item settings\n"
      "  message \"ab\"\n"
      "  message \"\"\n"
      "  message \"" +
      std::string(70, 'm') +
      "\"\n"
      "  multiple-document yes\n"
      "  title \"T\\x80\"\n"
      "end\n"
      "item settings\nend\n");
  const uint32_t d = l.Descriptor();
  std::vector<uint8_t> stream = {0x03, 0x02, 'a', 'b', 0x00, 0x86, 0x01};
  stream.insert(stream.end(), 70, 'm');
  stream.insert(stream.end(), {0x01, 0x02, 'T', 0x80});
  const uint32_t first = l.At(d + 8);
  EXPECT_EQ(l.Record(first, 2), (Words{"4", std::to_string(stream.size())}));
  EXPECT_EQ(std::vector<uint8_t>(l.r.image.data.begin() + first + 8,
                                 l.r.image.data.begin() + first + 8 + stream.size()),
            stream);
  const uint32_t second = l.At(d + 12);
  EXPECT_EQ(second % 4, 0u);
  EXPECT_EQ(l.Record(second, 2), (Words{"4", "3"}));
  EXPECT_EQ(std::vector<uint8_t>(l.r.image.data.begin() + second + 8,
                                 l.r.image.data.begin() + second + 11),
            Bytes({0x00, 0x00, 0x00}));
}

TEST(DescribedItems, FileItemsCarryTheFileBytes) {
  const std::string path = testing::TempDir() + "described_item.bin";
  {
    std::ofstream out(path, std::ios::binary);
    out << "RIFF!";
  }
  const Linked l = Link("item file 6 " + path + "\nitem file 3 " + path + "\n");
  std::remove(path.c_str());
  const uint32_t d = l.Descriptor();
  for (uint32_t i = 0; i < 2; ++i) {
    const uint32_t at = l.At(d + 8 + 4 * i);
    EXPECT_EQ(at % 4, 0u);
    EXPECT_EQ(l.Record(at, 2), (Words{i == 0 ? "6" : "3", "5"}));
    EXPECT_EQ(
        std::vector<uint8_t>(l.r.image.data.begin() + at + 8, l.r.image.data.begin() + at + 13),
        Bytes({'R', 'I', 'F', 'F', '!'}));
  }
}

TEST(DescribedItems, ObjectAndRawItemsReferToBothSides) {
  const Linked l = Link(
      "string Hello \"hello\"\nslot Mine\nclass A\nend\n"
      "item object A Counter\nitem object 3 Mine\n"
      "item raw 9 1 -1 0xFFFFFFFF Counter Mine AppOpen @Hello \"lit\" TessApplication\n");
  const uint32_t d = l.Descriptor();
  EXPECT_EQ(l.Record(l.At(d + 12), 3), (Words{"5", "0", "&Counter"}));
  EXPECT_EQ(l.Record(l.At(d + 16), 3), (Words{"5", "3", "&Mine"}));
  EXPECT_EQ(l.Record(l.At(d + 20), 10),
            (Words{"9", "1", "-1", "-1", "&Counter", "&Mine", "@AppOpen", "\"hello\"", "\"lit\"",
                   "&TessApplication"}));
}

TEST(DescribedErrors, NameFileAndLine) {
  struct Row {
    std::string text;
    std::vector<std::string> messages;
  };
  const Row rows[] = {
      {"class A\n super Missing\nend", {"app.desc:2: unknown class 'Missing' (superclass)"}},
      {"class A\n implements B\nend\nitem object C Counter",
       {"app.desc:2: unknown class 'B' (interface)",
        "app.desc:4: unknown class 'C' (item object)"}},
      {"class A\n method M code Nowhere\nend",
       {"app.desc:2: unknown symbol 'Nowhere' (method code): no object defines it as a global "
        "symbol"}},
      {"class A\n vtable hidden\nend",
       {"app.desc:2: unknown symbol 'hidden' (method table entry): no object defines it as a "
        "global symbol"}},
      {"class A\n hook Open Counter 1\nend",
       {"app.desc:2: hook code 'Counter' is data, expected code"}},
      {"item object 0 AppOpen", {"app.desc:1: slot 'AppOpen' is code, expected data"}},
      {"slot S\nclass A\n routines S 0\nend",
       {"app.desc:3: construct routine 'S' is data of this description, not code"}},
      {"string S \"a\\q\"", {"app.desc:1: bad escape \\q"}},
      {"string S \"a\\x4\"", {"app.desc:1: bad escape: \\x needs two hex digits"}},
      {"string S \"open", {"app.desc:1: unterminated quoted text"}},
      {"string S \"a\"\nslot S", {"app.desc:2: 'S' is already defined on line 1"}},
      {"slot Counter", {"app.desc:1: 'Counter' is already defined by an object"}},
      {"class A\nend\nframework a", {"app.desc:3: class 'a' is already declared on line 1"}},
      {"item raw 1 @Nope", {"app.desc:1: unknown string constant '@Nope'"}},
      {"class A\n size big\nend", {"app.desc:2: bad instance size 'big'"}},
      {"class A\n size 0x100000000\nend", {"app.desc:2: bad instance size '0x100000000'"}},
      {"class A\n property P float 4\nend", {"app.desc:2: unknown property type 'float'"}},
      {"class A\n method M result Boolean\nend",
       {"app.desc:2: unknown method field 'result' (params, returns, code or flags)"}},
      {"class A\n", {"app.desc:1: class is not closed by 'end'"}},
      {"end", {"app.desc:1: 'end' without an open class, item or window"}},
      {"strings S \"a\"\nitem thing",
       {"app.desc:1: unknown statement 'strings'",
        "app.desc:2: unknown item kind 'thing' (settings, object, "
        "menubar, empty, raw or file)"}},
      {"item file 6 no-such-sound.wav", {"app.desc:1: cannot read 'no-such-sound.wav'"}},
      {"slot S extra", {"app.desc:1: unexpected 'extra'"}},
      {"slot 12", {"app.desc:1: bad slot name '12'"}},
      {"item settings\n multiple-document maybe\nend",
       {"app.desc:2: multiple-document takes yes or no"}},
      {"item settings\n" +
           [] {
             std::string m;
             for (int i = 0; i < 13; ++i) m += " message \"m\"\n";
             return m;
           }() +
           "end",
       {"app.desc:14: more than 12 messages"}},
  };
  for (const Row& row : rows) EXPECT_EQ(Errors(row.text), row.messages) << row.text;
  EXPECT_EQ(Errors("string S \"x\"\nitem empty", "Counter"),
            (std::vector<std::string>{"app.desc:2: 'Counter' is already defined by an object"}));
}

TEST(DescribedDump, ListsTheRecords) {
  const Linked l = Link(
      "framework Application\nclass A\n super Application\n routines AppCtor 0\n interface\n"
      " implements 0 1\n hook Open AppOpen 2\n vtable AppClose\nend\n"
      "item settings\n message \"m\\\"\\x01\"\n multiple-document yes\n title \"T\"\nend\n"
      "slot S\nitem object A S\nitem empty\nitem raw 3 1\n");
  const std::string expected =
      "descriptor at data 0xc: 2 classes, 4 items\n"
      "  class 0: framework \"Application\"\n"
      "  class 1: \"A\", 16 bytes, super 0, routines code 0x3 0, interface\n"
      "    implements 0 1\n"
      "    hook \"Open\" code 0x1 2\n"
      "    method table: code 0x2\n"
      "  item 1: settings, 1 message, multiple-document, title \"T\"\n"
      "    message 0: \"m\\\"\\x01\"\n"
      "  item 2: object of class 1 into data 0x" +
      [&] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%x", l.Symbol("S"));
        return std::string(hex);
      }() +
      "\n"
      "  item 3: none\n"
      "  item 4: kind 3\n";
  EXPECT_EQ(imagetool::DescribeRecords(l.r.image), expected);
}

TEST(DescribedDump, SurvivesEveryDamagedWord) {
  const Linked l = Link(
      "framework Application\nclass A\n super 0\n routines AppCtor AppDtor\n implements 0\n"
      " method M params P returns R code AppOpen\n hook H AppOpen 1\n event E 1\n"
      " property Q string 16\n vtable AppOpen\nend\n"
      "item settings\n message \"a\"\n title \"T\"\nend\nslot S\nitem object A S\n");
  for (uint32_t at = 4; at + 4 <= l.r.image.data.size(); at += 4) {
    for (uint32_t value : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFF0u, 0x100u}) {
      imagetool::Image damaged = l.r.image;
      put_le32(&damaged.data[at], value);
      const std::string text = imagetool::DescribeRecords(damaged);
      EXPECT_FALSE(text.empty()) << at;
    }
  }
}

TEST(StoredRecord, NumbersEncodeShortestAndRoundTrip) {
  const std::vector<std::pair<int32_t, std::vector<uint8_t>>> rows = {
      {0, {0x00}},
      {1, {0x01}},
      {-1, {0x41}},
      {63, {0x3F}},
      {-63, {0x7F}},
      {64, {0x80, 0x01}},
      {-64, {0xC0, 0x01}},
      {8191, {0xBF, 0x7F}},
      {8192, {0x80, 0x80, 0x01}},
      {INT32_MAX, {0xBF, 0xFF, 0xFF, 0xFF, 0x0F}},
      {INT32_MIN, {0xC0, 0x80, 0x80, 0x80, 0x10}},
      {INT32_MIN + 1, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},
  };
  for (const auto& [value, bytes] : rows) {
    std::vector<uint8_t> out;
    imagetool::AppendNumber(out, value);
    EXPECT_EQ(out, bytes) << value;
    RecordReader reader(out);
    EXPECT_EQ(reader.Number(), value);
    EXPECT_TRUE(reader.AtEnd());
  }
}

TEST(StoredRecord, StringsAndFlagsRoundTrip) {
  std::vector<uint8_t> out;
  const std::string text(200, 'q');
  imagetool::AppendString(out, text);
  imagetool::AppendString(out, "");
  imagetool::AppendFlag(out, true);
  imagetool::AppendFlag(out, false);
  EXPECT_EQ(Bytes({out[0], out[1]}), Bytes({0x88, 0x03}));  // 200 = 8 + 3 * 64
  RecordReader reader(out);
  EXPECT_EQ(reader.String(), text);
  EXPECT_EQ(reader.String(), "");
  EXPECT_TRUE(reader.Flag());
  EXPECT_FALSE(reader.Flag());
  EXPECT_TRUE(reader.AtEnd());
}

TEST(StoredRecord, ReaderRefusesMalformedInput) {
  const std::vector<std::vector<uint8_t>> rows = {
      {},                                    // nothing
      {0x80},                                // more bytes promised
      {0x80, 0x80, 0x80, 0x80, 0x80, 0x01},  // six bytes
      {0x80, 0x80, 0x80, 0x80, 0x10},        // +2^31
      {0xC1, 0x80, 0x80, 0x80, 0x10},        // -(2^31 + 1)
  };
  for (const std::vector<uint8_t>& bytes : rows) {
    RecordReader reader(bytes);
    EXPECT_THROW(reader.Number(), imagetool::Error) << bytes.size();
  }
  const std::vector<uint8_t> shortString = {0x05, 'a', 'b'};
  EXPECT_THROW(RecordReader(shortString).String(), imagetool::Error);
  const std::vector<uint8_t> negativeLength = {0x41};
  EXPECT_THROW(RecordReader(negativeLength).String(), imagetool::Error);
  const std::vector<uint8_t> negativeZero = {0x40};
  EXPECT_EQ(RecordReader(negativeZero).Number(), 0);
}

}  // namespace
}  // namespace tess::test
