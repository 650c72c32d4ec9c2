// Painting an image through a QPainter: clipped, scaled by whole source
// pixels (or smoothed), and blended by transparency, the alpha plane and
// palette alpha over what the device holds.  The visible part is computed
// pixel by pixel into a true-colour section and copied to the device in one
// piece, so the pixels are ours and not the paint engine's.
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>

#include "image/RasterImage.h"

namespace {

bool SameColour(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

}  // namespace

int CRasterImage::Draw(QPainter* painter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                       const RECT* clip, bool smooth) const {
  if (!dib || !painter || !painter->isActive() || painter->device() == nullptr || cx == 0 ||
      cy == 0 || !info.drawEnabled)
    return 0;
  const int64_t width = GetWidth();
  const int64_t height = GetHeight();
  if (width <= 0 || height <= 0) return 0;
  const int64_t drawWidth = cx < 0 ? width : cx;
  const int64_t drawHeight = cy < 0 ? height : cy;

  // Everything set here (transformation, clip, composition) is undone by
  // the restore at the end: the painter's clip is as it was.
  painter->save();
  painter->resetTransform();
  painter->setOpacity(1.0);
  painter->setCompositionMode(QPainter::CompositionMode_Source);
  QPaintDevice* device = painter->device();
  const QRect deviceRect(0, 0, device->width(), device->height());
  if (clip != nullptr) {
    const QRect clipRect(clip->left, clip->top, clip->right - clip->left,
                         clip->bottom - clip->top);
    painter->setClipRect(clipRect, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  }
  QRect clipBox = deviceRect;
  if (painter->hasClipping()) clipBox &= painter->clipBoundingRect().toAlignedRect();

  // The destination rectangle within the clip box, in 64 bits (x + cx may
  // pass 2^31).
  const int64_t left = std::max<int64_t>(x, clipBox.left());
  const int64_t top = std::max<int64_t>(y, clipBox.top());
  const int64_t right = std::min<int64_t>(int64_t{x} + drawWidth, int64_t{clipBox.right()} + 1);
  const int64_t bottom =
      std::min<int64_t>(int64_t{y} + drawHeight, int64_t{clipBox.bottom()} + 1);
  if (left >= right || top >= bottom) {
    painter->restore();
    return 1;
  }
  const QRect visible(static_cast<int>(left), static_cast<int>(top),
                      static_cast<int>(right - left), static_cast<int>(bottom - top));

  const bool sameSize = drawWidth == width && drawHeight == height;
  const bool indexed = header.biClrUsed != 0;
  const bool blended = IsTransparent() || alpha != nullptr || info.paletteAlphaEnabled;
  const float fx = static_cast<float>(width) / static_cast<float>(drawWidth);
  const float fy = static_cast<float>(height) / static_cast<float>(drawHeight);

  QImage section;
  if (blended) {
    // What the device shows under the visible area.
    const QImage* under = device->devType() == QInternal::Image ? static_cast<QImage*>(device)
                                                               : nullptr;
    if (under != nullptr) {
      section = under->copy(visible).convertToFormat(QImage::Format_RGB32);
    } else {
      section = QImage(visible.size(), QImage::Format_RGB32);
      section.fill(Qt::white);
    }
  } else {
    section = QImage(visible.size(), QImage::Format_RGB32);
  }
  if (section.isNull()) {
    painter->restore();
    return 0;
  }

  const RGBQUAD transparent = GetTransparentColor();
  for (int64_t d = top; d < bottom; ++d) {
    // The displayed row d takes the stored row (rows are stored bottom up).
    const float rowPoint = static_cast<float>(height) - static_cast<float>(d + 1 - y) * fy;
    const int64_t sy = std::clamp<int64_t>(static_cast<int64_t>(std::floor(rowPoint)), 0,
                                           height - 1);
    auto* line = reinterpret_cast<QRgb*>(section.scanLine(static_cast<int>(d - top)));
    for (int64_t c = left; c < right; ++c) {
      const float columnPoint = static_cast<float>(c - x) * fx;
      const int64_t sx = std::clamp<int64_t>(static_cast<int64_t>(std::floor(columnPoint)), 0,
                                             width - 1);
      RGBQUAD colour = StoredColor(sx, sy);
      const RGBQUAD stored = colour;
      if (smooth && !sameSize)
        colour = SamplePixelColor(columnPoint - 0.5, rowPoint - 0.5, SampleBilinear, EdgeRepeat);
      QRgb& out = line[c - left];
      if (!blended) {
        out = qRgb(colour.rgbRed, colour.rgbGreen, colour.rgbBlue);
        continue;
      }
      uint32_t a = alpha ? alpha[static_cast<size_t>(sy) * width + sx] : 255;
      a = (a * (info.alphaMax + 1u)) >> 8;
      uint8_t index = 0;
      if (indexed) {
        index = GetPixelIndexUnchecked(sx, sy);
        if (info.paletteAlphaEnabled) a = (a * (GetPaletteColor(index).rgbReserved + 1u)) >> 8;
      }
      if (a == 0) continue;
      if (IsTransparent()) {
        if (indexed ? index == static_cast<uint32_t>(info.transparentIndex)
                    : SameColour(stored, transparent))
          continue;
      }
      if (a >= 255) {
        out = qRgb(colour.rgbRed, colour.rgbGreen, colour.rgbBlue);
        continue;
      }
      const uint32_t keep = 255 - a;
      out = qRgb(static_cast<int>((colour.rgbRed * a + qRed(out) * keep) >> 8),
                 static_cast<int>((colour.rgbGreen * a + qGreen(out) * keep) >> 8),
                 static_cast<int>((colour.rgbBlue * a + qBlue(out) * keep) >> 8));
    }
  }
  painter->drawImage(visible.topLeft(), section);
  painter->restore();
  return 1;
}
