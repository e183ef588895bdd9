/* Deferred member references: property accessors of a framework class named
   by "!G" and "!S" link names, bound during RuntimeInit. */
#include "say.h"

extern TessString* MessageGetter(TessObject* object, uint32_t offset)
    TESS_LINK_NAME("!GRuntimeException.Message");
extern void MessageSetter(TessObject* object, uint32_t offset, TessString* value)
    TESS_LINK_NAME("!SRuntimeException.Message");

extern TessString kText;

void TessMain(void) {
  TessObject* error;
  TessString* message;
  RuntimeInit(TessApplication);
  error = RuntimeNewObject(0);
  MessageSetter(error, 24, &kText);
  message = MessageGetter(error, 24);
  say(StringToCString(message));
  RuntimeUnlockString(message);
  RuntimeUnlockObject(error);
  say(kText.refCount == 1 ? "constant released" : "constant still held");
}
