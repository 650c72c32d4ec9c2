// The JPEG codec: pixel layouts, resolution, the encoder's refusals and
// settings, damaged input, and Qt's reader and writer as the other side.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <cmath>
#include <cstdlib>

#include "image/ImageStream.h"
#include "image/ImageLog.h"
#include "image/JpegCodec.h"
#include "tests/image/ExifBlock.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

Bytes Flat(uint32_t width, uint32_t height, Bytes pixel) {
  Bytes out;
  for (uint32_t i = 0; i < width * height; ++i) Append(out, pixel);
  return out;
}

void ExpectNear(int actual, int expected, int tolerance, const char* what) {
  EXPECT_LE(std::abs(actual - expected), tolerance) << what << " " << actual << " vs " << expected;
}

TEST(JpegCodecTest, GreyDecodesToTheLinearGreyPaletteAndColourToBlueGreenRed) {
  CRasterImage grey(0u);
  ASSERT_TRUE(DecodeBytes(grey, WriteJpeg(16, 8, 1, JCS_GRAYSCALE, Flat(16, 8, {77})), FormatJpeg));
  EXPECT_EQ(grey.GetBpp(), 8u);
  EXPECT_EQ(grey.GetNumColors(), 256u);
  EXPECT_TRUE(grey.IsGrayScale());
  ExpectNear(grey.GetPixelIndex(5, 5), 77, 1, "grey");

  CRasterImage colour(0u);
  ASSERT_TRUE(DecodeBytes(colour, WriteJpeg(16, 8, 3, JCS_RGB, Flat(16, 8, {200, 100, 30})), FormatJpeg));
  EXPECT_EQ(colour.GetBpp(), 24u);
  EXPECT_EQ(colour.GetNumColors(), 0u);
  EXPECT_EQ(colour.GetType(), FormatJpeg);
  const uint8_t* p = colour.GetBits(3) + 3 * 7;
  ExpectNear(p[0], 30, 2, "blue byte first");
  ExpectNear(p[1], 100, 2, "green");
  ExpectNear(p[2], 200, 2, "red last");
}

TEST(JpegCodecTest, AdobeCmykConvertsThroughTheBlackChannel) {
  // Adobe files store inverted CMYK; the codec multiplies each by K / 255.
  struct Case {
    uint8_t c, m, y, k;
  } cases[] = {{200, 100, 50, 255}, {200, 100, 50, 128}, {255, 0, 90, 60}};
  for (const auto& c : cases) {
    Bytes jpeg = WriteJpeg(16, 16, 4, JCS_CMYK, Flat(16, 16, {c.c, c.m, c.y, c.k}));
    ASSERT_EQ(JpegMarkers(jpeg)[0], 0xEE);  // Adobe marker, no JFIF
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, jpeg, FormatJpeg)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 24u);
    RGBQUAD px = image.GetPixelColor(8, 8, false);
    ExpectNear(px.rgbBlue, c.k * c.y / 255, 2, "blue");
    ExpectNear(px.rgbGreen, c.k * c.m / 255, 2, "green");
    ExpectNear(px.rgbRed, c.k * c.c / 255, 2, "red");
  }
}

