#include "shell/MainFrameClock.h"

#include <chrono>

#include <QCoreApplication>
#include <QEvent>

uint32_t MonotonicTickCount() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

CUserInputMonitor& CUserInputMonitor::Instance() {
  static CUserInputMonitor* monitor = new CUserInputMonitor;
  return *monitor;
}

CUserInputMonitor::CUserInputMonitor() : lastInput_(MonotonicTickCount()) {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    setParent(app);
    app->installEventFilter(this);
  }
}

bool CUserInputMonitor::IsUserInput(int eventType) {
  switch (eventType) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

bool CUserInputMonitor::eventFilter(QObject* watched, QEvent* event) {
  if (IsUserInput(event->type())) lastInput_ = MonotonicTickCount();
  return QObject::eventFilter(watched, event);
}

QDateTime SystemFrameClock::Now() const { return QDateTime::currentDateTime(); }
uint32_t SystemFrameClock::TickCount() const { return MonotonicTickCount(); }
uint32_t SystemFrameClock::LastInputTick() const {
  return CUserInputMonitor::Instance().LastInputTick();
}
