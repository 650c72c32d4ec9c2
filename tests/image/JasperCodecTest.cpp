// The JPEG-2000 family: JP2 and code streams through OpenJPEG (round trips,
// rates, components as frames, wide samples), PNM against Qt's reader, Sun
// raster against ImageMagick, PGX against a golden file.
#include <gtest/gtest.h>
#include <openjpeg.h>

#include <QBuffer>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/ImageStream.h"
#include "image/JasperCodec.h"
#include "tests/TempFolder.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

class FramePick : public CRasterImage {
 public:
  explicit FramePick(int32_t index) : CRasterImage(0u) { info.frameIndex = index; }
};

struct Plane {
  uint32_t precision;
  bool isSigned;
  std::vector<int32_t> samples;
};

// A lossless JP2 or code stream written by OpenJPEG itself, through a file.
Bytes OpenJpegFile(const std::string& path, bool jp2, uint32_t width, uint32_t height, const std::vector<Plane>& planes,
                   OPJ_COLOR_SPACE space) {
  std::vector<opj_image_cmptparm_t> parameters(planes.size());
  for (size_t i = 0; i < planes.size(); ++i) {
    parameters[i] = {};
    parameters[i].dx = parameters[i].dy = 1;
    parameters[i].w = width;
    parameters[i].h = height;
    parameters[i].prec = planes[i].precision;
    parameters[i].sgnd = planes[i].isSigned;
  }
  opj_image_t* picture = opj_image_create(static_cast<OPJ_UINT32>(planes.size()), parameters.data(), space);
  picture->x1 = width;
  picture->y1 = height;
  for (size_t i = 0; i < planes.size(); ++i)
    std::copy(planes[i].samples.begin(), planes[i].samples.end(), picture->comps[i].data);
  opj_cparameters_t setup;
  opj_set_default_encoder_parameters(&setup);
  setup.tcp_numlayers = 1;
  setup.tcp_rates[0] = 0;
  setup.cp_disto_alloc = 1;
  setup.numresolution = height > 1 ? 2 : 1;
  opj_codec_t* codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  opj_stream_t* stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE);
  bool ok = opj_setup_encoder(codec, &setup, picture) && opj_start_compress(codec, picture, stream) &&
            opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(picture);
  return ok ? ReadFile(path) : Bytes{};
}

double MeanDifference(const CRasterImage& a, const CRasterImage& b) {
  double sum = 0;
  for (uint32_t y = 0; y < a.GetHeight(); ++y)
    for (uint32_t x = 0; x < a.GetWidth(); ++x) {
      RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
      sum += std::abs(p.rgbRed - q.rgbRed) + std::abs(p.rgbGreen - q.rgbGreen) + std::abs(p.rgbBlue - q.rgbBlue);
    }
  return sum / (3.0 * a.GetWidth() * a.GetHeight());
}

// A smooth colour picture, as photographs are.
CRasterImage Smooth(uint32_t width, uint32_t height) {
  CRasterImage image(width, height, 24, 0);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      image.SetPixelColor(x, y, RGBQUAD{static_cast<uint8_t>(x * 255 / width), static_cast<uint8_t>(y * 255 / height),
                                        static_cast<uint8_t>((x + y) * 2), 0});
  return image;
}

CRasterImage Grey(uint32_t width, uint32_t height) {
  CRasterImage image(width, height, 8, 0);
  image.SetGrayPalette();
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) image.SetPixelIndex(x, y, static_cast<uint8_t>(x * 9 + y * 31));
  return image;
}

Bytes Dib(const CRasterImage& image) { return Bytes(image.GetDib(), image.GetDib() + image.GetSize()); }

TEST(JasperCodecTest, RateOptionFollowsTheQuality) {
  EXPECT_EQ(CJasperCodec::RateOption(90), "rate=0.900");
  EXPECT_EQ(CJasperCodec::RateOption(50), "rate=0.500");
  EXPECT_EQ(CJasperCodec::RateOption(100), "rate=1.000");
  EXPECT_EQ(CJasperCodec::RateOption(7), "rate=0.070");
}

