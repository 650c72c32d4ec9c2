// The master air waybill list of page 14 without a window: the query text,
// the rows read from a reply, the state save, the fee apportionment and the
// transit editor's load and save, against senders that record what goes
// out and answer what a case needs.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "consolidation/AwbList.h"
#include "consolidation/AwbTransit.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "ui/QuickSearchQueries.h"

namespace {

std::string U8(const std::u16string& text) { return Utf8FromWide(text); }
std::string Gbk(const std::u16string& text) { return GbkFromWide(text); }
std::string FromGbk(const std::string& text) { return Utf8FromWide(WideFromGbk(text)); }

// A sender that records every statement (as UTF-8) and answers from a queue:
// the transfer result and the reply body.
struct ScriptedSender {
  struct Answer {
    int sent;
    std::string reply;
  };
  std::deque<Answer> answers;
  std::vector<std::string> sent;

  serverlink::ProcedureSender Sender() {
    return [this](std::string_view sql, std::span<const uint32_t>, std::string& reply) {
      sent.push_back(FromGbk(std::string(sql)));
      if (answers.empty()) return 0;
      Answer a = answers.front();
      answers.pop_front();
      reply = a.reply;
      return a.sent > 0 ? static_cast<int>(reply.size()) : a.sent;
    };
  }
  void Code(int code) {
    answers.push_back({1, R"({"ReturnValue":1,"List":[{"0":)" + std::to_string(code) + R"(}],"iTotal":1})"});
  }
  void Reply(std::string reply) { answers.push_back({1, std::move(reply)}); }
  void Transport(int code) { answers.push_back({code, {}}); }
};

class AwbListLogic : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01")); }
};

// ---- the query text ----

struct WhereCase {
  const char* name;
  std::function<void(AwbQueryConditions&)> set;
  const char* conditions;
};

TEST_F(AwbListLogic, QueryTextOfEveryCondition) {
  const std::string head =
      "SELECT TOP 5000 cawb,cairline,cfrom,cdes,ipcs,itweight,cflightno,ddate,dfdate,nstate,detd,"
      "deta FROM brantle.dbo.client_rec_pack WHERE ntype IN(0,1)";
  const std::string order = " ORDER BY ddate DESC";
  const std::vector<WhereCase> cases = {
      {"airline all, state 3 and every fee pair ticked both ways: no condition",
       [](AwbQueryConditions& c) { c.route = u"All"; }, ""},
      {"entry date range", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.dateKind = 0;
         c.dateFrom = u"2022.03.01";
         c.dateTo = u"2022.03.31";
       },
       " AND ddate >='2022.03.01 00:00:00.0' AND ddate <'2022.03.31 23:59:59.998'"},
      {"flight date kind, an invalid end gives no upper bound", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.dateKind = 1;
         c.dateFrom = u"2022.4.1";
         c.dateTo = u"2022.13.45";
       },
       " AND dfdate >='2022.04.01 00:00:00.0'"},
      {"an invalid start gives no lower bound", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.dateFrom = u"yesterday";
         c.dateTo = u"20220410";
       },
       " AND ddate <'2022.04.10 23:59:59.998'"},
      {"an airline with a quote and state 2", [](AwbQueryConditions& c) {
         c.route = u"O'Air";
         c.awbState = 2;
       },
       " AND cairline='O''Air' AND nstate=2"},
      {"state 3 is any state", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.awbState = 3;
       },
       ""},
      {"prefix and serial: the number exactly, quotes doubled", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.awbPrefix = u"745";
         c.awbSerial = u"1000'044";
       },
       " AND cawb='745-1000''044'"},
      {"serial only with '[' '%' '_' and a quote", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.awbSerial = u"A[1]%_'";
       },
       " AND cawb LIKE '%-A[[]1][%][_]'''"},
      {"prefix only with '%'", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.awbPrefix = u"74%";
       },
       " AND cawb LIKE '74[%]-%'"},
      {"flight in both columns, route and places quoted", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.flightNo = u"QS'745";
         c.origin = u"PVG";
         c.destination = u"O'Hare";
         c.agentAccount = u"c745a";
       },
       " AND (cflightno='QS''745' OR cflightno2='QS''745') AND cfrom='PVG' AND cdes='O''Hare' "
       "AND creceiver='c745a'"},
      {"one side of each fee pair: two blanks after AND", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.feeTransportPaid = false;
         c.feeCustomsUnpaid = false;
         c.feeClearancePaid = false;
         c.feeDeliveryUnpaid = false;
         c.feeOtherPaid = false;
       },
       " AND  ifreight=0 AND  icustout>0 AND  icustin=0 AND  idelivery>0 AND  iother=0"},
      {"neither side of a fee pair: no condition", [](AwbQueryConditions& c) {
         c.route = u"All";
         c.feeTransportUnpaid = false;
         c.feeTransportPaid = false;
         c.feeOtherUnpaid = false;
         c.feeOtherPaid = false;
       },
       ""},
  };
  for (const WhereCase& c : cases) {
    AwbQueryConditions conditions;
    c.set(conditions);
    EXPECT_EQ(U8(awblist::ListSql(conditions, u"All")), head + c.conditions + order) << c.name;
    // The quick-search list's query carries the same conditions.
    EXPECT_EQ(U8(AwbQuerySql(conditions, u"All")),
              "SELECT TOP 2000 cawb,cdes,detd,cagent,nstate FROM brantle.dbo.client_rec_pack WHERE "
              "ntype IN(0,1)" +
                  std::string(c.conditions) + order)
        << c.name;
  }
}

