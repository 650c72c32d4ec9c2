#include "entry/WaybillPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CWaybillPage::CWaybillPage() : CViewPage(nullptr) {}

CWaybillPage::~CWaybillPage() = default;

void CWaybillPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[1]);
  UpdateCountLabel();
}
