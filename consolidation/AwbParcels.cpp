#include "consolidation/AwbParcels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/TextCodec.h"
#include "refdata/SqlRunner.h"
#include "server/ServerLink.h"

namespace awb {

namespace {

constexpr uint32_t C(unsigned width) { return (1u << 16) + width; }
const uint32_t kL = AcsTypeEntry(kSqlCSLong);
const uint32_t kD = AcsTypeEntry(kSqlCDouble);
const uint32_t kT = AcsTypeEntry(kSqlCTimestamp);

const std::array<uint32_t, 34> kParcelTypes = {
    kL,    C(32), C(32), kL,    kD,    C(16), C(64), C(256), C(256), C(4),  kL,    C(4),
    kT,    C(16), C(256), kL,   C(32), kT,    C(32), C(128), kL,     kL,    kL,    kL,
    C(16), kL,    kL,    C(256), kL,   C(32), C(32), C(32), C(32),  kT};
const std::array<uint32_t, 33> kParcelTypesPast = [] {
  std::array<uint32_t, 33> t{};
  std::copy(kParcelTypes.begin(), kParcelTypes.begin() + 32, t.begin());
  t[32] = kT;
  return t;
}();
const std::array<uint32_t, 6> kMultiPieceTypes = {kL, C(32), C(32), kL, kL, C(32)};

const char kParcelColumnsSql[] =
    "SELECT a.irid,a.cnum,a.cserviceno,a.iitem,a.fweights,a.cemskind,a.cdes,a.caddr,a.cgoods,a.cmoney,"
    "a.idvalue,a.cpaydir,a.ddate,a.cmark,a.cmemo,b.wpos,b.cinput,b.ddate AS dbd,c.cno,a.ccity,c.ilong,"
    "c.iwidth,c.iheight,c.iweight,a.clwh,c.iquantity,c.iprice,c.cgoods,d.ixid,d.cxno,a.ccno,a.crno";
const char kParcelJoinSql[] =
    " AS b ON(a.irid=b.irid) INNER JOIN brantle.dbo.client_rec_xbag AS d ON(d.ixid=b.ixid) LEFT OUTER JOIN "
    "brantle.dbo.client_rec_weight_detail AS c ON(a.irid=c.irid AND b.wpos=c.wpos)";

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string Printf(const char* format, auto... values) {
  char text[128];
  std::snprintf(text, sizeof text, format, values...);
  return Ascii(text);
}

std::u16string Cut(std::u16string text, size_t n) {
  if (text.size() > n) text.resize(n);
  return text;
}

std::string Number(std::u16string_view awbNumber) {
  std::string narrow = GbkFromWide(awbNumber);
  if (narrow.size() > 30) narrow.resize(30);
  return QuoteSqlNarrow(narrow);
}

}  // namespace

const std::array<ParcelColumnSpec, kParcelColumns> kParcelListColumns = {{
    {30076, 50, false},  {370010, 85, false}, {30002, 85, false},  {30003, 85, false},
    {30045, 85, false},  {30041, 85, false},  {30026, 60, false},  {30111, 50, false},
    {30031, 80, true},   {370011, 50, true},  {30072, 50, true},   {370012, 80, true},
    {370013, 80, true},  {370014, 80, true},  {370015, 80, true},  {30073, 85, false},
    {30001, 85, false},  {30013, 85, false},  {30011, 85, false},  {30071, 50, false},
    {30070, 75, false},  {30040, 60, false},  {30022, 85, false},  {420010, 85, false},
    {360045, 110, false}, {360046, 85, false}, {0, 0, true}}};

void ParcelSums::Add(const ParcelRow& r) {
  ++rows;
  pieces += r.pieces;
  value += r.value;
  chargeable += r.chargeable;
  volumetricPart += r.volumetricPart;
  actualPart += r.actualPart;
  actual += r.actual;
}

void ParcelSums::Remove(const ParcelRow& r) {
  if (rows > 0) --rows;
  pieces -= r.pieces;
  value -= r.value;
  chargeable -= r.chargeable;
  volumetricPart -= r.volumetricPart;
  actualPart -= r.actualPart;
  actual -= r.actual;
  // Sums of rows that are all gone are exactly 0, not a rounding residue.
  if (rows == 0) *this = ParcelSums{};
}

int32_t ParcelSums::ChargeableGrams() const {
  return static_cast<int32_t>(std::llround(chargeable * 1000));
}

std::string AwbParcelSql(std::u16string_view awbNumber, bool pastLoading) {
  std::string sql = kParcelColumnsSql;
  if (!pastLoading) sql += ",c.cnum";
  sql += ",d.daddawb FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.";
  sql += pastLoading ? "client_rec_xbag_item_u" : "client_rec_xbag_item";
  sql += kParcelJoinSql;
  return sql + " WHERE d.cawb='" + Number(awbNumber) + "' ORDER BY d.daddawb,b.ddate";
}

std::span<const uint32_t> AwbParcelTypes(bool pastLoading) {
  if (pastLoading) return kParcelTypesPast;
  return kParcelTypes;
}

std::string BagParcelSql(int32_t bagId) {
  return std::string(kParcelColumnsSql) + " FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_rec_xbag_item" +
         kParcelJoinSql + " WHERE d.ixid=" + std::to_string(bagId) + " ORDER BY b.ddate";
}

std::span<const uint32_t> BagParcelTypes() { return std::span<const uint32_t>(kParcelTypes.data(), 32); }

void ApplyParcelRules(const ParcelValues& v, const DimensionRules& rules, ParcelRow& row) {
  row.pieces = std::max(v.iitem, 1);
  if (v.iquantity > 0 && v.iprice > 0)
    row.value = static_cast<int64_t>(v.iquantity) * v.iprice;
  else
    row.value = v.idvalue / row.pieces;
  int32_t l = 0, w = 0, h = 0;
  char letter = 0;
  if (rules.parse) letter = rules.parse(v.clwh, l, w, h);
  auto volumetric = [&rules](int32_t a, int32_t b, int32_t c, char k) {
    return rules.volumetric ? rules.volumetric(a, b, c, k) : 0;
  };
  row.volumetricPart = row.actualPart = 0;
  if (v.iitem <= 1) {
    double vol = 0;
    if (v.clwh.size() > 4) {
      vol = volumetric(l, w, h, letter) * 0.001;
      row.volumetricPart = vol;
    } else {
      row.actualPart = v.fweights;
    }
    row.actual = v.fweights;
    row.chargeable = std::max(vol, v.fweights);
  } else {
    const int32_t pieceVol =
        v.ilong > 0 && v.iwidth > 0 && v.iheight > 0 ? volumetric(v.ilong, v.iwidth, v.iheight, letter) : 0;
    if (v.ilong > 0 && v.iwidth > 0 && v.iheight > 0 && pieceVol > v.iweight) {
      row.chargeable = pieceVol * 0.001;
      row.volumetricPart = row.chargeable;
      row.actual = v.iweight / 1000.0;
    } else if (v.iweight > 0) {
      row.chargeable = row.actual = v.iweight / 1000.0;
      row.actualPart = row.chargeable;
    } else {
      row.chargeable = row.actual = v.fweights / row.pieces;
      row.actualPart = row.chargeable;
    }
  }
  row.cells[kParcelValue] = Printf("%.2f", row.value / 100.0);
  row.cells[kParcelCharge] = Printf("%.3f", row.chargeable);
  row.cells[kParcelActual] = Printf("%.3f", row.actual);
}

void ReadParcelRows(std::string_view reply, bool withPieceNumber, const DimensionRules& rules,
                    std::vector<ParcelRow>& rows) {
  ForEachReplyRow(reply, [&](std::string_view object) {
    JsonRowIndex r(object);
    auto text = [&r](int column, size_t n) { return r.GetWString(std::to_string(column), n); };
    auto integer = [&r](int column) { return r.GetInt(std::to_string(column), 0); };
    ParcelRow row;
    row.waybillId = integer(0);
    row.position = integer(15);
    row.bagId = integer(28);
    ParcelValues v;
    v.iitem = integer(3);
    v.fweights = r.GetDouble("4", 0);
    v.idvalue = integer(10);
    v.ilong = integer(20);
    v.iwidth = integer(21);
    v.iheight = integer(22);
    v.iweight = integer(23);
    v.clwh = r.GetString("24", 15);
    v.iquantity = integer(25);
    v.iprice = integer(26);
    auto& c = row.cells;
    const std::u16string serviceNo = text(2, 31);
    c[kParcelPiece] = text(18, 31);
    if (c[kParcelPiece].empty() && withPieceNumber) c[kParcelPiece] = text(32, 31);
    if (c[kParcelPiece].empty()) c[kParcelPiece] = v.iitem < 2 ? serviceNo : u"-";
    c[kParcelNum] = text(1, 31);
    c[kParcelServiceNo] = serviceNo;
    c[4] = text(30, 31);
    c[5] = text(31, 31);
    c[6] = text(27, 255);
    if (c[6].empty()) c[6] = text(8, 255);
    c[7] = text(9, 3);
    c[kParcelPosition] = Printf("%d", row.position);
    c[kParcelItems] = Printf("%d", v.iitem);
    c[11] = Printf("%.3f", v.fweights);
    c[14] = text(24, 15);
    c[15] = text(5, 15);
    c[16] = text(6, 63);
    c[17] = text(19, 127);
    c[18] = text(7, 255);
    c[19] = text(11, 3);
    c[20] = Cut(text(12, 30), 10);
    c[21] = text(13, 15);
    c[22] = text(14, 255);
    c[kParcelBagNo] = text(29, 31);
    c[24] = Cut(text(17, 30), 16);
    c[25] = text(16, 31);
    c[kParcelBagId] = Printf("%d", row.bagId);
    ApplyParcelRules(v, rules, row);
    rows.push_back(std::move(row));
  });
}

std::string PullSql(bool wholeWaybill, int32_t bagId, int32_t waybillId, int32_t position,
                    std::u16string_view userName) {
  const std::string user = "'" + NarrowFieldFromWide(userName, 30, true) + "'";
  if (wholeWaybill)
    return "{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_del(" + std::to_string(bagId) + "," +
           std::to_string(waybillId) + "," + user + ",1)}";
  return "{?=CALL brantle.dbo.cp_client_rec_xbag_item_del(" + std::to_string(bagId) + "," +
         std::to_string(waybillId) + "," + std::to_string(position) + "," + user + ",1)}";
}

int32_t PullRefusalText(int32_t code) {
  switch (code) {
    case -5: return 410116;
    case -4: return 410115;
    case -3:
    case -2: return 360062;
    default: return 0;
  }
}

std::string MultiPieceSql(std::u16string_view awbNumber, bool pastLoading) {
  return std::string("SELECT a.irid,a.cnum,a.cserviceno,a.iitem,b.wpos,d.cxno FROM brantle.dbo.client_rec AS a "
                     "INNER JOIN brantle.dbo.") +
         (pastLoading ? "client_rec_xbag_item_u" : "client_rec_xbag_item") +
         " AS b ON(a.irid=b.irid) INNER JOIN brantle.dbo.client_rec_xbag AS d ON(d.ixid=b.ixid) WHERE d.cawb='" +
         Number(awbNumber) + "' AND a.iitem>1 ORDER BY a.irid,b.wpos";
}

std::span<const uint32_t> MultiPieceTypes() { return kMultiPieceTypes; }

std::u16string Count3(uint32_t value) { return Printf("% 3u", value); }

bool BuildMultiPieceReport(const std::vector<std::string>& replies,
                           const std::function<std::u16string(const std::u16string&, const std::u16string&,
                                                              const std::u16string&, const std::u16string&)>& lineText,
                           MultiPieceReport& report) {
  struct Group {
    std::u16string number;
    uint32_t pieces = 0, found = 0;
  };
  std::map<int32_t, Group> groups;
  for (const std::string& reply : replies) {
    if (reply.size() <= 9 || JsonFindKey("List", reply) == kJsonNone) continue;
    ForEachReplyRow(reply, [&groups](std::string_view object) {
      JsonRowIndex r(object);
      Group& g = groups[r.GetInt("0", 0)];
      g.number = r.GetWString("1", 30);
      g.pieces = static_cast<uint32_t>(std::max(r.GetInt("3", 0), 0));
      ++g.found;
    });
  }
  if (groups.empty()) return false;
  report = MultiPieceReport{};
  for (const auto& [id, g] : groups) {
    ++report.groups;
    if (g.found >= g.pieces) continue;
    ++report.incomplete;
    report.lines += lineText(g.number, Count3(g.pieces), Count3(g.found), Count3(g.pieces - g.found));
  }
  return true;
}

std::u16string WeightPartsText(const ParcelSums& s) {
  return Printf("%.3f+%.3f=%.3f", s.volumetricPart, s.actualPart, s.volumetricPart + s.actualPart);
}

}  // namespace awb
