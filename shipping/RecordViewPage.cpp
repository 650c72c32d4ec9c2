#include "shipping/RecordViewPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CRecordViewPage::CRecordViewPage() : CViewPage(nullptr) {}

CRecordViewPage::~CRecordViewPage() = default;

void CRecordViewPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[8]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickWaybills);
  UpdateCountLabel();
}

void CRecordViewPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadWaybills(0);
}
