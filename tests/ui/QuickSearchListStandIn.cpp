// The quick-search list against the stand-in server: every statement it
// sends, the list driven as an operator drives it (the "N" button, the
// search box, a double click), its query dialogs, the pages that host it and
// the view that keeps the bag and master air waybill dialogs.  Screenshots
// of the dialogs and the pane go to <build>/screenshots.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ViewPages.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/QtText.h"
#include "refdata/AirlineTable.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientView.h"
#include "tests/QtTestSupport.h"
#include "tests/server/ScriptedServer.h"
#include "tests/server/StandInLinkSuite.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/AwbQueryDlg.h"
#include "ui/BagQueryDlg.h"
#include "ui/CustomerQueryDlg.h"
#include "ui/ColorButton.h"
#include "ui/ListGrid.h"
#include "ui/QuickSearchList.h"
#include "ui/WaybillQueryDlg.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

namespace {

void Save(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  const QImage image = widget.grab().toImage();
  EXPECT_FALSE(image.isNull());
  EXPECT_TRUE(image.save(path)) << path.toStdString();
}

// What the lists and dialogs ask of the program.
class TestHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1024, 768); }
  CServerLink* ServerLink() override { return link; }
  const std::vector<std::unique_ptr<AirlineEntry>>* Airlines() const override { return &airlines; }
  std::vector<std::u16string> StaffNames() const override { return staff; }
  bool ChooseCommonPrompt(std::u16string& chosen) override {
    if (prompt.empty()) return false;
    chosen = prompt;
    return true;
  }

  CServerLink* link = nullptr;
  std::vector<std::unique_ptr<AirlineEntry>> airlines;
  std::vector<std::u16string> staff = {u"张三", u"李四", u"Wang Wu"};
  std::u16string prompt;
};

// A page that records what its list hands it.
class SpyPage : public CViewPage {
 public:
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override {
    openedIds.push_back(static_cast<int32_t>(static_cast<uint32_t>(wParam)));
    openedTexts.push_back(*reinterpret_cast<const std::u16string*>(lParam));
    return 0;
  }
  std::vector<int32_t> openedIds;
  std::vector<std::u16string> openedTexts;
};

std::vector<std::u16string> Rows(const CQuickSearchList& list) {
  std::vector<std::u16string> rows;
  for (int row = 0; row < list.grid->RowCount(); ++row) rows.push_back(list.grid->CellText(row, 0));
  return rows;
}

bool HasRowStarting(const std::vector<std::u16string>& rows, std::u16string_view start) {
  for (const auto& row : rows) {
    if (row.compare(0, start.size(), start) == 0) return true;
  }
  return false;
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

class QuickSearchStandIn : public testsupport::StandInLinkSuite<QuickSearchStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-quicksearch";

 protected:
  void SetUp() override {
    shelltest::LoadProgramLanguage("00");
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-QUICK"));
    ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);  // station SZ
    host_.link = &link_;
    auto airline = std::make_unique<AirlineEntry>();
    airline->cprefix = "999";
    airline->cbrief = GbkFromWide(u"国航");
    host_.airlines.push_back(std::move(airline));
    airline = std::make_unique<AirlineEntry>();
    airline->cprefix = "781";
    airline->cbrief = GbkFromWide(u"东航");
    airline->nstate = 1;  // not in use
    host_.airlines.push_back(std::move(airline));
  }

  // Runs one statement of a mode and reads its rows; the reply must be the
  // server's answer (ReturnValue 1), rows or none.
  std::vector<QuickSearchRow> Run(int mode, const std::u16string& sql) {
    std::string reply;
    EXPECT_GT(link_.SqlQuery(GbkFromWide(sql), QuickSearchColumnTypes(mode), &reply), 0);
    EXPECT_EQ(link_.lastReturnValue, 1) << reply << "\n" << Utf8FromWide(sql);
    std::vector<QuickSearchRow> rows;
    ReadQuickSearchRows(mode, reply, AppLanguage(), rows);
    return rows;
  }
  static std::vector<std::u16string> Texts(const std::vector<QuickSearchRow>& rows) {
    std::vector<std::u16string> texts;
    for (const auto& row : rows) texts.push_back(row.text);
    return texts;
  }

  // A page with the list in a mode, as its page creates it.
  SpyPage& Page(int mode, int filter = 0) {
    page_ = std::make_unique<SpyPage>();
    page_->host = &host_;
    page_->index = 5;
    page_->CreatePageWindow(nullptr, QSize(1019, 688));
    page_->OnPageCreated();
    list_ = CQuickSearchList::CreateOnPage(*page_, mode, filter);
    page_->show();
    return *page_;
  }

  TestHost host_;
  std::unique_ptr<SpyPage> page_;
  CQuickSearchList* list_ = nullptr;
};

