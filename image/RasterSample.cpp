// Sampling an image at fractional points: the edge rules for points outside
// it and the interpolation methods (nearest neighbour, bilinear and the
// kernels).
#include <algorithm>
#include <cmath>
#include <numbers>

#include "image/RasterImage.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Coordinates are cut to this before they become integers: far beyond any
// image (sides are below 2^31) and far inside what an int64_t holds.
constexpr double kFarAway = 1e12;
constexpr int64_t kFarAwayInt = int64_t{1} << 40;

RGBQUAD White() { return RGBQUAD{255, 255, 255, 0}; }

uint8_t Channel(double value) {
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<uint8_t>(std::lround(value));
}

int64_t ClampInt(int64_t v) { return std::clamp(v, -kFarAwayInt, kFarAwayInt); }

int64_t Wrap(int64_t v, int64_t size) {
  v %= size;
  return v < 0 ? v + size : v;
}

int64_t MirrorInt(int64_t v, int64_t size) {
  if (v < 0) return (-v) % size;
  if (v >= size) return size - (v % size) - 1;
  return v;
}

double WrapFloat(double v, double size) {
  v = std::fmod(v, size);
  return v < 0 ? v + size : v;
}

double MirrorFloat(double v, double size) {
  if (v < 0) return std::fmod(-v, size);
  if (v >= size) return size - std::fmod(v, size) - 1;
  return v;
}

double Sinc(double t) {
  if (t == 0) return 1;
  return std::sin(kPi * t) / (kPi * t);
}

// The neighbourhood of a method around floor(x): columns floor + low to
// floor + high.
void Neighbourhood(int method, int& low, int& high) {
  if (method == SampleBilinear) {
    low = 0;
    high = 1;
  } else if (method == SampleLanczos) {
    low = -5;
    high = 6;
  } else {
    low = -1;
    high = 2;
  }
}

}  // namespace

void CRasterImage::ResolveEdgeCoordinates(int64_t& x, int64_t& y, int rule) const {
  const int64_t w = header.biWidth;
  const int64_t h = header.biHeight;
  if (!dib || w <= 0 || h <= 0 || IsInside(x, y)) return;
  x = ClampInt(x);
  y = ClampInt(y);
  switch (rule) {
    case EdgeWrap:
      x = Wrap(x, w);
      y = Wrap(y, h);
      break;
    case EdgeRepeat:
      x = std::clamp<int64_t>(x, 0, w - 1);
      y = std::clamp<int64_t>(y, 0, h - 1);
      break;
    case EdgeMirror:
      x = MirrorInt(x, w);
      y = MirrorInt(y, h);
      break;
    default:
      break;
  }
}

void CRasterImage::ResolveEdgeCoordinates(double& x, double& y, int rule) const {
  const double w = header.biWidth;
  const double h = header.biHeight;
  if (!dib || w <= 0 || h <= 0 || !std::isfinite(x) || !std::isfinite(y)) return;
  if (x >= 0 && y >= 0 && x < w && y < h) return;
  switch (rule) {
    case EdgeWrap:
      x = WrapFloat(x, w);
      y = WrapFloat(y, h);
      break;
    case EdgeRepeat:
      x = std::clamp(x, 0.0, w - 1);
      y = std::clamp(y, 0.0, h - 1);
      break;
    case EdgeMirror:
      x = MirrorFloat(x, w);
      y = MirrorFloat(y, h);
      break;
    default:
      break;
  }
}

RGBQUAD CRasterImage::GetPixelColorOrEdge(int64_t x, int64_t y, int rule,
                                          const RGBQUAD* fallback) const {
  const RGBQUAD base = fallback ? *fallback : White();
  if (!dib) return base;
  if (IsInside(x, y)) return GetPixelColorUnchecked(x, y);
  switch (rule) {
    case EdgeBackground:
      if (info.transparentIndex != -1) {
        if (header.biBitCount == 24) return info.transparentColor;
        return GetPaletteColor(static_cast<uint32_t>(info.transparentIndex));
      }
      return base;
    case EdgeTransparent:
      if (alpha) {
        RGBQUAD c = base;
        c.rgbReserved = 0;
        return c;
      }
      if (info.transparentIndex >= 0) return GetTransparentColor();
      return base;
    case EdgeWrap:
    case EdgeRepeat:
    case EdgeMirror:
      ResolveEdgeCoordinates(x, y, rule);
      if (IsInside(x, y)) return GetPixelColorUnchecked(x, y);
      return base;
    default:
      return base;
  }
}

