/* The smallest Tessera application image written in C: its entry routine
   greets the user through the runtime's message box, then writes a line
   through a routine of a host shared library bound by name. */
#include <tessera/image.h>

extern int host_puts(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "puts");

TESS_STRING(kGreeting, "Hello from a Tessera application image.");

void TessMain(void) {
  RuntimeMsgBox(&kGreeting);
  host_puts("The image was loaded, linked and run by the Tessera runtime.");
}
