#include "ui/QuickSearchQueries.h"

#include <array>
#include <cstdio>

#include "common/DateTime.h"
#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "refdata/AwbBagLists.h"
#include "server/ServerLink.h"

namespace {

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Number(long long value) { return Ascii(std::to_string(value)); }

// A SELECT head with its row limit in place of "%d".
std::u16string Head(std::u16string_view head, int rows) {
  std::u16string text(head);
  const size_t at = text.find(u"%d");
  if (at != std::u16string::npos) text.replace(at, 2, Number(rows));
  return text;
}

// `column='value'` with the value quoted; nothing for a value that trims to
// empty.
void AddEquals(std::u16string& sql, std::u16string_view column, std::u16string_view value) {
  const std::u16string quoted = QuoteSql(value);
  if (quoted.empty()) return;
  sql += u" AND ";
  sql += column;
  sql += u"='";
  sql += quoted;
  sql += u'\'';
}

// `column LIKE 'pattern'` with the pattern of the mode (MakeSqlLikePattern);
// nothing for a value that trims to empty.
void AddLike(std::u16string& sql, std::u16string_view column, std::u16string_view value, int mode) {
  const std::u16string pattern = MakeSqlLikePattern(value, mode);
  if (pattern.empty() || QuoteSql(value).empty()) return;
  sql += u" AND ";
  sql += column;
  sql += u" LIKE '";
  sql += pattern;
  sql += u'\'';
}

// The login's GBK text as an SQL literal's body.
std::u16string QuotedLogin(const std::string& gbk) { return QuoteSql(WideFromGbk(gbk)); }

// The login's station and client kind on the customer table of an alias.
void AddLoginRestriction(std::u16string& sql, const QuickSearchLogin& login,
                         std::u16string_view alias) {
  const std::u16string station = QuotedLogin(login.station);
  if (!station.empty()) {
    sql += u" AND ";
    sql += alias;
    sql += u".cstation='" + station + u"'";
  }
  const std::u16string kind = QuotedLogin(login.clientKind);
  if (!kind.empty()) {
    sql += u" AND ";
    sql += alias;
    sql += u".ckind LIKE '" + kind + u"'";
  }
}

// A typed date in its normalised form; empty when it names no date.
std::u16string DateGiven(std::u16string_view text) {
  std::u16string date = NormalizeDateText(text);
  if (date == kNoDate) date.clear();
  return date;
}

// The payment-way clause of the customer test by the code 1 monthly + 10
// cash + 100 collect.
std::u16string PaymentClause(int code, std::u16string_view column) {
  std::u16string_view test;
  switch (code) {
    case 1: test = u"=0"; break;
    case 10: test = u"=1"; break;
    case 100: test = u"=2"; break;
    case 11: test = u"<>2"; break;
    case 101: test = u"<>1"; break;
    case 110: test = u"<>0"; break;
    default: return {};
  }
  return u" AND " + std::u16string(column) + std::u16string(test);
}

// A query bound of a typed date and time (empty when unreadable).
std::u16string Bound(std::u16string_view text, bool upper) {
  std::u16string bound(text);
  MakeQueryDateTimeBound(bound, upper);
  return bound;
}

void AddBounds(std::u16string& sql, std::u16string_view column, std::u16string_view from,
               std::u16string_view to) {
  const std::u16string lower = Bound(from, false);
  if (!lower.empty()) sql += u" AND " + std::u16string(column) + u" >='" + lower + u"'";
  const std::u16string upper = Bound(to, true);
  if (!upper.empty()) sql += u" AND " + std::u16string(column) + u" <'" + upper + u"'";
}

// A fee pair: 1 for unpaid only adds "=0", 10 for paid only ">0".
void AddFee(std::u16string& sql, std::u16string_view column, bool unpaid, bool paid) {
  if (unpaid == paid) return;
  sql += u" AND  ";
  sql += column;
  sql += unpaid ? u"=0" : u">0";
}

constexpr std::u16string_view kWaybillSelect = u"a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate";
constexpr std::u16string_view kWaybillHead =
    u"SELECT TOP %d %s FROM brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN "
    u"brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.irid>0";
constexpr std::u16string_view kCustomerHead =
    u"SELECT TOP %d a.icid,a.cunitname,a.caccount FROM brantle.dbo.client_arc AS a WHERE "
    u"a.nactive=0";
constexpr std::u16string_view kAwbHead =
    u"SELECT TOP %d cawb,cdes,detd,cagent,nstate FROM brantle.dbo.client_rec_pack WHERE "
    u"ntype IN(0,1)";
constexpr std::u16string_view kBagHead =
    u"SELECT TOP %d ixid,cxno,cfrom,cdes,nstate FROM brantle.dbo.client_rec_xbag WHERE ixid>0";

const std::array<uint32_t, 3> kCustomerTypes = {
    AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 64), AcsTypeEntry(kSqlCChar, 32)};
