#pragma once
// The main() of a benchmark program with a set-up step: runs the benchmarks
// only when the set-up succeeds, tears down either way; exit status 1 when
// setting up failed or an argument is unknown.  Listing the cases
// ("--benchmark_list_tests") sets nothing up.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <functional>

namespace benchsupport {

inline int RunBenchmarks(int& argc, char** argv, const char* name,
                         const std::function<bool()>& setUp, const std::function<void()>& tearDown) {
  bool listing = false;
  for (int i = 1; i < argc; ++i)
    listing = listing || (std::strncmp(argv[i], "--benchmark_list_tests", 22) == 0 &&
                          std::strcmp(argv[i], "--benchmark_list_tests=false") != 0 &&
                          std::strcmp(argv[i], "--benchmark_list_tests=0") != 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (listing) {
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
  }
  int result = 0;
  if (setUp()) {
    benchmark::RunSpecifiedBenchmarks();
  } else {
    std::fprintf(stderr, "%s: setting up failed\n", name);
    result = 1;
  }
  tearDown();
  benchmark::Shutdown();
  return result;
}

}  // namespace benchsupport
