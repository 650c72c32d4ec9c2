// Writes the stand-in's sample print templates into a folder as the template
// folder holds them: <name>.txt (the template text, GBK) and <name>.xls (the
// workbook, made by the office suite).  The stand-in serves what this writes
// (localserver/templates); run it again after changing a template:
//
//   build/tests/print/print_sample_templates localserver/templates [NAME ...]

#include <algorithm>
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

// A label's captions at a label position (labels of several per sheet repeat
// them at every position).
std::vector<Caption> LabelCaptions(int across, int down, int columnsPer, int rowsPer,
                                   int columnGap, int rowGap) {
  std::vector<Caption> out;
  for (int y = 0; y < down; ++y) {
    for (int x = 0; x < across; ++x) {
      int row = 1 + y * (rowsPer + rowGap);
      int column = 1 + x * (columnsPer + columnGap);
      out.push_back({row, column, u"快件标签 PARCEL"});
      out.push_back({row + 1, column, u"单号"});
      out.push_back({row + 2, column, u"目的地"});
      out.push_back({row + 3, column, u"件数/重量"});
      out.push_back({row + 4, column, u"收件人"});
    }
  }
  return out;
}

// The cells of one label, the same in both label templates.
const std::u16string kLabelFields =
    u"<列表定义开始>\r\n"
    u"内部单号=B2\r\n"
    u"目的地=B3\r\n"
    u"件数=B4\r\n"
    u"入重=C4\r\n"
    u"收件人=B5\r\n"
    u"内单条码位图=A7\r\n"
    u"<列表定义结束>\r\n";

