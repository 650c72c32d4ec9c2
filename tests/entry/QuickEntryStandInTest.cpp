// The quick entry page and its form against the local stand-in server,
// driven with the keyboard as a depot operator keys waybills: a whole
// waybill typed and saved with Enter, slot locks and the customer lock, the
// settings dialog, scale readings, the grid following saves and deletes,
// and pictures of the form in every express kind in both languages.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "devices/PortMessages.h"
#include "devices/ScaleSource.h"
#include "entry/GoodsListDlg.h"
#include "entry/PieceWeightDlg.h"
#include "entry/QuickEntryDlg.h"
#include "entry/QuickEntryPage.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "print/PrintDoors.h"
#include "print/TemplateCache.h"
#include "print/TemplateModel.h"
#include "refdata/DestinationTable.h"
#include "refdata/RecordStores.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "tests/QtTestSupport.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/shell/StandInSuite.h"
#include "ui/LinkLabel.h"
#include "ui/PrintConfirmDlg.h"
#include "ui/ViewHost.h"

namespace {

class TestHost : public CViewHost {
 public:
  explicit TestHost(CBrantleClientApp* app) : app_(app) {}
  CBrantleClientApp* Application() override { return app_; }
  CPrintDoors* PrintDoors() override { return &app_->PrintDoors(); }
  QSize ScreenSize() const override { return QSize(1280, 768); }

 private:
  CBrantleClientApp* app_;
};

class FakeScale : public IScaleSource {
 public:
  int Open(QObject*) override { return 1; }
  int ReadWeight() override { return grams; }
  void Close() override {}
  int grams = -1;
};

class QuickEntryStandIn : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-QUICK");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage("00");
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadServiceKinds());
    // A kind of three slots: destination, weight, number.
    CServiceKind three("T3");
    three.wideCode = u"T3";
    three.SetFieldKinds("1,4,2,");
    app_.serviceKinds.push_back(three);
    // A kind with the dimensions, the weight and the volume, class 1 ('D').
    CServiceKind sizes("T5");
    sizes.wideCode = u"T5";
    sizes.SetFieldKinds("64,4,57,");
    sizes.weightTypeC = 1;
    app_.serviceKinds.push_back(sizes);
    app_.RefreshClientList();
    app_.RefreshDestinations();
    std::filesystem::create_directories(folder_.Path() / "DATA");
    ASSERT_GE(app_.InputRecords().Open(folder_.Path() / "DATA/recinput.dat"), 0);
  }
  void TearDown() override {
    page_.reset();
    app_.Link().Logout();
  }

  // Page 0 as the view builds it, shown with the form.
  CQuickEntryPage& OpenPage() {
    page_ = std::make_unique<CQuickEntryPage>();
    page_->host = &host_;
    page_->index = 0;
    page_->printPause = [](int) {};
    page_->CreatePageWindow(nullptr, QSize(1280, 720));
    page_->OnPageCreated();
    page_->show();
    QApplication::setActiveWindow(page_.get());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(page_.get()));
    Form().SetScaleSource(&scale_);
    return *page_;
  }
  CQuickEntryDlg& Form() { return *page_->Form(); }
  QWidget* Focus() const { return QApplication::focusWidget(); }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = Focus() ? Focus() : page_.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
  }
  // Every character as one key with its text (Chinese included, as an
  // input method delivers it).
  void Type(const QString& text) {
    for (QChar c : text) {
      QWidget* target = Focus();
      ASSERT_NE(nullptr, target);
      if (c.unicode() < 128) {
        QTest::keyClick(target, c.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    }
  }

  // Types the customer's name and takes the first suggestion with Enter.
  void TypeCustomer(const QString& name) {
    Form().CustomerEdit()->setFocus();
    Type(name);
    ASSERT_TRUE(Form().ClientPopup()->isVisible());
    Key(Qt::Key_Return);
  }

  int32_t IdOf(const char* number) { return app_.Link().FindWaybillId(0, number, false); }

  shelltest::TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  TestHost host_{&app_};
  FakeScale scale_;
  std::unique_ptr<CQuickEntryPage> page_;
};

// A whole waybill keyed without the mouse: the customer from its
// suggestion, every slot typed and left with Enter, Enter on the last slot
// saves.  The waybill is on the stand-in and in the page's grid, and the
// form is ready for the next one.
TEST_F(QuickEntryStandIn, AWholeWaybillIsKeyedAndSavedWithKeysOnly) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode(GbkFromWide(u"ZIZ国际"));
  ASSERT_NE(nullptr, form.Kind());
  ASSERT_EQ(u"ZIZ国际", WideFromGbk(form.Kind()->cemskind));
  form.Clear();
  EXPECT_EQ(form.CustomerEdit(), Focus());

  TypeCustomer(QStringLiteral("深圳华南"));
  EXPECT_EQ(1, form.Entry().customerId);
  EXPECT_EQ(form.SlotEdit(0), Focus());

  const std::map<int, QString> typed = {
      {0, "Shenzhen"}, {1, QStringLiteral("美国")}, {2, "br11000001"}, {3, "tn5501"},
      {4, "2.5"}, {5, "120"}, {6, QStringLiteral("陈先生")}, {7, "John O'Hara"},
      {8, "+1 555 0100"}, {9, "Acme"}, {10, "10001"}, {11, "5th Ave 1"}, {12, "USA"},
      {13, "New York"}, {14, "NY"}, {15, QStringLiteral("张三")}, {16, QStringLiteral("李四")},
      {17, QStringLiteral("王五")}, {18, "Bearer"}};
  const int last = form.LastUnlockedSlot();
  ASSERT_EQ(18, last) << "the tracking dates are shown, never edited";
  for (int slot = 0; slot <= last; ++slot) {
    ASSERT_EQ(form.SlotEdit(slot), Focus()) << slot;
    const int kind = form.SlotKind(slot);
    Type(typed.at(kind));
    if (kind == 1) {
      EXPECT_TRUE(Form().DestinationPopup()->isVisible()) << "the look-up ran while typing";
    }
    if (slot == last) entrytest::SaveScreenshot(*page_, "quick_entry_page_keyed");
    Key(Qt::Key_Return);
  }
  ASSERT_TRUE(boxes_.Count() == 0) << Utf8FromWide(boxes_.LastText());
  const int32_t id = IdOf("BR11000001");
  ASSERT_GT(id, 0);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->FindRowById(id) >= 0; }));
  const int row = page_->grid->FindRowById(id);
  EXPECT_EQ(u"BR11000001", page_->grid->CellText(row, 4));
  EXPECT_EQ(u"TN5501", page_->grid->CellText(row, 5));
  EXPECT_EQ(u"2.500", page_->grid->CellText(row, 8));
  EXPECT_EQ(u"John O'Hara", page_->grid->CellText(row, 15));
  EXPECT_EQ(u"深圳华南贸易有限公司", page_->grid->CellText(row, 1));
  // Ready for the next waybill: empty slots, the focus on the customer.
  EXPECT_EQ(0, form.Entry().loadedId);
  EXPECT_TRUE(form.SlotEdit(2)->text().isEmpty());
  EXPECT_EQ(form.CustomerEdit(), Focus());
  entrytest::SaveScreenshot(*page_, "quick_entry_page_saved");

  // Opened again from the grid: loaded, status red, delete allowed; Ctrl+D
  // makes it new again.
  page_->OnRowDoubleClick(row);
  EXPECT_TRUE(page_->deleteEnabled);
  EXPECT_EQ(id, form.Entry().loadedId);
  EXPECT_EQ(QStringLiteral("BR11000001"), form.SlotEdit(2)->text());
  EXPECT_TRUE(form.StatusLabel()->text().startsWith(QStringLiteral("◆")));
  entrytest::SaveScreenshot(*page_, "quick_entry_page_loaded");
  Key(Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(0, form.Entry().loadedId);

  // Loaded again and deleted with Ctrl+G: the row goes, the form is new.
  page_->OnRowDoubleClick(row);
  ASSERT_EQ(id, form.Entry().loadedId);
  boxes_.QueueAnswer(platform::kIdYes);
  form.SlotEdit(3)->setFocus();
  Key(Qt::Key_G, Qt::ControlModifier);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->FindRowById(id) < 0; }))
      << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(0, page_->grid->RowCount());
  EXPECT_EQ(0, form.Entry().loadedId);
  EXPECT_FALSE(page_->deleteEnabled);
}

