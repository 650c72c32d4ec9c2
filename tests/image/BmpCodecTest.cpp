// The BMP codec: the header forms, bit fields, run-length data, top-down
// files, the encoder's layout, and Qt's reader and writer as the other side.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "image/BmpCodec.h"
#include "image/ImageStream.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

TEST(BmpCodecTest, HeaderlessStreamReadsPixelsRightAfterThePalette) {
  Bytes data = InfoHeader(2, 2, 8, 0, 0, 2);
  Append(data, {0, 0, 255, 0, 255, 0, 0, 0});  // red, blue
  Append(data, {1, 0, 0, 0, 0, 1, 0, 0});      // bottom row, top row
  for (uint32_t type : {FormatBmp, FormatUnknown}) {
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, data, type)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 8u);
    EXPECT_EQ(image.GetNumColors(), 256u);
    ExpectColour(image.GetPixelColor(0, 0, false), 0, 0, 255);
    ExpectColour(image.GetPixelColor(1, 0, false), 255, 0, 0);
    ExpectColour(image.GetPixelColor(0, 1, false), 255, 0, 0);
    ExpectColour(image.GetPixelColor(1, 1, false), 0, 0, 255);
  }
}

TEST(BmpCodecTest, HeaderSizesDecideWhatIsAccepted) {
  // A 40-byte header is taken as it stands, even with a wrong image size.
  Bytes loose = BmpFile(InfoHeader(1, 1, 24, 0, 7), {}, {1, 2, 3, 0});
  CRasterImage image(0u);
  EXPECT_TRUE(DecodeBytes(image, loose, FormatBmp)) << image.GetLastError();

  // A 108-byte header must be consistent and uncompressed.
  auto v4 = [](uint32_t compression) {
    Bytes info = InfoHeader(1, 1, 24, compression, 4);
    info[0] = 108;
    info.resize(108, 0);
    return BmpFile(info, {}, {9, 8, 7, 0});
  };
  EXPECT_FALSE(DecodeBytes(image, v4(3), FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "Error reading BMP info");
  ASSERT_TRUE(DecodeBytes(image, v4(0), FormatBmp)) << image.GetLastError();
  ExpectColour(image.GetPixelColor(0, 0, false), 7, 8, 9);

  // The OS/2 core header: 16-bit sizes and three-byte palette entries.
  Bytes core;
  Put32(core, 12);
  Put16(core, 3);
  Put16(core, 1);
  Put16(core, 1);
  Put16(core, 1);
  Append(core, {0, 0, 0, 10, 200, 30});  // black; red 30, green 200, blue 10
  Append(core, {0x40, 0, 0, 0});         // pixel 1 is colour 1
  core.resize(48, 0);                    // the reader takes 40 bytes first
  ASSERT_TRUE(DecodeBytes(image, core, FormatBmp)) << image.GetLastError();
  EXPECT_EQ(image.GetWidth(), 3u);
  EXPECT_EQ(image.GetBpp(), 1u);
  ExpectColour(image.GetPixelColor(1, 0, false), 30, 200, 10);
  ExpectColour(image.GetPixelColor(0, 0, false), 0, 0, 0);
  EXPECT_EQ(image.GetPaletteColor(1).rgbReserved, 0);
}

TEST(BmpCodecTest, NegativeWidthIsRefused) {
  Bytes data = BmpFile(InfoHeader(-3, 1, 24), {}, Bytes(12, 0x7F));
  CRasterImage image(0u);
  EXPECT_FALSE(DecodeBytes(image, data, FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "Error reading BMP info");
}

TEST(BmpCodecTest, ImageSizeFieldLargerThanTheBitmapReadsOnlyWhatItHolds) {
  for (uint16_t bits : {8, 24}) {
    // 40 x 2 bytes of pixels, but the header claims a megabyte.
    Bytes pixels(1 << 20, 0x44);
    Bytes data = BmpFile(InfoHeader(bits == 8 ? 40 : 20, 2, bits, 0, 1 << 20), bits == 8 ? Bytes(1024, 0x10) : Bytes{},
                         pixels);
    SizeRecordingStream stream(data.data(), data.size());
    CRasterImage image(0u);
    ASSERT_TRUE(image.Decode(&stream, FormatBmp)) << image.GetLastError();
    EXPECT_EQ(stream.largest, image.GetHeader().biSizeImage) << bits;
    EXPECT_EQ(image.GetBits(1)[image.GetRowBytes() - 1], 0x44);
  }
}

TEST(BmpCodecTest, PaletteEntriesBeyondTheBitDepthAreReadPastAndDropped) {
  // A 1-bit headerless bitmap declaring four colours: the pixels follow all
  // four entries; only two fit a 1-bit palette.
  Bytes data = InfoHeader(8, 1, 1, 0, 0, 4);
  Append(data, {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0});
  Append(data, {0xF0, 0, 0, 0});
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, data, FormatBmp)) << image.GetLastError();
  EXPECT_EQ(image.GetNumColors(), 2u);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
  EXPECT_EQ(image.GetPixelIndex(3, 0), 1);
  EXPECT_EQ(image.GetPixelIndex(4, 0), 0);
  ExpectColour(image.GetPaletteColor(1), 255, 255, 255);
}