// ---- rows ----

TEST_F(AwbListLogic, RowsReadIntoTheTwelveColumns) {
  const std::string reply =
      R"({"ReturnValue":0,"iTotal":2,"bEnd":1,"List":[)"
      R"({"0":"745-10000011","1":"航线七四五","2":"PVG","3":"LAX","4":10,"5":125500,"6":"QS745",)"
      R"("7":"2022-03-03 09:00:00","8":"2022-03-04 23:10:00","9":0,"10":"2022-03-04 23:10:00","11":"2022-03-05 05:30:00"},)"
      R"({"0":"745-10000022","1":"航线七四五","2":"PEK","3":"ORD","4":4,"5":20001,"6":"QS745",)"
      R"("7":"2022-03-15 10:00:00","8":"1900-01-01 00:00:00","9":2,"10":"1900-01-01 00:00:00","11":""}]})";
  std::vector<awblist::Row> rows;
  ASSERT_TRUE(awblist::ReadRows(reply, rows));
  ASSERT_EQ(rows.size(), 2u);
  const std::array<std::u16string, 12> first = {
      u"745-10000011", u"航线七四五", u"PVG", u"LAX", u"10", u"125.500", u"QS745", u"2022-03-03",
      u"2022-03-04 23:10", u"", u"2022-03-04 23:10", u"2022-03-05 05:30"};
  EXPECT_EQ(rows[0].cells, first);
  EXPECT_EQ(rows[0].id, static_cast<int32_t>(HashText30(u"745-10000011")));
  EXPECT_EQ(rows[0].state, 0);
  // A date of 1900-01-01 (or none) leaves its column empty.
  EXPECT_EQ(rows[1].cells[5], u"20.001");
  EXPECT_EQ(rows[1].cells[8], u"");
  EXPECT_EQ(rows[1].cells[10], u"");
  EXPECT_EQ(rows[1].cells[11], u"");
  EXPECT_EQ(rows[1].state, 2);

  // No rows: "iTotal" 0, or no "List".
  EXPECT_FALSE(awblist::ReadRows(R"({"ReturnValue":0,"iTotal":0,"List":[]})", rows));
  EXPECT_FALSE(awblist::ReadRows(R"({"ReturnValue":0,"iTotal":3})", rows));
}

