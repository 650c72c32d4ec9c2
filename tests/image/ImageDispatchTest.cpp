// Loading, decoding and encoding by format number, and the detection cascade.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstring>

#include "image/ImageStream.h"
#include "image/RasterImage.h"
#include "tests/TempFolder.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

Bytes SmallJpeg() {
  Bytes rgb(8 * 4 * 3, 0);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 200;  // red
  return WriteJpeg(8, 4, 3, JCS_RGB, rgb);
}

Bytes SmallBmp() {
  Bytes pixels = {0, 0, 255, 0, 255, 0, 0, 0};  // red, green (blue-green-red)
  return BmpFile(InfoHeader(2, 1, 24), {}, pixels);
}

TEST(ImageDispatchTest, DetectionRewindsToTheSameByteBeforeEachDecoder) {
  Bytes data = {'x', 'y', 'z'};
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                     0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0, 0x90, 0x77, 0x53, 0xDE, 0, 0, 0,
                     0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82, 0, 0, 0, 0, 0, 0, 0, 0};
  Append(data, png);
  RecordingStream stream(data.data(), data.size());
  ASSERT_TRUE(stream.Seek(3, 0));
  stream.seeks.clear();
  CRasterImage image(0u);
  EXPECT_FALSE(image.Decode(&stream, FormatUnknown));
  EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
  ASSERT_FALSE(stream.reads.empty());
  EXPECT_EQ(stream.reads.front(), 3);
  EXPECT_GE(*std::min_element(stream.reads.begin(), stream.reads.end()), 3);
  // The BMP decoder reads its file header and then, without "BM", an info
  // header from the same byte; the JPEG decoder's section reader and libjpeg
  // each start there again, and so do the GIF, icon, PNG, TGA, PCX and WBMP
  // decoders, the metafile decoder (its placeable header; the data is too
  // short for an enhanced one) and the JPEG-2000 family (its signature).
  EXPECT_EQ(std::count(stream.reads.begin(), stream.reads.end(), 3), 12);
  // Each failed attempt rewinds to where decoding began.
  EXPECT_EQ(std::count(stream.seeks.begin(), stream.seeks.end(), 3),
            static_cast<long>(stream.seeks.size()));
  EXPECT_EQ(stream.Tell(), 3);
}

TEST(ImageDispatchTest, DetectionFindsEachBuiltFormat) {
  for (auto [data, type] : {std::pair{SmallBmp(), FormatBmp}, std::pair{SmallJpeg(), FormatJpeg}}) {
    Bytes prefixed = {'#', '#'};
    Append(prefixed, data);
    RecordingStream stream(prefixed.data(), prefixed.size());
    stream.Seek(2, 0);
    CRasterImage image(0u);
    ASSERT_TRUE(image.Decode(&stream, FormatUnknown)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), type);
    EXPECT_EQ(image.GetWidth(), type == FormatBmp ? 2u : 8u);
    EXPECT_EQ(stream.reads.front(), 2);
  }
}

