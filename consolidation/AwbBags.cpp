#include "consolidation/AwbBags.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "refdata/SqlRunner.h"
#include "server/ServerLink.h"

namespace awb {

namespace {

constexpr uint32_t C(unsigned width) { return (1u << 16) + width; }
const uint32_t kL = AcsTypeEntry(kSqlCSLong);
const uint32_t kD = AcsTypeEntry(kSqlCDouble);
const uint32_t kT = AcsTypeEntry(kSqlCTimestamp);

const std::array<uint32_t, 14> kBagListTypes = {kL, kL, C(32), C(64), C(64), kT, C(32),
                                                kL, C(16), C(32), kD, C(16), C(64), C(256)};
const std::array<uint32_t, 13> kAddTypes = {kL,    C(32), C(64), C(64), C(32), kT,   kL,
                                            C(16), C(32), kD,    C(16), C(64), C(256)};
const std::array<uint32_t, 2> kDestinationTypes = {C(32), C(64)};

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string Printf(const char* format, auto... values) {
  char text[128];
  std::snprintf(text, sizeof text, format, values...);
  return Ascii(text);
}

// A text argument: trimmed, cut to `bytes`, quotes doubled.
std::string Quoted(std::u16string_view text, size_t bytes) {
  return "'" + NarrowFieldFromWide(text, bytes, true) + "'";
}

// An order text as it stands (its leading blanks are part of it), quotes
// doubled.
std::string Literal(std::u16string_view text, size_t bytes) {
  std::string narrow = GbkFromWide(text);
  if (narrow.size() > bytes) narrow.resize(bytes);
  return "'" + QuoteSqlNarrow(narrow) + "'";
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

std::u16string Cut(std::u16string text, size_t n) {
  if (text.size() > n) text.resize(n);
  return text;
}

}  // namespace

const std::array<ColumnSpec, kBagColumns> kBagListColumns = {{{420010, 85, false},
                                                              {420011, 60, false},
                                                              {420012, 50, true},
                                                              {420013, 80, true},
                                                              {420015, 50, true},
                                                              {420018, 90, false},
                                                              {410200, 90, false},
                                                              {420019, 130, false},
                                                              {420020, 80, false},
                                                              {30055, 0, false},
                                                              {420024, 150, false}}};

std::string BagListSql(std::u16string_view awbNumber) {
  return "SELECT iitem,ixid,cxno,cfrom,cdes,dsysdate,cinput,nstate,corder,chno,fweight,chorder,cby4,cmemo "
         "FROM brantle.dbo.client_rec_xbag WHERE cawb='" +
         QuoteSqlNarrow(GbkFromWide(awbNumber)) + "' ORDER BY nstate,daddawb";
}

std::span<const uint32_t> BagListTypes() { return kBagListTypes; }

bool ReadBagRows(std::string_view reply, std::vector<BagRow>& rows) {
  if (reply.size() <= 9 || JsonFindKey("List", reply) == kJsonNone) return false;
  ForEachReplyRow(reply, [&rows](std::string_view object) {
    JsonRowIndex r(object);
    BagRow b;
    b.id = r.GetInt("1", 0);
    b.state = r.GetInt("7", 0);
    b.cells[kBagNumber] = r.GetWString("2", 31);
    b.cells[kBagRoute] = r.GetWString("3", 63) + u"->" + r.GetWString("4", 63);
    b.cells[kBagPieces] = Printf("%d", r.GetInt("0", 0));
    b.cells[kBagWeight] = Printf("%.3f", r.GetDouble("10", 0));
    b.cells[kBagOrder] = r.GetWString("8", 15);
    b.cells[kBagSpecial] = r.GetWString("9", 31);
    b.cells[kBagSpecialOrder] = r.GetWString("11", 15);
    b.cells[kBagDate] = Cut(r.GetWString("5", 30), 10);
    b.cells[kBagInput] = r.GetWString("6", 31);
    b.cells[kBagBy4] = r.GetWString("12", 63);
    b.cells[kBagMemo] = r.GetWString("13", 255);
    rows.push_back(std::move(b));
  });
  return true;
}

std::string AddBagSql(int32_t bagId, std::u16string_view bagNumber, std::u16string_view awbNumber,
                      std::u16string_view userName) {
  std::string sql = bagId > 0 ? "{?=CALL brantle.dbo.cp_client_rec_xbag_2_awb_add_id_exxx(?,?,?,?,?,?,?,?,?,?,?,?," +
                                    std::to_string(bagId)
                              : "{?=CALL brantle.dbo.cp_client_rec_xbag_2_awb_add_xno_exxx(?,?,?,?,?,?,?,?,?,?,?,?," +
                                    Quoted(bagNumber, 60);
  return sql + "," + Quoted(awbNumber, 60) + "," + Quoted(userName, 30) + ")}";
}

std::span<const uint32_t> AddBagTypes() { return kAddTypes; }

BagRow BagRowFromOutputs(int32_t bagId, const std::vector<std::string>& o, std::u16string_view order,
                         std::u16string_view special) {
  auto out = [&o](size_t n) { return n - 1 < o.size() ? WideFromGbk(o[n - 1]) : std::u16string(); };
  BagRow b;
  b.id = bagId;
  b.state = 2;
  b.cells[kBagNumber] = out(1);
  b.cells[kBagRoute] = out(2) + u"->" + out(3);
  b.cells[kBagPieces] = Printf("%d", std::atoi(GbkFromWide(out(6)).c_str()));
  b.cells[kBagWeight] = Printf("%.3f", std::atof(GbkFromWide(out(9)).c_str()));
  b.cells[kBagOrder] = std::u16string(order);
  b.cells[kBagSpecial] = std::u16string(special);
  b.cells[kBagSpecialOrder] = out(10);
  b.cells[kBagDate] = Cut(out(5), 10);
  b.cells[kBagInput] = out(4);
  b.cells[kBagBy4] = out(11);
  b.cells[kBagMemo] = out(12);
  return b;
}

int32_t AddRefusalText(int32_t code, bool byId) {
  switch (code) {
    case -2: return byId ? 410080 : 410081;
    case -3: return 410082;
    case -4: return 410083;
    default: return 0;
  }
}

int32_t PackingCount(std::u16string_view packing) {
  return std::atoi(GbkFromWide(packing).c_str());
}

std::u16string PackingOrder(size_t rows, std::u16string_view packing) {
  const int32_t n = PackingCount(packing);
  if (n <= 0 || rows >= static_cast<size_t>(n)) return {};
  return Printf("%u/%u", static_cast<unsigned>(rows + 1), static_cast<unsigned>(n));
}

std::string OrderAndSpecialSql(int32_t bagId, std::u16string_view order, std::u16string_view special) {
  return "UPDATE brantle.dbo.client_rec_xbag SET corder=" + Literal(order, 15) + ",chno=" + Quoted(special, 30) +
         " WHERE ixid=" + std::to_string(static_cast<uint32_t>(bagId));
}

std::string DestinationSql(int32_t bagId, std::u16string_view bagNumber) {
  std::string sql = "SELECT cxno,cdes FROM brantle.dbo.client_rec_xbag WHERE ";
  if (bagId > 0) return sql + "ixid=" + std::to_string(static_cast<uint32_t>(bagId));
  return sql + "cxno=" + Quoted(bagNumber, 30);
}

std::span<const uint32_t> DestinationTypes() { return kDestinationTypes; }

int CheckDestinationReply(int length, std::string_view reply, std::u16string_view awbDestination,
                          std::u16string& lines) {
  if (length <= 9 || JsonFindKey("List", reply) == kJsonNone) return 1;
  int verdict = 1;
  bool first = true;
  ForEachReplyRow(reply, [&](std::string_view object) {
    if (!first) return;
    first = false;
    JsonRowIndex r(object);
    const std::u16string destination = r.GetWString("1", 63);
    if (destination != awbDestination) {
      lines += r.GetWString("0", 31) + u"," + destination + u"\r\n";
      verdict = 0;
    }
  });
  return verdict;
}

std::string TakeOffSql(int32_t bagId, std::u16string_view awbNumber, std::u16string_view userName,
                       bool withResult) {
  return std::string(withResult ? "{?=CALL" : "{CALL") + " brantle.dbo.cp_client_rec_xbag_2_awb_del_id(" +
         std::to_string(bagId) + "," + Quoted(awbNumber, 60) + "," + Quoted(userName, 30) + ")}";
}

int32_t TakeOffRefusalText(int32_t code) {
  switch (code) {
    case -2: return 410096;
    case -3: return 410097;
    case -4: return 410098;
    default: return 0;
  }
}

std::string RenameSql(int32_t bagId, std::u16string_view newNumber, std::u16string_view userName) {
  return "{?=CALL brantle.dbo.cp_client_rec_xbag_alter(" + std::to_string(bagId) + "," +
         Quoted(Upper(std::u16string(newNumber)), 60) + "," + Quoted(userName, 30) + ")}";
}

int32_t RenameRefusalText(int32_t code) {
  switch (code) {
    case 0: return 410107;
    case -1: return 410108;
    case -2: return 360062;
    case -3: return 410109;
    case -4: return 410110;
    default: return 0;
  }
}

std::u16string OrderText(size_t i, size_t n) {
  const unsigned p = static_cast<unsigned>(i + 1), total = static_cast<unsigned>(n);
  if (n < 100) return Printf("% 2u/%u", p, total);
  if (n < 1000) return Printf("% 3u/%u", p, total);
  return Printf("% 4u/%u", p, total);
}

std::string BagOrderSql(int32_t bagId, std::u16string_view order) {
  return "UPDATE brantle.dbo.client_rec_xbag SET corder=" + Literal(order, 15) + " WHERE ixid=" +
         std::to_string(bagId);
}

std::string SpecialNumberSql(std::u16string_view number, std::span<const int32_t> ids) {
  std::string sql = "UPDATE brantle.dbo.client_rec_xbag SET chno=" + Quoted(number, 60) + " WHERE ixid IN(";
  sql.reserve(sql.size() + ids.size() * 12 + 1);
  for (size_t i = 0; i < ids.size(); ++i) {
    if (i > 0) sql += ',';
    sql += std::to_string(ids[i]);
  }
  return sql + ")";
}

std::vector<std::u16string> SpecialOrderTexts(const std::vector<std::u16string>& specials) {
  std::map<std::u16string, size_t> size, seen;
  for (const std::u16string& s : specials) ++size[s];
  std::vector<std::u16string> texts;
  texts.reserve(specials.size());
  for (const std::u16string& s : specials) texts.push_back(OrderText(seen[s]++, size[s]));
  return texts;
}

std::string SpecialOrderSql(int32_t bagId, std::u16string_view order) {
  return "UPDATE brantle.dbo.client_rec_xbag SET chorder=" + Literal(order, 15) + " WHERE ixid=" +
         std::to_string(bagId);
}

BagSums SumBagRows(const std::vector<std::array<std::u16string, 2>>& rows) {
  BagSums s;
  s.rows = rows.size();
  for (const auto& r : rows) {
    s.pieces += static_cast<uint32_t>(std::atoi(GbkFromWide(r[0]).c_str()));
    s.weight += std::atof(GbkFromWide(r[1]).c_str());
  }
  return s;
}

std::u16string UnsignedText(uint64_t value) { return Ascii(std::to_string(value)); }
std::u16string KgText(double kg) { return Printf("%.3f", kg); }

}  // namespace awb
