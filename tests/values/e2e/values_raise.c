/* Values for the raising scenarios and the checks that each came through
   its raise unchanged; then Date properties bound by name, with TotalSeconds
   on the x87 stack. */
#include <tessera/image.h>

extern char TessApplication[];
void say(const char* text);
void report_class(const char* what, TessObject* exception);
void guarded_missing_key(void);
void guarded_mismatch(void);
void guarded_block(void);

extern void DateSetTotalSeconds(TessObject* date, uint32_t parameter, double seconds)
    TESS_LINK_NAME("!SDate.TotalSeconds");
extern double DateTotalSeconds(TessObject* date, uint32_t parameter)
    TESS_LINK_NAME("!GDate.TotalSeconds");
extern int32_t DateDay(TessObject* date, uint32_t parameter) TESS_LINK_NAME("!GDate.Day");
extern void DateSetMonth(TessObject* date, uint32_t parameter, int32_t month)
    TESS_LINK_NAME("!SDate.Month");
extern int32_t DateYear(TessObject* date, uint32_t parameter) TESS_LINK_NAME("!GDate.Year");

enum { kDictionaryClass = 3, kDateClass = 4, kYear = 0, kMonth = 1, kDay = 2 };

TessObject* make_dictionary(void) {
  TessObject* d = RuntimeNewObject(kDictionaryClass);
  TessObject* key = intToVariant(1);
  TessObject* value = intToVariant(10);
  dictionaryValueSetter(d, key, value);
  RuntimeUnlockObject(key);
  RuntimeUnlockObject(value);
  return d;
}

TessObject* missing_key(void) {
  static TessObject* key;
  if (!key) key = doubleToVariant(1.0);
  return key;
}

void check_dictionary(TessObject* d) {
  say(dictionaryCount(d, 0) == 1 ? "dictionary unchanged" : "DICTIONARY CHANGED");
  RuntimeUnlockObject(d);
}

TessObject* integer_variant(void) {
  return intToVariant(5);
}

TessObject* make_block(void) {
  TessObject* b = newMemoryBlock(4);
  memorySetLong(b, 0, 0x01020304);
  return b;
}

void check_block(TessObject* b) {
  say(memoryGetLong(b, 0) == 0x01020304 && memoryBlockGetSize(b, 0) == 4 ? "block unchanged"
                                                                         : "BLOCK CHANGED");
  RuntimeUnlockObject(b);
}

void TessMain(void) {
  int32_t objects;
  TessObject* date;
  RuntimeInit(TessApplication);
  missing_key(); /* made before counting */
  objects = RuntimeDebugObjectCount(0);
  guarded_missing_key();
  guarded_mismatch();
  guarded_block();
  say(RuntimeDebugObjectCount(0) == objects ? "nothing left alive" : "an object leaked");
  RuntimeUnlockObject(missing_key());

  date = RuntimeNewObject(kDateClass);
  DateSetTotalSeconds(date, 0, 86400.0 * 31);
  say(DateTotalSeconds(date, 0) == 86400.0 * 31 ? "TotalSeconds on the x87 stack"
                                                : "TotalSeconds WRONG");
  say(DateDay(date, kDay) == 1 ? "1 February 1904" : "DAY WRONG");
  DateSetMonth(date, kMonth, 13);
  say(DateYear(date, kYear) == 1905 && DateDay(date, kDay) == 1 ? "month 13 is January 1905"
                                                                : "MONTH 13 WRONG");
  RuntimeUnlockObject(date);
}
