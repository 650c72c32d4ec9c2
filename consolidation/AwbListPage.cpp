#include "consolidation/AwbListPage.h"

#include <QApplication>
#include <QDateTime>

#include <vector>

#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "devices/Attachments.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "ui/AttachmentDlg.h"
#include "ui/AwbQueryDlg.h"
#include "ui/QuickSearchQueries.h"
#include "ui/ViewHost.h"

namespace {

struct GridColumnLayout {
  int32_t caption;          // 0: the literal below
  std::u16string_view literal;
  int width;
  bool right;
};
// The number, date and state columns are a little wider than the old
// screen's, whose font was narrower: their texts show whole.
constexpr GridColumnLayout kColumns[awblist::kColumns] = {
    {30102, {}, 115, false},  {460100, {}, 80, false}, {30000, {}, 85, false},
    {30001, {}, 85, false},   {30072, {}, 50, true},   {460101, {}, 80, true},
    {460102, {}, 70, false},  {460103, {}, 85, false}, {460104, {}, 120, false},
    {460105, {}, 80, false},  {0, u"ＥＴＤ", 120, false}, {0, u"ＥＴＡ", 120, false},
};

constexpr int kStateColumn = 9;

std::u16string StateText(int state) {
  // A state the list could not name reads as the unknown state.
  return AppLanguage().AwbStateText(state >= 0 ? state : 3);
}

void Inform(const std::u16string& text) {
  platform::ShowMessageBox(text, AppLanguage().Text(20002), platform::kMbOk | platform::kMbIconInformation);
}

}  // namespace

CAwbListPage::CAwbListPage() : CViewPage(nullptr) {
  saveEnabled = true;
  queryEnabled = true;
  exportEnabled = true;
  newEnabled = true;
}

CAwbListPage::~CAwbListPage() { StopWorker(); }

CServerLink* CAwbListPage::Link() const { return host != nullptr ? host->ServerLink() : nullptr; }

void CAwbListPage::StopWorker() {
  if (mailbox_) {
    std::lock_guard<std::mutex> lock(mailbox_->mutex);
    mailbox_->page = nullptr;
  }
  // The worker uses the application's server link, so the page waits for
  // it: through the one waiting helper, which keeps the window painting.
  if (worker_.joinable()) platform::WaitForWork([this] { worker_.join(); });
}

AwbDeskServices CAwbListPage::MakeServices() {
  AwbDeskServices s;
  CServerLink* link = Link();
  if (link != nullptr) {
    s.query = [link](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
      return platform::WaitForWork([&] { return link->SqlQuery(sql, types, &reply); });
    };
    s.execute = [link](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
      return platform::WaitForWork([&] { return link->SqlExecute(sql, types, &reply); });
    };
    s.attachmentsAllowed = link->HasRight(13, 0x10 | 0x08 | 0x04) != 0;
    CViewHost* viewHost = host;
    s.openAttachments = [link, viewHost](QWidget* parent, const std::u16string& number) {
      RunAttachmentDialog(parent, *link, attachment::kKindAwb, 0, number, viewHost);
    };
  }
  CViewHost* viewHost = host;
  s.chooseCommonPrompt = [viewHost](std::u16string& prompt) {
    return viewHost != nullptr && viewHost->ChooseCommonPrompt(prompt);
  };
  if (wireServices) wireServices(s, host);
  return s;
}

void CAwbListPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  const CLanguageTable& language = AppLanguage();
  title = language.Text(awblist::kTitleText);
  if (grid != nullptr) {
    grid->AddMenuCommand(language.Text(21000));
    grid->AddMenuCommand(language.Text(21001));
    grid->SetNotifyWnd(this);
    grid->EnableRowData(true);
    grid->SetHighlightMode(2);
    grid->EnableHeaderSort(true);
  }
  UpdateCountLabel();
  panelWidth = 250;
  statusPanel = new CAwbStatusDlg(this);
  statusPanel->setGeometry(5, 3, 240, 660);
  statusPanel->hide();
  statusPanel->pageWindow = this;
  statusPanel->InitPanel(MakeServices());
  entryPanel = statusPanel;
  if (grid != nullptr) {
    for (int c = 0; c < awblist::kColumns; ++c) {
      const GridColumnLayout& s = kColumns[c];
      grid->InsertColumn(c, s.width, s.caption != 0 ? language.Text(s.caption) : std::u16string(s.literal),
                         s.right ? kGridAlignRight : kGridAlignLeft);
    }
  }
  ShowListMode(0);
}

void CAwbListPage::OnQuery() { BuildQuery(); }

void CAwbListPage::BuildQuery() {
  if (Busy() || host == nullptr) return;
  CAwbQueryDlg* dialog = host->AwbQueryDialog();
  if (dialog == nullptr) return;
  dialog->host = host;
  if (dialog->DoModal() != platform::kIdOk) return;
  StartQuery(awblist::ListSql(*dialog, AppLanguage().Text(kAnyTextId)));
}

