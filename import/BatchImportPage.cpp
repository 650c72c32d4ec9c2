#include "import/BatchImportPage.h"

#include <QFileDialog>

#include <filesystem>

#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "import/ImportPanel.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "ui/ListGrid.h"
#include "ui/ListGridExport.h"

namespace {

void Show(const std::u16string& text, unsigned icon) {
  platform::ShowMessageBox(text, AppLanguage().Text(20002), platform::kMbOk | icon);
}

}  // namespace

CBatchImportPage::~CBatchImportPage() = default;

void CBatchImportPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(TitleText());
  if (makeServices) services_ = makeServices(host);
  if (grid != nullptr) {
    grid->AddMenuCommand(AppLanguage().Text(21000));
    grid->AddMenuCommand(AppLanguage().Text(21001));
    grid->SetNotifyWnd(this);
    grid->EnableRowData(true);
  }
  panelWidth = 320;
  panel_ = CreatePanel();
  panel_->setGeometry(5, 3, 310, 660);
  panel_->hide();
  panel_->pageWindow = this;
  CImportServices* services = services_.get();
  panel_->chooseCommonPrompt = [services](std::u16string& text) {
    return services != nullptr && services->ChooseCommonPrompt(text);
  };
  entryPanel = panel_;
  InsertColumns();
  UpdateCountLabel();
  ShowListMode(0);
  OnNewRecord();
}

void CBatchImportPage::OnNewRecord() {
  if (panel_ != nullptr) panel_->Reset();
}

qintptr CBatchImportPage::OnGridMenuCommand(quintptr wParam, qintptr) {
  RemoveRows(static_cast<int>(wParam));
  return 0;
}

qintptr CBatchImportPage::OnRecordSaved(quintptr wParam, qintptr) {
  if (wParam == 1) ImportFromExcel();
  if (wParam == 2) WriteHeaderTemplate();
  return 0;
}

int CBatchImportPage::InsertLeadColumns() {
  int c = 0;
  grid->InsertColumn(c++, 50, AppLanguage().Text(30076), 0);
  grid->InsertColumn(c++, 0, u"ID", 0);
  grid->InsertColumn(c++, 0, u"pos", 0);
  return c;
}

int CBatchImportPage::AddLeadCells(const batchimport::StoredRow& row) {
  const int r = grid->RowCount();
  grid->InsertRow(r, batchimport::DecimalText(r + 1));
  grid->SetRowId(r, row.id);
  grid->SetCellText(r, 1, batchimport::DecimalText(row.id));
  grid->SetCellText(r, 2, batchimport::DecimalText(row.result));
  return r;
}

std::u16string CBatchImportPage::ChooseWorkbook() {
  const std::u16string filter =
      (services_ != nullptr ? services_->ExcelFileFilter() : std::u16string(u"Excel file (*.xls)|*.xls|")) + u"|";
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("importWorkbookDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(QtFileFilter(filter).split(QStringLiteral(";;")));
  dialog.setDefaultSuffix(QStringLiteral("xls"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdU16String();
}

batchimport::ImportLink CBatchImportPage::MakeLink() {
  batchimport::ImportLink link;
  if (services_ == nullptr) return link;
  CServerLink* server = &services_->Link();
  CImportServices* services = services_.get();
  // Called inside the run, which is already off the window's thread.
  link.send = [server](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    return server->SqlExecute(sql, types, &reply);
  };
  link.errorText = [server] { return server->LastErrorText(); };
  link.findKind = [services](std::string_view code) { return services->FindServiceKind(code); };
  link.user = server->Session().userName;
  return link;
}

void CBatchImportPage::ImportFromExcel() {
  if (panel_ == nullptr || services_ == nullptr) return;
  const CLanguageTable& language = AppLanguage();
  TakeSettings();
  const int days = batchimport::DaysFromToday(panel_->DateTime());
  if (days == batchimport::kNotADate) {
    Show(language.Text(NotADateText()), platform::kMbIconError);
    return;
  }
  if (batchimport::DateNeedsQuestion(days) &&
      platform::ShowMessageBox(language.TextWithNumber(DateFarText(), days), language.Text(20002),
                               platform::kMbYesNo | platform::kMbIconQuestion |
                                   platform::kMbDefButton2) != platform::kIdYes)
    return;
  const std::u16string path = ChooseWorkbook();
  if (path.empty()) return;

  const batchimport::ImportLink link = MakeLink();
  batchimport::ImportReport report = platform::WaitForWork([&] { return Run(path, link); });
  if (!report.refusal.empty()) {
    Show(report.refusal, platform::kMbIconError);
    return;
  }
  ClearList();
  if (grid != nullptr) grid->setUpdatesEnabled(false);
  for (const batchimport::StoredRow& row : report.stored) AddRow(row);
  if (grid != nullptr) grid->setUpdatesEnabled(true);
  UpdateCountLabel();
  AfterRows(report);

  // What the operator is told: a failed reply first, then the refused
  // rows (on the clipboard), then the counts.
  std::u16string text;
  unsigned icon = platform::kMbIconInformation;
  if (report.stopped) {
    text = report.stopText + u"\r\n";
    icon = platform::kMbIconError;
  }
  if (!report.failures.empty()) {
    services_->CopyToClipboard(report.failures);
    text += language.Text(FailuresCopiedText()) + u"\r\n";
    if (!report.stopped) icon = platform::kMbIconWarning;
  }
  text += batchimport::SummaryText(report);
  report_ = std::move(report);
  Show(text, icon);
}

void CBatchImportPage::WriteHeaderTemplate() {
  if (services_ == nullptr) return;
  std::u16string desktop = services_->DesktopPath();
  std::error_code ec;
  if (!desktop.empty() && !std::filesystem::is_directory(std::filesystem::path(desktop), ec)) desktop.clear();
  const std::u16string folder = services_->ProgramFolder();
  const std::u16string path = batchimport::TemplatePath(desktop, folder);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::u16string error;
  const bool written = platform::WaitForWork([&] {
    CExcelSession session;
    return batchimport::WriteHeaderTemplate(session, path, Headers(), error);
  });
  if (!written) {
    Show(error, platform::kMbIconError);
    return;
  }
  std::u16string text = AppLanguage().Text(batchimport::kTemplateWritten);
  ReplaceAllW(text, u"%1", path);
  Show(text, platform::kMbIconInformation);
}
