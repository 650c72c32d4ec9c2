// The record filter's SQL for each condition and form, and the rules of the
// waybill query conditions (defaults, reset, presets, the date check).
#include "ui/RecordFilter.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "refdata/ServiceKinds.h"
#include "common/TextCodec.h"
#include "tests/ui/RecordFilterCallers.h"
#include "ui/WaybillQueryConditions.h"

namespace {

using recordfiltertest::Callers;
using recordfiltertest::KindLookup;
using recordfiltertest::QuickSearchTexts;

std::string Narrow(const std::u16string& text) { return Utf8FromWide(text); }

// The conditions of a dialog confirmed for 1 to 10 March 2024 with every
// default: all flags set, any state, no text, no customer.
WaybillQueryConditions Defaults() {
  WaybillQueryConditions c;
  c.dateFrom = u"2024.03.01";
  c.dateTo = u"2024.03.10";
  c.dateFromBound = u"2024.03.01 0:0:0.0";
  c.dateToBound = u"2024.03.10 23:59:59.998";
  return c;
}

const std::u16string kQuickHead =
    u"SELECT TOP 2000 a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate FROM brantle.dbo.client_rec AS a "
    u"WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.irid>0 AND "
    u"a.ddate BETWEEN '2024.03.01 0:0:0.0' AND '2024.03.10 23:59:59.998'";

struct ConditionCase {
  const char* name;
  std::function<void(WaybillQueryConditions&)> set;
  std::u16string conditions;  // between the date range and the ordering
};

}  // namespace

