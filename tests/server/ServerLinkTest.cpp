// The server link against a scripted loopback endpoint: exact requests, the
// handling of replies (good, refused, broken) and the files it replaces.

#include "server/ServerLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "common/Base64.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/Md5.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "tests/WaitUntil.h"
#include "tests/server/ScriptedServer.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

// The configuration text around the given settings lines.
std::string ConfigText(const std::string& lines) {
  return "; brantle\r\n" + Gbk(u"<配置开始>") + "\r\n" + lines + Gbk(u"<配置结束>") + "\r\n";
}

// The plain SQL of a recorded request, unscrambled with the key.
std::string PlainSql(const std::string& body, const std::array<uint8_t, 16>& key) {
  std::string sql = JsonGetString("xSql", body, 1 << 20);
  int n = Base64Decode(sql);
  if (n < 0) return {};
  for (size_t i = 0; i < sql.size(); ++i) sql[i] = static_cast<char>(sql[i] ^ key[i % 16]);
  return sql;
}

// Files in the folder, names only.
std::vector<std::string> FolderNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Language texts of the ids the link shows, in the file form of the language
// table; loaded into AppLanguage() once.
void LoadTestLanguage(const fs::path& dir) {
  std::u16string text = u"\uFEFF\r\n";
  const std::pair<int, std::u16string> entries[] = {
      {20023, u"服务器错误 %1[*==*]Server error %1"},
      {20025, u"版本过旧[*==*]Version too old"},
      {20026, u"已重新登录[*==*]Logged in again"},
      {20027, u"服务器忙[*==*]Server busy"}};
  for (const auto& [id, pair] : entries) {
    std::string number = std::to_string(id);
    text += u"<D> ";
    text += std::u16string(number.begin(), number.end());
    text += u"," + pair + u"</D>\r\n";
  }
  std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  WriteFile(dir / "TolvaneLan_01.txt", bytes);
  AppLanguage().Load(dir.string() + "/", "01");
}

class ServerLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("brantle-link-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    LoadTestLanguage(dir_);
    WriteFile(dir_ / "ZizTolvane.ini",
              ConfigText("HOST=127.0.0.1\r\nAPI=/brantle/api\r\nLAN=01\r\nWCID=PC-07\r\nPORT=" +
                         std::to_string(server_.Port()) + "\r\n"));
    ASSERT_EQ(1, link_.Init(folder()));  // its "sSysFile" gets the default answer
    ASSERT_EQ(1u, server_.Count());
  }
  void TearDown() override {
    SetServerLinkUiDispatcher(nullptr);
    fs::remove_all(dir_);
  }
  std::string folder() const { return dir_.string() + "/"; }

  static std::string LoginReply(int number, const std::string& extra = "") {
    return "{\"ReturnValue\":" + std::to_string(number) +
           ",\"iTimeZone\":8,\"iGrade\":130,\"cClientKind\":\"VIP\",\"cStationt\":\"T1\","
           "\"cUserName\":\"\\u5F20\\u4E09\",\"cUserPid\":\"P-1\",\"cUserDepot\":\"DPX\","
           "\"cStation\":\"SZ/01\",\"iLogID\":55,"
           "\"xRight\":\"00000000008000000000000000000000\","
           "\"xRighte\":\"00040000000000010000000000000000\","
           "\"xRighti\":\"80A00000000000000000000000000000\","
           "\"xEncrypt\":\"0102030405060708090A0B0C0D0E0F10\"" +
           extra + "}";
  }
  void LogIn() {
    server_.QueueJson(LoginReply(7));
    ASSERT_EQ(7, link_.Login(u"张三", u"密码pw", 0));
  }

  fs::path dir_;
  ScriptedServer server_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CServerLink link_;
};

// ---- configuration ----

