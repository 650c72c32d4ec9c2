#include "entry/FullFormSave.h"

#include <QObject>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/FieldCheck.h"
#include "common/FixedField.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "ui/ViewPage.h"

namespace {

std::u16string Text(int id) { return AppLanguage().Text(id); }

// The standard messages of a number box: "Please enter a whole number.",
// "Please enter a number.".
constexpr int kTextNeedWholeNumber = 21200, kTextNeedNumber = 21201;

void ShowError(std::u16string_view text) {
  platform::ShowMessageBox(text, Text(20003), platform::kMbOk | platform::kMbIconError);
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
  std::vector<PieceLine> pieces;
  std::vector<GoodsLine> goods;
  ReadWaybillReply(reply, id, customer, loaded, pieces, goods);
  const WaybillRecord& w = loaded.waybill;

  state.loadedId = id;
  state.customerId = customer;
  state.editable = 1;
  for (const char* key : {"iFid", "iPid", "iIid", "iQid", "iFsid", "iFcid"})
    if (JsonGetInt(key, reply, 0) >= 1) state.editable = 0;
  state.working = loaded;
  state.pieces = std::move(pieces);
  state.goods = std::move(goods);
  state.goodsChanged = false;
  state.freightSettled = w.fAmountC;
  state.codTotal = w.fGoods;
  state.codSettled = w.fGoodsC;

  for (int t = 0; t < kFfTextCount; ++t) values.texts[t] = FullFormTextOf(w, t);
  values.kind = WideFromGbk(FixedText(w.cZizKind));
  char date[32];
  std::snprintf(date, sizeof date, "%d.%02d.%02d", w.year, w.month, w.day);
  values.date = WideFromGbk(date);
  values.payIndex = w.nPayWay;
  values.classIndex = w.nLanguage;
  values.itemType = w.nItemType;
  auto& n = values.numbers;
  n[kFfWeight] = FormattedNumber("%.3f", w.fWeight);
  n[kFfAmount] = FormattedNumber("%.2f", w.fAmount);
  n[kFfDValue] = FormattedNumber("%.2f", w.iDValue / 100.0);
  n[kFfIValue] = FormattedNumber("%.2f", w.iIValue / 100.0);
  n[kFfPrice] = FormattedNumber("%.2f", w.iPrice / 100.0);
  n[kFfItem] = WideFromGbk(std::to_string(w.iItem));
  n[kFfQuantity] = WideFromGbk(std::to_string(w.iQuantity));
  n[kFfGCustom] = FormattedNumber("%.2f", w.fGCustom);
  n[kFfGCRate] = FormattedNumber("%.4f", w.fGCRate);
  n[kFfGWeight] = FormattedNumber("%.3f", w.fgWeight);
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
  SqlArgList a;
  char date[48];
  std::snprintf(date, sizeof date, "'%d.%d.%d'", w.year, w.month, w.day);
  a.Int(loadedId).Int(w.nItemType).Int(w.nLanguage).Raw(date).Int(w.nState).Int(w.nPayWay);
  a.Text(FixedText(w.cAddrFrom)).Text(FixedText(w.cDes)).Text(FixedText(w.cNum)).Text(FixedText(w.cNo))
      .Fixed(w.fWeight, 3).Fixed(w.fAmount, 2);
  a.Text(FixedText(w.cSender)).Text(FixedText(w.cReceiver)).Text(FixedText(w.cRPhone)).Text(FixedText(w.cRUnit))
      .Text(FixedText(w.cRPostcode)).Text(FixedText(w.cRAddr)).Text(FixedText(w.cRCountry))
      .Text(FixedText(w.cRCity)).Text(FixedText(w.cRProvince)).Text(FixedText(w.cMName))
      .Text(FixedText(w.cTaker));
  a.Raw("''").Raw("''").Raw("'1900.1.1'").Raw("'1900.1.1'").Raw("''").Text(FixedText(w.cMemo));
  // The dimensions are quoted like every other text.
  a.Int(w.iReserve).Int(w.iBatch).Fixed(w.fWeights, 3).Text(FixedText(w.cLwh)).Fixed(w.fWeightb, 3)
      .Int(w.iPiid).Fixed(w.fsPrice, 2);
  a.Int(w.iDays).Fixed(0, 2).Fixed(w.fBase, 2).Fixed(w.faAddOn, 2).Fixed(w.faCustoms, 2)
      .Fixed(w.faOther, 2).Fixed(w.fBaseRate, 4);
  a.Text(FixedText(w.cGoods)).Int(w.iQuantity).Int(w.iPrice).Text(FixedText(w.cPack))
      .Text(FixedText(w.cTransNote));
  a.Int(w.iDValue).Int(w.iIValue).Fixed(w.faGet, 2).Fixed(w.faCarry, 2).Fixed(w.faSafe, 2)
      .Fixed(w.faPack, 2).Raw("0").Fixed(w.fBaseRate, 2);
  a.Text(FixedText(w.cMoney)).Fixed(0, 2);
  a.Text(FixedText(w.cSUnit)).Text(FixedText(w.cSAddr)).Text(FixedText(w.cSPhone)).Text(FixedText(w.cSPostcode))
      .Text(FixedText(w.cSCountry)).Text(FixedText(w.cSProvince)).Text(FixedText(w.cSCity))
      .Text(FixedText(w.cMark)).Text(FixedText(w.cPayDir)).Text(FixedText(w.cOrigin));
  a.Int(w.iItem).Raw("''").Int(w.nFrom).Fixed(w.fWeight, 3);
  a.Text(FixedText(w.cRNo)).Raw("0").Raw("0").Text(FixedText(w.cSSms)).Fixed(w.fGoods, 2)
      .Raw("'1900.1.1'");
  a.Text(FixedText(w.cCNo)).Text(FixedText(w.cDepart)).Text(FixedText(w.cSEMail)).Text(FixedText(w.cREMail))
      .Text(FixedText(w.cRSms)).Text(FixedText(w.cReserve)).Raw("0").Raw("0").Raw("0").Raw("0")
      .Raw("0").Raw("''").Text(FixedText(w.cBy1)).Text(FixedText(w.cBy2)).Text(FixedText(w.cBy3))
      .Text(FixedText(w.cBy4)).Text(FixedText(w.cBy5));
  a.Raw(std::to_string(static_cast<uint32_t>(w.iCubic))).Text(FixedText(w.cGoodsA))
      .Text(FixedText(w.cGCodeA)).Text(FixedText(w.cGCodeB)).Text(FixedText(w.cGCodeC));
  a.Fixed(w.fGCustom, 2).Fixed(w.fGCRate, 4).Fixed(w.faCheck, 2).Fixed(w.faRemote, 2)
      .Fixed(w.faBy, 2).Fixed(w.fDiscount, 4).Raw("0");
  a.Text(FixedText(w.cSIDCard)).Text(FixedText(w.cRIDCard)).Fixed(w.fgWeight, 2)
      .Text(FixedText(w.cZizKind));
  return "{?=CALL brantle.dbo.cp_client_rec_mod_part(" + a.Joined() + ")}";
}

std::string BuildFullFormExtrasStatement(int32_t irid, const WaybillRecord& w) {
  SqlArgList numbers;
  numbers.Fixed(w.fAmountC, 2);
  std::string sql = "UPDATE brantle.dbo.client_rec SET cunit='" + QuoteSqlNarrow(FixedText(w.cGUnit)) +
                    "',famountc=" + numbers.Joined();
  SqlArgList goods;
  goods.Fixed(w.fGoodsC, 2);
  SqlArgList weight;
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

bool CFullFormSaver::CheckBusinessDate(WaybillRecord& w) {
  std::string date;
  std::u16string dateText = values_.date;
  if (!CheckFieldLength(dateText, date, 8, 30, Text(22680), false)) return false;
  if (!TakeWaybillDate(date, w)) {
    ShowError(Text(22681));
    return false;
  }
  return true;
}

CFullFormSaver::Outcome CFullFormSaver::Save() {
  if (state_.loadedId <= 0) return Outcome::NothingLoaded;
  // The number boxes take numbers only (the standard number messages).
  for (int n = 0; n < kFfNumberCount; ++n) {
    const bool whole = n == kFfItem || n == kFfQuantity || n == kFfReserveNo;
    if (IsTypedNumber(values_.numbers[n], whole)) continue;
    ShowError(Text(whole ? kTextNeedWholeNumber : kTextNeedNumber));
    if (focusNumber) focusNumber(n);
    return Outcome::Stopped;
  }
  InputWaybillRecord working = state_.working;
  WaybillRecord& w = working.waybill;

  if (!CheckBusinessDate(w)) return Outcome::Stopped;

  // The kind; numbers and postcodes in upper case.
  std::string narrow;
  std::u16string kind = values_.kind;
  if (!CheckFieldLength(kind, narrow, 0, 15, Text(30073), false)) return Outcome::Stopped;
  SetFixedText(w.cZizKind, narrow);
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
  w.fGCustom = TypedDecimal(n[kFfGCustom]);
  w.fGCRate = TypedDecimal(n[kFfGCRate]);
  w.iReserve = TypedInteger(n[kFfReserveNo]);
  w.fAmount = TypedDecimal(n[kFfAmount]);
  w.fAmountC = state_.freightSettled;
  w.fGoods = state_.codTotal;
  w.fGoodsC = state_.codSettled;
  w.fWeight = TypedDecimal(n[kFfWeight]);
  w.fWeightb = w.fWeight;
  w.iDValue = RoundScaled(TypedDecimal(n[kFfDValue]), 100);
  w.iIValue = RoundScaled(TypedDecimal(n[kFfIValue]), 100);
  w.iPrice = RoundScaled(TypedDecimal(n[kFfPrice]), 100);
  w.iItem = TypedInteger(n[kFfItem]);
  w.iQuantity = TypedInteger(n[kFfQuantity]);
  w.fgWeight = TypedDecimal(n[kFfGWeight]);
  if (!SettleWaybillQuantities(w)) return Outcome::Stopped;
  w.nItemType = static_cast<uint8_t>(std::max(values_.itemType, 0));
  w.nLanguage = static_cast<uint8_t>(std::max(values_.classIndex, 0));
  w.nPayWay = static_cast<uint8_t>(std::max(values_.payIndex, 0));
  w.pieceLineCount = static_cast<int32_t>(state_.pieces.size());
  w.goodsLineCount = static_cast<int32_t>(state_.goods.size());

  // Actual weight and dimensions from the pieces.
  std::string lwh = TakePieceMeasures(state_.pieces, w);
  if (volumeLetter != 0 && std::strchr("DTESW", volumeLetter) != nullptr &&
      (lwh.empty() || std::strchr("DTESW", lwh.back()) == nullptr) && lwh.size() < 15)
    lwh += volumeLetter;
  SetFixedText(w.cLwh, lwh);

  // Pricing of an editable waybill.  A waybill that is not priced keeps the
  // fee as typed: it already holds its surcharges.
  double price = 0;
  if (state_.editable && w.fWeight >= 0.001 && PriceWaybill(link_, w, price))
    w.fAmount = price + WaybillSurcharges(w);
  if (w.fAccord < 0.01) w.fAccord = w.fAmount;

  // The call.
  int32_t result = 0;
  if (!CallWaybillProcedure(link_, BuildModPartCall(w, state_.loadedId), 1, result))
    return Outcome::Stopped;
  if (result < 0) {
    ShowWaybillRefusal(link_, SaveRefusalMessageId(result));
    return Outcome::Stopped;
  }
  if (captureWindow) {
    if (QObject* camera = captureWindow())
      platform::PostPrivateMessage(camera, WM_CAPTURE_PARCEL,
                                   static_cast<quintptr>(state_.customerId), working);
  }

  // The follow-up statements, each checked.
  WaybillFollowUps followUps;
  followUps.irid = result;
  followUps.replacedGoodsOf = state_.loadedId;
  followUps.pieces = state_.pieces;
  followUps.extras = BuildFullFormExtrasStatement(result, w);
  followUps.extrasCaption = 22682;
  followUps.goods = state_.goods;
  const std::u16string missing = SendWaybillFollowUps(link_, followUps, state_.goodsChanged);
  w.irID = result;
  state_.working = working;
  if (!missing.empty()) {
    ShowWaybillNotStored(missing);
    return Outcome::PartlySaved;
  }
  if (page) platform::PostPrivateMessage(page.data(), WM_PAGE_NOTIFY, 1, working);
  if (clearForm) clearForm();
  return Outcome::Saved;
}

bool CFullFormSaver::Delete() {
  // Nothing to delete without a loaded waybill.
  if (state_.loadedId <= 0) return false;
  if (!ConfirmWaybillDelete()) return false;
  int32_t result = 0;
  if (!CallWaybillProcedure(
          link_, BuildFullFormDeleteCall(state_.loadedId, link_.UserName(), link_.UserHasStation()),
          2, result))
    return false;
  if (result < 0) {
    ShowWaybillRefusal(link_, DeleteRefusalMessageId(result));
    return false;
  }
  state_.working.waybill.irID = state_.loadedId;
  if (page) platform::PostPrivateMessage(page.data(), WM_PAGE_NOTIFY, 0, state_.working);
  if (clearForm) clearForm();
  return true;
}
