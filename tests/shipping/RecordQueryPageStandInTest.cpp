// Page 13 against the stand-in server: 20,000 waybills of the test's own
// database (some in several bags) loaded in many chunks, compared row by row
// with the same query run straight on SQLite; the bag form; thinning the
// list out; a screenshot.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shipping/RecordQuery.h"
#include "shipping/RecordQueryPage.h"
#include "tests/QtTestSupport.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/RecordFilter.h"
#include "ui/WaybillQueryDlg.h"
#include "ui/ViewHost.h"

namespace {

constexpr int kWaybills = 20000;

class LinkHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  CServerLink* link = nullptr;
};

void Save(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  EXPECT_TRUE(widget.grab().toImage().save(path)) << path.toStdString();
}

// Runs `drive` on the modal dialog once it is open.
template <typename Dialog>
void WhenOpen(const std::function<void(Dialog&)>& drive) {
  QTimer::singleShot(0, [drive] {
    ASSERT_TRUE(testsupport::WaitUntil([] {
      return dynamic_cast<Dialog*>(QApplication::activeModalWidget()) != nullptr;
    }));
    drive(*dynamic_cast<Dialog*>(QApplication::activeModalWidget()));
  });
}

void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error))
      << sql << ": " << (error ? error : "");
}

// Opens the stand-in's database with the collation its text columns use
// (ASCII case ignored, as on the company server).
sqlite3* OpenDatabase(const std::string& path, int flags) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) return db;
  sqlite3_create_collation(
      db, "TSQL", SQLITE_UTF8, nullptr, [](void*, int n1, const void* a, int n2, const void* b) {
        const int common = sqlite3_strnicmp(static_cast<const char*>(a),
                                            static_cast<const char*>(b), n1 < n2 ? n1 : n2);
        return common != 0 ? common : n1 - n2;
      });
  return db;
}

// (irid, waybill number, bag number) of a listed row.
using Listed = std::tuple<int, std::string, std::string>;

class RecordQueryPageStandIn : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::filesystem::temp_directory_path() /
            ("brantle-recordquery-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    // Small pages: the 20,000 waybills come in dozens of chunks.
    server_ = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                              root_ / "server",
                                              std::vector<std::string>{"--page-rows", "997"});
    if (!server_->Ready()) return;
    sqlite3* db = OpenDatabase(server_->Database(), SQLITE_OPEN_READWRITE);
    ASSERT_NE(db, nullptr);
    Exec(db, "BEGIN");
    // Waybills BR18000001.. in June 2025, all of the first customer.
    Exec(db,
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<" +
             std::to_string(kWaybills) +
             ") INSERT INTO client_rec(icid,cnum,ddate,cdes,cemskind,iitem,fweights,cgoods) "
             "SELECT (SELECT MIN(icid) FROM client_arc),printf('BR18%06d',i),"
             "printf('2025-06-%02d %02d:00:00',1+i%30,i%24),'LAX','DHL',1+i%3,i*0.125,'Docs' FROM n");
    // 300 bags; waybill k of the new ones is in bag k%300, every 50th also
    // in the next two bags, every 997th in twelve bags in all.
    Exec(db,
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<300) "
         "INSERT INTO client_rec_xbag(cxno,cmark,ctype,chno,cpack,dpack) "
         "SELECT printf('BG18%04d',i),'M','T',printf('F%d',i),'packer','2025-06-02 08:00:00' FROM n");
    Exec(db,
         "CREATE TEMP TABLE k AS SELECT irid,CAST(substr(cnum,5) AS INTEGER) AS i FROM client_rec "
         "WHERE cnum LIKE 'BR18%'");
    Exec(db,
         "INSERT INTO client_rec_xbag_item(ixid,irid,wpos) SELECT x.ixid,k.irid,1 FROM k JOIN "
         "client_rec_xbag x ON x.cxno=printf('BG18%04d',1+k.i%300) WHERE k.i%7<>0");
    for (int extra = 1; extra <= 11; ++extra) {
      const std::string every = extra <= 2 ? "50" : "997";
      Exec(db,
           "INSERT INTO client_rec_xbag_item(ixid,irid,wpos) SELECT x.ixid,k.irid," +
               std::to_string(extra + 1) +
               " FROM k JOIN client_rec_xbag x ON x.cxno=printf('BG18%04d',1+(k.i+" +
               std::to_string(extra) + ")%300) WHERE k.i%7<>0 AND k.i%" + every + "=0");
    }
    Exec(db, "COMMIT");
    sqlite3_close(db);
  }
  static void TearDownTestSuite() {
    server_.reset();
    std::filesystem::remove_all(root_);
  }

  void SetUp() override {
    ASSERT_TRUE(server_ && server_->Ready()) << (server_ ? server_->Log() : "");
    shelltest::LoadProgramLanguage("00");
    folder_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(folder_);
    testsupport::WriteStandInConfig(folder_, server_->Port(), "00", "PC-RQ");
    ASSERT_EQ(1, link_.Init(folder_.string() + "/"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    host_.link = &link_;
    page_ = std::make_unique<CRecordQueryPage>();
    page_->host = &host_;
    page_->index = 13;
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
  }

  // Runs the statement on the page and waits for the loading to end.
  std::vector<Listed> RunOnPage(const std::u16string& sql) {
    EXPECT_TRUE(page_->StartQuery(sql));
    EXPECT_TRUE(page_->Busy());
    EXPECT_FALSE(page_->StartQuery(sql)) << "a second query while loading is refused";
    EXPECT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }, 120000));
    std::vector<Listed> rows;
    CListGrid& grid = *page_->grid;
    for (int r = 0; r < grid.RowCount(); ++r) {
      EXPECT_EQ(grid.CellText(r, 0), WideFromGbk(std::to_string(r + 1))) << "row " << r;
      rows.emplace_back(grid.GetRowId(r), Utf8FromWide(grid.CellText(r, 2)),
                        Utf8FromWide(grid.CellText(r, 5)));
    }
    return rows;
  }

  // The same rows straight from SQLite.
  std::vector<Listed> RunOnSqlite(const std::string& where) {
    sqlite3* db = OpenDatabase(server_->Database(), SQLITE_OPEN_READONLY);
    const std::string sql =
        "SELECT a.irid,a.cnum,IFNULL(d.cxno,'') FROM client_rec AS a INNER JOIN client_arc AS b "
        "ON(a.icid=b.icid) LEFT OUTER JOIN client_rec_xbag_item AS e ON(a.irid=e.irid) LEFT "
        "OUTER JOIN client_rec_xbag AS d ON(e.ixid=d.ixid) WHERE " + where + " ORDER BY a.irid";
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr)) << sqlite3_errmsg(db);
    std::vector<Listed> rows;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
      rows.emplace_back(sqlite3_column_int(st, 0),
                        reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                        reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
  }

  // Rows in ascending waybill order; within one waybill the bags in any
  // order (the statement orders by waybill only).
  static std::vector<Listed> Sorted(std::vector<Listed> rows) {
    for (size_t i = 1; i < rows.size(); ++i)
      EXPECT_LE(std::get<0>(rows[i - 1]), std::get<0>(rows[i])) << "row " << i;
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  static inline std::filesystem::path root_;
  static inline std::unique_ptr<StandInServer> server_;
  std::filesystem::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CServerLink link_;
  LinkHost host_;
  std::unique_ptr<CRecordQueryPage> page_;
};

