// A 3-megapixel palette picture (2,000 x 1,500, 256 colours) as GIF: decoded
// through the image library beside QImage (Qt's GIF plug-in) reading the same
// file, and encoded with the library's LZW coder beside giflib's encoder
// writing the same indexes and palette.

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <QByteArray>
#include <QImage>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "image/ImageStream.h"
#include "image/RasterImage.h"

namespace {

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;

// Smooth regions with some texture, as a scanned or dithered picture has.
CRasterImage& Scene() {
  static CRasterImage* scene = [] {
    auto* image = new CRasterImage(kWidth, kHeight, 8, FormatUnknown);
    for (int i = 0; i < 256; ++i)
      image->SetPaletteColor(i, static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7));
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = image->GetBits(0) + static_cast<size_t>(y) * image->GetRowBytes();
      for (int x = 0; x < kWidth; ++x)
        row[x] = static_cast<uint8_t>(128 + 100 * std::sin(x / 57.0) * std::cos(y / 43.0) + ((x * y) & 3));
    }
    return image;
  }();
  return *scene;
}

const QByteArray& SceneGif() {
  static QByteArray bytes = [] {
    uint8_t* buffer = nullptr;
    size_t size = 0;
    Scene().Encode(buffer, size, FormatGif);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
  }();
  return bytes;
}

void BM_ImageLibraryGifDecode(benchmark::State& state) {
  const QByteArray& gif = SceneGif();
  for (auto _ : state) {
    CRasterImage image(reinterpret_cast<const uint8_t*>(gif.constData()), static_cast<size_t>(gif.size()),
                       FormatUnknown);
    if (!image.IsValid()) state.SkipWithError("the image library could not read the picture");
    benchmark::DoNotOptimize(image.GetBits(0));
  }
  state.SetBytesProcessed(state.iterations() * gif.size());
}
BENCHMARK(BM_ImageLibraryGifDecode)->Unit(benchmark::kMillisecond);

void BM_QImageGifDecode(benchmark::State& state) {
  const QByteArray& gif = SceneGif();
  for (auto _ : state) {
    QImage image = QImage::fromData(gif, "GIF");
    if (image.isNull()) state.SkipWithError("QImage could not read the picture");
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(state.iterations() * gif.size());
}
BENCHMARK(BM_QImageGifDecode)->Unit(benchmark::kMillisecond);

void BM_ImageLibraryGifEncode(benchmark::State& state) {
  CRasterImage& scene = Scene();
  size_t bytes = 0;
  for (auto _ : state) {
    uint8_t* buffer = nullptr;
    size_t size = 0;
    if (!scene.Encode(buffer, size, FormatGif)) state.SkipWithError(scene.GetLastError());
    bytes = size;
    std::free(buffer);
  }
  state.counters["gif_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ImageLibraryGifEncode)->Unit(benchmark::kMillisecond);

int AppendBytes(GifFileType* file, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(file->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

void BM_GiflibEncode(benchmark::State& state) {
  const CRasterImage& scene = Scene();
  std::vector<GifColorType> colours(256);
  for (int i = 0; i < 256; ++i) {
    RGBQUAD c = scene.GetPaletteColor(i);
    colours[i] = GifColorType{c.rgbRed, c.rgbGreen, c.rgbBlue};
  }
  size_t bytes = 0;
  for (auto _ : state) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* file = EGifOpen(&out, AppendBytes, &error);
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    bool ok = file && EGifPutScreenDesc(file, kWidth, kHeight, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(file, 0, 0, kWidth, kHeight, false, nullptr) == GIF_OK;
    // Rows from the top: the stored rows are bottom-up.
    for (int y = 0; ok && y < kHeight; ++y)
      ok = EGifPutLine(file, scene.GetBits(0) + static_cast<size_t>(kHeight - 1 - y) * scene.GetRowBytes(),
                       kWidth) == GIF_OK;
    if (file) EGifCloseFile(file, &error);
    GifFreeMapObject(map);
    if (!ok) state.SkipWithError("giflib could not write the picture");
    bytes = out.size();
  }
  state.counters["gif_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GiflibEncode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
