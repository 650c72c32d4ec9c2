// The record check page and its form driven as an operator would, against
// the local stand-in server: keyed numbers, the number mode, the query
// loaded on the worker, reloads, imports from the form, row removal and
// printing through the print job door.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "shipping/RecordCheckDlg.h"
#include "shipping/RecordCheckPage.h"
#include "tests/QtTestSupport.h"
#include "tests/WaitUntil.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "shell/BrantleClientApp.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/LinkLabel.h"
#include "ui/PrintConfirmDlg.h"
#include "ui/RecordFilter.h"
#include "ui/ViewHost.h"

namespace {

std::string G(const char* utf8) { return GbkFromWide(QString::fromUtf8(utf8).toStdU16String()); }

class TestHost : public CViewHost {
 public:
  CServerLink* link = nullptr;
  CBrantleClientApp* app = nullptr;
  CServerLink* ServerLink() override { return link; }
  CBrantleClientApp* Application() override { return app; }
  QSize ScreenSize() const override { return {1280, 800}; }
};

const char* kMarchStatement =
    " FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc b "
    "ON(a.icid=b.icid) WHERE a.ddate BETWEEN '2024.3.1 0:0:0.0' AND '2024.3.31 23:59:59.998' "
    "ORDER BY a.irid";

class RecordCheckPageTest : public testsupport::StandInLinkSuite<RecordCheckPageTest> {
 public:
  static constexpr const char* kRootName = "brantle-record-check-page";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("01", "PC-CHECK"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    host_.link = &link_;
  }
  void TearDown() override { view_.reset(); }

  // The page in a view of its own, as the main view builds it.
  void OpenPage() {
    view_ = std::make_unique<QWidget>();
    view_->resize(1280, 800);
    page_ = new CRecordCheckPage();
    page_->host = &host_;
    page_->ownerView = view_.get();
    page_->CreatePageWindow(view_.get(), {1280, 800});
    page_->OnPageCreated();
    view_->show();
  }
  void WriteSettings(const std::string& text) {
    std::filesystem::create_directories(folder_ / "DATA_SYS");
    std::ofstream(folder_ / "DATA_SYS" / "DupNum_4Fee.txt", std::ios::binary) << G(text.c_str());
  }
  void Key(const QString& number) {
    QLineEdit* edit = page_->Form()->NumberEdit();
    edit->clear();
    QTest::keyClicks(edit, number);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  int Rows() const { return page_->grid->RowCount(); }
  std::u16string Cell(int row, int column) const { return page_->grid->CellText(row, column); }
  void Screenshot(const char* name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(view_->grab().toImage().save(
        QString::fromUtf8(BRANTLE_BINARY_DIR "/screenshots/") + QString::fromUtf8(name)));
  }

  TestHost host_;
  std::unique_ptr<QWidget> view_;
  CRecordCheckPage* page_ = nullptr;
};

TEST_F(RecordCheckPageTest, KeyedNumbersShowTheirRecordOnceAndTheModeSwitches) {
  WriteSettings("<定义开始>\n快递类别=FEE\n内单号后缀=-F\n固定标签=附费\n<定义结束>\n");
  OpenPage();
  CRecordCheckDlg* form = page_->Form();
  EXPECT_TRUE(form->FeeButton()->isVisibleTo(form));
  EXPECT_EQ(1, form->NumberMode());
  EXPECT_EQ(page_->grid->ColumnCount(), RecordCheckColumnCount());

  Key(QStringLiteral("BR10000005"));
  ASSERT_EQ(1, Rows());
  EXPECT_EQ(u"BR10000005", Cell(0, 4));
  EXPECT_EQ(u"1", Cell(0, 0));
  Key(QStringLiteral("  BR10000005 "));
  EXPECT_EQ(1, Rows()) << "a record found twice keeps one row";
  Key(QStringLiteral("BR10000007"));
  EXPECT_EQ(2, Rows());

  boxes_.Clear();
  Key(QStringLiteral("BR1'"));  // a quote is looked up, not pasted into the SQL
  EXPECT_EQ(AppLanguage().Text(20005), boxes_.LastText());
  boxes_.Clear();
  Key(QStringLiteral("BR1"));  // three characters do nothing
  EXPECT_EQ(0u, boxes_.Count());

  // Mode 0: transfer numbers.
  QTest::mouseClick(form->ModeLabel(), Qt::LeftButton);
  EXPECT_EQ(0, form->NumberMode());
  Key(QStringLiteral("BR10000005"));
  EXPECT_EQ(AppLanguage().Text(20005), boxes_.LastText());
  QTest::mouseClick(form->ModeLabel(), Qt::LeftButton);
  EXPECT_EQ(1, form->NumberMode());

  // Up and Down move between the fields.
  form->NumberEdit()->setFocus();
  QTest::keyClick(form->NumberEdit(), Qt::Key_Down);
  EXPECT_EQ(form->WaybillCheck(), view_->focusWidget());
  QTest::keyClick(form->WaybillCheck(), Qt::Key_Up);
  EXPECT_EQ(form->NumberEdit(), view_->focusWidget());
  Screenshot("record_check_page.png");
}

// The form's fixed Chinese captions stay in Chinese; in English they come
// from the language data.
TEST_F(RecordCheckPageTest, TheFormsCaptionsFollowTheLanguage) {
  const struct {
    const char* language;
    QStringList links;
    QString waybill;
  } cases[] = {
      {"01", {QStringLiteral("↓Inner№"), QStringLiteral("↓Next№")},
       QStringLiteral("Next-carrier waybill")},
      {"00", {QStringLiteral("↓内№"), QStringLiteral("↓转№")}, QStringLiteral("第三方面单(转)")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), c.language));
    OpenPage();
    QStringList links;
    for (CLinkLabel* label : page_->Form()->findChildren<CLinkLabel*>())
      if (label->text().startsWith(QChar(u'↓'))) links << label->text();
    EXPECT_EQ(c.links, links);
    EXPECT_EQ(c.waybill, page_->Form()->WaybillCheck()->text());
    Screenshot((std::string("record_check_form_") + c.language + ".png").c_str());
    view_.reset();
  }
}

