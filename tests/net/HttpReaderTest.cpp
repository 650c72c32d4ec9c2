// The response reader on a scripted byte stream: room accounting and random
// input.

#include <gtest/gtest.h>

#include <random>

#include "TestServers.h"
#include "net/HttpClient.h"
#include "net/HttpInternal.h"

namespace {

// Gives the bytes in pieces of at most `piece`, then reports the end.
class FakeStream : public http_detail::Stream {
 public:
  FakeStream(std::string bytes, size_t piece = 7) : bytes_(std::move(bytes)), piece_(piece) {}
  int Read(char* buffer, int size) override {
    size_t n = std::min({static_cast<size_t>(size), piece_, bytes_.size() - at_});
    if (pieceLeft_ > 0) n = std::min(n, pieceLeft_);
    std::copy_n(bytes_.data() + at_, n, buffer);
    at_ += n;
    pieceLeft_ -= std::min(pieceLeft_, n);
    return static_cast<int>(n);
  }
  bool WriteAll(std::string_view) override { return true; }
  size_t consumed() const { return at_; }
  int PeekPiece(char* buffer, int size) {
    if (pieceLeft_ == 0) pieceLeft_ = std::min(piece_, bytes_.size() - at_);
    size_t n = std::min(static_cast<size_t>(size), pieceLeft_);
    std::copy_n(bytes_.data() + at_, n, buffer);
    return static_cast<int>(n);
  }

 private:
  std::string bytes_;
  size_t piece_;
  size_t at_ = 0;
  size_t pieceLeft_ = 0;  // of the piece a look ahead has shown
};

// The same bytes from a stream that can look ahead at what has "arrived"
// (the current piece), as a socket can.
class PeekingFakeStream : public FakeStream {
 public:
  using FakeStream::FakeStream;
  int Peek(char* buffer, int size) override { return PeekPiece(buffer, size); }
};

HttpRequest Record(int capacity) {
  HttpRequest r;
  r.responseCapacity = capacity;
  return r;
}

}  // namespace

TEST(ResponseReader, HeadSharingTheRoomShrinksIt) {
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n";
  const std::string reply = head + std::string(4000, 'r');
  HttpRequest separate = Record(4096);
  FakeStream a(reply);
  EXPECT_EQ(http_detail::ReadResponse(separate, a, false).result, 4000);
  HttpRequest shared = Record(4096);
  shared.headInResponse = true;
  FakeStream b(reply);
  EXPECT_EQ(http_detail::ReadResponse(shared, b, false).result, -204);
}

TEST(ResponseReader, HeadsStartingWithVAreSkippedAndNothingOfTheBodyIsTaken) {
  HttpRequest r = Record(8192);
  FakeStream s("Via-line\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcEXTRA");
  EXPECT_EQ(http_detail::ReadResponse(r, s, false).result, 3);
  EXPECT_EQ(r.response, "abc");
  FakeStream t("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcEXTRA", 1000);
  HttpRequest q = Record(8192);
  EXPECT_EQ(http_detail::ReadResponse(q, t, false).result, 3);
  EXPECT_EQ(t.consumed(), 41u);  // the head and exactly the body
}

TEST(ResponseReader, RandomRepliesNeverOverrunOrClaimMoreThanTheyGot) {
  std::mt19937 rng(1234);
  const std::string pieces[] = {"HTTP/1.1 200 OK\r\n", "HTTP/1.1 100 Continue\r\n\r\n", "Content-Length: ",
                                "Transfer-Encoding: chunked\r\n", "Content-Encoding: gzip\r\n",
                                "Content-Encoding: deflate\r\n", "Set-Cookie: a=1; Path=/\r\n",
                                "Location: http://x/y\r\n", "HTTP/1.1 302 Found\r\n", "\r\n", "0\r\n", "5\r\n",
                                "ffffff\r\n", "12", "hello", "\x1f\x8b\x08", "Expires=", ";", "Max-Age=0"};
  for (int i = 0; i < 3000; ++i) {
    std::string reply;
    const int parts = static_cast<int>(rng() % 14);
    for (int k = 0; k < parts; ++k) {
      if (rng() % 5 == 0) {
        for (int b = static_cast<int>(rng() % 20); b > 0; --b) reply += static_cast<char>(rng() & 0xFF);
      } else {
        reply += pieces[rng() % std::size(pieces)];
      }
    }
    HttpRequest r = Record(4096 + static_cast<int>(rng() % 200));
    std::string jar = "c=3";
    r.cookieJar = &jar;
    r.cookieJarCapacity = 64 + static_cast<int>(rng() % 200);
    r.keepAlive = static_cast<int>(rng() % 2);
    FakeStream s(reply, 1 + rng() % 64);
    const int result = http_detail::ReadResponse(r, s, rng() % 2 == 0).result;
    ASSERT_LE(result, static_cast<int>(reply.size()) * 1100 + 1) << i;
    if (result > 0 && r.contentEncoding == 0) {
      ASSERT_EQ(static_cast<int>(r.response.size()), result) << i;
    }
    ASSERT_LT(static_cast<int>(r.response.size()), r.responseCapacity) << i;
    ASSERT_LT(static_cast<int>(jar.size()), r.cookieJarCapacity + 4) << i;
  }
}

// Looking ahead changes nothing of what is read: the same result, head and
// body, and not one byte more taken off the stream, whatever the pieces.
TEST(ResponseReader, LookingAheadTakesExactlyWhatByteReadsTake) {
  std::mt19937 rng(99);
  const std::string pieces[] = {"HTTP/1.1 200 OK\r\n", "HTTP/1.1 100 Continue\r\n\r\n", "Content-Length: 3",
                                "Content-Length: 12", "Transfer-Encoding: chunked\r\n", "Via: x\r\n",
                                "\r\n", "\n", "0\r\n", "5\r\n", "5;ext=1\r\n", "hello", "ab\r\n", "VIA\r\n\r\n",
                                "Connection: keep-alive\r\n", "X: 1\r\n"};
  for (int i = 0; i < 3000; ++i) {
    std::string reply;
    const int parts = static_cast<int>(rng() % 16);
    for (int k = 0; k < parts; ++k) reply += pieces[rng() % std::size(pieces)];
    reply += "TRAILING-BYTES-OF-THE-NEXT-REPLY";
    const size_t piece = 1 + rng() % 48;
    const int capacity = 4096 + static_cast<int>(rng() % 64);
    const int keepAlive = static_cast<int>(rng() % 2);
    HttpRequest a = Record(capacity), b = Record(capacity);
    a.keepAlive = b.keepAlive = keepAlive;
    FakeStream bytewise(reply, piece);
    PeekingFakeStream blockwise(reply, piece);
    const auto ra = http_detail::ReadResponse(a, bytewise, false);
    const auto rb = http_detail::ReadResponse(b, blockwise, false);
    ASSERT_EQ(ra.result, rb.result) << i;
    ASSERT_EQ(ra.keep, rb.keep) << i;
    ASSERT_EQ(a.head, b.head) << i;
    ASSERT_EQ(a.response, b.response) << i;
    ASSERT_EQ(bytewise.consumed(), blockwise.consumed()) << i;
  }
}
