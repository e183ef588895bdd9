/* Two classes derive from Application: the later one becomes the application. */
#include "say.h"

void FirstOpen(TessObject* self) {
  say("first class opened");
}
void SecondOpen(TessObject* self) {
  say("second class opened");
}

void TessMain(void) {
  RuntimeInit(TessApplication);
  RuntimeRun();
}
