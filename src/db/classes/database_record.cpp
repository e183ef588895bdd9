// The DatabaseRecord class: a row under construction, its columns in the
// order they were first set, each with its value's text and type code.
#include <string>
#include <vector>

#include "db/catalog.h"
#include "db/classes/database_classes.h"
#include "db/classes/field_values.h"
#include "db/classes/objects.h"
#include "db/format.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/interfaces.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess::dbc {

namespace {

ClassObject* g_record = nullptr;

DatabaseRecordObject* Checked(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  return reinterpret_cast<DatabaseRecordObject*>(object);
}

const RecordEntry* Find(TessObject* record, TessString* name) {
  for (const RecordEntry& e : *Checked(record)->entries) {
    if (db::SameName(e.name, View(name))) return &e;
  }
  return nullptr;
}

void Set(TessObject* record, TessString* name, std::string value, int type) {
  std::vector<RecordEntry>& entries = *Checked(record)->entries;
  for (RecordEntry& e : entries) {
    if (db::SameName(e.name, View(name))) {
      e.value = std::move(value);
      e.type = type;
      return;
    }
  }
  entries.push_back({std::string(View(name)), std::move(value), type});
}

// The entry's value as a native value of its own type.
std::string Native(const RecordEntry& e, int* type) {
  return NativeFromText(e.type, e.value, type);
}

// tupleInterface: the columns in the order they were first set, from 0;
// a column outside them reads empty.
int32_t TupleFieldCount(TessObject* record) {
  return AtEntry([&] { return int32_t(Checked(record)->entries->size()); });
}
TessString* TupleString(TessObject* record, int32_t column) {
  return AtEntry([&] {
    const std::vector<RecordEntry>& entries = *Checked(record)->entries;
    if (column < 0 || size_t(column) >= entries.size()) return MakeString("");
    return MakeString(entries[size_t(column)].value);
  });
}

const TypeDescriptor kDateType{0, "Date", {}};
const TypeDescriptor kPictureType{0, "Picture", {}};
const ParameterRecord kName[] = {{"Name", &kStringType, {}}};
const ParameterRecord kV[] = {{"v", &kIntegerType, {}}};

const MethodRecord kMethods[] = {
    Method("Column", &kStringType, kName, 1, (void*)&getDatabaseRecordColumn,
           (void*)&setDatabaseRecordColumn),
    Method("IntegerColumn", &kIntegerType, kName, 1, (void*)&getDatabaseRecordIntegerColumn,
           (void*)&setDatabaseRecordIntegerColumn),
    Method("DoubleColumn", &kDoubleType, kName, 1, (void*)&getDatabaseRecordDoubleColumn,
           (void*)&setDatabaseRecordDoubleColumn),
    Method("BooleanColumn", &kBooleanType, kName, 1, (void*)&GetDatabaseRecordBooleanColumn,
           (void*)&SetDatabaseRecordBooleanColumn),
    Method("DateColumn", &kDateType, kName, 1, (void*)&getDatabaseRecordDateColumn,
           (void*)&setDatabaseRecordDateColumn),
    Method("BlobColumn", &kStringType, kName, 1, (void*)&GetDatabaseRecordBlobColumn,
           (void*)&SetDatabaseRecordBlobColumn),
    Method("MacPICTColumn", &kPictureType, kName, 1, (void*)&getDatabaseRecordMacPictColumn,
           (void*)&setDatabaseRecordMacPictColumn),
    Method("JPEGColumn", &kPictureType, kName, 1, (void*)&getDatabaseRecordJPEGColumn,
           (void*)&setDatabaseRecordJPEGColumn),
    Method("FieldCount", &kIntegerType, nullptr, 0, (void*)&TupleFieldCount),
    Method("getIndString", &kStringType, kV, 1, (void*)&TupleString),
};

void Construct(TessObject* object, ClassObject*) {
  reinterpret_cast<DatabaseRecordObject*>(object)->entries = new std::vector<RecordEntry>();
}

void Destruct(TessObject* object, ClassObject*) {
  auto* r = reinterpret_cast<DatabaseRecordObject*>(object);
  delete r->entries;
  r->entries = nullptr;
}

}  // namespace

void BuildRecordClass() {
  FrameworkClassDef def{};
  def.name = "DatabaseRecord";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(DatabaseRecordObject));
  def.construct = Construct;
  def.destruct = Destruct;
  def.methods = kMethods;
  g_record = BuildFrameworkClass(def);
  DeclareInterfaces(g_record, {Iface::kTupleInterface});
}

