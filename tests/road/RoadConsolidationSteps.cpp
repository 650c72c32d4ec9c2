// Steps 4 and 5 of the road.  Page 10: a bag opened by scanning its number,
// step 1's waybill and two of step 3's workbook waybills scanned in by their
// waybill numbers (the depot's bag items are whole waybills: one scan brings
// in every piece), the running weight spoken after each, step 3's
// streamlined waybill refused for its missing address and a waybill scanned
// twice refused, each with the fail sound, in that order.  Page 11: the bag
// sealed with the weight the scale shows, scanned again with "print on
// scan" and the second label: both labels come out of the print queue and
// zxing-cpp reads the bag number from each.  Page 12: a master air waybill
// keyed with a flight taken from the flight look-up, saved, opened again
// from the list beside the form, the bag put on by its number, every piece
// in the parcel list, and the manifest exported through the office suite
// compared cell by cell with tests/road/golden/manifest.txt.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "consolidation/AwbEditorDlg.h"
#include "consolidation/AwbLoadingPage.h"
#include "consolidation/BagSealForm.h"
#include "consolidation/BagSealPage.h"
#include "consolidation/BaggingForm.h"
#include "consolidation/BaggingPage.h"
#include "devices/SoundService.h"
#include "localserver/Database.h"
#include "localserver/Wire.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "shell/BrantleClientApp.h"
#include "shell/ScaleSettingsDlg.h"
#include "tests/office/OfficeTestEnv.h"
#include "tests/road/RoadDepot.h"
#include "tests/road/RoadSteps.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/QuickSearchList.h"

namespace {

namespace fs = std::filesystem;

// The road's bag kind: numbers of 10 characters beginning "RB", a station
// bag from Beijing to Los Angeles, made by scanning its number.
constexpr char kBagFill[] =
    "# 路线装袋规则\r\n"
    "判断袋号建袋=1\r\n"
    "<装袋定义开始>\r\n"
    "RB,10,PEK,LAX,SZ,LA,,站内,普货,路线,托运RB,,,,,,\r\n"
    "<装袋定义结束>\r\n";
constexpr char kBagNumber[] = "RB54000001";
// What the scale shows with the bag on it: the parcels and the bag itself.
constexpr double kBagTare = 0.35;
constexpr int kScaleSettingsCommand = 32823;

// The master air waybill: airline 国航 (prefix 999), its flight CA983
// taken from the look-up, the first flight date keyed.
constexpr char kAirline[] = "国航";
constexpr char kAwbSerial[] = "54000011";
constexpr char kAwbNumber[] = "999-54000011";
constexpr char kFlightTyped[] = "CA9";
constexpr char kFlight[] = "CA983";
constexpr char kFlightDate[] = "2026.12.24 13:30";
constexpr char kManifestTemplate[] = "总单清单";

std::u16string T(int id) { return AppLanguage().Text(id); }
std::string U8(std::u16string_view text) { return Utf8FromWide(text); }
QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
std::u16string W(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }
std::u16string W(const QString& text) { return platform::FromQString(text); }

std::u16string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return W(buffer);
}

// A click into the box, everything in it selected and replaced by the
// text typed; Enter after it when asked.
void TypeInto(RoadDepot& depot, QLineEdit* box, const QString& text, bool enter) {
  depot.Click(box);
  depot.Key(Qt::Key_A, Qt::ControlModifier);
  if (text.isEmpty())
    depot.Key(Qt::Key_Delete);
  else
    depot.Keys(text);
  if (enter) depot.Key(Qt::Key_Return);
}

