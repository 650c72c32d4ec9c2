#pragma once
// The application object: the owner of every long-lived service of the
// client and the one place through which pages, dialogs and the other
// services reach them (theApp).
//
// Start-up (InitInstance) runs the steps of CStartUpSequence (shell/StartUp.h)
// in their fixed order; the window side (login dialog, main frame, menu
// captions) is plugged in through WindowHooks, so the sequence itself needs
// no widgets and each of its failures can be reached in a test.
//
// Services whose classes come from other folders live behind a private
// holder; reach them through the accessors below.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/LanguageTable.h"
#include "devices/ScalePort.h"
#include "devices/ScaleReader.h"
#include "devices/SoundService.h"
#include "refdata/DestinationTable.h"
#include "refdata/Dictionaries.h"
#include "refdata/ServiceKinds.h"
#include "refdata/UserEnvironment.h"
#include "server/ServerLink.h"
#include "shell/AppNeighbours.h"

class QWidget;
class QSettings;
class CDirectoryTable;
class CDirectoryIndex;
class CWaybillRecordTable;
class CGoodsLineTable;
class CPieceWeightTable;
class CCurrencyTable;
class CClientListCache;
class CAirlineTable;
class CJapanPostcodeBook;
class CPlaceDictionary;
class CAddressLibrary;
struct CurrencyEntry;
class CBarcodeNormalizer;
struct AppSettings;
struct HttpRequest;
struct WaybillRecord;
struct InputWaybillRecord;
class CSingleInstanceGuard;
class CViewPage;
class CColumnCatalog;
struct AwbPackInfo;
class CZoneTable;
class CTemplateCache;
class CTemplateModel;
class CPrintFieldDictionary;
class CWaybillCache;
class CPrintDoors;
struct PrintContext;
struct PieceLine;
struct GoodsLine;

class CBrantleClientApp {
 public:
  // What the window side of the program supplies to start-up.  Empty hooks
  // are skipped (runLogin then counts as a failed login, createMainWindow as
  // a failed command line).
  struct WindowHooks {
    // Shows the login dialog; nonzero when the operator logged in.
    std::function<int(CBrantleClientApp&, int startUp)> runLogin;
    // Creates the main frame with its document and view and stores it in
    // mainWindow; false ends start-up without a message.
    std::function<bool(CBrantleClientApp&)> createMainWindow;
    // Menu and toolbar captions and rights-based hiding.
    std::function<void(CBrantleClientApp&)> localizeMenu;
    // Shows the main window maximised and brings it forward (start-up, and a
    // second start from the same program folder).
    std::function<void(CBrantleClientApp&)> showMainWindow;
    // Sets the main window's caption.
    std::function<void(CBrantleClientApp&, const std::u16string&)> setCaption;
    // Puts a text on the clipboard (CopyToClipboard).
    std::function<int(const std::u16string&)> setClipboardText;
    // Reads the clipboard as text; false when it holds no text.
    std::function<bool(std::u16string&)> readClipboardText;
    // Open-file dialog of ImportNumberList: filter text ("name|pattern||"),
    // initial file name; the chosen path, or false when cancelled.
    std::function<bool(const std::u16string& filter, const std::u16string& initialName,
                       std::u16string& chosen)>
        chooseFile;
    // Single-choice list (ChooseCommonPrompt): the index chosen or -1.
    std::function<int(const std::vector<std::u16string>& items, const std::u16string& caption)>
        pickFromList;
  };

  CBrantleClientApp();
  ~CBrantleClientApp();
  CBrantleClientApp(const CBrantleClientApp&) = delete;
  CBrantleClientApp& operator=(const CBrantleClientApp&) = delete;

  // ---- start-up and shut-down ----

  // Runs the whole start-up with the program's command line; false ends the
  // program (ExitInstance still runs).
  bool InitInstance(int argc, char** argv);
  // Logs out and releases what start-up took from the system; the exit code.
  int ExitInstance();
  // Whether start-up got as far as starting the network libraries (then
  // ExitInstance releases them).
  void SetNetworkStarted(bool started) { networkStarted_ = started; }

  WindowHooks hooks;
  // Builds the page class of a page index 0..16 for the main view.  The
  // program gives it before start-up; without it the view builds plain page
  // bases.
  std::function<std::unique_ptr<CViewPage>(int index)> pageFactory;

