#pragma once
// The stand-in's SQLite database: opening, the Transact-SQL helper functions
// the rewritten SQL calls, the schema and the sample data.

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
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

class Database;

class Statement {
 public:
  // On the connection of a Database and outside its client scopes, the
  // statement is kept prepared after use (reset, bindings cleared) for the
  // next one with the same text, as the server's own statements repeat.
  Statement(sqlite3* db, std::string_view sql);
  // A client's statement, made inside a Database::ClientSqlScope: kept
  // prepared after use (reset, bindings cleared) for the next one with the
  // same text, which takes it over instead of compiling the text again.
  // Outside a client scope the same as the constructor above.
  struct KeepPrepared {};
  Statement(Database& db, std::string_view sql, KeepPrepared);
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
  void Prepare(std::string_view sql);
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  Database* keeper_ = nullptr;  // takes the statement back when set
  bool own_ = false;            // kept among the server's own statements
  std::string text_;            // the text it is kept under
};

// The longest text or byte value (and table row) the database holds or
// computes; every real value is far below it (attachments up to 1 MiB).
inline constexpr int kMaxValueBytes = 2 * 1024 * 1024;

class Database {
 public:
  // Opens (creating when needed) the database file; ":memory:" works too.
  // A database without tables gets the schema and the sample data in one
  // transaction.  Files run in WAL mode with full sync.  One thread at a
  // time may use the database (the Service's lock); only StopAll and the
  // deadline may be set from any thread.
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

  // Every statement stops (SQLITE_INTERRUPT) once the deadline has passed,
  // until ClearDeadline.
  void SetDeadline(std::chrono::steady_clock::time_point deadline);
  void ClearDeadline();
  bool DeadlinePassed() const { return expired_; }
  // Stops the running statement and every later one, for good.
  void StopAll() { stopped_ = true; }
  bool Stopped() const { return stopped_; }
  // Rolls back whatever transaction is open, deadline or stop regardless.
  // True when no transaction is open afterwards.
  bool RollbackAll();

  // While one lives, the statements prepared and run pass the client
  // policy (ClientSqlPolicy.h).  The policy's callback stays installed for
  // the connection's life and applies only inside a scope, so that
  // statements kept prepared are not expired by every scope.
  class ClientSqlScope {
   public:
    explicit ClientSqlScope(Database& db);
    ~ClientSqlScope();
    ClientSqlScope(const ClientSqlScope&) = delete;
    ClientSqlScope& operator=(const ClientSqlScope&) = delete;

   private:
    Database& db_;
  };

 private:
  friend class Savepoint;
  friend class Statement;
  static int Progress(void* self);
  static int Authorize(void* self, int action, const char* arg1, const char* arg2,
                       const char* database, const char* trigger);
  // Client statements kept prepared, by text; a statement in use is not
  // here.
  sqlite3_stmt* TakeKept(const std::string& text);
  void Keep(std::string text, sqlite3_stmt* stmt);
  void DropKept();
  std::unordered_map<std::string, sqlite3_stmt*> kept_;
  // The server's own statements kept prepared, apart from the clients' (a
  // client's text never takes over a statement prepared without the client
  // policy).
  static Database* Owning(sqlite3* db);
  sqlite3_stmt* TakeOwnKept(const std::string& text);
  void KeepOwn(std::string text, sqlite3_stmt* stmt);
  std::unordered_map<std::string, sqlite3_stmt*> ownKept_;
  int clientScopes_ = 0;  // ClientSqlScopes alive
  void RegisterFunctions();
  void CreateSchema();
  sqlite3* db_ = nullptr;
  std::atomic<int64_t> deadline_{0};  // steady-clock nanoseconds, 0 = none
  std::atomic<bool> expired_{false};
  std::atomic<bool> stopped_{false};
  std::atomic<int> exempt_{0};  // rollbacks run whatever the deadline
};

// SAVEPOINT on construction; Release() keeps the changes.  Without it the
// changes are rolled back, and when ROLLBACK TO fails the whole transaction
// is, so that no later write joins one that stays open.
class Savepoint {
 public:
  Savepoint(Database& db, std::string name);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;
  void Release();

 private:
  Database& db_;
  std::string name_;
  bool open_ = true;
};

// Fills a new database with the sample station, users, customers, kinds,
// destinations, airlines, dictionaries, files and templates, inside the
// caller's transaction.
void LoadSampleData(Database& db);
// The postcode zone files of the sample data (SampleZones.cpp).
void LoadSampleZones(Database& db);
// The generated customers and destinations of the station caches.
void LoadSampleCustomers(Database& db);
// More airlines, airports, flights and their price bands.
void LoadSampleFlights(Database& db);
// More service kinds, their field lists, suppliers and the DHL areas.
void LoadSampleServiceKinds(Database& db);
// Customers, master air waybills and bags of the record lists.
void LoadSampleQuickSearch(Database& db);

// The T-SQL LIKE (character classes [..], case-insensitive for ASCII).
bool TsqlLike(std::string_view pattern, std::string_view text, int escape = -1);

}  // namespace localserver
