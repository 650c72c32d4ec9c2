// The page classes of the seventeen pages of the main view.
#include "app/ViewPages.h"

#include "app/AwbPageServices.h"
#include "app/BagSealServices.h"
#include "consolidation/AwbListPage.h"
#include "consolidation/AwbLoadingPage.h"
#include "consolidation/BagSealPage.h"
#include "app/BaggingServices.h"
#include "app/ImportServices.h"
#include "consolidation/BaggingPage.h"
#include "entry/QuickEntryPage.h"
#include "entry/WaybillPage.h"
#include "import/SimpleEntryPage.h"
#include "import/TrackImportPage.h"
#include "import/TransferNoImportPage.h"
#include "shipping/DirectoryPage.h"
#include "shipping/PaymentPage.h"
#include "shipping/PreInputPage.h"
#include "shipping/RecordCheckPage.h"
#include "shipping/RecordQueryPage.h"
#include "shipping/RecordViewPage.h"
#include "shipping/SendScanPage.h"
#include "shipping/SettlementPage.h"

std::unique_ptr<CViewPage> CreateViewPage(int pageIndex) {
  switch (pageIndex) {
    case 0: return std::make_unique<CQuickEntryPage>();
    case 1: return std::make_unique<CWaybillPage>();
    case 2: return std::make_unique<CRecordCheckPage>();
    case 3: return std::make_unique<CSendScanPage>();
    case 4: return std::make_unique<CDirectoryPage>();
    case 5: return std::make_unique<CSettlementPage>();
    case 6: {
      auto page = std::make_unique<CTransferNoImportPage>();
      page->makeServices = MakeImportServices;
      return page;
    }
    case 7: {
      auto page = std::make_unique<CTrackImportPage>();
      page->makeServices = MakeImportServices;
      return page;
    }
    case 8: return std::make_unique<CRecordViewPage>();
    case 9: return std::make_unique<CPaymentPage>();
    case 10: {
      auto page = std::make_unique<CBaggingPage>();
      WireBaggingPage(*page);
      return page;
    }
    case 11: {
      auto page = std::make_unique<CBagSealPage>();
      WireBagSealPage(*page);
      return page;
    }
    case 12: {
      auto page = std::make_unique<CAwbLoadingPage>();
      WireAwbLoadingPage(*page);
      return page;
    }
    case 13: return std::make_unique<CRecordQueryPage>();
    case 14: return std::make_unique<CAwbListPage>();
    case 15: return std::make_unique<CSimpleEntryPage>();
    case 16: return std::make_unique<CPreInputPage>();
    default: return nullptr;
  }
}
