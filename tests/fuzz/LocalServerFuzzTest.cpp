#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>

#include "localserver/Procedures.h"
#include "localserver/Service.h"
#include "localserver/SqlRewriter.h"
#include "localserver/Wire.h"
#include "tests/fuzz/FuzzBytes.h"

using namespace localserver;
using nlohmann::json;

namespace {

// The request text; random bytes in strings become U+FFFD.
std::string Text(const json& j) { return j.dump(-1, ' ', true, json::error_handler_t::replace); }

// Every reply is one ASCII JSON object with a ReturnValue.
void ExpectReply(const std::string& reply, const std::string& body) {
  auto j = json::parse(reply, nullptr, false);
  ASSERT_TRUE(j.is_object() && j.contains("ReturnValue")) << body.substr(0, 300) << "\n -> " << reply.substr(0, 300);
  for (unsigned char c : reply) ASSERT_LT(c, 0x80) << body.substr(0, 300);
}

// A logged-in user of the service, talking to it straight through Handle.
class FuzzUser {
 public:
  FuzzUser(Service& service, const std::string& account, const std::string& password)
      : service_(service), account_(account) {
    int64_t stamp = ServerTimeStamp(time(nullptr));
    std::string gbk;
    GbkFromUtf8(password, gbk);
    std::string text = std::to_string(static_cast<uint32_t>(stamp)) + "-#7+3#-" + gbk;
    text.append(kLoginDigestTail, 4);
    json login = {{"RequestName", "sUserLogin"}, {"TimeStamp", stamp},   {"w", "FUZZ"},
                  {"cpcMark", std::string(32, '0')}, {"cMAC", "001122334455"}, {"wOSVer", 6110},
                  {"iMisVer", kProgramVersion}, {"cUserAc", account}, {"cUserPwd", Md5Hex(text)}};
    json r = json::parse(service_.Handle(login.dump()));
    number_ = r.value("ReturnValue", 0);
    if (number_ > 0) HexDecode(r["xEncrypt"].get<std::string>(), key_);
  }
  bool LoggedIn() const { return number_ > 0 && key_.size() == 16; }

  json Envelope(const std::string& name) const {
    return {{"RequestName", name}, {"TimeStamp", ServerTimeStamp(time(nullptr))}, {"cUserAc", account_},
            {"iRand", number_}};
  }
  // An SQL request with the bytes scrambled under the session key.
  json Sql(const std::string& name, std::string bytes, const json& types) const {
    json j = Envelope(name);
    j["nCRC"] = Crc32(bytes);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(bytes[i] ^ key_[i % 16]);
    j["acsType"] = types;
    j["xSql"] = Base64Encode(bytes);
    return j;
  }
  std::string Send(const json& j) const { return service_.Handle(Text(j)); }

 private:
  Service& service_;
  std::string account_;
  int32_t number_ = 0;
  std::string key_;
};

ServiceOptions FuzzOptions() {
  ServiceOptions o;
  o.dbPath = ":memory:";
  o.requestMillis = 200;
  return o;
}

// A value of any JSON kind, the hostile ones often.
json RandomValue(fuzz::Bytes& gen) {
  switch (gen.Next() % 10) {
    case 0: return 1e300;
    case 1: return -1e300;
    case 2: return std::numeric_limits<int64_t>::min();
    case 3: return std::numeric_limits<uint64_t>::max();
    case 4: return static_cast<int32_t>(gen.Next());
    case 5: return json::array({gen.Next(), "x", nullptr});
    case 6: return nullptr;
    case 7: return gen.Next() % 2 == 0;
    default: return gen.From("%_'\"\\[]0123456789abc张", 40);
  }
}

}  // namespace