TEST(RecordFilterSql, EachConditionOfTheDateForm) {
  const std::vector<ConditionCase> cases = {
      {"defaults: the head, the range and the ordering only", [](auto&) {}, u""},
      {"document and pak", [](auto& c) { c.typeParcel = false; }, u" AND a.nitemtype IN(0,2)"},
      {"no item type box", [](auto& c) { c.typeDocument = c.typeParcel = c.typePak = false; }, u""},
      {"parcel only", [](auto& c) { c.typeDocument = c.typePak = false; }, u" AND a.nitemtype=1"},
      {"document only", [](auto& c) { c.typeParcel = c.typePak = false; }, u" AND a.nitemtype=0"},
      {"pak only", [](auto& c) { c.typeDocument = c.typeParcel = false; }, u" AND a.nitemtype=2"},
      {"document and parcel", [](auto& c) { c.typePak = false; }, u" AND a.nitemtype IN(0,1)"},
      {"parcel and pak", [](auto& c) { c.typeDocument = false; }, u" AND a.nitemtype IN(1,2)"},
      {"cash only", [](auto& c) { c.payMonthly = c.payCollect = false; }, u" AND a.npayway=1"},
      {"monthly and collect", [](auto& c) { c.payCash = false; }, u" AND a.npayway IN(0,2)"},
      {"foreign region only", [](auto& c) { c.regionMainland = c.regionChinese = false; },
       u" AND a.nlanguage=2"},
      {"unverified only", [](auto& c) { c.payChecked = false; }, u" AND a.ifid=0"},
      {"verified only", [](auto& c) { c.payUnchecked = false; }, u" AND a.ifid>0"},
      {"neither verified box", [](auto& c) { c.payUnchecked = c.payChecked = false; }, u""},
      {"state 0", [](auto& c) { c.recordState = 0; }, u" AND a.nstate=0"},
      {"state 10", [](auto& c) { c.recordState = 10; }, u" AND a.nstate=10"},
      {"state 12", [](auto& c) { c.recordState = 12; }, u" AND a.nstate>0"},
      {"state 13", [](auto& c) { c.recordState = 13; }, u" AND a.nstate<3"},
      {"state 14", [](auto& c) { c.recordState = 14; }, u" AND a.nstate>3"},
      {"customer", [](auto& c) { c.customerId = 3; }, u" AND a.icid=3"},
      {"customer text without a pick", [](auto& c) { c.customer = u"广州南方物流"; }, u""},
      {"pieces 2", [](auto& c) { c.pieces = 2; }, u" AND a.iitem=2"},
      {"pieces -2", [](auto& c) { c.pieces = -2; }, u" AND a.iitem<>2"},
      {"department", [](auto& c) { c.department = u"深圳站"; }, u" AND a.cdepart='深圳站'"},
      {"destination with a quote", [](auto& c) { c.destination = u"O'Hare"; },
       u" AND a.cdes='O''Hare'"},
      {"tags", [](auto& c) { c.tags = u"VIP"; }, u" AND a.cmark LIKE '%VIP%'"},
      {"reserved", [](auto& c) { c.reserved = u"R1"; }, u" AND a.creserve LIKE '%R1%'"},
      {"kind in lower case", [](auto& c) { c.kind = u"dhl"; }, u" AND a.cemskind='DHL'"},
      {"kind of no service", [](auto& c) { c.kind = u"UPS"; }, u""},
      {"waybill number with a wildcard", [](auto& c) { c.waybillNo = u"BR1%3"; },
       u" AND a.cnum LIKE '%BR1%3%'"},
      {"transfer number", [](auto& c) { c.transferNo = u"SV5"; },
       u" AND a.cserviceno LIKE '%SV5%'"},
      {"reference number", [](auto& c) { c.referenceNo = u"REF"; }, u" AND a.crno LIKE '%REF%'"},
      {"customs number", [](auto& c) { c.customsNo = u"C-9"; }, u" AND a.ccno LIKE '%C-9%'"},
      {"settlement", [](auto& c) { c.settlement = u"COD"; }, u" AND a.cpaydir='COD'"},
      {"receiver", [](auto& c) { c.receiver = u"Smith"; }, u" AND a.creceiver LIKE '%Smith%'"},
      {"receiver phone", [](auto& c) { c.receiverPhone = u"555"; }, u" AND a.cphone LIKE '%555%'"},
      {"sender trimmed", [](auto& c) { c.sender = u" Amy "; }, u" AND a.csender='Amy'"},
      {"number ranges give nothing",
       [](auto& c) { c.freightFrom = 1, c.freightTo = 9, c.weightFrom = 2, c.weightTo = 8; }, u""},
      {"a bag number of 3 characters gives nothing", [](auto& c) { c.bagNumbers = u"B20"; }, u""},
      {"a master AWB of 9 characters gives nothing", [](auto& c) { c.awbNumbers = u"999-12345"; },
       u""},
      {"the marker with one bag gives nothing",
       [](auto& c) { c.bagNumbers = u"★", c.bagList = {u"B2024030001<装袋中>ID:1"}; }, u""},
      {"several conditions in their order",
       [](auto& c) {
         c.sender = u"Amy";
         c.waybillNo = u"BR";
         c.kind = u"ziz国际";
         c.destination = u"日本";
         c.recordState = 13;
         c.typePak = false;
         c.payChecked = false;
         c.pieces = -1;
         c.customerId = 2;
       },
       u" AND a.nitemtype IN(0,1) AND a.ifid=0 AND a.nstate<3 AND a.icid=2 AND a.iitem<>1"
       u" AND a.cdes='日本' AND a.cemskind='ZIZ国际' AND a.cnum LIKE '%BR%' AND a.csender='Amy'"},
  };
  for (const ConditionCase& test : cases) {
    WaybillQueryConditions c = Defaults();
    test.set(c);
    EXPECT_EQ(Narrow(kQuickHead + test.conditions + u" ORDER BY a.irid DESC"),
              Narrow(RecordFilterSql(c, QuickSearchTexts(), u"ddate", KindLookup())))
        << test.name;
  }
}

