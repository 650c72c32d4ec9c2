// The hand-over desk against the local stand-in server: the form driven with
// key events on page 3, the scale on a pseudo-terminal, the master air
// waybill pick and the sent-record query dialog, and the page's batch and
// single cancellations.

#include <gtest/gtest.h>

#include <fstream>

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "refdata/Dictionaries.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "shipping/HandOverDialogs.h"
#include "shipping/HandOverForm.h"
#include "shipping/HandOverLogic.h"
#include "shipping/SendScanPage.h"
#include "tests/QtTestSupport.h"
#include "tests/WaitUntil.h"
#include "tests/devices/ScaleLine.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInServer.h"
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"
#include "ui/ViewHost.h"
#include "ui/WaybillQueryConditions.h"

namespace {

namespace fs = std::filesystem;
using testsupport::WaitUntil;

// The camera window: what it was asked to photograph.
class CameraWindow : public QWidget {
 public:
  std::vector<std::pair<quintptr, qintptr>> parcels;

 protected:
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e); m && m->Message() == WM_CAPTURE_PARCEL) {
      parcels.emplace_back(m->WParam(), m->LParam());
      return true;
    }
    return QWidget::event(e);
  }
};

// Runs `act` on the modal dialog of type T once it is open (the command
// that opens it may wait for the server first).
template <typename T>
void WhenModal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(dialog);
    }
  });
  timer->start();
}

class DeskHost : public CViewHost {
 public:
  explicit DeskHost(CBrantleClientApp& app) : app_(app) {}
  QSize ScreenSize() const override { return {1280, 800}; }
  CBrantleClientApp* Application() override { return &app_; }
  QWidget* VisibleCaptureWindow() const override { return camera; }
  QWidget* camera = nullptr;

 private:
  CBrantleClientApp& app_;
};

// Each case hands parcels over, so each gets a stand-in on a fresh sample
// database of its own, whether the cases run one per process or together.
class HandOverDesk : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("brantle-handover-" + std::to_string(::getpid()));
    fs::remove_all(root_);
  }
  static void TearDownTestSuite() {
    server_.reset();
    fs::remove_all(root_);
  }

  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    server_ = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                              root_ / ("server-" + name));
    Start("00");
  }

  void Start(const std::string& language) {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    folder_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder_);
    testsupport::WriteStandInConfig(folder_, server_->Port(), language, "PC-HANDOVER");
    app_.SetProgramFolder(folder_.string() + "/");
    ASSERT_EQ(1, app_.Link().Init(folder_.string() + "/"));
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadDictionaries());
    ASSERT_TRUE(app_.LoadServiceKinds());
    app_.Sounds().SetObserver([this](std::string_view name) { sounds_.emplace_back(name); });

    page_.host = &host_;
    page_.CreatePageWindow(nullptr, QSize(1280, 760));
    page_.OnPageCreated();
    form_ = page_.Form();
    ASSERT_NE(nullptr, form_);
    form_->printWaybill = [this](int32_t id) { printedWaybills_.push_back(id); return 1; };
    form_->printInvoice = [this](int32_t id, int) { printedInvoices_.push_back(id); return 1; };
    form_->SetCarrier(app_.FindSupplier(1));
    page_.resize(1280, 760);
    page_.show();
  }

  // Types the number into the number edit and presses Enter.
  void Scan(const QString& number) {
    QLineEdit* edit = form_->NumberEdit();
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, number);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  int32_t IdOf(const std::string& number) { return app_.Link().FindWaybillId(0, number, false); }

  // One integer column of the first row of a query (-1 without a row).
  int64_t Number(const std::string& sql) {
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
    std::string reply;
    if (app_.Link().SqlQuery(sql, types, &reply) <= 0 || JsonGetInt("iTotal", reply, 0) <= 0) return -1;
    std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view row;
    return JsonNextObject(list, pos, row) ? JsonGetInt("0", row, -1) : -1;
  }
  int64_t StateOf(const std::string& number) {
    return Number("SELECT nstate FROM brantle.dbo.client_rec WHERE cnum='" + number + "'");
  }
  int64_t BatchOf(const std::string& number) {
    return Number("SELECT ibatch FROM brantle.dbo.client_rec WHERE cnum='" + number + "'");
  }

  bool RowsBecome(int rows) {
    return WaitUntil([&] { return page_.grid->RowCount() == rows; });
  }

  void SaveScreenshot(QWidget& widget, const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
    QImage image = widget.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(path)) << path.toStdString();
  }

  int32_t TodaysBatch() const { return BatchTextToId(platform::FromQString(form_->BatchEdit()->text())); }

  static inline fs::path root_;
  static inline std::unique_ptr<StandInServer> server_;
  fs::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  DeskHost host_{app_};
  CSendScanPage page_;
  CSendScanDlg* form_ = nullptr;
  std::vector<std::string> sounds_;
  std::vector<int32_t> printedWaybills_, printedInvoices_;
};

