// A waybill saved on the stand-in server, printed with the server's default
// waybill template to a cups-pdf queue of a private CUPS scheduler: the PDF
// is rasterised (pdftoppm) and zxing-cpp must find the waybill number's
// Code 128 and the QR Code with its field markers replaced.  The cases need
// root with CAP_SYS_ADMIN for the scheduler, as the office print tests.

#include <QImage>
#include <QString>

#include <ZXing/ReadBarcode.h>

#include <gtest/gtest.h>

#include "common/TextCodec.h"
#include "print/InvoiceCellMap.h"
#include "print/LabelLayout.h"
#include "print/PrintFields.h"
#include "print/Renderers.h"
#include "print/TemplateCache.h"
#include "print/TemplateModel.h"
#include "refdata/WaybillCache.h"
#include "tests/PrivateCups.h"
#include "tests/WaitUntil.h"
#include "tests/office/OfficeTestEnv.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* kQueue = "BrantleWaybill";

class CupsEnvironment : public ::testing::Environment {
 public:
  static testsupport::PrivateCups& Cups() {
    static testsupport::PrivateCups cups;
    return cups;
  }
  void SetUp() override { ASSERT_EQ(Cups().Start(officetest::Root() / "cups", {kQueue}), ""); }
  void TearDown() override {
    office::ShutdownOfficeSuite();
    Cups().Stop();
  }
};

::testing::Environment* const kOffice =
    ::testing::AddGlobalTestEnvironment(new officetest::OfficeEnvironment);
::testing::Environment* const kCups = ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

std::vector<fs::path> PdfFiles() {
  std::vector<fs::path> files;
  for (auto& e : fs::directory_iterator(CupsEnvironment::Cups().PdfFolder()))
    if (e.path().extension() == ".pdf") files.push_back(e.path());
  return files;
}

class PrintEndToEndTest : public testsupport::StandInLinkSuite<PrintEndToEndTest> {
 public:
  static constexpr const char* kRootName = "brantle-print-e2e";

 protected:
  void SetUp() override {
    OpenLink("01", "PC-PRT");
    ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);
  }
};

