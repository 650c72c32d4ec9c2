// Random and damaged pictures into the image library's decoders and the EXIF
// reader: truncated files, huge declared sizes, bad markers, looping
// directories.  Every input lies in a heap block of exactly its size, so the
// sanitizers catch any read past it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/BmpCodec.h"
#include "image/ExifReader.h"
#include "image/GifCodec.h"
#include "image/IconCodec.h"
#include "image/ImageLog.h"
#include "image/ImageStream.h"
#include "image/JasperCodec.h"
#include "image/JpegCodec.h"
#include "image/MetafileCodec.h"
#include "image/PcxCodec.h"
#include "image/PngCodec.h"
#include "image/RasterImage.h"
#include "image/TgaCodec.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

using fuzz::ExactBlock;

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v);
  Put16(s, v >> 16);
}
void Put16Be(std::string& s, uint32_t v) {
  s += static_cast<char>((v >> 8) & 0xFF);
  s += static_cast<char>(v & 0xFF);
}

std::string Bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                const std::string& palette, const std::string& pixels) {
  std::string s = "BM";
  Put32(s, static_cast<uint32_t>(54 + palette.size() + pixels.size()));
  Put32(s, 0);
  Put32(s, static_cast<uint32_t>(54 + palette.size()));
  Put32(s, 40);
  Put32(s, static_cast<uint32_t>(width));
  Put32(s, static_cast<uint32_t>(height));
  Put16(s, 1);
  Put16(s, bits);
  Put32(s, compression);
  for (int i = 0; i < 5; ++i) Put32(s, 0);
  return s + palette + pixels;
}

std::string Encoded(CRasterImage& image, uint32_t type) {
  uint8_t* buffer = nullptr;
  size_t size = 0;
  if (!image.Encode(buffer, size, type)) return {};
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return out;
}

// A JPEG carrying an APP1 with a small Intel TIFF block (make, resolution,
// an EXIF sub-directory with ISO and a comment), and a comment section.
std::string ExifJpeg(const std::string& jpeg) {
  std::string tiff = "II";
  Put16(tiff, 42);
  Put32(tiff, 8);
  Put16(tiff, 4);
  auto entry = [&](uint32_t tag, uint32_t format, uint32_t count, uint32_t value) {
    Put16(tiff, tag);
    Put16(tiff, format);
    Put32(tiff, count);
    Put32(tiff, value);
  };
  entry(0x010F, 2, 8, 62);
  entry(0x011A, 5, 1, 70);
  entry(0x0128, 3, 1, 2);
  entry(0x8769, 4, 1, 78);
  Put32(tiff, 8);  // next directory: itself
  tiff += "Brantle";
  tiff += '\0';
  Put32(tiff, 72);
  Put32(tiff, 1);
  // EXIF sub-directory at 78, linking back to IFD0.
  Put16(tiff, 2);
  Put16(tiff, 0x8827);
  Put16(tiff, 3);
  Put32(tiff, 1);
  Put32(tiff, 2);
  Put16(tiff, 0x9286);
  Put16(tiff, 7);
  Put32(tiff, 16);
  Put32(tiff, 108);
  Put32(tiff, 8);
  tiff += std::string("ASCII\0\0\0hello   ", 16);
  std::string app1 = "\xFF\xE1";
  Put16Be(app1, static_cast<uint32_t>(tiff.size() + 8));
  app1 += std::string("Exif\0\0", 6) + tiff;
  std::string com = "\xFF\xFE";
  Put16Be(com, 7);
  com += "a\r\nb\x01";
  return jpeg.substr(0, 2) + app1 + com + jpeg.substr(2);
}