TEST_F(QuickSearchStandIn, EveryStatementRunsOnTheStandIn) {
  QuickSearchLogin zhang{"SZ", ""};
  // Recent lists: the station's active customers, newest first.
  auto texts = Texts(Run(kQuickCustomers, RecentCustomersSql({"SW", ""})));
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"<C_504>深圳闪电贸易", u"<C502>50% Off Store",
                                                u"<C501>O'Neil [100%] 贸易"}))
      << "inactive customers and other stations stay out";
  // A station that ends in a lone lead byte still gives a well-formed text.
  EXPECT_TRUE(Run(kQuickCustomers, RecentCustomersSql({"SZ\xB1", "\xC9\xEE'"})).empty());

  const auto waybills = Run(kQuickWaybills, RecentWaybillsSql(zhang));
  ASSERT_FALSE(waybills.empty());
  EXPECT_GT(waybills.front().id, waybills.back().id);

  // Customer queries: typed wildcards stay literal.
  struct CustomerCase {
    const char* name;
    std::function<void(CustomerQueryConditions&)> set;
    std::vector<std::u16string> expected;
  };
  const std::vector<CustomerCase> customerCases = {
      {"quote, brackets and percent", [](auto& c) { c.name = u"O'Neil [100%]"; },
       {u"<C501>O'Neil [100%] 贸易"}},
      {"a percent sign is no wildcard", [](auto& c) { c.name = u"50%"; },
       {u"<C502>50% Off Store"}},
      {"an underscore is no wildcard", [](auto& c) { c.tags = u"月结_"; },
       {u"<C501>O'Neil [100%] 贸易"}},
      {"web account in any of its columns", [](auto& c) { c.webAccount = u"flash"; },
       {u"<C_504>深圳闪电贸易"}},
      {"debt", [](auto& c) { c.minDebt = 200; c.station = u"SW"; },
       {u"<C501>O'Neil [100%] 贸易"}},
      {"waybills on a day", [](auto& c) { c.activeDate = u"2024.03.05"; c.station = u"SZ"; },
       {u"<C002>Shenzhen Bright Electronics"}},
      {"no waybills in a range", [](auto& c) {
         c.createdFrom = u"2024.03.01";
         c.createdTo = u"2024.03.31";
         c.hasRecords = 1;
         c.station = u"GZ";
       },
       {}},
      {"unpriced waybills of monthly customers", [](auto& c) {
         c.unpricedOnly = true;
         c.payCash = false;
         c.payCollect = false;
         c.station = u"SZ";
       },
       {}},
  };
  for (const auto& c : customerCases) {
    CustomerQueryConditions conditions;
    c.set(conditions);
    EXPECT_EQ(Texts(Run(kQuickCustomers, CustomerQuerySql(conditions))), c.expected) << c.name;
  }

  // Master air waybills.
  auto awbs = Texts(Run(kQuickAwbs, RecentAwbsSql()));
  EXPECT_TRUE(HasRowStarting(awbs, u"◎999-55555551<O'Hare [ORD]>ZIZ货运")) << "no date bracket";
  EXPECT_FALSE(HasRowStarting(awbs, u"√999-66666662")) << "type 2 stays out";
  AwbQueryConditions awb;
  awb.route = u"全部";
  awb.awbSerial = u"55555551";
  EXPECT_EQ(Texts(Run(kQuickAwbs, AwbQuerySql(awb, u"全部"))),
            std::vector<std::u16string>{u"◎999-55555551<O'Hare [ORD]>ZIZ货运"});
  awb.awbPrefix = u"999";
  awb.feeTransportUnpaid = false;  // paid transport only
  awb.destination = u"O'Hare [ORD]";
  awb.route = u"国航";
  awb.flightNo = u"CA100";
  EXPECT_EQ(Run(kQuickAwbs, AwbQuerySql(awb, u"全部")).size(), 1u);
  awb = AwbQueryConditions();
  awb.route = u"全部";
  awb.feeCustomsPaid = false;  // customs declaration unpaid
  awb.dateKind = 1;
  awb.dateFrom = u"2024.02.18";
  awb.dateTo = u"2024.02.18";
  EXPECT_TRUE(Run(kQuickAwbs, AwbQuerySql(awb, u"全部")).empty());
  awb.feeCustomsPaid = true;
  EXPECT_EQ(Texts(Run(kQuickAwbs, AwbQuerySql(awb, u"全部"))),
            std::vector<std::u16string>{u"\u3000781-12345670<LAX>[2024-02-18]东航代理"});
  awb.route = u"";  // a route emptied by hand
  EXPECT_TRUE(Run(kQuickAwbs, AwbQuerySql(awb, u"全部")).empty());

  // Bags: the sealing page's recent list holds states 0 and 1 only.
  std::vector<int32_t> ids;
  for (const auto& row : Run(kQuickBags, RecentBagsSql(1)))
    if (row.id < 1000) ids.push_back(row.id);  // the base samples' bags
  EXPECT_EQ(ids, (std::vector<int32_t>{5, 2, 1}));
  BagQueryConditions bag;
  bag.bagNo = u"B2024030001";
  bag.controlNo = u"H0";
  bag.awbNumber = u"999-";
  bag.stationFrom = u"SZ";
  bag.dateFrom = u"2024.03.05 10:00:00";
  bag.dateTo = u"2024.03.05 11:00:00";
  EXPECT_EQ(Texts(Run(kQuickBags, BagQuerySql(bag))),
            std::vector<std::u16string>{u"B2024030001[SZX->LAX]" + AppLanguage().BagStateText(0)});
  // Quotes, brackets, percent and underscore reach the server as literals.
  for (const char16_t* number : {u"B[6]%_1", u"B_", u"O'K", u"B2024030001'--"}) {
    bag = BagQueryConditions();
    bag.bagNo = number;
    bag.tags = u"O'K";
    EXPECT_TRUE(Run(kQuickBags, BagQuerySql(bag)).empty()) << Utf8FromWide(number);
  }
}

