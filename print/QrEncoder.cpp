#include "print/QrEncoder.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "print/MonoBitmap.h"

namespace {

// Error-correction codewords per block and number of blocks, by level
// (L, M, Q, H) and version (index 0 unused).
constexpr int8_t kEccPerBlock[4][41] = {
    {-1, 7,  10, 15, 20, 26, 18, 20, 24, 30, 18, 20, 24, 26, 30, 22, 24, 28, 30, 28, 28,
     28, 28, 30, 30, 26, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {-1, 10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24, 24, 28, 28, 26, 26, 26,
     26, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28},
    {-1, 13, 22, 18, 26, 18, 24, 18, 22, 20, 24, 28, 26, 24, 20, 30, 24, 28, 28, 26, 30,
     28, 30, 30, 30, 30, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {-1, 17, 28, 22, 16, 22, 28, 26, 26, 24, 28, 24, 28, 22, 24, 24, 30, 28, 28, 26, 28,
     30, 24, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30}};
constexpr int8_t kBlocks[4][41] = {
    {-1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 4, 4, 4, 4, 4, 6, 6, 6, 6, 7, 8,
     8, 9, 9, 10, 12, 12, 12, 13, 14, 15, 16, 17, 18, 19, 19, 20, 21, 22, 24, 25},
    {-1, 1, 1, 1, 2, 2, 4, 4, 4, 5, 5, 5, 8, 9, 9, 10, 10, 11, 13, 14, 16,
     17, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49},
    {-1, 1, 1, 2, 2, 4, 4, 6, 6, 8, 8, 8, 10, 12, 16, 12, 17, 16, 18, 21, 20,
     23, 23, 25, 27, 29, 34, 34, 35, 38, 40, 43, 45, 48, 51, 53, 56, 59, 62, 65, 68},
    {-1, 1, 1, 2, 4, 4, 4, 5, 6, 8, 8, 11, 11, 16, 16, 18, 16, 19, 21, 25, 25,
     25, 34, 30, 32, 35, 37, 40, 42, 45, 48, 51, 54, 57, 60, 63, 66, 70, 74, 77, 81}};

// Count-indicator lengths by mode and version group.
constexpr int kCountBits[4][3] = {{10, 12, 14}, {9, 11, 13}, {8, 16, 16}, {8, 10, 12}};
constexpr uint32_t kModeIndicator[4] = {0x1, 0x2, 0x4, 0x8};
// Format bits of the levels L, M, Q, H.
constexpr int kLevelBits[4] = {1, 0, 3, 2};

int GroupOf(int version) { return version <= 9 ? 0 : version <= 26 ? 1 : 2; }
constexpr int kGroupFirst[3] = {1, 10, 27};
constexpr int kGroupLast[3] = {9, 26, 40};

// Codewords of a version (data and error correction), from the modules left
// after the function patterns.
int TotalCodewords(int version) {
  int modules = (16 * version + 128) * version + 64;
  if (version >= 2) {
    const int alignments = version / 7 + 2;
    modules -= (25 * alignments - 10) * alignments - 55;
    if (version >= 7) modules -= 36;
  }
  return modules / 8;
}

int DataCodewords(int version, int level) {
  return TotalCodewords(version) - kEccPerBlock[level][version] * kBlocks[level][version];
}

// Centres of the alignment patterns along one axis; returns their number.
int AlignmentPositions(int version, int* out) {
  if (version == 1) return 0;
  const int count = version / 7 + 2;
  const int size = version * 4 + 17;
  const int step = version == 32 ? 26 : (version * 4 + count * 2 + 1) / (count * 2 - 2) * 2;
  out[0] = 6;
  for (int i = count - 1, pos = size - 7; i >= 1; --i, pos -= step) out[i] = pos;
  return count;
}

int DigitValue(uint8_t c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

int AlphanumericValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  static constexpr char kSigns[] = " $%*+-./:";
  const char* at = c ? std::strchr(kSigns, c) : nullptr;
  return at ? 36 + static_cast<int>(at - kSigns) : -1;
}

bool IsKanjiPair(uint8_t first, uint8_t second) {
  if (second < 0x40) return false;
  if (first >= 0x81 && first <= 0x9F) return first != 0x9F || second <= 0xFC;
  if (first >= 0xE0 && first <= 0xEB) return first != 0xEB || second <= 0xBF;
  return false;
}

// GF(256) with the polynomial x^8 + x^4 + x^3 + x^2 + 1.
struct GaloisTables {
  uint8_t exp[512];
  uint8_t log[256];
  constexpr GaloisTables() : exp(), log() {
    int x = 1;
    for (int i = 0; i < 255; ++i) {
      exp[i] = static_cast<uint8_t>(x);
      log[x] = static_cast<uint8_t>(i);
      x <<= 1;
      if (x & 0x100) x ^= 0x11D;
    }
    for (int i = 255; i < 512; ++i) exp[i] = exp[i - 255];
  }
};
constexpr GaloisTables kGf;

uint8_t GfMultiply(uint8_t a, uint8_t b) {
  return (a && b) ? kGf.exp[kGf.log[a] + kGf.log[b]] : 0;
}

// The error-correction codewords of one block: the remainder of the data
// times x^degree divided by the generator (x - a^0)...(x - a^(degree-1)).
void ReedSolomon(const uint8_t* data, int dataLength, int degree, uint8_t* out) {
  uint8_t generator[32] = {};  // coefficients below the leading 1, highest first
  generator[degree - 1] = 1;
  uint8_t root = 1;
  for (int i = 0; i < degree; ++i) {
    for (int j = 0; j < degree; ++j) {
      generator[j] = GfMultiply(generator[j], root);
      if (j + 1 < degree) generator[j] ^= generator[j + 1];
    }
    root = GfMultiply(root, 2);
  }
  std::memset(out, 0, static_cast<size_t>(degree));
  for (int i = 0; i < dataLength; ++i) {
    const uint8_t factor = data[i] ^ out[0];
    std::memmove(out, out + 1, static_cast<size_t>(degree - 1));
    out[degree - 1] = 0;
    for (int j = 0; j < degree; ++j) out[j] ^= GfMultiply(generator[j], factor);
  }
}

}  // namespace

int CQrEncoder::RunCost(Mode mode, int bytes, int group) const {
  int data = 0;
  switch (mode) {
    case kDigit: data = 10 * (bytes / 3) + (bytes % 3 == 2 ? 7 : bytes % 3 == 1 ? 4 : 0); break;
    case kAlphanumeric: data = 11 * (bytes / 2) + 6 * (bytes % 2); break;
    case kByte: data = 8 * bytes; break;
    case kKanji: data = 13 * (bytes / 2); break;
  }
  return 4 + kCountBits[mode][group] + data;
}

void CQrEncoder::EraseRun(int index) {
  std::memmove(&runs_[index], &runs_[index + 1], sizeof(Run) * static_cast<size_t>(runCount_ - index - 1));
  --runCount_;
}

int CQrEncoder::Segment(const uint8_t* text, int length, int group) {
  // 1. Runs of one class each.
  runCount_ = 0;
  for (int i = 0; i < length;) {
    Mode mode;
    int step = 1;
    if (i + 1 < length && IsKanjiPair(text[i], text[i + 1])) {
      mode = kKanji;
      step = 2;
    } else if (DigitValue(text[i]) >= 0) {
      mode = kDigit;
    } else if (AlphanumericValue(text[i]) >= 0) {
      mode = kAlphanumeric;
    } else {
      mode = kByte;
    }
    if (runCount_ > 0 && runs_[runCount_ - 1].mode == mode)
      runs_[runCount_ - 1].bytes += step;
    else
      runs_[runCount_++] = Run{mode, step};
    i += step;
  }
  auto cost = [&](const Run& run) { return RunCost(run.mode, run.bytes, group); };

  // 2. Digit and 45-character neighbours.
  for (int i = 0; i + 1 < runCount_;) {
    Run& a = runs_[i];
    Run& b = runs_[i + 1];
    const bool mixed = (a.mode == kDigit && b.mode == kAlphanumeric) ||
                       (a.mode == kAlphanumeric && b.mode == kDigit);
    const int merged = RunCost(kAlphanumeric, a.bytes + b.bytes, group);
    if (!mixed || merged >= cost(a) + cost(b)) {
      ++i;
      continue;
    }
    int costBefore = INT_MAX;
    int costAfter = INT_MAX;
    bool before = false;
    bool after = false;
    if (i > 0 && runs_[i - 1].mode == kByte) {
      const Run& previous = runs_[i - 1];
      costBefore = RunCost(kByte, previous.bytes + a.bytes, group) + cost(b);
      before = costBefore <= merged + cost(previous);
    }
    if (i + 2 < runCount_ && runs_[i + 2].mode == kByte) {
      const Run& next = runs_[i + 2];
      costAfter = RunCost(kByte, next.bytes + b.bytes, group) + cost(a);
      after = costAfter <= merged + cost(next);
    }
    if (!before && !after) {
      a.mode = kAlphanumeric;
      a.bytes += b.bytes;
      EraseRun(i + 1);
      if (i + 1 < runCount_ && runs_[i + 1].mode == kAlphanumeric) {
        runs_[i].bytes += runs_[i + 1].bytes;
        EraseRun(i + 1);
      }
      if (i > 0 && runs_[i - 1].mode == kAlphanumeric) {
        runs_[i - 1].bytes += runs_[i].bytes;
        EraseRun(i);
      }
    } else if (before && (!after || costBefore < costAfter)) {
      runs_[i - 1].bytes += a.bytes;
      EraseRun(i);
    } else {
      runs_[i + 2].bytes += b.bytes;
      EraseRun(i + 1);
    }
  }

  // 3. 8-bit absorption.
  const int byteHeader = 4 + kCountBits[kByte][group];
  for (int i = 0; i + 1 < runCount_;) {
    const bool previousByte = i > 0 && runs_[i - 1].mode == kByte;
    const bool nextByte = i + 2 < runCount_ && runs_[i + 2].mode == kByte;
    int joined = RunCost(kByte, runs_[i].bytes + runs_[i + 1].bytes, group);
    if (previousByte) joined -= byteHeader;
    if (nextByte) joined -= byteHeader;
    if (joined >= cost(runs_[i]) + cost(runs_[i + 1])) {
      ++i;
      continue;
    }
    runs_[i].mode = kByte;
    runs_[i].bytes += runs_[i + 1].bytes;
    EraseRun(i + 1);
    if (nextByte) {
      runs_[i].bytes += runs_[i + 1].bytes;
      EraseRun(i + 1);
    }
    if (previousByte) {
      runs_[i - 1].bytes += runs_[i].bytes;
      EraseRun(i);
    }
    i = std::max(0, i - 1);
  }

  long bits = 0;
  for (int i = 0; i < runCount_; ++i) bits += cost(runs_[i]);
  return bits > kMaxStreamBits ? -1 : static_cast<int>(bits);
}

void CQrEncoder::AppendBits(uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i, ++streamBits_)
    if ((value >> i) & 1u) stream_[streamBits_ >> 3] |= static_cast<uint8_t>(0x80u >> (streamBits_ & 7));
}

void CQrEncoder::WriteStream(const uint8_t* text, int group) {
  stream_.fill(0);
  streamBits_ = 0;
  for (int r = 0; r < runCount_; ++r) {
    const Run& run = runs_[r];
    const uint8_t* p = text;
    text += run.bytes;
    AppendBits(kModeIndicator[run.mode], 4);
    AppendBits(static_cast<uint32_t>(run.mode == kKanji ? run.bytes / 2 : run.bytes),
               kCountBits[run.mode][group]);
    int i = 0;
    switch (run.mode) {
      case kDigit:
        for (; i + 3 <= run.bytes; i += 3)
          AppendBits(static_cast<uint32_t>((p[i] - '0') * 100 + (p[i + 1] - '0') * 10 + (p[i + 2] - '0')), 10);
        if (run.bytes - i == 2) AppendBits(static_cast<uint32_t>((p[i] - '0') * 10 + (p[i + 1] - '0')), 7);
        if (run.bytes - i == 1) AppendBits(static_cast<uint32_t>(p[i] - '0'), 4);
        break;
      case kAlphanumeric:
        for (; i + 2 <= run.bytes; i += 2)
          AppendBits(static_cast<uint32_t>(AlphanumericValue(p[i]) * 45 + AlphanumericValue(p[i + 1])), 11);
        if (i < run.bytes) AppendBits(static_cast<uint32_t>(AlphanumericValue(p[i])), 6);
        break;
      case kByte:
        for (; i < run.bytes; ++i) AppendBits(p[i], 8);
        break;
      case kKanji:
        for (; i + 1 < run.bytes; i += 2) {
          uint32_t pair = (static_cast<uint32_t>(p[i]) << 8) | p[i + 1];
          pair -= pair < 0xC140 ? 0x8140 : 0xC140;
          AppendBits((pair >> 8) * 0xC0 + (pair & 0xFF), 13);
        }
        break;
    }
  }
}

bool CQrEncoder::Encode(int level, int version, bool extend, int maskPattern, const char* text,
                        int length) {
  version_ = 0;
  size_ = 0;
  image_.clear();
  if (!text || level < 0 || level > 3 || version < 0 || version > 40 || maskPattern < 0 ||
      maskPattern > 7)
    return false;
  if (length <= 0) length = static_cast<int>(std::strlen(text));
  if (length == 0 || length > kMaxTextBytes) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);

