#pragma once
// Helpers shared by the widget test programs.

#include <QCoreApplication>
#include <QThread>

#include <functional>

#include "tests/WaitUntil.h"

namespace testsupport {

// The wait of WaitUntil.h that processes events while it waits, so that
// timers, queued calls and posted events reach their receivers; returns the
// condition's last value.
inline bool WaitUntil(const std::function<bool()>& condition,
                      int milliseconds = static_cast<int>(kWaitLimit.count())) {
  return WaitUntil(condition, std::chrono::milliseconds(milliseconds), [] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  });
}

}  // namespace testsupport
