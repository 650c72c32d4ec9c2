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
  };
}
