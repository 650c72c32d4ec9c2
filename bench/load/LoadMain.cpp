// load_bench: the depot under load.  One stand-in and eight desks, each
// desk its own process (this program started again with --desk) with its
// own login, for 60 seconds (10 with --seconds 10, or when started as the
// test command starts every benchmark program, with a short
// --benchmark_min_time).  Half way the stand-in is killed (SIGKILL) and
// started again on the same database and port; a moment later it is killed
// once more, right after a waybill save is on disk and before its reply
// leaves (the stand-in's commit pause), and started again.  At the end the
// invariants are checked on the database, and the program prints requests
// per second and the latency of each request kind beside the same
// statements run straight on SQLite by eight threads.  Exit status 1 when
// an invariant fails (each named), 2 when the run could not be set up.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/load/LoadRun.h"
#include "tests/ChildProcess.h"
#include "tests/server/StandInServer.h"

namespace fs = std::filesystem;
using load::Journal;

namespace {

const char kServer[] = BRANTLE_BINARY_DIR "/localserver/brantle-server";

std::unique_ptr<StandInServer> Start(const fs::path& folder, const std::vector<std::string>& options) {
  // The port may take a moment to be free again after a kill.
  for (int attempt = 0; attempt < 50; ++attempt) {
    auto server = std::make_unique<StandInServer>(kServer, folder, options);
    if (server->Ready()) return server;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return nullptr;
}

void Kill(std::unique_ptr<StandInServer>& server) {
  ::kill(server->Pid(), SIGKILL);
  server->Stop();
  server.reset();
}

void PrintRow(const char* kind, const load::KindStats& s, double seconds) {
  std::vector<uint32_t> sorted = s.micros;
  std::sort(sorted.begin(), sorted.end());
  std::printf("  %-10s %8d %8d %7d %9.1f %8.2f %8.2f %8.2f\n", kind, s.ok, s.refused, s.errors,
              seconds > 0 ? static_cast<double>(sorted.size()) / seconds : 0.0,
              load::Percentile(sorted, 50), load::Percentile(sorted, 95), load::Percentile(sorted, 99));
}

int Controller(int seconds, int perPairAsked) {
  const int perPair = perPairAsked > 0 ? perPairAsked : std::max(200, seconds * 60);
  const fs::path root = fs::temp_directory_path() / ("brantle-load-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  const fs::path serverFolder = root / "server";
  std::unique_ptr<StandInServer> server = Start(serverFolder, {});
  if (!server) {
    std::fprintf(stderr, "load: the stand-in did not start:\n%s\n", StandInServer::ReadLog(serverFolder).c_str());
    return 2;
  }
  const int port = server->Port();
  const std::string database = server->Database();
  const std::string seeded = load::SeedDatabase(database, perPair);
  if (!seeded.empty()) {
    std::fprintf(stderr, "load: seeding failed: %s\n", seeded.c_str());
    return 2;
  }

  // The desks log in and start together, two seconds from now.
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const int64_t startMillis = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count() +
                              2000;
  std::vector<std::unique_ptr<testsupport::ChildProcess>> desks;
  for (int d = 1; d <= load::kDesks; ++d) {
    auto child = std::make_unique<testsupport::ChildProcess>();
    testsupport::ChildProcess::Options options;
    options.log = (root / ("desk" + std::to_string(d) + ".log")).string();
    const std::string error =
        child->Start({self, "--desk", std::to_string(d), "--port", std::to_string(port), "--folder",
                      root.string(), "--start", std::to_string(startMillis), "--seconds",
                      std::to_string(seconds), "--per-pair", std::to_string(perPair)},
                     options);
    if (!error.empty()) {
      std::fprintf(stderr, "load: desk %d did not start: %s\n", d, error.c_str());
      return 2;
    }
    desks.push_back(std::move(child));
  }
  const auto start = std::chrono::system_clock::time_point(std::chrono::milliseconds(startMillis));

  // Half way: killed, started again; then killed right after a commit.
  std::this_thread::sleep_until(start + std::chrono::milliseconds(seconds * 500));
  Kill(server);
  server = Start(serverFolder, {"--port", std::to_string(port), "--proc-pause-ms", "1500", "--proc-pause-for",
                                "cp_client_rec_fast_add", "--proc-pause-at", "commit"});
  if (!server) {
    std::fprintf(stderr, "load: the stand-in did not start again\n");
    return 2;
  }
  const bool paused = testsupport::WaitUntil(
      [&] {
        return StandInServer::ReadLog(serverFolder).find("pausing in cp_client_rec_fast_add after its commit") !=
               std::string::npos;
      },
      std::chrono::seconds(10));
  Kill(server);
  server = Start(serverFolder, {"--port", std::to_string(port)});
  if (!server) {
    std::fprintf(stderr, "load: the stand-in did not start the third time\n");
    return 2;
  }

  bool desksEnded = testsupport::WaitUntil(
      [&] {
        return std::none_of(desks.begin(), desks.end(), [](auto& c) { return c->Running(); });
      },
      std::chrono::seconds(seconds + 120));
  for (auto& c : desks) c->Stop();
  server->Stop();

  std::vector<Journal> journals(load::kDesks);
  bool complete = desksEnded;
  for (int d = 1; d <= load::kDesks; ++d) {
    if (!journals[d - 1].Read((root / ("desk" + std::to_string(d) + ".journal")).string())) {
      std::fprintf(stderr, "load: desk %d left no whole journal (see %s)\n", d,
                   (root / ("desk" + std::to_string(d) + ".log")).c_str());
      complete = false;
    }
  }
  if (!complete) return 2;

  std::vector<std::string> failures = load::CheckInvariants(database, journals);
  if (!paused) failures.push_back("the stand-in never paused after a waybill commit: no reply was lost on purpose");
  const load::ReferenceRun reference = load::RunReference(database, journals);

  // The figures.
  std::array<load::KindStats, load::kKinds> all;
  int refusals = 0, errors = 0;
  size_t requests = 0;
  for (const Journal& j : journals) {
    for (int k = 0; k < load::kKinds; ++k) {
      all[k].ok += j.stats[k].ok;
      all[k].refused += j.stats[k].refused;
      all[k].errors += j.stats[k].errors;
      all[k].micros.insert(all[k].micros.end(), j.stats[k].micros.begin(), j.stats[k].micros.end());
    }
  }
  for (const auto& s : all) {
    refusals += s.refused;
    errors += s.errors;
    requests += s.micros.size();
  }
  size_t lostSaves = 0, lostHandOvers = 0, lostPayments = 0;
  int relogins = 0;
  for (const Journal& j : journals) {
    relogins += j.relogins;
    lostSaves += j.maybeSaved.size();
    lostHandOvers += j.handMaybe.size();
    lostPayments += j.payMaybe.size();
  }
  std::printf("load: 8 desks, %d s, one stand-in killed twice half way (once right after a commit)\n", seconds);
  std::printf("through the stand-in: %zu steps, %.1f per second, %d business refusals, %d errors (no usable "
              "reply: retried)\n",
              requests, static_cast<double>(requests) / seconds, refusals, errors);
  std::printf("  outcome unknown to the desk (reply lost): %zu saves, %zu hand-overs, %zu payments; %d silent "
              "logins again\n",
              lostSaves, lostHandOvers, lostPayments, relogins);
  std::printf("  %-10s %8s %8s %7s %9s %8s %8s %8s\n", "kind", "done", "refused", "errors", "per s", "p50 ms",
              "p95 ms", "p99 ms");
  for (int k = 0; k < load::kKinds; ++k) PrintRow(load::kKindNames[k], all[k], seconds);
  size_t refRequests = 0;
  int refErrors = 0;
  for (const auto& s : reference.stats) {
    refRequests += s.micros.size();
    refErrors += s.errors;
  }
  std::printf("reference, the same statements straight on SQLite by 8 threads: %zu steps in %.2f s, %.1f per "
              "second, %d errors%s%s\n",
              refRequests, reference.seconds,
              reference.seconds > 0 ? static_cast<double>(refRequests) / reference.seconds : 0.0, refErrors,
              reference.error.empty() ? "" : ": ", reference.error.c_str());
  std::printf("  %-10s %8s %8s %7s %9s %8s %8s %8s\n", "kind", "done", "refused", "errors", "per s", "p50 ms",
              "p95 ms", "p99 ms");
  for (int k = 0; k < load::kKinds; ++k) PrintRow(load::kKindNames[k], reference.stats[k], reference.seconds);
  std::printf("refusals seen:");
  std::map<std::string, int> seen;
  for (const Journal& j : journals)
    for (const auto& [what, times] : j.refusals) seen[what] += times;
  for (const auto& [what, times] : seen) std::printf(" [%s] x%d", what.c_str(), times);
  std::printf("\n");

  if (!failures.empty()) {
    std::printf("INVARIANTS FAILED (%zu):\n", failures.size());
    for (const std::string& f : failures) std::printf("  %s\n", f.c_str());
    std::printf("(the run's folder is kept: %s)\n", root.c_str());
    return 1;
  }
  std::printf("every invariant holds\n");
  fs::remove_all(root);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int desk = 0, port = 0, seconds = 60, perPair = 0;
  int64_t start = 0;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--desk") desk = std::atoi(next().c_str());
    else if (a == "--port") port = std::atoi(next().c_str());
    else if (a == "--folder") folder = next();
    else if (a == "--start") start = std::atoll(next().c_str());
    else if (a == "--seconds") seconds = std::max(4, std::atoi(next().c_str()));
    else if (a == "--per-pair") perPair = std::atoi(next().c_str());
    else if (a.rfind("--benchmark_min_time=", 0) == 0) {
      // The test command's once-at-the-least-time run: the short run.
      if (std::atof(a.c_str() + std::strlen("--benchmark_min_time=")) < 1.0) seconds = 10;
    } else if (a.rfind("--benchmark_", 0) == 0) {
      // Other benchmark options mean nothing here.
    } else {
      std::fprintf(stderr, "usage: load_bench [--seconds N] [--per-pair N]\n");
      return 2;
    }
  }
  if (desk > 0) return load::RunDesk(desk, port, folder, start, seconds, perPair);
  return Controller(seconds, perPair);
}
