// The remote-area check: its form, its reading of the carrier's answer, and
// the whole request against a loopback server that plays the carrier's page.

#include "refdata/RemoteAreaCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "net/HttpClient.h"
#include "tests/net/TestServers.h"

using nettest::Connection;
using nettest::ScriptedServer;

namespace {

// A result page in the carrier's layout: a header row, then one row per
// entry of four cells.
std::string Page(const std::vector<std::vector<std::string>>& rows) {
  std::string page =
      "<html><head><meta charset=\"utf-8\"></head><body><h1>Remote Area Search</h1>"
      "<table class=\"results\"><tr><th>Postal Code</th><th>City</th><th>Suburb</th>"
      "<th>Range</th></tr>\n";
  for (const auto& row : rows) {
    page += "<tr>";
    for (const std::string& cell : row) page += "<td class=\"c\">" + cell + "</td>";
    page += "</tr>\n";
  }
  return page + "</table><p>footer</p></body></html>";
}

std::string Http(const std::string& status, const std::string& body) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

ScriptedServer::Handler Reply(std::string reply) {
  return [reply](Connection& c) {
    c.ReadRequest();
    c.Send(reply);
  };
}

HttpRequest WebRequest() {
  HttpRequest r;
  r.responseCapacity = 1 << 20;
  r.receiveTimeoutMs = 1500;
  r.sendTimeoutMs = 3000;
  r.connectTimeoutSeconds = 2;
  return r;
}

std::vector<std::u16string> W(std::initializer_list<const char16_t*> texts) {
  return {texts.begin(), texts.end()};
}

TEST(RemoteAreaForm, EveryValueIsPercentEncoded) {
  EXPECT_EQ(RemoteAreaFormBody("VN", "700000", ""),
            "searchCriteria=searchCriteria&VTI-GROUP=0&selectedCtry=VN&VTI-GROUP=3"
            "&inputPostalCode=700000&VTI-GROUP=2&inputCity=");
  // A postcode or city with form characters cannot add or change fields.
  EXPECT_EQ(RemoteAreaFormBody("G&B", "SW1A 1AA&x=1", "St. John's+%"),
            "searchCriteria=searchCriteria&VTI-GROUP=0&selectedCtry=G%26B&VTI-GROUP=3"
            "&inputPostalCode=SW1A+1AA%26x%3D1&VTI-GROUP=2&inputCity=St.+John%27s%2B%25");
  // GBK bytes go byte by byte.
  EXPECT_EQ(FormUrlEncode(GbkFromWide(u"东京")), "%B6%AB%BE%A9");
  EXPECT_EQ(FormUrlEncode("a-b_c.d~e"), "a-b_c.d~e");
}

TEST(RemoteAreaPage, ReadsTheResultTable) {
  struct Case {
    const char* name;
    std::string page;
    int result;
    std::string first, second, third;
    std::vector<std::u16string> hits;
  };
  const std::string long255(255, 'x');
  const Case cases[] = {
      {"not remote, any case", "<p>The place you entered Is Not A Remote Area.</p>", 0, "", "", "",
       {}},
      {"no table", "<html><body>Service unavailable</body></html>", -1, "", "", "", {}},
      {"table without its end",
       "<table><tr><th>Postal Code</th></tr><tr><td>1</td><td>A</td><td>a</td><td>8000</td></tr>",
       -1, "", "", "", {}},
      {"fourth cell too short: no hits, outputs filled",
       Page({{"70000", "Hanoi", "Ba Dinh", "70"}}), 0, "70000", "Hanoi", "Ba Dinh", {}},
      {"hits sorted", Page({{"1", "A", "a", "8000"}, {"2", "B", "b", "7000"}}), 2, "1", "A", "a",
       W({u"7000", u"8000"})},
      {"twins kept", Page({{"1", "A", "a", "8000"}, {"2", "B", "b", "8000"}, {"3", "C", "c", "0700"}}),
       3, "1", "A", "a", W({u"0700", u"8000", u"8000"})},
      {"a first cell of 255 bytes skips its row",
       Page({{long255, "A", "a", "1111"}, {"2", "B", "b", "2222"}}), 1, "2", "B", "b",
       W({u"2222"})},
      {"an empty first cell skips its row", Page({{"", "A", "a", "1111"}, {"2", "B", "b", "2222"}}),
       1, "2", "B", "b", W({u"2222"})},
      {"a fourth cell of 16 bytes is no hit",
       Page({{"1", "A", "a", "1234567890123456"}, {"2", "B", "b", "123456789012345"}}), 1, "1",
       "A", "a", W({u"123456789012345"})},
      {"a second cell too long skips the rest of the row",
       Page({{"1", long255, "a", "1111"}, {"2", "B", "b", "2222"}}), 1, "1", "B", "b",
       W({u"2222"})},
      {"a short row ends the reading", Page({{"1", "A", "a"}, {"2", "B", "b", "2222"}}), 0, "1", "A",
       "a", {}},
      {"markup inside cells is removed, accents folded",
       Page({{"<b>75001</b>", "Par&iacute;s", "Saint-&Eacute;tienne", " <i>75001-75020</i> "}}),
       1, "75001", "Par&iacute;s", "Saint-&Eacute;tienne", W({u"75001-75020"})},
      {"UTF-8 accents fold to plain letters", Page({{"29000", "Quimper", "Bénodet", "Île"}}), 1,
       "29000", "Quimper", "Benodet", W({u"Ile"})},
  };
  for (const Case& c : cases) {
    RemoteAreaAnswer answer;
    EXPECT_EQ(ParseRemoteAreaPage(c.page, answer), c.result) << c.name;
    EXPECT_EQ(answer.first, c.first) << c.name;
    EXPECT_EQ(answer.second, c.second) << c.name;
    EXPECT_EQ(answer.third, c.third) << c.name;
    EXPECT_EQ(answer.hits, c.hits) << c.name;
  }
}

TEST(RemoteAreaCheck, PostsTheFormAndReadsTheCarriersPage) {
  ScriptedServer server(Reply(Http("200 OK", Page({{"10115", "Berlin", "Mitte", "10115"},
                                                   {"10117", "Berlin", "Mitte", "10117"}}))));
  HttpRequest request = WebRequest();
  std::string jar = "old=cookie";
  request.cookieJar = &jar;
  request.cookieJarCapacity = 1024;
  std::string first, second, third;
  std::vector<std::u16string> hits;
  EXPECT_EQ(CheckRemoteAreaWith(request, "127.0.0.1", server.port(), "DE", "10115 &x=1", "Berlin",
                                first, second, hits, &third),
            2);
  EXPECT_EQ(first, "10115");
  EXPECT_EQ(second, "Berlin");
  EXPECT_EQ(third, "Mitte");
  EXPECT_EQ(hits, W({u"10115", u"10117"}));

  std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string& sent = requests[0];
  EXPECT_EQ(sent.rfind(std::string("POST ") + std::string(kRemoteAreaPath) + " HTTP/1.1\r\n", 0),
            0u)
      << sent;
  EXPECT_NE(sent.find("Content-Type: application/x-www-form-urlencoded"), std::string::npos);
  EXPECT_NE(sent.find("gzip, deflate"), std::string::npos);
  EXPECT_NE(sent.find("zh-cn"), std::string::npos);
  EXPECT_EQ(sent.find("old=cookie"), std::string::npos);  // the jar was emptied
  EXPECT_NE(sent.find("\r\n\r\nsearchCriteria=searchCriteria&VTI-GROUP=0&selectedCtry=DE&"
                      "VTI-GROUP=3&inputPostalCode=10115+%26x%3D1&VTI-GROUP=2&inputCity=Berlin"),
            std::string::npos)
      << sent;
}

TEST(RemoteAreaCheck, FailuresGiveMinusOneAndLeaveTheOutputsAlone) {
  const std::string good = Page({{"1", "A", "a", "8000"}});
  struct Case {
    const char* name;
    ScriptedServer::Handler handler;
    int result;
  };
  Case cases[] = {
      {"not remote", Reply(Http("200 OK", "<p>This IS NOT A REMOTE AREA</p>")), 0},
      {"a page that does not match", Reply(Http("200 OK", "<html><body>Welcome</body></html>")),
       -1},
      {"an error status", Reply(Http("500 Internal Server Error", good)), -1},
      {"not found", Reply(Http("404 Not Found", good)), -1},
      {"a body cut short",
       [good](Connection& c) {
         c.ReadRequest();
         c.Send(Http("200 OK", good).substr(0, 200));
       },
       -1},
      {"no answer in time",
       [](Connection& c) {
         c.ReadRequest();
         c.Stall(10000);
       },
       -1},
      {"the connection closed at once", [](Connection&) {}, -1},
  };
  for (Case& c : cases) {
    ScriptedServer server(c.handler);
    HttpRequest request = WebRequest();
    std::string first = "keep", second = "keep", third = "keep";
    std::vector<std::u16string> hits = {u"keep"};
    EXPECT_EQ(CheckRemoteAreaWith(request, "127.0.0.1", server.port(), "VN", "700000", "", first,
                                  second, hits, &third),
              c.result)
        << c.name;
    EXPECT_EQ(first, "keep") << c.name;
    EXPECT_EQ(hits.size(), 1u) << c.name;
    server.Stop();
  }

  // Nobody listening.
  int port;
  {
    ScriptedServer gone(Reply(""));
    port = gone.port();
  }
  HttpRequest request = WebRequest();
  RemoteAreaAnswer answer;
  EXPECT_EQ(CheckRemoteAreaWith(request, "127.0.0.1", port, "VN", "700000", "", answer), -1);
}

}  // namespace
