// Page 14's list of 5,000 master air waybills over the stand-in server:
// the query and its rows read on the worker, and the same with the rows
// listed in the page's grid; beside them the same SELECT stepped straight
// on the stand-in's SQLite database.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "common/TextCodec.h"
#include "consolidation/AwbList.h"
#include "consolidation/AwbListPage.h"
#include "server/ServerLink.h"
#include "ui/QuickSearchQueries.h"
#include "ui/ViewHost.h"

namespace {

constexpr int kRows = 5000;

std::filesystem::path g_root;
std::unique_ptr<StandInServer> g_server;
std::unique_ptr<CServerLink> g_link;

class LinkHost : public CViewHost {
 public:
  CServerLink* ServerLink() override { return g_link.get(); }
};

// The bench's own master air waybills: numbers 746-00000001 on.
const std::u16string& Statement() {
  static const std::u16string sql = [] {
    AwbQueryConditions conditions;
    conditions.route = u"all";
    conditions.awbPrefix = u"746";
    return awblist::ListSql(conditions, u"all");
  }();
  return sql;
}

bool SetUp() {
  g_root = std::filesystem::temp_directory_path() / ("brantle-awblist-bench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(g_root, g_server)) return false;
  g_link = std::make_unique<CServerLink>();
  if (!benchsupport::LogInToStandIn(*g_server, g_root / "program", *g_link)) return false;
  sqlite3* db = nullptr;
  if (sqlite3_open(g_server->Database().c_str(), &db) != SQLITE_OK) return false;
  const std::string insert =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<" + std::to_string(kRows) +
      ") INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,itweight,cflightno,"
      "cflightno2,dfdate,nstate,ntype,detd,deta,ifreight,icustout,icustin,idelivery,iother) "
      "SELECT printf('746-%08d',i),'航线七四六','PVG','LAX',printf('2026-01-%02d %02d:%02d:00',"
      "1+i%28,i%24,i%60),1+i%40,i*250,'QS746','',CASE WHEN i%3=0 THEN '1900-01-01 00:00:00' ELSE "
      "printf('2026-01-%02d 23:10:00',1+i%28) END,i%3,i%2,printf('2026-01-%02d 23:10:00',1+i%28),"
      "printf('2026-01-%02d 05:30:00',2+i%27),i%2,0,0,0,0 FROM n";
  const bool ok = sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

void TearDown() {
  g_link.reset();
  g_server.reset();
  std::filesystem::remove_all(g_root);
}

// The query and its rows read into plain records, as the worker does.
void BM_AwbListLoad(benchmark::State& state) {
  int64_t rows = 0;
  for (auto _ : state) {
    awblist::LoadResult result = awblist::Load(
        [](const std::string& sql, std::string& reply) {
          return g_link->SqlQuery(sql, awblist::ColumnTypes(), &reply);
        },
        Statement());
    if (result.rows.size() != static_cast<size_t>(kRows)) state.SkipWithError("rows missing");
    rows += static_cast<int64_t>(result.rows.size());
  }
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_AwbListLoad)->Unit(benchmark::kMillisecond)->Iterations(5);

// The page: the worker, the rows posted and the grid filled.
void BM_AwbListPage(benchmark::State& state) {
  LinkHost host;
  CAwbListPage page;
  page.host = &host;
  page.CreatePageWindow(nullptr, QSize(1270, 700));
  page.OnPageCreated();
  int64_t rows = 0;
  for (auto _ : state) {
    page.StartQuery(Statement());
    while (page.Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (page.grid->RowCount() != kRows) state.SkipWithError("rows missing");
    rows += page.grid->RowCount();
  }
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_AwbListPage)->Unit(benchmark::kMillisecond)->Iterations(5);

// Reference: the same SELECT stepped on SQLite, every column read.
void BM_SqliteSelect(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(g_server->Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  const char* sql =
      "SELECT cawb,cairline,cfrom,cdes,ipcs,itweight,cflightno,ddate,dfdate,nstate,detd,deta FROM "
      "client_rec_pack WHERE ntype IN(0,1) AND cawb LIKE '746-%' ORDER BY ddate DESC LIMIT 5000";
  int64_t rows = 0;
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    int64_t n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < 12; ++c) benchmark::DoNotOptimize(sqlite3_column_text(st, c));
      ++n;
    }
    sqlite3_finalize(st);
    if (n != kRows) state.SkipWithError("rows missing");
    rows += n;
  }
  sqlite3_close(db);
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_SqliteSelect)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return benchsupport::RunBenchmarks(argc, argv, "consolidation_awb_list_bench", SetUp, TearDown);
}