TEST(RecordFilterSql, DateColumnsAndBoundsOfTheDateKinds) {
  WaybillQueryConditions c = Defaults();
  c.dateKind = 2;
  c.dateFromBound = u"2024.03.05 08:00:00";
  c.dateToBound = u"2024.03.05 10:00:00";
  EXPECT_EQ(Narrow(RecordFilterSql(c, QuickSearchTexts(), WaybillDateColumn(2), KindLookup())),
            "SELECT TOP 2000 a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate FROM brantle.dbo.client_rec "
            "AS a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE "
            "a.irid>0 AND a.dsenddate BETWEEN '2024.03.05 08:00:00' AND '2024.03.05 10:00:00' "
            "ORDER BY a.irid DESC");
  EXPECT_EQ(u"ddate", WaybillDateColumn(0));
  EXPECT_EQ(u"dsysdate", WaybillDateColumn(1));
  EXPECT_EQ(u"", WaybillDateColumn(3));
}

TEST(RecordFilterSql, EveryCallersHeadLimitAndOrdering) {
  // Each caller with the defaults and a waybill number: the head with its
  // limit, the range, the condition and its ordering.
  WaybillQueryConditions c = Defaults();
  c.waybillNo = u"BR";
  std::map<std::string, std::string> expected = {
      {"quick-search list",
       "SELECT TOP 2000 a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate FROM brantle.dbo.client_rec AS "
       "a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.irid>0 "
       "AND a.ddate BETWEEN '2024.03.01 0:0:0.0' AND '2024.03.10 23:59:59.998' AND a.cnum LIKE "
       "'%BR%' ORDER BY a.irid DESC"},
      {"full waybill page",
       "SELECT TOP 1000 a.irid,a.cnum,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER "
       "JOIN brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.ddate BETWEEN '2024.03.01 "
       "0:0:0.0' AND '2024.03.10 23:59:59.998' AND a.cnum LIKE '%BR%' ORDER BY a.irid"},
      {"full waybill page with pictures",
       "SELECT TOP 1000 a.irid,a.cnum,ISNULL(c.ilen,0) AS ilen FROM brantle.dbo.client_rec a WITH "
       "(NOLOCK) INNER JOIN brantle.dbo.client_arc b ON(a.icid=b.icid) LEFT OUTER JOIN "
       "brantle.dbo.client_rec_pic c ON(a.irid=c.irid) WHERE a.ddate BETWEEN '2024.03.01 "
       "0:0:0.0' AND '2024.03.10 23:59:59.998' AND a.cnum LIKE '%BR%' ORDER BY a.irid"},
      {"record check page",
       "SELECT TOP 5000 a.irid,a.cnum,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER "
       "JOIN brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.ddate BETWEEN '2024.03.01 "
       "0:0:0.0' AND '2024.03.10 23:59:59.998' AND a.cnum LIKE '%BR%' ORDER BY a.irid"},
      {"hand-over page",
       "SELECT TOP 1000 a.irid,a.cnum FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
       "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.isid>0 AND a.nstate IN(1,2) AND a.ddate "
       "BETWEEN '2024.03.01 0:0:0.0' AND '2024.03.10 23:59:59.998' AND a.cnum LIKE '%BR%' ORDER BY "
       "a.irid"},
      {"record query page",
       "SELECT TOP 20000 a.irid,a.cnum,b.cunitname FROM brantle.dbo.client_rec a INNER JOIN "
       "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.ddate BETWEEN '2024.03.01 0:0:0.0' AND "
       "'2024.03.10 23:59:59.998' AND a.cnum LIKE '%BR%' ORDER BY a.irid"},
  };
  for (const auto& [name, texts] : Callers()) {
    ASSERT_EQ(1u, expected.count(name)) << name;
    EXPECT_EQ(expected[name], Narrow(RecordFilterSql(c, texts, u"ddate", KindLookup()))) << name;
  }
}

