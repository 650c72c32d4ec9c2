#pragma once
// The settlement statement of page 5 without its window: the user's column
// layout (the man_set row 'ps_print'), the statement's statement text, the
// reading of the reply into grid rows with a totals row, and the balances.
//
// Column numbers are those of the column catalogue's waybill columns: 0..9
// the customer columns (client_arc, alias b), 10 and up the waybill columns
// (client_rec, alias a).  Every column in the statement is qualified with
// its table's alias, so no column of the join is ever ambiguous.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/ColumnCatalog.h"

class CLanguageTable;

namespace settlement {

// One column of the statement list.
struct StatementColumn {
  int32_t alignment = 0;  // 0 left, 1 right, anything else centred
  int32_t width = 0;      // pixels
  int32_t number = 0;     // column catalogue number
  int32_t flag = 0;       // 1 when the layout line starts with '1'
};

// Column numbers the page and the workbook look for.
enum KnownColumn : int32_t {
  kItemType = 10,
  kWeight = 11,
  kAmount = 12,
  kDestination = 13,
  kServiceKind = 16,
  kDate = 18,
  kServiceNo = 19,
  kSalePrice = 23,
  kWaybillNo = 28,
};

// The statement columns in order, with their catalogue entries.
class CStatementColumns {
 public:
  explicit CStatementColumns(const CColumnCatalog& catalog) : catalog_(&catalog) {}

  // Appends a column; false when the catalogue does not know the number.
  bool AddColumn(int32_t number, int32_t alignment, int32_t width, int32_t flag);
  // The default layout (used when a user has none).
  void SetDefaultColumns();
  // Parses the text of a layout (GBK): the column block between the first
  // "_ColBegin_\n" from the start of the 19th line and "_ColEnd_\n", one
  // "flag<TAB>number<TAB>alignment<TAB>width\n" line a column; a line that
  // lacks a field or its line break ends the block.  Returns the number of
  // columns added.
  int LoadLayout(std::string_view value);

  size_t Count() const { return columns_.size(); }
  const std::vector<StatementColumn>& Columns() const { return columns_; }
  const std::vector<ColumnDef>& Defs() const { return defs_; }
  // The grid column (from 1) of a column number, -1 when not in the statement.
  int Position(int32_t number) const;

  // "b.cunitname,a.ddate,..." in order.
  std::u16string SelectList() const;
  // The reply column types: one a column, then SLONG for irid.
  std::vector<uint32_t> Types() const;

 private:
  const CColumnCatalog* catalog_;
  std::vector<StatementColumn> columns_;
  std::vector<ColumnDef> defs_;
};

// The query of the layout row of a login account (GBK).
std::string LayoutSql(std::string_view accountGbk);

// The conditions of one statement.
struct StatementConditions {
  uint32_t customerId = 0;
  std::u16string dateColumn = u"ddate";  // ddate, dsysdate or dsenddate
  std::u16string dateFrom;               // "... 0:0:0.0"
  std::u16string dateTo;                 // "... 23:59:59.998"
  bool payMonthly = false, payCash = false, payCollect = false;
  bool unsettled = false, settled = false;
  int32_t state = 11;  // 0..10 one state, 12 above 0, 13 below 3, 14 above 3
  std::u16string department;
  std::u16string tag;
  std::u16string reserve;
  std::vector<std::u16string> kinds;
  std::u16string controlCode;
};

inline constexpr int kStatementRowLimit = 20000;

// The kinds condition the conditions dialog hands over: the names of the
// ticked rows, or none (no kind condition) when the dialog's count is 0,
// which it is with every kind ticked.
std::vector<std::u16string> TickedKinds(int32_t selectedKindCount,
                                        const std::vector<int32_t>& selectedRows,
                                        const std::vector<std::u16string>& kindNames);

// The statement text (of any length).
std::u16string StatementSql(const CStatementColumns& columns, const StatementConditions& c);
// "yyyy-mm-dd - yyyy-mm-dd" from the first 10 characters of each bound.
std::u16string PeriodText(std::u16string_view from, std::u16string_view to);

// One row of the statement list: its record id and its cells, column 0 the
// row number.
struct StatementRow {
  int32_t irid = 0;
  std::vector<std::u16string> cells;
};

// Reads the rows of a reply's "List" text, numbered from `firstNumber`;
// returns the highest irid read (0 when none).
uint32_t ReadStatementRows(const CStatementColumns& columns, std::string_view list,
                           const CLanguageTable& language, int firstNumber,
                           std::vector<StatementRow>& rows);
// Whether a column adds its values into the totals row.
bool IsTotalled(int32_t number);
// The totals row of the rows: column 0 the totals text (20034), the totalled
// columns their sums in the cells' format, the others empty.
StatementRow TotalsRow(const CStatementColumns& columns, const std::vector<StatementRow>& rows,
                       const CLanguageTable& language);

// The balance query of a customer and its reading: true with the deposit
// and the available deposit when the reply has a row.
std::string DepositSql(int32_t customerId);
bool ReadDeposit(std::string_view reply, double& deposit, double& available);

}  // namespace settlement
