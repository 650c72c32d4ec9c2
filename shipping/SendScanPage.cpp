#include "shipping/SendScanPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CSendScanPage::CSendScanPage() : CViewPage(nullptr) {}

CSendScanPage::~CSendScanPage() = default;

void CSendScanPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[3]);
  UpdateCountLabel();
}