TEST(JpegCodecTest, ResolutionComesFromJfifUnitsOrFromExif) {
  struct Case {
    int unit, density, dpi;
  } cases[] = {{2, 118, 300}, {1, 72, 72}, {0, 1, 1}, {1, 0, 96}};
  for (const auto& c : cases) {
    Bytes jpeg = WriteJpeg(8, 8, 1, JCS_GRAYSCALE, Flat(8, 8, {1}), 90, [&](jpeg_compress_struct& cinfo) {
      cinfo.density_unit = static_cast<UINT8>(c.unit);
      cinfo.X_density = static_cast<UINT16>(c.density);
      cinfo.Y_density = static_cast<UINT16>(c.density);
    });
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, jpeg, FormatJpeg));
    EXPECT_EQ(image.GetDpiX(), c.dpi) << c.unit << " " << c.density;
    EXPECT_EQ(image.GetDpiY(), c.dpi);
  }

  // EXIF's 72 per inch wins over the JFIF 300; unit 3 (centimetres) with
  // 28.35 gives 72 as well.
  for (auto [unit, numerator, denominator] : {std::tuple{2, 72u, 1u}, std::tuple{3, 2835u, 100u}}) {
    ExifBlock exif;
    exif.Rational(ExifIfdKind::Primary, 0x011A, numerator, denominator);
    exif.Rational(ExifIfdKind::Primary, 0x011B, numerator, denominator);
    exif.Short(ExifIfdKind::Primary, 0x0128, static_cast<uint16_t>(unit));
    Bytes jpeg = WriteJpeg(8, 8, 3, JCS_RGB, Flat(8, 8, {1, 2, 3}), 90,
                           [](jpeg_compress_struct& cinfo) {
                             cinfo.density_unit = 1;
                             cinfo.X_density = 300;
                             cinfo.Y_density = 300;
                           },
                           {{JPEG_APP0 + 1, exif.Save()}});
    CJpegCodec codec;
    CImageMemoryStream stream(jpeg.data(), jpeg.size());
    ASSERT_TRUE(codec.DecodeStream(&stream)) << codec.GetLastError();
    EXPECT_TRUE(codec.GetExifData().isExif);
    EXPECT_EQ(codec.GetDpiX(), 72) << unit;
    EXPECT_EQ(codec.GetDpiY(), 72);
  }
}

TEST(JpegCodecTest, EncoderRefusesColourPalettesAndWritesGreyAsOneComponent) {
  for (uint32_t bpp : {1u, 4u, 8u}) {
    CRasterImage image(4, 4, bpp, 0);
    if (bpp == 8) image.SetPaletteColor(3, 9, 9, 200);
    EXPECT_TRUE(EncodeBytes(image, FormatJpeg).empty()) << bpp;
    EXPECT_STREQ(image.GetLastError(), "JPEG can save only RGB or GreyScale images");
  }
  CRasterImage grey(10, 6, 8, 0);
  grey.SetGrayPalette();
  grey.SetPixelIndex(2, 3, 180);
  Bytes jpeg = EncodeBytes(grey, FormatJpeg);
  ASSERT_FALSE(jpeg.empty()) << grey.GetLastError();
  // SOF0: length, precision, height, width, then the component count.
  auto markers = JpegMarkers(jpeg);
  ASSERT_NE(std::find(markers.begin(), markers.end(), 0xC0), markers.end());
  size_t sof = 2;
  while (!(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0)) sof += 2 + (jpeg[sof + 2] << 8 | jpeg[sof + 3]);
  EXPECT_EQ(jpeg[sof + 9], 1);
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, jpeg, FormatUnknown));
  EXPECT_EQ(back.GetBpp(), 8u);
  ExpectNear(back.GetPixelIndex(2, 3), 180, 40, "grey pixel");
}

TEST(JpegCodecTest, QualityNinetyWritesBaselineHuffmanWithTheImagesDensity) {
  CRasterImage image(40, 30, 24, 0);
  image.SetDpiX(150);
  Bytes jpeg = EncodeBytes(image, FormatJpeg);
  ASSERT_GT(jpeg.size(), 20u);
  auto markers = JpegMarkers(jpeg);
  EXPECT_EQ(markers.front(), 0xE0);
  EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC0), markers.end());
  EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC4), markers.end());
  for (int progressiveOrArithmetic : {0xC2, 0xC9, 0xCA, 0xCC})
    EXPECT_EQ(std::find(markers.begin(), markers.end(), progressiveOrArithmetic), markers.end());
  // JFIF: unit 1, X density 150, Y density 96.
  EXPECT_EQ(jpeg[13], 1);
  EXPECT_EQ(jpeg[14] << 8 | jpeg[15], 150);
  EXPECT_EQ(jpeg[16] << 8 | jpeg[17], 96);
}

