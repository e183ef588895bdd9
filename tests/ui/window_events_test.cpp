// Windows built from layout records and driven by input as a user makes it:
// the events their handlers see, compared whole, and the rectangles the lock
// rules leave.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/file_classes.h"
#include "platform/user/automation.h"
#include "platform/user/input.h"
#include "platform/user/mdi.h"
#include "platform/user/winuser.h"
#include "runtime/image_data.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/control_list.h"
#include "ui/instance_layout.h"
#include "ui/mdi_frame.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

namespace automation = platform::automation;
using platform::RECT;

std::vector<std::string> g_events;
std::map<std::string, uint32_t> g_answers;  // event name → handler result

std::string NameOf(TessObject* o) {
  if (IsWindow(o)) return std::string(View(FieldsOf<WindowFields>(o)->title));
  if (IsControl(o)) return std::string(View(FieldsOf<ControlFields>(o)->name));
  if (IsA(o, MDIWindowClass())) return std::string(View(FieldsOf<MDIWindowFields>(o)->title));
  return "?";
}

uint32_t Log(TessObject* o, const std::string& what) {
  g_events.push_back(NameOf(o) + " " + what);
  auto it = g_answers.find(what);
  return it == g_answers.end() ? 0 : it->second;
}

template <const char* Name>
uint32_t Plain(TessObject* o) {
  return Log(o, Name);
}
template <const char* Name>
uint32_t Mouse(TessObject* o, int32_t x, int32_t y) {
  return Log(o, std::string(Name) + " " + std::to_string(x) + "," + std::to_string(y));
}
uint32_t KeyDownHandler(TessObject* o, TessString* key) {
  return Log(o, "KeyDown " + std::to_string(int(uint8_t(View(key)[0]))));
}

// The answer a mouse event gives is keyed by the event's name alone.
template <const char* Name>
uint32_t MouseAnswering(TessObject* o, int32_t x, int32_t y) {
  Mouse<Name>(o, x, y);
  auto it = g_answers.find(Name);
  return it == g_answers.end() ? 0 : it->second;
}

constexpr char kOpen[] = "Open", kClose[] = "Close", kCancelClose[] = "CancelClose",
               kActivate[] = "Activate", kDeactivate[] = "Deactivate", kResized[] = "Resized",
               kMoved[] = "Moved", kMouseDown[] = "MouseDown", kMouseDrag[] = "MouseDrag",
               kMouseUp[] = "MouseUp", kMouseMove[] = "MouseMove", kMouseEnter[] = "MouseEnter",
               kMouseExit[] = "MouseExit";

// An application window class and a control class with handlers for every
// event, the way the image's class records give them.
struct Hooks {
  std::vector<std::unique_ptr<StaticString>> names;
  std::vector<std::unique_ptr<HookDescriptor>> hooks;
  std::vector<std::unique_ptr<EventDescriptor>> events;
  HookDescriptor* Add(const char* name, void* code, HookDescriptor* next) {
    names.push_back(std::make_unique<StaticString>(name));
    hooks.push_back(
        std::make_unique<HookDescriptor>(HookDescriptor{next, names.back()->get(), 0, code}));
    return hooks.back().get();
  }
  EventDescriptor* Declare(const char* name, EventDescriptor* next) {
    names.push_back(std::make_unique<StaticString>(name));
    events.push_back(std::make_unique<EventDescriptor>(
        EventDescriptor{next, names.back()->get(), nullptr, nullptr}));
    return events.back().get();
  }
};

class WindowEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    HookDescriptor* h = nullptr;
    h = hooks_.Add(kOpen, (void*)&Plain<kOpen>, h);
    h = hooks_.Add(kClose, (void*)&Plain<kClose>, h);
    h = hooks_.Add(kCancelClose, (void*)&Plain<kCancelClose>, h);
    h = hooks_.Add(kActivate, (void*)&Plain<kActivate>, h);
    h = hooks_.Add(kDeactivate, (void*)&Plain<kDeactivate>, h);
    h = hooks_.Add(kResized, (void*)&Plain<kResized>, h);
    h = hooks_.Add(kMoved, (void*)&Plain<kMoved>, h);
    h = hooks_.Add(kMouseDown, (void*)&MouseAnswering<kMouseDown>, h);
    h = hooks_.Add(kMouseDrag, (void*)&Mouse<kMouseDrag>, h);
    h = hooks_.Add(kMouseUp, (void*)&Mouse<kMouseUp>, h);
    h = hooks_.Add("KeyDown", (void*)&KeyDownHandler, h);
    window_.superclass = WindowClass();
    window_.instanceSize = kWindowInstanceSize;
    window_.hooks = h;

    HookDescriptor* c = nullptr;
    c = hooks_.Add(kOpen, (void*)&Plain<kOpen>, c);
    c = hooks_.Add(kClose, (void*)&Plain<kClose>, c);
    c = hooks_.Add(kMouseDown, (void*)&MouseAnswering<kMouseDown>, c);
    c = hooks_.Add(kMouseDrag, (void*)&Mouse<kMouseDrag>, c);
    c = hooks_.Add(kMouseUp, (void*)&Mouse<kMouseUp>, c);
    c = hooks_.Add(kMouseEnter, (void*)&Plain<kMouseEnter>, c);
    c = hooks_.Add(kMouseExit, (void*)&Plain<kMouseExit>, c);
    c = hooks_.Add(kMouseMove, (void*)&Mouse<kMouseMove>, c);
    EventDescriptor* e = hooks_.Declare(kMouseDown, nullptr);
    e = hooks_.Declare(kMouseDrag, e);
    e = hooks_.Declare(kMouseUp, e);
    // The events are declared by a framework class, handled by its subclass.
    canvas_.superclass = RectControlClass();
    canvas_.instanceSize = kRectControlInstanceSize;
    canvas_.events = e;
    control_.superclass = &canvas_;
    control_.instanceSize = kRectControlInstanceSize;
    control_.hooks = c;
    group_.superclass = RectControlClass();
    group_.instanceSize = kRectControlInstanceSize;
    group_.name = groupName_.get();

    table_ = {&window_, &control_, &group_};
    SetClassTable(table_);
    automation::WaitIdle();
    g_events.clear();
    g_answers.clear();
  }

  void TearDown() override {
    CloseAllWindows();
    automation::WaitIdle();
    SetClassTable({});
  }

  using Pairs = std::vector<PropertyPair>;
  using ControlSpec = ControlLayout;

  // Builds the window from a layout record written as the image builder
  // writes it.
  TessObject* Create(const Pairs& windowPairs, const std::vector<ControlSpec>& controls = {}) {
    WindowLayout layout{0, windowPairs, controls, {}};
    blocks_.push_back(std::make_unique<std::vector<uint8_t>>(
        imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout))));
    TessObject* out = nullptr;
    TessObject* window = RuntimeCreateWindow(blocks_.back()->data(), &out);
    if (window) {
      EXPECT_EQ(out, window);
      RuntimeUnlockObject(out);
      windows_.push_back(ObjectRef::Adopt(window));
    }
    automation::WaitIdle();
    return window;
  }

  static Pairs Document(const std::string& title, int left, int top, int width, int height) {
    return {{"Title", title},
            {"Frame", "0"},
            {"Placement", "0"},
            {"Left", std::to_string(left)},
            {"Top", std::to_string(top)},
            {"Width", std::to_string(width)},
            {"Height", std::to_string(height)},
            {"GrowIcon", "True"},
            {"Visible", "True"}};
  }

  static Pairs Control(const std::string& name, int left, int top, int width, int height,
                       Pairs extra = {}) {
    Pairs p{{"Name", name},
            {"Index", "-2147483648"},
            {"Left", std::to_string(left)},
            {"Top", std::to_string(top)},
            {"Width", std::to_string(width)},
            {"Height", std::to_string(height)}};
    p.insert(p.end(), extra.begin(), extra.end());
    return p;
  }

  static RECT Content(TessObject* window) {
    return ContentRect(FieldsOf<WindowFields>(window)->window);
  }
  static std::vector<int32_t> Bounds(TessObject* control) {
    RectControlFields* r = FieldsOf<RectControlFields>(control);
    return {r->left, r->top, r->width, r->height};
  }
  static void ResizeContent(TessObject* window, int width, int height) {
    WindowObject* w = FieldsOf<WindowFields>(window)->window;
    RECT frame{};
    platform::GetWindowRect(w->hwnd, &frame);
    RECT content = ContentRect(w);
    platform::SetWindowPos(w->hwnd, nullptr, 0, 0,
                           (frame.right - frame.left) + width - (content.right - content.left),
                           (frame.bottom - frame.top) + height - (content.bottom - content.top),
                           platform::SWP_NOMOVE | platform::SWP_NOZORDER);
    automation::WaitIdle();
  }

  Hooks hooks_;
  StaticString groupName_{"GroupBox"};
  ClassObject window_{}, canvas_{}, control_{}, group_{};
  std::vector<ClassObject*> table_;
  std::vector<std::unique_ptr<std::vector<uint8_t>>> blocks_;
  std::vector<ObjectRef> windows_;
};

