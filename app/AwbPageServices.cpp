#include "app/AwbPageServices.h"

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
  };
}
