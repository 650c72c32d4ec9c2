// Sequential POST round trips of a 2 KB JSON body to a loopback server: the
// program's own client beside libcurl in the same run.  Both use the same
// connection policy: a new connection per request, closed after the reply
// (ours sends "Connection: Close"; libcurl sends "Connection: close" and
// may not reuse the connection, CURLOPT_FORBID_REUSE).
// Target: ours within 1.1x of libcurl.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "net/HttpClient.h"

namespace {

// Answers each request with a small JSON reply and closes the connection.
class LoopbackServer {
 public:
  LoopbackServer() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 128);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Loop(); });
  }
  ~LoopbackServer() {
    stop_ = true;
    thread_.join();
    close(fd_);
  }
  int port() const { return port_; }

 private:
  void Loop() {
    const std::string reply =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 17\r\n"
        "Connection: close\r\n\r\n{\"ReturnValue\":1}";
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      std::string in;
      char buf[8192];
      size_t headEnd = std::string::npos;
      size_t want = 0;
      for (;;) {
        ssize_t n = recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        in.append(buf, static_cast<size_t>(n));
        if (headEnd == std::string::npos && (headEnd = in.find("\r\n\r\n")) != std::string::npos) {
          size_t p = in.find("Content-Length: ");
          want = headEnd + 4 + (p < headEnd ? static_cast<size_t>(atol(in.c_str() + p + 16)) : 0);
        }
        if (headEnd != std::string::npos && in.size() >= want) break;
      }
      send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
      shutdown(c, SHUT_WR);
      close(c);
    }
  }
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::string JsonBody() {
  std::string body = "{\"cAction\":\"sSqlQuery\",\"xSql\":\"";
  while (body.size() < 2048 - 3) body += 'A' + static_cast<char>(body.size() % 26);
  body += "\"}";
  return body;
}

LoopbackServer& Server() {
  static LoopbackServer server;
  return server;
}

void BM_OwnClientPost(benchmark::State& state) {
  const std::string body = JsonBody();
  const int port = Server().port();
  for (auto _ : state) {
    HttpRequest r;
    r.host = "127.0.0.1";
    r.port = port;
    r.path = "/api";
    r.body = body;
    r.contentTypeOverride = "application/json";
    r.responseCapacity = 1 << 20;
    int n = SendHttpRequest(r);
    if (n != 17) state.SkipWithError("bad reply");
    benchmark::DoNotOptimize(r.response);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_OwnClientPost)->Iterations(1000)->Unit(benchmark::kMicrosecond);

size_t Collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

void BM_CurlPost(benchmark::State& state) {
  const std::string body = JsonBody();
  const std::string url = "http://127.0.0.1:" + std::to_string(Server().port()) + "/api";
  curl_global_init(CURL_GLOBAL_DEFAULT);
  CURL* c = curl_easy_init();
  curl_slist* lines = curl_slist_append(nullptr, "Content-Type: application/json");
  lines = curl_slist_append(lines, "Expect:");
  lines = curl_slist_append(lines, "Connection: close");
  std::string reply;
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, lines);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
  for (auto _ : state) {
    reply.clear();
    if (curl_easy_perform(c) != CURLE_OK || reply.size() != 17) state.SkipWithError("bad reply");
  }
  curl_slist_free_all(lines);
  curl_easy_cleanup(c);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_CurlPost)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
