#include "entry/QuickEntryPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CQuickEntryPage::CQuickEntryPage() : CViewPage(nullptr) {}

CQuickEntryPage::~CQuickEntryPage() = default;

void CQuickEntryPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[0]);
  UpdateCountLabel();
}
