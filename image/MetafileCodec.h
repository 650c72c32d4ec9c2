#pragma once
// CMetafileCodec: placeable Windows metafiles and enhanced metafiles played
// into a picture (it cannot encode).  The records are played here onto a
// white picture of the size the headers give, at a display of 96 dots per
// inch and 24 bits; records other than the drawing programs' usual ones
// (mapping, objects, lines and shapes, text, bitmaps, saved states, clip
// rectangles) are passed over.

#include <cstdint>

#include "image/RasterImage.h"

class CMetafileCodec : public CRasterImage {
 public:
  CMetafileCodec() : CRasterImage(FormatMetafile) {}

  // A nonzero maximum replaces that side; the dispatcher passes 0 and 0.
  bool DecodeStream(CImageStream* stream, uint32_t maxWidth = 0, uint32_t maxHeight = 0);
  bool EncodeStream(CImageStream* stream);

  static constexpr int32_t kDisplayDpi = 96;
  static constexpr uint32_t kMaxSide = 4000;

  // The picture's sides for the header's: a nonzero maximum replaces a side,
  // then each side is limited to 4,000 with the aspect kept.
  static void LimitSize(uint64_t& width, uint64_t& height, uint32_t maxWidth, uint32_t maxHeight);
};
