// The Japan address dialog over a small postcode book, driven by keys and
// clicks as an operator would.

#include "ui/JapanAddressDlg.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <memory>
#include <vector>

#include "refdata/JapanPostcodeBook.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"
#include "tests/refdata/JapanPostcodeData.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"

namespace {

// What an owner form receives.
class Owner : public QObject {
 public:
  struct Message {
    int message;
    int index;
    int language;
  };
  std::vector<Message> received;

 protected:
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e)) {
      received.push_back({m->Message(), static_cast<int>(static_cast<qintptr>(m->WParam())),
                          static_cast<int>(m->LParam())});
      return true;
    }
    return QObject::event(e);
  }
};

class JapanAddressDlgTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    japantest::DataFile d;
    d.Add(d.prefectures, 0, 0, -1, u"北海道", u"HOKKAIDO");
    d.Add(d.prefectures, 2, 0, -1, u"東京都", u"TOKYO-TO");
    d.Add(d.cities, 0, 0, 0, u"札幌市中央区", u"SAPPORO-SHI CHUO-KU");
    d.Add(d.cities, 0, 0, 4, u"函館市", u"HAKODATE-SHI");
    d.Add(d.cities, 1, 0, 5, u"千代田区", u"CHIYODA-KU");
    d.Add(d.postcodes, 0, 0, 600000, u"以下に掲載がない場合", u"IKANIKEISAIGANAIBAAI");
    d.Add(d.postcodes, 0, 0, 600042, u"大通西（１～１９丁目）", u"ODORINISHI(1-19-CHOME)");
    d.Add(d.postcodes, 0, 0, 600042, u"大通西（２０丁目）", u"ODORINISHI(20-CHOME)");
    d.Add(d.postcodes, 0, 0, 600043, u"大通東", u"ODORIHIGASHI");
    d.Add(d.postcodes, 0, 1, 400000, u"以下に掲載がない場合", u"IKANIKEISAIGANAIBAAI");
    d.Add(d.postcodes, 1, 2, 1000001, u"千代田", u"CHIYODA");
    d.Add(d.postcodes, 1, 2, 1000002, u"皇居外苑", u"KOKYOGAIEN");
    const std::string bytes = d.Bytes();
    std::ofstream(folder_ / "addr_jp.dat", std::ios::binary).write(bytes.data(), bytes.size());
    book_ = std::make_unique<CJapanPostcodeBook>();
    ASSERT_EQ(book_->Load(folder_.string() + "/"), 1);
  }

  void Open(CJapanAddressDlg& dlg, Owner* owner) {
    dlg.SetOwner(owner);
    dlg.InitDialog();
    dlg.move(540, 75);
    dlg.show();
    dlg.activateWindow();
    dlg.PostcodeEdit()->setFocus();
  }
  void Type(CJapanAddressDlg& dlg, const QString& text) {
    dlg.PostcodeEdit()->clear();
    QTest::keyClicks(dlg.PostcodeEdit(), text);
    QTest::keyClick(dlg.PostcodeEdit(), Qt::Key_Return);
  }
  static void ClickRow(CListGrid* grid, int row, bool twice = false) {
    QRect rect = grid->visualRect(grid->model()->index(row, 0));
    if (twice) {
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    } else {
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }
  }
  static std::u16string Cell(CListGrid* grid, int row, int column = 0) {
    return grid->CellText(row, column);
  }
  static void Save(QWidget& widget, const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
    EXPECT_TRUE(widget.grab().toImage().save(path)) << path.toStdString();
  }

  std::unique_ptr<CJapanPostcodeBook> book_;
};

}  // namespace

