#pragma once
// Statements run straight on a stand-in's SQLite database beside the
// running server (WAL mode lets both work on it): a test changes the data
// behind the server's back or looks at what a request left there.  Tests
// that include this link SQLite::SQLite3.

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace testsupport {

// The first column of the first row of the query, -1 without one.
inline int64_t CountOnDatabase(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  int64_t n = -1;
  if (sqlite3_open(database.c_str(), &db) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return n;
}

// True when every statement of the text ran.
inline bool ExecOnDatabase(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(database.c_str(), &db) == SQLITE_OK;
  if (ok) {
    sqlite3_busy_timeout(db, 5000);
    ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  sqlite3_close(db);
  return ok;
}

}  // namespace testsupport
