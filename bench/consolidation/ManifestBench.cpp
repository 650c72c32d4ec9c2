// The master air waybill manifest: 5,000 waybills in the standard layout
// (one row per waybill, 40 columns) written through the office suite,
// beside the bare fill of the same 5,000 x 40 cells in one range call
// (setDataArray) on the same template.
//
//   BM_ManifestExport  the whole export after the query: the reply read by
//                      position, every row's values, the totals and header
//                      cells, the workbook written from the template and
//                      saved;
//   BM_BareRangeFill   the reference: the template opened, the same number
//                      of texts in one range call, saved.
//
// Reported per waybill.  The office suite runs with a profile in a temp
// folder and is ended when the program ends.  Read the ratio of the two in
// one run; the times depend on the machine's load.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <osl/file.hxx>

#include "common/TextCodec.h"
#include "consolidation/AwbManifest.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "office/OfficeUno.h"
#include "print/TemplateModel.h"

namespace fs = std::filesystem;
namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr int kWaybills = 5000;
constexpr int kColumns = 40;

// The 40 list fields of the bench template, columns A.. in order.
const char16_t* const kFields[kColumns] = {
    u"序号", u"包号", u"件数", u"总单号", u"航班号", u"发件单位或姓名", u"收件单位或姓名", u"转单号",
    u"内单号", u"参考号", u"报关号", u"客户账号", u"快递类别", u"快件类型", u"发件地址", u"发件地址1",
    u"发件地址2", u"发件人姓名", u"发件电话", u"发件国家", u"收件人姓名", u"收件地址", u"收件电话",
    u"收件邮编", u"收件国家", u"收件城市", u"目的地", u"重量", u"入重", u"称重", u"物品描述", u"数量",
    u"单价", u"价值", u"货币", u"结算", u"声明价", u"备注", u"袋号", u"袋重"};

struct World {
  fs::path folder;
  std::string workbook;
  CTemplateModel model{GbkFromWide(manifest::kTemplateKind), "bench"};
  std::string reply;

  World() {
    char pattern[] = "/tmp/brantle-manifest-bench-XXXXXX";
    folder = mkdtemp(pattern);
    office::SetOfficeProfileFolder((folder / "profile").string());
    {
      CExcelSession s;
      s.CreateWorkbook(u"T", (folder / "template.xls").u16string(), {}, false);
      s.SetCellText(1, 1, u"MANIFEST");
      s.SaveAndClose();
    }
    std::ifstream in(folder / "template.xls", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    workbook = bytes.str();
    std::u16string text = u"<头定义开始>\r\nA1=[总单号] [总票数] [总件数] [总重量]\r\nF1=[数字签名]\r\n"
                          u"<头定义结束>\r\n<列表定义开始>\r\n";
    for (int c = 0; c < kColumns; ++c) {
      std::u16string column;
      if (c >= 26) column.push_back(static_cast<char16_t>(u'A' + c / 26 - 1));
      column.push_back(static_cast<char16_t>(u'A' + c % 26));
      text += std::u16string(kFields[c]) + u"=" + column + u"3\r\n";
    }
    text += u"<列表定义结束>\r\n";
    model.SetText(GbkFromWide(text));
    model.SetWorkbook(workbook);
    // The reply of the one-row-per-waybill query, every column by position.
    reply = "{\"ReturnValue\":1,\"List\":[";
    for (int i = 1; i <= kWaybills; ++i) {
      std::string row = "{";
      for (int k = 0; k <= 119; ++k) {
        std::string v;
        switch (k) {
          case 9: v = "2"; break;                        // iitem
          case 10: case 43: case 57: v = "1.25"; break;   // weights
          case 20: v = "150000"; break;                   // idvalue
          case 21: v = "USD"; break;
          case 23: v = "3"; break;                        // iquantity
          case 24: v = "1250"; break;                     // iprice
          case 26: v = "PP"; break;
          case 54: v = std::to_string(i); break;          // irid
          case 69: case 70: v = "2024-05-06 10:00:00"; break;
          default: v = "T" + std::to_string(k) + "-" + std::to_string(i);
        }
        row += (k ? ",\"" : "\"") + std::to_string(k) + "\":\"" + v + "\"";
      }
      reply += (i > 1 ? "," : "") + row + "}";
    }
    reply += "],\"iTotal\":" + std::to_string(kWaybills) + "}";
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

void PerWaybill(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kWaybills);
  state.counters["per_waybill"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kWaybills),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ManifestExport(benchmark::State& state) {
  World& w = TheWorld();
  manifest::ManifestServices sv;
  sv.findTemplate = [&](std::string_view) { return &w.model; };
  int call = 0;
  sv.query = [&](std::string_view, std::span<const uint32_t>, std::string& out) {
    // The open bags hold every waybill; no bag is past state 2.
    out = (call++ % 2 == 0) ? w.reply : std::string("{\"ReturnValue\":1,\"List\":[],\"iTotal\":0}");
    return 1;
  };
  sv.message = [](const std::u16string&) {};
  sv.programFolder = w.folder.string() + "/";
  manifest::ManifestForm form;
  form.awbNumber = u"123-45-6";
  form.templateName = u"bench";
  form.flight = u"CA981";
  form.openFile = false;
  for (auto _ : state) {
    const manifest::ExportOutcome out = manifest::RunManifestExport(form, sv);
    if (out.path.empty() || out.totals.dataRows != kWaybills) state.SkipWithError("not written");
  }
  PerWaybill(state);
}

rtl::OUString Url(const fs::path& p) {
  rtl::OUString url;
  osl::FileBase::getFileURLFromSystemPath(rtl::OUString::createFromAscii(p.c_str()), url);
  return url;
}

rtl::OUString OU(const std::string& s) { return rtl::OUString::createFromAscii(s.c_str()); }

void BM_BareRangeFill(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) {
    auto suite = office::detail::AcquireSuite();
    Sequence<css::beans::PropertyValue> props(2);
    props[0].Name = "Hidden";
    props[0].Value <<= true;
    props[1].Name = "AsTemplate";
    props[1].Value <<= true;
    auto doc = suite.desktop->loadComponentFromURL(Url(w.folder / "template.xls"), "_blank", 0, props);
    Reference<css::sheet::XSpreadsheetDocument> sheets(doc, UNO_QUERY_THROW);
    Reference<css::container::XIndexAccess> index(sheets->getSheets(), UNO_QUERY_THROW);
    Reference<css::sheet::XSpreadsheet> sheet(index->getByIndex(0), UNO_QUERY_THROW);
    Sequence<Sequence<Any>> data(kWaybills);
    for (int r = 0; r < kWaybills; ++r) {
      data[r].realloc(kColumns);
      for (int c = 0; c < kColumns; ++c) data[r][c] <<= OU("T" + std::to_string(c) + "-" + std::to_string(r));
    }
    Reference<css::sheet::XCellRangeData>(
        sheet->getCellRangeByPosition(0, 2, kColumns - 1, kWaybills + 1), UNO_QUERY_THROW)
        ->setDataArray(data);
    Sequence<css::beans::PropertyValue> save(2);
    save[0].Name = "FilterName";
    save[0].Value <<= rtl::OUString("MS Excel 97");
    save[1].Name = "Overwrite";
    save[1].Value <<= true;
    Reference<css::frame::XStorable>(doc, UNO_QUERY_THROW)->storeToURL(Url(w.folder / "bare.xls"), save);
    Reference<css::util::XCloseable>(doc, UNO_QUERY_THROW)->close(true);
  }
  PerWaybill(state);
}

BENCHMARK(BM_ManifestExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_BareRangeFill)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
