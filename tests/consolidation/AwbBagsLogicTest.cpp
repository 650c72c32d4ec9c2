// The bag and parcel rules of the master air waybill form without a
// window: order texts, special orders, the statements and calls as sent,
// the refusal texts, the weight and value rules of a parcel line, the sums
// and the multi-piece report.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "consolidation/AwbBags.h"
#include "consolidation/AwbParcels.h"
#include "shell/BrantleClientApp.h"

namespace {

TEST(AwbBagOrder, WidthFollowsTheCount) {
  EXPECT_EQ(u" 1/99", awb::OrderText(0, 99));
  EXPECT_EQ(u"99/99", awb::OrderText(98, 99));
  EXPECT_EQ(u"  1/150", awb::OrderText(0, 150));
  EXPECT_EQ(u" 99/150", awb::OrderText(98, 150));
  EXPECT_EQ(u"150/150", awb::OrderText(149, 150));
  EXPECT_EQ(u"   1/1000", awb::OrderText(0, 1000));
  EXPECT_EQ(u" 1/1", awb::OrderText(0, 1));
}

TEST(AwbBagOrder, SpecialOrderGroupsEqualNumbers) {
  const std::vector<std::u16string> texts = awb::SpecialOrderTexts({u"A", u"B", u"A", u"", u"A"});
  EXPECT_EQ((std::vector<std::u16string>{u" 1/3", u" 1/1", u" 2/3", u" 1/1", u" 3/3"}), texts);
}

TEST(AwbBagOrder, PackingCountNumbersTheFirstNBags) {
  EXPECT_EQ(u"1/3", awb::PackingOrder(0, u"3"));
  EXPECT_EQ(u"3/3", awb::PackingOrder(2, u"3"));
  EXPECT_EQ(u"", awb::PackingOrder(3, u"3"));
  EXPECT_EQ(u"", awb::PackingOrder(0, u"纸箱"));
  EXPECT_EQ(u"", awb::PackingOrder(0, u"0"));
}

TEST(AwbBagStatements, TextsAsSent) {
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_2_awb_add_xno_exxx(?,?,?,?,?,?,?,?,?,?,?,?,'B''1','740-1','O''Neil')}",
            awb::AddBagSql(0, u" B'1 ", u"740-1", u"O'Neil"));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_2_awb_add_id_exxx(?,?,?,?,?,?,?,?,?,?,?,?,1000074001,'740-1','u')}",
            awb::AddBagSql(1000074001, u"", u"740-1", u"u"));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_2_awb_del_id(7,'7''40','u')}", awb::TakeOffSql(7, u"7'40", u"u", true));
  EXPECT_EQ("{CALL brantle.dbo.cp_client_rec_xbag_2_awb_del_id(7,'740','u')}", awb::TakeOffSql(7, u"740", u"u", false));
  // The rename's number has its quotes doubled and is upper-cased.
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_alter(5,'B''A-X','u')}", awb::RenameSql(5, u"b'a-x", u"u"));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_xbag SET corder='  1/150' WHERE ixid=9", awb::BagOrderSql(9, u"  1/150"));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_xbag SET chorder=' 2/3' WHERE ixid=9", awb::SpecialOrderSql(9, u" 2/3"));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_xbag SET corder='1/2',chno='S''K' WHERE ixid=3000000000",
            awb::OrderAndSpecialSql(-1294967296, u"1/2", u"S'K"));
  EXPECT_EQ("SELECT cxno,cdes FROM brantle.dbo.client_rec_xbag WHERE cxno='A''B'", awb::DestinationSql(0, u"A'B"));
  EXPECT_EQ("SELECT cxno,cdes FROM brantle.dbo.client_rec_xbag WHERE ixid=12", awb::DestinationSql(12, u"X"));
}

// 1,000 ten-digit ids all reach the statement (a buffer of rows x 10 +
// 1024 bytes would end near 903 of them).
TEST(AwbBagStatements, SpecialNumberOverAThousandTenDigitIds) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < 1000; ++i) ids.push_back(1000075000 + i);
  const std::string sql = awb::SpecialNumberSql(u"SK'1", ids);
  const std::string head = "UPDATE brantle.dbo.client_rec_xbag SET chno='SK''1' WHERE ixid IN(";
  ASSERT_EQ(head, sql.substr(0, head.size()));
  EXPECT_EQ(head.size() + 1000 * 11, sql.size());
  EXPECT_GT(sql.size(), 1000u * 10 + 1024);
  EXPECT_EQ("1000075000,1000075001,", sql.substr(head.size(), 22));
  EXPECT_EQ(",1000075999)", sql.substr(sql.size() - 12));
}