// A number keyed into a new waybill fills the form from the pickup order
// that carries it, once: customer, destination, weight, receiver.
TEST_F(QuickEntryStandIn, APickupOrderFillsTheForm) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode(GbkFromWide(u"ZIZ国际"));
  form.FocusKind(2);
  Type(QStringLiteral("pr00001"));
  Key(Qt::Key_Return);
  EXPECT_FALSE(form.PreInputTaken()) << "no order carries that number";
  form.FocusKind(2);
  form.SlotEdit(2)->clear();
  Type(QStringLiteral("pr0000001"));
  Key(Qt::Key_Return);
  ASSERT_TRUE(form.PreInputTaken()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(1, form.Entry().customerId);
  EXPECT_FALSE(form.CustomerEdit()->isEnabled());
  EXPECT_EQ(QStringLiteral("美国"), form.SlotEdit(form.SlotOfKind(1))->text());
  EXPECT_EQ(QStringLiteral("3.500"), form.SlotEdit(form.SlotOfKind(4))->text());
  EXPECT_EQ(QStringLiteral("John Smith"), form.SlotEdit(form.SlotOfKind(7))->text());
  EXPECT_EQ(QStringLiteral("2"), form.CountEdit()->text());
  entrytest::SaveScreenshot(form, "quick_entry_pickup_order");
  form.Clear();
  EXPECT_FALSE(form.PreInputTaken());
}

