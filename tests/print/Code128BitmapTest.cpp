// Code 128 pictures: every drawn barcode is read back by zxing-cpp to exactly
// the characters encoded; the geometry of the known examples; refusals.

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <string>

#include "print/Code128Bitmap.h"
#include "tests/TempFolder.h"
#include "tests/print/BarcodeDecode.h"

namespace {

using barcodetest::Decode;
using barcodetest::HeaderU32;
using barcodetest::RunWidths;

barcodetest::Decoded DecodeCode128(const CCode128Bitmap& bitmap) {
  return Decode(bitmap.FileImage(), static_cast<size_t>(bitmap.FileSize()),
                ZXing::BarcodeFormat::Code128);
}

struct Code128Case {
  const char* name;
  std::string text;
  const char* codeSets;
  std::string encoded;  // what a scanner reads
  bool noText = false;
  int magnification = 2;
  int direction = 0;
  int topLines = 0;
  int bottomLines = 0;
};

class Code128DecodeTest : public ::testing::TestWithParam<Code128Case> {};

TEST_P(Code128DecodeTest, ZxingReadsExactlyTheEncodedCharacters) {
  const Code128Case& c = GetParam();
  CCode128Bitmap bitmap;
  bitmap.SetMagnification(c.magnification);
  if (c.topLines) bitmap.SetTopLineRows(c.topLines);
  if (c.bottomLines) bitmap.SetBottomLineRows(c.bottomLines);
  ASSERT_TRUE(bitmap.Render(c.text, 50, c.noText, c.codeSets, c.direction));
  EXPECT_LE(bitmap.FileSize(), CCode128Bitmap::kImageCapacity);
  const auto decoded = DecodeCode128(bitmap);
  ASSERT_TRUE(decoded.opened);
  EXPECT_EQ(decoded.width, bitmap.Width());
  EXPECT_EQ(decoded.height, bitmap.Height());
  ASSERT_TRUE(decoded.valid);
  EXPECT_EQ(decoded.bytes, c.encoded);
}

// 60 characters.
const std::string kSixty = "DEPOT 0123456789 SHENZHEN-HKG AIR FREIGHT 2026/12/11 PCS:042";

INSTANTIATE_TEST_SUITE_P(
    Cases, Code128DecodeTest,
    ::testing::Values(
        Code128Case{"SetAFastPath", "ABC123", nullptr, "ABC123", false, 1},
        Code128Case{"SetAFastPathNoText", "ABC123", nullptr, "ABC123", true},
        Code128Case{"SetAWithSigns", "HK-SZ/7 *#", nullptr, "HK-SZ/7 *#"},
        Code128Case{"SetBAutomatic", "hello, World~", nullptr, "hello, World~"},
        Code128Case{"SetCAutomatic", "12345678901234", nullptr, "12345678901234", false, 1},
        Code128Case{"BThenCAutomatic", "ab1234567", nullptr, "ab1234567"},
        Code128Case{"BCBAutomatic", "SF1234567890x", nullptr, "SF1234567890x", true},
        Code128Case{"ThreeSetChanges", "AB12cd", "A2C2B2", "AB12cd"},
        Code128Case{"LowerCaseSetLetters", "x1234Y", "b1c4a1", "x1234Y"},
        Code128Case{"SpecificationEndsEarly", "ABCDEF", "A3", "ABC"},
        Code128Case{"SixtyCharacters", kSixty, nullptr, kSixty, true},
        Code128Case{"QuarterTurnMagnified", "ABC123", nullptr, "ABC123", false, 3, 1},
        Code128Case{"HalfTurn", "SZX987654321", nullptr, "SZX987654321", false, 2, 2},
        Code128Case{"ThreeQuarterTurn", "ab1234567", nullptr, "ab1234567", false, 2, 3},
        Code128Case{"TopAndBottomLines", "ABC123", nullptr, "ABC123", false, 2, 0, 3, 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Code128Bitmap, FastPathGeometryAndCheckSymbol) {
  CCode128Bitmap bitmap;
  bitmap.SetMagnification(1);
  ASSERT_TRUE(bitmap.Render("ABC123", 50, false, nullptr, 0));
  EXPECT_EQ(bitmap.Width(), 117);
  EXPECT_EQ(bitmap.RowWidth(), 128);
  EXPECT_EQ(bitmap.Height(), 60);
  const uint8_t* file = bitmap.FileImage();
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(HeaderU32(file, 2), 62u + 16u * 60u);
  EXPECT_EQ(bitmap.FileSize(), 62 + 16 * 60);
  EXPECT_EQ(HeaderU32(file, 10), 62u);
  EXPECT_EQ(HeaderU32(file, 18), 117u);
  EXPECT_EQ(HeaderU32(file, 22), 60u);
  EXPECT_EQ(HeaderU32(file, 34), 16u * 60u);
  // Start A (211412) after the 8-pixel quiet zone; the check symbol
  // (103 + 1*33 + 2*34 + 3*35 + 4*17 + 5*18 + 6*19) mod 103 = 66 (121421)
  // after the six characters; then the stop symbol.
  EXPECT_EQ(RunWidths(file, 0, 0, 7), "8211412");
  EXPECT_EQ((103 + 1 * 33 + 2 * 34 + 3 * 35 + 4 * 17 + 5 * 18 + 6 * 19) % 103, 66);
  EXPECT_EQ(RunWidths(file, 8 + 7 * 11, 0, 6), "121421");
  EXPECT_EQ(RunWidths(file, 8 + 8 * 11, 0, 8), "2331112" "8");
  // The text rows: a white row under the bars, glyphs below.
  EXPECT_EQ(RunWidths(file, 0, 50, 1), std::string(1, static_cast<char>('0' + 117)));
}

TEST(Code128Bitmap, AutomaticCodeSets) {
  CCode128Bitmap bitmap;
  bitmap.SetMagnification(1);
  // 14 digits: Start C, seven pairs, check, stop.
  ASSERT_TRUE(bitmap.Render("12345678901234", 50, false, nullptr, 0));
  EXPECT_EQ(bitmap.Width(), 128);
  EXPECT_EQ(RunWidths(bitmap.FileImage(), 8, 0, 6), "211232");

  // ab1234567 is drawn exactly as by the code-set plan B3C6.
  CCode128Bitmap automatic;
  CCode128Bitmap specified;
  ASSERT_TRUE(automatic.Render("ab1234567", 50, false, nullptr, 0));
  ASSERT_TRUE(specified.Render("ab1234567", 50, false, "B3C6", 0));
  ASSERT_EQ(automatic.FileSize(), specified.FileSize());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(automatic.FileImage()), automatic.FileSize()),
            std::string(reinterpret_cast<const char*>(specified.FileImage()), specified.FileSize()));
  CCode128Bitmap setB;
  ASSERT_TRUE(setB.Render("ab1234567", 50, false, "B", 0));
  EXPECT_NE(setB.Width(), automatic.Width());
}

TEST(Code128Bitmap, RefusedTexts) {
  struct Refusal {
    std::string text;
    const char* codeSets;
  };
  const Refusal refusals[] = {
      {"ABCDE", "B3B2"},          // the same set twice
      {"ABCDE", "B3b2"},          // either case
      {"ABCDE", "B2C3"},          // odd set C count
      {"12AB", "C4"},             // letters where digits are wanted
      {"abc", "A"},               // lower case in set A
      {"", nullptr},              // empty
      {std::string(61, 'A'), nullptr},
      {"AB\tC", nullptr},         // control character
      {"\xD6\xD0", nullptr},      // GBK text
      {"ABC", "X"},               // no group at all
  };
  for (const auto& r : refusals) {
    CCode128Bitmap bitmap;
    EXPECT_FALSE(bitmap.Render(r.text, 50, false, r.codeSets, 0))
        << r.text << " / " << (r.codeSets ? r.codeSets : "automatic");
    EXPECT_FALSE(bitmap.SaveFile(std::filesystem::temp_directory_path() / "never.bmp"));
  }
}

TEST(Code128Bitmap, BarHeightLimits) {
  for (const auto& [given, rows] : {std::pair{5, 20}, std::pair{-1, 20}, std::pair{400, 150},
                                    std::pair{80, 80}}) {
    CCode128Bitmap bitmap;
    ASSERT_TRUE(bitmap.Render("ABC123", given, false, nullptr, 0));
    EXPECT_EQ(bitmap.Height(), rows + 10) << given;
    ASSERT_TRUE(bitmap.Render("ABC123", given, true, nullptr, 0));
    EXPECT_EQ(bitmap.Height(), rows) << given;
  }
}

TEST(Code128Bitmap, TurnsAndMagnification) {
  CCode128Bitmap bitmap;
  bitmap.SetMagnification(1);
  ASSERT_TRUE(bitmap.Render("ABC123", 50, false, nullptr, 1));
  EXPECT_EQ(bitmap.Width(), 60);
  EXPECT_EQ(bitmap.Height(), 117);
  EXPECT_EQ(bitmap.RowWidth(), 64);

  CCode128Bitmap magnified;
  magnified.SetMagnification(3);
  ASSERT_TRUE(magnified.Render("ABC123", 50, false, nullptr, 0));
  EXPECT_EQ(magnified.Width(), 351);
  EXPECT_EQ(RunWidths(magnified.FileImage(), 0, 0, 7), "H633<36");  // 24, then 211412 x 3

  // Too wide for the file image at 8: the magnification steps down until it fits.
  CCode128Bitmap wide;
  wide.SetMagnification(8);
  ASSERT_TRUE(wide.Render(kSixty, 150, false, nullptr, 0));
  EXPECT_LE(wide.FileSize(), CCode128Bitmap::kImageCapacity);
  CCode128Bitmap single;
  single.SetMagnification(1);
  ASSERT_TRUE(single.Render(kSixty, 150, false, nullptr, 0));
  EXPECT_EQ(wide.Width(), 2 * single.Width());
  const auto decoded = DecodeCode128(wide);
  EXPECT_TRUE(decoded.valid);
  EXPECT_EQ(decoded.bytes, kSixty);
}

class Code128FileTest : public testsupport::TempFolderTest {};

TEST_F(Code128FileTest, SavedFileOpensAndForbiddenCharactersAreReplaced) {
  CCode128Bitmap bitmap;
  ASSERT_TRUE(bitmap.Render("A:B", 50, false, nullptr, 0));
  ASSERT_TRUE(bitmap.SaveFile(folder_ / "A:B_N11.bmp"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "AcB_N11.bmp"));
  QImage image(QString::fromStdString((folder_ / "AcB_N11.bmp").string()));
  EXPECT_EQ(image.width(), bitmap.Width());

  // A slash in the number never reaches a sub-folder.
  ASSERT_TRUE(bitmap.Render("SZ/123", 50, false, nullptr, 0));
  ASSERT_TRUE(bitmap.SaveFile(folder_ / "SZ/123_N11.bmp"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "SZs123_N11.bmp"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "SZ"));

  // What the letters leave unsafe becomes "_": no hidden file, no "..".
  ASSERT_TRUE(bitmap.Render("..%1", 50, false, nullptr, 0));
  ASSERT_TRUE(bitmap.SaveFile(folder_ / "..%1_N11.bmp"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "___1_N11.bmp"));

  EXPECT_FALSE(bitmap.SaveFile(folder_ / "missing" / "x.bmp"));
}

}  // namespace
