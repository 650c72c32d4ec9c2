// The full form's look-up rules, its sub-dialogs and its keys without a
// server: destination split, world-city postcode rule, the remote-area
// report, date cycle, goods summary, the cash-on-delivery dialog, a phrase
// picked into one spare field, clear and copy/paste.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/LanguageTable.h"
#include "devices/ScaleSource.h"
#include "entry/FullFormLookups.h"
#include "entry/PieceWeightDlg.h"
#include "entry/WaybillForm.h"
#include "entry/WaybillSubDlg.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "refdata/AddressLibrary.h"
#include "refdata/DirectoryTable.h"
#include "refdata/PlaceSamples.h"
#include "refdata/RecordStores.h"
#include "shell/BrantleClientApp.h"
#include "ui/SuggestRows.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "ui/LinkLabel.h"

namespace {

TEST(FullFormLookups, DestinationSplitsIntoProvinceAndCity) {
  const std::vector<std::u16string> provinces = {u"北京", u"广东省", u"广西"};
  struct Case {
    int classByte;
    const char* code;
    const char16_t* chinese;
    const char16_t *country, *province, *city;
  } cases[] = {
      {0, "CN", u"广东省深圳市", u"中国", u"广东省", u"深圳市"},
      {0, "CN", u"北京", u"中国", u"北京", u"北京"},
      {0, "CN", u"广西柳", u"中国", u"广西", u"广西柳"},  // one character left: the whole name
      {1, "US", u"美国", u"United States", u"", u""},
      {1, "HK", u"广东省中山", u"中国", u"广东省", u"中山"},
  };
  for (const Case& c : cases) {
    FullFormValues v;
    v.texts[kFfRProvince] = u"old";
    v.texts[kFfRCity] = u"old";
    ApplyDestinationEntry(v, c.classByte, c.code, u"United States", c.chinese, provinces);
    EXPECT_EQ(c.country, v.texts[kFfRCountry]) << c.code;
    EXPECT_EQ(c.province, v.texts[kFfRProvince]) << c.code;
    EXPECT_EQ(c.city, v.texts[kFfRCity]) << c.code;
    EXPECT_EQ(c.classByte, v.classIndex);
    EXPECT_EQ(c.chinese, v.texts[kFfDes]);
  }
}

TEST(FullFormLookups, WorldCityPostcodeRule) {
  struct Case {
    const char16_t *typed, *first, *last, *kept;
  } cases[] = {
      {u"", u"AB1", u"AB1", u"AB1"},          {u"12345", u"10000", u"19999", u"12345"},
      {u"ab1 2cd", u"AB1", u"AB1", u"ab1 2cd"}, {u"AB", u"AB1", u"AB1", u"AB1"},
      {u"XY12", u"AB1", u"AB1", u"AB1"},       {u"AB1", u"AB1", u"AB1", u"AB1"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.kept, WorldCityPostcode(c.typed, c.first, c.last)) << Utf8FromWide(c.typed);
}

TEST(FullFormLookups, RemoteAreaReportShowsFortyOfFiftyFive) {
  std::vector<RemoteAreaRow> rows(55);
  for (size_t k = 0; k < rows.size(); ++k) rows[k].entry = u"entry";
  std::u16string clipboard, message;
  BuildRemoteAreaReport(55, rows, clipboard, message);
  EXPECT_NE(std::u16string::npos, clipboard.find(u" 55 条，前40条如下："));
  size_t lines = 0;
  for (size_t at = clipboard.find(u"entry\r\n"); at != std::u16string::npos;
       at = clipboard.find(u"entry\r\n", at + 1))
    ++lines;
  EXPECT_EQ(40u, lines);
  EXPECT_EQ(std::u16string::npos, clipboard.find(u"以上信息已存放系统剪贴板。"));
  EXPECT_EQ(0u, message.find(clipboard));
  EXPECT_NE(std::u16string::npos, message.find(u"以上信息已存放系统剪贴板。"));
}

TEST(FullFormLookups, DateCycleAndGoodsSummary) {
  EXPECT_EQ(u"2024.03.04", CycleBusinessDate(u"2024.03.05", u"2024.03.05", u"2024.03.04", u"2024.03.03"));
  EXPECT_EQ(u"2024.03.03", CycleBusinessDate(u"2024.03.04", u"2024.03.05", u"2024.03.04", u"2024.03.03"));
  EXPECT_EQ(u"2024.03.05", CycleBusinessDate(u"2024.03.03", u"2024.03.05", u"2024.03.04", u"2024.03.03"));
  EXPECT_EQ(u"2024.03.05", CycleBusinessDate(u"", u"2024.03.05", u"2024.03.04", u"2024.03.03"));

  std::vector<GoodsLine> goods(2);
  std::strcpy(goods[0].cgoods, "Cup");
  goods[0].iquantity = 2;
  goods[0].fprice = 1.5;
  std::strcpy(goods[1].cgoods, "Pen");
  goods[1].iquantity = 1;
  goods[1].fprice = 4;
  FullFormValues v;
  SummariseGoodsLines(goods, v);
  EXPECT_EQ(u"Cup,Pen", v.texts[kFfGoods]);
  EXPECT_EQ(u"2,1", v.texts[kFfTransNote]);
  EXPECT_EQ(u"3", v.numbers[kFfQuantity]);
  EXPECT_EQ(u"7.00", v.numbers[kFfDValue]);
  EXPECT_EQ(u"2.33", v.numbers[kFfPrice]);
}

class WaybillFormWidgets : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00")); }
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(WaybillFormWidgets, CodDialogChecksTheSettledAmounts) {
  CCodFreightDlg dlg;
  dlg.freightCollect = 1;
  dlg.freightTotal = 120;
  dlg.codTotal = 300;
  dlg.Rewrite();
  dlg.freightTotal = 120;
  dlg.codTotal = 300;
  dlg.Edit(0)->setText(QStringLiteral("120.00"));
  dlg.Edit(2)->setText(QStringLiteral("300.00"));
  dlg.Edit(3)->setText(QStringLiteral("300.01"));
  dlg.accept();
  EXPECT_EQ(u"返还客户货款错误：大于实收代收货款。", boxes_.LastText());
  EXPECT_NE(QDialog::Accepted, dlg.result());
  dlg.Edit(3)->setText(QStringLiteral("0"));
  dlg.accept();
  EXPECT_EQ(QDialog::Accepted, dlg.result());
  EXPECT_EQ(120, dlg.freightSettled);
  EXPECT_EQ(300, dlg.codSettled);
}

TEST_F(WaybillFormWidgets, PhrasePickedIntoOneSpareFieldKeepsTheOthers) {
  CSpareFieldsDlg pane;
  pane.choosePhrase = [](std::u16string& out) {
    out = u"易碎";
    return true;
  };
  pane.show();
  for (int k = 0; k < 5; ++k) pane.spare[k]->setText(QStringLiteral("typed %1").arg(k));
  auto labels = pane.findChildren<CLinkLabel*>();
  ASSERT_EQ(5, labels.size());
  QTest::mouseClick(labels[2], Qt::LeftButton);
  EXPECT_EQ(QStringLiteral("易碎"), pane.spare[2]->text());
  EXPECT_EQ(QStringLiteral("typed 3"), pane.spare[3]->text());
  EXPECT_EQ(QStringLiteral("typed 0"), pane.spare[0]->text());
}

TEST_F(WaybillFormWidgets, ClearKeepsTheSenderAndCopyAllComesBack) {
  CWaybillDlg form;
  form.show();
  auto edit = [&](int text) { return static_cast<QLineEdit*>(form.TextBox(text)); };
  // A new form's defaults.
  EXPECT_EQ(u"USD", form.Values().texts[kFfMoney]);
  EXPECT_EQ(u"CN", form.Values().texts[kFfOrigin]);
  EXPECT_EQ(1, form.PayCombo()->currentIndex());
  EXPECT_EQ(QStringLiteral("※"), form.CoverageMarker()->text());  // no destination
  edit(kFfSender)->setText(QStringLiteral("陈先生"));
  edit(kFfReceiver)->setText(QStringLiteral("John"));
  edit(kFfNum)->setText(QStringLiteral("BR12345678"));
  form.NumberEdit(kFfWeight)->setText(QStringLiteral("2.500"));
  form.CopyAll();
  form.ToggleFieldLock(5);  // the waybill number
  EXPECT_FALSE(edit(kFfNum)->isEnabled());
  form.Clear(1);
  EXPECT_EQ(QStringLiteral("陈先生"), edit(kFfSender)->text());
  EXPECT_TRUE(edit(kFfReceiver)->text().isEmpty());
  EXPECT_TRUE(edit(kFfNum)->text().isEmpty());
  form.PasteAll();
  EXPECT_EQ(QStringLiteral("John"), edit(kFfReceiver)->text());
  EXPECT_EQ(QStringLiteral("BR12345678"), edit(kFfNum)->text());
  EXPECT_EQ(QStringLiteral("2.500"), form.NumberEdit(kFfWeight)->text());

  // The date label cycles today, yesterday, the day before.
  const QString today = form.DateEdit()->text();
  form.CycleDate();
  form.CycleDate();
  EXPECT_NE(today, form.DateEdit()->text());
  form.CycleDate();
  EXPECT_EQ(today, form.DateEdit()->text());

  // Enter moves on like Tab; Esc is swallowed; a six-character search loads nothing.
  form.SearchBox(0)->setText(QStringLiteral("BR1234"));
  form.SearchBox(0)->setFocus();
  QTest::keyClick(form.SearchBox(0), Qt::Key_Return);
  EXPECT_EQ(0, form.State().loadedId);
  EXPECT_EQ(0u, boxes_.Count());
  form.ShowSubPane(3);
  EXPECT_EQ(3, form.CurrentPane());
}

}  // namespace

namespace {

// The look-ups through the application's stores: directory suggestions
// under the receiver name, taken with Ctrl+2; a world city posted by its
// dialog.
TEST_F(WaybillFormWidgets, DirectorySuggestionAndWorldCity) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("brantle-form-dir-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  ASSERT_GE(theApp.DirectoryIndex().Load(folder / "rsdata.dat"), 0);
  for (const char* name : {"Smith Anna", "Smith Bert"}) {
    DirectoryRecord r{};
    std::strcpy(r.name, name);
    std::strcpy(r.code, name[6] == 'A' ? "sa" : "sb");
    std::strcpy(r.phone, name[6] == 'A' ? "1001" : "1002");
    std::strcpy(r.address, "1 Main Street");
    std::strcpy(r.city, "Leeds");
    std::strcpy(r.idNumber, "ID-7");
    ASSERT_GT(theApp.Directory().Append(&r), 0);
  }
  theApp.DirectoryIndex().RebuildIndexes();

  CWaybillDlg form;
  form.Attach(nullptr, nullptr, &theApp);
  form.resize(560, 660);
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  auto* receiver = static_cast<QLineEdit*>(form.TextBox(kFfReceiver));
  receiver->setFocus();
  QTest::keyClicks(receiver, "Smith");
  QTest::keyClick(receiver, Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(QStringLiteral("Smith Bert"), receiver->text());
  EXPECT_EQ(QStringLiteral("1002"), static_cast<QLineEdit*>(form.TextBox(kFfRPhone))->text());
  EXPECT_EQ(QStringLiteral("ID-7"), static_cast<QLineEdit*>(form.TextBox(kFfRIDCard))->text());
  EXPECT_TRUE(form.TextBox(kFfSender)->hasFocus());

  // The world city dialog's choice (message 0x473).
  static_cast<QLineEdit*>(form.TextBox(kFfDes))->setText(QStringLiteral("英国"));
  static_cast<QLineEdit*>(form.TextBox(kFfRPostcode))->setText(QStringLiteral("ls1 4ab"));
  CityChoice city;
  city.name = "LEEDS";
  city.zipB = city.zipE = "LS1";
  platform::SendPrivateMessage(&form, kWmCityChosen, 0, city);
  EXPECT_EQ(QStringLiteral("LEEDS"), static_cast<QLineEdit*>(form.TextBox(kFfRCity))->text());
  EXPECT_EQ(QStringLiteral("ls1 4ab"), static_cast<QLineEdit*>(form.TextBox(kFfRPostcode))->text());

  theApp.Directory().Close();
  std::filesystem::remove_all(folder);
}

}  // namespace

namespace {

class FakeScale : public IScaleSource {
 public:
  int Open(QObject*) override { return 1; }
  int ReadWeight() override { return next; }
  void Close() override {}
  int next = -1;
};

// Readings of the scale: 1,250 g shows 1.250; a scale that keeps reporting
// 0 writes "0" once; negative readings are ignored.
TEST_F(WaybillFormWidgets, ScaleReadingsFillTheWeight) {
  FakeScale scale;
  CWaybillDlg form;
  form.SetScaleSource(&scale);
  form.AttachScale();
  auto reading = [&](int grams) {
    scale.next = grams;
    platform::SendPrivateMessage(&form, 0x66A, 1, 0);
  };
  reading(1250);
  EXPECT_EQ(QStringLiteral("1.250"), form.NumberEdit(kFfWeight)->text());
  reading(-2);
  EXPECT_EQ(QStringLiteral("1.250"), form.NumberEdit(kFfWeight)->text());
  int zeros = 0;
  for (int k = 0; k < 3; ++k) {
    form.NumberEdit(kFfWeight)->setText(QStringLiteral("x"));
    reading(0);
    if (form.NumberEdit(kFfWeight)->text() == QStringLiteral("0")) ++zeros;
  }
  EXPECT_EQ(1, zeros);
}

}  // namespace

namespace {

// A scale that counts the connections held and remembers their owner.
class ConnectionScale : public IScaleSource {
 public:
  int Open(QObject* owner) override {
    ++held;
    this->owner = owner;
    return 1;
  }
  int ReadWeight() override { return -1; }
  void Close() override { --held; }
  int held = 0;
  QObject* owner = nullptr;
};

// The piece weights dialog opened with the weight label of the full form:
// it gets the scale (the form lets go of its own connection meanwhile) and
// the goods suggestions; a confirmed piece closed with the close box is
// kept and gives the weight.
TEST_F(WaybillFormWidgets, PieceWeightsFromTheFormTakeTheScaleAndTheSuggestions) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("brantle-form-pieces-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  {
    std::ofstream file(folder / "places.dat", std::ios::binary);
    file << BuildPlaceDictionaryFile(SamplePlaceEntries());
  }
  ASSERT_TRUE(theApp.PlaceDictionary().Load((folder / "places.dat").string()));

