// Controls of plug-ins in a window built from a layout: what the window
// layer hands their routines (open, paint with a Graphics at the control's
// corner, mouse with the mouse kept, keys and focus, enabling, resizing,
// close when the control or its window goes) and the control services.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_classes.h"
#include "platform/user/automation.h"
#include "platform/user/input.h"
#include "platform/user/message_box.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/plugins.h"
#include "runtime/string_value.h"
#include "tessera/plugin.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/instance_layout.h"
#include "ui/plugin_controls.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

namespace automation = platform::automation;
namespace input = platform::input;

std::vector<std::string> g_log;
int32_t g_keep = 1;  // what mouseDown answers

std::string Name(TessObject* control) {
  return std::string(View(FieldsOf<ControlFields>(control)->name));
}
void Log(TessObject* control, const std::string& what) {
  g_log.push_back(Name(control) + " " + what);
}
std::string Point(const char* what, int32_t x, int32_t y) {
  return std::string(what) + " " + std::to_string(x) + "," + std::to_string(y);
}

void Open(TessObject* c) {
  Log(c, "open");
}
void Close(TessObject* c) {
  Log(c, "close");
}
void Paint(TessObject* c, TessObject* g) {
  Log(c, "paint " + std::to_string(graphicsWidthGetter(g, 0)) + "x" +
             std::to_string(graphicsHeightGetter(g, 0)));
  graphicsForeColorSetter(g, 0, 0xFF0000);
  RuntimeGraphicsFillRect(g, 0, 0, 4, 4);
}
int32_t MouseDown(TessObject* c, int32_t x, int32_t y) {
  Log(c, Point("down", x, y));
  return g_keep;
}
void MouseDrag(TessObject* c, int32_t x, int32_t y) {
  Log(c, Point("drag", x, y));
}
void MouseUp(TessObject* c, int32_t x, int32_t y) {
  Log(c, Point("up", x, y));
}
int32_t KeyDown(TessObject* c, int32_t key) {
  Log(c, "key " + std::string(1, char(key)));
  return 1;
}
void Focus(TessObject* c, int32_t gained) {
  Log(c, gained ? "focus" : "blur");
}
void Resized(TessObject* c, int32_t w, int32_t h) {
  Log(c, Point("size", w, h));
}
void Enable(TessObject* c, int32_t enabled) {
  Log(c, enabled ? "enabled" : "disabled");
}

const TessPluginControl kKnob = {
    {"Knob", nullptr, 0, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0},
    TESS_CONTROL_ACCEPT_FOCUS,
    &Open,
    &Close,
    &Paint,
    &MouseDown,
    &MouseDrag,
    &MouseUp,
    &KeyDown,
    &Focus,
    &Resized,
    &Enable,
};
// Routines left out: the window layer clears it and gives it nothing.
// A control with its class's name and size alone.
TessPluginControl BareControl(const char* name, uint32_t size) {
  TessPluginControl control{};
  control.cls.name = name;
  control.cls.instanceSize = size;
  return control;
}
const TessPluginControl kBlank = BareControl("Blank", 0);

