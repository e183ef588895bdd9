// Installing the image's plug-ins during RuntimeInit, and loading one
// plug-in library from a path (format and order in plugin_install.cpp).
#pragma once

#include <string>

namespace tess::image {

// Writes out, loads and starts every plug-in of the list the image gave
// Win32InstallPlugins, then links the classes they registered.
void InstallPlugins();

// Loads the library at `path` (a Windows path or a host path) and runs its
// TessPluginMain; a library that does not load, lacks the entry or raises
// from it is reported and skipped.
void LoadPlugin(const std::string& path);

}  // namespace tess::image
