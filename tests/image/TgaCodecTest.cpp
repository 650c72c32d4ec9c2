// The TGA codec: header checks, colour maps, run-length rows, orientation,
// the encoder's layout, Qt's reader for true colour and ImageMagick for
// colour-mapped files.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>

#include "image/ImageStream.h"
#include "image/TgaCodec.h"
#include "tests/TempFolder.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

// The 18-byte header.
Bytes TgaHeader(uint8_t imageType, uint16_t width, uint16_t height, uint8_t depth, uint8_t descriptor = 0,
                uint8_t mapType = 0, uint16_t mapLength = 0, uint8_t mapBits = 0, uint8_t idLength = 0) {
  Bytes b = {idLength, mapType, imageType};
  Put16(b, 0);
  Put16(b, mapLength);
  b.push_back(mapBits);
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, width);
  Put16(b, height);
  b.push_back(depth);
  b.push_back(descriptor);
  return b;
}

Bytes Tga(const Bytes& header, const Bytes& rest) {
  Bytes b = header;
  Append(b, rest);
  return b;
}

TEST(TgaCodecTest, HeaderChecks) {
  CRasterImage image(0u);
  EXPECT_FALSE(DecodeBytes(image, Bytes(17, 0), FormatTga));
  EXPECT_STREQ(image.GetLastError(), "Not a TGA");
  struct Case {
    Bytes header;
    const char* error;
  } cases[] = {
      {TgaHeader(4, 1, 1, 24), "Unknown TGA image type"},
      {TgaHeader(0, 1, 1, 24), "Unknown TGA image type"},
      {TgaHeader(2, 0, 1, 24), "bad TGA header"},
      {TgaHeader(2, 1, 0, 24), "bad TGA header"},
      {TgaHeader(2, 1, 1, 0), "bad TGA header"},
      {TgaHeader(2, 1, 1, 12), "bad TGA header"},
      {TgaHeader(1, 1, 1, 8, 0, 1, 300, 24), "bad TGA header"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(DecodeBytes(image, Tga(c.header, Bytes(1024, 0)), FormatTga));
    EXPECT_STREQ(image.GetLastError(), c.error);
  }
  EXPECT_FALSE(DecodeBytes(image, TgaHeader(2, 65535, 65535, 24), FormatTga));
  EXPECT_STREQ(image.GetLastError(), "TGA Create failed");
  // The pixels run out before the last row.
  EXPECT_FALSE(DecodeBytes(image, Tga(TgaHeader(2, 2, 3, 24), Bytes(12, 1)), FormatTga));
  EXPECT_STREQ(image.GetLastError(), "corrupted TGA");
}

TEST(TgaCodecTest, PixelDepthsAndTheIdField) {
  // 15/16 bits: 0x7FFF is (248, 248, 248); the top bit means nothing.
  Bytes sixteen;
  Put16(sixteen, 0x7FFF);
  Put16(sixteen, 0x801F);  // blue only
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, Tga(TgaHeader(2, 2, 1, 16, 0, 0, 0, 0, 3), Tga({'a', 'b', 'c'}, sixteen)), FormatTga))
      << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24u);
  ExpectColour(image.GetPixelColor(0, 0, false), 248, 248, 248);
  ExpectColour(image.GetPixelColor(1, 0, false), 0, 0, 248);
  // Greyscale: a grey palette.
  ASSERT_TRUE(DecodeBytes(image, Tga(TgaHeader(3, 2, 1, 8), {0, 200}), FormatTga));
  EXPECT_EQ(image.GetBpp(), 8u);
  ExpectColour(image.GetPixelColor(1, 0, false), 200, 200, 200);
}

TEST(TgaCodecTest, ColourMapsAreReadByTheirEntrySize) {
  // Two entries, then pixels 1 0: each map layout must leave the pixels
  // where they are.
  struct Case {
    uint8_t bits;
    Bytes map;
  } cases[] = {
      {24, {10, 20, 30, 40, 50, 60}},
      {32, {10, 20, 30, 99, 40, 50, 60, 99}},
      {16, {0xFF, 0x7F, 0x1F, 0x00}},  // white; blue 248
      {15, {0xFF, 0x7F, 0x1F, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.bits));
    Bytes rest = c.map;
    Append(rest, {1, 0});
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, Tga(TgaHeader(1, 2, 1, 8, 0, 1, 2, c.bits), rest), FormatTga))
        << image.GetLastError();
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 0);
    if (c.bits >= 24) {
      ExpectColour(image.GetPaletteColor(0), 30, 20, 10);
      ExpectColour(image.GetPaletteColor(1), 60, 50, 40);
    } else {
      ExpectColour(image.GetPaletteColor(0), 248, 248, 248);
      ExpectColour(image.GetPaletteColor(1), 0, 0, 248);
    }
  }
}

