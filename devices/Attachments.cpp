#include "devices/Attachments.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <cstdio>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/SafeFileName.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "devices/ServerWork.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"

namespace attachment {

namespace {

// Language ids.
constexpr int kTextCannotOpen = 20031;
constexpr int kTextMessageCaption = 20001;
constexpr int kTextNoRight = 20024;
constexpr int kTextServerError = 20023;
constexpr int kTextAddButton = 340003;
constexpr int kTextDownloadButton = 340004;
constexpr int kTextKindCaption = 340020;
constexpr int kTextTooLongToOffer = 340030;
constexpr int kTextEmptyFile = 340031;
constexpr int kTextCaptionByText = 340032;
constexpr int kTextCaptionById = 340033;
constexpr int kTextDownloadFailed = 340034;
constexpr int kTextDamaged = 340035;
constexpr int kTextDownloaded = 340036;
constexpr int kTextTooLongToAdd = 340037;
constexpr int kTextCompressFailed = 340038;
constexpr int kTextNotDeletable = 340039;
constexpr int kTextNotOpened = 703000;
constexpr int kTextUploadFailedRemoved = 703001;
constexpr int kTextUploadFailedKept = 703002;

// "xRight" byte 13 of the attachment rights.
constexpr int kRightByte = 13;
constexpr unsigned kAddMask = 0x08;
constexpr unsigned kDeleteMask = 0x04;

constexpr KindTable kKinds[kKindCount] = {
    {"client_rec_file", "irid", false},     {"ivc_affix", "iiid", false},
    {"client_rec_pack_file", "cawb", true}, {"client_fee_file", "ifid", false},
    {"in_otherfee_file", "iidi", false},    {"out_payment_file", "iido", false},
};

std::string Num(int64_t n) { return std::to_string(n); }

std::u16string Replace(std::u16string text, std::u16string_view mark, std::u16string_view value) {
  ReplaceAllW(text, mark, value);
  return text;
}

std::u16string Text(int id) { return AppLanguage().Text(id); }

std::u16string Wide(const QString& s) { return s.toStdU16String(); }
QString Q(std::u16string_view s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// The account cut to its 30 bytes, with its quotes doubled.
std::string QuotedAccount(std::string_view accountGbk) {
  std::string account(accountGbk);
  GbkTruncate(account, kKeyTextBytes);
  return QuoteSqlNarrow(account);
}

std::string QuotedKeyText(const RecordKey& key) {
  return NarrowFieldFromWide(key.text, kKeyTextBytes, true);
}

std::string KeyArgument(const RecordKey& key) {
  return KindTableOf(key.kind)->keyIsText ? "'" + QuotedKeyText(key) + "'" : Num(key.id);
}

class ServerAttachmentLink : public AttachmentLink {
 public:
  explicit ServerAttachmentLink(CServerLink& link) : link_(link) {}

  std::string Query(std::string_view sql, const std::vector<uint32_t>& types) override {
    return serverwork::Query(link_, sql, types);
  }
  bool Call(std::string_view sql, serverlink::ProcedureResult& out) override {
    return serverwork::Call(link_, sql, ProcedureTypes(), out);
  }
  int Upload(int32_t length, std::string_view sql, std::string_view bytes) override {
    return serverwork::Upload(link_, length, sql, bytes);
  }
  int Download(int32_t length, std::string_view sql, std::string& out) override {
    return platform::WaitForWork([&] { return link_.DownloadData(length, sql, out); });
  }
  std::u16string LastErrorText() override { return link_.LastErrorText(); }

 private:
  CServerLink& link_;
};

bool EndsWithNoCase(std::u16string_view name, std::u16string_view end) {
  if (name.size() < end.size()) return false;
  for (size_t k = 0; k < end.size(); ++k) {
    char16_t c = name[name.size() - end.size() + k];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != end[k]) return false;
  }
  return true;
}

}  // namespace

int64_t CompressedLimit() { return static_cast<int64_t>(compressBound(kAddLimit)); }

const KindTable* KindTableOf(int kind) {
  return kind >= 0 && kind < kKindCount ? &kKinds[kind] : nullptr;
}

// ---- statements ----

std::string ListSql(const RecordKey& key) {
  const KindTable* t = KindTableOf(key.kind);
  if (!t) return {};
  return std::string("SELECT iid,ilen,izlen,cfile,coper,ddate FROM brantle.dbo.") + t->table +
         " WHERE " + t->keyColumn + "=" + KeyArgument(key) + " ORDER BY ddate DESC";
}

std::vector<uint32_t> ListTypes() {
  return {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCSLong),
          AcsTypeEntry(kSqlCChar, 256), AcsTypeEntry(kSqlCChar, 32),
          AcsTypeEntry(kSqlCTimestamp)};
}

