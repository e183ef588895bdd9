/* Declarations of the runtime's entry points, for plug-ins, tests and
   application images written in C. In an image each call becomes a named call
   site that the loader binds through the runtime link table. */
#ifndef TESSERA_RUNTIME_H
#define TESSERA_RUNTIME_H

#include "tessera/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TESS_ENTRY(result, name, params) result name params;
#include "tessera/entry_points.h"
#undef TESS_ENTRY

#ifdef __cplusplus
}
#endif

#endif