const std::array<uint32_t, 5> kWaybillTypes = {
    AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 32),
    AcsTypeEntry(kSqlCChar, 64), AcsTypeEntry(kSqlCUTinyInt)};
const std::array<uint32_t, 5> kAwbTypes = {
    AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 64), AcsTypeEntry(kSqlCTimestamp),
    AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCUTinyInt)};
const std::array<uint32_t, 5> kBagTypes = {
    AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 64),
    AcsTypeEntry(kSqlCChar, 64), AcsTypeEntry(kSqlCUTinyInt)};

std::u16string WaybillRowText(JsonRowIndex& row) {
  std::u16string text(WaybillStateMark(row.GetInt("4", 0)));
  std::u16string number = row.GetWString("2", 30);
  if (number.empty()) number = row.GetWString("1", 30);
  text += number;
  text += u'-';
  const std::u16string destination = row.GetWString("3", 63);
  if (destination.size() > 15) {
    text += u"...";
    text += destination.substr(0, 14);
  } else {
    text += destination;
  }
  return text;
}

std::u16string CustomerRowText(JsonRowIndex& row) {
  return u"<" + row.GetWString("2", 30) + u">" + row.GetWString("1", 63);
}

std::u16string AwbRowText(JsonRowIndex& row) {
  std::u16string text(1, AwbStateMark(row.GetInt("4", 0)));
  text += row.GetWString("0", 30);
  text += u'<';
  text += row.GetWString("1", 63);
  text += u'>';
  const std::u16string departure = row.GetWString("2", 30);
  if (!departure.empty() && departure[0] >= u'2') {
    text += u'[';
    text += departure.substr(0, 10);
    text += u']';
  }
  text += row.GetWString("3", 63);
  return text;
}

std::u16string BagRowText(JsonRowIndex& row, const CLanguageTable& language) {
  return row.GetWString("1", 30) + u"[" + row.GetWString("2", 63) + u"->" +
         row.GetWString("3", 63) + u"]" + language.BagStateText(row.GetInt("4", 0));
}

}  // namespace

std::u16string RecentWaybillsSql(const QuickSearchLogin& login) {
  std::u16string sql = Head(kWaybillHead, kRecentWaybillRows);
  sql.replace(sql.find(u"%s"), 2, kWaybillSelect);
  AddLoginRestriction(sql, login, u"b");
  sql += u"  ORDER BY a.irid DESC";
  return sql;
}

const WaybillListHeads& QuickWaybillHeads() {
  static const WaybillListHeads heads = {
      std::u16string(kWaybillSelect),
      std::u16string(kWaybillHead),
      u" ORDER BY a.irid DESC",
      u"SELECT %s,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
      u"brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.irid IN(SELECT irid FROM "
      u"brantle.dbo.client_rec_xbag_item where ixid",
      u"SELECT %s,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
      u"brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.cawb"};
  return heads;
}

std::u16string RecentCustomersSql(const QuickSearchLogin& login) {
  std::u16string sql = Head(kCustomerHead, kRecentCustomerRows);
  AddLoginRestriction(sql, login, u"a");
  sql += u"  ORDER BY a.icid DESC";
  return sql;
}

