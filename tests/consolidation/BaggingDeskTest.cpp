// The bagging desk as the operator meets it: the main window logged in at
// the stand-in server, page 10 opened by its menu command 32844, a bag made
// by scanning, the unbagged-record picker opened from the form's link with
// its filters, number lists and picks (a picked row leaves the picker only
// when the item went in), Ctrl+S and the Print Label command through the
// frame.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/ViewPages.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/BaggingForm.h"
#include "consolidation/BaggingPage.h"
#include "consolidation/UnbaggedPickDlg.h"
#include "devices/SoundService.h"
#include "localserver/Database.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/MainFrame.h"
#include "refdata/BagDefaults.h"
#include "tests/QtTestSupport.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInServer.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"
#include "ui/SuggestPopup.h"

namespace localserver {
void LoadSampleBagging(Database& db);  // localserver/SampleBagging.cpp
}

namespace {

namespace fs = std::filesystem;
using testsupport::WaitUntil;

constexpr int kBaggingCommand = 32844;
constexpr int kSaveCommand = 32772;
constexpr int kPrintLabelCommand = 32817;

class SilentOutput : public CSoundOutput {
 public:
  void Play(const SoundClip&, std::function<void()> finished) override {
    QTimer::singleShot(0, std::move(finished));
  }
};

std::string Utf8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }

