/* The runtime's entry points: the one list from which the public declarations
   (tessera/runtime.h) and the runtime link table are generated. Every entry
   here is implemented; the link table holds exactly these names.

   TESS_ENTRY(result, Name, (parameters))

   Entry points follow the image calling convention: arguments pushed right to
   left and removed by the caller, results in EAX (floating point on the x87
   stack). Strings and objects returned carry one reference for the caller. */

/* Start-up and messages */
TESS_ENTRY(void, RuntimeMsgBox, (TessString * message))
