// The relay transport, the libcurl URL transports and the host pool.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "TestServers.h"
#include "net/HostPool.h"
#include "net/HttpClient.h"
#include "net/HttpTransports.h"

using nettest::Connection;
using nettest::ScriptedServer;

namespace {

ScriptedServer::Handler Reply(std::string reply) {
  return [reply](Connection& c) {
    c.ReadRequest();
    c.Send(reply);
  };
}

}  // namespace

TEST(Relay, InnerTextFraming) {
  HttpRequest r;
  r.host = "t.example";
  r.port = 8443;
  r.tls = 1;
  r.post = 1;
  r.relayRecordId = 7;
  r.relayNumber = "N1";
  r.prebuiltHead = "POST /q HTTP/1.1\r\n\r\n";
  r.body = "b=1";
  EXPECT_EQ(BuildRelayInnerText(r),
            "$aAA_Port$8443$aAA_nSSL$$aAA_Post$$aAA_irID$7$aAA_cNum$N1$eEE_cNum$"
            "$aAA_Host$t.example$eEE_Host$$aAA_Head$POST /q HTTP/1.1\r\n\r\n$eEE_Head$"
            "$aAA_Body$b=1$eEE_Body$");

  HttpRequest g;
  g.host = "g.example";
  g.path = "/p";
  std::string jar = "s=1";
  g.cookieJar = &jar;
  EXPECT_EQ(BuildRelayInnerText(g),
            "$aAA_Port$80$aAA_Host$g.example$eEE_Host$$aAA_Head$GET /p HTTP/1.1\r\n" +
                std::string(DefaultAcceptLine()) + "Accept-Language: zh-cn\r\nHost: g.example\r\n" +
                std::string(UserAgentLine(0)) + "Cookie: s=1\r\nConnection: Close\r\n\r\n$eEE_Head$");
}

TEST(Relay, ExchangeThroughTheRelayServer) {
  ScriptedServer relay(Reply("HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nrelayed"));
  HttpRequest r;
  r.host = "target.example";
  r.path = "/api";
  r.body = "k=v";
  r.post = 1;
  r.responseCapacity = 8192;
  r.relayMode = 100;
  r.relayHost = "127.0.0.1";
  r.relayPort = relay.port();
  EXPECT_EQ(SendHttpRequest(r), 7);
  EXPECT_EQ(r.response, "relayed");
  ASSERT_EQ(relay.Requests().size(), 1u);
  const std::string sent = relay.Requests()[0];
  const std::string inner = BuildRelayInnerText(r);
  EXPECT_EQ(sent, BuildRelayOuterHead(r, inner.size()) + inner);
  EXPECT_EQ(sent.rfind("POST /cgi-bin/Vexlo.dll?xProxy HTTP/1.1\r\n", 0), 0u);
  EXPECT_NE(sent.find("Host: 127.0.0.1:" + std::to_string(relay.port()) + "\r\n"), std::string::npos);
}