std::string AddSql(const RecordKey& key, int32_t length, int32_t compressedLength,
                   std::u16string_view fileName, std::string_view accountGbk) {
  const KindTable* t = KindTableOf(key.kind);
  if (!t) return {};
  std::string name = GbkFromWide(fileName);
  GbkTruncate(name, kFileNameBytes);
  return std::string("{?=CALL brantle.dbo.cp_") + t->table + "_add(" + KeyArgument(key) + "," +
         Num(length) + "," + Num(compressedLength) + ",'" + QuoteSqlNarrow(name) + "','','" +
         QuotedAccount(accountGbk) + "')}";
}

std::string DeleteSql(int kind, int32_t iid, std::string_view accountGbk) {
  const KindTable* t = KindTableOf(kind);
  if (!t) return {};
  return std::string("{?=CALL brantle.dbo.cp_") + t->table + "_del(" + Num(iid) + ",'" +
         QuotedAccount(accountGbk) + "')}";
}

std::vector<uint32_t> ProcedureTypes() { return {AcsTypeEntry(kSqlCSLong)}; }

std::string DataPutSql(int kind, int32_t iid) {
  const KindTable* t = KindTableOf(kind);
  if (!t) return {};
  return std::string("UPDATE brantle.dbo.") + t->table + " SET vdata=? WHERE iid=" + Num(iid);
}

std::string DataGetSql(int kind, int32_t iid) {
  const KindTable* t = KindTableOf(kind);
  if (!t) return {};
  return std::string("SELECT vdata FROM brantle.dbo.") + t->table + " WHERE iid=" + Num(iid);
}

// ---- the bytes ----

bool Compress(std::string_view bytes, std::string& out) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  out.assign(size, '\0');
  if (compress(reinterpret_cast<Bytef*>(out.data()), &size,
               reinterpret_cast<const Bytef*>(bytes.data()),
               static_cast<uLong>(bytes.size())) != Z_OK) {
    out.clear();
    return false;
  }
  out.resize(size);
  return true;
}

bool Uncompress(std::string_view compressed, size_t length, std::string& out) {
  out.assign(length, '\0');
  uLongf size = static_cast<uLongf>(length);
  const int result = uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                                reinterpret_cast<const Bytef*>(compressed.data()),
                                static_cast<uLong>(compressed.size()));
  if (result != Z_OK || size != length) {
    out.clear();
    return false;
  }
  return true;
}

// ---- files ----

std::u16string BaseName(std::u16string_view path) {
  const size_t cut = path.find_last_of(u"/\\");
  return std::u16string(cut == std::u16string_view::npos ? path : path.substr(cut + 1));
}

std::u16string DownloadPath(std::u16string_view desktop, std::u16string_view programFolder,
                            std::u16string_view storedName) {
  const std::u16string name = SafeFileNameW(BaseName(storedName));
  if (!desktop.empty() && QFileInfo(Q(desktop)).isDir()) {
    std::u16string path(desktop);
    if (path.back() != u'/') path += u'/';
    return path + name;
  }
  std::u16string folder(programFolder);
  if (!folder.empty() && folder.back() != u'/') folder += u'/';
  return folder + u"DATA_TEMP/" + name;
}

