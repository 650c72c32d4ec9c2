// Placeholder bodies; replaced by the real code.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "common/Md5.h"

void Md5Init(Md5Context& context) {  }
void Md5Update(Md5Context& context, const void* bytes, size_t count) {  }
void Md5Final(Md5Context& context) {  }
void Md5Transform(Md5Context& context, const uint8_t block[64]) {  }
Md5Bytes Md5Digest(const void* bytes, size_t count) { return {}; }
std::string Md5HexDigest(const void* bytes, size_t count) { return {}; }
std::u16string Md5HexDigestWide(const void* bytes, size_t count) { return {}; }
Md5Bytes Md5Digest(std::string_view bytes) { return {}; }
std::string Md5HexDigest(std::string_view bytes) { return {}; }
std::string Md5HexDigest(std::u16string_view text) { return {}; }
std::u16string Md5HexDigestWide(std::string_view bytes) { return {}; }
std::u16string Md5HexDigestWide(std::u16string_view text) { return {}; }
