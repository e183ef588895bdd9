// Screen, System and Keyboard objects, cursors, colours and fonts, read
// through their entry points over the headless desktop and injected input.
#include <gtest/gtest.h>

#include <strings.h>
#include <algorithm>

#include "files/file_classes.h"
#include "graphics/codecs/picture_codec.h"
#include "platform/user/automation.h"
#include "platform/user/desktop.h"
#include "platform/user/input.h"
#include "platform/user/winuser.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "test_support.h"
#include "ui/screen_system.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

namespace host = platform;

class ScreenSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    InitScreenAndSystem();
  }
};

TEST_F(ScreenSystem, OneScreenHeadlessWithTheDesktopsSize) {
  ASSERT_EQ(getScreenCount(), 1);
  TessObject* screen = getScreen(0);
  ASSERT_NE(screen, nullptr);
  host::RECT work;
  host::SystemParametersInfo(host::SPI_GETWORKAREA, 0, &work, 0);
  const struct {
    int32_t (*getter)(TessObject*, uint32_t);
    uint32_t available;
    int32_t expected;
  } kReads[] = {
      {&screenLeftGetter, 0, 0},
      {&screenTopGetter, 0, 0},
      {&screenWidthGetter, 0, host::GetSystemMetrics(host::SM_CXSCREEN)},
      {&screenHeightGetter, 0, host::GetSystemMetrics(host::SM_CYSCREEN)},
      {&screenDepthGetter, 0, 32},
      {&screenLeftGetter, 1, work.left},
      {&screenTopGetter, 1, work.top},
      {&screenWidthGetter, 1, work.right - work.left},
      {&screenHeightGetter, 1, work.bottom - work.top},
  };
  for (const auto& r : kReads) EXPECT_EQ(r.getter(screen, r.available), r.expected);
  UnlockObject(screen);
  EXPECT_EQ(getScreen(1), nullptr);
  EXPECT_EQ(getScreen(-1), nullptr);
  EXPECT_EQ(screenWidthGetter(nullptr, 0), 0);
}

TEST_F(ScreenSystem, KeyboardReadsTheHostKeyStateNow) {
  TessObject* keyboard = getKeyboardObject();
  TessObject* again = getKeyboardObject();
  EXPECT_EQ(keyboard, again);
  const struct {
    int vk;
    uint32_t mask;    // the Async modifier that goes true, 0 for none
    int32_t keyCode;  // the classic key code that goes true, -1 for none
  } kKeys[] = {
      {host::VK_SHIFT, 0x0200, 0x38},
      {host::VK_CONTROL, 0x1000, 0x3B},
      {host::VK_MENU, 0x0800, 0x3A},
      {host::VK_LWIN, 0x0100, 0x37},
      {host::VK_RWIN, 0x0100, -1},
      {'A', 0, 0x00},
      {'M', 0, 0x2E},
      {host::VK_LEFT, 0, 0x7B},
      {host::VK_RETURN, 0, 0x24},
      {host::VK_F1 + 9, 0, 0x6D},
  };
  for (const auto& k : kKeys) {
    SCOPED_TRACE(k.vk);
    host::input::Key(k.vk, true);
    for (uint32_t mask : {0x0100u, 0x0200u, 0x0800u, 0x1000u, 0x0400u}) {
      EXPECT_EQ(asyncModifierKeyGetter(keyboard, mask), mask == k.mask ? 1 : 0) << mask;
    }
    const int32_t downNow = k.keyCode >= 0 ? keyboardAsyncKeyDown(keyboard, k.keyCode) : 1;
    host::input::Key(k.vk, false);
    const int32_t downAfter = k.keyCode >= 0 ? keyboardAsyncKeyDown(keyboard, k.keyCode) : 0;
    EXPECT_EQ(downNow, 1);
    EXPECT_EQ(downAfter, 0);
  }
  // Codes with no key on the classic keyboard are never down.
  host::input::Key('A', true);
  for (int32_t code : {0x34, 0x0A, 200, -1}) EXPECT_EQ(keyboardAsyncKeyDown(keyboard, code), 0);
  host::input::Key('A', false);
  host::automation::WaitIdle();
  UnlockObject(keyboard);
  UnlockObject(again);
}

TEST_F(ScreenSystem, SystemGestaltKeyScriptAndPixel) {
  TessObject* system = getSystemObject();
  const struct {
    const char* selector;
    int32_t known, value;
  } kGestalt[] = {
      {"sysv", 1, 0x0501}, {"sysa", 1, 2}, {"ram ", 1, INT32_MAX}, {"qtim", 0, 0}, {"", 0, 0},
  };
  for (const auto& g : kGestalt) {
    TessString* selector = MakeString(g.selector);
    int32_t value = 77;
    EXPECT_EQ(systemGestalt(system, selector, &value), g.known) << g.selector;
    EXPECT_EQ(value, g.value) << g.selector;
    UnlockString(selector);
  }
  EXPECT_EQ(systemGetKeyScript(system, 0), 0);
  systemSetKeyScript(system, 0, 1);
  EXPECT_EQ(systemGetKeyScript(system, 0), 1);
  EXPECT_EQ(uintptr_t(host::GetKeyboardLayout(0)) & 0xFFFF, 0x0411u);
  systemSetKeyScript(system, 0, 99);  // no such script: nothing changes
  EXPECT_EQ(systemGetKeyScript(system, 0), 1);
  systemSetKeyScript(system, 0, 0);
  EXPECT_EQ(systemGetKeyScript(system, 0), 0);

  int32_t desktop = int32_t(host::GetSysColor(host::COLOR_BACKGROUND));
  EXPECT_EQ(systemPixel(system, 1, 1), desktop);
  EXPECT_EQ(systemPixel(system, -1, 5), 0);
  EXPECT_EQ(systemPixel(system, 5, 100000), 0);
  UnlockObject(system);
}

