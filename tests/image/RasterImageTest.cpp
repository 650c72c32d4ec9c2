// The raster image object: creation, ownership, palette and pixel access,
// the nearest-colour cache and the transforms the codecs use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "image/RasterImage.h"

namespace {

TEST(RasterImageTest, CreateRoundsBitsAndLaysOutRows) {
  struct Case {
    uint32_t width, height, bpp;
    uint32_t bits, rowBytes, imageSize, colors;
  } cases[] = {
      {1, 1, 24, 24, 4, 4, 0},     {3, 2, 1, 1, 4, 8, 2},       {5, 1, 2, 4, 4, 4, 16},
      {5, 1, 12, 24, 16, 16, 0},   {5, 1, 32, 24, 16, 16, 0},   {7, 3, 8, 8, 8, 24, 256},
      {9, 1, 4, 4, 8, 8, 16},      {33, 2, 0, 1, 8, 16, 2},     {2, 2, 5, 8, 4, 8, 256},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bpp);
    CRasterImage image(c.width, c.height, c.bpp, FormatBmp);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetBpp(), c.bits);
    EXPECT_EQ(image.GetRowBytes(), c.rowBytes);
    EXPECT_EQ(image.GetHeader().biSizeImage, c.imageSize);
    EXPECT_EQ(image.GetNumColors(), c.colors);
    EXPECT_EQ(image.GetSize(), 40 + 4 * c.colors + c.imageSize);
    EXPECT_EQ(image.GetBits(0), image.GetDib() + 40 + 4 * c.colors);
    EXPECT_EQ(image.GetBits(c.height - 1), image.GetBits(0) + (c.height - 1) * c.rowBytes);
    EXPECT_EQ(image.GetBits(c.height), nullptr);
    EXPECT_EQ(image.GetType(), FormatBmp);
  }
}

TEST(RasterImageTest, CreateRefusesEmptyAndOversizedImagesBeforeAllocating) {
  CRasterImage image(FormatUnknown);
  EXPECT_EQ(image.Create(0, 5, 24, 0), nullptr);
  EXPECT_STREQ(image.GetLastError(),
               "CRasterImage::Create : width and height must be greater than zero");
  // 65,536 squared wraps to 0 in 32 bits; 100,000 squared at 1 bit is 1.25 GB.
  for (auto [w, h, bpp] : {std::tuple{65536u, 65536u, 24u}, std::tuple{65535u, 65535u, 24u},
                           std::tuple{100000u, 100000u, 1u}, std::tuple{4294967295u, 2u, 1u}}) {
    EXPECT_EQ(image.Create(w, h, bpp, 0), nullptr);
    EXPECT_STREQ(image.GetLastError(), "RASTER_IMAGE_MAX_MEMORY exceeded");
    EXPECT_FALSE(image.IsValid());
  }
  EXPECT_TRUE(CRasterImage::FitsMemoryLimit(16000, 16000, 8));
  EXPECT_FALSE(CRasterImage::FitsMemoryLimit(16000, 16001, 8));
  // The rows as allocated count, padding included: 1 x 100,000,000 at 8
  // bits holds 400,000,000 bytes.
  EXPECT_FALSE(CRasterImage::FitsMemoryLimit(1, 100000000, 8));
  EXPECT_TRUE(CRasterImage::FitsMemoryLimit(4, 64000000, 8));
}

TEST(RasterImageTest, CreateHandsOutZeroedPixelsEvenOverReusedHeap) {
  // Leave a block of the same size full of 0xAB on the heap, then create:
  // the allocator hands the block back, and the pixels must not show it.
  CRasterImage probe(30, 30, 24, 0);
  const size_t size = probe.GetSize();
  probe.Destroy();
  for (int round = 0; round < 4; ++round) {
    void* old = std::malloc(size);
    std::memset(old, 0xAB, size);
    asm volatile("" : : "r"(old) : "memory");  // keep the fill
    std::free(old);
    CRasterImage image(30, 30, 24, 0);
    const uint8_t* bits = image.GetBits(0);
    for (uint32_t i = 0; i < image.GetHeader().biSizeImage; ++i) ASSERT_EQ(bits[i], 0) << i;
  }
}

TEST(RasterImageTest, ClearFillsByBitDepth) {
  CRasterImage one(10, 2, 1, 0);
  one.Clear(1);
  EXPECT_EQ(one.GetBits(0)[0], 0xFF);
  EXPECT_EQ(one.GetBits(1)[3], 0xFF);
  CRasterImage four(10, 2, 4, 0);
  four.Clear(0x23);
  EXPECT_EQ(four.GetBits(0)[0], 0x33);
  EXPECT_EQ(four.GetPixelIndex(9, 1), 3);
  CRasterImage empty(0u);
  empty.Clear(5);  // nothing to fill, nothing happens
  EXPECT_FALSE(empty.IsValid());
}

