// Page 12 against the stand-in server, driven with keys as an operator
// would: F4 fills the pane, a pane row loads, a new master air waybill is
// keyed through the airline choice and the flight look-up, saved with
// Ctrl+S, reloaded, changed and deleted; the amounts keep their pairing;
// every refusal keeps the form and the pane; two numbers that share their
// row id keep their own rows.  Screenshots go to <build>/screenshots.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "consolidation/AwbEditorDlg.h"
#include "consolidation/AwbLoadingPage.h"
#include "platform/QtText.h"
#include "server/ServerLink.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/AwbQueryDlg.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace {

using testsupport::CountOnDatabase;
using testsupport::ExecOnDatabase;

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
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
        sqlite3_column_text(st, 0) != nullptr)
      out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

class TestHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  std::u16string SupplierName(int32_t isid) override {
    return isid == 1 ? u"环球快运" : isid == 2 ? u"DHL深圳" : std::u16string();
  }
  bool ChooseCommonPrompt(std::u16string& prompt) override {
    prompt = u"易碎品";
    return true;
  }
  CServerLink* link = nullptr;
};

std::u16string U(const QString& text) { return platform::FromQString(text); }

std::string Day(int offset) {
  const QDate d = QDate::currentDate().addDays(offset);
  return QString::asprintf("%04d.%02d.%02d", d.year(), d.month(), d.day()).toStdString();
}

class AwbEditorPage : public testsupport::StandInLinkSuite<AwbEditorPage> {
 public:
  static constexpr const char* kRootName = "brantle-awb-editor";

 protected:
  void Open(const std::string& language, const std::u16string& account, const std::u16string& password) {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    ASSERT_NO_FATAL_FAILURE(OpenLink(language, "PC-AWB"));
    ASSERT_GT(link_.Login(account, password, 0), 0);
    host_.link = &link_;
    host_.SetQueryDialogs(nullptr, nullptr, &queryDlg_);
    page_ = std::make_unique<CAwbLoadingPage>();
    page_->host = &host_;
    page_->index = 12;
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
    page_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page_.get()));
    ASSERT_NE(page_->form, nullptr);
    ASSERT_NE(page_->quickList, nullptr);
  }

  CAwbEditorDlg& Form() { return *page_->form; }
  CListGrid& Pane() { return *page_->quickList->grid; }
  const std::string& Db() { return server_->Database(); }

  // F4: the conditions dialog answered with the AWB prefix.
  void Query(const QString& prefix) {
    QTimer::singleShot(0, [prefix] {
      ASSERT_TRUE(testsupport::WaitUntil(
          [] { return dynamic_cast<CAwbQueryDlg*>(QApplication::activeModalWidget()) != nullptr; }));
      auto& dlg = *dynamic_cast<CAwbQueryDlg*>(QApplication::activeModalWidget());
      dlg.dateFromBox->clear();
      dlg.dateToBox->clear();
      dlg.awbSerialBox->clear();
      dlg.awbPrefixBox->setText(prefix);
      dlg.awbSerialBox->setFocus();
      QTest::keyClick(dlg.awbSerialBox, Qt::Key_Return, Qt::ControlModifier);
    });
    page_->OnQuery();
    page_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page_.get()));
  }

  std::vector<std::u16string> PaneRows() {
    std::vector<std::u16string> rows;
    for (int r = 0; r < Pane().RowCount(); ++r) rows.push_back(Pane().CellText(r, 0));
    return rows;
  }

  int PaneRowOf(std::u16string_view number) {
    for (int r = 0; r < Pane().RowCount(); ++r) {
      const std::u16string text = Pane().CellText(r, 0);
      if (text.substr(1, text.find(u'<') - 1) == number) return r;
    }
    return -1;
  }

  // Double-click on the pane row of the number: the page loads it.
  void OpenPaneRow(std::u16string_view number) {
    const int row = PaneRowOf(number);
    ASSERT_GE(row, 0);
    for (int r : Pane().SelectedRows()) Pane().SetRowSelected(r, false, false);
    Pane().SetRowSelected(row, true, true);
    ASSERT_TRUE(page_->quickList->OpenSelectedRow());
  }

  void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    w->setFocus();
    QTest::keyClick(w, static_cast<Qt::Key>(key), mods);
  }

  void ChooseAirline(const QString& name) {
    const int index = Form().airlineCombo->findText(name);
    ASSERT_GE(index, 0);
    Form().airlineCombo->setCurrentIndex(index);
    emit Form().airlineCombo->activated(index);
  }

  TestHost host_;
  CAwbQueryDlg queryDlg_;
  std::unique_ptr<CAwbLoadingPage> page_;
};

