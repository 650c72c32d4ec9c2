#include "image/RasterImage.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/ImageStream.h"

namespace {

uint32_t RoundBpp(uint32_t bpp) {
  if (bpp <= 1) return 1;
  if (bpp <= 4) return 4;
  if (bpp <= 8) return 8;
  return 24;
}

uint64_t RowBytesOf(uint64_t width, uint32_t bpp) { return (width * bpp + 31) / 32 * 4; }

}  // namespace

int CompareLuminance(const RGBQUAD& a, const RGBQUAD& b) {
  int la = (a.rgbBlue * 117 + a.rgbGreen * 601 + a.rgbRed * 306) >> 10;
  int lb = (b.rgbBlue * 117 + b.rgbGreen * 601 + b.rgbRed * 306) >> 10;
  return la - lb;
}

CRasterImage::CRasterImage(uint32_t type) { Initialize(type); }

CRasterImage::CRasterImage(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type) {
  Initialize(type);
  Create(width, height, bpp, type);
}

CRasterImage::CRasterImage(const CRasterImage& source, bool copyPixels, bool copySelection,
                           bool copyAlpha) {
  Initialize(source.info.formatType);
  Copy(source, copyPixels, copySelection, copyAlpha);
}

CRasterImage::CRasterImage(const char* fileName, uint32_t type) {
  Initialize(type);
  Load(fileName, type);
}

CRasterImage::CRasterImage(const uint8_t* data, size_t size, uint32_t type) {
  Initialize(type);
  CImageMemoryStream stream(data, size);
  Decode(&stream, type);
}

CRasterImage::~CRasterImage() { Destroy(); }

void CRasterImage::Initialize(uint32_t type) {
  header = BITMAPINFOHEADER{};
  info = ImageInfo{};
  dib = nullptr;
  selection = nullptr;
  alpha = nullptr;
  layers = nullptr;
  info.formatType = type;
  info.jpegQuality = 90;
  info.alphaMax = 255;
  info.transparentIndex = -1;
  info.drawEnabled = true;
  SetDpiX(96);
  SetDpiY(96);
}

bool CRasterImage::Destroy() {
  if (info.sharedFrom) return false;
  if (layers) {
    for (int32_t i = 0; i < info.layerCount; ++i) delete layers[i];
    delete[] layers;
    layers = nullptr;
  }
  std::free(selection);
  selection = nullptr;
  std::free(alpha);
  alpha = nullptr;
  std::free(dib);
  dib = nullptr;
  return true;
}

void CRasterImage::SetError(const char* text) {
  std::snprintf(info.lastError, sizeof(info.lastError), "%s", text);
}

bool CRasterImage::FitsMemoryLimit(uint64_t width, uint64_t height, uint32_t bpp) {
  bpp = RoundBpp(bpp);
  if (width > UINT32_MAX || height > UINT32_MAX) return false;
  // Both below 2^32, so the product fits; once it is known to be small,
  // the padded rows times the height fit too.
  if (width * height > RASTER_IMAGE_MAX_MEMORY * 8) return false;
  if (width * height * bpp / 8 > RASTER_IMAGE_MAX_MEMORY) return false;
  // What is allocated: whole rows, padded to 4 bytes.
  return RowBytesOf(width, bpp) * height <= RASTER_IMAGE_MAX_MEMORY;
}

uint8_t* CRasterImage::Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type) {
  if (!Destroy()) return nullptr;
  if (width == 0 || height == 0) {
    SetError("CRasterImage::Create : width and height must be greater than zero");
    return nullptr;
  }
  bpp = RoundBpp(bpp);
  if (!FitsMemoryLimit(width, height, bpp) || width > INT32_MAX || height > INT32_MAX) {
    SetError("RASTER_IMAGE_MAX_MEMORY exceeded");
    return nullptr;
  }
  uint32_t colors = bpp == 1 ? 2 : bpp == 4 ? 16 : bpp == 8 ? 256 : 0;
  info.formatType = type;
  info.rowBytes = static_cast<uint32_t>(RowBytesOf(width, bpp));
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = static_cast<int32_t>(width);
  header.biHeight = static_cast<int32_t>(height);
  header.biPlanes = 1;
  header.biBitCount = static_cast<uint16_t>(bpp);
  header.biCompression = 0;
  header.biSizeImage = info.rowBytes * height;
  header.biClrUsed = colors;
  header.biClrImportant = 0;
  // Zeroed: a decoder that stops early leaves black, never old heap bytes.
  dib = static_cast<uint8_t*>(std::calloc(1, GetSize()));
  if (!dib) {
    SetError("CRasterImage::Create can't allocate memory");
    return nullptr;
  }
  info.lastNearestValid = false;
  DeleteSelection();
  DeleteAlpha();
  std::memcpy(dib, &header, sizeof(header));
  info.pixels = GetBits(0);
  return dib;
}

