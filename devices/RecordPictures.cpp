#include "devices/RecordPictures.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <new>

#include "common/Base64.h"
#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "devices/ServerWork.h"
#include "image/RasterImage.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"

namespace pictures {

namespace {

// Language ids.
constexpr int kTextMessageCaption = 20001;
constexpr int kTextOutOfMemory = 20020;
constexpr int kTextReadShort = 20031;
constexpr int kTextCaptionTransfer = 300010;
constexpr int kTextCaptionRecord = 300011;
constexpr int kTextCannotOpen = 300021;
constexpr int kTextTooLong = 300022;
constexpr int kTextCannotCreate = 300023;
constexpr int kTextNotPicture = 300024;
constexpr int kTextPositionOutside = 300025;
constexpr int kTextNoExtension = 300026;
constexpr int kTextPositionRefused = 300029;
constexpr int kTextUnsafeExtension = 713000;
constexpr int kTextNotStored = 713001;

constexpr KindTable kKinds[kKindCount] = {
    {"w_goods_pic", "giid", "npos", "WP", true, "cp_w_goods_pic_set", false},
    {"w_g_in_pic", "iid", "wpos", "WIN", false, nullptr, false},
    {"rec_trans_pic", "iid", "npos", "TRS", false, "cp_rec_trans_pic_set", true},
    {"client_rec_picc", "irid", "npos", "REC", false, "cp_client_rec_picc_set", true},
    {"client_rec_picc", "irid", "npos", "REC", false, "cp_client_rec_picc_set", true},
    {"client_rec_picc", "irid", "npos", "REC", false, "cp_client_rec_picc_set", true},
    {"client_rec_picc", "irid", "npos", "REC", false, nullptr, false},
};

std::string Num(int64_t n) { return std::to_string(n); }

std::u16string Text(int id) { return AppLanguage().Text(id); }

std::u16string Replace(std::u16string text, std::u16string_view mark, std::u16string_view value) {
  ReplaceAllW(text, mark, value);
  return text;
}

std::u16string WideNumber(int64_t n) {
  const std::string s = Num(n);
  return std::u16string(s.begin(), s.end());
}

QString Q(std::u16string_view s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Where(const KindTable& t, uint32_t key, uint32_t position) {
  return std::string(" FROM brantle.dbo.") + t.table + " WHERE " + t.keyColumn + "=" + Num(key) +
         " AND " + t.positionColumn + "=" + Num(position);
}

// The picture extensions the desktop's viewer is given.
constexpr const char* kPictureExtensions[] = {
    "jpg", "jpe", "jpeg", "jfif", "bmp", "dib", "gif", "png", "ico", "cur", "tga", "pcx",
    "wbmp", "wmf", "emf", "jp2", "j2k", "jpc", "j2c", "pgx", "pnm", "pbm", "pgm", "ppm", "ras",
    "tif", "tiff"};

class ServerPictureLink : public PictureLink {
 public:
  explicit ServerPictureLink(CServerLink& link) : link_(link) {}

  std::string Query(std::string_view sql, const std::vector<uint32_t>& types) override {
    return serverwork::Query(link_, sql, types);
  }
  bool Call(std::string_view sql, serverlink::ProcedureResult& out) override {
    return serverwork::Call(link_, sql, ProcedureTypes(), out);
  }
  int DownloadPicture(int32_t length, std::string_view sql, const std::string& path) override {
    return platform::WaitForWork([&] { return link_.DownloadPicture(length, sql, path); });
  }
  int Upload(int32_t length, std::string_view sql, std::string_view bytes) override {
    return serverwork::Upload(link_, length, sql, bytes);
  }

 private:
  CServerLink& link_;
};

}  // namespace

const KindTable* KindTableOf(int kind) {
  return kind >= 0 && kind < kKindCount ? &kKinds[kind] : nullptr;
}

std::string IndexSql(int kind, uint32_t key) {
  const KindTable* t = KindTableOf(kind);
  if (!t) return {};
  return std::string("SELECT ") + t->positionColumn + " FROM brantle.dbo." + t->table + " WHERE " +
         t->keyColumn + "=" + Num(key) + " ORDER BY " + t->positionColumn;
}

std::string DescriptionSql(int kind, uint32_t key, uint32_t position) {
  const KindTable* t = KindTableOf(kind);
  if (!t) return {};
  return "SELECT cext,ilen,ddate" + Where(*t, key, position);
}

std::string DataSql(int kind, uint32_t key, uint32_t position) {
  const KindTable* t = KindTableOf(kind);
  if (!t) return {};
  return "SELECT vdata" + Where(*t, key, position);
}

std::string AllotSql(int kind, int32_t key, int32_t second, int32_t position) {
  const KindTable* t = KindTableOf(kind);
  if (!t || !t->procedure) return {};
  return std::string("{?=CALL brantle.dbo.") + t->procedure + "(" + Num(key) + "," + Num(second) +
         "," + Num(position) + ")}";
}

std::string StoreSql(int kind, int32_t length, std::string_view extension,
                     std::string_view accountGbk, int32_t key, int32_t position) {
  const KindTable* t = KindTableOf(kind);
  if (!t || !t->procedure) return {};
  std::string sql = std::string("UPDATE brantle.dbo.") + t->table + " SET ilen=" + Num(length) +
                    ",cext='" + QuoteSqlNarrow(extension) + "',ddate=GETDATE(),";
  if (t->signs) sql += "cinput='" + QuoteSqlNarrow(accountGbk) + "',";
  sql += std::string("vdata=? WHERE ") + t->keyColumn + "=" + Num(key) + " AND npos=" +
         Num(position);
  return sql;
}

std::vector<uint32_t> IndexTypes() { return {AcsTypeEntry(kSqlCSLong)}; }

std::vector<uint32_t> DescriptionTypes() {
  return {AcsTypeEntry(kSqlCChar, 8), AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCTimestamp)};
}

std::vector<uint32_t> ProcedureTypes() { return {AcsTypeEntry(kSqlCSLong)}; }

std::string CacheFolder(int kind, const std::string& programFolder) {
  const KindTable* t = KindTableOf(kind);
  if (!t) return {};
  return programFolder + (t->goodsFolder ? "DATA_GDPIC" : "DATA_TEMP/CAPPIC");
}

std::string CacheFileName(const std::string& folder, int kind, uint32_t key, uint32_t position,
                          std::string_view extension) {
  const KindTable* t = KindTableOf(kind);
  if (!t) return {};
  char name[64];
  std::snprintf(name, sizeof name, "%s%08u_%02u.", t->prefix, key, position);
  return folder + "/" + name + std::string(extension);
}

bool IsPlainExtension(std::string_view extension) {
  if (extension.empty()) return false;
  return std::all_of(extension.begin(), extension.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

bool IsPlainExtension(std::u16string_view extension) {
  if (extension.empty()) return false;
  return std::all_of(extension.begin(), extension.end(), [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
  });
}

int64_t StoredTimeNumber(std::string_view text) {
  if (text.size() < 19) return 0;
  auto field = [&](size_t at, size_t length, int& out) {
    out = 0;
    for (size_t i = at; i < at + length; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      out = out * 10 + (text[i] - '0');
    }
    return true;
  };
  int year, month, day, hour, minute, second;
  if (!field(0, 4, year) || !field(5, 2, month) || !field(8, 2, day) || !field(11, 2, hour) ||
      !field(14, 2, minute) || !field(17, 2, second))
    return 0;
  return PackDateTimeNumber(year, month, day, hour, minute, second);
}

int64_t FileTimeNumber(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  std::tm local{};
  const std::time_t t = st.st_mtime;
  if (!::localtime_r(&t, &local)) return -1;
  return PackDateTimeNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                            local.tm_min, local.tm_sec);
}

bool MayOpenWithDesktop(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if ((st.st_mode & 0111) != 0) return false;
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::any_of(std::begin(kPictureExtensions), std::end(kPictureExtensions),
                     [&](const char* known) { return extension == known; });
}

std::u16string UploadExtension(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"/\\");
  const std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(u'.');
  if (dot == std::u16string_view::npos) return {};
  const std::u16string_view extension = name.substr(dot + 1);
  if (extension.empty() || extension.size() >= 4) return {};
  return std::u16string(extension);
}

DisplaySize FitToDisplay(uint32_t width, uint32_t height) {
  if (width == 0 || height == 0) return {};
  const double rw = static_cast<double>(kDisplayWidth) / width;
  const double rh = static_cast<double>(kDisplayHeight) / height;
  if (rw == 1 && rh == 1) return {static_cast<int>(width), static_cast<int>(height)};
  const double r = std::min(rw, rh);
  return {static_cast<int>(width * r), static_cast<int>(height * r)};
}

std::unique_ptr<PictureLink> MakeServerPictureLink(CServerLink& link) {
  return std::make_unique<ServerPictureLink>(link);
}

int LoadPictureIndex(PictureLink& link, uint32_t key, std::vector<uint32_t>& positions, int kind) {
  positions.clear();
  if (!KindTableOf(kind)) return -1;
  const std::string reply = link.Query(IndexSql(kind, key), IndexTypes());
  if (reply.empty()) return 0;
  if (JsonGetInt("iTotal", reply, 0) <= 0) return 1;
  const std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex row;
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    positions.push_back(static_cast<uint32_t>(row.GetInt("0", 0)));
  }
  return 1;
}

