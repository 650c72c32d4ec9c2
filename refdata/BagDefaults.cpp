#include "refdata/BagDefaults.h"

#include <algorithm>
#include <cstdlib>

#include "common/GbkText.h"
#include "common/Json.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

namespace {

constexpr size_t kNumberLongest = 255;
constexpr int kDictionaryRows = 28;
constexpr size_t kDictionaryNameMax = 15;
constexpr size_t kDictionaryValueMax = 127;

// The value of a key of the section, trimmed, when it has 1 to `longest`
// bytes; empty otherwise.
std::string SectionValue(std::u16string_view key, std::string_view section, size_t longest) {
  return GetKeyValue(GbkFromWide(key), section, 1, longest, true);
}

void ReadText(std::string& field, std::u16string_view key, std::string_view section,
              size_t longest) {
  field = SectionValue(key, section, longest);
}

void ReadNumber(int32_t& field, std::u16string_view key, std::string_view section) {
  std::string value = SectionValue(key, section, kNumberLongest);
  if (!value.empty()) field = static_cast<int32_t>(std::atoi(value.c_str()));
}

void ReadFlag(int32_t& field, std::u16string_view key, std::string_view section) {
  int32_t number = 0;
  ReadNumber(number, key, section);
  field = number == 1 ? 1 : 0;
}

// The dictionary value cut to a field of `capacity` bytes.
void CopyCut(std::string& field, std::string_view value, size_t capacity) {
  field = std::string(value);
  GbkTruncate(field, capacity - 1);
}

// N of a name "xbag_N" (decimal digits only), or -1.
int DictionaryRowNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "xbag_";
  if (name.size() > kDictionaryNameMax) name = name.substr(0, kDictionaryNameMax);
  if (name.substr(0, kPrefix.size()) != kPrefix) return -1;
  std::string_view digits = name.substr(kPrefix.size());
  if (digits.empty() || digits.size() > 2) return -1;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n < kDictionaryRows ? n : -1;
}

}  // namespace

std::string_view BagSectionMarker() {
  static const std::string marker = GbkFromWide(u"<装袋默认值配置开始>");
  return marker;
}

std::string_view AwbSectionMarker() {
  static const std::string marker = GbkFromWide(u"<总单默认值配置开始>");
  return marker;
}

std::unique_ptr<BagDefaults> ParseBagDefaults(std::string_view settingsText) {
  std::string_view text = settingsText.substr(0, settingsText.find('\0'));
  size_t bagAt = GbkFind(text, BagSectionMarker());
  size_t awbAt = GbkFind(text, AwbSectionMarker());
  if (bagAt == std::string_view::npos || awbAt == std::string_view::npos) return nullptr;

  // Each section runs from the end of its marker to the next marker or the
  // end of the text; the head is what stands before the first marker.
  std::string_view head = text.substr(0, std::min(bagAt, awbAt));
  auto sectionAfter = [&](size_t at, size_t other) {
    size_t start = at + (at == bagAt ? BagSectionMarker() : AwbSectionMarker()).size();
    size_t end = other > at ? other : text.size();
    return text.substr(start, end - start);
  };
  std::string_view bag = sectionAfter(bagAt, awbAt);
  std::string_view awb = sectionAfter(awbAt, bagAt);

  auto defaults = std::make_unique<BagDefaults>();
  BagDefaults& d = *defaults;
  ReadNumber(d.bagCodeDigits, u"袋编码位数=", head);
  ReadNumber(d.bagSequenceFormat, u"袋序格式=", head);
  ReadNumber(d.multiPieceColumns, u"一票多件分列=", head);

  // Texts are taken with at most their field's longest value in bytes.
  ReadText(d.departureAirport, u"出发机场=", bag, 62);
  ReadText(d.destinationAirport, u"目的机场=", bag, 62);
  ReadText(d.departureStation, u"出发站点=", bag, 15);
  ReadText(d.destinationStation, u"目的站点=", bag, 15);
  ReadText(d.bagType, u"装袋类型=", bag, 15);
  ReadText(d.bagLabel, u"标签=", bag, 15);
  ReadText(d.spare1, u"备用1=", bag, 62);
  ReadText(d.spare2, u"备用2=", bag, 62);
  ReadFlag(d.checkAirport, u"检查机场=", bag);
  ReadFlag(d.checkCustomerBalance, u"检查客户余额=", bag);
  ReadFlag(d.checkWeights, u"检查出入重=", bag);
  ReadNumber(d.shared, u"共享=", bag);

  ReadText(d.firstFlight, u"首航班=", awb, 15);
  ReadText(d.airport, u"机场=", awb, 7);
  ReadText(d.origin, u"出发地=", awb, 62);
  ReadText(d.destination, u"目的地=", awb, 62);
  ReadText(d.waybillLabel, u"标签=", awb, 15);
  ReadText(d.transportMode, u"运输方式=", awb, 15);
  ReadText(d.tradeMode, u"贸易方式=", awb, 15);
  ReadText(d.packing, u"包装=", awb, 30);
  ReadText(d.consignmentMemo, u"托运备注=", awb, 62);
  ReadText(d.customsCode, u"海关三字代码=", awb, 3);
  ReadNumber(d.type, u"类型=", awb);
  return defaults;
}

