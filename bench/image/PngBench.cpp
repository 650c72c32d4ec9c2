// A 12-megapixel picture (4,000 x 3,000, 24 bits) written as PNG and read
// again through the image library's PNG codec over libpng; beside it QImage
// (Qt's own PNG reader and writer) doing the same with the same picture.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cmath>
#include <cstdlib>

#include "bench/image/BenchScene.h"
#include "image/ImageStream.h"
#include "image/RasterImage.h"

namespace {

using imagebench::Scene;
using imagebench::SceneQImage;

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
