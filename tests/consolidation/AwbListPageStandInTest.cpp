// Page 14 against the stand-in server, driven as an operator would: F4 and
// the query dialog list the master air waybills (the worker's rows), a
// double-click fills the status panel, the state is saved, the transit
// editor stamps and fills its steps and saves with Ctrl+S, the fees are
// apportioned, the grid is exported and thinned out.  The query text runs
// against the stand-in too, case by case.  Screenshots go to
// <build>/screenshots.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "consolidation/AwbList.h"
#include "consolidation/AwbListPage.h"
#include "consolidation/AwbStatusDlg.h"
#include "consolidation/AwbTransitDlg.h"
#include "platform/QtText.h"
#include "server/ServerLink.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/AttachmentDlg.h"
#include "ui/AwbQueryDlg.h"
#include "ui/ListGrid.h"
#include "ui/ListGridExport.h"
#include "ui/ListPickDlg.h"
#include "ui/ViewHost.h"

namespace {

using testsupport::CountOnDatabase;

std::u16string U(const QString& text) { return platform::FromQString(text); }
std::string U8(const std::u16string& text) { return Utf8FromWide(text); }

void Save(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  const QImage image = widget.grab().toImage();
  EXPECT_FALSE(image.isNull());
  EXPECT_TRUE(image.save(path)) << path.toStdString();
}

// The first column of the first row as text ("" without one).
std::string TextOnDatabase(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string out;
  if (sqlite3_open(database.c_str(), &db) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    sqlite3_busy_timeout(db, 5000);
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
    } else if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0) != nullptr) {
      out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

// The host: the common prompts are offered in the single-choice list with
// caption 1104, as the program does.
class TestHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  bool ChooseCommonPrompt(std::u16string& prompt) override {
    if (prompts.empty()) return false;
    CListPickDlg dlg(QApplication::activeModalWidget());
    dlg.SetList(&prompts, AppLanguage().Text(1104));
    if (dlg.DoModal() != platform::kIdOk) return false;
    prompt = dlg.result;
    return true;
  }
  CServerLink* link = nullptr;
  std::vector<std::u16string> prompts;
};

// Runs `body` on the modal dialog of type T once it is up.
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

class AwbListPageTest : public testsupport::StandInLinkSuite<AwbListPageTest> {
 public:
  static constexpr const char* kRootName = "brantle-awb-list";