TEST_F(QuickSearchStandIn, ReloadSearchAndOpenARow) {
  SpyPage& page = Page(kQuickCustomers);
  EXPECT_EQ(page.entryPanel, list_);
  EXPECT_TRUE(list_->isVisible());
  EXPECT_EQ(list_->geometry(), QRect(5, 3, 210, 648));
  EXPECT_EQ(list_->countLabel->text(), QString::fromUtf16(u"客户: 0"));

  QTest::mouseClick(list_->reloadButton, Qt::LeftButton);
  const auto rows = Rows(*list_);
  EXPECT_EQ(rows, (std::vector<std::u16string>{u"<C002>Shenzhen Bright Electronics",
                                               u"<C001>深圳华南贸易有限公司"}));
  EXPECT_EQ(list_->countLabel->text(), QString::fromUtf16(u"客户: 2"));
  EXPECT_EQ(boxes_.Count(), 0u);

  // Typing finds the first row holding the text, letters in any case.
  list_->searchBox->setFocus();
  QTest::keyClicks(list_->searchBox, QStringLiteral("c001"));
  std::vector<int> selected = list_->grid->SelectedRows();
  EXPECT_EQ(selected, std::vector<int>{1});
  // Text set without the focus (not typed) searches nothing.
  list_->grid->setFocus();
  list_->searchBox->setText(QStringLiteral("c002"));
  EXPECT_EQ(list_->grid->SelectedRows(), selected);

  // A double click hands the row to the page.
  const QRect cell = list_->grid->visualRect(list_->grid->model()->index(selected[0], 0));
  QTest::mouseDClick(list_->grid->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_EQ(page.openedIds.size(), 1u);
  EXPECT_EQ(page.openedIds[0], 1);
  EXPECT_EQ(page.openedTexts[0], u"<C001>深圳华南贸易有限公司");
  Save(page, "quicksearch_customers");

  // No row selected: nothing is sent.
  list_->grid->clearSelection();
  EXPECT_FALSE(list_->OpenSelectedRow());
  EXPECT_EQ(page.openedIds.size(), 1u);
}

TEST_F(QuickSearchStandIn, QueriesThatBringNothingKeepTheRows) {
  Page(kQuickCustomers);
  ASSERT_TRUE(list_->LoadCustomers(1));
  const auto before = Rows(*list_);

  // A query that matches nothing: the message, and the rows stay.
  WhenOpen<CCustomerQueryDlg>([](CCustomerQueryDlg& dlg) {
    EXPECT_FALSE(dlg.stationBox->isEnabled()) << "a station-bound user keeps his station";
    EXPECT_EQ(dlg.stationBox->text(), QStringLiteral("SZ"));
    QTest::keyClicks(dlg.nameBox, QStringLiteral("nobody by this name"));
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  });
  EXPECT_FALSE(list_->LoadCustomers(0));
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(kQuickNothingFoundTextId));
  EXPECT_EQ(Rows(*list_), before);

  // Cancelling sends nothing and says nothing.
  boxes_.Clear();
  WhenOpen<CCustomerQueryDlg>([](CCustomerQueryDlg& dlg) {
    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
  });
  EXPECT_FALSE(list_->LoadCustomers(0));
  EXPECT_EQ(boxes_.Count(), 0u);

  // A query that cannot reach the server says so, with the reason; the rows
  // stay.
  boxes_.Clear();
  WhenOpen<CCustomerQueryDlg>([](CCustomerQueryDlg& dlg) {
    QTest::keyClicks(dlg.nameBox, QStringLiteral("any"));
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  });
  const int serverPort = link_.port;
  link_.port = 1;  // nobody listens
  EXPECT_FALSE(list_->LoadCustomers(0));
  link_.port = serverPort;
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText().rfind(u"查询失败: 连接错误 -", 0), 0u)
      << QString::fromStdU16String(boxes_.LastText()).toStdString();
  EXPECT_EQ(Rows(*list_), before);

  // The recent list that brings nothing stays silent.
  boxes_.Clear();
  list_->mode = kQuickBags;
  list_->bagStateFilter = 0;
  const int port = link_.port;
  link_.port = 1;  // nobody listens
  EXPECT_FALSE(list_->LoadBags(1));
  EXPECT_EQ(boxes_.Count(), 0u);
  EXPECT_EQ(Rows(*list_), before);
  link_.port = port;
}

