#include "consolidation/AwbTransit.h"

#include <array>

#include "common/DateTime.h"
#include "common/Json.h"
#include "common/TextCodec.h"
#include "consolidation/AwbList.h"
#include "server/ServerLink.h"

namespace awbtransit {

namespace {

uint32_t Char(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }

const std::array<uint32_t, 28>& Types() {
  static const std::array<uint32_t, 28> types = [] {
    std::array<uint32_t, 28> t{};
    t[0] = Char(16);
    t[1] = AcsTypeEntry(kSqlCTimestamp);
    t[2] = AcsTypeEntry(kSqlCUTinyInt);
    for (int k = 0; k < kSteps; ++k) {
      t[static_cast<size_t>(3 + k)] = Char(24);
      t[static_cast<size_t>(8 + k)] = Char(256);
      t[static_cast<size_t>(13 + k)] = Char(256);
      t[static_cast<size_t>(18 + k)] = Char(128);
      t[static_cast<size_t>(23 + k)] = Char(128);
    }
    return t;
  }();
  return types;
}

const std::array<uint32_t, 1> kResultTypes = {AcsTypeEntry(kSqlCSLong)};

std::string Key(int column) { return std::to_string(column); }

// ",'text'" with the text cut to n bytes on a whole character, quotes
// doubled.
void AddText(std::string& sql, std::u16string_view text, size_t n) {
  sql += ",'";
  sql += NarrowFieldFromWide(text, n, true);
  sql += '\'';
}

}  // namespace

std::string LoadSql(std::u16string_view number) {
  return "SELECT cflightno,dfdate,nstate,cd1,cd2,cd3,cd4,cd5,cc1,cc2,cc3,cc4,cc5,ce1,ce2,ce3,ce4,"
         "ce5,ccp1,ccp2,ccp3,ccp4,ccp5,cep1,cep2,cep3,cep4,cep5 FROM brantle.dbo.client_rec_pack "
         "WHERE cawb='" +
         NarrowFieldFromWide(number, 30, true) + "'";
}

std::span<const uint32_t> LoadColumnTypes() { return Types(); }

bool ReadTransit(std::string_view reply, std::u16string_view number, TransitFields& fields) {
  fields = TransitFields{};
  if (reply.size() <= 9 || JsonFindKey("List", reply) == kJsonNone) return false;
  const std::string_view list = JsonListBody(reply, "List");
  std::string_view object;
  size_t pos = 0;
  if (!JsonNextObject(list, pos, object)) return false;
  JsonRowIndex row(object);
  fields.number = std::u16string(number);
  fields.flight = row.GetWString("0", 15);
  std::u16string takeOff = row.GetWString("1", 30);
  fields.takeOffTime = CutDateText(takeOff, 19);
  fields.state = row.GetByte("2", 0);
  for (int k = 0; k < kSteps; ++k) {
    const size_t i = static_cast<size_t>(k);
    fields.dates[i] = row.GetWString(Key(3 + k), 19);
    fields.details[i] = row.GetWString(Key(8 + k), 254);
    fields.detailsEnglish[i] = row.GetWString(Key(13 + k), 254);
    fields.places[i] = row.GetWString(Key(18 + k), 127);
    fields.placesEnglish[i] = row.GetWString(Key(23 + k), 127);
  }
  return true;
}

std::string SaveSql(const TransitFields& f) {
  std::string sql = "{?=CALL brantle.dbo.cp_client_rec_pack_track_ex(" + std::to_string(f.state);
  // The take-off time goes in its normalised form (digits, dots, colons).
  AddText(sql, NormalizeDateTimeText(f.takeOffTime), 24);
  AddText(sql, f.number, 30);
  AddText(sql, f.flight, 15);
  sql += ",1";
  for (int k = 0; k < kSteps; ++k) {
    const size_t i = static_cast<size_t>(k);
    AddText(sql, f.dates[i], 19);
    AddText(sql, f.details[i], 254);
    AddText(sql, f.detailsEnglish[i], 254);
    AddText(sql, f.places[i], 127);
    AddText(sql, f.placesEnglish[i], 127);
  }
  sql += ")}";
  return sql;
}

SaveResult Save(const serverlink::ProcedureSender& send, const TransitFields& fields) {
  SaveResult result;
  awblist::KeptReply kept;
  serverlink::ProcedureResult reply;
  if (!serverlink::CallProcedure(awblist::KeepingSender(send, kept), SaveSql(fields), kResultTypes,
                                 reply)) {
    result.failure = awblist::FailureText(kept.sent, kept.reply);
    return result;
  }
  if (reply.code >= 0) {
    result.outcome = SaveOutcome::kSaved;
  } else if (reply.code == -2) {
    result.outcome = SaveOutcome::kUnknownAwb;
  } else {
    result.failure = awblist::FailureText(kept.sent, kept.reply);
  }
  return result;
}

void Clear(TransitFields& fields) {
  const std::u16string number = fields.number;
  fields = TransitFields{};
  fields.number = number;
}

void FillStep(TransitFields& fields, int n, const std::u16string* prompt, std::u16string_view now) {
  if (n < 0 || n >= kSteps) return;
  const size_t i = static_cast<size_t>(n);
  if (prompt != nullptr) {
    const size_t bar = prompt->find(u'|');
    if (bar == std::u16string::npos) {
      fields.details[i] = *prompt;
    } else {
      fields.details[i] = prompt->substr(0, bar);
      fields.places[i] = prompt->substr(bar + 1);
    }
  }
  fields.dates[i] = std::u16string(now);
}

}  // namespace awbtransit
