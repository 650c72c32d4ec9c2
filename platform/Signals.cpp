#include "platform/Signals.h"

#include <csignal>
#include <mutex>

namespace platform {

bool IgnoreBrokenPipe() {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  struct sigaction old {};
  if (sigaction(SIGPIPE, nullptr, &old) != 0) return false;
  if (old.sa_handler != SIG_DFL) return true;
  return signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

}  // namespace platform
