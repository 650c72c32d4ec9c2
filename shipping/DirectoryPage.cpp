#include "shipping/DirectoryPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CDirectoryPage::CDirectoryPage() : CViewPage(nullptr) {}

CDirectoryPage::~CDirectoryPage() = default;

void CDirectoryPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[4]);
  UpdateCountLabel();
}
