#pragma once
// What the codec tests share: pixels by their row from the top, colour
// checks, a patterned picture of each depth, a stream that notes its largest
// read, and a pixel-by-pixel comparison with a picture Qt read or made.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>

#include "image/ImageStream.h"
#include "image/RasterImage.h"

namespace imagetest {

inline RGBQUAD At(const CRasterImage& image, int x, int yFromTop) {
  return image.GetPixelColor(x, image.GetHeight() - 1 - yFromTop, false);
}

inline void ExpectColour(const RGBQUAD& c, int red, int green, int blue) {
  EXPECT_EQ(c.rgbRed, red);
  EXPECT_EQ(c.rgbGreen, green);
  EXPECT_EQ(c.rgbBlue, blue);
}

// A picture of the depth with a pattern a wrong row order, bit order or
// palette would break.
inline CRasterImage Pattern(uint32_t bpp, uint32_t width = 13, uint32_t height = 7) {
  CRasterImage image(width, height, bpp, 0);
  if (bpp <= 8) {
    for (uint32_t i = 0; i < image.GetNumColors(); ++i)
      image.SetPaletteColor(i, static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 11));
  }
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      if (bpp <= 8)
        image.SetPixelIndex(x, y, static_cast<uint8_t>((x * 5 + y * 3) % image.GetNumColors()));
      else
        image.SetPixelColor(x, y, RGBQUAD{static_cast<uint8_t>(x * 19), static_cast<uint8_t>(y * 33), static_cast<uint8_t>(x * y), 0});
    }
  return image;
}

// A memory stream that notes the size of its largest read.
class SizeRecordingStream : public CImageMemoryStream {
 public:
  SizeRecordingStream(const void* data, size_t size) : CImageMemoryStream(data, size) {}
  size_t Read(void* buffer, size_t size, size_t count) override {
    largest = std::max<uint64_t>(largest, static_cast<uint64_t>(size) * count);
    return CImageMemoryStream::Read(buffer, size, count);
  }
  uint64_t largest = 0;
};

// Our picture and Qt's, pixel by pixel; alpha too when `withAlpha` (the
// colour of a fully transparent pixel is not compared, and a picture Qt
// holds premultiplied is compared premultiplied).
inline void ExpectSamePixels(const CRasterImage& ours, const QImage& qt, bool withAlpha) {
  ASSERT_FALSE(qt.isNull());
  ASSERT_EQ(qt.width(), static_cast<int>(ours.GetWidth()));
  ASSERT_EQ(qt.height(), static_cast<int>(ours.GetHeight()));
  for (int y = 0; y < qt.height(); ++y)
    for (int x = 0; x < qt.width(); ++x) {
      RGBQUAD c = ours.GetPixelColor(x, ours.GetHeight() - 1 - y, true);
      QRgb q = qt.pixel(x, y);
      if (withAlpha) {
        ASSERT_EQ(qAlpha(q), c.rgbReserved) << x << "," << y;
        if (c.rgbReserved == 0) continue;
        if (qt.format() == QImage::Format_ARGB32_Premultiplied) {
          QRgb stored = reinterpret_cast<const QRgb*>(qt.constScanLine(y))[x];
          ASSERT_EQ(stored, qPremultiply(qRgba(c.rgbRed, c.rgbGreen, c.rgbBlue, c.rgbReserved))) << x << "," << y;
          continue;
        }
      }
      ASSERT_EQ(qRed(q), c.rgbRed) << x << "," << y;
      ASSERT_EQ(qGreen(q), c.rgbGreen) << x << "," << y;
      ASSERT_EQ(qBlue(q), c.rgbBlue) << x << "," << y;
    }
}

}  // namespace imagetest
