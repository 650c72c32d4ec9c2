#include "refdata/BarcodeNormalizer.h"

#include "common/GbkText.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// Tracking number from `start` when the service digits there are "9" and
// "2".."6" and the check digit over start .. 32 is the code's last digit.
bool TryTracking(std::string_view code, size_t start, std::string& output) {
  if (code[start] != '9' || code[start + 1] < '2' || code[start + 1] > '6') return false;
  const int check = CheckDigitMod10Left(code.substr(start, 33 - start));
  if (check != code[33] - '0') return false;
  output.assign(code.substr(start));
  return true;
}

}  // namespace

int CheckDigitMod10Left(std::string_view digits) {
  int sum = 0;
  bool three = true;
  for (char c : digits) {
    sum += (c - '0') * (three ? 3 : 1);
    three = !three;
  }
  const int rest = sum % 10;
  return rest == 0 ? 0 : 10 - rest;
}

char CheckCharMod37_36(std::string_view text) {
  int p = 36;
  for (char c : text) {
    int value;
    if (IsDigit(c))
      value = c - '0';
    else if (IsUpper(c))
      value = c - 'A' + 10;
    else
      return '\0';
    p += value;
    if (p > 36) p -= 36;
    p *= 2;
    if (p >= 37) p -= 37;
  }
  const int check = 37 - p;
  if (check == 36) return '0';
  if (check >= 10) return static_cast<char>('A' + check - 10);
  return static_cast<char>('0' + check);
}

int MatchBarcodeMask(std::string_view code, std::string_view mask) {
  if (code.size() < mask.size()) return 0;
  for (size_t i = 0; i < mask.size(); ++i) {
    const char m = mask[i];
    const char c = code[i];
    if (m == '*') continue;
    if (m == '#') {
      if (!IsDigit(c)) return 0;
    } else if (m == '@') {
      if (!IsUpper(c)) return 0;
    } else if (m != c) {
      return 0;
    }
  }
  return 1;
}

bool ExtractFrom420Barcode(std::string_view code, std::string& output) {
  if (code.size() != 34 || code.substr(0, 3) != "420") return false;
  for (char c : code) {
    if (!IsDigit(c)) return false;
  }
  return TryTracking(code, 8, output) || TryTracking(code, 12, output);
}

void CBarcodeNormalizer::AddPattern(int32_t length, int32_t start, int32_t keep,
                                    std::string_view mask) {
  BarcodePattern pattern;
  pattern.length = length;
  pattern.start = start;
  pattern.keep = keep;
  pattern.mask.assign(mask.substr(0, 63));
  patterns_.push_back(std::move(pattern));
}

void CBarcodeNormalizer::LoadPatterns() {
  patterns_.clear();
  AddPattern(29, 8, 9, "997001***********************");
  AddPattern(34, 12, 22, "420#########92####################");
  AddPattern(34, 8, 26, "420#####92########################");
  AddPattern(34, 12, 22, "420#########93####################");
  AddPattern(34, 8, 26, "420#####93########################");
  AddPattern(30, 8, 22, "420#####92####################");
  AddPattern(30, 8, 22, "420#####93####################");
  AddPattern(34, 22, 12, "**********************############");
  AddPattern(21, 5, 16, "#####################");
  shortest_ = 21;
}

int CBarcodeNormalizer::Normalize(std::string& code) {
  TrimBlanksIdeo(code);
  if (code.size() < 12) return 0;

  std::string tracking;
  if (code.size() == 34 && ExtractFrom420Barcode(code, tracking)) {
    code = std::move(tracking);
    return 1;
  }

  if (shortest_ == kUnfilled) LoadPatterns();
  if (code.size() < static_cast<size_t>(shortest_)) return 0;

  for (const BarcodePattern& pattern : patterns_) {
    if (code.size() != static_cast<size_t>(pattern.length)) continue;
    if (!MatchBarcodeMask(code, pattern.mask)) continue;
    code = code.substr(static_cast<size_t>(pattern.start), static_cast<size_t>(pattern.keep));
    return 1;
  }

  if (code.size() == 28 && code[0] == '%') {
    const std::string part = code.substr(8, 14);
    const char check = CheckCharMod37_36(part);
    // Scanners deliver that part in upper case; anything else has no check
    // character, and the code stays as scanned.
    if (check == '\0') return 0;
    code = part + check;
    return 1;
  }
  return 0;
}
