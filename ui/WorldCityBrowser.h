#pragma once
// What the world city dialog shows and searches, without widgets: the
// regions of the address library, the areas ("CCD") of the current region,
// the city list and the chosen city.  Texts are GBK.

#include <string>
#include <string_view>
#include <vector>

#include "refdata/AddressLibrary.h"

class CDestinationTable;

class CWorldCityBrowser {
 public:
  CWorldCityBrowser(const CAddressLibrary& library, const CDestinationTable* destinations);

  const CAddressLibrary& Library() const { return library_; }

  // Makes a region current: the given row of the regions list, or without
  // one (-1) the first region whose code contains the text; false (nothing
  // changed) when there is none.  The areas are refilled with the region's
  // distinct consecutive "CCD" codes, the caption is set, and the city list
  // shows the given area, or the first one.
  bool ShowRegion(std::string_view code, int regionRow = -1, std::string_view area = {});
  // The city list: the current region's entries of that area, in file
  // order; nothing is chosen.
  void ShowArea(std::string_view area);

  int CurrentRegion() const { return region_; }
  const std::vector<std::string>& Areas() const { return areas_; }
  const std::vector<const AddressEntry*>& Cities() const { return cities_; }
  // "<destination>[<entries of the region>] <English name>", the notice
  // that no destination has the code, or empty after a postcode search.
  const std::string& Caption() const { return caption_; }

  // Typing: the first row whose code / city name contains the text, or
  // whose postcode range holds it; -1 when none.
  int FirstRegionContaining(std::string_view text) const;
  int FirstAreaContaining(std::string_view text) const;
  int FirstCityContaining(std::string_view text) const;
  int FirstCityHolding(std::string_view postcode) const;

  // Enter in the postcode edit: the city list shows the library's hits in
  // the order found and the caption is cleared; false when there are none.
  bool SearchPostcode(std::string_view postcode);
  // Enter in the city-name edit: a row of the current list containing the
  // text; else the exact name in the library (its region and area shown);
  // else up to 1,000 names containing it.  The row to select (-1: none).
  enum class CitySearch { kInList, kByName, kSubstring };
  CitySearch SearchCity(std::string_view text, int& row);

  // The chosen city (a click on a city row); null when none.
  void Choose(int cityRow);
  const AddressEntry* Chosen() const { return chosen_; }

  static constexpr size_t kSubstringHits = 1000;

 private:
  int RegionOfEntry(const AddressEntry* entry) const;

  const CAddressLibrary& library_;
  const CDestinationTable* destinations_;
  int region_ = -1;
  std::vector<std::string> areas_;
  std::vector<const AddressEntry*> cities_;
  std::string caption_;
  const AddressEntry* chosen_ = nullptr;
};
