#include "image/BmpCodec.h"

#include <cmath>
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

// ((bits x width + 31) / 32) x 4 x height, in 64 bits.
uint64_t PackedSize(const BITMAPINFOHEADER& h) {
  uint64_t width = static_cast<uint64_t>(h.biWidth < 0 ? 0 : h.biWidth);
  uint64_t height = static_cast<uint64_t>(h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight);
  return (h.biBitCount * width + 31) / 32 * 4 * height;
}

}  // namespace

bool CBmpCodec::ReadBitmapInfo(CImageStream* stream, BITMAPINFOHEADER* h) {
  uint8_t raw[40];
  if (stream->Read(raw, 40, 1) != 1) return false;
  h->biSize = Le32(raw);
  h->biWidth = static_cast<int32_t>(Le32(raw + 4));
  h->biHeight = static_cast<int32_t>(Le32(raw + 8));
  h->biPlanes = Le16(raw + 12);
  h->biBitCount = Le16(raw + 14);
  h->biCompression = Le32(raw + 16);
  h->biSizeImage = Le32(raw + 20);
  h->biXPelsPerMeter = static_cast<int32_t>(Le32(raw + 24));
  h->biYPelsPerMeter = static_cast<int32_t>(Le32(raw + 28));
  h->biClrUsed = Le32(raw + 32);
  h->biClrImportant = Le32(raw + 36);
  switch (h->biSize) {
    case 12:
      h->biWidth = Le16(raw + 4);
      h->biHeight = Le16(raw + 6);
      h->biPlanes = Le16(raw + 8);
      h->biBitCount = Le16(raw + 10);
      h->biCompression = 0;
      h->biSizeImage = 0;
      h->biXPelsPerMeter = h->biYPelsPerMeter = 0;
      h->biClrUsed = h->biClrImportant = 0;
      stream->Seek(-28, 1);
      break;
    case 40:
      break;
    case 64:
      stream->Seek(24, 1);
      break;
    default:
      if (h->biSize < 41 || h->biSizeImage != PackedSize(*h) || h->biPlanes != 1 ||
          h->biCompression != 0 || h->biClrUsed != 0)
        return false;
      stream->Seek(h->biSize - 40, 1);
      break;
  }
  // Only the height's sign has a meaning (top-down rows); the width's has
  // none, and bit counts other than these are no bitmap we can lay out.
  if (h->biWidth < 0) return false;
  switch (h->biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
      break;
    default:
      return false;
  }
  if (h->biSizeImage == 0) {
    uint64_t size = PackedSize(*h);
    h->biSizeImage = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
  }
  if (h->biClrUsed == 0 && h->biBitCount <= 8) h->biClrUsed = 1u << h->biBitCount;
  return true;
}

