// The metafile codec: the placeable and enhanced headers, the picture's size
// and its limits, the failure texts, and the records played, checked pixel
// by pixel on metafiles written here record by record.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>

#include "image/ImageStream.h"
#include "image/MetafileCodec.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

// Text is drawn only with a QGuiApplication (for its fonts).
void NeedApplication() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "image_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

// A placeable Windows metafile written record by record; parameters are
// 16-bit words in the order the file keeps them.
class Wmf {
 public:
  Wmf& Record(uint16_t function, const std::vector<int32_t>& words) {
    Put32(records_, static_cast<uint32_t>(3 + words.size()));
    Put16(records_, function);
    for (int32_t w : words) Put16(records_, static_cast<uint32_t>(w));
    largest_ = std::max<uint32_t>(largest_, static_cast<uint32_t>(3 + words.size()));
    return *this;
  }
  // A record with raw parameter bytes (padded to a word).
  Wmf& Raw(uint16_t function, Bytes bytes) {
    if (bytes.size() & 1) bytes.push_back(0);
    Put32(records_, static_cast<uint32_t>(3 + bytes.size() / 2));
    Put16(records_, function);
    Append(records_, bytes);
    return *this;
  }
  static std::vector<int32_t> Color(uint8_t r, uint8_t g, uint8_t b) { return {r | g << 8, b}; }

  Bytes File(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t unitsPerInch, uint16_t objects = 8,
             bool breakChecksum = false) const {
    Bytes b;
    Put32(b, 0x9AC6CDD7);
    Put16(b, 0);
    for (int16_t v : {left, top, right, bottom}) Put16(b, static_cast<uint16_t>(v));
    Put16(b, unitsPerInch);
    Put32(b, 0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= static_cast<uint16_t>(b[i] | b[i + 1] << 8);
    Put16(b, breakChecksum ? sum ^ 1 : sum);
    Bytes body = records_;
    Put32(body, 3);
    Put16(body, 0);  // end of file
    Put16(b, 1);
    Put16(b, 9);
    Put16(b, 0x0300);
    Put32(b, static_cast<uint32_t>((18 + body.size()) / 2));
    Put16(b, objects);
    Put32(b, largest_);
    Put16(b, 0);
    Append(b, body);
    return b;
  }

 private:
  Bytes records_;
  uint32_t largest_ = 3;
};

// An enhanced metafile written record by record.
class Emf {
 public:
  Emf& Record(uint32_t type, const std::vector<int32_t>& values) {
    Put32(records_, type);
    Put32(records_, static_cast<uint32_t>(8 + 4 * values.size()));
    for (int32_t v : values) Put32(records_, static_cast<uint32_t>(v));
    ++count_;
    return *this;
  }
  Emf& Raw(uint32_t type, const Bytes& bytes) {
    Put32(records_, type);
    Put32(records_, static_cast<uint32_t>(8 + bytes.size()));
    Append(records_, bytes);
    ++count_;
    return *this;
  }
  // Bounds in device pixels (inclusive), the frame in 0.01 mm, a reference
  // device of 96 dots per inch.
  Bytes File(int32_t left, int32_t top, int32_t right, int32_t bottom) const {
    Bytes b;
    Put32(b, 1);
    Put32(b, 88);
    for (int32_t v : {left, top, right, bottom}) Put32(b, static_cast<uint32_t>(v));
    // 96 dpi: 1 pixel = 2540 / 96 hundredths of a millimetre.
    for (int32_t v : {left, top, right + 1, bottom + 1}) Put32(b, static_cast<uint32_t>(v * 2540 / 96));
    Put32(b, 0x464D4520);
    Put32(b, 0x10000);
    Put32(b, static_cast<uint32_t>(88 + records_.size() + 20));
    Put32(b, count_ + 2);
    Put16(b, 8);
    Put16(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 960);  // 10 inches of 96 pixels
    Put32(b, 960);
    Put32(b, 254);
    Put32(b, 254);
    Append(b, records_);
    Put32(b, 14);
    Put32(b, 20);
    Put32(b, 0);
    Put32(b, 16);
    Put32(b, 20);
    return b;
  }

