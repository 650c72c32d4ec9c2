#include "image/MetafileCodec.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "image/BmpCodec.h"
#include "image/ByteOrder.h"
#include "image/ImageStream.h"

namespace {

using image::Le16;
using image::Le32;

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;
constexpr size_t kWmfHeaderSize = 18;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr size_t kMaxSavedStates = 1024;

// A record's parameters: every read is checked against the record's own
// bytes, and a read past them marks the record as refused.
class Params {
 public:
  Params(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Has(size_t offset, size_t bytes) const { return offset <= size_ && bytes <= size_ - offset; }
  int16_t S16(size_t offset) {
    if (!Has(offset, 2)) return Fail();
    return static_cast<int16_t>(Le16(data_ + offset));
  }
  uint16_t U16(size_t offset) {
    if (!Has(offset, 2)) return Fail();
    return Le16(data_ + offset);
  }
  int32_t S32(size_t offset) {
    if (!Has(offset, 4)) return Fail();
    return static_cast<int32_t>(Le32(data_ + offset));
  }
  uint32_t U32(size_t offset) {
    if (!Has(offset, 4)) return Fail();
    return Le32(data_ + offset);
  }
  float F32(size_t offset) {
    uint32_t bits = U32(offset);
    float value;
    std::memcpy(&value, &bits, 4);
    return std::isfinite(value) ? value : 0.0f;
  }
  // The bytes at offset, or null (and refused) when they are not all inside.
  const uint8_t* Bytes(size_t offset, size_t count) {
    if (!Has(offset, count)) {
      Fail();
      return nullptr;
    }
    return data_ + offset;
  }
  size_t Size() const { return size_; }
  bool ok = true;

 private:
  int Fail() {
    ok = false;
    return 0;
  }
  const uint8_t* data_;
  size_t size_;
};

QColor ColorRef(uint32_t value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF), static_cast<int>((value >> 16) & 0xFF));
}

struct LogFont {
  double height = 12;  // logical units; negative: the character height
  double escapement = 0;  // tenths of a degree
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  uint8_t charset = 0;
  QString face;
};

struct GdiObject {
  enum Kind { Pen, Brush, Font, Other } kind = Other;
  QPen pen;
  QBrush brush;
  LogFont font;
};

struct DcState {
  int mapMode = 1;
  QPointF windowOrg{0, 0};
  QSizeF windowExt{1, 1};
  QPointF viewportOrg{0, 0};
  QSizeF viewportExt{1, 1};
  QTransform world;
  QPen pen{QColor(0, 0, 0), 0};
  QBrush brush{QColor(255, 255, 255)};
  LogFont font;
  QColor textColor{0, 0, 0};
  QColor backColor{255, 255, 255};
  int backMode = 2;  // 1 transparent, 2 opaque
  uint32_t textAlign = 0;
  Qt::FillRule fillRule = Qt::OddEvenFill;
  QPointF position{0, 0};
  std::optional<QPainterPath> clip;  // in picture pixels
};

// Plays one metafile's records onto a picture.
class Player {
 public:
  Player(QImage& target, bool wmf) : target_(target), painter_(&target), wmf_(wmf) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    canText_ = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  }

  // A placeable metafile: its window starts as the bounding box and is
  // always shown over the whole picture.
  void StartWmf(const QRectF& box, uint32_t objectCount) {
    dc_.mapMode = 8;
    dc_.windowOrg = box.topLeft();
    dc_.windowExt = box.size();
    objects_.assign(objectCount, std::nullopt);
  }

  // An enhanced metafile: device units of the reference device, its frame
  // shown over the whole picture.
  void StartEmf(const QRectF& frameDevice, double pixelsPerMmX, double pixelsPerMmY, uint32_t handles) {
    deviceToPicture_ = QTransform();
    if (frameDevice.width() != 0 && frameDevice.height() != 0) {
      deviceToPicture_.scale(target_.width() / frameDevice.width(), target_.height() / frameDevice.height());
      deviceToPicture_.translate(-frameDevice.left(), -frameDevice.top());
    }
    pixelsPerMmX_ = pixelsPerMmX > 0 ? pixelsPerMmX : 96 / 25.4;
    pixelsPerMmY_ = pixelsPerMmY > 0 ? pixelsPerMmY : 96 / 25.4;
    objects_.assign(std::min<uint32_t>(handles, 65535), std::nullopt);
  }

  void PlayWmf(const uint8_t* data, size_t size);
  void PlayEmf(const uint8_t* data, size_t size);

 private:
  // Logical units to picture pixels.
  QTransform Mapping() const;
  void Prepare(bool fill);
  void Draw(const QPainterPath& path, bool fill, bool stroke = true);
  void DrawPolygon(const QPolygonF& polygon, bool fill);
  // A filled rectangle, rounded rectangle (corner ellipse `corner`) or
  // ellipse in its box.
  enum ShapeKind { ShapeRectangle, ShapeRounded, ShapeEllipse };
  void Shape(ShapeKind kind, const QRectF& box, QSizeF corner = {});
  void Arc(int kind, const QRectF& box, QPointF start, QPointF end);
  void Text(QPointF at, const QString& text, const std::vector<double>& advances, uint32_t options,
            const std::optional<QRectF>& rect);
  void Bitmap(const QRectF& dest, const QRectF& source, const uint8_t* dib, size_t dibSize, uint32_t bitsOffset);
  void IntersectClip(const QRectF& logical);
  void ApplyClip();
  void AddObject(GdiObject object, std::optional<uint32_t> slot);
  void Select(uint32_t index);
  void Delete(uint32_t index);
  void Save();
  void Restore(int32_t which);
  void Fill(const QPainterPath& path, const QColor& color);

  bool WmfRecord(uint16_t function, Params& p);
  bool EmfRecord(uint32_t type, Params& p);

  QImage& target_;
  QPainter painter_;
  bool wmf_;
  bool canText_;
  DcState dc_;
  std::vector<DcState> saved_;
  std::vector<std::optional<GdiObject>> objects_;
  QTransform deviceToPicture_;
  double pixelsPerMmX_ = 96 / 25.4;
  double pixelsPerMmY_ = 96 / 25.4;
  std::optional<QPainterPath> path_;  // an EMF path being recorded
};

