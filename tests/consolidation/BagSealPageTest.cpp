// Page 11, the bag sealing page, against the local stand-in server with the
// sealing sample rows (localserver/SampleBagSeal.cpp, ids 38000-38999): a
// bag scanned in and sealed with Ctrl+S, the sealable rule with the sample
// accounts, the unseal, every refusal of seal and unseal, the labels on a
// scan, the quick seal through the bag list in mode 0 and the bag list's
// sealed-bag mode for the master air waybill editor.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ViewPages.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/BagList.h"
#include "consolidation/BagListDlg.h"
#include "consolidation/BagSeal.h"
#include "consolidation/BagSealForm.h"
#include "consolidation/BagSealPage.h"
#include "localserver/Database.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "print/PrintContext.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "tests/WaitUntil.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"
#include "ui/ViewCommands.h"

namespace localserver {
void LoadSampleBagSeal(Database& db);  // localserver/SampleBagSeal.cpp
}

namespace {

namespace fs = std::filesystem;
using testsupport::WaitUntil;

class PageHost : public CViewHost {
 public:
  explicit PageHost(CBrantleClientApp& app) : app_(app) {}
  QSize ScreenSize() const override { return {1280, 800}; }
  CBrantleClientApp* Application() override { return &app_; }
  CServerLink* ServerLink() override { return &app_.Link(); }

 private:
  CBrantleClientApp& app_;
};

std::string Utf8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }
std::u16string T(int id) { return AppLanguage().Text(id); }

struct PrintCall {
  BagLabelSources sources;
  bool both = false;
};

class BagSealPage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("brantle-bagseal-" + std::to_string(::getpid()));
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

  // A fresh stand-in (and a logged-out link) for the next round of a table.
  void Restart(const std::string& name) {
    page_.reset();
    if (loggedIn_ && server_) app_.Link().Logout();
    loggedIn_ = false;
    server_.reset();
    server_ = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                              root_ / ("server-" + name));
  }

  void Start(const std::string& language, const char16_t* account = u"admin",
             const char16_t* password = u"admin123") {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    {
      localserver::Database db(server_->Database());
      db.Exec("BEGIN");
      localserver::LoadSampleBagSeal(db);
      db.Exec("COMMIT");
    }
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    folder_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder_ / "DATA_SYS");
    testsupport::WriteStandInConfig(folder_, server_->Port(), language, "PC-SEAL");
    app_.SetProgramFolder(folder_.string() + "/");
    ASSERT_EQ(1, app_.Link().Init(folder_.string() + "/"));
    ASSERT_GT(app_.Link().Login(account, password, 0), 0);
    loggedIn_ = true;
    ASSERT_TRUE(app_.LoadServiceKinds());

    // Page 11 as the program makes it for command 32845, its labels caught
    // here instead of printed.
    ASSERT_EQ(kPageCommands[11], 32845);
    std::unique_ptr<CViewPage> made = CreateViewPage(11);
    page_.reset(dynamic_cast<CBagSealPage*>(made.release()));
    ASSERT_NE(page_, nullptr);
    ASSERT_TRUE(page_->makeServices);
    ASSERT_TRUE(page_->printLabels);
    page_->printLabels = [this](CViewHost*, const BagLabelSources& s, bool both) {
      printed_.push_back({s, both});
      return 1;
    };
    page_->host = &host_;
    page_->CreatePageWindow(nullptr, QSize(1280, 760));
    page_->OnPageCreated();
    form_ = page_->Form();
    ASSERT_NE(form_, nullptr);
    page_->resize(1280, 760);
    page_->show();
    page_->quickList->LoadBags(1);
    page_->activateWindow();
    ASSERT_TRUE(WaitUntil([this] { return page_->isActiveWindow(); }, testsupport::kWaitLimit,
                          [] { QCoreApplication::processEvents(); }));
  }

  // A statement straight on the stand-in's database (another desk's change).
  void Db(const std::string& sql) {
    localserver::Database db(server_->Database());
    db.Exec(sql);
  }
  int64_t Number(const std::string& sql) {
    localserver::Database db(server_->Database());
    return db.Scalar(sql).AsInt();
  }
  std::string Text(const std::string& sql) {
    localserver::Database db(server_->Database());
    return db.Scalar(sql).AsText();
  }
  int64_t State(int bag) {
    return Number("SELECT nstate FROM client_rec_xbag WHERE ixid=" + std::to_string(bag));
  }

  void TypeNumber(const QString& text) {
    QLineEdit* edit = form_->NumberEdit();
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  void Ctrl(QWidget* on, Qt::Key key) { QTest::keyClick(on, key, Qt::ControlModifier); }

  bool StatusIs(int textId, int bag, const char* colour) {
    return form_->StatusLabel()->text() ==
               platform::ToQString(AppLanguage().TextWithNumber(textId, bag)) &&
           form_->StatusLabel()->styleSheet().contains(colour);
  }

  void Screenshot(QWidget* widget, const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
    QImage image = widget->grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(path)) << path.toStdString();
  }

  int QuickRowOf(int32_t id) { return page_->quickList->grid->FindRowById(id); }

  static inline fs::path root_;
  std::unique_ptr<StandInServer> server_;
  fs::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  PageHost host_{app_};
  std::unique_ptr<CBagSealPage> page_;
  CBagSealDlg* form_ = nullptr;
  std::vector<PrintCall> printed_;
  bool loggedIn_ = false;
};

