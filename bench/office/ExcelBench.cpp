// Filling a template: 500 rows of 20 cells, saved as .xls.
//
//   BM_FillPerCell       the session's cell calls, one SetCellText per cell
//                        (the session gathers them and sends them to the
//                        suite in blocks);
//   BM_FillDataArray     the same 10,000 texts in one setDataArray call on
//                        the same template: the reference for the above;
//                        target: BM_FillPerCell within 2x of it;
//   BM_FillPerCellDirect one remote call per cell, as a plain automation
//                        client would do it (what the blocks save).
//
// Reported per row.  The suite runs with a profile in a temp folder and is
// ended when the program ends.  On a shared machine read the ratio of the
// first two in one run, not the times.

#include <stdlib.h>

#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <osl/file.hxx>

#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "office/OfficeUno.h"

namespace fs = std::filesystem;
namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr int kRows = 500;
constexpr int kColumns = 20;

struct Folder {
  fs::path path;
  Folder() {
    char pattern[] = "/tmp/brantle-office-bench-XXXXXX";
    path = mkdtemp(pattern);
    office::SetOfficeProfileFolder((path / "profile").string());
    CExcelSession s;
    s.CreateWorkbook(u"T", (path / "template.xls").u16string(), {}, false);
    s.SetCellText(1, 1, u"Template");
    s.SaveAndClose();
  }
  ~Folder() {
    office::ShutdownOfficeSuite();
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

Folder& TheFolder() {
  static Folder folder;
  return folder;
}

std::u16string CellValueText(int r, int c) {
  std::string s = "R" + std::to_string(r) + "C" + std::to_string(c) + "-BR12345678CN";
  return std::u16string(s.begin(), s.end());
}

rtl::OUString Url(const fs::path& p) {
  rtl::OUString url;
  osl::FileBase::getFileURLFromSystemPath(rtl::OUString::createFromAscii(p.c_str()), url);
  return url;
}

void BM_FillPerCell(benchmark::State& state) {
  Folder& f = TheFolder();
  for (auto _ : state) {
    fs::remove(f.path / "out.xls");  // no overwrite question
    CExcelSession s;
    s.CreateWorkbook(u"BILL", (f.path / "out.xls").u16string(),
                     (f.path / "template.xls").u16string(), false);
    for (int r = 1; r <= kRows; ++r)
      for (int c = 1; c <= kColumns; ++c) s.SetCellText(r + 1, c, CellValueText(r, c));
    if (!s.SaveAndClose()) state.SkipWithError("save failed");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["per_row"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kRows),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Opens the template through UNO directly.
Reference<css::lang::XComponent> OpenTemplate(Reference<css::sheet::XSpreadsheet>& sheet) {
  auto suite = office::detail::AcquireSuite();
  Sequence<css::beans::PropertyValue> props(2);
  props[0].Name = "Hidden";
  props[0].Value <<= true;
  props[1].Name = "AsTemplate";
  props[1].Value <<= true;
  auto doc = suite.desktop->loadComponentFromURL(Url(TheFolder().path / "template.xls"),
                                                 "_blank", 0, props);
  Reference<css::sheet::XSpreadsheetDocument> sheets(doc, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> index(sheets->getSheets(), UNO_QUERY_THROW);
  sheet.set(index->getByIndex(0), UNO_QUERY_THROW);
  return doc;
}

void SaveXls(const Reference<css::lang::XComponent>& doc) {
  Sequence<css::beans::PropertyValue> props(2);
  props[0].Name = "FilterName";
  props[0].Value <<= rtl::OUString("MS Excel 97");
  props[1].Name = "Overwrite";
  props[1].Value <<= true;
  Reference<css::frame::XStorable>(doc, UNO_QUERY_THROW)
      ->storeToURL(Url(TheFolder().path / "out.xls"), props);
  Reference<css::util::XCloseable>(doc, UNO_QUERY_THROW)->close(true);
}

rtl::OUString OU(const std::u16string& s) {
  return rtl::OUString(reinterpret_cast<const sal_Unicode*>(s.data()),
                       static_cast<sal_Int32>(s.size()));
}

void BM_FillPerCellDirect(benchmark::State& state) {
  TheFolder();
  for (auto _ : state) {
    Reference<css::sheet::XSpreadsheet> sheet;
    auto doc = OpenTemplate(sheet);
    for (int r = 1; r <= kRows; ++r)
      for (int c = 1; c <= kColumns; ++c)
        sheet->getCellByPosition(c - 1, r)->setFormula(OU(CellValueText(r, c)));
    SaveXls(doc);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["per_row"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kRows),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FillDataArray(benchmark::State& state) {
  TheFolder();
  for (auto _ : state) {
    Reference<css::sheet::XSpreadsheet> sheet;
    auto doc = OpenTemplate(sheet);
    Sequence<Sequence<Any>> data(kRows);
    for (int r = 1; r <= kRows; ++r) {
      data[r - 1].realloc(kColumns);
      for (int c = 1; c <= kColumns; ++c) data[r - 1][c - 1] <<= OU(CellValueText(r, c));
    }
    Reference<css::sheet::XCellRangeData>(
        sheet->getCellRangeByPosition(0, 1, kColumns - 1, kRows), UNO_QUERY_THROW)
        ->setDataArray(data);
    SaveXls(doc);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["per_row"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kRows),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_FillPerCell)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillPerCellDirect)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_FillDataArray)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
