// The PNG codec: colour types and their mapping onto our depths, palettes
// and transparency, interlacing, the encoder's chunks, and Qt's reader and
// writer as the other side.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <QBuffer>
#include <QImage>
#include <functional>

#include "image/ImageStream.h"
#include "image/PngCodec.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

// A PNG written straight through libpng: `rows` are the packed rows, top
// first; `adjust` adds chunks before the header goes out.
Bytes WritePng(uint32_t width, uint32_t height, int bitDepth, int colorType, const std::vector<Bytes>& rows,
               bool interlaced = false, const std::function<void(png_structp, png_infop)>& adjust = {}) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendPng, nullptr);
  png_set_IHDR(png, info, width, height, bitDepth, colorType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (adjust) adjust(png, info);
  png_write_info(png, info);
  int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass)
    for (const Bytes& row : rows) png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// The chunk of the given name, or empty.
Bytes Chunk(const Bytes& file, const char* name) {
  size_t i = 8;
  while (i + 12 <= file.size()) {
    uint32_t length = static_cast<uint32_t>(file[i] << 24 | file[i + 1] << 16 | file[i + 2] << 8 | file[i + 3]);
    if (std::memcmp(&file[i + 4], name, 4) == 0) return Bytes(file.begin() + i + 8, file.begin() + i + 8 + length);
    i += 12 + length;
  }
  return {};
}

QImage QtRead(const Bytes& data) { return QImage::fromData(data.data(), static_cast<int>(data.size()), "PNG"); }

Bytes QtWrite(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return Bytes(bytes.begin(), bytes.end());
}

TEST(PngCodecTest, RgbaDecodesToTwentyFourBitsWithAlphaAndNoCompositing) {
  Bytes file = WritePng(2, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, {{10, 20, 30, 0, 40, 50, 60, 128}}, false,
                        [](png_structp png, png_infop info) {
                          png_color_16 background{0, 7, 8, 9, 0};
                          png_set_bKGD(png, info, &background);
                        });
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatPng)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24u);
  ASSERT_TRUE(image.HasAlpha());
  ExpectColour(At(image, 0, 0), 10, 20, 30);
  ExpectColour(At(image, 1, 0), 40, 50, 60);
  EXPECT_EQ(image.GetAlpha(0, 0), 0);
  EXPECT_EQ(image.GetAlpha(1, 0), 128);
  // The file's background is kept as the transparent colour.
  ExpectColour(image.GetInfo().transparentColor, 7, 8, 9);
  EXPECT_EQ(image.GetTransparentIndex(), -1);
}

TEST(PngCodecTest, RgbWithATransparentColourIsCompositedOnGrey192) {
  Bytes file = WritePng(3, 1, 8, PNG_COLOR_TYPE_RGB, {{255, 0, 0, 0, 255, 0, 255, 0, 0}}, false,
                        [](png_structp png, png_infop info) {
                          png_color_16 key{0, 255, 0, 0, 0};
                          png_set_tRNS(png, info, nullptr, 0, &key);
                        });
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatPng)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24u);
  EXPECT_FALSE(image.HasAlpha());
  ExpectColour(At(image, 0, 0), 192, 192, 192);
  ExpectColour(At(image, 1, 0), 0, 255, 0);
  ExpectColour(At(image, 2, 0), 192, 192, 192);
}

TEST(PngCodecTest, TwoBitGreyBecomesFourBitsWithFourGreys) {
  // 5 pixels 0 1 2 3 2 in one row; rows 2 and 3 of an interlaced twin arrive
  // over several passes.
  std::vector<Bytes> rows = {{0x1B, 0x80}, {0xE4, 0x00}, {0x55, 0x40}};
  for (bool interlaced : {false, true}) {
    SCOPED_TRACE(interlaced);
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, WritePng(5, 3, 2, PNG_COLOR_TYPE_GRAY, rows, interlaced), FormatPng))
        << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 4u);
    for (uint32_t i = 0; i < 4; ++i) ExpectColour(image.GetPaletteColor(i), i * 85, i * 85, i * 85);
    const int expected[3][5] = {{0, 1, 2, 3, 2}, {3, 2, 1, 0, 0}, {1, 1, 1, 1, 1}};
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(image.GetPixelIndex(x, 2 - y), expected[y][x]) << x << "," << y;
  }
}

