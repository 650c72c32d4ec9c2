#pragma once
// CJpegCodec: JPEG (JFIF and EXIF files) into and out of a CRasterImage over
// libjpeg-turbo's 6b interface, with our source and destination managers
// over CImageStream.

#include "image/ExifReader.h"
#include "image/RasterImage.h"

class CJpegCodec : public CRasterImage {
 public:
  // Codec option bits (the image's codecOptions word for FormatJpeg).
  enum : uint32_t {
    kOptionBaseline = 0x01,
    kOptionArithmetic = 0x02,
    kOptionEncodeGrey = 0x04,
    kOptionOptimize = 0x08,
    kOptionProgressive = 0x10,
    kOptionSmoothing = 0x40,
    kOptionDecodeGrey = 0x80,
    kOptionQuantize = 0x100,
    kOptionDither = 0x200,
    kOptionOnePass = 0x400,
    kOptionNoFancyUpsampling = 0x800,
  };

  CJpegCodec();
  ~CJpegCodec() override;

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);

  const ExifData& GetExifData() const { return exifData; }

  // Smoothing factor of option 0x40 and dither mode (libjpeg's J_DITHER_MODE)
  // of option 0x200.
  int32_t smoothing = 0;
  int32_t dither = 2;

 private:
  // The calls that hold libjpeg's jump target: they keep no object that needs
  // destruction, so a jump out of the library skips nothing.
  bool RunDecompress(CImageStream* stream, bool exifFound);
  bool RunCompress(CImageStream* stream);

  CExifReader* exifReader = nullptr;
  ExifData exifData{};
};
