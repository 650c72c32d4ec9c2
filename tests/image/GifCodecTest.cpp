// The GIF codec: transparency and palette padding, frames drawn over frames,
// tiled true-colour files, interlacing, damaged files; the encoder's bytes,
// its mosaic and its three coders; giflib and Qt as the other side.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <random>

#include "image/GifCodec.h"
#include "image/ImageStream.h"
#include "tests/image/ImageTestSupport.h"

namespace {

using namespace imagetest;

// --- hand-made files ---

// Pixels as single codes of code size + 1 bits, with a clear code often
// enough that the decoder's code width never grows: a plain encoder of our
// own, independent of the codec's.
Bytes PlainLzw(const Bytes& pixels, int codeSize) {
  const int clear = 1 << codeSize;
  const int width = codeSize + 1;
  Bytes data;
  uint32_t accumulator = 0;
  int bits = 0;
  auto put = [&](int code) {
    accumulator |= static_cast<uint32_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      data.push_back(static_cast<uint8_t>(accumulator));
      accumulator >>= 8;
      bits -= 8;
    }
  };
  int sinceClear = clear;
  for (uint8_t p : pixels) {
    if (sinceClear >= clear - 2) {
      put(clear);
      sinceClear = 0;
    }
    put(p);
    ++sinceClear;
  }
  put(clear + 1);
  if (bits) data.push_back(static_cast<uint8_t>(accumulator));
  Bytes out{static_cast<uint8_t>(codeSize)};
  for (size_t i = 0; i < data.size(); i += 255) {
    size_t n = std::min<size_t>(255, data.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<long>(i), data.begin() + static_cast<long>(i + n));
  }
  out.push_back(0);
  return out;
}

// A table of `n` colours: entry i is (i * 7, 255 - i, i * 3).
Bytes Table(int n) {
  Bytes t;
  for (int i = 0; i < n; ++i) Append(t, {static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3)});
  return t;
}

uint8_t SizeBits(int entries) {
  uint8_t s = 0;
  while ((2 << s) < entries) ++s;
  return s;
}

Bytes Screen(uint32_t width, uint32_t height, int globalEntries) {
  Bytes b{'G', 'I', 'F', '8', '9', 'a'};
  Put16(b, width);
  Put16(b, height);
  b.push_back(globalEntries ? static_cast<uint8_t>(0x80 | SizeBits(globalEntries)) : 0);
  b.push_back(0);
  b.push_back(0);
  if (globalEntries) Append(b, Table(globalEntries));
  return b;
}

Bytes Control(uint8_t flags, uint8_t transparent, uint16_t delay = 0) {
  Bytes b{0x21, 0xF9, 4, flags};
  Put16(b, delay);
  Append(b, {transparent, 0});
  return b;
}

struct Frame {
  uint32_t left, top, width, height;
  Bytes pixels;  // rows from the top
  int localEntries = 0;
  bool interlaced = false;
  int codeSize = 0;  // 0: from the table
};

Bytes FrameBytes(const Frame& f, int tableEntries) {
  Bytes b{0x2C};
  Put16(b, f.left);
  Put16(b, f.top);
  Put16(b, f.width);
  Put16(b, f.height);
  uint8_t flags = f.interlaced ? 0x40 : 0;
  if (f.localEntries) flags |= static_cast<uint8_t>(0x80 | SizeBits(f.localEntries));
  b.push_back(flags);
  if (f.localEntries) Append(b, Table(f.localEntries));
  int entries = f.localEntries ? f.localEntries : tableEntries;
  size_t codeSizeAt = b.size();
  Append(b, PlainLzw(f.pixels, std::max<int>(2, SizeBits(entries) + 1)));
  if (f.codeSize) b[codeSizeAt] = static_cast<uint8_t>(f.codeSize);
  return b;
}

// The index of a pixel counted from the top row.
int IndexAt(const CRasterImage& image, uint32_t x, uint32_t yFromTop) {
  return image.GetPixelIndex(x, image.GetHeight() - 1 - yFromTop);
}

RGBQUAD ColourAt(const CRasterImage& image, uint32_t x, uint32_t yFromTop) {
  return image.GetPixelColor(x, image.GetHeight() - 1 - yFromTop, false);
}

// An image whose frame index a test can choose.
class Picking : public CRasterImage {
 public:
  Picking() : CRasterImage(0u) {}
  void PickFrame(int32_t index) { info.frameIndex = index; }
};

