// Layout records: the Number and String primitives byte for byte, a typical
// window decoded whole, and damaged or hostile records refused with a
// message that says what broke.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record_bytes.h"
#include "ui/layout_record.h"

namespace tess::ui {
namespace {

using testing::Bytes;

struct NumberCase {
  std::vector<uint8_t> bytes;
  int32_t value;
};

TEST(RecordStream, NumbersDecode) {
  const NumberCase cases[] = {
      {{0x15}, 21},
      {{0x41}, -1},
      {{0x80, 0x01}, 64},
      {{0x00}, 0},
      {{0x40}, 0},
      {{0x3F}, 63},
      {{0xC0, 0x01}, -64},
      {{0xBF, 0xFF, 0xFF, 0xFF, 0x0F}, INT32_MAX},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, -INT32_MAX},
      // A magnitude of 0x80000000 is -2147483648 with either sign.
      {{0x80, 0x80, 0x80, 0x80, 0x10}, INT32_MIN},
      {{0xC0, 0x80, 0x80, 0x80, 0x10}, INT32_MIN},
      // Magnitudes up to 32 bits wrap as 32-bit arithmetic does.
      {{0x90, 0x80, 0x80, 0x80, 0x10}, int32_t(0x80000010u)},
      {{0xBF, 0xFF, 0xFF, 0xFF, 0x1F}, -1},
      // A longer form than needed still reads.
      {{0x81, 0x00}, 1},
  };
  for (const NumberCase& c : cases) {
    RecordStream in(c.bytes);
    int32_t value = 12345;
    ASSERT_TRUE(in.Number(&value)) << in.message();
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(in.position(), c.bytes.size());
  }
}

struct RefusalCase {
  std::vector<uint8_t> bytes;
  const char* message;
};

TEST(RecordStream, HostileNumbersAreRefused) {
  const RefusalCase cases[] = {
      {{}, "at byte 0: the record ends inside a number"},
      {{0x80}, "at byte 0: the record ends inside a number"},
      {{0x80, 0x80, 0x80, 0x80}, "at byte 0: the record ends inside a number"},
      {{0x80, 0x80, 0x80, 0x80, 0x80, 0x00}, "at byte 0: a number runs longer than 5 bytes"},
      {{0x80, 0x80, 0x80, 0x80, 0x20}, "at byte 0: a number's magnitude does not fit 32 bits"},
      {{0xC0, 0x80, 0x80, 0x80, 0x7F}, "at byte 0: a number's magnitude does not fit 32 bits"},
  };
  for (const RefusalCase& c : cases) {
    RecordStream in(c.bytes);
    int32_t value = 7;
    EXPECT_FALSE(in.Number(&value));
    EXPECT_FALSE(in.ok());
    EXPECT_EQ(in.message(), c.message);
    EXPECT_EQ(value, 7);
  }
}

TEST(RecordStream, Strings) {
  const std::vector<uint8_t> bytes = Bytes().S("Name").N(0).N(-5).Raw({0x03, 'a', 'b'}).bytes;
  RecordStream in(bytes);
  std::string text = "old";
  ASSERT_TRUE(in.String(&text));
  EXPECT_EQ(text, "Name");
  ASSERT_TRUE(in.String(&text));
  EXPECT_EQ(text, "");
  text = "old";
  ASSERT_TRUE(in.String(&text));  // a negative length is the empty string
  EXPECT_EQ(text, "");
  EXPECT_FALSE(in.String(&text));
  EXPECT_EQ(in.message(), "at byte 7: a string of 3 bytes runs past the 2 bytes left");
}

TEST(RecordStream, FirstFaultSticks) {
  const std::vector<uint8_t> bytes = {0x80, 0x15, 0x01};
  RecordStream in(std::span<const uint8_t>(bytes).first(1));
  int32_t value = 0;
  bool flag = false;
  EXPECT_FALSE(in.Number(&value));
  EXPECT_FALSE(in.Flag(&flag));
  EXPECT_FALSE(in.Number(&value));
  EXPECT_EQ(in.message(), "at byte 0: the record ends inside a number");
}

TEST(RecordStream, Flags) {
  const std::vector<uint8_t> bytes = {0x00, 0x01, 0xFF};
  RecordStream in(bytes);
  bool a = true, b = false, c = false;
  ASSERT_TRUE(in.Flag(&a) && in.Flag(&b) && in.Flag(&c));
  EXPECT_FALSE(a);
  EXPECT_TRUE(b);
  EXPECT_TRUE(c);
  EXPECT_FALSE(in.Flag(&a));
  EXPECT_EQ(in.message(), "at byte 3: the record ends before a flag");
}

// A window as the authoring tool stores it: the window's pairs, a group box,
// a two-button control array inside it, a check box, and one binding that
// enables the second button while the check box is checked.
Bytes TypicalWindow() {
  Bytes b;
  b.N(6).N(3);
  b.S("Name").S("Window1").S("Frame").S("1").S("HasBackColor").S("False");
  b.S("Title").S("").S("Visible").S("True").S("Width").S("300");
  b.N(4);
  b.N(5).N(6).S("Name").S("GroupBox1").S("Index").S("-2147483648").S("Left").S("10");
  b.S("Top").S("10").S("Width").S("200").S("Height").S("100");
  for (const char* index : {"0", "1"}) {
    b.N(4).N(3).S("Name").S("PushButton1").S("Index").S(index).S("Caption").S("OK");
  }
  b.N(7).N(2).S("Name").S("CheckBox1").S("Index").S("-2147483648");
  b.N(1).N(3).S("").N(2).S("").N(8).S("").S("");
  return b;
}

TEST(WindowLayout, TypicalRecordDecodesWhole) {
  const std::vector<uint8_t> block = TypicalWindow().Block();
  WindowLayout layout;
  std::string message;
  ASSERT_TRUE(ReadWindowLayout(block, &layout, &message)) << message;

  WindowLayout expected;
  expected.windowClass = 3;
  expected.pairs = {{"Name", "Window1"}, {"Frame", "1"},      {"HasBackColor", "False"},
                    {"Title", ""},       {"Visible", "True"}, {"Width", "300"}};
  expected.controls = {
      {5,
       {{"Name", "GroupBox1"},
        {"Index", "-2147483648"},
        {"Left", "10"},
        {"Top", "10"},
        {"Width", "200"},
        {"Height", "100"}}},
      {4, {{"Name", "PushButton1"}, {"Index", "0"}, {"Caption", "OK"}}},
      {4, {{"Name", "PushButton1"}, {"Index", "1"}, {"Caption", "OK"}}},
      {7, {{"Name", "CheckBox1"}, {"Index", "-2147483648"}}},
  };
  expected.bindings = {{3, "", 2, "", 8, "", ""}};
  EXPECT_EQ(layout, expected);
  ASSERT_NE(FindPair(layout.controls[2].pairs, "index"), nullptr);
  EXPECT_EQ(*FindPair(layout.controls[2].pairs, "INDEX"), "1");
  EXPECT_EQ(FindPair(layout.controls[2].pairs, "Indexes"), nullptr);
}

TEST(WindowLayout, BytesAfterTheRecordAreIgnored) {
  std::vector<uint8_t> block = TypicalWindow().Block();
  block.insert(block.end(), {0xFF, 0xFF, 0xFF});  // the rest of the data segment
  WindowLayout layout;
  std::string message;
  EXPECT_TRUE(ReadWindowLayout(block, &layout, &message)) << message;
}

// Every proper prefix of the record is refused twice over: with the byte
// count left as stored (it runs past what is available) and with the count
// cut to the prefix (the stream itself ends early).
TEST(WindowLayout, TruncatedAtEveryByteIsRefused) {
  const std::vector<uint8_t> record = TypicalWindow().bytes;
  for (size_t cut = 0; cut < record.size(); ++cut) {
    const std::vector<uint8_t> prefix(record.begin(), record.begin() + cut);
    for (uint32_t count : {uint32_t(record.size()), uint32_t(cut)}) {
      const std::vector<uint8_t> block = Bytes::BlockOf(prefix, count);
      WindowLayout layout;
      layout.windowClass = 99;
      std::string message;
      ASSERT_FALSE(ReadWindowLayout(block, &layout, &message)) << "cut at " << cut;
      EXPECT_TRUE(message.starts_with("window layout record damaged")) << message;
      EXPECT_EQ(layout.windowClass, 99) << "a refused record leaves the layout alone";
    }
  }
  for (size_t size = 0; size < 4; ++size) {
    const std::vector<uint8_t> block(size, 0);
    WindowLayout layout;
    std::string message;
    EXPECT_FALSE(ReadWindowLayout(block, &layout, &message));
    EXPECT_EQ(message, "window layout record damaged: no room for its byte count");
  }
}

TEST(WindowLayout, HostileCountsAreRefused) {
  // INT32_MAX as a Number: BF FF FF FF 0F.
  const std::initializer_list<uint8_t> kHuge = {0xBF, 0xFF, 0xFF, 0xFF, 0x0F};
  const RefusalCase cases[] = {
      {Bytes().Raw(kHuge).N(1).bytes,
       "window layout record damaged at byte 0: window pair count 2147483647 does not fit the 0 "
       "bytes left"},
      {Bytes().N(-1).N(1).N(0).N(0).bytes,
       "window layout record damaged at byte 0: window pair count -1 does not fit the 2 bytes "
       "left"},
      {Bytes().N(0).N(1).Raw(kHuge).N(0).bytes,
       "window layout record damaged at byte 2: control count 2147483647 does not fit the 1 bytes "
       "left"},
      {Bytes().N(0).N(1).N(1).N(4).Raw(kHuge).N(0).bytes,
       "window layout record damaged at byte 4: control pair count 2147483647 does not fit the 1 "
       "bytes left"},
      {Bytes().N(0).N(1).N(0).N(1).N(0).N(0).N(0).N(0).N(0).N(0).bytes,
       "window layout record damaged at byte 3: binding count 1 does not fit the 6 bytes left"},
      {Bytes().N(0).N(1).N(0).N(-3).bytes,
       "window layout record damaged at byte 3: binding count -3 does not fit the 0 bytes left"},
      {Bytes().N(1).N(1).Raw({0xBF, 0xFF, 0xFF, 0xFF, 0x0F}).bytes,
       "window layout record damaged at byte 2: a string of 2147483647 bytes runs past the 0 bytes "
       "left"},
  };
  for (const RefusalCase& c : cases) {
    const std::vector<uint8_t> block = Bytes::BlockOf(c.bytes, uint32_t(c.bytes.size()));
    WindowLayout layout;
    std::string message;
    EXPECT_FALSE(ReadWindowLayout(block, &layout, &message));
    EXPECT_EQ(message, c.message);
  }
  const std::vector<uint8_t> overlong = Bytes::BlockOf({0, 0, 0, 0}, 0xFFFFFFFFu);
  WindowLayout layout;
  std::string message;
  EXPECT_FALSE(ReadWindowLayout(overlong, &layout, &message));
  EXPECT_EQ(message,
            "window layout record damaged: its byte count 4294967295 runs past the 4 bytes "
            "available");
}

}  // namespace
}  // namespace tess::ui
