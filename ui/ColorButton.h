#pragma once
// CColorButton: a flat push button showing an icon and, optionally, its
// caption.  While the mouse is over it a thin raised border is drawn, while
// it is pressed a sunken one; otherwise it is flat.

#include <QAbstractButton>
#include <QColor>
#include <QIcon>

class CColorButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit CColorButton(QWidget* parent = nullptr);
  CColorButton(const QString& text, QWidget* parent = nullptr);

  // The icon shown while hovered or pressed and the one shown otherwise; a
  // null inactive icon shows the active one in both states.  width and
  // height are the size the icon is drawn at.  Redraws at once.
  void SetIcons(const QIcon& active, const QIcon& inactive, int width, int height);
  // Shows or hides the caption.
  void SetShowText(bool show);

  bool ShowsText() const { return showText_; }
  bool IsMouseOver() const { return mouseOver_; }
  const QIcon& ActiveIcon() const { return iconActive_; }
  const QIcon& InactiveIcon() const { return iconInactive_; }
  // The icon drawn in the present state.
  const QIcon& CurrentIcon() const;

  // Background and text colours when idle and when hovered or pressed.
  QColor InactiveBack() const { return inactiveBack_; }
  QColor ActiveBack() const { return activeBack_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void SetMouseOver(bool over);

  int iconAlign_ = 0;        // 0 icon left of the caption, 1 above it
  bool showText_ = true;
  bool hoverBorder_ = true;
  bool mouseOver_ = false;
  QIcon iconActive_;
  QIcon iconInactive_;
  int iconWidth_ = 0;
  int iconHeight_ = 0;
  QColor inactiveBack_;
  QColor inactiveText_;
  QColor activeBack_;
  QColor activeText_;
};
