// The plain socket transport against scripted servers on 127.0.0.1.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <fcntl.h>
#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <poll.h>

#include "TestServers.h"
#include "net/HttpClient.h"
#include "tests/WaitUntil.h"

using nettest::Connection;
using nettest::ScriptedServer;

namespace {

HttpRequest Request(int port, int capacity = 8192) {
  HttpRequest r;
  r.host = "127.0.0.1";
  r.port = port;
  r.path = "/x";
  r.responseCapacity = capacity;
  r.receiveTimeoutMs = 3000;
  r.sendTimeoutMs = 3000;
  r.connectTimeoutSeconds = 2;
  return r;
}

// A server that answers every request with `reply` and closes.
ScriptedServer::Handler Reply(std::string reply) {
  return [reply](Connection& c) {
    c.ReadRequest();
    c.Send(reply);
  };
}

// A host name the resolver refuses without asking anyone: its first label is
// longer than the 63 bytes a DNS name may have, so no query can be made of it.
const std::string kUnresolvableHost = std::string(64, 'x') + ".invalid";

double SecondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

TEST(PlainTransport, ScriptedReplies) {
  const std::string gz = nettest::Gzip("compressed hello");
  const std::string df = nettest::RawDeflate("deflated and chunked");
  char dfSize[16];
  snprintf(dfSize, sizeof dfSize, "%zx", df.size());
  struct Case {
    const char* name;
    std::string reply;
    int result;
    std::string body;
    int accept400 = 0;
  } cases[] = {
      {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 5, "hello"},
      {"four-byte field line, no length", "HTTP/1.1 200 OK\r\nX: 1\r\n\r\nabc", 3, "abc"},
      {"two-byte field line ends the head",
       "HTTP/1.1 200 OK\r\nab\r\nContent-Length: 3\r\n\r\nabc", 24, "Content-Length: 3\r\n\r\nabc"},
      {"misspelled length", "HTTP/1.1 200 OK\r\nCteonnt-Length: 12\r\n\r\nhello world!", 12, "hello world!"},
      {"other misspelling", "HTTP/1.1 200 OK\r\nntCoent-Length: 2\r\n\r\nok", 2, "ok"},
      {"short by 5", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(95, 'b'), -299, ""},
      {"short by 11", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(89, 'b'), -299, ""},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", 5, "hello"},
      {"chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n",
       11, "hello world"},
      {"chunked cut short", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nhello", -299, ""},
      {"chunked without last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", -299, ""},
      {"chunk extensions", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;name=value\r\nhello\r\n"
                           "6;x=y\r\n world\r\n0;end\r\n\r\n", 11, "hello world"},
      {"short extension", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n0\r\n\r\n", 5,
       "hello"},
      {"long extension", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;chunk-signature=" +
                             std::string(64, 'e') + "\r\nhello\r\n0\r\n\r\n", 5, "hello"},
      {"size line beyond its limit", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=" +
                                         std::string(1100, 'e') + "\r\nhello\r\n0\r\n\r\n", -299, ""},
      {"size line not hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\nworld\r\n"
                            "0\r\n\r\n", -299, ""},
      {"empty size line", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n\r\nworld\r\n"
                          "0\r\n\r\n", -299, ""},
      {"size beyond the int range", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n100000000\r\nhello\r\n",
       -299, ""},
      {"gzip", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(gz.size()) +
                   "\r\n\r\n" + gz, 16, "compressed hello"},
      {"gzip cut short", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " +
                             std::to_string(gz.size()) + "\r\n\r\n" + gz.substr(0, gz.size() - 8), -299, ""},
      {"deflate chunked", "HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\nTransfer-Encoding: chunked\r\n\r\n" +
                              std::string(dfSize) + "\r\n" + df + "\r\n0\r\n\r\n", 20, "deflated and chunked"},
      {"broken gzip", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 12\r\n\r\nnot gzip at all"
                          , -201, ""},
      {"302 with small gzip body", "HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Encoding: gzip\r\n"
                                   "Content-Length: 40\r\n\r\n" + std::string(40, 'z'), 0, std::string(40, 'z')},
      {"400", "HTTP/1.1 400 Bad Request\r\nContent-Length: 3\r\n\r\nbad", -102, ""},
      {"400 accepted", "HTTP/1.1 400 Bad Request\r\nContent-Length: 3\r\n\r\nbad", 3, "bad", 1},
      {"400, flag not 1", "HTTP/1.1 400 Bad Request\r\nContent-Length: 3\r\n\r\nbad", -102, "", 2},
      {"404 passes", "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nnf", 2, "nf"},
      {"100 then the real head", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok",
       2, "ok"},
      {"no length, 4,000 bytes", "HTTP/1.1 200 OK\r\n\r\n" + std::string(4000, 'q'), 4000, std::string(4000, 'q')},
      {"no length, room full", "HTTP/1.1 200 OK\r\n\r\n" + std::string(9000, 'q'), -204, ""},
      {"length beyond the room", "HTTP/1.1 200 OK\r\nContent-Length: 9000\r\n\r\n" + std::string(9000, 'q'), -204,
       ""},
      {"chunk beyond the room", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2000\r\n" +
                                    std::string(0x2000, 'q') + "\r\n0\r\n\r\n", -204, ""},
      {"zero length", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 0, ""},
      {"status out of range", "HTTP/1.1 1000 Odd\r\nContent-Length: 2\r\n\r\nok", -102, ""},
      {"early close", "", -102, ""},
  };
  for (const auto& c : cases) {
    ScriptedServer server(Reply(c.reply));
    HttpRequest r = Request(server.port());
    r.accept400 = c.accept400;
    const int result = SendHttpRequest(r);
    EXPECT_EQ(result, c.result) << c.name;
    if (c.result >= 0 || !c.body.empty()) {
      EXPECT_EQ(r.response, c.body) << c.name;
    }
    if (c.result > 0) {
      EXPECT_EQ(r.contentLength, c.result) << c.name;
    }
    EXPECT_EQ(r.socket, -1) << c.name;
  }
}

TEST(PlainTransport, RequestBytesAndLargeBody) {
  ScriptedServer server([](Connection& c) {
    std::string request = c.ReadRequest();
    std::string size = std::to_string(request.size() - request.find("\r\n\r\n") - 4);
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size.size()) + "\r\n\r\n" + size);
  });
  HttpRequest r = Request(server.port());
  r.body = std::string(3 << 20, 'j');  // several megabytes: sent in many pieces
  EXPECT_EQ(SendHttpRequest(r), 7);
  EXPECT_EQ(r.response, std::to_string(3 << 20));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].rfind("POST /x HTTP/1.1\r\n", 0), 0u);
  EXPECT_GT(r.lastUseTick, 0);
}