std::vector<std::string> Seeds() {
  std::vector<std::string> seeds;
  std::string palette2 = std::string("\0\0\0\0\xFF\xFF\xFF\0", 8);
  seeds.push_back(Bmp(9, 3, 1, 0, palette2, std::string(12, '\x5A')));
  seeds.push_back(Bmp(5, -2, 24, 0, "", std::string(32, '\x33')));
  seeds.push_back(Bmp(4, 3, 8, 1, std::string(1024, '\x10'),
                      std::string("\x02\x07\x00\x03\x05\x06\x08\x00\x00\x02\x01\x01\x03\x09\x00\x01", 16)));
  seeds.push_back(Bmp(6, 2, 4, 2, std::string(64, '\x20'),
                      std::string("\x03\x12\x00\x03\x45\x60\x00\x00\x00\x02\x02\x00\x02\x77\x00\x01", 16)));
  std::string masks;
  Put32(masks, 0xF800);
  Put32(masks, 0x07E0);
  Put32(masks, 0x001F);
  seeds.push_back(Bmp(3, 2, 16, 3, masks, std::string(16, '\x71')));
  seeds.push_back(Bmp(3, 2, 32, 0, "", std::string(24, '\x44')));
  CRasterImage colour(23, 11, 24, 0);
  for (int x = 0; x < 23; ++x) colour.SetPixelColor(x, x % 11, RGBQUAD{static_cast<uint8_t>(x * 11), 90, 200, 0});
  std::string jpeg = Encoded(colour, FormatJpeg);
  seeds.push_back(jpeg);
  seeds.push_back(ExifJpeg(jpeg));
  colour.SetCodecOption(0x10, FormatJpeg);  // progressive
  seeds.push_back(Encoded(colour, FormatJpeg));
  CRasterImage grey(17, 9, 8, 0);
  grey.SetGrayPalette();
  seeds.push_back(Encoded(grey, FormatJpeg));
  return seeds;
}

// Every reader on one input.
void DecodeEverything(std::string_view bytes, uint32_t pick) {
  ExactBlock block(bytes);
  const auto* data = reinterpret_cast<const uint8_t*>(block.View().data());
  for (uint32_t type : {FormatUnknown, FormatBmp, FormatJpeg}) {
    CRasterImage image(0u);
    if (pick & 1) image.SetEscape(-1);
    CImageMemoryStream stream(data, bytes.size());
    if (image.Decode(&stream, type) && image.IsValid()) {
      ASSERT_GT(image.GetWidth(), 0u);
      ASSERT_LE(static_cast<uint64_t>(image.GetRowBytes()) * image.GetHeight(), RASTER_IMAGE_MAX_MEMORY);
      // What decodes encodes again (small pictures only, to keep the run short).
      if (image.GetSize() > (1u << 20)) continue;
      std::string bmp = Encoded(image, FormatBmp);
      ASSERT_EQ(bmp.size(), image.GetSize() + 14u);
    }
  }
  CExifReader reader;
  CImageMemoryStream stream(data, bytes.size());
  reader.ReadSections(&stream, (pick & 2) ? CExifReader::kReadExif | CExifReader::kReadImage
                                          : CExifReader::kReadExif);
  ASSERT_LE(reader.Sections().size(), static_cast<size_t>(CExifReader::kMaxSections));
  ASSERT_LT(std::string(reader.Data().comment).size(), 1000u);
  if (reader.Data().thumbnailSize > 0) {
    // The thumbnail lies inside a section the reader holds.
    volatile uint8_t last = reader.Data().thumbnail[reader.Data().thumbnailSize - 1];
    (void)last;
  }
}

class ImageFuzzTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = image::SetLogSink([](std::string_view) {});
  }
  void TearDown() override { image::SetLogSink(previous_); }
  image::LogSink previous_;
};

TEST_F(ImageFuzzTest, EveryTruncationOfEverySeed) {
  for (const auto& seed : Seeds()) {
    for (size_t length = 0; length <= seed.size(); ++length)
      ASSERT_NO_FATAL_FAILURE(DecodeEverything(std::string_view(seed).substr(0, length), static_cast<uint32_t>(length)));
  }
}

TEST_F(ImageFuzzTest, MutatedSeedsAndRandomBytes) {
  fuzz::Bytes bytes(4110);
  const auto seeds = Seeds();
  for (int round = 0; round < fuzz::kRounds / 4; ++round) {
    std::string input = round % 5 == 0 ? bytes.Random(300)
                                       : bytes.Mutate(seeds[bytes.Next() % seeds.size()]);
    ASSERT_NO_FATAL_FAILURE(DecodeEverything(input, bytes.Next()));
  }
}

TEST_F(ImageFuzzTest, HugeDeclaredSizesAreRefusedBeforeAllocating) {
  struct Case {
    int32_t width, height;
    uint16_t bits;
  } cases[] = {{65535, 65535, 24}, {65535, -65535, 1}, {2147483647, 1, 24}, {9000, 9000, 32},
               {70000, 70000, 16}, {1, 2147483647, 8}};
  for (const auto& c : cases) {
    std::string file = Bmp(c.width, c.height, c.bits, 0, c.bits <= 8 ? std::string(1024, '\0') : "", "xyz");
    ExactBlock block(file);
    CRasterImage image(0u);
    CImageMemoryStream stream(block.View().data(), file.size());
    EXPECT_FALSE(image.Decode(&stream, FormatBmp));
    EXPECT_TRUE(std::string(image.GetLastError()) == "Can't allocate memory" ||
                std::string(image.GetLastError()) == "can't allocate memory")
        << image.GetLastError();
  }
}

