// 1,000 parcels scanned into a bag through the link and the stand-in on
// loopback: per parcel the item add by number (a procedure call), the
// read-back of the new row and its weights, as the bagging form does them;
// beside the same INSERT, count and SELECT straight in the stand-in's SQLite
// database in the same run.
//
// The program starts its own stand-in (brantle-server from the build folder)
// on a free loopback port with a fresh database in a temporary folder, adds
// 1,000 one-piece waybills to it, and stops it before it ends.  Each round
// bags them into a new bag; between rounds the items are emptied straight
// in the database, untimed.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "common/Json.h"
#include "consolidation/BaggingLogic.h"
#include "platform/MessageBox.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"

namespace fs = std::filesystem;

namespace {

constexpr int kParcels = 1000;

struct Environment {
  fs::path root;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  sqlite3* db = nullptr;
  platform::RecordingMessageBoxService boxes;
  int round = 0;
};
Environment* env = nullptr;

std::u16string Number(int k) {
  char number[32];
  std::snprintf(number, sizeof number, "BC-B%06d", k);
  return std::u16string(number, number + std::strlen(number));
}

bagging::BagWeightRules Rules() {
  bagging::BagWeightRules rules;
  rules.parseDimensions = [](std::string_view, int32_t&, int32_t&, int32_t&) { return char(0); };
  rules.volumetric = [](int32_t l, int32_t w, int32_t h, char) { return l * w * h / 6; };
  return rules;
}

bool Exec(const char* sql) { return sqlite3_exec(env->db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool EmptyTheBags() {
  return Exec("DELETE FROM client_rec_xbag_item WHERE irid IN(SELECT irid FROM client_rec WHERE cnum "
              "LIKE 'BC-B%')") &&
         Exec("UPDATE client_rec SET ixbag=0 WHERE cnum LIKE 'BC-B%'");
}

bool SetUp() {
  env = new Environment;
  platform::SetMessageBoxService(&env->boxes);
  env->root = fs::temp_directory_path() / ("brantle-baggingbench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  if (!benchsupport::LogInToStandIn(*env->server, env->root / "program", env->link)) return false;
  if (sqlite3_open(env->server->Database().c_str(), &env->db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(env->db, 5000);
  sqlite3_create_collation(env->db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                             return c ? c : n1 - n2;
                           });
  return Exec("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<1000) "
              "INSERT INTO client_rec(icid,cnum,cserviceno,iitem,fweight,fweights,caddr,cdes,cawb,"
              "ngstate,ixbag,ddate) SELECT 1,printf('BC-B%06d',x),printf('SV-B%06d',x),1,1.5,1.5,"
              "'Address','JFK','',0,0,'2024-05-06 00:00:00' FROM n");
}

void TearDown() {
  if (!env) return;
  platform::SetMessageBoxService(nullptr);
  sqlite3_close(env->db);
  env->server.reset();
  fs::remove_all(env->root);
  delete env;
  env = nullptr;
}

int32_t NewBag() {
  bagging::BagHeaderFields f;
  char number[32];
  std::snprintf(number, sizeof number, "BCBENCH%04d", ++env->round);
  f.number = std::u16string(number, number + std::strlen(number));
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  serverlink::ProcedureResult result;
  CServerLink& link = env->link;
  const serverlink::ProcedureSender send = [&link](std::string_view sql, std::span<const uint32_t> t,
                                                   std::string& reply) {
    return link.SqlExecute(sql, t, &reply);
  };
  if (!serverlink::CallProcedure(send, bagging::SaveBagSql(f, 0, 0, u"管理员"), types, result)) return -1;
  return result.code;
}

void BM_ParcelsScannedIntoABagThroughTheStandIn(benchmark::State& state) {
  CServerLink& link = env->link;
  const serverlink::ProcedureSender send = [&link](std::string_view sql, std::span<const uint32_t> t,
                                                   std::string& reply) {
    return link.SqlExecute(sql, t, &reply);
  };
  const std::vector<uint32_t> itemTypes = bagging::BagItemTypes();
  bagging::ItemCheckArgs checks;
  for (auto _ : state) {
    state.PauseTiming();
    if (!EmptyTheBags()) {
      state.SkipWithError("the bags could not be emptied");
      return;
    }
    const int32_t bag = NewBag();
    state.ResumeTiming();
    if (bag <= 0) {
      state.SkipWithError("no bag");
      return;
    }
    std::vector<bagging::BagItemRow> rows;
    bagging::BagTotals totals;
    for (int k = 1; k <= kParcels; ++k) {
      const std::string sql =
          bagging::ItemAddSql(true, bag, -1, -1, Number(k), 1, u"管理员", checks);
      const bagging::ItemAddOutcome added = bagging::SendItemAdd(send, sql, 1, false, nullptr);
      if (!added.replied || added.code <= 0) {
        state.SkipWithError("a parcel was refused");
        return;
      }
      std::string reply;
      if (link.SqlQuery(bagging::BagItemReadBackSql(bag, added.code, true, 1), itemTypes, &reply) <= 9 ||
          !bagging::ReadBagItemRows(reply, Rules(), rows, totals)) {
        state.SkipWithError("a row did not come back");
        return;
      }
    }
    if (rows.size() != kParcels || totals.actual < kParcels * 1.5 - 0.001) {
      state.SkipWithError("not every parcel is in the bag");
      return;
    }
  }
  state.counters["parcels"] = kParcels;
  state.counters["per_parcel"] = benchmark::Counter(
      kParcels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ParcelsScannedIntoABagThroughTheStandIn)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same per parcel, each in a transaction of its own as the server runs
// a request: the item INSERT, the bagged-piece count and the read-back
// SELECT, straight in SQLite.
void BM_SameStatementsStraightInSqlite(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    if (!EmptyTheBags()) {
      state.SkipWithError("the bags could not be emptied");
      return;
    }
    const int bag = 90000 + (++env->round);
    state.ResumeTiming();
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* count = nullptr;
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(env->db, "SELECT irid FROM client_rec WHERE cnum=?", -1, &find, nullptr);
    sqlite3_prepare_v2(env->db,
                       "INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) "
                       "VALUES(?,?,1,'admin',datetime('now'))",
                       -1, &insert, nullptr);
    sqlite3_prepare_v2(env->db,
                       "UPDATE client_rec SET ixbag=(SELECT count(*) FROM client_rec_xbag_item "
                       "WHERE irid=?1) WHERE irid=?1",
                       -1, &count, nullptr);
    sqlite3_prepare_v2(env->db,
                       "SELECT a.irid,a.cnum,a.fweights,b.wpos,c.ilong FROM client_rec AS a INNER JOIN "
                       "client_rec_xbag_item AS b ON(a.irid=b.irid) LEFT OUTER JOIN "
                       "client_rec_weight_detail AS c ON(a.irid=c.irid AND b.wpos=c.wpos) "
                       "WHERE b.ixid=? AND b.irid=? ORDER BY b.wpos",
                       -1, &read, nullptr);
    int rows = 0;
    for (int k = 1; k <= kParcels; ++k) {
      char number[32];
      std::snprintf(number, sizeof number, "BC-B%06d", k);
      Exec("BEGIN");
      sqlite3_bind_text(find, 1, number, -1, SQLITE_TRANSIENT);
      const int irid = sqlite3_step(find) == SQLITE_ROW ? sqlite3_column_int(find, 0) : 0;
      sqlite3_reset(find);
      sqlite3_bind_int(insert, 1, bag);
      sqlite3_bind_int(insert, 2, irid);
      sqlite3_step(insert);
      sqlite3_reset(insert);
      sqlite3_bind_int(count, 1, irid);
      sqlite3_step(count);
      sqlite3_reset(count);
      Exec("COMMIT");
      sqlite3_bind_int(read, 1, bag);
      sqlite3_bind_int(read, 2, irid);
      while (sqlite3_step(read) == SQLITE_ROW) ++rows;
      sqlite3_reset(read);
    }
    sqlite3_finalize(find);
    sqlite3_finalize(insert);
    sqlite3_finalize(count);
    sqlite3_finalize(read);
    if (rows != kParcels) {
      state.SkipWithError("not every parcel was read back");
      return;
    }
  }
  state.counters["parcels"] = kParcels;
  state.counters["per_parcel"] = benchmark::Counter(
      kParcels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SameStatementsStraightInSqlite)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "consolidation_bagging_bench", SetUp, TearDown);
}
