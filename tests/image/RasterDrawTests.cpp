// Drawing an image through a QPainter onto a QImage, pixel by pixel: the
// plain path at the image's own size, whole-pixel scaling, the transparent
// colour, alpha blending over what lies under, bilinear smoothing, and the
// painter's clip as it was before.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>

#include "image/RasterImage.h"

namespace {

RGBQUAD Bgr(uint8_t r, uint8_t g, uint8_t b) { return RGBQUAD{b, g, r, 0}; }

// A device of w x h pixels of one colour.
QImage Device(int w, int h, QRgb colour = qRgb(255, 255, 255)) {
  QImage device(w, h, QImage::Format_RGB32);
  device.fill(colour);
  return device;
}

// The colour of a true-colour pixel counted from the top.
QRgb Top(const CRasterImage& image, int x, int yFromTop) {
  const RGBQUAD c = image.GetPixelColor(x, image.GetHeight() - 1 - yFromTop, false);
  return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

TEST(RasterDraw, NegativeSizesDrawAtTheImagesOwnSize) {
  CRasterImage image(3, 2, 24);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) image.SetPixelColor(x, y, Bgr(10 + 40 * x, 20 + 100 * y, 7));
  QImage device = Device(10, 8);
  {
    QPainter painter(&device);
    EXPECT_EQ(1, image.Draw(&painter, 2, 1, -1, -1));
  }
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
      EXPECT_EQ(inside ? Top(image, x - 2, y - 1) : qRgb(255, 255, 255),
                device.pixel(x, y) | 0xFF000000u)
          << x << "," << y;
    }

  // A palette image the same way, through its palette.
  CRasterImage indexed(2, 2, 8);
  indexed.SetGrayPalette();
  indexed.SetPixelIndex(0, 0, 10);
  indexed.SetPixelIndex(1, 0, 20);
  indexed.SetPixelIndex(0, 1, 30);
  indexed.SetPixelIndex(1, 1, 40);
  QImage small = Device(2, 2);
  {
    QPainter painter(&small);
    EXPECT_EQ(1, indexed.Draw(&painter, 0, 0));
  }
  EXPECT_EQ(qRgb(30, 30, 30), small.pixel(0, 0));
  EXPECT_EQ(qRgb(40, 40, 40), small.pixel(1, 0));
  EXPECT_EQ(qRgb(10, 10, 10), small.pixel(0, 1));
  EXPECT_EQ(qRgb(20, 20, 20), small.pixel(1, 1));
}

TEST(RasterDraw, DoubleSizeRepeatsEverySourcePixelInTwoByTwoBlocks) {
  CRasterImage image(100, 50, 24);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) image.SetPixelColor(x, y, Bgr(2 * x, 5 * y, (x * 7 + y) % 256));
  QImage device = Device(200, 100);
  {
    QPainter painter(&device);
    ASSERT_EQ(1, image.Draw(&painter, 0, 0, 200, 100, nullptr, false));
  }
  int wrong = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      if ((device.pixel(x, y) | 0xFF000000u) != Top(image, x / 2, y / 2)) ++wrong;
  EXPECT_EQ(0, wrong);
}

TEST(RasterDraw, TransparentColourLeavesWhatLiesUnder) {
  CRasterImage image(4, 1, 24);
  image.SetPixelColor(0, 0, Bgr(255, 0, 255));
  image.SetPixelColor(1, 0, Bgr(10, 20, 30));
  image.SetPixelColor(2, 0, Bgr(255, 0, 255));
  image.SetPixelColor(3, 0, Bgr(255, 0, 254));
  image.SetTransparentIndex(0);
  image.SetTransparentColor(Bgr(255, 0, 255));
  for (QRgb under : {qRgb(255, 255, 255), qRgb(1, 2, 3)}) {
    QImage device = Device(4, 1, under);
    {
      QPainter painter(&device);
      ASSERT_EQ(1, image.Draw(&painter, 0, 0));
    }
    EXPECT_EQ(under, device.pixel(0, 0));
    EXPECT_EQ(qRgb(10, 20, 30), device.pixel(1, 0));
    EXPECT_EQ(under, device.pixel(2, 0));
    EXPECT_EQ(qRgb(255, 0, 254), device.pixel(3, 0));
  }
}

