// Rendering documents: 100 channel waybills and 100 labels, each filled into
// a copy of its template's workbook and kept (no printer), against the bare
// fill of the same number of cells in one range call on the same workbook.
//
//   BM_RenderWaybills  the waybill renderer: fields, blocks, the inner
//                      number barcode and the QR Code, one workbook each;
//   BM_RenderLabels    the label renderer, one label a sheet;
//   BM_BareFill        the reference: a workbook from the same template,
//                      the same number of cells in one row (sent to the
//                      suite as one range), saved.
//
// Reported per document.  The office suite runs with a profile in a temp
// folder and is ended when the program ends.  Read the ratio of the renders
// to the bare fill in one run; the times depend on the machine's load.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <QString>

#include <benchmark/benchmark.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "print/LabelLayout.h"
#include "print/PrintFields.h"
#include "print/Renderers.h"
#include "print/TemplateModel.h"
#include "refdata/WaybillCache.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDocuments = 100;
constexpr int kCells = 20;

std::string Gbk(const std::string& utf8) {
  return GbkFromWide(QString::fromStdString(utf8).toStdU16String());
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct World {
  fs::path folder;
  std::string workbook;
  std::map<int32_t, std::string> replies;
  CTemplateModel waybill{Gbk("渠道面单"), Gbk("bench")};
  CTemplateModel label{Gbk("快件标签"), Gbk("bench")};
  CPrintFieldDictionary fields;
  CFieldMarkers markers;
  PrintContext context;

  World() {
    char pattern[] = "/tmp/brantle-print-bench-XXXXXX";
    folder = mkdtemp(pattern);
    office::SetOfficeProfileFolder((folder / "profile").string());
    {
      CExcelSession s;
      s.CreateWorkbook(u"T", QString::fromStdString((folder / "template.xls").string()).toStdU16String(),
                       {}, false);
      s.SetCellText(1, 1, u"Template");
      s.SaveAndClose();
    }
    workbook = ReadAll(folder / "template.xls");
    for (int i = 1; i <= kDocuments; ++i) {
      std::string reply =
          "{\"ReturnValue\":1,\"irID\":" + std::to_string(i) +
          ",\"icID\":1,\"dDate\":\"2026-12-01\",\"cNum\":\"BR12" + std::to_string(100000 + i) +
          "\",\"cZizKind\":\"DHL\",\"cSender\":\"张三\",\"cSAddr\":\"深圳市 南山区 科技园 深南大道 一万号\","
          "\"cSPhone\":\"13800138000\",\"cReceiver\":\"John Smith\",\"cRAddr\":\"100 Main Street "
          "Apartment 12B Springfield\",\"cRCity\":\"Springfield\",\"cRPostcode\":\"62704\","
          "\"cDes\":\"美国\",\"fWeight\":1.5,\"iItem\":1,\"cGoods\":\"衣服\",\"GoodsList\":[],"
          "\"WeightList\":[]}";
      replies[i] = Gbk(reply);
    }
    std::string list =
        "<列表定义开始>\n内部单号=A1\n发件人=A2\n发件电话=B2\n发件地址1=A3\n发件地址2=A4\n"
        "收件人=C2\n收件电话=D2\n收件邮编=D3\n收件地址1=C3\n收件地址2=C4\n收件城市=C5\n"
        "目的地=B1\n入重=C1\n件数=D1\n业务日期=E1\n物品描述=E2\n内单条码位图=A8\n二维码位图=E8\n"
        "<列表定义结束>\n<二维码定义开始>\n[运单号]/[重量]\n<二维码定义结束>\n";
    waybill.SetText(Gbk("打印份数=1\n" + list));
    waybill.SetWorkbook(workbook);
    label.SetText(Gbk(list));
    label.SetWorkbook(workbook);
    fields.Build(AppLanguage());
    context.loadRecord = [this](int32_t id, InputWaybillRecord& r, PieceList& p, GoodsList& g) {
      auto it = replies.find(id);
      if (it == replies.end()) return 0;
      CWaybillCache::ReadReply(it->second, r, p, g);
      return id;
    };
    context.findTemplate = [this](std::string_view, std::string_view) { return &waybill; };
    context.currentTemplate = [this](int) { return &waybill; };
    context.fields = &fields;
    context.markers = &markers;
    context.programFolder = folder.string() + "/";
    context.dayFolder = folder.string();
    context.keepAllIn = (folder / "kept").string();
    fs::create_directories(folder / "kept");
  }
  ~World() {
    office::ShutdownOfficeSuite();
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
};

World& TheWorld() {
  static World world;
  return world;
}

void PerDocument(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kDocuments);
  state.counters["per_document"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kDocuments),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RenderWaybills(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state)
    for (int i = 1; i <= kDocuments; ++i)
      if (RenderWaybill(w.context, i, 0, 1, u"") == nullptr) state.SkipWithError("not rendered");
  PerDocument(state);
}

void BM_RenderLabels(benchmark::State& state) {
  World& w = TheWorld();
  CLabelLayout layout;
  layout.Load(&w.label, w.fields);
  for (auto _ : state) {
    std::vector<int32_t> ids;
    for (int i = 1; i <= kDocuments; ++i) ids.push_back(i);
    int cursor = -1, count = 1;
    while (!ids.empty())
      if (!RenderLabelSheet(w.context, ids, 1, cursor, count, 1, layout, -1)) {
        state.SkipWithError("not rendered");
        break;
      }
  }
  PerDocument(state);
}

void BM_BareFill(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) {
    for (int i = 1; i <= kDocuments; ++i) {
      fs::path out = w.folder / "kept" / ("bare" + std::to_string(i) + ".xls");
      CExcelSession s;
      s.SetOverwriteQuestion(false);
      s.CreateFromTemplateData(u"BILL", QString::fromStdString(out.string()).toStdU16String(),
                               w.workbook.data(), w.workbook.size(), false);
      for (int c = 1; c <= kCells; ++c) s.SetCell(1, c, CellValue(std::u16string(u"BR12000001")));
      if (!s.SaveAndClose()) state.SkipWithError("save failed");
    }
  }
  PerDocument(state);
}

BENCHMARK(BM_RenderWaybills)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RenderLabels)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_BareFill)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