TEST(ServerLinkConfig, SettingsBetweenTheMarkers) {
  struct Case {
    const char* name;
    std::string text;
    bool ok;
    std::string host;
    int port;
    std::string language;
  };
  std::string big(990, ';');
  const Case cases[] = {
      {"all keys", ConfigText("HOST=srv.example\r\nAPI=/api\r\nLAN=01\r\nPORT=8080\r\n"), true,
       "srv.example", 8080, "01"},
      {"port missing gives 80", ConfigText("HOST=srv.example\r\nLAN=00\r\n"), true, "srv.example",
       80, "00"},
      {"three-letter language left empty", ConfigText("HOST=srv.example\r\nLAN=ENG\r\n"), true,
       "srv.example", 80, ""},
      {"key in the middle of a line", ConfigText("X HOST=srv.example\r\n"), true, "", 80, ""},
      {"host too short", ConfigText("HOST=a.b\r\n"), true, "", 80, ""},
      {"quoted value and comment", ConfigText("HOST=\"srv.example\"  # main\r\nPORT=81\t# x\r\n"),
       true, "srv.example", 81, ""},
      {"no start marker", "HOST=srv.example\r\n" + Gbk(u"<配置结束>"), false, "", 80, ""},
      {"no end marker", Gbk(u"<配置开始>") + "\r\nHOST=srv.example\r\n", false, "", 80, ""},
      {"end marker after byte 1000", Gbk(u"<配置开始>") + "\r\nHOST=srv.example\r\n" + big +
                                         Gbk(u"<配置结束>"),
       false, "", 80, ""},
      {"not a configuration at all", std::string("\x00\xff\x10garbage", 10), false, "", 80, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CServerLink link;
    EXPECT_EQ(c.ok, link.ReadConfiguration(c.text));
    if (!c.ok) continue;
    EXPECT_EQ(c.host, link.host);
    EXPECT_EQ(c.port, link.port);
    EXPECT_EQ(c.language, link.languageCode);
  }
}

TEST(ServerLinkConfig, PortOutsideOneTo65535IsRefused) {
  struct Case {
    const char* line;  // the PORT line, or none
    bool ok;
    int port;
  };
  const Case cases[] = {
      {nullptr, true, 80},
      {"PORT=1", true, 1},
      {"PORT=8080", true, 8080},
      {"PORT=  443", true, 443},
      {"PORT=65535", true, 65535},
      {"PORT=", false, 80},
      {"PORT=   ", false, 80},
      {"PORT=0", false, 80},
      {"PORT=-80", false, 80},
      {"PORT=65536", false, 80},
      {"PORT=65616", false, 80},       // 65,536 + 80 would wrap to 80
      {"PORT=4294967376", false, 80},  // 2^32 + 80
      {"PORT=http", false, 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line ? c.line : "no PORT line");
    CServerLink link;
    std::string lines = "HOST=srv.example\r\n";
    if (c.line) lines += std::string(c.line) + "\r\n";
    EXPECT_EQ(c.ok, link.ReadConfiguration(ConfigText(lines)));
    EXPECT_EQ(c.port, link.port);
    EXPECT_EQ(c.ok ? "srv.example" : "", link.host);  // a refused file sets nothing
  }
  // Init refuses the file just as it refuses one without its markers.
  fs::path dir = fs::temp_directory_path() / ("brantle-badport-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  WriteFile(dir / "ZizTolvane.ini", ConfigText("HOST=127.0.0.1\r\nPORT=\r\n"));
  CServerLink link;
  EXPECT_EQ(0, link.Init(dir.string() + "/"));
  fs::remove_all(dir);
}

TEST(ServerLinkConfig, PickupSettingsAndWorkstationId) {
  CServerLink link;
  ASSERT_TRUE(link.ReadConfiguration(ConfigText(
      "WCID=PC-07\r\n" + Gbk(u"预录调度天数=") + "5\r\n" + Gbk(u"预录调度记录1=") + "50\r\n")));
  EXPECT_EQ("PC-07", link.workstationId);
  EXPECT_EQ(5, link.pickupDays);
  EXPECT_EQ(200, link.pickupRecords0);
  EXPECT_EQ(50, link.pickupRecords1);
}

TEST(ServerLinkConfig, InitWithoutFileOrMarkersFails) {
  fs::path dir = fs::temp_directory_path() / ("brantle-noini-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  CServerLink link;
  EXPECT_EQ(0, link.Init(dir.string() + "/"));
  WriteFile(dir / "ZizTolvane.ini", "HOST=127.0.0.1\r\nPORT=9\r\n");
  EXPECT_EQ(0, link.Init(dir.string() + "/"));
  EXPECT_EQ(32u, link.machineMark.size());
  fs::remove_all(dir);
}

// ---- column types ----

TEST(AcsType, EntriesAndCatalogueTypes) {
  EXPECT_EQ(65568u, AcsTypeEntry(kSqlCChar, 32));
  EXPECT_EQ(4293918720u, AcsTypeEntry(kSqlCSLong));
  EXPECT_EQ(4293984256u, AcsTypeEntry(kSqlCSShort));
  EXPECT_EQ(4293132288u, AcsTypeEntry(kSqlCUTinyInt));
  EXPECT_EQ(4294508544u, AcsTypeEntry(kSqlCBit));
  EXPECT_EQ(4294836224u + 4, AcsTypeEntry(kSqlCBinary, 4));
  EXPECT_EQ(524288u, AcsTypeEntry(kSqlCDouble));
  EXPECT_EQ(6094864u, AcsTypeEntry(kSqlCTimestamp));
  EXPECT_EQ(6094864u, AcsTypeEntry(kSqlCTimestamp, 3));
  EXPECT_EQ(65520, AcsTypeCode(4293918720u));
  const uint32_t expected[] = {AcsTypeEntry(kSqlCBit),       AcsTypeEntry(kSqlCChar, 2),
                               AcsTypeEntry(kSqlCChar, 16),  AcsTypeEntry(kSqlCChar, 32),
                               AcsTypeEntry(kSqlCChar, 64),  AcsTypeEntry(kSqlCChar, 128),
                               AcsTypeEntry(kSqlCChar, 256), AcsTypeEntry(kSqlCSLong),
                               AcsTypeEntry(kSqlCDouble),    AcsTypeEntry(kSqlCTimestamp),
                               0};
  for (int t = 0; t <= 10; ++t) {
    EXPECT_EQ(expected[t], AcsTypeForColumnType(t)) << t;
    EXPECT_EQ(t >= 1 && t <= 6, IsTextColumnType(t)) << t;
  }
}

// ---- login, rights, logout ----

TEST_F(ServerLinkTest, LoginRequestIsExact) {
  LogIn();
  std::string body = server_.LastBody();
  int32_t stamp = JsonGetInt("TimeStamp", body, 0);
  std::string expected =
      "{\"RequestName\":\"sUserLogin\",\"TimeStamp\":" + std::to_string(stamp) +
      ",\"w\":\"PC-07\",\"cpcMark\":\"" + link_.machineMark + "\",\"cMAC\":\"" +
      JsonGetString("cMAC", body, 12) + "\",\"wOSVer\":" + std::to_string(link_.osVersion) +
      ",\"iMisVer\":113,\"cUserAc\":\"\\u5F20\\u4E09\",\"cUserPwd\":\"" +
      CServerLink::PasswordDigest(static_cast<uint32_t>(stamp), u"密码pw") + "\"}";
  EXPECT_EQ(expected, body);
  EXPECT_EQ(12u, JsonGetString("cMAC", body, 12).size());
  // The digest: MD5 of "<stamp>-#7+3#-<GBK password>" and four fixed bytes.
  std::string text = "1700000000-#7+3#-" + Gbk(u"密码pw") + "\x7B\x2E\xB5\x09";
  EXPECT_EQ(Md5HexDigest(text.data(), text.size()),
            CServerLink::PasswordDigest(1700000000u, u"密码pw"));
  // The head the link sends.
  std::string head = server_.Heads().back();
  EXPECT_EQ(0u, head.find("POST /brantle/api HTTP/1.1\r\nUser-Agent: Tolvane\r\n"
                          "Content-Type: application/json\r\nHost: 127.0.0.1\r\n"
                          "Content-Length: " +
                          std::to_string(body.size()) + "\r\nConnection: Close\r\n\r\n"));
}

TEST_F(ServerLinkTest, LoginKeepsSessionAndRights) {
  LogIn();
  EXPECT_TRUE(link_.LoggedIn());
  EXPECT_EQ(8, link_.timeZone);
  EXPECT_EQ(130, link_.grade);
  EXPECT_EQ(55, link_.logId);
  EXPECT_EQ("VIP", link_.clientKind);
  EXPECT_EQ(u"VIP", link_.clientKindW);
  EXPECT_EQ(Gbk(u"张三"), link_.userName);
  EXPECT_EQ(u"张三", link_.userNameW);
  EXPECT_EQ("SZ/01", link_.station);
  EXPECT_EQ(u"SZ_01", link_.stationW);
  EXPECT_EQ("DPX", link_.userDepot);
  EXPECT_EQ(u"张三", link_.account);
  EXPECT_EQ(u"密码pw", link_.password);
  EXPECT_EQ(Gbk(u"张三"), link_.accountGbk);
  EXPECT_EQ(0x01, link_.sessionKey[0]);
  EXPECT_EQ(0x10, link_.sessionKey[15]);
  // xRight byte 5 = 0x80: bit 7 is flag 41, not 40.
  EXPECT_EQ(1, link_.rights[41]);
  EXPECT_EQ(0, link_.rights[40]);
  // xRighte byte 1 = 0x04 (flag 128 + 8 + 5), byte 7 = 0x01 (flag 186).
  EXPECT_EQ(1, link_.rights[141]);
  EXPECT_EQ(1, link_.rights[186]);
  // xRighti byte 0 = 0x80 (flag 189), byte 1 = 0xA0 (flags 197 and 199).
  EXPECT_EQ(1, link_.rights[189]);
  EXPECT_EQ(1, link_.rights[197]);
  EXPECT_EQ(0, link_.rights[198]);
  EXPECT_EQ(1, link_.rights[199]);
  EXPECT_EQ(0, link_.rights[187]);
  EXPECT_EQ(0, link_.rights[188]);
  int on = 0;
  for (int flag : link_.rights) on += flag;
  EXPECT_EQ(6, on);
  EXPECT_EQ(1, link_.HasRight(17, 0x04));
  EXPECT_EQ(0, link_.HasRight(17, 0x08));
  EXPECT_EQ(1, link_.HasRight(5, 0x80));
}

TEST_F(ServerLinkTest, RightsByteFiveBitSixIsFlagForty) {
  server_.QueueJson(
      "{\"ReturnValue\":3,\"iLogID\":1,\"xRight\":\"00000000004000000000000000000000\"}");
  ASSERT_EQ(3, link_.Login(u"a", u"b", 1));
  EXPECT_EQ(1, link_.rights[40]);
  EXPECT_EQ(0, link_.rights[41]);
  // keep flag 1: nothing stored for the silent re-login.
  EXPECT_TRUE(link_.account.empty());
}

TEST_F(ServerLinkTest, LoginRefusedAndTransportFailure) {
  server_.QueueJson("{\"ReturnValue\":-5}");
  EXPECT_EQ(-5, link_.Login(u"a", u"b", 0));
  EXPECT_FALSE(link_.LoggedIn());
  server_.QueueJson("{}");
  EXPECT_EQ(0, link_.Login(u"a", u"b", 0));
  link_.port = 1;  // nothing listens there
  EXPECT_LT(link_.Login(u"a", u"b", 0), 0);
  EXPECT_TRUE(boxes_.Messages().empty());
}

TEST_F(ServerLinkTest, LogoutOnlyWhenLoggedIn) {
  link_.Logout();
  EXPECT_EQ(1u, server_.Count());
  LogIn();
  link_.Logout();
  EXPECT_EQ("{\"RequestName\":\"sUserLoginOut\",\"TimeStamp\":" +
                std::to_string(JsonGetInt("TimeStamp", server_.LastBody(), 0)) +
                ",\"iRand\":7,\"iLogID\":55,\"cUserAc\":\"\\u5F20\\u4E09\"}",
            server_.LastBody());
}

// ---- SQL requests ----

TEST_F(ServerLinkTest, SqlRequestIsExactAndZeroKeyLeavesPlainBase64) {
  const uint32_t types[] = {AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCSLong),
                            AcsTypeEntry(kSqlCTimestamp)};
  std::string sql = "SELECT cnum,irid,ddate FROM brantle.dbo.client_rec";
  server_.QueueJson("{\"ReturnValue\":1,\"iTotal\":0}");
  EXPECT_GT(link_.SqlQuery(sql, types), 0);
  std::string body = server_.LastBody();
  EXPECT_EQ("{\"RequestName\":\"sSqlQuery\",\"TimeStamp\":" +
                std::to_string(JsonGetInt("TimeStamp", body, 0)) +
                ",\"cUserAc\":\"\",\"iRand\":0,\"nCRC\":" + std::to_string(Crc32(sql)) +
                ",\"acsType\":[65568,4293918720,6094864],\"xSql\":\"" + Base64Encode(sql) + "\"}",
            body);
  EXPECT_EQ("SELECT cnum,irid,ddate FROM brantle.dbo.client_rec", sql);  // caller's text kept
  EXPECT_EQ(1, link_.lastReturnValue);
}

TEST_F(ServerLinkTest, SqlIsScrambledWithTheSessionKey) {
  LogIn();
  std::string sql = "SELECT irid FROM brantle.dbo.client_rec WHERE cnum='X'";
  server_.QueueJson("{\"ReturnValue\":1}");
  link_.SqlExecute(sql, {});
  std::string body = server_.LastBody();
  EXPECT_EQ("sSqlExe", JsonGetString("RequestName", body, 31));
  EXPECT_EQ(7, JsonGetInt("iRand", body, 0));
  EXPECT_NE(Base64Encode(sql), JsonGetString("xSql", body, 1000));
  EXPECT_EQ(sql, PlainSql(body, link_.sessionKey));
  EXPECT_NE(std::string::npos, body.find("\"acsType\":[]"));
  // ScrambleSql itself works in place and leaves short texts alone.
  std::string text = sql;
  EXPECT_EQ(Crc32(sql), link_.ScrambleSql(text));
  EXPECT_NE(sql, text);
  std::string shortText = "123456789";
  EXPECT_EQ(0u, link_.ScrambleSql(shortText));
  EXPECT_EQ("123456789", shortText);
}

TEST_F(ServerLinkTest, ShortAndOversizedSqlSendNothing) {
  size_t before = server_.Count();
  EXPECT_EQ(kServerSqlTooShort, link_.SqlQuery("SELECT 1 ", {}));
  EXPECT_EQ(kServerSqlTooShort, link_.SqlExecute("123456789", {}));
  EXPECT_EQ(before, server_.Count());
  server_.QueueJson("{\"ReturnValue\":1}");
  EXPECT_GT(link_.SqlQuery("SELECT 1  ", {}), 0);  // 10 bytes go
  EXPECT_EQ(before + 1, server_.Count());
  // "sSqlQuery" requests stay under 64,000 bytes; "sSqlExe" of a long text
  // gets a larger buffer.
  std::string longSql = "SELECT '" + std::string(48000, 'x') + "'";
  EXPECT_EQ(kServerRequestTooLarge, link_.SqlQuery(longSql, {}));
  std::string fixed = "EXEC x '" + std::string(23990, 'x') + "'";  // 23,999 bytes
  std::vector<uint32_t> manyTypes(500, AcsTypeEntry(kSqlCSLong));
  EXPECT_EQ(kServerRequestTooLarge, link_.SqlExecute(fixed, manyTypes));
  EXPECT_EQ(before + 1, server_.Count());
  server_.QueueJson("{\"ReturnValue\":1}");
  EXPECT_GT(link_.SqlExecute(longSql, {}), 0);
  EXPECT_EQ(before + 2, server_.Count());
}

TEST_F(ServerLinkTest, FailedTransportNeverShowsTheLastReply) {
  server_.QueueJson("{\"ReturnValue\":1,\"iTotal\":1,\"List\":[{\"0\":42}]}");
  ASSERT_GT(link_.SqlQuery("SELECT irid FROM x", {}), 0);
  EXPECT_EQ(1, link_.lastReturnValue);
  EXPECT_NE(std::string::npos, link_.CopyReply().find("42"));

  link_.port = 1;  // connection refused
  int result = link_.SqlQuery("SELECT irid FROM x", {});
  EXPECT_LT(result, 0);
  EXPECT_EQ(result, link_.lastReturnValue);
  EXPECT_EQ("", link_.CopyReply());
}

TEST_F(ServerLinkTest, BrokenRepliesGiveCodesNotOldData) {
  struct Case {
    const char* name;
    std::string response;
    bool transportFails;
  };
  const Case cases[] = {
      {"not JSON", ScriptedServer::Ok("<html>gateway</html>"), false},
      {"JSON without ReturnValue", ScriptedServer::Ok("{\"iTotal\":3}"), false},
      {"body cut short",
       "HTTP/1.1 200 OK\r\nContent-Length: 200\r\nConnection: close\r\n\r\n{\"ReturnValue\":1,",
       true},
      {"connection closed at once", "", true},
      {"status 400", "HTTP/1.1 400 Bad\r\nContent-Length: 2\r\n\r\n{}", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.QueueJson("{\"ReturnValue\":1,\"iTotal\":1,\"List\":[{\"0\":42}]}");
    ASSERT_GT(link_.SqlQuery("SELECT irid FROM x", {}), 0);
    server_.Queue(c.response);
    int result = link_.SqlQuery("SELECT irid FROM x", {});
    if (c.transportFails) {
      EXPECT_LT(result, 0);
      EXPECT_EQ(result, link_.lastReturnValue);
    } else {
      EXPECT_GT(result, 0);
      EXPECT_EQ(0, link_.lastReturnValue);
    }
    EXPECT_EQ(std::string::npos, link_.CopyReply().find("42"));
  }
  EXPECT_TRUE(boxes_.Messages().empty());
}

TEST_F(ServerLinkTest, ServerCodesShowTheirMessages) {
  struct Case {
    int code;
    const char16_t* message;
  };
  const Case cases[] = {{-999, u"Server busy"},
                        {-9999, u"Server busy"},
                        {-720, u"Version too old"},
                        {-5, nullptr},
                        {-403, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    boxes_.Clear();
    server_.QueueJson("{\"ReturnValue\":" + std::to_string(c.code) + "}");
    link_.SqlQuery("SELECT irid FROM x", {});
    EXPECT_EQ(c.code, link_.lastReturnValue);
    if (c.message) {
      ASSERT_EQ(1u, boxes_.Count());
      EXPECT_EQ(c.message, boxes_.LastText());
      EXPECT_EQ(platform::kMbOk, boxes_.Messages()[0].flags);
    } else {
      EXPECT_EQ(0u, boxes_.Count());
    }
  }
  EXPECT_EQ(u"Server error -403", link_.LastErrorText());
}

TEST_F(ServerLinkTest, StaleSessionLogsInAgainWithoutRepeating) {
  LogIn();
  size_t before = server_.Count();
  server_.QueueJson("{\"ReturnValue\":-402}");
  server_.QueueJson(LoginReply(9));
  link_.SqlQuery("SELECT irid FROM x", {});
  EXPECT_EQ(-402, link_.lastReturnValue);
  EXPECT_EQ(9, link_.loginNumber);
  ASSERT_EQ(before + 2, server_.Count());  // the query, the login; no repeat
  std::string relogin = server_.Bodies()[before + 1];
  EXPECT_EQ("sUserLogin", JsonGetString("RequestName", relogin, 31));
  EXPECT_EQ(CServerLink::PasswordDigest(
                static_cast<uint32_t>(JsonGetInt("TimeStamp", relogin, 0)), u"密码pw"),
            JsonGetString("cUserPwd", relogin, 32));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"Logged in again", boxes_.LastText());

  // A re-login that fails shows nothing.
  boxes_.Clear();
  server_.QueueJson("{\"ReturnValue\":-402}");
  server_.QueueJson("{\"ReturnValue\":-2}");
  link_.SqlQuery("SELECT irid FROM x", {});
  EXPECT_EQ(-402, link_.lastReturnValue);
  EXPECT_EQ(0u, boxes_.Count());
}

TEST_F(ServerLinkTest, MessagesFromWorkersGoThroughTheDispatcher) {
  std::mutex mutex;
  std::deque<std::function<void()>> posted;
  SetServerLinkUiDispatcher([&](std::function<void()> work) {
    std::lock_guard<std::mutex> lock(mutex);
    posted.push_back(std::move(work));
  });
  server_.QueueJson("{\"ReturnValue\":-999}");
  std::thread worker([&] { link_.SqlQuery("SELECT irid FROM x", {}); });
  worker.join();
  EXPECT_EQ(0u, boxes_.Count());  // nothing shown on the worker
  ASSERT_EQ(1u, posted.size());
  posted.front()();  // the UI thread runs it
  EXPECT_EQ(u"Server busy", boxes_.LastText());
}

// A worker's requests keep being answered with -402, and each silent re-login
// brings the other of two identities; meanwhile another thread reads the
// identity and rights.  Every copy it takes belongs to one login.
TEST_F(ServerLinkTest, SilentReloginNeverShowsHalfAnIdentity) {
  LogIn();  // identity A, odd login number 7
  std::mutex mutex;
  size_t posted = 0;
  SetServerLinkUiDispatcher([&](std::function<void()>) {
    std::lock_guard<std::mutex> lock(mutex);
    ++posted;
  });
  // Identity B: other station, user, key and rights; even login numbers.
  auto otherLoginReply = [](int number) {
    return "{\"ReturnValue\":" + std::to_string(number) +
           ",\"iTimeZone\":9,\"iGrade\":20,\"cClientKind\":\"STD\",\"cStationt\":\"T2\","
           "\"cUserName\":\"\\u674E\\u56DB\",\"cUserPid\":\"P-2\",\"cUserDepot\":\"CAN\","
           "\"cStation\":\"GZ:02\",\"iLogID\":66,"
           "\"xRight\":\"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\","
           "\"xRighte\":\"FFFFFFFFFFFFFFFF0000000000000000\","
           "\"xRighti\":\"FFE00000000000000000000000000000\","
           "\"xEncrypt\":\"1112131415161718191A1B1C1D1E1F20\"}";
  };
  struct Identity {
    std::string station;
    std::u16string stationW;
    std::string userName;
    int32_t logId;
    uint8_t keyFirst;
    int rightsOn;
    int parity;  // of the login number
  };
  const Identity a{"SZ/01", u"SZ_01", Gbk(u"张三"), 55, 0x01, 6, 1};
  const Identity b{"GZ:02", u"GZ_02", Gbk(u"李四"), 66, 0x11, 198, 0};
  auto sum = [](const std::array<int32_t, CServerLink::kRightsCount>& rights) {
    int on = 0;
    for (int flag : rights) on += flag;
    return on;
  };
  auto whole = [&](const ServerSession& s) {
    const Identity* id = s.station == a.station ? &a : s.station == b.station ? &b : nullptr;
    if (!id) return false;
    uint8_t key[16];
    for (int i = 0; i < 16; ++i) key[i] = static_cast<uint8_t>(id->keyFirst + i);
    return s.stationW == id->stationW && s.userName == id->userName && s.logId == id->logId &&
           std::equal(key, key + 16, s.sessionKey.begin()) && sum(s.rights) == id->rightsOn &&
           s.loginNumber % 2 == id->parity && s.account == u"张三" && s.LoggedIn();
  };

  constexpr int kRelogins = 40;
  std::atomic<bool> done{false};
  int reads = 0, torn = 0, badRights = 0;
  std::thread reader([&] {
    bool last = false;
    while (!last) {
      last = done.load();
      ++reads;
      if (!whole(link_.Session())) ++torn;
      int on = sum(link_.Rights());
      if (on != a.rightsOn && on != b.rightsOn) ++badRights;
      if (!link_.LoggedIn()) ++torn;
    }
  });
  std::thread worker([&] {
    for (int i = 0; i < kRelogins; ++i) {
      int number = 1000 + i;  // even: B, odd: A
      server_.QueueJson("{\"ReturnValue\":-402}");
      server_.QueueJson(number % 2 ? LoginReply(number) : otherLoginReply(number));
      link_.SqlQuery("SELECT irid FROM x", {});
    }
    done = true;
  });
  worker.join();
  reader.join();

  EXPECT_GT(reads, kRelogins);
  EXPECT_EQ(0, torn);
  EXPECT_EQ(0, badRights);
  EXPECT_EQ(-402, link_.lastReturnValue);
  ServerSession last = link_.Session();
  EXPECT_EQ(1000 + kRelogins - 1, last.loginNumber);
  EXPECT_TRUE(whole(last));
  EXPECT_EQ(u"密码pw", link_.StoredPassword());
  EXPECT_EQ(static_cast<size_t>(kRelogins), posted);  // one "logged in again" each
}

TEST_F(ServerLinkTest, ReplyLockSerialisesRequests) {
  server_.SetDefault(ScriptedServer::Ok("{\"ReturnValue\":1,\"iTotal\":1,\"List\":[{\"0\":5}]}"));
  std::atomic<bool> otherDone{false};
  std::atomic<pid_t> otherThread{0};
  std::thread other;
  {
    auto guard = link_.LockReply();
    ASSERT_GT(link_.SqlQuery("SELECT irid FROM x", {}), 0);
    std::string first = guard.Text();
    other = std::thread([&] {
      otherThread = gettid();
      link_.SqlQuery("SELECT irid FROM y", {});
      otherDone = true;
    });
    // Without the lock the other request would run to its end; with it the
    // other thread blocks.
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] {
          return otherDone || (otherThread != 0 && testsupport::ThreadIsBlocked(otherThread));
        },
        testsupport::kWaitLimit));
    EXPECT_FALSE(otherDone);         // waits for the guard
    EXPECT_EQ(first, guard.Text());  // the reply read is still this request's
  }
  other.join();
  EXPECT_TRUE(otherDone);
}

