// Steps 1 to 3 of the road: the entry desks.
//
// 1. Page 0, the quick entry form: the express kind picked from its list,
//    the customer taken from the suggestion popup, two pieces, the
//    destination, a receiver in Chinese, two goods lines in the goods
//    dialog, the weight from the scale, Enter on the last slot saves.  The
//    camera window (opened from the menu) photographs the parcel at
//    position 1; the JPEG is on the stand-in.
// 2. The waybill's label and channel waybill printed from page 0 to the
//    road's queue; the waybill number is read back by zxing-cpp from the
//    rasterised PDF files.
// 3. Page 15, the streamlined form: a three-piece waybill of another
//    customer; page 0 again: one more waybill that no one bags (step 7
//    hands it over), and a workbook of 20 rows imported.

#include "tests/road/RoadDepot.h"
#include "tests/road/RoadSteps.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <QDialog>
#include <QImage>

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "entry/GoodsListDlg.h"
#include "entry/QuickEntryDlg.h"
#include "entry/QuickEntryPage.h"
#include "localserver/Database.h"
#include "platform/MessageBox.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/CaptureDlg.h"
#include "shell/MainFrame.h"
#include "tests/PrivateCups.h"
#include "tests/devices/FakeFrameSource.h"
#include "tests/server/StandInServer.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"
#include "ui/PrintConfirmDlg.h"
#include "ui/SuggestPopup.h"

namespace fs = std::filesystem;

namespace {

// The road's entry waybills: numbers of their own block.
constexpr const char* kQuickNumber = "BR54000001";
constexpr const char* kUnbaggedNumber = "BR54000002";

std::string Utf8(const QString& text) { return text.toStdString(); }

std::string Messages(RoadDepot& depot) {
  std::string text;
  for (const auto& shown : depot.Boxes().Messages())
    text += " [" + QString::fromStdU16String(shown.text).toStdString() + "]";
  return text.empty() ? " (no messages)" : text;
}

// The express kind picked from the kind caption's list by its code.
void PickKind(RoadDepot& depot, CQuickEntryDlg& form, const QString& code) {
  bool picked = false;
  depot.WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<CListPickDlg*>(modal);
    if (dialog == nullptr) return false;
    depot.Click(dialog->QuickLocateEdit());
    depot.Keys(code);
    const QList<QListWidgetItem*> found = dialog->ListBox()->findItems(code, Qt::MatchExactly);
    if (!found.isEmpty()) {
      dialog->ListBox()->setCurrentItem(found.front());
      const QRect cell = dialog->ListBox()->visualItemRect(found.front());
      QTest::mouseClick(dialog->ListBox()->viewport(), Qt::LeftButton, {}, cell.center());
      depot.Shot("express-kind-list");
      picked = true;
    }
    depot.Click(picked ? dialog->OkButton() : dialog->CancelButton());
    return true;
  });
  depot.Click(form.KindLabel());
  ASSERT_TRUE(picked) << "the kind " << Utf8(code) << " is not in the kind list";
  ASSERT_NE(nullptr, form.Kind());
  ASSERT_EQ(code.toStdU16String(), form.Kind()->wideCode);
}

// The customer typed, the popup's first suggestion taken with Enter.
void TypeCustomer(RoadDepot& depot, CQuickEntryDlg& form, const QString& typed, int32_t id,
                  const char* shot) {
  depot.Click(form.CustomerEdit());
  depot.Keys(typed);
  ASSERT_TRUE(depot.Wait([&] { return form.ClientPopup()->isVisible(); }))
      << "no suggestions for " << Utf8(typed);
  depot.Shot(shot);
  depot.Key(Qt::Key_Return);
  ASSERT_EQ(id, form.Entry().customerId);
}

// The slot of a field kind: typed into (the slot's text replaced) and left
// with Enter.
void TypeSlot(RoadDepot& depot, CQuickEntryDlg& form, int kind, const QString& text) {
  const int slot = form.SlotOfKind(kind);
  ASSERT_GE(slot, 0) << "the kind shows no field " << kind;
  ASSERT_EQ(form.SlotEdit(slot), depot.Focus()) << "the focus is not on field " << kind;
  depot.Keys(text);
  depot.Key(Qt::Key_Return);
}

}  // namespace

void RoadEntrySamples(localserver::Database&) {}

