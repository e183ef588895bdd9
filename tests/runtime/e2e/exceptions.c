/* Runs the exception scenarios one after the other. */
#include <tessera/image.h>

extern char TessApplication[];
void say(const char* text);
void guarded_nil(void);
void guarded_interface(void);
void guarded_in_handler(void);
void guarded_locals(void);
void guarded_overflow(void);

void TessMain(void) {
  int32_t before;
  RuntimeInit(TessApplication);
  before = RuntimeDebugObjectCount(0);
  guarded_nil();
  guarded_interface();
  guarded_in_handler();
  guarded_locals();
  guarded_overflow();
  say(RuntimeDebugObjectCount(0) == before ? "no exception left alive" : "an exception leaked");
}
