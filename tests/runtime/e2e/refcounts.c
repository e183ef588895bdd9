/* Drives the register probes over strings and objects, including the unlock
   that frees a string, and reports what it saw. */
#include <tessera/image.h>

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");
extern unsigned long host_strlen(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "strlen");

int probe_lock_string(TessString* s);
int probe_unlock_string(TessString* s);
int probe_lock_object(TessObject* o);
int probe_unlock_object(TessObject* o);

TESS_STRING(kLeft, "left ");
TESS_STRING(kRight, "right");

static void report(const char* what, int kept) {
  host_write(1, what, host_strlen(what));
  host_write(1, kept ? ": kept\n" : ": CLOBBERED\n", kept ? 7 : 12);
}

void TessMain(void) {
  int32_t before = RuntimeDebugMemoryUsed();
  TessString* joined = RuntimeAddString(&kLeft, &kRight);
  TessObject* debugger;
  report("lock string", probe_lock_string(joined));
  report("unlock string", probe_unlock_string(joined));
  report("unlock string to zero", probe_unlock_string(joined));
  report("unlock nil string", probe_unlock_string(0));
  report("lock string constant", probe_lock_string(&kLeft));
  report("unlock string constant", probe_unlock_string(&kLeft));
  report("string memory released", RuntimeDebugMemoryUsed() == before);
  debugger = RuntimeDebugInstance();
  report("lock object", probe_lock_object(debugger));
  report("unlock object", probe_unlock_object(debugger));
  report("unlock nil object", probe_unlock_object(0));
  RuntimeUnlockObject(debugger);
  report("constant reference count", kLeft.refCount == 1);
}