void CRasterImage::Copy(const CRasterImage& source, bool copyPixels, bool copySelection,
                        bool copyAlpha) {
  if (info.sharedFrom) return;
  CRasterImage* keepShared = info.sharedFrom;
  std::memcpy(&info, &source.info, sizeof(info));
  info.sharedFrom = keepShared;
  info.pixels = nullptr;
  info.layerCount = 0;
  if (!source.dib) {
    Destroy();
    return;
  }
  if (!Create(source.GetWidth(), source.GetHeight(), source.GetBpp(), source.info.formatType))
    return;
  header.biXPelsPerMeter = source.header.biXPelsPerMeter;
  header.biYPelsPerMeter = source.header.biYPelsPerMeter;
  if (copyPixels && source.GetSize() == GetSize()) {
    std::memcpy(dib, source.dib, GetSize());
    header.biClrUsed = source.header.biClrUsed;
  } else if (GetPalette() && source.GetPalette()) {
    uint32_t n = source.GetNumColors() < 256 ? source.GetNumColors() : 256;
    if (n > GetNumColors()) n = GetNumColors();
    std::memcpy(GetPalette(), source.GetPalette(), n * 4);
  }
  size_t plane = static_cast<size_t>(GetWidth()) * GetHeight();
  if (copySelection && source.selection) {
    selection = static_cast<uint8_t*>(std::malloc(plane));
    if (selection) std::memcpy(selection, source.selection, plane);
  }
  if (copyAlpha && source.alpha) {
    alpha = static_cast<uint8_t*>(std::malloc(plane));
    if (alpha) std::memcpy(alpha, source.alpha, plane);
  }
}

bool CRasterImage::TakeFrom(CRasterImage& source) {
  if (&source == this) return true;
  if (!Destroy()) return false;
  header = source.header;
  std::memcpy(&info, &source.info, sizeof(info));
  dib = source.dib;
  selection = source.selection;
  alpha = source.alpha;
  layers = source.layers;
  source.header = BITMAPINFOHEADER{};
  source.info = ImageInfo{};
  source.dib = nullptr;
  source.selection = nullptr;
  source.alpha = nullptr;
  source.layers = nullptr;
  return true;
}

void CRasterImage::ShareFrom(const CRasterImage& source) {
  header = source.header;
  std::memcpy(&info, &source.info, sizeof(info));
  dib = source.dib;
  selection = source.selection;
  alpha = source.alpha;
  layers = source.layers;
  info.sharedFrom = const_cast<CRasterImage*>(&source);
}

void CRasterImage::CopyInfoFrom(const CRasterImage& source) {
  if (dib) return;
  CRasterImage* keepShared = info.sharedFrom;
  std::memcpy(&info, &source.info, sizeof(info));
  // The buffers stay the source's: this image has none of its own yet.
  info.pixels = nullptr;
  info.sharedFrom = keepShared;
  info.layerCount = 0;
}

void CRasterImage::SetDpiX(int32_t dpi) {
  if (dpi <= 0) dpi = 96;
  info.dpiX = dpi;
  header.biXPelsPerMeter = static_cast<int32_t>(std::floor(dpi * 39.37007874015748 + 0.5));
}

void CRasterImage::SetDpiY(int32_t dpi) {
  if (dpi <= 0) dpi = 96;
  info.dpiY = dpi;
  header.biYPelsPerMeter = static_cast<int32_t>(std::floor(dpi * 39.37007874015748 + 0.5));
}

void CRasterImage::SetTransparentColor(RGBQUAD color) {
  color.rgbReserved = 0;
  info.transparentColor = color;
}

