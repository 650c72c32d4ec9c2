#include "ui/TemplateChoiceDlg.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "common/LanguageTable.h"
#include "print/TemplateCache.h"
#include "server/ServerLink.h"
#include "tests/LanguageFiles.h"
#include "ui/ListGrid.h"

namespace {

class TemplateChoiceDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::LoadRepositoryLanguageOnce("templatechoice"); }
  void Open(std::u16string current) {
    dlg.SetKind(2, std::move(current), {u"默认标签", u"6x1", u"一页八枚"});
    dlg.InitDialog();
    dlg.show();
    dlg.activateWindow();
  }
  void ClickRow(int row, bool twice = false) {
    CListGrid* grid = dlg.Grid();
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    if (twice) QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  }
  CTemplateChoiceDlg dlg;
};

TEST_F(TemplateChoiceDlgTest, OpensOnTheCurrentTemplateAndTakesAClick) {
  Open(u"6x1");
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf16(u"快件标签模版选择"));
  ASSERT_EQ(dlg.Grid()->RowCount(), 3);
  EXPECT_TRUE(dlg.Grid()->IsRowSelected(1));
  EXPECT_EQ(dlg.SelectionLabel()->text(), QString::fromUtf16(u"当前选择：6x1"));
  EXPECT_EQ(dlg.OkButton()->text(), QString::fromUtf16(u"确认选择"));
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(dlg.grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/template_choice_dialog.png")));
  ClickRow(2);
  EXPECT_EQ(dlg.selectedName, u"一页八枚");
  EXPECT_EQ(dlg.SelectionLabel()->text(), QString::fromUtf16(u"当前选择：一页八枚"));
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dlg.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(dlg.selectedName, u"一页八枚");
}

TEST_F(TemplateChoiceDlgTest, DoubleClickClosesWithOkAndOkAloneKeepsTheCurrentName) {
  Open(u"默认标签");
  ClickRow(1, true);
  EXPECT_EQ(dlg.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(dlg.selectedName, u"6x1");

  CTemplateChoiceDlg second;
  second.SetKind(2, u"默认标签", {u"默认标签", u"6x1"});
  second.InitDialog();
  second.show();
  QTest::mouseClick(second.OkButton(), Qt::LeftButton);
  EXPECT_EQ(second.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(second.selectedName, u"默认标签");
}

TEST_F(TemplateChoiceDlgTest, NoListAndNoCurrentTemplateChangesNothing) {
  CTemplateCache cache;
  CServerLink link;  // not logged in: the query gives no names
  // The names are asked for first (the window keeps running meanwhile);
  // the dialog is answered once it is open.
  int rows = -1;
  QTimer answer;
  answer.setInterval(10);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* open = qobject_cast<CTemplateChoiceDlg*>(QApplication::activeModalWidget());
    if (!open) return;
    answer.stop();
    rows = open->Grid()->RowCount();
    QTest::mouseClick(open->OkButton(), Qt::LeftButton);
  });
  answer.start();
  EXPECT_EQ(ChooseTemplate(cache, link, "/nonexistent/", kLabelSlot, nullptr), 0);
  EXPECT_EQ(cache.Current(kLabelSlot), nullptr);
  EXPECT_EQ(rows, 0);
}

}  // namespace
