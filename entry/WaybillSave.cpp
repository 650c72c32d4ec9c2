#include "entry/WaybillSave.h"

#include <QObject>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <utility>

#include "common/DateTime.h"
#include "common/FieldCheck.h"
#include "common/FixedField.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "refdata/ServiceKinds.h"
#include "refdata/WaybillCache.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"
#include "ui/ViewPage.h"

namespace {

// ---- the server link ----

class ServerWaybillSaveLink : public WaybillSaveLink {
 public:
  explicit ServerWaybillSaveLink(CServerLink& link) : link_(link) {}
  int FetchNumber(unsigned series, std::string& number, std::string_view kindCode,
                  int32_t customerId) override {
    return platform::WaitForWork(
        [&] { return link_.FetchNumber(series, number, kindCode, customerId); });
  }
  int QueryPrice(PriceQuery& query) override {
    return platform::WaitForWork([&] { return link_.QueryPrice(query); });
  }
  int Execute(std::string_view sql, std::span<const uint32_t> types,
              std::string& reply) override {
    return platform::WaitForWork([&] { return link_.SqlExecute(sql, types, &reply); });
  }
  std::string FetchRecord(int32_t id) override {
    return platform::WaitForWork([&] {
      CServerLink::ReplyGuard guard = link_.LockReply();
      return link_.FetchRecord(id, std::nullopt, {}) > 0 ? guard.Text() : std::string();
    });
  }
  std::u16string LastErrorText() override { return link_.LastErrorText(); }
  std::string UserName() override { return link_.Session().userName; }
  bool UserHasStation() override { return !link_.Session().station.empty(); }