int FetchPicture(PictureLink& link, uint32_t key, uint32_t position, const std::string& folder,
                 std::string& path, int kind) {
  path.clear();
  if (!KindTableOf(kind)) return kFetchBadKind;
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) return kFetchNoFolder;
  }
  const std::string reply = link.Query(DescriptionSql(kind, key, position), DescriptionTypes());
  if (reply.empty() || JsonGetInt("iTotal", reply, 0) <= 0) return kFetchNone;
  const std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  if (!JsonNextObject(list, pos, object)) return kFetchNone;
  JsonRowIndex row(object);
  const int32_t length = row.GetInt("1", 0);
  if (length <= kMissingLength) return kFetchNone;
  std::string extension = row.GetString("0", 8);
  while (!extension.empty() && (extension.back() == ' ' || extension.back() == '\0'))
    extension.pop_back();
  // The server's extension becomes part of a file name: letters and digits
  // only, so that no stored text can lead the file out of the folder.
  if (!IsPlainExtension(std::string_view(extension))) return kFetchUnsafeExtension;
  const int64_t stored = StoredTimeNumber(row.GetString("2", 30));
  const std::string target = CacheFileName(folder, kind, key, position, extension);
  const int64_t local = FileTimeNumber(target);
  if (local >= 0 && local >= stored) {
    path = target;
    return kFetchCached;
  }
  const int result = link.DownloadPicture(length, DataSql(kind, key, position), target);
  if (result >= kFetchCached) path = target;
  return result;
}