 protected:
  void Open(const std::string& language, const std::u16string& account = u"admin",
            const std::u16string& password = u"admin123") {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    ASSERT_NO_FATAL_FAILURE(OpenLink(language, "PC-AWBLIST"));
    ASSERT_GT(link_.Login(account, password, 0), 0);
    host_.link = &link_;
    host_.SetQueryDialogs(nullptr, nullptr, &queryDlg_);
    page_ = std::make_unique<CAwbListPage>();
    page_->host = &host_;
    page_->index = 14;
    page_->wireServices = [this](AwbDeskServices& s, CViewHost*) {
      auto execute = s.execute;
      s.execute = [this, execute](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
        executed_.push_back(U8(WideFromGbk(sql)));
        if (failTransport_) return -7;
        return execute(sql, types, reply);
      };
      s.now = [] { return std::u16string(u"2022-04-11 09:05"); };
    };
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
    page_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page_.get()));
    ASSERT_NE(page_->statusPanel, nullptr);
  }

  // The rows the cases change go back as the sample has them, so that every
  // case meets the same data.
  void TearDown() override {
    page_.reset();
    EXPECT_TRUE(testsupport::ExecOnDatabase(
        Db(),
        "UPDATE client_rec_pack SET nstate=0,cflightno='QS745',dfdate='2022-03-04 23:10:00',cd3='',"
        "cc3='',ce3='',ccp3='',cep3='',cd4='' WHERE cawb COLLATE BINARY='745-10000011';"
        "UPDATE client_rec_pack SET nstate=0,cflightno='QS745' WHERE cawb COLLATE BINARY='745-20000088';"));
  }

  const std::string& Db() { return server_->Database(); }
  CListGrid& Grid() { return *page_->grid; }
  CAwbStatusDlg& Panel() { return *page_->statusPanel; }

  // F4: the conditions dialog answered with the prefix and serial; `more`
  // sets further boxes.
  void Query(const QString& prefix, const QString& serial = {},
             std::function<void(CAwbQueryDlg&)> more = {}) {
    WhenModal<CAwbQueryDlg>([prefix, serial, more](CAwbQueryDlg& dlg) {
      dlg.dateFromBox->clear();
      dlg.dateToBox->clear();
      dlg.awbSerialBox->setText(serial);
      dlg.awbPrefixBox->setText(prefix);
      if (more) more(dlg);
      dlg.awbSerialBox->setFocus();
      QTest::keyClick(dlg.awbSerialBox, Qt::Key_Return, Qt::ControlModifier);
    });
    page_->OnQuery();  // F4: the frame's query command
    ASSERT_TRUE(testsupport::WaitUntil([this] { return !page_->Busy(); }));
  }

  std::vector<std::u16string> Numbers() {
    std::vector<std::u16string> rows;
    for (int r = 0; r < Grid().RowCount(); ++r) rows.push_back(Grid().CellText(r, 0));
    return rows;
  }

  std::vector<std::u16string> RowTexts(int row) {
    std::vector<std::u16string> cells;
    for (int c = 0; c < 12; ++c) cells.push_back(Grid().CellText(row, c));
    return cells;
  }

  int RowOf(std::u16string_view number) {
    for (int r = 0; r < Grid().RowCount(); ++r)
      if (Grid().CellText(r, 0) == number) return r;
    return -1;
  }

  void DoubleClick(std::u16string_view number) {
    const int row = RowOf(number);
    ASSERT_GE(row, 0) << U8(std::u16string(number));
    const QModelIndex index = Grid().model()->index(row, 1);
    Grid().scrollTo(index);
    const QPoint at = Grid().visualRect(index).center();
    QTest::mouseClick(Grid().viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(Grid().viewport(), Qt::LeftButton, {}, at);
  }

  std::string Column(const std::string& column, const std::string& number) {
    std::string quoted;
    for (char c : number) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return TextOnDatabase(Db(), "SELECT " + column + " FROM client_rec_pack WHERE cawb COLLATE BINARY='" + quoted + "'");
  }

  TestHost host_;
  CAwbQueryDlg queryDlg_;
  std::unique_ptr<CAwbListPage> page_;
  std::vector<std::string> executed_;
  bool failTransport_ = false;
};

const std::vector<std::u16string> kAllListed = {
    u"745-1000ZZ066", u"745-1000%066", u"745-1000X055", u"745-1000_055",
    u"745-1000'044",  u"745-10000033", u"745-20123185", u"745-20000088",
    u"745-A[1]B",     u"745-10000022", u"745-10000011"};

