// The scan station with key events over a local input store, a scale on a
// pseudo-terminal and page 1 as its target: weigh, print, relabel, the
// confirm step, failures, the mode of the ticks; screenshots in both
// languages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "devices/ScalePort.h"
#include "devices/ScaleReader.h"
#include "devices/SoundService.h"
#include "entry/WaybillPage.h"
#include "platform/MessageBox.h"
#include "print/LabelLayout.h"
#include "print/PrintDoors.h"
#include "refdata/RecordStores.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"
#include "tests/devices/ScaleLine.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "ui/ListGrid.h"
#include "ui/ScanStationDlg.h"
#include "ui/ViewHost.h"

namespace {

using testsupport::WaitUntil;

class Doors : public CPrintDoors {
 public:
  int PrintWaybill(int32_t id, int keep, int own, int copies, std::u16string_view) override {
    calls.push_back({id, keep, own, copies});
    return failing ? 0 : 1;
  }
  int PrintLabels(std::vector<int32_t>&, int, int, int&, int&, int, int) override { return 0; }
  int PrintProformaInvoice(int32_t, int, int, int) override { return 0; }
  CTemplateModel* CurrentTemplate(int) override { return nullptr; }
  int ChooseTemplate(int) override { return 0; }
  CLabelLayout& LabelLayout() override { return layout; }
  void ReloadLabelLayout() override {}
  void ReloadInvoiceMap() override {}
  int InvoiceMapLoaded() override { return 0; }
  std::u16string InvoiceFolder() override { return {}; }
  int32_t FindLocalRecord(std::string_view, int) override { return 0; }
  void PlayResultSound(int) override {}

  std::vector<std::array<int32_t, 4>> calls;
  bool failing = false;
  CLabelLayout layout;
};

class ScreenHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1600, 900); }
};

struct Sample {
  const char* number;
  const char* transfer;
  double weight;
};
const Sample kSamples[] = {{"BR10000001", "TN10000001", 1.0},
                           {"BR10000002", "", 0.5},
                           {"BR10000003", "TN10000003", 2.0}};

class ScanStationTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(line_.Ready());
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    ASSERT_EQ(0, store_.Open(folder_ / "recinput.dat"));
    for (const Sample& s : kSamples) {
      InputWaybillRecord record{};
      std::strcpy(record.waybill.cNum, s.number);
      std::strcpy(record.waybill.cNo, s.transfer);
      record.waybill.fWeight = s.weight;
      ASSERT_GT(store_.AppendRecord(record), 0);
      ids_.push_back(record.waybill.irID);  // the store gives the id
    }
    ASSERT_EQ(1, store_.Commit());
    reader_.LoadSettings("/nonexistent-folder/", port_);
    ScaleSettings& s = reader_.settings;
    s.useFlag = 1;
    s.kind = 1;
    s.frameLength = 8;
    s.startByte = '=';
    s.SetDevicePath(line_.DevicePath());
    reader_.BuildLineSettings();
    sounds_.SetObserver([this](std::string_view name) { heard_.emplace_back(name); });

    page_.index = 1;
    page_.host = &host_;
    page_.CreatePageWindow(nullptr, QSize(1600, 900));
    page_.OnPageCreated();
    for (int r = 0; r < 3; ++r) {
      page_.grid->InsertRow(r, WideFromGbk(std::to_string(r + 1)));
      page_.grid->SetRowId(r, ids_[r]);
      page_.grid->SetCellText(r, 4, WideFromGbk(kSamples[r].number));
      page_.grid->SetCellText(r, 8, u"x");
    }
    page_.show();
  }
  void TearDown() override {
    dialog_.reset();
    TempFolderTest::TearDown();
  }
  void Open() {
    dialog_ = std::make_unique<CScanStationDlg>(store_, reader_, sounds_, &doors_);
    dialog_->target = &page_;
    dialog_->show();
    QApplication::setActiveWindow(dialog_.get());
    ASSERT_TRUE(reader_.IsOpen());
  }
  void Scan(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  void Weigh(const std::string& frame, const QString& shown) {
    ASSERT_TRUE(line_.Send(frame));
    ASSERT_TRUE(WaitUntil([&] { return dialog_->WeightEdit()->text() == shown; }));
  }
  InputWaybillRecord Stored(int index) {
    InputWaybillRecord record{};
    EXPECT_TRUE(store_.ReadRecord(index, record));
    return record;
  }
  int RowColour(int row) const {
    return static_cast<int>(page_.grid->Model().data(page_.grid->Model().index(row, 0),
                                                     Qt::ForegroundRole)
                                .value<QColor>()
                                .rgb() & 0xFFFFFF);
  }
  void Shot(const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(dialog_->grab().toImage().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") +
                                               name + ".png"));
  }

  testsupport::ScaleLine line_;
  CScalePort port_;
  CScaleReader reader_;
  CSoundService sounds_;
  std::vector<std::string> heard_;
  std::vector<int32_t> ids_;
  CWaybillRecordTable store_;
  Doors doors_;
  ScreenHost host_;
  CWaybillPage page_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scopedBoxes_{&boxes_};
  std::unique_ptr<CScanStationDlg> dialog_;
};

