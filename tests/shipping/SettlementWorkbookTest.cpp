// The statement workbook's plan of cells: rows inserted and header items
// moved, placeholders, the ratio column, the text marks, every grid column
// written; and workbook names that two exports in one second never share.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "print/TemplateModel.h"
#include "shipping/SettlementWorkbook.h"

namespace {

using settlement::CellWrite;
using settlement::StatementData;
using settlement::WorkbookPlan;
using settlement::WorkbookSettings;

// Grid columns: 0 number, 1 cnum, 2 fsprice, 3 famount, 4 cmemo (the last).
StatementData Data(int rows) {
  StatementData d;
  for (int i = 0; i < rows; ++i)
    d.rows.push_back({WideFromGbk(std::to_string(i + 1)), u"00012" + WideFromGbk(std::to_string(i)),
                      i == 1 ? u"0.00" : u"60.00", u"45.00", u"=memo"});
  d.rows.push_back({u"合计", u"", u"", WideFromGbk(std::to_string(45 * rows) + ".00"), u""});
  d.waybillNoColumn = 1;
  d.salePriceColumn = 2;
  d.amountColumn = 3;
  d.customer.unitName = GbkFromWide(u"深圳华南贸易有限公司");
  d.customer.account = "C001";
  d.period = u"2024.03.01 - 2024.03.31";
  d.deposit = 5000;
  d.availableDeposit = 4500;
  d.userName = "admin";
  d.year = 2026;
  d.month = 1;
  d.day = 9;
  return d;
}

const CellWrite* At(const WorkbookPlan& plan, int row, int column) {
  for (const CellWrite& c : plan.cells)
    if (c.row == row && c.column == column) return &c;
  return nullptr;
}

TemplateItem Item(int row, int column, const char16_t* text) {
  TemplateItem item;
  item.row = row;
  item.column = column;
  item.text = GbkFromWide(text);
  return item;
}

}  // namespace

TEST(SettlementWorkbook, RowsInsertedAndHeaderItemsBelowMoveDown) {
  WorkbookSettings s;
  s.firstRow = 5;
  s.insertMode = 1;
  const std::vector<TemplateItem> header = {Item(1, 1, u"[客户名称]"), Item(5, 2, u"at R0"),
                                            Item(7, 1, u"合计 [费用合计]")};
  const WorkbookPlan plan = settlement::PlanStatement(Data(3), s, header);
  EXPECT_EQ(plan.insertAt, 5);
  EXPECT_EQ(plan.inserted, 3) << "3 rows and the totals row";
  ASSERT_NE(At(plan, 1, 1), nullptr);
  EXPECT_EQ(At(plan, 1, 1)->text, u"深圳华南贸易有限公司");
  ASSERT_NE(At(plan, 10, 1), nullptr) << "two rows below R0 ends up five rows below";
  EXPECT_EQ(At(plan, 10, 1)->text, u"合计 '135.00");
  // Every grid column, the last statement column included, in sheet columns 1..5.
  EXPECT_EQ(At(plan, 5, 1)->text, u"1");
  EXPECT_EQ(At(plan, 5, 2)->text, u"'000120") << "a waybill number keeps its zeros";
  EXPECT_EQ(At(plan, 5, 5)->text, u"'=memo") << "a text starting with = stays text";
  EXPECT_EQ(At(plan, 8, 4)->text, u"135.00");
  EXPECT_TRUE(At(plan, 8, 4)->typed);
  EXPECT_EQ(At(plan, 5, 6), nullptr) << "no ratio column without a ratio mode";

  s.insertMode = 0;
  const WorkbookPlan over = settlement::PlanStatement(Data(3), s, header);
  EXPECT_EQ(over.inserted, 0);
  EXPECT_NE(At(over, 7, 1), nullptr);
  s.firstRow = 1;
  EXPECT_TRUE(settlement::PlanStatement(Data(3), s, header).cells.empty()) << "unusable start row";
}

TEST(SettlementWorkbook, RatioColumnAfterTheLastColumn) {
  WorkbookSettings s;
  s.firstRow = 3;
  s.ratioMode = 1;
  WorkbookPlan plan = settlement::PlanStatement(Data(2), s, {});
  EXPECT_EQ(At(plan, 3, 6)->text, u"75");
  EXPECT_EQ(At(plan, 4, 6)->text, u"0") << "a sale price of 0";
  EXPECT_FALSE(At(plan, 3, 6)->typed);
  s.ratioMode = 2;
  plan = settlement::PlanStatement(Data(2), s, {});
  EXPECT_EQ(At(plan, 3, 6)->text, u"0.75");
}

TEST(SettlementWorkbook, Placeholders) {
  StatementData d = Data(1);
  d.customer.taxNumber = "91440300";
  const std::string all = GbkFromWide(
      u"[客户账号]|[税号]|[票证号]|[起止日期]|[费用合计]|[费用合计大写]|[结算余额]|[总计余额]|"
      u"[制单人]|[制单日期]");
  EXPECT_EQ(WideFromGbk(settlement::ReplacePlaceholders(all, d)),
            u"C001|91440300||2024.03.01 - 2024.03.31|'45.00|肆拾伍圆整|'5000.00|4500.00|admin|2026-01-09");
  d.rows.back()[3] = u"0.004";
  EXPECT_EQ(WideFromGbk(settlement::ReplacePlaceholders(GbkFromWide(u"A[费用合计]B[费用合计大写]C"), d)),
            u"ABC") << "a fee total under 0.01 removes both";
}

TEST(SettlementWorkbook, TwoExportsInOneSecondKeepTheirOwnFiles) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("brantle-statement-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string base = folder.string() + "/";
  const std::string first = settlement::ReserveWorkbookPath(base, "客户结算单", 1700000000);
  const std::string second = settlement::ReserveWorkbookPath(base, "客户结算单", 1700000000);
  EXPECT_EQ(first, base + "客户结算单_1700000000.xls");
  EXPECT_EQ(second, base + "客户结算单_1700000000_2.xls");
  EXPECT_TRUE(std::filesystem::exists(first));
  EXPECT_TRUE(settlement::ReserveWorkbookPath(base + "missing/", "x", 1).empty());
  std::filesystem::remove_all(folder);
}
