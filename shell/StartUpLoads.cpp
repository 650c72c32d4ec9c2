// The loads start-up runs through the application object.  Each belongs to
// the part of the program that owns its data; until that part is written its
// load here does nothing and the data keeps its defaults (an empty list), as
// a failed load would leave it.

#include <fstream>

#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "print/InstalledPrinters.h"
#include "print/TemplateCache.h"
#include "print/TemplatePrinterList.h"
#include "ui/TemplateChoiceDlg.h"
#include "refdata/AddressLibrary.h"
#include "refdata/AirlineTable.h"
#include "refdata/AwbBagLists.h"
#include "refdata/BagDefaults.h"
#include "refdata/ClientListCache.h"
#include "refdata/ColumnCatalog.h"
#include "refdata/CurrencyTable.h"
#include "refdata/DestinationTable.h"
#include "refdata/PlaceDictionary.h"
#include "refdata/RecordPrompts.h"
#include "refdata/ServiceKinds.h"
#include "refdata/WaybillCache.h"
#include "refdata/ZoneTable.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "ui/PrinterAssignDlg.h"

void CBrantleClientApp::BuildPrintFields() { PrintFields().Build(Language()); }
void CBrantleClientApp::LoadDefaultTemplates() { Templates().LoadDefaults(Link(), ProgramFolder()); }
CTemplateModel* CBrantleClientApp::FindTemplate(std::string_view kindGbk, std::string_view nameGbk) {
  return Templates().Find(Link(), ProgramFolder(), kindGbk, nameGbk);
}
int CBrantleClientApp::ChooseTemplate(int slot) {
  int chosen = ::ChooseTemplate(Templates(), Link(), ProgramFolder(), slot, mainWindow);
  if (chosen) ReloadPrintLayouts(slot);
  return chosen;
}

// ---- printers of the templates

void CBrantleClientApp::LoadPrinterAssignments() {
  LoadPrinterFile(ProgramFolder(), platform::WaitForWork(InstalledPrinterNames), templatePrinters_,
                  platform::CurrentMessageBoxService());
}
int CBrantleClientApp::EnumPrinterNames(std::vector<std::u16string>& list) {
  std::vector<std::u16string> names = platform::WaitForWork(InstalledPrinterNames);
  list.insert(list.end(), names.begin(), names.end());
  return static_cast<int>(names.size());
}
int CBrantleClientApp::SavePrinterAssignments() { return SavePrinterFile(ProgramFolder(), templatePrinters_) ? 1 : 0; }
void CBrantleClientApp::OnPrinterAssign() { RunPrinterAssignment(mainWindow, ProgramFolder(), templatePrinters_); }
std::u16string CBrantleClientApp::SelectTemplatePrinter(int kind, std::u16string_view templateName) {
  std::u16string printer = JobPrinter(templatePrinters_, kind, templateName);
  // Without an association the job goes to the scheduler's default queue;
  // with none at all it reaches no queue and says so.
  if (printer.empty()) printer = DefaultPrinterName();
  return printer;
}

void CBrantleClientApp::LoadSoundResources() { sounds_.LoadSoundResources(ProgramFolder()); }
int CBrantleClientApp::LoadAddressLibrary() { return AddressLibrary().LoadFromFolder(ProgramFolder()); }
void CBrantleClientApp::InitPlaceDictionary() { PlaceDictionary().Init(ProgramFolder()); }
void CBrantleClientApp::DetectExcel() {}

