#include "office/ExcelSession.h"

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/view/XPrintable.hpp>
#include <osl/file.hxx>
#include <rtl/ustring.hxx>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "office/OfficeUno.h"
#include "platform/MessageBox.h"

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr int kTextSuiteNotAvailable = 20035;
constexpr int kTextReplaceQuestion = 20036;
constexpr int kTextCannotReplace = 20037;
constexpr int kTextReplaceDeclined = 20038;
constexpr int kTextWorkbookMissing = 20039;
constexpr int kTextNoWorkbook = 20040;
constexpr int kTextPictureMissing = 20041;
constexpr int kTextNotAPicture = 20042;
constexpr int kTextPrinterMissing = 20043;
// Errors the suite raised, each with the suite's own description as %1.
constexpr int kTextWriteFailed = 20044;
constexpr int kTextReadFailed = 20045;
constexpr int kTextPictureFailed = 20046;
constexpr int kTextPrintFailed = 20047;

constexpr const char* kFilterXls = "MS Excel 97";
constexpr const char* kFilterXlsx = "Calc MS Excel 2007 XML";
constexpr const char* kFilterPdf = "calc_pdf_Export";

// Writes are collected and sent in blocks once this many are waiting.
constexpr size_t kMaxPendingWrites = 200000;

rtl::OUString OU(std::u16string_view s) {
  return rtl::OUString(reinterpret_cast<const sal_Unicode*>(s.data()),
                       static_cast<sal_Int32>(s.size()));
}

std::u16string U16(const rtl::OUString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.getStr()),
                        static_cast<size_t>(s.getLength()));
}

std::u16string U16Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

std::filesystem::path PathOf(std::u16string_view file) {
  return std::filesystem::path(std::u16string(file));
}

rtl::OUString UrlOf(const std::filesystem::path& path) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(path, ec);
  auto utf8 = (ec ? path : absolute).u8string();
  rtl::OUString system(reinterpret_cast<const char*>(utf8.data()),
                       static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
  rtl::OUString url;
  osl::FileBase::getFileURLFromSystemPath(system, url);
  return url;
}

css::beans::PropertyValue Prop(const char* name, const Any& value) {
  css::beans::PropertyValue p;
  p.Name = rtl::OUString::createFromAscii(name);
  p.Value = value;
  return p;
}

Sequence<css::beans::PropertyValue> Props(const std::vector<css::beans::PropertyValue>& list) {
  Sequence<css::beans::PropertyValue> seq(static_cast<sal_Int32>(list.size()));
  for (size_t i = 0; i < list.size(); ++i) seq[static_cast<sal_Int32>(i)] = list[i];
  return seq;
}

bool IsXlsxName(const std::filesystem::path& path) {
  auto ext = path.extension().string();
  for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".xlsx";
}

// True for the names of workbook files (.xls, .xlsx and their relatives).
bool HasWorkbookName(const std::filesystem::path& path) {
  auto ext = path.extension().string();
  for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".xls" || ext == ".xlsx" || ext == ".xlsm" || ext == ".xlt" || ext == ".xltx";
}

// True when the suite read the document through its text (CSV) import.
bool LoadedAsText(const Reference<css::lang::XComponent>& component) {
  Reference<css::frame::XModel> model(component, UNO_QUERY);
  if (!model.is()) return false;
  rtl::OUString filter;
  for (const auto& a : model->getArgs())
    if (a.Name == "FilterName") a.Value >>= filter;
  return filter.startsWith("Text - txt - csv");
}

// The office suite's lock file of a document: present while another program
// of the suite has the document open for editing.
std::filesystem::path LockFileOf(const std::filesystem::path& file) {
  return file.parent_path() / (".~lock." + file.filename().string() + "#");
}

bool ExistsOrLink(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::symlink_status(p, ec).type() != std::filesystem::file_type::not_found &&
         !ec;
}

std::u16string LangText(int id) { return AppLanguage().Text(id); }

// The language text with "%1" replaced by the given text; a text that ends
// in "%1" and gets an empty one loses its trailing blanks.
std::u16string LangTextWith(int id, std::u16string_view value) {
  std::u16string text = AppLanguage().TextWithString(id, value);
  if (value.empty()) {
    while (!text.empty() && text.back() == u' ') text.pop_back();
  }
  return text;
}

// 1/100 mm per point.
constexpr double kHmmPerPoint = 2540.0 / 72.0;
// 1/100 mm per pixel at 96 dots per inch.
constexpr double kHmmPerPixel = 2540.0 / 96.0;

}  // namespace

