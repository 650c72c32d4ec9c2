#include "image/PngCodec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <png.h>

#include "image/ImageLog.h"
#include "image/ImageStream.h"

struct CPngCodec::Work {
  png_structp png = nullptr;
  png_infop info = nullptr;
  uint8_t* row = nullptr;
};

namespace {

void ReadData(png_structp png, png_bytep data, png_size_t length) {
  auto* stream = static_cast<CImageStream*>(png_get_io_ptr(png));
  if (stream->Read(data, 1, length) != length) png_error(png, "Read Error");
}

void WriteData(png_structp png, png_bytep data, png_size_t length) {
  auto* stream = static_cast<CImageStream*>(png_get_io_ptr(png));
  if (stream->Write(data, 1, length) != length) png_error(png, "Write Error");
}

void FlushData(png_structp png) {
  auto* stream = static_cast<CImageStream*>(png_get_io_ptr(png));
  if (!stream->Flush()) png_error(png, "Flush Error");
}

// Decoding: the library's message becomes the image's error text.
void DecodeError(png_structp png, png_const_charp message) {
  std::snprintf(static_cast<char*>(png_get_error_ptr(png)), 256, "%s", message);
  png_longjmp(png, 1);
}

// Encoding: any error ends the encode with one text; the library's own
// message goes to the log.
void EncodeError(png_structp png, png_const_charp message) {
  char line[300];
  std::snprintf(line, sizeof line, "libpng error: %s\n", message);
  image::LogLine(line);
  png_longjmp(png, 1);
}

void Warning(png_structp, png_const_charp message) {
  char line[300];
  std::snprintf(line, sizeof line, "libpng warning: %s\n", message);
  image::LogLine(line);
}

}  // namespace

bool CPngCodec::DecodeStream(CImageStream* stream) {
  if (!stream) return false;
  Work work;
  bool ok = RunDecode(stream, &work);
  std::free(work.row);
  if (work.png) png_destroy_read_struct(&work.png, work.info ? &work.info : nullptr, nullptr);
  return ok;
}