TEST_F(ServerLinkTest, FindWaybillIdQuotesTheNumberAndAddsScope) {
  // Before login: no station and no client kind, so no AND clause.
  server_.QueueJson("{\"ReturnValue\":1,\"iTotal\":1,\"bEnd\":true,\"List\":[{\"0\":321}]}");
  EXPECT_EQ(321, link_.FindWaybillId(0, "AB'1", false));
  EXPECT_EQ(
      "SELECT a.irid FROM brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN "
      "brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.cnum='AB''1'",
      PlainSql(server_.LastBody(), link_.sessionKey));
  EXPECT_EQ("[4293918720]", server_.LastBody().substr(server_.LastBody().find("\"acsType\":") + 10, 12));

  LogIn();
  server_.QueueJson("{\"ReturnValue\":1,\"iTotal\":0}");
  EXPECT_EQ(0, link_.FindWaybillId(0, "S1", true));
  EXPECT_EQ(
      "SELECT a.irid FROM brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN "
      "brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.cserviceno='S1' AND "
      "b.cstation='SZ/01' AND b.ckind LIKE 'VIP'",
      PlainSql(server_.LastBody(), link_.sessionKey));
  server_.QueueJson("{\"ReturnValue\":1,\"iTotal\":1,\"List\":[{\"0\":77}]}");
  EXPECT_EQ(77, link_.FindWaybillId(77, "ignored", false));
  EXPECT_NE(std::string::npos, PlainSql(server_.LastBody(), link_.sessionKey).find("a.irid=77 AND"));
}

