#pragma once
// EXIF blocks written by libexif, the independent writer and reader of the
// image tests.  libexif's own names stay in ExifBlock.cpp (its ExifData is
// not ours).

#include <cstdint>
#include <memory>
#include <string>

#include "tests/image/ImageTestSupport.h"

namespace imagetest {

enum class ExifIfdKind { Primary, Exif };

class ExifBlock {
 public:
  explicit ExifBlock(bool motorola = false);
  ~ExifBlock();
  ExifBlock(const ExifBlock&) = delete;
  ExifBlock& operator=(const ExifBlock&) = delete;

  void Rational(ExifIfdKind ifd, uint16_t tag, uint32_t numerator, uint32_t denominator);
  void SRational(ExifIfdKind ifd, uint16_t tag, int32_t numerator, int32_t denominator);
  void Short(ExifIfdKind ifd, uint16_t tag, uint16_t value);
  // A value of exactly these bytes (format 2 ASCII, or 7 undefined).
  void Text(ExifIfdKind ifd, uint16_t tag, const std::string& bytes, int format = 2);

  // "Exif\0\0" and the TIFF block: the payload of an APP1 section.
  Bytes Save();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// libexif's reading of a JPEG file's EXIF: the value of a text tag of the
// primary directory, empty when there is none.
std::string ReadExifText(const Bytes& jpeg, uint16_t tag);

}  // namespace imagetest
