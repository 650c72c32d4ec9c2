#pragma once
// The picture the image benchmarks write and read: 4,000 x 3,000 pixels of
// 24 bits as the capture stores them, in the image library and as a QImage.

#include <QImage>
#include <cmath>

#include "image/RasterImage.h"

namespace imagebench {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A photograph-like scene: smooth gradients with some texture.
inline CRasterImage& Scene() {
  static CRasterImage* scene = [] {
    auto* image = new CRasterImage(kWidth, kHeight, 24, FormatUnknown);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = image->GetBits(0) + static_cast<size_t>(y) * image->GetRowBytes();
      for (int x = 0; x < kWidth; ++x) {
        row[3 * x] = static_cast<uint8_t>(128 + 100 * std::sin(x / 37.0) * std::cos(y / 23.0));
        row[3 * x + 1] = static_cast<uint8_t>(x * 255 / kWidth);
        row[3 * x + 2] = static_cast<uint8_t>((y * 255 / kHeight) ^ ((x * y) & 15));
      }
    }
    return image;
  }();
  return *scene;
}

inline const QImage& SceneQImage() {
  static QImage image = [] {
    const CRasterImage& scene = Scene();
    QImage out(kWidth, kHeight, QImage::Format_RGB888);
    for (int y = 0; y < kHeight; ++y) {
      const uint8_t* row = scene.GetBits(0) + static_cast<size_t>(kHeight - 1 - y) * scene.GetRowBytes();
      uchar* line = out.scanLine(y);
      for (int x = 0; x < kWidth; ++x) {
        line[3 * x] = row[3 * x + 2];
        line[3 * x + 1] = row[3 * x + 1];
        line[3 * x + 2] = row[3 * x];
      }
    }
    return out;
  }();
  return image;
}

}  // namespace imagebench