TEST_F(ServerLinkTest, SystemLogStatement) {
  LogIn();
  server_.QueueJson("{\"ReturnValue\":1}");
  link_.WriteSystemLog(Gbk(u"登录"), u"O'Neil" + std::u16string(200, u'长'), 3, -4);
  std::string sql = PlainSql(server_.LastBody(), link_.sessionKey);
  // At most 255 bytes, and no character split: 6 + 124 * 2.
  std::string logged = Gbk(u"O'Neil" + std::u16string(200, u'长')).substr(0, 254);
  std::string quoted = logged;
  quoted.replace(quoted.find('\''), 1, "''");
  EXPECT_EQ("{CALL brantle.dbo.cp_sys_log_add('" + Gbk(u"登录") + "','" + Gbk(u"张三") + "','" +
                quoted + "',3,-4)}",
            sql);
  EXPECT_NE(std::string::npos, server_.LastBody().find("\"acsType\":[]"));
}

// ---- language file ----

TEST_F(ServerLinkTest, LanguageFileReplacedOnlyWhenWhole) {
  fs::path file = dir_ / "TolvaneLan_01.txt";
  std::string old = ReadFile(file);
  // The request of Init: no cUserAc, no iRand, the file's local date.
  std::string first = server_.Bodies()[0];
  EXPECT_EQ(0u, first.find("{\"RequestName\":\"sSysFile\",\"TimeStamp\":"));
  EXPECT_NE(std::string::npos, first.find(",\"nqGrade\":255,\"dDate\":\""));
  EXPECT_NE(std::string::npos, first.find("\",\"cqFileName\":\"TolvaneLan_01.txt\"}"));
  EXPECT_EQ(std::string::npos, first.find("cUserAc"));
  EXPECT_EQ(std::string::npos, first.find("iRand"));

  std::string fresh(300, 'L');
  struct Case {
    const char* name;
    std::string reply;
    int result;
  };
  const Case cases[] = {
      {"256 means none", "{\"ReturnValue\":256,\"vData\":\"" + Base64Encode(fresh) + "\"}", 0},
      {"one byte short",
       "{\"ReturnValue\":300,\"vData\":\"" + Base64Encode(fresh.substr(1)) + "\"}", kServerDataNotWritten},
      {"not Base64", "{\"ReturnValue\":300,\"vData\":\"!!!!\"}", kServerDataNotWritten},
      {"absurd length", "{\"ReturnValue\":2000000000}", kServerDataNotWritten},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.QueueJson(c.reply);
    EXPECT_EQ(c.result, link_.FetchLanguageFile());
    EXPECT_EQ(old, ReadFile(file));
  }
  server_.QueueJson("{\"ReturnValue\":300,\"vData\":\"" + Base64Encode(fresh) + "\"}");
  EXPECT_EQ(1, link_.FetchLanguageFile());
  EXPECT_EQ(fresh, ReadFile(file));
  EXPECT_EQ((std::vector<std::string>{"TolvaneLan_01.txt", "ZizTolvane.ini"}), FolderNames(dir_));

  // Without a local file the date sent is 1900-01-01.
  fs::remove(file);
  server_.QueueJson("{\"ReturnValue\":0}");
  EXPECT_EQ(0, link_.FetchLanguageFile());
  EXPECT_NE(std::string::npos, server_.LastBody().find("\"dDate\":\"1900-01-01 00:00:00\""));
}