  // The steps start-up reaches through the application object (their own
  // subsystems fill them in).
  int RunLogin(int startUp);
  void BuildPrintFields();
  bool LoadDictionaries();
  bool LoadUserEnvironment();
  bool LoadServiceKinds();
  void LoadDefaultTemplates();
  void BuildColumnCatalog();
  void LoadBagDefaults();
  bool LoadStaff();
  void LocalizeMenu();
  int LoadScaleSettings();
  // Writes the scale settings to "balanceset.ini"; 1, or 0 when it cannot.
  int SaveScaleSettings();
  void LoadPrinterAssignments();
  // The installed printers (CUPS queues) appended to the list; their count.
  int EnumPrinterNames(std::vector<std::u16string>& list);
  // Writes "printerset_x1.dat"; 1, or 0 when it cannot.
  int SavePrinterAssignments();
  // Menu command 32833: the printer association dialog.
  void OnPrinterAssign();
  // The queue a print job of the printer kind (1 waybill, 2 label, 3
  // invoice) and template goes to; empty for the default queue.  The
  // machine's default printer is never changed.
  std::u16string SelectTemplatePrinter(int kind, std::u16string_view templateName);
  void LoadSoundResources();
  void RefreshClientList();
  void RefreshDestinations();
  void LoadAirlines();
  void LoadZoneFiles();
  void LoadWeChatTemplates();
  int LoadAddressLibrary();
  void InitPlaceDictionary();
  void DetectExcel();

  // ---- services owned for the whole run ----

  CServerLink& Link();
  CLanguageTable& Language() { return AppLanguage(); }
  AppSettings& Settings();
  const AppSettings& Settings() const;
  CDirectoryTable& Directory();
  CAirlineTable& Airlines();
  CWaybillRecordTable& InputRecords();
  CGoodsLineTable& GoodsLines();
  CPieceWeightTable& PieceWeights();
  CCurrencyTable& Currencies();
  // The station caches: the client list and the destination directory.
  CClientListCache& ClientList();
  CDestinationTable& Destinations();
  // What the caches need of the link, for the current login.
  StationSyncLink CacheLink();
  CBarcodeNormalizer& Barcodes();
  // The Japan postcode book, or nullptr when "addr_jp.dat" could not be loaded.
  const CJapanPostcodeBook* JapanPostcodes() const;
  // Loads the Japan postcode book from the program folder (kept only when
  // the load succeeds).  Start-up calls it once the program folder is known.
  void LoadJapanPostcodeBook();
  // The goods name dictionary and the address library, loaded at start-up
  // (InitPlaceDictionary, LoadAddressLibrary); empty when their files are
  // missing or were refused.
  CPlaceDictionary& PlaceDictionary();
  CAddressLibrary& AddressLibrary();
  CWeChatMessages& WeChatMessages() { return weChatMessages_; }
  CScalePort& ScalePort() { return scalePort_; }
  // The one scale reader: Open(window), ReadWeight() in the window's
  // handler of devices::WM_PORT_RECEIVED, Close().
  CScaleReader& ScaleReader() { return scaleReader_; }
  // The spoken weights and result sounds.
  CSoundService& Sounds() { return sounds_; }
  CTemplatePrinterList& TemplatePrinters() { return templatePrinters_; }
  CFieldMarkers& FieldMarkers() { return fieldMarkers_; }
  // The print-field dictionary with the template-kind names and captions
  // (BuildPrintFields), the template cache with the current template of
  // each kind slot (0 invoice, 1 channel waybill, 2 label).
  CPrintFieldDictionary& PrintFields();
  CTemplateCache& Templates();
  // The template of a kind and name (GBK): cached, else fetched; null when
  // it cannot be had.
  CTemplateModel* FindTemplate(std::string_view kindGbk, std::string_view nameGbk);
  // The operator chooses the slot's template in the template choice dialog;
  // 1 when the slot's current template was set, else 0.
  int ChooseTemplate(int slot);
  // ---- print jobs ----
  // One channel waybill of a saved record: 1 when the renderer produced it,
  // 0 when it produced nothing.  invoiceKeep is handed to a linked proforma
  // invoice (1 keeps it as a file); ownTemplate, copies and folder to the
  // waybill renderer (an empty folder prints).
  int PrintWaybill(int32_t recordId, int invoiceKeep, int ownTemplate, int copies,
                   std::u16string_view folder);
  // Labels for a list of records with the application's label layout; the
  // renderer removes the ids it placed, so callers loop until the list is
  // empty.  pieceCounter and labelCount are updated by the job.  0 when
  // nothing was rendered.
  int PrintLabels(std::vector<int32_t>& recordIds, int invoiceKeep, int labelsPerSheet,
                  int& pieceCounter, int& labelCount, int copies, int serialMode);
  // A proforma invoice of a saved record: keepInFile 1 keeps the workbook as
  // a file instead of printing; forcedCopies above 0 prints exactly that many
  // whatever the template asks.  1 when it was produced, 0 when not.
  int PrintProformaInvoice(int32_t recordId, int keepInFile, int copies, int forcedCopies);