// A number list from a file through the "↓内№" link checks every number
// as an internal number: the mode is 1 after it, whatever it was.
TEST_F(RecordCheckPageTest, TheInternalNumberListChecksEachNumberInMode1) {
  CBrantleClientApp app;
  const std::filesystem::path list = folder_ / "numbers.txt";
  std::ofstream(list, std::ios::binary) << "BR10000005\r\nBR10000007\r\nBR19999999\r\n";
  app.hooks.chooseFile = [&list](const std::u16string&, const std::u16string&,
                                 std::u16string& path) {
    path = list.u16string();
    return true;
  };
  host_.app = &app;
  OpenPage();
  CRecordCheckDlg* form = page_->Form();
  QTest::mouseClick(form->ModeLabel(), Qt::LeftButton);
  ASSERT_EQ(0, form->NumberMode());
  CLinkLabel* inner = nullptr;
  for (CLinkLabel* label : form->findChildren<CLinkLabel*>())
    if (label->text() == QStringLiteral("↓Inner№")) inner = label;
  ASSERT_NE(nullptr, inner);
  QTest::mouseClick(inner, Qt::LeftButton);
  EXPECT_EQ(1, form->NumberMode());
  ASSERT_EQ(2, Rows());
  EXPECT_EQ(u"BR10000005", Cell(0, 4));
  EXPECT_EQ(u"BR10000007", Cell(1, 4));
  EXPECT_EQ(0u, boxes_.Count()) << "a list reports no number it did not find";
  host_.app = nullptr;
  view_.reset();
}

