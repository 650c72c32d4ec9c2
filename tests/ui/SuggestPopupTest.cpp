#include "ui/SuggestPopup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "platform/QtMessages.h"
#include "refdata/AirlineTable.h"
#include "refdata/PlaceSamples.h"
#include "refdata/ServiceKinds.h"
#include "refdata/UserEnvironment.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"
#include "tests/ui/SuggestSources.h"

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

void SaveScreenshot(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  EXPECT_TRUE(widget.grab().toImage().save(path)) << path.toStdString();
}

// ---- sources ----

using suggesttest::ClientRow;
using suggesttest::FillClients;
using suggesttest::FillDestinations;

StaffEntry Staff(const std::string& account, const std::string& name, char mode) {
  StaffEntry s;
  s.mcaccount = account;
  s.mcname = name;
  s.mode = mode;
  s.notModeA = mode == 'A' ? 0 : 1;
  return s;
}

// Flights from a fake flt_main reply: numbers MU1001 ... MU1010.
SqlRunner FlightRunner() {
  return [](std::string_view sql, std::span<const uint32_t>, std::string& reply) {
    std::string rows;
    if (sql.find("flt_main") != std::string_view::npos) {
      for (int i = 1; i <= 10; ++i) {
        char row[512];
        std::snprintf(row, sizeof row,
                      "%s{\"0\":%d,\"1\":\"MU%d\",\"2\":1,\"3\":1,\"4\":0,\"5\":1,\"6\":0,\"7\":1,"
                      "\"8\":0,\"9\":0,\"10\":%d,\"11\":\"PVG\",\"12\":\"\",\"13\":\"LAX\","
                      "\"14\":\"SHANGHAI\",\"15\":\"LOS ANGELES\"}",
                      i > 1 ? "," : "", i, 1000 + i, i == 2 ? 1 : 0);
        rows += row;
      }
    }
    reply = "{\"iTotal\":1,\"List\":[" + rows + "]}";
    return static_cast<int>(reply.size());
  };
}

std::vector<std::u16string> PickTexts(const CSuggestRows& rows) {
  std::vector<std::u16string> texts;
  for (int i = 0; i < rows.Look().rows; ++i) texts.push_back(rows.PickText(i));
  return texts;
}

std::string Search(CSuggestRows& rows, std::string text, int64_t lParam = 0) {
  rows.Search(text, lParam);
  return text;
}

// ---- the lists without a window ----

TEST(SuggestRowsTest, ClientRowsPadTheCodeToNineCharacters) {
  CClientListCache cache;
  FillClients(cache, {ClientRow(1, "AB", "Alpha"), ClientRow(2, "ABCDEFGHI", "Nine"),
                      ClientRow(3, "ABCDEFGH", "Eight"), ClientRow(4, "ZZ", "Zed")});
  CClientSuggestRows rows(&cache);
  Search(rows, "ab");
  ASSERT_TRUE(rows.IsFilled(0));
  EXPECT_EQ(rows.Cells(0)[0].text, u"AB       Alpha");         // two letters and seven blanks
  EXPECT_EQ(rows.Cells(1)[0].text, u"ABCDEFGH Eight");         // eight characters and one blank
  EXPECT_EQ(rows.Cells(2)[0].text, u"ABCDEFGHI Nine");         // nine characters and one blank
  std::u16string name;
  EXPECT_EQ(rows.GetHit(0, &name), 1);
  EXPECT_EQ(name, u"Alpha");
  EXPECT_EQ(rows.GetHit(3), 4);    // the rows run on through the index
  EXPECT_EQ(rows.GetHit(4), -1);   // an empty row
  EXPECT_EQ(rows.GetHit(5), -1);   // beyond the rows
  Search(rows, "q");
  EXPECT_FALSE(rows.AnyFilled());
  EXPECT_EQ(rows.GetHit(0), -1);
  EXPECT_EQ(rows.NumberText(0), u"       1");  // "% 8d"
}

