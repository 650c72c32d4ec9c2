#include "refdata/DestinationTable.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "common/GbkText.h"
#include "common/Json.h"
#include "common/TextCodec.h"

using namespace stationcache;

namespace {

constexpr char kMagic[] = "DES_0001";

using Key = std::string_view (DestinationRecord::*)() const;

// The entries whose whole key equals the text, ASCII case ignored.
std::pair<size_t, size_t> EqualRange(const std::vector<const DestinationRecord*>& index,
                                     std::string_view text, Key key) {
  auto lo = std::lower_bound(index.begin(), index.end(), text,
                             [key](const DestinationRecord* r, std::string_view t) {
                               return GbkCompareNoCase((r->*key)(), t) < 0;
                             });
  auto hi = std::upper_bound(lo, index.end(), text,
                             [key](std::string_view t, const DestinationRecord* r) {
                               return GbkCompareNoCase(t, (r->*key)()) < 0;
                             });
  return {static_cast<size_t>(lo - index.begin()), static_cast<size_t>(hi - index.begin())};
}

const DestinationRecord* FindExact(const std::vector<const DestinationRecord*>& index,
                                   std::string_view text, Key key) {
  auto [lo, hi] = EqualRange(index, text, key);
  for (size_t k = lo; k < hi; ++k)
    if ((index[k]->*key)() == text) return index[k];
  return nullptr;
}

const DestinationRecord* FindNoCase(const std::vector<const DestinationRecord*>& index,
                                    std::string_view text, Key key) {
  auto [lo, hi] = EqualRange(index, text, key);
  return lo < hi ? index[lo] : nullptr;
}

}  // namespace

void CDestinationTable::Refresh(const StationSyncLink& link) {
  Load();
  if (Sync(link) > 0) Save();
  BuildIndexes();
}

int CDestinationTable::Load() {
  records_.clear();
  for (Index* index : {&codeIndex_, &shortIndex_, &nameIndex_, &englishIndex_, &postcodeIndex_})
    index->clear();
  lastIndex_ = nullptr;
  highestId_ = 0;
  stamp_.clear();
  std::string bytes;
  if (!ReadCacheFile(path_, kHeaderSize, kMagic, bytes)) return 0;
  std::string_view head(bytes.data(), kHeaderSize);
  const int32_t count = GetInt(head, 16);
  const int32_t highest = GetInt(head, 20);
  if (highest <= 0) return 0;
  if (GetInt(head, 56) != count || count < 0) return 0;
  if (bytes.size() - kHeaderSize != static_cast<size_t>(count) * sizeof(DestinationRecord))
    return 0;
  std::vector<DestinationRecord> records(static_cast<size_t>(count));
  if (count > 0)
    std::memcpy(records.data(), bytes.data() + kHeaderSize, records.size() * sizeof(DestinationRecord));
  for (DestinationRecord& r : records) {
    r.name[sizeof r.name - 1] = r.nameEn[sizeof r.nameEn - 1] = r.code[sizeof r.code - 1] = '\0';
    r.shortCode[sizeof r.shortCode - 1] = r.postcode[sizeof r.postcode - 1] = '\0';
    r.iso2[sizeof r.iso2 - 1] = r.iso3[sizeof r.iso3 - 1] = '\0';
  }
  if (!IdsInOrder(records, highest)) return 0;
  records_ = std::move(records);
  highestId_ = highest;
  stamp_ = std::string(FieldText(head.data() + 24, 32));
  return 1;
}

int CDestinationTable::Sync(const StationSyncLink& link) {
  return RunSync(link, {"sDesList", "iID", "iIDx"}, highestId_, stamp_,
                 [this](std::string_view reply) { return ApplyReply(reply); });
}

