// The icon codec: the directory, the AND mask as transparency, the encoder's
// layout, and Qt's reader and writer as the other side.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "image/IconCodec.h"
#include "image/ImageStream.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

// One directory entry.
Bytes Entry(uint8_t width, uint8_t height, uint16_t bits, uint32_t size, uint32_t offset) {
  Bytes b = {width, height, 0, 0};
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, size);
  Put32(b, offset);
  return b;
}

// A one-image icon file: header, entry, info header (height doubled),
// palette, colour rows and mask rows, bottom first.
Bytes IconFile(uint8_t width, uint8_t height, uint16_t bits, const Bytes& palette, const Bytes& pixels,
               const Bytes& mask, int64_t sizeField = -1) {
  Bytes b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, 1);
  uint32_t size = static_cast<uint32_t>(40 + palette.size() + pixels.size() + mask.size());
  Append(b, Entry(width, height, bits, size, 22));
  Append(b, InfoHeader(width, height * 2, bits, 0,
                       sizeField < 0 ? static_cast<uint32_t>(pixels.size()) : static_cast<uint32_t>(sizeField)));
  Append(b, palette);
  Append(b, pixels);
  Append(b, mask);
  return b;
}

// An image that asks for one icon image of a file.
class FramePick : public CRasterImage {
 public:
  explicit FramePick(int32_t index) : CRasterImage(0u) { info.frameIndex = index; }
};

// A 16-entry palette: entry i is (i * 16, 255 - i, i).
Bytes Palette16() {
  Bytes p;
  for (int i = 0; i < 16; ++i) Append(p, {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 16), 0});
  return p;
}

TEST(IconCodecTest, ColourPixelsReadOnlyWhatTheBitmapHolds) {
  // A 4 x 2 four-bit icon (4 bytes a row) whose info header claims a
  // megabyte of colour data.
  Bytes pixels(1 << 20, 0);
  std::fill(pixels.begin(), pixels.begin() + 8, 0x33);
  Bytes file = IconFile(4, 2, 4, Palette16(), pixels, {}, 1 << 20);
  SizeRecordingStream stream(file.data(), file.size());
  CRasterImage image(0u);
  ASSERT_TRUE(image.Decode(&stream, FormatIcon)) << image.GetLastError();
  EXPECT_EQ(image.GetHeader().biSizeImage, 8u);
  EXPECT_EQ(stream.largest, 64u);  // the palette; the colour rows are 8 bytes
  EXPECT_EQ(image.GetPixelIndex(3, 1), 3);
  // A size field of 0 stands for the rows as laid out; the mask follows them.
  file = IconFile(4, 1, 4, Palette16(), {0x12, 0x34, 0, 0}, {0x10, 0, 0, 0}, 0);
  CRasterImage unsized(0u);
  ASSERT_TRUE(DecodeBytes(unsized, file, FormatIcon)) << unsized.GetLastError();
  const int expected[4] = {1, 2, 3, 0};  // pixel 3 masked, 0 the lowest unused index
  for (int x = 0; x < 4; ++x) EXPECT_EQ(unsized.GetPixelIndex(x, 0), expected[x]) << x;
  EXPECT_EQ(unsized.GetTransparentIndex(), 0);
}

TEST(IconCodecTest, DirectoryChecks) {
  Bytes icon = IconFile(2, 1, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0}, {0, 0, 0, 0});
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, icon, FormatUnknown)) << image.GetLastError();
  EXPECT_EQ(image.GetType(), FormatIcon);
  EXPECT_EQ(image.GetFrameCount(), 1);
  ExpectColour(image.GetPixelColor(1, 0, false), 6, 5, 4);
  EXPECT_FALSE(image.HasAlpha());
  EXPECT_EQ(image.GetTransparentIndex(), -1);

  Bytes cursor = icon;
  cursor[2] = 2;
  EXPECT_TRUE(DecodeBytes(image, cursor, FormatIcon));
  for (auto [at, value] : {std::pair{2, 3}, std::pair{0, 1}}) {
    Bytes bad = icon;
    bad[at] = static_cast<uint8_t>(value);
    CRasterImage refused(0u);
    EXPECT_FALSE(DecodeBytes(refused, bad, FormatIcon));
    EXPECT_STREQ(refused.GetLastError(), "");
  }
  // 00 00 01 00 is an icon whatever follows; a zero width fails at creation.
  Bytes nonsense = icon;
  nonsense[6] = 0;
  CRasterImage zero(0u);
  EXPECT_FALSE(DecodeBytes(zero, nonsense, FormatIcon));
  EXPECT_STREQ(zero.GetLastError(), "CRasterImage::Create : width and height must be greater than zero");
}