bool CouldRunAsProgram(std::u16string_view name, std::string_view bytes) {
  static constexpr std::array<std::u16string_view, 24> kRunnable = {
      u".sh",   u".bash", u".zsh",  u".csh",     u".ksh", u".desktop", u".exe", u".com",
      u".bat",  u".cmd",  u".msi",  u".scr",     u".pif", u".run",     u".bin", u".appimage",
      u".py",   u".pl",   u".rb",   u".jar",     u".js",  u".vbs",     u".ps1", u".elf"};
  for (std::u16string_view end : kRunnable)
    if (EndsWithNoCase(name, end)) return true;
  if (bytes.substr(0, 2) == "#!") return true;
  if (bytes.substr(0, 4) == std::string_view("\x7f" "ELF", 4)) return true;
  if (bytes.substr(0, 2) == "MZ") return true;
  if (bytes.substr(0, 15) == "[Desktop Entry]") return true;
  return false;
}

bool WriteDownload(const std::u16string& path, std::string_view bytes) {
  const QString target = Q(path);
  const QFileInfo info(target);
  if (!QDir().mkpath(info.absolutePath())) return false;
  // Written beside the target under a name of its own, then renamed over
  // it: a file of that name is replaced whole, and a link of that name is
  // replaced rather than followed.
  const QString temp = info.absolutePath() + "/." + info.fileName() + ".part" +
                       QString::number(static_cast<qint64>(::getpid()));
  QFile::remove(temp);
  QFile file(temp);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  bool ok = file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
            static_cast<qint64>(bytes.size());
  ok = file.flush() && ok;
  ok = file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ReadGroup | QFileDevice::ReadOther) &&
       ok;
  file.close();
  const std::string from = temp.toStdString();
  const std::string to = target.toStdString();
  if (ok && std::rename(from.c_str(), to.c_str()) != 0) ok = false;
  if (!ok) QFile::remove(temp);
  return ok;
}

// ---- the program's link and rights ----

std::unique_ptr<AttachmentLink> MakeServerAttachmentLink(CServerLink& link) {
  return std::make_unique<ServerAttachmentLink>(link);
}

AttachmentRights RightsOf(const CServerLink& link, int kind) {
  (void)kind;  // one pair of rights serves every kind
  AttachmentRights rights;
  rights.add = link.HasRight(kRightByte, kAddMask) != 0;
  rights.remove = link.HasRight(kRightByte, kDeleteMask) != 0;
  return rights;
}

// ---- the session ----

AttachmentSession::Environment AttachmentSession::EnvironmentOf(const CServerLink& link, int kind) {
  Environment env;
  const ServerSession session = link.Session();
  env.accountGbk = session.accountGbk.empty() ? session.userName : session.accountGbk;
  env.rights = RightsOf(link, kind);
  env.desktopFolder = Wide(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
  env.programFolder = Wide(QString::fromLocal8Bit(link.ProgramFolder().c_str()));
  return env;
}

AttachmentSession::AttachmentSession(AttachmentLink& link, AttachmentOpener& opener,
                                     RecordKey key, Environment env)
    : link_(link), opener_(opener), key_(std::move(key)), env_(std::move(env)) {
  // The waybill number is kept as the opener gave it, up to 30 characters.
  if (key_.text.size() > kKeyTextBytes) key_.text.resize(kKeyTextBytes);
}

std::u16string AttachmentSession::Caption() const {
  const std::u16string kindCaption = Text(kTextKindCaption + key_.kind);
  if (key_.kind == kKindAwb)
    return Replace(Replace(Text(kTextCaptionByText), u"%1", kindCaption), u"%2", key_.text);
  return Replace(Replace(Replace(Text(kTextCaptionById), u"%1", kindCaption), u"%2", key_.text),
                 u"%3", Wide(QString::number(key_.id)));
}

bool AttachmentSession::Load() {
  deleteShown_ = false;
  rows_.clear();
  if (!KindTableOf(key_.kind)) return false;
  const std::string reply = link_.Query(ListSql(key_), ListTypes());
  if (reply.empty()) return false;
  const std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex row;
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    AttachmentRow r;
    r.added = row.GetWString("5", 30);
    r.iid = row.GetInt("0", 0);
    r.fileName = row.GetWString("3", 255);
    r.length = row.GetInt("1", 0);
    r.account = row.GetWString("4", 255);
    r.compressedLength = row.GetInt("2", 0);
    rows_.push_back(std::move(r));
  }
  return true;
}

