// The field update and fee imports: the values they write, the rows they
// refuse, against a link that records every statement, and a CSV file of
// 1,000 rows against the local stand-in server.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include <QString>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "common/CsvReader.h"
#include "common/GoodsRecord.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "shipping/RecordImport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

std::string G(const char* utf8) { return GbkFromWide(QString::fromUtf8(utf8).toStdU16String()); }
std::u16string W(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }
std::string U8(const std::u16string& w) { return QString::fromStdU16String(w).toStdString(); }

// Statements straight on the stand-in's database, with the server's text
// collation stood in by a plain byte comparison (enough for equality).
sqlite3* OpenDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                             return c ? c : n1 - n2;
                           });
  return db;
}

bool ExecDb(const std::string& path, const std::string& sql) {
  sqlite3* db = OpenDatabase(path);
  bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!ok) ADD_FAILURE() << sqlite3_errmsg(db);
  sqlite3_close(db);
  return ok;
}

int64_t CountDb(const std::string& path, const std::string& sql) {
  sqlite3* db = OpenDatabase(path);
  sqlite3_stmt* st = nullptr;
  int64_t n = -1;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int64(st, 0);
  else
    ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
  sqlite3_finalize(st);
  sqlite3_close(db);
  return n;
}

// Answers look-ups from a table of numbers and records every statement.
class FakeLink : public RecordImportLink {
 public:
  std::map<std::string, int32_t> ids;
  std::vector<std::string> sent;
  std::function<ImportExecResult(const std::string&)> answer;

  int32_t FindWaybillId(std::string_view number, bool) override {
    auto it = ids.find(std::string(number));
    return it == ids.end() ? 0 : it->second;
  }
  ImportExecResult Execute(std::string_view sql, std::span<const uint32_t>) override {
    sent.emplace_back(sql);
    if (answer) return answer(sent.back());
    ImportExecResult r;
    r.sent = 20;
    r.returnValue = 1;
    r.hasList = sql.substr(0, 3) == "{?=";
    r.firstColumn = 2;
    return r;
  }
  std::string UserName() override { return G("管理员"); }

  int Count(std::string_view prefix) const {
    int n = 0;
    for (const auto& s : sent) n += s.rfind(prefix, 0) == 0;
    return n;
  }
};

class RecordImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    context_.link = &link_;
  }
  FieldUpdateChoice Choice(std::vector<std::u16string> header) {
    FieldUpdateChoice c;
    MapFieldUpdateHeader(header, c);
    return c;
  }
  FakeLink link_;
  RecordImportContext context_;
};

struct EntryCase {
  int index;
  const char* value;
  bool overwrite;
  const char* expected;  // null: not written
};

TEST_F(RecordImportTest, FieldEntriesFollowTheirKindAndThreshold) {
  const EntryCase cases[] = {
      {3, "", false, nullptr},
      {3, "", true, "cmark=''"},
      {3, "O'Neil label too long", false, "cmark='O''Neil label to'"},
      {5, "0", false, nullptr},
      {5, "0", true, "ireserve=0"},
      {5, "12.9", false, "ireserve=12"},
      {34, "0", false, nullptr},
      {35, "12.34", false, "iprice=1234"},
      {35, "0.001", false, nullptr},
      {43, "7", false, "idvalue=700"},
      {44, "0", true, "iivalue=0"},
      {41, "0.004", false, nullptr},
      {41, "0.004", true, "fgcustom=0.00"},
      {42, "0.125", false, "fgcrate=0.1250"},
      {47, "0.01", false, "fgoods=0.01"},
      {54, "1.5", false, "fgweight=1.500"},
      {58, "USDX", false, "cmoney='USD'"},
  };
  for (const EntryCase& c : cases) {
    FieldUpdateValue v;
    v.text = c.value;
    auto entry = FieldUpdateEntry(c.index, v, c.overwrite);
    if (c.expected) {
      ASSERT_TRUE(entry) << c.index << " " << c.value;
      EXPECT_EQ(c.expected, *entry);
    } else {
      EXPECT_FALSE(entry) << c.index << " " << c.value << " gave " << entry.value_or("");
    }
  }
  // A GBK text is cut without splitting a character.
  FieldUpdateValue chinese;
  chinese.text = G("一二三四五六七八九十一二三四五六七八");  // 36 bytes
  EXPECT_EQ("csender='" + G("一二三四五六七八九十一二三四五") + "'",
            *FieldUpdateEntry(11, chinese, false));
  // Numbers that are no finite number are refused, never written.
  for (const char* bad : {"inf", "nan", "1e999"}) {
    bool badNumber = false;
    FieldUpdateValue v;
    v.text = bad;
    EXPECT_FALSE(FieldUpdateEntry(47, v, true, &badNumber));
    EXPECT_TRUE(badNumber) << bad;
  }
}

