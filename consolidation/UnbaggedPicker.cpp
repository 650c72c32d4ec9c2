#include "consolidation/UnbaggedPicker.h"

#include <algorithm>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/TextCodec.h"
#include "print/PrintText.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"

namespace {

constexpr int kDaysBack = 60;

constexpr char16_t kColumns[] =
    u"a.irid,a.cnum,a.cserviceno,a.iitem,a.fweights,a.cemskind,a.cdes,a.cgoods,a.idvalue,"
    u"a.ddate,a.cmark,c.cno,a.ccity,c.ilong,c.iwidth,c.iheight,c.iweight,a.clwh,c.iquantity,"
    u"c.iprice,c.cgoods,ISNULL(c.wpos,0),a.creserve,a.ixbag";

constexpr char16_t kTables[] =
    u" FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_arc AS b "
    u"ON(a.icid=b.icid) LEFT OUTER JOIN brantle.dbo.client_rec_weight_detail AS c "
    u"ON(a.irid=c.irid)";

const uint32_t kTypes[] = {
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCChar, 32),  AcsTypeEntry(kSqlCChar, 32),
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCDouble),    AcsTypeEntry(kSqlCChar, 16),
    AcsTypeEntry(kSqlCChar, 64),  AcsTypeEntry(kSqlCChar, 256), AcsTypeEntry(kSqlCSLong),
    AcsTypeEntry(kSqlCTimestamp), AcsTypeEntry(kSqlCChar, 16),  AcsTypeEntry(kSqlCChar, 32),
    AcsTypeEntry(kSqlCChar, 128), AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCSLong),
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCChar, 16),
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCChar, 256),
    AcsTypeEntry(kSqlCSLong),     AcsTypeEntry(kSqlCChar, 32),  AcsTypeEntry(kSqlCSLong)};

const uint32_t kPositionTypes[] = {AcsTypeEntry(kSqlCSLong)};

std::u16string StationCondition(std::u16string_view station) {
  const std::u16string quoted = QuoteSql(station.substr(0, 15));
  return quoted.empty() ? std::u16string() : u" AND b.cstation='" + quoted + u"'";
}

std::u16string Cut(const std::u16string& text, size_t room) { return text.substr(0, room); }

}  // namespace

std::u16string UnbaggedDateQuery(const UnbaggedFilter& filter, std::u16string_view station,
                                 QDate today) {
  const QDate start = today.addDays(-kDaysBack);
  std::u16string sql = u"SELECT TOP 50000 ";
  sql += kColumns;
  sql += kTables;
  sql += Printf16(" WHERE a.ddate>='%04d.%02d.%02d'", start.year(), start.month(), start.day());
  sql += u" AND a.cawb='' AND (a.ixbag IS NULL OR a.ixbag<a.iitem)";
  sql += StationCondition(station);
  if (auto kind = QuoteSql(Cut(filter.serviceKind, 15)); !kind.empty())
    sql += u" AND a.cemskind='" + kind + u"'";
  if (auto destination = QuoteSql(Cut(filter.destination, 63)); !destination.empty())
    sql += u" AND a.cdes='" + destination + u"'";
  if (auto reserve = MakeSqlLikePattern(Cut(filter.reserve, 30), 2); !reserve.empty())
    sql += u" AND a.creserve LIKE '" + reserve + u"'";
  if (auto label = MakeSqlLikePattern(Cut(filter.label, 15), 2); !label.empty())
    sql += u" AND a.cmark LIKE '" + label + u"'";
  sql += u" ORDER BY a.irid,c.wpos";
  return sql;
}

std::u16string UnbaggedNumberListQuery(const std::vector<std::u16string>& numbers,
                                       bool waybillNumbers, std::u16string_view station) {
  std::u16string list;
  for (const std::u16string& number : numbers) {
    const std::u16string quoted = QuoteSql(number);
    if (quoted.empty()) continue;
    if (!list.empty()) list += u',';
    list += u"'" + quoted + u"'";
  }
  if (list.empty()) return {};
  std::u16string sql = u"SELECT ";
  sql += kColumns;
  sql += kTables;
  sql += u"WHERE a.cawb='' AND (a.ixbag IS NULL OR a.ixbag<a.iitem)";
  sql += StationCondition(station);
  sql += waybillNumbers ? u" AND a.cnum IN(" : u" AND a.cserviceno IN(";
  sql += list + u") ORDER BY a.irid,c.wpos";
  return sql;
}

