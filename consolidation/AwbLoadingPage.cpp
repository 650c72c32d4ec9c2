#include "consolidation/AwbLoadingPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CAwbLoadingPage::CAwbLoadingPage() : CViewPage(nullptr) {}

CAwbLoadingPage::~CAwbLoadingPage() = default;

void CAwbLoadingPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[12]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickAwbs);
  UpdateCountLabel();
}

void CAwbLoadingPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadAwbs(0);
}
