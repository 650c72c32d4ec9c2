// The PCX and WBMP codecs: header checks and their mends, the run-length
// data, palettes and planes, the encoders' layout, ImageMagick both ways for
// PCX and Qt's reader for WBMP.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <string>

#include "image/ByteOrder.h"
#include "image/ImageStream.h"
#include "image/PcxCodec.h"
#include "tests/TempFolder.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;
using image::Le16;

// The 128-byte header.
Bytes PcxHeader(uint8_t bitsPerPlane, uint16_t xmin, uint16_t ymin, uint16_t xmax, uint16_t ymax,
                uint8_t planes, uint16_t bytesPerLine, const Bytes& map = {}) {
  Bytes b = {10, 5, 1, bitsPerPlane};
  Put16(b, xmin);
  Put16(b, ymin);
  Put16(b, xmax);
  Put16(b, ymax);
  Put16(b, 150);
  Put16(b, 75);
  Bytes colours = map;
  colours.resize(48, 0);
  Append(b, colours);
  b.push_back(0);
  b.push_back(planes);
  Put16(b, bytesPerLine);
  Put16(b, 1);
  b.resize(128, 0);
  return b;
}

Bytes Joined(Bytes a, const Bytes& b) {
  Append(a, b);
  return a;
}

TEST(PcxCodecTest, HeaderChecksAndTheirTexts) {
  CRasterImage image(0u);
  EXPECT_FALSE(DecodeBytes(image, Bytes(127, 10), FormatPcx));
  EXPECT_STREQ(image.GetLastError(), "Can't read PCX image");
  struct Case {
    Bytes file;
    const char* error;
  } cases[] = {
      {Joined({11}, Bytes(200, 1)), "Error: Not a PCX file"},
      {[] { Bytes h = PcxHeader(8, 0, 0, 1, 1, 1, 2); h[2] = 0; return Joined(h, Bytes(10, 1)); }(),
       "PCX file has unknown encoding scheme"},
      {Joined(PcxHeader(1, 0, 0, 7, 0, 5, 2), Bytes(20, 0)), "Can't handle image with more than 4 planes"},
      {Joined(PcxHeader(4, 0, 0, 7, 0, 2, 4), Bytes(20, 0)), "Can't handle packed pixels with more than 1 plane."},
      {Joined(PcxHeader(8, 0, 0, 7, 0, 2, 8), Bytes(20, 0)), "Can't handle more than 1 bit per pixel"},
      // Data that ends early, and a run longer than what remains.
      {Joined(PcxHeader(8, 0, 0, 3, 1, 1, 4), {1, 2, 3, 4, 5}), "corrupted PCX"},
      {Joined(PcxHeader(8, 0, 0, 3, 1, 1, 4), {0xC9, 7}), "repeat count spans end of image"},
      // A 256-colour palette not preceded by 12.
      {Joined(PcxHeader(8, 0, 0, 1, 0, 1, 2), Joined({0xC2, 5, 11}, Bytes(768, 1))), "bad color map signature"},
      {Joined(PcxHeader(8, 0, 0, 1, 0, 1, 2), {0xC2, 5, 12, 1, 2}), "bad color map signature"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_FALSE(DecodeBytes(image, c.file, FormatPcx));
    EXPECT_STREQ(image.GetLastError(), c.error);
  }
}

TEST(PcxCodecTest, WindowsAndLineLengthsThatCannotHoldTheImageAreRefusedBeforeAllocating) {
  // A bytes-per-line shorter than the width needs used to be read past, a
  // window turned inside out wrapped to a huge width, and 65,535 lines of
  // 65,534 bytes in 4 planes went to the allocator.
  struct Case {
    Bytes header;
    const char* error;
  } cases[] = {
      {PcxHeader(8, 0, 0, 99, 0, 1, 50), "corrupted PCX"},
      {PcxHeader(1, 0, 0, 99, 0, 4, 12), "corrupted PCX"},
      {PcxHeader(8, 0, 0, 9, 0, 3, 9), "corrupted PCX"},
      {PcxHeader(8, 10, 0, 9, 0, 1, 10), "corrupted PCX"},
      {PcxHeader(8, 0, 10, 0, 9, 1, 2), "corrupted PCX"},
      {PcxHeader(8, 0, 0, 0, 0, 0, 2), "corrupted PCX"},
      {PcxHeader(3, 0, 0, 0, 0, 1, 2), "corrupted PCX"},
      {PcxHeader(8, 0, 0, 65534, 65534, 4, 65535), "RASTER_IMAGE_MAX_MEMORY exceeded"},
      {PcxHeader(8, 0, 0, 65534, 65534, 1, 65535), "RASTER_IMAGE_MAX_MEMORY exceeded"},
      {PcxHeader(8, 0, 0, 1, 65534, 1, 65534), "RASTER_IMAGE_MAX_MEMORY exceeded"},
  };
  for (const auto& c : cases) {
    Bytes file = Joined(c.header, Bytes(64, 0xC1));
    SizeRecordingStream stream(file.data(), file.size());
    CRasterImage image(0u);
    EXPECT_FALSE(image.Decode(&stream, FormatPcx));
    EXPECT_STREQ(image.GetLastError(), c.error);
    EXPECT_FALSE(image.IsValid());
  }
  // The smallest line that holds the width is enough.
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, Joined(PcxHeader(1, 0, 0, 8, 0, 1, 2), {0x80, 0x80}), FormatPcx))
      << image.GetLastError();
  EXPECT_EQ(image.GetWidth(), 9u);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
  EXPECT_EQ(image.GetPixelIndex(8, 0), 1);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 0);
}