TEST_F(AwbEditorPage, MainRoadNewSaveReloadEditDelete) {
  ASSERT_NO_FATAL_FAILURE(Open("01", u"admin", u"admin123"));
  CAwbEditorDlg& form = Form();
  // The template list holds the two "AWB导出" names of these samples (and
  // the manifest samples' own).
  EXPECT_GE(form.templateCombo->findText(QStringLiteral("七二总单清单")), 0);
  EXPECT_GE(form.templateCombo->findText(QStringLiteral("七二报关清单")), 0);
  EXPECT_EQ(form.templateCombo->findText(QStringLiteral("七二报关清单")),
            form.templateCombo->findText(QStringLiteral("七二总单清单")) + 1);

  Query(QStringLiteral("720"));
  const std::vector<std::u16string> rows = PaneRows();
  EXPECT_NE(std::find(rows.begin(), rows.end(), u"\u3000720-72000001<LAX>[2024-05-06]七二清关"), rows.end());
  EXPECT_NE(std::find(rows.begin(), rows.end(), u"◎720-72000002<LAX>[2024-05-07]七二代理乙"), rows.end());

  // A pane row loads: mark dropped, cut at "<", prefix split at the first "-".
  OpenPaneRow(u"720-72000001");
  EXPECT_EQ(U(form.prefixLabel->text()), u"720-");
  EXPECT_EQ(U(form.numberEdit->text()), u"72000001");
  EXPECT_TRUE(form.numberEdit->isReadOnly());
  EXPECT_EQ(U(form.amountEdits[1]->text()), u"120.50");  // declaration: fcustin
  EXPECT_EQ(U(form.amountEdits[2]->text()), u"80.25");   // clearance: fcustout
  EXPECT_EQ(U(form.supplierEdits[0]->text()), u"环球快运");
  EXPECT_EQ(U(form.sumLabel->text()), u"Σ515.75");
  EXPECT_TRUE(page_->saveEnabled);
  EXPECT_TRUE(page_->deleteEnabled);

  // A new one: Ctrl+D, the airline, the number, the first flight with Enter.
  Key(form.numberEdit, Qt::Key_D, Qt::ControlModifier);
  EXPECT_FALSE(form.numberEdit->isReadOnly());
  EXPECT_EQ(U(form.numberEdit->text()), u"");
  ChooseAirline(QString::fromUtf16(u"航线七二"));
  EXPECT_EQ(U(form.prefixLabel->text()), u"720-");
  form.numberEdit->setFocus();
  QTest::keyClicks(form.numberEdit, QStringLiteral("72000099"));
  form.flightEdit->clear();
  form.etdEdit->clear();
  form.etaEdit->clear();
  form.flightDateEdit->clear();
  form.flightEdit->setFocus();
  QTest::keyClicks(form.flightEdit, QStringLiteral("QS720"));
  QTest::keyClick(form.flightEdit, Qt::Key_Return);
  EXPECT_EQ(U(form.fromEdit->text()), u"PVG");
  EXPECT_EQ(U(form.desEdit->text()), u"LAX");
  EXPECT_EQ(U(form.airportEdit->text()), u"PVG/LAX");
  EXPECT_EQ(form.etdEdit->text().toStdString(), Day(0) + " 23:10");
  EXPECT_EQ(form.flightDateEdit->text().toStdString(), Day(0) + " 23:10");
  EXPECT_EQ(form.etaEdit->text().toStdString(), Day(1) + " 01:30");
  EXPECT_EQ(U(form.shipperNameEdit->text()), u"七二货运");
  EXPECT_EQ(U(form.supplierEdits[0]->text()), u"环球快运");
  EXPECT_EQ(U(form.supplierEdits[1]->text()), u"DHL深圳");
  EXPECT_NE(QApplication::focusWidget(), form.flightEdit) << "Enter moved on after the look-up";
  form.agentEdit->setText(QStringLiteral("Agent 72"));
  form.amountEdits[1]->setText(QStringLiteral("12.50"));
  form.amountEdits[2]->setText(QStringLiteral("7.25"));
  Save(*page_, QStringLiteral("awb_editor_page_en"));

  Key(form.numberEdit, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(U(form.numberEdit->text()), u"") << "a save empties the form";
  const int row = PaneRowOf(u"720-72000099");
  ASSERT_GE(row, 0);
  EXPECT_EQ(Pane().CellText(row, 0),
            u"\u3000720-72000099<LAX>[" + QString::fromStdString(Day(0)).toStdU16String() + u"]Agent 72");
  EXPECT_EQ(TextOnDatabase(Db(), "SELECT cairport||'|'||cfrom||'|'||fcustin||'|'||fcustout||'|'||isfreight||'|'||"
                                 "nstate FROM client_rec_pack WHERE cawb LIKE '720-72000099'"),
            "PVG/LAX|PVG|12.5|7.25|1|0");

  // Reload, edit, save.
  OpenPaneRow(u"720-72000099");
  EXPECT_EQ(U(form.amountEdits[1]->text()), u"12.50");
  form.memoEdit->setPlainText(QStringLiteral("O'Brien"));
  Key(form.agentEdit, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(TextOnDatabase(Db(), "SELECT cmemo||'|'||fcustin||'|'||fcustout FROM client_rec_pack WHERE "
                                 "cawb LIKE '720-72000099'"),
            "O'Brien|12.5|7.25");

  // Delete asks 20011 and removes the record and its row.
  OpenPaneRow(u"720-72000099");
  boxes_.QueueAnswer(platform::kIdYes);
  Key(form.fromEdit, Qt::Key_Delete);
  ASSERT_GE(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(20011));
  EXPECT_EQ(CountOnDatabase(Db(), "SELECT COUNT(*) FROM client_rec_pack WHERE cawb LIKE '720-72000099'"), 0);
  EXPECT_EQ(PaneRowOf(u"720-72000099"), -1);
  EXPECT_EQ(U(form.numberEdit->text()), u"");
}

TEST_F(AwbEditorPage, LoadThenSaveKeepsBothAmountsAndTheQuotedNumber) {
  ASSERT_NO_FATAL_FAILURE(Open("00", u"admin", u"admin123"));
  Query(QStringLiteral("720"));
  ASSERT_GT(Pane().RowCount(), 0);
  ASSERT_TRUE(Form().LoadAwb(u"720-72000001"));
  Save(*page_, QStringLiteral("awb_editor_page_zh"));
  EXPECT_EQ(Form().SaveAwb(), 1);
  // No bag is on it: the parcel list is empty and the save sends its sums.
  EXPECT_EQ(TextOnDatabase(Db(), "SELECT fcustin||'|'||fcustout||'|'||ipcs||'|'||iweight FROM client_rec_pack "
                                 "WHERE cawb LIKE '720-72000001'"),
            "120.5|80.25|0|0");
  // A number holding a quote loads and saves.
  ASSERT_TRUE(Form().LoadAwb(u"\u3000720-7200'005<LAX>"));
  EXPECT_EQ(U(Form().numberEdit->text()), u"7200'005");
  Form().agentEdit->setText(QStringLiteral("O'Neil"));
  EXPECT_EQ(Form().SaveAwb(), 1);
  EXPECT_EQ(TextOnDatabase(Db(), "SELECT cagent FROM client_rec_pack WHERE cawb LIKE '720-7200''005'"), "O'Neil");
}

TEST_F(AwbEditorPage, StateOneWithoutTheRightIsReadOnly) {
  ASSERT_NO_FATAL_FAILURE(Open("01", u"zhang", u"zhang123"));
  Query(QStringLiteral("720"));
  ASSERT_GT(Pane().RowCount(), 0);
  const std::string before = TextOnDatabase(Db(), "SELECT cagent FROM client_rec_pack WHERE cawb LIKE '720-72000002'");
  ASSERT_TRUE(Form().LoadAwb(u"◎720-72000002<LAX>"));
  EXPECT_EQ(U(Form().stateLabel->text()), AppLanguage().Text(410003));
  EXPECT_TRUE(Form().stateLabel->styleSheet().contains(QStringLiteral("rgb(0,0,255)")));
  EXPECT_FALSE(page_->saveEnabled);
  EXPECT_FALSE(page_->deleteEnabled);
  for (QLineEdit* amount : Form().amountEdits) EXPECT_FALSE(amount->isEnabled());
  Form().agentEdit->setText(QStringLiteral("changed"));
  Key(Form().agentEdit, Qt::Key_S, Qt::ControlModifier);
  Key(Form().agentEdit, Qt::Key_Delete);
  EXPECT_EQ(boxes_.Count(), 0u);
  EXPECT_EQ(TextOnDatabase(Db(), "SELECT cagent FROM client_rec_pack WHERE cawb LIKE '720-72000002'"), before);
  Save(*page_, QStringLiteral("awb_editor_page_readonly_en"));
}

TEST_F(AwbEditorPage, EveryRefusalKeepsTheFormAndThePane) {
  ASSERT_NO_FATAL_FAILURE(Open("01", u"admin", u"admin123"));
  Query(QStringLiteral("720"));
  struct Case {
    const char* what;
    std::u16string load;        // empty: a new AWB numbered `number`
    std::u16string number;
    std::string before;         // statement run behind the server's back
    bool remove;                // delete instead of save
    int32_t text;
  };
  const Case cases[] = {
      {"save -1, number taken", u"", u"72000001", "", false, 410091},
      {"save -2, gone", u"720-72000004", u"", "UPDATE client_rec_pack SET ntype=5 WHERE cawb LIKE '720-72000004'",
       false, 20024},
      {"save -5, closed", u"720-72000003", u"", "", false, 410093},
      {"delete -2, gone", u"720-72000001", u"", "UPDATE client_rec_pack SET ntype=5 WHERE cawb LIKE '720-72000001'",
       true, 360062},
      {"delete -4, bags", u"720-72000006", u"", "", true, 410094},
      {"delete -5, state", u"720-7200051", u"", "UPDATE client_rec_pack SET nstate=1 WHERE cawb LIKE '720-7200051'",
       true, 410095},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    boxes_.Clear();
    if (c.load.empty()) {
      Key(Form().numberEdit, Qt::Key_D, Qt::ControlModifier);
      ChooseAirline(QString::fromUtf16(u"航线七二"));
      Form().numberEdit->setText(QString::fromStdU16String(c.number));
    } else {
      ASSERT_TRUE(Form().LoadAwb(c.load));
    }
    if (!c.before.empty()) {
      ASSERT_TRUE(ExecOnDatabase(Db(), c.before));
    }
    Form().agentEdit->setText(QStringLiteral("kept"));
    const std::vector<std::u16string> pane = PaneRows();
    const QString number = Form().numberEdit->text();
    if (c.remove) {
      boxes_.QueueAnswer(platform::kIdYes);
      EXPECT_EQ(Form().DeleteAwb(), 0);
    } else {
      EXPECT_EQ(Form().SaveAwb(), 0);
    }
    EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(c.text));
    EXPECT_EQ(Form().numberEdit->text(), number);
    EXPECT_EQ(Form().agentEdit->text(), QStringLiteral("kept"));
    EXPECT_EQ(PaneRows(), pane);
  }
  // A failed transport: the link's error text, nothing saved or shown saved.
  ASSERT_TRUE(ExecOnDatabase(Db(), "UPDATE client_rec_pack SET ntype=0 WHERE cawb LIKE '720-72000004'"));
  ASSERT_TRUE(Form().LoadAwb(u"720-72000004"));
  Form().agentEdit->setText(QStringLiteral("kept"));
  const std::vector<std::u16string> pane = PaneRows();
  const int32_t port = link_.port;
  link_.port = 1;
  boxes_.Clear();
  EXPECT_EQ(Form().SaveAwb(), 0);
  link_.port = port;
  EXPECT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), link_.LastErrorText());
  EXPECT_EQ(Form().agentEdit->text(), QStringLiteral("kept"));
  EXPECT_EQ(Form().numberEdit->text(), QStringLiteral("72000004"));
  EXPECT_EQ(PaneRows(), pane);
  EXPECT_EQ(TextOnDatabase(Db(), "SELECT cagent FROM client_rec_pack WHERE cawb LIKE '720-72000004'"),
            "七二代理丁");
  ASSERT_TRUE(ExecOnDatabase(Db(), "UPDATE client_rec_pack SET ntype=0 WHERE (cawb LIKE '720-72000004' OR cawb LIKE '720-72000001');"
                                   "UPDATE client_rec_pack SET nstate=0 WHERE cawb LIKE '720-7200051'"));
}

