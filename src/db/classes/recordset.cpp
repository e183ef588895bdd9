// The RecordSet (ScrollableCursor) and DatabaseField classes over an
// engine's cursor table. The RecordSet keeps BOF and EOF from the results of
// its moves, the edited fields between Edit and Update, and writes them back
// through the cursor's update entry, the engine's, or UPDATE statements
// built from the cursor's column update info.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "db/catalog.h"
#include "db/classes/database_classes.h"
#include "db/classes/field_values.h"
#include "db/classes/objects.h"
#include "db/classes/sql_text.h"
#include "db/format.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/interfaces.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"
#include "values/date.h"
#include "values/variant.h"

namespace tess::dbc {

namespace {

ClassObject* g_recordSet = nullptr;
ClassObject* g_field = nullptr;
DatabasePictureHooks g_pictures{};

// A row whose fields cannot all be written back: no key names it.
constexpr int32_t kCannotWriteBack = 2013;
constexpr const char* kCannotWriteBackText = "The record cannot be written back to its table";

// Plug-ins and variants can hand the entry points any object: one of
// another class is refused as a failed cast rather than read as a set.
RecordSetObject* CheckedSet(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  if (!IsA(object, g_recordSet)) Raise(RuntimeError::kIllegalCast);
  return reinterpret_cast<RecordSetObject*>(object);
}

// A field made other than by its RecordSet has no set to read.
DatabaseFieldObject* CheckedField(TessObject* object) {
  if (object && !IsA(object, g_field)) Raise(RuntimeError::kIllegalCast);
  if (!object || !reinterpret_cast<DatabaseFieldObject*>(object)->recordSet) {
    Raise(RuntimeError::kNilObject);
  }
  return reinterpret_cast<DatabaseFieldObject*>(object);
}

RecordSetObject* SetOf(DatabaseFieldObject* f) {
  return reinterpret_cast<RecordSetObject*>(f->recordSet);
}

int32_t ColumnCount(RecordSetObject* rs) {
  return rs->cursorData && rs->cursor->columnCount ? rs->cursor->columnCount(rs->cursorData) : 0;
}

int ColumnType(RecordSetObject* rs, int32_t column) {
  return rs->cursorData && rs->cursor->columnType ? rs->cursor->columnType(rs->cursorData, column)
                                                  : 0;
}

std::string ColumnName(RecordSetObject* rs, int32_t column) {
  if (!rs->cursorData || !rs->cursor->columnName) return {};
  TessString* name = rs->cursor->columnName(rs->cursorData, column);
  std::string text(View(name));
  UnlockString(name);
  return text;
}

const Edit* FindEdit(RecordSetObject* rs, int32_t column) {
  for (const Edit& e : *rs->edits) {
    if (e.column == column) return &e;
  }
  return nullptr;
}

// The current value of a column: a recorded edit first, else the engine's.
// An engine that keeps its values until the next move (no release entry)
// lends them; others are copied before they are released.
struct Current {
  int type = 0;  // 0: null
  std::string owned;
  const char* lent = nullptr;
  size_t lentSize = 0;
  const Edit* edit = nullptr;
  std::string_view bytes() const { return lent ? std::string_view(lent, lentSize) : owned; }
};

Current Read(RecordSetObject* rs, int32_t column) {
  Current c;
  if (const Edit* e = FindEdit(rs, column)) {
    c.edit = e;
    if (e->value) c.owned = NativeFromText(ColumnType(rs, column), *e->value, &c.type);
    return c;
  }
  if (!rs->cursorData || !rs->cursor->getColumnValue || rs->bof || rs->eof) return c;
  const void* bytes = nullptr;
  int32_t type = 0, length = 0;
  if (!rs->cursor->getColumnValue(rs->cursorData, column, &bytes, &type, &length)) return c;
  c.type = type;
  if (!bytes || length <= 0) {
    c.type = length < 0 ? 0 : type;
  } else if (rs->cursor->releaseColumnValue) {
    c.owned.assign(static_cast<const char*>(bytes), size_t(length));
  } else {
    c.lent = static_cast<const char*>(bytes);
    c.lentSize = size_t(length);
  }
  if (rs->cursor->releaseColumnValue) rs->cursor->releaseColumnValue(rs->cursorData, column, bytes);
  return c;
}

// Records a new value for the field's column; nothing outside edit mode.
void Record(DatabaseFieldObject* f, std::optional<std::string> value) {
  RecordSetObject* rs = SetOf(f);
  if (!rs->editing || !rs->cursorData) return;
  for (Edit& e : *rs->edits) {
    if (e.column == f->column) {
      e.value = std::move(value);
      return;
    }
  }
  rs->edits->push_back({f->column, std::move(value)});
}

// After a move: flags from its outcome, edits dropped.
void Moved(RecordSetObject* rs, bool row, bool forward) {
  rs->provided = -1;
  rs->edits->clear();
  rs->editing = 0;
  if (row) {
    rs->bof = rs->eof = 0;
  } else if (forward) {
    rs->eof = 1;
    rs->bof = 0;
  } else {
    rs->bof = 1;
    rs->eof = 0;
  }
}

using MoveEntry = int32_t (*)(void*);

void Move(TessObject* object, MoveEntry TessDBCursorDefinition::*entry, bool forward) {
  RecordSetObject* rs = CheckedSet(object);
  if (!rs->cursorData) return;
  MoveEntry move = rs->cursor->*entry;
  if (!move) return;  // a cursor that only goes forward
  Moved(rs, move(rs->cursorData) != 0, forward);
}

// MoveFirst and MoveLast on no rows leave the set both at BOF and at EOF.
void MoveEnd(TessObject* object, MoveEntry TessDBCursorDefinition::*entry) {
  RecordSetObject* rs = CheckedSet(object);
  if (!rs->cursorData) return;
  MoveEntry move = rs->cursor->*entry;
  if (!move) return;
  bool row = move(rs->cursorData) != 0;
  Moved(rs, row, true);
  if (!row) rs->bof = rs->eof = 1;
}

DatabaseObject* Owner(RecordSetObject* rs) {
  return reinterpret_cast<DatabaseObject*>(rs->database);
}

bool Failed(DatabaseObject* db) {
  return databaseErrorGetter(AsObject(&db->header), 0) != 0;
}

// Writes the edited fields back; true when every field went.
bool WriteBack(RecordSetObject* rs) {
  std::vector<TessDBColumnValue> fields;
  for (const Edit& e : *rs->edits) {
    fields.push_back({e.column, nullptr, e.value ? MakeString(*e.value) : nullptr,
                      ColumnType(rs, e.column), e.value ? 0 : 1});
  }
  struct Release {
    std::vector<TessDBColumnValue>* f;
    ~Release() {
      for (TessDBColumnValue& v : *f) UnlockString(v.value);
    }
  } release{&fields};
  if (rs->cursor->update) {
    return rs->cursor->update(rs->cursorData, fields.data(), int32_t(fields.size())) != 0;
  }
  DatabaseObject* db = Owner(rs);
  if (!db) return false;
  SetOwnError(db, 0, {});
  if (db->engine && db->engine->updateFields && EnsureConnected(db)) {
    return db->engine->updateFields(db->engineData, rs->cursorData, fields.data(),
                                    int32_t(fields.size())) != 0;
  }
  std::vector<ColumnUpdate> updates;
  bool skipped = false;
  for (const Edit& e : *rs->edits) {
    TessString *name = nullptr, *selection = nullptr;
    bool known = rs->cursor->columnUpdateInfo &&
                 rs->cursor->columnUpdateInfo(rs->cursorData, e.column, &name, &selection);
    if (known) updates.push_back({std::string(View(name)), std::string(View(selection)), e.value});
    UnlockString(name);
    UnlockString(selection);
    skipped |= !known;
  }
  for (const std::string& statement : UpdateStatements(updates)) {
    ExecuteSQL(db, statement);
    if (Failed(db)) return false;
  }
  if (skipped) SetOwnError(db, kCannotWriteBack, kCannotWriteBackText);
  return !skipped;
}

bool DeleteCurrent(RecordSetObject* rs) {
  if (rs->cursor->deleteRecord) return rs->cursor->deleteRecord(rs->cursorData) != 0;
  DatabaseObject* db = Owner(rs);
  if (!db) return false;
  std::string statement;
  int32_t count = ColumnCount(rs);
  for (int32_t column = 0; column < count && statement.empty(); ++column) {
    TessString *name = nullptr, *selection = nullptr;
    if (rs->cursor->columnUpdateInfo &&
        rs->cursor->columnUpdateInfo(rs->cursorData, column, &name, &selection)) {
      statement = DeleteStatement(View(name), View(selection));
    }
    UnlockString(name);
    UnlockString(selection);
  }
  if (statement.empty()) {
    SetOwnError(db, kCannotWriteBack, kCannotWriteBackText);
    return false;
  }
  ExecuteSQL(db, statement);
  return !Failed(db);
}

void CloseCursor(RecordSetObject* rs) {
  if (rs->cursorData && rs->cursor->close) rs->cursor->close(rs->cursorData);
  rs->cursorData = nullptr;
  rs->edits->clear();
  rs->editing = 0;
  rs->bof = rs->eof = 1;
  rs->provided = -1;
}

void ConstructSet(TessObject* object, ClassObject*) {
  auto* rs = reinterpret_cast<RecordSetObject*>(object);
  rs->edits = new std::vector<Edit>();
  rs->provided = -1;
}

void DestructSet(TessObject* object, ClassObject*) {
  auto* rs = reinterpret_cast<RecordSetObject*>(object);
  if (rs->edits) CloseCursor(rs);
  delete rs->edits;
  rs->edits = nullptr;
  UnlockObject(rs->database);
  rs->database = nullptr;
}

void DestructField(TessObject* object, ClassObject*) {
  auto* f = reinterpret_cast<DatabaseFieldObject*>(object);
  UnlockObject(f->recordSet);
  f->recordSet = nullptr;
}

TessObject* NewField(TessObject* set, int32_t column) {
  TessObject* object = CreateObject(g_field);
  auto* f = reinterpret_cast<DatabaseFieldObject*>(object);
  LockObject(set);
  f->recordSet = set;
  f->column = column;
  return object;
}

TessObject* Picture(TessObject* field, bool jpeg) {
  DatabaseFieldObject* f = CheckedField(field);
  Current c = Read(SetOf(f), f->column);
  if (!g_pictures.fromBytes || c.type == 0 || c.bytes().empty()) return nullptr;
  return g_pictures.fromBytes(std::string(c.bytes()), jpeg);
}

void SetPicture(TessObject* field, TessObject* picture, bool jpeg) {
  DatabaseFieldObject* f = CheckedField(field);
  if (!picture) {
    Record(f, std::nullopt);
    return;
  }
  std::string bytes;
  if (g_pictures.toBytes && g_pictures.toBytes(picture, jpeg, &bytes)) Record(f, std::move(bytes));
}

const TypeDescriptor kFieldType{0, "DatabaseField", {}};
const TypeDescriptor kDateType{0, "Date", {}};
const TypeDescriptor kPictureType{0, "Picture", {}};

const ParameterRecord kName[] = {{"Name", &kStringType, {}}};
const ParameterRecord kIndex[] = {{"Index", &kIntegerType, {}}};
const ParameterRecord kStr[] = {{"Str", &kStringType, {}}};

const PropertyRecord kSetProperties[] = {
    {0, "BOF", &kBooleanType, (void*)&cursorBOFGetter, nullptr, 0},
    {0, "EOF", &kBooleanType, (void*)&cursorEOFGetter, nullptr, 0},
    {0, "FieldCount", &kIntegerType, (void*)&cursorFieldCount, nullptr, 0},
    {0, "RecordCount", &kIntegerType, (void*)&RecordSetRecordCount, nullptr, 0},
};

// listDataProvider: the rows from 0, each a DatabaseRecord; the set is left
// on the row handed out. Nil outside the rows.
int32_t ProviderCount(TessObject* cursor) {
  return RecordSetRecordCount(cursor, 0);
}
TessObject* ProviderRow(TessObject* cursor, int32_t row) {
  if (row < 0 || row >= RecordSetRecordCount(cursor, 0)) return nullptr;
  RecordSetObject* rs = CheckedSet(cursor);
  int32_t at = rs->provided;
  if (at < 0 || at > row) {
    CursorMoveFirst(cursor);
    at = 0;
  }
  for (; at < row && !cursorEOFGetter(cursor, 0); ++at) cursorMoveNext(cursor);
  TessObject* record = MakeRecord(RowOf(cursor));
  rs->provided = at == row && !cursorEOFGetter(cursor, 0) ? row : -1;
  return record;
}

const ParameterRecord kV[] = {{"v", &kIntegerType, {}}};

const MethodRecord kSetMethods[] = {
    Method("MoveNext", nullptr, nullptr, 0, (void*)&cursorMoveNext),
    Method("MovePrevious", nullptr, nullptr, 0, (void*)&CursorMovePrev),
    Method("MoveFirst", nullptr, nullptr, 0, (void*)&CursorMoveFirst),
    Method("MoveLast", nullptr, nullptr, 0, (void*)&CursorMoveLast),
    Method("DeleteRecord", nullptr, nullptr, 0, (void*)&cursorDeleteRecord),
    Method("Edit", nullptr, nullptr, 0, (void*)&cursorEdit),
    Method("Update", nullptr, nullptr, 0, (void*)&cursorUpdate),
    Method("Close", nullptr, nullptr, 0, (void*)&cursorClose),
    Method("Field", &kFieldType, kName, 1, (void*)&cursorGetFieldByName),
    Method("IdxField", &kFieldType, kIndex, 1, (void*)&cursorGetFieldByIndex),
    Method("ColumnType", &kIntegerType, kIndex, 1, (void*)&RecordSetColumnType),
    Method("GetCount", &kIntegerType, nullptr, 0, (void*)&ProviderCount),
    Method("GetRow", nullptr, kV, 1, (void*)&ProviderRow),
};

const PropertyRecord kFieldProperties[] = {
    {0, "Name", &kStringType, (void*)&cursorFieldNameGetter, nullptr, 0},
    {0, "StringValue", &kStringType, (void*)&cursorFieldStringValueGetter,
     (void*)&cursorFieldStringValueSetter, 0},
    {0, "IntegerValue", &kIntegerType, (void*)&cursorFieldIntegerValueGetter,
     (void*)&cursorFieldIntegerValueSetter, 0},
    {0, "DoubleValue", &kDoubleType, (void*)&cursorFieldDoubleValueGetter,
     (void*)&cursorFieldDoubleValueSetter, 0},
    {0, "DateValue", &kDateType, (void*)&cursorFieldDateValueGetter,
     (void*)&cursorFieldDateValueSetter, 0},
    {0, "BooleanValue", &kBooleanType, (void*)&CursorFieldBooleanValueGetter,
     (void*)&CursorFieldBooleanValueSetter, 0},
    {0, "Value", nullptr, (void*)&CursorFieldValueGetter, (void*)&CursorFieldValueSetter, 0},
    {0, "NativeValue", &kStringType, (void*)&cursorFieldNativeValueGetter, nullptr, 0},
    {0, "MacPICTValue", &kPictureType, (void*)&cursorFieldMactPictGetter,
     (void*)&cursorFieldMactPictSetter, 0},
    {0, "JPEGValue", &kPictureType, (void*)&cursorFieldJPEGGetter, (void*)&cursorFieldJPEGSetter,
     0},
};

const MethodRecord kFieldMethods[] = {
    Method("getString", &kStringType, nullptr, 0, (void*)&databaseCursorFieldGetString),
    Method("setString", nullptr, kStr, 1, (void*)&databaseCursorFieldSetString),
};

}  // namespace

const DatabasePictureHooks& PictureHooks() {
  return g_pictures;
}

TessObject* WrapCursor(TessObject* database, void* cursorData, const TessDBCursorDefinition* def) {
  if (!cursorData) return nullptr;
  if (!def) return nullptr;
  TessObject* object = CreateObject(g_recordSet);
  auto* rs = reinterpret_cast<RecordSetObject*>(object);
  rs->cursorData = cursorData;
  rs->cursor = def;
  LockObject(database);
  rs->database = database;
  rs->bof = 1;
  rs->eof = def->recordCount && def->recordCount(cursorData) == 0 ? 1 : 0;
  return object;
}

void BuildRecordSetClasses() {
  FrameworkClassDef set{};
  set.name = "RecordSet";
  set.superclass = RootClass();
  set.instanceSize = int32_t(sizeof(RecordSetObject));
  set.construct = ConstructSet;
  set.destruct = DestructSet;
  set.properties = kSetProperties;
  set.methods = kSetMethods;
  g_recordSet = BuildFrameworkClass(set);
  RegisterClassAlias("ScrollableCursor", g_recordSet);
  DeclareInterfaces(g_recordSet, {Iface::kListDataProvider});

  FrameworkClassDef field{};
  field.name = "DatabaseField";
  field.superclass = RootClass();
  field.instanceSize = int32_t(sizeof(DatabaseFieldObject));
  field.destruct = DestructField;
  field.properties = kFieldProperties;
  field.methods = kFieldMethods;
  g_field = BuildFrameworkClass(field);
  DeclareInterfaces(g_field, {Iface::kStringProvider, Iface::kStringInterface});
}

}  // namespace tess::dbc