TEST(GifCodecTest, TransparentIndexFivePadsThePaletteWithWhite) {
  Bytes file = Screen(4, 3, 32);
  Append(file, Control(0x01, 5, 7));
  Append(file, FrameBytes({0, 0, 4, 3, {0, 5, 31, 2, 5, 5, 9, 1, 30, 4, 5, 0}}, 32));
  file.push_back(0x3B);
  for (uint32_t type : {FormatGif, FormatUnknown}) {
    CRasterImage image(0u);
    ASSERT_TRUE(DecodeBytes(image, file, type)) << type;
    EXPECT_EQ(image.GetType(), FormatGif);
    EXPECT_EQ(image.GetBpp(), 8u);
    EXPECT_EQ(image.GetTransparentIndex(), 5);
    EXPECT_EQ(image.GetNumColors(), 256u);
    EXPECT_EQ(image.GetInfo().frameDelay, 7u);
    EXPECT_EQ(image.GetFrameCount(), 1);
    RGBQUAD c = image.GetPaletteColor(31);
    EXPECT_EQ(c.rgbRed, 31 * 7);
    EXPECT_EQ(c.rgbGreen, 255 - 31);
    EXPECT_EQ(c.rgbBlue, 31 * 3);
    for (uint32_t i : {32u, 100u, 255u}) {
      c = image.GetPaletteColor(i);
      EXPECT_EQ(c.rgbRed, 255);
      EXPECT_EQ(c.rgbGreen, 255);
      EXPECT_EQ(c.rgbBlue, 255);
    }
    // Transparent pixels stay as the background was filled: index 5.
    const int expected[3][4] = {{0, 5, 31, 2}, {5, 5, 9, 1}, {30, 4, 5, 0}};
    for (uint32_t y = 0; y < 3; ++y)
      for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(IndexAt(image, x, y), expected[y][x]) << x << "," << y;
  }
}

// Frame 0 fills a 6 x 4 screen, frame 1 covers (1, 1)-(2, 2) and is disposed
// of with method 2, frame 2 covers (3, 2)-(4, 2).  Index 0 is transparent.
Bytes ThreeFrames() {
  Bytes file = Screen(6, 4, 16);
  Append(file, Control(0x01, 0));
  Bytes first;
  for (int i = 0; i < 24; ++i) first.push_back(static_cast<uint8_t>(1 + i % 5));
  Append(file, FrameBytes({0, 0, 6, 4, first}, 16));
  Append(file, Control(0x01 | (2 << 2), 0));
  Append(file, FrameBytes({1, 1, 2, 2, {7, 0, 7, 7}}, 16));
  Append(file, Control(0x01, 0));
  Append(file, FrameBytes({3, 2, 2, 1, {9, 10}}, 16));
  file.push_back(0x3B);
  return file;
}

TEST(GifCodecTest, FramesAreDrawnOverTheFramesBefore) {
  Bytes file = ThreeFrames();
  struct Pick {
    int32_t index;
    int expected[4][6];
  } picks[] = {
      {0, {{1, 2, 3, 4, 5, 1}, {2, 3, 4, 5, 1, 2}, {3, 4, 5, 1, 2, 3}, {4, 5, 1, 2, 3, 4}}},
      {1, {{1, 2, 3, 4, 5, 1}, {2, 7, 4, 5, 1, 2}, {3, 7, 7, 1, 2, 3}, {4, 5, 1, 2, 3, 4}}},
      // Disposal 2 of frame 1 clears the screen to the first transparent index.
      {2, {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 9, 10, 0}, {0, 0, 0, 0, 0, 0}}},
  };
  for (const auto& pick : picks) {
    Picking decoder;
    decoder.PickFrame(pick.index);
    ASSERT_TRUE(DecodeBytes(decoder, file, FormatGif)) << pick.index;
    EXPECT_EQ(decoder.GetFrameCount(), 3);
    EXPECT_EQ(decoder.GetTransparentIndex(), 0);
    EXPECT_EQ(decoder.GetWidth(), 6u);
    for (uint32_t y = 0; y < 4; ++y)
      for (uint32_t x = 0; x < 6; ++x)
        EXPECT_EQ(IndexAt(decoder, x, y), pick.expected[y][x]) << pick.index << ": " << x << "," << y;
  }
}

TEST(GifCodecTest, TiledFileBecomesOneTrueColourPicture) {
  // No global table, four 3 x 2 frames with their own tables tile 6 x 4.
  Bytes file = Screen(6, 4, 0);
  struct Tile {
    uint32_t left, top;
  } tiles[] = {{0, 0}, {3, 0}, {0, 2}, {3, 2}};
  int n = 0;
  for (const auto& t : tiles) {
    Append(file, Control(0, 0));
    Bytes pixels;
    for (int i = 0; i < 6; ++i) pixels.push_back(static_cast<uint8_t>(n * 6 + i));
    Append(file, FrameBytes({t.left, t.top, 3, 2, pixels, 32}, 0));
    ++n;
  }
  file.push_back(0x3B);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatUnknown));
  EXPECT_EQ(image.GetBpp(), 24u);
  EXPECT_EQ(image.GetWidth(), 6u);
  EXPECT_EQ(image.GetHeight(), 4u);
  EXPECT_EQ(image.GetFrameCount(), 4);
  EXPECT_FALSE(image.IsTransparent());
  n = 0;
  for (const auto& t : tiles) {
    for (int i = 0; i < 6; ++i) {
      int index = n * 6 + i;
      RGBQUAD c = ColourAt(image, t.left + i % 3, t.top + i / 3);
      EXPECT_EQ(c.rgbRed, static_cast<uint8_t>(index * 7)) << index;
      EXPECT_EQ(c.rgbGreen, 255 - index) << index;
      EXPECT_EQ(c.rgbBlue, index * 3) << index;
    }
    ++n;
  }
}