// The main road: "ab-12 " typed and Enter loads bag AB-12 by its quoted
// condition with its three items and totals; a click on the weight caption
// takes the items' weight; Ctrl+S seals it: the server holds state 1 with
// the weight, dimensions and volume, the pane row carries state 1, and the
// form is empty again.
TEST_F(BagSealPage, ScanLoadsTheBagAndCtrlSSealsIt) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  EXPECT_TRUE(StatusIs(400000, 0, "rgb(0,128,0)"));
  EXPECT_EQ(form_->ItemsHeader()->text(), platform::ToQString(AppLanguage().TextWithNumber(370021, 0)));
  TypeNumber("ab-12 ");
  ASSERT_EQ(form_->BagId(), 38001) << Utf8(boxes_.LastText());
  EXPECT_EQ(boxes_.Count(), 0u);
  EXPECT_EQ(form_->NumberEdit()->text(), "AB-12");
  EXPECT_TRUE(form_->IsSealable());
  EXPECT_TRUE(StatusIs(400001, 38001, "rgb(255,0,0)"));
  EXPECT_FALSE(form_->UnsealButton()->isVisible());
  // Item rows: waybill 38001 (one piece, 40*30*20 in clwh), then the two
  // pieces of 38002 (one with dimensions, one with neither dimensions nor
  // weight: W / n).
  CListGrid* grid = form_->Grid();
  ASSERT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(grid->CellText(0, 2), u"BS-W38001");
  EXPECT_EQ(grid->CellText(0, 9), u"40*30*20");
  EXPECT_EQ(grid->CellText(1, 1), u"PC38002-1");
  EXPECT_EQ(grid->CellText(1, 9), u"50*40*30");
  EXPECT_EQ(grid->CellText(1, 17), u"30.00");
  EXPECT_EQ(grid->CellText(2, 1), u"-");
  EXPECT_EQ(grid->CellText(2, 7), u"3.000");
  EXPECT_EQ(grid->CellText(2, 8), u"3.000");
  EXPECT_EQ(grid->GetRowId(2), 38002);
  const bagging::BagTotals& t = form_->Totals();
  EXPECT_DOUBLE_EQ(t.actual, 5 + 2 + 3);
  EXPECT_EQ(form_->ItemsHeader()->text(), platform::ToQString(bagging::ItemTotalsText(3, t)));
  EXPECT_EQ(form_->WeightLine()->text(), platform::ToQString(bagging::WeightTotalsText(t)));
  EXPECT_TRUE(form_->HistoryEdit()->toPlainText().startsWith(platform::ToQString(T(20520) + u":")));
  Screenshot(page_.get(), "bag_seal_page_en");

  // The weight caption takes T4; the dimensions are typed.
  QTest::mouseClick(form_->WeightCaption(), Qt::LeftButton);
  EXPECT_EQ(form_->WeightEdit()->text(), "10.000");
  const std::pair<QLineEdit*, const char*> dimensions[] = {
      {form_->LengthEdit(), "200"}, {form_->WidthEdit(), "150"}, {form_->HeightEdit(), "100"}};
  for (const auto& [edit, value] : dimensions) {
    edit->selectAll();
    QTest::keyClicks(edit, value);
  }
  Ctrl(form_->WeightEdit(), Qt::Key_S);
  EXPECT_EQ(boxes_.Count(), 0u) << Utf8(boxes_.LastText());
  EXPECT_EQ(Utf8(WideFromGbk(form_->LastSql())),
            "{?=CALL brantle.dbo.cp_client_rec_xbag_pack(38001,'管理员',10.000,200,150,100,3000000)}");
  EXPECT_EQ(State(38001), 1);
  EXPECT_EQ(Text("SELECT cpack FROM client_rec_xbag WHERE ixid=38001"), "管理员");
  EXPECT_EQ(Number("SELECT icub FROM client_rec_xbag WHERE ixid=38001"), 3000000);
  EXPECT_EQ(Number("SELECT il*10000+iw*100+ih FROM client_rec_xbag WHERE ixid=38001"), 200 * 10000 + 150 * 100 + 100);
  EXPECT_DOUBLE_EQ(Number("SELECT fweight*1000 FROM client_rec_xbag WHERE ixid=38001"), 10000);
  const int row = QuickRowOf(38001);
  ASSERT_GE(row, 0);
  EXPECT_EQ(page_->quickList->grid->CellText(row, 0), u"AB-12[PEK->JFK]" + AppLanguage().BagStateText(1));
  EXPECT_EQ(form_->BagId(), 0);
  EXPECT_EQ(form_->NumberEdit()->text(), "");
  EXPECT_EQ(form_->Grid()->RowCount(), 0);
  EXPECT_TRUE(StatusIs(400000, 0, "rgb(0,128,0)"));

  // Loaded again it is sealed: read-only in blue; Ctrl+S and the page's
  // save send nothing.
  TypeNumber("AB-12");
  EXPECT_FALSE(form_->IsSealable());
  EXPECT_TRUE(StatusIs(400002, 38001, "rgb(0,0,255)"));
  EXPECT_TRUE(form_->HistoryEdit()->toPlainText().contains(platform::ToQString(T(20523) + u":")));
  const int sent = form_->Requests();
  Ctrl(form_->NumberEdit(), Qt::Key_S);
  page_->OnSave();
  EXPECT_EQ(form_->Requests(), sent);
  EXPECT_EQ(form_->BagId(), 38001);
}