TEST_F(RecordCheckPageTest, ASuffixTooLongHidesTheFeeImport) {
  WriteSettings("<定义开始>\n快递类别=FEE\n内单号后缀=12345678\n<定义结束>\n");
  OpenPage();
  EXPECT_FALSE(page_->Form()->FeeButton()->isVisibleTo(page_->Form()));
}

TEST_F(RecordCheckPageTest, AQueryLoadsOnTheWorkerAndClearsItsBusyFlag) {
  OpenPage();
  const std::string statement =
      std::string("SELECT TOP 5000 ") + kRecordCheckSelectList + ",0 AS ilen" + kMarchStatement;
  ASSERT_TRUE(page_->StartQuery(statement));
  EXPECT_TRUE(page_->QueryBusy());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->QueryBusy(); }));
  EXPECT_EQ(40, Rows());
  EXPECT_EQ(u"40", Cell(39, 0));

  // Nothing found: the message, the flag clear.
  boxes_.Clear();
  std::string none = statement;
  none.replace(none.find("2024.3.1 0"), 8, "2030.3.1");
  none.replace(none.find("2024.3.31"), 9, "2030.3.31");
  ASSERT_TRUE(page_->StartQuery(none));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->QueryBusy(); }));
  EXPECT_EQ(0, Rows());
  EXPECT_EQ(AppLanguage().Text(20005), boxes_.LastText());
}

TEST_F(RecordCheckPageTest, TheRecordFiltersStatementsLoadThroughTheWorker) {
  OpenPage();
  WaybillQueryConditions c;
  c.dateFromBound = u"2024.03.01 0:0:0.0";
  c.dateToBound = u"2024.03.10 23:59:59.998";
  auto kinds = [](std::u16string_view) -> std::optional<std::u16string> { return std::nullopt; };
  const std::string statement =
      RecordCheckStatement(RecordFilterSql(c, RecordCheckFilterTexts(false), u"ddate", kinds));
  EXPECT_TRUE(statement.ends_with(" ORDER BY a.irid")) << statement;
  ASSERT_TRUE(page_->StartQuery(statement));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->QueryBusy(); }));
  const int rows = Rows();
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 40);
  for (int row = 1; row < rows; ++row)
    EXPECT_LT(page_->grid->GetRowId(row - 1), page_->grid->GetRowId(row));

  // The picture-size form joins the pictures' table.
  const std::string pictures =
      RecordCheckStatement(RecordFilterSql(c, RecordCheckFilterTexts(true), u"ddate", kinds));
  ASSERT_TRUE(page_->StartQuery(pictures));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->QueryBusy(); }));
  EXPECT_EQ(rows, Rows());
}

TEST_F(RecordCheckPageTest, AServerThatPagesItsRepliesIsReadInChunksWithoutRepeats) {
  // A stand-in of its own that answers at most 7 rows a reply.
  StandInServer paged(BRANTLE_BINARY_DIR "/localserver/brantle-server", root_ / "paged",
                      {"--page-rows", "7"});
  ASSERT_TRUE(paged.Ready()) << paged.Log();
  const std::filesystem::path program = folder_ / "paged-program";
  std::filesystem::create_directories(program);
  testsupport::WriteStandInConfig(program, paged.Port(), "01", "PC-PAGED");
  CServerLink link;
  ASSERT_EQ(1, link.Init(program.string() + "/"));
  ASSERT_GT(link.Login(u"admin", u"admin123", 0), 0);
  host_.link = &link;
  OpenPage();
  int chunks = 0;
  auto real = MakeServerRecordCheckQuery(link);
  page_->makeQuery = [&]() -> RecordCheckQuery {
    return [&, real](const std::string& sql, std::string& reply) {
      ++chunks;
      return real(sql, reply);
    };
  };
  ASSERT_TRUE(page_->StartQuery(std::string("SELECT TOP 5000 ") + kRecordCheckSelectList +
                                ",0 AS ilen" + kMarchStatement));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->QueryBusy(); }));
  EXPECT_EQ(40, Rows());
  EXPECT_GE(chunks, 6);
  for (int row = 1; row < Rows(); ++row)
    EXPECT_LT(page_->grid->GetRowId(row - 1), page_->grid->GetRowId(row));
  view_.reset();
}

