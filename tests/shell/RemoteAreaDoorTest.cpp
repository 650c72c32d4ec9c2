// The application's remote-area door: through its web request, against a
// loopback server that plays the carrier, with the window kept alive.

#include <gtest/gtest.h>

#include <QTimer>

#include <atomic>
#include <string>
#include <vector>

#include "net/HttpClient.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "tests/WaitUntil.h"
#include "tests/net/TestServers.h"

TEST(RemoteAreaDoor, AsksTheConfiguredSiteWhileTheWindowKeepsRunning) {
  std::atomic<bool> uiRan{false};
  std::atomic<bool> uiRanBeforeReply{false};
  const std::string page =
      "<table><tr><th>Postal Code</th><th>Town</th><th>Area</th><th>Range</th></tr>"
      "<tr><td>2000</td><td>Sydney</td><td>NSW</td><td>2000-2001</td></tr></table>";
  nettest::ScriptedServer server([&](nettest::Connection& c) {
    c.ReadRequest();
    // The answer waits until the user-interface thread has run a timer.
    uiRanBeforeReply = testsupport::WaitUntil([&] { return uiRan.load(); },
                                              std::chrono::milliseconds(5000));
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
           "\r\nConnection: close\r\n\r\n" + page);
  });

  CBrantleClientApp app;
  ASSERT_EQ(app.AllocWebBuffer(), 1);
  EXPECT_EQ(app.Settings().remoteAreaPort, 80);
  EXPECT_FALSE(app.Settings().remoteAreaHost.empty());
  app.Settings().remoteAreaHost = "127.0.0.1";
  app.Settings().remoteAreaPort = server.port();
  *app.WebRequest()->cookieJar = "stale=1";

  QTimer::singleShot(0, [&] { uiRan = true; });
  std::string first, second, third;
  std::vector<std::u16string> hits;
  EXPECT_EQ(app.CheckRemoteArea("AU", "2000", "", first, second, hits, &third), 1);
  EXPECT_TRUE(uiRanBeforeReply);
  EXPECT_EQ(first, "2000");
  EXPECT_EQ(second, "Sydney");
  EXPECT_EQ(third, "NSW");
  EXPECT_EQ(hits, std::vector<std::u16string>{u"2000-2001"});
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].find("stale=1"), std::string::npos);

  // Nobody at the site any more: -1, and the outputs stay.
  server.Stop();
  EXPECT_EQ(app.CheckRemoteArea("AU", "2000", "", first, second, hits, nullptr), -1);
  EXPECT_EQ(first, "2000");
}
