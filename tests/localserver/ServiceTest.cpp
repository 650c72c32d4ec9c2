#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <sqlite3.h>

#include "TestClient.h"
#include "localserver/PasswordScramble.h"
#include "localserver/SqlRewriter.h"

using namespace lstest;

namespace {

class ServiceTest : public ::testing::Test {
 protected:
  static ServiceOptions Options() {
    ServiceOptions o;
    o.pageRows = 7;
    return o;
  }
  RunningServer server{Options()};
  Client client{server.Port()};
};

TEST_F(ServiceTest, LoginHandsOutSessionAndRights) {
  ASSERT_GT(server.Port(), 0);
  json r = client.Login("zhang", "zhang123");
  ASSERT_GT(r["ReturnValue"].get<int>(), 0) << r.dump();
  EXPECT_EQ(r["cUserName"], "张三");
  EXPECT_EQ(r["cStation"], "SZ");
  EXPECT_GT(r["iLogID"].get<int>(), 0);
  EXPECT_EQ(r["xRight"], "FFFFFFFFFF0000000000000000000000");
  EXPECT_EQ(r["xRighti"], "40000000000000000000000000000000");
  EXPECT_EQ(r["xEncrypt"].get<std::string>().size(), 32u);
  // The second login gets another key.
  Client other(server.Port());
  json r2 = other.Login("zhang", "zhang123");
  EXPECT_NE(r2["xEncrypt"], r["xEncrypt"]);
}

TEST_F(ServiceTest, LoginRefusals) {
  int64_t now = ServerTimeStamp(time(nullptr));
  EXPECT_EQ(client.Login("nobody", "x")["ReturnValue"], rc::kUnknownAccount);
  EXPECT_EQ(client.Login("zhang", "wrong")["ReturnValue"], rc::kWrongPassword);
  EXPECT_EQ(client.Login("stop", "stop123")["ReturnValue"], rc::kAccountDisabled);
  EXPECT_EQ(client.Login("zhang", "zhang123", now, 112)["ReturnValue"], rc::kOldProgram);
  EXPECT_EQ(client.Login("zhang", "zhang123", now - 7200)["ReturnValue"], rc::kClockSkew);
  // A GBK password digests as GBK bytes.
  EXPECT_GT(client.Login("wang", "王五pw1")["ReturnValue"].get<int>(), 0);
}

TEST_F(ServiceTest, RepliesAreAsciiWithTheListLast) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  json req = client.SqlBody("sSqlQuery",
                            GbkOf("SELECT irid,cdes,cmemo,ddate,cemskind FROM brantle.dbo.client_rec WHERE irid IN(3,4) ORDER BY irid"),
                            {kSlong, Char(64), Char(256), kTimestamp, Char(6)}, false);
  std::string text = client.PostRaw(req.dump());
  for (unsigned char c : text) ASSERT_LT(c, 0x80) << text;
  EXPECT_EQ(text.rfind("{\"ReturnValue\":1,\"iTotal\":2,\"bEnd\":true,\"List\":[", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 2), "]}");
  json r = json::parse(text);
  EXPECT_EQ(r["List"][0]["1"], "O'Hare");
  EXPECT_EQ(r["List"][0]["2"], "第一行\n第二行 \"引号\" \\ 斜杠");
  EXPECT_EQ(r["List"][0]["3"], "2024-03-04 10:03:00");
  // CHAR 6 keeps 5 GBK bytes without splitting a character: "ZIZ国" is 5.
  EXPECT_EQ(r["List"][1]["4"], "ZIZ国");
  // Escapes as the client reads them: upper-case hex, specials escaped.
  EXPECT_NE(text.find("\\u7B2C\\u4E00\\u884C\\u000A"), std::string::npos) << text;
  EXPECT_NE(text.find("\\u0022"), std::string::npos);
}