// ---- named requests ----

TEST_F(ServerLinkTest, NamedRequestsNeedALogin) {
  size_t before = server_.Count();
  std::string number = "old";
  PriceQuery price;
  SpecialPriceQuery special;
  FileRequest file{1, 2, "k", "t", "", "f.txt", (dir_ / "f.txt").string()};
  EXPECT_EQ(0, link_.FetchNumber(1, number, "DHL", 5));
  EXPECT_EQ("", number);
  EXPECT_EQ(0, link_.QueryPrice(price));
  EXPECT_EQ(0, link_.QuerySpecialPrice(special));
  EXPECT_EQ(0, link_.FetchRecord(5, std::nullopt, ""));
  EXPECT_EQ(0, link_.FetchPreInput(5, std::nullopt, std::nullopt, std::nullopt));
  EXPECT_EQ(0, link_.FetchTemplate(5, "k", "n"));
  EXPECT_EQ(0, link_.DownloadFile(file));
  EXPECT_EQ(before, server_.Count());
}

TEST_F(ServerLinkTest, FetchNumber) {
  LogIn();
  std::string number;
  server_.QueueJson("{\"ReturnValue\":1,\"cNo\":\"123456\"}");
  EXPECT_EQ(0, link_.FetchNumber(3, number, "DHL", 12));
  EXPECT_EQ("123456", number);  // copied although too short
  std::string body = server_.LastBody();
  EXPECT_NE(std::string::npos, body.find(",\"iRand\":7,\"icID\":12,\"cZizKind\":\"3*\"}"));
  server_.QueueJson("{\"ReturnValue\":1,\"cNo\":\"1234567\"}");
  EXPECT_EQ(1, link_.FetchNumber(1, number, Gbk(u"国际"), 12));
  EXPECT_EQ("1234567", number);
  EXPECT_NE(std::string::npos, server_.LastBody().find("\"cZizKind\":\"国际\"}"));
}

