#pragma once
// Whether the captions of a window show their whole text: every visible
// label, push button, check box and radio button of the window is measured
// with its own font against the room its widget gives the text.  Tool
// buttons (the toolbar's captions) are not measured.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace testsupport {

// The text a button shows: "&x" marks a mnemonic, "&&" is one "&".
inline QString ShownButtonText(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

inline int WidestLine(const QFontMetrics& metrics, const QString& text) {
  int widest = 0;
  for (const QString& line : text.split(u'\n'))
    widest = std::max(widest, metrics.horizontalAdvance(line));
  return widest;
}

// "where: class 'text' needs N, has M" for each caption of `window` (and
// its visible children) that does not fit.
inline std::vector<std::string> ClippedCaptions(QWidget* window, const QString& where) {
  std::vector<std::string> clipped;
  auto report = [&](QWidget* w, const QString& text, int need, int room) {
    clipped.push_back(QStringLiteral("%1: %2 '%3' needs %4, has %5")
                          .arg(where, QString::fromLatin1(w->metaObject()->className()), text)
                          .arg(need)
                          .arg(room)
                          .toStdString());
  };
  QList<QWidget*> widgets = window->findChildren<QWidget*>();
  widgets.prepend(window);
  for (QWidget* w : widgets) {
    if (!w->isVisibleTo(window) || !w->isVisible() || w->width() <= 0) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      QString text = label->text();
      if (text.trimmed().isEmpty()) continue;
      const bool rich = label->textFormat() == Qt::RichText ||
                        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
      if (rich) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
        if (text.trimmed().isEmpty()) continue;
      }
      const QFontMetrics metrics(label->font());
      const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                        -label->margin(), -label->margin());
      if (label->wordWrap()) {
        const int need =
            metrics.boundingRect(QRect(0, 0, room.width(), INT_MAX), Qt::TextWordWrap, text).height();
        if (need > room.height()) report(w, text, need, room.height());
      } else {
        const int need = WidestLine(metrics, text);
        if (need > room.width()) report(w, text, need, room.width());
      }
      continue;
    }
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (button == nullptr || button->text().trimmed().isEmpty()) continue;
    QStyle::SubElement contents;
    if (qobject_cast<QPushButton*>(w))
      contents = QStyle::SE_PushButtonContents;
    else if (qobject_cast<QCheckBox*>(w))
      contents = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<QRadioButton*>(w))
      contents = QStyle::SE_RadioButtonContents;
    else
      continue;  // tool buttons and drawn buttons
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    const QString text = ShownButtonText(button->text());
    const int room = button->style()->subElementRect(contents, &option, button).width();
    int need = WidestLine(QFontMetrics(button->font()), text);
    if (!button->icon().isNull()) need += button->iconSize().width() + 4;
    if (need > room) report(w, text, need, room);
  }
  return clipped;
}

}  // namespace testsupport
