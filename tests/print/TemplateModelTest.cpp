#include "print/TemplateModel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "common/Base64.h"
#include "common/TextCodec.h"
#include "print/TemplateCache.h"
#include "server/ServerLink.h"
#include "tests/TempFolder.h"

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }

std::unique_ptr<CTemplateModel> Parsed(std::u16string_view text) {
  auto model = std::make_unique<CTemplateModel>(G(u"快件标签"), G(u"测试"));
  model->SetText(G(text));
  return model;
}


TEST(TemplateCellAddressTest, Table) {
  struct Case {
    std::string_view text;
    bool ok;
    int32_t row, column;
  } cases[] = {
      {"A1", true, 1, 1},     {"B3", true, 3, 2},    {"Z9", true, 9, 26},
      {"AA1", true, 1, 27},   {"AB12", true, 12, 28}, {"AZ2", true, 2, 52},
      {"BA7", true, 7, 53},   {"A0", false, 0, 1},   {"=x", false, 0, 0},
      {"12", false, 0, 0},    {"", false, 0, 0},     {"A", false, 0, 0},
  };
  for (const Case& c : cases) {
    int32_t row = 0, column = 0;
    EXPECT_EQ(ParseCellAddress(c.text, row, column), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(row, c.row) << c.text;
      EXPECT_EQ(column, c.column) << c.text;
    }
  }
}

TEST(TemplateTextTest, HeaderBlockItems) {
  auto m = Parsed(
      u"打印页数=1\r\n<头定义开始>\r\nAB12=x\r\nB3=运单 = 号 \r\n#C4=comment\r\nA0=zero row\r\nno "
      u"equals\r\nC5=" + std::u16string(256, u'a') + u"\r\n<头定义结束>\r\n");
  ASSERT_EQ(m->HeaderItems().size(), 2u);
  EXPECT_EQ(m->HeaderItems()[0].column, 28);
  EXPECT_EQ(m->HeaderItems()[0].row, 12);
  EXPECT_EQ(m->HeaderItems()[0].text, "x");
  EXPECT_EQ(m->HeaderItems()[1].column, 2);
  EXPECT_EQ(m->HeaderItems()[1].row, 3);
  EXPECT_EQ(m->HeaderItems()[1].text, G(u"运单 = 号 "));  // kept as it stands
  EXPECT_EQ(m->HasItems(), 1);
  EXPECT_TRUE(m->ListItems().empty());
}

TEST(TemplateTextTest, ListBlockItems) {
  auto m = Parsed(
      u"<列表定义开始>\n运单号 \t=C5\n\"a=b 文字\"=D7\n#目的地=E1\n件数=A0\n目的地=AB3\n"
      u"\"open quote=E9\n收件人=F1\n<列表定义结束>\n");
  ASSERT_EQ(m->ListItems().size(), 3u);
  EXPECT_EQ(m->ListItems()[0].text, G(u"运单号"));
  EXPECT_EQ(m->ListItems()[0].column, 3);
  EXPECT_EQ(m->ListItems()[0].row, 5);
  EXPECT_EQ(m->ListItems()[0].literal, 0);
  EXPECT_EQ(m->ListItems()[1].text, G(u"a=b 文字"));
  EXPECT_EQ(m->ListItems()[1].literal, 1);
  EXPECT_EQ(m->ListItems()[1].column, 4);
  EXPECT_EQ(m->ListItems()[1].row, 7);
  EXPECT_EQ(m->ListFieldColumn(G(u"目的地")), 28);
  EXPECT_EQ(m->ListFieldColumn(G(u"收件人")), -1);  // after the open quote: not read
  int32_t column = 0, row = 0;
  EXPECT_EQ(m->ListFieldCell(G(u"目的地"), column, row), 1);
  EXPECT_EQ(row, 3);
  EXPECT_EQ(m->ListFieldCell(G(u"件数"), column, row), 0);
  EXPECT_EQ(m->FirstListRow(), 5);
  std::u16string literal;
  EXPECT_EQ(m->GetLiteralListEntry(1, literal), 4);
  EXPECT_EQ(literal, u"a=b 文字");
  EXPECT_EQ(m->GetLiteralListEntry(2, literal), -1);
}

