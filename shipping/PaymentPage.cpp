#include "shipping/PaymentPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CPaymentPage::CPaymentPage() : CViewPage(nullptr) {}

CPaymentPage::~CPaymentPage() = default;

void CPaymentPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[9]);
  UpdateCountLabel();
}
