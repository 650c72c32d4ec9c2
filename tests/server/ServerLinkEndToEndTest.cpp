// The server link against the local stand-in server, started by the tests on
// a free loopback port with a fresh database, and stopped after them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "common/Base64.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "tests/server/StandInLinkSuite.h"

namespace fs = std::filesystem;

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One stand-in for the whole suite: a fresh database, its sample data.
class EndToEnd : public testsupport::StandInLinkSuite<EndToEnd> {
 public:
  static constexpr const char* kRootName = "brantle-e2e";

 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(OpenLink("01", "PC-E2E")); }
};

TEST_F(EndToEnd, LanguageFileComesBeforeLogin) {
  fs::path file = folder_ / "TolvaneLan_01.txt";
  ASSERT_TRUE(fs::exists(file));
  EXPECT_GT(fs::file_size(file), 256u);
  EXPECT_EQ(0, link_.FetchLanguageFile());  // ours is as new as the server's
  CLanguageTable table;
  ASSERT_TRUE(table.Load(folder_.string() + "/", "01"));
  EXPECT_NE(u"???", table.Text(20026));
  EXPECT_EQ((std::vector<std::string>{"TolvaneLan_01.txt", "ZizTolvane.ini"}),
            [&] {
              std::vector<std::string> names;
              for (const auto& e : fs::directory_iterator(folder_))
                names.push_back(e.path().filename().string());
              std::sort(names.begin(), names.end());
              return names;
            }());
}

TEST_F(EndToEnd, LoginResults) {
  EXPECT_EQ(-2, link_.Login(u"nobody", u"x", 0));
  EXPECT_EQ(-4, link_.Login(u"admin", u"wrong", 0));
  EXPECT_EQ(-5, link_.Login(u"stop", u"stop123", 0));
  EXPECT_FALSE(link_.LoggedIn());
  // A password with Chinese characters goes into the digest as GBK.
  EXPECT_GT(link_.Login(u"wang", u"王五pw1", 0), 0);
  EXPECT_EQ("GZ", link_.station);
  EXPECT_EQ(Gbk(u"王五"), link_.userName);
  EXPECT_EQ(1, link_.rights[189]);  // xRighti C0: flags 189, 190
  EXPECT_EQ(1, link_.rights[190]);
  EXPECT_EQ(0, link_.rights[191]);
  EXPECT_TRUE(boxes_.Messages().empty());
}

TEST_F(EndToEnd, QueriesAndTheirRows) {
  ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  EXPECT_TRUE(link_.LoggedIn());
  EXPECT_EQ(255, link_.grade);
  EXPECT_EQ(1, link_.HasRight(0, 0x80));
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 32),
                            AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 64),
                            AcsTypeEntry(kSqlCUTinyInt)};
  auto guard = link_.LockReply();
  ASSERT_GT(link_.SqlQuery("SELECT TOP 10 a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate FROM "
                           "brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN "
                           "brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.irid>0 AND a.irid<46000 "
                           "ORDER BY a.irid DESC",
                           types),
            0);
  EXPECT_EQ(1, link_.lastReturnValue);
  std::string_view reply = guard.Text();
  EXPECT_EQ(10, JsonGetInt("iTotal", reply, 0));
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  ASSERT_TRUE(JsonNextObject(list, pos, row));
  EXPECT_EQ(43, JsonGetInt("0", row, 0));
  EXPECT_EQ("BR13000003", JsonGetString("2", row, 31));
  EXPECT_EQ(Gbk(u"美国"), JsonGetString("3", row, 63));

  EXPECT_EQ(5, link_.FindWaybillId(0, "BR10000005", false));
  EXPECT_EQ(7, link_.FindWaybillId(0, "SV50000007", true));
  EXPECT_EQ(0, link_.FindWaybillId(0, "BR1' OR '1'='1", false));  // quoted: no match
  EXPECT_EQ(1, link_.lastReturnValue);
  EXPECT_EQ(12, link_.FindWaybillId(12, "", false));
}