RGBQUAD CRasterImage::GetTransparentColor() const {
  if (header.biBitCount < 24 && info.transparentIndex != -1)
    return GetPaletteColor(static_cast<uint32_t>(info.transparentIndex));
  return info.transparentColor;
}

uint32_t CRasterImage::GetColorKind() const {
  if (alpha) return 4;
  return header.biBitCount <= 8 ? 1 : 2;
}

uint32_t CRasterImage::GetCodecOption(uint32_t type) const {
  if (type == 0) type = info.formatType;
  if (type >= kFormatCount) return 0;
  return info.codecOptions[type];
}

bool CRasterImage::SetCodecOption(uint32_t option, uint32_t type) {
  if (type == 0) type = info.formatType;
  if (type >= kFormatCount) return false;
  info.codecOptions[type] = option;
  return true;
}

uint8_t* CRasterImage::GetBits(uint32_t row) const {
  if (!dib) return nullptr;
  uint32_t headerSize;
  std::memcpy(&headerSize, dib, 4);
  uint8_t* start = dib + headerSize + GetPaletteSize();
  if (row == 0) return start;
  if (row >= GetHeight()) return nullptr;
  return start + static_cast<size_t>(row) * info.rowBytes;
}

uint32_t CRasterImage::GetSize() const {
  return header.biSize + GetPaletteSize() + header.biSizeImage;
}

bool CRasterImage::IsInside(int64_t x, int64_t y) const {
  return x >= 0 && y >= 0 && x < header.biWidth && y < header.biHeight;
}

void CRasterImage::Clear(uint8_t value) {
  if (!dib) return;
  if (header.biBitCount == 1 && value) value = 255;
  if (header.biBitCount == 4) value = static_cast<uint8_t>((value & 0x0F) * 17);
  std::memset(GetBits(0), value, header.biSizeImage);
}

// --- palette ---

RGBQUAD* CRasterImage::GetPalette() const {
  if (!dib || header.biClrUsed == 0) return nullptr;
  return reinterpret_cast<RGBQUAD*>(dib + sizeof(BITMAPINFOHEADER));
}

RGBQUAD CRasterImage::GetPaletteColor(uint32_t index) const {
  RGBQUAD* palette = GetPalette();
  if (!palette || index >= header.biClrUsed) return RGBQUAD{};
  return palette[index];
}

bool CRasterImage::GetPaletteColor(uint32_t index, uint8_t* red, uint8_t* green,
                                   uint8_t* blue) const {
  if (!GetPalette()) return false;
  RGBQUAD c = GetPaletteColor(index);
  *red = c.rgbRed;
  *green = c.rgbGreen;
  *blue = c.rgbBlue;
  return true;
}

void CRasterImage::SetPaletteColor(uint32_t index, uint8_t red, uint8_t green, uint8_t blue,
                                   uint8_t alphaValue) {
  SetPaletteColor(index, RGBQUAD{blue, green, red, alphaValue});
}

void CRasterImage::SetPaletteColor(uint32_t index, RGBQUAD color) {
  RGBQUAD* palette = GetPalette();
  if (!palette || index >= header.biClrUsed) return;
  palette[index] = color;
  info.lastNearestValid = false;
}

void CRasterImage::SetPalette(const RGBQUAD* entries, uint32_t count) {
  RGBQUAD* palette = GetPalette();
  if (!palette || !entries) return;
  uint64_t bytes = static_cast<uint64_t>(count) * 4;
  if (bytes > GetPaletteSize()) bytes = GetPaletteSize();
  std::memcpy(palette, entries, bytes);
  info.lastNearestValid = false;
}

void CRasterImage::SetPaletteFromRgb(const uint8_t* triplets, uint32_t count) {
  RGBQUAD* palette = GetPalette();
  if (!palette || !triplets) return;
  uint32_t n = count < header.biClrUsed ? count : header.biClrUsed;
  for (uint32_t i = 0; i < n; ++i) {
    palette[i].rgbRed = triplets[3 * i];
    palette[i].rgbGreen = triplets[3 * i + 1];
    palette[i].rgbBlue = triplets[3 * i + 2];
  }
  info.lastNearestValid = false;
}

