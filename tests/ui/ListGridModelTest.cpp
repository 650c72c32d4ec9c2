// The list grid's data without a view: sorting, totals, row records, copy
// texts.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <utility>
#include <vector>

#include "ListGridTestSupport.h"
#include "ui/ListGridModel.h"

using namespace gridtest;

namespace {

using Texts = std::vector<QString>;

TEST(GridNumberValue, ReadsTheLeadingNumberLikeTheCLibrary) {
  struct Case {
    const char16_t* text;
    double value;
  } cases[] = {
      {u"10", 10},        {u"9", 9},           {u"  3.5", 3.5},   {u"12abc", 12},
      {u"-1e3", -1000},   {u"+7", 7},          {u"abc", 0},       {u"", 0},
      {u"nan", 0},        {u"1.5.6", 1.5},     {u"０１", 0},      {u"0x10", 16},
      {u"\t\n42", 42},    {u".25", 0.25},      {u"1,234", 1},     {u"合计", 0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(GridNumberValue(QString::fromUtf16(c.text)), c.value)
        << QString::fromUtf16(c.text).toStdString();
  }
}

TEST(GridSort, NumbersInRightAlignedColumnsTextElsewhere) {
  CListGridModel model;
  Fill(model, {{"10", "10"}, {"9", "9"}, {"100", "100"}, {"abc", "-2"}},
       {kGridAlignLeft, kGridAlignRight});

  model.SortByColumn(1, false);
  EXPECT_TRUE(model.SortAscending());
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"-2", "9", "10", "100"}));
  model.SortByColumn(1, false);  // same column: the other way
  EXPECT_FALSE(model.SortAscending());
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"100", "10", "9", "-2"}));
  model.SortByColumn(1, true);  // forced ascending
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"-2", "9", "10", "100"}));

  model.SortByColumn(0, false);  // a new column starts ascending, as text
  EXPECT_TRUE(model.SortAscending());
  EXPECT_EQ(model.SortColumn(), 0);
  EXPECT_EQ(ColumnTexts(model, 0), (Texts{"10", "100", "9", "abc"}));
}

TEST(GridSort, TextIgnoresCaseAndTiesKeepTheirOrder) {
  CListGridModel model;
  Fill(model, {{"b", "1"}, {"A", "2"}, {"B", "3"}, {"a", "4"}, {"b", "5"}});
  model.SortByColumn(0, true);
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"2", "4", "1", "3", "5"}));
  model.SortByColumn(0, false);  // descending: ties still in their order
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"1", "3", "5", "2", "4"}));
}

// Many equal numbers: the ordering must stay consistent (no crash, no
// reordering of equal rows), in both directions.
TEST(GridSort, ManyEqualNumbersSortStably) {
  CListGridModel model;
  model.InsertColumn(0, u"key", 60, kGridAlignRight);
  model.InsertColumn(1, u"seq", 60, kGridAlignLeft);
  std::mt19937 random(7);
  std::vector<std::vector<QString>> rows;
  for (int i = 0; i < 20000; ++i) {
    rows.push_back({QString::number(random() % 3), QString::number(i)});
  }
  model.AppendRows(rows);
  for (bool second : {false, true}) {
    model.SortByColumn(0, !second);
    const bool ascending = model.SortAscending();
    EXPECT_EQ(ascending, !second);
    for (int r = 1; r < model.RowCount(); ++r) {
      double k0 = model.CellText(r - 1, 0).toDouble(), k1 = model.CellText(r, 0).toDouble();
      ASSERT_TRUE(ascending ? k0 <= k1 : k0 >= k1) << r;
      if (k0 == k1) {
        // The first sort starts from insertion order; the second from the
        // first's, where equal keys are still in insertion order.
        ASSERT_LT(model.CellText(r - 1, 1).toInt(), model.CellText(r, 1).toInt()) << r;
      }
    }
  }
}

TEST(GridSort, TotalsRowStaysLastAndIsLabelled) {
  LoadGridLanguage("00");
  for (bool ascending : {true, false}) {
    CListGridModel model;
    model.SetRowNumbers(true);
    model.SetTotalsRow(true);
    model.SetPage(3, 100);
    Fill(model, {{"x", "5"}, {"x", "50"}, {"x", "7"}, {"Total", "62"}},
         {kGridAlignLeft, kGridAlignRight});
    model.SortByColumn(1, true);
    if (!ascending) model.SortByColumn(1, false);
    const Texts expected =
        ascending ? Texts{"5", "7", "50", "62"} : Texts{"50", "7", "5", "62"};
    EXPECT_EQ(ColumnTexts(model, 1), expected);
    EXPECT_EQ(ColumnTexts(model, 0), (Texts{"201", "202", "203", "合计"}));
  }
}

TEST(GridSort, WithoutTotalsTheLastRowMovesAndNumbersFollowTheRows) {
  CListGridModel model;
  model.SetRowNumbers(true);
  Fill(model, {{"1", "c"}, {"2", "a"}, {"3", "b"}});
  model.SortByColumn(1, true);
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"a", "b", "c"}));
  EXPECT_EQ(ColumnTexts(model, 0), (Texts{"1", "2", "3"}));
}

