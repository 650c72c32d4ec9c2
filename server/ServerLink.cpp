// Configuration, session, request sending and the server's return values.

#include "server/ServerLink.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "common/Base64.h"
#include "common/FieldCheck.h"
#include "common/GbkText.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/Md5.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "net/HttpClient.h"
#include "platform/MessageBox.h"
#include "server/ServerLinkSupport.h"
#include "server/WorkstationIdentity.h"

using serverlink::RequestWriter;

namespace {

constexpr size_t kConfigBytes = 1000;
constexpr int kNoNewerFile = 256;
// A language file the link accepts at most (a reply holds less anyway).
constexpr int kDataReplyLimit = static_cast<int>(CServerLink::kReplyCapacity);

// The password digest's four raw bytes after the text, shared with the server.
constexpr uint8_t kDigestTail[4] = {0x7B, 0x2E, 0xB5, 0x09};

// The "wOSVer" of the login from the kernel release "major.minor.patch":
// major mod 100 * 1000 + minor mod 10 * 100 + patch mod 10 * 10.
uint16_t OsVersionCode() {
  struct utsname name {};
  if (uname(&name) != 0) return 0;
  int parts[3] = {0, 0, 0};
  const char* p = name.release;
  for (int i = 0; i < 3 && *p; ++i) {
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end == p) break;
    parts[i] = static_cast<int>(v);
    p = end;
    if (*p != '.') break;
    ++p;
  }
  return static_cast<uint16_t>(parts[0] % 100 * 1000 + parts[1] % 10 * 100 + parts[2] % 10 * 10);
}

// The rights flags of the three rights strings.
std::array<int32_t, kServerRightsCount> RightsFlags(const std::array<uint8_t, 16>& xRight,
                                                   const std::array<uint8_t, 16>& xRighte,
                                                   const std::array<uint8_t, 16>& xRighti) {
  std::array<int32_t, kServerRightsCount> rights{};
  auto bit = [](uint8_t byte, int b) { return (byte >> b) & 1; };
  for (int n = 0; n < 40; ++n) rights[n] = bit(xRight[n / 8], 7 - n % 8);
  const int byte5Bits[8] = {6, 7, 4, 3, 5, 2, 1, 0};  // flags 40..47
  for (int k = 0; k < 8; ++k) rights[40 + k] = bit(xRight[5], byte5Bits[k]);
  for (int n = 48; n < 128; ++n) rights[n] = bit(xRight[n / 8], 7 - n % 8);
  for (int n = 128; n < 176; ++n) rights[n] = bit(xRighte[(n - 128) / 8], 7 - n % 8);
  for (int k = 0; k < 3; ++k) rights[176 + k] = bit(xRighte[6], 7 - k);
  for (int k = 0; k < 8; ++k) rights[179 + k] = bit(xRighte[7], 7 - k);
  for (int k = 0; k < 8; ++k) rights[189 + k] = bit(xRighti[0], 7 - k);
  for (int k = 0; k < 3; ++k) rights[197 + k] = bit(xRighti[1], 7 - k);
  return rights;
}

std::string MacText(const std::array<uint8_t, 6>& mac) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

}  // namespace

CServerLink::CServerLink() = default;
CServerLink::~CServerLink() = default;

void CServerLink::ClearSession() {
  std::lock_guard<std::mutex> lock(sessionMutex_);
  static_cast<ServerSession&>(*this) = ServerSession();
  password.clear();
  workstationId.clear();
}

int CServerLink::Init(std::string_view programFolder) {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  programFolder_ = std::string(programFolder);
  osVersion = OsVersionCode();
  ReadMacAddress(macAddress);
  reply_.clear();
  reply_.reserve(kReplyCapacity);
  machineMark = MachineMark(programFolder_.empty() ? std::string(".") : programFolder_);
  ClearSession();

  std::ifstream in(programFolder_ + "ZizTolvane.ini", std::ios::binary);
  if (!in) return 0;
  std::string text(kConfigBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(kConfigBytes));
  text.resize(static_cast<size_t>(in.gcount()));
  if (!ReadConfiguration(text)) return 0;

  FetchLanguageFile();
  return 1;
}