TEST(PcxCodecTest, PackedAndPlanarPixelsWithTheirPalettes) {
  // 16 colours in 4 planes of 1 bit: the header's map; pixel x has index x.
  Bytes map;
  for (uint8_t i = 0; i < 16; ++i) Append(map, {static_cast<uint8_t>(i * 16), static_cast<uint8_t>(i), 200});
  CRasterImage image(0u);
  // The planes' bytes with values of 0xC0 and above go as runs of one.
  Bytes coded;
  for (int plane = 0; plane < 4; ++plane) {
    uint16_t bits = 0;
    for (int x = 0; x < 16; ++x)
      if (x & (1 << plane)) bits |= static_cast<uint16_t>(0x8000 >> x);
    for (uint8_t b : {static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)}) {
      if (b >= 0xC0) coded.push_back(0xC1);
      coded.push_back(b);
    }
  }
  ASSERT_TRUE(DecodeBytes(image, Joined(PcxHeader(1, 0, 0, 15, 0, 4, 2, map), coded), FormatPcx))
      << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 4u);
  EXPECT_EQ(image.GetType(), FormatPcx);
  EXPECT_EQ(image.GetDpiX(), 150);
  EXPECT_EQ(image.GetDpiY(), 75);
  for (int x = 0; x < 16; ++x) {
    EXPECT_EQ(image.GetPixelIndex(x, 0), x);
    ExpectColour(image.GetPixelColor(x, 0, false), x * 16, x, 200);
  }
  // Packed 2 bits in one plane: a 4-bit image, the header's map.
  ASSERT_TRUE(DecodeBytes(image, Joined(PcxHeader(2, 0, 0, 4, 0, 1, 2, map), {0x1B, 0x80}), FormatPcx));
  EXPECT_EQ(image.GetBpp(), 4u);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), (Bytes{0, 1, 2, 3, 2}[x])) << x;
  // Packed 4 bits, high nibble first.
  ASSERT_TRUE(DecodeBytes(image, Joined(PcxHeader(4, 0, 0, 2, 0, 1, 2, map), {0x5A, 0x30}), FormatPcx));
  for (int x = 0; x < 3; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), (Bytes{5, 10, 3}[x])) << x;
  // 1 bit in 1 plane is black and white whatever the header's map says.
  ASSERT_TRUE(DecodeBytes(image, Joined(PcxHeader(1, 0, 0, 1, 1, 1, 2, map), {0x40, 0, 0x80, 0}), FormatPcx));
  EXPECT_EQ(image.GetBpp(), 1u);
  ExpectColour(At(image, 0, 0), 0, 0, 0);
  ExpectColour(At(image, 1, 0), 255, 255, 255);
  ExpectColour(At(image, 0, 1), 255, 255, 255);
  // 4 planes of 8 bits: red, green, blue and alpha lines, with runs.
  ASSERT_TRUE(DecodeBytes(image, Joined(PcxHeader(8, 0, 0, 1, 0, 4, 2), {0xC2, 10, 20, 30, 0xC2, 40, 50, 60}), FormatPcx))
      << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24u);
  ASSERT_TRUE(image.HasAlpha());
  ExpectColour(image.GetPixelColor(0, 0, false), 10, 20, 40);
  ExpectColour(image.GetPixelColor(1, 0, false), 10, 30, 40);
  EXPECT_EQ(image.GetAlpha(0, 0), 50);
  EXPECT_EQ(image.GetAlpha(1, 0), 60);
}

