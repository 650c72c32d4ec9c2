#include "entry/WaybillPage.h"

#include <QApplication>

#include <algorithm>
#include <memory>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/FullFormPageRows.h"
#include "entry/WaybillForm.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "refdata/ClientListCache.h"
#include "refdata/RecordStores.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "ui/RecordFilter.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

namespace {

std::u16string RowNumber(int n) { return WideFromGbk(std::to_string(n)); }

constexpr int kWeightColumn = 8;

}  // namespace

CWaybillPage::CWaybillPage() : CViewPage(nullptr) {}

CWaybillPage::~CWaybillPage() = default;

CServerLink* CWaybillPage::Link() {
  if (link_ == nullptr && host != nullptr && host->Application() != nullptr)
    link_ = &host->Application()->Link();
  return link_;
}

void CWaybillPage::OnPageCreated() {
  title = AppLanguage().Text(22696);
  printBusy = 0;
  exportEnabled = true;
  queryEnabled = true;
  labelEnabled = true;
  waybillEnabled = true;
  invoiceEnabled = true;
  panelWidth = 570;
  form_ = new CWaybillDlg(this);
  form_->setGeometry(5, 3, 560, 660);
  form_->hide();
  form_->Attach(Link(), this, host != nullptr ? host->Application() : nullptr);
  form_->captureWindow = [this]() -> QObject* {
    return host != nullptr ? host->VisibleCaptureWindow() : nullptr;
  };
  entryPanel = form_;
  for (int c = 0; c < kWaybillListColumns; ++c) {
    const WaybillListColumn& column = WaybillListColumnAt(c);
    grid->InsertColumn(c, column.width, AppLanguage().Text(column.captionId), column.align);
  }
  UpdateCountLabel();
  CViewPage::OnPageCreated();
  ShowListMode(0);
  OnNewRecord();
}

void CWaybillPage::OnPageCommand() {
  if (form_ != nullptr) form_->AttachScale();
}

void CWaybillPage::OnQuery() {
  if (host == nullptr) return;
  RecordFilterTexts texts;
  texts.select = WaybillListSelect();
  texts.dateHead = WaybillListDateHead();
  texts.rowLimit = 1000;
  texts.dateOrder = u" ORDER BY a.irid";
  texts.bagHead = std::u16string(recordfilter::kBagHead);
  texts.awbHead = std::u16string(recordfilter::kAwbHead);
  std::u16string sql;
  if (!BuildRecordFilterSql(*host, texts, sql)) return;
  RunListQuery(sql);
}

int CWaybillPage::RunListQuery(std::u16string_view sql) {
  CServerLink* link = Link();
  std::string reply;
  if (link != nullptr) {
    const std::string narrow = GbkFromWide(sql);
    const std::vector<uint32_t> types = WaybillListTypes();
    platform::WaitForWork([&] { return link->SqlQuery(narrow, types, &reply); });
  }
  const int32_t total = JsonGetInt("iTotal", reply, 0);
  // The rows are read into the grid's own texts and go in at once.
  std::vector<GridNewRow> rows;
  if (total > 0) {
    rows.reserve(std::min(static_cast<size_t>(total), reply.size() / 16));
    JsonListReader list(reply, "List");
    WaybillReplyReader reader;
    for (;;) {
      GridNewRow& row = rows.emplace_back();
      if (!reader.Next(list, row.cells, row.id)) {
        rows.pop_back();
        break;
      }
      row.cells[0] = QString::number(static_cast<int>(rows.size()));
    }
  }
  // No rows counted, or no list in the reply (a list without rows still
  // empties the grid).
  if (total <= 0 || (rows.empty() && JsonListBody(reply, "List").empty())) {
    UpdateCountLabel();
    platform::ShowMessageBox(AppLanguage().Text(20005), AppLanguage().Text(20002),
                             platform::kMbOk | platform::kMbIconInformation);
    return -1;
  }
  grid->setUpdatesEnabled(false);
  grid->DeleteAllRows();
  grid->AppendRows(std::move(rows));
  grid->setUpdatesEnabled(true);
  UpdateCountLabel();
  return grid->RowCount();
}

