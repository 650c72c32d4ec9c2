// The list grid as a control: header sorting, Ctrl-click copies, check
// boxes, colours, the command menu and the messages to its owner, search.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "../QtTestSupport.h"
#include "ListGridTestSupport.h"
#include "platform/MessageBox.h"
#include "ui/ListGrid.h"

using namespace gridtest;

namespace {

using Texts = std::vector<QString>;

// A grid whose command menu is answered by the test.
class MenuGrid : public CListGrid {
 public:
  using CListGrid::CListGrid;
  int menusShown = 0;
  Texts shownCaptions;
  int pick = -1;

 protected:
  QAction* RunCommandMenu(QMenu& menu, const QPoint&) override {
    ++menusShown;
    shownCaptions.clear();
    for (QAction* a : menu.actions()) shownCaptions.push_back(a->text());
    return pick >= 0 ? menu.actions().value(pick) : nullptr;
  }
};

// A shown grid inside a window that records the grid's messages.
class GridFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(700, 500);
    grid = new MenuGrid(&window);
    grid->resize(680, 480);
    grid->SetHighlightMode(2);
    grid->EnableRowData(true);
    grid->EnableHeaderSort(true);
    grid->SetNotifyWnd(&window);
    window.show();
  }

  void Columns(const std::vector<int>& formats) {
    for (size_t c = 0; c < formats.size(); ++c) {
      grid->InsertColumn(static_cast<int>(c), 120, u"col", formats[c]);
    }
  }
  void Rows(const std::vector<std::vector<QString>>& rows) {
    for (const auto& cells : rows) {
      int r = grid->InsertRow(grid->RowCount(), U16(cells[0]));
      for (size_t c = 1; c < cells.size(); ++c) grid->SetCellText(r, static_cast<int>(c), U16(cells[c]));
    }
  }
  QPoint CellCenter(int row, int column) {
    return grid->visualRect(grid->Model().index(row, column)).center();
  }
  void Click(int row, int column, Qt::KeyboardModifiers keys = {},
             Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(grid->viewport(), button, keys, CellCenter(row, column));
  }
  void ClickHeader(int column) {
    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
  }

  MessageSink window;
  MenuGrid* grid = nullptr;
};

TEST_F(GridFixture, HeaderClickSortsAndReverses) {
  LoadGridLanguage("00");
  grid->SetRowNumbers(true);
  grid->SetTotalsRow(true);
  Columns({kGridAlignLeft, kGridAlignRight, kGridAlignLeft});
  Rows({{"1", "10", "ten"}, {"2", "9", "nine"}, {"3", "11", "eleven"}, {"合计", "30", ""}});

  ClickHeader(1);
  EXPECT_EQ(ColumnTexts(grid->Model(), 2), (Texts{"nine", "ten", "eleven", ""}));
  ClickHeader(1);
  EXPECT_EQ(ColumnTexts(grid->Model(), 2), (Texts{"eleven", "ten", "nine", ""}));
  EXPECT_EQ(ColumnTexts(grid->Model(), 0), (Texts{"1", "2", "3", "合计"}));

  // Column 0 of a numbered grid is no sort key.
  ClickHeader(0);
  EXPECT_EQ(ColumnTexts(grid->Model(), 2), (Texts{"eleven", "ten", "nine", ""}));
  EXPECT_EQ(grid->Model().SortColumn(), 1);

  grid->EnableHeaderSort(false);
  ClickHeader(2);
  EXPECT_EQ(ColumnTexts(grid->Model(), 2), (Texts{"eleven", "ten", "nine", ""}));
}

TEST_F(GridFixture, SelectionFollowsItsRowThroughASort) {
  Columns({kGridAlignLeft});
  Rows({{"c"}, {"a"}, {"b"}});
  grid->SetRowSelected(0, true, true);
  grid->SortByColumn(0, true);
  EXPECT_EQ(grid->SelectedRows(), (std::vector<int>{2}));
  EXPECT_EQ(grid->FocusedRow(), 2);
}

