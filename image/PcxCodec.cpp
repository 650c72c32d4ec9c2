#include "image/PcxCodec.h"

#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/ImageStream.h"

namespace {

using image::Le16;
using image::PutLe16;

constexpr uint32_t kHeaderSize = 128;
constexpr uint8_t kPaletteSignature = 12;

// Run-length codes `count` values: a run ends where the value changes or at
// 63; a run of one value below 192 is written as itself, any other run as
// 0xC0 + its length and the value.
void PutRuns(std::vector<uint8_t>& out, const uint8_t* values, uint32_t count) {
  uint32_t i = 0;
  while (i < count) {
    const uint8_t value = values[i];
    uint32_t run = 1;
    while (i + run < count && run < 63 && values[i + run] == value) ++run;
    if (run > 1 || value >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 + run));
    out.push_back(value);
    i += run;
  }
}

// A line of byte values: the runs, then one 0 byte when the width is odd (the
// lines of the file are an even number of bytes long).
void PutByteLine(std::vector<uint8_t>& out, const uint8_t* values, uint32_t width) {
  PutRuns(out, values, width);
  if (width & 1) out.push_back(0);
}

}  // namespace

bool CPcxCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  uint8_t head[kHeaderSize];
  if (stream->Read(head, kHeaderSize, 1) != 1) {
    SetError("Can't read PCX image");
    return false;
  }
  if (head[0] != 10) {
    SetError("Error: Not a PCX file");
    return false;
  }
  if (head[2] != 1) {
    SetError("PCX file has unknown encoding scheme");
    return false;
  }
  const uint32_t bitsPerPlane = head[3];
  const uint32_t xmin = Le16(head + 4), ymin = Le16(head + 6);
  const uint32_t xmax = Le16(head + 8), ymax = Le16(head + 10);
  const uint32_t planes = head[65];
  const uint32_t bytesPerLine = Le16(head + 66);
  SetDpiX(Le16(head + 12));
  SetDpiY(Le16(head + 14));
  if (planes > 4) {
    SetError("Can't handle image with more than 4 planes");
    return false;
  }
  // A window turned inside out, no planes, or an unknown pixel size would
  // leave the lines below without a meaning.
  if (xmax < xmin || ymax < ymin || planes == 0 ||
      (bitsPerPlane != 1 && bitsPerPlane != 2 && bitsPerPlane != 4 && bitsPerPlane != 8)) {
    SetError("corrupted PCX");
    return false;
  }
  if (planes > 1 && (bitsPerPlane == 2 || bitsPerPlane == 4)) {
    SetError("Can't handle packed pixels with more than 1 plane.");
    return false;
  }
  if (planes == 2 && bitsPerPlane == 8) {
    SetError("Can't handle more than 1 bit per pixel");
    return false;
  }
  const uint32_t width = xmax - xmin + 1;
  const uint32_t height = ymax - ymin + 1;
  // Each plane's line holds at least the width's pixels; the whole run-length
  // data stays within the memory limit.
  if (bytesPerLine < (static_cast<uint64_t>(width) * bitsPerPlane + 7) / 8) {
    SetError("corrupted PCX");
    return false;
  }
  const uint64_t total = static_cast<uint64_t>(height) * planes * bytesPerLine;
  if (total > RASTER_IMAGE_MAX_MEMORY) {
    SetError("RASTER_IMAGE_MAX_MEMORY exceeded");
    return false;
  }
  // 8 bits in 3 or 4 planes are true colour; 1 bit in 2 to 4 planes gives up
  // to 16 colours.
  const bool trueColour = bitsPerPlane == 8 && planes >= 3;
  const uint32_t depth = trueColour ? 24 : (bitsPerPlane == 1 && planes > 1) ? 4 : bitsPerPlane;
  if (!Create(width, height, depth, FormatPcx)) return false;
  if (planes == 4 && trueColour && !CreateAlpha()) {
    SetError("Can't allocate memory");
    return false;
  }
  if (info.escape) {
    SetError("Cancelled");
    return false;
  }

  std::vector<uint8_t> data(static_cast<size_t>(total));
  size_t filled = 0;
  while (filled < data.size()) {
    int c = stream->GetC();
    if (c < 0) {
      SetError("corrupted PCX");
      return false;
    }
    size_t count = 1;
    if (c >= 0xC0) {
      count = static_cast<size_t>(c & 0x3F);
      c = stream->GetC();
      if (c < 0) {
        SetError("corrupted PCX");
        return false;
      }
      if (count > data.size() - filled) {
        SetError("repeat count spans end of image");
        return false;
      }
    }
    std::memset(&data[filled], c, count);
    filled += count;
  }

  if (RGBQUAD* palette = GetPalette()) {
    RGBQUAD colours[256];
    for (uint32_t i = 0; i < 16; ++i)
      colours[i] = RGBQUAD{head[16 + 3 * i + 2], head[16 + 3 * i + 1], head[16 + 3 * i], 0};
    if (bitsPerPlane == 8 && planes == 1) {
      uint8_t map[768];
      if (stream->GetC() != kPaletteSignature || stream->Read(map, 1, sizeof map) != sizeof map) {
        SetError("bad color map signature");
        return false;
      }
      for (uint32_t i = 0; i < 256; ++i) colours[i] = RGBQUAD{map[3 * i + 2], map[3 * i + 1], map[3 * i], 0};
    } else if (bitsPerPlane == 1 && planes == 1) {
      colours[0] = RGBQUAD{0, 0, 0, 0};
      colours[1] = RGBQUAD{255, 255, 255, 0};
    }
    std::memcpy(palette, colours, GetPaletteSize());
    info.lastNearestValid = false;
  }

  const size_t lineBytes = static_cast<size_t>(planes) * bytesPerLine;
  for (uint32_t y = 0; y < height; ++y) {
    if (info.escape) {
      SetError("Cancelled");
      return false;
    }
    StoreLine(&data[y * lineBytes], y, bitsPerPlane, planes, bytesPerLine);
  }
  return true;
}

