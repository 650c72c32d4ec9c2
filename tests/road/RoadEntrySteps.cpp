// Steps 1 to 3 of the road: the entry desks.
//
// 1. Page 0, the quick entry form: the express kind picked from its list,
//    the customer taken from the suggestion popup, two pieces, the
//    destination, a receiver in Chinese, two goods lines in the goods
//    dialog, each piece weighed on the scale in the piece weights dialog,
//    the weight from the scale, Enter on the last slot saves.  The
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
#include <QFileDialog>
#include <QTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "entry/GoodsListDlg.h"
#include "entry/PieceWeightDlg.h"
#include "entry/QuickEntryDlg.h"
#include "entry/QuickEntryPage.h"
#include "entry/SimpleEntryDlg.h"
#include "import/SimpleEntryPage.h"
#include "office/ExcelSession.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
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
// The two pieces of the quick entry waybill as the scale weighs them.
constexpr double kPieceWeights[] = {3.5, 3.75};

std::string Utf8(const QString& text) { return text.toStdString(); }

std::string Messages(RoadDepot& depot) {
  std::string text;
  for (const auto& shown : depot.Boxes().Messages())
    text += " [" + QString::fromStdU16String(shown.text).toStdString() + "]";
  return text.empty() ? " (no messages)" : text;
}

// The waybill's row on the stand-in holds the values its ledger entry says
// it keeps, column by column.
void ExpectStored(RoadDepot& depot, const RoadWaybill& w) {
  std::string columns;
  for (const auto& [column, value] : w.stored) columns += (columns.empty() ? "" : ",") + column;
  const auto rows =
      depot.Query("SELECT " + columns + " FROM client_rec WHERE irid=" + std::to_string(w.id));
  ASSERT_EQ(1u, rows.size()) << w.number;
  std::map<std::string, std::string> found;
  size_t c = 0;
  for (const auto& entry : w.stored) found[entry.first] = rows[0][c++];
  EXPECT_EQ(w.stored, found) << w.number;
}

