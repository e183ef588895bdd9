// The bytes a volume holds after creating, writing and deleting, compared
// whole with images composed from the file layout.
#include <gtest/gtest.h>

#include "files/volume_core.h"
#include "volume_test_support.h"

namespace tess::files::test {
namespace {

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char('a' + (i * 7 + i / 251) % 26);
  return s;
}

// The image after creating the root and a 20,000-byte file "big" in it:
// the root in the block at 48, the file in three blocks after it.
Bytes BigFileImage(const std::string& content) {
  Bytes image = NewVolume(4);
  image.resize(48, 0);
  Bytes root = Entry(8.0, "dlof", 0, "/");
  Le32(root, 1);
  Le32(root, 3);
  Put(image, 48, Block(2, 0, 0.0, root));
  Bytes stream = Entry(20000.0, "????", 2, "big");
  stream.insert(stream.end(), content.begin(), content.end());
  const double at[] = {8240, 16432, 24624};
  for (uint32_t i = 0; i < 3; ++i) {
    size_t from = 8156 * i;
    Bytes payload(stream.begin() + long(from),
                  stream.begin() + long(std::min(stream.size(), from + 8156)));
    Put(image, size_t(at[i]), Block(3, i, i < 2 ? at[i + 1] : 0.0, payload));
  }
  return image;
}

TEST(VolumeLayout, NewVolumeIs44BytesAndItsRootFillsTheBlockAt48) {
  db::MemoryStream s;
  auto core = VFSCore::Create(&s, false);
  ASSERT_TRUE(core->is_open());
  EXPECT_EQ(Of(s), NewVolume(2));
  EXPECT_EQ(s.bytes().size(), 44u);

  MemoryVolume v;
  ASSERT_TRUE(v->usable()) << v->error();
  Bytes expected = NewVolume(3);
  expected.resize(48, 0);
  Bytes root = Entry(4.0, "dlof", 0, "/");
  Le32(root, 0);
  Put(expected, 48, Block(2, 0, 0.0, root));
  EXPECT_EQ(Of(v.stream), expected);
  EXPECT_EQ(v.stream.bytes().size(), 48u + 8192u);
}

TEST(VolumeLayout, A20000ByteFileSpansThreeBlocksInSequence) {
  MemoryVolume v;
  std::string content = Pattern(20000);
  VolumeEntry big = v.Store(v->Root(), "big", content);
  ASSERT_TRUE(big) << v->error();
  EXPECT_EQ(big.idnum, 3u);
  EXPECT_EQ(Of(v.stream), BigFileImage(content));
  EXPECT_EQ(v.Content(big), content);
}

TEST(VolumeLayout, ADeletedFilesBlocksAreFreedAndTheFirstOneReused) {
  MemoryVolume v;
  std::string content = Pattern(20000);
  VolumeEntry big = v.Store(v->Root(), "big", content);
  ASSERT_TRUE(v->DeleteEntry(big)) << v->error();

  // Deleting clears the owner of each block and the root's count; the root
  // keeps its data length and the blocks their other fields.
  Bytes expected = BigFileImage(content);
  for (size_t at : {8240, 16432, 24624}) Put(expected, at + 4, Bytes{0, 0, 0, 0});
  Put(expected, 48 + 32 + 256, Bytes{0, 0, 0, 0});
  EXPECT_EQ(Of(v.stream), expected);

  VolumeEntry small = v.Store(v->Root(), "small", "0123456789");
  ASSERT_TRUE(small) << v->error();
  EXPECT_EQ(small.idnum, 4u);
  Put(expected, 36, Bytes{0, 0, 0, 5});
  Put(expected, 48 + 32 + 256, Bytes{1, 0, 0, 0, 4, 0, 0, 0});
  Put(expected, 8240, BlockHeader(4, 0, 8192.0, 0.0));
  Bytes stream = Entry(10.0, "????", 2, "small");
  Text(stream, "0123456789");
  Put(expected, 8240 + 32, stream);
  EXPECT_EQ(Of(v.stream), expected);
  EXPECT_EQ(v.stream.bytes().size(), 48u + 4 * 8192u);
}

TEST(VolumeLayout, FoldersAndNamesAsStored) {
  MemoryVolume v;
  VolumeEntry docs = v->CreateFolder(v->Root(), "Docs");
  ASSERT_TRUE(docs);
  std::string long_name(300, 'n');
  VolumeEntry file = v->CreateEntry(docs, long_name, 0x54455854);  // 'TEXT'
  ASSERT_TRUE(file);
  EXPECT_EQ(file.name, long_name.substr(0, 223));

  Bytes folder = Entry(8.0, "dlof", 2, "Docs");
  Le32(folder, 1);
  Le32(folder, 4);
  Bytes entry = Entry(0.0, "TXET", 3, long_name.substr(0, 223).c_str());
  const Bytes& image = Of(v.stream);
  ASSERT_EQ(image.size(), 48u + 3 * 8192u);
  EXPECT_EQ(Bytes(image.begin() + 8240 + 32, image.begin() + 8240 + 32 + 264), folder);
  EXPECT_EQ(Bytes(image.begin() + 16432 + 32, image.begin() + 16432 + 32 + 256), entry);
}

// Version 1 keeps the block layer's doubles little-endian; so do the
// blocks added to such a volume.
TEST(VolumeLayout, Version1VolumesKeepLittleEndianDoubles) {
  Bytes image;
  Text(image, "VFSv");
  Be32(image, 1);
  Text(image, "BlkS");
  Be32(image, 1);
  Be32(image, 0);
  LeDouble(image, 40.0);
  LeDouble(image, 0.0);
  Be32(image, 3);
  Text(image, "BlkE");
  image.resize(48, 0);
  Bytes root = Entry(4.0, "dlof", 0, "/");
  Le32(root, 0);
  Bytes block = Block(2, 0, 0.0, root);
  Bytes le_header;
  Text(le_header, "BlkS");
  Be32(le_header, 2);
  Be32(le_header, 0);
  LeDouble(le_header, 8192.0);
  LeDouble(le_header, 0.0);
  Put(block, 0, le_header);
  Put(image, 48, block);

  MemoryVolume v(image);
  ASSERT_TRUE(v->usable()) << v->error();
  EXPECT_EQ(v->core().version(), 1u);
  VolumeEntry f = v.Store(v->Root(), "f", std::string(9000, 'x'));
  ASSERT_TRUE(f) << v->error();
  EXPECT_EQ(v.Content(f), std::string(9000, 'x'));
  Bytes first;
  Text(first, "BlkS");
  Be32(first, 3);
  Be32(first, 0);
  LeDouble(first, 8192.0);
  LeDouble(first, 16432.0);
  const Bytes& now = Of(v.stream);
  EXPECT_EQ(Bytes(now.begin() + 8240, now.begin() + 8240 + 28), first);
}

}  // namespace
}  // namespace tess::files::test