TEST_F(QuickSearchStandIn, AReplyCutShortIsNoList) {
  Page(kQuickAwbs);
  ScriptedServer scripted;
  const int port = link_.port;
  link_.port = scripted.Port();
  scripted.QueueJson(
      R"({"ReturnValue":1,"iTotal":2,"bEnd":true,"List":[{"0":"999-1","1":"LAX","2":"","3":"","4":0},)"
      R"({"0":"999-2","1":"NRT","2":"","3":"","4":0}]})");
  ASSERT_TRUE(list_->LoadAwbs(1));
  const auto before = Rows(*list_);
  ASSERT_EQ(before.size(), 2u);
  // The body ends before its length; then a whole body announcing more rows
  // than it holds.
  scripted.Queue("HTTP/1.1 200 OK\r\nContent-Length: 400\r\nConnection: close\r\n\r\n"
                 R"({"ReturnValue":1,"iTotal":3,"List":[{"0":"999-9","1":"X"})");
  scripted.QueueJson(R"({"ReturnValue":1,"iTotal":3,"List":[{"0":"999-9","1":"X","2":"","3":"","4":0}]})");
  EXPECT_FALSE(list_->LoadAwbs(1));
  EXPECT_FALSE(list_->LoadAwbs(1));
  EXPECT_EQ(Rows(*list_), before);
  link_.port = port;
}

TEST_F(QuickSearchStandIn, StaffNamesAndSingleRows) {
  Page(kQuickStaff);
  QTest::mouseClick(list_->reloadButton, Qt::LeftButton);
  EXPECT_EQ(Rows(*list_), host_.staff);
  EXPECT_EQ(list_->countLabel->text(), QString::fromUtf16(u"员工: 3"));

  list_->AddOrUpdateRecord(77, u"new", 1, 0);
  EXPECT_EQ(list_->grid->CellText(1, 0), u"new");
  EXPECT_EQ(list_->grid->GetRowId(1), 77);
  list_->AddOrUpdateRecord(77, u"changed", 0, 78);
  EXPECT_EQ(list_->grid->CellText(1, 0), u"changed");
  EXPECT_EQ(list_->grid->GetRowId(1), 78);
  EXPECT_EQ(list_->grid->RowCount(), 4);
  list_->RemoveRecord(78);
  EXPECT_EQ(Rows(*list_), host_.staff);
  list_->RemoveRecord(12345);
  EXPECT_EQ(list_->grid->RowCount(), 3);
}