// A click opens the combo box's list; the arrow keys walk it to the entry
// and Enter takes it.
void ChooseInCombo(RoadDepot& depot, QComboBox* box, const QString& entry) {
  const int index = box->findText(entry);
  ASSERT_GE(index, 0) << entry.toStdString() << " is not offered";
  depot.Click(box);
  QAbstractItemView* list = box->view();
  ASSERT_TRUE(depot.Wait([list] { return list->isVisible(); })) << "the list did not open";
  for (int guard = 0; guard < box->count() && list->currentIndex().row() != index; ++guard)
    depot.Key(list->currentIndex().row() < index ? Qt::Key_Down : Qt::Key_Up);
  ASSERT_EQ(list->currentIndex().row(), index);
  depot.Key(Qt::Key_Return);
  ASSERT_TRUE(depot.Wait([list] { return !list->isVisible(); }));
  ASSERT_EQ(box->currentText(), entry);
  // The offscreen platform hands the activation to the closed list late;
  // on a display the form's window keeps it, with the focus in the box.
  QWidget* window = box->window();
  QApplication::processEvents();
  if (QApplication::activeWindow() != window) {
    QApplication::setActiveWindow(window);
    box->setFocus(Qt::PopupFocusReason);
  }
  ASSERT_TRUE(depot.Wait([window] { return QApplication::activeWindow() == window; }));
}

// Until no weight is being spoken.
bool Quiet(RoadDepot& depot) {
  return depot.Wait([&depot] {
    for (int slot = 0; slot < CSoundService::kSlots; ++slot)
      if (depot.App().Sounds().SlotState(slot) != CSoundService::kFree) return false;
    return true;
  });
}

// The sounds of a weight spoken whole: one per digit and point.
std::vector<std::string> Spoken(double kilograms) {
  std::vector<std::string> names;
  for (char c : SpokenWeightText(static_cast<int32_t>(std::lround(kilograms * 1000)))) names.emplace_back(1, c);
  return names;
}

// The actual weight of each piece of a waybill as the bag counts it, from
// what the stand-in holds: the piece's own weight (grams) when it has one,
// else the waybill's weight `fweights` shared by its pieces.  (The road's
// pieces have no dimensions, so no piece counts by its volume.)
std::vector<double> PieceWeights(RoadDepot& depot, const RoadWaybill& w, double& waybill) {
  const std::string id = std::to_string(w.id);
  waybill = std::stod("0" + depot.QueryValue("SELECT fweights FROM client_rec WHERE irid=" + id));
  std::vector<double> weights(static_cast<size_t>(w.pieces), waybill / w.pieces);
  for (const auto& row : depot.Query("SELECT wpos,iweight,ilong*iwidth*iheight FROM client_rec_weight_detail "
                                     "WHERE irid=" + id)) {
    const int position = std::stoi(row[0]);
    EXPECT_EQ(row[2], "0") << w.number << " piece " << position << " has dimensions";
    if (w.pieces >= 2 && position >= 1 && position <= w.pieces && std::stoi(row[1]) > 0)
      weights[static_cast<size_t>(position - 1)] = std::stoi(row[1]) / 1000.0;
  }
  return weights;
}

// The golden manifest: its cell lines ("#" lines are notes).
std::vector<std::string> GoldenCells() {
  std::vector<std::string> cells;
  std::ifstream in(fs::path(BRANTLE_SOURCE_DIR) / "tests/road/golden/manifest.txt");
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') cells.push_back(line);
  }
  return cells;
}

}  // namespace

// The bag kind the road scans; the default samples have no "Bag_Fill.txt".
void RoadConsolidationSamples(localserver::Database& db) {
  std::string bytes;
  localserver::GbkFromUtf8(kBagFill, bytes);
  localserver::Statement st(db.Handle(),
                            "INSERT INTO sys_file(cfilename,ngrade,ckind,ckey,ctitle,vdata,ddate) "
                            "VALUES('Bag_Fill.txt',255,'系统配置','','Bag_Fill.txt',?,'2026-12-01 00:00:00')");
  st.Bind(1, localserver::DbValue::OfBlob(bytes));
  st.Step();
}

// ---- step 4 ----

