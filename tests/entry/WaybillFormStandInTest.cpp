// The full waybill form with the application's look-ups against the
// stand-in server, driven with keys as an operator: Enter in the
// destination takes entry 0 of what the field holds, the payment direction
// shows and keeps a loaded waybill's code, the keys that move between
// fields never change a combo's value, and a number box refuses a text
// that is no number.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/WaybillForm.h"
#include "platform/MessageBox.h"
#include "refdata/DestinationTable.h"
#include "shell/BrantleClientApp.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/shell/StandInSuite.h"
#include "ui/SuggestPopup.h"

namespace {

class WaybillFormStandIn : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-FORM");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage("00");
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadServiceKinds());
    app_.RefreshClientList();
    app_.RefreshDestinations();
    form_ = std::make_unique<CWaybillDlg>();
    form_->Attach(&app_.Link(), nullptr, &app_);
    form_->resize(620, 720);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
  void TearDown() override {
    form_.reset();
    app_.Link().Logout();
  }

  QLineEdit* Text(int text) const { return static_cast<QLineEdit*>(form_->TextBox(text)); }
  QWidget* Focus() const { return QApplication::focusWidget(); }
  // Typed into the waybill number search box and loaded with Enter.
  void Load(const char* number) {
    QLineEdit* search = form_->SearchBox(0);
    search->setFocus();
    search->selectAll();
    QTest::keyClicks(search, number);
    QTest::keyClick(search, Qt::Key_Return);
    ASSERT_EQ(app_.Link().FindWaybillId(0, number, false), form_->State().loadedId)
        << number << " " << Utf8FromWide(boxes_.LastText());
  }

  shelltest::TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  std::unique_ptr<CWaybillDlg> form_;
};

// Enter in the destination searches the destination as it stands now and
// takes its first entry: never a row left from an earlier search, never
// class 0 for want of a search.
TEST_F(WaybillFormStandIn, EnterInTheDestinationTakesEntryZeroOfItsText) {
  // The sample's 日本 has class byte 0: its receiver country becomes 中国
  // (the rule of a class-0 entry), where the sample waybill holds 美国.
  const DestinationRecord* japan = app_.Destinations().FindByName(GbkFromWide(u"日本"));
  ASSERT_NE(nullptr, japan);
  ASSERT_EQ(0, japan->number);

  // No search at all: a loaded waybill to 日本 (class 1 as stored).
  Load("BR10000001");
  ASSERT_EQ(QStringLiteral("日本"), Text(kFfDes)->text());
  ASSERT_EQ(1, form_->ClassCombo()->currentIndex());
  ASSERT_EQ(QStringLiteral("美国"), Text(kFfRCountry)->text());
  // Enter in the destination: 日本 with its class and country.
  auto enterTakesJapan = [&] {
    Text(kFfDes)->setFocus();
    QTest::keyClick(Text(kFfDes), Qt::Key_Return);
    form_->ReadForm();
    EXPECT_EQ(u"日本", form_->Values().texts[kFfDes]);
    EXPECT_EQ(0, form_->Values().classIndex);
    EXPECT_EQ(u"中国", form_->Values().texts[kFfRCountry]);
  };
  enterTakesJapan();

  // "US" searched, the form cleared, the same waybill loaded: Enter takes
  // 日本 again, not the 美国 of the earlier search.
  form_->Clear(1);
  Text(kFfDes)->setFocus();
  QTest::keyClicks(Text(kFfDes), "US");
  ASSERT_TRUE(form_->DestinationPopup()->isVisible());
  form_->Clear(1);
  Load("BR10000001");
  enterTakesJapan();
  entrytest::SaveScreenshot(*form_, "waybill_form_destination_taken");
}

// The destination suggestions know the loaded waybill's express kind: the
// destinations the kind does not serve are not marked (shown grey).
TEST_F(WaybillFormStandIn, DestinationSuggestionsMarkWhatTheKindServes) {
  Load("BR10000004");  // ZIZ国际: serves 美国 and 日本
  ASSERT_EQ(QStringLiteral("ZIZ国际"), QString::fromStdU16String(form_->Values().kind));
  Text(kFfDes)->setFocus();
  Text(kFfDes)->selectAll();
  QTest::keyClicks(Text(kFfDes), "D01");
  CDestinationSuggestRows& rows = form_->DestinationPopup()->Source();
  ASSERT_TRUE(form_->DestinationPopup()->isVisible());
  std::u16string name;
  ASSERT_NE(nullptr, rows.GetHit(0, &name));
  EXPECT_EQ(u"广东城0101", name);
  EXPECT_FALSE(rows.IsMarked(0));
  Text(kFfDes)->selectAll();
  QTest::keyClicks(Text(kFfDes), "US");
  ASSERT_NE(nullptr, rows.GetHit(0, &name));
  EXPECT_EQ(u"美国", name);
  EXPECT_TRUE(rows.IsMarked(0));
}