bool CPngCodec::RunDecode(CImageStream* stream, Work* work) {
  work->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, info.lastError, DecodeError, Warning);
  if (!work->png) {
    SetError("Failed to create PNG structure");
    return false;
  }
  work->info = png_create_info_struct(work->png);
  if (!work->info) {
    SetError("Failed to initialize PNG info structure");
    return false;
  }
  png_structp png = work->png;
  png_infop pinfo = work->info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, stream, ReadData);
  png_read_info(png, pinfo);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, pinfo, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  const int pixelDepth = bitDepth * png_get_channels(png, pinfo);

  png_color_16p fileBackground = nullptr;
  const bool hasBackground = png_get_bKGD(png, pinfo, &fileBackground) != 0;
  if (pixelDepth != 32) {
    if (hasBackground) {
      png_set_background_fixed(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, PNG_FP_1);
    } else {
      png_color_16 grey{0, 192, 192, 192, 192};
      png_set_background_fixed(png, &grey, PNG_BACKGROUND_GAMMA_SCREEN, 0, PNG_FP_1);
    }
  } else if (hasBackground) {
    SetTransparentColor(RGBQUAD{static_cast<uint8_t>(fileBackground->blue),
                                static_cast<uint8_t>(fileBackground->green),
                                static_cast<uint8_t>(fileBackground->red), 0});
  }
  if (bitDepth == 16) png_set_strip_16(png);

  const uint32_t depth = pixelDepth == 16 ? 8 : pixelDepth <= 16 ? static_cast<uint32_t>(pixelDepth) : 24;
  // Refused here, by the memory limit, before anything of the size of the
  // picture is allocated.
  if (!Create(width, height, depth, FormatPng)) return false;

  png_uint_32 resX = 0, resY = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  png_get_pHYs(png, pinfo, &resX, &resY, &unit);
  if (unit == PNG_RESOLUTION_METER) {
    SetDpiX(static_cast<int32_t>(std::floor(resX * 0.0254 + 0.5)));
    SetDpiY(static_cast<int32_t>(std::floor(resY * 0.0254 + 0.5)));
  } else {
    SetDpiX(static_cast<int32_t>(resX));
    SetDpiY(static_cast<int32_t>(resY));
  }

  png_colorp plte = nullptr;
  int plteCount = 0;
  if (png_get_PLTE(png, pinfo, &plte, &plteCount)) {
    SetPaletteFromRgb(reinterpret_cast<const uint8_t*>(plte), static_cast<uint32_t>(plteCount));
  } else if (bitDepth == 2) {
    for (uint8_t i = 0; i < 4; ++i) SetPaletteColor(i, i * 85, i * 85, i * 85);
  } else {
    SetGrayPalette();
  }

  png_bytep transAlpha = nullptr;
  int transCount = 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE && GetPalette() &&
      png_get_tRNS(png, pinfo, &transAlpha, &transCount, nullptr) && transAlpha && transCount > 0) {
    RGBQUAD* palette = GetPalette();
    const uint32_t colors = GetNumColors();
    const uint32_t n = static_cast<uint32_t>(transCount) < colors ? static_cast<uint32_t>(transCount) : colors;
    for (uint32_t i = 0; i < n; ++i) palette[i].rgbReserved = transAlpha[i];
    if (transCount == 1 && transAlpha[0] == 0) {
      info.transparentIndex = 0;
    } else {
      info.paletteAlphaEnabled = true;
      for (uint32_t i = n; i < colors; ++i) palette[i].rgbReserved = 255;
    }
  }

  if (colorType == PNG_COLOR_TYPE_RGB_ALPHA || (colorType == PNG_COLOR_TYPE_GRAY_ALPHA && pixelDepth == 32)) {
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
      png_set_gray_to_rgb(png);
      png_set_expand(png);
    }
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    if (!CreateAlpha()) {
      SetError("CRasterImage::Create can't allocate memory");
      return false;
    }
  }
  if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
  if (info.escape) return false;

  const int passes = png_set_interlace_handling(png);
  SetCodecOption(passes > 1 ? 1 : 0, FormatPng);
  png_read_update_info(png, pinfo);
  size_t bufferSize = static_cast<size_t>((pixelDepth + 7) / 8) * width + 10;
  // Never less than what the library writes for one row.
  if (png_get_rowbytes(png, pinfo) > bufferSize) bufferSize = png_get_rowbytes(png, pinfo);
  work->row = static_cast<uint8_t*>(std::calloc(1, bufferSize));
  if (!work->row) {
    SetError("CRasterImage::Create can't allocate memory");
    return false;
  }
  uint8_t* row = work->row;
  const size_t copied = bufferSize < info.rowBytes ? bufferSize : info.rowBytes;
  for (int pass = 0; pass < passes; ++pass) {
    for (uint32_t y = 0; y < height; ++y) {
      if (info.escape) return false;
      const uint32_t stored = height - 1 - y;
      uint8_t* bits = GetBits(0) + static_cast<size_t>(stored) * info.rowBytes;
      if (alpha) {
        uint8_t* plane = alpha + static_cast<size_t>(stored) * width;
        if (pass > 0) {
          for (uint32_t x = 0; x < width; ++x) {
            std::memcpy(row + 4 * x, bits + 3 * x, 3);
            row[4 * x + 3] = plane[x];
          }
        }
        png_read_row(png, row, nullptr);
        for (uint32_t x = 0; x < width; ++x) {
          std::memcpy(bits + 3 * x, row + 4 * x, 3);
          plane[x] = row[4 * x + 3];
        }
      } else {
        if (pass > 0) std::memcpy(row, bits, copied);
        png_read_row(png, row, nullptr);
        if (bitDepth == 2 && pass == passes - 1) {
          // Two-bit pixels widened to nibbles, from the last one backwards.
          for (int64_t x = static_cast<int64_t>(width) - 1; x >= 0; --x) {
            uint8_t value = (row[x >> 2] >> (6 - 2 * (x & 3))) & 3;
            uint8_t& target = row[x >> 1];
            target = (x & 1) ? static_cast<uint8_t>((target & 0xF0) | value)
                             : static_cast<uint8_t>((target & 0x0F) | (value << 4));
          }
        }
        std::memcpy(bits, row, copied);
      }
    }
  }
  png_read_end(png, nullptr);
  return true;
}

bool CPngCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  Work work;
  bool ok = RunEncode(stream, &work);
  std::free(work.row);
  if (work.png) png_destroy_write_struct(&work.png, work.info ? &work.info : nullptr);
  return ok;
}

