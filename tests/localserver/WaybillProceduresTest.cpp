// The quick save and delete procedures of the stand-in: the new waybill
// (116 arguments), the change of a loaded one (107, its piece rows
// replaced), the delete, and their refusals on the sample waybills.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TestClient.h"

using namespace lstest;

namespace {

// The argument numbers (of the 116) that are texts.
const std::set<int> kTexts = {4,  7,  8,  9,  10, 11, 12, 15, 16, 17, 18, 19, 20, 21, 22, 23,
                              24, 25, 26, 27, 28, 29, 30, 31, 35, 48, 51, 52, 61, 63, 64, 65,
                              66, 67, 68, 69, 70, 71, 72, 74, 77, 78, 81, 83, 84, 85, 86, 87,
                              88, 89, 90, 96, 97, 98, 99, 100, 101, 106, 107, 108, 109, 110};

struct Call {
  std::vector<std::string> args;  // by argument number - 1

  explicit Call(int customer) {
    for (int n = 1; n <= 116; ++n) args.push_back(kTexts.count(n) ? "''" : "0");
    args[0] = std::to_string(customer);
    args[3] = "'2024.5.6'";
    args[7] = "'ZIZ国际'";
  }
  Call& Set(int number, const std::string& value) {
    args[static_cast<size_t>(number - 1)] = value;
    return *this;
  }
  std::string Added() const { return "{?=CALL brantle.dbo.cp_client_rec_fast_add(" + Joined(args) + ")}"; }
  std::string Changed(int id) const {
    std::vector<std::string> mod = args;
    for (int n : {106, 105, 104, 103, 83, 41, 39, 8, 7}) mod.erase(mod.begin() + n - 1);
    mod[0] = std::to_string(id);
    return "{?=CALL brantle.dbo.cp_client_rec_fast_mod(" + Joined(mod) + ")}";
  }
  static std::string Joined(const std::vector<std::string>& v) {
    std::string s;
    for (size_t k = 0; k < v.size(); ++k) s += (k ? "," : "") + v[k];
    return s;
  }
};

class WaybillProceduresTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(client.Login("admin", "admin123")["ReturnValue"].get<int>(), 0); }

  // The procedure's result, or the request's ReturnValue when it failed.
  int64_t Run(Client& c, const std::string& sql) {
    json r = c.SqlRequest("sSqlExe", sql, {kSlong});
    if (r.value("ReturnValue", 0) != 1) return 1000 + r.value("ReturnValue", 0);
    return r["List"][0]["0"].get<int64_t>();
  }
  int64_t Run(const std::string& sql) { return Run(client, sql); }

  // The first column of the first row of a query ("FROM x" read as the
  // client writes it, "FROM brantle.dbo.x"), -1 without a row.
  int64_t Count(std::string sql) {
    for (size_t at = sql.find("FROM "); at != std::string::npos; at = sql.find("FROM ", at + 5))
      sql.insert(at + 5, "brantle.dbo.");
    json r = client.SqlRequest("sSqlQuery", sql, {kSlong});
    if (r.value("iTotal", 0) < 1) return -1;
    return r["List"][0]["0"].get<int64_t>();
  }
  int64_t IdOf(const std::string& number) {
    return Count("SELECT irid FROM client_rec WHERE cnum='" + number + "'");
  }

  RunningServer server;
  Client client{server.Port()};
};

TEST_F(WaybillProceduresTest, AddChangeAndReplaceThePieceRows) {
  Call call(1);
  call.Set(7, "'管理员'").Set(11, "'BRP0001'").Set(12, "'BRP0001'").Set(14, "95.50").Set(25, "'赵''六'")
      .Set(35, "'40*30*20D'").Set(78, "'SZ'").Set(39, "95.50");
  const int64_t id = Run(call.Added());
  ASSERT_GT(id, 0);
  for (const char* stored : {"famount=95.5", "faccord=95.5", "ctaker='赵''六'",
                             "clwh='40*30*20D'", "cstationt='SZ'", "ddate='2024-05-06 00:00:00'",
                             "cinput='管理员'"})
    EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE irid=" + std::to_string(id) +
                       " AND " + stored))
        << stored;
  // The pieces the client sends after the call.
  json rows = client.SqlRequest(
      "sSqlExe",
      "INSERT INTO brantle.dbo.client_rec_weight_detail(irid,ilong,iwidth,iheight,iweight,npercent,"
      "cno,famount,fcost,ibag,wpos,cgoods,iquantity,iprice,crno,cnum,cgoodsa,cgcodea,cgcodeb,"
      "cgcodec,fgcustom,fgcrate) select " + std::to_string(id) +
          ",1,1,1,100,100,'a',0,0,0,1,'',0,0,'','','','','','',0.00,0.0000 union all select " +
          std::to_string(id) + ",2,2,2,200,100,'b',0,0,0,2,'',0,0,'','','','','','',0.00,0.0000 ",
      {});
  ASSERT_EQ(1, rows["ReturnValue"].get<int>()) << rows.dump();
  const std::string where = " WHERE irid=" + std::to_string(id);
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_weight_detail" + where));

  // Saved again: the same id back, the piece rows gone until the client
  // sends them again, the changed values stored.
  call.Set(31, "'changed'");
  EXPECT_EQ(id, Run(call.Changed(static_cast<int>(id))));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec_weight_detail" + where));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec" + where + " AND cmemo='changed'"));

  // A second waybill with the same number is refused, and leaves nothing.
  const int64_t before = Count("SELECT count(*) FROM client_rec");
  EXPECT_EQ(-3, Run(Call(1).Set(11, "'BRP0001'").Added()));
  EXPECT_EQ(-5, Run(Call(1).Set(11, "'BRP0002'").Set(12, "'BRP0001'").Added()));
  EXPECT_EQ(-1, Run(Call(999999).Set(11, "'BRP0003'").Added()));
  EXPECT_EQ(-6, Run(Call(1).Set(8, "'NOKIND'").Added()));
  EXPECT_EQ(before, Count("SELECT count(*) FROM client_rec"));
  // A call one argument short is no call of the procedure.
  Call shortCall(1);
  shortCall.args.pop_back();
  EXPECT_EQ(rc::kBadArguments,
            client.SqlRequest("sSqlExe", shortCall.Added(), {kSlong})["ReturnValue"].get<int>());
}