TEST_F(AwbListLogic, LoadTellsNothingFoundFromAFailedRequest) {
  const auto answer = [](int sent, std::string body) {
    return [sent, body](const std::string&, std::string& reply) {
      reply = body;
      return sent;
    };
  };
  awblist::LoadResult none = awblist::Load(answer(40, R"({"ReturnValue":0,"iTotal":0})"), u"SELECT 1");
  EXPECT_TRUE(none.rows.empty());
  EXPECT_EQ(none.failure, u"");  // the page says 20005
  awblist::LoadResult refused = awblist::Load(answer(-7, ""), u"SELECT 1");
  EXPECT_TRUE(refused.rows.empty());
  EXPECT_NE(refused.failure, u"");
  awblist::LoadResult serverError =
      awblist::Load(answer(40, R"({"ReturnValue":-203,"cError":"bad statement"})"), u"SELECT 1");
  EXPECT_NE(U8(serverError.failure).find("bad statement"), std::string::npos) << U8(serverError.failure);
}

// ---- state save ----

TEST_F(AwbListLogic, StateSaveSendsOnlyAShownRecord) {
  ScriptedSender s;
  EXPECT_EQ(awblist::SaveStatus(s.Sender(), 0, 1, u"745-10000011").outcome,
            awblist::SaveOutcome::kNothingSent);
  EXPECT_EQ(awblist::SaveStatus(s.Sender(), 77, 1, u"   ").outcome, awblist::SaveOutcome::kNothingSent);
  EXPECT_TRUE(s.sent.empty());

  s.Code(0);
  EXPECT_EQ(awblist::SaveStatus(s.Sender(), 77, 2, u"745-1000'044").outcome, awblist::SaveOutcome::kSaved);
  EXPECT_EQ(s.sent.back(), "{?=CALL brantle.dbo.cp_client_rec_pack_status(2,'745-1000''044')}");

  s.Code(-2);
  EXPECT_EQ(awblist::SaveStatus(s.Sender(), 77, 1, u"745-0").outcome, awblist::SaveOutcome::kUnknownAwb);

  // A ReturnValue other than 1, a reply without "List", another code and a
  // failed transport each give a text to show.
  s.Reply(R"({"ReturnValue":-402})");
  s.Reply(R"({"ReturnValue":1,"iTotal":0})");
  s.Code(-7);
  s.Transport(-5);
  for (int k = 0; k < 4; ++k) {
    const awblist::SaveResult r = awblist::SaveStatus(s.Sender(), 77, 1, u"745-1");
    EXPECT_EQ(r.outcome, awblist::SaveOutcome::kFailed) << k;
    EXPECT_NE(r.failure, u"") << k;
  }
}

TEST_F(AwbListLogic, StatementsCutTheNumberOnAWholeCharacterAndQuoteIt) {
  // 29 ASCII bytes and a two-byte character: the character does not fit.
  const std::u16string number = std::u16string(29, u'9') + u"号";
  EXPECT_EQ(awblist::StatusSql(0, number),
            "{?=CALL brantle.dbo.cp_client_rec_pack_status(0,'" + std::string(29, '9') + "')}");
  // The cut comes before the doubling: a quote at the limit stays whole.
  const std::u16string quoted = std::u16string(29, u'1') + u"'";
  EXPECT_EQ(awblist::ApportionSql(quoted),
            "{?=CALL brantle.dbo.cp_a_awb_fee_apportion('" + std::string(29, '1') + "''')}");
}

// ---- fee apportionment ----

TEST_F(AwbListLogic, ApportionCountsResultsAboveZeroAndGoesOn) {
  ScriptedSender s;
  s.Code(3);
  s.Code(0);
  s.Code(-2);
  s.Code(5);
  const awblist::ApportionResult r =
      awblist::Apportion(s.Sender(), {u"745-1000'044", u"745-A", u"745-B", u"745-C"});
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ(r.count, 2u);
  EXPECT_EQ(r.total, 8u);
  ASSERT_EQ(s.sent.size(), 4u);
  EXPECT_EQ(s.sent[0], "{?=CALL brantle.dbo.cp_a_awb_fee_apportion('745-1000''044')}");
}

