#pragma once
// The HTTP side: POSTs to one endpoint path on 127.0.0.1, each body handed
// to the Service.

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace localserver {

class Service;

// A delay before the server answers, as a slow line or a busy server would
// give: every request, or only those whose "RequestName" is listed.
struct ReplyDelay {
  std::chrono::milliseconds delay{0};
  std::vector<std::string> requestNames;  // empty: every request
  // Whether a request with this body waits.
  bool AppliesTo(const std::string& body) const;
};

inline constexpr const char* kDefaultEndpoint = "/brantle/api";
inline constexpr int kDefaultPort = 8086;

class HttpServer {
 public:
  HttpServer(Service& service, std::string endpoint = kDefaultEndpoint,
             ReplyDelay replyDelay = {});
  ~HttpServer();
  // Binds host:port (port 0: a free one) and serves in a background thread:
  // a request that is whole when it arrives is answered by the listening
  // thread itself, anything that has to wait on its peer by a pool.
  // Returns the bound port, or -1.  Only requests whose Host header names
  // the loopback (RequestOrigin.h) and that post JSON are served.
  int Start(const std::string& host, int port);
  // Stops the service's running statement and the server.
  void Stop();

 private:
  Service& service_;
  std::string endpoint_;
  ReplyDelay replyDelay_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace localserver