std::u16string CustomerQuerySql(const CustomerQueryConditions& c) {
  std::u16string sql = Head(kCustomerHead, kQueryRows);
  // Dates go into the text only in their normalised form.
  const std::u16string activeDate = DateGiven(c.activeDate);
  const std::u16string createdFrom = DateGiven(c.createdFrom);
  const std::u16string createdTo = DateGiven(c.createdTo);
  const std::u16string businessFrom = DateGiven(c.businessFrom);
  const std::u16string businessTo = DateGiven(c.businessTo);
  const bool createdRange = !createdFrom.empty() && !createdTo.empty();
  const int payment = (c.payMonthly ? 1 : 0) + (c.payCash ? 10 : 0) + (c.payCollect ? 100 : 0);

  if (!activeDate.empty()) {
    sql += u" AND EXISTS(SELECT 1 FROM brantle.dbo.client_rec where a.icid=icid  AND ddate "
           u"BETWEEN '" + activeDate + u" 0:0:0.0' AND '" + activeDate + u" 23:59:59.998')";
  } else if (createdRange || c.unpricedOnly || c.unreconciledOnly) {
    sql += c.hasRecords == 1 ? u" AND NOT EXISTS(" : u" AND EXISTS(";
    sql += u"SELECT 1 FROM brantle.dbo.client_rec WHERE a.icid=icid";
    if (createdRange) {
      sql += PaymentClause(payment, u"npayway");
      sql += u" AND ddate BETWEEN '" + createdFrom + u" 0:0:0.0' AND '" + createdTo +
             u" 23:59:59.998')";
    } else {
      sql += PaymentClause(payment, u"a.npayway");
      if (c.unpricedOnly) sql += u" AND famount<0.01";
      if (c.unreconciledOnly) sql += u" AND ifid=0";
      sql += u')';
    }
  }
  AddLike(sql, u"a.cmark", c.tags, 2);
  if (!businessFrom.empty()) sql += u" AND a.ddate>='" + businessFrom + u" 0:0:0.0'";
  if (!businessTo.empty()) sql += u" AND a.ddate<='" + businessTo + u" 23:59:59.998'";
  if (!QuoteSql(c.webAccount).empty()) {
    const std::u16string q = MakeSqlLikePattern(c.webAccount, 2);
    sql += u" AND (a.cmsn LIKE '" + q + u"' OR a.cqq LIKE '" + q + u"' OR a.cskype LIKE '" + q +
           u"' OR a.cwebac LIKE '" + q + u"' OR a.cemail LIKE '" + q + u"' OR a.cwang LIKE '" +
           q + u"' OR a.cwechat LIKE '" + q + u"')";
  }
  AddLike(sql, u"a.caddr", c.address, 2);
  AddLike(sql, u"a.cunitname", c.name, 2);
  AddLike(sql, u"a.caddre", c.englishAddress, 2);
  AddLike(sql, u"a.cunitnamee", c.englishName, 2);
  AddLike(sql, u"a.ccity", c.city, 2);
  AddLike(sql, u"a.cphone", c.phone, 2);
  AddLike(sql, u"a.caccount", c.account, 2);
  AddLike(sql, u"a.cbrief", c.shortName, 2);
  AddLike(sql, u"a.ckind", c.group, 2);
  if (c.minDebt >= 0.01) {
    char debt[64];
    std::snprintf(debt, sizeof debt, "%.2f", c.minDebt);
    sql += u" AND a.fpay0+a.fpay1-a.fdeposit>=" + Ascii(debt);
  }
  AddEquals(sql, u"a.cstation", c.station);
  sql += u" ORDER BY a.cunitname";
  return sql;
}

std::u16string RecentAwbsSql() {
  return Head(kAwbHead, kRecentAwbRows) + u" ORDER BY ddate DESC";
}

std::u16string AwbQueryConditionsSql(const AwbQueryConditions& c, std::u16string_view anyRoute) {
  std::u16string sql;
  AddBounds(sql, c.dateKind == 1 ? u"dfdate" : u"ddate", c.dateFrom, c.dateTo);
  // A route emptied by hand asks for an empty airline.
  if (c.route != anyRoute) sql += u" AND cairline='" + QuoteSql(c.route) + u"'";
  if (c.awbState >= 0 && c.awbState < 3) sql += u" AND nstate=" + Number(c.awbState);
  const std::u16string serial = QuoteSql(c.awbSerial);
  const std::u16string prefix = QuoteSql(c.awbPrefix);
  if (!serial.empty() && !prefix.empty()) {
    sql += u" AND cawb='" + prefix + u"-" + serial + u"'";
  } else if (!serial.empty()) {
    sql += u" AND cawb LIKE '%-" + MakeSqlLikePattern(c.awbSerial, 3) + u"'";
  } else if (!prefix.empty()) {
    sql += u" AND cawb LIKE '" + MakeSqlLikePattern(c.awbPrefix, 3) + u"-%'";
  }
  const std::u16string flight = QuoteSql(c.flightNo);
  if (!flight.empty()) {
    sql += u" AND (cflightno='" + flight + u"' OR cflightno2='" + flight + u"')";
  }
  AddEquals(sql, u"cfrom", c.origin);
  AddEquals(sql, u"cdes", c.destination);
  AddEquals(sql, u"creceiver", c.agentAccount);
  AddFee(sql, u"ifreight", c.feeTransportUnpaid, c.feeTransportPaid);
  AddFee(sql, u"icustout", c.feeCustomsUnpaid, c.feeCustomsPaid);
  AddFee(sql, u"icustin", c.feeClearanceUnpaid, c.feeClearancePaid);
  AddFee(sql, u"idelivery", c.feeDeliveryUnpaid, c.feeDeliveryPaid);
  AddFee(sql, u"iother", c.feeOtherUnpaid, c.feeOtherPaid);
  return sql;
}