TEST(SuggestRowsTest, DestinationRowsGreyWhereTheServiceKindDoesNotServe) {
  CDestinationTable table;
  FillDestinations(table);
  CDestinationSuggestRows rows(&table);
  Search(rows, "U");
  ASSERT_EQ(PickTexts(rows)[0], u"乌克兰");  // codes UA, UG, US in code order
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(rows.IsMarked(i)) << i;  // no kind chosen: all green
    EXPECT_EQ(rows.Cells(i)[0].rgb, 0x008000u);
  }
  EXPECT_EQ(rows.Cells(2)[1].text, u"美国 UNITED STATES[10001]");

  CServiceKind kind("DHL");
  ServiceArea area;
  area.carea = Gbk(u"美国");
  kind.AddArea(area);
  rows.SetServiceKind(&kind);
  Search(rows, "U");
  EXPECT_FALSE(rows.IsMarked(0));
  EXPECT_EQ(rows.Cells(0)[0].rgb, 0x646464u);
  EXPECT_TRUE(rows.IsMarked(2));
  std::u16string name;
  ASSERT_NE(rows.GetHit(2, &name), nullptr);
  EXPECT_EQ(name, u"美国");
  EXPECT_EQ(rows.GetHit(3), nullptr);

  CDestinationSuggestRows sourceless;
  Search(sourceless, "U");
  EXPECT_FALSE(sourceless.AnyFilled());
}

TEST(SuggestRowsTest, FlightRowsShowNineAndStoppedFlightsGrey) {
  CAirlineTable airlines(FlightRunner());
  ASSERT_EQ(airlines.LoadFlights(), 10);
  CFlightSuggestRows rows(&airlines);
  EXPECT_EQ(Search(rows, "mu"), "MU");  // upper-cased in place, as the search does
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(rows.IsFilled(i)) << i;
  EXPECT_EQ(rows.GetHit(9), nullptr);
  std::u16string number;
  ASSERT_NE(rows.GetHit(1, &number), nullptr);
  EXPECT_EQ(number, u"MU1002");
  EXPECT_EQ(rows.Cells(1)[0].rgb, 0x646464u);  // stopped
  EXPECT_EQ(rows.Cells(0)[0].rgb, 0x008000u);
  EXPECT_NE(rows.Cells(0)[1].text.find(u"[PVG/LAX]SHANGHAI->LOS ANGELES"), std::u16string::npos);
  Search(rows, "");
  EXPECT_FALSE(rows.AnyFilled());
}

TEST(SuggestRowsTest, NameRowsOfferOnlyModeAStaff) {
  CNameSuggestRows rows({Staff("wang", Gbk(u"王伟"), 'A'), Staff("wanda", Gbk(u"万达"), 'B'),
                         Staff("li", Gbk(u"李娜"), 'A'), Staff("averyveryverylong", Gbk(u"张三"), 'A')});
  Search(rows, "WA");
  EXPECT_EQ(PickTexts(rows)[0], u"王伟");
  // The account index runs on from the hit: li is not after wang, wanda is not mode A.
  EXPECT_FALSE(rows.IsFilled(1));
  Search(rows, "x");  // a Latin text without an account prefix: nothing
  EXPECT_FALSE(rows.AnyFilled());
  Search(rows, Gbk(u"娜"));  // Chinese without a name prefix: names containing it
  EXPECT_EQ(PickTexts(rows)[0], u"李娜");
  Search(rows, "li");
  EXPECT_EQ(rows.Cells(0)[0].text, u"li              李娜");  // padded to 16
  EXPECT_EQ(rows.GetHit(0), 0);
  EXPECT_EQ(rows.GetHit(5), -1);
  Search(rows, "av");
  EXPECT_EQ(rows.Cells(0)[0].text, u"averyveryverylong 张三");  // longer: one blank
}

TEST(SuggestRowsTest, CityRowsComeFromTheLibraryAndRowFiveGivesTheFirst) {
  const std::string id = CAddressLibrary::IdentificationText();
  const std::string path = ::testing::TempDir() + "suggest_city.dat";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << BuildAddressLibraryFile(SampleCities(), id, CAddressLibrary::KeyOf(id));
  }
  CAddressLibrary library;
  CCitySuggestRows rows(&library);
  Search(rows, "SAN");
  EXPECT_FALSE(rows.AnyFilled());  // not loaded
  ASSERT_TRUE(library.Load(path, id, CAddressLibrary::KeyOf(id)));
  EXPECT_EQ(Search(rows, "san"), "SAN");
  EXPECT_EQ(PickTexts(rows),
            (std::vector<std::u16string>{u"BUSAN", u"SAN DIEGO", u"SAN FRANCISCO", u"SAN JOSE", u""}));
  EXPECT_EQ(rows.Cells(0)[0].text, u"KR-26");
  EXPECT_EQ(rows.Cells(1)[0].text, u"US-CA");
  EXPECT_EQ(rows.GetHit(5), rows.GetHit(0));
  EXPECT_EQ(rows.GetHit(7), rows.GetHit(0));
  EXPECT_EQ(rows.GetHit(4), nullptr);
  std::remove(path.c_str());
}

