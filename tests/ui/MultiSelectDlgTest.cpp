#include "ui/MultiSelectDlg.h"

#include <gtest/gtest.h>

#include <QDir>

#include <functional>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/ListGrid.h"

namespace {

const std::vector<std::u16string> kAwbs = {u"◎999-12345675<LAX>", u"", u"\u3000781-00000011<FRA>",
                                           u"√999-22222226<JFK>", u"◎999-12345675<LAX>"};

class MultiSelectFixture : public ::testing::Test {
 public:
  void SetUp() override { shelltest::LoadProgramLanguage("00"); }
  void Open(std::vector<std::u16string> chosen) {
    selection = std::move(chosen);
    dlg.SetList(u"选择总单", u"总单", &kAwbs, &selection);
    dlg.InitDialog();
    dlg.show();
  }
  std::vector<bool> Selected() const {
    std::vector<bool> rows;
    for (int row = 0; row < dlg.list->RowCount(); ++row) rows.push_back(dlg.list->IsRowSelected(row));
    return rows;
  }
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    const QRect cell = dlg.list->visualRect(dlg.list->model()->index(row, 0));
    QTest::mouseClick(dlg.list->viewport(), Qt::LeftButton, modifiers, cell.center());
  }

  std::vector<std::u16string> selection;
  CMultiSelectDlg dlg;
};

TEST_F(MultiSelectFixture, OpeningSkipsEmptyEntriesAndSelectsEqualTexts) {
  Open({u"◎999-12345675<LAX>", u"not in the list"});
  ASSERT_EQ(dlg.list->RowCount(), 4);
  EXPECT_EQ(Selected(), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(dlg.list->FocusedRow(), 3);
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(dlg.grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/multi_select_dialog.png")));
  // OK: the text that matched no entry is dropped; two of four is "several".
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dlg.result, kSeveralItemsMarker);
  EXPECT_EQ(selection, (std::vector<std::u16string>{u"◎999-12345675<LAX>", u"◎999-12345675<LAX>"}));
}

TEST_F(MultiSelectFixture, ResultByHowManyAreSelected) {
  struct Case {
    const char* name;
    std::function<void(MultiSelectFixture&)> act;
    std::u16string result;
    size_t chosen;
  };
  const std::vector<Case> cases = {
      {"none", [](MultiSelectFixture&) {}, u"", 0},
      {"one", [](MultiSelectFixture& f) { f.ClickRow(1); }, u"\u3000781-00000011<FRA>", 1},
      {"two", [](MultiSelectFixture& f) { f.ClickRow(1); f.ClickRow(2); }, u"★", 2},
      {"all", [](MultiSelectFixture& f) { QTest::mouseClick(f.dlg.SelectAllButton(), Qt::LeftButton); },
       u"", 4},
      {"invert of one", [](MultiSelectFixture& f) {
         f.ClickRow(0);
         QTest::mouseClick(f.dlg.InvertButton(), Qt::LeftButton);
       }, u"★", 3},
      {"clear", [](MultiSelectFixture& f) {
         QTest::mouseClick(f.dlg.SelectAllButton(), Qt::LeftButton);
         QTest::mouseClick(f.dlg.ClearButton(), Qt::LeftButton);
       }, u"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open({});
    c.act(*this);
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result, c.result);
    EXPECT_EQ(selection.size(), c.chosen);
  }
}

TEST_F(MultiSelectFixture, DoubleClickTakesAndCancelKeepsTheSelection) {
  Open({u"√999-22222226<JFK>"});
  QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(selection, std::vector<std::u16string>{u"√999-22222226<JFK>"});

  CMultiSelectDlg modal;
  std::vector<std::u16string> chosen;
  modal.SetList(u"x", u"y", &kAwbs, &chosen);
  QTimer::singleShot(0, [&modal] {
    const QRect cell = modal.list->visualRect(modal.list->model()->index(2, 0));
    QTest::mouseClick(modal.list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(modal.list->viewport(), Qt::LeftButton, {}, cell.center());
  });
  EXPECT_EQ(modal.DoModal(), platform::kIdOk);
  EXPECT_EQ(modal.result, u"√999-22222226<JFK>");
}

}  // namespace
