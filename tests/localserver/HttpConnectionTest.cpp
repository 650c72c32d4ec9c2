// How the stand-in treats connections: peers that are silent, send their
// request in pieces, keep the connection for more requests, or ask for it
// to be closed.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "RawSocket.h"
#include "TestClient.h"

using namespace lstest;

namespace {

using Clock = std::chrono::steady_clock;

std::string Head(size_t bodyLength, const char* connection) {
  return std::string("POST /brantle/api HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                     "Content-Type: application/json\r\nConnection: ") +
         connection + "\r\nContent-Length: " + std::to_string(bodyLength) + "\r\n\r\n";
}

const std::string kBody = "{\"RequestName\":\"sNoSuch\"}";

// Reads one reply (its head and the body its Content-Length names) within
// the time; its status, or 0 when none came whole.  Bytes of a next reply
// stay in `pending`.
int ReadReply(int fd, int milliseconds, std::string& pending) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  std::string& reply = pending;
  char buffer[4096];
  std::string status;
  for (;;) {
    size_t end = reply.find("\r\n\r\n");
    if (end != std::string::npos) {
      size_t at = reply.find("Content-Length: ");
      size_t length = at < end ? std::strtoul(reply.c_str() + at + 16, nullptr, 10) : 0;
      if (reply.size() >= end + 4 + length) {
        status = reply.substr(0, end);
        reply.erase(0, end + 4 + length);
        break;
      }
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return 0;
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return 0;
    reply.append(buffer, static_cast<size_t>(n));
  }
  if (status.rfind("HTTP/1.1 ", 0) != 0) return 0;
  return std::atoi(status.c_str() + 9);
}

int ReadReply(int fd, int milliseconds) {
  std::string pending;
  return ReadReply(fd, milliseconds, pending);
}

// Whether the server closes the connection within the time.
bool ClosedWithin(int fd, int milliseconds) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, milliseconds) <= 0) return false;
  char c;
  return ::recv(fd, &c, 1, 0) == 0;
}

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(HttpConnections, SilentAndHalfSentPeersHoldUpNoOne) {
  RunningServer server;
  const int silent = ConnectLoopback(server.Port());
  const int halfSent = ConnectLoopback(server.Port());
  ASSERT_GE(silent, 0);
  ASSERT_GE(halfSent, 0);
  ASSERT_TRUE(SendAll(halfSent, Head(kBody.size(), "Close")));
  // Others are answered at once, well inside the time the server gives the
  // two (a second for the first byte, five for the rest).
  for (int i = 0; i < 3; ++i) {
    const auto start = Clock::now();
    const int fd = ConnectLoopback(server.Port());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SendAll(fd, Head(kBody.size(), "Close") + kBody));
    EXPECT_EQ(ReadReply(fd, 3000), 200);
    EXPECT_LT(MsSince(start), 500);
    ::close(fd);
  }
  // The request sent in two pieces is answered once whole.
  ASSERT_TRUE(SendAll(halfSent, kBody));
  EXPECT_EQ(ReadReply(halfSent, 3000), 200);
  EXPECT_TRUE(ClosedWithin(halfSent, 3000));
  // The silent one is closed after its second.
  EXPECT_TRUE(ClosedWithin(silent, 3000));
  ::close(halfSent);
  ::close(silent);
}

TEST(HttpConnections, PeerWaitingForContinueGetsItBeforeSendingItsBody) {
  RunningServer server;
  const int fd = ConnectLoopback(server.Port());
  ASSERT_GE(fd, 0);
  std::string head = Head(kBody.size(), "Close");
  head.insert(head.size() - 2, "Expect: 100-continue\r\n");
  ASSERT_TRUE(SendAll(fd, head));
  std::string interim;
  char buffer[256];
  pollfd p{fd, POLLIN, 0};
  while (interim.find("\r\n\r\n") == std::string::npos && ::poll(&p, 1, 3000) > 0) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    interim.append(buffer, static_cast<size_t>(n));
  }
  EXPECT_EQ(interim.rfind("HTTP/1.1 100 Continue\r\n", 0), 0u) << interim;
  ASSERT_TRUE(SendAll(fd, kBody));
  std::string pending = interim.substr(std::min(interim.size(), interim.find("\r\n\r\n") + 4));
  EXPECT_EQ(ReadReply(fd, 3000, pending), 200);
  ::close(fd);
}

TEST(HttpConnections, ConnectionCloseInAnyCaseEndsTheConnectionAtOnce) {
  RunningServer server;
  for (const char* connection : {"close", "Close", "CLOSE"}) {
    const int fd = ConnectLoopback(server.Port());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SendAll(fd, Head(kBody.size(), connection) + kBody));
    EXPECT_EQ(ReadReply(fd, 3000), 200) << connection;
    // Not after the second a kept connection waits for its next request.
    EXPECT_TRUE(ClosedWithin(fd, 500)) << connection;
    ::close(fd);
  }
}

TEST(HttpConnections, KeptConnectionCarriesFurtherRequests) {
  RunningServer server;
  const int fd = ConnectLoopback(server.Port());
  ASSERT_GE(fd, 0);
  std::string pending;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(SendAll(fd, Head(kBody.size(), "keep-alive") + kBody));
    EXPECT_EQ(ReadReply(fd, 3000, pending), 200) << i;
  }
  // Two requests sent at once are both answered.
  ASSERT_TRUE(SendAll(fd, Head(kBody.size(), "keep-alive") + kBody + Head(kBody.size(), "Close") + kBody));
  EXPECT_EQ(ReadReply(fd, 3000, pending), 200);
  EXPECT_EQ(ReadReply(fd, 3000, pending), 200);
  EXPECT_TRUE(ClosedWithin(fd, 3000));
  ::close(fd);
}
