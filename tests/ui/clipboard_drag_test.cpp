// The Clipboard and DragItem classes through their entry points: formats
// side by side until Close, named data cut at a NUL, pictures as bitmaps
// and the bitmaps refused; drag items' items, flavors and named types.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/file_classes.h"
#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "platform/gdi/wingdi.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/clipboard_drag.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

// A string argument, released when it goes.
struct Arg {
  explicit Arg(std::string_view text) : s(MakeString(text)) {}
  ~Arg() { UnlockString(s); }
  TessString* s;
};

std::string Take(TessString* s) {
  std::string text(View(s));
  UnlockString(s);
  return text;
}

class ClipboardAndDrag : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    graphics::InitGraphics();
    InitClipboardAndDrag();
  }
  static TessObject* New(const char* cls) { return CreateObject(FindClassByName(cls)); }
};

TEST_F(ClipboardAndDrag, WritesStandSideBySideUntilClose) {
  TessObject* c = New("Clipboard");
  Arg one("one"), data(std::string_view("x\0y", 3)), abcd("ABCD"), lower("abcd"), two("two");
  clipboardSetText(c, one.s);
  clipboardAddMacData(c, data.s, abcd.s);
  EXPECT_EQ(clipboardTextAvailable(c), 1);
  EXPECT_EQ(clipboardMacDataAvailable(c, lower.s), 1);  // format names ignore case
  EXPECT_EQ(Take(clipboardTextGetter(c, 0)), "one");
  EXPECT_EQ(Take(clipboardMacData(c, abcd.s)), "x");  // up to the NUL
  clipboardClose(c);
  // After Close the next write empties the clipboard first.
  clipboardTextSetter(c, 0, two.s);
  EXPECT_EQ(clipboardMacDataAvailable(c, abcd.s), 0);
  EXPECT_EQ(Take(clipboardTextGetter(c, 0)), "two");
  EXPECT_EQ(clipboardPictureAvailable(c), 0);
  EXPECT_EQ(clipboardPictureGetter(c, 0), nullptr);
  UnlockObject(c);  // closes it
  // Anything but a Clipboard is refused without harm.
  EXPECT_EQ(clipboardTextAvailable(nullptr), 0);
  clipboardSetText(nullptr, one.s);
}

TEST_F(ClipboardAndDrag, PicturesGoAsBitmapsAndBadBitmapsAreRefused) {
  TessObject* picture = graphics::NewPicture(3, 2, 32);
  graphics::PictureData* p = graphics::PictureOf(picture);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) graphics::SetSurfacePixel(*p, x, y, 0x102030u * (x + 1) + y);
  TessObject* c = New("Clipboard");
  clipboardPictureSetter(c, 0, picture);
  EXPECT_EQ(clipboardPictureAvailable(c), 1);
  TessObject* back = clipboardPictureGetter(c, 0);
  ASSERT_NE(back, nullptr);
  graphics::PictureData* b = graphics::PictureOf(back);
  ASSERT_EQ(b->width, 3);
  ASSERT_EQ(b->height, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(graphics::GetSurfacePixel(*b, x, y), 0x102030u * (x + 1) + y) << x << "," << y;
  UnlockObject(back);
  UnlockObject(c);
  UnlockObject(picture);

  TessObject* vector = graphics::NewPicture(10, 10, 0);
  EXPECT_TRUE(DibFromPicture(vector).empty());
  EXPECT_TRUE(DibFromPicture(nullptr).empty());
  UnlockObject(vector);

  // A 24-bit top-down DIB, two pixels a row padded to 8 bytes.
  auto dib = [](int32_t w, int32_t h, uint16_t bits, size_t pixelBytes) {
    platform::BITMAPINFOHEADER hd{};
    hd.biSize = sizeof hd;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biPlanes = 1;
    hd.biBitCount = bits;
    std::vector<uint8_t> bytes(sizeof hd + pixelBytes, 0);
    std::memcpy(bytes.data(), &hd, sizeof hd);
    return bytes;
  };
  std::vector<uint8_t> good = dib(2, -1, 24, 8);
  const uint8_t row[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0};
  std::memcpy(good.data() + 40, row, sizeof row);
  TessObject* read = PictureFromDib(good.data(), good.size());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(graphics::GetSurfacePixel(*graphics::PictureOf(read), 0, 0), 0x030201u);
  EXPECT_EQ(graphics::GetSurfacePixel(*graphics::PictureOf(read), 1, 0), 0x060504u);
  UnlockObject(read);
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
  } kRefused[] = {
      {"truncated rows", dib(2, 2, 24, 8)},  {"no header", std::vector<uint8_t>(20, 0)},
      {"huge", dib(100000, 100000, 32, 16)}, {"zero height", dib(2, 0, 32, 16)},
      {"8 bits", dib(2, 1, 8, 16)},
  };
  for (const auto& r : kRefused)
    EXPECT_EQ(PictureFromDib(r.bytes.data(), r.bytes.size()), nullptr) << r.what;
}

