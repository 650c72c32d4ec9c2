// The renderers against golden files.  Each folder under golden/<renderer>/
// is one case: the waybills as the stand-in's "sRecData" replies
// (record*.json), the template text (template.txt) and the cells its
// workbook starts with (cells.txt), the call (case.txt), and what the
// filled workbook must hold (expected.txt: every non-empty cell, every
// picture's anchor and every message).  The case fills the workbook, saves
// it, reads every cell back and compares.
//
// An expected.txt is written by hand from what the document must carry and
// checked cell by cell before it is committed; nothing here writes one from
// the renderers' output.  A case that differs leaves what it produced as
// got.txt in its output folder, to be read against expected.txt.

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "print/PagePrintPlan.h"
#include "tests/print/BarcodeDecode.h"
#include "tests/print/RendererCase.h"

using namespace officetest;
using namespace printcase;

namespace {

::testing::Environment* const kOffice =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment(OfficeEnvironment::kHoldSuite));

class RendererGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(RendererGolden, FilledWorkbookMatches) {
  fs::path folder = kGolden / GetParam();
  auto keys = ReadKeys(folder / "case.txt");
  fs::path out = TestFolder();
  std::string renderer = keys["renderer"];
  std::string kind = renderer == "waybill" ? "渠道面单" : renderer == "label" ? "快件标签" : "形式发票";
  CaseWorld world(folder, out, kind);
  std::vector<std::string> got;
  if (renderer == "waybilljob") {
    CInvoiceCellMap map;
    map.Load(world.invoice.get());
    // The linked label keeps the running serial number without advancing it.
    LabelSerialNumber() = 40;
    int result = PrintWaybillJob(world.context, map, std::stoi(keys["id"]), 0, 0, 1, u"");
    got.push_back("RESULT\t" + std::to_string(result));
  } else if (renderer == "waybill") {
    CTemplateModel* used = RenderWaybill(world.context, std::stoi(keys["id"]), 0, 1, u"");
    got.push_back(std::string("RESULT\t") + (used ? "template" : "none"));
  } else if (renderer == "label") {
    CLabelLayout layout;
    ASSERT_EQ(layout.Load(world.model.get(), world.fields), 1);
    std::vector<int32_t> ids = Ids(keys["ids"]);
    int cursor = std::stoi(keys["pieceCursor"]);
    int count = 1;
    int serial = std::stoi(keys["serialStart"]);
    int sheets = 0;
    // Sheet after sheet until the queue is empty, as the pages call it.
    while (!ids.empty() && sheets < 10) {
      int result = RenderLabelSheet(world.context, ids, layout.LabelsPerSheet(), cursor, count, 1,
                                    layout, serial);
      serial = -1;
      ++sheets;
      got.push_back("SHEET\t" + std::to_string(sheets) + "\tresult " + std::to_string(result) +
                    " left " + std::to_string(ids.size()) + " cursor " + std::to_string(cursor));
      if (result == 0) break;
    }
  } else {
    CInvoiceCellMap map;
    map.Load(world.model.get());
    int result = RenderProformaInvoice(world.context, map, std::stoi(keys["id"]), 1, 1, 0);
    got.push_back("RESULT\t" + std::to_string(result));
  }
  // The workbooks in the order they were written.
  std::vector<fs::path> books;
  for (auto& e : fs::directory_iterator(out / "kept"))
    if (e.path().extension() == ".xls") books.push_back(e.path());
  std::sort(books.begin(), books.end(), [](const fs::path& a, const fs::path& b) {
    return fs::last_write_time(a) < fs::last_write_time(b);
  });
  for (size_t i = 0; i < books.size(); ++i) {
    got.push_back("BOOK\t" + std::to_string(i + 1));
    for (auto& cell : ReadBack(books[i])) got.push_back(cell);
  }
  for (auto& line : world.log) got.push_back(line);
  // No picture file outlives its job.
  for (auto& e : fs::directory_iterator(out))
    if (e.is_directory() && e.path().filename() == "DATA_TEMP")
      for (auto& f : fs::directory_iterator(e.path())) ADD_FAILURE() << "left behind: " << f.path();

  std::string text;
  for (auto& line : got) text += line + "\n";
  fs::path expectedFile = folder / "expected.txt";
  if (text != ReadFile(expectedFile)) WriteFile(out / "got.txt", text);
  EXPECT_EQ(text, ReadFile(expectedFile)) << "case " << GetParam() << "; produced: " << out / "got.txt";
}