TEST(RasterImageTest, GettersOutsideTheImageAnswerTheirDefaults) {
  CRasterImage image(4, 3, 8, 0);
  image.SetGrayPalette();
  image.SetPixelIndex(0, 0, 77);
  image.SetPixelIndex(3, 2, 200);
  EXPECT_EQ(image.GetPixelIndex(-1, 0), 77);  // the first pixel byte
  EXPECT_EQ(image.GetPixelIndex(3, 2), 200);
  image.SetTransparentIndex(9);
  EXPECT_EQ(image.GetPixelIndex(-1, 0), 9);
  EXPECT_EQ(image.GetPixelIndex(4, 0), 9);
  EXPECT_EQ(image.GetPixelColor(10, 10).rgbRed, 9);  // palette colour of index 9
  image.SetTransparentIndex(-1);
  EXPECT_EQ(image.GetPixelColor(10, 10).rgbRed, 77);  // pixel (0, 0)
  EXPECT_EQ(image.GetAlpha(0, 0), 0);                 // no plane
  ASSERT_TRUE(image.CreateAlpha());
  EXPECT_EQ(image.GetAlpha(1, 1), 255);
  EXPECT_EQ(image.GetAlpha(-1, 1), 0);
  EXPECT_EQ(image.GetAlphaAddress(4, 0), nullptr);
  EXPECT_FALSE(image.IsSelected(4, 0));
  EXPECT_TRUE(image.IsSelected(3, 2));
  image.SetPixelIndex(-1, 0, 5);  // ignored
  image.SetPixelIndex(4, 0, 5);
  EXPECT_EQ(image.GetPaletteColor(256).rgbRed, 0);
  EXPECT_EQ(image.GetCodecOption(15), 0u);
  EXPECT_FALSE(image.SetCodecOption(1, 15));
  EXPECT_TRUE(image.SetCodecOption(7, 0));  // 0: the image's own type
  EXPECT_EQ(image.GetCodecOption(FormatUnknown), 7u);
}

TEST(RasterImageTest, DpiSettersStoreNinetySixForZeroAndKeepPixelsPerMetre) {
  CRasterImage image(2, 2, 24, 0);
  image.SetDpiX(0);
  image.SetDpiY(-3);
  EXPECT_EQ(image.GetDpiX(), 96);
  EXPECT_EQ(image.GetDpiY(), 96);
  EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 3780);
  image.SetDpiX(300);
  EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 11811);
  EXPECT_EQ(image.GetDpiX(), 300);
}

TEST(RasterImageTest, TakeShareAndDestroyMoveOwnershipOnlyWhereTheyMay) {
  CRasterImage source(5, 4, 24, FormatJpeg);
  source.GetBits(0)[0] = 42;
  source.CreateAlpha();
  source.SetJpegQuality(75);

  CRasterImage view(0u);
  view.ShareFrom(source);
  EXPECT_TRUE(view.IsSharingView());
  EXPECT_EQ(view.GetDib(), source.GetDib());
  EXPECT_FALSE(view.Destroy());
  EXPECT_TRUE(source.IsValid());
  EXPECT_EQ(source.GetBits(0)[0], 42);
  CRasterImage other(1, 1, 8, 0);
  EXPECT_FALSE(view.TakeFrom(other));  // a view owns nothing to replace
  EXPECT_TRUE(other.IsValid());
  EXPECT_EQ(view.Create(3, 3, 8, 0), nullptr);

  CRasterImage owner(2, 2, 8, 0);
  const uint8_t* dib = source.GetDib();
  ASSERT_TRUE(owner.TakeFrom(source));
  EXPECT_EQ(owner.GetDib(), dib);
  EXPECT_TRUE(owner.HasAlpha());
  EXPECT_EQ(owner.GetWidth(), 5u);
  EXPECT_EQ(owner.GetJpegQuality(), 75);
  EXPECT_EQ(owner.GetType(), FormatJpeg);
  EXPECT_FALSE(source.IsValid());
  EXPECT_FALSE(source.HasAlpha());
  EXPECT_EQ(source.GetJpegQuality(), 0);  // the info block is zeroed
  EXPECT_EQ(source.GetWidth(), 0u);

  CRasterImage copy(owner);
  EXPECT_NE(copy.GetDib(), owner.GetDib());
  EXPECT_EQ(std::memcmp(copy.GetDib(), owner.GetDib(), owner.GetSize()), 0);
  EXPECT_TRUE(copy.HasAlpha());
}

TEST(RasterImageTest, NearestColourCacheIsClearedByEveryPaletteChange) {
  CRasterImage image(2, 2, 4, 0);
  image.SetGrayPalette();  // steps of 17
  RGBQUAD grey{51, 51, 51, 0};
  EXPECT_EQ(image.FindNearestIndex(grey), 3);
  EXPECT_EQ(image.FindNearestIndex(grey), 3);
  image.SetPixelIndex(0, 0, 3);
  image.SetPixelIndex(1, 1, 5);
  image.SwapIndex(3, 5);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 5);
  EXPECT_EQ(image.GetPixelIndex(1, 1), 3);
  EXPECT_EQ(image.FindNearestIndex(grey), 5);  // not the cached 3
  image.SetPaletteColor(9, RGBQUAD{51, 51, 51, 0});
  image.SetPaletteColor(5, RGBQUAD{0, 0, 200, 0});
  EXPECT_EQ(image.FindNearestIndex(grey), 9);
}

