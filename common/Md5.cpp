// MD5 as RFC 1321 describes it.
#include "common/Md5.h"

#include <cstring>

namespace {

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
    0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
    0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
    0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
    0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
    0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
    0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
    0xeb86d391};

constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void EncodeLe(uint8_t* out, const uint32_t* in, size_t words) {
  for (size_t i = 0; i < words; ++i) {
    out[4 * i] = static_cast<uint8_t>(in[i]);
    out[4 * i + 1] = static_cast<uint8_t>(in[i] >> 8);
    out[4 * i + 2] = static_cast<uint8_t>(in[i] >> 16);
    out[4 * i + 3] = static_cast<uint8_t>(in[i] >> 24);
  }
}

}  // namespace

void Md5Init(Md5Context& context) {
  context.state[0] = 0x67452301;
  context.state[1] = 0xefcdab89;
  context.state[2] = 0x98badcfe;
  context.state[3] = 0x10325476;
  context.count[0] = context.count[1] = 0;
  std::memset(context.buffer, 0, sizeof context.buffer);
}

void Md5Transform(Md5Context& context, const uint8_t block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i)
    x[i] = static_cast<uint32_t>(block[4 * i]) | (static_cast<uint32_t>(block[4 * i + 1]) << 8) |
           (static_cast<uint32_t>(block[4 * i + 2]) << 16) |
           (static_cast<uint32_t>(block[4 * i + 3]) << 24);
  uint32_t a = context.state[0], b = context.state[1], c = context.state[2], d = context.state[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    const int round = i / 16;
    switch (round) {
      case 0: f = (b & c) | (~b & d); g = i; break;
      case 1: f = (d & b) | (~d & c); g = (5 * i + 1) % 16; break;
      case 2: f = b ^ c ^ d; g = (3 * i + 5) % 16; break;
      default: f = c ^ (b | ~d); g = (7 * i) % 16; break;
    }
    uint32_t sum = a + f + kSine[i] + x[g];
    a = d;
    d = c;
    c = b;
    b = b + Rotl(sum, kShift[round][i % 4]);
  }
  context.state[0] += a;
  context.state[1] += b;
  context.state[2] += c;
  context.state[3] += d;
  // Do not leave the decoded block words behind.
  volatile uint32_t* wipe = x;
  for (int i = 0; i < 16; ++i) wipe[i] = 0;
}

void Md5Update(Md5Context& context, const void* bytes, size_t count) {
  const auto* input = static_cast<const uint8_t*>(bytes);
  size_t index = (context.count[0] >> 3) & 0x3F;
  uint64_t bits = (static_cast<uint64_t>(context.count[1]) << 32) | context.count[0];
  bits += static_cast<uint64_t>(count) << 3;
  context.count[0] = static_cast<uint32_t>(bits);
  context.count[1] = static_cast<uint32_t>(bits >> 32);

  const size_t partLen = 64 - index;
  size_t i = 0;
  if (count >= partLen) {
    std::memcpy(context.buffer + index, input, partLen);
    Md5Transform(context, context.buffer);
    for (i = partLen; i + 64 <= count; i += 64) Md5Transform(context, input + i);
    index = 0;
  }
  if (count > i) std::memcpy(context.buffer + index, input + i, count - i);
}

void Md5Final(Md5Context& context) {
  uint8_t bits[8];
  EncodeLe(bits, context.count, 2);
  const size_t index = (context.count[0] >> 3) & 0x3F;
  const size_t padLen = index < 56 ? 56 - index : 120 - index;
  static const uint8_t kPadding[64] = {0x80};
  Md5Update(context, kPadding, padLen);
  Md5Update(context, bits, 8);
  std::memset(context.buffer, 0, sizeof context.buffer);
}

Md5Bytes Md5Digest(const void* bytes, size_t count) {
  Md5Context context;
  Md5Init(context);
  Md5Update(context, bytes, count);
  Md5Final(context);
  Md5Bytes out;
  EncodeLe(out.data(), context.state, 4);
  return out;
}

namespace {

template <class String>
String HexOf(const Md5Bytes& digest) {
  static const char kHex[] = "0123456789abcdef";
  String out;
  out.reserve(32);
  for (uint8_t b : digest) {
    out.push_back(static_cast<typename String::value_type>(kHex[b >> 4]));
    out.push_back(static_cast<typename String::value_type>(kHex[b & 15]));
  }
  return out;
}

// UTF-16 text as its little-endian bytes.
std::string BytesOf(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

}  // namespace

std::string Md5HexDigest(const void* bytes, size_t count) {
  return HexOf<std::string>(Md5Digest(bytes, count));
}

std::u16string Md5HexDigestWide(const void* bytes, size_t count) {
  return HexOf<std::u16string>(Md5Digest(bytes, count));
}

Md5Bytes Md5Digest(std::string_view bytes) { return Md5Digest(bytes.data(), bytes.size()); }
std::string Md5HexDigest(std::string_view bytes) { return Md5HexDigest(bytes.data(), bytes.size()); }
std::string Md5HexDigest(std::u16string_view text) { return Md5HexDigest(BytesOf(text)); }
std::u16string Md5HexDigestWide(std::string_view bytes) {
  return Md5HexDigestWide(bytes.data(), bytes.size());
}
std::u16string Md5HexDigestWide(std::u16string_view text) {
  return Md5HexDigestWide(BytesOf(text));
}
