#pragma once
// The waybill import of page 0, without widgets: every data row of a
// workbook becomes a new waybill of the customer chosen in the quick entry
// form.  A row starts as a copy of the form's template record, takes the
// fields its column mapping names, gets a number and a price from the
// server when it has none, and is saved as the quick save saves it
// (cp_client_rec_fast_add, then the fields the call has no argument for and
// the goods rows, each checked).  Rows with no key of their own may carry
// further goods lines of the waybill above them (continuation rows).
//
// Refused rows never stop the import: each adds one entry to the error
// list, reported at the end (the summary and the clipboard text).  The
// refusals of blank rows after the data, up to row 20, are not reported
// (the trailing count); a blank key after row 20 ends the import, and when
// the sheet holds further rows below it the report says how many were not
// read and from which row.

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "entry/ImportFormats.h"
#include "entry/WaybillSave.h"

class CDestinationTable;
class CExcelSession;
class CImportTable;
class CServiceKind;
struct GoodsRecord;

namespace waybillimport {

// What the import reads and writes besides the sheet.
struct ImportServices {
  WaybillSaveLink* link = nullptr;
  // The service kind of a code (case ignored), or null.
  std::function<const CServiceKind*(std::string_view code)> findKind;
  const CDestinationTable* destinations = nullptr;  // optional
  CWaybillRecordTable* inputStore = nullptr;        // optional: duplicate check, continuation
  CGoodsLineTable* goodsStore = nullptr;            // optional: continuation lines
  // A saved waybill, for the page's list (the page's record-changed
  // operation with flag 1).
  std::function<void(const InputWaybillRecord&)> saved;
  // True when the import is to stop before the next row (the operator
  // stopped it, or the program is ending).
  std::function<bool()> stopRequested;
  // The sheet row about to be read and the waybills saved so far; called
  // before every row (on the thread the import runs on).
  std::function<void(int row, int saved)> progress;
  // Today; the clock when empty.
  std::function<std::tm()> today;
};

// What the import starts from.
struct ImportSetup {
  ColumnMapping mapping;
  InputWaybillRecord templ{};     // the form's template record
  std::string defaultKind;        // the default service kind code (GBK)
  std::string station;            // the customer's station code (GBK)
  int headerColumns = 0;          // header mode: the used range's column count
};

struct ImportReport {
  int saved = 0;
  std::vector<std::u16string> errors;
  int trailing = 0;          // error entries of blank rows at the end, not reported
  int stoppedAtRow = 0;      // a blank key after row 20 ended the import there
  int unreadRows = 0;        // non-blank rows below that row that were not read
  int firstUnreadRow = 0;
  bool stopped = false;      // stopped on request
  int stopRow = 0;           // stopped or cut short: the first row not imported
  bool cutShort = false;     // a failure ended the import early
  std::u16string failure;    // what ended it
  std::u16string refusal;    // the import did not start: the message to show
  std::u16string openError;  // the workbook could not be opened: the message to show

  int Reported() const { return static_cast<int>(errors.size()) - trailing; }
  // The message shown at the end (texts 120064 / 120065, and the rows not
  // read) and the clipboard text (every reported refusal and the rows not
  // read; empty when there is nothing to correct).
  std::u16string Summary() const;
  std::u16string ClipboardText() const;
  // The lines about the rows the import did not reach (an empty key after
  // row 20 with rows below it, a stop, a failure), in the summary and on
  // the clipboard.
  std::vector<std::u16string> EndLines() const;
};

class CWaybillImport {
 public:
  CWaybillImport(const ImportServices& services, const ImportSetup& setup);

  // Runs over the table, which starts at the first data row (header mode:
  // at the header row above it).
  ImportReport Run(CImportTable& table);
  // What the import has done so far (after Run was left by an exception).
  const ImportReport& Partial() const { return report_; }
  int Row() const { return row_; }

  // The caption list of messages: the header names or the field captions.
  std::u16string Caption(int field) const;

 private:
  struct Continuation;
  bool IsMapped(int field) const { return setup_.mapping.columns[static_cast<size_t>(field)] > 0; }
  void ReadHeaderRow(CImportTable& table);
  std::u16string Cell(CImportTable& table, int field) const;
  std::u16string KeyOf(CImportTable& table) const;
  // Reads a continuation run starting at the table's current row; true when
  // the table stands on a row afterwards (false at the end of the rows).
  bool RunContinuation(CImportTable& table);
  void ImportRow(CImportTable& table, const std::u16string& key);
  // How a refusal moves the trailing count: a row without channel or key
  // may be a blank row after the data (+1); a row refused after it was
  // taken up (no such kind, no number, the server's refusal) is a data row
  // and is always reported (0); field checks and the duplicate reference
  // leave the count.
  enum class Trailing { Blank, DataRow, Keep };
  bool Refuse(std::u16string entry, Trailing trailing);
  bool CheckPlain(int field, std::string& out, int limit, std::u16string& error);
  bool SaveRow(InputWaybillRecord& record, const std::vector<GoodsRecord>& goods);
  void CountUnreadRows(CImportTable& table, int stopRow);
  std::tm Today() const;

  ImportServices services_;
  ImportSetup setup_;
  ImportReport report_;
  std::array<std::u16string, kFieldCount> texts_;
  int row_ = 0;
  int32_t previousId_ = -1;
  InputWaybillRecord previous_{};
  bool goodsColumns_ = false;
};

// The import of a workbook's first sheet: opens the file in the session,
// runs the import over it and closes the session on every way out (the
// file not opened, no key column, the end of the rows, a stop request, a
// failure that cut the import short).  A failure is not passed on: the
// report says at which row the import broke off and why, with what was
// saved before it.
ImportReport ImportWorkbook(CExcelSession& session, std::u16string_view path,
                            const ImportServices& services, ImportSetup setup);

// The goods list of a row: the items of the goods texts when the quantity
// text holds a comma and they make 2 items or more; the result is the total
// quantity (0: no goods list), with the amount (quantity times unit price,
// summed) and the quantity list ("2,3", at most about 54 bytes).
int SplitGoodsColumns(const std::array<std::string, kFieldCount>& goodsTexts,
                      std::vector<GoodsRecord>& items, std::string& quantityList,
                      double& amount);

// The business date of a row: taken (true) when it is a date of this year
// or last year at most 30 days back, or later in this year; today itself is
// not taken (the template holds it).
bool AcceptImportDate(std::string_view text, WaybillRecord& record, const std::tm& today);

// The checked UPDATE of a waybill's goods totals after continuation rows.
std::string BuildGoodsTotalsStatement(int32_t irid, const WaybillRecord& record);

}  // namespace waybillimport