// --- GIF ---

// An image whose frame index the fuzz cases choose.
class FrameImage : public CRasterImage {
 public:
  FrameImage() : CRasterImage(0u) {}
  void PickFrame(int32_t index) { info.frameIndex = index; }
};

std::vector<std::string> GifSeeds() {
  std::vector<std::string> seeds;
  CRasterImage noise(29, 13, 8, 0);
  for (uint32_t i = 0; i < 256; ++i) noise.SetPaletteColor(i, static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), 7);
  for (uint32_t y = 0; y < 13; ++y)
    for (uint32_t x = 0; x < 29; ++x) noise.SetPixelIndex(x, y, static_cast<uint8_t>((x * 31 + y * 17) ^ (x * y)));
  noise.SetTransparentIndex(4);
  CRasterImage runs(41, 9, 4, 0);
  for (uint32_t y = 0; y < 9; ++y)
    for (uint32_t x = 0; x < 41; ++x) runs.SetPixelIndex(x, y, static_cast<uint8_t>(x / (y + 1)));
  CRasterImage mono(19, 5, 1, 0);
  for (uint32_t x = 0; x < 19; ++x) mono.SetPixelIndex(x, x % 5, 1);
  CRasterImage colour(40, 20, 24, 0);
  for (uint32_t y = 0; y < 20; ++y)
    for (uint32_t x = 0; x < 40; ++x) colour.SetPixelColor(x, y, RGBQUAD{static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 12), 99, 0});
  for (uint32_t coder : {0u, 1u, 2u}) {
    for (CRasterImage* image : {&noise, &runs, &mono, &colour}) {
      image->SetCodecOption(coder, FormatGif);
      seeds.push_back(Encoded(*image, FormatGif));
    }
  }
  // Two frames in one file, the second interlaced: the first file without
  // its trailer, then the second's control and image blocks.
  const std::string& first = seeds[0];
  std::string second = seeds[4].substr(13 + 768);
  second[8 + 9] = static_cast<char>(second[8 + 9] | 0x40);
  seeds.push_back(first.substr(0, first.size() - 1) + second);
  // A comment and a loop count in front of the frame.
  std::string extensions = std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x05\x00\x00\x21\xFE\x03" "abc\x00", 26);
  seeds.push_back(first.substr(0, 13 + 768) + extensions + first.substr(13 + 768));
  return seeds;
}

void DecodeGif(std::string_view bytes, uint32_t pick) {
  ExactBlock block(bytes);
  const auto* data = reinterpret_cast<const uint8_t*>(block.View().data());
  for (uint32_t type : {FormatUnknown, FormatGif}) {
    FrameImage image;
    image.PickFrame(static_cast<int32_t>(pick % 3));
    if (pick % 7 == 0) image.SetEscape(-1);
    CImageMemoryStream stream(data, bytes.size());
    if (image.Decode(&stream, type) && image.IsValid()) {
      ASSERT_GT(image.GetWidth(), 0u);
      ASSERT_LE(static_cast<uint64_t>(image.GetRowBytes()) * image.GetHeight(), RASTER_IMAGE_MAX_MEMORY);
      if (image.GetSize() > (1u << 18)) continue;
      // What decodes encodes again, with any coder, and decodes once more.
      image.SetCodecOption(pick % 3, FormatGif);
      std::string gif = Encoded(image, FormatGif);
      ASSERT_FALSE(gif.empty()) << image.GetLastError();
      CRasterImage again(reinterpret_cast<const uint8_t*>(gif.data()), gif.size(), FormatGif);
      ASSERT_TRUE(again.IsValid());
      ASSERT_EQ(again.GetWidth(), image.GetWidth());
    }
  }
}

TEST_F(ImageFuzzTest, GifEveryTruncationOfEverySeed) {
  for (const auto& seed : GifSeeds()) {
    for (size_t length = 0; length <= seed.size(); ++length)
      ASSERT_NO_FATAL_FAILURE(DecodeGif(std::string_view(seed).substr(0, length), static_cast<uint32_t>(length)));
  }
}

TEST_F(ImageFuzzTest, GifMutatedSeedsAndRandomBytes) {
  fuzz::Bytes bytes(4111);
  const auto seeds = GifSeeds();
  for (int round = 0; round < fuzz::kRounds / 4; ++round) {
    std::string input = round % 5 == 0 ? "GIF89a" + bytes.Random(300)
                                       : bytes.Mutate(seeds[bytes.Next() % seeds.size()]);
    ASSERT_NO_FATAL_FAILURE(DecodeGif(input, bytes.Next()));
  }
}

