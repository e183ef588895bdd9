/* Plug-ins embedded in the image: the sample plug-in's class is used through
   deferred references, created by name and subclassed with a handler of its
   event; a global method comes from a plug-in whose other registrations are
   refused. The plug-ins that do not load, lack their entry or raise from it
   are reported on the way (standard error) and skipped. */
#include "startup/say.h"

extern void CounterIncrement(TessObject* counter, int32_t by) TESS_LINK_NAME("!MCounter.Increment");
extern void CounterReset(TessObject* counter) TESS_LINK_NAME("!MCounter.Reset");
extern int32_t CounterCount(TessObject* counter, uint32_t offset) TESS_LINK_NAME("!GCounter.Count");
extern int32_t CounterLimit(TessObject* counter, uint32_t offset) TESS_LINK_NAME("!GCounter.Limit");
extern void CounterSetLimit(TessObject* counter, uint32_t offset, int32_t limit)
    TESS_LINK_NAME("!SCounter.Limit");
extern TessString* CounterText(int32_t n) TESS_LINK_NAME("!MCounterText");
extern int32_t Answer(void) TESS_LINK_NAME("!MAnswer");

extern char TessPlugins[];
extern TessString kCounterName;

enum { kCounterClass = 0, kTallyClass = 1, kCountOffset = 16, kLimitOffset = 20 };

static int32_t g_reached;

int32_t tally_reached(TessObject* counter, int32_t value) {
  (void)counter;
  g_reached = value;
  return 1;
}

static void say_text(TessString* text) {
  say(StringToCString(text));
  RuntimeUnlockString(text);
}

void TessMain(void) {
  TessObject *plain, *tally;
  int32_t i;
  Win32InstallPlugins(TessPlugins);
  RuntimeInit(TessApplication);

  plain = CreateInstance(&kCounterName);
  say(CounterLimit(plain, kLimitOffset) == 10 ? "constructed with limit 10" : "not constructed");
  for (i = 0; i < 12; ++i) CounterIncrement(plain, 1);
  say_text(CounterText(CounterCount(plain, kCountOffset))); /* no handler: keeps counting */
  CounterReset(plain);
  say_text(CounterText(CounterCount(plain, kCountOffset)));

  tally = RuntimeNewObject(kTallyClass);
  CounterSetLimit(tally, kLimitOffset, 3);
  for (i = 0; i < 4; ++i) CounterIncrement(tally, 1);
  say_text(CounterText(g_reached));
  say_text(CounterText(CounterCount(tally, kCountOffset))); /* the handler started again */
  say(RuntimeObjectIsa(tally, kCounterClass) ? "a Tally is a Counter" : "not a Counter");

  say(Answer() == 42 ? "global method answers" : "global method missing");
  RuntimeUnlockObject(tally);
  RuntimeUnlockObject(plain);
}