TEST(AwbBagStatements, RefusalTexts) {
  struct Row {
    int32_t code;
    int32_t add, addById, takeOff, rename, pull;
  };
  const Row rows[] = {{0, 0, 0, 0, 410107, 0},           {-1, 0, 0, 0, 410108, 0},
                      {-2, 410081, 410080, 410096, 360062, 360062}, {-3, 410082, 410082, 410097, 410109, 360062},
                      {-4, 410083, 410083, 410098, 410110, 410115}, {-5, 0, 0, 0, 0, 410116},
                      {-9, 0, 0, 0, 0, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    EXPECT_EQ(r.add, awb::AddRefusalText(r.code, false));
    EXPECT_EQ(r.addById, awb::AddRefusalText(r.code, true));
    EXPECT_EQ(r.takeOff, awb::TakeOffRefusalText(r.code));
    EXPECT_EQ(r.rename, awb::RenameRefusalText(r.code));
    EXPECT_EQ(r.pull, awb::PullRefusalText(r.code));
  }
}

awb::DimensionRules AppRules(const CBrantleClientApp& app) {
  awb::DimensionRules rules;
  rules.parse = [](std::string_view t, int32_t& l, int32_t& w, int32_t& h) {
    return CBrantleClientApp::ParseDimensions(t, l, w, h);
  };
  rules.volumetric = [&app](int32_t l, int32_t w, int32_t h, char k) { return app.VolumetricWeight(l, w, h, k); };
  return rules;
}

// The application's divisor letter is its setting (W, 12 cm3 per gram,
// unless configured).
TEST(AwbParcelRules, WeightsAndValues) {
  CBrantleClientApp app;
  const awb::DimensionRules rules = AppRules(app);
  struct Case {
    const char* name;
    awb::ParcelValues v;
    const char16_t *value, *charge, *actual;
    double volumetricPart, actualPart;
  };
  auto V = [](int32_t items, double kg, const char* clwh, int32_t l, int32_t w, int32_t h, int32_t g, int32_t q,
              int32_t price, int32_t declared) {
    awb::ParcelValues v;
    v.iitem = items;
    v.fweights = kg;
    v.clwh = clwh;
    v.ilong = l;
    v.iwidth = w;
    v.iheight = h;
    v.iweight = g;
    v.iquantity = q;
    v.iprice = price;
    v.idvalue = declared;
    return v;
  };
  const Case cases[] = {
      {"one piece, clwh of 4: actual only", V(1, 2.5, "10*9", 0, 0, 0, 0, 0, 0, 500), u"5.00", u"2.500", u"2.500", 0, 2.5},
      {"one piece, clwh of 5: volumetric", V(1, 0.05, "9*9*9", 0, 0, 0, 0, 0, 0, 0), u"0.00", u"0.060", u"0.050", 0.06, 0},
      {"one piece, volume below the weight", V(1, 5, "20*20*20", 0, 0, 0, 0, 0, 0, 0), u"0.00", u"5.000", u"5.000", 0.666, 0},
      {"piece volume above its grams", V(3, 8.5, "60*50*40", 60, 50, 40, 5000, 2, 150, 1200), u"3.00", u"10.000", u"5.000", 10, 0},
      {"piece volume equal to its grams", V(3, 8.5, "", 50, 40, 30, 5000, 0, 0, 1200), u"4.00", u"5.000", u"5.000", 0, 5},
      {"piece volume not above its grams", V(3, 8.5, "", 10, 10, 10, 2000, 0, 0, 1200), u"4.00", u"2.000", u"2.000", 0, 2},
      {"no piece weight: W/n, 1000 over 3", V(3, 9, "", 0, 0, 0, 0, 0, 0, 1000), u"3.33", u"3.000", u"3.000", 0, 3},
      {"piece letter of the waybill", V(2, 4, "30*20*10W", 30, 20, 10, 100, 0, 0, 0), u"0.00", u"0.500", u"0.100", 0.5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    awb::ParcelRow row;
    awb::ApplyParcelRules(c.v, rules, row);
    EXPECT_EQ(std::u16string(c.value), row.cells[awb::kParcelValue]);
    EXPECT_EQ(std::u16string(c.charge), row.cells[awb::kParcelCharge]);
    EXPECT_EQ(std::u16string(c.actual), row.cells[awb::kParcelActual]);
    EXPECT_NEAR(c.volumetricPart, row.volumetricPart, 0.0005);
    EXPECT_NEAR(c.actualPart, row.actualPart, 0.0005);
  }
}

TEST(AwbParcelRules, SumsLoseExactlyTheRemovedRows) {
  awb::ParcelSums sums;
  awb::ParcelRow a, b;
  a.pieces = 3;
  a.value = 333;
  a.chargeable = a.actual = a.actualPart = 3.0;
  b.pieces = 1;
  b.value = 500;
  b.chargeable = 0.121;
  b.volumetricPart = 0.121;
  b.actual = 0.1;
  sums.Add(a);
  sums.Add(b);
  EXPECT_EQ(3121, sums.ChargeableGrams());
  sums.Remove(a);
  EXPECT_EQ(1, sums.rows);
  EXPECT_EQ(1, sums.pieces);
  EXPECT_EQ(500, sums.value);
  EXPECT_EQ(121, sums.ChargeableGrams());
  sums.Remove(b);
  EXPECT_EQ(0, sums.ChargeableGrams());
  EXPECT_EQ(0.0, sums.chargeable);
  EXPECT_EQ(0, sums.pieces);
}

TEST(AwbParcelQueries, NumbersQuotedBothItemTablesRead) {
  const std::string itemSql = awb::MultiPieceSql(u"740-7'1", false);
  EXPECT_EQ("SELECT a.irid,a.cnum,a.cserviceno,a.iitem,b.wpos,d.cxno FROM brantle.dbo.client_rec AS a INNER JOIN "
            "brantle.dbo.client_rec_xbag_item AS b ON(a.irid=b.irid) INNER JOIN brantle.dbo.client_rec_xbag AS d "
            "ON(d.ixid=b.ixid) WHERE d.cawb='740-7''1' AND a.iitem>1 ORDER BY a.irid,b.wpos",
            itemSql);
  EXPECT_NE(std::string::npos, awb::MultiPieceSql(u"740", true).find("client_rec_xbag_item_u AS b"));
  const std::string parcels = awb::AwbParcelSql(u"7'4", false);
  EXPECT_NE(std::string::npos, parcels.find(",a.ccno,a.crno,c.cnum,d.daddawb FROM brantle.dbo.client_rec AS a INNER "
                                            "JOIN brantle.dbo.client_rec_xbag_item AS b"));
  EXPECT_NE(std::string::npos, parcels.find("WHERE d.cawb='7''4' ORDER BY d.daddawb,b.ddate"));
  const std::string past = awb::AwbParcelSql(u"74", true);
  EXPECT_NE(std::string::npos, past.find(",a.ccno,a.crno,d.daddawb FROM brantle.dbo.client_rec AS a INNER JOIN "
                                         "brantle.dbo.client_rec_xbag_item_u AS b"));
  EXPECT_EQ(34u, awb::AwbParcelTypes(false).size());
  EXPECT_EQ(33u, awb::AwbParcelTypes(true).size());
  EXPECT_EQ(32u, awb::BagParcelTypes().size());
  EXPECT_NE(std::string::npos, awb::BagParcelSql(12).find("WHERE d.ixid=12 ORDER BY b.ddate"));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_item_del(3,4,2,'O''N',1)}", awb::PullSql(false, 3, 4, 2, u"O'N"));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_del(3,4,'u',1)}", awb::PullSql(true, 3, 4, 2, u"u"));
}

TEST(AwbParcelQueries, MultiPieceReportCountsBothTables) {
  const std::string items =
      R"({"ReturnValue":1,"List":[{"0":7,"1":"W7","2":"S7","3":3,"4":1,"5":"B1"},{"0":7,"1":"W7","2":"S7","3":3,"4":2,"5":"B1"},)"
      R"({"0":8,"1":"W8","2":"S8","3":3,"4":1,"5":"B1"},{"0":8,"1":"W8","2":"S8","3":3,"4":2,"5":"B1"}]})";
  const std::string past = R"({"ReturnValue":1,"List":[{"0":7,"1":"W7","2":"S7","3":3,"4":3,"5":"B3"}]})";
  awb::MultiPieceReport report;
  ASSERT_TRUE(awb::BuildMultiPieceReport(
      {items, past},
      [](const std::u16string& n, const std::u16string& p, const std::u16string& f, const std::u16string& m) {
        return n + u"|" + p + u"|" + f + u"|" + m + u";";
      },
      report));
  EXPECT_EQ(2u, report.groups);
  EXPECT_EQ(1u, report.incomplete);
  EXPECT_EQ(u"W8|  3|  2|  1;", report.lines);
  EXPECT_FALSE(awb::BuildMultiPieceReport({R"({"ReturnValue":1,"List":[]})"}, {}, report));
}

}  // namespace
