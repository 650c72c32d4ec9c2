// Text toolkit speed against the libraries it stands beside, all on the same
// 1 MB inputs in one run; read the results as ratios.
//   GBK <-> UTF-16 against raw iconv.
//   Base64 encode and decode (no reference): target 1.5 GB/s each, as fast
//   scalar table codecs reach.
//   CRC-32 against zlib (which computes it).
//   MD5 against OpenSSL's EVP_Digest: target at least 0.9 of OpenSSL's speed.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <random>
#include <string>

#include "common/Base64.h"
#include "common/Md5.h"
#include "common/TextCodec.h"

namespace {

constexpr size_t kMegabyte = 1 << 20;

// About 1 MB of UTF-16 text mixing ASCII, Chinese, full-width punctuation and
// Latin letters with accents, all of which GBK can express.
const std::u16string& MixedWide() {
  static const std::u16string text = [] {
    const std::u16string pieces[] = {u"Parcel 4711 to Hamburg, ", u"国际快件运单", u"，",
                                     u"重量 12.5 kg; ", u"Café Müller ", u"收件人：张三 ",
                                     u"\r\n"};
    std::mt19937 rng(1);
    std::u16string out;
    while (out.size() < kMegabyte / 2) out += pieces[rng() % std::size(pieces)];
    return out;
  }();
  return text;
}

const std::string& MixedGbk() {
  static const std::string text = GbkFromWide(MixedWide());
  return text;
}

const std::string& RandomBytes() {
  static const std::string bytes = [] {
    std::mt19937 rng(2);
    std::string out(kMegabyte, '\0');
    for (auto& b : out) b = static_cast<char>(rng());
    return out;
  }();
  return bytes;
}

// One raw iconv pass, the baseline of the conversions.
size_t RawIconv(iconv_t cd, const char* in, size_t inBytes, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in);
  char* dst = out.data();
  size_t dstLeft = out.size();
  iconv(cd, &src, &inBytes, &dst, &dstLeft);
  return out.size() - dstLeft;
}

void BM_WideFromGbk(benchmark::State& state) {
  const std::string& gbk = MixedGbk();
  for (auto _ : state) benchmark::DoNotOptimize(WideFromGbk(gbk));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gbk.size()));
}

void BM_IconvGbkToUtf16(benchmark::State& state) {
  const std::string& gbk = MixedGbk();
  iconv_t cd = iconv_open("UTF-16LE", "CP936");
  std::string out(gbk.size() * 2 + 16, '\0');
  for (auto _ : state) benchmark::DoNotOptimize(RawIconv(cd, gbk.data(), gbk.size(), out));
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gbk.size()));
}

void BM_GbkFromWide(benchmark::State& state) {
  const std::u16string& wide = MixedWide();
  for (auto _ : state) benchmark::DoNotOptimize(GbkFromWide(wide));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * wide.size() * 2));
}

void BM_IconvUtf16ToGbk(benchmark::State& state) {
  const std::u16string& wide = MixedWide();
  iconv_t cd = iconv_open("CP936", "UTF-16LE");
  std::string out(wide.size() * 2 + 16, '\0');
  for (auto _ : state)
    benchmark::DoNotOptimize(
        RawIconv(cd, reinterpret_cast<const char*>(wide.data()), wide.size() * 2, out));
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * wide.size() * 2));
}

void BM_Base64Encode(benchmark::State& state) {
  const std::string& bytes = RandomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(Base64Encode(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_Base64Decode(benchmark::State& state) {
  const std::string text = Base64Encode(RandomBytes());
  for (auto _ : state) {
    std::string copy = text;
    benchmark::DoNotOptimize(Base64Decode(copy));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_Crc32(benchmark::State& state) {
  const std::string& bytes = RandomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(Crc32(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_ZlibCrc32(benchmark::State& state) {
  const std::string& bytes = RandomBytes();
  for (auto _ : state)
    benchmark::DoNotOptimize(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                                   static_cast<uInt>(bytes.size())));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_Md5(benchmark::State& state) {
  const std::string& bytes = RandomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(Md5Digest(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_OpenSslMd5(benchmark::State& state) {
  const std::string& bytes = RandomBytes();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  for (auto _ : state) {
    EVP_Digest(bytes.data(), bytes.size(), digest, &len, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

}  // namespace

BENCHMARK(BM_WideFromGbk);
BENCHMARK(BM_IconvGbkToUtf16);
BENCHMARK(BM_GbkFromWide);
BENCHMARK(BM_IconvUtf16ToGbk);
BENCHMARK(BM_Base64Encode);
BENCHMARK(BM_Base64Decode);
BENCHMARK(BM_Crc32);
BENCHMARK(BM_ZlibCrc32);
BENCHMARK(BM_Md5);
BENCHMARK(BM_OpenSslMd5);
