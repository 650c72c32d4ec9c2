// A waybill on the stand-in server, printed with the server's default
// waybill template to a cups-pdf queue of a private CUPS scheduler: the PDF
// is rasterised (pdftoppm) and zxing-cpp must find the waybill number's
// Code 128 and the QR Code with its field markers replaced.  One case prints
// a sample waybill (with its labels and invoice), the other a waybill it
// first saves through the quick entry's save.  The cases need root with
// CAP_SYS_ADMIN for the scheduler, as the office print tests.

#include <QImage>
#include <QString>

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TextCodec.h"
#include "entry/WaybillSave.h"
#include "print/InvoiceCellMap.h"
#include "print/LabelLayout.h"
#include "print/PrintFields.h"
#include "print/Renderers.h"
#include "print/TemplateCache.h"
#include "print/TemplateModel.h"
#include "refdata/RecordStores.h"
#include "refdata/ServiceKinds.h"
#include "refdata/WaybillCache.h"
#include "tests/PrivateCups.h"
#include "tests/WaitUntil.h"
#include "tests/office/OfficeCupsEnvironment.h"
#include "tests/office/OfficeTestEnv.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/ScanStation.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* kQueue = "BrantleWaybill";

using officetest::CupsEnvironment;

::testing::Environment* const kOffice =
    ::testing::AddGlobalTestEnvironment(new officetest::OfficeEnvironment);
::testing::Environment* const kCups =
    ::testing::AddGlobalTestEnvironment(new CupsEnvironment(kQueue));

std::vector<fs::path> PdfFiles() { return CupsEnvironment::PdfFiles(); }

class PrintEndToEndTest : public testsupport::StandInLinkSuite<PrintEndToEndTest> {
 public:
  static constexpr const char* kRootName = "brantle-print-e2e";