TEST_F(RecordCheckPageTest, AWorkerThatCannotStartLeavesThePageFree) {
  OpenPage();
  page_->startThread = [](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  EXPECT_FALSE(page_->StartQuery("SELECT 1 FROM brantle.dbo.client_rec a WHERE a.irid=1"));
  EXPECT_FALSE(page_->QueryBusy());
  page_->startThread = nullptr;
  Key(QStringLiteral("BR10000005"));
  EXPECT_EQ(1, Rows());
}

TEST_F(RecordCheckPageTest, ReloadsWhileAQueryRunsAreIgnored) {
  OpenPage();
  std::atomic<bool> release{false};
  std::atomic<bool> waiting{false};
  auto real = MakeServerRecordCheckQuery(link_);
  page_->makeQuery = [&]() -> RecordCheckQuery {
    return [&, real](const std::string& sql, std::string& reply) {
      if (sql.rfind("SELECT TOP", 0) == 0) {
        waiting = true;
        testsupport::WaitUntil([&] { return release.load(); }, testsupport::kWaitLimit);
      }
      return real(sql, reply);
    };
  };
  ASSERT_TRUE(page_->StartQuery(std::string("SELECT TOP 5000 ") + kRecordCheckSelectList +
                                ",0 AS ilen" + kMarchStatement));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return waiting.load(); }));
  Key(QStringLiteral("BR10000005"));
  EXPECT_EQ(0, Rows());
  EXPECT_FALSE(page_->StartQuery("SELECT 1 FROM brantle.dbo.client_rec a WHERE a.irid=1"));
  release = true;
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->QueryBusy(); }));
  EXPECT_EQ(40, Rows());
}

TEST_F(RecordCheckPageTest, TheGridMenuRemovesRowsAndRenumbers) {
  OpenPage();
  for (const char* n : {"BR10000001", "BR10000002", "BR10000003", "BR10000004"})
    Key(QString::fromLatin1(n));
  ASSERT_EQ(4, Rows());
  page_->grid->SetRowSelected(1, true, false);
  page_->OnGridMenuCommand(1, 0);  // the selected rows go
  ASSERT_EQ(3, Rows());
  EXPECT_EQ(u"BR10000003", Cell(1, 4));
  EXPECT_EQ(u"2", Cell(1, 0));
  page_->grid->SetRowSelected(0, false, false);
  page_->grid->SetRowSelected(1, true, false);
  page_->grid->SetRowSelected(2, false, false);
  page_->OnGridMenuCommand(0, 0);  // the rows not selected go
  ASSERT_EQ(1, Rows());
  EXPECT_EQ(u"BR10000003", Cell(0, 4));
  EXPECT_EQ(u"1", Cell(0, 0));
}

