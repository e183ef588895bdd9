/* A plug-in control in a window: the plug-in's Tally controls built from the
   layout, the control services as compiled code sees them in the window's
   Open, and the plug-in's Clicked event reaching the Counting class's
   handler for a click and the space bar (not for a press let go outside,
   nor for the disabled one). */
#include "../../image/e2e/startup/transcript.h"

#include <tessera/plugin.h>

extern char MainLayout[];
extern char TessPlugins[];
extern void TallySetClicks(TessObject* tally, uint32_t offset, int32_t clicks)
    TESS_LINK_NAME("!STally.Clicks");

enum { kClicksOffset = 80 };

static TessObject* g_window;

static void sayText(const char* what, TessString* s) {
  char text[80];
  int at = appendText(text, what), i;
  for (i = 0; s && i < s->length && at < 79; ++i) text[at++] = (char)s->buffer[1 + i];
  text[at] = 0;
  say(text);
  RuntimeUnlockString(s);
}

/* The control named by a length-prefixed text, one reference. */
static TessObject* control(TessObject* w, const char* pascal) {
  int32_t length = (uint8_t)pascal[0];
  TessString key = {1, (uint8_t*)pascal, length, length, 0x0600};
  return RuntimeControlReference(w, &key);
}

int32_t MainOpen(TessObject* w) {
  TessObject* left = control(w,
                             "\x04"
                             "Left");
  TessObject* right = control(w,
                              "\x05"
                              "Right");
  TessObject* parent = TessGetControlParent(left);
  TessRect r = {0, 0, 0, 0};
  TessClassPropertyInfo property;
  g_window = w;
  sayNumber("handles ", (TessGetControlHandle(left) != 0) + (TessGetControlHandle(right) != 0) +
                            (TessGetWindowHandle(w) != 0));
  PluginGetControlBounds(right, &r);
  sayPoint("right from ", r.left, r.top);
  sayPoint("right to ", r.right, r.bottom);
  sayPoint("enabled ", TessGetControlEnabled(left), TessGetControlEnabled(right));
  sayNumber("parent is the window ", parent == w);
  sayNumber("focus ", TessGetControlFocus(left));
  sayText("caption ", PluginDefaultControlCaption(left));
  sayText("font ", PluginDefaultControlFont());
  sayNumber("font size ", PluginDefaultControlFontSize());
  if (TessGetClassProperty("Tally", 0, &property)) sayText("first property ", property.name);
  TallySetClicks(right, kClicksOffset, 5);
  RuntimeUnlockObject(parent);
  RuntimeUnlockObject(left);
  RuntimeUnlockObject(right);
  return 0;
}

int32_t CountingClicked(TessObject* tally, int32_t count) {
  sayPoint("clicked, focused ", count, TessGetControlFocus(tally));
  return 0;
}

void TessMain(void) {
  TessObject* window = 0;
  TessObject* made;
  Win32InstallPlugins(TessPlugins);
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(MainLayout, &window);
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("run ended");
}
