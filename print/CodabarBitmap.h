#pragma once
// A Codabar (NW-7) barcode drawn into an in-memory monochrome BMP file
// (print/MonoBitmap.h).  The caller gives the whole symbol text, start and
// stop characters included.  Normal form: narrow 1 and wide 2 pixels, a gap
// of 2 after each character, 10 white pixels each side and the characters
// under the bars.  Wide form: narrow 2 and wide 5 pixels, a gap of 5 (4
// after a character with three wide elements), 20 white pixels each side,
// no text.
//
// Bar heights: a missing height (0 or below; the waybill template without
// its height key gives -1) draws kDefaultBarHeight rows of bars, a height
// from 1 to kMinBarHeight - 1 draws kMinBarHeight rows, so a barcode always
// has bars a scanner can read.

#include <string_view>

#include "print/MonoBitmap.h"

// The file image holds at most 16,384 bytes (16,322 of pixel rows).
class CCodabarBitmap : public monobmp::Image<16384> {
 public:
  static constexpr int kMaxText = 60;
  static constexpr int kDefaultBarHeight = 50;
  static constexpr int kMinBarHeight = 20;

  CCodabarBitmap() = default;
  virtual ~CCodabarBitmap() = default;

  // Draws `text` (at most 60 characters of 0-9 - $ : / . + A B C D; a to d
  // are taken as A to D).  False (nothing drawn) for a too long text, any
  // other character and a picture too large for the file image.
  bool Render(std::string_view text, int barHeight, bool wide);
};
