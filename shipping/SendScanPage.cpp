#include "shipping/SendScanPage.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "shipping/HandOverForm.h"
#include "shipping/HandOverLogic.h"
#include "ui/RequestFailure.h"
#include "ui/RecordFilter.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"
#include "ui/WaybillQueryDlg.h"

namespace {

std::u16string Text(int id) { return AppLanguage().Text(id); }

std::u16string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return WideFromGbk(text);
}

std::u16string Int(int value) { return WideFromGbk(std::to_string(value)); }

// The grid's columns: caption, width, alignment.
struct PageColumn {
  int caption;
  int width;
  int align;
};
const PageColumn kColumns[] = {
    {30076, 40, kGridAlignLeft},   {30070, 80, kGridAlignLeft},   {30002, 110, kGridAlignLeft},
    {30003, 110, kGridAlignLeft},  {30074, 60, kGridAlignCenter}, {30072, 40, kGridAlignRight},
    {30004, 60, kGridAlignRight},  {30001, 100, kGridAlignLeft},  {30096, 60, kGridAlignRight},
    {30081, 60, kGridAlignRight},  {30071, 40, kGridAlignLeft},   {30073, 80, kGridAlignLeft},
    {30095, 130, kGridAlignLeft},  {30022, 60, kGridAlignLeft},   {30015, 80, kGridAlignLeft},
    {30142, 60, kGridAlignRight},  {30143, 60, kGridAlignRight},  {30029, 60, kGridAlignLeft},
    {30030, 100, kGridAlignLeft},  {30050, 60, kGridAlignLeft},   {30026, 200, kGridAlignLeft},
};

// The hand-over's result codes and their texts.
int CancelBatchText(int code) {
  switch (code) {
    case -3: return 200040;
    case -4: return 200041;
    case -5: return 200042;
    case -6: return 200043;
    default: return 0;
  }
}

int CancelOneText(int code) {
  switch (code) {
    case -2: return 180102;
    case -3: return 200044;
    case -4: return 200045;
    case -6: return 200046;
    case -7: return 200047;
    default: return 0;
  }
}

}  // namespace

CSendScanPage::CSendScanPage() : CViewPage(nullptr) {}

CSendScanPage::~CSendScanPage() = default;

CBrantleClientApp* CSendScanPage::App() const { return host != nullptr ? host->Application() : nullptr; }

void CSendScanPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  CBrantleClientApp* app = App();
  cancelRight_ = app != nullptr ? app->Link().HasRight(16, 8) : 0;
  exportEnabled = true;
  command32776Enabled = true;
  queryEnabled = true;
  waybillEnabled = invoiceEnabled = labelEnabled = true;
  saveFollowsMode = true;
  title = Text(200050);
  if (grid != nullptr) {
    grid->EnableRowData(true);
    grid->AddMenuCommand(Text(21000));
    grid->AddMenuCommand(Text(21001));
    if (cancelRight_) grid->AddMenuCommand(Text(200051));
    grid->SetNotifyWnd(this);
    int column = 0;
    for (const PageColumn& c : kColumns) grid->InsertColumn(column++, c.width, Text(c.caption), c.align);
  }
  panelWidth = 320;
  form_ = new CSendScanDlg(app, this);
  form_->setGeometry(5, 3, 310, 660);
  form_->hide();
  form_->pageWindow = this;
  form_->view = host;
  entryPanel = form_;
  UpdateCountLabel();
  ShowListMode(0);
  OnNewRecord();
}

void CSendScanPage::OnPageCommand() {
  if (form_ != nullptr) form_->OpenScale();
}

void CSendScanPage::OnNewRecord() {
  deleteEnabled = false;
  if (form_ != nullptr) form_->Reset();
}

void CSendScanPage::OnRowDoubleClick(int) { ShowListMode(0); }

void CSendScanPage::OnSave() {
  if (grid == nullptr) return;
  const QString now = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
  grid->ExportAs(Text(200016), platform::FromQString(now));
}

void CSendScanPage::OnQuery() {
  if (host == nullptr) return;
  CWaybillQueryDlg* dialog = host->WaybillQueryDialog();
  if (dialog == nullptr) return;
  dialog->dateKind = 2;
  if (dialog->DoModal() != platform::kIdOk) return;
  QuerySentRecords(*dialog);
}