// The Chinese page with a loaded open bag, and the keys: an empty number
// sends nothing and keeps the focus; Enter in another box moves on; Ctrl+D
// clears; a pane row of id 0 opens nothing; an unknown number says 360062
// and keeps the form.
TEST_F(BagSealPage, ChinesePageKeysAndEmptyNumbers) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  const int before = form_->Requests();
  TypeNumber("   ");
  EXPECT_EQ(form_->Requests(), before);
  EXPECT_TRUE(form_->NumberEdit()->hasFocus());
  EXPECT_EQ(boxes_.Count(), 0u);

  page_->OnQuickListOpen(0, 0);
  EXPECT_EQ(form_->Requests(), before);
  page_->OnQuickListOpen(38009, 0);
  EXPECT_EQ(form_->BagId(), 38009);
  EXPECT_EQ(form_->Grid()->RowCount(), 1);
  Screenshot(page_.get(), "bag_seal_page_zh");

  TypeNumber("nosuch-bag");
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), T(360062));
  EXPECT_EQ(form_->BagId(), 38009);
  EXPECT_TRUE(form_->LastSql().ends_with("WHERE cxno='NOSUCH-BAG'"));

  form_->WeightEdit()->setFocus();
  ASSERT_TRUE(form_->WeightEdit()->hasFocus());
  QTest::keyClick(form_->WeightEdit(), Qt::Key_Return);
  EXPECT_FALSE(form_->WeightEdit()->hasFocus());
  // Down and Up move between the boxes; Esc changes nothing.
  form_->NumberEdit()->setFocus();
  QTest::keyClick(form_->NumberEdit(), Qt::Key_Down);
  EXPECT_FALSE(form_->NumberEdit()->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_TRUE(form_->NumberEdit()->hasFocus());
  QTest::keyClick(form_->NumberEdit(), Qt::Key_Escape);
  EXPECT_EQ(form_->BagId(), 38009);
  EXPECT_TRUE(page_->isVisible());
  Ctrl(form_->NumberEdit(), Qt::Key_D);
  EXPECT_EQ(form_->BagId(), 0);
  EXPECT_EQ(form_->NumberEdit()->text(), "");
  page_->OnNewRecord();
  EXPECT_EQ(form_->BagId(), 0);
}

