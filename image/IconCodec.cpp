#include "image/IconCodec.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/ImageStream.h"

namespace {

using image::Le16;
using image::Le32;
using image::PutLe16;
using image::PutLe32;

constexpr size_t kDirectoryEntry = 16;

}  // namespace

bool CIconCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  const int64_t start = stream->Tell();
  uint8_t head[6];
  if (stream->Read(head, 6, 1) != 1) return false;
  const uint16_t kind = Le16(head + 2);
  if (Le16(head) != 0 || (kind != 1 && kind != 2)) return false;
  const uint16_t count = Le16(head + 4);
  info.frameCount = count;
  std::vector<uint8_t> directory(static_cast<size_t>(count) * kDirectoryEntry);
  if (count && stream->Read(directory.data(), kDirectoryEntry, count) != count) return false;
  if (info.frameIndex < 0 || info.frameIndex >= count) return false;
  const uint8_t* entry = &directory[static_cast<size_t>(info.frameIndex) * kDirectoryEntry];
  const uint32_t width = entry[0];
  const uint32_t height = entry[1];
  if (!stream->Seek(start + Le32(entry + 12), 0)) return false;
  uint8_t raw[40];
  if (stream->Read(raw, 40, 1) != 1) return false;
  const uint16_t bitCount = Le16(raw + 14);
  const uint32_t imageSize = Le32(raw + 20);
  if (!Create(width, height, bitCount, FormatIcon)) return false;

  std::vector<RGBQUAD> palette(GetNumColors());
  if (!palette.empty()) {
    stream->Read(palette.data(), 4, palette.size());
    SetPalette(palette.data(), static_cast<uint32_t>(palette.size()));
  }
  const size_t pixelCount = static_cast<size_t>(width) * height;
  if (bitCount > 24) {
    std::vector<uint8_t> colour(pixelCount * 4);
    stream->Read(colour.data(), 1, colour.size());
    if (!CreateAlpha()) return false;
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p = &colour[(static_cast<size_t>(y) * width + x) * 4];
        std::memcpy(GetBits(0) + static_cast<size_t>(y) * info.rowBytes + 3 * x, p, 3);
        alpha[static_cast<size_t>(y) * width + x] = p[3];
      }
  } else {
    // A size field of 0 means the rows as laid out; never more than the
    // bitmap made from the directory holds.
    uint64_t declared = imageSize ? imageSize : (static_cast<uint64_t>(Le32(raw + 4)) * bitCount + 31) / 32 * 4 * height;
    stream->Read(GetBits(0), 1, static_cast<size_t>(declared < header.biSizeImage ? declared : header.biSizeImage));
  }

  const uint32_t maskRow = (width + 31) / 32 * 4;
  std::vector<uint8_t> mask(static_cast<size_t>(maskRow) * height);
  if (stream->Read(mask.data(), 1, mask.size()) == 0) return true;
  bool allSet = true;
  for (uint8_t b : mask) allSet = allSet && b == 0xFF;
  if (allSet) {
    info.transparentIndex = 0;
    Negative();
    return true;
  }
  const bool hadAlpha = alpha != nullptr;
  if (!CreateAlpha()) return false;
  auto masked = [&](uint32_t x, uint32_t y) { return (mask[static_cast<size_t>(y) * maskRow + (x >> 3)] >> (7 - (x & 7))) & 1; };
  bool anyMasked = false;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      if (masked(x, y)) {
        alpha[static_cast<size_t>(y) * width + x] = 0;
        anyMasked = true;
      }
  if (!anyMasked && !hadAlpha) DeleteAlpha();
  if (bitCount == 24) {
    bool same = anyMasked;
    bool first = true;
    RGBQUAD colour{};
    for (uint32_t y = 0; same && y < height; ++y)
      for (uint32_t x = 0; same && x < width; ++x) {
        if (!masked(x, y)) continue;
        RGBQUAD c = StoredColor(x, y);
        if (first) {
          colour = c;
          first = false;
        } else if (std::memcmp(&c, &colour, 4) != 0) {
          same = false;
        }
      }
    if (same) {
      SetTransparentColor(colour);
      info.transparentIndex = 0;
      DeleteAlpha();
    }
  } else if (bitCount <= 8) {
    bool used[256] = {};
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) used[GetPixelIndexUnchecked(x, y)] = true;
    uint32_t unused = 0;
    while (unused < GetNumColors() && used[unused]) ++unused;
    if (unused < GetNumColors()) {
      for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
          if (masked(x, y)) SetPixelIndex(x, y, static_cast<uint8_t>(unused));
      if (anyMasked) info.transparentIndex = static_cast<int32_t>(unused);
      DeleteAlpha();
    }
  }
  return true;
}

