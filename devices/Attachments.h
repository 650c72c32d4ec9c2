#pragma once
// File attachments of business records: the six kinds of record that carry
// them, the statements that list, add, fill, fetch and delete them, the
// zlib form the bytes travel in, and where a downloaded file lands.  No
// window is needed; CAttachmentDlg (ui/) shows an AttachmentSession.
//
// A downloaded file keeps only the base name the server holds for it,
// made safe for a file name, so a stored name such as "../../x.sh" lands as
// "x.sh" in the download folder and nowhere else.  It is written without
// execute permission and opened only through the desktop's opener; a file
// that could run as a program (a script, a ".desktop" file, an executable)
// is never opened, its path is shown instead.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/ProcedureCall.h"

class CServerLink;

namespace attachment {

// Kinds 0 to 5; the caption of kind k is language text 340020 + k.
inline constexpr int kKindCount = 6;
inline constexpr int kKindAwb = 2;       // master air waybill, keyed by its number
inline constexpr int kKindPayment = 3;   // customer payment, keyed by ifid

// A file is offered for adding up to this length, and added up to the
// second one.
inline constexpr int64_t kBrowseLimit = 5000000;
inline constexpr int64_t kAddLimit = 1048576;
// The longest compressed copy an added file can have: zlib's bound for a
// file of kAddLimit bytes that does not compress.
int64_t CompressedLimit();

// The key texts and file names are cut to these many bytes (GBK).
inline constexpr size_t kKeyTextBytes = 30;
inline constexpr size_t kFileNameBytes = 255;

struct KindTable {
  const char* table;
  const char* keyColumn;
  bool keyIsText;
};
// The table of a kind; null for a kind outside 0..5.
const KindTable* KindTableOf(int kind);

// The record whose attachments are meant: kind 2 by its text, the others by
// their id.
struct RecordKey {
  int kind = 0;
  int32_t id = 0;
  std::u16string text;
};

// ---- statements (GBK) ----

// "SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.<table> WHERE
// <key>=... ORDER BY ddate DESC"; the key text cut to 30 bytes, then its
// quotes doubled.
std::string ListSql(const RecordKey& key);
// The column types of the list query.
std::vector<uint32_t> ListTypes();
// "{?=CALL brantle.dbo.cp_<table>_add(key,ilen,izlen,'cfile','','coper')}";
// the file name cut to 255 bytes and the account to 30, each with its
// quotes doubled.
std::string AddSql(const RecordKey& key, int32_t length, int32_t compressedLength,
                   std::u16string_view fileName, std::string_view accountGbk);
// "{?=CALL brantle.dbo.cp_<table>_del(iid,'coper')}".
std::string DeleteSql(int kind, int32_t iid, std::string_view accountGbk);
// The one result column of the add and delete calls.
std::vector<uint32_t> ProcedureTypes();
// "UPDATE brantle.dbo.<table> SET vdata=? WHERE iid=<iid>" ("sDataPut").
std::string DataPutSql(int kind, int32_t iid);
// "SELECT vdata FROM brantle.dbo.<table> WHERE iid=<iid>" ("sDataGet").
std::string DataGetSql(int kind, int32_t iid);

// ---- the bytes ----

// zlib compress into a buffer of compressBound(length); false when zlib
// fails.
bool Compress(std::string_view bytes, std::string& out);
// zlib uncompress of exactly `length` bytes; false when the data is damaged
// or gives another length.
bool Uncompress(std::string_view compressed, size_t length, std::string& out);

// ---- files ----

// The part of a path after its last "/" or "\".
std::u16string BaseName(std::u16string_view path);
// Where a download of a stored name lands: "<desktop>/<name>", or
// "<programFolder>DATA_TEMP/<name>" when there is no desktop folder (empty,
// or not there); the name is the stored name's base name made safe
// (SafeFileNameW).
std::u16string DownloadPath(std::u16string_view desktop, std::u16string_view programFolder,
                            std::u16string_view storedName);
// True when the file could run as a program when opened: a script or
// executable by its name (".sh", ".desktop", ".exe", ...) or by its first
// bytes ("#!", an ELF or a DOS/Windows executable header).
bool CouldRunAsProgram(std::u16string_view name, std::string_view bytes);
// Writes the bytes as the file at `path`, replacing a file of that name
// (written beside it, then renamed over it), readable and writable by its
// owner and readable by others, never executable.  Creates a missing
// DATA_TEMP folder.  False when it could not be written.
bool WriteDownload(const std::u16string& path, std::string_view bytes);

// ---- the server and the desktop, as the session uses them ----

class AttachmentLink {
 public:
  virtual ~AttachmentLink() = default;
  // "sSqlQuery": the reply, empty when none came.
  virtual std::string Query(std::string_view sql, const std::vector<uint32_t>& types) = 0;
  // A procedure with one result column; false when no reply counted.
  virtual bool Call(std::string_view sql, serverlink::ProcedureResult& out) = 0;
  // "sDataPut" / "sDataGet" as CServerLink::UploadData / DownloadData.
  virtual int Upload(int32_t length, std::string_view sql, std::string_view bytes) = 0;
  virtual int Download(int32_t length, std::string_view sql, std::string& out) = 0;
  virtual std::u16string LastErrorText() = 0;
};
// The program's link; each request through platform::WaitForWork.
std::unique_ptr<AttachmentLink> MakeServerAttachmentLink(CServerLink& link);

// Opens a downloaded file with the desktop's opener (never runs it).
class AttachmentOpener {
 public:
  virtual ~AttachmentOpener() = default;
  virtual void Open(const std::u16string& path) = 0;
};

struct AttachmentRights {
  bool add = false;
  bool remove = false;
};
// The add and delete rights of the login for a kind ("xRight" byte 13:
// 0x08 add, 0x04 delete).
AttachmentRights RightsOf(const CServerLink& link, int kind);

// One attachment as the list shows it.
struct AttachmentRow {
  int32_t iid = 0;
  int32_t length = 0;
  int32_t compressedLength = 0;
  std::u16string fileName;
  std::u16string account;
  std::u16string added;  // time added, as the server writes it
};

// What CAttachmentDlg does, without its window.  Every failure is shown
// through the message-box service.
class AttachmentSession {
 public:
  enum State { kNothing = -1, kFileChosen = 0, kRowPicked = 1 };

