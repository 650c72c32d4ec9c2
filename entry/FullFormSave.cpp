#include "entry/FullFormSave.h"

#include <QObject>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "refdata/WaybillCache.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"
#include "ui/ViewPage.h"

namespace {

std::u16string Text(int id) { return AppLanguage().Text(id); }

void ShowError(std::u16string_view text) {
  platform::ShowMessageBox(text, Text(20003), platform::kMbOk | platform::kMbIconError);
}

template <size_t N>
std::string_view Field(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

template <size_t N>
void SetField(char (&field)[N], std::string_view value) {
  std::memset(field, 0, N);
  std::memcpy(field, value.data(), std::min(value.size(), N - 1));
}

std::string Ascii(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

double Decimal(std::u16string_view text) {
  const double v = std::strtod(Ascii(text).c_str(), nullptr);
  return std::isfinite(v) ? v : 0;
}

int32_t Integer(std::u16string_view text) {
  const long long v = std::strtoll(Ascii(text).c_str(), nullptr, 10);
  return static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

std::u16string Formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return WideFromGbk(text);
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

// One checked text: its record field, limits and caption.
struct TextRule {
  int text;
  size_t offset, size;
  int minimum, maximum, caption;
  bool encoded;
};

#define TR(text, name, lo, hi, caption, enc) \
  TextRule { text, offsetof(WaybillRecord, name), sizeof(WaybillRecord::name), lo, hi, caption, enc }

const TextRule kRules[kFfTextCount] = {
    TR(kFfNum, cNum, 7, 30, 30002, false),          TR(kFfAddrFrom, cAddrFrom, 0, 62, 30000, false),
    TR(kFfDepart, cDepart, 0, 30, 30046, false),    TR(kFfDes, cDes, 0, 62, 30001, false),
    TR(kFfGoods, cGoods, 0, 254, 30026, false),     TR(kFfMark, cMark, 0, 15, 30040, false),
    TR(kFfMemo, cMemo, 0, 254, 30022, false),       TR(kFfMoney, cMoney, 0, 3, 30111, false),
    TR(kFfOrigin, cOrigin, 0, 3, 30112, false),     TR(kFfPack, cPack, 0, 15, 30029, false),
    TR(kFfTransNote, cTransNote, 0, 63, 30030, false), TR(kFfPayDir, cPayDir, 0, 3, 30113, false),
    TR(kFfRAddr, cRAddr, 0, 254, 30011, true),      TR(kFfRCity, cRCity, 0, 126, 30013, true),
    TR(kFfRCountry, cRCountry, 0, 126, 30012, true), TR(kFfReceiver, cReceiver, 0, 62, 30007, true),
    TR(kFfREMail, cREMail, 0, 62, 30048, false),    TR(kFfRPhone, cRPhone, 0, 62, 30008, false),
    TR(kFfRPostcode, cRPostcode, 0, 15, 30010, false), TR(kFfRProvince, cRProvince, 0, 62, 30014, true),
    TR(kFfRSms, cRSms, 0, 22, 30049, false),        TR(kFfRUnit, cRUnit, 0, 254, 30009, true),
    TR(kFfRIDCard, cRIDCard, 0, 30, 30068, false),  TR(kFfSAddr, cSAddr, 0, 126, 30036, false),
    TR(kFfSCity, cSCity, 0, 63, 30039, false),      TR(kFfSCountry, cSCountry, 0, 62, 30037, false),
    TR(kFfSender, cSender, 0, 30, 30006, false),    TR(kFfSEMail, cSEMail, 0, 62, 30047, false),
    TR(kFfSPhone, cSPhone, 0, 62, 30033, false),    TR(kFfSPostcode, cSPostcode, 0, 15, 30035, false),
    TR(kFfSProvince, cSProvince, 0, 30, 30038, false), TR(kFfSSms, cSSms, 0, 22, 30042, false),
    TR(kFfSUnit, cSUnit, 0, 126, 30034, false),     TR(kFfSIDCard, cSIDCard, 0, 30, 30067, false),
    TR(kFfNo, cNo, 0, 30, 30003, false),            TR(kFfRNo, cRNo, 0, 30, 30041, false),
    TR(kFfCNo, cCNo, 0, 30, 30045, false),          TR(kFfReserve, cReserve, 0, 30, 30050, false),
    TR(kFfBy1, cBy1, 0, 62, 30052, false),          TR(kFfBy2, cBy2, 0, 62, 30053, false),
    TR(kFfBy3, cBy3, 0, 62, 30054, false),          TR(kFfBy4, cBy4, 0, 62, 30055, false),
    TR(kFfBy5, cBy5, 0, 254, 30056, false),         TR(kFfGoodsA, cGoodsA, 0, 254, 30058, false),
    TR(kFfGCodeA, cGCodeA, 0, 62, 30059, false),    TR(kFfGCodeB, cGCodeB, 0, 62, 30060, false),
    TR(kFfGCodeC, cGCodeC, 0, 62, 30061, false),    TR(kFfGUnit, cGUnit, 0, 15, 30065, false),
};
#undef TR

const char* FieldBytes(const WaybillRecord& w, const TextRule& r) {
  return reinterpret_cast<const char*>(&w) + r.offset;
}

// Arguments joined by commas; texts single-quoted, quotes doubled.
class Args {
 public:
  Args& Int(long long v) { return Raw(std::to_string(v)); }
  Args& Fixed(double v, int decimals) {
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return Raw(text);
  }
  Args& Text(std::string_view v) {
    Comma();
    text_ += '\'';
    text_ += QuoteSqlNarrow(v);
    text_ += '\'';
    return *this;
  }
  Args& Raw(std::string_view v) {
    Comma();
    text_ += v;
    return *this;
  }
  const std::string& Joined() const { return text_; }

 private:
  void Comma() {
    if (!first_) text_ += ',';
    first_ = false;
  }
  std::string text_;
  bool first_ = true;
};

bool IsCalendarDate(int y, int m, int d) {
  if (y < 1 || m < 1 || m > 12 || d < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// The first three runs of digits (a missing run is 0).
void DigitRuns(std::string_view text, int (&runs)[3]) {
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
    runs[found++] = static_cast<int>(value);
  }
}

double Surcharges(const WaybillRecord& w) {
  return w.faGet + w.faSafe + w.faPack + w.faCheck + w.faRemote + w.faBy + w.faCarry;
}

}  // namespace

std::u16string FullFormTextOf(const WaybillRecord& record, int text) {
  const TextRule& r = kRules[text];
  const char* bytes = FieldBytes(record, r);
  return WideFromFieldText(std::string_view(bytes, strnlen(bytes, r.size)), 4000);
}

bool LoadFullForm(std::string_view reply, FullFormValues& values, FullFormState& state) {
  if (reply.empty()) return false;
  const int32_t customer = JsonGetInt("icID", reply, 0);
  const int32_t id = JsonGetInt("irID", reply, 0);
  if (customer <= 0 || id <= 0) return false;
  InputWaybillRecord loaded{};
  CWaybillCache::PieceList pieces;
  CWaybillCache::GoodsList goods;
  CWaybillCache::ReadReply(reply, loaded, pieces, goods);
  WaybillRecord& w = loaded.waybill;
  w.irID = id;
  w.icID = customer;
  w.goodsLineCount = 0;
  w.pieceLineCount = 0;

  state.loadedId = id;
  state.customerId = customer;
  state.editable = 1;
  for (const char* key : {"iFid", "iPid", "iIid", "iQid", "iFsid", "iFcid"})
    if (JsonGetInt(key, reply, 0) >= 1) state.editable = 0;
  state.working = loaded;
  state.pieces.clear();
  for (const auto& p : pieces) state.pieces.push_back(*p);
  state.goods.clear();
  for (const auto& g : goods) state.goods.push_back(*g);
  state.goodsChanged = false;
  state.freightSettled = w.fAmountC;
  state.codTotal = w.fGoods;
  state.codSettled = w.fGoodsC;

  for (int t = 0; t < kFfTextCount; ++t) values.texts[t] = FullFormTextOf(w, t);
  values.kind = WideFromGbk(Field(w.cZizKind));
  char date[32];
  std::snprintf(date, sizeof date, "%d.%02d.%02d", w.year, w.month, w.day);
  values.date = WideFromGbk(date);
  values.payIndex = w.nPayWay;
  values.classIndex = w.nLanguage;
  values.itemType = w.nItemType;
  auto& n = values.numbers;
  n[kFfWeight] = Formatted("%.3f", w.fWeight);
  n[kFfAmount] = Formatted("%.2f", w.fAmount);
  n[kFfDValue] = Formatted("%.2f", w.iDValue / 100.0);
  n[kFfIValue] = Formatted("%.2f", w.iIValue / 100.0);
  n[kFfPrice] = Formatted("%.2f", w.iPrice / 100.0);
  n[kFfItem] = WideFromGbk(std::to_string(w.iItem));
  n[kFfQuantity] = WideFromGbk(std::to_string(w.iQuantity));
  n[kFfGCustom] = Formatted("%.2f", w.fGCustom);
  n[kFfGCRate] = Formatted("%.4f", w.fGCRate);
  n[kFfGWeight] = Formatted("%.3f", w.fgWeight);
  n[kFfReserveNo] = WideFromGbk(std::to_string(w.iReserve));
  return true;
}

void ClearFullForm(FullFormValues& values, FullFormState& state, std::u16string_view today) {
  state.loadedId = 0;
  state.customerId = 0;
  state.editable = 1;
  state.freightSettled = state.codTotal = state.codSettled = 0;
  state.goods.clear();
  state.pieces.clear();
  state.goodsChanged = false;
  values.classIndex = 0;
  values.itemType = 1;
  values.texts[kFfPayDir] = values.payIndex == 2 ? u"CC" : u"PP";
  values.numbers[kFfAmount] = u"0";
  if (values.date.empty()) values.date = today;
  for (int t : {kFfDes, kFfGoods, kFfPack, kFfGCodeA, kFfGCodeB, kFfGCodeC, kFfGoodsA, kFfGUnit,
                kFfMark, kFfMemo, kFfNum, kFfSIDCard, kFfRIDCard, kFfReceiver, kFfRPhone,
                kFfRUnit, kFfRPostcode, kFfRAddr, kFfRCountry, kFfRProvince, kFfRCity, kFfREMail,
                kFfRSms, kFfTransNote, kFfNo, kFfRNo, kFfCNo, kFfReserve, kFfBy1, kFfBy2, kFfBy3,
                kFfBy4, kFfBy5})
    values.texts[t].clear();
  values.texts[kFfOrigin] = u"CN";
  auto& n = values.numbers;
  n[kFfDValue] = u"0";
  n[kFfIValue] = u"0";
  n[kFfPrice] = u"1.00";
  n[kFfQuantity] = u"1";
  n[kFfGCustom] = u"0";
  n[kFfGCRate] = u"0";
  n[kFfGWeight] = u"0";
  n[kFfItem] = u"1";
  n[kFfWeight] = u"0";
  n[kFfReserveNo] = u"0";
}

std::string BuildModPartCall(const WaybillRecord& w, int32_t loadedId) {
  Args a;
  char date[48];
  std::snprintf(date, sizeof date, "'%d.%d.%d'", w.year, w.month, w.day);
  a.Int(loadedId).Int(w.nItemType).Int(w.nLanguage).Raw(date).Int(w.nState).Int(w.nPayWay);
  a.Text(Field(w.cAddrFrom)).Text(Field(w.cDes)).Text(Field(w.cNum)).Text(Field(w.cNo))
      .Fixed(w.fWeight, 3).Fixed(w.fAmount, 2);
  a.Text(Field(w.cSender)).Text(Field(w.cReceiver)).Text(Field(w.cRPhone)).Text(Field(w.cRUnit))
      .Text(Field(w.cRPostcode)).Text(Field(w.cRAddr)).Text(Field(w.cRCountry))
      .Text(Field(w.cRCity)).Text(Field(w.cRProvince)).Text(Field(w.cMName))
      .Text(Field(w.cTaker));
  a.Raw("''").Raw("''").Raw("'1900.1.1'").Raw("'1900.1.1'").Raw("''").Text(Field(w.cMemo));
  // The dimensions are quoted like every other text.
  a.Int(w.iReserve).Int(w.iBatch).Fixed(w.fWeights, 3).Text(Field(w.cLwh)).Fixed(w.fWeightb, 3)
      .Int(w.iPiid).Fixed(w.fsPrice, 2);
  a.Int(w.iDays).Fixed(0, 2).Fixed(w.fBase, 2).Fixed(w.faAddOn, 2).Fixed(w.faCustoms, 2)
      .Fixed(w.faOther, 2).Fixed(w.fBaseRate, 4);
  a.Text(Field(w.cGoods)).Int(w.iQuantity).Int(w.iPrice).Text(Field(w.cPack))
      .Text(Field(w.cTransNote));
  a.Int(w.iDValue).Int(w.iIValue).Fixed(w.faGet, 2).Fixed(w.faCarry, 2).Fixed(w.faSafe, 2)
      .Fixed(w.faPack, 2).Raw("0").Fixed(w.fBaseRate, 2);
  a.Text(Field(w.cMoney)).Fixed(0, 2);
  a.Text(Field(w.cSUnit)).Text(Field(w.cSAddr)).Text(Field(w.cSPhone)).Text(Field(w.cSPostcode))
      .Text(Field(w.cSCountry)).Text(Field(w.cSProvince)).Text(Field(w.cSCity))
      .Text(Field(w.cMark)).Text(Field(w.cPayDir)).Text(Field(w.cOrigin));
  a.Int(w.iItem).Raw("''").Int(w.nFrom).Fixed(w.fWeight, 3);
  a.Text(Field(w.cRNo)).Raw("0").Raw("0").Text(Field(w.cSSms)).Fixed(w.fGoods, 2)
      .Raw("'1900.1.1'");
  a.Text(Field(w.cCNo)).Text(Field(w.cDepart)).Text(Field(w.cSEMail)).Text(Field(w.cREMail))
      .Text(Field(w.cRSms)).Text(Field(w.cReserve)).Raw("0").Raw("0").Raw("0").Raw("0")
      .Raw("0").Raw("''").Text(Field(w.cBy1)).Text(Field(w.cBy2)).Text(Field(w.cBy3))
      .Text(Field(w.cBy4)).Text(Field(w.cBy5));
  a.Raw(std::to_string(static_cast<uint32_t>(w.iCubic))).Text(Field(w.cGoodsA))
      .Text(Field(w.cGCodeA)).Text(Field(w.cGCodeB)).Text(Field(w.cGCodeC));
  a.Fixed(w.fGCustom, 2).Fixed(w.fGCRate, 4).Fixed(w.faCheck, 2).Fixed(w.faRemote, 2)
      .Fixed(w.faBy, 2).Fixed(w.fDiscount, 4).Raw("0");
  a.Text(Field(w.cSIDCard)).Text(Field(w.cRIDCard)).Fixed(w.fgWeight, 2)
      .Text(Field(w.cZizKind));
  return "{?=CALL brantle.dbo.cp_client_rec_mod_part(" + a.Joined() + ")}";
}

std::string BuildFullFormExtrasStatement(int32_t irid, const WaybillRecord& w) {
  Args numbers;
  numbers.Fixed(w.fAmountC, 2);
  std::string sql = "UPDATE brantle.dbo.client_rec SET cunit='" + QuoteSqlNarrow(Field(w.cGUnit)) +
                    "',famountc=" + numbers.Joined();
  Args goods;
  goods.Fixed(w.fGoodsC, 2);
  Args weight;
  weight.Fixed(w.fgWeight, 3);
  return sql + ",fgoodsc=" + goods.Joined() + ",fgweight=" + weight.Joined() +
         " WHERE irid=" + std::to_string(irid);
}

std::string BuildFullFormDeleteCall(int32_t id, std::string_view userName, bool userHasStation) {
  return "{?=CALL brantle.dbo.cp_client_rec_del(?," + std::to_string(id) + ",'" +
         QuoteSqlNarrow(userName) + "'," + (userHasStation ? "1" : "0") + ")}";
}

int ConfirmCodAmounts(bool freightCollect, double freightTotal, double& freightSettled,
                      double codTotal, double& codSettled) {
  if (freightCollect) {
    if (freightSettled > freightTotal) return 1;
    if (freightSettled == 0) freightSettled = freightTotal;
  } else {
    freightSettled = 0;
  }
  if (codSettled > codTotal) return 2;
  if (codSettled == 0) codSettled = codTotal;
  return 0;
}

// ---- the saver ----

CFullFormSaver::CFullFormSaver(WaybillSaveLink& link, FullFormValues& values, FullFormState& state)
    : link_(link), values_(values), state_(state) {}

CFullFormSaver::Outcome CFullFormSaver::Save() {
  if (state_.loadedId <= 0) return Outcome::NothingLoaded;
  InputWaybillRecord working = state_.working;
  WaybillRecord& w = working.waybill;

  // The business date.
  std::string date;
  std::u16string dateText = values_.date;
  if (!CheckFieldLength(dateText, date, 8, 30, Text(22680), false)) return Outcome::Stopped;
  int ymd[3] = {0, 0, 0};
  DigitRuns(date, ymd);
  if (!IsCalendarDate(ymd[0], ymd[1], ymd[2]) || ymd[0] > 32767) {
    ShowError(Text(22681));
    return Outcome::Stopped;
  }
  w.year = static_cast<int16_t>(ymd[0]);
  w.month = static_cast<uint8_t>(ymd[1]);
  w.day = static_cast<uint8_t>(ymd[2]);

  // The kind; numbers and postcodes in upper case.
  std::string narrow;
  std::u16string kind = values_.kind;
  if (!CheckFieldLength(kind, narrow, 0, 15, Text(30073), false)) return Outcome::Stopped;
  SetField(w.cZizKind, narrow);
  for (int t : {kFfNum, kFfRPostcode, kFfSPostcode, kFfNo}) values_.texts[t] = Upper(values_.texts[t]);

  for (const TextRule& r : kRules) {
    std::u16string text = values_.texts[r.text];
    const std::u16string caption = Text(r.caption);
    const bool fits = r.encoded ? CheckFieldLengthEncoded(text, narrow, r.minimum, r.maximum, caption)
                                : CheckFieldLength(text, narrow, r.minimum, r.maximum, caption, false);
    if (!fits) {
      if (focus) focus(r.text);
      return Outcome::Stopped;
    }
    char* field = reinterpret_cast<char*>(&w) + r.offset;
    std::memset(field, 0, r.size);
    std::memcpy(field, narrow.data(), std::min(narrow.size(), r.size - 1));
  }

  // Numbers.
  const auto& n = values_.numbers;
  w.fGCustom = Decimal(n[kFfGCustom]);
  w.fGCRate = Decimal(n[kFfGCRate]);
  w.iReserve = Integer(n[kFfReserveNo]);
  w.fAmount = Decimal(n[kFfAmount]);
  w.fAmountC = state_.freightSettled;
  w.fGoods = state_.codTotal;
  w.fGoodsC = state_.codSettled;
  w.fWeight = Decimal(n[kFfWeight]);
  w.fWeightb = w.fWeight;
  w.iDValue = RoundScaled(Decimal(n[kFfDValue]), 100);
  w.iIValue = RoundScaled(Decimal(n[kFfIValue]), 100);
  w.iPrice = RoundScaled(Decimal(n[kFfPrice]), 100);
  w.iItem = Integer(n[kFfItem]);
  w.iQuantity = Integer(n[kFfQuantity]);
  w.fgWeight = Decimal(n[kFfGWeight]);
  if (w.iQuantity < 1) w.iQuantity = 1;
  if (w.iItem < 1) w.iItem = 1;
  if (w.iDValue < 1) {
    const int64_t declared = static_cast<int64_t>(w.iPrice) * w.iQuantity;
    if (declared > INT32_MAX || declared < INT32_MIN) {
      ShowError(Text(21354));
      return Outcome::Stopped;
    }
    w.iDValue = static_cast<int32_t>(declared);
  }
  w.nItemType = static_cast<uint8_t>(std::max(values_.itemType, 0));
  w.nLanguage = static_cast<uint8_t>(std::max(values_.classIndex, 0));
  w.nPayWay = static_cast<uint8_t>(std::max(values_.payIndex, 0));
  w.pieceLineCount = static_cast<int32_t>(state_.pieces.size());
  w.goodsLineCount = static_cast<int32_t>(state_.goods.size());

  // Actual weight and dimensions from the pieces.
  std::string lwh(Field(w.cLwh));
  int64_t grams = 0;
  if (state_.pieces.size() == 1) {
    const PieceLine& p = state_.pieces.front();
    if (p.ixLong >= 1 && p.ixWidth >= 1 && p.ixHeight >= 1) {
      char text[48];
      std::snprintf(text, sizeof text, "%d*%d*%d", p.ixLong, p.ixWidth, p.ixHeight);
      lwh = text;
      grams = p.ixWeight;
    }
  } else if (state_.pieces.size() >= 2) {
    const size_t counted = std::min(state_.pieces.size(), static_cast<size_t>(w.iItem));
    for (size_t k = 0; k < counted; ++k) grams += state_.pieces[k].ixWeight;
  }
  const double actual = static_cast<double>(grams) / 1000.0;
  if (actual >= 0.001) w.fWeightb = actual;
  if (w.fWeightb < 0.001) w.fWeightb = w.fWeight;
  if (volumeLetter != 0 && std::strchr("DTESW", volumeLetter) != nullptr &&
      (lwh.empty() || std::strchr("DTESW", lwh.back()) == nullptr) && lwh.size() < 15)
    lwh += volumeLetter;
  SetField(w.cLwh, lwh);

  // Pricing of an editable waybill.  A waybill that is not priced keeps the
  // fee as typed: it already holds its surcharges.
  if (state_.editable && w.fWeight >= 0.001) {
    PriceQuery query;
    query.customerId = w.icID;
    query.destination = std::string(Field(w.cDes));
    query.itemType = w.nItemType;
    query.weightKg = w.fWeight;
    query.serviceKind = std::string(Field(w.cZizKind));
    if (link_.QueryPrice(query) == 1) {
      w.fAmount = query.price + Surcharges(w);
      w.fsPrice = query.salePrice;
      w.faAddOn = query.addOn;
      w.faCustoms = query.customs;
      w.faOther = query.other;
      w.fDiscount = query.discount;
      w.fBase = query.price - query.addOn - query.customs - query.other;
      w.fBaseRate = 0;
    }
  }
  if (w.fAccord < 0.01) w.fAccord = w.fAmount;

  // The call.
  int32_t result = 0;
  if (!Call(BuildModPartCall(w, state_.loadedId), 1, result)) return Outcome::Stopped;
  if (result < 0) {
    const int id = SaveRefusalMessageId(result);
    ShowError(id ? Text(id) : link_.LastErrorText());
    return Outcome::Stopped;
  }
  if (captureWindow) {
    if (QObject* camera = captureWindow())
      platform::PostPrivateMessage(camera, WM_CAPTURE_PARCEL,
                                   static_cast<quintptr>(state_.customerId), working);
  }

  // The follow-up statements, each checked.
  std::u16string missing;
  auto miss = [&missing](int id) {
    if (!missing.empty()) missing += u", ";
    missing += Text(id);
  };
  if (!state_.pieces.empty() && !Statement(BuildPieceRowsStatement(result, state_.pieces)))
    miss(21351);
  if (!Statement(BuildFullFormExtrasStatement(result, w))) miss(22682);
  if (state_.goodsChanged) {
    bool stored = Statement(BuildGoodsDeleteStatement(state_.loadedId));
    if (stored && !state_.goods.empty()) stored = Statement(BuildGoodsRowsStatement(result, state_.goods));
    if (stored)
      state_.goodsChanged = false;
    else
      miss(21352);
  }
  w.irID = result;
  state_.working = working;
  if (!missing.empty()) {
    ShowError(AppLanguage().TextWithString(21350, missing));
    return Outcome::PartlySaved;
  }
  if (page) platform::PostPrivateMessage(page.data(), WM_PAGE_NOTIFY, 1, working);
  if (clearForm) clearForm();
  return Outcome::Saved;
}

bool CFullFormSaver::Delete() {
  // Nothing to delete without a loaded waybill.
  if (state_.loadedId <= 0) return false;
  if (platform::ShowMessageBox(Text(20011), Text(20002),
                               platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
    return false;
  int32_t result = 0;
  if (!Call(BuildFullFormDeleteCall(state_.loadedId, link_.UserName(), link_.UserHasStation()), 2,
            result))
    return false;
  if (result < 0) {
    const int id = DeleteRefusalMessageId(result);
    ShowError(id ? Text(id) : link_.LastErrorText());
    return false;
  }
  state_.working.waybill.irID = state_.loadedId;
  if (page) platform::PostPrivateMessage(page.data(), WM_PAGE_NOTIFY, 0, state_.working);
  if (clearForm) clearForm();
  return true;
}

bool CFullFormSaver::Call(std::string_view sql, int expectedReturn, int32_t& result) {
  std::vector<uint32_t> types = {AcsTypeEntry(kSqlCSLong, 0)};
  if (expectedReturn == 2) types.push_back(AcsTypeEntry(kSqlCChar, 512));
  std::string reply;
  const int sent = link_.Execute(sql, types, reply);
  if (sent <= 0 || JsonGetInt("ReturnValue", reply, 0) != expectedReturn ||
      reply.find("\"List\":") == std::string::npos) {
    ShowError(link_.LastErrorText());
    return false;
  }
  result = serverlink::ReplyFirstColumnInt(reply, -9);
  return true;
}

bool CFullFormSaver::Statement(std::string_view sql) {
  std::string reply;
  const int sent = link_.Execute(sql, {}, reply);
  return sent > 0 && JsonGetInt("ReturnValue", reply, 0) == 1;
}