TEST(RecordFilterSql, BagAndMasterAwbFormsOverrideEverythingElse) {
  // Dates, fields and a customer that the bag and AWB forms ignore.
  WaybillQueryConditions busy = Defaults();
  busy.waybillNo = u"BR";
  busy.customerId = 2;
  busy.recordState = 3;
  busy.typePak = false;
  busy.dateFromBound = u"1900.01.01 0:0:0.0";
  const std::map<std::string, RecordFilterTexts> callers = Callers();
  const RecordFilterTexts& full = callers.at("full waybill page");
  const RecordFilterTexts& query = callers.at("record query page");
  struct FormCase {
    const char* name;
    std::function<void(WaybillQueryConditions&)> set;
    const RecordFilterTexts* texts;
    std::string sql;
  };
  const std::vector<FormCase> cases = {
      {"three bags picked",
       [](auto& c) {
         c.bagNumbers = u"★";
         c.bagList = {u"B2024030001<装袋中>ID:1", u"B2024030003<已封袋>ID:3",
                      u"B2024030002<x>ID:2"};
       },
       &full,
       "SELECT a.irid,a.cnum,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
       "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.irid IN(SELECT irid FROM "
       "brantle.dbo.client_rec_xbag_item where ixid IN(1,3,2)) ORDER BY a.irid"},
      {"a bag item without an id counts as id 0",
       [](auto& c) { c.bagNumbers = u"★", c.bagList = {u"B1<x>", u"B2<x>ID:7"}; }, &query,
       "SELECT a.irid,a.cnum,b.cunitname FROM brantle.dbo.client_rec a INNER JOIN "
       "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.irid IN(SELECT irid FROM "
       "brantle.dbo.client_rec_xbag_item where ixid IN(0,7)) ORDER BY a.irid"},
      {"a bag number of 4 characters",
       [](auto& c) { c.bagNumbers = u"B'20"; }, &full,
       "SELECT a.irid,a.cnum,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
       "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.irid IN(SELECT irid FROM "
       "brantle.dbo.client_rec_xbag_item where ixid=(SELECT ISNULL(ixid,0) FROM "
       "brantle.dbo.client_rec_xbag where cxno='B''20')) ORDER BY a.irid"},
      {"the bag wins over a master AWB",
       [](auto& c) { c.bagNumbers = u"B2024030001", c.awbNumbers = u"999-12345675"; }, &full,
       "SELECT a.irid,a.cnum,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
       "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.irid IN(SELECT irid FROM "
       "brantle.dbo.client_rec_xbag_item where ixid=(SELECT ISNULL(ixid,0) FROM "
       "brantle.dbo.client_rec_xbag where cxno='B2024030001')) ORDER BY a.irid"},
      {"a master AWB of exactly 10 characters",
       [](auto& c) { c.awbNumbers = u"999-123456"; }, &full,
       "SELECT a.irid,a.cnum,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
       "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.cawb='999-123456' ORDER BY a.irid"},
      {"two master AWBs picked, state marks dropped",
       [](auto& c) {
         c.awbNumbers = u"★";
         c.awbList = {u"◎999-12345675<LAX>", u"\u3000781-00000011<FRA>"};
       },
       &query,
       "SELECT a.irid,a.cnum,b.cunitname FROM brantle.dbo.client_rec a INNER JOIN "
       "brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.cawb IN('999-12345675','781-00000011') "
       "ORDER BY a.irid"},
  };
  for (const FormCase& test : cases) {
    WaybillQueryConditions c = busy;
    test.set(c);
    EXPECT_EQ(test.sql, Narrow(RecordFilterSql(c, *test.texts, u"ddate", KindLookup()))) << test.name;
  }
}