// Random and mutated request bodies: every reply is a JSON object with a
// ReturnValue, whatever comes in.
TEST(LocalServerFuzz, RequestBodies) {
  Service service(FuzzOptions());
  fuzz::Bytes gen(4711);
  const std::string seeds[] = {
      R"({"RequestName":"sUserLogin","TimeStamp":1,"cUserAc":"admin","cUserPwd":"00"})",
      R"({"RequestName":"sSqlQuery","TimeStamp":1,"cUserAc":"a","iRand":5,"nCRC":1,"acsType":[65568],"xSql":"AAAA"})",
      R"({"RequestName":"sSysFile","TimeStamp":1,"nqGrade":255,"dDate":"","cqFileName":"TolvaneLan_00.txt"})",
      R"({"RequestName":"sRecData","iRand":0,"irID":1})"};
  for (int i = 0; i < fuzz::kRounds / 10; ++i) {
    std::string body = i % 3 == 0 ? gen.From("{}[]\":,\\u0123456789abcdefRequestName", 120)
                                  : gen.Mutate(seeds[i % 4]);
    ExpectReply(service.Handle(body), body);
  }
}

// Past the session check: mutated SQL through every SQL request, and named
// requests with values of every kind, as the sample account of the smallest
// rights.  Afterwards the database still holds what it held and serves.
TEST(LocalServerFuzz, SqlAndNamedRequestsOfALoggedInUser) {
  Service service(FuzzOptions());
  FuzzUser li(service, "li", "li@2024");
  ASSERT_TRUE(li.LoggedIn());
  const json before =
      json::parse(li.Send(li.Sql("sSqlQuery", "SELECT COUNT(1) FROM client_rec", {4293918720u})));
  const int waybills = before["List"][0]["0"].get<int>();
  ASSERT_GT(waybills, 0) << before.dump();
  fuzz::Bytes gen(2718);
  const std::string sqlSeeds[] = {
      "SELECT TOP 5 a.irid,ISNULL(c.ilen,0),DATEDIFF(dd,a.ddate,GETDATE()) FROM brantle.dbo.client_rec AS a "
      "WITH (NOLOCK) LEFT OUTER JOIN client_rec_pic c ON(a.irid=c.irid) WHERE a.cnum LIKE 'B[_]%' "
      "AND cdes+'x'='yx' ORDER BY a.irid",
      "SELECT mcaccount,mvright,migrade FROM brantle.dbo.man_main WHERE mcaccount='li'",
      "SELECT name FROM [sqlite_master] WHERE type='table'",
      "UPDATE brantle.dbo.client_rec SET crno='R1',ireserve=3,fgoods=12.50 WHERE irid=5",
      "UPDATE brantle.dbo.man_main SET migrade=255 WHERE mcaccount='li'",
      "DELETE brantle.dbo.client_rec_goods WHERE irid=5",
      "INSERT INTO brantle.dbo.client_rec_goods(wpos,irid,cgoods) select 0,5,'A' union all select 1,5,'B'",
      "{?=CALL brantle.dbo.cp_man_main_mod_password('admin','x','',0x00)}",
      "{CALL brantle.dbo.cp_sys_log_add('a','b','c',1,2)}",
      "SELECT CONVERT(varchar(10),ddate,120),CAST(irid AS varchar(10)) FROM client_rec WHERE irid IN(1,2)",
  };
  const char* sqlRequests[] = {"sSqlQuery", "sSqlExe", "sDataGet", "sDataPut"};
  for (int i = 0; i < fuzz::kRounds / 20; ++i) {
    std::string sql = gen.Mutate(sqlSeeds[i % std::size(sqlSeeds)]);
    std::string gbk;
    if (!GbkFromUtf8(sql, gbk)) gbk = sql;
    json j = li.Sql(sqlRequests[(i / 3) % 4], gbk, json::array({65568, 4293918720u}));
    j["isLen"] = 16;
    j["vData"] = Base64Encode(gen.Random(16));
    if (i % 7 == 0) j[i % 2 ? "acsType" : "iRand"] = RandomValue(gen);
    ExpectReply(li.Send(j), Text(j));
  }
  const std::vector<std::pair<const char*, std::vector<const char*>>> named = {
      {"sFetchNo", {"icID", "cZizKind"}},
      {"sQueryPrice", {"icID", "cqDes", "nqItemType", "fqWeight", "cqZizKind"}},
      {"sPriceSp", {"isID", "cZizKind", "cDes", "nItemType", "iWeight"}},
      {"sRecData", {"irID", "cNum", "cNo"}},
      {"sRecPreInputData", {"iID", "cNum", "cNo", "cRNo"}},
      {"sModelData", {"iqID", "cqKind", "cqName"}},
      {"sFileData", {"dDate", "iqID", "nqGrade", "cqKind", "cqKey", "cqTitle", "cqFileName"}},
      {"sClientList", {"icID", "dDate"}},
      {"sDesList", {"iID", "dDate"}},
      {"sUserLoginOut", {"iLogID"}},
      {"sSysFile", {"nqGrade", "dDate", "cqFileName"}},
  };
  for (int i = 0; i < fuzz::kRounds / 20; ++i) {
    const auto& [name, keys] = named[i % named.size()];
    if (std::string(name) == "sUserLoginOut" && i % 5 != 0) continue;  // keep the session mostly
    json j = li.Envelope(name);
    for (const char* key : keys)
      if (gen.Next() % 3) j[key] = RandomValue(gen);
    if (i % 11 == 0) j["TimeStamp"] = RandomValue(gen);
    ExpectReply(li.Send(j), Text(j));
  }
  // The fuzzing changed nothing it may not change.
  FuzzUser admin(service, "admin", "admin123");
  ASSERT_TRUE(admin.LoggedIn());
  FuzzUser again(service, "li", "li@2024");
  ASSERT_TRUE(again.LoggedIn());
  json count = json::parse(again.Send(again.Sql("sSqlQuery", "SELECT COUNT(1) FROM client_rec", {4293918720u})));
  EXPECT_EQ(count["List"][0]["0"], waybills) << count.dump();
  json grade = json::parse(again.Send(again.Sql("sSqlQuery", "SELECT migrade FROM man_main WHERE mcaccount='li'",
                                                {4293918720u})));
  EXPECT_EQ(grade["List"][0]["0"], 5);
  json log = json::parse(again.Send(again.Sql("sSqlExe", "{CALL brantle.dbo.cp_sys_log_add('a','b','c',1,2)}", {})));
  EXPECT_EQ(log["ReturnValue"], 1) << log.dump();
}