// The print jobs count what they send to each queue: a template's own count
// of 10 prints 10 sheets (the force offset is subtracted, never taken
// modulo 10), a forced 103 prints 3, each piece of a three-piece waybill is
// printed, the linked invoice prints exactly its linked count, and a linked
// label template of two labels across is skipped without a message.
TEST(PrintJobCopies, CountsReachTheQueues) {
  fs::path out = TestFolder();
  fs::path folder = kGolden / "waybill/blocks_and_lines";
  CaseWorld world(folder, out, "渠道面单");
  world.context.keepAllIn.clear();
  std::map<std::string, int> sent;
  world.context.selectPrinter = [](int kind, std::u16string_view) {
    return std::u16string(kind == 1 ? u"NoSuchWaybillQueue" : kind == 2 ? u"NoSuchLabelQueue"
                                                                      : u"NoSuchInvoiceQueue");
  };
  world.context.printed = [&](std::u16string_view queue, int) { ++sent[Utf8(queue)]; };
  auto waybillText = [&](const std::string& extra) {
    world.model->SetText(Gbk("打印份数=10\n" + extra + "<列表定义开始>\n内部单号=A1\n分单序=B1\n<列表定义结束>\n"));
  };
  CInvoiceCellMap map;
  CTemplateModel invoice(Gbk("形式发票"), Gbk("inv"));
  invoice.SetText(Gbk("打印份数=5\r\n运单号=B2\r\n"));
  invoice.SetWorkbook(world.model->Workbook());
  map.Load(&invoice);
  CTemplateModel twoAcross(Gbk("快件标签"), Gbk("two"));
  twoAcross.SetText(Gbk("横向标签个数=2\n<列表定义开始>\n内部单号=A1\n<列表定义结束>\n"));
  twoAcross.SetWorkbook(world.model->Workbook());
  world.context.findTemplate = [&](std::string_view kind, std::string_view) {
    return kind == Gbk("快件标签") ? &twoAcross : world.model.get();
  };

  waybillText("联动打印形式发票=2\n联动打印标签=two\n");
  EXPECT_EQ(PrintWaybillJob(world.context, map, 101, 0, 0, 1, u""), 1);
  EXPECT_EQ(sent["NoSuchWaybillQueue"], 10);  // one piece, ten copies
  EXPECT_EQ(sent["NoSuchInvoiceQueue"], 2);
  EXPECT_EQ(sent["NoSuchLabelQueue"], 0);
  EXPECT_TRUE(world.log.empty() || world.log.front().rfind("PIC", 0) == 0);

  sent.clear();
  waybillText("");
  EXPECT_EQ(PrintWaybillJob(world.context, map, 101, 0, 0, 103, u""), 1);
  EXPECT_EQ(sent["NoSuchWaybillQueue"], 3);
  EXPECT_EQ(sent["NoSuchInvoiceQueue"], 0);

  // The invoice alone takes the template's 5 when the caller asks for 1.
  sent.clear();
  EXPECT_EQ(RenderProformaInvoice(world.context, map, 101, 0, 1, 0), 1);
  EXPECT_EQ(sent["NoSuchInvoiceQueue"], 5);
  // A record that is not there prints nothing and says so by its result.
  EXPECT_EQ(PrintWaybillJob(world.context, map, 4242, 0, 0, 1, u""), 0);
  // No temporary workbook or picture is left behind.
  for (auto& e : fs::recursive_directory_iterator(out))
    if (e.is_regular_file() && (e.path().extension() == ".bmp" ||
                                e.path().filename().string().rfind("TAB_", 0) == 0 ||
                                e.path().filename().string().rfind("INVOICE_", 0) == 0))
      ADD_FAILURE() << "left behind: " << e.path();
}

// A queue that takes nothing: the waybill and the label sheet are not
// reported as printed, the operator is told once per job, and the label
// queue is given back whole.
TEST(PrintJobCopies, NothingPrintedIsNotSuccess) {
  fs::path out = TestFolder();
  CaseWorld world(kGolden / "waybill/blocks_and_lines", out, "渠道面单");
  world.context.keepAllIn.clear();
  world.context.selectPrinter = [](int, std::u16string_view) {
    return std::u16string(u"NoSuchQueueAnywhere");
  };
  EXPECT_EQ(RenderWaybill(world.context, 101, 0, 1, u""), nullptr);
  EXPECT_EQ(world.context.failure, kNotPrinted);
  EXPECT_EQ(std::count_if(world.log.begin(), world.log.end(),
                          [](const std::string& line) { return line.rfind("MSG", 0) == 0; }),
            1);
  CLabelLayout layout;
  ASSERT_EQ(layout.Load(world.model.get(), world.fields), 1);
  std::vector<int32_t> ids{101};
  int cursor = 1, count = 1;
  EXPECT_EQ(RenderLabelSheet(world.context, ids, 1, cursor, count, 1, layout, -1), 0);
  EXPECT_EQ(ids, std::vector<int32_t>{101});
  EXPECT_EQ(cursor, 1);
}

