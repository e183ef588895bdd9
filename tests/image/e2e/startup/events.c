/* An application class with Open, NewDocument and OpenDocument handlers. */
#include "say.h"

void AppOpen(TessObject* self) {
  say("Open");
}
void AppNewDocument(TessObject* self) {
  say("NewDocument");
}

void AppOpenDocument(TessObject* self, TessObject* item) {
  TessString* path = fileNameGetter(item, 0);
  host_write(1, "OpenDocument ", 13);
  say(StringToCString(path));
  RuntimeUnlockString(path);
}

void TessMain(void) {
  RuntimeInit(TessApplication);
  RuntimeRun();
  say("run loop ended");
}