TEST(TgaCodecTest, AMapBesideTrueColourPixelsIsPassedOver) {
  // Two 16-bit entries before 24-bit pixels.
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, Tga(TgaHeader(2, 2, 1, 24, 0, 1, 2, 16), {1, 2, 3, 4, 7, 8, 9, 4, 5, 6}), FormatTga))
      << image.GetLastError();
  ExpectColour(image.GetPixelColor(0, 0, false), 9, 8, 7);
  ExpectColour(image.GetPixelColor(1, 0, false), 6, 5, 4);
  // A full 256-entry map beside a single pixel.
  Bytes rest(768, 0xEE);
  Append(rest, {1, 2, 3});
  ASSERT_TRUE(DecodeBytes(image, Tga(TgaHeader(2, 1, 1, 24, 0, 1, 256, 24), rest), FormatTga));
  ExpectColour(image.GetPixelColor(0, 0, false), 3, 2, 1);
}

TEST(TgaCodecTest, RunLengthRowsCrossingRowEndsDecodeLikeTheirRawTwin) {
  // 3 x 3, 24 bits: a run of 5 (rows 0 and 1), a literal of 3 crossing into
  // row 2, a run of 2.
  const Bytes a = {1, 2, 3}, b = {4, 5, 6}, c = {7, 8, 9}, d = {10, 11, 12}, e = {13, 14, 15};
  Bytes raw;
  for (const Bytes* p : {&a, &a, &a, &a, &a, &b, &c, &d, &e, &e}) Append(raw, *p);
  raw.resize(27);
  Bytes rle = {0x80 + 4};
  Append(rle, a);
  rle.push_back(2);
  Append(rle, b);
  Append(rle, c);
  Append(rle, d);
  rle.push_back(0x80 + 1);
  Append(rle, e);
  for (uint8_t descriptor : {0, 0x20}) {
    SCOPED_TRACE(static_cast<int>(descriptor));
    CRasterImage plain(0u), packed(0u);
    ASSERT_TRUE(DecodeBytes(plain, Tga(TgaHeader(2, 3, 3, 24, descriptor), raw), FormatTga)) << plain.GetLastError();
    ASSERT_TRUE(DecodeBytes(packed, Tga(TgaHeader(10, 3, 3, 24, descriptor), rle), FormatTga)) << packed.GetLastError();
    EXPECT_EQ(Bytes(packed.GetBits(0), packed.GetBits(0) + packed.GetHeader().biSizeImage),
              Bytes(plain.GetBits(0), plain.GetBits(0) + plain.GetHeader().biSizeImage));
    // File row 1 is 'a a b'.
    ExpectColour(descriptor ? At(packed, 2, 1) : packed.GetPixelColor(2, 1, false), 6, 5, 4);
  }
}

TEST(TgaCodecTest, TopDownThirtyTwoBitsStandUprightWithTheirAlpha) {
  // 2 x 2, top row first: red 10, green 20 / blue 30, white 40.
  Bytes pixels = {0, 0, 255, 10, 0, 255, 0, 20, 255, 0, 0, 30, 255, 255, 255, 40};
  for (uint8_t descriptor : {0x28, 0x38}) {
    SCOPED_TRACE(static_cast<int>(descriptor));
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, Tga(TgaHeader(2, 2, 2, 32, descriptor), pixels), FormatTga)) << image.GetLastError();
    ASSERT_TRUE(image.HasAlpha());
    const bool mirrored = descriptor & 0x10;
    ExpectColour(At(image, mirrored ? 1 : 0, 0), 255, 0, 0);
    EXPECT_EQ(image.GetAlpha(mirrored ? 1 : 0, 1), 10);
    ExpectColour(At(image, mirrored ? 0 : 1, 0), 0, 255, 0);
    EXPECT_EQ(image.GetAlpha(mirrored ? 0 : 1, 1), 20);
    ExpectColour(At(image, mirrored ? 1 : 0, 1), 0, 0, 255);
    EXPECT_EQ(image.GetAlpha(mirrored ? 1 : 0, 0), 30);
    EXPECT_EQ(image.GetAlpha(mirrored ? 0 : 1, 0), 40);
  }
}

