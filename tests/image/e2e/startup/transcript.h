/* Transcript lines of the window tests' images: texts and numbers put
   together without the C library's formatting, then said one a line. */
#ifndef UI_E2E_TRANSCRIPT_H
#define UI_E2E_TRANSCRIPT_H

#include "say.h"

/* Copies `what` to `text`; the number of bytes copied. */
static inline int appendText(char* text, const char* what) {
  int i = 0;
  while (what[i]) {
    text[i] = what[i];
    ++i;
  }
  return i;
}

/* Appends the decimal digits of n to text at *at. */
static inline void appendNumber(char* text, int* at, int32_t n) {
  char digits[12];
  int k = 0;
  uint32_t v = n < 0 ? 0u - (uint32_t)n : (uint32_t)n;
  if (n < 0) text[(*at)++] = '-';
  do {
    digits[k++] = (char)('0' + v % 10);
    v /= 10;
  } while (v);
  while (k) text[(*at)++] = digits[--k];
}

static inline void sayNumber(const char* what, int32_t n) {
  char text[80];
  int at = appendText(text, what);
  appendNumber(text, &at, n);
  text[at] = 0;
  say(text);
}

/* "what x,y". */
static inline void sayPoint(const char* what, int32_t x, int32_t y) {
  char text[80];
  int at = appendText(text, what);
  appendNumber(text, &at, x);
  text[at++] = ',';
  appendNumber(text, &at, y);
  text[at] = 0;
  say(text);
}

/* Enables the menu items of these names: an EnableMenuItems handler's work. */
static inline void enableItems(TessString* const* names, unsigned count) {
  unsigned i;
  for (i = 0; i < count; ++i) {
    TessObject* item = RuntimeMenuReference(names[i]);
    RuntimeEnableMenu(item);
    RuntimeUnlockObject(item);
  }
}

#endif