TEST_F(ServerLinkTest, QueryPriceAndSpecialPrice) {
  LogIn();
  PriceQuery price;
  price.customerId = 4;
  price.serviceKind = "DHL";
  price.destination = "US";
  price.weightKg = 1.5;
  price.itemType = 1;
  server_.QueueJson(
      "{\"ReturnValue\":1,\"fPrice\":100,\"fsPrice\":120.5,\"fAddOn\":10,\"fCustoms\":5,"
      "\"fOther\":2,\"fDiscount\":0.9}");
  EXPECT_EQ(1, link_.QueryPrice(price));
  EXPECT_DOUBLE_EQ(83, price.netPrice);
  EXPECT_DOUBLE_EQ(120.5, price.salePrice);
  EXPECT_DOUBLE_EQ(0.9, price.discount);
  EXPECT_NE(std::string::npos,
            server_.LastBody().find(
                ",\"icID\":4,\"cqDes\":\"US\",\"nqItemType\":1,\"fqWeight\":1.500,\"cqZizKind\":\"DHL\"}"));
  // A refusal leaves the record alone.
  server_.QueueJson("{\"ReturnValue\":-3,\"fPrice\":1}");
  EXPECT_EQ(0, link_.QueryPrice(price));
  EXPECT_DOUBLE_EQ(100, price.price);

  SpecialPriceQuery special;
  special.serviceKindCode = "EMS";
  special.supplierId = 9;
  special.destination = "JP";
  special.itemCount = 2;
  special.weightGrams = 2500;
  special.methodWidth = 4;
  server_.QueueJson(
      "{\"ReturnValue\":1,\"fCost\":7.25,\"fBase\":1,\"fRate\":0.5,\"cMethod\":\"ABCDEFG\","
      "\"cMemo\":\"\\u5907\\u6CE8\"}");
  EXPECT_GT(link_.QuerySpecialPrice(special), 9);
  EXPECT_DOUBLE_EQ(7.25, special.cost);
  EXPECT_EQ("ABCD", special.method);
  EXPECT_EQ(Gbk(u"备注"), special.memo);
  EXPECT_NE(std::string::npos,
            server_.LastBody().find(",\"isID\":9,\"iItem\":2,\"iWeight\":2500,\"nItemType\":0,"
                                    "\"nLanguage\":0,\"cDes\":\"JP\",\"cZizKind\":\"EMS\"}"));
}

