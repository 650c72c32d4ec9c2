#include "shell/StartUp.h"

#include "platform/Signals.h"

#include <openssl/ssl.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QSettings>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "office/OfficeSuite.h"
#include "platform/MessageBox.h"
#include "platform/QtDispatcher.h"
#include "platform/QtWaitForWork.h"
#include "refdata/AddressLibrary.h"
#include "refdata/FolderCleaner.h"
#include "refdata/PlaceDictionary.h"
#include "refdata/RecordStores.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "shell/SingleInstance.h"

namespace fs = std::filesystem;

namespace {

// Tests whether a folder exists, creating it when it does not.
bool EnsureFolder(const std::string& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) return true;
  fs::create_directory(path, error);
  return fs::is_directory(path, error);
}

}  // namespace

const std::vector<std::string>& CStartUpSequence::WorkingFolders() {
  static const std::vector<std::string> folders = {"DATA", "DATA_SYS", "DATA_TEMP",
                                                   "DATA_TEMP/CAPPIC", "DATA_GDPIC"};
  return folders;
}

CStartUpSequence::CStartUpSequence(CBrantleClientApp& app, std::vector<std::string> arguments)
    : app_(app), arguments_(std::move(arguments)) {}

CStartUpSequence::~CStartUpSequence() = default;

bool CStartUpSequence::Run() { return RunThrough(33); }

bool CStartUpSequence::RunThrough(int lastStep) {
  using Step = bool (CStartUpSequence::*)();
  static constexpr Step steps[] = {
      &CStartUpSequence::CheckOsVersion,        &CStartUpSequence::FindProgramFolder,
      &CStartUpSequence::PrepareLogFolder,      &CStartUpSequence::ClaimSingleInstance,
      &CStartUpSequence::KeepLocale,            &CStartUpSequence::StartCom,
      &CStartUpSequence::StartNetwork,          &CStartUpSequence::ReadConfiguration,
      &CStartUpSequence::LoadLanguage,          &CStartUpSequence::MakeWorkingFolders,
      &CStartUpSequence::CheckFreeSpace,        &CStartUpSequence::OpenRecordStores,
      &CStartUpSequence::FetchClipboardCaption, &CStartUpSequence::ReadScreenSize,
      &CStartUpSequence::PreparePlaceDictionary, &CStartUpSequence::LoadAddressLibrary,
      &CStartUpSequence::OpenProfile,           &CStartUpSequence::AllocateWebBuffer,
      &CStartUpSequence::BuildPrintFields,      &CStartUpSequence::Login,
      &CStartUpSequence::LoadReferenceData,     &CStartUpSequence::CreateMainWindow,
      &CStartUpSequence::LocalizeMenu,          &CStartUpSequence::ShowMainWindow,
      &CStartUpSequence::CaptionAndPrompts,     &CStartUpSequence::DevicesAndPrinting,
      &CStartUpSequence::RefreshCaches,         &CStartUpSequence::LoadAirlines,
      &CStartUpSequence::KeepListHolder,        &CStartUpSequence::SetMessageFilter,
      &CStartUpSequence::ZonesAndCourierMessages, &CStartUpSequence::ProbeSpreadsheets,
  };
  int count = static_cast<int>(std::size(steps));
  for (int i = 0; i < count && i < lastStep; ++i) {
    if (!(this->*steps[i])()) return false;
  }
  return true;
}

bool CStartUpSequence::End(int step) {
  endedAt_ = step;
  return false;
}

bool CStartUpSequence::Message(const std::u16string& text) {
  platform::ShowMessageBox(text, {}, platform::kMbOk);
  return false;
}

// ---- 1 to 9: system, folder, instance, libraries, configuration, language ----

bool CStartUpSequence::CheckOsVersion() {
  OsVersionInfo version = ReadOsVersion();
  if (version.major < 5) {
    Message(u"Operating system version is too low!\r\nNeeds 2000/XP or later...");
  }
  app_.osVersionCode = static_cast<uint16_t>((version.major % 100) * 1000 + (version.minor % 10) * 100 +
                                             (version.patch % 10) * 10 + version.build % 10);
  app_.osMajorAtLeast5 = version.major >= 5;
  return true;
}