TEST_F(WindowEvents, ConstructionOpensControlsThenTheWindowAndShowsIt) {
  TessObject* w =
      Create(Document("Doc", 100, 100, 300, 200),
             {{1, Control("First", 10, 10, 50, 20)}, {1, Control("Second", 10, 40, 50, 20)}});
  ASSERT_TRUE(w);
  EXPECT_EQ(g_events,
            (std::vector<std::string>{"First Open", "Second Open", "Doc Open", "Doc Activate"}));
  EXPECT_TRUE(WindowVisibleGetter(w, 0));
  RECT c = Content(w);
  EXPECT_EQ(std::vector<int>({c.left, c.top, c.right - c.left, c.bottom - c.top}),
            std::vector<int>({100, 100, 300, 200}));
  EXPECT_EQ(windowControlCountGetter(w, 0), 2);
}

TEST_F(WindowEvents, ControlArraysAreKeyedByNameAndIndex) {
  TessObject* w = Create(Document("Doc", 100, 100, 300, 200),
                         {{1, Control("Button", 10, 10, 50, 20, {{"Index", "0"}})},
                          {1, Control("Button", 10, 40, 50, 20, {{"Index", "1"}})}});
  ASSERT_TRUE(w);
  StaticString key("button$1"), bare("Button");
  TessObject* second = RuntimeControlFetch(w, key.get());
  ASSERT_TRUE(second);
  EXPECT_EQ(FieldsOf<ControlFields>(second)->index, 1);
  EXPECT_EQ(FieldsOf<RectControlFields>(second)->top, 40);
  RuntimeUnlockObject(second);
  EXPECT_EQ(RuntimeControlFetch(w, bare.get()), nullptr) << "array members have no bare key";
  TessObject* first = RuntimeControlArrayItemReference(w, bare.get(), 0);
  EXPECT_EQ(FieldsOf<RectControlFields>(first)->top, 10);
  RuntimeUnlockObject(first);
}

