// The window repaint: backdrop, then canvases, then the window's Paint,
// whose Graphics draws around the canvases; a canvas's Graphics starts at
// its own corner and stays inside it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "files/file_classes.h"
#include "graphics/graphics.h"
#include "platform/user/automation.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/instance_layout.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

namespace automation = platform::automation;

std::vector<std::string> g_paints;
uint32_t g_backdropSeen = 0;

bool g_closeInPaint = false;

uint32_t CanvasPaint(TessObject* canvas, TessObject* g) {
  g_paints.push_back("canvas Paint");
  if (g_closeInPaint) {
    ControlClose(canvas);
    return 0;
  }
  graphicsForeColorSetter(g, 0, 0x0000FF);
  RuntimeGraphicsFillRect(g, -100, -100, 1000, 1000);
  graphicsForeColorSetter(g, 0, 0xFF0000);
  RuntimeGraphicsFillRect(g, 0, 0, 5, 5);
  return 0;
}

uint32_t GotFocus(TessObject*) {
  g_paints.push_back("GotFocus");
  return 0;
}
uint32_t LostFocus(TessObject*) {
  g_paints.push_back("LostFocus");
  return 0;
}
uint32_t CanvasKey(TessObject*, TessString* key) {
  g_paints.push_back("KeyDown " + std::string(View(key)));
  return View(key) == "x";  // x is consumed, everything else goes on
}
uint32_t WindowKey(TessObject*, TessString* key) {
  g_paints.push_back("window KeyDown " + std::string(View(key)));
  return 1;
}

uint32_t WindowPaint(TessObject*, TessObject* g) {
  g_paints.push_back("window Paint");
  g_backdropSeen = uint32_t(graphicsPixelGetter(g, 1, 1));
  graphicsForeColorSetter(g, 0, 0);
  RuntimeGraphicsDrawLine(g, 0, 20, 200, 20);
  return 0;
}

class Painting : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    window_.superclass = WindowClass();
    window_.instanceSize = kWindowInstanceSize;
    windowKey_.next = &windowPaint_;
    window_.hooks = &windowKey_;
    canvas_.superclass = FindClassByName("Canvas");
    ASSERT_TRUE(canvas_.superclass);
    canvas_.instanceSize = canvas_.superclass->instanceSize;
    canvasKey_.next = &canvasPaint_;
    lost_.next = &canvasKey_;
    got_.next = &lost_;
    canvas_.hooks = &got_;
    table_ = {&window_, &canvas_};
    SetClassTable(table_);
    automation::WaitIdle();
    g_paints.clear();
  }
  void TearDown() override {
    CloseAllWindows();
    automation::WaitIdle();
    SetClassTable({});
  }

  TessObject* Create(std::vector<PropertyPair> second = {}) {
    WindowLayout layout{
        0,
        {{"Title", "Paint"},
         {"Left", "100"},
         {"Top", "100"},
         {"Width", "200"},
         {"Height", "120"},
         {"HasBackColor", "True"},
         {"BackColor", "65280"},
         {"Visible", "True"}},
        {{1,
          {{"Name", "Board"}, {"Left", "20"}, {"Top", "10"}, {"Width", "40"}, {"Height", "30"}}}},
        {}};
    if (!second.empty()) layout.controls.push_back({1, second});
    block_ = imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
    TessObject* out = nullptr;
    window_ref_ = ObjectRef::Adopt(RuntimeCreateWindow(block_.data(), &out));
    RuntimeUnlockObject(out);
    automation::WaitIdle();
    return window_ref_.get();
  }

  static uint32_t Pixel(TessObject* window, int x, int y) {
    platform::HWND hwnd = FieldsOf<WindowFields>(window)->window->hwnd;
    platform::HDC dc = platform::GetDC(hwnd);
    uint32_t c = platform::GetPixel(dc, x, y);
    platform::ReleaseDC(hwnd, dc);
    return c;
  }

  StaticString paintName_{"Paint"};
  HookDescriptor windowPaint_{nullptr, paintName_.get(), 0, (void*)&WindowPaint};
  HookDescriptor canvasPaint_{nullptr, paintName_.get(), 0, (void*)&CanvasPaint};
  StaticString gotName_{"GotFocus"}, lostName_{"LostFocus"}, keyName_{"KeyDown"};
  HookDescriptor got_{nullptr, gotName_.get(), 0, (void*)&GotFocus};
  HookDescriptor lost_{nullptr, lostName_.get(), 0, (void*)&LostFocus};
  HookDescriptor canvasKey_{nullptr, keyName_.get(), 0, (void*)&CanvasKey};
  HookDescriptor windowKey_{nullptr, keyName_.get(), 0, (void*)&WindowKey};
  ClassObject window_{}, canvas_{};
  std::vector<ClassObject*> table_;
  std::vector<uint8_t> block_;
  ObjectRef window_ref_;
};

