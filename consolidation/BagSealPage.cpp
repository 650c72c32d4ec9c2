#include "consolidation/BagSealPage.h"

#include "common/LanguageTable.h"
#include "shell/BrantleClientViewCommands.h"

CBagSealPage::CBagSealPage() : CViewPage(nullptr) {}

CBagSealPage::~CBagSealPage() = default;

void CBagSealPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[11]);
  UpdateCountLabel();
}
