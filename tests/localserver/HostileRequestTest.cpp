// Requests made to hurt the stand-in, by a logged-in user of the smallest
// rights or with no login at all: each must be refused and leave the server
// serving everybody else.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>
#include <set>

#include "RawSocket.h"
#include "TestClient.h"
#include "localserver/PasswordScramble.h"
#include "localserver/SqlRewriter.h"
#include "tests/QtTestSupport.h"

using namespace lstest;
using Clock = std::chrono::steady_clock;

namespace {

int64_t ElapsedMs(Clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

// CPU time of this process, to tell that a statement is running.
int64_t ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// A join of 40^5 rows with text work on each: far longer than any deadline.
const char* const kEndlessJoin =
    "SELECT COUNT(1) FROM client_rec a,client_rec b,client_rec c,client_rec d,client_rec e "
    "WHERE a.cdes+b.cdes+c.cdes+d.cdes+e.cdes<>''";

// REPLACE nested `levels` deep over ten characters: 10^(levels+1) characters.
std::string NestedReplace(int levels) {
  std::string sql = "'xxxxxxxxxx'";
  for (int k = 0; k < levels; ++k) sql = "REPLACE(" + sql + ",'x','xxxxxxxxxx')";
  return sql;
}

// ---- the database's last word ------------------------------------------------

struct PolicyCase {
  const char* sql;  // SQLite text, as it would reach the database
  bool allowed;
};

const PolicyCase kPolicyCases[] = {
    // What the client's statements become.
    {"SELECT a.irid,a.cnum FROM client_rec AS a INNER JOIN client_arc AS b ON(a.icid=b.icid) "
     "WHERE a.cnum LIKE 'BR%' ESCAPE '!' ORDER BY a.irid LIMIT 5", true},
    {"SELECT mcaccount,mcname,mvright,migrade FROM man_main WHERE mcaccount='li'", true},
    {"SELECT count(*),max(irid),ifnull(sum(fweight),0),coalesce(min(cdes),''),"
     "upper(ltrim(rtrim(cdes))),substr(cnum,1,2),round(abs(fweight),2) FROM client_rec", true},
    {"SELECT tsql_datediff('day',ddate,dsysdate),tsql_convert('varchar',10,ddate,102),"
     "tsql_cast(irid,'varchar',10),tsql_len(cdes),tsql_left(cdes,1),tsql_right(cdes,1),"
     "tsql_getdate() FROM client_rec", true},
    {"UPDATE client_rec SET crno='R1',ireserve=3 WHERE irid=5", true},
    {"INSERT INTO client_rec_goods(wpos,irid,cgoods) SELECT 0,5,'A' UNION ALL SELECT 1,5,'B'", true},
    {"DELETE FROM client_rec_goods WHERE irid=5", true},
    {"INSERT INTO client_rec_weight_detail(irid,wpos,cno) SELECT 5,1,'X'", true},
    {"UPDATE client_rec_xbag SET corder='a',chno='b' WHERE ixid=1", true},
    {"UPDATE client_rec_picc SET ilen=4,ddate=tsql_getdate(),vdata=X'00' WHERE irid=1 AND npos=1", true},
    {"UPDATE client_fee_file SET vdata=? WHERE iid=1", true},
    // SQLite's own tables, pragmas and table-valued functions.
    {"SELECT name FROM sqlite_master", false},
    {"SELECT name FROM \"SQLITE_SCHEMA\"", false},
    {"UPDATE sqlite_sequence SET seq=-1", false},
    {"SELECT * FROM pragma_table_info('man_main')", false},
    {"SELECT * FROM dbstat", false},
    {"PRAGMA writable_schema=1", false},
    {"ATTACH ':memory:' AS other", false},
    {"CREATE TABLE t(a)", false},
    {"DROP TABLE sys_log", false},
    {"BEGIN", false},
    {"SAVEPOINT x", false},
    // Functions the rewriter never writes.
    {"SELECT sqlite_version() FROM sys_dict", false},
    {"SELECT hex(randomblob(8)) FROM sys_dict", false},
    {"SELECT zeroblob(1000) FROM sys_dict", false},
    {"SELECT printf('%.*c',1000,'x') FROM sys_dict", false},
    {"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n) SELECT x FROM n", false},
    // The stored passwords, whatever the clause.
    {"SELECT mcpassword FROM man_main", false},
    {"SELECT * FROM man_main", false},
    {"SELECT mcaccount FROM man_main WHERE MCPASSWORD LIKE 'a%'", false},
    {"SELECT mcaccount FROM Man_Main ORDER BY mcpassword", false},
    // Tables no client statement writes.
    {"UPDATE man_main SET migrade=255 WHERE mcaccount='li'", false},
    {"INSERT INTO man_main(mcaccount,mcpassword) VALUES('x','y')", false},
    {"DELETE FROM sys_log", false},
    {"UPDATE sys_numseries SET inext=1", false},
    {"DELETE FROM client_arc WHERE icid=2", false},
    {"INSERT INTO client_arc_del(icid) VALUES(9)", false},
    {"DELETE FROM client_rec WHERE irid=1", false},
    {"INSERT INTO client_rec(icid) VALUES(1)", false},
};

TEST(ClientSqlPolicy, AllowsWhatClientsNeedAndNothingElse) {
  Database db(":memory:");
  auto prepares = [&](const char* sql, std::string& error) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db.Handle(), sql, -1, &st, nullptr);
    error = sqlite3_errmsg(db.Handle());
    sqlite3_finalize(st);
    return rc == SQLITE_OK;
  };
  for (const auto& c : kPolicyCases) {
    std::string error;
    // Every case is valid SQL: only the policy refuses it.
    ASSERT_TRUE(prepares(c.sql, error)) << c.sql << ": " << error;
    Database::ClientSqlScope policy(db);
    EXPECT_EQ(prepares(c.sql, error), c.allowed) << c.sql << ": " << error;
  }
  // The server's own statements run without it.
  EXPECT_EQ(db.Scalar("SELECT mcpassword FROM man_main WHERE mcaccount='li'").AsText(), "li@2024");
}