TEST(JasperCodecTest, Jp2AndCodeStreamsRoundTripLosslesslyAtQuality100) {
  for (uint32_t type : {FormatJp2, FormatJpc}) {
    for (bool colour : {true, false}) {
      SCOPED_TRACE(std::to_string(type) + (colour ? " colour" : " grey"));
      CRasterImage image = colour ? Pattern(24, 29, 17) : Grey(29, 17);
      image.SetJpegQuality(100);
      Bytes out = EncodeBytes(image, type);
      ASSERT_FALSE(out.empty()) << image.GetLastError();
      EXPECT_EQ(out[type == FormatJp2 ? 4 : 0], type == FormatJp2 ? 'j' : 0xFF);
      CRasterImage detected(0u);
      ASSERT_TRUE(DecodeBytes(detected, out, FormatUnknown)) << detected.GetLastError();
      // Found by detection, the picture keeps the type asked for: 0.
      EXPECT_EQ(detected.GetType(), FormatUnknown);
      EXPECT_EQ(Dib(detected), Dib(image));
      CRasterImage hinted(0u);
      ASSERT_TRUE(DecodeBytes(hinted, out, type));
      EXPECT_EQ(hinted.GetType(), type);
      // Whatever type is hinted, the signature decides.
      ASSERT_TRUE(DecodeBytes(hinted, out, FormatRas));
      EXPECT_EQ(hinted.GetType(), FormatRas);
      EXPECT_EQ(Dib(hinted), Dib(image));
    }
  }
  // A single pixel takes one resolution level.
  CRasterImage dot(1, 1, 24, 0);
  dot.SetPixelColor(0, 0, RGBQUAD{1, 2, 3, 0});
  dot.SetJpegQuality(100);
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, EncodeBytes(dot, FormatJp2), FormatJp2)) << back.GetLastError();
  ExpectColour(back.GetPixelColor(0, 0, false), 3, 2, 1);
}

TEST(JasperCodecTest, LossyQualitiesStayWithinTheirError) {
  // Quality 90 and 50 (compression ratios 1.11 and 2) on a smooth picture:
  // mean error below 1 and 2 levels of 255, and smaller files than lossless.
  CRasterImage image = Smooth(64, 48);
  image.SetJpegQuality(100);
  const size_t lossless = EncodeBytes(image, FormatJp2).size();
  for (auto [quality, limit] : {std::pair{90, 1.0}, std::pair{50, 2.0}}) {
    image.SetJpegQuality(static_cast<uint8_t>(quality));
    Bytes out = EncodeBytes(image, FormatJp2);
    ASSERT_FALSE(out.empty());
    EXPECT_LT(out.size(), lossless) << quality;
    CRasterImage back(0u);
    ASSERT_TRUE(DecodeBytes(back, out, FormatJp2));
    EXPECT_LT(MeanDifference(image, back), limit) << quality;
    EXPECT_NE(Dib(back), Dib(image)) << quality;
  }
}

TEST(JasperCodecTest, EncoderRefusals) {
  CRasterImage colour = Pattern(24, 5, 3);
  EXPECT_TRUE(EncodeBytes(colour, FormatPgx).empty());
  EXPECT_STREQ(colour.GetLastError(), "PGX can save only GrayScale images");
  CRasterImage palette = Pattern(8, 5, 3);
  for (uint32_t type : {FormatJp2, FormatPnm, FormatRas}) {
    EXPECT_TRUE(EncodeBytes(palette, type).empty());
    EXPECT_STREQ(palette.GetLastError(), "JasPer can save only RGB or GrayScale images");
  }
  // A 1-bit picture's palette is not the grey ramp 0, 1.
  CRasterImage mono(4, 4, 1, 0);
  EXPECT_TRUE(EncodeBytes(mono, FormatJpc).empty());
  EXPECT_STREQ(mono.GetLastError(), "JasPer can save only RGB or GrayScale images");
}

class JasperFileTest : public testsupport::TempFolderTest {};