bool AttachmentSession::Browse(const std::u16string& path) {
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly)) {
    platform::ShowMessageBox(Text(kTextCannotOpen));
    return false;
  }
  const int64_t length = file.size();
  if (length > kBrowseLimit) {
    platform::ShowMessageBox(Replace(Text(kTextTooLongToOffer), u"%1", Wide(QString::number(length))));
    return false;
  }
  if (length == 0) {
    platform::ShowMessageBox(Text(kTextEmptyFile));
    return false;
  }
  fileField_ = path;
  fileLength_ = length;
  actionTextId_ = kTextAddButton;
  actionEnabled_ = true;
  deleteShown_ = false;
  state_ = kFileChosen;
  return true;
}

bool AttachmentSession::Pick(int32_t iid) {
  if (iid <= 0) return false;
  const auto it = std::find_if(rows_.begin(), rows_.end(),
                               [iid](const AttachmentRow& r) { return r.iid == iid; });
  if (it == rows_.end()) return false;
  attachmentId_ = iid;
  fileField_ = it->fileName;
  actionTextId_ = kTextDownloadButton;
  actionEnabled_ = true;
  state_ = kRowPicked;
  deleteShown_ = env_.rights.remove;
  return true;
}

bool AttachmentSession::Act() {
  if (state_ == kRowPicked) return Download();
  if (state_ == kFileChosen) return Add();
  return false;
}

void AttachmentSession::ShowServerRefusal(const serverlink::ProcedureResult* result) {
  // A reply that counted carries the server's code; without one the link
  // knows what went wrong.
  if (result)
    platform::ShowMessageBox(Replace(Text(kTextServerError), u"%1", Wide(QString::number(result->code))));
  else
    platform::ShowMessageBox(link_.LastErrorText());
}

bool AttachmentSession::Add() {
  if (!env_.rights.add || fileField_.empty()) return false;
  QFile file(Q(fileField_));
  if (!file.open(QIODevice::ReadOnly)) {
    platform::ShowMessageBox(Text(kTextCannotOpen));
    return false;
  }
  const int64_t length = file.size();
  if (length > kAddLimit) {
    platform::ShowMessageBox(Replace(Text(kTextTooLongToAdd), u"%1", Wide(QString::number(length))));
    return false;
  }
  const QByteArray bytes = file.readAll();
  if (bytes.size() != length || length == 0) {
    platform::ShowMessageBox(Text(kTextCannotOpen));
    return false;
  }
  std::string compressed;
  if (!Compress(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), compressed)) {
    platform::ShowMessageBox(Text(kTextCompressFailed));
    return false;
  }
  const std::u16string name = BaseName(fileField_);
  const auto zlength = static_cast<int32_t>(compressed.size());
  serverlink::ProcedureResult result;
  if (!link_.Call(AddSql(key_, static_cast<int32_t>(length), zlength, name, env_.accountGbk),
                  result)) {
    ShowServerRefusal(nullptr);
    return false;
  }
  if (result.code <= 0) {
    ShowServerRefusal(&result);
    return false;
  }
  const int32_t iid = result.code;
  const int uploaded = link_.Upload(zlength, DataPutSql(key_.kind, iid), compressed);
  if (uploaded <= 0) {
    // The row exists without its bytes: take it away again, and say so.
    const std::u16string why = Replace(Text(kTextServerError), u"%1", Wide(QString::number(uploaded)));
    serverlink::ProcedureResult removed;
    const bool gone = link_.Call(DeleteSql(key_.kind, iid, env_.accountGbk), removed) &&
                      removed.code >= 0;
    platform::ShowMessageBox(
        Replace(Text(gone ? kTextUploadFailedRemoved : kTextUploadFailedKept), u"%1", why));
    return false;
  }
  attachmentId_ = iid;
  AttachmentRow row;
  row.added = Wide(QDateTime::currentDateTime().toString(QStringLiteral("yy-MM-dd HH:mm")));
  row.iid = iid;
  std::string nameGbk = GbkFromWide(name);
  GbkTruncate(nameGbk, kFileNameBytes);
  row.fileName = WideFromGbk(nameGbk);
  row.length = static_cast<int32_t>(length);
  row.account = WideFromGbk(env_.accountGbk);
  row.compressedLength = zlength;
  rows_.insert(rows_.begin(), std::move(row));
  fileField_.clear();
  actionEnabled_ = false;
  return true;
}

