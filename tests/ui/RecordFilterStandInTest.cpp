// The record filter's statements run on the stand-in server: each must run
// without error and return the waybills that a hand-written SQLite query
// over the stand-in's own database returns.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "refdata/ServiceKinds.h"
#include "refdata/SqlRunner.h"
#include "server/ServerLink.h"
#include "tests/server/StandInLinkSuite.h"
#include "tests/ui/RecordFilterCallers.h"
#include "ui/RecordFilter.h"

namespace {

using recordfiltertest::Callers;
using recordfiltertest::KindLookup;
using recordfiltertest::QuickSearchTexts;

class RecordFilterStandIn : public testsupport::StandInLinkSuite<RecordFilterStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-recordfilter";

 protected:
  void SetUp() override {
    OpenLink("01", "PC-RF");
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(server_->Database().c_str(), &db_, SQLITE_OPEN_READONLY,
                                         nullptr));
    // Text columns compare without ASCII case, as the company server's do.
    sqlite3_create_collation(
        db_, "TSQL", SQLITE_UTF8, nullptr, [](void*, int n1, const void* a, int n2, const void* b) {
          const int common = sqlite3_strnicmp(static_cast<const char*>(a),
                                              static_cast<const char*>(b), n1 < n2 ? n1 : n2);
          return common != 0 ? common : n1 - n2;
        });
  }
  void TearDown() override { sqlite3_close(db_); }

  // The record ids the stand-in returns for the statement, in order; fails
  // the case when the statement does not run.
  std::vector<int> Run(const std::u16string& sql) {
    static const uint32_t types[] = {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 32),
                                     AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 64),
                                     AcsTypeEntry(kSqlCUTinyInt), AcsTypeEntry(kSqlCSLong)};
    std::string reply;
    const int length = link_.SqlQuery(GbkFromWide(sql), types, &reply);
    EXPECT_GT(length, 0) << Utf8FromWide(sql);
    JsonRowIndex head(reply);
    EXPECT_EQ(1, head.GetInt("ReturnValue", -99999))
        << Utf8FromWide(sql) << "\n" << reply.substr(0, 400);
    std::vector<int> ids;
    ForEachReplyRow(reply, [&ids](std::string_view row) {
      JsonRowIndex index(row);
      ids.push_back(index.GetInt("0", -1));
    });
    return ids;
  }

  // The record ids of a hand-written query over the stand-in's database.
  std::vector<int> Expected(const std::string& sql) {
    std::vector<int> ids;
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr))
        << sql << ": " << sqlite3_errmsg(db_);
    while (st != nullptr && sqlite3_step(st) == SQLITE_ROW) ids.push_back(sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    return ids;
  }

  sqlite3* db_ = nullptr;
};

WaybillQueryConditions March(int firstDay = 1, int lastDay = 31) {
  WaybillQueryConditions c;
  char from[32], to[32];
  std::snprintf(from, sizeof from, "2024.03.%02d 0:0:0.0", firstDay);
  std::snprintf(to, sizeof to, "2024.03.%02d 23:59:59.998", lastDay);
  c.dateFromBound = WideFromGbk(from);
  c.dateToBound = WideFromGbk(to);
  return c;
}

struct StandInCase {
  const char* name;
  std::function<void(WaybillQueryConditions&)> set;
  std::string where;  // the hand-written condition over client_rec
};

const char* kQuickRange = "date(ddate) BETWEEN '2024-03-01' AND '2024-03-31'";

}  // namespace