TEST_F(AwbEditorPage, SaveRefusedPastStateZeroWithoutTheRight) {
  ASSERT_NO_FATAL_FAILURE(Open("01", u"awb72file", u"awb72pw"));
  ASSERT_TRUE(Form().LoadAwb(u"720-72000006"));
  ASSERT_TRUE(ExecOnDatabase(Db(), "UPDATE client_rec_pack SET nstate=1 WHERE cawb LIKE '720-72000006'"));
  Form().agentEdit->setText(QStringLiteral("kept"));
  EXPECT_EQ(Form().SaveAwb(), 0);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(410092));
  EXPECT_EQ(Form().agentEdit->text(), QStringLiteral("kept"));
  ASSERT_TRUE(ExecOnDatabase(Db(), "UPDATE client_rec_pack SET nstate=0 WHERE cawb LIKE '720-72000006'"));
  // The attachment right shows the caption after a load.
  EXPECT_TRUE(Form().attachmentsCaption->isVisibleTo(&Form()));
}

// Two numbers with the same HashText30 keep their own pane rows.
TEST_F(AwbEditorPage, PaneRowsAreFoundByNumber) {
  ASSERT_NO_FATAL_FAILURE(Open("01", u"admin", u"admin123"));
  Query(QStringLiteral("720"));
  const int first = PaneRowOf(u"720-7200051");
  const int second = PaneRowOf(u"720-7263300");
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  ASSERT_EQ(Pane().GetRowId(first), Pane().GetRowId(second));
  // The newer one stands first; the save of the older one must not touch it.
  ASSERT_LT(second, first);
  const std::u16string secondText = Pane().CellText(second, 0);
  ASSERT_TRUE(Form().LoadAwb(u"720-7200051"));
  Form().agentEdit->setText(QStringLiteral("First"));
  ASSERT_EQ(Form().SaveAwb(), 1);
  EXPECT_EQ(Pane().CellText(PaneRowOf(u"720-7263300"), 0), secondText);
  EXPECT_EQ(Pane().CellText(PaneRowOf(u"720-7200051"), 0), u"\u3000720-7200051<HKG>First");
}

