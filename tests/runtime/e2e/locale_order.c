/* String comparison and sorting in the user's locale, from compiled code: "="
   ignores case, and a sort follows the locale's order. Run with the
   environment's locale variables cleared and with an explicit one. */
#include <tessera/image.h>

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");

TESS_STRING(kLower, "abc");
TESS_STRING(kUpper, "ABC");
TESS_STRING(kOther, "abd");
TESS_STRING(kB, "b");
TESS_STRING(kBigA, "A");
TESS_STRING(kBigB, "B");
TESS_STRING(kA, "a");
TESS_STRING(kZ, "z");
TESS_STRING(kAUmlaut, "\xe4");
TESS_STRING(kComma, ",");

static void print(TessString* s) {
  if (s) host_write(1, s->buffer + 1, (unsigned long)s->length);
}

static void line(const char* text, unsigned long length) {
  host_write(1, text, length);
}

static void printSorted(TessString** items, int count) {
  TessArray* array = RuntimeCreateArray();
  TessString* joined = 0;
  int i;
  RuntimeArrayCreateAddIndex(array, 0, -1);
  for (i = 0; i < count; i++) RuntimeStringArrayAppend(array, items[i]);
  RuntimeStringArraySort(array);
  for (i = 0; i < count; i++) {
    TessString* item = RuntimeDirectReadStringArray(array, i);
    TessString* next = RuntimeAddString(joined, i ? &kComma : 0);
    RuntimeUnlockString(joined);
    joined = RuntimeAddString(next, item);
    RuntimeUnlockString(next);
    RuntimeUnlockString(item);
  }
  print(joined);
  line("\n", 1);
  RuntimeUnlockString(joined);
  RuntimeDisposeStringArray(array);
}

void TessMain(void) {
  TessString* letters[] = {&kB, &kBigA, &kBigB, &kA};
  TessString* accents[] = {&kZ, &kAUmlaut, &kA};
  line(RuntimeStringCompare(&kLower, &kUpper) == 0 ? "abc = ABC\n" : "abc <> ABC\n", 10);
  line(RuntimeStringCompare(&kLower, &kOther) < 0 ? "abc < abd\n" : "abc >= abd\n",
       RuntimeStringCompare(&kLower, &kOther) < 0 ? 10 : 11);
  printSorted(letters, 4);
  printSorted(accents, 3);
}