 private:
  Bytes records_;
  uint32_t count_ = 0;
};

// A 2 x 2 24-bit DIB, bottom row first: red, green / blue, white on top.
Bytes SmallDib() {
  Bytes dib = InfoHeader(2, 2, 24);
  Append(dib, {0, 0, 255, 0, 255, 0, 0, 0});     // bottom: red, green
  Append(dib, {255, 0, 0, 255, 255, 255, 0, 0}); // top: blue, white
  return dib;
}

void ExpectPixel(const CRasterImage& image, int x, int yFromTop, int r, int g, int b) {
  SCOPED_TRACE(std::to_string(x) + "," + std::to_string(yFromTop));
  ExpectColour(At(image, x, yFromTop), r, g, b);
}

TEST(MetafileCodecTest, SizesFromThePlaceableAndEnhancedHeaders) {
  CRasterImage image(0u);
  // 1440 x 720 at 1,440 units per inch on a 96-dpi display.
  ASSERT_TRUE(DecodeBytes(image, Wmf().File(0, 0, 1440, 720, 1440), FormatUnknown)) << image.GetLastError();
  EXPECT_EQ(image.GetType(), FormatMetafile);
  EXPECT_EQ(image.GetWidth(), 96u);
  EXPECT_EQ(image.GetHeight(), 48u);
  EXPECT_EQ(image.GetBpp(), 24u);
  ExpectPixel(image, 50, 20, 255, 255, 255);  // the background is white
  // Enhanced bounds 10000 x 5000 become 4,000 x 2,000.
  ASSERT_TRUE(DecodeBytes(image, Emf().File(0, 0, 10000, 5000), FormatMetafile)) << image.GetLastError();
  EXPECT_EQ(image.GetWidth(), 4000u);
  EXPECT_EQ(image.GetHeight(), 2000u);
  // Extents of 32,767 units at 96 per inch: limited with the aspect kept.
  struct Case {
    int16_t right, bottom;
    uint32_t width, height;
  } cases[] = {{32767, 16000, 4000, 1953}, {1000, 32767, 122, 4000}, {32767, 32767, 4000, 4000}};
  for (const auto& c : cases) {
    ASSERT_TRUE(DecodeBytes(image, Wmf().File(0, 0, c.right, c.bottom, 96), FormatMetafile)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), c.width);
    EXPECT_EQ(image.GetHeight(), c.height);
  }
  uint64_t w = 5000, h = 100;
  CMetafileCodec::LimitSize(w, h, 0, 0);
  EXPECT_EQ(w, 4000u);
  EXPECT_EQ(h, 80u);
  w = 10, h = 10;
  CMetafileCodec::LimitSize(w, h, 300, 0);
  EXPECT_EQ(w, 300u);
  EXPECT_EQ(h, 10u);
}

TEST(MetafileCodecTest, FailureTexts) {
  CRasterImage image(0u);
  // A wrong checksum makes it an enhanced metafile attempt, which fails.
  EXPECT_FALSE(DecodeBytes(image, Wmf().File(0, 0, 1440, 720, 1440, 8, true), FormatMetafile));
  EXPECT_STREQ(image.GetLastError(), "corrupted WMF");
  // Units per inch beyond 2,540, a plain metafile without the placeable
  // header, a file cut inside its records.
  EXPECT_FALSE(DecodeBytes(image, Wmf().File(0, 0, 1440, 720, 2541), FormatMetafile));
  EXPECT_STREQ(image.GetLastError(), "corrupted WMF");
  Bytes plain = Wmf().File(0, 0, 1440, 720, 1440);
  EXPECT_FALSE(DecodeBytes(image, Bytes(plain.begin() + 22, plain.end()), FormatMetafile));
  EXPECT_STREQ(image.GetLastError(), "corrupted WMF");
  EXPECT_FALSE(DecodeBytes(image, Bytes(plain.begin(), plain.end() - 2), FormatMetafile));
  EXPECT_STREQ(image.GetLastError(), "corrupted WMF");
  // No extent.
  EXPECT_FALSE(DecodeBytes(image, Wmf().File(100, 0, 100, 720, 1440), FormatMetafile));
  EXPECT_STREQ(image.GetLastError(), "empty WMF");
  EXPECT_FALSE(DecodeBytes(image, Emf().File(0, 0, 0, 500), FormatMetafile));
  EXPECT_STREQ(image.GetLastError(), "empty WMF");
  // Encoding.
  CRasterImage picture(4, 4, 24, 0);
  EXPECT_TRUE(EncodeBytes(picture, FormatMetafile).empty());
  EXPECT_STREQ(picture.GetLastError(), "Save WMF not supported");
}

