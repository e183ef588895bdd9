// Query execution over the table store: column resolution, WHERE evaluation,
// SELECT (with the sort and aggregates), UPDATE and DELETE.
//
// Readings chosen where the dialect leaves them open:
// - Several FROM tables are combined as their cross product, filtered by
//   WHERE; rows come in storage order, the first table varying slowest.
// - A comparison with a null field is false; IS NULL / IS NOT NULL test it.
// - A bare right-hand identifier that names a column of the FROM tables is a
//   column; otherwise it is taken as a literal (so `flag = true` works). Two
//   columns compare numerically when both are numbers, as text when both are
//   text, chronologically when both are dates or both times; otherwise false.
// - Boolean columns compare for = and <> with a literal converted as an
//   inserted boolean value.
// - Large values compare through their data as text.
// - ORDER BY may name columns outside the select list; they are carried as
//   hidden columns through the sort.
// - The running mean counts only the numeric values it has seen.
#pragma once

#include <memory>

#include "db/catalog.h"
#include "db/cursor.h"
#include "db/sort.h"
#include "db/sql.h"

namespace tess::db {

std::unique_ptr<Cursor> RunSelect(Catalog& catalog, const SelectStatement& select,
                                  const TempStreamFactory& temp, Status* status);
Status RunUpdate(Catalog& catalog, const UpdateStatement& update);
Status RunDelete(Catalog& catalog, const DeleteStatement& remove);

}  // namespace tess::db