bool CServerLink::ReadConfiguration(std::string_view fileText) {
  static const std::string start = GbkFromWide(u"<配置开始>");
  static const std::string end = GbkFromWide(u"<配置结束>");
  static const std::string keyDays = GbkFromWide(u"预录调度天数=");
  static const std::string keyRecords0 = GbkFromWide(u"预录调度记录0=");
  static const std::string keyRecords1 = GbkFromWide(u"预录调度记录1=");

  std::string_view text = fileText.substr(0, kConfigBytes);
  // A NUL byte ends the text, as it would in the file's buffer.
  text = text.substr(0, text.find('\0'));
  size_t startPos = text.find(start);
  size_t endPos = text.find(end);
  if (startPos == std::string_view::npos || endPos == std::string_view::npos) return false;
  std::string_view settings = text.substr(startPos + start.size());
  if (endPos >= startPos + start.size()) settings = text.substr(startPos + start.size(), endPos - startPos - start.size());

  // A port the connection cannot use (an empty "PORT=" reads 0) makes the
  // whole configuration bad rather than a connection to somewhere else.
  const int configuredPort = GetKeyInt("PORT=", settings, 80);
  if (configuredPort < 1 || configuredPort > 65535) return false;

  host = GetKeyValue("HOST=", settings, 4, 63, true);
  apiPath = GetKeyValue("API=", settings, 4, 63, true);
  languageCode = GetKeyValue("LAN=", settings, 2, 2, true);
  languageCodeW = WideFromGbk(languageCode);
  workstationId = GetKeyValue("WCID=", settings, 1, 30, true);
  port = configuredPort;
  pickupDays = GetKeyInt(keyDays, settings, 3);
  pickupRecords0 = GetKeyInt(keyRecords0, settings, 200);
  pickupRecords1 = GetKeyInt(keyRecords1, settings, 200);
  return true;
}

int CServerLink::Post(std::string_view json, std::string* reply, size_t capacity) {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::string& target = reply ? *reply : reply_;
  if (!reply || capacity == 0) capacity = kReplyCapacity;
  // Nothing of an earlier reply may be read as this one's.
  target.clear();

  HttpRequest request;
  request.host = host;
  request.path = apiPath;
  request.port = port;
  request.httpVersion = 1.1;
  request.post = 1;
  request.acceptCompressed = 1;
  request.sendTimeoutMs = 120000;
  request.receiveTimeoutMs = 300000;
  request.connectTimeoutSeconds = 40;
  request.responseCapacity = static_cast<int>(capacity);
  // A small buffer holds the head too; a large one keeps a head area apart.
  request.headInResponse = capacity < 96000;
  request.headBufferSize = 32000;
  std::string cookies;  // lives for this request only
  request.cookieJar = &cookies;
  request.cookieJarCapacity = 1024;
  char head[512];
  std::snprintf(head, sizeof head,
                "POST %s HTTP/1.1\r\nUser-Agent: Tolvane\r\nContent-Type: application/json\r\n"
                "Host: %s\r\nContent-Length: %u\r\nConnection: Close\r\n\r\n",
                apiPath.c_str(), host.c_str(), static_cast<unsigned>(json.size()));
  request.prebuiltHead = std::string(head);
  request.body = std::string(json);
  request.response = std::move(target);  // keeps the buffer's allocation
  int result = SendHttpRequest(request);
  CloseHttpConnection(request);
  target = std::move(request.response);
  if (result <= 0) target.clear();
  return result;
}

