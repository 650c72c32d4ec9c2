#include "entry/FullFormLookups.h"

#include <cstdio>
#include <cstring>

#include "common/FieldCheck.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "refdata/RecordStores.h"

namespace {

template <size_t N>
std::u16string Wide(const char (&field)[N]) {
  return WideFromGbk(std::string_view(field, strnlen(field, N)));
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool StartsWithNoCase(std::u16string_view text, std::u16string_view head) {
  if (head.size() > text.size()) return false;
  for (size_t k = 0; k < head.size(); ++k)
    if (Lower(text[k]) != Lower(head[k])) return false;
  return true;
}

std::u16string Number(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return WideFromGbk(text);
}

}  // namespace

void ApplyDestinationEntry(FullFormValues& values, int classByte, std::string_view countryCode,
                           std::u16string_view englishName, std::u16string_view chineseName,
                           const std::vector<std::u16string>& provinces) {
  values.classIndex = classByte;
  if (!chineseName.empty()) values.texts[kFfDes] = std::u16string(chineseName);
  const bool domestic = countryCode == "CN" || countryCode == "HK" || countryCode == "MO" ||
                        countryCode == "TW";
  if (classByte != 0 && !domestic) {
    values.texts[kFfRProvince].clear();
    values.texts[kFfRCity].clear();
    values.texts[kFfRCountry] = std::u16string(englishName);
    return;
  }
  values.texts[kFfRCountry] = u"中国";
  for (const std::u16string& province : provinces) {
    if (province.empty() || chineseName.substr(0, province.size()) != province) continue;
    values.texts[kFfRProvince] = province;
    const std::u16string_view rest = chineseName.substr(province.size());
    // More than two bytes left (one Chinese character is two).
    values.texts[kFfRCity] = GbkFromWide(rest).size() > 2 ? std::u16string(rest)
                                                          : std::u16string(chineseName);
    return;
  }
}

void FillPartyFromDirectory(FullFormValues& values, const DirectoryRecord& e, int side) {
  auto& t = values.texts;
  const bool sender = side == 1;
  t[sender ? kFfSAddr : kFfRAddr] = Wide(e.address);
  t[sender ? kFfSCity : kFfRCity] = Wide(e.city);
  t[sender ? kFfSCountry : kFfRCountry] = Wide(e.country);
  t[sender ? kFfSEMail : kFfREMail] = Wide(e.email);
  t[sender ? kFfSender : kFfReceiver] = Wide(e.name);
  t[sender ? kFfSPhone : kFfRPhone] = Wide(e.phone);
  t[sender ? kFfSPostcode : kFfRPostcode] = Wide(e.postcode);
  t[sender ? kFfSProvince : kFfRProvince] = Wide(e.province);
  t[sender ? kFfSSms : kFfRSms] = Wide(e.sms);
  t[sender ? kFfSUnit : kFfRUnit] = Wide(e.company);
  t[sender ? kFfSIDCard : kFfRIDCard] = Wide(e.idNumber);
}

std::u16string WorldCityPostcode(std::u16string_view typed, std::u16string_view first,
                                 std::u16string_view last) {
  if (typed.empty()) return std::u16string(first);
  if (first != last) return std::u16string(typed);
  if (typed.size() > first.size() && StartsWithNoCase(typed, first)) return std::u16string(typed);
  return std::u16string(first);
}

void BuildRemoteAreaReport(int count, const std::vector<RemoteAreaRow>& rows,
                           std::u16string& clipboard, std::u16string& message) {
  const std::u16string rule(25, u'\u2501');
  clipboard = u"偏远地区信息共";
  clipboard += WideFromGbk(" " + std::to_string(count) + " ") + u"条";
  if (count > 40) clipboard += u"，前40条如下";
  clipboard += u"：\r\n" + rule + u"\r\n";
  for (size_t k = 0; k < rows.size() && k < 40; ++k) {
    for (const auto& cell : rows[k].cells) clipboard += cell + u" \t";
    clipboard += rows[k].entry + u"\r\n";
  }
  message = clipboard + rule + u"\r\n以上信息已存放系统剪贴板。";
}

std::u16string CycleBusinessDate(std::u16string_view current, std::u16string_view today,
                                 std::u16string_view yesterday, std::u16string_view dayBefore) {
  if (current == today) return std::u16string(yesterday);
  if (current == yesterday) return std::u16string(dayBefore);
  return std::u16string(today);
}

void SummariseGoodsLines(const std::vector<GoodsLine>& goods, FullFormValues& values) {
  if (goods.empty()) return;
  std::u16string names, quantities;
  long long total = 0;
  double value = 0;
  for (size_t k = 0; k < goods.size() && k < 100; ++k) {
    const GoodsLine& g = goods[k];
    if (k > 0) {
      names += u",";
      quantities += u",";
    }
    names += Wide(g.cgoods);
    quantities += WideFromGbk(std::to_string(g.iquantity));
    total += g.iquantity;
    value += g.iquantity * g.fprice;
  }
  if (names.size() > 254) names = names.substr(0, 250) + u"...";
  EllipsizeText(names, 254);
  EllipsizeText(quantities, 62);
  if (total == 0) total = 1;
  values.texts[kFfGoods] = names;
  values.texts[kFfTransNote] = quantities;
  values.numbers[kFfQuantity] = WideFromGbk(std::to_string(total));
  values.numbers[kFfDValue] = Number("%.2f", value);
  values.numbers[kFfPrice] = Number("%.2f", RoundScaled(value / static_cast<double>(total), 100) / 100.0);
}