TEST(PcxCodecTest, OddWidthPaletteImageRoundTripsWithOnePaddingByte) {
  CRasterImage image = Pattern(8, 13, 7);
  Bytes out = EncodeBytes(image, FormatPcx);
  ASSERT_GT(out.size(), 128u + 769u);
  EXPECT_EQ(Le16(&out[66]), 14u);  // bytes per line, even
  EXPECT_EQ(out[3], 8);
  EXPECT_EQ(out[65], 1);
  EXPECT_EQ(Le16(&out[68]), 0u);  // palette info: a palette
  EXPECT_EQ(Le16(&out[8]), 12u);
  EXPECT_EQ(Le16(&out[10]), 6u);
  EXPECT_EQ(out[out.size() - 769], 12);
  // The first line of 13 values and its padding 0.
  Bytes line;
  for (uint32_t x = 0; x < 13; ++x) {
    uint8_t v = image.GetPixelIndex(x, 6);
    if (v >= 0xC0) line.push_back(0xC1);
    line.push_back(v);
  }
  line.push_back(0);
  EXPECT_EQ(Bytes(out.begin() + 128, out.begin() + 128 + static_cast<long>(line.size())), line);
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, out, FormatUnknown)) << back.GetLastError();
  EXPECT_EQ(back.GetType(), FormatPcx);
  EXPECT_EQ(back.GetWidth(), 13u);
  EXPECT_EQ(Bytes(back.GetDib(), back.GetDib() + back.GetSize()), Bytes(image.GetDib(), image.GetDib() + image.GetSize()));
}

TEST(PcxCodecTest, RunsOfTheEncoder) {
  // 130 equal values of 0xC5 in a line: runs of 63, 63 and 4.
  CRasterImage image(130, 1, 8, 0);
  for (int x = 0; x < 130; ++x) image.SetPixelIndex(x, 0, 0xC5);
  Bytes out = EncodeBytes(image, FormatPcx);
  EXPECT_EQ(Bytes(out.begin() + 128, out.begin() + 134), (Bytes{0xFF, 0xC5, 0xFF, 0xC5, 0xC4, 0xC5}));
  EXPECT_EQ(out[134], 12);
  // 4 colours: four planes of one bit with the 16-entry map in the header;
  // a plane line is coded as a whole, its padding included.
  CRasterImage four = Pattern(4, 9, 2);
  out = EncodeBytes(four, FormatPcx);
  EXPECT_EQ(out[3], 1);
  EXPECT_EQ(out[65], 4);
  EXPECT_EQ(Le16(&out[66]), 2u);
  EXPECT_EQ(Le16(&out[68]), 0u);
  for (uint32_t i = 0; i < 16; ++i) {
    RGBQUAD c = four.GetPaletteColor(i);
    EXPECT_EQ((Bytes{out[16 + 3 * i], out[17 + 3 * i], out[18 + 3 * i]}), (Bytes{c.rgbRed, c.rgbGreen, c.rgbBlue}));
  }
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, out, FormatPcx)) << back.GetLastError();
  EXPECT_EQ(Bytes(back.GetDib(), back.GetDib() + back.GetSize()), Bytes(four.GetDib(), four.GetDib() + four.GetSize()));
}