  struct Environment {
    std::string accountGbk;          // the logged-in account (at most 30 bytes)
    AttachmentRights rights;
    std::u16string desktopFolder;    // empty: none
    std::u16string programFolder;    // ends in its separator
  };

  // The environment of the program's login: its account and rights for the
  // kind, the desktop folder, the link's program folder.
  static Environment EnvironmentOf(const CServerLink& link, int kind);

  AttachmentSession(AttachmentLink& link, AttachmentOpener& opener, RecordKey key,
                    Environment env);

  // The window caption: text 340032 (kind 2) or 340033 with the kind's
  // caption and the key.
  std::u16string Caption() const;
  // Queries the list; false when no reply came (the list is then empty).
  bool Load();

  // The operator chose a file to add: refused (text 20031, 340030, 340031)
  // when it cannot be opened, is longer than 5,000,000 bytes or empty.
  bool Browse(const std::u16string& path);
  // The operator picked an attachment of the list; false for none.
  bool Pick(int32_t iid);
  // The action button: adds in state 0, downloads in state 1.
  bool Act();
  // Adds the chosen file; on success the new row is the first of the list.
  bool Add();
  // Downloads the picked attachment; `downloadedPath` holds where it went.
  bool Download();
  // Deletes the picked attachment.
  bool Delete();

  // ---- what the dialog shows ----
  const RecordKey& Key() const { return key_; }
  const std::vector<AttachmentRow>& Rows() const { return rows_; }
  State CurrentState() const { return state_; }
  int32_t AttachmentId() const { return attachmentId_; }
  const std::u16string& FileField() const { return fileField_; }
  void SetFileField(std::u16string text) { fileField_ = std::move(text); }
  int64_t FileLength() const { return fileLength_; }
  bool ActionEnabled() const { return actionEnabled_; }
  // The action button's text: 340003 (add) or 340004 (download).
  int ActionTextId() const { return actionTextId_; }
  bool DeleteShown() const { return deleteShown_; }
  bool openAfterDownload = true;
  const std::u16string& DownloadedPath() const { return downloadedPath_; }
  const Environment& Env() const { return env_; }

 private:
  void ShowServerRefusal(const serverlink::ProcedureResult* result);
  void ResetToNothing();

  AttachmentLink& link_;
  AttachmentOpener& opener_;
  RecordKey key_;
  Environment env_;
  std::vector<AttachmentRow> rows_;
  State state_ = kNothing;
  int32_t attachmentId_ = 0;
  std::u16string fileField_;
  int64_t fileLength_ = 0;
  bool actionEnabled_ = false;
  int actionTextId_ = 340003;
  bool deleteShown_ = false;
  std::u16string downloadedPath_;
};

}  // namespace attachment
