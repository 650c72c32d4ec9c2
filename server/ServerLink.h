#pragma once
// The link to the central server.  Every request is one flat JSON object
// posted over the program's own HTTP client to one endpoint, on a new
// connection each time; the reply lands in the link's reply buffer or in a
// buffer of the caller's.
//
// Threads: requests through the shared reply buffer are serialised by the
// link's reply lock.  A caller that reads the shared reply holds the lock
// from before its request until it has finished reading (LockReply), or
// copies the reply out (CopyReply) while nobody else can have replaced it.
// Messages the link shows go through the UI dispatcher (SetServerLinkUiDispatcher),
// so a worker thread never opens a window itself.
//
// The user's identity and session (what a login sets) can change under a
// running program: a worker's request answered with -402 logs in again.  A
// login builds the new identity apart and puts it in place in one step under
// the link's session lock.  Session(), Rights(), HasRight(), LoggedIn() and
// StoredPassword() read under that lock and never see half of one login and
// half of another; any thread may call them at any time.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct BagDefaults;  // the company's bag and master air waybill defaults

// ---- Result codes of the link's own (the transport adds its negative codes) ----

inline constexpr int kServerSqlTooShort = -1;       // SQL under 10 bytes: nothing sent
inline constexpr int kServerLengthTooLarge = -2;    // "sDataGet": more than 1 MiB asked
inline constexpr int kServerReplyTooLarge = -3;     // data reply longer than asked or than the room
inline constexpr int kServerRequestTooLarge = -6;   // request would exceed its limit: nothing sent
inline constexpr int kServerDataNotWritten = -8;    // language file: reply not whole, or not written

// ---- Column type list of the SQL requests ("acsType") ----

// ODBC C type codes as 16-bit two's-complement numbers.
inline constexpr int kSqlCChar = 1;
inline constexpr int kSqlCSLong = -16;
inline constexpr int kSqlCSShort = -15;
inline constexpr int kSqlCUTinyInt = -28;
inline constexpr int kSqlCBit = -7;
inline constexpr int kSqlCBinary = -2;
inline constexpr int kSqlCDouble = 8;
inline constexpr int kSqlCTimestamp = 93;

// type * 65536 + width, the type taken as an unsigned 16-bit number; the
// timestamp type always has width 16.
uint32_t AcsTypeEntry(int type, unsigned width = 0);
// The upper half of an entry (65520 for SLONG).
uint16_t AcsTypeCode(uint32_t entry);
// Column catalogue types: 0 BIT; 1..6 CHAR of 2, 16, 32, 64, 128, 256 bytes;
// 7 SLONG; 8 DOUBLE; 9 TIMESTAMP; anything else 0.
uint32_t AcsTypeForColumnType(int columnType);
bool IsTextColumnType(int columnType);

// ---- UI hand-over ----

// Runs a piece of work on the user-interface thread.  The shell installs one
// that posts to the Qt event loop; without one (the default) the work runs
// at once on the calling thread.
using ServerLinkUiDispatcher = std::function<void(std::function<void()>)>;
void SetServerLinkUiDispatcher(ServerLinkUiDispatcher dispatcher);

// ---- The session of a login ----

inline constexpr int kServerRightsCount = 200;

// Everything a login sets, as one consistent copy.
struct ServerSession {
  int32_t timeZone = 0;        // iTimeZone
  int32_t loginNumber = 0;     // iRand
  int32_t logId = 0;           // iLogID
  std::array<uint8_t, 16> xRight{};
  std::array<uint8_t, 16> xRighte{};
  std::array<uint8_t, 16> xRighti{};
  std::array<uint8_t, 16> sessionKey{};  // xEncrypt
  int32_t grade = 0;
  std::string stationT;        // cStationt, at most 15 bytes
  std::string clientKind;      // cClientKind, at most 15 bytes
  std::string userName;        // at most 30 bytes
  std::u16string userNameW;
  std::string userPid;         // at most 30 bytes
  std::string station;         // at most 15 bytes
  std::string userDepot;       // at most 3 bytes
  std::u16string stationW;     // safe for file names, at most 15 units
  std::u16string clientKindW;
  std::u16string account;      // last interactive login, for the silent re-login
  std::string accountGbk;
  std::array<int32_t, kServerRightsCount> rights{};  // flags 187 and 188 stay 0

  bool LoggedIn() const { return loginNumber > 0 && logId > 0; }
};

// ---- Records of the named requests ----