// A locked slot keeps its text for the next waybill; locking the last slot
// makes the slot before it the one where Enter saves.  A locked customer
// stays and the focus starts on the first slot.
TEST_F(QuickEntryStandIn, LocksCarryTextsToTheNextWaybill) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode("EMS");
  ASSERT_EQ(15, form.ShownSlots());
  EXPECT_EQ(14, form.LastUnlockedSlot());
  // The receiver's slots locked: the sender's slot is the last unlocked one.
  for (int slot = 14; slot >= 7; --slot) QTest::mouseClick(form.SlotLabel(slot), Qt::LeftButton);
  EXPECT_EQ(6, form.LastUnlockedSlot());
  TypeCustomer(QStringLiteral("Shenzhen Bright"));
  ASSERT_EQ(2, form.Entry().customerId);
  QTest::mouseClick(form.CustomerLabel(), Qt::LeftButton);
  EXPECT_TRUE(form.CustomerLocked());
  // The origin and the sender typed, then locked.
  EXPECT_EQ(form.SlotEdit(0), Focus());
  Type(QStringLiteral("深圳"));
  form.FocusKind(6);
  Type(QStringLiteral("Amy"));
  Key(Qt::Key_Up);
  QTest::mouseClick(form.SlotLabel(6), Qt::LeftButton);  // the last unlocked slot
  EXPECT_EQ(5, form.LastUnlockedSlot());
  QTest::mouseClick(form.SlotLabel(0), Qt::LeftButton);

  form.Clear();
  EXPECT_EQ(form.SlotEdit(1), Focus()) << "customer locked: the first unlocked slot";
  const std::map<int, QString> typed = {
      {1, QStringLiteral("美国")}, {2, "EE110000001CN"}, {3, ""}, {4, "1.2"}, {5, "35"}};
  for (int slot = 1; slot <= 5; ++slot) {
    ASSERT_EQ(form.SlotEdit(slot), Focus()) << slot;
    Type(typed.at(form.SlotKind(slot)));
    Key(Qt::Key_Return);
  }
  ASSERT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
  const int32_t id = IdOf("EE110000001CN");
  ASSERT_GT(id, 0);
  EXPECT_EQ(QStringLiteral("深圳"), form.SlotEdit(0)->text());
  EXPECT_EQ(QStringLiteral("Amy"), form.SlotEdit(6)->text());
  EXPECT_TRUE(form.SlotEdit(2)->text().isEmpty());
  EXPECT_EQ(2, form.Entry().customerId);
  EXPECT_EQ(u"深圳", form.Entry().texts[0]);
  entrytest::SaveScreenshot(*page_, "quick_entry_locks");

  // Copy all and paste all through the page, without the clipboard.
  form.FocusKind(1);
  Type(QStringLiteral("日本"));
  page_->OnCopyAll();
  EXPECT_TRUE(page_->pasteReady);
  page_->OnNewRecord();
  EXPECT_TRUE(form.SlotEdit(1)->text().isEmpty());
  page_->OnPasteAll();
  EXPECT_EQ(QStringLiteral("日本"), form.SlotEdit(1)->text());
}

// A kind of three slots lays out destination, weight and number; the weight
// slot takes the scale's readings as the rounding setting says.
TEST_F(QuickEntryStandIn, ThreeSlotKindAndScaleReadings) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode("T3");
  ASSERT_EQ(3, form.ShownSlots());
  EXPECT_EQ(1, form.SlotOfKind(4));
  for (int slot = 3; slot < CQuickEntryDlg::kSlots; ++slot) EXPECT_TRUE(form.SlotEdit(slot)->isHidden());

  app_.volumetricWeightStep = 5;
  scale_.grams = 12345;
  platform::SendPrivateMessage(&form, devices::WM_PORT_RECEIVED, 0, 0);
  EXPECT_EQ(QStringLiteral("12.35"), form.SlotEdit(1)->text());
  app_.volumetricWeightStep = -1;
  platform::SendPrivateMessage(&form, devices::WM_PORT_RECEIVED, 0, 0);
  EXPECT_EQ(QStringLiteral("12.345"), form.SlotEdit(1)->text());
  scale_.grams = 0;
  platform::SendPrivateMessage(&form, devices::WM_PORT_RECEIVED, 0, 0);
  EXPECT_EQ(QStringLiteral("0"), form.SlotEdit(1)->text());
  form.SlotEdit(1)->setText(QStringLiteral("3"));
  platform::SendPrivateMessage(&form, devices::WM_PORT_RECEIVED, 0, 0);
  EXPECT_EQ(QStringLiteral("3"), form.SlotEdit(1)->text()) << "a second zero is shown once only";
}

