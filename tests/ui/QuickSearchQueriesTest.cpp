// The SQL text and the rows of the quick-search lists, without a window.

#include "ui/QuickSearchQueries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

std::string U8(const std::u16string& text) { return Utf8FromWide(text); }

constexpr char kCustomerHead2000[] =
    "SELECT TOP 2000 a.icid,a.cunitname,a.caccount FROM brantle.dbo.client_arc AS a WHERE "
    "a.nactive=0";

TEST(QuickSearchSql, RecentListsOfAStationBoundUser) {
  QuickSearchLogin login;
  login.station = "SZ";
  login.clientKind = "VIP";
  EXPECT_EQ(U8(RecentWaybillsSql(login)),
            "SELECT TOP 100 a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate FROM "
            "brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b "
            "ON(a.icid=b.icid) WHERE a.irid>0 AND b.cstation='SZ' AND b.ckind LIKE 'VIP'  "
            "ORDER BY a.irid DESC");
  EXPECT_EQ(U8(RecentCustomersSql(login)),
            "SELECT TOP 100 a.icid,a.cunitname,a.caccount FROM brantle.dbo.client_arc AS a "
            "WHERE a.nactive=0 AND a.cstation='SZ' AND a.ckind LIKE 'VIP'  ORDER BY a.icid DESC");
  EXPECT_EQ(U8(RecentCustomersSql({})),
            "SELECT TOP 100 a.icid,a.cunitname,a.caccount FROM brantle.dbo.client_arc AS a "
            "WHERE a.nactive=0  ORDER BY a.icid DESC");
  EXPECT_EQ(U8(RecentAwbsSql()),
            "SELECT TOP 500 cawb,cdes,detd,cagent,nstate FROM brantle.dbo.client_rec_pack WHERE "
            "ntype IN(0,1) ORDER BY ddate DESC");
  const std::string bagHead =
      "SELECT TOP 500 ixid,cxno,cfrom,cdes,nstate FROM brantle.dbo.client_rec_xbag WHERE ixid>0";
  EXPECT_EQ(U8(RecentBagsSql(0)), bagHead + " AND nstate=0 ORDER BY ixid DESC");
  EXPECT_EQ(U8(RecentBagsSql(1)), bagHead + " AND nstate IN(0,1) ORDER BY ixid DESC");
  EXPECT_EQ(U8(RecentBagsSql(2)), bagHead + " ORDER BY ixid DESC");
}

// The login's station is taken from its GBK form: quotes doubled, and a
// lead byte at its end cannot swallow the closing quote.
TEST(QuickSearchSql, LoginTextsAreQuoted) {
  QuickSearchLogin login;
  login.station = "S'Z";
  login.clientKind = std::string("\xC9\xEE") + "\xB1";  // "深" and a lone lead byte
  const std::string sql = GbkFromWide(RecentCustomersSql(login));
  EXPECT_NE(sql.find("a.cstation='S''Z'"), std::string::npos) << sql;
  const size_t kind = sql.find("a.ckind LIKE '");
  ASSERT_NE(kind, std::string::npos);
  const size_t close = sql.find("'  ORDER BY", kind);
  ASSERT_NE(close, std::string::npos) << sql;
  // Whatever stands for the lone byte, the literal ends where it should.
  EXPECT_EQ(sql.substr(kind + 14, 2), "\xC9\xEE");
  EXPECT_LT(static_cast<unsigned char>(sql[close - 1]), 0x81u) << sql;
}

struct CustomerCase {
  const char* name;
  CustomerQueryConditions conditions;
  std::string tail;  // after the head
};

CustomerQueryConditions Customer(void (*set)(CustomerQueryConditions&)) {
  CustomerQueryConditions c;
  set(c);
  return c;
}