TEST_F(Painting, CanvasesPaintBeforeTheWindowWhoseGraphicsGoesAroundThem) {
  TessObject* w = Create();
  ASSERT_TRUE(w);
  EXPECT_EQ(g_paints, (std::vector<std::string>{"canvas Paint", "window Paint"}));
  EXPECT_EQ(g_backdropSeen, 0x00FF00u) << "the background is there before Paint";
  EXPECT_EQ(Pixel(w, 20, 10), 0xFF0000u) << "the canvas's (0, 0) is its corner";
  EXPECT_EQ(Pixel(w, 24, 14), 0xFF0000u);
  EXPECT_EQ(Pixel(w, 25, 15), 0x0000FFu);
  EXPECT_EQ(Pixel(w, 19, 10), 0x00FF00u) << "the canvas draws nothing outside itself";
  EXPECT_EQ(Pixel(w, 60, 10), 0x00FF00u);
  EXPECT_EQ(Pixel(w, 20, 40), 0x00FF00u);
  EXPECT_EQ(Pixel(w, 10, 20), 0u) << "the window's line outside the canvas";
  EXPECT_EQ(Pixel(w, 30, 20), 0x0000FFu) << "and not across it";
  EXPECT_EQ(Pixel(w, 70, 20), 0u);

  // A backdrop is drawn first, under the canvases and the window's Paint.
  ObjectRef picture = ObjectRef::Adopt(newPicture(8, 8, 32));
  ObjectRef pg = ObjectRef::Adopt(pictureGraphicsGetter(picture.get(), 0));
  graphicsForeColorSetter(pg.get(), 0, 0x808080);
  RuntimeGraphicsFillRect(pg.get(), 0, 0, 8, 8);
  windowBackdropSetter(w, 0, picture.get());
  formRefresh(w);
  g_paints.clear();
  automation::WaitIdle();
  EXPECT_EQ(g_paints, (std::vector<std::string>{"canvas Paint", "window Paint"}));
  EXPECT_EQ(g_backdropSeen, 0x808080u);
  EXPECT_EQ(Pixel(w, 7, 7), 0x808080u);
  EXPECT_EQ(Pixel(w, 8, 8), 0x00FF00u);

  // The canvas's own Graphics outside Paint: the same origin and clip.
  StaticString name("Board");
  ObjectRef canvas = ObjectRef::Adopt(RuntimeControlFetch(w, name.get()));
  ObjectRef g = ObjectRef::Adopt(canvasGraphicsGetter(canvas.get(), 0));
  ASSERT_TRUE(g.get());
  EXPECT_EQ(graphicsWidthGetter(g.get(), 0), 40);
  EXPECT_EQ(graphicsHeightGetter(g.get(), 0), 30);
  graphicsForeColorSetter(g.get(), 0, 0);
  RuntimeGraphicsFillRect(g.get(), 39, 29, 10, 10);
  EXPECT_EQ(Pixel(w, 59, 39), 0u);
  EXPECT_EQ(Pixel(w, 60, 40), 0x00FF00u);
  EXPECT_EQ(graphicsPixelGetter(g.get(), 39, 29), 0);
  EXPECT_EQ(graphicsPixelGetter(g.get(), 0, 0), 0xFF0000);
  EXPECT_EQ(graphicsPixelGetter(g.get(), 40, 0), 0) << "outside the canvas reads 0";

  // Scrolling moves the pixels and repaints what it uncovered.
  g_paints.clear();
  canvasScroll(canvas.get(), 0, 0, 0, 0, -10000, -10000, 0);
  automation::WaitIdle();
  EXPECT_TRUE(g_paints.empty()) << "nothing moves, nothing repaints";
  canvasScroll(canvas.get(), 3, 0, 0, 0, -10000, -10000, 0);
  EXPECT_EQ(Pixel(w, 23, 10), 0xFF0000u);
  automation::WaitIdle();
  EXPECT_EQ(g_paints, (std::vector<std::string>{"canvas Paint", "window Paint"}));
}

