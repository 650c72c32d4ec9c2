// The payments page's statements, rows, paging, edit rule, date window and
// procedure calls, without a server.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "shipping/PaymentQueries.h"

namespace {

using namespace payment;

std::tm At(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = m - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  return t;
}

TEST(PaymentQueries, PagesOfTwentyFivePayments) {
  EXPECT_EQ(PageCount(25), 3);
  EXPECT_EQ(PageCount(10), 1);
  EXPECT_EQ(PageCount(0), 0);
  EXPECT_EQ(PaymentPageSql(5, 1, 25),
            "SELECT TOP 10 ifid,ffee,cinvoice,dpdate,cmname,cinput,cmemo,cdocno,ntype,ffeer,npayway,"
            "crefno,cmark,caccount,dsysdate,cmoney,fchg FROM brantle.dbo.client_fee WHERE icid=5 "
            "ORDER BY dpdate DESC, ifid DESC");
  // Page 3 of 25: the five oldest, from a derived table of the 5 first in
  // ascending order; the count runs straight into the column list.
  EXPECT_EQ(PaymentPageSql(5, 3, 25),
            "SELECT TOP 10 ifid,ffee,cinvoice,dpdate,cmname,cinput,cmemo,cdocno,ntype,ffeer,npayway,"
            "crefno,cmark,caccount,dsysdate,cmoney,fchg FROM (SELECT TOP 5ifid,ffee,cinvoice,dpdate,"
            "cmname,cinput,cmemo,cdocno,ntype,ffeer,npayway,crefno,cmark,caccount,dsysdate,cmoney,"
            "fchg FROM brantle.dbo.client_fee WHERE icid=5 ORDER BY dpdate ASC, ifid ASC) tmp  "
            "ORDER BY dpdate DESC, ifid DESC");
  struct Case {
    int box, pages, clamped;
  } cases[] = {{0, 3, 1}, {4, 3, 3}, {2, 3, 2}, {-5, 3, 1}};
  for (const Case& c : cases) EXPECT_EQ(ClampPage(c.box, c.pages), c.clamped) << c.box;
  EXPECT_EQ(NextPageBox(1, 3), 2);
  EXPECT_EQ(NextPageBox(3, 3), 1);  // the page turn cycles back to page 1
}

TEST(PaymentQueries, OtherStatements) {
  EXPECT_EQ(UnpaidChunkSql(5000, 1, 0),
            "SELECT TOP 5000 irid,cdes,fweight,famount,ddate,cnum,npayway,cmark,cdepart,cmname,"
            "ctaker,cbearer,nstate,ccode FROM brantle.dbo.client_rec WHERE icid=1 AND irid>0 AND "
            "bpay=0 AND ifid=0 AND npayway<2 ORDER BY irid");
  EXPECT_EQ(PaymentRecordsSql(7, 3),
            "SELECT irid,cdes,fweight,famount,ddate,cnum,npayway,cmark,cdepart,cmname,ctaker,"
            "cbearer,nstate,ccode FROM brantle.dbo.client_rec WHERE irid>7 AND ifid=3 ORDER BY irid ");
  EXPECT_EQ(ForceQuerySql(0, "BR'1", "S'Z"),
            "SELECT TOP 1 a.irid,a.icid,a.ifid,a.npayway FROM brantle.dbo.client_rec AS a INNER "
            "JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.cnum='BR1' AND "
            "b.cstation='S''Z'");
  EXPECT_EQ(ForceQuerySql(9, "", ""),
            "SELECT TOP 1 a.irid,a.icid,a.ifid,a.npayway FROM brantle.dbo.client_rec AS a WHERE "
            "a.irid=9");
  EXPECT_NE(PaymentLoadSql(4, true).find("FROM brantle.dbo.client_fee AS a,brantle.dbo.client_arc "
                                         "AS b WHERE a.icid=b.icid AND ifid=4"),
            std::string::npos);
  EXPECT_NE(PaymentLoadSql(4, false).find(",icid,cauditor,'' FROM brantle.dbo.client_fee WHERE ifid=4"),
            std::string::npos);
}

TEST(PaymentQueries, ReceivableCellThreshold) {
  EXPECT_EQ(ReceivableCell(0.004), u"");
  EXPECT_EQ(ReceivableCell(-0.004), u"");
  EXPECT_EQ(ReceivableCell(-0.02), u"-0.02");
  EXPECT_EQ(ReceivableCell(0.01), u"0.01");
}

TEST(PaymentQueries, ChunkLoopsEndWhenAChunkBringsNothingNew) {
  CLanguageTable language;
  // A server that keeps saying "more" but sends the same rows again.
  int requests = 0;
  std::vector<int32_t> ids;
  const int taken = LoadRecordChunks(
      [&](uint32_t after) -> std::string {
        ++requests;
        if (requests > 50) return {};  // a guard for the test itself
        (void)after;
        return R"({"ReturnValue":14,"iTotal":2,"bEnd":false,"List":[{"0":1,"3":10.5,"5":"A1"},)"
               R"({"0":2,"3":3,"5":"A2"}]})";
      },
      language, [&](RecordRow&& row) { ids.push_back(row.irid); });
  EXPECT_EQ(taken, 2);
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(requests, 2);
  // An empty list with "more" ends too, and a missing "bEnd" counts as the end.
  requests = 0;
  LoadRecordChunks([&](uint32_t) -> std::string {
        ++requests;
        return R"({"ReturnValue":14,"iTotal":0,"bEnd":false,"List":[]})";
      },
      language, [](RecordRow&&) {});
  EXPECT_EQ(requests, 1);
  requests = 0;
  LoadRecordChunks([&](uint32_t) -> std::string {
        ++requests;
        return R"({"ReturnValue":14,"iTotal":1,"List":[{"0":5}]})";
      },
      language, [](RecordRow&&) {});
  EXPECT_EQ(requests, 1);
  // Rows come on while each chunk brings new ids.
  requests = 0;
  std::vector<uint32_t> afters;
  LoadRecordChunks([&](uint32_t after) -> std::string {
        afters.push_back(after);
        ++requests;
        const std::string id = std::to_string(requests * 10);
        return R"({"ReturnValue":14,"iTotal":1,"bEnd":)" + std::string(requests < 3 ? "false" : "true") +
               R"(,"List":[{"0":)" + id + "}]}";
      },
      language, [](RecordRow&&) {});
  EXPECT_EQ(afters, (std::vector<uint32_t>{0, 10, 20}));
}

TEST(PaymentQueries, RecordRowCellsAndMonth) {
  CLanguageTable language;
  RecordRow row;
  ForEachRow(R"({"List":[{"0":33,"1":"美国","2":1.5,"3":133.456,"4":"2024-03-06 10:33:00","5":"BR10000033","6":0,"12":2}]})",
             [&](JsonRowIndex& r) { row = ReadRecordRow(r, language); });
  EXPECT_EQ(row.irid, 33);
  EXPECT_EQ(row.cells[0], u"24-03-06");
  EXPECT_EQ(row.cells[2], u"1.500");
  EXPECT_EQ(row.cells[3], u"133.46");
  EXPECT_EQ(row.amount, 13346);
  EXPECT_EQ(row.cells[5], u"33");
  EXPECT_EQ(row.Month(), 3);
}

TEST(PaymentQueries, EditableRule) {
  const std::tm now = At(2024, 6, 1, 10);
  const Ymd old = {2024, 4, 1};  // 61 days before
  EXPECT_FALSE(PaymentEditable(true, true, old, 60, now, false));
  EXPECT_TRUE(PaymentEditable(true, true, old, 90, now, false));
  EXPECT_FALSE(PaymentEditable(false, true, {2024, 6, 1}, 60, now, false));
  // Audited: only a user with the audit right may change it.
  EXPECT_FALSE(PaymentEditable(true, false, {2024, 5, 30}, 60, now, true));
  EXPECT_TRUE(PaymentEditable(true, true, {2024, 5, 30}, 60, now, true));
}

TEST(PaymentQueries, DateWindow) {
  const std::tm now = At(2024, 6, 1, 15, 30);
  struct Case {
    const char16_t* keyed;
    bool moved;
    const char16_t* stored;
  } cases[] = {
      {u"2024.02.22", true, u"2024.06.01"},   // 100 days before
      {u"2024.03.04", false, u"2024.03.04"},  // 89 days and some hours
      {u"2024.08.30", false, u"2024.08.30"},  // 90 days minus the time of day
      {u"2024.08.31", true, u"2024.06.01"},
      {u"2024.06.01", false, u"2024.06.01"},
  };
  for (const Case& c : cases) {
    const DateWindowResult r = ApplyDateWindow(c.keyed, now);
    EXPECT_EQ(r.moved, c.moved) << Utf8FromWide(c.keyed);
    EXPECT_EQ(r.stored, c.stored) << Utf8FromWide(c.keyed);
  }
}

PaymentSave BaseSave() {
  PaymentSave s;
  s.id = 1;
  s.amount = 10000;
  s.invoice = u"FP-1";
  s.date = u"2024.06.01";
  s.handler = u"张三";
  s.userName = GbkFromWide(u"张三");
  s.currency = u"CNY";
  s.foreign = 10000;
  s.hour = 9;
  s.minute = 5;
  s.second = 3;
  return s;
}

TEST(PaymentQueries, SaveCalls) {
  PaymentSave one = BaseSave();
  one.kind = 1;
  one.payWay = 2;
  EXPECT_EQ(Utf8FromWide(WideFromGbk(BuildSaveCall(one))),
            "{?=CALL brantle.dbo.cp_client_fee_add_1(?,1,100.00,'FP-1','2024.06.01 9:5:3.0','张三',"
            "'张三','','',0,2,'','','','CNY',100.00)}");
  PaymentSave zero = BaseSave();
  zero.kind = 0;
  zero.loaded = true;
  zero.id = 77;
  zero.owed = 550;
  zero.irids = {1, 22, 333};
  zero.owedMode = true;
  EXPECT_EQ(Utf8FromWide(WideFromGbk(BuildSaveCall(zero))),
            "{?=CALL brantle.dbo.cp_client_fee_mod_0(?,77,100.00,'FP-1','2024.06.01 9:5:3.0','张三',"
            "'张三','','',5.50,0,3,'         1        22       333',0,'','','',1,'CNY',100.00)}");
  EXPECT_EQ(BuildDeleteCall(1, 5, "O'B", false), "{?=CALL brantle.dbo.cp_client_fee_del_1(?,5,'O''B')}");
  EXPECT_EQ(BuildDeleteCall(0, 5, "a", true), "{?=CALL brantle.dbo.cp_client_fee_del_0(?,5,'a',1)}");
}

TEST(PaymentQueries, LongQuotedTextsAndManyRecordsFit) {
  PaymentSave s = BaseSave();
  s.kind = 1;
  s.memo = std::u16string(255, u'\'');  // doubles to 510 bytes
  s.refNo = std::u16string(30, u'\'');
  s.account = std::u16string(30, u'\'');
  s.handler = std::u16string(30, u'\'');
  s.invoice = std::u16string(22, u'\'');
  s.tag = std::u16string(15, u'\'');
  s.docNo = std::u16string(15, u'\'');
  s.userName = std::string(30, '\'');
  const std::string call = BuildSaveCall(s);
  EXPECT_GT(call.size(), 900u);
  EXPECT_NE(call.find("'" + std::string(510, '\'') + "'"), std::string::npos);
  EXPECT_EQ(call.substr(call.size() - 2), ")}");
  PaymentSave many = BaseSave();
  for (int k = 1; k <= 5000; ++k) many.irids.push_back(k);
  const std::string big = BuildSaveCall(many);
  EXPECT_NE(big.find(",5000,'         1"), std::string::npos);
  EXPECT_NE(big.find("      5000',0,"), std::string::npos);
}

TEST(PaymentQueries, ProcedureReplies) {
  int32_t result = 0;
  EXPECT_TRUE(ReadProcedureResult(R"({"ReturnValue":2,"iTotal":1,"List":[{"0":12,"1":""}]})", result));
  EXPECT_EQ(result, 12);
  EXPECT_FALSE(ReadProcedureResult(R"({"ReturnValue":-9999})", result));
  EXPECT_TRUE(ReadProcedureResult(R"({"ReturnValue":2,"List":[{"1":""}]})", result));
  EXPECT_EQ(result, -9);
  EXPECT_EQ(SaveRefusalText(-3), 330062);
  EXPECT_EQ(SaveRefusalText(-5), 0);
}

}  // namespace