 protected:
  void SetUp() override {
    OpenLink("01", "PC-PRT");
    ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);
  }

  // The waybill job's context over the stand-in, printing to the cups-pdf
  // queue with the server's default waybill template.
  void PrepareJob() {
    folderText_ = folder_.string() + "/";
    fields_.Build(AppLanguage());
    context_.loadRecord = [this](int32_t id, InputWaybillRecord& r, PieceList& p, GoodsList& g) {
      return records_.Load(link_, id, r, p, g);
    };
    waybillTemplate_ = templates_.Find(link_, folderText_, GbkFromWide(u"渠道面单"),
                                       GbkFromWide(u"默认面单"));
    ASSERT_NE(waybillTemplate_, nullptr);
    context_.findTemplate = [this](std::string_view, std::string_view) {
      return waybillTemplate_;
    };
    context_.currentTemplate = [this](int) { return waybillTemplate_; };
    context_.selectPrinter = [](int, std::u16string_view) {
      return std::u16string(u"BrantleWaybill");
    };
    context_.message = [this](std::u16string_view text) { messages_.emplace_back(text); };
    context_.fields = &fields_;
    context_.markers = &markers_;
    context_.programFolder = folderText_;
    context_.dayFolder = folderText_ + "DATA_GDPIC";
  }

  // A waybill keyed into the quick entry (kind, customer, date, destination,
  // number and weight) for Save.
  WaybillEntry KeyedWaybill(std::u16string_view number, std::u16string_view weight) {
    WaybillEntry entry;
    entry.kind = &kind_;
    entry.customerId = 1;
    entry.customerStation = "SZ";
    entry.dateText = u"2024.6.18";
    entry.itemCount = 1;
    entry.texts[1] = u"日本";
    entry.texts[2] = number;
    entry.texts[4] = weight;
    return entry;
  }
  // Saves the entry through the quick entry's save; `saved` is the record
  // as the save left it (the server's id in irID).
  void Save(WaybillEntry& entry, InputWaybillRecord& saved) {
    std::unique_ptr<WaybillSaveLink> saveLink = MakeServerWaybillSaveLink(link_);
    CWaybillSaver saver(*saveLink, entry);
    ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver.Save()) << Utf8FromWide(boxes_.LastText());
    saved = saver.Working();
  }

  // What zxing-cpp reads on the printed page (raw bytes; the QR Code's text
  // is GBK).
  struct PrintedPage {
    std::string code128;
    std::string qr;
    std::filesystem::path pdf;
  };

  // Prints waybill `id` through the waybill job, waits for cups-pdf's file,
  // rasterises its first page (kept as screenshots/<screenshot>.png) and
  // reads the page's barcodes.
  void PrintAndRead(int32_t id, const std::string& screenshot, PrintedPage& page) {
    ReadPrinted(
        [&] {
          CTemplateModel* used = RenderWaybill(context_, id, 0, 1, u"");
          EXPECT_NE(used, nullptr) << (messages_.empty() ? "" : Utf8FromWide(messages_.back()));
          return used != nullptr;
        },
        screenshot, page);
  }
  // Runs `print`, which must print one waybill, and reads its page as
  // PrintAndRead does.
  void ReadPrinted(const std::function<bool()>& print, const std::string& screenshot,
                   PrintedPage& page) {
    const std::vector<fs::path> earlier = PdfFiles();
    before_ = earlier.size();
    ASSERT_TRUE(print());
    EXPECT_TRUE(messages_.empty()) << Utf8FromWide(messages_.front());
    // The queue's folder holds the earlier cases' files too, in no order:
    // this print is the file that was not there before.
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
          for (const fs::path& file : PdfFiles())
            if (std::find(earlier.begin(), earlier.end(), file) == earlier.end()) {
              page.pdf = file;
              return true;
            }
          return false;
        },
        testsupport::kWaitLimit))
        << CupsEnvironment::Cups().ErrorLog();
    // cups-pdf has finished the file when it stops growing and ends in %%EOF.
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return officetest::ReadFile(page.pdf).find("%%EOF") != std::string::npos; },
        testsupport::kWaitLimit));

    fs::path png = folder_ / "page";
    testsupport::RunCommand("pdftoppm -r 200 -png -f 1 -l 1 -singlefile '" + page.pdf.string() +
                            "' '" + png.string() + "'");
    QImage image(QString::fromStdString(png.string() + ".png"));
    fs::create_directories(BRANTLE_BINARY_DIR "/screenshots");
    image.save(QString::fromStdString(BRANTLE_BINARY_DIR "/screenshots/" + screenshot + ".png"));
    ASSERT_FALSE(image.isNull());
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                          static_cast<int>(grey.bytesPerLine()));
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
      std::string bytes(result.bytes().begin(), result.bytes().end());
      if (result.format() == ZXing::BarcodeFormat::Code128) page.code128 = bytes;
      if (result.format() == ZXing::BarcodeFormat::QRCode) page.qr = bytes;
    }
  }

  CServiceKind kind_{GbkFromWide(u"ZIZ国际")};
  std::string folderText_;
  CTemplateCache templates_;
  CWaybillCache records_;
  CPrintFieldDictionary fields_;
  CFieldMarkers markers_;
  std::vector<std::u16string> messages_;
  CTemplateModel* waybillTemplate_ = nullptr;  // held by templates_
  PrintContext context_;
  size_t before_ = 0;  // the queue's files before the last waybill print
};

