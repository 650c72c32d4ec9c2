// Page 13's chunked load of 100,000 waybills over the stand-in server, per
// row: the loading alone, and the loading into the page's grid; beside them
// the same SELECT stepped straight on the stand-in's SQLite database, which
// runs first so that each trip reports its wall time as a multiple of it
// (counter x_reference).  The CPU column of a trip is the client's: every
// thread of this process (the page's worker and the window's thread), the
// stand-in being another process; counters client_us_row and
// standin_us_row give each side's CPU per row (bench/TripCounters.h).
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
#include "bench/TripCounters.h"
#include "server/ServerLink.h"
#include "shipping/RecordQuery.h"
#include "shipping/RecordQueryPage.h"
#include "ui/ViewHost.h"

namespace {

constexpr int kRows = 100000;

std::filesystem::path g_root;
std::unique_ptr<StandInServer> g_server;
std::unique_ptr<CServerLink> g_link;
// The reference's wall time per iteration in this run (seconds).
double g_referenceSeconds = 0;

class LinkHost : public CViewHost {
 public:
  CServerLink* ServerLink() override { return g_link.get(); }
};

const std::u16string& Statement() {
  static const std::u16string sql = recordquery::WithOrder(
      u"SELECT TOP 20000 " + std::u16string(recordquery::kSelect) +
      u" WHERE a.ddate BETWEEN '2025.07.01 0:0:0.0' AND '2025.07.31 23:59:59.998'");
  return sql;
}

bool SetUp() {
  g_root = std::filesystem::temp_directory_path() / ("brantle-recordquery-bench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(g_root, g_server)) return false;
  g_link = std::make_unique<CServerLink>();
  if (!benchsupport::LogInToStandIn(*g_server, g_root / "program", *g_link)) return false;
  sqlite3* db = nullptr;
  if (sqlite3_open(g_server->Database().c_str(), &db) != SQLITE_OK) return false;
  const std::string insert =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<" + std::to_string(kRows) +
      ") INSERT INTO client_rec(icid,cnum,ddate,cdes,cemskind,iitem,fweights,cgoods,cserviceno) "
      "SELECT (SELECT MIN(icid) FROM client_arc),printf('BR19%06d',i),printf('2025-07-%02d "
      "10:00:00',1+i%31),'LAX','DHL',1+i%3,i*0.25,'Documents and samples',printf('SV%08d',i) FROM n";
  const bool ok = sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

void TearDown() {
  g_link.reset();
  g_server.reset();
  std::filesystem::remove_all(g_root);
}

// Reference: the same SELECT stepped on SQLite, every column read.
void BM_SqliteSelect(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(g_server->Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  const char* sql =
      "SELECT a.irid,a.icid,a.isid,a.fweights,a.cdes,a.cemskind,a.ddate,a.cserviceno,a.cnum,a.nstate,"
      "a.iitem,a.cawb,a.cgoods,a.crno,a.ccno,d.cxno,d.cmark,d.ctype,d.ctransnote,d.corder,d.cby1,"
      "d.cby2,d.cby3,d.cby4,d.cby5,d.chno,d.cinput,d.dsysdate,d.cpack,d.dpack,d.caddawb,d.daddawb,"
      "b.cunitname,b.caccount FROM client_rec AS a INNER JOIN client_arc AS b ON(a.icid=b.icid) "
      "LEFT OUTER JOIN client_rec_xbag_item AS e ON(a.irid=e.irid) LEFT OUTER JOIN client_rec_xbag "
      "AS d ON(e.ixid=d.ixid) WHERE a.ddate BETWEEN '2025-07-01 00:00:00' AND '2025-07-31 "
      "23:59:59.998' ORDER BY a.irid";
  int64_t rows = 0;
  const double wall = benchsupport::WallSeconds();
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    int64_t n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < 34; ++c) benchmark::DoNotOptimize(sqlite3_column_text(st, c));
      ++n;
    }
    sqlite3_finalize(st);
    if (n != kRows) state.SkipWithError("rows missing");
    rows += n;
  }
  if (state.iterations() > 0)
    g_referenceSeconds = (benchsupport::WallSeconds() - wall) / static_cast<double>(state.iterations());
  sqlite3_close(db);
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_SqliteSelect)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The chunked loading alone (rows read into the page's cell texts).
void BM_RecordQueryLoad(benchmark::State& state) {
  int64_t rows = 0;
  const benchsupport::TripClock clock(g_server->Pid());
  for (auto _ : state) {
    size_t n = 0;
    recordquery::Load(*g_link, Statement(), [&n](std::vector<recordquery::Row>&& some) { n += some.size(); });
    if (n != static_cast<size_t>(kRows)) state.SkipWithError("rows missing");
    rows += static_cast<int64_t>(n);
  }
  clock.Report(state, rows, g_referenceSeconds);
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_RecordQueryLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(3);

// The page: worker, posted chunks and the grid filled.
void BM_RecordQueryPage(benchmark::State& state) {
  LinkHost host;
  CRecordQueryPage page;
  page.host = &host;
  page.CreatePageWindow(nullptr, QSize(1270, 700));
  page.OnPageCreated();
  int64_t rows = 0;
  const benchsupport::TripClock clock(g_server->Pid());
  for (auto _ : state) {
    page.StartQuery(Statement());
    // The window's thread sleeps until the worker posts, as in the program's
    // own event loop (a polling wait would count as the client's CPU).
    while (page.Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (page.grid->RowCount() != kRows) state.SkipWithError("rows missing");
    rows += page.grid->RowCount();
  }
  clock.Report(state, rows, g_referenceSeconds);
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_RecordQueryPage)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return benchsupport::RunBenchmarks(argc, argv, "shipping_bench", SetUp, TearDown);
}