TEST(JpegCodecTest, ArithmeticCodingOptionWritesAnArithmeticFile) {
  CRasterImage image(24, 16, 24, 0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) image.SetPixelColor(x, y, RGBQUAD{200, 50, 90, 0});
  image.SetCodecOption(0x02, FormatJpeg);
  Bytes jpeg = EncodeBytes(image, FormatJpeg);
  ASSERT_FALSE(jpeg.empty()) << image.GetLastError();
  auto markers = JpegMarkers(jpeg);
  EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC9), markers.end());
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, jpeg, FormatJpeg)) << back.GetLastError();
  ExpectNear(back.GetPixelColor(20, 3, false).rgbBlue, 200, 12, "arithmetic-coded pixel");

  image.SetCodecOption(0x10 | 0x08, FormatJpeg);
  markers = JpegMarkers(EncodeBytes(image, FormatJpeg));
  EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC2), markers.end());
}

TEST(JpegCodecTest, TruncatedInputDecodesToAFullSizeImage) {
  Bytes rgb;
  for (int i = 0; i < 64 * 64; ++i) Append(rgb, {static_cast<uint8_t>(i), static_cast<uint8_t>(i / 64), 90});
  Bytes jpeg = WriteJpeg(64, 64, 3, JCS_RGB, rgb);
  jpeg.resize(jpeg.size() / 2);
  std::vector<std::string> logged;
  auto previous = image::SetLogSink([&](std::string_view line) { logged.emplace_back(line); });
  CRasterImage image(0u);
  EXPECT_TRUE(DecodeBytes(image, jpeg, FormatJpeg)) << image.GetLastError();
  image::SetLogSink(previous);
  EXPECT_EQ(image.GetWidth(), 64u);
  EXPECT_EQ(image.GetHeight(), 64u);
  ASSERT_FALSE(logged.empty());
  EXPECT_EQ(logged[0], "Premature end of JPEG file\n");
}

TEST(JpegCodecTest, DimensionsOnlyAndLibraryErrors) {
  Bytes jpeg = WriteJpeg(33, 17, 3, JCS_RGB, Flat(33, 17, {1, 2, 3}));
  CRasterImage image(0u);
  image.SetEscape(-1);
  ASSERT_TRUE(DecodeBytes(image, jpeg, FormatJpeg));
  EXPECT_FALSE(image.IsValid());
  EXPECT_EQ(image.GetWidth(), 33u);
  EXPECT_EQ(image.GetHeight(), 17u);

  image.SetEscape(0);
  image.SetJpegScale(2);
  ASSERT_TRUE(DecodeBytes(image, jpeg, FormatJpeg));
  EXPECT_EQ(image.GetWidth(), 17u);  // 33 / 2 rounded up

  CRasterImage other(0u);
  Bytes notJpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
  EXPECT_FALSE(DecodeBytes(other, notJpeg, FormatJpeg));
  EXPECT_STREQ(other.GetLastError(), "Not a JPEG file: starts with 0x47 0x49");
  EXPECT_FALSE(DecodeBytes(other, {}, FormatJpeg));
  EXPECT_STREQ(other.GetLastError(), "Empty input file");

  // A frame header claiming 60,000 x 60,000 (libjpeg itself stops at 65,500)
  // is refused before the library sets up anything for it.
  Bytes huge = jpeg;
  size_t sof = 2;
  while (!(huge[sof] == 0xFF && huge[sof + 1] == 0xC0)) sof += 2 + (huge[sof + 2] << 8 | huge[sof + 3]);
  for (size_t i : {sof + 5, sof + 7}) {
    huge[i] = 0xEA;  // 60,000 = 0xEA60
    huge[i + 1] = 0x60;
  }
  EXPECT_FALSE(DecodeBytes(other, huge, FormatJpeg));
  EXPECT_STREQ(other.GetLastError(), "RASTER_IMAGE_MAX_MEMORY exceeded");
}

