#include "refdata/PlaceDictionary.h"

#include <cstring>

#include "common/GbkText.h"
#include "refdata/StationCacheSync.h"

namespace {

constexpr size_t kCopyLimit = 255;

// The copy a translation works on: at most 255 bytes, and while the variant
// is 0 cut at the first "(" that a ")" follows.
std::string TranslationCopy(std::string_view text, int variant) {
  std::string copy = GbkCopyN(text, kCopyLimit);
  if (variant != 0) return copy;
  size_t from = 0;
  while (from < copy.size()) {
    const size_t open = GbkFindChar(std::string_view(copy).substr(from), '(');
    if (open == std::string::npos) break;
    const size_t at = from + open;
    if (GbkFindChar(std::string_view(copy).substr(at + 1), ')') != std::string::npos) {
      copy.resize(at);
      break;
    }
    from = at + 1;
  }
  return copy;
}

}  // namespace

std::string_view PlaceEntry::Field(const char* field, size_t width) {
  return stationcache::FieldText(field, width);
}

std::string CPlaceDictionary::FileName(int variant) {
  return "DATA_SYS/brantle7_" + std::to_string(variant) + ".dat";
}

bool CPlaceDictionary::Init(std::string_view programFolder) {
  Load(std::string(programFolder) + FileName(variant));
  return true;
}

bool CPlaceDictionary::Load(const std::string& path) {
  loadError_.clear();
  std::string bytes;
  if (!stationcache::ReadWholeFile(path, bytes)) return false;
  if (bytes.size() < kHeaderSize) {
    loadError_ = "shorter than its header";
    return false;
  }
  std::vector<PlaceEntry> entries;
  entries.reserve((bytes.size() - kHeaderSize) / kRecordSize);
  for (size_t at = kHeaderSize; bytes.size() - at >= kRecordSize; at += kRecordSize) {
    PlaceEntry e;
    std::memcpy(&e, bytes.data() + at, kRecordSize);
    if (!std::memchr(e.code, 0, sizeof e.code) || !std::memchr(e.chinese, 0, sizeof e.chinese) ||
        !std::memchr(e.english, 0, sizeof e.english)) {
      loadError_ = "record " + std::to_string(entries.size() + 1) + " has a text without its end";
      return false;
    }
    entries.push_back(e);
  }
  entries_ = std::move(entries);
  stationcache::BuildIndex(codeIndex_, entries_, &PlaceEntry::Code);
  stationcache::BuildIndex(chineseIndex_, entries_, &PlaceEntry::Chinese);
  stationcache::BuildIndex(englishIndex_, entries_, &PlaceEntry::English);
  return true;
}

void CPlaceDictionary::Suggest(Slots& slots, std::string_view typed) const {
  slots.fill(nullptr);
  if (typed.empty()) return;
  const bool chinese = IsGbkLead(typed[0]);
  using Key = std::string_view (PlaceEntry::*)() const;
  const Index& index = chinese ? chineseIndex_ : typed.size() > 7 ? englishIndex_ : codeIndex_;
  const Key key = chinese ? &PlaceEntry::Chinese
                          : typed.size() > 7 ? &PlaceEntry::English : &PlaceEntry::Code;
  size_t first = stationcache::FirstPrefixHit(index, typed, key);
  if (first < index.size()) {
    for (size_t k = 0; k < kSlots && first + k < index.size(); ++k) slots[k] = index[first + k];
    return;
  }
  size_t n = 0;
  for (const PlaceEntry& e : entries_) {
    if (n >= kSlots) break;
    const bool hit = chinese ? e.Chinese().find(typed) != std::string_view::npos
                             : GbkFindNoCase(e.English(), typed) != std::string::npos;
    if (hit) slots[n++] = &e;
  }
}

const PlaceEntry* CPlaceDictionary::FindExact(const Index& index,
                                              std::string_view (PlaceEntry::*key)() const,
                                              std::string_view text) const {
  if (text.empty()) return nullptr;
  size_t lo = 0, hi = index.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (GbkCompareNoCase((index[mid]->*key)(), text) < 0) lo = mid + 1;
    else hi = mid;
  }
  if (lo < index.size() && GbkCompareNoCase((index[lo]->*key)(), text) == 0) return index[lo];
  return nullptr;
}

std::string CPlaceDictionary::TranslateWith(std::string_view text, bool toEnglish) const {
  if (text.empty()) return {};
  const Index& index = toEnglish ? chineseIndex_ : englishIndex_;
  const auto from = toEnglish ? &PlaceEntry::Chinese : &PlaceEntry::English;
  const auto to = toEnglish ? &PlaceEntry::English : &PlaceEntry::Chinese;
  auto known = [&](std::string_view name) -> const PlaceEntry* { return FindExact(index, from, name); };

  const std::string copy = TranslationCopy(text, variant);
  if (const PlaceEntry* whole = known(copy)) return std::string((whole->*to)());

  const char separator = text.find(',') != std::string_view::npos ? ',' : ' ';
  std::vector<std::string_view> parts;
  std::string_view rest = copy;
  for (;;) {
    const size_t cut = rest.find(separator);
    parts.push_back(rest.substr(0, cut));
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
    // Blanks that begin a part after a separator are skipped.
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  }
  if (parts.back().empty()) parts.pop_back();

  std::string result;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) result += separator;
    const PlaceEntry* entry = known(parts[i]);
    result += entry ? (entry->*to)() : parts[i];
  }
  return result;
}

std::string CPlaceDictionary::Translate(std::string_view text) const {
  return TranslateWith(text, false);
}

std::string CPlaceDictionary::TranslateToEnglish(std::string_view text) const {
  return TranslateWith(text, true);
}

std::optional<std::string> CPlaceDictionary::CodeOfPlace(std::string_view name) const {
  const PlaceEntry* e = FindExact(chineseIndex_, &PlaceEntry::Chinese, name);
  if (!e) e = FindExact(englishIndex_, &PlaceEntry::English, name);
  if (!e) return std::nullopt;
  return std::string(e->Code());
}
