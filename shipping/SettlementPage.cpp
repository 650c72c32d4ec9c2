#include "shipping/SettlementPage.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QUrl>

#include <filesystem>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "office/ExcelSession.h"
#include "print/TemplateModel.h"
#include "refdata/ColumnCatalog.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "shipping/SettlementWorkbook.h"
#include "ui/RequestFailure.h"
#include "ui/CustomerWaybillQueryDlg.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

// The statement workbook is made through the frame's proforma-invoice
// command (OnPrintInvoice), which the frame offers only to pages that say
// so: without the flag the workbook could not be asked for at all.
CSettlementPage::CSettlementPage() : CViewPage(nullptr) { invoiceEnabled = true; }

CSettlementPage::~CSettlementPage() = default;

CServerLink* CSettlementPage::Link() const {
  return host != nullptr ? host->ServerLink() : nullptr;
}

const CColumnCatalog* CSettlementPage::Catalog() {
  if (catalog == nullptr && host != nullptr && host->Application() != nullptr)
    catalog = &host->Application()->ColumnCatalog();
  return catalog;
}

void CSettlementPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickCustomers);
  title = AppLanguage().Text(kSettlementTitleText);
  if (LoadLayout() == 0) SetDefaultColumns();
  BuildGridColumns();
  if (grid != nullptr) {
    grid->AddMenuCommand(u"保留列表中的所选行");
    grid->AddMenuCommand(u"移除列表中的所选行");
    grid->SetNotifyWnd(this);
  }
  ShowListMode(0);
  UpdateCountLabel();
}

void CSettlementPage::BuildGridColumns() {
  if (grid == nullptr || !columns) return;
  grid->EnableRowData(true);
  grid->SetHighlightMode(2);
  grid->SetRowNumbers(true);
  grid->EnableHeaderSort(true);
  grid->SetTotalsRow(true);
  grid->InsertColumn(0, 50, AppLanguage().Text(30076), kGridAlignLeft);
  for (size_t i = 0; i < columns->Count(); ++i) {
    const settlement::StatementColumn& c = columns->Columns()[i];
    grid->InsertColumn(static_cast<int>(i) + 1, c.width, columns->Defs()[i].caption,
                       CColumnCatalog::TriStateValue(c.alignment));
  }
}

bool CSettlementPage::AddColumn(int32_t number, int32_t alignment, int32_t width, int32_t flag) {
  const CColumnCatalog* cat = Catalog();
  if (cat == nullptr) return false;
  if (!columns) columns = std::make_unique<settlement::CStatementColumns>(*cat);
  return columns->AddColumn(number, alignment, width, flag);
}

void CSettlementPage::SetDefaultColumns() {
  const CColumnCatalog* cat = Catalog();
  if (cat == nullptr) return;
  columns = std::make_unique<settlement::CStatementColumns>(*cat);
  columns->SetDefaultColumns();
}

int CSettlementPage::LoadLayout() {
  const CColumnCatalog* cat = Catalog();
  CServerLink* link = Link();
  if (cat == nullptr) return 0;
  columns = std::make_unique<settlement::CStatementColumns>(*cat);
  if (link == nullptr) return 0;
  const std::string sql = settlement::LayoutSql(link->Session().accountGbk);
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCChar, 4096)};
  std::string reply;
  const int length = platform::WaitForWork([&] { return link->SqlQuery(sql, kTypes, &reply); });
  if (length <= 0 || JsonGetInt("iTotal", reply, 0) <= 0) return 0;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  if (!JsonNextObject(list, pos, row)) return 0;
  const std::string value = JsonGetString("0", row, 4095);
  return columns->LoadLayout(value);
}

void CSettlementPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadCustomers(0);
}

qintptr CSettlementPage::OnQuickListOpen(quintptr wParam, qintptr lParam) {
  const auto id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
  const auto* name = reinterpret_cast<const std::u16string*>(lParam);
  Query(id, name != nullptr ? *name : std::u16string());
  return 0;
}

