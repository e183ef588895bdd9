/* Layouts shared between the runtime, compiled application code and plug-ins.
   Every field is 32 bits wide on the i386 target; the runtime proves the
   offsets with static assertions, so a change here fails the build. */
#ifndef TESSERA_TYPES_H
#define TESSERA_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A runtime string: immutable, reference-counted bytes. The null pointer is
   the empty string. `buffer` holds a length byte (255 for 255 or more), the
   text, and a final NUL, so it serves as a Pascal and as a C string. */
typedef struct TessString {
  uint32_t refCount;
  uint8_t* buffer;
  uint32_t bufferSize;
  int32_t length;
  uint32_t encoding;
} TessString;

/* Objects are opaque to plug-ins and images beyond their address. */
typedef struct TessObject TessObject;

/* Arrays are opaque beyond their address; the code that creates one owns it
   and disposes of it. A boolean array's block may move when it is resized. */
typedef struct TessArray TessArray;
typedef struct TessBoolArray TessBoolArray;

/* Database engine and cursor entry tables (tessera/database.h). */
typedef struct TessDBEngineDefinition TessDBEngineDefinition;
typedef struct TessDBCursorDefinition TessDBCursorDefinition;

#ifdef __cplusplus
}
#endif

#endif
