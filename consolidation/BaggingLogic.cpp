#include "consolidation/BaggingLogic.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "server/ServerLink.h"

namespace bagging {

namespace {

// The one quoting helper: cut to n bytes, then quotes doubled.
// Operator and scanned text in SQL: cut to its room on a whole character,
// then quoted by the one quoting helper.
std::string Quoted(std::u16string_view text, size_t n) {
  return QuoteSqlNarrow(NarrowFieldFromWide(text, n, false));
}

std::u16string Text(int id) { return AppLanguage().Text(id); }

std::u16string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return WideFromGbk(text);
}

std::u16string Int(int64_t value) { return WideFromGbk(std::to_string(value)); }

std::u16string Replace(std::u16string text, std::u16string_view pattern, std::u16string_view value) {
  ReplaceAllW(text, pattern, value);
  return text;
}

uint32_t Char(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }
uint32_t Long() { return AcsTypeEntry(kSqlCSLong, 0); }
uint32_t Byte() { return AcsTypeEntry(kSqlCUTinyInt, 0); }
uint32_t Real() { return AcsTypeEntry(kSqlCDouble, 0); }
uint32_t Stamp() { return AcsTypeEntry(kSqlCTimestamp, 16); }

const char kHeaderColumns[] =
    "cxno,cfrom,cdes,cstation,cstationd,cmark,ctype,ctransnote,cmemo,nstate,ntype,corder,cawb,"
    "dsysdate,cinput,iitem,fweight,il,iw,ih,icub,clastmod,dlastmod,cby1,cby2,cby3,cby4,cby5,"
    "nshare,chno,cpack,dpack,caddawb,daddawb,cunpack,dunpack,chorder";

bool AfterYear2000(std::u16string_view time) {
  return time.size() >= 4 && time.substr(0, 4) > std::u16string_view(u"2000");
}

std::u16string FirstLine(std::u16string text) {
  const size_t lf = text.find(u'\n');
  if (lf != std::u16string::npos) text.resize(lf);
  return text;
}

}  // namespace

// ---- Header ----

std::string BagHeaderSql(int32_t bagId) {
  return std::string("SELECT ") + kHeaderColumns + " FROM brantle.dbo.client_rec_xbag WHERE ixid=" +
         std::to_string(bagId);
}

std::string BagHeaderSqlByNumber(std::u16string_view number) {
  return std::string("SELECT ") + kHeaderColumns + ",ixid FROM brantle.dbo.client_rec_xbag WHERE cxno='" +
         Quoted(number, 30) + "'";
}

std::string BagHeaderSqlWithId(int32_t bagId) {
  return std::string("SELECT ") + kHeaderColumns + ",ixid FROM brantle.dbo.client_rec_xbag WHERE ixid=" +
         std::to_string(bagId);
}

std::vector<uint32_t> BagHeaderTypes(bool withId) {
  std::vector<uint32_t> t = {Char(32), Char(64), Char(64), Char(16), Char(16), Char(16), Char(16),
                             Char(64), Char(256), Byte(), Byte(), Char(16), Char(32), Stamp(),
                             Char(32), Long(), Real(), Long(), Long(), Long(), Long(), Char(32),
                             Stamp(), Char(64), Char(64), Char(64), Char(64), Char(256), Byte(),
                             Char(32), Char(32), Stamp(), Char(32), Stamp(), Char(32), Stamp(),
                             Char(16)};
  if (withId) t.push_back(Long());
  return t;
}