// Who may seal what, with the sample accounts: the administrator and 王五
// hold the supervision right, 张三 does not.  Sealed bags load read-only in
// blue; 解封！ shows only with supervision, no master air waybill and
// state 1.
struct MatrixCase {
  const char16_t* account;
  const char16_t* password;
  int bag;
  bool sealable;
  bool unseal;
};

TEST_F(BagSealPage, SealableMatrixWithTheSampleAccounts) {
  const MatrixCase cases[] = {
      {u"admin", u"admin123", 38001, true, false},  // own open bag
      {u"admin", u"admin123", 38003, false, true},  // sealed: unseal offered
      {u"admin", u"admin123", 38005, true, false},  // 王五's exclusive, supervision
      {u"admin", u"admin123", 38006, false, false}, // open but on a master air waybill
      {u"admin", u"admin123", 38007, false, false}, // sealed on a master air waybill
      {u"admin", u"admin123", 38008, false, false}, // state 3
      {u"zhang", u"zhang123", 38005, false, false}, // another's exclusive bag
      {u"zhang", u"zhang123", 38009, true, false},  // a station bag
      {u"zhang", u"zhang123", 38003, false, false}, // sealed, no supervision
      {u"wang", u"王五pw1", 38005, true, false},     // own exclusive bag
      {u"wang", u"王五pw1", 38003, false, true},
  };
  std::u16string account;
  for (const MatrixCase& c : cases) {
    SCOPED_TRACE(Utf8(c.account) + " " + std::to_string(c.bag));
    if (account != c.account) {
      Restart("matrix-" + Utf8(c.account));
      ASSERT_NO_FATAL_FAILURE(Start("01", c.account, c.password));
      account = c.account;
    }
    page_->OnQuickListOpen(static_cast<quintptr>(c.bag), 0);
    ASSERT_EQ(form_->BagId(), c.bag);
    EXPECT_EQ(form_->IsSealable(), c.sealable);
    EXPECT_EQ(form_->UnsealButton()->isVisible(), c.unseal);
    EXPECT_EQ(form_->UnsealButton()->isEnabled(), c.unseal);
    if (c.sealable) {
      EXPECT_TRUE(StatusIs(400001, c.bag, "rgb(255,0,0)"));
    } else {
      EXPECT_TRUE(StatusIs(400002, c.bag, "rgb(0,0,255)"));
    }
    if (c.bag == 38003 && c.unseal && Utf8(c.account) == "admin") {
      Screenshot(page_.get(), "bag_seal_page_sealed_en");
    }
  }
}