TEST_F(RecordFilterStandIn, EachConditionFindsTheRowsOfAHandWrittenQuery) {
  const std::vector<StandInCase> cases = {
      {"defaults", [](auto&) {}, ""},
      {"document and pak", [](auto& c) { c.typeParcel = false; }, "nitemtype IN (0,2)"},
      {"parcel only", [](auto& c) { c.typeDocument = c.typePak = false; }, "nitemtype = 1"},
      {"cash and collect", [](auto& c) { c.payMonthly = false; }, "npayway IN (1,2)"},
      {"monthly only", [](auto& c) { c.payCash = c.payCollect = false; }, "npayway = 0"},
      {"verified only", [](auto& c) { c.payUnchecked = false; }, "ifid > 0"},
      {"unverified only", [](auto& c) { c.payChecked = false; }, "ifid = 0"},
      {"state 2", [](auto& c) { c.recordState = 2; }, "nstate = 2"},
      {"state group above 0", [](auto& c) { c.recordState = 12; }, "nstate > 0"},
      {"state group below 3", [](auto& c) { c.recordState = 13; }, "nstate < 3"},
      {"state group above 3", [](auto& c) { c.recordState = 14; }, "nstate > 3"},
      {"customer", [](auto& c) { c.customerId = 2; }, "icid = 2"},
      {"pieces 3", [](auto& c) { c.pieces = 3; }, "iitem = 3"},
      {"pieces not 2", [](auto& c) { c.pieces = -2; }, "iitem <> 2"},
      {"department", [](auto& c) { c.department = u"深圳站"; }, "cdepart = '深圳站'"},
      {"destination with a quote", [](auto& c) { c.destination = u"O'Hare"; },
       "cdes = 'O''Hare'"},
      {"tags", [](auto& c) { c.tags = u"VIP"; }, "cmark LIKE '%VIP%'"},
      {"reserved", [](auto& c) { c.reserved = u"R3"; }, "creserve LIKE '%R3%'"},
      {"kind typed in lower case", [](auto& c) { c.kind = u"dhl"; }, "cemskind = 'DHL'"},
      {"Chinese kind", [](auto& c) { c.kind = u"ziz国际"; }, "cemskind = 'ZIZ国际'"},
      {"waybill number with a typed wildcard", [](auto& c) { c.waybillNo = u"BR1000001%"; },
       "cnum LIKE '%BR1000001%'"},
      {"waybill number with a typed one-character wildcard",
       [](auto& c) { c.waybillNo = u"BR1000002_"; }, "cnum LIKE 'BR1000002_'"},
      {"transfer number", [](auto& c) { c.transferNo = u"SV5000002"; },
       "cserviceno LIKE '%SV5000002%'"},
      {"reference number", [](auto& c) { c.referenceNo = u"REF-01"; }, "crno LIKE '%REF-01%'"},
      {"customs number", [](auto& c) { c.customsNo = u"C-1"; }, "ccno LIKE '%C-1%'"},
      {"settlement", [](auto& c) { c.settlement = u"COD"; }, "cpaydir = 'COD'"},
      {"receiver, any case", [](auto& c) { c.receiver = u"smith"; },
       "lower(creceiver) LIKE '%smith%'"},
      {"Chinese receiver", [](auto& c) { c.receiver = u"田中"; }, "instr(creceiver, '田中') > 0"},
      {"receiver phone", [](auto& c) { c.receiverPhone = u"555-012"; },
       "cphone LIKE '%555-012%'"},
      {"sender", [](auto& c) { c.sender = u"Amy"; }, "csender = 'Amy'"},
      {"several at once",
       [](auto& c) {
         c.typeDocument = false;
         c.recordState = 13;
         c.sender = u"陈先生";
         c.pieces = -1;
         c.settlement = u"CC";
       },
       "nitemtype IN (1,2) AND nstate < 3 AND iitem <> 1 AND cpaydir = 'CC' AND csender = '陈先生'"},
  };
  for (const StandInCase& test : cases) {
    WaybillQueryConditions c = March();
    test.set(c);
    const std::u16string sql = RecordFilterSql(c, QuickSearchTexts(), u"ddate", KindLookup());
    const std::vector<int> expected =
        Expected(std::string("SELECT irid FROM client_rec WHERE irid > 0 AND ") + kQuickRange +
                 (test.where.empty() ? "" : " AND " + test.where) + " ORDER BY irid DESC");
    EXPECT_FALSE(expected.empty()) << "the sample data should have rows for: " << test.name;
    EXPECT_EQ(expected, Run(sql)) << test.name;
  }
}

TEST_F(RecordFilterStandIn, DateKindsAndRanges) {
  struct DateCase {
    const char* name;
    int kind;
    std::u16string from, to;
    std::string where;
  };
  const std::vector<DateCase> cases = {
      {"business dates of 5 to 9 March", 0, u"2024.03.05 0:0:0.0", u"2024.03.09 23:59:59.998",
       "date(ddate) BETWEEN '2024-03-05' AND '2024-03-09'"},
      {"entry times", 1, u"2024.03.05 10:00:00", u"2024.03.12 10:10:00",
       "dsysdate BETWEEN '2024-03-05 10:00:00' AND '2024-03-12 10:10:00'"},
      {"send times", 2, u"2024.03.02 00:00:00", u"2024.03.20 17:59:59",
       "dsenddate BETWEEN '2024-03-02 00:00:00' AND '2024-03-20 17:59:59'"},
  };
  for (const DateCase& test : cases) {
    WaybillQueryConditions c;
    c.dateKind = test.kind;
    c.dateFromBound = test.from;
    c.dateToBound = test.to;
    const std::vector<int> expected = Expected("SELECT irid FROM client_rec WHERE " + test.where +
                                               " ORDER BY irid DESC");
    EXPECT_FALSE(expected.empty()) << test.name;
    EXPECT_EQ(expected, Run(RecordFilterSql(c, QuickSearchTexts(), WaybillDateColumn(test.kind),
                                            KindLookup())))
        << test.name;
  }
}

