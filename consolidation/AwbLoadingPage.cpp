#include "consolidation/AwbLoadingPage.h"

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/AwbEditorDlg.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "refdata/AirlineTable.h"
#include "refdata/Dictionaries.h"
#include "server/ServerLink.h"
#include "ui/ListPickDlg.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

namespace {

awb::EditorServices MakeServices(CServerLink& link, CAirlineTable* airlines) {
  awb::EditorServices s;
  s.query = [&link](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    return platform::WaitForWork([&] { return link.SqlQuery(sql, types, &reply); });
  };
  s.execute = [&link](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    return platform::WaitForWork([&] { return link.SqlExecute(sql, types, &reply); });
  };
  s.lastErrorText = [&link] { return link.LastErrorText(); };
  s.showMessage = [](const std::u16string& text) {
    platform::ShowMessageBox(text, AppLanguage().Text(20002), platform::kMbOk | platform::kMbIconWarning);
  };
  s.confirmDelete = [] {
    return platform::ShowMessageBox(AppLanguage().Text(20011), AppLanguage().Text(20002),
                                    platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
  };
  s.text = [](int32_t id) { return AppLanguage().Text(id); };
  s.airlines = airlines;
  s.defaults = link.bagDefaults.get();
  s.rights.awbEdit = link.HasRight(9, 0x20) != 0;
  s.rights.attachments = link.HasRight(13, 0x10 | 0x08 | 0x04) != 0;
  s.rights.stateText = link.HasRight(16 + 2, 0x10) != 0;
  const ServerSession session = link.Session();
  s.userName = session.userNameW.empty() ? WideFromGbk(session.userName) : session.userNameW;
  std::u16string station = WideFromGbk(session.station);
  if (station.size() > 15) station.resize(15);
  s.station = station;
  return s;
}

}  // namespace

CAwbLoadingPage::CAwbLoadingPage() : CViewPage(nullptr) {}

CAwbLoadingPage::~CAwbLoadingPage() = default;

CServerLink* CAwbLoadingPage::Link() const {
  if (host == nullptr) return nullptr;
  return host->ServerLink();
}

void CAwbLoadingPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[12]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickAwbs);
  CServerLink* link = Link();
  if (link != nullptr) {
    CAirlineTable* airlines = applicationAirlines ? applicationAirlines(host) : nullptr;
    if (airlines == nullptr) {
      ownAirlines_ = std::make_unique<CAirlineTable>(LinkSqlRunner(*link));
      platform::WaitForWork([&] { return ownAirlines_->LoadAirlines(false); });
      airlines = ownAirlines_.get();
    }
    const QSize screen = ScreenSize();
    form = new CAwbEditorDlg(this, MakeServices(*link, airlines));
    form->setGeometry(230, 3, screen.width() - 250, screen.height() - 120);
    form->host = host;
    form->notifyWindow = this;
    form->quickList = quickList;
    if (wireForm) wireForm(*form, host);
    form->hide();
    replacementChild = form;
    listOnly = 1;  // so that the next call lays the page out again
    ShowListMode(0);
    listOnly = 0;
    form->Editor().paneSaved = [this](const std::u16string& number, const std::u16string& row) {
      if (quickList != nullptr) quickList->AddOrUpdateAwb(number, row);
    };
    form->Editor().paneDeleted = [this](const std::u16string& number) {
      if (quickList != nullptr) quickList->RemoveAwb(number);
    };
    form->InitForm();
  }
  UpdateCountLabel();
}

void CAwbLoadingPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadAwbs(0);
}

void CAwbLoadingPage::OnDelete() {
  if (form != nullptr) form->DeleteAwb();
}

void CAwbLoadingPage::OnSave() {
  if (form != nullptr) form->SaveAwb();
}

void CAwbLoadingPage::OnNewRecord() {
  if (form != nullptr) form->Clear();
}

qintptr CAwbLoadingPage::OnQuickListOpen(quintptr, qintptr lParam) {
  const auto* text = reinterpret_cast<const std::u16string*>(lParam);
  if (form != nullptr && text != nullptr) form->LoadAwb(*text);
  return 0;
}
