#include "shell/ViewPageGrid.h"

#if BRANTLE_PAGE_GRID_STAND_IN

#include <QHeaderView>
#include <QItemSelectionModel>

namespace {
constexpr int kRowIdRole = Qt::UserRole + 1;
}

CListGrid::CListGrid(QWidget* parent) : QTableWidget(parent) {
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int CListGrid::SetHighlightMode(int mode) {
  const int previous = highlightMode_;
  if (mode > 2) return previous;
  highlightMode_ = mode;
  return previous;
}

bool CListGrid::EnableHeaderSort(bool on) {
  const bool previous = headerSort_;
  headerSort_ = on;
  return previous;
}

int CListGrid::AppendRow() {
  const int row = rowCount();
  insertRow(row);
  if (columnCount() == 0) setColumnCount(1);
  auto* first = new QTableWidgetItem(rowNumbers_ ? QString::number(row + 1) : QString());
  if (rowData_) first->setData(kRowIdRole, 0);
  setItem(row, 0, first);
  return row;
}

void CListGrid::SetRowId(int row, int32_t id) {
  if (!rowData_ || row < 0 || row >= rowCount()) return;
  QTableWidgetItem* first = item(row, 0);
  if (first == nullptr) {
    first = new QTableWidgetItem();
    setItem(row, 0, first);
  }
  first->setData(kRowIdRole, id);
}

int32_t CListGrid::GetRowId(int row) const {
  if (!rowData_ || row < 0 || row >= rowCount()) return -1;
  const QTableWidgetItem* first = item(row, 0);
  if (first == nullptr) return -1;
  const QVariant id = first->data(kRowIdRole);
  return id.isValid() ? id.toInt() : -1;
}

void CListGrid::SetRowSelected(int row, bool select, bool makeVisible) {
  if (row < 0 || row >= rowCount() || columnCount() == 0) return;
  const QModelIndex index = model()->index(row, 0);
  selectionModel()->select(index, (select ? QItemSelectionModel::Select
                                          : QItemSelectionModel::Deselect) |
                                      QItemSelectionModel::Rows);
  if (select) selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  if (makeVisible) scrollTo(index);
}

bool CListGrid::IsRowSelected(int row) const {
  return row >= 0 && row < rowCount() && selectionModel()->isRowSelected(row, QModelIndex());
}

bool CListGrid::ExportAs(std::u16string_view, std::u16string_view) { return false; }

#endif
