// The bag labels against golden files.  Each folder under
// golden/baglabel/ is one case: the label sources and the master air
// waybill's details (case.txt), the first template (template.txt) and, for
// a form that prints both labels, the second (template2.txt), and what the
// filled workbooks must hold (expected.txt: the result, the master air
// waybill and logo requests and every picture in the order they happen,
// then every non-empty cell of each workbook).  The expected files are
// written by hand from the label field table; a case that differs leaves
// what it produced as got.txt in its output folder.

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "consolidation/BagLabels.h"
#include "tests/print/RendererCase.h"

using namespace officetest;
using namespace printcase;

namespace {

::testing::Environment* const kOffice =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment(OfficeEnvironment::kHoldSuite));

const fs::path kCases = fs::path(BRANTLE_SOURCE_DIR) / "tests/consolidation/golden/baglabel";
const fs::path kLogo = fs::path(BRANTLE_SOURCE_DIR) / "localserver/templates/航线标志图_999.jpg";

std::u16string U(const std::string& utf8) { return QString::fromStdString(utf8).toStdU16String(); }

BagLabelSources SourcesOf(std::map<std::string, std::string> k) {
  BagLabelSources s;
  s.bagId = std::atoi(k["bagId"].c_str());
  s.bagNumber = U(k["bagNumber"]);
  s.bagOrder = U(k["bagOrder"]);
  s.specialNumber = U(k["specialNumber"]);
  s.specialOrder = U(k["specialOrder"]);
  s.fromAirport = U(k["fromAirport"]);
  s.toAirport = U(k["toAirport"]);
  s.fromStation = U(k["fromStation"]);
  s.toStation = U(k["toStation"]);
  s.weight = std::atof(k["weight"].c_str());
  s.length = std::atoi(k["length"].c_str());
  s.width = std::atoi(k["width"].c_str());
  s.height = std::atoi(k["height"].c_str());
  s.consignmentNote = U(k["consignmentNote"]);
  s.baggingType = U(k["baggingType"]);
  s.label = U(k["label"]);
  s.operationMemo = U(k["operationMemo"]);
  for (int i = 0; i < 5; ++i) s.spares[i] = U(k["spare" + std::to_string(i + 1)]);
  s.awbNumber = U(k["awbNumber"]);
  s.creator = U(k["creator"]);
  s.creationTime = U(k["creationTime"]);
  s.sealer = U(k["sealer"]);
  s.sealTime = U(k["sealTime"]);
  s.loader = U(k["loader"]);
  s.loadingTime = U(k["loadingTime"]);
  s.itemRows = std::atoi(k["itemRows"].c_str());
  s.currentUser = U(k["currentUser"]);
  return s;
}

// A case's world: the office-suite context of the renderer cases with the
// bag templates, a master air waybill loader and a logo download that log
// what they are asked.
struct LabelWorld {
  fs::path folder;
  fs::path out;
  std::map<std::string, std::string> keys;
  std::unique_ptr<CaseWorld> world;
  std::unique_ptr<CTemplateModel> second;
  std::vector<std::string> awbCalls;  // in world->log order

  LabelWorld(const fs::path& caseFolder, bool sealForm) : folder(caseFolder), out(TestFolder()) {
    keys = ReadKeys(folder / "case.txt");
    const std::string first = sealForm ? "装袋标签" : "封袋标签";
    const std::string other = sealForm ? "封袋标签" : "装袋标签";
    world = std::make_unique<CaseWorld>(folder, out, first);
    if (fs::exists(folder / "template2.txt")) {
      second = std::make_unique<CTemplateModel>(Gbk(other), Gbk(other));
      second->SetText(Gbk(ReadFile(folder / "template2.txt")));
      second->SetWorkbook(world->model->Workbook());
    }
    world->context.findTemplate = [this, first, other](std::string_view kind,
                                                       std::string_view name) -> CTemplateModel* {
      EXPECT_EQ(kind, name);
      if (kind == Gbk(first)) return world->model.get();
      if (kind == Gbk(other)) return second.get();
      return nullptr;
    };
    world->context.pictured = [this](std::u16string_view file, int column, int row, double width,
                                     double height) {
      world->log.push_back("PIC\t" + ColumnName(column) + std::to_string(row) + "\t" +
                           fs::path(Utf8(file)).filename().string() + "\t" +
                           std::to_string(static_cast<int>(width)) + "\t" +
                           std::to_string(static_cast<int>(height)));
    };
  }

