/* A plug-in whose registrations are partly wrong: a method naming an unknown
   type, a class whose superclass does not exist, and a version 2 method that
   registers nothing. What is right still registers. */
#include <tessera/plugin.h>

static int32_t Answer(void) {
  return 42;
}

static const TessPluginMethod kUnknownType = {(void*)&Answer, 0, "Frob(w As Widget)"};
static const TessPluginMethod kAnswer = {(void*)&Answer, 0, "Answer() As Integer"};
static const TessPluginClass kOrphan = {"Orphan", "Nowhere", 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

TESS_PLUGIN_MAIN {
  TessRegisterVersionRoutine version = (TessRegisterVersionRoutine)lookup("registerpluginversion");
  TessRegisterMethodRoutine method = (TessRegisterMethodRoutine)lookup("PluginRegisterMethod");
  TessRegisterClassRoutine registerClass = (TessRegisterClassRoutine)lookup("PluginRegisterClass");
  version(2);
  method(&kAnswer);
  version(TESS_PLUGIN_VERSION);
  method(&kUnknownType);
  method(&kAnswer);
  registerClass(&kOrphan);
}