TEST(GridSort, OneRowIsLeftAlone) {
  CListGridModel model;
  model.SetRowNumbers(true);
  model.SetTotalsRow(true);
  Fill(model, {{"keep", "1"}});
  model.SortByColumn(1, false);
  EXPECT_EQ(model.CellText(0, 0), "keep");
  EXPECT_EQ(model.SortColumn(), 1);
}

TEST(GridSort, RowRecordsAndChecksTravelWithTheirRows) {
  CListGridModel model;
  model.EnableRowData(true);
  model.SetCheckBoxes(true);
  Fill(model, {{"b"}, {"a"}, {"c"}});
  model.EnsureRowData(0)->id = 20;
  model.EnsureRowData(1)->id = 10;
  model.EnsureRowData(2)->id = 30;
  model.SetChecked(0, true);
  model.SortByColumn(0, true);
  EXPECT_EQ(model.RowData(0)->id, 10);
  EXPECT_EQ(model.RowData(1)->id, 20);
  EXPECT_EQ(model.RowData(2)->id, 30);
  EXPECT_FALSE(model.IsChecked(0));
  EXPECT_TRUE(model.IsChecked(1));
}

TEST(GridRowRecords, LifecycleAndRoles) {
  CListGridModel model;
  Fill(model, {{"before"}});
  EXPECT_EQ(model.RowData(0), nullptr);  // records off
  EXPECT_EQ(model.EnsureRowData(0), nullptr);
  model.EnableRowData(true);
  EXPECT_EQ(model.RowData(0), nullptr);  // inserted while off: no record yet
  int r = model.InsertRow(-1, u"after");
  ASSERT_NE(model.RowData(r), nullptr);
  EXPECT_EQ(model.RowData(r)->id, 0);
  EXPECT_EQ(model.RowData(r)->textColor, 0u);
  EXPECT_EQ(model.RowData(r)->backColor, kGridWhite);

  GridRowData* data = model.EnsureRowData(0);
  ASSERT_NE(data, nullptr);
  data->textColor = GridRgb(255, 0, 0);
  data->backColor = GridRgb(0, 0, 255);
  QModelIndex i = model.index(0, 0);
  EXPECT_EQ(model.data(i, Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
  EXPECT_EQ(model.data(i, Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 255));
  model.EnableRowData(false);
  EXPECT_FALSE(model.data(i, Qt::BackgroundRole).isValid());

  EXPECT_FALSE(model.data(i, Qt::CheckStateRole).isValid());
  model.SetCheckBoxes(true);
  EXPECT_EQ(model.data(i, Qt::CheckStateRole).toInt(), Qt::Unchecked);
  model.ToggleChecked(0);
  EXPECT_EQ(model.data(i, Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST(GridCells, ColumnsInsertedLaterAndOutsideCells) {
  CListGridModel model;
  Fill(model, {{"a", "b"}});
  model.InsertColumn(1, u"mid", 40, kGridAlignCenter);
  EXPECT_EQ(model.CellText(0, 0), "a");
  EXPECT_EQ(model.CellText(0, 1), "");
  EXPECT_EQ(model.CellText(0, 2), "b");
  model.SetCellText(5, 0, u"nowhere");
  model.SetCellText(0, 9, u"nowhere");
  EXPECT_EQ(model.CellText(5, 0), "");
  EXPECT_EQ(model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignHCenter | Qt::AlignVCenter);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "mid");
}

TEST(GridCopy, CellRowAndColumnTexts) {
  CListGridModel model;
  Fill(model, {{"a", "b", "c"}, {"d", "e", "f"}});
  EXPECT_EQ(model.CopyText(1, 1, GridCopyKind::kCell), "e");
  EXPECT_EQ(model.CopyText(1, 1, GridCopyKind::kRow), "d\te\tf\t");
  EXPECT_EQ(model.CopyText(1, 1, GridCopyKind::kColumn), "b\r\ne\r\n");
  EXPECT_EQ(model.CopyText(7, 1, GridCopyKind::kRow), "");
}

// Deletion under a totals row.
class DeleteKeepTotals : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadGridLanguage("00");
    model.SetRowNumbers(true);
  }
  CListGridModel model;
};

TEST_F(DeleteKeepTotals, TotalsLoseTheRowInTheDeletedCellsFormat) {
  Fill(model, {{"1", "1.5", "3", "2.25", "", "7"},
               {"2", "9", "4", "1.00", "x", "8"},
               {"3", "0", "5", "0", "y", "9"},
               {"合计x", "10.50", "12", "3.25", "", "-"}});
  model.DeleteRowKeepTotals(0);
  ASSERT_EQ(model.RowCount(), 3);
  // one decimal in the deleted cell wins over the total's two
  EXPECT_EQ(model.CellText(2, 1), "9.0");
  EXPECT_EQ(model.CellText(2, 2), "9");      // "%d"
  EXPECT_EQ(model.CellText(2, 3), "1.00");   // "%.2f"
  EXPECT_EQ(model.CellText(2, 4), "");       // empty totals stay empty
  EXPECT_EQ(model.CellText(2, 5), "-7");     // a total that is no number counts as 0
  EXPECT_EQ(ColumnTexts(model, 0), (Texts{"1", "2", "合计x"}));
}

TEST_F(DeleteKeepTotals, ALoneDataRowKeepsNoTotalsRow) {
  Fill(model, {{"1", "4"}, {"2", "6"}, {"合计", "10"}});
  model.DeleteRowKeepTotals(1);
  ASSERT_EQ(model.RowCount(), 1);
  EXPECT_EQ(model.CellText(0, 1), "4");
}

TEST_F(DeleteKeepTotals, ListWithoutTotalsKeepsItsOtherRows) {
  Fill(model, {{"1", "a"}, {"2", "b"}, {"3", "c"}});
  model.DeleteRowKeepTotals(0);
  ASSERT_EQ(model.RowCount(), 2);
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"b", "c"}));
  EXPECT_EQ(ColumnTexts(model, 0), (Texts{"1", "2"}));
  model.DeleteRowKeepTotals(1);
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"b"}));
}