bool CBmpCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  int64_t start = stream->Tell();
  uint8_t fileHeader[14];
  if (stream->Read(fileHeader, 14, 1) != 1) {
    SetError("Not a BMP");
    return false;
  }
  uint32_t dataOffset = Le32(fileHeader + 10);
  if (Le16(fileHeader) != 0x4D42) {
    dataOffset = 0;
    stream->Seek(start, 0);
  }
  BITMAPINFOHEADER bmp;
  if (!ReadBitmapInfo(stream, &bmp)) {
    SetError("Error reading BMP info");
    return false;
  }
  bool topDown = bmp.biHeight < 0;
  uint32_t width = static_cast<uint32_t>(bmp.biWidth);
  uint32_t height = topDown ? static_cast<uint32_t>(-static_cast<int64_t>(bmp.biHeight))
                            : static_cast<uint32_t>(bmp.biHeight);
  if (info.escape == -1) {
    header.biWidth = static_cast<int32_t>(width);
    header.biHeight = static_cast<int32_t>(height);
    SetError("output dimensions returned");
    return true;
  }
  if (!Create(width, height, bmp.biBitCount, FormatBmp)) {
    SetError("Can't allocate memory");
    return false;
  }
  header.biXPelsPerMeter = bmp.biXPelsPerMeter;
  header.biYPelsPerMeter = bmp.biYPelsPerMeter;
  info.dpiX = static_cast<int32_t>(std::floor(bmp.biXPelsPerMeter * 0.0254 + 0.5));
  info.dpiY = static_cast<int32_t>(std::floor(bmp.biYPelsPerMeter * 0.0254 + 0.5));
  if (info.escape) {
    SetError("Cancelled");
    return false;
  }
  if (bmp.biBitCount <= 8) {
    // Entries beyond 2^bits are read past and dropped.
    uint32_t declared = bmp.biClrUsed;
    uint32_t room = GetNumColors();
    uint32_t kept = declared < room ? declared : room;
    uint32_t entrySize = bmp.biSize == 12 ? 3 : 4;
    RGBQUAD* palette = GetPalette();
    for (uint32_t i = 0; i < kept; ++i) {
      uint8_t entry[4] = {0, 0, 0, 0};
      if (stream->Read(entry, entrySize, 1) != 1) break;
      palette[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
    if (declared > kept) stream->Seek(static_cast<int64_t>(declared - kept) * entrySize, 1);
  }
  if (info.escape) {
    SetError("Cancelled");
    return false;
  }
  // Bit-field masks follow the info header, before any seek to the pixels.
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bmp.biBitCount == 16 && bmp.biCompression == 3) {
    uint8_t raw[12];
    if (stream->Read(raw, 12, 1) == 1) {
      masks[0] = Le32(raw);
      masks[1] = Le32(raw + 4);
      masks[2] = Le32(raw + 8);
    }
  }
  if (dataOffset) stream->Seek(start + dataOffset, 0);
  uint8_t* pixels = GetBits(0);
  const uint32_t bufferSize = header.biSizeImage;
  auto readPixels = [&](uint64_t declared) {
    // Never more than the bitmap holds, whatever the file's size field says.
    size_t n = static_cast<size_t>(declared < bufferSize ? declared : bufferSize);
    stream->Read(pixels, 1, n);
  };
  switch (bmp.biBitCount) {
    case 1:
    case 4:
    case 8:
      if (bmp.biCompression == 0) {
        readPixels(bmp.biSizeImage);
      } else if (bmp.biCompression == 1 && bmp.biBitCount == 8) {
        DecodeRle8(stream);
      } else if (bmp.biCompression == 2 && bmp.biBitCount == 4) {
        DecodeRle4(stream);
      } else {
        SetError("compression type not supported");
        return false;
      }
      break;
    case 16: {
      readPixels(static_cast<uint64_t>((width + 1) / 2) * height * 4);
      UnpackBitfields(pixels, masks[0], masks[1], masks[2], 16);
      break;
    }
    case 24:
      if (bmp.biCompression != 0) {
        SetError("unknown compression");
        return false;
      }
      readPixels(bmp.biSizeImage);
      break;
    case 32: {
      if (bmp.biCompression != 0 && bmp.biCompression != 3) {
        SetError("unknown compression");
        return false;
      }
      uint64_t bytes = static_cast<uint64_t>(width) * height * 4;
      uint8_t* buffer = bytes <= RASTER_IMAGE_MAX_MEMORY
                            ? static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(bytes)))
                            : nullptr;
      if (!buffer) {
        SetError("can't allocate memory");
        return false;
      }
      stream->Read(buffer, 1, static_cast<size_t>(bytes));
      UnpackBitfields(buffer, 0, 0, 0, 32);
      std::free(buffer);
      break;
    }
    default:
      break;
  }
  if (topDown) Flip();
  return true;
}

