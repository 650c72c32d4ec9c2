// The settlement statement without its window: the user's layout, the
// statement text with its conditions, and the rows with their totals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "refdata/ColumnCatalog.h"
#include "shipping/SettlementStatement.h"

namespace {

using settlement::CStatementColumns;
using settlement::StatementConditions;

const CColumnCatalog& Catalog() {
  static CColumnCatalog catalog;
  if (!catalog.Built()) catalog.Build(AppLanguage());
  return catalog;
}

std::string Lines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "0\n";
  return text;
}

std::vector<int> Numbers(const CStatementColumns& c) {
  std::vector<int> n;
  for (const auto& column : c.Columns()) n.push_back(column.number);
  return n;
}

StatementConditions March() {
  StatementConditions c;
  c.customerId = 7;
  c.dateFrom = u"2024.03.01 0:0:0.0";
  c.dateTo = u"2024.03.31 23:59:59.998";
  return c;
}

// The conditions after the date range.
std::u16string Tail(const StatementConditions& c) {
  CStatementColumns columns(Catalog());
  columns.AddColumn(12, 1, 80, 0);
  const std::u16string sql = settlement::StatementSql(columns, c);
  const size_t at = sql.find(u"23:59:59.998'");
  return sql.substr(at + 13, sql.size() - at - 13 - std::u16string(u" ORDER BY a.ddate,a.irid").size());
}

}  // namespace

TEST(SettlementStatement, LayoutColumnBlockFromTheNineteenthLine) {
  CStatementColumns columns(Catalog());
  const std::string layout = Lines(18) + "_ColBegin_\n1\t12\t1\t80\n0\t9999\t0\t50\n0\t13\t2\t90\n" +
                             "0\t11\n0\t18\t0\t80\n_ColEnd_\n";
  EXPECT_EQ(columns.LoadLayout(layout), 2) << "an unknown number is skipped; two fields end the block";
  ASSERT_EQ(Numbers(columns), (std::vector<int>{12, 13}));
  EXPECT_EQ(columns.Columns()[0].alignment, 1);
  EXPECT_EQ(columns.Columns()[0].width, 80);
  EXPECT_EQ(columns.Columns()[0].flag, 1);
  EXPECT_EQ(columns.Position(settlement::kAmount), 1);
  EXPECT_EQ(columns.Position(settlement::kDestination), 2);
  EXPECT_EQ(columns.Position(settlement::kDate), -1);

  CStatementColumns early(Catalog());
  EXPECT_EQ(early.LoadLayout(Lines(10) + "_ColBegin_\n1\t12\t1\t80\n_ColEnd_\n" + Lines(10)), 0)
      << "a block within the first 18 lines is not found";
  EXPECT_EQ(early.LoadLayout(Lines(17)), 0);
  CStatementColumns open(Catalog());
  EXPECT_EQ(open.LoadLayout(Lines(18) + "_ColBegin_\n0\t12\t1\t80"), 0) << "no closing line break";
}

TEST(SettlementStatement, DefaultColumnsAndTheQualifiedSelectList) {
  CStatementColumns columns(Catalog());
  columns.SetDefaultColumns();
  EXPECT_EQ(Numbers(columns), (std::vector<int>{18, 19, 28, 43, 13, 11, 23, 12, 16, 10, 88, 24}));
  CStatementColumns mixed(Catalog());
  mixed.AddColumn(0, 0, 100, 0);
  mixed.AddColumn(12, 1, 80, 0);
  EXPECT_EQ(mixed.SelectList(), u"b.cunitname,a.famount");
  EXPECT_EQ(mixed.Types().size(), 3u);
  const std::u16string sql = settlement::StatementSql(mixed, March());
  EXPECT_EQ(sql,
            u"SELECT TOP 20000 b.cunitname,a.famount,a.irid FROM brantle.dbo.client_rec a WITH "
            u"(NOLOCK) INNER JOIN brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.icid=7 AND "
            u"a.ddate BETWEEN '2024.03.01 0:0:0.0' AND '2024.03.31 23:59:59.998' ORDER BY "
            u"a.ddate,a.irid");
}