// The view's pages host their lists, and each page's query command opens
// its dialog; the bag and master air waybill dialogs are the view's, so
// their conditions persist.
TEST_F(QuickSearchStandIn, PagesHostTheirListsAndQueryThroughTheView) {
  CBrantleClientView view(&host_, nullptr, CreateViewPage);
  view.resize(1019, 688);
  view.OnInitialUpdate();
  view.show();
  ASSERT_EQ(host_.BagQueryDialog(), &view.bagQueryDlg);
  ASSERT_EQ(host_.AwbQueryDialog(), &view.awbQueryDlg);

  struct Hosting {
    int page;
    int mode;
    int filter;
  };
  for (const Hosting h : {Hosting{5, 0, 0}, Hosting{8, 1, 0}, Hosting{9, 0, 0}, Hosting{10, 5, 0},
                          Hosting{11, 5, 1}, Hosting{12, 2, 0}, Hosting{16, 4, 0}}) {
    SCOPED_TRACE(h.page);
    view.ShowPage(h.page);
    CViewPage* page = view.CurrentPage();
    ASSERT_NE(page, nullptr);
    auto* list = dynamic_cast<CQuickSearchList*>(page->entryPanel);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->mode, h.mode);
    EXPECT_EQ(list->bagStateFilter, h.filter);
    EXPECT_EQ(page->panelWidth, 220);
    EXPECT_EQ(list->geometry(), QRect(5, 3, 210, 648));
    EXPECT_TRUE(list->isVisible());
    EXPECT_TRUE(page->queryEnabled);
    EXPECT_EQ(list->ownerWindow, page);
  }

  // Page 11 (bag sealing): F4 asks the bag conditions and lists the bags.
  view.ShowPage(11);
  auto* bags = dynamic_cast<CQuickSearchList*>(view.CurrentPage()->entryPanel);
  WhenOpen<CBagQueryDlg>([](CBagQueryDlg& dlg) {
    EXPECT_FALSE(dlg.stationBox->isEnabled());
    EXPECT_EQ(dlg.stationBox->text(), QStringLiteral("SZ"));
    EXPECT_EQ(dlg.stateList->currentIndex(), 4);
    QTest::keyClicks(dlg.bagNoBox, QStringLiteral("B2024030002"));
    dlg.bagNoBox->setFocus();
    QTest::keyClick(dlg.bagNoBox, Qt::Key_F4);  // F4 released runs OK
  });
  view.OnCommand(32790);
  EXPECT_EQ(Rows(*bags), std::vector<std::u16string>{u"B2024030002[SZX->FRA]" +
                                                       AppLanguage().BagStateText(1)});
  EXPECT_EQ(bags->countLabel->text(), QString::fromUtf16(u"袋: 1"));
  // Page 10 shares the dialog: the bag number typed on page 11 is still there.
  view.ShowPage(10);
  WhenOpen<CBagQueryDlg>([](CBagQueryDlg& dlg) {
    EXPECT_EQ(dlg.bagNoBox->text(), QStringLiteral("B2024030002"));
    QTest::keyClick(dlg.bagNoBox, Qt::Key_Escape);
  });
  view.OnCommand(32790);
  EXPECT_EQ(view.CurrentPage()->entryPanel->findChild<CListGrid*>()->RowCount(), 0);

  // Page 12 (loading): the master air waybill conditions.
  view.ShowPage(12);
  auto* awbs = dynamic_cast<CQuickSearchList*>(view.CurrentPage()->entryPanel);
  WhenOpen<CAwbQueryDlg>([](CAwbQueryDlg& dlg) {
    ASSERT_EQ(dlg.routeBox->count(), 2) << "the first airline and \"any\"; 东航 is not in use";
    EXPECT_EQ(dlg.routeBox->currentText(), QString::fromUtf16(u"全部"));
    EXPECT_EQ(dlg.dateKind, 0);
    EXPECT_FALSE(dlg.dateFromBox->text().isEmpty()) << "the last 24 hours on first opening";
    dlg.dateFromBox->clear();
    dlg.dateToBox->clear();
    QTest::keyClicks(dlg.awbSerialBox, QStringLiteral("55555551"));
    dlg.awbSerialBox->setFocus();
    QTest::keyClick(dlg.awbSerialBox, Qt::Key_Return, Qt::ControlModifier);  // Ctrl+Enter: OK
  });
  view.OnCommand(32790);
  EXPECT_EQ(Rows(*awbs), std::vector<std::u16string>{u"◎999-55555551<O'Hare [ORD]>ZIZ货运"});

  // Page 16 (pickup dispatch): F4 reloads the staff pane and the order
  // lists; no dialog opens.
  view.ShowPage(16);
  auto* staff = dynamic_cast<CQuickSearchList*>(view.CurrentPage()->entryPanel);
  ASSERT_NE(staff, nullptr);
  view.OnCommand(32790);
  EXPECT_EQ(Rows(*staff), host_.staff);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  // Pages 5 and 9: the customer conditions; page 8: the waybill filter.
  for (int pageIndex : {5, 9}) {
    view.ShowPage(pageIndex);
    bool opened = false;
    WhenOpen<CCustomerQueryDlg>([&opened](CCustomerQueryDlg& dlg) {
      opened = true;
      QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
    });
    view.OnCommand(32790);
    EXPECT_TRUE(opened) << pageIndex;
  }
  // Page 8: the record filter opens the view's waybill dialog; a waybill
  // number brings that waybill into the list.
  view.ShowPage(8);
  auto* waybills = dynamic_cast<CQuickSearchList*>(view.CurrentPage()->entryPanel);
  WhenOpen<CWaybillQueryDlg>([](CWaybillQueryDlg& dlg) {
    dlg.Ui().waybillNo->setText(QStringLiteral("BR10000001"));
    QTest::mouseClick(dlg.Ui().ok, Qt::LeftButton);
  });
  view.OnCommand(32790);
  const std::vector<std::u16string> found = Rows(*waybills);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].find(u"BR10000001"), std::u16string::npos);
}