TEST_F(ImageFuzzTest, GifScreenOf65535SquareIsRefusedBeforeAllocating) {
  // With a global table the first frame's background is the screen; without
  // one and with two small frames the tiled canvas is.  A frame as large as
  // the screen is only read through while the frames are counted.
  const std::string frame1x1 = std::string("\x2C\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0", 15);
  std::string frameHuge = std::string("\x2C\0\0\0\0\xFF\xFF\xFF\xFF\0\x02\x02\x44\x01\0", 15);
  struct Case {
    std::string body;
    bool globalTable;
  } cases[] = {{frame1x1, true}, {frame1x1 + frame1x1, false}, {frameHuge, true}};
  for (const auto& c : cases) {
    std::string file = "GIF89a";
    Put16(file, 65535);
    Put16(file, 65535);
    file += c.globalTable ? std::string("\x80\0\0\0\0\0\xFF\xFF\xFF", 9) : std::string("\0\0\0", 3);
    file += c.body + ";";
    ExactBlock block(file);
    CRasterImage image(0u);
    CImageMemoryStream stream(block.View().data(), file.size());
    EXPECT_FALSE(image.Decode(&stream, FormatGif));
    EXPECT_STREQ(image.GetLastError(), "RASTER_IMAGE_MAX_MEMORY exceeded");
    EXPECT_FALSE(image.IsValid());
  }
}

// PNG, icon and TGA files: what our encoders write, and hand-made run-length
// and colour-mapped TGA files.
std::vector<std::string> PngIconTgaSeeds() {
  std::vector<std::string> seeds;
  CRasterImage palette(11, 6, 8, 0);
  for (uint32_t i = 0; i < 256; ++i) palette.SetPaletteColor(i, static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 40);
  for (int x = 0; x < 11; ++x) palette.SetPixelIndex(x, x % 6, static_cast<uint8_t>(x * 20));
  palette.SetTransparentIndex(3);
  CRasterImage colour(9, 5, 24, 0);
  for (int x = 0; x < 9; ++x) colour.SetPixelColor(x, x % 5, RGBQUAD{static_cast<uint8_t>(x * 25), 90, 200, 0});
  CRasterImage translucent(colour);
  translucent.CreateAlpha();
  for (int x = 0; x < 9; ++x) translucent.SetAlpha(x, 4 - x % 5, static_cast<uint8_t>(x * 30));
  CRasterImage nibbles(7, 3, 4, 0);
  for (int x = 0; x < 7; ++x) nibbles.SetPixelIndex(x, x % 3, static_cast<uint8_t>(x));
  for (CRasterImage* image : {&palette, &colour, &translucent, &nibbles}) {
    seeds.push_back(Encoded(*image, FormatPng));
    image->SetCodecOption(1, FormatPng);  // interlaced
    seeds.push_back(Encoded(*image, FormatPng));
    seeds.push_back(Encoded(*image, FormatIcon));
    if (image->GetBpp() >= 8) seeds.push_back(Encoded(*image, FormatTga));
  }
  // A two-image icon whose second entry points past the file.
  std::string icon = Encoded(colour, FormatIcon);
  std::string twin = icon.substr(0, 4);
  Put16(twin, 2);
  twin += icon.substr(6, 12);
  Put32(twin, 38);
  twin += icon.substr(6, 12);
  Put32(twin, 0x7FFFFFF0);
  twin += icon.substr(22);
  seeds.push_back(twin);
  // Run-length 24-bit TGA with runs and literals crossing row ends, and a
  // top-down right-to-left 32-bit file.
  std::string rle = std::string("\0\0\x0A\0\0\0\0\0\0\0\0\0\x03\0\x03\0\x18\0", 18);
  rle += std::string("\x84\1\2\3\x02\4\5\6\7\x08\x09\x0A\x0B\x0C\x81\x0D\x0E\x0F", 18);
  seeds.push_back(rle);
  std::string mapped = std::string("\0\1\x09\0\0\x04\0\x10\0\0\0\0\x04\0\x02\0\x08\x30", 18);
  mapped += std::string("\xFF\x7F\x1F\0\xE0\x03\0\x7C\x83\x01\x02\x00\x03", 13);
  seeds.push_back(mapped);
  return seeds;
}

