#include "shipping/RecordQueryPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CRecordQueryPage::CRecordQueryPage() : CViewPage(nullptr) {}

CRecordQueryPage::~CRecordQueryPage() = default;

void CRecordQueryPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[13]);
  UpdateCountLabel();
}
