#pragma once
// A Codabar (NW-7) barcode drawn into an in-memory monochrome BMP file
// (print/MonoBitmap.h).  The caller gives the whole symbol text, start and
// stop characters included.  Normal form: narrow 1 and wide 2 pixels, a gap
// of 2 after each character, 10 white pixels each side and the characters
// under the bars.  Wide form: narrow 2 and wide 5 pixels, a gap of 5 (4
// after a character with three wide elements), 20 white pixels each side,
// no text.
//
// Bar heights: a missing height (0 or below; the waybill template without
// its height key gives -1) draws kDefaultBarHeight rows of bars, a height
// from 1 to kMinBarHeight - 1 draws kMinBarHeight rows, so a barcode always
// has bars a scanner can read.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

class CCodabarBitmap {
 public:
  static constexpr int kImageCapacity = 16384;
  static constexpr int kMaxPixelBytes = kImageCapacity - 62;  // 16,322
  static constexpr int kMaxText = 60;
  static constexpr int kDefaultBarHeight = 50;
  static constexpr int kMinBarHeight = 20;

  CCodabarBitmap() = default;
  virtual ~CCodabarBitmap() = default;

  // Draws `text` (at most 60 characters of 0-9 - $ : / . + A B C D; a to d
  // are taken as A to D).  False (nothing drawn) for a too long text, any
  // other character and a picture too large for the file image.
  bool Render(std::string_view text, int barHeight, bool wide);

  // Writes the file image; false when nothing was drawn or the file cannot
  // be written.
  bool SaveFile(const std::filesystem::path& path) const;

  int Width() const { return width_; }
  int RowWidth() const { return rowWidth_; }
  int Height() const { return height_; }
  int FileSize() const { return fileSize_; }
  const uint8_t* FileImage() const { return image_.data(); }
  std::string_view Text() const { return std::string_view(text_.data()); }

 private:
  int width_ = 0;
  int rowWidth_ = 0;
  int height_ = 0;
  std::array<char, 64> text_{};
  int fileSize_ = 0;
  std::array<uint8_t, kImageCapacity> image_;  // valid up to fileSize_
  int stride_ = 0;
};
