// The labels of a sealed bag on a master air waybill, printed from the seal
// form's order (the bag label, then the seal label) with the stand-in's
// templates, master air waybill details and airline logo to a cups-pdf
// queue of a private CUPS scheduler: each page is rasterised (pdftoppm) and
// zxing-cpp must read the bag number's Code 128 from it.  Needs root with
// CAP_SYS_ADMIN for the scheduler, as the other print tests.

#include <QImage>
#include <QString>

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TextCodec.h"
#include "consolidation/BagLabels.h"
#include "print/TemplateCache.h"
#include "print/TemplateModel.h"
#include "tests/PrivateCups.h"
#include "tests/WaitUntil.h"
#include "tests/office/OfficeCupsEnvironment.h"
#include "tests/office/OfficeTestEnv.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* kQueue = "BrantleBagLabel";

using officetest::CupsEnvironment;

::testing::Environment* const kOffice =
    ::testing::AddGlobalTestEnvironment(new officetest::OfficeEnvironment);
::testing::Environment* const kCups =
    ::testing::AddGlobalTestEnvironment(new CupsEnvironment(kQueue));

std::vector<fs::path> PdfFiles() { return CupsEnvironment::PdfFiles(); }

// What zxing-cpp reads as Code 128 on the first page of a PDF (the page is
// kept as screenshots/<name>.png).
std::string Code128OnPage(const fs::path& pdf, const fs::path& work, const std::string& name) {
  fs::path png = work / name;
  testsupport::RunCommand("pdftoppm -r 200 -png -f 1 -l 1 -singlefile '" + pdf.string() + "' '" +
                          png.string() + "'");
  QImage image(QString::fromStdString(png.string() + ".png"));
  if (image.isNull()) return "no page";
  fs::create_directories(BRANTLE_BINARY_DIR "/screenshots");
  image.save(QString::fromStdString(BRANTLE_BINARY_DIR "/screenshots/" + name + ".png"));
  QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::Code128);
  hints.setTryHarder(true);
  ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                        static_cast<int>(grey.bytesPerLine()));
  for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints))
    return std::string(result.bytes().begin(), result.bytes().end());
  return "unreadable";
}

class BagLabelPrintTest : public testsupport::StandInLinkSuite<BagLabelPrintTest> {
 public:
  static constexpr const char* kRootName = "brantle-bag-label-print";
};

TEST_F(BagLabelPrintTest, SealedBagOnAnAwbPrintsBothLabelsWithItsNumber) {
  OpenLink("00", "PC-BAGLBL");
  ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);
  const std::string folder = folder_.string() + "/";
  CTemplateCache templates;
  std::vector<std::string> asked;
  std::vector<std::u16string> messages;
  PrintContext context;
  context.findTemplate = [&](std::string_view kind, std::string_view name) {
    asked.push_back(Utf8FromWide(WideFromGbk(kind)));
    return templates.Find(link_, folder, kind, name);
  };
  context.selectPrinter = [](int kind, std::u16string_view) {
    return std::u16string(kind == 2 ? u"BrantleBagLabel" : u"");
  };
  context.message = [&](std::u16string_view text) { messages.emplace_back(text); };
  context.programFolder = folder;

  BagLabelSources bag;
  bag.bagId = 71003;
  bag.bagNumber = u"BX71000003";
  bag.bagOrder = u"3";
  bag.fromAirport = u"PEK";
  bag.toAirport = u"JFK";
  bag.weight = 2.0;
  bag.length = 50;
  bag.width = 40;
  bag.height = 30;
  bag.itemRows = 1;
  bag.awbNumber = u"999-22222226";
  bag.creator = u"张三";
  bag.creationTime = u"2026-12-06 09:15:00";
  bag.sealer = u"zhang";
  bag.sealTime = u"2026-12-07 10:20:30";
  bag.currentUser = u"zhang";

  std::vector<std::string> downloads;
  const std::vector<fs::path> earlier = PdfFiles();
  const int printed = PrintBagLabels(
      context, bag, BagLabelOrder::kSealForm, true,
      [&](AwbPackInfo& info) { return LoadAwbPackInfo(link_, info); },
      [&](const FileRequest& request) -> int64_t {
        downloads.push_back(Utf8FromWide(WideFromGbk(request.title)));
        link_.DownloadFile(request);
        std::error_code ec;
        auto size = fs::file_size(request.localPath, ec);
        return ec ? -1 : static_cast<int64_t>(size);
      });
  EXPECT_EQ(printed, 1);
  EXPECT_TRUE(messages.empty()) << Utf8FromWide(messages.front());
  EXPECT_EQ(asked, (std::vector<std::string>{"装袋标签", "封袋标签"}));
  EXPECT_EQ(downloads, (std::vector<std::string>{"999", "999"}));
  // The logo stays in the program folder; the work files are gone.
  EXPECT_GT(fs::file_size(folder_ / "999.jpg"), 256u);
  EXPECT_TRUE(!fs::exists(folder_ / "DATA_TEMP") || fs::is_empty(folder_ / "DATA_TEMP"));

  // Both pages come out of the queue, each with the bag number's bar code.
  std::vector<fs::path> pages;
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] {
        pages.clear();
        for (const fs::path& file : PdfFiles())
          if (std::find(earlier.begin(), earlier.end(), file) == earlier.end() &&
              officetest::ReadFile(file).find("%%EOF") != std::string::npos)
            pages.push_back(file);
        return pages.size() >= 2;
      },
      testsupport::kWaitLimit))
      << CupsEnvironment::Cups().ErrorLog();
  std::sort(pages.begin(), pages.end(), [](const fs::path& a, const fs::path& b) {
    return fs::last_write_time(a) < fs::last_write_time(b);
  });
  EXPECT_EQ(Code128OnPage(pages[0], folder_, "printed_bag_label_page"), "BX71000003");
  EXPECT_EQ(Code128OnPage(pages[1], folder_, "printed_seal_label_page"), "BX71000003");
  // The master air waybill's details reach the seal label.
  const std::string text =
      testsupport::RunCommand("pdftotext -enc UTF-8 '" + pages[1].string() + "' -");
  EXPECT_NE(text.find("999-22222226"), std::string::npos) << text;
  EXPECT_NE(text.find("PEK"), std::string::npos) << text;
  EXPECT_NE(text.find("50*40*30"), std::string::npos) << text;
}

}  // namespace
