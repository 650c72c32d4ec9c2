// The record check list without widgets: the chunked load against a query
// that answers from memory, the rows read from a reply, the state colours,
// the days column and the statements.

#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "shipping/RecordCheck.h"
#include "shipping/RecordCheckList.h"
#include "server/ServerLink.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

// A reply row with the given irid, state and dates.
std::string Row(int id, int state = 1, const char* ddate = "2024-03-01 08:00:00",
                const char* dadate = "1900-01-01 00:00:00", int price = 1234) {
  return "{\"0\":1,\"1\":\"US\",\"2\":1.5,\"3\":12.5,\"4\":\"" + std::string(ddate) +
         "\",\"5\":0,\"6\":\"BR" + std::to_string(id) + "\",\"7\":2,\"10\":" +
         std::to_string(id) + ",\"11\":\"DHL\",\"16\":" + std::to_string(state) +
         ",\"18\":\"" + dadate + "\",\"32\":" + std::to_string(price) + "}";
}

std::string Reply(int from, int count, bool end) {
  std::string list;
  for (int i = 0; i < count; ++i) list += (i ? "," : "") + Row(from + i);
  return "{\"ReturnValue\":1,\"iTotal\":" + std::to_string(count) + ",\"bEnd\":" +
         (end ? "true" : "false") + ",\"List\":[" + list + "]}";
}

class RecordCheckListTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01")); }
};

TEST_F(RecordCheckListTest, ChunksContinueAboveTheHighestIdUntilTheServerSaysEnd) {
  const std::string statement =
      "SELECT TOP 5000 a.irid,0 AS ilen FROM brantle.dbo.client_rec a WHERE a.ddate BETWEEN "
      "'2024.3.1 0:0:0.0' AND '2024.3.31 23:59:59.998' ORDER BY a.irid";
  std::vector<std::string> sent;
  auto query = [&](const std::string& sql, std::string& reply) {
    sent.push_back(sql);
    if (sent.size() == 1) reply = Reply(1, 5000, false);
    else if (sent.size() == 2) reply = Reply(5001, 5000, false);
    else reply = Reply(10001, 7, true);
    return true;
  };
  std::vector<int32_t> ids;
  RecordCheckLoad load = RunRecordCheckLoad(query, statement, [&](std::vector<RecordCheckRow> rows) {
    for (const auto& r : rows) ids.push_back(r.id);
  });
  EXPECT_EQ(10007, load.rows);
  EXPECT_EQ(3, load.chunks);
  ASSERT_EQ(3u, sent.size());
  EXPECT_EQ(statement, sent[0]);
  EXPECT_NE(std::string::npos, sent[1].find(" WHERE a.irid>5000 AND a.ddate BETWEEN")) << sent[1];
  EXPECT_NE(std::string::npos, sent[2].find(" WHERE a.irid>10000 AND a.ddate")) << sent[2];
  for (size_t i = 0; i < ids.size(); ++i) ASSERT_EQ(static_cast<int32_t>(i + 1), ids[i]);
}

TEST_F(RecordCheckListTest, LoadsEndOnEmptyRepliesAndOnChunksThatBringNoHigherId) {
  struct Case {
    std::vector<std::string> replies;
    int rows;
    int chunks;
    bool empty;
  };
  const Case cases[] = {
      {{"{\"ReturnValue\":1,\"iTotal\":0,\"bEnd\":true}"}, 0, 1, true},
      {{Reply(1, 3, false), "{\"ReturnValue\":1,\"iTotal\":0}"}, 3, 2, false},
      {{Reply(1, 3, false), Reply(1, 3, false), Reply(1, 3, false)}, 6, 2, false},
      {{"{\"ReturnValue\":1,\"iTotal\":2}"}, 0, 1, true},  // no "List"
      {{"{\"iTotal\":2,\"List\":[" + Row(4) + "]}"}, 1, 1,
       false},  // "bEnd" missing counts as the end
  };
  for (const Case& c : cases) {
    size_t n = 0;
    auto query = [&](const std::string&, std::string& reply) {
      reply = c.replies[std::min(n++, c.replies.size() - 1)];
      return true;
    };
    int rows = 0;
    RecordCheckLoad load = RunRecordCheckLoad(query, "SELECT x FROM t WHERE y=1",
                                              [&](std::vector<RecordCheckRow> r) {
                                                rows += static_cast<int>(r.size());
                                              });
    EXPECT_EQ(c.rows, rows);
    EXPECT_EQ(c.chunks, load.chunks);
    EXPECT_EQ(c.empty, load.empty);
  }
}

// A request that failed ends the load with its reason; a reply without
// rows is no failure.
TEST_F(RecordCheckListTest, AFailedRequestEndsTheLoadWithItsReason) {
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
  const struct {
    int sent;
    std::string reply;
    const char16_t* failure;
    bool empty;
  } cases[] = {
      {-1001, "", u"The query failed: connection error -1001", true},
      {kServerRequestTooLarge, "", u"The query failed: the request is too large and was not sent",
       true},
      {30, R"({"ReturnValue":-3,"cError":"timeout expired"})", u"The query failed: timeout expired",
       true},
      {30, R"({"ReturnValue":1,"iTotal":0,"bEnd":true})", u"", true},
  };
  for (const auto& c : cases) {
    auto query = [&](const std::string&, std::string& reply) {
      reply = c.reply;
      return c.sent;
    };
    RecordCheckLoad load = RunRecordCheckLoad(query, "SELECT x FROM t WHERE y=1",
                                              [](std::vector<RecordCheckRow>) {});
    EXPECT_EQ(std::u16string(c.failure), load.failure);
    EXPECT_EQ(c.empty, load.empty);
    EXPECT_EQ(0, load.rows);
  }
}