TEST_F(RecordImportTest, SettingsFileKeepsOnlyValuesWithinTheirLengths) {
  std::string text = G("前言\r\n<定义开始>\r\n快递类别=FEE\r\n内单号后缀=-F\r\n固定目的地=\r\n"
                       "固定标签=附费\r\n<定义结束>\r\n快递类别=LATE\r\n");
  FeeImportSettings s = ParseFeeImportSettings(text);
  EXPECT_EQ("FEE", s.serviceKind);
  EXPECT_EQ("-F", s.suffix);
  EXPECT_EQ("", s.destination);
  EXPECT_EQ(G("附费"), s.label);
  EXPECT_TRUE(s.FeeImportReady());

  s = ParseFeeImportSettings(G("<定义开始>\n快递类别=FEE\n内单号后缀=12345678\n<定义结束>"));
  EXPECT_EQ("", s.suffix);
  EXPECT_FALSE(s.FeeImportReady());

  s = ParseFeeImportSettings(G("快递类别=FEE\n内单号后缀=-F\n"));
  EXPECT_FALSE(s.FeeImportReady());
}

TEST_F(RecordImportTest, OnlyTheKeyColumnChangesNothing) {
  link_.ids["BR10000001"] = 1;
  CMemoryImportTable table({{u"BR10000001"}}, false);
  RecordImportReport r = RunFieldUpdate(Choice({W("运单号")}), table, context_);
  EXPECT_EQ(0, r.updated);
  EXPECT_EQ(0, r.errors);
  EXPECT_TRUE(link_.sent.empty());
}

TEST_F(RecordImportTest, RowsAreRefusedWithTheirReasonAndNeverCountedAsUpdated) {
  link_.ids = {{"BR10000001", 1}, {"BR10000002", 2}, {"BR10000003", 3}, {"BR10000004", 4}};
  link_.answer = [](const std::string& sql) {
    ImportExecResult r;
    r.sent = 20;
    r.returnValue = sql.find("irid=3") != std::string::npos ? -406 : 1;
    if (r.returnValue < 0) r.error = "constraint failed";
    return r;
  };
  CMemoryImportTable table(
      {
          {u"BR10000001", W("张三"), u"5"},
          {u"BR10000001", u"again", u"5"},      // the same waybill twice
          {u"BR1000'0002", u"quote", u"1"},     // a quote in the number
          {u"BR10000003", u"refused", u"1"},    // the server refuses
          {u"BR10000004", u"", u"0"},           // nothing to write
          {u"XX99999999", u"nobody", u"1"},     // no such waybill
          {u"BR10000002", u"x", u"inf"},        // not a number
      },
      false);
  std::vector<int32_t> told;
  context_.changed = [&](int32_t id) { told.push_back(id); };
  RecordImportReport r = RunFieldUpdate(Choice({W("运单号"), W("收件人"), W("物品数量")}),
                                        table, context_);
  EXPECT_EQ(1, r.updated);
  EXPECT_EQ(6, r.errors);
  EXPECT_EQ(std::vector<int32_t>{1}, told);
  EXPECT_EQ(std::vector<int32_t>{1}, r.changedIds);
  const std::string log = U8(r.log);
  EXPECT_NE(std::string::npos, log.find("Row 3 BR10000001")) << log;
  EXPECT_NE(std::string::npos, log.find("Row 4 BR1000'0002")) << log;
  EXPECT_NE(std::string::npos, log.find("constraint failed")) << log;
  EXPECT_NE(std::string::npos, log.find("Row 7 XX99999999")) << log;
  EXPECT_NE(std::string::npos, log.find("Row 8 BR10000002")) << log;
  // The receiver of a workbook is kept as its narrow-field text.
  EXPECT_EQ("UPDATE brantle.dbo.client_rec SET creceiver='" + G("张三") +
                "',iquantity=5 WHERE irid=1",
            link_.sent[0]);
  EXPECT_EQ(1, link_.Count("{CALL brantle.dbo.cp_sys_log_add("));
  EXPECT_NE(std::string::npos,
            link_.sent.back().find(G("导入[收件人,物品数量]_1"))) << link_.sent.back();
  EXPECT_NE(std::string::npos, ImportSummaryText(r).find(u"7 rows, 1 done, 6 refused"));
}

