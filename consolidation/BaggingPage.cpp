#include "consolidation/BaggingPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CBaggingPage::CBaggingPage() : CViewPage(nullptr) {}

CBaggingPage::~CBaggingPage() = default;

void CBaggingPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[10]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickBags);
  UpdateCountLabel();
}

void CBaggingPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadBags(0);
}
