/* Helpers for writing application images in C (examples, tests, tools).
   Compile with -m32 -fno-pic -fno-optimize-sibling-calls and build the image
   with tessimage (or tessera_add_image in CMake). */
#ifndef TESSERA_IMAGE_H
#define TESSERA_IMAGE_H

#include "tessera/runtime.h"

/* A string constant laid out as the compiler lays it out: a length-prefixed
   text followed by a string value with reference count 1 that the image owns
   for the whole run. */
#define TESS_STRING(name, literal)                                         \
  static struct {                                                          \
    unsigned char length;                                                  \
    char text[sizeof(literal)];                                            \
  } name##_text_ = {(sizeof(literal) - 1) > 254 ? 255 : sizeof(literal) - 1, \
                    literal};                                              \
  static TessString name = {1, (uint8_t*)&name##_text_, sizeof(literal) - 1, \
                            sizeof(literal) - 1, 0x0600}

/* Binds a declaration to a routine of a host shared library ("!X" form):
     extern int host_puts(const char*) TESS_LIBRARY_ROUTINE("libc.so.6", "puts"); */
#define TESS_LIBRARY_ROUTINE(library, routine) __asm__("\"!X" library "!" routine "\"")

/* Binds a declaration to a link name given verbatim, for example a deferred
   member reference: TESS_LINK_NAME("!MDictionary.Count"). */
#define TESS_LINK_NAME(name) __asm__("\"" name "\"")

#endif