// The settings start from the form's values; OK after ticking a print
// option keeps the payment codes and the destination class found by the
// destination look-up.
TEST_F(QuickEntryStandIn, SettingsKeepWhatTheFormHolds) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  // A customer of another station, selected by id as a loaded waybill's.
  ASSERT_TRUE(form.SelectCustomer(4));
  EXPECT_EQ(u"CC", form.Entry().payDir) << "npayway 2";
  EXPECT_NE(-1, form.StatusLabel()->text().indexOf(QStringLiteral("|CC|")));
  const DestinationRecord* usa = app_.Destinations().FindByName(GbkFromWide(u"美国"));
  ASSERT_NE(nullptr, usa);
  form.FocusKind(1);
  Type(QStringLiteral("美国"));
  Key(Qt::Key_Return);
  const uint8_t language = form.Entry().language;
  EXPECT_EQ(usa->number, language);

  QTimer::singleShot(0, [&] {
    CQuickEntrySettingsDlg& dlg = form.SettingsDialog();
    EXPECT_EQ(QStringLiteral("CC"), dlg.PayDirList()->currentText());
    EXPECT_EQ(2, dlg.PayWayList()->currentData().toInt());
    entrytest::SaveScreenshot(dlg, "quick_entry_settings_from_form");
    QTest::mouseClick(dlg.OwnBox(), Qt::LeftButton);
    dlg.OkButton()->click();
  });
  QTest::mouseClick(form.StatusLabel(), Qt::LeftButton);
  EXPECT_EQ(1, form.PrintChoices().ownWaybillPrint);
  EXPECT_EQ(language, form.Entry().language);
  EXPECT_EQ(u"CC", form.Entry().payDir);
  EXPECT_EQ(2, form.Entry().payWay);
  EXPECT_EQ(1, form.DeliveryWay());
}

// Dimensions left with Tab give the volume and the chargeable weight; no
// dimensions empty the slot and change nothing else.
TEST_F(QuickEntryStandIn, DimensionsGiveVolumeAndWeight) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  app_.Settings().divisorLetterOverride = 0;  // the kind's class letter counts
  form.SelectKindByCode("T5");
  form.FocusKind(4);
  Type("10");
  form.FocusKind(64);
  Type("60*40*30");
  Key(Qt::Key_Tab);
  EXPECT_EQ('D', form.VolumeLetter());
  EXPECT_EQ(QStringLiteral("60*40*30"), form.SlotEdit(0)->text());
  EXPECT_EQ(QStringLiteral("0.072"), form.SlotEdit(2)->text());
  EXPECT_EQ(QStringLiteral("14.400"), form.SlotEdit(1)->text()) << "72,000 cm3 / 5,000";

  form.Clear();
  form.FocusKind(4);
  Type("10");
  form.FocusKind(64);
  Type("0*40*30");
  Key(Qt::Key_Tab);
  EXPECT_TRUE(form.SlotEdit(0)->text().isEmpty());
  EXPECT_TRUE(form.SlotEdit(2)->text().isEmpty());
  EXPECT_EQ(u"10.000", form.Entry().texts[4]);
}

// "60*40*30" under kinds of every class code, saved: the letter stored
// behind the dimensions is the one whose divisor gave the weight.  The
// application's override ('W') wins over every kind's class letter; with
// the override cleared, the kind's class letter counts.
TEST_F(QuickEntryStandIn, StoredVolumeLetterAgreesWithTheWeight) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  CServiceKind* ems = app_.FindServiceKind("EMS");
  ASSERT_NE(nullptr, ems);
  ems->SetFieldKinds("4,64,57,2,");
  struct Case {
    char override;
    uint8_t classCode;
    const char* lwh;
    double kilograms;
  } cases[] = {
      {'W', 0, "60*40*30W", 6.0},  {'W', 1, "60*40*30W", 6.0}, {'W', 2, "60*40*30W", 6.0},
      {'W', 3, "60*40*30W", 6.0},  {'W', 4, "60*40*30W", 6.0}, {'W', 5, "60*40*30W", 6.0},
      {'W', 6, "60*40*30W", 6.0},  {0, 0, "60*40*30", 12.0},   {0, 1, "60*40*30D", 14.4},
      {0, 2, "60*40*30", 12.0},    {0, 3, "60*40*30E", 9.0},   {0, 4, "60*40*30T", 24.0},
      {0, 5, "60*40*30S", 10.285}, {0, 6, "60*40*30W", 6.0},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("override ") + (c.override ? c.override : '0') + " class " +
                 std::to_string(c.classCode));
    app_.Settings().divisorLetterOverride = c.override;
    ems->weightTypeC = c.classCode;
    form.SelectKind(nullptr);
    form.SelectKindByCode("EMS");
    if (form.Entry().customerId != 2) TypeCustomer(QStringLiteral("Shenzhen Bright"));
    ASSERT_EQ(2, form.Entry().customerId);
    form.FocusKind(4);
    const QString number = QStringLiteral("EE1200000%1CN").arg(++n, 2, 10, QLatin1Char('0'));
    for (const QString& text : {QStringLiteral("1"), QStringLiteral("60*40*30"), QString(), number}) {
      Type(text);
      Key(Qt::Key_Return);
    }
    ASSERT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
    const int32_t id = IdOf(number.toLatin1().constData());
    ASSERT_GT(id, 0);
    std::string reply;
    {
      CServerLink::ReplyGuard guard = app_.Link().LockReply();
      ASSERT_GT(app_.Link().FetchRecord(id, std::nullopt, {}), 0);
      reply = guard.Text();
    }
    EXPECT_EQ(c.lwh, JsonGetString("cLwh", reply, 15, false));
    EXPECT_DOUBLE_EQ(c.kilograms, JsonGetDouble("fWeight", reply, 0));
  }
}

