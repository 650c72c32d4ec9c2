#pragma once
// A Code 128 barcode (ISO/IEC 15417) of up to 60 ASCII characters drawn
// straight into an in-memory monochrome BMP file (print/MonoBitmap.h),
// optionally with the human-readable characters under the symbols, solid
// lines above and below the bars, a wider module and a quarter, half or
// three-quarter turn.  No allocation: the file image has a fixed size, so a
// barcode is drawn on the caller's stack.
//
// Geometry at magnification 1: 8 white pixels, 11 pixel columns per symbol
// (13 for the stop symbol), 8 white pixels.  With the human-readable text
// the lowest 9 rows carry the characters and the 10th row from the bottom
// stays white; the bars fill the rows above.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "print/MonoBitmap.h"

// The file image holds at most 32,768 bytes (32,706 of pixel rows).
class CCode128Bitmap : public monobmp::Image<32768> {
 public:
  static constexpr int kMaxText = 60;

  CCode128Bitmap();
  virtual ~CCode128Bitmap() = default;

  // Set before Render.  A magnification of 2 to 8 repeats every pixel
  // column that often (other values leave the picture at module 1); the
  // line counts are rows of solid black at the top and the bottom of the
  // bar area.
  void SetMagnification(int n) { magnification_ = n; }
  void SetTopLineRows(int rows) { topLineRows_ = rows; }
  void SetBottomLineRows(int rows) { bottomLineRows_ = rows; }

  // Draws the barcode of `text` (1 to 60 bytes).  barHeight: rows of bars,
  // limited to 20..150.  noText: omit the human-readable characters.
  // codeSets: a code-set plan such as "B3C6" (groups of a set
  // letter A, B or C and an optional count of one or two digits; a missing
  // or zero count means up to 60 characters); null or empty chooses the sets
  // automatically.  direction: 0 none, 1 a quarter turn clockwise, 2 a half
  // turn, 3 a quarter turn counterclockwise.  False (nothing drawn) for an
  // empty or too long text, a character its code set cannot carry, a bad
  // plan and a picture too large for the file image.
  bool Render(std::string_view text, int barHeight, bool noText, const char* codeSets,
              int direction);

  // Writes the file image to `path`.  When the text holds a character file
  // names forbid (< > ? : | * / \ and the double quote) and the text itself
  // stands in the path, every such character from there to the end of the
  // path is replaced by a letter (" d, * a, / s, : c, < g, > l, ? q, \ b,
  // | p).  False when nothing was drawn or the file cannot be written.
  bool SaveFile(const std::filesystem::path& path) const;
  // The path the letters above make of `path` (SaveFile then passes its file
  // name through SafeFileNameW).
  std::filesystem::path SafePath(const std::filesystem::path& path) const;


 private:
  // Draws the symbols from the start to the check, then the stop symbol;
  // kinds[i] is the set of a data symbol ('A', 'B', 'C'), else 0.
  bool DrawSymbols(const uint8_t* values, const char* kinds, int count, int barHeight,
                   bool noText);
  void Magnify();
  void Turn(int direction);
  bool QuarterTurnClockwise();
  void HalfTurn();

  int magnification_ = 2;
  int topLineRows_ = 0;
  int bottomLineRows_ = 0;
};