bool CAwbListPage::StartQuery(const std::u16string& sql) {
  if (Busy()) return false;
  CServerLink* link = Link();
  if (link == nullptr) return false;
  busy_ = 1;
  if (worker_.joinable()) worker_.join();  // a worker that already handed its rows over
  sql_ = sql;
  if (grid != nullptr) grid->DeleteAllRows();
  mailbox_ = std::make_shared<Mailbox>();
  mailbox_->page = this;
  // The worker reads the reply into plain rows and posts them; it reaches
  // the page only through the mailbox, which the page closes when it goes.
  worker_ = std::thread([link, statement = sql_, mailbox = mailbox_] {
    auto result = std::make_unique<awblist::LoadResult>(awblist::Load(
        [link](const std::string& text, std::string& reply) {
          return link->SqlQuery(text, awblist::ColumnTypes(), &reply);
        },
        statement));
    std::lock_guard<std::mutex> lock(mailbox->mutex);
    if (mailbox->page == nullptr) return;
    mailbox->result = std::move(result);
    platform::PostPrivateMessage(mailbox->page, kWmAwbListLoaded);
  });
  return true;
}

void CAwbListPage::Loaded(awblist::LoadResult& result) {
  if (worker_.joinable()) worker_.join();  // it has posted its last word
  if (grid != nullptr && !result.rows.empty()) {
    grid->setUpdatesEnabled(false);
    for (awblist::Row& row : result.rows) {
      const int at = grid->InsertRow(grid->RowCount(), row.cells[0]);
      grid->SetRowId(at, row.id);
      row.cells[kStateColumn] = StateText(row.state);
      for (int c = 1; c < awblist::kColumns; ++c) {
        const std::u16string& text = row.cells[static_cast<size_t>(c)];
        if (!text.empty()) grid->SetCellText(at, c, text);
      }
    }
    grid->setUpdatesEnabled(true);
  }
  UpdateCountLabel();
  busy_ = 0;
  if (!result.rows.empty()) return;
  if (!result.failure.empty()) {
    platform::ShowMessageBox(result.failure, {}, platform::kMbOk | platform::kMbIconError);
  } else {
    Inform(AppLanguage().Text(awblist::kNothingFoundText));
  }
}

bool CAwbListPage::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == kWmAwbListLoaded) {
      std::unique_ptr<awblist::LoadResult> result;
      if (mailbox_) {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        result = std::move(mailbox_->result);
      }
      if (result) Loaded(*result);
      return true;
    }
  }
  return CViewPage::event(e);
}

void CAwbListPage::OnSave() {
  if (grid == nullptr) return;
  const std::u16string subtitle = platform::FromQString(
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
  grid->ExportAs(AppLanguage().Text(awblist::kExportTitleText), subtitle);
}

void CAwbListPage::OnRowDoubleClick(int row) {
  if (grid == nullptr || statusPanel == nullptr || row < 0 || row >= grid->RowCount()) return;
  AwbStatusRecord& record = statusPanel->record;
  record.rowKey = grid->GetRowId(row);
  record.state = AppLanguage().AwbStateIndex(grid->CellText(row, kStateColumn));
  record.number = grid->CellText(row, 0);
  record.flight = grid->CellText(row, 6);
  record.takeOffTime.clear();
  statusPanel->ShowRecord();
}

qintptr CAwbListPage::OnGridMenuCommand(quintptr wParam, qintptr) {
  if (grid == nullptr || Busy() || wParam > 1) return 0;
  // Column 0 holds the number here: the rows are not renumbered.
  RemoveRows(static_cast<int>(wParam), false);
  return 0;
}

int CAwbListPage::FindAwbRow(int32_t rowKey, std::u16string_view number) const {
  if (grid == nullptr) return -1;
  for (int row = 0; row < grid->RowCount(); ++row)
    if (grid->GetRowId(row) == rowKey && grid->CellText(row, 0) == number) return row;
  return -1;
}

qintptr CAwbListPage::OnRecordSaved(quintptr wParam, qintptr lParam) {
  if (wParam == kAwbNoticeApportion) {
    ApportionFees();
    return 0;
  }
  const auto* record = reinterpret_cast<const AwbStatusRecord*>(lParam);
  if (record == nullptr || grid == nullptr) return 0;
  const int row = FindAwbRow(record->rowKey, record->number);
  if (row < 0) return 0;
  grid->SetCellText(row, kStateColumn, StateText(record->state));
  if (wParam == kAwbNoticeTransitSaved) {
    grid->SetCellText(row, 6, record->flight);
    grid->SetCellText(row, 8, record->takeOffTime);
  }
  return 0;
}

void CAwbListPage::ApportionFees() {
  if (grid == nullptr || grid->RowCount() == 0) {
    Inform(AppLanguage().Text(awblist::kNoRowsToApportionText));
    return;
  }
  std::vector<std::u16string> numbers;
  for (int row = 0; row < grid->RowCount(); ++row) numbers.push_back(grid->CellText(row, 0));
  const AwbDeskServices services = MakeServices();
  if (!services.execute) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const awblist::ApportionResult result = awblist::Apportion(services.execute, numbers);
  QApplication::restoreOverrideCursor();
  if (result.stopped) {
    platform::ShowMessageBox(result.failure, AppLanguage().Text(20002),
                             platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  std::u16string text = AppLanguage().Text(awblist::kApportionedText);
  const std::string count = std::to_string(result.count);
  const std::string total = std::to_string(result.total);
  ReplaceAllW(text, u"%1", std::u16string(count.begin(), count.end()));
  ReplaceAllW(text, u"%2", std::u16string(total.begin(), total.end()));
  Inform(text);
}