TEST_F(WindowEvents, LockRulesMoveAndStretchControlsThenResizedFires) {
  TessObject* w =
      Create(Document("Doc", 100, 100, 300, 200),
             {{1, Control("None", 10, 10, 50, 20)},
              {1, Control("Left", 10, 40, 50, 20, {{"LockLeft", "True"}})},
              {1, Control("Right", 10, 70, 50, 20, {{"LockRight", "True"}})},
              {1, Control("Both", 10, 100, 50, 20, {{"LockLeft", "True"}, {"LockRight", "True"}})},
              {1, Control("Bottom", 100, 10, 50, 20, {{"LockBottom", "True"}})},
              {1, Control("Tall", 100, 40, 50, 20, {{"LockTop", "True"}, {"LockBottom", "True"}})},
              {1, Control("All", 200, 10, 50, 20,
                          {{"LockLeft", "True"},
                           {"LockTop", "True"},
                           {"LockRight", "True"},
                           {"LockBottom", "True"}})}});
  ASSERT_TRUE(w);
  g_events.clear();
  ResizeContent(w, 340, 190);  // 40 wider, 10 shorter
  EXPECT_EQ(g_events, (std::vector<std::string>{"Doc Resized"}));
  WindowFields* f = FieldsOf<WindowFields>(w);
  std::map<std::string, std::vector<int32_t>> expected = {
      {"None", {10, 10, 50, 20}},  {"Left", {10, 40, 50, 20}},   {"Right", {50, 70, 50, 20}},
      {"Both", {10, 100, 90, 20}}, {"Bottom", {100, 0, 50, 20}}, {"Tall", {100, 40, 50, 10}},
      {"All", {200, 10, 90, 10}},
  };
  for (size_t i = 0; i < f->controls->size(); ++i) {
    TessObject* c = f->controls->at(i);
    EXPECT_EQ(Bounds(c), expected[NameOf(c)]) << NameOf(c);
  }
  EXPECT_EQ(windowPosGetter(w, 2), 340);
  EXPECT_EQ(windowPosGetter(w, 3), 190);
}

TEST_F(WindowEvents, MouseDownTrueTracksUntilTheButtonIsReleased) {
  TessObject* w = Create(Document("Doc", 100, 100, 300, 200));
  ASSERT_TRUE(w);
  g_events.clear();
  g_answers[kMouseDown] = 1;
  automation::MoveMouse(150, 150);
  platform::input::MouseButton(platform::input::kLeft, true);
  automation::WaitIdle();
  automation::MoveMouse(160, 155);
  automation::MoveMouse(170, 160);
  platform::input::MouseButton(platform::input::kLeft, false);
  automation::WaitIdle();
  automation::MoveMouse(171, 160);
  EXPECT_EQ(g_events, (std::vector<std::string>{"Doc MouseDown 50,50", "Doc MouseDrag 60,55",
                                                "Doc MouseDrag 70,60", "Doc MouseUp 70,60"}));
}

TEST_F(WindowEvents, MouseDownFalseYieldsNoDragAndNoUp) {
  TessObject* w = Create(Document("Doc", 100, 100, 300, 200));
  ASSERT_TRUE(w);
  g_events.clear();
  automation::MoveMouse(150, 150);
  platform::input::MouseButton(platform::input::kLeft, true);
  automation::WaitIdle();
  automation::MoveMouse(160, 155);
  platform::input::MouseButton(platform::input::kLeft, false);
  automation::WaitIdle();
  EXPECT_EQ(g_events, (std::vector<std::string>{"Doc MouseDown 50,50"}));
}

TEST_F(WindowEvents, AClickInsideAControlGoesToTheControlNotTheWindow) {
  TessObject* w =
      Create(Document("Doc", 100, 100, 300, 200), {{1, Control("Pad", 20, 30, 100, 50)}});
  ASSERT_TRUE(w);
  g_events.clear();
  g_answers[kMouseDown] = 1;
  automation::Click(125, 135);  // (25, 35) in the window, (5, 5) in the control
  automation::WaitIdle();
  EXPECT_EQ(g_events, (std::vector<std::string>{"Pad MouseEnter", "Pad MouseMove 5,5",
                                                "Pad MouseDown 5,5", "Pad MouseUp 5,5"}));
}

