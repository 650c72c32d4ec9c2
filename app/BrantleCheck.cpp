// brantle-check [text]
// Shows how the text toolkit sees a text (UTF-8 on the command line): its GBK
// bytes, its UTF-16 length, the CRC-32 and MD5 of its GBK bytes and its
// narrow-field forms.

#include <cstdio>
#include <string>

#include "common/Base64.h"
#include "common/Md5.h"
#include "common/TextCodec.h"

namespace {

constexpr size_t kFieldBytes = 64;

std::string Hex(std::string_view bytes) {
  std::string out;
  char part[4];
  for (unsigned char c : bytes) {
    std::snprintf(part, sizeof part, out.empty() ? "%02X" : " %02X", c);
    out += part;
  }
  return out;
}

// A GBK text as UTF-8 for the terminal.
std::string Shown(std::string_view gbk) { return Utf8FromWide(WideFromGbk(gbk)); }

}  // namespace

int main(int argc, char** argv) {
  const std::string utf8 = argc > 1 ? argv[1] : "北京 Café €";
  const std::u16string wide = WideFromNarrow(utf8, 65001);
  const std::string gbk = GbkFromWide(wide);
  const std::string narrowField = NarrowFieldFromWide(wide, kFieldBytes, false);
  const std::string fieldText = FieldTextFromWide(wide, kFieldBytes);

  std::printf("text:          %s\n", utf8.c_str());
  std::printf("GBK bytes:     %s\n", Hex(gbk).c_str());
  std::printf("UTF-16 length: %zu\n", wide.size());
  std::printf("CRC-32:        %08X\n", static_cast<unsigned>(Crc32(gbk)));
  std::printf("MD5:           %s\n", Md5HexDigest(std::string_view(gbk)).c_str());
  std::printf("narrow field:  %s\n", Shown(narrowField).c_str());
  std::printf("field text:    %s\n", Shown(fieldText).c_str());
  return 0;
}