  // ---- renderers and the pages' print doors ----
  // The channel waybill renderer: the template used, or null.
  CTemplateModel* RenderWaybill(int32_t recordId, int ownTemplate, int copies,
                                std::u16string_view folder);
  // One sheet of labels with a layout; 0 when nothing was rendered.
  int RenderLabelSheet(std::vector<int32_t>& ids, int capacity, int& pieceCursor, int& pieceCount,
                       int copies, const CLabelLayout& layout, int serialStart);
  // Splits a GBK address into three lines of at most `length` bytes.
  static void SplitAddressLines(std::string_view text, std::string& line1, std::string& line2,
                                std::string& line3, int length);
  // The invoice cell map and the label layout of the current templates.
  CInvoiceCellMap& InvoiceCellMap() { return invoiceCellMap_; }
  CLabelLayout& LabelLayout() { return labelLayout_; }
  // Reloads the invoice map (slot 0) or the label layout (slot 2) from the
  // slot's current template; after a template choice.
  void ReloadPrintLayouts(int slot);
  // What the page print commands and print dialogs use of the application.
  CPrintDoors& PrintDoors();
  // Everything the renderers need, for one job.
  PrintContext MakePrintContext();
  // The invoice copies a count asks for: a forced count (100 + n) gives n,
  // any other count itself, within 1..99.  No per-kind count is kept.
  int CopiesForKind(std::string_view kindGbk, int count);

  // The column catalogue (built by start-up after the language table).
  CColumnCatalog& ColumnCatalog();
  const CColumnCatalog& ColumnCatalog() const;

  // Commits the input-record, goods-line, piece-weight and directory stores.
  bool FlushRecordFiles();

  // Postcode zones (loaded by LoadZoneFiles) and the one-record waybill
  // cache of the print renderers (refdata/WaybillCache.h).
  CZoneTable& Zones();
  CWaybillCache& WaybillCache();
  // The waybill with its piece and goods lines appended to the lists; the
  // record id, or 0 with nothing changed.
  int32_t LoadWaybillRecord(int32_t id, InputWaybillRecord& record,
                            std::vector<std::unique_ptr<PieceLine>>& pieces,
                            std::vector<std::unique_ptr<GoodsLine>>& goods);
  // Writes the sorting zone into the saved local input record with that id.
  void ApplySortingZones(int32_t id);

  // ---- values start-up fills ----

  // The program's folder, ending in '/'; every local file is this folder
  // plus a relative name.
  const std::string& ProgramFolder() const { return programFolder_; }
  void SetProgramFolder(std::string folder);
  // Operating-system version code and whether the major version is 5 or later.
  uint16_t osVersionCode = 0;
  bool osMajorAtLeast5 = false;
  std::string localeName;           // the system default locale
  int screenWidth = 0;
  int screenHeight = 0;             // at least 768
  std::string monthPictureFolder;   // DATA_GDPIC/YYYYMM
  std::string dayPictureFolder;     // DATA_GDPIC/YYYYMM/DD
  std::u16string caption;           // the main window's caption
  uint32_t instanceMarker = 0;      // CRC-32 of the first 16 digest digits
  std::u16string instanceDigest;    // 32 lower-case hex digits
  QWidget* mainWindow = nullptr;    // owned by the window side
  // The Excel file filter of the file dialogs and the Excel ProgID.
  std::u16string excelFileFilter = u"Excel file (*.xls)|*.xls|";
  std::u16string excelProgId = u"Excel.Application";

