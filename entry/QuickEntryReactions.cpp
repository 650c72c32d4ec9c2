#include "entry/QuickEntryReactions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "common/DateTime.h"
#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "refdata/ClientListCache.h"
#include "refdata/WaybillCache.h"

namespace quickentry {

namespace {

std::u16string Formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return WideFromGbk(text);
}

double Decimal(std::u16string_view text) {
  const std::string narrow = GbkFromWide(text);
  return std::strtod(narrow.c_str(), nullptr);
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

template <size_t N>
std::u16string FieldText(const char (&field)[N]) {
  return WideFromFieldText(std::string_view(field, strnlen(field, N)), 4000);
}

// "L*W*H" (a class letter may follow): each side the integer at the start
// of its part; a missing part gives 0.
void ReadSides(std::u16string_view dimensions, int64_t (&sides)[3]) {
  const std::string text = GbkFromWide(dimensions);
  sides[0] = sides[1] = sides[2] = 0;
  if (text.size() <= 4) return;
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    sides[i] = std::strtoll(text.c_str() + start, nullptr, 10);
    const size_t star = text.find('*', start);
    if (star == std::string::npos) {
      for (int j = i + 1; j < 3; ++j) sides[j] = 0;
      return;
    }
    start = star + 1;
  }
}

}  // namespace

bool IsShownOnlyKind(int kind) { return kind == 19 || kind == 20 || kind == 21 || kind == 44; }

std::u16string LeaveSlotText(int kind, std::u16string_view text) {
  std::u16string t(text);
  TrimW(t);
  if (t.size() > 254) t.resize(254);
  // A number field keeps a text that is no number as typed: the save
  // refuses it rather than taking 0.
  if ((kind == 4 || kind == 25 || kind == 5 || kind == 43) && !IsTypedNumber(t, false)) return t;
  switch (kind) {
    case 2:
    case 3:
    case 41:
      return Upper(std::move(t));
    case 4:
    case 25:
      return Formatted("%.3f", Decimal(t));
    case 5:
    case 43:
      return Formatted("%.2f", Decimal(t));
    case 19:
    case 20:
      return NormalizeDateTimeText(t);
    case 23: {
      const std::string narrow = GbkFromWide(t);
      return WideFromGbk(std::to_string(std::atoi(narrow.c_str())));
    }
    default:
      return t;
  }
}

bool LeaveSlotShowsText(int kind) { return kind == 2 || kind == 3; }

std::u16string ScaleWeightText(int32_t grams, int32_t rounding) {
  if (rounding == -1) return Formatted("%.3f", grams * 0.001);
  const int64_t tens = (static_cast<int64_t>(grams) + rounding) / 10;
  return Formatted("%.2f", static_cast<double>(tens) * 0.01);
}

char VolumeLetterOfClass(uint8_t classCode, char current) {
  switch (classCode) {
    case 1: return 'D';
    case 2: return ' ';
    case 3: return 'E';
    case 4: return 'T';
    case 5: return 'S';
    case 6: return 'W';
    default: return current;
  }
}

DimensionsOutcome ApplyDimensions(std::u16string_view dimensions, std::u16string_view weight,
                                  char letter, const ChargeableWeightFn& chargeable) {
  DimensionsOutcome out;
  int64_t sides[3];
  ReadSides(dimensions, sides);
  for (int64_t side : sides)
    if (side <= 0 || side > kLongestSide) return out;
  const int32_t l = static_cast<int32_t>(sides[0]), w = static_cast<int32_t>(sides[1]),
                h = static_cast<int32_t>(sides[2]);
  out.valid = true;
  char text[48];
  std::snprintf(text, sizeof text, "%u*%u*%u", static_cast<unsigned>(l), static_cast<unsigned>(w),
                static_cast<unsigned>(h));
  out.dimensions = WideFromGbk(text);
  const double current = Decimal(weight);
  // Cubic centimetres in 64 bits: the largest sides give 10^12.
  const int64_t v = static_cast<int64_t>(l) * w * h;
  if (v > 499) out.volume = Formatted("%.3f", static_cast<double>((v + 500) / 1000) / 1000.0);
  if (chargeable) {
    const int32_t grams = chargeable(l, w, h, RoundScaled(current, 1000), letter);
    const double kg = grams / 1000.0;
    if (kg > current) out.weight = Formatted("%.3f", kg);
  }
  return out;
}