TEST(RasterImageTest, FlipTwiceRestoresPixelsAndKeepsAlphaAligned) {
  CRasterImage image(3, 4, 24, 0);
  image.CreateAlpha();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) {
      image.SetPixelColor(x, y, RGBQUAD{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 9, 0});
      image.SetAlpha(x, y, static_cast<uint8_t>(10 * y + x));
    }
  image.SetJpegQuality(33);
  ASSERT_TRUE(image.Flip());
  EXPECT_EQ(image.GetPixelColor(2, 0, false).rgbGreen, 3);
  EXPECT_EQ(image.GetAlpha(2, 0), 32);  // moved with its pixel
  EXPECT_EQ(image.GetJpegQuality(), 33);
  ASSERT_TRUE(image.Flip());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(image.GetPixelColor(x, y, false).rgbGreen, y);
      EXPECT_EQ(image.GetPixelColor(x, y, false).rgbBlue, x);
      EXPECT_EQ(image.GetAlpha(x, y), 10 * y + x);
    }
  CRasterImage empty(0u);
  EXPECT_FALSE(empty.Flip());
  EXPECT_FALSE(empty.Mirror());
  EXPECT_FALSE(empty.Negative());
}

TEST(RasterImageTest, MirrorReversesRowsAtEveryDepth) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bpp);
    const uint32_t width = 11;
    CRasterImage image(width, 2, bpp, 0);
    image.CreateAlpha();
    const uint8_t top = bpp == 1 ? 1 : bpp == 4 ? 15 : 255;
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t v = static_cast<uint8_t>((x * 7 + 3) % (top + 1));
      if (bpp == 24)
        image.SetPixelColor(x, 1, RGBQUAD{v, static_cast<uint8_t>(v + 1), static_cast<uint8_t>(v + 2), 0});
      else
        image.SetPixelIndex(x, 1, v);
      image.SetAlpha(x, 1, static_cast<uint8_t>(x));
    }
    ASSERT_TRUE(image.Mirror());
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t v = static_cast<uint8_t>(((width - 1 - x) * 7 + 3) % (top + 1));
      if (bpp == 24) {
        RGBQUAD c = image.GetPixelColor(x, 1, false);
        EXPECT_EQ(c.rgbBlue, v);
        EXPECT_EQ(c.rgbGreen, v + 1);
        EXPECT_EQ(c.rgbRed, v + 2);
      } else {
        EXPECT_EQ(image.GetPixelIndex(x, 1), v) << x;
      }
      EXPECT_EQ(image.GetAlpha(x, 1), width - 1 - x);
    }
  }
}

TEST(RasterImageTest, NegativeInvertsPixelsPalettesOrGreyIndexes) {
  CRasterImage colour(4, 2, 24, 0);
  colour.SetPixelColor(1, 0, RGBQUAD{10, 20, 30, 0});
  colour.SetPixelColor(2, 1, RGBQUAD{10, 20, 30, 0});
  colour.SelectPixel(1, 0, true);
  colour.SetTransparentColor(RGBQUAD{0, 0, 255, 0});
  ASSERT_TRUE(colour.Negative());
  RGBQUAD inverted = colour.GetPixelColor(1, 0, false);
  EXPECT_EQ(inverted.rgbBlue, 245);
  EXPECT_EQ(inverted.rgbGreen, 235);
  EXPECT_EQ(inverted.rgbRed, 225);
  EXPECT_EQ(colour.GetPixelColor(2, 1, false).rgbBlue, 10);  // not selected
  EXPECT_EQ(colour.GetPixelColor(0, 0, false).rgbBlue, 0);
  EXPECT_EQ(colour.GetTransparentColor().rgbRed, 0);
  EXPECT_EQ(colour.GetTransparentColor().rgbBlue, 255);
  colour.DeleteSelection();
  colour.Negative();
  EXPECT_EQ(colour.GetPixelColor(2, 1, false).rgbBlue, 245);
  EXPECT_EQ(colour.GetPixelColor(0, 0, false).rgbBlue, 255);

  CRasterImage grey(3, 1, 8, 0);
  grey.SetGrayPalette();
  grey.SetPixelIndex(0, 0, 10);
  ASSERT_TRUE(grey.Negative());
  EXPECT_EQ(grey.GetPixelIndex(0, 0), 245);
  EXPECT_EQ(grey.GetPixelIndex(1, 0), 255);
  EXPECT_EQ(grey.GetPaletteColor(10).rgbRed, 10);  // palette unchanged

  CRasterImage sixteen(3, 1, 4, 0);
  sixteen.SetPaletteColor(2, 200, 100, 50);
  sixteen.SetPixelIndex(0, 0, 2);
  ASSERT_TRUE(sixteen.Negative());
  EXPECT_EQ(sixteen.GetPixelIndex(0, 0), 2);
  RGBQUAD entry = sixteen.GetPaletteColor(2);
  EXPECT_EQ(entry.rgbRed, 55);
  EXPECT_EQ(entry.rgbGreen, 155);
  EXPECT_EQ(entry.rgbBlue, 205);
}

}  // namespace