  int chosen = 0;
  int group = version == 0 ? 0 : GroupOf(version);
  for (; group < 3 && chosen == 0; ++group) {
    const int bits = Segment(bytes, length, group);
    if (bits < 0) continue;
    const int needed = (bits + 7) / 8;
    if (version != 0 && GroupOf(version) == group && DataCodewords(version, level) >= needed) {
      chosen = version;
    } else if (version != 0 && !extend) {
      return false;
    } else {
      for (int v = kGroupFirst[group]; v <= kGroupLast[group] && chosen == 0; ++v)
        if (DataCodewords(v, level) >= needed) chosen = v;
    }
    if (chosen) {
      dataBits_ = bits;
      WriteStream(bytes, group);
    }
  }
  if (chosen == 0) return false;

  // Terminator, zero bits to the byte boundary, then the pad bytes.
  const int capacity = DataCodewords(chosen, level);
  streamBits_ += std::min(4, capacity * 8 - streamBits_);
  int used = (streamBits_ + 7) / 8;
  for (uint8_t pad = 0xEC; used < capacity; pad ^= 0xEC ^ 0x11) stream_[used++] = pad;

  // Blocks: the short ones first, the long ones one data codeword longer.
  const int blocks = kBlocks[level][chosen];
  const int ecc = kEccPerBlock[level][chosen];
  const int total = TotalCodewords(chosen);
  const int shortBlocks = blocks - total % blocks;
  const int shortData = total / blocks - ecc;
  uint8_t eccBytes[81][30];
  int blockStart[82];
  for (int b = 0, start = 0; b <= blocks; ++b) {
    blockStart[b] = start;
    start += shortData + (b < shortBlocks ? 0 : 1);
  }
  for (int b = 0; b < blocks; ++b)
    ReedSolomon(stream_.data() + blockStart[b], blockStart[b + 1] - blockStart[b], ecc, eccBytes[b]);
  int n = 0;
  for (int i = 0; i <= shortData; ++i)
    for (int b = 0; b < blocks; ++b)
      if (i < blockStart[b + 1] - blockStart[b]) codewords_[n++] = stream_[blockStart[b] + i];
  for (int i = 0; i < ecc; ++i)
    for (int b = 0; b < blocks; ++b) codewords_[n++] = eccBytes[b][i];

