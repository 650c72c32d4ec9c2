#pragma once
// CRasterImage: one bitmap in memory, held as a packed device-independent
// bitmap (40-byte header, palette, bottom-up pixel rows), with an optional
// alpha plane, an optional selection mask, a settings block and the last
// error text.  Every codec decodes into such an object and encodes from one.
// Of Qt its interface names only QPainter (Draw paints through one); the
// codecs and the capture share it with command-line tools.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Our own plain forms of the Windows structures the packed bitmap carries.
struct RGBQUAD {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
};
static_assert(sizeof(RGBQUAD) == 4);

struct BITMAPINFOHEADER {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// The largest pixel data (and decoder working buffer) an image may hold.
inline constexpr uint64_t RASTER_IMAGE_MAX_MEMORY = 256000000;

// Format type numbers: the image's formatType, the index of codecOptions and
// the argument of every decode and encode call.
enum : uint32_t {
  FormatUnknown = 0,
  FormatBmp = 1,
  FormatGif = 2,
  FormatJpeg = 3,
  FormatPng = 4,
  FormatIcon = 5,
  FormatTga = 6,
  FormatPcx = 7,
  FormatWbmp = 8,
  FormatMetafile = 9,
  FormatJp2 = 10,
  FormatJpc = 11,
  FormatPgx = 12,
  FormatPnm = 13,
  FormatRas = 14,
};
inline constexpr uint32_t kFormatCount = 15;

class CRasterImage;
class CImageStream;
class QPainter;

// Edge rules of the sampling: what a point outside the image reads.
enum : int {
  EdgeFallback = 1,     // the fallback colour
  EdgeBackground = 2,   // the transparent colour (or palette entry)
  EdgeTransparent = 3,  // the fallback colour with alpha 0, or the transparent colour
  EdgeWrap = 4,         // the image repeats
  EdgeRepeat = 5,       // the edge pixel repeats
  EdgeMirror = 6,       // the image mirrors at its edges
};

// Interpolation methods of the sampling.
enum : int {
  SampleNearest = 1,
  SampleBilinear = 2,
  SampleBSpline = 3,
  SampleCubicSharp = 4,   // cubic, a = -1
  SampleCubic = 5,        // cubic, a = -0.5
  SampleLanczos = 6,      // radius 6
  SampleBox = 7,
  SampleHermite = 8,
  SampleHermiteDamped = 9,
  SampleSinc = 10,
  SampleBlackman = 11,
  SampleBessel = 12,
  SampleGaussian = 13,
  SampleQuadratic = 14,
  SampleMitchell = 15,
  SampleCatmullRom = 16,
};

struct ImageInfo {
  uint32_t rowBytes;
  uint8_t* pixels;
  CRasterImage* sharedFrom;
  CRasterImage* parent;
  uint32_t formatType;
  char lastError[256];
  int32_t progress;
  int32_t escape;
  int32_t transparentIndex;
  RGBQUAD transparentColor;
  uint8_t jpegQuality;
  uint8_t jpegScale;
  int32_t frameIndex;
  int32_t frameCount;
  uint32_t frameDelay;
  int32_t dpiX;
  int32_t dpiY;
  RECT selectionBox;
  uint8_t alphaMax;
  bool paletteAlphaEnabled;
  bool drawEnabled;
  int32_t offsetX;
  int32_t offsetY;
  uint32_t codecOptions[kFormatCount];
  RGBQUAD lastNearestColor;
  uint8_t lastNearestIndex;
  bool lastNearestValid;
  int32_t layerCount;
  uint32_t flags;
};

// Luminance comparison of two colours: (b*117 + g*601 + r*306) >> 10, a - b.
int CompareLuminance(const RGBQUAD& a, const RGBQUAD& b);

class CRasterImage {
 public:
  explicit CRasterImage(uint32_t type = FormatUnknown);
  CRasterImage(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type = FormatUnknown);
  CRasterImage(const CRasterImage& source, bool copyPixels = true, bool copySelection = true,
               bool copyAlpha = true);
  // Loads at once; the caller checks IsValid.  The file name is UTF-8.
  CRasterImage(const char* fileName, uint32_t type);
  CRasterImage(const uint8_t* data, size_t size, uint32_t type);
  CRasterImage& operator=(const CRasterImage&) = delete;
  virtual ~CRasterImage();

  // Lifetime.
  void Initialize(uint32_t type);
  bool Destroy();
  uint8_t* Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type);
  void Copy(const CRasterImage& source, bool copyPixels = true, bool copySelection = true,
            bool copyAlpha = true);
  bool TakeFrom(CRasterImage& source);
  void ShareFrom(const CRasterImage& source);
  void CopyInfoFrom(const CRasterImage& source);

