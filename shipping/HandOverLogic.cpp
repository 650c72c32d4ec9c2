#include "shipping/HandOverLogic.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/DateTime.h"
#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "refdata/Dictionaries.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<size_t>(n));
  std::string big(static_cast<size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  big.resize(static_cast<size_t>(n));
  return big;
}

std::u16string Text(int id) { return AppLanguage().Text(id); }

std::u16string TextWithCode(int id, int code) {
  std::u16string text = Text(id);
  ReplaceAllW(text, u"%1", WideFromGbk(std::to_string(code)));
  return text;
}

double ToDouble(const std::string& text) { return std::strtod(text.c_str(), nullptr); }
int ToInt(const std::string& text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

int Wait(const HandOverServices& services, const std::function<int()>& work) {
  return services.wait ? services.wait(work) : work();
}

}  // namespace

// ---- The check text ----

bool ParseHandOverCheckText(std::string_view buffer, HandOverCheckText& out) {
  out = HandOverCheckText{};
  const size_t end = std::min(buffer.find('\0'), buffer.size());
  std::string_view text = buffer.substr(0, end);
  // The customer-id marker: two bytes after the terminating zero, inside the
  // buffer only.
  const size_t marker = end + 2;
  if (end < buffer.size() && marker < buffer.size() && buffer[marker] == 'C')
    out.customerId = std::atoi(std::string(buffer.substr(marker + 1, 16)).c_str());
  if (!text.empty() && text[0] == 'V') text.remove_prefix(std::min<size_t>(4, text.size()));
  if (text.size() < 2) return false;
  size_t from = 0;
  size_t lf = text.find('\n', 2);
  for (int line = 0; line < kCheckTextLines - 1; ++line) {
    if (lf == std::string_view::npos) return false;
    out.lines[line] = std::string(text.substr(from, lf - from));
    from = lf + 1;
    lf = text.find('\n', from);
  }
  out.lines[kCheckTextLines - 1] = std::string(text.substr(from));
  return true;
}

int32_t CheckTextRecordId(const HandOverCheckText& text) {
  const std::string& line = text.lines[12];
  if (line.empty() || line.size() > 10) return 0;
  for (char c : line)
    if (c < '0' || c > '9') return 0;
  long long id = std::atoll(line.c_str());
  return id > 0 && id <= INT32_MAX ? static_cast<int32_t>(id) : 0;
}

// ---- Batch numbers ----

std::u16string MakeHandOverBatchText(int year, int month, int day, int nbatch) {
  return WideFromGbk(Format("%02d%02d%02d-%03d-0", year % 100, month, day, nbatch));
}

// ---- SQL ----

std::string HandOverCheckSql(const HandOverCheckArgs& a) {
  return Format("{?=CALL brantle.dbo.cp_client_rec_send_x_check(?,'%s',%d,%d,%.3f,%d,%c,'%s',%s,%d)}",
                QuoteSqlNarrow(a.number).c_str(), a.carrierId, a.batchId, a.weightKg,
                a.weightCheck, a.switch25 == '1' ? '1' : '0',
                QuoteSqlNarrow(a.station).c_str(), a.switch64 ? "1" : "0", a.numberMode);
}

std::string HandOverScan0Sql(const HandOverScanArgs& a) {
  return Format("{?=CALL brantle.dbo.cp_client_rec_send_scan_0(%d,%d,'%s','%s',%d,%d,%.2f,'%s','%s',%.3f,1)}",
                a.recordId, a.carrierId, QuoteSqlNarrow(a.carrierName).c_str(), "", a.batchId, 0,
                a.sale, QuoteSqlNarrow(a.userName).c_str(), "", a.weightKg);
}

std::string HandOverScan1Sql(const HandOverScanArgs& a, const SpecialPriceQuery& p) {
  return Format("{?=CALL brantle.dbo.cp_client_rec_send_scan_1(%d,%d,'%s',%.2f,'%s',%d,%d,%.2f,'%s','%s',%.3f,1,"
                "%.2f,%.2f,%.2f,0,0,0,%.2f,%.4f,%.2f)}",
                a.recordId, a.carrierId, QuoteSqlNarrow(a.carrierName).c_str(), a.cost, "",
                a.batchId, 0, a.sale, QuoteSqlNarrow(a.userName).c_str(), "", a.weightKg, p.base,
                p.addOn, p.customs, a.extraFee, p.rate, p.otherCustom);
}