class BaggingDesk : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    server_ = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                              root_.Path() / ("server-" + name));
  }
  void TearDown() override {
    delete app_.mainWindow;
    app_.mainWindow = nullptr;
    app_.Link().Logout();
    server_.reset();
  }

  void Start(const std::string& language, const std::vector<std::string>& before = {}) {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    // The desk's samples, unless the stand-in loads them itself; the
    // waybills dated today, so that the picker's 60-day query finds them.
    if (Number("SELECT count(*) FROM client_rec WHERE irid=70001") == 0) {
      localserver::Database db(server_->Database());
      db.Exec("BEGIN");
      localserver::LoadSampleBagging(db);
      db.Exec("COMMIT");
    }
    ASSERT_TRUE(Run("UPDATE client_rec SET ddate=datetime('now','localtime') WHERE irid BETWEEN 70001 AND 70099"));
    for (const std::string& sql : before) ASSERT_TRUE(Run(sql)) << sql;
    folder_ = root_.Path() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder_ / "DATA_SYS");
    testsupport::WriteStandInConfig(folder_, server_->Port(), language, "PC-BAGDESK");
    app_.SetProgramFolder(folder_.string() + "/");
    ASSERT_EQ(1, app_.Link().Init(folder_.string() + "/"));
    shelltest::LoadProgramLanguage(language);
    app_.screenWidth = 1280;
    app_.screenHeight = 860;
    InstallWindowHooks(app_);
    app_.pageFactory = CreateViewPage;
    ASSERT_GT(app_.Link().Login(user_, password_, 0), 0);
    ASSERT_TRUE(app_.LoadDictionaries());
    ASSERT_TRUE(app_.LoadServiceKinds());
    app_.LoadBagDefaults();
    ASSERT_TRUE(app_.Link().bagDefaults != nullptr);
    app_.RefreshDestinations();
    app_.Sounds().SetOutput(std::make_shared<SilentOutput>());
    app_.Sounds().SetObserver([this](std::string_view sound) { sounds_.emplace_back(sound); });
    ASSERT_TRUE(app_.hooks.createMainWindow(app_));
    app_.LocalizeMenu();
    app_.hooks.showMainWindow(app_);
    frame_ = dynamic_cast<CMainFrame*>(app_.mainWindow);
    ASSERT_NE(nullptr, frame_);
    QApplication::setActiveWindow(frame_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_));

    frame_->ExecuteCommand(kBaggingCommand);
    page_ = dynamic_cast<CBaggingPage*>(View()->CurrentPage());
    ASSERT_NE(nullptr, page_);
    form_ = page_->Form();
    ASSERT_NE(nullptr, form_);
    ASSERT_TRUE(WaitUntil([this] { return form_->isVisible(); }));
  }

  CBrantleClientView* View() const { return dynamic_cast<CBrantleClientView*>(frame_->centralWidget()); }

  void Scan(const QString& text) {
    QLineEdit* edit = form_->ScanEdit();
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  // Opens the picker with a click on 选取...
  CUnbaggedPickDlg* OpenPicker() {
    QTest::mouseClick(form_->PickLink(), Qt::LeftButton);
    CUnbaggedPickDlg* picker = form_->picker;
    if (picker == nullptr) return nullptr;
    if (!WaitUntil([picker] { return picker->isVisible(); })) return nullptr;
    return picker;
  }

  // The picker's rows as "waybill id/piece position", in grid order.
  std::vector<std::string> PickerRows(CUnbaggedPickDlg* picker) {
    std::vector<std::string> rows;
    for (int r = 0; r < picker->list->RowCount(); ++r)
      rows.push_back(Utf8(picker->list->CellText(r, 0)) + "/" + Utf8(picker->list->CellText(r, 4)));
    return rows;
  }
  int PickerRow(CUnbaggedPickDlg* picker, const std::string& key) {
    const std::vector<std::string> rows = PickerRows(picker);
    for (size_t r = 0; r < rows.size(); ++r)
      if (rows[r] == key) return static_cast<int>(r);
    return -1;
  }
  // A double click on the row: the pick is posted to the form.
  void DoubleClick(CUnbaggedPickDlg* picker, int row) {
    picker->list->clearSelection();
    picker->list->SelectAndShowRow(row);
    const QRect cell = picker->list->visualRect(picker->list->model()->index(row, 2));
    QTest::mouseDClick(picker->list->viewport(), Qt::LeftButton, {}, cell.center());
  }

  // Statements and counts straight on the stand-in's database, through a
  // connection that knows the server's collation and functions.
  bool Run(const std::string& sql) {
    try {
      localserver::Database db(server_->Database());
      db.Exec(sql);
      return true;
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      return false;
    }
  }
  int64_t Number(const std::string& sql) {
    localserver::Database db(server_->Database());
    sqlite3_stmt* st = nullptr;
    int64_t n = -1;
    if (sqlite3_prepare_v2(db.Handle(), sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
  }

  // Waits until no weight is being spoken.
  void Quiet() {
    ASSERT_TRUE(WaitUntil([this] {
      for (int slot = 0; slot < 5; ++slot)
        if (app_.Sounds().SlotState(slot) != CSoundService::kFree) return false;
      return true;
    }));
  }

  int64_t Bagged(int irid) {
    return Number("SELECT ixbag FROM client_rec WHERE irid=" + std::to_string(irid));
  }
  int64_t Items(int irid) {
    return Number("SELECT count(*) FROM client_rec_xbag_item WHERE irid=" + std::to_string(irid));
  }
  std::u16string T(int id) { return AppLanguage().Text(id); }
  std::u16string W(const QString& s) { return platform::FromQString(s); }
  std::u16string Count(int n) {
    std::u16string text = T(370021);
    text.replace(text.find(u"%1"), 2, WideFromGbk(std::to_string(n)));
    return text;
  }

  void Screenshot(QWidget* widget, const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
    EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
  }

  shelltest::TempFolder root_;
  std::unique_ptr<StandInServer> server_;
  fs::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  CMainFrame* frame_ = nullptr;
  CBaggingPage* page_ = nullptr;
  CBaggingDlg* form_ = nullptr;
  std::vector<std::string> sounds_;
  std::u16string user_ = u"admin";
  std::u16string password_ = u"admin123";
};

// Page 10 from its menu command; the settings are read once however often
// the page comes back; the picker with switch 19 off: a waybill of two
// pieces without piece rows as two rows, bagged pieces gone, a pick taken
// (row gone), a pick refused (-1) and a pick added but not read back (-9)
// keeping their rows, two rows handed over at once; with switch 19 on the
// pick of one piece row takes every row of its waybill.
TEST_F(BaggingDesk, PageFromItsCommandAndPicksFromThePicker) {
  Start("00");
  EXPECT_EQ(1, form_->SettingsLoads());
  frame_->ExecuteCommand(32837);  // page 0
  frame_->ExecuteCommand(kBaggingCommand);
  EXPECT_EQ(page_, View()->CurrentPage());
  EXPECT_EQ(1, form_->SettingsLoads());

  // Without an open bag the link only sounds.
  QTest::mouseClick(form_->PickLink(), Qt::LeftButton);
  EXPECT_EQ(nullptr, form_->picker.data());
  EXPECT_EQ(std::vector<std::string>{"fail.wav"}, sounds_);
  sounds_.clear();

  Scan("BC00000077");
  ASSERT_GT(form_->BagId(), 0) << Utf8(boxes_.LastText());
  app_.Link().bagDefaults->switch19 = 0;
  CUnbaggedPickDlg* picker = OpenPicker();
  ASSERT_NE(nullptr, picker);
  EXPECT_EQ(T(370000), W(picker->windowTitle()));
  EXPECT_EQ(QRect(250, 100, 762, 428).size(), picker->size());

  // The number list of the picker (↓.№): waybill numbers from a file.
  const fs::path list = folder_ / "numbers.txt";
  std::ofstream(list, std::ios::binary) << "BC-70000003\r\nBC-70000004\r\nBC-70000005\r\n";
  app_.hooks.chooseFile = [&list](const std::u16string&, const std::u16string&, std::u16string& path) {
    path = list.u16string();
    return true;
  };
  app_.hooks.readClipboardText = nullptr;
  QTest::mouseClick(picker->byWaybillLink, Qt::LeftButton);
  // 70003: its three piece rows; 70004: two pieces without piece rows as
  // two rows; 70005 is on a master air waybill.
  EXPECT_EQ((std::vector<std::string>{"70003/1", "70003/2", "70003/3", "70004/1", "70004/2"}),
            PickerRows(picker));
  EXPECT_EQ(Count(5), W(picker->countLabel->text()));
  EXPECT_EQ(u"0000070004002", picker->list->CellText(4, 18));
  EXPECT_EQ(u"2.000", picker->list->CellText(4, 6));
  Screenshot(picker, "unbagged_picker_zh");

  // A double click posts the pick: the piece goes in and its row goes.
  DoubleClick(picker, PickerRow(picker, "70004/2"));
  ASSERT_TRUE(WaitUntil([this] { return form_->Grid()->RowCount() == 1; })) << Utf8(boxes_.LastText());
  EXPECT_EQ(u"2", form_->Grid()->CellText(0, 4));
  EXPECT_EQ(1, Bagged(70004));
  EXPECT_EQ((std::vector<std::string>{"70003/1", "70003/2", "70003/3", "70004/1"}), PickerRows(picker));
  EXPECT_EQ(Count(4), W(picker->countLabel->text()));

  // Piece 1 of 70004 goes in by scan; its picker row, picked now, is
  // refused by the server (already in) and stays.
  Scan("SV70000004");
  ASSERT_EQ(2, form_->Grid()->RowCount()) << Utf8(boxes_.LastText());
  boxes_.Clear();
  DoubleClick(picker, PickerRow(picker, "70004/1"));
  ASSERT_TRUE(WaitUntil([this] { return boxes_.Count() == 1; }));
  EXPECT_EQ(T(360070), boxes_.LastText());
  EXPECT_EQ(2, form_->Grid()->RowCount());
  EXPECT_EQ(4, picker->list->RowCount());

  // A server that stores the item but gives no row back (-9): the pick is
  // not taken, the row stays.
  ASSERT_TRUE(Run("CREATE TRIGGER lose_item AFTER INSERT ON client_rec_xbag_item WHEN NEW.irid=70003 AND NEW.wpos=3 "
      "BEGIN DELETE FROM client_rec_xbag_item WHERE rowid=NEW.rowid; END"));
  const qintptr lost = platform::SendPrivateMessage(form_, WM_RECORD_PICKED, 70003,
                                                    3 + 10000 * PickerRow(picker, "70003/3"));
  EXPECT_EQ(0, lost);
  EXPECT_EQ(2, form_->Grid()->RowCount());
  EXPECT_EQ(4, picker->list->RowCount());
  ASSERT_TRUE(Run("DROP TRIGGER lose_item"));

  // Two rows handed over from the menu (command 2): asked once, the last
  // row first, both go.
  picker->list->clearSelection();
  picker->list->SelectAndShowRow(PickerRow(picker, "70003/1"));
  picker->list->SetRowSelected(PickerRow(picker, "70003/2"), true, false);
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdYes);
  picker->OnGridCommand(2);
  std::u16string question = T(370023);
  question.replace(question.find(u"%1"), 2, u"2");
  EXPECT_EQ(question, boxes_.Messages().at(0).text);
  ASSERT_EQ(4, form_->Grid()->RowCount()) << Utf8(boxes_.LastText());
  EXPECT_EQ(u"2", form_->Grid()->CellText(2, 4));  // row 2 was sent first
  EXPECT_EQ(u"1", form_->Grid()->CellText(3, 4));
  EXPECT_EQ((std::vector<std::string>{"70003/3", "70004/1"}), PickerRows(picker));
  EXPECT_EQ(2, Bagged(70003));

  // A new query leaves out what is in bags: the third piece of 70003 only.
  QTest::mouseClick(picker->byWaybillLink, Qt::LeftButton);
  EXPECT_EQ((std::vector<std::string>{"70003/3"}), PickerRows(picker));

  // Switch 19 on: one row per piece row, never expanded; a pick takes the
  // whole waybill and every row of it leaves the picker.
  app_.Link().bagDefaults->switch19 = 1;
  std::ofstream(list, std::ios::binary) << "BC-70000015\r\nBC-70000002\r\n";
  picker->hide();
  ASSERT_EQ(picker, OpenPicker());
  QTest::mouseClick(picker->byWaybillLink, Qt::LeftButton);
  ASSERT_EQ((std::vector<std::string>{"70002/1", "70015/1", "70015/2"}), PickerRows(picker));
  Quiet();
  sounds_.clear();
  DoubleClick(picker, 1);
  ASSERT_TRUE(WaitUntil([&] { return picker->list->RowCount() == 1; })) << Utf8(boxes_.LastText());
  EXPECT_EQ((std::vector<std::string>{"70002/1"}), PickerRows(picker));
  EXPECT_EQ(6, form_->Grid()->RowCount());
  EXPECT_EQ(2, Bagged(70015));
  EXPECT_EQ(2, Items(70015));
  EXPECT_FALSE(sounds_.empty());

  // Closing the picker keeps its rows for the next opening.
  picker->close();
  EXPECT_FALSE(picker->isVisible());
  ASSERT_EQ(picker, OpenPicker());
  EXPECT_EQ((std::vector<std::string>{"70002/1"}), PickerRows(picker));

  // Ctrl+S through the form, then the frame's Save: the header is stored.
  const int32_t bag = form_->BagId();
  picker->hide();
  form_->WeightEdit()->setFocus();
  form_->WeightEdit()->setText("7.5");
  QTest::keyClick(form_->WeightEdit(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(0, form_->BagId());
  EXPECT_EQ(75, Number("SELECT CAST(fweight*10 AS INTEGER) FROM client_rec_xbag WHERE ixid=" + std::to_string(bag)));
}

// The picker's filters: the service kind chosen from the service kind
// list, the label and reserve string from the common prompts, the
// destination box with the destination directory's suggestions; the date
// query with all of them; English captions.
TEST_F(BaggingDesk, PickerFiltersInEnglish) {
  Start("01");
  Scan("BC00000078");
  ASSERT_GT(form_->BagId(), 0) << Utf8(boxes_.LastText());
  app_.Link().bagDefaults->switch19 = 0;
  CUnbaggedPickDlg* picker = OpenPicker();
  ASSERT_NE(nullptr, picker);

  // The service kind list: the operator takes its first line.
  ASSERT_FALSE(app_.serviceKindCodes.empty());
  QTimer::singleShot(0, [] {
    auto* dlg = qobject_cast<CListPickDlg*>(QApplication::activeModalWidget());
    if (dlg == nullptr) return;
    dlg->ListBox()->setCurrentRow(0);
    dlg->OnOK();
  });
  QTest::mouseClick(picker->serviceKindCaption, Qt::LeftButton);
  EXPECT_EQ(app_.serviceKindCodes.front(), W(picker->serviceKindBox->text()));

  // Label and reserve string from the common prompts.
  app_.prompts = {u"ZZ", u"R1"};
  int asked = 0;
  app_.hooks.pickFromList = [&asked](const std::vector<std::u16string>&, const std::u16string&) {
    return asked++;
  };
  QTest::mouseClick(picker->labelCaption, Qt::LeftButton);
  QTest::mouseClick(picker->reserveCaption, Qt::LeftButton);
  EXPECT_EQ(u"ZZ", W(picker->labelBox->text()));
  EXPECT_EQ(u"R1", W(picker->reserveBox->text()));

  // Typing in the destination box offers the directory's destinations;
  // Enter takes the first.
  picker->activateWindow();
  QApplication::setActiveWindow(picker);
  ASSERT_TRUE(QTest::qWaitForWindowActive(picker));
  picker->destinationBox->setFocus();
  ASSERT_TRUE(WaitUntil([picker] { return picker->destinationBox->hasFocus(); }));
  QTest::keyClicks(picker->destinationBox, "U");
  ASSERT_NE(nullptr, picker->destinationPopup);
  ASSERT_TRUE(WaitUntil([picker] { return picker->destinationPopup->isVisible(); }));
  const std::u16string first = picker->destinationPopup->Rows().PickText(0);
  ASSERT_FALSE(first.empty());
  QTest::keyClick(picker->destinationBox, Qt::Key_Return);
  EXPECT_FALSE(picker->destinationPopup->isVisible());
  EXPECT_EQ(first, W(picker->destinationBox->text()));
  EXPECT_FALSE(picker->destinationBox->hasFocus());  // Enter then acts as Tab
  picker->destinationBox->setText("JFK");

  // The date query with every filter: 70001 (reserve R1, label ZZ set here).
  ASSERT_TRUE(Run("UPDATE client_rec SET cmark='AZZB' WHERE irid=70001"));
  picker->serviceKindBox->setText(QString::fromStdU16String(u"ZIZ国际"));
  QTest::mouseClick(picker->filterButton, Qt::LeftButton);
  EXPECT_EQ((std::vector<std::string>{"70001/1"}), PickerRows(picker));
  // Without filters: the desk's unbagged waybills of the station.
  for (QLineEdit* box : {picker->serviceKindBox, picker->destinationBox, picker->labelBox, picker->reserveBox})
    box->clear();
  QTest::mouseClick(picker->filterButton, Qt::LeftButton);
  EXPECT_GE(picker->list->RowCount(), 10);
  EXPECT_EQ(-1, PickerRow(picker, "70005/1"));  // on a master air waybill
  EXPECT_EQ(-1, PickerRow(picker, "70017/1"));  // in a sealed bag
  Screenshot(picker, "unbagged_picker_en");
}

// The frame's Print Label command reaches the form's labels: without the
// seal label template on the server the form says so (400092); with no
// bag loaded nothing happens.
TEST_F(BaggingDesk, PrintLabelCommandReachesTheLabels) {
  Start("00");
  ASSERT_TRUE(Run("DELETE FROM sys_model WHERE cname='封袋标签'"));
  boxes_.Clear();
  frame_->ExecuteCommand(kPrintLabelCommand);
  EXPECT_EQ(0u, boxes_.Count());
  Scan("BC00000079");
  ASSERT_GT(form_->BagId(), 0) << Utf8(boxes_.LastText());
  Scan("SV70000001");
  ASSERT_EQ(1, form_->Grid()->RowCount()) << Utf8(boxes_.LastText());
  const BagLabelSources s = form_->LabelSources();
  EXPECT_EQ(u"BC00000079", s.bagNumber);
  EXPECT_EQ(u"PEK", s.fromAirport);
  EXPECT_EQ(1, s.itemRows);
  EXPECT_FALSE(s.currentUser.empty());
  EXPECT_EQ(s.currentUser, s.creator);
  EXPECT_EQ(19u, s.creationTime.size());
  EXPECT_TRUE(s.sealTime.empty());
  boxes_.Clear();
  frame_->ExecuteCommand(kPrintLabelCommand);
  EXPECT_EQ(T(400092), boxes_.LastText());
  // The frame's Save command saves the bag.
  const int32_t bag = form_->BagId();
  frame_->ExecuteCommand(kSaveCommand);
  EXPECT_EQ(0, form_->BagId());
  EXPECT_EQ(bag, form_->LastSavedId());
}

// "Bag_Fill.txt" is read whole: definitions after 20,000 bytes of comment
// still make bags.  The writes whose result the form reads: a refused
// special-field or memo write shows the server's text and the form keeps
// its value; a refused reference-number write is reported and the item
// stays in.
TEST_F(BaggingDesk, LongSettingsFileAndRefusedWrites) {
  Start("00", {"UPDATE sys_file SET vdata=CAST(('#' || replace(hex(zeroblob(10000)),'0',' ') || "
               "char(13) || char(10) || vdata) AS BLOB) WHERE cfilename='Bag_Fill.txt'"});
  ASSERT_GT(Number("SELECT length(vdata) FROM sys_file WHERE cfilename='Bag_Fill.txt'"),
            20000);
  EXPECT_EQ(3u, form_->Rules().definitions.size());
  Scan("BC00000080");
  ASSERT_GT(form_->BagId(), 0) << Utf8(boxes_.LastText());
  const std::string bag = std::to_string(form_->BagId());

  ASSERT_TRUE(Run("CREATE TRIGGER no_chno BEFORE UPDATE OF chno ON client_rec_xbag BEGIN SELECT RAISE(ABORT,'chno refused'); END"));
  boxes_.Clear();
  Scan("SK654321");
  EXPECT_EQ(1u, boxes_.Count());
  EXPECT_EQ(app_.Link().LastErrorText(), boxes_.LastText());
  EXPECT_FALSE(boxes_.LastText().empty());
  EXPECT_EQ(u"", W(form_->SpecialEdit()->text()));
  EXPECT_EQ(u"SK654321", W(form_->ScanEdit()->text()));
  const std::u16string specialRefused = boxes_.LastText();

  // The reference number is written into the waybill; refused, it is
  // reported and the waybill is in the bag all the same.
  Scan("RF00000001");
  ASSERT_EQ(u"RF00000001", W(form_->ReferenceEdit()->text()));
  ASSERT_TRUE(Run("CREATE TRIGGER no_crno BEFORE UPDATE OF crno ON client_rec BEGIN SELECT RAISE(ABORT,'crno refused'); END"));
  boxes_.Clear();
  Scan("SV70000002");
  EXPECT_EQ(1, form_->Grid()->RowCount());
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(specialRefused, boxes_.LastText());  // the server's text of the same refusal
  ASSERT_TRUE(Run("DROP TRIGGER no_crno"));

  // The first waybill of a bag with a check column: the memo write refused,
  // the waybill is refused and the memo stays empty.
  ASSERT_TRUE(form_->LoadBag(70007));
  ASSERT_TRUE(Run("CREATE TRIGGER no_memo BEFORE UPDATE OF cmemo ON client_rec_xbag BEGIN SELECT RAISE(ABORT,'memo refused'); END"));
  boxes_.Clear();
  Scan("SV70000001");
  EXPECT_EQ(0, form_->Grid()->RowCount());
  EXPECT_EQ(app_.Link().LastErrorText(), boxes_.LastText());
  EXPECT_FALSE(boxes_.LastText().empty());
  EXPECT_TRUE(form_->MemoEdit()->toPlainText().isEmpty());
  EXPECT_EQ(0, Bagged(70001));

  ASSERT_TRUE(Run("DROP TRIGGER no_memo"));
  ASSERT_TRUE(Run("DROP TRIGGER no_chno"));

  // Another user's station bag is saved with the share argument 9.
  ASSERT_TRUE(form_->LoadBag(70002));
  ASSERT_TRUE(form_->Editable());
  ASSERT_FALSE(form_->OwnBag());
  form_->ShareButton(2)->setChecked(true);
  EXPECT_EQ(1, form_->SaveBag()) << Utf8(boxes_.LastText());
  EXPECT_NE(std::string::npos, form_->LastSql().find("',0,9,'")) << form_->LastSql();
  (void)bag;
}

// The refusals of the bag records and of the item changes that the other
// tests do not meet, in one table, each on a bag the server changed
// behind the form's back: its text, the fail sound for the scan refusals
// only, grid and totals unchanged.
TEST_F(BaggingDesk, RefusalsOfRecordsAndItemsInOneTable) {
  Start("00", {"UPDATE sys_file SET vdata=CAST(replace(CAST(vdata AS TEXT),'BD,10,CAN,',"
               "'BE,10,CAN,HKG,GZ,SZ,,,,,,,,,,,,3' || char(13) || char(10) || 'BD,10,CAN,') AS BLOB) "
               "WHERE cfilename='Bag_Fill.txt'"});
  ASSERT_EQ(4u, form_->Rules().definitions.size());
  auto yes = [this] { boxes_.QueueAnswer(platform::kIdYes); };
  struct Case {
    const char* what;
    std::vector<std::string> behindTheBack;  // "{bag}" is the bag id
    std::function<void()> act;
    std::u16string text;
    bool failSound;
  };
  const Case cases[] = {
      {"load: no such bag", {}, [this] { EXPECT_FALSE(form_->LoadBag(79999)); }, T(360062), false},
      {"save: the bag was sealed", {"UPDATE client_rec_xbag SET nstate=1 WHERE ixid={bag}"},
       [this] { EXPECT_EQ(0, form_->SaveBag()); }, T(360067), false},
      {"save: the bag is gone", {"DELETE FROM client_rec_xbag WHERE ixid={bag}"},
       [this] { EXPECT_EQ(0, form_->SaveBag()); }, T(360062), false},
      {"delete: the bag is gone", {"DELETE FROM client_rec_xbag WHERE ixid={bag}"},
       [this, yes] { yes(); EXPECT_EQ(0, form_->DeleteBag()); }, T(360062), false},
      {"delete: items in the bag", {},
       [this, yes] { yes(); EXPECT_EQ(0, form_->DeleteBag()); }, T(360063), false},
      {"scan in: the bag is gone", {"DELETE FROM client_rec_xbag WHERE ixid={bag}"},
       [this] { Scan("SV70000001"); }, T(360062), true},
      {"scan in: the bag was sealed", {"UPDATE client_rec_xbag SET nstate=1 WHERE ixid={bag}"},
       [this] { Scan("SV70000001"); }, T(360072), true},
      // The desk's account holds the pull right, which may take items out of
      // a sealed bag; a bag past loading keeps them.
      {"remove: the bag is past loading", {"UPDATE client_rec_xbag SET nstate=3 WHERE ixid={bag}"},
       [this, yes] { yes(); EXPECT_EQ(-4, form_->RemoveItem(0)); }, T(360080), false},
      {"remove: the item is gone",
       {"DELETE FROM client_rec_xbag_item WHERE ixid={bag}", "UPDATE client_rec SET ixbag=0 WHERE irid=70002"},
       [this, yes] { yes(); EXPECT_EQ(-3, form_->RemoveItem(0)); }, T(20024), false},
      {"remove: the bag is gone", {"DELETE FROM client_rec_xbag WHERE ixid={bag}"},
       [this, yes] { yes(); EXPECT_EQ(-2, form_->RemoveItem(0)); }, T(20024), false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A fresh bag holding 70002.
    form_->ClearForm();
    Scan(QString("BC%1").arg(81000000 + ++n));
    ASSERT_GT(form_->BagId(), 0) << Utf8(boxes_.LastText());
    const std::string bag = std::to_string(form_->BagId());
    Scan("SV70000002");
    ASSERT_EQ(1, form_->Grid()->RowCount()) << Utf8(boxes_.LastText());
    const std::u16string header = W(form_->ItemsHeader()->text());
    const std::u16string weights = W(form_->WeightLine()->text());
    const std::u16string number = W(form_->NumberEdit()->text());
    for (std::string sql : c.behindTheBack) {
      if (const size_t at = sql.find("{bag}"); at != std::string::npos) sql.replace(at, 5, bag);
      ASSERT_TRUE(Run(sql)) << sql;
    }
    Quiet();
    sounds_.clear();
    boxes_.Clear();
    c.act();
    EXPECT_EQ(c.text, boxes_.LastText());
    EXPECT_EQ(c.failSound ? std::vector<std::string>{"fail.wav"} : std::vector<std::string>{}, sounds_);
    EXPECT_EQ(1, form_->Grid()->RowCount());
    EXPECT_EQ(header, W(form_->ItemsHeader()->text()));
    EXPECT_EQ(weights, W(form_->WeightLine()->text()));
    EXPECT_EQ(number, W(form_->NumberEdit()->text()));
    // 70002 out of every bag for the next case.
    ASSERT_TRUE(Run("DELETE FROM client_rec_xbag_item WHERE irid=70002"));
    ASSERT_TRUE(Run("UPDATE client_rec SET ixbag=0 WHERE irid=70002"));
  }

  // A check column on the label: a waybill without one is refused.
  form_->ClearForm();
  Scan("BE00000001");
  ASSERT_GT(form_->BagId(), 0) << Utf8(boxes_.LastText());
  Quiet();
  sounds_.clear();
  boxes_.Clear();
  Scan("SV70000002");
  std::u16string noLabel = T(360090);
  noLabel.replace(noLabel.find(u"%1"), 2, u"标签");
  EXPECT_EQ(noLabel, boxes_.LastText());
  EXPECT_EQ(std::vector<std::string>{"fail.wav"}, sounds_);
  EXPECT_EQ(0, form_->Grid()->RowCount());
  EXPECT_EQ(0, Bagged(70002));
}

// Who may change and delete which sample bag: zhang holds the bagging
// right without supervision.
TEST_F(BaggingDesk, EditableAndDeletableOverTheSampleAccounts) {
  user_ = u"zhang";
  password_ = u"zhang123";
  Start("00");
  struct Case {
    int32_t bag;
    bool editable;
    bool deletable;
  } cases[] = {
      {70001, false, false},  // the administrator's exclusive open bag
      {70002, true, true},    // zhang's own station bag
      {70003, true, true},    // zhang's own exclusive bag
      {70004, false, false},  // sealed
      {70005, false, false},  // on a master air waybill
      {70007, false, false},  // the administrator's exclusive bag
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bag);
    ASSERT_TRUE(form_->LoadBag(c.bag));
    EXPECT_EQ(c.editable, form_->Editable());
    EXPECT_EQ(c.deletable, form_->Deletable());
    EXPECT_EQ(c.editable, form_->GoButton()->isEnabled());
    EXPECT_EQ(c.editable, page_->saveEnabled);
    EXPECT_EQ(c.deletable, page_->deleteEnabled);
  }
  // zhang's own bag is saved with the share mode chosen.
  ASSERT_TRUE(form_->LoadBag(70002));
  form_->ShareButton(2)->setChecked(true);
  EXPECT_EQ(1, form_->SaveBag()) << Utf8(boxes_.LastText());
  EXPECT_NE(std::string::npos, form_->LastSql().find("',0,2,'")) << form_->LastSql();
  EXPECT_EQ(2, Number("SELECT nshare FROM client_rec_xbag WHERE ixid=70002"));
}

}  // namespace