// What zxing-cpp reads from a picture file ("code128 ...", "codabar ...").
std::string DecodedPicture(std::u16string_view file) {
  std::string bytes = ReadFile(fs::path(Utf8(file)));
  auto result = barcodetest::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                    ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::Codabar);
  if (!result.valid) return "unreadable";
  return (result.format == ZXing::BarcodeFormat::Codabar ? "codabar " : "code128 ") + result.bytes;
}

// A label barcode whose width key is below 50 keeps the picture's natural
// size; 0 would squeeze it to nothing.  Both pictures read back.
TEST(LabelPictures, NarrowWidthKeepsNaturalSize) {
  fs::path out = TestFolder();
  CaseWorld world(kGolden / "label/named_fields", out, "快件标签");
  std::map<std::string, std::pair<double, double>> sizes;
  std::map<std::string, std::string> read;
  world.context.pictured = [&](std::u16string_view file, int, int, double width, double height) {
    std::string name = fs::path(Utf8(file)).filename().string();
    sizes[name] = {width, height};
    read[name] = DecodedPicture(file);
  };
  CLabelLayout layout;
  ASSERT_EQ(layout.Load(world.model.get(), world.fields), 1);
  std::vector<int32_t> ids{206};
  int cursor = -1, count = 1;
  ASSERT_EQ(RenderLabelSheet(world.context, ids, 1, cursor, count, 1, layout, -1), 1);
  ASSERT_EQ(sizes.count("BR12000016_N10.bmp"), 1u);
  EXPECT_EQ(sizes["BR12000016_N10.bmp"], std::make_pair(-1.0, -1.0));
  EXPECT_EQ(sizes["BR12000016_RR0.bmp"], std::make_pair(-1.0, -1.0));
  EXPECT_EQ(read["BR12000016_N10.bmp"], "code128 BR12000016");
  EXPECT_EQ(read["BR12000016_RR0.bmp"], "code128 LHR");
}

// The text zxing-cpp reads from each picture a waybill case places, by file
// name.
std::map<std::string, std::string> DecodedPictures(CaseWorld& world) {
  auto decoded = std::make_shared<std::map<std::string, std::string>>();
  world.context.pictured = [decoded](std::u16string_view file, int, int, double, double) {
    (*decoded)[fs::path(Utf8(file)).filename().string()] = DecodedPicture(file);
  };
  RenderWaybill(world.context, world.replies.begin()->first, 0, 1, u"");
  return *decoded;
}

// The waybill's Codabar pictures carry the template's start and stop
// characters; with the short-transfer fallback a transfer number of three
// characters gives way to the waybill number.  Read back by zxing-cpp.
TEST(WaybillPictures, CodabarAndShortTransferReadBack) {
  {
    CaseWorld world(kGolden / "waybill/codabar", TestFolder(), "渠道面单");
    auto read = DecodedPictures(world);
    EXPECT_EQ(read["12000011_N1.bmp"], "codabar A12000011B");
    EXPECT_EQ(read["340056_1.bmp"], "codabar C340056D");
  }
  {
    CaseWorld world(kGolden / "waybill/short_transfer", TestFolder(), "渠道面单");
    auto read = DecodedPictures(world);
    EXPECT_EQ(read["BR12000012_1.bmp"], "code128 BR12000012");
    EXPECT_EQ(read.size(), 1u);
  }
  {
    // Without the option the three characters are the transfer barcode.
    CaseWorld world(kGolden / "waybill/short_transfer", TestFolder(), "渠道面单");
    world.context.shortTransferFallback = false;
    auto read = DecodedPictures(world);
    EXPECT_EQ(read["1Z9_1.bmp"], "code128 1Z9");
    EXPECT_EQ(read.size(), 1u);
  }
}