 private:
  CServerLink& link_;
};

// ---- texts ----

std::u16string Text(int id) { return AppLanguage().Text(id); }

// "%1 must be a number."
constexpr int kTextNotANumber = 610000;

// The field kinds the save reads as numbers (a whole number: 27).
constexpr int kNumberKinds[] = {4, 5, 25, 27, 28, 31, 32, 43, 51, 57, 62, 63, 66};

void ShowError(std::u16string_view text, int captionId = 20003) {
  platform::ShowMessageBox(text, Text(captionId), platform::kMbOk | platform::kMbIconError);
}

// ---- the field kinds that hold text ----

enum class Form : uint8_t { Plain, Encoded };

struct TextKind {
  int kind;         // field kind, or one of the payment codes below
  size_t offset;    // of the record field
  size_t size;      // of the record field
  int longest;      // GBK bytes the save accepts
  Form form;
};

constexpr int kMoney = kMoneyKind, kOrigin = kOriginKind, kPayDir = kPayDirKind;

#define TK(kind, name, longest, form) \
  TextKind { kind, offsetof(WaybillRecord, name), sizeof(WaybillRecord::name), longest, Form::form }

// In the order the save checks them.
const TextKind kSavedTexts[] = {
    TK(0, cAddrFrom, 62, Plain), TK(46, cDepart, 30, Plain), TK(1, cDes, 62, Plain),
    TK(26, cGoods, 254, Plain), TK(40, cMark, 15, Plain), TK(22, cMemo, 254, Plain),
    TK(kMoney, cMoney, 3, Plain), TK(kOrigin, cOrigin, 3, Plain), TK(29, cPack, 15, Plain),
    TK(30, cTransNote, 63, Plain), TK(kPayDir, cPayDir, 3, Plain),
    TK(11, cRAddr, 254, Encoded), TK(13, cRCity, 126, Encoded), TK(12, cRCountry, 126, Encoded),
    TK(7, cReceiver, 62, Encoded), TK(48, cREMail, 62, Plain), TK(8, cRPhone, 62, Plain),
    TK(10, cRPostcode, 15, Plain), TK(14, cRProvince, 62, Encoded), TK(49, cRSms, 22, Plain),
    TK(9, cRUnit, 254, Encoded), TK(68, cRIDCard, 30, Plain), TK(36, cSAddr, 126, Plain),
    TK(39, cSCity, 63, Plain), TK(37, cSCountry, 62, Plain), TK(6, cSender, 30, Plain),
    TK(47, cSEMail, 62, Plain), TK(33, cSPhone, 62, Plain), TK(35, cSPostcode, 15, Plain),
    TK(38, cSProvince, 30, Plain), TK(42, cSSms, 22, Plain), TK(34, cSUnit, 126, Plain),
    TK(67, cSIDCard, 30, Plain), TK(41, cRNo, 30, Plain), TK(45, cCNo, 30, Plain),
    TK(50, cReserve, 30, Plain), TK(52, cBy1, 62, Plain), TK(53, cBy2, 62, Plain),
    TK(54, cBy3, 62, Plain), TK(55, cBy4, 62, Plain), TK(56, cBy5, 254, Plain),
    TK(58, cGoodsA, 254, Plain), TK(59, cGCodeA, 62, Plain), TK(60, cGCodeB, 62, Plain),
    TK(61, cGCodeC, 62, Plain), TK(65, cGUnit, 15, Plain), TK(15, cMName, 30, Plain),
    TK(16, cTaker, 30, Plain), TK(17, cTrans, 30, Plain), TK(18, cBearer, 30, Plain),
    TK(64, cLwh, 15, Plain),
};

// Text kinds the save does not take but a loaded waybill shows.
const TextKind kShownOnlyTexts[] = {
    TK(2, cNum, 30, Plain), TK(3, cNo, 30, Plain), TK(19, dTDate, 30, Plain),
    TK(20, dADate, 30, Plain), TK(21, cSign, 30, Plain), TK(44, cCheckPoint, 15, Plain),
};
#undef TK

char* FieldAt(WaybillRecord& w, const TextKind& t) { return reinterpret_cast<char*>(&w) + t.offset; }

std::u16string* PaymentCode(WaybillEntry& e, int kind) {
  switch (kind) {
    case kMoney: return &e.money;
    case kOrigin: return &e.origin;
    case kPayDir: return &e.payDir;
    default: return nullptr;
  }
}

// The first three runs of digits of a text.
bool DigitGroups(std::string_view text, int (&groups)[3]) {
  int found = 0;
  size_t i = 0;
  while (found < 3 && i < text.size()) {
    if (text[i] < '0' || text[i] > '9') {
      ++i;
      continue;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      if (value < 100000) value = value * 10 + (text[i] - '0');
    groups[found++] = static_cast<int>(value);
  }
  return found == 3;
}

std::string DefaultCleanNumber(std::u16string_view text) {
  std::u16string wide(text.substr(0, 63));
  TrimW(wide);
  RemoveCharW(wide, u'\'');
  RemoveCharW(wide, u'"');
  for (char16_t& c : wide)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return GbkFromWide(wide);
}

}  // namespace

std::unique_ptr<WaybillSaveLink> MakeServerWaybillSaveLink(CServerLink& link) {
  return std::make_unique<ServerWaybillSaveLink>(link);
}

namespace {

class NoWaybillSaveLink : public WaybillSaveLink {
 public:
  int FetchNumber(unsigned, std::string& number, std::string_view, int32_t) override {
    number.clear();
    return 0;
  }
  int QueryPrice(PriceQuery&) override { return 0; }
  int Execute(std::string_view, std::span<const uint32_t>, std::string& reply) override {
    reply.clear();
    return -1;
  }
  std::string FetchRecord(int32_t) override { return {}; }
  std::u16string LastErrorText() override { return AppLanguage().Text(20023); }
  std::string UserName() override { return {}; }
  bool UserHasStation() override { return false; }
};

}  // namespace

std::unique_ptr<WaybillSaveLink> MakeNoWaybillSaveLink() {
  return std::make_unique<NoWaybillSaveLink>();
}

int WaybillFieldCaption(int kind) {
  switch (kind) {
    case kMoneyKind: return 30111;
    case kOriginKind: return 30112;
    case kPayDirKind: return 30113;
    default: return 30000 + kind;
  }
}

// ---- typed numbers ----

namespace {

std::string Ascii(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

bool IsTypedNumber(std::u16string_view text, bool whole) {
  size_t at = 0, end = text.size();
  while (at < end && (text[at] == u' ' || text[at] == u'\t')) ++at;
  while (end > at && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  if (at == end) return true;
  if (text[at] == u'-' || text[at] == u'+') ++at;
  int digits = 0, points = 0;
  for (; at < end; ++at) {
    if (text[at] >= u'0' && text[at] <= u'9') ++digits;
    else if (text[at] == u'.' && !whole && points == 0) ++points;
    else return false;
  }
  return digits > 0;
}

void ShowNotANumber(std::u16string_view caption) {
  ShowError(AppLanguage().TextWithString(kTextNotANumber, caption));
}

double TypedDecimal(std::u16string_view text) {
  const double v = std::strtod(Ascii(text).c_str(), nullptr);
  return std::isfinite(v) ? v : 0;
}

int32_t TypedInteger(std::u16string_view text) {
  const long long v = std::strtoll(Ascii(text).c_str(), nullptr, 10);
  return static_cast<int32_t>(std::clamp<long long>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::u16string FormattedNumber(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return WideFromGbk(text);
}

// ---- statement texts ----

SqlArgList& SqlArgList::Fixed(double v, int decimals) {
  char text[400];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return Raw(text);
}

SqlArgList& SqlArgList::Text(std::string_view v) {
  Raw("'");
  text_ += QuoteSqlNarrow(v);
  text_ += '\'';
  return *this;
}

SqlArgList& SqlArgList::Raw(std::string_view v) {
  if (!first_) text_ += ',';
  first_ = false;
  text_ += v;
  return *this;
}

std::string BuildWaybillSaveCall(const WaybillRecord& w, int32_t loadedId,
                                 std::string_view userName, std::string_view kindCode,
                                 std::string_view station) {
  const bool added = loadedId == 0;
  SqlArgList a;
  char date[48];
  std::snprintf(date, sizeof date, "'%d.%d.%d'", w.year, w.month, w.day);
  a.Int(added ? w.icID : loadedId).Int(w.nItemType).Int(w.nLanguage).Raw(date).Int(w.nState)
      .Int(w.nPayWay);
  if (added) a.Text(userName).Text(kindCode);                                     // 7, 8
  a.Text(FixedText(w.cAddrFrom)).Text(FixedText(w.cDes)).Text(FixedText(w.cNum)).Text(FixedText(w.cNo));
  a.Fixed(w.fWeight, 3).Fixed(w.fAmount, 2);                                      // 13, 14
  a.Text(FixedText(w.cSender)).Text(FixedText(w.cReceiver)).Text(FixedText(w.cRPhone))
      .Text(FixedText(w.cRUnit)).Text(FixedText(w.cRPostcode)).Text(FixedText(w.cRAddr))
      .Text(FixedText(w.cRCountry)).Text(FixedText(w.cRCity)).Text(FixedText(w.cRProvince))
      .Text(FixedText(w.cMName)).Text(FixedText(w.cTaker));                               // 15 .. 25
  a.Raw("''").Raw("''").Raw("'1900.1.1'").Raw("'1900.1.1'").Raw("''");           // 26 .. 30
  a.Text(FixedText(w.cMemo)).Int(w.iReserve).Int(w.iBatch).Fixed(w.fWeights, 3)
      .Text(FixedText(w.cLwh)).Fixed(w.fWeightb, 3).Int(w.iPiid).Fixed(w.fsPrice, 2);  // 31 .. 38
  if (added) a.Fixed(w.fAccord, 2);                                               // 39
  a.Int(w.iDays);                                                                 // 40
  if (added) a.Int(0);                                                            // 41
  a.Fixed(0, 2).Fixed(w.fBase, 2).Fixed(w.faAddOn, 2).Fixed(w.faCustoms, 2)
      .Fixed(w.faOther, 2).Fixed(w.fBaseRate, 4);                                 // 42 .. 47
  a.Text(FixedText(w.cGoods)).Int(w.iQuantity).Int(w.iPrice).Text(FixedText(w.cPack))
      .Text(FixedText(w.cTransNote)).Int(w.iDValue).Int(w.iIValue);                   // 48 .. 54
  a.Fixed(w.faGet, 2).Fixed(w.faCarry, 2).Fixed(w.faSafe, 2).Fixed(w.faPack, 2).Raw("0")
      .Fixed(w.fBaseRate, 2).Text(FixedText(w.cMoney)).Fixed(0, 2);                   // 55 .. 62
  a.Text(FixedText(w.cSUnit)).Text(FixedText(w.cSAddr)).Text(FixedText(w.cSPhone))
      .Text(FixedText(w.cSPostcode)).Text(FixedText(w.cSCountry)).Text(FixedText(w.cSProvince))
      .Text(FixedText(w.cSCity)).Text(FixedText(w.cMark)).Text(FixedText(w.cPayDir))
      .Text(FixedText(w.cOrigin));                                                    // 63 .. 72
  a.Int(w.iItem).Raw("''").Int(0).Fixed(w.fWeight, 3).Text(FixedText(w.cRNo)).Text(station)
      .Raw("0").Raw("0").Text(FixedText(w.cSSms)).Fixed(w.fGoods, 2);                 // 73 .. 82
  if (added) a.Raw("''");                                                         // 83
  a.Raw("'1900.1.1'").Text(FixedText(w.cCNo)).Text(FixedText(w.cDepart)).Text(FixedText(w.cSEMail))
      .Text(FixedText(w.cREMail)).Text(FixedText(w.cRSms)).Text(FixedText(w.cReserve));        // 84 .. 90
  a.Raw("0").Raw("0").Raw("0").Raw("0").Raw("0").Raw("''");                       // 91 .. 96
  a.Text(FixedText(w.cBy1)).Text(FixedText(w.cBy2)).Text(FixedText(w.cBy3)).Text(FixedText(w.cBy4))
      .Text(FixedText(w.cBy5)).Unsigned(static_cast<uint32_t>(w.iCubic));              // 97 .. 102
  if (added) a.Raw("0").Raw("0").Raw("0").Raw("''");                              // 103 .. 106
  a.Text(FixedText(w.cGoodsA)).Text(FixedText(w.cGCodeA)).Text(FixedText(w.cGCodeB))
      .Text(FixedText(w.cGCodeC)).Fixed(w.fGCustom, 2).Fixed(w.fGCRate, 4)
      .Fixed(w.faCheck, 2).Fixed(w.faRemote, 2).Fixed(w.faBy, 2)
      .Fixed(w.fDiscount, 4);                                                     // 107 .. 116
  return std::string(added ? "{?=CALL brantle.dbo.cp_client_rec_fast_add("
                           : "{?=CALL brantle.dbo.cp_client_rec_fast_mod(") +
         a.Joined() + ")}";
}

std::string BuildPieceRowsStatement(int32_t irid, std::span<const PieceLine> pieces) {
  if (pieces.empty()) return {};
  std::string sql =
      "INSERT INTO brantle.dbo.client_rec_weight_detail(irid,ilong,iwidth,iheight,iweight,"
      "npercent,cno,famount,fcost,ibag,wpos,cgoods,iquantity,iprice,crno,cnum,cgoodsa,cgcodea,"
      "cgcodeb,cgcodec,fgcustom,fgcrate) ";
  uint32_t position = 0;
  for (const PieceLine& p : pieces) {
    SqlArgList a;
    a.Int(irid).Int(p.ixLong).Int(p.ixWidth).Int(p.ixHeight).Int(p.ixWeight).Int(p.nxPercent)
        .Text(FixedText(p.cxNo)).Raw("0").Raw("0").Raw("0").Unsigned(++position)
        .Text(FixedText(p.cxGoods)).Int(p.ixQuantity).Int(p.ixPrice).Text(FixedText(p.cxRNo))
        .Text(FixedText(p.cxNum)).Text(FixedText(p.cxGoodsA)).Text(FixedText(p.cxGCodeA))
        .Text(FixedText(p.cxGCodeB)).Text(FixedText(p.cxGCodeC)).Fixed(p.fxGCustom, 2)
        .Fixed(p.fxGCRate, 4);
    if (position > 1) sql += "union all ";
    sql += "select " + a.Joined() + " ";
  }
  return sql;
}

std::string BuildWaybillExtrasStatement(int32_t irid, const WaybillRecord& w) {
  std::string sql = "UPDATE brantle.dbo.client_rec SET ctrans='";
  sql += QuoteSqlNarrow(FixedText(w.cTrans)) + "',cbearer='" + QuoteSqlNarrow(FixedText(w.cBearer)) +
         "',cunit='" + QuoteSqlNarrow(FixedText(w.cGUnit)) + "',csidcard='" +
         QuoteSqlNarrow(FixedText(w.cSIDCard)) + "',cridcard='" + QuoteSqlNarrow(FixedText(w.cRIDCard)) +
         "',fgweight=";
  SqlArgList weight, collected;
  weight.Fixed(w.fgWeight, 3);
  collected.Fixed(w.fGoodsC, 2);
  return sql + weight.Joined() + ",fgoodsc=" + collected.Joined() + " WHERE irid=" +
         std::to_string(irid);
}

std::string BuildGoodsDeleteStatement(int32_t irid) {
  char text[96];
  std::snprintf(text, sizeof text, "%sclient_rec_goods %s irid=%d", "DELETE brantle.dbo.",
                "WHERE", irid);
  return text;
}

std::string BuildGoodsRowsStatement(int32_t irid, std::span<const GoodsLine> goods) {
  if (goods.empty()) return {};
  std::string sql =
      "INSERT INTO brantle.dbo.client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,"
      "cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate,fgweight) ";
  int position = 0;
  for (const GoodsLine& g : goods) {
    SqlArgList a;
    a.Int(position).Int(irid).Text(FixedText(g.cgoods)).Text(FixedText(g.cunit)).Int(g.iquantity)
        .Fixed(g.fprice, 2).Text(FixedText(g.cgoodsa)).Text(FixedText(g.cgcodea))
        .Text(FixedText(g.cgcodeb)).Text(FixedText(g.cgcodec)).Fixed(g.fgcustom, 2)
        .Fixed(g.fgcrate, 4).Fixed(g.fgweight, 3);
    if (position++ > 0) sql += "union all ";
    sql += "select " + a.Joined() + " ";
  }
  return sql;
}

std::string BuildWaybillDeleteCall(int32_t id, bool userHasStation) {
  char text[96];
  std::snprintf(text, sizeof text, "{?=CALL brantle.dbo.cp_client_rec_fast_del(%d,%s)}", id,
                userHasStation ? "1" : "0");
  return text;
}

int SaveRefusalMessageId(int32_t result) {
  switch (result) {
    case -1: return 120030;
    case -2: return 20024;
    case -3: return 120031;
    case -5: return 120032;
    case -6: return 120033;
    case -7: return 120034;
    case -8: return 120035;
    case -10: return 120036;
    default: return 0;
  }
}

int DeleteRefusalMessageId(int32_t result) {
  if (result >= -8 && result <= -1) return 180100 - result;
  if (result >= -13 && result <= -10) return 180100 - result;
  switch (result) {
    case -18: return 180114;
    case -19: return 180115;
    case -20: return 180116;
    case -30: return 180117;
    case -40: return 180118;
    default: return 0;
  }
}

int EditRefusalMessageId(std::string_view reply) {
  static const char* const kLinks[] = {"iFid", "iPid", "iIid", "iQid", "iFsid", "iFcid"};
  for (int k = 0; k < 6; ++k)
    if (JsonGetInt(kLinks[k], reply, 0) >= 1) return 120041 + k;
  if (JsonGetInt("nState", reply, 0) >= 1) return 120047;
  return 0;
}

void ReadWaybillReply(std::string_view reply, int32_t id, int32_t customerId,
                      InputWaybillRecord& record, std::vector<PieceLine>& pieces,
                      std::vector<GoodsLine>& goods) {
  record = InputWaybillRecord{};
  CWaybillCache::PieceList pieceList;
  CWaybillCache::GoodsList goodsList;
  CWaybillCache::ReadReply(reply, record, pieceList, goodsList);
  WaybillRecord& w = record.waybill;
  w.irID = id;
  w.icID = customerId;
  w.goodsLineCount = 0;
  w.pieceLineCount = 0;
  pieces.clear();
  for (const auto& p : pieceList) pieces.push_back(*p);
  goods.clear();
  for (const auto& g : goodsList) goods.push_back(*g);
}

// ---- steps every waybill save takes ----

double WaybillSurcharges(const WaybillRecord& w) {
  return w.faRemote + w.faCheck + w.faPack + w.faSafe + w.faGet + w.faBy + w.faCarry;
}

bool TakeWaybillDate(std::string_view date, WaybillRecord& w) {
  int ymd[3] = {0, 0, 0};
  // The record keeps the year in 16 bits: a larger one is no date it can hold.
  if (!DigitGroups(date, ymd) || ymd[0] < 1 || ymd[0] > 32767 || ymd[2] < 1 ||
      ymd[2] > DaysInMonth(ymd[0], ymd[1]))
    return false;
  w.year = static_cast<int16_t>(ymd[0]);
  w.month = static_cast<uint8_t>(ymd[1]);
  w.day = static_cast<uint8_t>(ymd[2]);
  return true;
}

bool SettleWaybillQuantities(WaybillRecord& w) {
  if (w.iQuantity < 1) w.iQuantity = 1;
  if (w.iItem < 1) w.iItem = 1;
  if (w.iDValue < 1) {
    // Price times quantity in 64 bits: a product beyond the field is refused,
    // never wrapped.
    const int64_t declared = static_cast<int64_t>(w.iPrice) * w.iQuantity;
    if (declared > std::numeric_limits<int32_t>::max() ||
        declared < std::numeric_limits<int32_t>::min()) {
      ShowError(Text(21354));
      return false;
    }
    w.iDValue = static_cast<int32_t>(declared);
  }
  return true;
}

std::string TakePieceMeasures(std::span<const PieceLine> pieces, WaybillRecord& w) {
  std::string lwh(FixedText(w.cLwh));
  int64_t grams = 0;
  if (pieces.size() == 1) {
    const PieceLine& p = pieces.front();
    if (p.ixLong > 0 && p.ixWidth > 0 && p.ixHeight > 0) {
      char text[48];
      std::snprintf(text, sizeof text, "%d*%d*%d", p.ixLong, p.ixWidth, p.ixHeight);
      lwh = text;
      grams = p.ixWeight;
    }
  } else {
    const size_t counted = std::min(pieces.size(), static_cast<size_t>(std::max(w.iItem, 0)));
    for (size_t k = 0; k < counted; ++k) grams += pieces[k].ixWeight;
  }
  const double actual = static_cast<double>(grams) / 1000.0;
  if (actual >= 0.001) w.fWeightb = actual;
  if (w.fWeightb < 0.001) w.fWeightb = w.fWeight;
  return lwh;
}

bool PriceWaybill(WaybillSaveLink& link, WaybillRecord& w, double& price) {
  PriceQuery query;
  query.customerId = w.icID;
  query.destination = std::string(FixedText(w.cDes));
  query.itemType = w.nItemType;
  query.weightKg = w.fWeight;
  query.serviceKind = std::string(FixedText(w.cZizKind));
  if (link.QueryPrice(query) != 1) return false;
  price = query.price;
  w.fsPrice = query.salePrice;
  w.faAddOn = query.addOn;
  w.faCustoms = query.customs;
  w.faOther = query.other;
  w.fDiscount = query.discount;
  w.fBase = query.price - query.addOn - query.customs - query.other;
  w.fBaseRate = 0;
  return true;
}

bool CallWaybillProcedure(WaybillSaveLink& link, std::string_view sql, int outputs,
                          int32_t& result) {
  std::vector<uint32_t> types = {AcsTypeEntry(kSqlCSLong, 0)};
  if (outputs == 2) types.push_back(AcsTypeEntry(kSqlCChar, 512));
  serverlink::ProcedureResult reply;
  const auto send = [&link](std::string_view text, std::span<const uint32_t> declared,
                            std::string& body) { return link.Execute(text, declared, body); };
  if (!serverlink::CallProcedure(send, sql, types, reply)) {
    ShowError(link.LastErrorText());
    return false;
  }
  result = reply.code;
  return true;
}

bool SendWaybillStatement(WaybillSaveLink& link, std::string_view sql) {
  std::string reply;
  const int sent = link.Execute(sql, {}, reply);
  return sent > 0 && JsonGetInt("ReturnValue", reply, 0) == 1;
}

void ShowWaybillRefusal(WaybillSaveLink& link, int messageId) {
  ShowError(messageId ? Text(messageId) : link.LastErrorText());
}

bool ConfirmWaybillDelete() {
  return platform::ShowMessageBox(Text(20011), Text(20002),
                                  platform::kMbYesNo | platform::kMbIconQuestion) ==
         platform::kIdYes;
}

std::u16string SendWaybillFollowUps(WaybillSaveLink& link, const WaybillFollowUps& f,
                                    bool& goodsChanged) {
  std::u16string missing;
  auto miss = [&missing](int id) {
    if (!missing.empty()) missing += u", ";
    missing += Text(id);
  };
  if (!f.pieces.empty() && !SendWaybillStatement(link, BuildPieceRowsStatement(f.irid, f.pieces)))
    miss(21351);
  if (!SendWaybillStatement(link, f.extras)) miss(f.extrasCaption);
  if (goodsChanged) {
    bool stored = f.replacedGoodsOf == 0 ||
                  SendWaybillStatement(link, BuildGoodsDeleteStatement(f.replacedGoodsOf));
    if (stored && !f.goods.empty())
      stored = SendWaybillStatement(link, BuildGoodsRowsStatement(f.irid, f.goods));
    if (stored)
      goodsChanged = false;
    else
      miss(21352);
  }
  return missing;
}

void ShowWaybillNotStored(std::u16string_view missing) {
  ShowError(AppLanguage().TextWithString(21350, missing));
}

// ---- the saver ----

CWaybillSaver::CWaybillSaver(WaybillSaveLink& link, WaybillEntry& entry)
    : link_(link), entry_(entry) {}

void CWaybillSaver::Focus(int target) const {
  if (focus) focus(target);
}

CWaybillSaver::Outcome CWaybillSaver::Save() {
  if (saving_) return Outcome::Busy;
  saving_ = true;
  Outcome outcome = SaveSteps();
  saving_ = false;
  return outcome;
}

bool CWaybillSaver::CheckDate() {
  if (entry_.dateText.empty()) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y.%m.%d", &local);
    entry_.dateText = WideFromGbk(text);
  }
  entry_.dateText = NormalizeDateText(entry_.dateText);
  if (entry_.dateText < u"2000.01.01") {
    ShowError(Text(120021));
    Focus(kFocusDate);
    return false;
  }
  return true;
}

CWaybillSaver::Outcome CWaybillSaver::SaveSteps() {
  repriced_ = false;
  // 1, 2: the date, the working record.
  if (!CheckDate()) return Outcome::Stopped;
  if (rules.pieceNumbers && entry_.itemCount > 1 && rules.pieceNumbers() != entry_.itemCount) {
    ShowError(Text(500020));
    return Outcome::Stopped;
  }
  if (entry_.loadedId > 0) {
    working_ = entry_.loaded;
  } else {
    working_ = InputWaybillRecord{};
  }
  WaybillRecord& w = working_.waybill;

  // 3: the date into the record.
  std::string date;
  if (!CheckFieldLength(entry_.dateText, date, 8, 30, Text(120021), false)) return Outcome::Stopped;
  if (!TakeWaybillDate(date, w)) {
    ShowError(Text(120021));
    Focus(kFocusDate);
    return Outcome::Stopped;
  }
  Focus(kFocusSave);

  // 4: kind and customer.
  if (entry_.kind == nullptr) {
    ShowError(Text(120022));
    return Outcome::Stopped;
  }
  w.icID = entry_.customerId;
  if (w.icID <= 0) {
    ShowError(Text(120023));
    return Outcome::Stopped;
  }

  // 6 .. 10.
  if (!TakeNumbers(w)) return Outcome::Stopped;
  SetFixedText(w.cZizKind, entry_.kind->cemskind);
  if (!TakeTexts(w) || !TakeValues(w) || !TakePieces(w)) return Outcome::Stopped;

  // 12: goods count, the customer's defaults for a new waybill.
  w.goodsLineCount = static_cast<int32_t>(entry_.goods.size());
  if (entry_.loadedId == 0 && applyCustomerDefaults) applyCustomerDefaults(w);

  // 13, 14: price and total.  A loaded waybill that is not priced again
  // brought its surcharges in its amount: only a change of them counts.
  Price(w);
  if (entry_.loadedId > 0 && !repriced_)
    w.fAmount += WaybillSurcharges(w) - WaybillSurcharges(entry_.loaded.waybill);
  else
    w.fAmount += WaybillSurcharges(w);
  if (w.fAccord < 0.01) w.fAccord = w.fAmount;

  // 15, 16: the procedure.
  int32_t result = 0;
  if (!CallWaybillProcedure(link_,
                            BuildWaybillSaveCall(w, entry_.loadedId, link_.UserName(),
                                                 entry_.kind->cemskind, entry_.customerStation),
                            1, result))
    return Outcome::Stopped;
  if (result < 0) {
    ShowWaybillRefusal(link_, SaveRefusalMessageId(result));
    return Outcome::Stopped;
  }

  // 17: the rows, each checked.
  WaybillFollowUps followUps;
  followUps.irid = result;
  followUps.replacedGoodsOf = entry_.loadedId;
  followUps.pieces = entry_.pieces;
  followUps.extras = BuildWaybillExtrasStatement(result, w);
  followUps.extrasCaption = 21353;
  followUps.goods = entry_.goods;
  const std::u16string missing = SendWaybillFollowUps(link_, followUps, entry_.goodsChanged);
  const bool created = entry_.loadedId == 0 || pendingCaptureId_ == result;
  w.irID = result;
  if (!missing.empty()) {
    AfterPartialSave(result, missing);
    return Outcome::PartlySaved;
  }
  pendingCaptureId_ = 0;

  // 18, 19: the camera window and the page, each with a copy.
  if (created && captureWindow) {
    if (QObject* camera = captureWindow())
      platform::PostPrivateMessage(camera, WM_CAPTURE_PARCEL, static_cast<quintptr>(w.icID),
                                   working_);
  }
  if (page) platform::PostPrivateMessage(page.data(), WM_PAGE_NOTIFY, 1, working_);
  // 20, 21.  The page's notice drops the waybill from the cache only
  // later: the print must not read the copy from before this save.
  if (printCache != nullptr) printCache->Invalidate(w.irID);
  if (printAfterSave) printAfterSave(working_);
  entry_.loadedId = 0;
  if (clearForm) clearForm();
  return Outcome::Saved;
}

void CWaybillSaver::AfterPartialSave(int32_t id, std::u16string_view missing) {
  // The waybill is on the server: from now on the form holds it as loaded,
  // with the numbers and the amount it was stored with, so that saving
  // again changes it rather than adding a second one.
  if (entry_.loadedId == 0) pendingCaptureId_ = id;
  entry_.loadedId = id;
  entry_.loaded = working_;
  const WaybillRecord& w = working_.waybill;
  entry_.texts[2] = WideFromGbk(FixedText(w.cNum));
  entry_.texts[3] = WideFromGbk(FixedText(w.cNo));
  entry_.texts[5] = FormattedNumber("%.2f", w.fAmount);
  ShowWaybillNotStored(missing);
}

bool CWaybillSaver::TakeNumbers(WaybillRecord& w) {
  const CServiceKind& kind = *entry_.kind;
  auto clean = [this](std::u16string_view text) {
    return cleanNumber ? cleanNumber(text) : DefaultCleanNumber(text);
  };
  std::string number = clean(entry_.texts[2]);
  std::string transfer = clean(entry_.texts[3]);
  if (rules.transferNumberRules && !transfer.empty() && !kind.CheckNoMask(transfer)) {
    ShowError(Text(120025), 20022);
    Focus(3);
    return false;
  }
  if (!number.empty() && !kind.CheckNumMask(number)) {
    ShowError(Text(120026), 20022);
    Focus(2);
    return false;
  }
  // A number the server did not give (result 0, however many characters
  // came with it) stays empty: no waybill is saved under a short number.
  auto fetch = [&](unsigned series, std::string& out) {
    if (link_.FetchNumber(series, out, kind.cemskind, w.icID) <= 0) out.clear();
  };
  if (number.empty()) {
    if (kind.idGenLow > 0)
      fetch(static_cast<unsigned>(kind.idGenLow), number);
    else if (entry_.loadedId == 0 && !entry_.showsNumberSlot)
      fetch(999, number);
  }
  if (rules.transferNumberRules && transfer.empty() && kind.idGenHigh > 0 &&
      kind.idGenHigh != kind.idGenLow)
    fetch(static_cast<unsigned>(kind.idGenHigh), transfer);
  if (transfer.empty()) transfer = number;
  if (number.empty()) number = transfer;
  if (number.size() < 7) {
    ShowError(Text(120027), 20022);
    Focus(2);
    return false;
  }
  // Both fields hold 31 bytes: a longer number would be cut unseen.
  for (const auto& [text, kindNo] : {std::pair{&number, 2}, std::pair{&transfer, 3}}) {
    if (text->size() > 30) {
      std::u16string message = Text(20013);
      ReplaceAllW(message, u"%1", Text(30000 + kindNo));
      ReplaceAllW(message, u"%2", u"30");
      ShowError(message);
      Focus(kindNo);
      return false;
    }
  }
  SetFixedText(w.cNum, number);
  SetFixedText(w.cNo, transfer);
  return true;
}

bool CWaybillSaver::TakeTexts(WaybillRecord& w) {
  for (const TextKind& t : kSavedTexts) {
    std::u16string* text = t.kind < 0 ? PaymentCode(entry_, t.kind) : &entry_.texts[t.kind];
    std::string narrow;
    const std::u16string caption = Text(WaybillFieldCaption(t.kind));
    const bool fits = t.form == Form::Encoded
                          ? CheckFieldLengthEncoded(*text, narrow, 0, t.longest, caption)
                          : CheckFieldLength(*text, narrow, 0, t.longest, caption, false);
    if (!fits) {
      if (t.kind >= 0) Focus(t.kind);
      return false;
    }
    char* field = FieldAt(w, t);
    std::memset(field, 0, t.size);
    std::memcpy(field, narrow.data(), std::min(narrow.size(), t.size - 1));
  }
  return true;
}

bool CWaybillSaver::TakeValues(WaybillRecord& w) {
  const auto& t = entry_.texts;
  // A number field holding something else is refused, never saved as 0.
  for (const int kind : kNumberKinds) {
    if (IsTypedNumber(t[kind], kind == 27)) continue;
    ShowNotANumber(Text(WaybillFieldCaption(kind)));
    Focus(kind);
    return false;
  }
  w.fGCustom = TypedDecimal(t[62]);
  w.fGCRate = TypedDecimal(t[63]);
  w.fAmount = TypedDecimal(t[5]);
  w.fAccord = TypedDecimal(t[51]);
  w.fGoods = TypedDecimal(t[43]);
  w.fWeight = TypedDecimal(t[4]);
  w.fWeights = TypedDecimal(t[25]);
  w.fgWeight = TypedDecimal(t[66]);
  w.iReserve = TypedInteger(t[23]);
  w.iQuantity = TypedInteger(t[27]);
  w.iDValue = RoundScaled(TypedDecimal(t[31]), 100);
  w.iIValue = RoundScaled(TypedDecimal(t[32]), 100);
  w.iPrice = RoundScaled(TypedDecimal(t[28]), 100);
  w.iItem = entry_.itemCount;
  w.iBatch = BatchTextToId(t[24]);
  w.iCubic = RoundScaled(std::clamp(TypedDecimal(t[57]), 0.0, 2100.0), 1000000);
  if (!SettleWaybillQuantities(w)) {
    Focus(28);
    return false;
  }
  w.nItemType = entry_.itemType;
  w.nLanguage = entry_.language;
  w.nPayWay = entry_.payWay;
  w.pieceLineCount = static_cast<int32_t>(entry_.pieces.size());
  return true;
}

bool CWaybillSaver::TakePieces(WaybillRecord& w) {
  std::string lwh = TakePieceMeasures(entry_.pieces, w);
  if (std::strchr("DTESW", entry_.volumeLetter) != nullptr && entry_.volumeLetter != 0)
    lwh += entry_.volumeLetter;
  // The field holds 15 bytes; very large dimensions are refused, not cut.
  if (lwh.size() > 15) {
    ShowError(AppLanguage().TextWithString(21355, WideFromGbk(lwh)));
    Focus(64);
    return false;
  }
  SetFixedText(w.cLwh, lwh);
  return true;
}

void CWaybillSaver::Price(WaybillRecord& w) {
  if (!rules.queryPrice || w.fAmount >= 0.01 || w.fWeight < 0.001) return;
  double price = 0;
  if (!PriceWaybill(link_, w, price)) return;
  w.fAmount = price;
  repriced_ = true;
}

bool CWaybillSaver::Delete() {
  if (entry_.loadedId < 0) return false;
  if (!ConfirmWaybillDelete()) return false;
  int32_t result = 0;
  if (!CallWaybillProcedure(link_, BuildWaybillDeleteCall(entry_.loadedId, link_.UserHasStation()),
                            1, result))
    return false;
  if (result < 0) {
    ShowWaybillRefusal(link_, DeleteRefusalMessageId(result));
    return false;
  }
  working_.waybill.irID = entry_.loadedId;
  if (page)
    platform::PostPrivateMessage(page.data(), WM_PAGE_NOTIFY, 0, working_);
  entry_.loadedId = 0;
  if (clearForm) clearForm();
  return true;
}

bool CWaybillSaver::LoadForEditing(int32_t id, bool switchToItsKind) {
  if (clearForm) clearForm();
  const std::string reply = link_.FetchRecord(id);
  if (reply.empty()) return false;
  if (const int refusal = EditRefusalMessageId(reply)) {
    ShowError(Text(refusal));
    return false;
  }
  const int32_t customer = JsonGetInt("icID", reply, 0);
  if (selectCustomer && !selectCustomer(customer)) return false;
  entry_.customerId = customer;

  InputWaybillRecord loaded{};
  std::vector<PieceLine> pieces;
  std::vector<GoodsLine> goods;
  ReadWaybillReply(reply, id, customer, loaded, pieces, goods);
  if (switchToItsKind && switchKind) switchKind(FixedText(loaded.waybill.cZizKind));
  WaybillRecord& w = loaded.waybill;
  entry_.loaded = loaded;
  entry_.loadedId = id;

  // The text table.
  entry_.texts = {};
  std::u16string date = WideFromGbk(JsonGetString("dDate", reply, 30, false));
  entry_.dateText = date.substr(0, 15);
  for (std::span<const TextKind> list : {std::span<const TextKind>(kSavedTexts),
                                         std::span<const TextKind>(kShownOnlyTexts)})
    for (const TextKind& t : list) {
      if (t.kind < 0) continue;
      entry_.texts[t.kind] =
          WideFromFieldText(std::string_view(FieldAt(w, t), strnlen(FieldAt(w, t), t.size)), 4000);
    }
  entry_.texts[5] = FormattedNumber("%.2f", w.fAmount);
  entry_.texts[43] = FormattedNumber("%.2f", w.fGoods);
  entry_.texts[23] = WideFromGbk(std::to_string(w.iReserve));
  entry_.texts[57] = FormattedNumber("%.3f", w.iCubic / 1000000.0);
  entry_.texts[62] = FormattedNumber("%.2f", w.fGCustom);
  entry_.texts[63] = FormattedNumber("%.2f", w.fGCRate);
  entry_.texts[66] = FormattedNumber("%.3f", w.fgWeight);
  entry_.texts[24] = w.iBatch > 0 ? WideFromGbk(BatchIdToText(w.iBatch)) : std::u16string();
  entry_.texts[4] = FormattedNumber("%.3f", w.fWeight);
  entry_.texts[25] = FormattedNumber("%.3f", w.fWeights);
  entry_.texts[27] = WideFromGbk(std::to_string(w.iQuantity));
  entry_.texts[28] = FormattedNumber("%.2f", w.iPrice / 100.0);
  entry_.texts[31] = FormattedNumber("%.2f", w.iDValue / 100.0);
  entry_.texts[32] = FormattedNumber("%.2f", w.iIValue / 100.0);
  entry_.money = WideFromGbk(FixedText(w.cMoney));
  entry_.origin = WideFromGbk(FixedText(w.cOrigin));
  entry_.payDir = WideFromGbk(FixedText(w.cPayDir));
  entry_.itemCount = w.iItem;
  entry_.itemType = w.nItemType;
  entry_.language = w.nLanguage;
  entry_.payWay = w.nPayWay;
  entry_.state = w.nState;
  entry_.pieces = std::move(pieces);
  entry_.goods = std::move(goods);
  entry_.goodsChanged = false;
  return true;
}