TEST(QuickSearchSql, CustomerQuery) {
  const std::vector<CustomerCase> cases = {
      {"defaults", {}, " ORDER BY a.cunitname"},
      {"specific date wins over payment and records",
       Customer([](CustomerQueryConditions& c) {
         c.activeDate = u"2024-3-5";
         c.payCash = false;
         c.hasRecords = 1;
         c.unpricedOnly = true;
         c.createdFrom = u"2024.03.01";
         c.createdTo = u"2024.03.31";
       }),
       " AND EXISTS(SELECT 1 FROM brantle.dbo.client_rec where a.icid=icid  AND ddate BETWEEN "
       "'2024.03.05 0:0:0.0' AND '2024.03.05 23:59:59.998') ORDER BY a.cunitname"},
      {"created range without records, monthly and cash",
       Customer([](CustomerQueryConditions& c) {
         c.createdFrom = u"20240301";
         c.createdTo = u"2024/3/31";
         c.hasRecords = 1;
         c.payCollect = false;
       }),
       " AND NOT EXISTS(SELECT 1 FROM brantle.dbo.client_rec WHERE a.icid=icid AND npayway<>2 "
       "AND ddate BETWEEN '2024.03.01 0:0:0.0' AND '2024.03.31 23:59:59.998') ORDER BY "
       "a.cunitname"},
      {"one created date only: no range test",
       Customer([](CustomerQueryConditions& c) { c.createdFrom = u"2024.03.01"; }),
       " ORDER BY a.cunitname"},
      {"unpriced and unreconciled, cash only",
       Customer([](CustomerQueryConditions& c) {
         c.unpricedOnly = true;
         c.unreconciledOnly = true;
         c.payMonthly = false;
         c.payCollect = false;
       }),
       " AND EXISTS(SELECT 1 FROM brantle.dbo.client_rec WHERE a.icid=icid AND a.npayway=1 AND "
       "famount<0.01 AND ifid=0) ORDER BY a.cunitname"},
      {"patterns keep quotes, brackets, percent and underscore literal",
       Customer([](CustomerQueryConditions& c) {
         c.name = u" O'Neil [100%] ";
         c.tags = u"月结_";
         c.webAccount = u"a%b";
       }),
       " AND a.cmark LIKE '%月结[_]%' AND (a.cmsn LIKE '%a[%]b%' OR a.cqq LIKE '%a[%]b%' OR "
       "a.cskype LIKE '%a[%]b%' OR a.cwebac LIKE '%a[%]b%' OR a.cemail LIKE '%a[%]b%' OR "
       "a.cwang LIKE '%a[%]b%' OR a.cwechat LIKE '%a[%]b%') AND a.cunitname LIKE "
       "'%O''Neil [[]100[%]]%' ORDER BY a.cunitname"},
      {"every text field in order, business range, debt and station",
       Customer([](CustomerQueryConditions& c) {
         c.address = u"a";
         c.name = u"b";
         c.englishAddress = u"c";
         c.englishName = u"d";
         c.city = u"e";
         c.phone = u"f";
         c.account = u"g";
         c.shortName = u"h";
         c.group = u"i";
         c.businessFrom = u"2024.02.01";
         c.businessTo = u"2024.02.29";
         c.minDebt = 0.01;
         c.station = u"S'Z ";
         c.fax = u"ignored";
         c.province = u"ignored";
         c.memberSignature = u"ignored";
         c.customerNo = 7;
       }),
       " AND a.ddate>='2024.02.01 0:0:0.0' AND a.ddate<='2024.02.29 23:59:59.998' AND a.caddr "
       "LIKE '%a%' AND a.cunitname LIKE '%b%' AND a.caddre LIKE '%c%' AND a.cunitnamee LIKE "
       "'%d%' AND a.ccity LIKE '%e%' AND a.cphone LIKE '%f%' AND a.caccount LIKE '%g%' AND "
       "a.cbrief LIKE '%h%' AND a.ckind LIKE '%i%' AND a.fpay0+a.fpay1-a.fdeposit>=0.01 AND "
       "a.cstation='S''Z' ORDER BY a.cunitname"},
      {"a debt under one cent adds nothing; blanks are no text",
       Customer([](CustomerQueryConditions& c) {
         c.minDebt = 0.009;
         c.name = u"   ";
         c.station = u" ";
       }),
       " ORDER BY a.cunitname"},
      {"an unreadable date names no date",
       Customer([](CustomerQueryConditions& c) { c.activeDate = u"2024'--"; }),
       " ORDER BY a.cunitname"},
  };
  for (const CustomerCase& c : cases) {
    EXPECT_EQ(U8(CustomerQuerySql(c.conditions)), kCustomerHead2000 + c.tail) << c.name;
  }
}