// The payment direction: a loaded COD waybill shows COD and keeps it when
// saved; the pay combo sets CC or PP where the operator sees it; a code
// typed into the box is saved.
TEST_F(WaybillFormStandIn, PaymentDirectionShowsAndKeepsItsCode) {
  Load("BR10000002");
  EXPECT_EQ(2, form_->PayCombo()->currentIndex());
  EXPECT_EQ(QStringLiteral("COD"), form_->PayDirCombo()->currentText());
  entrytest::SaveScreenshot(*form_, "waybill_form_pay_direction");
  QTest::keyClick(Text(kFfReceiver), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(0, form_->State().loadedId) << Utf8FromWide(boxes_.LastText());
  Load("BR10000002");
  EXPECT_EQ(QStringLiteral("COD"), form_->PayDirCombo()->currentText()) << "a load never rewrites it";

  // The operator's choice of the pay way.
  form_->PayCombo()->setCurrentIndex(1);
  EXPECT_EQ(QStringLiteral("PP"), form_->PayDirCombo()->currentText());
  form_->PayCombo()->setCurrentIndex(2);
  EXPECT_EQ(QStringLiteral("CC"), form_->PayDirCombo()->currentText());

  // A code typed into the box.
  QLineEdit* code = form_->PayDirCombo()->lineEdit();
  code->setFocus();
  code->selectAll();
  QTest::keyClicks(code, "dp");
  QTest::keyClick(code, Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(0, form_->State().loadedId) << Utf8FromWide(boxes_.LastText());
  Load("BR10000002");
  EXPECT_EQ(QStringLiteral("DP"), form_->PayDirCombo()->currentText());
  EXPECT_EQ(2, form_->PayCombo()->currentIndex());
}

// Up, Down and Enter in the combos move between the fields and leave every
// value as it was.
TEST_F(WaybillFormStandIn, MovingThroughTheCombosChangesNoValue) {
  Load("BR10000004");
  struct Combo {
    const char* name;
    QComboBox* box;
  } combos[] = {{"pay", form_->PayCombo()},         {"class", form_->ClassCombo()},
                {"item type", form_->ItemTypeCombo()}, {"currency", form_->CurrencyCombo()},
                {"pay direction", form_->PayDirCombo()}};
  auto inside = [](QComboBox* box, QWidget* w) { return w == box || box->isAncestorOf(w); };
  for (const Combo& c : combos) {
    SCOPED_TRACE(c.name);
    const QString before = c.box->currentText();
    for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return}) {
      c.box->setFocus();
      ASSERT_TRUE(inside(c.box, Focus()));
      QTest::keyClick(Focus(), static_cast<Qt::Key>(key));
      EXPECT_FALSE(inside(c.box, Focus())) << "key " << key;
      EXPECT_EQ(before, c.box->currentText()) << "key " << key;
    }
  }
  form_->ReadForm();
  const FullFormValues values = form_->Values();
  QTest::keyClick(Text(kFfReceiver), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(0, form_->State().loadedId) << Utf8FromWide(boxes_.LastText());
  Load("BR10000004");
  form_->ReadForm();
  EXPECT_EQ(values.payIndex, form_->Values().payIndex);
  EXPECT_EQ(values.classIndex, form_->Values().classIndex);
  EXPECT_EQ(values.itemType, form_->Values().itemType);
  EXPECT_EQ(values.texts[kFfMoney], form_->Values().texts[kFfMoney]);
  EXPECT_EQ(values.texts[kFfPayDir], form_->Values().texts[kFfPayDir]);
}

// "abc" in the weight of a loaded waybill: the keys cannot put it there,
// and a text that got there otherwise is refused by the save with the
// standard number message, the focus on the weight; the stored weight
// stays.
TEST_F(WaybillFormStandIn, TheWeightTakesOnlyANumber) {
  Load("BR10000005");
  QLineEdit* weight = form_->NumberEdit(kFfWeight);
  ASSERT_EQ(QStringLiteral("2.500"), weight->text());
  weight->setFocus();
  weight->selectAll();
  QTest::keyClicks(weight, "abc");
  EXPECT_EQ(QStringLiteral("2.500"), weight->text());

  weight->setText(QStringLiteral("abc"));
  Text(kFfReceiver)->setFocus();
  QTest::keyClick(Text(kFfReceiver), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(21201), boxes_.LastText());
  EXPECT_EQ(weight, Focus());
  EXPECT_EQ(QStringLiteral("abc"), weight->text());
  EXPECT_GT(form_->State().loadedId, 0) << "nothing saved, the waybill stays loaded";

  // The pieces box takes a whole number.
  weight->setText(QStringLiteral("2.5"));
  form_->NumberEdit(kFfItem)->setText(QStringLiteral("1.5"));
  QTest::keyClick(Text(kFfReceiver), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(AppLanguage().Text(21200), boxes_.LastText());
  EXPECT_EQ(form_->NumberEdit(kFfItem), Focus());

  form_->Clear(1);
  Load("BR10000005");
  EXPECT_EQ(QStringLiteral("2.500"), form_->NumberEdit(kFfWeight)->text());
}

}  // namespace