TEST(Relay, ClientErrorsAreRefusedWhateverTheAccept400Flag) {
  for (const char* status : {"404 Not Found", "400 Bad Request"}) {
    ScriptedServer relay(Reply(std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 2\r\n\r\nno"));
    HttpRequest r;
    r.host = "target.example";
    r.path = "/api";
    r.responseCapacity = 8192;
    r.accept400 = 1;
    r.relayMode = 100;
    r.relayHost = "127.0.0.1";
    r.relayPort = relay.port();
    EXPECT_EQ(SendHttpRequest(r), -102) << status;
  }
  HttpRequest r;
  r.host = "target.example";
  r.path = "/api";
  r.responseCapacity = 8192;
  r.relayMode = 100;
  r.relayHost = "127.0.0.1";
  {
    ScriptedServer gone(Reply(""));
    r.relayPort = gone.port();
  }
  EXPECT_EQ(SendHttpRequest(r), -120);  // no connection
}

TEST(UrlTransports, GetOfAFullUrl) {
  ScriptedServer server(Reply("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 9\r\n\r\nfrom curl"));
  HttpRequest r;
  r.host = "unused.example";
  r.path = "http://127.0.0.1:" + std::to_string(server.port()) + "/g?a=1";
  r.responseCapacity = 8192;
  EXPECT_EQ(SendHttpRequest(r), 9);
  EXPECT_EQ(r.response, "from curl");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.contentType, "text/plain");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].rfind("GET /g?a=1 HTTP/1.1\r\n", 0), 0u);

  // The room must stay above 1,023 bytes after the body.
  ScriptedServer big(Reply("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(1000, 'b')));
  r.path = "http://127.0.0.1:" + std::to_string(big.port()) + "/big";
  r.responseCapacity = 2023;
  EXPECT_EQ(SendHttpRequest(r), 0);
  r.responseCapacity = 2024;
  EXPECT_EQ(SendHttpRequest(r), 1000);

  // A loopback port that refuses: bound here without listening, so that
  // nothing else takes it meanwhile.
  int closed = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ASSERT_EQ(bind(closed, reinterpret_cast<sockaddr*>(&a), size), 0);
  getsockname(closed, reinterpret_cast<sockaddr*>(&a), &size);
  r.path = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/";
  EXPECT_EQ(SendHttpRequest(r), 0);
  close(closed);
}

TEST(UrlTransports, PostAndItsErrors) {
  ScriptedServer server([](Connection& c) {
    std::string request = c.ReadRequest();
    std::string body = request.substr(request.find("\r\n\r\n") + 4);
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size() + 5) + "\r\n\r\necho:" + body);
  });
  HttpRequest r;
  r.mode = 10;
  r.post = 1;
  r.host = "127.0.0.1";
  r.port = server.port();
  r.path = "/post";
  r.body = "a=1&b=2";
  r.referer = "http://ref.example/";
  r.extraHeadLines = "X-Extra: 1\r\n";
  r.responseCapacity = 8192;
  EXPECT_EQ(SendHttpRequest(r), 12);
  EXPECT_EQ(r.response, "echo:a=1&b=2");
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string sent = server.Requests()[0];
  EXPECT_EQ(sent.rfind("POST /post HTTP/1.1\r\n", 0), 0u);
  EXPECT_NE(sent.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
  EXPECT_NE(sent.find("Referer: http://ref.example/\r\n"), std::string::npos);
  EXPECT_NE(sent.find("X-Extra: 1\r\n"), std::string::npos);

  r.responseCapacity = 1030;  // 12 bytes would leave 1,018
  EXPECT_EQ(SendHttpRequest(r), -4);

  {
    ScriptedServer gone(Reply(""));
    r.port = gone.port();
  }
  r.responseCapacity = 8192;
  EXPECT_EQ(SendHttpRequest(r), -3);
}

namespace {

double SecondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// A GET of a full URL and a POST to host, port and path on that server.
std::vector<HttpRequest> UrlRequests(int port) {
  HttpRequest get;
  get.host = "unused.example";
  get.path = "http://127.0.0.1:" + std::to_string(port) + "/u";
  HttpRequest post;
  post.mode = 10;
  post.post = 1;
  post.host = "127.0.0.1";
  post.port = port;
  post.path = "/p";
  post.body = "a=1";
  std::vector<HttpRequest> requests{get, post};
  for (HttpRequest& r : requests) {
    r.responseCapacity = 8192;
    r.connectTimeoutSeconds = 1;
    r.receiveTimeoutMs = 500;
  }
  return requests;
}

}  // namespace

