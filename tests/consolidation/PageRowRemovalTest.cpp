// The page base's row removal of the grid's command menu (page 13 binds
// it; the master air waybill list keeps its column 0).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "ui/ListGrid.h"
#include "ui/ViewPage.h"

namespace {

class RowPage : public CViewPage {
 public:
  RowPage() {
    CreatePageWindow(nullptr, QSize(600, 400));
    grid->InsertColumn(0, 40, u"No.", 0);
    grid->InsertColumn(1, 80, u"Number", 0);
    for (const char16_t* number : {u"A", u"B", u"C", u"D"}) {
      const int row = grid->InsertRow(grid->RowCount(), u"x");
      grid->SetCellText(row, 1, number);
    }
  }
  std::vector<std::u16string> Column(int c) const {
    std::vector<std::u16string> cells;
    for (int r = 0; r < grid->RowCount(); ++r) cells.push_back(grid->CellText(r, c));
    return cells;
  }
};

using Cells = std::vector<std::u16string>;

TEST(PageRowRemoval, CommandOneRemovesTheSelectedAndRenumbers) {
  RowPage page;
  page.grid->SetRowSelected(1, true, false);
  page.grid->SetRowSelected(3, true, false);
  EXPECT_TRUE(page.RemoveRows(1));
  EXPECT_EQ(page.Column(1), (Cells{u"A", u"C"}));
  EXPECT_EQ(page.Column(0), (Cells{u"1", u"2"}));
}

TEST(PageRowRemoval, CommandZeroKeepsTheSelectedAndCanKeepColumnZero) {
  RowPage page;
  page.grid->SetRowSelected(2, true, false);
  EXPECT_TRUE(page.RemoveRows(0, false));
  EXPECT_EQ(page.Column(1), (Cells{u"C"}));
  EXPECT_EQ(page.Column(0), (Cells{u"x"}));
}

TEST(PageRowRemoval, OtherCommandsAndNothingToRemoveChangeNothing) {
  RowPage page;
  EXPECT_FALSE(page.RemoveRows(1));  // nothing selected
  EXPECT_FALSE(page.RemoveRows(2));
  EXPECT_EQ(page.Column(0), (Cells{u"x", u"x", u"x", u"x"}));
}

}  // namespace
