#include "shell/BrantleClientView.h"

#include <QAction>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"

CBrantleClientView::CBrantleClientView(CViewHost* host, QWidget* parent, PageFactory factory)
    : QWidget(parent), host_(host != nullptr ? host : &defaultHost_) {
  waybillQueryDlg.SetHost(host_);
  host_->SetQueryDialogs(&waybillQueryDlg, &bagQueryDlg, &awbQueryDlg);
  for (size_t i = 0; i < dateColumnNames.size(); ++i)
    dateColumnNames[i] = std::u16string(kWaybillDateColumns[i]);
  if (!factory) factory = [](int) { return std::make_unique<CViewPage>(); };
  for (int pageIndex : kPageConstructionOrder) {
    pageObjects_[static_cast<size_t>(pageIndex)] = factory(pageIndex);
  }
}

CBrantleClientView::~CBrantleClientView() {
  host_->SetQueryDialogs(nullptr, nullptr, nullptr);
  currentPage = nullptr;
  pages.fill(nullptr);
  for (auto it = kPageConstructionOrder.rbegin(); it != kPageConstructionOrder.rend(); ++it) {
    pageObjects_[static_cast<size_t>(*it)].reset();
  }
}

void CBrantleClientView::OnInitialUpdate() {
  for (size_t i = 0; i < pages.size(); ++i) {
    pages[i] = pageObjects_[i].get();
    if (pages[i] != nullptr) {
      pages[i]->index = static_cast<int32_t>(i);
      pages[i]->ownerView = this;
      pages[i]->host = host_;
    }
  }
  host_->AttachView(this);
  // The rights are known before anything is shown: the view opens on the
  // first page the user may use.
  for (int pageIndex = 0; pageIndex < kViewPageCount; ++pageIndex) {
    if (Page(pageIndex) != nullptr && host_->PageAllowed(pageIndex)) {
      ShowPage(pageIndex);
      break;
    }
  }
}

CViewPage* CBrantleClientView::Page(int pageIndex) const {
  if (pageIndex < 0 || pageIndex >= kViewPageCount) return nullptr;
  return pages[static_cast<size_t>(pageIndex)];
}

void CBrantleClientView::ShowPage(int pageIndex) {
  CViewPage* page = Page(pageIndex);
  if (page == nullptr || page == currentPage || !host_->PageAllowed(pageIndex)) return;
  if (!page->created) {
    const QSize screen = host_->ScreenSize();
    page->CreatePageWindow(this, QSize(screen.width() - 5, screen.height() - 80));
    page->OnPageCreated();
  }
  page->show();
  if (currentPage != nullptr) currentPage->hide();
  currentPage = page;
  currentIndex = pageIndex;
  host_->NotifyPageShown(pageIndex);
}

bool CBrantleClientView::OnCommand(int command) {
  const ViewCommandRoute* route = FindViewCommand(command);
  if (route == nullptr) return false;
  switch (route->kind) {
    case ViewCommandKind::kShowPage:
      ShowPage(route->pageIndex);
      if ((route->pageIndex == 0 || route->pageIndex == 1 || route->pageIndex == 3) &&
          currentPage != nullptr && currentIndex == route->pageIndex) {
        currentPage->OnPageCommand();
      }
      break;
    case ViewCommandKind::kPageOperation: RunPageOperation(*route); break;
    case ViewCommandKind::kCommonPrompts: OnCommonPrompts(); break;
    case ViewCommandKind::kCompanyWeb: OnCompanyWeb(); break;
    case ViewCommandKind::kScaleSettings: host_->RunScaleSettings(); break;
    case ViewCommandKind::kFilePrint:
      if (host_->RunPrintDialog(this)) OnPrint();
      break;
    case ViewCommandKind::kNothing:
    case ViewCommandKind::kFlagOnly: break;
  }
  return true;
}

void CBrantleClientView::RunPageOperation(const ViewCommandRoute& route) {
  CViewPage* page = currentPage;
  if (page == nullptr) return;
  if (route.flushRecordsFirst) host_->FlushRecordFiles();
  switch (route.operation) {
    case PageOperation::kSave: page->OnSave(); break;
    case PageOperation::kDelete: page->OnDelete(); break;
    case PageOperation::kCopyAll: page->OnCopyAll(); break;
    case PageOperation::kPasteAll: page->OnPasteAll(); break;
    case PageOperation::kNewRecord:
      page->ShowListMode(0);
      page->OnNewRecord();
      break;
    case PageOperation::kQuery: page->OnQuery(); break;
    case PageOperation::kExportReport: page->OnExportReport(); break;
    case PageOperation::kSelectAll: page->OnSelectAll(); break;
    case PageOperation::kRefresh: page->OnRefresh(); break;
    case PageOperation::kImportExcel: page->OnImportExcel(); break;
    case PageOperation::kPrintLabel: page->OnPrintLabel(); break;
    case PageOperation::kPrintWaybill: page->OnPrintWaybill(); break;
    case PageOperation::kPrintInvoice: page->OnPrintInvoice(route.argument); break;
    case PageOperation::kClearList: page->ClearList(); break;
    case PageOperation::kNone: break;
  }
}

ViewCommandUi CBrantleClientView::CommandUi(int command) const {
  const int rows = currentPage != nullptr && currentPage->grid != nullptr
                       ? currentPage->grid->RowCount()
                       : 0;
  return ViewCommandState(command, currentPage, rows, currentIndex,
                          host_->InvoiceToFileSwitch());
}

void CBrantleClientView::UpdateCommandUi(int command, QAction* action) const {
  if (action == nullptr) return;
  const ViewCommandUi ui = CommandUi(command);
  if (ui.enabled) action->setEnabled(*ui.enabled);
  if (ui.checked) {
    action->setCheckable(true);
    action->setChecked(*ui.checked);
  }
}

QWidget* CBrantleClientView::GetVisibleCaptureWnd() const {
  return host_->VisibleCaptureWindow();
}

void CBrantleClientView::OnPrint() {
  if (currentPage != nullptr) currentPage->OnFilePrint();
}

std::u16string CBrantleClientView::DateColumnName(int dateKind) const {
  if (dateKind < 0 || dateKind >= static_cast<int>(dateColumnNames.size())) return {};
  return dateColumnNames[static_cast<size_t>(dateKind)];
}

void CBrantleClientView::OnCommonPrompts() {
  std::u16string text;
  if (!host_->RunCommonPrompts(text)) return;
  const bool saved = host_->SavePrompts(text);
  // The edited prompts serve the rest of this run even when the file could
  // not be written; the operator is told which it was.
  host_->SetPrompts(text);
  if (saved) {
    platform::ShowMessageBox(u"提示输入信息设置成功。", u"提示", platform::kMbOk);
  } else {
    platform::ShowMessageBox(AppLanguage().Text(kPromptsNotSavedTextId), {},
                             platform::kMbOk | platform::kMbIconError);
  }
}

void CBrantleClientView::OnCompanyWeb() {
  const std::optional<std::u16string> url = CompanyWebAddressUrl(host_->CompanyWebAddress());
  if (!url) return;
  host_->OpenUrl(QString::fromStdU16String(*url));
}