TEST_F(AwbListPageTest, QueryPanelStateTransitApportionExportAndRemoval) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  EXPECT_EQ(U(page_->countLabel->text()), u"Master AWB audit  0 records");
  // The twelve captions.
  const std::vector<std::u16string> captions = {
      u"Master AWB No.", u"Airline", u"Origin", u"Destination", u"Pieces", u"Weight", u"Flight",
      u"Date", u"Take-off", u"State", u"ＥＴＤ", u"ＥＴＡ"};
  ASSERT_EQ(Grid().ColumnCount(), 12);
  for (int c = 0; c < 12; ++c)
    EXPECT_EQ(U(Grid().model()->headerData(c, Qt::Horizontal).toString()), captions[static_cast<size_t>(c)]) << c;

  // F4 and OK: the rows, newest first, and the count line.
  ASSERT_NO_FATAL_FAILURE(Query(QStringLiteral("745")));
  EXPECT_EQ(Numbers(), kAllListed);
  EXPECT_EQ(U(page_->countLabel->text()), u"Master AWB audit  11 records");
  EXPECT_EQ(RowTexts(RowOf(u"745-10000011")),
            (std::vector<std::u16string>{u"745-10000011", u"航线七四五", u"PVG", u"LAX", u"10", u"125.500",
                                         u"QS745", u"2022-03-03", u"2022-03-04 23:10", u"Not audited",
                                         u"2022-03-04 23:10", u"2022-03-05 05:30"}));
  // A take-off time of 1900-01-01 leaves column 8 empty.
  EXPECT_EQ(RowTexts(RowOf(u"745-10000022")),
            (std::vector<std::u16string>{u"745-10000022", u"航线七四五", u"PEK", u"ORD", u"4", u"20.000",
                                         u"QS745", u"2022-03-15", u"", u"Audited", u"", u""}));
  EXPECT_EQ(Grid().GetRowId(RowOf(u"745-10000022")), static_cast<int32_t>(HashText30(u"745-10000022")));

  // A double-click fills the panel.
  ASSERT_NO_FATAL_FAILURE(DoubleClick(u"745-10000011"));
  EXPECT_EQ(U(Panel().numberEdit->text()), u"745-10000011");
  EXPECT_EQ(U(Panel().flightEdit->text()), u"QS745");
  EXPECT_EQ(Panel().stateBox->currentIndex(), 0);
  EXPECT_EQ(Panel().record.rowKey, static_cast<int32_t>(HashText30(u"745-10000011")));
  EXPECT_TRUE(Panel().saveStateButton->isEnabled());
  EXPECT_TRUE(Panel().transitButton->isEnabled());
  EXPECT_TRUE(Panel().attachmentsButton->isVisibleTo(&Panel()));
  Save(*page_, QStringLiteral("awb_list_page_en"));

  // 保存状态设置: the panel empties, the row shows the new state.
  Panel().stateBox->setCurrentIndex(1);
  QTest::mouseClick(Panel().saveStateButton, Qt::LeftButton);
  EXPECT_EQ(executed_.back(), "{?=CALL brantle.dbo.cp_client_rec_pack_status(1,'745-10000011')}");
  EXPECT_EQ(U(Panel().numberEdit->text()), u"");
  EXPECT_EQ(Panel().record.rowKey, 0);
  EXPECT_FALSE(Panel().saveStateButton->isEnabled());
  EXPECT_TRUE(Panel().apportionButton->isEnabled());
  EXPECT_EQ(Grid().CellText(RowOf(u"745-10000011"), 9), u"Audited");
  EXPECT_EQ(Column("nstate", "745-10000011"), "1");
  EXPECT_EQ(boxes_.Count(), 0u);

  // 编辑运转信息: "3." with a prompt, "4." without, Ctrl+S.
  ASSERT_NO_FATAL_FAILURE(DoubleClick(u"745-10000011"));
  host_.prompts.clear();
  bool edited = false;
  WhenModal<CAwbTransitDlg>([this, &edited](CAwbTransitDlg& dlg) {
    EXPECT_EQ(U(dlg.numberEdit->text()), u"745-10000011");
    EXPECT_EQ(U(dlg.flightEdit->text()), u"QS745");
    EXPECT_EQ(U(dlg.takeOffEdit->text()), u"2022-03-04 23:10:00");
    EXPECT_EQ(dlg.stateBox->currentIndex(), 1);
    // "3." with no common prompts: only the date.
    QTest::mouseClick(dlg.stepLabels[2], Qt::LeftButton);
    EXPECT_EQ(U(dlg.dateEdits[2]->text()), u"2022-04-11 09:05");
    EXPECT_EQ(U(dlg.detailEdits[2]->text()), u"");
    dlg.dateEdits[2]->clear();
    host_.prompts = {u"已起飞|广州", u"已到港|上海"};
    WhenModal<CListPickDlg>([](CListPickDlg& pick) {
      EXPECT_EQ(U(pick.windowTitle()), u"Common prompts");
      pick.ListBox()->setCurrentRow(1);
      QTest::mouseClick(pick.OkButton(), Qt::LeftButton);
    });
    QTest::mouseClick(dlg.stepLabels[2], Qt::LeftButton);
    EXPECT_EQ(U(dlg.detailEdits[2]->text()), u"已到港");
    EXPECT_EQ(U(dlg.placeEdits[2]->text()), u"上海");
    EXPECT_EQ(U(dlg.dateEdits[2]->text()), u"2022-04-11 09:05");
    EXPECT_EQ(U(dlg.detailEnglishEdits[2]->text()), u"");
    host_.prompts.clear();
    QTest::mouseClick(dlg.stepLabels[3], Qt::LeftButton);
    EXPECT_EQ(U(dlg.dateEdits[3]->text()), u"2022-04-11 09:05");
    EXPECT_EQ(U(dlg.detailEdits[3]->text()), u"");
    dlg.flightEdit->setText(QStringLiteral("QS799"));
    dlg.takeOffEdit->setText(QStringLiteral("2024.5.1"));
    dlg.detailEnglishEdits[2]->setText(QStringLiteral("Arrived"));
    dlg.placeEnglishEdits[2]->setText(QStringLiteral("Shanghai"));
    dlg.stateBox->setCurrentIndex(2);
    // Enter on the OK button only moves the focus.
    dlg.okButton->setFocus();
    QTest::keyClick(dlg.okButton, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_NE(QApplication::focusWidget(), dlg.okButton);
    QTest::keyClick(dlg.flightEdit, Qt::Key_S, Qt::ControlModifier);
    edited = true;
  });
  QTest::mouseClick(Panel().transitButton, Qt::LeftButton);
  ASSERT_TRUE(edited);
  EXPECT_EQ(boxes_.Count(), 0u) << U8(boxes_.LastText());
  const int row = RowOf(u"745-10000011");
  EXPECT_EQ(Grid().CellText(row, 6), u"QS799");
  EXPECT_EQ(Grid().CellText(row, 8), u"2024.5.1");
  EXPECT_EQ(Grid().CellText(row, 9), u"Dispatched");
  // Read back column by column.
  EXPECT_EQ(Column("cflightno", "745-10000011"), "QS799");
  EXPECT_EQ(Column("dfdate", "745-10000011"), "2024-05-01 00:00:00");
  EXPECT_EQ(Column("nstate", "745-10000011"), "2");
  EXPECT_EQ(Column("cd3", "745-10000011"), "2022-04-11 09:05");
  EXPECT_EQ(Column("cc3", "745-10000011"), "已到港");
  EXPECT_EQ(Column("ce3", "745-10000011"), "Arrived");
  EXPECT_EQ(Column("ccp3", "745-10000011"), "上海");
  EXPECT_EQ(Column("cep3", "745-10000011"), "Shanghai");
  EXPECT_EQ(Column("cd4", "745-10000011"), "2022-04-11 09:05");
  EXPECT_EQ(Column("cc4", "745-10000011"), "");
  EXPECT_EQ(Column("cd1", "745-10000011"), "");

  // 票件费用分摊: the two master air waybills with waybills in their bags.
  QTest::mouseClick(Panel().apportionButton, Qt::LeftButton);
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), u"Fees apportioned: 2 master AWBs, 4 waybills.");
  size_t apportioned = 0;
  for (const std::string& sql : executed_)
    if (sql.find("cp_a_awb_fee_apportion") != std::string::npos) ++apportioned;
  EXPECT_EQ(apportioned, 11u);
  EXPECT_NE(std::find(executed_.begin(), executed_.end(),
                      "{?=CALL brantle.dbo.cp_a_awb_fee_apportion('745-1000''044')}"),
            executed_.end());

  // Save exports the grid.
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString chosen = folder.filePath(QStringLiteral("awbs"));
  {
    ScopedGridSaveDialog dialog([&](QWidget*, const QString&) -> std::optional<GridSaveChoice> {
      return GridSaveChoice{U(chosen), 1};
    });
    page_->OnSave();
  }
  QFile file(chosen + ".txt");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                          (bytes.size() - 2) / 2);
  const QStringList lines = text.split(QStringLiteral("\r\n"));
  ASSERT_GE(lines.size(), 15);
  EXPECT_EQ(lines[0], QStringLiteral("Master AWB audit list"));
  EXPECT_TRUE(lines[4].startsWith(QStringLiteral("745-1000ZZ066\t航线七四五\tSZX\tSYD\t1\t0.500\t"))) << lines[4].toStdString();

  // The grid menu: the selected rows go, then the rows not selected; the
  // numbers in column 0 stay.
  for (int r : Grid().SelectedRows()) Grid().SetRowSelected(r, false, false);
  Grid().SetRowSelected(RowOf(u"745-1000ZZ066"), true, false);
  Grid().SetRowSelected(RowOf(u"745-A[1]B"), true, false);
  platform::SendPrivateMessage(page_.get(), kGridMsgCommand, 1, 0);
  EXPECT_EQ(Grid().RowCount(), 9);
  EXPECT_EQ(RowOf(u"745-A[1]B"), -1);
  EXPECT_EQ(Grid().CellText(0, 0), u"745-1000%066");
  EXPECT_EQ(U(page_->countLabel->text()), u"Master AWB audit  9 records");
  Grid().SetRowSelected(RowOf(u"745-10000033"), true, false);
  platform::SendPrivateMessage(page_.get(), kGridMsgCommand, 0, 0);
  EXPECT_EQ(Numbers(), std::vector<std::u16string>{u"745-10000033"});
  EXPECT_EQ(U(page_->countLabel->text()), u"Master AWB audit  1 records");
}