TEST(PngCodecTest, PaletteTransparency) {
  auto file = [](Bytes alphas) {
    return WritePng(2, 1, 8, PNG_COLOR_TYPE_PALETTE, {{0, 1}}, false, [alphas](png_structp png, png_infop info) {
      png_color entries[3] = {{255, 0, 0}, {0, 0, 255}, {1, 2, 3}};
      png_set_PLTE(png, info, entries, 3);
      png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    });
  };
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file({0}), FormatPng)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 8u);
  EXPECT_EQ(image.GetTransparentIndex(), 0);
  EXPECT_FALSE(image.GetInfo().paletteAlphaEnabled);
  ExpectColour(image.GetPaletteColor(0), 255, 0, 0);  // not composited
  ExpectColour(image.GetPaletteColor(1), 0, 0, 255);

  CRasterImage partial(0u);
  ASSERT_TRUE(DecodeBytes(partial, file({0, 100}), FormatPng)) << partial.GetLastError();
  EXPECT_EQ(partial.GetTransparentIndex(), -1);
  EXPECT_TRUE(partial.GetInfo().paletteAlphaEnabled);
  EXPECT_EQ(partial.GetPaletteColor(0).rgbReserved, 0);
  EXPECT_EQ(partial.GetPaletteColor(1).rgbReserved, 100);
  EXPECT_EQ(partial.GetPaletteColor(2).rgbReserved, 255);
  EXPECT_EQ(partial.GetPaletteColor(255).rgbReserved, 255);
}

TEST(PngCodecTest, ResolutionFromPhysAndBackAgain) {
  Bytes file = WritePng(1, 1, 8, PNG_COLOR_TYPE_GRAY, {{7}}, false, [](png_structp png, png_infop info) {
    png_set_pHYs(png, info, 11811, 5906, PNG_RESOLUTION_METER);
  });
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatPng)) << image.GetLastError();
  EXPECT_EQ(image.GetDpiX(), 300);
  EXPECT_EQ(image.GetDpiY(), 150);
  EXPECT_TRUE(image.IsGrayScale());
  Bytes out = EncodeBytes(image, FormatPng);
  Bytes phys = Chunk(out, "pHYs");
  EXPECT_EQ(phys, (Bytes{0, 0, 0x2E, 0x23, 0, 0, 0x17, 0x12, 1}));  // 11811 and 5906 per metre
  // Without a unit the numbers are dots per inch; none at all gives 96.
  file = WritePng(1, 1, 8, PNG_COLOR_TYPE_GRAY, {{7}}, false, [](png_structp png, png_infop info) {
    png_set_pHYs(png, info, 72, 0, PNG_RESOLUTION_UNKNOWN);
  });
  ASSERT_TRUE(DecodeBytes(image, file, FormatPng));
  EXPECT_EQ(image.GetDpiX(), 72);
  EXPECT_EQ(image.GetDpiY(), 96);
}

TEST(PngCodecTest, QtReadsOurFilesWithEqualPixels) {
  struct Case {
    uint32_t bpp;
    bool alpha;
    bool interlaced;
  } cases[] = {{1, false, false}, {4, false, false}, {8, false, false}, {24, false, false},
               {24, true, false}, {8, false, true},  {24, false, true}, {24, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bpp << (c.alpha ? " alpha" : "") << (c.interlaced ? " interlaced" : ""));
    CRasterImage image = Pattern(c.bpp);
    if (c.alpha) {
      image.CreateAlpha();
      for (int x = 0; x < 13; ++x) image.SetAlpha(x, x % 7, static_cast<uint8_t>(x * 20));
    }
    image.SetCodecOption(c.interlaced ? 1 : 0, FormatPng);
    Bytes out = EncodeBytes(image, FormatPng);
    ASSERT_FALSE(out.empty()) << image.GetLastError();
    EXPECT_EQ(Chunk(out, "IHDR").at(12), c.interlaced ? 1 : 0);
    ExpectSamePixels(image, QtRead(out), c.alpha);
    // And back through our decoder.
    CRasterImage back(0u);
    ASSERT_TRUE(DecodeBytes(back, out, FormatUnknown)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), FormatPng);
    EXPECT_EQ(back.GetCodecOption(FormatPng), c.interlaced ? 1u : 0u);
    // Written again, it keeps the way it was stored.
    EXPECT_EQ(Chunk(EncodeBytes(back, FormatPng), "IHDR").at(12), c.interlaced ? 1 : 0);
    ExpectSamePixels(back, QtRead(out), c.alpha);
  }
}

