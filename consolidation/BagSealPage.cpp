#include "consolidation/BagSealPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CBagSealPage::CBagSealPage() : CViewPage(nullptr) {}

CBagSealPage::~CBagSealPage() = default;

void CBagSealPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[11]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickBags, 1);
  UpdateCountLabel();
}

void CBagSealPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadBags(0);
}
