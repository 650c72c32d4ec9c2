// 1,000 waybills saved and loaded back through the link and the stand-in on
// loopback (the procedure call, the piece rows, the fields sent after the
// call and the goods rows per save, each a scrambled request on a new
// connection; "sRecData" per load), beside the same rows inserted and read
// straight in the stand-in's SQLite database in the same run.
//
// The program starts its own stand-in (brantle-server from the build folder)
// on a free loopback port with a fresh database in a temporary folder, and
// stops it before it ends.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "bench/TripCounters.h"
#include "common/TextCodec.h"
#include "entry/WaybillSave.h"
#include "platform/MessageBox.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWaybills = 1000;

struct Environment {
  fs::path root;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  std::unique_ptr<WaybillSaveLink> saveLink;
  sqlite3* db = nullptr;
  CServiceKind kind{GbkFromWide(u"ZIZ国际")};
  platform::RecordingMessageBoxService boxes;
  int round = 0;
};
Environment* env = nullptr;

PieceLine Piece(int n) {
  PieceLine p{};
  p.ixLong = 30;
  p.ixWidth = 20;
  p.ixHeight = 10;
  p.ixWeight = 1000 + n;
  p.nxPercent = 100;
  std::snprintf(p.cxNo, sizeof p.cxNo, "P-%d", n);
  return p;
}

GoodsLine Goods(int n) {
  GoodsLine g{};
  std::snprintf(g.cgoods, sizeof g.cgoods, "Goods %d", n);
  std::strcpy(g.cunit, "PCS");
  g.iquantity = n;
  g.fprice = 2.5;
  return g;
}

void FillEntry(WaybillEntry& e, const std::string& number) {
  e = WaybillEntry{};
  e.kind = &env->kind;
  e.customerId = 1;
  e.dateText = u"2024.6.1";
  e.itemCount = 2;
  e.texts[1] = u"美国";
  e.texts[2] = WideFromGbk(number);
  e.texts[4] = u"2.5";
  e.texts[5] = u"120";
  e.texts[6] = u"陈先生";
  e.texts[7] = u"John Smith";
  e.texts[11] = u"1 Main Street, Los Angeles";
  e.texts[22] = u"bench";
  e.pieces = {Piece(1), Piece(2)};
  e.goods = {Goods(1), Goods(2)};
  e.goodsChanged = true;
}

