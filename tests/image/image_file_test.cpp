// Finding and reading the image: the locator, appended blocks with hostile
// lengths, development files, and resource pool lookups.
#include <gtest/gtest.h>

#include "image/image_test_support.h"
#include "platform/kernel/file.h"

namespace tess::image {
namespace {

using test::AppendBe32;
using test::AppendLe32;
using test::TempDir;

TEST(Locator, SelectsDevelopmentModeOrTheAppendedImage) {
  const uint8_t placeholder[8] = {'P', 'I', 'C', 'K', 0x00, 0x10, 0x00, 0x00};
  const uint8_t appended[8] = {0x00, 0x3A, 0x0F, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
  const uint8_t withPool[8] = {0x10, 0x00, 0x00, 0x00, 0x20, 0x01, 0x00, 0x00};
  const uint8_t zeroOffset[8] = {0, 0, 0, 0, 0x20, 0, 0, 0};

  EXPECT_TRUE(ParseLocator(nullptr, 0).development) << "no resource";
  EXPECT_TRUE(ParseLocator(appended, 7).development) << "a resource too short to hold the words";
  EXPECT_TRUE(ParseLocator(placeholder, 8).development) << "the placeholder wins over its words";
  EXPECT_TRUE(ParseLocator(zeroOffset, 8).development) << "image offset 0";

  Locator a = ParseLocator(appended, 8);
  EXPECT_FALSE(a.development);
  EXPECT_EQ(a.imageOffset, 0x000F3A00u);
  EXPECT_EQ(a.poolOffset, 0xFFFFFFFFu);
  Locator p = ParseLocator(withPool, 8);
  EXPECT_EQ(p.imageOffset, 0x10u);
  EXPECT_EQ(p.poolOffset, 0x120u);
}

std::vector<uint8_t> Block(std::vector<uint8_t> bytes) {
  std::vector<uint8_t> out;
  AppendLe32(out, uint32_t(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(AppendedImage, ReadsTheFourBlocksInFileOrder) {
  TempDir dir;
  std::vector<uint8_t> prefix(100, 0x7F);  // stands in for the executable
  test::WriteFile(dir.File("app"), Concat({prefix, Block({0xC3}), Block({1, 2, 3}),
                                           Block({9, 9, 9, 9, 9, 9, 9, 9}), Block({0, 0x80})}));
  auto file = platform::File::Open(dir.File("app"), platform::File::Mode::kRead);
  ASSERT_TRUE(file);
  ImageBlocks blocks;
  std::string message;
  ASSERT_TRUE(ReadAppendedImage(*file, 100, &blocks, &message)) << message;
  ASSERT_EQ(blocks.segments.codeSize, 1u);
  EXPECT_EQ(blocks.segments.code[0], 0xC3);
  EXPECT_EQ(blocks.linkStream, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(blocks.segments.dataSize, 8u);
  EXPECT_EQ(blocks.fixups, (std::vector<uint8_t>{0, 0x80}));
}

TEST(AppendedImage, HostileOrTruncatedLengthsAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    uint64_t offset;
    const char* detail;
  } cases[] = {
      {"code length far beyond the file", {0xFF, 0xFF, 0xFF, 0xFF, 0xC3}, 0, "code segment claims"},
      {"data length one past the end", Concat({Block({0xC3}), Block({}), {5, 0, 0, 0, 1, 2, 3, 4}}),
       0, "data segment claims 5 bytes but only 4 remain"},
      {"file ends inside the lengths", Concat({Block({0xC3}), Block({}), {1, 0}}), 0,
       "before the length of the data segment"},
      {"missing fix-up block", Concat({Block({0xC3}), Block({}), Block({})}), 0,
       "before the length of the data fix-up stream"},
      {"image offset past the end", Block({}), 1000, "starts beyond the end of the file"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    test::WriteFile(dir.File("app"), c.file);
    auto file = platform::File::Open(dir.File("app"), platform::File::Mode::kRead);
    ImageBlocks blocks;
    std::string message;
    EXPECT_FALSE(ReadAppendedImage(*file, c.offset, &blocks, &message)) << c.what;
    EXPECT_NE(message.find(c.detail), std::string::npos) << c.what << ": " << message;
  }
}

TEST(DevelopmentImage, ReadsTheFourFilesAndNamesAMissingOne) {
  TempDir dir;
  test::WriteFile(dir.File("code1.dat"), {0x90, 0xC3});
  test::WriteFile(dir.File("data1.dat"), {1, 2, 3, 4, 5, 6, 7, 8});
  test::WriteFile(dir.File("code2.dat"), {});
  ImageBlocks blocks;
  std::string message;
  EXPECT_FALSE(ReadDevelopmentImage(dir.path().string(), &blocks, &message));
  EXPECT_EQ(message,
            "The application could not be loaded because the file data2.dat could not be read.");

  test::WriteFile(dir.File("data2.dat"), {0x00, 0x42});
  ImageBlocks complete;
  ASSERT_TRUE(ReadDevelopmentImage(dir.path().string(), &complete, &message)) << message;
  EXPECT_EQ(complete.segments.codeSize, 2u);
  EXPECT_EQ(complete.segments.dataSize, 8u);
  EXPECT_EQ(complete.segments.data[7], 8);
  EXPECT_TRUE(complete.linkStream.empty());
  EXPECT_EQ(complete.fixups, (std::vector<uint8_t>{0x00, 0x42}));
}

TEST(Pool, ItemsAreFoundThroughBigEndianCountAndOffsets) {
  TempDir dir;
  std::vector<uint8_t> file(37, 0xEE);  // whatever precedes the pool
  const uint64_t pool = file.size();
  AppendBe32(file, 3);
  AppendBe32(file, 0);
  AppendBe32(file, 0x0102);  // big-endian: 258, little-endian would be 0x02010000
  AppendBe32(file, 0x0105);
  file.resize(file.size() + 0x0105 + 4, 0);
  test::WriteFile(dir.File("pool"), file);
  auto f = platform::File::Open(dir.File("pool"), platform::File::Mode::kRead);

  const uint64_t items = pool + 4 + 3 * 4;
  struct Case {
    int index;
    bool found;
    uint64_t offset;
  } cases[] = {{0, false, 0},          {-1, false, 0},         {1, true, items},
               {2, true, items + 258}, {3, true, items + 261}, {4, false, 0}};
  for (const Case& c : cases) {
    uint64_t offset = 0;
    EXPECT_EQ(LocateItemInPool(*f, pool, c.index, &offset), c.found) << c.index;
    if (c.found) {
      EXPECT_EQ(offset, c.offset) << c.index;
    }
  }
}

TEST(Pool, DamagedPoolsFindNothing) {
  TempDir dir;
  std::vector<uint8_t> file;
  AppendBe32(file, 0xFFFFFFFF);  // hostile count: the offset table is not there
  AppendBe32(file, 0);
  test::WriteFile(dir.File("huge"), file);
  std::vector<uint8_t> beyond;
  AppendBe32(beyond, 1);
  AppendBe32(beyond, 0x7FFFFFFF);  // item would start far past the end
  test::WriteFile(dir.File("beyond"), beyond);
  test::WriteFile(dir.File("short"), {0, 0});

  uint64_t offset = 0;
  auto huge = platform::File::Open(dir.File("huge"), platform::File::Mode::kRead);
  EXPECT_FALSE(LocateItemInPool(*huge, 0, 1, &offset)) << "items would start past the end";
  EXPECT_FALSE(LocateItemInPool(*huge, 0, 2, &offset)) << "offset table cut short";
  auto far = platform::File::Open(dir.File("beyond"), platform::File::Mode::kRead);
  EXPECT_FALSE(LocateItemInPool(*far, 0, 1, &offset));
  auto cut = platform::File::Open(dir.File("short"), platform::File::Mode::kRead);
  EXPECT_FALSE(LocateItemInPool(*cut, 0, 1, &offset));
}

}  // namespace
}  // namespace tess::image