void RoadQuickEntry(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  auto* page = depot.OpenPageAs<CQuickEntryPage>(0);
  ASSERT_NE(nullptr, page);
  CQuickEntryDlg& form = *page->Form();

  // The camera window, from the menu; the operator goes on in the main window.
  depot.Command(kCmdCaptureWindow);
  auto* camera = dynamic_cast<CCaptureDlg*>(depot.MainWindow()->CaptureWindow());
  ASSERT_NE(nullptr, camera);
  ASSERT_TRUE(depot.Wait([&] { return camera->isVisible(); }));
  ASSERT_EQ(QStringLiteral("1"), camera->PositionEdit()->text());
  ASSERT_NE(nullptr, depot.Camera());

  PickKind(depot, form, QStringLiteral("ZIZ国际"));
  ASSERT_NO_FATAL_FAILURE(
      TypeCustomer(depot, form, QStringLiteral("深圳华南"), 1, "customer-suggestions"));
  // Two pieces: the count beside the customer.
  depot.Click(form.CountEdit());
  form.CountEdit()->selectAll();
  depot.Keys(QStringLiteral("2"));

  // Two goods lines.
  bool goodsDone = false;
  depot.WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<CGoodsListDlg*>(modal);
    if (dialog == nullptr) return false;
    const struct {
      const char* name;
      const char* quantity;
      const char* price;
    } lines[] = {{"Cotton shirt", "3", "12.50"}, {"Phone case", "2", "4.00"}};
    for (const auto& line : lines) {
      depot.Click(dialog->Edit(CGoodsListDlg::kName));
      depot.Keys(QString::fromLatin1(line.name));
      depot.Click(dialog->Edit(CGoodsListDlg::kQuantity));
      dialog->Edit(CGoodsListDlg::kQuantity)->selectAll();
      depot.Keys(QString::fromLatin1(line.quantity));
      depot.Click(dialog->Edit(CGoodsListDlg::kPrice));
      dialog->Edit(CGoodsListDlg::kPrice)->selectAll();
      depot.Keys(QString::fromLatin1(line.price));
      depot.Click(dialog->AddButton());
    }
    depot.Shot("goods-lines");
    goodsDone = true;
    depot.Click(dialog->OkButton());
    return true;
  });
  depot.Click(form.GoodsButton());
  ASSERT_TRUE(goodsDone) << "the goods dialog did not open";
  ASSERT_EQ(2u, form.Entry().goods.size()) << Messages(depot);

  // The slots, from the first: origin, destination, number, ..., receiver.
  depot.Click(form.SlotEdit(0));
  ASSERT_NO_FATAL_FAILURE(TypeSlot(depot, form, 0, QStringLiteral("Shenzhen")));
  ASSERT_EQ(form.SlotEdit(form.SlotOfKind(1)), depot.Focus());
  depot.Keys(QStringLiteral("美国"));
  ASSERT_TRUE(depot.Wait([&] { return form.DestinationPopup()->isVisible(); }));
  depot.Shot("destination-suggestions");
  depot.Key(Qt::Key_Return);
  ASSERT_NO_FATAL_FAILURE(TypeSlot(depot, form, 2, QString::fromLatin1(kQuickNumber)));
  ASSERT_NO_FATAL_FAILURE(TypeSlot(depot, form, 3, QString()));
  // The weight: the parcels on the scale.
  ASSERT_EQ(form.SlotEdit(form.SlotOfKind(4)), depot.Focus());
  ASSERT_TRUE(depot.SendWeight(7.25));
  QLineEdit* weight = form.SlotEdit(form.SlotOfKind(4));
  ASSERT_TRUE(depot.Wait([&] { return !weight->text().isEmpty(); })) << "no reading from the scale";
  ASSERT_EQ(QStringLiteral("7.250"), weight->text());
  depot.Shot("weight-from-scale");
  depot.Key(Qt::Key_Return);
  ASSERT_NO_FATAL_FAILURE(TypeSlot(depot, form, 5, QString()));
  ASSERT_NO_FATAL_FAILURE(TypeSlot(depot, form, 6, QStringLiteral("Li Ming")));
  ASSERT_NO_FATAL_FAILURE(TypeSlot(depot, form, 7, QStringLiteral("王小红")));
  const int last = form.LastUnlockedSlot();
  const std::vector<std::pair<int, QString>> rest = {
      {8, QStringLiteral("+1 212 555 0142")}, {9, QString()}, {10, QStringLiteral("10001")},
      {11, QStringLiteral("350 Fifth Avenue")}, {12, QStringLiteral("USA")},
      {13, QStringLiteral("New York")}, {14, QStringLiteral("NY")}};
  for (const auto& [kind, text] : rest) {
    const int slot = form.SlotOfKind(kind);
    if (slot < 0 || slot >= last) continue;
    ASSERT_NO_FATAL_FAILURE(TypeSlot(depot, form, kind, text));
  }
  // The rest left empty, up to the last slot, where Enter saves.
  while (depot.Focus() != form.SlotEdit(last)) {
    ASSERT_NE(nullptr, depot.Focus());
    bool inSlots = false;
    for (int slot = 0; slot < form.ShownSlots(); ++slot)
      inSlots = inSlots || form.SlotEdit(slot) == depot.Focus();
    ASSERT_TRUE(inSlots) << "the focus left the slots";
    depot.Key(Qt::Key_Return);
  }
  depot.Shot("quick-entry-keyed");
  depot.Key(Qt::Key_Return);

  // Saved, and photographed.
  const QString stored = QString::fromLatin1(kQuickNumber) + QStringLiteral(" 已存入位置 1");
  ASSERT_TRUE(depot.Wait([&] { return camera->StatusLabel()->text() == stored; }))
      << Utf8(camera->StatusLabel()->text()) << Messages(depot);
  depot.Shot("saved-and-photographed");
  const std::string id = depot.QueryValue(std::string("SELECT irid FROM client_rec WHERE cnum='") +
                                          kQuickNumber + "'");
  ASSERT_FALSE(id.empty()) << kQuickNumber << " is not on the stand-in";

  RoadWaybill& w = ledger.quick;
  w.number = kQuickNumber;
  w.id = std::stoi(id);
  w.customer = depot.QueryValue("SELECT caccount FROM client_arc WHERE icid=1");
  w.kind = "ZIZ国际";
  w.destination = "美国";
  w.receiver = "王小红";
  w.pieces = 2;
  w.weight = 7.25;
  w.goods = {{"Cotton shirt", 3, 12.50}, {"Phone case", 2, 4.00}};
  w.pictures = 1;

  const auto row = depot.Query("SELECT icid,cemskind,cdes,creceiver,iitem,fweight,ccity,cpostcode "
                               "FROM client_rec WHERE irid=" + id);
  ASSERT_EQ(1u, row.size());
  EXPECT_EQ((std::vector<std::string>{"1", "ZIZ国际", "美国", "王小红", "2", "7.25", "New York",
                                      "10001"}),
            row[0]);
  const auto goods = depot.Query("SELECT wpos,cgoods,iquantity,fprice FROM client_rec_goods "
                                 "WHERE irid=" + id + " ORDER BY wpos");
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"0", "Cotton shirt", "3", "12.5"},
                                                   {"1", "Phone case", "2", "4.0"}}),
            goods);
  const auto picture = depot.Query("SELECT npos,ilen,length(vdata),hex(substr(vdata,1,3)) FROM "
                                   "client_rec_picc WHERE irid=" + id);
  ASSERT_EQ(1u, picture.size());
  EXPECT_EQ("1", picture[0][0]);
  EXPECT_EQ(picture[0][1], picture[0][2]) << "the stored length is the JPEG's";
  EXPECT_EQ("FFD8FF", picture[0][3]) << "a JPEG";
  ledger.pictures.push_back({w.id, 1, std::stoll(picture[0][1])});
}

