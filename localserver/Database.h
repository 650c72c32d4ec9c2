#pragma once
// The stand-in's SQLite database: opening, the Transact-SQL helper functions
// the rewritten SQL calls, the schema and the sample data.

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace localserver {

class DbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One value of a row, as SQLite holds it.
struct DbValue {
  enum Kind { Null, Int, Real, Text, Blob } kind = Null;
  int64_t i = 0;
  double d = 0;
  std::string s;  // Text (UTF-8) or Blob bytes

  static DbValue Of(int64_t v) { DbValue x; x.kind = Int; x.i = v; return x; }
  static DbValue OfReal(double v) { DbValue x; x.kind = Real; x.d = v; return x; }
  static DbValue OfText(std::string v) { DbValue x; x.kind = Text; x.s = std::move(v); return x; }
  static DbValue OfBlob(std::string v) { DbValue x; x.kind = Blob; x.s = std::move(v); return x; }
  int64_t AsInt() const;
  double AsReal() const;
  std::string AsText() const;
};

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, const DbValue& v);  // 1-based
  Statement& Bind(int index, int64_t v) { return Bind(index, DbValue::Of(v)); }
  Statement& Bind(int index, std::string v) { return Bind(index, DbValue::OfText(std::move(v))); }
  bool Step();  // true while a row is there
  int Columns() const;
  std::string ColumnName(int c) const;
  DbValue Column(int c) const;
  bool ReadOnly() const;
  sqlite3_stmt* Raw() const { return stmt_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

class Database {
 public:
  // Opens (creating when needed) the database file; ":memory:" works too.
  // A database without tables gets the schema and the sample data.
  explicit Database(const std::string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* Handle() const { return db_; }
  void Exec(std::string_view sql);
  int64_t LastInsertId() const;
  int Changes() const;
  // First column of the first row, or the fallback.
  DbValue Scalar(std::string_view sql, const std::vector<DbValue>& args = {});

 private:
  void RegisterFunctions();
  void CreateSchema();
  sqlite3* db_ = nullptr;
};

// Fills a new database with the sample station, users, customers, kinds,
// destinations, airlines, dictionaries, files and templates.
void LoadSampleData(Database& db);

// The T-SQL LIKE (character classes [..], case-insensitive for ASCII).
bool TsqlLike(std::string_view pattern, std::string_view text, int escape = -1);

}  // namespace localserver
