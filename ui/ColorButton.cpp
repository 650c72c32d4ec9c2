#include "ui/ColorButton.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

CColorButton::CColorButton(QWidget* parent) : CColorButton(QString(), parent) {}

CColorButton::CColorButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
  setText(text);
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover, true);
  const QPalette& pal = palette();
  inactiveBack_ = pal.color(QPalette::Button);
  inactiveText_ = pal.color(QPalette::ButtonText);
  activeBack_ = pal.color(QPalette::Button);
  activeText_ = pal.color(QPalette::ButtonText);
}

void CColorButton::SetIcons(const QIcon& active, const QIcon& inactive, int width, int height) {
  iconActive_ = active;
  iconInactive_ = inactive.isNull() ? active : inactive;
  iconWidth_ = width;
  iconHeight_ = height;
  updateGeometry();
  repaint();
}

void CColorButton::SetShowText(bool show) {
  showText_ = show;
  updateGeometry();
  update();
}

const QIcon& CColorButton::CurrentIcon() const {
  return (mouseOver_ || isDown()) ? iconActive_ : iconInactive_;
}

QSize CColorButton::sizeHint() const {
  QSize textSize;
  if (showText_ && !text().isEmpty()) {
    textSize = fontMetrics().size(Qt::TextShowMnemonic | Qt::TextSingleLine, text());
  }
  int w, h;
  if (iconAlign_ == 1) {
    w = qMax(iconWidth_, textSize.width());
    h = iconHeight_ + textSize.height();
  } else {
    w = iconWidth_ + (textSize.isValid() ? textSize.width() + 3 : 0);
    h = qMax(iconHeight_, textSize.height());
  }
  return QSize(w + 8, h + 8);
}

void CColorButton::SetMouseOver(bool over) {
  if (mouseOver_ == over) return;
  mouseOver_ = over;
  update();
}

void CColorButton::enterEvent(QEnterEvent* event) {
  // Entering with the left button held (a drag from elsewhere) is no hover.
  if (!(event->buttons() & Qt::LeftButton) || mouseOver_) SetMouseOver(true);
  QAbstractButton::enterEvent(event);
}

void CColorButton::leaveEvent(QEvent* event) {
  SetMouseOver(false);
  QAbstractButton::leaveEvent(event);
}

void CColorButton::mouseMoveEvent(QMouseEvent* event) {
  // While pressed the button keeps the mouse; moving off it drops the hover
  // border, and the release still comes here.
  if (!rect().contains(event->position().toPoint())) {
    SetMouseOver(false);
  } else if (!mouseOver_ && !(event->buttons() & Qt::LeftButton)) {
    SetMouseOver(true);
  }
  QAbstractButton::mouseMoveEvent(event);
}

void CColorButton::focusOutEvent(QFocusEvent* event) {
  SetMouseOver(false);
  QAbstractButton::focusOutEvent(event);
}

void CColorButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect item = rect();
  const bool pressed = isDown();
  const bool active = mouseOver_ || pressed;
  painter.fillRect(item, active ? activeBack_ : inactiveBack_);

  if (hoverBorder_ && (pressed || mouseOver_)) {
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor highlight = palette().color(QPalette::Light);
    const QColor topLeft = pressed ? shadow : highlight;
    const QColor bottomRight = pressed ? highlight : shadow;
    const int right = item.width() - 1;
    const int bottom = item.height() - 1;
    painter.setPen(topLeft);
    painter.drawLine(0, bottom, 0, 0);
    painter.drawLine(0, 0, right, 0);
    painter.setPen(bottomRight);
    painter.drawLine(0, bottom, right, bottom);
    painter.drawLine(right, bottom, right, 0);
  }

  const QString caption = showText_ ? text() : QString();
  QRect captionRect = item;
  const QIcon& icon = CurrentIcon();
  if (!icon.isNull()) {
    const int w = iconWidth_ > 0 ? iconWidth_ : iconSize().width();
    const int h = iconHeight_ > 0 ? iconHeight_ : iconSize().height();
    QRect iconRect(0, 0, w, h);
    if (iconAlign_ == 1) {
      iconRect.moveTo((item.width() - w) / 2, 3);
      captionRect.setTop(captionRect.top() + h);
    } else {
      int x = caption.isEmpty() ? (item.width() - w) / 2 : 3;
      iconRect.moveTo(x, (item.height() - h) / 2);
      if (!caption.isEmpty()) captionRect.setLeft(x + w + 3);
    }
    if (pressed) iconRect.translate(1, 1);
    icon.paint(&painter, iconRect, Qt::AlignCenter,
               isEnabled() ? QIcon::Normal : QIcon::Disabled);
  }

  if (!caption.isEmpty()) {
    if (pressed) captionRect.translate(1, 1);
    painter.setFont(font());
    painter.setPen(isEnabled() ? (active ? activeText_ : inactiveText_)
                               : palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                     caption);
  }
}
