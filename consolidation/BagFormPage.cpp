#include "consolidation/BagFormPage.h"

#include <QWidget>

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

CBagFormPage::CBagFormPage(int pageIndex, int bagStateFilter)
    : CViewPage(nullptr), pageIndex_(pageIndex), bagStateFilter_(bagStateFilter) {}

CBagFormPage::~CBagFormPage() {
  // The form goes before the services it uses.
  delete form_;
  form_ = nullptr;
}

void CBagFormPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[pageIndex_]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickBags, bagStateFilter_);
  if (bagStateFilter_ != 0) quickList->SetBagStateFilter(bagStateFilter_);
  if (makeServices) services_ = makeServices(host);
  const QSize screen = ScreenSize();
  form_ = MakeForm(services_.get(), screen);
  form_->setGeometry(230, 3, screen.width() - 250, screen.height() - 120);
  WireForm();
  replacementChild = form_;
  labelEnabled = true;
  queryEnabled = true;
  listOnly = 1;  // so that the next call lays the page out again
  ShowListMode(0);
  listOnly = 0;
  ResetForm();
  UpdateCountLabel();
}

void CBagFormPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadBags(0);
}

qintptr CBagFormPage::OnQuickListOpen(quintptr wParam, qintptr) {
  const int32_t id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
  if (id > 0 && form_ != nullptr) OpenBag(id);
  return 0;
}
