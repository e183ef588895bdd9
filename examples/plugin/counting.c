/* Counts laps with the sample plug-in's Counter class: the plug-in list is
   handed to the runtime before RuntimeInit, the class's members are reached
   through deferred references, and Lap's handler of the plug-in's Reached
   event starts each lap again. Only runtime entry points and libc's puts. */
#include <tessera/image.h>

extern int host_puts(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "puts");
extern void CounterIncrement(TessObject* counter, int32_t by) TESS_LINK_NAME("!MCounter.Increment");
extern int32_t CounterCount(TessObject* counter, uint32_t offset) TESS_LINK_NAME("!GCounter.Count");
extern void CounterSetLimit(TessObject* counter, uint32_t offset, int32_t limit)
    TESS_LINK_NAME("!SCounter.Limit");
extern TessString* CounterText(int32_t n) TESS_LINK_NAME("!MCounterText");

extern char TessApplication[];
extern char TessPlugins[];

enum { kLapClass = 1, kCountOffset = 16, kLimitOffset = 20 };

static int32_t g_laps;

int32_t lap_reached(TessObject* counter, int32_t value) {
  (void)counter;
  (void)value;
  ++g_laps;
  return 1;
}

void TessMain(void) {
  TessObject* lap;
  TessString* text;
  int32_t i;
  Win32InstallPlugins(TessPlugins);
  RuntimeInit(TessApplication);
  lap = RuntimeNewObject(kLapClass);
  CounterSetLimit(lap, kLimitOffset, 4);
  for (i = 0; i < 10; ++i) CounterIncrement(lap, 1);
  text = CounterText(g_laps * 4 + CounterCount(lap, kCountOffset));
  host_puts(StringToCString(text));
  RuntimeUnlockString(text);
  RuntimeUnlockObject(lap);
}