WaybillQueryConditions June2025() {
  WaybillQueryConditions c;
  c.dateFromBound = u"2025.06.01 0:0:0.0";
  c.dateToBound = u"2025.06.30 23:59:59.998";
  return c;
}

std::u16string PageSql(const WaybillQueryConditions& c) {
  return RecordFilterSql(c, recordquery::FilterTexts(), u"ddate", nullptr);
}

}  // namespace

TEST_F(RecordQueryPageStandIn, TwentyThousandWaybillsInChunksListEveryRowOnce) {
  const std::vector<Listed> shown = RunOnPage(PageSql(June2025()));
  const std::vector<Listed> expected =
      RunOnSqlite("a.ddate BETWEEN '2025-06-01 00:00:00' AND '2025-06-30 23:59:59.998'");
  ASSERT_GT(expected.size(), static_cast<size_t>(kWaybills)) << "several waybills in several bags";
  EXPECT_EQ(Sorted(shown), Sorted(expected));
  EXPECT_EQ(boxes_.Count(), 0u);
  EXPECT_NE(page_->countLabel->text().indexOf(QString::number(expected.size())), -1)
      << page_->countLabel->text().toStdString();
}

TEST_F(RecordQueryPageStandIn, BagFormListsTheBagsWaybillsWithAllTheirBags) {
  WaybillQueryConditions c = June2025();
  c.bagNumbers = u"BG180042";
  const std::u16string sql = PageSql(c);
  ASSERT_NE(sql.find(u" where ixid="), std::u16string::npos);
  const std::vector<Listed> shown = RunOnPage(sql);
  const std::vector<Listed> expected = RunOnSqlite(
      "a.irid IN(SELECT irid FROM client_rec_xbag_item WHERE ixid=(SELECT ixid FROM "
      "client_rec_xbag WHERE cxno='BG180042'))");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Sorted(shown), Sorted(expected));
  Save(*page_, "RecordQueryPage");

  // Remove the selected rows, then keep only the selected ones.
  CListGrid& grid = *page_->grid;
  const int before = grid.RowCount();
  grid.SetRowSelected(0, true, false);
  grid.SetRowSelected(2, true, false);
  platform::PostPrivateMessage(page_.get(), kWmGridMenuCommand, 1, grid.GetRowId(0));
  EXPECT_TRUE(testsupport::WaitUntil([&] { return grid.RowCount() == before - 2; }));
  for (int r = 0; r < grid.RowCount(); ++r) EXPECT_EQ(grid.CellText(r, 0), WideFromGbk(std::to_string(r + 1)));
  for (int r = 0; r < grid.RowCount(); ++r) grid.SetRowSelected(r, false, false);
  grid.SetRowSelected(1, true, false);
  const int32_t kept = grid.GetRowId(1);
  platform::PostPrivateMessage(page_.get(), kWmGridMenuCommand, 0, kept);
  EXPECT_TRUE(testsupport::WaitUntil([&] { return grid.RowCount() == 1; }));
  EXPECT_EQ(grid.GetRowId(0), kept);
  EXPECT_EQ(grid.CellText(0, 0), u"1");
  // Keeping the selected rows with none selected empties the list.
  grid.SetRowSelected(0, false, false);
  platform::PostPrivateMessage(page_.get(), kWmGridMenuCommand, 0, 0);
  EXPECT_TRUE(testsupport::WaitUntil([&] { return grid.RowCount() == 0; }));
}

