#pragma once
// CBmpCodec: Windows and OS/2 bitmap files, with or without the 14-byte file
// header, in 1, 4, 8, 16, 24 and 32 bits, uncompressed, RLE8, RLE4 and
// 16-bit bit fields; writes uncompressed bitmaps.

#include "image/RasterImage.h"

class CBmpCodec : public CRasterImage {
 public:
  CBmpCodec() : CRasterImage(FormatBmp) {}

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);

  // Reads and normalises an info header (12, 40, 64 or a larger Windows
  // header); false when it cannot be used.
  static bool ReadBitmapInfo(CImageStream* stream, BITMAPINFOHEADER* info);

 private:
  void DecodeRle8(CImageStream* stream);
  void DecodeRle4(CImageStream* stream);
};
