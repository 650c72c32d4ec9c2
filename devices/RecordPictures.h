#pragma once
// Pictures of a record: the four picture tables and their kinds, the
// statements that list, describe, fetch, allot and store pictures, the local
// cache of downloaded pictures, and what the pictures dialog does without
// its window (PictureSession; CPictureDlg in ui/ shows it).
//
// The cache: a picture is kept as "<folder>/<prefix><key %08u>_<pos %02u>.<ext>"
// and used again while the file is not older than the time the server
// stored the picture.  The extension comes from the server; it takes part
// in a file name only when it is letters and digits (a stored "/../../x"
// would leave the cache folder), else the picture is neither written nor
// shown.  The file is written without execute permission and is handed to
// the desktop's opener only once it was decoded as a picture.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/ProcedureCall.h"

class CRasterImage;
class CServerLink;

namespace pictures {

// Kinds 0 to 6 (3 is a waybill's pictures).
inline constexpr int kKindCount = 7;
inline constexpr int kKindWaybill = 3;
inline constexpr uint32_t kLastPosition = 255;
// A chosen file is taken up to this many bytes.
inline constexpr int64_t kFileLimit = 512000;
// A stored picture of this many bytes or fewer counts as none.
inline constexpr int32_t kMissingLength = 100;
// The display area of the dialog.
inline constexpr int kDisplayWidth = 640;
inline constexpr int kDisplayHeight = 480;

struct KindTable {
  const char* table;
  const char* keyColumn;
  const char* positionColumn;
  const char* prefix;     // of the cached file's name
  bool goodsFolder;       // DATA_GDPIC, else DATA_TEMP/CAPPIC
  const char* procedure;  // the allotting procedure, null: view only
  bool signs;             // the store statement writes "cinput"
};
// The table of a kind; null for a kind outside 0..6.
const KindTable* KindTableOf(int kind);

// ---- statements (GBK); empty for a kind outside 0..6 ----

// "SELECT npos FROM brantle.dbo.<table> WHERE <key>=%u ORDER BY npos".
std::string IndexSql(int kind, uint32_t key);
// "SELECT cext,ilen,ddate FROM brantle.dbo.<table> WHERE <key>=%u AND <pos>=%u".
std::string DescriptionSql(int kind, uint32_t key, uint32_t position);
// "SELECT vdata FROM brantle.dbo.<table> WHERE <key>=%u AND <pos>=%u" ("sPicData").
std::string DataSql(int kind, uint32_t key, uint32_t position);
// "{?=CALL brantle.dbo.cp_..._set(key,second,position)}"; empty for the
// view-only kinds 1 and 6.
std::string AllotSql(int kind, int32_t key, int32_t second, int32_t position);
// The "sDataPut" statement that stores the bytes at an allotted position:
// "UPDATE brantle.dbo.<table> SET ilen=..,cext='..',ddate=GETDATE(),
// [cinput='..',]vdata=? WHERE <key>=.. AND npos=.."; the extension and the
// account with their quotes doubled.
std::string StoreSql(int kind, int32_t length, std::string_view extension,
                     std::string_view accountGbk, int32_t key, int32_t position);
std::vector<uint32_t> IndexTypes();
std::vector<uint32_t> DescriptionTypes();
std::vector<uint32_t> ProcedureTypes();

// ---- the cache ----

// "<programFolder>DATA_GDPIC" (kind 0) or "<programFolder>DATA_TEMP/CAPPIC";
// the program folder ends in its separator.
std::string CacheFolder(int kind, const std::string& programFolder);
// "<folder>/<prefix>%08u_%02u.<extension>".
std::string CacheFileName(const std::string& folder, int kind, uint32_t key, uint32_t position,
                          std::string_view extension);
// True for a non-empty text of ASCII letters and digits only.
bool IsPlainExtension(std::u16string_view extension);
bool IsPlainExtension(std::string_view extension);
// A stored time "yyyy-mm-dd hh:mm:ss" (year, month, day, hour, minute and
// second at characters 0, 5, 8, 11, 14, 17) as yyyymmddhhmmss; 0 when the
// text is too short or holds no number there.
int64_t StoredTimeNumber(std::string_view text);
// The modification time of a file, local time, as yyyymmddhhmmss; -1 when
// there is no such file.
int64_t FileTimeNumber(const std::string& path);
// True when the desktop's opener may be given the file: a picture type by
// its extension, not executable.
bool MayOpenWithDesktop(const std::string& path);

// ---- the chosen file ----

// The extension of the file name's last '.', when shorter than 4
// characters; empty when there is none ("photo.jpeg" has none).
std::u16string UploadExtension(std::u16string_view path);

// A picture's size fitted into the display area, the aspect kept.
struct DisplaySize {
  int width = 0;
  int height = 0;
};
DisplaySize FitToDisplay(uint32_t width, uint32_t height);

// ---- the server ----

class PictureLink {
 public:
  virtual ~PictureLink() = default;
  // "sSqlQuery": the reply, empty when none came.
  virtual std::string Query(std::string_view sql, const std::vector<uint32_t>& types) = 0;
  // A procedure with one result column; false when no reply counted.
  virtual bool Call(std::string_view sql, serverlink::ProcedureResult& out) = 0;
  // CServerLink::DownloadPicture ("sPicData"): 2 when the file was written.
  virtual int DownloadPicture(int32_t length, std::string_view sql, const std::string& path) = 0;
  // CServerLink::UploadData ("sDataPut"): above 0 when stored.
  virtual int Upload(int32_t length, std::string_view sql, std::string_view bytes) = 0;
};
// The program's link; each request through platform::WaitForWork.
std::unique_ptr<PictureLink> MakeServerPictureLink(CServerLink& link);

// The positions of a record's pictures, ascending; -1 for a kind outside
// 0..6, 0 when no reply came, else 1.
int LoadPictureIndex(PictureLink& link, uint32_t key, std::vector<uint32_t>& positions,
                     int kind);

// FetchPicture results besides DownloadPicture's own.
inline constexpr int kFetchBadKind = -1;
inline constexpr int kFetchNoFolder = -4;
inline constexpr int kFetchUnsafeExtension = -5;
inline constexpr int kFetchNone = 0;
inline constexpr int kFetchCached = 1;
inline constexpr int kFetchWritten = 2;
// Puts a picture into the cache folder (made when missing); `path` names
// the cached file (empty unless the result is 1 or above).
int FetchPicture(PictureLink& link, uint32_t key, uint32_t position, const std::string& folder,
                 std::string& path, int kind);

// ---- the dialog's work ----

class PictureSession {
 public:
  struct Environment {
    std::string programFolder;  // ends in its separator
    std::string accountGbk;     // the logged-in account
  };

