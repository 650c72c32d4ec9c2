#include "import/SimpleEntryPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CSimpleEntryPage::CSimpleEntryPage() : CViewPage(nullptr) {}

CSimpleEntryPage::~CSimpleEntryPage() = default;

void CSimpleEntryPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[15]);
  UpdateCountLabel();
}
