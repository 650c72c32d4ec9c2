// The files and rules of the waybill import of page 0 without a window or
// server: the format list's line rules, the column mapping's keys, columns
// and channel block, the business-date window, the goods list of a row, and
// the row import over rows in memory against a link that records what is
// sent (numbers, goods rows, payment, continuation rows, the trailing count,
// the rows an early end leaves unread, channel names of the mapping file's
// channel block, and a stop request).

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/FixedField.h"
#include "common/GoodsRecord.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/ImportFormats.h"
#include "entry/WaybillImport.h"
#include "office/ImportTable.h"
#include "refdata/DestinationTable.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"
#include "tests/entry/EntryTestSupport.h"

namespace {

using namespace waybillimport;

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

// ---- the format list ----

std::string ListText(const std::vector<std::u16string>& lines, std::u16string_view before = u"") {
  std::u16string text = std::u16string(before) + u"<运单记录导入格式配置开始>\r\n";
  for (const auto& l : lines) text += l + u"\r\n";
  text += u"<运单记录导入格式配置结束>";
  return Gbk(text);
}

TEST(ImportFormatList, LineRules) {
  entrytest::LoadLanguage();
  const std::u16string no3 = AppLanguage().Text(120061) + u"(3)!\r\ninput_set.txt";
  struct Case {
    const char* what;
    std::vector<std::u16string> lines;
    size_t count;
    int firstKind;
    std::u16string firstExt;
    std::u16string message;
  };
  const Case cases[] = {
      {"a 9-byte line gives no entry", {u"XLS,\"a\",\""}, 0, -1, u"", no3},
      {"upper-case XLS is Excel", {u"XLS,\"map1.txt\",\"客户甲\",936"}, 1, 0, u"xls", u""},
      {"lower-case letters make a CSV entry", {u"xls,\"map1.txt\",\"客户甲\",936"}, 1, 1, u"csv", u""},
      {"no comma as the fourth byte", {u"XLSX,\"map1.txt\",\"客户甲\",936"}, 0, -1, u"", no3},
      {"a display name over 30 bytes", {u"XLS,\"m.txt\",\"一二三四五六七八九十一二三四五六\",0"}, 0, -1, u"", no3},
      {"reading stops at the first bad line",
       {u"XLS,\"a.txt\",\"A\",0", u"bad", u"XLS,\"b.txt\",\"B\",0"}, 1, 0, u"xls", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FormatList list = ParseFormatList(ListText(c.lines));
    ASSERT_EQ(c.count, list.formats.size());
    EXPECT_EQ(c.message, list.message);
    if (c.count == 0) continue;
    EXPECT_EQ(c.firstKind, list.formats[0].iKind);
    EXPECT_EQ(c.firstExt, list.formats[0].cExt);
  }
}

TEST(ImportFormatList, EntriesCodePagesAndTheTwentyFirstLine) {
  entrytest::LoadLanguage();
  std::vector<std::u16string> lines;
  for (int i = 1; i <= 21; ++i)
    lines.push_back(u"XLS,\"map" + WideFromGbk(std::to_string(i)) + u".txt\",\"格式" +
                    WideFromGbk(std::to_string(i)) + u"\"," + (i == 1 ? u"99" : u"950"));
  const FormatList list = ParseFormatList(ListText(lines));
  ASSERT_EQ(20u, list.formats.size()) << "the 21st line is ignored";
  EXPECT_EQ(u"map1.txt", list.formats[0].cMapFile);
  EXPECT_EQ(u"格式1", list.formats[0].cName);
  EXPECT_EQ(54936, list.formats[0].iCodePage) << "below 100";
  EXPECT_EQ(950, list.formats[1].iCodePage);
  EXPECT_EQ(u"格式20", list.formats[19].cName);
  // A last line that runs into the end marker without a break is not read.
  const std::string unbroken =
      Gbk(u"<运单记录导入格式配置开始>\r\nXLS,\"a.txt\",\"A\",0\r\nXLS,\"b.txt\",\"B\",0<运单记录导入格式配置结束>");
  EXPECT_EQ(1u, ParseFormatList(unbroken).formats.size());
}

TEST(ImportFormatList, MarketplaceEntryAndMissingMarkers) {
  entrytest::LoadLanguage();
  const std::u16string l120061 = AppLanguage().Text(120061);
  const std::string marketplace = Gbk(u"速卖通订单导入格式支持=1\r\n");
  // No start marker: the marketplace entry alone, without a message.
  FormatList list = ParseFormatList(marketplace);
  ASSERT_EQ(1u, list.formats.size());
  EXPECT_EQ(2, list.formats[0].iKind);
  EXPECT_EQ(u"xls", list.formats[0].cExt);
  EXPECT_EQ(u"速卖通文件", list.formats[0].cName);
  EXPECT_EQ(u"", list.message);
  // A 9-byte line with the switch: the marketplace entry stays.
  list = ParseFormatList(marketplace + ListText({u"XLS,\"a\",\""}));
  ASSERT_EQ(1u, list.formats.size());
  EXPECT_EQ(u"", list.message);
  EXPECT_EQ(l120061 + u"(1)!\r\ninput_set.txt", ParseFormatList("").message);
  EXPECT_EQ(l120061 + u"(2)!\r\ninput_set.txt",
            ParseFormatList(Gbk(u"<运单记录导入格式配置开始>\r\nXLS,\"a.txt\",\"A\",0\r\n")).message);
}

TEST(ImportFormatList, FilterAndExtensionTest) {
  const FormatList list = ParseFormatList(
      ListText({u"XLS,\"a.txt\",\"客户甲\",0", u"CSV,\"b.txt\",\"CSV 格式\",0"}));
  ASSERT_EQ(2u, list.formats.size());
  EXPECT_EQ(u"客户甲 (*.xls)|*.xls|CSV 格式 (*.csv)|*.csv||", FormatFilter(list.formats));
  EXPECT_TRUE(PathFitsFormat(u"/data/ORDERS.XLS", list.formats[0]));
  EXPECT_TRUE(PathFitsFormat(u"/data/orders.xls", list.formats[0]));
  EXPECT_FALSE(PathFitsFormat(u"/data/orders.xlsx", list.formats[0]));
  EXPECT_FALSE(PathFitsFormat(u"/data/orders.xls", list.formats[1]));
}

// ---- mapping files ----

std::string MappingText(int mode, int firstRow, const std::u16string& lines,
                        const std::u16string& after = u"") {
  std::u16string text = u"列字段识别模式=" + WideFromGbk(std::to_string(mode)) + u"\r\n记录数据开始行=" +
                        WideFromGbk(std::to_string(firstRow)) +
                        u"\r\n<列字段对应关系定义开始>\r\n" + lines + u"<列字段对应关系定义结束>\r\n" + after;
  return Gbk(text);
}

bool KnownKind(std::string_view code) { return code == "DHL" || code == "EMS"; }

TEST(ImportColumnMapping, ColumnModeRules) {
  struct Case {
    const char* what;
    std::u16string lines;
    int mode;           // result
    int weightColumn;   // field 6 when the file is usable
  };
  const Case cases[] = {
      {"AB reads column 28", u"重量=AB\r\n", 0, 28},
      {"a decimal column number", u"重量=7\r\n", 0, 7},
      {"lower-case letters", u"重量=c\r\n", 0, 3},
      {"ZZZ is the last column name", u"重量=ZZZ\r\n", 0, 26 * 26 * 26 + 26 * 26 + 26},
      {"0 makes the whole file invalid", u"重量=0\r\n", -1, 0},
      {"four letters make the whole file invalid", u"重量=AAAA\r\n", -1, 0},
      {"no line: no column", u"件数=B\r\n", 0, -1},
      {"a disabled key stays without a column for good", u"#重量=C\r\n重量=D\r\n", 0, -1},
      {"an empty value is no value", u"重量=\r\n", 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ColumnMapping m;
    EXPECT_EQ(c.mode, LoadColumnMapping(MappingText(0, 2, c.lines), m, KnownKind));
    EXPECT_EQ(2, m.firstRow);
    if (c.mode >= 0) EXPECT_EQ(c.weightColumn, m.columns[6]);
  }
}

TEST(ImportColumnMapping, FirstRowModeAndMarkers) {
  ColumnMapping m;
  EXPECT_EQ(-1, LoadColumnMapping(MappingText(1, 1, u""), m, KnownKind)) << "header mode from row 1";
  EXPECT_EQ(1, m.firstRow) << "written even when the file is refused";
  EXPECT_EQ(0, LoadColumnMapping(MappingText(0, 1, u""), m, KnownKind)) << "column mode from row 1";
  EXPECT_EQ(-1, LoadColumnMapping(MappingText(0, 0, u""), m, KnownKind));
  EXPECT_EQ(-1, LoadColumnMapping(Gbk(u"列字段识别模式=0\r\n记录数据开始行=2\r\n<列字段对应关系定义开始>\r\n"), m,
                                  KnownKind))
      << "no end marker";
  EXPECT_EQ(-1, LoadColumnMapping(Gbk(u"记录数据开始行=2\r\n<列字段对应关系定义开始>\r\n<列字段对应关系定义结束>"),
                                  m, KnownKind))
      << "no mode";
  // Keys after the column block's end are not read.
  EXPECT_EQ(0, LoadColumnMapping(MappingText(0, 2, u"", u"重量=C\r\n"), m, KnownKind));
  EXPECT_EQ(-1, m.columns[6]);
}

// A key counts at the start of its line only: "备注=" is not found inside
// the line of "托运备注=" that comes first.
TEST(ImportColumnMapping, AKeyInsideALongerKeyIsNotItsLine) {
  ColumnMapping m;
  ASSERT_EQ(0, LoadColumnMapping(MappingText(0, 2, u"托运备注=E\r\n备注=F\r\n"), m, KnownKind));
  EXPECT_EQ(5, m.columns[34]);
  EXPECT_EQ(6, m.columns[42]);
  ASSERT_EQ(0, LoadColumnMapping(MappingText(0, 2, u"托运备注=E\r\n"), m, KnownKind));
  EXPECT_EQ(-1, m.columns[42]) << "备注 has no line of its own";
  // The same for the header texts.
  ASSERT_EQ(1, LoadColumnMapping(MappingText(1, 2, u"托运备注=Consignment note\r\n"), m, KnownKind));
  EXPECT_EQ(u"备注", m.headers[42]);
}

TEST(ImportColumnMapping, HeaderModeAndChannelBlock) {
  ColumnMapping m;
  const std::u16string channels =
      u"<网络渠道对应开始>\r\n快递=DHL 邮政=ems\r\n#停用=DHL 没有等号 未知=XYZ\r\n"
      u"空 格=DHL\r\n<网络渠道对应结束>\r\n";
  ASSERT_EQ(2, LoadColumnMapping(MappingText(2, 3, u"目的地=Country\r\n#重量=Kg\r\n", channels), m,
                                 [](std::string_view code) {
                                   return code == "DHL" || code == "ems";
                                 }));
  EXPECT_EQ(3, m.firstRow);
  EXPECT_EQ(u"Country", m.headers[2]);
  EXPECT_EQ(u"重量", m.headers[6]) << "a disabled key: the caption";
  EXPECT_EQ(u"件数", m.headers[5]);
  EXPECT_TRUE(m.hasChannelBlock);
  const std::vector<ChannelMapEntry> expected = {
      {u"快递", u"DHL"}, {u"邮政", u"ems"}, {u"格", u"DHL"}};
  EXPECT_EQ(expected, m.channels) << "a name with a space is split at the space";
  // Without the end marker the list stays empty.
  std::vector<ChannelMapEntry> list = {{u"x", u"DHL"}};
  EXPECT_EQ(0, LoadChannelMapping(Gbk(u"快递=DHL\r\n"), list, KnownKind));
  EXPECT_TRUE(list.empty());
}

// ---- pieces of a row ----

TEST(WaybillImportRules, BusinessDateWindow) {
  std::tm today{};
  today.tm_year = 2026 - 1900;
  today.tm_mon = 2;  // 15 March 2026
  today.tm_mday = 15;
  struct Case {
    const char* text;
    bool taken;
    int year, month, day;
  };
  const Case cases[] = {
      {"2026-02-13", true, 2026, 2, 13},   // 30 days back
      {"2026-02-12", false, 0, 0, 0},      // 31 days back
      {"2026-03-15", false, 0, 0, 0},      // today is not written
      {"2026/12/31", true, 2026, 12, 31},  // later this year
      {"26.3.1", true, 2026, 3, 1},        // two-digit year
      {"2025-12-31", false, 0, 0, 0},      // last year, 74 days back
      {"2024-03-10", false, 0, 0, 0},
      {"2026-02-30", false, 0, 0, 0},      // no such date
      {"2026-13-01", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WaybillRecord w{};
    w.year = 2000;
    w.month = 1;
    w.day = 1;
    EXPECT_EQ(c.taken, AcceptImportDate(c.text, w, today));
    if (c.taken) {
      EXPECT_EQ(c.year, w.year);
      EXPECT_EQ(c.month, w.month);
      EXPECT_EQ(c.day, w.day);
    } else {
      EXPECT_EQ(2000, w.year);
    }
  }
  // Across the year's end: 20 December of last year seen on 5 January.
  std::tm january{};
  january.tm_year = 2026 - 1900;
  january.tm_mon = 0;
  january.tm_mday = 5;
  WaybillRecord w{};
  EXPECT_TRUE(AcceptImportDate("2025-12-20", w, january));
  EXPECT_FALSE(AcceptImportDate("2025-12-05", w, january));
}

TEST(WaybillImportRules, GoodsListOfARow) {
  std::array<std::string, kFieldCount> t;
  t[23] = "Shirt,Cap";
  t[24] = "2,3";
  t[25] = "1.5,2";
  std::vector<GoodsRecord> items;
  std::string quantities;
  double amount = 0;
  EXPECT_EQ(5, SplitGoodsColumns(t, items, quantities, amount));
  ASSERT_EQ(2u, items.size());
  EXPECT_EQ("2,3", quantities);
  EXPECT_DOUBLE_EQ(9.0, amount);
  t[24] = "4";
  t[23] = "Shirt";
  t[25] = "1.5";
  EXPECT_EQ(0, SplitGoodsColumns(t, items, quantities, amount)) << "no comma: no list";
  EXPECT_TRUE(items.empty());
}

// ---- the row import against a recording link ----

class RecordingLink : public WaybillSaveLink {
 public:
  std::vector<std::string> sent;
  std::vector<std::pair<unsigned, std::string>> numberRequests;
  std::deque<std::string> numbers;
  int32_t nextId = 900;
  std::function<bool(const std::string&)> refuse;
  int priceRequests = 0;

  int FetchNumber(unsigned series, std::string& number, std::string_view kind, int32_t) override {
    numberRequests.emplace_back(series, std::string(kind));
    number.clear();
    if (numbers.empty()) return 0;
    number = numbers.front();
    numbers.pop_front();
    return number.size() > 6 ? 1 : 0;
  }
  int QueryPrice(PriceQuery&) override {
    ++priceRequests;
    return 0;
  }
  int Execute(std::string_view sql, std::span<const uint32_t> types, std::string& reply) override {
    sent.emplace_back(sql);
    if (refuse && refuse(sent.back())) {
      reply = "{\"ReturnValue\":-406,\"cError\":\"refused\"}";
      return static_cast<int>(reply.size());
    }
    reply = types.empty() ? "{\"ReturnValue\":1,\"iTotal\":0,\"bEnd\":true}"
                          : "{\"ReturnValue\":1,\"iTotal\":1,\"bEnd\":true,\"List\":[{\"0\":" +
                                std::to_string(nextId++) + "}]}";
    return static_cast<int>(reply.size());
  }
  std::string FetchRecord(int32_t) override { return {}; }
  std::u16string LastErrorText() override { return u"server says no"; }
  std::string UserName() override { return "admin"; }
  bool UserHasStation() override { return false; }

  std::vector<std::string> StartingWith(std::string_view head) const {
    std::vector<std::string> found;
    for (const std::string& s : sent)
      if (s.rfind(head, 0) == 0) found.push_back(s);
    return found;
  }
};

class WaybillImportRows : public ::testing::Test {
 protected:
  void SetUp() override {
    entrytest::LoadLanguage();
    kind_.cemskind = "DHL";
    kind_.idGenLow = 5;
    services_.link = &link_;
    services_.findKind = [this](std::string_view code) -> const CServiceKind* {
      return code == "DHL" || code == "dhl" ? &kind_ : nullptr;
    };
    services_.saved = [this](const InputWaybillRecord& r) { saved_.push_back(r); };
    services_.today = [] {
      std::tm t{};
      t.tm_year = 2026 - 1900;
      t.tm_mon = 2;
      t.tm_mday = 15;
      return t;
    };
    setup_.mapping.mode = 0;
    setup_.mapping.firstRow = 2;
    setup_.mapping.columns.fill(-1);
    // A: number, B: destination, C: channel, D: weight, E: goods, F: quantity,
    // G: unit price, H: payment, I: receiver ID card, J: collection returned.
    const int fields[] = {0, 2, 3, 6, 23, 24, 25, 41, 67, 40};
    for (int c = 0; c < 10; ++c) setup_.mapping.columns[static_cast<size_t>(fields[c])] = c + 1;
    setup_.templ.waybill.icID = 7;
    setup_.templ.waybill.year = 2026;
    setup_.templ.waybill.month = 3;
    setup_.templ.waybill.day = 15;
    setup_.station = "SZ";
  }

  ImportReport Run(std::vector<std::vector<std::u16string>> rows, int firstRow = 2) {
    CMemoryImportTable table(std::move(rows), false, firstRow);
    CWaybillImport import(services_, setup_);
    return import.Run(table);
  }

  CServiceKind kind_{"DHL"};
  RecordingLink link_;
  ImportServices services_;
  ImportSetup setup_;
  std::vector<InputWaybillRecord> saved_;
};

TEST_F(WaybillImportRows, NumbersGoodsPaymentAndExtras) {
  link_.numbers = {"SRV000001"};
  const ImportReport r = Run({
      {u"ab1234", u"美国", u"DHL", u"2", u"Shirt,Cap", u"2,3", u"1.5,2", u"到付", u"ID-9", u"12.5"},
      {u"br1234567", u"美国", u"dhl", u"1", u"Book", u"4", u"3", u"月结", u"", u""},
  });
  EXPECT_EQ(2, r.saved);
  EXPECT_EQ(0, r.Reported());
  ASSERT_EQ(2u, saved_.size());
  const WaybillRecord& a = saved_[0].waybill;
  EXPECT_EQ("SRV000001", FixedText(a.cNum)) << "6 characters: the server's number";
  ASSERT_EQ(1u, link_.numberRequests.size());
  EXPECT_EQ(5u, link_.numberRequests[0].first);
  EXPECT_EQ(5, a.iQuantity);
  EXPECT_EQ(180, a.iPrice);
  EXPECT_EQ("2,3", FixedText(a.cTransNote));
  EXPECT_EQ("CC", FixedText(a.cPayDir));
  EXPECT_EQ(2, a.nPayWay);
  EXPECT_EQ(900, a.irID);
  const WaybillRecord& b = saved_[1].waybill;
  EXPECT_EQ("BR1234567", FixedText(b.cNum)) << "7 characters: upper-cased";
  EXPECT_EQ("PP", FixedText(b.cPayDir));
  EXPECT_EQ(0, b.nPayWay);
  EXPECT_EQ(4, b.iQuantity);
  EXPECT_EQ("4", FixedText(b.cTransNote)) << "no consignment-note column: the quantity";
  // Goods rows only for the row with a list; the extras for both, with the
  // identity card and the collection returned.
  const auto goods = link_.StartingWith("INSERT INTO brantle.dbo.client_rec_goods");
  ASSERT_EQ(1u, goods.size());
  EXPECT_NE(std::string::npos, goods[0].find("select 0,900,'Shirt','',2,1.50,"));
  EXPECT_NE(std::string::npos, goods[0].find("union all select 1,900,'Cap','',3,2.00,"));
  const auto extras = link_.StartingWith("UPDATE brantle.dbo.client_rec SET ctrans=");
  ASSERT_EQ(2u, extras.size());
  EXPECT_EQ(
      "UPDATE brantle.dbo.client_rec SET ctrans='',cbearer='',cunit='',csidcard='',"
      "cridcard='ID-9',fgweight=0.000,fgoodsc=12.50 WHERE irid=900",
      extras[0]);
  // The call carries the kind and the station quoted.
  const auto calls = link_.StartingWith("{?=CALL brantle.dbo.cp_client_rec_fast_add(");
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ(0u, calls[0].find(Gbk(u"{?=CALL brantle.dbo.cp_client_rec_fast_add(7,1,0,'2026.3.15',0,2,"
                                  u"'admin','DHL','','美国','SRV000001','',2.000,")));
  EXPECT_NE(std::string::npos, calls[0].find(",'','SZ',0,0,")) << "the station, quoted";
}

TEST_F(WaybillImportRows, RefusalsAndTheTrailingCount) {
  link_.numbers = {};  // the server gives no numbers
  std::vector<std::vector<std::u16string>> rows = {
      {u"BR0000001", u"美国", u"DHL", u"1"},
      {u"BR0000002", u"", u"DHL", u"1"},          // row 3: no key
      {u"BR0000003", u"美国", u"XYZ", u"1"},      // row 4: no such kind
      {u"short", u"美国", u"DHL", u"1"},          // row 5: no number from the server
      {u"BR0000005", u"美国", u"DHL", u"1"},
  };
  for (int i = 0; i < 6; ++i) rows.push_back({});  // blank rows 7..12
  const ImportReport r = Run(rows);
  EXPECT_EQ(2, r.saved);
  ASSERT_EQ(3, r.Reported()) << "blank rows after the data are not reported";
  EXPECT_EQ(AppLanguage().Text(120067).replace(AppLanguage().Text(120067).find(u"%1"), 2, u"3"),
            r.errors[0]);
  EXPECT_EQ(AppLanguage().Text(120066).replace(AppLanguage().Text(120066).find(u"%1"), 2, u"4"),
            r.errors[1]);
  EXPECT_EQ(AppLanguage().Text(120072).replace(AppLanguage().Text(120072).find(u"%1"), 2, u"5"),
            r.errors[2]);
  EXPECT_EQ(r.errors[0] + u"\r\n" + r.errors[1] + u"\r\n" + r.errors[2] + u"\r\n", r.ClipboardText());
  // The last data row refused by the server, blank rows after it: the
  // refusal is still reported (only the blank rows' entries are dropped).
  const ImportReport last = Run({{u"BR0000001", u"美国", u"DHL", u"1"},
                                 {u"short", u"美国", u"DHL", u"1"},
                                 {},
                                 {}});
  EXPECT_EQ(1, last.saved);
  ASSERT_EQ(1, last.Reported());
  EXPECT_EQ(2, last.trailing);
  EXPECT_EQ(AppLanguage().Text(120072).replace(AppLanguage().Text(120072).find(u"%1"), 2, u"3"),
            last.errors[0]);
}

// A blank key after row 20 ends the import; rows below it are counted as
// not read instead of the import reporting success.
TEST_F(WaybillImportRows, AnEarlyEndNamesTheRowsNotRead) {
  std::vector<std::vector<std::u16string>> rows;
  for (int row = 2; row <= 25; ++row)
    rows.push_back({WideFromGbk("BR00000" + std::to_string(10 + row)), u"美国", u"DHL", u"1"});
  rows.push_back({});                                      // row 26: blank, ends the import
  rows.push_back({u"BR0000099", u"美国", u"DHL", u"1"});  // rows 27, 28 never read
  rows.push_back({});
  rows.push_back({u"BR0000098", u"美国", u"DHL", u"1"});
  const ImportReport r = Run(rows);
  EXPECT_EQ(24, r.saved);
  EXPECT_EQ(26, r.stoppedAtRow);
  EXPECT_EQ(2, r.unreadRows);
  EXPECT_EQ(27, r.firstUnreadRow);
  std::u16string unread = AppLanguage().Text(705000);
  unread.replace(unread.find(u"%1"), 2, u"26");
  unread.replace(unread.find(u"%2"), 2, u"2");
  unread.replace(unread.find(u"%3"), 2, u"27");
  EXPECT_EQ(unread + u"\r\n", r.ClipboardText());
  EXPECT_NE(std::u16string::npos, r.Summary().find(unread));
  // A sheet that ends cleanly reports plain success.
  saved_.clear();
  rows.resize(25);
  const ImportReport clean = Run(rows);
  EXPECT_EQ(0, clean.unreadRows);
  EXPECT_EQ(u"", clean.ClipboardText());
}

// Continuation rows: the goods lines and totals reach the server too, each
// statement checked; a waybill left without them is named and not counted.
TEST_F(WaybillImportRows, ContinuationRowsReachTheServer) {
  const ImportReport r = Run({
      {u"BR0000001", u"美国", u"DHL", u"1", u"Shirt", u"2", u"1.5"},
      {u"", u"", u"", u"", u"Cap", u"3", u"$2"},
      {u"", u"", u"", u"", u"Belt", u"1", u"4"},
      {u"BR0000002", u"美国", u"DHL", u"1", u"Book", u"1", u"9"},
  });
  EXPECT_EQ(2, r.saved);
  EXPECT_EQ(0, r.Reported());
  const std::vector<std::string> expected = {
      "DELETE brantle.dbo.client_rec_goods WHERE irid=900",
      "INSERT INTO brantle.dbo.client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,cgoodsa,"
      "cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate,fgweight) select 0,900,'Shirt','',2,1.50,'','','',"
      "'',0.00,0.0000,0.000 union all select 1,900,'Cap','',3,2.00,'','','','',0.00,0.0000,0.000 "
      "union all select 2,900,'Belt','',1,4.00,'','','','',0.00,0.0000,0.000 ",
      "UPDATE brantle.dbo.client_rec SET iquantity=6,iprice=216,cgoods='Shirt,Cap,Belt',"
      "ctransnote='2,3,1' WHERE irid=900",
  };
  ASSERT_GE(link_.sent.size(), 5u);
  EXPECT_EQ(expected[0], link_.sent[2]);
  EXPECT_EQ(expected[1], link_.sent[3]);
  EXPECT_EQ(expected[2], link_.sent[4]);
  ASSERT_EQ(3u, saved_.size()) << "the page hears of the new totals";
  EXPECT_EQ(6, saved_[1].waybill.iQuantity);

  // The same with the goods INSERT refused.
  link_ = RecordingLink{};
  link_.refuse = [](const std::string& s) { return s.rfind("INSERT INTO brantle.dbo.client_rec_goods", 0) == 0; };
  saved_.clear();
  const ImportReport refused = Run({
      {u"BR0000001", u"美国", u"DHL", u"1", u"Shirt", u"2", u"1.5"},
      {u"", u"", u"", u"", u"Cap", u"3", u"2"},
  });
  EXPECT_EQ(0, refused.saved);
  ASSERT_EQ(1, refused.Reported());
  EXPECT_NE(std::u16string::npos, refused.errors[0].find(u"BR0000001"));
  EXPECT_NE(std::u16string::npos, refused.errors[0].find(AppLanguage().Text(705002)));
}

// The goods rows and the extras are read: a waybill stored without them is
// named in the report and not counted as imported.
TEST_F(WaybillImportRows, AWaybillWithoutItsRowsIsNotCounted) {
  link_.refuse = [](const std::string& s) { return s.rfind("UPDATE brantle.dbo.client_rec SET ctrans", 0) == 0; };
  const ImportReport r = Run({{u"BR0000001", u"美国", u"DHL", u"1", u"A,B", u"1,2", u"1,1"}});
  EXPECT_EQ(0, r.saved);
  ASSERT_EQ(1, r.Reported());
  std::u16string head = AppLanguage().Text(120071);
  head.replace(head.find(u"%1"), 2, u"2");
  EXPECT_EQ(0u, r.errors[0].find(head + u","));
  EXPECT_NE(std::u16string::npos, r.errors[0].find(u"BR0000001"));
  EXPECT_NE(std::u16string::npos, r.errors[0].find(AppLanguage().Text(21353)));
  EXPECT_EQ(1u, link_.StartingWith("INSERT INTO brantle.dbo.client_rec_goods").size());
}

TEST_F(WaybillImportRows, NoKeyColumnStopsBeforeTheFirstRow) {
  setup_.mapping.columns[2] = -1;
  const ImportReport r = Run({{u"BR0000001", u"美国", u"DHL"}});
  EXPECT_EQ(AppLanguage().Text(120063) + u"目的地 || 收件地址\r\n", r.refusal);
  EXPECT_TRUE(link_.sent.empty());
}

// A channel name of the mapping file's channel block stands for its kind;
// a text that is neither a channel name nor a kind code is refused with
// 120066 and the rows after it are still imported.
TEST_F(WaybillImportRows, ChannelNamesOfTheChannelBlock) {
  setup_.mapping.hasChannelBlock = true;
  setup_.mapping.channels = {{u"空运", u"DHL"}, {u"经济", u"dhl"}};
  const ImportReport r = Run({
      {u"BR0000001", u"美国", u"空运", u"1"},
      {u"BR0000002", u"美国", u"海运", u"1"},
      {u"BR0000003", u"美国", u"经济", u"1"},
      {u"BR0000004", u"美国", u"DHL", u"1"},
      {u"BR0000005", u"美国", u"空运 ", u"1"},
  });
  EXPECT_EQ(4, r.saved);
  ASSERT_EQ(1, r.Reported());
  EXPECT_EQ(AppLanguage().Text(120066).replace(AppLanguage().Text(120066).find(u"%1"), 2, u"3"),
            r.errors[0]);
  ASSERT_EQ(4u, saved_.size());
  for (const InputWaybillRecord& saved : saved_)
    EXPECT_EQ("DHL", FixedText(saved.waybill.cZizKind)) << FixedText(saved.waybill.cNum);
  const auto calls = link_.StartingWith("{?=CALL brantle.dbo.cp_client_rec_fast_add(");
  ASSERT_EQ(4u, calls.size());
  for (const std::string& call : calls) EXPECT_NE(std::string::npos, call.find(",'admin','DHL',"));
  // Without a channel block the name names no kind.
  setup_.mapping.channels.clear();
  saved_.clear();
  const ImportReport plain = Run({{u"BR0000001", u"美国", u"空运", u"1"}});
  EXPECT_EQ(0, plain.saved);
  EXPECT_EQ(1, plain.Reported());
}

// A stop request ends the import before its next row: the rows saved
// before it stay saved, and the summary and the clipboard say from which
// row on nothing was imported.  Every row is announced before it is read.
TEST_F(WaybillImportRows, AStopRequestEndsTheImportBeforeTheNextRow) {
  std::vector<std::pair<int, int>> announced;
  services_.progress = [&](int row, int saved) { announced.emplace_back(row, saved); };
  services_.stopRequested = [&] { return announced.size() >= 3; };
  std::vector<std::vector<std::u16string>> rows;
  for (int i = 1; i <= 6; ++i)
    rows.push_back({WideFromGbk("BR000000" + std::to_string(i)), u"美国", u"DHL", u"1"});
  const ImportReport r = Run(rows);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(4, r.stopRow);
  EXPECT_EQ(2, r.saved);
  EXPECT_EQ((std::vector<std::pair<int, int>>{{2, 0}, {3, 1}, {4, 2}}), announced);
  EXPECT_EQ(2u, link_.StartingWith("{?=CALL brantle.dbo.cp_client_rec_fast_add(").size());
  std::u16string stopped = AppLanguage().Text(714003);
  stopped.replace(stopped.find(u"%1"), 2, u"4");
  std::u16string summary = AppLanguage().Text(120065);
  summary.replace(summary.find(u"%1"), 2, u"2");
  EXPECT_EQ(summary + u"\r\n" + stopped, r.Summary());
  EXPECT_EQ(stopped + u"\r\n", r.ClipboardText());
}

// The destination of a row is looked up by name, then by code, then by
// free text, then by English name; what none finds is kept as typed
// (upper-cased) with the destination class 0.
TEST_F(WaybillImportRows, DestinationLookUpOrder) {
  CDestinationTable destinations;
  const std::string rows =
      "{\"i\":1,\"n\":\"JP\",\"c\":\"J1\",\"e\":\"JP NAME\",\"t\":1},"
      "{\"i\":2,\"n\":\"" + Gbk(u"日本") + "\",\"c\":\"JP\",\"e\":\"JAPAN\",\"t\":2},"
      "{\"i\":3,\"n\":\"" + Gbk(u"英国") + "\",\"c\":\"UK\",\"e\":\"UNITED KINGDOM\",\"t\":3},"
      "{\"i\":4,\"n\":\"" + Gbk(u"辽宁鞍山") + "\",\"c\":\"AS1\",\"e\":\"ANSHAN\",\"t\":4},"
      "{\"i\":5,\"n\":\"" + Gbk(u"德国") + "\",\"c\":\"DE\",\"e\":\"GERMANY\",\"t\":5}";
  ASSERT_EQ(5, destinations.ApplyReply("{\"List\":[" + rows + "]}"));
  destinations.BuildIndexes();
  services_.destinations = &destinations;
  const struct {
    std::u16string text;
    std::u16string des;
    int language;
  } cases[] = {
      {u"jp", u"JP", 1},          // a name before a code (upper-cased first)
      {u"uk", u"英国", 3},        // a code
      {u"鞍山", u"辽宁鞍山", 4},  // free text
      {u"germany", u"德国", 5},   // an English name
      {u"Atlantis", u"ATLANTIS", 0},
  };
  std::vector<std::vector<std::u16string>> sheet;
  int n = 0;
  for (const auto& c : cases)
    sheet.push_back({u"BR000010" + WideFromGbk(std::to_string(++n)), c.text, u"DHL", u"0"});
  const ImportReport r = Run(sheet);
  ASSERT_EQ(5, r.saved);
  ASSERT_EQ(5u, saved_.size());
  for (size_t i = 0; i < saved_.size(); ++i) {
    SCOPED_TRACE(Utf8FromWide(cases[i].text));
    EXPECT_EQ(cases[i].des, WideFromGbk(FixedText(saved_[i].waybill.cDes)));
    EXPECT_EQ(cases[i].language, saved_[i].waybill.nLanguage);
  }
}

}  // namespace
