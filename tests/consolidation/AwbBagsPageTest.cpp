// Page 12's bag and parcel lists against the stand-in server, driven with
// keys and clicks as an operator would: bags put on a master air waybill by
// a typed number, a number list from a file and from the clipboard and the
// bag list dialog; taken off, renamed, ordered and marked; the parcel list
// with its weights and values, pulls and the multi-piece check; every
// refusal with its text; the save sending the list's sums.  Screenshots go
// to <build>/screenshots.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/AwbPageServices.h"
#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "consolidation/AwbEditorDlg.h"
#include "consolidation/AwbLoadingPage.h"
#include "consolidation/BagListDlg.h"
#include "consolidation/RecordPicked.h"
#include "devices/SoundService.h"
#include "localserver/Database.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "refdata/BagDefaults.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "tests/WaitUntil.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace localserver {
void LoadSampleAwbBags(Database& db);  // localserver/SampleAwbBags.cpp
}

namespace {

namespace fs = std::filesystem;
using testsupport::WaitUntil;

// The stand-in's database opened beside it, with the server's text
// collation so that its text columns compare.
sqlite3* OpenDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return db;
  sqlite3_busy_timeout(db, 5000);
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, [](void*, int n1, const void* a, int n2, const void* b) {
    const int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
    return c ? c : n1 - n2;
  });
  return db;
}

int64_t CountOnDatabase(const std::string& path, const std::string& sql) {
  sqlite3* db = OpenDatabase(path);
  int64_t n = -1;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return n;
}

bool ExecOnDatabase(const std::string& path, const std::string& sql) {
  sqlite3* db = OpenDatabase(path);
  const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

class SilentOutput : public CSoundOutput {
 public:
  void Play(const SoundClip&, std::function<void()> finished) override {
    QTimer::singleShot(0, std::move(finished));
  }
};

class PageHost : public CViewHost {
 public:
  explicit PageHost(CBrantleClientApp& app) : app_(app) {}
  QSize ScreenSize() const override { return {1280, 1024}; }
  CBrantleClientApp* Application() override { return &app_; }
  CServerLink* ServerLink() override { return &app_.Link(); }

 private:
  CBrantleClientApp& app_;
};

std::u16string U(const QString& s) { return platform::FromQString(s); }
std::u16string T(int id) { return AppLanguage().Text(id); }

class AwbBagsPage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("brantle-awb-bags-" + std::to_string(::getpid()));
    fs::remove_all(root_);
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }

  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    server_ = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                              root_ / ("server-" + name));
  }
  void TearDown() override {
    page_.reset();
    server_.reset();
  }

  void Start(const std::string& language) {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    {
      localserver::Database db(server_->Database());
      db.Exec("BEGIN");
      localserver::LoadSampleAwbBags(db);
      db.Exec("COMMIT");
    }
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    folder_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder_ / "DATA_SYS");
    testsupport::WriteStandInConfig(folder_, server_->Port(), language, "PC-AWBBAGS");
    app_.SetProgramFolder(folder_.string() + "/");
    ASSERT_EQ(1, app_.Link().Init(folder_.string() + "/"));
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    app_.Link().bagDefaults = std::make_unique<BagDefaults>();
    app_.Sounds().SetOutput(std::make_shared<SilentOutput>());
    app_.Sounds().SetObserver([this](std::string_view name) { sounds_.emplace_back(name); });
    app_.hooks.setClipboardText = [this](const std::u16string& text) {
      clipboard_ = text;
      return 1;
    };
    app_.hooks.readClipboardText = [this](std::u16string& text) {
      if (clipboardIn_.empty()) return false;
      text = clipboardIn_;
      return true;
    };
    app_.hooks.chooseFile = [this](const std::u16string&, const std::u16string& initial, std::u16string& chosen) {
      chosen = chosenFile_.empty() ? initial : chosenFile_;
      return !chosen.empty();
    };

    page_ = std::make_unique<CAwbLoadingPage>();
    WireAwbLoadingPage(*page_);
    page_->host = &host_;
    page_->index = 12;
    page_->CreatePageWindow(nullptr, QSize(1280, 980));
    page_->OnPageCreated();
    page_->resize(1280, 980);
    page_->show();
    page_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page_.get()));
    ASSERT_NE(page_->form, nullptr);
  }

  CAwbEditorDlg& Form() { return *page_->form; }
  BagDefaults& Defaults() { return *app_.Link().bagDefaults; }
  const std::string& Db() { return server_->Database(); }
  int64_t Count(const std::string& sql) { return CountOnDatabase(Db(), sql); }

  void Load(const std::u16string& number) {
    ASSERT_TRUE(Form().LoadAwb(number));
    sounds_.clear();
    boxes_.Clear();
  }

  // Types the bag number and presses Enter.
  void Scan(const QString& text) {
    QLineEdit* edit = Form().bagNumberEdit;
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  std::vector<std::u16string> Column(CListGrid* grid, int column) {
    std::vector<std::u16string> out;
    for (int r = 0; r < grid->RowCount(); ++r) out.push_back(grid->CellText(r, column));
    return out;
  }
  int BagRow(const std::u16string& number) {
    for (int r = 0; r < Form().bagList->RowCount(); ++r)
      if (Form().bagList->CellText(r, 0) == number) return r;
    return -1;
  }
  int ParcelRowOf(int32_t waybill, int position, int32_t bag) {
    CListGrid* g = Form().parcelList;
    for (int r = 0; r < g->RowCount(); ++r)
      if (g->GetRowId(r) == waybill && g->CellText(r, 9) == Ascii(position) && g->CellText(r, 26) == Ascii(bag))
        return r;
    return -1;
  }
  static std::u16string Ascii(int64_t v) {
    const std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
  }
  void SelectOnly(CListGrid* grid, std::initializer_list<int> rows) {
    for (int r : grid->SelectedRows()) grid->SetRowSelected(r, false, false);
    for (int r : rows) grid->SetRowSelected(r, true, false);
  }
  void DoubleClick(CListGrid* grid, int row) {
    grid->scrollTo(grid->model()->index(row, 0));
    const QRect rect = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  }
  void Click(CListGrid* grid, int row) {
    grid->scrollTo(grid->model()->index(row, 0));
    const QRect rect = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  }
  bool SoundsAre(const std::vector<std::string>& expected) {
    return WaitUntil([&] { return sounds_ == expected; }, std::chrono::milliseconds(5000),
                     [] { QCoreApplication::processEvents(); });
  }

  void Shot(QWidget& widget, const QString& name, QWidget* over = nullptr) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    QImage image = widget.grab().toImage();
    ASSERT_FALSE(image.isNull());
    if (over != nullptr) {
      QPainter painter(&image);
      painter.drawImage(widget.mapFromGlobal(over->mapToGlobal(QPoint(0, 0))), over->grab().toImage());
    }
    const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
    EXPECT_TRUE(image.save(path)) << path.toStdString();
  }

  static inline fs::path root_;
  std::unique_ptr<StandInServer> server_;
  fs::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  PageHost host_{app_};
  std::unique_ptr<CAwbLoadingPage> page_;
  std::vector<std::string> sounds_;
  std::u16string clipboard_, clipboardIn_, chosenFile_;
};