// The client's own statements, through the rewriter, pass the policy.
TEST(ClientSqlPolicy, TheClientsStatementsPass) {
  const char* const statements[] = {
      "SELECT a.irid FROM brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b "
      "ON(a.icid=b.icid) WHERE a.cnum='BR10000001' AND b.cstation='SZ' AND b.ckind LIKE 'VIP'",
      "SELECT TOP 10 ifid,ffee,cinvoice,dpdate FROM brantle.dbo.client_fee WHERE icid=1 ORDER BY dpdate DESC, ifid DESC",
      "SELECT ISNULL(SUM(ffeer),0) FROM brantle.dbo.client_fee WHERE icid=1 AND ntype=0",
      "SELECT cvalue FROM brantle.dbo.man_set WHERE cname='ps_print' AND caccount='admin'",
      "SELECT irid,cdes,fweights,ddate FROM brantle.dbo.client_rec WITH (NOLOCK) WHERE cawb='x' ORDER BY irid",
      "SELECT DATEDIFF(day,ddate,GETDATE()),CONVERT(varchar(10),ddate,120) FROM brantle.dbo.client_rec WHERE irid=1",
      "INSERT INTO brantle.dbo.client_rec_weight_detail(irid,ilong,iwidth,iheight,iweight,npercent,cno,famount,fcost,"
      "ibag,wpos,cgoods,iquantity,iprice,crno,cnum,cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate) select "
      "5,1,2,3,4,100,'C1',0,0,0,1,'g',1,0,'','n','','','','',0.00,0.0000",
      "DELETE brantle.dbo.client_rec_goods WHERE irid=5",
      "INSERT INTO brantle.dbo.client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,cgoodsa,cgcodea,cgcodeb,"
      "cgcodec,fgcustom,fgcrate,fgweight) select 0,5,'A','PCS',2,1.50,'','','','',0.00,0.0000,0.000 union all "
      "select 1,5,'B','PCS',3,2.00,'','','','',0.00,0.0000,0.000",
      "UPDATE brantle.dbo.client_rec SET crno='R1',ireserve=3,fgoods=12.50 WHERE irid=5",
      "UPDATE brantle.dbo.client_rec_xbag SET chno='H' WHERE ixid IN(1,2)",
      "UPDATE brantle.dbo.client_rec_picc SET ilen=4,cext='jpg',ddate=GETDATE(),cinput='x',vdata=0x00 WHERE irid=1 AND npos=1",
      "UPDATE brantle.dbo.w_goods_pic SET ilen=4,cext='jpg',ddate=GETDATE(),vdata=? WHERE giid=1 AND npos=1",
      "UPDATE brantle.dbo.rec_trans_pic SET ilen=4,cext='jpg',ddate=GETDATE(),cinput='x',vdata=? WHERE iid=1 AND npos=1",
      "UPDATE brantle.dbo.client_rec_pack_file SET vdata=? WHERE iid=1",
      "SELECT vdata FROM brantle.dbo.ivc_affix WHERE iid=1",
  };
  Database db(":memory:");
  Database::ClientSqlScope policy(db);
  for (const char* tsql : statements) {
    RewriteResult rw = RewriteTsql(tsql, SchemaColumnTypes());
    ASSERT_TRUE(rw.ok) << tsql << ": " << rw.error;
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db.Handle(), rw.sql.c_str(), -1, &st, nullptr), SQLITE_OK)
        << rw.sql << ": " << sqlite3_errmsg(db.Handle());
    sqlite3_finalize(st);
  }
}

