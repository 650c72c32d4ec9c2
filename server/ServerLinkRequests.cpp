// The named requests: numbers, prices, records, templates, files, pictures
// and raw data.  None of them reads the ReturnValue through CheckReturnValue:
// no message, no silent re-login.

#include <cstdio>

#include "common/Json.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"

namespace {

constexpr size_t kMinSqlLength = 10;
constexpr size_t kSmallRequestLimit = 1024;
// zlib's compressBound(1,048,576): an attachment of 1 MiB that does not
// compress comes down whole.
constexpr int32_t kDataGetLimit = 1048576 + (1048576 >> 12) + (1048576 >> 14) + 13;
constexpr int kMinDataReply = 10;  // a reply of 9 bytes or fewer carries nothing

}  // namespace

int CServerLink::FetchNumber(unsigned kindNumber, std::string& output, std::string_view kindText,
                             int32_t customerId) {
  output.clear();
  if (!LoggedIn()) return 0;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::string kind(kindText);
  if (kindNumber >= 2) {
    char text[16];
    std::snprintf(text, sizeof text, "%u*", kindNumber);
    kind = text;
  }
  std::string json = serverlink::Envelope("sFetchNo", account, loginNumber)
                         .Int("icID", customerId)
                         .Str("cZizKind", kind)
                         .Finish();
  if (json.size() >= kSmallRequestLimit) return kServerRequestTooLarge;
  if (Post(json) <= 0) return 0;
  output = serverlink::ReplyString(reply_, "cNo", 30, false);
  return output.size() > 6 ? 1 : 0;
}

int CServerLink::QueryPrice(PriceQuery& query) {
  if (!LoggedIn()) return 0;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::string json = serverlink::Envelope("sQueryPrice", account, loginNumber)
                         .Int("icID", query.customerId)
                         .Str("cqDes", query.destination)
                         .Int("nqItemType", query.itemType)
                         .Double("fqWeight", query.weightKg, 3)
                         .Str("cqZizKind", query.serviceKind)
                         .Finish();
  if (json.size() >= kSmallRequestLimit) return kServerRequestTooLarge;
  int result = Post(json);
  if (result < kMinDataReply || serverlink::ReplyInt(reply_, "ReturnValue", 0) <= 0) return 0;
  query.price = serverlink::ReplyDouble(reply_, "fPrice", 0);
  query.salePrice = serverlink::ReplyDouble(reply_, "fsPrice", 0);
  query.addOn = serverlink::ReplyDouble(reply_, "fAddOn", 0);
  query.customs = serverlink::ReplyDouble(reply_, "fCustoms", 0);
  query.other = serverlink::ReplyDouble(reply_, "fOther", 0);
  query.discount = serverlink::ReplyDouble(reply_, "fDiscount", 0);
  query.netPrice = query.price - query.addOn - query.customs - query.other;
  return 1;
}

int CServerLink::QuerySpecialPrice(SpecialPriceQuery& query) {
  if (!LoggedIn()) return 0;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::string json = serverlink::Envelope("sPriceSp", account, loginNumber)
                         .Int("isID", query.supplierId)
                         .Int("iItem", query.itemCount)
                         .Int("iWeight", query.weightGrams)
                         .Int("nItemType", query.itemType)
                         .Int("nLanguage", query.language)
                         .Str("cDes", query.destination)
                         .Str("cZizKind", query.serviceKindCode)
                         .Finish();
  if (json.size() >= kSmallRequestLimit) return kServerRequestTooLarge;
  int result = Post(json);
  if (result < kMinDataReply || serverlink::ReplyInt(reply_, "ReturnValue", 0) <= 0) return 0;
  query.cost = serverlink::ReplyDouble(reply_, "fCost", 0);
  query.salePrice = serverlink::ReplyDouble(reply_, "fsPrice", 0);
  query.addOn = serverlink::ReplyDouble(reply_, "fAddOn", 0);
  query.customs = serverlink::ReplyDouble(reply_, "fCustoms", 0);
  query.other = serverlink::ReplyDouble(reply_, "fOther", 0);
  query.otherCustom = serverlink::ReplyDouble(reply_, "foCustom", 0);
  query.base = serverlink::ReplyDouble(reply_, "fBase", 0);
  query.rate = serverlink::ReplyDouble(reply_, "fRate", 0);
  query.method = serverlink::ReplyString(reply_, "cMethod", std::min<size_t>(query.methodWidth, 1023), true);
  query.memo = serverlink::ReplyString(reply_, "cMemo", 1023, true);
  return result;
}

namespace {

// The reply length when it carries a record, else 0.
int RecordResult(int result, std::string_view reply) {
  if (result < kMinDataReply || serverlink::ReplyInt(reply, "ReturnValue", 0) <= 0) return 0;
  return result;
}

}  // namespace

int CServerLink::FetchRecord(int32_t recordId, std::optional<std::string_view> number,
                             std::string_view secondText) {
  if (!LoggedIn()) return 0;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  serverlink::RequestWriter writer = serverlink::Envelope("sRecData", account, loginNumber);
  if (recordId > 0) writer.Int("irID", recordId);
  else if (number) writer.Str("cNum", *number);
  else writer.Str("cNo", secondText);
  std::string json = writer.Finish();
  if (json.size() >= kSmallRequestLimit) return kServerRequestTooLarge;
  return RecordResult(Post(json), reply_);
}