  level_ = level;
  version_ = chosen;
  size_ = chosen * 4 + 17;
  mask_ = maskPattern;
  BuildMatrix(codewords_.data(), n);
  return true;
}

void CQrEncoder::SetFunction(int x, int y, bool dark) {
  modules_[y][x] = dark ? 1 : 0;
  function_[y][x] = 1;
}

void CQrEncoder::DrawFormatBits() {
  const int data = kLevelBits[level_] << 3 | mask_;
  int remainder = data;
  for (int i = 0; i < 10; ++i) remainder = (remainder << 1) ^ ((remainder >> 9) * 0x537);
  const int bits = (data << 10 | remainder) ^ 0x5412;
  auto bit = [bits](int i) { return ((bits >> i) & 1) != 0; };
  for (int i = 0; i <= 5; ++i) SetFunction(8, i, bit(i));
  SetFunction(8, 7, bit(6));
  SetFunction(8, 8, bit(7));
  SetFunction(7, 8, bit(8));
  for (int i = 9; i < 15; ++i) SetFunction(14 - i, 8, bit(i));
  for (int i = 0; i < 8; ++i) SetFunction(size_ - 1 - i, 8, bit(i));
  for (int i = 8; i < 15; ++i) SetFunction(8, size_ - 15 + i, bit(i));
  SetFunction(8, size_ - 8, true);  // the dark module
}

