#pragma once
// The customer's settlement statement as a workbook: the rows of the
// statement list written into the statement template "客户结算" (sheet
// "data4list"), an optional ratio column, and the template's header items
// with the customer's data, the period, the totals and the balances.
//
// The plan of the cells is made without the office suite (PlanStatement);
// WriteStatement puts a plan into an open workbook.  Every grid column is
// written, the row number column and the last statement column included;
// the ratio column follows them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/ClientListCache.h"

class CExcelSession;
class CTemplateModel;
struct TemplateItem;

namespace settlement {

// What the template's text sets.
struct WorkbookSettings {
  int32_t firstRow = -1;    // "列表开始行": sheet row of the first list row
  int32_t insertMode = 0;   // "列表行插入模式": 1 inserts one row a list row
  int32_t codeMode = 0;     // "目的地转换为编码": read, not used
  int32_t ratioMode = 0;    // "折扣价除标准价": 0 none, 1 whole percent, above 1 two decimals
};
WorkbookSettings ReadWorkbookSettings(const CTemplateModel& model);

// The statement as the page holds it.
struct StatementData {
  // The grid rows, each with every grid column (row number first); the last
  // row is the totals row.
  std::vector<std::vector<std::u16string>> rows;
  // Grid columns (from 1) of the known columns, -1 when not in the statement.
  int amountColumn = -1, salePriceColumn = -1, waybillNoColumn = -1, serviceNoColumn = -1,
      dateColumn = -1;
  ClientDetail customer;
  std::u16string period;
  double deposit = 0;
  double availableDeposit = 0;
  std::string userName;  // GBK
  int year = 2000, month = 1, day = 1;  // today
};

// The fee total: the totals row's fee column as a number, 0 without one.
double FeeTotal(const StatementData& data);

// The header item's text (GBK) with its placeholders replaced.
std::string ReplacePlaceholders(std::string text, const StatementData& data);

struct CellWrite {
  int row = 0;
  int column = 0;
  std::u16string text;
  bool typed = false;  // typed into the sheet (SetCell); else kept as text
};
struct WorkbookPlan {
  int insertAt = 0;
  int inserted = 0;
  std::vector<CellWrite> cells;
};
// Empty plan (no cells) when the first list row is below 2.
WorkbookPlan PlanStatement(const StatementData& data, const WorkbookSettings& settings,
                           const std::vector<TemplateItem>& header);
// Inserts the rows and writes the cells.
void WriteStatement(CExcelSession& session, const WorkbookPlan& plan);

// A workbook path in the folder (ending in its separator) that no other
// export uses: "<name>_<seconds>.xls", or "<name>_<seconds>_<k>.xls" when
// that is taken; the file is created empty to hold the name.  Empty when
// none could be made.
std::string ReserveWorkbookPath(const std::string& folder, const std::string& name, int64_t seconds);

}  // namespace settlement
