#include "consolidation/BagList.h"

#include <span>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "print/PrintText.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"

namespace {

constexpr int kDaysBack = 180;

const uint32_t kTypes[] = {
    AcsTypeEntry(kSqlCChar, 32),  AcsTypeEntry(kSqlCChar, 64),   // cxno, cfrom
    AcsTypeEntry(kSqlCChar, 64),  AcsTypeEntry(kSqlCChar, 16),   // cdes, cstation
    AcsTypeEntry(kSqlCChar, 16),  AcsTypeEntry(kSqlCChar, 16),   // cstationd, cmark
    AcsTypeEntry(kSqlCChar, 64),  AcsTypeEntry(kSqlCSLong),      // ctransnote, nstate
    AcsTypeEntry(kSqlCTimestamp), AcsTypeEntry(kSqlCChar, 32),   // dsysdate, cinput
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCDouble),     // iitem, fweight
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCSLong),      // il, iw
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCChar, 32),   // ih, chno
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCChar, 16),   // ixid, corder
    AcsTypeEntry(kSqlCChar, 256)};                               // cmemo

// " AND <column>='<text>'" for a filter text that is not empty: cut to its
// room first, then trimmed and quoted.
void AppendCondition(std::u16string& sql, const char16_t* column, const std::u16string& text,
                     size_t room) {
  std::u16string value = QuoteSql(std::u16string_view(text).substr(0, room));
  if (value.empty()) return;
  sql += u" AND ";
  sql += column;
  sql += u"='" + value + u"'";
}

}  // namespace

std::u16string BagListQuery(int mode, const BagListFilter& filter, QDate today) {
  const QDate start = today.addDays(-kDaysBack);
  std::u16string sql = Printf16(
      "SELECT TOP 5000 cxno,cfrom,cdes,cstation,cstationd,cmark,ctransnote,nstate,dsysdate,"
      "cinput,iitem,fweight,il,iw,ih,chno,ixid,corder,cmemo FROM brantle.dbo.client_rec_xbag "
      "WHERE dsysdate>='%04d.%02d.%02d'",
      start.year(), start.month(), start.day());
  AppendCondition(sql, u"cfrom", filter.fromAirport, 63);
  AppendCondition(sql, u"cdes", filter.toAirport, 63);
  AppendCondition(sql, u"cstation", filter.fromStation, 15);
  AppendCondition(sql, u"cstationd", filter.toStation, 15);
  if (mode < 4) sql += Printf16(" AND nstate=%d", mode);
  if (mode == kBagListOpenBags) sql += u" AND iitem>0";
  sql += u" ORDER BY ixid";
  return sql;
}

BagListResult LoadBagList(CServerLink& link, const std::u16string& query,
                          const CLanguageTable& language, std::vector<BagListRow>& rows) {
  rows.clear();
  std::string reply;
  if (link.SqlQuery(GbkFromWide(query), kTypes, &reply) <= 9 || reply.size() <= 9)
    return BagListResult::kNoAnswer;
  if (JsonFindKey("List", reply) == kJsonNone) return BagListResult::kNoList;
  const std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex row;
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    BagListRow bag;
    bag.id = row.GetInt("16", 0);
    if (bag.id <= 0) continue;
    auto& c = bag.cells;
    c[0] = row.GetWString("0", 31);
    c[1] = row.GetWString("1", 63);
    c[2] = row.GetWString("2", 63);
    c[3] = Printf16("%d", row.GetInt("10", 0));
    c[4] = Printf16("%.3f", row.GetDouble("11", 0));
    const int l = row.GetInt("12", 0), w = row.GetInt("13", 0), h = row.GetInt("14", 0);
    if (l > 0 && w > 0 && h > 0) c[5] = Printf16("%d*%d*%d", l, w, h);
    c[6] = row.GetWString("17", 15);
    c[7] = row.GetWString("3", 15);
    c[8] = row.GetWString("4", 15);
    c[9] = row.GetWString("15", 31);
    c[10] = row.GetWString("8", 31);
    c[11] = row.GetWString("9", 31);
    c[12] = language.BagStateText(row.GetInt("7", 0));
    c[13] = row.GetWString("5", 15);
    c[14] = row.GetWString("6", 63);
    c[15] = row.GetWString("18", 255);
    rows.push_back(std::move(bag));
  }
  return BagListResult::kLoaded;
}