// What waits to be written into a cell: a value the sheet stores as it is
// (a number, a text that cannot be read as anything else, or an empty text
// that clears the cell), or an input text the sheet reads as if typed.
struct PendingWrite {
  bool typed = false;
  Any value;            // when not typed
  rtl::OUString input;  // when typed
};

struct CExcelSession::Impl {
  office::detail::SuiteHandle suite;
  Reference<css::lang::XComponent> component;
  Reference<css::sheet::XSpreadsheetDocument> document;
  Reference<css::sheet::XSpreadsheet> sheet;
  Reference<css::util::XNumberFormats> formats;
  Reference<css::drawing::XShape> lastPicture;
  css::util::Date nullDate{30, 12, 1899};
  std::map<std::pair<int, int>, PendingWrite> pending;  // (row, column) from 1

  void Release() {
    pending.clear();
    lastPicture.clear();
    formats.clear();
    sheet.clear();
    document.clear();
    component.clear();
    suite = {};
  }

  // The workbook's first sheet becomes the current one; the document's null
  // date is kept for date cells.
  void TakeFirstSheet() {
    Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
    sheet.set(sheets->getByIndex(0), UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet>(document, UNO_QUERY_THROW)->getPropertyValue("NullDate") >>=
        nullDate;
  }

  // Closes a loaded component that is not a workbook and lets go of it all.
  void CloseAndRelease(const Reference<css::lang::XComponent>& loaded) {
    if (loaded.is()) Reference<css::util::XCloseable>(loaded, UNO_QUERY_THROW)->close(true);
    Release();
  }

  // After a failure of the suite: disposes what was loaded, ignoring any
  // further failure, and lets go of it all.
  void DisposeAndRelease() {
    try {
      if (component.is()) component->dispose();
    } catch (...) {
    }
    Release();
  }

  Reference<css::table::XCell> Cell(int row, int column) {
    return sheet->getCellByPosition(column - 1, row - 1);
  }

  // Enters a text into a cell as if typed: numbers, dates, times and
  // percentages are read with their number format, formulas in the sheet's
  // usual syntax (commas between arguments).
  static void TypeIn(const Reference<css::table::XCell>& cell, const rtl::OUString& input) {
    Reference<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)
        ->setPropertyValue("FormulaLocal", Any(input));
  }

  // Sends the waiting writes: runs of neighbouring cells of one kind in a
  // row, and rows with the same run one below the other, go as one block.
  // Stored values go in one call per block; typed texts in one call and a
  // second pass over the cells that are not text.
  void Flush();

  // Reads the cell's value in the sheet's own terms.
  enum class Kind { Empty, String, Number, Date, Boolean };
  struct Value {
    Kind kind = Kind::Empty;
    std::u16string text;
    double number = 0;
  };
  Value Read(int row, int column);
  Kind KindOfFormat(const Reference<css::table::XCell>& cell);
};

void CExcelSession::Impl::Flush() {
  if (pending.empty() || !sheet.is()) return;
  struct Run {
    int row, first, last;
    bool typed;
  };
  std::vector<Run> runs;
  for (auto& [key, write] : pending) {
    auto [row, column] = key;
    if (!runs.empty() && runs.back().row == row && runs.back().last + 1 == column &&
        runs.back().typed == write.typed) {
      runs.back().last = column;
    } else {
      runs.push_back({row, column, column, write.typed});
    }
  }
  // Blocks: consecutive rows with the same run.
  size_t i = 0;
  while (i < runs.size()) {
    size_t j = i + 1;
    // Runs are in row order; a block takes the next row's run when it spans
    // the same columns and is the only run of that row in the block's span.
    while (j < runs.size() && runs[j].row == runs[j - 1].row + 1 &&
           runs[j].first == runs[i].first && runs[j].last == runs[i].last &&
           runs[j].typed == runs[i].typed)
      ++j;
    const Run& r = runs[i];
    int rows = static_cast<int>(j - i);
    int columns = r.last - r.first + 1;
    auto range = sheet->getCellRangeByPosition(r.first - 1, r.row - 1, r.last - 1,
                                               r.row - 1 + rows - 1);
    if (!r.typed) {
      Sequence<Sequence<Any>> data(rows);
      auto* rowData = data.getArray();
      for (int y = 0; y < rows; ++y) {
        rowData[y].realloc(columns);
        auto* cells = rowData[y].getArray();
        for (int x = 0; x < columns; ++x) cells[x] = pending[{r.row + y, r.first + x}].value;
      }
      Reference<css::sheet::XCellRangeData>(range, UNO_QUERY_THROW)->setDataArray(data);
    } else if (rows == 1 && columns == 1) {
      TypeIn(range->getCellByPosition(0, 0), pending[{r.row, r.first}].input);
    } else {
      Sequence<Sequence<rtl::OUString>> data(rows);
      auto* rowData = data.getArray();
      for (int y = 0; y < rows; ++y) {
        rowData[y].realloc(columns);
        auto* cells = rowData[y].getArray();
        for (int x = 0; x < columns; ++x) cells[x] = pending[{r.row + y, r.first + x}].input;
      }
      Reference<css::sheet::XCellRangeFormula>(range, UNO_QUERY_THROW)->setFormulaArray(data);
      // The block form stores texts as they are but reads numbers, dates and
      // formulas without the number format and in the program's own formula
      // syntax; the cells it did not keep as text are typed in once more.
      auto read = Reference<css::sheet::XCellRangesQuery>(range, UNO_QUERY_THROW)
                      ->queryContentCells(css::sheet::CellFlags::VALUE |
                                          css::sheet::CellFlags::DATETIME |
                                          css::sheet::CellFlags::FORMULA);
      for (const auto& a : read->getRangeAddresses())
        for (sal_Int32 y = a.StartRow; y <= a.EndRow; ++y)
          for (sal_Int32 x = a.StartColumn; x <= a.EndColumn; ++x)
            TypeIn(sheet->getCellByPosition(x, y), pending[{y + 1, x + 1}].input);
    }
    i = j;
  }
  pending.clear();
}