TEST(GifCodecTest, InterlacedRowsGoInFourPasses) {
  // Row k of the data holds value k; ten rows land as 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
  Bytes pixels;
  for (uint8_t k = 0; k < 10; ++k)
    for (int x = 0; x < 3; ++x) pixels.push_back(k);
  Bytes file = Screen(3, 10, 16);
  Frame f{0, 0, 3, 10, pixels};
  f.interlaced = true;
  Append(file, FrameBytes(f, 16));
  file.push_back(0x3B);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  const int order[] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  for (int k = 0; k < 10; ++k)
    for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(IndexAt(image, x, order[k]), k) << "data row " << k;
}

TEST(GifCodecTest, FrameOutsideTheScreenIsIgnoredAndNotCounted) {
  Bytes file = Screen(4, 2, 4);
  Append(file, FrameBytes({2, 0, 3, 2, Bytes(6, 1)}, 4));  // 2 + 3 > 4
  Append(file, FrameBytes({0, 0, 4, 2, {3, 2, 1, 0, 0, 1, 2, 3}}, 4));
  file.push_back(0x3B);
  Picking image;
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(image.GetFrameCount(), 1);
  EXPECT_EQ(IndexAt(image, 0, 0), 3);
  EXPECT_EQ(IndexAt(image, 3, 1), 3);
  image.PickFrame(1);
  EXPECT_FALSE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(image.GetFrameCount(), 1);
}

TEST(GifCodecTest, CodeSizeTenStopsThatFrameOnly) {
  Bytes file = Screen(3, 1, 4);
  Frame bad{0, 0, 3, 1, {3, 3, 3}};
  bad.codeSize = 10;
  Append(file, FrameBytes(bad, 4));
  Append(file, FrameBytes({0, 0, 3, 1, {2, 1, 2}}, 4));
  file.push_back(0x3B);
  Picking image;
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(image.GetFrameCount(), 2);
  for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(IndexAt(image, x, 0), 0);
  image.PickFrame(1);
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(IndexAt(image, 0, 0), 2);
  EXPECT_EQ(IndexAt(image, 1, 0), 1);
}

TEST(GifCodecTest, FrameIndexBeyondTheCountReportsTheCount) {
  Bytes file = ThreeFrames();
  Picking image;
  image.PickFrame(3);
  EXPECT_FALSE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(image.GetFrameCount(), 3);
  EXPECT_FALSE(image.IsValid());
  image.PickFrame(-1);
  EXPECT_FALSE(DecodeBytes(image, file, FormatGif));
}

TEST(GifCodecTest, StrayBytesBetweenBlocksAreSkippedUpToAZero) {
  Bytes file = Screen(2, 1, 4);
  Append(file, {0x07, 0x2C, 0x21, 0x3B, 0x00});  // stray, introducers included
  Append(file, FrameBytes({0, 0, 2, 1, {1, 2}}, 4));
  file.push_back(0x3B);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(image.GetFrameCount(), 1);
  EXPECT_EQ(IndexAt(image, 0, 0), 1);
  EXPECT_EQ(IndexAt(image, 1, 0), 2);
}

TEST(GifCodecTest, BeforeAnyControlBlockTheBackgroundIsIndexZeroWithoutTransparency) {
  // The first frame covers part of the screen; the rest is the background.
  Bytes file = Screen(3, 2, 4);
  Append(file, FrameBytes({1, 0, 2, 2, {3, 3, 3, 3}}, 4));
  file.push_back(0x3B);
  CRasterImage image(0u);
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(image.GetTransparentIndex(), -1);
  EXPECT_EQ(IndexAt(image, 0, 0), 0);
  EXPECT_EQ(IndexAt(image, 0, 1), 0);
  EXPECT_EQ(IndexAt(image, 1, 0), 3);
  // A later frame's control block does not reach back to the first frame.
  Bytes two = Screen(3, 2, 4);
  Append(two, FrameBytes({0, 0, 3, 2, {1, 2, 3, 1, 2, 3}}, 4));
  Append(two, Control(0x01, 2));
  Append(two, FrameBytes({0, 0, 1, 1, {2}}, 4));
  two.push_back(0x3B);
  ASSERT_TRUE(DecodeBytes(image, two, FormatGif));
  EXPECT_EQ(image.GetTransparentIndex(), -1);
  EXPECT_EQ(IndexAt(image, 1, 0), 2);
}

TEST(GifCodecTest, CommentLoopsAndDimensionsOnly) {
  Bytes file = Screen(5, 4, 2);
  Append(file, {0x21, 0xFF, 11});
  for (char ch : std::string("NETSCAPE2.0")) file.push_back(static_cast<uint8_t>(ch));
  Append(file, {3, 1, 0x2A, 0x00, 0});
  Append(file, {0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0});
  Append(file, FrameBytes({0, 0, 5, 4, Bytes(20, 1)}, 2));
  file.push_back(0x3B);
  CGifCodec codec;
  CImageMemoryStream stream(file.data(), file.size());
  ASSERT_TRUE(codec.DecodeStream(&stream));
  EXPECT_STREQ(codec.gifComment, "hello");
  EXPECT_EQ(codec.gifLoops, 42);
  EXPECT_EQ(codec.GetBpp(), 1u);

  CRasterImage image(0u);
  image.SetEscape(-1);
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  EXPECT_FALSE(image.IsValid());
  EXPECT_EQ(image.GetWidth(), 5u);
  EXPECT_EQ(image.GetHeight(), 4u);
}

