#include "refdata/PlaceSamples.h"

#include <cstring>
#include <random>

#include "common/GbkText.h"
#include "common/TextCodec.h"
#include "refdata/StationCacheSync.h"

std::string BuildPlaceDictionaryFile(const std::vector<PlaceEntry>& entries) {
  std::string out(CPlaceDictionary::kHeaderSize, '\0');
  std::memcpy(out.data(), "PLACE\x01\0\0", CPlaceDictionary::kHeaderSize);
  for (const PlaceEntry& e : entries)
    out.append(reinterpret_cast<const char*>(&e), CPlaceDictionary::kRecordSize);
  return out;
}

PlaceEntry MakePlaceEntry(int32_t id, std::u16string_view code, std::u16string_view chinese,
                          std::u16string_view english) {
  PlaceEntry e;
  e.id = id;
  stationcache::SetField(e.code, sizeof e.code, GbkFromWide(code));
  stationcache::SetField(e.chinese, sizeof e.chinese, GbkFromWide(chinese));
  stationcache::SetField(e.english, sizeof e.english, GbkFromWide(english));
  return e;
}

std::vector<PlaceEntry> SamplePlaceEntries() {
  struct Row {
    const char16_t* code;
    const char16_t* chinese;
    const char16_t* english;
  };
  static constexpr Row rows[] = {
      {u"BK01", u"书籍", u"BOOKS"},
      {u"CL01", u"衣服", u"CLOTHES"},
      {u"CL02", u"T恤", u"T-SHIRT"},
      {u"CL03", u"帽子", u"HATS"},
      {u"CL04", u"鞋", u"SHOES"},
      {u"CL05", u"袜子", u"SOCKS"},
      {u"CL06", u"手套", u"GLOVES"},
      {u"DC01", u"文件", u"DOCUMENTS"},
      {u"EL01", u"手机", u"MOBILE PHONE"},
      {u"EL02", u"手机壳", u"PHONE CASE"},
      {u"EL03", u"耳机", u"HEADPHONES"},
      {u"EL04", u"充电器", u"CHARGER"},
      {u"EL05", u"数据线", u"DATA CABLE"},
      {u"FD01", u"茶叶", u"TEA"},
      {u"FD02", u"饼干", u"BISCUITS"},
      {u"FD03", u"糖果", u"CANDY"},
      {u"HM01", u"毛巾", u"TOWELS"},
      {u"HM02", u"杯子", u"CUPS"},
      {u"HM03", u"雨伞", u"UMBRELLA"},
      {u"PL01", u"纽约", u"NEW YORK"},
      {u"PL02", u"新", u"NEW"},
      {u"PL03", u"约克", u"YORK"},
      {u"SP01", u"化妆品", u"COSMETICS"},
      {u"SP02", u"玩具", u"TOYS"},
      {u"SP03", u"文具", u"STATIONERY"},
      {u"SP04", u"手表", u"WATCH"},
      {u"SP05", u"背包", u"BACKPACK"},
      {u"SP06", u"钱包", u"WALLET"},
  };
  std::vector<PlaceEntry> entries;
  int32_t id = 0;
  for (const Row& r : rows) entries.push_back(MakePlaceEntry(++id, r.code, r.chinese, r.english));
  return entries;
}