TEST_F(WindowEvents, CancelCloseTrueKeepsTheWindowOpen) {
  TessObject* w =
      Create(Document("Doc", 100, 100, 300, 200), {{1, Control("Pad", 20, 30, 100, 50)}});
  ASSERT_TRUE(w);
  g_events.clear();
  g_answers[kCancelClose] = 1;
  RuntimeCloseWindow(w);
  EXPECT_EQ(g_events, (std::vector<std::string>{"Doc CancelClose"}));
  EXPECT_EQ(getWindowCount(), 1);
  g_answers[kCancelClose] = 0;
  g_events.clear();
  RuntimeCloseWindow(w);
  automation::WaitIdle();
  EXPECT_EQ(g_events, (std::vector<std::string>{"Doc CancelClose", "Pad Close", "Doc Close"}));
  EXPECT_EQ(getWindowCount(), 0);
  EXPECT_EQ(FieldsOf<WindowFields>(w)->window, nullptr);
}

TEST_F(WindowEvents, ActivationMovesBetweenWindows) {
  TessObject* a = Create(Document("A", 50, 50, 200, 150));
  TessObject* b = Create(Document("B", 378, 28, 200, 150));  // staggered to (400, 50)
  ASSERT_TRUE(a && b);
  g_events.clear();
  automation::Click(100, 100);  // into A
  automation::WaitIdle();
  automation::Click(450, 100);  // into B
  automation::WaitIdle();
  EXPECT_EQ(g_events,
            (std::vector<std::string>{"B Deactivate", "A Activate", "A MouseDown 50,50",
                                      "A Deactivate", "B Activate", "B MouseDown 50,50"}));
  EXPECT_EQ(getWindowCount(), 2);
  TessObject* front = getWindow(0);
  EXPECT_EQ(front, b);
  RuntimeUnlockObject(front);
}

TEST_F(WindowEvents, SizingIsClampedToTheMinimumAndMaximum) {
  Pairs pairs = Document("Doc", 100, 100, 300, 200);
  pairs.insert(
      pairs.end(),
      {{"MinWidth", "200"}, {"MinHeight", "100"}, {"MaxWidth", "400"}, {"MaxHeight", "0"}});
  TessObject* w = Create(pairs);
  ASSERT_TRUE(w);
  WindowObject* window = FieldsOf<WindowFields>(w)->window;
  RECT frame{};
  platform::GetWindowRect(window->hwnd, &frame);
  RECT content = ContentRect(window);
  int extraW = (frame.right - frame.left) - (content.right - content.left);
  RECT drag{frame.left, frame.top, frame.left + 50, frame.top + 900};
  platform::SendMessage(window->hwnd, platform::WM_SIZING, platform::WMSZ_BOTTOMRIGHT,
                        platform::LPARAM(reinterpret_cast<uintptr_t>(&drag)));
  EXPECT_EQ(drag.right - drag.left - extraW, 200);
  EXPECT_EQ(drag.bottom - drag.top, 900) << "a maximum of 0 sets no limit";
  EXPECT_EQ(drag.left, frame.left);
  drag = RECT{frame.right - 900, frame.top, frame.right, frame.bottom};
  platform::SendMessage(window->hwnd, platform::WM_SIZING, platform::WMSZ_LEFT,
                        platform::LPARAM(reinterpret_cast<uintptr_t>(&drag)));
  EXPECT_EQ(drag.right - drag.left - extraW, 400);
  EXPECT_EQ(drag.right, frame.right) << "the opposite edge stays";
}

TEST_F(WindowEvents, AHiddenContainerHidesWhatItHolds) {
  TessObject* w = Create(Document("Doc", 100, 100, 300, 200),
                         {{2, Control("Group", 10, 10, 200, 150, {{"Visible", "False"}})},
                          {1, Control("Inside", 20, 30, 50, 20)},
                          {1, Control("Outside", 220, 30, 50, 20)}});
  ASSERT_TRUE(w);
  WindowFields* f = FieldsOf<WindowFields>(w);
  EXPECT_FALSE(controlVisibleGetter(f->controls->at(1), 0));
  EXPECT_TRUE(controlVisibleGetter(f->controls->at(2), 0));
  TessObject* parent = ControlParentGetter(f->controls->at(1), 0);
  EXPECT_EQ(parent, f->controls->at(0));
  RuntimeUnlockObject(parent);
}

