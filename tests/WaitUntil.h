#pragma once
// Waiting in tests: look at a condition until it holds or a generous limit
// runs out, never sleep a fixed time and hope.  The widget tests use the
// version in QtTestSupport.h, which keeps the event loop turning meanwhile.

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace testsupport {

// Room for a loaded machine running the whole suite in parallel.  A wait
// whose condition comes true returns at once; only a failing test waits
// this long.
inline constexpr std::chrono::milliseconds kWaitLimit{30000};

// Calls `condition` until it returns true or `limit` has passed, and returns
// its last value.  Between two calls it runs `between` when given, or else
// pauses, 1 ms at first and up to 20 ms, so that a condition that is dear to
// look at (a command's output, say) is not asked in a tight loop.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
                      const std::function<void()>& between = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  auto pause = std::chrono::milliseconds(1);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    if (between) {
      between();
    } else {
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
  }
  return true;
}

// True while the thread (a thread id of this process, from gettid()) sleeps
// in a futex wait: blocked on a mutex, a semaphore or a condition variable.
// A condition for WaitUntil when a test needs another thread to have got as
// far as waiting for something the test holds.
inline bool ThreadIsBlocked(pid_t thread) {
  std::ifstream in("/proc/self/task/" + std::to_string(thread) + "/syscall");
  long number = -1;
  return static_cast<bool>(in >> number) && number == SYS_futex;
}

}  // namespace testsupport
