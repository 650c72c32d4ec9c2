// Start-up of the application object against the stand-in server: the whole
// sequence, each failure with its message, the second start from the same
// program folder, and shut-down.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "refdata/AirlineTable.h"
#include "refdata/BagDefaults.h"
#include "refdata/ClientListCache.h"
#include "refdata/ColumnCatalog.h"
#include "refdata/DestinationTable.h"
#include "refdata/AddressLibrary.h"
#include "refdata/FolderCleaner.h"
#include "refdata/PlaceDictionary.h"
#include "refdata/PlaceSamples.h"
#include "refdata/RecordStores.h"
#include "refdata/ZoneTable.h"
#include "shell/AppSettings.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/SingleInstance.h"
#include "shell/StartUp.h"
#include "shell/BrantleClientView.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrame.h"
#include "shell/PasswordChange.h"
#include "app/ViewPages.h"
#include "platform/QtDispatcher.h"
#include "platform/QtMessageBox.h"
#include "tests/QtTestSupport.h"
#include "tests/server/ScriptedServer.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"
#include "tests/shell/ShellTestSupport.h"

namespace fs = std::filesystem;

namespace {

// The operating system as a test wants it.
struct FakeSystem {
  OsVersionInfo os{6, 1, 0, 0};
  std::optional<std::string> executable = std::string("/opt/brantle/brantle");
  uint64_t freeBytes = 10ull << 30;
  bool com = true;
  bool network = true;
  bool webBuffer = true;
  std::pair<int, int> screen{1280, 1024};
  std::optional<bool> xlsx;  // no office suite
  std::string instanceFolder;
  // The suite answers only when the test calls suiteAnswer.
  bool suiteAnswersLater = false;
  std::function<void(std::optional<bool>)> suiteAnswer;
};

class TestSequence : public CStartUpSequence {
 public:
  TestSequence(CBrantleClientApp& app, std::vector<std::string> arguments, FakeSystem& system)
      : CStartUpSequence(app, std::move(arguments)), system_(system) {}

 protected:
  OsVersionInfo ReadOsVersion() override { return system_.os; }
  std::optional<std::string> ExecutablePath() override { return system_.executable; }
  std::optional<std::string> EnvironmentFolder() override { return std::nullopt; }
  uint64_t FreeBytes(const std::string&) override { return system_.freeBytes; }
  bool StartComLibrary() override { return system_.com; }
  bool StartNetworkLibraries() override { return system_.network && CStartUpSequence::StartNetworkLibraries(); }
  std::pair<int, int> ScreenPixels() override { return system_.screen; }
  void StartSpreadsheetSuite(std::function<void(std::optional<bool>)> done) override {
    if (system_.suiteAnswersLater)
      system_.suiteAnswer = std::move(done);
    else
      done(system_.xlsx);
  }
  bool ReserveWebBuffer() override { return system_.webBuffer && CStartUpSequence::ReserveWebBuffer(); }
  std::string InstanceFolder() override { return system_.instanceFolder; }

