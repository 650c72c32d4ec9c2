// MD5 as RFC 1321 describes it; whole inputs of some length are handed to
// OpenSSL.
#include "common/Md5.h"

#include <openssl/evp.h>

#include <cstring>

namespace {

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

namespace {

// The four rounds' steps of RFC 1321: a = b + ((a + f(b, c, d) + x + t) <<< s).
// b is the value just computed, so each step adds what does not depend on
// it first; in G the two halves of the choice never overlap and are added.
inline void StepF(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a += x + t;
  a += d ^ (b & (c ^ d));
  a = b + Rotl(a, s);
}
inline void StepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a += x + t;
  a += c & ~d;
  a += b & d;
  a = b + Rotl(a, s);
}
inline void StepH(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a += x + t;
  a += b ^ c ^ d;
  a = b + Rotl(a, s);
}
inline void StepI(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a += x + t;
  a += c ^ (b | ~d);
  a = b + Rotl(a, s);
}

}  // namespace

void Md5Transform(Md5Context& context, const uint8_t block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i)
    x[i] = static_cast<uint32_t>(block[4 * i]) | (static_cast<uint32_t>(block[4 * i + 1]) << 8) |
           (static_cast<uint32_t>(block[4 * i + 2]) << 16) |
           (static_cast<uint32_t>(block[4 * i + 3]) << 24);
  uint32_t a = context.state[0], b = context.state[1], c = context.state[2], d = context.state[3];
  StepF(a, b, c, d, x[0], 0xd76aa478u, 7);
  StepF(d, a, b, c, x[1], 0xe8c7b756u, 12);
  StepF(c, d, a, b, x[2], 0x242070dbu, 17);
  StepF(b, c, d, a, x[3], 0xc1bdceeeu, 22);
  StepF(a, b, c, d, x[4], 0xf57c0fafu, 7);
  StepF(d, a, b, c, x[5], 0x4787c62au, 12);
  StepF(c, d, a, b, x[6], 0xa8304613u, 17);
  StepF(b, c, d, a, x[7], 0xfd469501u, 22);
  StepF(a, b, c, d, x[8], 0x698098d8u, 7);
  StepF(d, a, b, c, x[9], 0x8b44f7afu, 12);
  StepF(c, d, a, b, x[10], 0xffff5bb1u, 17);
  StepF(b, c, d, a, x[11], 0x895cd7beu, 22);
  StepF(a, b, c, d, x[12], 0x6b901122u, 7);
  StepF(d, a, b, c, x[13], 0xfd987193u, 12);
  StepF(c, d, a, b, x[14], 0xa679438eu, 17);
  StepF(b, c, d, a, x[15], 0x49b40821u, 22);
  StepG(a, b, c, d, x[1], 0xf61e2562u, 5);
  StepG(d, a, b, c, x[6], 0xc040b340u, 9);
  StepG(c, d, a, b, x[11], 0x265e5a51u, 14);
  StepG(b, c, d, a, x[0], 0xe9b6c7aau, 20);
  StepG(a, b, c, d, x[5], 0xd62f105du, 5);
  StepG(d, a, b, c, x[10], 0x02441453u, 9);
  StepG(c, d, a, b, x[15], 0xd8a1e681u, 14);
  StepG(b, c, d, a, x[4], 0xe7d3fbc8u, 20);
  StepG(a, b, c, d, x[9], 0x21e1cde6u, 5);
  StepG(d, a, b, c, x[14], 0xc33707d6u, 9);
  StepG(c, d, a, b, x[3], 0xf4d50d87u, 14);
  StepG(b, c, d, a, x[8], 0x455a14edu, 20);
  StepG(a, b, c, d, x[13], 0xa9e3e905u, 5);
  StepG(d, a, b, c, x[2], 0xfcefa3f8u, 9);
  StepG(c, d, a, b, x[7], 0x676f02d9u, 14);
  StepG(b, c, d, a, x[12], 0x8d2a4c8au, 20);
  StepH(a, b, c, d, x[5], 0xfffa3942u, 4);
  StepH(d, a, b, c, x[8], 0x8771f681u, 11);
  StepH(c, d, a, b, x[11], 0x6d9d6122u, 16);
  StepH(b, c, d, a, x[14], 0xfde5380cu, 23);
  StepH(a, b, c, d, x[1], 0xa4beea44u, 4);
  StepH(d, a, b, c, x[4], 0x4bdecfa9u, 11);
  StepH(c, d, a, b, x[7], 0xf6bb4b60u, 16);
  StepH(b, c, d, a, x[10], 0xbebfbc70u, 23);
  StepH(a, b, c, d, x[13], 0x289b7ec6u, 4);
  StepH(d, a, b, c, x[0], 0xeaa127fau, 11);
  StepH(c, d, a, b, x[3], 0xd4ef3085u, 16);
  StepH(b, c, d, a, x[6], 0x04881d05u, 23);
  StepH(a, b, c, d, x[9], 0xd9d4d039u, 4);
  StepH(d, a, b, c, x[12], 0xe6db99e5u, 11);
  StepH(c, d, a, b, x[15], 0x1fa27cf8u, 16);
  StepH(b, c, d, a, x[2], 0xc4ac5665u, 23);
  StepI(a, b, c, d, x[0], 0xf4292244u, 6);
  StepI(d, a, b, c, x[7], 0x432aff97u, 10);
  StepI(c, d, a, b, x[14], 0xab9423a7u, 15);
  StepI(b, c, d, a, x[5], 0xfc93a039u, 21);
  StepI(a, b, c, d, x[12], 0x655b59c3u, 6);
  StepI(d, a, b, c, x[3], 0x8f0ccc92u, 10);
  StepI(c, d, a, b, x[10], 0xffeff47du, 15);
  StepI(b, c, d, a, x[1], 0x85845dd1u, 21);
  StepI(a, b, c, d, x[8], 0x6fa87e4fu, 6);
  StepI(d, a, b, c, x[15], 0xfe2ce6e0u, 10);
  StepI(c, d, a, b, x[6], 0xa3014314u, 15);
  StepI(b, c, d, a, x[13], 0x4e0811a1u, 21);
  StepI(a, b, c, d, x[4], 0xf7537e82u, 6);
  StepI(d, a, b, c, x[11], 0xbd3af235u, 10);
  StepI(c, d, a, b, x[2], 0x2ad7d2bbu, 15);
  StepI(b, c, d, a, x[9], 0xeb86d391u, 21);
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

namespace {

// OpenSSL's MD5, fetched once; none when no provider offers it.
const EVP_MD* LibraryMd5() {
  static EVP_MD* const md = EVP_MD_fetch(nullptr, "MD5", nullptr);
  return md;
}

}  // namespace

Md5Bytes Md5Digest(const void* bytes, size_t count) {
  // Long inputs go to OpenSSL's assembly; short ones (a password, a machine
  // block) are done here without the library's set-up.
  if (count >= 1024) {
    if (const EVP_MD* md = LibraryMd5()) {
      Md5Bytes out;
      unsigned int length = 0;
      if (EVP_Digest(bytes, count, out.data(), &length, md, nullptr) == 1 && length == out.size())
        return out;
    }
  }
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