  ConnectionScale scale;
  CWaybillDlg form;
  form.SetScaleSource(&scale);
  form.Attach(nullptr, nullptr, &theApp);
  form.resize(560, 660);
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.AttachScale();
  ASSERT_EQ(1, scale.held);

  int heldWhileOpen = -1;
  bool dialogOwnsTheScale = false;
  bool suggested = false;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<CPieceWeightDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, dlg);
    heldWhileOpen = scale.held;
    dialogOwnsTheScale = scale.owner == dlg;
    QApplication::setActiveWindow(dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
    QLineEdit* goods = dlg->Edit(CPieceWeightDlg::kGoods);
    goods->setFocus();
    QTest::keyClicks(goods, "cl");
    suggested = dlg->PlacePopup()->isVisible();
    dlg->Edit(CPieceWeightDlg::kWeight)->setText(QStringLiteral("1.5"));
    QTest::mouseClick(dlg->ConfirmButton(), Qt::LeftButton);
    dlg->reject();  // the close box
  });
  auto links = form.findChildren<CLinkLabel*>();
  auto weightLink = std::find_if(links.begin(), links.end(), [](CLinkLabel* l) {
    return l->text() == QString::fromStdU16String(AppLanguage().Text(30004));
  });
  ASSERT_NE(links.end(), weightLink);
  QTest::mouseClick(*weightLink, Qt::LeftButton);
  EXPECT_EQ(1, heldWhileOpen) << "one connection: the dialog's";
  EXPECT_TRUE(dialogOwnsTheScale);
  EXPECT_TRUE(suggested);
  EXPECT_EQ(1, scale.held);
  EXPECT_EQ(&form, scale.owner);
  ASSERT_EQ(1u, form.State().pieces.size());
  EXPECT_EQ(1500, form.State().pieces[0].ixWeight);
  EXPECT_EQ(QStringLiteral("1.500"), form.NumberEdit(kFfWeight)->text());
  std::filesystem::remove_all(folder);
}

}  // namespace