TEST_F(PrintEndToEndTest, SavedWaybillComesOutWithItsBarcodes) {
  ASSERT_NO_FATAL_FAILURE(PrepareJob());

  // The first sample waybill the server holds.
  InputWaybillRecord saved{};
  PieceList pieces;
  GoodsList goods;
  int32_t id = 0;
  for (int32_t candidate = 1; candidate < 50 && id == 0; ++candidate)
    id = records_.Load(link_, candidate, saved, pieces, goods);
  ASSERT_GT(id, 0) << "no waybill on the stand-in";
  std::string number(saved.waybill.cNum);

  PrintedPage page;
  ASSERT_NO_FATAL_FAILURE(PrintAndRead(id, "printed_waybill_page", page));
  EXPECT_EQ(page.code128, number);
  // "[运单号]/[目的地]/[重量]" with the record's values.
  char weight[32];
  std::snprintf(weight, sizeof weight, "%.3f", saved.waybill.fWeight);
  EXPECT_EQ(page.qr.substr(0, number.size() + 1), number + "/") << page.qr;
  EXPECT_NE(page.qr.find(weight), std::string::npos) << page.qr;
  EXPECT_EQ(page.qr.find('['), std::string::npos) << "a marker left in " << page.qr;

  // A sheet of labels and a proforma invoice of the same waybill, with the
  // server's default label and invoice templates, come out of the queue too.
  CTemplateModel* labelTemplate =
      templates_.Find(link_, folderText_, GbkFromWide(u"快件标签"), GbkFromWide(u"默认标签"));
  CTemplateModel* invoiceTemplate =
      templates_.Find(link_, folderText_, GbkFromWide(u"形式发票"), GbkFromWide(u"默认形式发票"));
  ASSERT_NE(labelTemplate, nullptr);
  ASSERT_NE(invoiceTemplate, nullptr);
  CLabelLayout layout;
  ASSERT_EQ(layout.Load(labelTemplate, fields_), 1);
  std::vector<int32_t> ids{id};
  int cursor = -1, count = 1;
  EXPECT_EQ(RenderLabelSheet(context_, ids, layout.LabelsPerSheet(), cursor, count, 1, layout, 0),
            1);
  EXPECT_TRUE(ids.empty());
  CInvoiceCellMap map;
  map.Load(invoiceTemplate);
  EXPECT_EQ(RenderProformaInvoice(context_, map, id, 0, 1, 1), 1);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return PdfFiles().size() >= before_ + 3; },
                                     testsupport::kWaitLimit))
      << CupsEnvironment::Cups().ErrorLog();
  EXPECT_TRUE(messages_.empty()) << Utf8FromWide(messages_.front());

  // The job's workbook and pictures are gone.
  EXPECT_TRUE(!fs::exists(folder_ / "DATA_TEMP") || fs::is_empty(folder_ / "DATA_TEMP"));
  EXPECT_TRUE(!fs::exists(folder_ / "DATA_GDPIC") || fs::is_empty(folder_ / "DATA_GDPIC"));
}

// A waybill keyed into the quick entry and saved there, then printed by its
// record id: the page carries its own number, destination, weight and
// receiver, not a sample waybill's.
TEST_F(PrintEndToEndTest, WaybillSavedThroughTheEntryIsPrinted) {
  WaybillEntry entry = KeyedWaybill(u"BR12000001", u"3.75");
  entry.texts[5] = u"88";
  entry.texts[7] = u"王小明";
  entry.texts[9] = u"东京樱花商事";
  entry.texts[11] = u"东京都港区芝公园四丁目";
  entry.texts[26] = u"绿茶 茶具";
  PieceLine piece{};
  piece.ixLong = piece.ixWidth = piece.ixHeight = 20;
  piece.ixWeight = 3750;
  piece.nxPercent = 100;
  std::strcpy(piece.cxNo, "P-1");
  entry.pieces = {piece};
  for (const char16_t* name : {u"绿茶", u"茶具"}) {
    GoodsLine line{};
    const std::string gbk = GbkFromWide(name);
    std::strcpy(line.cgoods, gbk.c_str());
    std::strcpy(line.cunit, "PCS");
    line.iquantity = 2;
    line.fprice = 12.5;
    line.fgweight = 0.5;
    entry.goods.push_back(line);
  }
  entry.goodsChanged = true;

  InputWaybillRecord saved{};
  ASSERT_NO_FATAL_FAILURE(Save(entry, saved));
  const int32_t id = saved.waybill.irID;
  ASSERT_GT(id, 0);
  EXPECT_EQ(id, link_.FindWaybillId(0, "BR12000001", false));

  // The record as the server holds it now (a cache of its own, so that the
  // print job loads the waybill itself).
  {
    CWaybillCache stored;
    InputWaybillRecord record{};
    PieceList pieces;
    GoodsList goods;
    ASSERT_EQ(id, stored.Load(link_, id, record, pieces, goods));
    EXPECT_STREQ("BR12000001", record.waybill.cNum);
    EXPECT_EQ(GbkFromWide(u"王小明"), std::string(record.waybill.cReceiver));
    EXPECT_EQ(GbkFromWide(u"日本"), std::string(record.waybill.cDes));
    ASSERT_EQ(2u, goods.size());
    EXPECT_EQ(GbkFromWide(u"茶具"), std::string(goods[1]->cgoods));
  }

  ASSERT_NO_FATAL_FAILURE(PrepareJob());
  PrintedPage page;
  ASSERT_NO_FATAL_FAILURE(PrintAndRead(id, "printed_saved_waybill_page", page));
  EXPECT_EQ("BR12000001", page.code128);
  // "[运单号]/[目的地]/[重量]", every marker replaced by this waybill's value
  // (the template's block line keeps its line break).
  std::string qr = page.qr;
  while (!qr.empty() && (qr.back() == '\n' || qr.back() == '\r')) qr.pop_back();
  EXPECT_EQ("BR12000001/" + GbkFromWide(u"日本") + "/3.750", qr)
      << Utf8FromWide(WideFromGbk(page.qr));

  // The receiver and the goods are on the page as keyed.
  const std::string text = testsupport::RunCommand("pdftotext -enc UTF-8 -f 1 -l 1 '" +
                                                   page.pdf.string() + "' -");
  EXPECT_NE(text.find("王小明"), std::string::npos) << text;
  EXPECT_NE(text.find("东京樱花商事"), std::string::npos) << text;
  EXPECT_NE(text.find("绿茶 茶具"), std::string::npos) << text;
  EXPECT_NE(text.find("BR12000001"), std::string::npos) << text;

  EXPECT_TRUE(!fs::exists(folder_ / "DATA_TEMP") || fs::is_empty(folder_ / "DATA_TEMP"));
  EXPECT_TRUE(!fs::exists(folder_ / "DATA_GDPIC") || fs::is_empty(folder_ / "DATA_GDPIC"));
}