TEST_F(ScanStationTest, WeighAndPrintThenPrintOnlyThenWeighOnly) {
  Open();
  // Weigh and print: 1.25 kg sends 1250 grams.
  dialog_->RelabelBox()->click();
  EXPECT_EQ(11, dialog_->Station().Mode());
  Weigh("=001.25=001.25=", QStringLiteral("1.250"));
  Scan(dialog_->InnerEdit(), QStringLiteral(" br10000001 "));
  EXPECT_DOUBLE_EQ(1.25, Stored(0).waybill.fWeight);
  ASSERT_EQ(1u, doors_.calls.size());
  EXPECT_EQ((std::array<int32_t, 4>{ids_[0], 0, 0, 1}), doors_.calls[0]);
  EXPECT_EQ(u"1.250", page_.grid->CellText(0, 8));
  EXPECT_EQ(0x008000, RowColour(0));
  EXPECT_EQ(QStringLiteral("原重:1.000"), dialog_->StatusLabel()->text());
  EXPECT_EQ(QString(), dialog_->InnerEdit()->text());
  EXPECT_EQ(dialog_->InnerEdit(), QApplication::focusWidget());

  // Print only: the notification carries 0 grams, the row keeps its weight.
  dialog_->WeighBox()->click();
  EXPECT_EQ(10, dialog_->Station().Mode());
  Scan(dialog_->InnerEdit(), QStringLiteral("BR10000002"));
  ASSERT_EQ(2u, doors_.calls.size());
  EXPECT_EQ(ids_[1], doors_.calls[1][0]);
  EXPECT_DOUBLE_EQ(0.5, Stored(1).waybill.fWeight);
  EXPECT_EQ(u"x", page_.grid->CellText(1, 8));
  EXPECT_EQ(0x008000, RowColour(1));

  // Weigh only with the record's own weight: nothing written, nothing sent.
  dialog_->WeighBox()->click();
  dialog_->PrintBox()->click();
  EXPECT_EQ(1, dialog_->Station().Mode());
  Weigh("=002.00=002.00=", QStringLiteral("2.000"));
  Scan(dialog_->InnerEdit(), QStringLiteral("BR10000003"));
  EXPECT_EQ(2u, doors_.calls.size());
  EXPECT_EQ(u"x", page_.grid->CellText(2, 8));
  EXPECT_EQ(QStringLiteral("BR10000003"), dialog_->InnerEdit()->selectedText());
  // By transfer number, with a new weight.
  Weigh("=003.50=003.50=", QStringLiteral("3.500"));
  Scan(dialog_->TransferEdit(), QStringLiteral("TN10000003"));
  EXPECT_EQ(u"3.500", page_.grid->CellText(2, 8));
  EXPECT_EQ(QString(), dialog_->TransferEdit()->text());

  // The store holds the weights when it is opened again.
  dialog_.reset();
  store_.Close();
  ASSERT_EQ(3, store_.Open(folder_ / "recinput.dat"));
  EXPECT_DOUBLE_EQ(1.25, Stored(0).waybill.fWeight);
  EXPECT_DOUBLE_EQ(3.5, Stored(2).waybill.fWeight);
  EXPECT_TRUE(heard_.empty());
  EXPECT_EQ(0u, boxes_.Count());
}