std::u16string AwbQuerySql(const AwbQueryConditions& c, std::u16string_view anyRoute) {
  return Head(kAwbHead, kQueryRows) + AwbQueryConditionsSql(c, anyRoute) + u" ORDER BY ddate DESC";
}

std::u16string RecentBagsSql(int bagStateFilter) {
  std::u16string sql = Head(kBagHead, kRecentBagRows);
  if (bagStateFilter == 0) sql += u" AND nstate=0";
  if (bagStateFilter == 1) sql += u" AND nstate IN(0,1)";
  sql += u" ORDER BY ixid DESC";
  return sql;
}

std::u16string BagQuerySql(const BagQueryConditions& c) {
  std::u16string sql = Head(kBagHead, kQueryRows);
  if (c.bagState >= 0 && c.bagState < 4) sql += u" AND nstate=" + Number(c.bagState);
  AddEquals(sql, u"cstation", c.stationFrom);
  AddEquals(sql, u"cstationd", c.stationTo);
  AddBounds(sql, u"dsysdate", c.dateFrom, c.dateTo);
  const std::u16string tags = QuoteSql(c.tags);
  if (!tags.empty()) sql += u" AND cmark LIKE '%" + tags + u"%'";
  AddLike(sql, u"cawb", c.awbNumber, 1);
  AddLike(sql, u"chno", c.controlNo, 1);
  AddLike(sql, u"cxno", c.bagNo, 1);
  AddEquals(sql, u"cfrom", c.airportFrom);
  AddEquals(sql, u"cdes", c.airportTo);
  AddEquals(sql, u"cinput", c.creator);
  sql += u" ORDER BY ixid DESC";
  return sql;
}

std::span<const uint32_t> QuickSearchColumnTypes(int mode) {
  switch (mode) {
    case kQuickCustomers: return kCustomerTypes;
    case kQuickWaybills: return kWaybillTypes;
    case kQuickAwbs: return kAwbTypes;
    case kQuickBags: return kBagTypes;
    default: return {};
  }
}

std::u16string_view WaybillStateMark(int state) {
  static constexpr std::array<std::u16string_view, 5> kMarks = {u"  ", u"○", u"◎", u"√", u"※"};
  if (state < 0) state = 0;
  return kMarks[static_cast<size_t>(state > 4 ? 4 : state)];
}

bool ReadQuickSearchRows(int mode, std::string_view reply, const CLanguageTable& language,
                         std::vector<QuickSearchRow>& rows) {
  const int32_t total = JsonGetInt("iTotal", reply, 0);
  if (total <= 0 || JsonFindKey("List", reply) == kJsonNone) return false;
  const std::string_view list = JsonListBody(reply, "List");
  std::vector<QuickSearchRow> read;
  std::string_view object;
  size_t pos = 0;
  int objects = 0;
  JsonRowIndex row;
  while (JsonNextObject(list, pos, object)) {
    ++objects;
    row.Reset(object);
    QuickSearchRow item;
    if (mode == kQuickAwbs) {
      const std::u16string number = row.GetWString("0", 30);
      item.id = static_cast<int32_t>(HashText30(number));
      item.text = AwbRowText(row);
      read.push_back(std::move(item));
      continue;
    }
    item.id = row.GetInt("0", 0);
    if (item.id < 1) continue;
    switch (mode) {
      case kQuickCustomers: item.text = CustomerRowText(row); break;
      case kQuickWaybills: item.text = WaybillRowText(row); break;
      case kQuickBags: item.text = BagRowText(row, language); break;
      default: return false;
    }
    read.push_back(std::move(item));
  }
  // A reply cut short holds fewer objects than it announced.
  if (objects < total) return false;
  rows = std::move(read);
  return true;
}
