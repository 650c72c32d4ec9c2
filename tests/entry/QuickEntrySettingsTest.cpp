// The quick entry settings dialog driven as an operator would: it opens on
// the host's values, OK after ticking one print option changes nothing
// else, the delivery way keeps its value whatever order its texts sort in,
// the payment way sets the settlement indicator, and the label option needs
// a one-label template.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "entry/QuickEntrySettingsDlg.h"
#include "platform/MessageBox.h"
#include "tests/entry/EntryTestSupport.h"

namespace {

class QuickEntrySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { entrytest::LoadLanguage(); }

  // Runs the dialog; `operate` acts on it once it is shown.
  int Run(const std::function<void()>& operate) {
    QTimer::singleShot(0, [&] {
      operate();
    });
    return dlg_.DoModal();
  }

  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CQuickEntrySettingsDlg dlg_;
};

QuickEntrySettingsValues HostValues() {
  QuickEntrySettingsValues v;
  v.payDir = u"CC";
  v.payWay = 2;
  v.deliveryWay = 1;
  v.state = 3;
  v.origin = u"CN";
  v.money = u"EUR";
  v.invoiceCopies = 2;
  return v;
}

TEST_F(QuickEntrySettingsTest, OkAfterOnePrintOptionKeepsEveryOtherValue) {
  dlg_.values = HostValues();
  const int result = Run([&] {
    EXPECT_EQ(QStringLiteral("EUR"), dlg_.MoneyList()->currentText());
    EXPECT_EQ(3, dlg_.StateList()->currentData().toInt());
    EXPECT_EQ(1, dlg_.DeliveryList()->currentData().toInt());
    entrytest::SaveScreenshot(dlg_, "quick_entry_settings_zh");
    QTest::mouseClick(dlg_.CarrierBox(), Qt::LeftButton);
    QTest::mouseClick(dlg_.OkButton(), Qt::LeftButton);
  });
  ASSERT_EQ(platform::kIdOk, result);
  QuickEntrySettingsValues want = HostValues();
  want.carrierWaybillPrint = 1;
  EXPECT_EQ(want.payDir, dlg_.values.payDir);
  EXPECT_EQ(want.payWay, dlg_.values.payWay);
  EXPECT_EQ(want.deliveryWay, dlg_.values.deliveryWay);
  EXPECT_EQ(want.state, dlg_.values.state);
  EXPECT_EQ(want.origin, dlg_.values.origin);
  EXPECT_EQ(want.money, dlg_.values.money);
  EXPECT_EQ(want.invoiceCopies, dlg_.values.invoiceCopies);
  EXPECT_EQ(1, dlg_.values.carrierWaybillPrint);
}

// Both delivery values come back as values, not as sorted positions.
TEST_F(QuickEntrySettingsTest, DeliveryWayIsBoundToItsValue) {
  for (int way : {0, 1}) {
    dlg_.values = HostValues();
    dlg_.values.deliveryWay = way;
    ASSERT_EQ(platform::kIdOk, Run([&] { dlg_.OkButton()->click(); }));
    EXPECT_EQ(way, dlg_.values.deliveryWay);
  }
  // Choosing the text of value 0 gives 0 wherever it sorts.
  dlg_.values.deliveryWay = 1;
  Run([&] {
    QComboBox* list = dlg_.DeliveryList();
    list->setCurrentIndex(list->findData(0));
    dlg_.OkButton()->click();
  });
  EXPECT_EQ(0, dlg_.values.deliveryWay);
}

TEST_F(QuickEntrySettingsTest, PaymentWaySetsTheSettlementIndicator) {
  dlg_.values = QuickEntrySettingsValues{};
  Run([&] {
    QComboBox* pay = dlg_.PayWayList();
    pay->setFocus();
    QTest::keyClick(pay, Qt::Key_Down);
    QTest::keyClick(pay, Qt::Key_Down);  // third item: freight collect
    EXPECT_EQ(QStringLiteral("CC"), dlg_.PayDirList()->currentText());
    QTest::keyClick(pay, Qt::Key_Up);
    EXPECT_EQ(QStringLiteral("PP"), dlg_.PayDirList()->currentText());
    dlg_.OkButton()->click();
  });
  EXPECT_EQ(1, dlg_.values.payWay);
  EXPECT_EQ(u"PP", dlg_.values.payDir);
}

TEST_F(QuickEntrySettingsTest, LabelOptionNeedsOneLabelPerSheet) {
  dlg_.labelsPerSheet = [] { return 10; };
  Run([&] {
    QTest::mouseClick(dlg_.LabelBox(), Qt::LeftButton);
    EXPECT_FALSE(dlg_.LabelBox()->isChecked());
    dlg_.reject();
  });
  EXPECT_EQ(1u, boxes_.Count());
  dlg_.labelsPerSheet = [] { return 1; };
  Run([&] {
    QTest::mouseClick(dlg_.LabelBox(), Qt::LeftButton);
    EXPECT_TRUE(dlg_.LabelBox()->isChecked());
    dlg_.OkButton()->click();
  });
  EXPECT_EQ(1, dlg_.values.labelPrint);
}

TEST_F(QuickEntrySettingsTest, ACopyCountThatIsNoWholeNumberKeepsTheDialogOpen) {
  dlg_.values = HostValues();
  Run([&] {
    dlg_.CopiesEdit()->setText(QStringLiteral("2.5"));
    dlg_.OkButton()->click();
    EXPECT_TRUE(dlg_.isVisible());
    EXPECT_EQ(1u, boxes_.Count());
    dlg_.CopiesEdit()->setText(QStringLiteral("3"));
    dlg_.OkButton()->click();
  });
  EXPECT_EQ(3, dlg_.values.invoiceCopies);
}

}  // namespace
