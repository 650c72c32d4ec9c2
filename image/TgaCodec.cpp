#include "image/TgaCodec.h"

#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/ImageStream.h"

namespace {

using image::Le16;
using image::PutLe16;

// A 15- or 16-bit word as blue, green and red (the top bit ignored).
RGBQUAD FromWord(uint16_t w) {
  return RGBQUAD{static_cast<uint8_t>((w << 3) & 0xF8), static_cast<uint8_t>((w >> 2) & 0xF8),
                 static_cast<uint8_t>((w >> 7) & 0xF8), 0};
}

}  // namespace

void CTgaCodec::StorePixel(uint8_t* row, uint32_t x, uint32_t fileRow, const uint8_t* source, uint32_t bytes) {
  switch (bytes) {
    case 1:
      row[x] = source[0];
      break;
    case 2: {
      RGBQUAD c = FromWord(Le16(source));
      row[3 * x] = c.rgbBlue;
      row[3 * x + 1] = c.rgbGreen;
      row[3 * x + 2] = c.rgbRed;
      break;
    }
    case 4:
      SetAlpha(x, fileRow, source[3]);
      [[fallthrough]];
    default:
      std::memcpy(row + 3 * x, source, 3);
      break;
  }
}

void CTgaCodec::ExpandRow(CImageStream* stream, uint8_t* row, uint32_t fileRow, uint32_t bytes, int& pending) {
  const uint32_t width = GetWidth();
  uint8_t pixel[4];
  uint32_t x = 0;
  while (x < width) {
    int h = pending;
    pending = -1;
    if (h < 0) {
      h = stream->GetC();
      if (h < 0) return;
    }
    const uint32_t left = width - x;
    if (h >= 128) {
      uint32_t count = static_cast<uint32_t>(h) - 127;
      const int64_t value = stream->Tell();
      if (stream->Read(pixel, bytes, 1) != 1) return;
      if (count > left) {
        // The rest of the run belongs to the next row, which reads the
        // value again.
        pending = h - static_cast<int>(left);
        count = left;
        stream->Seek(value, 0);
      }
      for (uint32_t i = 0; i < count; ++i) StorePixel(row, x++, fileRow, pixel, bytes);
    } else {
      uint32_t count = static_cast<uint32_t>(h) + 1;
      if (count > left) {
        pending = h - static_cast<int>(left);
        count = left;
      }
      for (uint32_t i = 0; i < count; ++i) {
        if (stream->Read(pixel, bytes, 1) != 1) return;
        StorePixel(row, x++, fileRow, pixel, bytes);
      }
    }
  }
}