// ---- PictureSession ----

PictureSession::PictureSession(PictureLink& link, Environment env, int32_t key, int32_t second,
                               int kind, bool uploadAllowed)
    : link_(link),
      env_(std::move(env)),
      key_(key),
      second_(second),
      kind_(kind),
      uploadAllowed_(uploadAllowed) {}

PictureSession::~PictureSession() = default;

int PictureSession::CaptionTextId() const {
  if (kind_ == 2) return kTextCaptionTransfer;
  if (kind_ > 0) return kTextCaptionRecord;
  return 0;
}

void PictureSession::Message(int textId) {
  platform::ShowMessageBox(Text(textId), Text(kTextMessageCaption));
}

void PictureSession::Refresh() {
  LoadPictureIndex(link_, static_cast<uint32_t>(key_), positions_, kind_);
  picture_.reset();
  display_ = {};
  chosenBytes_.clear();
  chosenPath_.clear();
  pathLabel_.clear();
  openedFile_.clear();
  uploadEnabled_ = false;
}

std::vector<std::u16string> PictureSession::LinkTexts() const {
  std::vector<std::u16string> texts;
  for (size_t i = 0; i < positions_.size() && i < 5; ++i) texts.push_back(u"#" + WideNumber(positions_[i]));
  return texts;
}

void PictureSession::TakePicture(std::unique_ptr<CRasterImage> picture) {
  picture_ = std::move(picture);
  display_ = FitToDisplay(picture_->GetWidth(), picture_->GetHeight());
}