// ---- through the service -------------------------------------------------------

class HostileRequests : public ::testing::Test {
 protected:
  static ServiceOptions Options() {
    ServiceOptions o;
    o.requestMillis = 400;
    return o;
  }
  RunningServer server{Options()};
  Client admin{server.Port()};
  Client li{server.Port()};

  void SetUp() override {
    ASSERT_GT(admin.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
    ASSERT_GT(li.Login("li", "li@2024")["ReturnValue"].get<int>(), 0);
  }
};

TEST_F(HostileRequests, DateDiffUnitCarriesNoSql) {
  json r = li.SqlRequest("sSqlQuery",
                         "SELECT DATEDIFF([day',ddate,ddate)||sqlite_version()||hex(fts3_tokenizer('simple'))||"
                         "coalesce('], ddate, ddate) FROM brantle.dbo.client_rec",
                         {Char(64)});
  EXPECT_EQ(r["ReturnValue"], rc::kUnsupportedSql) << r.dump();
  json ok = li.SqlRequest("sSqlQuery", "SELECT DATEDIFF(d,'2024.3.1','2024.3.31') FROM sys_dict WHERE dcname='4'",
                          {kSlong});
  ASSERT_EQ(ok["ReturnValue"], 1) << ok.dump();
  EXPECT_EQ(ok["List"][0]["0"], 30);
}

TEST_F(HostileRequests, SmallestRightsAccountReachesNoPasswordAndNoOtherAccount) {
  // Reading the passwords, in any clause and through any request.
  for (const char* sql : {"SELECT mcpassword FROM brantle.dbo.man_main",
                          "SELECT * FROM man_main WHERE mcaccount='admin'",
                          "SELECT mcaccount FROM man_main WHERE mcaccount='admin' AND mcpassword LIKE 'a%'",
                          "SELECT COUNT(1) FROM man_main a, man_main b WHERE a.mcpassword=b.mcaccount"}) {
    json r = li.SqlRequest("sSqlQuery", sql, {Char(64)});
    EXPECT_EQ(r["ReturnValue"], rc::kSqlFailed) << sql << ": " << r.dump();
    EXPECT_NE(r.value("cError", "").find("mcpassword is prohibited"), std::string::npos) << r.dump();
  }
  json get = li.SqlBody("sDataGet", GbkOf("SELECT mcpassword FROM man_main WHERE mcaccount='admin'"), {}, false);
  get["isLen"] = 100;
  EXPECT_EQ(li.Post(get)["ReturnValue"], rc::kSqlFailed);
  // Changing accounts, the own one included.
  for (const char* sql : {"UPDATE brantle.dbo.man_main SET mcpassword='x' WHERE mcaccount='admin'",
                          "UPDATE man_main SET migrade=255,mvright=0xFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF WHERE mcaccount='li'",
                          "DELETE brantle.dbo.man_main WHERE mcaccount='admin'",
                          "INSERT INTO man_main(mcaccount,mcpassword,migrade) select 'evil','evil',255"}) {
    EXPECT_EQ(li.SqlRequest("sSqlExe", sql, {})["ReturnValue"], rc::kSqlFailed) << sql;
  }
  json put = li.SqlBody("sDataPut", GbkOf("UPDATE man_main SET mvright=? WHERE mcaccount='li'"), {}, false);
  put["isLen"] = 16;
  put["vData"] = Base64Encode(std::string(16, '\xFF'));
  EXPECT_EQ(li.Post(put)["ReturnValue"], rc::kSqlFailed);
  std::string sql = "{?=CALL brantle.dbo.cp_man_main_mod_password('admin','" + ScramblePasswordChars("abcdef") +
                    "','',0x" + ScramblePasswordHex("abcdef", 0x0B, 1) + ")}";
  EXPECT_EQ(li.SqlRaw("sSqlExe", sql, {kSlong})["List"][0]["0"], -3);
  // Nothing changed.
  Client again(server.Port());
  EXPECT_GT(again.Login("admin", "admin123")["ReturnValue"].get<int>(), 0);
  json relogin = again.Login("li", "li@2024");
  EXPECT_EQ(relogin["iGrade"], 5);
  EXPECT_EQ(relogin["xRight"], "80000000000000000000000000000000");
  EXPECT_EQ(again.Login("evil", "evil")["ReturnValue"], rc::kUnknownAccount);
}

TEST_F(HostileRequests, SqliteTablesStayOutOfReach) {
  for (const char* sql : {"SELECT name FROM [sqlite_master]", "SELECT sql FROM \"sqlite_schema\"",
                          "SELECT * FROM [pragma_table_info]", "SELECT * FROM [dbstat]"})
    EXPECT_EQ(admin.SqlRequest("sSqlQuery", sql, {Char(64)})["ReturnValue"], rc::kUnsupportedSql) << sql;
  EXPECT_EQ(admin.SqlRequest("sSqlExe", "UPDATE [sqlite_sequence] SET seq=2147483647", {})["ReturnValue"],
            rc::kUnsupportedSql);
  // Later inserts still get their ids.
  for (int k = 0; k < 2; ++k)
    EXPECT_EQ(li.SqlRequest("sSqlExe", "{CALL brantle.dbo.cp_sys_log_add('a','b','c',0,0)}", {})["ReturnValue"], 1);
}

TEST_F(HostileRequests, LongStatementIsStoppedAndOthersAreServed) {
  auto start = Clock::now();
  int64_t cpu = ProcessCpuMs();
  auto heavy = std::async(std::launch::async, [&] { return li.SqlRequest("sSqlQuery", kEndlessJoin, {kSlong}); });
  // While the join holds the database (it is using the CPU), another client
  // asks.
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] {
        return ProcessCpuMs() - cpu >= 30 ||
               heavy.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
      },
      10000));
  json other = admin.SqlRequest("sSqlQuery", "SELECT COUNT(1) FROM client_rec", {kSlong});
  EXPECT_EQ(other["ReturnValue"], 1);
  EXPECT_EQ(other["List"][0]["0"], 48);
  json r = heavy.get();
  EXPECT_EQ(r["ReturnValue"], rc::kSqlFailed) << r.dump();
  EXPECT_NE(r.value("cError", "").find("400 ms"), std::string::npos) << r.dump();
  EXPECT_LT(ElapsedMs(start), 5000);
  // The session goes on.
  EXPECT_EQ(li.SqlRequest("sSqlQuery", "SELECT COUNT(1) FROM client_rec", {kSlong})["ReturnValue"], 1);
}

