// The catalog and the table operations of the storage layer.
//
// The storage directory (a tree of directory pages under the header's root)
// maps storage names to root pages; directory entries are keyed by 0x01 0x01,
// the collation weights of the name and 0x00. Tables are described by rows of
// "sys$tables" (0 identifier, 1 name; keyed by name) and "sys$fields"
// (0 table identifier, 1 column number, 2 name, 3 length, 4 type code,
// 5 primary-key position from 1, 6 flags; keyed by table identifier).
// Field 5 is present (non-null) only for key columns. Field 6 is written only
// for not-null columns and holds the flags, bit 0 = not null; a row then
// carries field 5 as null when the column is not in the key.
//
// "sys$blob" holds large values, each named by exactly one row field: a
// value is written per row (an UPDATE of many rows writes one copy each) and
// deleted with its row or when replaced. Files written before may share a
// value among rows of one table; ReleaseBlobs keeps a value another row
// still names, so those stay readable.
//
// The directory entry "sys$free" holds the free list's head (format.h).
//
// "sys$blob" entries: Entry bodies start with a tag byte: 'C' a
// chunk of at most 4000 bytes of data; 'X' a chunk index of at most 500
// (record identifier u32, length u32) pairs. A chained index's first pair
// names the previous index, with the length of everything that index covers.
// Every pair names an entry with a lower record identifier than its own,
// which bounds the walk on damaged files.
//
// The catalog keeps the table list in memory; rollback reloads it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/errors.h"
#include "db/pager.h"
#include "db/record.h"
#include "db/tree.h"

namespace tess::db {

struct TableInfo {
  uint32_t id = 0;
  std::string name;
  uint32_t root = kNoPage;
  std::vector<Column> columns;
  std::vector<uint8_t> types;
  std::vector<int> key;  // column indexes in key order; empty: insertion order
  int ColumnIndex(std::string_view column) const;  // -1 when absent
};

// Case-insensitive ASCII comparison for table and column names.
bool SameName(std::string_view a, std::string_view b);

class Catalog {
 public:
  explicit Catalog(Pager* pager) : pager_(pager) {}

  // A new file: the directory root page and the three catalog storages.
  bool Initialize();
  // Reads the directory, tables and fields; false on a damaged catalog.
  bool Load(std::string* why);

  const std::vector<TableInfo>& tables() const { return tables_; }
  const TableInfo* FindTable(std::string_view name) const;

  Status CreateTable(const std::string& name, const std::vector<Column>& columns,
                     const std::vector<int>& key);
  Status AddColumn(const std::string& table, const Column& column);
  // Values are texts; nullopt is an explicit null.
  Status InsertRow(const std::string& table,
                   const std::vector<std::pair<std::string, std::optional<std::string>>>& values);

  Tree TableTree(const TableInfo& table);
  // The key of a row body of `table`.
  std::string RowKey(const TableInfo& table, std::string_view body) const;
  // Inserts an encoded row, checking length and (unless the caller did)
  // key uniqueness; the row is not inserted when the status is not ok.
  Status InsertEncoded(const TableInfo& table, std::string_view body, bool key_checked = false);

  bool WriteBlob(std::string_view data, uint32_t* reference);
  bool ReadBlob(uint32_t reference, std::string* data);
  // Deletes the values no row of `table` names any more (the caller has
  // deleted or changed the rows that did).
  bool ReleaseBlobs(const TableInfo& table, std::vector<uint32_t> references);

  uint32_t blob_root() const { return blob_root_; }
  uint32_t tables_root() const { return tables_root_; }
  uint32_t fields_root() const { return fields_root_; }
  // Storage directory contents (name, root), for the checker.
  bool Directory(std::vector<std::pair<std::string, uint32_t>>* out);

  static const std::vector<uint8_t>& TablesTypes();
  static const std::vector<uint8_t>& FieldsTypes();
  static std::string DirectoryKey(std::string_view name);

 private:
  bool Register(const std::string& name, uint32_t root);
  bool InsertFieldRow(uint32_t table_id, size_t number, const Column& column, int key_position);
  bool FindBlobEntry(uint32_t record, std::string* body);
  // The entries of a value (index chain and chunks); its bytes too when
  // `data` is given.
  bool BlobParts(uint32_t reference, std::vector<uint32_t>* parts, std::string* data);
  bool DeleteBlob(uint32_t reference);
  bool StoreFreeHead(uint32_t head);

  Pager* pager_;
  std::vector<TableInfo> tables_;
  uint32_t tables_root_ = kNoPage, fields_root_ = kNoPage, blob_root_ = kNoPage;
};

}  // namespace tess::db