// Bodies far larger or deeper than any request: refused at once, without
// the memory a parse would take.
TEST(LocalServerFuzz, LargeAndDeepBodies) {
  Service service(FuzzOptions());
  FuzzUser li(service, "li", "li@2024");
  ASSERT_TRUE(li.LoggedIn());
  fuzz::Bytes gen(1618);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 40; ++i) {
    std::string body;
    size_t n = 1000 + gen.Next() % 4000000;
    switch (i % 5) {
      case 0: body = std::string(n, '['); break;
      case 1:
        for (size_t k = 0; k < n / 6; ++k) body += "{\"a\":";
        break;
      case 2: body = "{\"RequestName\":\"sSqlQuery\",\"x\":" + std::string(n, '[') + "1" + std::string(n, ']') + "}"; break;
      case 3: body = gen.From("[]{}\",:", 1) + std::string(kMaxRequestBytes, ' '); break;
      default: {
        // Large but well formed: a long text in a logged-in request.
        json j = li.Envelope("sRecData");
        j["cNum"] = std::string(n, 'x');
        body = j.dump();
      }
    }
    ExpectReply(service.Handle(body), body.substr(0, 100));
  }
  EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count(), 60);
}

TEST(LocalServerFuzz, SqlTextAndCalls) {
  fuzz::Bytes gen(815);
  const std::string seed =
      "SELECT TOP 5 a.irid,ISNULL(c.ilen,0) FROM brantle.dbo.client_rec AS a WITH (NOLOCK) "
      "LEFT OUTER JOIN client_rec_pic c ON(a.irid=c.irid) WHERE a.ddate BETWEEN '2024.3.1' AND "
      "'2024.3.2 1:2:3.4' AND a.cnum LIKE 'B[_]%' AND cdes+'x'='yx' ORDER BY a.irid";
  const std::string call = "{?=CALL brantle.dbo.cp_x(?,'a''b',-1,2.5,0x0A,N'z',NULL)}";
  for (int i = 0; i < fuzz::kRounds; ++i) {
    RewriteTsql(i % 2 ? gen.Mutate(seed) : gen.From("SELECT TOP()[]'',.+-=<>0x1aN{}?;", 80),
                SchemaColumnTypes());
    ProcCall c;
    std::string why;
    ParseProcCall(i % 2 ? gen.Mutate(call) : gen.Random(60), c, why);
  }
}
