// Steps 6 and 7 of the road.
//
// 6. Page 14: the master air waybill of step 5 found through F4, its state
//    set in the status panel and a transit step saved in the transit editor.
//    Page 7 imports a tracking event for the step 1 waybill from a workbook
//    the test writes through the office suite, page 6 its transfer number
//    from another; page 8 shows both in the waybill's detail.
// 7. The waybill no bag took is handed over by scan on page 3 and its
//    next-carrier waybill comes out of the PDF queue; zxing-cpp reads its
//    number from the rasterised page.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/FieldCheck.h"
#include "common/TextCodec.h"
#include "consolidation/AwbListPage.h"
#include "consolidation/AwbStatusDlg.h"
#include "consolidation/AwbTransitDlg.h"
#include "import/BatchImportPage.h"
#include "import/ImportPanel.h"
#include "import/TransferNoImportPage.h"
#include "office/ExcelSession.h"
#include "refdata/Dictionaries.h"
#include "shell/CaptureDlg.h"
#include "shell/MainFrame.h"
#include "shipping/HandOverForm.h"
#include "shipping/RecordViewDlg.h"
#include "shipping/RecordViewPage.h"
#include "shipping/SendScanPage.h"
#include "tests/QtTestSupport.h"
#include "tests/road/RoadDepot.h"
#include "tests/road/RoadSteps.h"
#include "tests/road/RoadStepSupport.h"
#include "ui/AwbQueryDlg.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"

namespace {

namespace fs = std::filesystem;
using namespace roadsteps;

// The state page 14 gives the master air waybill: 1, audited.
constexpr int kRoadAwbState = 1;
// The frame's query command (F4).
constexpr int kQueryCommand = 32790;

// ---- page 14 ----

int AwbRow(CListGrid& grid, std::u16string_view number) {
  for (int r = 0; r < grid.RowCount(); ++r)
    if (grid.CellText(r, 0) == number) return r;
  return -1;
}

// F4 on page 14, the conditions dialog answered with the number's prefix
// and serial; the rows listed.
void QueryAwb(RoadDepot& depot, CAwbListPage& page, const std::u16string& number) {
  const size_t dash = number.find(u'-');
  const QString prefix = Q(number.substr(0, dash));
  const QString serial = Q(dash == std::u16string::npos ? u"" : number.substr(dash + 1));
  bool answered = false;
  WhenModal<CAwbQueryDlg>([&](CAwbQueryDlg& dlg) {
    dlg.dateFromBox->clear();
    dlg.dateToBox->clear();
    TypeInto(dlg.awbPrefixBox, prefix);
    TypeInto(dlg.awbSerialBox, serial);
    depot.Shot("awb-query-conditions");
    QTest::keyClick(dlg.awbSerialBox, Qt::Key_Return, Qt::ControlModifier);
    answered = true;
  });
  PressFrameKey(depot, kQueryCommand, Qt::Key_F4);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return answered && !page.Busy(); }));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return AwbRow(*page.grid, number) >= 0; }))
      << "page 14 does not list " << U8(number);
}

void DoubleClickRow(CListGrid& grid, int row, int column = 1) {
  const QModelIndex index = grid.model()->index(row, column);
  grid.scrollTo(index);
  const QPoint at = grid.visualRect(index).center();
  Click(grid.viewport(), at);
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
}

