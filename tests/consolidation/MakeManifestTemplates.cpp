// Writes the stand-in's sample "AWB导出" manifest templates into a folder as
// the template folder holds them: <name>.txt (the template text, GBK) and
// <name>.xls (the workbook with its captions, made by the office suite).
// Run it again after changing a template:
//
//   build/tests/consolidation/manifest_sample_templates localserver/templates

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"

namespace {

struct Caption {
  int row;
  int column;
  const char16_t* text;
};

struct SampleTemplate {
  const char16_t* name;
  std::u16string text;
  std::vector<Caption> captions;
  std::vector<std::pair<int, int>> columnWidths;  // column, pixels
};

// The two goods-in-rows templates differ only in their settings lines.
SampleTemplate GoodsInRows(const char16_t* name, const char16_t* settings) {
  return {name,
          std::u16string(settings) +
              u"<头定义开始>\r\n"
              u"A1=[总单号] [总票数] AWB [总价值]\r\n"
              u"<头定义结束>\r\n"
              u"<列表定义开始>\r\n"
              u"序号=A3\r\n"
              u"内单号=B3\r\n"
              u"件数=C3\r\n"
              u"物品描述=D3\r\n"
              u"数量=E3\r\n"
              u"单价=F3\r\n"
              u"价值=G3\r\n"
              u"物品净重=H3\r\n"
              u"<列表定义结束>\r\n",
          {{2, 1, u"No."}, {2, 2, u"AWB"}, {2, 3, u"Pcs"}, {2, 4, u"Goods"}, {2, 5, u"Qty"},
           {2, 6, u"Price"}, {2, 7, u"Value"}, {2, 8, u"Net kg"}},
          {{1, 40}, {2, 80}, {4, 120}}};
}

std::vector<SampleTemplate> Templates() {
  return {
      // One row per waybill: pounds, package ranges, the sender address in
      // lines of 25, line feeds to blanks, both blocks, a literal item.
      {u"总单清单",
       u"重量转换为磅=1\r\n"
       u"包号格式=1\r\n"
       u"换行转空格=1\r\n"
       u"地址分段长度=5\r\n"
       u"重量单位=LB\r\n"
       u"PP=预付\r\n"
       u"CC=到付\r\n"
       u"文件显示=文件\r\n"
       u"<头定义开始>\r\n"
       u"A1=MANIFEST [总单号] [首航班号] [首航班日期]\r\n"
       u"A2=[总票数] AWB / [总件数] PCS / [总重量] KG / [总包数] BAGS\r\n"
       u"H1=[数字签名]\r\n"
       u"H2=[特控号]\r\n"
       u"<头定义结束>\r\n"
       u"<列表定义开始>\r\n"
       u"序号=A4\r\n"
       u"包号=B4\r\n"
       u"内单号=C4\r\n"
       u"件数=D4\r\n"
       u"重量=E4\r\n"
       u"发件人=F4\r\n"
       u"发件地址1=G4\r\n"
       u"发件地址2=H4\r\n"
       u"收件人=I4\r\n"
       u"声明价=J4\r\n"
       u"货币=K4\r\n"
       u"结算=L4\r\n"
       u"快件类型=M4\r\n"
       u"备注=N4\r\n"
       u"袋号=O4\r\n"
       u"\"AIR\"=P4\r\n"
       u"<列表定义结束>\r\n"
       u"<发件人定义开始>\r\n"
       u"[发件人] [地址]\r\n"
       u"<发件人定义结束>\r\n"
       u"<收件人定义开始>\r\n"
       u"[收件人] [城市]\r\n"
       u"<收件人定义结束>\r\n",
       {{3, 1, u"No."}, {3, 2, u"Package"}, {3, 3, u"AWB"}, {3, 4, u"Pcs"}, {3, 5, u"Weight"},
        {3, 6, u"Shipper"}, {3, 7, u"Address 1"}, {3, 8, u"Address 2"}, {3, 9, u"Consignee"},
        {3, 10, u"Value"}, {3, 11, u"Cur."}, {3, 12, u"Pay"}, {3, 13, u"Type"}, {3, 14, u"Memo"},
        {3, 15, u"Bag"}, {3, 16, u"Mode"}},
       {{1, 40}, {2, 80}, {3, 80}, {6, 200}, {7, 160}, {8, 160}, {9, 160}, {14, 120}}},
      // One row per piece: grams, upper case, inserted rows.
      {u"总单分件清单",
       u"一票多件分列=1\r\n"
       u"重量转换为克=1\r\n"
       u"全部转换大写=1\r\n"
       u"列表行插入模式=1\r\n"
       u"<头定义开始>\r\n"
       u"A1=[总单号] [总票数] ROWS [总件数] PCS [总称重] KG\r\n"
       u"J1=[数字签名]\r\n"
       u"<头定义结束>\r\n"
       u"<列表定义开始>\r\n"
       u"序号=A3\r\n"
       u"内单号=B3\r\n"
       u"转单号=C3\r\n"
       u"参考号=D3\r\n"
       u"件数=E3\r\n"
       u"长=F3\r\n"
       u"宽=G3\r\n"
       u"高=H3\r\n"
       u"重量=I3\r\n"
       u"称重=J3\r\n"
       u"泡重=K3\r\n"
       u"物品描述=L3\r\n"
       u"数量=M3\r\n"
       u"价值=N3\r\n"
       u"<列表定义结束>\r\n",
       {{2, 1, u"No."}, {2, 2, u"AWB"}, {2, 3, u"Transfer"}, {2, 4, u"Ref."}, {2, 5, u"Pcs"},
        {2, 6, u"L"}, {2, 7, u"W"}, {2, 8, u"H"}, {2, 9, u"Chargeable g"}, {2, 10, u"Weighed g"},
        {2, 11, u"Volume"}, {2, 12, u"Goods"}, {2, 13, u"Qty"}, {2, 14, u"Value"},
        {3, 1, u"END OF LIST"}},
       {{1, 40}, {2, 80}, {3, 80}, {11, 90}, {12, 120}}},
      // Goods across two groups three columns apart, the sender from the
      // customer record.
      {u"总单物品横列",
       u"多件物品横列=3\r\n"
       u"多件物品横列组数=2\r\n"
       u"多件物品横列平移栏数=3\r\n"
       u"发件人使用客户中文信息=1\r\n"
       u"<头定义开始>\r\n"
       u"A1=[总单号] / [总票数]\r\n"
       u"H1=[数字签名]\r\n"
       u"<头定义结束>\r\n"
       u"<列表定义开始>\r\n"
       u"序号=A3\r\n"
       u"内单号=B3\r\n"
       u"件数=C3\r\n"
       u"发件单位=D3\r\n"
       u"快件类型=E3\r\n"
       u"①组物品描述=F3\r\n"
       u"①组物品数量=G3\r\n"
       u"①组物品价值=H3\r\n"
       u"<列表定义结束>\r\n",
       {{2, 1, u"No."}, {2, 2, u"AWB"}, {2, 3, u"Pcs"}, {2, 4, u"Shipper"}, {2, 5, u"Type"},
        {2, 6, u"Goods 1"}, {2, 7, u"Qty 1"}, {2, 8, u"Value 1"}, {2, 9, u"Goods 2"},
        {2, 10, u"Qty 2"}, {2, 11, u"Value 2"}},
       {{1, 40}, {2, 80}, {4, 140}, {6, 90}, {9, 90}}},
      // Goods in rows with the goods lines.
      GoodsInRows(u"总单物品分列", u"多件物品分列=1\r\n"),
      // Goods in rows with the pieces ("多件物品分列" wins over "多件物品横列").
      GoodsInRows(u"总单分件物品分列",
                  u"多件物品分列=1\r\n"
                  u"一票多件分列=1\r\n"
                  u"多件物品横列=3\r\n"),
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  namespace fs = std::filesystem;
  fs::path folder = fs::absolute(argv[1]);
  fs::create_directories(folder);
  fs::path work = fs::temp_directory_path() / ("brantle-manifest-templates-" + std::to_string(::getpid()));
  fs::create_directories(work);
  setenv("HOME", work.c_str(), 1);
  office::SetOfficeProfileFolder((work / "profile").string());
  int failures = 0;
  for (const SampleTemplate& t : Templates()) {
    const std::string name = Utf8FromWide(t.name);
    std::ofstream(folder / (name + ".txt"), std::ios::binary) << GbkFromWide(t.text);
    const fs::path book = folder / (name + ".xls");
    fs::remove(book);
    CExcelSession session;
    session.SetOverwriteQuestion(false);
    if (!session.CreateWorkbook(u"Sheet1", WideFromNarrow(book.string(), 65001), {}, false)) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), Utf8FromWide(session.LastError()).c_str());
      ++failures;
      continue;
    }
    for (const auto& [column, pixels] : t.columnWidths) session.SetColumnWidth(column, pixels);
    for (const Caption& c : t.captions) session.SetCellText(c.row, c.column, c.text);
    session.SetPageHeadersShown(false);
    if (!session.SaveAndClose()) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), Utf8FromWide(session.LastError()).c_str());
      ++failures;
    }
  }
  office::ShutdownOfficeSuite();
  fs::remove_all(work);
  return failures == 0 ? 0 : 1;
}
