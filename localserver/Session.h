#pragma once
// One logged-in client: the login number it sends as iRand, its session key
// and who it is.

#include <cstdint>
#include <string>

namespace localserver {

struct Session {
  int32_t loginNumber = 0;  // iRand
  int64_t logId = 0;        // iLogID
  std::string key;          // 16 bytes, xEncrypt
  std::string account;      // UTF-8
  std::string userName;     // UTF-8
  std::string station;      // UTF-8, empty = all stations
  std::string clientKind;   // UTF-8, empty = all kinds
  int grade = 0;
  int64_t lastSeen = 0;     // Unix time of the last request
};

}  // namespace localserver