void DecodePngIconTga(std::string_view bytes, uint32_t pick) {
  ExactBlock block(bytes);
  const auto* data = reinterpret_cast<const uint8_t*>(block.View().data());
  for (uint32_t type : {FormatUnknown, FormatPng, FormatIcon, FormatTga}) {
    CRasterImage image(0u);
    CImageMemoryStream stream(data, bytes.size());
    if (image.Decode(&stream, type) && image.IsValid()) {
      ASSERT_GT(image.GetWidth(), 0u);
      ASSERT_LE(static_cast<uint64_t>(image.GetRowBytes()) * image.GetHeight(), RASTER_IMAGE_MAX_MEMORY);
      if (image.GetSize() > (1u << 20)) continue;
      // What decodes encodes again in the format it came in.
      uint32_t again = (pick & 1) ? FormatPng : image.GetType();
      if (again == FormatIcon && (image.GetWidth() >= 256 || image.GetHeight() >= 256)) continue;
      if (again == FormatTga && image.GetBpp() < 8) continue;
      ASSERT_FALSE(Encoded(image, again).empty()) << again << " " << image.GetLastError();
    }
  }
}

TEST_F(ImageFuzzTest, PngIconAndTgaTruncations) {
  const auto seeds = PngIconTgaSeeds();
  ASSERT_EQ(seeds.size(), 18u);
  for (const auto& seed : seeds) {
    ASSERT_GT(seed.size(), 18u);
    for (size_t length = 0; length <= seed.size(); ++length)
      ASSERT_NO_FATAL_FAILURE(DecodePngIconTga(std::string_view(seed).substr(0, length), static_cast<uint32_t>(length)));
  }
}

TEST_F(ImageFuzzTest, PngIconAndTgaMutations) {
  fuzz::Bytes bytes(5120);
  const auto seeds = PngIconTgaSeeds();
  for (int round = 0; round < fuzz::kRounds / 8; ++round)
    ASSERT_NO_FATAL_FAILURE(DecodePngIconTga(bytes.Mutate(seeds[bytes.Next() % seeds.size()]), bytes.Next()));
}

TEST_F(ImageFuzzTest, PngIconAndTgaHugeSizesAndEntriesPastTheFile) {
  // A PNG header of 100,000 x 100,000 (with its right CRC) and an empty IDAT.
  std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
  Put16Be(png, 0x0001);
  Put16Be(png, 0x86A0);
  Put16Be(png, 0x0001);
  Put16Be(png, 0x86A0);
  png += std::string("\x08\x02\0\0\0\x27\x30\x9C\x9F", 9);
  png += std::string("\0\0\0\0IDAT\x35\xAF\x06\x1E", 12);
  ExactBlock block(png);
  CRasterImage image(0u);
  CImageMemoryStream stream(block.View().data(), png.size());
  EXPECT_FALSE(image.Decode(&stream, FormatPng));
  EXPECT_STREQ(image.GetLastError(), "RASTER_IMAGE_MAX_MEMORY exceeded");

  std::string tga = std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\xFF\xFF\xFF\xFF\x20\0", 18) + "xyz";
  CImageMemoryStream tgaStream(tga.data(), tga.size());
  EXPECT_FALSE(image.Decode(&tgaStream, FormatTga));
  EXPECT_STREQ(image.GetLastError(), "TGA Create failed");

  // Icon entries whose data lies past the end, or whose offset wraps.
  for (uint32_t offset : {22u, 1000u, 0xFFFFFFF0u}) {
    std::string icon;
    Put16(icon, 0);
    Put16(icon, 1);
    Put16(icon, 1);
    icon += std::string("\x10\x10\0\0\1\0\x20\0", 8);
    Put32(icon, 1128);
    Put32(icon, offset);
    if (offset == 22) {
      Put32(icon, 40);
      Put32(icon, 16);
      Put32(icon, 32);
      Put16(icon, 1);
      Put16(icon, 32);
    }
    ExactBlock iconBlock(icon);
    CImageMemoryStream iconStream(iconBlock.View().data(), icon.size());
    CRasterImage decoded(0u);
    // A header cut short is refused; pixels that never come stay black.
    bool ok = decoded.Decode(&iconStream, FormatIcon);
    EXPECT_EQ(ok, false) << offset;
  }
}

// --- PCX, WBMP, the JPEG-2000 family and metafiles ---

void PutLe(std::string& s, std::initializer_list<int32_t> words) {
  for (int32_t w : words) Put16(s, static_cast<uint32_t>(w));
}