TEST_F(ServerLinkTest, RecordRequestsChooseTheirKey) {
  LogIn();
  server_.SetDefault(ScriptedServer::Ok("{\"ReturnValue\":1,\"irID\":5}"));
  auto tail = [&] {
    std::string body = server_.LastBody();
    return body.substr(body.find(",\"iRand\":7") + 10);
  };
  EXPECT_GT(link_.FetchRecord(5, "N1", "C1"), 0);
  EXPECT_EQ(",\"irID\":5}", tail());
  EXPECT_GT(link_.FetchRecord(0, "N1", "C1"), 0);
  EXPECT_EQ(",\"cNum\":\"N1\"}", tail());
  EXPECT_GT(link_.FetchRecord(0, std::nullopt, "C1"), 0);
  EXPECT_EQ(",\"cNo\":\"C1\"}", tail());
  EXPECT_GT(link_.FetchPreInput(0, std::nullopt, std::nullopt, "R1"), 0);
  EXPECT_EQ(",\"cRNo\":\"R1\"}", tail());
  EXPECT_GT(link_.FetchTemplate(0, "K", "M"), 0);
  EXPECT_EQ(",\"cqKind\":\"K\",\"cqName\":\"M\"}", tail());
  EXPECT_GT(link_.FetchTemplate(3, "K", "M"), 0);
  EXPECT_EQ(",\"cqKind\":\"K\",\"iqID\":3}", tail());
  server_.QueueJson("{\"ReturnValue\":0}");
  EXPECT_EQ(0, link_.FetchRecord(5, std::nullopt, ""));
  server_.QueueJson("{}");
  EXPECT_EQ(0, link_.FetchRecord(5, std::nullopt, ""));
}

