#include "platform/QtMessages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace platform {

PrivateMessageEvent::PrivateMessageEvent(int message, quintptr wParam, qintptr lParam,
                                         std::unique_ptr<MessagePayload> payload)
    : QEvent(EventType()),
      message_(message),
      wParam_(wParam),
      lParam_(lParam),
      payload_(std::move(payload)) {}

QEvent::Type PrivateMessageEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

PrivateMessageEvent* AsPrivateMessage(QEvent* event) {
  if (event == nullptr || event->type() != PrivateMessageEvent::EventType()) return nullptr;
  return static_cast<PrivateMessageEvent*>(event);
}

namespace {

bool Post(QObject* target, std::unique_ptr<PrivateMessageEvent> event) {
  if (target == nullptr || QCoreApplication::instance() == nullptr) return false;
  // postEvent takes ownership of the event (and deletes it with its payload
  // when the receiver goes first) and is thread-safe.
  QCoreApplication::postEvent(target, event.release());
  return true;
}

qintptr Send(QObject* target, PrivateMessageEvent& event) {
  if (target == nullptr) return 0;
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

}  // namespace

bool PostPrivateMessage(QObject* target, int message, quintptr wParam, qintptr lParam) {
  return Post(target, std::make_unique<PrivateMessageEvent>(message, wParam, lParam));
}

qintptr SendPrivateMessage(QObject* target, int message, quintptr wParam, qintptr lParam) {
  PrivateMessageEvent event(message, wParam, lParam);
  return Send(target, event);
}

namespace detail {

bool PostPayloadMessage(QObject* target, int message, quintptr wParam,
                        std::unique_ptr<MessagePayload> payload) {
  return Post(target,
              std::make_unique<PrivateMessageEvent>(message, wParam, 0, std::move(payload)));
}

qintptr SendPayloadMessage(QObject* target, int message, quintptr wParam,
                           std::unique_ptr<MessagePayload> payload) {
  PrivateMessageEvent event(message, wParam, 0, std::move(payload));
  return Send(target, event);
}

}  // namespace detail

}  // namespace platform