void CPcxCodec::StoreLine(const uint8_t* line, uint32_t y, uint32_t bitsPerPlane, uint32_t planes,
                          uint32_t bytesPerLine) {
  const uint32_t width = GetWidth();
  const uint32_t row = GetHeight() - 1 - y;
  uint8_t* bits = GetBits(row);
  if (bitsPerPlane == 8 && planes >= 3) {
    for (uint32_t x = 0; x < width; ++x) {
      bits[3 * x] = line[2 * bytesPerLine + x];
      bits[3 * x + 1] = line[bytesPerLine + x];
      bits[3 * x + 2] = line[x];
    }
    if (planes == 4)
      for (uint32_t x = 0; x < width; ++x) SetAlpha(x, row, line[3 * bytesPerLine + x]);
    return;
  }
  if (planes == 1) {
    if (bitsPerPlane == 8) {
      std::memcpy(bits, line, width);
      return;
    }
    const uint32_t perByte = 8 / bitsPerPlane;
    const uint32_t mask = (1u << bitsPerPlane) - 1;
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t shift = 8 - bitsPerPlane * (x % perByte + 1);
      SetPixelIndex(x, row, static_cast<uint8_t>((line[x / perByte] >> shift) & mask));
    }
    return;
  }
  for (uint32_t x = 0; x < width; ++x) {
    uint8_t index = 0;
    for (uint32_t i = 0; i < planes; ++i)
      if (line[i * bytesPerLine + x / 8] & (0x80 >> (x & 7))) index |= static_cast<uint8_t>(1u << i);
    SetPixelIndex(x, row, index);
  }
}

