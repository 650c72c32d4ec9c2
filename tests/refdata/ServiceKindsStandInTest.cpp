// The service kinds as start-up reads them from the local stand-in and its
// sample data: every query of the load passes the stand-in's SQL rules.

#include <gtest/gtest.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

class ServiceKindsStandIn : public testsupport::StandInLinkSuite<ServiceKindsStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-kinds";

 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-KINDS"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  }
};

TEST_F(ServiceKindsStandIn, KindsWithTheirListsRatesSendersAndAreas) {
  CLanguageTable language;
  platform::RecordingMessageBoxService boxes;
  std::vector<CServiceKind> kinds;
  std::vector<std::u16string> codes;
  ASSERT_TRUE(LoadServiceKinds(LinkSqlRunner(link_), kinds, codes, language, boxes));
  ASSERT_GE(kinds.size(), 5u);
  EXPECT_EQ(kinds.size(), codes.size());
  // Ordered by the document weight, then the code.
  for (size_t i = 1; i < kinds.size(); ++i) EXPECT_LE(kinds[i - 1].idocweighte, kinds[i].idocweighte);

  CServiceKind* dhl = FindServiceKind(kinds, "dhl");
  ASSERT_NE(nullptr, dhl);
  EXPECT_GE(dhl->areas.size(), 30u);
  for (size_t i = 1; i < dhl->areas.size(); ++i) EXPECT_LT(dhl->areas[i - 1].carea, dhl->areas[i].carea);
  EXPECT_EQ(7, dhl->AreaNumber(Gbk(u"德国")));
  EXPECT_TRUE(dhl->HasArea(Gbk(u"上海市浦东新区世纪大道")));
  // Suppliers by position; the two at position 1 in name order.
  ASSERT_EQ(3u, dhl->rates.size());
  EXPECT_EQ(1, static_cast<uint16_t>(dhl->rates[0].ipos));
  EXPECT_EQ(1, static_cast<uint16_t>(dhl->rates[1].ipos));
  EXPECT_EQ(3, static_cast<uint16_t>(dhl->rates[2].ipos));
  EXPECT_EQ(9225, dhl->FindSupplierRate(5)->docDiscount);
  EXPECT_EQ("", dhl->FindSupplierRate(1)->ddate);  // 1999: not kept
  EXPECT_EQ("DHL Express", dhl->cclient);
  EXPECT_EQ(13, dhl->fieldKindCount);

  CServiceKind* ups = FindServiceKind(kinds, "UPS");
  ASSERT_NE(nullptr, ups);
  EXPECT_TRUE(ups->areas.empty());  // only ZIZ国际 and DHL keep areas
  EXPECT_EQ(Gbk(u"UPS 红单"), ups->memoLines[0]);
  EXPECT_EQ(Gbk(u"偏远地区另收附加费"), ups->memoLines[2]);
  EXPECT_TRUE(ups->CheckNoMask("1Z1234567890123456"));
  EXPECT_FALSE(ups->CheckNoMask("1Z12345"));
  EXPECT_EQ(3, ups->idGenHigh);
  EXPECT_EQ(12, ups->idGenLow);
  EXPECT_EQ(Gbk(u"UPS 深圳营业部"), ups->cclient);

  CServiceKind* fedex = FindServiceKind(kinds, "FedEx");
  ASSERT_NE(nullptr, fedex);
  EXPECT_EQ(255, fedex->fieldKinds[10]);  // 70 is no field kind
  EXPECT_EQ(12, fedex->fieldKinds[11]);
  EXPECT_TRUE(boxes.Messages().empty());
}

}  // namespace
