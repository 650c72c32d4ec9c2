#include "ui/ListPickDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/MessageBox.h"

using platform::kIdCancel;
using platform::kIdOk;

namespace {

const std::vector<std::u16string> kCarriers = {u"DHL 快递", u"UPS 红单", u"EMS 国际",
                                               u"FedEx IP", u"UPS 蓝单"};

// A dialog opened without a modal loop, driven by keys and clicks.
class ListPickFixture : public ::testing::Test {
 protected:
  void Open(const std::vector<std::u16string>* items) {
    dlg.SetList(items, u"选择承运商");
    dlg.InitDialog();
    dlg.show();
    dlg.activateWindow();
    dlg.QuickLocateEdit()->setFocus();
  }
  // Types the text key by key (characters beyond ASCII as key events that
  // carry only their text, as an input method delivers them).
  void Type(const QString& text) {
    for (QChar c : text) {
      if (c.unicode() < 0x80) {
        QTest::keyClick(dlg.QuickLocateEdit(), c.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Click, dlg.QuickLocateEdit(), Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
      }
    }
  }
  void Enter(QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }

  CListPickDlg dlg;
};

}  // namespace

TEST_F(ListPickFixture, OpeningSelectsTheFirstLineAndOkTakesIt) {
  Open(&kCarriers);
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf16(u"选择承运商"));
  ASSERT_EQ(dlg.ListBox()->count(), 5);
  EXPECT_EQ(dlg.selectedIndex, 0);
  EXPECT_EQ(dlg.result, u"DHL 快递");
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dlg.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(dlg.selectedIndex, 0);
  EXPECT_EQ(dlg.result, u"DHL 快递");
}

TEST_F(ListPickFixture, NullAndEmptyListsGiveOkWithNothingChosen) {
  const std::vector<std::u16string> empty;
  for (const std::vector<std::u16string>* items : {static_cast<decltype(&empty)>(nullptr), &empty}) {
    CListPickDlg d;
    d.SetList(items, u"x");
    d.InitDialog();
    d.show();
    EXPECT_EQ(d.ListBox()->count(), 0);
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_EQ(d.QDialog::result(), QDialog::Accepted);
    EXPECT_EQ(d.selectedIndex, -1);
    EXPECT_TRUE(d.result.empty());
  }
}

TEST_F(ListPickFixture, QuickLocateFindsTheFirstLineContainingTheTrimmedText) {
  Open(&kCarriers);
  Type(QStringLiteral("UPS"));
  EXPECT_EQ(dlg.selectedIndex, 1);  // the first of the two UPS lines
  // Leading and trailing blanks (and the ideographic space) do not count.
  dlg.QuickLocateEdit()->clear();
  Type(QString::fromUtf16(u"\u3000蓝单 "));
  EXPECT_EQ(dlg.selectedIndex, 4);
  // Case counts: "fedex" is in no line, so the selection stays.
  dlg.QuickLocateEdit()->clear();
  Type(QStringLiteral("fedex"));
  EXPECT_EQ(dlg.selectedIndex, 4);
  // Enter in the box takes the selected line.
  Enter(dlg.QuickLocateEdit());
  EXPECT_EQ(dlg.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(dlg.result, u"UPS 蓝单");
  EXPECT_EQ(dlg.selectedIndex, 4);
}

TEST_F(ListPickFixture, EmptyingTheBoxByTypingSelectsTheFirstLine) {
  Open(&kCarriers);
  Type(QStringLiteral("EMS"));
  EXPECT_EQ(dlg.selectedIndex, 2);
  for (int i = 0; i < 3; ++i) QTest::keyClick(dlg.QuickLocateEdit(), Qt::Key_Backspace);
  EXPECT_EQ(dlg.QuickLocateEdit()->text(), QString());
  EXPECT_EQ(dlg.selectedIndex, 0);
}

TEST_F(ListPickFixture, ClearButtonEmptiesTheBoxWithoutMovingTheSelection) {
  Open(&kCarriers);
  Type(QStringLiteral("FedEx"));
  EXPECT_EQ(dlg.selectedIndex, 3);
  QTest::mouseClick(dlg.ClearButton(), Qt::LeftButton);
  EXPECT_TRUE(dlg.QuickLocateEdit()->text().isEmpty());
  EXPECT_EQ(dlg.selectedIndex, 3);
  EXPECT_EQ(dlg.focusWidget(), dlg.QuickLocateEdit());
  EXPECT_TRUE(dlg.isVisible());
}

TEST_F(ListPickFixture, EnterOutsideTheBoxMovesOnLikeTab) {
  Open(&kCarriers);
  dlg.ListBox()->setFocus();
  QTest::keyClick(dlg.ListBox(), Qt::Key_Down);
  EXPECT_EQ(dlg.selectedIndex, 1);
  Enter(dlg.ListBox());
  EXPECT_TRUE(dlg.isVisible()) << "Enter on the list must not close the dialog";
  EXPECT_EQ(dlg.focusWidget(), dlg.OkButton());
  // Enter on OK moves on too; a click takes the line.
  Enter(dlg.OkButton());
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.focusWidget(), dlg.CancelButton());
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dlg.result, u"UPS 红单");
}

TEST_F(ListPickFixture, DoubleClickTakesTheLine) {
  Open(&kCarriers);
  QListWidget* list = dlg.ListBox();
  QRect r = list->visualItemRect(list->item(2));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(dlg.selectedIndex, 2);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(dlg.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(dlg.result, u"EMS 国际");
}

TEST(ListPickDlg, ModalPickAndEscape) {
  CListPickDlg dlg;
  dlg.SetList(&kCarriers, u"");
  QTimer::singleShot(0, [&] {
    QTest::keyClicks(dlg.QuickLocateEdit(), QStringLiteral("IP"));
    QTest::keyClick(dlg.QuickLocateEdit(), Qt::Key_Enter);
  });
  EXPECT_EQ(dlg.DoModal(), kIdOk);
  EXPECT_EQ(dlg.result, u"FedEx IP");
  EXPECT_EQ(dlg.selectedIndex, 3);

  // Opened again, the dialog starts afresh; Escape cancels.
  QTimer::singleShot(0, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
}