// A ready parcel is handed over with today's batch and listed; a parcel
// handed over before, one on hold and an unknown number are refused with the
// server's reason and the failure sound, and print nothing.
TEST_F(HandOverDesk, ScanHandsOverReadyParcelsAndRefusesOthers) {
  form_->WaybillPrintCheck()->setChecked(true);
  form_->CopiesEdit()->setText("1");
  const int32_t batch = TodaysBatch();
  ASSERT_GT(batch, 0);

  Scan("BR10000024");
  ASSERT_TRUE(RowsBecome(1)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
  EXPECT_EQ(u"BR10000024", page_.grid->CellText(0, 2));
  EXPECT_EQ(u"1", page_.grid->CellText(0, 0));
  EXPECT_EQ(IdOf("BR10000024"), page_.grid->GetRowId(0));
  EXPECT_EQ(1, StateOf("BR10000024"));
  EXPECT_EQ(batch, BatchOf("BR10000024"));
  // Weighed 12 kg on entry, no scale weight: the carrier's 500 g are added.
  EXPECT_EQ(u"12.500", page_.grid->CellText(0, 6));
  EXPECT_EQ(std::vector<std::string>{"ok.wav"}, sounds_);
  EXPECT_EQ(std::vector<int32_t>{IdOf("BR10000024")}, printedWaybills_);
  EXPECT_EQ(std::vector<int32_t>{IdOf("BR10000024")}, printedInvoices_);
  EXPECT_EQ(0u, boxes_.Count());

  struct Refusal {
    const char* number;
    int text;
  } refusals[] = {{"BR10000001", 200021}, {"BR10000036", 200022}, {"BR19999999", 200020}};
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.number);
    sounds_.clear();
    boxes_.Clear();
    Scan(r.number);
    EXPECT_EQ(AppLanguage().Text(r.text), boxes_.LastText());
    EXPECT_EQ(std::vector<std::string>{"fail.wav"}, sounds_);
  }
  EXPECT_EQ(1u, printedWaybills_.size());
  EXPECT_EQ(1u, printedInvoices_.size());
  EXPECT_EQ(0, StateOf("BR10000036"));
  EXPECT_TRUE(testsupport::WaitUntil([&] { return page_.grid->RowCount() == 1; },
                                     std::chrono::milliseconds(2000),
                                     [] { QCoreApplication::processEvents(); }));

  // A number too short is refused before any request.
  boxes_.Clear();
  sounds_.clear();
  Scan("BR1234");
  EXPECT_EQ(1u, boxes_.Count());
  EXPECT_TRUE(sounds_.empty());
}

