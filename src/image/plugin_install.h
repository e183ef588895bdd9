// Installing the image's plug-ins during RuntimeInit, and loading one
// plug-in library from a path (format and order in plugin_install.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tess::image {

struct EmbeddedPlugin {
  std::string name;  // the file name it is installed under
  const uint8_t* bytes;
  size_t size;
};

// The embedded list from its head node, in installation order (the reverse
// of the list's). A node that leaves the data segment, is cut short or comes
// round again is reported and ends the list; one without a usable file name
// is reported and skipped.
std::vector<EmbeddedPlugin> ReadPluginList(const uint8_t* head);

// Writes out, loads and starts every plug-in of the list the image gave
// Win32InstallPlugins, then links the classes they registered.
void InstallPlugins();

// Loads the library at `path` (a Windows path or a host path) and runs its
// TessPluginMain; a library that does not load, lacks the entry or raises
// from it is reported and skipped.
void LoadPlugin(const std::string& path);

}  // namespace tess::image
