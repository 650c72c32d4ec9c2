// The request head, the response head fields, chunk sizes and inflation,
// without a network.

#include <gtest/gtest.h>
#include <zlib.h>

#include "TestServers.h"
#include "net/HttpClient.h"

namespace {

HttpRequest BasicRequest() {
  HttpRequest r;
  r.host = "example.test";
  r.path = "/api";
  r.responseCapacity = 8192;
  return r;
}

}  // namespace

TEST(RequestHead, GetHeadIsExact) {
  HttpRequest r = BasicRequest();
  EXPECT_EQ(BuildRequestHead(r),
            "GET /api HTTP/1.1\r\n" + std::string(DefaultAcceptLine()) +
                "Accept-Language: zh-cn\r\nHost: example.test\r\n" + std::string(UserAgentLine(0)) +
                "Connection: Close\r\nCache-Control: no-cache\r\n\r\n");
}

TEST(RequestHead, PostWithEveryOptionalLine) {
  HttpRequest r = BasicRequest();
  std::string jar = "a=1;b=2; ";
  r.cookieJar = &jar;
  r.body = "x=1&y=2";
  r.port = 8080;
  r.requestedWith = 1;
  r.english = 1;
  r.acceptCompressed = 1;
  r.referer = "http://ref.test/";
  r.extraHeadLines = "X-One: 1\r\n";
  r.userAgent = 1;
  r.contentTypeOverride = "application/json";
  r.contentTypeSuffix = "; charset=GBK";
  r.expectContinue = 1;
  r.keepAlive = 1;
  r.acceptLine = "Accept: */*\r\n";
  EXPECT_EQ(BuildRequestHead(r),
            "POST /api HTTP/1.1\r\nx-requested-with: XMLHttpRequest\r\nAccept: */*\r\n"
            "Accept-Language: en-us\r\nAccept-Encoding: gzip, deflate\r\nHost: example.test:8080\r\n"
            "Referer: http://ref.test/\r\nX-One: 1\r\n" +
                std::string(UserAgentLine(1)) +
                "Content-Length: 7\r\nContent-Type: application/json; charset=GBK\r\n"
                "Expect: 100-continue\r\nConnection: Keep-Alive\r\nCache-Control: no-cache\r\n"
                "Cookie: a=1;b=2\r\n\r\n");
  EXPECT_EQ(r.bodyLength, 7);
  EXPECT_EQ(jar, "a=1;b=2");  // trimmed in place
}

TEST(RequestHead, PortPartMultipartAndPrebuiltHeads) {
  HttpRequest r = BasicRequest();
  r.tls = 1;
  r.port = 443;
  EXPECT_NE(BuildRequestHead(r).find("Host: example.test\r\n"), std::string::npos);
  r.port = 80;  // 80 is the plain default only
  EXPECT_NE(BuildRequestHead(r).find("Host: example.test:80\r\n"), std::string::npos);

  HttpRequest m = BasicRequest();
  m.body = std::string("--b\r\nabc\0def", 12);
  m.multipartBoundary = "b";
  m.bodyLength = 9;  // kept with a boundary
  EXPECT_NE(BuildRequestHead(m).find("Content-Length: 9\r\nContent-Type: multipart/form-data; boundary=b\r\n"),
            std::string::npos);
  m.bodyLength = 100;  // never beyond the body itself
  BuildRequestHead(m);
  EXPECT_EQ(m.bodyLength, 12);

  HttpRequest p = BasicRequest();
  p.prebuiltHead = "";
  std::string built = BuildRequestHead(p);
  EXPECT_EQ(*p.prebuiltHead, built);
  p.prebuiltHead = "POST /x HTTP/1.1\r\n\r\n";
  EXPECT_EQ(BuildRequestHead(p), "POST /x HTTP/1.1\r\n\r\n");
}

