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
#include "image/JpegCodec.h"
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

}  // namespace