void CSettlementPage::Query(int32_t customerId, const std::u16string& customerName) {
  if (customerId < 1) return;
  const ClientDetail* detail = nullptr;
  if (clientDetail) {
    detail = clientDetail(customerId);
  } else if (host != nullptr && host->Application() != nullptr) {
    CBrantleClientApp* app = host->Application();
    detail = platform::WaitForWork(
        [&] { return app->ClientList().GetClientDetail(app->CacheLink(), customerId, true); });
  }
  if (detail == nullptr) return;
  const ClientDetail customer = *detail;
  CCustomerWaybillQueryDlg dialog(customerId, customerName, window());
  dialog.host = host;
  if (dialog.DoModal() != platform::kIdOk) return;
  settlement::StatementConditions c;
  c.customerId = static_cast<uint32_t>(customerId);
  c.dateColumn = host != nullptr ? host->WaybillDateColumn(dialog.dateKind) : u"ddate";
  c.dateFrom = dialog.dateFromBound;
  c.dateTo = dialog.dateToBound;
  c.payMonthly = dialog.payMonthly;
  c.payCash = dialog.payCash;
  c.payCollect = dialog.payCollect;
  c.unsettled = dialog.payUnchecked;
  c.settled = dialog.payChecked;
  c.state = dialog.recordState;
  c.department = dialog.department;
  c.tag = dialog.tags;
  c.reserve = dialog.reserved;
  c.kinds = settlement::TickedKinds(dialog.selectedKindCount, dialog.selectedKinds,
                                    dialog.kindNames);
  c.controlCode = dialog.internalCode;
  RunStatement(customer, c);
}

bool CSettlementPage::RunStatement(const ClientDetail& customer,
                                   const settlement::StatementConditions& conditions) {
  CServerLink* link = Link();
  if (link == nullptr || !columns || columns->Count() == 0) return false;
  statementSql = settlement::StatementSql(*columns, conditions);
  const std::u16string periodText = settlement::PeriodText(conditions.dateFrom, conditions.dateTo);
  const std::string sql = GbkFromWide(statementSql);
  const std::vector<uint32_t> types = columns->Types();
  std::string reply;
  const int length = platform::WaitForWork([&] { return link->SqlQuery(sql, types, &reply); });
  if (ShowRequestFailure(length, reply)) {
    UpdateCountLabel();
    return false;
  }
  const bool rows = length > 0 && JsonGetInt("iTotal", reply, 0) > 0;
  if (rows) {
    statementCustomer = static_cast<int32_t>(conditions.customerId);
    statementClient = customer;
    period = periodText;
  }
  if (!rows || JsonFindKey("List", reply) == kJsonNone) {
    UpdateCountLabel();
    platform::ShowMessageBox(AppLanguage().Text(kSettlementNothingText), {},
                             platform::kMbOk | platform::kMbIconInformation);
    return false;
  }
  if (grid != nullptr) grid->DeleteAllRows();
  FillRows(JsonListBody(reply, "List"));
  UpdateCountLabel();
  return true;
}

uint32_t CSettlementPage::FillRows(std::string_view list) {
  if (grid == nullptr || !columns) return 0;
  std::vector<settlement::StatementRow> rows;
  const CLanguageTable& language = AppLanguage();
  const uint32_t highest =
      settlement::ReadStatementRows(*columns, list, language, 1, rows);
  grid->setUpdatesEnabled(false);
  auto add = [this](const settlement::StatementRow& row, bool withId) {
    const int at = grid->InsertRow(grid->RowCount(), row.cells[0]);
    if (withId) grid->SetRowId(at, row.irid);
    for (size_t c = 1; c < row.cells.size(); ++c)
      if (!row.cells[c].empty()) grid->SetCellText(at, static_cast<int>(c), row.cells[c]);
  };
  for (const settlement::StatementRow& row : rows) add(row, true);
  if (grid->RowCount() > 0) add(settlement::TotalsRow(*columns, rows, language), false);
  grid->setUpdatesEnabled(true);
  return highest;
}

qintptr CSettlementPage::OnGridMenuCommand(quintptr wParam, qintptr) {
  // The last row is the totals row; the rows keep the numbers they have.
  if (grid != nullptr && grid->RowCount() > 1) RemoveRows(static_cast<int>(wParam), false, true);
  return 0;
}


