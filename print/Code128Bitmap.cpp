#include "print/Code128Bitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/SafeFileName.h"
#include "print/MonoBitmap.h"

namespace {

// Bar and space widths of the Code 128 values 0 to 106 (bar first); the
// stop symbol carries its terminating bar.
constexpr const char* kPatterns[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212",
    "221213", "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221",
    "223211", "221132", "221231", "213212", "223112", "312131", "311222", "321122", "321221",
    "312212", "322112", "322211", "212123", "212321", "232121", "111323", "131123", "131321",
    "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331", "132131",
    "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131",
    "311123", "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111",
    "111224", "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111", "111242",
    "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};

constexpr int kStartA = 103;
constexpr int kStop = 106;
constexpr int kQuiet = 8;
constexpr int kTextRows = 10;
// Symbols from the start to the check: 60 data symbols, 60 switches at most.
constexpr int kMaxSymbols = 2 + 2 * CCode128Bitmap::kMaxText;

int ClampBarHeight(int barHeight) { return std::clamp(barHeight, 20, 150); }

// The automatic code-set plan: set B, with the longest run of at
// least 6 digits (the last of equal runs; an odd run loses its first digit)
// in set C.
std::string AutomaticCodeSets(std::string_view text) {
  size_t bestStart = 0;
  size_t bestLength = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] < '0' || text[i] > '9') {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
    if (j - i >= 6 && j - i >= bestLength) {
      bestStart = i;
      bestLength = j - i;
    }
    i = j;
  }
  if (bestLength == 0) return "B";
  if (bestLength % 2) {
    ++bestStart;
    --bestLength;
  }
  std::string spec;
  char group[8];
  if (bestStart > 0) {
    std::snprintf(group, sizeof group, "B%u", static_cast<unsigned>(bestStart));
    spec += group;
  }
  std::snprintf(group, sizeof group, "C%u", static_cast<unsigned>(bestLength));
  spec += group;
  const size_t rest = text.size() - bestStart - bestLength;
  if (rest > 0) {
    std::snprintf(group, sizeof group, "B%u", static_cast<unsigned>(rest));
    spec += group;
  }
  return spec;
}

}  // namespace

CCode128Bitmap::CCode128Bitmap() = default;

bool CCode128Bitmap::Render(std::string_view text, int barHeight, bool noText,
                            const char* codeSets, int direction) {
  if (text.empty() || text.size() > static_cast<size_t>(kMaxText)) return false;
  text_.fill(0);
  std::memcpy(text_.data(), text.data(), text.size());

  std::string automatic;  // short: kept in the string object itself
  std::string_view spec;
  if (codeSets && *codeSets) {
    spec = codeSets;
  } else {
    bool lowerCase = false;
    for (unsigned char c : text) {
      if (c < 0x20 || c >= 0x80) return false;
      if (c >= 0x60) lowerCase = true;
    }
    // Short texts in set A (the fast path); the rest chosen automatically.
    if (!lowerCase && text.size() <= 13 && (text.size() < 8 || !noText))
      spec = "A";
    else
      spec = automatic = AutomaticCodeSets(text);
  }

  uint8_t values[kMaxSymbols];
  char kinds[kMaxSymbols];  // 'A', 'B', 'C' for a data symbol, 0 otherwise
  int count = 0;
  size_t pos = 0;
  char previous = 0;
  for (size_t s = 0; s < spec.size() && pos < text.size();) {
    const char set = static_cast<char>(spec[s] & ~0x20);
    if (set != 'A' && set != 'B' && set != 'C') break;
    if (set == previous) return false;
    ++s;
    int wanted = 0;
    for (int digits = 0; digits < 2 && s < spec.size() && spec[s] >= '0' && spec[s] <= '9';
         ++digits, ++s)
      wanted = wanted * 10 + (spec[s] - '0');
    if (wanted == 0) wanted = kMaxText;
    const size_t n = std::min(static_cast<size_t>(wanted), text.size() - pos);
    if (previous == 0)
      values[count] = static_cast<uint8_t>(kStartA + (set - 'A'));
    else
      values[count] = static_cast<uint8_t>(set == 'A' ? 101 : set == 'B' ? 100 : 99);
    kinds[count++] = 0;
    previous = set;
    if (set == 'C') {
      if (n % 2) return false;
      for (size_t i = pos; i < pos + n; i += 2) {
        const char a = text[i];
        const char b = text[i + 1];
        if (a < '0' || a > '9' || b < '0' || b > '9') return false;
        values[count] = static_cast<uint8_t>((a - '0') * 10 + (b - '0'));
        kinds[count++] = 'C';
      }
    } else {
      const unsigned char top = set == 'A' ? 0x5F : 0x7E;
      for (size_t i = pos; i < pos + n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c > top) return false;
        values[count] = static_cast<uint8_t>(c - 32);
        kinds[count++] = set;
      }
    }
    pos += n;
  }
  if (count < 2) return false;  // no data symbol

  unsigned sum = values[0];
  for (int k = 1; k < count; ++k) sum += static_cast<unsigned>(k) * values[k];
  values[count] = static_cast<uint8_t>(sum % 103);
  kinds[count++] = 0;

  if (!DrawSymbols(values, kinds, count, ClampBarHeight(barHeight), noText)) return false;
  Magnify();
  Turn(direction);
  return true;
}