TEST_F(ServiceTest, ColumnsFollowTheirDeclaredTypes) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  json r = client.SqlRequest("sSqlQuery",
                             "SELECT mcaccount,mvright,migrade,fpay0,nactive,nactive FROM man_main,client_arc "
                             "WHERE mcaccount='zhang' AND icid=1",
                             {Char(32), Binary(16), kUtiny, kDouble, kBit});
  ASSERT_EQ(r["ReturnValue"], 1) << r.dump();
  const json& row = r["List"][0];
  EXPECT_EQ(row["0"], "zhang");
  EXPECT_EQ(row["1"], "FFFFFFFFFF0000000000000000000000");
  EXPECT_EQ(row["2"], 10);
  EXPECT_EQ(row["3"], 1452.0);  // the unpaid monthly waybills of customer 1
  EXPECT_EQ(row["4"], 0);
  EXPECT_EQ(row["5"], 0);  // beyond the declared types: by its own type
  // A value equal to a column key is written as it is.
  json d = client.SqlRequest("sSqlQuery", "SELECT dcname,dcvalue FROM brantle.dbo.sys_dict WHERE dcname='5'",
                             {Char(32), Char(128)});
  EXPECT_EQ(d["List"][0]["0"], "5");
  std::string raw = client.PostRaw(client.SqlBody("sSqlQuery", "SELECT dcname,dcvalue FROM sys_dict WHERE dcname='5'",
                                                  {Char(32), Char(128)}, false).dump());
  EXPECT_NE(raw.find(R"({"0":"5","1":"7"})"), std::string::npos) << raw;
  EXPECT_EQ(d["List"][0]["1"], "7");
}

// Statements of one form (the same text but for its values) run as one
// statement rewritten once: each text must still store and find exactly
// its own values, including the values the rewriter reads (dates compared
// with a date column) and texts the rewriter must not touch.
TEST_F(ServiceTest, StatementsOfOneFormKeepTheirOwnValues) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  const std::string longText(300, 'k');
  const struct {
    const char* set;    // the SET list written to waybill 1
    const char* where;  // added to "irid=1"
    int changed;        // rows the UPDATE changed, as sSqlQuery counts them after
    const char* memo;
    double weight;
  } cases[] = {
      {"cmemo='one',fweight=1.5", "", 1, "one", 1.5},
      {"cmemo='it''s',fweight=0", "", 1, "it's", 0},
      {"cmemo='陈先生 O''Brien',fweight=123456789.125", "", 1, "陈先生 O'Brien", 123456789.125},
      {"cmemo='',fweight=2", "", 1, "", 2},
      {"cmemo='zq',fweight=7.25", "", 1, "zq", 7.25},
      {"cmemo='?1 --',fweight=7", "", 1, "?1 --", 7},
      // Dates compared with a date column: the rewriter reads these.
      {"cmemo='d1',fweight=3", " AND ddate>='2000.1.1'", 1, "d1", 3},
      {"cmemo='d2',fweight=4", " AND ddate>='2000-01-01 00:00:00'", 1, "d2", 4},
      {"cmemo='d3',fweight=5", " AND ddate>='2999.12.31'", 0, "d2", 4},
      {"cmemo='d4',fweight=6", " AND ddate>=''", 1, "d4", 6},
  };
  for (const auto& c : cases) {
    const std::string update = std::string("UPDATE brantle.dbo.client_rec SET ") + c.set + " WHERE irid=1" + c.where;
    EXPECT_EQ(client.SqlRequest("sSqlExe", update, {})["ReturnValue"], 1) << update;
    json r = client.SqlRequest("sSqlQuery", "SELECT cmemo,fweight FROM client_rec WHERE irid=1", {Char(512), kDouble});
    ASSERT_EQ(r["iTotal"], 1) << update << r.dump();
    EXPECT_EQ(r["List"][0]["0"], c.memo) << update;
    EXPECT_EQ(r["List"][0]["1"].get<double>(), c.weight) << update;
    // The same form as a look-up finds the row by each value.
    json found = client.SqlRequest(
        "sSqlQuery", std::string("SELECT irid FROM client_rec WHERE cmemo='") + c.memo + "' AND irid=1", {kSlong});
    if (std::string(c.memo).find('\'') == std::string::npos) {
      EXPECT_EQ(found["iTotal"], 1) << c.memo << found.dump();
    }
  }
  // A long text and a date that is no date, in a form already used.
  EXPECT_EQ(client.SqlRequest("sSqlExe", "UPDATE brantle.dbo.client_rec SET cmemo='" + longText +
                                             "',fweight=1 WHERE irid=1", {})["ReturnValue"], 1);
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT cmemo FROM client_rec WHERE irid=1", {Char(512)})["List"][0]["0"],
            longText);
  EXPECT_EQ(client.SqlRequest("sSqlExe", "UPDATE brantle.dbo.client_rec SET cmemo='x',fweight=1 WHERE irid=1 AND "
                                         "ddate>='zz'", {})["ReturnValue"], rc::kUnsupportedSql);
  // A read-only request refuses a known write form.
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "UPDATE brantle.dbo.client_rec SET cmemo='y',fweight=2 WHERE irid=1", {})
                ["ReturnValue"], rc::kReadOnly);
}