TEST_F(AwbListPageTest, ChineseScreensAfterAQueryAndWithFiveSteps) {
  ASSERT_NO_FATAL_FAILURE(Open("00"));
  ASSERT_NO_FATAL_FAILURE(Query(QStringLiteral("745")));
  EXPECT_EQ(Numbers(), kAllListed);
  EXPECT_EQ(Grid().CellText(RowOf(u"745-10000033"), 9), u"已发出");
  ASSERT_NO_FATAL_FAILURE(DoubleClick(u"745-10000033"));
  EXPECT_EQ(U(Panel().saveStateButton->text()), u"保存状态设置");
  Save(*page_, QStringLiteral("awb_list_page_zh"));
  bool seen = false;
  WhenModal<CAwbTransitDlg>([&seen](CAwbTransitDlg& dlg) {
    EXPECT_EQ(U(dlg.windowTitle()), u"总单运转信息编辑");
    EXPECT_EQ(U(dlg.detailEdits[4]->text()), u"已交付");
    EXPECT_EQ(U(dlg.placeEnglishEdits[4]->text()), u"Berlin");
    Save(dlg, QStringLiteral("awb_transit_dlg_zh"));
    QTest::mouseClick(dlg.cancelButton, Qt::LeftButton);
    seen = true;
  });
  QTest::mouseClick(Panel().transitButton, Qt::LeftButton);
  EXPECT_TRUE(seen);
}

