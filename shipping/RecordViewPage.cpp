#include "shipping/RecordViewPage.h"

#include <QApplication>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "server/ServerLink.h"
#include "shipping/TrackingEditor.h"
#include "ui/PictureDlg.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

RecordViewServices MakeRecordViewServices(CViewHost* host) {
  RecordViewServices s;
  CServerLink* link = host != nullptr ? host->ServerLink() : nullptr;
  if (link != nullptr) {
    s.query = [link](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
      return link->SqlQuery(sql, types, &reply);
    };
    const ServerSession session = link->Session();
    s.operatorStation = WideFromGbk(session.station);
    s.operatorKind = WideFromGbk(session.clientKind);
    s.context.xRight = session.xRight;
    s.context.xRighte = session.xRighte;
    s.trackingLink = MakeServerTrackingLink(*link);
    s.canEditTracking = (session.xRight[4] & 0x08) != 0;
    // The waybill's pictures, read-only here.
    s.openPictures = [link, host](int32_t irid, int32_t icid) {
      RunPictureDialog(QApplication::activeWindow(), *link, irid, icid, pictures::kKindWaybill,
                       false, host);
    };
  }
  if (host != nullptr) {
    s.normalizeNumber = [host](std::u16string_view text) { return host->NormalizeNumber(text); };
    s.context.dictionary65Set = !host->DictionaryText(65).empty();
    s.context.dictionary71Set = !host->DictionaryText(71).empty();
    s.context.kindName = [host](std::u16string_view code) { return host->ServiceKindName(code); };
    s.context.supplierName = [host](int32_t isid) { return host->SupplierName(isid); };
    s.chooseCommonPrompt = [host](std::u16string& prompt) {
      return host->ChooseCommonPrompt(prompt);
    };
    s.openUrl = [host](const QString& address) { host->OpenUrl(address); };
  }
  s.showTrackingWeight = s.operatorStation.empty() || s.context.dictionary71Set ||
                         (s.context.xRight[10] & 0x40) != 0;
  return s;
}

CRecordViewPage::CRecordViewPage() : CViewPage(nullptr) {}

CRecordViewPage::~CRecordViewPage() = default;

void CRecordViewPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[8]);
  const QSize screen = ScreenSize();
  view = new CRecordViewDlg(MakeRecordViewServices(host), this);
  view->setGeometry(230, 3, screen.width() - 250, screen.height() - 120);
  view->LayoutFor(screen);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickWaybills);
  quickList->setGeometry(5, 3, 210, screen.height() - 120);
  // The view takes the grid's place beside the list.
  replacementChild = view;
  if (grid != nullptr) grid->hide();
  if (countLabel != nullptr) countLabel->hide();
  view->show();
  UpdateCountLabel();
}

void CRecordViewPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadWaybills(0);
}

qintptr CRecordViewPage::OnQuickListOpen(quintptr wParam, qintptr) {
  const auto id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
  if (id > 0 && view != nullptr) view->ShowRecord(kViewById, id);
  return 0;
}
