/* Output helpers for the exception images, written in C and called from the
   assembler routines with plain calls (they never raise). */
#include <tessera/image.h>

extern long host_write(int fd, const void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "write");
extern unsigned long host_strlen(const char* text) TESS_LIBRARY_ROUTINE("libc.so.6", "strlen");

void say(const char* text) {
  host_write(1, text, host_strlen(text));
  host_write(1, "\n", 1);
}

/* "<what> <class of the exception>", reading the shared object layout:
   the class object is the header's second word, its name the fourth word. */
void report_class(const char* what, TessObject* exception) {
  void* cls = ((void**)exception)[1];
  TessString* name = ((TessString**)cls)[3];
  host_write(1, what, host_strlen(what));
  host_write(1, " ", 1);
  say(StringToCString(name));
}

int32_t g_baseline;
int32_t g_depth;

void remember_memory(void) {
  g_baseline = RuntimeDebugMemoryUsed();
}

void report_memory(void) {
  say(RuntimeDebugMemoryUsed() == g_baseline ? "locals released once each" : "locals NOT released");
}

void report_depth(void) {
  say(g_depth > 1000 ? "recursed deeply" : "recursed too little");
}