TEST_F(JasperFileTest, FourComponentsAreFramesAndWideSamplesAreScaled) {
  // 4 components of 12 bits: component i holds 16 * (x + 10 * i) + 15.
  const uint32_t w = 6, h = 2;
  std::vector<Plane> planes;
  for (int i = 0; i < 4; ++i) {
    Plane p{12, false, {}};
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) p.samples.push_back(static_cast<int32_t>(16 * (x + 10 * i + y) + 15));
    planes.push_back(p);
  }
  Bytes j2k = OpenJpegFile((folder_ / "four.j2k").string(), false, w, h, planes, OPJ_CLRSPC_UNKNOWN);
  ASSERT_FALSE(j2k.empty());
  for (int32_t index : {0, 3}) {
    FramePick image(index);
    ASSERT_TRUE(DecodeBytes(image, j2k, FormatUnknown)) << image.GetLastError();
    EXPECT_EQ(image.GetFrameCount(), 4);
    EXPECT_EQ(image.GetBpp(), 8u);
    EXPECT_TRUE(image.IsGrayScale());
    // The top 8 of the 12 bits (the low 8 bits would be 16 * x + 15 wrapped).
    for (uint32_t x = 0; x < w; ++x) {
      EXPECT_EQ(At(image, static_cast<int>(x), 0).rgbRed, x + 10 * index) << x;
      EXPECT_EQ(At(image, static_cast<int>(x), 1).rgbRed, x + 10 * index + 1) << x;
    }
  }
  for (int32_t index : {4, -1}) {
    FramePick image(index);
    EXPECT_FALSE(DecodeBytes(image, j2k, FormatJpc));
    EXPECT_STREQ(image.GetLastError(), "wrong frame!");
    EXPECT_EQ(image.GetFrameCount(), 0);  // only GIF and icons tell the count on failure
  }
  // Three components of 16 bits in a JP2: each sample's top 8 bits.
  std::vector<Plane> rgb(3, Plane{16, false, {}});
  for (int i = 0; i < 3; ++i)
    for (uint32_t x = 0; x < 4; ++x) rgb[i].samples.push_back(static_cast<int32_t>(0x0100 * (40 * i + x) + 0xFF));
  Bytes jp2 = OpenJpegFile((folder_ / "wide.jp2").string(), true, 4, 1, rgb, OPJ_CLRSPC_SRGB);
  ASSERT_FALSE(jp2.empty());
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, jp2, FormatJp2)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24u);
  for (int x = 0; x < 4; ++x) ExpectColour(image.GetPixelColor(x, 0, false), x, 40 + x, 80 + x);
  // Signed samples are moved up by half their range.
  std::vector<Plane> signedPlane(1, Plane{8, true, {-128, -1, 0, 127}});
  Bytes j2kSigned = OpenJpegFile((folder_ / "signed.j2k").string(), false, 4, 1, signedPlane, OPJ_CLRSPC_GRAY);
  ASSERT_TRUE(DecodeBytes(image, j2kSigned, FormatJpc)) << image.GetLastError();
  for (int x = 0; x < 4; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), (Bytes{0, 127, 128, 255}[x])) << x;
}

TEST_F(JasperFileTest, SyccPicturesAreTurnedIntoRgb) {
  // Grey in sYCC: luma only, chroma at the middle.
  std::vector<Plane> planes = {{8, false, {0, 100, 255, 30}}, {8, false, {128, 128, 128, 128}}, {8, false, {128, 128, 128, 228}}};
  Bytes jp2 = OpenJpegFile((folder_ / "sycc.jp2").string(), true, 4, 1, planes, OPJ_CLRSPC_SYCC);
  ASSERT_FALSE(jp2.empty());
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, jp2, FormatJp2)) << image.GetLastError();
  ExpectColour(image.GetPixelColor(0, 0, false), 0, 0, 0);
  ExpectColour(image.GetPixelColor(1, 0, false), 100, 100, 100);
  ExpectColour(image.GetPixelColor(2, 0, false), 255, 255, 255);
  // Cr 100 above the middle: red up by 140, green down by 71.
  ExpectColour(image.GetPixelColor(3, 0, false), 170, 0, 30);
}

