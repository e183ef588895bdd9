/* Names a routine its library lacks: the image must not start. */
#include <tessera/image.h>

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");
extern void nothing(void) TESS_LIBRARY_ROUTINE("libc.so.6", "tessera_no_such_routine");

void TessMain(void) {
  host_write(1, "started\n", 8);
  nothing();
}
