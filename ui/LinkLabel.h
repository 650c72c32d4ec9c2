#pragma once
// CLinkLabel: a static text with its own text colour, background colour,
// font (underline, size) and cursor, and a dimmed state.  A click on the
// label is passed on as the clicked() signal; the label itself does nothing
// with it.

#include <QColor>
#include <QCursor>
#include <QLabel>

// The pointing-hand cursor of clickable labels.
QCursor HandCursor();

class CLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit CLinkLabel(QWidget* parent = nullptr);
  CLinkLabel(const QString& text, QWidget* parent = nullptr);

  // Stores the text colour and redraws; returns the label for chaining.
  CLinkLabel& SetTextColor(const QColor& color);
  CLinkLabel& SetUnderline(bool underline);
  // Font height of n pixels.
  CLinkLabel& SetFontSize(int n);
  // The background colour; shown from the next repaint on.
  CLinkLabel& SetBackColor(const QColor& color);
  // The cursor shown while the mouse is over the label.
  CLinkLabel& SetLinkCursor(const QCursor& cursor);
  // Flips the dimmed state: dimmed text is grey (128,128,128), undimmed text
  // black, whatever colour it had before.  Returns the new state.
  bool ToggleDimmed();
  bool IsDimmed() const { return dimmed_; }

  QColor TextColor() const { return textColor_; }
  QColor BackColor() const { return backColor_; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The second press of a double-click is no click of its own.
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ApplyTextColor();

  QColor textColor_;
  QColor backColor_;
  bool dimmed_ = false;
  bool pressed_ = false;
};