std::string CServerLink::PasswordDigest(uint32_t timeStamp, std::u16string_view password) {
  char head[32];
  std::snprintf(head, sizeof head, "%u-#7+3#-", timeStamp);
  std::string text = head + GbkFromWide(password);
  text.append(reinterpret_cast<const char*>(kDigestTail), sizeof kDigestTail);
  return Md5HexDigest(text.data(), text.size());
}

int CServerLink::Login(std::u16string_view accountText, std::u16string_view passwordText,
                       int keep) {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  int64_t stamp = ServerTimeStamp();
  std::string json = RequestWriter()
                         .Str("RequestName", "sUserLogin")
                         .Int("TimeStamp", static_cast<int32_t>(stamp))
                         .Str("w", workstationId)
                         .Str("cpcMark", machineMark)
                         .Str("cMAC", MacText(macAddress))
                         .Int("wOSVer", osVersion)
                         .Int("iMisVer", kProgramVersion)
                         .WStr("cUserAc", accountText)
                         .Str("cUserPwd", PasswordDigest(static_cast<uint32_t>(stamp), passwordText))
                         .Finish();
  // Copies: the stored account may be what is passed in (silent re-login).
  std::u16string newAccount(accountText), newPassword(passwordText);
  int result = Post(json);
  if (result < 1) return result;
  int returnValue = serverlink::ReplyInt(reply_, "ReturnValue", 0);
  if (returnValue < 1) return returnValue;

  // The new identity is made apart; nobody sees it before it is whole.
  ServerSession next;
  next.loginNumber = returnValue;
  next.timeZone = serverlink::ReplyInt(reply_, "iTimeZone", 0);
  next.grade = serverlink::ReplyInt(reply_, "iGrade", 0);
  next.clientKind = serverlink::ReplyString(reply_, "cClientKind", 15, false);
  next.stationT = serverlink::ReplyString(reply_, "cStationt", 15, false);
  next.userName = serverlink::ReplyString(reply_, "cUserName", 30, false);
  next.userNameW = WideFromGbk(next.userName);
  next.userPid = serverlink::ReplyString(reply_, "cUserPid", 30, false);
  next.userDepot = serverlink::ReplyString(reply_, "cUserDepot", 3, false);
  next.station = serverlink::ReplyString(reply_, "cStation", 15, false);
  next.logId = serverlink::ReplyInt(reply_, "iLogID", 0);
  next.stationW = WideFromGbk(next.station);
  SanitizeNameW(next.stationW, 15);
  next.clientKindW = WideFromGbk(next.clientKind);
  serverlink::ReplyHex16(reply_, "xRight", next.xRight.data());
  serverlink::ReplyHex16(reply_, "xRighte", next.xRighte.data());
  serverlink::ReplyHex16(reply_, "xRighti", next.xRighti.data());
  serverlink::ReplyHex16(reply_, "xEncrypt", next.sessionKey.data());
  next.rights = RightsFlags(next.xRight, next.xRighte, next.xRighti);
  if (keep == 0) {
    next.account = std::move(newAccount);
    next.accountGbk = GbkFromWide(next.account);
  } else {
    next.account = account;
    next.accountGbk = accountGbk;
  }
  PublishSession(next, keep == 0 ? &newPassword : nullptr);
  return next.loginNumber;
}

void CServerLink::PublishSession(const ServerSession& next, const std::u16string* newPassword) {
  std::lock_guard<std::mutex> lock(sessionMutex_);
  static_cast<ServerSession&>(*this) = next;
  if (newPassword) password = *newPassword;
}

ServerSession CServerLink::Session() const {
  std::lock_guard<std::mutex> lock(sessionMutex_);
  return static_cast<const ServerSession&>(*this);
}

std::array<int32_t, CServerLink::kRightsCount> CServerLink::Rights() const {
  std::lock_guard<std::mutex> lock(sessionMutex_);
  return rights;
}

std::u16string CServerLink::StoredPassword() const {
  std::lock_guard<std::mutex> lock(sessionMutex_);
  return password;
}