TEST_F(RecordCheckPageTest, PrintingGoesThroughThePrintJobForEverySelectedRecord) {
  OpenPage();
  for (const char* n : {"BR10000001", "BR10000002", "BR10000003"}) Key(QString::fromLatin1(n));
  std::mutex mutex;
  std::vector<std::pair<int32_t, int>> printed;
  page_->printWaybill = [&](int32_t id, int copies) {
    std::lock_guard<std::mutex> lock(mutex);
    printed.emplace_back(id, copies);
    return 1;
  };
  page_->askCopies = [](int count) { return count == 3 ? 2 : 1; };
  for (int row = 0; row < 3; ++row) page_->grid->SetRowSelected(row, true, false);
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnPrintWaybill();
  EXPECT_TRUE(page_->PrintBusy());
  page_->OnPrintWaybill();  // refused while printing
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->PrintBusy(); }));
  std::vector<std::pair<int32_t, int>> expected;
  for (int row = 0; row < 3; ++row) expected.emplace_back(page_->grid->GetRowId(row), 2);
  EXPECT_EQ(expected, printed);

  // No answers Yes: nothing printed, the page free again.
  printed.clear();
  boxes_.QueueAnswer(platform::kIdNo);
  page_->OnFilePrint();
  EXPECT_FALSE(page_->PrintBusy());
  EXPECT_TRUE(printed.empty());

  // One record prints at once.
  for (int row = 1; row < 3; ++row) page_->grid->SetRowSelected(row, false, false);
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnFilePrint();
  EXPECT_FALSE(page_->PrintBusy());
  ASSERT_EQ(1u, printed.size());
  EXPECT_EQ(page_->grid->GetRowId(0), printed[0].first);

  // A print job that produces nothing is told, never passed over.
  page_->printWaybill = [](int32_t, int) { return 0; };
  for (int row = 0; row < 3; ++row) page_->grid->SetRowSelected(row, true, false);
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnPrintWaybill();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->PrintBusy(); }));
  EXPECT_EQ(u"3 waybills could not be printed.", boxes_.LastText());
}

// Without a replaced copy question the waybill print asks in the print
// confirmation dialog (waybill kind, text 120058) and prints its copies.
TEST_F(RecordCheckPageTest, WaybillCopiesComeFromThePrintConfirmation) {
  OpenPage();
  for (const char* n : {"BR10000001", "BR10000002"}) Key(QString::fromLatin1(n));
  std::mutex mutex;
  std::vector<int> copies;
  page_->printWaybill = [&](int32_t, int n) {
    std::lock_guard<std::mutex> lock(mutex);
    copies.push_back(n);
    return 1;
  };
  for (int row = 0; row < 2; ++row) page_->grid->SetRowSelected(row, true, false);
  int kind = -1;
  std::u16string message;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<CPrintConfirmDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, dlg);
    kind = dlg->kind;
    message = dlg->message;
    dlg->CopiesEdit()->selectAll();
    QTest::keyClicks(dlg->CopiesEdit(), "3");
    QTest::mouseClick(dlg->OkButton(), Qt::LeftButton);
  });
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnPrintWaybill();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !page_->PrintBusy(); }));
  EXPECT_EQ(2, kind);
  EXPECT_EQ(u"2 waybills selected.", message);
  std::lock_guard<std::mutex> lock(mutex);
  // The waybill confirmation forces its count over the template's: 100 + 3.
  EXPECT_EQ((std::vector<int>{103, 103}), copies);
}

TEST_F(RecordCheckPageTest, AFieldUpdateFromTheFormShowsTheChangedRecords) {
  OpenPage();
  const std::filesystem::path file = folder_ / "update.csv";
  std::ofstream(file, std::ios::binary)
      << G("运单号,备注,收件人\r\nBR10000011,检查 a'b,王'五\r\nBR99999999,x,y\r\n"
           "BR10000012,second,赵六\r\n");
  CRecordCheckDlg* form = page_->Form();
  form->chooseFieldUpdate = [&](FieldUpdateChoice& choice) {
    choice.path = QString::fromStdString(file.string()).toStdU16String();
    choice.csv = true;
    MapFieldUpdateHeader({u"运单号", u"备注", u"收件人"}, choice);
    return true;
  };
  boxes_.Clear();
  QTest::mouseClick(form->UpdateButton(), Qt::LeftButton);
  EXPECT_EQ(2, form->LastReport().updated);
  EXPECT_EQ(1, form->LastReport().errors);
  ASSERT_EQ(2, Rows());
  EXPECT_EQ(u"BR10000011", Cell(0, 4));
  EXPECT_EQ(u"检查 a'b", Cell(0, 20));
  EXPECT_EQ(u"王'五", Cell(0, 22));
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(u"3 rows, 2 done, 1 refused"));
  Screenshot("record_check_page_import.png");
}

}  // namespace
