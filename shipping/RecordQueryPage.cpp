#include "shipping/RecordQueryPage.h"

#include <QDateTime>

#include <memory>
#include <vector>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "shipping/RecordQuery.h"
#include "ui/RecordFilter.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

namespace {

struct GridColumnLayout {
  int32_t caption;
  int width;
  bool right;
};
constexpr GridColumnLayout kColumns[recordquery::kGridColumns] = {
    {30076, 50, false},  {30070, 75, false},  {30002, 85, false},  {30003, 85, false},
    {30102, 85, false},  {420010, 85, false}, {420015, 50, false}, {30045, 85, false},
    {30041, 85, false},  {30001, 85, false},  {30073, 85, false},  {30072, 50, true},
    {30004, 80, true},   {450100, 90, false}, {450101, 70, false}, {450102, 70, false},
    {450103, 90, false}, {450104, 90, false}, {450105, 90, false}, {450106, 90, false},
    {450107, 90, false}, {30078, 110, false}, {30203, 80, false},  {30026, 150, false},
    {450108, 70, false}, {450109, 120, false}, {450110, 70, false}, {450111, 120, false},
    {450112, 70, false}, {450113, 120, false},
};

}  // namespace

CRecordQueryPage::CRecordQueryPage() : CViewPage(nullptr) {
  // The page answers the query command (F4) and its toolbar button.
  queryEnabled = true;
}

CRecordQueryPage::~CRecordQueryPage() { StopWorker(); }

void CRecordQueryPage::StopWorker() {
  if (mailbox_) {
    std::lock_guard<std::mutex> lock(mailbox_->mutex);
    mailbox_->page = nullptr;
    mailbox_->stop = true;
  }
  // The worker uses the application's server link, so the page outlives
  // it: waited for through the one waiting helper, which keeps the window
  // painting and serves a message the link asks the window thread for.
  if (worker_.joinable()) platform::WaitForWork([this] { worker_.join(); });
}

void CRecordQueryPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  const CLanguageTable& language = AppLanguage();
  title = language.Text(kRecordQueryTitleText);
  if (grid != nullptr) {
    grid->AddMenuCommand(language.Text(21000));
    grid->AddMenuCommand(language.Text(21001));
    grid->SetNotifyWnd(this);
    grid->EnableRowData(true);
    grid->SetHighlightMode(2);
    grid->EnableHeaderSort(true);
    for (int c = 0; c < recordquery::kGridColumns; ++c) {
      const GridColumnLayout& s = kColumns[c];
      grid->InsertColumn(c, s.width, language.Text(s.caption),
                         s.right ? kGridAlignRight : kGridAlignLeft);
    }
  }
  // The side pane is 1 pixel wide and stays hidden: the grid takes the
  // whole page.
  panelWidth = 1;
  queryPane = new CQueryPaneDlg(this);
  queryPane->setGeometry(0, 3, 1, 660);
  queryPane->hide();
  entryPanel = queryPane;
  ShowListMode(1);
  UpdateCountLabel();
}

void CRecordQueryPage::OnQuery() { BuildQuery(); }

void CRecordQueryPage::BuildQuery() {
  if (Busy() || host == nullptr) return;
  std::u16string sql;
  if (!BuildRecordFilterSql(*host, recordquery::FilterTexts(), sql)) return;
  StartQuery(sql);
}

bool CRecordQueryPage::StartQuery(const std::u16string& sql) {
  if (Busy()) return false;
  CServerLink* link = host != nullptr ? host->ServerLink() : nullptr;
  if (link == nullptr) return false;
  busy_ = 1;
  if (worker_.joinable()) worker_.join();
  sql_ = recordquery::WithOrder(sql);
  if (countLabel != nullptr) countLabel->setText(platform::ToQString(AppLanguage().Text(kRecordQueryLoadingText)));
  if (grid != nullptr) grid->DeleteAllRows();
  // The worker reaches the page only through the mailbox, which the page
  // closes when it goes; a worker still waiting for the server then ends
  // on its own.
  mailbox_ = std::make_shared<Mailbox>();
  mailbox_->page = this;
  worker_ = std::thread([link, statement = sql_, mailbox = mailbox_] {
    auto post = [&mailbox](int message, quintptr wParam, auto payload) {
      std::lock_guard<std::mutex> lock(mailbox->mutex);
      if (mailbox->page == nullptr) return;
      platform::PostPrivateMessage(mailbox->page, message, wParam, std::move(payload));
    };
    std::u16string failure;
    const int listed = recordquery::Load(
        *link, statement,
        [&post](std::vector<recordquery::Row>&& rows) {
          post(kWmRecordQueryRows, 0, std::make_unique<std::vector<recordquery::Row>>(std::move(rows)));
        },
        &mailbox->stop, &failure);
    // The end, with why the load failed when it did.
    post(kWmRecordQueryDone, listed > 0 ? static_cast<quintptr>(listed) : 0,
         std::make_unique<std::u16string>(std::move(failure)));
  });
  return true;
}

void CRecordQueryPage::Finished(int listed, const std::u16string& failure) {
  if (worker_.joinable()) worker_.join();
  UpdateCountLabel();
  busy_ = 0;
  if (!failure.empty()) {
    platform::ShowMessageBox(failure, {}, platform::kMbOk | platform::kMbIconError);
  } else if (listed <= 0) {
    platform::ShowMessageBox(AppLanguage().Text(kRecordQueryNothingText), {},
                             platform::kMbOk | platform::kMbIconInformation);
  }
}

bool CRecordQueryPage::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == kWmRecordQueryRows) {
      auto rows = m->TakePayload<std::vector<recordquery::Row>>();
      if (rows && grid != nullptr) {
        // The chunk's rows go into the grid in one insertion, each row's
        // texts taken over as they are, numbered on from the rows listed.
        std::vector<GridNewRow> added(rows->size());
        int number = grid->RowCount();
        for (size_t r = 0; r < rows->size(); ++r) {
          recordquery::Row& row = (*rows)[r];
          GridNewRow& line = added[r];
          line.cells = std::move(row.cells);
          if (line.cells.empty()) line.cells.resize(recordquery::kGridColumns);
          line.cells[0] = QString::number(++number);
          line.id = row.irid;
        }
        grid->setUpdatesEnabled(false);
        grid->AppendRows(std::move(added));
        grid->setUpdatesEnabled(true);
      }
      return true;
    }
    if (m->Message() == kWmRecordQueryDone) {
      auto failure = m->TakePayload<std::u16string>();
      Finished(static_cast<int>(m->WParam()), failure ? *failure : std::u16string());
      return true;
    }
  }
  return CViewPage::event(e);
}

void CRecordQueryPage::OnSave() {
  if (grid == nullptr) return;
  const std::u16string subtitle =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdU16String();
  grid->ExportAs(AppLanguage().Text(kRecordQueryExportTitleText), subtitle);
}

qintptr CRecordQueryPage::OnGridMenuCommand(quintptr wParam, qintptr) {
  if (grid == nullptr || Busy() || wParam > 1) return 0;
  RemoveRows(static_cast<int>(wParam));
  return 0;
}