TEST(PngCodecTest, WeReadQtsFilesWithEqualPixels) {
  QImage rgb(17, 9, QImage::Format_RGB32);
  QImage argb(17, 9, QImage::Format_ARGB32);
  QImage indexed(17, 9, QImage::Format_Indexed8);
  QImage grey(17, 9, QImage::Format_Grayscale8);
  QVector<QRgb> table;
  for (int i = 0; i < 40; ++i) table.push_back(qRgb(i * 6, 255 - i * 3, (i * 29) % 256));
  indexed.setColorTable(table);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 17; ++x) {
      rgb.setPixel(x, y, qRgb(x * 15, y * 28, (x * y * 5) % 256));
      argb.setPixel(x, y, qRgba(x * 15, y * 28, (x * y * 5) % 256, 255));
      indexed.setPixel(x, y, static_cast<uint>((x + 3 * y) % 40));
      grey.setPixel(x, y, qRgb(x * y, x * y, x * y));
    }
  // Partly transparent pixels (Qt stores them unpremultiplied).
  for (int x = 0; x < 17; ++x) argb.setPixel(x, 4, qRgba(x * 15, 200, 17, x * 15));
  struct Case {
    const QImage* qt;
    uint32_t bpp;
    bool alpha;
  } cases[] = {{&rgb, 24, false}, {&argb, 24, true}, {&indexed, 8, false}, {&grey, 8, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bpp);
    Bytes file = QtWrite(*c.qt);
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, file, FormatUnknown)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), FormatPng);
    EXPECT_EQ(image.GetBpp(), c.bpp);
    EXPECT_EQ(image.HasAlpha(), c.alpha);
    ExpectSamePixels(image, QtRead(file), c.alpha);
  }
}

TEST(PngCodecTest, PaletteIsCutAtTheLargestIndexUsedInSmallPictures) {
  CRasterImage image(100, 100, 8, 0);
  for (uint32_t i = 0; i < 256; ++i) image.SetPaletteColor(i, static_cast<uint8_t>(i), 0, 0);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) image.SetPixelIndex(x, y, static_cast<uint8_t>((x + y) % 10));
  EXPECT_EQ(Chunk(EncodeBytes(image, FormatPng), "PLTE").size(), 30u);
  // 256 x 256 pixels: every entry goes out.
  CRasterImage large(256, 256, 8, 0);
  EXPECT_EQ(Chunk(EncodeBytes(large, FormatPng), "PLTE").size(), 768u);
}

TEST(PngCodecTest, ATransparentColourBecomesAlphaZero) {
  CRasterImage image = Pattern(24);
  image.SetPixelColor(3, 2, RGBQUAD{0, 0, 255, 0});
  image.SetPixelColor(8, 5, RGBQUAD{0, 0, 255, 0});
  image.SetTransparentIndex(0);
  image.SetTransparentColor(RGBQUAD{0, 0, 255, 0});
  Bytes out = EncodeBytes(image, FormatPng);
  EXPECT_EQ(Chunk(out, "IHDR").at(9), PNG_COLOR_TYPE_RGB_ALPHA);
  EXPECT_EQ(Chunk(out, "bKGD"), (Bytes{0, 255, 0, 0, 0, 0}));
  QImage qt = QtRead(out);
  ASSERT_FALSE(qt.isNull());
  int transparent = 0;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) {
      RGBQUAD c = At(image, x, y);
      bool red = c.rgbRed == 255 && c.rgbGreen == 0 && c.rgbBlue == 0;
      EXPECT_EQ(qAlpha(qt.pixel(x, y)), red ? 0 : 255) << x << "," << y;
      transparent += red;
    }
  EXPECT_EQ(transparent, 2);
  EXPECT_FALSE(image.HasAlpha());  // no plane left behind
}