void CRasterImage::SetPaletteChannels(uint32_t count, const uint8_t* reds, const uint8_t* greens,
                                      const uint8_t* blues) {
  RGBQUAD* palette = GetPalette();
  if (!palette || !reds) return;
  if (!greens) greens = reds;
  if (!blues) blues = greens;
  uint32_t n = count < header.biClrUsed ? count : header.biClrUsed;
  for (uint32_t i = 0; i < n; ++i) {
    palette[i].rgbRed = reds[i];
    palette[i].rgbGreen = greens[i];
    palette[i].rgbBlue = blues[i];
  }
  info.lastNearestValid = false;
}

void CRasterImage::SetGrayPalette() {
  RGBQUAD* palette = GetPalette();
  if (!palette || header.biClrUsed < 2) return;
  uint32_t step = 255 / (header.biClrUsed - 1);
  for (uint32_t i = 0; i < header.biClrUsed; ++i) {
    uint8_t v = static_cast<uint8_t>(i * step);
    palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = v;
  }
  info.lastNearestValid = false;
}

bool CRasterImage::IsGrayScale() const {
  RGBQUAD* palette = GetPalette();
  if (!palette) return false;
  for (uint32_t i = 0; i < header.biClrUsed; ++i) {
    if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i)
      return false;
  }
  return true;
}

bool CRasterImage::PaletteHasAlpha() const {
  RGBQUAD* palette = GetPalette();
  if (!palette) return false;
  for (uint32_t i = 0; i < header.biClrUsed; ++i)
    if (palette[i].rgbReserved) return true;
  return false;
}

void CRasterImage::SwapIndex(uint8_t a, uint8_t b) {
  RGBQUAD* palette = GetPalette();
  if (!palette || a >= header.biClrUsed || b >= header.biClrUsed) return;
  RGBQUAD t = palette[a];
  palette[a] = palette[b];
  palette[b] = t;
  for (uint32_t y = 0; y < GetHeight(); ++y) {
    for (uint32_t x = 0; x < GetWidth(); ++x) {
      uint8_t i = GetPixelIndexUnchecked(x, y);
      if (i == a)
        SetPixelIndex(x, y, b);
      else if (i == b)
        SetPixelIndex(x, y, a);
    }
  }
  info.lastNearestValid = false;
}

// --- pixels ---

uint8_t CRasterImage::GetPixelIndexUnchecked(int64_t x, int64_t y) const {
  const uint8_t* row = info.pixels + static_cast<size_t>(y) * info.rowBytes;
  switch (header.biBitCount) {
    case 8:
      return row[x];
    case 4: {
      uint8_t v = row[x >> 1];
      return (x & 1) ? (v & 0x0F) : (v >> 4);
    }
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default:
      return 0;
  }
}

uint8_t CRasterImage::GetPixelIndex(int64_t x, int64_t y) const {
  if (!dib || header.biClrUsed == 0) return 0;
  if (!IsInside(x, y)) {
    if (info.transparentIndex != -1) return static_cast<uint8_t>(info.transparentIndex);
    return *GetBits(0);
  }
  return GetPixelIndexUnchecked(x, y);
}

RGBQUAD CRasterImage::StoredColor(int64_t x, int64_t y) const {
  if (header.biClrUsed) return GetPaletteColor(GetPixelIndexUnchecked(x, y));
  const uint8_t* p = info.pixels + static_cast<size_t>(y) * info.rowBytes + x * 3;
  return RGBQUAD{p[0], p[1], p[2], 0};
}

RGBQUAD CRasterImage::GetPixelColorUnchecked(int64_t x, int64_t y) const {
  RGBQUAD c = StoredColor(x, y);
  c.rgbReserved = alpha ? alpha[static_cast<size_t>(y) * GetWidth() + x] : 0;
  return c;
}

RGBQUAD CRasterImage::GetPixelColor(int64_t x, int64_t y, bool withAlpha) const {
  if (!dib) return info.transparentColor;
  if (!IsInside(x, y)) {
    if (info.transparentIndex == -1) {
      x = 0;
      y = 0;
    } else if (header.biBitCount < 24) {
      return GetPaletteColor(static_cast<uint32_t>(info.transparentIndex));
    } else {
      return info.transparentColor;
    }
  }
  RGBQUAD c = StoredColor(x, y);
  if (!header.biClrUsed) c.rgbReserved = info.transparentColor.rgbReserved;
  if (withAlpha && alpha) c.rgbReserved = GetAlpha(x, y);
  return c;
}

