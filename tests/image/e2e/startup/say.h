/* Output for start-up test images: one line per event, through libc. */
#ifndef STARTUP_SAY_H
#define STARTUP_SAY_H

#include <tessera/image.h>

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");
extern unsigned long host_strlen(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "strlen");

static void say(const char* text) {
  host_write(1, text, host_strlen(text));
  host_write(1, "\n", 1);
}

/* The descriptor the description file lays out. */
extern char TessApplication[];

#endif
