// The station caches against the stand-in server: a first start fetches
// everything, a later one only what changed, and a start cut off half-way
// (the server killed) leaves a whole file that the next start completes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/ClientListCache.h"
#include "refdata/DestinationTable.h"
#include "server/ServerLink.h"
#include "tests/TempFolder.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"

namespace fs = std::filesystem;

namespace {

const char* const kServer = BRANTLE_BINARY_DIR "/localserver/brantle-server";

int64_t Count(const std::string& database, const std::string& sql) {
  return testsupport::CountOnDatabase(database, sql);
}

bool Exec(const std::string& database, const std::string& sql) {
  return testsupport::ExecOnDatabase(database, sql);
}

class StationCacheStandIn : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    fs::create_directories(folder_ / "client");
  }
  void TearDown() override {
    link_.reset();
    server_.reset();
    TempFolderTest::TearDown();
  }
  // Starts (or starts again, on the same database) the stand-in and logs in.
  void Start(const std::vector<std::string>& options = {}) {
    link_.reset();
    server_.reset();
    server_ = std::make_unique<StandInServer>(kServer, folder_ / "server", options);
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    testsupport::WriteStandInConfig(folder_ / "client", server_->Port(), "01", "PC-CACHE");
    link_ = std::make_unique<CServerLink>();
    ASSERT_EQ(1, link_->Init((folder_ / "client").string() + "/"));
    ASSERT_GT(link_->Login(u"admin", u"admin123", 0), 0);
  }
  std::string ClientPath() const { return (folder_ / "client" / "DATA_SYS" / "c_.dat").string(); }
  std::string DesPath() const { return (folder_ / "client" / "DATA_SYS" / "des.dat").string(); }
  int64_t ServerClients() const { return Count(server_->Database(), "SELECT COUNT(1) FROM client_arc"); }

  std::unique_ptr<StandInServer> server_;
  std::unique_ptr<CServerLink> link_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(StationCacheStandIn, FirstStartFetchesAllLaterOnlyChanges) {
  Start();
  const int64_t clients = ServerClients();
  ASSERT_GT(clients, 2000);
  {
    CClientListCache cache;
    cache.SetLocation(ClientPath(), link_->station);
    int rounds = 0;
    StationSyncLink link = StationSyncLink::Of(*link_);
    auto post = link.post;
    link.post = [&](const std::string& r, std::string& reply) { ++rounds; return post(r, reply); };
    cache.Refresh(link);
    EXPECT_EQ(static_cast<int64_t>(cache.Records().size()), clients);
    EXPECT_GT(rounds, 2);  // several pages
    CDestinationTable des;
    des.SetPath(DesPath());
    des.Refresh(StationSyncLink::Of(*link_));
    EXPECT_EQ(static_cast<int64_t>(des.Records().size()),
              Count(server_->Database(), "SELECT COUNT(1) FROM sys_des"));
    EXPECT_NE(des.FindByCode("US"), nullptr);
  }
  // Meanwhile one client is renamed and one removed.
  ASSERT_TRUE(Exec(server_->Database(), "UPDATE client_arc SET cunitname='Renamed' WHERE icid=1500"));
  ASSERT_TRUE(Exec(server_->Database(), "DELETE FROM client_arc WHERE icid=1501"));
  CClientListCache cache;
  cache.SetLocation(ClientPath(), link_->station);
  ASSERT_EQ(1, cache.Load());
  EXPECT_EQ(cache.Sync(StationSyncLink::Of(*link_)), 2);
  EXPECT_EQ(cache.NameOf(1500), u"Renamed");
  EXPECT_EQ(cache.NameOf(1501), u"*");
  EXPECT_EQ(static_cast<int64_t>(cache.Records().size()), clients - 1);
}

TEST_F(StationCacheStandIn, StartCutOffHalfWayIsCompletedNextTime) {
  // Slow replies, so that the server can be killed between two of them.
  Start({"--page-rows", "200", "--reply-delay-ms", "100", "--reply-delay-for", "sClientList"});
  const int64_t clients = ServerClients();
  CClientListCache cache;
  cache.SetLocation(ClientPath(), link_->station);
  std::atomic<int> replies{0};
  StationSyncLink link = StationSyncLink::Of(*link_);
  auto post = link.post;
  link.post = [&](const std::string& r, std::string& reply) {
    int n = post(r, reply);
    if (n > 0) ++replies;
    return n;
  };
  std::thread worker([&] { cache.Refresh(link); });
  const bool midway = testsupport::WaitUntil([&] { return replies.load() >= 3; }, testsupport::kWaitLimit);
  ::kill(server_->Pid(), SIGKILL);
  worker.join();
  ASSERT_TRUE(midway);
  const size_t got = cache.Records().size();
  EXPECT_GT(got, 0u);
  EXPECT_LT(static_cast<int64_t>(got), clients);
  // What was fetched is on disk, whole.
  CClientListCache partial;
  partial.SetLocation(ClientPath(), link_->station);
  ASSERT_EQ(1, partial.Load());
  EXPECT_EQ(partial.Records().size(), got);
  for (const auto& e : fs::directory_iterator(folder_ / "client" / "DATA_SYS"))
    EXPECT_EQ(e.path().filename(), "c_.dat");  // no temporary file left

  // Between the starts an entry already held changes.
  ASSERT_TRUE(Exec(server_->Database(), "UPDATE client_arc SET cunitname='Changed' WHERE icid=1001"));
  Start();
  CClientListCache next;
  next.SetLocation(ClientPath(), link_->station);
  next.Refresh(StationSyncLink::Of(*link_));
  EXPECT_EQ(static_cast<int64_t>(next.Records().size()), clients);
  EXPECT_EQ(next.NameOf(1001), u"Changed");
}

}  // namespace
