#pragma once
// CListGrid: the one list control of the program.  A table view over a
// CListGridModel that
//  - highlights a selected row across the whole width and shows each row in
//    the colours of its record (GridRowData: record id, text and back colour);
//  - sorts by a header click (numbers in right-aligned columns, text
//    otherwise; the totals row always last; ties keep their order);
//  - copies the clicked cell (Ctrl), row (Ctrl+Shift) or column (Ctrl+Alt)
//    to the clipboard, with a tooltip hint while Ctrl is held;
//  - toggles the check box of column 0 on a click;
//  - offers the owner's commands on a right click;
//  - tells its notify object about clicks, double clicks and menu commands
//    through private messages:
//      kWmUser+100 (sent)   row               double click on a row
//      kWmUser+101 (sent)   row               left button down on a row
//      kWmUser+102 (posted, to the parent) 0 before / 1 after, row count
//                                             sort of more than 5000 rows
//      kWmUser+103 (posted) command 0..29, record id   menu command
//
//   grid.SetHighlightMode(2);
//   grid.EnableRowData(true);
//   grid.EnableHeaderSort(true);
//   grid.InsertColumn(0, 60, u"No.", kGridAlignLeft);
//   int row = grid.InsertRow(grid.RowCount(), u"1");
//   grid.SetCellText(row, 1, u"...");
//   grid.SetRowId(row, id);

#include <QPointer>
#include <QTableView>

#include <string>
#include <string_view>
#include <vector>

#include "platform/QtMessages.h"
#include "ui/ListGridModel.h"

class QMenu;

// Private messages of the grid.
inline constexpr int kGridMsgDoubleClick = platform::kWmUser + 100;
inline constexpr int kGridMsgClick = platform::kWmUser + 101;
inline constexpr int kGridMsgSorting = platform::kWmUser + 102;
inline constexpr int kGridMsgCommand = platform::kWmUser + 103;

// Lists of more rows than this announce their sort to the parent window.
inline constexpr int kGridLongSortRows = 5000;
// The command menu shows at most this many commands, with ids from
// kGridFirstCommandId on.
inline constexpr int kGridMaxMenuCommands = 30;
inline constexpr int kGridFirstCommandId = 50010;

// Parts of a column InsertColumn takes from its arguments.
enum : unsigned {
  kGridColumnFormat = 0x1,
  kGridColumnWidth = 0x2,
  kGridColumnText = 0x4,
  kGridColumnSubItem = 0x8,
  kGridColumnAll = 0xF,
};

// "Delete %1?" asked before a deletion.
inline constexpr int kGridDeleteQuestionText = 20032;

class CListGrid : public QTableView {
  Q_OBJECT

 public:
  explicit CListGrid(QWidget* parent = nullptr);
  ~CListGrid() override;

  CListGridModel& Model() { return *model_; }
  const CListGridModel& Model() const { return *model_; }

  // ---- configuration
  // 0 first-column highlight, 1 and 2 whole-row highlight; above 2 ignored.
  // Returns the previous mode.
  int SetHighlightMode(int mode);
  bool EnableHeaderSort(bool on);
  void SetRowNumbers(bool on) { model_->SetRowNumbers(on); }
  void SetTotalsRow(bool on) { model_->SetTotalsRow(on); }
  void EnableRowData(bool on) { model_->EnableRowData(on); }
  void SetCheckBoxes(bool on) { model_->SetCheckBoxes(on); }
  // One row selected at most (the default is several).
  void SetSingleSelection(bool on);
  bool IsSingleSelection() const;
  void SetNotifyWnd(QObject* notify) { notify_ = notify; }
  QObject* NotifyWnd() const { return notify_; }
  void AddMenuCommand(std::u16string_view caption);
  const std::vector<QString>& MenuCommands() const { return commandCaptions_; }
  void SetPage(int pageNumber, int rowsPerPage) { model_->SetPage(pageNumber, rowsPerPage); }

  // ---- columns
  int InsertColumn(int index, int width, std::u16string_view caption, int format,
                   unsigned mask = kGridColumnAll);
  int ColumnCount() const { return model_->ColumnCount(); }