// A placeable metafile over the given records (each: size in words,
// function, parameters) and an enhanced one.
std::string PlaceableWmf(const std::string& records, int16_t right, int16_t bottom) {
  std::string s;
  Put32(s, 0x9AC6CDD7);
  PutLe(s, {0, 0, 0, right, bottom, 96});
  Put32(s, 0);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= static_cast<uint16_t>(static_cast<uint8_t>(s[i]) | static_cast<uint8_t>(s[i + 1]) << 8);
  Put16(s, sum);
  std::string body = records;
  Put32(body, 3);
  Put16(body, 0);
  PutLe(s, {1, 9, 0x300});
  Put32(s, static_cast<uint32_t>((18 + body.size()) / 2));
  PutLe(s, {4});
  Put32(s, 40);
  PutLe(s, {0});
  return s + body;
}

std::string WmfRecord(uint16_t function, std::initializer_list<int32_t> words) {
  std::string s;
  Put32(s, static_cast<uint32_t>(3 + words.size()));
  Put16(s, function);
  PutLe(s, words);
  return s;
}

std::string EmfRecord(uint32_t type, std::initializer_list<int32_t> values) {
  std::string s;
  Put32(s, type);
  Put32(s, static_cast<uint32_t>(8 + 4 * values.size()));
  for (int32_t v : values) Put32(s, static_cast<uint32_t>(v));
  return s;
}

std::string Emf(const std::string& records, int32_t right, int32_t bottom) {
  std::string s;
  Put32(s, 1);
  Put32(s, 88);
  for (int32_t v : {0, 0, right, bottom, 0, 0, right * 26, bottom * 26}) Put32(s, static_cast<uint32_t>(v));
  Put32(s, 0x464D4520);
  Put32(s, 0x10000);
  Put32(s, static_cast<uint32_t>(88 + records.size() + 20));
  Put32(s, 3);
  Put16(s, 4);
  Put16(s, 0);
  for (int32_t v : {0, 0, 0, 960, 960, 254, 254}) Put32(s, static_cast<uint32_t>(v));
  return s + records + EmfRecord(14, {0, 16, 20});
}

