/* An image that exercises every way the loader binds and relocates: named
   calls to the link table in any letter case, host library routines, code
   addresses and data addresses inside data, and data addresses inside code. */
#include <tessera/image.h>

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");
extern unsigned long host_strlen(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "strlen");
extern void msgbox_lower_case(TessString* message) TESS_LINK_NAME("runtimemsgbox");

TESS_STRING(kTitle, "Bound through the runtime link table");
TESS_STRING(kLower, "Bound through a lower-case name");

static void say(const char* text) {
  host_write(1, text, host_strlen(text));
  host_write(1, "\n", 1);
}

static void first(void) { say("code address in data: first"); }
static void second(void) { say("code address in data: second"); }

/* Code addresses in data (code-base fix-ups) and data addresses in data
   (data-base fix-ups), with a gap between them. */
static void (*routines[])(void) = {first, second};
static char gap[6000] = {1};
static const char* texts[] = {"data address in data: one", "data address in data: two"};
static int counter = 41;

void TessMain(void) {
  int i;
  say("entry routine running");
  RuntimeMsgBox(&kTitle);
  msgbox_lower_case(&kLower);
  for (i = 0; i < 2; ++i) routines[i]();
  for (i = 0; i < 2; ++i) say(texts[i]);
  counter += gap[0];
  if (counter == 42) say("static variable through a data address in code");
  say("entry routine returning");
}