TEST(BmpCodecTest, SixteenBitFieldsDefaultToFiveFiveFive) {
  auto file = [](bool masks) {
    Bytes info = InfoHeader(2, 1, 16, masks ? 3 : 0);
    Bytes extra;
    if (masks) {
      Put32(extra, 0xF800);
      Put32(extra, 0x07E0);
      Put32(extra, 0x001F);
    }
    Bytes pixels;
    Put16(pixels, masks ? 0x07E0 : 0x7C00);
    Put16(pixels, masks ? 0xF81F : 0x001F);
    return BmpFile(info, extra, pixels);
  };
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file(false), FormatBmp)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24u);
  ExpectColour(image.GetPixelColor(0, 0, false), 0xF8, 0, 0);
  ExpectColour(image.GetPixelColor(1, 0, false), 0, 0, 0xF8);
  ASSERT_TRUE(DecodeBytes(image, file(true), FormatBmp)) << image.GetLastError();
  ExpectColour(image.GetPixelColor(0, 0, false), 0, 0xFC, 0);
  ExpectColour(image.GetPixelColor(1, 0, false), 0xF8, 0, 0xF8);
}

TEST(BmpCodecTest, TopDownAndThirtyTwoBitFiles) {
  // Top row red, bottom row green, stored top first.
  Bytes pixels = {0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0};
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, BmpFile(InfoHeader(2, -2, 24), {}, pixels), FormatBmp));
  EXPECT_EQ(image.GetHeight(), 2u);
  ExpectColour(At(image, 0, 0), 255, 0, 0);
  ExpectColour(At(image, 0, 1), 0, 255, 0);

  Bytes argb = {1, 2, 3, 0x80, 4, 5, 6, 0xFF};
  ASSERT_TRUE(DecodeBytes(image, BmpFile(InfoHeader(2, 1, 32), {}, argb), FormatBmp));
  EXPECT_EQ(image.GetBpp(), 24u);
  EXPECT_FALSE(image.HasAlpha());
  ExpectColour(image.GetPixelColor(0, 0), 3, 2, 1);
  ExpectColour(image.GetPixelColor(1, 0), 6, 5, 4);
}

TEST(BmpCodecTest, RunLengthEightWithLiteralsDeltasAndAnOverlongRun) {
  // 4 x 3: row 0 = runs 7 7, 1, 2; end of line; a delta to row 2, x 1; a
  // literal 5 6 8 with its pad byte; a run of 3 x 9 starting at the row's
  // end stops the bitmap before the end code.
  Bytes rle = {2, 7, 1, 1, 1, 2, 0, 0, 0, 2, 1, 1, 0, 3, 5, 6, 8, 0, 3, 9, 0, 1};
  Bytes palette(256 * 4, 0);
  for (int i = 0; i < 256; ++i) palette[4 * i] = static_cast<uint8_t>(i);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, BmpFile(InfoHeader(4, 3, 8, 1), palette, rle), FormatBmp))
      << image.GetLastError();
  const uint8_t expected[3][4] = {{7, 7, 1, 2}, {0, 0, 0, 0}, {0, 5, 6, 8}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(image.GetPixelIndex(x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpCodecTest, RunLengthEightStopsAtARunPastTheRowEnd) {
  Bytes rle = {5, 3, 0, 0, 2, 4, 0, 1};  // 5 x 3 in a 4-wide row, then row 1
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, BmpFile(InfoHeader(4, 2, 8, 1), Bytes(1024, 0), rle), FormatBmp));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), 3);
  EXPECT_EQ(image.GetPixelIndex(0, 1), 0);  // never reached
}

