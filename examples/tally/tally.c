/* Counts the words of a text with a Dictionary (string keys match without
   regard to case), sorts them with a string array, and prints each with its
   share formatted by a picture, then today's date in the user's long form.
   Only runtime entry points and libc's puts are used. */
#include <tessera/image.h>

extern int host_puts(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "puts");
extern TessString* DateLongDate(TessObject* date, uint32_t form) TESS_LINK_NAME("!GDate.LongDate");

extern char TessApplication[];
extern TessString kText, kSpace, kPercent, kTotalPicture;

enum { kDictionaryClass = 0, kDateClass = 1, kLongDateForm = 1 };

static void print(TessString* text) {
  host_puts(StringToCString(text));
  RuntimeUnlockString(text);
}

void TessMain(void) {
  TessObject *counts, *today;
  TessArray* words;
  int32_t n, i, total;
  RuntimeInit(TessApplication);
  counts = RuntimeNewObject(kDictionaryClass);
  total = StringCountFields(&kText, &kSpace);
  for (i = 1; i <= total; ++i) {
    TessString* word = StringNthField(&kText, &kSpace, i);
    TessObject* key = stringToVariant(word);
    int32_t seen = 0;
    TessObject* value;
    if (dictionaryHasKey(counts, key)) {
      TessObject* old = dictionaryValueGetter(counts, key);
      seen = variantToInt(old);
      RuntimeUnlockObject(old);
    }
    value = intToVariant(seen + 1);
    dictionaryValueSetter(counts, key, value);
    RuntimeUnlockObject(value);
    RuntimeUnlockObject(key);
    RuntimeUnlockString(word);
  }

  /* The keys in the order of the user's locale. */
  words = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(words, 0, -1);
  n = dictionaryCount(counts, 0);
  for (i = 0; i < n; ++i) {
    TessObject* key = dictionaryKey(counts, i);
    TessString* word = variantToString(key);
    RuntimeStringArrayAppend(words, word);
    RuntimeUnlockString(word);
    RuntimeUnlockObject(key);
  }
  RuntimeStringArraySort(words);

  print(StringFormat(total, &kTotalPicture));
  for (i = 0; i < n; ++i) {
    TessString* word = RuntimeDirectReadStringArray(words, i);
    TessObject* key = stringToVariant(word);
    TessObject* value = dictionaryValueGetter(counts, key);
    TessString* share = StringFormat((double)variantToInt(value) / total, &kPercent);
    TessString* line = RuntimeAddString(word, &kSpace);
    TessString* full = RuntimeAddString(line, share);
    print(full);
    RuntimeUnlockString(line);
    RuntimeUnlockString(share);
    RuntimeUnlockObject(value);
    RuntimeUnlockObject(key);
    RuntimeUnlockString(word);
  }
  RuntimeDisposeStringArray(words);
  RuntimeUnlockObject(counts);

  today = RuntimeNewObject(kDateClass);
  print(DateLongDate(today, kLongDateForm));
  RuntimeUnlockObject(today);
}