TEST_F(QuickSearchStandIn, BagDialogKeysResetAndScreenshot) {
  CBagQueryDlg dlg;
  dlg.host = &host_;
  dlg.userStation = u"SZ";
  dlg.InitDialog();
  dlg.show();
  QTest::keyClicks(dlg.bagNoBox, QStringLiteral("B1"));
  QTest::mouseClick(dlg.dateLabel, Qt::LeftButton);
  EXPECT_EQ(dlg.dateFromBox->text().size(), 19);
  EXPECT_EQ(dlg.dateToBox->text().size(), 19);
  host_.prompt = u"快件";
  QTest::mouseClick(dlg.tagsLabel, Qt::LeftButton);
  EXPECT_EQ(dlg.tagsBox->text(), QString::fromUtf16(u"快件"));
  Save(dlg, "bag_query_dialog");
  // Enter moves on, Up moves back.
  dlg.bagNoBox->setFocus();
  QTest::keyClick(dlg.bagNoBox, Qt::Key_Return);
  ASSERT_NE(dlg.focusWidget(), dlg.bagNoBox);
  QTest::keyClick(dlg.focusWidget(), Qt::Key_Up);
  EXPECT_EQ(dlg.focusWidget(), dlg.bagNoBox);
  // Ctrl+D resets every text but the locked station.
  QTest::keyClick(dlg.bagNoBox, Qt::Key_D, Qt::ControlModifier);
  EXPECT_TRUE(dlg.bagNoBox->text().isEmpty());
  EXPECT_TRUE(dlg.tagsBox->text().isEmpty());
  EXPECT_EQ(dlg.stationBox->text(), QStringLiteral("SZ"));
  EXPECT_TRUE(dlg.isVisible());
}