void CRasterImage::SetPixelIndex(int64_t x, int64_t y, uint8_t index) {
  if (!dib || header.biClrUsed == 0 || !IsInside(x, y)) return;
  uint8_t* row = info.pixels + static_cast<size_t>(y) * info.rowBytes;
  switch (header.biBitCount) {
    case 8:
      row[x] = index;
      break;
    case 4: {
      uint8_t& v = row[x >> 1];
      if (x & 1)
        v = static_cast<uint8_t>((v & 0xF0) | (index & 0x0F));
      else
        v = static_cast<uint8_t>((v & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    case 1: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      uint8_t& v = row[x >> 3];
      v = (index & 1) ? (v | mask) : (v & ~mask);
      break;
    }
    default:
      break;
  }
}

void CRasterImage::SetPixelColor(int64_t x, int64_t y, RGBQUAD color, bool setAlpha) {
  if (!dib || !IsInside(x, y)) return;
  if (header.biClrUsed) {
    SetPixelIndex(x, y, FindNearestIndex(color));
  } else {
    uint8_t* p = info.pixels + static_cast<size_t>(y) * info.rowBytes + x * 3;
    p[0] = color.rgbBlue;
    p[1] = color.rgbGreen;
    p[2] = color.rgbRed;
  }
  if (setAlpha) SetAlpha(x, y, color.rgbReserved);
}

void CRasterImage::SetPixelColor(int64_t x, int64_t y, uint32_t colorref) {
  RGBQUAD c{static_cast<uint8_t>(colorref >> 16), static_cast<uint8_t>(colorref >> 8),
            static_cast<uint8_t>(colorref), 0};
  SetPixelColor(x, y, c, false);
}

uint8_t CRasterImage::FindNearestIndex(RGBQUAD color) {
  if (!dib || header.biClrUsed == 0) return 0;
  if (info.lastNearestValid && std::memcmp(&color, &info.lastNearestColor, 4) == 0)
    return info.lastNearestIndex;
  info.lastNearestColor = color;
  info.lastNearestValid = true;
  uint32_t n = header.biClrImportant ? header.biClrImportant : header.biClrUsed;
  if (n > header.biClrUsed) n = header.biClrUsed;
  const RGBQUAD* palette = GetPalette();
  int64_t best = 200000;
  uint8_t bestIndex = 0;
  for (uint32_t i = 0; i < n; ++i) {
    int64_t dr = palette[i].rgbRed - color.rgbRed;
    int64_t dg = palette[i].rgbGreen - color.rgbGreen;
    int64_t db = palette[i].rgbBlue - color.rgbBlue;
    int64_t d = dr * dr + dg * dg + db * db;
    if (d < best) {
      best = d;
      bestIndex = static_cast<uint8_t>(i);
      if (d == 0) break;
    }
  }
  info.lastNearestIndex = bestIndex;
  return bestIndex;
}

uint8_t* CRasterImage::GetPixelAddress(int64_t x, int64_t y) const {
  if (!dib || header.biClrUsed) return nullptr;
  return info.pixels + static_cast<size_t>(y) * info.rowBytes + x * 3;
}

void CRasterImage::SwapRedBlue(uint8_t* buffer, uint32_t length) const {
  if (header.biClrUsed || !buffer) return;
  if (length > info.rowBytes) length = info.rowBytes;
  for (uint32_t i = 0; i + 2 < length; i += 3) {
    uint8_t t = buffer[i];
    buffer[i] = buffer[i + 2];
    buffer[i + 2] = t;
  }
}

// --- alpha ---

bool CRasterImage::CreateAlpha() {
  if (alpha) return true;
  if (!dib) return false;
  size_t plane = static_cast<size_t>(GetWidth()) * GetHeight();
  alpha = static_cast<uint8_t*>(std::malloc(plane));
  if (!alpha) return false;
  std::memset(alpha, 255, plane);
  return true;
}

void CRasterImage::DeleteAlpha() {
  if (info.sharedFrom) return;
  std::free(alpha);
  alpha = nullptr;
}

void CRasterImage::SetAlpha(int64_t x, int64_t y, uint8_t value) {
  if (alpha && IsInside(x, y)) alpha[static_cast<size_t>(y) * GetWidth() + x] = value;
}

uint8_t CRasterImage::GetAlpha(int64_t x, int64_t y) const {
  if (!alpha || !IsInside(x, y)) return 0;
  return alpha[static_cast<size_t>(y) * GetWidth() + x];
}

uint8_t* CRasterImage::GetAlphaAddress(int64_t x, int64_t y) const {
  if (!alpha || !IsInside(x, y)) return nullptr;
  return alpha + static_cast<size_t>(y) * GetWidth() + x;
}

bool CRasterImage::RearrangeAlpha(bool reverseRows) {
  if (!alpha) return false;
  size_t w = GetWidth(), h = GetHeight();
  uint8_t* plane = static_cast<uint8_t*>(std::malloc(w * h));
  if (!plane) return false;
  for (size_t y = 0; y < h; ++y) {
    if (reverseRows) {
      std::memcpy(plane + (h - 1 - y) * w, alpha + y * w, w);
    } else {
      for (size_t x = 0; x < w; ++x) plane[y * w + (w - 1 - x)] = alpha[y * w + x];
    }
  }
  std::free(alpha);
  alpha = plane;
  return true;
}

bool CRasterImage::FlipAlpha() { return RearrangeAlpha(true); }

bool CRasterImage::MirrorAlpha() { return RearrangeAlpha(false); }

// --- selection ---

bool CRasterImage::CreateSelection() {
  if (selection) return true;
  if (!dib) return false;
  selection = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(GetWidth()) * GetHeight()));
  if (!selection) return false;
  info.selectionBox = RECT{header.biWidth, 0, 0, header.biHeight};
  return true;
}