void RoadBagging(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  ASSERT_FALSE(ledger.quick.number.empty()) << "step 1 keyed no waybill";
  ASSERT_FALSE(ledger.streamlined.number.empty()) << "step 3 keyed no streamlined waybill";
  ASSERT_GE(ledger.imported.size(), 2u) << "step 3 imported no workbook";
  ASSERT_EQ(ledger.quick.pieces, 2);
  // Into the bag: the two pieces of step 1's waybill and the first two
  // waybills of step 3's workbook.  Step 3's streamlined waybill has no
  // receiver address (page 15 offers none), and the desk never bags a
  // waybill without one: it is refused on the way.
  const std::vector<const RoadWaybill*> bagged = {&ledger.quick, &ledger.imported[0],
                                                  &ledger.imported[1]};

  // ---- page 10: the bag opened by scanning its number ----
  auto* page = depot.OpenPageAs<CBaggingPage>(10);
  ASSERT_NE(page, nullptr);
  CBaggingDlg* form = page->Form();
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(depot.Wait([form] { return form->isVisible(); }));
  ASSERT_EQ(form->Rules().definitions.size(), 1u) << "the road's Bag_Fill.txt was not read";
  depot.Boxes().Clear();
  TypeInto(depot, form->ScanEdit(), kBagNumber, true);
  ASSERT_GT(form->BagId(), 0) << U8(depot.Boxes().LastText());
  const int32_t bagId = form->BagId();
  EXPECT_EQ(W(form->NumberEdit()->text()), W(kBagNumber));
  EXPECT_EQ(W(form->FromAirportEdit()->text()), u"PEK");
  EXPECT_EQ(W(form->ToAirportEdit()->text()), u"LAX");
  EXPECT_TRUE(form->ShareButton(1)->isChecked());  // 站内: a station bag
  EXPECT_EQ(depot.QueryValue("SELECT cxno||'|'||cfrom||'|'||cdes||'|'||nstate||'|'||nshare||'|'||cmark FROM "
                             "client_rec_xbag WHERE ixid=" + std::to_string(bagId)),
            std::string(kBagNumber) + "|PEK|LAX|0|1|路线");
  ledger.bagNumber = kBagNumber;
  ledger.notes["bag id"] = std::to_string(bagId);
  depot.Shot("bag-opened");

  // Pieces by their waybill number: a click on the caption 转单号 turns it.
  ASSERT_EQ(form->ScanNumberKind(), 0);
  depot.Click(form->ScanCaption());
  ASSERT_EQ(form->ScanNumberKind(), 1);

  // The depot's bag items are whole waybills (its setting "xbag_19"): one
  // scan of a waybill number brings in every piece of it, one row each,
  // and the bag's running weight is spoken whole.  The streamlined
  // waybill, scanned after the first, is refused for its address with the
  // fail sound.
  ASSERT_TRUE(form->PerWaybillItems());
  std::vector<std::string> expectedSounds;
  const size_t soundsBefore = depot.Sounds().size();
  double total = 0, waybillWeights = 0, keyedWeights = 0;
  int rows = 0;
  for (const RoadWaybill* w : bagged) {
    SCOPED_TRACE(w->number);
    ASSERT_TRUE(Quiet(depot));
    TypeInto(depot, form->ScanEdit(), QString::fromStdString(w->number), true);
    ASSERT_EQ(form->Grid()->RowCount(), rows + w->pieces) << U8(depot.Boxes().LastText());
    double waybill = 0;
    const std::vector<double> weights = PieceWeights(depot, *w, waybill);
    for (int p = 1; p <= w->pieces; ++p, ++rows) {
      EXPECT_EQ(U8(form->Grid()->CellText(rows, 2)), w->number);
      EXPECT_EQ(U8(form->Grid()->CellText(rows, 4)), std::to_string(p));
      total += weights[static_cast<size_t>(p - 1)];
      ledger.baggedPieces.push_back(w->number + "/" + std::to_string(p));
    }
    waybillWeights += waybill;
    keyedWeights += w->weight;
    EXPECT_TRUE(form->ScanEdit()->text().isEmpty());
    if (total >= 0.010)  // lighter is not spoken
      for (const std::string& name : Spoken(total)) expectedSounds.push_back(name);
    if (w != &ledger.quick) continue;
    depot.Shot("first-waybill-in");

    ASSERT_TRUE(Quiet(depot));
    TypeInto(depot, form->ScanEdit(), QString::fromStdString(ledger.streamlined.number), true);
    ASSERT_TRUE(depot.Wait([&depot] { return depot.Boxes().Count() == 1; }));
    EXPECT_EQ(depot.Boxes().LastText(), T(390020));
    EXPECT_EQ(form->Grid()->RowCount(), rows);
    expectedSounds.push_back("fail.wav");
    depot.Shot("no-address-refused");
    depot.Boxes().Clear();
  }
  const int pieces = rows;
  ASSERT_TRUE(Quiet(depot));
  EXPECT_EQ(depot.Boxes().Count(), 0u) << U8(depot.Boxes().LastText());
  // Weights summed: the items' actual weight and the header lines.  Step 1
  // weighed its two pieces (3.500 and 3.750 kg); the workbook's waybills
  // carry no charge weight and no piece weights, so they add nothing: the
  // bag holds 7.250 kg, spoken "7.25" after each waybill that went in.
  EXPECT_NEAR(total, 7.250, 0.0005);
  EXPECT_NEAR(waybillWeights, 0.0, 0.0005);
  const std::vector<std::string> spoken = {"7", ".", "2", "5"};
  std::vector<std::string> heard;
  for (const auto& part : {spoken, std::vector<std::string>{"fail.wav"}, spoken, spoken})
    heard.insert(heard.end(), part.begin(), part.end());
  EXPECT_EQ(expectedSounds, heard);
  const bagging::BagTotals& totals = form->Totals();
  EXPECT_NEAR(totals.actual, total, 0.0005);
  EXPECT_NEAR(totals.actualPart, total, 0.0005);
  EXPECT_EQ(W(form->WeightLine()->text()),
            FillArgsW(T(360051), {Format("%.3f", 0) + u"+" + Format("%.3f", total) + u"=" + Format("%.3f", total),
                             Format("%.3f", total),
                             Format("%.3f", waybillWeights)}));
  EXPECT_EQ(W(form->WeightLine()->text()), FillArgsW(T(360051), {u"0.000+7.250=7.250", u"7.250", u"0.000"}));

  // A waybill scanned again: the server refuses it (all its pieces are in),
  // the fail sound, the grid stays.
  TypeInto(depot, form->ScanEdit(), QString::fromStdString(ledger.quick.number), true);
  ASSERT_TRUE(depot.Wait([&depot] { return depot.Boxes().Count() == 1; }));
  EXPECT_EQ(depot.Boxes().LastText(), T(360070));
  EXPECT_EQ(form->Grid()->RowCount(), pieces);
  expectedSounds.push_back("fail.wav");
  heard.push_back("fail.wav");
  EXPECT_EQ(expectedSounds, heard);
  ASSERT_TRUE(depot.Wait([&] { return depot.Sounds().size() >= soundsBefore + expectedSounds.size(); }));
  EXPECT_EQ(std::vector<std::string>(depot.Sounds().begin() + static_cast<long>(soundsBefore), depot.Sounds().end()),
            expectedSounds);
  depot.Shot("pieces-in");

  // Every piece in the bag once, on the stand-in; nothing of the refused.
  std::vector<std::vector<std::string>> items;
  for (const RoadWaybill* w : bagged)
    for (int p = 1; p <= w->pieces; ++p) items.push_back({w->number, std::to_string(p)});
  EXPECT_EQ(depot.Query("SELECT a.cnum,e.wpos FROM client_rec_xbag_item AS e JOIN client_rec AS a ON "
                        "a.irid=e.irid WHERE e.ixid=" + std::to_string(bagId) + " ORDER BY e.rowid"),
            items);
  EXPECT_EQ(depot.QueryValue("SELECT count(*) FROM client_rec_xbag_item WHERE irid=" +
                             std::to_string(ledger.streamlined.id)),
            "0");

  // ---- page 11: sealed with the weight the scale shows ----
  auto* sealPage = depot.OpenPageAs<CBagSealPage>(11);
  ASSERT_NE(sealPage, nullptr);
  CBagSealDlg* seal = sealPage->Form();
  ASSERT_NE(seal, nullptr);
  depot.Boxes().Clear();
  TypeInto(depot, seal->NumberEdit(), QString(kBagNumber).toLower(), true);
  ASSERT_EQ(seal->BagId(), bagId) << U8(depot.Boxes().LastText());
  ASSERT_TRUE(seal->IsSealable());
  EXPECT_EQ(seal->Grid()->RowCount(), pieces);
  // The caption 重量 takes the items' weight.
  depot.Click(seal->WeightCaption());
  EXPECT_EQ(W(seal->WeightEdit()->text()), Format("%.3f", total));
  EXPECT_EQ(W(seal->WeightEdit()->text()), u"7.250");
  // The bag on the scale: the parcels (as weighed at entry) and the bag
  // itself.  Page 11 reads no scale; the operator reads it in the scale
  // settings (system menu, "read once") and keys what it shows.
  const double bagWeight = std::round((keyedWeights + kBagTare) * 1000) / 1000;
  QString reading;
  bool weighed = false;
  depot.WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<CScaleSettingsDlg*>(modal);
    if (dialog == nullptr) return false;
    depot.Click(dialog->ReadButton());
    if (depot.SendWeight(bagWeight) &&
        depot.Wait([dialog] { return !dialog->WeightField()->text().isEmpty(); })) {
      reading = dialog->WeightField()->text();
      depot.Shot("scale-reading");
    }
    weighed = true;
    depot.Click(dialog->CancelButton());
    return true;
  });
  depot.Command(kScaleSettingsCommand);
  ASSERT_TRUE(weighed) << "the scale settings did not open";
  ASSERT_EQ(W(reading), Format("%.3f", bagWeight)) << "the scale showed no weight";
  TypeInto(depot, seal->WeightEdit(), reading, false);
  depot.Shot("bag-weighed");
  depot.Key(Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(depot.Boxes().Count(), 0u) << U8(depot.Boxes().LastText());
  EXPECT_EQ(seal->BagId(), 0);
  EXPECT_EQ(depot.QueryValue("SELECT nstate||'|'||printf('%.3f',fweight)||'|'||iitem FROM client_rec_xbag WHERE ixid=" +
                             std::to_string(bagId)),
            "1|" + U8(Format("%.3f", bagWeight)) + "|" + std::to_string(pieces));
  ledger.bagWeight = bagWeight;
  ledger.notes["bag weight read on the scale"] = reading.toStdString();

  // The sealed bag scanned again with "print on scan" and the second label:
  // both labels go to the queue, each with the bag number's bar code.
  const std::vector<fs::path> before = depot.PdfFiles();
  if (!seal->SecondLabelBox()->isChecked()) depot.Click(seal->SecondLabelBox());
  if (!seal->PrintOnScanBox()->isChecked()) depot.Click(seal->PrintOnScanBox());
  TypeInto(depot, seal->NumberEdit(), kBagNumber, true);
  ASSERT_EQ(seal->BagId(), bagId);
  EXPECT_FALSE(seal->IsSealable());
  EXPECT_EQ(depot.Boxes().Count(), 0u) << U8(depot.Boxes().LastText());
  depot.Shot("bag-sealed-labels-printed");
  std::vector<fs::path> earlier = before;
  for (const char* label : {"bag-label", "seal-label"}) {
    const fs::path pdf = depot.NextPdf(earlier);
    ASSERT_FALSE(pdf.empty()) << label;
    earlier.push_back(pdf);
    EXPECT_EQ(depot.ReadBarcodes(pdf, label), std::vector<std::string>{kBagNumber}) << label;
    // The label's texts: the bag, its weight from the seal; the seal label
    // names who sealed it.
    const std::string text = RoadDepot::PdfText(pdf);
    EXPECT_NE(text.find(kBagNumber), std::string::npos) << text;
    EXPECT_NE(text.find(U8(Format("%g", bagWeight))), std::string::npos) << text;
    if (std::string(label) == "seal-label") EXPECT_NE(text.find("管理员"), std::string::npos) << text;
    ledger.notes[label] = pdf.filename().string();
  }
}