bool ReadBagHeader(std::string_view reply, BagHeader& out, bool withId) {
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  if (!JsonNextObject(list, pos, object)) return false;
  JsonRowIndex row(object);
  BagHeader h;
  auto w = [&row](int column, size_t n) { return row.GetWString(std::to_string(column), n); };
  h.number = w(0, 30);
  h.departureAirport = w(1, 63);
  h.destinationAirport = w(2, 63);
  h.departureStation = w(3, 15);
  h.destinationStation = w(4, 15);
  h.label = w(5, 15);
  h.bagType = w(6, 15);
  h.consignmentNote = w(7, 63);
  h.memo = w(8, 255);
  h.state = static_cast<uint8_t>(row.GetInt("9", 0));
  h.type = static_cast<uint8_t>(row.GetInt("10", 0));
  h.order = w(11, 15);
  h.awb = w(12, 30);
  h.created = w(13, 30);
  h.creator = w(14, 30);
  h.creatorGbk = row.GetString("14", 31);
  h.items = row.GetInt("15", 0);
  h.weight = row.GetDouble("16", 0);
  h.length = row.GetInt("17", 0);
  h.width = row.GetInt("18", 0);
  h.height = row.GetInt("19", 0);
  h.volume = row.GetInt("20", 0);
  h.modifier = w(21, 30);
  h.modified = w(22, 30);
  for (int i = 0; i < 4; ++i) h.spares[i] = w(23 + i, 63);
  h.spares[4] = w(27, 255);
  h.share = static_cast<uint8_t>(row.GetInt("28", 0));
  h.specialNumber = w(29, 30);
  h.sealer = w(30, 30);
  h.sealed = w(31, 30);
  h.loader = w(32, 30);
  h.loaded = w(33, 30);
  h.unsealer = w(34, 30);
  h.unsealed = w(35, 30);
  h.specialOrder = w(36, 15);
  if (withId) h.bagId = row.GetInt("37", 0);
  out = std::move(h);
  return true;
}

std::u16string BagHistoryText(const BagHeader& h) {
  const CLanguageTable& language = AppLanguage();
  std::u16string text;
  auto line = [&](int id, std::u16string_view time, std::u16string_view who) {
    text += language.Text(id);
    text += u":";
    text += time;
    text += u"【";
    text += who;
    text += u"】\r\n";
  };
  line(20520, h.created, h.creator);
  text += language.Text(20521);
  text += u":";
  text += language.BagStateText(h.state);
  if (!h.awb.empty()) {
    text += u"【AWB:";
    text += h.awb;
    text += u"】";
  }
  text += u"\r\n";
  line(20522, h.modified, h.modifier);
  if (AfterYear2000(h.sealed)) {
    text += u"\r\n";
    line(20523, h.sealed, h.sealer);
  }
  if (AfterYear2000(h.loaded)) {
    text += u"\r\n";
    line(20524, h.loaded, h.loader);
  }
  if (AfterYear2000(h.unsealed)) {
    text += u"\r\n";
    line(20524, h.unsealed, h.unsealer);
  }
  return text;
}

// ---- Rights ----

BagAccess BagAccessOf(int state, bool onAwb, bool ownBag, int shareMode, bool supervisionRight) {
  BagAccess a;
  const bool open = state == 0 && !onAwb;
  a.editable = open && (ownBag || shareMode >= 1 || supervisionRight);
  a.deletable = open && (ownBag || supervisionRight);
  return a;
}

int32_t ShareArgument(int32_t bagId, bool ownBag, int32_t shareMode) {
  return bagId > 0 && !ownBag ? 9 : shareMode;
}

// ---- Saving and deleting ----

int CheckBagNumber(std::u16string& number) {
  number = TrimW(number);
  for (char16_t& c : number)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  if (number.empty()) return 360064;
  if (number.find_first_of(u"'\"&<>,+") != std::u16string::npos) return 360065;
  return 0;
}

uint32_t BagVolume(int32_t length, int32_t width, int32_t height) {
  const int64_t product = static_cast<int64_t>(length) * width * height;
  constexpr int64_t kCap = 2100000000;
  if (product > kCap) return static_cast<uint32_t>(kCap);
  return static_cast<uint32_t>(std::max<int64_t>(product, 0));
}

bool HasNegativeDimension(int32_t length, int32_t width, int32_t height) {
  return length < 0 || width < 0 || height < 0;
}