double CRasterImage::SamplingKernel(int method, double t) {
  const double a = std::fabs(t);
  switch (method) {
    case SampleBSpline: {
      if (t > 2) return 0;
      auto cube = [](double u) { return u > 0 ? u * u * u : 0.0; };
      return (cube(t + 2) - 4 * cube(t + 1) + 6 * cube(t) - 4 * cube(t - 1)) / 6;
    }
    case SampleCubicSharp:
      if (a < 1) return 1 - 2 * t * t + a * a * a;
      if (a < 2) return 4 - 8 * a + 5 * t * t - a * a * a;
      return 0;
    case SampleCubic: {
      constexpr double c = -0.5;
      if (a < 1) return (c + 2) * a * a * a - (c + 3) * t * t + 1;
      if (a < 2) return c * a * a * a - 5 * c * t * t + 8 * c * a - 4 * c;
      return 0;
    }
    case SampleLanczos:
      if (a > 6) return 0;
      return Sinc(t) * Sinc(t / 6);
    case SampleBox:
      return (t >= -0.5 && t < 0.5) ? 1 : 0;
    case SampleHermite:
      return a < 1 ? 2 * a * a * a - 3 * t * t + 1 : 0;
    case SampleHermiteDamped:
      return a < 1 ? 0.92 * (2 * a * a * a - 3 * t * t) + 1 : 0;
    case SampleSinc:
      return Sinc(t);
    case SampleBlackman:
      return 0.42 + 0.5 * std::cos(kPi * t) + 0.08 * std::cos(2 * kPi * t);
    case SampleBessel:
      if (a == 0) return kPi / 4;
      return std::cyl_bessel_j(1.0, kPi * a) / (2 * a);
    case SampleGaussian:
      return std::exp(-2 * t * t) * 0.7978846;
    case SampleQuadratic:
      if (a < 0.5) return 0.75 - t * t;
      if (a < 1.5) return 0.5 * (a - 1.5) * (a - 1.5);
      return 0;
    case SampleMitchell:
      if (a < 1) return 7.0 / 6.0 * a * a * a - 2 * t * t + 8.0 / 9.0;
      if (a < 2) return -7.0 / 18.0 * a * a * a + 2 * t * t - 10.0 / 3.0 * a + 16.0 / 9.0;
      return 0;
    case SampleCatmullRom:
      if (a < 1) return (3 * a * a * a - 5 * t * t + 2) / 2;
      if (a < 2) return (-a * a * a + 5 * t * t - 8 * a + 4) / 2;
      return 0;
    default:
      return 0;
  }
}

