// The cookie jar and the redirect target.

#include <gtest/gtest.h>

#include "net/HttpClient.h"

namespace {

std::string Apply(std::string jar, const std::string& fields, int capacity = 1024) {
  UpdateCookieJar(jar, capacity, "HTTP/1.1 200 OK\r\n" + fields + "\r");
  return jar;
}

}  // namespace

TEST(CookieJar, NewCookiesStandFirstAndReplaceOldOnes) {
  EXPECT_EQ(Apply("c=3", "Set-Cookie: a=1\r\nSet-Cookie: b=2\r\n"), "a=1;b=2;c=3");
  EXPECT_EQ(Apply("a=0;c=3", "Set-Cookie: a=9; Path=/\r\n"), "a=9;c=3");
  // Only whole names count: "a" does not hide "ba".
  EXPECT_EQ(Apply("ba=5", "Set-Cookie: a=1\r\n"), "a=1;ba=5");
  EXPECT_EQ(Apply("", "set-cookie: sid=xyz; path=/; HttpOnly\r\n"), "sid=xyz");
  EXPECT_EQ(Apply("", "Set-Cookie: k=v; Domain=.x.test; Path=/\r\n"), "k=v");
}

TEST(CookieJar, RemovalAndExpiry) {
  EXPECT_EQ(Apply("a=1;b=2;c=3", "Set-Cookie: b=; Max-Age=0\r\n"), "a=1;c=3");
  EXPECT_EQ(Apply("a=1; b=2", "Set-Cookie: b=x; Max-Age=0; Path=/\r\n"), "a=1");
  EXPECT_EQ(Apply("a=1", "Set-Cookie: a=2; Max-Age=05\r\n"), "a=2");
  EXPECT_EQ(Apply("c=3", "Set-Cookie: old=1; Expires=Wed, 21 Oct 2015 07:28:00 GMT; Path=/\r\n"), "c=3");
  EXPECT_EQ(Apply("c=3", "Set-Cookie: new=1; Expires=Fri, 01 Jan 2100 00:00:00 GMT; Path=/\r\n"), "new=1;c=3");
  EXPECT_EQ(Apply("", "Set-Cookie: e=1; expires=Thu, 01-Jan-2099 00:00:00 GMT\r\n"), "e=1");
  // A past date that does not exist is no valid date: the cookie stays.
  EXPECT_EQ(Apply("c=3", "Set-Cookie: bad=1; Expires=Thu, 31 Apr 2015 07:28:00 GMT; Path=/\r\n"), "bad=1;c=3");
  EXPECT_EQ(Apply("c=3", "Set-Cookie: bad=2; Expires=Sun, 29 Feb 2015 07:28:00 GMT; Path=/\r\n"), "bad=2;c=3");
  EXPECT_EQ(Apply("c=3", "Set-Cookie: bad=3; Expires=Wed, 21 Oct 2015 07:75:00 GMT; Path=/\r\n"), "bad=3;c=3");
}

TEST(CookieJar, CapacityAndSanitising) {
  // A new list that does not fit leaves the jar alone.
  EXPECT_EQ(Apply("c=3", "Set-Cookie: " + std::string(40, 'k') + "=1\r\n", 30), "c=3");
  // Old entries are kept only while more than 64 bytes stay free.
  EXPECT_EQ(Apply("c=3", "Set-Cookie: a=1\r\n", 68), "a=1");
  EXPECT_EQ(SanitizeCookieText("a\x01\tb  \r\nc"), "a_ b c");
  std::string jar = "a=1; ;  \r\n";
  TrimCookieJar(jar);
  EXPECT_EQ(jar, "a=1");
  std::string blanks = ";  ";
  EXPECT_EQ(CookieHeadLine(&blanks), "");
  EXPECT_EQ(CookieHeadLine(nullptr), "");
}

TEST(CookieJar, RemoveCookieKeepsTheOthers) {
  std::string jar = "a=1; b=2; a=3";
  RemoveCookie(jar, "a");
  EXPECT_EQ(jar, "b=2");
  jar = "x=1;y=2";
  RemoveCookie(jar, "z");
  EXPECT_EQ(jar, "x=1;y=2");
}

TEST(Redirect, TargetsFromLocation) {
  struct Case {
    const char* location;
    int result;
    int tls;
    int port;
    const char* host;
    const char* path;
  } cases[] = {
      {"https://h.example:8443/a/b", 2, 1, 8443, "h.example", "/a/b"},
      {"HTTP://other.test/x?y=1", 2, 0, 80, "other.test", "/x?y=1"},
      {"/x", 1, 0, 8080, "origin.test", "/x"},
      {"https://bare.test", 2, 1, 443, "bare.test", "/"},
      {"http://p.test:80/z", 2, 0, 80, "p.test", "/z"},
  };
  for (const auto& c : cases) {
    HttpRequest r;
    r.host = "origin.test";
    r.port = 8080;
    r.head = std::string("HTTP/1.1 302 Found\r\nLocation: ") + c.location + "\r\nContent-Length: 0\r";
    EXPECT_EQ(FollowRedirect(r), c.result) << c.location;
    EXPECT_EQ(r.redirect.tls, c.tls) << c.location;
    EXPECT_EQ(r.redirect.port, c.port) << c.location;
    EXPECT_EQ(r.redirect.host, c.host) << c.location;
    EXPECT_EQ(r.redirect.path, c.path) << c.location;
  }
  HttpRequest r;
  r.head = "HTTP/1.1 302 Found\r\nLocation: http://" + std::string(96, 'h') + "/p\r";
  EXPECT_EQ(FollowRedirect(r), 0);
  r.head = "HTTP/1.1 302 Found\r\nServer: x\r";
  EXPECT_EQ(FollowRedirect(r), 0);
  // ParseResponseHead fills the target on 301/302.
  r.head = "HTTP/1.1 301 Moved\r\nLocation: /moved\r";
  ParseResponseHead(r);
  EXPECT_EQ(r.redirect.path, "/moved");
}