// The main road on the empty state-0 master air waybill.
TEST_F(AwbBagsPage, BagsGoOnComeOffAreRenamedMarkedAndSaved) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74000002"));
  CAwbEditorDlg& form = Form();
  EXPECT_EQ(0, form.bagList->RowCount());

  // A typed lower-case number and Enter put the bag on.
  Scan(QStringLiteral("ba74100004"));
  ASSERT_EQ(1, form.bagList->RowCount());
  EXPECT_TRUE(SoundsAre({"ok.wav"}));
  EXPECT_EQ(0u, boxes_.Count());
  const std::vector<std::u16string> row0 = {u"BA74100004", u"PVG->LAX", u"1", u"1.000", u"", u"", u""};
  for (int c = 0; c < 7; ++c) EXPECT_EQ(row0[static_cast<size_t>(c)], form.bagList->CellText(0, c)) << c;
  EXPECT_EQ(1000074004, form.bagList->GetRowId(0));
  EXPECT_EQ(u"admin", form.bagList->CellText(0, 8));
  EXPECT_EQ(10u, form.bagList->CellText(0, 7).size());
  ASSERT_EQ(1, form.parcelList->RowCount());
  EXPECT_EQ(u"AW74104", form.parcelList->CellText(0, 2));
  EXPECT_EQ(u"1", form.parcelList->CellText(0, 0));
  EXPECT_EQ(u"1000074004", form.parcelList->CellText(0, 26));
  EXPECT_EQ(FillArgsW(T(410067), {u"1", u"1", u"1.000"}), U(form.bagHeading->text()));
  EXPECT_EQ(FillArgsW(T(410068), {u"1", u"1", u"1.000"}), U(form.parcelHeading->text()));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=1000074004 AND nstate=2 AND "
                     "cawb='740-74000002' AND caddawb<>'' AND daddawb IS NOT NULL"));

  // The same again: found in the list, selected, nothing sent.
  sounds_.clear();
  Scan(QStringLiteral("BA74100004"));
  EXPECT_EQ(1, form.bagList->RowCount());
  EXPECT_EQ(T(410102), boxes_.LastText());
  EXPECT_EQ(std::vector<int>{0}, form.bagList->SelectedRows());
  EXPECT_TRUE(sounds_.empty());

  // A number list from a file, then from the clipboard: no messages.
  boxes_.Clear();
  {
    const fs::path list = folder_ / "bags.txt";
    std::ofstream(list) << "BA74100005\r\nba74100006\r\n";
    chosenFile_ = platform::FromQString(QString::fromStdString(list.string()));
  }
  QTest::mouseClick(form.bagNumbersCaption, Qt::LeftButton);
  chosenFile_.clear();
  clipboardIn_ = u"BA74100007\r\nBA74100008\r\n";
  QTest::mouseClick(form.bagNumbersCaption, Qt::LeftButton);
  clipboardIn_.clear();
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ((std::vector<std::u16string>{u"BA74100004", u"BA74100005", u"BA74100006", u"BA74100007", u"BA74100008"}),
            Column(form.bagList, 0));
  EXPECT_EQ(5, form.parcelList->RowCount());

  // "+袋号:" opens the sealed bags; three rows handed over leave it.
  QTest::mouseClick(form.addBagsCaption, Qt::LeftButton);
  ASSERT_NE(nullptr, form.bagListDlg);
  ASSERT_TRUE(WaitUntil([&] { return form.bagListDlg->isVisible(); }, std::chrono::milliseconds(5000),
                        [] { QCoreApplication::processEvents(); }));
  CListGrid* dialogList = form.bagListDlg->list;
  std::vector<int> picks;
  for (int32_t id : {1000074001, 1000074002, 1000074003}) picks.push_back(dialogList->FindRowById(id));
  ASSERT_TRUE(picks[0] >= 0 && picks[1] >= 0 && picks[2] >= 0);
  EXPECT_EQ(-1, dialogList->FindRowById(1000074004));  // on the master air waybill now
  SelectOnly(dialogList, {picks[0], picks[1], picks[2]});
  Shot(form, "awb_bag_list_sealed_en", form.bagListDlg);
  form.bagListDlg->OnGridCommand(2);
  for (int32_t id : {1000074001, 1000074002, 1000074003}) EXPECT_EQ(-1, dialogList->FindRowById(id)) << id;
  EXPECT_EQ(8, form.bagList->RowCount());
  EXPECT_EQ(8, form.parcelList->RowCount());
  EXPECT_EQ(0u, boxes_.Count());
  form.bagListDlg->hide();

  // A double-click takes one off after question 20033.
  boxes_.QueueAnswer(platform::kIdYes);
  const int off = BagRow(u"BA74100005");
  DoubleClick(form.bagList, off);
  EXPECT_EQ(FillArgsW(T(20033), {Ascii(off + 1)}), boxes_.Messages().front().text);
  EXPECT_EQ(7, form.bagList->RowCount());
  EXPECT_EQ(-1, BagRow(u"BA74100005"));
  EXPECT_EQ(7, form.parcelList->RowCount());
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=1000074005 AND nstate=1 AND cawb='' AND "
                     "caddawb='' AND daddawb IS NULL"));

  // A click on a bag row offers it for renaming; "更改" renames it.
  boxes_.Clear();
  Click(form.bagList, BagRow(u"BA74100006"));
  EXPECT_EQ(u"BA74100006", U(form.bagNumberEdit->text()));
  EXPECT_TRUE(form.renameButton->isEnabled());
  form.bagNumberEdit->setText(QStringLiteral("ba74100006r"));
  QTest::mouseClick(form.renameButton, Qt::LeftButton);
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_NE(-1, BagRow(u"BA74100006R"));
  EXPECT_FALSE(form.renameButton->isEnabled());
  EXPECT_TRUE(form.bagNumberEdit->text().isEmpty());
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=1000074006 AND cxno='BA74100006R'"));

  // 特控号 marks the selected rows.
  SelectOnly(form.bagList, {0, 2});
  form.specialEdit->setText(QStringLiteral("  SK9'1 "));
  QTest::mouseClick(form.specialCaption, Qt::LeftButton);
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(u"SK9'1", form.bagList->CellText(0, 5));
  EXPECT_EQ(u"SK9'1", form.bagList->CellText(2, 5));
  EXPECT_EQ(u"", form.bagList->CellText(1, 5));
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_xbag WHERE chno='SK9''1' AND ixid>1000074000"));

  Shot(*page_, "awb_bags_page_en");

  // Ctrl+S saves the list's sums, read back from the stand-in.
  const int32_t rows = form.parcelList->RowCount();
  const int32_t grams = form.ParcelSumsOf().ChargeableGrams();
  EXPECT_EQ(7000, grams);
  form.bagNumberEdit->setFocus();
  QTest::keyClick(form.bagNumberEdit, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_pack WHERE cawb='740-74000002' AND ipcs=" +
                     std::to_string(rows) + " AND iweight=" + std::to_string(grams)));
  EXPECT_EQ(0, form.bagList->RowCount());
}