TEST_F(WindowEvents, ClickingUnderAModalDialogBeeps) {
  TessObject* doc = Create(Document("Doc", 50, 50, 300, 200));
  Pairs dialog = Document("Dialog", 500, 100, 200, 100);
  dialog[1].value = "1";               // a movable modal dialog
  TessObject* modal = Create(dialog);  // centred on the screen
  ASSERT_TRUE(doc && modal);
  platform::input::TakeBeeps();
  g_events.clear();
  automation::Click(100, 100);
  automation::WaitIdle();
  EXPECT_EQ(platform::input::TakeBeeps().size(), 1u);
  EXPECT_EQ(g_events, std::vector<std::string>{}) << "the click is discarded";
}

TEST_F(WindowEvents, AnUnreadableRecordGivesNil) {
  std::vector<uint8_t> block = {5, 0, 0, 0, 1, 0};  // counts five bytes, holds two
  SetImageData(block);
  TessObject* out = reinterpret_cast<TessObject*>(1);
  EXPECT_EQ(RuntimeCreateWindow(block.data(), &out), nullptr);
  EXPECT_EQ(out, nullptr);
  SetImageData({});
  EXPECT_EQ(getWindowCount(), 0);
}

}  // namespace
}  // namespace tess::ui

namespace tess::ui {
namespace {

TEST_F(WindowEvents, MovesFindTheControlOnTopAsControlsOverlapAndMove) {
  TessObject* w =
      Create(Document("Doc", 100, 100, 300, 200), {{1, Control("Under", 10, 10, 100, 100)},
                                                   {1, Control("Over", 50, 50, 100, 100)},
                                                   {1, Control("Apart", 200, 10, 50, 50)}});
  ASSERT_TRUE(w);
  g_events.clear();
  automation::MoveMouse(120, 120);  // (20, 20): Under alone
  automation::MoveMouse(121, 121);
  automation::MoveMouse(170, 170);  // (70, 70): both; the first listed wins
  automation::MoveMouse(305, 115);  // (205, 15): Apart
  automation::WaitIdle();
  TessObject* apart = FieldsOf<WindowFields>(w)->controls->at(2);
  ctlPosSetter(apart, 0, 250);      // moved away from under the mouse
  automation::MoveMouse(306, 115);  // (206, 15): nothing there now
  automation::WaitIdle();
  EXPECT_EQ(g_events, (std::vector<std::string>{"Under MouseEnter", "Under MouseMove 10,10",
                                                "Under MouseMove 11,11", "Under MouseMove 60,60",
                                                "Under MouseExit", "Apart MouseEnter",
                                                "Apart MouseMove 5,5", "Apart MouseExit"}));
}

}  // namespace
}  // namespace tess::ui