TEST_F(ServiceTest, SessionCrcAndReadOnlyChecks) {
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT irid FROM client_rec", {kSlong})["ReturnValue"],
            rc::kSessionInvalid);
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT irid FROM client_rec", {kSlong}, true)["ReturnValue"],
            rc::kBadCrc);
  json w = client.SqlRequest("sSqlQuery", "UPDATE brantle.dbo.client_rec SET cdes='x' WHERE irid=1", {});
  EXPECT_EQ(w["ReturnValue"], rc::kReadOnly);
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "{CALL brantle.dbo.cp_sys_log_add('a','b','c',0,0)}", {})["ReturnValue"],
            rc::kReadOnly);
  // The refused write changed nothing.
  json q = client.SqlRequest("sSqlQuery", "SELECT cdes FROM client_rec WHERE irid=1", {Char(64)});
  EXPECT_EQ(q["List"][0]["0"], "日本");
  // Unsupported constructs and bad SQL are refused with their own codes.
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT irid FROM client_rec LIMIT 3", {})["ReturnValue"],
            rc::kUnsupportedSql);
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT nosuchcol FROM client_rec", {})["ReturnValue"],
            rc::kSqlFailed);
  // sSqlExe may write.
  EXPECT_EQ(client.SqlRequest("sSqlExe", "UPDATE brantle.dbo.client_rec SET cdes='法国' WHERE irid=1", {})["ReturnValue"], 1);
  // Another login number, or the session's expiry: -402.
  int32_t mine = client.loginNumber();
  client.SetLoginNumber(mine + 1);
  EXPECT_EQ(client.SqlRequest("sSqlExe", "SELECT irid FROM client_rec", {kSlong})["ReturnValue"], rc::kSessionInvalid);
  client.SetLoginNumber(mine);
  server.service().ExpireAllSessions();
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT irid FROM client_rec", {kSlong})["ReturnValue"], rc::kSessionInvalid);
}

TEST(ServiceExpiry, IdleSessionsExpire) {
  auto now = std::make_shared<std::atomic<int64_t>>(time(nullptr));
  ServiceOptions o;
  o.sessionSeconds = 60;
  o.clock = [now] { return now->load(); };
  RunningServer server(o);
  Client client(server.Port());
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT irid FROM client_rec", {kSlong})["ReturnValue"], 1);
  // Each request starts the idle time again; the limit itself still counts
  // as alive.
  *now += 60;
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT irid FROM client_rec", {kSlong})["ReturnValue"], 1);
  *now += 61;
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT irid FROM client_rec", {kSlong})["ReturnValue"], rc::kSessionInvalid);
}