 private:
  FakeSystem& system_;
};

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

class StartUpTest : public ::testing::Test {
 public:  // the rows of the failure table arrange through the fixture
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("brantle-startup-" + std::to_string(::getpid()));
    fs::create_directories(root_);
    server_ = std::make_unique<StandInServer>(
        std::string(BRANTLE_BINARY_DIR) + "/localserver/brantle-server", root_ / "server");
  }
  static void TearDownTestSuite() {
    server_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void SetUp() override {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    NewProgramFolder();
    InstallHooks(app_);
  }

  void NewProgramFolder() {
    static int count = 0;
    folder_ = root_ / ("program-" + std::to_string(++count));
    fs::create_directories(folder_);
    system_.instanceFolder = (root_ / "run").string();
    fs::create_directories(system_.instanceFolder);
    WriteConfiguration(server_->Port(), "01");
  }

  void InstallHooks(CBrantleClientApp& target) {
    target.hooks.runLogin = [this](CBrantleClientApp& app, int startUp) {
      ++logins_;
      EXPECT_EQ(1, startUp);
      if (cancelLogin_) return 0;
      return app.Link().Login(u"admin", u"admin123", 0) > 0 ? 1 : 0;
    };
    target.hooks.createMainWindow = [this](CBrantleClientApp& app) {
      if (!windowCreated_) return false;
      window_ = std::make_unique<QWidget>();
      app.mainWindow = window_.get();
      return true;
    };
    target.hooks.showMainWindow = [this](CBrantleClientApp&) { ++shown_; };
    target.hooks.setCaption = [this](CBrantleClientApp&, const std::u16string& caption) {
      shownCaption_ = caption;
    };
  }

  void TearDown() override { app_.ExitInstance(); }

  void WriteConfiguration(int port, const std::string& language) {
    testsupport::WriteStandInConfig(folder_, port, language, "PC-STARTUP");
  }

  std::vector<std::string> Arguments() const {
    if (!folderOption_) return {"brantle"};
    return {"brantle", "--program-folder", folder_.string()};
  }

  // Runs start-up up to a step; the number of the step that ended it (0 when
  // none did).
  int RunThrough(int lastStep) {
    TestSequence sequence(app_, Arguments(), system_);
    sequence.RunThrough(lastStep);
    return sequence.EndedAt();
  }

  static fs::path root_;
  static std::unique_ptr<StandInServer> server_;
  fs::path folder_;
  FakeSystem system_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  std::unique_ptr<QWidget> window_;
  bool cancelLogin_ = false;
  bool folderOption_ = true;
  bool windowCreated_ = true;
  int logins_ = 0;
  int shown_ = 0;
  std::u16string shownCaption_;
};

fs::path StartUpTest::root_;
std::unique_ptr<StandInServer> StartUpTest::server_;

TEST_F(StartUpTest, WholeStartUpLogsInShowsTheWindowAndShutDownLogsOut) {
  system_.screen = {1024, 600};
  system_.xlsx = true;
  ASSERT_EQ(0, RunThrough(33)) << (boxes_.Count() ? std::string(Utf8FromWide(boxes_.LastText())) : "");
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(folder_.string() + "/", app_.ProgramFolder());

  // Folders, stores, values filled on the way.
  for (const char* name : {"LOG_ZIZ", "DATA", "DATA_SYS", "DATA_TEMP/CAPPIC", "DATA_GDPIC",
                           "DATA_MODEL", "DATA_PIC/Zur"}) {
    EXPECT_TRUE(fs::is_directory(folder_ / name)) << name;
  }
  // The log folder's old files go when the process ends.
  EXPECT_EQ(LogFolderCleaner().Folder(), folder_.string() + "/LOG_ZIZ");
  EXPECT_TRUE(fs::is_directory(app_.dayPictureFolder));
  EXPECT_EQ(app_.monthPictureFolder, fs::path(app_.dayPictureFolder).parent_path().string());
  EXPECT_TRUE(app_.Directory().IsOpen());
  EXPECT_TRUE(app_.PieceWeights().IsOpen());
  EXPECT_EQ(1024, app_.screenWidth);
  EXPECT_EQ(768, app_.screenHeight);
  EXPECT_EQ(6000, app_.osVersionCode / 1000 * 1000);
  EXPECT_TRUE(app_.osMajorAtLeast5);
  EXPECT_EQ(u"Excel file (*.xls,*.xlsx)|*.xls;*.xlsx|", app_.excelFileFilter);
  EXPECT_NE(nullptr, app_.WebBuffer());
  EXPECT_EQ(u"System Clipboard", app_.ClipboardCaption());
  // No "addr_jp.dat" in the program folder: the program runs without a Japan
  // postcode book.
  EXPECT_EQ(nullptr, app_.JapanPostcodes());

  // Logged in, window shown once, caption with the user's name and account.
  EXPECT_EQ(1, logins_);
  EXPECT_TRUE(app_.Link().LoggedIn());
  EXPECT_EQ(1, shown_);
  EXPECT_NE(std::u16string::npos, shownCaption_.find(u"管理员"));
  EXPECT_NE(std::u16string::npos, shownCaption_.find(u"[admin]"));

  // A settings file through the link, read from its local copy at most to
  // the room given.
  std::string text;
  // The courier message definitions came down at start-up.
  EXPECT_TRUE(fs::exists(folder_ / "DATA_SYS" / "WeChat_Mess.txt"));
  EXPECT_EQ(1, app_.WeChatMessages().Enabled());
  EXPECT_NE(nullptr, app_.WeChatMessages().FindDefinition(kPickupDispatchKind));
  EXPECT_EQ(1, app_.ReadSysFile("WeChat_Mess.txt", 255, Gbk(u"系统配置"), text, 10));

  // The postcode zone files came down into the program folder and were read:
  // the DHL sorting zones and the DHL and EMS price zones.
  EXPECT_TRUE(fs::exists(folder_ / "Zip_Choice_Zone_0.txt"));
  EXPECT_TRUE(fs::exists(folder_ / "Zip_Price_Zone_1.txt"));
  EXPECT_EQ(1u, app_.Zones().SortingDefinitions().size());
  EXPECT_EQ(2u, app_.Zones().PriceDefinitions().size());
  std::string zoneNumber, zoneLetters;
  EXPECT_EQ(1, app_.Zones().FindZone("13481", "DHL", zoneNumber, zoneLetters));
  EXPECT_EQ("2", zoneNumber);
  EXPECT_EQ("B", zoneLetters);
  EXPECT_EQ(1, app_.Zones().PriceZone("100-010", "EMS"));

  // The service kinds with their areas reach the application's look-ups,
  // and the entry-field kinds have their captions.
  EXPECT_GE(app_.serviceKinds.size(), 5u);
  EXPECT_EQ(app_.serviceKinds.size(), app_.serviceKindCodes.size());
  EXPECT_EQ(1, app_.KindServesDestination("dhl", Gbk(u"德国")));
  EXPECT_EQ(0, app_.KindServesDestination("UPS", Gbk(u"德国")));
  ASSERT_EQ(69u, app_.entryFieldKinds.captions.size());
  EXPECT_NE(u"???", app_.entryFieldKinds.captions[68]);
  EXPECT_EQ(30, app_.entryFieldKinds.maxLengths[68]);

  // The bag defaults, the column catalogue, the station caches and the
  // server airlines were loaded on the way.
  ASSERT_NE(nullptr, app_.Link().bagDefaults);
  EXPECT_NE(nullptr, app_.ColumnCatalog().WaybillColumn(207));
  EXPECT_FALSE(app_.ClientList().Records().empty());
  EXPECT_GE(app_.Destinations().Records().size(), 1000u);
  EXPECT_TRUE(fs::exists(folder_ / "DATA_SYS" / "des.dat"));
  EXPECT_EQ(7u, app_.Airlines().Airlines().size());

  // A waybill with its piece and goods lines, each list read whole.
  InputWaybillRecord waybill{};
  std::vector<std::unique_ptr<PieceLine>> pieces;
  std::vector<std::unique_ptr<GoodsLine>> goods;
  EXPECT_EQ(1, app_.LoadWaybillRecord(1, waybill, pieces, goods));
  EXPECT_EQ("BR10000001", std::string(waybill.waybill.cNum));
  EXPECT_EQ(1u, pieces.size());
  EXPECT_EQ(2u, goods.size());
  // The stand-in sends the goods list first and the piece list last.
  const std::string recordReply = app_.Link().CopyReply();
  const size_t goodsAt = recordReply.find(",\"GoodsList\":[");
  const size_t piecesAt = recordReply.find(",\"WeightList\":[");
  ASSERT_NE(std::string::npos, goodsAt);
  ASSERT_NE(std::string::npos, piecesAt);
  EXPECT_LT(goodsAt, piecesAt);
  EXPECT_EQ("]}", recordReply.substr(recordReply.size() - 2));
  EXPECT_EQ(10u, text.size());  // 8 bytes and the two zero bytes
  EXPECT_EQ(std::string(2, '\0'), text.substr(8));

  // Shut-down logs out: the server no longer knows the session.
  app_.ExitInstance();
  FileRequest request;
  request.grade = 255;
  request.kind = Gbk(u"系统配置");
  request.title = request.fileName = "WeChat_Mess.txt";
  request.localPath = (folder_ / "after-logout.txt").string();
  EXPECT_LE(app_.Link().DownloadFile(request), 0);
  EXPECT_NE(std::string::npos, app_.Link().CopyReply().find("-402"));
  EXPECT_EQ(nullptr, app_.InstanceGuard());
}

// Each row of the failure table: the step that ends start-up and its message.
TEST_F(StartUpTest, EachFailingStepShowsItsMessageAndEndsThere) {
  struct Row {
    const char* what;
    std::function<void(StartUpTest&)> arrange;
    int endedAt;
    std::function<std::u16string()> message;  // none: no message
  };
  auto text = [](int id) { return [id] { return AppLanguage().Text(id); }; };
  auto fixed = [](std::u16string t) { return [t] { return t; }; };
  std::vector<Row> rows = {
      {"module path",
       [](StartUpTest& t) {
         t.folderOption_ = false;
         t.system_.executable.reset();
       },
       2,
       fixed(u"System path search failed!")},
      {"COM", [](StartUpTest& t) { t.system_.com = false; }, 6, fixed(u"Init COM failed.")},
      {"network", [](StartUpTest& t) { t.system_.network = false; }, 7,
       fixed(u"Init Network failed.")},
      {"configuration", [](StartUpTest& t) { fs::remove(t.folder_ / "ZizTolvane.ini"); }, 8,
       fixed(u"Initializing file: ZizTolvane.ini Error!")},
      {"language",
       [](StartUpTest& t) {
         // Nothing listens on port 1: the language file cannot be fetched.
         t.WriteConfiguration(1, "07");
       },
       9, fixed(u"Initializing file: Tolvane_07.txt Error!")},
      {"working folder",
       [](StartUpTest& t) { std::ofstream(t.folder_ / "DATA_TEMP") << "a file, not a folder"; },
       10, text(20017)},
      {"disk space", [](StartUpTest& t) { t.system_.freeBytes = 149999999; }, 11, text(20018)},
      {"record store",
       [](StartUpTest& t) { fs::create_directories(t.folder_ / "DATA" / "recinput.dat"); }, 12,
       text(20019)},
      {"web buffer", [](StartUpTest& t) { t.system_.webBuffer = false; }, 18, text(20020)},
      {"login cancelled", [](StartUpTest& t) { t.cancelLogin_ = true; }, 20, nullptr},
      {"main window", [](StartUpTest& t) { t.windowCreated_ = false; }, 22, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    boxes_.Clear();
    system_ = FakeSystem{};
    cancelLogin_ = false;
    folderOption_ = true;
    windowCreated_ = true;
    shown_ = 0;
    NewProgramFolder();
    row.arrange(*this);
    CBrantleClientApp app;  // a new application object for every row
    InstallHooks(app);
    TestSequence sequence(app, Arguments(), system_);
    EXPECT_FALSE(sequence.Run());
    EXPECT_EQ(row.endedAt, sequence.EndedAt());
    if (row.message) {
      ASSERT_EQ(1u, boxes_.Count());
      EXPECT_EQ(row.message(), boxes_.LastText());
      EXPECT_NE(u"???", boxes_.LastText());
      EXPECT_EQ(platform::kMbOk, boxes_.Messages()[0].flags);
    } else {
      EXPECT_EQ(0u, boxes_.Count());
    }
    app.ExitInstance();
    EXPECT_EQ(0, shown_);
  }
}

TEST_F(StartUpTest, TheRealMainWindowComesUpMaximisedWithItsCaption) {
  InstallWindowHooks(app_);
  app_.pageFactory = CreateViewPage;  // the pages the program hands the view
  app_.hooks.runLogin = [](CBrantleClientApp& app, int) {
    return app.Link().Login(u"admin", u"admin123", 0) > 0 ? 1 : 0;
  };
  ASSERT_EQ(0, RunThrough(33));
  ASSERT_NE(nullptr, app_.mainWindow);
  EXPECT_TRUE(app_.mainWindow->isVisible());
  EXPECT_TRUE(app_.mainWindow->isMaximized());
  EXPECT_EQ(app_.caption, app_.mainWindow->windowTitle().toStdU16String());
  EXPECT_EQ(0u, boxes_.Count());
  // The menu and toolbar follow the current page's enable flags.
  auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow);
  ASSERT_NE(nullptr, frame);
  auto* view = dynamic_cast<CBrantleClientView*>(frame->centralWidget());
  ASSERT_NE(nullptr, view);
  ASSERT_NE(nullptr, view->currentPage);
  QAction* save = frame->CommandAction(32772);
  ASSERT_NE(nullptr, save);
  view->currentPage->saveEnabled = false;
  frame->UpdateCommandUi();
  EXPECT_FALSE(save->isEnabled());
  view->currentPage->saveEnabled = true;
  frame->UpdateCommandUi();
  EXPECT_TRUE(save->isEnabled());
  // Pages reach the view's one waybill query dialog, and what its pickers
  // and the record filter need of the application, through their host.
  CViewHost* host = view->currentPage->host;
  ASSERT_NE(nullptr, host);
  EXPECT_EQ(&view->waybillQueryDlg, host->WaybillQueryDialog());
  EXPECT_EQ(u"dsenddate", host->WaybillDateColumn(2));
  EXPECT_EQ(std::optional<std::u16string>(u"DHL"), host->ServiceKindCode(u"dhl"));
  EXPECT_EQ(std::nullopt, host->ServiceKindCode(u"TNT"));
  EXPECT_EQ(app_.serviceKindCodes, host->ServiceKindNames());
  std::vector<std::u16string> recent;
  EXPECT_GT(platform::WaitForWork([&] { return host->ListRecentBags(recent, 500); }), 0);
  // The whole window after start-up, for a person to look at.
  QApplication::processEvents();
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(app_.mainWindow->grab().save(
      QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/startup_mainwindow.png")));
  app_.ExitInstance();
  delete app_.mainWindow;
  app_.mainWindow = nullptr;
}

// A station user's start-up: the dictionaries, the user's environment and
// the station's staff come from the server, the main frame locks after the
// user's own idle time and asks for strong passwords, and the waybill
// checks query the server.
TEST_F(StartUpTest, TheUsersEnvironmentAndTheDictionariesReachTheMainFrame) {
  InstallWindowHooks(app_);
  app_.hooks.runLogin = [](CBrantleClientApp& app, int) {
    return app.Link().Login(u"zhang", u"zhang123", 0) > 0 ? 1 : 0;
  };
  std::vector<std::string> sounds;
  app_.Sounds().SetObserver([&](std::string_view name) { sounds.emplace_back(name); });
  ASSERT_EQ(0, RunThrough(33)) << (boxes_.Count() ? std::string(Utf8FromWide(boxes_.LastText())) : "");
  auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow);
  ASSERT_NE(nullptr, frame);
  EXPECT_EQ(7, app_.userEnvironment.lockMinutes);
  EXPECT_EQ(7u * 60000u, frame->AutoLockMilliseconds());
  EXPECT_TRUE(frame->StrongPasswordRequired());

  EXPECT_EQ(std::chrono::seconds(std::chrono::hours(24 * 7)), app_.editPeriod);
  EXPECT_EQ(4u, app_.controlCodes.size());
  EXPECT_EQ(u"EXP 出口管制，暂停收寄", app_.MatchControlCode(u"EXP"));
  EXPECT_EQ(u"DHL深圳", app_.SupplierName(2));
  EXPECT_EQ(u"S001", app_.SupplierAccount(1));
  EXPECT_EQ(u"", app_.SupplierName(3));  // not in use
  EXPECT_EQ(4u, app_.dictionaries.accounts.size());
  // Grade 10 at station SZ: the station's own staff only.
  ASSERT_FALSE(app_.staff.empty());
  for (const StaffEntry& entry : app_.staff) EXPECT_EQ("SZ", entry.mcstation) << entry.mcaccount;
  EXPECT_EQ(6u, app_.staff.size());

  // Two sending prompts of one waybill; one a customer left for another.
  EXPECT_EQ(2, app_.ShowRecordPrompts(u"BR10000002", 2, 0, false));
  EXPECT_EQ(1, app_.ShowRecordPrompts(u"BR10000004", 0, 0, false));
  ASSERT_EQ(2u, boxes_.Count());
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(u"2024-03-07 08:00"));
  // Waybill 6 carries the refused code EXP; waybill 5 the common A01.
  EXPECT_EQ(0, app_.CheckRecordCode(6, u"", 1));
  EXPECT_EQ(std::vector<std::string>{"fail.wav"}, sounds);
  EXPECT_EQ(1, app_.CheckRecordCode(0, u"BR10000005", 1));
  EXPECT_EQ(3u, boxes_.Count());

  app_.ExitInstance();
  delete app_.mainWindow;
  app_.mainWindow = nullptr;
}

TEST_F(StartUpTest, OldSystemIsReportedAndStartUpGoesOn) {
  system_.os = {4, 9, 0, 0};
  EXPECT_EQ(0, RunThrough(5));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"Operating system version is too low!\r\nNeeds 2000/XP or later...", boxes_.LastText());
  EXPECT_FALSE(app_.osMajorAtLeast5);
  EXPECT_EQ(4900, app_.osVersionCode);
}