TEST(IconCodecTest, AnIndexBeyondTheImagesReportsHowManyThereAre) {
  Bytes file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 2);
  Bytes image1 = InfoHeader(1, 2, 24);
  Append(image1, {9, 9, 9, 0, 0, 0, 0, 0});
  Append(file, Entry(1, 1, 24, 48, 38));
  Append(file, Entry(1, 1, 24, 48, 86));
  Append(file, image1);
  Bytes image2 = image1;
  image2[40] = 200;
  Append(file, image2);
  FramePick image(1);
  ASSERT_TRUE(DecodeBytes(image, file, FormatIcon)) << image.GetLastError();
  EXPECT_EQ(image.GetPixelColor(0, 0, false).rgbBlue, 200);
  FramePick beyond(3);
  EXPECT_FALSE(DecodeBytes(beyond, file, FormatIcon));
  EXPECT_EQ(beyond.GetFrameCount(), 2);
  EXPECT_FALSE(beyond.IsValid());
}

TEST(IconCodecTest, MaskedPixelsOfAPaletteIconTakeTheLowestUnusedIndex) {
  // 4 x 1 with indexes 0 1 2 4; pixels 1 and 3 masked.
  Bytes file = IconFile(4, 1, 4, Palette16(), {0x01, 0x24, 0, 0}, {0x50, 0, 0, 0});
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatIcon)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 4u);
  EXPECT_EQ(image.GetTransparentIndex(), 3);
  EXPECT_FALSE(image.HasAlpha());
  const int expected[4] = {0, 3, 2, 3};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), expected[x]) << x;

  // Every index in use: the alpha plane carries the mask instead.
  Bytes twoColour = {0, 0, 0, 0, 255, 255, 255, 0};
  file = IconFile(2, 1, 1, twoColour, {0x40, 0, 0, 0}, {0x80, 0, 0, 0});
  CRasterImage full(0u);
  ASSERT_TRUE(DecodeBytes(full, file, FormatIcon)) << full.GetLastError();
  EXPECT_EQ(full.GetTransparentIndex(), -1);
  ASSERT_TRUE(full.HasAlpha());
  EXPECT_EQ(full.GetAlpha(0, 0), 0);
  EXPECT_EQ(full.GetAlpha(1, 0), 255);
}

TEST(IconCodecTest, ThirtyTwoBitsKeepTheirAlphaWithMaskedPixelsZero) {
  Bytes pixels = {1, 2, 3, 200, 4, 5, 6, 255, 7, 8, 9, 10};
  Bytes file = IconFile(3, 1, 32, {}, pixels, {0x40, 0, 0, 0});
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatIcon)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24u);
  ASSERT_TRUE(image.HasAlpha());
  EXPECT_EQ(image.GetAlpha(0, 0), 200);
  EXPECT_EQ(image.GetAlpha(1, 0), 0);
  EXPECT_EQ(image.GetAlpha(2, 0), 10);
  ExpectColour(image.GetPixelColor(2, 0, false), 9, 8, 7);
}