TEST_F(HostileRequests, HugeValuesAndRepliesAreRefused) {
  auto start = Clock::now();
  // Ten gigabytes asked for: refused at the value limit.
  json big = li.SqlRequest("sSqlQuery", "SELECT " + NestedReplace(9) + " FROM sys_dict WHERE dcname='4'", {});
  EXPECT_EQ(big["ReturnValue"], rc::kSqlFailed) << big.dump().substr(0, 200);
  // Five values of a million characters: more than one reply may carry.
  std::string v = NestedReplace(5);
  json wide = li.SqlRequest("sSqlQuery", "SELECT " + v + "," + v + "," + v + "," + v + "," + v +
                                             " FROM sys_dict WHERE dcname='4'", {});
  EXPECT_EQ(wide["ReturnValue"], rc::kSqlFailed);
  EXPECT_NE(wide.value("cError", "").find("reply longer"), std::string::npos) << wide.dump().substr(0, 200);
  EXPECT_LT(ElapsedMs(start), 5000);
  // A long LIKE is refused instead of running for hours.
  json like = li.SqlRequest("sSqlQuery", "SELECT COUNT(1) FROM sys_dict WHERE " + NestedReplace(5) +
                                             " LIKE '%" + std::string(200, 'y') + "%'", {kSlong});
  EXPECT_EQ(like["ReturnValue"], rc::kSqlFailed) << like.dump();
}