// Keep mode writes "<folder>/<waybill number>.xls" and prints nothing; the
// own-template flag fills the template named "本公司面单" instead of the
// express kind's.
TEST(WaybillKeepAndOwnTemplate, KeptFileFromTheOwnTemplate) {
  fs::path out = TestFolder();
  CaseWorld world(kGolden / "waybill/caption_keys", out, "渠道面单");
  world.context.keepAllIn.clear();
  int prints = 0;
  world.context.selectPrinter = [](int, std::u16string_view) { return std::u16string(u"Q"); };
  world.context.printed = [&](std::u16string_view, int) { ++prints; };
  CTemplateModel own(Gbk("渠道面单"), Gbk("本公司面单"));
  own.SetText(Gbk("<列表定义开始>\n内部单号=B3\n发件人=C3\n<列表定义结束>\n"));
  own.SetWorkbook(world.model->Workbook());
  std::vector<std::string> asked;
  world.context.findTemplate = [&](std::string_view, std::string_view name) -> CTemplateModel* {
    asked.push_back(std::string(name));
    return name == Gbk("本公司面单") ? &own : world.model.get();
  };
  fs::path folder = out / "kept-here";
  fs::create_directories(folder);
  EXPECT_EQ(RenderWaybill(world.context, 104, 1, 1, CaseWorld::NameOfPath(folder)), &own);
  EXPECT_EQ(asked, std::vector<std::string>{Gbk("本公司面单")});
  EXPECT_EQ(prints, 0);
  ASSERT_TRUE(fs::exists(folder / "BR12000008.xls"));
  EXPECT_EQ(ReadBack(folder / "BR12000008.xls"),
            (std::vector<std::string>{"B3\tBR12000008", "C3\tS8"}));

  // Print mode with the express kind's template: printed once, nothing kept.
  asked.clear();
  EXPECT_EQ(RenderWaybill(world.context, 104, 0, 1, u""), world.model.get());
  EXPECT_EQ(asked, std::vector<std::string>{"DHL"});
  EXPECT_EQ(prints, 1);
}

// The page's label loop through the real label job: a one-label template
// runs its linked invoice and linked label after each sheet, and a record
// that cannot be loaded is reported once and skipped while the run goes on.

TEST(PrintLabelsJob, LinkedPrintingAndUnloadableRecords) {
  fs::path out = TestFolder();
  CaseWorld world(kGolden / "waybill/linked_invoice_and_label", out, "快件标签");
  world.context.keepAllIn.clear();
  std::map<std::string, int> sent;
  world.context.selectPrinter = [](int kind, std::u16string_view name) {
    return std::u16string(kind == 2 ? u"Label:" : u"Invoice:") + std::u16string(name);
  };
  world.context.printed = [&](std::u16string_view queue, int) { ++sent[Utf8(queue)]; };
  CInvoiceCellMap map;
  map.Load(world.invoice.get());
  CLabelLayout layout;
  ASSERT_EQ(layout.Load(world.model.get(), world.fields), 1);
  ASSERT_EQ(layout.LabelsPerSheet(), 1);

  std::vector<int32_t> ids{103};
  int piece = -1, count = 1;
  EXPECT_EQ(PrintLabelsJob(world.context, map, layout, ids, 0, 1, piece, count, 1, 0), 1);
  EXPECT_TRUE(ids.empty());
  EXPECT_EQ(sent, (std::map<std::string, int>{
                      {"Label:golden", 1}, {"Label:linked label", 1}, {"Invoice:linked invoice", 1}}));

  // Sheet by sheet as the page runs it: 999 is not on the server.
  sent.clear();
  JobDoors doors(world, layout, map);
  std::vector<int32_t> left = RunLabelBatches(doors, {999, 103, 998}, 1, false, 1, nullptr);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(sent, (std::map<std::string, int>{
                      {"Label:golden", 1}, {"Label:linked label", 1}, {"Invoice:linked invoice", 1}}));
  std::vector<std::string> messages;
  for (const std::string& line : world.log)
    if (line.rfind("MSG", 0) == 0) messages.push_back(line);
  EXPECT_EQ(messages, (std::vector<std::string>{"MSG\t#22101", "MSG\t#22101"}));
}

std::vector<std::string> Cases() {
  std::vector<std::string> cases;
  for (auto& group : fs::directory_iterator(kGolden))
    if (group.is_directory())
      for (auto& c : fs::directory_iterator(group.path()))
        if (c.is_directory())
          cases.push_back(group.path().filename().string() + "/" + c.path().filename().string());
  std::sort(cases.begin(), cases.end());
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, RendererGolden, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