TEST_F(PrintEndToEndTest, SavedWaybillComesOutWithItsBarcodes) {
  const std::string folder = folder_.string() + "/";
  CTemplateCache templates;
  CWaybillCache records;
  CPrintFieldDictionary fields;
  fields.Build(AppLanguage());
  CFieldMarkers markers;
  std::vector<std::u16string> messages;
  std::vector<std::u16string> queues;

  PrintContext context;
  context.loadRecord = [&](int32_t id, InputWaybillRecord& r, PieceList& p, GoodsList& g) {
    return records.Load(link_, id, r, p, g);
  };
  context.findTemplate = [&](std::string_view kind, std::string_view name) {
    return templates.Find(link_, folder, kind, name);
  };
  // The server's default waybill template, its barcode moved clear of the
  // QR Code (in the sample the two overlap, which no scanner reads).
  CTemplateModel* server =
      templates.Find(link_, folder, GbkFromWide(u"渠道面单"), GbkFromWide(u"默认面单"));
  ASSERT_NE(server, nullptr);
  CTemplateModel waybillTemplate(server->KindName(), server->NameGbk());
  std::string text = server->Text();
  std::string barcodeCell = GbkFromWide(u"内单条码位图=B17");
  ASSERT_NE(text.find(barcodeCell), std::string::npos);
  text.replace(text.find(barcodeCell), barcodeCell.size(), GbkFromWide(u"内单条码位图=B21"));
  waybillTemplate.SetText(text);
  waybillTemplate.SetWorkbook(server->Workbook());
  context.findTemplate = [&](std::string_view, std::string_view) { return &waybillTemplate; };
  context.currentTemplate = [&](int) { return &waybillTemplate; };
  context.selectPrinter = [&](int, std::u16string_view) {
    queues.push_back(u"BrantleWaybill");
    return std::u16string(u"BrantleWaybill");
  };
  context.message = [&](std::u16string_view text) { messages.emplace_back(text); };
  context.fields = &fields;
  context.markers = &markers;
  context.programFolder = folder;
  context.dayFolder = folder + "DATA_GDPIC";

  // The first sample waybill the server holds.
  InputWaybillRecord saved{};
  PieceList pieces;
  GoodsList goods;
  int32_t id = 0;
  for (int32_t candidate = 1; candidate < 50 && id == 0; ++candidate)
    id = records.Load(link_, candidate, saved, pieces, goods);
  ASSERT_GT(id, 0) << "no waybill on the stand-in";
  std::string number(saved.waybill.cNum);

  size_t before = PdfFiles().size();
  CTemplateModel* used = RenderWaybill(context, id, 0, 1, u"");
  ASSERT_NE(used, nullptr) << (messages.empty() ? "" : Utf8FromWide(messages.back()));
  EXPECT_TRUE(messages.empty()) << Utf8FromWide(messages.front());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return PdfFiles().size() > before; },
                                     testsupport::kWaitLimit))
      << CupsEnvironment::Cups().ErrorLog();
  fs::path pdf = PdfFiles().back();
  // cups-pdf has finished the file when it stops growing and ends in %%EOF.
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] { return officetest::ReadFile(pdf).find("%%EOF") != std::string::npos; },
      testsupport::kWaitLimit));

  fs::path png = folder_ / "page";
  testsupport::RunCommand("pdftoppm -r 200 -png -f 1 -l 1 -singlefile '" + pdf.string() + "' '" +
                          png.string() + "'");
  QImage page(QString::fromStdString(png.string() + ".png"));
  fs::create_directories(BRANTLE_BINARY_DIR "/screenshots");
  page.save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/printed_waybill_page.png"));
  ASSERT_FALSE(page.isNull());
  QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::QRCode);
  hints.setTryHarder(true);
  ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                        static_cast<int>(grey.bytesPerLine()));
  std::string code128, qr;
  for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
    std::string bytes(result.bytes().begin(), result.bytes().end());
    if (result.format() == ZXing::BarcodeFormat::Code128) code128 = bytes;
    if (result.format() == ZXing::BarcodeFormat::QRCode) qr = bytes;
  }
  EXPECT_EQ(code128, number);
  // "[运单号]/[目的地]/[重量]" with the record's values.
  char weight[32];
  std::snprintf(weight, sizeof weight, "%.3f", saved.waybill.fWeight);
  EXPECT_EQ(qr.substr(0, number.size() + 1), number + "/") << qr;
  EXPECT_NE(qr.find(weight), std::string::npos) << qr;
  EXPECT_EQ(qr.find('['), std::string::npos) << "a marker left in " << qr;

  // A sheet of labels and a proforma invoice of the same waybill, with the
  // server's default label and invoice templates, come out of the queue too.
  CTemplateModel* labelTemplate =
      templates.Find(link_, folder, GbkFromWide(u"快件标签"), GbkFromWide(u"默认标签"));
  CTemplateModel* invoiceTemplate =
      templates.Find(link_, folder, GbkFromWide(u"形式发票"), GbkFromWide(u"默认形式发票"));
  ASSERT_NE(labelTemplate, nullptr);
  ASSERT_NE(invoiceTemplate, nullptr);
  CLabelLayout layout;
  ASSERT_EQ(layout.Load(labelTemplate, fields), 1);
  std::vector<int32_t> ids{id};
  int cursor = -1, count = 1;
  EXPECT_EQ(RenderLabelSheet(context, ids, layout.LabelsPerSheet(), cursor, count, 1, layout, 0), 1);
  EXPECT_TRUE(ids.empty());
  CInvoiceCellMap map;
  map.Load(invoiceTemplate);
  EXPECT_EQ(RenderProformaInvoice(context, map, id, 0, 1, 1), 1);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return PdfFiles().size() >= before + 3; },
                                     testsupport::kWaitLimit))
      << CupsEnvironment::Cups().ErrorLog();
  EXPECT_TRUE(messages.empty()) << Utf8FromWide(messages.front());

  // The job's workbook and pictures are gone.
  EXPECT_TRUE(!fs::exists(folder_ / "DATA_TEMP") || fs::is_empty(folder_ / "DATA_TEMP"));
  EXPECT_TRUE(!fs::exists(folder_ / "DATA_GDPIC") || fs::is_empty(folder_ / "DATA_GDPIC"));
}

}  // namespace