TEST_F(AwbListPageTest, EnglishTransitEditorWithFiveSteps) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  ASSERT_NO_FATAL_FAILURE(Query(QStringLiteral("745"), QStringLiteral("10000033")));
  EXPECT_EQ(Numbers(), std::vector<std::u16string>{u"745-10000033"});
  ASSERT_NO_FATAL_FAILURE(DoubleClick(u"745-10000033"));
  bool seen = false;
  WhenModal<CAwbTransitDlg>([&seen](CAwbTransitDlg& dlg) {
    const std::vector<std::u16string> details = {u"已起飞", u"已到港", u"清关中", u"已放行", u"已交付"};
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(U(dlg.detailEdits[k]->text()), details[k]) << k;
    EXPECT_EQ(U(dlg.dateEdits[0]->text()), u"2022-04-03 01:15");
    EXPECT_EQ(U(dlg.detailEnglishEdits[1]->text()), u"Arrived");
    EXPECT_EQ(U(dlg.placeEdits[1]->text()), u"法兰克福");
    EXPECT_EQ(U(dlg.flightEdit->text()), u"CA745");
    Save(dlg, QStringLiteral("awb_transit_dlg_en"));
    // Ctrl+D clears every box but the number.
    QTest::keyClick(dlg.detailEdits[0], Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(U(dlg.numberEdit->text()), u"745-10000033");
    EXPECT_EQ(U(dlg.detailEdits[4]->text()), u"");
    EXPECT_EQ(U(dlg.flightEdit->text()), u"");
    EXPECT_EQ(dlg.stateBox->currentIndex(), 0);
    // Esc does nothing; Cancel closes without saving.
    QTest::keyClick(dlg.detailEdits[0], Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    QTest::mouseClick(dlg.cancelButton, Qt::LeftButton);
    seen = true;
  });
  QTest::mouseClick(Panel().transitButton, Qt::LeftButton);
  EXPECT_TRUE(seen);
  EXPECT_EQ(Column("cc5", "745-10000033"), "已交付");
}

TEST_F(AwbListPageTest, QueryTextAgainstTheStandIn) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  struct Case {
    const char* name;
    std::function<void(AwbQueryConditions&)> set;
    std::vector<std::u16string> expected;
  };
  const std::vector<Case> cases = {
      {"prefix and serial with a quote",
       [](AwbQueryConditions& c) { c.awbPrefix = u"745"; c.awbSerial = u"1000'044"; }, {u"745-1000'044"}},
      {"serial with '_' matches it only",
       [](AwbQueryConditions& c) { c.awbSerial = u"1000_055"; }, {u"745-1000_055"}},
      {"serial with '%' matches it only",
       [](AwbQueryConditions& c) { c.awbSerial = u"1000%066"; }, {u"745-1000%066"}},
      {"serial with '['", [](AwbQueryConditions& c) { c.awbSerial = u"A[1]B"; }, {u"745-A[1]B"}},
      {"prefix with '%' matches no 745 number", [](AwbQueryConditions& c) { c.awbPrefix = u"74%"; }, {}},
      {"prefix only: every listed one, kind 2 left out",
       [](AwbQueryConditions& c) { c.awbPrefix = u"745"; }, kAllListed},
      {"entry dates of April and state 0",
       [](AwbQueryConditions& c) {
         c.awbPrefix = u"745";
         c.dateKind = 0;
         c.dateFrom = u"2022.04.01";
         c.dateTo = u"2022.04.30";
         c.awbState = 0;
       },
       {u"745-1000ZZ066", u"745-1000%066", u"745-1000X055", u"745-1000'044"}},
      {"flight dates of March",
       [](AwbQueryConditions& c) {
         c.awbPrefix = u"745";
         c.dateKind = 1;
         c.dateFrom = u"2022.03.01";
         c.dateTo = u"2022.03.31";
       },
       {u"745-20123185", u"745-20000088", u"745-10000011"}},
      {"an invalid start date gives no lower bound",
       [](AwbQueryConditions& c) {
         c.awbPrefix = u"745";
         c.dateFrom = u"2022.13.01";
         c.dateTo = u"2022.03.10";
       },
       {u"745-10000011"}},
      {"a flight in the second column", [](AwbQueryConditions& c) { c.flightNo = u"QS746"; },
       {u"745-10000033", u"745-10000022"}},
      {"a flight in the first column", [](AwbQueryConditions& c) { c.flightNo = u"CA745"; }, {u"745-10000033"}},
      {"an airline", [](AwbQueryConditions& c) { c.route = u"七四五航空"; }, {u"745-10000033"}},
      {"state 2", [](AwbQueryConditions& c) { c.awbPrefix = u"745"; c.awbState = 2; }, {u"745-10000033"}},
      {"transport fee unpaid",
       [](AwbQueryConditions& c) { c.awbPrefix = u"745"; c.feeTransportPaid = false; },
       {u"745-1000ZZ066", u"745-1000X055", u"745-1000_055", u"745-1000'044", u"745-20123185",
        u"745-20000088", u"745-A[1]B", u"745-10000011"}},
      {"transport fee paid",
       [](AwbQueryConditions& c) { c.awbPrefix = u"745"; c.feeTransportUnpaid = false; },
       {u"745-1000%066", u"745-10000033", u"745-10000022"}},
      {"transport fee neither way: no condition",
       [](AwbQueryConditions& c) {
         c.awbPrefix = u"745";
         c.feeTransportUnpaid = false;
         c.feeTransportPaid = false;
       },
       kAllListed},
      {"customs declaration fee paid",
       [](AwbQueryConditions& c) { c.awbPrefix = u"745"; c.feeCustomsUnpaid = false; },
       {u"745-1000_055", u"745-10000033", u"745-10000011"}},
      {"other fee paid and clearance unpaid",
       [](AwbQueryConditions& c) {
         c.awbPrefix = u"745";
         c.feeOtherUnpaid = false;
         c.feeClearancePaid = false;
       },
       {u"745-1000%066"}},
  };
  for (const Case& c : cases) {
    AwbQueryConditions conditions;
    conditions.route = u"All";
    c.set(conditions);
    std::string reply;
    ASSERT_GT(link_.SqlQuery(GbkFromWide(awblist::ListSql(conditions, u"All")), awblist::ColumnTypes(), &reply), 9)
        << c.name;
    std::vector<awblist::Row> rows;
    awblist::ReadRows(reply, rows);
    std::vector<std::u16string> numbers;
    for (const awblist::Row& row : rows)
      if (row.cells[0].rfind(u"745-", 0) == 0) numbers.push_back(row.cells[0]);
    EXPECT_EQ(numbers, c.expected) << c.name;
  }
}