std::string SaveBagSql(const BagHeaderFields& f, int32_t bagId, int32_t shareArgument,
                       std::u16string_view account) {
  std::string sql = bagId > 0
                        ? "{?=CALL brantle.dbo.cp_client_rec_xbag_mod(" + std::to_string(bagId) + ",'"
                        : std::string("{?=CALL brantle.dbo.cp_client_rec_xbag_add('");
  auto add = [&sql](std::u16string_view text, size_t n, const char* after) {
    sql += Quoted(text, n);
    sql += after;
  };
  add(f.number, 30, "','");
  add(f.departureAirport, 63, "','");
  add(f.destinationAirport, 63, "','");
  add(f.departureStation, 15, "','");
  add(f.destinationStation, 15, "','");
  add(f.label, 15, "','");
  add(f.bagType, 15, "','");
  add(f.consignmentNote, 63, "','");
  add(f.memo, 255, "");
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "',%d,%d,'", 0, shareArgument);
  sql += buffer;
  add(f.order, 15, "','");
  add(account, 30, "',");
  std::snprintf(buffer, sizeof buffer, "%.3f,%d,%d,%d,%u,'", f.weight, f.length, f.width, f.height,
                BagVolume(f.length, f.width, f.height));
  sql += buffer;
  for (int i = 0; i < 4; ++i) add(f.spares[i], 63, "','");
  add(f.spares[4], 255, "','");
  add(f.specialNumber, 30, "','");
  add(f.specialOrder, 15, "')}");
  return sql;
}

std::string DeleteBagSql(int32_t bagId, std::u16string_view account) {
  return "{?=CALL brantle.dbo.cp_client_rec_xbag_del(" + std::to_string(bagId) + ",'" +
         Quoted(account, 30) + "')}";
}

int SaveBagCodeText(int32_t code) {
  switch (code) {
    case -1: return 360066;
    case -2: return 360062;
    case -4: return 360067;
    default: return 0;
  }
}

int DeleteBagCodeText(int32_t code) {
  switch (code) {
    case -4: return 360063;
    case -2: return 360062;
    default: return 0;
  }
}

std::u16string BagListRowText(std::u16string_view number, std::u16string_view from,
                              std::u16string_view to, int state) {
  std::u16string text(number);
  text += u"[";
  text += from;
  text += u"->";
  text += to;
  text += u"]";
  text += AppLanguage().BagStateText(state);
  return text;
}

// ---- Item rows and weights ----

const char kBagItemColumns[] =
    "a.irid,a.cnum,a.cserviceno,a.iitem,a.fweights,a.cemskind,a.cdes,a.caddr,a.cgoods,a.cmoney,"
    "a.idvalue,a.cpaydir,a.ddate,a.cmark,a.cmemo,b.wpos,b.cinput,b.ddate AS dbd,c.cno,a.ccity,"
    "c.ilong,c.iwidth,c.iheight,c.iweight,a.clwh,c.iquantity,c.iprice,c.cgoods,c.cnum";

std::vector<uint32_t> BagItemTypes() {
  return {Long(),    Char(32), Char(32), Long(),    Real(),   Char(16), Char(64), Char(256),
          Char(256), Char(4),  Long(),   Char(4),   Stamp(),  Char(16), Char(256), Long(),
          Char(32),  Stamp(),  Char(32), Char(128), Long(),   Long(),   Long(),    Long(),
          Char(16),  Long(),   Long(),   Char(256), Char(32)};
}

namespace {
std::string ItemsFrom(const char* suffix) {
  return std::string("SELECT ") + kBagItemColumns +
         " FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_rec_xbag_item" + suffix +
         " AS b ON(a.irid=b.irid) LEFT OUTER JOIN brantle.dbo.client_rec_weight_detail AS c "
         "ON(a.irid=c.irid AND b.wpos=c.wpos) WHERE b.ixid=";
}
}  // namespace

std::string BagItemsSql(int32_t bagId, int bagState) {
  return ItemsFrom(bagState >= 3 ? "_u" : "") + std::to_string(bagId) + " ORDER BY b.ddate";
}

std::string BagItemReadBackSql(int32_t bagId, int32_t waybillId, bool perWaybill,
                               int32_t piecePosition) {
  std::string sql = ItemsFrom("") + std::to_string(bagId) + " AND b.irid=" + std::to_string(waybillId);
  sql += perWaybill ? " ORDER BY b.wpos" : " AND b.wpos=" + std::to_string(piecePosition);
  return sql;
}

