// Page 14's query worker against a stand-in that holds every "sSqlQuery"
// reply back: F4 during a load does nothing, a cancelled query dialog
// leaves the page idle, a transit save and a state save made from the
// window while a query is held both come back right (the link takes one
// request at a time, each with its own reply) and the grid then holds
// exactly the query's rows, and a page closed in the middle of a load ends
// cleanly (this program also runs under the sanitizers).

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/AwbList.h"
#include "consolidation/AwbListPage.h"
#include "consolidation/AwbStatusDlg.h"
#include "consolidation/AwbTransitDlg.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "server/ServerLink.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInServer.h"
#include "ui/AwbQueryDlg.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace {

constexpr int kHoldMs = 1500;

std::u16string U(const QString& text) { return platform::FromQString(text); }

class TestHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  CServerLink* link = nullptr;
};

template <typename T>
void WhenModal(std::function<void(T&)> body) {
  // Polled without blocking: the dialog may first wait for the server
  // (platform::WaitForWork), and a blocked timer would hold that wait.
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, body] {
    auto* dlg = dynamic_cast<T*>(QApplication::activeModalWidget());
    if (dlg == nullptr || !dlg->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    body(*dlg);
  });
  timer->start();
}

class AwbListWorker : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::filesystem::temp_directory_path() / ("brantle-awb-list-worker-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    server_ = std::make_unique<StandInServer>(
        BRANTLE_BINARY_DIR "/localserver/brantle-server", root_ / "server",
        std::vector<std::string>{"--reply-delay-ms", std::to_string(kHoldMs), "--reply-delay-for", "sSqlQuery"});
  }
  static void TearDownTestSuite() {
    server_.reset();
    std::filesystem::remove_all(root_);
  }

  void SetUp() override {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    const std::filesystem::path folder = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(folder);
    testsupport::WriteStandInConfig(folder, server_->Port(), "01", "PC-AWBWORK");
    ASSERT_EQ(1, link_.Init(folder.string() + "/"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    host_.link = &link_;
    host_.SetQueryDialogs(nullptr, nullptr, &queryDlg_);
    page_ = std::make_unique<CAwbListPage>();
    page_->host = &host_;
    page_->index = 14;
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
  }

  void TearDown() override {
    page_.reset();
    EXPECT_TRUE(testsupport::ExecOnDatabase(server_->Database(),
                                            "UPDATE client_rec_pack SET nstate=1,cflightno='QS745',"
                                            "dfdate='1900-01-01 00:00:00' WHERE cawb COLLATE "
                                            "BINARY='745-10000022'"));
  }

  // The conditions dialog answered with the prefix (or cancelled).
  void AnswerQuery(const QString& prefix, bool cancel = false) {
    WhenModal<CAwbQueryDlg>([prefix, cancel](CAwbQueryDlg& dlg) {
      if (cancel) {
        QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        return;
      }
      dlg.dateFromBox->clear();
      dlg.dateToBox->clear();
      dlg.awbSerialBox->clear();
      dlg.awbPrefixBox->setText(prefix);
      dlg.awbSerialBox->setFocus();
      QTest::keyClick(dlg.awbSerialBox, Qt::Key_Return, Qt::ControlModifier);
    });
  }

  std::vector<std::u16string> Numbers() {
    std::vector<std::u16string> rows;
    for (int r = 0; r < page_->grid->RowCount(); ++r) rows.push_back(page_->grid->CellText(r, 0));
    return rows;
  }

  int RowOf(std::u16string_view number) {
    for (int r = 0; r < page_->grid->RowCount(); ++r)
      if (page_->grid->CellText(r, 0) == number) return r;
    return -1;
  }

  static std::string Column(const std::string& column) {
    return std::to_string(testsupport::CountOnDatabase(
        server_->Database(),
        "SELECT COUNT(*) FROM client_rec_pack WHERE cawb COLLATE BINARY='745-10000022' AND " + column));
  }

  static inline std::filesystem::path root_;
  static inline std::unique_ptr<StandInServer> server_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CServerLink link_;
  TestHost host_;
  CAwbQueryDlg queryDlg_;
  std::unique_ptr<CAwbListPage> page_;
};

const std::vector<std::u16string> kAllListed = {
    u"745-1000ZZ066", u"745-1000%066", u"745-1000X055", u"745-1000_055",
    u"745-1000'044",  u"745-10000033", u"745-20123185", u"745-20000088",
    u"745-A[1]B",     u"745-10000022", u"745-10000011"};

TEST_F(AwbListWorker, F4DuringALoadDoesNothingAndACancelLeavesThePageIdle) {
  AnswerQuery(QStringLiteral("745"));
  page_->OnQuery();
  ASSERT_TRUE(page_->Busy());  // the reply is held back
  EXPECT_EQ(page_->grid->RowCount(), 0);
  const std::u16string statement = page_->Statement();
  // A second F4 opens no dialog and starts nothing.
  page_->OnQuery();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(page_->Statement(), statement);
  EXPECT_TRUE(page_->Busy());
  ASSERT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }));
  EXPECT_EQ(Numbers(), kAllListed);
  EXPECT_EQ(boxes_.Count(), 0u);

  // A cancelled dialog: the rows stay, nothing runs.
  AnswerQuery({}, true);
  page_->OnQuery();
  EXPECT_FALSE(page_->Busy());
  EXPECT_EQ(Numbers(), kAllListed);
  // And the next query runs again.
  AnswerQuery(QStringLiteral("745"));
  page_->OnQuery();
  EXPECT_TRUE(page_->Busy());
  ASSERT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }));
  EXPECT_EQ(Numbers(), kAllListed);
}