TEST_F(AwbListPageTest, PanelRefusalsKeepTheirContents) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  // Nothing shown: nothing is sent.
  QTest::mouseClick(Panel().saveStateButton, Qt::LeftButton);  // disabled
  Panel().SaveStatus();
  EXPECT_TRUE(executed_.empty());
  // A number but row key 0, and a row key with an empty number.
  Panel().numberEdit->setText(QStringLiteral("745-10000022"));
  Panel().SaveStatus();
  Panel().record.rowKey = 5;
  Panel().numberEdit->setText(QStringLiteral("  "));
  Panel().SaveStatus();
  EXPECT_TRUE(executed_.empty());

  // -2: message 410096, the panel as it was.
  Panel().record = AwbStatusRecord{77, u"745-99999999", u"QS1", u"", 1};
  Panel().ShowRecord();
  Panel().SaveStatus();
  ASSERT_EQ(executed_.size(), 1u);
  EXPECT_EQ(boxes_.LastText(), u"The master AWB or bag does not exist.");
  EXPECT_EQ(U(Panel().numberEdit->text()), u"745-99999999");
  EXPECT_EQ(Panel().record.rowKey, 77);
  EXPECT_TRUE(Panel().saveStateButton->isEnabled());

  // A failed transport: the text of the failure, the panel as it was.
  failTransport_ = true;
  Panel().SaveStatus();
  EXPECT_EQ(boxes_.Count(), 2u);
  EXPECT_NE(boxes_.LastText(), u"The master AWB or bag does not exist.");
  EXPECT_NE(U8(boxes_.LastText()).find("-7"), std::string::npos) << U8(boxes_.LastText());
  EXPECT_EQ(U(Panel().numberEdit->text()), u"745-99999999");
  failTransport_ = false;

  // The transit editor of an unknown number: every box empty; its save
  // gets -2 (410096) and the dialog stays open with what was typed.
  bool seen = false;
  WhenModal<CAwbTransitDlg>([this, &seen](CAwbTransitDlg& dlg) {
    EXPECT_EQ(U(dlg.numberEdit->text()), u"");
    EXPECT_EQ(U(dlg.flightEdit->text()), u"");
    EXPECT_EQ(U(dlg.takeOffEdit->text()), u"");
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(U(dlg.dateEdits[k]->text()), u"") << k;
    dlg.numberEdit->setText(QStringLiteral("745-99999999"));
    dlg.detailEdits[0]->setText(QStringLiteral("kept"));
    boxes_.Clear();
    QTest::mouseClick(dlg.okButton, Qt::LeftButton);
    EXPECT_EQ(boxes_.LastText(), u"The master AWB or bag does not exist.");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(U(dlg.detailEdits[0]->text()), u"kept");
    QTest::mouseClick(dlg.cancelButton, Qt::LeftButton);
    seen = true;
  });
  QTest::mouseClick(Panel().transitButton, Qt::LeftButton);
  EXPECT_TRUE(seen);
  EXPECT_NE(executed_.back().find("cp_client_rec_pack_track_ex(0,'1900.01.01','745-99999999','',1,'','kept'"),
            std::string::npos)
      << executed_.back();
}

