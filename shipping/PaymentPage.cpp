#include "shipping/PaymentPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CPaymentPage::CPaymentPage() : CViewPage(nullptr) {}

CPaymentPage::~CPaymentPage() = default;

void CPaymentPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[9]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickCustomers);
  UpdateCountLabel();
}

void CPaymentPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadCustomers(0);
}