TEST(RecordFilterSql, UserTextNeverLeavesItsLiteral) {
  // Whatever is typed, every value stays inside its quotes: outside the
  // literals the statement reads the same as with a harmless text.
  auto statement = [](const std::u16string& text) {
    WaybillQueryConditions c = Defaults();
    for (std::u16string* field : {&c.department, &c.destination, &c.tags, &c.reserved, &c.kind,
                                  &c.waybillNo, &c.transferNo, &c.referenceNo, &c.customsNo,
                                  &c.settlement, &c.receiver, &c.receiverPhone, &c.sender}) {
      *field = text;
    }
    return RecordFilterSql(c, QuickSearchTexts(), u"ddate", KindLookup());
  };
  // The statement without what its literals hold; "unclosed" when a
  // literal is left open.
  auto outside = [](const std::u16string& sql) {
    std::u16string out;
    bool inLiteral = false;
    for (size_t i = 0; i < sql.size(); ++i) {
      if (sql[i] == u'\'') {
        if (inLiteral && i + 1 < sql.size() && sql[i + 1] == u'\'') {
          ++i;
          continue;
        }
        inLiteral = !inLiteral;
        out += u'\'';
        continue;
      }
      if (!inLiteral) out += sql[i];
    }
    return inLiteral ? std::u16string(u"unclosed") : out;
  };
  const std::u16string plain = outside(statement(u"x"));
  const std::u16string hostile[] = {u"'; DROP TABLE client_rec; --", u"a'b''c'",
                                    u"[a-z]%_\\", u"%' OR '1'='1", u"'", u"''"};
  for (const std::u16string& text : hostile) {
    const std::u16string sql = statement(text);
    EXPECT_EQ(Utf8FromWide(plain), Utf8FromWide(outside(sql))) << Utf8FromWide(sql);
  }
  // LIKE values: "%" on both sides, quotes doubled, nothing else escaped.
  WaybillQueryConditions c = Defaults();
  c.receiver = u"[a]_%'";
  EXPECT_NE(std::u16string::npos,
            RecordFilterSql(c, QuickSearchTexts(), u"ddate", {}).find(u" AND a.creceiver LIKE '%[a]_%''%'"));
}

// ---- the conditions ----

TEST(WaybillQueryConditions, NewDefaultsAndReset) {
  WaybillQueryConditions c;
  c.SetNewDefaults(CivilDate{2024, 3, 10});
  EXPECT_EQ(u"2024.03.10", c.dateTo);
  EXPECT_EQ(u"2024.02.09", c.dateFrom);
  EXPECT_EQ(kRecordStateAny, c.recordState);
  EXPECT_EQ(0, c.dateKind);

  c.typeDocument = c.payCash = c.payChecked = false;
  c.recordState = 4;
  c.freightFrom = 3, c.weightTo = 9, c.pieces = -2;
  c.kind = u"DHL", c.sender = u"Amy", c.awbNumbers = u"★", c.bagNumbers = u"B1";
  c.customer = u"广州南方物流", c.customerId = 3;
  c.dateKind = 2;
  c.awbList = {u"a", u"b"};
  c.Reset();
  EXPECT_TRUE(c.typeDocument && c.payCash && c.payChecked);
  EXPECT_EQ(kRecordStateAny, c.recordState);
  EXPECT_EQ(0, c.freightFrom);
  EXPECT_EQ(0, c.weightTo);
  EXPECT_EQ(0, c.pieces);
  EXPECT_TRUE(c.kind.empty() && c.sender.empty() && c.awbNumbers.empty() && c.bagNumbers.empty());
  EXPECT_TRUE(c.customer.empty());
  EXPECT_EQ(0, c.customerId);
  // Kept: the dates, the date kind and the lists.
  EXPECT_EQ(u"2024.03.10", c.dateTo);
  EXPECT_EQ(2, c.dateKind);
  EXPECT_EQ(2u, c.awbList.size());
}

TEST(WaybillQueryConditions, DatePresetsByDateKind) {
  const QDateTime now(QDate(2024, 3, 15), QTime(9, 30, 5));
  WaybillQueryConditions c;
  c.dateFrom = u"2024.02.01";
  c.dateTo = u"2024.03.15";
  ApplyDatePreset(c, now);  // month cycle: the first of the month to today ...
  const std::u16string firstFrom = c.dateFrom, firstTo = c.dateTo;
  ApplyDatePreset(c, now);
  ApplyDatePreset(c, now);
  EXPECT_NE(std::make_pair(firstFrom, firstTo), std::make_pair(c.dateFrom, c.dateTo));
  ApplyDatePreset(c, now);  // ... and round again after three steps.
  EXPECT_EQ(std::make_pair(firstFrom, firstTo), std::make_pair(c.dateFrom, c.dateTo));
  for (int kind : {1, 2}) {
    c.dateKind = kind;
    ApplyDatePreset(c, now);
    EXPECT_EQ(u"2024.03.15 07:30:05", c.dateFrom);
    EXPECT_EQ(u"2024.03.15 09:30:05", c.dateTo);
  }
  c.dateKind = 1;
  ApplyDatePreset(c, QDateTime(QDate(2024, 3, 1), QTime(1, 0, 0)));
  EXPECT_EQ(u"2024.02.29 23:00:00", c.dateFrom) << "two hours back over midnight";
}