int CDestinationTable::ApplyReply(std::string_view reply) {
  return ApplySyncReply(reply, records_, [](JsonRowIndex& row, DestinationRecord& r) {
    r.zone = static_cast<uint8_t>(row.GetInt("a", 0));
    r.number = static_cast<uint8_t>(row.GetInt("t", 0));
    SetField(r.code, sizeof r.code, row.GetString("c", 7));
    SetField(r.name, sizeof r.name, row.GetString("n", 30));
    SetField(r.nameEn, sizeof r.nameEn, row.GetString("e", 63));
    SetField(r.shortCode, sizeof r.shortCode, row.GetString("s", 15));
    SetField(r.postcode, sizeof r.postcode, row.GetString("z", 11));
    SetField(r.iso2, sizeof r.iso2, row.GetString("x", 2));
    SetField(r.iso3, sizeof r.iso3, row.GetString("y", 3));
  });
}

bool CDestinationTable::Save() const {
  if (records_.empty() || path_.empty()) return false;
  std::string out;
  out.reserve(kHeaderSize + records_.size() * sizeof(DestinationRecord));
  PutPadded(out, kMagic, 16);
  PutInt(out, static_cast<int32_t>(records_.size()));
  PutInt(out, highestId_);
  PutPadded(out, stamp_, 32);
  PutInt(out, static_cast<int32_t>(records_.size()));
  out.append(reinterpret_cast<const char*>(records_.data()),
             records_.size() * sizeof(DestinationRecord));
  return WriteWholeFile(path_, out);
}

void CDestinationTable::BuildIndexes() {
  lastIndex_ = nullptr;
  BuildIndex(codeIndex_, records_, &DestinationRecord::Code);
  BuildIndex(nameIndex_, records_, &DestinationRecord::Name);
  BuildIndex(englishIndex_, records_, &DestinationRecord::NameEn);
  BuildIndex(shortIndex_, records_, &DestinationRecord::ShortCode);
  BuildIndex(postcodeIndex_, records_, &DestinationRecord::Postcode);
}

void CDestinationTable::Lookup(Rows& rows, std::string_view text) {
  const Index* index = &codeIndex_;
  Key key = &DestinationRecord::Code;
  const bool digits = text.size() > 3 && std::all_of(text.begin(), text.end(), [](char c) {
                        return c >= '0' && c <= '9';
                      });
  if (!text.empty() && static_cast<uint8_t>(text[0]) >= 0x80) {
    index = &nameIndex_;
    key = &DestinationRecord::Name;
  } else if (text.find(' ') != std::string_view::npos) {
    index = &englishIndex_;
    key = &DestinationRecord::NameEn;
  } else if (digits) {
    index = &postcodeIndex_;
    key = &DestinationRecord::Postcode;
  }
  lastIndex_ = index;
  rows.fill(nullptr);
  size_t first = FirstPrefixHit(*index, text, key);
  if (first < index->size()) {
    for (size_t k = 0; k < rows.size() && first + k < index->size(); ++k) rows[k] = (*index)[first + k];
    return;
  }
  // Ranked scan: a name that equals the text after its first three or two
  // double-byte characters (a province or country prefix) first, then names
  // and English names that hold the text.
  const DestinationRecord* firstRank = nullptr;
  const DestinationRecord* secondRank = nullptr;
  std::deque<const DestinationRecord*> replaced;
  std::vector<const DestinationRecord*> ordinary;
  size_t count = 0;
  for (const DestinationRecord& r : records_) {
    std::string_view name = r.Name();
    if (name.size() > 6 && name.substr(6) == text) {
      if (firstRank) replaced.push_front(firstRank);
      firstRank = &r;
      ++count;
    } else if (name.size() > 4 && name.substr(4) == text) {
      if (secondRank) replaced.push_front(secondRank);
      secondRank = &r;
      ++count;
    } else if (GbkFindNoCase(name, text) != std::string_view::npos ||
               (!r.NameEn().empty() && GbkFindNoCase(r.NameEn(), text) != std::string_view::npos)) {
      ordinary.push_back(&r);
      if (++count >= rows.size()) break;
    }
  }
  std::vector<const DestinationRecord*> result;
  if (firstRank) result.push_back(firstRank);
  if (secondRank) result.push_back(secondRank);
  result.insert(result.end(), replaced.begin(), replaced.end());
  result.insert(result.end(), ordinary.begin(), ordinary.end());
  for (size_t k = 0; k < rows.size() && k < result.size(); ++k) rows[k] = result[k];
}