TEST_F(Painting, AClickGivesTheFocusToACanvasThatTakesItAndKeysGoThereFirst) {
  TessObject* w = Create({{"Name", "Second"},
                          {"Left", "100"},
                          {"Top", "10"},
                          {"Width", "40"},
                          {"Height", "30"},
                          {"AcceptFocus", "True"}});
  ASSERT_TRUE(w);
  RECT content = ContentRect(FieldsOf<WindowFields>(w)->window);
  g_paints.clear();
  // The first canvas does not take the focus: keys go to the window.
  automation::Click(content.left + 25, content.top + 15);
  automation::WaitIdle();
  automation::Type("a");
  automation::WaitIdle();
  EXPECT_EQ(g_paints, (std::vector<std::string>{"window KeyDown a"}));
  g_paints.clear();
  automation::Click(content.left + 110, content.top + 15);
  automation::WaitIdle();
  automation::Type("xy");
  automation::WaitIdle();
  EXPECT_EQ(g_paints,
            (std::vector<std::string>{"GotFocus", "canvas Paint", "canvas Paint", "window Paint",
                                      "KeyDown x", "KeyDown y", "window KeyDown y"}));
  // The focus ring shows inside the focused canvas's edge.
  uint32_t highlight = platform::GetSysColor(platform::COLOR_HIGHLIGHT);
  EXPECT_EQ(Pixel(w, 100, 10), highlight);
  EXPECT_EQ(Pixel(w, 101, 11), highlight);
  EXPECT_NE(Pixel(w, 102, 12), highlight);
  g_paints.clear();
  automation::Type("\t");
  automation::WaitIdle();
  EXPECT_EQ(g_paints, (std::vector<std::string>{"window KeyDown \t"}))
      << "Tab reaches the canvas only with AcceptTabs";
}

TEST_F(Painting, ACanvasClosedByItsOwnPaintIsNotTouchedAfterwards) {
  TessObject* w = Create({{"Name", "Second"},
                          {"Left", "100"},
                          {"Top", "10"},
                          {"Width", "40"},
                          {"Height", "30"},
                          {"AcceptFocus", "True"}});
  ASSERT_TRUE(w);
  RECT content = ContentRect(FieldsOf<WindowFields>(w)->window);
  automation::Click(content.left + 110, content.top + 15);
  automation::WaitIdle();
  g_closeInPaint = true;
  g_paints.clear();
  formRefresh(w);
  automation::WaitIdle();
  g_closeInPaint = false;
  // Both canvases close; the areas they leave are painted again by the window.
  EXPECT_EQ(g_paints, (std::vector<std::string>{"canvas Paint", "canvas Paint", "window Paint",
                                                "window Paint"}));
  EXPECT_EQ(windowControlCountGetter(w, 0), 0);
  g_paints.clear();
  automation::Type("k");
  automation::WaitIdle();
  EXPECT_EQ(g_paints, (std::vector<std::string>{"window KeyDown k"})) << "the focus went with it";
}

}  // namespace
}  // namespace tess::ui