TEST(PcxCodecTest, WhiteAndBlackPaletteIsWrittenInverted) {
  CRasterImage image(10, 2, 1, 0);
  image.SetPaletteColor(0, 255, 255, 255);
  image.SetPaletteColor(1, 0, 0, 0);
  image.SetPixelIndex(0, 1, 1);  // top-left black
  image.SetPixelIndex(9, 0, 1);  // bottom-right black
  Bytes out = EncodeBytes(image, FormatPcx);
  // The header's map is black and white; the top line has its first bit 0
  // (black) and the rest 1 (white).
  EXPECT_EQ(Bytes(out.begin() + 16, out.begin() + 22), (Bytes{0, 0, 0, 255, 255, 255}));
  EXPECT_EQ(Bytes(out.begin() + 128, out.begin() + 131), (Bytes{0x7F, 0xC1, 0xC0}));
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, out, FormatPcx)) << back.GetLastError();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x) {
      RGBQUAD a = image.GetPixelColor(x, y, false), b = back.GetPixelColor(x, y, false);
      ASSERT_EQ(a.rgbRed, b.rgbRed) << x << "," << y;
    }
  ExpectColour(At(back, 0, 0), 0, 0, 0);
  ExpectColour(At(back, 1, 0), 255, 255, 255);
}

class PcxFileTest : public testsupport::TempFolderTest {
 protected:
  // ImageMagick's reading of a file as 8-bit RGBA, rows from the top.
  Bytes MagickRgba(const std::string& path, size_t pixels) {
    std::string command = "/usr/bin/convert '" + path + "' -depth 8 rgba:- 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    Bytes rgba(pixels * 4 + 1);
    size_t got = std::fread(rgba.data(), 1, rgba.size(), pipe);
    int status = pclose(pipe);
    if (status != 0) return {};
    rgba.resize(got);
    return rgba;
  }
  // ImageMagick reads a set bit of a one-bit, one-plane file as black,
  // whatever the header's map; the file's own map, which we follow, has
  // black for 0 and white for 1.  For such files it sees the inverse.
  void ExpectMagickPixels(const CRasterImage& image, const std::string& path) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    Bytes rgba = MagickRgba(path, static_cast<size_t>(w) * h);
    ASSERT_EQ(rgba.size(), static_cast<size_t>(w) * h * 4) << path;
    Bytes file = ReadFile(path);
    const bool inverse = file.size() > 65 && file[3] == 1 && file[65] == 1;
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        RGBQUAD c = image.GetPixelColor(x, h - 1 - y, true);
        if (inverse) c = RGBQUAD{static_cast<uint8_t>(255 - c.rgbBlue), static_cast<uint8_t>(255 - c.rgbGreen), static_cast<uint8_t>(255 - c.rgbRed), c.rgbReserved};
        const uint8_t* p = &rgba[(y * w + x) * 4];
        ASSERT_EQ((Bytes{p[0], p[1], p[2], p[3]}), (Bytes{c.rgbRed, c.rgbGreen, c.rgbBlue, image.HasAlpha() ? c.rgbReserved : uint8_t{255}}))
            << path << " " << x << "," << y;
      }
  }
};