bool CTgaCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  uint8_t head[18];
  if (stream->Read(head, 18, 1) != 1) {
    SetError("Not a TGA");
    return false;
  }
  const uint8_t idLength = head[0];
  const uint8_t mapType = head[1];
  const uint8_t imageType = head[2];
  const uint16_t mapLength = Le16(head + 5);
  const uint8_t mapEntryBits = head[7];
  const uint16_t width = Le16(head + 12);
  const uint16_t height = Le16(head + 14);
  const uint8_t depth = head[16];
  const uint8_t descriptor = head[17];
  switch (imageType) {
    case 1: case 2: case 3: case 9: case 10: case 11:
      break;
    default:
      SetError("Unknown TGA image type");
      return false;
  }
  if (width == 0 || height == 0 || depth == 0 || mapLength > 256) {
    SetError("bad TGA header");
    return false;
  }
  switch (depth) {
    case 8: case 15: case 16: case 24: case 32:
      break;
    default:
      SetError("bad TGA header");
      return false;
  }
  stream->Seek(idLength, 1);
  if (!Create(width, height, depth, FormatTga) || (depth == 32 && !CreateAlpha())) {
    SetError("TGA Create failed");
    return false;
  }
  if (info.escape) {
    SetError("Cancelled");
    return false;
  }
  if (mapType != 0 && mapLength > 0) {
    // Each entry as long as its size says; a map beside true-colour pixels
    // has nowhere to go and is passed over.
    const uint32_t entryBytes = (mapEntryBits + 7u) / 8u;
    RGBQUAD* palette = GetPalette();
    if (!palette) {
      stream->Seek(static_cast<int64_t>(mapLength) * entryBytes, 1);
    } else {
      std::vector<uint8_t> map(static_cast<size_t>(mapLength) * entryBytes);
      stream->Read(map.data(), 1, map.size());
      const uint32_t n = mapLength < GetNumColors() ? mapLength : GetNumColors();
      for (uint32_t i = 0; i < n && entryBytes > 0; ++i) {
        const uint8_t* e = &map[i * entryBytes];
        if (entryBytes == 1)
          palette[i] = RGBQUAD{e[0], e[0], e[0], 0};
        else if (entryBytes == 2)
          palette[i] = FromWord(Le16(e));
        else
          palette[i] = RGBQUAD{e[0], e[1], e[2], 0};
      }
      info.lastNearestValid = false;
    }
  }
  if (imageType == 3 || imageType == 11) SetGrayPalette();

  const bool compressed = imageType >= 9;
  const bool topDown = (descriptor & 0x20) != 0;
  const uint32_t bytes = (depth + 7u) / 8u;
  std::vector<uint8_t> line(static_cast<size_t>(width) * bytes);
  int pending = -1;
  for (uint32_t y = 0; y < height; ++y) {
    if (info.escape) {
      SetError("Cancelled");
      return false;
    }
    if (stream->Eof()) {
      SetError("corrupted TGA");
      return false;
    }
    uint8_t* row = GetBits(0) + static_cast<size_t>(topDown ? height - 1 - y : y) * info.rowBytes;
    if (compressed) {
      ExpandRow(stream, row, y, bytes, pending);
    } else {
      size_t got = stream->Read(line.data(), bytes, width);
      for (uint32_t x = 0; x < got; ++x) StorePixel(row, x, y, &line[x * bytes], bytes);
    }
  }
  if (descriptor & 0x10) Mirror();
  if (topDown && depth == 32) FlipAlpha();
  return true;
}

bool CTgaCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  if (GetBpp() < 8) {
    SetError("Bit depth must be 8 or 24");
    return false;
  }
  const bool eight = GetBpp() == 8;
  const bool withAlpha = !eight && alpha;
  const uint32_t width = GetWidth();
  const uint32_t height = GetHeight();
  uint8_t head[18] = {};
  head[1] = GetPalette() ? 1 : 0;
  head[2] = eight ? 1 : 2;
  if (eight) {
    PutLe16(head + 5, 256);
    head[7] = 24;
  }
  PutLe16(head + 12, width);
  PutLe16(head + 14, height);
  head[16] = eight ? 8 : withAlpha ? 32 : 24;
  bool ok = stream->Write(head, 1, 18) == 18;
  if (eight) {
    uint8_t map[768];
    for (uint32_t i = 0; i < 256; ++i) {
      RGBQUAD c = GetPaletteColor(i);
      map[3 * i] = c.rgbBlue;
      map[3 * i + 1] = c.rgbGreen;
      map[3 * i + 2] = c.rgbRed;
    }
    ok = ok && stream->Write(map, 1, sizeof map) == sizeof map;
  }
  std::vector<uint8_t> line(static_cast<size_t>(width) * 4);
  for (uint32_t y = 0; ok && y < height; ++y) {
    const uint8_t* row = GetBits(0) + static_cast<size_t>(y) * info.rowBytes;
    size_t length = static_cast<size_t>(width) * (eight ? 1 : 3);
    if (withAlpha) {
      for (uint32_t x = 0; x < width; ++x) {
        std::memcpy(&line[4 * x], row + 3 * x, 3);
        line[4 * x + 3] = static_cast<uint8_t>(alpha[static_cast<size_t>(y) * width + x] * info.alphaMax / 255);
      }
      row = line.data();
      length = static_cast<size_t>(width) * 4;
    }
    ok = stream->Write(row, 1, length) == length;
  }
  if (!ok) SetError("Can't write TGA file");
  return ok;
}
