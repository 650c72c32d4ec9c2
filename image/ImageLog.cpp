#include "image/ImageLog.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace image {
namespace {
std::mutex& SinkLock() {
  static std::mutex lock;
  return lock;
}
LogSink& Sink() {
  static LogSink sink;
  return sink;
}
}  // namespace

LogSink SetLogSink(LogSink sink) {
  std::lock_guard<std::mutex> guard(SinkLock());
  return std::exchange(Sink(), std::move(sink));
}

void LogLine(std::string_view line) {
  std::lock_guard<std::mutex> guard(SinkLock());
  if (Sink()) {
    Sink()(line);
    return;
  }
  std::fprintf(stderr, "%.*s", static_cast<int>(line.size()), line.data());
}

}  // namespace image
