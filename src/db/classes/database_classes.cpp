// Start-up of the database classes: the classes in the order their records
// name each other, the built-in engine among the registered ones, and the
// builder of project items of kind 10.
#include "db/classes/database_classes.h"

#include <cstring>

#include "base/byte_order.h"
#include "db/classes/objects.h"
#include "runtime/image_data.h"
#include "runtime/objects.h"
#include "runtime/project_items.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

namespace dbc {
void RegisterEngine(const TessDBEngineDefinition* engine);
}

namespace {

constexpr uint32_t kDatabaseItem = 10;

// Kind 10: u32 name length, u32 address of the name's bytes, two words. The
// name is the database file's path; the database connects on first use.
TessObject* BuildDatabaseItem(const uint8_t* record) {
  std::span<const uint8_t> bytes = ImageDataFrom(record);
  if (bytes.size() < 20) return nullptr;
  uint32_t length = le32(bytes.data() + 4);
  auto* name = reinterpret_cast<const uint8_t*>(uintptr_t(le32(bytes.data() + 8)));
  std::span<const uint8_t> text = ImageDataFrom(name);
  if (length > 0 && (!name || text.size() < length)) return nullptr;
  TessObject* object = CreateObject(TessDatabaseClass());
  auto* db = reinterpret_cast<dbc::TessDatabaseObject*>(object);
  db->itemWords[0] = le32(bytes.data() + 12);
  db->itemWords[1] = le32(bytes.data() + 16);
  if (length > 0) {
    std::string path(reinterpret_cast<const char*>(text.data()), length);
    db->base.databaseName = MakeString(path);
    // Named as GetFolderItem names files: relative to the current folder.
    db->databaseFile = RuntimeGetFolderItem(db->base.databaseName);
  }
  return object;
}

}  // namespace

const TypeDescriptor kDatabaseType{0, "Database", {}};

void InitDatabaseClasses() {
  if (dbc::BuiltDatabaseClass()) return;
  dbc::BuildDatabaseClasses();
  dbc::BuildRecordSetClasses();
  dbc::BuildRecordClass();
  dbc::BuildQueryClass();
  dbc::RegisterEngine(dbc::BuiltinEngine());
  SetProjectItemBuilder(kDatabaseItem, BuildDatabaseItem);
}

ClassObject* DatabaseClass() {
  return dbc::BuiltDatabaseClass();
}
ClassObject* TessDatabaseClass() {
  return dbc::BuiltTessDatabaseClass();
}

}  // namespace tess