std::vector<std::string> LastFormatSeeds() {
  std::vector<std::string> seeds;
  CRasterImage palette(11, 6, 8, 0);
  for (uint32_t i = 0; i < 256; ++i) palette.SetPaletteColor(i, static_cast<uint8_t>(i), 3, static_cast<uint8_t>(255 - i));
  for (int x = 0; x < 11; ++x) palette.SetPixelIndex(x, x % 6, static_cast<uint8_t>(x * 23));
  CRasterImage colour(9, 5, 24, 0);
  for (int x = 0; x < 9; ++x) colour.SetPixelColor(x, x % 5, RGBQUAD{static_cast<uint8_t>(x * 25), 90, 200, 0});
  CRasterImage translucent(colour);
  translucent.CreateAlpha();
  translucent.SetAlpha(3, 2, 7);
  CRasterImage sixteen(7, 3, 4, 0);
  for (int x = 0; x < 7; ++x) sixteen.SetPixelIndex(x, x % 3, static_cast<uint8_t>(x * 2));
  CRasterImage mono(13, 4, 1, 0);
  for (int x = 0; x < 13; ++x) mono.SetPixelIndex(x, x % 4, 1);
  CRasterImage grey(6, 4, 8, 0);
  grey.SetGrayPalette();
  for (int x = 0; x < 6; ++x) grey.SetPixelIndex(x, x % 4, static_cast<uint8_t>(x * 40));
  for (CRasterImage* image : {&palette, &colour, &translucent, &sixteen, &mono}) seeds.push_back(Encoded(*image, FormatPcx));
  seeds.push_back(Encoded(mono, FormatWbmp));
  for (CRasterImage* image : {&colour, &grey}) {
    image->SetJpegQuality(100);
    for (uint32_t type : {FormatJp2, FormatJpc, FormatPnm, FormatRas}) seeds.push_back(Encoded(*image, type));
    image->SetJpegQuality(40);
    seeds.push_back(Encoded(*image, FormatJpc));
  }
  seeds.push_back(Encoded(grey, FormatPgx));
  seeds.push_back("P3 2 2 255 1 2 3 4 5 6 7 8 9 10 11 12\n");
  seeds.push_back("P1 3 2 1 0 1 0 1 0\n");
  // Metafiles with objects, shapes, text and a bitmap.
  std::string dib = std::string(Bmp(2, 2, 24, 0, "", std::string(16, '\x40')).substr(14));
  std::string blit;
  Put32(blit, 0x00CC0020);
  PutLe(blit, {0, 2, 2, 0, 0, 30, 30, 5, 5});
  std::string stretch;
  Put32(stretch, static_cast<uint32_t>(3 + (blit.size() + dib.size()) / 2));
  Put16(stretch, 0x0F43);
  stretch += blit + dib;
  std::string text;
  Put32(text, 3 + 6);
  Put16(text, 0x0A32);
  PutLe(text, {10, 10, 3, 0});
  text += "abc";
  text += '\0';
  std::string records = WmfRecord(0x020B, {0, 0}) + WmfRecord(0x020C, {100, 100}) +
                        WmfRecord(0x02FA, {0, 3, 0, 0xFF, 0}) + WmfRecord(0x02FC, {0, 0xFF00, 0, 0}) +
                        WmfRecord(0x012D, {0}) + WmfRecord(0x012D, {1}) + WmfRecord(0x001E, {}) +
                        WmfRecord(0x0416, {80, 80, 10, 10}) + WmfRecord(0x041B, {50, 50, 10, 10}) +
                        WmfRecord(0x0418, {90, 90, 40, 40}) + WmfRecord(0x0324, {3, 0, 0, 90, 0, 45, 90}) +
                        WmfRecord(0x0538, {2, 3, 3, 0, 0, 9, 0, 9, 9, 20, 20, 29, 20, 29, 29}) +
                        WmfRecord(0x081A, {0, 100, 100, 0, 100, 100, 0, 0}) + WmfRecord(0x0127, {-1}) +
                        WmfRecord(0x0214, {5, 5}) + WmfRecord(0x0213, {95, 95}) + WmfRecord(0x01F0, {0}) +
                        stretch + text;
  seeds.push_back(PlaceableWmf(records, 100, 100));
  std::string emf = EmfRecord(17, {8}) + EmfRecord(9, {100, 100}) + EmfRecord(11, {50, 50}) +
                    EmfRecord(39, {1, 0, 0xFF, 0}) + EmfRecord(37, {1}) + EmfRecord(43, {0, 0, 50, 50}) +
                    EmfRecord(59, {}) + EmfRecord(27, {5, 5}) + EmfRecord(88, {0, 0, 0, 0, 3, 10 | 10 << 16, 20, 30 << 16}) +
                    EmfRecord(61, {}) + EmfRecord(60, {}) + EmfRecord(63, {0, 0, 0, 0}) +
                    EmfRecord(91, {0, 0, 0, 0, 2, 6, 3, 3, 0, 5 << 16, 5, 9, 9 << 16, 9 | 9 << 16}) +
                    EmfRecord(47, {0, 0, 90, 90, 90, 45, 45, 0}) + EmfRecord(33, {}) + EmfRecord(30, {1, 1, 40, 40}) +
                    EmfRecord(34, {-1}) + EmfRecord(75, {0, 5});
  seeds.push_back(Emf(emf, 49, 49));
  return seeds;
}

class FramePickImage : public CRasterImage {
 public:
  FramePickImage() : CRasterImage(0u) {}
  void PickFrame(int32_t index) { info.frameIndex = index; }
};

void DecodeLastFormats(std::string_view bytes, uint32_t pick) {
  ExactBlock block(bytes);
  const auto* data = reinterpret_cast<const uint8_t*>(block.View().data());
  for (uint32_t type : {FormatUnknown, FormatPcx, FormatWbmp, FormatMetafile, FormatJp2}) {
    FramePickImage image;
    image.PickFrame(static_cast<int32_t>(pick % 3));
    CImageMemoryStream stream(data, bytes.size());
    if (image.Decode(&stream, type) && image.IsValid()) {
      ASSERT_GT(image.GetWidth(), 0u);
      ASSERT_LE(static_cast<uint64_t>(image.GetRowBytes()) * image.GetHeight(), RASTER_IMAGE_MAX_MEMORY);
      if (image.GetSize() > (1u << 20)) continue;
      // What decodes encodes again (quickly: lossless PNM or PCX).
      std::string again = Encoded(image, (pick & 1) ? FormatPcx : FormatBmp);
      ASSERT_FALSE(again.empty()) << image.GetLastError();
    }
  }
}

TEST_F(ImageFuzzTest, PcxWbmpJpeg2000AndMetafileTruncations) {
  const auto seeds = LastFormatSeeds();
  ASSERT_EQ(seeds.size(), 21u);
  for (const auto& seed : seeds) {
    ASSERT_GT(seed.size(), 11u);
    // Every length of the small files; the code streams at every 7th.
    const size_t step = seed.size() > 400 ? 7 : 1;
    for (size_t length = 0; length <= seed.size(); length += step)
      ASSERT_NO_FATAL_FAILURE(DecodeLastFormats(std::string_view(seed).substr(0, length), static_cast<uint32_t>(length)));
  }
}