TEST_F(GridFixture, LongSortsAreAnnouncedToTheParentAfterwards) {
  Columns({kGridAlignRight});
  for (int rows : {5000, 5001}) {
    grid->DeleteAllRows();
    std::vector<std::vector<QString>> fill;
    for (int i = 0; i < rows; ++i) fill.push_back({QString::number(rows - i)});
    grid->Model().AppendRows(fill);
    window.received.clear();
    grid->SortByColumn(0, true);
    EXPECT_TRUE(window.received.empty());  // posted, not sent
    DrainEvents();
    if (rows == 5000) {
      EXPECT_EQ(window.Count(kGridMsgSorting), 0);
    } else {
      ASSERT_EQ(window.received.size(), 2u);
      EXPECT_EQ(window.received[0].message, kGridMsgSorting);
      EXPECT_EQ(window.received[0].wParam, 0u);
      EXPECT_EQ(window.received[0].lParam, 5001);
      EXPECT_EQ(window.received[1].wParam, 1u);
      EXPECT_EQ(window.received[1].lParam, 5001);
    }
    EXPECT_EQ(grid->CellText(0, 0), u"1");
  }
}

TEST_F(GridFixture, CtrlClickCopiesCellRowOrColumn) {
  Columns({kGridAlignLeft, kGridAlignLeft, kGridAlignRight});
  Rows({{"a", "b", "1"}, {"c", "d", "2"}, {"e", "f", "3"}});
  struct Case {
    Qt::KeyboardModifiers keys;
    QString copied;
  } cases[] = {
      {Qt::ControlModifier, "d"},
      {Qt::ControlModifier | Qt::ShiftModifier, "c\td\t2\t"},
      {Qt::ControlModifier | Qt::AltModifier, "b\r\nd\r\nf\r\n"},
      {Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, "b\r\nd\r\nf\r\n"},
  };
  QClipboard* clipboard = QGuiApplication::clipboard();
  for (const Case& c : cases) {
    clipboard->setText("untouched");
    Click(1, 1, c.keys);
    EXPECT_EQ(clipboard->text(), c.copied);
  }
  // Without Ctrl, and with Ctrl on an empty cell, the clipboard stays.
  grid->SetCellText(2, 1, u"");
  clipboard->setText("untouched");
  Click(1, 1);
  Click(2, 1, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), "untouched");
}

TEST_F(GridFixture, CopyHintFollowsTheKeys) {
  EXPECT_EQ(CListGrid::CopyHintText(Qt::ControlModifier), "拷贝");
  EXPECT_EQ(CListGrid::CopyHintText(Qt::ControlModifier | Qt::ShiftModifier), "拷贝行");
  EXPECT_EQ(CListGrid::CopyHintText(Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier),
            "拷贝列");
  Columns({kGridAlignLeft});
  Rows({{"a"}});
  auto move = [&](Qt::KeyboardModifiers keys) {
    QPoint pos = CellCenter(0, 0);
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), grid->viewport()->mapToGlobal(QPointF(pos)),
                  Qt::NoButton, Qt::NoButton, keys);
    QApplication::sendEvent(grid->viewport(), &e);
  };
  move(Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), "拷贝行");
  move(Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(QToolTip::text(), "拷贝列");
  move(Qt::NoModifier);  // the hint goes once Ctrl is let go
  EXPECT_TRUE(testsupport::WaitUntil([] { return !QToolTip::isVisible(); }));
}

