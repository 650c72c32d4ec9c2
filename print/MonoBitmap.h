#pragma once
// The monochrome BMP file shared by the barcode pictures: a 62-byte header
// (file header, 40-byte information header, two palette entries: 0 white,
// 1 black), then the pixel rows bottom row first, each row padded to a
// multiple of 32 pixels, the first pixel of a byte in its bit 7, 1 = black.
// The built-in 8 x 9 glyph font of the human-readable lines lives here too.

#include <cstddef>
#include <cstdint>
#include <array>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace monobmp {

inline constexpr int kHeaderSize = 62;

// Bytes per pixel row of a picture `width` pixels wide (a multiple of 4).
constexpr int RowStride(int width) { return ((width + 31) / 32) * 4; }

// Writes the 62-byte header of a width x height picture whose rows are
// `stride` bytes long into out[0..61].
void WriteHeader(uint8_t* out, int width, int height, int stride);

// Pixel access on the rows that follow a header; y counts from the top of
// the picture (the file keeps the bottom row first).
class RowView {
 public:
  RowView(uint8_t* pixels, int height, int stride)
      : pixels_(pixels), height_(height), stride_(stride) {}
  uint8_t* Row(int yFromTop) const { return pixels_ + static_cast<size_t>(height_ - 1 - yFromTop) * stride_; }
  void Set(int x, int yFromTop) const { Row(yFromTop)[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7)); }
  bool Get(int x, int yFromTop) const { return (Row(yFromTop)[x >> 3] >> (7 - (x & 7))) & 1u; }
  // Sets pixels x..x+count-1 of one row.
  void SetRun(int x, int count, int yFromTop) const;
  void CopyRow(int fromTop, int toTop) const;
  bool SameRow(int a, int b) const { return a >= 0 && std::memcmp(Row(a), Row(b), static_cast<size_t>(stride_)) == 0; }

 private:
  uint8_t* pixels_;
  int height_;
  int stride_;
};

// The glyph rows (top first, bit 7 = leftmost pixel) of a character 0x20 to
// 0x7E; null for any other byte.
const uint8_t* GlyphOf(uint8_t character);
inline constexpr int kGlyphRows = 9;

// Draws the 8-pixel glyph with its top-left pixel at (x, yFromTop).
void DrawGlyph(const RowView& view, uint8_t character, int x, int yFromTop);
// Draws a digit of the narrow digit font (5 pixels wide, 9 rows).
void DrawNarrowDigit(const RowView& view, int digit, int x, int yFromTop);

// Creates or empties the file and writes the bytes; false when the file
// cannot be created or written.
bool WriteFile(const std::filesystem::path& path, const uint8_t* bytes, size_t size);

// The file image of a barcode picture of at most `Capacity` bytes (header
// included), with the drawn text, kept in the object: drawing allocates
// nothing.
template <int Capacity>
class Image {
 public:
  static constexpr int kImageCapacity = Capacity;
  static constexpr int kMaxPixelBytes = Capacity - kHeaderSize;

  // Writes the file image; false when nothing was drawn or the file cannot
  // be written.
  bool SaveFile(const std::filesystem::path& path) const {
    return fileSize_ > 0 && WriteFile(path, image_.data(), static_cast<size_t>(fileSize_));
  }

  int Width() const { return width_; }
  int RowWidth() const { return stride_ * 8; }
  int Height() const { return height_; }
  int FileSize() const { return fileSize_; }
  const uint8_t* FileImage() const { return image_.data(); }
  std::string_view Text() const { return std::string_view(text_.data()); }

 protected:
  static bool Fits(int width, int height) { return RowStride(width) * height <= kMaxPixelBytes; }
  // A new white picture of the given size (which must fit).
  void Start(int width, int height) {
    width_ = width;
    height_ = height;
    stride_ = RowStride(width);
    fileSize_ = kHeaderSize + stride_ * height;
    WriteHeader(image_.data(), width_, height_, stride_);
    std::memset(image_.data() + kHeaderSize, 0, static_cast<size_t>(stride_ * height_));
  }
  RowView View() { return RowView(image_.data() + kHeaderSize, height_, stride_); }

  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  int fileSize_ = 0;
  std::array<char, 64> text_{};
  std::array<uint8_t, Capacity> image_;  // valid up to fileSize_
};

}  // namespace monobmp