TEST_F(RecordImportTest, ATransportFailureStopsTheImport) {
  link_.ids = {{"BR10000001", 1}, {"BR10000002", 2}};
  link_.answer = [](const std::string& sql) {
    ImportExecResult r;
    r.sent = sql.find("irid=2") != std::string::npos ? -5 : 20;
    r.returnValue = 1;
    return r;
  };
  CMemoryImportTable table({{u"BR10000001", u"a"}, {u"BR10000002", u"b"}, {u"BR10000001", u"c"}},
                           false);
  RecordImportReport r = RunFieldUpdate(Choice({W("运单号"), W("备注")}), table, context_);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(1, r.updated);
  EXPECT_NE(std::string::npos, U8(r.stopReason).find("Row 3 BR10000002"));
}

TEST_F(RecordImportTest, AddressLinesJoinOnlyWhenTheAddressIsEmpty) {
  link_.ids = {{"BR10000001", 1}, {"BR10000002", 2}};
  CMemoryImportTable table({{u"BR10000001", u"", u"L1", u"L2", u""},
                            {u"BR10000002", u"Main St", u"L1", u"L2", u"L3"}},
                           false);
  RecordImportReport r = RunFieldUpdate(
      Choice({W("运单号"), W("收件地址"), W("收件地址1"), W("收件地址2"), W("收件地址3")}),
      table, context_);
  EXPECT_EQ(2, r.updated);
  EXPECT_EQ("UPDATE brantle.dbo.client_rec SET caddr='L1\r\nL2' WHERE irid=1", link_.sent[0]);
  EXPECT_EQ("UPDATE brantle.dbo.client_rec SET caddr='Main St' WHERE irid=2", link_.sent[1]);
}

TEST_F(RecordImportTest, SeveralGoodsItemsReplaceTheGoodsLinesByADeleteThenAnInsert) {
  link_.ids = {{"BR10000001", 1}, {"BR10000002", 2}};
  CMemoryImportTable table({{u"BR10000001", u"Cap,T'shirt", u"1,2", u"3.5,4"},
                            {u"BR10000002", u"Cap", u"1", u"3.5"}},
                           false);
  RecordImportReport r =
      RunFieldUpdate(Choice({W("运单号"), W("物品描述"), W("物品数量"), W("物品单价")}), table,
                     context_);
  EXPECT_EQ(2, r.updated);
  EXPECT_EQ(0, r.errors);
  ASSERT_EQ(5u, link_.sent.size());  // and the system log line last
  EXPECT_EQ("DELETE brantle.dbo.client_rec_goods WHERE irid=1", link_.sent[1]);
  EXPECT_EQ("INSERT INTO brantle.dbo.client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,"
            "cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate,fgweight)  select 0,1,'Cap','',1,"
            "3.50,'','','','',0.00,0.0000,0.000  union all select 1,1,'T''shirt','',2,4.00,'',"
            "'','','',0.00,0.0000,0.000 ",
            link_.sent[2]);
  EXPECT_EQ("UPDATE brantle.dbo.client_rec SET cgoods='Cap',iquantity=1,iprice=350 WHERE irid=2",
            link_.sent[3]);
}

