#pragma once
// CGifCodec: GIF87a and GIF89a files.  Decoding gives one chosen frame drawn
// over the frames before it, or, for files that tile a true-colour picture
// out of many small frames, the whole picture in 24 bits.  Encoding writes a
// palette image as one GIF89a frame and a 24-bit image as a mosaic of
// 17 x 15 frames, each with its own 256-colour table, so no colour is lost.

#include <cstdint>
#include <vector>

#include "image/RasterImage.h"

class CGifCodec : public CRasterImage {
 public:
  CGifCodec() : CRasterImage(FormatGif) {}

  bool DecodeStream(CImageStream* stream);
  bool EncodeStream(CImageStream* stream);

  // The pixel coders, chosen by the codec option of format 2.
  enum : uint32_t { CoderLzw = 0, CoderUncompressed = 1, CoderRunLength = 2 };

  // The graphic control block last read.  Before any is read: no
  // transparency, index 0 (the first background is filled with it).
  struct GraphicControl {
    uint8_t flags = 0;  // bit 0 transparency, bits 2-4 disposal method
    uint16_t delay = 0;  // hundredths of a second
    uint8_t transparentIndex = 0;
  };
  GraphicControl graphicControl;
  char gifComment[256] = {};
  uint16_t gifLoops = 0;
  uint8_t gifDisposal = 0;

 private:
  struct Composition;
  // Walks the blocks after the header.  Without `composition` it only counts
  // the frames that fit the screen; with it, it decodes up to the chosen one.
  int32_t WalkFrames(CImageStream* stream, std::vector<uint8_t> table, uint32_t screenWidth,
                     uint32_t screenHeight, Composition* composition);
  bool ReadExtension(CImageStream* stream);
};
