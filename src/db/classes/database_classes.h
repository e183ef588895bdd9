// The database classes applications use: Database, TessDatabase (the
// built-in single-file engine), RecordSet (also named ScrollableCursor),
// DatabaseField and DatabaseRecord, and project items of kind 10.
#pragma once

#include <string>

#include "runtime/class_records.h"
#include "runtime/object_layout.h"

namespace tess {

// Builds the classes and registers the built-in engine and the project item
// builder; later calls do nothing. Needs the value and file classes.
void InitDatabaseClasses();

ClassObject* DatabaseClass();
ClassObject* TessDatabaseClass();
ClassObject* RecordSetClass();
ClassObject* DatabaseFieldClass();
ClassObject* DatabaseRecordClass();
ClassObject* DatabaseQueryClass();

// The type of Database properties: a layout's pair names a project item.
extern const TypeDescriptor kDatabaseType;

// Pictures in database columns: the graphics layer above installs the
// conversions between picture objects and their stored bytes (`jpeg` picks
// the JPEG form over the picture's own). Without them picture columns read
// nil and pictures are not written.
struct DatabasePictureHooks {
  TessObject* (*fromBytes)(const std::string& bytes, bool jpeg);
  bool (*toBytes)(TessObject* picture, bool jpeg, std::string* bytes);
};
void SetDatabasePictureHooks(const DatabasePictureHooks& hooks);

}  // namespace tess
