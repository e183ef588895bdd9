// The database engine's interface: one open database file, its statements,
// cursors, records, transactions and error state. The application-facing
// Database and RecordSet classes wrap this directly.
//
// A statement that fails applies nothing: its changes to pages, counters and
// the free list are undone before the error is reported.
//
// Error codes and messages are named in "db/errors.h". An operation clears
// the error first; the first failure sets code and message together.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/catalog.h"
#include "db/cursor.h"
#include "db/pager.h"
#include "db/sort.h"
#include "db/stream.h"

namespace tess::db {

using FieldValues = std::vector<std::pair<std::string, std::optional<std::string>>>;

class Database {
 public:
  // Creates (truncating) a database file; nullptr with `status` on failure.
  static std::unique_ptr<Database> Create(const std::string& path, Status* status);
  // Opens read-write, falling back to read-only.
  static std::unique_ptr<Database> Open(const std::string& path, Status* status);
  // The same over any stream (memory streams in tests and fuzzers), with the
  // journal in memory unless one is given.
  static std::unique_ptr<Database> Create(std::unique_ptr<ByteStream> stream, Status* status,
                                          std::unique_ptr<JournalStore> journal = nullptr);
  static std::unique_ptr<Database> Open(std::unique_ptr<ByteStream> stream, Status* status,
                                        std::unique_ptr<JournalStore> journal = nullptr);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Commits, writes the record counter and closes the stream.
  bool Close();

  // Runs a statement that returns nothing; the outcome is the error state.
  void Execute(std::string_view sql);
  // Runs a SELECT; nullptr with the error set on failure.
  std::unique_ptr<Cursor> Select(std::string_view sql);
  bool InsertRecord(const std::string& table, const FieldValues& values);
  bool Commit();
  bool Rollback();
  // Commits, then rewrites the file at its smallest size: rows packed in
  // key order, no free or unused pages, each large value owned by its row.
  bool Vacuum();

  int ErrorCode() const { return error_.code; }
  const std::string& ErrorMessage() const { return error_.message; }
  void SetError(int code, std::string message) { error_ = {code, std::move(message)}; }

  // One column "TableName", a row per table.
  std::unique_ptr<Cursor> TableSchema();
  // Columns "ColumnName", "FieldType", "IsPrimary", "NotNull", "Length".
  std::unique_ptr<Cursor> FieldSchema(const std::string& table);
  const std::vector<TableInfo>& tables() const { return catalog_.tables(); }

  // Where sorts spill; temporary files by default.
  void set_temp_streams(TempStreamFactory factory) { temp_ = std::move(factory); }

  Pager& pager() { return pager_; }
  Catalog& catalog() { return catalog_; }
  ByteStream& stream() { return *stream_; }

 private:
  Database(std::unique_ptr<ByteStream> stream, std::unique_ptr<JournalStore> journal);
  static std::unique_ptr<Database> CreateOn(std::unique_ptr<ByteStream> stream,
                                            std::unique_ptr<JournalStore> journal, Status* status);
  static std::unique_ptr<Database> OpenOn(std::unique_ptr<ByteStream> stream,
                                          std::unique_ptr<JournalStore> journal, Status* status);
  // Runs a change as one statement: whole, or not at all.
  template <typename Change>
  Status Atomically(const Change& change);
  // After the pager dropped or replaced pages (`written` its outcome): the
  // table list read again.
  bool Reload(bool written);

  std::unique_ptr<ByteStream> stream_;
  std::unique_ptr<JournalStore> journal_;
  Pager pager_;
  Catalog catalog_;
  TempStreamFactory temp_;
  Status error_;
  bool closed_ = false;
};

}  // namespace tess::db
