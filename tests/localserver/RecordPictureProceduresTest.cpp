// The goods and transfer picture procedures of the stand-in
// (cp_w_goods_pic_set, cp_rec_trans_pic_set) and the sample pictures of
// all four picture tables: the positions, the formats made in code, the
// short row and the stored extensions "/../../x" and "a'b".

#include <gtest/gtest.h>

#include <string>

#include "TestClient.h"

using namespace lstest;

namespace {

class RecordPictureProceduresTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(client.Login("oneil", "oneil74")["ReturnValue"].get<int>(), 0); }

  // The allotted position, or 1000 + the request's ReturnValue when it failed.
  int64_t Allot(const std::string& procedure, int64_t key, int64_t pos) {
    json r = client.SqlRequest("sSqlExe",
                               "{?=CALL brantle.dbo." + procedure + "(" + std::to_string(key) +
                                   ",5," + std::to_string(pos) + ")}",
                               {kSlong});
    if (r.value("ReturnValue", 0) != 1) return 1000 + r.value("ReturnValue", 0);
    return r["List"][0]["0"].get<int64_t>();
  }
  json Query(const std::string& sql, const std::vector<uint32_t>& types) {
    return client.SqlRequest("sSqlQuery", sql, types);
  }
  int Put(const std::string& sql, const std::string& data) {
    json put = client.SqlBody("sDataPut", GbkOf(sql), {}, false);
    put["isLen"] = data.size();
    put["vData"] = Base64Encode(data);
    return client.Post(put).value("ReturnValue", 0);
  }
  std::string Get(const std::string& sql) {
    json get = client.SqlBody("sPicData", GbkOf(sql), {}, false);
    get["isLen"] = 4000000;
    json got = client.Post(get);
    std::string back;
    if (got.contains("vData")) Base64Decode(got["vData"].get<std::string>(), back);
    return back;
  }

  RunningServer server;
  Client client{server.Port()};
};

TEST_F(RecordPictureProceduresTest, WantedPositionOrTheNextFreeAboveIt) {
  struct Case {
    const char* procedure;
    int64_t key;
    int64_t wanted;
    int64_t allotted;
  } cases[] = {
      {"cp_w_goods_pic_set", 713101, 1, 3},    {"cp_w_goods_pic_set", 713101, 5, 6},
      {"cp_w_goods_pic_set", 713101, 12, 13},  {"cp_w_goods_pic_set", 713101, 0, 3},
      {"cp_w_goods_pic_set", 713103, 7, 7},    {"cp_w_goods_pic_set", 713101, 256, -2},
      {"cp_w_goods_pic_set", 0, 1, -1},        {"cp_w_goods_pic_set", -5, 1, -1},
      {"cp_rec_trans_pic_set", 713201, 2, 3},  {"cp_rec_trans_pic_set", 713201, 9, 10},
      {"cp_rec_trans_pic_set", 713203, 255, 255}, {"cp_rec_trans_pic_set", 0, 1, -1},
  };
  // Each allotment makes an empty row, which stays free: the cases do not
  // disturb each other.
  for (const Case& c : cases)
    EXPECT_EQ(c.allotted, Allot(c.procedure, c.key, c.wanted)) << c.procedure << " " << c.key
                                                                << " at " << c.wanted;
  json rows = Query("SELECT npos FROM brantle.dbo.w_goods_pic WHERE giid=713101 AND ilen>0 "
                    "ORDER BY npos",
                    {kSlong});
  ASSERT_EQ(6, rows.value("iTotal", 0)) << rows.dump();
}

