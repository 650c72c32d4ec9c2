// Pages 13 and 16 against a stand-in that answers every query late: what
// the page does while its request is out.  Page 13's loading thread never
// outlives the page (it uses the application's server link); page 16's
// refresh timer starts no second load while one waits.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "shipping/PreInputPage.h"
#include "shipping/RecordQueryPage.h"
#include "tests/QtTestSupport.h"
#include "tests/WaitUntil.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/ViewHost.h"

namespace {

constexpr int kReplyDelayMs = 500;

class LinkHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  CServerLink* link = nullptr;
};

// The threads of this process.
size_t ThreadCount() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
    ++n;
  return n;
}

class SlowServerPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::filesystem::temp_directory_path() /
            ("brantle-slow-pages-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    server_ = std::make_unique<StandInServer>(
        BRANTLE_BINARY_DIR "/localserver/brantle-server", root_ / "server",
        std::vector<std::string>{"--reply-delay-ms", std::to_string(kReplyDelayMs),
                                 "--reply-delay-for", "sSqlQuery"});
  }
  static void TearDownTestSuite() {
    server_.reset();
    std::filesystem::remove_all(root_);
  }
  void SetUp() override {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    shelltest::LoadProgramLanguage("00");
    folder_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(folder_);
    testsupport::WriteStandInConfig(folder_, server_->Port(), "00", "PC-SLOW");
    link_ = std::make_unique<CServerLink>();
    ASSERT_EQ(1, link_->Init(folder_.string() + "/"));
    ASSERT_GT(link_->Login(u"admin", u"admin123", 0), 0);
    host_.link = link_.get();
  }

  static inline std::filesystem::path root_;
  static inline std::unique_ptr<StandInServer> server_;
  std::filesystem::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  std::unique_ptr<CServerLink> link_;
  LinkHost host_;
};

// The page goes while its first chunk is still on the way, and then the
// program closes its link: the page waited for its loading thread, so no
// thread is left that could still use the link.
TEST_F(SlowServerPages, RecordQueryPageClosedInTheMiddleOfALoadLeavesNoThreadBehind) {
  auto page = std::make_unique<CRecordQueryPage>();
  page->host = &host_;
  page->index = 13;
  page->CreatePageWindow(nullptr, QSize(1270, 700));
  page->OnPageCreated();
  const size_t before = ThreadCount();
  ASSERT_TRUE(page->StartQuery(
      u"SELECT a.irid FROM brantle.dbo.client_rec AS a WHERE a.irid>0"));
  ASSERT_TRUE(page->Busy());
  const auto start = std::chrono::steady_clock::now();
  page.reset();
  EXPECT_EQ(ThreadCount(), before);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  link_->Logout();
  link_.reset();
  EXPECT_EQ(ThreadCount(), before);
}

// A tick of the auto refresh while a load waits for its answer starts
// nothing: the page counts as loading from before the wait.
TEST_F(SlowServerPages, PreInputRefreshTickDuringALoadStartsNoSecondLoad) {
  CPreInputPage page;
  page.host = &host_;
  page.index = 16;
  page.services.link = link_.get();
  page.services.userName = link_->Session().userName;
  page.servicesSet = true;
  page.CreatePageWindow(nullptr, QSize(1270, 700));
  page.OnPageCreated();
  ASSERT_EQ(page.listDlg->ticks, 0);
  bool loadingDuringWait = false;
  int depthDuringTick = 0;
  bool ticked = false;
  QTimer::singleShot(kReplyDelayMs / 5, [&] {
    loadingDuringWait = page.listDlg->loading;
    page.listDlg->OnTick();
    depthDuringTick = platform::WaitForWorkDepth();
    ticked = true;
  });
  page.listDlg->LoadUnassigned();
  ASSERT_TRUE(ticked) << "the tick came while the load waited";
  EXPECT_TRUE(loadingDuringWait);
  EXPECT_EQ(page.listDlg->ticks, 0) << "the tick started a load of its own";
  EXPECT_EQ(depthDuringTick, 1);
  EXPECT_FALSE(page.listDlg->loading);
  EXPECT_GE(page.listDlg->unassignedList->RowCount(), 1);
}

}  // namespace
