#include "shipping/PreInputPage.h"

#include "common/LanguageTable.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

CPreInputPage::CPreInputPage() : CViewPage(nullptr) {}

// The list dialog refers to the page's services: it goes first.
CPreInputPage::~CPreInputPage() { delete listDlg; }

void CPreInputPage::FillServices() {
  if (servicesSet || host == nullptr) return;
  servicesSet = true;
  services.link = host->ServerLink();
  if (services.link != nullptr) {
    const ServerSession session = services.link->Session();
    services.userName = session.userName;
    services.station = session.station;
  }
  services.staffNames = host->StaffNames();
  if (CBrantleClientApp* app = host->Application()) services.staff = app->staff;
  if (CBrantleClientApp* app = host->Application()) {
    services.messages = &app->WeChatMessages();
    services.staffMessageId = [app](std::u16string_view name) {
      std::string id;
      app->GetStaffMessageId(name, id, 0);
      return id;
    };
    services.staffAccount = [app](std::u16string_view name) {
      std::string account;
      app->GetStaffAccount(name, account);
      return account;
    };
  }
}

void CPreInputPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[16]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickStaff);
  panelWidth = 220;
  FillServices();

  const QSize screen = ScreenSize();
  listDlg = new CPreInputListDlg(this, services);
  listDlg->setGeometry(230, 3, screen.width() - 250, screen.height() - 120);

  queryEnabled = true;
  // The order lists take the place of the page's own grid.
  replacementChild = listDlg;
  if (grid != nullptr) grid->hide();
  if (countLabel != nullptr) countLabel->hide();
  listDlg->show();
  if (entryPanel != nullptr) entryPanel->show();
  if (quickList != nullptr) quickList->LoadStaffNames();
  listDlg->StartLists();
  UpdateCountLabel();
}

void CPreInputPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadStaffNames();
  if (listDlg != nullptr) listDlg->ReloadBoth();
}

qintptr CPreInputPage::OnQuickListOpen(quintptr, qintptr lParam) {
  const auto* name = reinterpret_cast<const std::u16string*>(lParam);
  if (listDlg != nullptr) {
    listDlg->LoadUnassigned();
    listDlg->LoadAssigned(name);
  }
  return 0;
}