// The express kind picked from the kind caption's list by its code.
void PickKind(RoadDepot& depot, CEntryFormBase& form, const QString& code) {
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
void TypeCustomer(RoadDepot& depot, CEntryFormBase& form, const QString& typed, int32_t id,
                  const char* shot) {
  depot.Click(form.CustomerEdit());
  // What the field holds (the last waybill's customer) selected, and
  // typed over.
  depot.Key(Qt::Key_Home);
  depot.Key(Qt::Key_End, Qt::ShiftModifier);
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

  // Each piece weighed on the scale in the piece weights dialog: the
  // reading fills the piece's weight, Confirm keeps it and the next piece
  // comes up; OK keeps the last and closes.  The form's weight becomes
  // their sum, 3.500 + 3.750 = 7.250.
  bool piecesDone = false;
  depot.WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<CPieceWeightDlg*>(modal);
    if (dialog == nullptr) return false;
    QLineEdit* pieceWeight = dialog->Edit(CPieceWeightDlg::kWeight);
    const struct {
      double kilograms;
      const char* shown;
    } pieces[] = {{kPieceWeights[0], "3.500"}, {kPieceWeights[1], "3.750"}};
    for (size_t i = 0; i < std::size(pieces); ++i) {
      depot.FocusOn(pieceWeight);
      if (!depot.SendWeight(pieces[i].kilograms) ||
          !depot.Wait([&] { return pieceWeight->text() == QLatin1String(pieces[i].shown); })) {
        ADD_FAILURE() << "piece " << i + 1 << ": the scale's reading did not come: "
                      << Utf8(pieceWeight->text());
        break;
      }
      if (i + 1 < std::size(pieces)) {
        depot.Click(dialog->ConfirmButton());
        if (!depot.Wait([&] { return dialog->Grid()->RowCount() == static_cast<int>(i) + 1 &&
                                     pieceWeight->text().isEmpty(); }))
          ADD_FAILURE() << "piece " << i + 1 << " was not kept";
      }
    }
    depot.Shot("piece-weights");
    piecesDone = true;
    depot.Click(dialog->OkButton());
    return true;
  });
  depot.Click(form.PiecesButton());
  ASSERT_TRUE(piecesDone) << "the piece weights dialog did not open";
  ASSERT_EQ(2u, form.Entry().pieces.size()) << Messages(depot);
  EXPECT_EQ(3500, form.Entry().pieces[0].ixWeight);
  EXPECT_EQ(3750, form.Entry().pieces[1].ixWeight);

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
  // The camera window stays open for the day; out of the way of the pages.
  depot.MoveCameraAside();
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
  w.pieceWeights.assign(std::begin(kPieceWeights), std::end(kPieceWeights));
  w.goods = {{"Cotton shirt", 3, 12.50}, {"Phone case", 2, 4.00}};
  w.pictures = 1;

  w.stored = {{"icid", "1"},           {"cnum", kQuickNumber},
              {"cemskind", "ZIZ国际"},  {"caddrfrom", "Shenzhen"},
              {"cdes", "美国"},         {"fweight", "7.25"},
              {"iitem", "2"},           {"csender", "Li Ming"},
              {"creceiver", "王小红"},  {"cphone", "+1 212 555 0142"},
              {"cpostcode", "10001"},   {"caddr", "350 Fifth Avenue"},
              {"ccountry", "USA"},      {"ccity", "New York"},
              {"cprovince", "NY"}};
  ExpectStored(depot, w);
  const auto goods = depot.Query("SELECT wpos,cgoods,iquantity,fprice FROM client_rec_goods "
                                 "WHERE irid=" + id + " ORDER BY wpos");
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"0", "Cotton shirt", "3", "12.5"},
                                                   {"1", "Phone case", "2", "4.0"}}),
            goods);
  const auto picture = depot.Query("SELECT npos,ilen,length(vdata),hex(vdata) FROM "
                                   "client_rec_picc WHERE irid=" + id);
  ASSERT_EQ(1u, picture.size());
  EXPECT_EQ("1", picture[0][0]);
  EXPECT_EQ(picture[0][1], picture[0][2]) << "the stored length is the JPEG's";
  // The camera's frame, whole: a JPEG of the fake camera's 320 x 240.
  const QByteArray jpeg = QByteArray::fromHex(QByteArray::fromStdString(picture[0][3]));
  EXPECT_TRUE(jpeg.startsWith("\xFF\xD8\xFF")) << "not a JPEG";
  QImage photo;
  ASSERT_TRUE(photo.loadFromData(jpeg, "JPEG")) << "the stored picture does not decode";
  EXPECT_EQ(QSize(320, 240), photo.size());
  ledger.pictures.push_back({w.id, 1, std::stoll(picture[0][1])});
}