CExcelSession::Impl::Kind CExcelSession::Impl::KindOfFormat(
    const Reference<css::table::XCell>& cell) {
  Reference<css::beans::XPropertySet> props(cell, UNO_QUERY_THROW);
  sal_Int32 key = 0;
  props->getPropertyValue("NumberFormat") >>= key;
  if (!formats.is()) {
    Reference<css::util::XNumberFormatsSupplier> supplier(document, UNO_QUERY_THROW);
    formats = supplier->getNumberFormats();
  }
  sal_Int16 type = 0;
  try {
    formats->getByKey(key)->getPropertyValue("Type") >>= type;
  } catch (const css::uno::RuntimeException&) {
    throw;
  } catch (const css::uno::Exception&) {
    return Kind::Number;  // unknown format key: a plain number
  }
  if (type & (css::util::NumberFormat::DATE | css::util::NumberFormat::TIME)) return Kind::Date;
  if (type & css::util::NumberFormat::LOGICAL) return Kind::Boolean;
  return Kind::Number;
}

CExcelSession::Impl::Value CExcelSession::Impl::Read(int row, int column) {
  Value v;
  if (!sheet.is() || row < 1 || column < 1) return v;
  Flush();
  auto cell = Cell(row, column);
  auto type = cell->getType();
  if (type == css::table::CellContentType_EMPTY) return v;
  if (type == css::table::CellContentType_TEXT) {
    v.kind = Kind::String;
    v.text = U16(Reference<css::text::XText>(cell, UNO_QUERY_THROW)->getString());
    return v;
  }
  if (type == css::table::CellContentType_FORMULA) {
    if (cell->getError() != 0) return v;
    sal_Int32 result = 0;
    Reference<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)
            ->getPropertyValue("FormulaResultType2") >>= result;
    if (result == css::sheet::FormulaResult::ERROR) return v;
    if (result == css::sheet::FormulaResult::STRING) {
      v.kind = Kind::String;
      v.text = U16(Reference<css::text::XText>(cell, UNO_QUERY_THROW)->getString());
      return v;
    }
  }
  v.number = cell->getValue();
  v.kind = KindOfFormat(cell);
  return v;
}

CExcelSession::CExcelSession() : impl_(std::make_unique<Impl>()) {}

CExcelSession::~CExcelSession() { Close(); }

bool CExcelSession::IsOpen() const { return impl_->sheet.is() && !saved_; }

void CExcelSession::Fail(std::u16string text) { errorText_ = std::move(text); }

// Opening or creating the workbook raised an error: the suite is gone
// (20035), or the workbook cannot be had (20039).
int CExcelSession::FailOpening() {
  FailFromSuite(kTextWorkbookMissing);
  impl_->DisposeAndRelease();
  return 0;
}