// A weight, piece count, value or price that is no number is refused by
// the save with a message naming the field; the text stays as typed and
// the focus goes to it.  Dimensions that are no dimensions are emptied.
TEST_F(QuickEntryStandIn, NumberSlotsRefuseTextThatIsNoNumber) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode(GbkFromWide(u"ZIZ国际"));
  TypeCustomer(QStringLiteral("深圳华南"));
  ASSERT_EQ(1, form.Entry().customerId);
  CServiceKind* kind = app_.FindServiceKind(GbkFromWide(u"ZIZ国际"));
  ASSERT_NE(nullptr, kind);
  struct Case {
    int kind;
    const char* typed;
    const char16_t* message;
  } cases[] = {
      {4, "abc", u"重量必须是数字。"},
      {5, "12,50", u"运费必须是数字。"},
      {28, "1.2.3", u"单价必须是数字。"},
      {31, "ten", u"申报价值必须是数字。"},
      {27, "2.5", u"数量必须是数字。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const int slot = form.SlotOfKind(c.kind);
    if (slot < 0) {
      // The kind's slots: this field kind added for the case.
      kind->SetFieldKinds("1,2," + std::to_string(c.kind) + ",");
      form.SelectKind(nullptr);
      form.SelectKind(kind);
    }
    ASSERT_GE(form.SlotOfKind(c.kind), 0);
    form.FocusKind(2);
    Type(QStringLiteral("BR11000%1").arg(500 + c.kind));
    form.FocusKind(c.kind);
    Type(QString::fromLatin1(c.typed));
    boxes_.Clear();
    Key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(1u, boxes_.Count());
    EXPECT_EQ(c.message, boxes_.LastText());
    EXPECT_EQ(form.SlotEdit(form.SlotOfKind(c.kind)), Focus());
    EXPECT_EQ(QString::fromLatin1(c.typed), form.SlotEdit(form.SlotOfKind(c.kind))->text());
    EXPECT_EQ(0, IdOf(QStringLiteral("BR11000%1").arg(500 + c.kind).toLatin1().constData()));
    form.Clear();
  }
  // The piece count.
  form.FocusKind(2);
  Type(QStringLiteral("BR11000599"));
  form.CountEdit()->setText(QStringLiteral("2x"));
  boxes_.Clear();
  Key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"件数必须是数字。", boxes_.LastText());
  EXPECT_EQ(form.CountEdit(), Focus());
  EXPECT_EQ(QStringLiteral("2x"), form.CountEdit()->text());
  EXPECT_EQ(0, IdOf("BR11000599"));
  entrytest::SaveScreenshot(form, "quick_entry_count_refused");
}

// A click on a slot that the destination's suggestions cover reaches that
// slot once the list closes: the next scanned number lands where the
// operator clicked, never in the destination.
TEST_F(QuickEntryStandIn, AClickThroughTheSuggestionsReachesTheSlotBeneath) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode(GbkFromWide(u"ZIZ国际"));
  form.FocusKind(1);
  Type(QStringLiteral("美"));
  CDestinationSuggestPopup* popup = form.DestinationPopup();
  ASSERT_TRUE(popup->isVisible());
  entrytest::SaveScreenshot(form, "quick_entry_destination_suggestions");
  // The number slot lies under the list.
  QLineEdit* number = form.SlotEdit(form.SlotOfKind(2));
  const QPoint at = popup->mapFrom(&form, number->geometry().center());
  ASSERT_TRUE(popup->rect().contains(at));
  QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_FALSE(popup->isVisible());
  EXPECT_EQ(number, Focus());
  Type(QStringLiteral("usee123456811cn"));
  EXPECT_EQ(QStringLiteral("usee123456811cn"), number->text());
  EXPECT_EQ(QStringLiteral("美"), form.SlotEdit(form.SlotOfKind(1))->text());
}

// The item types and the pay ways on the screen: the fixed Chinese names in
// Chinese, the language's texts in English.
TEST_F(QuickEntryStandIn, ItemTypesAndPayWaysInBothLanguages) {
  InputWaybillRecord record{};
  std::snprintf(record.waybill.cNum, sizeof record.waybill.cNum, "BR11000950");
  record.waybill.nItemType = 0;
  record.waybill.nPayWay = 1;
  record.waybill.iItem = 1;
  ASSERT_GT(app_.InputRecords().AppendRecord(record), 0);
  struct Language {
    const char* code;
    std::vector<QString> itemTypes;
    std::u16string itemType, payWay;
  } languages[] = {
      {"00", {QStringLiteral("文件"), QStringLiteral("包裹"), QStringLiteral("防水袋")}, u"文件", u"现付"},
      {"01", {QStringLiteral("Document"), QStringLiteral("Parcel"), QStringLiteral("Waterproof bag")},
       u"Document", u"Cash"},
  };
  for (const Language& l : languages) {
    SCOPED_TRACE(l.code);
    shelltest::LoadProgramLanguage(l.code);
    OpenPage();
    QComboBox* types = Form().ItemTypeList();
    ASSERT_EQ(3, types->count());
    for (int k = 0; k < 3; ++k) EXPECT_EQ(l.itemTypes[k], types->itemText(k));
    ASSERT_EQ(1, page_->grid->RowCount());
    EXPECT_EQ(l.itemType, page_->grid->CellText(0, 6));
    EXPECT_EQ(l.payWay, page_->grid->CellText(0, 12));
    entrytest::SaveScreenshot(*page_, QStringLiteral("quick_entry_page_names_") + l.code);
  }
}

