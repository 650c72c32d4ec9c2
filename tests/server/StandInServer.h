#pragma once
// Starts the local stand-in server (brantle-server from the build folder)
// with a database in a temporary folder, and stops it again.  Used by every
// test and benchmark that needs the stand-in.
//
// The stand-in picks a free loopback port itself (--port 0) and names it on
// its first line of output, so that tests running in parallel never race for
// a port; it is tied to the test process and dies with it (ChildProcess.h).

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ChildProcess.h"
#include "tests/WaitUntil.h"

class StandInServer {
 public:
  // `binary` is the stand-in's program; `folder` receives its database and
  // its log; `options` go to the stand-in as well (e.g. "--reply-delay-ms",
  // "500").  Create it on the thread that outlives it (see ChildProcess.h).
  StandInServer(const std::string& binary, const std::filesystem::path& folder,
                const std::vector<std::string>& options = {})
      : folder_(folder) {
    std::filesystem::create_directories(folder_);
    database_ = (folder_ / "brantle.db").string();
    std::ofstream(LogPath(), std::ios::trunc);
    testsupport::ChildProcess::Options childOptions;
    childOptions.log = LogPath();
    childOptions.pipeOutput = true;
    std::vector<std::string> args = {binary, "--port", "0", "--db", database_};
    args.insert(args.end(), options.begin(), options.end());
    std::string error = process_.Start(args, childOptions);
    if (!error.empty()) {
      Note("could not start " + binary + ": " + error);
      return;
    }
    // "brantle-server listening on http://127.0.0.1:<port><endpoint> port <port>"
    std::optional<std::string> line = process_.ReadLine(testsupport::kWaitLimit);
    port_ = line ? PortOf(*line) : 0;
    if (port_ <= 0) {
      process_.Stop();
      Note(line ? "unexpected first line: " + *line : "no first line within the limit");
      return;
    }
    process_.CopyRestOfOutputToLog();
    ready_ = true;
  }
  ~StandInServer() { Stop(); }
  StandInServer(const StandInServer&) = delete;
  StandInServer& operator=(const StandInServer&) = delete;

  void Stop() { process_.Stop(); }

  bool Ready() const { return ready_; }
  int Port() const { return port_; }
  pid_t Pid() const { return process_.Pid(); }
  const std::string& Database() const { return database_; }
  // What the stand-in printed, and why it did not start when it did not.
  std::string Log() const { return ReadLog(folder_); }
  // The log of a stand-in started with this folder.
  static std::string ReadLog(const std::filesystem::path& folder) {
    std::ifstream in(folder / "server.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string LogPath() const { return (folder_ / "server.log").string(); }

  void Note(const std::string& text) const {
    std::ofstream(LogPath(), std::ios::app) << "[test] " << text << "\n";
  }

  static int PortOf(const std::string& line) {
    const std::string prefix = "brantle-server listening on ";
    const std::string marker = " port ";
    size_t at = line.rfind(marker);
    if (line.rfind(prefix, 0) != 0 || at == std::string::npos) return 0;
    int port = std::atoi(line.c_str() + at + marker.size());
    return port > 0 && port < 65536 ? port : 0;
  }

  std::filesystem::path folder_;
  std::string database_;
  int port_ = 0;
  bool ready_ = false;
  testsupport::ChildProcess process_;
};