// The pictures of each kind the test sends both ways: black and white, 16
// colours, 256 colours, true colour, true colour with alpha.
std::vector<std::pair<std::string, CRasterImage>> Kinds() {
  std::vector<std::pair<std::string, CRasterImage>> kinds;
  CRasterImage mono(19, 5, 1, 0);
  mono.SetGrayPalette();
  for (uint32_t x = 0; x < 19; ++x) mono.SetPixelIndex(x, x % 5, 1);
  mono.SetPixelIndex(3, 3, 1);
  kinds.emplace_back("mono", CRasterImage(mono));
  kinds.emplace_back("sixteen", Pattern(4, 13, 7));
  kinds.emplace_back("palette", Pattern(8, 13, 7));
  kinds.emplace_back("colour", Pattern(24, 13, 7));
  CRasterImage translucent = Pattern(24, 13, 7);
  translucent.CreateAlpha();
  for (uint32_t x = 0; x < 13; ++x) translucent.SetAlpha(x, x % 7, static_cast<uint8_t>(40 + x * 15));
  kinds.emplace_back("translucent", CRasterImage(translucent));
  return kinds;
}

TEST_F(PcxFileTest, ImageMagickReadsOurFilesWithEqualPixels) {
  for (auto& [name, image] : Kinds()) {
    std::string path = (folder_ / (name + ".pcx")).string();
    WriteFile(path, EncodeBytes(image, FormatPcx));
    ExpectMagickPixels(image, path);
  }
}

TEST_F(PcxFileTest, WeReadWhatImageMagickWritesWithEqualPixels) {
  // ImageMagick writes a PCX from our GIF (palette pictures: 1 bit for black
  // and white, else 8 bits) or PNG (true colour, 3 or 4 planes).
  for (auto& [name, image] : Kinds()) {
    SCOPED_TRACE(name);
    const bool palette = image.GetBpp() <= 8;
    std::string source = (folder_ / (name + (palette ? ".gif" : ".png"))).string();
    WriteFile(source, EncodeBytes(image, palette ? FormatGif : FormatPng));
    std::string path = (folder_ / (name + ".pcx")).string();
    ASSERT_EQ(std::system(("/usr/bin/convert '" + source + "' '" + path + "'").c_str()), 0);
    Bytes file = ReadFile(path);
    ASSERT_GT(file.size(), 128u);
    const uint8_t expectedPlanes = palette ? 1 : image.HasAlpha() ? 4 : 3;
    EXPECT_EQ(file[65], expectedPlanes);
    EXPECT_EQ(file[3], name == "mono" ? 1 : 8);
    CRasterImage ours(0u);
    ASSERT_TRUE(ours.Load(path.c_str(), FormatUnknown)) << ours.GetLastError();
    EXPECT_EQ(ours.GetType(), FormatPcx);
    ExpectMagickPixels(ours, path);
    // And the same colours as the picture sent (one bit: inverted, as
    // ImageMagick writes what it reads).
    const bool inverse = name == "mono";
    for (uint32_t y = 0; y < image.GetHeight(); ++y)
      for (uint32_t x = 0; x < image.GetWidth(); ++x) {
        RGBQUAD a = image.GetPixelColor(x, y, true), b = ours.GetPixelColor(x, y, true);
        if (inverse) b.rgbRed = b.rgbGreen = b.rgbBlue = static_cast<uint8_t>(255 - b.rgbRed);
        ASSERT_EQ((Bytes{a.rgbRed, a.rgbGreen, a.rgbBlue}), (Bytes{b.rgbRed, b.rgbGreen, b.rgbBlue})) << x << "," << y;
        if (image.HasAlpha()) ASSERT_EQ(a.rgbReserved, b.rgbReserved) << x << "," << y;
      }
  }
}

// --- WBMP ---

