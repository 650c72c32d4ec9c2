#pragma once
// CJasperCodec: the JPEG-2000 family, formats 10 to 14.  JP2 files and
// JPEG-2000 code streams go through OpenJPEG over the image stream; PGX, PNM
// (P1 to P6) and Sun raster are read and written here.  The format is found
// by its signature whatever the type asked for; the type asked for (0 from
// detection) becomes the picture's format type.  Three components of one
// size make a colour picture; any other number are frames, one greyscale
// picture each.  Encodes greyscale and colour pictures.

#include <cstdint>
#include <string>

#include "image/RasterImage.h"

namespace image {
struct SampleImage;
}

class CJasperCodec : public CRasterImage {
 public:
  explicit CJasperCodec(uint32_t type = FormatJp2) : CRasterImage(type), requestedType_(type) {}

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);

  // The encoder's options text for a quality: "rate=%.3f" of quality / 100.
  static std::string RateOption(uint8_t quality);

  // An 8-bit value of a sample of the precision: signed samples moved up by
  // half their range, wider samples shifted down to their top 8 bits.
  static uint8_t Sample8(int32_t value, uint32_t precision, bool isSigned);

 private:
  bool DecodeOpenJpeg(CImageStream* stream, bool jp2, image::SampleImage& samples);
  bool EncodeOpenJpeg(CImageStream* stream, bool jp2, const image::SampleImage& samples);

  uint32_t requestedType_;
};
