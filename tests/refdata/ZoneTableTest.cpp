#include <gtest/gtest.h>

#include <string>

#include "common/TextCodec.h"
#include "refdata/ZoneTable.h"
#include "server/ServerLink.h"
#include "tests/TempFolder.h"

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }

// A definition in the files' form; `zones` are the parts between the zone
// markers (each list starts after its first comma).
std::string Definition(std::u16string_view type, std::u16string_view service,
                       std::u16string_view extraKeys, const std::vector<std::string>& zones) {
  std::string text = "header text\r\n" + G(u"[定义开始]\r\n类型=") + G(type) + "\r\n" +
                     G(u"快递类别=") + G(service) + "\r\n" + G(extraKeys);
  for (size_t k = 0; k < zones.size(); ++k) {
    const std::string marker = G(u"<第") + std::to_string(k + 1) + G(u"区定义");
    text += marker + zones[k] + marker + "\r\n";
  }
  return text;
}

TEST(ZoneLettersTest, OneLetterUpToZThenTwo) {
  const std::pair<unsigned, const char*> cases[] = {
      {1, "A"}, {26, "Z"}, {27, "AA"}, {28, "AB"}, {52, "AZ"}, {53, "BA"}, {702, "ZZ"}};
  for (const auto& [zone, letters] : cases) EXPECT_EQ(letters, ZoneLetters(zone)) << zone;
}

TEST(ZoneTableTest, PostcodesMatchWithBlanksAndDashesRemoved) {
  CZoneTable table;
  ASSERT_EQ(1, table.ParseDefinition(Definition(u"报价", u"EMS", u"",
                                                {",200000,200001", ",100000, 100010\r\n,100020"})));
  const std::pair<const char*, int> cases[] = {
      {"100010", 2}, {"100 010", 2}, {"100-010", 2}, {"200000", 1}, {"10001", -1},
      {"", 0},       {" - ", 0}};
  for (const auto& [postcode, zone] : cases) EXPECT_EQ(zone, table.PriceZone(postcode, "EMS")) << postcode;
  EXPECT_EQ(-1, table.PriceZone("100010", "DHL"));  // no definition for the service
}

TEST(ZoneTableTest, AShortZoneEndsTheList) {
  CZoneTable table;
  ASSERT_EQ(1, table.ParseDefinition(
                   Definition(u"报价", u"EMS", u"", {",100000", ",1234", ",300000,300001"})));
  ASSERT_EQ(1u, table.PriceDefinitions().size());
  EXPECT_EQ(1, table.PriceDefinitions()[0]->zoneCount);
  EXPECT_EQ(-1, table.PriceZone("300000", "EMS"));
}

TEST(ZoneTableTest, NoMoreThan256Zones) {
  std::vector<std::string> zones;
  for (int k = 1; k <= 260; ++k) zones.push_back("," + std::to_string(100000 + k));
  CZoneTable table;
  ASSERT_EQ(1, table.ParseDefinition(Definition(u"报价", u"EMS", u"", zones)));
  EXPECT_EQ(256, table.PriceDefinitions()[0]->zoneCount);
  EXPECT_EQ(256, table.PriceZone("100256", "EMS"));
  EXPECT_EQ(-1, table.PriceZone("100257", "EMS"));
}

TEST(ZoneTableTest, DefaultZoneForPostcodesInNoList) {
  CZoneTable table;
  ASSERT_EQ(1, table.ParseDefinition(Definition(u"报价", u"EMS", u"邮编找不到时的分区=3\r\n",
                                                {",100000"})));
  ASSERT_EQ(1, table.ParseDefinition(Definition(u"报价", u"DHL", u"", {",100000"})));
  EXPECT_EQ(3, table.PriceZone("999999", "EMS"));
  EXPECT_EQ(-1, table.PriceZone("999999", "DHL"));
}