TEST_F(AwbListPageTest, NoRowsToApportionAndTheQuotedNumbersAttachments) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  QTest::mouseClick(Panel().apportionButton, Qt::LeftButton);
  EXPECT_EQ(boxes_.LastText(), u"No master AWB is listed: there are no fees to apportion.");
  EXPECT_TRUE(executed_.empty());
  // A query that finds nothing says so, from the window's thread.
  boxes_.Clear();
  ASSERT_NO_FATAL_FAILURE(Query(QStringLiteral("745"), QStringLiteral("nothing-here")));
  EXPECT_EQ(Grid().RowCount(), 0);
  EXPECT_EQ(boxes_.LastText(), u"No records match the conditions.");
  EXPECT_EQ(U(page_->countLabel->text()), u"Master AWB audit  0 records");

  ASSERT_NO_FATAL_FAILURE(Query(QStringLiteral("745"), QStringLiteral("1000'044")));
  ASSERT_NO_FATAL_FAILURE(DoubleClick(u"745-1000'044"));
  bool listed = false;
  WhenModal<CAttachmentDlg>([&listed](CAttachmentDlg& dlg) {
    ASSERT_TRUE(testsupport::WaitUntil([&dlg] { return dlg.List()->RowCount() == 1; }));
    bool named = false;
    for (int c = 0; c < dlg.List()->ColumnCount(); ++c)
      if (dlg.List()->CellText(0, c) == u"舱单745.txt") named = true;
    EXPECT_TRUE(named);
    listed = true;
    dlg.reject();
  });
  QTest::mouseClick(Panel().attachmentsButton, Qt::LeftButton);
  EXPECT_TRUE(listed);
  // The quoted number is apportioned: its bags hold three waybills.
  boxes_.Clear();
  QTest::mouseClick(Panel().apportionButton, Qt::LeftButton);
  EXPECT_EQ(boxes_.LastText(), u"Fees apportioned: 1 master AWBs, 3 waybills.");
}