// A bag at state 3 reads its items from client_rec_xbag_item_u; with
// 不加载快件明细 no items are read at all and the total lines keep their
// cleared texts.
TEST_F(BagSealPage, ItemTablesAndSkippedDetails) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  page_->OnQuickListOpen(38008, 0);
  EXPECT_NE(form_->LastSql().find("client_rec_xbag_item_u AS b"), std::string::npos) << form_->LastSql();
  ASSERT_EQ(form_->Grid()->RowCount(), 1);
  EXPECT_EQ(form_->Grid()->CellText(0, 2), u"BS-W38008");
  EXPECT_NE(form_->HistoryEdit()->toPlainText().indexOf(platform::ToQString(T(20524) + u":")), -1);

  QTest::mouseClick(form_->SkipItemsBox(), Qt::LeftButton);
  ASSERT_TRUE(form_->SkipItemsBox()->isChecked());
  const int before = form_->Requests();
  TypeNumber("AB-12");
  EXPECT_EQ(form_->BagId(), 38001);
  EXPECT_EQ(form_->Requests(), before + 1);
  EXPECT_TRUE(form_->LastSql().ends_with("WHERE cxno='AB-12'"));
  EXPECT_EQ(form_->Grid()->RowCount(), 0);
  EXPECT_EQ(form_->WeightLine()->text(), "-- ??? --");
  EXPECT_EQ(form_->ItemsHeader()->text(), platform::ToQString(AppLanguage().TextWithNumber(370021, 0)));
  page_->OnPrintLabel();
  ASSERT_EQ(printed_.size(), 1u);
  EXPECT_EQ(printed_[0].sources.itemRows, 0);
}

// With 扫描立即打印 a scan also prints: the seal form's order, "装袋标签"
// first and with 联打装签 then "封袋标签", through the bag label fill; a
// missing first template says 360092.  A sealed bag on a master air
// waybill hands its number and audit texts to the fill.
TEST_F(BagSealPage, LabelsOnScanInTheSealOrder) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  QTest::mouseClick(form_->PrintOnScanBox(), Qt::LeftButton);
  TypeNumber("bs38000007");
  ASSERT_EQ(printed_.size(), 1u);
  const BagLabelSources& s = printed_[0].sources;
  EXPECT_FALSE(printed_[0].both);
  EXPECT_EQ(s.bagId, 38007);
  EXPECT_EQ(s.bagNumber, u"BS38000007");
  EXPECT_EQ(s.awbNumber, u"999-38383838");
  EXPECT_EQ(s.specialNumber, u"SK380007");
  EXPECT_EQ(s.bagOrder, u"7");
  EXPECT_EQ(s.specialOrder, u"1");
  EXPECT_EQ(s.creator, u"管理员");
  EXPECT_EQ(s.sealer, u"管理员");
  EXPECT_EQ(s.sealTime.size(), 19u);
  EXPECT_EQ(s.loader, u"王五");
  EXPECT_EQ(s.loadingTime.size(), 19u);
  EXPECT_EQ(s.length * 10000 + s.width * 100 + s.height, 40 * 10000 + 30 * 100 + 20);
  EXPECT_DOUBLE_EQ(s.weight, 2.5);
  EXPECT_EQ(s.itemRows, 1);
  EXPECT_EQ(s.consignmentNote, u"易碎");

  // With 联打装签 both labels; an unknown bag prints nothing.
  QTest::mouseClick(form_->SecondLabelBox(), Qt::LeftButton);
  TypeNumber("AB-12");
  ASSERT_EQ(printed_.size(), 2u);
  EXPECT_TRUE(printed_[1].both);
  EXPECT_EQ(printed_[1].sources.itemRows, 3);
  TypeNumber("nosuch");
  EXPECT_EQ(printed_.size(), 2u);

  // Through the label fill: the seal form asks "装袋标签" first and, when
  // it is missing, says 360092 and asks nothing more.
  std::vector<std::string> asked;
  std::vector<std::u16string> said;
  PrintContext context;
  context.findTemplate = [&](std::string_view kind, std::string_view) -> CTemplateModel* {
    asked.emplace_back(kind);
    return nullptr;
  };
  context.message = [&](std::u16string_view text) { said.emplace_back(text); };
  context.text = [](int32_t id) { return AppLanguage().Text(id); };
  EXPECT_EQ(PrintBagLabels(context, printed_[1].sources, BagLabelOrder::kSealForm, true, nullptr, nullptr), 0);
  EXPECT_EQ(asked, std::vector<std::string>{GbkFromWide(u"装袋标签")});
  EXPECT_EQ(said, std::vector<std::u16string>{T(360092)});
}