TEST_F(StartUpTest, ExactlyTheMinimumFreeSpaceIsEnough) {
  system_.freeBytes = CStartUpSequence::kMinimumFreeBytes;
  EXPECT_EQ(0, RunThrough(11));
  EXPECT_EQ(0u, boxes_.Count());
}

TEST_F(StartUpTest, AStoreThatDoesNotOpenStopsTheLaterOnes) {
  fs::create_directories(folder_ / "DATA" / "recinput.dat");
  EXPECT_EQ(12, RunThrough(12));
  EXPECT_TRUE(fs::exists(folder_ / "DATA" / "rsdata.dat"));
  EXPECT_FALSE(fs::exists(folder_ / "DATA" / "recgoods.dat"));
  EXPECT_FALSE(fs::exists(folder_ / "DATA" / "recweight.dat"));
}

TEST_F(StartUpTest, LoginNotRequiredGoesOnWithoutLogin) {
  app_.Settings().loginRequired = 0;
  cancelLogin_ = true;
  EXPECT_EQ(0, RunThrough(33));
  EXPECT_EQ(1, shown_);
  EXPECT_FALSE(app_.Link().LoggedIn());
}

TEST_F(StartUpTest, CancelledLoginStillShutsDownWithoutLogout) {
  cancelLogin_ = true;
  EXPECT_EQ(20, RunThrough(33));
  EXPECT_EQ(0, app_.ExitInstance());
  EXPECT_FALSE(app_.Link().LoggedIn());
  // The guard is released: the folder can be started again.
  CBrantleClientApp again;
  TestSequence sequence(again, Arguments(), system_);
  EXPECT_TRUE(sequence.RunThrough(4));
}

