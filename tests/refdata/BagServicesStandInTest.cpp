// The bag defaults, the master air waybill details and the recent lists
// against the local stand-in server and its sample data.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/AwbBagLists.h"
#include "refdata/BagDefaults.h"
#include "server/ServerLink.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"

namespace fs = std::filesystem;

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class BagServicesStandIn : public testsupport::StandInLinkSuite<BagServicesStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-bags";

 protected:
  void SetUp() override {
    fs::create_directories(CaseFolder() / "DATA_SYS");
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-BAGS"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  }
};

TEST_F(BagServicesStandIn, DefaultsFromTheSettingsFileAndTheDictionary) {
  FileRequest request;
  request.grade = 255;
  request.kind = Gbk(u"系统配置");
  request.fileName = "BagDefault.txt";
  request.localPath = (folder_ / "DATA_SYS" / "BagDefault.txt").string();
  ASSERT_GT(link_.DownloadFile(request), 0);
  std::string text = ReadFile(request.localPath);

  std::unique_ptr<BagDefaults> d = LoadBagDefaults(link_, text);
  ASSERT_NE(nullptr, d);
  // From the text alone.
  EXPECT_EQ(11, d->bagCodeDigits);
  EXPECT_EQ("SZX", d->departureAirport);
  EXPECT_EQ(Gbk(u"普货"), d->bagType);
  EXPECT_EQ(1, d->checkAirport);
  EXPECT_EQ(1, d->checkWeights);
  EXPECT_EQ(Gbk(u"纸箱"), d->packing);
  EXPECT_EQ(Gbk(u"一般贸易"), d->tradeMode);
  // The dictionary rows win over the text.
  EXPECT_EQ("CA983", d->firstFlight);
  EXPECT_EQ("PEK", d->airport);
  EXPECT_EQ(Gbk(u"北京"), d->origin);
  EXPECT_EQ(Gbk(u"洛杉矶"), d->destination);
  EXPECT_EQ("BJS", d->customsCode);
  EXPECT_EQ(1, d->type);
  EXPECT_EQ(1, d->checkCustomerBalance);
  EXPECT_EQ(1, d->switch19);
  EXPECT_EQ(0, d->switch23);

  // Without a usable text nothing is asked and nothing is made.
  EXPECT_EQ(nullptr, LoadBagDefaults(link_, Gbk(u"<装袋默认值配置开始>\r\n出发机场=SZX\r\n")));
}

TEST_F(BagServicesStandIn, MasterAirWaybillDetails) {
  AwbPackInfo info;
  info.number = "999-22222226";
  ASSERT_EQ(1, LoadAwbPackInfo(link_, info));
  EXPECT_EQ(u"PEK", info.cfrom);
  EXPECT_EQ(u"JFK", info.cdes);
  EXPECT_EQ(u"C001", info.creceiver);
  // The clearance consignee is a name, kept whole up to 30 characters.
  EXPECT_EQ(u"纽约环球清关代理有限公司", info.cagent);
  EXPECT_EQ(u"010-66668888", info.cphone);
  EXPECT_EQ(u"Beta Customs", info.cbroker);
  EXPECT_EQ(u"ZIZ货运", info.csname);
  EXPECT_EQ(u"北京顺义空港物流园", info.csaddr);
  EXPECT_EQ(u"101300", info.cspostcode);
  EXPECT_EQ(u"已到达", info.cmemo);
  EXPECT_EQ(u"地面操作费 50", info.cothercharge);

  // No row: the texts are emptied.  A quote in the number stays inside the
  // literal.
  for (const char* number : {"000-00000000", "999-2'--"}) {
    AwbPackInfo none = info;
    none.number = number;
    EXPECT_EQ(1, LoadAwbPackInfo(link_, none)) << number;
    EXPECT_EQ(u"", none.cfrom) << number;
    EXPECT_EQ(u"", none.cagent) << number;
  }

  AwbPackInfo empty;
  EXPECT_EQ(-2, LoadAwbPackInfo(link_, empty));
}

TEST_F(BagServicesStandIn, RecentMasterAirWaybills) {
  std::vector<std::u16string> list = {u"earlier"};
  ASSERT_EQ(4, ListRecentAwbs(link_, list, 3));
  const std::vector<std::u16string> expected = {u"earlier", u"\u3000999-44444440<LAX>",
                                                u"◎160-33333334<HKG>", u"√999-22222226<JFK>"};
  EXPECT_EQ(expected, list);
  EXPECT_EQ(u"160-33333334", AwbFromListItem(list[2]));

  std::vector<std::u16string> none = {u"kept"};
  EXPECT_EQ(0, ListRecentAwbs(link_, none, 0));
  EXPECT_EQ(1u, none.size());
}

TEST_F(BagServicesStandIn, RecentBags) {
  CLanguageTable language;
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(language, "00"));
  std::vector<std::u16string> list;
  ASSERT_EQ(3, ListRecentBags(link_, language, list, 3));
  ASSERT_EQ(3u, list.size());
  // The newest of this file's sample bags (ids below 1000): other samples
  // add newer bags of their own.
  std::vector<std::u16string> all;
  ListRecentBags(link_, language, all, 5000);
  list.clear();
  for (const std::u16string& item : all)
    if (BagIdFromListItem(item) < 1000) list.push_back(item);
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(u"B2024030005<" + language.BagStateText(0) + u">ID:5", list[0]);
  EXPECT_EQ(u"B2024030004<" + language.BagStateText(3) + u">ID:4", list[1]);
  EXPECT_EQ(u"B2024030003<" + language.BagStateText(2) + u">ID:3", list[2]);
  EXPECT_EQ(u"B2024030004", BagNoFromListItem(list[1]));
  EXPECT_EQ(4, BagIdFromListItem(list[1]));

  std::vector<std::u16string> none;
  EXPECT_EQ(0, ListRecentBags(link_, language, none, 0));
  EXPECT_TRUE(none.empty());
}

}  // namespace
