// Random texts, code-set plans, bar heights, turns and
// magnifications into the barcode makers, and random byte texts, levels,
// versions and masks into the QR Code encoder: nothing is written outside
// the pictures and every picture's header matches its size.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "print/CodabarBitmap.h"
#include "print/Code128Bitmap.h"
#include "print/QrEncoder.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

uint32_t HeaderU32(const uint8_t* file, int offset) {
  return file[offset] | file[offset + 1] << 8 | file[offset + 2] << 16 |
         static_cast<uint32_t>(file[offset + 3]) << 24;
}

void ExpectConsistentHeader(const uint8_t* file, size_t size) {
  ASSERT_EQ(HeaderU32(file, 2), size);
  const uint32_t width = HeaderU32(file, 18);
  const uint32_t height = HeaderU32(file, 22);
  ASSERT_EQ(HeaderU32(file, 34), (width + 31) / 32 * 4 * height);
  ASSERT_EQ(size, 62u + HeaderU32(file, 34));
}

TEST(BarcodeFuzzTest, Code128AndCodabarKeepToTheirImages) {
  fuzz::Bytes bytes(4242);
  const std::string textAlphabet = "0123456789ABCabc:/-$.+ \x7F";
  const std::string specAlphabet = "ABCabc0123456789X";
  for (int round = 0; round < 4000; ++round) {
    const fuzz::ExactBlock text(round % 4 ? bytes.From(textAlphabet, 70) : bytes.Random(70));
    const std::string spec = bytes.From(specAlphabet, 10);
    const int height = static_cast<int>(bytes.Next() % 420) - 60;
    CCode128Bitmap code128;
    code128.SetMagnification(static_cast<int>(bytes.Next() % 11) - 1);
    code128.SetTopLineRows(static_cast<int>(bytes.Next() % 200) - 20);
    code128.SetBottomLineRows(static_cast<int>(bytes.Next() % 200) - 20);
    if (code128.Render(text.View(), height, round % 2, round % 3 ? spec.c_str() : nullptr,
                       static_cast<int>(bytes.Next() % 6) - 1)) {
      ASSERT_LE(code128.FileSize(), CCode128Bitmap::kImageCapacity);
      ExpectConsistentHeader(code128.FileImage(), static_cast<size_t>(code128.FileSize()));
    }
    CCodabarBitmap codabar;
    if (codabar.Render(text.View(), height, round % 2)) {
      ASSERT_LE(codabar.FileSize(), CCodabarBitmap::kImageCapacity);
      ExpectConsistentHeader(codabar.FileImage(), static_cast<size_t>(codabar.FileSize()));
    }
  }
}

TEST(BarcodeFuzzTest, QrEncoderKeepsToItsWorkAreas) {
  fuzz::Bytes bytes(1804);
  const std::string alphabet("0123456789ABZ $%*+-./:ab\x81\x40\x9F\xFC\xE0\xEB\xBF\xC0\xFD", 33);
  for (int round = 0; round < 600; ++round) {
    const fuzz::ExactBlock text(round % 5 ? bytes.From(alphabet, round % 50 ? 300 : 3000)
                                          : bytes.Random(400));
    if (text.View().empty()) continue;
    CQrEncoder encoder;
    const int level = static_cast<int>(bytes.Next() % 5) - (round % 7 == 0);
    const int version = static_cast<int>(bytes.Next() % 42) - (round % 11 == 0);
    const int mask = static_cast<int>(bytes.Next() % 9) - (round % 13 == 0);
    if (!encoder.Encode(level, version, round % 2, mask, text.View().data(),
                        static_cast<int>(text.View().size())))
      continue;
    ASSERT_GE(encoder.Version(), 1);
    ASSERT_LE(encoder.Version(), 40);
    ASSERT_TRUE(encoder.BuildBmp(static_cast<int>(bytes.Next() % 20) - 2));
    ExpectConsistentHeader(encoder.Image().data(), encoder.Image().size());
  }
}

}  // namespace