TEST_F(DeleteKeepTotals, DeletingTheTotalsRowItselfTakesOnlyIt) {
  Fill(model, {{"1", "4"}, {"2", "6"}, {"3", "1"}, {"合计", "11"}});
  model.DeleteRowKeepTotals(3);
  EXPECT_EQ(ColumnTexts(model, 1), (Texts{"4", "6", "1"}));
}

// The sort writes the totals label that the deletion looks for, in either
// language.
TEST(GridTotals, DeleteAfterSortKeepsTheTotalsInBothLanguages) {
  struct Case {
    const char* language;
    QString label;
  };
  for (const Case& c : {Case{"00", QStringLiteral("合计")}, Case{"01", QStringLiteral("Total")}}) {
    SCOPED_TRACE(c.language);
    LoadGridLanguage(c.language);
    EXPECT_EQ(CListGridModel::TotalsLabel(), c.label);
    CListGridModel model;
    model.SetRowNumbers(true);
    model.SetTotalsRow(true);
    Fill(model, {{"1", "5", "a"}, {"2", "50", "b"}, {"3", "7", "c"}, {c.label, "62", ""}},
         {kGridAlignLeft, kGridAlignRight, kGridAlignLeft});
    model.SortByColumn(1, true);
    model.SortByColumn(1, false);  // descending: 50, 7, 5
    EXPECT_EQ(ColumnTexts(model, 0), (Texts{"1", "2", "3", c.label}));

    model.DeleteRowKeepTotals(0);
    EXPECT_EQ(ColumnTexts(model, 1), (Texts{"7", "5", "12"}));
    EXPECT_EQ(ColumnTexts(model, 2), (Texts{"c", "a", ""}));
    EXPECT_EQ(ColumnTexts(model, 0), (Texts{"1", "2", c.label}));
    // One data row left: the totals row goes with the next deletion.
    model.DeleteRowKeepTotals(0);
    EXPECT_EQ(ColumnTexts(model, 1), (Texts{"5"}));
  }
}

// Rows appended at once with their record ids read back as rows inserted
// one by one with SetRowId: texts cut or padded to the columns, ids and white
// records while records are on, no records while they are off; one insertion
// signal for the whole batch, after the rows already there.
TEST(GridAppend, RowsWithIdsReadAsRowsInsertedOneByOne) {
  for (bool records : {true, false}) {
    CListGridModel model;
    model.InsertColumn(0, u"no", 40, kGridAlignLeft);
    model.InsertColumn(1, u"text", 60, kGridAlignLeft);
    model.InsertColumn(2, u"more", 60, kGridAlignLeft);
    model.EnableRowData(records);
    model.InsertRow(0, u"first");
    std::vector<std::pair<int, int>> inserted;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) { inserted.push_back({first, last}); });
    std::vector<GridNewRow> rows(3);
    rows[0].cells = {QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("dropped")};
    rows[0].id = 41;
    rows[1].cells = {QStringLiteral("2")};
    rows[1].id = -3;
    rows[2].id = 0;
    model.AppendRows(std::move(rows));
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{1, 3}}));
    ASSERT_EQ(model.RowCount(), 4);
    EXPECT_EQ(ColumnTexts(model, 0), (Texts{"first", "1", "2", ""}));
    EXPECT_EQ(ColumnTexts(model, 1), (Texts{"", "a", "", ""}));
    EXPECT_EQ(ColumnTexts(model, 2), (Texts{"", "b", "", ""}));
    EXPECT_EQ(model.CellText(1, 3), QString()) << "a text beyond the columns is dropped";
    for (int r = 0; r < 4; ++r) {
      const GridRowData* data = model.RowData(r);
      if (!records) {
        EXPECT_EQ(data, nullptr) << r;
        continue;
      }
      ASSERT_NE(data, nullptr) << r;
      EXPECT_EQ(data->id, (std::array<int32_t, 4>{0, 41, -3, 0}[static_cast<size_t>(r)])) << r;
      EXPECT_EQ(data->backColor, kGridWhite) << r;
      EXPECT_EQ(data->textColor, 0u) << r;
    }
  }
}

}  // namespace