int CServerLink::FetchPreInput(int32_t id, std::optional<std::string_view> number,
                               std::optional<std::string_view> secondText,
                               std::optional<std::string_view> thirdText) {
  if (!LoggedIn()) return 0;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  serverlink::RequestWriter writer = serverlink::Envelope("sRecPreInputData", account, loginNumber);
  if (id > 0) writer.Int("iID", id);
  else if (number) writer.Str("cNum", *number);
  else if (secondText) writer.Str("cNo", *secondText);
  else if (thirdText) writer.Str("cRNo", *thirdText);
  std::string json = writer.Finish();
  if (json.size() >= kSmallRequestLimit) return kServerRequestTooLarge;
  return RecordResult(Post(json), reply_);
}

int CServerLink::FetchTemplate(int32_t id, std::string_view kind, std::string_view name) {
  if (!LoggedIn()) return 0;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  serverlink::RequestWriter writer = serverlink::Envelope("sModelData", account, loginNumber);
  writer.Str("cqKind", kind);
  if (id > 0) writer.Int("iqID", id);
  else writer.Str("cqName", name);
  std::string json = writer.Finish();
  if (json.size() >= kSmallRequestLimit) return kServerRequestTooLarge;
  return RecordResult(Post(json), reply_);
}

// The file of a data reply: the transport result when 0 or below, the
// ReturnValue when 0 or below, `written` once the decoded bytes (exactly
// ReturnValue of them) have replaced the local file, else the ReturnValue.
int CServerLink::ReceiveFile(int result, const std::string& path, int written) {
  if (result <= 0) return result;
  int returnValue = serverlink::ReplyInt(reply_, "ReturnValue", 0);
  if (returnValue <= 0) return returnValue;
  if (static_cast<size_t>(returnValue) > kReplyCapacity) return returnValue;
  std::string data;
  if (serverlink::ReplyData(reply_, static_cast<size_t>(returnValue), data) != returnValue) {
    return returnValue;
  }
  return serverlink::ReplaceFileAtomically(path, data) ? written : returnValue;
}

int CServerLink::DownloadFile(const FileRequest& request) {
  if (!LoggedIn()) return 0;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::string json = serverlink::Envelope("sFileData", account, loginNumber)
                         .Str("dDate", serverlink::LocalFileTimeText(request.localPath))
                         .Int("iqID", request.id)
                         .Int("nqGrade", request.grade)
                         .Str("cqKind", request.kind)
                         .Str("cqKey", request.key)
                         .Str("cqTitle", request.title)
                         .Str("cqFileName", request.fileName)
                         .Finish();
  if (json.size() >= kSmallRequestLimit) return kServerRequestTooLarge;
  return ReceiveFile(Post(json), request.localPath, 1);
}

// Posts a request of scrambled SQL ("sPicData", "sDataPut", "sDataGet"):
// envelope, "nCRC", "isLen", "xSql" and, when given, "vData".
int CServerLink::SendDataRequest(std::string_view requestName, int32_t length,
                                 std::string_view sql, std::string_view data,
                                 size_t requestLimit, int& returnValue) {
  returnValue = 0;
  std::string scrambled(sql);
  uint32_t crc = ScrambleSql(scrambled);
  serverlink::RequestWriter writer = serverlink::Envelope(requestName, account, loginNumber);
  writer.UInt("nCRC", crc).Int("isLen", length).Base64("xSql", scrambled);
  if (!data.empty() || requestName == "sDataPut") writer.Base64("vData", data);
  std::string json = writer.Finish();
  if (json.size() >= requestLimit) return kServerRequestTooLarge;
  int result = Post(json);
  if (result > 0) returnValue = serverlink::ReplyInt(reply_, "ReturnValue", 0);
  return result;
}

int CServerLink::DownloadPicture(int32_t length, std::string_view sql,
                                 std::string_view localPath) {
  if (sql.size() < kMinSqlLength) return kServerSqlTooShort;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  int returnValue = 0;
  int result = SendDataRequest("sPicData", length, sql, {}, kSmallRequestLimit, returnValue);
  if (result == kServerRequestTooLarge) return result;
  return ReceiveFile(result, std::string(localPath), 2);
}

int CServerLink::UploadData(int32_t length, std::string_view sql, std::string_view bytes) {
  if (sql.size() < kMinSqlLength) return kServerSqlTooShort;
  if (length < 0 || static_cast<size_t>(length) > bytes.size()) return kServerRequestTooLarge;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  int returnValue = 0;
  size_t limit = 2 * static_cast<size_t>(length) + 1024;
  int result = SendDataRequest("sDataPut", length, sql, bytes.substr(0, length), limit,
                               returnValue);
  return result > 0 ? returnValue : result;
}

int CServerLink::DownloadData(int32_t length, std::string_view sql, std::string& output) {
  output.clear();
  if (sql.size() < kMinSqlLength) return kServerSqlTooShort;
  if (length > kDataGetLimit) return kServerLengthTooLarge;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  int returnValue = 0;
  int result = SendDataRequest("sDataGet", length, sql, {}, kSmallRequestLimit, returnValue);
  if (result <= 0) return result;
  if (returnValue <= 0) return returnValue;
  // More than was asked for is refused rather than written past the room.
  if (returnValue > length) return kServerReplyTooLarge;
  return serverlink::ReplyData(reply_, static_cast<size_t>(returnValue), output);
}