TEST_F(ScanStationTest, RelabelInTwoStepsAndTheConfirmStep) {
  Open();
  EXPECT_EQ(111, dialog_->Station().Mode());
  // A transfer number before any inner number only beeps.
  Scan(dialog_->TransferEdit(), QStringLiteral("NEW0000001"));
  EXPECT_EQ((std::vector<std::string>{"tone 400 200", "tone 700 400"}), heard_);
  EXPECT_EQ(std::string("TN10000001"), Stored(0).waybill.cNo);
  EXPECT_EQ(dialog_->InnerEdit(), QApplication::focusWidget());
  heard_.clear();

  Weigh("=001.25=001.25=", QStringLiteral("1.250"));
  Scan(dialog_->InnerEdit(), QStringLiteral("BR10000001"));
  EXPECT_TRUE(dialog_->Station().HasRecordInProcess());
  EXPECT_EQ(dialog_->TransferEdit(), QApplication::focusWidget());
  EXPECT_TRUE(doors_.calls.empty());
  Scan(dialog_->TransferEdit(), QStringLiteral("new0000001"));
  EXPECT_EQ(std::string("NEW0000001"), Stored(0).waybill.cNo);
  EXPECT_DOUBLE_EQ(1.25, Stored(0).waybill.fWeight);
  ASSERT_EQ(1u, doors_.calls.size());
  EXPECT_EQ(u"1.250", page_.grid->CellText(0, 8));
  EXPECT_FALSE(dialog_->Station().HasRecordInProcess());
  EXPECT_EQ(QString(), dialog_->InnerEdit()->text());
  EXPECT_EQ(QString(), dialog_->TransferEdit()->text());

  // The confirm step: both numbers, a new transfer number and weight.
  dialog_->InnerEdit()->setText(QStringLiteral("BR10000002"));
  dialog_->TransferEdit()->setText(QStringLiteral("NEW0000002"));
  QTest::mouseClick(dialog_->ConfirmButton(), Qt::LeftButton);
  EXPECT_EQ(std::string("NEW0000002"), Stored(1).waybill.cNo);
  EXPECT_DOUBLE_EQ(1.25, Stored(1).waybill.fWeight);
  EXPECT_EQ(u"1.250", page_.grid->CellText(1, 8));
  EXPECT_EQ(2u, doors_.calls.size());

  // A confirm whose transfer number is short: weighed and printed, the
  // record's transfer number kept, a beep.
  Weigh("=004.00=004.00=", QStringLiteral("4.000"));
  dialog_->InnerEdit()->setText(QStringLiteral("BR10000003"));
  dialog_->TransferEdit()->setText(QStringLiteral("AB"));
  QTest::mouseClick(dialog_->ConfirmButton(), Qt::LeftButton);
  EXPECT_EQ(std::string("TN10000003"), Stored(2).waybill.cNo);
  EXPECT_DOUBLE_EQ(4.0, Stored(2).waybill.fWeight);
  EXPECT_EQ(3u, doors_.calls.size());
  EXPECT_EQ(u"4.000", page_.grid->CellText(2, 8));
  EXPECT_EQ((std::vector<std::string>{"tone 400 200", "tone 700 400"}), heard_);
  heard_.clear();

  // A confirm with both numbers short: the shorter beeps.
  dialog_->InnerEdit()->setText(QStringLiteral("BR1"));
  dialog_->TransferEdit()->setText(QString());
  QTest::mouseClick(dialog_->ConfirmButton(), Qt::LeftButton);
  EXPECT_EQ((std::vector<std::string>{"tone 400 300", "tone 700 400"}), heard_);

  dialog_.reset();
  store_.Close();
  ASSERT_EQ(3, store_.Open(folder_ / "recinput.dat"));
  EXPECT_EQ(std::string("NEW0000001"), Stored(0).waybill.cNo);
  EXPECT_EQ(std::string("NEW0000002"), Stored(1).waybill.cNo);
}