// Both number modes find their parcel; the star switches the mode.
TEST_F(HandOverDesk, TransferNumberModeFindsTheParcel) {
  EXPECT_EQ(1, form_->NumberMode());
  QTest::mouseClick(form_->StarLabel(), Qt::LeftButton);
  EXPECT_EQ(0, form_->NumberMode());
  Scan("SV50000028");
  ASSERT_TRUE(RowsBecome(1)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
  EXPECT_EQ(u"BR10000028", page_.grid->CellText(0, 2));
  // A transfer number shared by two waybills is refused: it could hand over
  // the wrong one.
  Scan("SV13-SHARED");
  EXPECT_EQ(AppLanguage().Text(200026), boxes_.LastText());
  QTest::mouseClick(form_->StarLabel(), Qt::LeftButton);
  EXPECT_EQ(1, form_->NumberMode());
  Scan("BR10000040");
  ASSERT_TRUE(RowsBecome(2));
  EXPECT_EQ(u"BR10000040", page_.grid->CellText(1, 2));
  // The hand-over statement names the record by its id as a number.
  EXPECT_EQ(0u, form_->LastHandOverSql().find(
                    "{?=CALL brantle.dbo.cp_client_rec_send_scan_0(" + std::to_string(IdOf("BR10000040")) + ","));
}

// A list of internal numbers from a file hands each over in internal-number
// mode, whatever mode the form was in; a list of transfer numbers in
// transfer-number mode.
TEST_F(HandOverDesk, NumberListsHandOverEachNumberInTheirMode) {
  const std::filesystem::path internal = folder_ / "internal.txt";
  std::ofstream(internal, std::ios::binary) << "BR10000024\r\nBR10000040\r\n";
  const std::filesystem::path transfer = folder_ / "transfer.txt";
  std::ofstream(transfer, std::ios::binary) << "SV50000028\r\n";
  std::u16string chosen;
  app_.hooks.chooseFile = [&chosen](const std::u16string&, const std::u16string&,
                                    std::u16string& path) {
    path = chosen;
    return true;
  };
  QTest::mouseClick(form_->StarLabel(), Qt::LeftButton);
  ASSERT_EQ(0, form_->NumberMode());
  chosen = internal.u16string();
  form_->SendNumberList(0);
  EXPECT_EQ(1, form_->NumberMode());
  ASSERT_TRUE(RowsBecome(2)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
  EXPECT_EQ(u"BR10000024", page_.grid->CellText(0, 2));
  EXPECT_EQ(u"BR10000040", page_.grid->CellText(1, 2));
  EXPECT_EQ(1, StateOf("BR10000040"));

  chosen = transfer.u16string();
  form_->SendNumberList(1);
  EXPECT_EQ(0, form_->NumberMode());
  ASSERT_TRUE(RowsBecome(3)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
  EXPECT_EQ(u"BR10000028", page_.grid->CellText(2, 2));
}

// The pseudo-terminal scale feeds the weight: within the allowed 500 g the
// scale's weight is handed over; beyond it the operator is asked, No hands
// nothing over, Yes hands it over at the scale's weight.
TEST_F(HandOverDesk, ScaleWeightAndTheWeightQuestion) {
  testsupport::ScaleLine line;
  ASSERT_TRUE(line.Ready());
  CScaleReader& reader = app_.ScaleReader();
  reader.LoadSettings("/nonexistent-folder/", app_.ScalePort());
  reader.settings.useFlag = 1;
  reader.settings.kind = 1;
  reader.settings.frameLength = 8;
  reader.settings.startByte = '=';
  reader.settings.SetDevicePath(line.DevicePath());
  reader.BuildLineSettings();
  form_->WeighingCheck()->click();
  ASSERT_FALSE(form_->WeightEdit()->isReadOnly());

  ASSERT_TRUE(line.Send("=0012.3=0012.3="));
  ASSERT_TRUE(WaitUntil([&] { return form_->WeightEdit()->text() == "12.300"; }))
      << form_->WeightEdit()->text().toStdString();
  Scan("BR10000024");  // 12 kg on entry
  ASSERT_TRUE(RowsBecome(1)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
  EXPECT_EQ(u"12.300", page_.grid->CellText(0, 6));  // no extra weight: the scale's differs

  ASSERT_TRUE(line.Send("=0015.0=0015.0="));
  ASSERT_TRUE(WaitUntil([&] { return form_->WeightEdit()->text() == "15.000"; }));
  boxes_.QueueAnswer(platform::kIdNo);
  Scan("BR10000028");  // 14 kg on entry: 1,000 g apart
  ASSERT_GE(boxes_.Count(), 2u);
  const auto shown = boxes_.Messages();
  EXPECT_NE(std::u16string::npos, shown[0].text.find(AppLanguage().Text(200028)));
  EXPECT_NE(std::u16string::npos, shown[0].text.find(AppLanguage().Text(30025)));
  EXPECT_EQ(0, StateOf("BR10000028"));
  EXPECT_EQ(std::string("fail.wav"), sounds_.back());

  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdYes);
  Scan("BR10000028");
  ASSERT_TRUE(RowsBecome(2));
  EXPECT_EQ(u"15.000", page_.grid->CellText(1, 6));
  EXPECT_EQ(1, StateOf("BR10000028"));

  form_->WeighingCheck()->click();
  EXPECT_EQ("0.00", form_->WeightEdit()->text());
  EXPECT_TRUE(form_->WeightEdit()->isReadOnly());
}

// The master air waybill pick lists the unsent waybills and returns their
// internal numbers; all three are handed over, the one without a transfer
// number and the one whose transfer number is shared included.
TEST_F(HandOverDesk, MasterAwbSendGoesByInternalNumbers) {
  std::vector<std::u16string> list;
  ASSERT_TRUE(ListMasterAwbsWithUnsent(app_.Link(), QDate::currentDate().addDays(-30), list));
  ASSERT_EQ(std::vector<std::u16string>{u"999-13572468"}, list);
  CSendMasterPickDlg pick(&app_, list, form_);
  pick.InitDialog();
  EXPECT_TRUE(list.empty());
  pick.AwbList()->setCurrentRow(0);
  pick.OnPickAwb();
  ASSERT_EQ(3, pick.Grid()->RowCount());
  EXPECT_EQ(u"", pick.Grid()->CellText(1, 1));  // BR13000002 has no transfer number
  pick.resize(820, 420);
  SaveScreenshot(pick, "handover_master_pick");

  // No: nothing to send.
  boxes_.QueueAnswer(platform::kIdNo);
  pick.OnOK();
  EXPECT_TRUE(list.empty());
  boxes_.QueueAnswer(platform::kIdYes);
  pick.OnOK();
  ASSERT_EQ((std::vector<std::u16string>{u"BR13000001", u"BR13000002", u"BR13000003"}), list);

  QTest::mouseClick(form_->StarLabel(), Qt::LeftButton);  // transfer numbers before
  form_->SendMasterAwbNumbers(list);
  EXPECT_EQ(1, form_->NumberMode());
  ASSERT_TRUE(RowsBecome(3)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
  for (const char* number : {"BR13000001", "BR13000002", "BR13000003"}) EXPECT_EQ(1, StateOf(number)) << number;

  // Everything sent: the pick lists none of them any more.
  list = {u"999-13572468"};
  CSendMasterPickDlg again(&app_, list, form_);
  again.InitDialog();
  again.AwbList()->setCurrentRow(0);
  again.OnPickAwb();
  EXPECT_EQ(0, again.Grid()->RowCount());
  std::u16string label = AppLanguage().Text(210004);
  ReplaceAllW(label, u"%1", u"999-13572468");
  ReplaceAllW(label, u"%2", u"3");
  ReplaceAllW(label, u"%3", u"0");
  EXPECT_EQ(label, platform::FromQString(again.CountLabel()->text()));
}

// The query dialog asks the form with WM_SEND_RECORD; success removes the
// row, a refusal colours it and keeps the reason; a refused row is not sent
// again.
TEST_F(HandOverDesk, QueryDialogSendsRecordsThroughTheForm) {
  CSendRecordQueryDlg dlg(&app_, 0, form_);
  dlg.sendForm = form_;
  dlg.InitDialog();
  dlg.DateFromEdit()->clear();
  dlg.DateToEdit()->clear();
  QTest::mouseClick(dlg.QueryButton(), Qt::LeftButton);
  const int unsent = dlg.Grid()->RowCount();
  ASSERT_GE(unsent, 8);
  const int hold = dlg.Grid()->FindRowById(IdOf("BR10000036"));
  const int ready = dlg.Grid()->FindRowById(IdOf("BR10000040"));
  ASSERT_GE(hold, 0);
  ASSERT_GE(ready, 0);

  dlg.Grid()->SetRowSelected(ready, true, true);
  dlg.OnRowDoubleClick();
  EXPECT_EQ(unsent - 1, dlg.Grid()->RowCount());
  EXPECT_EQ(-1, dlg.Grid()->FindRowById(IdOf("BR10000040")));
  ASSERT_TRUE(RowsBecome(1));

  const int holdRow = dlg.Grid()->FindRowById(IdOf("BR10000036"));
  dlg.Grid()->SetRowSelected(holdRow, true, true);
  dlg.OnRowDoubleClick();
  EXPECT_EQ(unsent - 1, dlg.Grid()->RowCount());
  EXPECT_EQ(AppLanguage().Text(200022), dlg.Grid()->CellText(holdRow, 9));
  EXPECT_EQ(GridRgb(255, 0, 0), dlg.Grid()->Model().RowData(holdRow)->textColor);
  EXPECT_EQ(0u, boxes_.Count());  // messages off in this send

  // Double-clicking the refused row again sends nothing.
  dlg.Grid()->SetRowSelected(holdRow, true, true);
  const std::string before = form_->LastHandOverSql();
  dlg.OnRowDoubleClick();
  EXPECT_EQ(unsent - 1, dlg.Grid()->RowCount());
  dlg.resize(900, 520);
  SaveScreenshot(dlg, "handover_record_query");
}

// The batch list shows the cancel button; cancelling the batch gives every
// waybill back on the server and empties the grid.  A single cancellation
// removes its row; a refused one keeps it.
TEST_F(HandOverDesk, BatchAndSingleCancellation) {
  for (const char* number : {"BR10000024", "BR10000028", "BR10000040"}) Scan(number);
  ASSERT_TRUE(RowsBecome(3));
  EXPECT_FALSE(form_->CancelBatchButton()->isVisible());
  QTest::mouseClick(form_->ListBatchButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return form_->CancelBatchButton()->isVisible(); }));
  EXPECT_EQ(TodaysBatch(), page_.CurrentBatch());
  EXPECT_EQ(3, page_.grid->RowCount());

  // One row out of the view: the cancel button goes, and so does the batch.
  page_.grid->SetRowSelected(2, true, false);
  page_.OnGridMenuCommand(1, 0);
  EXPECT_EQ(2, page_.grid->RowCount());
  EXPECT_FALSE(form_->CancelBatchButton()->isVisible());
  boxes_.Clear();
  page_.CancelBatch();
  EXPECT_EQ(AppLanguage().Text(200036), boxes_.LastText());

  // Listed again: the whole batch of three; cancel it.
  QTest::mouseClick(form_->ListBatchButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return form_->CancelBatchButton()->isVisible(); }));
  ASSERT_EQ(3, page_.grid->RowCount());
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdYes);
  QTest::mouseClick(form_->CancelBatchButton(), Qt::LeftButton);
  ASSERT_TRUE(RowsBecome(0));
  for (const char* number : {"BR10000024", "BR10000028", "BR10000040"}) {
    EXPECT_EQ(0, StateOf(number)) << number;
    EXPECT_EQ(0, BatchOf(number)) << number;
  }
  EXPECT_FALSE(form_->CancelBatchButton()->isVisible());

  // Single cancellations: one handed over now, and one sent long ago in a bag.
  Scan("BR10000024");
  ASSERT_TRUE(RowsBecome(1));
  page_.RefreshRow(1, IdOf("BR10000002"));  // handed over before, and in a bag
  ASSERT_EQ(2, page_.grid->RowCount());
  page_.grid->SetRowSelected(0, true, false);
  page_.grid->SetRowSelected(1, true, false);
  boxes_.Clear();
  page_.OnGridMenuCommand(2, 0);
  ASSERT_EQ(1, page_.grid->RowCount());
  EXPECT_EQ(u"BR10000002", page_.grid->CellText(0, 2));
  EXPECT_EQ(u"1", page_.grid->CellText(0, 0));
  EXPECT_EQ(AppLanguage().Text(200046), boxes_.LastText());
  EXPECT_EQ(0, StateOf("BR10000024"));
}