QTransform Player::Mapping() const {
  double sx = 1, sy = 1;
  QPointF vpOrg = dc_.viewportOrg;
  if (wmf_) {
    // The window is shown over the whole picture.
    sx = dc_.windowExt.width() ? target_.width() / dc_.windowExt.width() : 1;
    sy = dc_.windowExt.height() ? target_.height() / dc_.windowExt.height() : 1;
    vpOrg = QPointF(0, 0);
  } else {
    switch (dc_.mapMode) {
      case 2: sx = pixelsPerMmX_ / 10; sy = -pixelsPerMmY_ / 10; break;        // 0.1 mm
      case 3: sx = pixelsPerMmX_ / 100; sy = -pixelsPerMmY_ / 100; break;      // 0.01 mm
      case 4: sx = pixelsPerMmX_ * 0.254; sy = -pixelsPerMmY_ * 0.254; break;  // 0.01 inch
      case 5: sx = pixelsPerMmX_ * 0.0254; sy = -pixelsPerMmY_ * 0.0254; break;
      case 6: sx = pixelsPerMmX_ * 25.4 / 1440; sy = -pixelsPerMmY_ * 25.4 / 1440; break;  // twips
      case 7:
      case 8:
        sx = dc_.windowExt.width() ? dc_.viewportExt.width() / dc_.windowExt.width() : 1;
        sy = dc_.windowExt.height() ? dc_.viewportExt.height() / dc_.windowExt.height() : 1;
        if (dc_.mapMode == 7) {
          double s = std::min(std::abs(sx), std::abs(sy));
          sx = std::copysign(s, sx);
          sy = std::copysign(s, sy);
        }
        break;
      default: break;
    }
  }
  QTransform mapping(sx, 0, 0, sy, vpOrg.x() - dc_.windowOrg.x() * sx, vpOrg.y() - dc_.windowOrg.y() * sy);
  return wmf_ ? mapping : dc_.world * mapping * deviceToPicture_;
}

void Player::ApplyClip() {
  if (dc_.clip) {
    painter_.setWorldTransform(QTransform());
    painter_.setClipPath(*dc_.clip);
  } else {
    painter_.setClipping(false);
  }
}

void Player::Prepare(bool fill) {
  ApplyClip();
  painter_.setWorldTransform(Mapping());
  painter_.setPen(dc_.pen);
  painter_.setBrush(fill ? dc_.brush : QBrush());
}

void Player::Draw(const QPainterPath& path, bool fill, bool stroke) {
  if (path_) {
    path_->addPath(path);
    return;
  }
  Prepare(fill);
  if (!stroke) painter_.setPen(Qt::NoPen);
  painter_.drawPath(path);
}

void Player::DrawPolygon(const QPolygonF& polygon, bool fill) {
  if (polygon.size() < 2) return;
  QPainterPath path;
  path.setFillRule(dc_.fillRule);
  path.addPolygon(polygon);
  if (fill) path.closeSubpath();
  Draw(path, fill);
}

void Player::Shape(ShapeKind kind, const QRectF& box, QSizeF corner) {
  const QRectF rect = box.normalized();
  QPainterPath path;
  if (kind == ShapeRectangle)
    path.addRect(rect);
  else if (kind == ShapeRounded)
    path.addRoundedRect(rect, std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
  else
    path.addEllipse(rect);
  Draw(path, true);
}

void Player::Fill(const QPainterPath& path, const QColor& color) {
  ApplyClip();
  painter_.setWorldTransform(Mapping());
  painter_.fillPath(path, color);
}

// 0 arc, 1 chord, 2 pie: counter-clockwise on the picture from the start
// radial to the end radial.
void Player::Arc(int kind, const QRectF& box, QPointF start, QPointF end) {
  const QTransform mapping = Mapping();
  const QRectF rect = mapping.mapRect(box.normalized());
  if (rect.width() <= 0 || rect.height() <= 0) return;
  const QPointF centre = rect.center();
  const QPointF s = mapping.map(start) - centre, e = mapping.map(end) - centre;
  const double a = rect.width() / 2, b = rect.height() / 2;
  auto angle = [&](QPointF d) { return std::atan2(-d.y() / b, d.x() / a) * 180 / M_PI; };
  double from = angle(s), sweep = angle(e) - from;
  while (sweep <= 0) sweep += 360;
  if (mapping.determinant() < 0) sweep -= 360;  // logical y upwards turns the direction
  QPainterPath path;
  if (kind == 2) {
    path.moveTo(centre);
    path.arcTo(rect, from, sweep);
    path.closeSubpath();
  } else {
    path.arcMoveTo(rect, from);
    path.arcTo(rect, from, sweep);
    if (kind == 1) path.closeSubpath();
  }
  if (path_) {
    path_->addPath(mapping.inverted().map(path));
    return;
  }
  ApplyClip();
  painter_.setWorldTransform(QTransform());
  QPen pen = dc_.pen;
  if (!pen.isCosmetic()) pen.setWidthF(pen.widthF() * std::sqrt(std::abs(mapping.determinant())));
  painter_.setPen(pen);
  painter_.setBrush(kind == 0 ? QBrush() : dc_.brush);
  painter_.drawPath(path);
}

void Player::Text(QPointF at, const QString& text, const std::vector<double>& advances, uint32_t options,
                  const std::optional<QRectF>& rect) {
  const QTransform mapping = Mapping();
  ApplyClip();
  if (rect && (options & 0x0002)) {  // opaque: the rectangle in the background colour
    painter_.setWorldTransform(mapping);
    painter_.fillRect(rect->normalized(), dc_.backColor);
  }
  if (rect && (options & 0x0004)) {  // clipped to the rectangle
    QPainterPath clip;
    clip.addRect(mapping.mapRect(rect->normalized()));
    if (dc_.clip) clip = clip.intersected(*dc_.clip);
    painter_.setWorldTransform(QTransform());
    painter_.setClipPath(clip);
  }
  if (text.isEmpty() || !canText_) return;
  const double scaleY = std::sqrt(mapping.m12() * mapping.m12() + mapping.m22() * mapping.m22());
  const double scaleX = std::sqrt(mapping.m11() * mapping.m11() + mapping.m21() * mapping.m21());
  QFont font(dc_.font.face.isEmpty() ? QStringLiteral("Sans") : dc_.font.face);
  double pixels = std::abs(dc_.font.height) * scaleY;
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
  font.setWeight(static_cast<QFont::Weight>(std::clamp(dc_.font.weight / 10 * 10, 100, 900)));
  font.setItalic(dc_.font.italic);
  font.setUnderline(dc_.font.underline);
  font.setStrikeOut(dc_.font.strikeOut);
  if (dc_.font.height > 0) {
    // A positive height is the cell: the character height is smaller.
    QFontMetricsF cell(font);
    if (cell.height() > 0) font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels * pixels / cell.height()))));
  }
  QFontMetricsF metrics(font);
  double width = 0;
  if (!advances.empty()) {
    for (double advance : advances) width += advance * scaleX;
  } else {
    width = metrics.horizontalAdvance(text);
  }
  const QPointF origin = mapping.map(at);
  double x = 0, y = 0;
  switch (dc_.textAlign & 6) {
    case 2: x = -width; break;
    case 6: x = -width / 2; break;
    default: break;
  }
  switch (dc_.textAlign & 24) {
    case 8: y = -metrics.descent(); break;
    case 24: break;
    default: y = metrics.ascent(); break;
  }
  QTransform placement;
  placement.translate(origin.x(), origin.y());
  if (dc_.font.escapement != 0) placement.rotate(-dc_.font.escapement / 10);
  painter_.setWorldTransform(placement);
  if (dc_.backMode == 2 && !(rect && (options & 0x0002)))
    painter_.fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()), dc_.backColor);
  painter_.setFont(font);
  painter_.setPen(dc_.textColor);
  if (advances.empty() || advances.size() < static_cast<size_t>(text.size())) {
    painter_.drawText(QPointF(x, y), text);
  } else {
    double pen = x;
    for (qsizetype i = 0; i < text.size(); ++i) {
      painter_.drawText(QPointF(pen, y), QString(text[i]));
      pen += advances[static_cast<size_t>(i)] * scaleX;
    }
  }
  if ((dc_.textAlign & 1) && scaleX > 0) dc_.position = QPointF(at.x() + width / scaleX, at.y());
}