bool CIconCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  const uint32_t width = GetWidth();
  const uint32_t height = GetHeight();
  if (width >= 256 || height >= 256) {
    SetError("Can't save this image as icon");
    return false;
  }
  const bool asThirtyTwo = GetBpp() == 24 && alpha;
  const uint32_t bitCount = asThirtyTwo ? 32 : GetBpp();
  const uint32_t maskRow = (width + 31) / 32 * 4;
  const uint32_t maskSize = height * maskRow;
  const uint32_t colourSize = asThirtyTwo ? width * height * 4 : header.biSizeImage;

  uint8_t head[22 + 40] = {};
  PutLe16(head + 2, 1);
  PutLe16(head + 4, 1);
  head[6] = static_cast<uint8_t>(width);
  head[7] = static_cast<uint8_t>(height);
  head[8] = static_cast<uint8_t>(GetNumColors());
  PutLe16(head + 12, bitCount);
  PutLe32(head + 14, colourSize + GetPaletteSize() + maskSize + 40);
  PutLe32(head + 18, 22);
  uint8_t* bmp = head + 22;
  PutLe32(bmp, 40);
  PutLe32(bmp + 4, width);
  PutLe32(bmp + 8, height * 2);
  PutLe16(bmp + 12, 1);
  PutLe16(bmp + 14, bitCount);
  PutLe32(bmp + 20, colourSize);
  bool ok = stream->Write(head, 1, sizeof head) == sizeof head;
  if (GetPalette()) ok = ok && stream->Write(GetPalette(), 1, GetPaletteSize()) == GetPaletteSize();
  if (asThirtyTwo) {
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    for (uint32_t y = 0; ok && y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        std::memcpy(&row[4 * x], GetBits(0) + static_cast<size_t>(y) * info.rowBytes + 3 * x, 3);
        row[4 * x + 3] = alpha[static_cast<size_t>(y) * width + x];
      }
      ok = stream->Write(row.data(), 1, row.size()) == row.size();
    }
  } else {
    ok = ok && stream->Write(GetBits(0), 1, header.biSizeImage) == header.biSizeImage;
  }
  uint8_t* mask = static_cast<uint8_t*>(std::calloc(1, maskSize));
  if (!mask) return false;
  const bool paletteAlpha = PaletteHasAlpha();
  const RGBQUAD key = GetTransparentColor();
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      bool transparent = false;
      if (alpha) transparent = alpha[static_cast<size_t>(y) * width + x] == 0;
      if (!transparent && paletteAlpha) transparent = GetPaletteColor(GetPixelIndexUnchecked(x, y)).rgbReserved == 0;
      if (!transparent && info.transparentIndex != -1) {
        RGBQUAD c = StoredColor(x, y);
        transparent = c.rgbRed == key.rgbRed && c.rgbGreen == key.rgbGreen && c.rgbBlue == key.rgbBlue;
      }
      if (transparent) mask[static_cast<size_t>(y) * maskRow + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  ok = ok && stream->Write(mask, 1, maskSize) == maskSize;
  std::free(mask);
  if (!ok) SetError("Can't write icon file");
  return ok;
}
