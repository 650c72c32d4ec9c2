#include "shipping/RecordCheckPage.h"

#include <QDateTime>

#include <chrono>
#include <memory>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "print/TemplateCache.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "shipping/RecordCheckDlg.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

namespace {

// The worker's messages to the page: a chunk of rows (payload), and the end
// of the load (wParam rows; payload: an empty text when the first reply had
// no rows, the reason when a request failed, none otherwise).
constexpr int kWmRecordRows = platform::kWmUser + 141;
constexpr int kWmRecordQueryEnd = platform::kWmUser + 142;

constexpr int kPageTitleText = 160000;
constexpr int kQueryingText = 20029;
constexpr int kExportTitleText = 160002;
constexpr int kNoTemplateText = 160003;
constexpr int kNoSelectionText = 160004;
constexpr int kPrintQuestionText = 160005;
constexpr int kPrintCaptionText = 20002;
constexpr int kCopiesText = 120058;
constexpr int kPrintFailedText = 22506;       // %1 the record id
constexpr int kPrintFailedCountText = 22510;  // %1 how many

}  // namespace

CRecordCheckPage::CRecordCheckPage() : CViewPage(nullptr) {}

CRecordCheckPage::~CRecordCheckPage() { JoinWorkers(); }

void CRecordCheckPage::JoinWorkers() {
  stopping_ = true;
  if (queryWorker_.joinable()) queryWorker_.join();
  if (printWorker_.joinable()) printWorker_.join();
}

void CRecordCheckPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  printBusy_ = false;
  saveEnabled = true;
  command32776Enabled = true;
  queryEnabled = true;
  exportEnabled = true;
  waybillEnabled = true;
  newEnabled = false;
  title = AppLanguage().Text(kPageTitleText);
  if (grid != nullptr) {
    grid->AddMenuCommand(AppLanguage().Text(21000));
    grid->AddMenuCommand(AppLanguage().Text(21001));
    grid->SetNotifyWnd(this);
    int index = 0;
    for (const RecordCheckColumn& c : RecordCheckColumns())
      grid->InsertColumn(index++, c.width, AppLanguage().Text(c.captionId), c.align);
    grid->InsertColumn(index, kRecordCheckDaysWidth,
                       AppLanguage().Text(kRecordCheckDaysCaptionId), kGridAlignRight);
  }
  panelWidth = 250;
  form_ = new CRecordCheckDlg(this);
  form_->setGeometry(5, 3, 240, 660);
  form_->hide();
  form_->SetPage(this, host);
  form_->OnInitDialog();
  entryPanel = form_;
  ShowListMode(0);
  form_->show();
  UpdateCountLabel();
}

RecordCheckQuery CRecordCheckPage::Query() {
  if (makeQuery) return makeQuery();
  CServerLink* link = host ? host->ServerLink() : nullptr;
  if (!link && host && host->Application()) link = &host->Application()->Link();
  if (!link) return [](const std::string&, std::string&) { return false; };
  return MakeServerRecordCheckQuery(*link);
}

void CRecordCheckPage::OnQuery() { QueryRecords(); }

void CRecordCheckPage::QueryRecords() {
  if (queryBusy_ || host == nullptr) return;
  std::u16string sql;
  CBrantleClientApp* app = host->Application();
  (void)app;  // the picture-size option is off in this client
  if (!BuildRecordFilterSql(*host, RecordCheckFilterTexts(false), sql)) return;
  StartQuery(RecordCheckStatement(sql));
}

bool CRecordCheckPage::StartQuery(const std::string& statement) {
  bool expected = false;
  if (!queryBusy_.compare_exchange_strong(expected, true)) return false;
  if (countLabel != nullptr)
    countLabel->setText(QString::fromStdU16String(AppLanguage().Text(kQueryingText)));
  ClearList();
  if (countLabel != nullptr)
    countLabel->setText(QString::fromStdU16String(AppLanguage().Text(kQueryingText)));
  if (queryWorker_.joinable()) queryWorker_.join();

  RecordCheckQuery query = Query();
  auto work = [this, query, statement] {
    RecordCheckLoad load;
    try {
      load = RunRecordCheckLoad(
          query, statement,
          [this](std::vector<RecordCheckRow> rows) {
            platform::PostPrivateMessage(this, kWmRecordRows, 0, std::move(rows));
          },
          [this] { return stopping_.load(); });
    } catch (...) {
      load.empty = load.rows == 0;
    }
    // The last thing the worker does: the page clears its busy flag on it.
    // Why the load failed goes with it; an empty list is not a failure.
    std::unique_ptr<std::u16string> note;
    if (!load.failure.empty()) note = std::make_unique<std::u16string>(std::move(load.failure));
    else if (load.empty) note = std::make_unique<std::u16string>();
    platform::PostPrivateMessage(this, kWmRecordQueryEnd, static_cast<quintptr>(load.rows),
                                 std::move(note));
  };
  try {
    queryWorker_ = startThread ? startThread(work) : std::thread(work);
  } catch (...) {
    queryBusy_ = false;
    UpdateCountLabel();
    return false;
  }
  if (!queryWorker_.joinable()) {
    queryBusy_ = false;
    UpdateCountLabel();
    return false;
  }
  return true;
}

