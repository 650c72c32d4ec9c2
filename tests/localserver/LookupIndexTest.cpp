// The stand-in's look-ups of a scanned or keyed number go through an index
// (without one each request scans its whole table while every other client
// waits, requests being served one at a time), they still compare as the
// server compares texts, and a program that writes to the database file
// without the server's TSQL collation can still write.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "localserver/Database.h"
#include "localserver/ProcHelpers.h"
#include "tests/TempFolder.h"

using localserver::Database;
using localserver::DbValue;
using localserver::TextKeyEquals;

namespace {

std::string Plan(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &st, nullptr) != SQLITE_OK)
    return std::string("cannot prepare: ") + sqlite3_errmsg(db);
  std::string plan;
  while (sqlite3_step(st) == SQLITE_ROW)
    plan += std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 3))) + "\n";
  sqlite3_finalize(st);
  return plan;
}

std::vector<int> Ids(Database& db, const std::string& sql, const std::string& key) {
  std::vector<int> out;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db.Handle(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return {-1};
  sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
  while (sqlite3_step(st) == SQLITE_ROW) out.push_back(sqlite3_column_int(st, 0));
  sqlite3_finalize(st);
  return out;
}

struct Lookup {
  const char* table;
  const char* column;
  const char* index;
};

// The hand-over check, the bag item add by number (waybill, transfer and
// piece numbers) and the number checks of a waybill save.
const Lookup kLookups[] = {
    {"client_rec", "cnum", "client_rec_cnum_key"},
    {"client_rec", "cserviceno", "client_rec_cserviceno_key"},
    {"client_rec_weight_detail", "cnum", "client_rec_weight_detail_cnum_key"},
    {"client_rec_weight_detail", "cno", "client_rec_weight_detail_cno_key"},
};

TEST(LookupIndexTest, NumberLookupsUseTheirKeyIndex) {
  Database db(":memory:");
  for (const Lookup& l : kLookups) {
    const std::string sql = std::string("SELECT irid FROM ") + l.table + " WHERE " + TextKeyEquals(l.column, 1) +
                            " ORDER BY irid";
    const std::string plan = Plan(db.Handle(), sql);
    EXPECT_NE(std::string::npos, plan.find(std::string("INDEX ") + l.index)) << sql << "\n" << plan;
  }
}

// The same rows as the column's own comparison finds (ASCII case and
// trailing blanks ignored, other bytes exact), in the order of their ids.
TEST(LookupIndexTest, FindsWhatTheServersComparisonFinds) {
  Database db(":memory:");
  db.Exec("INSERT INTO client_rec(irid,icid,cnum) VALUES(900009,1,'ab53x'),(900003,1,'AB53X  '),"
          "(900005,1,'Ab53X'),(900007,1,'AB53Y'),(900011,1,' AB53X'),(900013,1,'电53'),(900015,1,'电53 ')");
  struct Case {
    const char* key;
    std::vector<int> ids;
  };
  const Case cases[] = {
      {"AB53X", {900003, 900005, 900009}},
      {"ab53x   ", {900003, 900005, 900009}},
      {" ab53x", {900011}},
      {"AB53", {}},
      {"电53", {900013, 900015}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.ids, Ids(db, "SELECT irid FROM client_rec WHERE " + TextKeyEquals("cnum", 1) + " ORDER BY irid", c.key))
        << c.key;
    EXPECT_EQ(c.ids, Ids(db, "SELECT irid FROM client_rec WHERE cnum=?1 ORDER BY irid", c.key)) << c.key;
  }
}

class LookupIndexFileTest : public testsupport::TempFolderTest {};

// A connection of another program, without the TSQL collation, writes
// waybills and piece rows as before; a database made before the indexes
// gets them when the stand-in opens it.
TEST_F(LookupIndexFileTest, OtherWritersAndOlderDatabases) {
  const std::string path = (folder_ / "stand-in.db").string();
  {
    Database db(path);
    for (const Lookup& l : kLookups) db.Exec(std::string("DROP INDEX ") + l.index);
  }
  {
    Database db(path);  // opened again: the indexes are back
    for (const Lookup& l : kLookups)
      EXPECT_NE(std::string::npos,
                Plan(db.Handle(), std::string("SELECT irid FROM ") + l.table + " WHERE " +
                                      TextKeyEquals(l.column, 1))
                    .find(l.index));
  }
  sqlite3* other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &other));
  char* error = nullptr;
  EXPECT_EQ(SQLITE_OK,
            sqlite3_exec(other,
                         "INSERT INTO client_rec(irid,icid,cnum,cserviceno) VALUES(900101,1,'OW53','SV53');"
                         "UPDATE client_rec SET cnum='OW53B' WHERE irid=900101;"
                         "INSERT INTO client_rec_weight_detail(irid,wpos,cnum,cno) VALUES(900101,1,'OW53-1','P1');",
                         nullptr, nullptr, &error))
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(other);
  Database db(path);
  EXPECT_EQ((std::vector<int>{900101}),
            Ids(db, "SELECT irid FROM client_rec WHERE " + TextKeyEquals("cnum", 1), "ow53b"));
}

}  // namespace