bool CStartUpSequence::FindProgramFolder() {
  std::optional<std::string> environment = EnvironmentFolder();
  std::optional<std::string> executable = ExecutablePath();
  std::string folder = ProgramFolderFrom(arguments_, environment ? environment->c_str() : nullptr,
                                         executable.value_or(std::string()));
  if (folder.empty()) {
    Message(u"System path search failed!");
    return End(2);
  }
  app_.SetProgramFolder(folder);
  // The settings defaults load the Japan postcode book from the program
  // folder; here it is known.
  app_.LoadJapanPostcodeBook();
  return true;
}

std::string CStartUpSequence::ProgramFolderFrom(const std::vector<std::string>& arguments,
                                                const char* environmentValue,
                                                const std::string& executablePath) {
  std::string folder;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--program-folder" && i + 1 < arguments.size()) {
      folder = arguments[i + 1];
    } else if (a.rfind("--program-folder=", 0) == 0) {
      folder = a.substr(17);
    }
  }
  if (folder.empty() && environmentValue && *environmentValue) folder = environmentValue;
  if (folder.empty()) {
    size_t slash = executablePath.rfind('/');
    if (slash == std::string::npos) return {};
    folder = executablePath.substr(0, slash + 1);
  }
  std::error_code error;
  fs::path absolute = fs::absolute(folder, error);
  if (error) return {};
  folder = absolute.lexically_normal().string();
  if (folder.empty()) return {};
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

bool CStartUpSequence::PrepareLogFolder() {
  // The folder is made when missing; its old files go when the process ends.
  LogFolderCleaner().SetFolder(app_.ProgramFolder(), "LOG_ZIZ", true);
  return true;
}

bool CStartUpSequence::ClaimSingleInstance() {
  app_.instanceDigest = InstanceDigest(app_.ProgramFolder());
  app_.instanceMarker = InstanceMarker(app_.instanceDigest);
  auto guard = std::make_unique<CSingleInstanceGuard>(
      app_.instanceDigest, app_.instanceMarker, QString::fromStdString(InstanceFolder()));
  if (!guard->Claim()) {
    guard->AskRunningInstanceToShow();
    return End(4);
  }
  CBrantleClientApp* app = &app_;
  guard->onShowRequest = [app] {
    if (app->hooks.showMainWindow && app->mainWindow) app->hooks.showMainWindow(*app);
  };
  app_.SetInstanceGuard(std::move(guard));
  return true;
}

bool CStartUpSequence::KeepLocale() {
  app_.localeName = QLocale::system().name().toStdString();
  return true;
}

bool CStartUpSequence::StartCom() {
  if (!StartComLibrary()) {
    Message(u"Init COM failed.");
    return End(6);
  }
  return true;
}

bool CStartUpSequence::StartNetwork() {
  if (!StartNetworkLibraries()) {
    Message(u"Init Network failed.");
    return End(7);
  }
  app_.SetNetworkStarted(true);
  return true;
}

bool CStartUpSequence::ReadConfiguration() {
  if (app_.Link().Init(app_.ProgramFolder()) == 0) {
    Message(u"Initializing file: ZizTolvane.ini Error!");
    return End(8);
  }
  return true;
}

bool CStartUpSequence::LoadLanguage() {
  const std::string& code = app_.Link().languageCode;
  if (!app_.Language().Load(app_.ProgramFolder(), code)) {
    std::u16string text = u"Initializing file: Tolvane_%s.txt Error!";
    ReplaceAllW(text, u"%s", app_.Link().languageCodeW);
    Message(text);
    return End(9);
  }
  return true;
}

// ---- 10 to 19: folders, disk space, stores and local services ----

bool CStartUpSequence::MakeWorkingFolders() {
  const std::string& root = app_.ProgramFolder();
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char month[32];
  char day[8];
  std::snprintf(month, sizeof month, "%d%02d", local.tm_year + 1900, local.tm_mon + 1);
  std::snprintf(day, sizeof day, "%02d", local.tm_mday);
  app_.monthPictureFolder = root + "DATA_GDPIC/" + month;
  app_.dayPictureFolder = app_.monthPictureFolder + "/" + day;

  std::vector<std::string> folders;
  for (const std::string& name : WorkingFolders()) folders.push_back(root + name);
  folders.push_back(app_.monthPictureFolder);
  folders.push_back(app_.dayPictureFolder);
  for (const char* name : {"DATA_MODEL", "DATA_PIC", "DATA_PIC/Zur"}) folders.push_back(root + name);
  for (const std::string& folder : folders) {
    if (!EnsureFolder(folder)) {
      Message(app_.Language().Text(20017));
      return End(10);
    }
  }
  return true;
}