// --- encoding ---

// The blocks of a GIF we wrote, walked by hand.
struct Block {
  uint8_t kind = 0;  // 0x21 extension (label in `label`), 0x2C image
  uint8_t label = 0;
  Bytes head;    // extension: the first sub-block; image: descriptor
  Bytes table;   // image: local table
  int codeSize = 0;
  Bytes data;    // image: the sub-blocks' bytes joined
};

std::vector<Block> Blocks(const Bytes& gif, size_t start) {
  std::vector<Block> blocks;
  size_t i = start;
  auto subBlocks = [&](Bytes& into) {
    while (i < gif.size() && gif[i]) {
      size_t n = gif[i++];
      into.insert(into.end(), gif.begin() + static_cast<long>(i), gif.begin() + static_cast<long>(i + n));
      i += n;
    }
    ++i;
  };
  while (i < gif.size() && gif[i] != 0x3B) {
    Block b;
    b.kind = gif[i++];
    if (b.kind == 0x21) {
      b.label = gif[i++];
      subBlocks(b.head);
    } else if (b.kind == 0x2C) {
      b.head.assign(gif.begin() + static_cast<long>(i), gif.begin() + static_cast<long>(i + 9));
      i += 9;
      if (b.head[8] & 0x80) {
        size_t n = size_t{3} << ((b.head[8] & 7) + 1);
        b.table.assign(gif.begin() + static_cast<long>(i), gif.begin() + static_cast<long>(i + n));
        i += n;
      }
      b.codeSize = gif[i++];
      subBlocks(b.data);
    } else {
      ADD_FAILURE() << "unexpected byte " << int(b.kind);
      break;
    }
    blocks.push_back(b);
  }
  EXPECT_EQ(i + 1, gif.size()) << "the trailer ends the file";
  return blocks;
}

// How many clear codes an LZW stream holds, reading the code widths as a
// decoder would.
int ClearCodes(const Bytes& data, int codeSize) {
  const int clear = 1 << codeSize;
  int width = codeSize + 1, slot = clear + 2;
  bool first = true;
  int clears = 0;
  uint64_t accumulator = 0;
  int bits = 0;
  size_t at = 0;
  for (;;) {
    while (bits < width && at < data.size()) {
      accumulator |= static_cast<uint64_t>(data[at++]) << bits;
      bits += 8;
    }
    if (bits < width) return -1;
    int code = static_cast<int>(accumulator & ((1u << width) - 1));
    accumulator >>= width;
    bits -= width;
    if (code == clear + 1) return clears;
    if (code == clear) {
      ++clears;
      width = codeSize + 1;
      slot = clear + 2;
      first = true;
      continue;
    }
    if (!first && slot < 4096) ++slot;
    first = false;
    if (slot >= (1 << width) && width < 12) ++width;
  }
}

CRasterImage Pattern(uint32_t width, uint32_t height, uint32_t bpp, uint32_t seed) {
  CRasterImage image(width, height, bpp, 0u);
  std::mt19937 random(seed);
  const uint32_t colours = image.GetNumColors();
  for (uint32_t i = 0; i < colours; ++i)
    image.SetPaletteColor(i, static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 11));
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      // Runs of all lengths beside noise.
      uint32_t v = (y % 3 == 0) ? (x / (1 + y % 7)) : random();
      if (bpp == 24)
        image.SetPixelColor(x, y, RGBQUAD{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(x * 9 + y), 0});
      else
        image.SetPixelIndex(x, y, static_cast<uint8_t>(v % colours));
    }
  }
  return image;
}

Bytes EncodeWith(CRasterImage& image, uint32_t coder) {
  image.SetCodecOption(coder, FormatGif);
  return EncodeBytes(image, FormatGif);
}

// giflib reads the file: the screen's colours, frames drawn in order.
std::vector<RGBQUAD> GiflibColours(const Bytes& gif, uint32_t* width, uint32_t* height) {
  struct Source {
    const Bytes* bytes;
    size_t at;
  } source{&gif, 0};
  auto read = [](GifFileType* file, GifByteType* into, int n) -> int {
    auto* s = static_cast<Source*>(file->UserData);
    int available = static_cast<int>(std::min<size_t>(static_cast<size_t>(n), s->bytes->size() - s->at));
    std::memcpy(into, s->bytes->data() + s->at, static_cast<size_t>(available));
    s->at += static_cast<size_t>(available);
    return available;
  };
  int error = 0;
  GifFileType* file = DGifOpen(&source, read, &error);
  std::vector<RGBQUAD> screen;
  if (!file) return screen;
  if (DGifSlurp(file) == GIF_OK) {
    *width = static_cast<uint32_t>(file->SWidth);
    *height = static_cast<uint32_t>(file->SHeight);
    screen.assign(static_cast<size_t>(*width) * *height, RGBQUAD{});
    for (int f = 0; f < file->ImageCount; ++f) {
      const SavedImage& image = file->SavedImages[f];
      const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
      for (int y = 0; y < image.ImageDesc.Height; ++y) {
        for (int x = 0; x < image.ImageDesc.Width; ++x) {
          const GifColorType& c = map->Colors[image.RasterBits[y * image.ImageDesc.Width + x]];
          screen[static_cast<size_t>(image.ImageDesc.Top + y) * *width + static_cast<size_t>(image.ImageDesc.Left + x)] =
              RGBQUAD{c.Blue, c.Green, c.Red, 0};
        }
      }
    }
  }
  DGifCloseFile(file, &error);
  return screen;
}