bool SetUp() {
  env = new Environment;
  platform::SetMessageBoxService(&env->boxes);
  env->root = fs::temp_directory_path() / ("brantle-waybillbench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  if (!benchsupport::LogInToStandIn(*env->server, env->root / "program", env->link)) return false;
  env->saveLink = MakeServerWaybillSaveLink(env->link);
  if (sqlite3_open(env->server->Database().c_str(), &env->db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(env->db, 5000);
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

void BM_SaveAndLoadThroughTheLink(benchmark::State& state) {
  const benchsupport::TripClock clock(env->server->Pid());
  for (auto _ : state) {
    ++env->round;
    std::vector<int32_t> ids;
    ids.reserve(kWaybills);
    WaybillEntry entry;
    CWaybillSaver saver(*env->saveLink, entry);
    for (int k = 0; k < kWaybills; ++k) {
      char number[32];
      std::snprintf(number, sizeof number, "BL%02d%06d", env->round, k);
      FillEntry(entry, number);
      if (saver.Save() != CWaybillSaver::Outcome::Saved) {
        state.SkipWithError("a save failed");
        return;
      }
      ids.push_back(saver.Working().waybill.irID);
    }
    for (int32_t id : ids) {
      if (!saver.LoadForEditing(id, false) || entry.pieces.size() != 2 || entry.goods.size() != 2) {
        state.SkipWithError("a load failed");
        return;
      }
    }
  }
  clock.Report(state, static_cast<int64_t>(state.iterations()) * kWaybills, 0);
  state.counters["waybills"] = kWaybills;
}
BENCHMARK(BM_SaveAndLoadThroughTheLink)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

bool Exec(const char* sql) {
  return sqlite3_exec(env->db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The same rows (a waybill, two pieces, two goods lines, each waybill in a
// transaction of its own as the procedure runs) and the same reads, straight
// in SQLite; the goods lines through the key the stand-in's load uses, so the
// reference does not scan the growing goods table once per waybill.
void BM_SameRowsStraightInSqlite(benchmark::State& state) {
  for (auto _ : state) {
    ++env->round;
    sqlite3_stmt* rec = nullptr;
    sqlite3_stmt* piece = nullptr;
    sqlite3_stmt* goods = nullptr;
    sqlite3_prepare_v2(env->db,
                       "INSERT INTO client_rec(icid,cnum,cserviceno,cemskind,ddate,cdes,fweight,"
                       "famount,iitem,creceiver,caddr,csender,cmemo) "
                       "VALUES(1,?,?,'ZIZ国际','2024-06-01 00:00:00','美国',2.5,120,2,"
                       "'John Smith','1 Main Street, Los Angeles','陈先生','bench')",
                       -1, &rec, nullptr);
    sqlite3_prepare_v2(env->db,
                       "INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,"
                       "iweight,npercent,cno) VALUES(?,?,30,20,10,?,100,?)",
                       -1, &piece, nullptr);
    sqlite3_prepare_v2(env->db,
                       "INSERT INTO client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice) "
                       "VALUES(?,?,?,'PCS',?,2.5)",
                       -1, &goods, nullptr);
    std::vector<int64_t> ids;
    bool ok = true;
    for (int k = 0; k < kWaybills && ok; ++k) {
      char number[32];
      std::snprintf(number, sizeof number, "BS%02d%06d", env->round, k);
      ok = Exec("BEGIN");
      sqlite3_bind_text(rec, 1, number, -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(rec, 2, number, -1, SQLITE_TRANSIENT);
      ok = ok && sqlite3_step(rec) == SQLITE_DONE;
      sqlite3_reset(rec);
      const int64_t id = sqlite3_last_insert_rowid(env->db);
      for (int n = 1; n <= 2 && ok; ++n) {
        const std::string no = "P-" + std::to_string(n);
        sqlite3_bind_int64(piece, 1, id);
        sqlite3_bind_int(piece, 2, n);
        sqlite3_bind_int(piece, 3, 1000 + n);
        sqlite3_bind_text(piece, 4, no.c_str(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(piece) == SQLITE_DONE;
        sqlite3_reset(piece);
        const std::string name = "Goods " + std::to_string(n);
        sqlite3_bind_int(goods, 1, n - 1);
        sqlite3_bind_int64(goods, 2, id);
        sqlite3_bind_text(goods, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(goods, 4, n);
        ok = ok && sqlite3_step(goods) == SQLITE_DONE;
        sqlite3_reset(goods);
      }
      ok = ok && Exec("COMMIT");
      ids.push_back(id);
    }
    sqlite3_finalize(rec);
    sqlite3_finalize(piece);
    sqlite3_finalize(goods);
    if (!ok) {
      state.SkipWithError("an insert failed");
      return;
    }
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* lines = nullptr;
    sqlite3_prepare_v2(env->db, "SELECT * FROM client_rec WHERE irid=?", -1, &read, nullptr);
    sqlite3_prepare_v2(env->db,
                       "SELECT (SELECT count(*) FROM client_rec_weight_detail WHERE irid=?1),"
                       "(SELECT count(*) FROM client_rec_goods WHERE irid+0=?1)",
                       -1, &lines, nullptr);
    for (int64_t id : ids) {
      sqlite3_bind_int64(read, 1, id);
      ok = sqlite3_step(read) == SQLITE_ROW;
      benchmark::DoNotOptimize(sqlite3_column_text(read, 1));
      sqlite3_reset(read);
      sqlite3_bind_int64(lines, 1, id);
      ok = ok && sqlite3_step(lines) == SQLITE_ROW && sqlite3_column_int(lines, 0) == 2;
      sqlite3_reset(lines);
      if (!ok) break;
    }
    sqlite3_finalize(read);
    sqlite3_finalize(lines);
    if (!ok) state.SkipWithError("a read failed");
  }
  state.counters["waybills"] = kWaybills;
}
BENCHMARK(BM_SameRowsStraightInSqlite)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "entry_waybill_bench", SetUp, TearDown);
}