bool ApplyBagDictionaryRow(BagDefaults& d, std::string_view name, std::string_view value) {
  int n = DictionaryRowNumber(name);
  if (n < 0) return false;
  value = value.substr(0, value.find('\0'));
  if (value.size() > kDictionaryValueMax) value = value.substr(0, kDictionaryValueMax);
  bool on = !value.empty() && value[0] == '1';
  auto number = [&] { return static_cast<int32_t>(std::atoi(std::string(value).c_str())); };
  switch (n) {
    case 0: CopyCut(d.firstFlight, value, BagDefaults::kFlightCapacity); break;
    case 1: CopyCut(d.airport, value, BagDefaults::kAwbAirportCapacity); break;
    case 2: CopyCut(d.origin, value, BagDefaults::kPlaceCapacity); break;
    case 3: CopyCut(d.destination, value, BagDefaults::kPlaceCapacity); break;
    case 4: CopyCut(d.customsCode, value, BagDefaults::kCustomsCodeCapacity); break;
    case 5: CopyCut(d.transportMode, value, BagDefaults::kModeCapacity); break;
    case 6: CopyCut(d.tradeMode, value, BagDefaults::kModeCapacity); break;
    case 7: d.type = number(); break;
    case 8: CopyCut(d.departureAirport, value, BagDefaults::kAirportCapacity); break;
    case 9: CopyCut(d.destinationAirport, value, BagDefaults::kAirportCapacity); break;
    case 10: CopyCut(d.departureStation, value, BagDefaults::kStationCapacity); break;
    case 11: CopyCut(d.destinationStation, value, BagDefaults::kStationCapacity); break;
    case 12: CopyCut(d.bagType, value, BagDefaults::kBagTypeCapacity); break;
    case 13: d.shared = number(); break;
    case 14: d.checkAirport = on; break;
    case 15: d.checkCustomerBalance = on; break;
    case 16: d.checkWeights = on; break;
    case 17: d.switch17 = on; break;
    case 18: d.switch18 = on; break;
    case 19: d.switch19 = on; break;
    case 20: d.switch20 = on; break;
    case 21: d.switch21 = on; break;
    case 22: d.switch22 = on; break;
    case 23: d.switch23 = on; break;
    case 24: d.switch24 = on; break;
    case 25: d.switch25 = on; break;
    case 26: d.switch26 = on; break;
    case 27: d.switch27 = on; break;
    default: return false;
  }
  return true;
}

int ApplyBagDictionary(CServerLink& link, BagDefaults& defaults) {
  static const std::array<uint32_t, 2> kTypes = {AcsTypeEntry(kSqlCChar, 32),
                                                 AcsTypeEntry(kSqlCChar, 128)};
  CServerLink::ReplyGuard reply = link.LockReply();
  if (link.SqlQuery("SELECT dcname,dcvalue FROM brantle.dbo.sys_dict WHERE dcname LIKE 'xbag_%'",
                    kTypes) <= 0)
    return 0;
  std::string_view list = JsonListBody(reply.Text(), "List");
  int applied = 0;
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex row;
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    std::string name = row.GetString("0", 31);
    std::string value = row.GetString("1", kDictionaryValueMax);
    if (ApplyBagDictionaryRow(defaults, name, value)) ++applied;
  }
  return applied;
}

std::unique_ptr<BagDefaults> LoadBagDefaults(CServerLink& link, std::string_view settingsText) {
  std::unique_ptr<BagDefaults> defaults = ParseBagDefaults(settingsText);
  if (defaults) ApplyBagDictionary(link, *defaults);
  return defaults;
}
