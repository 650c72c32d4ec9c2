#include "ui/WorldCityBrowser.h"

#include "common/TextCodec.h"
#include "refdata/DestinationTable.h"

CWorldCityBrowser::CWorldCityBrowser(const CAddressLibrary& library,
                                     const CDestinationTable* destinations)
    : library_(library), destinations_(destinations) {}

bool CWorldCityBrowser::ShowRegion(std::string_view code, int regionRow, std::string_view area) {
  const auto& regions = library_.Regions();
  if (regionRow < 0) regionRow = FirstRegionContaining(code);
  if (regionRow < 0 || static_cast<size_t>(regionRow) >= regions.size()) return false;
  region_ = regionRow;
  const AddressRegion& region = regions[static_cast<size_t>(regionRow)];
  const auto& entries = library_.Entries();
  areas_.clear();
  for (int32_t e = region.first; e <= region.last; ++e) {
    const std::string_view ccd = entries[static_cast<size_t>(e)].Ccd();
    if (areas_.empty() || areas_.back() != ccd) areas_.emplace_back(ccd);
  }
  const DestinationRecord* d = destinations_ ? destinations_->FindByCode(region.code) : nullptr;
  if (d) {
    caption_ = std::string(d->Name()) + "[" + std::to_string(region.last - region.first + 1) + "] " +
               std::string(d->NameEn());
  } else {
    caption_ = GbkFromWide(u"通用地址库中没有对应编码匹配!");
  }
  ShowArea(area.empty() && !areas_.empty() ? std::string_view(areas_.front()) : area);
  return true;
}

void CWorldCityBrowser::ShowArea(std::string_view area) {
  cities_.clear();
  chosen_ = nullptr;
  if (region_ < 0) return;
  const AddressRegion& region = library_.Regions()[static_cast<size_t>(region_)];
  const auto& entries = library_.Entries();
  int32_t e = region.first;
  while (e <= region.last && entries[static_cast<size_t>(e)].Ccd() != area) ++e;
  for (; e <= region.last && entries[static_cast<size_t>(e)].Ccd() == area; ++e)
    cities_.push_back(&entries[static_cast<size_t>(e)]);
}

int CWorldCityBrowser::FirstRegionContaining(std::string_view text) const {
  const auto& regions = library_.Regions();
  for (size_t i = 0; i < regions.size(); ++i)
    if (regions[i].code.find(text) != std::string_view::npos) return static_cast<int>(i);
  return -1;
}

int CWorldCityBrowser::FirstAreaContaining(std::string_view text) const {
  for (size_t i = 0; i < areas_.size(); ++i)
    if (areas_[i].find(text) != std::string::npos) return static_cast<int>(i);
  return -1;
}

int CWorldCityBrowser::FirstCityContaining(std::string_view text) const {
  for (size_t i = 0; i < cities_.size(); ++i)
    if (cities_[i]->Name().find(text) != std::string_view::npos) return static_cast<int>(i);
  return -1;
}

int CWorldCityBrowser::FirstCityHolding(std::string_view postcode) const {
  for (size_t i = 0; i < cities_.size(); ++i)
    if (cities_[i]->zipB <= postcode && postcode <= cities_[i]->zipE) return static_cast<int>(i);
  return -1;
}

bool CWorldCityBrowser::SearchPostcode(std::string_view postcode) {
  std::vector<const AddressEntry*> hits;
  library_.FindByZip(postcode, hits);
  if (hits.empty()) return false;
  cities_ = std::move(hits);
  chosen_ = nullptr;
  caption_.clear();
  return true;
}

int CWorldCityBrowser::RegionOfEntry(const AddressEntry* entry) const {
  const auto& entries = library_.Entries();
  const int32_t number = static_cast<int32_t>(entry - entries.data());
  const auto& regions = library_.Regions();
  for (size_t r = 0; r < regions.size(); ++r)
    if (regions[r].first <= number && number <= regions[r].last) return static_cast<int>(r);
  return -1;
}

CWorldCityBrowser::CitySearch CWorldCityBrowser::SearchCity(std::string_view text, int& row) {
  row = FirstCityContaining(text);
  if (row >= 0) return CitySearch::kInList;
  if (const AddressEntry* exact = library_.FindByName(text)) {
    const int region = RegionOfEntry(exact);
    if (region >= 0 && ShowRegion({}, region, exact->Ccd())) {
      for (size_t i = 0; i < cities_.size(); ++i)
        if (cities_[i] == exact) row = static_cast<int>(i);
      return CitySearch::kByName;
    }
  }
  cities_.clear();
  chosen_ = nullptr;
  library_.FindByNameSubstring(text, cities_, kSubstringHits);
  return CitySearch::kSubstring;
}

void CWorldCityBrowser::Choose(int cityRow) {
  if (cityRow >= 0 && static_cast<size_t>(cityRow) < cities_.size())
    chosen_ = cities_[static_cast<size_t>(cityRow)];
}