TEST(SettlementStatement, Conditions) {
  struct Case {
    const char* name;
    void (*set)(StatementConditions&);
    std::u16string tail;
  };
  const Case cases[] = {
      {"no condition", [](auto&) {}, u""},
      {"monthly", [](auto& c) { c.payMonthly = true; }, u" AND a.npayway=0"},
      {"cash", [](auto& c) { c.payCash = true; }, u" AND a.npayway=1"},
      {"collect", [](auto& c) { c.payCollect = true; }, u" AND a.npayway=2"},
      {"monthly and cash", [](auto& c) { c.payMonthly = c.payCash = true; }, u" AND a.npayway IN(0,1)"},
      {"cash and collect", [](auto& c) { c.payCash = c.payCollect = true; }, u" AND a.npayway IN(1,2)"},
      {"monthly and collect", [](auto& c) { c.payMonthly = c.payCollect = true; },
       u" AND a.npayway IN(0,2)"},
      {"all three ways", [](auto& c) { c.payMonthly = c.payCash = c.payCollect = true; }, u""},
      {"unsettled", [](auto& c) { c.unsettled = true; }, u" AND a.ifid=0"},
      {"settled", [](auto& c) { c.settled = true; }, u" AND a.ifid>0"},
      {"both settlement boxes", [](auto& c) { c.settled = c.unsettled = true; }, u""},
      {"state 0", [](auto& c) { c.state = 0; }, u" AND a.nstate=0"},
      {"state 10", [](auto& c) { c.state = 10; }, u" AND a.nstate=10"},
      {"state 11", [](auto& c) { c.state = 11; }, u""},
      {"state 12", [](auto& c) { c.state = 12; }, u" AND a.nstate>0"},
      {"state 13", [](auto& c) { c.state = 13; }, u" AND a.nstate<3"},
      {"state 14", [](auto& c) { c.state = 14; }, u" AND a.nstate>3"},
      {"department with a quote", [](auto& c) { c.department = u" O'Hare "; },
       u" AND a.cdepart='O''Hare'"},
      {"tag", [](auto& c) { c.tag = u"VIP"; }, u" AND a.cmark LIKE '%VIP%'"},
      {"reserve", [](auto& c) { c.reserve = u"R3"; }, u" AND a.creserve LIKE '%R3%'"},
      {"two kinds", [](auto& c) { c.kinds = {u"DHL", u"Z'Z"}; }, u" AND a.cemskind IN('DHL','Z''Z')"},
      {"control code", [](auto& c) { c.controlCode = u"K1"; }, u" AND a.ccode='K1'"},
      {"blank control code", [](auto& c) { c.controlCode = u"  "; }, u""},
  };
  for (const Case& k : cases) {
    StatementConditions c = March();
    k.set(c);
    EXPECT_EQ(Tail(c), k.tail) << k.name;
  }
}

TEST(SettlementStatement, AStatementOfAnyLength) {
  StatementConditions c = March();
  for (int i = 0; i < 900; ++i) c.kinds.push_back(u"KIND" + WideFromGbk(std::to_string(i)));
  CStatementColumns columns(Catalog());
  columns.SetDefaultColumns();
  const std::u16string sql = settlement::StatementSql(columns, c);
  EXPECT_GT(sql.size(), 4096u);
  EXPECT_NE(sql.find(u"'KIND899') ORDER BY a.ddate,a.irid"), std::u16string::npos);
}

TEST(SettlementStatement, RowsShowEachColumnInItsFormatWithTotals) {
  CStatementColumns columns(Catalog());
  for (int n : {28, 18, 11, 12, 17, 108, 96, 175, 50, 115, 62, 10}) ASSERT_TRUE(columns.AddColumn(n, 0, 50, 0)) << n;
  const std::string list =
      R"([{"0":"BR001","1":"2024-03-04 10:03:00","2":1.5,"3":103.456,"4":7.5,"5":1250,"6":123456,)"
      R"("7":2500000,"8":2,"9":3,"10":0.12345,"11":0,"12":11},)"
      R"({"0":"BR002","1":"2024-03-05 00:00:00","2":2.25,"3":10,"4":1,"5":99,"6":44,)"
      R"("7":500000,"8":1,"9":0,"10":1,"11":1,"12":7}])";
  std::vector<settlement::StatementRow> rows;
  EXPECT_EQ(settlement::ReadStatementRows(columns, list, AppLanguage(), 1, rows), 11u);
  ASSERT_EQ(rows.size(), 2u);
  const std::vector<std::u16string> first = {u"1", u"BR001", u"2024-03-04", u"1.500", u"103.46", u"",
                                             u"12.50", u"1234.56", u"2.5000", u"2", u"3", u"0.1235",
                                             AppLanguage().ItemTypeText(0)};
  EXPECT_EQ(rows[0].cells, first);
  EXPECT_EQ(rows[0].irid, 11);
  EXPECT_EQ(rows[1].cells[0], u"2");
  const settlement::StatementRow totals = settlement::TotalsRow(columns, rows, AppLanguage());
  const std::vector<std::u16string> expected = {AppLanguage().Text(20034), u"", u"", u"3.750", u"113.46",
                                                u"", u"", u"1235.00", u"3.0000", u"3", u"", u"", u""};
  EXPECT_EQ(totals.cells, expected) << "the unit price, ifid and rates are not summed";
}

TEST(SettlementStatement, Deposit) {
  double deposit = 1, available = 2;
  EXPECT_EQ(settlement::DepositSql(5), "SELECT fdeposit,fPay0+fPay1 FROM brantle.dbo.client_arc WHERE icid=5");
  EXPECT_FALSE(settlement::ReadDeposit(R"({"ReturnValue":1,"iTotal":0})", deposit, available));
  EXPECT_EQ(deposit, 1);
  EXPECT_TRUE(settlement::ReadDeposit(R"({"ReturnValue":1,"iTotal":1,"List":[{"0":5000,"1":500}]})",
                                      deposit, available));
  EXPECT_EQ(deposit, 5000);
  EXPECT_EQ(available, 4500);
}