TEST_F(HostileRequests, SessionNeedsItsAccount) {
  auto ask = [&](json j) { return admin.Post(j)["ReturnValue"]; };
  json j = li.Envelope("sRecData");
  j["cNum"] = "BR10000003";
  EXPECT_EQ(li.Post(j)["ReturnValue"], 1);
  // li's number with another account, a number for an account, or no account.
  j["cUserAc"] = "admin";
  EXPECT_EQ(ask(j), rc::kSessionInvalid);
  j["cUserAc"] = 1;
  EXPECT_EQ(ask(j), rc::kSessionInvalid);
  j.erase("cUserAc");
  EXPECT_EQ(ask(j), rc::kSessionInvalid);
  // Logout needs it too.
  json out;
  out["RequestName"] = "sUserLoginOut";
  out["TimeStamp"] = ServerTimeStamp(time(nullptr));
  out["iRand"] = li.loginNumber();
  out["iLogID"] = li.logId();
  out["cUserAc"] = "admin";
  EXPECT_EQ(ask(out), rc::kSessionInvalid);
  EXPECT_EQ(li.SqlRequest("sSqlQuery", "SELECT COUNT(1) FROM client_rec", {kSlong})["ReturnValue"], 1);
  // Login numbers are all different and positive.
  std::set<int32_t> numbers;
  for (int k = 0; k < 30; ++k) {
    Client c(server.Port());
    ASSERT_GT(c.Login("zhang", "zhang123")["ReturnValue"].get<int>(), 0);
    numbers.insert(c.loginNumber());
  }
  EXPECT_EQ(numbers.size(), 30u);
}

TEST_F(HostileRequests, NumbersOutOfRangeAreRefusedBeforeConversion) {
  json j = li.Envelope("sRecData");
  j["cNum"] = "BR10000003";
  const json badRands[] = {1e300, -1e300, static_cast<int64_t>(li.loginNumber()) + (int64_t{1} << 32),
                           "99999999999999999999", std::numeric_limits<uint64_t>::max()};
  for (const auto& n : badRands) {
    j["iRand"] = n;
    EXPECT_EQ(li.Post(j)["ReturnValue"], rc::kBadRequest) << n.dump();
  }
  // A login stamp of the most negative number.
  std::string body = "{\"RequestName\":\"sUserLogin\",\"TimeStamp\":-9223372036854775808,\"iMisVer\":113,"
                     "\"cUserAc\":\"li\",\"cUserPwd\":\"00000000000000000000000000000000\"}";
  EXPECT_EQ(json::parse(li.PostRaw(body))["ReturnValue"], rc::kBadRequest);
  // Column types, weights and ids.
  json types = li.SqlBody("sSqlQuery", "SELECT irid FROM client_rec", {}, false);
  types["acsType"] = json::array({1e300});
  EXPECT_EQ(li.Post(types)["ReturnValue"], rc::kBadRequest);
  json price = li.Envelope("sQueryPrice");
  price["fqWeight"] = 1e300;
  price["cqZizKind"] = "DHL";
  EXPECT_EQ(li.Post(price)["ReturnValue"], rc::kBadRequest);
  json record = li.Envelope("sRecData");
  record["irID"] = -1e300;
  EXPECT_EQ(li.Post(record)["ReturnValue"], rc::kBadRequest);
  EXPECT_EQ(li.SqlRequest("sSqlExe", "{CALL brantle.dbo.cp_sys_log_add('a','b','c',99999999999999999999,0)}",
                          {})["ReturnValue"],
            rc::kUnsupportedSql);
}

// ---- before parsing: size and depth -----------------------------------------

