/* Names a host library that does not exist: the image must not start. */
#include <tessera/image.h>

extern void nothing(void) TESS_LIBRARY_ROUTINE("libtessera-missing.so", "nothing");
extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");

void TessMain(void) {
  host_write(1, "started\n", 8);
  nothing();
}