TEST_F(ServiceTest, PagingCutsBetweenRecordIds) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  // Waybill 2 has two piece rows: a page may not split them.
  std::vector<std::pair<int, int>> rows;
  unsigned last = 0;
  int replies = 0;
  for (;;) {
    std::string sql = "SELECT a.irid,ISNULL(c.wpos,0) FROM brantle.dbo.client_rec AS a LEFT OUTER JOIN "
                      "brantle.dbo.client_rec_weight_detail AS c ON(a.irid=c.irid) WHERE a.irid>" +
                      std::to_string(last) + " ORDER BY a.irid,c.wpos";
    json r = client.SqlRequest("sSqlQuery", sql, {kSlong, kSlong});
    ASSERT_EQ(r["ReturnValue"], 1) << r.dump();
    ++replies;
    for (const auto& row : r["List"]) rows.push_back({row["0"].get<int>(), row["1"].get<int>()});
    if (r["bEnd"].get<bool>()) break;
    ASSERT_FALSE(r["List"].empty());
    last = rows.back().first;
    ASSERT_LT(replies, 20);
  }
  // Every row of the join, whatever the samples hold.
  json all = client.SqlRequest("sSqlQuery",
                               "SELECT COUNT(1) FROM brantle.dbo.client_rec AS a LEFT OUTER JOIN "
                               "brantle.dbo.client_rec_weight_detail AS c ON(a.irid=c.irid)",
                               {kSlong});
  ASSERT_EQ(all["ReturnValue"], 1) << all.dump();
  EXPECT_EQ(rows.size(), all["List"][0]["0"].get<size_t>());
  EXPECT_GE(rows.size(), 44u);
  EXPECT_GT(replies, 5);
  EXPECT_EQ(rows[1], std::make_pair(2, 1));
  EXPECT_EQ(rows[2], std::make_pair(2, 2));
}

// Statements sent again run again from their start, see what other
// connections wrote in between, and stay under the client policy; the
// server's own statements stay outside it.
TEST_F(ServiceTest, StatementsSentAgainStartAfreshUnderThePolicy) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  const std::string paged = "SELECT irid,cdes FROM brantle.dbo.client_rec WHERE irid>0 ORDER BY irid";
  json first = client.SqlRequest("sSqlQuery", paged, {kSlong, Char(64)});
  ASSERT_EQ(first["ReturnValue"], 1) << first.dump();
  ASSERT_FALSE(first["bEnd"].get<bool>());  // cut after 7 rows
  EXPECT_EQ(client.SqlRequest("sSqlQuery", paged, {kSlong, Char(64)}), first);

  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(server.DatabasePath().c_str(), &other), SQLITE_OK);
  sqlite3_busy_timeout(other, 5000);
  EXPECT_EQ(sqlite3_exec(other, "UPDATE client_rec SET cdes='Elsewhere' WHERE irid=1", nullptr, nullptr,
                         nullptr),
            SQLITE_OK)
      << sqlite3_errmsg(other);
  sqlite3_close(other);
  json again = client.SqlRequest("sSqlQuery", paged, {kSlong, Char(64)});
  EXPECT_EQ(again["List"][0]["1"], "Elsewhere") << again.dump();

  const std::string secret = "SELECT mcpassword FROM brantle.dbo.man_main WHERE mcaccount='admin'";
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(client.SqlRequest("sSqlQuery", secret, {Char(64)})["ReturnValue"], rc::kSqlFailed) << i;
  // The login reads the stored password: the server's own statement.
  EXPECT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  EXPECT_EQ(client.SqlRequest("sSqlQuery", paged, {kSlong, Char(64)})["List"][0]["1"], "Elsewhere");
}

TEST_F(ServiceTest, ProceduresRunThroughSqlExe) {
  ASSERT_GT(client.Login("zhang", "zhang123")["ReturnValue"].get<int>(), 0);
  json log = client.SqlRequest("sSqlExe", "{CALL brantle.dbo.cp_sys_log_add('登录','张三','O''Brien 登录',1,2)}", {});
  EXPECT_EQ(log["ReturnValue"], 1) << log.dump();
  json check = client.SqlRequest("sSqlQuery", "SELECT ctext,inum2,caccount FROM sys_log ORDER BY ilid DESC",
                                 {Char(256), kSlong, Char(32)});
  EXPECT_EQ(check["List"][0]["0"], "O'Brien 登录");
  EXPECT_EQ(check["List"][0]["1"], 2);
  EXPECT_EQ(check["List"][0]["2"], "zhang");

  EXPECT_EQ(client.SqlRequest("sSqlExe", "{?=CALL brantle.dbo.cp_no_such(1)}", {kSlong})["ReturnValue"],
            rc::kUnknownProcedure);
  EXPECT_EQ(client.SqlRequest("sSqlExe", "{CALL brantle.dbo.cp_sys_log_add('a','b')}", {})["ReturnValue"],
            rc::kBadArguments);
}

