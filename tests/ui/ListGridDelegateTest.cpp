// The grid's cells painted straight from the model give the same pixels as
// the style's item view painting (QStyledItemDelegate): texts of every
// kind, each alignment, elided and narrow cells, row colours, selections,
// the focused cell, check boxes, a disabled grid.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <string>
#include <vector>

#include "../QtTestSupport.h"
#include "ListGridTestSupport.h"
#include "ui/ListGrid.h"
#include "ui/ListGridDelegate.h"

using namespace gridtest;

namespace {

struct PaintCase {
  const char* name;
  bool rowRecords;
  bool checkBoxes;
  int highlightMode;
  std::vector<int> selectedRows;  // with highlight mode 0: column 1 of each
  bool current;                   // row 0 current, the grid focused
  bool disabled;
};

const PaintCase kCases[] = {
    {"plain", true, false, 2, {}, false, false},
    {"selected rows", true, false, 2, {0, 2, 4}, false, false},
    {"selected rows, focused current cell", true, false, 2, {0, 3}, true, false},
    {"no row records", false, false, 2, {1}, false, false},
    {"check boxes", true, true, 2, {2}, false, false},
    {"first-column highlight", true, false, 0, {0, 2}, true, false},
    {"disabled", true, false, 2, {0}, false, true},
};

// Column widths and formats: left, right, centre, narrow and very narrow.
struct ColumnSpec {
  int width;
  int format;
};
const ColumnSpec kColumns[] = {{40, kGridAlignLeft},   {120, kGridAlignLeft}, {60, kGridAlignRight},
                               {80, kGridAlignCenter}, {200, kGridAlignLeft}, {10, kGridAlignLeft},
                               {45, kGridAlignRight},  {4, kGridAlignCenter}};

const std::vector<std::vector<QString>> kRows = {
    {"1", "BR17000001", "12.500", "文件", "东京都新宿区西新宿二丁目8番1号 a long address past the edge", "x",
     "123456.78", "z"},
    {"", "", "", "", "", "", "", ""},
    {"3", "中文姓名测试很长很长的名字会被省略", "0.000", "未知", "Ünïcödé ümläut", "ab", "-1", ""},
    {"4", "tab\there", "quote\"s", "a&b", "<b>not html</b>", " ", "9999999999", "w"},
    {"5", "two\nlines", "1\r2", "  lead", "trail  ", "…", "1.0", "中"},
    {"6", "ＡＢＣ全角", "١٢٣", "עברית", "mixed English 和中文 text", "m", "0", ""},
};

class ListGridDelegatePaint : public ::testing::TestWithParam<PaintCase> {};

QImage Paint(CListGrid& grid, bool direct) {
  auto* delegate = dynamic_cast<CListGridDelegate*>(grid.itemDelegate());
  EXPECT_NE(delegate, nullptr);
  if (delegate != nullptr) delegate->SetDirectPaint(direct);
  return grid.viewport()->grab().toImage();
}

TEST_P(ListGridDelegatePaint, SamePixelsAsTheStyle) {
  const PaintCase& c = GetParam();
  QWidget window;
  window.resize(800, 300);
  CListGrid grid(&window);
  grid.setGeometry(0, 0, 780, 280);
  grid.SetHighlightMode(c.highlightMode);
  grid.EnableRowData(c.rowRecords);
  grid.SetCheckBoxes(c.checkBoxes);
  grid.setShowGrid(true);
  for (size_t i = 0; i < std::size(kColumns); ++i)
    grid.InsertColumn(static_cast<int>(i), kColumns[i].width, u"col", kColumns[i].format);
  Fill(grid.Model(), kRows);
  if (c.rowRecords) {
    grid.SetRowColors(0, GridRgb(0, 0, 255), kGridWhite);
    grid.SetRowColors(2, GridRgb(255, 255, 255), GridRgb(200, 0, 0));
    grid.SetRowBackColor(4, kGridFindMark);
    grid.SetRowColors(5, GridRgb(0, 0x80, 0), kGridWhite);
  }
  if (c.checkBoxes) grid.SetCheck(2, true);
  window.show();
  if (c.disabled) grid.setEnabled(false);
  for (const int r : c.selectedRows) {
    if (c.highlightMode == 0)
      grid.selectionModel()->select(grid.Model().index(r, 1), QItemSelectionModel::Select);
    else
      grid.SetRowSelected(r, true, false);
  }
  if (c.current) {
    grid.setFocus();
    grid.selectionModel()->setCurrentIndex(grid.Model().index(0, 1), QItemSelectionModel::NoUpdate);
  } else {
    grid.selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  DrainEvents();

  const auto* delegate = dynamic_cast<CListGridDelegate*>(grid.itemDelegate());
  ASSERT_NE(delegate, nullptr);
  const long before = delegate->DirectPaints();
  const QImage direct = Paint(grid, true);
  // Most cells take the direct way (the rest: multi-line texts, the focused
  // cell, check boxes, cells too narrow for their text).
  EXPECT_GT(delegate->DirectPaints() - before, 30) << c.name;
  const QImage styled = Paint(grid, false);
  ASSERT_EQ(direct.size(), styled.size());
  int differing = 0;
  QRect where;
  for (int y = 0; y < direct.height(); ++y) {
    for (int x = 0; x < direct.width(); ++x) {
      if (direct.pixel(x, y) == styled.pixel(x, y)) continue;
      ++differing;
      where |= QRect(x, y, 1, 1);
    }
  }
  EXPECT_EQ(differing, 0) << c.name << ": differing pixels within (" << where.x() << ", " << where.y()
                          << ") " << where.width() << " x " << where.height();
}

INSTANTIATE_TEST_SUITE_P(Cases, ListGridDelegatePaint, ::testing::ValuesIn(kCases));

}  // namespace