bool CStartUpSequence::CheckFreeSpace() {
  if (FreeBytes(app_.ProgramFolder()) < kMinimumFreeBytes) {
    Message(app_.Language().Text(20018));
    return End(11);
  }
  return true;
}

bool CStartUpSequence::OpenRecordStores() {
  const std::string& root = app_.ProgramFolder();
  app_.Directory().Load(root + "DATA/rsdata.dat");
  bool open = app_.Directory().IsOpen();
  if (open) {
    app_.InputRecords().Open(fs::path(root + "DATA/recinput.dat"));
    open = app_.InputRecords().IsOpen();
  }
  if (open) {
    app_.GoodsLines().Open(fs::path(root + "DATA/recgoods.dat"));
    open = app_.GoodsLines().IsOpen();
  }
  if (open) {
    app_.PieceWeights().Open(fs::path(root + "DATA/recweight.dat"));
    open = app_.PieceWeights().IsOpen();
  }
  if (!open) {
    Message(app_.Language().Text(20019));
    return End(12);
  }
  return true;
}

bool CStartUpSequence::FetchClipboardCaption() {
  app_.ClipboardCaption();
  return true;
}

bool CStartUpSequence::ReadScreenSize() {
  auto [width, height] = ScreenPixels();
  app_.screenWidth = width;
  app_.screenHeight = height < 768 ? 768 : height;
  return true;
}

// The place dictionary and the address library are read from disk (the
// library is several megabytes) while the window keeps painting.  A file
// that is there but damaged is named in a message; start-up goes on without
// it.
bool CStartUpSequence::PreparePlaceDictionary() {
  platform::WaitForWork([this] { app_.InitPlaceDictionary(); });
  ReportRefusedFile(21100, CPlaceDictionary::FileName(app_.PlaceDictionary().variant),
                    app_.PlaceDictionary().LoadError());
  return true;
}

bool CStartUpSequence::LoadAddressLibrary() {
  platform::WaitForWork([this] { app_.LoadAddressLibrary(); });
  ReportRefusedFile(21101, std::string(CAddressLibrary::kFileName), app_.AddressLibrary().LoadError());
  return true;
}

void CStartUpSequence::ReportRefusedFile(int32_t textId, const std::string& file,
                                         const std::string& reason) {
  if (reason.empty()) return;
  std::u16string text = app_.Language().Text(textId);
  ReplaceAllW(text, u"%1", WideFromGbk(file));
  ReplaceAllW(text, u"%2", WideFromGbk(reason));
  Message(text);
}

bool CStartUpSequence::OpenProfile() {
  auto profile = std::make_unique<QSettings>(
      QString::fromStdString(app_.ProgramFolder() + "BrantleClient.ini"), QSettings::IniFormat);
  profile->beginGroup(QStringLiteral("Local AppWizard-Generated Applications"));
  app_.SetProfile(std::move(profile));
  return true;
}

bool CStartUpSequence::AllocateWebBuffer() {
  if (!ReserveWebBuffer()) {
    Message(app_.Language().Text(20020));
    return End(18);
  }
  return true;
}

bool CStartUpSequence::BuildPrintFields() {
  app_.BuildPrintFields();
  return true;
}

// ---- 20 to 25: login, reference data, main window ----

bool CStartUpSequence::Login() {
  if (!app_.RunLogin(1) && app_.Settings().loginRequired) return End(20);
  return true;
}

bool CStartUpSequence::LoadReferenceData() {
  app_.LoadDictionaries();
  app_.LoadUserEnvironment();
  app_.LoadServiceKinds();
  app_.LoadDefaultTemplates();
  app_.BuildColumnCatalog();
  app_.LoadBagDefaults();
  app_.LoadStaff();
  return true;
}

bool CStartUpSequence::CreateMainWindow() {
  if (!app_.hooks.createMainWindow || !app_.hooks.createMainWindow(app_)) return End(22);
  return true;
}

