// Export of the list grid to a workbook, read back through the Excel
// session.  Starts a headless office suite (label office).

#include <gtest/gtest.h>

#include "../office/OfficeTestEnv.h"
#include "ListGridTestSupport.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "ui/ListGrid.h"
#include "ui/ListGridExport.h"

using namespace officetest;

namespace {

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment(OfficeEnvironment::kHoldSuite));

class GridWorkbook : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.InsertColumn(0, 40, u"No.", kGridAlignLeft);
    grid.InsertColumn(1, 100, u"Code", kGridAlignLeft);
    grid.InsertColumn(2, 60, u"Weight", kGridAlignRight);
    grid.InsertColumn(3, 80, u"Note", kGridAlignCenter);
    const char16_t* rows[][4] = {
        {u"1", u"0012", u"1.50", u"=1+2"},
        {u"2", u"'quoted", u"3", u"-abc"},
        {u"合计", u"货物", u"4.5", u""},
    };
    for (auto& cells : rows) {
      int r = grid.InsertRow(grid.RowCount(), cells[0]);
      for (int c = 1; c < 4; ++c) grid.SetCellText(r, c, cells[c]);
    }
  }

  bool Export(const fs::path& chosen) {
    ScopedGridSaveDialog dialog([&](QWidget*, const QString&) -> std::optional<GridSaveChoice> {
      return GridSaveChoice{chosen.u16string(), 0};
    });
    return grid.ExportAs(u"Daily list", u"2024-01-05");
  }

  CListGrid grid;
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope{&boxes};
};

TEST_F(GridWorkbook, ExportReadBackThroughTheSession) {
  fs::path folder = TestFolder();
  ASSERT_TRUE(Export(folder / "list")) << std::string(boxes.LastText().begin(), boxes.LastText().end());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), u"文件已经保存。");
  fs::path file = folder / "list.xls";
  ASSERT_TRUE(fs::exists(file));

  CExcelSession book;
  ASSERT_EQ(book.OpenForReading(file.u16string()), 1);
  auto cell = [&](int row, int column) { return book.CellTextTo(row, column, 256); };
  EXPECT_EQ(cell(1, 2), u"Daily list");
  EXPECT_EQ(cell(2, 2), u"(2024-01-05)");
  EXPECT_EQ(cell(3, 2), u"");
  const std::u16string captions[] = {u"No.", u"Code", u"Weight", u"Note"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(cell(4, c + 1), captions[c]);
  // Text columns keep their text as typed; the right-aligned column holds
  // numbers.
  EXPECT_EQ(cell(5, 1), u"1");
  EXPECT_EQ(cell(5, 2), u"0012");
  EXPECT_EQ(cell(5, 3), u"1.5");
  EXPECT_EQ(cell(5, 4), u"=1+2");
  EXPECT_EQ(cell(6, 2), u"'quoted");
  EXPECT_EQ(cell(6, 3), u"3");
  EXPECT_EQ(cell(6, 4), u"-abc");
  EXPECT_EQ(cell(7, 1), u"合计");
  EXPECT_EQ(cell(7, 2), u"货物");
  EXPECT_EQ(cell(7, 3), u"4.5");
  EXPECT_EQ(book.UsedRowCount(), 7);
}

TEST_F(GridWorkbook, FailureShowsTheSessionsReasonAndLeavesNoFile) {
  fs::path folder = TestFolder();
  EXPECT_FALSE(Export(folder / "missing" / "list.xls"));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.LastText(), u"文件已经保存。");
  EXPECT_FALSE(boxes.LastText().empty());
  EXPECT_FALSE(fs::exists(folder / "missing"));
}

}  // namespace
