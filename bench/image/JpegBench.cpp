// A 12-megapixel picture (4,000 x 3,000) as the capture stores it: encoded
// at quality 90, and decoded again, through the image library; beside it
// QImage (Qt's JPEG plug-in over libjpeg) reading and writing the same.

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

const QByteArray& SceneJpeg() {
  static QByteArray bytes = [] {
    uint8_t* buffer = nullptr;
    size_t size = 0;
    Scene().SetJpegQuality(90);
    Scene().Encode(buffer, size, FormatJpeg);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
  }();
  return bytes;
}

void BM_ImageLibraryDecode(benchmark::State& state) {
  const QByteArray& jpeg = SceneJpeg();
  for (auto _ : state) {
    CRasterImage image(reinterpret_cast<const uint8_t*>(jpeg.constData()), static_cast<size_t>(jpeg.size()),
                       FormatUnknown);
    if (!image.IsValid()) state.SkipWithError(image.GetLastError());
    benchmark::DoNotOptimize(image.GetBits(0));
  }
  state.SetBytesProcessed(state.iterations() * jpeg.size());
}
BENCHMARK(BM_ImageLibraryDecode)->Unit(benchmark::kMillisecond);

void BM_QImageDecode(benchmark::State& state) {
  const QByteArray& jpeg = SceneJpeg();
  for (auto _ : state) {
    QImage image = QImage::fromData(jpeg, "JPG");
    if (image.isNull()) state.SkipWithError("QImage could not read the picture");
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(state.iterations() * jpeg.size());
}
BENCHMARK(BM_QImageDecode)->Unit(benchmark::kMillisecond);

void BM_ImageLibraryEncodeQuality90(benchmark::State& state) {
  CRasterImage& scene = Scene();
  size_t bytes = 0;
  for (auto _ : state) {
    uint8_t* buffer = nullptr;
    size_t size = 0;
    if (!scene.Encode(buffer, size, FormatJpeg)) state.SkipWithError(scene.GetLastError());
    bytes = size;
    std::free(buffer);
  }
  state.counters["jpeg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ImageLibraryEncodeQuality90)->Unit(benchmark::kMillisecond);

void BM_QImageEncodeQuality90(benchmark::State& state) {
  const QImage& scene = SceneQImage();
  qsizetype bytes = 0;
  for (auto _ : state) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!scene.save(&buffer, "JPG", 90)) state.SkipWithError("QImage could not write the picture");
    bytes = out.size();
  }
  state.counters["jpeg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_QImageEncodeQuality90)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
