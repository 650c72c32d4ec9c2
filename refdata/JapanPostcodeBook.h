#pragma once
// Japanese addresses by postcode, in Japanese and romanised, from the data
// file "addr_jp.dat" in the program folder: three counted tables
// (prefectures, cities, postcodes) of 16-byte records and two text pools.
//
// File (little-endian): int32 prefecture count, its records; int32 city
// count, its records; int32 postcode count, its records; the Japanese pool
// (1,140,000 bytes); the romanised pool (1,820,000 bytes).  Record: uint16
// first index, uint16 second index, int32 number, int32 offset of the
// Japanese text, int32 offset of the romanised text.  Pool texts are GBK,
// each ending with a zero byte, stored scrambled (UnscramblePool).
//
// Cities are grouped by prefecture and postcodes by city, in table order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One entry of any of the three tables.
struct JapanAddressEntry {
  // Prefecture: index of its first city.  City and postcode: index of
  // their prefecture.
  uint16_t first = 0;
  // Postcode: index of its city.
  uint16_t second = 0;
  // City: index of its first postcode.  Postcode: the postcode as a number.
  int32_t number = -1;
  // Name (prefecture, city) or town part (postcode), GBK, inside the pools.
  const char* japanese = nullptr;
  const char* romanised = nullptr;
};

class CJapanPostcodeBook {
 public:
  static constexpr size_t kJapanesePoolSize = 1140000;
  static constexpr size_t kRomanisedPoolSize = 1820000;
  static constexpr int32_t kMaxPrefectures = 47;
  static constexpr int32_t kMaxCities = 1956;
  static constexpr int32_t kMaxPostcodes = 124330;
  static constexpr const char* kFileName = "addr_jp.dat";

  CJapanPostcodeBook() = default;
  virtual ~CJapanPostcodeBook() = default;
  CJapanPostcodeBook(const CJapanPostcodeBook&) = delete;
  CJapanPostcodeBook& operator=(const CJapanPostcodeBook&) = delete;

  // Allocates both pools, zeroed: 1, or 0 when memory is short.
  int AllocPools();
  // Reads "<programFolder>addr_jp.dat" (the folder ends in its separator):
  // 1 loaded, 0 failed (missing file, short read, a count outside its table,
  // an index or text offset that leads outside the tables or pools).  A
  // failed load leaves the book empty.
  int Load(std::string_view programFolder);

  // Index of the first postcode entry with this number, or -1.
  int FindPostcode(int32_t number) const;
  // Address lines (prefecture, city, town joined by CR LF), the postcode
  // "%07d", the country ("日本" or "Japan"), prefecture and city (each cut to
  // 30 characters) of postcode entry `index`, in Japanese or romanised
  // (where "-" in the prefecture and city lines becomes a blank).  1, or 0
  // with the outputs untouched for an index outside the loaded entries.
  int FormatAddress(std::u16string& address, std::u16string& postcode,
                    std::u16string& country, std::u16string& prefecture,
                    std::u16string& city, int index, bool japanese) const;

  // The loaded tables, for the address dialog.
  const std::vector<JapanAddressEntry>& Prefectures() const { return prefectures_; }
  const std::vector<JapanAddressEntry>& Cities() const { return cities_; }
  const std::vector<JapanAddressEntry>& Postcodes() const { return postcodes_; }

 private:
  void Clear();

  std::unique_ptr<char[]> japanesePool_;
  std::unique_ptr<char[]> romanisedPool_;
  std::vector<JapanAddressEntry> prefectures_;
  std::vector<JapanAddressEntry> cities_;
  std::vector<JapanAddressEntry> postcodes_;
};

// Undoes the byte substitution of a stored pool, in place, over its full
// size.
void UnscramblePool(char* pool, size_t size);