// The parcel list's weight and value rules, bags past state 2 read from the
// second item table, pulls and the sums the save sends afterwards.
TEST_F(AwbBagsPage, ParcelRowsSumsPullsAndTheMultiPieceCheck) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74000001"));
  CAwbEditorDlg& form = Form();
  // Bags in list order: state 1 (74002) and 2 (74001) first, state 3 last.
  EXPECT_EQ((std::vector<std::u16string>{u"BA74000002", u"BA74000001", u"BA74000003"}), Column(form.bagList, 0));
  CListGrid* p = form.parcelList;
  ASSERT_EQ(9, p->RowCount());
  struct Expect {
    int32_t waybill;
    int position;
    int32_t bag;
    const char16_t* piece;
    const char16_t* value;
    const char16_t* charge;
    const char16_t* actual;
  };
  // In the order of the bags' loading, then the bags past state 2.
  const Expect rows[] = {
      {74001, 1, 74001, u"SV74000001", u"5.00", u"2.500", u"2.500"},      // clwh of 4: actual only
      {74002, 1, 74001, u"SV74000002", u"0.00", u"0.060", u"0.050"},      // 9*9*9: 60 g volumetric
      {74003, 1, 74001, u"AW74000003-1", u"3.00", u"10.000", u"5.000"},   // piece volume above its grams
      {74003, 2, 74001, u"AW74000003-2", u"4.00", u"2.000", u"2.000"},    // piece volume not above
      {74004, 1, 74001, u"-", u"3.33", u"3.000", u"3.000"},               // no piece weight: W/n
      {74004, 2, 74001, u"-", u"3.33", u"3.000", u"3.000"},
      {74005, 1, 74002, u"SV74000005", u"0.00", u"1.200", u"1.200"},
      {74003, 3, 74003, u"-", u"4.00", u"1.500", u"1.500"},               // from the second item table
      {74006, 1, 74003, u"SV74000006", u"0.00", u"2.000", u"2.000"},
  };
  for (int r = 0; r < 9; ++r) {
    const Expect& e = rows[r];
    EXPECT_EQ(e.waybill, p->GetRowId(r)) << r;
    EXPECT_EQ(Ascii(r + 1), p->CellText(r, 0)) << r;
    EXPECT_EQ(Ascii(e.position), p->CellText(r, 9)) << r;
    EXPECT_EQ(Ascii(e.bag), p->CellText(r, 26)) << r;
    EXPECT_EQ(std::u16string(e.piece), p->CellText(r, 1)) << r;
    EXPECT_EQ(std::u16string(e.value), p->CellText(r, 8)) << r;
    EXPECT_EQ(std::u16string(e.charge), p->CellText(r, 12)) << r;
    EXPECT_EQ(std::u16string(e.actual), p->CellText(r, 13)) << r;
  }
  const awb::ParcelSums& s = form.ParcelSumsOf();
  EXPECT_EQ(9, s.rows);
  EXPECT_EQ(19, s.pieces);
  EXPECT_EQ(2266, s.value);
  EXPECT_EQ(25260, s.ChargeableGrams());
  EXPECT_EQ(FillArgsW(T(410070), {u"10.060+15.200=25.260", u"20.250"}), U(form.weightSummary->text()));
  EXPECT_EQ(FillArgsW(T(410068), {u"9", u"3", u"25.260"}), U(form.parcelHeading->text()));
  // The weight caption takes the chargeable sum into the header weight.
  QTest::mouseClick(form.weightCaption, Qt::LeftButton);
  EXPECT_EQ(u"25.260", U(form.weightEdit->text()));

  // The multi-piece check: the three-piece waybill with two on board.
  boxes_.Clear();
  QTest::mouseClick(form.multiPieceButton, Qt::LeftButton);
  EXPECT_EQ(FillArgsW(T(410121), {u"AW74000004", u"  3", u"  2", u"  1"}) + u"\r\n", clipboard_);
  EXPECT_EQ(FillArgsW(T(410123), {u"  2", u"  1"}) + u"\r\n" + T(410124), boxes_.LastText());

  // A pull without switch 19 takes exactly one row and its sums.
  boxes_.Clear();
  DoubleClick(p, ParcelRowOf(74004, 2, 74001));
  EXPECT_EQ(u"SV74000004", U(form.parcelNoEdit->text()));
  ASSERT_TRUE(form.pullCaption->isVisible());
  Shot(*page_, "awb_pull_en");
  boxes_.QueueAnswer(platform::kIdYes);
  QTest::mouseClick(form.pullCaption, Qt::LeftButton);
  EXPECT_EQ(FillArgsW(T(410114), {u"74004", u"SV74000004"}), boxes_.Messages().front().text);
  EXPECT_FALSE(form.pullCaption->isVisible());
  ASSERT_EQ(8, p->RowCount());
  EXPECT_EQ(-1, ParcelRowOf(74004, 2, 74001));
  EXPECT_NE(-1, ParcelRowOf(74004, 1, 74001));
  for (int r = 0; r < 8; ++r) EXPECT_EQ(Ascii(r + 1), p->CellText(r, 0));
  EXPECT_EQ(16, form.ParcelSumsOf().pieces);
  EXPECT_EQ(2266 - 333, form.ParcelSumsOf().value);
  EXPECT_EQ(22260, form.ParcelSumsOf().ChargeableGrams());
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec_xbag_item WHERE irid=74004 AND wpos=2"));
  EXPECT_EQ(1, Count("SELECT ixbag FROM client_rec WHERE irid=74004"));
  EXPECT_EQ(5, Count("SELECT iitem FROM client_rec_xbag WHERE ixid=74001"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=74001 AND abs(fweight-12.55)<0.0001"));

  // With switch 19 every row of the waybill in that bag goes.
  Defaults().switch19 = 1;
  boxes_.Clear();
  form.parcelNoEdit->setText(QStringLiteral("sv74000003"));
  form.parcelNoEdit->setFocus();
  QTest::keyClick(form.parcelNoEdit, Qt::Key_Return);
  boxes_.QueueAnswer(platform::kIdYes);
  QTest::mouseClick(form.pullCaption, Qt::LeftButton);
  ASSERT_EQ(6, p->RowCount());
  EXPECT_EQ(-1, ParcelRowOf(74003, 1, 74001));
  EXPECT_EQ(-1, ParcelRowOf(74003, 2, 74001));
  EXPECT_NE(-1, ParcelRowOf(74003, 3, 74003));  // the state-3 bag keeps its piece
  Defaults().switch19 = 0;
  const awb::ParcelSums after = form.ParcelSumsOf();
  EXPECT_EQ(10260, after.ChargeableGrams());

  // The sums equal a fresh reload's, and the save sends them.
  QTest::mouseClick(form.parcelHeading, Qt::LeftButton);
  EXPECT_EQ(6, p->RowCount());
  EXPECT_EQ(after.rows, form.ParcelSumsOf().rows);
  EXPECT_EQ(after.pieces, form.ParcelSumsOf().pieces);
  EXPECT_EQ(after.value, form.ParcelSumsOf().value);
  EXPECT_EQ(after.ChargeableGrams(), form.ParcelSumsOf().ChargeableGrams());
  ASSERT_EQ(1, form.SaveAwb());
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_pack WHERE cawb='740-74000001' AND ipcs=6 AND iweight=10260"));
}

// Switch 25 lists no parcels and the save sends 0 and 0.
TEST_F(AwbBagsPage, SwitchTwentyFiveListsNothing) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  Defaults().switch25 = 1;
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74000001"));
  EXPECT_EQ(3, Form().bagList->RowCount());
  EXPECT_EQ(0, Form().parcelList->RowCount());
  EXPECT_EQ(T(410071), U(Form().parcelHeading->text()));
  ASSERT_EQ(1, Form().SaveAwb());
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_pack WHERE cawb='740-74000001' AND ipcs=0 AND iweight=0"));
}