TEST(IconCodecTest, TwentyFourBitMasksOfOneColourAndAFullMask) {
  // Pixels 0 and 2 masked, both (9, 8, 7).
  Bytes file = IconFile(3, 1, 24, {}, {7, 8, 9, 1, 1, 1, 7, 8, 9, 0, 0, 0}, {0xA0, 0, 0, 0});
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatIcon)) << image.GetLastError();
  EXPECT_EQ(image.GetTransparentIndex(), 0);
  ExpectColour(image.GetTransparentColor(), 9, 8, 7);
  EXPECT_FALSE(image.HasAlpha());
  // Two colours under the mask: the alpha plane stays.
  file[62 + 6] = 70;
  CRasterImage two(0u);
  ASSERT_TRUE(DecodeBytes(two, file, FormatIcon));
  EXPECT_EQ(two.GetTransparentIndex(), -1);
  ASSERT_TRUE(two.HasAlpha());
  EXPECT_EQ(two.GetAlpha(2, 0), 0);
  // Every mask byte 0xFF: transparent index 0 and the colours inverted.
  file = IconFile(1, 1, 24, {}, {7, 8, 9, 0}, {0xFF, 0xFF, 0xFF, 0xFF});
  CRasterImage inverted(0u);
  ASSERT_TRUE(DecodeBytes(inverted, file, FormatIcon));
  EXPECT_EQ(inverted.GetTransparentIndex(), 0);
  ExpectColour(inverted.GetPixelColor(0, 0, false), 246, 247, 248);
}

TEST(IconCodecTest, EncoderLayout) {
  CRasterImage image(3, 2, 24, 0);
  image.SetPixelColor(0, 0, RGBQUAD{1, 2, 3, 0});
  image.CreateAlpha();
  image.SetAlpha(1, 0, 0);
  image.SetAlpha(2, 1, 77);
  Bytes out = EncodeBytes(image, FormatIcon);
  Bytes expected = {0, 0, 1, 0, 1, 0, 3, 2, 0, 0, 0, 0, 32, 0};
  Put32(expected, 24 + 8 + 40);
  Put32(expected, 22);
  Append(expected, InfoHeader(3, 4, 32, 0, 24));
  Append(expected, {1, 2, 3, 255, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 77});
  Append(expected, {0x40, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(out, expected);

  CRasterImage wide(256, 16, 8, 0);
  EXPECT_TRUE(EncodeBytes(wide, FormatIcon).empty());
  EXPECT_STREQ(wide.GetLastError(), "Can't save this image as icon");
  CRasterImage tall(16, 300, 24, 0);
  EXPECT_TRUE(EncodeBytes(tall, FormatIcon).empty());
  EXPECT_STREQ(tall.GetLastError(), "Can't save this image as icon");
}

TEST(IconCodecTest, QtReadsOurIconsWithEqualPixels) {
  struct Case {
    uint32_t bpp;
    bool alpha;
  } cases[] = {{8, false}, {24, false}, {24, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bpp);
    CRasterImage image = Pattern(c.bpp);
    if (c.alpha) {
      image.CreateAlpha();
      for (int x = 0; x < 13; ++x) image.SetAlpha(x, x % 7, static_cast<uint8_t>(x * 20));
    }
    Bytes out = EncodeBytes(image, FormatIcon);
    // Read back by us too.
    CRasterImage back(0u);
    ASSERT_TRUE(DecodeBytes(back, out, FormatIcon));
    EXPECT_EQ(Bytes(back.GetBits(0), back.GetBits(0) + back.GetHeader().biSizeImage),
              Bytes(image.GetBits(0), image.GetBits(0) + image.GetHeader().biSizeImage));
    ASSERT_FALSE(out.empty()) << image.GetLastError();
    EXPECT_EQ(out[12], c.alpha ? 32 : c.bpp);
    ExpectSamePixels(image, QImage::fromData(out.data(), static_cast<int>(out.size()), "ICO"), c.alpha);
  }
}

TEST(IconCodecTest, WeReadQtsIconsWithEqualPixels) {
  QImage opaque(16, 16, QImage::Format_RGB32);
  QImage translucent(16, 16, QImage::Format_ARGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      opaque.setPixel(x, y, qRgb(x * 15, y * 15, (x * y) % 256));
      translucent.setPixel(x, y, qRgba(x * 15, y * 15, 99, (x + y) % 3 == 0 ? 0 : 16 * x));
    }
  for (const QImage* qt : {&opaque, &translucent}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(qt->save(&buffer, "ICO"));
    Bytes file(bytes.begin(), bytes.end());
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, file, FormatUnknown)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), FormatIcon);
    ExpectSamePixels(image, *qt, qt->hasAlphaChannel());
  }
}

}  // namespace
