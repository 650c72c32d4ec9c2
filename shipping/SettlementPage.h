#pragma once
// CSettlementPage: page 5 of the main view, the settlement statements.  The
// operator picks a customer in the record list on the left, states the
// statement's conditions, and the page lists the customer's waybills in the
// columns the user laid out for himself (or the default ones) with a totals
// row.  Rows can be kept or removed, the list saved as a file, and the
// customer's statement workbook made (shipping/SettlementWorkbook.h).
//
// The layout, the statement text and the reading of the rows live in
// shipping/SettlementStatement.h; the page asks the server through
// platform::WaitForWork and fills its grid.

#include <functional>
#include <memory>
#include <string>

#include "refdata/ClientListCache.h"
#include "shipping/SettlementStatement.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CColumnCatalog;
class CServerLink;
class CTemplateModel;

// Text ids of the page.
inline constexpr int32_t kSettlementTitleText = 240000;
inline constexpr int32_t kSettlementNothingText = 20005;
inline constexpr int32_t kSettlementFileText = 250100;

class CSettlementPage : public CViewPage {
 public:
  CSettlementPage();
  ~CSettlementPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  void OnSave() override;
  void OnPrintInvoice(int toFile) override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;
  qintptr OnGridMenuCommand(quintptr wParam, qintptr lParam) override;

  // The user's layout (the number of columns it gave), the defaults, one
  // column (false when the catalogue does not know the number).
  int LoadLayout();
  void SetDefaultColumns();
  bool AddColumn(int32_t number, int32_t alignment, int32_t width, int32_t flag);
  // Asks for the conditions of the customer's statement and lists it.
  void Query(int32_t customerId, const std::u16string& customerName);
  // Lists the statement of the conditions for the customer (the steps after
  // the conditions dialog); true when rows were listed.
  bool RunStatement(const ClientDetail& customer, const settlement::StatementConditions& conditions);
  // Appends the rows of a reply's list and the totals row; the highest irid.
  uint32_t FillRows(std::string_view list);
  void ExportList();
  // The customer's statement workbook from the template "客户结算".
  void ExportStatement();
  bool LoadDeposit(int32_t customerId);

  // What the page uses of the program; the application's when not set.
  const CColumnCatalog* catalog = nullptr;
  std::function<const ClientDetail*(int32_t)> clientDetail;
  std::function<CTemplateModel*()> statementTemplate;
  // The folder the workbooks go to (the program folder's DATA_TEMP when empty).
  std::string workbookFolder;
  // The clock of the workbook's name and date (seconds since 1970; the
  // system clock when not set).
  std::function<int64_t()> now;
  // Opens a finished workbook (the desktop's handler when not set).
  std::function<void(const std::u16string&)> openFile;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
  std::unique_ptr<settlement::CStatementColumns> columns;
  // The statement of the last query that returned rows.
  int32_t statementCustomer = 0;
  ClientDetail statementClient;
  std::u16string period;
  std::u16string statementSql;
  double deposit = 0;
  double availableDeposit = 0;
  // The last statement workbook written.
  std::u16string lastWorkbook;

 private:
  CServerLink* Link() const;
  const CColumnCatalog* Catalog();
  void BuildGridColumns();
};