std::string SendCancelBatchSql(int32_t firstRecordId, int32_t batchId, int32_t rowCount) {
  return Format("{?=CALL brantle.dbo.cp_client_rec_send_cancel(%d,%d,%d)}", firstRecordId, batchId,
                rowCount);
}

std::string SendCancelOneSql(int32_t recordId, std::string_view userName) {
  return Format("{?=CALL brantle.dbo.cp_client_rec_send_cancel_s(%d,'%s')}", recordId,
                QuoteSqlNarrow(userName).c_str());
}

const char kSendPageColumns[] =
    "a.irid,a.isid,a.ddate,a.cnum,a.cserviceno,a.nitemtype,a.iitem,a.fweights,a.cdes,a.fsprices,"
    "a.fcost,a.npayway,a.cemskind,a.dsenddate,a.cmemo,a.ctaker,a.fsacustom,a.fsaother,a.cpacking,"
    "a.ctransnote,a.creserve,a.cawb,a.cgoods,a.ibatch";

std::vector<uint32_t> SendPageColumnTypes() {
  const uint32_t slong = AcsTypeEntry(kSqlCSLong), dbl = AcsTypeEntry(kSqlCDouble),
                 ts = AcsTypeEntry(kSqlCTimestamp), byte = AcsTypeEntry(kSqlCUTinyInt);
  auto text = [](unsigned n) { return AcsTypeEntry(kSqlCChar, n); };
  return {slong,    slong,     ts,       text(32), text(32), byte,      slong,    dbl,
          text(64), dbl,       dbl,      byte,     text(16), ts,        text(256), text(32),
          dbl,      dbl,       text(16), text(64), text(32), text(32),  text(256), slong};
}

std::string SendPageRecordSql(int32_t recordId) {
  return Format("SELECT %s FROM brantle.dbo.client_rec a INNER JOIN brantle.dbo.client_arc b "
                "ON(a.icid=b.icid) WHERE a.irid=%d",
                kSendPageColumns, recordId);
}

std::string SendPageBatchSql(int32_t batchId) {
  return Format("SELECT %s FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
                "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.isid>0 AND a.ibatch=%d",
                kSendPageColumns, batchId);
}

std::string SendPageDateRangeSql(std::u16string_view from, std::u16string_view to) {
  return Format("SELECT TOP %d %s FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
                "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.isid>0 AND a.nstate IN(1,2) "
                "AND a.%s BETWEEN '%s' AND '%s' ORDER BY a.irid",
                1000, kSendPageColumns, "dsenddate", GbkFromWide(QuoteSql(from)).c_str(),
                GbkFromWide(QuoteSql(to)).c_str());
}

std::string MasterAwbListSql(int year, int month, int day) {
  return Format("SELECT cawb,COUNT(1) FROM brantle.dbo.client_rec WITH (NOLOCK) WHERE "
                "ddate>='%d.%d.%d' AND nstate=0 AND cawb<>'' GROUP BY cawb ORDER BY cawb",
                year, month, day);
}

std::vector<uint32_t> MasterAwbListTypes() {
  return {AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCSLong)};
}

std::string MasterAwbRecordsSql(std::u16string_view awb) {
  // The internal number closes the list: the hand-over sends by it.
  return Format("SELECT irid,cdes,fweights,ddate,cserviceno,cemskind,iitem,nstate,cnum FROM "
                "brantle.dbo.client_rec WITH (NOLOCK) WHERE cawb='%s' ORDER BY irid",
                GbkFromWide(QuoteSql(awb)).c_str());
}

std::vector<uint32_t> MasterAwbRecordsTypes() {
  return {AcsTypeEntry(kSqlCSLong),   AcsTypeEntry(kSqlCChar, 64), AcsTypeEntry(kSqlCDouble),
          AcsTypeEntry(kSqlCTimestamp), AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 16),
          AcsTypeEntry(kSqlCSLong),   AcsTypeEntry(kSqlCUTinyInt), AcsTypeEntry(kSqlCChar, 32)};
}