TEST_F(ClipboardAndDrag, ItemsHoldTheirOwnFlavors) {
  TessObject* window = New("Window");
  TessObject* item = formNewDragItem(window, 1, 2, 3, 4);
  ASSERT_NE(item, nullptr);
  Arg zero("zero"), two("two");
  dragItemTextSetter(item, 0, zero.s);
  DragItemAddItem(item, 10, 10, 5, 5);
  DragItemAddItem(item, 20, 20, 5, 5);
  // Item 2 is current: item 0's text is not its own.
  EXPECT_EQ(DragItemTextAvailable(item), 0);
  EXPECT_EQ(dragItemTextGetter(item, 0), nullptr);
  dragItemTextSetter(item, 0, two.s);
  EXPECT_EQ(Take(dragItemTextGetter(item, 0)), "two");
  EXPECT_EQ(DragItemNextItem(item), 0);  // nothing after the last
  // Not received: no drop rectangle.
  EXPECT_EQ(dragItemDropLeft(item, 0), 0);
  EXPECT_EQ(dragItemDropWidth(item, 0), 0);
  UnlockObject(item);
  UnlockObject(window);
}

TEST_F(ClipboardAndDrag, NamedDataMatchesItsTypeWithoutCase) {
  TessObject* window = New("Window");
  TessObject* item = formNewDragItem(window, 0, 0, 10, 10);
  Arg type("ABCD"), data("payload");
  EXPECT_EQ(DragItemMacDataAvailable(item, nullptr), 0);
  DragItemSetMacData(item, type.s, data.s);
  const struct {
    const char* asked;
    int32_t available;
  } kAsked[] = {{"abcd", 1}, {"ABCD", 1}, {"", 1}, {"ABCE", 0}, {"ABC", 0}};
  for (const auto& a : kAsked) {
    Arg asked(a.asked);
    EXPECT_EQ(DragItemMacDataAvailable(item, asked.s), a.available) << a.asked;
  }
  EXPECT_EQ(Take(DragItemGetMacData(item, type.s)), "payload");
  // Pictures: nil and vector pictures are not flavors.
  TessObject* vector = graphics::NewPicture(5, 5, 0);
  dragItemPictureSetter(item, 0, nullptr);
  dragItemPictureSetter(item, 0, vector);
  EXPECT_EQ(DragItemPictureAvailable(item), 0);
  TessObject* bitmap = graphics::NewPicture(5, 5, 32);
  dragItemPictureSetter(item, 0, bitmap);
  EXPECT_EQ(DragItemPictureAvailable(item), 1);
  TessObject* got = dragItemPictureGetter(item, 0);
  EXPECT_EQ(got, bitmap);
  UnlockObject(got);
  UnlockObject(bitmap);
  UnlockObject(vector);
  // A FolderItem flavor takes FolderItems only.
  dragItemFolderItemSetter(item, 0, window);
  EXPECT_EQ(DragItemFolderItemAvailable(item), 0);
  UnlockObject(item);
  UnlockObject(window);
}

}  // namespace
}  // namespace tess::ui
