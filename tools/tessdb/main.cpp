// tessdb FILE [-c SQL]: runs statements against a database file, creating it
// when it does not exist. Statements come one per line from standard input,
// or from -c; a line that ends inside a quoted literal continues on the next,
// the line break belonging to the literal (so a dump replays text with line
// breaks; a literal still open at the end of the input is closed there, as
// the tokenizer does). A SELECT prints a header line of column names, then one line
// per row, values separated by tabs; a failing statement prints
// "error CODE: MESSAGE". The exit status is 1 when any statement failed.
//
// For crash tests, TESSDB_KILL_AT_WRITE=N ends the process at the Nth write
// to its files (TESSDB_KILL_TEAR=1: after half of that write's bytes).
#include <cstdio>
#include <cstdlib>
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

bool IsCommand(std::string_view line) {
  size_t start = line.find_first_not_of(" \t");
  return start != std::string_view::npos && line[start] == '.';
}

// The offset of the literal that `text` leaves open, lexing from `from` (the
// start of a literal found open before, or 0); npos when none is open.
size_t OpenLiteralAt(std::string_view text, size_t from) {
  tess::db::Lexer lex(text.substr(from));
  while (true) {
    size_t mark = lex.Mark();
    tess::db::Token t = lex.Next();
    if (t.empty()) return std::string_view::npos;
    if (t.unterminated) return from + mark;
  }
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
    if (command == ".vacuum") {
      if (!db.Vacuum()) {
        PrintError(db.ErrorCode(), db.ErrorMessage());
        return false;
      }
      return true;
    }
    if (command == ".dump") {
      bool ok;
      for (const auto& l : tess::db::DumpDatabase(db, &ok)) {
        std::fwrite(l.data(), 1, l.size(), stdout);  // text values may hold any byte
        std::fputc('\n', stdout);
      }
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
  if (const char* kill = std::getenv("TESSDB_KILL_AT_WRITE")) {
    const char* tear = std::getenv("TESSDB_KILL_TEAR");
    tess::db::SetFileWriteKill(std::strtoull(kill, nullptr, 10), tear && *tear == '1');
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
    std::string line, statement;
    size_t open = std::string::npos;
    while (std::getline(std::cin, line)) {
      if (open == std::string::npos) {
        statement = line;
      } else {
        statement.append(1, '\n').append(line);
      }
      open = IsCommand(statement) ? std::string::npos
                                  : OpenLiteralAt(statement, open == std::string::npos ? 0 : open);
      if (open != std::string::npos) continue;
      // Outside a literal a carriage return is only the line's end.
      if (!statement.empty() && statement.back() == '\r') statement.pop_back();
      failed = !RunLine(*db, statement) || failed;
      std::fflush(stdout);
    }
    if (open != std::string::npos) failed = !RunLine(*db, statement) || failed;
  }
  if (!db->Close()) {
    PrintError(tess::db::Error(tess::db::kCannotWriteFile));
    failed = true;
  }
  return failed ? 1 : 0;
}