TEST_F(StartUpTest, ProgramFolderFromOptionEnvironmentOrExecutable) {
  EXPECT_EQ("/srv/a/", CStartUpSequence::ProgramFolderFrom({"x", "--program-folder", "/srv/a"}, "/env", "/opt/b/x"));
  EXPECT_EQ("/srv/a/", CStartUpSequence::ProgramFolderFrom({"x", "--program-folder=/srv/a/"}, nullptr, ""));
  EXPECT_EQ("/env/", CStartUpSequence::ProgramFolderFrom({"x"}, "/env", "/opt/b/x"));
  EXPECT_EQ("/opt/b/", CStartUpSequence::ProgramFolderFrom({"x"}, "", "/opt/b/x"));
  EXPECT_EQ("", CStartUpSequence::ProgramFolderFrom({"x"}, nullptr, ""));
  // Letter case is kept: on this system it names another folder.
  EXPECT_EQ("/Opt/B/", CStartUpSequence::ProgramFolderFrom({"x"}, nullptr, "/Opt/B/x"));
}

TEST(SingleInstance, DigestIgnoresLetterCaseAndMarkerFollowsIt) {
  std::u16string digest = InstanceDigest("/srv/Depot/");
  EXPECT_EQ(32u, digest.size());
  EXPECT_EQ(digest, InstanceDigest("/SRV/DEPOT/"));
  EXPECT_NE(digest, InstanceDigest("/srv/Depot2/"));
  EXPECT_EQ(InstanceMarker(digest), InstanceMarker(InstanceDigest("/SRV/DEPOT/")));
  EXPECT_NE(InstanceMarker(digest), InstanceMarker(InstanceDigest("/srv/Depot2/")));
  // The marker covers only the first 16 digits.
  std::u16string changedTail = digest;
  changedTail[31] = changedTail[31] == u'0' ? u'1' : u'0';
  EXPECT_EQ(InstanceMarker(digest), InstanceMarker(changedTail));
}

