// Page 10, the bagging page, against the local stand-in server: bags made by
// scanning and by Enter in the bag number box, waybills and pieces scanned
// in and out in both number kinds with switch 19 on and off, reference and
// special-field scans, a number list, picks sent with WM_RECORD_PICKED,
// Ctrl+S and Delete, the refusals with their texts and the spoken weights.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/BaggingServices.h"
#include "common/Json.h"
#include "localserver/Database.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/BaggingForm.h"
#include "consolidation/BaggingLogic.h"
#include "consolidation/BaggingPage.h"
#include "devices/SoundService.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "refdata/BagDefaults.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "tests/WaitUntil.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInServer.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace localserver {
void LoadSampleBagging(Database& db);  // localserver/SampleBagging.cpp
}

namespace {

namespace fs = std::filesystem;
using testsupport::WaitUntil;

// Plays nothing; each clip ends on the next turn of the event loop.
class SilentOutput : public CSoundOutput {
 public:
  void Play(const SoundClip&, std::function<void()> finished) override {
    QTimer::singleShot(0, std::move(finished));
  }
};

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

class BaggingPage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("brantle-bagging-" + std::to_string(::getpid()));
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
    // The desk's samples, unless the stand-in has loaded them itself.
    if (testsupport::CountOnDatabase(server_->Database(),
                                     "SELECT count(*) FROM client_rec WHERE irid=70001") == 0) {
      localserver::Database db(server_->Database());
      db.Exec("BEGIN");
      localserver::LoadSampleBagging(db);
      db.Exec("COMMIT");
    }
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    folder_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder_ / "DATA_SYS");
    testsupport::WriteStandInConfig(folder_, server_->Port(), language, "PC-BAGGING");
    app_.SetProgramFolder(folder_.string() + "/");
    ASSERT_EQ(1, app_.Link().Init(folder_.string() + "/"));
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadDictionaries());
    ASSERT_TRUE(app_.LoadServiceKinds());
    app_.LoadBagDefaults();
    ASSERT_TRUE(app_.Link().bagDefaults != nullptr);
    app_.Sounds().SetOutput(std::make_shared<SilentOutput>());
    app_.Sounds().SetObserver([this](std::string_view name) { sounds_.emplace_back(name); });

    page_ = std::make_unique<CBaggingPage>();
    page_->host = &host_;
    WireBaggingPage(*page_);
    page_->CreatePageWindow(nullptr, QSize(1280, 760));
    page_->OnPageCreated();
    form_ = page_->Form();
    ASSERT_NE(nullptr, form_);
    page_->resize(1280, 760);
    page_->show();
  }

  // Types the text into the scan box and presses Enter.
  void Scan(const QString& text) {
    QLineEdit* edit = form_->ScanEdit();
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  // The first row of a one-column query (empty without a row).
  std::string Row(const std::string& sql, uint32_t type) {
    const uint32_t types[] = {type};
    std::string reply;
    if (app_.Link().SqlQuery(sql, types, &reply) <= 9) return {};
    std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view row;
    if (!JsonNextObject(list, pos, row)) return {};
    return std::string(row);
  }
  std::string TextOf(const std::string& sql) {
    const std::string row = Row(sql, AcsTypeEntry(kSqlCChar, 256));
    return row.empty() ? "<none>" : Utf8(JsonRowIndex(row).GetWString("0", 255));
  }
  int64_t NumberOf(const std::string& sql) {
    const std::string row = Row(sql, AcsTypeEntry(kSqlCSLong));
    return row.empty() ? -1 : JsonRowIndex(row).GetInt("0", -1);
  }
  int64_t Bagged(int irid) {
    return NumberOf("SELECT ixbag FROM brantle.dbo.client_rec WHERE irid=" + std::to_string(irid));
  }

  std::u16string Cell(int row, int column) { return form_->Grid()->CellText(row, column); }
  int Rows() { return form_->Grid()->RowCount(); }
  std::u16string T(int id) { return AppLanguage().Text(id); }
  std::u16string W(const QString& s) { return platform::FromQString(s); }

  bool SoundsAre(const std::vector<std::string>& expected) {
    return WaitUntil([&] { return sounds_ == expected; }, std::chrono::milliseconds(5000),
                     [] { QCoreApplication::processEvents(); });
  }

  void SaveScreenshot(const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
    QImage image = page_->grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(path)) << path.toStdString();
  }

  static inline fs::path root_;
  std::unique_ptr<StandInServer> server_;
  fs::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  PageHost host_{app_};
  std::unique_ptr<CBaggingPage> page_;
  CBaggingDlg* form_ = nullptr;
  std::vector<std::string> sounds_;
};

