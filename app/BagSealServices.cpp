#include "app/BagSealServices.h"

#include "app/BaggingServices.h"
#include "consolidation/BagLabels.h"
#include "consolidation/BagSealPage.h"
#include "shell/BrantleClientApp.h"
#include "ui/ViewHost.h"

void WireBagSealPage(CBagSealPage& page) {
  page.makeServices = MakeBaggingServices;
  page.printLabels = [](CViewHost* host, const BagLabelSources& sources, bool bothLabels) {
    CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
    if (app == nullptr) return 0;
    return PrintBagLabels(
        app->MakePrintContext(), sources, BagLabelOrder::kSealForm, bothLabels,
        [app](AwbPackInfo& info) { return app->LoadAwbPackInfo(info); },
        [app](const FileRequest& request) { return app->DownloadFileLength(request); });
  };
}