TEST(ZoneTableTest, ParseRefusals) {
  CZoneTable table;
  EXPECT_EQ(-1, table.ParseDefinition(G(u"类型=报价\r\n快递类别=EMS\r\n")));  // no marker
  EXPECT_EQ(-1, table.ParseDefinition(Definition(u"其它", u"EMS", u"", {",100000"})));
  EXPECT_EQ(-1, table.ParseDefinition(G(u"[定义开始]\r\n类型=报价\r\n")));  // no service
  EXPECT_EQ(1, table.ParseDefinition(Definition(u"报价", u"EMS", u"", {",100000"})));
  EXPECT_EQ(-2, table.ParseDefinition(Definition(u"报价", u"EMS", u"", {",200000"})));
  EXPECT_EQ(1, table.ParseDefinition(Definition(u"分拣", u"EMS", u"", {",200000"})));
  EXPECT_EQ(1, table.PriceZone("100000", "EMS"));  // the first definition stays
  EXPECT_EQ(-1, table.PriceZone("200000", "EMS"));
}

TEST(ZoneTableTest, FindZoneFillsTheFlaggedOutputs) {
  std::vector<std::string> sorting;
  for (int k = 1; k <= 28; ++k) sorting.push_back("," + std::to_string(500000 + k));
  CZoneTable table;
  ASSERT_EQ(1, table.ParseDefinition(
                   Definition(u"分拣", u"DHL", u"备用1数字=1\r\n备用2字母=1\r\n", sorting)));
  ASSERT_EQ(1, table.ParseDefinition(Definition(u"报价", u"DHL", u"", {",100000", ",500028"})));
  ASSERT_EQ(1, table.ParseDefinition(Definition(u"分拣", u"EMS", u"备用2字母=1\r\n", {",500001"})));
  std::string number = "x", letters = "y";
  EXPECT_EQ(1, table.FindZone("500-028", "DHL", number, letters));
  EXPECT_EQ("2", number);
  EXPECT_EQ("AB", letters);
  number = "x";
  EXPECT_EQ(1, table.FindZone("500001", "DHL", number, letters));
  EXPECT_EQ("", number);  // no price zone
  EXPECT_EQ("A", letters);
  number = "keep";
  EXPECT_EQ(1, table.FindZone("500001", "EMS", number, letters));
  EXPECT_EQ("keep", number);  // number flag off
  letters = "keep";
  EXPECT_EQ(0, table.FindZone("999999", "DHL", number, letters));
  EXPECT_EQ(0, table.FindZone("", "DHL", number, letters));
  EXPECT_EQ(0, table.FindZone("500001", "UPS", number, letters));
  EXPECT_EQ("keep", letters);
}

class ZoneFilesTest : public testsupport::TempFolderTest {};

// Without a session the link fetches nothing; the copies from an earlier
// run are read, and each series ends at its first missing file.
TEST_F(ZoneFilesTest, EachSeriesEndsAtItsFirstMissingFile) {
  Write("Zip_Choice_Zone_1.txt", Definition(u"分拣", u"DHL", u"", {",100000"}));
  Write("Zip_Price_Zone_0.txt", Definition(u"报价", u"DHL", u"", {",100000"}));
  Write("Zip_Price_Zone_1.txt", Definition(u"报价", u"EMS", u"", {",100000"}));
  Write("Zip_Price_Zone_3.txt", Definition(u"报价", u"UPS", u"", {",100000"}));
  CServerLink link;
  CZoneTable table;
  table.LoadFiles(link, folder_.string() + "/");
  EXPECT_TRUE(table.Loaded());
  EXPECT_TRUE(table.SortingDefinitions().empty());
  ASSERT_EQ(2u, table.PriceDefinitions().size());
  EXPECT_EQ("EMS", table.PriceDefinitions()[1]->service);
  // Once only.
  Write("Zip_Choice_Zone_0.txt", Definition(u"分拣", u"DHL", u"", {",100000"}));
  table.LoadFiles(link, folder_.string() + "/");
  EXPECT_TRUE(table.SortingDefinitions().empty());
}

}  // namespace
