#pragma once
// A small client of the stand-in written for its tests: it builds requests
// the way the protocol describes them, independently of the program's own
// server link.

#include <httplib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "localserver/HttpServer.h"
#include "localserver/Service.h"
#include "localserver/Wire.h"

namespace lstest {

using nlohmann::json;
using namespace localserver;

// A server on a free loopback port with a database in a fresh temp folder.
class RunningServer {
 public:
  explicit RunningServer(ServiceOptions options = {}, ReplyDelay replyDelay = {}) {
    static int counter = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("brantle-ls-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir_);
    options.dbPath = (dir_ / "test.db").string();
    service_ = std::make_unique<Service>(options);
    http_ = std::make_unique<HttpServer>(*service_, kDefaultEndpoint, std::move(replyDelay));
    port_ = http_->Start("127.0.0.1", 0);
  }
  ~RunningServer() {
    http_->Stop();
    http_.reset();
    service_.reset();
    std::filesystem::remove_all(dir_);
  }
  int Port() const { return port_; }
  Service& service() { return *service_; }
  std::string DatabasePath() const { return (dir_ / "test.db").string(); }

 private:
  std::filesystem::path dir_;
  std::unique_ptr<Service> service_;
  std::unique_ptr<HttpServer> http_;
  int port_ = -1;
};

inline std::string GbkOf(const std::string& utf8) {
  std::string g;
  GbkFromUtf8(utf8, g);
  return g;
}

class Client {
 public:
  explicit Client(int port) : http_("127.0.0.1", port) {}

  // The raw reply text.
  std::string PostRaw(const std::string& body) {
    auto res = http_.Post(kDefaultEndpoint, body, "application/json");
    return res ? res->body : std::string();
  }
  json Post(const json& request) { return json::parse(PostRaw(request.dump())); }

  json Envelope(const std::string& name) {
    json j;
    j["RequestName"] = name;
    j["TimeStamp"] = ServerTimeStamp(time(nullptr));
    j["cUserAc"] = account_;
    j["iRand"] = loginNumber_;
    return j;
  }

  json Login(const std::string& account, const std::string& password, int64_t stamp = 0,
             int version = 113) {
    if (!stamp) stamp = ServerTimeStamp(time(nullptr));
    std::string text = std::to_string(static_cast<uint32_t>(stamp)) + "-#7+3#-" + GbkOf(password);
    text.append(kLoginDigestTail, 4);
    json j;
    j["RequestName"] = "sUserLogin";
    j["TimeStamp"] = stamp;
    j["w"] = "WS01";
    j["cpcMark"] = "0123456789abcdef0123456789abcdef";
    j["cMAC"] = "001122334455";
    j["wOSVer"] = 6110;
    j["iMisVer"] = version;
    j["cUserAc"] = account;
    j["cUserPwd"] = Md5Hex(text);
    json r = Post(j);
    if (r.value("ReturnValue", 0) > 0) {
      account_ = account;
      loginNumber_ = r["ReturnValue"].get<int32_t>();
      logId_ = r["iLogID"].get<int64_t>();
      HexDecode(r["xEncrypt"].get<std::string>(), key_);
    }
    return r;
  }

  // Scrambled SQL request; the SQL is UTF-8 here and goes out as GBK.
  json SqlRequest(const std::string& name, const std::string& utf8Sql,
                  const std::vector<uint32_t>& types, bool breakCrc = false) {
    return Post(SqlBody(name, GbkOf(utf8Sql), types, breakCrc));
  }
  json SqlRaw(const std::string& name, const std::string& gbkSql, const std::vector<uint32_t>& types) {
    return Post(SqlBody(name, gbkSql, types, false));
  }
  json SqlBody(const std::string& name, std::string sql, const std::vector<uint32_t>& types,
               bool breakCrc) {
    json j = Envelope(name);
    uint32_t crc = Crc32(sql);
    for (size_t i = 0; i < sql.size(); ++i) sql[i] = static_cast<char>(sql[i] ^ key_[i % 16]);
    j["nCRC"] = breakCrc ? crc ^ 1u : crc;
    j["acsType"] = types;
    j["xSql"] = Base64Encode(sql);
    return j;
  }

  int32_t loginNumber() const { return loginNumber_; }
  int64_t logId() const { return logId_; }
  void SetLoginNumber(int32_t n) { loginNumber_ = n; }

 private:
  httplib::Client http_;
  std::string account_;
  int32_t loginNumber_ = 0;
  int64_t logId_ = 0;
  std::string key_ = std::string(16, '\0');
};

// acsType entries.
inline uint32_t Char(unsigned w) { return 65536u + w; }
inline constexpr uint32_t kSlong = 4293918720u;
inline constexpr uint32_t kSshort = 4293984256u;
inline constexpr uint32_t kUtiny = 4293132288u;
inline constexpr uint32_t kBit = 4294508544u;
inline uint32_t Binary(unsigned w) { return 4294836224u + w; }
inline constexpr uint32_t kDouble = 524288u;
inline constexpr uint32_t kTimestamp = 6094864u;

}  // namespace lstest