TEST(TemplateTextTest, BlocksNeedBothMarkersInOrder) {
  EXPECT_TRUE(Parsed(u"<头定义开始>\nA1=x\n")->HeaderItems().empty());
  EXPECT_TRUE(Parsed(u"<头定义结束>\nA1=x\n<头定义开始>\n")->HeaderItems().empty());
  EXPECT_EQ(Parsed(u"")->HasItems(), 0);
}

TEST(TemplateTextTest, KeyLines) {
  auto m = Parsed(
      u"x打印页数=5\r\n打印页数=2\r\n全部转换大写   =是\r\n四个空格    =否\r\n"
      u"宽度\r\nA=3\r\n地址格=ab12\r\n坏格1=12\r\n坏格2=ABC12\r\n坏格3=B2 \r\n末格=B2");
  EXPECT_EQ(m->GetInt(u"打印页数"), 2);  // the occurrence not at a line start is skipped
  EXPECT_EQ(m->GetInt(u"没有"), -1);
  EXPECT_EQ(m->GetString(u"全部转换大写"), u"是");
  EXPECT_EQ(m->GetString(u"四个空格"), u"");
  std::string gbk;
  EXPECT_EQ(m->GetString(u"打印页数", &gbk), u"2");
  EXPECT_EQ(gbk, "2");
  int32_t row = 0, column = 0;
  EXPECT_EQ(m->GetCell(u"地址格", row, column), 28);
  EXPECT_EQ(row, 12);
  for (std::u16string_view key : {u"坏格1", u"坏格2", u"坏格3", u"末格", u"没有"})
    EXPECT_EQ(m->GetCell(key, row, column), -1) << Utf8FromWide(key);
  CTemplateModel empty(G(u"快件标签"), G(u"空"));
  EXPECT_EQ(empty.GetInt(u"打印页数"), -1);
  EXPECT_EQ(empty.GetString(u"打印页数"), u"");
}

TEST(TemplateTextTest, NamedBlocksAndRestrictions) {
  // Blocks are measured with their leading line break: 1024 bytes is too
  // long, 1023 is not.
  std::u16string x(1022, u'x');
  auto m = Parsed(u"目的地限制=美国,日本\r\n快递类别限制=DHL\r\n<二维码定义开始>\r\n\r\n"
                  u"[运单号]/[重量]\r\n<二维码定义结束>\r\n<大块开始>\r\n" + x +
                  u"<大块结束><小块开始>\r\n" + x.substr(1) + u"<小块结束>");
  EXPECT_EQ(m->GetBlock(u"二维码定义"), u"[运单号]/[重量]\r\n");
  EXPECT_EQ(m->GetBlock(u"大块"), u"");
  EXPECT_EQ(m->GetBlock(u"小块"), x.substr(1));
  EXPECT_EQ(m->GetBlock(u"没有"), u"");
  EXPECT_EQ(m->DestinationRestrictionW(), u"美国,日本");
  EXPECT_EQ(m->KindRestriction(), "DHL");
}

TEST(TemplateTextTest, KindsAndNames) {
  std::string kind;
  EXPECT_EQ(TemplateKindFromName(u"TAB_1.xls", &kind), -1);
  EXPECT_EQ(kind, G(u"渠道面单"));
  EXPECT_EQ(TemplateKindFromName(u"LBL_x", &kind), -2);
  EXPECT_EQ(kind, G(u"快件标签"));
  EXPECT_EQ(TemplateKindFromName(u"IVC_", &kind), -3);
  EXPECT_EQ(kind, G(u"形式发票"));
  EXPECT_EQ(TemplateKindFromName(u"tab_1.xls"), 0);
  for (std::u16string_view bad : {u"", u"../x", u"a/b", u"a\\b", u"..", u"x..y"})
    EXPECT_FALSE(IsSafeTemplateName(bad)) << Utf8FromWide(bad);
  EXPECT_TRUE(IsSafeTemplateName(u"默认面单"));
}

std::string Reply(std::string_view text, std::string_view book, int dataLength) {
  std::string reply = "{\"ReturnValue\":1,\"iTLen\":" + std::to_string(text.size()) +
                      ",\"cText\":\"" + Base64Encode(text) + "\",\"iDLen\":" +
                      std::to_string(dataLength) + ",\"vData\":\"" + Base64Encode(book) +
                      "\",\"pad\":\"" + std::string(100, 'p') + "\"}";
  return reply;
}

