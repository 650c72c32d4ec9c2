// Bag sealing without widgets: the number a scan loads, the three calls as
// sent (the volume in 64 bits, held at 2,100,000,000), the texts of every
// refusal, the sealable and unseal rules and the audit times.

#include <gtest/gtest.h>

#include <string>

#include "consolidation/BagSeal.h"
#include "consolidation/BaggingLogic.h"

namespace {

TEST(BagSealNumber, TrimmedUpperCasedAndQuotedInTheHeaderQuery) {
  EXPECT_EQ(bagseal::ScanNumber(u"ab-12 "), u"AB-12");
  EXPECT_EQ(bagseal::ScanNumber(u"  \t"), u"");
  EXPECT_EQ(bagseal::ScanNumber(u" x'Y "), u"X'Y");
  const std::string sql = bagging::BagHeaderSqlByNumber(bagseal::ScanNumber(u"ab-12 "));
  EXPECT_TRUE(sql.starts_with("SELECT cxno,cfrom,cdes,cstation,cstationd,cmark,ctype,ctransnote,cmemo,nstate,"
                              "ntype,corder,cawb,dsysdate,cinput,iitem,fweight,il,iw,ih,icub,clastmod,"
                              "dlastmod,cby1,cby2,cby3,cby4,cby5,nshare,chno,cpack,dpack,caddawb,daddawb,"
                              "cunpack,dunpack,chorder,ixid FROM brantle.dbo.client_rec_xbag WHERE "))
      << sql;
  EXPECT_TRUE(sql.ends_with(" WHERE cxno='AB-12'")) << sql;
  EXPECT_TRUE(bagging::BagHeaderSqlByNumber(u"X'Y").ends_with("cxno='X''Y'"));
  EXPECT_TRUE(bagging::BagHeaderSqlWithId(38001).ends_with(",ixid FROM brantle.dbo.client_rec_xbag WHERE ixid=38001"));
  EXPECT_EQ(bagging::BagHeaderTypes(true).size(), 38u);
}

struct VolumeCase {
  int32_t l, w, h;
  const char* sql;
};

TEST(BagSealCalls, SealSendsTheVolumeHeldAtTheCap) {
  const VolumeCase cases[] = {
      {200, 150, 100, "{?=CALL brantle.dbo.cp_client_rec_xbag_pack(38001,'admin',12.346,200,150,100,3000000)}"},
      {2000, 2000, 1000,
       "{?=CALL brantle.dbo.cp_client_rec_xbag_pack(38001,'admin',12.346,2000,2000,1000,2100000000)}"},
      // 9,000,000,000 would wrap to 410,065,408 in 32 bits: held at the cap.
      {3000, 3000, 1000,
       "{?=CALL brantle.dbo.cp_client_rec_xbag_pack(38001,'admin',12.346,3000,3000,1000,2100000000)}"},
      {0, 150, 100, "{?=CALL brantle.dbo.cp_client_rec_xbag_pack(38001,'admin',12.346,0,150,100,0)}"},
  };
  for (const VolumeCase& c : cases)
    EXPECT_EQ(bagseal::SealBagSql(38001, u"admin", 12.3456, c.l, c.w, c.h), c.sql);
  EXPECT_EQ(bagging::BagVolume(3000, 3000, 1000), 2100000000u);
  EXPECT_TRUE(bagging::HasNegativeDimension(-1, 2, 3));
  EXPECT_FALSE(bagging::HasNegativeDimension(0, 0, 0));
}

TEST(BagSealCalls, UnsealAndQuickSealQuoteTheAccount) {
  EXPECT_EQ(bagseal::UnsealBagSql(38003, u"O'Neil"),
            "{?=CALL brantle.dbo.cp_client_rec_xbag_pack_d(38003,'O''Neil')}");
  EXPECT_EQ(bagseal::SealPickedBagSql(38011, u"admin"),
            "{?=CALL brantle.dbo.cp_client_rec_xbag_pack_s(38011,'admin')}");
  EXPECT_EQ(bagseal::SealBagSql(1, u"O'Neil", 0, 0, 0, 0),
            "{?=CALL brantle.dbo.cp_client_rec_xbag_pack(1,'O''Neil',0.000,0,0,0,0)}");
}

TEST(BagSealCalls, EveryRefusalHasItsText) {
  const std::pair<int32_t, int> seal[] = {{-2, 360062}, {-3, 400020}, {-4, 400021}, {-5, 400022},
                                          {-6, 400023}, {-1, 0},      {-7, 0},      {-9, 0}};
  for (auto [code, text] : seal) EXPECT_EQ(bagseal::SealCodeText(code), text) << code;
  const std::pair<int32_t, int> unseal[] = {{-2, 360062}, {-3, 400025}, {-4, 400026},
                                            {-5, 0},      {-1, 0},      {-9, 0}};
  for (auto [code, text] : unseal) EXPECT_EQ(bagseal::UnsealCodeText(code), text) << code;
}

struct RuleCase {
  int state;
  bool onAwb, own;
  int share;
  bool supervision;
  bool sealable, unseal;
};

TEST(BagSealRules, SealableAndUnsealMatrix) {
  const RuleCase cases[] = {
      {0, false, true, 0, false, true, false},   // own open bag
      {0, false, false, 0, false, false, false}, // another's exclusive bag
      {0, false, false, 0, true, true, false},   // ... with supervision
      {0, false, false, 1, false, true, false},  // station bag
      {0, false, false, 2, false, true, false},  // shared bag
      {0, true, true, 0, true, false, false},    // on a master air waybill
      {1, false, true, 0, false, false, false},  // sealed, no supervision
      {1, false, true, 0, true, false, true},    // sealed, supervision: unseal
      {1, true, true, 0, true, false, false},    // sealed on a master air waybill
      {2, false, true, 0, true, false, false},
      {3, true, true, 2, true, false, false},
  };
  for (const RuleCase& c : cases) {
    EXPECT_EQ(bagseal::Sealable(c.state, c.onAwb, c.own, c.share, c.supervision), c.sealable)
        << c.state << c.onAwb << c.own << c.share << c.supervision;
    EXPECT_EQ(bagseal::UnsealOffered(c.state, c.onAwb, c.supervision), c.unseal)
        << c.state << c.onAwb << c.supervision;
  }
}

TEST(BagSealRules, AuditTimesAfter2000Only) {
  EXPECT_EQ(bagseal::AuditTime(u"2024-06-02 10:00:00"), u"2024-06-02 10:00:00");
  EXPECT_EQ(bagseal::AuditTime(u"1900-01-01 00:00:00"), u"");
  EXPECT_EQ(bagseal::AuditTime(u"2000-12-31 23:59:59"), u"");
  EXPECT_EQ(bagseal::AuditTime(u""), u"");
}

}  // namespace
