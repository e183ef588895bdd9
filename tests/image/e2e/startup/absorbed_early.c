/* An exception absorbed by UnhandledException before the run loop exists
   has nowhere to resume: the application ends with the message. */
#include "say.h"

void AppOpen(TessObject* self) {
  say("Open raises");
  RuntimeNilObject();
  say("not reached");
}

int32_t AppUnhandled(TessObject* self, TessObject* error) {
  say("UnhandledException absorbs it");
  return 1;
}

void TessMain(void) {
  RuntimeInit(TessApplication);
  say("not reached either");
}
