// brantle-image FILE [OUT]
// Decodes a picture through the image library's format detection and shows
// its format number, size, bits per pixel and frame count, or the library's
// error text.  With OUT it writes the decoded picture there: as JPEG (quality
// 90) when OUT ends in ".jpg", else as BMP.

#include <cctype>
#include <cstdio>
#include <string>

#include "image/ImageStream.h"
#include "image/RasterImage.h"

namespace {

bool EndsWithJpg(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (auto& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".jpg";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s FILE [OUT]\n", argv[0]);
    return 2;
  }
  CRasterImage picture(FormatUnknown);
  if (!picture.Load(argv[1], FormatUnknown)) {
    std::printf("error: %s\n", picture.GetLastError());
    return 1;
  }
  std::printf("format: %u\n", picture.GetType());
  std::printf("size: %u x %u\n", picture.GetWidth(), picture.GetHeight());
  std::printf("bits per pixel: %u\n", picture.GetBpp());
  std::printf("frames: %d\n", picture.GetFrameCount());
  if (argc < 3) return 0;

  const uint32_t type = EndsWithJpg(argv[2]) ? FormatJpeg : FormatBmp;
  CImageFileStream out;
  if (!out.Open(argv[2], "wb")) {
    std::printf("error: %s cannot be written\n", argv[2]);
    return 3;
  }
  picture.SetJpegQuality(90);
  if (!picture.Encode(&out, type) || !out.Close()) {
    std::printf("error: %s\n", picture.GetLastError());
    return 3;
  }
  std::printf("written: %s\n", argv[2]);
  return 0;
}
