// Codabar pictures in both forms, read back by zxing-cpp (start and stop
// characters included); geometry of the known examples; bar heights.

#include <gtest/gtest.h>

#include <string>

#include "print/CodabarBitmap.h"
#include "tests/TempFolder.h"
#include "tests/print/BarcodeDecode.h"

namespace {

barcodetest::Decoded DecodeCodabar(const CCodabarBitmap& bitmap) {
  return barcodetest::Decode(bitmap.FileImage(), static_cast<size_t>(bitmap.FileSize()),
                             ZXing::BarcodeFormat::Codabar);
}

TEST(CodabarBitmap, BothFormsReadBackExactly) {
  struct Case {
    std::string text;
    std::string read;
  };
  const Case cases[] = {
      {"A1234B", "A1234B"},
      {"a1234b", "A1234B"},
      {"C-$:/.+D", "C-$:/.+D"},
      {"D0123456789D", "D0123456789D"},
      {"A" + std::string(58, '7') + "C", "A" + std::string(58, '7') + "C"},
  };
  for (const Case& c : cases) {
    for (bool wide : {false, true}) {
      CCodabarBitmap bitmap;
      if (!bitmap.Render(c.text, 60, wide)) {
        // Only the wide form of the longest text is too large for the file image.
        EXPECT_TRUE(wide && c.text.size() == 60) << c.text;
        continue;
      }
      EXPECT_LE(bitmap.FileSize(), CCodabarBitmap::kImageCapacity);
      const auto decoded = DecodeCodabar(bitmap);
      ASSERT_TRUE(decoded.opened) << c.text;
      EXPECT_EQ(decoded.width, bitmap.Width());
      EXPECT_EQ(decoded.height, bitmap.Height());
      EXPECT_TRUE(decoded.valid) << c.text << (wide ? " wide" : " normal");
      EXPECT_EQ(decoded.bytes, c.read) << (wide ? " wide" : " normal");
      EXPECT_EQ(bitmap.Text(), c.read);
    }
  }
}

TEST(CodabarBitmap, Geometry) {
  CCodabarBitmap bitmap;
  ASSERT_TRUE(bitmap.Render("a1234b", 50, false));
  EXPECT_EQ(bitmap.Width(), 20 + 12 + 4 * 11 + 12);
  EXPECT_EQ(bitmap.RowWidth(), 96);
  EXPECT_EQ(bitmap.Height(), 62);
  EXPECT_EQ(bitmap.FileSize(), 62 + 12 * 62);
  // A (0011010): narrow 1, wide 2, after 10 white pixels; 2 white after it.
  EXPECT_EQ(barcodetest::RunWidths(bitmap.FileImage(), 0, 0, 9), ":11221212");

  ASSERT_TRUE(bitmap.Render("a1234b", 50, true));
  EXPECT_EQ(bitmap.Width(), 40 + 27 + 4 * 25 + 27);
  EXPECT_EQ(bitmap.Height(), 50);
  // Narrow 2, wide 5, 20 white pixels first, 4 after a three-wide character.
  EXPECT_EQ(barcodetest::RunWidths(bitmap.FileImage(), 0, 0, 9), "D22552524");

  for (bool wide : {false, true}) {
    ASSERT_TRUE(bitmap.Render("A1B", 200, wide));
    EXPECT_EQ(bitmap.Height(), 160);
  }
}

TEST(CodabarBitmap, MissingOrTinyBarHeightStillDrawsReadableBars) {
  for (int given : {-1, 0, -20, 3}) {
    for (bool wide : {false, true}) {
      CCodabarBitmap bitmap;
      ASSERT_TRUE(bitmap.Render("A20261211B", given, wide)) << given;
      EXPECT_GE(bitmap.Height() - (wide ? 0 : 12), CCodabarBitmap::kMinBarHeight) << given;
      const auto decoded = DecodeCodabar(bitmap);
      EXPECT_TRUE(decoded.valid) << given << (wide ? " wide" : " normal");
      EXPECT_EQ(decoded.bytes, "A20261211B");
    }
  }
  CCodabarBitmap missing;
  ASSERT_TRUE(missing.Render("A1B", -1, false));
  EXPECT_EQ(missing.Height(), CCodabarBitmap::kDefaultBarHeight + 12);
}

TEST(CodabarBitmap, RefusedTexts) {
  CCodabarBitmap bitmap;
  EXPECT_FALSE(bitmap.Render("12#4", 50, false));
  EXPECT_FALSE(bitmap.Render("A1E", 50, false));
  EXPECT_FALSE(bitmap.Render(std::string(61, '1'), 50, false));
  EXPECT_FALSE(bitmap.Render(std::string("A1\0B", 4), 50, false));
  EXPECT_FALSE(bitmap.Render("", 50, false));
  EXPECT_FALSE(bitmap.SaveFile("/nonexistent/never.bmp"));
}

class CodabarFileTest : public testsupport::TempFolderTest {};

TEST_F(CodabarFileTest, SaveFileWritesTheImage) {
  CCodabarBitmap bitmap;
  ASSERT_TRUE(bitmap.Render("A123B", 40, false));
  ASSERT_TRUE(bitmap.SaveFile(folder_ / "nw7.bmp"));
  EXPECT_EQ(std::filesystem::file_size(folder_ / "nw7.bmp"), static_cast<uintmax_t>(bitmap.FileSize()));
  EXPECT_FALSE(bitmap.SaveFile(folder_ / "missing" / "nw7.bmp"));
}

}  // namespace
