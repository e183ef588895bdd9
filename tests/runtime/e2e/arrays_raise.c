/* Arrays for the raising scenarios, and the checks that each array came
   through its raise unchanged. */
#include <tessera/image.h>

extern char TessApplication[];
void say(const char* text);
void guarded_read(void);
void guarded_matrix(void);

TessArray* make_array(void) {
  TessArray* a = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(a, 0, 9);
  RuntimeDirectWriteIntArray(a, 2, 7);
  return a;
}

void check_array(TessArray* a) {
  say(RuntimeUBound(a) == 9 && RuntimeDirectReadIntArray(a, 2) == 7 ? "array unchanged"
                                                                    : "ARRAY CHANGED");
  RuntimeDisposeIntArray(a);
}

TessArray* make_matrix(void) {
  TessArray* m = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(m, 0, 1);
  RuntimeArrayCreateAddIndex(m, 0, 4);
  return m;
}

void check_matrix(TessArray* m) {
  int32_t value;
  RuntimeArrayStartReadAccess(m, 1);
  value = RuntimeReadIntArray(m, 4);
  say(value == 0 && RuntimeUBound2Param(m, 2) == 4 ? "matrix unchanged" : "MATRIX CHANGED");
  RuntimeDisposeIntArray(m);
}

void TessMain(void) {
  int32_t objects;
  int32_t memory;
  RuntimeInit(TessApplication);
  objects = RuntimeDebugObjectCount(0);
  memory = RuntimeDebugMemoryUsed();
  guarded_read();
  guarded_matrix();
  say(RuntimeDebugObjectCount(0) == objects ? "no exception left alive" : "an exception leaked");
  say(RuntimeDebugMemoryUsed() == memory ? "memory returned" : "memory LEAKED");
}
