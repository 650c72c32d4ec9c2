// 1,000 sheet rows imported as waybills through the stand-in on loopback
// (per row: a number from the kind's series, a transfer number, the price,
// the procedure call and the fields sent after it, each a request of its
// own), beside the same waybill INSERTs and UPDATEs straight in the
// stand-in's SQLite database in the same run.  Rows per second are the
// counter "rows".
//
// The program starts its own stand-in (brantle-server from the build folder)
// on a free loopback port with a fresh database in a temporary folder, and
// stops it before it ends.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "common/TextCodec.h"
#include "entry/WaybillImport.h"
#include "office/ImportTable.h"
#include "platform/MessageBox.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = 1000;

struct Environment {
  fs::path root;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  std::unique_ptr<WaybillSaveLink> saveLink;
  sqlite3* db = nullptr;
  CServiceKind kind{"IMP75A"};
  platform::RecordingMessageBoxService boxes;
  int round = 0;
};
Environment* env = nullptr;

bool SetUp() {
  env = new Environment;
  platform::SetMessageBoxService(&env->boxes);
  env->root = fs::temp_directory_path() / ("brantle-importbench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  if (!benchsupport::LogInToStandIn(*env->server, env->root / "program", env->link)) return false;
  env->saveLink = MakeServerWaybillSaveLink(env->link);
  env->kind.idGenLow = 1;
  env->kind.idGenHigh = 75;
  if (sqlite3_open(env->server->Database().c_str(), &env->db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(env->db, 5000);
  // The stand-in's text collation, stood in by a byte comparison.
  sqlite3_create_collation(env->db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                             return c ? c : n1 - n2;
                           });
  return true;
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

void BM_ImportRowsThroughTheStandIn(benchmark::State& state) {
  waybillimport::ImportSetup setup;
  setup.mapping.mode = 0;
  setup.mapping.firstRow = 2;
  setup.mapping.columns.fill(-1);
  const int fields[] = {0, 2, 3, 6, 15, 17, 23, 24, 25, 56};
  for (int c = 0; c < 10; ++c) setup.mapping.columns[static_cast<size_t>(fields[c])] = c + 1;
  setup.templ.waybill.icID = 75001;
  setup.templ.waybill.year = 2024;
  setup.templ.waybill.month = 6;
  setup.templ.waybill.day = 1;
  setup.station = "SZ";
  waybillimport::ImportServices services;
  services.link = env->saveLink.get();
  services.findKind = [](std::string_view code) -> const CServiceKind* {
    return code == "IMP75A" ? &env->kind : nullptr;
  };
  int saved = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++env->round;
    std::vector<std::vector<std::u16string>> rows;
    for (int k = 0; k < kRows; ++k) {
      const std::u16string n = WideFromGbk(std::to_string(env->round * 100000 + k));
      rows.push_back({u"IB" + n, u"美国", u"IMP75A", u"2.5", u"John Smith",
                      u"1 Main Street, Los Angeles", u"Goods", u"2", u"2.5", u"REF-IB" + n});
    }
    CMemoryImportTable table(std::move(rows), false, 2);
    state.ResumeTiming();
    waybillimport::CWaybillImport import(services, setup);
    const waybillimport::ImportReport report = import.Run(table);
    saved = report.saved;
    if (report.saved != kRows) {
      state.SkipWithError("a row was refused");
      return;
    }
  }
  state.counters["rows"] = benchmark::Counter(saved, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ImportRowsThroughTheStandIn)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

bool Exec(const char* sql) {
  return sqlite3_exec(env->db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The same waybills straight in SQLite: the number series advanced twice,
// the waybill inserted and the fields after the call updated, each row in a
// transaction of its own as the procedure runs.
void BM_SameInsertsStraightInSqlite(benchmark::State& state) {
  int saved = 0;
  for (auto _ : state) {
    ++env->round;
    sqlite3_stmt* series = nullptr;
    sqlite3_stmt* rec = nullptr;
    sqlite3_stmt* extras = nullptr;
    sqlite3_prepare_v2(env->db, "UPDATE sys_numseries SET inext=inext+1 WHERE ckind=?", -1,
                       &series, nullptr);
    sqlite3_prepare_v2(env->db,
                       "INSERT INTO client_rec(icid,cnum,cserviceno,cemskind,ddate,cdes,fweight,"
                       "famount,iitem,creceiver,caddr,cgoods,iquantity,iprice,crno,cstationt) "
                       "VALUES(75001,?,?,'IMP75A','2024-06-01 00:00:00','美国',2.5,46,1,"
                       "'John Smith','1 Main Street, Los Angeles','Goods',2,250,?,'SZ')",
                       -1, &rec, nullptr);
    sqlite3_prepare_v2(env->db,
                       "UPDATE client_rec SET ctrans='',cbearer='',cunit='',csidcard='',cridcard='',"
                       "fgweight=0,fgoodsc=0 WHERE irid=?",
                       -1, &extras, nullptr);
    bool ok = true;
    saved = 0;
    for (int k = 0; k < kRows && ok; ++k) {
      const std::string n = std::to_string(env->round * 100000 + k);
      const std::string number = "IS" + n, reference = "REF-IS" + n;
      for (const char* kind : {"IMP75A", "75*"}) {
        ok = ok && Exec("BEGIN");
        sqlite3_bind_text(series, 1, kind, -1, SQLITE_STATIC);
        ok = ok && sqlite3_step(series) == SQLITE_DONE;
        sqlite3_reset(series);
        ok = ok && Exec("COMMIT");
      }
      ok = ok && Exec("BEGIN");
      sqlite3_bind_text(rec, 1, number.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(rec, 2, number.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(rec, 3, reference.c_str(), -1, SQLITE_TRANSIENT);
      ok = ok && sqlite3_step(rec) == SQLITE_DONE;
      sqlite3_reset(rec);
      ok = ok && Exec("COMMIT");
      const int64_t id = sqlite3_last_insert_rowid(env->db);
      ok = ok && Exec("BEGIN");
      sqlite3_bind_int64(extras, 1, id);
      ok = ok && sqlite3_step(extras) == SQLITE_DONE;
      sqlite3_reset(extras);
      ok = ok && Exec("COMMIT");
      if (ok) ++saved;
    }
    sqlite3_finalize(series);
    sqlite3_finalize(rec);
    sqlite3_finalize(extras);
    if (!ok) {
      state.SkipWithError(sqlite3_errmsg(env->db));
      return;
    }
  }
  state.counters["rows"] = benchmark::Counter(saved, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SameInsertsStraightInSqlite)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "entry_import_bench", SetUp, TearDown);
}
