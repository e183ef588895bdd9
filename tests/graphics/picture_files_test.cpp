// Pictures through FolderItem: each format written and read back (on the
// host's files and inside a virtual volume), vector pictures, damaged and
// unknown files, picture project items and the database's conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/files_test_support.h"
#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "graphics/picture_files.h"
#include "runtime/class_registry.h"
#include "runtime/project_items.h"

namespace tess::graphics {
namespace {

using test::Obj;
using test::RaisedBy;

constexpr int32_t kPng = 0x504E4766, kBmp = 0x424D5066, kJpeg = 0x4A504547;

class PictureFiles : public test::FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    InitGraphics();
    InitPictureFiles();
  }
  // A 24-bit picture of smooth gradients, so JPEG keeps it close.
  static Obj Gradient(int32_t w = 16, int32_t h = 12) {
    Obj p = test::Adopt(newPicture(w, h, 24));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        SetSurfacePixel(*PictureOf(p.get()), x, y,
                        uint32_t(x * 12) << 16 | uint32_t(y * 16) << 8 | 0x40);
    return p;
  }
  // The largest channel difference between two pictures of the same size.
  static int Difference(TessObject* a, TessObject* b) {
    PictureData &pa = *PictureOf(a), &pb = *PictureOf(b);
    EXPECT_EQ(pa.width, pb.width);
    EXPECT_EQ(pa.height, pb.height);
    int worst = 0;
    for (int y = 0; y < pa.height && y < pb.height; ++y)
      for (int x = 0; x < pa.width && x < pb.width; ++x) {
        uint32_t u = GetSurfacePixel(pa, x, y), v = GetSurfacePixel(pb, x, y);
        for (int s = 0; s < 24; s += 8)
          worst = std::max(worst, std::abs(int(u >> s & 255) - int(v >> s & 255)));
      }
    return worst;
  }
  static const ClassObject* Class(const char* name) { return FindClassByName(name); }
};

TEST_F(PictureFiles, EachFormatRoundTripsThroughFolderItem) {
  struct Case {
    const char* name;
    int32_t format;  // -1: SaveAsJPEG
    const char* magic;
    int tolerance;
  };
  const Case cases[] = {
      {"plain.bmp", 0, "BM", 0},
      {"named.png", 0, "\x89PNG", 0},
      {"named.jpg", 0, "\xFF\xD8\xFF", 12},
      {"other.txt", 0, "BM", 0},
      {"coded.dat", kPng, "\x89PNG", 0},
      {"coded.img", kBmp, "BM", 0},
      {"coded.jpe", kJpeg, "\xFF\xD8\xFF", 12},
      {"saved.jpeg", -1, "\xFF\xD8\xFF", 12},
  };
  Obj original = Gradient();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Obj item = Item(std::string("D:\\") + c.name);
    if (c.format < 0)
      FolderItemSaveAsJPEG(item.get(), original.get());
    else
      FolderItemSaveAsPicture(item.get(), original.get(), c.format);
    EXPECT_EQ(LastError(item), 0);
    EXPECT_EQ(Get(c.name).rfind(c.magic, 0), 0u);
    Obj back = test::Adopt(FolderItemOpenImage(item.get()));
    ASSERT_TRUE(back.get()) << LastError(item);
    EXPECT_LE(Difference(original.get(), back.get()), c.tolerance);
  }
}

TEST_F(PictureFiles, PicturesLiveInsideVirtualVolumes) {
  Obj host = Item("D:\\pictures.vol");
  Obj volume = test::Adopt(FolderItemCreateVirtualVolume(host.get()));
  ASSERT_TRUE(volume.get());
  Obj root = test::Adopt(VirtVolRootGetter(volume.get(), 0));
  Obj file = test::Adopt(FolderChild(root.get(), test::S("inside.png").get()));
  Obj original = Gradient(7, 5);
  FolderItemSaveAsPicture(file.get(), original.get(), 0);
  EXPECT_EQ(LastError(file), 0);
  Obj back = test::Adopt(FolderItemOpenImage(file.get()));
  ASSERT_TRUE(back.get()) << LastError(file);
  EXPECT_EQ(Difference(original.get(), back.get()), 0);
  EXPECT_TRUE(Get("inside.png").empty());  // not on the host
}

TEST_F(PictureFiles, VectorPicturesOpenAndSave) {
  Obj original = Gradient(6, 4);
  Obj item = Item("D:\\v.bmp");
  FolderItemSaveAsPicture(item.get(), original.get(), 0);
  Obj vector = test::Adopt(FolderItemOpenVectorImage(item.get()));
  ASSERT_TRUE(vector.get());
  EXPECT_EQ(PictureDepthGetter(vector.get(), 0), 0);
  EXPECT_EQ(pictureWidthGetter(vector.get(), 0), 6);
  Obj objects = test::Adopt(pictureGroup2DGetter(vector.get(), 0));
  EXPECT_EQ(Group2DCount(objects.get(), 0), 1);

  // Saving draws the shapes on white at the picture's size.
  Obj drawn = test::Adopt(newPicture(10, 10, 0));
  Obj g = test::Adopt(pictureGraphicsGetter(drawn.get(), 0));
  graphicsForeColorSetter(g.get(), 0, 0xFF0000);
  RuntimeGraphicsFillRect(g.get(), 0, 0, 5, 10);
  Obj out = Item("D:\\drawn.png");
  FolderItemSaveAsPicture(out.get(), drawn.get(), 0);
  Obj back = test::Adopt(FolderItemOpenImage(out.get()));
  ASSERT_TRUE(back.get());
  EXPECT_EQ(GetSurfacePixel(*PictureOf(back.get()), 2, 5), 0xFF0000u);
  EXPECT_EQ(GetSurfacePixel(*PictureOf(back.get()), 7, 5), 0xFFFFFFu);
}