TEST(JpegCodecTest, ACodecThatReadExifPutsItBackWhenItEncodes) {
  ExifBlock exif;
  exif.Text(ExifIfdKind::Primary, 0x010F, std::string("Brantle Cam", 12));
  exif.Rational(ExifIfdKind::Primary, 0x011A, 200, 1);
  exif.Short(ExifIfdKind::Primary, 0x0128, 2);
  Bytes jpeg = WriteJpeg(16, 16, 3, JCS_RGB, Flat(16, 16, {10, 20, 30}), 90, {},
                         {{JPEG_APP0 + 1, exif.Save()}, {JPEG_COM, Bytes{'h', 'i'}}});
  CJpegCodec codec;
  CImageMemoryStream in(jpeg.data(), jpeg.size());
  ASSERT_TRUE(codec.DecodeStream(&in));
  CImageMemoryStream out;
  out.Open();
  ASSERT_TRUE(codec.EncodeStream(&out)) << codec.GetLastError();
  Bytes written(out.GetBuffer(false), out.GetBuffer(false) + out.Size());
  auto markers = JpegMarkers(written);
  ASSERT_GE(markers.size(), 3u);
  EXPECT_EQ(markers[0], 0xE1);
  EXPECT_EQ(markers[1], 0xFE);
  EXPECT_EQ(std::count(markers.begin(), markers.end(), 0xE0), 0);

  EXPECT_EQ(ReadExifText(written, 0x010F), "Brantle Cam");
  CRasterImage again(0u);
  ASSERT_TRUE(DecodeBytes(again, written, FormatUnknown));
  EXPECT_EQ(again.GetDpiX(), 200);

  // Through the dispatcher the codec is fresh: no EXIF goes out.
  CRasterImage plain(0u);
  ASSERT_TRUE(DecodeBytes(plain, jpeg, FormatJpeg));
  EXPECT_EQ(JpegMarkers(EncodeBytes(plain, FormatJpeg))[0], 0xE0);
}

double Psnr(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) sum += d * d;
    }
  double mse = sum / (3.0 * a.width() * a.height());
  return 10 * std::log10(255.0 * 255.0 / mse);
}

QImage Scene(int width, int height) {
  QImage scene(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      scene.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height,
                                static_cast<int>(128 + 100 * std::sin(x / 9.0) * std::cos(y / 7.0))));
  return scene;
}

TEST(JpegCodecTest, QtsFilesDecodeToQtsOwnPixels) {
  for (bool greyscale : {false, true}) {
    QImage scene = Scene(97, 61);
    if (greyscale) scene = scene.convertToFormat(QImage::Format_Grayscale8);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(scene.save(&buffer, "JPG", 90));
    QImage qtDecoded = QImage::fromData(bytes, "JPG");
    ASSERT_FALSE(qtDecoded.isNull());
    CRasterImage ours(0u);
    ASSERT_TRUE(DecodeBytes(ours, Bytes(bytes.begin(), bytes.end()), FormatUnknown));
    EXPECT_EQ(ours.GetBpp(), greyscale ? 8u : 24u);
    int worst = 0;
    for (int y = 0; y < 61; ++y)
      for (int x = 0; x < 97; ++x) {
        RGBQUAD c = ours.GetPixelColor(x, 60 - y, false);
        QRgb q = qtDecoded.pixel(x, y);
        worst = std::max({worst, std::abs(c.rgbRed - qRed(q)), std::abs(c.rgbGreen - qGreen(q)),
                          std::abs(c.rgbBlue - qBlue(q))});
      }
    EXPECT_LE(worst, 2) << greyscale;
  }
}

TEST(JpegCodecTest, QtReadsWhatWeWriteAtQualityNinety) {
  QImage scene = Scene(120, 80);
  CRasterImage image(120, 80, 24, 0);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x) {
      QRgb q = scene.pixel(x, y);
      image.SetPixelColor(x, 79 - y, RGBQUAD{static_cast<uint8_t>(qBlue(q)), static_cast<uint8_t>(qGreen(q)),
                                             static_cast<uint8_t>(qRed(q)), 0});
    }
  EXPECT_EQ(image.GetJpegQuality(), 90);
  Bytes jpeg = EncodeBytes(image, FormatJpeg);
  QImage qt = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPG");
  ASSERT_FALSE(qt.isNull());
  ASSERT_EQ(qt.size(), scene.size());
  QByteArray qtBytes;
  QBuffer qtBuffer(&qtBytes);
  qtBuffer.open(QIODevice::WriteOnly);
  scene.save(&qtBuffer, "JPG", 90);
  std::printf("PSNR ours %.2f dB, Qt's own writer %.2f dB\n", Psnr(scene, qt),
              Psnr(scene, QImage::fromData(qtBytes, "JPG")));
  EXPECT_GE(Psnr(scene, qt), 40.0);
}

}  // namespace
