#include "shipping/DirectoryPage.h"

#include "common/LanguageTable.h"
#include "shell/BrantleClientViewCommands.h"

CDirectoryPage::CDirectoryPage() : CViewPage(nullptr) {}

CDirectoryPage::~CDirectoryPage() = default;

void CDirectoryPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[4]);
  UpdateCountLabel();
}