TEST_F(QuickSearchStandIn, AwbDialogRouteKindAndScreenshot) {
  CAwbQueryDlg dlg;
  dlg.host = &host_;
  dlg.InitDialog();
  dlg.show();
  EXPECT_EQ(dlg.dateKindLabel->text(), QString::fromUtf16(u"录入日期"));
  // Choosing the airline's short name gives its prefix; "any" empties it.
  dlg.routeBox->activated(0);
  EXPECT_EQ(dlg.awbPrefixBox->text(), QStringLiteral("999"));
  dlg.routeBox->activated(1);
  EXPECT_TRUE(dlg.awbPrefixBox->text().isEmpty());
  // Typing into the route box changes no prefix.
  dlg.awbPrefixBox->setText(QStringLiteral("781"));
  dlg.routeBox->setFocus();
  QTest::keyClicks(dlg.routeBox->lineEdit(), QStringLiteral("CA"));
  EXPECT_EQ(dlg.awbPrefixBox->text(), QStringLiteral("781"));
  // The kind label: flight date, then entry date again.
  QTest::mouseClick(dlg.dateKindLabel, Qt::LeftButton);
  EXPECT_EQ(dlg.dateKind, 1);
  EXPECT_EQ(dlg.dateKindLabel->text(), QString::fromUtf16(u"航班日期"));
  Save(dlg, "awb_query_dialog");
  QTest::mouseClick(dlg.dateKindLabel, Qt::LeftButton);
  EXPECT_EQ(dlg.dateKind, 0);
  // Reset: fees all ticked, state any, the kind kept.
  dlg.feeBoxes[3]->setChecked(false);
  QTest::mouseClick(dlg.ResetButton(), Qt::LeftButton);
  EXPECT_TRUE(dlg.feeBoxes[3]->isChecked());
  EXPECT_EQ(dlg.stateList->currentIndex(), 3);
  EXPECT_EQ(dlg.dateKind, 0);
  EXPECT_EQ(dlg.routeBox->currentText(), QString::fromUtf16(u"全部"));
  // Escape cancels.
  QTest::keyClick(dlg.awbSerialBox, Qt::Key_Escape);
  EXPECT_FALSE(dlg.isVisible());
}

TEST_F(QuickSearchStandIn, CustomerDialogPresetsAndScreenshot) {
  CCustomerQueryDlg dlg;
  dlg.host = &host_;
  dlg.userStation = u"SZ";
  dlg.userGroup = u"VIP";
  dlg.InitDialog();
  dlg.show();
  EXPECT_FALSE(dlg.groupBox->isEnabled());
  EXPECT_EQ(dlg.groupBox->text(), QStringLiteral("VIP"));
  // The business-date label: this month, then the previous one.
  const QDate today = QDate::currentDate();
  const QDate first(today.year(), today.month(), 1);
  QTest::mouseClick(dlg.businessDateLabel, Qt::LeftButton);
  EXPECT_EQ(dlg.businessFromBox->text(), first.toString(QStringLiteral("yyyy.MM.dd")));
  EXPECT_EQ(dlg.businessToBox->text(),
            QDate(today.year(), today.month(), today.daysInMonth()).toString(QStringLiteral("yyyy.MM.dd")));
  QTest::mouseClick(dlg.businessDateLabel, Qt::LeftButton);
  const QDate previous = first.addMonths(-1);
  EXPECT_EQ(dlg.businessFromBox->text(), previous.toString(QStringLiteral("yyyy.MM.dd")));
  EXPECT_EQ(dlg.businessToBox->text(),
            QDate(previous.year(), previous.month(), previous.daysInMonth()).toString(QStringLiteral("yyyy.MM.dd")));
  // The specific date: today, yesterday, the day before, empty, today.
  const QString format = QStringLiteral("yyyy.MM.dd");
  std::vector<QString> seen;
  for (int i = 0; i < 5; ++i) {
    QTest::mouseClick(dlg.activeDateLabel, Qt::LeftButton);
    seen.push_back(dlg.activeDateBox->text());
  }
  EXPECT_EQ(seen, (std::vector<QString>{today.toString(format), today.addDays(-1).toString(format),
                                        today.addDays(-2).toString(format), QString(),
                                        today.toString(format)}));
  QTest::mouseClick(dlg.webAccountLabel, Qt::LeftButton);
  EXPECT_EQ(dlg.webAccountBox->text(), QStringLiteral("@"));
  Save(dlg, "customer_query_dialog");
  // Escape is swallowed; a number box without a number keeps the dialog.
  QTest::keyClick(dlg.nameBox, Qt::Key_Escape);
  EXPECT_TRUE(dlg.isVisible());
  dlg.minDebtBox->setText(QStringLiteral("abc"));
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(21201));
  // Reset keeps the records choice and puts the station and group back.
  dlg.recordsRadios[1]->setChecked(true);
  dlg.stationBox->setText(QStringLiteral("XX"));
  QTest::mouseClick(dlg.ResetButton(), Qt::LeftButton);
  EXPECT_TRUE(dlg.recordsRadios[1]->isChecked());
  EXPECT_EQ(dlg.stationBox->text(), QStringLiteral("SZ"));
  EXPECT_TRUE(dlg.businessFromBox->text().isEmpty());
  EXPECT_EQ(dlg.minDebtBox->text(), QStringLiteral("0"));
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.hasRecords, 1);
}

}  // namespace
