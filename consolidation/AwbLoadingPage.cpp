#include "consolidation/AwbLoadingPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CAwbLoadingPage::CAwbLoadingPage() : CViewPage(nullptr) {}

CAwbLoadingPage::~CAwbLoadingPage() = default;

void CAwbLoadingPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[12]);
  UpdateCountLabel();
}