void CSendScanPage::QuerySentRecords(const WaybillQueryConditions& conditions) {
  RecordFilterTexts texts;
  texts.select = WideFromGbk(kSendPageColumns);
  texts.dateHead =
      u"SELECT TOP %d %s FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
      u"brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.isid>0 AND a.nstate IN(1,2)";
  texts.dateHead += recordfilter::kDateRange;
  texts.rowLimit = 1000;
  texts.dateOrder = u" ORDER BY a.irid";
  // The bag and master air waybill forms carry a constant column that this
  // page does not read; their rows still end with the batch id at "23".
  texts.bagHead = recordfilter::kBagHead;
  texts.awbHead = recordfilter::kAwbHead;
  std::u16string sql = RecordFilterSql(
      conditions, texts, u"dsenddate", [this](std::u16string_view kind) -> std::optional<std::u16string> {
        if (host == nullptr) return std::nullopt;
        return host->ServiceKindCode(kind);
      });
  const std::u16string_view order = u" ORDER BY a.irid";
  if (sql.size() < order.size() || sql.compare(sql.size() - order.size(), order.size(), order) != 0)
    sql += order;
  std::string reply;
  if (!RunQuery(GbkFromWide(sql), reply) || JsonGetInt("iTotal", reply, 0) <= 0) {
    UpdateCountLabel();
    // A failed request is named as one, never as an empty list.
    platform::ShowMessageBox(lastQueryFailure_.empty() ? Text(20005) : lastQueryFailure_);
    return;
  }
  grid->DeleteAllRows();
  AddRows(reply);
  ShowCancelButton(0);
  UpdateCountLabel();
}

bool CSendScanPage::RunQuery(const std::string& sql, std::string& reply) {
  CBrantleClientApp* app = App();
  if (app == nullptr) return false;
  const std::vector<uint32_t> types = SendPageColumnTypes();
  const int sent = platform::WaitForWork([&] { return app->Link().SqlQuery(sql, types, &reply); });
  lastQueryFailure_ = RequestFailureText(sent, reply);
  return JsonFindKey("List", reply) != kJsonNone;
}

bool CSendScanPage::RunExecute(const std::string& sql, std::string& reply, int& code) {
  CBrantleClientApp* app = App();
  if (app == nullptr) return false;
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  platform::WaitForWork([&] { return app->Link().SqlExecute(sql, types, &reply); });
  if (JsonGetInt("ReturnValue", reply, 0) != 1 || JsonFindKey("List", reply) == kJsonNone) return false;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  code = JsonNextObject(list, pos, row) ? JsonGetInt("0", row, -9) : -9;
  return true;
}

int CSendScanPage::AddRows(const std::string& reply) {
  if (grid == nullptr) return 0;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex row;
  int added = 0;
  const CLanguageTable& language = AppLanguage();
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    const int r = grid->InsertRow(grid->RowCount(), Int(grid->RowCount() + 1));
    grid->SetRowId(r, row.GetInt("0", 0));
    grid->SetCellText(r, 1, row.GetWString("2", 10));
    grid->SetCellText(r, 2, row.GetWString("3", 30));
    grid->SetCellText(r, 3, row.GetWString("4", 30));
    grid->SetCellText(r, 4, language.ItemTypeText(row.GetInt("5", 0)));
    grid->SetCellText(r, 5, Int(row.GetInt("6", 0)));
    grid->SetCellText(r, 6, Fixed(row.GetDouble("7", 0), 3));
    grid->SetCellText(r, 7, row.GetWString("8", 63));
    grid->SetCellText(r, 8, Fixed(row.GetDouble("9", 0), 2));
    grid->SetCellText(r, 9, Fixed(row.GetDouble("10", 0), 2));
    grid->SetCellText(r, 10, language.PayWayText(row.GetInt("11", 0)));
    grid->SetCellText(r, 11, row.GetWString("12", 15));
    grid->SetCellText(r, 12, row.GetWString("13", 30));
    grid->SetCellText(r, 13, row.GetWString("14", 255));
    grid->SetCellText(r, 14, row.GetWString("15", 30));
    grid->SetCellText(r, 15, Fixed(row.GetDouble("16", 0), 2));
    grid->SetCellText(r, 16, Fixed(row.GetDouble("17", 0), 2));
    grid->SetCellText(r, 17, row.GetWString("18", 15));
    grid->SetCellText(r, 18, row.GetWString("19", 63));
    grid->SetCellText(r, 19, row.GetWString("20", 30));
    grid->SetCellText(r, 20, row.GetWString("22", 255));
    ++added;
  }
  return added;
}

void CSendScanPage::RenumberRows(int from) {
  if (grid == nullptr) return;
  for (int r = std::max(from, 0); r < grid->RowCount(); ++r) grid->SetCellText(r, 0, Int(r + 1));
}