  BagLabelAwbLoader Loader() {
    return [this](AwbPackInfo& info) {
      world->log.push_back("AWB\t" + Utf8(WideFromGbk(info.number)));
      info.ctransnote = U(keys["awb.ctransnote"]);
      info.cfrom = U(keys["awb.cfrom"]);
      info.cdes = U(keys["awb.cdes"]);
      info.creceiver = U(keys["awb.creceiver"]);
      info.cagent = U(keys["awb.cagent"]);
      info.cphone = U(keys["awb.cphone"]);
      info.cbroker = U(keys["awb.cbroker"]);
      info.csname = U(keys["awb.csname"]);
      info.csaddr = U(keys["awb.csaddr"]);
      info.csphone = U(keys["awb.csphone"]);
      info.cspostcode = U(keys["awb.cspostcode"]);
      info.cmemo = U(keys["awb.cmemo"]);
      info.cothercharge = U(keys["awb.cothercharge"]);
      return 1;
    };
  }

  // The server sends the logo of prefix 999 only.
  BagLabelDownload Download() {
    return [this](const FileRequest& r) -> int64_t {
      world->log.push_back("DOWNLOAD\t" + Utf8(WideFromGbk(r.kind)) + "\t" +
                           Utf8(WideFromGbk(r.title)) + "\t" +
                           fs::path(r.localPath).filename().string());
      EXPECT_EQ(fs::path(r.localPath).parent_path(), out);
      EXPECT_EQ(r.id, 0);
      EXPECT_EQ(r.grade, 0);
      EXPECT_TRUE(r.key.empty() && r.fileName.empty());
      if (r.title == "999") fs::copy_file(kLogo, r.localPath, fs::copy_options::overwrite_existing);
      std::error_code ec;
      auto size = fs::file_size(r.localPath, ec);
      return ec ? -1 : static_cast<int64_t>(size);
    };
  }
};

class BagLabelGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(BagLabelGolden, FilledWorkbooksMatch) {
  fs::path folder = kCases / GetParam();
  auto keys = ReadKeys(folder / "case.txt");
  const bool sealForm = keys["order"] == "seal";
  LabelWorld w(folder, sealForm);
  int result = PrintBagLabels(w.world->context, SourcesOf(w.keys),
                              sealForm ? BagLabelOrder::kSealForm : BagLabelOrder::kBaggingForm,
                              keys["both"] == "1", w.Loader(), w.Download());
  std::vector<std::string> got{"RESULT\t" + std::to_string(result)};
  for (auto& line : w.world->log) got.push_back(line);
  std::vector<fs::path> books;
  for (auto& e : fs::directory_iterator(w.out / "kept")) {
    const std::string name = e.path().filename().string();
    EXPECT_EQ(name.rfind("BAGLABEL_", 0), 0u) << name;
    EXPECT_EQ(name.find_first_not_of("0123456789_", 9), name.size() - 4) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".xls");
    books.push_back(e.path());
  }
  std::sort(books.begin(), books.end(), [](const fs::path& a, const fs::path& b) {
    return fs::last_write_time(a) < fs::last_write_time(b);
  });
  for (size_t i = 0; i < books.size(); ++i) {
    got.push_back("BOOK\t" + std::to_string(i + 1));
    for (auto& cell : ReadBack(books[i], true)) got.push_back(cell);
  }
  // The bar code pictures are gone; a fetched logo stays in the program
  // folder.
  if (fs::exists(w.out / "DATA_TEMP"))
    for (auto& f : fs::directory_iterator(w.out / "DATA_TEMP"))
      ADD_FAILURE() << "left behind: " << f.path();
  if (keys["awbNumber"].find('-') != std::string::npos) EXPECT_TRUE(fs::exists(w.out / "999.jpg"));

  std::string text;
  for (auto& line : got) text += line + "\n";
  const std::string expected = ReadFile(folder / "expected.txt");
  if (text != expected) WriteFile(w.out / "got.txt", text);
  EXPECT_EQ(text, expected) << "case " << GetParam() << "; produced: " << w.out / "got.txt";
}

INSTANTIATE_TEST_SUITE_P(Cases, BagLabelGolden,
                         ::testing::Values("seal_label_every_field", "seal_order_on_awb",
                                           "no_logo_without_dash"));