ItemWeights AccumulateItemWeight(const BagWeightRules& rules, const PieceMeasures& piece,
                                 std::string_view clwh, double waybillKg, int32_t pieces,
                                 BagTotals& totals) {
  ItemWeights w;
  const int32_t n = std::max(pieces, 1);
  int32_t l = 0, wd = 0, h = 0;
  const char letter = rules.parseDimensions ? rules.parseDimensions(clwh, l, wd, h) : 0;
  auto volumetric = [&rules](int32_t a, int32_t b, int32_t c, char k) {
    return rules.volumetric ? rules.volumetric(a, b, c, k) : 0;
  };
  bool pieceDimensions = false;
  if (n == 1) {
    double v = 0;
    if (clwh.size() > 4) {
      v = volumetric(l, wd, h, letter) / 1000.0;
      w.volumetricPart = v;
    } else {
      w.actualPart = waybillKg;
    }
    w.actual = waybillKg;
    w.chargeable = std::max(v, waybillKg);
  } else if (piece.length > 0 && piece.width > 0 && piece.height > 0) {
    pieceDimensions = true;
    const int32_t v = volumetric(piece.length, piece.width, piece.height, letter);
    if (v > piece.grams) {
      w.chargeable = v / 1000.0;
      w.volumetricPart = w.chargeable;
      w.actual = piece.grams / 1000.0;
    } else {
      w.chargeable = w.actual = piece.grams > 0 ? piece.grams / 1000.0 : waybillKg / n;
      w.actualPart = w.chargeable;
    }
  } else {
    w.chargeable = w.actual = piece.grams > 0 ? piece.grams / 1000.0 : waybillKg / n;
    w.actualPart = w.chargeable;
  }
  w.waybillShare = waybillKg / n;
  char text[64] = "";
  if (pieceDimensions)
    std::snprintf(text, sizeof text, "%d*%d*%d", piece.length, piece.width, piece.height);
  else if (l > 0 && wd > 0 && h > 0)
    std::snprintf(text, sizeof text, "%d*%d*%d", l, wd, h);
  w.dimensionText = WideFromGbk(text);
  totals.volumetricPart += w.volumetricPart;
  totals.actualPart += w.actualPart;
  totals.waybillShare += w.waybillShare;
  totals.chargeable += w.chargeable;
  totals.actual += w.actual;
  return w;
}

bool ReadBagItemRows(std::string_view reply, const BagWeightRules& rules,
                     std::vector<BagItemRow>& rows, BagTotals& totals) {
  if (JsonFindKey("List", reply) == kJsonNone) return false;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex row;
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    BagItemRow r;
    auto w = [&row](int column, size_t n) { return row.GetWString(std::to_string(column), n); };
    r.waybillId = row.GetInt("0", 0);
    const int32_t storedPieces = row.GetInt("3", 0);
    const int32_t pieces = std::max(storedPieces, 1);
    const double waybillKg = row.GetDouble("4", 0);
    r.piecePosition = std::max(row.GetInt("15", 1), 1);
    const std::u16string cno = w(18, 31), pieceNum = w(28, 31), transfer = w(2, 31);
    r.cells[1] = !cno.empty()        ? cno
                 : !pieceNum.empty() ? pieceNum
                 : pieces == 1       ? transfer
                                     : u"-";
    r.cells[2] = w(1, 31);
    r.cells[3] = transfer;
    r.cells[4] = Int(r.piecePosition);
    r.cells[5] = Int(storedPieces);
    r.cells[6] = Fixed(waybillKg, 3);
    PieceMeasures piece{row.GetInt("20", 0), row.GetInt("21", 0), row.GetInt("22", 0),
                        row.GetInt("23", 0)};
    const std::string clwh = row.GetString("24", 15);
    r.weights = AccumulateItemWeight(rules, piece, clwh, waybillKg, pieces, totals);
    r.cells[7] = Fixed(r.weights.chargeable, 3);
    r.cells[8] = Fixed(r.weights.actual, 3);
    r.cells[9] = r.weights.dimensionText;
    const std::string kind = row.GetString("5", 15);
    const std::string destination = row.GetString("6", 63);
    r.cells[10] = WideFromGbk(kind);
    r.cells[11] = WideFromGbk(destination);
    if (rules.area) r.cells[12] = rules.area(kind, destination);
    r.cells[13] = w(19, 127);
    r.cells[14] = w(7, 255);
    const std::u16string pieceGoods = w(27, 255);
    r.cells[15] = !pieceGoods.empty() ? pieceGoods : w(8, 255);
    r.cells[16] = w(9, 3);
    const int32_t quantity = row.GetInt("25", 0), price = row.GetInt("26", 0);
    const int64_t hundredths = quantity >= 1 && price >= 1
                                   ? static_cast<int64_t>(quantity) * price
                                   : row.GetInt("10", 0) / pieces;
    r.declared = hundredths / 100.0;
    r.cells[17] = Fixed(r.declared, 2);
    totals.declared += r.declared;
    r.cells[18] = w(11, 3);
    r.cells[19] = w(12, 30).substr(0, 10);
    r.cells[20] = w(13, 15);
    r.cells[21] = FirstLine(w(14, 255));
    r.cells[22] = w(17, 30).substr(0, 16);
    rows.push_back(std::move(r));
  }
  return true;
}