// What the server answers to the DELETE and to the INSERT, and what the row
// then comes to: a refused DELETE keeps the old lines and sends no INSERT; a
// refused INSERT after the DELETE names the row as one to import again.
TEST_F(RecordImportTest, ARefusedGoodsStatementIsLoggedWithWhatItLeft) {
  struct Case {
    bool deleteRuns, insertRuns;
    size_t statements;
    const char* log;
  } cases[] = {
      {true, true, 4, ""},  // with the system log line
      {false, true, 2,
       "\r\nRow 2 BR10000001: fields updated, goods lines not replaced: no delete"},
      {true, false, 3,
       "\r\nRow 2 BR10000001: the old goods lines were deleted but the new ones were not "
       "stored (no insert); import this row again."},
  };
  for (const Case& c : cases) {
    FakeLink link;
    link.ids = {{"BR10000001", 1}};
    link.answer = [&c](const std::string& sql) {
      ImportExecResult r;
      r.sent = 20;
      r.returnValue = 1;
      if ((sql.rfind("DELETE", 0) == 0 && !c.deleteRuns) ||
          (sql.rfind("INSERT", 0) == 0 && !c.insertRuns)) {
        r.returnValue = -1;
        r.error = sql.rfind("DELETE", 0) == 0 ? "no delete" : "no insert";
      }
      return r;
    };
    context_.link = &link;
    CMemoryImportTable table({{u"BR10000001", u"Cap,Hat", u"1,2"}}, false);
    RecordImportReport r =
        RunFieldUpdate(Choice({W("运单号"), W("物品描述"), W("物品数量")}), table, context_);
    EXPECT_EQ(c.statements, link.sent.size()) << c.log;
    EXPECT_EQ(std::string(c.log), U8(r.log));
    EXPECT_EQ(c.deleteRuns && c.insertRuns ? 1 : 0, r.updated) << c.log;
    EXPECT_EQ((std::vector<int32_t>{1}), r.changedIds) << c.log;
    EXPECT_FALSE(r.stopped);
  }
}

TEST_F(RecordImportTest, FiftyOneShortRowsEndTheFile) {
  link_.ids = {{"BR10000001", 1}, {"BR10000002", 2}};
  std::vector<std::vector<std::u16string>> rows = {{u"BR10000001", u"a"}};
  for (int i = 0; i < 30; ++i) rows.push_back({u"", u"x"});
  rows.push_back({u"BR10000002", u"b"});  // still read: 30 short rows so far
  for (int i = 0; i < 21; ++i) rows.push_back({u"123", u"x"});
  rows.push_back({u"BR10000003", u"c"});  // after 51 short rows: never read
  link_.ids["BR10000003"] = 3;
  CMemoryImportTable table(rows, false);
  RecordImportReport r = RunFieldUpdate(Choice({W("运单号"), W("备注")}), table, context_);
  EXPECT_EQ(2, r.updated);
  EXPECT_EQ((std::vector<int32_t>{1, 2}), r.changedIds);
}

TEST_F(RecordImportTest, FeeRowsFollowTheAmountThresholdAndTheResultCodes) {
  link_.ids = {{"BR10000001", 1}, {"BR10000002", 2}, {"BR10000003", 3}};
  link_.answer = [](const std::string& sql) {
    ImportExecResult r;
    r.sent = 20;
    r.returnValue = 1;
    r.hasList = true;
    r.firstColumn = sql.find("'BR10000002'") != std::string::npos ? -1 : 77;
    return r;
  };
  FeeImportSettings s;
  s.serviceKind = "F'K";
  s.suffix = "-'F";
  s.label = "L";
  CMemoryImportTable table({{u"BR10000001", u"0.01", u"1.5", u"note'1"},
                            {u"BR10000003", u"0.009", u"1", u""},
                            {u"BR10000002", u"5", u"1", u""},
                            {u"BR10000001", u"5", u"1", u""}},
                           false);
  RecordImportReport r = RunFeeImport(s, table, context_);
  EXPECT_EQ(1, r.updated);
  EXPECT_EQ(3, r.errors);
  ASSERT_EQ(2u, link_.sent.size());
  EXPECT_EQ(G("{?=CALL brantle.dbo.cp_client_rec_add_4fee('BR10000001','BR10000001-''F','F''K',"
              "0.01,1.500,'','L','管理员','note''1')}"),
            link_.sent[0]);
  const std::string log = U8(r.log);
  EXPECT_NE(std::string::npos, log.find("Row 3 BR10000003: the amount")) << log;
  EXPECT_NE(std::string::npos, log.find("Row 4 BR10000002: the fee waybill exists")) << log;
  EXPECT_NE(std::string::npos, log.find("Row 5 BR10000001: the waybill was updated")) << log;
}

