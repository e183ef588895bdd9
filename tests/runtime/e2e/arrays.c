/* Arrays driven through named call sites: singles and doubles come back on
   the x87 stack, strings with one reference for the caller, and a boolean
   array moves with its resizing entries. Each line reports one check. */
#include <tessera/image.h>

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");
extern unsigned long host_strlen(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "strlen");

TESS_STRING(kPear, "pear");
TESS_STRING(kApple, "apple");
TESS_STRING(kFig, "fig");

static void report(const char* what, int ok) {
  host_write(1, what, host_strlen(what));
  host_write(1, ok ? ": ok\n" : ": WRONG\n", ok ? 5 : 8);
}

void TessMain(void) {
  int32_t before = RuntimeDebugMemoryUsed();
  TessArray* d = RuntimeCreateArray();
  TessArray* s = RuntimeCreateArray();
  TessArray* m = RuntimeCreateArray();
  TessBoolArray* b;
  TessString* first;
  RuntimeArrayCreateAddIndex(d, 0, 3);
  RuntimeDirectWriteDoubleArray(d, 2, 2.5);
  RuntimeDoubleArrayAppend(d, -1.25);
  report("double read back", RuntimeDirectReadDoubleArray(d, 2) == 2.5);
  report("double never written", RuntimeDirectReadDoubleArray(d, 1) == 0.0);
  RuntimeDoubleArraySort(d);
  report("doubles sorted",
         RuntimeDirectReadDoubleArray(d, 0) == -1.25 && RuntimeDirectReadDoubleArray(d, 4) == 2.5);
  RuntimeDisposeIntArray(d);

  RuntimeArrayCreateAddIndex(s, 0, -1);
  RuntimeStringArrayAppend(s, &kPear);
  RuntimeStringArrayAppend(s, &kApple);
  RuntimeStringArrayInsert(s, 1, &kFig);
  report("string appended with a reference", kPear.refCount == 2);
  RuntimeStringArraySort(s);
  first = RuntimeDirectReadStringArray(s, 0);
  report("strings sorted", first == &kApple && RuntimeUBound(s) == 2);
  RuntimeUnlockString(first);
  RuntimeStringArrayRemove(s, 2);
  report("removed string released", kPear.refCount == 1);
  RuntimeDisposeStringArray(s);
  report("disposed strings released", kApple.refCount == 1 && kFig.refCount == 1);

  RuntimeArrayCreateAddIndex(m, 0, 2);
  RuntimeArrayCreateAddIndex(m, 0, 2);
  RuntimeArrayStartWriteAccess(m, 1);
  RuntimeWriteSingleArray(m, 2, 0.75f);
  RuntimeArrayStartReadAccess(m, 1);
  report("single through the access walk", RuntimeReadSingleArray(m, 2) == 0.75f);
  RuntimeArrayStartReadAccess(m, 2);
  report("single in a row never written", RuntimeReadSingleArray(m, 2) == 0.0f);
  RuntimeDisposeIntArray(m);

  b = RuntimeCreateFastBooleanArray(2);
  b = RuntimeFastBooleanArrayAppend(b, 1);
  b = RuntimeFastBooleanArrayInsert(b, 0, 1);
  report("booleans", RuntimeFastArrayUBound(b) == 4 && RuntimeFastReadBoolArray(b, 0) == 1 &&
                         RuntimeFastReadBoolArray(b, 1) == 0 &&
                         RuntimeFastReadBoolArray(b, 4) == 1);
  RuntimeDisposeFastBooleanArray(b);
  report("memory returned", RuntimeDebugMemoryUsed() == before);
}
