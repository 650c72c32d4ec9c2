#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <cctype>
#include <random>
#include <string>

#include "common/Md5.h"

namespace {

std::string OpenSslMd5Hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &len, EVP_md5(), nullptr);
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned i = 0; i < len; ++i) {
    out.push_back(kHex[digest[i] >> 4]);
    out.push_back(kHex[digest[i] & 15]);
  }
  return out;
}

TEST(Md5, Rfc1321TestSuite) {
  struct Case {
    const char* text;
    const char* hex;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Md5HexDigest(std::string_view(c.text)), c.hex) << c.text;
    std::u16string wide;
    for (const char* p = c.hex; *p; ++p) wide.push_back(static_cast<char16_t>(*p));
    EXPECT_EQ(Md5HexDigestWide(std::string_view(c.text)), wide);
  }
}

TEST(Md5, PaddingBoundariesAndSplitUpdatesMatchOpenSsl) {
  std::mt19937 rng(11);
  for (size_t len : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 1023, 1024, 4097}) {
    std::string bytes(len, '\0');
    for (auto& b : bytes) b = static_cast<char>(rng());
    const std::string expected = OpenSslMd5Hex(bytes);
    EXPECT_EQ(Md5HexDigest(bytes.data(), bytes.size()), expected) << len;
    // The same bytes fed in uneven pieces.
    for (size_t step : {1, 7, 63, 64, 65}) {
      Md5Context ctx;
      Md5Init(ctx);
      for (size_t i = 0; i < len; i += step) Md5Update(ctx, bytes.data() + i, std::min(step, len - i));
      Md5Final(ctx);
      Md5Bytes raw;
      for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 4; ++k) raw[4 * w + k] = static_cast<uint8_t>(ctx.state[w] >> (8 * k));
      EXPECT_EQ(raw, Md5Digest(bytes.data(), bytes.size())) << len << "/" << step;
    }
  }
}

TEST(Md5, WideTextIsHashedAsLittleEndianBytesAndHexIsLowerCase) {
  std::u16string text = u"/opt/品牌/app";
  std::string bytes;
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  EXPECT_EQ(Md5HexDigest(text), OpenSslMd5Hex(bytes));
  std::string hex = Md5HexDigest(text);
  ASSERT_EQ(hex.size(), 32u);
  for (char c : hex) EXPECT_FALSE(std::isupper(static_cast<unsigned char>(c)));
  std::u16string wide = Md5HexDigestWide(text);
  EXPECT_EQ(std::string(wide.begin(), wide.end()), hex);
}

}  // namespace
