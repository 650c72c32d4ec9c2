#include "consolidation/BaggingPage.h"

#include "common/LanguageTable.h"
#include "consolidation/BaggingForm.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

CBaggingPage::CBaggingPage() : CViewPage(nullptr) {}

CBaggingPage::~CBaggingPage() {
  // The form goes before the services it uses.
  delete form_;
  form_ = nullptr;
}

void CBaggingPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[10]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickBags);
  if (makeServices) services_ = makeServices(host);
  const QSize screen = ScreenSize();
  form_ = new CBaggingDlg(services_.get(), this, screen);
  form_->setGeometry(230, 3, screen.width() - 250, screen.height() - 120);
  form_->pageWindow = this;
  form_->quickList = quickList;
  if (wireForm) wireForm(host, *form_);
  replacementChild = form_;
  labelEnabled = true;
  queryEnabled = true;
  listOnly = 1;  // so that the next call lays the page out again
  ShowListMode(0);
  listOnly = 0;
  form_->InitForm();
  UpdateCountLabel();
}

void CBaggingPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadBags(0);
}

void CBaggingPage::OnNewRecord() {
  if (form_ != nullptr) form_->ClearForm();
}

void CBaggingPage::OnSave() {
  if (form_ != nullptr) form_->SaveBag();
}

void CBaggingPage::OnDelete() {
  if (form_ != nullptr) form_->DeleteBag();
}

void CBaggingPage::OnPrintLabel() {
  if (form_ != nullptr) form_->PrintBagLabels();
}

qintptr CBaggingPage::OnQuickListOpen(quintptr wParam, qintptr) {
  const int32_t id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
  if (id > 0 && form_ != nullptr) form_->LoadBag(id);
  return 0;
}