std::vector<RecordEntry> RowOf(TessObject* recordSet) {
  std::vector<RecordEntry> row;
  if (cursorBOFGetter(recordSet, 0) || cursorEOFGetter(recordSet, 0)) return row;
  int32_t count = cursorFieldCount(recordSet, 0);
  for (int32_t i = 1; i <= count; ++i) {
    ObjectRef field = ObjectRef::Adopt(cursorGetFieldByIndex(recordSet, i));
    StringRef name = StringRef::Adopt(cursorFieldNameGetter(field.get(), 0));
    StringRef value = StringRef::Adopt(cursorFieldStringValueGetter(field.get(), 0));
    row.push_back({std::string(View(name.get())), std::string(View(value.get())),
                   RecordSetColumnType(recordSet, i)});
  }
  return row;
}

TessObject* MakeRecord(const std::vector<RecordEntry>& entries) {
  TessObject* record = CreateObject(g_record);
  *reinterpret_cast<DatabaseRecordObject*>(record)->entries = entries;
  return record;
}

}  // namespace tess::dbc

namespace tess {

ClassObject* DatabaseRecordClass() {
  return dbc::g_record;
}

}  // namespace tess

using tess::AtEntry;
using tess::MakeString;
using tess::View;
using namespace tess::dbc;

namespace {

template <typename T, typename Convert>
T Get(TessObject* record, TessString* name, Convert convert) {
  return AtEntry([&]() -> T {
    const RecordEntry* e = Find(record, name);
    if (!e) return T();
    int type = 0;
    std::string native = Native(*e, &type);
    return convert(type, native);
  });
}

TessObject* GetPicture(TessObject* record, TessString* name, bool jpeg) {
  return AtEntry([&]() -> TessObject* {
    const RecordEntry* e = Find(record, name);
    if (!e || !PictureHooks().fromBytes || e->value.empty()) return nullptr;
    return PictureHooks().fromBytes(e->value, jpeg);
  });
}

void SetPicture(TessObject* record, TessString* name, TessObject* picture, bool jpeg) {
  AtEntry([&] {
    std::string bytes;
    if (picture && PictureHooks().toBytes && PictureHooks().toBytes(picture, jpeg, &bytes)) {
      Set(record, name, std::move(bytes), tess::db::kLongBinary);
    }
  });
}

}  // namespace

extern "C" {

TessString* getDatabaseRecordColumn(TessObject* record, TessString* name) {
  return AtEntry([&]() -> TessString* {
    const RecordEntry* e = Find(record, name);
    return e ? MakeString(e->value) : nullptr;
  });
}

void setDatabaseRecordColumn(TessObject* record, TessString* name, TessString* value) {
  AtEntry([&] { Set(record, name, std::string(View(value)), tess::db::kText); });
}

int32_t getDatabaseRecordIntegerColumn(TessObject* record, TessString* name) {
  return Get<int32_t>(record, name, IntegerOf);
}

void setDatabaseRecordIntegerColumn(TessObject* record, TessString* name, int32_t value) {
  AtEntry([&] { Set(record, name, std::to_string(value), tess::db::kInteger); });
}

double getDatabaseRecordDoubleColumn(TessObject* record, TessString* name) {
  return Get<double>(record, name, DoubleOf);
}

void setDatabaseRecordDoubleColumn(TessObject* record, TessString* name, double value) {
  AtEntry([&] { Set(record, name, ExactDoubleText(value), tess::db::kDouble); });
}

int32_t GetDatabaseRecordBooleanColumn(TessObject* record, TessString* name) {
  return Get<int32_t>(record, name, [](int type, const std::string& native) {
    return BooleanOf(type, native) ? 1 : 0;
  });
}

void SetDatabaseRecordBooleanColumn(TessObject* record, TessString* name, int32_t value) {
  AtEntry([&] { Set(record, name, value ? "true" : "false", tess::db::kBoolean); });
}

TessObject* getDatabaseRecordDateColumn(TessObject* record, TessString* name) {
  return Get<TessObject*>(record, name, DateOf);
}

void setDatabaseRecordDateColumn(TessObject* record, TessString* name, TessObject* date) {
  AtEntry([&] {
    if (date)
      Set(record, name, tess::dbc::DateText(date, tess::db::kTimestamp), tess::db::kTimestamp);
  });
}

TessString* GetDatabaseRecordBlobColumn(TessObject* record, TessString* name) {
  return getDatabaseRecordColumn(record, name);
}

void SetDatabaseRecordBlobColumn(TessObject* record, TessString* name, TessString* value) {
  AtEntry([&] { Set(record, name, std::string(View(value)), tess::db::kLongBinary); });
}

TessObject* getDatabaseRecordMacPictColumn(TessObject* record, TessString* name) {
  return GetPicture(record, name, false);
}

void setDatabaseRecordMacPictColumn(TessObject* record, TessString* name, TessObject* picture) {
  SetPicture(record, name, picture, false);
}

TessObject* getDatabaseRecordJPEGColumn(TessObject* record, TessString* name) {
  return GetPicture(record, name, true);
}

void setDatabaseRecordJPEGColumn(TessObject* record, TessString* name, TessObject* picture) {
  SetPicture(record, name, picture, true);
}

}  // extern "C"
