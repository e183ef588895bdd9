// Structural check of a database file: every page and entry, key order in
// every storage, links, and the agreement of the catalog with the storages.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"

namespace tess::db {

// One line per problem found; empty when the file is sound.
std::vector<std::string> CheckDatabase(Database& db);

// SQL text, one statement per line, that recreates the database's tables and
// rows (ending with "commit").
std::vector<std::string> DumpDatabase(Database& db, bool* ok);

}  // namespace tess::db