TEST_F(AwbListLogic, ApportionStopsAtAReplyThatDoesNotCount) {
  const std::vector<std::string> bad = {R"({"ReturnValue":0,"List":[{"0":4}]})",
                                        R"({"ReturnValue":1,"iTotal":0})"};
  for (const std::string& reply : bad) {
    ScriptedSender s;
    s.Code(2);
    s.Reply(reply);
    s.Code(9);
    const awblist::ApportionResult r = awblist::Apportion(s.Sender(), {u"A-1", u"A-2", u"A-3"});
    EXPECT_TRUE(r.stopped) << reply;
    EXPECT_NE(r.failure, u"") << reply;
    EXPECT_EQ(s.sent.size(), 2u) << reply;  // the third is never sent
  }
}

// ---- transit ----

TEST_F(AwbListLogic, TransitLoadReadsEveryColumnOrLeavesAllEmpty) {
  EXPECT_EQ(awbtransit::LoadSql(u"745-1000'044"),
            "SELECT cflightno,dfdate,nstate,cd1,cd2,cd3,cd4,cd5,cc1,cc2,cc3,cc4,cc5,ce1,ce2,ce3,ce4,"
            "ce5,ccp1,ccp2,ccp3,ccp4,ccp5,cep1,cep2,cep3,cep4,cep5 FROM brantle.dbo.client_rec_pack "
            "WHERE cawb='745-1000''044'");
  std::string row = R"({"ReturnValue":0,"iTotal":1,"List":[{"0":"CA745","1":"2022-04-03 01:15:00","2":2)";
  for (int c = 3; c < 28; ++c) row += ",\"" + std::to_string(c) + "\":\"v" + std::to_string(c) + "\"";
  row += "}]}";
  awbtransit::TransitFields f;
  ASSERT_TRUE(awbtransit::ReadTransit(row, u"745-10000033", f));
  EXPECT_EQ(f.number, u"745-10000033");
  EXPECT_EQ(f.flight, u"CA745");
  EXPECT_EQ(f.takeOffTime, u"2022-04-03 01:15:00");
  EXPECT_EQ(f.state, 2);
  EXPECT_EQ(f.dates[0], u"v3");
  EXPECT_EQ(f.dates[4], u"v7");
  EXPECT_EQ(f.details[2], u"v10");
  EXPECT_EQ(f.detailsEnglish[0], u"v13");
  EXPECT_EQ(f.places[4], u"v22");
  EXPECT_EQ(f.placesEnglish[1], u"v24");
  // A take-off time of 1900 reads as none.
  awbtransit::TransitFields g;
  ASSERT_TRUE(awbtransit::ReadTransit(
      R"({"ReturnValue":0,"iTotal":1,"List":[{"0":"X","1":"1900-01-01 00:00:00","2":0}]})", u"N", g));
  EXPECT_EQ(g.takeOffTime, u"");
  // No row: every field empty, the number too.
  f.flight = u"kept?";
  EXPECT_FALSE(awbtransit::ReadTransit(R"({"ReturnValue":0,"iTotal":0})", u"745-0", f));
  EXPECT_EQ(f.number, u"");
  EXPECT_EQ(f.flight, u"");
  EXPECT_FALSE(awbtransit::ReadTransit("", u"745-0", f));
}