// The courier message definitions: the server's copy of WeChat_Mess.txt
// when it is newer, then whatever local copy there is.
void CBrantleClientApp::LoadWeChatTemplates() {
  FileRequest request;
  request.grade = 255;
  request.kind = GbkFromWide(u"系统配置");
  request.title = "WeChat_Mess.txt";
  request.fileName = "WeChat_Mess.txt";
  request.localPath = ProgramFolder() + "DATA_SYS/WeChat_Mess.txt";
  Link().DownloadFile(request);
  std::ifstream in(request.localPath, std::ios::binary);
  if (!in) return;
  // At most 65,534 bytes, so that a UTF-16 file always keeps a whole
  // two-byte terminator in the 65,536-byte buffer.
  std::string text(65534, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  weChatMessages_.LoadConfig(text);
}

int CBrantleClientApp::LoadScaleSettings() { return scaleReader_.LoadSettings(ProgramFolder(), scalePort_); }
int CBrantleClientApp::SaveScaleSettings() { return scaleReader_.SaveSettings(ProgramFolder()); }

void CBrantleClientApp::BuildColumnCatalog() {
  ColumnCatalog().Build(Language());
}

// The bag and master air waybill defaults: the settings text (the server's
// copy when it is newer), overridden by the "xbag_" dictionary rows.
void CBrantleClientApp::LoadBagDefaults() {
  constexpr size_t kSettingsCapacity = 65536;
  std::string text;
  if (!ReadSysFile(kBagDefaultsFile, 255, GbkFromWide(u"系统配置"), text, kSettingsCapacity)) {
    Link().bagDefaults.reset();
    return;
  }
  Link().bagDefaults = ::LoadBagDefaults(Link(), text);
}

int CBrantleClientApp::LoadAwbPackInfo(AwbPackInfo& info) { return ::LoadAwbPackInfo(Link(), info); }

std::u16string CBrantleClientApp::FormatWeight(double kilograms, bool pounds) {
  return ::FormatWeight(kilograms, pounds);
}

int CBrantleClientApp::ListRecentAwbs(std::vector<std::u16string>& list, unsigned n) {
  return ::ListRecentAwbs(Link(), list, n);
}

int CBrantleClientApp::ListRecentBags(std::vector<std::u16string>& list, unsigned n) {
  return ::ListRecentBags(Link(), Language(), list, n);
}

std::u16string CBrantleClientApp::AwbFromListItem(std::u16string_view item) {
  return ::AwbFromListItem(item);
}

std::u16string CBrantleClientApp::BagNoFromListItem(std::u16string_view item) {
  return ::BagNoFromListItem(item);
}

int CBrantleClientApp::BagIdFromListItem(std::u16string_view item) {
  return ::BagIdFromListItem(item);
}

// The postcode zone files, once, when postcode zones are on.
void CBrantleClientApp::LoadZoneFiles() {
  if (Settings().postcodeZonesEnabled == 0) return;
  Zones().LoadFiles(Link(), ProgramFolder());
}

void CBrantleClientApp::ApplySortingZones(int32_t id) {
  if (Settings().postcodeZonesEnabled == 0) return;
  ::ApplySortingZones(InputRecords(), Zones(), id);
}

// The station caches in DATA_SYS: the client list of the logged-in user's
// station, then the destination directory.
void CBrantleClientApp::RefreshClientList() {
  ServerSession session = Link().Session();
  ClientList().SetLocation(
      ProgramFolder() + "DATA_SYS/c_" + Utf8FromWide(session.stationW) + ".dat", session.station);
  ClientList().Refresh(CacheLink());
}

void CBrantleClientApp::RefreshDestinations() {
  Destinations().SetPath(ProgramFolder() + "DATA_SYS/des.dat");
  Destinations().Refresh(CacheLink());
}

// ---- dictionaries, user environment, staff and record prompts ----

bool CBrantleClientApp::LoadDictionaries() {
  bool loaded = ::LoadDictionaries(LinkSqlRunner(Link()), dictionaries,
                                   {Currencies(), Language(), Settings().defaultCurrency, editPeriod});
  controlCodes = std::move(dictionaries.controlCodes);
  dictionaries.controlCodes.clear();
  keepNumberAsTyped = dictionaries.IsOn(131);
  return loaded;
}

bool CBrantleClientApp::LoadUserEnvironment() {
  return ::LoadUserEnvironment(LinkSqlRunner(Link()), Link().accountGbk, userEnvironment);
}

bool CBrantleClientApp::LoadStaff() {
  ServerSession session = Link().Session();
  return ::LoadStaff(LinkSqlRunner(Link()), session.station, session.grade, staff);
}

const SupplierEntry* CBrantleClientApp::FindSupplier(int32_t isid) const {
  return dictionaries.FindSupplier(isid);
}

std::u16string CBrantleClientApp::SupplierName(int32_t isid) const {
  const SupplierEntry* entry = FindSupplier(isid);
  return entry ? entry->name : std::u16string();
}

std::u16string CBrantleClientApp::SupplierAccount(int32_t isid) const {
  const SupplierEntry* entry = FindSupplier(isid);
  return entry ? WideFromGbk(entry->caccount) : std::u16string();
}

int CBrantleClientApp::ShowRecordPrompts(std::u16string_view number, int context, int32_t customerId,
                                         bool confirm) {
  SqlRunner sql = LinkSqlRunner(Link());
  return ::ShowRecordPrompts({sql, Language(), platform::CurrentMessageBoxService()}, recordPromptsAllowed,
                             number, context, customerId, confirm);
}

int CBrantleClientApp::CheckRecordCode(int32_t recordId, std::u16string_view number, int numberField) {
  SqlRunner sql = LinkSqlRunner(Link());
  return ::CheckRecordCode({sql, Language(), platform::CurrentMessageBoxService()},
                           {dictionaries.Text(90), dictionaries.Text(89), controlCodes},
                           [this](int index) { PlayResultSound(index); }, recordId, number, numberField);
}

void CBrantleClientApp::PlayResultSound(int index) { sounds_.PlayResultSound(index); }
void CBrantleClientApp::SpeakWeight(int32_t grams) { sounds_.SpeakWeight(grams); }

// The server airlines, read at once; airports and flights wait for the
// master air waybill screens.
void CBrantleClientApp::LoadAirlines() { Airlines().LoadAirlines(); }

// The service kinds with their field lists, suppliers, sender defaults and
// areas, then the captions and lengths of the entry-field kinds.
bool CBrantleClientApp::LoadServiceKinds() {
  serviceKinds.clear();
  serviceKindCodes.clear();
  const bool loaded = ::LoadServiceKinds(LinkSqlRunner(Link()), serviceKinds, serviceKindCodes,
                                         Language(), platform::CurrentMessageBoxService());
  if (loaded) entryFieldKinds.Load(Language());
  return loaded;
}