  // Whether width x height pixels of bpp bits (rounded as Create rounds) stay
  // within RASTER_IMAGE_MAX_MEMORY; computed without overflow.
  static bool FitsMemoryLimit(uint64_t width, uint64_t height, uint32_t bpp);

  // Accessors.
  bool IsValid() const { return dib != nullptr; }
  uint32_t GetWidth() const { return static_cast<uint32_t>(header.biWidth); }
  uint32_t GetHeight() const { return static_cast<uint32_t>(header.biHeight); }
  uint32_t GetBpp() const { return header.biBitCount; }
  uint32_t GetNumColors() const { return header.biClrUsed; }
  uint32_t GetRowBytes() const { return info.rowBytes; }
  uint32_t GetType() const { return info.formatType; }
  const char* GetLastError() const { return info.lastError; }
  uint8_t GetJpegQuality() const { return info.jpegQuality; }
  void SetJpegQuality(uint8_t quality) { info.jpegQuality = quality; }
  uint8_t GetJpegScale() const { return info.jpegScale; }
  void SetJpegScale(uint8_t scale) { info.jpegScale = scale; }
  int32_t GetDpiX() const { return info.dpiX; }
  int32_t GetDpiY() const { return info.dpiY; }
  void SetDpiX(int32_t dpi);
  void SetDpiY(int32_t dpi);
  void SetOffset(int32_t x, int32_t y) { info.offsetX = x; info.offsetY = y; }
  int32_t GetTransparentIndex() const { return info.transparentIndex; }
  void SetTransparentIndex(int32_t index) { info.transparentIndex = index; }
  void SetTransparentColor(RGBQUAD color);
  RGBQUAD GetTransparentColor() const;
  bool IsTransparent() const { return info.transparentIndex >= 0; }
  bool IsIndexed() const { return header.biClrUsed != 0; }
  uint32_t GetColorKind() const;
  uint32_t GetCodecOption(uint32_t type = 0) const;
  bool SetCodecOption(uint32_t option, uint32_t type = 0);
  void SetEscape(int32_t escape) { info.escape = escape; }
  int32_t GetEscape() const { return info.escape; }
  int32_t GetFrameCount() const { return info.frameCount; }
  const BITMAPINFOHEADER& GetHeader() const { return header; }
  const ImageInfo& GetInfo() const { return info; }
  const uint8_t* GetDib() const { return dib; }
  bool IsSharingView() const { return info.sharedFrom != nullptr; }

  uint8_t* GetBits(uint32_t row = 0) const;
  uint32_t GetSize() const;
  uint32_t GetPaletteSize() const { return header.biClrUsed * 4; }
  bool IsInside(int64_t x, int64_t y) const;
  void Clear(uint8_t value = 0);

  // Palette.
  RGBQUAD* GetPalette() const;
  RGBQUAD GetPaletteColor(uint32_t index) const;
  bool GetPaletteColor(uint32_t index, uint8_t* red, uint8_t* green, uint8_t* blue) const;
  void SetPaletteColor(uint32_t index, uint8_t red, uint8_t green, uint8_t blue,
                       uint8_t alphaValue = 0);
  void SetPaletteColor(uint32_t index, RGBQUAD color);
  void SetPalette(const RGBQUAD* entries, uint32_t count);
  void SetPaletteFromRgb(const uint8_t* triplets, uint32_t count);
  void SetPaletteChannels(uint32_t count, const uint8_t* reds, const uint8_t* greens,
                          const uint8_t* blues);
  void SetGrayPalette();
  bool IsGrayScale() const;
  bool PaletteHasAlpha() const;
  void SwapIndex(uint8_t a, uint8_t b);

  // Pixels.
  uint8_t GetPixelIndex(int64_t x, int64_t y) const;
  uint8_t GetPixelIndexUnchecked(int64_t x, int64_t y) const;
  RGBQUAD GetPixelColor(int64_t x, int64_t y, bool withAlpha = true) const;
  RGBQUAD GetPixelColorUnchecked(int64_t x, int64_t y) const;
  void SetPixelIndex(int64_t x, int64_t y, uint8_t index);
  void SetPixelColor(int64_t x, int64_t y, RGBQUAD color, bool setAlpha = false);
  void SetPixelColor(int64_t x, int64_t y, uint32_t colorref);
  uint8_t FindNearestIndex(RGBQUAD color);
  uint8_t* GetPixelAddress(int64_t x, int64_t y) const;
  void SwapRedBlue(uint8_t* buffer, uint32_t length) const;

