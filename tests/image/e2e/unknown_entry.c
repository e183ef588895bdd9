/* Calls an entry point the runtime does not have: the image must not start. */
#include <tessera/image.h>

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");
extern void RuntimeNoSuchEntry(void);

void TessMain(void) {
  host_write(1, "started\n", 8);
  RuntimeNoSuchEntry();
}