// Unsealing as the administrator: the bag returns to state 0 with the
// unsealer and time; the pane row shows state 0; loaded again its history
// carries the unseal line under text 20524.
TEST_F(BagSealPage, UnsealReturnsTheBagToOpen) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  TypeNumber("BS38000003");
  ASSERT_TRUE(form_->UnsealButton()->isVisible());
  QTest::mouseClick(form_->UnsealButton(), Qt::LeftButton);
  EXPECT_EQ(boxes_.Count(), 0u) << Utf8(boxes_.LastText());
  EXPECT_EQ(Utf8(WideFromGbk(form_->LastSql())), "{?=CALL brantle.dbo.cp_client_rec_xbag_pack_d(38003,'管理员')}");
  EXPECT_EQ(State(38003), 0);
  EXPECT_EQ(Text("SELECT cunpack FROM client_rec_xbag WHERE ixid=38003"), "管理员");
  const std::string unsealed = Text("SELECT dunpack FROM client_rec_xbag WHERE ixid=38003");
  const int row = QuickRowOf(38003);
  ASSERT_GE(row, 0);
  EXPECT_EQ(page_->quickList->grid->CellText(row, 0), u"BS38000003[PEK->JFK]" + AppLanguage().BagStateText(0));
  EXPECT_EQ(form_->BagId(), 0);

  TypeNumber("BS38000003");
  EXPECT_TRUE(form_->IsSealable());
  const QString history = form_->HistoryEdit()->toPlainText();
  const QString line = platform::ToQString(T(20524) + u":") + QString::fromStdString(unsealed.substr(0, 16));
  EXPECT_TRUE(history.contains(line)) << history.toStdString() << " / " << unsealed;
  EXPECT_TRUE(history.trimmed().endsWith(QString::fromUtf8("【管理员】"))) << history.toStdString();
}

// Every code of seal and unseal: the bag is loaded while the server would
// take it, then another desk changes it; the form shows the code's text,
// keeps the bag, and nothing is shown sealed the server did not seal.  A
// transport that fails shows the server link's error text.
struct CodeCase {
  const char* name;
  const char16_t* account;
  const char16_t* password;
  int bag;
  const char* change;  // run on the database after the load
  bool unseal;
  int text;
};

TEST_F(BagSealPage, EveryRefusalOfSealAndUnseal) {
  const CodeCase cases[] = {
      {"seal empty bag", u"admin", u"admin123", 38002, "", false, 400021},
      {"seal no longer open", u"admin", u"admin123", 38001, "UPDATE client_rec_xbag SET nstate=1 WHERE ixid=38001",
       false, 400020},
      {"seal put on awb", u"admin", u"admin123", 38001,
       "UPDATE client_rec_xbag SET cawb='999-38383838' WHERE ixid=38001", false, 400022},
      {"seal made exclusive", u"zhang", u"zhang123", 38009, "UPDATE client_rec_xbag SET nshare=0 WHERE ixid=38009",
       false, 400023},
      {"seal deleted", u"admin", u"admin123", 38001, "DELETE FROM client_rec_xbag WHERE ixid=38001", false, 360062},
      {"unseal reopened", u"admin", u"admin123", 38003, "UPDATE client_rec_xbag SET nstate=0 WHERE ixid=38003",
       true, 400025},
      {"unseal put on awb", u"admin", u"admin123", 38003,
       "UPDATE client_rec_xbag SET cawb='999-38383838' WHERE ixid=38003", true, 400026},
      {"unseal deleted", u"admin", u"admin123", 38003, "DELETE FROM client_rec_xbag WHERE ixid=38003", true, 360062},
      {"seal transport fails", u"admin", u"admin123", 38001, nullptr, false, 0},
      {"unseal transport fails", u"admin", u"admin123", 38003, nullptr, true, 0},
  };
  int k = 0;
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Restart("code-" + std::to_string(++k));
    printed_.clear();
    ASSERT_NO_FATAL_FAILURE(Start("01", c.account, c.password));
    page_->quickList->LoadBags(1);
    const std::u16string rowBefore =
        QuickRowOf(c.bag) >= 0 ? page_->quickList->grid->CellText(QuickRowOf(c.bag), 0) : u"";
    page_->OnQuickListOpen(static_cast<quintptr>(c.bag), 0);
    ASSERT_EQ(form_->BagId(), c.bag);
    const int64_t stateBefore = State(c.bag);
    if (c.change == nullptr)
      server_.reset();
    else if (*c.change != 0)
      Db(c.change);
    boxes_.Clear();
    if (c.unseal)
      QTest::mouseClick(form_->UnsealButton(), Qt::LeftButton);
    else
      Ctrl(form_->WeightEdit(), Qt::Key_S);
    // A failed transport may be told by the link too; the form's own
    // message is the last one.
    ASSERT_EQ(boxes_.Count() >= 1u, true);
    if (c.text != 0) {
      EXPECT_EQ(boxes_.Count(), 1u);
      EXPECT_EQ(Utf8(boxes_.LastText()), Utf8(T(c.text)));
    } else {
      EXPECT_EQ(Utf8(boxes_.LastText()), Utf8(app_.Link().LastErrorText()));
      EXPECT_FALSE(boxes_.LastText().empty());
    }
    EXPECT_EQ(form_->BagId(), c.bag);
    EXPECT_EQ(form_->NumberEdit()->text().isEmpty(), false);
    const std::u16string rowAfter =
        QuickRowOf(c.bag) >= 0 ? page_->quickList->grid->CellText(QuickRowOf(c.bag), 0) : u"";
    EXPECT_EQ(Utf8(rowAfter), Utf8(rowBefore));
    if (server_ && c.change != nullptr && *c.change == 0) {
      EXPECT_EQ(State(c.bag), stateBefore);
    }
  }
}

