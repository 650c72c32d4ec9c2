// Scanned barcodes reduced to tracking numbers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "refdata/BarcodeNormalizer.h"

namespace {

// GS1 check digit as the standard states it: weights 3, 1, 3 ... from the
// right-most digit.
char Gs1Check(const std::string& digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = 4 - weight;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// "420" + postcode + tracking body + check digit over the tracking body.
std::string Code420(const std::string& postcode, const std::string& body, bool rightCheck) {
  char check = Gs1Check(body);
  if (!rightCheck) check = check == '9' ? '0' : static_cast<char>(check + 1);
  return "420" + postcode + body + check;
}

std::string Last(const std::string& text, size_t n) { return text.substr(text.size() - n); }

TEST(BarcodeNormalizerTest, KnownLayoutsBecomeTheirTrackingNumbers) {
  const std::string zip5 = "10001";
  const std::string zip9 = "100011234";
  const std::string tail25_92 = "92" + std::string("12345678901234567890123");
  const std::string tail25_94 = "94" + std::string("12345678901234567890123");
  const std::string tail21_93 = "93" + std::string("1234567890123456789");

  const std::string gs1Right = Code420(zip5, tail25_92, true);
  const std::string gs1Wrong = Code420(zip5, tail25_92, false);
  const std::string gs94Right = Code420(zip5, tail25_94, true);
  const std::string gs94Wrong = Code420(zip5, tail25_94, false);
  const std::string gs9Right = Code420(zip9, tail21_93, true);
  ASSERT_EQ(gs1Right.size(), 34u);
  ASSERT_EQ(gs9Right.size(), 34u);

  struct Case {
    const char* what;
    std::string code;
    int result;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"420, 5-digit postcode, 9 2, right check", gs1Right, 1, Last(gs1Right, 26)},
      {"420, 5-digit postcode, 9 2, wrong check: layout 3", gs1Wrong, 1, Last(gs1Wrong, 26)},
      {"420, 5-digit postcode, 9 4, right check", gs94Right, 1, Last(gs94Right, 26)},
      {"420, 5-digit postcode, 9 4, wrong check: layout 8", gs94Wrong, 1, Last(gs94Wrong, 12)},
      {"420, 9-digit postcode, right check", gs9Right, 1, Last(gs9Right, 22)},
      {"997001 layout", "997001AB123456789CDEFGHIJKLMN", 1, "123456789"},
      {"21 digits", "123456789012345678901", 1, "6789012345678901"},
      {"21 characters with a letter", "12345678901234567890A", 0, "12345678901234567890A"},
      {"30 digits, 420 and 9 2", "420100019212345678901234567890", 1,
       "9212345678901234567890"},
      {"30 digits, 420 and 9 3", "420100019312345678901234567890", 1,
       "9312345678901234567890"},
      {"30 digits without 420", "123456789012345678901234567890", 0,
       "123456789012345678901234567890"},
      {"% layout", "%0012345JJD01460000123ABCDEF", 1, "JJD01460000123F"},
      {"% layout with a lower-case letter", "%0012345jjd01460000123ABCDEF", 0,
       "%0012345jjd01460000123ABCDEF"},
      {"11 characters", "12345678901", 0, "12345678901"},
      {"12 characters of nothing known", "ABCDEFGHIJKL", 0, "ABCDEFGHIJKL"},
      {"blanks trimmed from a code that stays", " \t1234567890\xA1\xA1\r\n", 0, "1234567890"},
      {"blanks trimmed before the layouts", "  123456789012345678901\t", 1, "6789012345678901"},
      {"empty", "", 0, ""},
  };
  for (const Case& c : cases) {
    CBarcodeNormalizer normalizer;
    std::string code = c.code;
    EXPECT_EQ(normalizer.Normalize(code), c.result) << c.what;
    EXPECT_EQ(code, c.expected) << c.what;
  }
}

TEST(BarcodeNormalizerTest, PatternsAreFilledOnFirstUse) {
  CBarcodeNormalizer normalizer;
  EXPECT_EQ(normalizer.ShortestLength(), 64);
  EXPECT_TRUE(normalizer.Patterns().empty());
  std::string shortCode = "12345678901";
  normalizer.Normalize(shortCode);  // refused before the list is needed
  EXPECT_EQ(normalizer.ShortestLength(), 64);
  std::string code = "ABCDEFGHIJKLMN";
  normalizer.Normalize(code);
  EXPECT_EQ(normalizer.ShortestLength(), 21);
  ASSERT_EQ(normalizer.Patterns().size(), 9u);
  for (const auto& p : normalizer.Patterns()) {
    EXPECT_EQ(p.mask.size(), static_cast<size_t>(p.length));
    EXPECT_LE(p.start + p.keep, p.length);
  }
}

TEST(BarcodeNormalizerTest, MaskMatching) {
  struct Case { const char* code; const char* mask; int match; };
  const std::vector<Case> cases = {
      {"AB12", "@@##", 1}, {"Ab12", "@@##", 0}, {"AB1X", "@@##", 0},
      {"X-99", "*-##", 1}, {"X+99", "*-##", 0},
      {"AB12 and more", "@@##", 1},  // only the mask's positions count
      {"AB1", "@@##", 0},            // a shorter code never matches
      {"", "", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchBarcodeMask(c.code, c.mask), c.match) << c.code;
}

TEST(BarcodeNormalizerTest, CheckCharacters) {
  // GS1 examples (odd digit counts, where left and right weighting agree).
  EXPECT_EQ(CheckDigitMod10Left("9638507"), 4);
  EXPECT_EQ(CheckDigitMod10Left("00614141123456789"), 0);
  EXPECT_EQ(CheckDigitMod10Left(""), 0);
  // The example of ISO/IEC 7064 for MOD 37,36.
  EXPECT_EQ(CheckCharMod37_36("A12425GABC1234002"), 'M');
  EXPECT_EQ(CheckCharMod37_36("JJD01460000123"), 'F');
  EXPECT_EQ(CheckCharMod37_36("AB-1"), '\0');

  std::string out = "untouched";
  EXPECT_FALSE(ExtractFrom420Barcode("4201000192123456789012345678901234X", out));
  EXPECT_FALSE(ExtractFrom420Barcode("5201000192123456789012345678901234", out));
  EXPECT_FALSE(ExtractFrom420Barcode("42010001921234567890123456789012", out));
  EXPECT_EQ(out, "untouched");
}

}  // namespace
