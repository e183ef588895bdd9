/* Unhandled exceptions: UnhandledException fires and declines, then the
   message names the class and the process ends with exit code 0. */
#include <tessera/image.h>

extern char TessApplication[];
void say(const char* text);
void raise_nil(void);
void guarded_past_gap(void);

int32_t AppUnhandled(TessObject* self, TessObject* error) {
  say("UnhandledException fired");
  return 0;
}

void TessMain(void) {
  RuntimeInit(TessApplication);
  say("raising past a gap");
  guarded_past_gap();
  say("not reached");
}