TEST(MetafileCodecTest, WindowsMetafileRecordsArePlayed) {
  NeedApplication();
  // A window of 0..1000 shown on 100 x 100 pixels: 10 units a pixel.
  Wmf wmf;
  wmf.Record(0x020B, {0, 0}).Record(0x020C, {1000, 1000});
  // Pen 0: null; brush 1: red; brush 2: blue; pen 3: green, 40 units wide.
  wmf.Record(0x02FA, {5, 0, 0, 0, 0});
  auto red = Wmf::Color(255, 0, 0), blue = Wmf::Color(0, 0, 255), green = Wmf::Color(0, 160, 0);
  wmf.Record(0x02FC, {0, red[0], red[1], 0});
  wmf.Record(0x02FC, {0, blue[0], blue[1], 0});
  wmf.Record(0x02FA, {0, 40, 0, green[0], green[1]});
  wmf.Record(0x012D, {0}).Record(0x012D, {1});
  wmf.Record(0x041B, {300, 300, 100, 100});  // rectangle 100..300 (bottom, right, top, left)
  wmf.Record(0x012D, {2});
  wmf.Record(0x0418, {300, 900, 100, 700});  // ellipse 700..900 x 100..300
  wmf.Record(0x0324, {3, 100, 500, 300, 500, 100, 700});  // triangle
  // Brush 1 is deleted, and its slot goes to the next object.
  wmf.Record(0x01F0, {1});
  auto grey = Wmf::Color(128, 128, 128);
  wmf.Record(0x02FC, {0, grey[0], grey[1], 0});  // slot 1 again
  wmf.Record(0x012D, {1});
  // A saved state with a clip rectangle: only 500..600 of the next
  // rectangle shows; after restoring, the clip is gone.
  wmf.Record(0x001E, {});
  wmf.Record(0x0416, {650, 600, 550, 500});
  wmf.Record(0x041B, {700, 800, 500, 400});
  wmf.Record(0x0127, {-1});
  wmf.Record(0x041B, {950, 950, 900, 900});
  // Lines in the green pen.
  wmf.Record(0x012D, {3});
  wmf.Record(0x0214, {800, 100}).Record(0x0213, {800, 400});
  wmf.Record(0x0325, {2, 100, 950, 400, 950});
  // A bitmap stretched over 600..800 x 750..950.
  Bytes dib = SmallDib();
  Bytes blit;
  Put32(blit, 0x00CC0020);
  Put16(blit, 0);
  for (int v : {2, 2, 0, 0, 200, 200, 750, 600}) Put16(blit, static_cast<uint32_t>(v));
  Append(blit, dib);
  wmf.Raw(0x0F43, blit);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, wmf.File(0, 0, 1000, 1000, 1000), FormatMetafile)) << image.GetLastError();
  ASSERT_EQ(image.GetWidth(), 96u);
  // Bounding box 1000 units at 1000 per inch is one inch: 96 pixels, so
  // a unit is 0.096 pixels.
  auto px = [](int units) { return units * 96 / 1000; };
  ExpectPixel(image, px(200), px(200), 255, 0, 0);    // red rectangle
  ExpectPixel(image, px(50), px(50), 255, 255, 255);  // outside
  ExpectPixel(image, px(800), px(200), 0, 0, 255);    // inside the ellipse
  ExpectPixel(image, px(710), px(110), 255, 255, 255); // the ellipse's corner stays white
  ExpectPixel(image, px(150), px(550), 0, 0, 255);    // inside the triangle
  ExpectPixel(image, px(550), px(600), 128, 128, 128);  // clipped rectangle inside the clip
  ExpectPixel(image, px(450), px(520), 255, 255, 255);  // ... and outside it
  ExpectPixel(image, px(925), px(925), 128, 128, 128);  // drawn after the restore
  ExpectPixel(image, px(250), px(800), 0, 160, 0);    // line
  ExpectPixel(image, px(250), px(950), 0, 160, 0);    // polyline
  // The bitmap: top-left white, top-right blue... rows from the top: blue,
  // white / red, green.
  ExpectPixel(image, px(640), px(790), 0, 0, 255);
  ExpectPixel(image, px(760), px(790), 255, 255, 255);
  ExpectPixel(image, px(640), px(910), 255, 0, 0);
  ExpectPixel(image, px(760), px(910), 0, 255, 0);
}

