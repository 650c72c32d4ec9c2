// 1,000 "sSqlQuery" round trips of a 50-row result through the server link
// (scrambling, JSON, HTTP on a new loopback connection each time, the
// stand-in's T-SQL rewriting and SQLite), beside the same SELECT run straight
// on the stand-in's SQLite file in the same run.  Every request goes on a
// new connection closed after the reply ("Connection: Close"), the
// protocol's own cost.
// Target: the round trip within 3x of the direct SELECT.  Beside the times,
// the client's and the stand-in's CPU per row, measured apart.
//
// The program starts its own stand-in (brantle-server from the build folder)
// on a free loopback port with a fresh database in a temporary folder, and
// stops it before it ends.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "bench/TripCounters.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = 50;

const char* kLinkSql =
    "SELECT TOP 50 a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate FROM brantle.dbo.client_rec AS a "
    "WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.irid>0  "
    "ORDER BY a.irid DESC";
const char* kSqliteSql =
    "SELECT a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate FROM client_rec AS a INNER JOIN "
    "client_arc AS b ON(a.icid=b.icid) WHERE a.irid>0 ORDER BY a.irid DESC LIMIT 50";

struct Environment {
  fs::path root;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  bool ready = false;
};
Environment* env = nullptr;

// Enough waybills for a 50-row page, whatever the sample holds: 80 more
// after its own, numbered apart from them.
bool AddWaybills(const std::string& database) {
  sqlite3* db = nullptr;
  if (sqlite3_open(database.c_str(), &db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(db, 5000);
  const char* sql =
      "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<80) "
      "INSERT INTO client_rec(icid,cnum,cserviceno,cdes,nstate,ddate,dsysdate) "
      "SELECT 1 + (x % 3), printf('BN%08d', 80000000 + x), printf('SV%08d', 50000000 + x), "
      "'United States', x % 4, '2024-03-01 10:00:00', '2024-03-01 10:00:00' FROM n";
  bool ok = sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!ok) std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
  sqlite3_close(db);
  return ok;
}

bool SetUp() {
  env = new Environment;
  env->root = fs::temp_directory_path() / ("brantle-bench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  fs::path program = env->root / "program";
  if (!benchsupport::LogInToStandIn(*env->server, program, env->link)) return false;
  return AddWaybills(env->server->Database());
}

void TearDown() {
  if (!env) return;
  env->server.reset();
  fs::remove_all(env->root);
  delete env;
  env = nullptr;
}

const uint32_t kTypes[] = {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 32),
                           AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 64),
                           AcsTypeEntry(kSqlCUTinyInt)};

void BM_ServerLinkSqlQuery(benchmark::State& state) {
  CServerLink& link = env->link;
  int64_t rows = 0;
  const benchsupport::TripClock clock(env->server->Pid());
  for (auto _ : state) {
    auto guard = link.LockReply();
    int length = link.SqlQuery(kLinkSql, kTypes);
    int total = JsonGetInt("iTotal", guard.Text(), 0);
    if (length <= 0 || link.lastReturnValue != 1 || total != kRows) {
      state.SkipWithError("the query did not return 50 rows");
      break;
    }
    // Read the rows as a list page would.
    std::string_view list = JsonListBody(guard.Text(), "List");
    size_t pos = 0;
    std::string_view row;
    while (JsonNextObject(list, pos, row)) {
      benchmark::DoNotOptimize(JsonGetInt("0", row, 0));
      benchmark::DoNotOptimize(JsonGetString("2", row, 31));
      ++rows;
    }
  }
  clock.Report(state, rows, 0);
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ServerLinkSqlQuery)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SqliteDirectSelect(benchmark::State& state) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(env->server->Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK) {
    state.SkipWithError("cannot open the database");
    sqlite3_close(db);
    return;
  }
  int64_t rows = 0;
  for (auto _ : state) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kSqliteSql, -1, &stmt, nullptr);
    int n = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_int(stmt, 0));
      benchmark::DoNotOptimize(sqlite3_column_text(stmt, 2));
      ++n;
    }
    sqlite3_finalize(stmt);
    if (n != kRows) {
      state.SkipWithError("the SELECT did not return 50 rows");
      break;
    }
    rows += n;
  }
  sqlite3_close(db);
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SqliteDirectSelect)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "server link benchmark", SetUp, TearDown);
}
