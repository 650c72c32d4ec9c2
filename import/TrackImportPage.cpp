#include "import/TrackImportPage.h"

#include "common/LanguageTable.h"
#include "ui/ViewCommands.h"

CTrackImportPage::CTrackImportPage() : CViewPage(nullptr) {}

CTrackImportPage::~CTrackImportPage() = default;

void CTrackImportPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[7]);
  UpdateCountLabel();
}
