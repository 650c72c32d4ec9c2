// The SQL requests "sSqlQuery" and "sSqlExe" and the column type list.

#include <cstdio>

#include "common/Base64.h"
#include "common/FieldCheck.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"

namespace {

constexpr size_t kMinSqlLength = 10;
// Limits of the request text (the request buffers of the protocol's clients).
constexpr size_t kQueryRequestLimit = 64000;
constexpr size_t kExecuteRequestLimit = 32768;
constexpr size_t kExecuteFixedSqlLimit = 24000;

}  // namespace

uint32_t AcsTypeEntry(int type, unsigned width) {
  if (type == kSqlCTimestamp) width = 16;
  return (static_cast<uint32_t>(static_cast<uint16_t>(type)) << 16) + (width & 0xFFFFu);
}

uint16_t AcsTypeCode(uint32_t entry) { return static_cast<uint16_t>(entry >> 16); }

uint32_t AcsTypeForColumnType(int columnType) {
  static const unsigned kTextWidths[7] = {0, 2, 16, 32, 64, 128, 256};
  switch (columnType) {
    case 0:
      return AcsTypeEntry(kSqlCBit);
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      return AcsTypeEntry(kSqlCChar, kTextWidths[columnType]);
    case 7:
      return AcsTypeEntry(kSqlCSLong);
    case 8:
      return AcsTypeEntry(kSqlCDouble);
    case 9:
      return AcsTypeEntry(kSqlCTimestamp);
    default:
      return 0;
  }
}

bool IsTextColumnType(int columnType) { return columnType >= 1 && columnType <= 6; }

uint32_t CServerLink::ScrambleSql(std::string& text) const {
  if (text.size() < kMinSqlLength) return 0;
  uint32_t crc = Crc32(text.data(), text.size());
  std::array<uint8_t, 16> key;
  {
    std::lock_guard<std::mutex> lock(sessionMutex_);
    key = sessionKey;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char>(static_cast<uint8_t>(text[i]) ^ key[i % 16]);
  }
  return crc;
}

int CServerLink::SendSql(std::string_view requestName, std::string_view sql,
                         std::span<const uint32_t> types, size_t requestLimit,
                         std::string* reply, size_t capacity) {
  if (sql.size() < kMinSqlLength) return kServerSqlTooShort;
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  std::string scrambled(sql);
  uint32_t crc = ScrambleSql(scrambled);
  std::string json = serverlink::Envelope(requestName, account, loginNumber)
                         .UInt("nCRC", crc)
                         .UIntArray("acsType", types)
                         .Base64("xSql", scrambled)
                         .Finish();
  // The request must fit its buffer with the terminating NUL.
  if (json.size() >= requestLimit) return kServerRequestTooLarge;
  int result = Post(json, reply, capacity);
  if (result <= 0) {
    // A failed transport leaves no reply to read: its code is the value.
    lastReturnValue = result;
  } else {
    CheckReturnValue(reply);
  }
  return result;
}

int CServerLink::SqlQuery(std::string_view sql, std::span<const uint32_t> types,
                          std::string* reply, size_t capacity) {
  return SendSql("sSqlQuery", sql, types, kQueryRequestLimit, reply, capacity);
}

int CServerLink::SqlExecute(std::string_view sql, std::span<const uint32_t> types,
                            std::string* reply, size_t capacity) {
  size_t n = sql.size();
  size_t limit = n <= kExecuteFixedSqlLimit ? kExecuteRequestLimit : n / 2 + n + 1024;
  return SendSql("sSqlExe", sql, types, limit, reply, capacity);
}

int CServerLink::FindWaybillId(uint32_t id, std::string_view number, bool serviceNumber) {
  std::string sql =
      "SELECT a.irid FROM brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN "
      "brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE ";
  if (id > 0) {
    char text[32];
    std::snprintf(text, sizeof text, "a.irid=%u", id);
    sql += text;
  } else {
    sql += serviceNumber ? "a.cserviceno='" : "a.cnum='";
    sql += QuoteSqlNarrow(number);
    sql += "'";
  }
  std::lock_guard<std::recursive_mutex> lock(replyMutex_);
  if (!station.empty()) sql += " AND b.cstation='" + QuoteSqlNarrow(station) + "'";
  if (!clientKind.empty()) sql += " AND b.ckind LIKE '" + QuoteSqlNarrow(clientKind) + "'";
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  if (SqlQuery(sql, types) <= 0) return 0;
  if (serverlink::ReplyInt(reply_, "iTotal", 0) <= 0) return 0;
  return serverlink::ReplyFirstColumnInt(reply_, 0);
}