std::u16string SendRecordQuerySql(const SendRecordQueryConditions& c) {
  std::u16string sql =
      u"SELECT TOP 1000 a.irid,a.cdes,a.fweights,a.ddate,a.cserviceno,a.cemskind,a.iitem,a.nstate,"
      u"a.cnum,a.cmark FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
      u"brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.nstate";
  sql += c.listFlag == 0 ? u"=0" : u">=0";
  if (!c.station.empty()) sql += u" AND b.cstation='" + QuoteSql(c.station) + u"'";
  if (!c.clientKind.empty()) sql += u" AND b.ckind LIKE '" + QuoteSql(c.clientKind) + u"'";
  std::u16string from = c.dateFrom, to = c.dateTo;
  if (!from.empty()) MakeQueryDateTimeBound(from, false);
  if (!to.empty()) MakeQueryDateTimeBound(to, true);
  if (!from.empty()) sql += u" AND a.ddate>='" + QuoteSql(from) + u"'";
  if (!to.empty()) sql += u" AND a.ddate<='" + QuoteSql(to) + u"'";
  auto trimRight = [](std::u16string text) {
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
    return text;
  };
  const std::u16string destination = trimRight(c.destination), kind = trimRight(c.serviceKind);
  if (!destination.empty()) sql += u" AND a.cdes='" + QuoteSql(destination) + u"'";
  if (!kind.empty()) sql += u" AND a.cemskind='" + QuoteSql(kind) + u"'";
  sql += u" ORDER BY a.irid";
  return sql;
}

std::vector<uint32_t> SendRecordQueryTypes() {
  return {AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCChar, 64), AcsTypeEntry(kSqlCDouble),
          AcsTypeEntry(kSqlCTimestamp), AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 16),
          AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCUTinyInt), AcsTypeEntry(kSqlCChar, 32),
          AcsTypeEntry(kSqlCChar, 16)};
}

// ---- One hand-over ----

namespace {

struct CheckReply {
  bool ok = false;      // ReturnValue 2 with a List
  int code = -9;
  std::string second;   // column "1"
};

CheckReply RunCheck(const HandOverServices& s, const HandOverCheckArgs& args) {
  const std::string sql = HandOverCheckSql(args);
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 1024)};
  std::string reply;
  Wait(s, [&] { return s.link->SqlExecute(sql, types, &reply); });
  CheckReply r;
  std::string_view list = JsonListBody(reply, "List");
  if (JsonGetInt("ReturnValue", reply, 0) != 2 || JsonFindKey("List", reply) == kJsonNone) return r;
  size_t pos = 0;
  std::string_view row;
  if (!JsonNextObject(list, pos, row)) return r;
  r.ok = true;
  r.code = JsonGetInt("0", row, -9);
  r.second = JsonGetString("1", row, kCheckTextBufferSize - 1);
  return r;
}

int CheckCodeText(int code) {
  switch (code) {
    case -2: return 200020;
    case -3: return 200021;
    case -5: return 200022;
    case -6: return 200023;
    case -7: return 200024;
    case -8: return 200025;
    case -10: return 200026;
    case -12: return 200021;
    case -13: return 200028;
    default: return 0;
  }
}

}  // namespace

