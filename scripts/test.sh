#!/usr/bin/env bash
# Sets up, builds and runs every test.  The sanitizer build runs the fuzz-style
# tests and the platform layer's tests under AddressSanitizer (with its leak
# check) and UndefinedBehaviorSanitizer first, the thread-sanitizer build the
# server link's tests (label tsan) next; then the full suite, and last the
# road of parcels under a virtual X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== sanitizer build: fuzz-style tests, platform layer"
cmake -S . -B build-asan -G Ninja -DBRANTLE_SANITIZE=ON -DBRANTLE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs" --target brantle_fuzz_tests platform_base_tests \
  platform_qt_tests platform_qt_noapp_tests awb_list_worker_tests brantle-server
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== thread-sanitizer build: server link tests"
cmake -S . -B build-tsan -G Ninja -DBRANTLE_TSAN=ON -DBRANTLE_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target server_link_tests print_state_race_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan -L tsan --output-on-failure -j "$jobs"

echo "== build and full test suite"
# Line tables are all the debug information the tests need (a crash's
# frames still have their files and lines); the rest doubles the time the
# libraries take to compile and link.
bash scripts/build.sh build -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
# Every test, the benchmark programs among them (label bench): each of their
# cases runs once at the least time, which proves the program still runs;
# its figures come from a run of its own, so they may share the machine.
ctest --test-dir build --output-on-failure -j "$jobs"

# The road of parcels once more, on a real (virtual) X server.
bash scripts/road.sh build