namespace tess::ui {
namespace {

TEST_F(WindowEvents, ClonesJoinTheControlArrayWithTheNextIndex) {
  TessObject* w = Create(Document("Doc", 100, 100, 300, 200),
                         {{1, Control("Item", 10, 10, 50, 20, {{"Index", "0"}})},
                          {1, Control("Lone", 10, 40, 50, 20)}});
  ASSERT_TRUE(w);
  g_events.clear();
  WindowFields* f = FieldsOf<WindowFields>(w);
  TessObject* clone = RuntimeCloneControlReference(f->controls->at(0));
  ASSERT_TRUE(clone);
  EXPECT_EQ(g_events, (std::vector<std::string>{"Item Open"}));
  EXPECT_EQ(FieldsOf<ControlFields>(clone)->index, 1);
  EXPECT_EQ(Bounds(clone), (std::vector<int32_t>{10, 10, 50, 20}));
  StaticString key("Item$1");
  TessObject* found = RuntimeControlFetch(w, key.get());
  EXPECT_EQ(found, clone);
  RuntimeUnlockObject(found);
  ctlPosSetter(clone, 1, 70);
  g_answers[kMouseDown] = 1;
  automation::Click(115, 175);  // (15, 75) in the window: the clone
  automation::WaitIdle();
  EXPECT_EQ(g_events.back(), "Item MouseUp 5,5");
  RuntimeUnlockObject(clone);
  EXPECT_EQ(RuntimeCloneControlReference(f->controls->at(1)), nullptr);
  EXPECT_EQ(windowControlCountGetter(w, 0), 3);
}

// A multiple-document frame holding the document windows; its MDIWindow
// instance is of an application class handling Open, Resized and Moved.
class MdiFrameEvents : public WindowEvents {
 protected:
  void SetUp() override {
    WindowEvents::SetUp();
    HookDescriptor* h = nullptr;
    h = hooks_.Add(kOpen, (void*)&Plain<kOpen>, h);
    h = hooks_.Add(kResized, (void*)&Plain<kResized>, h);
    h = hooks_.Add(kMoved, (void*)&Plain<kMoved>, h);
    frame_.superclass = MDIWindowClass();
    frame_.instanceSize = kMDIWindowInstanceSize;
    frame_.hooks = h;
    ClassObject* classes[] = {&window_, &frame_};
    instance_ = OpenMdiFrame(classes, "App");
    ShowMdiFrame();
    automation::WaitIdle();
  }
  void TearDown() override {
    WindowEvents::TearDown();  // closes the frame with the windows
    EXPECT_EQ(MdiFrameHandle(), nullptr);
  }
  static HWND Handle(TessObject* window) { return FieldsOf<WindowFields>(window)->window->hwnd; }
  static std::string ClassName(HWND hwnd) {
    char name[32] = {};
    platform::GetClassName(hwnd, name, sizeof name);
    return name;
  }
  ClassObject frame_{};
  TessObject* instance_ = nullptr;
};

TEST_F(MdiFrameEvents, TheFrameOpensOnceAsTheApplicationsClass) {
  ASSERT_TRUE(instance_);
  EXPECT_EQ(g_events, (std::vector<std::string>{"App Open"}));
  EXPECT_EQ(OpenMdiFrame({}, "Again"), nullptr) << "one frame per application";
  HWND frame = MdiFrameHandle();
  EXPECT_EQ(uint32_t(MDIWindowHandleGetter(instance_, 0)), uint32_t(uintptr_t(frame)));
  EXPECT_EQ(ClassName(frame), kMdiFrameClassName);
  EXPECT_TRUE(MDIWindowVisibleGetter(instance_, 0));
  EXPECT_EQ(MDIWindowPosGetter(instance_, 2), 640);
  EXPECT_EQ(MDIWindowPosGetter(instance_, 3), 480);
  // A heap string: the frame keeps a reference past this test's body.
  StringRef title = StringRef::Adopt(MakeString("Ledger"));
  MDIWindowTitleSetter(instance_, 0, title.get());
  EXPECT_EQ(platform::GetWindowTextString(frame), "Ledger");
  TessString* back = MDIWindowTitleGetter(instance_, 0);
  EXPECT_EQ(View(back), "Ledger");
  RuntimeUnlockString(back);
}

TEST_F(MdiFrameEvents, DocumentWindowsBecomeChildrenOfTheClient) {
  TessObject* doc = Create(Document("Doc", 10, 10, 200, 100));
  Pairs fixed = Document("Fixed", 40, 40, 200, 100);
  fixed[1] = {"Frame", "6"};  // a document window too while the frame exists
  TessObject* other = Create(fixed);
  Pairs dialog = Document("Dialog", 0, 0, 120, 60);
  dialog[1] = {"Frame", "1"};
  TessObject* popup = Create(dialog);
  ASSERT_TRUE(doc && other && popup);
  HWND frame = MdiFrameHandle();
  for (TessObject* w : {doc, other}) {
    HWND h = Handle(w);
    EXPECT_EQ(ClassName(h), kMdiChildClassName);
    EXPECT_EQ(ClassName(platform::GetParent(h)), platform::kMdiClientClass);
    EXPECT_EQ(platform::GetAncestor(h, platform::GA_ROOT), frame);
  }
  // The content stays where the layout puts it, inside the client.
  platform::POINT origin{0, 0};
  platform::ClientToScreen(platform::GetParent(Handle(doc)), &origin);
  RECT c = Content(doc);
  EXPECT_EQ(c.right - c.left, 200);
  EXPECT_EQ(c.bottom - c.top, 100);
  EXPECT_GE(c.left, origin.x + 10);
  // A popup is owned by the frame while no dialog is shown.
  EXPECT_EQ(platform::GetWindow(Handle(popup), platform::GW_OWNER), frame);
  EXPECT_EQ(ClassName(Handle(popup)), kWindowClassName);
}

TEST_F(MdiFrameEvents, DocumentsActivateAndDeactivateInTurn) {
  TessObject* a = Create(Document("A", 10, 10, 200, 100));
  TessObject* b = Create(Document("B", 40, 40, 200, 100));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(g_events, (std::vector<std::string>{"App Open", "A Open", "A Activate", "B Open",
                                                "A Deactivate", "B Activate"}));
  EXPECT_EQ(getWindow(0), b);
  EXPECT_EQ(getWindow(1), a);
  RuntimeUnlockObject(getWindow(0));
  RuntimeUnlockObject(getWindow(1));
  g_events.clear();
  RuntimeShowWindow(a);
  automation::WaitIdle();
  EXPECT_EQ(g_events, (std::vector<std::string>{"B Deactivate", "A Activate"}));
}

TEST_F(MdiFrameEvents, ClosingTheLastDocumentLeavesTheFrame) {
  TessObject* a = Create(Document("A", 10, 10, 200, 100));
  ASSERT_TRUE(a);
  g_events.clear();
  RuntimeCloseWindow(a);
  automation::WaitIdle();
  // A closing window hears nothing more, so no Deactivate.
  EXPECT_EQ(g_events, (std::vector<std::string>{"A CancelClose", "A Close"}));
  EXPECT_EQ(OpenWindowCount(), 0);
  EXPECT_TRUE(platform::IsWindowVisible(MdiFrameHandle()));
}

TEST_F(MdiFrameEvents, MovingSizingAndMaximizingTheFrameFireItsEvents) {
  g_events.clear();
  MDIWindowPosSetter(instance_, 2, 500);
  MDIWindowPosSetter(instance_, 0, 30);
  EXPECT_EQ(g_events, (std::vector<std::string>{"App Resized", "App Moved"}));
  EXPECT_EQ(MDIWindowPosGetter(instance_, 0), 30);
  EXPECT_EQ(MDIWindowPosGetter(instance_, 2), 500);
  g_events.clear();
  MDIWindowMaximize(instance_);
  EXPECT_TRUE(platform::IsZoomed(MdiFrameHandle()));
  MDIWindowRestore(instance_);
  EXPECT_FALSE(platform::IsZoomed(MdiFrameHandle()));
  EXPECT_EQ(MDIWindowPosGetter(instance_, 2), 500);
  ASSERT_FALSE(g_events.empty());
  EXPECT_EQ(g_events.back(), "App Resized");
}

}  // namespace
}  // namespace tess::ui

namespace tess::ui {
namespace {

TEST_F(WindowEvents, AControlKeptByTheApplicationOutlivesItsWindow) {
  TessObject* w =
      Create(Document("Doc", 100, 100, 300, 200), {{1, Control("Kept", 10, 10, 50, 20)}});
  ASSERT_TRUE(w);
  TessObject* kept = windowControl(w, 0);
  RuntimeCloseWindow(w);
  windows_.clear();  // the window instance goes
  automation::WaitIdle();
  EXPECT_EQ(controlWindowGetter(kept, 0), nullptr);
  EXPECT_EQ(controlMouseXGetter(kept, 0), 0);
  ctlPosSetter(kept, 0, 40);  // no pane left to move
  EXPECT_EQ(ctlPosGetter(kept, 0), 40);
  RuntimeUnlockObject(kept);
}

}  // namespace
}  // namespace tess::ui