void ExpectSameColours(const CRasterImage& expected, const CRasterImage& actual, const std::string& what) {
  ASSERT_EQ(actual.GetWidth(), expected.GetWidth()) << what;
  ASSERT_EQ(actual.GetHeight(), expected.GetHeight()) << what;
  int wrong = 0;
  for (uint32_t y = 0; y < expected.GetHeight(); ++y) {
    for (uint32_t x = 0; x < expected.GetWidth(); ++x) {
      RGBQUAD a = expected.GetPixelColor(x, y, false), b = actual.GetPixelColor(x, y, false);
      if (a.rgbRed != b.rgbRed || a.rgbGreen != b.rgbGreen || a.rgbBlue != b.rgbBlue) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0) << what;
}

TEST(GifCodecTest, HeaderPackedBytesAndCodeSizes) {
  struct Case {
    uint32_t bpp;
    uint8_t packed;
    size_t tableBytes;
    int codeSize;
  } cases[] = {{1, 0x80, 6, 2}, {4, 0xE3, 48, 4}, {8, 0xE7, 768, 8}};
  for (const auto& c : cases) {
    CRasterImage image = Pattern(7, 3, c.bpp, 1);
    Bytes gif = EncodeWith(image, 0);
    ASSERT_GT(gif.size(), 13u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    EXPECT_EQ(gif[6], 7);
    EXPECT_EQ(gif[8], 3);
    EXPECT_EQ(gif[10], c.packed);
    EXPECT_EQ(gif[11], 0);
    EXPECT_EQ(gif[12], 0);
    EXPECT_EQ(gif[13], image.GetPaletteColor(0).rgbRed);
    auto blocks = Blocks(gif, 13 + c.tableBytes);
    ASSERT_EQ(blocks.size(), 2u) << c.bpp;
    // The control block is always written: no transparency, index 0xFF.
    EXPECT_EQ(blocks[0].label, 0xF9);
    EXPECT_EQ(blocks[0].head, (Bytes{0, 0, 0, 0xFF}));
    EXPECT_EQ(blocks[1].head, (Bytes{0, 0, 0, 0, 7, 0, 3, 0, 0}));
    EXPECT_EQ(blocks[1].codeSize, c.codeSize);
  }
}

TEST(GifCodecTest, ControlBlockCarriesTransparencyDelayDisposalAndComment) {
  CGifCodec codec;
  codec.Create(2, 2, 4, FormatGif);
  codec.SetTransparentIndex(3);
  codec.gifDisposal = 2;
  std::snprintf(codec.gifComment, sizeof codec.gifComment, "%s", "depot");
  CImageMemoryStream stream;
  stream.Open();
  ASSERT_TRUE(codec.EncodeStream(&stream));
  Bytes gif(stream.GetBuffer(false), stream.GetBuffer(false) + stream.Size());
  auto blocks = Blocks(gif, 13 + 48);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].head, (Bytes{0x09, 0, 0, 3}));
  EXPECT_EQ(blocks[1].label, 0xFE);
  EXPECT_EQ(std::string(blocks[1].head.begin(), blocks[1].head.end()), "depot");
  // Read back: the same settings.
  CGifCodec back;
  CImageMemoryStream in(gif.data(), gif.size());
  ASSERT_TRUE(back.DecodeStream(&in));
  EXPECT_EQ(back.GetTransparentIndex(), 3);
  EXPECT_EQ(back.gifDisposal, 2);
  EXPECT_STREQ(back.gifComment, "depot");
}

TEST(GifCodecTest, TrueColourBecomesAMosaicOfSeventeenByFifteen) {
  CRasterImage image = Pattern(34, 30, 24, 2);
  Bytes gif = EncodeWith(image, 0);
  ASSERT_GT(gif.size(), 13u);
  EXPECT_EQ(gif[10], 0x11);
  auto blocks = Blocks(gif, 13);
  ASSERT_EQ(blocks.size(), 8u);
  const uint32_t positions[4][2] = {{0, 0}, {17, 0}, {0, 15}, {17, 15}};
  for (int f = 0; f < 4; ++f) {
    const Block& control = blocks[2 * f];
    const Block& frame = blocks[2 * f + 1];
    EXPECT_EQ(control.label, 0xF9);
    EXPECT_EQ(control.head, (Bytes{0, 0, 0, 0xFF}));
    ASSERT_EQ(frame.kind, 0x2C);
    Bytes expected;
    Put16(expected, positions[f][0]);
    Put16(expected, positions[f][1]);
    Put16(expected, 17);
    Put16(expected, 15);
    expected.push_back(0x87);
    EXPECT_EQ(frame.head, expected) << f;
    EXPECT_EQ(frame.table.size(), 768u);
    EXPECT_EQ(frame.codeSize, 8);
  }
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, gif, FormatGif));
  EXPECT_EQ(back.GetBpp(), 24u);
  ExpectSameColours(image, back, "mosaic");
}