TEST(WbmpCodecTest, HeaderChecksSizesAndRows) {
  CRasterImage image(0u);
  struct Case {
    Bytes file;
    const char* error;
  } cases[] = {
      {{0, 0, 5}, "Not a WBMP"},
      {{1, 0, 5, 5, 0}, "Unsupported WBMP type"},
      {{0, 0x80, 5, 5, 0}, "Unsupported WBMP type"},
      {{0, 0, 0, 5, 0}, "Corrupted WBMP"},
      {{0, 0, 5, 0, 0}, "Corrupted WBMP"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(DecodeBytes(image, c.file, FormatWbmp));
    EXPECT_STREQ(image.GetLastError(), c.error);
  }
  // 00 00 10 10: 16 x 16, rows from the top, 1 white.
  Bytes sixteen = {0, 0, 0x10, 0x10, 0x80, 0x01};
  ASSERT_TRUE(DecodeBytes(image, sixteen, FormatUnknown)) << image.GetLastError();
  EXPECT_EQ(image.GetType(), FormatWbmp);
  EXPECT_EQ(image.GetWidth(), 16u);
  EXPECT_EQ(image.GetHeight(), 16u);
  EXPECT_EQ(image.GetBpp(), 1u);
  ExpectColour(At(image, 0, 0), 255, 255, 255);
  ExpectColour(At(image, 15, 0), 255, 255, 255);
  ExpectColour(At(image, 1, 0), 0, 0, 0);
  // The file stops after one row: the other rows are 0, never old memory.
  for (int y = 1; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(image.GetPixelIndex(x, 15 - y), 0) << x << "," << y;
  // 200 x 100 fits the one-byte sides.
  Bytes wide = {0, 0, 200, 100};
  wide.resize(4 + 25 * 100, 0xAA);
  ASSERT_TRUE(DecodeBytes(image, wide, FormatWbmp));
  EXPECT_EQ(image.GetWidth(), 200u);
  EXPECT_EQ(image.GetHeight(), 100u);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 0);
}

TEST(WbmpCodecTest, EncoderLimitsAndLayout) {
  CRasterImage wide(300, 2, 1, 0);
  EXPECT_TRUE(EncodeBytes(wide, FormatWbmp).empty());
  EXPECT_STREQ(wide.GetLastError(), "Can't save this image as WBMP");
  CRasterImage tall(2, 256, 1, 0);
  EXPECT_TRUE(EncodeBytes(tall, FormatWbmp).empty());
  CRasterImage grey(4, 4, 8, 0);
  EXPECT_TRUE(EncodeBytes(grey, FormatWbmp).empty());
  EXPECT_STREQ(grey.GetLastError(), "Can't save this image as WBMP");
  CRasterImage image(10, 2, 1, 0);
  image.SetPixelIndex(0, 1, 1);
  image.SetPixelIndex(9, 0, 1);
  EXPECT_EQ(EncodeBytes(image, FormatWbmp), (Bytes{0, 0, 10, 2, 0x80, 0, 0, 0x40}));
}

TEST(WbmpCodecTest, QtReadsOurFilesWhereBothSidesAreBelow128) {
  // From 128 on the format's sizes take more than one byte, which the
  // one-byte header here does not write.
  for (auto [w, h] : {std::pair{1u, 1u}, std::pair{19u, 5u}, std::pair{127u, 64u}}) {
    CRasterImage image(w, h, 1, 0);
    image.SetGrayPalette();
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) image.SetPixelIndex(x, y, static_cast<uint8_t>((x * 7 + y * 3) % 5 == 0));
    Bytes out = EncodeBytes(image, FormatWbmp);
    QImage qt = QImage::fromData(out.data(), static_cast<int>(out.size()), "WBMP");
    ASSERT_NO_FATAL_FAILURE(ExpectSamePixels(image, qt, false)) << w;
    CRasterImage back(0u);
    ASSERT_TRUE(DecodeBytes(back, out, FormatUnknown));
    EXPECT_EQ(back.GetType(), FormatWbmp);
    EXPECT_EQ(Bytes(back.GetDib(), back.GetDib() + back.GetSize()), Bytes(image.GetDib(), image.GetDib() + image.GetSize()));
  }
}

}  // namespace
