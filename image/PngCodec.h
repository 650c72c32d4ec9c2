#pragma once
// CPngCodec: PNG files into palette, 24-bit and 24-bit-with-alpha images and
// out of palette and 24-bit images, over libpng 1.6 with read and write
// callbacks on CImageStream.  Codec option 1 means interlaced: decoding sets
// it from the file, encoding writes Adam7 when it is set.

#include "image/RasterImage.h"

class CPngCodec : public CRasterImage {
 public:
  CPngCodec() : CRasterImage(FormatPng) {}

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);

  // What a decode or an encode allocates besides libpng's structures, kept
  // outside the calls that hold libpng's jump target.
  struct Work;

 private:
  bool RunDecode(CImageStream* stream, Work* work);
  bool RunEncode(CImageStream* stream, Work* work);
};