namespace tess {

ClassObject* RecordSetClass() {
  return dbc::g_recordSet;
}
ClassObject* DatabaseFieldClass() {
  return dbc::g_field;
}
void SetDatabasePictureHooks(const DatabasePictureHooks& hooks) {
  dbc::g_pictures = hooks;
}

}  // namespace tess

using tess::AtEntry;
using tess::MakeString;
using tess::View;
using namespace tess::dbc;

extern "C" {

int32_t cursorBOFGetter(TessObject* cursor, uint32_t) {
  return AtEntry([&] { return int32_t(CheckedSet(cursor)->bof); });
}

int32_t cursorEOFGetter(TessObject* cursor, uint32_t) {
  return AtEntry([&] { return int32_t(CheckedSet(cursor)->eof); });
}

void cursorMoveNext(TessObject* cursor) {
  AtEntry([&] { Move(cursor, &TessDBCursorDefinition::moveNext, true); });
}

void CursorMovePrev(TessObject* cursor) {
  AtEntry([&] { Move(cursor, &TessDBCursorDefinition::movePrevious, false); });
}

void CursorMoveFirst(TessObject* cursor) {
  AtEntry([&] { MoveEnd(cursor, &TessDBCursorDefinition::moveFirst); });
}

void CursorMoveLast(TessObject* cursor) {
  AtEntry([&] { MoveEnd(cursor, &TessDBCursorDefinition::moveLast); });
}

void cursorDeleteRecord(TessObject* cursor) {
  AtEntry([&] {
    RecordSetObject* rs = CheckedSet(cursor);
    if (!rs->cursorData || rs->bof || rs->eof) return;
    rs->edits->clear();
    rs->editing = 0;
    DeleteCurrent(rs);
    rs->provided = -1;
  });
}

void cursorEdit(TessObject* cursor) {
  AtEntry([&] {
    RecordSetObject* rs = CheckedSet(cursor);
    if (!rs->cursorData) return;
    rs->edits->clear();
    rs->editing = 1;
    if (rs->cursor->beginEdit) rs->cursor->beginEdit(rs->cursorData);
  });
}

void cursorUpdate(TessObject* cursor) {
  AtEntry([&] {
    RecordSetObject* rs = CheckedSet(cursor);
    if (!rs->editing || !rs->cursorData) return;
    bool written = WriteBack(rs);
    rs->editing = 0;
    // Written values stay the row's until the next move; a failed update
    // forgets them, so the row reads what the engine holds.
    if (!written) rs->edits->clear();
  });
}

void cursorClose(TessObject* cursor) {
  AtEntry([&] { CloseCursor(CheckedSet(cursor)); });
}

int32_t cursorFieldCount(TessObject* cursor, uint32_t) {
  return AtEntry([&] { return ColumnCount(CheckedSet(cursor)); });
}

TessObject* cursorGetFieldByName(TessObject* cursor, TessString* name) {
  return AtEntry([&]() -> TessObject* {
    RecordSetObject* rs = CheckedSet(cursor);
    int32_t count = ColumnCount(rs);
    for (int32_t column = 0; column < count; ++column) {
      if (tess::db::SameName(ColumnName(rs, column), View(name))) return NewField(cursor, column);
    }
    return nullptr;
  });
}

TessObject* cursorGetFieldByIndex(TessObject* cursor, int32_t index) {
  return AtEntry([&] {
    RecordSetObject* rs = CheckedSet(cursor);
    if (index < 1 || index > ColumnCount(rs)) tess::Raise(tess::RuntimeError::kOutOfBounds);
    return NewField(cursor, index - 1);
  });
}

int32_t RecordSetColumnType(TessObject* cursor, int32_t index) {
  return AtEntry([&] {
    RecordSetObject* rs = CheckedSet(cursor);
    if (index < 1 || index > ColumnCount(rs)) tess::Raise(tess::RuntimeError::kOutOfBounds);
    return int32_t(ColumnType(rs, index - 1));
  });
}

int32_t RecordSetRecordCount(TessObject* cursor, uint32_t) {
  return AtEntry([&] {
    RecordSetObject* rs = CheckedSet(cursor);
    if (!rs->cursorData) return 0;
    return rs->cursor->recordCount ? rs->cursor->recordCount(rs->cursorData) : -1;
  });
}

TessString* cursorFieldNameGetter(TessObject* field, uint32_t) {
  return AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    return MakeString(ColumnName(SetOf(f), f->column));
  });
}