const DestinationRecord* CDestinationTable::FindByName(std::string_view text) const {
  return FindExact(nameIndex_, text, &DestinationRecord::Name);
}

const DestinationRecord* CDestinationTable::FindByCode(std::string_view text) const {
  return FindExact(codeIndex_, text, &DestinationRecord::Code);
}

const DestinationRecord* CDestinationTable::FindByEnglishName(std::string_view text) const {
  return FindNoCase(englishIndex_, text, &DestinationRecord::NameEn);
}

const DestinationRecord* CDestinationTable::FindByShortCode(std::string_view text) const {
  if (text.empty()) return nullptr;
  return FindNoCase(shortIndex_, text, &DestinationRecord::ShortCode);
}

const DestinationRecord* CDestinationTable::FindByNamePrefix(std::string_view text,
                                                             bool allowPrefix) const {
  if (const DestinationRecord* r = FindNoCase(nameIndex_, text, &DestinationRecord::Name)) return r;
  if (!allowPrefix) return nullptr;
  const DestinationRecord* best = nullptr;
  bool inRun = false;
  for (const DestinationRecord* r : nameIndex_) {
    std::string_view name = r->Name();
    if (name.size() >= text.size() && name.compare(0, text.size(), text) == 0) {
      inRun = true;
      if (!best || name.size() < best->Name().size()) best = r;
    } else if (inRun) {
      break;
    }
  }
  return best;
}

const DestinationRecord* CDestinationTable::ResolvePlace(std::string_view text) const {
  if (text.empty()) return nullptr;
  if (const DestinationRecord* r = FindByName(text)) return r;
  static const std::pair<std::string, std::string> kAliases[] = {
      {GbkFromWide(u"鞍山"), GbkFromWide(u"辽宁鞍山")},
      {GbkFromWide(u"眉山"), GbkFromWide(u"四川眉山")},
      {GbkFromWide(u"龙泉"), GbkFromWide(u"浙江龙泉")},
      {GbkFromWide(u"普兰"), GbkFromWide(u"西藏普兰")},
  };
  for (const auto& [alias, target] : kAliases) {
    if (text != alias) continue;
    if (const DestinationRecord* r = FindByName(target)) return r;
  }
  // Names that occur inside many longer names: only the name itself, or the
  // shortest name that begins with it.
  static const std::pair<std::string, bool> kGuarded[] = {
      {GbkFromWide(u"印度"), false}, {GbkFromWide(u"刚果"), false},
      {GbkFromWide(u"几内亚"), false}, {GbkFromWide(u"朝鲜"), false},
      {GbkFromWide(u"苏丹"), false}, {GbkFromWide(u"也门"), false},
      {GbkFromWide(u"俄罗斯"), true}, {GbkFromWide(u"内蒙"), true},
      {GbkFromWide(u"内蒙古"), true},
  };
  for (const auto& [name, allowPrefix] : kGuarded)
    if (text == name) return FindByNamePrefix(text, allowPrefix);
  if (text.size() <= 1) return nullptr;
  std::vector<const DestinationRecord*> found;
  for (const DestinationRecord* r : nameIndex_) {
    std::string_view name = r->Name();
    if (name.find(text) == std::string_view::npos) continue;
    if (text.size() < 6 || name.size() == text.size()) return r;
    found.push_back(r);
  }
  if (found.empty()) return nullptr;
  if (found.size() == 1) return found[0];
  if (text.size() < 8) return nullptr;
  for (const DestinationRecord* r : found) {
    std::string_view name = r->Name();
    if (name.size() > 4 && name.substr(4) == text) return r;
  }
  return found[0];
}