TEST_F(RecordFilterStandIn, BagAndMasterAwbForms) {
  struct FormCase {
    const char* name;
    std::function<void(WaybillQueryConditions&)> set;
    std::string sql;
  };
  const std::vector<FormCase> cases = {
      {"three bags picked",
       [](auto& c) {
         c.bagNumbers = u"★";
         c.bagList = {u"B2024030001<装袋中>ID:1", u"B2024030002<x>ID:2", u"B2024030003<x>ID:3"};
       },
       "SELECT irid FROM client_rec WHERE irid IN (SELECT irid FROM client_rec_xbag_item WHERE "
       "ixid IN (1,2,3)) ORDER BY irid"},
      {"one bag number",
       [](auto& c) { c.bagNumbers = u"B2024030002"; },
       "SELECT irid FROM client_rec WHERE irid IN (SELECT irid FROM client_rec_xbag_item WHERE "
       "ixid = 2) ORDER BY irid"},
      {"a master AWB number",
       [](auto& c) { c.awbNumbers = u"999-12345675"; },
       "SELECT irid FROM client_rec WHERE cawb = '999-12345675' ORDER BY irid"},
      {"two master AWBs picked",
       [](auto& c) {
         c.awbNumbers = u"★";
         c.awbList = {u"◎999-12345675<LAX>", u"\u3000781-00000011<FRA>"};
       },
       "SELECT irid FROM client_rec WHERE cawb IN ('999-12345675','781-00000011') ORDER BY irid"},
  };
  for (const auto& [caller, texts] : Callers()) {
    for (const FormCase& test : cases) {
      // Dates that the forms ignore.
      WaybillQueryConditions c = March(30, 31);
      c.sender = u"nobody";
      test.set(c);
      EXPECT_EQ(Expected(test.sql), Run(RecordFilterSql(c, texts, u"ddate", KindLookup())))
          << caller << ": " << test.name;
    }
  }
  // A bag number that no bag has finds nothing, and runs.
  WaybillQueryConditions c = March();
  c.bagNumbers = u"B0000";
  EXPECT_TRUE(Run(RecordFilterSql(c, QuickSearchTexts(), u"ddate", KindLookup())).empty());
}

TEST_F(RecordFilterStandIn, EveryCallersDateFormRuns) {
  WaybillQueryConditions c = March();
  c.typePak = false;
  const std::vector<int> all = Expected(
      std::string("SELECT irid FROM client_rec WHERE ") + kQuickRange +
      " AND nitemtype IN (0,1) ORDER BY irid");
  const std::vector<int> handOver = Expected(
      std::string("SELECT irid FROM client_rec WHERE isid > 0 AND nstate IN (1,2) AND ") +
      kQuickRange + " AND nitemtype IN (0,1) ORDER BY irid");
  ASSERT_FALSE(handOver.empty());
  for (const auto& [caller, texts] : Callers()) {
    std::vector<int> expected = caller == "hand-over page" ? handOver : all;
    if (caller == "quick-search list") expected.assign(all.rbegin(), all.rend());
    EXPECT_EQ(expected, Run(RecordFilterSql(c, texts, u"ddate", KindLookup()))) << caller;
  }
}

TEST_F(RecordFilterStandIn, HostileTextInEveryTextConditionStaysValid) {
  // Quotes, brackets, percent signs, GBK characters whose second byte is
  // "[", "\", "]" or "_", and GBK text cut after a lead byte.
  const std::u16string hostile[] = {
      u"'", u"O'Hare", u"''", u"a'; DELETE FROM client_rec; --", u"[", u"]", u"[a-", u"[^x]",
      u"%", u"100%", u"_", u"\\", u"'%[_]%'",
      WideFromGbk("\x81\x5B\x81\x5C\x81\x5D\x81\x5F"),
      WideFromGbk("\xB1\xED\xD6"),  // "表" and a lone lead byte
      u"中文'\u3000'", u"\U0001F600"};
  for (const std::u16string& text : hostile) {
    for (int field = 0; field < 13; ++field) {
      WaybillQueryConditions c = March();
      std::u16string* fields[] = {&c.department, &c.destination, &c.tags, &c.reserved,
                                  &c.kind, &c.waybillNo, &c.transferNo, &c.referenceNo,
                                  &c.customsNo, &c.settlement, &c.receiver,
                                  &c.receiverPhone, &c.sender};
      *fields[field] = text;
      Run(RecordFilterSql(c, QuickSearchTexts(), u"ddate", KindLookup()));
    }
    // The bag and master AWB numbers as well.
    WaybillQueryConditions bag = March();
    bag.bagNumbers = text + u"0000";
    Run(RecordFilterSql(bag, QuickSearchTexts(), u"ddate", KindLookup()));
    WaybillQueryConditions awb = March();
    awb.awbNumbers = text + u"0000000000";
    Run(RecordFilterSql(awb, QuickSearchTexts(), u"ddate", KindLookup()));
  }
  // The table is still whole.
  EXPECT_EQ(40u, Expected("SELECT irid FROM client_rec WHERE irid BETWEEN 1 AND 40").size());
}