// The main road: a bag made by scanning its number, waybills and pieces in
// and out in both number kinds with switch 19 on and off, the totals after
// each step and the weight spoken, a reference number written into the
// waybills, a special-field scan, Ctrl+S and Delete.
TEST_F(BaggingPage, ScanBagWaybillsAndPiecesInAndOut) {
  Start("00");
  EXPECT_EQ(1, form_->SettingsLoads());
  EXPECT_EQ(3u, form_->Rules().definitions.size());
  EXPECT_EQ(BagMaskGroup{"RF########"}, form_->ReferenceMasks());
  EXPECT_EQ(500, form_->Checks().weightTolerance);
  EXPECT_TRUE(form_->Checks().balanceCheck);
  EXPECT_TRUE(form_->PerWaybillItems());
  EXPECT_TRUE(form_->Editable());
  EXPECT_EQ(T(360003), W(form_->StatusLabel()->text()));

  // A reference number before any bag is open.
  Scan("rf12345678");
  EXPECT_EQ("RF12345678", form_->ReferenceEdit()->text().toStdString());
  EXPECT_EQ(0u, boxes_.Count());

  Scan("BC00000099");
  ASSERT_GT(form_->BagId(), 0) << Utf8(boxes_.LastText());
  const int32_t bag = form_->BagId();
  EXPECT_EQ("BC00000099", form_->NumberEdit()->text().toStdString());
  EXPECT_EQ("PEK", form_->FromAirportEdit()->text().toStdString());
  EXPECT_TRUE(form_->ShareButton(1)->isChecked());
  EXPECT_EQ(T(360001).replace(T(360001).find(u"%1"), 2, WideFromGbk(std::to_string(bag))),
            W(form_->StatusLabel()->text()));
  EXPECT_EQ(1, NumberOf("SELECT nshare FROM brantle.dbo.client_rec_xbag WHERE ixid=" + std::to_string(bag)));

  // Per-waybill items by transfer number.
  Scan("SV70000001");
  ASSERT_EQ(1, Rows()) << Utf8(boxes_.LastText());
  EXPECT_EQ(u"SV70000001", Cell(0, 1));
  EXPECT_EQ(u"40*30*20", Cell(0, 9));
  EXPECT_EQ(u"第一行", Cell(0, 21));
  EXPECT_EQ(u"2024-05-06", Cell(0, 19));
  EXPECT_EQ("RF12345678", TextOf("SELECT crno FROM brantle.dbo.client_rec WHERE irid=70001"));
  Scan("SV70000002");
  ASSERT_EQ(2, Rows()) << Utf8(boxes_.LastText());
  EXPECT_TRUE(SoundsAre({"2", ".", "5"}));
  Scan("SV70000003");
  ASSERT_EQ(5, Rows()) << Utf8(boxes_.LastText());
  EXPECT_TRUE(SoundsAre({"2", ".", "5", "7"}));
  EXPECT_EQ(u"PC70000003-1", Cell(2, 1));
  EXPECT_EQ(u"1", Cell(2, 4));
  EXPECT_EQ(u"3", Cell(2, 5));
  EXPECT_EQ(u"9.000", Cell(2, 6));
  EXPECT_EQ(u"5.000", Cell(2, 7));  // 60,000 cm3 at the program's 12 cm3 a gram
  EXPECT_EQ(u"2.000", Cell(2, 8));
  EXPECT_EQ(u"50*40*30", Cell(2, 9));
  EXPECT_EQ(u"手机", Cell(2, 15));
  EXPECT_EQ(u"30.00", Cell(2, 17));
  EXPECT_EQ(u"3", Cell(4, 4));
  EXPECT_EQ(3, Bagged(70003));
  EXPECT_EQ(u"快件列表：5 件，计费重 17.000 kg，申报价值 140.00", W(form_->ItemsHeader()->text()));
  EXPECT_EQ(u"泡重+实重：7.000+7.000=14.000，实重合计 14.000，运单重合计 16.500",
            W(form_->WeightLine()->text()));
  EXPECT_EQ(0u, boxes_.Count()) << Utf8(boxes_.LastText());
  SaveScreenshot("bagging_page_zh");

  // Out by waybill number: every row of that waybill goes, the rest is numbered again.
  QTest::mouseClick(form_->ScanCaption(), Qt::LeftButton);
  ASSERT_EQ(1, form_->ScanNumberKind());
  form_->ScanModeBox()->setCurrentIndex(1);
  boxes_.QueueAnswer(platform::kIdYes);
  Scan("BC-70000003");
  ASSERT_EQ(2, Rows()) << Utf8(boxes_.LastText());
  EXPECT_EQ(u"2", Cell(1, 0));
  EXPECT_EQ(0, Bagged(70003));
  EXPECT_EQ(u"快件列表：2 件，计费重 7.500 kg，申报价值 50.00", W(form_->ItemsHeader()->text()));
  // A number not in the grid does nothing at all in remove mode.
  boxes_.Clear();
  Scan("BC-70000009");
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(2, Rows());

  // Switch 19 off: one piece a scan, by waybill number and by transfer number.
  app_.Link().bagDefaults->switch19 = 0;
  form_->ScanModeBox()->setCurrentIndex(0);
  Scan("BC-70000004");
  Scan("BC-70000004");
  ASSERT_EQ(4, Rows()) << Utf8(boxes_.LastText());
  EXPECT_EQ(u"-", Cell(2, 1));
  EXPECT_EQ(u"1", Cell(2, 4));
  EXPECT_EQ(u"2", Cell(3, 4));
  EXPECT_EQ(u"2.000", Cell(3, 7));
  EXPECT_EQ(2, Bagged(70004));
  QTest::mouseClick(form_->ScanCaption(), Qt::LeftButton);
  ASSERT_EQ(0, form_->ScanNumberKind());
  Scan("SV70000003");  // the first piece not yet bagged
  ASSERT_EQ(5, Rows()) << Utf8(boxes_.LastText());
  EXPECT_EQ(u"PC70000003-1", Cell(4, 1));
  EXPECT_EQ(u"1", Cell(4, 4));
  EXPECT_EQ(1, Bagged(70003));

  // Everything out again, one row at a time: the totals end at zero.
  form_->ScanModeBox()->setCurrentIndex(1);
  for (const char* number : {"SV70000004", "SV70000001", "SV70000002", "SV70000004", "SV70000003"}) {
    SCOPED_TRACE(number);
    const int before = Rows();
    boxes_.QueueAnswer(platform::kIdYes);
    Scan(number);
    ASSERT_EQ(before - 1, Rows()) << Utf8(boxes_.LastText());
  }
  const bagging::BagTotals& t = form_->Totals();
  EXPECT_EQ(0.0, t.chargeable);
  EXPECT_EQ(0.0, t.volumetricPart);
  EXPECT_EQ(0.0, t.actualPart);
  EXPECT_EQ(0.0, t.actual);
  EXPECT_EQ(0.0, t.waybillShare);
  EXPECT_EQ(0.0, t.declared);
  EXPECT_EQ(u"泡重+实重：0.000+0.000=0.000，实重合计 0.000，运单重合计 0.000", W(form_->WeightLine()->text()));
  for (int irid : {70001, 70002, 70003, 70004}) EXPECT_EQ(0, Bagged(irid)) << irid;

  // Special fields: chno and cby1 on the server and in the form.
  form_->ScanModeBox()->setCurrentIndex(0);
  Scan("SK123456");
  Scan("P1000001");
  EXPECT_EQ("SK123456", form_->SpecialEdit()->text().toStdString());
  EXPECT_EQ("P1000001", form_->SpareEdit(0)->text().toStdString());
  EXPECT_EQ("SK123456", TextOf("SELECT chno FROM brantle.dbo.client_rec_xbag WHERE ixid=" + std::to_string(bag)));
  EXPECT_EQ("P1000001", TextOf("SELECT cby1 FROM brantle.dbo.client_rec_xbag WHERE ixid=" + std::to_string(bag)));

  // Ctrl+S saves the header and clears the form.
  form_->WeightEdit()->setFocus();
  form_->WeightEdit()->setText("3.25");
  QTest::keyClick(form_->WeightEdit(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(0, form_->BagId()) << Utf8(boxes_.LastText());
  EXPECT_EQ(bag, form_->LastSavedId());
  EXPECT_EQ("3.25", TextOf("SELECT fweight FROM brantle.dbo.client_rec_xbag WHERE ixid=" + std::to_string(bag)));

  // Delete asks; No keeps the bag, Yes deletes it.
  page_->OnQuickListOpen(static_cast<quintptr>(bag), 0);
  ASSERT_EQ(bag, form_->BagId());
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdNo);
  QTest::keyClick(form_->ScanEdit(), Qt::Key_Delete);
  EXPECT_EQ(T(20011), boxes_.LastText());
  EXPECT_EQ(bag, form_->BagId());
  boxes_.QueueAnswer(platform::kIdYes);
  QTest::keyClick(form_->ScanEdit(), Qt::Key_Delete);
  EXPECT_EQ(0, form_->BagId());
  EXPECT_EQ(0, NumberOf("SELECT count(*) FROM brantle.dbo.client_rec_xbag WHERE ixid=" + std::to_string(bag)));
}

// Enter in the bag number box makes a bag of the definition the number
// fits (here the whole-number mask of a shared bag); a number list adds
// its waybills without messages.
TEST_F(BaggingPage, EnterInTheNumberBoxAndANumberList) {
  Start("00");
  form_->NumberEdit()->setFocus();
  QTest::keyClicks(form_->NumberEdit(), "70123456BC45");  // 12 characters: no definition
  QTest::keyClick(form_->NumberEdit(), Qt::Key_Return);
  EXPECT_EQ(0, form_->BagId());
  form_->NumberEdit()->clear();
  QTest::keyClicks(form_->NumberEdit(), "701234bc45");
  QTest::keyClick(form_->NumberEdit(), Qt::Key_Return);
  ASSERT_GT(form_->BagId(), 0) << Utf8(boxes_.LastText());
  EXPECT_EQ("701234BC45", form_->NumberEdit()->text().toStdString());
  EXPECT_EQ("SK000001", form_->SpecialEdit()->text().toStdString());
  EXPECT_TRUE(form_->ShareButton(2)->isChecked());
  EXPECT_TRUE(form_->ScanEdit()->hasFocus());

  const fs::path list = folder_ / "numbers.txt";
  std::ofstream(list, std::ios::binary) << "BC-70000014\r\nBC-70000015\r\nBC-70000006\r\n";
  app_.hooks.chooseFile = [&list](const std::u16string&, const std::u16string&, std::u16string& path) {
    path = list.u16string();
    return true;
  };
  app_.hooks.readClipboardText = nullptr;
  form_->AddByNumberList(true);
  // Two waybills go in (70015 with its two pieces); the one-character
  // address is refused with its message even in a list.
  ASSERT_EQ(3, Rows()) << Utf8(boxes_.LastText());
  EXPECT_EQ(T(390020), boxes_.LastText());
  EXPECT_EQ(form_->Grid()->GetRowId(0), 70014);
  EXPECT_TRUE(sounds_ == std::vector<std::string>{"fail.wav"});
}

// Every refusal of the scans: its text, the failure sound, grid and totals
// unchanged; the weight warning asks with 5 and Yes sends the same call
// again; the first waybill of a bag with a check column fixes its memo.
TEST_F(BaggingPage, RefusalsKeepGridAndTotals) {
  Start("00");
  // No bag open.
  Scan("SV70000001");
  EXPECT_EQ(T(360061), boxes_.LastText());
  EXPECT_EQ(std::vector<std::string>{"fail.wav"}, sounds_);

  ASSERT_TRUE(form_->LoadBag(70001));
  ASSERT_TRUE(form_->Editable());
  Scan("SV70000002");
  ASSERT_EQ(1, Rows()) << Utf8(boxes_.LastText());
  ASSERT_TRUE(SoundsAre({"fail.wav", "2", ".", "5"}));
  const std::u16string header = W(form_->ItemsHeader()->text());
  const std::u16string weights = W(form_->WeightLine()->text());

  struct Refusal {
    const char* scan;
    std::u16string text;
  } refusals[] = {
      {"SV79999999", T(20024)},                 // no such waybill
      {"SV70000006", T(390020)},                // one-character address
      {"SV70000005", T(360073)},                // on a master air waybill
      {"SV70000010", T(360076)},                // on hold
      {"SV7000-SHARED", T(360074)},             // two waybills share it
      {"SV70000002", T(360070)},                // already in the bag
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.scan);
    sounds_.clear();
    boxes_.Clear();
    Scan(r.scan);
    EXPECT_EQ(r.text, boxes_.LastText());
    EXPECT_EQ(1u, boxes_.Count());
    EXPECT_EQ(std::vector<std::string>{"fail.wav"}, sounds_);
    EXPECT_EQ(1, Rows());
    EXPECT_EQ(header, W(form_->ItemsHeader()->text()));
    EXPECT_EQ(weights, W(form_->WeightLine()->text()));
  }
  // The refused control code: the check's own message and the fail sound.
  sounds_.clear();
  boxes_.Clear();
  Scan("SV70000007");
  EXPECT_EQ(1u, boxes_.Count());
  EXPECT_EQ(std::vector<std::string>{"fail.wav"}, sounds_);
  EXPECT_EQ(1, Rows());

  // The weight warning: No sends nothing more, Yes sends the identical call.
  sounds_.clear();
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdNo);
  Scan("SV70000008");
  std::u16string question = T(360068);
  question.replace(question.find(u"%1"), 2, u"5");
  EXPECT_EQ(question, boxes_.LastText());
  EXPECT_EQ(1, Rows());
  EXPECT_EQ(0, Bagged(70008));
  const std::string warned = form_->LastSql();
  boxes_.QueueAnswer(platform::kIdYes);
  Scan("SV70000008");
  ASSERT_EQ(2, Rows()) << Utf8(boxes_.LastText());
  EXPECT_EQ(1, Bagged(70008));
  EXPECT_EQ(warned.substr(0, 40), std::string("{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_add_no(").substr(0, 40));

  // A piece position beyond the waybill's pieces, sent by a picker: the
  // pick is refused (0) and the sender keeps its row.
  app_.Link().bagDefaults->switch19 = 0;
  boxes_.Clear();
  const qintptr refused = platform::SendPrivateMessage(form_, WM_RECORD_PICKED, 70001, 5 + 10000 * 2);
  EXPECT_EQ(0, refused);
  EXPECT_EQ(T(360075), boxes_.LastText());
  // A pick that goes in answers 1.
  const qintptr taken = platform::SendPrivateMessage(form_, WM_RECORD_PICKED, 70004, 2 + 10000 * 7);
  EXPECT_EQ(1, taken);
  EXPECT_EQ(3, Rows());
  EXPECT_EQ(u"2", Cell(2, 4));
  // The same piece again: in already, refused.
  EXPECT_EQ(0, platform::SendPrivateMessage(form_, WM_RECORD_PICKED, 70004, 2 + 10000 * 7));

  // Check column 2: the first waybill fixes the memo, another destination is refused.
  ASSERT_TRUE(form_->LoadBag(70007));
  app_.Link().bagDefaults->switch19 = 1;
  Scan("SV70000001");
  ASSERT_EQ(1, Rows()) << Utf8(boxes_.LastText());
  EXPECT_EQ("JFK", form_->MemoEdit()->toPlainText().toStdString());
  EXPECT_EQ("JFK", TextOf("SELECT cmemo FROM brantle.dbo.client_rec_xbag WHERE ixid=70007"));
  boxes_.Clear();
  Scan("SV70000009");
  std::u16string mismatch = T(360091);
  mismatch.replace(mismatch.find(u"%1"), 2, u"目的地");
  mismatch.replace(mismatch.find(u"%2"), 2, u"LAX");
  EXPECT_EQ(mismatch, boxes_.LastText());
  EXPECT_EQ(1, Rows());

  // The bag is sealed behind the form's back: the server refuses.
  ASSERT_GT(app_.Link().SqlExecute("UPDATE brantle.dbo.client_rec_xbag SET nstate=1 WHERE ixid=70007", {}), 0);
  boxes_.Clear();
  Scan("SV70000014");
  EXPECT_EQ(T(360072), boxes_.LastText());
  EXPECT_EQ(1, Rows());

  // The balance warning once the customer's unpaid total is above its credit.
  ASSERT_TRUE(testsupport::ExecOnDatabase(server_->Database(), "UPDATE client_arc SET fcredit=1 WHERE icid=1"));
  ASSERT_EQ(1, testsupport::CountOnDatabase(server_->Database(),
                               "SELECT count(*) FROM client_arc WHERE icid=1 AND fpay0+fpay1+fpay2>1"));
  ASSERT_TRUE(form_->LoadBag(70001));
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdNo);
  Scan("SV70000013");
  question = T(360068);
  question.replace(question.find(u"%1"), 2, u"6");
  EXPECT_EQ(question, boxes_.LastText());
  EXPECT_EQ(0, Bagged(70013));
}