// A negative dimension is refused before anything is sent, with the text
// the bagging form uses.
TEST_F(BagSealPage, NegativeDimensionRefusedBeforeSending) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  TypeNumber("AB-12");
  form_->HeightEdit()->setText("-5");
  const int before = form_->Requests();
  Ctrl(form_->WeightEdit(), Qt::Key_S);
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), T(bagging::kNegativeDimensionText));
  EXPECT_EQ(form_->Requests(), before);
  EXPECT_EQ(State(38001), 0);
  EXPECT_EQ(form_->BagId(), 38001);
}

// Quick seal: 快速封袋... opens the bag list in mode 0 (open bags with items
// of the last 180 days); four rows handed over at once are sealed one by
// one, each row removed only when its seal went through; the bag on a
// master air waybill is refused without a message and its row stays.
TEST_F(BagSealPage, QuickSealThroughTheBagList) {
  for (const char* language : {"01", "00"}) {
    SCOPED_TRACE(language);
    Restart(std::string("quick-") + language);
    ASSERT_NO_FATAL_FAILURE(Start(language));
    page_->quickList->LoadBags(1);
    ASSERT_GE(QuickRowOf(38011), 0);
    QTest::mouseClick(form_->QuickSealLink(), Qt::LeftButton);
    CBagListDlg* list = form_->BagList();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->Mode(), kBagListOpenBags);
    EXPECT_EQ(list->stateBox->currentIndex(), 0);
    EXPECT_EQ(list->NotifyWnd(), form_);
    std::vector<int32_t> own;
    for (int r = 0; r < list->list->RowCount(); ++r)
      if (list->list->GetRowId(r) / 1000 == 38) own.push_back(list->list->GetRowId(r));
    std::sort(own.begin(), own.end());
    // Not 38002 (no items), 38004 (200 days old) nor the sealed bags.
    EXPECT_EQ(own, (std::vector<int32_t>{38001, 38005, 38006, 38009, 38011, 38012, 38013, 38014}));
    Screenshot(list, std::string(language) == "01" ? "bag_list_quick_seal_en" : "bag_list_quick_seal_zh");

    const int rows = list->list->RowCount();
    for (int32_t id : {38011, 38006, 38012, 38013})
      list->list->SetRowSelected(list->list->FindRowById(id), true, false);
    boxes_.Clear();
    platform::SendPrivateMessage(list, kGridMsgCommand, 2, 0);
    EXPECT_EQ(boxes_.Count(), 0u) << Utf8(boxes_.LastText());
    EXPECT_EQ(list->list->RowCount(), rows - 3);
    for (int32_t id : {38011, 38012, 38013}) {
      EXPECT_EQ(list->list->FindRowById(id), -1) << id;
      EXPECT_EQ(State(id), 1) << id;
      EXPECT_EQ(QuickRowOf(id), -1) << id;
    }
    EXPECT_GE(list->list->FindRowById(38006), 0);
    EXPECT_EQ(State(38006), 0);
    EXPECT_EQ(State(38014), 0);
    EXPECT_DOUBLE_EQ(Number("SELECT fweight*1000 FROM client_rec_xbag WHERE ixid=38011"), 0);

    // A double click hands one bag over; closing only hides the list, and
    // the link shows it again with its rows.
    const int row = list->list->FindRowById(38014);
    list->list->clearSelection();
    list->list->SetRowSelected(row, true, false);
    list->HandOverRow();
    EXPECT_EQ(State(38014), 1);
    EXPECT_EQ(list->list->FindRowById(38014), -1);
    const int left = list->list->RowCount();
    list->RemoveRow(left);
    EXPECT_EQ(list->list->RowCount(), left);
    list->close();
    EXPECT_FALSE(list->isVisible());
    QTest::mouseClick(form_->QuickSealLink(), Qt::LeftButton);
    EXPECT_EQ(form_->BagList(), list);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->list->RowCount(), left);

    // A quick seal whose request fails shows the link's error text; the
    // row stays.
    const int kept = list->list->FindRowById(38005);
    ASSERT_GE(kept, 0);
    server_.reset();
    boxes_.Clear();
    list->list->clearSelection();
    list->list->SetRowSelected(kept, true, false);
    list->HandOverRow();
    ASSERT_GE(boxes_.Count(), 1u);
    EXPECT_EQ(Utf8(boxes_.LastText()), Utf8(app_.Link().LastErrorText()));
    EXPECT_EQ(list->list->FindRowById(38005), kept);
    EXPECT_EQ(list->list->RowCount(), left);
  }
}

