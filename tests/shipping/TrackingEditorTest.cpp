// The tracking editor's statements, proposed positions, save checks and
// the reading of each write's result, against a link that records what is
// sent and answers what the case prepares.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "shipping/TrackingEditor.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

class FakeTrackingLink : public TrackingEditorLink {
 public:
  int Query(std::string_view sql, std::span<const uint32_t>, std::string& reply) override {
    queries.emplace_back(sql);
    return Answer(reply);
  }
  int Execute(std::string_view sql, std::span<const uint32_t>, std::string& reply) override {
    executed.emplace_back(sql);
    return Answer(reply);
  }
  std::string UserName() override { return "O'Neil"; }

  int Answer(std::string& reply) {
    if (answers.empty()) {
      reply.clear();
      return 0;
    }
    reply = answers.front();
    answers.pop_front();
    return static_cast<int>(reply.size());
  }
  std::deque<std::string> answers;
  std::vector<std::string> queries, executed;
};

TrackingLine At(int npos) {
  TrackingLine line;
  line.npos = npos;
  return line;
}

TEST(TrackingEditorPositions, NextPosition) {
  struct Case {
    std::vector<int> positions;
    int next;
  };
  const Case cases[] = {
      {{}, 5},           {{5, 10, 150}, 15}, {{97}, 99},   {{96}, 99},
      {{100, 150}, 5},   {{3}, 8},           {{0}, 5},     {{10, 200, 255}, 15},
  };
  for (const Case& c : cases) {
    std::vector<TrackingLine> lines;
    for (int p : c.positions) lines.push_back(At(p));
    EXPECT_EQ(c.next, NextTrackingPosition(lines)) << c.positions.size();
  }
}

TEST(TrackingEditorChecks, SaveRefusals) {
  struct Case {
    const char16_t* date;
    const char16_t* detail;
    const char16_t* position;
    bool newLine;
    int message;
  };
  const Case cases[] = {
      {u"2024-03-01 10:00", u"arrived", u"5", true, 0},
      {u"", u"arrived", u"5", true, 310040},
      {u"2024-03-01 10:00", u"  ", u"5", true, 310041},
      {u"2024-03-01 10:00", u"arrived", u"256", false, 310042},
      {u"2024-03-01 10:00", u"arrived", u"255", false, 0},
      {u"2024-03-01 10:00", u"arrived", u"120", true, 310042},
      {u"2024-03-01 10:00", u"arrived", u"120", false, 0},
      {u"2024-03-01 10:00", u"arrived", u"200", true, 0},
      {u"2024-03-01 10:00", u"arrived", u"-5", false, 310042},
      {u"2024-03-01 10:00", u"arrived", u"", true, 310042},
      {u"2024-03-01 10:00", u"arrived", u"5x", true, 310042},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.message, CheckTrackingLine(c.date, c.detail, c.position, c.newLine))
        << Utf8FromWide(c.position);
}

TEST(TrackingEditorStatements, Texts) {
  EXPECT_EQ("{?=CALL brantle.dbo.cp_check_detail_en_add(7,15,'2024-03-01 10:00','A''B','x','O''Neil','')}",
            BuildTrackingLineSave(u"_en", 7, 0, 15, u"2024-03-01 10:00", u" A'B ", u"x", "O'Neil"));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_check_detail_mod(7,3,120,'d','','x','u','')}",
            BuildTrackingLineSave(u"", 7, 3, 120, u"d", u"", u"x", "u"));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_check_detail_del(7,3)}", BuildTrackingLineDelete(u"", 7, 3));
  // The status index goes in twice; a bad date becomes 1900.01.01.
  EXPECT_EQ("{?=CALL brantle.dbo.cp_check_info_en_set(7,4,'it''s','Li','1900.01.01',4)}",
            BuildTrackingInfoSet(u"_en", 7, 4, u"it's", u"Li", u"bad"));
  EXPECT_EQ("SELECT wpos,npos,cdate,cplace,cinfo FROM brantle.dbo.check_detail_en WHERE irid=7 ORDER BY npos",
            BuildTrackingLinesQuery(u"_en", 7));
  EXPECT_EQ("SELECT cinfo FROM brantle.dbo.check_info WHERE irid=7", BuildTrackingHeaderQuery(u"", 7));
}

class TrackingEditorResults : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00")); }
};