// A call into the suite raised an error.  When the suite is gone the reason
// is the suite (20035); otherwise the text `textId` with the suite's own
// description as %1.
void CExcelSession::FailFromSuite(int textId) {
  try {
    throw;
  } catch (const css::lang::DisposedException&) {
    office::detail::CheckSuiteAfterFailure();
    Fail(LangText(kTextSuiteNotAvailable));
  } catch (const css::uno::Exception& e) {
    if (!office::detail::CheckSuiteAfterFailure()) {
      Fail(LangText(kTextSuiteNotAvailable));
    } else {
      Fail(LangTextWith(textId, U16(e.Message)));
    }
  } catch (const std::exception& e) {
    Fail(LangTextWith(textId, U16Ascii(e.what())));
  } catch (...) {
    Fail(LangTextWith(textId, {}));
  }
}

int CExcelSession::CreateWorkbook(std::u16string_view sheetName, std::u16string_view outputFile,
                                  std::u16string_view templateFile, bool /*visible*/) {
  return Create(sheetName, outputFile, templateFile, nullptr, 0, false);
}

int CExcelSession::CreateFromTemplateData(std::u16string_view sheetName,
                                          std::u16string_view outputFile,
                                          const void* templateData, size_t templateLength,
                                          bool /*visible*/) {
  return Create(sheetName, outputFile, {}, templateData, templateLength, true);
}

bool CExcelSession::PrepareOutputFile(bool ask) {
  auto output = PathOf(outputFile_);
  if (ExistsOrLink(output)) {
    if (ask) {
      int answer = platform::ShowMessageBox(
          AppLanguage().TextWithString(kTextReplaceQuestion, outputFile_), u"",
          platform::kMbYesNo | platform::kMbIconQuestion);
      if (answer != platform::kIdYes) {
        Fail(LangText(kTextReplaceDeclined));
        return false;
      }
    }
    // A workbook another program of the suite has open is not replaced.
    std::error_code ec;
    if (ExistsOrLink(LockFileOf(output)) ||
        std::filesystem::is_directory(std::filesystem::symlink_status(output, ec)) ||
        !std::filesystem::remove(output, ec) || ec) {
      Fail(LangText(kTextCannotReplace));
      return false;
    }
  }
  // The folder must take the new workbook; find out now rather than after
  // the work is done.
  auto probe = output;
  probe += ".probe" + std::to_string(getpid());
  FILE* f = std::fopen(probe.c_str(), "wb");
  if (!f) {
    Fail(LangText(kTextCannotReplace));
    return false;
  }
  std::fclose(f);
  std::error_code ec;
  std::filesystem::remove(probe, ec);
  return true;
}

int CExcelSession::Create(std::u16string_view sheetName, std::u16string_view outputFile,
                          std::u16string_view templateFile, const void* templateData,
                          size_t templateLength, bool fromData) {
  if (impl_->component.is() || closeCount_.load() != 0) {
    Fail(LangText(kTextSuiteNotAvailable));  // a session serves one workbook
    return 0;
  }
  sheetName_ = sheetName;
  outputFile_ = outputFile;
  templateFile_ = templateFile;
  templateData_ = templateData;
  templateLength_ = templateLength;

  std::string why;
  impl_->suite = office::detail::AcquireSuite(&why);
  if (!impl_->suite.desktop.is()) {
    if (fromData) {
      platform::ShowMessageBox(LangText(kTextSuiteNotAvailable), u"",
                               platform::kMbOk | platform::kMbIconError);
    } else {
      Fail(LangText(kTextSuiteNotAvailable));
    }
    impl_->Release();
    return 0;
  }
  if (!PrepareOutputFile(fromData ? askBeforeOverwrite_ : true)) {
    impl_->Release();
    return 0;
  }

  try {
    std::vector<css::beans::PropertyValue> props{Prop("Hidden", Any(true))};
    rtl::OUString url = "private:factory/scalc";
    std::error_code ec;
    if (fromData && templateData && templateLength > 0) {
      Sequence<sal_Int8> bytes(static_cast<const sal_Int8*>(templateData),
                               static_cast<sal_Int32>(templateLength));
      props.push_back(Prop(
          "InputStream",
          Any(css::io::SequenceInputStream::createStreamFromSequence(impl_->suite.context,
                                                                     bytes))));
      url = "private:stream";
    } else if (!fromData && !templateFile.empty() &&
               std::filesystem::is_regular_file(PathOf(templateFile), ec)) {
      // A new untitled workbook made from the template; the template itself
      // is neither locked nor changed.
      props.push_back(Prop("AsTemplate", Any(true)));
      url = UrlOf(PathOf(templateFile));
    }
    auto component = impl_->suite.desktop->loadComponentFromURL(url, "_blank", 0, Props(props));
    impl_->component.set(component, UNO_QUERY);
    impl_->document.set(component, UNO_QUERY);
    bool fromTemplate = url != "private:factory/scalc";
    if (!impl_->document.is() ||
        (fromTemplate && (fromData || HasWorkbookName(PathOf(templateFile))) &&
         LoadedAsText(impl_->component))) {
      impl_->CloseAndRelease(component);
      Fail(LangText(kTextWorkbookMissing));
      return 0;
    }
    impl_->TakeFirstSheet();
    if (!sheetName_.empty())
      Reference<css::container::XNamed>(impl_->sheet, UNO_QUERY_THROW)->setName(OU(sheetName_));
    return 1;
  } catch (...) {
    return FailOpening();
  }
}