HandOverOutcome SendToNextCarrier(const HandOverServices& s, const HandOverSettings& settings,
                                  const HandOverRequest& request) {
  HandOverOutcome out;
  auto fail = [&](int result, std::u16string text, bool show) {
    out.result = result;
    out.message = std::move(text);
    if (show && s.show) s.show(out.message);
    return out;
  };
  if (s.link == nullptr || request.carrier == nullptr) return fail(-9, Text(kHandOverNoCarrierText), request.showMessages);

  HandOverCheckArgs args;
  args.number = request.number;
  args.carrierId = request.carrier->isid;
  args.batchId = BatchTextToId(request.batchText);
  args.weightKg = request.formWeightKg;
  args.weightCheck = settings.weightCheck;
  args.switch25 = settings.switch25;
  args.station = s.station;
  args.switch64 = settings.switch64;
  args.numberMode = request.numberMode;

  // 2-4: the check, asked again once the operator accepts a weight difference.
  CheckReply check;
  for (;;) {
    check = RunCheck(s, args);
    if (!check.ok) return fail(-9, s.link->LastErrorText(), request.showMessages);
    if (check.code != -11) break;
    std::u16string question = WideFromGbk(check.second);
    ReplaceAllW(question, u"入重", Text(30004));
    ReplaceAllW(question, u"出重", Text(30025));
    question += u"\n";
    question += Text(200028);
    if (args.weightCheck == -1 || !s.askWeight || !s.askWeight(question))
      return fail(-8, TextWithCode(20023, -11), request.showMessages);
    args.weightCheck = -1;
  }
  if (check.code < 0) {
    const int id = CheckCodeText(check.code);
    return fail(-8, id ? Text(id) : TextWithCode(20023, check.code), request.showMessages);
  }

  // The check text, in its zero-filled buffer.
  std::string buffer(kCheckTextBufferSize, '\0');
  std::memcpy(buffer.data(), check.second.data(), std::min(check.second.size(), kCheckTextBufferSize - 1));
  HandOverCheckText text;
  if (!ParseHandOverCheckText(buffer, text)) return fail(-7, TextWithCode(20023, -9), true);
  out.checkedRecordId = check.code;
  out.customerId = text.customerId;
  // The record id of line 12 as a number; the check's own code is the same
  // id and stands in when the line is not one.
  int32_t recordId = CheckTextRecordId(text);
  if (recordId <= 0) recordId = check.code;

  // 5-8: local checks.
  CServiceKind* kind = s.findKind ? s.findKind(text.lines[8]) : nullptr;
  if (kind == nullptr) return fail(-2, Text(200030), request.showMessages);
  const SupplierRate* rate = kind->FindSupplierRate(request.carrier->isid);
  if (rate == nullptr) return fail(-3, Text(200031), request.showMessages);
  if (rate->nstate != 0) return fail(-3, Text(200032), request.showMessages);
  if (settings.areaCheck && !kind->HasArea(text.lines[1])) {
    std::u16string message = Text(200033);
    ReplaceAllW(message, u"%1", WideFromGbk(kind->cemskind));
    ReplaceAllW(message, u"%2", WideFromGbk(text.lines[1]));
    return fail(-4, message, request.showMessages);
  }
  if (!kind->CheckNoMask(request.numberMode == 1 ? text.lines[2] : request.number))
    return fail(-5, Text(200034), request.showMessages);

  // 9: weight and the carrier's extra weight.
  double weight = ToDouble(text.lines[5]);
  int32_t grams = RoundScaled(weight, 1000);
  if (rate->addedWeight != 0 && rate->beginWeight > 0 && text.lines[3] == text.lines[5] &&
      grams >= rate->beginWeight) {
    grams += rate->addedWeight;
    weight = grams * 0.001;
  }

  // 10: prices.
  double cost = ToDouble(text.lines[7]), sale = ToDouble(text.lines[6]), extra = 0;
  SpecialPriceQuery price;
  bool priced = false;
  if (weight >= 0.001 && (cost <= 0 || settings.feeRequery) && kind->ncost != 0) {
    price.supplierId = request.carrier->isid;
    price.itemCount = ToInt(text.lines[9]);
    price.weightGrams = grams;
    price.itemType = static_cast<uint8_t>(ToInt(text.lines[10]));
    price.language = static_cast<uint8_t>(ToInt(text.lines[13]));
    price.destination = text.lines[1];
    price.serviceKindCode = kind->cemskind;
    if (Wait(s, [&] { return s.link->QuerySpecialPrice(price); }) > 0) {
      priced = true;
      cost = price.cost;
      sale = price.salePrice;
      if (rate->fother >= 0.01) {
        extra = rate->fother;
        cost += extra;
        sale += extra;
      }
    }
  }

  // 11-12: the hand-over.
  HandOverScanArgs scan;
  scan.recordId = recordId;
  scan.carrierId = request.carrier->isid;
  scan.carrierName = request.carrier->cname;
  scan.batchId = args.batchId;
  scan.cost = cost;
  scan.sale = sale;
  scan.userName = s.userName;
  scan.weightKg = weight;
  scan.extraFee = extra;
  out.specialPrice = priced;
  out.handOverSql = priced ? HandOverScan1Sql(scan, price) : HandOverScan0Sql(scan);
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  std::string reply;
  Wait(s, [&] { return s.link->SqlExecute(out.handOverSql, types, &reply); });
  if (JsonGetInt("ReturnValue", reply, 0) != 1 || JsonFindKey("List", reply) == kJsonNone)
    return fail(-9, s.link->LastErrorText(), true);
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  const int result = JsonNextObject(list, pos, row) ? JsonGetInt("0", row, -9) : -9;
  if (result < 0) {
    const int id = result == -2 ? 200020 : result == -3 ? 200021 : result == -5 ? 200022 : 0;
    return fail(result, id ? Text(id) : TextWithCode(20023, result), request.showMessages);
  }
  out.result = grams;
  return out;
}