TEST_F(GridFixture, ClickOnTheCheckBoxTogglesItBeforeTheOwnerHears) {
  grid->SetCheckBoxes(true);
  Columns({kGridAlignLeft, kGridAlignLeft});
  Rows({{"a", "x"}, {"b", "y"}});
  std::vector<bool> checkedWhenTold;
  window.onMessage = [&](const Received& r) {
    if (r.message == kGridMsgClick) checkedWhenTold.push_back(grid->GetCheck(static_cast<int>(r.wParam)));
  };
  QRect cell = grid->visualRect(grid->Model().index(1, 0));
  QPoint onBox(cell.left() + 8, cell.center().y());
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, onBox);
  EXPECT_TRUE(grid->GetCheck(1));
  EXPECT_FALSE(grid->GetCheck(0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, onBox);
  EXPECT_FALSE(grid->GetCheck(1));
  // A click beside the box, or in another column, leaves it.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(cell.right() - 5, cell.center().y()));
  Click(1, 1);
  EXPECT_FALSE(grid->GetCheck(1));
  EXPECT_EQ(checkedWhenTold, (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(window.Count(kGridMsgClick), 4);
  EXPECT_EQ(window.received.back().wParam, 1u);
}

TEST_F(GridFixture, DoubleClickTellsTheOwner) {
  Columns({kGridAlignLeft});
  Rows({{"a"}, {"b"}});
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CellCenter(1, 0));
  EXPECT_EQ(window.Count(kGridMsgDoubleClick), 1);
  for (const Received& r : window.received) {
    if (r.message == kGridMsgDoubleClick) {
      EXPECT_EQ(r.wParam, 1u);
    }
  }
  // Below the last row: nothing.
  window.received.clear();
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(10, 400));
  EXPECT_EQ(window.Count(kGridMsgDoubleClick), 0);
  EXPECT_EQ(window.Count(kGridMsgClick), 0);
}

TEST_F(GridFixture, RowColoursArePainted) {
  Columns({kGridAlignLeft, kGridAlignLeft});
  Rows({{"a", ""}, {"b", ""}});
  grid->SetRowColors(1, GridRgb(255, 255, 255), GridRgb(0, 0, 255));
  EXPECT_EQ(grid->GetRowBackColor(0), kGridWhite);
  EXPECT_EQ(grid->GetRowBackColor(1), GridRgb(0, 0, 255));
  grid->clearSelection();
  grid->setCurrentIndex(QModelIndex());
  QImage image = grid->viewport()->grab().toImage();
  QPoint inEmptyCell = CellCenter(1, 1);
  EXPECT_EQ(QColor(image.pixel(inEmptyCell)), QColor(0, 0, 255));
  EXPECT_EQ(QColor(image.pixel(CellCenter(0, 1))), QColor(255, 255, 255));
  EXPECT_EQ(grid->Model().data(grid->Model().index(1, 0), Qt::ForegroundRole).value<QColor>(),
            QColor(255, 255, 255));
}

TEST_F(GridFixture, RowIdsAndColoursNeedRowRecords) {
  Columns({kGridAlignLeft});
  Rows({{"a"}, {"b"}, {"c"}});
  grid->SetRowId(1, 77);
  grid->SetRowId(2, 77);
  EXPECT_EQ(grid->GetRowId(1), 77);
  EXPECT_EQ(grid->FindRowById(77), 1);
  EXPECT_EQ(grid->FindRowById(5), -1);
  EXPECT_EQ(grid->GetRowId(9), -1);
  grid->EnableRowData(false);
  EXPECT_EQ(grid->GetRowId(1), -1);
  EXPECT_EQ(grid->FindRowById(77), -1);
  EXPECT_EQ(grid->GetRowBackColor(1), 0u);
  grid->SetRowId(0, 5);  // no effect
  grid->EnableRowData(true);
  EXPECT_EQ(grid->GetRowId(0), 0);
}

TEST_F(GridFixture, CellNumbers) {
  Columns({kGridAlignLeft});
  Rows({{""}});
  struct Case {
    int decimals;
    const char16_t* text;
  } cases[] = {{0, u"2.500000"}, {1, u"2.5"}, {2, u"2.50"}, {3, u"2.500"},
               {6, u"2.500000"}, {7, u"2.500000"}};
  for (const Case& c : cases) {
    grid->SetCellNumber(0, 0, 2.5, c.decimals);
    EXPECT_EQ(grid->CellText(0, 0), c.text) << c.decimals;
  }
  grid->SetCellInt(0, 0, -42);
  EXPECT_EQ(grid->CellText(0, 0), u"-42");
}

