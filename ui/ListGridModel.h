#pragma once
// The data behind CListGrid: columns, rows of cell texts, the record each
// row carries (id and colours), check boxes, the grid's options, and the
// operations on them that need no window: sorting with the totals row kept
// last, row numbering, the deletion under a totals row and the copy texts.
//
// The model is a QAbstractTableModel, so a view shows it directly; tests and
// the export work on it without a view.

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A colour as the settings and records store it: 0x00BBGGRR.
using GridColor = uint32_t;

constexpr GridColor GridRgb(int red, int green, int blue) {
  return static_cast<GridColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
inline QColor ToQColor(GridColor color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

inline constexpr GridColor kGridWhite = GridRgb(255, 255, 255);
// Background of the further matches of a "mark all" search.
inline constexpr GridColor kGridFindMark = GridRgb(161, 181, 253);

// The record a row carries while the grid's row records are on.
struct GridRowData {
  int32_t id = 0;
  GridColor textColor = 0;
  GridColor backColor = kGridWhite;
  int32_t spare = 0;
};

// A row appended by CListGridModel::AppendRows: its cell texts from column
// 0 on, and the id of its record.
struct GridNewRow {
  std::vector<QString> cells;
  int32_t id = 0;
};

// Column formats.
enum : int { kGridAlignLeft = 0, kGridAlignRight = 1, kGridAlignCenter = 2 };

struct GridColumn {
  QString caption;
  int width = 0;   // pixels
  int format = kGridAlignLeft;
};

// The alignment of a column format in a cell (vertically centred).
Qt::Alignment GridAlignment(int format);

// Language text of the totals label: the first cell of a totals row.
inline constexpr int kGridTotalsLabelText = 20034;

// What a Ctrl-click copies.
enum class GridCopyKind { kCell, kRow, kColumn };

// The number a cell text stands for, read as the C library reads a wide
// text as a double: leading blanks skipped, then the longest number prefix;
// a text that is no number (and "nan") counts as 0.
double GridNumberValue(QStringView text);

class CListGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit CListGridModel(QObject* parent = nullptr);
  ~CListGridModel() override;

  // ---- options
  void SetRowNumbers(bool on) { rowNumbers_ = on; }
  bool RowNumbers() const { return rowNumbers_; }
  void SetTotalsRow(bool on) { totalsRow_ = on; }
  bool TotalsRow() const { return totalsRow_; }
  // Row records: rows inserted while on get a record with a white background.
  void EnableRowData(bool on);
  bool RowDataEnabled() const { return rowData_; }
  // Every row shows a check box in column 0.
  void SetCheckBoxes(bool on);
  bool CheckBoxes() const { return checkBoxes_; }
  // Page of a paged list; used only to number rows.
  void SetPage(int pageNumber, int rowsPerPage);
  int PageNumber() const { return pageNumber_; }
  int RowsPerPage() const { return rowsPerPage_; }

  // ---- columns
  // Inserts a column at the index (appended when beyond the end); returns
  // its index.
  int InsertColumn(int index, std::u16string_view caption, int width, int format);
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const GridColumn& Column(int column) const { return columns_[static_cast<size_t>(column)]; }
  void SetColumnWidth(int column, int width);
  bool IsNumberColumn(int column) const;

  // ---- rows and cells
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Inserts a row at the index (appended when negative or beyond the end)
  // with the text of its first cell; returns its index.
  int InsertRow(int row, std::u16string_view firstCell = {});
  int InsertRow(int row, const QString& firstCell);
  // Appends many rows at once, each with its cell texts (extra texts beyond
  // the columns are dropped).
  void AppendRows(std::vector<std::vector<QString>> rows);
  // The same with each row's record id: rows appended while records are on
  // get a record with the id and a white background, as InsertRow and
  // SetRowId give them; while records are off the ids are not kept.  One
  // insertion for all rows, the cell texts taken over without copies.
  void AppendRows(std::vector<GridNewRow> rows);
  void DeleteRow(int row);
  void DeleteAllRows();
  void SetCellText(int row, int column, std::u16string_view text);
  void SetCellText(int row, int column, const QString& text);
  // Empty for a cell outside the grid.
  QString CellText(int row, int column) const;
  std::u16string CellTextW(int row, int column) const;

  // ---- row records
  // The row's record; nullptr when the row has none or records are off.
  const GridRowData* RowData(int row) const;
  // The row's record, created (white background) when missing; nullptr when
  // records are off or the row does not exist.
  GridRowData* EnsureRowData(int row);
  // Repaints the row after its record changed.
  void RowDataChanged(int row);

  // ---- check boxes
  void SetChecked(int row, bool checked);
  bool IsChecked(int row) const;
  void ToggleChecked(int row);

  // The label of the totals row (language text 20034): a sort writes it
  // into the totals row, a deletion recognises the totals row by it.
  static QString TotalsLabel();

  // ---- sorting
  int SortColumn() const { return sortColumn_; }
  bool SortAscending() const { return sortAscending_; }
  // Sorts the rows by the column: ascending when forced or when the column
  // differs from the last one sorted, else the other direction.  Numbers
  // for a right-aligned column, case-insensitive text otherwise; rows with
  // equal keys keep their order; with the totals row on the last row stays
  // last.  Row numbers (and TotalsLabel() in the totals row) are rewritten in
  // column 0 when row numbering is on.  Fewer than two rows: only the
  // direction is updated.
  void SortByColumn(int column, bool forceAscending);

  // Deletes the row; when the last row's first cell begins with
  // TotalsLabel(), its totals are reduced by the deleted row's values first,
  // and a totals row left with at most one data row is removed too.  With
  // row numbering on the rows from the deleted one on are renumbered.
  void DeleteRowKeepTotals(int row);

  // The text a Ctrl-click copies: the cell; every cell of the row, each
  // followed by a tab; or the column's cell of every row, each followed by
  // CR LF.
  QString CopyText(int row, int column, GridCopyKind kind) const;

  // ---- QAbstractTableModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    std::vector<QString> cells;
    GridRowData data;
    bool hasData = false;
    bool checked = false;
  };
  bool ValidRow(int row) const { return row >= 0 && row < RowCount(); }
  bool ValidCell(int row, int column) const {
    return ValidRow(row) && column >= 0 && column < ColumnCount();
  }
  Row NewRow() const;

  std::vector<GridColumn> columns_;
  std::vector<Row> rows_;
  bool rowNumbers_ = false;
  bool totalsRow_ = false;
  bool rowData_ = false;
  bool checkBoxes_ = false;
  int pageNumber_ = 1;
  int rowsPerPage_ = 100;
  int sortColumn_ = -1;
  bool sortAscending_ = true;
};