TEST_F(ImageFuzzTest, PcxWbmpJpeg2000AndMetafileMutations) {
  fuzz::Bytes bytes(5121);
  const auto seeds = LastFormatSeeds();
  for (int round = 0; round < fuzz::kRounds / 5; ++round)
    ASSERT_NO_FATAL_FAILURE(DecodeLastFormats(bytes.Mutate(seeds[bytes.Next() % seeds.size()]), bytes.Next()));
}

TEST_F(ImageFuzzTest, LastFormatsRefuseHugeDeclaredSizesBeforeAllocating) {
  // A PCX of 65,535 x 65,535 in 24 bits.
  std::string pcx(128, '\0');
  pcx[0] = 10;
  pcx[1] = 5;
  pcx[2] = 1;
  pcx[3] = 8;
  pcx[8] = pcx[10] = '\xFE';
  pcx[9] = pcx[11] = '\xFF';
  pcx[65] = 3;
  pcx[66] = '\xFF';
  pcx[67] = '\xFF';
  pcx += std::string(64, '\xC1');
  // A code stream declaring 60,000 x 60,000 in 3 components, no tile.
  std::string j2k = "\xFF\x4F\xFF\x51";
  Put16Be(j2k, 47);
  Put16Be(j2k, 0);
  for (uint32_t v : {60000u, 60000u, 0u, 0u, 60000u, 60000u, 0u, 0u}) {
    Put16Be(j2k, v >> 16);
    Put16Be(j2k, v & 0xFFFF);
  }
  Put16Be(j2k, 3);
  j2k += std::string("\x07\x01\x01\x07\x01\x01\x07\x01\x01", 9);
  // COD (5 levels, 64 x 64 blocks), QCD without quantisation, SOT, EOC.
  j2k += std::string("\xFF\x52\x00\x0C\x00\x00\x00\x01\x00\x05\x04\x04\x00\x00", 14);
  j2k += std::string("\xFF\x5C\x00\x13\x40", 5) + std::string(16, '\x48');
  j2k += std::string("\xFF\x90\x00\x0A\x00\x00\x00\x00\x00\x00\x00\x01\xFF\xD9", 14);
  struct Case {
    std::string file;
    uint32_t type;
    const char* error;
  } cases[] = {
      {pcx, FormatPcx, "RASTER_IMAGE_MAX_MEMORY exceeded"},
      {j2k, FormatJpc, "RASTER_IMAGE_MAX_MEMORY exceeded"},
      {"P6 70000 70000 255\n", FormatPnm, "RASTER_IMAGE_MAX_MEMORY exceeded"},
      {"PG ML + 16 40000 40000\n", FormatPgx, "RASTER_IMAGE_MAX_MEMORY exceeded"},
      {std::string("\x59\xA6\x6A\x95\x00\x01\x00\x00\x00\x01\x00\x00\0\0\0\x18", 16) + std::string(16, '\0'), FormatRas,
       "RASTER_IMAGE_MAX_MEMORY exceeded"},
  };
  for (const auto& c : cases) {
    ExactBlock block(c.file);
    CRasterImage image(0u);
    CImageMemoryStream stream(block.View().data(), c.file.size());
    EXPECT_FALSE(image.Decode(&stream, c.type)) << c.type;
    EXPECT_STREQ(image.GetLastError(), c.error) << c.type;
  }
  // Metafile extents of 32,767 are limited to 4,000 before the picture is
  // made, the aspect kept.
  for (auto [right, bottom, w, h] : {std::tuple{32767, 32767, 4000u, 4000u}, std::tuple{32767, 100, 4000u, 12u}}) {
    std::string wmf = PlaceableWmf(WmfRecord(0x041B, {32767, 32767, 0, 0}), static_cast<int16_t>(right), static_cast<int16_t>(bottom));
    CRasterImage image(0u);
    CImageMemoryStream stream(wmf.data(), wmf.size());
    ASSERT_TRUE(image.Decode(&stream, FormatMetafile)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), w);
    EXPECT_EQ(image.GetHeight(), h);
  }
  std::string emf = Emf(EmfRecord(43, {0, 0, 32767, 32767}), 32767, 32767);
  CRasterImage image(0u);
  CImageMemoryStream stream(emf.data(), emf.size());
  ASSERT_TRUE(image.Decode(&stream, FormatMetafile)) << image.GetLastError();
  EXPECT_EQ(image.GetWidth(), 4000u);
  EXPECT_EQ(image.GetHeight(), 4000u);
}

}  // namespace