TEST_F(AwbListWorker, WindowSavesWhileAQueryIsHeld) {
  AnswerQuery(QStringLiteral("745"));
  page_->OnQuery();
  ASSERT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }));
  ASSERT_EQ(Numbers(), kAllListed);
  page_->OnRowDoubleClick(RowOf(u"745-10000022"));
  CAwbStatusDlg& panel = *page_->statusPanel;
  ASSERT_EQ(U(panel.numberEdit->text()), u"745-10000022");

  // In the transit editor (its own load is held back too): the list's
  // query starts again, and the transit save goes out while it is held.
  // The link takes one request at a time, so the save and the query go in
  // either order; each reads its own reply.
  bool saved = false;
  bool heldWhenSaving = false;
  int rowsWhenSaved = -1;
  WhenModal<CAwbTransitDlg>([&](CAwbTransitDlg& dlg) {
    EXPECT_EQ(U(dlg.numberEdit->text()), u"745-10000022");
    ASSERT_TRUE(page_->StartQuery(page_->Statement()));
    dlg.flightEdit->setText(QStringLiteral("QS777"));
    dlg.takeOffEdit->setText(QStringLiteral("2022.3.16 8:05"));
    heldWhenSaving = page_->Busy();
    QTest::keyClick(dlg.flightEdit, Qt::Key_S, Qt::ControlModifier);
    rowsWhenSaved = page_->grid->RowCount();
    saved = !dlg.isVisible();
  });
  QTest::mouseClick(panel.transitButton, Qt::LeftButton);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(heldWhenSaving);
  EXPECT_EQ(Column("cflightno COLLATE BINARY='QS777' AND dfdate COLLATE BINARY='2022-03-16 08:05:00'"), "1");
  ASSERT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }));
  EXPECT_EQ(Numbers(), kAllListed);
  int row = RowOf(u"745-10000022");
  ASSERT_GE(row, 0);
  EXPECT_EQ(page_->grid->CellText(row, 6), u"QS777");
  // The query answered first: its rows, then the notice's texts; else the
  // query read what the save had stored.
  EXPECT_EQ(page_->grid->CellText(row, 8), rowsWhenSaved == 11 ? u"2022.3.16 8:05" : u"2022-03-16 08:05")
      << rowsWhenSaved;
  EXPECT_EQ(boxes_.Count(), 0u);

  // The state save while the next query is held.
  page_->OnRowDoubleClick(RowOf(u"745-10000022"));
  ASSERT_TRUE(page_->StartQuery(page_->Statement()));
  ASSERT_TRUE(page_->Busy());
  panel.stateBox->setCurrentIndex(2);
  QTest::mouseClick(panel.saveStateButton, Qt::LeftButton);
  EXPECT_EQ(U(panel.numberEdit->text()), u"");
  EXPECT_EQ(Column("nstate=2"), "1");
  ASSERT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }));
  // Exactly the query's rows, whichever went first.
  EXPECT_EQ(Numbers(), kAllListed);
  row = RowOf(u"745-10000022");
  ASSERT_GE(row, 0);
  EXPECT_EQ(page_->grid->CellText(row, 6), u"QS777");
  EXPECT_EQ(page_->grid->CellText(row, 9), u"Dispatched");
  EXPECT_EQ(U(page_->countLabel->text()), u"Master AWB audit  11 records");
  EXPECT_EQ(boxes_.Count(), 0u) << platform::ToQString(boxes_.LastText()).toStdString();
}

TEST_F(AwbListWorker, ClosingThePageMidLoadEndsCleanly) {
  AnswerQuery(QStringLiteral("745"));
  page_->OnQuery();
  ASSERT_TRUE(page_->Busy());
  const auto started = std::chrono::steady_clock::now();
  page_.reset();  // waits for the worker, which finds the page gone
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(kHoldMs * 10));
  // Nothing reaches the page that went; the link still answers.
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(boxes_.Count(), 0u);
  std::string reply;
  EXPECT_GT(link_.SqlQuery("SELECT cawb FROM brantle.dbo.client_rec_pack WHERE cawb='745-10000011'",
                           awblist::ColumnTypes().first(1), &reply),
            9);
}

}  // namespace
