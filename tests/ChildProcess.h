#pragma once
// A program a test starts and stops again (the stand-in server, a private
// print scheduler), tied to the test: the kernel sends it SIGKILL as soon as
// the test process ends, however that ends (a crash, a failed assertion in
// set-up, CTest's time-out), so that none outlives its test.
//
// The tie belongs to the thread that called Start: start children from a
// thread that lives as long as they should (the main thread), never from a
// short-lived worker.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/WaitUntil.h"

namespace testsupport {

class ChildProcess {
 public:
  struct Options {
    // Receives the program's standard error, and its standard output too
    // (whatever of it passes through this object when it is piped).
    std::string log = "/dev/null";
    // Standard output into a pipe, read with ReadLine.
    bool pipeOutput = false;
    // Runs in the child just before the program (after fork: system calls
    // only, no allocation); false ends the child, and Start reports errno.
    std::function<bool()> inChild;
  };

  ChildProcess() = default;
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program (arguments[0], a path).  Returns an empty text once
  // it runs, else what failed.
  std::string Start(const std::vector<std::string>& arguments, const Options& options) {
    if (pid_ > 0 || arguments.empty()) return "already started, or no program";
    std::vector<std::string> strings = arguments;
    std::vector<char*> argv;
    for (std::string& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    logFd_ = ::open(options.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (logFd_ < 0) return "cannot open " + options.log + ": " + std::strerror(errno);
    // The child reports a failure before exec through `status`; exec closes
    // it, so an empty read means the program runs.
    int status[2];
    int output[2] = {-1, -1};
    if (::pipe2(status, O_CLOEXEC) != 0) return std::string("pipe: ") + std::strerror(errno);
    if (options.pipeOutput && ::pipe2(output, O_CLOEXEC) != 0) {
      ::close(status[0]);
      ::close(status[1]);
      return std::string("pipe: ") + std::strerror(errno);
    }
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      auto fail = [&](int step) {
        int report[2] = {step, errno};
        ssize_t written = ::write(status[1], report, sizeof report);
        (void)written;
        ::_exit(127);
      };
      if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) fail(kTie);
      // The parent may have ended before the tie was made.
      if (::getppid() != parent) ::_exit(127);
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      if (::dup2(options.pipeOutput ? output[1] : logFd_, STDOUT_FILENO) < 0 ||
          ::dup2(logFd_, STDERR_FILENO) < 0)
        fail(kRedirect);
      if (options.inChild && !options.inChild()) fail(kPrepare);
      ::execv(argv[0], argv.data());
      fail(kExec);
    }
    const int forkError = errno;
    ::close(status[1]);
    if (output[1] >= 0) ::close(output[1]);
    outputFd_ = output[0];
    if (pid_ < 0) {
      ::close(status[0]);
      return std::string("fork: ") + std::strerror(forkError);
    }
    int report[2] = {0, 0};
    ssize_t n;
    do {
      n = ::read(status[0], report, sizeof report);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);
    if (n <= 0) return {};
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    std::string step = report[0] == kTie        ? "tie to the parent"
                       : report[0] == kRedirect ? "redirect the output"
                       : report[0] == kPrepare  ? "prepare the child"
                                                : "exec " + arguments[0];
    return step + ": " + std::strerror(report[1]);
  }

  pid_t Pid() const { return pid_; }

  // False once the program has ended.
  bool Running() {
    if (pid_ <= 0) return false;
    if (::waitpid(pid_, &status_, WNOHANG) != pid_) return true;
    pid_ = -1;
    return false;
  }

  // The next line of the piped standard output, without its line end; none
  // when the output ends first or the limit runs out.
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return line;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (outputFd_ < 0 || left.count() <= 0) return std::nullopt;
      pollfd p{outputFd_, POLLIN, 0};
      int ready = ::poll(&p, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return std::nullopt;
      char buffer[4096];
      ssize_t n = ::read(outputFd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return std::nullopt;
      pending_.append(buffer, static_cast<size_t>(n));
      Log(buffer, static_cast<size_t>(n));
    }
  }

  // Copies the rest of the piped output to the log from now on, so that the
  // program never blocks on a full pipe nobody reads.
  void CopyRestOfOutputToLog() {
    if (outputFd_ < 0 || copier_.joinable()) return;
    pending_.clear();
    copier_ = std::thread([this] {
      char buffer[4096];
      for (;;) {
        ssize_t n = ::read(outputFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        Log(buffer, static_cast<size_t>(n));
      }
    });
  }

  // Asks the program to end (SIGTERM), kills it when it has not ended
  // within `grace`, and returns its wait status (0 when it never ran).
  int Stop(std::chrono::milliseconds grace = std::chrono::seconds(10)) {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      if (!WaitUntil([this] { return !Running(); }, grace)) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
      }
    }
    if (copier_.joinable()) copier_.join();
    for (int* fd : {&outputFd_, &logFd_}) {
      if (*fd >= 0) ::close(*fd);
      *fd = -1;
    }
    return status_;
  }

 private:
  enum { kTie = 1, kRedirect = 2, kPrepare = 3, kExec = 4 };

  void Log(const char* bytes, size_t size) {
    while (size > 0 && logFd_ >= 0) {
      ssize_t n = ::write(logFd_, bytes, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      bytes += n;
      size -= static_cast<size_t>(n);
    }
  }

  pid_t pid_ = -1;
  int status_ = 0;
  int outputFd_ = -1;
  int logFd_ = -1;
  std::string pending_;
  std::thread copier_;
};

}  // namespace testsupport