int CExcelSession::OpenForReading(std::u16string_view file) {
  if (impl_->component.is() || closeCount_.load() != 0) {
    Fail(LangText(kTextSuiteNotAvailable));
    return 0;
  }
  outputFile_ = file;
  sheetName_.clear();
  templateFile_.clear();
  templateData_ = nullptr;
  templateLength_ = 0;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(PathOf(file), ec)) {
    Fail(LangText(kTextWorkbookMissing));
    return 0;
  }
  impl_->suite = office::detail::AcquireSuite();
  if (!impl_->suite.desktop.is()) {
    Fail(LangText(kTextSuiteNotAvailable));
    impl_->Release();
    return 0;
  }
  try {
    auto component = impl_->suite.desktop->loadComponentFromURL(
        UrlOf(PathOf(file)), "_blank", 0,
        Props({Prop("Hidden", Any(true)), Prop("ReadOnly", Any(true))}));
    impl_->component.set(component, UNO_QUERY);
    impl_->document.set(component, UNO_QUERY);
    if (!impl_->document.is()) {
      // Not a workbook (the suite may have opened it as a text document).
      impl_->CloseAndRelease(component);
      Fail(LangText(kTextWorkbookMissing));
      return 0;
    }
    if (HasWorkbookName(PathOf(file)) && LoadedAsText(component)) {
      // A file named as a workbook that the suite could read only as text
      // (a picture, a damaged workbook ...) is not a workbook.
      impl_->CloseAndRelease(component);
      Fail(LangText(kTextWorkbookMissing));
      return 0;
    }
    impl_->TakeFirstSheet();
    saved_ = false;
    return 1;
  } catch (...) {
    return FailOpening();
  }
}

void CExcelSession::SetCell(int row, int column, const CellValue& value) {
  if (!impl_->sheet.is() || row < 1 || column < 1) return;
  try {
    if (const auto* number = std::get_if<double>(&value)) {
      if (std::isfinite(*number)) {
        PendingWrite w;
        w.value <<= *number;
        impl_->pending[{row, column}] = std::move(w);
      }
    } else if (const auto* text = std::get_if<std::u16string>(&value)) {
      PendingWrite w;
      if (ReadsAsPlainText(*text)) {  // an empty text clears the cell
        w.value <<= OU(*text);
      } else {
        w.typed = true;
        w.input = OU(*text);
      }
      impl_->pending[{row, column}] = std::move(w);
    } else if (std::holds_alternative<std::monostate>(value)) {
      PendingWrite w;
      w.value <<= rtl::OUString();  // clears the cell
      impl_->pending[{row, column}] = std::move(w);
    } else {
      // Dates and booleans carry a number format: written at once.
      impl_->Flush();
      auto cell = impl_->Cell(row, column);
      sal_Int16 formatType;
      if (const auto* date = std::get_if<CellDate>(&value)) {
        cell->setValue(SerialFromDate(date->year, date->month, date->day, date->hour,
                                      date->minute, date->second, impl_->nullDate.Year,
                                      impl_->nullDate.Month, impl_->nullDate.Day));
        formatType = (date->hour || date->minute || date->second)
                         ? css::util::NumberFormat::DATETIME
                         : css::util::NumberFormat::DATE;
      } else {
        cell->setValue(std::get<bool>(value) ? 1.0 : 0.0);
        formatType = css::util::NumberFormat::LOGICAL;
      }
      Reference<css::util::XNumberFormatTypes> types(
          Reference<css::util::XNumberFormatsSupplier>(impl_->document, UNO_QUERY_THROW)
              ->getNumberFormats(),
          UNO_QUERY_THROW);
      sal_Int32 key = types->getStandardFormat(formatType, css::lang::Locale());
      Reference<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)
          ->setPropertyValue("NumberFormat", Any(key));
    }
    if (impl_->pending.size() >= kMaxPendingWrites) impl_->Flush();
  } catch (...) {
    impl_->pending.clear();
    FailFromSuite(kTextWriteFailed);
  }
}