void CRasterImage::SelectPixel(int64_t x, int64_t y, bool selected) {
  if (!IsInside(x, y) || !CreateSelection()) return;
  selection[static_cast<size_t>(y) * GetWidth() + x] = selected ? 255 : 0;
  if (!selected) return;
  RECT& box = info.selectionBox;
  if (x < box.left) box.left = static_cast<int32_t>(x);
  if (x + 1 > box.right) box.right = static_cast<int32_t>(x + 1);
  if (y < box.bottom) box.bottom = static_cast<int32_t>(y);
  if (y + 1 > box.top) box.top = static_cast<int32_t>(y + 1);
}

void CRasterImage::DeleteSelection() {
  if (!info.sharedFrom) {
    std::free(selection);
    selection = nullptr;
  }
  info.selectionBox = RECT{header.biWidth, 0, 0, header.biHeight};
}

bool CRasterImage::IsSelected(int64_t x, int64_t y) const {
  if (!IsInside(x, y)) return false;
  if (!selection) return true;
  return selection[static_cast<size_t>(y) * GetWidth() + x] != 0;
}

// --- transforms ---

bool CRasterImage::Flip() {
  if (!dib) return false;
  CRasterImage copy(*this, false, false, true);
  if (!copy.IsValid()) return false;
  uint32_t h = GetHeight();
  for (uint32_t y = 0; y < h; ++y)
    std::memcpy(copy.info.pixels + static_cast<size_t>(h - 1 - y) * info.rowBytes,
                info.pixels + static_cast<size_t>(y) * info.rowBytes, info.rowBytes);
  if (copy.alpha && !copy.FlipAlpha()) return false;
  return TakeFrom(copy);
}

bool CRasterImage::Mirror() {
  if (!dib) return false;
  CRasterImage copy(*this, false, false, true);
  if (!copy.IsValid()) return false;
  uint32_t w = GetWidth(), h = GetHeight();
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* src = info.pixels + static_cast<size_t>(y) * info.rowBytes;
    uint8_t* dst = copy.info.pixels + static_cast<size_t>(y) * info.rowBytes;
    switch (header.biBitCount) {
      case 24:
        for (uint32_t x = 0; x < w; ++x) std::memcpy(dst + 3 * (w - 1 - x), src + 3 * x, 3);
        break;
      case 8:
        for (uint32_t x = 0; x < w; ++x) dst[w - 1 - x] = src[x];
        break;
      default:
        for (uint32_t x = 0; x < w; ++x) copy.SetPixelIndex(w - 1 - x, y, GetPixelIndexUnchecked(x, y));
        break;
    }
  }
  if (copy.alpha && !copy.MirrorAlpha()) return false;
  return TakeFrom(copy);
}