TEST(RequestShape, DeepAndLargeBodiesAreRefusedBeforeParsing) {
  ServiceOptions o;
  o.dbPath = ":memory:";
  Service service(o);
  auto code = [&](const std::string& body) { return json::parse(service.Handle(body))["ReturnValue"]; };
  auto start = Clock::now();
  EXPECT_EQ(code(std::string(4000000, '[')), rc::kBadRequest);
  EXPECT_EQ(code(std::string(kMaxRequestBytes + 1, ' ')), rc::kBadRequest);
  std::string many = "{\"RequestName\":\"sNoSuch\",\"a\":[1";
  for (size_t k = 0; k < kMaxJsonValues; ++k) many += ",1";
  EXPECT_NE(service.Handle(many + "]}").find("more than"), std::string::npos);
  EXPECT_LT(ElapsedMs(start), 3000);
  // Eight levels are taken, nine are not; brackets inside texts do not count.
  auto nested = [](int depth) {
    return "{\"RequestName\":\"sNoSuch\",\"a\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
  };
  EXPECT_NE(service.Handle(nested(8)).find("unknown RequestName"), std::string::npos);
  EXPECT_NE(service.Handle(nested(9)).find("nested deeper"), std::string::npos);
  EXPECT_NE(service.Handle("{\"RequestName\":\"sNoSuch\",\"a\":\"" + std::string(100, '[') + "\"}")
                .find("unknown RequestName"),
            std::string::npos);
}

// ---- HTTP: who may post ------------------------------------------------------