TEST_F(JapanAddressDlgTest, SearchSelectsPrefectureCityAndPostcodeAndOkTellsTheOwner) {
  Owner owner;
  CJapanAddressDlg dlg(book_.get());
  dlg.SetReturnLanguage(1);
  Open(dlg, &owner);
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf16(u"日本地址查询选取及翻译"));
  ASSERT_EQ(dlg.Prefectures()->RowCount(), 2);
  EXPECT_EQ(Cell(dlg.Prefectures(), 1), u"東京都");
  EXPECT_EQ(dlg.Cities()->RowCount(), 0);
  EXPECT_EQ(dlg.ReturnLanguageLabel()->text(), QString::fromUtf16(u"返回日文"));

  // Typed with its hyphen, as postcodes are written.
  Type(dlg, QStringLiteral("060-0042"));
  EXPECT_EQ(dlg.Model().ChosenPostcode(), 1);
  EXPECT_TRUE(dlg.Prefectures()->IsRowSelected(0));
  ASSERT_EQ(dlg.Cities()->RowCount(), 2);
  EXPECT_TRUE(dlg.Cities()->IsRowSelected(0));
  ASSERT_EQ(dlg.Postcodes()->RowCount(), 4);
  EXPECT_EQ(Cell(dlg.Postcodes(), 1), u"0600042");
  EXPECT_EQ(Cell(dlg.Postcodes(), 1, 1), u"大通西（１～１９丁目）");
  EXPECT_TRUE(dlg.Postcodes()->IsRowSelected(1));
  // The twin that follows is marked green on white; the next postcode is not.
  const GridRowData* twin = dlg.Postcodes()->Model().RowData(2);
  ASSERT_NE(twin, nullptr);
  EXPECT_EQ(twin->textColor, GridRgb(0, 128, 0));
  EXPECT_EQ(twin->backColor, kGridWhite);
  const GridRowData* next = dlg.Postcodes()->Model().RowData(3);
  EXPECT_TRUE(next == nullptr || next->textColor != GridRgb(0, 128, 0));
  Save(dlg, QStringLiteral("japan_address_search"));

  // A postcode in another prefecture moves both lists.
  Type(dlg, QStringLiteral("1000002"));
  EXPECT_EQ(dlg.Model().ChosenPostcode(), 6);
  EXPECT_TRUE(dlg.Prefectures()->IsRowSelected(1));
  ASSERT_EQ(dlg.Cities()->RowCount(), 1);
  EXPECT_EQ(Cell(dlg.Cities(), 0), u"千代田区");
  EXPECT_TRUE(dlg.Postcodes()->IsRowSelected(1));

  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !owner.received.empty(); }));
  ASSERT_EQ(owner.received.size(), 1u);
  EXPECT_EQ(owner.received[0].message, platform::kWmUser + 114);
  EXPECT_EQ(owner.received[0].index, 6);
  EXPECT_EQ(owner.received[0].language, 1);

  // Shown again, it is as it was.
  dlg.show();
  EXPECT_EQ(dlg.Postcodes()->RowCount(), 2);
  EXPECT_EQ(dlg.Model().ChosenPostcode(), 6);
}

TEST_F(JapanAddressDlgTest, UnknownPostcodeBeepsAndSelectsTheText) {
  Owner owner;
  CJapanAddressDlg dlg(book_.get());
  Open(dlg, &owner);
  Type(dlg, QStringLiteral("9999999"));
  EXPECT_EQ(dlg.PostcodeEdit()->selectedText(), QStringLiteral("9999999"));
  EXPECT_EQ(dlg.Model().ChosenPostcode(), -1);
  EXPECT_EQ(dlg.Cities()->RowCount(), 0);
  EXPECT_TRUE(dlg.isVisible());

  // Clear empties the box and gives it the focus; OK without a choice
  // posts -1 with the English flag.
  QTest::mouseClick(dlg.ClearButton(), Qt::LeftButton);
  EXPECT_TRUE(dlg.PostcodeEdit()->text().isEmpty());
  EXPECT_EQ(dlg.focusWidget(), dlg.PostcodeEdit());
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !owner.received.empty(); }));
  EXPECT_EQ(owner.received[0].index, -1);
  EXPECT_EQ(owner.received[0].language, 0);
}

