#include "shipping/PreInputPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CPreInputPage::CPreInputPage() : CViewPage(nullptr) {}

CPreInputPage::~CPreInputPage() = default;

void CPreInputPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[16]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickStaff);
  UpdateCountLabel();
}

void CPreInputPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadAwbs(0);
}
