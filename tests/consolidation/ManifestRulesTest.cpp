// The manifest's rules on hand-made rows and templates, written into a
// recording cell sink: derived values, package numbers, item types, money
// and weights, address lines, header placeholders and the signature, the
// group columns of the goods-across layout, the rows of the goods-in-rows
// layout, the output path and the export's failures before any office work.

#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "consolidation/AwbManifest.h"
#include "office/ExcelSession.h"
#include "print/TemplateModel.h"
#include "tests/consolidation/ManifestSink.h"

namespace {

using namespace manifest;

std::u16string U(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }

std::unique_ptr<CTemplateModel> Model(const char* utf8) {
  auto m = std::make_unique<CTemplateModel>(GbkFromWide(kTemplateKind), "rules");
  m->SetText(GbkFromWide(U(utf8)));
  return m;
}

ManifestRow Waybill(int32_t irid, int32_t pieces) {
  ManifestRow r;
  r.irid = irid;
  r.cnum = QString("MF%1").arg(irid).toStdU16String();
  r.iitem = pieces;
  r.wpos = 1;
  r.cmoney = u"USD";
  return r;
}

TEST(ManifestRules, DerivedValues) {
  struct Case {
    const char* number;
    const char* flight;
    const char* flight2;
    const char* date;
    const char* date2;
    const char* airport;
    const char* airport2;
    const char* prefix;
    const char* main;
    const char* flightNumber;
    const char* flightPrefix;
    const char* digits;
    const char* day;
    const char* month;
    const char* departure;
    const char* arrival;
  };
  const Case cases[] = {
      {"123-45-6", "CA981", "ca1234", "2024-05-06 23:10", "2024-05-07 08:00", "PEK", "T3/JFK", "123",
       "45-6", "CA1234", "CA", "1234", "7", "MAY", "PEK", "JFK"},
      // No "-"; a last flight under 4 characters; a last flight date
      // without a year from 2000: the first flight's.
      {"46000001", "mu501", "ab", "2024-06-01 10:00", "1900-01-01", "PVG/HKG", "HK", "", "46000001",
       "MU501", "MU", "501", "1", "JUN", "PVG", "HKG"},
      {"999/../x", "3U88", "", "2024-12-31", "", "CAN", "", "", "999/../x", "3U88", "", "3U88",
       "31", "DEC", "CAN", "CAN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    ManifestForm f;
    f.awbNumber = U(c.number);
    f.flight = U(c.flight);
    f.flight2 = U(c.flight2);
    f.flightDate = U(c.date);
    f.flightDate2 = U(c.date2);
    f.airport = U(c.airport);
    f.airport2 = U(c.airport2);
    const DerivedValues d = DeriveValues(f, true, u"1211");
    EXPECT_EQ(d.prefix, U(c.prefix));
    EXPECT_EQ(d.mainNumber, U(c.main));
    EXPECT_EQ(d.flightNumber, U(c.flightNumber));
    EXPECT_EQ(d.flightPrefix, U(c.flightPrefix));
    EXPECT_EQ(d.flightDigits, U(c.digits));
    EXPECT_EQ(d.day, U(c.day));
    EXPECT_EQ(d.month, U(c.month));
    EXPECT_EQ(d.departure, U(c.departure));
    EXPECT_EQ(d.arrival, U(c.arrival));
  }
  ManifestForm f;
  f.flightDate = u"2024-05-06 23:10";
  EXPECT_EQ(DeriveValues(f, true, u"1211").packageDate, u"-0506-");
  f.flightDate = u"2024-5-6";
  EXPECT_EQ(DeriveValues(f, true, u"1211").packageDate, u"-1211-");
  EXPECT_EQ(DeriveValues(f, false, u"1211").packageDate, u"");
}

TEST(ManifestRules, PackageNumbersAndItemTypes) {
  ManifestSettings range;
  range.rangePackageNumber = true;
  ManifestSettings plain;
  struct Case {
    const char* bag;
    int32_t ibag;
    int32_t before, pieces;
    bool rangeFormat;
    const char* expected;
  };
  const Case cases[] = {
      {"7", 3, 12, 3, true, "7-0506-13 - 7-0506-15"},
      {"7", 3, 12, 1, true, "7-0506-13"},
      {"1,2,5", 9, 4, 2, true, "9-0506-5 - 5-0506-6"},
      {"", 4, 4, 2, true, "4-0506-6"},
      {"7", 3, 0, 3, false, "3"},
      {"1,2,5", 9, 0, 3, false, "1,2,5"},
      {"B9", 0, 0, 1, false, "B9"},
  };
  for (const Case& c : cases) {
    ManifestRow r = Waybill(1, c.pieces);
    r.cbag = U(c.bag);
    r.ibag = c.ibag;
    EXPECT_EQ(PackageNumber(r, c.rangeFormat ? range : plain, u"-0506-", c.before, c.pieces),
              U(c.expected))
        << c.bag << " " << c.before;
  }
  // A piece row's own bag number wins.
  ManifestRow r = Waybill(1, 2);
  r.ibag = 3;
  r.hasPiece = true;
  r.piece.ibag = 8;
  EXPECT_EQ(PackageNumber(r, plain, u"", 0, 1), u"8");

  ManifestLookups l;
  l.itemTypeText = [](int t) { return t < 3 ? u"语言" + std::u16string(1, u'0' + t) : u"未知"; };
  ManifestSettings s;
  s.itemTypeTexts[1] = u"包裹";
  const std::vector<std::u16string> plainTypes = {ItemTypeText(0, s, l), ItemTypeText(1, s, l),
                                                  ItemTypeText(2, s, l), ItemTypeText(5, s, l)};
  EXPECT_EQ(plainTypes, (std::vector<std::u16string>{u"D", u"包裹", u"W", u"W"}));
  s.customerSender = true;
  const std::vector<std::u16string> customer = {ItemTypeText(0, s, l), ItemTypeText(1, s, l),
                                                ItemTypeText(5, s, l)};
  EXPECT_EQ(customer, (std::vector<std::u16string>{u"语言0", u"包裹", u"未知"}));
}

// One row per column group of the layout's cases, read back from the sink.
TEST(ManifestRules, RowValuesMoneyWeightsAndAddresses) {
  auto m = Model(
      "重量转换为克=1\n重量转换为磅=1\n地址分段长度=5\n换行转空格=1\n全部转换大写=1\n"
      "<头定义开始>\nA1=[总重量]/[总票数]\nB1=[数字签名]\nC1=x[数字签名]\nD1=[总单号]/[总票数]\n"
      "<头定义结束>\n<列表定义开始>\n声明价=A3\n重量=B3\n发件地址1=C3\n发件地址2=D3\n发件地址3=E3\n"
      "结算=F3\n备注=G3\n发件人=H3\n收件人=I3\n件数=J3\n\"AIR\"=K3\n\"X\"=L3\n<列表定义结束>\n"
      "<发件人定义开始>\n[发件人] [地址]\n<发件人定义结束>\n<收件人定义开始>\n[收件人]\r\n[城市]\n<收件人定义结束>\n"
      "CC=到付\n");
  const ManifestSettings s = ReadSettings(*m);
  EXPECT_EQ(s.addressWidth, 25);
  ManifestRow yen = Waybill(1, 1);
  yen.cmoney = u"JPY";
  yen.idvalue = 150000;
  yen.fweights = 1.2345;
  yen.csaddr = u"Room 5, Line one\nSecond line road";
  yen.csender = u"chen";
  yen.cmemo = u"a\r\nb";
  yen.cpaydir = u"CC";
  yen.creceiver = u"bob";
  yen.ccity = u"ny";
  ManifestRow usd = Waybill(2, 2);
  usd.idvalue = 150000;
  usd.cpaydir = u"ZZ";
  RecordingSink sink;
  ManifestForm form;
  form.awbNumber = u"123-45-6";
  HeaderValues h;
  h.dictionary45 = "BRANTLE";
  const ManifestTotals t =
      WriteManifest(sink, *m, s, form, DerivedValues{}, h, {yen, usd}, nullptr, ManifestLookups{});
  EXPECT_EQ(sink.At(3, 1), u"1500");
  EXPECT_EQ(sink.At(4, 1), u"1500.00");
  EXPECT_EQ(sink.At(5, 1), u"3000.00");  // the totals row, also for JPY
  EXPECT_EQ(sink.At(3, 2), u"1234");      // grams win over pounds
  EXPECT_EQ(sink.At(5, 2), u"1234");
  EXPECT_EQ(sink.At(1, 1), u"1.23/2");    // the header stays kilograms "%.2f"
  EXPECT_EQ(sink.At(1, 2), u"a1c12b17756607b155c4bfe5df8df0ba");
  EXPECT_EQ(sink.At(1, 3), u"x[数字签名]");
  EXPECT_EQ(sink.At(1, 4), u"123-45-6/2");
  EXPECT_EQ(sink.At(3, 3), u"ROOM 5, LINE ONE");
  EXPECT_EQ(sink.At(3, 4), u"SECOND LINE ROAD");
  EXPECT_TRUE(sink.Written(3, 5));  // the empty third line too
  EXPECT_EQ(sink.At(3, 5), u"");
  EXPECT_EQ(sink.At(3, 6), u"到付");
  EXPECT_FALSE(sink.Written(4, 6));  // an unknown payment code writes nothing
  EXPECT_EQ(sink.At(3, 7), u"a b");
  EXPECT_EQ(sink.At(3, 8), u"CHEN ROOM 5, LINE ONE SECOND LINE ROAD");
  EXPECT_EQ(sink.At(3, 9), u"BOB\nNY\n");  // the cell trims it
  EXPECT_EQ(sink.At(3, 11), u"AIR");
  EXPECT_EQ(sink.At(4, 12), u"X");
  EXPECT_EQ(sink.At(5, 10), u"3");
  EXPECT_EQ(t.dataRows, 2);

  // Address widths: absent or 5 give 25, 60 gives 42; the signature with an
  // empty entry 45.
  EXPECT_EQ(ReadSettings(*Model("地址分段长度=60\n")).addressWidth, 42);
  EXPECT_EQ(ReadSettings(*Model("")).addressWidth, 25);
  EXPECT_EQ(Signature(u"123-45-6", ""), u"3fd4ff2ab60810775cbfdee1c1ed0750");
}

// The layout switches and the group clamps.
TEST(ManifestRules, LayoutsAndGroupClamps) {
  struct Case {
    const char* text;
    Layout layout;
    int shift, groups;
  };
  const Case cases[] = {
      {"", Layout::kStandard, 1, 2},
      {"多件物品横列=3\n多件物品横列平移栏数=0\n多件物品横列组数=1\n", Layout::kGoodsAcross, 1, 2},
      {"多件物品横列=1\n多件物品横列平移栏数=25\n多件物品横列组数=40\n", Layout::kGoodsAcross, 20, 15},
      {"多件物品分列=1\n多件物品横列=3\n", Layout::kGoodsInRows, 1, 2},
      {"多件物品分列=2\n多件物品横列=0\n", Layout::kStandard, 1, 2},
  };
  for (const Case& c : cases) {
    const ManifestSettings s = ReadSettings(*Model(c.text));
    EXPECT_EQ(s.layout, c.layout) << c.text;
    EXPECT_EQ(s.groupShift, c.shift) << c.text;
    EXPECT_EQ(s.groupCount, c.groups) << c.text;
  }
}

// Groups 2 and shift 3 with the first group in column 10: a waybill's three
// goods lines fill columns 10 and 13 of its first recorded row only; the
// third line is dropped; lines of a waybill without a row are skipped.
TEST(ManifestRules, GoodsAcrossGroups) {
  auto m = Model(
      "多件物品横列=3\n多件物品横列组数=2\n多件物品横列平移栏数=3\n"
      "<列表定义开始>\n内单号=A2\n①组物品描述=J2\n①组物品数量=K2\n①组物品价值=L2\n<列表定义结束>\n");
  const ManifestSettings s = ReadSettings(*m);
  ManifestRow a1 = Waybill(7, 2), a2 = Waybill(7, 2), b = Waybill(8, 1);
  a2.wpos = 2;
  std::vector<GoodsLine> goods(5);
  const char* names[] = {"robot", "doll", "ball", "lamp", "ghost"};
  const int32_t ids[] = {7, 7, 7, 8, 9};
  for (int i = 0; i < 5; ++i) {
    goods[i].cgoods = U(names[i]);
    goods[i].irid = ids[i];
    goods[i].iquantity = i + 1;
    goods[i].fprice = 2.5;
  }
  RecordingSink sink;
  ManifestForm form;
  const ManifestTotals t = WriteManifest(sink, *m, s, form, DerivedValues{}, HeaderValues{},
                                         {a1, a2, b}, &goods, ManifestLookups{});
  EXPECT_EQ(sink.At(2, 10), u"robot");
  EXPECT_EQ(sink.At(2, 11), u"1");
  EXPECT_EQ(sink.At(2, 12), u"2.50");
  EXPECT_EQ(sink.At(2, 13), u"doll");
  EXPECT_EQ(sink.At(2, 15), u"5.00");
  EXPECT_FALSE(sink.Written(2, 16));  // the third line: nowhere
  EXPECT_FALSE(sink.Written(3, 10));  // the waybill's second row: none
  EXPECT_EQ(sink.At(4, 10), u"lamp");
  EXPECT_EQ(t.sheetRows, 3);
  for (const auto& w : sink.cells) EXPECT_NE(w.text, u"ghost");
  // A failed goods query leaves the groups empty.
  RecordingSink none;
  WriteManifest(none, *m, s, form, DerivedValues{}, HeaderValues{}, {a1, b}, nullptr, ManifestLookups{});
  EXPECT_FALSE(none.Written(2, 10));
  // Only duty and rate columns: no rows recorded, no goods query.
  EXPECT_FALSE(HasGroupColumns(*Model("<列表定义开始>\n①组物品关税=A2\n①组物品税率=B2\n<列表定义结束>\n")));
}

// Goods in rows: the first row of a waybill takes its joined line, the
// following rows only their goods columns; a following row without a
// joined line leaves the quantity empty; only first rows count.
TEST(ManifestRules, GoodsInRows) {
  auto m = Model(
      "多件物品分列=1\n一票多件分列=1\n<头定义开始>\nA1=[总票数]/[总件数]/[总价值]\n<头定义结束>\n"
      "<列表定义开始>\n序号=A3\n内单号=B3\n物品描述=C3\n数量=D3\n单价=E3\n价值=F3\n件数=G3\n"
      "物品数量=H3\n<列表定义结束>\n");
  const ManifestSettings s = ReadSettings(*m);
  ManifestRow first = Waybill(5, 0);  // no piece count: 1
  first.line = {true, u"pen", u"", u"", u"", u"", 10, 100, 0, 0, 0};
  ManifestRow second = first;
  second.wpos = 2;
  second.line = {true, u"ink", u"", u"", u"", u"", 2, 250, 0, 0, 0};
  ManifestRow third = first;
  third.wpos = 3;
  third.line = JoinedLine{};
  RecordingSink sink;
  ManifestForm form;
  const ManifestTotals t = WriteManifest(sink, *m, s, form, DerivedValues{}, HeaderValues{},
                                         {first, second, third}, nullptr, ManifestLookups{});
  EXPECT_EQ(sink.At(3, 1), u"1");
  EXPECT_EQ(sink.At(3, 2), u"MF5");
  EXPECT_EQ(sink.At(3, 3), u"pen");
  EXPECT_EQ(sink.At(3, 4), u"10");
  EXPECT_EQ(sink.At(3, 7), u"1");
  EXPECT_EQ(sink.At(3, 8), u"10");
  EXPECT_EQ(sink.At(4, 1), u"2");
  EXPECT_FALSE(sink.Written(4, 2));
  EXPECT_EQ(sink.At(4, 3), u"ink");
  EXPECT_EQ(sink.At(4, 5), u"2.50");
  EXPECT_EQ(sink.At(4, 6), u"5.00");
  EXPECT_FALSE(sink.Written(4, 8));  // "物品数量" not in following rows
  EXPECT_FALSE(sink.Written(5, 4));  // no joined line: no quantity, not -1
  EXPECT_EQ(sink.At(5, 6), u"0.00");
  EXPECT_EQ(sink.At(6, 6), u"15.00");  // totals: 10.00 + 5.00
  EXPECT_EQ(sink.At(1, 1), u"1/1/15.00");
  EXPECT_EQ(t.dataRows, 1);
}

// An empty list still writes the header, the signature and a zero totals
// row at the first list row; with row insertion a row is inserted first.
TEST(ManifestRules, EmptyListAndInsertedRows) {
  auto m = Model(
      "列表行插入模式=1\n<头定义开始>\nA1=[数字签名]\nB1=[总票数]\n<头定义结束>\n"
      "<列表定义开始>\n件数=A4\n价值=B4\n声明价=C4\n<列表定义结束>\n");
  RecordingSink sink;
  ManifestForm form;
  form.awbNumber = u"123-45-6";
  HeaderValues h;
  h.dictionary45 = "BRANTLE";
  WriteManifest(sink, *m, ReadSettings(*m), form, DerivedValues{}, h, {}, nullptr, ManifestLookups{});
  std::vector<std::string> got;
  for (const auto& w : sink.cells)
    got.push_back(std::string(1, w.kind) + std::to_string(w.row) + "," + std::to_string(w.column) +
                  " " + QString::fromStdU16String(w.text).toStdString());
  EXPECT_EQ(got, (std::vector<std::string>{"r4,0 ", "i4,1 0", "v4,2 0.00", "v4,3 0.00",
                                           "v1,1 a1c12b17756607b155c4bfe5df8df0ba", "v1,2 0"}));
}

TEST(ManifestRules, OutputPathStaysInDataTemp) {
  EXPECT_EQ(OutputPath("/p/", u"清单", u"123-45-6", false, u"A123"), "/p/DATA_TEMP/清单_123-45-6.xls");
  EXPECT_EQ(OutputPath("/p/", u"清单", u"123-45-6", true, u"A123"), "/p/DATA_TEMP/清单_123-45-6_A123.xls");
  EXPECT_EQ(OutputPath("/p/", u"a:b", u"999/../x", true, u"x/y:z+"),
            "/p/DATA_TEMP/a_b_999_.._x_x_y_z_.xls");
  EXPECT_EQ(OutputPath("/p/", u"..", u"../..", false, {}), "/p/DATA_TEMP/______...xls");
}

// Before any office work: no number, no template, a template without its
// workbook end silently; a reply under 10 bytes or without "List" shows
// 20005 and writes nothing; the question only from 4 characters.
TEST(ManifestRules, ExportEndsBeforeTheOffice) {
  auto m = Model("<列表定义开始>\n内单号=A2\n<列表定义结束>\n");
  m->SetWorkbook("not a workbook");
  std::vector<std::string> log;
  std::string reply;
  ManifestServices sv;
  sv.findTemplate = [&](std::string_view name) -> const CTemplateModel* {
    log.push_back("template " + std::string(name));
    return name == GbkFromWide(u"清单") ? m.get() : nullptr;
  };
  sv.query = [&](std::string_view sql, std::span<const uint32_t>, std::string& out) {
    log.push_back(sql.find("chno='A123'") != std::string_view::npos ? "query filtered" : "query");
    out = reply;
    return 1;
  };
  sv.makeSession = [&]() -> std::unique_ptr<CExcelSession> {
    log.push_back("session");
    return nullptr;
  };
  sv.askYesNo = [&](const std::u16string& q) {
    log.push_back("ask " + QString::fromStdU16String(q).toStdString());
    return true;
  };
  sv.message = [&](const std::u16string& t) { log.push_back("msg " + QString::fromStdU16String(t).toStdString()); };
  sv.text = [](int32_t id) {
    return id == kFilterQuestionText ? std::u16string(u"only %1?") : QString::number(id).toStdU16String();
  };
  sv.programFolder = "/nonexistent/";
  ManifestForm f;
  f.templateName = u"清单";
  EXPECT_TRUE(RunManifestExport(f, sv).path.empty());
  EXPECT_TRUE(log.empty());
  f.awbNumber = u"123-45-6";
  f.templateName = u"别的";
  RunManifestExport(f, sv);
  EXPECT_EQ(log, std::vector<std::string>{"template " + GbkFromWide(u"别的")});
  log.clear();
  f.templateName = u"清单";
  f.specialNumber = u" A12 ";
  reply = "{\"x\":1}";
  RunManifestExport(f, sv);
  EXPECT_EQ(log, (std::vector<std::string>{"template " + GbkFromWide(u"清单"), "query", "msg 20005"}));
  log.clear();
  f.specialNumber = u"  A123 ";
  reply = "{}";
  const ExportOutcome out = RunManifestExport(f, sv);
  EXPECT_EQ(log, (std::vector<std::string>{"template " + GbkFromWide(u"清单"), "ask only A123?",
                                           "query filtered", "msg 20005"}));
  EXPECT_TRUE(out.asked && out.filter && out.path.empty());
  ASSERT_EQ(out.queries.size(), 1u);
  const std::string& q = out.queries[0];
  EXPECT_EQ(q.substr(q.size() - 64),
            "cawb='123-45-6' AND d.chno='A123' ORDER BY d.corder,a.cserviceno");
}

}  // namespace