TEST_F(JapanAddressDlgTest, BrowsingByClicksInBothLanguages) {
  Owner owner;
  CJapanAddressDlg dlg(book_.get());
  Open(dlg, &owner);
  ClickRow(dlg.Prefectures(), 0);
  ASSERT_EQ(dlg.Cities()->RowCount(), 2);
  ClickRow(dlg.Cities(), 1);
  ASSERT_EQ(dlg.Postcodes()->RowCount(), 1);
  EXPECT_EQ(Cell(dlg.Postcodes(), 0), u"0400000");

  // Romanised: the city and postcode lists empty until a prefecture is
  // clicked again, even the one that was current.
  QTest::mouseClick(dlg.DisplayLanguageLabel(), Qt::LeftButton);
  EXPECT_EQ(dlg.DisplayLanguageLabel()->text(), QString::fromUtf16(u"显示英文"));
  EXPECT_EQ(Cell(dlg.Prefectures(), 0), u"HOKKAIDO");
  EXPECT_EQ(dlg.Cities()->RowCount(), 0);
  EXPECT_EQ(dlg.Postcodes()->RowCount(), 0);
  ClickRow(dlg.Prefectures(), 0);
  ASSERT_EQ(dlg.Cities()->RowCount(), 2);
  EXPECT_EQ(Cell(dlg.Cities(), 0), u"SAPPORO-SHI CHUO-KU");
  ClickRow(dlg.Cities(), 0);
  ASSERT_EQ(dlg.Postcodes()->RowCount(), 4);
  EXPECT_EQ(Cell(dlg.Postcodes(), 3, 1), u"ODORIHIGASHI");
  Save(dlg, QStringLiteral("japan_address_romanised"));

  // The return language flips with its label.
  QTest::mouseClick(dlg.ReturnLanguageLabel(), Qt::LeftButton);
  EXPECT_EQ(dlg.ReturnLanguageLabel()->text(), QString::fromUtf16(u"返回日文"));
  EXPECT_EQ(dlg.Model().ReturnLanguage(), 1);

  // A double-click picks the row and closes with OK.
  ClickRow(dlg.Postcodes(), 3, true);
  EXPECT_FALSE(dlg.isVisible());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !owner.received.empty(); }));
  EXPECT_EQ(owner.received.back().index, 3);
  EXPECT_EQ(owner.received.back().language, 1);
}

TEST_F(JapanAddressDlgTest, CancelAndTheCloseBoxOnlyHide) {
  Owner owner;
  CJapanAddressDlg dlg(book_.get());
  Open(dlg, &owner);
  Type(dlg, QStringLiteral("0600000"));
  QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());
  dlg.show();
  dlg.close();
  EXPECT_FALSE(dlg.isVisible());
  QCoreApplication::processEvents();
  EXPECT_TRUE(owner.received.empty());
  EXPECT_EQ(dlg.Model().ChosenPostcode(), 0);
}

TEST_F(JapanAddressDlgTest, AnOwnerThatIsGoneGetsNothing) {
  auto owner = std::make_unique<Owner>();
  CJapanAddressDlg dlg(book_.get());
  Open(dlg, owner.get());
  Type(dlg, QStringLiteral("1000001"));
  owner.reset();
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_FALSE(dlg.isVisible());

  // An owner destroyed with the message still queued gets nothing either.
  auto second = std::make_unique<Owner>();
  dlg.SetOwner(second.get());
  dlg.show();
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  second.reset();
  QCoreApplication::processEvents();
}

TEST_F(JapanAddressDlgTest, WithoutABookTheListsStayEmptyAndOkPostsMinusOne) {
  Owner owner;
  CJapanAddressDlg dlg(nullptr);
  Open(dlg, &owner);
  EXPECT_EQ(dlg.Prefectures()->RowCount(), 0);
  Type(dlg, QStringLiteral("1000001"));
  EXPECT_EQ(dlg.PostcodeEdit()->selectedText(), QStringLiteral("1000001"));
  Save(dlg, QStringLiteral("japan_address_no_book"));
  // Enter on OK presses it.
  dlg.OkButton()->setFocus();
  QTest::keyClick(dlg.OkButton(), Qt::Key_Return);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !owner.received.empty(); }));
  EXPECT_EQ(owner.received[0].index, -1);
}