TEST(TgaCodecTest, EncoderLayout) {
  CRasterImage image(2, 1, 24, 0);
  image.SetPixelColor(0, 0, RGBQUAD{1, 2, 3, 0});
  image.CreateAlpha();
  image.SetAlpha(1, 0, 100);
  Bytes expected = TgaHeader(2, 2, 1, 32);
  Append(expected, {1, 2, 3, 255, 0, 0, 0, 100});
  EXPECT_EQ(EncodeBytes(image, FormatTga), expected);

  CRasterImage palette(3, 1, 8, 0);
  palette.SetPaletteColor(1, 9, 8, 7);
  palette.SetPixelIndex(2, 0, 1);
  Bytes out = EncodeBytes(palette, FormatTga);
  ASSERT_EQ(out.size(), 18u + 768u + 3u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 18), TgaHeader(1, 3, 1, 8, 0, 1, 256, 24));
  EXPECT_EQ(Bytes(out.begin() + 21, out.begin() + 24), (Bytes{7, 8, 9}));
  EXPECT_EQ(Bytes(out.end() - 3, out.end()), (Bytes{0, 0, 1}));

  CRasterImage four(3, 1, 4, 0);
  EXPECT_TRUE(EncodeBytes(four, FormatTga).empty());
  EXPECT_STREQ(four.GetLastError(), "Bit depth must be 8 or 24");

  std::FILE* readOnly = std::fopen("/proc/self/cmdline", "rb");
  ASSERT_NE(readOnly, nullptr);
  CImageFileStream stream(readOnly);
  EXPECT_FALSE(image.Encode(&stream, FormatTga));
  EXPECT_STREQ(image.GetLastError(), "Can't write TGA file");
  std::fclose(readOnly);
}

TEST(TgaCodecTest, QtReadsOurTrueColourFilesWithEqualPixels) {
  for (bool withAlpha : {false, true}) {
    SCOPED_TRACE(withAlpha);
    CRasterImage image = Pattern(24);
    if (withAlpha) {
      image.CreateAlpha();
      for (int x = 0; x < 13; ++x) image.SetAlpha(x, x % 7, static_cast<uint8_t>(x * 20));
    }
    Bytes out = EncodeBytes(image, FormatTga);
    // Qt's reader takes only files with the version 2 footer, which readers
    // of the first version pass over: the test adds one (no extension area,
    // no developer area).
    Bytes withFooter = out;
    Append(withFooter, Bytes(8, 0));
    for (char ch : std::string("TRUEVISION-XFILE.")) withFooter.push_back(static_cast<uint8_t>(ch));
    withFooter.push_back(0);
    QImage qt = QImage::fromData(withFooter.data(), static_cast<int>(withFooter.size()), "TGA");
    ASSERT_FALSE(qt.isNull());
    ASSERT_EQ(qt.width(), 13);
    ASSERT_EQ(qt.height(), 7);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        RGBQUAD c = image.GetPixelColor(x, 6 - y, true);
        QRgb q = qt.pixel(x, y);
        if (withAlpha) {
          ASSERT_EQ(qAlpha(q), c.rgbReserved) << x << "," << y;
        }
        ASSERT_EQ(qRed(q), c.rgbRed) << x << "," << y;
        ASSERT_EQ(qGreen(q), c.rgbGreen) << x << "," << y;
        ASSERT_EQ(qBlue(q), c.rgbBlue) << x << "," << y;
      }
    CRasterImage back(0u);
    ASSERT_TRUE(DecodeBytes(back, out, FormatUnknown)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), FormatTga);
    EXPECT_EQ(back.HasAlpha(), withAlpha);
  }
}

class TgaFileTest : public testsupport::TempFolderTest {};

TEST_F(TgaFileTest, ImageMagickReadsOurColourMappedFilesWithEqualPixels) {
  CRasterImage image = Pattern(8);
  std::string path = (folder_ / "mapped.tga").string();
  WriteFile(path, EncodeBytes(image, FormatTga));
  // ImageMagick keeps bottom-up rows as stored and only names their
  // orientation: -auto-orient stands them upright.
  std::string command = "/usr/bin/convert '" + path + "' -auto-orient -depth 8 rgb:- 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  Bytes rgb(13 * 7 * 3 + 1);
  size_t got = std::fread(rgb.data(), 1, rgb.size(), pipe);
  ASSERT_EQ(pclose(pipe), 0);
  ASSERT_EQ(got, 13u * 7u * 3u);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) {
      RGBQUAD c = At(image, x, y);
      const uint8_t* p = &rgb[(y * 13 + x) * 3];
      ASSERT_EQ(p[0], c.rgbRed) << x << "," << y;
      ASSERT_EQ(p[1], c.rgbGreen) << x << "," << y;
      ASSERT_EQ(p[2], c.rgbBlue) << x << "," << y;
    }
  // And the file loads again through detection.
  CRasterImage loaded(0u);
  ASSERT_TRUE(loaded.Load(path.c_str(), FormatUnknown)) << loaded.GetLastError();
  EXPECT_EQ(loaded.GetType(), FormatTga);
  EXPECT_EQ(Bytes(loaded.GetDib(), loaded.GetDib() + loaded.GetSize()),
            Bytes(image.GetDib(), image.GetDib() + image.GetSize()));
}

}  // namespace