std::vector<CitySource> SampleCities() {
  struct Row {
    const char* nc;
    const char* ccd;
    const char* name;
    const char* zipB;
    const char* zipE;
  };
  // Made-up postcode ranges for the sample: they only need to look like
  // what an operator types.
  static constexpr Row rows[] = {
      {"US", "NY", "NEW YORK", "10001", "10299"},
      {"US", "NY", "BROOKLYN", "11201", "11256"},
      {"US", "NY", "BUFFALO", "14201", "14280"},
      {"US", "NY", "ALBANY", "12201", "12288"},
      {"US", "CA", "LOS ANGELES", "90001", "90189"},
      {"US", "CA", "SAN FRANCISCO", "94102", "94188"},
      {"US", "CA", "SAN DIEGO", "92101", "92199"},
      {"US", "CA", "SAN JOSE", "95101", "95199"},
      {"US", "TX", "HOUSTON", "77001", "77299"},
      {"US", "TX", "DALLAS", "75201", "75398"},
      {"US", "TX", "AUSTIN", "73301", "78799"},
      {"US", "WA", "SEATTLE", "98101", "98199"},
      {"US", "IL", "CHICAGO", "60601", "60699"},
      {"CA", "ON", "TORONTO", "M1B", "M9W"},
      {"CA", "ON", "OTTAWA", "K1A", "K4C"},
      {"CA", "BC", "VANCOUVER", "V5K", "V6Z"},
      {"CA", "QC", "MONTREAL", "H1A", "H9X"},
      {"GB", "ENG", "LONDON", "E1", "WC2"},
      {"GB", "ENG", "MANCHESTER", "M1", "M99"},
      {"GB", "ENG", "BIRMINGHAM", "B1", "B99"},
      {"GB", "SCT", "EDINBURGH", "EH1", "EH99"},
      {"GB", "SCT", "GLASGOW", "G1", "G99"},
      {"DE", "BE", "BERLIN", "10115", "14199"},
      {"DE", "BY", "MUENCHEN", "80331", "81929"},
      {"DE", "HH", "HAMBURG", "20095", "22769"},
      {"DE", "HE", "FRANKFURT", "60306", "65936"},
      {"FR", "IDF", "PARIS", "75001", "75020"},
      {"FR", "PAC", "MARSEILLE", "13001", "13016"},
      {"FR", "ARA", "LYON", "69001", "69009"},
      {"JP", "13", "TOKYO", "1000001", "2080035"},
      {"JP", "27", "OSAKA", "5300001", "5900000"},
      {"JP", "14", "YOKOHAMA", "2200001", "2470075"},
      {"AU", "NSW", "SYDNEY", "2000", "2234"},
      {"AU", "VIC", "MELBOURNE", "3000", "3207"},
      {"AU", "QLD", "BRISBANE", "4000", "4179"},
      {"SG", "SG", "SINGAPORE", "018900", "829999"},
      {"KR", "11", "SEOUL", "01000", "08999"},
      {"KR", "26", "BUSAN", "46000", "49999"},
      {"NL", "NH", "AMSTERDAM", "1011", "1109"},
      {"NL", "ZH", "ROTTERDAM", "3011", "3089"},
      {"IT", "LZ", "ROMA", "00118", "00199"},
      {"IT", "LM", "MILANO", "20121", "20162"},
      {"ES", "MD", "MADRID", "28001", "28080"},
      {"ES", "CT", "BARCELONA", "08001", "08042"},
  };
  std::vector<CitySource> cities;
  for (const Row& r : rows) cities.push_back({r.nc, r.ccd, r.name, r.zipB, r.zipE});
  return cities;
}

std::vector<CitySource> GeneratedCities(size_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  auto letters = [&](size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += kLetters[rng() % 26];
    return s;
  };
  std::vector<std::string> regions;
  for (int r = 0; r < 104; ++r) regions.push_back({kLetters[r / 26], kLetters[r % 26]});
  std::vector<CitySource> cities;
  cities.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    CitySource c;
    c.nc = regions[i * regions.size() / count];
    c.ccd = letters(2);
    c.name = letters(4 + rng() % 10) + (rng() % 3 == 0 ? " " + letters(3 + rng() % 6) : "");
    const uint32_t start = rng() % 90000 + 10000;
    c.zipB = std::to_string(start);
    c.zipE = std::to_string(start + rng() % 100);
    cities.push_back(std::move(c));
  }
  return cities;
}

bool WriteSamplePlaceFiles(const std::string& programFolder) {
  const std::string identification = CAddressLibrary::IdentificationText();
  return stationcache::WriteWholeFile(programFolder + CPlaceDictionary::FileName(0),
                                      BuildPlaceDictionaryFile(SamplePlaceEntries())) &&
         stationcache::WriteWholeFile(
             programFolder + std::string(CAddressLibrary::kFileName),
             BuildAddressLibraryFile(SampleCities(), identification,
                                     CAddressLibrary::KeyOf(identification)));
}