// Every refusal: its text (none in the silent modes), the rows and sums as
// they were, the fail sound only for the add refusals and the destination
// check.
TEST_F(AwbBagsPage, RefusalsKeepRowsAndSums) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74000001"));
  CAwbEditorDlg& form = Form();
  const auto bagsBefore = Column(form.bagList, 0);
  const int parcelsBefore = form.parcelList->RowCount();
  const int32_t gramsBefore = form.ParcelSumsOf().ChargeableGrams();
  struct Case {
    const char* name;
    std::function<void()> act;
    std::u16string text;
    std::vector<std::string> sounds;
  };
  const std::vector<Case> cases = {
      {"add by number -2", [&] { Scan(QStringLiteral("BA74999999")); }, FillArgsW(T(410081), {u"BA74999999"}), {"fail.wav"}},
      {"add by id -2", [&] { form.AddBags(999999, true); }, FillArgsW(T(410080), {u"999999"}), {"fail.wav"}},
      {"add -3 open bag", [&] { Scan(QStringLiteral("BA74000006")); }, T(410082), {"fail.wav"}},
      {"add -4 on an AWB", [&] { Scan(QStringLiteral("BA74000005")); }, T(410083), {"fail.wav"}},
      {"destination",
       [&] {
         Defaults().switch23 = 1;
         Scan(QStringLiteral("BA74100009"));
         Defaults().switch23 = 0;
       },
       T(410072) + u"\r\nBA74100009,NRT\r\n", {"fail.wav"}},
      {"silent add", [&] { EXPECT_EQ(-1, form.AddBags(999999, false)); }, u"", {"fail.wav"}},
      {"take off -2",
       [&] {
         form.bagList->SetRowId(0, 999999);
         boxes_.QueueAnswer(platform::kIdYes);
         form.TakeBagOff(0);
         form.bagList->SetRowId(0, 74002);
       },
       T(410096), {}},
      {"take off -3",
       [&] {
         form.bagList->SetRowId(0, 74005);
         boxes_.QueueAnswer(platform::kIdYes);
         form.TakeBagOff(0);
         form.bagList->SetRowId(0, 74002);
       },
       T(410097), {}},
      {"take off -4", [&] {
         boxes_.QueueAnswer(platform::kIdYes);
         form.TakeBagOff(2);
       }, T(410098), {}},
      {"rename empty", [&] {
         Click(form.bagList, 0);
         form.bagNumberEdit->setText(QStringLiteral("  "));
         form.RenameBag();
       }, T(410106), {}},
      {"rename 0 (a quote reaches the server whole)", [&] {
         Click(form.bagList, 0);
         form.bagNumberEdit->setText(QStringLiteral("B'A"));
         form.RenameBag();
       }, T(410107), {}},
      {"rename -1", [&] {
         Click(form.bagList, 0);
         form.bagNumberEdit->setText(QStringLiteral("BA74000005"));
         form.RenameBag();
       }, T(410108), {}},
      {"rename -2", [&] {
         form.bagList->SetRowId(0, 999999);
         Click(form.bagList, 0);
         form.bagList->SetRowId(0, 74002);
         form.bagNumberEdit->setText(QStringLiteral("BA74000099"));
         form.RenameBag();
       }, T(360062), {}},
      {"rename -3", [&] {
         Click(form.bagList, 2);
         form.bagNumberEdit->setText(QStringLiteral("BA74000099"));
         form.RenameBag();
       }, T(410109), {}},
      {"special empty", [&] {
         form.specialEdit->setText(QStringLiteral(" "));
         form.MarkSpecialNumber();
       }, T(410111), {}},
      {"special none selected", [&] {
         SelectOnly(form.bagList, {});
         form.specialEdit->setText(QStringLiteral("SK1"));
         form.MarkSpecialNumber();
       }, T(410112), {}},
      {"pull -5 last item", [&] {
         form.ChooseParcel(ParcelRowOf(74005, 1, 74002));
         boxes_.QueueAnswer(platform::kIdYes);
         form.PullParcel();
       }, T(410116), {}},
      {"pull -4 closed bag", [&] {
         form.ChooseParcel(ParcelRowOf(74006, 1, 74003));
         boxes_.QueueAnswer(platform::kIdYes);
         form.PullParcel();
       }, T(410115), {}},
      {"pull -2 no such bag", [&] {
         const int row = ParcelRowOf(74001, 1, 74001);
         form.parcelList->SetCellText(row, 26, u"999999");
         form.ChooseParcel(row);
         form.parcelList->SetCellText(row, 26, u"74001");
         boxes_.QueueAnswer(platform::kIdYes);
         form.PullParcel();
       }, T(360062), {}},
      {"pull -3 gone", [&] {
         ASSERT_TRUE(ExecOnDatabase(Db(), "UPDATE client_rec_xbag_item SET wpos=9 WHERE irid=74001"));
         form.ChooseParcel(ParcelRowOf(74001, 1, 74001));
         boxes_.QueueAnswer(platform::kIdYes);
         form.PullParcel();
         ASSERT_TRUE(ExecOnDatabase(Db(), "UPDATE client_rec_xbag_item SET wpos=1 WHERE irid=74001"));
       }, T(360062), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.Clear();
    sounds_.clear();
    c.act();
    if (c.text.empty()) {
      EXPECT_EQ(0u, boxes_.Count());
    } else {
      ASSERT_GE(boxes_.Count(), 1u);
      EXPECT_EQ(c.text, boxes_.LastText());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(c.sounds, sounds_);
    EXPECT_EQ(bagsBefore, Column(form.bagList, 0));
    EXPECT_EQ(parcelsBefore, form.parcelList->RowCount());
    EXPECT_EQ(gramsBefore, form.ParcelSumsOf().ChargeableGrams());
  }
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=74002 AND cxno='BA74000002'"));

  // Rename -4: a bag on a checked master air waybill.
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74000003"));
  Click(form.bagList, 0);
  form.bagNumberEdit->setText(QStringLiteral("BA74000099"));
  form.RenameBag();
  EXPECT_EQ(T(410110), boxes_.LastText());
  EXPECT_EQ(u"BA74000005", form.bagList->CellText(0, 0));
}

// Switch 26 numbers the bags from the packing count; past it a warning,
// the ok sound and the server's order.  A dialog pick whose parcels cannot
// be listed is on the master air waybill and leaves the dialog.
TEST_F(AwbBagsPage, PackingOrderAndAPickWithoutParcels) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  Defaults().switch26 = 1;
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74000002"));
  CAwbEditorDlg& form = Form();
  form.packingEdit->setText(QStringLiteral("2"));
  form.specialEdit->setText(QStringLiteral("SK26"));
  Scan(QStringLiteral("BA74100001"));
  Scan(QStringLiteral("BA74100002"));
  EXPECT_EQ(0u, boxes_.Count());
  Scan(QStringLiteral("BA74100003"));
  EXPECT_EQ(T(410084), boxes_.LastText());
  EXPECT_TRUE(SoundsAre({"ok.wav", "ok.wav", "ok.wav"}));
  EXPECT_EQ((std::vector<std::u16string>{u"1/2", u"2/2", u""}), Column(form.bagList, 4));
  EXPECT_EQ((std::vector<std::u16string>{u"SK26", u"SK26", u""}), Column(form.bagList, 5));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=1000074002 AND corder='2/2' AND chno='SK26'"));
  Defaults().switch26 = 0;

  // The per-bag parcel read breaks off for one bag: it is added (-9) and
  // its dialog row goes all the same.
  form.bagServices.query = [&](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    if (sql.find("d.ixid=1000074007") != std::string_view::npos) {
      reply = "{}";
      return 2;
    }
    return app_.Link().SqlQuery(sql, types, &reply);
  };
  QTest::mouseClick(form.addBagsCaption, Qt::LeftButton);
  ASSERT_NE(nullptr, form.bagListDlg);
  const int row = form.bagListDlg->list->FindRowById(1000074007);
  ASSERT_GE(row, 0);
  EXPECT_EQ(-9, platform::SendPrivateMessage(&form, WM_RECORD_PICKED, 1000074007, row));
  EXPECT_EQ(-1, form.bagListDlg->list->FindRowById(1000074007));
  EXPECT_NE(-1, BagRow(u"BA74100007"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=1000074007 AND cawb='740-74000002'"));
  // A refused pick keeps its row and shows nothing but the fail sound.
  sounds_.clear();
  boxes_.Clear();
  const int open = form.bagListDlg->list->FindRowById(1000074009);
  Defaults().switch23 = 1;
  EXPECT_EQ(-3, platform::SendPrivateMessage(&form, WM_RECORD_PICKED, 1000074009, open));
  Defaults().switch23 = 0;
  EXPECT_EQ(open, form.bagListDlg->list->FindRowById(1000074009));
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_TRUE(SoundsAre({"fail.wav"}));
  form.bagServices.query = nullptr;
}

// Bag order over 150 bags, special order over A, B, A, empty, A (the other
// bags each with a number of their own), a special
// number over 1,000 rows of ten-digit ids, and take-all-off.
TEST_F(AwbBagsPage, OrdersSpecialNumbersAndTakeAllOff) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  std::string sql = "INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,nstate,ntype,dfdate,detd,deta,dcdate,"
                    "dfdate2) VALUES('740-74000150','航线七二','PVG','LAX','2024-06-01 08:00:00',0,1,"
                    "'1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00',"
                    "'1900-01-01 00:00:00');";
  for (int n = 0; n < 1000; ++n) {
    const std::string id = std::to_string(1000075000 + n);
    sql += "INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,nstate,ntype,nshare,cawb,daddawb,dsysdate,cinput,iitem,"
           "fweight,chno) VALUES(" + id + ",'BB" + id + "','PVG','LAX',2,0,0,'" +
           (n < 150 ? "740-74000150" : "740-74001000") + "',NULL,'2024-06-01 12:00:00','admin',0,0.5,'" +
           (n < 5 ? std::string(n == 1 ? "B" : n == 3 ? "" : "A") : "C" + id) + "');";
  }
  // One daddawb per row keeps the list in id order.
  ASSERT_TRUE(ExecOnDatabase(Db(), sql));
  ASSERT_TRUE(ExecOnDatabase(Db(), "UPDATE client_rec_xbag SET daddawb=datetime('2024-06-02',(ixid-1000075000)||' "
                                   "seconds') WHERE ixid>=1000075000"));
  ASSERT_TRUE(ExecOnDatabase(Db(), "INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,nstate,ntype,dfdate,"
                                   "detd,deta,dcdate,dfdate2) SELECT '740-74001000',cairline,cfrom,cdes,ddate,0,1,"
                                   "dfdate,detd,deta,dcdate,dfdate2 FROM client_rec_pack WHERE cawb='740-74000150'"));
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74000150"));
  CAwbEditorDlg& form = Form();
  ASSERT_EQ(150, form.bagList->RowCount());
  boxes_.QueueAnswer(platform::kIdYes);
  QTest::mouseClick(form.bagOrderButton, Qt::LeftButton);
  EXPECT_EQ(T(410105), boxes_.Messages().front().text);
  EXPECT_EQ(u"  1/150", form.bagList->CellText(0, 4));
  EXPECT_EQ(u" 99/150", form.bagList->CellText(98, 4));
  EXPECT_EQ(u"150/150", form.bagList->CellText(149, 4));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=1000075000 AND corder='  1/150'"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=1000075149 AND corder='150/150'"));

  // Special order: A, B, A, empty, A.
  boxes_.QueueAnswer(platform::kIdYes);
  sounds_.clear();
  QTest::mouseClick(form.specialOrderButton, Qt::LeftButton);
  // Every other bag has a number of its own.
  const std::vector<std::u16string> specialOrders = Column(form.bagList, 6);
  EXPECT_EQ((std::vector<std::u16string>{u" 1/3", u" 1/1", u" 2/3", u" 1/1", u" 3/3"}),
            std::vector<std::u16string>(specialOrders.begin(), specialOrders.begin() + 5));
  EXPECT_EQ(u" 1/1", specialOrders[149]);
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid=1000075004 AND chorder=' 3/3'"));
  EXPECT_TRUE(SoundsAre({"ok.wav"}));

  // A failed statement: the server's text, the rows as they were.
  form.bagServices.execute = [](std::string_view, std::span<const uint32_t>, std::string& reply) {
    reply = "{\"ReturnValue\":-406,\"cError\":\"refused\"}";
    return static_cast<int>(reply.size());
  };
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdYes);
  QTest::mouseClick(form.bagOrderButton, Qt::LeftButton);
  EXPECT_EQ(2u, boxes_.Count());
  EXPECT_EQ(u"  1/150", form.bagList->CellText(0, 4));
  SelectOnly(form.bagList, {0});
  form.specialEdit->setText(QStringLiteral("SKX"));
  QTest::mouseClick(form.specialCaption, Qt::LeftButton);
  EXPECT_EQ(u"A", form.bagList->CellText(0, 5));
  form.bagServices.execute = nullptr;

  // Take all off: every bag back to state 1, the list reloaded empty.
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdYes);
  QTest::mouseClick(form.clearBagsCaption, Qt::LeftButton);
  EXPECT_EQ(T(410103), boxes_.Messages().front().text);
  EXPECT_EQ(0, form.bagList->RowCount());
  EXPECT_EQ(150, Count("SELECT count(*) FROM client_rec_xbag WHERE ixid BETWEEN 1000075000 AND 1000075149 AND "
                       "nstate=1 AND cawb=''"));

  // 1,000 rows of ten-digit ids marked at once.
  ASSERT_TRUE(ExecOnDatabase(Db(), "UPDATE client_rec_xbag SET cawb='740-74001000',nstate=2 WHERE ixid BETWEEN "
                                   "1000075000 AND 1000075149"));
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74001000"));
  ASSERT_EQ(1000, form.bagList->RowCount());
  for (int r = 0; r < 1000; ++r) form.bagList->SetRowSelected(r, true, false);
  form.specialEdit->setText(QStringLiteral("SK1000"));
  QTest::mouseClick(form.specialCaption, Qt::LeftButton);
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(1000, Count("SELECT count(*) FROM client_rec_xbag WHERE chno='SK1000' AND ixid>=1000075000"));
  EXPECT_EQ(u"SK1000", form.bagList->CellText(999, 5));
}

// The same lists in Chinese, with the dialog over the form.
TEST_F(AwbBagsPage, ChineseScreens) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  ASSERT_NO_FATAL_FAILURE(Load(u"740-74000001"));
  EXPECT_EQ(9, Form().parcelList->RowCount());
  EXPECT_EQ(u"↓袋号", U(Form().bagNumbersCaption->text()));
  Shot(*page_, "awb_bags_page_zh");
  QTest::mouseClick(Form().addBagsCaption, Qt::LeftButton);
  ASSERT_NE(nullptr, Form().bagListDlg);
  Shot(Form(), "awb_bag_list_sealed_zh", Form().bagListDlg);
}

}  // namespace
