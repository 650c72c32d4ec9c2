#pragma once
// The start-up of the client, step by step, without widgets.  Each step
// returns whether start-up goes on; a step that ends it has shown its message
// (through the message-box service) before it returns.  The window side is
// reached through the application's WindowHooks.
//
// The steps that ask the operating system go through the virtual queries
// below, so that a test can make each of them fail.
//
// Once the main window is shown (step 24) it must not freeze: the loads that
// follow and ask the server (caches, airlines, zones and courier messages)
// run through platform::WaitForWork, so the window paints while they run and
// takes no input until they are done, and the office suite starts in the
// background (step 32) instead of holding up the event loop.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CBrantleClientApp;
class QSettings;

struct OsVersionInfo {
  int major = 0;
  int minor = 0;
  int patch = 0;  // takes the place of the service-pack numbers
  int build = 0;
};

class CStartUpSequence {
 public:
  // Bytes that must be free on the program folder's volume.
  static constexpr uint64_t kMinimumFreeBytes = 150000000;
  // The working folders under the program folder, in the order they are made
  // (the two picture folders of the month and the day follow "DATA_GDPIC").
  static const std::vector<std::string>& WorkingFolders();

  CStartUpSequence(CBrantleClientApp& app, std::vector<std::string> arguments);
  virtual ~CStartUpSequence();

  // Runs every step in order; true when the main window is up.
  bool Run();
  // Runs the steps up to and including `lastStep` (1..33); false when one of
  // them ended start-up.
  bool RunThrough(int lastStep);
  // The step that ended start-up, 0 while none has.
  int EndedAt() const { return endedAt_; }

  // The steps, in their order.
  bool CheckOsVersion();          // 1
  bool FindProgramFolder();       // 2
  bool PrepareLogFolder();        // 3
  bool ClaimSingleInstance();     // 4
  bool KeepLocale();              // 5
  bool StartCom();                // 6
  bool StartNetwork();            // 7
  bool ReadConfiguration();       // 8
  bool LoadLanguage();            // 9
  bool MakeWorkingFolders();      // 10
  bool CheckFreeSpace();          // 11
  bool OpenRecordStores();        // 12
  bool FetchClipboardCaption();   // 13
  bool ReadScreenSize();          // 14
  bool PreparePlaceDictionary();  // 15
  bool LoadAddressLibrary();      // 16
  bool OpenProfile();             // 17
  bool AllocateWebBuffer();       // 18
  bool BuildPrintFields();        // 19
  bool Login();                   // 20
  bool LoadReferenceData();       // 21
  bool CreateMainWindow();        // 22
  bool LocalizeMenu();            // 23
  bool ShowMainWindow();          // 24
  bool CaptionAndPrompts();       // 25
  bool DevicesAndPrinting();      // 26
  bool RefreshCaches();           // 27
  bool LoadAirlines();            // 28
  bool KeepListHolder();          // 29
  bool SetMessageFilter();        // 30
  bool ZonesAndCourierMessages(); // 31
  bool ProbeSpreadsheets();       // 32

  // The program folder a command line and environment name: the value of
  // "--program-folder <dir>" or "--program-folder=<dir>", else
  // BRANTLE_PROGRAM_FOLDER, else the folder of the executable.  Always ends
  // in '/'; empty when none can be found.
  static std::string ProgramFolderFrom(const std::vector<std::string>& arguments,
                                       const char* environmentValue,
                                       const std::string& executablePath);

 protected:
  // ---- what the steps ask of the operating system ----
  virtual OsVersionInfo ReadOsVersion();
  // The executable's full path; none when it cannot be read.
  virtual std::optional<std::string> ExecutablePath();
  virtual std::optional<std::string> EnvironmentFolder();
  // Bytes free to this user on the volume of the folder.
  virtual uint64_t FreeBytes(const std::string& folder);
  virtual bool StartComLibrary();
  virtual bool StartNetworkLibraries();
  // Screen size in pixels; (0, 0) when no screen is known.
  virtual std::pair<int, int> ScreenPixels();
  // Starts the office suite behind the spreadsheet sessions and returns at
  // once.  `done` follows on any thread once the suite has answered: whether
  // it writes .xlsx, or none when no suite answers.
  virtual void StartSpreadsheetSuite(std::function<void(std::optional<bool> writesXlsx)> done);
  // The application's web response buffer; false when there is no memory.
  virtual bool ReserveWebBuffer();
  // Where the single-instance lock goes (empty: the user's runtime folder).
  virtual std::string InstanceFolder();

  CBrantleClientApp& app_;

 private:
  bool End(int step);
  bool Message(const std::u16string& text);
  // Shows message textId ("%1" the file, "%2" why) when a load refused a file.
  void ReportRefusedFile(int32_t textId, const std::string& file, const std::string& reason);

  std::vector<std::string> arguments_;
  int endedAt_ = 0;
};