void CSettlementPage::OnSave() { ExportList(); }

void CSettlementPage::ExportList() {
  if (grid == nullptr) return;
  const std::u16string subtitle =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdU16String();
  grid->ExportAs(u"快件结算记录清单", subtitle);
}

void CSettlementPage::OnPrintInvoice(int) { ExportStatement(); }

bool CSettlementPage::LoadDeposit(int32_t customerId) {
  CServerLink* link = Link();
  if (link == nullptr) return false;
  const std::string sql = settlement::DepositSql(customerId);
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCDouble), AcsTypeEntry(kSqlCDouble)};
  std::string reply;
  const int length = platform::WaitForWork([&] { return link->SqlQuery(sql, kTypes, &reply); });
  double d = 0, a = 0;
  if (length <= 0 || !settlement::ReadDeposit(reply, d, a)) return false;
  deposit = d;
  availableDeposit = a;
  return true;
}

void CSettlementPage::ExportStatement() {
  if (grid == nullptr || grid->RowCount() == 0 || !columns) return;
  CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
  const std::string kind = GbkFromWide(u"客户结算");
  CTemplateModel* model = statementTemplate ? statementTemplate()
                          : app != nullptr  ? app->FindTemplate(kind, kind)
                                            : nullptr;
  if (model == nullptr) {
    ExportList();
    return;
  }
  const settlement::WorkbookSettings settings = settlement::ReadWorkbookSettings(*model);
  if (settings.firstRow < 2) return;

  settlement::StatementData data;
  for (int r = 0; r < grid->RowCount(); ++r) {
    std::vector<std::u16string> row;
    for (int c = 0; c < grid->ColumnCount(); ++c) row.push_back(grid->CellText(r, c));
    data.rows.push_back(std::move(row));
  }
  data.amountColumn = columns->Position(settlement::kAmount);
  data.salePriceColumn = columns->Position(settlement::kSalePrice);
  data.waybillNoColumn = columns->Position(settlement::kWaybillNo);
  data.serviceNoColumn = columns->Position(settlement::kServiceNo);
  data.dateColumn = columns->Position(settlement::kDate);
  data.customer = statementClient;
  data.period = period;
  if (CServerLink* link = Link()) data.userName = link->Session().userName;
  const int64_t seconds = now ? now() : QDateTime::currentSecsSinceEpoch();
  const QDate today = QDateTime::fromSecsSinceEpoch(seconds).date();
  data.year = today.year();
  data.month = today.month();
  data.day = today.day();

  std::string folder = workbookFolder;
  if (folder.empty() && app != nullptr) folder = app->ProgramFolder() + "DATA_TEMP/";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const std::string path = settlement::ReserveWorkbookPath(
      folder, Utf8FromWide(AppLanguage().FileNameText(kSettlementFileText)), seconds);
  if (path.empty()) return;
  const std::u16string path16 = WideFromNarrow(path, 65001);
  platform::ShowMessageBox(path16, {}, platform::kMbOk);

  CExcelSession session;
  session.SetOverwriteQuestion(false);
  const std::string& book = model->Workbook();
  if (!session.CreateFromTemplateData(u"data4list", path16, book.data(), book.size(), false)) {
    const std::u16string error = session.LastError();
    session.Close();
    std::filesystem::remove(path, ignored);
    platform::ShowMessageBox(error, {}, platform::kMbOk | platform::kMbIconError);
    return;
  }
  // The balances go into the header items.
  LoadDeposit(statementCustomer);
  data.deposit = deposit;
  data.availableDeposit = availableDeposit;
  const settlement::WorkbookPlan plan = settlement::PlanStatement(data, settings, model->HeaderItems());
  settlement::WriteStatement(session, plan);
  const int saved = session.SaveAndClose();
  session.Close();
  if (!saved) {
    std::filesystem::remove(path, ignored);
    platform::ShowMessageBox(session.LastError(), {}, platform::kMbOk | platform::kMbIconError);
    return;
  }
  lastWorkbook = path16;
  if (openFile)
    openFile(path16);
  else
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdU16String(path16)));
}
