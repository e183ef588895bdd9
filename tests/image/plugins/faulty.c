/* A plug-in whose TessPluginMain raises before it registers anything. */
#include <tessera/plugin.h>

TESS_PLUGIN_MAIN {
  void (*nilObject)(void) = (void (*)(void))lookup("RuntimeNilObject");
  if (nilObject) nilObject();
}
