#include "db/classes/data_control.h"

#include <algorithm>
#include <cstdint>

#include "db/classes/database_classes.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess::dbc {

namespace {

StringRef Str(const std::string& text) {
  return StringRef::Adopt(MakeString(text));
}

bool Failed(TessObject* database) {
  return databaseErrorGetter(database, 0) != 0;
}

}  // namespace

DataControlModel::~DataControlModel() {
  UnlockObject(recordSet_);
  UnlockObject(database_);
}

void DataControlModel::SetDatabase(TessObject* database) {
  LockObject(database);
  UnlockObject(database_);
  database_ = database;
}

bool DataControlModel::RunQuery() {
  return Requery(1);
}

// Runs the query and stands on `row`, or the nearest row there is, telling
// the listener once.
bool DataControlModel::Requery(int32_t row) {
  UnlockObject(recordSet_);
  recordSet_ = nullptr;
  rowCount_ = row_ = 0;
  if (!database_) return false;
  std::string sql = sqlQuery.empty() ? "select * from " + tableName : sqlQuery;
  recordSet_ = databaseSQLSelect(database_, Str(sql).get());
  if (!recordSet_) return false;
  rowCount_ = RecordSetRecordCount(recordSet_, 0);
  if (rowCount_ < 0) rowCount_ = 0;
  if (rowCount_ > 0) Stand(std::clamp(row, 1, rowCount_));
  listener_->Reposition(row_);
  return true;
}

TessObject* DataControlModel::RecordSet() const {
  LockObject(recordSet_);
  return recordSet_;
}

int32_t DataControlModel::FieldCount() const {
  return recordSet_ ? cursorFieldCount(recordSet_, 0) : 0;
}

TessObject* DataControlModel::Field(int32_t index) const {
  if (!recordSet_ || index < 1 || index > FieldCount()) return nullptr;
  return cursorGetFieldByIndex(recordSet_, index);
}

TessObject* DataControlModel::Field(const std::string& name) const {
  return recordSet_ ? cursorGetFieldByName(recordSet_, Str(name).get()) : nullptr;
}

// Puts the set on `row` from wherever it stands.
bool DataControlModel::Stand(int32_t row) {
  if (!recordSet_ || row < 1 || row > rowCount_) return false;
  if (row == 1) {
    CursorMoveFirst(recordSet_);
  } else if (row == rowCount_) {
    CursorMoveLast(recordSet_);
  } else {
    if (row_ == 0) CursorMoveFirst(recordSet_), row_ = 1;
    for (; row_ < row; ++row_) cursorMoveNext(recordSet_);
    for (; row_ > row; --row_) CursorMovePrev(recordSet_);
  }
  row_ = row;
  return true;
}

bool DataControlModel::Move(DataMove move) {
  if (!recordSet_ || rowCount_ == 0) return false;
  if (listener_->Moving(move)) return false;
  int32_t target = row_;
  switch (move) {
    case DataMove::kNext:
      target = row_ < rowCount_ ? row_ + 1 : rowCount_;
      break;
    case DataMove::kPrevious:
      target = row_ > 1 ? row_ - 1 : 1;
      break;
    case DataMove::kFirst:
      target = 1;
      break;
    case DataMove::kLast:
      target = rowCount_;
      break;
  }
  return MoveTo(target);
}

bool DataControlModel::MoveTo(int32_t row) {
  if (!Stand(row)) return false;
  listener_->Reposition(row_);
  return true;
}

void DataControlModel::Commit() {
  if (commit) databaseCommit(database_);
}

bool DataControlModel::Insert(const BoundValues& values) {
  if (readOnly || !database_ || listener_->Validate(kDataInsert)) return false;
  if (!listener_->Inserting()) {
    ObjectRef record = ObjectRef::Adopt(CreateInstance(Str("DatabaseRecord").get()));
    for (const auto& [column, text] : values) {
      setDatabaseRecordColumn(record.get(), Str(column).get(), Str(text).get());
    }
    databaseInsertRecord(database_, Str(tableName).get(), record.get());
    if (Failed(database_)) return false;
    Commit();
  }
  Requery(INT32_MAX);  // the new row, last
  return true;
}

bool DataControlModel::Update(const BoundValues& values) {
  if (RecordLocked() || listener_->Validate(kDataUpdate)) return false;
  cursorEdit(recordSet_);
  for (const auto& [column, text] : values) {
    ObjectRef field = ObjectRef::Adopt(Field(column));
    if (field.get()) cursorFieldStringValueSetter(field.get(), 0, Str(text).get());
  }
  cursorUpdate(recordSet_);
  if (Failed(database_)) return false;
  Commit();
  listener_->Updated();
  return true;
}

bool DataControlModel::Delete() {
  if (RecordLocked() || listener_->Validate(kDataDelete)) return false;
  cursorDeleteRecord(recordSet_);
  if (Failed(database_)) return false;
  Commit();
  Requery(row_);  // the row that took its place
  listener_->Deleted();
  return true;
}

void DataControlModel::NewRecord() {
  row_ = 0;
  listener_->Reposition(0);
}

}  // namespace tess::dbc
