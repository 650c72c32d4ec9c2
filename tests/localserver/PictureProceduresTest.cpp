// The picture position procedure of the stand-in (cp_client_rec_picc_set)
// on the sample waybills BR10000033 (pictures at 1 and 5), BR10000034 (all
// 255 positions taken) and BR10000022 (none), and the UPDATE with its hex
// literal that fills the row the procedure made.

#include <gtest/gtest.h>

#include <string>

#include "TestClient.h"

using namespace lstest;

namespace {

class PictureProceduresTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(client.Login("oneil", "oneil74")["ReturnValue"].get<int>(), 0); }

  // The allotted position, or 1000 + the request's ReturnValue when it failed.
  int64_t Allot(int64_t irid, int64_t second, int64_t pos) {
    json r = client.SqlRequest("sSqlExe",
                               "{?=CALL brantle.dbo.cp_client_rec_picc_set(" + std::to_string(irid) +
                                   "," + std::to_string(second) + "," + std::to_string(pos) + ")}",
                               {kSlong});
    if (r.value("ReturnValue", 0) != 1) return 1000 + r.value("ReturnValue", 0);
    return r["List"][0]["0"].get<int64_t>();
  }
  json Query(const std::string& sql, const std::vector<uint32_t>& types) {
    return client.SqlRequest("sSqlQuery", sql, types);
  }
  int64_t IdOf(const std::string& number) {
    json r = Query("SELECT irid FROM brantle.dbo.client_rec WHERE cnum='" + number + "'", {kSlong});
    if (r.value("iTotal", 0) < 1) return -1;
    return r["List"][0]["0"].get<int64_t>();
  }

  RunningServer server;
  Client client{server.Port()};
};

TEST_F(PictureProceduresTest, WantedPositionOrTheNextFreeAboveIt) {
  const int64_t holding = IdOf("BR10000033");
  const int64_t full = IdOf("BR10000034");
  const int64_t empty = IdOf("BR10000022");
  ASSERT_GT(holding, 0);
  ASSERT_GT(full, 0);
  ASSERT_GT(empty, 0);
  struct Case {
    int64_t irid;
    int64_t wanted;
    int64_t allotted;
  } cases[] = {
      {holding, 1, 2},   {holding, 5, 6},  {holding, 3, 3},   {holding, 255, 255},
      {empty, 1, 1},     {empty, 20, 20},  {empty, 0, 1},     {full, 1, -2},
      {full, 255, -2},   {holding, 300, -2}, {999999, 1, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.allotted, Allot(c.irid, 1, c.wanted)) << c.irid << " at " << c.wanted;
  // An allotted row without its bytes stays free: asking again gives it again.
  EXPECT_EQ(2, Allot(holding, 1, 1));
  json rows = Query("SELECT npos FROM brantle.dbo.client_rec_picc WHERE irid=" +
                        std::to_string(holding) + " ORDER BY npos",
                    {kSlong});
  ASSERT_EQ(6, rows.value("iTotal", 0)) << rows.dump();
  const int64_t expected[] = {1, 2, 3, 5, 6, 255};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(expected[i], rows["List"][i]["0"].get<int64_t>());
}

TEST_F(PictureProceduresTest, TheUpdateFillsTheRowAndTheNextPictureGoesAbove) {
  const int64_t id = IdOf("BR10000021");
  ASSERT_GT(id, 0);
  ASSERT_EQ(1, Allot(id, 2, 1));
  const std::string update = "UPDATE brantle.dbo.client_rec_picc SET ilen=4,cext='jpg',ddate=GETDATE(),"
                             "cinput='O''Neil',vdata=0xFFD800D9 WHERE irid=" +
                             std::to_string(id) + " AND npos=1";
  ASSERT_EQ(1, client.SqlRequest("sSqlExe", update, {}).value("ReturnValue", 0));
  json row = Query("SELECT ilen,cext,cinput FROM brantle.dbo.client_rec_picc WHERE irid=" +
                       std::to_string(id) + " AND npos=1",
                   {kSlong, Char(8), Char(32)});
  ASSERT_EQ(1, row.value("iTotal", 0)) << row.dump();
  EXPECT_EQ(4, row["List"][0]["0"].get<int>());
  EXPECT_EQ("jpg", row["List"][0]["1"].get<std::string>());
  EXPECT_EQ("O'Neil", row["List"][0]["2"].get<std::string>());
  EXPECT_EQ(2, Allot(id, 2, 1));
}

}  // namespace
