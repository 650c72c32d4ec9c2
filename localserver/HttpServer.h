#pragma once
// The HTTP side: POSTs to one endpoint path on 127.0.0.1, each body handed
// to the Service.

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace localserver {

class Service;

inline constexpr const char* kDefaultEndpoint = "/brantle/api";
inline constexpr int kDefaultPort = 8086;

class HttpServer {
 public:
  HttpServer(Service& service, std::string endpoint = kDefaultEndpoint);
  ~HttpServer();
  // Binds host:port (port 0: a free one) and serves in a background thread.
  // Returns the bound port, or -1.
  int Start(const std::string& host, int port);
  void Stop();

 private:
  Service& service_;
  std::string endpoint_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
};

}  // namespace localserver