namespace {

// The PDF files of the road's queue.
std::vector<fs::path> PdfFiles(RoadDepot& depot) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(depot.PdfFolder(), error))
    if (entry.path().extension() == ".pdf") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Waits for the next PDF file the queue writes after `earlier`, whole (it
// ends in %%EOF).
fs::path NextPdf(RoadDepot& depot, const std::vector<fs::path>& earlier) {
  fs::path found;
  const bool written = depot.Wait([&] {
    for (const fs::path& file : PdfFiles(depot))
      if (std::find(earlier.begin(), earlier.end(), file) == earlier.end() &&
          FileText(file).find("%%EOF") != std::string::npos) {
        found = file;
        return true;
      }
    return false;
  });
  EXPECT_TRUE(written) << "nothing came out of the queue; " << depot.Cups().ErrorLog()
                       << Messages(depot);
  return found;
}

// The Code 128 symbols zxing-cpp reads on the first page of a PDF file,
// rasterised at 200 dpi; the page is kept as the step's picture `shot`.
std::vector<std::string> ReadCode128(RoadDepot& depot, const fs::path& pdf, const char* shot) {
  const fs::path png = depot.Scratch() / (std::string(shot) + "-page");
  int status = 0;
  const std::string out = testsupport::RunCommand("pdftoppm -r 200 -png -f 1 -l 1 -singlefile '" +
                                                  pdf.string() + "' '" + png.string() + "'",
                                                  &status);
  EXPECT_EQ(0, status) << out;
  QImage page(QString::fromStdString(png.string() + ".png"));
  EXPECT_FALSE(page.isNull()) << pdf;
  if (page.isNull()) return {};
  depot.ShotImage(shot, page);
  const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::Code128);
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                              ZXing::ImageFormat::Lum, static_cast<int>(grey.bytesPerLine()));
  std::vector<std::string> read;
  for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints))
    read.emplace_back(result.bytes().begin(), result.bytes().end());
  return read;
}