bool CServerLink::LoggedIn() const {
  std::lock_guard<std::mutex> lock(sessionMutex_);
  return loginNumber > 0 && logId > 0;
}

void CServerLink::SetStoredPassword(std::u16string_view newPassword) {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::lock_guard<std::mutex> sessionLock(sessionMutex_);
  password = std::u16string(newPassword);
}

int CServerLink::HasRight(int position, unsigned mask) const {
  if (position < 0) return 0;
  std::lock_guard<std::mutex> lock(sessionMutex_);
  uint8_t byte = position < 16 ? xRight[position] : xRighte[position % 16];
  return (byte & mask) ? 1 : 0;
}

void CServerLink::Logout() {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  if (!LoggedIn()) return;
  std::string json = RequestWriter()
                         .Str("RequestName", "sUserLoginOut")
                         .Int("TimeStamp", static_cast<int32_t>(ServerTimeStamp()))
                         .Int("iRand", loginNumber)
                         .Int("iLogID", logId)
                         .WStr("cUserAc", account)
                         .Finish();
  Post(json);
}

int CServerLink::FetchLanguageFile() {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::string fileName = "TolvaneLan_" + languageCode + ".txt";
  std::string path = programFolder_ + fileName;
  std::string date = serverlink::LocalFileTimeText(path);
  if (date.empty()) date = "1900-01-01 00:00:00";
  std::string json = RequestWriter()
                         .Str("RequestName", "sSysFile")
                         .Int("TimeStamp", static_cast<int32_t>(ServerTimeStamp()))
                         .Int("nqGrade", 255)
                         .Str("dDate", date)
                         .Str("cqFileName", fileName)
                         .Finish();
  int result = Post(json);
  if (result <= 0) return result;
  int returnValue = serverlink::ReplyInt(reply_, "ReturnValue", 0);
  if (returnValue <= kNoNewerFile) return 0;
  if (returnValue > kDataReplyLimit) return kServerDataNotWritten;
  std::string data;
  if (serverlink::ReplyData(reply_, static_cast<size_t>(returnValue), data) != returnValue) {
    return kServerDataNotWritten;
  }
  return serverlink::ReplaceFileAtomically(path, data) ? 1 : kServerDataNotWritten;
}

void CServerLink::ShowMessage(int textId) {
  std::u16string text = AppLanguage().Text(textId);
  serverlink::RunOnUiThread(
      [text = std::move(text)] { platform::ShowMessageBox(text, {}, platform::kMbOk); });
}

int CServerLink::CheckReturnValue(const std::string* reply) {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  lastReturnValue = serverlink::ReplyInt(reply ? *reply : reply_, "ReturnValue", 0);
  switch (lastReturnValue) {
    case -9999:
    case -999:
      ShowMessage(20027);
      break;
    case -720:
      ShowMessage(20025);
      break;
    case -402: {
      std::u16string storedAccount = account, storedPassword = password;
      if (Login(storedAccount, storedPassword, 0) > 0) ShowMessage(20026);
      lastReturnValue = -402;
      break;
    }
    default:
      break;
  }
  return lastReturnValue;
}

std::u16string CServerLink::LastErrorText() const {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  return AppLanguage().TextWithNumber(20023, lastReturnValue);
}

void CServerLink::WriteSystemLog(std::string_view kind, std::u16string_view text, int first,
                                 int second) {
  // The user name and the request that carries it belong to one session.
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::string sql = "{CALL brantle.dbo.cp_sys_log_add('";
  sql += kind;
  sql += "','";
  sql += QuoteSqlNarrow(userName);
  sql += "','";
  sql += QuoteSqlNarrow(GbkCopyN(GbkFromWide(text), 255));
  char tail[48];
  std::snprintf(tail, sizeof tail, "',%d,%d)}", first, second);
  sql += tail;
  SqlExecute(sql, {});
}

std::string CServerLink::CopyReply() const {
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  return reply_;
}