TEST(ImageDispatchTest, HintedDecodeOfAStreamTriesOnlyThatCodec) {
  Bytes jpeg = SmallJpeg();
  CRasterImage image(0u);
  EXPECT_FALSE(DecodeBytes(image, jpeg, FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "Error reading BMP info");
  EXPECT_TRUE(DecodeBytes(image, jpeg, FormatJpeg));
  CRasterImage unknown(0u);
  EXPECT_FALSE(DecodeBytes(unknown, jpeg, 15));
  EXPECT_STREQ(unknown.GetLastError(), "Decode: Unknown or wrong format");
  CRasterImage metafile(0u);
  EXPECT_FALSE(DecodeBytes(metafile, jpeg, FormatMetafile));
  EXPECT_STREQ(metafile.GetLastError(), "corrupted WMF");
  CRasterImage raster(0u);
  EXPECT_FALSE(DecodeBytes(raster, jpeg, FormatRas));
  EXPECT_STREQ(raster.GetLastError(), "error: cannot load image data");
  CRasterImage pcx(0u);
  EXPECT_FALSE(DecodeBytes(pcx, jpeg, FormatPcx));
  EXPECT_STREQ(pcx.GetLastError(), "Error: Not a PCX file");
  CRasterImage wbmp(0u);
  EXPECT_FALSE(DecodeBytes(wbmp, jpeg, FormatWbmp));
  EXPECT_STREQ(wbmp.GetLastError(), "Unsupported WBMP type");
  // The GIF decoder refuses without a text of its own.
  CRasterImage gif(0u);
  EXPECT_FALSE(DecodeBytes(gif, jpeg, FormatGif));
  EXPECT_STREQ(gif.GetLastError(), "");
  CRasterImage png(0u);
  EXPECT_FALSE(DecodeBytes(png, jpeg, FormatPng));
  EXPECT_STREQ(png.GetLastError(), "Not a PNG file");
  CRasterImage icon(0u);
  EXPECT_FALSE(DecodeBytes(icon, jpeg, FormatIcon));
  EXPECT_STREQ(icon.GetLastError(), "");
  CRasterImage tga(0u);
  EXPECT_FALSE(DecodeBytes(tga, jpeg, FormatTga));
  EXPECT_STREQ(tga.GetLastError(), "Unknown TGA image type");
  Bytes shortData = {'B', 'M', 1};
  EXPECT_FALSE(DecodeBytes(image, shortData, FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "Not a BMP");
  EXPECT_TRUE(image.IsValid());  // the earlier picture stays
}

class ImageLoadTest : public testsupport::TempFolderTest {};

TEST_F(ImageLoadTest, HintedLoadFallsBackToDetectionAndKeepsTheHintedText) {
  std::string jpegPath = (folder_ / "photo.dat").string();
  WriteFile(jpegPath, SmallJpeg());
  CRasterImage image(0u);
  ASSERT_TRUE(image.Load(jpegPath.c_str(), FormatBmp));
  EXPECT_EQ(image.GetType(), FormatJpeg);

  std::string junkPath = (folder_ / "junk.dat").string();
  Bytes junk(100, 0x11);
  WriteFile(junkPath, junk);
  CRasterImage hinted(0u);
  EXPECT_FALSE(hinted.Load(junkPath.c_str(), FormatBmp));
  EXPECT_STREQ(hinted.GetLastError(), "Error reading BMP info");
  CRasterImage jpegHint(0u);
  EXPECT_FALSE(jpegHint.Load(junkPath.c_str(), FormatJpeg));
  EXPECT_STREQ(jpegHint.GetLastError(), "Not a JPEG file: starts with 0x11 0x11");
  CRasterImage detect(0u);
  EXPECT_FALSE(detect.Load(junkPath.c_str(), FormatUnknown));
  EXPECT_STREQ(detect.GetLastError(), "Decode: Unknown or wrong format");

  CRasterImage missing(0u);
  EXPECT_FALSE(missing.Load((folder_ / "none.jpg").string().c_str(), FormatJpeg));
  EXPECT_STREQ(missing.GetLastError(), "");

  CRasterImage constructed((folder_ / "photo.dat").string().c_str(), FormatUnknown);
  EXPECT_TRUE(constructed.IsValid());
}

TEST_F(ImageLoadTest, DecodingFromAReadOnlyMappingLeavesTheBlockAlone) {
  std::string path = (folder_ / "photo.jpg").string();
  Bytes jpeg = SmallJpeg();
  WriteFile(path, jpeg);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  void* map = mmap(nullptr, jpeg.size(), PROT_READ, MAP_PRIVATE, fileno(file), 0);
  std::fclose(file);
  ASSERT_NE(map, MAP_FAILED);
  // Any write into the block would fault.
  CRasterImage image(static_cast<const uint8_t*>(map), jpeg.size(), FormatUnknown);
  EXPECT_TRUE(image.IsValid());
  EXPECT_EQ(image.GetType(), FormatJpeg);
  EXPECT_EQ(std::memcmp(map, jpeg.data(), jpeg.size()), 0);
  munmap(map, jpeg.size());
}

TEST(ImageDispatchTest, FailedDecodeLeavesTheImageAsItWas) {
  CRasterImage image(3, 2, 24, FormatBmp);
  image.SetPixelColor(1, 1, RGBQUAD{1, 2, 3, 0});
  image.SetJpegQuality(55);
  image.SetDpiX(200);
  image.CreateAlpha();
  const uint8_t* dib = image.GetDib();
  Bytes truncatedBmp = SmallBmp();
  truncatedBmp.resize(30);
  for (uint32_t type : {FormatUnknown, FormatBmp, FormatJpeg}) {
    EXPECT_FALSE(DecodeBytes(image, truncatedBmp, type));
    EXPECT_EQ(image.GetDib(), dib);
    EXPECT_EQ(image.GetWidth(), 3u);
    EXPECT_EQ(image.GetPixelColor(1, 1, false).rgbRed, 3);
    EXPECT_EQ(image.GetJpegQuality(), 55);
    EXPECT_EQ(image.GetDpiX(), 200);
    EXPECT_TRUE(image.HasAlpha());
  }
  // A success replaces everything, the planes included.
  ASSERT_TRUE(DecodeBytes(image, SmallBmp(), FormatUnknown));
  EXPECT_EQ(image.GetWidth(), 2u);
  EXPECT_FALSE(image.HasAlpha());
}

TEST(ImageDispatchTest, EncodingNeverChangesTheImage) {
  CRasterImage image(5, 3, 24, FormatBmp);
  for (int x = 0; x < 5; ++x) image.SetPixelColor(x, 1, RGBQUAD{10, 20, static_cast<uint8_t>(x * 40), 0});
  image.SetDpiX(300);  // the working header now differs from the stored copy
  Bytes before(image.GetDib(), image.GetDib() + image.GetSize());
  for (uint32_t type : {FormatBmp, FormatJpeg}) {
    Bytes encoded = EncodeBytes(image, type);
    ASSERT_FALSE(encoded.empty()) << type;
    EXPECT_EQ(Bytes(image.GetDib(), image.GetDib() + image.GetSize()), before);
    EXPECT_EQ(image.GetDpiX(), 300);
    EXPECT_FALSE(image.IsSharingView());
  }
}

TEST(ImageDispatchTest, FailureTexts) {
  CRasterImage image(2, 2, 24, 0);
  uint8_t* buffer = nullptr;
  size_t size = 0;
  for (uint32_t type : std::initializer_list<uint32_t>{FormatUnknown, 15}) {
    EXPECT_FALSE(image.Encode(buffer, size, type));
    EXPECT_STREQ(image.GetLastError(), "Encode: Unknown format");
  }
  EXPECT_FALSE(image.Encode(buffer, size, FormatMetafile));
  EXPECT_STREQ(image.GetLastError(), "Save WMF not supported");
  uint8_t some = 0;
  buffer = &some;
  EXPECT_FALSE(image.Encode(buffer, size, FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "the buffer must be empty");
  EXPECT_FALSE(image.Encode(static_cast<CImageStream*>(nullptr), FormatBmp));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
  CRasterImage empty(0u);
  buffer = nullptr;
  EXPECT_FALSE(empty.Encode(buffer, size, FormatJpeg));
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
  EXPECT_EQ(buffer, nullptr);
  EXPECT_FALSE(empty.Decode(static_cast<CImageStream*>(nullptr), FormatBmp));
  EXPECT_STREQ(empty.GetLastError(), "Decode: Unknown or wrong format");
}

TEST_F(ImageLoadTest, PngIconAndTgaComeThroughDetectionFromFilesAndMemory) {
  CRasterImage picture(6, 5, 24, 0);
  for (int x = 0; x < 6; ++x) picture.SetPixelColor(x, x % 5, RGBQUAD{static_cast<uint8_t>(x * 40), 7, 99, 0});
  CRasterImage translucent(picture);
  translucent.CreateAlpha();
  translucent.SetAlpha(2, 3, 60);
  for (auto [source, type] : {std::pair{&picture, FormatPng}, std::pair{&picture, FormatIcon},
                              std::pair{&translucent, FormatTga}}) {
    SCOPED_TRACE(type);
    Bytes encoded = EncodeBytes(*source, type);
    ASSERT_FALSE(encoded.empty());
    std::string path = (folder_ / ("picture" + std::to_string(type))).string();
    WriteFile(path, encoded);
    CRasterImage loaded(0u);
    ASSERT_TRUE(loaded.Load(path.c_str(), FormatUnknown)) << loaded.GetLastError();
    EXPECT_EQ(loaded.GetType(), type);
    EXPECT_EQ(Bytes(loaded.GetBits(0), loaded.GetBits(0) + loaded.GetHeader().biSizeImage),
              Bytes(source->GetBits(0), source->GetBits(0) + source->GetHeader().biSizeImage));
    EXPECT_EQ(loaded.GetAlpha(2, 3), type == FormatTga ? 60 : 0);
    // From memory, five bytes into a block: every decoder starts there.
    Bytes prefixed = {1, 2, 3, 4, 5};
    Append(prefixed, encoded);
    RecordingStream stream(prefixed.data(), prefixed.size());
    stream.Seek(5, 0);
    CRasterImage decoded(0u);
    ASSERT_TRUE(decoded.Decode(&stream, FormatUnknown)) << decoded.GetLastError();
    EXPECT_EQ(decoded.GetType(), type);
    EXPECT_EQ(stream.reads.front(), 5);
    EXPECT_EQ(*std::min_element(stream.reads.begin(), stream.reads.end()), 5);
  }
}

// A placeable metafile of 1 x 1 inch at 96 units per inch filling its box
// with a red brush, and an enhanced one of 30 x 20 device pixels.
Bytes RedMetafile(bool enhanced) {
  Bytes b;
  if (!enhanced) {
    Put32(b, 0x9AC6CDD7);
    for (uint32_t v : {0u, 0u, 0u, 96u, 96u, 96u}) Put16(b, v);
    Put32(b, 0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= static_cast<uint16_t>(b[i] | b[i + 1] << 8);
    Put16(b, sum);
    Bytes records;
    for (const std::vector<uint32_t>& r : std::vector<std::vector<uint32_t>>{
             {0x02FC, 0, 0xFF, 0, 0}, {0x012D, 0}, {0x041B, 96, 96, 0, 0}, {0x0000}}) {
      Put32(records, static_cast<uint32_t>(2 + r.size()));
      for (uint32_t w : r) Put16(records, w);
    }
    for (uint32_t v : {1u, 9u, 0x300u}) Put16(b, v);
    Put32(b, static_cast<uint32_t>((18 + records.size()) / 2));
    Put16(b, 1);
    Put32(b, 7);
    Put16(b, 0);
    Append(b, records);
    return b;
  }
  Put32(b, 1);
  Put32(b, 88);
  for (uint32_t v : {0u, 0u, 30u, 20u, 0u, 0u, 794u, 529u}) Put32(b, v);
  Put32(b, 0x464D4520);
  Put32(b, 0x10000);
  Put32(b, 88 + 24 + 12 + 24 + 20);
  Put32(b, 5);
  Put16(b, 2);
  Put16(b, 0);
  for (uint32_t v : {0u, 0u, 0u, 960u, 960u, 254u, 254u}) Put32(b, v);
  for (uint32_t v : {39u, 24u, 1u, 0u, 0xFFu, 0u, 37u, 12u, 1u, 43u, 24u, 0u, 0u, 31u, 21u, 14u, 20u, 0u, 16u, 20u})
    Put32(b, v);
  return b;
}

TEST_F(ImageLoadTest, DetectionFindsEveryFormatFromFilesAndMemory) {
  CRasterImage colour = Pattern(24, 16, 16);
  CRasterImage palette = Pattern(8, 16, 16);
  CRasterImage grey(16, 16, 8, 0);
  grey.SetGrayPalette();
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 16; ++x) grey.SetPixelIndex(x, y, static_cast<uint8_t>(x * 16 + y));
  CRasterImage mono(16, 16, 1, 0);
  mono.SetGrayPalette();
  for (uint32_t x = 0; x < 16; ++x) mono.SetPixelIndex(x, x, 1);
  colour.SetJpegQuality(100);
  grey.SetJpegQuality(100);
  struct Case {
    uint32_t format;
    Bytes file;
    uint32_t expectedType;  // the JPEG-2000 family keeps the type asked for
    const CRasterImage* same;  // pixels expected equal, when lossless
  } cases[] = {
      {FormatBmp, EncodeBytes(colour, FormatBmp), FormatBmp, &colour},
      {FormatGif, EncodeBytes(palette, FormatGif), FormatGif, nullptr},
      {FormatJpeg, EncodeBytes(colour, FormatJpeg), FormatJpeg, nullptr},
      {FormatPng, EncodeBytes(colour, FormatPng), FormatPng, &colour},
      {FormatIcon, EncodeBytes(colour, FormatIcon), FormatIcon, &colour},
      {FormatTga, EncodeBytes(colour, FormatTga), FormatTga, &colour},
      {FormatPcx, EncodeBytes(palette, FormatPcx), FormatPcx, &palette},
      {FormatWbmp, EncodeBytes(mono, FormatWbmp), FormatWbmp, &mono},
      {FormatMetafile, RedMetafile(false), FormatMetafile, nullptr},
      {FormatMetafile, RedMetafile(true), FormatMetafile, nullptr},
      {FormatJp2, EncodeBytes(colour, FormatJp2), FormatUnknown, &colour},
      {FormatJpc, EncodeBytes(grey, FormatJpc), FormatUnknown, &grey},
      {FormatPgx, EncodeBytes(grey, FormatPgx), FormatUnknown, &grey},
      {FormatPnm, EncodeBytes(colour, FormatPnm), FormatUnknown, &colour},
      {FormatRas, EncodeBytes(colour, FormatRas), FormatUnknown, &colour},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.format) + " #" + std::to_string(index));
    ASSERT_FALSE(c.file.empty());
    std::string path = (folder_ / ("picture" + std::to_string(index++))).string();
    WriteFile(path, c.file);
    CRasterImage loaded(0u);
    ASSERT_TRUE(loaded.Load(path.c_str(), FormatUnknown)) << loaded.GetLastError();
    Bytes prefixed = {7, 7, 7};
    Append(prefixed, c.file);
    CImageMemoryStream stream(prefixed.data(), prefixed.size());
    stream.Seek(3, 0);
    CRasterImage decoded(0u);
    ASSERT_TRUE(decoded.Decode(&stream, FormatUnknown)) << decoded.GetLastError();
    for (const CRasterImage* image : {&loaded, &decoded}) {
      EXPECT_EQ(image->GetType(), c.expectedType);
      if (c.format == FormatMetafile) {
        EXPECT_EQ(image->GetWidth(), c.file[0] == 1 ? 30u : 96u);
        ExpectColour(image->GetPixelColor(10, 10, false), 255, 0, 0);
        continue;
      }
      EXPECT_EQ(image->GetWidth(), 16u);
      EXPECT_EQ(image->GetHeight(), 16u);
      if (c.same)
        EXPECT_EQ(Bytes(image->GetBits(0), image->GetBits(0) + image->GetHeader().biSizeImage),
                  Bytes(c.same->GetBits(0), c.same->GetBits(0) + c.same->GetHeader().biSizeImage));
    }
  }
  // Bytes none accepts.
  for (const Bytes& junk : {Bytes(100, 0x11), Bytes{0, 0, 0, 0}, Bytes{'P', '7', '\n'}, Bytes{}}) {
    CRasterImage image(0u);
    EXPECT_FALSE(DecodeBytes(image, junk, FormatUnknown));
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
  }
}

}  // namespace