  // ---- settings of the services below ----

  // (The divisor-letter override is Settings().divisorLetterOverride.)
  int32_t volumetricWeightStep = -1;
  std::chrono::seconds editPeriod = std::chrono::hours(24 * 60);
  bool keepNumberAsTyped = false;

  // ---- reference lists filled after login ----

  std::vector<CServiceKind> serviceKinds;      // in load order
  std::vector<std::u16string> serviceKindCodes;  // their codes, for choice lists
  EntryFieldKinds entryFieldKinds;             // captions and longest lengths
  std::vector<std::u16string> controlCodes;
  std::vector<StaffEntry> staff;
  // Numbered settings texts, list columns, suppliers, accounts, currency
  // choices (LoadDictionaries; the control codes are moved to controlCodes).
  ReferenceDictionaries dictionaries;
  // The logged-in user's environment: the idle-lock time of the main frame.
  UserEnvironment userEnvironment;
  std::vector<std::u16string> prompts;        // common prompts
  std::vector<std::u16string> clipboardList;  // numbers read from the clipboard

  // ---- application services ----

  // Weights in grams from dimensions in centimetres.
  int32_t ChargeableWeight(int32_t length, int32_t width, int32_t height, int32_t actualWeight,
                           uint8_t volumePercent, char classLetter) const;
  int32_t VolumetricWeight(int32_t length, int32_t width, int32_t height, char classLetter) const;
  // "L*W*H" with an optional class letter; the letter found or 0.
  static char ParseDimensions(std::string_view text, int32_t& length, int32_t& width,
                              int32_t& height);

  void SetPrompts(std::u16string_view text);
  bool SavePrompts(std::u16string_view text) const;
  void LoadPrompts();
  int ChooseCommonPrompt(std::u16string& output);

  void UpdateCaption();
  const std::u16string& GetDesktopPath();

  CServiceKind* GetServiceKind(int index);
  CServiceKind* FindServiceKind(std::string_view code);
  int KindServesDestination(std::string_view kindCode, std::string_view destination);
  const DestinationRecord* FindDestinationByCode(std::string_view code);
  const DestinationRecord* ResolveDestination(std::string_view text);
  const DestinationRecord* FindDestinationByName(std::string_view text);
  const CurrencyEntry* FindCurrency(std::string_view isoCode);
  double CurrencyRate(std::string_view isoCode, int useDefault);
  std::u16string MatchControlCode(std::u16string_view text) const;
  // Suppliers by id: the entry (null when none), its name and its account.
  const SupplierEntry* FindSupplier(int32_t isid) const;
  std::u16string SupplierName(int32_t isid) const;
  std::u16string SupplierAccount(int32_t isid) const;
  // Whether new passwords must be strong (numbered settings text 72).
  bool StrongPasswordRequired() const { return dictionaries.IsOn(72); }
  // The stored prompts of a waybill number (refdata/RecordPrompts.h): a
  // negative result when the operator cancelled.
  int ShowRecordPrompts(std::u16string_view number, int context, int32_t customerId, bool confirm);
  // 0 when the waybill's control code is refused, 1 otherwise.
  int CheckRecordCode(int32_t recordId, std::u16string_view number, int numberField);
  // Plays result sound `index` (0 success, 1 failure, 2 notice).
  void PlayResultSound(int index);
  // Speaks a weight in grams digit by digit.
  void SpeakWeight(int32_t grams);
  // The login's right to see record prompts.
  bool recordPromptsAllowed = true;
  int GetStaffMessageId(std::u16string_view nameOrAccount, std::string& output, int byAccount) const;
  int GetStaffAccount(std::u16string_view name, std::string& output) const;

  bool CleanScannedNumber(std::u16string_view text, std::string& output);
  std::u16string NormalizeNumber(std::u16string_view text);

  int ReadClipboardList();
  // Count of the target list, or -1 cancelled, -2 file not opened, -3 file
  // too long, -4 out of memory.
  int ImportNumberList(std::vector<std::u16string>& target, std::u16string* path,
                       int numberKind);
  const std::u16string& ClipboardCaption();