bool CPngCodec::RunEncode(CImageStream* stream, Work* work) {
  work->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, EncodeError, Warning);
  if (!work->png) {
    SetError("Failed to create PNG structure");
    return false;
  }
  work->info = png_create_info_struct(work->png);
  if (!work->info) {
    SetError("Failed to initialize PNG info structure");
    return false;
  }
  png_structp png = work->png;
  png_infop pinfo = work->info;
  if (setjmp(png_jmpbuf(png))) {
    SetError("Error saving PNG file");
    return false;
  }
  png_set_write_fn(png, stream, WriteData, FlushData);

  const uint32_t width = GetWidth();
  const uint32_t height = GetHeight();
  RGBQUAD* palette = GetPalette();
  const uint32_t colors = GetNumColors();
  const int32_t transparent = info.transparentIndex;
  // A 24-bit picture with a transparent colour goes out with alpha 0 at the
  // pixels of that colour, worked out row by row.
  const bool keyed = !palette && transparent >= 0;
  const bool withAlpha = alpha || keyed;
  const int channels = GetBpp() <= 8 ? 1 : 3;
  const int colorType = withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, pinfo, width, height, withAlpha ? 8 : static_cast<int>(GetBpp()) / channels, colorType,
               GetCodecOption(FormatPng) == 1 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);

  png_color_16 background{0, 255, 255, 255, 0};
  if (transparent != -1) {
    background.red = info.transparentColor.rgbRed;
    background.green = info.transparentColor.rgbGreen;
    background.blue = info.transparentColor.rgbBlue;
  }
  png_set_bKGD(png, pinfo, &background);
  png_set_pHYs(png, pinfo, static_cast<png_uint_32>(header.biXPelsPerMeter),
               static_cast<png_uint_32>(header.biYPelsPerMeter), PNG_RESOLUTION_METER);

  // A transparent index other than 0 goes out as index 0: the palette
  // entries and the pixels are exchanged on their way out, never in the
  // caller's picture.
  uint8_t remap[256];
  for (int i = 0; i < 256; ++i) remap[i] = static_cast<uint8_t>(i);
  const bool swapped = palette && transparent > 0 && static_cast<uint32_t>(transparent) < colors;
  if (swapped) {
    remap[0] = static_cast<uint8_t>(transparent);
    remap[transparent] = 0;
  }
  if (palette) {
    uint32_t written = colors;
    if (colors > 2 && static_cast<uint64_t>(width) * height < 65536) {
      uint32_t largest = 0;
      for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
          uint32_t index = remap[GetPixelIndexUnchecked(x, y)];
          if (index > largest) largest = index;
        }
      written = largest + 1;
    }
    png_color entries[256];
    png_byte alphas[256];
    for (uint32_t i = 0; i < written; ++i) {
      const RGBQUAD& c = palette[remap[i]];
      entries[i] = png_color{c.rgbRed, c.rgbGreen, c.rgbBlue};
      alphas[i] = c.rgbReserved;
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
      if (info.paletteAlphaEnabled) {
        png_set_tRNS(png, pinfo, alphas, static_cast<int>(written), nullptr);
      } else if (transparent != -1) {
        png_byte zero = 0;
        png_set_tRNS(png, pinfo, &zero, 1, nullptr);
      }
    }
    png_set_PLTE(png, pinfo, entries, static_cast<int>(written));
  }
  png_write_info(png, pinfo);
  if (colorType == PNG_COLOR_TYPE_RGB) png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);

  if (withAlpha) {
    work->row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * 4));
    if (!work->row) png_error(png, "Out of memory");
    uint8_t* row = work->row;
    const RGBQUAD key = GetTransparentColor();
    for (int pass = 0; pass < passes; ++pass) {
      for (uint32_t y = 0; y < height; ++y) {
        const uint32_t stored = height - 1 - y;
        for (uint32_t x = 0; x < width; ++x) {
          RGBQUAD c = StoredColor(x, stored);
          uint32_t a = alpha ? alpha[static_cast<size_t>(stored) * width + x] : 255;
          if (keyed && c.rgbRed == key.rgbRed && c.rgbGreen == key.rgbGreen && c.rgbBlue == key.rgbBlue) a = 0;
          row[4 * x] = c.rgbRed;
          row[4 * x + 1] = c.rgbGreen;
          row[4 * x + 2] = c.rgbBlue;
          row[4 * x + 3] = static_cast<uint8_t>(a * info.alphaMax / 255);
        }
        png_write_row(png, row);
      }
    }
  } else {
    uint8_t byteMap[256];
    if (swapped) {
      // Each byte's pixels (8, 2 or 1 of them) through the exchange.
      const uint32_t bits = GetBpp();
      const uint32_t mask = (1u << bits) - 1;
      for (uint32_t v = 0; v < 256; ++v) {
        uint32_t out = 0;
        for (uint32_t shift = 0; shift < 8; shift += bits) out |= (remap[(v >> shift) & mask] & mask) << shift;
        byteMap[v] = static_cast<uint8_t>(out);
      }
      work->row = static_cast<uint8_t*>(std::malloc(info.rowBytes));
      if (!work->row) png_error(png, "Out of memory");
    }
    for (int pass = 0; pass < passes; ++pass) {
      for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* bits = GetBits(0) + static_cast<size_t>(height - 1 - y) * info.rowBytes;
        if (swapped) {
          for (uint32_t i = 0; i < info.rowBytes; ++i) work->row[i] = byteMap[bits[i]];
          bits = work->row;
        }
        png_write_row(png, bits);
      }
    }
  }
  png_write_end(png, pinfo);
  return true;
}
