// The field update of a 1,000-row CSV file through the link and the stand-in
// on loopback (per row: the look-up of the waybill by number and the UPDATE,
// each a scrambled request on a new connection), beside the same look-ups
// and UPDATEs straight in the stand-in's SQLite database in the same run.
//
// The program starts its own stand-in (brantle-server from the build folder)
// on a free loopback port with a fresh database in a temporary folder, adds
// 1,000 waybills to it, and stops it before it ends.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/BenchMain.h"
#include "bench/BenchSqlite.h"
#include "bench/BenchStandIn.h"
#include "bench/TripCounters.h"
#include "common/CsvReader.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shipping/RecordImport.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = 1000;

struct Environment {
  fs::path root;
  fs::path csv;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  std::unique_ptr<RecordImportLink> importLink;
  sqlite3* db = nullptr;
  platform::RecordingMessageBoxService boxes;
  int round = 0;
};
Environment* env = nullptr;

std::u16string W(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }

std::string Number(int k) {
  char number[32];
  std::snprintf(number, sizeof number, "BR16%06d", k);
  return number;
}

// The file of a round: every row a receiver in Chinese, a memo, an amount
// and a quantity.
void WriteCsv(int round) {
  std::u16string text = W("运单号,收件人,备注,代收货款,物品数量\r\n");
  for (int k = 1; k <= kRows; ++k)
    text += QString::fromStdString(Number(k)).toStdU16String() + W(",收件人") +
            QString::number(k).toStdU16String() + u",round " +
            QString::number(round).toStdU16String() + u",12.5," +
            QString::number(k % 5 + 1).toStdU16String() + u"\r\n";
  std::ofstream(env->csv, std::ios::binary) << GbkFromWide(text);
}

bool SetUp() {
  env = new Environment;
  platform::SetMessageBoxService(&env->boxes);
  env->root = fs::temp_directory_path() / ("brantle-importbench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  if (!benchsupport::LogInToStandIn(*env->server, env->root / "program", env->link)) return false;
  env->importLink = MakeServerRecordImportLink(env->link);
  env->csv = env->root / "update.csv";
  if (sqlite3_open(env->server->Database().c_str(), &env->db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(env->db, 5000);
  // The server's text collation, as the stand-in compares.
  if (!benchsupport::RegisterTsqlCollation(env->db)) return false;
  return sqlite3_exec(env->db,
                      "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<1000) "
                      "INSERT INTO client_rec(icid,cnum,ddate) SELECT 1,printf('BR16%06d',x),"
                      "'2024-03-01 00:00:00' FROM n",
                      nullptr, nullptr, nullptr) == SQLITE_OK;
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

void BM_CsvFieldUpdateThroughTheStandIn(benchmark::State& state) {
  const benchsupport::TripClock clock(env->server->Pid());
  for (auto _ : state) {
    state.PauseTiming();
    WriteCsv(++env->round);
    state.ResumeTiming();
    CCsvReader reader(54936);
    if (!reader.LoadFile(env->csv)) {
      state.SkipWithError("the file did not load");
      return;
    }
    CCsvImportTable table(reader, 1);
    FieldUpdateChoice choice;
    choice.csv = true;
    MapFieldUpdateHeader({W("运单号"), W("收件人"), W("备注"), W("代收货款"), W("物品数量")},
                         choice);
    RecordImportContext context;
    context.link = env->importLink.get();
    RecordImportReport report = RunFieldUpdate(choice, table, context);
    if (report.updated != kRows) {
      state.SkipWithError("not every row was updated");
      return;
    }
  }
  clock.Report(state, static_cast<int64_t>(state.iterations()) * kRows, 0);
  state.counters["rows"] = kRows;
  state.counters["per_row"] = benchmark::Counter(
      kRows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CsvFieldUpdateThroughTheStandIn)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same look-up and UPDATE per row, each in a transaction of its own as
// the server runs a request, straight in SQLite.
void BM_SameUpdatesStraightInSqlite(benchmark::State& state) {
  for (auto _ : state) {
    ++env->round;
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(env->db,
                       "SELECT a.irid FROM client_rec a INNER JOIN client_arc b ON(a.icid=b.icid) "
                       "WHERE a.cnum=?",
                       -1, &find, nullptr);
    sqlite3_prepare_v2(env->db,
                       "UPDATE client_rec SET creceiver=?,fgoods=12.5,iquantity=?,cmemo=? "
                       "WHERE irid=?",
                       -1, &update, nullptr);
    bool ok = true;
    const std::string memo = "round " + std::to_string(env->round);
    for (int k = 1; k <= kRows && ok; ++k) {
      const std::string number = Number(k);
      sqlite3_bind_text(find, 1, number.c_str(), -1, SQLITE_TRANSIENT);
      ok = sqlite3_step(find) == SQLITE_ROW;
      const int64_t id = ok ? sqlite3_column_int64(find, 0) : 0;
      sqlite3_reset(find);
      const std::string receiver = "收件人" + std::to_string(k);
      sqlite3_bind_text(update, 1, receiver.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(update, 2, k % 5 + 1);
      sqlite3_bind_text(update, 3, memo.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int64(update, 4, id);
      ok = ok && sqlite3_step(update) == SQLITE_DONE && sqlite3_changes(env->db) == 1;
      sqlite3_reset(update);
    }
    sqlite3_finalize(find);
    sqlite3_finalize(update);
    if (!ok) state.SkipWithError("an update failed");
  }
  state.counters["rows"] = kRows;
  state.counters["per_row"] = benchmark::Counter(
      kRows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SameUpdatesStraightInSqlite)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "shipping_import_bench", SetUp, TearDown);
}
