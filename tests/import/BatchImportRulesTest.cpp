// The rules of the two imports as tables: the sheet headers, the panel's
// date, the date and time cut, the calls built for a row, the report of a
// run against a link that records what is sent and answers as told.

#include <gtest/gtest.h>

#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "import/BatchImport.h"
#include "office/ImportTable.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

using namespace batchimport;

std::u16string W(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }

class Rules : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01")); }
};

TEST_F(Rules, HeadersAreMatchedExactlyAndALaterColumnReplacesAnEarlierOne) {
  struct Case {
    std::vector<const char*> cells;
    std::vector<int> track;
  } cases[] = {
      {{"运单号", "日期时间", "服务地点", "详细信息"}, {1, 2, 3, 4}},
      {{"详细信息", "运单号"}, {2, 0, 0, 1}},
      {{" 运单号", "运单号码", "日期时间 "}, {0, 0, 0, 0}},  // untrimmed, exact
      {{"运单号", "服务地点", "运单号", "服务地点"}, {3, 0, 4, 0}},
      {{}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<std::u16string> cells;
    for (const char* t : c.cells) cells.push_back(W(t));
    EXPECT_EQ(c.track, MapHeaderColumns(cells, TrackHeaders())) << (c.cells.empty() ? "" : c.cells[0]);
  }
  std::vector<std::u16string> seven = {W("快递类别"), W("参考号"), W("详细信息"), W("服务地点"),
                                       W("日期时间"), W("换单号"), W("运单号")};
  EXPECT_EQ((std::vector<int>{7, 6, 5, 4, 3, 2, 1}), MapHeaderColumns(seven, TransferHeaders()));
  EXPECT_EQ(4u, TrackHeaders().size());
  EXPECT_EQ(300, TrackHeaders()[3].width);
  EXPECT_EQ(110, TransferHeaders()[6].width);
}

TEST_F(Rules, TheDateAndTimeIsCutAt16CharactersBackToTheStartOfADigitRun) {
  const std::pair<const char*, const char*> cases[] = {
      {"2026-12-11 10:30", "2026-12-11 10:30"},
      {"2026-12-11 10:30:45", "2026-12-11 10:30"},   // 17th is ':'
      {"2026-12-11 10:305", "2026-12-11 10:"},       // 17th a digit: back to "305"
      {"2026-12-11  10:30", "2026-12-11  10:"},      // "30" starts at 15
      {"20261211103045678", ""},                      // one run from the start
      {"abc", "abc"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(W(out), CutDateTime(W(in))) << in;
}

TEST_F(Rules, NoQuestionFromMinus3To2Days) {
  using namespace std::chrono;
  // Now: 2026-12-11 10:30 local.
  const local_seconds now = local_days(year(2026) / 12 / 11) + hours(10) + minutes(30);
  const struct {
    const char* text;
    int days;
    bool asks;
  } cases[] = {
      {"2026-12-11 08:00", 0, false},  {"2026-12-08 23:59", -3, false},
      {"2026-12-07 10:00", -4, true},  {"2026-12-13 00:00", 1, false},
      {"2026-12-14 09:00", 2, false},  {"2026-12-15 09:00", 3, true},
      {" 2026-12-10 ", -1, false},     {"2026.12.10 7:00", -1, false},
  };
  for (const auto& c : cases) {
    const int days = DaysFromToday(W(c.text), now);
    EXPECT_EQ(c.days, days) << c.text;
    EXPECT_EQ(c.asks, DateNeedsQuestion(days)) << c.text;
  }
  EXPECT_EQ(kNotADate, DaysFromToday(W("下午三点"), now));
  EXPECT_EQ(kNotADate, DaysFromToday(W(""), now));
}

TEST_F(Rules, TrackCallsCarryTheInfixThePositionTailAndQuotedTexts) {
  TrackRow row{W("BR1"), W("2026-12-11 10:30"), W("O'Hare"), W("到达")};
  const struct {
    int version, position, kind;
    const char* sql;
  } cases[] = {
      {0, 0, 0, "{?=CALL brantle.dbo.cp_check_detail_add_excel(?,'BR1','2026-12-11 10:30','O''Hare','\xb5\xbd\xb4\xef','u''s','EXCEL',0,0)}"},
      {1, 1, 2, "{?=CALL brantle.dbo.cp_check_detail_en_add_excel(?,'BR1','2026-12-11 10:30','O''Hare','\xb5\xbd\xb4\xef','u''s','EXCEL',50,2)}"},
      {0, 2, 1, "{?=CALL brantle.dbo.cp_check_detail_add_excel(?,'BR1','2026-12-11 10:30','O''Hare','\xb5\xbd\xb4\xef','u''s','EXCEL',200,1)}"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.sql, TrackCallSql(row, "u's", c.version, c.position, c.kind));
}

TEST_F(Rules, ATextInTheBase64FormKeepsItsQuoteOnce) {
  // Characters outside GBK, too long for the reference form in 255 bytes.
  std::u16string text = u"O'Neil ";
  for (int i = 0; i < 40; ++i) text += u"\U0001F600";
  const std::string narrow = FieldTextFromWide(text, 255);
  ASSERT_EQ(0u, narrow.rfind("?B?", 0));
  EXPECT_EQ(narrow, SqlText(text, 255));  // no quote in the Base64 form
  EXPECT_EQ(text, StringFromFieldText(SqlText(text, 255)));
  // A GBK text: converted, then the quote doubled.
  EXPECT_EQ("O''Neil &#55357;&#56832;", SqlText(u"O'Neil \U0001F600", 255));
}

TEST_F(Rules, TransferCallsCarryTheEventFlagAndTheReferenceForm) {
  TransferRow row{W("BR1"), W("TR'9"), W("2026-12-11 10:30"), W("深圳"), W("已转单"), {}, {}};
  EXPECT_EQ(
      "{?=CALL brantle.dbo.cp_check_detail_add_excel_no(?,0,'BR1','TR''9','2026-12-11 10:30','\xc9\xee\xdb\xda','\xd2\xd1\xd7\xaa\xb5\xa5','admin','EXCEL',0,0)}",
      TransferCallSql(row, true, "admin", 0, 0, false));
  row.eventText.clear();
  row.reference = W("R'1");
  EXPECT_EQ(
      "{?=CALL brantle.dbo.cp_check_detail_en_add_excel_no_r(?,1,'BR1','TR''9','2026-12-11 10:30','\xc9\xee\xdb\xda','','admin','EXCEL',2,1,'R''1')}",
      TransferCallSql(row, false, "admin", 1, 2, true));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec SET cemskind='A''B' WHERE irid=47",
            KindUpdateSql("A'B", 47));
}

TEST_F(Rules, TheLogTextWithAndWithoutKindChanges) {
  EXPECT_EQ(u"Transfer numbers imported: 12", TransferLogText(12, 0));
  EXPECT_EQ(u"Transfer numbers imported: 12,service kinds changed: 3", TransferLogText(12, 3));
}

// ---- runs against a recording link ----

struct Reply {
  int code;
  int id;
};

class RecordingLink {
 public:
  std::vector<std::string> sent;
  // Answers by the call's number text; a missing number: failed reply.
  std::map<std::string, Reply> answers;
  bool kindUpdateFails = false;

  ImportLink Link() {
    ImportLink link;
    link.user = "admin";
    link.send = [this](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
      sent.emplace_back(sql);
      if (types.empty()) {
        reply = kindUpdateFails ? R"({"ReturnValue":-108})" : R"({"ReturnValue":1,"iTotal":0})";
        return static_cast<int>(reply.size());
      }
      for (const auto& [number, r] : answers)
        if (sql.find("(?,'" + number + "'") != std::string_view::npos ||
            sql.find(",'" + number + "','") != std::string_view::npos) {
          reply = "{\"ReturnValue\":2,\"iTotal\":1,\"List\":[{\"0\":" + std::to_string(r.code) +
                  ",\"1\":" + std::to_string(r.id) + "}]}";
          return static_cast<int>(reply.size());
        }
      reply = R"({"ReturnValue":-3})";
      return static_cast<int>(reply.size());
    };
    link.errorText = [] { return std::u16string(u"server error -3"); };
    link.findKind = [](std::string_view code) -> std::optional<std::pair<std::string, std::u16string>> {
      if (code == "imp75b" || code == "IMP75B") return std::make_pair(std::string("IMP75B"), std::u16string(u"IMP75B"));
      return std::nullopt;
    };
    return link;
  }
};

using Rows = std::vector<std::vector<std::u16string>>;

TEST_F(Rules, TrackRowsTakeDefaultsSkipRowsWithoutTextsAndListRefusals) {
  RecordingLink rec;
  rec.answers = {{"A1", {5, 901}}, {"A2", {-2, 0}}, {"A3", {-4, 0}}, {"A4", {-1, 0}}, {"A5", {-7, 0}}};
  CMemoryImportTable table(Rows{{u"A1", u""},
                                {u"", u"x"},            // row 3: column 1 empty
                                {u"A2", u"2026-12-11 09:00:59"},
                                {u"A3"},
                                {u"A4"},
                                {u"A5"}},
                           false);
  TrackSettings s{u"2026-12-11 10:30", u"  默认  ", u" 深圳 ", 0, 1, 2};
  ImportReport r = RunTrackRows(table, {1, 2, 0, 0}, s, rec.Link());
  ASSERT_EQ(1u, r.stored.size());
  EXPECT_EQ(901, r.stored[0].id);
  EXPECT_EQ(5, r.stored[0].result);
  EXPECT_EQ(2, r.stored[0].sheetRow);
  EXPECT_EQ(u"默认", r.stored[0].eventText);
  EXPECT_EQ(u"深圳", r.stored[0].place);
  EXPECT_EQ(u"_en", r.stored[0].version);
  EXPECT_EQ(4, r.refused);
  EXPECT_EQ(1, r.skipped);
  EXPECT_EQ(u"Row 4: A2, The waybill number does not exist\r\n"
            u"Row 5: A3, no free event position in the range\r\n"
            u"Row 6: A4, the date and time is not valid\r\n"
            u"Row 7: A5, Error\r\n",
            r.failures);
  ASSERT_EQ(5u, rec.sent.size());
  EXPECT_NE(std::string::npos, rec.sent[1].find("'A2','2026-12-11 09:00'"));
  EXPECT_NE(std::string::npos, rec.sent[0].find("cp_check_detail_en_add_excel(?,'A1','2026-12-11 10:30'"));
  EXPECT_NE(std::string::npos, rec.sent[0].find(",200,0)}"));

  // Without a default event text every row lacks its text: all skipped.
  RecordingLink none;
  CMemoryImportTable again(Rows{{u"A1"}, {u"A2"}}, false);
  s.eventText.clear();
  ImportReport empty = RunTrackRows(again, {1, 0, 0, 0}, s, none.Link());
  EXPECT_TRUE(empty.stored.empty());
  EXPECT_EQ(2, empty.skipped);
  EXPECT_TRUE(none.sent.empty());
}

TEST_F(Rules, AFailedReplyStopsWithWhatWasStoredAndRefusedBefore) {
  RecordingLink rec;
  rec.answers = {{"B1", {0, 11}}, {"B2", {-2, 0}}};  // B3 has no answer: the reply fails
  CMemoryImportTable table(Rows{{u"B1", u"T1"}, {u"B2", u"T2"}, {u"B3", u"T3"}, {u"B4", u"T4"}}, false);
  TransferSettings s{u"2026-12-11 10:30", u"", u"", 0, 0, false};
  ImportReport r = RunTransferRows(table, {1, 2, 0, 0, 0, 0, 0}, s, rec.Link());
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(u"server error -3", r.stopText);
  ASSERT_EQ(1u, r.stored.size());
  EXPECT_EQ(u"B1", r.stored[0].number);
  EXPECT_EQ(1, r.refused);
  EXPECT_EQ(u"Row 3: B2, The waybill number does not exist\r\n", r.failures);
  EXPECT_EQ(3u, rec.sent.size());  // B4 never sent
  // No event text: flag 1, and no event columns listed.
  EXPECT_NE(std::string::npos, rec.sent[0].find("add_excel_no(?,1,'B1','T1'"));
  EXPECT_TRUE(r.stored[0].eventText.empty());
}

TEST_F(Rules, AnUnknownKindLeavesTheWaybillAndAFailedKindChangeIsListed) {
  RecordingLink rec;
  rec.answers = {{"C1", {0, 21}}, {"C2", {0, 22}}, {"C3", {0, 23}}, {"C4", {0, 0}}};
  Rows rows{{u"C1", u"T1", u"", u"", u"", u"", u"imp75b"},
            {u"C2", u"T2", u"", u"", u"", u"", u"NOKIND"},
            {u"C3", u"T3", u"", u"", u"", u"R3", u""},
            {u"C4", u"T4", u"", u"", u"", u"", u"IMP75B"}};  // waybill id 0: no change
  CMemoryImportTable table(rows, false);
  TransferSettings s{u"2026-12-11 10:30", u"到", u"", 1, 0, true};
  ImportReport r = RunTransferRows(table, {1, 2, 3, 4, 5, 6, 7}, s, rec.Link());
  ASSERT_EQ(4u, r.stored.size());
  EXPECT_EQ(u"IMP75B", r.stored[0].kindName);
  EXPECT_EQ(u"", r.stored[1].kindName);
  EXPECT_EQ(1, r.kindChanges);
  EXPECT_EQ(0, r.refused);
  ASSERT_EQ(5u, rec.sent.size());
  EXPECT_EQ("UPDATE brantle.dbo.client_rec SET cemskind='IMP75B' WHERE irid=21", rec.sent[1]);
  EXPECT_NE(std::string::npos, rec.sent[3].find("add_excel_no_r(?,0,'C3','T3','2026-12-11 10:30','','\xb5\xbd','admin','EXCEL',1,1,'R3')}"));

  RecordingLink failing;
  failing.kindUpdateFails = true;
  failing.answers = {{"C1", {0, 21}}};
  CMemoryImportTable one(Rows{rows[0]}, false);
  ImportReport f = RunTransferRows(one, {1, 2, 3, 4, 5, 6, 7}, s, failing.Link());
  EXPECT_FALSE(f.stopped);
  EXPECT_EQ(0, f.skipped) << failing.sent.size() << " " << f.refused;
  ASSERT_EQ(1u, f.stored.size());
  EXPECT_EQ(0, f.kindChanges);
  EXPECT_EQ(1, f.kindFailures);
  EXPECT_EQ(u"", f.stored[0].kindName);
  EXPECT_EQ(u"Row 2 C1: the service kind IMP75B was not written.\r\n", f.failures);
}

TEST_F(Rules, TheTemplateGoesToTheDesktopElseToDataTemp) {
  EXPECT_EQ(u"/home/op/Desktop/Fmt_Import_No.xls", TemplatePath(u"/home/op/Desktop", u"/opt/brantle/"));
  EXPECT_EQ(u"/opt/brantle/DATA_TEMP/Fmt_Import_No.xls", TemplatePath(u"", u"/opt/brantle/"));
  EXPECT_EQ(u"/opt/brantle/DATA_TEMP/Fmt_Import_No.xls", TemplatePath(u"", u"/opt/brantle"));
}

TEST_F(Rules, TheSummaryCountsStoredRefusedAndSkippedRows) {
  ImportReport r;
  r.stored.resize(3);
  r.refused = 2;
  r.skipped = 5;
  EXPECT_EQ(u"3 rows stored, 2 refused, 5 skipped (a required cell was empty).", SummaryText(r));
}

}  // namespace
