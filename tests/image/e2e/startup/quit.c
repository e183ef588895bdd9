/* Quitting: Close fires once, a second quit during the first returns false,
   and the EndException that ends the quit ends the process silently. */
#include "say.h"

void AppOpen(TessObject* self) {
  say("Open");
  ApplicationQuit();
  say("not reached: EndException ends the application");
}

void AppClose(TessObject* self) {
  say("Close");
  say(ApplicationQuit() ? "second quit: true" : "second quit: false");
}

void TessMain(void) {
  RuntimeInit(TessApplication);
  say("not reached either");
}
