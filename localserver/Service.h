#pragma once
// The protocol of the company server: one JSON request in, one JSON reply
// out.  Thread-safe (one lock around the database and the sessions).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "localserver/Database.h"
#include "localserver/Language.h"
#include "localserver/Procedures.h"
#include "localserver/Session.h"

namespace localserver {

// ReturnValue codes of this server besides the client's own (-402, -720,
// -999, -9999).
namespace rc {
inline constexpr int kOk = 1;
inline constexpr int kUnknownAccount = -2;   // login
inline constexpr int kWrongPassword = -4;    // login
inline constexpr int kAccountDisabled = -5;  // login
inline constexpr int kOldProgram = -6;       // login: iMisVer below 113
inline constexpr int kClockSkew = -720;      // login: TimeStamp too far from the server's
inline constexpr int kBadCrc = -401;         // nCRC does not match the SQL
inline constexpr int kSessionInvalid = -402; // unknown or expired iRand
inline constexpr int kReadOnly = -403;       // sSqlQuery with a writing statement
inline constexpr int kUnknownProcedure = -404;
inline constexpr int kUnsupportedSql = -405; // the rewriter refused the text
inline constexpr int kSqlFailed = -406;      // the database refused it
inline constexpr int kBadArguments = -407;   // procedure arguments, vData length
inline constexpr int kTooLong = -408;        // sDataGet: more bytes than asked for
inline constexpr int kNotFound = -1;         // record, file, price, number series
inline constexpr int kInternal = -999;
inline constexpr int kBadRequest = -9999;    // not JSON, unknown RequestName, fields missing
}  // namespace rc

// Limits of what one request may cost.  The largest real request is an
// upload: an attachment of at most 1 MiB, Base64 in "vData".
inline constexpr size_t kMaxRequestBytes = 8u << 20;
inline constexpr int kMaxJsonDepth = 8;        // real requests nest two deep
inline constexpr size_t kMaxJsonValues = 10000;  // values and keys in one request
// Below the client's reply buffer of 4,194,304 bytes.
inline constexpr size_t kMaxReplyBytes = 4000000;

// The four bytes appended to the password digest text at login.
inline constexpr char kLoginDigestTail[4] = {'\x7B', '\x2E', '\xB5', '\x09'};
inline constexpr int kProgramVersion = 113;

struct ServiceOptions {
  std::string dbPath = "brantle-local.db";
  std::string langDir;                 // empty: the folder built in
  int sessionSeconds = 1800;           // idle time before -402
  int clockSkewSeconds = 900;          // 0: do not check TimeStamp
  size_t pageRows = 0;                 // 0: no row limit per reply
  size_t pageBytes = 2000000;          // bytes of rows per reply
  int requestMillis = 5000;            // time the statements of one request may take
  ProcPause procPause;                 // testing aid: none unless --proc-pause-ms
  // Unix time for sessions and login stamps; empty: the system clock.
  std::function<int64_t()> clock;
};

class Service {
 public:
  explicit Service(ServiceOptions options);
  std::string Handle(std::string_view body);

  // For tests: forget every session as if it had expired.
  void ExpireAllSessions();
  // Stops the running statement at once and answers every later request
  // with an error: the server is going down.
  void Stop();

 private:
  struct Request;
  std::string Dispatch(const Request& req);
  std::string Login(const Request& req);
  std::string Logout(const Request& req);
  std::string SysFile(const Request& req);
  std::string Sql(const Request& req, bool readOnly);
  std::string FetchNo(const Request& req, const Session& s);
  std::string QueryPrice(const Request& req, const Session& s);
  std::string PriceSp(const Request& req, const Session& s);
  std::string RecData(const Request& req, const Session& s);
  std::string RecPreInputData(const Request& req, const Session& s);
  std::string ModelData(const Request& req, const Session& s);
  std::string FileData(const Request& req, const Session& s);
  std::string DataRequest(const Request& req, Session& s, const std::string& name);
  std::string ClientList(const Request& req, const Session& s);
  std::string DesList(const Request& req, const Session& s);

  int64_t Now() const;
  Session* FindSession(const Request& req);
  // Un-scrambles xSql; on failure returns false and sets the reply.
  bool OpenSql(const Request& req, const Session& s, std::string& raw, std::string& reply);

  ServiceOptions options_;
  std::mutex mutex_;
  std::unique_ptr<Database> db_;
  ProcedureRegistry procedures_;
  std::map<int32_t, Session> sessions_;
};

// The folder of language files built into this program.
std::string DefaultLanguageFolder();

}  // namespace localserver
