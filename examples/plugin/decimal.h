/* Numbers as text for the sample plug-ins, which link nothing but what the
   runtime hands them: n in decimal followed by `suffix`, into text (room
   for 12 bytes plus the suffix); the number of bytes written. */
#ifndef SAMPLE_PLUGIN_DECIMAL_H
#define SAMPLE_PLUGIN_DECIMAL_H

#include <stdint.h>

static int DecimalText(char* text, int32_t n, const char* suffix) {
  char digits[12];
  int used = 0, count = 0;
  uint32_t magnitude = n < 0 ? 0u - (uint32_t)n : (uint32_t)n;
  if (n < 0) text[used++] = '-';
  do {
    digits[count++] = (char)('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  while (count > 0) text[used++] = digits[--count];
  for (const char* p = suffix; *p; ++p) text[used++] = *p;
  return used;
}

#endif