TEST(UrlTransports, RedirectLoopIsGivenUpAfterTenHops) {
  // Redirects to itself; a client that follows 50 of them is let through.
  std::atomic<int> served{0};
  ScriptedServer server([&served](Connection& c) {
    c.ReadRequest();
    if (++served <= 50)
      c.Send("HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    else
      c.Send("HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nescaped");
  });
  const int failed[] = {0, -3};  // GET, POST
  std::vector<HttpRequest> requests = UrlRequests(server.port());
  for (size_t i = 0; i < requests.size(); ++i) {
    SCOPED_TRACE(i);
    served = 0;
    EXPECT_EQ(SendHttpRequest(requests[i]), failed[i]);
    EXPECT_TRUE(requests[i].response.empty());
    EXPECT_EQ(served, 11);  // the request and ten redirects
  }
}

TEST(UrlTransports, SilentOrTricklingServerEndsWithinTheTimeOuts) {
  struct Case {
    const char* name;
    ScriptedServer::Handler handler;
  } cases[] = {
      {"never answers",
       [](Connection& c) {
         c.ReadRequest();
         c.Stall(8000);
       }},
      // One byte every 100 ms: never slow enough to count as stalled.
      {"answers without end",
       [](Connection& c) {
         c.ReadRequest();
         c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
         for (int i = 0; i < 80; ++i) {
           c.Send("x");
           c.Stall(100);
         }
       }},
  };
  const int failed[] = {0, -3};  // GET, POST
  for (const auto& c : cases) {
    ScriptedServer server(c.handler);
    std::vector<HttpRequest> requests = UrlRequests(server.port());
    for (size_t i = 0; i < requests.size(); ++i) {
      SCOPED_TRACE(std::string(c.name) + (i ? ", POST" : ", GET"));
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(SendHttpRequest(requests[i]), failed[i]);
      // 1 s to connect and 0.5 s to receive, with room for a loaded machine.
      EXPECT_LT(SecondsSince(start), 4.0);
    }
  }
}

TEST(UrlTransports, LoopbackIsReachedWithoutTheEnvironmentsProxy) {
  ScriptedServer proxy(Reply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nproxy"));
  ScriptedServer server(Reply("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\ndirect"));
  const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
  nettest::ScopedEnv http("http_proxy", proxyUrl);
  nettest::ScopedEnv all("ALL_PROXY", proxyUrl);
  nettest::ScopedEnv none("no_proxy", "");
  nettest::ScopedEnv noneUpper("NO_PROXY", "");
  for (const char* host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    HttpRequest get;
    get.host = "unused.example";
    get.path = std::string("http://") + host + ":" + std::to_string(server.port()) + "/u";
    get.responseCapacity = 8192;
    EXPECT_EQ(SendHttpRequest(get), 6);
    EXPECT_EQ(get.response, "direct");
    HttpRequest post = UrlRequests(server.port())[1];
    post.host = host;
    EXPECT_EQ(SendHttpRequest(post), 6);
    EXPECT_EQ(post.response, "direct");
  }
  EXPECT_EQ(proxy.Connections(), 0);

  // Other hosts still go through the proxy (which answers for them here).
  HttpRequest other;
  other.host = "unused.example";
  other.path = "http://far-away.invalid/u";
  other.responseCapacity = 8192;
  EXPECT_EQ(SendHttpRequest(other), 5);
  EXPECT_EQ(other.response, "proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].rfind("GET http://far-away.invalid/u HTTP/1.1\r\n", 0), 0u);
}

TEST(HostPoolTest, AddFindAndBusyPool) {
  CHostPool pool;
  EXPECT_EQ(pool.Find("a.example"), nullptr);
  const std::string* a = pool.Add("a.example", true);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(*a, "a.example");
  EXPECT_EQ(pool.Add("a.example", true), a);   // unique: the stored one
  EXPECT_NE(pool.Add("a.example", false), a);  // not unique: stored again
  EXPECT_EQ(pool.Find("A.example"), nullptr);  // exact comparison
  for (int i = 0; i < 5000; ++i) pool.Add("host" + std::to_string(i), false);
  EXPECT_EQ(pool.Find("a.example"), a);  // stored names stay in place

  std::atomic<bool> held{false}, release{false};
  std::thread holder([&] {
    auto lock = pool.Hold();
    held = true;
    while (!release) std::this_thread::yield();
  });
  while (!held) std::this_thread::yield();
  EXPECT_EQ(pool.Add("busy.example", true), nullptr);
  release = true;
  holder.join();
  EXPECT_EQ(pool.Find("busy.example"), nullptr);
  EXPECT_NE(pool.Add("busy.example", true), nullptr);
}