// The price of a waybill ("sQueryPrice").
struct PriceQuery {
  int32_t customerId = 0;
  std::string serviceKind;   // GBK, at most 15 bytes
  std::string destination;   // GBK, at most 67 bytes
  double weightKg = 0;
  uint8_t itemType = 0;
  // results
  double salePrice = 0;   // fsPrice
  double price = 0;       // fPrice
  double netPrice = 0;    // fPrice - fAddOn - fCustoms - fOther
  double addOn = 0;       // fAddOn
  double customs = 0;     // fCustoms
  double discount = 0;    // fDiscount
  double other = 0;       // fOther
};

// A supplier's price ("sPriceSp").
struct SpecialPriceQuery {
  std::string serviceKindCode;  // GBK code text of the service kind
  int32_t supplierId = 0;
  std::string destination;      // GBK, at most 63 bytes
  int32_t itemCount = 0;
  int32_t weightGrams = 0;
  uint8_t itemType = 0;
  uint8_t language = 0;
  // results
  double cost = 0;         // fCost
  double base = 0;         // fBase
  double addOn = 0;        // fAddOn
  double customs = 0;      // fCustoms
  double other = 0;        // fOther
  double rate = 0;         // fRate
  double salePrice = 0;    // fsPrice
  double otherCustom = 0;  // foCustom
  std::string memo;        // cMemo, narrow-field form, at most 1,023 bytes
  std::string method;      // cMethod, narrow-field form, at most methodWidth bytes
  size_t methodWidth = 1023;
};

// A settings or data file kept on the server ("sFileData").
struct FileRequest {
  int32_t id = 0;
  int32_t grade = 0;
  std::string kind;       // GBK, at most 15 bytes
  std::string title;      // GBK, at most 63 bytes
  std::string key;        // GBK, at most 31 bytes
  std::string fileName;   // GBK, at most 63 bytes
  std::string localPath;  // where the file is kept on this machine
};

// ---- The link ----

// The identity and session fields (ServerSession) are the link's own, read
// as link.station, link.rights and so on.
class CServerLink : public ServerSession {
 public:
  static constexpr size_t kReplyCapacity = 4194304;
  static constexpr int kProgramVersion = 113;
  static constexpr int kRightsCount = kServerRightsCount;

  CServerLink();
  ~CServerLink();
  CServerLink(const CServerLink&) = delete;
  CServerLink& operator=(const CServerLink&) = delete;

  // ---- configuration and session ----

  // Reads "<programFolder>ZizTolvane.ini" (the folder ends in its separator),
  // the workstation identity, and refreshes the language file.  1 when the
  // configuration was read; 0 when the file or one of its markers is missing,
  // or its port is unusable.
  int Init(std::string_view programFolder);
  // Reads the settings from the text of a configuration file (its first
  // 1,000 bytes count).  False when a marker is missing or the port lies
  // outside 1..65535.
  bool ReadConfiguration(std::string_view fileText);

  // Posts a JSON text.  Without a buffer the reply goes into the link's reply
  // buffer (capacity kReplyCapacity; so does a capacity of 0).  The buffer is
  // emptied first and stays empty when the transport fails.  Returns the body
  // length or a negative transport code.
  int Post(std::string_view json, std::string* reply = nullptr, size_t capacity = 0);

  // The login number (above 0) on success; the transport's result when it is
  // below 1; else the ReturnValue when it is below 1.  keep == 0 stores the
  // account and password for the silent re-login.
  int Login(std::u16string_view account, std::u16string_view password, int keep);
  // Sends "sUserLoginOut" when logged in.
  void Logout();
  // 1 when a newer language file was written, 0 when the server had none,
  // otherwise the transport's result (or a negative local code).
  int FetchLanguageFile();
  // Reads "ReturnValue" (0 when missing) from the reply (the link's reply
  // when none is given), stores it as the last ReturnValue and shows the
  // server's messages; -402 logs in again silently.  Returns the stored value.
  int CheckReturnValue(const std::string* reply = nullptr);
  // Language text 20023 with "%1" replaced by the last ReturnValue.
  std::u16string LastErrorText() const;
  // 1 when xRight byte `position` (0..15) or xRighte byte position mod 16
  // (16 and above) has a bit of `mask`.
  int HasRight(int position, unsigned mask) const;
  // A copy of the identity and session of the last login, taken in one step.
  ServerSession Session() const;
  // A copy of the rights flags of the last login.
  std::array<int32_t, kRightsCount> Rights() const;
  // The password kept for the silent re-login.
  std::u16string StoredPassword() const;
  // Writes a line of the server's system log ("cp_sys_log_add").
  void WriteSystemLog(std::string_view kind, std::u16string_view text, int first, int second);
  // Replaces the password kept for the silent re-login (after a change).
  void SetStoredPassword(std::u16string_view password);