std::vector<SampleTemplate> Templates() {
  return {
      {u"默认面单",
       u"打印页数=1\r\n"
       u"打印份数=1\r\n"
       u"条码位图放大倍数=2\r\n"
       u"内单条码方向=0\r\n"
       u"内单条码像素高=60\r\n"
       u"二维码宽=80\r\n"
       u"<头定义开始>\r\n"
       u"A1=渠道面单 CHANNEL WAYBILL\r\n"
       u"<头定义结束>\r\n"
       u"<列表定义开始>\r\n"
       u"内部单号=B3\r\n"
       u"转运单号=D3\r\n"
       u"业务日期=F3\r\n"
       u"发件人=B5\r\n"
       u"发件单位=B6\r\n"
       u"发件地址=B7\r\n"
       u"发件电话=B8\r\n"
       u"收件人=E5\r\n"
       u"收件单位=E6\r\n"
       u"收件地址=E7\r\n"
       u"收件电话=E8\r\n"
       u"收件城市=E9\r\n"
       u"收件国家=E10\r\n"
       u"收件邮编=E11\r\n"
       u"目的地=B10\r\n"
       u"件数=B11\r\n"
       u"入重=B12\r\n"
       u"物品描述=B13\r\n"
       u"声明价值=B14\r\n"
       u"备注1=B15\r\n"
       u"内单条码位图=B21\r\n"
       u"二维码位图=E13\r\n"
       u"<列表定义结束>\r\n"
       u"<二维码定义开始>\r\n"
       u"[运单号]/[目的地]/[重量]\r\n"
       u"<二维码定义结束>\r\n",
       {{3, 1, u"单号 No."}, {3, 3, u"转单号"}, {3, 5, u"日期"}, {5, 1, u"寄件人"},
        {6, 1, u"单位"}, {7, 1, u"地址"}, {8, 1, u"电话"}, {5, 4, u"收件人"}, {6, 4, u"单位"},
        {7, 4, u"地址"}, {8, 4, u"电话"}, {9, 4, u"城市"}, {10, 4, u"国家"}, {11, 4, u"邮编"},
        {10, 1, u"目的地"}, {11, 1, u"件数"}, {12, 1, u"重量"}, {13, 1, u"物品"},
        {14, 1, u"申报价值"}, {15, 1, u"备注"}},
       {{1, 70}, {2, 160}, {3, 60}, {4, 100}, {5, 130}, {6, 90}}},
      {u"默认形式发票",
       u"打印份数=1\r\n"
       u"运单号=B3\r\n"
       u"快件重量=B4\r\n"
       u"寄件日期=E3\r\n"
       u"打印日期=E4\r\n"
       u"寄件人姓名=B6\r\n"
       u"寄件人单位=B7\r\n"
       u"寄件人地址=B8\r\n"
       u"寄件人电话=B9\r\n"
       u"收件人姓名=E6\r\n"
       u"收件人单位=E7\r\n"
       u"收件人地址=E8\r\n"
       u"收件人电话=E9\r\n"
       u"收件人国家=E10\r\n"
       u"物品描述=A13\r\n"
       u"物品数量=C13\r\n"
       u"物品单价=D13\r\n"
       u"原产地=E13\r\n"
       u"小计金额=F13\r\n"
       u"总计金额=F20\r\n"
       u"快件件数=B20\r\n",
       {{1, 1, u"PROFORMA INVOICE 形式发票"}, {3, 1, u"AWB No."}, {4, 1, u"Weight"},
        {3, 4, u"Date"}, {4, 4, u"Printed"}, {6, 1, u"Shipper"}, {7, 1, u"Company"},
        {8, 1, u"Address"}, {9, 1, u"Tel:"}, {6, 4, u"Consignee"}, {7, 4, u"Company"},
        {8, 4, u"Address"}, {9, 4, u"Tel:"}, {10, 4, u"Country"}, {12, 1, u"Description"},
        {12, 3, u"Qty"}, {12, 4, u"Unit value"}, {12, 5, u"Origin"}, {12, 6, u"Amount"},
        {20, 1, u"Pieces"}, {20, 5, u"Total"},
        {22, 1, u"I declare that the above information is true and correct."}},
       {{1, 90}, {2, 150}, {3, 60}, {4, 90}, {5, 150}, {6, 90}}},
      {u"默认标签",
       u"打印页数=1\r\n"
       u"条码位图放大倍数=2\r\n"
       u"全部转换大写=1\r\n" + kLabelFields,
       LabelCaptions(1, 1, 3, 8, 0, 0),
       {{1, 70}, {2, 130}, {3, 70}}},
      {u"客户结算",
       u"列表开始行=5\r\n"
       u"列表行插入模式=1\r\n"
       u"目的地转换为编码=0\r\n"
       u"折扣价除标准价=1\r\n"
       u"<头定义开始>\r\n"
       u"A1=[客户名称] 结算对账单\r\n"
       u"A2=客户账号：[客户账号]  期间：[起止日期]\r\n"
       u"A3=税号：[税号]  电话：[客户电话]\r\n"
       u"A7=费用合计：[费用合计]  大写：[费用合计大写]\r\n"
       u"A8=结算余额：[结算余额]  可用余额：[总计余额]\r\n"
       u"A9=制单人：[制单人]  制单日期：[制单日期]\r\n"
       u"<头定义结束>\r\n",
       {{4, 1, u"序号"}, {4, 2, u"明细"}},
       {{1, 50}, {2, 80}, {3, 100}, {4, 90}, {5, 80}}},
      {u"装袋标签",
       u"袋号条码宽=220\r\n"
       u"袋号条码像素高=50\r\n"
       u"航线标志图宽=60\r\n"
       u"航线标志图高=30\r\n"
       u"<列表定义开始>\r\n"
       u"袋号=B2\r\n"
       u"袋序=D2\r\n"
       u"出发机场=B3\r\n"
       u"目的机场=D3\r\n"
       u"出发站点=B4\r\n"
       u"目的站点=D4\r\n"
       u"件数=B5\r\n"
       u"重量=D5\r\n"
       u"体积=B6\r\n"
       u"装袋类型=D6\r\n"
       u"总单号=B7\r\n"
       u"航线标志图=E2\r\n"
       u"创建者=B8\r\n"
       u"创建日期=D8\r\n"
       u"袋号条码位图=A10\r\n"
       u"<列表定义结束>\r\n",
       {{1, 1, u"装袋标签 BAG LABEL"}, {2, 1, u"袋号"}, {2, 3, u"袋序"}, {3, 1, u"出发机场"},
        {3, 3, u"目的机场"}, {4, 1, u"出发站点"}, {4, 3, u"目的站点"}, {5, 1, u"件数"},
        {5, 3, u"重量"}, {6, 1, u"体积"}, {6, 3, u"类型"}, {7, 1, u"总单号"}, {8, 1, u"装袋"},
        {8, 3, u"日期"}},
       {{1, 70}, {2, 130}, {3, 70}, {4, 130}}},
      {u"封袋标签",
       u"袋号条码宽=220\r\n"
       u"袋号条码像素高=50\r\n"
       u"航线标志图宽=60\r\n"
       u"航线标志图高=30\r\n"
       u"<列表定义开始>\r\n"
       u"袋号=B2\r\n"
       u"件数=D2\r\n"
       u"出发机场=B3\r\n"
       u"目的机场=D3\r\n"
       u"重量=B4\r\n"
       u"体积=D4\r\n"
       u"总单号=B5\r\n"
       u"航线标志图=E2\r\n"
       u"总单出发地=B6\r\n"
       u"总单目的地=D6\r\n"
       u"总单托运备注=B7\r\n"
       u"封袋者=B8\r\n"
       u"封袋日期时间=D8\r\n"
       u"袋号条码位图=A10\r\n"
       u"<列表定义结束>\r\n",
       {{1, 1, u"封袋标签 SEALED BAG"}, {2, 1, u"袋号"}, {2, 3, u"件数"}, {3, 1, u"出发机场"},
        {3, 3, u"目的机场"}, {4, 1, u"重量"}, {4, 3, u"体积"}, {5, 1, u"总单号"},
        {6, 1, u"出发地"}, {6, 3, u"目的地"}, {7, 1, u"托运备注"}, {8, 1, u"封袋"},
        {8, 3, u"时间"}},
       {{1, 70}, {2, 130}, {3, 70}, {4, 150}}},
      {u"标签一页八枚",
       u"横向标签个数=2\r\n"
       u"纵向标签个数=4\r\n"
       u"横向每标签占有栏数=3\r\n"
       u"纵向每标签占有行数=8\r\n"
       u"标签横向间隔栏数=1\r\n"
       u"标签纵向间隔行数=1\r\n"
       u"条码位图放大倍数=1\r\n" + kLabelFields,
       LabelCaptions(2, 4, 3, 8, 1, 1),
       {{1, 60}, {2, 110}, {3, 60}, {4, 20}, {5, 60}, {6, 110}, {7, 60}}},
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [NAME ...]\n", argv[0]);
    return 2;
  }
  // Names after the folder: write only these templates.
  std::vector<std::string> only(argv + 2, argv + argc);
  namespace fs = std::filesystem;
  fs::path folder = fs::absolute(argv[1]);
  fs::create_directories(folder);
  fs::path work = fs::temp_directory_path() / ("brantle-sample-templates-" + std::to_string(::getpid()));
  fs::create_directories(work);
  setenv("HOME", work.c_str(), 1);
  office::SetOfficeProfileFolder((work / "profile").string());
  int failures = 0;
  for (const SampleTemplate& t : Templates()) {
    std::string name = Utf8FromWide(t.name);
    if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
    std::ofstream(folder / (name + ".txt"), std::ios::binary) << GbkFromWide(t.text);
    fs::path book = folder / (name + ".xls");
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