// One request with exactly these head lines; the status of the answer (0
// when none came).
int RawPostStatus(int port, const std::string& headLines, const std::string& body) {
  const int fd = ConnectLoopback(port);
  if (fd < 0) return 0;
  std::string text = "POST /brantle/api HTTP/1.1\r\nUser-Agent: Tolvane\r\n" + headLines +
                     "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: Close\r\n\r\n" + body;
  SendAll(fd, text);
  // The head, then as many bytes as it announces (the server may keep the
  // connection open).
  std::string reply;
  char buffer[4096];
  ssize_t n;
  for (;;) {
    size_t end = reply.find("\r\n\r\n");
    if (end != std::string::npos) {
      size_t at = reply.find("Content-Length: ");
      size_t length = at < end ? std::strtoul(reply.c_str() + at + 16, nullptr, 10) : 0;
      if (reply.size() >= end + 4 + length) break;
    }
    if ((n = ::recv(fd, buffer, sizeof buffer, 0)) <= 0) break;
    reply.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  if (reply.rfind("HTTP/1.1 ", 0) != 0) return 0;
  return std::atoi(reply.c_str() + 9);
}

TEST(HttpOrigin, OnlyLoopbackHostsPostingJsonAreServed) {
  RunningServer server;
  const std::string port = std::to_string(server.Port());
  const std::string other = std::to_string(server.Port() + 1);
  struct Case {
    std::string host;  // empty: no Host line
    std::string type;  // empty: no Content-Type line
    bool served;
  };
  const Case cases[] = {
      {"127.0.0.1", "application/json", true},  // what the client sends
      {"127.0.0.1:" + port, "application/json", true},
      {"localhost", "application/json", true},
      {"LocalHost:" + port, "application/json; charset=utf-8", true},
      {"[::1]:" + port, "application/json", true},
      {"127.5.6.7", "Application/JSON", true},
      {"127.0.0.1:" + other, "application/json", false},
      {"rebound.example", "application/json", false},
      {"rebound.example:" + port, "application/json", false},
      {"127.0.0.1.rebound.example", "application/json", false},
      {"localhost.rebound.example", "application/json", false},
      {"0x7f.0.0.1", "application/json", false},
      {"127.0.0.01", "application/json", false},
      {"10.0.0.1", "application/json", false},
      {"", "application/json", false},
      {"127.0.0.1", "text/plain", false},
      {"127.0.0.1", "application/x-www-form-urlencoded", false},
      {"127.0.0.1", "multipart/form-data; boundary=x", false},
      {"127.0.0.1", "application/jsonx", false},
      {"127.0.0.1", "", false},
  };
  for (const auto& c : cases) {
    std::string head;
    if (!c.host.empty()) head += "Host: " + c.host + "\r\n";
    if (!c.type.empty()) head += "Content-Type: " + c.type + "\r\n";
    int status = RawPostStatus(server.Port(), head, "{\"RequestName\":\"sNoSuch\"}");
    if (c.served) {
      EXPECT_EQ(status, 200) << c.host << " / " << c.type;
    } else {
      EXPECT_NE(status, 200) << c.host << " / " << c.type;
      EXPECT_NE(status, 0) << c.host << " / " << c.type;
    }
  }
  // A body beyond the limit is skipped, never kept or parsed.
  EXPECT_EQ(RawPostStatus(server.Port(), "Host: 127.0.0.1\r\nContent-Type: application/json\r\n",
                          std::string(kMaxRequestBytes + 1, '[')),
            413);
}

// ---- durability ----------------------------------------------------------------

// Commit frames in a WAL file.
int WalCommits(const std::string& walPath) {
  std::ifstream in(walPath, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u32 = [&](size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
  };
  if (bytes.size() < 32) return 0;
  size_t pageSize = u32(8);
  int commits = 0;
  for (size_t at = 32; at + 24 + pageSize <= bytes.size(); at += 24 + pageSize)
    if (u32(at + 4) != 0) ++commits;
  return commits;
}

TEST(Durability, NewDatabaseComesInOneCommitAndRunsInWalWithFullSync) {
  auto folder = std::filesystem::temp_directory_path() / ("brantle-ls-wal-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::string path = (folder / "new.db").string();
  {
    Database db(path);
    EXPECT_EQ(db.Scalar("PRAGMA journal_mode").AsText(), "wal");
    EXPECT_EQ(db.Scalar("PRAGMA synchronous").AsInt(), 2);
    // Schema and sample data: all or nothing.
    EXPECT_EQ(WalCommits(path + "-wal"), 1);
    EXPECT_EQ(db.Scalar("SELECT COUNT(1) FROM client_rec").AsInt(), 48);
  }
  {
    Database again(path);
    EXPECT_EQ(again.Scalar("SELECT COUNT(1) FROM client_rec").AsInt(), 48);
  }
  std::filesystem::remove_all(folder);
}

TEST(Durability, FailedSavepointNeverLeavesATransactionOpen) {
  Database db(":memory:");
  auto cdes = [&] { return db.Scalar("SELECT cdes FROM client_rec WHERE irid=1").AsText(); };
  const std::string before = cdes();
  // The request's deadline has passed when the procedure fails: the
  // rollback still runs.
  {
    Savepoint proc(db, "proc");
    db.Exec("UPDATE client_rec SET cdes='x' WHERE irid=1");
    db.SetDeadline(Clock::now() - std::chrono::seconds(1));
  }
  db.ClearDeadline();
  EXPECT_TRUE(sqlite3_get_autocommit(db.Handle()));
  EXPECT_EQ(cdes(), before);
  // ROLLBACK TO itself fails (the savepoint is gone): the whole transaction
  // is rolled back instead of staying open for later writes to join.
  {
    Savepoint proc(db, "proc");
    db.Exec("ROLLBACK");
    db.Exec("BEGIN");
    db.Exec("UPDATE client_rec SET cdes='y' WHERE irid=1");
  }
  EXPECT_TRUE(sqlite3_get_autocommit(db.Handle()));
  EXPECT_EQ(cdes(), before);
  // A released one keeps its changes.
  {
    Savepoint proc(db, "proc");
    db.Exec("UPDATE client_rec SET cdes='z' WHERE irid=1");
    proc.Release();
  }
  EXPECT_EQ(cdes(), "z");
}

// ---- stopping ------------------------------------------------------------------

TEST(Stopping, StopEndsARunningStatementAtOnce) {
  ServiceOptions o;
  o.requestMillis = 60000;
  RunningServer server(o);
  Client client(server.Port());
  ASSERT_GT(client.Login("li", "li@2024")["ReturnValue"].get<int>(), 0);
  int64_t cpu = ProcessCpuMs();
  auto heavy = std::async(std::launch::async, [&] { return client.SqlRequest("sSqlQuery", kEndlessJoin, {kSlong}); });
  ASSERT_TRUE(testsupport::WaitUntil([&] { return ProcessCpuMs() - cpu >= 100; }, 10000));
  auto start = Clock::now();
  server.service().Stop();
  ASSERT_EQ(heavy.wait_for(std::chrono::seconds(1)), std::future_status::ready);
  EXPECT_LT(ElapsedMs(start), 1000);
  json r = heavy.get();
  EXPECT_EQ(r["ReturnValue"], rc::kSqlFailed);
  EXPECT_NE(r.value("cError", "").find("going down"), std::string::npos) << r.dump();
  // Later requests are answered at once.
  EXPECT_EQ(client.SqlRequest("sSqlQuery", "SELECT COUNT(1) FROM client_rec", {kSlong})["ReturnValue"], rc::kInternal);
}

}  // namespace
