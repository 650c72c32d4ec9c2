#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "localserver/Procedures.h"
#include "localserver/Service.h"
#include "localserver/SqlRewriter.h"
#include "tests/fuzz/FuzzBytes.h"

using namespace localserver;

// Random and mutated request bodies: every reply is a JSON object with a
// ReturnValue, whatever comes in.
TEST(LocalServerFuzz, RequestBodies) {
  ServiceOptions o;
  o.dbPath = ":memory:";
  Service service(o);
  fuzz::Bytes gen(4711);
  const std::string seeds[] = {
      R"({"RequestName":"sUserLogin","TimeStamp":1,"cUserAc":"admin","cUserPwd":"00"})",
      R"({"RequestName":"sSqlQuery","TimeStamp":1,"cUserAc":"a","iRand":5,"nCRC":1,"acsType":[65568],"xSql":"AAAA"})",
      R"({"RequestName":"sSysFile","TimeStamp":1,"nqGrade":255,"dDate":"","cqFileName":"TolvaneLan_00.txt"})",
      R"({"RequestName":"sRecData","iRand":0,"irID":1})"};
  for (int i = 0; i < fuzz::kRounds / 10; ++i) {
    std::string body = i % 3 == 0 ? gen.From("{}[]\":,\\u0123456789abcdefRequestName", 120)
                                  : gen.Mutate(seeds[i % 4]);
    std::string reply = service.Handle(body);
    auto j = nlohmann::json::parse(reply, nullptr, false);
    ASSERT_TRUE(j.is_object() && j.contains("ReturnValue")) << body;
    for (unsigned char c : reply) ASSERT_LT(c, 0x80);
  }
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