// The print command's refusals: no bag, no first template (each form its
// own message), a template without workbook or text (silent), a missing
// second template (silent, the first still prints).
TEST(BagLabelPrint, MissingTemplatesAndBags) {
  LabelWorld w(kCases / "no_logo_without_dash", false);
  BagLabelSources s = SourcesOf(w.keys);
  PrintContext& c = w.world->context;
  int templateCalls = 0;
  c.findTemplate = [&](std::string_view, std::string_view) -> CTemplateModel* {
    ++templateCalls;
    return nullptr;
  };
  struct Case {
    const char* what;
    BagLabelOrder order;
    int32_t bagId;
    const char16_t* number;
    std::string message;
  };
  for (const Case& k : {Case{"no bag id", BagLabelOrder::kBaggingForm, 0, u"BX1", ""},
                        Case{"no bag number", BagLabelOrder::kSealForm, 71006, u"", ""},
                        Case{"bagging form", BagLabelOrder::kBaggingForm, 71006, u"BX1",
                             "MSG\t#400092"},
                        Case{"seal form", BagLabelOrder::kSealForm, 71006, u"BX1",
                             "MSG\t#360092"}}) {
    SCOPED_TRACE(k.what);
    w.world->log.clear();
    templateCalls = 0;
    s.bagId = k.bagId;
    s.bagNumber = k.number;
    EXPECT_EQ(PrintBagLabels(c, s, k.order, true, w.Loader(), w.Download()), 0);
    EXPECT_EQ(templateCalls, k.message.empty() ? 0 : 1);
    EXPECT_EQ(w.world->log, k.message.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{k.message});
  }

  // A first template without its workbook prints nothing and says nothing.
  s = SourcesOf(w.keys);
  CTemplateModel bare(Gbk("封袋标签"), Gbk("封袋标签"));
  bare.SetText(Gbk("<列表定义开始>\n袋号=A1\n<列表定义结束>\n"));
  c.findTemplate = [&](std::string_view, std::string_view) { return &bare; };
  w.world->log.clear();
  EXPECT_EQ(PrintBagLabels(c, s, BagLabelOrder::kBaggingForm, true, w.Loader(), w.Download()), 0);
  EXPECT_TRUE(w.world->log.empty());
  EXPECT_TRUE(fs::is_empty(w.out / "kept"));
}

// A label whose print reaches no queue is not reported as printed: the
// operator is told which bag and why, and the work files are gone.  A
// label that reaches the template's label queue is printed, with its work
// files named as the label's and kept inside DATA_TEMP whatever the bag
// number holds.
TEST(BagLabelPrint, NothingSentIsNotPrinted) {
  LabelWorld w(kCases / "no_logo_without_dash", false);
  PrintContext& c = w.world->context;
  c.keepAllIn.clear();
  BagLabelSources s = SourcesOf(w.keys);
  s.bagNumber = u"BX/../71";
  AwbPackInfo none;

  std::vector<std::string> queues;
  c.selectPrinter = [&](int kind, std::u16string_view name) {
    queues.push_back(std::to_string(kind) + " " + Utf8(name));
    return std::u16string();
  };
  w.world->log.clear();
  EXPECT_EQ(FillBagLabel(c, s, *w.world->model, none, w.Download()), 0);
  EXPECT_EQ(queues, std::vector<std::string>{"2 golden"});  // the template's label queue
  ASSERT_EQ(w.world->log.size(), 2u);  // the picture, then the message
  EXPECT_EQ(w.world->log[1].rfind("MSG\t#701000", 0), 0u) << w.world->log[1];
  EXPECT_TRUE(fs::is_empty(w.out / "DATA_TEMP"));

  // Printed: the bar code lies in DATA_TEMP while the job prints, and is
  // gone afterwards with the workbook.
  std::vector<std::string> during;
  c.selectPrinter = [](int, std::u16string_view) { return std::u16string(u"BagLabelQueue"); };
  c.printed = [&](std::u16string_view queue, int pages) {
    during.push_back(Utf8(queue) + " " + std::to_string(pages));
    for (auto& e : fs::directory_iterator(w.out / "DATA_TEMP"))
      during.push_back(e.path().filename().string());
  };
  w.world->log.clear();
  EXPECT_EQ(FillBagLabel(c, s, *w.world->model, none, w.Download()), 1);
  EXPECT_EQ(during, (std::vector<std::string>{"BagLabelQueue 1", "BX_.._71_N1.bmp"}));
  EXPECT_TRUE(fs::is_empty(w.out / "DATA_TEMP"));
  EXPECT_TRUE(w.world->log.size() == 1 && w.world->log[0].rfind("PIC", 0) == 0);

  // An airline prefix that names a path reaches the program folder only.
  AwbPackInfo odd;
  odd.number = "../x/9-1";
  CTemplateModel logoOnly(Gbk("封袋标签"), Gbk("封袋标签"));
  logoOnly.SetText(Gbk("<列表定义开始>\n航线标志图=A1\n<列表定义结束>\n"));
  logoOnly.SetWorkbook(w.world->model->Workbook());
  w.world->log.clear();
  EXPECT_EQ(FillBagLabel(c, s, logoOnly, odd, w.Download()), 1);
  ASSERT_EQ(w.world->log.size(), 1u);
  EXPECT_EQ(w.world->log[0], "DOWNLOAD\t航线标志图\t../x/9\t___x_9.jpg");
}

}  // namespace
