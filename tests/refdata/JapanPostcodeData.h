#pragma once
// A Japan postcode data file built by a test: the three tables and the two
// text pools, written in the layout of "addr_jp.dat".

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "refdata/JapanPostcodeBook.h"

namespace japantest {

struct Rec {
  uint16_t first;
  uint16_t second;
  int32_t number;
  int32_t japanese;   // offsets into the pools
  int32_t romanised;
};

// A data file under construction: tables and the two pools.
struct DataFile {
  std::vector<Rec> prefectures, cities, postcodes;
  std::string japanesePool, romanisedPool;
  std::optional<int32_t> prefectureCount, cityCount, postcodeCount;  // none: the table's size

  // Appends an entry with its two texts to one of the tables.
  void Add(std::vector<Rec>& table, uint16_t first, uint16_t second, int32_t number,
           const std::u16string& japanese, const std::u16string& romanised) {
    table.push_back({first, second, number, AddJapanese(japanese), AddRomanised(romanised)});
  }
  int32_t AddJapanese(const std::u16string& text) { return AddTo(japanesePool, text); }
  int32_t AddRomanised(const std::u16string& text) { return AddTo(romanisedPool, text); }
  static int32_t AddTo(std::string& pool, const std::u16string& text) {
    const auto at = static_cast<int32_t>(pool.size());
    pool += GbkFromWide(text);
    pool.push_back('\0');
    return at;
  }

  std::string Bytes() const {
    std::string out;
    auto put32 = [&](int32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    auto table = [&](const std::vector<Rec>& recs, std::optional<int32_t> count) {
      put32(count.value_or(static_cast<int32_t>(recs.size())));
      for (const Rec& r : recs) {
        out.append(reinterpret_cast<const char*>(&r.first), 2);
        out.append(reinterpret_cast<const char*>(&r.second), 2);
        put32(r.number);
        put32(r.japanese);
        put32(r.romanised);
      }
    };
    table(prefectures, prefectureCount);
    table(cities, cityCount);
    table(postcodes, postcodeCount);
    std::string j = japanesePool, r = romanisedPool;
    j.resize(CJapanPostcodeBook::kJapanesePoolSize, '\0');
    r.resize(CJapanPostcodeBook::kRomanisedPoolSize, '\0');
    return out + j + r;
  }
};

}  // namespace japantest
