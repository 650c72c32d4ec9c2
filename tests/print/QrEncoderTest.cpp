// QR Code symbols read back by zxing-cpp to exactly the bytes encoded, over
// the version groups, the modes of the segmentation, the levels and the
// masks; the BMP picture's header and rows; the known examples.
//
// GBK pairs in the Kanji ranges travel in Kanji mode: zxing-cpp labels them
// Shift JIS, and its content bytes are the original GBK bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "print/QrEncoder.h"
#include "tests/TempFolder.h"
#include "tests/print/BarcodeDecode.h"

namespace {

using barcodetest::HeaderU32;

barcodetest::Decoded DecodeQr(const CQrEncoder& encoder) {
  return barcodetest::Decode(encoder.Image().data(), encoder.Image().size(), ZXing::BarcodeFormat::QRCode);
}

// Kanji-range GBK characters: 國際單價錢倉庫電們開.
const std::string kKanjiText =
    "\x87\xF8\xEB\x48\x86\xCE\x83\x72\xE5\x58\x82\x7D\x8E\xEC\xEB\x8A\x82\x83\xE9\x5F";
// Mixed: 東京運輸郵件 No.123456 深圳 (東 and 郵 in the Kanji ranges, the rest not).
const std::string kMixedGbk =
    "\x96\x7C\xBE\xA9\xDF\x5C\xDD\x94\xE0\x5D\xBC\xFE No.123456 \xC9\xEE\xDB\xDA";

struct Mode {
  const char* name;
  std::string pattern;
};
const Mode kModes[] = {
    {"digits", "0123456789"},
    {"alphanumerics", "BRANTLE EXPRESS $12.50 /HK:SZX*%+-"},
    {"bytes", "waybill 7 of \xD6\xD0\xB9\xFA; tel=0755"},
    {"gbk", kKanjiText + kMixedGbk},
};

// The longest repetition of the pattern that the version holds at the level.
std::string Filling(CQrEncoder& encoder, const std::string& pattern, int version, int level) {
  auto text = [&](int n) {
    std::string t;
    while (static_cast<int>(t.size()) < n) t += pattern;
    t.resize(static_cast<size_t>(n));
    // Never cut a double-byte character in two.
    if (!t.empty() && static_cast<unsigned char>(t.back()) >= 0x81) {
      size_t i = 0;
      while (i < t.size()) i += static_cast<unsigned char>(t[i]) >= 0x81 ? 2 : 1;
      if (i > t.size()) t.pop_back();
    }
    return t;
  };
  int low = 1;
  int high = CQrEncoder::kMaxTextBytes;
  while (low < high) {
    const int mid = (low + high + 1) / 2;
    const std::string t = text(mid);
    if (encoder.Encode(level, version, false, 0, t.data(), static_cast<int>(t.size())))
      low = mid;
    else
      high = mid - 1;
  }
  return text(low);
}

TEST(QrEncoder, VersionGroupsModesAndLevelsReadBackExactly) {
  const int versions[] = {1, 9, 10, 26, 27, 40};
  int round = 0;
  for (int version : versions) {
    for (const Mode& mode : kModes) {
      const int level = round % 4;
      const int mask = round % 8;
      ++round;
      CQrEncoder encoder;
      const std::string text = Filling(encoder, mode.pattern, version, level);
      SCOPED_TRACE(std::string(mode.name) + " version " + std::to_string(version) + " level " +
                   std::to_string(level) + " bytes " + std::to_string(text.size()));
      ASSERT_TRUE(encoder.Encode(level, version, false, mask, text.data(), static_cast<int>(text.size())));
      EXPECT_EQ(encoder.Version(), version);
      EXPECT_EQ(encoder.ModuleCount(), 4 * version + 17);
      ASSERT_TRUE(encoder.BuildBmp(version > 10 ? 3 : 4));
      const auto decoded = DecodeQr(encoder);
      ASSERT_TRUE(decoded.opened);
      ASSERT_TRUE(decoded.valid);
      EXPECT_EQ(decoded.bytes, text);
    }
  }
}

TEST(QrEncoder, EveryMaskPatternReadsBack) {
  const std::string text = "SZX20261211-0042 " + kMixedGbk;
  for (int mask = 0; mask < 8; ++mask) {
    CQrEncoder encoder;
    ASSERT_TRUE(encoder.Encode(mask % 4, 7, false, mask, text.c_str(), 0));
    ASSERT_TRUE(encoder.BuildBmp(4));
    const auto decoded = DecodeQr(encoder);
    EXPECT_TRUE(decoded.valid) << mask;
    EXPECT_EQ(decoded.bytes, text) << mask;
  }
}

TEST(QrEncoder, KnownSegmentations) {
  CQrEncoder encoder;
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, "0123456789", 0));
  EXPECT_EQ(encoder.BitLength(), 48);
  EXPECT_EQ(encoder.Version(), 1);
  ASSERT_EQ(encoder.RunCount(), 1);
  EXPECT_EQ(encoder.Runs()[0].mode, CQrEncoder::kDigit);

  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD";
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, letters.c_str(), 0));
  EXPECT_EQ(encoder.BitLength(), 178);
  EXPECT_EQ(encoder.Version(), 2);
  ASSERT_EQ(encoder.RunCount(), 1);
  EXPECT_EQ(encoder.Runs()[0].mode, CQrEncoder::kAlphanumeric);

  // Every character in the Kanji ranges: one Kanji run, 13 bits a character.
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, kKanjiText.c_str(), 0));
  ASSERT_EQ(encoder.RunCount(), 1);
  EXPECT_EQ(encoder.Runs()[0].mode, CQrEncoder::kKanji);
  EXPECT_EQ(encoder.BitLength(), 4 + 8 + 13 * 10);

  // A long digit run stays apart from the letters before it; a short one joins them.
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, "AB12345678901234567890", 0));
  ASSERT_EQ(encoder.RunCount(), 2);
  EXPECT_EQ(encoder.Runs()[0].mode, CQrEncoder::kAlphanumeric);
  EXPECT_EQ(encoder.Runs()[1].mode, CQrEncoder::kDigit);
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, "AB12C", 0));
  ASSERT_EQ(encoder.RunCount(), 1);
  EXPECT_EQ(encoder.Runs()[0].mode, CQrEncoder::kAlphanumeric);
  // Lower case and a short digit run between bytes: all 8-bit.
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, "ab1cd", 0));
  ASSERT_EQ(encoder.RunCount(), 1);
  EXPECT_EQ(encoder.Runs()[0].mode, CQrEncoder::kByte);
}

