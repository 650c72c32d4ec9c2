#include "shipping/PickupDispatch.h"

#include <QDate>

#include <cstdio>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "shell/CourierMessages.h"

namespace pickup {

namespace {

uint32_t Char(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }
const uint32_t kSlong = AcsTypeEntry(kSqlCSLong);
const uint32_t kDouble = AcsTypeEntry(kSqlCDouble);
const uint32_t kTime = AcsTypeEntry(kSqlCTimestamp);

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// The text cut to n bytes of GBK with its quotes doubled.
std::string Quoted(std::u16string_view text, size_t n) {
  std::string gbk = GbkFromWide(text);
  GbkTruncate(gbk, n);
  return QuoteSqlNarrow(gbk);
}

bool IsSet(std::u16string_view time) { return !time.empty() && time[0] >= u'2'; }

}  // namespace

std::string DateLimit(int year, int month, int day, int daysBack) {
  const QDate limit = QDate(year, month, day).addDays(-daysBack);
  return std::to_string(limit.year()) + "." + std::to_string(limit.month()) + "." +
         std::to_string(limit.day());
}

int RefreshMilliseconds(int seconds) { return seconds < 6 ? 10000 : seconds * 1000; }

std::string UnassignedSql(unsigned rows, std::string_view dateLimit, std::string_view station) {
  std::string sql =
      "SELECT TOP " + std::to_string(rows) +
      " a.iid,a.ddate,a.cnum,a.cemskind,a.csender,a.csphone,a.cdepart,a.csaddr,a.cdes,a.iitem,"
      "a.fweight,a.cgoods,a.iquantity,b.cunitname,b.caccount,a.cmark,a.cmemo,a.icid FROM "
      "brantle.dbo.rec_pre_input AS a INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) "
      "WHERE a.irid=0 AND a.ddate>='" + std::string(dateLimit) +
      "' AND (a.ctaker='' OR a.ctaker IS NULL)";
  if (!station.empty()) sql += " AND b.cstation='" + QuoteSqlNarrow(station) + "'";
  sql += " ORDER BY a.ddate";
  return sql;
}

std::string AssignedSql(unsigned rows, std::string_view dateLimit, std::string_view station,
                        std::optional<std::string_view> courier) {
  std::string sql =
      "SELECT TOP " + std::to_string(rows) +
      " a.iid,a.ddate,a.cnum,a.cplan,a.dplan,a.ctaker,a.dtake,a.cpmemo,a.cemskind,a.csender,"
      "a.csphone,a.cdepart,a.csaddr,a.cdes,a.iitem,a.fweight,a.cgoods,a.iquantity,b.cunitname,"
      "b.caccount,a.cmark,a.cmemo,a.icid FROM brantle.dbo.rec_pre_input AS a INNER JOIN "
      "brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.irid=0 AND a.ddate>='" +
      std::string(dateLimit) + "'";
  if (!station.empty()) sql += " AND b.cstation='" + QuoteSqlNarrow(station) + "'";
  if (courier) {
    const std::string name = QuoteSqlNarrow(*courier);
    sql += " AND (a.ctaker='" + name + "' OR a.cplan='" + name + "')";
  } else {
    sql += " AND a.ctaker<>''";
  }
  sql += " ORDER BY a.dplan DESC";
  return sql;
}

std::span<const uint32_t> UnassignedTypes() {
  static const uint32_t types[] = {kSlong,    kTime,     Char(32), Char(16),  Char(32), Char(32),
                                   Char(32),  Char(128), Char(64), kSlong,    kDouble,  Char(256),
                                   kSlong,    Char(64),  Char(32), Char(16),  Char(256), kSlong};
  return types;
}

std::span<const uint32_t> AssignedTypes() {
  static const uint32_t types[] = {kSlong,   kTime,     Char(32),  Char(32),  kTime,    Char(32),
                                   kTime,    Char(256), Char(16),  Char(32),  Char(32), Char(32),
                                   Char(128), Char(64), kSlong,    kDouble,   Char(256), kSlong,
                                   Char(64), Char(32),  Char(16),  Char(256), kSlong};
  return types;
}

bool ReadOrderRows(std::string_view reply, bool assigned, std::vector<OrderRow>& rows) {
  rows.clear();
  if (JsonFindKey("List", reply) == kJsonNone) return false;
  const std::span<const uint32_t> types = assigned ? AssignedTypes() : UnassignedTypes();
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex index;
  char number[64];
  while (JsonNextObject(list, pos, object)) {
    index.Reset(object);
    OrderRow row;
    row.iid = index.GetInt("0", 0);
    for (size_t k = 1; k < types.size(); ++k) {
      const std::string key = std::to_string(k);
      const uint16_t code = AcsTypeCode(types[k]);
      if (code == AcsTypeCode(kSlong)) {
        std::snprintf(number, sizeof number, "%d", index.GetInt(key, 0));
        row.cells.push_back(Ascii(number));
      } else if (code == AcsTypeCode(kDouble)) {
        std::snprintf(number, sizeof number, "%.3f", index.GetDouble(key, 0));
        row.cells.push_back(Ascii(number));
      } else {
        row.cells.push_back(index.GetWString(key, 255));
      }
    }
    rows.push_back(std::move(row));
  }
  return true;
}

std::string OrderSql(uint32_t iid) {
  return "SELECT a.icid,a.irid,a.ctaker,a.dtake,a.cplan,a.dplan,a.nplan,a.cpmemo,a.creceiver,a.caddr,"
         "a.cphone,a.csender,a.csaddr,a.csphone,a.cgoods,a.iquantity,a.cnum,a.fweight,b.caccount,"
         "b.cunitname,b.cmsn,a.ddate,a.cdepart FROM brantle.dbo.rec_pre_input AS a INNER JOIN "
         "brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.iid=" + std::to_string(iid);
}

std::span<const uint32_t> OrderTypes() {
  static const uint32_t types[] = {kSlong,    kSlong,    Char(32),  kTime,     Char(32), kTime,
                                   kSlong,    Char(256), Char(64),  Char(256), Char(64), Char(32),
                                   Char(128), Char(32),  Char(256), kSlong,    Char(32), kDouble,
                                   Char(32),  Char(64),  Char(64),  kTime,     Char(32)};
  return types;
}

bool ReadOrder(std::string_view reply, uint32_t iid, PickupOrder& o) {
  if (JsonFindKey("List", reply) == kJsonNone) return false;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  if (!JsonNextObject(list, pos, object)) return false;
  JsonRowIndex r(object);
  o.iid = static_cast<int32_t>(iid);
  o.icid = r.GetInt("0", 0);
  o.irid = r.GetInt("1", 0);
  o.taker = r.GetWString("2", 31);
  o.takeTime = r.GetWString("3", 19);
  o.planner = r.GetWString("4", 31);
  o.planTime = r.GetWString("5", 19);
  o.planCount = r.GetInt("6", 0);
  o.remark = r.GetWString("7", 255);
  o.receiver = r.GetWString("8", 63);
  o.receiverAddress = r.GetWString("9", 255);
  o.receiverPhone = r.GetWString("10", 63);
  o.sender = r.GetWString("11", 31);
  o.senderAddress = r.GetWString("12", 127);
  o.senderPhone = r.GetWString("13", 31);
  o.goods = r.GetWString("14", 255);
  o.quantity = r.GetInt("15", 0);
  o.number = r.GetWString("16", 31);
  o.weight = r.GetDouble("17", 0);
  o.account = r.GetWString("18", 31);
  o.customer = r.GetWString("19", 63);
  o.messengerId = r.GetWString("20", 30);
  o.date = r.GetWString("21", 19);
  o.department = r.GetWString("22", 31);
  return true;
}

std::u16string InformationText(const PickupOrder& o, const CLanguageTable& language) {
  char weight[64];
  std::snprintf(weight, sizeof weight, "%.3f", o.weight);
  std::u16string text = o.goods + u":" + Ascii(std::to_string(o.quantity)) + u"\r\n" +
                        language.Text(30004) + u":" + Ascii(weight);
  if (IsSet(o.takeTime))
    text += u"\r\n" + language.Text(520031) + u":" + o.takeTime + u"【" + o.taker + u"】";
  if (IsSet(o.planTime))
    text += u"\r\n" + language.Text(520032) + u":" + o.planTime + u"[" + o.planner + u"]";
  return text;
}

std::string MarshalSql(int32_t iid, std::u16string_view taker, std::string_view userGbk,
                       std::u16string_view remark, std::u16string_view sender,
                       std::u16string_view senderAddress, std::u16string_view senderPhone) {
  return "{?=CALL brantle.dbo.cp_rec_pre_input_set_marshal(" + std::to_string(iid) + ",'" +
         Quoted(taker, 31) + "','" + QuoteSqlNarrow(userGbk) + "','" + Quoted(remark, 255) + "','" +
         Quoted(sender, 31) + "','" + Quoted(senderAddress, 127) + "','" + Quoted(senderPhone, 30) +
         "')}";
}

std::string NoticeTime(int month, int day, int hour, int minute) {
  char text[64];
  std::snprintf(text, sizeof text, "%d-%d %02u:%02u", month, day, static_cast<unsigned>(hour),
                static_cast<unsigned>(minute));
  return text;
}

std::string DispatchFields(const PickupOrder& o, std::string_view userGbk, std::string_view time) {
  std::string fields;
  for (const std::u16string* v : {&o.number, &o.sender, &o.senderAddress, &o.senderPhone, &o.receiver,
                                  &o.receiverAddress, &o.receiverPhone})
    AppendCourierField(fields, std::u16string_view(*v));
  AppendCourierField(fields, userGbk);
  AppendCourierField(fields, time);
  AppendCourierField(fields, std::u16string_view(o.remark), 500);
  AppendCourierField(fields, std::u16string_view(o.taker));
  AppendCourierField(fields, std::u16string_view(o.account));
  AppendCourierField(fields, std::u16string_view(o.customer));
  return fields;
}

std::string NoticeFields(std::string_view time, std::u16string_view description,
                         std::u16string_view status, std::u16string_view account,
                         std::u16string_view name) {
  std::string fields;
  AppendCourierField(fields, time);
  AppendCourierField(fields, description, 500);
  AppendCourierField(fields, status);
  AppendCourierField(fields, account);
  AppendCourierField(fields, name);
  return fields;
}

}  // namespace pickup