bool AttachmentSession::Download() {
  downloadedPath_.clear();
  if (state_ != kRowPicked) return false;
  const auto it = std::find_if(rows_.begin(), rows_.end(),
                               [this](const AttachmentRow& r) { return r.iid == attachmentId_; });
  if (it == rows_.end()) return false;
  const AttachmentRow row = *it;
  if (row.compressedLength < 1) return false;
  std::string compressed;
  const int got = row.compressedLength > CompressedLimit()
                      ? -1
                      : link_.Download(row.compressedLength, DataGetSql(key_.kind, row.iid), compressed);
  if (got != row.compressedLength) {
    platform::ShowMessageBox(Text(kTextDownloadFailed));
    return false;
  }
  std::string bytes;
  if (row.length < 0 || !Uncompress(compressed, static_cast<size_t>(row.length), bytes)) {
    platform::ShowMessageBox(Text(kTextDamaged));
    return false;
  }
  const std::u16string path = DownloadPath(env_.desktopFolder, env_.programFolder, row.fileName);
  if (!WriteDownload(path, bytes)) {
    platform::ShowMessageBox(Text(kTextCannotOpen) + u"\r\n" + path, Text(kTextMessageCaption),
                             platform::kMbIconError);
    return false;
  }
  downloadedPath_ = path;
  platform::ShowMessageBox(Replace(Text(kTextDownloaded), u"%1", path), Text(kTextMessageCaption),
                           platform::kMbIconWarning);
  if (openAfterDownload) {
    if (CouldRunAsProgram(path, bytes))
      platform::ShowMessageBox(Replace(Text(kTextNotOpened), u"%1", path), Text(kTextMessageCaption),
                               platform::kMbIconWarning);
    else
      opener_.Open(path);
  }
  return true;
}

void AttachmentSession::ResetToNothing() {
  state_ = kNothing;
  actionTextId_ = kTextAddButton;
  actionEnabled_ = false;
  fileField_.clear();
  deleteShown_ = false;
  attachmentId_ = 0;
}

bool AttachmentSession::Delete() {
  if (!env_.rights.remove || attachmentId_ <= 0) return false;
  serverlink::ProcedureResult result;
  if (!link_.Call(DeleteSql(key_.kind, attachmentId_, env_.accountGbk), result)) {
    ShowServerRefusal(nullptr);
    return false;
  }
  if (result.code >= 0) {
    const int32_t iid = attachmentId_;
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                               [iid](const AttachmentRow& r) { return r.iid == iid; }),
                rows_.end());
    ResetToNothing();
    return true;
  }
  if (result.code == -4)
    platform::ShowMessageBox(Text(kTextNotDeletable));
  else if (result.code == -2)
    platform::ShowMessageBox(Text(kTextNoRight));
  else
    ShowServerRefusal(&result);
  return false;
}

}  // namespace attachment
