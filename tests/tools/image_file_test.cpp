// Image containers and the dump: the bare image layout, the runtime with an
// appended image and patched locator, development files, and the dump of
// each, including its refusal of malformed images (a looping chain first).
#include "tessimage/dump.h"
#include "tessimage/error.h"
#include "tessimage/pool.h"
#include "tessimage_test_support.h"
#include "test_support.h"

namespace tess::test {
namespace {

using imagetool::Error;
using imagetool::Image;
using imagetool::Locator;

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(BareImage, FourLengthPrefixedBlocksInOrder) {
  const Image image{{1, 2, 3}, {4}, {5, 6}, {}};
  const std::vector<uint8_t> expected = {3, 0, 0, 0, 1, 2, 3, 1, 0, 0, 0,
                                         4, 2, 0, 0, 0, 5, 6, 0, 0, 0, 0};
  const std::vector<uint8_t> bytes = imagetool::SerializeImage(image);
  EXPECT_EQ(bytes, expected);
  size_t consumed = 0;
  const Image back = imagetool::ParseImage(bytes, &consumed);
  EXPECT_EQ(consumed, bytes.size());
  EXPECT_EQ(back.code, image.code);
  EXPECT_EQ(back.link, image.link);
  EXPECT_EQ(back.data, image.data);
  for (size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_THROW(imagetool::ParseImage(std::span(bytes).first(n)), Error) << n;
  }
}

struct RuntimeFixture : testing::Test {
  std::vector<uint8_t> runtime = imagetool::ReadFile(TESSIMAGE_PICKLE_RUNTIME);
  imagetool::ElfFile elf{"runtime", runtime};
  Image image = Build({"layout.s"}).image;
  std::vector<uint8_t> pool = imagetool::BuildPool({{'a', 'b'}, {'c'}});
};

TEST_F(RuntimeFixture, AppendsImageAndPoolAndPatchesTheLocator) {
  ASSERT_TRUE(imagetool::ReadLocator(elf).placeholder);
  const std::vector<uint8_t> serialized = imagetool::SerializeImage(image);
  for (bool withPool : {true, false}) {
    const std::vector<uint8_t> out = imagetool::AttachImage(elf, image, withPool ? &pool : nullptr);
    const Locator loc = imagetool::ReadLocator(imagetool::ElfFile("out", out));
    EXPECT_FALSE(loc.placeholder);
    EXPECT_EQ(loc.image, runtime.size());
    EXPECT_EQ(loc.pool, withPool ? runtime.size() + serialized.size() : 0xFFFFFFFF);
    ASSERT_EQ(out.size(), runtime.size() + serialized.size() + (withPool ? pool.size() : 0));
    EXPECT_TRUE(std::equal(serialized.begin(), serialized.end(), out.begin() + loc.image));
    if (withPool) {
      EXPECT_TRUE(std::equal(pool.begin(), pool.end(), out.begin() + loc.pool));
    }
    // Only the locator's eight bytes of the runtime change.
    size_t changed = 0;
    for (size_t i = 0; i < runtime.size(); ++i) changed += runtime[i] != out[i];
    EXPECT_LE(changed, 8u);
    EXPECT_GE(changed, 4u);
  }
}

TEST_F(RuntimeFixture, RefusesExecutablesWithoutAPlaceholderLocator) {
  const std::vector<uint8_t> built = imagetool::AttachImage(elf, image, nullptr);
  std::vector<uint8_t> shortLocator = runtime;
  const uint32_t header = le32(&runtime[32]) + 40 * elf.FindSection(".pickle").value();
  put_le32(&shortLocator[header + 20], 4);
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* message;
  } rows[] = {
      {"built", built, "already carries an application image"},
      {"no locator", imagetool::ReadFile("/proc/self/exe"), "no .pickle section of at least 8"},
      {"short locator", shortLocator, "no .pickle section of at least 8"},
      {"object", Fixture("layout.s").bytes, "not an executable"},
  };
  for (const auto& r : rows) {
    const std::string message = ErrorOf(
        [&] { imagetool::AttachImage(imagetool::ElfFile(r.what, r.bytes), image, nullptr); });
    EXPECT_PRED_FORMAT2(testing::IsSubstring, r.message, message) << r.what;
  }
}

TEST(DevFiles, WritesOneFilePerBlockAndDropsAStalePool) {
  TempDir dir;
  const Image image{{1}, {2, 2}, {3, 3, 3}, {4, 4, 4, 4}};
  const std::vector<uint8_t> pool = imagetool::BuildPool({{9}});
  imagetool::WriteDevFiles(dir.path(), image, &pool);
  EXPECT_EQ(imagetool::ReadFile(dir.path() / "code1.dat"), image.code);
  EXPECT_EQ(imagetool::ReadFile(dir.path() / "data1.dat"), image.data);
  EXPECT_EQ(imagetool::ReadFile(dir.path() / "code2.dat"), image.link);
  EXPECT_EQ(imagetool::ReadFile(dir.path() / "data2.dat"), image.fixups);
  EXPECT_EQ(imagetool::ReadFile(dir.path() / "data3.dat"), pool);
  imagetool::WriteDevFiles(dir.path(), image, nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "data3.dat"));
}

