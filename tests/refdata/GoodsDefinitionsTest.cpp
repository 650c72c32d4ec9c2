#include "refdata/GoodsDefinitions.h"

#include <cstring>

#include <gtest/gtest.h>

#include "../office/OfficeTestEnv.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"

using namespace officetest;

namespace {

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment(OfficeEnvironment::kHoldSuite));

std::u16string Repeat(std::u16string_view unit, int n) {
  std::u16string s;
  for (int i = 0; i < n; ++i) s += unit;
  return s;
}

// Writes a goods workbook: each row's cells are texts, except the entries of
// `numbers` (column 6 to 8) written as numbers.
void MakeGoodsBook(const fs::path& file, std::u16string_view header,
                   const std::vector<std::vector<std::u16string>>& rows,
                   const std::vector<std::vector<std::u16string>>& textRows = {}) {
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"goods", file.u16string(), {}, false), 1);
  s.SetCellText(1, 1, header);
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) {
      int row = static_cast<int>(r) + 2, column = static_cast<int>(c) + 1;
      if (column >= 6 && column <= 8 && !rows[r][c].empty())
        s.SetCell(row, column, CellValue(std::stod(std::string(rows[r][c].begin(), rows[r][c].end()))));
      else
        s.SetCellText(row, column, rows[r][c]);
    }
  // Rows whose number columns hold texts, after the others.
  for (size_t r = 0; r < textRows.size(); ++r)
    for (size_t c = 0; c < textRows[r].size(); ++c)
      s.SetCellText(static_cast<int>(rows.size() + r) + 2, static_cast<int>(c) + 1, textRows[r][c]);
  ASSERT_EQ(s.SaveAndClose(), 1);
}

TEST(GoodsDefinitionsTest, LoadsRowsWithTheirChecks) {
  fs::path folder = TestFolder();
  std::u16string longCode = Repeat(U16("货"), 62);
  MakeGoodsBook(folder / "ParseGoods.xls", U16("  物品乙码 "),
                {
                    {u"G001", U16(" 手机 "), u"Mobile phone", u"A-1", u"C-1", u"12.5", u"100",
                     u"0.13", U16("备注")},
                    {u"G001", u"duplicate", u"x"},
                    {u"G002", u"Cable", u"", u"", u"", u"0.005", u"0.0005", u"0.0005", u""},
                    {Repeat(u"X", 63), u"too long code"},
                    {longCode, u"long Chinese code"},
                    {Repeat(u"Y", 62), u"62 characters"},
                    {u"", u"no code"},
                    {u"G004", u""},
                    {u"G005", Repeat(u"n", 255)},
                    {u"G003", u"Lamp", Repeat(u"a", 255), Repeat(u"b", 64), Repeat(u"c", 63),
                     u"0.01", u"0.001", u"0.001", Repeat(u"e", 255)},
                },
                {
                    {u"G006", u"Text numbers", u"", u"", u"", u" 2.5kg", u"1e999", u"infinity"},
                    {u"G007", u"More text numbers", u"", u"", u"", u"nan", u"0x10", u"+.5"},
                });
  CGoodsDefinitions goods;
  ASSERT_EQ(goods.Load(folder), 7);
  std::vector<std::string> codes;
  for (const auto& g : goods.Items()) codes.push_back(g.cgcodeb);
  std::string cutChinese = GbkFromWide(Repeat(U16("货"), 31));  // 62 of 63 bytes
  EXPECT_EQ(codes, (std::vector<std::string>{"G001", "G002", cutChinese, std::string(62, 'Y'),
                                             "G003", "G006", "G007"}));

  auto g1 = goods.FindByCode("G001");
  ASSERT_TRUE(g1);
  EXPECT_EQ(g1->cgoods, GbkFromWide(U16("手机")));
  EXPECT_EQ(g1->cgoodsa, "Mobile phone");
  EXPECT_EQ(g1->cgcodea, "A-1");
  EXPECT_EQ(g1->cgcodec, "C-1");
  EXPECT_DOUBLE_EQ(g1->fprice, 12.5);
  EXPECT_DOUBLE_EQ(g1->fgcustom, 100);
  EXPECT_DOUBLE_EQ(g1->fgcrate, 0.13);
  EXPECT_EQ(g1->extra, GbkFromWide(U16("备注")));
  EXPECT_EQ(g1->iquantity, 0);

  auto g2 = goods.FindByCode("G002");
  ASSERT_TRUE(g2);
  EXPECT_EQ(g2->fprice, 0);
  EXPECT_EQ(g2->fgcustom, 0);
  EXPECT_EQ(g2->fgcrate, 0);
  EXPECT_EQ(g2->cgoodsa, "");

  auto g3 = goods.FindByCode("G003");
  ASSERT_TRUE(g3);
  EXPECT_DOUBLE_EQ(g3->fprice, 0.01);
  EXPECT_DOUBLE_EQ(g3->fgcustom, 0.001);
  EXPECT_DOUBLE_EQ(g3->fgcrate, 0.001);
  EXPECT_EQ(g3->cgoodsa, "");  // 255 characters: not taken
  EXPECT_EQ(g3->cgcodea, "");  // 64 characters: not taken
  EXPECT_EQ(g3->cgcodec.size(), 63u);
  EXPECT_EQ(g3->extra, "");

  // Texts in the number columns: only decimal numbers in range count.
  auto g6 = goods.FindByCode("G006");
  ASSERT_TRUE(g6);
  EXPECT_DOUBLE_EQ(g6->fprice, 2.5);
  EXPECT_EQ(g6->fgcustom, 0);
  EXPECT_EQ(g6->fgcrate, 0);
  auto g7 = goods.FindByCode("G007");
  ASSERT_TRUE(g7);
  EXPECT_EQ(g7->fprice, 0);
  EXPECT_EQ(g7->fgcustom, 0);
  EXPECT_DOUBLE_EQ(g7->fgcrate, 0.5);

  EXPECT_FALSE(goods.FindByCode("G004"));
  EXPECT_FALSE(goods.FindByCode("G005"));
  EXPECT_FALSE(goods.FindByCode("g001"));

  // A second load appends nothing new: every code is held already.
  EXPECT_EQ(goods.Load(folder), 7);
}

TEST(GoodsDefinitionsTest, WrongHeaderOrNoWorkbookLoadsNothing) {
  fs::path folder = TestFolder();
  CGoodsDefinitions goods;
  EXPECT_EQ(goods.Load(folder), 0);  // no ParseGoods.xls
  MakeGoodsBook(folder / "ParseGoods.xls", U16("物品编码"), {{u"G001", u"Phone"}});
  EXPECT_EQ(goods.Load(folder), 0);
  EXPECT_EQ(goods.Count(), 0u);
  WriteFile(folder / "ParseGoods.xls", "not a workbook");
  EXPECT_EQ(goods.Load(folder), 0);
}

}  // namespace