TEST_F(EndToEnd, ServerRefusalsGiveTheirCodes) {
  ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  // A wrong check number.
  std::string scrambled = "SELECT irid FROM brantle.dbo.client_rec";
  uint32_t crc = link_.ScrambleSql(scrambled);
  std::string json = "{\"RequestName\":\"sSqlQuery\",\"TimeStamp\":0,\"cUserAc\":\"admin\",\"iRand\":" +
                     std::to_string(link_.loginNumber) + ",\"nCRC\":" + std::to_string(crc + 1) +
                     ",\"acsType\":[4293918720],\"xSql\":\"" + Base64Encode(scrambled) + "\"}";
  ASSERT_GT(link_.Post(json), 0);
  EXPECT_EQ(-401, link_.CheckReturnValue());
  // A writing statement through the query request.
  link_.SqlQuery("DELETE FROM brantle.dbo.client_rec WHERE irid=1", {});
  EXPECT_EQ(-403, link_.lastReturnValue);
  // Not a request the server knows.
  ASSERT_GT(link_.Post("{\"RequestName\":\"sNoSuch\"}"), 0);
  EXPECT_EQ(-9999, link_.CheckReturnValue());
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(20027), boxes_.LastText());
}

TEST_F(EndToEnd, StaleSessionIsRenewedSilently) {
  AppLanguage().Load(folder_.string() + "/", "01");
  ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);
  int first = link_.loginNumber;
  link_.loginNumber = first + 100000;  // a session the server does not know
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  std::string sql = "SELECT irid FROM brantle.dbo.client_rec WHERE irid=3";
  link_.SqlQuery(sql, types);
  EXPECT_EQ(-402, link_.lastReturnValue);
  EXPECT_GT(link_.loginNumber, 0);
  EXPECT_NE(first + 100000, link_.loginNumber);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(20026), boxes_.LastText());
  EXPECT_NE(u"???", boxes_.LastText());
  // The caller repeats its request itself.
  EXPECT_GT(link_.SqlQuery(sql, types), 0);
  EXPECT_EQ(1, link_.lastReturnValue);
  EXPECT_EQ(3, link_.FindWaybillId(3, "", false));
}

TEST_F(EndToEnd, SystemLogAndLogout) {
  ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  link_.WriteSystemLog(Gbk(u"测试"), u"O'Brien 登录", 1, 2);
  EXPECT_EQ(1, link_.lastReturnValue);
  const uint32_t types[] = {AcsTypeEntry(kSqlCChar, 256), AcsTypeEntry(kSqlCSLong)};
  auto guard = link_.LockReply();
  ASSERT_GT(link_.SqlQuery("SELECT ctext,inum2 FROM brantle.dbo.sys_log WHERE inum1=1", types), 0);
  EXPECT_EQ(Gbk(u"O'Brien 登录"), JsonGetString("0", guard.Text(), 255));
  EXPECT_EQ(2, JsonGetInt("1", guard.Text(), 0));
  link_.Logout();
  EXPECT_EQ(0u, boxes_.Count());  // nothing shown
}

TEST_F(EndToEnd, NamedRequests) {
  ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  {
    auto guard = link_.LockReply();
    EXPECT_GT(link_.FetchRecord(1, std::nullopt, ""), 0);
    EXPECT_EQ(1, JsonGetInt("irID", guard.Text(), 0));
    EXPECT_EQ("BR10000001", JsonGetString("cNum", guard.Text(), 30));
  }
  EXPECT_EQ(0, link_.FetchRecord(99999, std::nullopt, ""));

  fs::path local = folder_ / "WeChat_Mess.txt";
  FileRequest file{0, 255, Gbk(u"系统配置"), "WeChat_Mess.txt", "", "WeChat_Mess.txt",
                   local.string()};
  EXPECT_EQ(1, link_.DownloadFile(file));
  EXPECT_FALSE(ReadFile(local).empty());
  EXPECT_EQ(0, link_.DownloadFile(file));  // not newer now

  std::string out;
  std::string sql = "SELECT vdata FROM brantle.dbo.client_rec_picc WHERE irid=1 AND npos=1";
  EXPECT_EQ(4, link_.DownloadData(100, sql, out));
  EXPECT_EQ(std::string("\xFF\xD8\xFF\xD9", 4), out);
  EXPECT_EQ(kServerLengthTooLarge, link_.DownloadData(1048910, sql, out));
  EXPECT_TRUE(boxes_.Messages().empty());
}

}  // namespace