TEST_F(AwbListLogic, TransitSaveTextHasThirtyArgumentsInOrder) {
  awbtransit::TransitFields f;
  f.number = u"745-1000'044";
  f.flight = u"QS'745";
  f.takeOffTime = u"2024.5.1";
  f.state = 1;
  f.dates[0] = u"2022-04-11 23:10";
  f.details[0] = u"已起飞";
  f.detailsEnglish[0] = u"Departed";
  f.places[0] = u"上海";
  f.placesEnglish[0] = u"Shanghai";
  f.dates[2] = u"tomorrow'ish 12:00 extra";  // sent as typed, at most 19 bytes
  f.details[4] = u"O'Hare";
  std::string expected =
      "{?=CALL brantle.dbo.cp_client_rec_pack_track_ex(1,'2024.05.01 00:00:00','745-1000''044',"
      "'QS''745',1,'2022-04-11 23:10','已起飞','Departed','上海','Shanghai',"
      "'','','','','','tomorrow''ish 12:00 ','','','','','','','','','','','O''Hare','','','')}";
  EXPECT_EQ(FromGbk(awbtransit::SaveSql(f)), expected);
}

TEST_F(AwbListLogic, TransitTextsAreCutOnAWholeCharacter) {
  awbtransit::TransitFields f;
  f.number = u"745-10000033";
  f.details[0] = std::u16string(200, u'运');    // 400 bytes: 127 characters fit in 254
  f.places[0] = u"x" + std::u16string(100, u'港');  // 201 bytes: 1 + 63 characters fit in 127
  const std::string sql = FromGbk(awbtransit::SaveSql(f));
  const std::string detail = "'" + Utf8FromWide(std::u16string(127, u'运')) + "'";
  const std::string place = "'x" + Utf8FromWide(std::u16string(63, u'港')) + "'";
  EXPECT_NE(sql.find(detail), std::string::npos);
  EXPECT_NE(sql.find(place), std::string::npos);
  EXPECT_EQ(Gbk(std::u16string(127, u'运')).size(), 254u);
}

TEST_F(AwbListLogic, TransitSaveOutcomes) {
  awbtransit::TransitFields f;
  f.number = u"745-10000011";
  ScriptedSender s;
  s.Code(0);
  s.Code(-2);
  s.Code(-1);
  s.Reply(R"({"ReturnValue":-9999})");
  EXPECT_EQ(awbtransit::Save(s.Sender(), f).outcome, awbtransit::SaveOutcome::kSaved);
  EXPECT_EQ(awbtransit::Save(s.Sender(), f).outcome, awbtransit::SaveOutcome::kUnknownAwb);
  const awbtransit::SaveResult other = awbtransit::Save(s.Sender(), f);
  EXPECT_EQ(other.outcome, awbtransit::SaveOutcome::kFailed);
  EXPECT_EQ(U8(other.failure), "Server error: 1");
  EXPECT_EQ(awbtransit::Save(s.Sender(), f).outcome, awbtransit::SaveOutcome::kFailed);
}

TEST_F(AwbListLogic, FillStepSplitsAPromptAtItsFirstBar) {
  awbtransit::TransitFields f;
  f.places[2] = u"old place";
  const std::u16string now = u"2022-04-11 09:05";
  awbtransit::FillStep(f, 2, nullptr, now);  // no prompt: only the date
  EXPECT_EQ(f.dates[2], now);
  EXPECT_EQ(f.details[2], u"");
  EXPECT_EQ(f.places[2], u"old place");
  const std::u16string plain = u"已到港";
  awbtransit::FillStep(f, 2, &plain, now);
  EXPECT_EQ(f.details[2], u"已到港");
  EXPECT_EQ(f.places[2], u"old place");
  const std::u16string split = u"已到港|上海|浦东";
  awbtransit::FillStep(f, 2, &split, now);
  EXPECT_EQ(f.details[2], u"已到港");
  EXPECT_EQ(f.places[2], u"上海|浦东");
  EXPECT_EQ(f.detailsEnglish[2], u"");
  EXPECT_EQ(f.placesEnglish[2], u"");

  f.number = u"745-1";
  f.flight = u"QS745";
  f.state = 2;
  awbtransit::Clear(f);
  EXPECT_EQ(f.number, u"745-1");
  EXPECT_EQ(f.flight, u"");
  EXPECT_EQ(f.state, 0);
  EXPECT_EQ(f.dates[2], u"");
}

}  // namespace