TEST_F(StartUpTest, SecondStartFromTheSameFolderRaisesTheFirstAndEnds) {
  ASSERT_EQ(0, RunThrough(4));
  QWidget window;
  app_.mainWindow = &window;

  // The second start runs on a thread of its own while this one serves the
  // first instance's socket.
  CBrantleClientApp second;
  int secondShown = 0;
  second.hooks.showMainWindow = [&](CBrantleClientApp&) { ++secondShown; };
  TestSequence sequence(second, Arguments(), system_);
  auto result = std::async(std::launch::async, [&] { return sequence.RunThrough(33); });
  while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
    QCoreApplication::processEvents();
  }
  EXPECT_FALSE(result.get());
  EXPECT_EQ(4, sequence.EndedAt());
  EXPECT_EQ(1, shown_);
  EXPECT_EQ(0, secondShown);
  EXPECT_EQ(0u, boxes_.Count());

  // A copy in another folder starts on its own.
  fs::path other = folder_.string() + "-copy";
  fs::create_directories(other);
  CBrantleClientApp third;
  TestSequence thirdSequence(third, {"brantle", "--program-folder", other.string()}, system_);
  EXPECT_TRUE(thirdSequence.RunThrough(4));
  app_.mainWindow = nullptr;
}

TEST_F(StartUpTest, TheOfficeSuiteStartsInTheBackgroundAndTheFilterFollows) {
  system_.suiteAnswersLater = true;
  ASSERT_EQ(0, RunThrough(33));
  ASSERT_TRUE(system_.suiteAnswer);  // asked to start, not waited for
  EXPECT_EQ(u"Excel file (*.xls)|*.xls|", app_.excelFileFilter);
  // The answer comes from the suite's own thread; the filter changes on the
  // user-interface thread.
  std::thread([&] { system_.suiteAnswer(true); }).join();
  EXPECT_EQ(u"Excel file (*.xls)|*.xls|", app_.excelFileFilter);
  EXPECT_TRUE(testsupport::WaitUntil(
      [&] { return app_.excelFileFilter == u"Excel file (*.xls,*.xlsx)|*.xls;*.xlsx|"; }));

  // An answer that comes after its application object has gone touches
  // nothing.
  system_.suiteAnswer = nullptr;
  {
    CBrantleClientApp gone;
    TestSequence sequence(gone, Arguments(), system_);
    EXPECT_TRUE(sequence.ProbeSpreadsheets());
    ASSERT_TRUE(system_.suiteAnswer);
    std::thread([&] { system_.suiteAnswer(true); }).join();
  }
  QCoreApplication::processEvents();
}