uint32_t CRecordCheckPage::AddRows(std::vector<RecordCheckRow> rows, bool updateExisting) {
  uint32_t highest = 0;
  if (grid == nullptr) return highest;
  for (RecordCheckRow& r : rows) {
    if (r.id > 0 && static_cast<uint32_t>(r.id) > highest) highest = static_cast<uint32_t>(r.id);
    int row = updateExisting ? grid->FindRowById(r.id) : -1;
    if (row >= 0) {
      grid->SelectAndShowRow(row);
    } else {
      row = grid->InsertRow(grid->RowCount(),
                            QString::number(grid->RowCount() + 1).toStdU16String());
      grid->SetRowId(row, r.id);
    }
    for (size_t c = 1; c < r.cells.size(); ++c)
      grid->SetCellText(row, static_cast<int>(c), r.cells[c]);
    grid->SetRowColors(row, r.textColor, kGridWhite);
  }
  return highest;
}

void CRecordCheckPage::ReloadRecord(int32_t recordId) {
  if (queryBusy_ || recordId <= 0) return;
  RecordCheckQuery query = Query();
  const std::string sql = RecordCheckReloadStatement(static_cast<uint32_t>(recordId));
  std::string reply;
  const bool ok = platform::WaitForWork([&] { return query(sql, reply); }) > 0;
  if (!ok) return;
  std::vector<RecordCheckRow> rows;
  uint32_t highest = 0;
  if (!ReadRecordCheckRows(reply, QDateTime::currentDateTime(), rows, highest)) return;
  AddRows(std::move(rows), true);
  UpdateCountLabel();
}

void CRecordCheckPage::OnSave() {
  if (grid == nullptr) return;
  const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  grid->ExportAs(AppLanguage().Text(kExportTitleText), now.toStdU16String());
}

qintptr CRecordCheckPage::OnGridMenuCommand(quintptr wParam, qintptr) {
  RemoveRows(static_cast<int>(wParam));
  return 0;
}

qintptr CRecordCheckPage::OnRecordSaved(quintptr wParam, qintptr lParam) {
  if (wParam == 1) ReloadRecord(static_cast<int32_t>(lParam));
  return 0;
}

void CRecordCheckPage::OnPrintWaybill() { PrintRecords(); }
void CRecordCheckPage::OnFilePrint() { PrintRecords(); }

qintptr CRecordCheckPage::OnPrintProgress(quintptr wParam, qintptr lParam) {
  CViewPage::OnPrintProgress(wParam, lParam);
  if (static_cast<qintptr>(wParam) <= 0) {
    printBusy_ = false;
    if (printWorker_.joinable()) printWorker_.join();
    if (const int failed = printFailures_.exchange(0); failed > 0)
      platform::ShowMessageBox(AppLanguage().TextWithNumber(kPrintFailedCountText, failed));
  }
  return 0;
}

void CRecordCheckPage::PrintRecords() {
  CBrantleClientApp* app = host ? host->Application() : nullptr;
  if (!printWaybill) {
    if (app == nullptr || app->Templates().Current(1) == nullptr) {
      platform::ShowMessageBox(AppLanguage().Text(kNoTemplateText));
      return;
    }
  }
  if (grid == nullptr || grid->RowCount() == 0 || printBusy_) return;
  printBusy_ = true;
  std::vector<int32_t> ids;
  if (GetSelectedIds(ids) <= 0) {
    platform::ShowMessageBox(AppLanguage().Text(kNoSelectionText));
    printBusy_ = false;
    return;
  }
  const int count = static_cast<int>(ids.size());
  if (platform::ShowMessageBox(AppLanguage().TextWithNumber(kPrintQuestionText, count),
                               AppLanguage().Text(kPrintCaptionText),
                               platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes) {
    printBusy_ = false;
    return;
  }
  int copies = 0;
  if (askCopies) {
    copies = askCopies(count);
  } else if (!ConfirmPrint(2, AppLanguage().TextWithNumber(kCopiesText, count), copies)) {
    copies = 0;
  }
  if (copies <= 0) {
    printBusy_ = false;
    return;
  }
  printCopies_ = copies;
  printIds_ = ids;
  printFailures_ = 0;

  std::function<int(int32_t, int)> print = printWaybill;
  if (!print) print = [app](int32_t id, int n) { return app->PrintWaybill(id, 0, 0, n, u""); };

  if (count == 1) {
    const int32_t id = ids.front();
    const int printed = platform::WaitForWork([&] { return print(id, copies); });
    if (printed <= 0) platform::ShowMessageBox(AppLanguage().TextWithNumber(kPrintFailedText, id));
    printBusy_ = false;
    return;
  }
  if (printWorker_.joinable()) printWorker_.join();
  auto work = [this, print, ids, copies] {
    for (int32_t id : ids) {
      if (stopping_) break;
      if (print(id, copies) <= 0) ++printFailures_;
      platform::PostPrivateMessage(this, kWmPrintProgress, static_cast<quintptr>(id), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    platform::PostPrivateMessage(this, kWmPrintProgress, 0, 0);
  };
  try {
    printWorker_ = startThread ? startThread(work) : std::thread(work);
  } catch (...) {
    printBusy_ = false;
  }
  if (!printWorker_.joinable()) printBusy_ = false;
}

bool CRecordCheckPage::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == kWmRecordRows) {
      if (auto rows = m->TakePayload<std::vector<RecordCheckRow>>()) AddRows(std::move(*rows), false);
      return true;
    }
    if (m->Message() == kWmRecordQueryEnd) {
      if (queryWorker_.joinable()) queryWorker_.join();
      queryBusy_ = false;
      UpdateCountLabel();
      // The payload: empty after a load without rows, the reason after a
      // failure, none after rows.
      if (auto failure = m->TakePayload<std::u16string>())
        platform::ShowMessageBox(failure->empty() ? AppLanguage().Text(20005) : *failure);
      return true;
    }
  }
  return CViewPage::event(e);
}