TEST(BmpCodecTest, RunLengthFourWithLiteralsAndDeltas) {
  // 6 x 2: row 0 = run of 3 with colour 0x12 (1 2 1), literal 3 pixels 4 5 6
  // (two bytes, no pad), end of line; row 1 = delta 2 right, run of 2 x 0x77.
  Bytes rle = {3, 0x12, 0, 3, 0x45, 0x60, 0, 0, 0, 2, 2, 0, 2, 0x77, 0, 1};
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, BmpFile(InfoHeader(6, 2, 4, 2), Bytes(64, 0), rle), FormatBmp))
      << image.GetLastError();
  const uint8_t expected[2][6] = {{1, 2, 1, 4, 5, 6}, {0, 0, 7, 7, 0, 0}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(image.GetPixelIndex(x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpCodecTest, UnsupportedCompressionAndDimensionsOnly) {
  CRasterImage image(0u);
  EXPECT_FALSE(DecodeBytes(image, BmpFile(InfoHeader(2, 2, 8, 4), Bytes(1024, 0), Bytes(8, 0)), FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "compression type not supported");
  EXPECT_FALSE(DecodeBytes(image, BmpFile(InfoHeader(2, 2, 24, 1), {}, Bytes(16, 0)), FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "unknown compression");

  CBmpCodec codec;
  codec.SetEscape(-1);
  Bytes big = BmpFile(InfoHeader(65535, -65535, 24), {}, {});
  CImageMemoryStream stream(big.data(), big.size());
  ASSERT_TRUE(codec.DecodeStream(&stream));
  EXPECT_STREQ(codec.GetLastError(), "output dimensions returned");
  EXPECT_EQ(codec.GetWidth(), 65535u);
  EXPECT_EQ(codec.GetHeight(), 65535u);
  EXPECT_FALSE(codec.IsValid());
}

TEST(BmpCodecTest, AStopRequestCancelsAndLeavesTheImage) {
  CRasterImage image(2, 2, 24, FormatBmp);
  image.SetEscape(1);
  EXPECT_FALSE(DecodeBytes(image, BmpFile(InfoHeader(3, 1, 24), {}, Bytes(12, 1)), FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "Cancelled");
  EXPECT_EQ(image.GetWidth(), 2u);
  EXPECT_TRUE(image.IsValid());
}

TEST(BmpCodecTest, HugeDeclaredSizeIsRefusedBeforeAllocating) {
  CRasterImage image(0u);
  EXPECT_FALSE(DecodeBytes(image, BmpFile(InfoHeader(65535, 65535, 24), {}, Bytes(64, 0)), FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "Can't allocate memory");
  // A 32-bit file whose pixels fit at 24 bits but whose working buffer
  // would not.
  EXPECT_FALSE(DecodeBytes(image, BmpFile(InfoHeader(9000, 9000, 32), {}, Bytes(64, 0)), FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "can't allocate memory");
}

TEST(BmpCodecTest, EncodesThreeByOneAsFourteenFortyAndTwelveBytes) {
  CRasterImage image(3, 1, 24, 0);
  image.SetPixelColor(0, 0, RGBQUAD{1, 2, 3, 0});
  image.SetPixelColor(2, 0, RGBQUAD{7, 8, 9, 0});
  Bytes out = EncodeBytes(image, FormatBmp);
  ASSERT_EQ(out.size(), 66u);
  const Bytes expected = {'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                          40, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                          12, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                          1, 2, 3, 0, 0, 0, 7, 8, 9, 0, 0, 0};
  EXPECT_EQ(out, expected);
}

TEST(BmpCodecTest, EncodeReportsAFailedWrite) {
  std::FILE* readOnly = std::fopen("/proc/self/cmdline", "rb");
  ASSERT_NE(readOnly, nullptr);
  CImageFileStream stream(readOnly);
  CRasterImage image(3, 1, 24, 0);
  EXPECT_FALSE(image.Encode(&stream, FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "Can't write BMP file");
  std::fclose(readOnly);
}

TEST(BmpCodecTest, QtReadsOurFilesWithEqualPixels) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bpp);
    CRasterImage image = Pattern(bpp);
    Bytes out = EncodeBytes(image, FormatBmp);
    QImage qt = QImage::fromData(out.data(), static_cast<int>(out.size()), "BMP");
    ASSERT_FALSE(qt.isNull());
    ASSERT_EQ(qt.width(), 13);
    ASSERT_EQ(qt.height(), 7);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        RGBQUAD c = At(image, x, y);
        QRgb q = qt.pixel(x, y);
        ASSERT_EQ(qRed(q), c.rgbRed) << x << "," << y;
        ASSERT_EQ(qGreen(q), c.rgbGreen) << x << "," << y;
        ASSERT_EQ(qBlue(q), c.rgbBlue) << x << "," << y;
      }
  }
}

TEST(BmpCodecTest, WeReadQtsFilesWithEqualPixels) {
  struct Case {
    QImage::Format format;
    int colors;
  } cases[] = {{QImage::Format_Mono, 2}, {QImage::Format_Indexed8, 16}, {QImage::Format_Indexed8, 200},
               {QImage::Format_RGB32, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.colors);
    QImage qt(11, 5, c.format);
    if (c.colors) {
      QVector<QRgb> table;
      for (int i = 0; i < c.colors; ++i) table.push_back(qRgb(i * 7 % 256, 255 - i, i * 3 % 256));
      qt.setColorTable(table);
    }
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 11; ++x) {
        if (c.colors)
          qt.setPixel(x, y, static_cast<uint>((x * 3 + y) % c.colors));
        else
          qt.setPixel(x, y, qRgb(x * 20, y * 50, x * y * 4));
      }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(qt.save(&buffer, "BMP"));
    Bytes data(bytes.begin(), bytes.end());
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, data, FormatUnknown)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), FormatBmp);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 11; ++x) {
        RGBQUAD ours = At(image, x, y);
        QRgb q = qt.pixel(x, y);
        ASSERT_EQ(ours.rgbRed, qRed(q)) << x << "," << y;
        ASSERT_EQ(ours.rgbGreen, qGreen(q)) << x << "," << y;
        ASSERT_EQ(ours.rgbBlue, qBlue(q)) << x << "," << y;
      }
  }
}

}  // namespace