// ---- a server that answers slowly ----

// Counts the timer ticks of the window thread and the paints of one window
// while it is asked to repaint at every tick.
class RepaintWatch : public QObject {
 public:
  RepaintWatch() {
    QCoreApplication::instance()->installEventFilter(this);
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      ++ticks;
      if (window_) window_->update();
    });
    timer_.start();
  }
  void Watch(QWidget* window) { window_ = window; }
  int ticks = 0;
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && window_ && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window_)
      ++paints;
    return false;
  }

 private:
  QTimer timer_;
  QPointer<QWidget> window_;
};

constexpr int kReplyDelayMs = 600;

class SlowServerTest : public StartUpTest {
 public:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("brantle-slow-" + std::to_string(::getpid()));
    fs::create_directories(root_);
    server_ = std::make_unique<StandInServer>(
        std::string(BRANTLE_BINARY_DIR) + "/localserver/brantle-server", root_ / "server",
        std::vector<std::string>{"--reply-delay-ms", std::to_string(kReplyDelayMs),
                                 "--reply-delay-for", "sUserLogin,sSqlQuery,sSqlExe,sFileData"});
  }
};

CLoginDlg* OpenLoginDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<CLoginDlg*>(widget); dialog && dialog->isVisible())
      return dialog;
  return nullptr;
}