TEST_F(AwbEditorPage, FlightPopupShowsWhileTyping) {
  ASSERT_NO_FATAL_FAILURE(Open("01", u"admin", u"admin123"));
  Query(QStringLiteral("720"));
  ASSERT_GT(Pane().RowCount(), 0);
  CAwbEditorDlg& form = Form();
  form.flightEdit->clear();
  form.flightEdit->setFocus();
  QTest::keyClicks(form.flightEdit, QStringLiteral("QS7"));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return form.flightPopup->isVisible(); }));
  Save(*page_, QStringLiteral("awb_flight_popup_en"));
  QTest::keyClick(form.flightEdit, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(U(form.flightEdit->text()), u"QS720");
  EXPECT_EQ(U(form.airportEdit->text()), u"PVG/LAX");
  EXPECT_FALSE(form.flightPopup->isVisible());
  // An empty first flight: Enter finds nothing and stays.
  form.flightEdit->clear();
  form.fromEdit->setText(QStringLiteral("XXX"));
  form.flightEdit->setFocus();
  QTest::keyClick(form.flightEdit, Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), form.flightEdit);
  EXPECT_EQ(U(form.fromEdit->text()), u"XXX");
}

TEST_F(AwbEditorPage, CaptionsFillTheirFields) {
  ASSERT_NO_FATAL_FAILURE(Open("01", u"admin", u"admin123"));
  CAwbEditorDlg& form = Form();
  int supplierAsks = 0;
  form.chooseSupplier = [&supplierAsks] {
    ++supplierAsks;
    return int32_t{2};
  };
  ASSERT_TRUE(form.LoadAwb(u"720-72000004"));  // freight fee marked
  QTest::mouseClick(form.etdCaption, Qt::LeftButton);
  EXPECT_EQ(form.etdEdit->text().toStdString(), Day(0) + " 12:30");
  QTest::mouseClick(form.brokerCaption, Qt::LeftButton);
  EXPECT_EQ(U(form.brokerEdit->text()), u"易碎品");
  form.goodsEdit->setText(QStringLiteral("books"));
  QTest::mouseClick(form.goodsCaption, Qt::LeftButton);
  QTest::mouseClick(form.goodsCaption, Qt::LeftButton);
  EXPECT_EQ(U(form.goodsEdit->text()), u"books,易碎品");
  QTest::mouseClick(form.memoCaption, Qt::LeftButton);
  QTest::mouseClick(form.memoCaption, Qt::LeftButton);
  EXPECT_EQ(U(form.memoEdit->toPlainText()), u"易碎品\n");
  // The shipper caption overwrites all four fields from the first flight.
  form.shipperNameEdit->setText(QStringLiteral("Mine"));
  QTest::mouseClick(form.shipperCaption, Qt::LeftButton);
  EXPECT_EQ(U(form.shipperNameEdit->text()), u"七二货运");
  EXPECT_EQ(U(form.shipperPostEdit->text()), u"201207");
  // A fee whose amount is locked picks no supplier; an open one does.
  QTest::mouseClick(form.feeCaptions[0], Qt::LeftButton);
  EXPECT_EQ(supplierAsks, 0);
  QTest::mouseClick(form.feeCaptions[3], Qt::LeftButton);
  EXPECT_EQ(supplierAsks, 1);
  EXPECT_EQ(U(form.supplierEdits[3]->text()), u"DHL深圳");
  // Esc does nothing; Up goes back a field.
  Key(form.desEdit, Qt::Key_Escape);
  EXPECT_EQ(QApplication::focusWidget(), form.desEdit);
  Key(form.desEdit, Qt::Key_Up);
  EXPECT_EQ(QApplication::focusWidget(), form.fromEdit);
  // An airline chosen on a loaded AWB clears the form to a new one of it.
  ChooseAirline(QStringLiteral("O'Air"));
  EXPECT_EQ(U(form.prefixLabel->text()), u"721-");
  EXPECT_EQ(U(form.numberEdit->text()), u"");
  EXPECT_FALSE(form.numberEdit->isReadOnly());
  EXPECT_EQ(U(form.agentEdit->text()), u"");
  // Its quoted name goes through the save as every other text.
  form.numberEdit->setFocus();
  QTest::keyClicks(form.numberEdit, QStringLiteral("72000098"));
  Key(form.numberEdit, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(TextOnDatabase(Db(), "SELECT cairline FROM client_rec_pack WHERE cawb LIKE '721-72000098'"), "O'Air");
}

}  // namespace
