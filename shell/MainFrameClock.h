#pragma once
// Time sources of the main frame: the local time for the status-bar clock,
// a millisecond tick counter, and the tick of the last key or mouse event the
// program saw (for the idle lock).  Tests give the frame their own clock.

#include <atomic>
#include <cstdint>

#include <QDateTime>
#include <QObject>

class FrameClock {
 public:
  virtual ~FrameClock() = default;
  virtual QDateTime Now() const = 0;
  // Milliseconds of a monotonic clock, wrapping at 2^32.
  virtual uint32_t TickCount() const = 0;
  // TickCount() at the last user input.
  virtual uint32_t LastInputTick() const = 0;
};

// The monotonic millisecond tick, wrapping at 2^32.
uint32_t MonotonicTickCount();

// Watches every event of the application and keeps the tick of the last key,
// mouse, wheel or touch event.  Installed once on the application object.
class CUserInputMonitor : public QObject {
  Q_OBJECT

 public:
  // The monitor of the application, installed on first use.
  static CUserInputMonitor& Instance();

  uint32_t LastInputTick() const { return lastInput_.load(); }
  // True for the events that count as user input.
  static bool IsUserInput(int eventType);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CUserInputMonitor();
  std::atomic<uint32_t> lastInput_;
};

// The real clock: local time, the monotonic tick, the input monitor.
class SystemFrameClock : public FrameClock {
 public:
  QDateTime Now() const override;
  uint32_t TickCount() const override;
  uint32_t LastInputTick() const override;
};