TEST_F(SlowServerTest, TheLoginDialogKeepsRepaintingWhileTheLoginWaits) {
  CServerLink link;
  ASSERT_EQ(1, link.Init(folder_.string() + "/"));
  RepaintWatch watch;
  int ticksDuringLogin = -1;
  int paintsDuringLogin = -1;
  QTimer::singleShot(0, [&] {
    CLoginDlg* dialog = OpenLoginDialog();
    ASSERT_NE(nullptr, dialog);
    watch.Watch(dialog);
    dialog->AccountEdit()->setText(QStringLiteral("admin"));
    dialog->PasswordEdit()->setText(QStringLiteral("admin123"));
    int ticks = watch.ticks, paints = watch.paints;
    auto before = std::chrono::steady_clock::now();
    dialog->OkButton()->click();  // returns once the login is done
    EXPECT_GE(std::chrono::steady_clock::now() - before,
              std::chrono::milliseconds(kReplyDelayMs));
    ticksDuringLogin = watch.ticks - ticks;
    paintsDuringLogin = watch.paints - paints;
  });
  EXPECT_TRUE(RunLoginDialog(link, folder_.string() + "/"));
  EXPECT_GT(ticksDuringLogin, 5);
  EXPECT_GT(paintsDuringLogin, 0);
  EXPECT_EQ(0u, boxes_.Count());
}

TEST_F(SlowServerTest, TheWindowKeepsRepaintingWhileAQueryAndAPasswordChangeWait) {
  CServerLink link;
  ASSERT_EQ(1, link.Init(folder_.string() + "/"));
  ASSERT_GT(link.Login(u"zhang", u"zhang123", 0), 0);
  QWidget window;
  window.resize(200, 100);
  window.show();
  RepaintWatch watch;
  watch.Watch(&window);

  // A query made from the window, the way every page makes them.
  int ticks = watch.ticks, paints = watch.paints;
  int length = platform::WaitForWork([&] {
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
    return link.SqlQuery("SELECT TOP 1 a.irid FROM brantle.dbo.client_rec AS a WHERE a.irid>0",
                         types);
  });
  EXPECT_GT(length, 0);
  EXPECT_GT(watch.ticks - ticks, 5);
  EXPECT_GT(watch.paints - paints, 0);

  ticks = watch.ticks;
  paints = watch.paints;
  EXPECT_TRUE(ChangePasswordOnServer(link, u"zhang456"));
  EXPECT_GT(watch.ticks - ticks, 5);
  EXPECT_GT(watch.paints - paints, 0);
  EXPECT_EQ(AppLanguage().Text(kTextPasswordChanged), boxes_.LastText());
}