bool CStartUpSequence::LocalizeMenu() {
  app_.LocalizeMenu();
  return true;
}

bool CStartUpSequence::ShowMainWindow() {
  if (app_.hooks.showMainWindow) app_.hooks.showMainWindow(app_);
  return true;
}

bool CStartUpSequence::CaptionAndPrompts() {
  app_.UpdateCaption();
  app_.LoadPrompts();
  return true;
}

// ---- 26 to 32: devices, caches and the rest ----

bool CStartUpSequence::DevicesAndPrinting() {
  app_.LoadScaleSettings();
  app_.LoadPrinterAssignments();
  app_.LoadSoundResources();
  return true;
}

// The loads from here on ask the server while the main window is up: they
// run through WaitForWork so that it keeps painting.  Nothing in the window
// reads what they fill before they are done: it takes no input meanwhile.

bool CStartUpSequence::RefreshCaches() {
  platform::WaitForWork([this] {
    app_.RefreshClientList();
    app_.RefreshDestinations();
  });
  return true;
}

bool CStartUpSequence::LoadAirlines() {
  platform::WaitForWork([this] { app_.LoadAirlines(); });
  return true;
}

bool CStartUpSequence::KeepListHolder() { return true; }

bool CStartUpSequence::SetMessageFilter() { return true; }

bool CStartUpSequence::ZonesAndCourierMessages() {
  platform::WaitForWork([this] {
    app_.LoadZoneFiles();
    app_.LoadWeChatTemplates();
  });
  return true;
}

bool CStartUpSequence::ProbeSpreadsheets() {
  // The suite takes seconds to start; the program goes on meanwhile and the
  // file filter follows when the suite answers, on the user-interface thread.
  CBrantleClientApp* app = &app_;
  std::weak_ptr<const void> alive = app_.Lifetime();
  StartSpreadsheetSuite([app, alive](std::optional<bool> xlsx) {
    if (!xlsx || !*xlsx) return;
    auto widen = [app, alive] {
      if (!alive.expired()) app->excelFileFilter = u"Excel file (*.xls,*.xlsx)|*.xls;*.xlsx|";
    };
    if (platform::IsUiThread())
      widen();
    else
      platform::PostToUiThread(widen);
  });
  return true;
}

// ---- the operating system ----

OsVersionInfo CStartUpSequence::ReadOsVersion() {
  OsVersionInfo version;
  utsname names{};
  if (uname(&names) == 0) {
    std::sscanf(names.release, "%d.%d.%d", &version.major, &version.minor, &version.patch);
  }
  return version;
}

std::optional<std::string> CStartUpSequence::ExecutablePath() {
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return std::nullopt;
  path.resize(static_cast<size_t>(n));
  return path;
}

std::optional<std::string> CStartUpSequence::EnvironmentFolder() {
  if (const char* value = std::getenv("BRANTLE_PROGRAM_FOLDER")) return std::string(value);
  return std::nullopt;
}

uint64_t CStartUpSequence::FreeBytes(const std::string& folder) {
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) != 0) return 0;
  return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

bool CStartUpSequence::StartComLibrary() { return true; }

bool CStartUpSequence::StartNetworkLibraries() {
  // Writing to a socket the peer has closed must give an error, not end the
  // program.
  if (!platform::IgnoreBrokenPipe()) return false;
  return OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS, nullptr) == 1;
}

std::pair<int, int> CStartUpSequence::ScreenPixels() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect r = screen->geometry();
      return {r.width(), r.height()};
    }
  }
  return {0, 0};
}

void CStartUpSequence::StartSpreadsheetSuite(
    std::function<void(std::optional<bool> writesXlsx)> done) {
  // The suite started here stays running for the spreadsheet sessions of the
  // day (printing, export, import); it ends with the program.
  office::StartOfficeSuiteInBackground([done = std::move(done)](bool answers) {
    if (!answers) {
      done(std::nullopt);
      return;
    }
    done(office::OfficeSuiteWritesXlsx());
  });
}

bool CStartUpSequence::ReserveWebBuffer() { return app_.AllocWebBuffer() != 0; }

std::string CStartUpSequence::InstanceFolder() { return {}; }