TEST_F(ServiceTest, PasswordChangeRecoversThePassword) {
  ASSERT_GT(client.Login("zhang", "zhang123")["ReturnValue"].get<int>(), 0);
  for (std::string pw : {std::string("new'pass1"), GbkOf("新密码a1")}) {
    std::string chars = ScramblePasswordChars(pw);
    std::string quoted;
    for (char c : chars) {
      if (c == '\'') quoted += '\'';
      quoted += c;
    }
    std::string sql = "{?=CALL brantle.dbo.cp_man_main_mod_password('zhang','" + quoted + "','',0x" +
                      ScramblePasswordHex(pw, 0x0B, 42) + ")}";
    json r = client.SqlRaw("sSqlExe", sql, {kSlong});
    ASSERT_EQ(r["ReturnValue"], 1) << r.dump();
    EXPECT_EQ(r["List"][0]["0"], 0);
    std::string utf8;
    Utf8FromGbk(pw, utf8);
    Client again(server.Port());
    EXPECT_GT(again.Login("zhang", utf8)["ReturnValue"].get<int>(), 0) << utf8;
  }
  // The two forms disagree: refused with -2; another account: -3.
  std::string sql = "{?=CALL brantle.dbo.cp_man_main_mod_password('zhang','" + ScramblePasswordChars("abcdef") +
                    "','',0x" + ScramblePasswordHex("abcdeg", 0x0B, 1) + ")}";
  EXPECT_EQ(client.SqlRaw("sSqlExe", sql, {kSlong})["List"][0]["0"], -2);
  sql = "{?=CALL brantle.dbo.cp_man_main_mod_password('admin','" + ScramblePasswordChars("abcdef") +
        "','',0x" + ScramblePasswordHex("abcdef", 0x0B, 1) + ")}";
  EXPECT_EQ(client.SqlRaw("sSqlExe", sql, {kSlong})["List"][0]["0"], -3);
}

TEST_F(ServiceTest, LanguageFileIsServedWhenNewer) {
  json j;
  j["RequestName"] = "sSysFile";
  j["TimeStamp"] = ServerTimeStamp(time(nullptr));
  j["nqGrade"] = 255;
  j["dDate"] = "1900-01-01 00:00:00";
  j["cqFileName"] = "TolvaneLan_01.txt";
  json r = client.Post(j);
  int len = r["ReturnValue"].get<int>();
  ASSERT_GT(len, 256);
  std::string bytes;
  ASSERT_TRUE(Base64Decode(r["vData"].get<std::string>(), bytes));
  ASSERT_EQ(static_cast<int>(bytes.size()), len);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(bytes.substr(6, 6), std::string("<\0D\0>\0", 6));
  j["dDate"] = "2999-01-01 00:00:00";
  EXPECT_EQ(client.Post(j)["ReturnValue"], 0);
}

TEST_F(ServiceTest, WaybillRecordKeepsListsLast) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  json j = client.Envelope("sRecData");
  j["irID"] = 1;
  std::string text = client.PostRaw(j.dump());
  size_t goods = text.find(",\"GoodsList\":[");
  size_t weights = text.find(",\"WeightList\":[");
  ASSERT_NE(goods, std::string::npos);
  ASSERT_NE(weights, std::string::npos);
  EXPECT_LT(goods, weights);
  EXPECT_LT(text.find("\"cMemo\""), goods);
  json r = json::parse(text);
  EXPECT_EQ(r["icID"], 2);
  EXPECT_EQ(r["cNum"], "BR10000001");
  EXPECT_EQ(r["GoodsList"].size(), 2u);
  EXPECT_EQ(r["WeightList"][0]["cxNo"], "BR10000001-1");
  // li sees only VIP customers of SZ: waybill 1 belongs to customer 2.
  Client li(server.Port());
  ASSERT_GT(li.Login("li", "li@2024")["ReturnValue"].get<int>(), 0);
  json lj = li.Envelope("sRecData");
  lj["cNum"] = "BR10000001";
  EXPECT_EQ(li.Post(lj)["ReturnValue"], rc::kNotFound);
  lj["cNum"] = "BR10000003";
  EXPECT_EQ(li.Post(lj)["ReturnValue"], 1);
}