// The header refusals of saving and deleting; a negative dimension is
// refused before anything is sent.
TEST_F(BaggingPage, SaveAndDeleteRefusals) {
  Start("00");
  struct Case {
    const char* number;
    const char* length;
    std::u16string text;
    bool sent;
  } cases[] = {
      {"  ", "0", T(360064), false},
      {"BC1,2", "0", T(360065), false},
      {"BC00000001", "0", T(360066), true},  // the number of another bag
      {"BC00000098", "-1", T(bagging::kNegativeDimensionText), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    form_->ClearForm();
    boxes_.Clear();
    const std::string before = form_->LastSql();
    form_->NumberEdit()->setText(c.number);
    form_->LengthEdit()->setText(c.length);
    EXPECT_EQ(0, form_->SaveBag());
    EXPECT_EQ(c.text, boxes_.LastText());
    EXPECT_EQ(c.sent, form_->LastSql() != before);
  }
  EXPECT_NE(T(bagging::kNegativeDimensionText), u"???");
  // A bag with items is not deleted.
  ASSERT_TRUE(form_->LoadBag(70004 - 3));  // the administrator's open bag
  Scan("SV70000002");
  ASSERT_EQ(1, Rows());
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdYes);
  EXPECT_EQ(0, form_->DeleteBag());
  EXPECT_EQ(T(360063), boxes_.LastText());
}

