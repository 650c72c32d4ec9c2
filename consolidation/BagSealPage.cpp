#include "consolidation/BagSealPage.h"

#include "common/LanguageTable.h"
#include "consolidation/BagSealForm.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

CBagSealPage::CBagSealPage() : CViewPage(nullptr) {}

CBagSealPage::~CBagSealPage() {
  // The form goes before the services it uses.
  delete form_;
  form_ = nullptr;
}

void CBagSealPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[11]);
  // Open and sealed bags (bag state filter 1).
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickBags, 1);
  quickList->SetBagStateFilter(1);
  if (makeServices) services_ = makeServices(host);
  const QSize screen = ScreenSize();
  form_ = new CBagSealDlg(services_.get(), this, screen);
  form_->setGeometry(230, 3, screen.width() - 250, screen.height() - 120);
  form_->pageWindow = this;
  form_->quickList = quickList;
  if (printLabels)
    form_->printLabels = [this](const BagLabelSources& sources, bool bothLabels) {
      return printLabels(host, sources, bothLabels);
    };
  replacementChild = form_;
  labelEnabled = true;
  queryEnabled = true;
  listOnly = 1;  // so that the next call lays the page out again
  ShowListMode(0);
  listOnly = 0;
  form_->ResetForPage();
  UpdateCountLabel();
}

void CBagSealPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadBags(0);
}

void CBagSealPage::OnSave() {
  if (form_ != nullptr) form_->SealBag();
}

void CBagSealPage::OnNewRecord() {
  if (form_ != nullptr) form_->ClearForm();
}

void CBagSealPage::OnPrintLabel() {
  if (form_ != nullptr) form_->PrintLabels();
}

qintptr CBagSealPage::OnQuickListOpen(quintptr wParam, qintptr) {
  const int32_t id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
  if (id > 0 && form_ != nullptr) form_->LoadBag(id);
  return 0;
}
