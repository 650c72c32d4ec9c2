// Page 1 filled with 1,000 waybills from the stand-in: the list query sent
// through the link on loopback, the reply parsed into the 37 columns of the
// grid and the grid painted; beside it in the same run, the same columns
// read straight from the stand-in's SQLite database (the reference), which
// runs first so that the trip reports its wall time as a multiple of it
// (counter x_reference).  The trip's CPU column is the client's (every
// thread of this process; the stand-in is another process); counters
// client_us_row and standin_us_row give each side's CPU per row
// (bench/TripCounters.h).
//
// The program starts its own stand-in on a fresh database, adds 960 copies
// of the 40 sample waybills (numbers BR17000001 ...) and stops it at the
// end.  Offscreen; it makes its own QApplication.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QImage>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "bench/TripCounters.h"
#include "entry/FullFormPageRows.h"
#include "entry/WaybillPage.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "ui/ViewHost.h"

namespace fs = std::filesystem;

namespace {

class ScreenHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1600, 900); }
};

struct Environment {
  fs::path root;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  sqlite3* db = nullptr;
  platform::RecordingMessageBoxService boxes;
  ScreenHost host;
  std::unique_ptr<CWaybillPage> page;
};
Environment* env = nullptr;
// The reference's wall time per iteration in this run (seconds).
double g_referenceSeconds = 0;

std::u16string ListSql() {
  std::u16string sql = WaybillListDateHead();
  const std::u16string parts[] = {u"1000", WaybillListSelect(), u"ddate", u"2000-01-01 00:00:00",
                                  u"2030-12-31 23:59:59"};
  for (const auto& part : parts) sql.replace(sql.find(u'%'), 2, part);
  return sql + u" ORDER BY a.irid";
}

// 24 copies of the 40 sample waybills.
bool AddWaybills() {
  std::string columns;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(env->db, "PRAGMA table_info(client_rec)", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) {
    const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
    if (name == "irid") continue;
    columns += (columns.empty() ? "" : ",") + name;
  }
  sqlite3_finalize(st);
  for (int copy = 1; copy <= 24; ++copy) {
    std::string values = columns;
    const std::string number = "'BR17'||substr('000000'||(irid+" + std::to_string(copy * 100) + "),-6)";
    const std::string transfer = "'SV17'||substr('000000'||(irid+" + std::to_string(copy * 100) + "),-6)";
    values.replace(values.find("cnum"), 4, number);
    values.replace(values.find("cserviceno"), 10, transfer);
    const std::string sql = "INSERT INTO client_rec(" + columns + ") SELECT " + values +
                            " FROM client_rec WHERE cnum LIKE 'BR1000%'";
    char* error = nullptr;
    if (sqlite3_exec(env->db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::fprintf(stderr, "%s\n", error ? error : "insert failed");
      return false;
    }
  }
  return true;
}

bool SetUp() {
  env = new Environment();
  env->root = fs::temp_directory_path() / ("brantle-page1-bench-" + std::to_string(::getpid()));
  platform::SetMessageBoxService(&env->boxes);
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  if (!benchsupport::LogInToStandIn(*env->server, env->root / "program", env->link)) return false;
  if (sqlite3_open(env->server->Database().c_str(), &env->db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(env->db, 5000);
  if (!AddWaybills()) return false;
  env->page = std::make_unique<CWaybillPage>();
  env->page->index = 1;
  env->page->host = &env->host;
  env->page->SetLink(&env->link);
  env->page->CreatePageWindow(nullptr, QSize(1600, 900));
  env->page->OnPageCreated();
  env->page->resize(1600, 900);
  env->page->show();
  return env->page->RunListQuery(ListSql()) == 1000;
}

void TearDown() {
  if (env == nullptr) return;
  env->page.reset();
  if (env->db != nullptr) sqlite3_close(env->db);
  env->server.reset();
  fs::remove_all(env->root);
  platform::SetMessageBoxService(nullptr);
  delete env;
  env = nullptr;
}

// The reference: the same columns read straight from SQLite.
void BM_SameRowsStraightFromSqlite(benchmark::State& state) {
  std::string select = "SELECT ";
  std::u16string list = WaybillListSelect();
  select += std::string(list.begin(), list.end());
  select += " FROM client_rec a INNER JOIN client_arc b ON(a.icid=b.icid) ORDER BY a.irid LIMIT 1000";
  const double wall = benchsupport::WallSeconds();
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(env->db, select.c_str(), -1, &st, nullptr);
    int rows = 0;
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      ++rows;
      for (int c = 0; c < sqlite3_column_count(st); ++c) bytes += sqlite3_column_bytes(st, c);
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(bytes);
    if (rows != 1000) state.SkipWithError("not 1,000 rows");
  }
  if (state.iterations() > 0)
    g_referenceSeconds = (benchsupport::WallSeconds() - wall) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SameRowsStraightFromSqlite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_Page1QueryToPaintedGrid(benchmark::State& state) {
  const std::u16string sql = ListSql();
  const benchsupport::TripClock clock(env->server->Pid());
  for (auto _ : state) {
    const int rows = env->page->RunListQuery(sql);
    // The page painted on the screen now, as the window shows it once the
    // list is filled: the update the fill asked for (the grid and the count
    // label) is done here and not later in the next query's wait.  The
    // entry form beside the list is not painted again, as on the screen
    // (a repaint() of the page would paint it too, a grab() a second time).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    if (rows != 1000) state.SkipWithError("the list did not come back with 1,000 rows");
  }
  clock.Report(state, state.iterations() * 1000, g_referenceSeconds);
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Page1QueryToPaintedGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return benchsupport::RunBenchmarks(argc, argv, "entry_page_bench", SetUp, TearDown);
}