void MasterAwbStateAndTransit(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  const std::u16string awb = W(ledger.masterAwb);
  ASSERT_FALSE(awb.empty()) << "step 5 left no master air waybill";
  auto* page = dynamic_cast<CAwbListPage*>(depot.OpenPage(14));
  ASSERT_NE(page, nullptr);
  ASSERT_NE(page->statusPanel, nullptr);
  ASSERT_NO_FATAL_FAILURE(QueryAwb(depot, *page, awb));
  CListGrid& grid = *page->grid;
  CAwbStatusDlg& panel = *page->statusPanel;
  // The flight keyed on page 12 stands in the row.
  if (!ledger.flight.empty()) EXPECT_EQ(grid.CellText(AwbRow(grid, awb), 6), W(ledger.flight));

  // The state: picked with the keys in the status panel, saved.
  DoubleClickRow(grid, AwbRow(grid, awb));
  ASSERT_EQ(U(panel.numberEdit->text()), awb);
  const int before = panel.stateBox->currentIndex();
  ASSERT_EQ(before, 0) << "a new master air waybill is not audited";
  panel.stateBox->setFocus();
  QTest::keyClick(panel.stateBox, Qt::Key_Down);
  ASSERT_EQ(panel.stateBox->currentIndex(), kRoadAwbState);
  depot.Shot("awb-state-chosen");
  Click(panel.saveStateButton);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return panel.numberEdit->text().isEmpty(); }));
  const int row = AwbRow(grid, awb);
  EXPECT_EQ(grid.CellText(row, 9), panel.stateBox->itemText(kRoadAwbState).toStdU16String());
  ledger.notes["awb-state"] = std::to_string(kRoadAwbState);

  // The transit editor: step "1." stamped by its label, its texts keyed,
  // Ctrl+S.
  DoubleClickRow(grid, AwbRow(grid, awb));
  struct {
    std::u16string date, detail, detailEnglish, place, placeEnglish;
  } step;
  bool saved = false;
  WhenModal<CAwbTransitDlg>([&](CAwbTransitDlg& dlg) {
    EXPECT_EQ(U(dlg.numberEdit->text()), awb);
    EXPECT_EQ(dlg.stateBox->currentIndex(), kRoadAwbState);
    // A click on "1." stamps the minute (and offers the common prompts
    // when there are some: the first is taken, the texts are keyed over).
    AnswerPromptsWithFirst(&dlg);
    Click(dlg.stepLabels[0]);
    step.date = U(dlg.dateEdits[0]->text());
    EXPECT_EQ(step.date.size(), 16u) << U8(step.date);
    step.detail = u"已起飞";
    step.detailEnglish = u"Departed";
    step.place = u"上海浦东";
    step.placeEnglish = u"Shanghai";
    TypeInto(dlg.detailEdits[0], Q(step.detail));
    TypeInto(dlg.detailEnglishEdits[0], Q(step.detailEnglish));
    TypeInto(dlg.placeEdits[0], Q(step.place));
    TypeInto(dlg.placeEnglishEdits[0], Q(step.placeEnglish));
    depot.Shot("awb-transit-step");
    QTest::keyClick(dlg.placeEnglishEdits[0], Qt::Key_S, Qt::ControlModifier);
    saved = !dlg.isVisible();
  });
  Click(panel.transitButton);
  ASSERT_TRUE(saved) << "the transit editor stayed open";
  ledger.notes["awb-step1-date"] = U8(step.date);
  ledger.notes["awb-step1-detail"] = U8(step.detail);
  ledger.notes["awb-step1-detail-en"] = U8(step.detailEnglish);
  ledger.notes["awb-step1-place"] = U8(step.place);
  ledger.notes["awb-step1-place-en"] = U8(step.placeEnglish);
  depot.Shot("awb-list-after-transit");
}

// ---- pages 7 and 6 ----

// A workbook of one sheet written through the office suite: the captions
// in row 1, the rows below.
std::u16string Workbook(RoadDepot& depot, const char* name, const std::vector<std::u16string>& captions,
                        const std::vector<std::vector<std::u16string>>& rows) {
  const fs::path folder = depot.Scratch();
  fs::create_directories(folder);
  const std::u16string path = (folder / name).u16string();
  CExcelSession book;
  book.SetOverwriteQuestion(false);
  EXPECT_EQ(1, book.CreateWorkbook({}, path, {}, false)) << U8(book.LastError());
  for (size_t c = 0; c < captions.size(); ++c) book.SetCellText(1, static_cast<int>(c) + 1, captions[c]);
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      if (!rows[r][c].empty()) book.SetCellText(static_cast<int>(r) + 2, static_cast<int>(c) + 1, rows[r][c]);
  EXPECT_EQ(1, book.SaveAndClose()) << U8(book.LastError());
  return path;
}

// Clicks the panel's import button and answers the file dialog with the
// workbook's name typed into its name box; waits for `done`.
void ImportWorkbook(RoadDepot& depot, CImportPanelDlg& panel, const std::u16string& path,
                    const std::function<bool()>& done) {
  bool answered = false;
  WhenModal<QFileDialog>([&](QFileDialog& dialog) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    const fs::path file(path);
    dialog.setDirectory(Q(file.parent_path().u16string()));
    name->setCompleter(nullptr);
    name->setFocus();
    TypeInto(name, Q(file.filename().u16string()));
    depot.Shot("import-file-chosen");
    QTest::keyClick(name, Qt::Key_Return);
    answered = true;
  });
  Click(panel.ImportButton());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return answered && done(); }, 240000))
      << "the import did not end: " << U8(LastMessage(depot));
}