// A hand-over asks the open camera window for the parcel's photo; the send
// date query lists today's hand-overs, and a query without rows keeps the
// grid and says so.
TEST_F(HandOverDesk, CameraAndQueryBySendDate) {
  CameraWindow camera;
  host_.camera = &camera;
  Scan("BR10000024");
  ASSERT_TRUE(RowsBecome(1));
  ASSERT_TRUE(WaitUntil([&] { return camera.parcels.size() == 1; }));
  EXPECT_EQ(static_cast<qintptr>(IdOf("BR10000024")), camera.parcels[0].second);
  EXPECT_EQ(0u, camera.parcels[0].first);  // the check names no customer
  Scan("BR10000028");
  ASSERT_TRUE(RowsBecome(2));
  page_.grid->SetRowSelected(0, true, false);
  page_.OnGridMenuCommand(0, 0);  // keep the selected row only
  ASSERT_EQ(1, page_.grid->RowCount());

  const QString today = QDate::currentDate().toString("yyyy.MM.dd");
  WaybillQueryConditions conditions;
  conditions.Reset();
  conditions.dateKind = 2;
  conditions.dateFromBound = platform::FromQString(today + " 00:00:00.0");
  conditions.dateToBound = platform::FromQString(today + " 23:59:59.998");
  page_.QuerySentRecords(conditions);
  ASSERT_EQ(2, page_.grid->RowCount());
  EXPECT_EQ(u"BR10000024", page_.grid->CellText(0, 2));
  EXPECT_EQ(u"2", page_.grid->CellText(1, 0));

  boxes_.Clear();
  conditions.dateFromBound = u"2020.01.01 00:00:00.0";
  conditions.dateToBound = u"2020.01.01 23:59:59.998";
  page_.QuerySentRecords(conditions);
  EXPECT_EQ(AppLanguage().Text(20005), boxes_.LastText());
  EXPECT_EQ(2, page_.grid->RowCount());
}