// A write is done only when the server answered it with a result of 0 or
// more; otherwise the operator gets the server's own words.
TEST_F(TrackingEditorResults, WriteOutcomes) {
  struct Case {
    int sent;
    const char* reply;
    bool ok;
    std::u16string error;
  };
  CLanguageTable& lang = AppLanguage();
  const Case cases[] = {
      {40, R"({"ReturnValue":1,"iTotal":1,"bEnd":true,"List":[{"0":3}]})", true, u""},
      {40, R"({"ReturnValue":1,"iTotal":1,"bEnd":true,"List":[{"0":0}]})", true, u""},
      {40, R"({"ReturnValue":1,"iTotal":1,"bEnd":true,"List":[{"0":-2}]})", false, lang.Text(22311)},
      {40, R"({"ReturnValue":1,"iTotal":1,"bEnd":true,"List":[{"0":-9}]})", false,
       lang.TextWithNumber(22313, -9)},
      {40, R"({"ReturnValue":-406,"cError":"disk full"})", false,
       lang.TextWithNumber(20023, -406) + u"\r\ndisk full"},
      {40, R"({"ReturnValue":1,"iTotal":0,"bEnd":true})", false, lang.TextWithNumber(20023, 1)},
      {-7, "", false, lang.TextWithNumber(20023, -7)},
  };
  for (const Case& c : cases) {
    const TrackingWriteResult r = ReadTrackingWriteResult(c.sent, c.reply);
    EXPECT_EQ(c.ok, r.ok) << c.reply;
    EXPECT_EQ(Utf8FromWide(c.error), Utf8FromWide(r.error)) << c.reply;
  }
}

// A refused save sends nothing; a failed save keeps the line for another
// try and reloads nothing.
TEST_F(TrackingEditorResults, RefusedAndFailedSaves) {
  FakeTrackingLink link;
  CTrackingEditor editor(link);
  editor.canEdit = true;
  editor.irid = 7;
  editor.date = u"2024-03-01 10:00";
  editor.detail = u"arrived";
  editor.position = u"-1";
  int refusal = 0;
  EXPECT_FALSE(editor.SaveLine(refusal).ok);
  EXPECT_EQ(310042, refusal);
  EXPECT_TRUE(link.executed.empty());

  editor.position = u"12";
  link.answers.push_back(R"({"ReturnValue":-406,"cError":"locked"})");
  const TrackingWriteResult r = editor.SaveLine(refusal);
  EXPECT_EQ(0, refusal);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(std::u16string::npos, r.error.find(u"locked"));
  ASSERT_EQ(1u, link.executed.size());
  EXPECT_EQ("{?=CALL brantle.dbo.cp_check_detail_add(7,12,'2024-03-01 10:00','','arrived','O''Neil','')}",
            link.executed[0]);
  EXPECT_TRUE(link.queries.empty());
  EXPECT_EQ(u"arrived", editor.detail);
}

// Reloading reads status, delivery date (dashes become dots for a set
// date), the header and the lines, and proposes the next position.
TEST_F(TrackingEditorResults, ReloadReadsStatusHeaderAndLines) {
  FakeTrackingLink link;
  CTrackingEditor editor(link);
  editor.canEdit = true;
  editor.showTrackingWeight = true;
  editor.now = [](const char*) { return std::u16string(u"2024-05-01 08:00"); };
  link.answers = {
      R"({"ReturnValue":1,"iTotal":1,"List":[{"0":3,"1":"2024-03-09 14:30:00","2":"Li","3":"T9","4":2.6}]})",
      R"({"ReturnValue":1,"iTotal":1,"List":[{"0":"Flight CA983"}]})",
      R"({"ReturnValue":1,"iTotal":2,"List":[{"0":1,"1":5,"2":"d1","3":"p1","4":"x1"},{"0":2,"1":97,"2":"d2","3":"p2","4":"x2"}]})",
  };
  ASSERT_TRUE(editor.Open(7, u"BR1"));
  EXPECT_EQ(3, editor.state);
  EXPECT_EQ(u"2024.03.09 14:30:00", editor.deliveryDate);
  EXPECT_EQ(u"Li", editor.signedBy);
  EXPECT_EQ(u"Flight CA983", editor.header);
  ASSERT_EQ(2u, editor.lines.size());
  EXPECT_EQ(u"99", editor.position);
  EXPECT_EQ(u"2024-05-01 08:00", editor.date);
  EXPECT_NE(std::u16string::npos, editor.numberText.find(u"T9"));
  EXPECT_NE(std::u16string::npos, editor.numberText.find(u"2.600"));
  EXPECT_TRUE(editor.saveEnabled);
  EXPECT_FALSE(editor.deleteEnabled);

  editor.PickLine(1);
  EXPECT_EQ(2, editor.wpos);
  EXPECT_FALSE(editor.newLine);
  EXPECT_TRUE(editor.deleteEnabled);
  EXPECT_TRUE(editor.positionEnabled);

  // A waybill the server does not return.
  link.answers = {R"({"ReturnValue":1,"iTotal":0,"bEnd":true})"};
  EXPECT_FALSE(editor.Open(8, u"BR2"));
}

}  // namespace