TEST(QrEncoder, VersionChoiceAndRefusals) {
  CQrEncoder encoder;
  const std::string longText(200, 'x');
  EXPECT_FALSE(encoder.Encode(1, 1, false, 0, longText.c_str(), 0));
  ASSERT_TRUE(encoder.Encode(1, 1, true, 0, longText.c_str(), 0));
  EXPECT_EQ(encoder.Version(), 10);  // 203 codewords: more than version 9 M holds (182)
  EXPECT_FALSE(encoder.Encode(1, 0, true, 0, "", 0));
  EXPECT_FALSE(encoder.Encode(1, 0, true, 8, "A", 0));
  EXPECT_FALSE(encoder.Encode(4, 0, true, 0, "A", 0));
  EXPECT_FALSE(encoder.Encode(1, 41, true, 0, "A", 0));
  EXPECT_FALSE(encoder.BuildBmp(16));
  // At level M at most 2,331 bytes of 8-bit data.
  const std::string most(2331, 'x');
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, most.c_str(), 0));
  EXPECT_EQ(encoder.Version(), 40);
  const std::string tooMany(2332, 'x');
  EXPECT_FALSE(encoder.Encode(1, 0, true, 0, tooMany.c_str(), 0));
  // The length counts bytes past a NUL.
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, "A\0B", 3));
  ASSERT_TRUE(encoder.BuildBmp(4));
  EXPECT_EQ(DecodeQr(encoder).bytes, std::string("A\0B", 3));
}

TEST(QrEncoder, PictureHeaderAndRowsAgree) {
  CQrEncoder encoder;
  ASSERT_TRUE(encoder.Encode(1, 1, false, 0, "SZX0042", 0));
  ASSERT_TRUE(encoder.BuildBmp(16));
  const uint8_t* file = encoder.Image().data();
  EXPECT_EQ(HeaderU32(file, 18), 464u);
  EXPECT_EQ(HeaderU32(file, 22), 464u);
  EXPECT_EQ(HeaderU32(file, 34), 464u * 60u);  // rows of 480 pixels
  EXPECT_EQ(HeaderU32(file, 2), 62u + 464u * 60u);
  EXPECT_EQ(encoder.Image().size(), 62u + 464u * 60u);
  // The top-left finder pattern starts 4 modules in from the top and the left.
  const std::string finderRow = {static_cast<char>('0' + 64), static_cast<char>('0' + 112)};
  EXPECT_EQ(barcodetest::RunWidths(file, 0, 64, 2), finderRow);
  EXPECT_EQ(barcodetest::RunWidths(file, 0, 63, 1), std::string{static_cast<char>('0' + 464)});
  const auto decoded = DecodeQr(encoder);
  EXPECT_EQ(decoded.width, 464);
  EXPECT_EQ(decoded.height, 464);
  EXPECT_EQ(decoded.bytes, "SZX0042");

  // Version 36 (161 modules) is drawn with modules of 8 pixels.
  ASSERT_TRUE(encoder.Encode(1, 36, false, 0, "SZX0042", 0));
  ASSERT_TRUE(encoder.BuildBmp(16));
  EXPECT_EQ(HeaderU32(encoder.Image().data(), 18), 8u * (161u + 8u));
  EXPECT_TRUE(DecodeQr(encoder).valid);
}

class QrFileTest : public testsupport::TempFolderTest {};

TEST_F(QrFileTest, WriteBmpWritesAFileQtOpens) {
  CQrEncoder encoder;
  EXPECT_FALSE(encoder.WriteBmp(folder_ / "none.bmp", 16));
  ASSERT_TRUE(encoder.Encode(1, 0, true, 0, kMixedGbk.c_str(), 0));
  ASSERT_TRUE(encoder.WriteBmp(folder_ / "qr.bmp", 16));
  QImage image(QString::fromStdString((folder_ / "qr.bmp").string()));
  EXPECT_EQ(image.width(), 16 * (encoder.ModuleCount() + 8));
  EXPECT_EQ(image.height(), image.width());
  EXPECT_FALSE(encoder.WriteBmp(folder_ / "missing" / "qr.bmp", 16));
}

}  // namespace