TEST_F(ServiceTest, NumbersPricesAndFiles) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  json n = client.Envelope("sFetchNo");
  n["icID"] = 1;
  n["cZizKind"] = "3*";
  EXPECT_EQ(client.Post(n)["cNo"], "8000000001");
  EXPECT_EQ(client.Post(n)["cNo"], "8000000002");
  json p = client.Envelope("sQueryPrice");
  p["icID"] = 1;
  p["cqDes"] = "美国";
  p["nqItemType"] = 1;
  p["fqWeight"] = 2.0;
  p["cqZizKind"] = "ZIZ国际";
  json pr = client.Post(p);
  ASSERT_EQ(pr["ReturnValue"], 1) << pr.dump();
  double net = pr["fPrice"].get<double>() - pr["fAddOn"].get<double>() - pr["fCustoms"].get<double>() -
               pr["fOther"].get<double>();
  EXPECT_DOUBLE_EQ(net, 140.0);
  json f = client.Envelope("sFileData");
  f["dDate"] = "";
  f["iqID"] = 0;
  f["nqGrade"] = 255;
  f["cqKind"] = "系统配置";
  f["cqKey"] = "";
  f["cqTitle"] = "WeChat_Mess.txt";
  f["cqFileName"] = "WeChat_Mess.txt";
  json fr = client.Post(f);
  ASSERT_GT(fr["ReturnValue"].get<int>(), 0);
  f["cqTitle"] = "";  // a request without a title finds the file whatever its title
  EXPECT_EQ(client.Post(f)["ReturnValue"], fr["ReturnValue"]);
  f["cqTitle"] = "another title";
  EXPECT_LT(client.Post(f)["ReturnValue"].get<int>(), 0);
  f["cqTitle"] = "WeChat_Mess.txt";
  f["dDate"] = "2030-01-01 00:00:00";
  EXPECT_EQ(client.Post(f)["ReturnValue"], 0);
  json m = client.Envelope("sModelData");
  m["cqKind"] = "快件标签";
  m["cqName"] = "默认标签";
  EXPECT_EQ(client.Post(m)["ReturnValue"], 1);
}

TEST_F(ServiceTest, BytesUpAndDown) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  std::string data("\x00\x01\xFF\x7Fpicture", 11);
  json put = client.SqlBody("sDataPut", GbkOf("UPDATE brantle.dbo.client_rec_picc SET vdata=? WHERE irid=1 AND npos=1"), {}, false);
  put["isLen"] = data.size();
  put["vData"] = Base64Encode(data);
  EXPECT_EQ(client.Post(put)["ReturnValue"], 1);
  json get = client.SqlBody("sDataGet", GbkOf("SELECT vdata FROM brantle.dbo.client_rec_picc WHERE irid=1 AND npos=1"), {}, false);
  get["isLen"] = 100;
  json got = client.Post(get);
  ASSERT_EQ(got["ReturnValue"], 11);
  std::string back;
  Base64Decode(got["vData"].get<std::string>(), back);
  EXPECT_EQ(back, data);
  get["isLen"] = 10;
  EXPECT_EQ(client.Post(get)["ReturnValue"], rc::kTooLong);
}

TEST_F(ServiceTest, ClientListSyncsByStation) {
  ASSERT_GT(client.Login("zhang", "zhang123")["ReturnValue"].get<int>(), 0);
  json j = client.Envelope("sClientList");
  j["icID"] = 0;
  j["dDate"] = "";
  json r = client.Post(j);
  ASSERT_EQ(r["ReturnValue"], 1);
  EXPECT_TRUE(r["bEnd"].get<bool>());
  ASSERT_EQ(r["List"].size(), 2u);
  EXPECT_EQ(r["List"][1]["a"], "C002");
  EXPECT_EQ(r["icIDx"], 2);
  // Nothing changed since: nothing comes.
  j["icID"] = r["icIDx"];
  j["dDate"] = r["dLast"];
  json again = client.Post(j);
  EXPECT_TRUE(again["List"].empty());
  EXPECT_TRUE(again["bEnd"].get<bool>());
}

