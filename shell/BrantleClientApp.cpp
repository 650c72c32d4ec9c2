#include "shell/BrantleClientApp.h"

#include <QSettings>

#include "net/HttpClient.h"
#include "office/OfficeSuite.h"
#include "print/PrintFields.h"
#include "print/TemplateCache.h"
#include "refdata/AirlineTable.h"
#include "refdata/BarcodeNormalizer.h"
#include "refdata/ColumnCatalog.h"
#include "refdata/ClientListCache.h"
#include "refdata/CurrencyTable.h"
#include "refdata/DirectoryTable.h"
#include "refdata/AddressLibrary.h"
#include "refdata/JapanPostcodeBook.h"
#include "refdata/PlaceDictionary.h"
#include "refdata/RecordStores.h"
#include "refdata/StoreCommit.h"
#include "refdata/WaybillCache.h"
#include "refdata/ZoneTable.h"
#include "server/ServerLink.h"
#include "shell/AppSettings.h"
#include "shell/SingleInstance.h"
#include "shell/StartUp.h"
#include "shell/WaybillCacheNotice.h"

// Services whose classes live in other folders, built in the order the
// application needs them and destroyed in reverse.
struct CBrantleClientApp::Services {
  CCurrencyTable currencies;
  CClientListCache clientList;
  CDestinationTable destinations;
  CBarcodeNormalizer barcodes;
  CServerLink link;
  CDirectoryTable directory;
  CDirectoryIndex directoryIndex{directory};
  CWaybillRecordTable inputRecords;
  CGoodsLineTable goodsLines;
  CPieceWeightTable pieceWeights;
  AppSettings settings;
  HttpRequest webRequest;
  std::unique_ptr<CJapanPostcodeBook> japanPostcodes;
  CColumnCatalog columnCatalog;
  CZoneTable zones;
  CWaybillCache waybillCache;
  std::unique_ptr<QObject> waybillWatch;  // drops saved waybills from the cache
  CAirlineTable airlines;
  CPlaceDictionary placeDictionary;
  CAddressLibrary addressLibrary;
  CPrintFieldDictionary printFields;
  CTemplateCache templates;
};

CBrantleClientApp theApp;

CBrantleClientApp::CBrantleClientApp() : services_(std::make_unique<Services>()) {
  services_->barcodes.LoadPatterns();
  services_->settings.SetDefaults();
  // The airline table asks the server through the link.
  services_->airlines.SetSqlRunner(LinkSqlRunner(Link()));
}

CBrantleClientApp::~CBrantleClientApp() = default;

CServerLink& CBrantleClientApp::Link() { return services_->link; }
CColumnCatalog& CBrantleClientApp::ColumnCatalog() { return services_->columnCatalog; }
const CColumnCatalog& CBrantleClientApp::ColumnCatalog() const { return services_->columnCatalog; }
AppSettings& CBrantleClientApp::Settings() { return services_->settings; }
const AppSettings& CBrantleClientApp::Settings() const { return services_->settings; }
CDirectoryTable& CBrantleClientApp::Directory() { return services_->directory; }
CDirectoryIndex& CBrantleClientApp::DirectoryIndex() { return services_->directoryIndex; }
CAirlineTable& CBrantleClientApp::Airlines() { return services_->airlines; }
CWaybillRecordTable& CBrantleClientApp::InputRecords() { return services_->inputRecords; }
CGoodsLineTable& CBrantleClientApp::GoodsLines() { return services_->goodsLines; }
CPieceWeightTable& CBrantleClientApp::PieceWeights() { return services_->pieceWeights; }
CCurrencyTable& CBrantleClientApp::Currencies() { return services_->currencies; }
CClientListCache& CBrantleClientApp::ClientList() { return services_->clientList; }
CDestinationTable& CBrantleClientApp::Destinations() { return services_->destinations; }
StationSyncLink CBrantleClientApp::CacheLink() { return StationSyncLink::Of(Link()); }
CPlaceDictionary& CBrantleClientApp::PlaceDictionary() { return services_->placeDictionary; }
CAddressLibrary& CBrantleClientApp::AddressLibrary() { return services_->addressLibrary; }
CBarcodeNormalizer& CBrantleClientApp::Barcodes() { return services_->barcodes; }
CZoneTable& CBrantleClientApp::Zones() { return services_->zones; }
CWaybillCache& CBrantleClientApp::WaybillCache() { return services_->waybillCache; }
CPrintFieldDictionary& CBrantleClientApp::PrintFields() { return services_->printFields; }
CTemplateCache& CBrantleClientApp::Templates() { return services_->templates; }
int32_t CBrantleClientApp::LoadWaybillRecord(int32_t id, InputWaybillRecord& record,
                                             std::vector<std::unique_ptr<PieceLine>>& pieces,
                                             std::vector<std::unique_ptr<GoodsLine>>& goods) {
  // The watch starts with the first load: until then nothing is cached.
  if (!services_->waybillWatch) services_->waybillWatch = WatchWaybillChanges(WaybillCache());
  return WaybillCache().Load(Link(), id, record, pieces, goods);
}

HttpRequest* CBrantleClientApp::WebRequest() { return &services_->webRequest; }

const CJapanPostcodeBook* CBrantleClientApp::JapanPostcodes() const {
  return services_->japanPostcodes.get();
}

void CBrantleClientApp::LoadJapanPostcodeBook() {
  services_->japanPostcodes.reset();
  auto book = std::make_unique<CJapanPostcodeBook>();
  if (book->AllocPools() && book->Load(programFolder_))
    services_->japanPostcodes = std::move(book);
}

bool CBrantleClientApp::FlushRecordFiles() {
  return ::FlushRecordFiles(InputRecords(), GoodsLines(), PieceWeights(), Directory());
}

void CBrantleClientApp::SetProgramFolder(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  programFolder_ = std::move(folder);
}

void CBrantleClientApp::SetInstanceGuard(std::unique_ptr<CSingleInstanceGuard> guard) {
  instanceGuard_ = std::move(guard);
}

void CBrantleClientApp::SetProfile(std::unique_ptr<QSettings> profile) {
  profile_ = std::move(profile);
}

// ---- start-up and shut-down ----

bool CBrantleClientApp::InitInstance(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  CStartUpSequence sequence(*this, std::move(arguments));
  return sequence.Run();
}

int CBrantleClientApp::ExitInstance() {
  if (PieceWeights().IsOpen()) CommitStoreOrTell(PieceWeights());
  Link().Logout();
  // The printer is chosen per print job, so no system default printer has to
  // be put back; the socket and TLS libraries need no release on this system.
  networkStarted_ = false;
  // The office suite ends with the program, while the UNO runtime is whole.
  office::ShutdownOfficeSuite();
  if (profile_) profile_->sync();
  profile_.reset();
  instanceGuard_.reset();
  scalePort_.Close();
  return 0;
}

int CBrantleClientApp::RunLogin(int startUp) {
  if (hooks.runLogin) hooks.runLogin(*this, startUp);
  return Link().Session().loginNumber > 0 ? 1 : 0;
}

void CBrantleClientApp::LocalizeMenu() {
  if (hooks.localizeMenu) hooks.localizeMenu(*this);
}

double KilogramsToPounds(double kilograms) { return kilograms * 2.2046226218487757; }
