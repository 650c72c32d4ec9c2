#include "refdata/JapanPostcodeBook.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>

#include "common/TextCodec.h"

namespace {

// The substitution of the stored pools.  The data file in use is stored
// without substitution, so the table maps every byte to itself.
constexpr std::array<unsigned char, 256> kPoolTable = [] {
  std::array<unsigned char, 256> table{};
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<unsigned char>(i);
  return table;
}();

constexpr size_t kRecordBytes = 16;
constexpr size_t kCutChars = 30;

struct RawRecord {
  uint16_t first;
  uint16_t second;
  int32_t number;
  int32_t japaneseOffset;
  int32_t romanisedOffset;
};

bool ReadBytes(std::istream& in, void* buffer, size_t size) {
  in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
  return static_cast<size_t>(in.gcount()) == size;
}

bool ReadTable(std::istream& in, int32_t maxCount, std::vector<RawRecord>& records) {
  int32_t count = 0;
  if (!ReadBytes(in, &count, sizeof count)) return false;
  if (count < 1 || count > maxCount) return false;
  records.resize(static_cast<size_t>(count));
  for (RawRecord& r : records) {
    unsigned char bytes[kRecordBytes];
    if (!ReadBytes(in, bytes, sizeof bytes)) return false;
    std::memcpy(&r.first, bytes, 2);
    std::memcpy(&r.second, bytes + 2, 2);
    std::memcpy(&r.number, bytes + 4, 4);
    std::memcpy(&r.japaneseOffset, bytes + 8, 4);
    std::memcpy(&r.romanisedOffset, bytes + 12, 4);
  }
  return true;
}

// Offset of the last zero byte of the pool, -1 when it has none: a text
// starting at or before it ends inside the pool.
int64_t LastZero(const char* pool, size_t size) {
  for (size_t i = size; i-- > 0;) {
    if (pool[i] == '\0') return static_cast<int64_t>(i);
  }
  return -1;
}

std::u16string Cut(std::u16string text) {
  if (text.size() > kCutChars) text.resize(kCutChars);
  return text;
}

}  // namespace

void UnscramblePool(char* pool, size_t size) {
  for (size_t i = size; i-- > 0;)
    pool[i] = static_cast<char>(kPoolTable[static_cast<unsigned char>(pool[i])]);
}

int CJapanPostcodeBook::AllocPools() {
  try {
    japanesePool_ = std::make_unique<char[]>(kJapanesePoolSize);
    romanisedPool_ = std::make_unique<char[]>(kRomanisedPoolSize);
  } catch (const std::bad_alloc&) {
    japanesePool_.reset();
    romanisedPool_.reset();
    return 0;
  }
  return 1;
}

void CJapanPostcodeBook::Clear() {
  prefectures_.clear();
  cities_.clear();
  postcodes_.clear();
}

int CJapanPostcodeBook::Load(std::string_view programFolder) {
  Clear();
  if (!japanesePool_ || !romanisedPool_) {
    if (!AllocPools()) return 0;
  } else {
    std::memset(japanesePool_.get(), 0, kJapanesePoolSize);
    std::memset(romanisedPool_.get(), 0, kRomanisedPoolSize);
  }

  std::string path(programFolder);
  path += kFileName;
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;

  std::vector<RawRecord> prefectures, cities, postcodes;
  if (!ReadTable(in, kMaxPrefectures, prefectures) || !ReadTable(in, kMaxCities, cities) ||
      !ReadTable(in, kMaxPostcodes, postcodes))
    return 0;
  if (!ReadBytes(in, japanesePool_.get(), kJapanesePoolSize) ||
      !ReadBytes(in, romanisedPool_.get(), kRomanisedPoolSize))
    return 0;
  in.close();
  UnscramblePool(japanesePool_.get(), kJapanesePoolSize);
  UnscramblePool(romanisedPool_.get(), kRomanisedPoolSize);

  // Every index must lead into its table and every text must start inside
  // its pool and end there, or the file is refused as a whole.
  const int64_t lastJapanese = LastZero(japanesePool_.get(), kJapanesePoolSize);
  const int64_t lastRomanised = LastZero(romanisedPool_.get(), kRomanisedPoolSize);
  const size_t prefectureCount = prefectures.size();
  const size_t cityCount = cities.size();
  const size_t postcodeCount = postcodes.size();
  auto textsFit = [&](const RawRecord& r) {
    return r.japaneseOffset >= 0 && r.japaneseOffset <= lastJapanese &&
           r.romanisedOffset >= 0 && r.romanisedOffset <= lastRomanised;
  };
  for (const RawRecord& r : prefectures) {
    if (!textsFit(r) || r.first >= cityCount) return 0;
  }
  for (const RawRecord& r : cities) {
    if (!textsFit(r) || r.first >= prefectureCount || r.number < 0 ||
        static_cast<size_t>(r.number) >= postcodeCount)
      return 0;
  }
  for (const RawRecord& r : postcodes) {
    if (!textsFit(r) || r.first >= prefectureCount || r.second >= cityCount) return 0;
  }

  auto fill = [&](const std::vector<RawRecord>& raw, std::vector<JapanAddressEntry>& table) {
    table.resize(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
      table[i].first = raw[i].first;
      table[i].second = raw[i].second;
      table[i].number = raw[i].number;
      table[i].japanese = japanesePool_.get() + raw[i].japaneseOffset;
      table[i].romanised = romanisedPool_.get() + raw[i].romanisedOffset;
    }
  };
  fill(prefectures, prefectures_);
  fill(cities, cities_);
  fill(postcodes, postcodes_);
  return 1;
}

int CJapanPostcodeBook::FindPostcode(int32_t number) const {
  for (size_t i = 0; i < postcodes_.size(); ++i) {
    if (postcodes_[i].number == number) return static_cast<int>(i);
  }
  return -1;
}

int CJapanPostcodeBook::FormatAddress(std::u16string& address, std::u16string& postcode,
                                      std::u16string& country, std::u16string& prefecture,
                                      std::u16string& city, int index, bool japanese) const {
  if (index < 0 || static_cast<size_t>(index) >= postcodes_.size()) return 0;
  const JapanAddressEntry& entry = postcodes_[static_cast<size_t>(index)];
  const JapanAddressEntry& pref = prefectures_[entry.first];
  const JapanAddressEntry& town = cities_[entry.second];

  char digits[16];
  std::snprintf(digits, sizeof digits, "%07d", static_cast<int>(entry.number));
  postcode.assign(digits, digits + std::strlen(digits));

  if (japanese) {
    const std::u16string prefName = WideFromGbk(pref.japanese);
    const std::u16string cityName = WideFromGbk(town.japanese);
    address = prefName + u"\r\n" + cityName + u"\r\n" + WideFromGbk(entry.japanese);
    prefecture = Cut(prefName);
    city = Cut(cityName);
    country = u"日本";
  } else {
    const std::u16string prefName = WideFromGbk(pref.romanised);
    std::u16string cityName = WideFromGbk(town.romanised);
    std::u16string lines = prefName + u"\r\n" + cityName;
    for (char16_t& c : lines) {
      if (c == u'-') c = u' ';
    }
    address = lines + u"\r\n" + WideFromGbk(entry.romanised);
    for (char16_t& c : cityName) {
      if (c == u'-') c = u' ';
    }
    prefecture = Cut(prefName);
    city = Cut(cityName);
    country = u"Japan";
  }
  return 1;
}