  // Alpha plane.
  bool HasAlpha() const { return alpha != nullptr; }
  bool CreateAlpha();
  void DeleteAlpha();
  void SetAlpha(int64_t x, int64_t y, uint8_t value);
  uint8_t GetAlpha(int64_t x, int64_t y) const;
  uint8_t* GetAlphaAddress(int64_t x, int64_t y) const;
  bool FlipAlpha();
  bool MirrorAlpha();

  // Selection.
  bool HasSelection() const { return selection != nullptr; }
  // Makes an empty mask (nothing selected) when there is none.
  bool CreateSelection();
  void SelectPixel(int64_t x, int64_t y, bool selected);
  void DeleteSelection();
  bool IsSelected(int64_t x, int64_t y) const;

  // Drawing (RasterDraw.cpp).  Paints the image with its top left corner at
  // (x, y), cx x cy pixels large (a negative size is the image's own), in
  // device pixels of the painter's device (its transformation is not
  // applied), optionally only inside `clip`, with bilinear smoothing when
  // scaled and `smooth` is set.  Transparency, an alpha plane or palette
  // alpha blend over what the device holds, read from it when it is a
  // QImage (else over white).  The painter's clip is as before afterwards.
  // 1 when painted; 0 without bitmap, painter or device, with a size of 0,
  // or when drawing is switched off.
  int Draw(QPainter* painter, int32_t x, int32_t y, int32_t cx = -1, int32_t cy = -1,
           const RECT* clip = nullptr, bool smooth = false) const;
  void SetDrawEnabled(bool enabled) { info.drawEnabled = enabled; }
  void SetAlphaMax(uint8_t value) { info.alphaMax = value; }
  void SetPaletteAlphaEnabled(bool enabled) { info.paletteAlphaEnabled = enabled; }

  // Sampling (RasterSample.cpp).  Coordinates count columns from the left
  // and stored rows from the bottom, as the pixel accessors do.  Points
  // outside follow the edge rule; coordinates that are no number or lie
  // beyond any image read the edge colour (the fallback colour under rules
  // 4 to 6) and nothing outside the image.
  void ResolveEdgeCoordinates(int64_t& x, int64_t& y, int rule) const;
  void ResolveEdgeCoordinates(double& x, double& y, int rule) const;
  // The colour of a pixel, or of a point outside by the edge rule; without
  // a fallback colour white (255, 255, 255) with reserved 0.
  RGBQUAD GetPixelColorOrEdge(int64_t x, int64_t y, int rule,
                              const RGBQUAD* fallback = nullptr) const;
  // The colour at a fractional point by an interpolation method (1 to 16;
  // another method reads as nearest neighbour).
  RGBQUAD SamplePixelColor(double x, double y, int method, int rule,
                           const RGBQUAD* fallback = nullptr) const;
  // The weight of a kernel method (3 to 16) at distance t; 0 for others.
  // SamplePixelColor divides the weights of kernel 11 (Blackman, which has
  // no support range and weighs up to twice the neighbourhood) by their
  // sum, so that a flat image samples flat.
  static double SamplingKernel(int method, double t);

  // Transforms.
  bool Flip();
  bool Mirror();
  bool Negative();

  // Used by the codecs.
  bool CheckEncodable(CImageStream* stream);
  void UnpackBitfields(const uint8_t* source, uint32_t redMask, uint32_t greenMask,
                       uint32_t blueMask, uint32_t bits);

  // Format dispatch (Load, Decode and Encode live in ImageDispatch.cpp).
  bool Load(const char* fileName, uint32_t typeHint = FormatUnknown);
  bool Decode(std::FILE* file, uint32_t type);
  bool Decode(CImageStream* stream, uint32_t type);
  bool Encode(CImageStream* stream, uint32_t type);
  // The buffer must come in null; on success it receives a block the caller
  // releases with std::free, and size its length.
  bool Encode(uint8_t*& buffer, size_t& size, uint32_t type);

 protected:
  void SetError(const char* text);
  // The palette colour of a pixel's index, or its blue, green and red with
  // the reserved byte 0; no checks.
  RGBQUAD StoredColor(int64_t x, int64_t y) const;
  // A new alpha plane with the rows in reverse order, or each row reversed.
  bool RearrangeAlpha(bool reverseRows);

  uint8_t* dib = nullptr;
  BITMAPINFOHEADER header{};
  ImageInfo info{};
  uint8_t* selection = nullptr;
  uint8_t* alpha = nullptr;
  CRasterImage** layers = nullptr;
};
