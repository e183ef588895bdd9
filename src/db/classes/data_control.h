// What a DataControl does apart from drawing itself: it runs its query
// against its Database, keeps its place among the rows, moves through them
// and inserts, updates and deletes rows on behalf of the controls bound to
// it. The control class of the window layer owns one, forwards its members
// here and turns the listener's calls into the control's events.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "runtime/object_layout.h"

namespace tess::dbc {

// The action codes of Validate and the kInsert/kUpdate/kDelete constants.
inline constexpr int32_t kDataInsert = 0;
inline constexpr int32_t kDataUpdate = 1;
inline constexpr int32_t kDataDelete = 2;

enum class DataMove { kNext, kPrevious, kFirst, kLast };

// The control's events; each default lets the action go ahead.
class DataControlListener {
 public:
  virtual ~DataControlListener() = default;
  // MoveNext, MovePrevious, MoveFirst, MoveLast: true keeps the row.
  virtual bool Moving(DataMove) { return false; }
  // Reposition(index): the current row changed to `row` (from 1).
  virtual void Reposition(int32_t) {}
  // Validate(action): true refuses the action.
  virtual bool Validate(int32_t) { return false; }
  // Insert: true when the application inserted the row itself.
  virtual bool Inserting() { return false; }
  virtual void Updated() {}
  virtual void Deleted() {}
};

// Column values as bound controls hold them: column name, text.
using BoundValues = std::vector<std::pair<std::string, std::string>>;

class DataControlModel {
 public:
  explicit DataControlModel(DataControlListener* listener) : listener_(listener) {}
  ~DataControlModel();
  DataControlModel(const DataControlModel&) = delete;
  DataControlModel& operator=(const DataControlModel&) = delete;

  // The Database (a locked reference) and the query's source.
  void SetDatabase(TessObject* database);
  TessObject* database() const { return database_; }
  std::string tableName, sqlQuery;
  bool readOnly = false;
  bool commit = true;  // commit after each insert, update and delete

  // Runs SQLQuery, or "select * from " + TableName without one, and stands
  // on the first row; false (no rows, no set) when the database refuses.
  bool RunQuery();
  // The RecordSet (nil before RunQuery); the caller gets a reference.
  TessObject* RecordSet() const;
  int32_t RowCount() const { return rowCount_; }
  int32_t Row() const { return row_; }  // 0: no current row
  int32_t FieldCount() const;
  // A DatabaseField of the current row (index from 1, or by name), or nil.
  TessObject* Field(int32_t index) const;
  TessObject* Field(const std::string& name) const;

  // Moves as the buttons do: each asks Moving first, then repositions.
  bool Move(DataMove move);
  // Row `row` (from 1); false outside the rows.
  bool MoveTo(int32_t row);

  // The actions of the bound buttons, each validated first. Insert writes
  // `values` as a new row of TableName and runs the query again, standing
  // on the last row; Update writes them into the current row; Delete
  // deletes it and runs the query again, standing on the row that took its
  // place; NewRecord leaves the current row so bound controls clear. Each
  // repositions once.
  bool Insert(const BoundValues& values);
  bool Update(const BoundValues& values);
  bool Delete();
  void NewRecord();
  // True while the control is read-only or has no current row to change.
  bool RecordLocked() const { return readOnly || row_ == 0; }

 private:
  bool Stand(int32_t row);
  bool Requery(int32_t row);
  void Commit();
  DataControlListener* listener_;
  TessObject* database_ = nullptr;
  TessObject* recordSet_ = nullptr;
  int32_t rowCount_ = 0;
  int32_t row_ = 0;
};

}  // namespace tess::dbc