TEST(TemplateFetchTest, ServerReplies) {
  std::string text = G(u"打印页数=3\r\n");
  CTemplateModel noBook(G(u"快件标签"), G(u"a"));
  EXPECT_EQ(noBook.TakeServerReply(Reply(text, "", 0)), 1);
  EXPECT_EQ(noBook.HasWorkbook(), 0);
  EXPECT_EQ(noBook.GetInt(u"打印页数"), 3);

  CTemplateModel withBook(G(u"快件标签"), G(u"a"));
  EXPECT_EQ(withBook.TakeServerReply(Reply(text, "BOOK", 4)), 1);
  EXPECT_EQ(withBook.Workbook(), "BOOK");

  CTemplateModel shortBook(G(u"快件标签"), G(u"a"));
  EXPECT_EQ(shortBook.TakeServerReply(Reply(text, "BOOK", 5)), 0);
  EXPECT_EQ(shortBook.HasWorkbook(), 0);

  CTemplateModel unusable(G(u"快件标签"), G(u"a"));
  EXPECT_EQ(unusable.TakeServerReply("{\"ReturnValue\":1}"), -1);  // too short
  std::string other = Reply(text, "", 0);
  other.replace(other.find(":1,"), 3, ":2,");
  EXPECT_EQ(unusable.TakeServerReply(other), -1);
  EXPECT_EQ(unusable.TakeServerReply(Reply("", "", 0)), -1);  // iTLen 0
}

class LocalTemplateTest : public testsupport::TempFolderTest {
 protected:
  void Model(const std::string& name, std::string_view bytes) {
    std::filesystem::create_directories(folder_ / "program" / "DATA_MODEL");
    std::ofstream(folder_ / "program" / "DATA_MODEL" / name, std::ios::binary) << bytes;
  }
  std::string Folder() const { return (folder_ / "program").string() + "/"; }
  CServerLink link;  // not logged in: every template comes from the folder
};

TEST_F(LocalTemplateTest, NeedsBothFilesAndASafeName) {
  Model("默认标签.txt", G(u"<列表定义开始>\r\n运单号=B2\r\n<列表定义结束>\r\n"));
  CTemplateModel model(G(u"快件标签"), G(u"默认标签"));
  EXPECT_EQ(model.Fetch(link, Folder()), 0);  // no workbook yet
  Model("默认标签.xls", "xls bytes");
  EXPECT_EQ(model.Fetch(link, Folder()), 1);
  EXPECT_EQ(model.ListFieldColumn(G(u"运单号")), 2);
  EXPECT_EQ(model.Workbook(), "xls bytes");

  // A name that leaves the folder is refused, though the files exist.
  Model("../outside.txt", "A=1");
  Model("../outside.xls", "x");
  CTemplateModel outside(G(u"快件标签"), "../outside");
  EXPECT_EQ(outside.Fetch(link, Folder()), 0);
  EXPECT_TRUE(outside.Fetched());
}

TEST_F(LocalTemplateTest, CacheKeepsWhatItFetchedAndForgetsFailures) {
  CTemplateCache cache;
  EXPECT_EQ(cache.Find(link, Folder(), G(u"渠道面单"), G(u"默认面单")), nullptr);
  EXPECT_EQ(cache.Size(), 0u);
  Model("默认面单.txt", "A=1");
  Model("默认面单.xls", "x");
  CTemplateModel* first = cache.Find(link, Folder(), G(u"渠道面单"), G(u"默认面单"));
  ASSERT_NE(first, nullptr);
  std::filesystem::remove(folder_ / "program" / "DATA_MODEL" / "默认面单.txt");
  EXPECT_EQ(cache.Find(link, Folder(), G(u"渠道面单"), G(u"默认面单")), first);
  EXPECT_EQ(cache.Find(link, Folder(), G(u"快件标签"), G(u"默认面单")), nullptr);  // other kind
  cache.LoadDefaults(link, Folder());
  EXPECT_EQ(cache.Current(kWaybillSlot), first);
  EXPECT_EQ(cache.Current(kLabelSlot), nullptr);
  EXPECT_EQ(cache.Current(kInvoiceSlot), nullptr);
  EXPECT_EQ(cache.Current(7), nullptr);
}

}  // namespace
