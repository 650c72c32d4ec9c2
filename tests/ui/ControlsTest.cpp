#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "ui/ColorButton.h"
#include "ui/LinkLabel.h"

namespace {

QIcon SolidIcon(const QColor& color) {
  QPixmap pixmap(32, 32);
  pixmap.fill(color);
  return QIcon(pixmap);
}

QImage Render(QWidget& w) { return w.grab().toImage(); }

void SendMouse(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(pos), w.mapToGlobal(QPointF(pos)), button, buttons,
                Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}

}  // namespace

TEST(ColorButton, ClickAndIcons) {
  CColorButton button(QStringLiteral("&Query"));
  button.resize(120, 40);
  button.show();
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);

  // Without an inactive icon the active one is shown in both states.
  const QIcon red = SolidIcon(Qt::red);
  button.SetIcons(red, QIcon(), 32, 32);
  EXPECT_EQ(button.InactiveIcon().cacheKey(), red.cacheKey());
  const QIcon blue = SolidIcon(Qt::blue);
  button.SetIcons(red, blue, 32, 32);
  EXPECT_EQ(button.CurrentIcon().cacheKey(), blue.cacheKey());

  // Icon-only: the icon is centred; with the caption it sits 3 pixels in.
  button.SetShowText(false);
  QImage iconOnly = Render(button);
  EXPECT_EQ(iconOnly.pixelColor(60, 20), QColor(Qt::blue));
  EXPECT_NE(iconOnly.pixelColor(5, 20), QColor(Qt::blue));
  button.SetShowText(true);
  QImage withText = Render(button);
  EXPECT_EQ(withText.pixelColor(5, 20), QColor(Qt::blue));
  EXPECT_EQ(withText.pixelColor(2, 20), button.InactiveBack());
}

TEST(ColorButton, HoverAndPressBorders) {
  CColorButton button;
  button.resize(60, 30);
  button.show();
  const QRgb face = button.InactiveBack().rgb();
  const QRgb shadow = button.palette().color(QPalette::Dark).rgb();
  const QRgb light = button.palette().color(QPalette::Light).rgb();
  ASSERT_NE(shadow, light);
  auto edges = [&](const QImage& img) {
    return std::array<QRgb, 4>{img.pixel(30, 0), img.pixel(0, 15), img.pixel(30, 29),
                               img.pixel(59, 15)};
  };
  using Edges = std::array<QRgb, 4>;

  // Idle: flat.
  EXPECT_EQ(edges(Render(button)), (Edges{face, face, face, face}));

  // Hovered: raised (light top and left, shadow bottom and right).
  SendMouse(button, QEvent::MouseMove, {10, 10}, Qt::NoButton, Qt::NoButton);
  EXPECT_TRUE(button.IsMouseOver());
  EXPECT_EQ(edges(Render(button)), (Edges{light, light, shadow, shadow}));

  // Pressed: sunken.
  SendMouse(button, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(button.isDown());
  EXPECT_EQ(edges(Render(button)), (Edges{shadow, shadow, light, light}));

  // Dragged off with the button held: no hover, no press border, and the
  // button still gets the release (outside: no click).
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  SendMouse(button, QEvent::MouseMove, {200, 10}, Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(button.IsMouseOver());
  EXPECT_FALSE(button.isDown());
  EXPECT_EQ(edges(Render(button)), (Edges{face, face, face, face}));
  SendMouse(button, QEvent::MouseButtonRelease, {200, 10}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(clicks.count(), 0);

  // A drag that comes in from elsewhere with the button held is no hover.
  SendMouse(button, QEvent::MouseMove, {10, 10}, Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(button.IsMouseOver());
}

TEST(LinkLabel, ClickSignalColoursAndDimming) {
  QWidget parent;
  auto* label = new CLinkLabel(QStringLiteral("运单号"), &parent);
  label->setGeometry(0, 0, 100, 24);
  parent.show();

  QSignalSpy clicks(label, &CLinkLabel::clicked);
  QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 1);
  QTest::mouseClick(label, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 1);

  // Setters chain; toggling twice leaves black whatever the colour was.
  label->SetTextColor(QColor(0, 0, 255)).SetUnderline(true).SetFontSize(20);
  EXPECT_TRUE(label->font().underline());
  EXPECT_EQ(label->font().pixelSize(), 20);
  EXPECT_FALSE(label->IsDimmed());
  EXPECT_TRUE(label->ToggleDimmed());
  EXPECT_EQ(label->TextColor(), QColor(128, 128, 128));
  EXPECT_FALSE(label->ToggleDimmed());
  EXPECT_EQ(label->TextColor(), QColor(0, 0, 0));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 0));

  // The background colour is what the label paints.
  label->SetBackColor(QColor(255, 255, 0));
  QImage image = label->grab().toImage();
  EXPECT_EQ(image.pixelColor(99, 1), QColor(255, 255, 0));

  label->SetLinkCursor(HandCursor());
  EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
}

TEST(LinkLabel, DoubleClickIsOneClick) {
  // A quick second click on a label is a double-click, which the label's
  // owner does not act on: "<<" or "→→" moves one step, not two.
  QWidget parent;
  auto* label = new CLinkLabel(QStringLiteral(">>"), &parent);
  label->setGeometry(0, 0, 100, 24);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  QSignalSpy clicks(label, &CLinkLabel::clicked);

  // Through the window, so the double-click is made as a real one would be.
  QWindow* window = parent.windowHandle();
  const QPoint at = label->mapTo(&parent, QPoint(10, 10));
  QTest::mouseDClick(window, Qt::LeftButton, {}, at);
  EXPECT_EQ(clicks.count(), 1);

  // Single clicks each count.
  QTest::mouseClick(window, Qt::LeftButton, {}, at);
  QTest::mouseClick(window, Qt::LeftButton, {}, at);
  EXPECT_EQ(clicks.count(), 3);
}