TEST(GifCodecTest, TheThreeCodersDecodeToTheSamePixels) {
  struct Case {
    uint32_t width, height, bpp;
  } cases[] = {{1, 1, 1}, {37, 23, 1}, {61, 40, 4}, {300, 211, 8}, {3, 2, 8}, {50, 47, 24}};
  for (const auto& c : cases) {
    CRasterImage image = Pattern(c.width, c.height, c.bpp, c.width);
    size_t lzwSize = 0;
    for (uint32_t coder : {0u, 1u, 2u}) {
      std::string what = std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                         std::to_string(c.bpp) + " coder " + std::to_string(coder);
      Bytes gif = EncodeWith(image, coder);
      ASSERT_FALSE(gif.empty()) << what << image.GetLastError();
      if (coder == 0) lzwSize = gif.size();
      if (coder == 1 && c.width * c.height > 1000) {
        EXPECT_GT(gif.size(), lzwSize) << what;
      }
      CRasterImage back(0u);
      ASSERT_TRUE(DecodeBytes(back, gif, FormatGif)) << what;
      ExpectSameColours(image, back, what + " (ours)");
      if (c.bpp != 24) {
        EXPECT_EQ(back.GetBpp(), c.bpp) << what;
        for (uint32_t y = 0; y < c.height; ++y)
          for (uint32_t x = 0; x < c.width; ++x)
            ASSERT_EQ(back.GetPixelIndex(x, y), image.GetPixelIndex(x, y)) << what;
      }
      uint32_t width = 0, height = 0;
      std::vector<RGBQUAD> screen = GiflibColours(gif, &width, &height);
      ASSERT_EQ(screen.size(), static_cast<size_t>(c.width) * c.height) << what << " (giflib)";
      int wrong = 0;
      for (uint32_t y = 0; y < c.height; ++y)
        for (uint32_t x = 0; x < c.width; ++x) {
          RGBQUAD a = ColourAt(image, x, y), b = screen[static_cast<size_t>(y) * c.width + x];
          if (a.rgbRed != b.rgbRed || a.rgbGreen != b.rgbGreen || a.rgbBlue != b.rgbBlue) ++wrong;
        }
      EXPECT_EQ(wrong, 0) << what << " (giflib)";
    }
  }
}

TEST(GifCodecTest, RunLengthCoderOnLongRunsOfFewColours) {
  // Long runs of one pixel, runs that alternate, and runs longer than a
  // table holds: every path of the run-length coder.
  CRasterImage image(997, 61, 8, 0u);
  image.SetGrayPalette();
  for (uint32_t y = 0; y < 61; ++y)
    for (uint32_t x = 0; x < 997; ++x)
      image.SetPixelIndex(x, y, static_cast<uint8_t>(y < 20 ? 7 : y < 40 ? (x / (y - 19)) % 3 : (x * x / 97 + y) % 5));
  for (uint32_t codeBits : {1u, 4u, 8u}) {
    CRasterImage narrowed(997, 61, codeBits, 0u);
    narrowed.SetGrayPalette();
    for (uint32_t y = 0; y < 61; ++y)
      for (uint32_t x = 0; x < 997; ++x)
        narrowed.SetPixelIndex(x, y, static_cast<uint8_t>(image.GetPixelIndex(x, y) % narrowed.GetNumColors()));
    Bytes gif = EncodeWith(narrowed, 2);
    CRasterImage back(0u);
    ASSERT_TRUE(DecodeBytes(back, gif, FormatGif)) << codeBits;
    int wrong = 0;
    for (uint32_t y = 0; y < 61; ++y)
      for (uint32_t x = 0; x < 997; ++x) wrong += back.GetPixelIndex(x, y) != narrowed.GetPixelIndex(x, y);
    EXPECT_EQ(wrong, 0) << codeBits;
  }
}