TEST(ResponseHead, FieldsAndMisspelledLengths) {
  struct Case {
    const char* head;
    int status;
    int length;
    int chunked;
    int encoding;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 12\r", 200, 12, 0, 0},
      {"HTTP/1.1 200 OK\r\ncontent-length: 13\r", 200, 13, 0, 0},
      {"HTTP/1.1 200 OK\r\nCteonnt-Length: 12\r", 200, 12, 0, 0},
      {"HTTP/1.1 200 OK\r\nntCoent-Length:   7\r", 200, 7, 0, 0},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\nContent-Encoding: gzip\r", 200, -1, 1, 1},
      {"HTTP/1.1 201 OK\r\nContent-Encoding: deflate\r", 201, -1, 0, 2},
      {"HTTP/1.1 400 Bad\r\nContent-Length: 5\r", 400, -1, 0, 0},  // stops at the status
      {"HTTP/1.1 100 Continue\r\nContent-Length: 5\r", 100, -1, 0, 0},
      {"garbage", 10, -1, 0, 0},
  };
  for (const auto& c : cases) {
    HttpRequest r;
    r.head = c.head;
    r.chunked = 1;  // stale results of an earlier call are cleared
    ParseResponseHead(r);
    EXPECT_EQ(r.status, c.status) << c.head;
    EXPECT_EQ(r.contentLength, c.length) << c.head;
    EXPECT_EQ(r.chunked, c.chunked) << c.head;
    EXPECT_EQ(r.contentEncoding, c.encoding) << c.head;
  }
  HttpRequest r;
  EXPECT_EQ(ParseResponseHead(r), 0);
  EXPECT_EQ(r.status, 10);
}

TEST(ResponseHead, KeepAliveAndContentType) {
  HttpRequest r;
  r.keepAlive = 1;
  r.head = "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nConnection: keep-alive\r";
  ParseResponseHead(r);
  EXPECT_EQ(r.serverKeepAlive, 1);
  EXPECT_EQ(r.contentType, "application/json; charset=utf-8");
  r.head = "HTTP/1.1 200 OK\r\nConnection: CLOSE\r\nContent-Type: " + std::string(300, 't') + "\r";
  ParseResponseHead(r);
  EXPECT_EQ(r.serverKeepAlive, 0);
  EXPECT_EQ(r.contentType.size(), 255u);
  r.keepAlive = 0;
  r.head = "HTTP/1.1 200 OK\r\nConnection: keep-alive\r";
  ParseResponseHead(r);
  EXPECT_EQ(r.serverKeepAlive, 0);  // only when asked for
}

TEST(ChunkSize, HexReadFromTheLineStartExtensionsIgnored) {
  struct Case {
    const char* line;
    int size;
  } cases[] = {
      {"5\r\n", 5}, {"1a\r\n", 26}, {"1A\r\n", 26}, {"FF  \r\n", 255}, {"0\r\n", 0},
      {"5\n", 5}, {"5", 5}, {"0000000a\r\n", 10}, {"7fffffff\r\n", 2147483647},
      // Chunk extensions.
      {"5;name=value\r\n", 5}, {"5;x=y\r\n", 5}, {"5 ;x\r\n", 5}, {"a;x=\"1;2\";y\r\n", 10},
      {"0;last\r\n", 0},
      // Lines whose size cannot be read.
      {"\r\n", -1}, {"", -1}, {";x=5\r\n", -1}, {" 5\r\n", -1}, {"-5\r\n", -1}, {"zz1\r\n", -1},
      {"5x\r\n", -1}, {"5 5\r\n", -1}, {"5\r5\r\n", -1},
      {"80000000\r\n", -1}, {"123456789\r\n", -1}, {"fffffffffffffffffff\r\n", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseChunkSize(c.line), c.size) << c.line;
}

TEST(Inflate, GzipDeflateAndFailures) {
  const std::string text(5000, 'x');
  std::string out;
  EXPECT_EQ(InflateBody(nettest::Gzip(text), out, 8000, true), Z_STREAM_END);
  EXPECT_EQ(out, text);
  EXPECT_EQ(InflateBody(nettest::RawDeflate(text), out, 8000, false), Z_STREAM_END);
  EXPECT_EQ(out, text);
  EXPECT_NE(InflateBody(nettest::Gzip(text), out, 4000, true), Z_STREAM_END);  // room too small
  EXPECT_LE(out.size(), 4000u);
  std::string cut = nettest::RawDeflate("hello hello hello world");
  cut.resize(cut.size() / 2);
  EXPECT_NE(InflateBody(cut, out, 8000, false), Z_STREAM_END);
  EXPECT_NE(InflateBody("abc", out, 8000, true), Z_STREAM_END);
}