struct AwbCase {
  const char* name;
  void (*set)(AwbQueryConditions&);
  std::string tail;
};

TEST(QuickSearchSql, AwbQuery) {
  const std::string head =
      "SELECT TOP 2000 cawb,cdes,detd,cagent,nstate FROM brantle.dbo.client_rec_pack WHERE "
      "ntype IN(0,1)";
  const std::u16string any = u"全部";
  const std::vector<AwbCase> cases = {
      {"any route and state", [](AwbQueryConditions& c) { c.route = u"全部"; },
       " ORDER BY ddate DESC"},
      {"route cleared by hand asks for an empty airline", [](AwbQueryConditions&) {},
       " AND cairline='' ORDER BY ddate DESC"},
      {"entry dates, route, state, prefix and serial",
       [](AwbQueryConditions& c) {
         c.dateKind = 0;
         c.dateFrom = u"2024.03.05 10:00:00";
         c.dateTo = u"2024.03.06";
         c.route = u"国'航";
         c.awbState = 1;
         c.awbPrefix = u"999";
         c.awbSerial = u"5555'5551";
       },
       " AND ddate >='2024.03.05 10:00:00.0' AND ddate <'2024.03.06 23:59:59.998' AND "
       "cairline='国''航' AND nstate=1 AND cawb='999-5555''5551' ORDER BY ddate DESC"},
      {"flight dates, serial only",
       [](AwbQueryConditions& c) {
         c.route = u"全部";
         c.dateKind = 1;
         c.dateFrom = u"20240305";
         c.awbSerial = u"5%_1";
       },
       " AND dfdate >='2024.03.05 00:00:00.0' AND cawb LIKE '%-5[%][_]1' ORDER BY ddate DESC"},
      {"prefix only, flight, places and fee pairs",
       [](AwbQueryConditions& c) {
         c.route = u"全部";
         c.awbPrefix = u"99[";
         c.flightNo = u"CA'9";
         c.origin = u"SZX";
         c.destination = u"O'Hare";
         c.agentAccount = u"C501";
         c.feeTransportPaid = false;
         c.feeCustomsUnpaid = false;
         c.feeClearanceUnpaid = false;
         c.feeClearancePaid = false;
         c.feeOtherPaid = false;
         c.customsBroker = u"ignored";
         c.tags = u"ignored";
       },
       " AND cawb LIKE '99[[]-%' AND (cflightno='CA''9' OR cflightno2='CA''9') AND cfrom='SZX' "
       "AND cdes='O''Hare' AND creceiver='C501' AND  ifreight=0 AND  icustout>0 AND  iother=0 "
       "ORDER BY ddate DESC"},
  };
  for (const AwbCase& c : cases) {
    AwbQueryConditions conditions;
    c.set(conditions);
    EXPECT_EQ(U8(AwbQuerySql(conditions, any)), head + c.tail) << c.name;
  }
}

TEST(QuickSearchSql, BagQuery) {
  const std::string head =
      "SELECT TOP 2000 ixid,cxno,cfrom,cdes,nstate FROM brantle.dbo.client_rec_xbag WHERE ixid>0";
  BagQueryConditions c;
  EXPECT_EQ(U8(BagQuerySql(c)), head + " ORDER BY ixid DESC");
  c.bagState = 1;
  c.stationFrom = u"SZ";
  c.stationTo = u"G'Z";
  c.dateFrom = u"2024.03.16 07:00:00";
  c.dateTo = u"2024.03.16 09:00:00";
  c.tags = u"O'K";
  c.awbNumber = u"999-";
  c.controlNo = u"H[1]";
  c.bagNo = u"B[6]%_";
  c.airportFrom = u"SZX";
  c.airportTo = u"O'Hare";
  c.creator = u"张三";
  EXPECT_EQ(U8(BagQuerySql(c)),
            head +
                " AND nstate=1 AND cstation='SZ' AND cstationd='G''Z' AND dsysdate "
                ">='2024.03.16 07:00:00.0' AND dsysdate <'2024.03.16 09:59:59.998' AND cmark "
                "LIKE '%O''K%' AND cawb LIKE '999-%' AND chno LIKE 'H[[]1]%' AND cxno LIKE "
                "'B[[]6][%][_]%' AND cfrom='SZX' AND cdes='O''Hare' AND cinput='张三' ORDER BY "
                "ixid DESC");
}

