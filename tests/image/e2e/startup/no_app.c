/* No application class: a plain Application object, whose Open finds no
   handler, and a project item that makes an instance into a slot. */
#include "say.h"

extern TessObject* HelperSlot;

void HelperCtor(TessObject* self, void* cls) {
  say("helper constructed");
}

void TessMain(void) {
  TessObject* app;
  TessString* name;
  RuntimeInit(TessApplication);
  app = getAppObject();
  name = RuntimeDebugObjectClass(0, 0);
  say(HelperSlot ? "slot filled" : "slot empty");
  say(StringToCString(name));
  RuntimeUnlockString(name);
  RuntimeUnlockObject(app);
  RuntimeRun();
  say("done");
}