TessString* cursorFieldStringValueGetter(TessObject* field, uint32_t) {
  return AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    Current c = Read(SetOf(f), f->column);
    if (c.edit) return c.edit->value ? MakeString(*c.edit->value) : nullptr;
    return MakeString(NativeString(c.type, c.bytes()));
  });
}

void cursorFieldStringValueSetter(TessObject* field, uint32_t, TessString* value) {
  AtEntry([&] { Record(CheckedField(field), std::string(View(value))); });
}

int32_t cursorFieldIntegerValueGetter(TessObject* field, uint32_t) {
  return AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    Current c = Read(SetOf(f), f->column);
    return IntegerOf(c.type, c.bytes());
  });
}

void cursorFieldIntegerValueSetter(TessObject* field, uint32_t, int32_t value) {
  AtEntry([&] { Record(CheckedField(field), std::to_string(value)); });
}

double cursorFieldDoubleValueGetter(TessObject* field, uint32_t) {
  return AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    Current c = Read(SetOf(f), f->column);
    return DoubleOf(c.type, c.bytes());
  });
}

void cursorFieldDoubleValueSetter(TessObject* field, uint32_t, double value) {
  AtEntry([&] { Record(CheckedField(field), ExactDoubleText(value)); });
}

TessObject* cursorFieldDateValueGetter(TessObject* field, uint32_t) {
  return AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    Current c = Read(SetOf(f), f->column);
    return DateOf(c.type, c.bytes());
  });
}

