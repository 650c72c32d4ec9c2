#pragma once
// Reads a barcode picture back the way a scanner would: the BMP file image is
// opened by Qt's image reader (so it is a valid BMP file), framed in white
// and decoded by zxing-cpp, an independent decoder.

#include <ZXing/ReadBarcode.h>

#include <QImage>

#include <cstdint>
#include <cstring>
#include <string>

namespace barcodetest {

struct Decoded {
  bool opened = false;   // Qt's image reader opened the file image
  bool valid = false;    // zxing-cpp read a symbol
  int width = 0;
  int height = 0;
  std::string bytes;     // the symbol's content bytes
  ZXing::BarcodeFormat format = ZXing::BarcodeFormat::None;
};

inline Decoded Decode(const uint8_t* file, size_t size, ZXing::BarcodeFormats formats) {
  Decoded decoded;
  QImage image;
  if (!image.loadFromData(file, static_cast<int>(size), "BMP")) return decoded;
  decoded.opened = true;
  decoded.width = image.width();
  decoded.height = image.height();
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  constexpr int kMargin = 24;
  QImage framed(grey.width() + 2 * kMargin, grey.height() + 2 * kMargin, QImage::Format_Grayscale8);
  framed.fill(255);
  for (int y = 0; y < grey.height(); ++y)
    std::memcpy(framed.scanLine(y + kMargin) + kMargin, grey.constScanLine(y),
                static_cast<size_t>(grey.width()));
  ZXing::DecodeHints hints;
  hints.setFormats(formats);
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  hints.setReturnCodabarStartEnd(true);
  const ZXing::ImageView view(framed.constBits(), framed.width(), framed.height(),
                              ZXing::ImageFormat::Lum, static_cast<int>(framed.bytesPerLine()));
  const ZXing::Result result = ZXing::ReadBarcode(view, hints);
  decoded.valid = result.isValid();
  decoded.format = result.format();
  decoded.bytes.assign(result.bytes().begin(), result.bytes().end());
  return decoded;
}

// Little-endian integers of the BMP header.
inline uint32_t HeaderU32(const uint8_t* file, int offset) {
  return file[offset] | file[offset + 1] << 8 | file[offset + 2] << 16 |
         static_cast<uint32_t>(file[offset + 3]) << 24;
}

// Widths of the alternating runs of one pixel row (y from the top) of a
// 1-bit BMP file image, from pixel x on, `count` runs.
inline std::string RunWidths(const uint8_t* file, int x, int yFromTop, int count) {
  const int width = static_cast<int>(HeaderU32(file, 18));
  const int height = static_cast<int>(HeaderU32(file, 22));
  const int stride = ((width + 31) / 32) * 4;
  const uint8_t* row = file + 62 + static_cast<size_t>(height - 1 - yFromTop) * stride;
  auto pixel = [&](int at) { return (row[at >> 3] >> (7 - (at & 7))) & 1; };
  std::string widths;
  while (count-- > 0 && x < width) {
    const int colour = pixel(x);
    int run = 0;
    while (x < width && pixel(x) == colour) {
      ++x;
      ++run;
    }
    widths += static_cast<char>('0' + run);
  }
  return widths;
}

}  // namespace barcodetest
