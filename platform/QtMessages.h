#pragma once
// Private window messages between windows and threads of the program.
//
// A private message is a number (kWmUser + n, or one of the device numbers
// such as 0x66A) with two parameters.  It travels as a PrivateMessageEvent,
// a custom QEvent that the receiver handles in its event():
//
//   bool CSomePage::event(QEvent* e) {
//     if (auto* m = platform::AsPrivateMessage(e)) {
//       if (m->Message() == kWmUser + 105) { Relayout(); return true; }
//     }
//     return QWidget::event(e);
//   }
//
// PostPrivateMessage may be called from any thread: the event is queued and
// delivered later on the thread of the receiver.  Events still queued when
// the receiver is destroyed are dropped with it, so the receiver must take
// ownership of anything a pointer parameter carries only once it arrives.

#include <QEvent>
#include <QObject>

namespace platform {

// The first message number free for the program's own messages.
inline constexpr int kWmUser = 0x0400;

class PrivateMessageEvent : public QEvent {
 public:
  PrivateMessageEvent(int message, quintptr wParam, qintptr lParam);

  // The event type of every private message.
  static QEvent::Type EventType();

  int Message() const { return message_; }
  quintptr WParam() const { return wParam_; }
  qintptr LParam() const { return lParam_; }

  // The answer of a sent message (0 unless the receiver sets one).
  qintptr Result() const { return result_; }
  void SetResult(qintptr result) { result_ = result; }

 private:
  int message_;
  quintptr wParam_;
  qintptr lParam_;
  qintptr result_ = 0;
};

// The private message an event carries, or nullptr for any other event.
PrivateMessageEvent* AsPrivateMessage(QEvent* event);

// Queues the message for the receiver and returns at once; false when there
// is no receiver or no application object.  Safe from any thread.
bool PostPrivateMessage(QObject* target, int message, quintptr wParam = 0,
                        qintptr lParam = 0);

// Delivers the message and waits for the receiver to handle it; returns the
// answer the receiver set.  On the receiver's own thread this is a direct
// call.  From another thread the call blocks until the receiver's thread has
// handled it, so that thread must be running its event loop and must not be
// waiting for the caller.  Returns 0 when there is no receiver, or when the
// receiver is destroyed before it handled the message.  Without an
// application object the receiver's handler is called directly.
qintptr SendPrivateMessage(QObject* target, int message, quintptr wParam = 0,
                           qintptr lParam = 0);

}  // namespace platform
