// Page 5 against the stand-in server and its sample: the layout of the user
// admin, a statement of the first customer asked for through the conditions
// dialog, compared with the same rows straight from SQLite; keeping and
// removing rows with the totals following; a screenshot.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "refdata/ColumnCatalog.h"
#include "shipping/SettlementPage.h"
#include "tests/QtTestSupport.h"
#include "tests/server/StandInLinkSuite.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/CustomerWaybillQueryDlg.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

namespace {

class LinkHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  std::vector<std::u16string> ServiceKindNames() const override { return kinds; }
  CServerLink* link = nullptr;
  std::vector<std::u16string> kinds = {u"EMS", u"DHL", u"UPS"};
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

void Type(QLineEdit* box, const QString& text) {
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, text);
}

}  // namespace

class SettlementPageStandIn : public testsupport::StandInLinkSuite<SettlementPageStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-settlement";

 protected:
  void SetUp() override {
    shelltest::LoadProgramLanguage("00");
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-SET"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    catalog_.Build(AppLanguage());
    host_.link = &link_;
    customer_.id = 1;
    customer_.unitName = GbkFromWide(u"深圳华南贸易有限公司");
    customer_.account = "C001";
    page_ = std::make_unique<CSettlementPage>();
    page_->host = &host_;
    page_->index = 5;
    page_->catalog = &catalog_;
    page_->clientDetail = [this](int32_t id) { return id == 1 ? &customer_ : nullptr; };
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
  }

  // irid, waybill number and famount of the first customer's March 2024
  // waybills straight from SQLite, in the statement's order.
  std::vector<std::tuple<int, std::string, double>> Expected(const std::string& where) {
    sqlite3* db = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_open_v2(server_->Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr));
    const std::string sql =
        "SELECT irid,cnum,famount FROM client_rec WHERE icid=1 AND ddate BETWEEN '2024-03-01' AND "
        "'2024-03-31 23:59:59' " + where + " ORDER BY ddate,irid";
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr)) << sqlite3_errmsg(db);
    std::vector<std::tuple<int, std::string, double>> rows;
    while (st && sqlite3_step(st) == SQLITE_ROW)
      rows.emplace_back(sqlite3_column_int(st, 0), reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                        sqlite3_column_double(st, 2));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
  }

  void Exec(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(server_->Database().c_str(), &db));
    sqlite3_busy_timeout(db, 5000);
    // The server's text collation, stood in by a byte comparison.
    sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr,
                             [](void*, int n1, const void* a, int n2, const void* b) {
                               const int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                               return c != 0 ? c : n1 - n2;
                             });
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  // Asks for March 2024, monthly, with the kinds of the given rows ticked.
  void QueryWithKinds(std::vector<int> rows) {
    WhenOpen<CCustomerWaybillQueryDlg>([rows](CCustomerWaybillQueryDlg& dialog) {
      Type(dialog.dateFromBox, "2024.03.01");
      Type(dialog.dateToBox, "2024.03.31");
      dialog.payBoxes[0]->setChecked(true);  // monthly
      for (int row : rows) dialog.kindList->item(row)->setSelected(true);
      QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    page_->Query(1, u"<C001>深圳华南贸易有限公司");
  }

  CColumnCatalog catalog_;
  LinkHost host_;
  ClientDetail customer_;
  std::unique_ptr<CSettlementPage> page_;
};

TEST_F(SettlementPageStandIn, TheUsersLayoutGivesTheColumnsTheLastOneIncluded) {
  ASSERT_TRUE(page_->columns);
  const auto& columns = page_->columns->Columns();
  ASSERT_EQ(columns.size(), 13u);
  EXPECT_EQ(columns.front().number, 18);
  EXPECT_EQ(columns.back().number, 24) << "cmemo";
  EXPECT_EQ(page_->grid->ColumnCount(), 14);
  EXPECT_EQ(page_->columns->Position(settlement::kAmount), 8);
  EXPECT_EQ(page_->title, AppLanguage().Text(240000));
}

TEST_F(SettlementPageStandIn, AStatementThroughTheConditionsDialog) {
  WhenOpen<CCustomerWaybillQueryDlg>([](CCustomerWaybillQueryDlg& dialog) {
    Type(dialog.dateFromBox, "2024.03.01");
    Type(dialog.dateToBox, "2024.03.31");
    dialog.payBoxes[0]->setChecked(true);  // monthly
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  });
  page_->Query(1, u"<C001>深圳华南贸易有限公司");
  const auto expected = Expected("AND npayway=0");
  ASSERT_FALSE(expected.empty());
  CListGrid& grid = *page_->grid;
  ASSERT_EQ(grid.RowCount(), static_cast<int>(expected.size()) + 1) << "rows and the totals row";
  double total = 0;
  for (size_t r = 0; r < expected.size(); ++r) {
    const int row = static_cast<int>(r);
    EXPECT_EQ(grid.GetRowId(row), std::get<0>(expected[r]));
    EXPECT_EQ(Utf8FromWide(grid.CellText(row, 2)), std::get<1>(expected[r]));
    total += std::get<2>(expected[r]);
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", total);
  const int last = grid.RowCount() - 1;
  EXPECT_EQ(grid.CellText(last, 0), AppLanguage().Text(20034));
  EXPECT_EQ(Utf8FromWide(grid.CellText(last, 8)), text);
  // The unit price and the declared value are hundredths.
  const int irid = grid.GetRowId(0);
  std::snprintf(text, sizeof text, "%.2f", (850 + irid * 10) / 100.0);
  EXPECT_EQ(Utf8FromWide(grid.CellText(0, 9)), text);
  std::snprintf(text, sizeof text, "%.2f", irid * 10.0);
  EXPECT_EQ(Utf8FromWide(grid.CellText(0, 10)), text);
  EXPECT_EQ(page_->statementCustomer, 1);
  EXPECT_EQ(page_->period, u"2024.03.01 - 2024.03.31");
  EXPECT_EQ(boxes_.Count(), 0u);
  Save(*page_, "SettlementPage");

  // Keep rows 2 and 4: the totals count only them.
  for (int r = 0; r < grid.RowCount(); ++r) grid.SetRowSelected(r, r == 1 || r == 3, false);
  const double kept = std::get<2>(expected[1]) + std::get<2>(expected[3]);
  platform::PostPrivateMessage(page_.get(), kWmGridMenuCommand, 0, 0);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return grid.RowCount() == 3; }));
  EXPECT_EQ(grid.GetRowId(0), std::get<0>(expected[1]));
  EXPECT_EQ(grid.GetRowId(1), std::get<0>(expected[3]));
  std::snprintf(text, sizeof text, "%.2f", kept);
  EXPECT_EQ(Utf8FromWide(grid.CellText(2, 8)), text);
  // Remove the first: the totals row follows.
  for (int r = 0; r < grid.RowCount(); ++r) grid.SetRowSelected(r, r == 0, false);
  page_->OnGridMenuCommand(1, 0);
  EXPECT_EQ(grid.GetRowId(0), std::get<0>(expected[3]));
}