TEST(GifCodecTest, ClearCodesAppearWhenTheTableFills) {
  // 4,097 pixels of one colour: only the leading clear code.
  CRasterImage flat(4097, 1, 8, 0u);
  flat.Clear(9);
  Bytes gif = EncodeWith(flat, 0);
  auto blocks = Blocks(gif, 13 + 768);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(ClearCodes(blocks[1].data, 8), 1);

  // 100,000 pixels of noise fill the 4,096-code table again and again.
  CRasterImage noise(400, 250, 8, 0u);
  std::mt19937 random(7);
  for (uint32_t y = 0; y < 250; ++y)
    for (uint32_t x = 0; x < 400; ++x) noise.SetPixelIndex(x, y, static_cast<uint8_t>(random()));
  gif = EncodeWith(noise, 0);
  blocks = Blocks(gif, 13 + 768);
  ASSERT_EQ(blocks.size(), 2u);
  // Each table holds 4096 - 258 strings of mostly two pixels.
  int clears = ClearCodes(blocks[1].data, 8);
  EXPECT_GE(clears, 1 + 100000 / (2 * (4096 - 258)) - 2);
  EXPECT_LE(clears, 1 + 100000 / (4096 - 258));
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, gif, FormatGif));
  ExpectSameColours(noise, back, "noise");

  // The uncompressed coder clears before its codes run past 4,095.
  gif = EncodeWith(noise, 1);
  blocks = Blocks(gif, 13 + 768);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(ClearCodes(blocks[1].data, 8), 1 + 100000 / (4096 - 258));
}

// A memory stream that fails every write once `limit` bytes are written.
class FailingStream : public CImageMemoryStream {
 public:
  explicit FailingStream(size_t limit) : limit_(limit) { Open(); }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    if (written_ + size * count > limit_) {
      failed_ = true;
      return 0;
    }
    written_ += size * count;
    return CImageMemoryStream::Write(buffer, size, count);
  }
  bool PutC(uint8_t byte) override { return Write(&byte, 1, 1) == 1; }
  int Error() override { return failed_ ? 1 : 0; }

 private:
  size_t limit_;
  size_t written_ = 0;
  bool failed_ = false;
};

TEST(GifCodecTest, AFailedWriteIsReportedWithEveryCoder) {
  for (uint32_t bpp : {8u, 24u}) {
    CRasterImage image = Pattern(40, 20, bpp, 3);
    for (uint32_t coder : {0u, 1u, 2u}) {
      Bytes whole = EncodeWith(image, coder);
      ASSERT_FALSE(whole.empty());
      // Failing in the pixel codes, and only at the trailer.
      for (size_t limit : {whole.size() / 2, whole.size() - 1}) {
        FailingStream stream(limit);
        EXPECT_FALSE(image.Encode(&stream, FormatGif)) << bpp << " coder " << coder << " at " << limit;
        EXPECT_STREQ(image.GetLastError(), "Write Error in GIF file");
      }
    }
  }
}

// Qt reads what we write with the same colours; a mosaic shows whole once
// Qt has drawn its last frame.
TEST(GifCodecTest, QtReadsOurFilesWithEqualPixels) {
  struct Case {
    uint32_t width, height, bpp;
  } cases[] = {{19, 7, 1}, {33, 12, 4}, {70, 41, 8}, {52, 33, 24}};
  for (const auto& c : cases) {
    CRasterImage image = Pattern(c.width, c.height, c.bpp, 5);
    for (uint32_t coder : {0u, 2u}) {
      Bytes gif = EncodeWith(image, coder);
      QByteArray bytes(reinterpret_cast<const char*>(gif.data()), static_cast<qsizetype>(gif.size()));
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::ReadOnly);
      QImageReader reader(&buffer, "gif");
      QImage qt;
      for (QImage frame; reader.read(&frame);) qt = frame;
      ASSERT_FALSE(qt.isNull()) << c.bpp << ": " << reader.errorString().toStdString();
      ASSERT_EQ(qt.width(), static_cast<int>(c.width));
      ASSERT_EQ(qt.height(), static_cast<int>(c.height));
      int wrong = 0;
      for (uint32_t y = 0; y < c.height; ++y)
        for (uint32_t x = 0; x < c.width; ++x) {
          RGBQUAD a = ColourAt(image, x, y);
          QRgb b = qt.pixel(static_cast<int>(x), static_cast<int>(y));
          if (a.rgbRed != qRed(b) || a.rgbGreen != qGreen(b) || a.rgbBlue != qBlue(b)) ++wrong;
        }
      EXPECT_EQ(wrong, 0) << c.bpp << " coder " << coder;
    }
  }
}