class PluginControls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    platform::SetMessageBoxHook([](const platform::MessageBoxRequest&) { return platform::IDOK; });
    BeginPlugin("C:\\knob.dll", nullptr);
    PluginRegisterControl(&kKnob);
    PluginRegisterControl(&kBlank);
    EndPlugin();
    LinkPluginClasses();
    platform::SetMessageBoxHook(nullptr);
    InitPluginControls();
  }
  void SetUp() override {
    window_.superclass = WindowClass();
    window_.instanceSize = kWindowInstanceSize;
    table_ = {&window_, FindClassByName("Knob"), FindClassByName("Blank")};
    ASSERT_TRUE(table_[1] && table_[2]);
    SetClassTable(table_);
    automation::WaitIdle();
    g_log.clear();
    g_keep = 1;
  }
  void TearDown() override {
    CloseAllWindows();
    automation::WaitIdle();
    SetClassTable({});
  }

  TessObject* Create() {
    WindowLayout layout{
        0,
        {{"Title", "Knobs"},
         {"Left", "100"},
         {"Top", "100"},
         {"Width", "200"},
         {"Height", "120"},
         {"Visible", "True"}},
        {{1, {{"Name", "A"}, {"Left", "20"}, {"Top", "10"}, {"Width", "40"}, {"Height", "30"}}},
         {1,
          {{"Name", "B"},
           {"Left", "100"},
           {"Top", "10"},
           {"Width", "40"},
           {"Height", "30"},
           {"Enabled", "False"}}},
         {2, {{"Name", "C"}, {"Left", "20"}, {"Top", "60"}, {"Width", "40"}, {"Height", "30"}}}},
        {}};
    block_ = imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
    TessObject* out = nullptr;
    window_ref_ = ObjectRef::Adopt(RuntimeCreateWindow(block_.data(), &out));
    RuntimeUnlockObject(out);
    automation::WaitIdle();
    return window_ref_.get();
  }

  TessObject* Control(TessObject* w, const char* name) {
    StaticString key(name);
    TessObject* c = RuntimeControlFetch(w, key.get());
    RuntimeUnlockObject(c);  // the window's list keeps it
    return c;
  }

  // A pixel of the control's own window, in its coordinates.
  static uint32_t Pixel(TessObject* control, int x, int y) {
    auto hwnd = reinterpret_cast<platform::HWND>(uintptr_t(TessGetControlHandle(control)));
    platform::HDC dc = platform::GetDC(hwnd);
    uint32_t c = platform::GetPixel(dc, x, y);
    platform::ReleaseDC(hwnd, dc);
    return c;
  }

  ClassObject window_{};
  std::vector<ClassObject*> table_;
  std::vector<uint8_t> block_;
  ObjectRef window_ref_;
};