// Mode 1 of the bag list, as the master air waybill editor opens it: only
// sealed bags of the last 180 days, the state box showing state 1 and
// disabled; the query follows the mode, not the box.
TEST_F(BagSealPage, BagListOfSealedBags) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  CBagListDlg sealed(kBagListSealedBags, app_.Link());
  sealed.resize(762, 428);
  sealed.show();
  sealed.RunQuery();
  std::vector<int32_t> own;
  for (int r = 0; r < sealed.list->RowCount(); ++r)
    if (sealed.list->GetRowId(r) / 1000 == 38) own.push_back(sealed.list->GetRowId(r));
  EXPECT_EQ(own, (std::vector<int32_t>{38003, 38007}));
  EXPECT_EQ(sealed.stateBox->currentIndex(), 1);
  EXPECT_FALSE(sealed.stateBox->isEnabled());
  const int row = sealed.list->FindRowById(38007);
  EXPECT_EQ(sealed.list->CellText(row, 5), u"40*30*20");
  EXPECT_EQ(sealed.list->CellText(row, 12), AppLanguage().BagStateText(1));
  EXPECT_NE(sealed.QueryText().find(u" AND nstate=1 ORDER BY ixid"), std::u16string::npos);
  EXPECT_EQ(sealed.QueryText().find(u"iitem>0"), std::u16string::npos);
  Screenshot(&sealed, "bag_list_sealed_en");

  // Mode 0: the box shows state 0; a choice in it leaves the query on the
  // mode's state.
  CBagListDlg open(kBagListOpenBags, app_.Link());
  EXPECT_EQ(open.stateBox->currentIndex(), 0);
  open.stateBox->setCurrentIndex(1);
  EXPECT_NE(open.QueryText().find(u" AND nstate=0 AND iitem>0 ORDER BY ixid"), std::u16string::npos);
}

}  // namespace