TEST_F(GridFixture, RightClickOffersTheFirstThirtyCommandsAndPostsTheChoice) {
  Columns({kGridAlignLeft});
  Rows({{"a"}, {"b"}, {"c"}});
  grid->SetRowId(0, 0);
  grid->SetRowId(1, 4711);
  for (int i = 0; i < 35; ++i) grid->AddMenuCommand(u"cmd" + U16(QString::number(i)));
  grid->SetRowSelected(2, true, false);

  // Record id 0: selected, but no menu.
  Click(0, 0, {}, Qt::RightButton);
  EXPECT_EQ(grid->menusShown, 0);
  EXPECT_EQ(grid->SelectedRows(), (std::vector<int>{0, 2}));

  grid->pick = 2;
  Click(1, 0, {}, Qt::RightButton);
  ASSERT_EQ(grid->menusShown, 1);
  ASSERT_EQ(grid->shownCaptions.size(), 30u);
  EXPECT_EQ(grid->shownCaptions.front(), "cmd0");
  EXPECT_EQ(grid->shownCaptions.back(), "cmd29");
  EXPECT_EQ(grid->SelectedRows(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(grid->FocusedRow(), 1);
  EXPECT_EQ(window.Count(kGridMsgCommand), 0);  // posted
  DrainEvents();
  ASSERT_EQ(window.Count(kGridMsgCommand), 1);
  EXPECT_EQ(window.received.back().wParam, 2u);
  EXPECT_EQ(window.received.back().lParam, 4711);

  // Dismissed menu, and a click below the rows: no command.
  grid->pick = -1;
  Click(1, 0, {}, Qt::RightButton);
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(10, 400));
  DrainEvents();
  EXPECT_EQ(grid->menusShown, 2);
  EXPECT_EQ(window.Count(kGridMsgCommand), 1);
}

// The real popup menu, driven by the keyboard.
TEST(ListGridMenu, ChosenEntryReachesTheOwner) {
  MessageSink window;
  window.resize(400, 300);
  CListGrid* grid = new CListGrid(&window);
  grid->resize(400, 300);
  grid->EnableRowData(true);
  grid->SetNotifyWnd(&window);
  grid->InsertColumn(0, 100, u"c", kGridAlignLeft);
  grid->InsertRow(0, u"row");
  grid->SetRowId(0, 9);
  grid->AddMenuCommand(u"删除未选中的行");
  grid->AddMenuCommand(u"删除选中的行");
  window.show();
  int entries = -1;
  // The click runs the menu modally; answer it as soon as it is up.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    answer.stop();
    entries = static_cast<int>(menu->actions().size());
    menu->setActiveAction(menu->actions().value(1));
    QTest::keyClick(menu, Qt::Key_Return);
  });
  answer.start(5);
  QPoint pos = grid->visualRect(grid->Model().index(0, 0)).center();
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, pos);
  DrainEvents();
  EXPECT_EQ(entries, 2);
  ASSERT_EQ(window.Count(kGridMsgCommand), 1);
  EXPECT_EQ(window.received.back().wParam, 1u);
  EXPECT_EQ(window.received.back().lParam, 9);
}

TEST_F(GridFixture, FindTextSingleSelect) {
  grid->SetSingleSelection(true);
  Columns({kGridAlignLeft, kGridAlignLeft});
  Rows({{"1", "alpha"}, {"2", "xxbeta"}, {"3", "beta"}, {"4", "gamma"}});
  EXPECT_EQ(grid->FindText(1, u"beta", false, 0, 0), 2);  // position in "xxbeta"
  EXPECT_EQ(grid->SelectedRows(), (std::vector<int>{1}));
  EXPECT_EQ(grid->FindText(1, u"beta", false, 1, 0), 0);  // begins with
  EXPECT_EQ(grid->SelectedRows(), (std::vector<int>{2}));
  EXPECT_EQ(grid->FindText(1, u"mma", false, 2, 0), 0);   // ends with
  EXPECT_EQ(grid->FocusedRow(), 3);
  EXPECT_EQ(grid->FindText(1, u"Beta", false, 0, 0), -1);  // case counts
  EXPECT_EQ(grid->FindText(1, u"bet", false, 3, 0), -1);   // equals
  EXPECT_EQ(grid->FindText(1, u"alpha", false, 3, 1), -1); // from the start row
  EXPECT_EQ(grid->FindText(2, u"alpha", false, 3, 0), -1); // no such column
}

