#include "ui/WorldCityDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <vector>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "platform/QtMessages.h"
#include "refdata/DestinationTable.h"
#include "refdata/PlaceSamples.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"
#include "ui/ListGrid.h"
#include "ui/SuggestRows.h"

namespace {

// The window that opened the dialog: keeps the cities it was handed.
class CityOwner : public QWidget {
 public:
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e); m && m->Message() == kWmCityChosen) {
      if (auto choice = m->TakePayload<CityChoice>()) chosen.push_back(*choice);
      return true;
    }
    return QWidget::event(e);
  }
  std::vector<CityChoice> chosen;
};

std::u16string Text(const QLabel* label) { return label->text().toStdU16String(); }

class WorldCityDlgTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(WriteSamplePlaceFiles(folder_.string() + "/"));
    ASSERT_TRUE(library_.LoadFromFolder(folder_.string() + "/"));
    std::string row = "{\"i\":1,\"a\":3,\"t\":4,";
    JsonPutString(row, "c", "US", false);
    JsonPutString(row, "n", GbkFromWide(u"美国"), true);
    JsonPutString(row, "e", "UNITED STATES", true);
    JsonPutString(row, "s", "", true);
    JsonPutString(row, "z", "", true);
    destinations_.ApplyReply("{\"ReturnValue\":1,\"iIDx\":9,\"dLast\":\"2026-01-01 00:00:00\","
                             "\"bEnd\":true,\"iDel\":[],\"List\":[" + row + "}]}");
    destinations_.BuildIndexes();
    ASSERT_NE(destinations_.FindByCode("US"), nullptr) << destinations_.Records().size();
    owner_ = std::make_unique<CityOwner>();
    dlg_ = std::make_unique<CWorldCityDlg>(library_, &destinations_, owner_.get());
  }
  void Open(std::string_view country) {
    dlg_->ShowRegion(country);
    QApplication::setActiveWindow(dlg_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
  }
  void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  void ClickCity(int row, bool twice = false) {
    CListGrid* grid = dlg_->CityList();
    const QRect cell = grid->visualRect(grid->model()->index(row, 2));
    if (twice) QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    else QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  }
  void Save(const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(dlg_->grab().toImage().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png"));
  }

  CAddressLibrary library_;
  CDestinationTable destinations_;
  std::unique_ptr<CityOwner> owner_;
  std::unique_ptr<CWorldCityDlg> dlg_;
};

TEST_F(WorldCityDlgTest, OpensOnTheRegionAndHandsTheChosenCityToItsOwner) {
  Open("US");
  EXPECT_TRUE(dlg_->isVisible());
  EXPECT_FALSE(dlg_->isModal());
  EXPECT_EQ(dlg_->windowTitle(), QString::fromUtf16(u"世界城市查询选取[快查=>回车执行]"));
  EXPECT_EQ(dlg_->RegionList()->RowCount(), static_cast<int>(library_.Regions().size()));
  EXPECT_TRUE(dlg_->AreaEdit()->hasFocus());
  EXPECT_EQ(Text(dlg_->CaptionLabel()), u"美国[13] UNITED STATES");
  EXPECT_EQ(dlg_->AreaList()->RowCount(), 5);  // NY CA TX WA IL
  ASSERT_EQ(dlg_->CityList()->RowCount(), 4);  // the first area: NY
  EXPECT_EQ(dlg_->CityList()->CellText(0, 2), u"NEW YORK");

  // Confirming without a chosen city posts nothing, and hides.
  QTest::mouseClick(dlg_->ConfirmButton(), Qt::LeftButton);
  EXPECT_FALSE(dlg_->isVisible());

  Open("US");
  ClickCity(2);  // BUFFALO: its texts go into the four edits
  EXPECT_EQ(dlg_->CityEdit()->text(), QStringLiteral("BUFFALO"));
  EXPECT_EQ(dlg_->PostcodeEdit()->text(), QStringLiteral("14201"));
  EXPECT_EQ(dlg_->AreaEdit()->text(), QStringLiteral("NY"));
  EXPECT_EQ(dlg_->CountryEdit()->text(), QStringLiteral("US"));
  Save(QStringLiteral("world_city_dialog"));
  ClickCity(1, true);  // a double click chooses and confirms
  EXPECT_FALSE(dlg_->isVisible());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return owner_->chosen.size() == 1; }));
  EXPECT_EQ(owner_->chosen[0].name, "BROOKLYN");
  EXPECT_EQ(owner_->chosen[0].zipB, "11201");
  EXPECT_EQ(owner_->chosen[0].zipE, "11256");
  EXPECT_EQ(owner_->chosen[0].nc, "US");
}