TEST_F(PluginControls, LayoutsMakeThemAndTheirRoutinesHearWhatHappens) {
  TessObject* w = Create();
  ASSERT_TRUE(w);
  EXPECT_EQ(g_log, (std::vector<std::string>{"A open", "B open", "B disabled", "A paint 40x30",
                                             "B paint 40x30"}));
  EXPECT_EQ(Pixel(Control(w, "A"), 0, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(Control(w, "A"), 3, 3), 0xFF0000u);
  const uint32_t face = platform::GetSysColor(platform::COLOR_BTNFACE);
  EXPECT_EQ(Pixel(Control(w, "A"), 4, 4), face) << "cleared to the window's background first";
  EXPECT_EQ(Pixel(Control(w, "B"), 0, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(Control(w, "C"), 0, 0), face)
      << "without paint the control shows the window's background";

  RECT content = ContentRect(FieldsOf<WindowFields>(w)->window);
  g_log.clear();
  // A press kept by mouseDown: drags and the release go to it, even outside.
  automation::MoveMouse(content.left + 25, content.top + 15);
  input::MouseButton(input::kLeft, true);
  automation::WaitIdle();
  automation::MoveMouse(content.left + 30, content.top + 70);
  automation::WaitIdle();
  input::MouseButton(input::kLeft, false);
  automation::WaitIdle();
  automation::Type("q");
  automation::WaitIdle();
  EXPECT_EQ(g_log, (std::vector<std::string>{"A focus", "A down 5,5", "A drag 10,60", "A up 10,60",
                                             "A key q"}));

  // A press not kept: nothing follows it. A disabled control hears nothing.
  g_log.clear();
  g_keep = 0;
  automation::Click(content.left + 30, content.top + 20);
  automation::Click(content.left + 110, content.top + 20);
  automation::WaitIdle();
  EXPECT_EQ(g_log, (std::vector<std::string>{"A down 10,10"}));

  // The services.
  TessObject* a = Control(w, "A");
  TessObject* b = Control(w, "B");
  TessObject* c = Control(w, "C");
  EXPECT_NE(TessGetControlHandle(a), 0u);
  EXPECT_NE(TessGetControlHandle(a), TessGetControlHandle(b));
  EXPECT_EQ(TessGetWindowHandle(w),
            uint32_t(reinterpret_cast<uintptr_t>(FieldsOf<WindowFields>(w)->window->hwnd)));
  EXPECT_EQ(TessGetWindowHandle(a), 0u) << "not a window";
  EXPECT_EQ(TessGetControlFocus(a), 1);
  EXPECT_EQ(TessGetControlEnabled(a), 1);
  EXPECT_EQ(TessGetControlEnabled(b), 0);
  TessRect r{};
  EXPECT_EQ(PluginGetControlBounds(b, &r), 1);
  EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}),
            (std::vector<int32_t>{100, 10, 140, 40}));
  EXPECT_EQ(PluginGetControlBounds(w, &r), 0);
  ObjectRef parent = ObjectRef::Adopt(TessGetControlParent(a));
  EXPECT_EQ(parent.get(), w);
  StringRef caption = StringRef::Adopt(PluginDefaultControlCaption(a));
  EXPECT_EQ(View(caption.get()), "A");

  g_log.clear();
  TessSetControlFocus(c);
  TessInvalidateControlRect(b, 0, 0, 5, 5);
  TessInvalidateControlRect(a, 5, 5, 5, 9);  // empty: nothing
  automation::WaitIdle();
  EXPECT_EQ(g_log, (std::vector<std::string>{"A blur", "B paint 40x30"}))
      << "Blank has no focus routine";
  EXPECT_EQ(TessGetControlFocus(c), 1);

  ObjectRef g = ObjectRef::Adopt(TessGetControlGraphics(b));
  ASSERT_TRUE(g.get());
  graphicsForeColorSetter(g.get(), 0, 0x0000FF);
  RuntimeGraphicsFillRect(g.get(), 39, 29, 10, 10);
  EXPECT_EQ(Pixel(b, 39, 29), 0x0000FFu);
  EXPECT_EQ(Pixel(b, 38, 28), face);

  g_log.clear();
  controlEnabledSetter(b, 0, 1);
  PlaceControl(a, 20, 10, 50, 35);
  automation::WaitIdle();
  EXPECT_EQ(g_log[0], "B enabled");
  EXPECT_EQ(g_log[1], "A size 50,35");

  g_log.clear();
  ObjectRef keep = ShareObject(a);  // the window lets go of it
  ControlClose(a);
  EXPECT_EQ(g_log, (std::vector<std::string>{"A close"}));
  EXPECT_EQ(TessGetControlHandle(a), 0u);
  g_log.clear();
  CloseAllWindows();
  automation::WaitIdle();
  EXPECT_EQ(g_log, (std::vector<std::string>{"B close"}));
}

TEST_F(PluginControls, ServicesRefuseWhatIsNoLiveControl) {
  EXPECT_EQ(TessGetControlHandle(nullptr), 0u);
  EXPECT_EQ(TessGetControlFocus(nullptr), 0);
  EXPECT_EQ(TessGetControlEnabled(nullptr), 0);
  EXPECT_EQ(TessGetControlParent(nullptr), nullptr);
  EXPECT_EQ(TessGetControlGraphics(nullptr), nullptr);
  EXPECT_EQ(PluginGetControlBounds(nullptr, nullptr), 0);
  EXPECT_EQ(PluginDefaultControlCaption(nullptr), nullptr);
  TessInvalidateControl(nullptr);
  TessSetControlFocus(nullptr);
  // A control made outside a window has no pane.
  ObjectRef knob = ObjectRef::Adopt(PluginNewInstance("Knob"));
  ASSERT_TRUE(knob.get());
  EXPECT_EQ(TessGetControlHandle(knob.get()), 0u);
  EXPECT_EQ(TessGetControlGraphics(knob.get()), nullptr);
  TessInvalidateControl(knob.get());
  StringRef caption = StringRef::Adopt(PluginDefaultControlCaption(knob.get()));
  EXPECT_EQ(View(caption.get()), "Knob") << "no name: the class's";
  StringRef font = StringRef::Adopt(PluginDefaultControlFont());
  EXPECT_EQ(View(font.get()), "System");
  EXPECT_EQ(PluginDefaultControlFontSize(), 0);
}

}  // namespace
}  // namespace tess::ui