class QuickSearchRows : public ::testing::Test {
 protected:
  void SetUp() override { shelltest::LoadProgramLanguage("00"); }
  std::vector<QuickSearchRow> Read(int mode, const std::string& reply, bool expect = true) {
    std::vector<QuickSearchRow> rows;
    EXPECT_EQ(ReadQuickSearchRows(mode, reply, AppLanguage(), rows), expect) << reply;
    return rows;
  }
};

TEST_F(QuickSearchRows, WaybillRows) {
  const auto rows = Read(kQuickWaybills,
                         R"({"ReturnValue":1,"iTotal":5,"List":[)"
                         R"({"0":7,"1":"SV1","2":"BR7","3":"\u7f8e\u56fd","4":0},)"
                         R"({"0":8,"1":"SV8","2":"","3":"abcdefghijklmnop","4":1},)"
                         R"({"0":0,"1":"","2":"skipped","3":"","4":2},)"
                         R"({"0":9,"1":"","2":"BR9","3":"abcdefghijklmno","4":3},)"
                         R"({"0":10,"1":"","2":"BR10","3":"x","4":9}]})");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].text, u"  BR7-美国");
  EXPECT_EQ(rows[0].id, 7);
  EXPECT_EQ(rows[1].text, u"○SV8-...abcdefghijklmn");  // 16 characters: "..." and 14
  EXPECT_EQ(rows[2].text, u"√BR9-abcdefghijklmno");    // 15 characters stay whole
  EXPECT_EQ(rows[3].text, u"※BR10-x");
}

TEST_F(QuickSearchRows, CustomerAwbAndBagRows) {
  auto rows = Read(kQuickCustomers,
                   R"({"ReturnValue":1,"iTotal":1,"List":[{"0":501,"1":"O'Neil","2":"C501"}]})");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].text, u"<C501>O'Neil");
  EXPECT_EQ(rows[0].id, 501);

  rows = Read(kQuickAwbs, R"({"ReturnValue":1,"iTotal":3,"List":[)"
                          R"({"0":"999-1","1":"LAX","2":"1900-01-01 00:00:00","3":"Agent","4":1},)"
                          R"({"0":"999-2","1":"NRT","2":"2024-03-19 08:00:00","3":"A2","4":2},)"
                          R"({"0":"999-3","1":"FRA","2":"","3":"","4":7}]})");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].text, u"◎999-1<LAX>Agent");
  EXPECT_EQ(rows[0].id, static_cast<int32_t>(HashText30(u"999-1")));
  EXPECT_EQ(rows[1].text, u"√999-2<NRT>[2024-03-19]A2");
  EXPECT_EQ(rows[2].text, u"\u3000999-3<FRA>");

  rows = Read(kQuickBags, R"({"ReturnValue":1,"iTotal":1,"List":[)"
                          R"({"0":6,"1":"B[6]","2":"SZX","3":"LAX","4":1}]})");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].text, u"B[6][SZX->LAX]" + AppLanguage().BagStateText(1));
}

TEST_F(QuickSearchRows, NothingOrAReplyCutShortKeepsTheRows) {
  std::vector<QuickSearchRow> rows = {{1, u"kept"}};
  for (const std::string& reply :
       {std::string(R"({"ReturnValue":1,"iTotal":0,"List":[]})"),
        std::string(R"({"ReturnValue":-406,"cError":"x"})"),
        std::string(R"({"ReturnValue":1,"iTotal":2,"List":[{"0":1,"1":"a","2":"b"}]})"),
        std::string(R"({"ReturnValue":1,"iTotal":2,"List":[{"0":1,"1":"a","2":"b"},{"0":2,"1")"),
        std::string()}) {
    EXPECT_FALSE(ReadQuickSearchRows(kQuickCustomers, reply, AppLanguage(), rows)) << reply;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, u"kept");
  }
}

}  // namespace
