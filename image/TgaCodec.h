#pragma once
// CTgaCodec: Truevision TGA files, colour-mapped, true-colour and greyscale,
// uncompressed and run-length encoded, of 8, 15, 16, 24 and 32 bits; writes
// uncompressed 8-bit colour-mapped and 24- or 32-bit true-colour files.

#include "image/RasterImage.h"

class CTgaCodec : public CRasterImage {
 public:
  CTgaCodec() : CRasterImage(FormatTga) {}

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);

 private:
  // One pixel of `bytes` bytes from `source` into column x of `row`; the
  // alpha of 32-bit pixels goes to (x, fileRow).
  void StorePixel(uint8_t* row, uint32_t x, uint32_t fileRow, const uint8_t* source, uint32_t bytes);
  // One row of run-length packets; `pending` carries a packet header across
  // row ends (-1 for none).
  void ExpandRow(CImageStream* stream, uint8_t* row, uint32_t fileRow, uint32_t bytes, int& pending);
};