PieceWeight PieceWeights(const PieceWeightRules& rules, int32_t length, int32_t width,
                         int32_t height, int32_t grams, std::u16string_view dimensionText,
                         double weight, int32_t pieces) {
  PieceWeight result;
  const std::string text = GbkFromWide(dimensionText);
  int32_t l = 0, w = 0, h = 0;
  const char letter = rules.parseDimensions ? rules.parseDimensions(text, l, w, h) : 0;
  auto volumetric = [&](int32_t a, int32_t b, int32_t c) {
    return rules.volumetricWeight ? rules.volumetricWeight(a, b, c, letter) / 1000.0 : 0.0;
  };
  double share = weight;
  if (pieces > 1) {
    share = weight / pieces;
    if (length < 1 || width < 1 || height < 1) {
      result.chargeable = result.actual = grams >= 1 ? grams / 1000.0 : share;
    } else {
      result.chargeable = volumetric(length, width, height);
      result.actual = grams / 1000.0;
      l = length;
      w = width;
      h = height;
    }
  } else {
    result.actual = weight;
    result.chargeable = dimensionText.size() > 4 ? volumetric(l, w, h) : 0;
  }
  result.chargeable = std::max(result.chargeable, share);
  if (l > 0 && w > 0 && h > 0) result.dimensions = Printf16("%d*%d*%d", l, w, h);
  return result;
}

std::u16string PieceKey(int32_t waybillId, int32_t position) {
  return Printf16("%010u%03u", static_cast<unsigned>(waybillId), static_cast<unsigned>(position));
}

std::vector<UnbaggedRow> BuildUnbaggedRows(const std::vector<UnbaggedSource>& sources,
                                           bool perWaybillItems, const PieceWeightRules& rules,
                                           std::vector<int32_t>& partlyBagged) {
  std::vector<UnbaggedRow> rows;
  auto note = [&](int32_t id) {
    if (partlyBagged.empty() || partlyBagged.back() != id) partlyBagged.push_back(id);
  };
  for (const UnbaggedSource& s : sources) {
    if (static_cast<int>(rows.size()) >= kUnbaggedRowLimit) break;
    if (s.waybillId < 1) continue;
    const int32_t n = std::max(s.pieces, 1);
    UnbaggedRow base;
    base.waybillId = s.waybillId;
    auto& c = base.cells;
    c[0] = Printf16("%d", s.waybillId);
    c[2] = s.number;
    c[3] = s.transferNumber;
    c[5] = Printf16("%d", s.pieces);
    c[10] = s.serviceKind;
    c[11] = s.destination;
    c[12] = s.city;
    c[13] = s.pieceGoods.empty() ? s.goods : s.pieceGoods;
    const int64_t value = s.quantity >= 1 && s.price >= 1
                              ? static_cast<int64_t>(s.quantity) * s.price
                              : s.declaredValue / n;
    c[14] = Printf16("%.2f", static_cast<double>(value) / 100.0);
    c[15] = s.date.substr(0, 10);
    c[16] = s.label;
    c[17] = s.reserve;
    const PieceWeight pw =
        PieceWeights(rules, s.length, s.width, s.height, s.grams, s.dimensionText, s.weight, n);
    c[7] = Printf16("%.3f", pw.chargeable);
    c[8] = Printf16("%.3f", pw.actual);
    c[9] = pw.dimensions;
    if (!perWaybillItems && n > 1 && s.piecePosition == 0) {
      for (int32_t k = 1; k <= n && static_cast<int>(rows.size()) < kUnbaggedRowLimit; ++k) {
        UnbaggedRow row = base;
        row.cells[1] = u"-";
        row.cells[4] = Printf16("%d", k);
        row.cells[6] = Printf16("%.3f", s.weight / n);
        row.cells[18] = PieceKey(s.waybillId, k);
        rows.push_back(std::move(row));
      }
      if (s.bagged > 0) note(s.waybillId);
      continue;
    }
    c[1] = s.pieceNumber.empty() ? s.transferNumber : s.pieceNumber;
    c[4] = Printf16("%d", std::max(s.piecePosition, 1));
    c[6] = Printf16("%.3f", s.weight);
    if (n > 1) c[18] = PieceKey(s.waybillId, s.piecePosition);
    if (!perWaybillItems && n > 1 && s.bagged > 0) note(s.waybillId);
    rows.push_back(std::move(base));
  }
  return rows;
}

