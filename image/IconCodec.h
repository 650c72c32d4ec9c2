#pragma once
// CIconCodec: one image out of a Windows icon or cursor file, its AND mask
// turned into transparency; writes one-image icon files.

#include "image/RasterImage.h"

class CIconCodec : public CRasterImage {
 public:
  CIconCodec() : CRasterImage(FormatIcon) {}

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);
};