// The scan station in print-only mode over the local input store that the
// quick entry's saves fill: a scanned number prints its waybill through the
// queue, the page's Code 128 reads back that number, and the full waybill
// page is told with 0 grams.
TEST_F(PrintEndToEndTest, TheScanStationPrintsTheScannedWaybill) {
  CWaybillRecordTable store;
  ASSERT_EQ(0, store.Open(folder_ / "recinput.dat"));
  std::vector<int32_t> ids;
  for (const char16_t* number : {u"BR12000101", u"BR12000102"}) {
    WaybillEntry entry = KeyedWaybill(number, u"1.5");
    InputWaybillRecord saved{};
    ASSERT_NO_FATAL_FAILURE(Save(entry, saved));
    ASSERT_GT(saved.waybill.irID, 0);
    const int32_t serverId = saved.waybill.irID;
    ids.push_back(serverId);
    // The store numbers what it takes; the record keeps the server's id, as
    // the waybill import writes it.
    const int count = store.AppendRecord(saved);
    ASSERT_GT(count, 0);
    saved.waybill.irID = serverId;
    ASSERT_EQ(1, store.WriteRecord(count - 1, saved));
  }
  ASSERT_EQ(1, store.Commit());

  ASSERT_NO_FATAL_FAILURE(PrepareJob());
  std::vector<int32_t> printed;
  std::vector<std::pair<int32_t, int32_t>> told;
  CScanStation station(store, CScanStation::Doors{
                                  [](int, int) {},
                                  [&](int32_t id) {
                                    printed.push_back(id);
                                    return RenderWaybill(context_, id, 0, 1, u"") != nullptr;
                                  },
                                  [&store] { return store.Commit() == 1; },
                                  [&told](int32_t id, int32_t grams) {
                                    told.emplace_back(id, grams);
                                  }});
  bool weigh = false;
  ASSERT_EQ(CScanStation::kPrint, station.SetOptions(weigh, true, false));

  PrintedPage page;
  CScanStation::Outcome out;
  ASSERT_NO_FATAL_FAILURE(ReadPrinted(
      [&] {
        out = station.InnerStep(u" br12000102 ", 0);
        return printed.size() == 1;
      },
      "scan_station_printed_page", page));
  EXPECT_EQ(std::vector<int32_t>{ids[1]}, printed);
  EXPECT_EQ("BR12000102", page.code128);
  ASSERT_EQ(1u, told.size());
  EXPECT_EQ(std::make_pair(ids[1], 0), told[0]);
  EXPECT_TRUE(out.clearInner);
  EXPECT_EQ(CScanStation::Field::kInner, out.focus);
}

}  // namespace