TEST_F(ServerLinkTest, DownloadFileWritesWholeFilesOnly) {
  LogIn();
  fs::path local = dir_ / "WeChat_Mess.txt";
  FileRequest request{0, 255, "sys", "WeChat_Mess.txt", "", "WeChat_Mess.txt", local.string()};
  std::string data = "line one\r\nline two\r\n";
  server_.QueueJson("{\"ReturnValue\":" + std::to_string(data.size()) + ",\"vData\":\"" +
                    Base64Encode(data) + "\"}");
  EXPECT_EQ(1, link_.DownloadFile(request));
  EXPECT_EQ(data, ReadFile(local));
  EXPECT_NE(std::string::npos,
            server_.LastBody().find(",\"iRand\":7,\"dDate\":\"\",\"iqID\":0,\"nqGrade\":255,"));
  // Once it exists, its date is sent.
  server_.QueueJson("{\"ReturnValue\":0}");
  EXPECT_EQ(0, link_.DownloadFile(request));
  std::string date = JsonGetString("dDate", server_.LastBody(), 31);
  EXPECT_EQ(19u, date.size());
  // A short reply keeps the old file and returns the ReturnValue.
  std::string longer = data + "three";
  server_.QueueJson("{\"ReturnValue\":" + std::to_string(longer.size()) + ",\"vData\":\"" +
                    Base64Encode(data) + "\"}");
  EXPECT_EQ(static_cast<int>(longer.size()), link_.DownloadFile(request));
  EXPECT_EQ(data, ReadFile(local));
  // A folder that cannot be written: nothing written, nothing left over.
  FileRequest nowhere = request;
  nowhere.localPath = (dir_ / "missing" / "x.txt").string();
  server_.QueueJson("{\"ReturnValue\":" + std::to_string(data.size()) + ",\"vData\":\"" +
                    Base64Encode(data) + "\"}");
  EXPECT_EQ(static_cast<int>(data.size()), link_.DownloadFile(nowhere));
  EXPECT_EQ((std::vector<std::string>{"TolvaneLan_01.txt", "WeChat_Mess.txt", "ZizTolvane.ini"}),
            FolderNames(dir_));
}

TEST_F(ServerLinkTest, PictureAndDataRequests) {
  LogIn();
  fs::path picture = dir_ / "p.jpg";
  std::string bytes("\xFF\xD8\x00\x01picture\xFF\xD9", 13);
  std::string sql = "SELECT vpic FROM brantle.dbo.client_rec_pic WHERE irid=5";
  server_.QueueJson("{\"ReturnValue\":13,\"vData\":\"" + Base64Encode(bytes) + "\"}");
  EXPECT_EQ(2, link_.DownloadPicture(13, sql, picture.string()));
  EXPECT_EQ(bytes, ReadFile(picture));
  std::string body = server_.LastBody();
  EXPECT_NE(std::string::npos, body.find(",\"iRand\":7,\"nCRC\":" + std::to_string(Crc32(sql)) +
                                         ",\"isLen\":13,\"xSql\":\""));
  EXPECT_EQ(sql, PlainSql(body, link_.sessionKey));
  // One byte short: no file, the ReturnValue back.
  fs::remove(picture);
  server_.QueueJson("{\"ReturnValue\":14,\"vData\":\"" + Base64Encode(bytes) + "\"}");
  EXPECT_EQ(14, link_.DownloadPicture(14, sql, picture.string()));
  EXPECT_FALSE(fs::exists(picture));
  EXPECT_EQ(kServerSqlTooShort, link_.DownloadPicture(1, "SELECT 1", picture.string()));

  // Up: the bytes in Base64 after the SQL; the ReturnValue comes back.
  server_.QueueJson("{\"ReturnValue\":1}");
  std::string put = "UPDATE brantle.dbo.client_rec_pic SET vpic=? WHERE irid=5";
  EXPECT_EQ(1, link_.UploadData(13, put, bytes));
  body = server_.LastBody();
  EXPECT_NE(std::string::npos,
            body.find("\",\"vData\":\"" + Base64Encode(bytes) + "\"}"));
  EXPECT_EQ(put, PlainSql(body, link_.sessionKey));

  // Down.
  std::string out;
  size_t before = server_.Count();
  EXPECT_EQ(kServerLengthTooLarge, link_.DownloadData(1048910, sql, out));
  EXPECT_EQ(kServerSqlTooShort, link_.DownloadData(10, "SELECT", out));
  EXPECT_EQ(before, server_.Count());
  server_.QueueJson("{\"ReturnValue\":0}");
  // compressBound(1,048,576): the most asked for.
  EXPECT_EQ(0, link_.DownloadData(1048909, sql, out));
  server_.QueueJson("{\"ReturnValue\":13,\"vData\":\"" + Base64Encode(bytes) + "\"}");
  EXPECT_EQ(13, link_.DownloadData(100, sql, out));
  EXPECT_EQ(bytes, out);
  server_.QueueJson("{\"ReturnValue\":13,\"vData\":\"" + Base64Encode(bytes) + "\"}");
  EXPECT_EQ(kServerReplyTooLarge, link_.DownloadData(12, sql, out));
  EXPECT_EQ("", out);
}

}  // namespace
