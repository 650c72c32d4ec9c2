#include "consolidation/AwbListPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CAwbListPage::CAwbListPage() : CViewPage(nullptr) {}

CAwbListPage::~CAwbListPage() = default;

void CAwbListPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[14]);
  UpdateCountLabel();
}