void Player::Bitmap(const QRectF& dest, const QRectF& source, const uint8_t* dib, size_t dibSize, uint32_t bitsOffset) {
  if (!dib || dibSize < 40) return;
  // Our own BMP reader takes the header and palette, then the pixels right
  // after them.
  std::vector<uint8_t> packed(dib, dib + dibSize);
  (void)bitsOffset;
  CImageMemoryStream stream(packed.data(), packed.size());
  CBmpCodec bitmap;
  if (!bitmap.DecodeStream(&stream) || !bitmap.IsValid()) return;
  const uint32_t w = bitmap.GetWidth(), h = bitmap.GetHeight();
  QImage picture(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
  for (uint32_t y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(static_cast<int>(y)));
    for (uint32_t x = 0; x < w; ++x) {
      RGBQUAD c = bitmap.GetPixelColor(x, h - 1 - y, false);
      line[x] = qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
  }
  // The source rectangle counts its rows from the top of the picture.
  QRectF from = source.isEmpty() ? QRectF(0, 0, w, h) : source;
  QRectF to = dest;
  bool mirrorX = to.width() < 0, mirrorY = to.height() < 0;
  to = to.normalized();
  if (mirrorX || mirrorY) picture = picture.mirrored(mirrorX, mirrorY);
  ApplyClip();
  painter_.setWorldTransform(Mapping());
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter_.drawImage(to, picture, from);
}

void Player::IntersectClip(const QRectF& logical) {
  QPainterPath rect;
  rect.addRect(Mapping().mapRect(logical.normalized()));
  dc_.clip = dc_.clip ? dc_.clip->intersected(rect) : rect;
}

void Player::AddObject(GdiObject object, std::optional<uint32_t> slot) {
  if (slot) {
    if (*slot < objects_.size()) objects_[*slot] = std::move(object);
    return;
  }
  // A Windows metafile puts each new object in the first free slot.
  for (auto& entry : objects_)
    if (!entry) {
      entry = std::move(object);
      return;
    }
}

void Player::Select(uint32_t index) {
  if (!wmf_ && (index & 0x80000000u)) {
    // Stock objects.
    switch (index & 0x7FFFFFFF) {
      case 0: dc_.brush = QBrush(QColor(255, 255, 255)); break;
      case 1: dc_.brush = QBrush(QColor(192, 192, 192)); break;
      case 2: dc_.brush = QBrush(QColor(128, 128, 128)); break;
      case 3: dc_.brush = QBrush(QColor(64, 64, 64)); break;
      case 4: dc_.brush = QBrush(QColor(0, 0, 0)); break;
      case 5: dc_.brush = QBrush(); break;
      case 6: dc_.pen = QPen(QColor(255, 255, 255), 0); break;
      case 7: dc_.pen = QPen(QColor(0, 0, 0), 0); break;
      case 8: dc_.pen = QPen(Qt::NoPen); break;
      case 10: case 11: case 12: case 13: case 14: case 16: case 17: dc_.font = LogFont{}; break;
      default: break;
    }
    return;
  }
  if (index >= objects_.size() || !objects_[index]) return;
  const GdiObject& object = *objects_[index];
  switch (object.kind) {
    case GdiObject::Pen: dc_.pen = object.pen; break;
    case GdiObject::Brush: dc_.brush = object.brush; break;
    case GdiObject::Font: dc_.font = object.font; break;
    default: break;
  }
}

void Player::Delete(uint32_t index) {
  if (index < objects_.size()) objects_[index].reset();
}

void Player::Save() {
  if (saved_.size() < kMaxSavedStates) saved_.push_back(dc_);
}

void Player::Restore(int32_t which) {
  // Negative: that many states back; positive: that saved state.
  size_t keep;
  if (which < 0) {
    const size_t back = static_cast<size_t>(-static_cast<int64_t>(which));
    if (back > saved_.size()) return;
    keep = saved_.size() - back;
  } else {
    if (which == 0 || static_cast<size_t>(which) > saved_.size()) return;
    keep = static_cast<size_t>(which) - 1;
  }
  dc_ = saved_[keep];
  saved_.resize(keep);
}

QPen MakePen(uint32_t style, double width, uint32_t color) {
  if ((style & 0x0F) == 5) return QPen(Qt::NoPen);
  QPen pen(ColorRef(color));
  pen.setWidthF(width);
  pen.setCosmetic(width <= 0);
  if (width <= 0) pen.setWidthF(1);
  switch (style & 0x0F) {
    case 1: pen.setStyle(Qt::DashLine); break;
    case 2: pen.setStyle(Qt::DotLine); break;
    case 3: pen.setStyle(Qt::DashDotLine); break;
    case 4: pen.setStyle(Qt::DashDotDotLine); break;
    default: break;
  }
  switch (style & 0x0F00) {
    case 0x0100: pen.setCapStyle(Qt::SquareCap); break;
    case 0x0200: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(Qt::RoundCap); break;
  }
  switch (style & 0xF000) {
    case 0x1000: pen.setJoinStyle(Qt::BevelJoin); break;
    case 0x2000: pen.setJoinStyle(Qt::MiterJoin); break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
  }
  return pen;
}

QBrush MakeBrush(uint32_t style, uint32_t color, uint32_t hatch) {
  switch (style) {
    case 0: return QBrush(ColorRef(color));
    case 2: {
      static const Qt::BrushStyle kHatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
      return QBrush(ColorRef(color), hatch < 6 ? kHatches[hatch] : Qt::SolidPattern);
    }
    default: return QBrush();  // hollow; patterns are not drawn
  }
}

// --- Windows metafile records ---

QPointF WmfPoint(Params& p, size_t offset) { return QPointF(p.S16(offset + 2), p.S16(offset)); }

// A rectangle stored bottom, right, top, left from `offset`.
QRectF WmfRect(Params& p, size_t offset) {
  const double bottom = p.S16(offset), right = p.S16(offset + 2), top = p.S16(offset + 4), left = p.S16(offset + 6);
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF WmfPoints(Params& p, size_t offset, size_t count) {
  QPolygonF points;
  if (!p.Has(offset, count * 4)) {
    p.Bytes(offset, count * 4);
    return points;
  }
  points.reserve(static_cast<qsizetype>(count));
  for (size_t i = 0; i < count; ++i) points << QPointF(p.S16(offset + 4 * i), p.S16(offset + 4 * i + 2));
  return points;
}

QString EightBitText(const uint8_t* bytes, size_t count) {
  return QString::fromLatin1(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count));
}

void Player::PlayWmf(const uint8_t* data, size_t size) {
  size_t offset = 0;
  while (offset + 6 <= size) {
    const uint64_t words = Le32(data + offset);
    const uint16_t function = Le16(data + offset + 4);
    if (words < 3 || words * 2 > size - offset) break;
    if (function == 0) break;
    Params p(data + offset + 6, static_cast<size_t>(words * 2 - 6));
    WmfRecord(function, p);
    offset += static_cast<size_t>(words * 2);
  }
}

bool Player::WmfRecord(uint16_t function, Params& p) {
  switch (function) {
    case 0x020B: dc_.windowOrg = WmfPoint(p, 0); break;
    case 0x020C: if (p.S16(0) && p.S16(2)) dc_.windowExt = QSizeF(p.S16(2), p.S16(0)); break;
    case 0x020F: dc_.windowOrg += WmfPoint(p, 0); break;  // OffsetWindowOrg
    case 0x0103: dc_.mapMode = p.U16(0); break;
    case 0x0201: dc_.backColor = ColorRef(p.U32(0)); break;
    case 0x0102: dc_.backMode = p.U16(0); break;
    case 0x0209: dc_.textColor = ColorRef(p.U32(0)); break;
    case 0x012E: dc_.textAlign = p.U16(0); break;
    case 0x0106: dc_.fillRule = p.U16(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill; break;
    case 0x0214: dc_.position = WmfPoint(p, 0); break;
    case 0x0213: {
      const QPointF to = WmfPoint(p, 0);
      if (!p.ok) break;
      DrawPolygon(QPolygonF({dc_.position, to}), false);
      dc_.position = to;
      break;
    }
    case 0x0325:
    case 0x0324: {
      const QPolygonF points = WmfPoints(p, 2, p.U16(0));
      if (p.ok) DrawPolygon(points, function == 0x0324);
      break;
    }
    case 0x0538: {
      const size_t polygons = p.U16(0);
      size_t total = 0;
      std::vector<size_t> counts;
      for (size_t i = 0; i < polygons && p.ok; ++i) {
        counts.push_back(p.U16(2 + 2 * i));
        total += counts.back();
      }
      const QPolygonF points = WmfPoints(p, 2 + 2 * polygons, total);
      if (!p.ok) break;
      QPainterPath path;
      path.setFillRule(dc_.fillRule);
      qsizetype at = 0;
      for (size_t count : counts) {
        QPolygonF polygon = points.mid(at, static_cast<qsizetype>(count));
        at += static_cast<qsizetype>(count);
        if (polygon.size() < 2) continue;
        path.addPolygon(polygon);
        path.closeSubpath();
      }
      Draw(path, true);
      break;
    }
    case 0x041B:
    case 0x0418: {
      const QRectF rect = WmfRect(p, 0);
      if (p.ok) Shape(function == 0x041B ? ShapeRectangle : ShapeEllipse, rect);
      break;
    }
    case 0x061C: {
      const QSizeF corner(p.S16(2), p.S16(0));
      const QRectF rect = WmfRect(p, 4);
      if (p.ok) Shape(ShapeRounded, rect, corner);
      break;
    }
    case 0x0817:
    case 0x0830:
    case 0x081A: {
      const QPointF end = WmfPoint(p, 0), start = WmfPoint(p, 4);
      const QRectF box = WmfRect(p, 8);
      if (p.ok) Arc(function == 0x0817 ? 0 : function == 0x0830 ? 1 : 2, box, start, end);
      break;
    }
    case 0x0521: {
      const size_t count = p.U16(0);
      const uint8_t* bytes = p.Bytes(2, count);
      const size_t after = 2 + (count + 1) / 2 * 2;
      const QPointF at = WmfPoint(p, after);
      if (p.ok) Text(at, EightBitText(bytes, count), {}, 0, std::nullopt);
      break;
    }
    case 0x0A32: {
      const QPointF at = WmfPoint(p, 0);
      const size_t count = p.U16(4);
      const uint16_t options = p.U16(6);
      size_t offset = 8;
      std::optional<QRectF> rect;
      if (options & 0x0006) {
        const double left = p.S16(8), top = p.S16(10), right = p.S16(12), bottom = p.S16(14);
        rect = QRectF(QPointF(left, top), QPointF(right, bottom));
        offset = 16;
      }
      const uint8_t* bytes = p.Bytes(offset, count);
      if (!p.ok) break;
      std::vector<double> advances;
      const size_t dxAt = offset + (count + 1) / 2 * 2;
      if (p.Has(dxAt, count * 2))
        for (size_t i = 0; i < count; ++i) advances.push_back(p.S16(dxAt + 2 * i));
      Text(at, EightBitText(bytes, count), advances, options, rect);
      break;
    }
    case 0x0B41:   // DibStretchBlt
    case 0x0F43:   // StretchDIBits
    case 0x0940: { // DibBitBlt
      // rop (32 bits), [usage for StretchDIBits], source height and width
      // (stretches only), source y, x, destination height, width, y, x, DIB.
      size_t at = function == 0x0F43 ? 6 : 4;
      double srcH = 0, srcW = 0, srcY, srcX, h, w, y, x;
      if (function == 0x0940) {
        srcY = p.S16(at);
        srcX = p.S16(at + 2);
        h = p.S16(at + 4);
        w = p.S16(at + 6);
        y = p.S16(at + 8);
        x = p.S16(at + 10);
        srcH = h;
        srcW = w;
        at += 12;
      } else {
        srcH = p.S16(at);
        srcW = p.S16(at + 2);
        srcY = p.S16(at + 4);
        srcX = p.S16(at + 6);
        h = p.S16(at + 8);
        w = p.S16(at + 10);
        y = p.S16(at + 12);
        x = p.S16(at + 14);
        at += 16;
      }
      if (!p.ok || at >= p.Size()) break;
      Bitmap(QRectF(x, y, w, h), QRectF(srcX, srcY, srcW, srcH), p.Bytes(at, p.Size() - at), p.Size() - at, 0);
      break;
    }
    case 0x001E: Save(); break;
    case 0x0127: Restore(p.S16(0)); break;
    case 0x0416: {
      const QRectF rect = WmfRect(p, 0);
      if (p.ok) IntersectClip(rect);
      break;
    }
    case 0x02FA: {  // CreatePenIndirect: style, width (x, y), colour
      GdiObject pen{GdiObject::Pen};
      pen.pen = MakePen(p.U16(0), p.S16(2), p.U32(6));
      if (p.ok) AddObject(pen, std::nullopt);
      else AddObject(GdiObject{}, std::nullopt);
      break;
    }
    case 0x02FC: {
      GdiObject brush{GdiObject::Brush};
      brush.brush = MakeBrush(p.U16(0), p.U32(2), p.U16(6));
      if (!p.ok) brush = GdiObject{};
      AddObject(brush, std::nullopt);
      break;
    }
    case 0x02FB: {
      GdiObject font{GdiObject::Font};
      font.font.height = p.S16(0);
      font.font.escapement = p.S16(4);
      font.font.weight = p.S16(8);
      const uint8_t* flags = p.Bytes(10, 4);
      if (flags) {
        font.font.italic = flags[0];
        font.font.underline = flags[1];
        font.font.strikeOut = flags[2];
        font.font.charset = flags[3];
      }
      if (p.Has(18, 1)) {
        const size_t length = std::min<size_t>(32, p.Size() - 18);
        const uint8_t* face = p.Bytes(18, length);
        size_t n = 0;
        while (face && n < length && face[n]) ++n;
        if (face) font.font.face = EightBitText(face, n);
      }
      if (!p.ok) font = GdiObject{};
      AddObject(font, std::nullopt);
      break;
    }
    case 0x00F7:  // CreatePalette
    case 0x0142:  // DibCreatePatternBrush
    case 0x01F9:  // CreatePatternBrush
    case 0x06FF:  // CreateRegion
      AddObject(GdiObject{}, std::nullopt);
      break;
    case 0x012D: Select(p.U16(0)); break;
    case 0x01F0: Delete(p.U16(0)); break;
    default: break;
  }
  return p.ok;
}

// --- enhanced metafile records ---

QRectF EmfRect(Params& p, size_t offset) {
  const double left = p.S32(offset), top = p.S32(offset + 4), right = p.S32(offset + 8), bottom = p.S32(offset + 12);
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPointF EmfPoint(Params& p, size_t offset) { return QPointF(p.S32(offset), p.S32(offset + 4)); }

// `count` points of 16 bits (small) or 32 bits each.
QPolygonF EmfPoints(Params& p, size_t offset, uint64_t count, bool small) {
  QPolygonF points;
  const uint64_t bytes = count * (small ? 4 : 8);
  if (count > p.Size() || !p.Has(offset, static_cast<size_t>(bytes))) {
    p.Bytes(p.Size(), 1);
    return points;
  }
  points.reserve(static_cast<qsizetype>(count));
  for (size_t i = 0; i < count; ++i) {
    if (small)
      points << QPointF(p.S16(offset + 4 * i), p.S16(offset + 4 * i + 2));
    else
      points << QPointF(p.S32(offset + 8 * i), p.S32(offset + 8 * i + 4));
  }
  return points;
}

void Player::PlayEmf(const uint8_t* data, size_t size) {
  size_t offset = 0;
  while (offset + 8 <= size) {
    const uint32_t type = Le32(data + offset);
    const uint32_t bytes = Le32(data + offset + 4);
    if (bytes < 8 || bytes > size - offset) break;
    if (type == 14) break;  // end of file
    Params p(data + offset + 8, bytes - 8);
    EmfRecord(type, p);
    offset += bytes;
  }
}

bool Player::EmfRecord(uint32_t type, Params& p) {
  switch (type) {
    case 9: if (p.S32(0) && p.S32(4)) dc_.windowExt = QSizeF(p.S32(0), p.S32(4)); break;
    case 10: dc_.windowOrg = EmfPoint(p, 0); break;
    case 11: if (p.S32(0) && p.S32(4)) dc_.viewportExt = QSizeF(p.S32(0), p.S32(4)); break;
    case 12: dc_.viewportOrg = EmfPoint(p, 0); break;
    case 17: dc_.mapMode = static_cast<int>(p.U32(0)); break;
    case 18: dc_.backMode = static_cast<int>(p.U32(0)); break;
    case 19: dc_.fillRule = p.U32(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill; break;
    case 22: dc_.textAlign = p.U32(0); break;
    case 24: dc_.textColor = ColorRef(p.U32(0)); break;
    case 25: dc_.backColor = ColorRef(p.U32(0)); break;
    case 27: dc_.position = EmfPoint(p, 0); if (path_) path_->moveTo(dc_.position); break;
    case 54: {
      const QPointF to = EmfPoint(p, 0);
      if (!p.ok) break;
      if (path_) path_->lineTo(to);
      else DrawPolygon(QPolygonF({dc_.position, to}), false);
      dc_.position = to;
      break;
    }
    case 33: Save(); break;
    case 34: Restore(p.S32(0)); break;
    case 35:
    case 36: {
      const QTransform given(p.F32(0), p.F32(4), p.F32(8), p.F32(12), p.F32(16), p.F32(20));
      if (!p.ok) break;
      const uint32_t mode = type == 35 ? 4 : p.U32(24);
      if (!p.ok) break;
      if (mode == 1) dc_.world = QTransform();
      else if (mode == 2) dc_.world = given * dc_.world;
      else if (mode == 3) dc_.world = dc_.world * given;
      else if (mode == 4) dc_.world = given;
      break;
    }
    case 37: Select(p.U32(0)); break;
    case 40: Delete(p.U32(0)); break;
    case 38: {  // CreatePen: slot, style, width (x, y), colour
      GdiObject pen{GdiObject::Pen};
      pen.pen = MakePen(p.U32(4), p.S32(8), p.U32(16));
      if (p.ok) AddObject(pen, p.U32(0));
      break;
    }
    case 95: {  // ExtCreatePen: slot, four bitmap fields, style, width, brush style, colour
      GdiObject pen{GdiObject::Pen};
      pen.pen = MakePen(p.U32(20), p.U32(24), p.U32(32));
      if (p.ok) AddObject(pen, p.U32(0));
      break;
    }
    case 39: {
      GdiObject brush{GdiObject::Brush};
      brush.brush = MakeBrush(p.U32(4), p.U32(8), p.U32(12));
      if (p.ok) AddObject(brush, p.U32(0));
      break;
    }
    case 82: {  // ExtCreateFontIndirectW: slot, LOGFONTW
      GdiObject font{GdiObject::Font};
      font.font.height = p.S32(4);
      font.font.escapement = p.S32(12);
      font.font.weight = p.S32(20);
      const uint8_t* flags = p.Bytes(24, 4);
      const uint8_t* face = p.Bytes(32, 64);
      if (!p.ok) break;
      font.font.italic = flags[0];
      font.font.underline = flags[1];
      font.font.strikeOut = flags[2];
      font.font.charset = flags[3];
      size_t n = 0;
      while (n < 32 && Le16(face + 2 * n)) ++n;
      std::u16string name(n, u'\0');
      for (size_t i = 0; i < n; ++i) name[i] = static_cast<char16_t>(Le16(face + 2 * i));
      font.font.face = QString::fromStdU16String(name);
      AddObject(font, p.U32(0));
      break;
    }
    case 42:
    case 43:
    case 44: {
      const QRectF rect = EmfRect(p, 0);
      const QSizeF corner = type == 44 ? QSizeF(p.S32(16), p.S32(20)) : QSizeF();
      if (p.ok) Shape(type == 42 ? ShapeEllipse : type == 43 ? ShapeRectangle : ShapeRounded, rect, corner);
      break;
    }
    case 45:
    case 46:
    case 47: {
      const QRectF box = EmfRect(p, 0);
      const QPointF start = EmfPoint(p, 16), end = EmfPoint(p, 24);
      if (p.ok) Arc(type == 45 ? 0 : type == 46 ? 1 : 2, box, start, end);
      break;
    }
    // Polygons and polylines: bounds, count, points (16 or 32 bits).
    case 3: case 4: case 86: case 87: {
      const bool small = type >= 86;
      const QPolygonF points = EmfPoints(p, 20, p.U32(16), small);
      if (!p.ok) break;
      const bool polygon = type == 3 || type == 86;
      if (path_) {
        QPolygonF copy = points;
        if (!copy.isEmpty()) {
          path_->moveTo(copy.front());
          for (const QPointF& q : copy) path_->lineTo(q);
          if (polygon) path_->closeSubpath();
        }
        break;
      }
      DrawPolygon(points, polygon);
      break;
    }
    case 2: case 5: case 6: case 85: case 88: case 89: {
      // Bezier curves (2 and 85 from their first point, 5 and 88 from the
      // current position) and PolylineTo (6 and 89); 16-bit points from 85.
      const bool small = type >= 85;
      const QPolygonF points = EmfPoints(p, 20, p.U32(16), small);
      if (!p.ok) break;
      QPainterPath path;
      const bool to = type == 5 || type == 6 || type == 88 || type == 89;
      const bool bezier = type != 6 && type != 89;
      qsizetype i = 0;
      path.moveTo(to ? dc_.position : (points.isEmpty() ? QPointF() : points[i++]));
      if (path_) {
        if (to) path = QPainterPath(path_->currentPosition());
      }
      while (i < points.size()) {
        if (bezier && i + 2 < points.size()) {
          path.cubicTo(points[i], points[i + 1], points[i + 2]);
          i += 3;
        } else if (bezier) {
          break;
        } else {
          path.lineTo(points[i++]);
        }
      }
      dc_.position = path.currentPosition();
      if (path_) {
        path_->connectPath(path);
        break;
      }
      Draw(path, false);
      break;
    }
    case 7: case 8: case 90: case 91: {
      // PolyPolyline (7, and 90 with 16 bits) and PolyPolygon (8 and 91):
      // bounds, number of polygons, total points, counts, points.
      const bool small = type == 90 || type == 91;
      const bool closed = type == 8 || type == 91;
      const uint32_t polygons = p.U32(16);
      const uint32_t total = p.U32(20);
      if (!p.ok || polygons > p.Size() / 4) {
        p.Bytes(p.Size(), 1);
        break;
      }
      std::vector<uint32_t> counts;
      uint64_t sum = 0;
      for (uint32_t i = 0; i < polygons && p.ok; ++i) {
        counts.push_back(p.U32(24 + 4 * static_cast<size_t>(i)));
        sum += counts.back();
      }
      if (!p.ok || sum != total) {
        p.Bytes(p.Size(), 1);
        break;
      }
      const QPolygonF points = EmfPoints(p, 24 + 4 * static_cast<size_t>(polygons), total, small);
      if (!p.ok) break;
      QPainterPath path;
      path.setFillRule(dc_.fillRule);
      qsizetype at = 0;
      for (uint32_t count : counts) {
        QPolygonF polygon = points.mid(at, count);
        at += count;
        if (polygon.size() < 2) continue;
        path.addPolygon(polygon);
        if (closed) path.closeSubpath();
      }
      if (path_) path_->addPath(path);
      else Draw(path, closed);
      break;
    }
    case 59: path_ = QPainterPath(); path_->setFillRule(dc_.fillRule); break;
    case 60: break;  // the path stays until it is drawn
    case 61: if (path_) path_->closeSubpath(); break;
    case 62:
    case 63:
    case 64: {
      if (!path_) break;
      QPainterPath path = *path_;
      path_.reset();
      path.setFillRule(dc_.fillRule);
      Draw(path, type != 64, type != 62);
      break;
    }
    case 68: path_.reset(); break;  // AbortPath
    case 30: {
      const QRectF rect = EmfRect(p, 0);
      if (p.ok) IntersectClip(rect);
      break;
    }
    case 75: {  // ExtSelectClipRgn: data size, mode, region (device units)
      const uint32_t dataSize = p.U32(0), mode = p.U32(4);
      if (!p.ok) break;
      if (mode == 5 && dataSize == 0) {
        dc_.clip.reset();
        break;
      }
      const uint8_t* header = p.Bytes(8, 32);
      if (!header || dataSize < 32) break;
      const uint32_t rects = Le32(header + 8);
      const uint8_t* list = p.Bytes(40, static_cast<size_t>(std::min<uint64_t>(rects, p.Size())) * 16);
      if (!list || static_cast<uint64_t>(rects) * 16 > dataSize - 32) break;
      QPainterPath region;
      for (uint32_t i = 0; i < rects; ++i) {
        const uint8_t* r = list + 16 * static_cast<size_t>(i);
        QRectF rect(QPointF(static_cast<int32_t>(Le32(r)), static_cast<int32_t>(Le32(r + 4))),
                    QPointF(static_cast<int32_t>(Le32(r + 8)), static_cast<int32_t>(Le32(r + 12))));
        region.addRect(deviceToPicture_.mapRect(rect.normalized()));
      }
      region = region.simplified();
      if (mode == 5 || !dc_.clip) dc_.clip = region;
      else if (mode == 1) dc_.clip = dc_.clip->intersected(region);
      else if (mode == 2) dc_.clip = dc_.clip->united(region);
      else if (mode == 4) dc_.clip = dc_.clip->subtracted(region);
      break;
    }
    case 84:
    case 83: {
      // ExtTextOutW / A: bounds, graphics mode, x and y scale, then the
      // text: reference point, count, string offset, options, rectangle,
      // advances offset (offsets from the record's start).
      const QPointF at = EmfPoint(p, 28);
      const uint32_t count = p.U32(36), stringAt = p.U32(40), options = p.U32(44);
      const QRectF rect = EmfRect(p, 48);
      const uint32_t dxAt = p.U32(64);
      if (!p.ok || stringAt < 8 || count > p.Size()) {
        p.Bytes(p.Size(), 1);
        break;
      }
      const size_t charBytes = type == 84 ? 2 : 1;
      const uint8_t* chars = p.Bytes(stringAt - 8, count * charBytes);
      if (!chars) break;
      QString text;
      if (type == 84) {
        std::u16string units(count, u'\0');
        for (size_t i = 0; i < count; ++i) units[i] = static_cast<char16_t>(Le16(chars + 2 * i));
        text = QString::fromStdU16String(units);
      } else {
        text = EightBitText(chars, count);
      }
      std::vector<double> advances;
      if (dxAt >= 8 && p.Has(dxAt - 8, static_cast<size_t>(count) * 4))
        for (size_t i = 0; i < count; ++i) advances.push_back(p.S32(dxAt - 8 + 4 * i));
      std::optional<QRectF> box;
      if (options & 0x0006) box = rect;
      Text(at, text, advances, options, box);
      break;
    }
    case 81: {
      // StretchDIBits: bounds, x, y, source x, y, width, height, header
      // offset and size, bits offset and size, usage, rop, width, height.
      const double x = p.S32(16), y = p.S32(20), srcX = p.S32(24), srcY = p.S32(28);
      const double srcW = p.S32(32), srcH = p.S32(36);
      const uint32_t headerAt = p.U32(40), headerSize = p.U32(44), bitsAt = p.U32(48), bitsSize = p.U32(52);
      const double w = p.S32(64), h = p.S32(68);
      if (!p.ok || headerAt < 8 || bitsAt < 8) break;
      const uint8_t* header = p.Bytes(headerAt - 8, headerSize);
      const uint8_t* bits = p.Bytes(bitsAt - 8, bitsSize);
      if (!header || !bits) break;
      std::vector<uint8_t> dib(header, header + headerSize);
      dib.insert(dib.end(), bits, bits + bitsSize);
      Bitmap(QRectF(x, y, w, h), QRectF(srcX, srcY, srcW, srcH), dib.data(), dib.size(), 0);
      break;
    }
    case 76:
    case 77: {
      // BitBlt / StretchBlt: bounds, x, y, width, height, rop, source x, y,
      // source transform (24 bytes), background colour, usage, header
      // offset and size, bits offset and size, [source width, height].
      const double x = p.S32(16), y = p.S32(20), w = p.S32(24), h = p.S32(28);
      const double srcX = p.S32(36), srcY = p.S32(40);
      const uint32_t headerAt = p.U32(76), headerSize = p.U32(80), bitsAt = p.U32(84), bitsSize = p.U32(88);
      if (!p.ok) break;
      const double srcW = type == 77 ? p.S32(92) : w, srcH = type == 77 ? p.S32(96) : h;
      if (!p.ok) break;
      if (headerSize == 0 || headerAt < 8 || bitsAt < 8) {
        // A pattern fill without a bitmap: the brush.
        QPainterPath path;
        path.addRect(QRectF(x, y, w, h).normalized());
        Draw(path, true, false);
        break;
      }
      const uint8_t* header = p.Bytes(headerAt - 8, headerSize);
      const uint8_t* bits = p.Bytes(bitsAt - 8, bitsSize);
      if (!header || !bits) break;
      std::vector<uint8_t> dib(header, header + headerSize);
      dib.insert(dib.end(), bits, bits + bitsSize);
      Bitmap(QRectF(x, y, w, h), QRectF(srcX, srcY, srcW, srcH), dib.data(), dib.size(), 0);
      break;
    }
    default: break;
  }
  return p.ok;
}

}  // namespace

void CMetafileCodec::LimitSize(uint64_t& width, uint64_t& height, uint32_t maxWidth, uint32_t maxHeight) {
  if (maxWidth) width = maxWidth;
  if (maxHeight) height = maxHeight;
  if (width > kMaxSide) {
    height = height * kMaxSide / width;
    width = kMaxSide;
  }
  if (height > kMaxSide) {
    width = width * kMaxSide / height;
    height = kMaxSide;
  }
}

bool CMetafileCodec::DecodeStream(CImageStream* stream, uint32_t maxWidth, uint32_t maxHeight) {
  if (!stream) return false;
  const int64_t start = stream->Tell();
  const int64_t total = stream->Size();
  const uint64_t available = total > start ? static_cast<uint64_t>(total - start) : 0;
  std::vector<uint8_t> records;
  bool placeable = false;
  int64_t width = 0, height = 0;
  QRectF box;
  uint32_t objectCount = 0;
  uint8_t head[kPlaceableSize + kWmfHeaderSize];
  if (stream->Read(head, 1, sizeof head) == sizeof head && Le32(head) == kPlaceableKey) {
    uint16_t sum = 0;
    for (size_t i = 0; i < 10; ++i) sum ^= Le16(head + 2 * i);
    const uint16_t unitsPerInch = Le16(head + 14);
    const uint16_t type = Le16(head + kPlaceableSize);
    const uint64_t words = Le32(head + kPlaceableSize + 6);
    if (sum == Le16(head + 20) && unitsPerInch >= 1 && unitsPerInch <= 2540 && (type == 1 || type == 2) &&
        words * 2 >= kWmfHeaderSize && available >= kPlaceableSize + words * 2) {
      const int16_t left = static_cast<int16_t>(Le16(head + 6)), top = static_cast<int16_t>(Le16(head + 8));
      const int16_t right = static_cast<int16_t>(Le16(head + 10)), bottom = static_cast<int16_t>(Le16(head + 12));
      box = QRectF(QPointF(left, top), QPointF(right, bottom));
      width = (static_cast<int64_t>(right) - left) * kDisplayDpi / unitsPerInch;
      height = (static_cast<int64_t>(bottom) - top) * kDisplayDpi / unitsPerInch;
      objectCount = Le16(head + kPlaceableSize + 10);
      records.resize(static_cast<size_t>(words * 2));
      stream->Seek(start + static_cast<int64_t>(kPlaceableSize), 0);
      placeable = stream->Read(records.data(), 1, records.size()) == records.size();
    }
  }
  // Otherwise an enhanced metafile: its header record and its bounds.
  QRectF frameDevice;
  double pixelsPerMmX = 0, pixelsPerMmY = 0;
  uint32_t handles = 0;
  if (!placeable) {
    stream->Seek(start, 0);
    uint8_t emf[88];
    bool ok = available >= sizeof emf && available <= CImageMemoryStream::kMaxCapacity &&
              stream->Read(emf, 1, sizeof emf) == sizeof emf && Le32(emf) == 1 && Le32(emf + 4) >= 88 &&
              Le32(emf + 40) == kEmfSignature;
    if (!ok) {
      SetError("corrupted WMF");
      return false;
    }
    auto s32 = [&](size_t at) { return static_cast<int64_t>(static_cast<int32_t>(Le32(emf + at))); };
    width = s32(16) - s32(8);
    height = s32(20) - s32(12);
    handles = Le16(emf + 56);
    const int64_t devW = s32(72), devH = s32(76), mmW = s32(80), mmH = s32(84);
    if (devW > 0 && devH > 0 && mmW > 0 && mmH > 0) {
      pixelsPerMmX = static_cast<double>(devW) / static_cast<double>(mmW);
      pixelsPerMmY = static_cast<double>(devH) / static_cast<double>(mmH);
      // The frame in hundredths of a millimetre, in device units.
      frameDevice = QRectF(QPointF(s32(24) * pixelsPerMmX / 100, s32(28) * pixelsPerMmY / 100),
                           QPointF(s32(32) * pixelsPerMmX / 100, s32(36) * pixelsPerMmY / 100));
    }
    if (frameDevice.width() <= 0 || frameDevice.height() <= 0)
      frameDevice = QRectF(QPointF(s32(8), s32(12)), QPointF(s32(16) + 1, s32(20) + 1));
    // The header's own length of the file, when the stream holds it.
    const uint64_t declared = Le32(emf + 48);
    records.resize(static_cast<size_t>(declared >= 88 && declared < available ? declared : available));
    stream->Seek(start, 0);
    if (stream->Read(records.data(), 1, records.size()) != records.size()) {
      SetError("corrupted WMF");
      return false;
    }
  }
  if (info.escape) {
    SetError("Cancelled");
    return false;
  }
  if (width <= 0 || height <= 0) {
    SetError("empty WMF");
    return false;
  }
  uint64_t w = static_cast<uint64_t>(width), h = static_cast<uint64_t>(height);
  LimitSize(w, h, maxWidth, maxHeight);
  w = std::max<uint64_t>(w, 1);
  h = std::max<uint64_t>(h, 1);

  QImage picture(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
  if (picture.isNull()) {
    SetError("Cancelled");
    return false;
  }
  picture.fill(Qt::white);
  {
    Player player(picture, placeable);
    if (placeable) {
      player.StartWmf(box, objectCount);
      const size_t headerBytes = std::max<size_t>(kWmfHeaderSize, static_cast<size_t>(Le16(records.data() + 2)) * 2);
      if (headerBytes < records.size()) player.PlayWmf(records.data() + headerBytes, records.size() - headerBytes);
    } else {
      player.StartEmf(frameDevice, pixelsPerMmX, pixelsPerMmY, handles);
      const size_t headerBytes = Le32(records.data() + 4);
      if (headerBytes < records.size()) player.PlayEmf(records.data() + headerBytes, records.size() - headerBytes);
    }
  }
  if (info.escape) {
    SetError("Cancelled");
    return false;
  }
  if (!Create(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 24, FormatMetafile)) return false;
  for (uint32_t y = 0; y < h; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(static_cast<int>(y)));
    uint8_t* row = GetBits(static_cast<uint32_t>(h) - 1 - y);
    for (uint32_t x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>(qBlue(line[x]));
      row[3 * x + 1] = static_cast<uint8_t>(qGreen(line[x]));
      row[3 * x + 2] = static_cast<uint8_t>(qRed(line[x]));
    }
  }
  return true;
}

bool CMetafileCodec::EncodeStream(CImageStream* stream) {
  if (CheckEncodable(stream)) return false;
  SetError("Save WMF not supported");
  return false;
}