TEST_F(WorldCityDlgTest, EnterRunsEachEditsSearch) {
  Open("US");
  // Country code: the region is shown and Enter moves on as Tab.
  Type(dlg_->CountryEdit(), QStringLiteral("gb"));
  QTest::keyClick(dlg_->CountryEdit(), Qt::Key_Return);
  EXPECT_EQ(Text(dlg_->CaptionLabel()), u"通用地址库中没有对应编码匹配!");  // no destination GB
  EXPECT_EQ(dlg_->AreaList()->RowCount(), 2);                              // ENG SCT
  EXPECT_TRUE(dlg_->AreaEdit()->hasFocus());
  // Area code: its cities.
  Type(dlg_->AreaEdit(), QStringLiteral("sc"));
  QTest::keyClick(dlg_->AreaEdit(), Qt::Key_Return);
  ASSERT_EQ(dlg_->CityList()->RowCount(), 2);
  EXPECT_EQ(dlg_->CityList()->CellText(0, 2), u"EDINBURGH");
  // A country code nobody has: the key is dropped, the focus stays.
  Type(dlg_->CountryEdit(), QStringLiteral("qq"));
  QTest::keyClick(dlg_->CountryEdit(), Qt::Key_Return);
  EXPECT_TRUE(dlg_->CountryEdit()->hasFocus());

  // Postcode: the library's hits; none selects the text for retyping.
  Type(dlg_->PostcodeEdit(), QStringLiteral("94110"));
  QTest::keyClick(dlg_->PostcodeEdit(), Qt::Key_Return);
  ASSERT_EQ(dlg_->CityList()->RowCount(), 1);
  EXPECT_EQ(dlg_->CityList()->CellText(0, 2), u"SAN FRANCISCO");
  EXPECT_TRUE(Text(dlg_->CaptionLabel()).empty());
  EXPECT_TRUE(dlg_->PostcodeEdit()->hasFocus());
  Type(dlg_->PostcodeEdit(), QStringLiteral("00000"));
  QTest::keyClick(dlg_->PostcodeEdit(), Qt::Key_Return);
  EXPECT_EQ(dlg_->PostcodeEdit()->selectedText(), QStringLiteral("00000"));

  // City name: an exact name shows its region and area with the city.
  Type(dlg_->CityEdit(), QStringLiteral("osaka"));
  QTest::keyClick(dlg_->CityEdit(), Qt::Key_Return);
  ASSERT_NE(dlg_->Browser().Chosen(), nullptr);
  EXPECT_EQ(dlg_->Browser().Chosen()->Name(), "OSAKA");
  EXPECT_EQ(dlg_->AreaList()->RowCount(), 3);
  // A part of names: the substring listing, text selected.
  Type(dlg_->CityEdit(), QStringLiteral("an"));
  QTest::keyClick(dlg_->CityEdit(), Qt::Key_Return);
  EXPECT_GE(dlg_->CityList()->RowCount(), 5);
  EXPECT_EQ(dlg_->CityEdit()->selectedText(), QStringLiteral("an"));
  EXPECT_TRUE(dlg_->CityEdit()->hasFocus());

  // Down and Up move between the edits; the clear button empties them.
  QTest::keyClick(dlg_->CityEdit(), Qt::Key_Up);
  EXPECT_TRUE(dlg_->PostcodeEdit()->hasFocus());
  QTest::keyClick(dlg_->PostcodeEdit(), Qt::Key_Down);
  EXPECT_TRUE(dlg_->CityEdit()->hasFocus());
  QTest::mouseClick(dlg_->ClearButton(), Qt::LeftButton);
  EXPECT_TRUE(dlg_->CityEdit()->text().isEmpty());
  EXPECT_TRUE(dlg_->CountryEdit()->hasFocus());
}

TEST_F(WorldCityDlgTest, OwnerGoneMeansNothingIsPosted) {
  Open("US");
  ClickCity(0);
  ASSERT_NE(dlg_->Browser().Chosen(), nullptr);
  owner_.reset();
  dlg_->Confirm();  // no receiver: nothing posted, nothing crashes
  EXPECT_FALSE(dlg_->isVisible());
  QCoreApplication::processEvents();
}

TEST_F(WorldCityDlgTest, WithoutALibraryTheListsStayEmpty) {
  CAddressLibrary empty;
  CWorldCityDlg dlg(empty, nullptr, owner_.get());
  dlg.ShowRegion("US");
  EXPECT_EQ(dlg.RegionList()->RowCount(), 0);
  EXPECT_EQ(dlg.CityList()->RowCount(), 0);
  dlg.Confirm();
  QCoreApplication::processEvents();
  EXPECT_TRUE(owner_->chosen.empty());
}

}  // namespace
