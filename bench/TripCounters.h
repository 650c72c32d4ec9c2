#pragma once
// Counters of a trip through the stand-in, the client and the stand-in
// measured apart: the client's CPU is this process's (every thread of it:
// the page's worker as well as the window's thread), the stand-in's is its
// own process's, read from /proc.  Beside them the wall time of the trip as
// a multiple of a reference measured earlier in the same run.
//
//   benchsupport::TripClock clock(server.Pid());
//   for (auto _ : state) { ... }
//   clock.Report(state, rows, referenceSecondsPerIteration);

#include <benchmark/benchmark.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace benchsupport {

// CPU seconds of every thread of this process so far.
inline double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU seconds (user and system) of another process so far, from
// /proc/<pid>/stat (clock-tick resolution); 0 when it cannot be read.
inline double OtherProcessCpuSeconds(pid_t pid) {
  if (pid <= 0) return 0;
  const std::string path = "/proc/" + std::to_string(pid) + "/stat";
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return 0;
  char line[1024] = {};
  const size_t n = std::fread(line, 1, sizeof line - 1, f);
  std::fclose(f);
  line[n] = '\0';
  // The command name stands in parentheses and may hold blanks: fields
  // count from the last ")".
  const char* p = nullptr;
  for (const char* q = line; *q; ++q)
    if (*q == ')') p = q;
  if (p == nullptr) return 0;
  unsigned long long utime = 0, stime = 0;
  // After ")": state(3) ppid pgrp session tty tpgid flags minflt cminflt
  // majflt cmajflt utime(14) stime(15).
  if (std::sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                  &stime) != 2)
    return 0;
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Wall seconds on the steady clock.
inline double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Takes the three clocks at construction; Report() sets the counters over
// what ran since:
//   client_us_row     the client's CPU per row (µs)
//   standin_us_row    the stand-in's CPU per row (µs)
//   wall_us_row       the whole trip's wall time per row (µs)
//   x_reference       the trip's wall time per iteration over the
//                     reference's (only when a reference is given)
class TripClock {
 public:
  explicit TripClock(pid_t standIn)
      : standIn_(standIn),
        client_(ProcessCpuSeconds()),
        server_(OtherProcessCpuSeconds(standIn)),
        wall_(WallSeconds()) {}

  void Report(benchmark::State& state, int64_t rows, double referenceSeconds) const {
    const double client = ProcessCpuSeconds() - client_;
    const double server = OtherProcessCpuSeconds(standIn_) - server_;
    const double wall = WallSeconds() - wall_;
    if (rows <= 0) return;
    const double perRow = 1e6 / static_cast<double>(rows);
    state.counters["client_us_row"] = client * perRow;
    state.counters["standin_us_row"] = server * perRow;
    state.counters["wall_us_row"] = wall * perRow;
    if (referenceSeconds > 0 && state.iterations() > 0)
      state.counters["x_reference"] = wall / static_cast<double>(state.iterations()) / referenceSeconds;
  }

 private:
  pid_t standIn_;
  double client_;
  double server_;
  double wall_;
};

}  // namespace benchsupport