GoodsSummary SummarizeGoods(std::span<const GoodsLine> goods) {
  GoodsSummary s;
  if (goods.empty()) return s;
  s.any = true;
  std::u16string names, quantities;
  int64_t total = 0;
  double value = 0;
  const size_t n = std::min<size_t>(goods.size(), 100);
  for (size_t i = 0; i < n; ++i) {
    const GoodsLine& g = goods[i];
    if (i > 0) names += u',';
    names += WideFromGbk(std::string_view(g.cgoods, strnlen(g.cgoods, sizeof g.cgoods)));
    if (i > 0) quantities += u',';
    quantities += WideFromGbk(std::to_string(g.iquantity));
    total += g.iquantity;
    value += g.iquantity * g.fprice;
  }
  if (names.size() > 254) {
    names.resize(250);
    names += u"...";
  }
  if (total == 0) total = 1;
  EllipsizeText(names, 254);
  EllipsizeText(quantities, 62);
  s.names = names;
  s.quantities = quantities;
  s.totalQuantity = WideFromGbk(std::to_string(static_cast<uint32_t>(total)));
  s.declared = Formatted("%.2f", value);
  s.unitPrice = Formatted("%.2f", std::round(value / static_cast<double>(total) * 100.0) / 100.0);
  return s;
}

void ApplyGoodsSummary(const GoodsSummary& s, WaybillEntry& entry) {
  if (!s.any) return;
  entry.texts[30] = s.quantities;
  entry.texts[26] = s.names;
  entry.texts[27] = s.totalQuantity;
  entry.texts[31] = s.declared;
  entry.texts[28] = s.unitPrice;
}

void ApplyCustomerDefaults(const ClientDetail& d, WaybillRecord& w) {
  auto fill = [](auto& field, const std::string& value) {
    if (field[0] != 0 || value.empty()) return;
    const size_t n = std::min(value.size(), sizeof field - 1);
    std::copy_n(value.data(), n, field);
    field[n] = 0;
  };
  fill(w.cMName, d.manager);
  fill(w.cTaker, d.taker);
  fill(w.cTrans, d.transport);
  fill(w.cBearer, d.bearer);
}

std::u16string PayDirOfPayWay(int payWay) { return payWay == 0 || payWay == 1 ? u"PP" : u"CC"; }

std::u16string StatusLineText(const StatusLine& st) {
  CLanguageTable& lang = AppLanguage();
  std::u16string text = st.loaded ? u"◆" : u"●";
  text += lang.WaybillStateText(st.state);
  text += u"|";
  text += lang.PayWayText(st.payWay);
  text += u"|" + st.payDir + u"|" + st.money + u"|" + st.origin;
  const bool up = st.upUnlessZero ? st.deliveryWay != 0 : st.deliveryWay == 1;
  text += up ? u"↑" : u"↓";
  text += st.kindCode;
  return text;
}

bool AsksPreInput(int kind, std::u16string_view text, bool loaded, bool orderTaken) {
  if (kind != 2 && kind != 3 && kind != 41) return false;
  return !loaded && !orderTaken && text.size() >= 6;
}

bool PreInputFillsKind(int kind) {
  if (kind < 0 || kind > 68) return false;
  switch (kind) {
    case 5: case 15: case 16: case 17: case 18: case 19: case 20: case 21: case 24: case 25:
    case 44: case 51: case 57:
      return false;
    default:
      return true;
  }
}