// ---- step 5 ----

void RoadMasterAwb(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  ASSERT_EQ(ledger.bagNumber, kBagNumber) << "step 4 made no bag";

  auto* page = depot.OpenPageAs<CAwbLoadingPage>(12);
  ASSERT_NE(page, nullptr);
  ASSERT_NE(page->form, nullptr);
  CAwbEditorDlg& form = *page->form;
  depot.Boxes().Clear();

  // A new master air waybill: the airline chosen with the arrow keys, the
  // number typed, the flight from the look-up's first row.
  depot.Click(form.numberEdit);
  depot.Key(Qt::Key_D, Qt::ControlModifier);
  ASSERT_NO_FATAL_FAILURE(ChooseInCombo(depot, form.airlineCombo, Q(kAirline)));
  EXPECT_EQ(W(form.prefixLabel->text()), u"999-");
  TypeInto(depot, form.numberEdit, kAwbSerial, false);
  TypeInto(depot, form.flightDateEdit, "", false);
  TypeInto(depot, form.flightEdit, kFlightTyped, false);
  ASSERT_NE(form.flightPopup, nullptr);
  ASSERT_TRUE(depot.Wait([&form] { return form.flightPopup->isVisible(); }));
  EXPECT_EQ(form.flightPopup->Rows().PickText(0), W(kFlight));
  depot.Shot("flight-look-up");
  depot.Key(Qt::Key_Return);
  EXPECT_EQ(W(form.flightEdit->text()), W(kFlight));
  EXPECT_EQ(W(form.airportEdit->text()), u"PEK/LAX");
  EXPECT_EQ(W(form.fromEdit->text()), u"北京");
  EXPECT_EQ(W(form.desEdit->text()), u"洛杉矶");
  EXPECT_EQ(W(form.shipperNameEdit->text()), u"ZIZ货运");
  EXPECT_TRUE(form.flightDateEdit->text().endsWith(" 13:30")) << form.flightDateEdit->text().toStdString();
  // The flight leaves on the day keyed.
  TypeInto(depot, form.flightDateEdit, kFlightDate, false);
  depot.Shot("awb-keyed");
  depot.Key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(depot.Boxes().Count(), 0u) << U8(depot.Boxes().LastText());
  EXPECT_EQ(W(form.numberEdit->text()), u"") << "a save empties the form";
  EXPECT_EQ(depot.QueryValue("SELECT cairline||'|'||cflightno||'|'||cairport||'|'||substr(dfdate,1,16)||'|'||nstate "
                             "FROM client_rec_pack WHERE cawb='" + std::string(kAwbNumber) + "'"),
            "国航|CA983|PEK/LAX|2026-12-24 13:30|0");
  ledger.masterAwb = kAwbNumber;
  ledger.flight = kFlight;
  ledger.notes["flight date"] = "2026-12-24 13:30";
  ledger.notes["airline"] = kAirline;

  // The saved master air waybill opened again from the list beside the form.
  CListGrid* pane = page->quickList->grid;
  int paneRow = -1;
  for (int r = 0; r < pane->RowCount(); ++r)
    if (U8(pane->CellText(r, 0)).find(kAwbNumber) != std::string::npos) paneRow = r;
  ASSERT_GE(paneRow, 0) << "the saved master air waybill is not in the list";
  pane->scrollTo(pane->model()->index(paneRow, 0));
  {
    const QRect cell = pane->visualRect(pane->model()->index(paneRow, 0));
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    ASSERT_EQ(pane->SelectedRows(), std::vector<int>{paneRow});
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  }
  ASSERT_TRUE(depot.Wait([&form] { return form.numberEdit->isReadOnly(); }));
  EXPECT_EQ(W(form.prefixLabel->text()) + W(form.numberEdit->text()), W(kAwbNumber));

  // The sealed bag put on by its number: the ok sound, one bag row, every
  // piece in the parcel list.
  const size_t soundsBefore = depot.Sounds().size();
  TypeInto(depot, form.bagNumberEdit, QString(kBagNumber).toLower(), true);
  ASSERT_EQ(form.bagList->RowCount(), 1) << U8(depot.Boxes().LastText());
  EXPECT_EQ(U8(form.bagList->CellText(0, 0)), kBagNumber);
  EXPECT_EQ(U8(form.bagList->CellText(0, 1)), "PEK->LAX");
  EXPECT_EQ(U8(form.bagList->CellText(0, 2)), std::to_string(ledger.baggedPieces.size()));
  EXPECT_EQ(form.bagList->CellText(0, 3), Format("%.3f", ledger.bagWeight));
  ASSERT_TRUE(depot.Wait([&] { return depot.Sounds().size() > soundsBefore; }));
  EXPECT_EQ(depot.Sounds()[soundsBefore], "ok.wav");
  std::set<std::string> listed;
  // A piece's chargeable weight is its own weight when it was weighed
  // (step 1's two pieces: 3.500 and 3.750 kg), else its share of its
  // waybill's charge weight (the workbook's waybills have none: 0.000).
  std::map<std::string, std::string> charged;
  for (int r = 0; r < form.parcelList->RowCount(); ++r) {
    EXPECT_EQ(U8(form.parcelList->CellText(r, 23)), kBagNumber);
    const std::string piece =
        U8(form.parcelList->CellText(r, 2)) + "/" + U8(form.parcelList->CellText(r, 9));
    listed.insert(piece);
    charged[piece] = U8(form.parcelList->CellText(r, 12));
  }
  EXPECT_EQ(charged, (std::map<std::string, std::string>{{"BR54000001/1", "3.500"},
                                                         {"BR54000001/2", "3.750"},
                                                         {"BR54100001/1", "0.000"},
                                                         {"BR54100002/1", "0.000"}}));
  EXPECT_EQ(listed, std::set<std::string>(ledger.baggedPieces.begin(), ledger.baggedPieces.end()));
  EXPECT_EQ(form.parcelList->RowCount(), static_cast<int>(ledger.baggedPieces.size()));
  const std::u16string pieces = W(QString::number(ledger.baggedPieces.size()));
  EXPECT_EQ(W(form.bagHeading->text()), FillArgsW(T(410067), {u"1", pieces, Format("%.3f", ledger.bagWeight)}));
  // The parcels' chargeable weights summed: 3.500 + 3.750 + 0 + 0.
  EXPECT_EQ(W(form.parcelHeading->text()), FillArgsW(T(410068), {pieces, u"1", u"7.250"}));
  EXPECT_EQ(depot.QueryValue("SELECT nstate||'|'||cawb FROM client_rec_xbag WHERE cxno='" + std::string(kBagNumber) + "'"),
            "2|" + std::string(kAwbNumber));
  depot.Shot("bag-on-awb");

  // The manifest through the office suite: the template chosen, 模板导出.
  // The template box takes a typed name.
  ASSERT_TRUE(form.templateCombo->isEditable());
  ASSERT_GE(form.templateCombo->findText(Q(kManifestTemplate)), 0);
  TypeInto(depot, form.templateCombo->lineEdit(), Q(kManifestTemplate), false);
  ASSERT_EQ(form.templateCombo->currentText(), Q(kManifestTemplate));
  ASSERT_FALSE(form.openFileCheck->isChecked());
  depot.Boxes().Clear();
  depot.Click(form.exportButton);
  ASSERT_TRUE(depot.Wait([&depot] { return depot.Boxes().Count() > 0; }));
  const fs::path book = form.lastExport.path;
  ASSERT_FALSE(book.empty()) << U8(depot.Boxes().LastText());
  EXPECT_EQ(depot.Boxes().LastText(), W("文件保存在:\r\n") + W(QString::fromStdString(book.string())));
  EXPECT_EQ(book.filename().string(), std::string(kManifestTemplate) + "_" + kAwbNumber + ".xls");
  EXPECT_EQ(book.parent_path(), fs::path(depot.Program() + "DATA_TEMP"));
  depot.Shot("manifest-exported");
  ledger.notes["manifest"] = book.string();
  ledger.notes["manifest template"] = kManifestTemplate;

  const std::vector<std::string> got = officetest::WorkbookCells(book);
  const std::vector<std::string> want = GoldenCells();
  if (got != want) {
    // What came out, beside the screenshots, for a look.
    std::ofstream out(RoadDepot::ShotFolder() / "manifest.got.txt", std::ios::binary | std::ios::trunc);
    for (const std::string& line : got) out << line << "\n";
  }
  ASSERT_FALSE(want.empty());
  // Cell by cell, so that a difference names its cell.
  for (size_t k = 0; k < std::max(got.size(), want.size()); ++k)
    EXPECT_EQ(k < got.size() ? got[k] : "(none)", k < want.size() ? want[k] : "(none)") << "cell line " << k + 1;
}