bool CRasterImage::Negative() {
  if (!dib) return false;
  const RECT& box = info.selectionBox;
  if (header.biBitCount == 24) {
    if (selection) {
      for (int64_t y = box.bottom; y < box.top; ++y)
        for (int64_t x = box.left; x < box.right; ++x) {
          if (!IsSelected(x, y)) continue;
          uint8_t* p = GetPixelAddress(x, y);
          p[0] = static_cast<uint8_t>(~p[0]);
          p[1] = static_cast<uint8_t>(~p[1]);
          p[2] = static_cast<uint8_t>(~p[2]);
        }
    } else {
      uint8_t* p = GetBits(0);
      for (uint32_t i = 0; i < header.biSizeImage; ++i) p[i] = static_cast<uint8_t>(~p[i]);
    }
    RGBQUAD& t = info.transparentColor;
    t.rgbBlue = static_cast<uint8_t>(~t.rgbBlue);
    t.rgbGreen = static_cast<uint8_t>(~t.rgbGreen);
    t.rgbRed = static_cast<uint8_t>(~t.rgbRed);
    return true;
  }
  if (!IsGrayScale()) {
    RGBQUAD* palette = GetPalette();
    for (uint32_t i = 0; palette && i < header.biClrUsed; ++i) {
      palette[i].rgbBlue = static_cast<uint8_t>(~palette[i].rgbBlue);
      palette[i].rgbGreen = static_cast<uint8_t>(~palette[i].rgbGreen);
      palette[i].rgbRed = static_cast<uint8_t>(~palette[i].rgbRed);
    }
    info.lastNearestValid = false;
    return true;
  }
  for (uint32_t y = 0; y < GetHeight(); ++y)
    for (uint32_t x = 0; x < GetWidth(); ++x)
      if (IsSelected(x, y))
        SetPixelIndex(x, y, static_cast<uint8_t>(~GetPixelIndexUnchecked(x, y)));
  return true;
}

// --- used by the codecs ---

bool CRasterImage::CheckEncodable(CImageStream* stream) {
  if (!stream) {
    SetError("null file handler");
    return true;
  }
  if (!dib) {
    SetError("null image!!!");
    return true;
  }
  return false;
}

namespace {
uint32_t CountBits16(uint32_t mask) {
  uint32_t n = 0;
  for (uint32_t bit = 0; bit < 16; ++bit)
    if (mask & (1u << bit)) ++n;
  return n;
}
}  // namespace

void CRasterImage::UnpackBitfields(const uint8_t* source, uint32_t redMask, uint32_t greenMask,
                                   uint32_t blueMask, uint32_t bits) {
  if (!dib || !source) return;
  uint8_t* out = GetBits(0);
  int64_t w = GetWidth(), h = GetHeight();
  if (bits == 16) {
    int r = static_cast<int>(CountBits16(redMask));
    int g = static_cast<int>(CountBits16(greenMask));
    int b = static_cast<int>(CountBits16(blueMask));
    auto shift = [](uint32_t v, int s) -> uint8_t {
      if (s >= 32 || s <= -32) return 0;
      return static_cast<uint8_t>(s >= 0 ? (v >> s) : (v << -s));
    };
    size_t sourceRow = static_cast<size_t>((w + 1) / 2) * 4;
    for (int64_t y = h - 1; y >= 0; --y) {
      for (int64_t x = w - 1; x >= 0; --x) {
        const uint8_t* s = source + y * sourceRow + 2 * x;
        uint32_t v = static_cast<uint32_t>(s[0] | (s[1] << 8));
        uint8_t* d = out + y * info.rowBytes + 3 * x;
        d[0] = shift(v & blueMask, -(8 - r));
        d[1] = shift(v & greenMask, r + g - 8);
        d[2] = shift(v & redMask, r + g + b - 8);
      }
    }
  } else if (bits == 32) {
    size_t sourceRow = static_cast<size_t>(w) * 4;
    for (int64_t y = h - 1; y >= 0; --y)
      for (int64_t x = w - 1; x >= 0; --x)
        std::memmove(out + y * info.rowBytes + 3 * x, source + y * sourceRow + 4 * x, 3);
  }
}