namespace {

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
  int row = -1;
  ASSERT_TRUE(depot.Wait([&] { return (row = page->grid->FindRowById(w.id)) >= 0; }))
      << "the saved waybill is not in the list";
  const QRect cell = page->grid->visualRect(page->grid->model()->index(row, 4));
  depot.ActivateWindowOf(page->grid);
  QTest::mouseClick(page->grid->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_EQ(std::vector<int>{row}, page->grid->SelectedRows()) << "the click selects that row only";

  // The label: the sheet question answered Yes, the confirmation OK.
  std::vector<fs::path> earlier = depot.PdfFiles();
  depot.Boxes().Clear();
  depot.Boxes().QueueAnswer(platform::kIdYes);
  bool confirmed = false;
  ConfirmPrints(depot, "label-print-confirmation", confirmed);
  depot.Command(32817);  // Print - label
  EXPECT_TRUE(confirmed) << Messages(depot);
  const fs::path label = depot.NextPdf(earlier);
  ASSERT_FALSE(label.empty());
  depot.Ledger().printed.push_back(label.filename().string());
  const std::vector<std::string> onLabel = depot.ReadBarcodes(label, "printed-label");
  EXPECT_EQ(std::vector<std::string>{w.number}, onLabel) << "the label's barcode";
  const std::string labelText = RoadDepot::PdfText(label);
  for (const char* part : {"单号 BR54000001", "目的地 美国", "件数/重量 2 7.250kg", "收件人 王小红"})
    EXPECT_NE(std::string::npos, labelText.find(part)) << part << " not on the label: " << labelText;

  // The channel waybill: one waybill selected prints at once.
  earlier = depot.PdfFiles();
  depot.Boxes().Clear();
  depot.Command(32818);  // Print - channel waybill
  const fs::path waybill = depot.NextPdf(earlier);
  ASSERT_FALSE(waybill.empty());
  depot.Ledger().printed.push_back(waybill.filename().string());
  const std::vector<std::string> onWaybill = depot.ReadBarcodes(waybill, "printed-waybill", true);
  ASSERT_EQ(2u, onWaybill.size()) << "the waybill's Code 128 and QR Code: "
                                  << testing::PrintToString(onWaybill);
  EXPECT_NE(std::find(onWaybill.begin(), onWaybill.end(), w.number), onWaybill.end())
      << "read on the waybill: " << testing::PrintToString(onWaybill);
  // The QR Code: the template's line "[运单号]/[目的地]/[重量]" (with its line
  // end) with the waybill's values, in GBK.
  EXPECT_NE(std::find(onWaybill.begin(), onWaybill.end(),
                      GbkFromWide(u"BR54000001/美国/7.250\r\n")),
            onWaybill.end())
      << "read on the waybill: " << testing::PrintToString(onWaybill);
  const std::string waybillText = RoadDepot::PdfText(waybill);
  for (const char* part : {"单号 No. BR54000001", "收件人 王小红", "地址 350 Fifth Avenue",
                           "电话 +1 212 555 0142", "城市 New York", "目的地 美国", "件数 2",
                           "邮编 10001", "重量 7.250kg", "物品 Cotton shirt,Phone case",
                           "申报价值 45.50"})
    EXPECT_NE(std::string::npos, waybillText.find(part))
        << part << " not on the waybill: " << waybillText;
  EXPECT_EQ(0u, depot.Boxes().Count()) << Messages(depot);
}

namespace {

constexpr const char* kStreamlinedNumber = "BR54000003";
constexpr const char* kStreamlinedPieces[] = {"SP54000031", "SP54000032", "SP54000033"};
constexpr int kImportCustomer = 3;  // 广州南方物流
constexpr int kImportRows = 20;

// The desk's import formats as the depot keeps them in the program folder:
// the format list and the column mapping of its Excel format.
void WriteImportFormats(const std::string& program) {
  const std::u16string list =
      u"<运单记录导入格式配置开始>\r\n"
      u"XLS,\"road_columns.txt\",\"按列导入\",936\r\n"
      u"<运单记录导入格式配置结束>\r\n";
  const std::u16string columns =
      u"列字段识别模式=0\r\n记录数据开始行=2\r\n<列字段对应关系定义开始>\r\n"
      u"运单号=A\r\n目的地=B\r\n网络渠道=C\r\n重量=D\r\n收件人=E\r\n收件地址=F\r\n"
      u"收件国家=G\r\n物品描述=H\r\n物品数量=I\r\n物品单价=J\r\n"
      u"<列字段对应关系定义结束>\r\n";
  std::ofstream(fs::path(program) / "input_set.txt", std::ios::binary) << GbkFromWide(list);
  std::ofstream(fs::path(program) / "road_columns.txt", std::ios::binary) << GbkFromWide(columns);
}

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

void RoadStreamlinedAndImport(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();

  // ---- page 15: three pieces of another customer ----
  auto* simplePage = depot.OpenPageAs<CSimpleEntryPage>(15);
  ASSERT_NE(nullptr, simplePage);
  CSimpleEntryDlg& simple = *simplePage->Form();
  ASSERT_NO_FATAL_FAILURE(PickKind(depot, simple, QStringLiteral("ZIZ国际")));
  ASSERT_NO_FATAL_FAILURE(
      TypeCustomer(depot, simple, QStringLiteral("Shenzhen Bright"), 2, "streamlined-customer"));
  ASSERT_EQ(simple.CountEdit(), depot.Focus());
  simple.CountEdit()->selectAll();
  depot.Keys(QStringLiteral("3"));
  depot.Key(Qt::Key_Return);
  ASSERT_EQ(simple.SlotEdit(0), depot.Focus());
  depot.Keys(QString::fromLatin1(kStreamlinedNumber));
  depot.Key(Qt::Key_Return);
  depot.Keys(QStringLiteral("深圳南山"));
  depot.Key(Qt::Key_Return);
  depot.Keys(QStringLiteral("日本"));
  ASSERT_TRUE(depot.Wait([&] { return simple.DestinationPopup()->isVisible(); }));
  depot.Key(Qt::Key_Return);
  depot.Keys(QStringLiteral("三件一票"));
  depot.Key(Qt::Key_Return);
  ASSERT_EQ(simple.PieceEdit(), depot.Focus()) << "Enter on the memo moves to the piece numbers";
  for (size_t i = 0; i < std::size(kStreamlinedPieces); ++i) {
    depot.Keys(QString::fromLatin1(kStreamlinedPieces[i]));
    if (i + 1 == std::size(kStreamlinedPieces)) depot.Shot("streamlined-keyed");
    depot.Key(Qt::Key_Return);
  }
  std::string id;
  ASSERT_TRUE(depot.Wait([&] {
    id = depot.QueryValue(std::string("SELECT irid FROM client_rec WHERE cnum='") +
                          kStreamlinedNumber + "'");
    return !id.empty();
  })) << kStreamlinedNumber << " is not on the stand-in;" << Messages(depot);
  ASSERT_TRUE(depot.Wait([&] { return simplePage->grid->FindRowById(std::stoi(id)) >= 0; }));
  depot.Shot("streamlined-saved");
  {
    RoadWaybill& w = ledger.streamlined;
    w.number = kStreamlinedNumber;
    w.id = std::stoi(id);
    w.customer = depot.QueryValue("SELECT caccount FROM client_arc WHERE icid=2");
    w.kind = "ZIZ国际";
    w.destination = "日本";
    w.pieces = 3;
    w.pieceNumbers.assign(std::begin(kStreamlinedPieces), std::end(kStreamlinedPieces));
    w.stored = {{"icid", "2"},         {"cnum", kStreamlinedNumber}, {"cemskind", "ZIZ国际"},
                {"cdes", "日本"},      {"iitem", "3"},               {"caddrfrom", "深圳南山"},
                {"cmemo", "三件一票"}};
    ExpectStored(depot, w);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"1", "SP54000031"},
                                                     {"2", "SP54000032"},
                                                     {"3", "SP54000033"}}),
              depot.Query("SELECT wpos,cnum FROM client_rec_weight_detail WHERE irid=" + id +
                          " ORDER BY wpos"));
  }

  // ---- page 0: one more waybill, which no one bags ----
  auto* page = depot.OpenPageAs<CQuickEntryPage>(0);
  ASSERT_NE(nullptr, page);
  CQuickEntryDlg& form = *page->Form();
  auto* camera = dynamic_cast<CCaptureDlg*>(depot.MainWindow()->CaptureWindow());
  ASSERT_NE(nullptr, camera);
  ASSERT_NO_FATAL_FAILURE(
      TypeCustomer(depot, form, QStringLiteral("深圳华南"), 1, "unbagged-customer"));
  ASSERT_EQ(form.SlotEdit(0), depot.Focus());
  const int last = form.LastUnlockedSlot();
  const std::map<int, QString> texts = {
      {0, QStringLiteral("Shenzhen")}, {1, QStringLiteral("日本")},
      {2, QString::fromLatin1(kUnbaggedNumber)}, {6, QStringLiteral("Li Ming")},
      {7, QStringLiteral("佐藤花子")}, {11, QStringLiteral("1-1 Shiba Koen, Minato")},
      {13, QStringLiteral("Tokyo")}};
  for (int slot = 0; slot <= last; ++slot) {
    ASSERT_EQ(form.SlotEdit(slot), depot.Focus()) << "slot " << slot;
    const int kind = form.SlotKind(slot);
    if (kind == 4) {
      ASSERT_TRUE(depot.SendWeight(2.4));
      ASSERT_TRUE(depot.Wait([&] { return form.SlotEdit(slot)->text() == QStringLiteral("2.400"); }))
          << Utf8(form.SlotEdit(slot)->text());
    } else if (auto found = texts.find(kind); found != texts.end()) {
      depot.Keys(found->second);
    }
    if (kind == 1) ASSERT_TRUE(depot.Wait([&] { return form.DestinationPopup()->isVisible(); }));
    if (slot == last) depot.Shot("unbagged-keyed");
    depot.Key(Qt::Key_Return);
  }
  const QString photographed = QString::fromLatin1(kUnbaggedNumber) + QStringLiteral(" 已存入位置 1");
  ASSERT_TRUE(depot.Wait([&] { return camera->StatusLabel()->text() == photographed; }))
      << Utf8(camera->StatusLabel()->text()) << Messages(depot);
  id = depot.QueryValue(std::string("SELECT irid FROM client_rec WHERE cnum='") +
                        kUnbaggedNumber + "'");
  ASSERT_FALSE(id.empty());
  {
    RoadWaybill& w = ledger.unbagged;
    w.number = kUnbaggedNumber;
    w.id = std::stoi(id);
    w.customer = ledger.quick.customer;
    w.kind = "ZIZ国际";
    w.destination = "日本";
    w.receiver = "佐藤花子";
    w.pieces = 1;
    w.weight = 2.4;
    w.pictures = 1;
    w.stored = {{"icid", "1"},         {"cnum", kUnbaggedNumber}, {"cemskind", "ZIZ国际"},
                {"caddrfrom", "Shenzhen"}, {"cdes", "日本"},        {"fweight", "2.4"},
                {"iitem", "1"},        {"csender", "Li Ming"},    {"creceiver", "佐藤花子"},
                {"caddr", "1-1 Shiba Koen, Minato"},              {"ccity", "Tokyo"}};
    ExpectStored(depot, w);
    const std::string length = depot.QueryValue(
        "SELECT ilen FROM client_rec_picc WHERE npos=1 AND irid=" + id);
    ASSERT_FALSE(length.empty()) << "no photograph of " << kUnbaggedNumber;
    ledger.pictures.push_back({w.id, 1, std::stoll(length)});
  }

  // ---- page 0: a workbook of 20 rows imported ----
  WriteImportFormats(depot.Program());
  std::vector<RoadWaybill> rows;
  const fs::path book = depot.Scratch() / "road-import.xls";
  {
    CExcelSession session;
    session.SetOverwriteQuestion(false);
    ASSERT_EQ(1, session.CreateWorkbook({}, book.u16string(), {}, false))
        << QString::fromStdU16String(session.LastError()).toStdString();
    const char* headers[] = {"单号", "目的地", "渠道", "重量", "收件人",
                             "地址", "国家", "品名", "数量", "单价"};
    for (int c = 0; c < 10; ++c) session.SetCellText(1, c + 1, Q(headers[c]).toStdU16String());
    for (int r = 0; r < kImportRows; ++r) {
      RoadWaybill w;
      char number[16];
      std::snprintf(number, sizeof number, "BR541000%02d", r + 1);
      w.number = number;
      w.kind = "ZIZ国际";
      w.destination = r % 2 == 0 ? "美国" : "日本";
      w.weight = 1.5 + r * 0.25;
      w.receiver = "收件人" + std::to_string(r + 1);
      w.pieces = 1;
      w.goods = {{"Sample " + std::to_string(r + 1), r % 3 + 1, 2.5}};
      char weight[16];
      std::snprintf(weight, sizeof weight, "%.2f", w.weight);
      const std::vector<std::string> cells = {
          w.number, w.destination, w.kind, weight, w.receiver,
          "Road " + std::to_string(r + 1), r % 2 == 0 ? "US" : "JP", w.goods[0].name,
          std::to_string(w.goods[0].quantity), "2.5"};
      for (size_t c = 0; c < cells.size(); ++c)
        session.SetCellText(r + 2, static_cast<int>(c) + 1, Q(cells[c]).toStdU16String());
      rows.push_back(w);
    }
    ASSERT_EQ(1, session.SaveAndClose())
        << QString::fromStdU16String(session.LastError()).toStdString();
  }
  ASSERT_NO_FATAL_FAILURE(
      TypeCustomer(depot, form, QStringLiteral("广州南方"), kImportCustomer, "import-customer"));

  bool answered = false;
  depot.WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) {
      ADD_FAILURE() << "an unexpected dialog: " << modal->metaObject()->className();
      if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
      return true;
    }
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name == nullptr) {
      ADD_FAILURE() << "the file dialog has no name box";
      dialog->reject();
      return true;
    }
    name->setCompleter(nullptr);  // the name as typed, not as completed
    depot.Click(name);
    depot.Keys(QString::fromStdString(book.string()));
    depot.Shot("import-file-dialog");
    answered = true;
    depot.Key(Qt::Key_Return);
    // A dialog that did not take the file fails the step instead of
    // waiting for ever.
    QTimer::singleShot(5000, dialog, [dialog] {
      if (dialog->isVisible()) dialog->reject();
    });
    return true;
  });
  depot.Boxes().Clear();
  depot.Command(32821);  // Edit - import from an Excel file
  ASSERT_TRUE(answered) << "no file dialog";
  ASSERT_TRUE(depot.WaitForOffice([&] { return depot.Boxes().Count() > 0; }))
      << "the import said nothing at its end";
  depot.Shot("import-done");
  const auto shown = depot.Boxes().Messages();
  ASSERT_EQ(1u, shown.size()) << Messages(depot);
  EXPECT_EQ("共导入 20 票运单。", Utf8(QString::fromStdU16String(shown.front().text)));

  std::string numbers;
  for (const RoadWaybill& w : rows) numbers += (numbers.empty() ? "'" : ",'") + w.number + "'";
  const auto imported = depot.Query(
      "SELECT cnum,irid,icid,cemskind,cdes,fweight,creceiver,iitem,cgoods,iquantity,iprice "
      "FROM client_rec WHERE cnum IN (" +
      numbers + ") ORDER BY cnum");
  ASSERT_EQ(static_cast<size_t>(kImportRows), imported.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE(rows[r].number);
    const auto& s = imported[r];
    EXPECT_EQ(rows[r].number, s[0]);
    EXPECT_EQ(std::to_string(kImportCustomer), s[2]);
    EXPECT_EQ(rows[r].kind, s[3]);
    EXPECT_EQ(rows[r].destination, s[4]);
    EXPECT_DOUBLE_EQ(rows[r].weight, std::stod(s[5]));
    EXPECT_EQ(rows[r].receiver, s[6]);
    rows[r].id = std::stoi(s[1]);
    rows[r].customer = depot.QueryValue("SELECT caccount FROM client_arc WHERE icid=3");
    EXPECT_EQ("1", s[7]);
    // A row's one goods item stays on the waybill (the price in cents); no
    // goods line is written for it.
    EXPECT_EQ(rows[r].goods[0].name, s[8]);
    EXPECT_EQ(std::to_string(rows[r].goods[0].quantity), s[9]);
    EXPECT_EQ("250", s[10]);
    EXPECT_EQ("0", depot.QueryValue("SELECT count(*) FROM client_rec_goods WHERE irid=" + s[1]));
    // A real as SQLite writes it as text: "2.0", "2.25".
    char weight[24];
    std::snprintf(weight, sizeof weight,
                  rows[r].weight == static_cast<int>(rows[r].weight) ? "%.1f" : "%g",
                  rows[r].weight);
    rows[r].stored = {{"icid", std::to_string(kImportCustomer)}, {"cnum", rows[r].number},
                      {"cemskind", rows[r].kind}, {"cdes", rows[r].destination},
                      {"fweight", weight}, {"creceiver", rows[r].receiver}, {"iitem", "1"},
                      {"cgoods", rows[r].goods[0].name},
                      {"iquantity", std::to_string(rows[r].goods[0].quantity)},
                      {"iprice", "250"}};
    ExpectStored(depot, rows[r]);
    rows[r].goods.clear();  // no goods lines: the item is on the waybill
  }
  ledger.imported = rows;

  ASSERT_TRUE(depot.Wait([&] { return page->grid->FindRowById(rows.back().id) >= 0; }))
      << "the imported waybills are not in page 0's list";
  depot.Shot("imported-list");
}
