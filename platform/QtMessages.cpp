#include "platform/QtMessages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace platform {

PrivateMessageEvent::PrivateMessageEvent(int message, quintptr wParam, qintptr lParam)
    : QEvent(EventType()), message_(message), wParam_(wParam), lParam_(lParam) {}

QEvent::Type PrivateMessageEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

PrivateMessageEvent* AsPrivateMessage(QEvent* event) {
  if (event == nullptr || event->type() != PrivateMessageEvent::EventType()) return nullptr;
  return static_cast<PrivateMessageEvent*>(event);
}

bool PostPrivateMessage(QObject* target, int message, quintptr wParam, qintptr lParam) {
  if (target == nullptr || QCoreApplication::instance() == nullptr) return false;
  // postEvent takes ownership of the event and is thread-safe.
  QCoreApplication::postEvent(target, new PrivateMessageEvent(message, wParam, lParam));
  return true;
}

qintptr SendPrivateMessage(QObject* target, int message, quintptr wParam, qintptr lParam) {
  if (target == nullptr) return 0;
  PrivateMessageEvent event(message, wParam, lParam);
  QThread* targetThread = target->thread();
  if (QCoreApplication::instance() == nullptr) {
    // Without an application object sendEvent delivers nothing; the
    // receiver's handler is called directly.
    target->event(&event);
    return event.Result();
  }
  if (targetThread == QThread::currentThread() || targetThread == nullptr) {
    QCoreApplication::sendEvent(target, &event);
    return event.Result();
  }
  QMetaObject::invokeMethod(
      target, [target, &event] { QCoreApplication::sendEvent(target, &event); },
      Qt::BlockingQueuedConnection);
  return event.Result();
}

}  // namespace platform