// Keys of the form: Enter and Down move on, Up moves back, Esc does nothing.
TEST_F(HandOverDesk, FormKeys) {
  form_->BatchEdit()->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return form_->BatchEdit()->hasFocus(); }));
  QTest::keyClick(form_->BatchEdit(), Qt::Key_Return);
  EXPECT_FALSE(form_->BatchEdit()->hasFocus());
  QWidget* next = QApplication::focusWidget();
  QTest::keyClick(next, Qt::Key_Up);
  EXPECT_TRUE(form_->BatchEdit()->hasFocus());
  QTest::keyClick(form_->BatchEdit(), Qt::Key_Down);
  EXPECT_EQ(next, QApplication::focusWidget());
  QTest::keyClick(form_->BatchEdit(), Qt::Key_Escape);
  EXPECT_TRUE(page_.isVisible());
  // Without a next carrier nothing is sent.
  form_->Reset();
  boxes_.Clear();
  Scan("BR10000024");
  EXPECT_EQ(AppLanguage().Text(200012), boxes_.LastText());
  EXPECT_EQ(0, StateOf("BR10000024"));
}

// A waybill without a cost is priced by the carrier (plus the carrier's
// extra fee) and handed over with the priced procedure; when the carrier
// has no price for it, the hand-over falls back to the sale price on record.
TEST_F(HandOverDesk, CarrierPriceAndItsFallback) {
  ASSERT_TRUE(testsupport::ExecOnDatabase(
      server_->Database(),
      "UPDATE client_rec SET cemskind='UPS',fcost=0,cserviceno='1Z0000000000000032' "
      "WHERE irid=32;"
      "UPDATE client_rec SET cemskind='UPS',fcost=0,fweight=80,fweights=80,"
      "cserviceno='1Z0000000000000008' WHERE irid=8;"));
  form_->SetCarrier(app_.FindSupplier(4));
  Scan("BR10000032");
  ASSERT_TRUE(RowsBecome(1)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
  EXPECT_EQ(0u, form_->LastHandOverSql().find("{?=CALL brantle.dbo.cp_client_rec_send_scan_1("));
  // 16 kg and the carrier's 500 g; 55 + 20 x 16.5 + 6 + 1, and 88, each
  // with the extra 1.50.
  EXPECT_EQ(u"16.500", page_.grid->CellText(0, 6));
  EXPECT_EQ(u"89.50", page_.grid->CellText(0, 8));
  EXPECT_EQ(u"393.50", page_.grid->CellText(0, 9));
  EXPECT_EQ(u"2.00", page_.grid->CellText(0, 15));
  EXPECT_EQ(u"1.50", page_.grid->CellText(0, 16));

  Scan("BR10000008");  // 80 kg: beyond the carrier's price list
  ASSERT_TRUE(RowsBecome(2)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
  EXPECT_EQ(0u, form_->LastHandOverSql().find("{?=CALL brantle.dbo.cp_client_rec_send_scan_0("));
  EXPECT_EQ(u"98.00", page_.grid->CellText(1, 8));
}

// A parcel of the sample's default kind EMS is handed over to each carrier
// in use: every one of them has an EMS rate.
TEST_F(HandOverDesk, DefaultKindEmsGoesToEveryCarrier) {
  const struct {
    int32_t irid;
    const char* number;
    int32_t carrier;
  } parcels[] = {{24, "EE100000024CN", 1}, {32, "EE100000032CN", 2}, {40, "EE100000040CN", 4},
                 {12, "EE100000012CN", 5}};
  std::string sql;
  for (const auto& p : parcels)
    sql += "UPDATE client_rec SET cemskind='EMS',cnum='" + std::string(p.number) +
           "' WHERE irid=" + std::to_string(p.irid) + ";";
  ASSERT_TRUE(testsupport::ExecOnDatabase(server_->Database(), sql));
  for (const auto& p : parcels) {
    SCOPED_TRACE(p.number);
    ASSERT_NE(nullptr, app_.FindSupplier(p.carrier));
    form_->SetCarrier(app_.FindSupplier(p.carrier));
    boxes_.Clear();
    Scan(p.number);
    EXPECT_TRUE(WaitUntil([&] { return StateOf(p.number) == 1 || boxes_.Count() > 0; }));
    EXPECT_EQ(0u, boxes_.Count()) << QString::fromStdU16String(boxes_.LastText()).toStdString();
    EXPECT_EQ(1, StateOf(p.number));
    EXPECT_EQ(p.carrier, Number("SELECT isid FROM brantle.dbo.client_rec WHERE cnum='" +
                                std::string(p.number) + "'"));
  }
}

// The carrier caption opens the carrier list; the master air waybill button
// opens the pick, whose waybills are then handed over.
TEST_F(HandOverDesk, CarrierChoiceAndMasterAwbButton) {
  form_->Reset();
  const ReferenceDictionaries& d = app_.dictionaries;
  ASSERT_GE(d.suppliers.size(), 2u);
  WhenModal<CListPickDlg>([](CListPickDlg* pick) {
    pick->ListBox()->setCurrentRow(1);
    pick->OnOK();
  });
  QTest::mouseClick(form_->CarrierCaptionLabel(), Qt::LeftButton);
  ASSERT_NE(nullptr, form_->Carrier());
  EXPECT_EQ(d.suppliers[1].isid, form_->Carrier()->isid);
  EXPECT_EQ(QString::fromStdU16String(d.suppliers[1].name), form_->CarrierEdit()->text());
  const QDate today = QDate::currentDate();
  EXPECT_EQ(QString::fromStdU16String(MakeHandOverBatchText(today.year(), today.month(), today.day(),
                                                            d.suppliers[1].nbatch)),
            form_->BatchEdit()->text());

  form_->SetCarrier(app_.FindSupplier(1));
  WhenModal<CSendMasterPickDlg>([this](CSendMasterPickDlg* pick) {
    pick->AwbList()->setCurrentRow(0);
    pick->OnPickAwb();
    boxes_.QueueAnswer(platform::kIdYes);
    pick->OnOK();
  });
  QTest::mouseClick(form_->MasterAwbButton(), Qt::LeftButton);
  ASSERT_TRUE(RowsBecome(3)) << QString::fromStdU16String(boxes_.LastText()).toStdString();
}

// Page 3 after three scans, in Chinese and in English.
TEST_F(HandOverDesk, ScreenshotsAfterThreeScans) {
  for (const std::string language : {"00", "01"}) {
    SCOPED_TRACE(language);
    if (language == "01") {
      ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
      // A page built in the other language.
      auto page = std::make_unique<CSendScanPage>();
      page->host = &host_;
      page->CreatePageWindow(nullptr, QSize(1280, 760));
      page->OnPageCreated();
      page_.hide();
      form_ = page->Form();
      form_->printWaybill = [](int32_t) { return 1; };
      form_->printInvoice = [](int32_t, int) { return 1; };
      form_->SetCarrier(app_.FindSupplier(1));
      page->resize(1280, 760);
      page->show();
      for (const char* number : {"BR10000032", "BR10000008", "BR10000004"}) {
        form_->NumberEdit()->setFocus();
        form_->NumberEdit()->clear();
        QTest::keyClicks(form_->NumberEdit(), number);
        QTest::keyClick(form_->NumberEdit(), Qt::Key_Return);
      }
      ASSERT_TRUE(WaitUntil([&] { return page->grid->RowCount() == 3; }));
      SaveScreenshot(*page, "handover_page_en");
      continue;
    }
    for (const char* number : {"BR10000024", "BR10000028", "BR10000040"}) Scan(number);
    ASSERT_TRUE(RowsBecome(3));
    SaveScreenshot(page_, "handover_page_zh");
  }
}

}  // namespace