TEST_F(SettlementPageStandIn, NothingFoundKeepsTheListAndTheCustomer) {
  settlement::StatementConditions c;
  c.customerId = 1;
  c.dateFrom = u"2024.03.01 0:0:0.0";
  c.dateTo = u"2024.03.31 23:59:59.998";
  ASSERT_TRUE(page_->RunStatement(customer_, c));
  const int rows = page_->grid->RowCount();
  c.kinds = {u"NO'KIND"};
  c.controlCode = u"X";
  EXPECT_FALSE(page_->RunStatement(customer_, c));
  EXPECT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(page_->grid->RowCount(), rows);
  EXPECT_EQ(page_->statementCustomer, 1);
  // The balances of the customer.
  EXPECT_TRUE(page_->LoadDeposit(1));
  EXPECT_DOUBLE_EQ(page_->deposit, 500);
  // Deposit less the unpaid monthly (twelve waybills, 1452) and cash (none) totals.
  EXPECT_DOUBLE_EQ(page_->availableDeposit, 500 - 1452 - 0) << "deposit less both payments";
  EXPECT_FALSE(page_->LoadDeposit(999999));
  EXPECT_DOUBLE_EQ(page_->deposit, 500);
}

// Every kind ticked is no kind condition: waybills with a blank or a retired
// kind stay in the statement.  Some kinds ticked go over as those kinds.
TEST_F(SettlementPageStandIn, EveryKindTickedKeepsWaybillsOfAnyKind) {
  Exec("INSERT INTO client_rec(icid,cnum,ddate,cemskind,npayway,famount) VALUES"
       "(1,'BR-BLANK-KIND','2024-03-15 10:00:00','',0,1.25),"
       "(1,'BR-OLD-KIND','2024-03-16 10:00:00','RETIRED',0,2.5)");
  const auto expected = Expected("AND npayway=0");
  ASSERT_GE(expected.size(), 3u);
  QueryWithKinds({0, 1, 2});
  EXPECT_EQ(page_->statementSql.find(u"a.cemskind IN("), std::u16string::npos);
  ASSERT_EQ(page_->grid->RowCount(), static_cast<int>(expected.size()) + 1);
  std::vector<std::string> numbers;
  for (int row = 0; row + 1 < page_->grid->RowCount(); ++row)
    numbers.push_back(Utf8FromWide(page_->grid->CellText(row, 2)));
  EXPECT_NE(std::find(numbers.begin(), numbers.end(), "BR-BLANK-KIND"), numbers.end());
  EXPECT_NE(std::find(numbers.begin(), numbers.end(), "BR-OLD-KIND"), numbers.end());

  // Two of the three: those two, in list order.
  QueryWithKinds({2, 0});
  const std::u16string& sql = page_->statementSql;
  EXPECT_NE(sql.find(u" AND a.cemskind IN('EMS','UPS')"), std::u16string::npos) << Utf8FromWide(sql);
  Exec("DELETE FROM client_rec WHERE cnum IN('BR-BLANK-KIND','BR-OLD-KIND')");
}

