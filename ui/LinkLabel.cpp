#include "ui/LinkLabel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

QCursor HandCursor() { return QCursor(Qt::PointingHandCursor); }

CLinkLabel::CLinkLabel(QWidget* parent) : CLinkLabel(QString(), parent) {}

CLinkLabel::CLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  textColor_ = palette().color(QPalette::WindowText);
  backColor_ = palette().color(QPalette::Button);
  setFont(QApplication::font());
  setAutoFillBackground(false);
  ApplyTextColor();
}

void CLinkLabel::ApplyTextColor() {
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, textColor_);
  setPalette(pal);
}

CLinkLabel& CLinkLabel::SetTextColor(const QColor& color) {
  textColor_ = color;
  ApplyTextColor();
  repaint();
  return *this;
}

CLinkLabel& CLinkLabel::SetUnderline(bool underline) {
  QFont f = font();
  f.setUnderline(underline);
  setFont(f);
  repaint();
  return *this;
}

CLinkLabel& CLinkLabel::SetFontSize(int n) {
  if (n > 0) {
    QFont f = font();
    f.setPixelSize(n);
    setFont(f);
    repaint();
  }
  return *this;
}

CLinkLabel& CLinkLabel::SetBackColor(const QColor& color) {
  backColor_ = color;
  return *this;
}

CLinkLabel& CLinkLabel::SetLinkCursor(const QCursor& cursor) {
  setCursor(cursor);
  return *this;
}

bool CLinkLabel::ToggleDimmed() {
  dimmed_ = !dimmed_;
  SetTextColor(dimmed_ ? QColor(128, 128, 128) : QColor(0, 0, 0));
  return dimmed_;
}

void CLinkLabel::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.fillRect(rect(), backColor_);
  }
  QLabel::paintEvent(event);
}

void CLinkLabel::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    event->accept();  // keep the mouse so the release comes back here
  }
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  bool wasPressed = pressed_;
  if (event->button() == Qt::LeftButton) pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && wasPressed &&
      rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

void CLinkLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  // QWidget would treat it as a press, so that its release reported a second
  // click; owners act on single clicks only.
  event->accept();
}