TEST_F(SlowServerTest, TheMainWindowPaintsWhileTheStartUpLoadsWait) {
  InstallWindowHooks(app_);
  RepaintWatch watch;
  int ticksAtShow = -1, paintsAtShow = -1;
  auto show = app_.hooks.showMainWindow;
  app_.hooks.runLogin = [](CBrantleClientApp& app, int) {
    return app.Link().Login(u"admin", u"admin123", 0) > 0 ? 1 : 0;
  };
  app_.hooks.showMainWindow = [&](CBrantleClientApp& app) {
    show(app);
    watch.Watch(app.mainWindow);
    ticksAtShow = watch.ticks;
    paintsAtShow = watch.paints;
  };
  ASSERT_EQ(0, RunThrough(33));
  ASSERT_GE(ticksAtShow, 0);
  // The courier messages came down slowly after the window was shown; it
  // painted meanwhile.
  EXPECT_GT(watch.ticks - ticksAtShow, 5);
  EXPECT_GT(watch.paints - paintsAtShow, 0);
  EXPECT_TRUE(fs::exists(folder_ / "DATA_SYS" / "WeChat_Mess.txt"));
  app_.ExitInstance();
  delete app_.mainWindow;
  app_.mainWindow = nullptr;
}

// A request made while the window waits finds its session expired: the link
// logs in again on the worker and hands its message to the window thread
// through the dispatcher the program installs; the box comes up during the
// wait and is answered, and the wait ends.
TEST(ServerLinkFromTheWindow, AMessageOfTheLinkComesUpWhileTheWindowWaits) {
  shelltest::LoadProgramLanguage("01");
  shelltest::TempFolder folder;
  ScriptedServer server;
  server.SetDefault(ScriptedServer::Ok("{\"ReturnValue\":0}"));
  testsupport::WriteStandInConfig(folder.Path(), server.Port(), "01", "PC-WAIT");
  CServerLink link;
  ASSERT_EQ(1, link.Init(folder.Folder()));
  const std::string loginReply =
      "{\"ReturnValue\":7,\"iTimeZone\":8,\"iGrade\":130,\"cUserName\":\"admin\","
      "\"cStation\":\"SZ\",\"iLogID\":55,\"xRight\":\"00000000000000000000000000000000\","
      "\"xEncrypt\":\"0102030405060708090A0B0C0D0E0F10\"}";
  server.QueueJson(loginReply);
  ASSERT_GT(link.Login(u"admin", u"admin123", 0), 0);

  platform::QtMessageBoxService boxes;
  std::vector<std::u16string> shown;
  int depthAtBox = -1;
  boxes.SetBoxRunner([&](QMessageBox& box) {
    shown.push_back(box.text().toStdU16String());
    depthAtBox = platform::WaitForWorkDepth();
    return static_cast<int>(QMessageBox::Ok);
  });
  platform::ScopedMessageBoxService scope(&boxes);
  // As app/BrantleClient.cpp installs it.
  SetServerLinkUiDispatcher(platform::RunOrPostToUiThread);

  server.QueueJson("{\"ReturnValue\":-402}");
  server.QueueJson(loginReply);
  platform::WaitForWork([&] { link.SqlQuery("SELECT irid FROM x", {}); });
  SetServerLinkUiDispatcher(nullptr);
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(AppLanguage().Text(20026), shown[0]);
  EXPECT_EQ(1, depthAtBox);
  EXPECT_EQ(-402, link.lastReturnValue);
}

// The sample place dictionary and address library load before the login;
// a damaged city.dat is named in a message and start-up goes on without it.
TEST_F(StartUpTest, PlaceDictionaryAndAddressLibraryLoadBeforeTheLogin) {
  ASSERT_TRUE(WriteSamplePlaceFiles(folder_.string() + "/"));
  EXPECT_EQ(0, RunThrough(16));
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(SamplePlaceEntries().size(), app_.PlaceDictionary().Entries().size());
  EXPECT_TRUE(app_.AddressLibrary().IsLoaded());
  EXPECT_EQ(0, logins_);
}

TEST_F(StartUpTest, ADamagedAddressLibraryIsNamedAndStartUpGoesOn) {
  ASSERT_TRUE(WriteSamplePlaceFiles(folder_.string() + "/"));
  const fs::path city = folder_ / "city.dat";
  fs::resize_file(city, fs::file_size(city) - 1);
  EXPECT_EQ(0, RunThrough(16));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(u"city.dat"));
  EXPECT_EQ(std::u16string::npos, boxes_.LastText().find(u"???"));
  EXPECT_FALSE(app_.AddressLibrary().IsLoaded());
  EXPECT_FALSE(app_.PlaceDictionary().Entries().empty());
}

}  // namespace