void CQrEncoder::BuildMatrix(const uint8_t* codewords, int count) {
  std::memset(modules_, 0, sizeof modules_);
  std::memset(function_, 0, sizeof function_);
  // Timing patterns, then the finder patterns with their separators.
  for (int i = 0; i < size_; ++i) {
    SetFunction(6, i, i % 2 == 0);
    SetFunction(i, 6, i % 2 == 0);
  }
  const int finders[3][2] = {{3, 3}, {size_ - 4, 3}, {3, size_ - 4}};
  for (const auto& centre : finders)
    for (int dy = -4; dy <= 4; ++dy)
      for (int dx = -4; dx <= 4; ++dx) {
        const int x = centre[0] + dx;
        const int y = centre[1] + dy;
        const int distance = std::max(std::abs(dx), std::abs(dy));
        if (x >= 0 && x < size_ && y >= 0 && y < size_) SetFunction(x, y, distance != 2 && distance != 4);
      }
  // Alignment patterns, except over the three finder patterns.
  int positions[7];
  const int alignments = AlignmentPositions(version_, positions);
  for (int i = 0; i < alignments; ++i)
    for (int j = 0; j < alignments; ++j) {
      if ((i == 0 && j == 0) || (i == 0 && j == alignments - 1) || (i == alignments - 1 && j == 0))
        continue;
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
          SetFunction(positions[i] + dx, positions[j] + dy, std::max(std::abs(dx), std::abs(dy)) != 1);
    }
  DrawFormatBits();  // reserves the format areas; drawn again after masking
  if (version_ >= 7) {
    int remainder = version_;
    for (int i = 0; i < 12; ++i) remainder = (remainder << 1) ^ ((remainder >> 11) * 0x1F25);
    const long bits = static_cast<long>(version_) << 12 | remainder;
    for (int i = 0; i < 18; ++i) {
      const bool dark = ((bits >> i) & 1) != 0;
      const int a = size_ - 11 + i % 3;
      const int b = i / 3;
      SetFunction(a, b, dark);
      SetFunction(b, a, dark);
    }
  }

  // Codeword bits in the two-column zigzag from the bottom-right corner.
  int bit = 0;
  for (int right = size_ - 1; right >= 1; right -= 2) {
    if (right == 6) right = 5;
    const bool upward = ((right + 1) & 2) == 0;
    for (int step = 0; step < size_; ++step) {
      const int y = upward ? size_ - 1 - step : step;
      for (int j = 0; j < 2; ++j) {
        const int x = right - j;
        if (function_[y][x]) continue;
        if (bit < count * 8) {
          modules_[y][x] = (codewords[bit >> 3] >> (7 - (bit & 7))) & 1;
          ++bit;
        }
      }
    }
  }

  // The mask pattern over the data modules (i row, j column).
  for (int i = 0; i < size_; ++i)
    for (int j = 0; j < size_; ++j) {
      if (function_[i][j]) continue;
      bool invert = false;
      switch (mask_) {
        case 0: invert = (i + j) % 2 == 0; break;
        case 1: invert = i % 2 == 0; break;
        case 2: invert = j % 3 == 0; break;
        case 3: invert = (i + j) % 3 == 0; break;
        case 4: invert = (i / 2 + j / 3) % 2 == 0; break;
        case 5: invert = (i * j) % 2 + (i * j) % 3 == 0; break;
        case 6: invert = ((i * j) % 2 + (i * j) % 3) % 2 == 0; break;
        case 7: invert = ((i + j) % 2 + (i * j) % 3) % 2 == 0; break;
      }
      if (invert) modules_[i][j] ^= 1;
    }
  DrawFormatBits();
}

bool CQrEncoder::BuildBmp(int moduleSize) {
  image_.clear();
  if (size_ == 0) return false;
  const int side = size_ + 23;
  const int largest = 8 * (65474 / (side * side));
  const int m = std::clamp(moduleSize, 1, std::max(1, largest));
  const int d = m * (size_ + 8);
  const int stride = monobmp::RowStride(d);
  image_.assign(monobmp::kHeaderSize + static_cast<size_t>(stride) * d, 0);
  monobmp::WriteHeader(image_.data(), d, d, stride);
  const monobmp::RowView view(image_.data() + monobmp::kHeaderSize, d, stride);
  for (int y = 0; y < size_; ++y)
    for (int x = 0; x < size_; ++x)
      if (modules_[y][x])
        for (int r = 0; r < m; ++r) view.SetRun(4 * m + x * m, m, 4 * m + y * m + r);
  return true;
}

bool CQrEncoder::WriteBmp(const std::filesystem::path& path, int moduleSize) {
  return BuildBmp(moduleSize) && monobmp::WriteFile(path, image_.data(), image_.size());
}