void cursorFieldDateValueSetter(TessObject* field, uint32_t, TessObject* date) {
  AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    if (!date) {
      Record(f, std::nullopt);
      return;
    }
    Record(f, tess::dbc::DateText(date, ColumnType(SetOf(f), f->column)));
  });
}

int32_t CursorFieldBooleanValueGetter(TessObject* field, uint32_t) {
  return AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    Current c = Read(SetOf(f), f->column);
    return BooleanOf(c.type, c.bytes()) ? 1 : 0;
  });
}

void CursorFieldBooleanValueSetter(TessObject* field, uint32_t, int32_t value) {
  AtEntry([&] { Record(CheckedField(field), std::string(value ? "true" : "false")); });
}

TessObject* CursorFieldValueGetter(TessObject* field, uint32_t) {
  return AtEntry([&]() -> TessObject* {
    DatabaseFieldObject* f = CheckedField(field);
    Current c = Read(SetOf(f), f->column);
    switch (c.type) {
      case tess::db::kNull:
        return nullptr;
      case tess::db::kSmallInt:
      case tess::db::kInteger:
        return intToVariant(IntegerOf(c.type, c.bytes()));
      case tess::db::kFloat:
      case tess::db::kDouble:
        return doubleToVariant(DoubleOf(c.type, c.bytes()));
      case tess::db::kBoolean:
        return booleanToVariant(BooleanOf(c.type, c.bytes()) ? 1 : 0);
      case tess::db::kDate:
      case tess::db::kTime:
      case tess::db::kTimestamp: {
        tess::ObjectRef date = tess::ObjectRef::Adopt(DateOf(c.type, c.bytes()));
        return date.get() ? DateToVariant(date.get()) : nullptr;
      }
      default: {
        tess::StringRef text = tess::StringRef::Adopt(MakeString(c.bytes()));
        return stringToVariant(text.get());
      }
    }
  });
}

