// Writing barcode pictures as the renderers do, beside zxing-cpp's own writer
// (MultiFormatWriter) making the same symbols into the same monochrome BMP
// files in the same run; read the results as ratios.  Both write over the
// same files, which the set-up creates first, so neither pays for creating
// them.
//   BM_Code128Files against BM_ZxingCode128Files: 10,000 waybill numbers,
//   each drawn and written to its file (magnification 2, bars 50 rows,
//   human-readable text); target: at least as fast as zxing-cpp.
//   BM_QrFiles against BM_ZxingQrFiles: 1,000 texts of 200 bytes in 8-bit
//   mode, version 10 at level M, modules of 16 pixels as the renderers ask;
//   target: at least as fast as zxing-cpp.  (zxing-cpp's ECC scale 0-8
//   gives level M at 3 and 4.)

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "print/Code128Bitmap.h"
#include "print/MonoBitmap.h"
#include "print/QrEncoder.h"

namespace {

constexpr int kCode128Count = 10000;
constexpr int kQrCount = 1000;
constexpr int kQrModule = 16;

std::filesystem::path g_folder;
std::vector<std::string> g_numbers;
std::vector<std::string> g_qrTexts;

std::filesystem::path FileOf(const char* kind, int i) {
  return g_folder / (std::string(kind) + std::to_string(i) + ".bmp");
}

// A BitMatrix (with its quiet zone) as a BMP file, `scale` pixels a module.
bool WriteMatrix(const ZXing::BitMatrix& matrix, int scale, const std::filesystem::path& path,
                 std::vector<uint8_t>& file) {
  const int width = matrix.width() * scale;
  const int height = matrix.height() * scale;
  const int stride = monobmp::RowStride(width);
  file.assign(monobmp::kHeaderSize + static_cast<size_t>(stride) * height, 0);
  monobmp::WriteHeader(file.data(), width, height, stride);
  const monobmp::RowView view(file.data() + monobmp::kHeaderSize, height, stride);
  for (int y = 0; y < matrix.height(); ++y)
    for (int x = 0; x < matrix.width(); ++x)
      if (matrix.get(x, y))
        for (int r = 0; r < scale; ++r) view.SetRun(x * scale, scale, y * scale + r);
  return monobmp::WriteFile(path, file.data(), file.size());
}

void BM_Code128Files(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < kCode128Count; ++i) {
      CCode128Bitmap bitmap;
      if (!bitmap.Render(g_numbers[i], 50, false, nullptr, 0) || !bitmap.SaveFile(FileOf("c", i)))
        state.SkipWithError("Code 128 picture not written");
    }
  }
  state.SetItemsProcessed(state.iterations() * kCode128Count);
}

void BM_ZxingCode128Files(benchmark::State& state) {
  std::vector<uint8_t> file;
  for (auto _ : state) {
    for (int i = 0; i < kCode128Count; ++i) {
      const ZXing::BitMatrix matrix =
          ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128).setMargin(8).encode(g_numbers[i], 0, 50);
      if (!WriteMatrix(matrix, 2, FileOf("c", i), file)) state.SkipWithError("zxing picture not written");
    }
  }
  state.SetItemsProcessed(state.iterations() * kCode128Count);
}

void BM_QrFiles(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < kQrCount; ++i) {
      CQrEncoder encoder;
      if (!encoder.Encode(1, 10, false, 0, g_qrTexts[i].data(), static_cast<int>(g_qrTexts[i].size())) ||
          !encoder.WriteBmp(FileOf("q", i), kQrModule))
        state.SkipWithError("QR picture not written");
    }
  }
  state.SetItemsProcessed(state.iterations() * kQrCount);
}

void BM_ZxingQrFiles(benchmark::State& state) {
  std::vector<uint8_t> file;
  for (auto _ : state) {
    for (int i = 0; i < kQrCount; ++i) {
      const ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                          .setEccLevel(3)
                                          .setMargin(4)
                                          .encode(g_qrTexts[i], 0, 0);
      if (!WriteMatrix(matrix, kQrModule, FileOf("q", i), file)) state.SkipWithError("zxing QR not written");
    }
  }
  state.SetItemsProcessed(state.iterations() * kQrCount);
}

BENCHMARK(BM_Code128Files)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZxingCode128Files)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QrFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZxingQrFiles)->Unit(benchmark::kMillisecond);

bool SetUp() {
  g_folder = std::filesystem::temp_directory_path() / ("brantle_barcode_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(g_folder);
  for (int i = 0; i < kCode128Count; ++i) {
    char number[32];
    std::snprintf(number, sizeof number, "SZX%012lld", 202612110000LL + i);
    g_numbers.emplace_back(number);
  }
  for (int i = 0; i < kQrCount; ++i) {
    std::string text = "waybill szx" + std::to_string(100000 + i) + " from shenzhen depot to hong kong;";
    while (text.size() < 200) text += " parcel";
    text.resize(200);
    g_qrTexts.push_back(text);
  }
  for (int i = 0; i < kCode128Count; ++i)
    if (!monobmp::WriteFile(FileOf("c", i), nullptr, 0)) return false;
  for (int i = 0; i < kQrCount; ++i)
    if (!monobmp::WriteFile(FileOf("q", i), nullptr, 0)) return false;
  // Both writers make version 10 symbols of the same text (57 modules).
  CQrEncoder encoder;
  if (!encoder.Encode(1, 10, false, 0, g_qrTexts[0].data(), 200) || encoder.RunCount() != 1 ||
      encoder.Runs()[0].mode != CQrEncoder::kByte)
    return false;
  const ZXing::BitMatrix matrix =
      ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode).setEccLevel(3).setMargin(0).encode(g_qrTexts[0], 0, 0);
  if (matrix.width() != 57) {
    std::fprintf(stderr, "zxing made %d modules, not 57\n", matrix.width());
    return false;
  }
  return true;
}

void TearDown() {
  if (!g_folder.empty()) std::filesystem::remove_all(g_folder);
}

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "print_barcode_bench", SetUp, TearDown);
}
