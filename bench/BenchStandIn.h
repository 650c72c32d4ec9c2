#pragma once
// The stand-in server and a logged-in link for benchmarks: the server's
// database under root/server, the program folder root/program.

#include <cstdio>
#include <filesystem>
#include <memory>

#include "server/ServerLink.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"

namespace benchsupport {

// Starts the stand-in on a fresh `root`; false (the reason on stderr) when
// it does not start.
inline bool StartStandIn(const std::filesystem::path& root, std::unique_ptr<StandInServer>& server) {
  std::filesystem::remove_all(root);
  server = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                           root / "server");
  if (!server->Ready()) {
    std::fprintf(stderr, "the stand-in did not start:\n%s\n", server->Log().c_str());
    return false;
  }
  return true;
}

// Creates `program` with its configuration for the stand-in and logs the
// link in as admin; false when either step fails.
inline bool LogInToStandIn(const StandInServer& server, const std::filesystem::path& program,
                           CServerLink& link) {
  std::filesystem::create_directories(program);
  testsupport::WriteStandInConfig(program, server.Port(), "01", "BENCH");
  if (link.Init(program.string() + "/") != 1) return false;
  return link.Login(u"admin", u"admin123", 0) > 0;
}

}  // namespace benchsupport