// A customer's unpaid totals follow its waybill through the save, the
// change of its pay way and amount, and the delete.
TEST_F(WaybillProceduresTest, UnpaidTotalsFollowTheWaybill) {
  auto totals = [&] {
    std::vector<int64_t> t;
    for (const char* way : {"0", "1", "2"}) {
      t.push_back(Count(std::string("SELECT round(fpay") + way + "*100,0) FROM client_arc WHERE icid=4"));
      t.push_back(Count(std::string("SELECT ipay") + way + " FROM client_arc WHERE icid=4"));
    }
    return t;
  };
  ASSERT_EQ((std::vector<int64_t>{0, 0, 0, 0, 0, 0}), totals());
  Call call(4);
  call.Set(11, "'BRT0001'").Set(12, "'BRT0001'").Set(14, "95.50").Set(6, "0");
  const int64_t id = Run(call.Added());
  ASSERT_GT(id, 0);
  EXPECT_EQ((std::vector<int64_t>{9550, 1, 0, 0, 0, 0}), totals());
  call.Set(14, "120.25").Set(6, "1");
  ASSERT_EQ(id, Run(call.Changed(static_cast<int>(id))));
  EXPECT_EQ((std::vector<int64_t>{0, 0, 12025, 1, 0, 0}), totals());
  ASSERT_EQ(id, Run("{?=CALL brantle.dbo.cp_client_rec_fast_del(" + std::to_string(id) + ",0)}"));
  EXPECT_EQ((std::vector<int64_t>{0, 0, 0, 0, 0, 0}), totals());
}

TEST_F(WaybillProceduresTest, RefusalsOfTheSampleWaybills) {
  const Call call(1);
  EXPECT_EQ(-7, Run(call.Changed(static_cast<int>(IdOf("BR10000001")))));
  EXPECT_EQ(-8, Run(call.Changed(static_cast<int>(IdOf("BR10000028")))));
  EXPECT_EQ(-8, Run(call.Changed(static_cast<int>(IdOf("BR10000012")))));
  EXPECT_EQ(-10, Run(call.Changed(9999999)));

  const struct {
    const char* number;
    int64_t result;
  } deletes[] = {{"BR10000028", -3}, {"BR10000004", -4}, {"BR10000008", -5},
                 {"BR10000012", -6}, {"BR10000016", -7}, {"BR10000020", -8},
                 {"BR10000001", -2}};
  for (const auto& d : deletes)
    EXPECT_EQ(d.result, Run("{?=CALL brantle.dbo.cp_client_rec_fast_del(" +
                            std::to_string(IdOf(d.number)) + ",0)}"))
        << d.number;
  EXPECT_EQ(-1, Run("{?=CALL brantle.dbo.cp_client_rec_fast_del(0,0)}"));

  // The editable one goes with its rows.
  const int64_t id = IdOf("BR10000024");
  EXPECT_EQ(id, Run("{?=CALL brantle.dbo.cp_client_rec_fast_del(" + std::to_string(id) + ",0)}"));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec_goods WHERE irid=" + std::to_string(id)));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec_weight_detail WHERE irid=" +
                     std::to_string(id)));
}

TEST_F(WaybillProceduresTest, StationOfTheLogin) {
  Client zhang(server.Port());
  ASSERT_GT(zhang.Login("zhang", "zhang123")["ReturnValue"].get<int>(), 0);
  // Customer 3 belongs to GZ.
  EXPECT_EQ(-2, Run(zhang, Call(3).Set(11, "'BRP0100'").Added()));
  const int64_t id = Run(Call(3).Set(11, "'BRP0101'").Added());
  ASSERT_GT(id, 0);
  EXPECT_EQ(-10, Run(zhang, "{?=CALL brantle.dbo.cp_client_rec_fast_del(" + std::to_string(id) + ",1)}"));
}

}  // namespace