TEST_F(AwbListPageTest, NoAttachmentsButtonWithoutTheRights) {
  ASSERT_NO_FATAL_FAILURE(Open("01", u"li", u"li@2024"));
  EXPECT_FALSE(Panel().attachmentsAllowed);
  EXPECT_FALSE(Panel().attachmentsButton->isVisibleTo(&Panel()));
  ASSERT_NO_FATAL_FAILURE(Query(QStringLiteral("745"), QStringLiteral("10000022")));
  ASSERT_NO_FATAL_FAILURE(DoubleClick(u"745-10000022"));
  EXPECT_FALSE(Panel().attachmentsButton->isVisibleTo(&Panel()));
}

TEST_F(AwbListPageTest, NoticesFindTheirNumberAmongRowsSharingAnId) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  ASSERT_EQ(HashText30(u"745-20000088"), HashText30(u"745-20123185"));
  ASSERT_NO_FATAL_FAILURE(Query(QStringLiteral("745"), {}, [](CAwbQueryDlg& dlg) {
    dlg.dateToBox->setText(QStringLiteral("2022.03.31"));
    dlg.dateFromBox->setText(QStringLiteral("2022.03.25"));
  }));
  ASSERT_EQ(Numbers(), (std::vector<std::u16string>{u"745-20123185", u"745-20000088"}));
  // The second of the two rows: a state save, then a transit save.
  ASSERT_NO_FATAL_FAILURE(DoubleClick(u"745-20000088"));
  Panel().stateBox->setCurrentIndex(2);
  QTest::mouseClick(Panel().saveStateButton, Qt::LeftButton);
  EXPECT_EQ(Grid().CellText(RowOf(u"745-20000088"), 9), u"Dispatched");
  EXPECT_EQ(Grid().CellText(RowOf(u"745-20123185"), 9), u"Not audited");

  ASSERT_NO_FATAL_FAILURE(DoubleClick(u"745-20000088"));
  WhenModal<CAwbTransitDlg>([](CAwbTransitDlg& dlg) {
    dlg.flightEdit->setText(QStringLiteral("QS888"));
    QTest::keyClick(dlg.flightEdit, Qt::Key_S, Qt::ControlModifier);
  });
  QTest::mouseClick(Panel().transitButton, Qt::LeftButton);
  EXPECT_EQ(Grid().CellText(RowOf(u"745-20000088"), 6), u"QS888");
  EXPECT_EQ(Grid().CellText(RowOf(u"745-20123185"), 6), u"QS745");
  EXPECT_EQ(Column("cflightno", "745-20123185"), "QS745");
}

}  // namespace
