// The harness that starts the stand-in for the tests: the stand-in must never
// outlive the test process that started it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/WaitUntil.h"
#include "tests/server/StandInServer.h"

namespace fs = std::filesystem;

namespace {

TEST(StandInServerHarness, StandInDiesWithTheProcessThatStartedIt) {
  fs::path root = fs::temp_directory_path() / ("brantle-harness-" + std::to_string(::getpid()));
  fs::remove_all(root);
  // This process adopts the orphans of its children, so that it sees how the
  // stand-in ends once the process that started it is gone.
  ASSERT_EQ(0, ::prctl(PR_SET_CHILD_SUBREAPER, 1));
  int report[2];
  ASSERT_EQ(0, ::pipe2(report, O_CLOEXEC));
  pid_t starter = ::fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {
    // A test process that dies without cleaning up.
    StandInServer server(BRANTLE_BINARY_DIR "/localserver/brantle-server", root);
    pid_t pid = server.Ready() ? server.Pid() : -1;
    ssize_t written = ::write(report[1], &pid, sizeof pid);
    (void)written;
    for (;;) ::pause();
  }
  ::close(report[1]);
  pid_t server = -1;
  ssize_t got = ::read(report[0], &server, sizeof server);
  ::close(report[0]);
  ::kill(starter, SIGKILL);
  ::waitpid(starter, nullptr, 0);
  ASSERT_EQ(static_cast<ssize_t>(sizeof server), got);
  ASSERT_GT(server, 0) << StandInServer::ReadLog(root);
  int status = 0;
  bool ended = testsupport::WaitUntil(
      [&] { return ::waitpid(server, &status, WNOHANG) == server; }, testsupport::kWaitLimit);
  if (!ended) {
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);
  }
  EXPECT_TRUE(ended) << "the stand-in outlived its test process";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  fs::remove_all(root);
}

}  // namespace
