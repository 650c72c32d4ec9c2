// 200 sealed bags put on one master air waybill through the link and the
// stand-in on loopback: per bag the add by number (a procedure call with
// its twelve outputs), the bag row from the outputs and the bag's parcels
// read and appended, as page 12's form does them; beside the same UPDATE
// and SELECTs straight in the stand-in's SQLite database in the same run.
//
// The program starts its own stand-in (brantle-server from the build
// folder) with a fresh database in a temporary folder, adds a master air
// waybill and 200 sealed bags of one waybill each, and stops it before it
// ends.  Between rounds the bags are taken off again straight in the
// database, untimed.

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
#include "bench/BenchSqlite.h"
#include "bench/BenchStandIn.h"
#include "consolidation/AwbBags.h"
#include "consolidation/AwbParcels.h"
#include "platform/MessageBox.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"

namespace fs = std::filesystem;

namespace {

constexpr int kBags = 200;
constexpr const char16_t* kAwb = u"777-77700001";

struct Environment {
  fs::path root;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  sqlite3* db = nullptr;
  platform::RecordingMessageBoxService boxes;
};
Environment* env = nullptr;

bool Exec(const std::string& sql) { return sqlite3_exec(env->db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }

std::u16string BagNumber(int k) {
  char number[32];
  std::snprintf(number, sizeof number, "BAB%05d", k);
  return std::u16string(number, number + std::strlen(number));
}

bool TakeAllOff() {
  return Exec("UPDATE client_rec_xbag SET nstate=1,cawb='',caddawb='',daddawb=NULL WHERE cxno LIKE 'BAB%'");
}

bool SetUp() {
  env = new Environment;
  platform::SetMessageBoxService(&env->boxes);
  env->root = fs::temp_directory_path() / ("brantle-awbbagsbench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  if (!benchsupport::LogInToStandIn(*env->server, env->root / "program", env->link)) return false;
  if (sqlite3_open(env->server->Database().c_str(), &env->db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(env->db, 5000);
  // The reference compares the bag number column as the server does.
  if (!benchsupport::RegisterTsqlCollation(env->db)) return false;
  return Exec("INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,nstate,ntype) VALUES('777-77700001',"
              "'QS','PVG','LAX','2024-06-01 00:00:00',0,1)") &&
         Exec("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<200) "
              "INSERT INTO client_rec(irid,icid,cnum,cserviceno,iitem,fweight,fweights,caddr,cdes,cawb,clwh,"
              "idvalue,ngstate,ixbag,bpay,ddate) SELECT 77000+x,1,printf('AWB%05d',x),printf('SVB%05d',x),1,1.5,"
              "1.5,'Address','LAX','','20*20*20',300,0,1,1,'2024-06-01 00:00:00' FROM n") &&
         Exec("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<200) "
              "INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,nstate,ntype,nshare,cawb,dsysdate,cinput,iitem,"
              "fweight) SELECT 1000077000+x,printf('BAB%05d',x),'PVG','LAX',1,0,0,'','2024-06-01 00:00:00',"
              "'admin',1,1.5 FROM n") &&
         Exec("INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) SELECT 1000077000+(irid-77000),"
              "irid,1,'admin','2024-06-01 00:00:00' FROM client_rec WHERE irid BETWEEN 77001 AND 77200");
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

awb::DimensionRules Rules() {
  awb::DimensionRules rules;
  rules.parse = [](std::string_view, int32_t& l, int32_t& w, int32_t& h) {
    l = w = h = 20;
    return char(0);
  };
  rules.volumetric = [](int32_t l, int32_t w, int32_t h, char) { return l * w * h / 6; };
  return rules;
}

void BM_BagsLoadedOntoAnAwbThroughTheStandIn(benchmark::State& state) {
  CServerLink& link = env->link;
  const serverlink::ProcedureSender send = [&link](std::string_view sql, std::span<const uint32_t> t,
                                                   std::string& reply) { return link.SqlExecute(sql, t, &reply); };
  const awb::DimensionRules rules = Rules();
  for (auto _ : state) {
    state.PauseTiming();
    if (!TakeAllOff()) {
      state.SkipWithError("the bags could not be taken off");
      return;
    }
    state.ResumeTiming();
    std::vector<awb::BagRow> bags;
    std::vector<awb::ParcelRow> parcels;
    awb::ParcelSums sums;
    for (int k = 1; k <= kBags; ++k) {
      serverlink::ProcedureResult result;
      if (!serverlink::CallProcedure(send, awb::AddBagSql(0, BagNumber(k), kAwb, u"管理员"), awb::AddBagTypes(),
                                     result) ||
          result.code <= 0) {
        state.SkipWithError("a bag was refused");
        return;
      }
      bags.push_back(awb::BagRowFromOutputs(result.code, result.outputs, u"", u""));
      std::string reply;
      if (link.SqlQuery(awb::BagParcelSql(result.code), awb::BagParcelTypes(), &reply) <= 9) {
        state.SkipWithError("no parcels came back");
        return;
      }
      const size_t before = parcels.size();
      awb::ReadParcelRows(reply, false, rules, parcels);
      for (size_t i = before; i < parcels.size(); ++i) sums.Add(parcels[i]);
    }
    if (bags.size() != kBags || sums.rows != kBags || sums.ChargeableGrams() != kBags * 1500) {
      state.SkipWithError("not every bag and parcel is listed");
      return;
    }
  }
  state.counters["bags"] = kBags;
  state.counters["per_bag"] =
      benchmark::Counter(kBags, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BagsLoadedOntoAnAwbThroughTheStandIn)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same per bag, the change in a transaction of its own as the server
// runs a request: the bag looked up, the UPDATE, the outputs' SELECT and
// the parcel SELECT, straight in SQLite.
void BM_SameStatementsStraightInSqlite(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    if (!TakeAllOff()) {
      state.SkipWithError("the bags could not be taken off");
      return;
    }
    state.ResumeTiming();
    sqlite3_stmt *find = nullptr, *update = nullptr, *outputs = nullptr, *parcels = nullptr;
    sqlite3_prepare_v2(env->db, "SELECT ixid,nstate,cawb FROM client_rec_xbag WHERE cxno=?", -1, &find, nullptr);
    sqlite3_prepare_v2(env->db,
                       "UPDATE client_rec_xbag SET nstate=2,cawb='777-77700001',caddawb='admin',"
                       "daddawb=datetime('now') WHERE ixid=?",
                       -1, &update, nullptr);
    sqlite3_prepare_v2(env->db,
                       "SELECT cxno,cfrom,cdes,cinput,dsysdate,iitem,corder,chno,fweight,chorder,cby4,cmemo "
                       "FROM client_rec_xbag WHERE ixid=?",
                       -1, &outputs, nullptr);
    sqlite3_prepare_v2(env->db,
                       "SELECT a.irid,a.cnum,a.cserviceno,a.iitem,a.fweights,a.clwh,b.wpos,c.ilong,d.ixid,d.cxno "
                       "FROM client_rec AS a INNER JOIN client_rec_xbag_item AS b ON(a.irid=b.irid) INNER JOIN "
                       "client_rec_xbag AS d ON(d.ixid=b.ixid) LEFT OUTER JOIN client_rec_weight_detail AS c "
                       "ON(a.irid=c.irid AND b.wpos=c.wpos) WHERE d.ixid=? ORDER BY b.ddate",
                       -1, &parcels, nullptr);
    int rows = 0;
    for (int k = 1; k <= kBags; ++k) {
      char number[32];
      std::snprintf(number, sizeof number, "BAB%05d", k);
      Exec("BEGIN");
      sqlite3_bind_text(find, 1, number, -1, SQLITE_TRANSIENT);
      const int64_t id = sqlite3_step(find) == SQLITE_ROW ? sqlite3_column_int64(find, 0) : 0;
      sqlite3_reset(find);
      sqlite3_bind_int64(update, 1, id);
      sqlite3_step(update);
      sqlite3_reset(update);
      sqlite3_bind_int64(outputs, 1, id);
      sqlite3_step(outputs);
      sqlite3_reset(outputs);
      Exec("COMMIT");
      sqlite3_bind_int64(parcels, 1, id);
      while (sqlite3_step(parcels) == SQLITE_ROW) ++rows;
      sqlite3_reset(parcels);
    }
    sqlite3_finalize(find);
    sqlite3_finalize(update);
    sqlite3_finalize(outputs);
    sqlite3_finalize(parcels);
    if (rows != kBags) {
      state.SkipWithError("not every parcel was read");
      return;
    }
  }
  state.counters["bags"] = kBags;
  state.counters["per_bag"] =
      benchmark::Counter(kBags, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SameStatementsStraightInSqlite)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "consolidation_awb_bags_bench", SetUp, TearDown);
}
