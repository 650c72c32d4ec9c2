#include "ui/CustomerWaybillQueryDlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/LinkLabel.h"
#include "ui/QueryDates.h"
#include "ui/ViewHost.h"

namespace {

class KindsHost : public CViewHost {
 public:
  std::vector<std::u16string> ServiceKindNames() const override {
    return {u"ZIZ国际", u"DHL", u"EMS"};
  }
};

TEST(QueryDates, BusinessDatesAndTimes) {
  shelltest::LoadProgramLanguage("00");
  const CivilDate today{2024, 3, 20};
  QueryDateCheck c = CheckQueryDates(0, u"2024-3-1", u"2024.12.31", today);
  EXPECT_EQ(c.fromBound, u"2024.03.01 0:0:0.0");
  EXPECT_EQ(c.toBound, u"2024.03.20 23:59:59.998") << "a future last date counts as today";
  EXPECT_TRUE(c.message.empty());
  c = CheckQueryDates(0, u"", u"", today);
  EXPECT_EQ(c.message, AppLanguage().Text(170011) + u"\r\n" + AppLanguage().Text(170012) + u"\r\n");
  c = CheckQueryDates(0, u"2024.03.10", u"2024.03.09", today);
  EXPECT_EQ(c.message, AppLanguage().Text(170013));
  c = CheckQueryDates(1, u"2024.03.10 8:5", u"", today);
  EXPECT_TRUE(c.message.empty());
  EXPECT_EQ(c.fromBound.substr(0, 10), u"2024.03.10");
}

class CustomerWaybillFixture : public ::testing::Test {
 protected:
  void SetUp() override { shelltest::LoadProgramLanguage("00"); }
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  KindsHost host_;
};

TEST_F(CustomerWaybillFixture, OkAtOnceNamesBothMissingDates) {
  CCustomerWaybillQueryDlg dlg(501, u"<C501>O'Neil [100%] 贸易");
  dlg.host = &host_;
  dlg.InitDialog();
  dlg.show();
  EXPECT_EQ(dlg.customerBox->text(), QString::fromUtf16(u"<C501>O'Neil [100%] 贸易"));
  EXPECT_FALSE(dlg.customerBox->isEnabled());
  EXPECT_EQ(dlg.recordStateList->currentIndex(), 11);
  EXPECT_EQ(dlg.kindList->count(), 3);
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_TRUE(dlg.isVisible());
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.Messages()[0].text,
            AppLanguage().Text(170011) + u"\r\n" + AppLanguage().Text(170012) + u"\r\n");
  EXPECT_EQ(boxes_.Messages()[0].caption, AppLanguage().Text(170014));

  // The date label fills today..today; every kind ticked counts as none.
  QTest::mouseClick(dlg.dateLabel, Qt::LeftButton);
  const QString today = QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"));
  EXPECT_EQ(dlg.dateFromBox->text(), today);
  EXPECT_EQ(dlg.dateToBox->text(), today);
  for (int row = 0; row < 3; ++row) dlg.kindList->item(row)->setSelected(true);
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(dlg.grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/customer_waybill_query_dialog.png")));
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.selectedKindCount, 0);
  EXPECT_EQ(dlg.selectedKinds.size(), 3u);
  EXPECT_EQ(dlg.dateFromBound, today.toStdU16String() + u" 0:0:0.0");
}

TEST_F(CustomerWaybillFixture, KindsCycleAndResetKeepsTicks) {
  CCustomerWaybillQueryDlg dlg(7, u"C7");
  dlg.host = &host_;
  dlg.InitDialog();
  dlg.show();
  dlg.kindList->item(1)->setSelected(true);
  QTest::mouseClick(dlg.dateKindLabel, Qt::LeftButton);
  EXPECT_EQ(dlg.dateKind, 1);
  EXPECT_EQ(dlg.dateKindLabel->text(), QString::fromStdU16String(AppLanguage().Text(170002)));
  EXPECT_EQ(dlg.dateFromBox->text().size(), 19) << "the two-hour window";
  QTest::mouseClick(dlg.dateKindLabel, Qt::LeftButton);
  QTest::mouseClick(dlg.dateKindLabel, Qt::LeftButton);
  EXPECT_EQ(dlg.dateKind, 0);
  dlg.payBoxes[2]->setChecked(true);
  QTest::mouseClick(dlg.ResetButton(), Qt::LeftButton);
  EXPECT_FALSE(dlg.payBoxes[2]->isChecked());
  EXPECT_TRUE(dlg.payBoxes[0]->isChecked());
  EXPECT_TRUE(dlg.dateFromBox->text().isEmpty());
  EXPECT_TRUE(dlg.kindList->item(1)->isSelected());
  EXPECT_EQ(dlg.dateKind, 0);
  // Escape cancels (the toolkit's own keys).
  QTest::keyClick(dlg.senderBox, Qt::Key_Escape);
  EXPECT_FALSE(dlg.isVisible());
}

}  // namespace