void CExcelSession::SetCellText(int row, int column, std::u16string_view text) {
  if (!NeedsTextApostrophe(text)) {
    SetCell(row, column, CellValue(std::u16string(text)));
    return;
  }
  // Stored as a text value: typed in with an apostrophe, the suite keeps the
  // apostrophe in the cell whenever the rest would not read as a value
  // ("0755-88881", "1Z999"), so the printed sheet would show it.
  if (!impl_->sheet.is() || row < 1 || column < 1) return;
  try {
    PendingWrite w;
    w.value <<= OU(std::u16string(text));
    impl_->pending[{row, column}] = std::move(w);
    if (impl_->pending.size() >= kMaxPendingWrites) impl_->Flush();
  } catch (...) {
    impl_->pending.clear();
    FailFromSuite(kTextWriteFailed);
  }
}

void CExcelSession::SetCellString(int row, int column, std::u16string_view text) {
  std::u16string decoded(text);
  DecodeNumericRefsW(decoded);
  DecodeNumericRefsW(decoded);
  SetCellText(row, column, decoded);
}

std::string CExcelSession::CellText(int row, int column) {
  try {
    auto v = impl_->Read(row, column);
    switch (v.kind) {
      case Impl::Kind::Empty:
        return {};
      case Impl::Kind::String:
        return GbkFromWide(v.text);
      case Impl::Kind::Boolean:
        return v.number != 0 ? "1" : "0";
      case Impl::Kind::Date:
        return DateCellText(v.number, impl_->nullDate.Year, impl_->nullDate.Month,
                            impl_->nullDate.Day);
      case Impl::Kind::Number:
        return NumberCellText(v.number);
    }
  } catch (...) {
    FailFromSuite(kTextReadFailed);
  }
  return {};
}

std::u16string CExcelSession::CellTextTo(int row, int column, size_t size) {
  if (size == 0) return {};
  try {
    auto v = impl_->Read(row, column);
    if (v.kind == Impl::Kind::String) {
      std::u16string text = std::move(v.text);
      if (text.size() > size - 1) text.resize(size - 1);
      DecodeNumericRefsW(text);
      return text;
    }
  } catch (...) {
    FailFromSuite(kTextReadFailed);
    return {};
  }
  std::u16string text = WideFromGbk(CellText(row, column));
  if (text.size() > size - 1) text.resize(size - 1);
  return text;
}

namespace {

css::table::CellRangeAddress UsedArea(const Reference<css::sheet::XSpreadsheet>& sheet) {
  auto cursor = sheet->createCursor();
  Reference<css::sheet::XUsedAreaCursor> used(cursor, UNO_QUERY_THROW);
  used->gotoStartOfUsedArea(false);
  used->gotoEndOfUsedArea(true);
  return Reference<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)
      ->getRangeAddress();
}

}  // namespace

int CExcelSession::UsedRowCount() {
  if (!impl_->sheet.is()) return 0;
  try {
    impl_->Flush();
    auto a = UsedArea(impl_->sheet);
    return a.EndRow - a.StartRow + 1;
  } catch (...) {
    FailFromSuite(kTextReadFailed);
    return 0;
  }
}

int CExcelSession::UsedColumnCount() {
  if (!impl_->sheet.is()) return 0;
  try {
    impl_->Flush();
    auto a = UsedArea(impl_->sheet);
    return a.EndColumn - a.StartColumn + 1;
  } catch (...) {
    FailFromSuite(kTextReadFailed);
    return 0;
  }
}

int CExcelSession::UsedLastRow() {
  if (!impl_->sheet.is()) return 0;
  try {
    impl_->Flush();
    return UsedArea(impl_->sheet).EndRow + 1;
  } catch (...) {
    FailFromSuite(kTextReadFailed);
    return 0;
  }
}