TEST(PlainTransport, ExpectContinueWaitsForTheInterimAnswer) {
  ScriptedServer server([](Connection& c) {
    std::string head = c.ReadHead();
    c.Send("HTTP/1.1 100 Continue\r\n\r\n");
    std::string body = c.ReadExactly(4);
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n" + body);
  });
  HttpRequest r = Request(server.port());
  r.body = "data";
  r.expectContinue = 1;
  EXPECT_EQ(SendHttpRequest(r), 4);
  EXPECT_EQ(r.response, "data");
  EXPECT_EQ(r.status, 200);
}

TEST(PlainTransport, KeptConnectionIsReused) {
  ScriptedServer server([](Connection& c) {
    for (int i = 0; i < 3; ++i) {
      if (c.ReadRequest().empty()) return;
      c.Send("HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 2\r\n\r\nk" + std::to_string(i));
    }
  });
  HttpRequest r = Request(server.port());
  r.keepAlive = 1;
  r.keepAliveIdleMs = 5000;
  EXPECT_EQ(SendHttpRequest(r), 2);
  EXPECT_GE(r.socket, 0);
  EXPECT_EQ(r.serverKeepAlive, 1);
  EXPECT_EQ(SendHttpRequest(r), 2);
  EXPECT_EQ(r.response, "k1");
  EXPECT_EQ(server.Connections(), 1);
  CloseHttpConnection(r);
  EXPECT_EQ(r.socket, -1);
  EXPECT_EQ(r.keepAlive, 0);
  EXPECT_EQ(r.serverKeepAlive, 0);
}

// The head is read in blocks of what has arrived, yet nothing past this
// reply is taken: a server that sends the next reply in the same write has
// it read by the next request.
TEST(PlainTransport, KeptConnectionLeavesTheNextReplyUnread) {
  ScriptedServer server([](Connection& c) {
    if (c.ReadRequest().empty()) return;
    c.Send("HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 3\r\n\r\nabc"
           "HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 2\r\n\r\nde");
    c.ReadRequest();
  });
  HttpRequest r = Request(server.port());
  r.keepAlive = 1;
  r.keepAliveIdleMs = 5000;
  r.body = std::string("first");
  EXPECT_EQ(SendHttpRequest(r), 3);
  EXPECT_EQ(r.response, "abc");
  r.body = std::string("second");
  EXPECT_EQ(SendHttpRequest(r), 2);
  EXPECT_EQ(r.response, "de");
  EXPECT_EQ(server.Connections(), 1);
  CloseHttpConnection(r);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return server.Requests().size() == 2; },
                                     testsupport::kWaitLimit));
  const auto requests = server.Requests();
  EXPECT_EQ(requests[0].substr(requests[0].size() - 9), "\r\n\r\nfirst");
  EXPECT_EQ(requests[1].substr(requests[1].size() - 10), "\r\n\r\nsecond");
}