// Changes made in the database, by whatever program, reach the caches on
// their next sync: an edited entry comes again, a deleted one comes in
// "iDel".  (Clients change these tables through procedures only; here a
// second connection to the file makes the change.)
TEST_F(ServiceTest, SqlChangesReachTheNextSync) {
  struct Case {
    const char* request;
    const char* idKey;
    const char* idOut;
    const char* update;
    const char* remove;
    int changedId;
    int removedId;
  };
  const Case cases[] = {
      {"sClientList", "icID", "icIDx", "UPDATE brantle.dbo.client_arc SET cunitname='新名称' WHERE icid=1",
       "DELETE FROM brantle.dbo.client_arc WHERE icid=2", 1, 2},
      {"sDesList", "iID", "iIDx", "UPDATE brantle.dbo.sys_des SET cname='新名称' WHERE iid=3",
       "DELETE FROM brantle.dbo.sys_des WHERE iid=4", 3, 4},
  };
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    // Sync everything; the stamp then stands at the newest entry.
    json j = client.Envelope(c.request);
    j[c.idKey] = 0;
    j["dDate"] = "";
    json r;
    do {
      r = client.Post(j);
      ASSERT_EQ(r["ReturnValue"], 1);
      j[c.idKey] = r[c.idOut];
      if (r["dLast"].get<std::string>() > j["dDate"].get<std::string>()) j["dDate"] = r["dLast"];
    } while (!r["bEnd"].get<bool>());

    {
      Database other(server.DatabasePath());
      for (const char* tsql : {c.update, c.remove}) {
        RewriteResult rw = RewriteTsql(tsql, SchemaColumnTypes());
        ASSERT_TRUE(rw.ok) << rw.error;
        other.Exec(rw.sql);
      }
    }
    bool changed = false, removed = false;
    for (int round = 0; round < 5; ++round) {
      r = client.Post(j);
      ASSERT_EQ(r["ReturnValue"], 1);
      for (const auto& row : r["List"])
        if (row["i"] == c.changedId && row["n"] == "新名称") changed = true;
      for (const auto& id : r["iDel"])
        if (id == c.removedId) removed = true;
      if (r["dLast"].get<std::string>() > j["dDate"].get<std::string>()) j["dDate"] = r["dLast"];
      if (r["bEnd"].get<bool>()) break;
    }
    EXPECT_TRUE(changed);
    EXPECT_TRUE(removed);
  }
}

TEST_F(ServiceTest, MalformedRequests) {
  for (const char* body : {"", "{", "[1,2]", "{\"RequestName\":5}", "{\"RequestName\":\"sNoSuch\"}",
                           "{\"RequestName\":\"sUserLogin\"}"}) {
    std::string text = client.PostRaw(body);
    json r = json::parse(text);
    EXPECT_EQ(r["ReturnValue"], rc::kBadRequest) << body;
  }
  // A raw control byte inside a string is taken.
  EXPECT_EQ(json::parse(client.PostRaw("{\"RequestName\":\"sUserLogin\",\"TimeStamp\":1,\"cUserAc\":\"a\x01\",\"cUserPwd\":\"x\"}"))["ReturnValue"],
            rc::kUnknownAccount);
}

TEST_F(ServiceTest, LogoutEndsTheSession) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  json j;
  j["RequestName"] = "sUserLoginOut";
  j["TimeStamp"] = ServerTimeStamp(time(nullptr));
  j["iRand"] = client.loginNumber();
  j["iLogID"] = client.logId();
  j["cUserAc"] = "admin";
  EXPECT_EQ(client.Post(j)["ReturnValue"], 1);
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT irid FROM client_rec", {kSlong})["ReturnValue"], rc::kSessionInvalid);
}

}  // namespace