void TakePreInputReply(std::string_view reply, WaybillEntry& entry) {
  InputWaybillRecord record{};
  CWaybillCache::PieceList pieces;
  CWaybillCache::GoodsList goods;
  CWaybillCache::ReadReply(reply, record, pieces, goods);
  const WaybillRecord& w = record.waybill;

  // What the order does not carry keeps the form's value (the customer's
  // pay way, the default codes), so that no code is saved empty.
  const std::u16string date = WideFromGbk(JsonGetString("dDate", reply, 30, false)).substr(0, 15);
  if (!date.empty()) entry.dateText = date;
  auto number = [&](const char* key, auto& value) {
    const int32_t v = JsonGetInt(key, reply, -1);
    if (v >= 0) value = static_cast<std::remove_reference_t<decltype(value)>>(v);
  };
  number("iItem", entry.itemCount);
  number("nItemType", entry.itemType);
  number("nLanguage", entry.language);
  number("nPayWay", entry.payWay);
  number("nState", entry.state);
  auto code = [](const std::u16string& text, std::u16string& value) {
    if (!text.empty()) value = Upper(text);
  };
  code(FieldText(w.cPayDir), entry.payDir);
  code(FieldText(w.cOrigin), entry.origin);
  code(FieldText(w.cMoney), entry.money);

  auto& t = entry.texts;
  const std::pair<int, std::u16string> texts[] = {
      {0, FieldText(w.cAddrFrom)}, {1, FieldText(w.cDes)}, {2, FieldText(w.cNum)},
      {3, FieldText(w.cNo)}, {4, Formatted("%.3f", w.fWeight)}, {6, FieldText(w.cSender)},
      {7, FieldText(w.cReceiver)}, {8, FieldText(w.cRPhone)}, {9, FieldText(w.cRUnit)},
      {10, FieldText(w.cRPostcode)}, {11, FieldText(w.cRAddr)}, {12, FieldText(w.cRCountry)},
      {13, FieldText(w.cRCity)}, {14, FieldText(w.cRProvince)}, {22, FieldText(w.cMemo)},
      {23, WideFromGbk(std::to_string(w.iReserve))}, {26, FieldText(w.cGoods)},
      {27, WideFromGbk(std::to_string(w.iQuantity))}, {28, Formatted("%.2f", w.iPrice / 100.0)},
      {29, FieldText(w.cPack)}, {30, FieldText(w.cTransNote)},
      {31, Formatted("%.2f", w.iDValue / 100.0)}, {32, Formatted("%.2f", w.iIValue / 100.0)},
      {33, FieldText(w.cSPhone)}, {34, FieldText(w.cSUnit)}, {35, FieldText(w.cSPostcode)},
      {36, FieldText(w.cSAddr)}, {37, FieldText(w.cSCountry)}, {38, FieldText(w.cSProvince)},
      {39, FieldText(w.cSCity)}, {40, FieldText(w.cMark)}, {41, FieldText(w.cRNo)},
      {42, FieldText(w.cSSms)}, {43, Formatted("%.2f", w.fGoods)}, {45, FieldText(w.cCNo)},
      {46, FieldText(w.cDepart)}, {47, FieldText(w.cSEMail)}, {48, FieldText(w.cREMail)},
      {49, FieldText(w.cRSms)}, {50, FieldText(w.cReserve)}, {52, FieldText(w.cBy1)},
      {53, FieldText(w.cBy2)}, {54, FieldText(w.cBy3)}, {55, FieldText(w.cBy4)},
      {56, FieldText(w.cBy5)}, {58, FieldText(w.cGoodsA)}, {59, FieldText(w.cGCodeA)},
      {60, FieldText(w.cGCodeB)}, {61, FieldText(w.cGCodeC)},
      {62, Formatted("%.2f", w.fGCustom)}, {63, Formatted("%.2f", w.fGCRate)},
      {64, FieldText(w.cLwh)}, {65, FieldText(w.cGUnit)}, {66, Formatted("%.3f", w.fgWeight)},
      {67, FieldText(w.cSIDCard)}, {68, FieldText(w.cRIDCard)},
  };
  for (const auto& [kind, text] : texts) {
    if (kind == 64) {
      // The order's dimensions are free text: only real dimensions are taken.
      const DimensionsOutcome d = ApplyDimensions(text, u"", 0, nullptr);
      t[64] = d.valid ? d.dimensions : std::u16string();
      continue;
    }
    t[kind] = LeaveSlotText(kind, text);
  }
  // Payment codes hold at most three characters.
  for (std::u16string* code : {&entry.payDir, &entry.origin, &entry.money})
    if (code->size() > 3) code->resize(3);

  entry.goods.clear();
  for (const auto& g : goods) entry.goods.push_back(*g);
  // The order's goods lines are the waybill's: they are saved with it.
  entry.goodsChanged = !entry.goods.empty();
}

}  // namespace quickentry