TEST_F(RecordCheckListTest, StatesColourTheRows) {
  const std::pair<int, GridColor> cases[] = {
      {1, GridRgb(0, 0, 0)},     {2, GridRgb(0, 128, 128)}, {3, GridRgb(0, 128, 0)},
      {4, GridRgb(255, 0, 0)},   {10, GridRgb(255, 0, 0)},  {0, GridRgb(30, 30, 30)},
      {11, GridRgb(30, 30, 30)},
  };
  for (const auto& [state, colour] : cases) EXPECT_EQ(colour, RecordCheckStateColor(state)) << state;
}

TEST_F(RecordCheckListTest, DaysRunToTheArrivalDateOrToNow) {
  const QDateTime business = QDateTime::fromString("2024-03-01 08:00:00", "yyyy-MM-dd HH:mm:ss");
  const QDateTime now = QDateTime::fromString("2024-03-11 09:00:00", "yyyy-MM-dd HH:mm:ss");
  EXPECT_EQ(10, RecordCheckDays(business, QDateTime::fromString("1900-01-01", "yyyy-MM-dd"), now));
  EXPECT_EQ(3, RecordCheckDays(business,
                               QDateTime::fromString("2024-03-04 20:00:00", "yyyy-MM-dd HH:mm:ss"),
                               now));

  std::vector<RecordCheckRow> rows;
  uint32_t highest = 0;
  const std::string reply = "{\"iTotal\":2,\"List\":[" +
                            Row(7, 0, "2024-03-01 08:00:00", "2024-03-06 08:00:00", 1999) + "," +
                            Row(5) + "]}";
  ASSERT_TRUE(ReadRecordCheckRows(reply, now, rows, highest));
  EXPECT_EQ(7u, highest);
  ASSERT_EQ(2u, rows.size());
  ASSERT_EQ(static_cast<size_t>(RecordCheckColumnCount()), rows[0].cells.size());
  EXPECT_EQ(u"5", rows[0].cells.back());
  EXPECT_EQ(u"10", rows[1].cells.back());
  EXPECT_EQ(u"2024-03-01", rows[0].cells[1]);
  EXPECT_EQ(u"BR7", rows[0].cells[4]);
  EXPECT_EQ(u"19.99", rows[0].cells[32]) << "unit prices are hundredths";
  EXPECT_EQ(GridRgb(30, 30, 30), rows[0].textColor);
}

TEST_F(RecordCheckListTest, TheReloadSelectsTheListsKindColumn) {
  const std::string reload = RecordCheckReloadStatement(42);
  EXPECT_EQ(std::string::npos, reload.find("cemskindc"));
  EXPECT_NE(std::string::npos, reload.find(",a.irid,a.cemskind,a.csender,"));
  EXPECT_TRUE(reload.ends_with(" WHERE a.irid=42"));
  EXPECT_EQ(63u, RecordCheckColumnTypes().size());
}

TEST_F(RecordCheckListTest, CheckNumbersNeedFourCharacters) {
  EXPECT_FALSE(PrepareCheckNumber(u"  AB1 ", nullptr));
  EXPECT_EQ("AB12", PrepareCheckNumber(u" AB12\t", nullptr).value_or(""));
}

TEST_F(RecordCheckListTest, ACheckPrintsEveryTimeAndLooksUpByTheNumberMode) {
  std::vector<std::string> log;
  RecordCheckServices s;
  s.find = [&](std::string_view n, bool transfer) {
    log.push_back(std::string(transfer ? "find transfer " : "find ") + std::string(n));
    return n == "BR10000001" && !transfer ? 9 : 0;
  };
  s.printWaybill = [&](int32_t id) { log.push_back("waybill " + std::to_string(id)); };
  s.printInvoice = [&](int32_t id, int c) {
    log.push_back("invoice " + std::to_string(id) + "x" + std::to_string(c));
  };
  s.show = [&](int32_t id) { log.push_back("show " + std::to_string(id)); };
  s.message = [&](int id) { log.push_back("message " + std::to_string(id)); };
  CRecordChecker checker(s);
  checker.printWaybill = true;
  checker.invoiceCopies = 2;
  EXPECT_EQ(9, checker.CheckRecord("BR10000001", true));
  EXPECT_EQ(9, checker.CheckRecord("BR10000001", true));
  checker.numberMode = 0;
  EXPECT_EQ(0, checker.CheckRecord("BR10000001", true));
  EXPECT_EQ(0, checker.CheckRecord("BR10000001", false));
  const std::vector<std::string> expected = {
      "find BR10000001", "waybill 9", "invoice 9x2", "show 9",
      "find BR10000001", "waybill 9", "invoice 9x2", "show 9",
      "find transfer BR10000001", "message 20005", "find transfer BR10000001"};
  EXPECT_EQ(expected, log);
  EXPECT_EQ(9, checker.lastRecordId);
}

}  // namespace