  PictureSession(PictureLink& link, Environment env, int32_t key, int32_t second, int kind,
                 bool uploadAllowed);
  ~PictureSession();

  // The caption's text id: 0 for kind 0 (the dialog's own "关联图片"),
  // 300010 for kind 2, 300011 for the others.
  int CaptionTextId() const;

  // Reloads the positions and drops the picture, the chosen file and the
  // opened file.
  void Refresh();
  // Shows the picture at a position (fetched into the cache); false when
  // nothing new is shown.
  bool ShowPosition(uint32_t position);
  // Link #n (0..4): the n-th position, when there are more than n.
  bool ShowLink(int n);
  // The operator chose a file to upload.
  bool ChooseFile(const std::u16string& path);
  // Uploads the chosen file at the wanted position (the "位置:" value).
  bool Upload(int wanted);

  // ---- what the dialog shows ----
  const std::vector<uint32_t>& Positions() const { return positions_; }
  // The first five positions as the links show them ("#%u").
  std::vector<std::u16string> LinkTexts() const;
  const CRasterImage* Picture() const { return picture_.get(); }
  DisplaySize Display() const { return display_; }
  const std::u16string& PathLabel() const { return pathLabel_; }
  // The file "System Open >>>" hands to the desktop (empty: none).
  const std::string& OpenedFile() const { return openedFile_; }
  bool OpenEnabled() const { return !openedFile_.empty(); }
  bool ChooseEnabled() const { return uploadAllowed_; }
  bool UploadEnabled() const { return uploadEnabled_; }
  int Kind() const { return kind_; }
  int32_t Key() const { return key_; }
  int64_t ChosenLength() const { return static_cast<int64_t>(chosenBytes_.size()); }

 private:
  void Message(int textId);
  void TakePicture(std::unique_ptr<CRasterImage> picture);

  PictureLink& link_;
  Environment env_;
  int32_t key_;
  int32_t second_;
  int kind_;
  bool uploadAllowed_;
  std::vector<uint32_t> positions_;
  std::unique_ptr<CRasterImage> picture_;
  DisplaySize display_;
  std::u16string pathLabel_;
  std::string openedFile_;
  std::u16string chosenPath_;
  std::string chosenBytes_;
  bool uploadEnabled_ = false;
};

}  // namespace pictures
