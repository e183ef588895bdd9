/* A library that loads but is no plug-in: it exports no TessPluginMain. */
__attribute__((visibility("default"))) int NotAPlugin(void) {
  return 1;
}