TEST(WaybillQueryConditions, DateCheckOfOk) {
  const CivilDate today{2024, 3, 15};
  auto text = [](int32_t id) { return u"<" + WideFromGbk(std::to_string(id)) + u">"; };
  struct DateCase {
    const char* name;
    int kind;
    std::u16string from, to, awb, bag;
    std::u16string fromBound, toBound, message;
  };
  const std::vector<DateCase> cases = {
      {"plain range", 0, u"2024-3-1", u"20240310", u"", u"", u"2024.03.01 0:0:0.0",
       u"2024.03.10 23:59:59.998", u""},
      {"a last date in the future becomes today", 0, u"2024.03.01", u"2025.01.01", u"", u"",
       u"2024.03.01 0:0:0.0", u"2024.03.15 23:59:59.998", u""},
      {"unreadable first date", 0, u"abc", u"2024.03.10", u"", u"", u"1900.01.01 0:0:0.0",
       u"2024.03.10 23:59:59.998", u"<170011>\r\n"},
      {"both unreadable", 0, u"x", u"", u"", u"", u"1900.01.01 0:0:0.0",
       u"1900.01.01 23:59:59.998", u"<170011>\r\n<170012>\r\n"},
      {"first after last", 0, u"2024.03.12", u"2024.03.10", u"", u"", u"2024.03.12 0:0:0.0",
       u"2024.03.10 23:59:59.998", u"<170013>"},
      {"a master AWB of 10 characters lets a bad date pass", 0, u"x", u"2024.03.10",
       u"999-123456", u"", u"1900.01.01 0:0:0.0", u"2024.03.10 23:59:59.998", u""},
      {"a bag number of 6 characters lets a bad date pass", 0, u"x", u"2024.03.10", u"",
       u"B20240", u"1900.01.01 0:0:0.0", u"2024.03.10 23:59:59.998", u""},
      {"a bag number of 5 characters does not", 0, u"x", u"2024.03.10", u"", u"B2024",
       u"1900.01.01 0:0:0.0", u"2024.03.10 23:59:59.998", u"<170011>\r\n"},
      {"send time: date-times, no message", 2, u"2024.03.15 07:30:05", u"2024-3-15 9:30",
       u"", u"", u"2024.03.15 07:30:05", u"2024.03.15 09:30:00", u""},
  };
  for (const DateCase& test : cases) {
    WaybillQueryConditions c;
    c.dateKind = test.kind;
    c.dateFrom = test.from;
    c.dateTo = test.to;
    c.awbNumbers = test.awb;
    c.bagNumbers = test.bag;
    EXPECT_EQ(Narrow(test.message), Narrow(CheckQueryDates(c, today, text))) << test.name;
    EXPECT_EQ(Narrow(test.fromBound), Narrow(c.dateFromBound)) << test.name;
    EXPECT_EQ(Narrow(test.toBound), Narrow(c.dateToBound)) << test.name;
    EXPECT_EQ(test.to, c.dateTo) << "the typed text stays: " << test.name;
  }
  // Several master AWBs or bags picked pin the records as well; the marker
  // with one item does not.
  WaybillQueryConditions c;
  c.dateFrom = u"x";
  c.dateTo = u"2024.03.10";
  c.awbNumbers = u"★";
  c.awbList = {u"a"};
  EXPECT_FALSE(CheckQueryDates(c, today, text).empty());
  c.awbList.push_back(u"b");
  EXPECT_TRUE(CheckQueryDates(c, today, text).empty());
}
