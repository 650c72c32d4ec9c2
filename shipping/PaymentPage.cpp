#include "shipping/PaymentPage.h"

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "refdata/BarcodeNormalizer.h"
#include "refdata/ClientListCache.h"
#include "refdata/Dictionaries.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "shipping/PaymentDlg.h"
#include "ui/ViewCommands.h"
#include "ui/AttachmentDlg.h"
#include "ui/ViewHost.h"

payment::PaymentEnvironment MakePaymentEnvironment(CViewHost* host, CServerLink& link) {
  payment::PaymentEnvironment env;
  env.language = &AppLanguage();
  env.hasRight = [&link](int byte, unsigned mask) { return link.HasRight(byte, mask) != 0; };
  const ServerSession session = link.Session();
  env.stationGbk = session.station;
  env.userNameGbk = session.userName;
  env.userName = session.userNameW.empty() ? WideFromGbk(session.userName) : session.userNameW;
  CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
  if (app == nullptr) return env;
  env.dictionaryOn = [app](int n) { return app->dictionaries.IsOn(n); };
  const std::u16string currency = WideFromGbk(app->dictionaries.Text(97));
  if (!currency.empty()) env.defaultCurrency = currency.substr(0, 3);
  const auto days = std::chrono::duration_cast<std::chrono::hours>(app->editPeriod).count() / 24;
  if (days > 0) env.editSpanDays = static_cast<int>(days);
  env.currencyRate = [app](std::u16string_view code) {
    return app->CurrencyRate(GbkFromWide(code), 1);
  };
  env.currencyKnown = [app](std::u16string_view code) {
    return app->FindCurrency(GbkFromWide(code)) != nullptr;
  };
  env.importNumberList = [app] {
    std::vector<std::u16string> numbers;
    if (app->ImportNumberList(numbers, nullptr, 0) <= 0) numbers.clear();
    return numbers;
  };
  env.normalizeNumber = [app](std::u16string_view text) {
    std::string code = GbkFromWide(text);
    app->Barcodes().Normalize(code);
    return code;
  };
  env.currencyChoices = [app] { return app->dictionaries.currencyChoices; };
  return env;
}

CPaymentPage::CPaymentPage() : CViewPage(nullptr) {}

CPaymentPage::~CPaymentPage() = default;

void CPaymentPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  title = AppLanguage().Text(kPageNameTextIds[9]);
  quickList = CQuickSearchList::CreateOnPage(*this, kQuickCustomers);
  CServerLink* link = host != nullptr ? host->ServerLink() : nullptr;
  if (link == nullptr && host != nullptr && host->Application() != nullptr)
    link = &host->Application()->Link();
  if (link != nullptr) {
    const QSize screen = ScreenSize();
    payment::PaymentEnvironment env = MakePaymentEnvironment(host, *link);
    env.openAttachments = [this, link](int32_t ifid) {
      RunAttachmentDialog(dialog, *link, attachment::kKindPayment, ifid, {}, host);
    };
    dialog = new CPaymentDlg(this, payment::MakeServerPaymentLink(*link), std::move(env), this,
                             screen);
    dialog->setGeometry(230, 3, screen.width() - 250, screen.height() - 120);
    replacementChild = dialog;
    listOnly = 1;  // so that the next call lays the page out again
    ShowListMode(0);
    listOnly = 0;
  }
  UpdateCountLabel();
}

void CPaymentPage::OnQuery() {
  if (quickList != nullptr) quickList->LoadCustomers(0);
}

qintptr CPaymentPage::OnQuickListOpen(quintptr wParam, qintptr) {
  const int32_t id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
  if (id <= 0 || dialog == nullptr) return 0;
  // With the program's client list the customer must be known there
  // (fetched again when its copy is old); the form then reads its account.
  if (CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr) {
    const StationSyncLink cacheLink = app->CacheLink();
    if (app->ClientList().GetClientDetail(cacheLink, id, true) == nullptr) return 0;
  }
  dialog->LoadCustomer(id);
  return 0;
}

void CPaymentPage::OnNewRecord() {
  if (dialog != nullptr) dialog->NewPayment();
}

void CPaymentPage::OnSave() {
  if (dialog != nullptr) dialog->SavePayment();
}

void CPaymentPage::OnDelete() {
  if (dialog != nullptr) dialog->DeletePayment();
}

void CPaymentPage::OnCopyAll() {
  if (dialog == nullptr) return;
  dialog->CopyFields();
  pasteReady = true;
}

void CPaymentPage::OnPasteAll() {
  if (dialog != nullptr) dialog->PasteFields();
}