constexpr char kLayoutDump[] =
    "code segment: 42 bytes\n"
    "link stream: 89 bytes\n"
    "data segment: 7520 bytes\n"
    "fix-up stream: 24 bytes\n"
    "link records:\n"
    "  call RuntimeInit: 2 sites\n"
    "  call StringLeft: 1 site\n"
    "  call !Xlibc.so.6!puts: 1 site\n"
    "  call !MApplication.Open: 1 site\n"
    "  data addresses in code: 2\n"
    "  call markers: 0 of 5 named call sites, 0 trailers\n"
    "fix-ups:\n"
    "  code-base run of 1 word at offset 0x0\n"
    "  data-base run of 1 word at offset 0x4\n"
    "  skip 8\n"
    "  code-base run of 2 words at offset 0x10\n"
    "  data-base run of 1 word at offset 0x18\n"
    "  skip 4\n"
    "  data-base run of 1 word at offset 0x20\n"
    "  skip 4096\n"
    "  skip 904\n"
    "  code-base run of 1 word at offset 0x13ac\n"
    "  data-base run of 512 words at offset 0x13b0\n"
    "  data-base run of 88 words at offset 0x1bb0\n"
    "descriptor at data 0x8: 0 classes, 0 items\n";

TEST_F(RuntimeFixture, DumpDescribesEveryContainerAlike) {
  TempDir dir;
  imagetool::WriteDevFiles(dir.path() / "dev", image, &pool);
  imagetool::WriteFile(dir.path() / "bare.img", imagetool::SerializeImage(image));
  imagetool::WriteFile(dir.path() / "app", imagetool::AttachImage(elf, image, &pool));
  imagetool::WriteFile(dir.path() / "runtime", runtime);

  const std::string withPool = std::string(kLayoutDump) +
                               "pool: 2 items\n"
                               "  item 1: offset 0x0, 2 bytes\n"
                               "  item 2: offset 0x2, 1 byte\n";
  EXPECT_EQ(imagetool::DumpPath(dir.path() / "dev"),
            dir.File("dev") + ": development files\n" + withPool);
  EXPECT_EQ(imagetool::DumpPath(dir.path() / "bare.img"),
            dir.File("bare.img") + ": bare image\n" + kLayoutDump + "pool: none\n");
  const uint32_t at = uint32_t(runtime.size());
  char where[80];
  std::snprintf(where, sizeof where,
                ": runtime with an image at offset 0x%x, pool at offset 0x%x\n", at,
                at + uint32_t(imagetool::SerializeImage(image).size()));
  EXPECT_EQ(imagetool::DumpPath(dir.path() / "app"), dir.File("app") + where + withPool);
  EXPECT_EQ(imagetool::DumpPath(dir.path() / "runtime"),
            dir.File("runtime") +
                ": runtime with the placeholder locator (development mode); no image appended\n");
}

TEST(Dump, RefusesMalformedImages) {
  // Two calls: fields at 1 and 6.
  auto calls = [](uint32_t first, uint32_t second) {
    std::vector<uint8_t> code = {0xE8};
    AppendLe32(code, first);
    code.push_back(0xE8);
    AppendLe32(code, second);
    return code;
  };
  auto named = [](uint32_t head, const std::string& name) {
    return imagetool::EncodeLinkRecords({{1, head, name}});
  };
  std::vector<uint8_t> runPastData;
  AppendLe16(runPastData, 0x4201);
  const struct {
    const char* what;
    Image image;
    std::vector<uint8_t> pool;
    const char* message;
  } rows[] = {
      {"looping chain",
       {calls(6, 1), named(1, "Loop"), {}, {}},
       {},
       "link record 'Loop': call chain loops back to offset 1"},
      {"chain into itself",
       {calls(6, 6), named(6, "Self"), {}, {}},
       {},
       "link record 'Self': call chain loops back to offset 6"},
      {"chain out of the code",
       {calls(0x1000, 0), named(1, "Far"), {}, {}},
       {},
       "link record 'Far': call chain leaves the code segment at offset 4096"},
      {"data address out of the code",
       {calls(0, 0), {2, 7, 0, 0, 0}, {}, {}},
       {},
       "data-address record points outside the code (offset 0x7)"},
      {"cut record", {calls(0, 0), {1, 1, 0}, {}, {}}, {}, "is cut off"},
      {"run past the data",
       {{}, {}, {0, 0, 0, 0}, runPastData},
       {},
       "reaches past the data segment"},
      {"pool table", {{}, {}, {}, {}}, {0, 0, 0, 9}, "offset table (9 items) runs past its end"},
  };
  for (const auto& r : rows) {
    const std::string message =
        ErrorOf([&] { imagetool::DescribeImage(r.image, r.pool.empty() ? nullptr : &r.pool); });
    EXPECT_PRED_FORMAT2(testing::IsSubstring, r.message, message) << r.what;
  }
}

}  // namespace
}  // namespace tess::test
