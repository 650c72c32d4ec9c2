#include "import/TransferNoImportPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CTransferNoImportPage::CTransferNoImportPage() : CViewPage(nullptr) {}

CTransferNoImportPage::~CTransferNoImportPage() = default;

void CTransferNoImportPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[6]);
  UpdateCountLabel();
}
