#include "consolidation/AwbList.h"

#include <cstdio>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "ui/QuickSearchQueries.h"
#include "ui/RequestFailure.h"

namespace awblist {

namespace {

constexpr std::u16string_view kHead =
    u"SELECT TOP 5000 cawb,cairline,cfrom,cdes,ipcs,itweight,cflightno,ddate,dfdate,nstate,detd,"
    u"deta FROM brantle.dbo.client_rec_pack WHERE ntype IN(0,1)";

uint32_t Char(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }

const std::array<uint32_t, kColumns>& Types() {
  static const std::array<uint32_t, kColumns> types = {
      Char(32),
      Char(32),
      Char(64),
      Char(64),
      AcsTypeEntry(kSqlCSLong),
      AcsTypeEntry(kSqlCSLong),
      Char(16),
      AcsTypeEntry(kSqlCTimestamp),
      AcsTypeEntry(kSqlCTimestamp),
      AcsTypeEntry(kSqlCUTinyInt),
      AcsTypeEntry(kSqlCTimestamp),
      AcsTypeEntry(kSqlCTimestamp)};
  return types;
}

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// The first n characters of a date, or nothing when it does not begin with
// "2" or above (the server's 1900-01-01 stands for no date).
std::u16string DateIfSet(std::u16string text, size_t n) {
  if (text.empty() || text[0] < u'2') return {};
  if (text.size() > n) text.resize(n);
  return text;
}

const std::array<uint32_t, 1> kResultTypes = {AcsTypeEntry(kSqlCSLong)};

}  // namespace

std::u16string ListSql(const AwbQueryConditions& conditions, std::u16string_view anyRoute) {
  return std::u16string(kHead) + AwbQueryConditionsSql(conditions, anyRoute) +
         u" ORDER BY ddate DESC";
}

std::span<const uint32_t> ColumnTypes() { return Types(); }

Row ReadRow(std::string_view object) {
  JsonRowIndex index(object);
  Row row;
  row.cells[0] = index.GetWString("0", 30);
  row.id = static_cast<int32_t>(HashText30(row.cells[0]));
  row.cells[1] = index.GetWString("1", 30);
  row.cells[2] = index.GetWString("2", 63);
  row.cells[3] = index.GetWString("3", 63);
  row.cells[4] = Ascii(std::to_string(index.GetInt("4", 0)));
  char weight[48];
  std::snprintf(weight, sizeof weight, "%.3f", index.GetInt("5", 0) / 1000.0);
  row.cells[5] = Ascii(weight);
  row.cells[6] = index.GetWString("6", 15);
  std::u16string date = index.GetWString("7", 30);
  if (date.size() > 10) date.resize(10);
  row.cells[7] = date;
  row.cells[8] = DateIfSet(index.GetWString("8", 30), 16);
  row.state = index.GetInt("9", 0);
  row.cells[10] = DateIfSet(index.GetWString("10", 30), 16);
  row.cells[11] = DateIfSet(index.GetWString("11", 30), 16);
  return row;
}

bool ReadRows(std::string_view reply, std::vector<Row>& rows) {
  if (JsonGetInt("iTotal", reply, 0) <= 0 || JsonFindKey("List", reply) == kJsonNone) return false;
  const std::string_view list = JsonListBody(reply, "List");
  std::vector<Row> read;
  std::string_view object;
  size_t pos = 0;
  while (JsonNextObject(list, pos, object)) read.push_back(ReadRow(object));
  rows = std::move(read);
  return true;
}

LoadResult Load(const Request& request, const std::u16string& sql) {
  LoadResult result;
  std::string reply;
  const int sent = request(GbkFromWide(sql), reply);
  if (sent > 9 && ReadRows(reply, result.rows) && !result.rows.empty()) return result;
  result.rows.clear();
  result.failure = RequestFailureText(sent, reply);
  return result;
}

std::u16string FailureText(int sent, std::string_view reply) {
  std::u16string text = RequestFailureText(sent, reply);
  if (!text.empty()) return text;
  return AppLanguage().TextWithNumber(kServerErrorText, JsonGetInt("ReturnValue", reply, 0));
}

serverlink::ProcedureSender KeepingSender(const serverlink::ProcedureSender& send, KeptReply& kept) {
  return [send, &kept](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    kept.sent = send(sql, types, reply);
    kept.reply = reply;
    return kept.sent;
  };
}

std::string StatusSql(int state, std::u16string_view number) {
  return "{?=CALL brantle.dbo.cp_client_rec_pack_status(" + std::to_string(state) + ",'" +
         NarrowFieldFromWide(number, 30, true) + "')}";
}

SaveResult SaveStatus(const serverlink::ProcedureSender& send, int32_t rowKey, int state,
                      std::u16string_view number) {
  SaveResult result;
  if (rowKey <= 0 || NarrowFieldFromWide(number, 30, false).empty()) return result;
  KeptReply kept;
  serverlink::ProcedureResult reply;
  if (!serverlink::CallProcedure(KeepingSender(send, kept), StatusSql(state, number), kResultTypes,
                                 reply)) {
    result.outcome = SaveOutcome::kFailed;
    result.failure = FailureText(kept.sent, kept.reply);
    return result;
  }
  if (reply.code >= 0) {
    result.outcome = SaveOutcome::kSaved;
  } else if (reply.code == -2) {
    result.outcome = SaveOutcome::kUnknownAwb;
  } else {
    result.outcome = SaveOutcome::kFailed;
    result.failure = FailureText(kept.sent, kept.reply);
  }
  return result;
}

std::string ApportionSql(std::u16string_view number) {
  return "{?=CALL brantle.dbo.cp_a_awb_fee_apportion('" + NarrowFieldFromWide(number, 30, true) +
         "')}";
}

ApportionResult Apportion(const serverlink::ProcedureSender& send,
                          const std::vector<std::u16string>& numbers) {
  ApportionResult result;
  for (const std::u16string& number : numbers) {
    KeptReply kept;
    serverlink::ProcedureResult reply;
    ++result.sent;
    if (!serverlink::CallProcedure(KeepingSender(send, kept), ApportionSql(number), kResultTypes,
                                   reply)) {
      result.stopped = true;
      result.failure = FailureText(kept.sent, kept.reply);
      return result;
    }
    if (reply.code > 0) {
      ++result.count;
      result.total += static_cast<uint32_t>(reply.code);
    }
  }
  return result;
}

}  // namespace awblist