void DropBaggedPieces(std::vector<UnbaggedRow>& rows, int32_t waybillId,
                      const std::vector<int32_t>& baggedPositions) {
  for (int32_t position : baggedPositions) {
    const std::u16string key = PieceKey(waybillId, position);
    auto it = std::find_if(rows.begin(), rows.end(), [&](const UnbaggedRow& row) {
      return row.cells[kUnbaggedKeyColumn] == key;
    });
    if (it != rows.end()) rows.erase(it);
  }
}

UnbaggedResult LoadUnbaggedRows(CServerLink& link, const std::u16string& query,
                                bool perWaybillItems, const PieceWeightRules& rules,
                                std::vector<UnbaggedRow>& rows) {
  rows.clear();
  std::string reply;
  if (query.empty() || link.SqlQuery(GbkFromWide(query), kTypes, &reply) <= 0 ||
      JsonFindKey("List", reply) == kJsonNone)
    return UnbaggedResult::kUnchanged;
  std::vector<UnbaggedSource> sources;
  const std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex r;
  while (JsonNextObject(list, pos, object)) {
    r.Reset(object);
    UnbaggedSource s;
    s.waybillId = r.GetInt("0", 0);
    s.number = r.GetWString("1", 31);
    s.transferNumber = r.GetWString("2", 31);
    s.pieces = r.GetInt("3", 0);
    s.weight = r.GetDouble("4", 0);
    s.serviceKind = r.GetWString("5", 15);
    s.destination = r.GetWString("6", 63);
    s.goods = r.GetWString("7", 255);
    s.declaredValue = r.GetInt("8", 0);
    s.date = r.GetWString("9", 31);
    s.label = r.GetWString("10", 15);
    s.pieceNumber = r.GetWString("11", 31);
    s.city = r.GetWString("12", 127);
    s.length = r.GetInt("13", 0);
    s.width = r.GetInt("14", 0);
    s.height = r.GetInt("15", 0);
    s.grams = r.GetInt("16", 0);
    s.dimensionText = r.GetWString("17", 15);
    s.quantity = r.GetInt("18", 0);
    s.price = r.GetInt("19", 0);
    s.pieceGoods = r.GetWString("20", 255);
    s.piecePosition = r.GetInt("21", 0);
    s.reserve = r.GetWString("22", 31);
    s.bagged = r.GetInt("23", 0);
    sources.push_back(std::move(s));
  }
  std::vector<int32_t> partlyBagged;
  rows = BuildUnbaggedRows(sources, perWaybillItems, rules, partlyBagged);
  for (int32_t id : partlyBagged) {
    std::string positions;
    const std::string sql = "SELECT wpos FROM brantle.dbo.client_rec_xbag_item WHERE irid=" +
                            std::to_string(static_cast<uint32_t>(id));
    if (link.SqlQuery(sql, kPositionTypes, &positions) <= 0) continue;
    std::vector<int32_t> bagged;
    const std::string_view items = JsonListBody(positions, "List");
    size_t at = 0;
    while (JsonNextObject(items, at, object)) bagged.push_back(JsonGetInt("0", object, 0));
    DropBaggedPieces(rows, id, bagged);
  }
  return UnbaggedResult::kLoaded;
}