// Suggestions: Ctrl+3 with two customers shown keeps the key and the
// focus; in the destination slot it keeps the typed text and moves on.
TEST_F(QuickEntryStandIn, SuggestionKeysWithFewerRows) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode(GbkFromWide(u"ZIZ国际"));
  form.Clear();
  Type(QStringLiteral("深圳华南"));
  ASSERT_TRUE(form.ClientPopup()->isVisible());
  int rows = 0;
  while (rows < 5 && form.ClientPopup()->Source().GetHit(rows) >= 0) ++rows;
  ASSERT_LT(rows, 5);
  const int32_t first = form.ClientPopup()->Source().GetHit(0);
  Key(Qt::Key_1 + rows, Qt::ControlModifier);  // one past the last row
  EXPECT_EQ(form.CustomerEdit(), Focus());
  EXPECT_EQ(0, form.Entry().customerId);
  Key(Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(first, form.Entry().customerId);
  EXPECT_EQ(form.SlotEdit(0), Focus());

  // A destination that has no third suggestion stays as typed.
  form.FocusKind(1);
  Type(QStringLiteral("Qzx"));
  ASSERT_EQ(nullptr, form.DestinationPopup()->Source().GetHit(2));
  Key(Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(QStringLiteral("Qzx"), form.SlotEdit(1)->text());
  EXPECT_EQ(form.SlotEdit(2), Focus());
}

// The goods lines dialog from the form: on OK the goods texts summarise
// the lines.
TEST_F(QuickEntryStandIn, GoodsLinesAreSummarised) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode("UPS");
  ASSERT_GE(form.SlotOfKind(26), 0);
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<CGoodsListDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, dlg);
    const struct {
      const char* name;
      const char* quantity;
      const char* price;
    } lines[] = {{"Shirt", "2", "1.50"}, {"Cap", "3", "2.00"}};
    for (const auto& line : lines) {
      dlg->Edit(CGoodsListDlg::kName)->setText(line.name);
      dlg->Edit(CGoodsListDlg::kQuantity)->setText(line.quantity);
      dlg->Edit(CGoodsListDlg::kPrice)->setText(line.price);
      dlg->AddButton()->click();
    }
    entrytest::SaveScreenshot(*dlg, "quick_entry_goods_lines");
    dlg->OkButton()->click();
  });
  QTest::mouseClick(form.GoodsButton(), Qt::LeftButton);
  EXPECT_TRUE(form.Entry().goodsChanged);
  ASSERT_EQ(2u, form.Entry().goods.size());
  EXPECT_EQ(QStringLiteral("Shirt,Cap"), form.SlotEdit(form.SlotOfKind(26))->text());
  EXPECT_EQ(QStringLiteral("2,3"), form.SlotEdit(form.SlotOfKind(30))->text());
  EXPECT_EQ(QStringLiteral("9.00"), form.SlotEdit(form.SlotOfKind(31))->text());
  EXPECT_EQ(u"5", form.Entry().texts[27]);
  EXPECT_EQ(u"1.80", form.Entry().texts[28]);
}

// The piece weights dialog from the form: on OK the weight is the sum of
// the pieces' chargeable weights.
TEST_F(QuickEntryStandIn, PieceWeightsSetTheWeight) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  form.SelectKindByCode("T3");
  form.CountEdit()->setText(QStringLiteral("2"));
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<CPieceWeightDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, dlg);
    dlg->Edit(CPieceWeightDlg::kWeight)->setText(QStringLiteral("1.5"));
    for (auto field : {CPieceWeightDlg::kLength, CPieceWeightDlg::kWidth, CPieceWeightDlg::kHeight})
      dlg->Edit(field)->setText(QStringLiteral("10"));
    QTest::mouseClick(dlg->ConfirmButton(), Qt::LeftButton);
    QTest::mouseClick(dlg->OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(form.PiecesButton(), Qt::LeftButton);
  ASSERT_EQ(1u, form.Entry().pieces.size());
  EXPECT_EQ(QStringLiteral("1.500"), form.SlotEdit(form.SlotOfKind(4))->text());
}