void CExcelSession::SetColumnWidth(int column, int pixels) {
  if (!impl_->sheet.is() || column < 1) return;
  try {
    // Characters of the standard font (7 pixels each) plus the cell margins
    // (5 pixels), as the workbook formats count a column width.
    int characters = ColumnWidthCharacters(pixels);
    sal_Int32 width = static_cast<sal_Int32>(std::lround((characters * 7 + 5) * kHmmPerPixel));
    Reference<css::table::XColumnRowRange> range(impl_->sheet, UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet> col(range->getColumns()->getByIndex(column - 1),
                                            UNO_QUERY_THROW);
    col->setPropertyValue("Width", Any(width));
  } catch (...) {
    FailFromSuite(kTextWriteFailed);
  }
}

void CExcelSession::SetPageHeadersShown(bool shown) {
  if (!impl_->sheet.is()) return;
  try {
    rtl::OUString styleName;
    Reference<css::beans::XPropertySet>(impl_->sheet, UNO_QUERY_THROW)
            ->getPropertyValue("PageStyle") >>=
        styleName;
    Reference<css::style::XStyleFamiliesSupplier> families(impl_->document, UNO_QUERY_THROW);
    Reference<css::container::XNameAccess> pageStyles(
        families->getStyleFamilies()->getByName("PageStyles"), UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet> style(pageStyles->getByName(styleName), UNO_QUERY_THROW);
    style->setPropertyValue("HeaderIsOn", Any(shown));
    style->setPropertyValue("FooterIsOn", Any(shown));
  } catch (...) {
    FailFromSuite(kTextWriteFailed);
  }
}

void CExcelSession::MergeCells(int row1, int column1, int row2, int column2) {
  if (!impl_->sheet.is() || row1 < 1 || column1 < 1 || row2 < row1 || column2 < column1) return;
  try {
    impl_->Flush();
    Reference<css::util::XMergeable>(
        impl_->sheet->getCellRangeByPosition(column1 - 1, row1 - 1, column2 - 1, row2 - 1),
        UNO_QUERY_THROW)
        ->merge(true);
  } catch (...) {
    FailFromSuite(kTextWriteFailed);
  }
}

void CExcelSession::InsertRow(int row) {
  if (!impl_->sheet.is() || row < 1) return;
  try {
    impl_->Flush();
    Reference<css::table::XColumnRowRange> range(impl_->sheet, UNO_QUERY_THROW);
    range->getRows()->insertByIndex(row - 1, 1);
  } catch (...) {
    FailFromSuite(kTextWriteFailed);
  }
}

int CExcelSession::AddPicture(std::u16string_view pictureFile, int row, int column,
                              double width, double height, double offsetX, double offsetY) {
  if (!impl_->sheet.is() || row < 1 || column < 1) return 0;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(PathOf(pictureFile), ec)) {
    Fail(LangTextWith(kTextPictureMissing, pictureFile));
    return 0;
  }
  try {
    impl_->Flush();
    auto provider = css::graphic::GraphicProvider::create(impl_->suite.context);
    auto graphic =
        provider->queryGraphic(Props({Prop("URL", Any(UrlOf(PathOf(pictureFile))))}));
    if (!graphic.is()) {
      Fail(LangTextWith(kTextNotAPicture, pictureFile));
      return 0;
    }
    css::awt::Size natural;
    Reference<css::beans::XPropertySet> graphicProps(graphic, UNO_QUERY);
    if (graphicProps.is()) {
      graphicProps->getPropertyValue("Size100thMM") >>= natural;
      if (natural.Width <= 0 || natural.Height <= 0) {
        css::awt::Size pixels;
        graphicProps->getPropertyValue("SizePixel") >>= pixels;
        natural.Width = static_cast<sal_Int32>(std::lround(pixels.Width * kHmmPerPixel));
        natural.Height = static_cast<sal_Int32>(std::lround(pixels.Height * kHmmPerPixel));
      }
    }
    auto cell = impl_->Cell(row, column);
    css::awt::Point cellPos;
    Reference<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)->getPropertyValue("Position") >>=
        cellPos;

    Reference<css::lang::XMultiServiceFactory> factory(impl_->document, UNO_QUERY_THROW);
    Reference<css::drawing::XShape> shape(
        factory->createInstance("com.sun.star.drawing.GraphicObjectShape"), UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet> shapeProps(shape, UNO_QUERY_THROW);
    shapeProps->setPropertyValue("Graphic", Any(graphic));
    Reference<css::drawing::XDrawPageSupplier> pageSupplier(impl_->sheet, UNO_QUERY_THROW);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    // A sheet's draw page is reached through this interface only.
    Reference<css::drawing::XShapes> page(pageSupplier->getDrawPage(), UNO_QUERY_THROW);
#pragma GCC diagnostic pop
    page->add(shape);
    css::awt::Size size(
        width < 0 ? natural.Width : static_cast<sal_Int32>(std::lround(width * kHmmPerPoint)),
        height < 0 ? natural.Height : static_cast<sal_Int32>(std::lround(height * kHmmPerPoint)));
    shape->setSize(size);
    shape->setPosition(css::awt::Point(
        cellPos.X + static_cast<sal_Int32>(std::lround(offsetX * kHmmPerPoint)),
        cellPos.Y + static_cast<sal_Int32>(std::lround(offsetY * kHmmPerPoint))));
    impl_->lastPicture = shape;
    return 1;
  } catch (...) {
    FailFromSuite(kTextPictureFailed);
    return 0;
  }
}

int CExcelSession::PrintOut(int fromPage, int toPage, int copies, bool preview,
                            std::u16string_view printer, std::u16string_view toFile) {
  if (!impl_->sheet.is()) {
    Fail(LangText(kTextNoWorkbook));
    return 0;
  }
  std::u16string pages;
  if (fromPage >= 1) {
    pages = U16Ascii(std::to_string(fromPage));
    if (toPage >= fromPage) pages += u"-" + U16Ascii(std::to_string(toPage));
  }
  try {
    impl_->Flush();
    if (preview || !toFile.empty()) {
      std::filesystem::path pdf;
      if (!toFile.empty()) {
        pdf = PathOf(toFile);
      } else {
        pdf = std::filesystem::temp_directory_path() /
              ("preview-" + std::to_string(getpid()) + "-" +
               std::to_string(reinterpret_cast<uintptr_t>(this)) + ".pdf");
      }
      std::vector<css::beans::PropertyValue> filterData;
      if (!pages.empty()) filterData.push_back(Prop("PageRange", Any(OU(pages))));
      Reference<css::frame::XStorable>(impl_->document, UNO_QUERY_THROW)
          ->storeToURL(UrlOf(pdf),
                       Props({Prop("FilterName", Any(rtl::OUString::createFromAscii(kFilterPdf))),
                              Prop("Overwrite", Any(true)),
                              Prop("FilterData", Any(Props(filterData)))}));
      if (preview) previewFile_ = pdf.u16string();
      return 1;
    }
    Reference<css::view::XPrintable> printable(impl_->document, UNO_QUERY_THROW);
    if (!printer.empty()) {
      printable->setPrinter(Props({Prop("Name", Any(OU(printer)))}));
      // The suite falls back to another printer for a name it does not know;
      // that is an error here.
      rtl::OUString chosen;
      for (const auto& p : printable->getPrinter())
        if (p.Name == "Name") p.Value >>= chosen;
      if (U16(chosen) != printer) {
        Fail(LangTextWith(kTextPrinterMissing, printer));
        return 0;
      }
    }
    std::vector<css::beans::PropertyValue> options{
        Prop("CopyCount", Any(static_cast<sal_Int16>(copies < 1 ? 1 : copies))),
        Prop("Wait", Any(true))};
    if (!pages.empty()) options.push_back(Prop("Pages", Any(OU(pages))));
    printable->print(Props(options));
    return 1;
  } catch (...) {
    FailFromSuite(kTextPrintFailed);
    return 0;
  }
}

int CExcelSession::SaveAndClose() {
  if (!impl_->document.is() || saved_) {
    Fail(LangText(kTextNoWorkbook));
    return 0;
  }
  auto output = PathOf(outputFile_);
  auto partial = output.parent_path() /
                 ("." + output.filename().string() + ".part" + std::to_string(getpid()));
  std::error_code ec;
  int result = 0;
  try {
    impl_->Flush();
    const char* filter = IsXlsxName(output) ? kFilterXlsx : kFilterXls;
    Reference<css::frame::XStorable>(impl_->document, UNO_QUERY_THROW)
        ->storeToURL(UrlOf(partial),
                     Props({Prop("FilterName", Any(rtl::OUString::createFromAscii(filter))),
                            Prop("Overwrite", Any(true))}));
    if (ExistsOrLink(LockFileOf(output)) || std::filesystem::is_directory(output, ec)) {
      Fail(LangText(kTextCannotReplace));
    } else {
      std::filesystem::rename(partial, output, ec);
      if (ec)
        Fail(LangText(kTextCannotReplace));
      else
        result = 1;
    }
  } catch (...) {
    FailFromSuite(kTextCannotReplace);
  }
  if (!result) std::filesystem::remove(partial, ec);
  try {
    Reference<css::util::XCloseable>(impl_->document, UNO_QUERY_THROW)->close(true);
  } catch (...) {
    // the suite may be gone; nothing more to close then
  }
  saved_ = true;
  impl_->pending.clear();
  impl_->lastPicture.clear();
  impl_->sheet.clear();
  return result;
}

void CExcelSession::Close() {
  if (closeCount_.fetch_add(1) != 0) return;
  if (!impl_->suite.desktop.is()) return;
  if (!saved_ && impl_->component.is()) {
    try {
      Reference<css::util::XCloseable>(impl_->component, UNO_QUERY_THROW)->close(true);
    } catch (...) {
      try {
        impl_->component->dispose();
      } catch (...) {
      }
    }
    saved_ = true;
  }
  try {
    impl_->Release();
  } catch (...) {
  }
}
