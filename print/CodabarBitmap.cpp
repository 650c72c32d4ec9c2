#include "print/CodabarBitmap.h"

#include <algorithm>
#include <cstring>

#include "print/MonoBitmap.h"

namespace {

constexpr char kCharacters[] = "0123456789-$:/.+ABCD";
// Seven elements (bar, space, bar, ...), first element in bit 6; 1 = wide.
constexpr uint8_t kPatterns[20] = {0x03, 0x06, 0x09, 0x60, 0x12, 0x42, 0x21, 0x24, 0x30, 0x48,
                                   0x0C, 0x18, 0x45, 0x51, 0x54, 0x15, 0x1A, 0x29, 0x0B, 0x0E};

int ValueOf(char c) {
  const char* at = std::strchr(kCharacters, c);
  return (c && at) ? static_cast<int>(at - kCharacters) : -1;
}

int EffectiveBarHeight(int barHeight) {
  if (barHeight <= 0) return CCodabarBitmap::kDefaultBarHeight;
  return std::max(barHeight, CCodabarBitmap::kMinBarHeight);
}

}  // namespace

bool CCodabarBitmap::Render(std::string_view text, int barHeight, bool wide) {
  if (text.size() > static_cast<size_t>(kMaxText) || text.empty()) return false;
  int values[kMaxText];
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    values[i] = ValueOf(c);
    if (values[i] < 0) return false;
  }

  const int narrow = wide ? 2 : 1;
  const int wideElement = wide ? 5 : 2;
  const int quiet = wide ? 20 : 10;
  int width = 2 * quiet;
  for (size_t i = 0; i < text.size(); ++i)
    width += values[i] < 12 ? (wide ? 25 : 11) : (wide ? 27 : 12);
  // Normal form: bars, a white row, 9 text rows and a white row at the
  // bottom.  Wide form: bars over one white row.
  barHeight = EffectiveBarHeight(barHeight);
  const int height = wide ? std::min(barHeight, 160) : (barHeight < 149 ? barHeight + 12 : 160);
  const int barRows = wide ? height - 1 : height - 11;
  if (!Fits(width, height)) return false;

  text_.fill(0);
  for (size_t i = 0; i < text.size(); ++i) text_[i] = kCharacters[values[i]];
  Start(width, height);
  const monobmp::RowView view = View();

  int x = quiet;
  for (size_t i = 0; i < text.size(); ++i) {
    const int characterX = x;
    for (int e = 0; e < 7; ++e) {
      const int pixels = (kPatterns[values[i]] >> (6 - e)) & 1 ? wideElement : narrow;
      if (e % 2 == 0 && barRows > 0) view.SetRun(x, pixels, 0);
      x += pixels;
    }
    x += wide ? (values[i] < 12 ? 5 : 4) : 2;
    if (!wide) monobmp::DrawGlyph(view, static_cast<uint8_t>(text_[i]), characterX, barRows + 1);
  }
  for (int y = 1; y < barRows; ++y) view.CopyRow(0, y);
  return true;
}
