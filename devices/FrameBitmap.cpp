#include "devices/FrameBitmap.h"

#include <QSaveFile>

#include <cstdlib>
#include <cstring>

#include "image/RasterImage.h"

bool FrameToRaster(const QImage& frame, CRasterImage& image) {
  if (frame.isNull() || frame.width() <= 0 || frame.height() <= 0) return false;
  const auto width = static_cast<uint32_t>(frame.width());
  const auto height = static_cast<uint32_t>(frame.height());
  if (!CRasterImage::FitsMemoryLimit(width, height, 24)) return false;
  const QImage bgr = frame.convertToFormat(QImage::Format_BGR888);
  if (image.Create(width, height, 24, FormatBmp) == nullptr) return false;
  // The bitmap's rows run bottom-up.
  for (uint32_t y = 0; y < height; ++y)
    std::memcpy(image.GetBits(height - 1 - y), bgr.constScanLine(static_cast<int>(y)),
                static_cast<size_t>(width) * 3);
  return true;
}

bool WriteFrameBitmap(const QImage& frame, const std::string& path) {
  CRasterImage image;
  if (!FrameToRaster(frame, image)) return false;
  uint8_t* bytes = nullptr;
  size_t size = 0;
  if (!image.Encode(bytes, size, FormatBmp)) return false;
  QSaveFile file(QString::fromStdString(path));
  bool written = file.open(QIODevice::WriteOnly) &&
                 file.write(reinterpret_cast<const char*>(bytes), static_cast<qint64>(size)) ==
                     static_cast<qint64>(size);
  std::free(bytes);
  return written && file.commit();
}
