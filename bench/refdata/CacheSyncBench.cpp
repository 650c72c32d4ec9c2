// The client list cache's synchronisation through the stand-in on loopback
// (sClientList pages of 500, JSON, HTTP on a new connection per page, the
// merge, the scrambled file written through a temporary file and the two
// indexes) beside a bare SQLite read of the same rows in the same run, so
// that the ratio shows what the protocol costs:
//   cold: 50,000 customers into an empty cache, against one SELECT of them;
//   warm: 100 changed customers into a full cache (load, sync, save,
//         indexes), against one SELECT of the rows changed since a stamp.
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
#include <string>

#include "common/TextCodec.h"
#include "refdata/ClientListCache.h"
#include "server/ServerLink.h"
#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "bench/TripCounters.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCustomers = 50000;
constexpr int kChanges = 100;

struct Environment {
  fs::path root;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  sqlite3* db = nullptr;
  std::string cachePath;
  int round = 0;
};
Environment* env = nullptr;

bool Exec(const std::string& sql) {
  char* error = nullptr;
  bool ok = sqlite3_exec(env->db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
  if (!ok) std::fprintf(stderr, "sqlite: %s\n", error ? error : "?");
  sqlite3_free(error);
  return ok;
}

int64_t CountCustomers() {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(env->db, "SELECT COUNT(1) FROM client_arc", -1, &st, nullptr);
  int64_t n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
  sqlite3_finalize(st);
  return n;
}

// Fills client_arc up to kCustomers.
bool AddCustomers() {
  int64_t have = CountCustomers();
  std::string sql =
      "WITH RECURSIVE n(x) AS (SELECT 100001 UNION ALL SELECT x+1 FROM n WHERE x<" +
      std::to_string(100000 + kCustomers - have) +
      ") INSERT INTO client_arc(icid,cunitname,cunitnamee,caccount,cstation,nactive) SELECT x, "
      "printf('Customer %06d Trading Co.', x), printf('Customer %06d', x), printf('K%06d', x), "
      "'BJ', 0 FROM n";
  return Exec(sql) && CountCustomers() == kCustomers;
}

bool SetUp() {
  env = new Environment;
  env->root = fs::temp_directory_path() / ("brantle-cachebench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  fs::path program = env->root / "program";
  if (!benchsupport::LogInToStandIn(*env->server, program, env->link)) return false;
  env->cachePath = (program / "DATA_SYS" / "c_.dat").string();
  if (sqlite3_open(env->server->Database().c_str(), &env->db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(env->db, 5000);
  return AddCustomers();
}

void TearDown() {
  if (!env) return;
  sqlite3_close(env->db);
  env->server.reset();
  fs::remove_all(env->root);
  delete env;
  env = nullptr;
}

void BM_ClientListColdSync(benchmark::State& state) {
  const StationSyncLink link = StationSyncLink::Of(env->link);
  const benchsupport::TripClock clock(env->server->Pid());
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(env->cachePath);
    CClientListCache cache;
    cache.SetLocation(env->cachePath, env->link.station);
    state.ResumeTiming();
    cache.Refresh(link);
    if (cache.Records().size() != static_cast<size_t>(kCustomers)) {
      state.SkipWithError("the cache did not get every customer");
      break;
    }
  }
  clock.Report(state, static_cast<int64_t>(state.iterations()) * kCustomers, 0);
  state.counters["rows"] = kCustomers;
}
BENCHMARK(BM_ClientListColdSync)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SqliteReadAll(benchmark::State& state) {
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(env->db, "SELECT icid,caccount,cunitname FROM client_arc ORDER BY icid", -1,
                       &st, nullptr);
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_int(st, 0));
      benchmark::DoNotOptimize(sqlite3_column_text(st, 1));
      benchmark::DoNotOptimize(sqlite3_column_text(st, 2));
      ++n;
    }
    sqlite3_finalize(st);
    if (n != kCustomers) {
      state.SkipWithError("the SELECT did not return every customer");
      break;
    }
  }
  state.counters["rows"] = kCustomers;
}
BENCHMARK(BM_SqliteReadAll)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100 customers change before each round.
bool ChangeCustomers() {
  ++env->round;
  const int first = 100001 + (env->round * kChanges) % (kCustomers - kChanges);
  return Exec("UPDATE client_arc SET cunitname=printf('Renamed %d', icid + " +
              std::to_string(env->round) + ") WHERE icid>=" + std::to_string(first) +
              " AND icid<" + std::to_string(first + kChanges));
}

void BM_ClientListWarmSync(benchmark::State& state) {
  const StationSyncLink link = StationSyncLink::Of(env->link);
  {
    CClientListCache cache;  // a full cache on disk to start from
    cache.SetLocation(env->cachePath, env->link.station);
    cache.Refresh(link);
  }
  for (auto _ : state) {
    state.PauseTiming();
    if (!ChangeCustomers()) {
      state.SkipWithError("cannot change customers");
      break;
    }
    CClientListCache cache;
    cache.SetLocation(env->cachePath, env->link.station);
    state.ResumeTiming();
    int loaded = cache.Load();
    int changes = cache.Sync(link);
    if (changes > 0) cache.Save();
    cache.BuildIndexes();
    if (loaded != 1 || changes != kChanges) {
      state.SkipWithError("the warm start did not find exactly the changed customers");
      break;
    }
  }
  state.counters["changes"] = kChanges;
}
BENCHMARK(BM_ClientListWarmSync)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SqliteReadChanged(benchmark::State& state) {
  // The rows changed since the newest stamp before the change.
  sqlite3_stmt* top = nullptr;
  sqlite3_prepare_v2(env->db, "SELECT max(dlast) FROM client_arc", -1, &top, nullptr);
  std::string stamp;
  if (sqlite3_step(top) == SQLITE_ROW && sqlite3_column_text(top, 0))
    stamp = reinterpret_cast<const char*>(sqlite3_column_text(top, 0));
  sqlite3_finalize(top);
  if (!ChangeCustomers()) {
    state.SkipWithError("cannot change customers");
    return;
  }
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(env->db,
                       "SELECT icid,caccount,cunitname FROM client_arc WHERE dlast>? ORDER BY dlast,icid",
                       -1, &st, nullptr);
    sqlite3_bind_text(st, 1, stamp.c_str(), -1, SQLITE_TRANSIENT);
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_text(st, 2));
      ++n;
    }
    sqlite3_finalize(st);
    if (n != kChanges) {
      state.SkipWithError("the SELECT did not return the changed customers");
      break;
    }
  }
  state.counters["changes"] = kChanges;
}
BENCHMARK(BM_SqliteReadChanged)->Iterations(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "cache sync benchmark", SetUp, TearDown);
}