TEST(PlainTransport, IdleKeptConnectionIsReplaced) {
  ScriptedServer server([](Connection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    c.Stall(2000);
  });
  HttpRequest r = Request(server.port());
  r.keepAlive = 1;
  r.keepAliveIdleMs = 0;
  EXPECT_EQ(SendHttpRequest(r), 2);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return HttpTickCount() - r.lastUseTick > 0; },
                                     testsupport::kWaitLimit));  // idle longer than allowed
  EXPECT_EQ(SendHttpRequest(r), 2);
  EXPECT_EQ(server.Connections(), 2);
  CloseHttpConnection(r);
}

TEST(PlainTransport, RelayHostWithoutRelayModeActsAsProxy) {
  ScriptedServer server(Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  HttpRequest r = Request(9);  // never contacted
  r.host = "far.example";
  r.port = 8080;
  r.path = "/p";
  r.relayHost = "127.0.0.1";
  r.relayPort = server.port();  // relay mode stays 0
  EXPECT_EQ(SendHttpRequest(r), 2);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_NE(server.Requests()[0].find("GET /p HTTP/1.1\r\n"), std::string::npos);
  EXPECT_NE(server.Requests()[0].find("Host: far.example:8080\r\n"), std::string::npos);
}

TEST(PlainTransport, ArgumentAndConnectionErrors) {
  ScriptedServer server(Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  HttpRequest r = Request(server.port(), 4095);
  EXPECT_EQ(SendHttpRequest(r), -900);
  r = Request(server.port());
  r.host.clear();
  EXPECT_EQ(SendHttpRequest(r), -1);
  r = Request(server.port());
  r.path.clear();
  EXPECT_EQ(SendHttpRequest(r), -3);
  r = Request(server.port());
  r.mode = 3;
  EXPECT_EQ(SendHttpRequest(r), -2);
  EXPECT_EQ(server.Connections(), 0);

  r = Request(server.port());
  r.host = kUnresolvableHost;
  EXPECT_EQ(SendHttpRequest(r), -103);

  // A closed port refuses at once.
  int port;
  {
    ScriptedServer gone(Reply(""));
    port = gone.port();
  }
  r = Request(port);
  EXPECT_EQ(SendHttpRequest(r), -123);
}

TEST(PlainTransport, ConnectToSilentPortEndsWithinTheConnectTimeOut) {
  // A listener that never accepts: once its queue is full, further
  // connection attempts get no answer.
  ScriptedServer silent(nullptr, -1);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(silent.port()));
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers.push_back(fd);
  }
  // The queue is full once one of them has got in.
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] {
        return std::any_of(fillers.begin(), fillers.end(), [](int fd) {
          pollfd p{fd, POLLOUT, 0};
          int error = -1;
          socklen_t len = sizeof error;
          return poll(&p, 1, 0) == 1 &&
                 getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
        });
      },
      testsupport::kWaitLimit));
  // The plain socket, and the TLS connect BIO.
  for (int tls : {0, 1}) {
    HttpRequest r = Request(silent.port());
    r.connectTimeoutSeconds = 1;
    r.tls = tls;
    r.tlsMethod = 9;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendHttpRequest(r), tls ? -410 : -123);
    const double took = SecondsSince(start);
    EXPECT_GE(took, 0.9) << tls;
    EXPECT_LT(took, 3.0) << tls;
  }
  for (int fd : fillers) close(fd);
}

TEST(PlainTransport, StalledPeerEndsWithinTheReceiveTimeOut) {
  struct Case {
    const char* name;
    std::string sent;
  } cases[] = {
      {"inside the head", "HTTP/1.1 200 OK\r\nContent-Le"},
      {"inside a body with length", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"},
      {"inside a body without length", "HTTP/1.1 200 OK\r\n\r\n0123456789"},
      {"inside a chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc"},
  };
  for (const auto& c : cases) {
    std::string sent = c.sent;
    ScriptedServer server([sent](Connection& conn) {
      conn.ReadRequest();
      conn.Send(sent);
      conn.Stall(10000);
    });
    HttpRequest r = Request(server.port());
    r.receiveTimeoutMs = 300;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_LT(SendHttpRequest(r), 0) << c.name;
    EXPECT_LT(SecondsSince(start), 2.0) << c.name;
  }
}

TEST(PlainTransport, StaleResponseIsClearedOnFailure) {
  HttpRequest r = Request(1);
  r.response = "old answer";
  r.host = kUnresolvableHost;
  EXPECT_EQ(SendHttpRequest(r), -103);
  EXPECT_TRUE(r.response.empty());
}
