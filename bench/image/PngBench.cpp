// A 12-megapixel picture (4,000 x 3,000, 24 bits) written as PNG and read
// again through the image library's PNG codec over libpng; beside it QImage
// (Qt's own PNG reader and writer) doing the same with the same picture.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cmath>
#include <cstdlib>

#include "image/ImageStream.h"
#include "image/RasterImage.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A photograph-like scene: smooth gradients with some texture.
CRasterImage& Scene() {
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

const QByteArray& ScenePng() {
  static QByteArray bytes = [] {
    uint8_t* buffer = nullptr;
    size_t size = 0;
    Scene().Encode(buffer, size, FormatPng);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
  }();
  return bytes;
}

const QImage& SceneQImage() {
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

void BM_ImageLibraryPngDecode(benchmark::State& state) {
  const QByteArray& png = ScenePng();
  for (auto _ : state) {
    CRasterImage image(reinterpret_cast<const uint8_t*>(png.constData()), static_cast<size_t>(png.size()),
                       FormatPng);
    if (!image.IsValid()) state.SkipWithError(image.GetLastError());
    benchmark::DoNotOptimize(image.GetBits(0));
  }
  state.SetBytesProcessed(state.iterations() * png.size());
}
BENCHMARK(BM_ImageLibraryPngDecode)->Unit(benchmark::kMillisecond);

void BM_QImagePngDecode(benchmark::State& state) {
  const QByteArray& png = ScenePng();
  for (auto _ : state) {
    QImage image = QImage::fromData(png, "PNG");
    if (image.isNull()) state.SkipWithError("QImage could not read the picture");
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(state.iterations() * png.size());
}
BENCHMARK(BM_QImagePngDecode)->Unit(benchmark::kMillisecond);

void BM_ImageLibraryPngEncode(benchmark::State& state) {
  CRasterImage& scene = Scene();
  size_t bytes = 0;
  for (auto _ : state) {
    uint8_t* buffer = nullptr;
    size_t size = 0;
    if (!scene.Encode(buffer, size, FormatPng)) state.SkipWithError(scene.GetLastError());
    bytes = size;
    std::free(buffer);
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ImageLibraryPngEncode)->Unit(benchmark::kMillisecond);

void BM_QImagePngEncode(benchmark::State& state) {
  const QImage& scene = SceneQImage();
  qsizetype bytes = 0;
  for (auto _ : state) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!scene.save(&buffer, "PNG")) state.SkipWithError("QImage could not write the picture");
    bytes = out.size();
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_QImagePngEncode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