TEST(MetafileCodecTest, TextIsDrawnInTheFontAndColourChosen) {
  NeedApplication();
  Wmf wmf;
  wmf.Record(0x020B, {0, 0}).Record(0x020C, {200, 400});
  // A font 60 units high (negative: the character height).
  std::vector<int32_t> font = {-60, 0, 0, 0, 700, 0, 0};
  Bytes fontBytes;
  for (int32_t v : font) Put16(fontBytes, static_cast<uint32_t>(v));
  fontBytes.resize(18, 0);
  for (char c : std::string("DejaVu Sans")) fontBytes.push_back(static_cast<uint8_t>(c));
  fontBytes.push_back(0);
  wmf.Raw(0x02FB, fontBytes);
  wmf.Record(0x012D, {0});
  auto blue = Wmf::Color(0, 0, 200);
  wmf.Record(0x0209, {blue[0], blue[1]});
  wmf.Record(0x0102, {1});  // transparent background
  Bytes text;
  Put16(text, 50);  // y
  Put16(text, 20);  // x
  Put16(text, 4);
  Put16(text, 0);
  for (char c : std::string("HHHH")) text.push_back(static_cast<uint8_t>(c));
  wmf.Raw(0x0A32, text);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, wmf.File(0, 0, 400, 200, 96), FormatMetafile)) << image.GetLastError();
  ASSERT_EQ(image.GetWidth(), 400u);
  // Text pixels lie in the band from y 50 to 110 and are blue.
  int inside = 0, outside = 0;
  for (uint32_t y = 0; y < 200; ++y)
    for (uint32_t x = 0; x < 400; ++x) {
      RGBQUAD c = At(image, static_cast<int>(x), static_cast<int>(y));
      if (c.rgbRed == 255 && c.rgbGreen == 255 && c.rgbBlue == 255) continue;
      EXPECT_LT(c.rgbRed, 255);
      if (y >= 48 && y <= 112 && x >= 18) ++inside;
      else ++outside;
    }
  EXPECT_GT(inside, 400);
  EXPECT_EQ(outside, 0);
  ExpectPixel(image, 30, 85, 0, 0, 200);  // the first H's stem
}