bool PictureSession::ShowPosition(uint32_t position) {
  const std::string folder = CacheFolder(kind_, env_.programFolder);
  std::string path;
  const int fetched = FetchPicture(link_, static_cast<uint32_t>(key_), position, folder, path, kind_);
  if (fetched == kFetchUnsafeExtension) {
    platform::ShowMessageBox(Replace(Text(kTextUnsafeExtension), u"%1", WideNumber(position)),
                             Text(kTextMessageCaption));
    return false;
  }
  if (fetched < kFetchCached || path.empty()) return false;
  std::unique_ptr<CRasterImage> picture;
  try {
    picture = std::make_unique<CRasterImage>(path.c_str(), FormatUnknown);
  } catch (const std::bad_alloc&) {
    Message(kTextCannotCreate);
    return false;
  }
  if (!picture->IsValid()) {
    // The previous picture stays, and so does the file the opener is given:
    // a file that is no picture is never handed to the desktop.
    Message(kTextNotPicture);
    return false;
  }
  TakePicture(std::move(picture));
  openedFile_ = path;
  pathLabel_ = QString::fromUtf8(path.c_str()).toStdU16String();
  uploadEnabled_ = false;
  return true;
}

bool PictureSession::ShowLink(int n) {
  if (n < 0 || n >= 5 || static_cast<size_t>(n) >= positions_.size()) return false;
  return ShowPosition(positions_[static_cast<size_t>(n)]);
}

bool PictureSession::ChooseFile(const std::u16string& path) {
  if (!uploadAllowed_ || path.empty()) return false;
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly)) {
    Message(kTextCannotOpen);
    return false;
  }
  const int64_t length = file.size();
  if (length > kFileLimit) {
    Message(kTextTooLong);
    return false;
  }
  std::string bytes;
  try {
    bytes.resize(static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    Message(kTextOutOfMemory);
    return false;
  }
  if (length > 0 && file.read(bytes.data(), length) != length) {
    Message(kTextReadShort);
    return false;
  }
  std::unique_ptr<CRasterImage> picture;
  try {
    picture = std::make_unique<CRasterImage>(reinterpret_cast<const uint8_t*>(bytes.data()),
                                             bytes.size(), FormatUnknown);
  } catch (const std::bad_alloc&) {
    Message(kTextCannotCreate);
    return false;
  }
  if (!picture->IsValid()) {
    // Dropped: nothing that is no picture goes up.
    picture_.reset();
    display_ = {};
    chosenBytes_.clear();
    chosenPath_.clear();
    uploadEnabled_ = false;
    Message(kTextNotPicture);
    return false;
  }
  chosenBytes_ = std::move(bytes);
  chosenPath_ = path;
  TakePicture(std::move(picture));
  pathLabel_ = path;
  uploadEnabled_ = true;
  return true;
}

bool PictureSession::Upload(int wanted) {
  if (!uploadAllowed_ || chosenBytes_.empty() || chosenPath_.empty()) return false;
  if (wanted < 1 || wanted > static_cast<int>(kLastPosition)) {
    Message(kTextPositionOutside);
    return false;
  }
  // The extension is written into the statement and later names cached
  // files: letters and digits only.
  const std::u16string extension = UploadExtension(chosenPath_);
  if (!IsPlainExtension(std::u16string_view(extension))) {
    Message(kTextNoExtension);
    return false;
  }
  const std::string call = AllotSql(kind_, key_, second_, wanted);
  if (call.empty()) return false;  // kinds 1 and 6 are view only
  serverlink::ProcedureResult allotted;
  allotted.code = serverlink::kProcedureCodeMissing;
  link_.Call(call, allotted);
  if (allotted.code < 1 || allotted.code > static_cast<int32_t>(kLastPosition)) {
    Message(kTextPositionRefused);
    return false;
  }
  const int32_t length = static_cast<int32_t>(chosenBytes_.size());
  const std::string sql = StoreSql(kind_, length, GbkFromWide(extension), env_.accountGbk, key_,
                                   allotted.code);
  const int stored = link_.Upload(length, sql, chosenBytes_);
  if (stored <= 0) {
    // The bytes did not arrive: say so, and keep the chosen file for
    // another try instead of listing a position that holds nothing.
    platform::ShowMessageBox(Replace(Text(kTextNotStored), u"%1", WideNumber(stored)),
                             Text(kTextMessageCaption));
    return false;
  }
  Refresh();
  return true;
}

}  // namespace pictures