TEST(SuggestRowsTest, PlaceRowsHaveTwoLines) {
  const std::string path = ::testing::TempDir() + "suggest_places.dat";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << BuildPlaceDictionaryFile(SamplePlaceEntries());
  }
  CPlaceDictionary dict;
  ASSERT_TRUE(dict.Load(path));
  CPlaceSuggestRows rows(&dict);
  Search(rows, "CL");
  ASSERT_TRUE(rows.IsFilled(3));
  EXPECT_EQ(rows.GetHit(4), nullptr);
  const std::vector<SuggestCell> cells = rows.Cells(0);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].text, u"CL01");
  EXPECT_EQ(cells[1].text, u"衣服");
  EXPECT_EQ(cells[2].text, u"CLOTHES");
  EXPECT_EQ(cells[2].line, 1);
  EXPECT_EQ(rows.NumberText(0), u"1");
  std::remove(path.c_str());
}

class DirectoryRowsTest : public testsupport::TempFolderTest {
 protected:
  void TearDown() override {
    table_.Close();
    TempFolderTest::TearDown();
  }
  void Add(const std::string& code, const std::string& name, const std::string& phone) {
    DirectoryRecord record{};
    std::strncpy(record.code, code.c_str(), sizeof record.code - 1);
    std::strncpy(record.name, name.c_str(), sizeof record.name - 1);
    std::strncpy(record.phone, phone.c_str(), sizeof record.phone - 1);
    ASSERT_GT(table_.Append(&record), 0);
    index_.RebuildIndexes();
  }
  CDirectoryTable table_;
  CDirectoryIndex index_{table_};
};

TEST_F(DirectoryRowsTest, LParamChoosesCodeAndNameOrPhoneSearch) {
  ASSERT_EQ(index_.Load(folder_ / "rsdata.dat"), 0);
  Add("zs", Gbk(u"张三"), "13800001111");
  Add("ls", Gbk(u"李四"), "13900002222");
  CDirectorySuggestRows rows(&index_);
  Search(rows, "zs", 0);
  ASSERT_TRUE(rows.IsFilled(0));
  EXPECT_EQ(rows.Cells(0)[0].text, u"zs");
  EXPECT_EQ(rows.Cells(0)[1].text, u"张三[13800001111]");
  EXPECT_EQ(rows.PickText(0), u"张三");
  Search(rows, "139", 1);
  ASSERT_NE(rows.GetHit(0), nullptr);
  EXPECT_EQ(rows.PickText(0), u"李四");
  Search(rows, "139", 0);  // not a code, not a name: nothing
  EXPECT_FALSE(rows.AnyFilled());
  EXPECT_EQ(rows.GetHit(5), nullptr);
}

// ---- the popups under a form ----

// A form with two edits served by the destination and place popups.
class SuggestForm : public QWidget {
 public:
  SuggestForm() {
    auto* layout = new QVBoxLayout(this);
    destinationEdit = new QLineEdit(this);
    goodsEdit = new QLineEdit(this);
    nextEdit = new QLineEdit(this);
    for (QLineEdit* e : {destinationEdit, goodsEdit, nextEdit}) layout->addWidget(e);
    layout->addStretch(1);
    resize(420, 260);
    destinations = new CDestinationSuggestPopup(this);
    places = new CPlaceSuggestPopup(this);
  }
  QLineEdit* destinationEdit;
  QLineEdit* goodsEdit;
  QLineEdit* nextEdit;
  CDestinationSuggestPopup* destinations;
  CPlaceSuggestPopup* places;
};

class SuggestPopupTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    FillDestinations(table_);
    ASSERT_TRUE(dict_.Load(Write("places.dat", BuildPlaceDictionaryFile(SamplePlaceEntries())).string()));
    form_ = std::make_unique<SuggestForm>();
    form_->destinations->Source().SetSource(&table_);
    form_->places->Source().SetSource(&dict_);
    destinationBinding_ = new CSuggestEditBinding(form_->destinationEdit, form_->destinations, 30);
    destinationBinding_->onPick = [this](int row) {
      picked_ = form_->destinations->Source().GetHit(row);
    };
    new CSuggestEditBinding(form_->goodsEdit, form_->places);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }

  CDestinationTable table_;
  CPlaceDictionary dict_;
  std::unique_ptr<SuggestForm> form_;
  CSuggestEditBinding* destinationBinding_ = nullptr;
  const DestinationRecord* picked_ = nullptr;
};

