#include "ui/ListGridModel.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "common/LanguageTable.h"

namespace {

QString FromU16(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The C locale, so that the decimal point is always '.'.
locale_t CLocale() {
  static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

bool IsBlank(QChar c) {
  char16_t u = c.unicode();
  return u == u' ' || (u >= u'\t' && u <= u'\r');
}

// The number text of a cell for the new total: "%.1f" when the deleted
// cell has a decimal point followed by exactly one character, "%.2f" with
// a decimal point otherwise, "%d" of the truncated value without one.
QString TotalText(double total, const QString& deletedCell) {
  qsizetype point = deletedCell.indexOf(u'.');
  char buffer[64];
  if (point < 0) {
    double truncated = std::trunc(total);
    if (truncated > 2147483647.0 || truncated < -2147483648.0 || std::isnan(truncated)) {
      std::snprintf(buffer, sizeof buffer, "%.0f", truncated);
    } else {
      std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(truncated));
    }
  } else if (deletedCell.size() - point - 1 == 1) {
    std::snprintf(buffer, sizeof buffer, "%.1f", total);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.2f", total);
  }
  return QString::fromLatin1(buffer);
}

}  // namespace

Qt::Alignment GridAlignment(int format) {
  switch (format) {
    case kGridAlignRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case kGridAlignCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

double GridNumberValue(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  // A number is ASCII; its longest form fits in the buffer.
  char buffer[128];
  size_t n = 0;
  for (; i < text.size() && n + 1 < sizeof buffer; ++i) {
    char16_t u = text[i].unicode();
    if (u == 0 || u >= 0x80) break;
    buffer[n++] = static_cast<char>(u);
  }
  buffer[n] = '\0';
  double value = strtod_l(buffer, nullptr, CLocale());
  return std::isnan(value) ? 0.0 : value;
}

CListGridModel::CListGridModel(QObject* parent) : QAbstractTableModel(parent) {}

CListGridModel::~CListGridModel() = default;

void CListGridModel::EnableRowData(bool on) {
  if (rowData_ == on) return;
  rowData_ = on;
  if (!rows_.empty() && !columns_.empty()) {
    emit dataChanged(index(0, 0), index(RowCount() - 1, ColumnCount() - 1),
                     {Qt::ForegroundRole, Qt::BackgroundRole});
  }
}

void CListGridModel::SetCheckBoxes(bool on) {
  if (checkBoxes_ == on) return;
  checkBoxes_ = on;
  if (!rows_.empty() && !columns_.empty()) {
    emit dataChanged(index(0, 0), index(RowCount() - 1, 0), {Qt::CheckStateRole});
  }
}

void CListGridModel::SetPage(int pageNumber, int rowsPerPage) {
  pageNumber_ = pageNumber;
  rowsPerPage_ = rowsPerPage;
}

int CListGridModel::InsertColumn(int index, std::u16string_view caption, int width, int format) {
  if (index < 0 || index > ColumnCount()) index = ColumnCount();
  beginInsertColumns(QModelIndex(), index, index);
  GridColumn column;
  column.caption = FromU16(caption);
  column.width = width;
  column.format = format;
  columns_.insert(columns_.begin() + index, std::move(column));
  for (Row& r : rows_) r.cells.insert(r.cells.begin() + index, QString());
  endInsertColumns();
  return index;
}

void CListGridModel::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= ColumnCount()) return;
  columns_[static_cast<size_t>(column)].width = width;
}

bool CListGridModel::IsNumberColumn(int column) const {
  return column >= 0 && column < ColumnCount() &&
         columns_[static_cast<size_t>(column)].format == kGridAlignRight;
}

CListGridModel::Row CListGridModel::NewRow() const {
  Row r;
  r.cells.resize(columns_.size());
  r.hasData = rowData_;
  return r;
}

int CListGridModel::InsertRow(int row, std::u16string_view firstCell) {
  return InsertRow(row, FromU16(firstCell));
}

int CListGridModel::InsertRow(int row, const QString& firstCell) {
  if (row < 0 || row > RowCount()) row = RowCount();
  Row r = NewRow();
  if (!r.cells.empty()) r.cells[0] = firstCell;
  beginInsertRows(QModelIndex(), row, row);
  rows_.insert(rows_.begin() + row, std::move(r));
  endInsertRows();
  return row;
}

void CListGridModel::AppendRows(std::vector<std::vector<QString>> rows) {
  std::vector<GridNewRow> appended(rows.size());
  for (size_t r = 0; r < rows.size(); ++r) appended[r].cells = std::move(rows[r]);
  AppendRows(std::move(appended));
}

void CListGridModel::AppendRows(std::vector<GridNewRow> rows) {
  if (rows.empty()) return;
  int first = RowCount();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
  rows_.reserve(rows_.size() + rows.size());
  for (GridNewRow& added : rows) {
    Row r;
    // The row keeps the texts' own vector, cut or padded to the columns.
    r.cells = std::move(added.cells);
    r.cells.resize(columns_.size());
    r.hasData = rowData_;
    if (rowData_) r.data.id = added.id;
    rows_.push_back(std::move(r));
  }
  endInsertRows();
}

void CListGridModel::DeleteRow(int row) {
  if (!ValidRow(row)) return;
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void CListGridModel::DeleteAllRows() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void CListGridModel::SetCellText(int row, int column, std::u16string_view text) {
  SetCellText(row, column, FromU16(text));
}

void CListGridModel::SetCellText(int row, int column, const QString& text) {
  if (!ValidCell(row, column)) return;
  rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = text;
  QModelIndex i = index(row, column);
  emit dataChanged(i, i, {Qt::DisplayRole});
}

QString CListGridModel::CellText(int row, int column) const {
  if (!ValidCell(row, column)) return QString();
  return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

std::u16string CListGridModel::CellTextW(int row, int column) const {
  QString text = CellText(row, column);
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

const GridRowData* CListGridModel::RowData(int row) const {
  if (!rowData_ || !ValidRow(row)) return nullptr;
  const Row& r = rows_[static_cast<size_t>(row)];
  return r.hasData ? &r.data : nullptr;
}

GridRowData* CListGridModel::EnsureRowData(int row) {
  if (!rowData_ || !ValidRow(row)) return nullptr;
  Row& r = rows_[static_cast<size_t>(row)];
  if (!r.hasData) {
    r.data = GridRowData();
    r.hasData = true;
  }
  return &r.data;
}

void CListGridModel::RowDataChanged(int row) {
  if (!ValidRow(row) || columns_.empty()) return;
  emit dataChanged(index(row, 0), index(row, ColumnCount() - 1),
                   {Qt::ForegroundRole, Qt::BackgroundRole});
}

void CListGridModel::SetChecked(int row, bool checked) {
  if (!ValidRow(row)) return;
  rows_[static_cast<size_t>(row)].checked = checked;
  if (!columns_.empty()) {
    QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
  }
}

bool CListGridModel::IsChecked(int row) const {
  return ValidRow(row) && rows_[static_cast<size_t>(row)].checked;
}

void CListGridModel::ToggleChecked(int row) { SetChecked(row, !IsChecked(row)); }

QString CListGridModel::TotalsLabel() {
  return FromU16(AppLanguage().Text(kGridTotalsLabelText));
}

void CListGridModel::SortByColumn(int column, bool forceAscending) {
  if (forceAscending || column != sortColumn_) {
    sortAscending_ = true;
  } else {
    sortAscending_ = !sortAscending_;
  }
  sortColumn_ = column;
  const int count = RowCount();
  if (count < 2) return;

  // The rows that move; a totals row stays where it is, at the end.
  const int sorted = totalsRow_ ? count - 1 : count;
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  const bool ascending = sortAscending_;
  if (IsNumberColumn(column)) {
    std::vector<double> keys(static_cast<size_t>(sorted));
    for (int r = 0; r < sorted; ++r) keys[static_cast<size_t>(r)] = GridNumberValue(CellText(r, column));
    std::stable_sort(order.begin(), order.begin() + sorted, [&](int a, int b) {
      double ka = keys[static_cast<size_t>(a)], kb = keys[static_cast<size_t>(b)];
      return ascending ? ka < kb : kb < ka;
    });
  } else {
    std::vector<QString> keys(static_cast<size_t>(sorted));
    for (int r = 0; r < sorted; ++r) keys[static_cast<size_t>(r)] = CellText(r, column).toCaseFolded();
    std::stable_sort(order.begin(), order.begin() + sorted, [&](int a, int b) {
      const QString& ka = keys[static_cast<size_t>(a)];
      const QString& kb = keys[static_cast<size_t>(b)];
      return ascending ? ka < kb : kb < ka;
    });
  }

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRowOf(static_cast<size_t>(count));
  for (int to = 0; to < count; ++to) newRowOf[static_cast<size_t>(order[static_cast<size_t>(to)])] = to;
  std::vector<Row> rows(static_cast<size_t>(count));
  for (int to = 0; to < count; ++to) {
    rows[static_cast<size_t>(to)] = std::move(rows_[static_cast<size_t>(order[static_cast<size_t>(to)])]);
  }
  rows_ = std::move(rows);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& i : before) {
    after.push_back(i.isValid() ? index(newRowOf[static_cast<size_t>(i.row())], i.column())
                                : QModelIndex());
  }
  changePersistentIndexList(before, after);
  if (rowNumbers_ && !columns_.empty()) {
    const QString totalsLabel = totalsRow_ ? TotalsLabel() : QString();
    for (int r = 0; r < count; ++r) {
      rows_[static_cast<size_t>(r)].cells[0] =
          (totalsRow_ && r == count - 1)
              ? totalsLabel
              : QString::number((pageNumber_ - 1) * rowsPerPage_ + r + 1);
    }
  }
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CListGridModel::DeleteRowKeepTotals(int row) {
  if (!ValidRow(row)) return;
  const int last = RowCount() - 1;
  const QString label = TotalsLabel();
  const bool hasTotals = row != last && !label.isEmpty() && CellText(last, 0).startsWith(label);
  if (hasTotals) {
    for (int c = 1; c < ColumnCount(); ++c) {
      QString total = CellText(last, c);
      if (total.isEmpty()) continue;
      QString deleted = CellText(row, c);
      double value = GridNumberValue(total) - GridNumberValue(deleted);
      SetCellText(last, c, TotalText(value, deleted));
    }
  }
  DeleteRow(row);
  if (rowNumbers_ && !columns_.empty()) {
    // The totals row keeps its label; without one every following row is
    // renumbered.
    const int end = hasTotals ? RowCount() - 1 : RowCount();
    for (int r = row; r < end; ++r) SetCellText(r, 0, QString::number(r + 1));
  }
  if (hasTotals && RowCount() <= 2) DeleteRow(RowCount() - 1);
}

QString CListGridModel::CopyText(int row, int column, GridCopyKind kind) const {
  QString text;
  switch (kind) {
    case GridCopyKind::kColumn:
      if (column < 0 || column >= ColumnCount()) break;
      for (int r = 0; r < RowCount(); ++r) {
        text += CellText(r, column);
        text += QStringLiteral("\r\n");
      }
      break;
    case GridCopyKind::kRow:
      if (!ValidRow(row)) break;
      for (int c = 0; c < ColumnCount(); ++c) {
        text += CellText(row, c);
        text += u'\t';
      }
      break;
    case GridCopyKind::kCell:
      text = CellText(row, column);
      break;
  }
  return text;
}

int CListGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int CListGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount();
}

QVariant CListGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !ValidCell(index.row(), index.column())) return QVariant();
  const Row& r = rows_[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return r.cells[static_cast<size_t>(index.column())];
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(GridAlignment(columns_[static_cast<size_t>(index.column())].format));
    case Qt::ForegroundRole:
      if (rowData_ && r.hasData) return ToQColor(r.data.textColor);
      break;
    case Qt::BackgroundRole:
      if (rowData_ && r.hasData) return ToQColor(r.data.backColor);
      break;
    case Qt::CheckStateRole:
      if (checkBoxes_ && index.column() == 0) return r.checked ? Qt::Checked : Qt::Unchecked;
      break;
    default:
      break;
  }
  return QVariant();
}

QVariant CListGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const GridColumn& column = columns_[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return column.caption;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(GridAlignment(column.format));
  return QVariant();
}

Qt::ItemFlags CListGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Check boxes are toggled by the grid itself on the button press.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
