// The rules the renderers share, without a workbook: copy counts, address
// lines, the invoice cell map lines and the label geometry.

#include <QString>

#include <gtest/gtest.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "print/InvoiceCellMap.h"
#include "print/LabelLayout.h"
#include "print/PrintFields.h"
#include "print/PrintText.h"
#include "print/TemplateModel.h"

namespace {

std::string Gbk(const char* utf8) { return GbkFromWide(QString::fromUtf8(utf8).toStdU16String()); }
std::string Utf8(const std::string& gbk) {
  return QString::fromStdU16String(WideFromGbk(gbk)).toStdString();
}

TEST(CopyCountTest, ForceOffsetIsSubtractedNotTakenModulo) {
  struct Case { int in, out; } cases[] = {
      {1, 1}, {0, 1}, {-3, 1}, {3, 3}, {10, 10}, {20, 20}, {103, 3}, {109, 9}, {101, 1}, {500, 99}};
  for (auto c : cases) EXPECT_EQ(CopiesToPrint(c.in), c.out) << c.in;
}

TEST(AddressLinesTest, SplitsAtBlanksAndKeepsDoubleByteCharactersWhole) {
  struct Case { const char* text; const char* l1; const char* l2; const char* l3; } cases[] = {
      {"", "", "", ""},
      {"short street", "short street", "", ""},
      {"line one\nline two\nline three\nfour", "line one", "line two", "line three four"},
      {"100 Main Street Apartment 12B Springfield Illinois USA", "100 Main Street Apartment 12B",
       "Springfield Illinois USA", ""},
      // 14 characters (28 bytes) then one that straddles byte 30: kept whole.
      {"一二三四五六七八九十一二三四五六七八九十", "一二三四五六七八九十一二三四五", "六七八九十", ""},
      {"深圳市 南山区 科技园 深南大道 一万号 腾讯大厦 十八楼 前台", "深圳市 南山区 科技园 深南大道",
       "一万号 腾讯大厦 十八楼 前台", ""},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "aaaaaaaaaaa"},
      {"<b>Room</b> 5 &amp; 6", "Room 5 & 6", "", ""},
  };
  for (auto c : cases) {
    std::string a, b, d;
    SplitAddressLines(Gbk(c.text), a, b, d, 30);
    EXPECT_EQ(Utf8(a), c.l1) << c.text;
    EXPECT_EQ(Utf8(b), c.l2) << c.text;
    EXPECT_EQ(Utf8(d), c.l3) << c.text;
    EXPECT_LE(a.size(), 30u);
  }
}

TEST(DigitTextTest, OnlyNumberTextsGetTheApostrophe) {
  EXPECT_EQ(DigitText("13800138000"), u"'13800138000");
  EXPECT_EQ(DigitText("+1-555.0"), u"'+1-555.0");
  EXPECT_EQ(DigitText("555 0100"), u"555 0100");
  EXPECT_EQ(DigitText(""), u"");
}

TEST(InvoiceCellMapTest, ParsesCellLines) {
  CInvoiceCellMap map;
  map.ParseLine(Gbk("收件人姓名=B7"));
  EXPECT_EQ(*map.FieldCell(6), std::make_pair(7, 2));
  map.ParseLine(Gbk("收件人姓名=c9"));
  EXPECT_EQ(*map.FieldCell(6), std::make_pair(9, 3));
  map.ParseLine(Gbk("收件人电话=AB7"));
  EXPECT_EQ(*map.FieldCell(8), std::make_pair(0, 0));
  map.ParseLine(Gbk("中文物品描述=A20"));
  EXPECT_EQ(*map.FieldCell(21), std::make_pair(20, 1));
  EXPECT_EQ(map.FieldCell(57), nullptr);

  CTemplateModel model(Gbk("形式发票"), Gbk("t"));
  model.SetText(Gbk("#comment=A1\r\n中文物品描述=A20\r\n运单号=B2\r\n物品总行数=8\r\n"));
  model.SetWorkbook("x");
  map.Load(&model);
  EXPECT_EQ(map.IsLoaded(), 1);
  EXPECT_EQ(map.DescriptionMode(), 0);
  EXPECT_EQ(*map.FieldCell(0), std::make_pair(2, 2));
  EXPECT_EQ(*map.FieldCell(6), std::make_pair(0, 0)) << "a reload clears the cells";
  EXPECT_EQ(map.GoodsLineCount(), 8);
}

TEST(LabelLayoutTest, GeometryOfLabelK) {
  CPrintFieldDictionary fields;
  fields.Build(AppLanguage());
  struct Case { const char* keys; int perSheet; int k; int column, row; } cases[] = {
      {"横向标签个数=2\n横向每标签占有栏数=3\n标签横向间隔栏数=1\n纵向标签个数=2\n纵向每标签占有行数=4\n标签纵向间隔行数=2\n",
       4, 3, 7, 11},
      {"横向标签个数=5\n纵向标签个数=101\n", 1, 0, 3, 5},
      {"横向标签个数=3\n纵向标签个数=2\n", 6, 4, 4, 6},
  };
  for (auto c : cases) {
    CTemplateModel model(Gbk("快件标签"), Gbk(c.keys));
    model.SetText(Gbk((std::string(c.keys) + "<列表定义开始>\n内部单号=C5\n<列表定义结束>\n").c_str()));
    model.SetWorkbook("x");
    CLabelLayout layout;
    ASSERT_EQ(layout.Load(&model, fields), 1);
    EXPECT_EQ(layout.LabelsPerSheet(), c.perSheet) << c.keys;
    int column = 0, row = 0;
    ASSERT_EQ(layout.CellOfField(Gbk("内部单号"), column, row, c.k), 1);
    EXPECT_EQ(column, c.column) << c.keys;
    EXPECT_EQ(row, c.row) << c.keys;
    EXPECT_EQ(layout.CellOfField(Gbk("不存在"), column, row, 0), 0);
  }
  CTemplateModel noBook(Gbk("快件标签"), Gbk("n"));
  CLabelLayout layout;
  EXPECT_EQ(layout.Load(&noBook, fields), 0);
  EXPECT_EQ(layout.HasTemplate(), 0);
}

}  // namespace
