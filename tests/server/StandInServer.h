#pragma once
// Starts the local stand-in server (brantle-server from the build folder) on
// a free loopback port with a database in a temporary folder, and stops it
// again.  Used by the end-to-end tests and the benchmark of the server link.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

class StandInServer {
 public:
  // `binary` is the stand-in's program; `folder` receives its database;
  // `options` go to the stand-in as well (e.g. "--reply-delay-ms", "500").
  StandInServer(const std::string& binary, const std::filesystem::path& folder,
                const std::vector<std::string>& options = {})
      : folder_(folder) {
    std::filesystem::create_directories(folder_);
    database_ = (folder_ / "brantle.db").string();
    port_ = FreePort();
    std::vector<std::string> args = ArgumentsFor(binary);
    args.insert(args.end(), options.begin(), options.end());
    pid_ = ::fork();
    if (pid_ == 0) {
      std::string log = (folder_ / "server.log").string();
      FILE* out = std::freopen(log.c_str(), "w", stdout);
      (void)out;
      ::dup2(STDOUT_FILENO, STDERR_FILENO);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ready_ = pid_ > 0 && WaitUntilListening();
  }
  ~StandInServer() { Stop(); }
  StandInServer(const StandInServer&) = delete;
  StandInServer& operator=(const StandInServer&) = delete;

  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  bool Ready() const { return ready_; }
  int Port() const { return port_; }
  const std::string& Database() const { return database_; }
  std::string Log() const {
    std::string text;
    if (FILE* f = std::fopen((folder_ / "server.log").string().c_str(), "r")) {
      char buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
      std::fclose(f);
    }
    return text;
  }

 private:
  std::vector<std::string> ArgumentsFor(const std::string& binary) const {
    return {binary, "--port", std::to_string(port_), "--db", database_};
  }

  static int FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
  }

  bool WaitUntilListening() {
    for (int i = 0; i < 500; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in addr{};
      addr.sin_family = AF_INET;
      addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      addr.sin_port = htons(static_cast<uint16_t>(port_));
      bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
      ::close(fd);
      if (ok) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::filesystem::path folder_;
  std::string database_;
  int port_ = 0;
  pid_t pid_ = -1;
  bool ready_ = false;
};
