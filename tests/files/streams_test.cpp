// The stream classes: line splitting at every terminator and block edge,
// bytes kept whatever their encoding, delimiters, typed values in both byte
// orders, closed streams, sharing, and nothing lost on close, release,
// raise or quit.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "files/buffered_stream.h"
#include "files/files_test_support.h"

namespace tess {
namespace {

using test::Obj;
using test::RaisedBy;
using test::S;
using test::Take;
using test::Text;

class Streams : public test::FilesTest {
 protected:
  std::vector<std::string> Lines(const std::string& bytes) {
    Put("in.txt", bytes);
    Obj in = test::Adopt(FolderItemOpenTextFile(Item("D:\\in.txt").get()));
    EXPECT_TRUE(in.get());
    std::vector<std::string> lines;
    while (!TextInputStreamEOF(in.get(), 0) && lines.size() < 100) {
      lines.push_back(Text(Take(TextInputStreamReadLine(in.get())).get()));
    }
    return lines;
  }
  Obj Binary(const std::string& name, bool littleEndian) {
    Obj item = Item("D:\\" + name);
    Obj b = test::Adopt(FolderItemCreateBinaryFile(item.get(), nullptr));
    boolSetter(b.get(), 20, littleEndian);
    return b;
  }
};

TEST_F(Streams, LinesEndAtCrLfOrCrLf) {
  using L = std::vector<std::string>;
  const std::string block(1023, 'x');
  struct Case {
    std::string bytes;
    L lines;
  } cases[] = {
      {"a\r\nb", L{"a", "b"}},
      {"a\rb\nc\r\n", L{"a", "b", "c"}},
      {"a\n\rb", L{"a", "", "b"}},
      {"a\r\n\r\nb\n", L{"a", "", "b"}},
      {"last", L{"last"}},
      {"", L{}},
      {block + "\r\ny", L{block, "y"}},  // CR ends one block, LF starts the next
      {block + "\r", L{block}},
      {std::string(3000, 'q') + "\nz", L{std::string(3000, 'q'), "z"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lines(c.bytes), c.lines) << c.bytes.substr(0, 20);
  }
}

TEST_F(Streams, ReadAllGivesTheRestUnchanged) {
  const std::string rest("two\rthree\n\0four\r\n", 17);
  Put("in.txt", "one\r\n" + rest);
  Obj in = test::Adopt(FolderItemOpenTextFile(Item("D:\\in.txt").get()));
  EXPECT_EQ(Text(Take(TextInputStreamReadLine(in.get())).get()), "one");
  EXPECT_EQ(Text(Take(TextInputStreamReadAll(in.get())).get()), rest);
  EXPECT_TRUE(TextInputStreamEOF(in.get(), 0));
  EXPECT_EQ(Take(TextInputStreamReadLine(in.get())).get(), nullptr);
  TextInputStreamClose(in.get());
  EXPECT_TRUE(TextInputStreamEOF(in.get(), 0)) << "a closed stream ends a read loop";
  EXPECT_EQ(Take(TextInputStreamReadAll(in.get())).get(), nullptr);
  TextInputStreamClose(in.get());
}

// Text is bytes: each encoding's bytes come back as they went out, and the
// lines of encodings that write CR and LF as themselves split where they
// should (a Shift-JIS trail byte may be a backslash, never CR or LF).
TEST_F(Streams, EveryEncodingsBytesPassUnchanged) {
  struct Case {
    const char* encoding;
    std::string line1, line2;
  } cases[] = {
      {"windows-1252", "caf\xe9 \x80", "na\xefve"},
      {"utf-8", "caf\xc3\xa9 \xe2\x82\xac", "\xf0\x9f\x98\x80"},
      {"shift_jis", "\x95\x5c\x8e\xa6", "\x83\x5c\x83\x74\x83\x67"},
      {"ascii", "plain", ""},
  };
  for (const Case& c : cases) {
    Obj item = Item("D:\\enc.txt");
    {
      Obj out = test::Adopt(FolderItemCreateTextFile(item.get()));
      ASSERT_TRUE(out.get()) << c.encoding;
      TextOutputStreamWriteLine(out.get(), S(c.line1).get());
      TextOutputStreamWriteLine(out.get(), S(c.line2).get());
      TextOutputStreamClose(out.get());
    }
    EXPECT_EQ(Get("enc.txt"), c.line1 + "\r\n" + c.line2 + "\r\n") << c.encoding;
    EXPECT_EQ(Lines(Get("enc.txt")), (std::vector<std::string>{c.line1, c.line2})) << c.encoding;
  }
  // UTF-16 is read whole: its bytes are kept exactly.
  const std::string utf16(
      "\xff\xfe"
      "a\0\r\0\n\0",
      8);
  Put("wide.txt", utf16);
  Obj in = test::Adopt(FolderItemOpenTextFile(Item("D:\\wide.txt").get()));
  EXPECT_EQ(Text(Take(TextInputStreamReadAll(in.get())).get()), utf16);
}

TEST_F(Streams, TheDelimiterFollowsEachLine) {
  struct Case {
    const char* delimiter;
    const char* bytes;
  } cases[] = {
      {"", "a\r\n\r\n"},
      {"\n", "a\n\n"},
      {"\r", "a\r\r"},
      {"||", "a||||"},
  };
  for (const Case& c : cases) {
    Obj out = test::Adopt(FolderItemCreateTextFile(Item("D:\\d.txt").get()));
    stringSetter(out.get(), 20, S(c.delimiter).get());
    EXPECT_EQ(Text(Take(stringGetter(out.get(), 20)).get()), c.delimiter);
    TextOutputStreamWriteLine(out.get(), S("a").get());
    TextOutputStreamWriteLine(out.get(), nullptr);
    TextOutputStreamWrite(out.get(), nullptr);
    TextOutputStreamClose(out.get());
    EXPECT_EQ(Get("d.txt"), c.bytes) << c.delimiter;
  }
}

TEST_F(Streams, AppendingKeepsWhatIsThere) {
  Put("log.txt", "old\r\n");
  Obj out = test::Adopt(FolderItemAppendTextFile(Item("D:\\log.txt").get()));
  TextOutputStreamWriteLine(out.get(), S("new").get());
  TextOutputStreamClose(out.get());
  EXPECT_EQ(Get("log.txt"), "old\r\nnew\r\n");
  Obj fresh = test::Adopt(FolderItemAppendTextFile(Item("D:\\fresh.txt").get()));
  ASSERT_TRUE(fresh.get()) << "made when missing";
  TextOutputStreamWrite(fresh.get(), S("x").get());
  TextOutputStreamClose(fresh.get());
  EXPECT_EQ(Get("fresh.txt"), "x");
}

TEST_F(Streams, BinaryValuesInBothByteOrders) {
  struct Case {
    const char* what;
    std::function<void(TessObject*)> write;
    std::string big, little;
  };
  const std::string long255(255, 'p');
  const Case cases[] = {
      {"byte", [](TessObject* b) { BinaryStreamWriteByte(b, 0x1FF); }, "\xff", "\xff"},
      {"short", [](TessObject* b) { BinaryStreamWriteShort(b, 1); }, std::string("\0\1", 2),
       std::string("\1\0", 2)},
      {"long", [](TessObject* b) { BinaryStreamWriteLong(b, 0x01020304); }, "\1\2\3\4", "\4\3\2\1"},
      {"single", [](TessObject* b) { BinaryStreamWriteFloat(b, 1.5); },
       std::string("\x3f\xc0\0\0", 4), std::string("\0\0\xc0\x3f", 4)},
      {"double", [](TessObject* b) { BinaryStreamWriteDouble(b, -2.0); },
       std::string("\xc0\0\0\0\0\0\0\0", 8), std::string("\0\0\0\0\0\0\0\xc0", 8)},
      {"boolean", [](TessObject* b) { BinaryStreamWriteBoolean(b, 5); }, "\1", "\1"},
      {"pstring", [](TessObject* b) { BinaryStreamWritePString(b, S("abc").get()); }, "\3abc",
       "\3abc"},
      {"empty pstring", [](TessObject* b) { BinaryStreamWritePString(b, nullptr); },
       std::string("\0", 1), std::string("\0", 1)},
      {"long pstring",
       [](TessObject* b) { BinaryStreamWritePString(b, S(std::string(300, 'p')).get()); },
       "\xff" + long255, "\xff" + long255},
      {"bytes", [](TessObject* b) { BinaryStreamWrite(b, S("xyz").get()); }, "xyz", "xyz"},
  };
  for (const Case& c : cases) {
    for (bool little : {false, true}) {
      Obj b = Binary("b.bin", little);
      c.write(b.get());
      BinaryStreamClose(b.get());
      EXPECT_EQ(Get("b.bin"), little ? c.little : c.big) << c.what << (little ? " LE" : " BE");
    }
  }
}

TEST_F(Streams, BinaryReadsComeBackAndShortReadsGiveZero) {
  for (bool little : {false, true}) {
    Obj b = Binary("r.bin", little);
    BinaryStreamWriteShort(b.get(), -2);
    BinaryStreamWriteLong(b.get(), -123456789);
    BinaryStreamWriteFloat(b.get(), 0.25);
    BinaryStreamWriteDouble(b.get(), 1e300);
    BinaryStreamWriteBoolean(b.get(), 1);
    BinaryStreamWritePString(b.get(), S("hi").get());
    BinaryStreamWriteByte(b.get(), 200);
    EXPECT_EQ(BinaryStreamGetLength(b.get(), 0), 2 + 4 + 4 + 8 + 1 + 3 + 1);
    BinaryStreamSetPosition(b.get(), 0, 0);
    EXPECT_EQ(BinaryStreamReadShort(b.get()), -2);
    EXPECT_EQ(BinaryStreamReadLong(b.get()), -123456789);
    EXPECT_EQ(BinaryStreamReadFloat(b.get()), 0.25);
    EXPECT_EQ(BinaryStreamReadDouble(b.get()), 1e300);
    EXPECT_EQ(BinaryStreamReadBoolean(b.get()), 1);
    EXPECT_EQ(Text(Take(BinaryStreamReadPString(b.get())).get()), "hi");
    EXPECT_EQ(BinaryStreamReadByte(b.get()), 200);
    EXPECT_TRUE(BinaryStreamEOF(b.get(), 0));
    EXPECT_EQ(BinaryStreamReadLong(b.get()), 0);
    EXPECT_EQ(BinaryStreamReadDouble(b.get()), 0.0);
    EXPECT_EQ(BinaryStreamReadBoolean(b.get()), 0);
    EXPECT_EQ(Take(BinaryStreamReadPString(b.get())).get(), nullptr);
    BinaryStreamClose(b.get());
  }
  Put("s.bin", std::string("\xff\xfe\x05\x01\x02", 5));
  Obj item = Item("D:\\s.bin");
  Obj b = test::Adopt(FolderItemOpenBinaryFile(item.get(), 0));
  EXPECT_EQ(BinaryStreamReadShort(b.get()), -2) << "255, 254 big-endian";
  EXPECT_EQ(Take(BinaryStreamReadPString(b.get())).get(), nullptr) << "5 announced, 2 there";
  BinaryStreamSetPosition(b.get(), 0, 3);
  EXPECT_EQ(BinaryStreamReadLong(b.get()), 0) << "2 bytes left";
  BinaryStreamSetPosition(b.get(), 0, 1);
  EXPECT_EQ(Text(Take(BinaryStreamRead(b.get(), 1000000000)).get()), "\xfe\x05\x01\x02");
  EXPECT_EQ(Take(BinaryStreamRead(b.get(), 0)).get(), nullptr);
  BinaryStreamWriteByte(b.get(), 1);
  EXPECT_EQ(Get("s.bin").size(), 5u) << "opened read-only";
}

TEST_F(Streams, LengthAndPositionChangeTheFile) {
  Obj b = Binary("l.bin", false);
  BinaryStreamWrite(b.get(), S("abcdef").get());
  BinaryStreamSetLength(b.get(), 0, 3);
  EXPECT_EQ(BinaryStreamGetLength(b.get(), 0), 3);
  EXPECT_EQ(BinaryStreamGetPosition(b.get(), 0), 3);
  BinaryStreamSetLength(b.get(), 0, 5);
  BinaryStreamSetPosition(b.get(), 0, 1);
  BinaryStreamWrite(b.get(), S("Z").get());
  BinaryStreamSetLength(b.get(), 0, -1);
  EXPECT_EQ(intGetter(b.get(), 24), int32_t(platform::ERROR_INVALID_PARAMETER));
  BinaryStreamClose(b.get());
  EXPECT_EQ(Get("l.bin"), std::string("aZc\0\0", 5));
}

TEST_F(Streams, AClosedStreamReadsZeroAndWritesNothing) {
  Obj b = Binary("c.bin", false);
  BinaryStreamWriteLong(b.get(), 7);
  BinaryStreamClose(b.get());
  BinaryStreamClose(b.get());
  EXPECT_TRUE(BinaryStreamEOF(b.get(), 0));
  EXPECT_EQ(BinaryStreamReadLong(b.get()), 0);
  EXPECT_EQ(BinaryStreamReadByte(b.get()), 0);
  EXPECT_EQ(BinaryStreamGetLength(b.get(), 0), 0);
  BinaryStreamWriteLong(b.get(), 8);
  EXPECT_EQ(Get("c.bin"), std::string("\0\0\0\7", 4));
  EXPECT_EQ(RaisedBy([] { BinaryStreamReadLong(nullptr); }), Exceptions().nilObject);
  EXPECT_EQ(RaisedBy([] { TextInputStreamReadLine(nullptr); }), Exceptions().nilObject);
}

TEST_F(Streams, ASecondWriterIsRefusedUntilTheFirstCloses) {
  Obj item = Item("D:\\shared.txt");
  Obj first = test::Adopt(FolderItemCreateTextFile(item.get()));
  ASSERT_TRUE(first.get());
  Obj other = Item("D:\\SHARED.TXT");
  EXPECT_EQ(test::Adopt(FolderItemCreateTextFile(other.get())).get(), nullptr);
  EXPECT_EQ(LastError(other), int32_t(platform::ERROR_SHARING_VIOLATION));
  EXPECT_EQ(test::Adopt(FolderItemOpenTextFile(other.get())).get(), nullptr);
  EXPECT_EQ(test::Adopt(FolderItemOpenBinaryFile(other.get(), 1)).get(), nullptr);
  EXPECT_TRUE(FolderItemIsCurrentlyWriteable(item.get(), 0)) << "this item holds it";
  EXPECT_FALSE(FolderItemIsCurrentlyWriteable(other.get(), 0));
  TextOutputStreamClose(first.get());
  Obj second = test::Adopt(FolderItemCreateTextFile(other.get()));
  EXPECT_TRUE(second.get());
  EXPECT_EQ(LastError(other), 0);
}

TEST_F(Streams, NothingIsLostOnReleaseRaiseOrQuit) {
  const std::string many(200000, 'm');
  {
    Obj out = test::Adopt(FolderItemCreateTextFile(Item("D:\\released.txt").get()));
    TextOutputStreamWrite(out.get(), S(many).get());
    TextOutputStreamWriteLine(out.get(), S("end").get());
  }  // released without Close
  EXPECT_EQ(Get("released.txt"), many + "end\r\n");

  TessObject* raisedOut = nullptr;
  const ClassObject* raised = RaisedBy([&] {
    raisedOut = FolderItemCreateTextFile(Item("D:\\raised.txt").get());
    TextOutputStreamWriteLine(raisedOut, S("before").get());
    BinaryStreamReadLong(nullptr);  // raises in the middle of writing
  });
  EXPECT_EQ(raised, Exceptions().nilObject);
  UnlockObject(raisedOut);
  EXPECT_EQ(Get("raised.txt"), "before\r\n");

  TessObject* leaked = FolderItemCreateBinaryFile(Item("D:\\quit.bin").get(), nullptr);
  BinaryStreamWriteLong(leaked, 42);
  files::CloseAllOpenStreams();  // what quitting does
  EXPECT_EQ(Get("quit.bin"), std::string("\0\0\0\x2a", 4));
  BinaryStreamWriteLong(leaked, 43);
  UnlockObject(leaked);
  EXPECT_EQ(Get("quit.bin").size(), 4u) << "closed at quit";
}

TEST_F(Streams, AFullDiskIsReportedNotSwallowed) {
  Obj full = test::Adopt(RuntimeGetFolderItem(S("Z:\\dev\\full").get()));
  Obj b = test::Adopt(FolderItemOpenBinaryFile(full.get(), 1));
  if (!b.get()) GTEST_SKIP() << "no /dev/full";
  BinaryStreamWrite(b.get(), S(std::string(100000, 'f')).get());
  BinaryStreamClose(b.get());
  EXPECT_EQ(intGetter(b.get(), 24), int32_t(platform::ERROR_DISK_FULL));
}

}  // namespace
}  // namespace tess