BagTotals SumBagTotals(const std::vector<BagItemRow>& rows) {
  BagTotals t;
  for (const BagItemRow& r : rows) {
    t.chargeable += r.weights.chargeable;
    t.volumetricPart += r.weights.volumetricPart;
    t.actualPart += r.weights.actualPart;
    t.actual += r.weights.actual;
    t.waybillShare += r.weights.waybillShare;
    t.declared += r.declared;
  }
  return t;
}

std::u16string ItemTotalsText(size_t rows, const BagTotals& t) {
  std::u16string text = Replace(Text(360050), u"%1", Int(static_cast<int64_t>(rows)));
  text = Replace(text, u"%2", Fixed(t.chargeable, 3));
  return Replace(text, u"%3", Fixed(t.declared, 2));
}

std::u16string WeightTotalsText(const BagTotals& t) {
  char parts[128];
  std::snprintf(parts, sizeof parts, "%.3f+%.3f=%.3f", t.volumetricPart, t.actualPart,
                t.volumetricPart + t.actualPart);
  std::u16string text = Replace(Text(360051), u"%1", WideFromGbk(parts));
  text = Replace(text, u"%2", Fixed(t.actual, 3));
  return Replace(text, u"%3", Fixed(t.waybillShare, 3));
}

// ---- Scans ----

std::string ItemAddSql(bool perWaybill, int32_t bagId, int32_t waybillId, int32_t piecePosition,
                       std::u16string_view number, int numberKind, std::u16string_view account,
                       const ItemCheckArgs& checks) {
  const std::string user = Quoted(account, 30);
  const std::string tail = std::to_string(checks.weightTolerance) + "," +
                           (checks.balanceCheck ? "1" : "0") + "," +
                           (checks.dictionaryFlag ? "1" : "0") + "," + (checks.flag21 ? "1" : "0") +
                           "," + (checks.flag22 ? "1" : "0") + ")}";
  const char* kind = numberKind == 1 ? "0" : "1";
  const std::string bag = std::to_string(bagId);
  if (perWaybill && waybillId > 0)
    return "{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_add_id(" + bag + "," +
           std::to_string(waybillId) + ",'" + user + "'," + tail;
  if (perWaybill)
    return "{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_add_no(" + bag + ",'" + Quoted(number, 30) +
           "','" + user + "'," + kind + ",1," + tail;
  if (waybillId > 0)
    return "{?=CALL brantle.dbo.cp_client_rec_xbag_item_add_id(" + bag + "," +
           std::to_string(waybillId) + "," + std::to_string(piecePosition) + ",'" + user + "'," + tail;
  return "{?=CALL brantle.dbo.cp_client_rec_xbag_item_add_no(?," + bag + ",'" + Quoted(number, 30) +
         "','" + user + "'," + kind + ",2," + tail;
}

size_t ItemAddColumns(bool perWaybill, int32_t waybillId) {
  return !perWaybill && waybillId <= 0 ? 2 : 1;
}

int ItemAddCodeText(int32_t code) {
  switch (code) {
    case -1: return 360070;
    case -2: return 360071;
    case -3: return 360062;
    case -4: return 360072;
    case -12: return 360073;
    case -13: return 360074;
    case -115: return 360075;
    case -116: return 360076;
    default: return 0;
  }
}