TEST_F(ScanStationTest, FailuresTheTicksAndTheKeysSwallowed) {
  Open();
  // Not found: two beeps, the number selected, no box.
  Scan(dialog_->InnerEdit(), QStringLiteral("XX99999999"));
  EXPECT_EQ((std::vector<std::string>{"tone 400 200", "tone 700 400"}), heard_);
  EXPECT_EQ(QStringLiteral("XX99999999"), dialog_->InnerEdit()->selectedText());
  EXPECT_EQ(0u, boxes_.Count());
  heard_.clear();
  // Under 5 characters: ignored.
  Scan(dialog_->InnerEdit(), QStringLiteral("BR10"));
  EXPECT_TRUE(heard_.empty());
  EXPECT_EQ(QString(), dialog_->StatusLabel()->text());

  // A print that fails is shown, and no notification claims it.
  dialog_->WeighBox()->click();
  dialog_->RelabelBox()->click();
  doors_.failing = true;
  Scan(dialog_->InnerEdit(), QStringLiteral("BR10000001"));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"面单未能打印。", boxes_.LastText());
  EXPECT_EQ(0xFFFFFF, static_cast<int>(page_.grid->GetRowBackColor(0)));
  EXPECT_NE(0x008000, RowColour(0));
  EXPECT_EQ(QStringLiteral("BR10000001"), dialog_->InnerEdit()->selectedText());

  // Unticking all three ticks weigh again.
  dialog_->PrintBox()->click();
  EXPECT_TRUE(dialog_->WeighBox()->isChecked());
  EXPECT_EQ(1, dialog_->Station().Mode());
  EXPECT_EQ(dialog_->InnerEdit(), QApplication::focusWidget());

  // Esc, and Enter with no focus, are swallowed.
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_TRUE(dialog_->isVisible());
  QApplication::focusWidget()->clearFocus();
  QTest::keyClick(dialog_.get(), Qt::Key_Return);
  EXPECT_TRUE(dialog_->isVisible());
  QTest::mouseClick(dialog_->CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog_->isVisible());
}

// A store write that fails: the weight and the new transfer number count as
// not taken, nobody is told, and the number stays selected to be scanned
// again.  A print in the same step still happens.
TEST_F(ScanStationTest, AFailedStoreWriteIsToldToNobody) {
  std::vector<std::pair<int32_t, int32_t>> notices;
  int commits = 0;
  int prints = 0;
  CScanStation station(store_, CScanStation::Doors{
                                   [](int, int) {},
                                   [&prints](int32_t) { return ++prints, true; },
                                   [&commits] { return ++commits, false; },
                                   [&notices](int32_t id, int32_t grams) {
                                     notices.emplace_back(id, grams);
                                   }});
  // Weigh only.
  bool weigh = true;
  station.SetOptions(weigh, false, false);
  CScanStation::Outcome out = station.InnerStep(u"br10000001", 1.25);
  EXPECT_EQ(1, commits);
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(CScanStation::Field::kInner, out.select);
  EXPECT_FALSE(out.clearInner);

  // Weigh and print: the print is made and told with 0 grams.
  station.SetOptions(weigh, true, false);
  out = station.InnerStep(u"BR10000002", 2.5);
  EXPECT_EQ(2, commits);
  EXPECT_EQ(1, prints);
  ASSERT_EQ(1u, notices.size());
  EXPECT_EQ(std::make_pair(ids_[1], 0), notices[0]);
  EXPECT_TRUE(out.clearInner);

  // Relabel in two steps: the transfer number is not taken.
  station.SetOptions(weigh, false, true);
  out = station.InnerStep(u"BR10000003", 0);
  EXPECT_EQ(CScanStation::Field::kTransfer, out.focus);
  out = station.TransferStep(u"TN20000003", 0);
  EXPECT_EQ(3, commits);
  EXPECT_EQ(1u, notices.size());
  EXPECT_EQ(CScanStation::Field::kTransfer, out.select);
  EXPECT_FALSE(out.clearTransfer);
  EXPECT_FALSE(station.HasRecordInProcess());
}

TEST_F(ScanStationTest, Screenshots) {
  for (const char* language : {"00", "01"}) {
    SCOPED_TRACE(language);
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    Open();
    Weigh("=001.25=001.25=", QStringLiteral("1.250"));
    Scan(dialog_->InnerEdit(), QStringLiteral("BR10000001"));
    QTest::keyClicks(dialog_->TransferEdit(), QStringLiteral("NEW0000009"));
    Shot(QStringLiteral("scan_station_dialog_") + (language == std::string("00") ? "zh" : "en"));
    dialog_.reset();
  }
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
}

}  // namespace