void CBmpCodec::DecodeRle8(CImageStream* stream) {
  uint8_t* pixels = GetBits(0);
  const int64_t rowBytes = info.rowBytes;
  const int64_t height = GetHeight();
  int64_t x = 0, row = 0;
  auto store = [&](uint8_t value) {
    if (row >= 0 && row < height && x >= 0 && x < rowBytes) pixels[row * rowBytes + x] = value;
  };
  for (;;) {
    int first = stream->GetC();
    int second = stream->GetC();
    if (first < 0 || second < 0) return;
    if (first > 0) {
      for (int i = 0; i < first; ++i) {
        if (x >= rowBytes) return;  // a run past the row's end ends the bitmap
        store(static_cast<uint8_t>(second));
        ++x;
      }
      continue;
    }
    switch (second) {
      case 0:
        x = 0;
        ++row;
        break;
      case 1:
        return;
      case 2: {
        int dx = stream->GetC();
        int dy = stream->GetC();
        if (dx < 0 || dy < 0) return;
        x += dx;
        row += dy;
        break;
      }
      default:
        for (int i = 0; i < second; ++i) {
          int value = stream->GetC();
          if (value < 0) return;
          store(static_cast<uint8_t>(value));
          ++x;
        }
        if (second & 1) stream->GetC();
        break;
    }
  }
}

void CBmpCodec::DecodeRle4(CImageStream* stream) {
  uint8_t* pixels = GetBits(0);
  const int64_t rowBytes = info.rowBytes;
  const int64_t total = header.biSizeImage;
  int64_t x = 0, row = 0;
  bool high = true;
  auto put = [&](uint8_t nibble) {
    int64_t at = row * rowBytes + x;
    if (at >= 0 && at < total) {
      uint8_t& b = pixels[at];
      b = high ? static_cast<uint8_t>((b & 0x0F) | (nibble << 4))
               : static_cast<uint8_t>((b & 0xF0) | (nibble & 0x0F));
    }
    if (!high) ++x;
    high = !high;
  };
  for (;;) {
    int first = stream->GetC();
    int second = stream->GetC();
    if (first < 0 || second < 0) return;
    if (first > 0) {
      for (int i = 0; i < first; ++i) put(static_cast<uint8_t>(high ? second >> 4 : second & 0x0F));
      continue;
    }
    switch (second) {
      case 0:
        x = 0;
        high = true;
        ++row;
        break;
      case 1:
        return;
      case 2: {
        int dx = stream->GetC();
        int dy = stream->GetC();
        if (dx < 0 || dy < 0) return;
        x += dx / 2;
        row += dy;
        break;
      }
      default: {
        int value = 0;
        for (int i = 0; i < second; ++i) {
          if ((i & 1) == 0) {
            value = stream->GetC();
            if (value < 0) return;
            put(static_cast<uint8_t>(value >> 4));
          } else {
            put(static_cast<uint8_t>(value & 0x0F));
          }
        }
        if (((second - 1) & 2) == 0) stream->GetC();
        break;
      }
    }
  }
}

bool CBmpCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  uint8_t fileHeader[14] = {'B', 'M'};
  PutLe32(fileHeader + 2, GetSize() + 14);
  PutLe32(fileHeader + 10, 14 + 40 + GetPaletteSize());
  // The working header goes out in front of the stored palette and rows; the
  // packed bitmap itself is not touched (encoders run on sharing views).
  uint8_t infoHeader[40];
  PutLe32(infoHeader, header.biSize);
  PutLe32(infoHeader + 4, static_cast<uint32_t>(header.biWidth));
  PutLe32(infoHeader + 8, static_cast<uint32_t>(header.biHeight));
  PutLe16(infoHeader + 12, header.biPlanes);
  PutLe16(infoHeader + 14, header.biBitCount);
  PutLe32(infoHeader + 16, header.biCompression);
  PutLe32(infoHeader + 20, header.biSizeImage);
  PutLe32(infoHeader + 24, static_cast<uint32_t>(header.biXPelsPerMeter));
  PutLe32(infoHeader + 28, static_cast<uint32_t>(header.biYPelsPerMeter));
  PutLe32(infoHeader + 32, header.biClrUsed);
  PutLe32(infoHeader + 36, header.biClrImportant);
  size_t rest = GetSize() - sizeof(BITMAPINFOHEADER);
  bool ok = stream->Write(fileHeader, 1, 14) == 14 && stream->Write(infoHeader, 1, 40) == 40 &&
            stream->Write(dib + sizeof(BITMAPINFOHEADER), 1, rest) == rest;
  if (!ok) SetError("Can't write BMP file");
  return ok;
}