TEST_F(RecordImportTest, AFeeResultOfZeroStopsTheImport) {
  link_.ids = {{"BR10000001", 1}, {"BR10000002", 2}};
  link_.answer = [](const std::string&) {
    ImportExecResult r;
    r.sent = 20;
    r.returnValue = 1;
    r.hasList = true;
    r.firstColumn = 0;
    return r;
  };
  FeeImportSettings s;
  s.serviceKind = "F";
  s.suffix = "F";
  CMemoryImportTable table({{u"BR10000001", u"1"}, {u"BR10000002", u"1"}}, false);
  RecordImportReport r = RunFeeImport(s, table, context_);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(1u, link_.sent.size());
}

// ---- Against the stand-in ----

class RecordImportStandIn : public testsupport::StandInLinkSuite<RecordImportStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-record-import";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("01", "PC-IMPORT"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    importLink_ = MakeServerRecordImportLink(link_);
    context_.link = importLink_.get();
  }
  int64_t Count(const std::string& sql) {
    return CountDb(server_->Database(), sql);
  }
  std::unique_ptr<RecordImportLink> importLink_;
  RecordImportContext context_;
};

TEST_F(RecordImportStandIn, AThousandRowCsvFileUpdatesWhatTheServerAccepts) {
  ASSERT_TRUE(ExecDb(
      server_->Database(),
      "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<1000) "
      "INSERT INTO client_rec(icid,cnum,ddate) SELECT 1,printf('BR16%06d',x),"
      "'2024-03-01 00:00:00' FROM n;"
      "CREATE TRIGGER refuse_memo BEFORE UPDATE ON client_rec WHEN NEW.cmemo='REFUSE' "
      "BEGIN SELECT RAISE(ABORT,'memo refused'); END;"));

  // Rows 2..1001 of the file; every 100th kind of fault once per hundred.
  std::u16string text = W("运单号,收件人,备注,代收货款,物品数量,收件地址1,收件地址2\r\n");
  int expectedUpdated = 0, expectedRefused = 0;
  for (int i = 1; i <= 1000; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "BR16%06d", i);
    std::u16string n = QString::fromLatin1(number).toStdU16String();
    std::u16string memo = u"memo " + QString::number(i).toStdU16String();
    std::u16string amount = u"12.5";
    switch (i % 100) {
      case 7: n.insert(4, u"'"); ++expectedRefused; break;           // a quote in the number
      case 13: n = u"ZZ" + n.substr(2); ++expectedRefused; break;    // matches nothing
      case 21: memo = u"REFUSE"; ++expectedRefused; break;           // the server refuses
      case 33: amount = u"1e999"; ++expectedRefused; break;          // not a number
      case 45: n.clear(); break;                                     // a short row
      default: ++expectedUpdated;
    }
    text += n + u"," + W("收件人") + QString::number(i).toStdU16String() + u"," + memo + u"," +
            amount + u"," + QString::number(i % 5).toStdU16String() + u",\"L1, " +
            QString::number(i).toStdU16String() + u"\",L2\r\n";
  }
  text += u"BR16000001,again,x,1,1,,\r\n";  // the same waybill again
  ++expectedRefused;
  const std::filesystem::path file = folder_ / "update.csv";
  std::ofstream(file, std::ios::binary) << GbkFromWide(text);

  CCsvReader reader(54936);
  ASSERT_TRUE(reader.LoadFile(file));
  CCsvImportTable table(reader, 1);
  FieldUpdateChoice choice;
  choice.csv = true;
  MapFieldUpdateHeader({W("运单号"), W("收件人"), W("备注"), W("代收货款"), W("物品数量"),
                        W("收件地址1"), W("收件地址2")},
                       choice);
  RecordImportReport r = RunFieldUpdate(choice, table, context_);

  EXPECT_FALSE(r.stopped) << U8(r.stopReason);
  EXPECT_EQ(expectedUpdated, r.updated);
  EXPECT_EQ(expectedRefused, r.errors) << U8(r.log);
  EXPECT_EQ(expectedUpdated, Count("SELECT count(*) FROM client_rec WHERE cmemo LIKE 'memo %'"));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec WHERE cmemo='REFUSE'"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE cnum='BR16000005' AND "
                     "creceiver='收件人5' AND fgoods=12.5 AND iquantity=0 AND "
                     "caddr='L1, 5'||char(13)||char(10)||'L2'"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE cnum='BR16000006' AND iquantity=1"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE cnum='BR16000001' AND "
                     "cmemo='memo 1'"));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec WHERE cnum='BR16000007' AND cmemo<>''"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM sys_log WHERE ckind='修改' AND "
                     "ctext='导入[收件人,物品数量,代收货款...]_" +
                     std::to_string(expectedUpdated) + "'"));
  const std::string log = U8(r.log);
  EXPECT_NE(std::string::npos, log.find("memo refused")) << log;
  EXPECT_NE(std::string::npos, log.find("BR16'000007: no such waybill")) << log;
}

