// The brantle-server program itself: SIGTERM ends it within a second, even
// while a client's statement runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "TestClient.h"
#include "tests/QtTestSupport.h"

using namespace lstest;

namespace {

// utime + stime of a process, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int k = 3; k <= 15 && fields >> field; ++k) {
    if (k == 14) utime = std::atol(field.c_str());
    if (k == 15) stime = std::atol(field.c_str());
  }
  return utime + stime;
}

class ServerProcess {
 public:
  explicit ServerProcess(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::string db = (folder / "brantle.db").string();
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::close(out[0]);
      ::close(out[1]);
      ::execl(BRANTLE_SERVER_PROGRAM, BRANTLE_SERVER_PROGRAM, "--port", "0", "--db", db.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(out[1]);
    // The first line names the port: "... port <n>".
    FILE* lines = ::fdopen(out[0], "r");
    char line[512] = {};
    if (lines && std::fgets(line, sizeof line, lines)) {
      std::string text = line;
      size_t at = text.rfind(" port ");
      if (at != std::string::npos) port_ = std::atoi(text.c_str() + at + 6);
    }
    if (lines) std::fclose(lines);
  }
  ~ServerProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  pid_t Pid() const { return pid_; }
  int Port() const { return port_; }
  bool Exited() {
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    return pid_ <= 0;
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

TEST(ServerProgram, TerminateStopsItWithinASecondEvenMidQuery) {
  auto folder = std::filesystem::temp_directory_path() / ("brantle-ls-proc-" + std::to_string(getpid()));
  {
    ServerProcess server(folder);
    ASSERT_GT(server.Port(), 0);
    Client client(server.Port());
    ASSERT_GT(client.Login("li", "li@2024")["ReturnValue"].get<int>(), 0);
    std::string body = client
                           .SqlBody("sSqlQuery",
                                    "SELECT COUNT(1) FROM client_rec a,client_rec b,client_rec c,client_rec d,"
                                    "client_rec e WHERE a.cdes+b.cdes+c.cdes+d.cdes+e.cdes<>''",
                                    {kSlong}, false)
                           .dump();
    long before = CpuTicks(server.Pid());
    auto heavy = std::async(std::launch::async, [&] { return client.PostRaw(body); });
    // The join is running once the server spends CPU time.
    long tick = sysconf(_SC_CLK_TCK);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return CpuTicks(server.Pid()) - before >= tick / 10; }, 10000));
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(server.Pid(), SIGTERM), 0);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return server.Exited(); }, 1000));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(),
              1100);
    heavy.wait();
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
