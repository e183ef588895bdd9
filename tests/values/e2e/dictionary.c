/* Dictionary and Collection from compiled code: members bound through
   deferred references (Value's assignment form is its second entry),
   Variant doubles coming back on the x87 stack, string keys matched without
   regard to case, and every reference given back by the end. */
#include "../../image/e2e/startup/say.h"

extern TessObject* DictionaryValue(TessObject* d, TessObject* key)
    TESS_LINK_NAME("!MDictionary.Value");
extern void DictionaryAssign(TessObject* d, TessObject* key, TessObject* value)
    TESS_LINK_NAME("!WDictionary.Value");
extern int32_t DictionaryHasKey(TessObject* d, TessObject* key)
    TESS_LINK_NAME("!MDictionary.HasKey");
extern int32_t DictionaryCount(TessObject* d, uint32_t parameter)
    TESS_LINK_NAME("!GDictionary.Count");
extern void DictionarySetBins(TessObject* d, uint32_t parameter, int32_t bins)
    TESS_LINK_NAME("!SDictionary.BinCount");
extern int32_t DictionaryBins(TessObject* d, uint32_t parameter)
    TESS_LINK_NAME("!GDictionary.BinCount");
extern void CollectionAdd(TessObject* c, TessObject* value, TessString* key)
    TESS_LINK_NAME("!MCollection.Add");
extern TessObject* CollectionItem(TessObject* c, int32_t index) TESS_LINK_NAME("!MCollection.Item");

extern TessString kApple, kAPPLE, kPear;

static void check(const char* what, int ok) {
  host_write(1, what, host_strlen(what));
  host_write(1, ok ? ": ok\n" : ": WRONG\n", ok ? 5 : 8);
}

void TessMain(void) {
  TessObject *d, *c, *key, *sameKey, *value, *found, *item;
  int32_t objects;
  RuntimeInit(TessApplication);
  objects = RuntimeDebugObjectCount(0);
  d = RuntimeNewObject(0);
  c = RuntimeNewObject(1);
  key = stringToVariant(&kApple);
  sameKey = stringToVariant(&kAPPLE);
  value = doubleToVariant(2.5);

  DictionaryAssign(d, key, value);
  check("one entry", DictionaryCount(d, 0) == 1);
  found = DictionaryValue(d, sameKey);
  check("found under another case", found == value);
  check("double through the x87 stack", variantToDouble(found) == 2.5);
  RuntimeUnlockObject(found);
  check("HasKey", DictionaryHasKey(d, sameKey) == 1);
  DictionarySetBins(d, 0, 7);
  check("BinCount fixed", DictionaryBins(d, 0) == 7);

  CollectionAdd(c, value, &kPear);
  item = CollectionItem(c, 1);
  check("collection item", item == value);
  check("key held by the element", kPear.refCount == 2);
  RuntimeUnlockObject(item);

  RuntimeUnlockObject(d);
  RuntimeUnlockObject(c);
  RuntimeUnlockObject(value);
  RuntimeUnlockObject(sameKey);
  RuntimeUnlockObject(key);
  check("strings given back", kApple.refCount == 1 && kPear.refCount == 1);
  check("objects given back", RuntimeDebugObjectCount(0) == objects);
}
