#include "consolidation/BagRules.h"

#include <cstdlib>

#include "common/GbkText.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "refdata/BarcodeNormalizer.h"

namespace {

std::string Key(std::u16string_view text) { return GbkFromWide(text); }

// The value cut on a whole character to the slot (capacity - 1 bytes).
std::string Slot(const std::string& value, size_t capacity) {
  std::string out = value;
  GbkTruncate(out, capacity - 1);
  return out;
}

int32_t ShareModeOf(const std::string& field) {
  static const std::string shared = Key(u"共享");
  static const std::string station = Key(u"站内");
  if (field == shared) return kBagShareShared;
  if (field == station) return kBagShareStation;
  return kBagShareExclusive;
}

// One line of the definitions section, or none.
std::unique_ptr<BagDefinition> ReadDefinition(std::string_view line) {
  const std::vector<std::string> f = SplitToStringArray(line, ',', 0, 255, false);
  if (f.size() < 17) return nullptr;
  if (f[0].empty() || f[0].size() > 15) return nullptr;
  const long length = std::strtol(f[1].c_str(), nullptr, 10);
  if (length < 7 || length > 30) return nullptr;
  auto d = std::make_unique<BagDefinition>();
  d->prefix = f[0];
  d->numberLength = static_cast<int32_t>(length);
  d->departureAirport = Slot(f[2], BagDefinition::kAirportCapacity);
  d->destinationAirport = Slot(f[3], BagDefinition::kAirportCapacity);
  d->departureStation = Slot(f[4], BagDefinition::kStationCapacity);
  d->destinationStation = Slot(f[5], BagDefinition::kStationCapacity);
  d->specialNumber = Slot(f[6], BagDefinition::kSpecialCapacity);
  d->shareMode = ShareModeOf(f[7]);
  d->bagType = Slot(f[8], BagDefinition::kTypeCapacity);
  d->label = Slot(f[9], BagDefinition::kLabelCapacity);
  d->consignmentNote = Slot(f[10], BagDefinition::kNoteCapacity);
  d->operationMemo = Slot(f[11], BagDefinition::kMemoCapacity);
  for (size_t i = 0; i < 4; ++i) d->spares[i] = Slot(f[12 + i], BagDefinition::kSpareCapacity);
  d->spares[4] = Slot(f[16], BagDefinition::kSpare5Capacity);
  if (f.size() > 17) d->checkColumn = static_cast<int32_t>(std::strtol(f[17].c_str(), nullptr, 10));
  return d;
}

}  // namespace

BagMaskGroup SplitBagMasks(std::string_view value) {
  BagMaskGroup group = SplitToStringArray(value, ',', 4, 30, false);
  if (group.size() > kBagMaskSlots) group.resize(kBagMaskSlots);
  return group;
}

void CBagRuleSet::Parse(std::string_view text) {
  sectionPresent = false;
  createByNumber = false;
  for (BagMaskGroup& g : masks) g.clear();
  definitions.clear();

  static const std::string start = Key(u"<装袋定义开始>");
  static const std::string end = Key(u"<装袋定义结束>");
  const size_t begin = text.find(start);
  if (begin == std::string_view::npos) return;

  static const std::string keys[5] = {Key(u"特控号掩码="), Key(u"备1掩码="), Key(u"备2掩码="),
                                      Key(u"备3掩码="), Key(u"备4掩码=")};
  for (size_t g = 0; g < 5; ++g) {
    const std::string value = GetKeyValue(keys[g], text, 4, 340, true);
    if (!value.empty()) masks[g] = SplitBagMasks(value);
  }
  static const std::string createKey = Key(u"判断袋号建袋=");
  createByNumber = GetKeyInt(createKey, text, 0) == 1;

  const size_t first = begin + start.size() + 1;  // the byte after the marker is passed over
  const size_t stop = first <= text.size() ? text.find(end, first) : std::string_view::npos;
  if (stop == std::string_view::npos) return;
  sectionPresent = true;
  size_t pos = first;
  while (pos < stop) {
    while (pos < stop && static_cast<unsigned char>(text[pos]) >= 1 &&
           static_cast<unsigned char>(text[pos]) <= 32)
      ++pos;
    if (pos >= stop) break;
    size_t lineEnd = text.find('\n', pos);
    if (lineEnd == std::string_view::npos || lineEnd > stop) lineEnd = stop;
    if (auto d = ReadDefinition(text.substr(pos, lineEnd - pos))) definitions.push_back(std::move(d));
    pos = lineEnd + 1;
  }
}

const BagDefinition* CBagRuleSet::FindDefinition(std::string_view code) const {
  const size_t n = code.size();
  if (n < 7) return nullptr;
  for (const auto& d : definitions) {
    if (static_cast<size_t>(d->numberLength) != n) continue;
    const size_t k = d->prefix.size();
    if (k > n) continue;
    if (k == n ? MatchMask(code, d->prefix) : code.substr(0, k) == d->prefix) return d.get();
  }
  return nullptr;
}

const BagDefinition* CBagRuleSet::FindDefinitionForNewBag(std::string_view code) const {
  return createByNumber ? FindDefinition(code) : nullptr;
}

int CBagRuleSet::ClassifyCode(std::string_view code) const {
  if (code.size() < 4) return -1;
  for (size_t g = 0; g < masks.size(); ++g)
    for (const std::string& mask : masks[g])
      if (MatchMask(code, mask)) return static_cast<int>(g);
  return -1;
}

BagMaskGroup ParseReferenceMasks(std::string_view text) {
  static const std::string key = Key(u"参考号掩码=");
  const size_t at = text.find(key);
  if (at == std::string_view::npos) return {};
  const size_t from = at + key.size();
  size_t to = text.find_first_of("\r\n", from);
  if (to == std::string_view::npos) to = text.size();
  std::string value(text.substr(from, to - from));
  TrimBlanksIdeo(value);
  return SplitBagMasks(value);
}

bool MatchReferenceMasks(const BagMaskGroup& masks, std::string_view scan) {
  std::string code(scan);
  for (char& c : code)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const std::string& mask : masks)
    if (mask.size() == code.size() && MatchBarcodeMask(code, mask) == 1) return true;
  return false;
}
