/* A sample plug-in control: "Tally", a button-like RectControl that paints
   itself (a rounded face with "N clicks" on it), counts clicks and the space
   bar while it has the focus, and fires its event Clicked(count) for each.
   A press shows darker while the mouse stays inside; letting go outside
   counts nothing. The property Clicks reads and sets the count.

   Like counter.c it links nothing of the runtime: every routine it uses is
   looked up by name in TessPluginMain. */
#include <tessera/plugin.h>

#include "decimal.h"

/* After the RectControl's 80 bytes (header included). */
enum { kClicks = 80, kPressed = 84, kFocused = 88, kEnabled = 92, kTallySize = 96 };

typedef void (*AreaRoutine)(TessObject* g, int32_t x, int32_t y, int32_t w, int32_t h,
                            int32_t ovalW, int32_t ovalH);

static struct {
  TessGetEventInstanceRoutine eventInstance;
  TessString* (*buildString)(const void* bytes, int32_t length);
  void (*unlockString)(TessString* s);
  void (*invalidate)(TessObject* control);
  int32_t (*enabled)(TessObject* control);
  int32_t (*bounds)(TessObject* control, TessRect* bounds);
  AreaRoutine fillRoundRect, drawRoundRect;
  void (*foreColor)(TessObject* g, uint32_t parameter, int32_t color);
  void (*drawString)(TessObject* g, TessString* text, int32_t x, int32_t y, int32_t wrap);
  int32_t (*stringWidth)(TessObject* g, TessString* text);
  int32_t (*textAscent)(TessObject* g);
  int32_t (*width)(TessObject* g, uint32_t parameter);
  int32_t (*height)(TessObject* g, uint32_t parameter);
} rt;

static int32_t* Field(TessObject* self, int offset) {
  return (int32_t*)((char*)self + offset);
}

static const TessPluginEvent kEvents[] = {
    {"Clicked(count As Integer)"},
};

static void Count(TessObject* self) {
  int32_t count = ++*Field(self, kClicks);
  void (*clicked)(TessObject*, int32_t) =
      (void (*)(TessObject*, int32_t))rt.eventInstance(self, &kEvents[0]);
  rt.invalidate(self);
  if (clicked) clicked(self, count);
}

/* "N clicks" (or "1 click"). */
static TessString* Caption(int32_t n) {
  char text[32];
  return rt.buildString(text, DecimalText(text, n, n == 1 ? " click" : " clicks"));
}

static void Construct(TessObject* self) {
  *Field(self, kEnabled) = 1;
}

static void Open(TessObject* self) {
  *Field(self, kEnabled) = rt.enabled(self);
}

static void Paint(TessObject* self, TessObject* g) {
  int32_t w = rt.width(g, 0), h = rt.height(g, 0);
  int32_t face = !*Field(self, kEnabled) ? 0xA0A0A0 : *Field(self, kPressed) ? 0x204080 : 0x4080C0;
  TessString* text = Caption(*Field(self, kClicks));
  rt.foreColor(g, 0, face);
  rt.fillRoundRect(g, 0, 0, w, h, 16, 16);
  rt.foreColor(g, 0, *Field(self, kFocused) ? 0xE0A000 : 0x102040);
  rt.drawRoundRect(g, 0, 0, w, h, 16, 16);
  if (*Field(self, kFocused)) rt.drawRoundRect(g, 1, 1, w - 2, h - 2, 14, 14);
  rt.foreColor(g, 0, 0xFFFFFF);
  rt.drawString(g, text, (w - rt.stringWidth(g, text)) / 2, (h + rt.textAscent(g)) / 2 - 2, 0);
  rt.unlockString(text);
}

static int32_t Inside(TessObject* self, int32_t x, int32_t y) {
  TessRect r;
  if (!rt.bounds(self, &r)) return 0;
  return x >= 0 && y >= 0 && x < r.right - r.left && y < r.bottom - r.top;
}

static void Press(TessObject* self, int32_t pressed) {
  if (*Field(self, kPressed) == pressed) return;
  *Field(self, kPressed) = pressed;
  rt.invalidate(self);
}

static int32_t MouseDown(TessObject* self, int32_t x, int32_t y) {
  Press(self, Inside(self, x, y));
  return 1; /* keep the mouse until it is let go */
}

static void MouseDrag(TessObject* self, int32_t x, int32_t y) {
  Press(self, Inside(self, x, y));
}

static void MouseUp(TessObject* self, int32_t x, int32_t y) {
  Press(self, 0);
  if (Inside(self, x, y)) Count(self);
}

static int32_t KeyDown(TessObject* self, int32_t key) {
  if (key != ' ') return 0;
  Count(self);
  return 1;
}

static void Focus(TessObject* self, int32_t gained) {
  *Field(self, kFocused) = gained;
  rt.invalidate(self);
}

static void Enable(TessObject* self, int32_t enabled) {
  *Field(self, kEnabled) = enabled;
  rt.invalidate(self);
}

static int32_t ClicksGetter(TessObject* self, uint32_t offset) {
  return *Field(self, (int)offset);
}

static void ClicksSetter(TessObject* self, uint32_t offset, int32_t value) {
  *Field(self, (int)offset) = value;
  rt.invalidate(self);
}

static const TessPluginProperty kProperties[] = {
    {"Clicks As Integer", (void*)&ClicksGetter, (void*)&ClicksSetter, kClicks},
};

static const TessPluginControl kTally = {
    {"Tally", 0, kTallySize, &Construct, 0, kProperties, 1, 0, 0, kEvents, 1, 0, 0},
    TESS_CONTROL_ACCEPT_FOCUS,
    &Open,
    0,
    &Paint,
    &MouseDown,
    &MouseDrag,
    &MouseUp,
    &KeyDown,
    &Focus,
    0,
    &Enable,
};

/* Stores the routine `name` in `slot` (a routine pointer); false when the
   runtime has none of that name. */
static int Look(void* slot, TessEntryLookup lookup, const char* name) {
  void* routine = lookup(name);
  __builtin_memcpy(slot, &routine, sizeof routine);
  return routine != 0;
}
#define LOOK(field, name) Look(&rt.field, lookup, name)

TESS_PLUGIN_MAIN {
  TessRegisterVersionRoutine version = (TessRegisterVersionRoutine)lookup("RegisterPluginVersion");
  TessRegisterControlRoutine registerControl =
      (TessRegisterControlRoutine)lookup("PluginRegisterControl");
  int found = LOOK(eventInstance, "GetEventInstance") && LOOK(buildString, "TessBuildString") &&
              LOOK(unlockString, "TessUnlockString") && LOOK(invalidate, "TessInvalidateControl") &&
              LOOK(enabled, "TessGetControlEnabled") && LOOK(bounds, "PluginGetControlBounds") &&
              LOOK(fillRoundRect, "RuntimeGraphicsFillRoundRect") &&
              LOOK(drawRoundRect, "RuntimeGraphicsDrawRoundRect") &&
              LOOK(foreColor, "graphicsForeColorSetter") &&
              LOOK(drawString, "RuntimeGraphicsDrawString") &&
              LOOK(stringWidth, "RuntimeGraphicsStringWidth") &&
              LOOK(textAscent, "RuntimeGraphicsTextAscent") && LOOK(width, "graphicsWidthGetter") &&
              LOOK(height, "graphicsHeightGetter");
  if (!found || !version || !registerControl) return;
  version(TESS_PLUGIN_VERSION);
  registerControl(&kTally);
}