TEST_F(SuggestPopupTest, TypingShowsRowsUnderTheEditWhichKeepsTheFocus) {
  QLineEdit* edit = form_->destinationEdit;
  edit->setFocus();
  QTest::keyClicks(edit, QStringLiteral("u"));
  EXPECT_TRUE(form_->destinations->isVisible());
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(form_->destinations->y(), edit->y() + edit->height());
  EXPECT_EQ(destinationBinding_->SearchText(), "u");
  SaveScreenshot(*form_, QStringLiteral("suggest_destination_popup"));

  // No hits hide the popup; a later keystroke with hits shows it again.
  QTest::keyClicks(edit, QStringLiteral("x"));
  EXPECT_FALSE(form_->destinations->isVisible());
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_TRUE(form_->destinations->isVisible());
  // A click on the popup hides it and reaches the field it covered.
  const QPoint onPopup(20, 10);
  ASSERT_TRUE(form_->goodsEdit->geometry().contains(form_->destinations->mapToParent(onPopup)));
  QTest::mouseClick(form_->destinations, Qt::LeftButton, {}, onPopup);
  EXPECT_FALSE(form_->destinations->isVisible());
  EXPECT_TRUE(form_->goodsEdit->hasFocus());
  // Emptying the edit hides it too.
  edit->setFocus();
  QTest::keyClicks(edit, QStringLiteral("s"));
  EXPECT_TRUE(form_->destinations->isVisible());
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_FALSE(form_->destinations->isVisible());
}

TEST_F(SuggestPopupTest, CtrlDigitAndEnterPickRowsThenTheFocusMovesOn) {
  QLineEdit* edit = form_->destinationEdit;
  edit->setFocus();
  QTest::keyClicks(edit, QStringLiteral("u"));
  ASSERT_TRUE(form_->destinations->isVisible());
  QTest::keyClick(edit, Qt::Key_3, Qt::ControlModifier);  // row 2: US
  EXPECT_EQ(edit->text(), QString::fromUtf16(u"美国"));
  ASSERT_NE(picked_, nullptr);
  EXPECT_EQ(picked_->Code(), "US");
  EXPECT_FALSE(form_->destinations->isVisible());
  EXPECT_TRUE(form_->goodsEdit->hasFocus());  // as with Tab
  // Writing the picked row did not search again.
  EXPECT_EQ(destinationBinding_->SearchText(), "u");

  // An empty row picks nothing.
  edit->setFocus();
  edit->clear();
  picked_ = nullptr;
  QTest::keyClicks(edit, QStringLiteral("g"));
  ASSERT_TRUE(form_->destinations->isVisible());
  QTest::keyClick(edit, Qt::Key_5, Qt::ControlModifier);
  EXPECT_EQ(picked_, nullptr);
  EXPECT_TRUE(edit->hasFocus());
  QTest::keyClick(edit, Qt::Key_Return);  // row 0
  ASSERT_NE(picked_, nullptr);
  EXPECT_EQ(picked_->Code(), "GB");
  EXPECT_TRUE(form_->goodsEdit->hasFocus());

  // Leaving the edit hides its popup.
  QTest::keyClicks(form_->goodsEdit, QStringLiteral("cl"));
  EXPECT_TRUE(form_->places->isVisible());
  SaveScreenshot(*form_, QStringLiteral("suggest_place_popup"));
  form_->nextEdit->setFocus();
  EXPECT_FALSE(form_->places->isVisible());
}

TEST_F(SuggestPopupTest, RefreshArrivesAsThePrivateMessage) {
  std::string text = "cl";
  form_->places->SetSearchText(&text);
  platform::SendPrivateMessage(form_->places, kWmDestinationSuggest);  // not its message
  EXPECT_FALSE(form_->places->isVisible());
  platform::SendPrivateMessage(form_->places, kWmPlaceSuggest);
  EXPECT_TRUE(form_->places->isVisible());
  EXPECT_EQ(form_->places->focusPolicy(), Qt::NoFocus);
  text = "zzzz";
  platform::PostPrivateMessage(form_->places, kWmPlaceSuggest);
  EXPECT_TRUE(testsupport::WaitUntil([&] { return !form_->places->isVisible(); }));
}

}  // namespace
