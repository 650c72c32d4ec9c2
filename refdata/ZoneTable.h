#pragma once
// Postcode zones: the price zones ("报价") and sorting zones ("分拣") of the
// express kinds, loaded once at start-up from the numbered zone files the
// server hands out ("Zip_Choice_Zone_<n>.txt" sorting, "Zip_Price_Zone_<n>.txt"
// price, GBK text, one definition per file).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CServerLink;

// One "[定义开始]" block.
struct ZoneDefinition {
  int32_t zoneCount = 0;
  int32_t defaultZone = -1;   // zone of a postcode no list holds; -1 none
  std::string service;        // express kind, at most 15 bytes
  int32_t numberFlag = 0;     // sorting definitions: fill the zone number
  int32_t lettersFlag = 0;    // sorting definitions: fill the zone letters
  // Zone k (from 1) is lists[k - 1]: ",code,code,...," with blanks, "-",
  // CR, LF and TAB removed.
  std::vector<std::string> lists;
};

// Zone n written as letters: "A".."Z" for 1..26, then "AA" (27) .. "ZZ" (702).
std::string ZoneLetters(unsigned zone);

class CZoneTable {
 public:
  static constexpr size_t kMaxZones = 256;
  static constexpr size_t kMaxFileBytes = 1048575;

  virtual ~CZoneTable();

  bool Loaded() const { return loaded_; }
  const std::vector<std::unique_ptr<ZoneDefinition>>& PriceDefinitions() const { return price_; }
  const std::vector<std::unique_ptr<ZoneDefinition>>& SortingDefinitions() const {
    return sorting_;
  }

  // Downloads the sorting then the price files into `folder` (ending in its
  // separator) and parses each, n = 0, 1, ... until a file can be had
  // neither from the server nor from an earlier run, or is too long.  Runs
  // once: later calls do nothing.
  void LoadFiles(CServerLink& link, const std::string& folder);

  // 1 when a definition was added; -1 when the text has no "[定义开始]", no
  // or a wrong "类型=", or no "快递类别="; -2 when the service already has a
  // definition of that type (the first stays).
  int ParseDefinition(std::string_view text);

  // The price zone: 0 for an empty postcode, -1 when the service has no
  // price definition or the postcode no zone and no positive default.
  int PriceZone(std::string_view postcode, std::string_view service) const;

  // 1 when the service has a sorting definition and the postcode a zone in
  // it; then the number text (price zone, when the definition asks for it)
  // and the letters text (sorting zone letters, when asked) are filled.
  // 0 otherwise, outputs untouched.
  int FindZone(std::string_view postcode, std::string_view service, std::string& number,
               std::string& letters) const;

 private:
  bool loaded_ = false;
  std::vector<std::unique_ptr<ZoneDefinition>> price_;
  std::vector<std::unique_ptr<ZoneDefinition>> sorting_;
};