TEST(RasterDraw, AlphaBlendsOverWhatLiesUnder) {
  CRasterImage image(2, 1, 24);
  image.SetPixelColor(0, 0, Bgr(200, 100, 51));
  image.SetPixelColor(1, 0, Bgr(200, 100, 51));
  ASSERT_TRUE(image.CreateAlpha());
  image.SetAlpha(0, 0, 128);
  image.SetAlpha(1, 0, 0);
  QImage black = Device(2, 1, qRgb(0, 0, 0));
  {
    QPainter painter(&black);
    ASSERT_EQ(1, image.Draw(&painter, 0, 0));
  }
  EXPECT_EQ(qRgb(200 * 128 >> 8, 100 * 128 >> 8, 51 * 128 >> 8), black.pixel(0, 0));
  EXPECT_EQ(qRgb(0, 0, 0), black.pixel(1, 0));  // alpha 0 is skipped
  QImage white = Device(2, 1);
  {
    QPainter painter(&white);
    ASSERT_EQ(1, image.Draw(&painter, 0, 0));
  }
  EXPECT_EQ(qRgb((200 * 128 + 255 * 127) >> 8, (100 * 128 + 255 * 127) >> 8,
                 (51 * 128 + 255 * 127) >> 8),
            white.pixel(0, 0));
  // alphaMax scales the plane: 128 * (127 + 1) >> 8 = 64.
  image.SetAlphaMax(127);
  QImage dark = Device(2, 1, qRgb(0, 0, 0));
  {
    QPainter painter(&dark);
    ASSERT_EQ(1, image.Draw(&painter, 0, 0));
  }
  EXPECT_EQ(qRgb(200 * 64 >> 8, 100 * 64 >> 8, 51 * 64 >> 8), dark.pixel(0, 0));
}

TEST(RasterDraw, SmoothingSamplesBilinearly) {
  // Two columns, 0 and 200, in two rows: drawn 4 times as wide, the inner
  // columns sample between them in 8-bit fixed point.
  CRasterImage image(2, 2, 24);
  for (int y = 0; y < 2; ++y) {
    image.SetPixelColor(0, y, Bgr(0, 0, 0));
    image.SetPixelColor(1, y, Bgr(200, 200, 200));
  }
  QImage device = Device(8, 2);
  {
    QPainter painter(&device);
    ASSERT_EQ(1, image.Draw(&painter, 0, 0, 8, 2, nullptr, true));
  }
  // Column c samples x = c / 4 - 0.5.
  const int expected[8] = {0, 0, 0, 50, 100, 150, 200, 200};
  for (int c = 0; c < 8; ++c)
    EXPECT_EQ(expected[c], qRed(device.pixel(c, 1))) << c;
  // Without smoothing the same size repeats whole pixels.
  QImage plain = Device(8, 2);
  {
    QPainter painter(&plain);
    ASSERT_EQ(1, image.Draw(&painter, 0, 0, 8, 2, nullptr, false));
  }
  for (int c = 0; c < 8; ++c) EXPECT_EQ(c < 4 ? 0 : 200, qRed(plain.pixel(c, 1))) << c;
}

TEST(RasterDraw, ClipRectangleLimitsThePaintAndTheEarlierClipComesBack) {
  CRasterImage image(10, 10, 24);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) image.SetPixelColor(x, y, Bgr(9, 9, 9));
  QImage device = Device(10, 10);
  const RECT clip{2, 3, 8, 9};
  {
    QPainter painter(&device);
    painter.setClipRect(QRect(0, 0, 5, 6));
    ASSERT_EQ(1, image.Draw(&painter, 0, 0, -1, -1, &clip));
    EXPECT_TRUE(painter.hasClipping());
    EXPECT_EQ(QRegion(0, 0, 5, 6), painter.clipRegion());
  }
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool painted = x >= 2 && x < 5 && y >= 3 && y < 6;
      EXPECT_EQ(painted ? qRgb(9, 9, 9) : qRgb(255, 255, 255), device.pixel(x, y))
          << x << "," << y;
    }
  // Without an earlier clip the painter has none afterwards.
  QImage other = Device(10, 10);
  {
    QPainter painter(&other);
    ASSERT_EQ(1, image.Draw(&painter, 0, 0, -1, -1, &clip));
    EXPECT_FALSE(painter.hasClipping());
    painter.fillRect(0, 0, 1, 1, Qt::black);
  }
  EXPECT_EQ(qRgb(0, 0, 0), other.pixel(0, 0));
  EXPECT_EQ(qRgb(9, 9, 9), other.pixel(2, 3));
  EXPECT_EQ(qRgb(255, 255, 255), other.pixel(1, 3));
}

TEST(RasterDraw, NothingIsDoneWithoutBitmapPainterSizeOrDrawing) {
  CRasterImage image(4, 4, 24);
  QImage device = Device(4, 4);
  QPainter painter(&device);
  EXPECT_EQ(0, image.Draw(nullptr, 0, 0));
  EXPECT_EQ(0, image.Draw(&painter, 0, 0, 0, 4));
  EXPECT_EQ(0, image.Draw(&painter, 0, 0, 4, 0));
  CRasterImage empty;
  EXPECT_EQ(0, empty.Draw(&painter, 0, 0));
  image.SetDrawEnabled(false);
  EXPECT_EQ(0, image.Draw(&painter, 0, 0));
  image.SetDrawEnabled(true);
  // Wholly outside the device: done, nothing painted.
  EXPECT_EQ(1, image.Draw(&painter, 100, 100, 2000000000, 2000000000));
  painter.end();
  EXPECT_EQ(qRgb(255, 255, 255), device.pixel(0, 0));
}

}  // namespace
