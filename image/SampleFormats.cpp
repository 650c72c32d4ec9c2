#include "image/SampleFormats.h"

#include <cstring>

#include "image/ImageStream.h"
#include "image/RasterImage.h"

namespace image {

namespace {

uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  out.insert(out.end(), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                         static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
}
void PutText(std::vector<uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A decimal number of the text headers after any white space (and, in PNM,
// comments); false when there is none or it exceeds `limit`.
bool ReadNumber(CImageStream* stream, uint32_t limit, uint32_t& value, bool comments, int* after = nullptr) {
  int c = stream->GetC();
  while (IsSpace(c) || (comments && c == '#')) {
    if (c == '#')
      while (c >= 0 && c != '\n' && c != '\r') c = stream->GetC();
    c = stream->GetC();
  }
  if (c < '0' || c > '9') return false;
  uint64_t v = 0;
  while (c >= '0' && c <= '9') {
    v = v * 10 + static_cast<uint32_t>(c - '0');
    if (v > limit) return false;
    c = stream->GetC();
  }
  value = static_cast<uint32_t>(v);
  if (after) *after = c;
  return true;
}

uint32_t BitsFor(uint32_t maxValue) {
  uint32_t bits = 1;
  while (bits < 16 && (1u << bits) - 1 < maxValue) ++bits;
  return bits;
}

// Components of one size, their samples allocated; false (with `tooLarge`)
// beyond the memory limit.
bool Allocate(SampleImage& image, uint32_t count, uint32_t width, uint32_t height, uint32_t precision,
              bool isSigned, bool& tooLarge) {
  if (width == 0 || height == 0) return false;
  if (!SamplesFitMemory(count, width, height)) {
    tooLarge = true;
    return false;
  }
  image.components.assign(count, SampleComponent{});
  for (auto& c : image.components) {
    c.width = width;
    c.height = height;
    c.precision = precision;
    c.isSigned = isSigned;
    c.samples.assign(static_cast<size_t>(width) * height, 0);
  }
  return true;
}

}  // namespace

SampleFormat SniffSampleFormat(const uint8_t* head, size_t size) {
  static const uint8_t kJp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  if (size >= 12 && std::memcmp(head, kJp2, 12) == 0) return SampleFormat::Jp2;
  if (size >= 4 && head[0] == 0xFF && head[1] == 0x4F && head[2] == 0xFF && head[3] == 0x51) return SampleFormat::J2k;
  if (size >= 4 && Be32(head) == 0x59A66A95) return SampleFormat::Ras;
  if (size >= 3 && head[0] == 'P' && head[1] == 'G' && IsSpace(head[2])) return SampleFormat::Pgx;
  if (size >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' && IsSpace(head[2])) return SampleFormat::Pnm;
  return SampleFormat::None;
}

bool SamplesFitMemory(uint64_t components, uint64_t width, uint64_t height) {
  if (components == 0 || width == 0 || height == 0) return true;
  if (width > UINT32_MAX || height > UINT32_MAX || components > 64) return false;
  const uint64_t perComponent = RASTER_IMAGE_MAX_MEMORY / 4 / components;
  return width <= perComponent && height <= perComponent / width;
}

// --- PNM ---

bool ReadPnm(CImageStream* stream, SampleImage& image, bool& tooLarge) {
  uint8_t magic[2];
  if (stream->Read(magic, 1, 2) != 2 || magic[0] != 'P' || magic[1] < '1' || magic[1] > '6') return false;
  const int kind = magic[1] - '0';
  const bool bitmap = kind == 1 || kind == 4;
  const bool ascii = kind <= 3;
  const uint32_t count = (kind == 3 || kind == 6) ? 3 : 1;
  uint32_t width = 0, height = 0, maxValue = 1;
  int after = ' ';
  if (!ReadNumber(stream, 0x7FFFFFFF, width, true) || !ReadNumber(stream, 0x7FFFFFFF, height, true, &after))
    return false;
  if (!bitmap && !ReadNumber(stream, 65535, maxValue, true, &after)) return false;
  if (maxValue == 0 || !IsSpace(after)) return false;
  const uint32_t precision = BitsFor(maxValue);
  if (!Allocate(image, count, width, height, precision, false, tooLarge)) return false;
  // Samples on a scale other than 2^n - 1 are brought to 8 bits.
  const bool rescale = maxValue != (1u << precision) - 1;
  if (rescale)
    for (auto& c : image.components) c.precision = 8;
  if (bitmap && !ascii) {
    const size_t rowBytes = (width + 7) / 8;
    std::vector<uint8_t> row(rowBytes);
    for (uint32_t y = 0; y < height; ++y) {
      if (stream->Read(row.data(), 1, rowBytes) != rowBytes) return false;
      for (uint32_t x = 0; x < width; ++x)  // 1 is black
        image.components[0].samples[static_cast<size_t>(y) * width + x] = (row[x / 8] & (0x80 >> (x & 7))) ? 0 : 1;
    }
    return true;
  }
  const uint32_t bytes = maxValue > 255 ? 2 : 1;
  std::vector<uint8_t> row(ascii ? 0 : static_cast<size_t>(width) * count * bytes);
  for (uint32_t y = 0; y < height; ++y) {
    if (!ascii && stream->Read(row.data(), 1, row.size()) != row.size()) return false;
    for (uint32_t x = 0; x < width; ++x)
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t v = 0;
        if (ascii) {
          if (bitmap) {
            int c = stream->GetC();
            while (IsSpace(c)) c = stream->GetC();
            if (c != '0' && c != '1') return false;
            v = c == '0' ? 1 : 0;
          } else if (!ReadNumber(stream, 65535, v, true)) {
            return false;
          }
        } else {
          const uint8_t* p = &row[(static_cast<size_t>(x) * count + i) * bytes];
          v = bytes == 2 ? (p[0] << 8 | p[1]) : p[0];
        }
        if (v > maxValue) v = maxValue;
        if (rescale) v = (v * 255 + maxValue / 2) / maxValue;
        image.components[i].samples[static_cast<size_t>(y) * width + x] = static_cast<int32_t>(v);
      }
  }
  return true;
}

std::vector<uint8_t> WritePnm(const SampleImage& image) {
  std::vector<uint8_t> out;
  const auto& first = image.components[0];
  const size_t count = image.components.size();
  PutText(out, std::string(count == 3 ? "P6" : "P5") + "\n" + std::to_string(first.width) + " " +
                   std::to_string(first.height) + "\n255\n");
  const size_t pixels = static_cast<size_t>(first.width) * first.height;
  for (size_t p = 0; p < pixels; ++p)
    for (size_t i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>(image.components[i].samples[p]));
  return out;
}

// --- PGX ---

bool ReadPgx(CImageStream* stream, SampleImage& image, bool& tooLarge) {
  // "PG", the byte order "ML" (big-endian) or "LM", an optional sign (with
  // or without a space after it), the depth, the width and the height.
  char head[5] = {};
  if (stream->Read(head, 1, 5) != 5 || head[0] != 'P' || head[1] != 'G' || !IsSpace(head[2])) return false;
  bool bigEndian;
  if (head[3] == 'M' && head[4] == 'L')
    bigEndian = true;
  else if (head[3] == 'L' && head[4] == 'M')
    bigEndian = false;
  else
    return false;
  int c = stream->GetC();
  while (IsSpace(c)) c = stream->GetC();
  bool isSigned = false;
  if (c == '+' || c == '-') {
    isSigned = c == '-';
  } else {
    if (c < 0) return false;
    stream->Seek(-1, 1);
  }
  uint32_t depth = 0, width = 0, height = 0;
  int after = ' ';
  if (!ReadNumber(stream, 16, depth, false) || depth == 0 || !ReadNumber(stream, 0x7FFFFFFF, width, false) ||
      !ReadNumber(stream, 0x7FFFFFFF, height, false, &after) || (after != '\n' && after != '\r'))
    return false;
  if (after == '\r' && stream->GetC() != '\n') stream->Seek(-1, 1);
  if (!Allocate(image, 1, width, height, depth, isSigned, tooLarge)) return false;
  const uint32_t bytes = depth > 8 ? 2 : 1;
  auto& component = image.components[0];
  std::vector<uint8_t> row(static_cast<size_t>(width) * bytes);
  for (uint32_t y = 0; y < height; ++y) {
    if (stream->Read(row.data(), 1, row.size()) != row.size()) return false;
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = &row[static_cast<size_t>(x) * bytes];
      uint32_t v = bytes == 1 ? p[0] : bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
      v &= (1u << depth) - 1;
      int32_t sample = static_cast<int32_t>(v);
      if (isSigned && (v >> (depth - 1))) sample -= static_cast<int32_t>(1u << depth);
      component.samples[static_cast<size_t>(y) * width + x] = sample;
    }
  }
  return true;
}

std::vector<uint8_t> WritePgx(const SampleImage& image) {
  std::vector<uint8_t> out;
  const auto& grey = image.components[0];
  PutText(out, "PG ML + 8 " + std::to_string(grey.width) + " " + std::to_string(grey.height) + "\n");
  for (int32_t v : grey.samples) out.push_back(static_cast<uint8_t>(v));
  return out;
}

// --- Sun raster ---

namespace {

enum : uint32_t { kRasOld = 0, kRasStandard = 1, kRasByteEncoded = 2, kRasRgb = 3 };
enum : uint32_t { kRasNoMap = 0, kRasRgbMap = 1 };

// The byte-encoded data: 0x80 0 is one 0x80, 0x80 n v is n + 1 times v.
bool ReadRunBytes(CImageStream* stream, std::vector<uint8_t>& data) {
  size_t filled = 0;
  while (filled < data.size()) {
    int c = stream->GetC();
    if (c < 0) return false;
    if (c != 0x80) {
      data[filled++] = static_cast<uint8_t>(c);
      continue;
    }
    int n = stream->GetC();
    if (n < 0) return false;
    if (n == 0) {
      data[filled++] = 0x80;
      continue;
    }
    int v = stream->GetC();
    if (v < 0) return false;
    size_t count = static_cast<size_t>(n) + 1;
    if (count > data.size() - filled) count = data.size() - filled;
    std::memset(&data[filled], v, count);
    filled += count;
  }
  return true;
}

}  // namespace

bool ReadRas(CImageStream* stream, SampleImage& image, bool& tooLarge) {
  uint8_t head[32];
  if (stream->Read(head, 1, 32) != 32 || Be32(head) != 0x59A66A95) return false;
  const uint32_t width = Be32(head + 4), height = Be32(head + 8), depth = Be32(head + 12);
  const uint32_t type = Be32(head + 20), mapType = Be32(head + 24), mapLength = Be32(head + 28);
  if (depth != 1 && depth != 8 && depth != 24 && depth != 32) return false;
  if (type > kRasRgb || mapLength > 768) return false;
  std::vector<uint8_t> map(mapLength);
  if (mapLength && stream->Read(map.data(), 1, mapLength) != mapLength) return false;
  const bool mapped = depth <= 8 && mapType == kRasRgbMap && mapLength >= 3;
  const uint32_t mapEntries = mapLength / 3;
  const uint32_t count = (depth >= 24 || mapped) ? 3 : 1;
  if (!Allocate(image, count, width, height, depth == 1 && !mapped ? 1 : 8, false, tooLarge)) return false;
  // Rows padded to 16 bits.
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * depth + 15) / 16 * 2;
  std::vector<uint8_t> data(static_cast<size_t>(rowBytes * height));
  if (type == kRasByteEncoded) {
    if (!ReadRunBytes(stream, data)) return false;
  } else if (stream->Read(data.data(), 1, data.size()) != data.size()) {
    return false;
  }
  const uint32_t bytes = depth / 8;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = &data[static_cast<size_t>(y * rowBytes)];
    for (uint32_t x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y) * width + x;
      if (depth <= 8) {
        // 1 bit: a set bit is black.
        uint32_t index = depth == 8 ? row[x] : (row[x / 8] >> (7 - (x & 7))) & 1;
        if (!mapped) {
          image.components[0].samples[at] = static_cast<int32_t>(depth == 1 ? index ^ 1 : index);
          continue;
        }
        for (uint32_t i = 0; i < 3; ++i)
          image.components[i].samples[at] = index < mapEntries ? map[i * mapEntries + index] : 0;
        continue;
      }
      // 24 bits blue, green, red (red first in the RGB type); 32 bits with a
      // pad byte in front.
      const uint8_t* p = row + static_cast<size_t>(x) * bytes + (depth == 32 ? 1 : 0);
      const bool rgb = type == kRasRgb;
      image.components[0].samples[at] = rgb ? p[0] : p[2];
      image.components[1].samples[at] = p[1];
      image.components[2].samples[at] = rgb ? p[2] : p[0];
    }
  }
  return true;
}

std::vector<uint8_t> WriteRas(const SampleImage& image) {
  std::vector<uint8_t> out;
  const auto& first = image.components[0];
  const bool colour = image.components.size() == 3;
  const uint32_t depth = colour ? 24 : 8;
  const uint32_t rowBytes = (first.width * depth + 15) / 16 * 2;
  PutBe32(out, 0x59A66A95);
  PutBe32(out, first.width);
  PutBe32(out, first.height);
  PutBe32(out, depth);
  PutBe32(out, rowBytes * first.height);
  PutBe32(out, kRasStandard);
  PutBe32(out, kRasNoMap);
  PutBe32(out, 0);
  for (uint32_t y = 0; y < first.height; ++y) {
    const size_t start = out.size();
    for (uint32_t x = 0; x < first.width; ++x) {
      const size_t at = static_cast<size_t>(y) * first.width + x;
      if (colour) {
        for (int i = 2; i >= 0; --i) out.push_back(static_cast<uint8_t>(image.components[i].samples[at]));
      } else {
        out.push_back(static_cast<uint8_t>(first.samples[at]));
      }
    }
    out.resize(start + rowBytes, 0);
  }
  return out;
}

}  // namespace image