// A statement the link cannot send is a failure with its reason, not an
// empty statement.
TEST_F(SettlementPageStandIn, AFailedRequestIsNamedNotNothingFound) {
  settlement::StatementConditions c;
  c.customerId = 1;
  c.dateFrom = u"2024.03.01 0:0:0.0";
  c.dateTo = u"2024.03.31 23:59:59.998";
  c.department = std::u16string(70000, u'x');
  EXPECT_FALSE(page_->RunStatement(customer_, c));
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(),
            AppLanguage().TextWithString(630001, AppLanguage().Text(630002)));
}

// The statement workbook is asked for through the frame's proforma-invoice
// command: the page makes the frame offer it, with or without rows (with
// none the command does nothing).
TEST_F(SettlementPageStandIn, TheFrameOffersTheStatementWorkbookCommand) {
  const ViewCommandUi empty = ViewCommandState(32819, page_.get(), page_->grid->RowCount(), 5, false);
  ASSERT_TRUE(empty.enabled.has_value());
  EXPECT_TRUE(*empty.enabled);
  page_->OnPrintInvoice(0);
  EXPECT_EQ(boxes_.Count(), 0u);
  EXPECT_TRUE(page_->lastWorkbook.empty());
  settlement::StatementConditions c;
  c.customerId = 1;
  c.dateFrom = u"2024.03.01 0:0:0.0";
  c.dateTo = u"2024.03.31 23:59:59.998";
  ASSERT_TRUE(page_->RunStatement(customer_, c));
  const ViewCommandUi listed = ViewCommandState(32819, page_.get(), page_->grid->RowCount(), 5, false);
  EXPECT_EQ(listed.enabled, std::optional<bool>(true));
}