void TrackingEventImport(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  const std::u16string number = W(ledger.quick.number);
  ASSERT_FALSE(number.empty()) << "step 1 left no waybill";
  auto* page = dynamic_cast<CTrackImportPage*>(depot.OpenPage(7));
  ASSERT_NE(page, nullptr);
  CTrackImportDlg& panel = *page->Form();
  const std::u16string date =
      QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdU16String() + u" 08:30";
  const std::u16string place = u"Frankfurt";
  const std::u16string text = u"到达转运中心 Arrived at the hub";
  // The place is the panel's default, the sheet gives the rest; the event
  // goes to the positions 200-255, where it is the waybill's latest.
  Click(panel.PositionButton(2));
  ASSERT_TRUE(panel.PositionButton(2)->isChecked());
  TypeInto(panel.PlaceEdit(), Q(place));
  const std::u16string book = Workbook(depot, "road-track.xlsx", {u"运单号", u"日期时间", u"服务地点", u"详细信息"},
                                       {{number, date, u"", text}});
  const int rowsBefore = page->grid->RowCount();
  ASSERT_NO_FATAL_FAILURE(
      ImportWorkbook(depot, panel, book, [&] { return page->grid->RowCount() > rowsBefore; }));
  const int row = page->grid->RowCount() - 1;
  EXPECT_EQ(page->grid->CellText(row, 3), number);
  EXPECT_EQ(page->grid->CellText(row, 4), date);
  EXPECT_EQ(page->grid->CellText(row, 5), place);
  EXPECT_EQ(page->grid->CellText(row, 6), text);
  // The result column gives the position the server chose.
  const int position = std::stoi(U8(page->grid->CellText(row, 2)));
  EXPECT_GE(position, 200);
  EXPECT_LE(position, 255);
  ledger.trackingEvents.push_back({U8(number), U8(date), U8(place), U8(text)});
  depot.Shot("tracking-event-imported");
}

void TransferNumberImport(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  const std::u16string number = W(ledger.quick.number);
  auto* page = dynamic_cast<CTransferNoImportPage*>(depot.OpenPage(6));
  ASSERT_NE(page, nullptr);
  const std::u16string transfer = u"RT" + number;
  const std::u16string book =
      Workbook(depot, "road-transfer.xlsx", {u"运单号", u"换单号"}, {{number, transfer}});
  const int rowsBefore = page->grid->RowCount();
  ASSERT_NO_FATAL_FAILURE(
      ImportWorkbook(depot, *page->Form(), book, [&] { return page->grid->RowCount() > rowsBefore; }));
  const int row = page->grid->RowCount() - 1;
  EXPECT_EQ(page->grid->CellText(row, 3), number);
  EXPECT_EQ(page->grid->CellText(row, 4), transfer);
  ledger.transferNumber = U8(transfer);
  ledger.notes["transfer-waybill"] = U8(number);
  ledger.quick.stored["cserviceno"] = U8(transfer);
  depot.Shot("transfer-number-imported");
}

void WaybillDetailShowsBoth(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  const QString number = Q(W(ledger.quick.number));
  auto* page = dynamic_cast<CRecordViewPage*>(depot.OpenPage(8));
  ASSERT_NE(page, nullptr);
  ASSERT_NE(page->view, nullptr);
  CRecordViewDlg& view = *page->view;
  TypeInto(view.numberBoxes[0], number);
  QTest::keyClick(view.numberBoxes[0], Qt::Key_Return);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return view.irid == ledger.quick.id; }))
      << U8(LastMessage(depot));
  EXPECT_EQ(view.numberBoxes[0]->text(), number);
  // The transfer number in its box; the imported event as the latest
  // tracking line of the document.
  EXPECT_EQ(view.numberBoxes[1]->text(), QString::fromStdString(ledger.transferNumber));
  const QString right = view.rightPane->toPlainText();
  const RoadTrackingEvent& event = ledger.trackingEvents.back();
  for (const std::string& part : {event.when, event.place, event.text})
    EXPECT_TRUE(right.contains(QString::fromStdString(part))) << part << " not in\n" << right.toStdString();
  depot.Shot("waybill-detail");
}

}  // namespace

void RoadTrackingSamples(localserver::Database&) {}  // the sample set serves

void RoadTracking(RoadDepot& depot) {
  ASSERT_NO_FATAL_FAILURE(MasterAwbStateAndTransit(depot));
  ASSERT_NO_FATAL_FAILURE(TrackingEventImport(depot));
  ASSERT_NO_FATAL_FAILURE(TransferNumberImport(depot));
  ASSERT_NO_FATAL_FAILURE(WaybillDetailShowsBoth(depot));
}

