// tessdb FILE [-c SQL]: runs statements against a database file, creating it
// when it does not exist. Statements come one per line from standard input,
// or from -c. A SELECT prints a header line of column names, then one line
// per row, values separated by tabs; a failing statement prints
// "error CODE: MESSAGE". The exit status is 1 when any statement failed.
#include <cstdio>
#include <iostream>
#include <string>

#include "db/check.h"
#include "db/database.h"
#include "db/sql.h"
#include "platform/kernel/file.h"

namespace {

using tess::db::Database;

bool IsSelect(std::string_view line) {
  tess::db::Lexer lex(line);
  return lex.Next().Is("select");
}

void PrintError(int code, const std::string& message) {
  std::printf("error %d: %s\n", code, message.c_str());
}
void PrintError(const tess::db::Status& status) {
  PrintError(status.code, status.message);
}

// Runs one line; false when it failed.
bool RunLine(Database& db, const std::string& line) {
  std::string_view text = line;
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (text.empty()) return true;
  if (text.front() == '.') {
    std::string command(text.substr(0, text.find(' ')));
    std::string arg = text.find(' ') == std::string_view::npos
                          ? std::string()
                          : std::string(text.substr(text.find(' ') + 1));
    if (command == ".tables") {
      for (const auto& t : db.tables()) std::printf("%s\n", t.name.c_str());
      return true;
    }
    if (command == ".schema") {
      auto cursor = db.FieldSchema(arg);
      if (!cursor) {
        PrintError(db.ErrorCode(), db.ErrorMessage());
        return false;
      }
      std::printf("ColumnName\tFieldType\tIsPrimary\tNotNull\tLength\n");
      while (cursor->MoveNext()) {
        for (size_t c = 0; c < cursor->ColumnCount(); ++c) {
          std::printf(c ? "\t%s" : "%s", cursor->Text(c).c_str());
        }
        std::printf("\n");
      }
      return true;
    }
    if (command == ".check") {
      auto problems = tess::db::CheckDatabase(db);
      for (const auto& p : problems) std::printf("%s\n", p.c_str());
      if (problems.empty()) std::printf("ok\n");
      return problems.empty();
    }
    if (command == ".dump") {
      bool ok;
      for (const auto& l : tess::db::DumpDatabase(db, &ok)) std::printf("%s\n", l.c_str());
      return ok;
    }
    std::printf("error 0: unknown command %s\n", command.c_str());
    return false;
  }
  if (IsSelect(text)) {
    auto cursor = db.Select(text);
    if (!cursor) {
      PrintError(db.ErrorCode(), db.ErrorMessage());
      return false;
    }
    std::string out;
    for (size_t c = 0; c < cursor->ColumnCount(); ++c) {
      if (c) out += '\t';
      out += cursor->ColumnName(c);
    }
    out += '\n';
    while (cursor->MoveNext()) {
      for (size_t c = 0; c < cursor->ColumnCount(); ++c) {
        if (c) out += '\t';
        out += cursor->Text(c);
      }
      out += '\n';
      if (out.size() > 65536) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
      }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (cursor->failed()) {
      PrintError(tess::db::Error(tess::db::kSortReadFailed));
      return false;
    }
    return true;
  }
  db.Execute(text);
  if (db.ErrorCode() != 0) {
    PrintError(db.ErrorCode(), db.ErrorMessage());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path, command;
  bool have_command = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-c" && i + 1 < argc) {
      command = argv[++i];
      have_command = true;
    } else if (path.empty() && a != "-c") {
      path = a;
    } else {
      path.clear();
      break;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "usage: tessdb FILE [-c SQL]\n");
    return 2;
  }
  tess::db::Status status;
  std::unique_ptr<Database> db = tess::platform::File::Exists(path)
                                     ? Database::Open(path, &status)
                                     : Database::Create(path, &status);
  if (!db) {
    PrintError(status);
    return 1;
  }
  bool failed = false;
  if (have_command) {
    failed = !RunLine(*db, command);
  } else {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      failed = !RunLine(*db, line) || failed;
      std::fflush(stdout);
    }
  }
  if (!db->Close()) {
    PrintError(tess::db::Error(tess::db::kCannotWriteFile));
    failed = true;
  }
  return failed ? 1 : 0;
}