bool CPcxCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  const uint32_t width = GetWidth();
  const uint32_t height = GetHeight();
  const uint32_t bpp = GetBpp();
  const bool palette = GetPalette() != nullptr;
  uint32_t bitsPerPlane, planes, bytesPerLine;
  if (bpp >= 8) {
    bitsPerPlane = 8;
    planes = palette ? 1 : alpha ? 4 : 3;
    bytesPerLine = width;
  } else {
    bitsPerPlane = 1;
    planes = GetNumColors() == 16 ? 4 : 1;
    bytesPerLine = (width + 7) / 8;
  }
  bytesPerLine += bytesPerLine & 1;
  if (bytesPerLine > 0xFFFF || width > 0x10000 || height > 0x10000) {
    SetError("cannot write PCX header");
    return false;
  }

  uint8_t head[kHeaderSize] = {};
  head[0] = 10;
  head[1] = 5;
  head[2] = 1;
  head[3] = static_cast<uint8_t>(bitsPerPlane);
  PutLe16(head + 8, width - 1);
  PutLe16(head + 10, height - 1);
  PutLe16(head + 12, static_cast<uint32_t>(info.dpiX));
  PutLe16(head + 14, static_cast<uint32_t>(info.dpiY));
  if (bpp < 8) {
    // Black and white for one plane, the 16 colours for four.
    for (uint32_t i = 0; i < (planes == 1 ? 2u : 16u); ++i) {
      RGBQUAD c = planes == 1 ? (i == 1 ? RGBQUAD{255, 255, 255, 0} : RGBQUAD{}) : GetPaletteColor(i);
      head[16 + 3 * i] = c.rgbRed;
      head[16 + 3 * i + 1] = c.rgbGreen;
      head[16 + 3 * i + 2] = c.rgbBlue;
    }
  }
  head[65] = static_cast<uint8_t>(planes);
  PutLe16(head + 66, bytesPerLine);
  PutLe16(head + 68, palette ? 0 : 1);
  if (stream->Write(head, 1, kHeaderSize) != kHeaderSize) {
    SetError("cannot write PCX header");
    return false;
  }

  std::vector<uint8_t> out;
  std::vector<uint8_t> line(static_cast<size_t>(bytesPerLine));
  if (bpp == 8) {
    for (uint32_t y = 0; y < height; ++y) PutByteLine(out, GetBits(height - 1 - y), width);
    out.push_back(kPaletteSignature);
    for (uint32_t i = 0; i < 256; ++i) {
      RGBQUAD c = GetPaletteColor(i);
      out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
  } else if (bpp == 24) {
    for (uint32_t y = 0; y < height; ++y) {
      const uint32_t row = height - 1 - y;
      const uint8_t* bits = GetBits(row);
      for (uint32_t plane = 0; plane < planes; ++plane) {
        for (uint32_t x = 0; x < width; ++x)
          line[x] = plane < 3 ? bits[3 * x + 2 - plane] : GetAlpha(x, row);
        PutByteLine(out, line.data(), width);
      }
    }
  } else {
    // Index 0 is the dark colour in the file's black-and-white map.
    const bool invert = bpp == 1 && CompareLuminance(GetPaletteColor(0), GetPaletteColor(1)) > 0;
    for (uint32_t y = 0; y < height; ++y) {
      const uint32_t row = height - 1 - y;
      for (uint32_t plane = 0; plane < planes; ++plane) {
        std::fill(line.begin(), line.end(), 0);
        for (uint32_t x = 0; x < width; ++x) {
          uint32_t index = GetPixelIndexUnchecked(x, row);
          if (invert) index ^= 1;
          if (index & (1u << plane)) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
        PutRuns(out, line.data(), bytesPerLine);
      }
    }
  }
  if (stream->Write(out.data(), 1, out.size()) != out.size()) {
    SetError("cannot write PCX data");
    return false;
  }
  return true;
}

// --- WBMP ---

bool CWbmpCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  uint8_t head[4];
  if (stream->Read(head, 4, 1) != 1) {
    SetError("Not a WBMP");
    return false;
  }
  if (head[0] != 0 || head[1] != 0) {
    SetError("Unsupported WBMP type");
    return false;
  }
  if (head[2] == 0 || head[3] == 0) {
    SetError("Corrupted WBMP");
    return false;
  }
  if (!Create(head[2], head[3], 1, FormatWbmp)) {
    SetError("WBMP Create failed");
    return false;
  }
  SetGrayPalette();
  // Rows from the top; a file cut short leaves the rest of the picture 0.
  const size_t rowBytes = (head[2] + 7u) / 8u;
  for (uint32_t y = 0; y < head[3]; ++y)
    if (stream->Read(GetBits(head[3] - 1 - y), 1, rowBytes) != rowBytes) break;
  return true;
}

bool CWbmpCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  const uint32_t width = GetWidth();
  const uint32_t height = GetHeight();
  if (width > 255 || height > 255 || GetBpp() != 1) {
    SetError("Can't save this image as WBMP");
    return false;
  }
  const uint8_t head[4] = {0, 0, static_cast<uint8_t>(width), static_cast<uint8_t>(height)};
  bool ok = stream->Write(head, 1, 4) == 4;
  const size_t rowBytes = (width + 7) / 8;
  for (uint32_t y = 0; ok && y < height; ++y) ok = stream->Write(GetBits(height - 1 - y), 1, rowBytes) == rowBytes;
  if (!ok) SetError("Can't save this image as WBMP");
  return ok;
}