TEST(MetafileCodecTest, EnhancedMetafileRecordsArePlayed) {
  NeedApplication();
  Emf emf;
  // Anisotropic: a window of 0..1000 on a viewport of 0..100 device pixels.
  emf.Record(17, {8}).Record(9, {1000, 1000}).Record(11, {100, 100});
  emf.Record(39, {1, 0, 0x0000FF, 0});  // brush 1 red
  emf.Record(38, {2, 5, 0, 0, 0});      // pen 2 null
  emf.Record(37, {1}).Record(37, {2});
  emf.Record(43, {100, 100, 300, 300});
  // Stock black brush; a path: a closed triangle, filled.
  emf.Record(37, {static_cast<int32_t>(0x80000004)});
  emf.Record(59, {});
  emf.Record(27, {500, 100});
  emf.Record(54, {700, 100});
  emf.Record(54, {600, 300});
  emf.Record(61, {}).Record(60, {}).Record(62, {0, 0, 0, 0});
  // Sixteen-bit polygon in green.
  emf.Record(39, {3, 0, 0x00A000, 0}).Record(37, {3});
  emf.Record(86, {0, 0, 0, 0, 3, 100 | 500 << 16, 300 | 500 << 16, 100 | 700 << 16});
  // A pie in the lower right: a quarter from 3 o'clock to 12 o'clock.
  emf.Record(47, {600, 600, 1000, 1000, 1000, 800, 800, 600});
  // A rounded rectangle with corners of 200 units, still green.
  emf.Record(44, {100, 720, 300, 980, 200, 200});
  // The bitmap over 400..600 x 700..900.
  Bytes dib = SmallDib();
  Bytes blit;
  for (int32_t v : {0, 0, 0, 0, 400, 700, 0, 0, 2, 2}) Put32(blit, static_cast<uint32_t>(v));
  Put32(blit, 8 + 72);
  Put32(blit, 40);
  Put32(blit, 8 + 72 + 40);
  Put32(blit, static_cast<uint32_t>(dib.size() - 40));
  Put32(blit, 0);
  Put32(blit, 0x00CC0020);
  Put32(blit, 200);
  Put32(blit, 200);
  Append(blit, dib);
  emf.Raw(81, blit);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, emf.File(0, 0, 99, 99), FormatUnknown)) << image.GetLastError();
  EXPECT_EQ(image.GetType(), FormatMetafile);
  ASSERT_EQ(image.GetWidth(), 99u);
  ExpectPixel(image, 20, 20, 255, 0, 0);
  ExpectPixel(image, 5, 5, 255, 255, 255);
  ExpectPixel(image, 60, 15, 0, 0, 0);
  ExpectPixel(image, 68, 25, 255, 255, 255);
  ExpectPixel(image, 14, 55, 0, 160, 0);
  ExpectPixel(image, 85, 75, 0, 160, 0);   // inside the pie's quarter
  ExpectPixel(image, 75, 85, 255, 255, 255);  // the other quarter
  ExpectPixel(image, 20, 85, 0, 160, 0);   // the rounded rectangle
  ExpectPixel(image, 11, 73, 255, 255, 255);  // ... without its corner
  ExpectPixel(image, 44, 74, 0, 0, 255);
  ExpectPixel(image, 55, 85, 0, 255, 0);
}

TEST(MetafileCodecTest, RecordsWhoseCountsExceedTheirSizeAreRefused) {
  // A polygon claiming 1,000 points in a record holding 3, then a good
  // rectangle: the polygon is passed over, the rectangle drawn, nothing is
  // read outside the records (the sanitizer build would see it).
  Wmf wmf;
  wmf.Record(0x020B, {0, 0}).Record(0x020C, {100, 100});
  auto red = Wmf::Color(255, 0, 0);
  wmf.Record(0x02FC, {0, red[0], red[1], 0}).Record(0x012D, {0});
  wmf.Record(0x0324, {1000, 0, 0, 100, 0, 100, 100});
  wmf.Record(0x0538, {2, 3, 3000, 0, 0, 50, 0, 50, 50});
  wmf.Record(0x041B, {60, 60, 40, 40});
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, wmf.File(0, 0, 100, 100, 96), FormatMetafile)) << image.GetLastError();
  ExpectPixel(image, 90, 10, 255, 255, 255);
  ExpectPixel(image, 50, 50, 255, 0, 0);
  Emf emf;
  emf.Record(39, {1, 0, 0x0000FF, 0}).Record(37, {1});
  emf.Record(86, {0, 0, 0, 0, 100000, 0, 50 << 16, 50});
  emf.Record(91, {0, 0, 0, 0, 1, 3, 7});
  emf.Record(43, {40, 40, 60, 60});
  ASSERT_TRUE(DecodeBytes(image, emf.File(0, 0, 99, 99), FormatMetafile)) << image.GetLastError();
  ExpectPixel(image, 90, 10, 255, 255, 255);
  ExpectPixel(image, 50, 50, 255, 0, 0);
}

}  // namespace