TEST(JasperCodecTest, PnmOursReadByQtAndQtsReadByUs) {
  for (bool colour : {true, false}) {
    CRasterImage image = colour ? Pattern(24, 13, 7) : Grey(13, 7);
    Bytes out = EncodeBytes(image, FormatPnm);
    const std::string head = colour ? "P6\n13 7\n255\n" : "P5\n13 7\n255\n";
    ASSERT_EQ(std::string(out.begin(), out.begin() + static_cast<long>(head.size())), head);
    QImage qt = QImage::fromData(out.data(), static_cast<int>(out.size()));
    ASSERT_NO_FATAL_FAILURE(ExpectSamePixels(image, qt, false));
    CRasterImage back(0u);
    ASSERT_TRUE(DecodeBytes(back, out, FormatUnknown)) << back.GetLastError();
    EXPECT_EQ(Dib(back), Dib(image));
  }
  // What Qt writes, binary and ASCII, in all three kinds.
  QImage picture(11, 5, QImage::Format_RGB32);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 11; ++x) picture.setPixel(x, y, qRgb(x * 23, y * 50, (x * y) % 256));
  const std::pair<const char*, QImage> kinds[] = {
      {"PPM", picture},
      {"PGM", picture.convertToFormat(QImage::Format_Grayscale8)},
      {"PBM", picture.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)},
  };
  for (const auto& [format, qtImage] : kinds) {
    for (bool ascii : {false, true}) {
      SCOPED_TRACE(std::string(format) + (ascii ? " ascii" : ""));
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      ASSERT_TRUE(qtImage.save(&buffer, format));
      Bytes data(bytes.begin(), bytes.end());
      if (ascii) {
        // Qt writes the binary kinds; the ASCII twin is written here.
        QImage read = QImage::fromData(bytes);
        const char kind = data[1];
        std::string text = std::string("P") + static_cast<char>(kind - 3) + "\n# made by the test\n11 5\n";
        if (kind != '4') text += "255\n";
        for (int y = 0; y < 5; ++y)
          for (int x = 0; x < 11; ++x) {
            QRgb q = read.pixel(x, y);
            if (kind == '4') text += qRed(q) ? "0 " : "1 ";
            else if (kind == '5') text += std::to_string(qRed(q)) + " ";
            else text += std::to_string(qRed(q)) + " " + std::to_string(qGreen(q)) + " " + std::to_string(qBlue(q)) + "\n";
          }
        data.assign(text.begin(), text.end());
      }
      CRasterImage ours(0u);
      ASSERT_TRUE(DecodeBytes(ours, data, FormatUnknown)) << ours.GetLastError();
      EXPECT_EQ(ours.GetBpp(), std::string(format) == "PPM" ? 24u : std::string(format) == "PGM" ? 8u : 1u);
      ASSERT_NO_FATAL_FAILURE(ExpectSamePixels(ours, QImage::fromData(bytes), false));
    }
  }
}

TEST(JasperCodecTest, PnmOfSixteenBitsAndOtherScales) {
  // maxval 65535: the top 8 bits; maxval 1000: brought to 255.
  Bytes wide = {'P', '5', '\n', '2', ' ', '1', '\n', '6', '5', '5', '3', '5', '\n', 0x12, 0xFF, 0xAB, 0x01};
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, wide, FormatPnm)) << image.GetLastError();
  EXPECT_EQ(image.GetPixelIndex(0, 0), 0x12);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 0xAB);
  std::string text = "P2 3 1 1000 0 500 1000\n";
  ASSERT_TRUE(DecodeBytes(image, Bytes(text.begin(), text.end()), FormatPnm));
  EXPECT_EQ(image.GetPixelIndex(0, 0), 0);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 128);
  EXPECT_EQ(image.GetPixelIndex(2, 0), 255);
  // Cut short, or sides beyond the memory limit.
  std::string shortFile = "P6 4 4 255\nabc";
  EXPECT_FALSE(DecodeBytes(image, Bytes(shortFile.begin(), shortFile.end()), FormatPnm));
  EXPECT_STREQ(image.GetLastError(), "error: cannot load image data");
  std::string huge = "P6 65535 65535 255\nabc";
  SizeRecordingStream stream(huge.data(), huge.size());
  EXPECT_FALSE(image.Decode(&stream, FormatPnm));
  EXPECT_STREQ(image.GetLastError(), "RASTER_IMAGE_MAX_MEMORY exceeded");
}

TEST(JasperCodecTest, PgxAgainstTheGoldenFile) {
  const std::string golden = std::string(BRANTLE_SOURCE_DIR) + "/tests/image/golden/grey_3x2.pgx";
  Bytes file = ReadFile(golden);
  ASSERT_EQ(file.size(), 20u);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatUnknown)) << image.GetLastError();
  EXPECT_EQ(image.GetWidth(), 3u);
  EXPECT_EQ(image.GetHeight(), 2u);
  EXPECT_EQ(image.GetBpp(), 8u);
  const uint8_t expected[2][3] = {{0x00, 0x80, 0xFF}, {0x10, 0x20, 0x30}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image.GetPixelIndex(x, 1 - y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(EncodeBytes(image, FormatPgx), file);
  // 16 bits, little-endian, no space after the sign: the top 8 bits.
  std::string wide = "PG LM +12 2 1\n";
  Bytes sixteen(wide.begin(), wide.end());
  Append(sixteen, {0xF0, 0x0A, 0x0F, 0x00});
  ASSERT_TRUE(DecodeBytes(image, sixteen, FormatPgx)) << image.GetLastError();
  EXPECT_EQ(image.GetPixelIndex(0, 0), 0xAF);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 0x00);
}

