#pragma once
// The MD5 message digest of RFC 1321.  Inputs are byte strings with an
// explicit count: narrow texts as their GBK bytes, UTF-16 texts as their code
// units' bytes (little-endian), never with a terminator.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct Md5Context {
  uint32_t state[4];    // chaining values A, B, C, D
  uint32_t count[2];    // message length in bits, low half first
  uint8_t buffer[64];   // input not yet compressed
};

void Md5Init(Md5Context& context);
void Md5Update(Md5Context& context, const void* bytes, size_t count);
// Pads, appends the bit length and leaves the digest in context.state.
void Md5Final(Md5Context& context);
// The compression function for one 64-byte block.
void Md5Transform(Md5Context& context, const uint8_t block[64]);

using Md5Bytes = std::array<uint8_t, 16>;

Md5Bytes Md5Digest(const void* bytes, size_t count);
// 32 lower-case hexadecimal characters.
std::string Md5HexDigest(const void* bytes, size_t count);
std::u16string Md5HexDigestWide(const void* bytes, size_t count);

// Convenience forms over texts (UTF-16 text as little-endian bytes).
Md5Bytes Md5Digest(std::string_view bytes);
std::string Md5HexDigest(std::string_view bytes);
std::string Md5HexDigest(std::u16string_view text);
std::u16string Md5HexDigestWide(std::string_view bytes);
std::u16string Md5HexDigestWide(std::u16string_view text);
