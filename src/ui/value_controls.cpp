// ScrollBar and Slider (one table, one accessor pair selected by number:
// 0 Minimum, 1 Value, 2 Maximum, 3 LineStep, 4 PageStep) over "SCROLLBAR"
// and "msctls_trackbar32", and ProgressBar over "msctls_progress32".
//
// Value always lies within Minimum..Maximum: setting either end pulls it
// in, and a Maximum below Minimum is raised to it. ValueChanged fires
// whenever Value changes while the control is shown, by the user or by
// code. While the thumb is dragged, Value follows it only when LiveScroll
// is True; otherwise it changes once, where the thumb is let go.
#include <algorithm>
#include <cstddef>

#include "platform/comctl/commctrl.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"

namespace tess::ui {

void InitValueControlClasses();

namespace {

using namespace platform;

struct ScrollerFields {
  RectControlFields rect;
  int32_t minimum, value, maximum, lineStep, pageStep;
  uint8_t liveScroll;
  uint8_t reserved[3];
};
struct ProgressFields {
  RectControlFields rect;
  int32_t value, maximum;
};
#if defined(__i386__)
static_assert(offsetof(ScrollerFields, minimum) == 80);
static_assert(sizeof(ScrollerFields) == 104);
static_assert(sizeof(ProgressFields) == 88);
#endif

enum Selector { kMinimum, kValue, kMaximum, kLineStep, kPageStep };

ClassObject* g_scrollBar = nullptr;
ClassObject* g_slider = nullptr;
ClassObject* g_progress = nullptr;

const char* const kMouseArgs = "X As Integer, Y As Integer";
EventRecord g_scrollBarEvents[] = {
    {0, "ValueChanged", nullptr, nullptr, 1001, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseDrag", kMouseArgs, nullptr, 506, nullptr},
    {0, "MouseUp", kMouseArgs, nullptr, 502, nullptr},
};
EventRecord g_sliderEvents[std::size(g_scrollBarEvents)] = {
    {0, "ValueChanged", nullptr, nullptr, 1001, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseDrag", kMouseArgs, nullptr, 506, nullptr},
    {0, "MouseUp", kMouseArgs, nullptr, 502, nullptr},
};
EventRecord g_progressEvents[] = {
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseDrag", kMouseArgs, nullptr, 506, nullptr},
    {0, "MouseUp", kMouseArgs, nullptr, 502, nullptr},
};
enum Event { kValueChanged, kGotFocus, kLostFocus };

bool IsSlider(TessObject* o) {
  return o && g_slider && IsA(o, g_slider);
}
bool IsScroller(TessObject* o) {
  return o && ((g_scrollBar && IsA(o, g_scrollBar)) || IsSlider(o));
}
bool IsProgress(TessObject* o) {
  return o && g_progress && IsA(o, g_progress);
}
ScrollerFields* S(TessObject* o) {
  return FieldsOf<ScrollerFields>(o);
}
ProgressFields* PF(TessObject* o) {
  return FieldsOf<ProgressFields>(o);
}

bool Shown(TessObject* o) {
  return NativeOf(o) && InOpenWindow(o);
}

void Fire(TessObject* o, Event e) {
  if (!Shown(o)) return;
  const EventRecord* events = IsSlider(o) ? g_sliderEvents : g_scrollBarEvents;
  FireEvent(o, events[e].descriptor, {});
}

// Gives the native control the range and position the instance holds.
void Mirror(TessObject* o) {
  HWND native = NativeOf(o);
  if (!native) return;
  ScrollerFields* f = S(o);
  if (IsSlider(o)) {
    SendMessage(native, TBM_SETRANGEMIN, 0, f->minimum);
    SendMessage(native, TBM_SETRANGEMAX, 0, f->maximum);
    SendMessage(native, TBM_SETLINESIZE, 0, f->lineStep);
    SendMessage(native, TBM_SETPAGESIZE, 0, f->pageStep);
    SendMessage(native, TBM_SETPOS, 1, f->value);
  } else {
    SendMessage(native, SBM_SETRANGE, WPARAM(f->minimum), f->maximum);
    SendMessage(native, SBM_SETPOS, WPARAM(f->value), 1);
  }
}

// Stores `value` clamped to the range and fires ValueChanged on a change.
void SetValue(TessObject* o, int64_t value) {
  ScrollerFields* f = S(o);
  int32_t clamped = int32_t(std::clamp<int64_t>(value, f->minimum, f->maximum));
  bool changed = clamped != f->value;
  f->value = clamped;
  Mirror(o);
  if (changed) {
    ObjectRef keep = ShareObject(o);
    Fire(o, kValueChanged);
  }
}

DWORD ScrollBarStyle(TessObject* o) {
  RectControlFields* r = &S(o)->rect;
  return (r->height > r->width ? SBS_VERT : SBS_HORZ) | WS_GROUP;
}
DWORD SliderStyle(TessObject* o) {
  RectControlFields* r = &S(o)->rect;
  return (r->height > r->width ? TBS_VERT : TBS_HORZ) | WS_TABSTOP | WS_GROUP;
}
void Created(TessObject* o, HWND) {
  Mirror(o);
}
void Focus(TessObject* o, bool gained) {
  Fire(o, gained ? kGotFocus : kLostFocus);
}

// The dragged thumb's position in full: the message carries 16 bits of it.
int32_t TrackPosition(TessObject* o, int32_t carried) {
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, carried};
  if (HWND native = NativeOf(o))
    SendMessage(native, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info));
  return info.nTrackPos;
}

void ScrollBarScroll(TessObject* o, UINT code, int32_t position) {
  ScrollerFields* f = S(o);
  int64_t v = f->value;
  switch (code) {
    case SB_LINEUP:
      v -= f->lineStep;
      break;
    case SB_LINEDOWN:
      v += f->lineStep;
      break;
    case SB_PAGEUP:
      v -= f->pageStep;
      break;
    case SB_PAGEDOWN:
      v += f->pageStep;
      break;
    case SB_TOP:
      v = f->minimum;
      break;
    case SB_BOTTOM:
      v = f->maximum;
      break;
    case SB_THUMBTRACK:
      if (!f->liveScroll) return;
      v = TrackPosition(o, position);
      break;
    case SB_THUMBPOSITION:
      v = TrackPosition(o, position);
      break;
    default:
      return;
  }
  SetValue(o, v);
}

// The slider has moved itself: Value follows, or waits for the end of a
// drag when LiveScroll is False.
void SliderScroll(TessObject* o, UINT code, int32_t) {
  if (code == TB_THUMBTRACK && !S(o)->liveScroll) return;
  HWND native = NativeOf(o);
  if (!native) return;
  int32_t pos = int32_t(SendMessage(native, TBM_GETPOS, 0, 0));
  SetValue(o, pos);
}

const NativeKind kScrollBarKind{"SCROLLBAR", &ScrollBarStyle, false,   &Created,
                                nullptr,     &Focus,          nullptr, &ScrollBarScroll};
const NativeKind kSliderKind{
    "msctls_trackbar32", &SliderStyle, false, &Created, nullptr, &Focus, nullptr, &SliderScroll};

void MirrorProgress(TessObject* o) {
  HWND native = NativeOf(o);
  if (!native) return;
  SendMessage(native, PBM_SETRANGE32, 0, PF(o)->maximum);
  SendMessage(native, PBM_SETPOS, WPARAM(PF(o)->value), 0);
}
DWORD ProgressStyle(TessObject*) {
  return WS_GROUP;
}
void CreatedProgress(TessObject* o, HWND) {
  MirrorProgress(o);
}
const NativeKind kProgressKind{"msctls_progress32",
                               &ProgressStyle,
                               false,
                               &CreatedProgress,
                               nullptr,
                               nullptr,
                               nullptr,
                               nullptr};

void ConstructScroller(TessObject* o, ClassObject*) {
  ScrollerFields* f = S(o);
  f->maximum = 100;
  f->lineStep = 1;
  f->pageStep = 20;
}
void ConstructProgress(TessObject* o, ClassObject*) {
  PF(o)->maximum = 100;
}

void SetLive(TessObject* o, uint32_t, int32_t value) {
  if (IsScroller(o)) S(o)->liveScroll = value ? 1 : 0;
}
int32_t GetLive(TessObject* o, uint32_t) {
  return IsScroller(o) ? S(o)->liveScroll : 0;
}

const PropertyRecord kScrollerProperties[] = {
    {0, "Minimum", &kIntegerType, (void*)&scrollerPropGetter, (void*)&scrollerPropSetter, kMinimum},
    {0, "Value", &kIntegerType, (void*)&scrollerPropGetter, (void*)&scrollerPropSetter, kValue},
    {0, "Maximum", &kIntegerType, (void*)&scrollerPropGetter, (void*)&scrollerPropSetter, kMaximum},
    {0, "LineStep", &kIntegerType, (void*)&scrollerPropGetter, (void*)&scrollerPropSetter,
     kLineStep},
    {0, "PageStep", &kIntegerType, (void*)&scrollerPropGetter, (void*)&scrollerPropSetter,
     kPageStep},
    {0, "LiveScroll", &kBooleanType, (void*)&GetLive, (void*)&SetLive, 0},
};
const PropertyRecord kProgressProperties[] = {
    {0, "Value", &kIntegerType, (void*)&progressValueGetter, (void*)&progressValueSetter, 0},
    {0, "Maximum", &kIntegerType, (void*)&progressMaximumGetter, (void*)&progressMaximumSetter, 0},
};

ClassObject* Build(const char* name, int32_t size, ClassRoutine construct,
                   std::span<const PropertyRecord> properties, std::span<EventRecord> events,
                   const NativeKind* kind) {
  FrameworkClassDef def{};
  def.name = name;
  def.superclass = RectControlClass();
  def.instanceSize = size;
  def.construct = construct;
  def.properties = properties;
  def.events = events;
  ClassObject* cls = BuildFrameworkClass(def);
  SetNativeKind(cls, kind);
  return cls;
}

}  // namespace

void InitValueControlClasses() {
  if (g_scrollBar) return;
  g_scrollBar = Build("ScrollBar", sizeof(ScrollerFields), &ConstructScroller, kScrollerProperties,
                      g_scrollBarEvents, &kScrollBarKind);
  g_slider = Build("Slider", sizeof(ScrollerFields), &ConstructScroller, kScrollerProperties,
                   g_sliderEvents, &kSliderKind);
  g_progress = Build("ProgressBar", sizeof(ProgressFields), &ConstructProgress, kProgressProperties,
                     g_progressEvents, &kProgressKind);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

int32_t scrollerPropGetter(TessObject* o, uint32_t selector) {
  if (!IsScroller(o)) return 0;
  ScrollerFields* f = S(o);
  switch (selector) {
    case kMinimum:
      return f->minimum;
    case kValue:
      return f->value;
    case kMaximum:
      return f->maximum;
    case kLineStep:
      return f->lineStep;
    case kPageStep:
      return f->pageStep;
    default:
      return 0;
  }
}

void scrollerPropSetter(TessObject* o, uint32_t selector, int32_t value) {
  if (!IsScroller(o)) return;
  ScrollerFields* f = S(o);
  switch (selector) {
    case kMinimum:
      f->minimum = value;
      f->maximum = std::max(f->maximum, value);
      break;
    case kMaximum:
      f->maximum = std::max(value, f->minimum);
      break;
    case kValue:
      SetValue(o, value);
      return;
    case kLineStep:
      f->lineStep = std::max(value, 1);
      break;
    case kPageStep:
      f->pageStep = std::max(value, 1);
      break;
    default:
      return;
  }
  SetValue(o, f->value);  // pulled into a new range
}

int32_t progressValueGetter(TessObject* o, uint32_t) {
  return IsProgress(o) ? PF(o)->value : 0;
}
void progressValueSetter(TessObject* o, uint32_t, int32_t value) {
  if (!IsProgress(o)) return;
  PF(o)->value = std::clamp(value, 0, PF(o)->maximum);
  MirrorProgress(o);
}
int32_t progressMaximumGetter(TessObject* o, uint32_t) {
  return IsProgress(o) ? PF(o)->maximum : 0;
}
void progressMaximumSetter(TessObject* o, uint32_t, int32_t value) {
  if (!IsProgress(o)) return;
  PF(o)->maximum = std::max(value, 0);
  PF(o)->value = std::min(PF(o)->value, PF(o)->maximum);
  MirrorProgress(o);
}

}  // extern "C"
