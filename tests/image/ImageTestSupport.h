#pragma once
// Small helpers of the image tests: little-endian byte builders for
// hand-made files, a stream that records where each read starts, and JPEG
// files written straight through libjpeg.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "image/ImageStream.h"
#include "image/RasterImage.h"

namespace imagetest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v);
  Put16(b, v >> 16);
}
inline void Put16Be(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
inline void Put32Be(Bytes& b, uint32_t v) {
  Put16Be(b, v >> 16);
  Put16Be(b, v);
}
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// A 40-byte info header.
inline Bytes InfoHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0,
                        uint32_t sizeImage = 0, uint32_t colorsUsed = 0, int32_t pelsX = 0,
                        int32_t pelsY = 0) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, compression);
  Put32(b, sizeImage);
  Put32(b, static_cast<uint32_t>(pelsX));
  Put32(b, static_cast<uint32_t>(pelsY));
  Put32(b, colorsUsed);
  Put32(b, 0);
  return b;
}

// "BM", file size, reserved, data offset.
inline Bytes FileHeader(uint32_t fileSize, uint32_t dataOffset) {
  Bytes b{'B', 'M'};
  Put32(b, fileSize);
  Put32(b, 0);
  Put32(b, dataOffset);
  return b;
}

// A whole BMP file: file header, info header, palette, pixels.
inline Bytes BmpFile(const Bytes& info, const Bytes& palette, const Bytes& pixels) {
  Bytes b = FileHeader(static_cast<uint32_t>(14 + info.size() + palette.size() + pixels.size()),
                       static_cast<uint32_t>(14 + info.size() + palette.size()));
  Append(b, info);
  Append(b, palette);
  Append(b, pixels);
  return b;
}

// Decodes a block with the given type into a fresh image.
inline bool DecodeBytes(CRasterImage& image, const Bytes& data, uint32_t type) {
  CImageMemoryStream stream(data.data(), data.size());
  return image.Decode(&stream, type);
}

// Encodes into a byte vector; empty on failure.
inline Bytes EncodeBytes(CRasterImage& image, uint32_t type) {
  uint8_t* buffer = nullptr;
  size_t size = 0;
  if (!image.Encode(buffer, size, type)) return {};
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

inline Bytes ReadFile(const std::string& path) {
  Bytes out;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  uint8_t chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
  std::fclose(f);
  return out;
}

inline void WriteFile(const std::string& path, const Bytes& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

// A memory stream that notes the position of every read.
class RecordingStream : public CImageMemoryStream {
 public:
  RecordingStream(const void* data, size_t size) : CImageMemoryStream(data, size) {}
  size_t Read(void* buffer, size_t size, size_t count) override {
    reads.push_back(Tell());
    return CImageMemoryStream::Read(buffer, size, count);
  }
  int GetC() override {
    reads.push_back(Tell());
    return CImageMemoryStream::GetC();
  }
  bool Seek(int64_t offset, int origin) override {
    bool ok = CImageMemoryStream::Seek(offset, origin);
    seeks.push_back(Tell());
    return ok;
  }
  std::vector<int64_t> reads;
  std::vector<int64_t> seeks;
};

// A JPEG written straight through libjpeg: `pixels` holds `components`
// bytes per pixel, rows top first.  `adjust` may change the compressor's
// settings after its defaults (density, colour space, markers).
inline Bytes WriteJpeg(uint32_t width, uint32_t height, int components, J_COLOR_SPACE space,
                       const Bytes& pixels, int quality = 95,
                       const std::function<void(jpeg_compress_struct&)>& adjust = {},
                       const std::vector<std::pair<int, Bytes>>& markers = {}) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  if (space == JCS_CMYK) jpeg_set_colorspace(&cinfo, JCS_CMYK);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (adjust) adjust(cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  for (const auto& [code, payload] : markers)
    jpeg_write_marker(&cinfo, code, payload.data(), static_cast<unsigned>(payload.size()));
  while (cinfo.next_scanline < height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + static_cast<size_t>(cinfo.next_scanline) *
                                                            width * components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes result(out, out + outSize);
  std::free(out);
  return result;
}

// The JPEG's marker codes in order, up to the start of scan.
inline std::vector<int> JpegMarkers(const Bytes& jpeg) {
  std::vector<int> markers;
  size_t i = 2;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    int marker = jpeg[i + 1];
    markers.push_back(marker);
    if (marker == 0xDA) break;
    i += 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]);
  }
  return markers;
}

}  // namespace imagetest