void CWaybillPage::OnRowDoubleClick(int row) {
  ShowListMode(0);
  if (form_ == nullptr) return;
  deleteEnabled = form_->LoadById(grid->GetRowId(row)) != 0 && form_->State().loadedId > 0;
}

void CWaybillPage::OnNewRecord() {
  deleteEnabled = false;
  if (form_ != nullptr) form_->Clear(1);
}

void CWaybillPage::OnCopyAll() {
  if (form_ != nullptr) form_->CopyAll();
  pasteReady = true;
}

void CWaybillPage::OnPasteAll() {
  if (form_ != nullptr) form_->PasteAll();
}

void CWaybillPage::OnSave() {
  if (form_ != nullptr) form_->SaveEntry();
}

void CWaybillPage::OnDelete() {
  if (form_ != nullptr) form_->Delete();
}

void CWaybillPage::OnRecordChanged(int flag, const WaybillRecord& w) {
  int row = grid->FindRowById(w.irID);
  if (flag == 1) {
    if (row < 0) {
      row = grid->InsertRow(grid->RowCount(), RowNumber(grid->RowCount() + 1));
      grid->SetRowId(row, w.irID);
    }
    std::u16string name = u"*", code;
    if (host != nullptr && host->Application() != nullptr) {
      name = host->Application()->ClientList().NameOf(w.icID);
      code = host->Application()->ClientList().CodeOf(w.icID);
    }
    const auto itemType = w.nItemType < 3 ? AppLanguage().Text(20090 + w.nItemType) : std::u16string(u"未知");
    const auto payWay = w.nPayWay < 3 ? AppLanguage().Text(20060 + w.nPayWay) : std::u16string(u"未知");
    const WaybillListRow cells = WaybillRowFromRecord(w, name, code, itemType, payWay);
    for (int c = 1; c < kWaybillListColumns; ++c) grid->SetCellText(row, c, cells[c]);
    grid->SetRowColors(row, w.listMark == 1 ? GridRgb(0, 0, 255) : GridRgb(0, 0, 0), kGridWhite);
    grid->scrollTo(grid->model()->index(row, 0));
  } else if (flag == 0 && row >= 0) {
    grid->DeleteRow(row);
    for (int r = row; r < grid->RowCount(); ++r) grid->SetCellText(r, 0, RowNumber(r + 1));
  }
  deleteEnabled = false;
  UpdateCountLabel();
}

qintptr CWaybillPage::OnPrintProgress(quintptr wParam, qintptr lParam) {
  CViewPage::OnPrintProgress(wParam, lParam);
  const auto id = static_cast<int32_t>(static_cast<qintptr>(wParam));
  if (id > 0) {
    const int row = grid->FindRowById(id);
    if (row >= 0) {
      grid->SetRowColors(row, GridRgb(0, 0x80, 0), kGridWhite);
      grid->SetCellText(row, 2, u"ok");
    }
  } else {
    // Two beeps end the job (the base has cleared the busy flag).
    QApplication::beep();
    QApplication::beep();
  }
  return 0;
}

qintptr CWaybillPage::OnWeightUpdated(quintptr wParam, qintptr lParam) {
  const int row = grid != nullptr ? grid->FindRowById(static_cast<int32_t>(wParam)) : -1;
  if (row < 0) return 0;
  if (lParam > 0) grid->SetCellNumber(row, kWeightColumn, static_cast<double>(lParam) * 0.001, 3);
  grid->SetRowColors(row, GridRgb(0, 0x80, 0), kGridWhite);
  grid->scrollTo(grid->Model().index(row, 0), QAbstractItemView::EnsureVisible);
  return 0;
}

bool CWaybillPage::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e); m != nullptr && m->Message() == WM_PAGE_NOTIFY) {
    if (std::unique_ptr<InputWaybillRecord> record = m->TakePayload<InputWaybillRecord>())
      OnRecordChanged(static_cast<int>(m->WParam()), record->waybill);
    m->SetResult(0);
    return true;
  }
  return CViewPage::event(e);
}