TEST_F(RecordPictureProceduresTest, TheStoreFillsTheAllottedRowAndSignsTransfers) {
  ASSERT_EQ(1, Allot("cp_rec_trans_pic_set", 713204, 1));
  const std::string bytes("\xFF\xD8picture bytes\xFF\xD9", 17);
  EXPECT_EQ(1, Put("UPDATE brantle.dbo.rec_trans_pic SET ilen=17,cext='jpg',ddate=GETDATE(),"
                   "cinput='O''Neil',vdata=? WHERE iid=713204 AND npos=1",
                   bytes));
  json row = Query("SELECT cext,ilen,cinput FROM brantle.dbo.rec_trans_pic WHERE iid=713204 AND npos=1",
                   {Char(8), kSlong, Char(32)});
  ASSERT_EQ(1, row.value("iTotal", 0)) << row.dump();
  EXPECT_EQ("jpg", row["List"][0]["0"].get<std::string>());
  EXPECT_EQ(17, row["List"][0]["1"].get<int>());
  EXPECT_EQ("O'Neil", row["List"][0]["2"].get<std::string>());
  EXPECT_EQ(bytes, Get("SELECT vdata FROM brantle.dbo.rec_trans_pic WHERE iid=713204 AND npos=1"));
  EXPECT_EQ(2, Allot("cp_rec_trans_pic_set", 713204, 1));

  ASSERT_EQ(1, Allot("cp_w_goods_pic_set", 713104, 1));
  EXPECT_EQ(1, Put("UPDATE brantle.dbo.w_goods_pic SET ilen=17,cext='jpg',ddate=GETDATE(),vdata=? "
                   "WHERE giid=713104 AND npos=1",
                   bytes));
  EXPECT_EQ(bytes, Get("SELECT vdata FROM brantle.dbo.w_goods_pic WHERE giid=713104 AND npos=1"));
}

// The sample pictures: the same set in every table, each file a picture of
// its stated format (by its first bytes).
TEST_F(RecordPictureProceduresTest, SamplePicturesInAllFourTables) {
  struct Table {
    const char* table;
    const char* key;
    const char* pos;
    int64_t full;
    int64_t odd;
  } tables[] = {
      {"client_rec_picc", "irid", "npos", 713001, 713002},
      {"w_goods_pic", "giid", "npos", 713101, 713102},
      {"rec_trans_pic", "iid", "npos", 713201, 713202},
      {"w_g_in_pic", "iid", "wpos", 713301, 713302},
  };
  struct Picture {
    int pos;
    const char* ext;
    std::string magic;
  } pictures[] = {{1, "jpg", "\xFF\xD8"}, {2, "jpg", "\xFF\xD8"}, {5, "bmp", "BM"},
                  {7, "png", "\x89PNG"},  {9, "gif", "GIF89a"},  {12, "bmp", "BM"}};
  for (const Table& t : tables) {
    const std::string where = std::string(" FROM brantle.dbo.") + t.table + " WHERE " + t.key + "=";
    json rows = Query(std::string("SELECT ") + t.pos + where + std::to_string(t.full) +
                          " ORDER BY " + t.pos,
                      {kSlong});
    ASSERT_EQ(6, rows.value("iTotal", 0)) << t.table << rows.dump();
    for (int i = 0; i < 6; ++i) {
      const Picture& p = pictures[i];
      EXPECT_EQ(p.pos, rows["List"][i]["0"].get<int>()) << t.table;
      const std::string at = std::to_string(t.full) + " AND " + t.pos + "=" + std::to_string(p.pos);
      json d = Query("SELECT cext,ilen,ddate" + where + at, {Char(8), kSlong, kTimestamp});
      ASSERT_EQ(1, d.value("iTotal", 0)) << t.table << " " << p.pos;
      EXPECT_EQ(p.ext, d["List"][0]["0"].get<std::string>());
      EXPECT_EQ("2024-03-20 10:00:00", d["List"][0]["2"].get<std::string>().substr(0, 19));
      const std::string bytes = Get("SELECT vdata" + where + at);
      EXPECT_EQ(d["List"][0]["1"].get<int64_t>(), static_cast<int64_t>(bytes.size()));
      EXPECT_EQ(p.magic, bytes.substr(0, p.magic.size())) << t.table << " " << p.pos;
    }
    json odd = Query(std::string("SELECT cext,ilen") + where + std::to_string(t.odd) + " ORDER BY " +
                         t.pos,
                     {Char(16), kSlong});
    ASSERT_EQ(3, odd.value("iTotal", 0)) << t.table;
    EXPECT_LE(odd["List"][0]["1"].get<int>(), 100);
    EXPECT_EQ("/../../x", odd["List"][1]["0"].get<std::string>());
    EXPECT_GT(odd["List"][1]["1"].get<int>(), 100);
    EXPECT_EQ("a'b", odd["List"][2]["0"].get<std::string>());
  }
}

}  // namespace
