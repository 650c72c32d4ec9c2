#pragma once
// CPcxCodec: ZSoft PCX files, 1-bit planar in up to 4 planes, packed 1, 2,
// 4 and 8 bits, 24- and 32-bit planar, run-length coded; writes 1-bit, 4-bit
// (four planes), 8-bit and 24- or 32-bit files.
// CWbmpCodec: type-0 wireless bitmaps of one bit per pixel, each side held in
// a single byte (so at most 255).

#include <cstdint>
#include <vector>

#include "image/RasterImage.h"

class CPcxCodec : public CRasterImage {
 public:
  CPcxCodec() : CRasterImage(FormatPcx) {}

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);

 private:
  // One scan line's planes, top row `y`, out of the decoded lines.
  void StoreLine(const uint8_t* line, uint32_t y, uint32_t bitsPerPlane, uint32_t planes,
                 uint32_t bytesPerLine);
};

class CWbmpCodec : public CRasterImage {
 public:
  CWbmpCodec() : CRasterImage(FormatWbmp) {}

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);
};