void CSendScanPage::RefreshRow(int flag, int32_t recordId) {
  if (grid == nullptr) return;
  const int row = grid->FindRowById(recordId);
  if (row >= 0) {
    grid->DeleteRow(row);
    RenumberRows(row);
  }
  if (flag != 1) return;
  std::string reply;
  if (!RunQuery(SendPageRecordSql(recordId), reply) || JsonGetInt("iTotal", reply, 0) <= 0) return;
  AddRows(reply);
  UpdateCountLabel();
  ShowCancelButton(0);
}

void CSendScanPage::ListBatch(int32_t batchId) {
  std::string reply;
  if (!RunQuery(SendPageBatchSql(batchId), reply) || JsonGetInt("iTotal", reply, 0) <= 0) return;
  grid->DeleteAllRows();
  AddRows(reply);
  UpdateCountLabel();
  ShowCancelButton(batchId);
}

void CSendScanPage::ShowCancelButton(int32_t batchId) {
  if (!cancelRight_) return;
  if (batchId > 0 || currentBatch_ != 0) {
    currentBatch_ = batchId;
    if (form_ != nullptr) form_->ShowCancelButton(batchId > 0);
  }
}

void CSendScanPage::CancelBatch() {
  if (!cancelRight_) {
    platform::ShowMessageBox(Text(200035));
    return;
  }
  if (currentBatch_ <= 0 || grid == nullptr || grid->RowCount() == 0) {
    platform::ShowMessageBox(Text(200036));
    return;
  }
  const int rows = grid->RowCount();
  std::u16string question = Text(200037);
  ReplaceAllW(question, u"%2", Int(rows));
  ReplaceAllW(question, u"%1", WideFromGbk(BatchIdToText(currentBatch_)));
  if (platform::ShowMessageBox(question, Text(20002), platform::kMbYesNo | platform::kMbIconQuestion) !=
      platform::kIdYes)
    return;
  std::string reply;
  int code = -9;
  if (!RunExecute(SendCancelBatchSql(grid->GetRowId(0), currentBatch_, rows), reply, code)) {
    platform::ShowMessageBox(App()->Link().LastErrorText());
    return;
  }
  if (code >= 0) {
    ClearList();
    ShowCancelButton(0);
    return;
  }
  const int id = CancelBatchText(code);
  platform::ShowMessageBox(id ? Text(id) : App()->Link().LastErrorText());
}

int CSendScanPage::CancelSelected(int32_t recordId) {
  if (!cancelRight_) {
    platform::ShowMessageBox(Text(200035));
    return 0;
  }
  CBrantleClientApp* app = App();
  if (app == nullptr) return 0;
  std::string reply;
  int code = -9;
  if (!RunExecute(SendCancelOneSql(recordId, app->Link().Session().userName), reply, code)) {
    platform::ShowMessageBox(app->Link().LastErrorText());
    return 0;
  }
  if (code >= 0) return 1;
  const int id = CancelOneText(code);
  std::u16string text = id ? Text(id) : Text(20023);
  if (!id) ReplaceAllW(text, u"%1", Int(code));
  platform::ShowMessageBox(text);
  return 0;
}

void CSendScanPage::CancelSelectedRows() {
  cancelIds_.clear();
  if (grid == nullptr) return;
  if (GetSelectedIds(cancelIds_) <= 0 || cancelIds_.empty()) {
    platform::ShowMessageBox(Text(160004));
    return;
  }
  bool removed = false;
  for (auto it = cancelIds_.rbegin(); it != cancelIds_.rend(); ++it) {
    const int row = grid->FindRowById(*it);
    if (row >= 0 && CancelSelected(*it)) {
      grid->DeleteRow(row);
      removed = true;
    }
  }
  if (!removed) return;
  RenumberRows(0);
  ShowCancelButton(0);
  UpdateCountLabel();
}

qintptr CSendScanPage::OnRecordSaved(quintptr wParam, qintptr lParam) {
  switch (wParam) {
    case 2: ListBatch(static_cast<int32_t>(lParam)); break;
    case 3: CancelBatch(); break;
    case 0:
    case 1: RefreshRow(static_cast<int>(wParam), static_cast<int32_t>(lParam)); break;
    default: break;
  }
  return 0;
}

qintptr CSendScanPage::OnGridMenuCommand(quintptr wParam, qintptr) {
  if (grid == nullptr) return 0;
  if (wParam == 2) {
    CancelSelectedRows();
    return 0;
  }
  if (RemoveRows(static_cast<int>(wParam))) ShowCancelButton(0);
  return 0;
}
