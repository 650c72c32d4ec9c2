#include "shipping/RecordCheckPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CRecordCheckPage::CRecordCheckPage() : CViewPage(nullptr) {}

CRecordCheckPage::~CRecordCheckPage() = default;

void CRecordCheckPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[2]);
  UpdateCountLabel();
}