  // The "cUserPwd" digest of a password for a time stamp.
  static std::string PasswordDigest(uint32_t timeStamp, std::u16string_view password);

  // ---- SQL requests ----

  // Scrambles the text in place with the session key and returns the CRC-32
  // of the plain text; texts under 10 bytes give 0 and stay unchanged.
  uint32_t ScrambleSql(std::string& text) const;
  // "sSqlQuery" / "sSqlExe".  The caller's text is not changed (the link
  // scrambles a copy).  Returns the body length, kServerSqlTooShort,
  // kServerRequestTooLarge or a transport code.
  int SqlQuery(std::string_view sql, std::span<const uint32_t> types,
               std::string* reply = nullptr, size_t capacity = 0);
  int SqlExecute(std::string_view sql, std::span<const uint32_t> types,
                 std::string* reply = nullptr, size_t capacity = 0);
  // The record id of a waybill by id, service number or number; 0 when none.
  int FindWaybillId(uint32_t id, std::string_view number, bool serviceNumber);

  // ---- named requests (none of them shows a message or logs in again) ----

  int FetchNumber(unsigned kindNumber, std::string& output, std::string_view kindText,
                  int32_t customerId);
  int QueryPrice(PriceQuery& query);
  int QuerySpecialPrice(SpecialPriceQuery& query);
  int FetchRecord(int32_t recordId, std::optional<std::string_view> number,
                  std::string_view secondText);
  int FetchPreInput(int32_t id, std::optional<std::string_view> number,
                    std::optional<std::string_view> secondText,
                    std::optional<std::string_view> thirdText);
  int FetchTemplate(int32_t id, std::string_view kind, std::string_view name);
  int DownloadFile(const FileRequest& request);
  int DownloadPicture(int32_t length, std::string_view sql, std::string_view localPath);
  int UploadData(int32_t length, std::string_view sql, std::string_view bytes);
  int DownloadData(int32_t length, std::string_view sql, std::string& output);

  // ---- the shared reply ----

  // Holds the reply lock: no other request through the shared buffer can
  // run until the guard goes.  The lock may be taken again by the same
  // thread, so a caller holds it around its request and its reading.
  class ReplyGuard {
   public:
    explicit ReplyGuard(const CServerLink& link) : link_(link), lock_(link.replyMutex_) {}
    const std::string& Text() const { return link_.reply_; }

   private:
    const CServerLink& link_;
    std::unique_lock<std::recursive_mutex> lock_;
  };
  ReplyGuard LockReply() const { return ReplyGuard(*this); }
  std::string CopyReply() const;
  // The shared reply itself; read it only while holding LockReply.
  const std::string& Reply() const { return reply_; }

  bool LoggedIn() const;
  const std::string& ProgramFolder() const { return programFolder_; }

  // ---- identity, settings and session, read directly by the screens ----
  //
  // The link writes the fields of its ServerSession (and the password) only
  // under both its reply lock and its session lock, all of one login at
  // once.  Reading them directly is safe on a thread that holds the reply
  // lock (LockReply), or while no other thread can use the link; elsewhere
  // take Session().

  uint16_t osVersion = 0;
  std::u16string password;     // last interactive login, for the silent re-login
  std::string machineMark;     // 32 lower-case hex digits
  std::array<uint8_t, 6> macAddress{};
  std::string workstationId;   // WCID
  std::string host;            // HOST
  std::string apiPath;         // API
  std::string languageCode;    // LAN
  std::u16string languageCodeW;
  int32_t port = 80;           // PORT
  int32_t lastReturnValue = 0;
  std::shared_ptr<BagDefaults> bagDefaults;
  int32_t pickupDays = 3;
  int32_t pickupRecords0 = 200;
  int32_t pickupRecords1 = 200;

 private:
  void ClearSession();
  // Puts a login's identity in place in one step, with the password kept
  // for the silent re-login when one is given.
  void PublishSession(const ServerSession& next, const std::u16string* newPassword);
  int SendSql(std::string_view requestName, std::string_view sql,
              std::span<const uint32_t> types, size_t requestLimit, std::string* reply,
              size_t capacity);
  int SendDataRequest(std::string_view requestName, int32_t length, std::string_view sql,
                      std::string_view data, size_t requestLimit, int& returnValue);
  int ReceiveFile(int result, const std::string& path, int written);
  void ShowMessage(int textId);

  std::string programFolder_;
  std::string reply_;
  // Lock order: the reply lock first, then the session lock.
  mutable std::recursive_mutex replyMutex_;
  mutable std::mutex sessionMutex_;
};
