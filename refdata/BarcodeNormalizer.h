#pragma once
// Reduces a scanned carrier barcode to the tracking number the system keeps:
// GS1-128 "420" codes (ship-to postcode, then the tracking number), a fixed
// list of label layouts with a kept part, and "%" codes that get an
// ISO/IEC 7064 MOD 37,36 check character.  Every other code stays.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct BarcodePattern {
  int32_t length = 0;  // total length of the code
  int32_t start = 0;   // first position of the kept part (from 0)
  int32_t keep = 0;    // length of the kept part
  // At most 63 characters: "*" any character, "#" a digit, "@" a letter
  // "A"-"Z", any other character itself.
  std::string mask;
};

class CBarcodeNormalizer {
 public:
  // The shortest pattern length while the list is not yet filled.
  static constexpr int32_t kUnfilled = 64;

  CBarcodeNormalizer() = default;
  virtual ~CBarcodeNormalizer() = default;

  // Trims the code (blanks, tabs, line ends, ideographic blanks) in place and
  // replaces it by its tracking number when a layout fits: 1 then, else 0.
  int Normalize(std::string& code);
  // Fills the nine layouts, in the order they are tried.
  void LoadPatterns();
  void AddPattern(int32_t length, int32_t start, int32_t keep, std::string_view mask);

  const std::vector<BarcodePattern>& Patterns() const { return patterns_; }
  int32_t ShortestLength() const { return shortest_; }

 private:
  std::vector<BarcodePattern> patterns_;
  int32_t shortest_ = kUnfilled;
};

// 1 when every position of the mask matches the code's character there (a
// code shorter than the mask does not match), else 0.
int MatchBarcodeMask(std::string_view code, std::string_view mask);
// A 34-digit "420" code whose tracking number starts at position 8 (5-digit
// postcode) or 12 (9-digit postcode) with service digits "9" and "2".."6" and
// a right check digit: true and the tracking number (26 or 22 digits, check
// digit included) in `output`; false and `output` untouched otherwise.
bool ExtractFrom420Barcode(std::string_view code, std::string& output);
// Digits weighted 3, 1, 3, 1 ... from the left; 0 when the sum ends in 0,
// else 10 minus its last digit.
int CheckDigitMod10Left(std::string_view digits);
// The ISO/IEC 7064 MOD 37,36 check character of digits and upper-case
// letters; '\0' when the text holds another character.
char CheckCharMod37_36(std::string_view text);