// English captions on an open bag after scans, a read-only loaded bag and
// a bag at state 3 whose items come from client_rec_xbag_item_u.
TEST_F(BaggingPage, ReadOnlyBagsAndEnglishScreens) {
  Start("01");
  ASSERT_TRUE(form_->LoadBag(70001));
  Scan("SV70000001");
  Scan("SV70000003");
  ASSERT_EQ(4, Rows()) << Utf8(boxes_.LastText());
  SaveScreenshot("bagging_page_en");

  ASSERT_TRUE(form_->LoadBag(70005));
  EXPECT_FALSE(form_->Editable());
  EXPECT_FALSE(form_->Deletable());
  EXPECT_FALSE(form_->GoButton()->isEnabled());
  EXPECT_TRUE(form_->NumberEdit()->isReadOnly());
  EXPECT_FALSE(page_->saveEnabled);
  EXPECT_FALSE(page_->deleteEnabled);
  std::u16string status = T(360002);
  status.replace(status.find(u"%1"), 2, u"70005");
  EXPECT_EQ(status, W(form_->StatusLabel()->text()));
  const std::u16string history = W(form_->HistoryEdit()->toPlainText());
  EXPECT_NE(std::u16string::npos, history.find(u"AWB:999-44444440"));
  SaveScreenshot("bagging_page_readonly_en");
  // A scan on a read-only bag does nothing.
  boxes_.Clear();
  Scan("SK123456");
  EXPECT_EQ(0u, boxes_.Count());

  ASSERT_TRUE(form_->LoadBag(70006));
  ASSERT_EQ(1, Rows());
  EXPECT_EQ(70016, form_->Grid()->GetRowId(0));
  // Another user's station bag is editable, not deletable.
  ASSERT_TRUE(form_->LoadBag(70002));
  EXPECT_TRUE(form_->Deletable());  // the administrator holds the supervision right
  EXPECT_TRUE(form_->Editable());
}

}  // namespace