ItemAddOutcome SendItemAdd(const serverlink::ProcedureSender& send, std::string_view sql,
                           size_t columns, bool checksOn,
                           const std::function<bool(int32_t warning)>& confirm) {
  std::vector<uint32_t> types = {Long()};
  if (columns == 2) types.push_back(Long());
  ItemAddOutcome out;
  for (int attempt = 0; attempt < 2; ++attempt) {
    serverlink::ProcedureResult reply;
    ++out.sends;
    if (!serverlink::CallProcedure(send, sql, types, reply)) {
      out.replied = false;
      return out;
    }
    out.replied = true;
    out.code = reply.code;
    out.piecePosition = 1;
    if (columns == 2 && !reply.outputs.empty() && !reply.outputs[0].empty())
      out.piecePosition = static_cast<int32_t>(std::strtol(reply.outputs[0].c_str(), nullptr, 10));
    if (attempt == 0 && checksOn && out.code < -100000000) {
      if (!confirm || !confirm(-100000000 - out.code)) {
        out.cancelled = true;
        return out;
      }
      continue;
    }
    return out;
  }
  return out;
}

std::string ItemRemoveSql(bool perWaybill, int32_t bagId, int32_t waybillId,
                          int32_t piecePosition, std::u16string_view account, bool pullRight) {
  const std::string user = Quoted(account, 30);
  const char* flag = pullRight ? "1" : "0";
  if (perWaybill)
    return "{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_del(" + std::to_string(bagId) + "," +
           std::to_string(waybillId) + ",'" + user + "'," + flag + ")}";
  return "{?=CALL brantle.dbo.cp_client_rec_xbag_item_del(" + std::to_string(bagId) + "," +
         std::to_string(waybillId) + "," + std::to_string(piecePosition) + ",'" + user + "'," + flag +
         ")}";
}

int ItemRemoveCodeText(int32_t code) {
  switch (code) {
    case -5: return 360081;
    case -4: return 360080;
    case -3:
    case -2: return 20024;
    default: return 0;
  }
}

std::string CheckRecordSql(int32_t waybillId, std::u16string_view number, int numberKind) {
  std::string sql = "SELECT cemskind,cdes,cmark,creserve,caddr FROM brantle.dbo.client_rec WHERE ";
  if (waybillId > 0) return sql + "irid=" + std::to_string(waybillId);
  return sql + (numberKind == 1 ? "cnum='" : "cserviceno='") + Quoted(number, 60) + "'";
}

std::vector<uint32_t> CheckRecordTypes() { return {Char(16), Char(64), Char(16), Char(32), Char(256)}; }

std::string SpecialFieldSql(int group, std::u16string_view code, int32_t bagId) {
  std::string sql = "UPDATE brantle.dbo.client_rec_xbag SET ";
  sql += group == 0 ? std::string("chno") : "cby" + std::to_string(group);
  return sql + "='" + Quoted(code, 30) + "' WHERE ixid=" + std::to_string(static_cast<uint32_t>(bagId));
}

std::string BagMemoSql(std::u16string_view value, int32_t bagId) {
  return "UPDATE brantle.dbo.client_rec_xbag SET cmemo='" + Quoted(value, 127) +
         "' WHERE ixid=" + std::to_string(bagId);
}

std::string ReferenceNumberSql(std::u16string_view reference, int32_t waybillId) {
  return "UPDATE brantle.dbo.client_rec SET crno='" + Quoted(reference, 30) +
         "' WHERE irid=" + std::to_string(static_cast<uint32_t>(waybillId));
}

std::string NumberListSql(const std::vector<std::u16string>& numbers, std::u16string_view station,
                          bool byWaybillNumber) {
  std::string sql =
      "SELECT a.irid FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_arc AS b "
      "ON(a.icid=b.icid)WHERE a.cawb=''";
  if (!station.empty()) sql += " AND b.cstation='" + Quoted(station, 15) + "'";
  sql += byWaybillNumber ? " AND a.cnum IN(" : " AND a.cserviceno IN(";
  bool first = true;
  for (const std::u16string& n : numbers) {
    if (!first) sql += ",";
    first = false;
    sql += "'" + Quoted(n, 60) + "'";
  }
  return sql + ") ORDER BY a.irid";
}

std::u16string CheckColumnName(int column) {
  switch (column) {
    case 1: return u"快递类别";
    case 2: return u"目的地";
    case 3: return u"标签";
    case 4: return u"留用串";
    default: return {};
  }
}

}  // namespace bagging
