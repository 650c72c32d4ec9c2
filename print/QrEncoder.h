#pragma once
// A QR Code symbol (model 2, ISO/IEC 18004) of a GBK byte text, written as a
// monochrome BMP file (print/MonoBitmap.h) with a quiet zone of 4 modules.
//
// The text is split into runs of the digit, 45-character, 8-bit and Kanji
// modes.  A byte pair counts as one Kanji character when its first byte is
// 0x81..0x9F or 0xE0..0xEB and its second 0x40 or above (at most 0xFC after
// 0x9F, at most 0xBF after 0xEB); the pair's 13-bit value is the Kanji-mode
// value of the pair read as Shift JIS.  GBK text is taken unchanged, so the
// Chinese characters whose bytes fall in these ranges travel in Kanji mode:
// the scanners at the desks return the original GBK bytes, while a standard
// reader labels those bytes Shift JIS.
//
// Encoding allocates nothing (fixed work areas); only the BMP image is.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

class CQrEncoder {
 public:
  static constexpr int kMaxModules = 177;
  static constexpr int kMaxStreamBits = 23648;
  static constexpr int kMaxCodewords = 3706;
  // The longest text any version can hold (digits at version 40, level L).
  static constexpr int kMaxTextBytes = 7089;

  enum Mode : uint8_t { kDigit = 0, kAlphanumeric = 1, kByte = 2, kKanji = 3 };
  struct Run {
    Mode mode;
    int bytes;  // bytes of the text (two per Kanji character)
  };

  CQrEncoder() = default;
  virtual ~CQrEncoder() = default;

  // level: 0 L, 1 M, 2 Q, 3 H.  version: 1 to 40, or 0 for the smallest that
  // fits; a version the data does not fit is replaced by the smallest that
  // fits when `extend` is set, else the text is refused.  maskPattern: 0 to
  // 7.  length 0 or below: the text runs to its NUL.  False for an empty
  // text, bad arguments and data that no version of the level can hold.
  bool Encode(int level, int version, bool extend, int maskPattern, const char* text, int length);

  // Builds the BMP image of the last symbol with modules of `moduleSize`
  // pixels (at most 8 x floor(65474 / (N + 23)^2), N the modules per side):
  // a square picture of moduleSize x (N + 8) pixels.  False when nothing
  // was encoded.
  bool BuildBmp(int moduleSize);
  // BuildBmp, then creates (or empties) the file and writes the image;
  // false when no image could be built or the file cannot be written.
  bool WriteBmp(const std::filesystem::path& path, int moduleSize);

  int Version() const { return version_; }
  int ModuleCount() const { return size_; }
  int Level() const { return level_; }
  // The module in column x and row y from the top; true = dark.
  bool Module(int x, int y) const { return modules_[y][x] != 0; }
  // Bits of the segmented data before the terminator.
  int BitLength() const { return dataBits_; }
  // The runs of the last Encode.
  const Run* Runs() const { return runs_.data(); }
  int RunCount() const { return runCount_; }
  const std::vector<uint8_t>& Image() const { return image_; }

 private:
  // Splits the text into runs for the count-indicator lengths of a version
  // group (0: 1-9, 1: 10-26, 2: 27-40) and returns the bit length, or -1
  // when it exceeds the stream.
  int Segment(const uint8_t* text, int length, int group);
  void WriteStream(const uint8_t* text, int group);
  void AppendBits(uint32_t value, int count);
  void EraseRun(int index);
  int RunCost(Mode mode, int bytes, int group) const;
  void BuildMatrix(const uint8_t* codewords, int count);
  void SetFunction(int x, int y, bool dark);
  void DrawFormatBits();

  int level_ = 1;
  int version_ = 0;
  int size_ = 0;
  int mask_ = 0;
  uint8_t modules_[kMaxModules][kMaxModules]{};
  uint8_t function_[kMaxModules][kMaxModules]{};
  std::array<uint8_t, kMaxStreamBits / 8> stream_{};
  int streamBits_ = 0;
  int dataBits_ = 0;
  std::array<Run, kMaxTextBytes> runs_{};
  int runCount_ = 0;
  std::array<uint8_t, kMaxCodewords> codewords_{};
  std::vector<uint8_t> image_;
};
