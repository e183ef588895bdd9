/* A sample plug-in: the class "Counter" with a property Count, a property
   Limit, a method Increment and an event Reached, which fires when Count
   reaches Limit (a handler returning True starts the count again), and the
   global method CounterText. Built as a 32-bit shared library that links
   nothing of the runtime: it finds every runtime routine it uses through
   the lookup routine TessPluginMain is given. */
#include <tessera/plugin.h>

#include "decimal.h"

enum { kCountOffset = 16, kLimitOffset = 20, kCounterSize = 24, kDefaultLimit = 10 };

static TessGetEventInstanceRoutine g_eventInstance;
static TessString* (*g_buildString)(const void* bytes, int32_t length);

static int32_t* Field(TessObject* self, int offset) {
  return (int32_t*)((char*)self + offset);
}

static const TessPluginEvent kEvents[] = {
    {"Reached(value As Integer) As Boolean"},
};

static void Construct(TessObject* self) {
  *Field(self, kLimitOffset) = kDefaultLimit;
}

static void Increment(TessObject* self, int32_t by) {
  int32_t* count = Field(self, kCountOffset);
  int32_t limit = *Field(self, kLimitOffset);
  int32_t before = *count;
  *count += by;
  if (limit <= 0 || before >= limit || *count < limit) return;
  int32_t (*reached)(TessObject*, int32_t) =
      (int32_t(*)(TessObject*, int32_t))g_eventInstance(self, &kEvents[0]);
  if (reached && (reached(self, *count) & 0xFF)) *count = 0;
}

static void Reset(TessObject* self) {
  *Field(self, kCountOffset) = 0;
}

/* CounterText(n): "n counted" with n in decimal. */
static TessString* CounterText(int32_t n) {
  char text[32];
  return g_buildString(text, DecimalText(text, n, " counted"));
}

static const TessPluginProperty kProperties[] = {
    {"Count As Integer", 0, 0, kCountOffset},
    {"Limit As Integer", 0, 0, kLimitOffset},
};

static const TessPluginMethod kMethods[] = {
    {(void*)&Increment, 0, "Increment(by As Integer)"},
    {(void*)&Reset, 0, "Reset"},
};

static const TessPluginClass kCounter = {
    "Counter", 0, kCounterSize, &Construct, 0, kProperties, 2, kMethods, 2, kEvents, 1, 0, 0,
};

static const TessPluginMethod kCounterText = {(void*)&CounterText, 0,
                                              "CounterText(n As Integer) As String"};

TESS_PLUGIN_MAIN {
  TessRegisterVersionRoutine version = (TessRegisterVersionRoutine)lookup("RegisterPluginVersion");
  TessRegisterClassRoutine registerClass = (TessRegisterClassRoutine)lookup("PluginRegisterClass");
  TessRegisterMethodRoutine registerMethod =
      (TessRegisterMethodRoutine)lookup("PluginRegisterMethod");
  g_eventInstance = (TessGetEventInstanceRoutine)lookup("GetEventInstance");
  g_buildString = (TessString * (*)(const void*, int32_t)) lookup("TessBuildString");
  if (!version || !registerClass || !registerMethod || !g_eventInstance || !g_buildString) return;
  version(TESS_PLUGIN_VERSION);
  registerClass(&kCounter);
  registerMethod(&kCounterText);
}
