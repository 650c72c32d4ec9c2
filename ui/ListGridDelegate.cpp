#include "ui/ListGridDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QTextOption>

#include "ui/ListGridModel.h"

namespace {

// A text the style would lay out on more than one line, or whose elision
// treats specially (the variant separator U+009C).
bool OneLine(const QString& text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == u'\n' || u == u'\r' || u == 0x2028 || u == 0x2029 || u == 0x9C) return false;
  }
  return true;
}

}  // namespace

void CListGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  if (direct_ && PaintDirectly(painter, option, index)) return;
  QStyledItemDelegate::paint(painter, option, index);
}

bool CListGridDelegate::StyleSupported(const QStyle* style) const {
  if (style != checkedStyle_) {
    checkedStyle_ = style;
    styleSupported_ = style != nullptr && style->name() == QLatin1String("fusion");
  }
  return styleSupported_;
}

// The steps of the style's item view cell (background, text colour, one line
// of text laid out at the cell's width less the focus margins; a text that
// does not fit is elided and the elided text laid out with the same
// alignment), for the cells this model gives: no font, decoration or
// check state roles; alignment, colours and text from the model directly.
bool CListGridDelegate::PaintDirectly(QPainter* p, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
  const auto* model = qobject_cast<const CListGridModel*>(index.model());
  if (model == nullptr || !index.isValid()) return false;
  const int row = index.row();
  const int column = index.column();
  if (row >= model->RowCount() || column >= model->ColumnCount()) return false;
  if (model->CheckBoxes() && column == 0) return false;
  if (option.direction != Qt::LeftToRight) return false;
  if (option.state & (QStyle::State_HasFocus | QStyle::State_Editing)) return false;
  if (option.features & QStyleOptionViewItem::WrapText) return false;
  const QWidget* widget = option.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  if (!StyleSupported(style)) return false;
  const QString text = model->CellText(row, column);
  if (!OneLine(text)) return false;
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  const QRect textRect = option.rect.adjusted(margin, 0, -margin, 0);
  if (!text.isEmpty() && textRect.width() <= 0) return false;

  const GridRowData* record = model->RowData(row);
  const bool selected = option.state & QStyle::State_Selected;
  p->save();
  p->setClipRect(option.rect, p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);

  // The background: the selection, or the row's colour.
  QPalette::ColorGroup group =
      (widget != nullptr ? widget->isEnabled() : bool(option.state & QStyle::State_Enabled))
          ? QPalette::Normal
          : QPalette::Disabled;
  if (group == QPalette::Normal && !(option.state & QStyle::State_Active)) group = QPalette::Inactive;
  if (selected && style->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, &option, widget)) {
    p->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
  } else {
    if (record != nullptr) p->fillRect(option.rect, ToQColor(record->backColor));
    if (selected) p->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
  }

  if (!text.isEmpty()) {
    QPalette::ColorGroup textGroup =
        (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (textGroup == QPalette::Normal && !(option.state & QStyle::State_Active))
      textGroup = QPalette::Inactive;
    if (selected)
      p->setPen(option.palette.color(textGroup, QPalette::HighlightedText));
    else if (record != nullptr)
      p->setPen(ToQColor(record->textColor));
    else
      p->setPen(option.palette.color(textGroup, QPalette::Text));

    const Qt::Alignment alignment = GridAlignment(model->Column(column).format);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(option.direction);
    textOption.setAlignment(QStyle::visualAlignment(option.direction, alignment));
    // One line of the text at the cell's width, laid out as the style does.
    auto layOut = [&](QTextLayout& layout) {
      layout.setTextOption(textOption);
      layout.beginLayout();
      QTextLine line = layout.createLine();
      line.setLineWidth(textRect.width());
      line.setPosition(QPointF(0, 0));
      layout.endLayout();
      return line;
    };
    QTextLayout layout(text, option.font);
    const QTextLine line = layOut(layout);
    const QSize box(textRect.width(), static_cast<int>(line.height()));
    const QPointF position = QStyle::alignedRect(option.direction, alignment, box, textRect).topLeft();
    if (line.naturalTextWidth() > textRect.width()) {
      QTextLayout elided(QFontMetrics(option.font).elidedText(text, option.textElideMode, textRect.width()),
                         option.font);
      layOut(elided).draw(p, position);
    } else {
      line.draw(p, position);
    }
  }
  p->restore();
  ++directPaints_;
  return true;
}
