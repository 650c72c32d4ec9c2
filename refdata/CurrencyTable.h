#pragma once
// The built-in list of currencies: ISO 4217 letter code, the customs
// currency code, the Chinese name and a default rate in yuan per unit.
// Filled by the constructor; never loaded from a file or the server.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct CurrencyEntry {
  std::string nameGbk;      // Chinese name, GBK, at most 31 bytes
  std::string isoCode;      // ISO 4217 letter code, at most 3 bytes
  std::string customsCode;  // 3-digit customs code, "000" for none
  double defaultRate = 0;   // yuan per unit; 0 when none is built in
  double rate = 0;          // the rate in use
  std::u16string name;      // nameGbk as UTF-16
};

class CCurrencyTable {
 public:
  static constexpr size_t kNameBytes = 31;
  static constexpr size_t kCodeBytes = 3;

  // The 134 built-in currencies: the 27 with a default rate (the yuan
  // first), then the rest in the order of their letter codes.
  CCurrencyTable();
  virtual ~CCurrencyTable();
  CCurrencyTable(const CCurrencyTable&) = delete;
  CCurrencyTable& operator=(const CCurrencyTable&) = delete;

  // Appends an entry; texts longer than their fields are cut (never inside a
  // double-byte character).  A rate of 0 takes the default rate.
  void Add(std::string_view isoCode, std::string_view customsCode, std::string_view nameGbk,
           double defaultRate, double rate);

  // The first entry whose letter code equals the code byte for byte (case
  // matters); null when none.
  const CurrencyEntry* Find(std::string_view isoCode) const;
  CurrencyEntry* Find(std::string_view isoCode);
  // The rate in use of the code's entry, 1.0 for a code not in the table.
  double RateOf(std::string_view isoCode) const;

  size_t Count() const { return entries_.size(); }
  const CurrencyEntry& At(size_t index) const { return *entries_.at(index); }

 private:
  std::vector<std::unique_ptr<CurrencyEntry>> entries_;
};