TEST_F(PictureFiles, BadFilesAndArgumentsAreRefused) {
  Obj original = Gradient();
  Obj good = Item("D:\\good.png");
  FolderItemSaveAsPicture(good.get(), original.get(), 0);
  std::string png = Get("good.png");

  Put("truncated.png", png.substr(0, png.size() / 2));
  Obj truncated = Item("D:\\truncated.png");
  EXPECT_EQ(FolderItemOpenImage(truncated.get()), nullptr);
  EXPECT_EQ(LastError(truncated), 13);

  Obj missing = Item("D:\\missing.bmp");
  EXPECT_EQ(FolderItemOpenImage(missing.get()), nullptr);
  EXPECT_EQ(LastError(missing), 2);

  Put("notes.tif", "not a picture at all");
  Obj unknown = Item("D:\\notes.tif");
  EXPECT_EQ(RaisedBy([&] { UnlockObject(FolderItemOpenImage(unknown.get())); }),
            Class("UnsupportedFormatException"));
  EXPECT_EQ(RaisedBy([&] { FolderItemSaveAsPicture(good.get(), original.get(), 7); }),
            Class("UnsupportedFormatException"));
  EXPECT_EQ(Get("good.png"), png);  // a refused format leaves the file alone
  EXPECT_EQ(RaisedBy([&] { FolderItemSaveAsJPEG(good.get(), nullptr); }),
            Class("NilObjectException"));
  EXPECT_EQ(RaisedBy([&] { FolderItemSaveAsPicture(nullptr, original.get(), 0); }),
            Class("NilObjectException"));
  EXPECT_EQ(RaisedBy([&] { exportPicture(nullptr); }), Class("NilObjectException"));
}

TEST_F(PictureFiles, ProjectItemsDecodeTheirEmbeddedFile) {
  Obj original = Gradient(3, 2);
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(PictureFileBytes(original.get(), PictureFormat::kPng, 0, &bytes, &error));
  auto record = [](uint32_t count, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> r = {1,
                              0,
                              0,
                              0,
                              uint8_t(count),
                              uint8_t(count >> 8),
                              uint8_t(count >> 16),
                              uint8_t(count >> 24)};
    r.insert(r.end(), body.begin(), body.end());
    return r;
  };
  ProjectItemBuilder build = ProjectItemBuilderFor(1);
  ASSERT_TRUE(build);
  std::vector<uint8_t> good = record(uint32_t(bytes.size()), bytes);
  Obj built = test::Adopt(build(good.data()));
  ASSERT_TRUE(built.get());
  EXPECT_EQ(Difference(original.get(), built.get()), 0);

  std::vector<uint8_t> damaged(bytes.begin(), bytes.begin() + 20);
  std::vector<uint8_t> bad = record(uint32_t(damaged.size()), damaged);
  EXPECT_EQ(build(bad.data()), nullptr);
}

TEST_F(PictureFiles, DatabaseColumnsStoreBitmapsOrJpeg) {
  Obj original = Gradient();
  std::string bmp, jpeg;
  ASSERT_TRUE(DatabasePictureToBytes(original.get(), false, &bmp));
  ASSERT_TRUE(DatabasePictureToBytes(original.get(), true, &jpeg));
  EXPECT_EQ(bmp.rfind("BM", 0), 0u);
  EXPECT_EQ(jpeg.rfind("\xFF\xD8\xFF", 0), 0u);
  Obj fromBmp = test::Adopt(DatabasePictureFromBytes(bmp, false));
  Obj fromJpeg = test::Adopt(DatabasePictureFromBytes(jpeg, true));
  ASSERT_TRUE(fromBmp.get() && fromJpeg.get());
  EXPECT_EQ(Difference(original.get(), fromBmp.get()), 0);
  EXPECT_LE(Difference(original.get(), fromJpeg.get()), 12);
  EXPECT_EQ(DatabasePictureFromBytes("garbage", false), nullptr);
  EXPECT_FALSE(DatabasePictureToBytes(nullptr, false, &bmp));
}

TEST_F(PictureFiles, PluginsBuildPicturesFromPackedBitmaps) {
  for (int32_t depth : {24, 32}) {
    SCOPED_TRACE(depth);
    Obj original = test::Adopt(newPicture(9, 7, depth));
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x)
        SetSurfacePixel(*PictureOf(original.get()), x, y,
                        uint32_t(x * 25) << 16 | uint32_t(y * 30));
    std::vector<uint8_t> bmp;
    std::string error;
    ASSERT_TRUE(PictureFileBytes(original.get(), PictureFormat::kBmp, 0, &bmp, &error));
    std::vector<uint8_t> dib(bmp.begin() + 14, bmp.end());
    Obj built = test::Adopt(TessBuildPictureFromDIB(dib.data(), uint32_t(dib.size())));
    ASSERT_TRUE(built.get());
    EXPECT_EQ(Difference(original.get(), built.get()), 0);
    Obj g = test::Adopt(pluginPictureGraphicsGetter(built.get()));
    EXPECT_TRUE(IsGraphics(g.get()));
    // Bits cut short, a header larger than the bytes, nothing at all.
    EXPECT_EQ(TessBuildPictureFromDIB(dib.data(), uint32_t(dib.size() / 2)), nullptr);
    EXPECT_EQ(TessBuildPictureFromDIB(dib.data(), 20), nullptr);
    EXPECT_EQ(TessBuildPictureFromDIB(nullptr, 100), nullptr);
  }
}

}  // namespace
}  // namespace tess::graphics