  // Bag and master air waybill services (refdata/AwbBagLists.h); the
  // defaults themselves are Link().bagDefaults.
  int LoadAwbPackInfo(AwbPackInfo& info);
  static std::u16string FormatWeight(double kilograms, bool pounds);
  int ListRecentAwbs(std::vector<std::u16string>& list, unsigned n);
  int ListRecentBags(std::vector<std::u16string>& list, unsigned n);
  static std::u16string AwbFromListItem(std::u16string_view item);
  static std::u16string BagNoFromListItem(std::u16string_view item);
  static int BagIdFromListItem(std::u16string_view item);
  // The bag settings text in DATA_SYS, kept up to date from the server.
  static constexpr std::string_view kBagDefaultsFile = "BagDefault.txt";

  std::u16string RecordCheckText(const WaybillRecord& record);
  static std::string ExtractLineValue(std::string_view key, std::string_view text,
                                      size_t minimum, size_t maximum);

  // The application's own web request and its response buffer.
  int AllocWebBuffer();
  void ResetWebContext(char* buffer, int post, int tls, int port, int keep);
  HttpRequest* WebRequest();
  char* WebBuffer() { return webBuffer_.get(); }
  // Asks the carrier's remote-area search about a postcode
  // (refdata/RemoteAreaCheck.h) through the web request, without freezing
  // the window: the number of hits, 0 not a remote area, -1 failed.
  int CheckRemoteArea(std::string_view country, std::string_view postcode, std::string_view city,
                      std::string& first, std::string& second, std::vector<std::u16string>& hits,
                      std::string* third);

  int64_t DownloadFileLength(const FileRequest& request);
  // Reads "DATA_SYS/<name>" after asking the server for a newer copy; at most
  // capacity - 2 bytes, followed by two zero bytes.  1 read, 0 not.
  int ReadSysFile(std::string_view fileName, int32_t grade, std::string_view kind,
                  std::string& buffer, size_t capacity);
  int CopyToClipboard(const std::u16string& text);
  // True when `now` (the current time unless given) is not later than the
  // date plus the edit period.
  bool IsWithinEditPeriod(std::chrono::system_clock::time_point date,
                          std::chrono::system_clock::time_point now =
                              std::chrono::system_clock::now()) const;
  static std::u16string ExternalTextStub(std::u16string_view text);

  // The profile (recent files) in the program folder; open after start-up.
  QSettings* Profile() { return profile_.get(); }
  void SetProfile(std::unique_ptr<QSettings> profile);

  // The single-instance guard start-up holds (null before step 4).
  CSingleInstanceGuard* InstanceGuard() { return instanceGuard_.get(); }
  void SetInstanceGuard(std::unique_ptr<CSingleInstanceGuard> guard);

  // Expires when the application object is destroyed: work queued for later
  // on the user-interface thread checks it before it touches the object.
  std::weak_ptr<const void> Lifetime() const { return lifetime_; }

  // ---- sender and receiver directory: the indexes of Directory(), kept
  // current with the store (refdata/DirectoryTable.h) ----
  CDirectoryIndex& DirectoryIndex();

 private:
  struct Services;

  // Built in this order, destroyed in reverse.
  CWeChatMessages weChatMessages_;
  std::unique_ptr<Services> services_;
  CInvoiceCellMap invoiceCellMap_;
  CLabelLayout labelLayout_;
  CFieldMarkers fieldMarkers_;
  CTemplatePrinterList templatePrinters_;
  CScalePort scalePort_;
  CScaleReader scaleReader_;
  CSoundService sounds_;
  std::unique_ptr<char[]> webBuffer_;
  std::unique_ptr<CSingleInstanceGuard> instanceGuard_;
  std::unique_ptr<QSettings> profile_;
  std::string webCookies_;  // the web request's cookie jar
  bool networkStarted_ = false;

  std::string programFolder_;
  std::u16string clipboardCaption_;
  std::shared_ptr<const bool> lifetime_ = std::make_shared<const bool>(true);
  // The pages' print doors (AppPrintJobs.cpp), made on first use.
  std::unique_ptr<CPrintDoors> printDoors_;
};

// Kilograms to pounds.
double KilogramsToPounds(double kilograms);

// The application object of the program.
extern CBrantleClientApp theApp;
