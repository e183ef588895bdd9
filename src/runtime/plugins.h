// Plug-ins as the object runtime sees them: the plug-in records, the current
// plug-in while its TessPluginMain runs, and what plug-ins register through
// the callbacks: global methods, classes and interfaces, additions to
// existing classes, controls and data sources (records in tessera/plugin.h).
//
// Loading libraries is start-up's (src/image); this file keeps only what was
// registered and answers the lookups of the class registry: classes by name
// after the framework registry, global methods for deferred references.
// Everything here happens on the main thread during start-up; afterwards it
// is only read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/object_layout.h"
#include "tessera/plugin.h"

namespace tess {

struct PluginRecord {
  PluginRecord* next = nullptr;
  const void* exportTable = nullptr;
  int32_t reserved[2] = {-1, -1};
  uint32_t reserved2 = 0;
  uint8_t flags[2] = {0, 0};
  int32_t version = 1;
  uint8_t databaseEngineFlag = 0;
  std::string path;
  void* module = nullptr;
};

// Creates the record of a plug-in about to run its TessPluginMain, puts it
// at the front of the plug-in list and makes it current.
PluginRecord* BeginPlugin(std::string path, void* module);
// Clears the current plug-in once its TessPluginMain has returned.
void EndPlugin();
PluginRecord* CurrentPlugin();
// Loaded plug-ins, newest first.
PluginRecord* FirstPlugin();

// Gives each registered class its superclass and interfaces by name, reports
// those not found, and links the classes.
void LinkPluginClasses();

// A class or interface of a plug-in (controls included); null when none.
ClassObject* FindPluginClass(std::string_view name);
// The definition a plug-in control class, or the nearest plug-in control it
// descends from, was registered with; null for every other class.
const TessPluginControl* PluginControlOf(const ClassObject* cls);
// The classes registered as controls, in registration order.
std::vector<ClassObject*> PluginControlClasses();
// The newest global plug-in method of that name: its code for a deferred "M"
// reference, its alternate code for any other kind; null when none.
void* FindPluginMethod(std::string_view name, char kind);
// A registered data source's maker, or null.
TessObject* (*FindDataSource(std::string_view name))();

// How plug-in problems reach the user: the runtime message box.
void ReportPluginProblem(const std::string& text);

// Forgets every plug-in registration (tests).
void ResetPluginsForTest();

}  // namespace tess