// giflib writes rows in the order given; for an interlaced frame the caller
// hands them over pass by pass.
Bytes GiflibWrite(const CRasterImage& image, bool interlaced) {
  Bytes out;
  auto write = [](GifFileType* file, const GifByteType* data, int length) -> int {
    auto* bytes = static_cast<Bytes*>(file->UserData);
    bytes->insert(bytes->end(), data, data + length);
    return length;
  };
  std::vector<GifColorType> colours(image.GetNumColors());
  for (uint32_t i = 0; i < image.GetNumColors(); ++i) {
    RGBQUAD c = image.GetPaletteColor(i);
    colours[i] = GifColorType{c.rgbRed, c.rgbGreen, c.rgbBlue};
  }
  int error = 0;
  GifFileType* file = EGifOpen(&out, write, &error);
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  const int width = static_cast<int>(image.GetWidth()), height = static_cast<int>(image.GetHeight());
  EGifPutScreenDesc(file, width, height, 8, 0, map);
  EGifPutImageDesc(file, 0, 0, width, height, interlaced, nullptr);
  std::vector<int> rows;
  if (interlaced) {
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
      for (int y = start; y < height; y += step) rows.push_back(y);
  } else {
    for (int y = 0; y < height; ++y) rows.push_back(y);
  }
  std::vector<GifPixelType> line(static_cast<size_t>(width));
  for (int y : rows) {
    for (int x = 0; x < width; ++x) line[static_cast<size_t>(x)] = static_cast<GifPixelType>(IndexAt(image, static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
    EGifPutLine(file, line.data(), width);
  }
  EGifCloseFile(file, &error);
  GifFreeMapObject(map);
  return out;
}

TEST(GifCodecTest, WeReadGiflibsFilesWithEqualPixels) {
  struct Case {
    uint32_t width, height, bpp;
    bool interlaced;
  } cases[] = {{23, 9, 1, false}, {64, 33, 4, true}, {311, 157, 8, false}, {120, 77, 8, true}};
  for (const auto& c : cases) {
    CRasterImage image = Pattern(c.width, c.height, c.bpp, 11);
    Bytes gif = GiflibWrite(image, c.interlaced);
    ASSERT_GT(gif.size(), 13u);
    CRasterImage back(0u);
    ASSERT_TRUE(DecodeBytes(back, gif, FormatUnknown)) << c.bpp;
    EXPECT_EQ(back.GetBpp(), c.bpp);
    int wrong = 0;
    for (uint32_t y = 0; y < c.height; ++y)
      for (uint32_t x = 0; x < c.width; ++x) wrong += back.GetPixelIndex(x, y) != image.GetPixelIndex(x, y);
    EXPECT_EQ(wrong, 0) << c.width << "x" << c.height << "x" << c.bpp;
  }
}

TEST(GifCodecTest, LoadedWithTypeZeroFromAFileAndFromMemory) {
  CRasterImage image = Pattern(21, 8, 4, 4);
  Bytes gif = EncodeBytes(image, FormatGif);
  ASSERT_FALSE(gif.empty());
  std::string path = testing::TempDir() + "gif_codec_test.gif";
  WriteFile(path, gif);
  CRasterImage fromFile(path.c_str(), FormatUnknown);
  CRasterImage fromMemory(gif.data(), gif.size(), FormatUnknown);
  for (CRasterImage* loaded : {&fromFile, &fromMemory}) {
    ASSERT_TRUE(loaded->IsValid()) << loaded->GetLastError();
    EXPECT_EQ(loaded->GetType(), FormatGif);
    EXPECT_EQ(loaded->GetBpp(), 4u);
    ExpectSameColours(image, *loaded, "loaded");
  }
  std::remove(path.c_str());
}

TEST(GifCodecTest, TransparentTrueColourKeepsItsColourThroughTheMosaic) {
  CRasterImage image = Pattern(40, 31, 24, 6);
  const RGBQUAD key{10, 200, 30, 0};
  image.SetTransparentColor(key);
  image.SetTransparentIndex(0);
  for (uint32_t x = 0; x < 40; ++x) image.SetPixelColor(x, 5, key);
  Bytes gif = EncodeBytes(image, FormatGif);
  auto blocks = Blocks(gif, 13);
  ASSERT_EQ(blocks.size(), 18u);  // 3 x 3 tiles, each with its control block
  for (size_t f = 0; f < blocks.size(); f += 2) {
    EXPECT_EQ(blocks[f].head, (Bytes{0x01, 0, 0, 0})) << f;
    const Bytes& table = blocks[f + 1].table;
    EXPECT_EQ(Bytes(table.begin(), table.begin() + 3), (Bytes{30, 200, 10})) << f;
  }
  CRasterImage back(0u);
  ASSERT_TRUE(DecodeBytes(back, gif, FormatGif));
  EXPECT_EQ(back.GetBpp(), 24u);
  EXPECT_EQ(back.GetTransparentIndex(), 0);
  RGBQUAD t = back.GetTransparentColor();
  EXPECT_EQ(t.rgbRed, 30);
  EXPECT_EQ(t.rgbGreen, 200);
  EXPECT_EQ(t.rgbBlue, 10);
  ExpectSameColours(image, back, "transparent mosaic");
}

TEST(GifCodecTest, DecodingGoesOnPastABadCode) {
  // Codes of 3 bits: clear, 1, 7 (above the next free slot 6), end.  The bad
  // code repeats the last string with its first pixel: 1, 1, 1.  The next
  // frame is found again at the first image introducer after a zero byte.
  Bytes file = Screen(3, 1, 4);
  Append(file, {0x2C, 0, 0, 0, 0, 3, 0, 1, 0, 0});
  Append(file, {2, 2, 0xCC, 0x0B, 0});
  Append(file, FrameBytes({0, 0, 3, 1, {2, 0, 3}}, 4));
  file.push_back(0x3B);
  Picking image;
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(image.GetFrameCount(), 2);
  for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(IndexAt(image, x, 0), 1) << x;
  image.PickFrame(1);
  ASSERT_TRUE(DecodeBytes(image, file, FormatGif));
  EXPECT_EQ(IndexAt(image, 0, 0), 2);
  EXPECT_EQ(IndexAt(image, 1, 0), 0);
  EXPECT_EQ(IndexAt(image, 2, 0), 3);
}

}  // namespace
