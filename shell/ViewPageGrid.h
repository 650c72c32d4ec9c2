#pragma once
// The list grid of a work page.  The program's grid is CListGrid
// (ui/ListGrid.h).  While that library is not part of the build, a small
// table widget with the few grid operations the page base uses stands in for
// it, so the pages build and show a list.

#if __has_include("ui/ListGrid.h")
#include "ui/ListGrid.h"
#define BRANTLE_PAGE_GRID_STAND_IN 0
#else
#define BRANTLE_PAGE_GRID_STAND_IN 1

#include <QTableWidget>

#include <cstdint>
#include <string>
#include <string_view>

class CListGrid : public QTableWidget {
 public:
  explicit CListGrid(QWidget* parent = nullptr);

  int SetHighlightMode(int mode);
  bool EnableHeaderSort(bool on);
  void SetRowNumbers(bool on) { rowNumbers_ = on; }
  void EnableRowData(bool on) { rowData_ = on; }

  // Appends a row and returns its index (column 0 holds the row number when
  // row numbers are on).
  int AppendRow();
  void SetRowId(int row, int32_t id);
  // The row's record id; -1 without row data or for a row without one.
  int32_t GetRowId(int row) const;
  void SetRowSelected(int row, bool select, bool makeVisible);
  bool IsRowSelected(int row) const;
  int RowCount() const { return rowCount(); }
  void DeleteAllRows() { setRowCount(0); }

  // The stand-in writes no file: false, as for an empty list.
  bool ExportAs(std::u16string_view title, std::u16string_view subtitle);

 private:
  int highlightMode_ = 0;
  bool headerSort_ = false;
  bool rowNumbers_ = false;
  bool rowData_ = false;
};
#endif