TEST(PngCodecTest, EncodingATransparentIndexLeavesTheCallersPictureAlone) {
  CRasterImage image = Pattern(8, 20, 10);
  image.SetTransparentIndex(5);
  Bytes before(image.GetDib(), image.GetDib() + image.GetSize());
  Bytes out = EncodeBytes(image, FormatPng);
  ASSERT_FALSE(out.empty()) << image.GetLastError();
  EXPECT_EQ(Bytes(image.GetDib(), image.GetDib() + image.GetSize()), before);
  EXPECT_EQ(image.GetTransparentIndex(), 5);
  // The file carries the transparent entry as index 0, as before.
  EXPECT_EQ(Chunk(out, "tRNS"), Bytes{0});
  Bytes plte = Chunk(out, "PLTE");
  ASSERT_GE(plte.size(), 18u);
  RGBQUAD five = image.GetPaletteColor(5);
  RGBQUAD zero = image.GetPaletteColor(0);
  EXPECT_EQ(Bytes(plte.begin(), plte.begin() + 3), (Bytes{five.rgbRed, five.rgbGreen, five.rgbBlue}));
  EXPECT_EQ(Bytes(plte.begin() + 15, plte.begin() + 18), (Bytes{zero.rgbRed, zero.rgbGreen, zero.rgbBlue}));
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, out, FormatPng)) << back.GetLastError();
  EXPECT_EQ(back.GetTransparentIndex(), 0);
  QImage qt = QtRead(out);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      uint8_t index = image.GetPixelIndex(x, 9 - y);
      ExpectColour(At(back, x, y), At(image, x, y).rgbRed, At(image, x, y).rgbGreen, At(image, x, y).rgbBlue);
      ASSERT_EQ(qAlpha(qt.pixel(x, y)), index == 5 ? 0 : 255) << x << "," << y;
    }
  // Four-bit pictures swap their nibbles the same way.
  CRasterImage nibbles = Pattern(4, 9, 3);
  nibbles.SetTransparentIndex(3);
  Bytes nibbleBefore(nibbles.GetDib(), nibbles.GetDib() + nibbles.GetSize());
  Bytes nibbleOut = EncodeBytes(nibbles, FormatPng);
  EXPECT_EQ(Bytes(nibbles.GetDib(), nibbles.GetDib() + nibbles.GetSize()), nibbleBefore);
  ASSERT_TRUE(DecodeBytes(back, nibbleOut, FormatPng));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 9; ++x) {
      uint8_t index = nibbles.GetPixelIndex(x, y);
      EXPECT_EQ(back.GetPixelIndex(x, y), index == 3 ? 0 : index == 0 ? 3 : index) << x << "," << y;
    }
}

Bytes PngHeaderOnly(uint32_t width, uint32_t height) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes chunk = {'I', 'H', 'D', 'R'};
  Put32Be(chunk, width);
  Put32Be(chunk, height);
  Append(chunk, {8, 2, 0, 0, 0});
  Put32Be(file, 13);
  Append(file, chunk);
  Put32Be(file, static_cast<uint32_t>(crc32(0, chunk.data(), static_cast<uInt>(chunk.size()))));
  // An empty IDAT: the header chunks end there.
  Append(file, {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E});
  Append(file, {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
  return file;
}

TEST(PngCodecTest, FailureTexts) {
  CRasterImage image(0u);
  EXPECT_FALSE(DecodeBytes(image, PngHeaderOnly(100000, 100000), FormatPng));
  EXPECT_STREQ(image.GetLastError(), "RASTER_IMAGE_MAX_MEMORY exceeded");
  EXPECT_FALSE(DecodeBytes(image, Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, FormatPng));
  EXPECT_STREQ(image.GetLastError(), "Not a PNG file");
  Bytes truncated = WritePng(4, 4, 8, PNG_COLOR_TYPE_RGB, std::vector<Bytes>(4, Bytes(12, 9)));
  truncated.resize(40);
  EXPECT_FALSE(DecodeBytes(image, truncated, FormatPng));
  EXPECT_STREQ(image.GetLastError(), "Read Error");
  EXPECT_FALSE(image.IsValid());

  CRasterImage stopped(0u);
  stopped.SetEscape(1);
  EXPECT_FALSE(DecodeBytes(stopped, WritePng(1, 1, 8, PNG_COLOR_TYPE_GRAY, {{1}}), FormatPng));

  std::FILE* readOnly = std::fopen("/proc/self/cmdline", "rb");
  ASSERT_NE(readOnly, nullptr);
  CImageFileStream stream(readOnly);
  CRasterImage picture = Pattern(24);
  EXPECT_FALSE(picture.Encode(&stream, FormatPng));
  EXPECT_STREQ(picture.GetLastError(), "Error saving PNG file");
  std::fclose(readOnly);
}

}  // namespace