void RoadHandOver(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  const std::u16string number = W(ledger.unbagged.number);
  ASSERT_FALSE(number.empty()) << "no waybill was left out of the bags";
  auto* page = dynamic_cast<CSendScanPage*>(depot.OpenPage(3));
  ASSERT_NE(page, nullptr);
  CSendScanDlg& form = *page->Form();
  // The next carrier picked from the list under its caption: one that
  // carries the waybill's service kind.
  const auto carriers = depot.Query(
      "SELECT s.cname FROM ziz_sp z JOIN sp_arc s ON s.isid=z.isid JOIN client_rec c ON "
      "c.cemskind=z.cemskind WHERE c.irid=" + std::to_string(ledger.unbagged.id) + " ORDER BY z.ipos,z.isid");
  ASSERT_FALSE(carriers.empty()) << "no carrier serves the kind of " << U8(number);
  const QString carrier = QString::fromStdString(carriers[0][0]);
  bool picked = false;
  WhenModal<CListPickDlg>([&](CListPickDlg& pick) {
    const auto items = pick.ListBox()->findItems(carrier, Qt::MatchExactly);
    ASSERT_FALSE(items.isEmpty()) << carrier.toStdString();
    pick.ListBox()->setCurrentItem(items.front());
    depot.Shot("carrier-pick");
    Click(pick.OkButton());
    picked = true;
  });
  Click(form.CarrierCaptionLabel());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return picked; }));
  ASSERT_NE(form.Carrier(), nullptr);
  EXPECT_EQ(Q(form.Carrier()->name), carrier);
  // The next carrier's waybill printed, no proforma invoice; no weighing.
  if (form.WeighingCheck()->isChecked()) Click(form.WeighingCheck());
  if (!form.WaybillPrintCheck()->isChecked()) Click(form.WaybillPrintCheck());
  TypeInto(form.CopiesEdit(), QStringLiteral("0"));
  // By its internal number.
  if (form.NumberMode() != 1) Click(form.StarLabel());
  ASSERT_EQ(form.NumberMode(), 1);

  // The camera window of step 1 is still open: it photographs the parcel
  // handed over, at the position it shows.
  auto* camera = dynamic_cast<CCaptureDlg*>(depot.MainWindow()->CaptureWindow());
  const QString position =
      camera != nullptr && camera->isVisible() ? camera->PositionEdit()->text() : QString();

  const std::vector<fs::path> earlier = depot.PdfFiles();
  const int rowsBefore = page->grid->RowCount();
  const size_t boxesBefore = depot.Boxes().Count();
  TypeInto(form.NumberEdit(), Q(number));
  QTest::keyClick(form.NumberEdit(), Qt::Key_Return);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page->grid->RowCount() == rowsBefore + 1; }))
      << U8(LastMessage(depot));
  const int row = page->grid->RowCount() - 1;
  EXPECT_EQ(page->grid->CellText(row, 2), number);
  EXPECT_EQ(page->grid->GetRowId(row), ledger.unbagged.id);
  ledger.notes["handover-batch"] = U8(U(form.BatchEdit()->text()));
  ledger.notes["handover-carrier"] = std::to_string(form.Carrier()->isid);
  // Handed over: state 1, the carrier and the form's batch.
  ledger.unbagged.stored["nstate"] = "1";
  ledger.unbagged.stored["isid"] = std::to_string(form.Carrier()->isid);
  ledger.unbagged.stored["ibatch"] = std::to_string(BatchTextToId(U(form.BatchEdit()->text())));
  depot.Shot("handed-over");
  if (!position.isEmpty()) {
    // The hand-over names the parcel to the camera window by its record id.
    const QString stored = QStringLiteral("#%1 已存入位置 %2").arg(ledger.unbagged.id).arg(position);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return camera->StatusLabel()->text() == stored; }))
        << camera->StatusLabel()->text().toStdString();
    const std::string length = depot.QueryValue("SELECT ilen FROM client_rec_picc WHERE npos=" +
                                                position.toStdString() + " AND irid=" +
                                                std::to_string(ledger.unbagged.id));
    ASSERT_FALSE(length.empty()) << "no photograph of " << U8(number) << " at " << position.toStdString();
    ledger.pictures.push_back({ledger.unbagged.id, position.toInt(), std::stoll(length)});
    ++ledger.unbagged.pictures;
  }

  // The next carrier's waybill out of the queue, its Code 128 read back.
  const fs::path pdf = depot.NextPdf(earlier);
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(depot.Boxes().Count(), boxesBefore) << U8(LastMessage(depot));
  const std::vector<std::string> codes = depot.ReadBarcodes(pdf, "next-carrier-waybill");
  EXPECT_NE(std::find(codes.begin(), codes.end(), U8(number)), codes.end()) << pdf;
  ledger.nextCarrierWaybill = pdf.filename().string();
  ledger.printed.push_back(pdf.filename().string());
}