  // ---- rows and cells
  int RowCount() const { return model_->RowCount(); }
  int InsertRow(int row, std::u16string_view firstCell = {}) {
    return model_->InsertRow(row, firstCell);
  }
  // Appends the rows in one insertion (CListGridModel::AppendRows) and lays
  // the view out for them at once, rather than from a timer after the next
  // paint: a list filled while its updates are held is then painted once
  // when they are let go, not twice.
  void AppendRows(std::vector<GridNewRow> rows);
  void DeleteRow(int row) { model_->DeleteRow(row); }
  void DeleteAllRows() { model_->DeleteAllRows(); }
  void SetCellText(int row, int column, std::u16string_view text) {
    model_->SetCellText(row, column, text);
  }
  std::u16string CellText(int row, int column) const { return model_->CellTextW(row, column); }
  // Cell text "%d".
  void SetCellInt(int row, int column, int value);
  // Cell text "%.1f" .. "%.6f" for 1 to 6 decimals, "%f" otherwise.
  void SetCellNumber(int row, int column, double value, int decimals);

  // ---- check boxes
  void SetCheck(int row, bool checked) { model_->SetChecked(row, checked); }
  bool GetCheck(int row) const { return model_->IsChecked(row); }

  // ---- row records (no effect, or the stated answer, while records are off)
  void SetRowId(int row, int32_t id);
  // -1 when the row has no record.
  int32_t GetRowId(int row) const;
  // The first row with the id; -1 when none.
  int FindRowById(int32_t id) const;
  void SetRowColors(int row, GridColor textColor, GridColor backColor);
  void SetRowBackColor(int row, GridColor backColor);
  // White for a row without record; 0 while records are off.
  GridColor GetRowBackColor(int row) const;

  // ---- selection
  void SetRowSelected(int row, bool select, bool makeVisible);
  void SelectAndShowRow(int row);
  bool IsRowSelected(int row) const;
  std::vector<int> SelectedRows() const;
  // The focused row, -1 when none.
  int FocusedRow() const;

  // ---- operations
  // Sorts by the column (see CListGridModel::SortByColumn); a list of more
  // than 5000 rows posts kGridMsgSorting (0, rows) to the parent before and
  // (1, rows) after.
  void SortByColumn(int column, bool forceAscending);
  // Searches the column from the start row: mode 0 the cell contains the
  // text (the match value is its position), 1 begins with it, 2 ends with
  // it, other modes equals it (the match value is 0).  The first match is
  // selected and shown.  Without markAll: the first match's value (-1 when
  // none); a multi-select grid deselects the other rows.  With markAll: the
  // number of matches; later matches get the find-mark background, former
  // marks on other rows turn white again.
  int FindText(int column, std::u16string_view text, bool markAll, int mode, int startRow);
  // Deletes the row (after asking when `askFirst`), keeping a totals row
  // right; see CListGridModel::DeleteRowKeepTotals.
  void DeleteRowKeepTotals(int row, bool askFirst);
  // Exports every row to a workbook or a text file the operator names.
  bool ExportAs(std::u16string_view title, std::u16string_view subtitle);

  // The copy hint for the keys held: "拷贝列" (Alt), "拷贝行" (Shift), "拷贝".
  static QString CopyHintText(Qt::KeyboardModifiers modifiers);
  // What a Ctrl-click with the keys copies.
  static GridCopyKind CopyKindOf(Qt::KeyboardModifiers modifiers);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  // Runs the command menu at the point; the chosen action or nullptr.
  virtual QAction* RunCommandMenu(QMenu& menu, const QPoint& globalPos);

 private:
  void OnHeaderClicked(int column);
  void RightClick(QMouseEvent* event, int row);
  bool HitsCheckBox(int row, const QPoint& pos);
  void UpdateCopyHint(QMouseEvent* event);
  void SyncColumnWidths();

  CListGridModel* model_;
  int highlightMode_ = 0;
  bool sortOnHeaderClick_ = false;
  bool sortBusy_ = false;
  bool hintShown_ = false;
  QPointer<QObject> notify_;
  std::vector<QString> commandCaptions_;
};
