#pragma once
// CListGridDelegate: paints the cells of CListGrid.  A cell of one line of
// text (no check box, no focus frame, left to right, under the Fusion style
// the program runs with) is painted straight from the grid's model: the
// background of its row record or the selection, then the text laid out
// once, aligned and elided exactly as the style's item view painting lays it
// out, measures it and draws it (that painting lays each text out twice and
// reads every cell through a dozen variant roles first).  Any other cell is
// painted by QStyledItemDelegate.  Both ways give the same pixels
// (ListGridTest compares them).

#include <QStyledItemDelegate>

class QStyle;

class CListGridDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // Off: every cell goes through QStyledItemDelegate (tests compare).
  void SetDirectPaint(bool on) { direct_ = on; }
  // Cells painted the direct way so far (tests).
  long DirectPaints() const { return directPaints_; }

 private:
  bool PaintDirectly(QPainter* painter, const QStyleOptionViewItem& option,
                     const QModelIndex& index) const;
  bool StyleSupported(const QStyle* style) const;

  bool direct_ = true;
  mutable long directPaints_ = 0;
  mutable const QStyle* checkedStyle_ = nullptr;
  mutable bool styleSupported_ = false;
};