// The records of the local input store are listed at setup: both local
// states, the tick only for state 1, the list mark in blue.
TEST_F(QuickEntryStandIn, TheInputStoreIsListedAtSetup) {
  for (int i = 0; i < 2; ++i) {
    InputWaybillRecord record{};
    std::snprintf(record.waybill.cNum, sizeof record.waybill.cNum, "BR1100090%d", i);
    record.waybill.localStatus = static_cast<uint8_t>(i);
    record.waybill.listMark = static_cast<uint8_t>(1 - i);
    record.waybill.year = 2026;
    record.waybill.month = 1;
    record.waybill.day = 2;
    record.waybill.iItem = 1;
    entrytest::Put(record.waybill.cReceiver, u"O'Hara 收件人");
    ASSERT_GT(app_.InputRecords().AppendRecord(record), 0);
  }
  OpenPage();
  CListGrid& grid = *page_->grid;
  ASSERT_EQ(2, grid.RowCount());
  EXPECT_EQ(u"BR11000900", grid.CellText(0, 4));
  EXPECT_EQ(u"", grid.CellText(0, 1));
  EXPECT_EQ(u"√", grid.CellText(1, 1));
  EXPECT_EQ(u"2026-01-02", grid.CellText(1, 3));
  EXPECT_EQ(u"O'Hara 收件人", grid.CellText(1, 15));
  ASSERT_NE(nullptr, grid.Model().RowData(0));
  EXPECT_EQ(CQuickEntryPage::kFlaggedRowColor, grid.Model().RowData(0)->textColor);
  EXPECT_EQ(QStringLiteral("快速录入快递运单  共 2 条记录"), page_->countLabel->text());
}

// The grid follows what the form reports.
TEST_F(QuickEntryStandIn, GridFollowsSavesAndDeletes) {
  OpenPage();
  CListGrid& grid = *page_->grid;
  for (int id = 101; id <= 105; ++id) {
    WaybillRecord w{};
    w.irID = id;
    std::snprintf(w.cNum, sizeof w.cNum, "BR1100%04d", id);
    w.listMark = id == 103 ? 1 : 0;
    page_->OnRecordChanged(1, w);
  }
  ASSERT_EQ(5, grid.RowCount());
  EXPECT_EQ(CQuickEntryPage::kFlaggedRowColor, grid.Model().RowData(2)->textColor);
  WaybillRecord again{};
  again.irID = 103;
  std::strcpy(again.cNum, "BR11000103");
  page_->OnRecordChanged(1, again);
  EXPECT_EQ(5, grid.RowCount()) << "a second save rewrites its row";
  EXPECT_EQ(0u, grid.Model().RowData(2)->textColor);

  WaybillRecord gone{};
  gone.irID = 102;
  page_->OnRecordChanged(0, gone);
  ASSERT_EQ(4, grid.RowCount());
  for (int row = 0; row < 4; ++row) EXPECT_EQ(WideFromGbk(std::to_string(row + 1)), grid.CellText(row, 0));
  const std::u16string count = page_->countLabel->text().toStdU16String();
  WaybillRecord unknown{};
  unknown.irID = 999;
  page_->OnRecordChanged(0, unknown);
  EXPECT_EQ(4, grid.RowCount());
  EXPECT_EQ(count, page_->countLabel->text().toStdU16String());

  // A waybill print with two rows selected prints nothing and leaves the
  // page ready.
  grid.SetRowSelected(0, true, false);
  grid.SetRowSelected(1, true, false);
  page_->OnPrintWaybill();
  EXPECT_FALSE(page_->PrintBusy());
  EXPECT_EQ(0u, boxes_.Count());
}

// Labels of 17 selected rows at 8 per sheet: the question names 3 sheets;
// a label job that places nothing ends the print with the waybills not
// printed named, instead of asking the job again and again.  An invoice to
// a file for one row asks nothing and names the folder of the files.
TEST_F(QuickEntryStandIn, PrintsOfTheSelectedRows) {
  OpenPage();
  CListGrid& grid = *page_->grid;
  for (int id = 201; id <= 217; ++id) {
    WaybillRecord w{};
    w.irID = id;
    std::snprintf(w.cNum, sizeof w.cNum, "BR1100%04d", id);
    page_->OnRecordChanged(1, w);
  }
  for (int row = 0; row < grid.RowCount(); ++row) grid.SetRowSelected(row, true, false);
  page_->labelsPerSheet = [] { return 8; };
  int confirmed = 0;
  page_->confirmPrint = [&](int kind, const std::u16string&, int& copies) {
    ++confirmed;
    EXPECT_EQ(1, kind);
    copies = 1;
    return true;
  };
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnPrintLabel();
  EXPECT_FALSE(page_->PrintBusy());
  EXPECT_EQ(1, confirmed);
  const auto shown = boxes_.Messages();
  // The question, then (whatever the job itself reported) the waybills
  // not printed: none of these rows is a waybill on the server.
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(u"共选中 17 票，需要 3 张标签纸。标签模版：。确定打印吗？", shown[0].text);
  std::u16string notPrinted = u"以下运单没有打印：";
  for (int id = 201; id <= 217; ++id)
    notPrinted += (id > 201 ? u", " : u"") + WideFromGbk("BR1100" + std::to_string(10000 + id).substr(1));
  EXPECT_EQ(notPrinted, shown.back().text);

  boxes_.Clear();
  for (int row = 1; row < grid.RowCount(); ++row) grid.SetRowSelected(row, false, false);
  CTemplateModel invoice(GbkFromWide(u"形式发票"), "PI");
  app_.Templates().SetCurrent(0, &invoice);
  page_->OnPrintInvoice(1);
  app_.Templates().SetCurrent(0, nullptr);
  EXPECT_FALSE(page_->PrintBusy());
  ASSERT_GE(boxes_.Count(), 1u);
  EXPECT_EQ(u"", boxes_.Messages().front().caption) << "no question for one row";
  // The files go to the picture store's day folder, here the program
  // folder's DATA_TEMP (no day folder is set up).
  ASSERT_TRUE(app_.dayPictureFolder.empty());
  EXPECT_EQ(u"已生成 0 个形式发票文件，保存在：" +
                QString::fromStdString((folder_.Path() / "DATA_TEMP").string()).toStdU16String(),
            boxes_.LastText());
}

