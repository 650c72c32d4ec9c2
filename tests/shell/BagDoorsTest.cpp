// The application's doors to the bag and master air waybill services and
// the column catalogue, against the local stand-in.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/AwbBagLists.h"
#include "refdata/BagDefaults.h"
#include "refdata/ColumnCatalog.h"
#include "shell/BrantleClientApp.h"
#include "tests/shell/StandInSuite.h"

namespace {

namespace fs = std::filesystem;

class BagDoorsTest : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    fs::create_directories(folder_.Path() / "DATA_SYS");
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-BAGS");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    shelltest::LoadProgramLanguage("01");
  }

  shelltest::TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
};

TEST_F(BagDoorsTest, StartUpLoadsTheDefaultsAndBuildsTheCatalogue) {
  EXPECT_EQ(nullptr, app_.Link().bagDefaults);
  app_.LoadBagDefaults();
  ASSERT_NE(nullptr, app_.Link().bagDefaults);
  EXPECT_TRUE(fs::exists(folder_.Path() / "DATA_SYS" / std::string(CBrantleClientApp::kBagDefaultsFile)));
  EXPECT_EQ("CA983", app_.Link().bagDefaults->firstFlight);
  EXPECT_EQ(11, app_.Link().bagDefaults->bagCodeDigits);

  // A local copy that lost its markers (and no newer one on the server)
  // leaves no defaults.
  std::ofstream(folder_.Path() / "DATA_SYS" / std::string(CBrantleClientApp::kBagDefaultsFile),
                std::ios::trunc)
      << GbkFromWide(u"出发机场=SZX\r\n");
  app_.LoadBagDefaults();
  EXPECT_EQ(nullptr, app_.Link().bagDefaults);

  app_.BuildColumnCatalog();
  const ColumnDef* column = app_.ColumnCatalog().WaybillColumn(10);
  ASSERT_NE(nullptr, column);
  EXPECT_EQ("nitemtype", column->name);
  EXPECT_EQ(u"Item type", column->caption);  // the run's language
}

TEST_F(BagDoorsTest, RecentListsAndDetailsThroughTheApplication) {
  std::vector<std::u16string> bags;
  ASSERT_EQ(1, app_.ListRecentBags(bags, 1));
  // The newest of the base samples (ids below 1000; other samples add
  // newer bags of their own).
  std::vector<std::u16string> all;
  app_.ListRecentBags(all, 5000);
  bags.clear();
  for (const std::u16string& item : all)
    if (CBrantleClientApp::BagIdFromListItem(item) < 1000) bags.push_back(item);
  ASSERT_FALSE(bags.empty());
  EXPECT_EQ(u"B2024030005<" + AppLanguage().BagStateText(0) + u">ID:5", bags[0]);
  EXPECT_EQ(5, CBrantleClientApp::BagIdFromListItem(bags[0]));
  EXPECT_EQ(u"B2024030005", CBrantleClientApp::BagNoFromListItem(bags[0]));

  std::vector<std::u16string> awbs;
  ASSERT_EQ(1, app_.ListRecentAwbs(awbs, 1));
  AwbPackInfo info;
  info.number = GbkFromWide(CBrantleClientApp::AwbFromListItem(awbs[0]));
  EXPECT_EQ("999-44444440", info.number);
  EXPECT_EQ(1, app_.LoadAwbPackInfo(info));
  EXPECT_EQ(u"SZX", info.cfrom);
  EXPECT_EQ(u"2.20", CBrantleClientApp::FormatWeight(1.0, true));
}

}  // namespace