TEST_F(JasperFileTest, SunRasterOursReadByImageMagickAndTheirsByUs) {
  for (bool colour : {true, false}) {
    SCOPED_TRACE(colour);
    CRasterImage image = colour ? Pattern(24, 13, 7) : Grey(13, 7);
    std::string path = (folder_ / (colour ? "c.ras" : "g.ras")).string();
    WriteFile(path, EncodeBytes(image, FormatRas));
    std::FILE* pipe = popen(("/usr/bin/convert '" + path + "' -depth 8 rgb:- 2>/dev/null").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    Bytes rgb(13 * 7 * 3 + 1);
    size_t got = std::fread(rgb.data(), 1, rgb.size(), pipe);
    ASSERT_EQ(pclose(pipe), 0);
    ASSERT_EQ(got, 13u * 7 * 3);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        RGBQUAD c = At(image, x, y);
        const uint8_t* p = &rgb[(y * 13 + x) * 3];
        ASSERT_EQ((Bytes{p[0], p[1], p[2]}), (Bytes{c.rgbRed, c.rgbGreen, c.rgbBlue})) << x << "," << y;
      }
  }
  // ImageMagick's files: true colour, a colour map, one bit.
  const std::pair<std::string, CRasterImage> sources[] = {
      {"colour.bmp", Pattern(24, 13, 7)}, {"palette.gif", Pattern(8, 13, 7)}, {"mono.gif", [] {
         CRasterImage m(19, 5, 1, 0);
         m.SetGrayPalette();
         for (uint32_t x = 0; x < 19; ++x) m.SetPixelIndex(x, x % 5, 1);
         return m;
       }()}};
  for (const auto& [name, image] : sources) {
    SCOPED_TRACE(name);
    CRasterImage copy(image);
    std::string source = (folder_ / name).string();
    WriteFile(source, EncodeBytes(copy, name.ends_with(".gif") ? FormatGif : FormatBmp));
    std::string path = (folder_ / (name + ".ras")).string();
    ASSERT_EQ(std::system(("/usr/bin/convert '" + source + "' '" + path + "'").c_str()), 0);
    CRasterImage ours(0u);
    ASSERT_TRUE(ours.Load(path.c_str(), FormatUnknown)) << ours.GetLastError();
    for (uint32_t y = 0; y < image.GetHeight(); ++y)
      for (uint32_t x = 0; x < image.GetWidth(); ++x) {
        RGBQUAD a = image.GetPixelColor(x, y, false), b = ours.GetPixelColor(x, y, false);
        ASSERT_EQ((Bytes{a.rgbRed, a.rgbGreen, a.rgbBlue}), (Bytes{b.rgbRed, b.rgbGreen, b.rgbBlue})) << x << "," << y;
      }
  }
}

TEST(JasperCodecTest, CodeStreamsDeclaringHugePicturesAreRefusedFromTheHeader) {
  // SOC, then a SIZ of 60000 x 60000 in 3 components: refused before any
  // tile is read (no tile follows at all).
  Bytes j2k = {0xFF, 0x4F, 0xFF, 0x51};
  Put16Be(j2k, 38 + 3 * 3);
  Put16Be(j2k, 0);
  for (uint32_t v : {60000u, 60000u, 0u, 0u, 60000u, 60000u, 0u, 0u}) Put32Be(j2k, v);
  Put16Be(j2k, 3);
  for (int i = 0; i < 3; ++i) Append(j2k, {7, 1, 1});
  Append(j2k, {0xFF, 0x52, 0, 12, 0, 0, 0, 1, 0, 5, 4, 4, 0, 0});  // COD, 5 levels
  Append(j2k, {0xFF, 0x5C, 0, 19, 0x40});                            // QCD, reversible
  Append(j2k, Bytes(16, 0x48));
  Append(j2k, {0xFF, 0x90, 0, 10, 0, 0, 0, 0, 0, 0, 0, 1, 0xFF, 0xD9});  // SOT, EOC
  CRasterImage image(0u);
  EXPECT_FALSE(DecodeBytes(image, j2k, FormatJpc));
  EXPECT_STREQ(image.GetLastError(), "RASTER_IMAGE_MAX_MEMORY exceeded");
  // Junk after a code stream's signature.
  Bytes junk = {0xFF, 0x4F, 0xFF, 0x51, 1, 2, 3};
  EXPECT_FALSE(DecodeBytes(image, junk, FormatJpc));
  EXPECT_STREQ(image.GetLastError(), "error: cannot load image data");
  Bytes none = {1, 2, 3, 4, 5};
  EXPECT_FALSE(DecodeBytes(image, none, FormatJp2));
  EXPECT_STREQ(image.GetLastError(), "error: cannot load image data");
}

}  // namespace
