// A 12-megapixel picture (4,000 x 3,000, 24 bits) drawn fitted into the
// pictures dialog's 640 x 480 area through CRasterImage::Draw (whole source
// pixels, and smoothed), beside QPainter::drawImage scaling the same
// picture as a QImage (fast and smooth transformation).

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "bench/image/BenchScene.h"
#include "image/RasterImage.h"

namespace {

using imagebench::Scene;
using imagebench::SceneQImage;

constexpr int kAreaWidth = 650;
constexpr int kAreaHeight = 490;

void DrawWithLibrary(benchmark::State& state, bool smooth) {
  const CRasterImage& scene = Scene();
  QImage canvas(kAreaWidth, kAreaHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    if (scene.Draw(&painter, 5, 5, 640, 480, nullptr, smooth) != 1)
      state.SkipWithError("the picture was not drawn");
    painter.end();
    benchmark::DoNotOptimize(canvas.constBits());
  }
  state.SetItemsProcessed(state.iterations() * 640 * 480);
}

void DrawWithQPainter(benchmark::State& state, bool smooth) {
  const QImage& scene = SceneQImage();
  QImage canvas(kAreaWidth, kAreaHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.drawImage(QRect(5, 5, 640, 480), scene);
    painter.end();
    benchmark::DoNotOptimize(canvas.constBits());
  }
  state.SetItemsProcessed(state.iterations() * 640 * 480);
}

void BM_ImageLibraryDrawFitted(benchmark::State& state) { DrawWithLibrary(state, false); }
BENCHMARK(BM_ImageLibraryDrawFitted)->Unit(benchmark::kMillisecond);

void BM_QPainterDrawImageFitted(benchmark::State& state) { DrawWithQPainter(state, false); }
BENCHMARK(BM_QPainterDrawImageFitted)->Unit(benchmark::kMillisecond);

void BM_ImageLibraryDrawFittedSmooth(benchmark::State& state) { DrawWithLibrary(state, true); }
BENCHMARK(BM_ImageLibraryDrawFittedSmooth)->Unit(benchmark::kMillisecond);

void BM_QPainterDrawImageFittedSmooth(benchmark::State& state) { DrawWithQPainter(state, true); }
BENCHMARK(BM_QPainterDrawImageFittedSmooth)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