// Left to their defaults, the label print and the settings' label option
// read the application's label layout, loaded from the current label
// template, and the label print confirms its copies in the print
// confirmation dialog.
TEST_F(QuickEntryStandIn, LabelPrintAndLabelOptionReadTheApplicationsLayout) {
  OpenPage();
  CQuickEntryDlg& form = Form();
  auto labelTemplate = [](const char16_t* name, const char16_t* text) {
    auto model = std::make_unique<CTemplateModel>(GbkFromWide(u"快件标签"), GbkFromWide(name));
    model->SetText(GbkFromWide(text));
    model->SetWorkbook("xls");
    return model;
  };
  auto one = labelTemplate(u"单联标签", u"<列表定义开始>\n内部单号=A1\n<列表定义结束>\n");
  auto two = labelTemplate(u"两联标签",
                           u"横向标签个数=2\n<列表定义开始>\n内部单号=A1\n分单序=B1\n<列表定义结束>\n");
  // The label option: a one-label template current, the layout not yet
  // loaded, keeps the box ticked.
  app_.Templates().SetCurrent(2, one.get());
  bool ticked = false;
  QTimer::singleShot(0, [&] {
    CQuickEntrySettingsDlg& dlg = form.SettingsDialog();
    QTest::mouseClick(dlg.LabelBox(), Qt::LeftButton);
    ticked = dlg.LabelBox()->isChecked();
    dlg.reject();
  });
  QTest::mouseClick(form.StatusLabel(), Qt::LeftButton);
  EXPECT_TRUE(ticked);
  EXPECT_EQ(0u, boxes_.Count());

  // Two labels a sheet with piece labels: 5 rows need 3 sheets.
  app_.LabelLayout().Reset();
  app_.Templates().SetCurrent(2, two.get());
  for (int id = 301; id <= 305; ++id) {
    WaybillRecord w{};
    w.irID = id;
    std::snprintf(w.cNum, sizeof w.cNum, "BR1100%04d", id);
    page_->OnRecordChanged(1, w);
  }
  CListGrid& grid = *page_->grid;
  for (int row = 0; row < grid.RowCount(); ++row) grid.SetRowSelected(row, true, false);
  boxes_.QueueAnswer(platform::kIdYes);
  int kind = -1;
  std::u16string confirmText;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<CPrintConfirmDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, dlg);
    kind = dlg->kind;
    confirmText = dlg->message;
    entrytest::SaveScreenshot(*dlg, "quick_entry_label_print_confirm");
    QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
  });
  page_->OnPrintLabel();
  EXPECT_FALSE(page_->PrintBusy());
  EXPECT_EQ(1, kind);
  EXPECT_EQ(u"共选中 5 票。", confirmText);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"共选中 5 票，需要 3 张标签纸（按件打印分单标签）。标签模版：两联标签。确定打印吗？",
            boxes_.LastText());

  // The same layout refuses the label option.
  QTimer::singleShot(0, [&] {
    CQuickEntrySettingsDlg& dlg = form.SettingsDialog();
    QTest::mouseClick(dlg.LabelBox(), Qt::LeftButton);
    ticked = dlg.LabelBox()->isChecked();
    dlg.reject();
  });
  QTest::mouseClick(form.StatusLabel(), Qt::LeftButton);
  EXPECT_FALSE(ticked);
  EXPECT_EQ(2u, boxes_.Count());
  app_.LabelLayout().Reset();
  app_.Templates().SetCurrent(2, nullptr);
}

// The form in every express kind of the sample, in Chinese and English.
TEST_F(QuickEntryStandIn, PicturesOfEveryKindInBothLanguages) {
  for (const char* language : {"00", "01"}) {
    shelltest::LoadProgramLanguage(language);
    OpenPage();
    for (const CServiceKind& kind : app_.serviceKinds) {
      if (kind.cemskind == "T3" || kind.cemskind == "T5") continue;
      Form().SelectKindByCode(kind.cemskind);
      ASSERT_EQ(&kind, Form().Kind());
      const std::string name = std::string("quick_entry_") + (language[1] == '0' ? "zh_" : "en_") +
                               std::to_string(&kind - app_.serviceKinds.data());
      entrytest::SaveScreenshot(Form(), QString::fromStdString(name));
    }
  }
}

}  // namespace