TEST_F(GridFixture, FindTextMarksAllMatches) {
  Columns({kGridAlignLeft, kGridAlignLeft});
  Rows({{"1", "ab"}, {"2", "zz"}, {"3", "abc"}, {"4", "zz"}, {"5", "cab"}});
  grid->SetRowBackColor(1, kGridFindMark);  // an earlier mark
  grid->SetRowSelected(3, true, false);
  EXPECT_EQ(grid->FindText(1, u"ab", true, 0, 0), 3);
  EXPECT_EQ(grid->SelectedRows(), (std::vector<int>{0}));
  EXPECT_EQ(grid->GetRowBackColor(0), kGridWhite);  // the first is selected, not marked
  EXPECT_EQ(grid->GetRowBackColor(1), kGridWhite);  // earlier mark cleared
  EXPECT_EQ(grid->GetRowBackColor(2), kGridFindMark);
  EXPECT_EQ(grid->GetRowBackColor(4), kGridFindMark);

  // Multi-select without mark all: the first match's value, other rows deselected.
  grid->SetRowSelected(3, true, false);
  EXPECT_EQ(grid->FindText(1, u"b", false, 0, 2), 1);
  EXPECT_EQ(grid->SelectedRows(), (std::vector<int>{0, 2}));
}

TEST_F(GridFixture, DeleteRowAsksFirst) {
  LoadGridLanguage();
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  grid->SetRowNumbers(true);
  Columns({kGridAlignLeft, kGridAlignRight});
  Rows({{"1", "2"}, {"2", "3"}, {"3", "4"}, {"Total", "9"}});
  boxes.QueueAnswer(platform::kIdNo);
  grid->DeleteRowKeepTotals(1, true);
  EXPECT_EQ(grid->RowCount(), 4);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), u"Delete 2?");
  EXPECT_EQ(boxes.Messages()[0].flags, platform::kMbYesNo | platform::kMbIconQuestion);
  boxes.QueueAnswer(platform::kIdYes);
  grid->DeleteRowKeepTotals(1, true);
  EXPECT_EQ(ColumnTexts(grid->Model(), 1), (Texts{"2", "4", "6"}));
  EXPECT_EQ(ColumnTexts(grid->Model(), 0), (Texts{"1", "2", "Total"}));
  grid->DeleteRowKeepTotals(0, false);
  EXPECT_EQ(ColumnTexts(grid->Model(), 1), (Texts{"4"}));
}

TEST_F(GridFixture, DeleteAfterAHeaderSortKeepsTheTotalsInBothLanguages) {
  grid->SetRowNumbers(true);
  grid->SetTotalsRow(true);
  Columns({kGridAlignLeft, kGridAlignRight});
  for (const char* language : {"00", "01"}) {
    SCOPED_TRACE(language);
    LoadGridLanguage(language);
    const QString label = language == std::string("00") ? QStringLiteral("合计")
                                                         : QStringLiteral("Total");
    grid->DeleteAllRows();
    Rows({{"1", "4"}, {"2", "10"}, {"3", "6"}, {label, "20"}});
    ClickHeader(1);  // ascending the first time, descending the second
    EXPECT_EQ(ColumnTexts(grid->Model(), 0), (Texts{"1", "2", "3", label}));
    EXPECT_EQ(grid->CellText(1, 1), u"6");
    grid->DeleteRowKeepTotals(1, false);
    ASSERT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->CellText(2, 1), u"14");
    EXPECT_EQ(ColumnTexts(grid->Model(), 0), (Texts{"1", "2", label}));
  }
}

TEST_F(GridFixture, HighlightModeAboveTwoIsIgnored) {
  EXPECT_EQ(grid->SetHighlightMode(3), 2);
  EXPECT_EQ(grid->SetHighlightMode(1), 2);
  EXPECT_EQ(grid->SetHighlightMode(0), 1);
  EXPECT_TRUE(grid->EnableHeaderSort(false));
  EXPECT_FALSE(grid->EnableHeaderSort(true));
}

}  // namespace
