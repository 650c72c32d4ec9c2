// A bag of 2,000 items loaded by scan into the seal form through the link
// and the stand-in on loopback: the bag number typed, then the header query,
// the item query, every item's weights and totals, and the item grid filled,
// as Enter in the bag number box does it; beside the same two SELECTs
// stepped straight on the stand-in's SQLite database in the same run.
//
// The program starts its own stand-in (brantle-server from the build folder)
// on a free loopback port with a fresh database in a temporary folder, adds
// 2,000 waybills and one open bag holding them, and stops it before it
// ends.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchMain.h"
#include "bench/BenchStandIn.h"
#include "consolidation/BagSeal.h"
#include "consolidation/BagSealForm.h"
#include "consolidation/BaggingLogic.h"
#include "consolidation/BaggingServices.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "ui/ListGrid.h"

namespace fs = std::filesystem;

namespace {

constexpr int kItems = 2000;
constexpr char kBagNumber[] = "BSBENCH2000";

// The form's services over the benchmark's link: the weights as the
// program computes them for a class letter of 6.
class BenchServices : public CBaggingServices {
 public:
  explicit BenchServices(CServerLink& link) : link_(link) {}
  CServerLink& Link() override { return link_; }
  std::string DictionaryText(int) const override { return {}; }
  int ReadSysFile(std::string_view, int32_t, std::string_view, std::string&, size_t) override { return 0; }
  const std::string& ProgramFolder() const override { return folder_; }
  std::u16string NormalizeNumber(std::u16string_view text) override { return std::u16string(text); }
  int ShowRecordPrompts(std::u16string_view, int, int32_t, bool) override { return 0; }
  int CheckRecordCode(int32_t, std::u16string_view, int) override { return 1; }
  int ImportNumberList(std::vector<std::u16string>&, std::u16string*, int) override { return 0; }
  void PlayResultSound(int) override {}
  void SpeakWeight(int32_t) override {}
  int ChooseCommonPrompt(std::u16string&) override { return 0; }
  char ParseDimensions(std::string_view text, int32_t& l, int32_t& w, int32_t& h) const override {
    l = w = h = 0;
    if (std::sscanf(std::string(text).c_str(), "%d*%d*%d", &l, &w, &h) != 3) l = w = h = 0;
    return 0;
  }
  int32_t VolumetricWeight(int32_t l, int32_t w, int32_t h, char) const override {
    return static_cast<int32_t>(static_cast<int64_t>(l) * w * h / 6);
  }
  std::u16string AreaText(std::string_view, std::string_view) override { return {}; }