TEST_F(ScreenSystem, ClassicColoursComeFromTheSystemColours) {
  const struct {
    int32_t (*getter)();
    int32_t expected;
  } kColours[] = {
      {&getFrameColor, 0x000000},     {&getFillColor, 0xFFFFFF},
      {&getTextColor, 0x000000},      {&getLightTingeColor, 0xDFDFDF},
      {&getDarkTingeColor, 0x808080}, {&getLightBevelColor, 0xFFFFFF},
      {&getDarkBevelColor, 0x000000}, {&getHilightColor, 0x000080},
  };
  for (const auto& c : kColours) EXPECT_EQ(c.getter(), c.expected);
}

TEST_F(ScreenSystem, FontsAreTheInstalledFamiliesSorted) {
  int32_t count = getFontCount();
  ASSERT_GT(count, 0);
  std::vector<std::string> names;
  for (int32_t i = 0; i < count; ++i) {
    TessString* name = getFontName(i);
    ASSERT_NE(name, nullptr);
    names.emplace_back(View(name));
    UnlockString(name);
  }
  EXPECT_TRUE(
      std::is_sorted(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
      }));
  // The platform names served by the Liberation fonts, and those fonts' own.
  for (const char* name : {"Arial", "Courier New", "Times New Roman", "Liberation Sans"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
  EXPECT_EQ(getFontName(count), nullptr);
  EXPECT_EQ(getFontName(-1), nullptr);
}

std::vector<uint8_t> CursorItem(uint32_t kind, uint16_t hotX, uint16_t hotY,
                                const graphics::PixelImage& image) {
  std::vector<uint8_t> picture;
  std::string error;
  EXPECT_TRUE(graphics::EncodePicture(image, graphics::PictureFormat::kPng, 0, &picture, &error));
  std::vector<uint8_t> item;
  tess::test::AppendLe32(item, kind);
  tess::test::AppendLe32(item, uint32_t(picture.size() + 4));
  tess::test::AppendLe16(item, hotX);
  tess::test::AppendLe16(item, hotY);
  item.insert(item.end(), picture.begin(), picture.end());
  return item;
}

graphics::PixelImage Square(int side) {
  graphics::PixelImage image;
  image.width = image.height = side;
  image.hasAlpha = true;
  for (int i = 0; i < side * side; ++i) image.pixels.push_back(i % 3 ? 0xFF000000u : 0x00FFFFFFu);
  return image;
}

TEST_F(ScreenSystem, CursorsFromProjectItemsAndTheStockOnes) {
  std::vector<uint8_t> item = CursorItem(9, 3, 4, Square(16));
  TessObject* cursor = BuildCursorFromItem(item);
  ASSERT_NE(cursor, nullptr);
  appMouseCursorSetter(nullptr, 0, cursor);
  int width = 0, height = 0;
  host::POINT hot{};
  ASSERT_TRUE(host::GetCursorInfoBits(host::GetCursor(), &width, &height, &hot));
  EXPECT_EQ(width, 16);
  EXPECT_EQ(height, 16);
  EXPECT_EQ(hot.x, 3);
  EXPECT_EQ(hot.y, 4);
  appMouseCursorSetter(nullptr, 0, nullptr);  // back to the arrow
  EXPECT_EQ(uintptr_t(host::GetCursor()), 32512u);
  UnlockObject(cursor);  // the last reference: its host cursor goes too

  std::vector<uint8_t> wrongKind = CursorItem(1, 0, 0, Square(8));
  std::vector<uint8_t> tooLarge = CursorItem(9, 0, 0, Square(300));
  std::vector<uint8_t> cut = CursorItem(9, 0, 0, Square(8));
  cut.resize(cut.size() - 5);
  std::vector<uint8_t> garbage = {9, 0, 0, 0, 6, 0, 0, 0, 1, 0, 1, 0, 'x', 'y'};
  for (const auto& bad : {wrongKind, tooLarge, cut, garbage})
    EXPECT_EQ(BuildCursorFromItem(bad), nullptr);

  TessObject* arrow = getArrowCursor();
  TessObject* arrowAgain = getArrowCursor();
  TessObject* watch = getWatchCursor();
  EXPECT_EQ(arrow, arrowAgain);
  EXPECT_NE(arrow, watch);
  appMouseCursorSetter(nullptr, 0, watch);
  EXPECT_EQ(uintptr_t(host::GetCursor()), 32514u);
  TessObject* ibeam = getIBeamCursor();
  appMouseCursorSetter(nullptr, 0, ibeam);
  EXPECT_EQ(uintptr_t(host::GetCursor()), 32513u);
  appMouseCursorSetter(nullptr, 0, nullptr);
  for (TessObject* o : {arrow, arrowAgain, watch, ibeam}) UnlockObject(o);
}

TEST_F(ScreenSystem, MouseAndColourDialogWithoutAnyoneToAsk) {
  host::automation::MoveMouse(31, 47);
  host::automation::WaitIdle();
  EXPECT_EQ(getMouseX(), 31);
  EXPECT_EQ(getMouseY(), 47);
  EXPECT_EQ(getMouseDown(), 0);
  host::input::MouseButton(host::input::kLeft, true);
  EXPECT_EQ(getMouseDown(), 1);
  host::input::MouseButton(host::input::kLeft, false);
  host::automation::WaitIdle();
  // Headless with no script: nobody can answer, so the dialog is cancelled.
  int32_t colour = 0x123456;
  EXPECT_EQ(selectColor(&colour, nullptr), 0);
  EXPECT_EQ(colour, 0x123456);
}

}  // namespace
}  // namespace tess::ui