bool CCode128Bitmap::DrawSymbols(const uint8_t* values, const char* kinds, int count,
                                 int barHeight, bool noText) {
  const int width = 11 * count + 13 + 2 * kQuiet;
  const int height = barHeight + (noText ? 0 : kTextRows);
  if (!Fits(width, height)) return false;
  Start(width, height);
  const monobmp::RowView view = View();

  int x = kQuiet;
  for (int i = 0; i <= count; ++i) {
    const int value = i < count ? values[i] : kStop;
    const int symbolX = x;
    bool bar = true;
    for (const char* w = kPatterns[value]; *w; ++w, bar = !bar) {
      const int pixels = *w - '0';
      if (bar) view.SetRun(x, pixels, 0);
      x += pixels;
    }
    if (noText || i == count) continue;
    const int textTop = barHeight + 1;
    if (kinds[i] == 'A' || kinds[i] == 'B') {
      monobmp::DrawGlyph(view, static_cast<uint8_t>(value + 32), symbolX, textTop);
    } else if (kinds[i] == 'C') {
      monobmp::DrawNarrowDigit(view, value / 10, symbolX, textTop);
      monobmp::DrawNarrowDigit(view, value % 10, symbolX + 5, textTop);
    }
  }
  // Every bar row as the first; then the solid lines over the symbols.
  for (int y = 1; y < barHeight; ++y) view.CopyRow(0, y);
  const int symbolsWidth = x - kQuiet;
  for (int y = 0; y < std::min(topLineRows_, barHeight); ++y) view.SetRun(kQuiet, symbolsWidth, y);
  for (int y = std::max(0, barHeight - bottomLineRows_); y < barHeight; ++y)
    view.SetRun(kQuiet, symbolsWidth, y);
  return true;
}

void CCode128Bitmap::Magnify() {
  int n = magnification_;
  if (n < 2 || n > 8) return;
  while (n > 1 && !Fits(width_ * n, height_)) --n;
  if (n < 2) return;
  std::array<uint8_t, kImageCapacity> source;
  std::memcpy(source.data(), image_.data(), fileSize_);
  const monobmp::RowView from(source.data() + monobmp::kHeaderSize, height_, stride_);
  const int oldWidth = width_;
  Start(oldWidth * n, height_);
  const monobmp::RowView to = View();
  for (int y = 0; y < height_; ++y) {
    if (from.SameRow(y - 1, y)) {
      to.CopyRow(y - 1, y);
      continue;
    }
    for (int x = 0; x < oldWidth; ++x)
      if (from.Get(x, y)) to.SetRun(x * n, n, y);
  }
}

void CCode128Bitmap::Turn(int direction) {
  if (direction < 1 || direction > 3 || stride_ > 200) return;
  if (direction == 1) {
    QuarterTurnClockwise();
  } else if (direction == 2) {
    HalfTurn();
  } else if (QuarterTurnClockwise()) {
    HalfTurn();
  }
}

bool CCode128Bitmap::QuarterTurnClockwise() {
  const int newWidth = height_;
  const int newHeight = width_;
  if (!Fits(newWidth, newHeight)) return false;
  std::array<uint8_t, kImageCapacity> source;
  std::memcpy(source.data(), image_.data(), fileSize_);
  const monobmp::RowView from(source.data() + monobmp::kHeaderSize, height_, stride_);
  const int oldWidth = width_;
  const int oldHeight = height_;
  Start(newWidth, newHeight);
  const monobmp::RowView to = View();
  for (int y = 0; y < oldHeight; ++y)
    for (int x = 0; x < oldWidth; ++x)
      if (from.Get(x, y)) to.Set(oldHeight - 1 - y, x);
  return true;
}

void CCode128Bitmap::HalfTurn() {
  std::array<uint8_t, kImageCapacity> source;
  std::memcpy(source.data(), image_.data(), fileSize_);
  const monobmp::RowView from(source.data() + monobmp::kHeaderSize, height_, stride_);
  Start(width_, height_);
  const monobmp::RowView to = View();
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (from.Get(x, y)) to.Set(width_ - 1 - x, height_ - 1 - y);
}

std::filesystem::path CCode128Bitmap::SafePath(const std::filesystem::path& path) const {
  static constexpr char kForbidden[] = "<>?:|*/\\\"";
  const std::string_view text = Text();
  std::string name = path.string();
  if (text.empty() || text.find_first_of(kForbidden) == std::string_view::npos) return path;
  const size_t at = name.find(text);
  if (at == std::string::npos) return path;
  for (size_t i = at; i < name.size(); ++i) {
    switch (name[i]) {
      case '"': name[i] = 'd'; break;
      case '*': name[i] = 'a'; break;
      case '/': name[i] = 's'; break;
      case ':': name[i] = 'c'; break;
      case '<': name[i] = 'g'; break;
      case '>': name[i] = 'l'; break;
      case '?': name[i] = 'q'; break;
      case '\\': name[i] = 'b'; break;
      case '|': name[i] = 'p'; break;
      default: break;
    }
  }
  return name;
}

bool CCode128Bitmap::SaveFile(const std::filesystem::path& path) const {
  // The letters above first (names made by them stay as they were), then the
  // file name's remaining unsafe characters, as every writer of record texts
  // does (common/SafeFileName.h).
  const std::filesystem::path safe = SafePath(path);
  return Image::SaveFile(safe.parent_path() / SafeFileNameW(safe.filename().u16string()));
}