RGBQUAD CRasterImage::SamplePixelColor(double x, double y, int method, int rule,
                                       const RGBQUAD* fallback) const {
  const RGBQUAD base = fallback ? *fallback : White();
  // What a point that reads no pixel gives: the edge colour of rules 1 to
  // 3, the fallback colour otherwise.
  auto edgeColour = [&] {
    if (rule == EdgeBackground || rule == EdgeTransparent)
      return GetPixelColorOrEdge(-1, -1, rule, fallback);
    return base;
  };
  if (!dib) return base;
  if (!std::isfinite(x) || !std::isfinite(y)) return edgeColour();
  x = std::clamp(x, -kFarAway, kFarAway);
  y = std::clamp(y, -kFarAway, kFarAway);
  const int64_t w = header.biWidth;
  const int64_t h = header.biHeight;

  if (method < SampleBilinear || method > SampleCatmullRom) {
    return GetPixelColorOrEdge(static_cast<int64_t>(x + 0.5), static_cast<int64_t>(y + 0.5),
                               rule, fallback);
  }

  int low = 0;
  int high = 0;
  Neighbourhood(method, low, high);
  auto whollyOutside = [&](double px, double py) {
    const int64_t fx = static_cast<int64_t>(std::floor(px));
    const int64_t fy = static_cast<int64_t>(std::floor(py));
    return fx + high < 0 || fx + low >= w || fy + high < 0 || fy + low >= h;
  };
  if (whollyOutside(x, y)) {
    if (rule >= EdgeFallback && rule <= EdgeTransparent) return edgeColour();
    ResolveEdgeCoordinates(x, y, rule);
    if (whollyOutside(x, y)) return edgeColour();
  }
  const int64_t fx = static_cast<int64_t>(std::floor(x));
  const int64_t fy = static_cast<int64_t>(std::floor(y));

  if (method == SampleBilinear) {
    const double dx = x - static_cast<double>(fx);
    const double dy = y - static_cast<double>(fy);
    if (header.biBitCount == 24 && fx >= 0 && fy >= 0 && fx + 1 < w && fy + 1 < h) {
      // Inside a true-colour image: 8-bit fixed-point weights.
      const uint32_t ix = static_cast<uint32_t>(dx * 256);
      const uint32_t iy = static_cast<uint32_t>(dy * 256);
      const uint32_t w11 = (ix * iy) >> 8;
      const uint32_t w10 = ix - w11;
      const uint32_t w01 = iy - w11;
      const uint32_t w00 = 256 - ix - iy + w11;
      const uint8_t* row0 = info.pixels + static_cast<size_t>(fy) * info.rowBytes + fx * 3;
      const uint8_t* row1 = row0 + info.rowBytes;
      RGBQUAD c;
      auto mix = [&](int k) {
        return static_cast<uint8_t>(
            (row0[k] * w00 + row0[k + 3] * w10 + row1[k] * w01 + row1[k + 3] * w11) >> 8);
      };
      c.rgbBlue = mix(0);
      c.rgbGreen = mix(1);
      c.rgbRed = mix(2);
      if (alpha) {
        const uint8_t* a0 = alpha + static_cast<size_t>(fy) * w + fx;
        const uint8_t* a1 = a0 + w;
        c.rgbReserved =
            static_cast<uint8_t>((a0[0] * w00 + a0[1] * w10 + a1[0] * w01 + a1[1] * w11) >> 8);
      } else {
        c.rgbReserved = 0;
      }
      return c;
    }
    const RGBQUAD c00 = GetPixelColorOrEdge(fx, fy, rule, fallback);
    const RGBQUAD c10 = GetPixelColorOrEdge(fx + 1, fy, rule, fallback);
    const RGBQUAD c01 = GetPixelColorOrEdge(fx, fy + 1, rule, fallback);
    const RGBQUAD c11 = GetPixelColorOrEdge(fx + 1, fy + 1, rule, fallback);
    const double w00 = (1 - dx) * (1 - dy);
    const double w10 = dx * (1 - dy);
    const double w01 = (1 - dx) * dy;
    const double w11 = dx * dy;
    auto mix = [&](uint8_t RGBQUAD::*channel) {
      return Channel(c00.*channel * w00 + c10.*channel * w10 + c01.*channel * w01 +
                     c11.*channel * w11);
    };
    return RGBQUAD{mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed),
                   mix(&RGBQUAD::rgbReserved)};
  }

  // The kernels.
  double columnWeights[12];
  double rowWeights[12];
  const int taps = high - low + 1;
  for (int k = 0; k < taps; ++k) {
    columnWeights[k] = SamplingKernel(method, static_cast<double>(fx + low + k) - x);
    rowWeights[k] = SamplingKernel(method, static_cast<double>(fy + low + k) - y);
  }
  double blue = 0, green = 0, red = 0, alphaSum = 0, total = 0;
  for (int j = 0; j < taps; ++j) {
    for (int i = 0; i < taps; ++i) {
      const double weight = columnWeights[i] * rowWeights[j];
      if (weight == 0) continue;
      const RGBQUAD c = GetPixelColorOrEdge(fx + low + i, fy + low + j, rule, fallback);
      blue += c.rgbBlue * weight;
      green += c.rgbGreen * weight;
      red += c.rgbRed * weight;
      alphaSum += c.rgbReserved * weight;
      total += weight;
    }
  }
  if (method == SampleBlackman && total > 0) {
    // The Blackman formula has no support range: over the neighbourhood its
    // weights sum to between about 1.85 and 4.  Normalised, a flat image
    // samples flat.
    blue /= total;
    green /= total;
    red /= total;
    alphaSum /= total;
  }
  return RGBQUAD{Channel(blue), Channel(green), Channel(red), Channel(alphaSum)};
}