 private:
  CServerLink& link_;
  std::string folder_;
};

struct Environment {
  fs::path root;
  std::unique_ptr<StandInServer> server;
  CServerLink link;
  sqlite3* db = nullptr;
  platform::RecordingMessageBoxService boxes;
  std::unique_ptr<BenchServices> services;
  std::unique_ptr<CBagSealDlg> form;
  int32_t bagId = 0;
};
Environment* env = nullptr;

bool Exec(const std::string& sql) {
  return sqlite3_exec(env->db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SetUp() {
  env = new Environment;
  platform::SetMessageBoxService(&env->boxes);
  env->root = fs::temp_directory_path() / ("brantle-bagsealbench-" + std::to_string(::getpid()));
  if (!benchsupport::StartStandIn(env->root, env->server)) return false;
  if (!benchsupport::LogInToStandIn(*env->server, env->root / "program", env->link)) return false;
  if (sqlite3_open(env->server->Database().c_str(), &env->db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(env->db, 5000);
  sqlite3_create_collation(env->db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                             return c ? c : n1 - n2;
                           });
  // Every other waybill has two pieces with a piece row each; one piece of
  // them is in the bag.
  const std::string n = std::to_string(kItems);
  if (!Exec("BEGIN") ||
      !Exec("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<" + n + ") "
            "INSERT INTO client_rec(irid,icid,cnum,cserviceno,iitem,fweight,fweights,caddr,cdes,cemskind,"
            "clwh,cawb,ngstate,ixbag,ddate,idvalue,cmoney) SELECT 380000+x,1,printf('BS-B%06d',x),"
            "printf('SV-B%06d',x),1+(x%2),1.5,1.5,'Address','JFK','ZIZ国际',CASE WHEN x%3=0 THEN "
            "'40*30*20' ELSE '' END,'',0,1,'2024-06-01 00:00:00',1000,'USD' FROM n") ||
      !Exec("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<" + n + ") "
            "INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,cno) "
            "SELECT 380000+x,1,30,20,10,800,printf('PB%06d',x) FROM n WHERE x%2=1") ||
      !Exec("INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,cstationd,nstate,ntype,nshare,cawb,"
            "dsysdate,cinput,iitem,fweight,il,iw,ih,icub,dpack,daddawb,dunpack) VALUES(38999,'" +
            std::string(kBagNumber) + "','PEK','JFK','SZ','BJ',0,0,2,'',datetime('now','localtime'),'管理员'," +
            n + ",0,0,0,0,0,'1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00')") ||
      !Exec("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<" + n + ") "
            "INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) SELECT 38999,380000+x,1,"
            "'管理员',datetime('2024-06-02 00:00:00','+'||x||' seconds') FROM n") ||
      !Exec("COMMIT"))
    return false;
  env->bagId = 38999;
  env->services = std::make_unique<BenchServices>(env->link);
  env->form = std::make_unique<CBagSealDlg>(env->services.get(), nullptr, QSize(1280, 800));
  env->form->ResetForPage();
  return true;
}

void TearDown() {
  if (!env) return;
  env->form.reset();
  platform::SetMessageBoxService(nullptr);
  sqlite3_close(env->db);
  env->server.reset();
  fs::remove_all(env->root);
  delete env;
  env = nullptr;
}

void BM_BagOf2000ItemsScannedIntoTheSealForm(benchmark::State& state) {
  CBagSealDlg& form = *env->form;
  for (auto _ : state) {
    form.NumberEdit()->setText(QString::fromLatin1(kBagNumber).toLower() + " ");
    if (form.LoadBag(0) != 1 || form.BagId() != env->bagId || form.Grid()->RowCount() != kItems) {
      state.SkipWithError("the bag did not load whole");
      return;
    }
  }
  state.counters["items"] = kItems;
}
BENCHMARK(BM_BagOf2000ItemsScannedIntoTheSealForm)->Unit(benchmark::kMillisecond)->UseRealTime();

// The stand-in's own tables without the "brantle.dbo." names.
std::string Local(std::string sql) {
  const std::string prefix = "brantle.dbo.";
  for (size_t at = sql.find(prefix); at != std::string::npos; at = sql.find(prefix))
    sql.erase(at, prefix.size());
  return sql;
}

// The header and item SELECTs of the form, each row's columns read, straight
// in SQLite.
void BM_SameTwoSelectsStraightInSqlite(benchmark::State& state) {
  const std::string header = Local(bagging::BagHeaderSqlByNumber(bagseal::ScanNumber(u"bsbench2000 ")));
  const std::string items = Local(bagging::BagItemsSql(env->bagId, 0));
  for (auto _ : state) {
    int rows = 0;
    for (const std::string* sql : {&header, &items}) {
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(env->db, sql->c_str(), -1, &st, nullptr) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(env->db));
        return;
      }
      while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c)
          benchmark::DoNotOptimize(sqlite3_column_text(st, c));
        ++rows;
      }
      sqlite3_finalize(st);
    }
    if (rows != kItems + 1) {
      state.SkipWithError("not every row came");
      return;
    }
  }
  state.counters["items"] = kItems;
}
BENCHMARK(BM_SameTwoSelectsStraightInSqlite)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return benchsupport::RunBenchmarks(argc, argv, "consolidation_bag_seal_bench", SetUp, TearDown);
}