TEST(ReplyDelay, OnlyTheNamedRequestsWait) {
  using std::chrono::milliseconds;
  const std::string login = R"({"RequestName":"sUserLogin","TimeStamp":1})";
  const std::string query = R"({"TimeStamp":1,"RequestName":"sSqlQuery"})";
  const struct {
    ReplyDelay delay;
    std::string body;
    bool waits;
  } cases[] = {
      {{milliseconds(0), {}}, login, false},
      {{milliseconds(50), {}}, login, true},
      {{milliseconds(50), {}}, "not json", true},
      {{milliseconds(50), {"sSqlQuery"}}, query, true},
      {{milliseconds(50), {"sSqlQuery"}}, login, false},
      {{milliseconds(50), {"sUserLogin", "sSqlQuery"}}, login, true},
      {{milliseconds(50), {"sSqlQuery"}}, "not json", false},
      {{milliseconds(50), {"sSqlQuery"}}, R"({"RequestName":5})", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.waits, c.delay.AppliesTo(c.body)) << c.body;
  }

  RunningServer server({}, {milliseconds(300), {"sUserLogin"}});
  Client client(server.Port());
  auto start = std::chrono::steady_clock::now();
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(300));
}

namespace {

// Every kind of value under every declared column type, as the rows are
// written: NULL, whole numbers, a real, ASCII and Chinese texts, a blob and
// a text with the JSON specials; one row per declared type.
TEST_F(ServiceTest, EveryKindOfValueUnderEveryDeclaredType) {
  ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  const std::string sql =
      "SELECT NULL,42,-7,2.5,'abcdef','中文字',1e20,0,'a\"b/c\\d'";
  struct Case {
    uint32_t type;
    const char* row;
  };
  const Case cases[] = {
      {Char(5),
       R"({"0":"","1":"42","2":"-7","3":"2.5","4":"abcd","5":"\u4E2D\u6587","6":"1e+2","7":"0","8":"a\u0022b\u002F"})"},
      {Char(0),
       R"({"0":"","1":"42","2":"-7","3":"2.5","4":"abcdef","5":"\u4E2D\u6587\u5B57","6":"1e+20","7":"0","8":"a\u0022b\u002Fc\u005Cd"})"},
      {Char(2), R"({"0":"","1":"4","2":"-","3":"2","4":"a","5":"","6":"1","7":"0","8":"a"})"},
      {kSlong, R"({"0":0,"1":42,"2":-7,"3":2,"4":0,"5":0,"6":9223372036854775807,"7":0,"8":0})"},
      {kUtiny, R"({"0":0,"1":42,"2":-7,"3":2,"4":0,"5":0,"6":9223372036854775807,"7":0,"8":0})"},
      {kBit, R"({"0":0,"1":1,"2":1,"3":1,"4":0,"5":0,"6":1,"7":0,"8":0})"},
      {kDouble, R"({"0":0,"1":42,"2":-7,"3":2.5,"4":0,"5":0,"6":1e+20,"7":0,"8":0})"},
      {kTimestamp,
       R"({"0":"","1":"42","2":"-7","3":"2.5","4":"abcdef","5":"\u4E2D\u6587\u5B57","6":"1e+20","7":"0","8":"a\u0022b\u002Fc\u005Cd"})"},
      {Binary(2), R"({"0":"","1":"","2":"","3":"","4":"6162","5":"D6D0","6":"","7":"","8":"6122"})"},
      {0x00630000u,
       R"({"0":"","1":42,"2":-7,"3":2.5,"4":"abcdef","5":"\u4E2D\u6587\u5B57","6":1e+20,"7":0,"8":"a\u0022b\u002Fc\u005Cd"})"},
  };
  for (const Case& c : cases) {
    const std::string raw =
        client.PostRaw(client.SqlBody("sSqlQuery", GbkOf(sql), std::vector<uint32_t>(9, c.type), false).dump());
    EXPECT_NE(raw.find(std::string("\"List\":[") + c.row + "]}"), std::string::npos) << c.type << "\n" << raw;
  }
  // Beyond the declared types each value goes by its own kind.
  const std::string raw = client.PostRaw(client.SqlBody("sSqlQuery", GbkOf(sql), {}, false).dump());
  EXPECT_NE(raw.find(
                R"("List":[{"0":"","1":42,"2":-7,"3":2.5,"4":"abcdef","5":"\u4E2D\u6587\u5B57","6":1e+20,"7":0,"8":"a\u0022b\u002Fc\u005Cd"}]})"),
            std::string::npos)
      << raw;
}

}  // namespace
