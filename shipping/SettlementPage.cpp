#include "shipping/SettlementPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CSettlementPage::CSettlementPage() : CViewPage(nullptr) {}

CSettlementPage::~CSettlementPage() = default;

void CSettlementPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[5]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickCustomers);
  UpdateCountLabel();
}

void CSettlementPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadCustomers(0);
}