TEST_F(RecordImportStandIn, GoodsLinesGoThroughTwoStatementsAndFeesThroughTheirProcedure) {
  const int64_t id = Count("SELECT irid FROM client_rec WHERE cnum='BR10000003'");
  ASSERT_GT(id, 0);
  CMemoryImportTable goods({{u"BR10000003", W("帽子,T'恤"), u"1,2", u"3.5,4"}}, false);
  FieldUpdateChoice choice;
  MapFieldUpdateHeader({W("运单号"), W("物品描述"), W("物品数量"), W("物品单价")}, choice);
  RecordImportReport r = RunFieldUpdate(choice, goods, context_);
  EXPECT_EQ(1, r.updated) << U8(r.log);
  const std::string where = " FROM client_rec_goods WHERE irid=" + std::to_string(id);
  EXPECT_EQ(2, Count("SELECT count(*)" + where));
  EXPECT_EQ(1, Count("SELECT count(*)" + where + " AND wpos=1 AND cgoods='T''恤' AND "
                     "iquantity=2 AND fprice=4"));

  EXPECT_EQ(1, Count("SELECT count(*)" + where + " AND wpos=0 AND cgoods='帽子' AND "
                     "iquantity=1 AND fprice=3.5"));

  // The server refuses the INSERT after the DELETE went through: the
  // operator is told the row lost its goods lines and is to be imported
  // again.
  ASSERT_TRUE(ExecDb(server_->Database(),
                     "CREATE TRIGGER refuse_goods BEFORE INSERT ON client_rec_goods "
                     "BEGIN SELECT RAISE(ABORT,'goods refused'); END;"));
  CMemoryImportTable refused({{u"BR10000003", W("鞋,袜"), u"1,3", u"9,1"}}, false);
  r = RunFieldUpdate(choice, refused, context_);
  EXPECT_EQ(0, r.updated);
  EXPECT_EQ(1, r.errors);
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ((std::vector<int32_t>{static_cast<int32_t>(id)}), r.changedIds);
  EXPECT_EQ(0, Count("SELECT count(*)" + where));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE irid=" + std::to_string(id) +
                     " AND cgoods='鞋,袜'"));
  const std::string log = U8(r.log);
  EXPECT_EQ(0u, log.find("\r\nRow 2 BR10000003: the old goods lines were deleted but the new "
                         "ones were not stored (")) << log;
  EXPECT_NE(std::string::npos, log.find("goods refused")) << log;
  EXPECT_EQ(log.size() - std::string("); import this row again.").size(),
            log.rfind("); import this row again.")) << log;
  ASSERT_TRUE(ExecDb(server_->Database(), "DROP TRIGGER refuse_goods;"));

  FeeImportSettings s = ParseFeeImportSettings(
      G("<定义开始>\n快递类别=FEE\n内单号后缀=-F'1\n固定标签=附费\n<定义结束>\n"));
  ASSERT_TRUE(s.FeeImportReady());
  CMemoryImportTable fees({{u"BR10000003", u"8.5", u"0.5", W("附费'说明")},
                           {u"BR10000004", u"0.009", u"1", u""},
                           {u"BR99999999", u"1", u"1", u""}},
                          false);
  r = RunFeeImport(s, fees, context_);
  EXPECT_FALSE(r.stopped) << U8(r.stopReason);
  EXPECT_EQ(1, r.updated);
  EXPECT_EQ(2, r.errors);
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE cnum='BR10000003-F''1' AND "
                     "famount=8.5 AND cmark='附费' AND cmemo='附费''说明'"));
  // The same fee again: the fee waybill exists.
  CMemoryImportTable again({{u"BR10000003", u"8.5", u"0.5", u""}}, false);
  r = RunFeeImport(s, again, context_);
  EXPECT_EQ(0, r.updated);
  EXPECT_NE(std::string::npos, U8(r.log).find("exists already"));
}

}  // namespace
