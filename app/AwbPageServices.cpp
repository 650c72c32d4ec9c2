#include "app/AwbPageServices.h"

#include <QUrl>

#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "platform/QtWaitForWork.h"
#include "refdata/DestinationTable.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"

#include "common/LanguageTable.h"
#include "consolidation/AwbEditorDlg.h"
#include "consolidation/AwbLoadingPage.h"
#include "devices/Attachments.h"
#include "platform/MessageBox.h"
#include "refdata/Dictionaries.h"
#include "shell/BrantleClientApp.h"
#include "ui/AttachmentDlg.h"
#include "ui/ListPickDlg.h"
#include "ui/ViewHost.h"

void WireAwbLoadingPage(CAwbLoadingPage& page) {
  page.applicationAirlines = [](CViewHost* host) -> CAirlineTable* {
    CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
    return app != nullptr ? &app->Airlines() : nullptr;
  };
  page.wireForm = [](CAwbEditorDlg& form, CViewHost* host) {
    CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
    if (app == nullptr) return;
    form.chooseSupplier = [app, &form]() -> int32_t {
      ReferenceDictionaries& d = app->dictionaries;
      CListPickDlg dlg(&form);
      dlg.SetList(&d.supplierNames, AppLanguage().Text(200000));
      if (dlg.DoModal() != platform::kIdOk) return 0;
      const int index = dlg.selectedIndex;
      if (index < 0 || static_cast<size_t>(index) >= d.supplierIds.size()) return 0;
      return d.supplierIds[static_cast<size_t>(index)];
    };
    form.openAttachments = [app, host](QWidget* parent, const std::u16string& number) {
      RunAttachmentDialog(parent, app->Link(), attachment::kKindAwb, 0, number, host);
    };
    // The bag and parcel lists: sounds, number lists, clipboard, weights.
    form.bagServices.playResultSound = [app](int index) { app->PlayResultSound(index); };
    form.bagServices.importNumberList = [app](std::vector<std::u16string>& numbers, int kind) {
      return app->ImportNumberList(numbers, nullptr, kind);
    };
    form.bagServices.copyToClipboard = [app](const std::u16string& text) { return app->CopyToClipboard(text); };
    form.bagServices.dimensions.parse = [](std::string_view text, int32_t& l, int32_t& w, int32_t& h) {
      return CBrantleClientApp::ParseDimensions(text, l, w, h);
    };
    form.bagServices.dimensions.volumetric = [app](int32_t l, int32_t w, int32_t h, char letter) {
      return app->VolumetricWeight(l, w, h, letter);
    };
    WireManifestExport(form, *app, host);
  };
}

void WireManifestExport(CAwbEditorDlg& form, CBrantleClientApp& app, CViewHost* host) {
  manifest::ManifestServices& s = form.manifestServices;
  CBrantleClientApp* a = &app;
  s.findTemplate = [a](std::string_view name) -> const CTemplateModel* {
    const std::string kind = GbkFromWide(manifest::kTemplateKind);
    const std::string wanted(name);
    CTemplateModel* model = nullptr;
    platform::WaitForWork([&] {
      model = a->FindTemplate(kind, wanted);
      return 0;
    });
    return model;
  };
  s.query = form.Editor().Services().query;
  s.runOffice = [](const std::function<void()>& work) {
    platform::WaitForWork([&] {
      work();
      return 0;
    });
  };
  s.askYesNo = [](const std::u16string& question) {
    return platform::ShowMessageBox(question, AppLanguage().Text(manifest::kCaptionText),
                                    platform::kMbYesNo | platform::kMbIconQuestion) ==
           platform::kIdYes;
  };
  s.message = [](const std::u16string& text) { platform::ShowMessageBox(text); };
  s.text = [](int32_t id) { return AppLanguage().Text(id); };
  s.openFile = [host](const std::string& path) {
    if (host != nullptr) host->OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path)).toString());
  };
  manifest::ManifestLookups& l = s.lookups;
  l.destination = [a](std::string_view name) { return a->FindDestinationByName(name); };
  l.zone = [a](std::string_view kind, std::string_view name) -> int {
    CServiceKind* k = a->FindServiceKind(kind);
    const ServiceArea* area = k != nullptr ? k->FindArea(name) : nullptr;
    return area != nullptr ? area->narea : -1;
  };
  l.supplierName = [a](int32_t isid) { return a->SupplierName(isid); };
  l.supplierAccount = [a](int32_t isid) { return a->SupplierAccount(isid); };
  l.chargeableGrams = [a](int32_t length, int32_t width, int32_t height, int32_t grams,
                          uint8_t percent, char letter) {
    return a->ChargeableWeight(length, width, height, grams, percent, letter);
  };
  l.itemTypeText = [](int t) { return AppLanguage().ItemTypeText(t); };
  l.pickupWayText = [](int n) { return AppLanguage().PickupWayText(n); };
  s.programFolder = app.ProgramFolder();
  const ServerSession session = app.Link().Session();
  s.userName = session.userNameW.empty() ? WideFromGbk(session.userName) : session.userNameW;
  s.dictionary45 = app.dictionaries.Text(45);
}