// Answers the print dialogs of a page print: the confirmation with OK (its
// copies as they stand), after a picture of it.
void ConfirmPrints(RoadDepot& depot, const char* shot, bool& confirmed) {
  depot.WhenModal([&depot, shot, &confirmed](QWidget* modal) {
    auto* dialog = qobject_cast<CPrintConfirmDlg*>(modal);
    if (dialog == nullptr) {
      ADD_FAILURE() << "an unexpected dialog: " << modal->metaObject()->className() << " "
                    << Utf8(modal->windowTitle());
      depot.Shot("unexpected-dialog");
      if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
      return true;
    }
    depot.Shot(shot);
    confirmed = true;
    depot.Click(dialog->OkButton());
    return true;
  });
}

}  // namespace

void RoadEntryPrints(RoadDepot& depot) {
  const RoadWaybill& w = depot.Ledger().quick;
  ASSERT_GT(w.id, 0);
  auto* page = depot.OpenPageAs<CQuickEntryPage>(0);
  ASSERT_NE(nullptr, page);
  // The waybill's row in the page's list, selected with a click.
  const int row = page->grid->FindRowById(w.id);
  ASSERT_GE(row, 0) << "the saved waybill is not in the list";
  page->grid->clearSelection();
  const QRect cell = page->grid->visualRect(page->grid->model()->index(row, 4));
  depot.ActivateWindowOf(page->grid);
  QTest::mouseClick(page->grid->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_TRUE(page->grid->IsRowSelected(row));

  // The label: the sheet question answered Yes, the confirmation OK.
  std::vector<fs::path> earlier = PdfFiles(depot);
  depot.Boxes().Clear();
  depot.Boxes().QueueAnswer(platform::kIdYes);
  bool confirmed = false;
  ConfirmPrints(depot, "label-print-confirmation", confirmed);
  depot.Command(32817);  // Print - label
  EXPECT_TRUE(confirmed) << Messages(depot);
  const fs::path label = NextPdf(depot, earlier);
  ASSERT_FALSE(label.empty());
  depot.Ledger().printed.push_back(label.filename().string());
  const std::vector<std::string> onLabel = ReadCode128(depot, label, "printed-label");
  EXPECT_NE(std::find(onLabel.begin(), onLabel.end(), w.number), onLabel.end())
      << "read on the label: " << testing::PrintToString(onLabel);

  // The channel waybill: one waybill selected prints at once.
  earlier = PdfFiles(depot);
  depot.Boxes().Clear();
  depot.Command(32818);  // Print - channel waybill
  const fs::path waybill = NextPdf(depot, earlier);
  ASSERT_FALSE(waybill.empty());
  depot.Ledger().printed.push_back(waybill.filename().string());
  const std::vector<std::string> onWaybill = ReadCode128(depot, waybill, "printed-waybill");
  EXPECT_NE(std::find(onWaybill.begin(), onWaybill.end(), w.number), onWaybill.end())
      << "read on the waybill: " << testing::PrintToString(onWaybill);
  EXPECT_EQ(0u, depot.Boxes().Count()) << Messages(depot);
}

void RoadStreamlinedAndImport(RoadDepot&) {}