void CursorFieldValueSetter(TessObject* field, uint32_t, TessObject* variant) {
  AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    auto type = tess::VariantType(tess::VarType(variant));
    switch (type) {
      case tess::VariantType::kNilReference:
      case tess::VariantType::kNil:
        Record(f, std::nullopt);
        return;
      case tess::VariantType::kDouble:
        Record(f, ExactDoubleText(variantToDouble(variant)));
        return;
      case tess::VariantType::kBoolean:
        Record(f, std::string(variantToBoolean(variant) ? "true" : "false"));
        return;
      case tess::VariantType::kDate: {
        tess::ObjectRef date = tess::ObjectRef::Adopt(VariantToDate(variant));
        Record(f, tess::dbc::DateText(date.get(), ColumnType(SetOf(f), f->column)));
        return;
      }
      default: {
        tess::StringRef text = tess::StringRef::Adopt(variantToString(variant));
        Record(f, std::string(View(text.get())));
        return;
      }
    }
  });
}

TessString* cursorFieldNativeValueGetter(TessObject* field, uint32_t) {
  return AtEntry([&] {
    DatabaseFieldObject* f = CheckedField(field);
    Current c = Read(SetOf(f), f->column);
    return MakeString(c.bytes());
  });
}

TessObject* cursorFieldMactPictGetter(TessObject* field, uint32_t) {
  return AtEntry([&] { return Picture(field, false); });
}

void cursorFieldMactPictSetter(TessObject* field, uint32_t, TessObject* picture) {
  AtEntry([&] { SetPicture(field, picture, false); });
}

TessObject* cursorFieldJPEGGetter(TessObject* field, uint32_t) {
  return AtEntry([&] { return Picture(field, true); });
}

void cursorFieldJPEGSetter(TessObject* field, uint32_t, TessObject* picture) {
  AtEntry([&] { SetPicture(field, picture, true); });
}

TessString* databaseCursorFieldGetString(TessObject* field) {
  return cursorFieldStringValueGetter(field, 0);
}

void databaseCursorFieldSetString(TessObject* field, TessString* value) {
  cursorFieldStringValueSetter(field, 0, value);
}

}  // extern "C"