TEST_F(RecordQueryPageStandIn, NothingFoundSaysSoAndEndsTheLoading) {
  WaybillQueryConditions c = June2025();
  c.awbNumbers = u"NO-SUCH-AWB-1";
  EXPECT_TRUE(RunOnPage(PageSql(c)).empty());
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(kRecordQueryNothingText));
  EXPECT_FALSE(page_->Busy());
}

// The page's pane is its entry panel, 1 pixel wide and hidden; the grid
// alone fills the page.
TEST_F(RecordQueryPageStandIn, ThePaneIsOnePixelWideAndTheGridFillsThePage) {
  ASSERT_NE(page_->queryPane, nullptr);
  EXPECT_EQ(page_->entryPanel, page_->queryPane);
  EXPECT_EQ(page_->panelWidth, 1);
  EXPECT_EQ(page_->queryPane->geometry(), QRect(0, 3, 1, 660));
  EXPECT_FALSE(page_->queryPane->isVisible());
  EXPECT_EQ(page_->listOnly, 1);
  EXPECT_TRUE(page_->grid->isVisible());
  EXPECT_EQ(page_->grid->geometry().left(), 10);
}

// A load whose request fails says why, never "nothing found".
TEST_F(RecordQueryPageStandIn, AFailedLoadIsNamedNotNothingFound) {
  // Too long to send: the link refuses it.
  ASSERT_TRUE(page_->StartQuery(u"SELECT a.irid FROM brantle.dbo.client_rec AS a WHERE a.cnum<>'" +
                                std::u16string(70000, u'x') + u"'"));
  ASSERT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }));
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(),
            AppLanguage().TextWithString(630001, AppLanguage().Text(630002)));
  EXPECT_EQ(page_->grid->RowCount(), 0);
}

// The query command asks the conditions in the view's waybill dialog and
// loads in the background; a second query command meanwhile is ignored.
TEST_F(RecordQueryPageStandIn, TheQueryCommandAsksTheConditionsFirst) {
  CWaybillQueryDlg dialog(&host_);
  host_.SetQueryDialogs(&dialog, nullptr, nullptr);
  bool opened = false;
  WhenOpen<CWaybillQueryDlg>([&opened](CWaybillQueryDlg& dlg) {
    opened = true;
    QTest::mouseClick(dlg.Ui().cancel, Qt::LeftButton);
  });
  page_->OnQuery();
  EXPECT_TRUE(opened);
  EXPECT_FALSE(page_->Busy()) << "cancelled: nothing runs";

  WhenOpen<CWaybillQueryDlg>([](CWaybillQueryDlg& dlg) {
    dlg.Ui().dateFrom->setText(QStringLiteral("2025.06.01"));
    dlg.Ui().dateTo->setText(QStringLiteral("2025.06.30"));
    dlg.Ui().waybillNo->setText(QStringLiteral("BR18000050"));
    QTest::mouseClick(dlg.Ui().ok, Qt::LeftButton);
  });
  page_->OnQuery();
  page_->OnQuery();  // while loading: ignored, no dialog
  ASSERT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }));
  CListGrid& grid = *page_->grid;
  // Waybill 50 is in three bags: three rows.
  ASSERT_EQ(grid.RowCount(), 3);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(grid.CellText(r, 2), u"BR18000050");
  host_.SetQueryDialogs(nullptr, nullptr, nullptr);
}
