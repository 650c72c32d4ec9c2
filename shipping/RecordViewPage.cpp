#include "shipping/RecordViewPage.h"

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "shipping/TrackingEditor.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

RecordViewServices MakeRecordViewServices(CViewHost* host) {
  RecordViewServices s;
  CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
  CServerLink* link = app != nullptr ? &app->Link() : host != nullptr ? host->ServerLink() : nullptr;
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
  }
  s.normalizeNumber = [app](std::u16string_view text) {
    if (app != nullptr) return app->NormalizeNumber(text);
    std::u16string t(text);
    return TrimW(t);
  };
  if (app != nullptr) {
    s.context.dictionary65Set = !app->dictionaries.Text(65).empty();
    s.context.dictionary71Set = !app->dictionaries.Text(71).empty();
    s.context.kindName = [app](std::u16string_view code) {
      const CServiceKind* kind = app->FindServiceKind(GbkFromWide(code));
      return kind != nullptr ? WideFromGbk(kind->cmemo) : std::u16string();
    };
    s.context.supplierName = [app](int32_t isid) { return app->SupplierName(isid); };
    s.chooseCommonPrompt = [app](std::u16string& prompt) {
      return app->ChooseCommonPrompt(prompt) > 0;
    };
  } else if (host != nullptr) {
    s.chooseCommonPrompt = [host](std::u16string& prompt) {
      return host->ChooseCommonPrompt(prompt);
    };
  }
  s.showTrackingWeight = s.operatorStation.empty() || s.context.dictionary71Set ||
                         (s.context.xRight[10] & 0x40) != 0;
  if (host != nullptr) s.openUrl = [host](const QString& address) { host->OpenUrl(address); };
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
  replacementChild = view;
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickWaybills);
  panelWidth = 220;
  quickList->setGeometry(5, 3, 210, screen.height() - 120);
  listOnly = 0;
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
